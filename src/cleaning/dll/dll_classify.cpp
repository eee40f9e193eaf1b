#include "cleaning/dll/dll_classify.h"

namespace qz::dll {

int ReferenceFor(const std::vector<DllCopy>& copies, size_t member, bool hasWow64Dir) {
  if (member >= copies.size()) return -1;
  const uint16_t machine = copies[member].Machine;
  const DllPlace first = hasWow64Dir && machine == kMachineX86 ? DllPlace::Wow64Dir : DllPlace::SysDir;
  for (DllPlace place : {first, DllPlace::WinDir}) {
    for (size_t i = 0; i < copies.size(); ++i)
      if (copies[i].Place == place && copies[i].Machine == machine) return static_cast<int>(i);
  }
  return -1;
}

std::vector<int> ClassifyGroup(const std::vector<DllCopy>& copies, const DllRules& rules) {
  std::vector<int> reasons(copies.size(), kReasonNone);
  for (size_t i = 0; i < copies.size(); ++i) {
    const DllCopy& c = copies[i];
    if (IsReferencePlace(c.Place)) {
      reasons[i] = kReasonWindowsFolder;
      continue;
    }
    if (!c.Number.Known) {
      reasons[i] = kReasonUnknownVersion;
      continue;
    }
    const int ref = ReferenceFor(copies, i, rules.HasWow64Dir);
    if (ref < 0) continue;
    const DllCopy& r = copies[static_cast<size_t>(ref)];
    const bool sameSize = c.Size == r.Size;
    const int cmp = CompareVersions(c.Number, r.Number);
    int reason = kReasonNone;
    if (rules.SameSize && sameSize) reason = kReasonSameSize;
    if (rules.SameVersion) reason = cmp <= 0 ? kReasonOlderOrEqual : kReasonNewer;
    if (rules.Both && sameSize && cmp == 0 && c.VersionText == r.VersionText) reason = kReasonIdentical;
    reasons[i] = reason;
  }
  return reasons;
}

}  // namespace qz::dll
