// Times the Drive Cleaner's exception lists (run by bench/exception_lists.sh).
//   bench_lists <program folder\> <lines> <runs>
// Writes a folder list of <lines> lines (DC-Folders.txt) and an empty file
// list into the folder, then per run, on a settings key of its own:
//   "read <ms> <lines>"       a plain read of the list file, split into lines
//   "load <ms> <entries>"     LoadDriveExceptions, nothing in the registry yet
//   "save <ms>"               SaveDriveCleanerOptions of what was loaded (the
//                             first save: every name is written)
//   "reload <ms> <entries>"   LoadDriveExceptions, the registry holding them all
//   "resave <ms>"             SaveDriveCleanerOptions again (nothing new)
//   "apply <ms>"              the search's use of them: every entry to the
//                             engine's exclusions, then one prune of a tree
//   "open <ms>" / "close <ms>" the options window: created (loads and fills
//                             its exception tree), then its close's save
// Each line but "read" ends with "wait=<ms>": the longest time a posted
// message waited to be handled during that step.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "cleaning/drive/dc_options.h"
#include "cleaning/drive/dc_search.h"
#include "cleaning/drive/dc_settings.h"
#include "core/disk.h"
#include "core/globals.h"
#include "core/pump.h"
#include "core/registry.h"
#include "core/stringlist.h"
#include "core/text.h"
#include "ui/application.h"
#include "../bench_clock.h"

using namespace qz;
using namespace qz::dc;
using qz::bench::NowMs;

namespace {

// Lines like a downloaded folder list: absolute folders of about 31 bytes
// with their line ends (33,836 of them make the 1 MiB a download accepts).
std::string MakeList(int lines) {
  std::string text;
  for (int i = 0; i < lines; ++i)
    text += "C:\\Apps\\Firma " + std::to_string(100 + i % 900) + "\\Cache" + std::to_string(10000 + i) + "\\\r\n";
  return text;
}

// How long the GUI thread leaves a message waiting: a watcher thread posts a
// message whenever the last one was handled, and the window procedure notes
// how long it waited. The longest wait is the longest time the window did
// not answer.
std::atomic<bool> measuring{false}, pending{false};
std::atomic<double> postedAt{0}, gapMax{0};
HWND sink = nullptr;
constexpr UINT kProbe = WM_APP + 7;

LRESULT CALLBACK SinkProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kProbe) {
    const double waited = NowMs() - postedAt.load();
    if (measuring.load() && waited > gapMax.load()) gapMax.store(waited);
    pending.store(false);
    return 0;
  }
  return DefWindowProcW(h, msg, wp, lp);
}

void StartWatcher() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = SinkProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"QzBenchSink";
  RegisterClassW(&wc);
  sink = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  std::thread([] {
    for (;;) {
      Sleep(2);
      if (pending.load()) continue;
      pending.store(true);
      postedAt.store(NowMs());
      PostMessageW(sink, kProbe, 0, 0);
    }
  }).detach();
}

void StartGap() {
  gapMax.store(0);
  measuring.store(true);
}
void EndGap() {
  qz::PumpMessages();
  measuring.store(false);
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: bench_lists <program folder\\> <lines> <runs>\n");
    return 2;
  }
  const std::string dir = argv[1];
  const int lines = std::atoi(argv[2]), runs = std::atoi(argv[3]);
  CreateDirectoryW(Widen(dir).c_str(), nullptr);
  const std::string appDir = ExcludeTrailingBackslash(dir);
  if (!WriteFileBytes(FolderListPath(appDir), MakeList(lines)) || !WriteFileBytes(FileListPath(appDir), ""))
    return 3;
  StartWatcher();
  const std::string regKey = "Software\\QZBench\\Lists";
  AppDir = appDir;
  ProductRegKey = regKey;
  SettingsLocation loc;
  loc.root = HKEY_LOCAL_MACHINE;
  loc.key = OptionsKey("DC");
  // One line per step: what, milliseconds, [count], and the longest time a
  // message waited during the step ("wait=<ms>").
  auto print = [](const char* what, double ms, long long n = -1) {
    PumpMessages();
    const double wait = gapMax.exchange(0);
    if (n >= 0)
      std::printf("%s %.2f %lld wait=%.1f\n", what, ms, n, wait);
    else
      std::printf("%s %.2f wait=%.1f\n", what, ms, wait);
    std::fflush(stdout);
  };

  for (int r = 0; r < runs; ++r) {
    RegRemoveKey(HKEY_LOCAL_MACHINE, regKey);
    double t0 = NowMs();
    std::string text;
    LoadTextFile(FolderListPath(appDir), text);
    size_t n = SplitLines(text).size();
    print("read", NowMs() - t0, static_cast<long long>(n));
    if (r == 0) std::printf("bytes %zu\n", text.size());

    DriveCleanerSettings s;
    StartGap();
    t0 = NowMs();
    LoadDriveExceptions(loc, appDir, s.Exceptions);
    print("load", NowMs() - t0, static_cast<long long>(s.Exceptions.size()));
    t0 = NowMs();
    bool saved = SaveDriveCleanerOptions(loc, s);
    print("save", NowMs() - t0);
    if (!saved) return 4;
    t0 = NowMs();
    LoadDriveExceptions(loc, appDir, s.Exceptions);
    print("reload", NowMs() - t0, static_cast<long long>(s.Exceptions.size()));
    t0 = NowMs();
    SaveDriveCleanerOptions(loc, s);
    print("resave", NowMs() - t0);

    t0 = NowMs();
    {
      ui::VTreeModel tree;
      DriveScanEngine e;
      e.ScanTree = &tree;
      SearchSettings search;
      search.Exceptions = s.Exceptions;
      e.PrepareDriveScan();
      for (const ExceptionEntry& x : search.Exceptions) {
        if (!x.IsBuiltIn) x.IsFolder ? e.AddUserFolderException(x.Path) : e.AddFileException(x.Path);
        PumpMessagesThrottled();  // as the search applies them
      }
      ui::VNode* cat = AddCategory(tree, "tmp", 0);
      for (int i = 0; i < 2000; ++i) {
        DriveScanNode d;
        d.Folder = "C:\\Apps\\Firma " + std::to_string(100 + i % 900) + "\\Cache" + std::to_string(10000 + i * 7);
        d.FileName = "x.tmp";
        tree.AddChild(cat, std::move(d));
      }
      PruneExceptions(e, tree);
    }
    print("apply", NowMs() - t0);

    t0 = NowMs();
    {
      std::unique_ptr<TForm_DC_Options> w(new TForm_DC_Options(nullptr));
      w->DoCreate();
      print("open", NowMs() - t0);
      t0 = NowMs();
      w->SaveDriveCleanerOptions();
      print("close", NowMs() - t0);
    }
    EndGap();
  }
  RegRemoveKey(HKEY_LOCAL_MACHINE, regKey);
  return 0;
}
