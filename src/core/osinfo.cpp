#include "core/osinfo.h"

#include <shlobj.h>
#include <windows.h>

#include "core/disk.h"
#include "core/globals.h"
#include "core/registry.h"
#include "core/text.h"

namespace qz {

namespace {

constexpr const char* kKey9x = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr const char* kKeyNT = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

bool Has(const std::string& s, const char* part) { return s.find(part) != std::string::npos; }

// Digit values for ParseIntText: 0-9, and a-f / A-F for hexadecimal; -1 for
// everything else.
struct DigitTable {
  int8_t value[256];
  constexpr DigitTable() : value{} {
    for (int i = 0; i < 256; ++i) value[i] = -1;
    for (int i = 0; i < 10; ++i) value['0' + i] = static_cast<int8_t>(i);
    for (int i = 0; i < 6; ++i) {
      value['a' + i] = static_cast<int8_t>(10 + i);
      value['A' + i] = static_cast<int8_t>(10 + i);
    }
  }
};
constexpr DigitTable kDigits;

template <class Fn>
std::string SystemFolder(Fn fn) {
  wchar_t buf[MAX_PATH + 1];
  UINT n = fn(buf, MAX_PATH + 1);
  if (n == 0 || n > MAX_PATH) return {};
  return Narrow(std::wstring_view(buf, n));
}

}  // namespace

const char* EditionName(uint8_t edition) {
  static const char* const kNames[] = {"None",         "Windows 95",    "Windows 95 OSR-2", "Windows 98",
                                       "Windows 98 SE", "Windows ME",    "Windows 9x New",   "Windows NT 3",
                                       "Windows NT 4",  "Windows 2000",  "Windows XP",       "Windows 2003",
                                       "Windows NT New"};
  return edition < sizeof kNames / sizeof kNames[0] ? kNames[edition] : kNames[0];
}

OSFlags ComputeOSFlags(const VersionData& v, const std::string& productName9x, const std::string& productNameNT) {
  OSFlags f;
  std::string csd = Trim(v.csd);
  if (v.platformId == VER_PLATFORM_WIN32_WINDOWS) {
    if (v.minor < 10) {
      if (csd == "B")
        f.IsWin95B = 1;
      else
        f.IsWin95 = 1;
    } else if (v.minor == 90) {
      f.IsWinME = 1;
    } else if (v.minor < 90) {
      if (Has(productName9x, "Windows ME"))
        f.IsWinME = 1;
      else if (csd == "A")
        f.IsWin98SE = 1;
      else
        f.IsWin98 = 1;
    }
  } else if (v.platformId == VER_PLATFORM_WIN32_NT) {
    if (v.major == 3)
      f.IsNT3 = 1;
    else if (v.major == 4)
      f.IsNT4 = 1;
    else if (v.major == 5) {
      if (v.minor == 1)
        f.IsWinXP = 1;
      else
        f.IsWin2000 = 1;
    }
    if (Has(productNameNT, "Windows XP")) {
      f.IsWin2000 = 0;
      f.IsWinXP = 1;
    }
  }
  if (v.platformId == VER_PLATFORM_WIN32_WINDOWS) {
    if (Has(productName9x, "Windows ME")) f.IsWinME = 1;
    if (Has(productName9x, "95")) {
      f.IsWin95 = 1;
      f.IsWin95B = f.IsWin98 = f.IsWin98SE = f.IsWinME = 0;
    }
  }
  // Every system of the NT family is NT, whatever its version; "unknown"
  // still means none of the systems known by name.
  f.IsNT = v.platformId == VER_PLATFORM_WIN32_NT ? 1 : 0;
  bool known = f.IsNT3 || f.IsNT4 || f.IsWin2000 || f.IsWinXP || f.IsWin95 || f.IsWin95B || f.IsWin98 ||
               f.IsWin98SE || f.IsWinME;
  f.IsUnknownOS = known ? 0 : 1;
  return f;
}

TOS ComputeOSInfo(const VersionData& v) {
  TOS os;
  os.MajorVersion = v.major;
  os.MinorVersion = v.minor;
  os.BuildNumber = v.build;
  os.ServicePack = v.csd.substr(0, 128);
  os.Is9x = v.platformId == VER_PLATFORM_WIN32_WINDOWS;
  os.IsNTFamily = v.platformId == VER_PLATFORM_WIN32_NT;
  uint8_t ed = kEdNone;
  if (os.Is9x) {
    os.BuildNumber &= 0xFFFF;
    uint32_t b = os.BuildNumber;
    if (v.major < 4)
      ed = kEdNone;
    else if (v.major > 4)
      ed = kEdWin9xNew;
    else if (v.minor < 10)
      ed = b < 1001 ? kEdWin95 : kEdWin95OSR2;
    else if (v.minor == 10)
      ed = b < 2001 ? kEdWin98 : b <= 2700 ? kEdWin98SE : kEdWinME;
    else if (v.minor <= 90)
      ed = kEdWinME;
    else
      ed = kEdWin9xNew;
    os.Edition9x = ed;
  } else if (os.IsNTFamily) {
    if (v.major < 4)
      ed = kEdNT3;
    else if (v.major == 4)
      ed = kEdNT4;
    else if (v.major == 5)
      ed = v.minor == 0 ? kEdWin2000 : v.minor == 1 ? kEdWinXP : v.minor == 2 ? kEdWin2003 : kEdNTNew;
    else
      ed = kEdNTNew;
    os.EditionNT = ed;
    // "Service Pack 2": the number from the 14th character on.
    if (os.ServicePack.size() >= 14)
      os.ServicePackNumber = static_cast<uint32_t>(
          ParseIntText(false, os.ServicePack.c_str() + 13, static_cast<int>(os.ServicePack.size() - 13)));
  }
  os.Edition = ed;
  os.Description = EditionName(ed);
  if (os.IsNTFamily && !os.ServicePack.empty()) os.Description += " " + os.ServicePack;
  return os;
}

VersionData QueryVersionData() {
  VersionData v;
  OSVERSIONINFOEXW vi{};
  vi.dwOSVersionInfoSize = sizeof vi;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&vi))) return v;
