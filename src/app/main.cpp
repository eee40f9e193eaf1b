// Program entry: the unit start (library mutex, single-instance guard, COM,
// GDI+), then the start-up in its fixed order, then the unit end in reverse.
#include <objbase.h>
#include <windows.h>

#include "core/globals.h"
#include "core/help.h"
#include "core/language.h"
#include "core/startup.h"
#include "shell/main_window.h"
#include "shell/module_table.h"
#include "shell/news_bridge.h"
#include "shell/startup_trace.h"
#include "skin/library_mutex.h"
#include "ui/application.h"
#include "ui/gdiplus_session.h"
#include "ui/help_router.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  qz::shell::TraceInit();
  qz::shell::TraceStep("entry");
  qz::LibraryMutex libraryMutex;  // first made, last closed

  int exitCode = 0;
  {
    qz::SingleInstanceGuard guard;
    if (guard.AnotherInstanceRuns()) return 0;

    HRESULT com = CoInitialize(nullptr);
    {
      qz::ui::GdiplusSession gdiplus;
      qz::ui::App().SetTitle(qz::kProductTitle);
      qz::shell::RegisterBuiltInModules();

      const std::vector<std::string> args = qz::ProgramArguments();
      // With the "OCO" switch the optimiser runs before the main window shows.
      const bool oneClickStart = qz::FirstArgumentAsksForOneClick(args);
      qz::shell::TForm_ZAMO2* mainWindow = nullptr;
      qz::StartupHooks hooks;
      hooks.initSkins = [] {
        bool ok = qz::InitSkins();
        qz::shell::TraceStep("skins");
        return ok;
      };
      hooks.initLanguage = [] {
        qz::InitLanguage();
        qz::shell::TraceStep("language");
      };
      hooks.createMainWindow = [&]() -> HWND {
        qz::shell::TraceStep("language-file");
        qz::ui::App().SetTitle(qz::ProductTitle);
        mainWindow = qz::shell::CreateMainWindowWithSplash(!oneClickStart);
        if (!mainWindow) return nullptr;
        qz::ConnectApplicationHelp(qz::ui::App());
        return mainWindow->Handle();
      };
      hooks.startNews = [](HWND main) {
        qz::shell::StartInfoChannels(main);
        qz::shell::TraceStep("news");
      };
      hooks.firstRunNotice = [&](HWND) {
        qz::ui::Guarded([&] { mainWindow->ShowFirstRunNotice(); });
        qz::shell::TraceStep("first-run");
      };
      hooks.runOneClick = [&](HWND) {
        qz::ui::Guarded([&] { mainWindow->RunOneClickFromCommandLine(); });
        qz::shell::TraceStep("one-click");
      };
      hooks.messageLoop = [] {
        qz::shell::TraceStep("message-loop");
        qz::ui::App().Run();
        return 0;
      };
      exitCode = qz::RunStartup(hooks, args);
      qz::FreeHtmlHelp();  // closes the help windows, then frees the library
      delete mainWindow;   // before GDI+ and COM end
      qz::shell::TraceStep("exit");
    }
    guard.Release();
    if (SUCCEEDED(com)) CoUninitialize();
  }
  return exitCode;
}
