// The one-open read of a copy and the worker that reads copies while the walk
// goes on.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <tlhelp32.h>

#include "cleaning/dll/dll_copy_reader.h"
#include "cleaning/dll/pe_version.h"
#include "dll_fixture.h"

using namespace qz;
using namespace qz::dll;
using namespace qz::dll::test;

namespace {

int64_t SizeOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA d{};
  if (!GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &d)) return 0;
  return static_cast<int64_t>((static_cast<uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow);
}

int ThreadsOfThisProcess() {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snap == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 te{};
  te.dwSize = sizeof te;
  int n = 0;
  for (BOOL ok = Thread32First(snap, &te); ok; ok = Thread32Next(snap, &te))
    if (te.th32OwnerProcessID == GetCurrentProcessId()) ++n;
  CloseHandle(snap);
  return n;
}

}  // namespace

// Which copies may be listed: a copy outside the Windows folders only when
// nobody holds it open; a reference also when it is locked (of unknown
// version then); a gone copy never. The version is the reader's own.
TEST(CopyReader, ListedAndVersion) {
  DllTree t("reader");
  const std::string ref = t.Plant("qzfx64_2", "win\\System32\\QZR.DLL");
  const std::string free = t.Plant("qzfx64_1", "free\\QZR.DLL");
  const std::string held = t.Plant("qzfx64_1", "held\\QZR.DLL");
  const std::string heldRef = t.Plant("qzfx64_2", "win\\System32\\QZS.DLL");
  HANDLE h1 = CreateFileW(Widen(held).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  HANDLE h2 = CreateFileW(Widen(heldRef).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h1, INVALID_HANDLE_VALUE);
  ASSERT_NE(h2, INVALID_HANDLE_VALUE);

  const CopyDetails r = ReadCopyDetails(ref, SizeOf(ref), true);
  EXPECT_TRUE(r.Listed);
  EXPECT_TRUE(r.Number.Known);
  EXPECT_EQ(r.VersionText, ReadPeVersion(ref).FileVersion);
  EXPECT_EQ(r.Machine, ReadPeVersion(ref).Machine);
  const CopyDetails f = ReadCopyDetails(free, SizeOf(free), false);
  EXPECT_TRUE(f.Listed);
  EXPECT_EQ(f.VersionText, ReadPeVersion(free).FileVersion);
  EXPECT_NE(f.VersionText, r.VersionText);
  // The size the walk saw may be larger than what is there now: read as far as it goes.
  EXPECT_EQ(ReadCopyDetails(free, SizeOf(free) + 100000, false).VersionText, f.VersionText);

  EXPECT_FALSE(ReadCopyDetails(held, SizeOf(held), false).Listed);
  const CopyDetails lockedRef = ReadCopyDetails(heldRef, SizeOf(heldRef), true);
  EXPECT_TRUE(lockedRef.Listed);
  EXPECT_FALSE(lockedRef.Number.Known);
  EXPECT_FALSE(ReadCopyDetails(t / "gone\\QZR.DLL", 1000, false).Listed);
  EXPECT_FALSE(ReadCopyDetails(t / "win\\System32\\GONE.DLL", 1000, true).Listed);

  // The worker gives the same answers, by copy number.
  CopyReader reader;
  reader.Add(7, ref, SizeOf(ref), true);
  reader.Add(3, held, SizeOf(held), false);
  reader.Add(5, free, SizeOf(free), false);
  ASSERT_TRUE(reader.Finish([] { return true; }));
  ASSERT_NE(reader.Find(7), nullptr);
  ASSERT_NE(reader.Find(3), nullptr);
  ASSERT_NE(reader.Find(5), nullptr);
  EXPECT_EQ(reader.Find(7)->VersionText, r.VersionText);
  EXPECT_FALSE(reader.Find(3)->Listed);
  EXPECT_EQ(reader.Find(5)->VersionText, f.VersionText);
  EXPECT_EQ(reader.Find(4), nullptr);
  CloseHandle(h1);
  CloseHandle(h2);
}

// Stopped while copies are still queued: Finish says so at once, and the
// worker is gone once the reader is; a reader never given a copy starts none.
TEST(CopyReader, StopLeavesNoThread) {
  DllTree t("reader-stop");
  const std::string copy = t.Plant("qzfx64_1", "a\\QZR.DLL");
  const int before = ThreadsOfThisProcess();
  ASSERT_GT(before, 0);
  {
    CopyReader idle;
    EXPECT_TRUE(idle.Finish([] { return false; }));
    EXPECT_EQ(ThreadsOfThisProcess(), before);
  }
  {
    CopyReader reader;
    for (size_t i = 0; i < 2000; ++i) reader.Add(i, copy, SizeOf(copy), false);
    int asked = 0;
    EXPECT_FALSE(reader.Finish([&] { return ++asked < 2; }));
    EXPECT_EQ(asked, 2);
  }
  EXPECT_EQ(ThreadsOfThisProcess(), before);
}