#pragma GCC diagnostic pop
  v.platformId = vi.dwPlatformId;
  v.major = vi.dwMajorVersion;
  v.minor = vi.dwMinorVersion;
  v.build = vi.dwBuildNumber;
  v.csd = Narrow(vi.szCSDVersion);
  return v;
}

TOS GetOSInfo() {
  static const TOS cached = ComputeOSInfo(QueryVersionData());
  return cached;
}

std::string ProgramFilePath() {
  std::wstring buf(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return {};
    if (n < buf.size()) {
      buf.resize(n);
      return Narrow(buf);
    }
    buf.assign(buf.size() * 2, L'\0');
  }
}

std::string AppDirFromExePath(const std::string& exePath) {
  size_t p = exePath.rfind('\\');
  return p == std::string::npos ? std::string() : exePath.substr(0, p);
}

std::string UserTempDirFrom(const std::string& localAppData) {
  if (!localAppData.empty()) {
    std::string parent = ExtractFileDir(ExcludeTrailingBackslash(localAppData));
    if (!parent.empty()) {
      std::string dir = parent + "\\TEMP";
      if (DirectoryExists(dir)) return dir;
    }
  }
  // The derived folder does not exist (as on every system after XP): the
  // user's temporary folder as the system names it.
  wchar_t buf[MAX_PATH + 2];
  DWORD n = GetTempPathW(MAX_PATH + 2, buf);
  if (n == 0 || n > MAX_PATH + 1) return {};
  return ExcludeTrailingBackslash(Narrow(std::wstring_view(buf, n)));
}

void InitAppEnvironment() {
  AppDir = AppDirFromExePath(ProgramFilePath());
  WinDir = SystemFolder(GetWindowsDirectoryW);
  SysDir = SystemFolder(GetSystemDirectoryW);
  WinTempDir = WinDir + "\\TEMP";
  UserTempDir = UserTempDirFrom(GetSpecialFolderDir(nullptr, CSIDL_LOCAL_APPDATA));

  VersionData v = QueryVersionData();
  std::string pn9x, pnNT;
  if (v.platformId == VER_PLATFORM_WIN32_WINDOWS) pn9x = RegGetString(HKEY_LOCAL_MACHINE, kKey9x, "ProductName");
  if (v.platformId == VER_PLATFORM_WIN32_NT) pnNT = RegGetString(HKEY_LOCAL_MACHINE, kKeyNT, "ProductName");
  OSFlags f = ComputeOSFlags(v, pn9x, pnNT);
  IsWin95 = f.IsWin95;
  IsWin95B = f.IsWin95B;
  IsWin98 = f.IsWin98;
  IsWin98SE = f.IsWin98SE;
  IsWinME = f.IsWinME;
  IsNT3 = f.IsNT3;
  IsNT4 = f.IsNT4;
  IsWin2000 = f.IsWin2000;
  IsWinXP = f.IsWinXP;
  IsNT = f.IsNT;
  IsUnknownOS = f.IsUnknownOS;
}

int32_t ParseIntText(bool hex, const char* text, int length) {
  if (!text || length <= 0) return 0;
  int i = 0;
  bool negative = false;
  if (text[0] == '-') {
    negative = true;
    i = 1;
  }
  const uint32_t base = hex ? 16 : 10;
  uint32_t value = 0;  // unsigned: a long number wraps, no overflow check
  for (; i < length; ++i) {
    int d = kDigits.value[static_cast<unsigned char>(text[i])];
    if (d < 0 || static_cast<uint32_t>(d) >= base) break;
    value = value * base + static_cast<uint32_t>(d);
  }
  if (negative) value = 0u - value;
  return static_cast<int32_t>(value);
}

}  // namespace qz
