// Classification of the copies of one name against their reference copy.
#include <gtest/gtest.h>

#include "cleaning/dll/dll_classify.h"

using namespace qz::dll;

namespace {

constexpr DllPlace W = DllPlace::WinDir, S = DllPlace::SysDir, X = DllPlace::Wow64Dir, E = DllPlace::Elsewhere;
constexpr uint16_t k64 = kMachineX64, k32 = kMachineX86;

DllCopy Copy(DllPlace place, const char* version, int64_t size = 100, uint16_t machine = k64) {
  DllCopy c;
  c.Place = place;
  c.Machine = machine;
  c.Size = size;
  c.VersionText = version;
  c.Number = ParseVersionText(version);
  return c;
}

DllRules Rules(bool sameSize, bool sameVersion, bool both, bool wow64 = true) {
  DllRules r;
  r.SameSize = sameSize;
  r.SameVersion = sameVersion;
  r.Both = both;
  r.HasWow64Dir = wow64;
  return r;
}

struct Case {
  const char* what;
  std::vector<DllCopy> copies;
  DllRules rules;
  std::vector<int> reasons;
};

}  // namespace

TEST(DllClassify, Table) {
  const DllRules defaults = Rules(false, true, true);
  const Case cases[] = {
      {"a copy in the system folder and one elsewhere that no rule matches",
       {Copy(S, "2.0"), Copy(E, "1.0", 50)}, Rules(false, false, false), {6, 0}},
      {"copies in both Windows folders: both 6, the system copy is the reference (older than it: 4)",
       {Copy(W, "1.0"), Copy(S, "3.0"), Copy(E, "2.0", 7)}, defaults, {6, 6, 4}},
      {"the Windows folder's copy is the reference without a system copy",
       {Copy(W, "1.0"), Copy(E, "2.0", 7)}, defaults, {6, 5}},
      {"same size and lower version with SameSize and SameVersion: 4, not 3",
       {Copy(S, "2.0"), Copy(E, "1.0")}, Rules(true, true, false), {6, 4}},
      {"same size alone: 3",
       {Copy(S, "2.0"), Copy(E, "1.0")}, Rules(true, false, false), {6, 3}},
      {"no version information: 2 whatever the rules",
       {Copy(S, "2.0"), Copy(E, ""), Copy(E, "no number")}, Rules(true, true, true), {6, 2, 2}},
      {"identical: same size, number and text",
       {Copy(S, "2.0.0.0"), Copy(E, "2.0.0.0")}, Rules(true, true, true), {6, 1}},
      {"rule 1 needs the same text, not only the same number",
       {Copy(S, "2.0.0.0"), Copy(E, "2, 0, 0, 0")}, defaults, {6, 4}},
      {"rule 1 needs the same size",
       {Copy(S, "2.0"), Copy(E, "2.0", 101)}, defaults, {6, 4}},
      {"Both alone on an identical copy",
       {Copy(S, "2.0"), Copy(E, "2.0")}, Rules(false, false, true), {6, 1}},
      {"numbers, not texts: 10.0 is newer than 9.0",
       {Copy(S, "9.0"), Copy(E, "10.0", 7)}, defaults, {6, 5}},
      {"a reference without a number is lower than a member with one",
       {Copy(S, ""), Copy(E, "0.1", 7)}, defaults, {6, 5}},
      {"an x86 member is compared with the 32-bit system copy, not the differing x64 one",
       {Copy(S, "9.0", 300, k64), Copy(X, "2.0", 100, k32), Copy(E, "2.0", 100, k32)}, defaults, {6, 6, 1}},
      {"an x64 member is compared with the x64 system copy",
       {Copy(S, "9.0", 300, k64), Copy(X, "2.0", 100, k32), Copy(E, "2.0", 100, k64)}, defaults, {6, 6, 4}},
      {"no reference of the member's machine type: 0",
       {Copy(S, "1.0", 100, k64), Copy(E, "1.0", 100, k32)}, defaults, {6, 0}},
      {"an x86 member falls back to the Windows folder's x86 copy",
       {Copy(S, "1.0", 100, k64), Copy(W, "3.0", 100, k32), Copy(E, "1.0", 100, k32)}, defaults, {6, 6, 4}},
      {"without a 32-bit system folder an x86 member takes the system copy",
       {Copy(S, "2.0", 100, k32), Copy(E, "2.0", 100, k32)}, Rules(false, true, true, false), {6, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ClassifyGroup(c.copies, c.rules), c.reasons);
  }
}

TEST(DllClassify, ReferenceChoiceAndRisk) {
  const std::vector<DllCopy> copies = {Copy(W, "1", 1, k32), Copy(S, "1", 1, k64), Copy(X, "1", 1, k32),
                                       Copy(E, "1", 1, k64), Copy(E, "1", 1, k32)};
  EXPECT_EQ(ReferenceFor(copies, 3, true), 1);
  EXPECT_EQ(ReferenceFor(copies, 4, true), 2);
  EXPECT_EQ(ReferenceFor(copies, 4, false), 0);  // no system copy of its type on a 32-bit system
  EXPECT_EQ(ReferenceFor(copies, 9, true), -1);
  for (int r = 0; r <= 6; ++r) EXPECT_EQ(IsRiskyReason(r), r == 2 || r == 5 || r == 6) << r;
}
