#include "core/startup.h"

#include <shellapi.h>

#include "core/disk.h"
#include "core/globals.h"
#include "core/language.h"
#include "core/osinfo.h"
#include "core/stringlist.h"
#include "core/text.h"
#include "core/translation.h"

namespace qz {

SingleInstanceGuard::SingleInstanceGuard() {
  mutex_ = CreateMutexW(nullptr, TRUE, kMutexName);
  alreadyExists_ = GetLastError() == ERROR_ALREADY_EXISTS;
}

SingleInstanceGuard::~SingleInstanceGuard() { Release(); }

void SingleInstanceGuard::Release() {
  if (mutex_) CloseHandle(mutex_);
  mutex_ = nullptr;
}

bool LoadLanguageFile() {
  TranslationList.clear();
  TranslationFile = LanguageFileFor(LanguageID);
  if (!FileExists(TranslationFile)) {
    LanguageID = 1033;
    TranslationFile = LanguageFileFor(LanguageID);
    if (!FileExists(TranslationFile)) return false;
  }
  return LoadLanguageLines(TranslationFile, TranslationList);
}

bool FirstArgumentAsksForOneClick(const std::vector<std::string>& args) {
  return !args.empty() && UpperAscii(args[0]).find("OCO") != std::string::npos;
}

std::vector<std::string> ProgramArguments() {
  std::vector<std::string> out;
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv) return out;
  for (int i = 1; i < argc; ++i) out.push_back(Narrow(argv[i]));
  LocalFree(argv);
  return out;
}

int RunMessageLoop() {
  MSG msg;
  BOOL r;
  while ((r = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
    if (r == -1) break;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return r == 0 ? static_cast<int>(msg.wParam) : 0;
}

int RunStartup(const StartupHooks& hooks, const std::vector<std::string>& args) {
  ProductTitle = kProductTitle;
  ProductRegKey = kProductRegKey;
  InitAppEnvironment();
  OcoRunning = 0;
  if (hooks.initSkins && !hooks.initSkins()) return 0;
  if (hooks.initLanguage) hooks.initLanguage();

  // No language file for the chosen language nor for 1033: end without a word.
  if (!LoadLanguageFile()) return 0;

  HWND main = hooks.createMainWindow ? hooks.createMainWindow() : nullptr;
  if (!main) return 0;

  if (hooks.startNews) hooks.startNews(main);
  if (hooks.firstRunNotice) hooks.firstRunNotice(main);
  SetForegroundWindow(main);

  if (FirstArgumentAsksForOneClick(args) && hooks.runOneClick) hooks.runOneClick(main);

  return hooks.messageLoop ? hooks.messageLoop() : RunMessageLoop();
}

}  // namespace qz
