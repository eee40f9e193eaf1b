// Times the StartUp-Tuner's reading (run by bench/autostart.sh).
//   bench_autostart setup    makes the fixture below C:\qzbench and the keys
//                            HKLM (both views) and HKCU Software\QZBench
//   bench_autostart run N    N times, in turn, one line each:
//       "A <ms> <entries> <icons>"  plain reading of every autostart place
//                                   (one key open and a RegEnumValueW loop per
//                                   key, FindFirstFileW and a fresh shell link
//                                   per file, one section read per win.ini
//                                   section, one icon per distinct source)
//       "E <ms> <entries> <icons>"  the engine's build of the tree
//       "UA <ms> <entries>"         plain reading of the uninstall keys of both
//                                   views (RegEnumKeyExW, one open and two
//                                   RegQueryValueExW per sub-key), then a
//                                   CompareStringW sort
//       "UE <ms> <entries>"         the engine's installed-software list
//   bench_autostart clean    removes the fixture
#include <windows.h>

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "../bench_clock.h"
#include "core/registry.h"
#include "core/shortcut.h"
#include "core/text.h"
#include "tuning/startup/autostart.h"
#include "tuning/startup/installed_software.h"
#include "ui/vtree_model.h"

using namespace qz;
using qz::bench::NowMs;

