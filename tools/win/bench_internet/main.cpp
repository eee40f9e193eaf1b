// Times the Internet Cleaner engine (run by bench/internet_clean.sh).
//   bench_internet profile-scan <profile folder> <runs>
//       per run: "walk <ms> <files>" (a plain recursive FindFirstFileW walk of
//       the profile's Cache folder summing the sizes of the find data) and
//       "scan <ms> <found>" (the engine's Firefox scan, three categories, as
//       the One-Click-Optimizer runs it, tree filled)
//   bench_internet profile-delete <profile folder> <files>
//       makes the files in the profile's cache, scans (not timed) and times
//       the delete of them all: "pdelete <ms> <deleted> <errors>"
//   bench_internet recycle <folder> <files>
//       the floor: fresh files handed to the shell's quiet delete one at a
//       time: "recycle <ms> <files>"
//   bench_internet ie-plant <content> <cookies> <visits>
//       plants entries in the URL cache: "planted <ms> <entries>"
//   bench_internet ie-scan <runs>
//       per run: "raw <ms> <entries>" (the plain FindFirst/FindNextUrlCacheEntryW
//       loops over "", "Cookie:" and "Visited:") and "iescan <ms> <found>"
//   bench_internet ie-delete <entries> <runs>
//       per run: two sets of entries planted and scanned (not timed); one is
//       deleted by a plain DeleteUrlCacheEntryW loop in the order the scan
//       listed it: "rawdel <ms> <n>", the other by the engine: "iedelete <ms>
//       <deleted> <errors>" (which goes first alternates)
//   bench_internet ie-clear
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../bench_clock.h"
#include "cleaning/internet/ic_engine.h"
#include "core/disk.h"
#include "core/globals.h"
#include "core/text.h"
#include "url_cache_plant.h"

using namespace qz;
using namespace qz::ic;
namespace uc = qz::urlcache;

namespace {

using qz::bench::NowMs;
using qz::bench::PlainWalk;

InternetCleanerSettings Firefox(const std::string& profile) {
  InternetCleanerSettings s;
  s.SelectedBrowser = Browser::Firefox;
  s.ProfileFolder = profile;
  return s;
}

bool MakeFile(const std::string& path, size_t bytes) {
  HANDLE h = CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  std::string data(bytes, 'b');
  DWORD put = 0;
  WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &put, nullptr);
  CloseHandle(h);
  return true;
}

int ProfileScan(const std::string& profile, int runs) {
  OcoRunning = 1;
  InternetCleaner engine;
  for (int r = 0; r < runs; ++r) {
    long long files = 0, bytes = 0;
    double t0 = NowMs();
    PlainWalk(Widen(IncludeTrailingBackslash(profile) + "Cache\\"), files, bytes);
    double t1 = NowMs();
    std::printf("walk %.2f %lld\n", t1 - t0, files);
    t0 = NowMs();
    engine.RunScan(Firefox(profile));
    t1 = NowMs();
    std::printf("scan %.2f %lld\n", t1 - t0, static_cast<long long>(engine.Counts.Totals.Found));
    std::fflush(stdout);
  }
  return 0;
}

int ProfileDelete(const std::string& profile, int count) {
  OcoRunning = 1;
  const std::string folder = IncludeTrailingBackslash(profile) + "Cache\\";
  CreateDirectoryW(Widen(ExcludeTrailingBackslash(profile)).c_str(), nullptr);
  CreateDirectoryW(Widen(ExcludeTrailingBackslash(folder)).c_str(), nullptr);
  for (int i = 0; i < count; ++i) MakeFile(folder + "bench" + std::to_string(i) + ".tmp", 100);
  InternetCleaner engine;
  const InternetCleanerSettings s = Firefox(profile);
  engine.RunScan(s);
  const double t0 = NowMs();
  engine.RunDelete(s);
  const double t1 = NowMs();
  std::printf("pdelete %.2f %lld %lld\n", t1 - t0, static_cast<long long>(engine.Counts.DeletedCount),
              static_cast<long long>(engine.Counts.DeleteErrors));
  return 0;
}

int Recycle(const std::string& folderIn, int count) {
  const std::string folder = IncludeTrailingBackslash(folderIn);
  CreateDirectoryW(Widen(ExcludeTrailingBackslash(folder)).c_str(), nullptr);
  std::vector<std::string> files;
  for (int i = 0; i < count; ++i) {
    files.push_back(folder + "bench" + std::to_string(i) + ".tmp");
    MakeFile(files.back(), 100);
  }
  int done = 0;
  const double t0 = NowMs();
  for (const std::string& f : files)
    if (ShellRecycleQuiet(f)) ++done;
  const double t1 = NowMs();
  std::printf("recycle %.2f %d\n", t1 - t0, done);
  return 0;
}

std::wstring Tag(const char* what, int i) {
  return L"http://bench-" + Widen(what) + L"-" + std::to_wstring(i % 97) + L".test/page" + std::to_wstring(i) +
         L".html";
}

