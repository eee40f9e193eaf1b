// Saves the program-wide state the tests of this program change and puts it
// back afterwards, so each test starts from the same globals.
#pragma once

#include <string>

#include "core/globals.h"
#include "core/stringlist.h"

namespace qz::test {

class GlobalsGuard {
 public:
  GlobalsGuard()
      : appDir_(AppDir), winTempDir_(WinTempDir), productRegKey_(ProductRegKey), languageId_(LanguageID),
        languageList_(LanguageList), skinList_(SkinList), skinDir_(SkinDir), translationFile_(TranslationFile),
        translationList_(TranslationList) {}
  ~GlobalsGuard() {
    AppDir = appDir_;
    WinTempDir = winTempDir_;
    ProductRegKey = productRegKey_;
    LanguageID = languageId_;
    LanguageList = languageList_;
    SkinList = skinList_;
    SkinDir = skinDir_;
    TranslationFile = translationFile_;
    TranslationList = translationList_;
  }
  GlobalsGuard(const GlobalsGuard&) = delete;
  GlobalsGuard& operator=(const GlobalsGuard&) = delete;

 private:
  std::string appDir_, winTempDir_, productRegKey_;
  int32_t languageId_;
  StringList languageList_, skinList_;
  std::string skinDir_, translationFile_;
  StringList translationList_;
};

}  // namespace qz::test
