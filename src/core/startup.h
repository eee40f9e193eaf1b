// The program's start, in its fixed order. The steps that later parts of the
// program provide (skin and language choice, main window and splash, news
// channels, first-run notice, one-click start) are hooks; what the start-up
// itself does rests only on the registry and file helpers.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace qz {

// The single-instance guard: the named mutex "ZAMO2", created initially
// owned. When it already exists another copy runs, and this one must end at
// once and silently (no message, the other copy is not brought forward).
// The handle stays open for the guard's lifetime.
class SingleInstanceGuard {
 public:
  static constexpr const wchar_t* kMutexName = L"ZAMO2";
  SingleInstanceGuard();
  ~SingleInstanceGuard();
  SingleInstanceGuard(const SingleInstanceGuard&) = delete;
  SingleInstanceGuard& operator=(const SingleInstanceGuard&) = delete;
  // True when the mutex existed before (error 183): end silently.
  bool AnotherInstanceRuns() const { return alreadyExists_; }
  void Release();  // closes the handle (done by the destructor too)

 private:
  HANDLE mutex_ = nullptr;
  bool alreadyExists_ = false;
};

struct StartupHooks {
  // Chooses SkinDir. False when the default skin is missing (its box was
  // shown): the program then ends.
  std::function<bool()> initSkins;
  // Chooses LanguageID (and fills LanguageList).
  std::function<void()> initLanguage;
  // Creates the main window (which translates itself) and the splash window,
  // builds the main window from the skin and frees the splash. Returns the
  // main window; nullptr ends the program.
  std::function<HWND()> createMainWindow;
  // Starts the news channels with the main window as parent.
  std::function<void(HWND)> startNews;
  // Shows the first-run notice when it is due.
  std::function<void(HWND)> firstRunNotice;
  // Runs the One-Click-Optimizer as if its button had been pressed.
  std::function<void(HWND)> runOneClick;
  // The message loop; the default is a plain GetMessage loop. Returns the
  // exit code.
  std::function<int()> messageLoop;
};

// Step 4: TranslationFile := AppDir\Translation\<LanguageID>.ini; when that is
// missing LanguageID falls back to 1033. False when neither file exists (or
// it cannot be read): the program then ends silently. Otherwise the whole
// file is loaded into TranslationList.
bool LoadLanguageFile();

// True when the upper-cased first argument contains "OCO".
bool FirstArgumentAsksForOneClick(const std::vector<std::string>& args);
// The program's arguments (without the program name), UTF-8.
std::vector<std::string> ProgramArguments();

// The plain message loop.
int RunMessageLoop();

// Runs the start-up after the unit start (library mutex, single-instance
// guard, COM): product title and key, folders and OS flags, OcoRunning := 0,
// skin and language choice, the language file, the main window, news,
// first-run notice, one-click start, message loop. Returns the exit code
// (0 also for the silent end when no language file exists).
int RunStartup(const StartupHooks& hooks, const std::vector<std::string>& args);

}  // namespace qz
