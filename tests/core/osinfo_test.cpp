// Operating-system detection (pure rules over version data), folder
// derivation and the number parser.
#include <gtest/gtest.h>
#include <windows.h>

#include "core/disk.h"
#include "core/globals.h"
#include "core/osinfo.h"
#include "core/text.h"
#include "support/sandbox.h"

namespace qz {
namespace {

std::string FlagsText(const OSFlags& f) {
  std::string s;
  auto add = [&](uint8_t v, const char* n) {
    if (v) s += std::string(s.empty() ? "" : " ") + n;
  };
  add(f.IsWin95, "95");
  add(f.IsWin95B, "95B");
  add(f.IsWin98, "98");
  add(f.IsWin98SE, "98SE");
  add(f.IsWinME, "ME");
  add(f.IsNT3, "NT3");
  add(f.IsNT4, "NT4");
  add(f.IsWin2000, "2000");
  add(f.IsWinXP, "XP");
  add(f.IsNT, "NT");
  add(f.IsUnknownOS, "Unknown");
  return s;
}

TEST(OSFlags, DetectionTable) {
  struct Row {
    VersionData v;
    const char* pn9x;
    const char* pnNT;
    const char* expected;
  };
  const Row rows[] = {
      {{2, 5, 1, 2600, "Service Pack 2"}, "", "Microsoft Windows XP", "XP NT"},
      {{2, 5, 1, 2600, ""}, "", "", "XP NT"},
      {{2, 5, 2, 3790, ""}, "", "Microsoft Windows Server 2003", "2000 NT"},
      // XP x64 reports 5.2; its product name makes it XP.
      {{2, 5, 2, 3790, ""}, "", "Microsoft Windows XP", "XP NT"},
      {{2, 5, 0, 2195, ""}, "", "Microsoft Windows 2000", "2000 NT"},
      {{2, 4, 0, 1381, "Service Pack 6"}, "", "", "NT4 NT"},
      {{2, 3, 51, 1057, ""}, "", "", "NT3 NT"},
      // Every later NT is NT, and still unknown by name.
      {{2, 6, 0, 6002, ""}, "", "Windows Vista (TM) Business", "NT Unknown"},
      {{2, 6, 1, 7601, "Service Pack 1"}, "", "Windows 7 Professional", "NT Unknown"},
      {{2, 10, 0, 19045, ""}, "", "Windows 10 Pro", "NT Unknown"},
      // 9x family.
      {{1, 4, 0, 950, ""}, "Microsoft Windows", "", "95"},
      {{1, 4, 0, 1111, " B "}, "Microsoft Windows", "", "95B"},
      {{1, 4, 0, 1111, "B"}, "Microsoft Windows 95", "", "95"},  // "95" in the name wins over B
      {{1, 4, 10, 1998, ""}, "Microsoft Windows 98", "", "98"},
      {{1, 4, 10, 2222, " A "}, "Microsoft Windows 98", "", "98SE"},
      {{1, 4, 10, 2222, "A"}, "Microsoft Windows ME", "", "ME"},
      {{1, 4, 90, 3000, ""}, "", "", "ME"},
      {{1, 4, 95, 3000, ""}, "", "", "Unknown"},
      {{0, 3, 10, 0, ""}, "", "", "Unknown"},  // Win32s
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::to_string(r.v.platformId) + ":" + std::to_string(r.v.major) + "." +
                 std::to_string(r.v.minor) + " csd='" + r.v.csd + "' 9x='" + r.pn9x + "' nt='" + r.pnNT + "'");
    EXPECT_EQ(FlagsText(ComputeOSFlags(r.v, r.pn9x, r.pnNT)), r.expected);
  }
}

TEST(OSInfo, EditionTable) {
  struct Row {
    VersionData v;
    uint8_t edition;
    uint32_t build;
    uint32_t spNumber;
    const char* description;
  };
  const Row rows[] = {
      {{2, 5, 1, 2600, "Service Pack 2"}, kEdWinXP, 2600, 2, "Windows XP Service Pack 2"},
      {{2, 5, 0, 2195, ""}, kEdWin2000, 2195, 0, "Windows 2000"},
      {{2, 5, 2, 3790, "Service Pack 1"}, kEdWin2003, 3790, 1, "Windows 2003 Service Pack 1"},
      {{2, 5, 3, 1, ""}, kEdNTNew, 1, 0, "Windows NT New"},
      {{2, 6, 1, 7601, "Service Pack 1"}, kEdNTNew, 7601, 1, "Windows NT New Service Pack 1"},
      {{2, 4, 0, 1381, "Service Pack 6a"}, kEdNT4, 1381, 6, "Windows NT 4 Service Pack 6a"},
      {{2, 4, 0, 1381, "Service Pack 10"}, kEdNT4, 1381, 10, "Windows NT 4 Service Pack 10"},
      {{2, 3, 51, 1057, "Service Pack"}, kEdNT3, 1057, 0, "Windows NT 3 Service Pack"},
      {{2, 5, 1, 2600, "SP2"}, kEdWinXP, 2600, 0, "Windows XP SP2"},
      // 9x: the build's low 16 bits decide; no service pack in the description.
      {{1, 4, 0, 0x040003B6, ""}, kEdWin95, 950, 0, "Windows 95"},
      {{1, 4, 0, 0x04000457, " B "}, kEdWin95OSR2, 1111, 0, "Windows 95 OSR-2"},
      {{1, 4, 10, 1998, ""}, kEdWin98, 1998, 0, "Windows 98"},
      {{1, 4, 10, 2001, " A "}, kEdWin98SE, 2001, 0, "Windows 98 SE"},
      {{1, 4, 10, 2700, ""}, kEdWin98SE, 2700, 0, "Windows 98 SE"},
      {{1, 4, 10, 2701, ""}, kEdWinME, 2701, 0, "Windows ME"},
      {{1, 4, 90, 3000, ""}, kEdWinME, 3000, 0, "Windows ME"},
      {{1, 4, 91, 3000, ""}, kEdWin9xNew, 3000, 0, "Windows 9x New"},
      {{1, 5, 0, 1, ""}, kEdWin9xNew, 1, 0, "Windows 9x New"},
      {{1, 3, 0, 1, ""}, kEdNone, 1, 0, "None"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::to_string(r.v.platformId) + ":" + std::to_string(r.v.major) + "." +
                 std::to_string(r.v.minor) + " build " + std::to_string(r.v.build) + " '" + r.v.csd + "'");
    TOS os = ComputeOSInfo(r.v);
    EXPECT_EQ(os.Edition, r.edition);
    EXPECT_EQ(os.BuildNumber, r.build);
    EXPECT_EQ(os.ServicePackNumber, r.spNumber);
    EXPECT_EQ(os.Description, r.description);
    EXPECT_EQ(os.Is9x, r.v.platformId == 1);
    EXPECT_EQ(os.IsNTFamily, r.v.platformId == 2);
    EXPECT_EQ(os.EditionNT, r.v.platformId == 2 ? r.edition : 0);
    EXPECT_EQ(os.Edition9x, r.v.platformId == 1 ? r.edition : 0);
  }
}

TEST(OSInfo, RunningSystemIsNTAndCached) {
  TOS a = GetOSInfo();
  TOS b = GetOSInfo();
  EXPECT_TRUE(a.IsNTFamily);
  EXPECT_GE(a.MajorVersion, 5u);
  EXPECT_EQ(a.Description, b.Description);
  EXPECT_EQ(a.BuildNumber, b.BuildNumber);
}

TEST(ParseIntText, Table) {
  struct Row {
    bool hex;
    const char* text;
    int length;
    int32_t expected;
  };
  const Row rows[] = {
      {false, "123", 3, 123},       {false, "-45", 3, -45},      {false, "123", 2, 12},
      {false, "12a3", 4, 12},       // stops at the first non-digit
      {false, "2 (build)", 9, 2},   {false, "x12", 3, 0},        {false, "", 0, 0},
      {false, "-", 1, 0},           {false, "0042", 4, 42},      {false, "1F", 2, 1},
      {true, "1F", 2, 31},          {true, "ff", 2, 255},        {true, "-10", 3, -16},
      {true, "7fffffff", 8, 0x7fffffff}, {true, "12g4", 4, 0x12}, {false, "5\0" "99", 4, 5},
      {false, "4294967297", 10, 1},  // no overflow test: wraps
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string(r.hex ? "hex " : "dec ") + r.text);
    EXPECT_EQ(ParseIntText(r.hex, r.text, r.length), r.expected);
  }
  EXPECT_EQ(ParseIntText(false, nullptr, 5), 0);
}

