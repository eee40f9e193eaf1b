// Times the DLL Cleaner engine (run by bench/dll_scan.sh).
//   bench_dll scan <folder with trailing backslash> <runs>
//       per run, in turn: "walk <ms> <files>" (a plain FindFirstFileW walk of
//       the folder tree in one pass, not entering reparse points) and
//       "search <ms> <groups> <rows> <DLLs seen> <walk ms>" (the engine's whole
//       search of the same tree with the default options, the Windows folders
//       being the tree's own Windows\System32 and Windows\SysWOW64, and the
//       result rows built; the last figure is its walk alone)
//   bench_dll versions <folder with trailing backslash> <files>
//       the version of the first <files> DLLs of the folder tree read by the
//       engine's reader and by GetFileVersionInfoW: "reader <ms per file>" and
//       "api <ms per file>"
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cleaning/dll/dll_search.h"
#include "cleaning/dll/pe_version.h"
#include "core/globals.h"
#include "core/text.h"
#include "../bench_clock.h"

using namespace qz;
using namespace qz::dll;

namespace {

using qz::bench::IsDots;
using qz::bench::NowMs;

// The floor: every entry of the tree seen once, in one pass per folder.
void PlainWalk(const std::wstring& dir, long long& files, std::vector<std::wstring>* dlls = nullptr,
               size_t wanted = 0) {
  WIN32_FIND_DATAW fd;
  std::vector<std::wstring> subs;
  HANDLE h = FindFirstFileW((dir + L"*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    if (IsDots(fd.cFileName)) continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) subs.push_back(fd.cFileName);
    } else {
      ++files;
      const size_t n = wcslen(fd.cFileName);
      if (dlls && dlls->size() < wanted && n > 4 && _wcsicmp(fd.cFileName + n - 4, L".dll") == 0)
        dlls->push_back(dir + fd.cFileName);
    }
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  for (const std::wstring& s : subs) PlainWalk(dir + s + L"\\", files, dlls, wanted);
}

int Scan(const std::string& folder, int runs) {
  for (int r = 0; r < runs; ++r) {
    long long files = 0;
    double t0 = NowMs();
    PlainWalk(Widen(folder), files);
    double t1 = NowMs();
    std::printf("walk %.2f %lld\n", t1 - t0, files);

    DllEngine e;
    e.Folders = {folder + "Windows", folder + "Windows\\System32", folder + "Windows\\SysWOW64"};
    ui::VTreeModel tree;
    t0 = NowMs();
    e.BeginSearch();
    const double walkStart = NowMs();
    e.SearchDllFolder(folder);
    const double walkEnd = NowMs();
    e.FormGroups();
    BuildDllRows(e, tree);
    e.ClearFileLists();
    t1 = NowMs();
    long long groups = 0, rows = 0;
    for (ui::VNode* n = tree.GetFirst(); n; n = tree.GetNextSibling(n))
      (tree.Data<DllNode>(n).IsGroup ? groups : rows) += 1;
    std::printf("search %.2f %lld %lld %lld %.2f\n", t1 - t0, groups, rows, static_cast<long long>(e.DllFilesSeen),
                walkEnd - walkStart);
    std::fflush(stdout);
  }
  return 0;
}

int Versions(const std::string& folder, size_t count) {
  long long files = 0;
  std::vector<std::wstring> dlls;
  PlainWalk(Widen(folder), files, &dlls, count);
  if (dlls.empty()) return 1;
  double t0 = NowMs();
  int known = 0;
  for (const std::wstring& p : dlls) known += ReadPeVersion(Narrow(p)).HasFixed ? 1 : 0;
  double t1 = NowMs();
  std::printf("reader %.4f %d\n", (t1 - t0) / static_cast<double>(dlls.size()), known);
  t0 = NowMs();
  known = 0;
  std::vector<uint8_t> buf;
  for (const std::wstring& p : dlls) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(p.c_str(), &handle);
    if (size == 0) continue;
    buf.resize(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    if (GetFileVersionInfoW(p.c_str(), 0, size, buf.data()) &&
        VerQueryValueW(buf.data(), L"\\", reinterpret_cast<void**>(&fixed), &len) && fixed)
      ++known;
  }
  t1 = NowMs();
  std::printf("api %.4f %d\n", (t1 - t0) / static_cast<double>(dlls.size()), known);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::string(argv[1]) == "scan") return Scan(argv[2], std::atoi(argv[3]));
  if (argc >= 4 && std::string(argv[1]) == "versions") return Versions(argv[2], std::strtoul(argv[3], nullptr, 10));
  std::fprintf(stderr, "usage: bench_dll scan <folder\\> <runs> | versions <folder\\> <files>\n");
  return 2;
}
