#include "core/globals.h"

namespace qz {

std::string ProductTitle = kProductTitle;
std::string ProductRegKey = kProductRegKey;

std::string AppDir, WinDir, SysDir, WinTempDir, UserTempDir;

int32_t LanguageID = 1033;
StringList LanguageList;
StringList SkinList;
std::string SkinDir;
std::string TranslationFile;
StringList TranslationList;

volatile uint8_t AbortFlag = 0;
uint8_t OcoRunning = 0;

uint8_t IsWin95 = 0, IsWin95B = 0, IsWin98 = 0, IsWin98SE = 0, IsWinME = 0, IsNT3 = 0, IsNT4 = 0,
        IsWin2000 = 0, IsWinXP = 0, IsNT = 0, IsUnknownOS = 0;

std::string OptionsKey(const std::string& module) {
  std::string k = ProductRegKey + "\\Options";
  if (!module.empty()) k += "\\" + module;
  return k;
}

}  // namespace qz
