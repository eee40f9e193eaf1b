// Program-wide state, set up once by the start-up and read by every subsystem.
// Folder strings have no trailing backslash.
#pragma once

#include <cstdint>
#include <string>

#include "core/stringlist.h"

namespace qz {

inline constexpr const char* kProductTitle = "Brinvale Sysvantor Quenzal Suite 2";
inline constexpr const char* kProductRegKey = "Software\\Brinvale\\Brinvale Sysvantor Quenzal Suite 2";
inline constexpr const char* kProductVersion = "2.10";

extern std::string ProductTitle;   // also the application title
extern std::string ProductRegKey;  // below HKEY_LOCAL_MACHINE

extern std::string AppDir;       // folder of the program file
extern std::string WinDir;       // GetWindowsDirectory
extern std::string SysDir;       // GetSystemDirectory
extern std::string WinTempDir;   // WinDir + "\TEMP"
extern std::string UserTempDir;  // the user's temporary folder

extern int32_t LanguageID;          // LCID of the user interface, default 1033
extern StringList LanguageList;     // LCIDs (decimal text) of the shipped language files
extern StringList SkinList;         // skin folder names
extern std::string SkinDir;         // chosen skin folder
extern std::string TranslationFile; // AppDir + "\Translation\" + LanguageID + ".ini"
extern StringList TranslationList;  // the whole language file

// 1 = stop: set by every Cancel button, cleared at the start of each search
// or delete, tested between items by every long loop. GUI thread only.
extern volatile uint8_t AbortFlag;
// 1 while the One-Click-Optimizer drives hidden module windows.
extern uint8_t OcoRunning;

// Operating-system flags (InitAppEnvironment). Only IsNT is read elsewhere.
extern uint8_t IsWin95, IsWin95B, IsWin98, IsWin98SE, IsWinME, IsNT3, IsNT4,
    IsWin2000, IsWinXP, IsNT, IsUnknownOS;

// HKEY_LOCAL_MACHINE\ProductRegKey + "\Options" (+ "\" + module when given).
std::string OptionsKey(const std::string& module = {});

}  // namespace qz
