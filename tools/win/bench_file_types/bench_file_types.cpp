// Times the file-type list's reading (the engine's LoadFileTypes into a tree
// model, no window) against a plain loop that opens each key it needs once
// and reads with RegQueryValueExW (14 server calls per type), over the same
// synthetic types in a scratch key, alternating, in one process.
//   bench_file_types [types] [runs]      (default 5000 types, 5 runs)
// Prints one line per run and reading, then the medians and the ratio.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/text.h"
#include "filetools/assoc/file_types.h"
#include "ui/vtree_model.h"
#include "../bench_clock.h"

namespace {

using qz::bench::NowMs;

const wchar_t* const kBase = L"Software\\QZBench\\FileTypes";

void SetText(HKEY parent, const std::wstring& sub, const std::wstring& text) {
  HKEY h = nullptr;
  if (RegCreateKeyExW(parent, sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExW(h, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(h);
}

void Plant(int types) {
  RegDeleteTreeW(HKEY_CURRENT_USER, kBase);
  HKEY base = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, kBase, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &base, nullptr);
  for (int i = 0; i < types; ++i) {
    wchar_t ext[32], prog[32];
    swprintf(ext, 32, L".qzb%05d", i);
    swprintf(prog, 32, L"qzbench%05dfile", i);
    SetText(base, ext, prog);
    SetText(base, prog, L"Bench type " + std::to_wstring(i));
    SetText(base, std::wstring(prog) + L"\\DefaultIcon", L"C:\\qzbench\\icons.dll," + std::to_wstring(i % 50));
    SetText(base, std::wstring(prog) + L"\\shell\\open\\Command", L"\"C:\\qzbench\\app.exe\" \"%1\"");
  }
  RegCloseKey(base);
}

struct PlainEntry {
  std::wstring ext, progId, display, icon, command;
  bool original = false;
};

// One query of a string value into a reused buffer.
bool Query(HKEY h, const wchar_t* name, std::wstring& out) {
  wchar_t buf[260];
  DWORD type = 0, size = sizeof buf;
  if (RegQueryValueExW(h, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) != ERROR_SUCCESS) return false;
  out.assign(buf, size / sizeof(wchar_t));
  while (!out.empty() && out.back() == 0) out.pop_back();
  return true;
}

size_t PlainLoop(std::vector<PlainEntry>& out) {
  out.clear();
  HKEY base = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kBase, 0, KEY_READ, &base) != ERROR_SUCCESS) return 0;
  std::vector<std::wstring> names;
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD len = 256;
    if (RegEnumKeyExW(base, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, len);
  }
  auto open = [&](const std::wstring& sub, HKEY& h) {
    return RegOpenKeyExW(base, sub.c_str(), 0, KEY_READ, &h) == ERROR_SUCCESS;
  };
  for (const std::wstring& n : names) {
    if (n.empty() || n[0] != L'.') continue;
    PlainEntry e;
    e.ext = n;
    HKEY h;
    if (!open(n, h)) continue;
    Query(h, L"", e.progId);
    RegCloseKey(h);
    if (e.progId.empty() || !open(e.progId, h)) continue;
    Query(h, L"", e.display);
    RegCloseKey(h);
    if (open(e.progId + L"\\DefaultIcon", h)) {
      Query(h, L"", e.icon);
      e.original = RegQueryValueExW(h, L"Backup_FA", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
      RegCloseKey(h);
    }
    if (open(e.progId + L"\\shell\\open\\Command", h)) {
      Query(h, L"", e.command);
      e.original = e.original ||
                   RegQueryValueExW(h, L"Backup_FA", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
      RegCloseKey(h);
    }
    out.push_back(std::move(e));
  }
  RegCloseKey(base);
  return out.size();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int types = argc > 1 ? std::atoi(argv[1]) : 5000;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
  std::printf("planting %d types...\n", types);
  std::fflush(stdout);
  Plant(types);

  qz::fa::FileTypes engine({qz::fa::ClassesLocation{HKEY_CURRENT_USER, qz::Narrow(kBase)}});
  engine.HideSystem = false;
  std::vector<double> e, f;
  std::vector<PlainEntry> plain;
  int rc = 0;
  for (int r = 0; r < runs; ++r) {
    qz::ui::VTreeModel tree;
    double t0 = NowMs();
    const size_t listed = engine.LoadFileTypes(tree);
    e.push_back(NowMs() - t0);
    t0 = NowMs();
    const size_t read = PlainLoop(plain);
    f.push_back(NowMs() - t0);
    std::printf("run %d  engine %.0f ms (%zu types)  plain %.0f ms (%zu types)\n", r + 1, e.back(), listed,
                f.back(), read);
    std::fflush(stdout);
    if (listed != static_cast<size_t>(types) || read != static_cast<size_t>(types)) rc = 1;
  }
  const double me = Median(e), mf = Median(f);
  std::printf("median engine (E) %.0f ms, plain loop (F) %.0f ms, E/F = %.2f (goal <= 1.20)\n", me, mf, me / mf);
  RegDeleteTreeW(HKEY_CURRENT_USER, kBase);
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\QZBench");
  return rc;
}
