// Times the Registry Cleaner's search (run by bench/registry_scan.sh).
//   bench_registry <runs>
//       per run, in turn:
//         "walk <ms> <keys> <values>"   a plain walk of the locations the
//             checks read: every key below them (RegEnumKeyExW, handles
//             relative to the parent) and every value with its data
//             (RegEnumValueW)
//         "search <ms> <found> <examined> <probe calls>"   the engine's search
//             of all sixteen kinds, drive C, into a tree with no view
//         "kind <n> <ms> <found>"        each kind's share of that search
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cleaning/registry/rc_search.h"
#include "core/globals.h"
#include "core/text.h"
#include "../bench_clock.h"

using namespace qz;
using namespace qz::rc;
using qz::bench::NowMs;

namespace {

struct WalkCount {
  long long keys = 0, values = 0;
};

// Every value (with its data) and sub-key below an open key.
void WalkKey(HKEY h, WalkCount& c, bool skipWow) {
  ++c.keys;
  std::vector<wchar_t> name(256);
  std::vector<BYTE> data(4096);
  for (DWORD i = 0;; ++i) {
    DWORD nameLen = static_cast<DWORD>(name.size()), dataLen = static_cast<DWORD>(data.size()), type = 0;
    LONG rc = RegEnumValueW(h, i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen);
    if (rc == ERROR_MORE_DATA) {
      name.resize(name.size() * 2 + 16384);
      data.resize(data.size() * 2 + dataLen);
      --i;
      continue;
    }
    if (rc != ERROR_SUCCESS) break;
    ++c.values;
  }
  std::vector<std::wstring> subs;
  for (DWORD i = 0;; ++i) {
    DWORD len = static_cast<DWORD>(name.size());
    LONG rc = RegEnumKeyExW(h, i, name.data(), &len, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_MORE_DATA) {
      name.resize(name.size() * 2);
      --i;
      continue;
    }
    if (rc != ERROR_SUCCESS) break;
    subs.emplace_back(name.data(), len);
  }
  for (const std::wstring& s : subs) {
    // The 32-bit class root below the 64-bit one is walked as a store of its own.
    if (skipWow && _wcsicmp(s.c_str(), L"Wow6432Node") == 0) continue;
    HKEY sub = nullptr;
    if (RegOpenKeyExW(h, s.c_str(), 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
    WalkKey(sub, c, false);
    RegCloseKey(sub);
  }
}

WalkCount Walk(const ScanLocations& l) {
  WalkCount c;
  auto walk = [&c](const std::vector<RegLocation>& views, bool classRoot) {
    for (const RegLocation& v : views) {
      HKEY h = nullptr;
      if (RegOpenKeyExW(v.root, Widen(v.path).c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) continue;
      WalkKey(h, c, classRoot && !v.wow32);
      RegCloseKey(h);
    }
  };
  // The class roots hold CLSID and TypeLib of their view.
  walk(l.Classes, true);
  walk(l.SharedDlls, false);
  walk(l.Fonts, false);
  walk(l.AppEvents, false);
  walk(l.Help, false);
  walk(l.AppPaths, false);
  for (const auto& m : l.Mru) walk(m, false);
  return c;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
  OcoRunning = 1;
  const ScanLocations locations = ScanLocations::FromSystem(true);
  SearchRequest request;
  request.Drives = "C";
  request.HideEmpty = false;
  for (int32_t k = 1; k <= kKindCount; ++k) request.Kinds.push_back({k, KindOf(k).Name, KindOf(k).ImageIndex});

  for (int r = 0; r < runs; ++r) {
    double t0 = NowMs();
    WalkCount w = Walk(locations);
    double t1 = NowMs();
    printf("walk %.1f %lld %lld\n", t1 - t0, w.keys, w.values);
    fflush(stdout);

    RegistryScanEngine engine;
    engine.UseLocations(locations);
    ui::VTreeModel tree;
    std::vector<std::pair<int32_t, double>> starts;
    SearchHooks hooks;
    hooks.OnKind = [&](const KindChoice& k) { starts.emplace_back(k.Kind, NowMs()); };
    const int64_t calls0 = engine.Probe.Calls();
    t0 = NowMs();
    RunRegistrySearchCore(engine, tree, request, hooks);
    t1 = NowMs();
    printf("search %.1f %d %d %lld\n", t1 - t0, engine.FoundCount, engine.ExaminedCount,
           static_cast<long long>(engine.Probe.Calls() - calls0));
    int idx = 0;
    for (ui::VNode* c = tree.GetFirst(); c; c = tree.GetNextSibling(c), ++idx) {
      const double end = idx + 1 < static_cast<int>(starts.size()) ? starts[idx + 1].second : t1;
      printf("kind %d %.1f %u\n", starts[idx].first, end - starts[idx].second, tree.ChildCount(c));
    }
    fflush(stdout);
  }
  return 0;
}
