// Start-up: the language file, the one-click switch, the message pump, the
// library mutex, and the program itself started as a process: a second copy
// and a copy without language files end at once and silently.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>

#include "core/disk.h"
#include "core/globals.h"
#include "core/registry.h"
#include "core/pump.h"
#include "core/startup.h"
#include "core/text.h"
#include "skin/library_mutex.h"
#include "skin/skin_test_util.h"
#include "support/pump_clock.h"
#include "support/globals_guard.h"
#include "support/sandbox.h"

namespace qz {
namespace {

const std::string kProgramDir = test::InstalledProgramDir();
const std::string kProgram = kProgramDir + "\\QuenzalSuite2.exe";

using test::GlobalsGuard;

TEST(LanguageFile, ChosenLanguageThenFallbackThenNothing) {
  GlobalsGuard keep;
  test::ScratchDir d("core-langfile");
  AppDir = ExcludeTrailingBackslash(d.path());
  d.Write("Translation\\1031.ini", "[TForm_ZAMO2]\r\nA=Eins\rB=Zwei\nC=Drei\r\n");
  d.Write("Translation\\1033.ini", "[TForm_ZAMO2]\r\nA=One\r\n");

  LanguageID = 1031;
  ASSERT_TRUE(LoadLanguageFile());
  EXPECT_EQ(LanguageID, 1031);
  EXPECT_EQ(TranslationFile, d / "Translation\\1031.ini");
  EXPECT_EQ(TranslationList, (StringList{"[TForm_ZAMO2]", "A=Eins", "B=Zwei", "C=Drei"}));

  LanguageID = 1036;  // no such file: 1033
  ASSERT_TRUE(LoadLanguageFile());
  EXPECT_EQ(LanguageID, 1033);
  EXPECT_EQ(TranslationFile, d / "Translation\\1033.ini");
  EXPECT_EQ(TranslationList, (StringList{"[TForm_ZAMO2]", "A=One"}));

  DeleteFileW(Widen(d / "Translation\\1033.ini").c_str());
  LanguageID = 1036;
  EXPECT_FALSE(LoadLanguageFile());
  EXPECT_TRUE(TranslationList.empty());
}

TEST(Startup, OneClickSwitchInTheFirstArgument) {
  EXPECT_TRUE(FirstArgumentAsksForOneClick({"/oco"}));
  EXPECT_TRUE(FirstArgumentAsksForOneClick({"-runOcOnow"}));
  EXPECT_TRUE(FirstArgumentAsksForOneClick({"OCO", "x"}));
  EXPECT_FALSE(FirstArgumentAsksForOneClick({}));
  EXPECT_FALSE(FirstArgumentAsksForOneClick({"/x", "OCO"}));
  EXPECT_FALSE(FirstArgumentAsksForOneClick({"/OC O"}));
}

TEST(Pump, ThrottledByTimeAndReplaceable) {
  int calls = 0;
  SetMessagePump([&] { ++calls; });
  {
    test::TestPumpClock clock;
    PumpMessages();
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(PumpMessagesThrottled(20));  // just pumped
    clock.Advance(19);
    EXPECT_FALSE(PumpMessagesThrottled(20));
    EXPECT_EQ(calls, 1);
    clock.Advance(1);
    EXPECT_TRUE(PumpMessagesThrottled(20));
    EXPECT_EQ(calls, 2);
  }
  // On the real clock the first throttled call after a pump waits.
  PumpMessages();
  EXPECT_FALSE(PumpMessagesThrottled(10000));
  EXPECT_EQ(calls, 3);
  SetMessagePump(nullptr);

  // The plain pump keeps a WM_QUIT for the message loop.
  PostQuitMessage(3);
  PumpMessages();
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 3u);
}

TEST(LibraryMutex, NamedAfterTheUpperCasedFileName) {
  struct Row {
    const char* path;
    const char* name;
  };
  const Row rows[] = {
      {"C:\\Program Files\\X\\quenzalsuite2.exe", "QUENZALSUITE2.EXE"},
      {"C:\\a\\b\\Prog.Exe", "PROG.EXE"},
      {"D:\\other\\prog.exe", "PROG.EXE"},  // same file name in another folder: the same mutex
      {"C:prog.exe", "PROG.EXE"},
      {"C:\\x\\äb.exe", "äB.EXE"},  // only ASCII letters change
      {"prog", "PROG"},
  };
  for (const auto& r : rows) EXPECT_EQ(LibraryMutexName(r.path), r.name) << r.path;

  // This test program's own mutex lives as long as the object.
  {
    LibraryMutex m;
    ASSERT_NE(m.handle(), nullptr);
    HANDLE h = OpenMutexW(SYNCHRONIZE, FALSE, L"TEST_CORE.EXE");
    EXPECT_NE(h, nullptr);
    if (h) CloseHandle(h);
  }
  EXPECT_EQ(OpenMutexW(SYNCHRONIZE, FALSE, L"TEST_CORE.EXE"), nullptr);
}

// ---- the program as a process ---------------------------------------------

bool MutexExists(const wchar_t* name) {
  HANDLE h = OpenMutexW(SYNCHRONIZE, FALSE, name);
  if (h) CloseHandle(h);
  return h != nullptr;
}

// Waits until no copy of the program runs (another test may start one).
bool NoCopyRuns() {
  for (int i = 0; i < 300 && MutexExists(L"ZAMO2"); ++i) Sleep(100);
  return !MutexExists(L"ZAMO2");
}

class Child {
 public:
  ~Child() {
    if (pi_.hProcess) {
      if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi_.hProcess, 99);
      CloseHandle(pi_.hProcess);
      CloseHandle(pi_.hThread);
    }
  }
  bool Start(const std::string& exe) {
    std::wstring cmd = L"\"" + Widen(exe) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    std::wstring dir = Widen(ExtractFileDir(exe));
    return CreateProcessW(Widen(exe).c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si,
                          &pi_);
  }
  // The first visible top-level window of the process.
  HWND VisibleWindow() const {
    return FindVisibleWindow([](HWND) { return true; });
  }
  // The visible main window of the process: the form named TForm_ZAMO2 (the
  // splash carries the product title too).
  HWND MainWindow() const {
    return FindVisibleWindow([](HWND w) {
      wchar_t name[64] = {};
      auto atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropW(w, L"QZName")));
      return atom && GlobalGetAtomNameW(atom, name, 64) && wcscmp(name, L"TForm_ZAMO2") == 0;
    });
  }
  // Watches the process until it ends or the time is up; notes any visible window.
  bool WaitEnd(DWORD ms, bool* sawWindow = nullptr) {
    ULONGLONG until = GetTickCount64() + ms;
    while (GetTickCount64() < until) {
      if (sawWindow && VisibleWindow()) *sawWindow = true;
      if (WaitForSingleObject(pi_.hProcess, 5) == WAIT_OBJECT_0) return true;
    }
    return false;
  }
  HWND WaitMainWindow(DWORD ms) {
    ULONGLONG until = GetTickCount64() + ms;
    while (GetTickCount64() < until) {
      if (HWND w = MainWindow()) return w;
      if (WaitForSingleObject(pi_.hProcess, 20) == WAIT_OBJECT_0) return nullptr;
    }
    return nullptr;
  }
  DWORD ExitCode() const {
    DWORD code = 0;
    GetExitCodeProcess(pi_.hProcess, &code);
    return code;
  }

 private:
  // The first visible top-level window of the process that `match` accepts.
  HWND FindVisibleWindow(const std::function<bool(HWND)>& match) const {
    struct Search {
      DWORD pid;
      const std::function<bool(HWND)>* match;
      HWND found;
    } s{pi_.dwProcessId, &match, nullptr};
    EnumWindows(
        [](HWND w, LPARAM lp) -> BOOL {
          auto* s = reinterpret_cast<Search*>(lp);
          DWORD pid = 0;
          GetWindowThreadProcessId(w, &pid);
          if (pid != s->pid || !IsWindowVisible(w) || !(*s->match)(w)) return TRUE;
          s->found = w;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
  }

  PROCESS_INFORMATION pi_{};
};

TEST(ProgramProcess, StartsWithItsMainWindowAndClosesNormally) {
  ASSERT_TRUE(FileExists(kProgram)) << "program not installed: run through ./test.sh";
  ASSERT_TRUE(NoCopyRuns());
  // No first-run notice in the way of the close.
  RegSetIntegerChecked(HKEY_LOCAL_MACHINE, ProductRegKey, "FirstRunDone", 1);
  Child c;
  ASSERT_TRUE(c.Start(kProgram));
  HWND w = c.WaitMainWindow(30000);
  ASSERT_NE(w, nullptr) << "no main window";
  wchar_t title[256] = {};
  GetWindowTextW(w, title, 256);
  EXPECT_EQ(Narrow(title), kProductTitle);
  EXPECT_TRUE(MutexExists(L"ZAMO2"));
  EXPECT_TRUE(MutexExists(L"QUENZALSUITE2.EXE"));
  PostMessageW(w, WM_CLOSE, 0, 0);
  ASSERT_TRUE(c.WaitEnd(15000));
  EXPECT_EQ(c.ExitCode(), 0u);
  EXPECT_FALSE(MutexExists(L"ZAMO2"));
  EXPECT_FALSE(MutexExists(L"QUENZALSUITE2.EXE"));
}

TEST(ProgramProcess, SecondCopyEndsAtOnceAndSilently) {
  ASSERT_TRUE(FileExists(kProgram)) << "program not installed: run through ./test.sh";
  ASSERT_TRUE(NoCopyRuns());
  // This test holds "ZAMO2" as a running first copy would.
  HANDLE first = CreateMutexW(nullptr, TRUE, L"ZAMO2");
  ASSERT_NE(first, nullptr);
  Child c;
  ASSERT_TRUE(c.Start(kProgram));
  bool window = false;
  ULONGLONG t0 = GetTickCount64();
  EXPECT_TRUE(c.WaitEnd(15000, &window)) << "the second copy did not end";
  EXPECT_LT(GetTickCount64() - t0, 5000u);
  EXPECT_FALSE(window) << "the second copy showed a window";
  EXPECT_EQ(c.ExitCode(), 0u);
  CloseHandle(first);
}

TEST(ProgramProcess, MissingLanguageFileEndsSilently) {
  ASSERT_TRUE(FileExists(kProgram)) << "program not installed: run through ./test.sh";
  test::ScratchDir d("core-nolanguage");
  // The installed program and its data, without the folder "Translation".
  test::CopyTree(kProgramDir, d / "app", "Translation");
  ASSERT_TRUE(FileExists(d / "app\\QuenzalSuite2.exe"));
  ASSERT_FALSE(PathExists(d / "app\\Translation"));
  ASSERT_TRUE(NoCopyRuns());
  Child c;
  ASSERT_TRUE(c.Start(d / "app\\QuenzalSuite2.exe"));
  bool window = false;
  EXPECT_TRUE(c.WaitEnd(20000, &window)) << "the program did not end";
  EXPECT_FALSE(window) << "a window was shown";
  EXPECT_EQ(c.ExitCode(), 0u);
}

}  // namespace
}  // namespace qz