namespace {

const std::wstring kRoot = L"C:\\qzbench";
const std::string kBase = "Software\\QZBench\\CurrentVersion";
const std::string kBase32 = "Software\\Wow6432Node\\QZBench\\CurrentVersion";
const std::string kUninstall = "Software\\QZBench\\Uninstall";
const std::string kUninstall32 = "Software\\Wow6432Node\\QZBench\\Uninstall";
const char* const kKeys[] = {"Run", "RunOnce", "RunServices", "RunServicesOnce"};
const wchar_t* const kFolders[] = {L"common", L"user", L"app\\Backups\\StartUp-Tuner\\not active1",
                                   L"app\\Backups\\StartUp-Tuner\\not active2"};

std::wstring Program(int i) {
  wchar_t b[64];
  swprintf(b, 64, L"C:\\qzbench\\progs\\np%03d.exe", i);
  return b;
}

void MakeDirs(const std::wstring& dir) {
  for (size_t i = 3; i <= dir.size(); ++i)
    if (i == dir.size() || dir[i] == L'\\') CreateDirectoryW(dir.substr(0, i).c_str(), nullptr);
}

void SetSz(HKEY root, const std::string& key, const std::wstring& name, const std::wstring& text) {
  HKEY h;
  if (RegCreateKeyExW(root, Widen(key).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExW(h, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(h);
}

// The 24 keys: HKLM in both views and HKCU, each key and its "not active".
struct KeyRef {
  HKEY root;
  std::string path;
};
std::vector<KeyRef> AllKeys() {
  std::vector<KeyRef> v;
  for (const char* k : kKeys)
    for (const char* tail : {"", "\\not active"}) {
      v.push_back({HKEY_LOCAL_MACHINE, kBase + "\\" + k + tail});
      v.push_back({HKEY_LOCAL_MACHINE, kBase32 + "\\" + k + tail});
      v.push_back({HKEY_CURRENT_USER, kBase + "\\" + k + tail});
    }
  return v;
}

int Setup() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  MakeDirs(kRoot + L"\\progs");
  wchar_t win[MAX_PATH];
  GetWindowsDirectoryW(win, MAX_PATH);
  const std::wstring notepad = std::wstring(win) + L"\\notepad.exe";
  for (int i = 0; i < 100; ++i) CopyFileW(notepad.c_str(), Program(i).c_str(), FALSE);
  // Half of each key's values a quoted program alone (100 programs over the
  // keys), half a program with arguments (50 commands).
  int k = 0;
  for (const KeyRef& key : AllKeys()) {
    for (int j = 0; j < 100; ++j) {
      wchar_t name[32];
      swprintf(name, 32, L"Value %03d", j);
      std::wstring data = j < 50 ? L"\"" + Program(j + 50 * (k % 2)) + L"\"" : Program(j - 50) + L" /tray";
      SetSz(key.root, key.path, name, data);
    }
    ++k;
  }
  // 400 links copied from one.
  TShortcutLink link;
  link.ShortcutFile = Narrow(kRoot + L"\\template.lnk");
  link.Target = Narrow(Program(0));
  link.Arguments = "/min";
  link.SaveShortcut();
  for (const wchar_t* f : kFolders) {
    MakeDirs(kRoot + L"\\" + f);
    for (int i = 0; i < 100; ++i) {
      wchar_t name[32];
      swprintf(name, 32, L"\\Link %03d.lnk", i);
      CopyFileW(Widen(link.ShortcutFile).c_str(), (kRoot + L"\\" + f + name).c_str(), FALSE);
    }
  }
  // 200 win.ini keys.
  std::string ini;
  for (const char* section : {"run", "load"}) {
    ini += std::string("[") + section + "]\r\n";
    for (int i = 0; i < 100; ++i) ini += "Key" + std::to_string(i) + "=\"" + Narrow(Program(i)) + "\" -q\r\n";
  }
  HANDLE h = CreateFileW((kRoot + L"\\win.ini").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD put = 0;
  WriteFile(h, ini.data(), static_cast<DWORD>(ini.size()), &put, nullptr);
  CloseHandle(h);
  // 2,000 uninstall entries, 1,000 per view, 4 values each.
  for (const std::string& base : {kUninstall, kUninstall32})
    for (int i = 0; i < 1000; ++i) {
      const std::string key = base + "\\{BENCH-" + std::to_string(i) + "}";
      SetSz(HKEY_LOCAL_MACHINE, key, L"DisplayName", L"Program " + std::to_wstring((i * 7919) % 1000));
      SetSz(HKEY_LOCAL_MACHINE, key, L"UninstallString", L"C:\\Program Files\\x\\unins.exe");
      SetSz(HKEY_LOCAL_MACHINE, key, L"DisplayVersion", L"1.0." + std::to_wstring(i));
      SetSz(HKEY_LOCAL_MACHINE, key, L"Publisher", L"Bench");
    }
  return 0;
}

int Clean() {
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    RegDeleteTreeW(root, L"Software\\QZBench");
    RegDeleteKeyW(root, L"Software\\QZBench");
  }
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Wow6432Node\\QZBench");
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\Wow6432Node\\QZBench");
  return 0;
}

// ---- (A) the plain reading -----------------------------------------------------

struct Anchor {
  int entries = 0;
  int icons = 0;
};

std::wstring StripQuotes(std::wstring s) {
  if (!s.empty() && s.front() == L'"') s.erase(0, 1);
  if (!s.empty() && s.back() == L'"') s.pop_back();
  return s;
}

Anchor PlainRead() {
  Anchor a;
  std::vector<std::wstring> sources;
  std::vector<wchar_t> name(16384), data(32768);
  for (const KeyRef& k : AllKeys()) {
    HKEY h;
    if (RegOpenKeyExW(k.root, Widen(k.path).c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) continue;
    for (DWORD i = 0;; ++i) {
      DWORD nl = static_cast<DWORD>(name.size()), dl = static_cast<DWORD>(data.size() * sizeof(wchar_t)), type = 0;
      if (RegEnumValueW(h, i, name.data(), &nl, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &dl) !=
          ERROR_SUCCESS)
        break;
      sources.push_back(StripQuotes(std::wstring(data.data())));
      ++a.entries;
    }
    RegCloseKey(h);
  }
  for (const wchar_t* f : kFolders) {
    const std::wstring folder = kRoot + L"\\" + f + L"\\";
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((folder + L"*.lnk").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) continue;
    do {
      IShellLinkW* link = nullptr;
      if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&link))))
        continue;
      IPersistFile* pf = nullptr;
      if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&pf)))) {
        if (SUCCEEDED(pf->Load((folder + fd.cFileName).c_str(), STGM_READ))) {
          wchar_t target[MAX_PATH] = {};
          WIN32_FIND_DATAW tfd;
          link->GetPath(target, MAX_PATH, &tfd, SLGP_UNCPRIORITY);
          sources.push_back(target);
        }
        pf->Release();
      }
      link->Release();
      ++a.entries;
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  std::vector<wchar_t> section(1 << 16);
  for (const wchar_t* s : {L"run", L"run-not active", L"load", L"load-not active"}) {
    DWORD n = GetPrivateProfileSectionW(s, section.data(), static_cast<DWORD>(section.size()),
                                        (kRoot + L"\\win.ini").c_str());
    for (DWORD p = 0; p < n;) {
      std::wstring line(section.data() + p);
      size_t eq = line.find(L'=');
      if (eq != std::wstring::npos) sources.push_back(StripQuotes(line.substr(eq + 1)));
      ++a.entries;
      p += static_cast<DWORD>(line.size()) + 1;
    }
  }
  // One icon per distinct source (upper-cased), valid when above 1.
  std::set<std::wstring> seen;
  std::vector<HICON> icons;
  for (std::wstring s : sources) {
    CharUpperBuffW(s.data(), static_cast<DWORD>(s.size()));
    if (!seen.insert(s).second) continue;
    HICON ic = ExtractIconW(GetModuleHandleW(nullptr), s.c_str(), 0);
    if (reinterpret_cast<uintptr_t>(ic) > 1) icons.push_back(ic);
  }
  a.icons = static_cast<int>(icons.size());
  for (HICON ic : icons) DestroyIcon(ic);
  return a;
}

