// Small helpers the Windows-side benchmark programs share.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qz::bench {

// Milliseconds on the performance counter.
inline double NowMs() {
  static const LARGE_INTEGER freq = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart);
}

// "." and "..", which a plain FindFirstFileW walk skips.
inline bool IsDots(const wchar_t* n) { return n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0)); }

// The floor of a folder walk: every entry of the tree (dir ends with a
// backslash) seen once with FindFirstFileW, links not entered; counts the
// files and sums their sizes from the find data.
inline void PlainWalk(const std::wstring& dir, long long& files, long long& bytes) {
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
      bytes += (static_cast<long long>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
    }
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  for (const std::wstring& s : subs) PlainWalk(dir + s + L"\\", files, bytes);
}

}  // namespace qz::bench