int IePlant(int content, int cookies, int visits) {
  const double t0 = NowMs();
  int n = 0;
  for (int i = 0; i < content; ++i) n += uc::PlantContent(Tag("content", i), 100 + i % 300);
  for (int i = 0; i < cookies; ++i)
    n += uc::PlantCookie(L"http://bench-cookie-" + std::to_wstring(i) + L".test/");
  for (int i = 0; i < visits; ++i) n += uc::PlantVisit(Tag("visit", i));
  std::printf("planted %.2f %d\n", NowMs() - t0, n);
  return 0;
}

long long RawLoops() {
  long long n = 0;
  std::vector<char> buf(64 * 1024);
  for (const wchar_t* pattern : {L"", L"Cookie:", L"Visited:"}) {
    auto* e = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buf.data());
    DWORD size = static_cast<DWORD>(buf.size());
    HANDLE h = FindFirstUrlCacheEntryW(pattern, e, &size);
    if (!h) continue;
    do {
      ++n;
      size = static_cast<DWORD>(buf.size());
    } while (FindNextUrlCacheEntryW(h, e, &size));
    FindCloseUrlCache(h);
  }
  return n;
}

int IeScan(int runs) {
  OcoRunning = 1;
  InternetCleaner engine;
  InternetCleanerSettings s;
  s.TrustedHosts = {"www.bench-cookie-1.test"};
  for (int r = 0; r < runs; ++r) {
    double t0 = NowMs();
    const long long n = RawLoops();
    double t1 = NowMs();
    std::printf("raw %.2f %lld\n", t1 - t0, n);
    t0 = NowMs();
    engine.RunScan(s);
    t1 = NowMs();
    std::printf("iescan %.2f %lld\n", t1 - t0, static_cast<long long>(engine.Counts.Totals.Found));
    std::fflush(stdout);
  }
  return 0;
}

int IeDelete(int count, int runs) {
  OcoRunning = 1;
  InternetCleaner engine;
  ui::VTreeModel& tree = engine.Tree();
  InternetCleanerSettings s;
  s.Cookies = s.History = false;
  for (int r = 0; r < runs; ++r) {
    // Two sets planted alike; the plain loop deletes one in the order the
    // scan lists it, the engine the other; which goes first alternates.
    const std::string plainMark = "http://bench-del-" + std::to_string(r) + ".test/";
    const std::string engineMark = "http://bench-del2-" + std::to_string(r) + ".test/";
    for (int i = 0; i < count; ++i) {
      uc::PlantContent(Widen(plainMark + "a" + std::to_string(i) + ".html"), 100);
      uc::PlantContent(Widen(engineMark + "a" + std::to_string(i) + ".html"), 100);
    }
    engine.RunScan(s);
    std::vector<std::wstring> urls;
    for (ui::VNode* x = tree.GetFirst(); x; x = tree.GetNext(x)) {
      const InternetItemNode& d = tree.Data<InternetItemNode>(x);
      if (d.IsCategory) continue;
      if (d.Text.rfind(plainMark, 0) == 0) urls.push_back(Widen(d.Text));
      if (d.Text.rfind(engineMark, 0) != 0) tree.SetCheckState(x, ui::CheckState::Unchecked);
    }
    auto plain = [&] {
      const double t0 = NowMs();
      int n = 0;
      for (const std::wstring& u : urls) n += DeleteUrlCacheEntryW(u.c_str()) ? 1 : 0;
      std::printf("rawdel %.2f %d\n", NowMs() - t0, n);
    };
    auto engineDelete = [&] {
      const double t0 = NowMs();
      engine.RunDelete(s);
      std::printf("iedelete %.2f %lld %lld\n", NowMs() - t0, static_cast<long long>(engine.Counts.DeletedCount),
                  static_cast<long long>(engine.Counts.DeleteErrors));
    };
    if (r % 2 == 0) {
      plain();
      engineDelete();
    } else {
      engineDelete();
      plain();
    }
    std::fflush(stdout);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::string cmd = argv[1];
  auto num = [&](int i, int def) { return argc > i ? std::atoi(argv[i]) : def; };
  if (cmd == "profile-scan" && argc > 2) return ProfileScan(argv[2], num(3, 7));
  if (cmd == "profile-delete" && argc > 2) return ProfileDelete(argv[2], num(3, 5000));
  if (cmd == "recycle" && argc > 2) return Recycle(argv[2], num(3, 5000));
  if (cmd == "ie-plant") return IePlant(num(2, 2000), num(3, 200), num(4, 200));
  if (cmd == "ie-scan") return IeScan(num(2, 7));
  if (cmd == "ie-delete") return IeDelete(num(2, 1000), num(3, 7));
  if (cmd == "ie-clear") return uc::ClearAll() >= 0 ? 0 : 1;
  return 2;
}
