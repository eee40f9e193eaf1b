// Times FindFilesRecursive against plain FindFirstFile walks over one tree.
//   bench_walk <folder with trailing backslash> <mask> <runs>
// Prints one line per walk and run: "<walk> <milliseconds> <files found>".
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/disk.h"
#include "core/text.h"
#include "../bench_clock.h"

namespace {

using qz::bench::IsDots;
using qz::bench::NowMs;

// The plain walk: FindFirstFileW over "*" (or the mask for the files and "*"
// for the folders when a mask is given), recursing into every real folder.
void PlainWalk(const std::wstring& dir, const std::wstring& mask, bool ex, std::vector<std::wstring>& out) {
  auto open = [&](const std::wstring& pattern, WIN32_FIND_DATAW& fd) {
    return ex ? FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch, nullptr,
                                 FIND_FIRST_EX_LARGE_FETCH)
              : FindFirstFileW(pattern.c_str(), &fd);
  };
  WIN32_FIND_DATAW fd;
  bool all = mask == L"*" || mask == L"*.*";
  std::vector<std::wstring> subs;
  HANDLE h = open(dir + L"*", fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      if (IsDots(fd.cFileName)) continue;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) subs.push_back(fd.cFileName);
      } else if (all) {
        out.push_back(dir + fd.cFileName);
      }
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  if (!all) {
    h = open(dir + mask, fd);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) out.push_back(dir + fd.cFileName);
      } while (FindNextFileW(h, &fd));
      FindClose(h);
    }
  }
  for (const auto& s : subs) PlainWalk(dir + s + L"\\", mask, ex, out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: bench_walk <folder\\> <mask> <runs>\n");
    return 2;
  }
  const std::string folder = argv[1], mask = argv[2];
  const int runs = std::atoi(argv[3]);
  const std::wstring wfolder = qz::Widen(folder), wmask = qz::Widen(mask);

  auto plain = [&](bool ex) {
    std::vector<std::wstring> out;
    double t = NowMs();
    PlainWalk(wfolder, wmask, ex, out);
    return std::make_pair(NowMs() - t, out.size());
  };
  auto ours = [&] {
    qz::StringList out;
    double t = NowMs();
    qz::FindFilesRecursive(folder, mask, out);
    return std::make_pair(NowMs() - t, out.size());
  };
  auto print = [](const char* what, std::pair<double, size_t> r) {
    std::printf("%s %.2f %zu\n", what, r.first, r.second);
  };

  plain(false);  // warm the caches
  ours();
  for (int i = 0; i < runs; ++i) {
    // Alternate the order so neither walk always runs on a warmer cache.
    if (i % 2) {
      print("FindFilesRecursive", ours());
      print("FindFirstFileW", plain(false));
      print("FindFirstFileExW-basic", plain(true));
    } else {
      print("FindFirstFileExW-basic", plain(true));
      print("FindFirstFileW", plain(false));
      print("FindFilesRecursive", ours());
    }
  }
  std::fflush(stdout);
  return 0;
}
