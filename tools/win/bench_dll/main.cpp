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

using qz::bench::NowMs;

int Scan(const std::string& folder, int runs) {
  for (int r = 0; r < runs; ++r) {
    long long files = 0, bytes = 0;
    double t0 = NowMs();
    qz::bench::PlainWalk(Widen(folder), files, bytes);
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
  // The DLLs the engine collects, the first `count` of them.
  DllEngine e;
  e.Folders = {folder + "Windows", folder + "Windows\\System32", folder + "Windows\\SysWOW64"};
  e.BeginSearch();
  e.SearchDllFolder(folder);
  std::vector<std::wstring> dlls;
  for (size_t i = 0; i < e.Files.size() && dlls.size() < count; ++i) dlls.push_back(Widen(e.Files[i].Path));
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
