// Which other browsers are installed and which profiles they have, for the
// Internet Cleaner's options and scan. No window code.
//
// Mozilla-family products are the sub-keys of "Software\Mozilla" whose
// "\bin" key names an existing program in "PathToExe"; a name holding
// "FIREFOX" is Firefox, "NETSCAPE" Netscape, any other Mozilla (a later name
// of a kind replaces an earlier one). Opera 7 is installed when
// "Software\Opera Software" has a value whose name begins with
// "Last CommandLine v2" (letter case ignored).
//
// Profiles: Mozilla and Netscape from the Mozilla folder's "registry.dat"
// (each "directory" entry; read-only, at most 16 MiB, never raising),
// Firefox from "profiles.ini" (a tolerant reader of its own, below); Opera's
// profile folder is the first of Opera75, Opera7 (else Opera) below the
// application-data folder's "Opera\".
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "core/stringlist.h"

namespace qz::ic {

// As the options store it in "Browser".
enum class Browser : int { InternetExplorer = 0, Mozilla = 1, Firefox = 2, Opera = 3, Netscape = 4 };

// Where the browsers keep their traces: the program uses the user's own
// places, tests scratch ones.
struct BrowserEnvironment {
  std::string AppDataFolder;            // CSIDL_APPDATA with a trailing backslash
  HKEY RegistryRoot = HKEY_CURRENT_USER;
  std::string RegistryPrefix;           // put before "Software\..." ("" in the program)
  // Folders no profile may be or contain: Windows, system, program files,
  // the user's profile folder.
  StringList ProtectedFolders;

  static BrowserEnvironment FromSystem();
  std::string Key(const std::string& path) const { return RegistryPrefix + path; }
  std::string MozillaFolder() const { return AppDataFolder + "Mozilla\\"; }
  std::string FirefoxFolder() const { return AppDataFolder + "Mozilla\\FireFox\\"; }
};

struct BrowserProfile {
  std::string Name;
  std::string Path;  // the profile folder as its list gives it
};

// Product names with an existing program, in registry order.
StringList ListMozillaProducts(const BrowserEnvironment& env);
struct MozillaBrowsers {
  std::string Firefox, Netscape, Mozilla;  // the product name of each, "" when none
};
MozillaBrowsers ClassifyMozillaProducts(const StringList& products);
MozillaBrowsers FindMozillaBrowsers(const BrowserEnvironment& env);
// Internet Explorer always counts as installed.
bool IsBrowserInstalled(Browser browser, const BrowserEnvironment& env);

// "registry.dat": every "directory" (case-sensitive) is followed by one byte
// and the folder up to the next NUL (empty when none follows). The name is
// the folder's parent's last part ("...\Profiles\default\x1y2.slt" gives
// "default"). Folder bytes are UTF-8 when valid, else the ANSI code page.
std::vector<BrowserProfile> ParseRegistryDat(std::string_view bytes);
std::vector<BrowserProfile> ReadMozillaRegistryDat(const BrowserEnvironment& env);

// "profiles.ini", read tolerantly: a BOM is skipped; UTF-8 when valid, else
// the ANSI code page; lines end in CR LF or LF; keys and values are trimmed
// of blanks and one pair of surrounding quotes; keys ignore letter case and
// the first of a section wins; lines beginning ";" or "#", lines without
// "=" and a "[" line without "]" are ignored. Every section with a "Path"
// gives a profile, in file order; "IsRelative" = 1 (as a number) puts the
// Firefox folder before the path; "/" becomes "\".
std::vector<BrowserProfile> ParseProfilesIni(std::string_view bytes, const std::string& firefoxFolder);
std::vector<BrowserProfile> ReadFirefoxProfilesIni(const BrowserEnvironment& env);

// The profiles of a browser (Internet Explorer and Opera have none here).
std::vector<BrowserProfile> LoadBrowserProfiles(Browser browser, const BrowserEnvironment& env);

std::string OperaProfileFolder(const BrowserEnvironment& env);

// A profile folder the cleaner may list files of (everything a scan lists is
// deleted when the One-Click-Optimizer runs): an absolute path (drive or
// network share) without a ".." part, not a drive root, not the
// application-data folder itself, and neither equal to nor above a protected
// folder.
bool IsAcceptableProfileFolder(const std::string& folder, const BrowserEnvironment& env);

}  // namespace qz::ic
