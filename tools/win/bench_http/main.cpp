// Times a download on loopback (run by bench/speed_test.sh), one line per call:
//   bench_http plain URL FILE
//       "A <ms> <bytes>"   a plain WinINet loop: one request, 64 KiB reads
//                          straight into FILE
//   bench_http engine PROJECTINI TEMPFOLDER
//       "E <ms> <bytes> <reported KiB/s> <gui cpu ms>"
//                          the speed test engine (address file, then test
//                          file) with its GUI thread pumping; <ms> runs from
//                          the test file's request to the end, the reported
//                          rate is the one the engine's box would quote, the
//                          CPU time is the GUI thread's (GetThreadTimes) over
//                          the same span
#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <string>
#include <vector>

#include "../bench_clock.h"
#include "core/text.h"
#include "tuning/internet/speed_test.h"

using qz::bench::NowMs;

namespace {

double ThreadCpuMs() {
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
  auto ms = [](const FILETIME& f) {
    return static_cast<double>((static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000.0;
  };
  return ms(kernel) + ms(user);
}

int Plain(const std::string& url, const std::string& file) {
  const double start = NowMs();
  HINTERNET session = InternetOpenW(L"bench_http", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  HINTERNET request =
      session ? InternetOpenUrlW(session, qz::Widen(url).c_str(), nullptr, 0,
                                 INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI, 0)
              : nullptr;
  HANDLE out = CreateFileW(qz::Widen(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (!request || out == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "cannot open %s or %s\n", url.c_str(), file.c_str());
    return 1;
  }
  std::vector<char> buf(64 * 1024);
  uint64_t total = 0;
  DWORD n = 0, written = 0;
  while (InternetReadFile(request, buf.data(), static_cast<DWORD>(buf.size()), &n) && n > 0) {
    WriteFile(out, buf.data(), n, &written, nullptr);
    total += n;
  }
  CloseHandle(out);
  InternetCloseHandle(request);
  InternetCloseHandle(session);
  std::printf("A %.1f %llu\n", NowMs() - start, static_cast<unsigned long long>(total));
  return 0;
}

int Engine(const std::string& projectIni, const std::string& tempFolder) {
  qz::it::SpeedTest test;
  test.ProjectIni = projectIni;
  test.TempFolder = tempFolder;
  double start = 0, cpuStart = 0;
  test.OnTestFileStarted = [&] {
    start = NowMs();
    cpuStart = ThreadCpuMs();
  };
  const qz::it::SpeedTestOutcome outcome = test.Run();
  const double ms = NowMs() - start, cpu = ThreadCpuMs() - cpuStart;
  if (outcome != qz::it::SpeedTestOutcome::Success) {
    std::fprintf(stderr, "the speed test failed (%d)\n", static_cast<int>(outcome));
    return 1;
  }
  const double reported = static_cast<double>(test.BytesReceived()) / test.ElapsedSeconds() / 1024.0;
  std::printf("E %.1f %llu %.1f %.1f\n", ms, static_cast<unsigned long long>(test.BytesReceived()), reported, cpu);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 4 && std::wstring(argv[1]) == L"plain") return Plain(qz::Narrow(argv[2]), qz::Narrow(argv[3]));
  if (argc == 4 && std::wstring(argv[1]) == L"engine") return Engine(qz::Narrow(argv[2]), qz::Narrow(argv[3]));
  std::fprintf(stderr, "usage: bench_http plain URL FILE | engine PROJECTINI TEMPFOLDER\n");
  return 2;
}
