#include "shell/startup_trace.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>

namespace qz::shell {

namespace {

struct TraceState {
  bool initialised = false;
  std::wstring file;
  LARGE_INTEGER frequency{};
  LARGE_INTEGER entry{};
  double processMsAtEntry = 0;  // process age when TraceInit ran
};

TraceState& State() {
  static TraceState s;
  return s;
}

uint64_t FileTimeValue(const FILETIME& ft) {
  return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

}  // namespace

void TraceInit() {
  TraceState& s = State();
  if (s.initialised) return;
  s.initialised = true;
  wchar_t buffer[MAX_PATH * 2];
  DWORD n = GetEnvironmentVariableW(L"QZ_TRACE_FILE", buffer, static_cast<DWORD>(std::size(buffer)));
  if (n == 0 || n >= std::size(buffer)) return;
  s.file.assign(buffer, n);
  QueryPerformanceFrequency(&s.frequency);
  QueryPerformanceCounter(&s.entry);
  FILETIME creation, exitTime, kernel, user, now;
  if (GetProcessTimes(GetCurrentProcess(), &creation, &exitTime, &kernel, &user)) {
    GetSystemTimeAsFileTime(&now);
    const uint64_t c = FileTimeValue(creation), t = FileTimeValue(now);
    if (t > c) s.processMsAtEntry = static_cast<double>(t - c) / 10000.0;
  }
}

bool TraceEnabled() { return !State().file.empty(); }

void TraceStep(const char* step) {
  TraceState& s = State();
  if (s.file.empty() || s.frequency.QuadPart == 0) return;
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  const double sinceEntry =
      static_cast<double>(now.QuadPart - s.entry.QuadPart) * 1000.0 / static_cast<double>(s.frequency.QuadPart);
  char line[256];
  int len = std::snprintf(line, sizeof line, "%.3f\t%.3f\t%s\r\n", s.processMsAtEntry + sinceEntry, sinceEntry,
                          step ? step : "");
  if (len <= 0) return;
  HANDLE h = CreateFileW(s.file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(h, line, static_cast<DWORD>(std::min<int>(len, sizeof line - 1)), &written, nullptr);
  CloseHandle(h);
}

}  // namespace qz::shell
