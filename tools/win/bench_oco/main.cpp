// Times the One-Click-Optimizer against its three cleaners run alone (run by
// bench/one_click.sh, in a throw-away sandbox; built, not installed).
//   bench_oco <firefox|ie> <runs>
// Settings are stored under a key of the benchmark's own (ProductRegKey): the
// Drive Cleaner searches drive D: only (no temporary folders), the Registry
// Cleaner every kind but the fonts on drive C:, the Internet Cleaner the
// given browser. Before every measurement a fresh set is planted (names
// unique per set, so nothing of an earlier set is met again):
//   - 20,000 junk files (*.tmp, *.bak, *.old, 1 byte) in 100 folders on D:;
//   - 2,000 orphaned registry entries: 1,000 App Paths keys and 1,000
//     SharedDLLs values naming files that do not exist;
//   - firefox: 5,000 cache files in the profile of a Firefox the Internet
//     Cleaner finds; ie: 200 URL-cache entries (150 pages, 25 cookies,
//     25 visits).
// Per run, in alternating order, in this one process:
//   "alone <ms> <dc ms> <rc ms> <ic ms> <dc deleted> <rc deleted> <ic deleted> <cpu ms>"
//       each cleaner's engine made, searched, cleaned and freed in turn, as
//       the optimizer does it, without window, timer or message pumping of
//       the optimizer's own;
//   "oco <ms> <dc deleted> <rc deleted> <ic deleted> <cpu ms>"
//       the optimizer's window (made before, not shown), its whole unattended
//       run from "Weiter" to the result page, progress mirror included.
//   "plant <ms>" for each set.
// <cpu ms> is this process's own processor time (user and kernel) during the
// measurement: what the optimizer adds of its own shows there, whatever else
// the machine is doing.
// After planting a set it leaves C:\qzbench-oco\ready-<n> and waits for
// C:\qzbench-oco\go-<n>: the host empties the sandbox's trash meanwhile, so
// every measurement recycles into an empty Recycle Bin.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <memory>
#include <string>

#include "../bench_clock.h"
#include "cleaning/drive/drive_cleaner.h"
#include "cleaning/internet/ic_engine.h"
#include "cleaning/oco/oco_form.h"
#include "cleaning/registry/rc_cleaner.h"
#include "core/disk.h"
#include "core/globals.h"
#include "core/osinfo.h"
#include "core/registry.h"
#include "core/text.h"
#include "ui/application.h"
#include "url_cache_plant.h"

using namespace qz;
namespace uc = qz::urlcache;

