#include "core/language.h"

#include <windows.h>

#include "core/disk.h"
#include "core/globals.h"
#include "core/ini.h"
#include "core/msgbox.h"
#include "core/registry.h"
#include "core/text.h"

namespace qz {

std::string TranslationDir() { return AppDir + "\\Translation"; }

std::string DialectsFile() { return TranslationDir() + "\\DIALECTS.INI"; }

std::string LanguageFileFor(int32_t lcid) { return TranslationDir() + "\\" + IntToStr(lcid) + ".ini"; }

void BuildLanguageList() {
  LanguageList.clear();
  StringList files;
  FindFiles(TranslationDir() + "\\", "*.ini", files);
  for (const std::string& path : files) {
    std::string name = ExtractFileName(path);
    // Only the file name decides: a folder called "Dialects" above the
    // program must not hide every language.
    if (IContains(name, "DIALECTS")) continue;
    if (name.size() < 4) continue;
    LanguageList.push_back(name.substr(0, name.size() - 4));
  }
}

void InitLanguage() { InitLanguage(static_cast<int32_t>(GetSystemDefaultLangID())); }

void InitLanguage(int32_t systemLanguageId) {
  BuildLanguageList();
  LanguageID = 1033;

  if (RegHasValue(HKEY_LOCAL_MACHINE, ProductRegKey, "ForceLanguageID")) {
    std::string forced = RegGetString(HKEY_LOCAL_MACHINE, ProductRegKey, "ForceLanguageID");
    // An installed file whose name is no number goes on with the system language.
    if (ContainsI(LanguageList, forced)) {
      if (auto id = TryParseInt(forced)) {
        LanguageID = *id;
        return;
      }
    }
  }

  const std::string sys = IntToStr(systemLanguageId);
  if (ContainsI(LanguageList, sys)) {
    if (systemLanguageId > 0) LanguageID = systemLanguageId;
    return;
  }

  if (FileExists(DialectsFile())) {
    std::string mapped = IniReadString(DialectsFile(), "dialects", sys);
    if (!mapped.empty() && ContainsI(LanguageList, mapped)) {
      auto id = TryParseInt(mapped);
      LanguageID = id ? *id : 1033;
    }
  }
}

bool InitSkins() {
  SkinList.clear();
  const std::string skins = AppDir + "\\Skins\\";
  SkinDir = skins + "default";
  if (!DirectoryExists(SkinDir)) {
    ShowMessageBox(nullptr, "Skin \"default\" is not present!!! Please reinstall this application.",
                   MsgKind::Error, MsgButtons::Ok, "Fatal Error");
    return false;
  }
  ListSubfolders(skins, SkinList);
  std::string use = RegGetString(HKEY_LOCAL_MACHINE, ProductRegKey, "UseSkin");
  if (!use.empty()) {
    for (const std::string& s : SkinList)
      if (IEquals(s, use)) SkinDir = skins + use;
  }
  return true;
}

std::string GetLanguageName(int32_t lcid) {
  // The buffer is left untouched when the system knows no name, so it must
  // start empty and the result must be checked.
  wchar_t buf[512] = {};
  DWORD n = VerLanguageNameW(static_cast<DWORD>(lcid), buf, 512);
  if (n == 0 || n >= 512) return {};
  return Narrow(std::wstring_view(buf, n));
}

}  // namespace qz
