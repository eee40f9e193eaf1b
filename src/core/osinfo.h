// Windows version: the flags of the program's own tests, and the TOS record.
#pragma once

#include <cstdint>
#include <string>

namespace qz {

// What GetVersionEx reports, as the detection needs it.
struct VersionData {
  uint32_t platformId = 2;  // 1 = 9x family, 2 = NT family
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;
  std::string csd;  // service-pack text
};

struct TOS {
  uint32_t MajorVersion = 0;
  uint32_t MinorVersion = 0;
  uint32_t BuildNumber = 0;
  std::string ServicePack;
  bool Is9x = false;
  uint8_t Edition9x = 0;
  bool IsNTFamily = false;
  uint8_t EditionNT = 0;
  uint8_t Edition = 0;
  uint32_t ServicePackNumber = 0;
  std::string Description;
};

// Edition indices.
enum : uint8_t {
  kEdNone = 0, kEdWin95, kEdWin95OSR2, kEdWin98, kEdWin98SE, kEdWinME, kEdWin9xNew,
  kEdNT3, kEdNT4, kEdWin2000, kEdWinXP, kEdWin2003, kEdNTNew
};
const char* EditionName(uint8_t edition);

struct OSFlags {
  uint8_t IsWin95 = 0, IsWin95B = 0, IsWin98 = 0, IsWin98SE = 0, IsWinME = 0, IsNT3 = 0,
          IsNT4 = 0, IsWin2000 = 0, IsWinXP = 0, IsNT = 0, IsUnknownOS = 0;
};

// Pure rules, for tests: the flags from the version and the ProductName values
// of ...\Windows\CurrentVersion (9x) and ...\Windows NT\CurrentVersion.
// IsNT is 1 for every system of the NT family, whatever its version;
// IsUnknownOS is 1 when none of the systems known by name was recognised
// (every NT from 6.0 on: IsNT and IsUnknownOS).
OSFlags ComputeOSFlags(const VersionData& v, const std::string& productName9x,
                       const std::string& productNameNT);
TOS ComputeOSInfo(const VersionData& v);

// The running system's version data.
VersionData QueryVersionData();
// First call fills the cache; later calls return a copy.
TOS GetOSInfo();

// Sets the folder variables (AppDir, WinDir, SysDir, WinTempDir, UserTempDir)
// and the OS flags. Called once by the start-up.
void InitAppEnvironment();
// Full path of the running program file (GetModuleFileName, any length).
std::string ProgramFilePath();
// AppDir from a program path: everything from its last "\" on removed.
std::string AppDirFromExePath(const std::string& exePath);
// UserTempDir from the local application-data folder: its parent + "\TEMP"
// when that folder exists; otherwise the system temporary folder
// (GetTempPath without its trailing backslash).
std::string UserTempDirFrom(const std::string& localAppData);

// Parses `length` characters: a leading "-" negates; each further character
// through a digit-value table (decimal, or hexadecimal when hex is set);
// stops at the first character that is not a digit. A null text gives 0.
int32_t ParseIntText(bool hex, const char* text, int length);

}  // namespace qz