namespace {

using qz::bench::NowMs;

constexpr int kJunkFolders = 100, kJunkPerFolder = 200;
constexpr int kOrphanKeys = 1000, kOrphanValues = 1000;
constexpr int kProfileFiles = 5000;
const char kBase[] = "C:\\qzbench-oco";
const char kAppPaths[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const char kSharedDlls[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

bool MakeFile(const std::string& path, const std::string& data = "x") {
  HANDLE h = CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD put = 0;
  WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &put, nullptr);
  CloseHandle(h);
  return true;
}

void MakeDirs(const std::string& dir) {
  for (size_t i = 3; i <= dir.size(); ++i)
    if (i == dir.size() || dir[i] == '\\') CreateDirectoryW(Widen(dir.substr(0, i)).c_str(), nullptr);
}

std::string AppData() {
  wchar_t buf[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, buf);
  return Narrow(buf);
}

std::string ProfileFolder() { return AppData() + "\\Mozilla\\Firefox\\Profiles\\qzbench.default"; }

// The stored settings every run reads, and a Firefox the Internet Cleaner finds.
bool Setup(bool firefox) {
  AppDir = std::string(kBase) + "\\app";
  MakeDirs(AppDir);
  MakeFile(AppDir + "\\DC-Folders.txt", "\r\n");
  MakeFile(AppDir + "\\DC-Files.txt", "\r\n");
  ProductRegKey = "Software\\QZBench\\OneClick";
  RegRemoveKey(HKEY_LOCAL_MACHINE, ProductRegKey);
  const HKEY lm = HKEY_LOCAL_MACHINE;
  const std::string dc = OptionsKey("DC"), rc = OptionsKey("RC"), ic = OptionsKey("IC");
  bool ok = true;
  for (const char* v : {"TMPDir_ALL", "TMPDir_User", "Minidump", "LNK", "PIF"})
    ok &= RegSetIntegerChecked(lm, dc, v, 0);
  ok &= RegSetStringChecked(lm, dc, "C", "0") && RegSetStringChecked(lm, dc, "D", "1");
  ok &= RegSetStringChecked(lm, rc, "C", "1") && RegSetStringChecked(lm, rc, "D", "0");
  for (int i = 0; i < 16; ++i) ok &= RegSetIntegerChecked(lm, rc, "Typ_" + IntToStr(i), i == 4 ? 0 : 1);
  ok &= RegSetIntegerChecked(lm, ic, "Browser", firefox ? 2 : 0);
  for (const char* v : {"Cache", "Cookies", "History"}) ok &= RegSetIntegerChecked(lm, ic, v, 1);
  ok &= RegSetIntegerChecked(lm, ic, "TrustCookies", 0);
  for (const char* v : {"DC", "RC", "IC"}) ok &= RegSetIntegerChecked(lm, OptionsKey("OCO"), v, 1);

  const std::string mozilla = AppData() + "\\Mozilla";
  MakeDirs(ProfileFolder() + "\\Cache");
  MakeFile(mozilla + "\\qzbenchfirefox.exe", "MZ");
  MakeFile(mozilla + "\\Firefox\\profiles.ini",
           "[Profile0]\r\nName=bench\r\nIsRelative=1\r\nPath=Profiles/qzbench.default\r\n");
  RegRemoveKey(HKEY_CURRENT_USER, "Software\\Mozilla");
  ok &= RegSetStringChecked(HKEY_CURRENT_USER, "Software\\Mozilla\\Mozilla Firefox 3.6\\bin", "PathToExe",
                            mozilla + "\\qzbenchfirefox.exe");
  return ok;
}

// One set of everything the three cleaners remove, its names marked by tag.
bool Plant(const std::string& tag, bool firefox) {
  const char* ext[] = {".tmp", ".bak", ".old"};
  for (int f = 0; f < kJunkFolders; ++f) {
    const std::string dir = "D:\\qzbench-oco\\" + tag + "\\d" + IntToStr(f);
    MakeDirs(dir);
    for (int i = 0; i < kJunkPerFolder; ++i)
      if (!MakeFile(dir + "\\j" + tag + "_" + IntToStr(i) + ext[i % 3])) return false;
  }
  const std::string gone = std::string(kBase) + "\\gone\\" + tag;
  for (int i = 0; i < kOrphanKeys; ++i)
    if (!RegSetStringChecked(HKEY_LOCAL_MACHINE, std::string(kAppPaths) + "\\qzb" + tag + "_" + IntToStr(i) + ".exe",
                             "", gone + "\\p" + IntToStr(i) + ".exe"))
      return false;
  for (int i = 0; i < kOrphanValues; ++i)
    if (!RegSetIntegerChecked(HKEY_LOCAL_MACHINE, kSharedDlls, gone + "\\s" + IntToStr(i) + ".dll", 1)) return false;
  if (firefox) {
    for (int i = 0; i < kProfileFiles; ++i) {
      const std::string dir = ProfileFolder() + "\\Cache\\" + IntToStr(i % 10) + "\\" + tag + IntToStr(i % 50);
      if (i < 500) MakeDirs(dir);
      if (!MakeFile(dir + "\\f" + tag + "_" + IntToStr(i), std::string(100, 'c'))) return false;
    }
  } else {
    const std::wstring host = L"http://qzbench-" + Widen(tag) + L".test/";
    for (int i = 0; i < 150; ++i)
      if (!uc::PlantContent(host + L"p" + std::to_wstring(i) + L".html", 1000)) return false;
    for (int i = 0; i < 25; ++i)
      if (!uc::PlantCookie(L"http://c" + std::to_wstring(i) + L".qzbench-" + Widen(tag) + L".test/")) return false;
    for (int i = 0; i < 25; ++i)
      if (!CommitUrlCacheEntryW((L"Visited: " + uc::UserName() + L"@" + host + L"v" + std::to_wstring(i)).c_str(),
                                nullptr, uc::NoTime(), uc::NoTime(), URLHISTORY_CACHE_ENTRY | NORMAL_CACHE_ENTRY,
                                nullptr, 0, nullptr, nullptr))
        return false;
  }
  return true;
}

// This process's user and kernel time in milliseconds.
double CpuMs() {
  FILETIME created, ended, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
  auto ms = [](const FILETIME& f) {
    return static_cast<double>((static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000.0;
  };
  return ms(kernel) + ms(user);
}

// The three engines as the optimizer makes them, each searched, cleaned and
// freed in turn.
void Alone() {
  oco::OneClickRun makers;  // its engine factories only
  double ms[3] = {};
  int64_t deleted[3] = {};
  const double c0 = CpuMs();
  const double t0 = NowMs();
  for (int i = 0; i < oco::kCleanerCount; ++i) {
    const double s = NowMs();
    std::unique_ptr<cleaning::UnattendedCleaner> c = makers.Factories[i]();
    c->Search();
    c->DeleteMarked();
    deleted[i] = c->Counters().Deleted;
    c.reset();
    ms[i] = NowMs() - s;
  }
  const double t1 = NowMs();
  const double c1 = CpuMs();
  std::printf("alone %.1f %.1f %.1f %.1f %lld %lld %lld %.1f\n", t1 - t0, ms[0], ms[1], ms[2],
              static_cast<long long>(deleted[0]), static_cast<long long>(deleted[1]),
              static_cast<long long>(deleted[2]), c1 - c0);
}

void Optimizer() {
  auto w = std::make_unique<oco::TForm_OCO>(nullptr);
  w->DoCreate();
  const double c0 = CpuMs();
  const double t0 = NowMs();
  w->RunOneClick();
  const double t1 = NowMs();
  const double c1 = CpuMs();
  const oco::OneClickTotals& t = w->LastTotals();
  std::printf("oco %.1f %lld %lld %lld %.1f\n", t1 - t0, static_cast<long long>(t.Counts[0].Deleted),
              static_cast<long long>(t.Counts[1].Deleted), static_cast<long long>(t.Counts[2].Deleted), c1 - c0);
}

// Tells the host a set is planted and waits until it says go.
bool WaitForHost(int set) {
  const std::string base = std::string(kBase) + "\\";
  MakeFile(base + "ready-" + IntToStr(set));
  const std::wstring go = Widen(base + "go-" + IntToStr(set));
  const double start = NowMs();
  while (GetFileAttributesW(go.c_str()) == INVALID_FILE_ATTRIBUTES) {
    if (NowMs() - start > 600000) return false;
    Sleep(50);
  }
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fputs("usage: bench_oco firefox|ie RUNS\n", stderr);
    return 2;
  }
  const bool firefox = std::wstring(argv[1]) == L"firefox";
  const int runs = _wtoi(argv[2]);
  OcoRunning = 1;  // as the main window sets it around the optimizer
  InitAppEnvironment();
  if (!Setup(firefox)) {
    std::fputs("bench_oco: the settings could not be stored\n", stderr);
    return 1;
  }
  int set = 0;
  for (int r = 0; r < runs; ++r) {
    for (int k = 0; k < 2; ++k) {
      const bool optimizerNow = (r + k) % 2 == 1;
      const std::string tag = std::string(firefox ? "f" : "i") + IntToStr(set++);
      const double p0 = NowMs();
      if (!Plant(tag, firefox)) {
        std::fprintf(stderr, "bench_oco: planting set %s failed\n", tag.c_str());
        return 1;
      }
      std::printf("plant %.1f\n", NowMs() - p0);
      std::fflush(stdout);
      if (!WaitForHost(set - 1)) {
        std::fputs("bench_oco: the host did not answer\n", stderr);
        return 1;
      }
      if (optimizerNow)
        Optimizer();
      else
        Alone();
      std::fflush(stdout);
    }
  }
  return 0;
}