// ---- (UA) the plain uninstall reading ------------------------------------------

int PlainUninstall() {
  struct Row {
    std::wstring name, uninstall;
  };
  std::vector<Row> rows;
  std::vector<wchar_t> buf(256), val(8192);
  for (const std::string& base : {kUninstall, kUninstall32}) {
    HKEY h;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, Widen(base).c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) continue;
    for (DWORD i = 0;; ++i) {
      DWORD len = static_cast<DWORD>(buf.size());
      if (RegEnumKeyExW(h, i, buf.data(), &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      HKEY s;
      if (RegOpenKeyExW(h, buf.data(), 0, KEY_QUERY_VALUE, &s) != ERROR_SUCCESS) continue;
      Row r;
      DWORD size = static_cast<DWORD>(val.size() * sizeof(wchar_t)), type;
      if (RegQueryValueExW(s, L"DisplayName", nullptr, &type, reinterpret_cast<BYTE*>(val.data()), &size) ==
          ERROR_SUCCESS)
        r.name = val.data();
      size = static_cast<DWORD>(val.size() * sizeof(wchar_t));
      if (RegQueryValueExW(s, L"UninstallString", nullptr, &type, reinterpret_cast<BYTE*>(val.data()), &size) ==
          ERROR_SUCCESS)
        r.uninstall = val.data();
      RegCloseKey(s);
      if (!r.name.empty()) rows.push_back(std::move(r));
    }
    RegCloseKey(h);
  }
  std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.name.c_str(), static_cast<int>(a.name.size()),
                          b.name.c_str(), static_cast<int>(b.name.size())) == CSTR_LESS_THAN;
  });
  return static_cast<int>(rows.size());
}

int Run(int runs) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  st::StartupPlaces places;
  places.CommonStartup = "C:\\qzbench\\common";
  places.UserStartup = "C:\\qzbench\\user";
  places.NotActive1 = "C:\\qzbench\\app\\Backups\\StartUp-Tuner\\not active1";
  places.NotActive2 = "C:\\qzbench\\app\\Backups\\StartUp-Tuner\\not active2";
  places.WinIni = "C:\\qzbench\\win.ini";
  places.MachineKey = places.UserKey = kBase;
  places.BackupDir = "C:\\qzbench\\app\\Backups\\ST";
  st::StartupStore& store = st::SystemStartupStore();
  for (int r = 0; r < runs; ++r) {
    double t0 = NowMs();
    Anchor a = PlainRead();
    double t1 = NowMs();
    printf("A %.2f %d %d\n", t1 - t0, a.entries, a.icons);

    // A fresh engine and tree each run, as each opening of the window has.
    ui::VTreeModel tree;
    size_t entries = 0, icons = 0;
    t0 = NowMs();
    {
      st::AutostartEngine engine(store, places);
      engine.BuildAutostartTree(tree, true);
      icons = engine.LiveIcons();
      entries = tree.TotalCount() - tree.RootNodeCount();
      tree.Clear();
    }
    t1 = NowMs();
    printf("E %.2f %zu %zu\n", t1 - t0, entries, icons);

    t0 = NowMs();
    int ua = PlainUninstall();
    t1 = NowMs();
    printf("UA %.2f %d\n", t1 - t0, ua);

    t0 = NowMs();
    size_t ue = st::ListInstalledSoftware(store, HKEY_LOCAL_MACHINE, kUninstall).size();
    t1 = NowMs();
    printf("UE %.2f %zu\n", t1 - t0, ue);
    fflush(stdout);
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 2 && wcscmp(argv[1], L"setup") == 0) return Setup();
  if (argc >= 2 && wcscmp(argv[1], L"clean") == 0) return Clean();
  if (argc >= 3 && wcscmp(argv[1], L"run") == 0) return Run(_wtoi(argv[2]));
  fprintf(stderr, "usage: bench_autostart setup | run N | clean\n");
  return 2;
}
