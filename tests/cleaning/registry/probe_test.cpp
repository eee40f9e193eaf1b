// The file probe: what counts as missing, the memo, the registry's case,
// the 32-bit alternates and the long-name step.
#include <gtest/gtest.h>

#include "cleaning/registry/rc_probe.h"
#include "rc_fixture.h"

namespace qz::rc::test {
namespace {

ProbeFolders Folders() {
  ProbeFolders f;
  f.SystemDir = "C:\\windows\\system32";
  f.SystemWow64Dir = "C:\\windows\\syswow64";
  f.ProgramFiles = "C:\\Program Files";
  f.ProgramFilesX86 = "C:\\Program Files (x86)";
  f.CommonFiles = "C:\\Program Files\\Common Files";
  f.CommonFilesX86 = "C:\\Program Files (x86)\\Common Files";
  return f;
}

TEST(PathProbe, OnlyNotFoundIsMissing) {
  FakeFiles fs;
  fs.File("C:\\A\\HERE.DLL");
  fs.errors["C:\\A\\DENIED.DLL"] = ERROR_ACCESS_DENIED;
  fs.errors["C:\\A\\NOTREADY.DLL"] = ERROR_NOT_READY;
  fs.errors["C:\\A\\BAD.DLL"] = ERROR_INVALID_NAME;
  fs.errors["C:\\A\\NET.DLL"] = ERROR_BAD_NETPATH;
  fs.errors["C:\\GONE\\X.DLL"] = ERROR_PATH_NOT_FOUND;
  PathProbe p(&fs, Folders());
  EXPECT_EQ(p.Test("C:\\A\\HERE.DLL"), PathState::Present);
  EXPECT_EQ(p.Test("C:\\A\\DENIED.DLL"), PathState::Unknown);
  EXPECT_EQ(p.Test("C:\\A\\NOTREADY.DLL"), PathState::Unknown);
  EXPECT_EQ(p.Test("C:\\A\\BAD.DLL"), PathState::Unknown);
  EXPECT_EQ(p.Test("C:\\A\\NET.DLL"), PathState::Unknown);
  EXPECT_EQ(p.Test("C:\\A\\GONE.DLL"), PathState::Missing);
  EXPECT_EQ(p.Test("C:\\GONE\\X.DLL"), PathState::Missing);
  EXPECT_EQ(p.Test(""), PathState::Unknown);
}

TEST(PathProbe, AsksOncePerPathInTheRegistrysCase) {
  FakeFiles fs;
  fs.File("C:\\Apps\\Tool.exe");
  PathProbe p(&fs, Folders());
  EXPECT_EQ(p.Test("C:\\APPS\\TOOL.EXE", "\"C:\\Apps\\Tool.exe\" /x"), PathState::Present);
  ASSERT_EQ(fs.calls.size(), 1u);
  EXPECT_EQ(fs.calls[0], "C:\\Apps\\Tool.exe");
  EXPECT_EQ(p.Test("c:\\apps\\tool.exe"), PathState::Present);
  EXPECT_EQ(p.Test("C:\\APPS\\GONE.EXE"), PathState::Missing);
  EXPECT_EQ(p.Test("C:\\Apps\\Gone.exe"), PathState::Missing);
  EXPECT_EQ(fs.calls.size(), 2u);
  p.Reset();
  p.Test("C:\\APPS\\TOOL.EXE");
  EXPECT_EQ(fs.calls.size(), 3u);
  EXPECT_EQ(CaseAsIn("C:\\X", "nothing alike"), "C:\\X");
}

TEST(PathProbe, ThirtyTwoBitAlternates) {
  FakeFiles fs;
  fs.File("C:\\windows\\syswow64\\only32.dll");
  fs.File("C:\\Program Files (x86)\\App\\app.exe");
  fs.File("C:\\Program Files (x86)\\Common Files\\Shared\\s.dll");
  fs.errors["C:\\WINDOWS\\SYSWOW64\\LOCKED.DLL"] = ERROR_ACCESS_DENIED;
  PathProbe p(&fs, Folders());
  EXPECT_EQ(p.Test("C:\\WINDOWS\\SYSTEM32\\ONLY32.DLL"), PathState::Present);
  EXPECT_EQ(p.Test("C:\\PROGRAM FILES\\APP\\APP.EXE"), PathState::Present);
  EXPECT_EQ(p.Test("C:\\PROGRAM FILES\\COMMON FILES\\SHARED\\S.DLL"), PathState::Present);
  EXPECT_EQ(p.Test("C:\\WINDOWS\\SYSTEM32\\NOWHERE.DLL"), PathState::Missing);
  EXPECT_EQ(p.Test("C:\\WINDOWS\\SYSTEM32\\LOCKED.DLL"), PathState::Unknown);
  // "Program Files (x86)" is not below "Program Files\".
  fs.calls.clear();
  EXPECT_EQ(p.Test("C:\\PROGRAM FILES (X86)\\GONE.EXE"), PathState::Missing);
  EXPECT_EQ(fs.calls.size(), 1u);
}

TEST(PathProbe, FilesAndFolders) {
  FakeFiles fs;
  fs.Folder("C:\\APP");
  PathProbe p(&fs, Folders());
  EXPECT_EQ(p.Test("C:\\APP"), PathState::Present);
  EXPECT_EQ(p.Test("C:\\APP", {}, Wanted::File), PathState::Missing);
}

TEST(PathProbe, LongNamesAndDrives) {
  FakeFiles fs;
  fs.longNames["C:\\PROGRA~1"] = "Program Files";
  fs.longNames["C:\\PROGRAM FILES\\LONGFO~1"] = "Long Folder";
  fs.File("C:\\");
  PathProbe p(&fs, Folders());
  EXPECT_EQ(p.LongForm("C:\\PROGRA~1\\LONGFO~1\\X.EXE"), "C:\\Program Files\\Long Folder\\X.EXE");
  EXPECT_EQ(p.LongForm("C:\\PLAIN\\X.EXE"), "C:\\PLAIN\\X.EXE");
  EXPECT_FALSE(p.LongForm("C:\\PROGRA~1\\UNKNOW~9\\X.EXE").has_value());
  EXPECT_TRUE(p.DriveAnswers('C'));
  EXPECT_FALSE(p.DriveAnswers('Q'));
}

}  // namespace
}  // namespace qz::rc::test