TEST(Folders, AppDirFromExePath) {
  EXPECT_EQ(AppDirFromExePath("C:\\A\\B\\prog.exe"), "C:\\A\\B");
  EXPECT_EQ(AppDirFromExePath("C:\\prog.exe"), "C:");
  EXPECT_EQ(AppDirFromExePath("prog.exe"), "");
}

TEST(Folders, UserTempDirUsesDerivedFolderWhenItExists) {
  test::ScratchDir d("core-usertemp");
  std::string local = d.MakeDir("u\\Local Settings\\Application Data");
  std::string fallback = UserTempDirFrom("");
  // The derived folder does not exist: the system's temporary folder, without
  // its trailing backslash.
  EXPECT_EQ(UserTempDirFrom(local), fallback);
  EXPECT_FALSE(fallback.empty());
  EXPECT_NE(fallback.back(), '\\');
  EXPECT_TRUE(DirectoryExists(fallback));

  d.MakeDir("u\\Local Settings\\TEMP");
  EXPECT_EQ(UserTempDirFrom(local), d.path() + "u\\Local Settings\\TEMP");
  EXPECT_EQ(UserTempDirFrom(local + "\\"), d.path() + "u\\Local Settings\\TEMP");
}

TEST(Folders, InitAppEnvironmentFillsFoldersAndFlags) {
  InitAppEnvironment();
  EXPECT_TRUE(IEquals(AppDir, "C:\\qztests\\bin")) << AppDir;
  EXPECT_TRUE(IEquals(WinDir, "C:\\windows")) << WinDir;
  EXPECT_TRUE(IEquals(SysDir, "C:\\windows\\system32")) << SysDir;
  EXPECT_EQ(WinTempDir, WinDir + "\\TEMP");
  EXPECT_TRUE(DirectoryExists(UserTempDir)) << UserTempDir;
  EXPECT_NE(UserTempDir.back(), '\\');
  // Wine reports an NT system newer than XP.
  EXPECT_EQ(IsNT, 1);
  EXPECT_EQ(IsUnknownOS, GetOSInfo().MajorVersion >= 6 ? 1 : 0);
  EXPECT_EQ(IsWin95 + IsWin95B + IsWin98 + IsWin98SE + IsWinME, 0);
}

}  // namespace
}  // namespace qz
