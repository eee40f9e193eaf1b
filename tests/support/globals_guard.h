// Saves every program-wide variable a test may change and puts it back
// afterwards, so each test starts from the same globals.
#pragma once

#include <cstdint>
#include <string>

#include "core/globals.h"
#include "core/stringlist.h"

namespace qz::test {

class GlobalsGuard {
 public:
  GlobalsGuard() = default;
  ~GlobalsGuard() {
    ProductTitle = productTitle_;
    ProductRegKey = productRegKey_;
    AppDir = appDir_;
    WinDir = winDir_;
    SysDir = sysDir_;
    WinTempDir = winTempDir_;
    UserTempDir = userTempDir_;
    LanguageID = languageId_;
    LanguageList = languageList_;
    SkinList = skinList_;
    SkinDir = skinDir_;
    TranslationFile = translationFile_;
    TranslationList = translationList_;
    AbortFlag = abortFlag_;
    OcoRunning = ocoRunning_;
  }
  GlobalsGuard(const GlobalsGuard&) = delete;
  GlobalsGuard& operator=(const GlobalsGuard&) = delete;

 private:
  std::string productTitle_ = ProductTitle, productRegKey_ = ProductRegKey;
  std::string appDir_ = AppDir, winDir_ = WinDir, sysDir_ = SysDir, winTempDir_ = WinTempDir,
              userTempDir_ = UserTempDir;
  int32_t languageId_ = LanguageID;
  StringList languageList_ = LanguageList, skinList_ = SkinList;
  std::string skinDir_ = SkinDir, translationFile_ = TranslationFile;
  StringList translationList_ = TranslationList;
  uint8_t abortFlag_ = AbortFlag, ocoRunning_ = OcoRunning;
};

}  // namespace qz::test
