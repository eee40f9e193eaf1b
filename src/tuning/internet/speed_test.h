// The download speed test, without window code: the address of an address
// file stands in project.ini ([ITTest] file); that file is fetched into
// TestFile.txt, its first line is the address of the test file, which is
// fetched into TestFile.exe (left in place afterwards). Both transfers write
// their response header to TestFile.header. The three files lie in the
// user's temporary folder.
//
// Run() blocks on the GUI thread and processes messages while the transfers
// run on the HTTP client's worker thread, so the window's timer and buttons
// keep working. It ends early when Abort() is called or AbortFlag becomes 1,
// during either transfer; a failed address fetch ends the test (an address
// file left by an earlier run is never used). Both transfers have connect
// and receive time-outs of 20 s.
//
// The rate is the bytes received divided by the seconds since the request
// for the test file started, on a monotonic clock, in KiB per second.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/number_format.h"
#include "ui/component.h"

namespace qz::ui {
class HttpClient;
}

namespace qz::it {

inline constexpr unsigned kSpeedTestTimeoutMs = 20000;
inline constexpr size_t kMaxAddressFileBytes = 64 * 1024;
inline constexpr size_t kMaxTestAddressLength = 2048;

// The test address in an address file's text: its first line (split at CR
// or LF), trimmed; "" unless it begins with http:// or https://, is at most
// 2,048 characters long and holds no control characters.
std::string TestAddressFrom(std::string_view body);

// The rate text: bytes / seconds / 1024 with three significant digits and
// three decimals ("250.000 kb/sec", "12.300 kb/sec", "0.988 kb/sec"), from
// 1000 on in exponent form ("1.23E3 kb/sec"); "??? kb/sec" when nothing was
// received.
std::string RateText(uint64_t bytes, double seconds, const NumberFormat& nf = NumberFormat::User());

// The files of the test in a folder (UserTempDir): "\TestFile.txt",
// "\TestFile.exe", "\TestFile.header" appended to it.
struct SpeedTestFiles {
  std::string addressFile, testFile, headerFile;
  static SpeedTestFiles In(const std::string& folder);
};

enum class SpeedTestOutcome {
  Success,
  ProjectIniMissing,  // "Needed file ... is missing!"
  AddressEmpty,       // "ITTest->URL is empty!"
  Failed,             // a transfer failed, or the address file was unusable
  Aborted,            // Abort() or AbortFlag: nothing is shown
};

class SpeedTest : public ui::Component {
 public:
  explicit SpeedTest(ui::Component* owner = nullptr);

  ui::HttpClient* NMHTTP_ITTest_LoadURLFile;  // the address file
  ui::HttpClient* NMHTTP_ITTest;              // the test file

  // Where things are (read at each Run; empty: the installation's
  // project.ini and UserTempDir).
  std::string ProjectIni;
  std::string TempFolder;
  // Connect and receive time-out of each transfer.
  unsigned TimeoutMs = kSpeedTestTimeoutMs;
  // Milliseconds on a monotonic clock (the performance counter by default).
  std::function<int64_t()> Clock;

  // The request for the test file is about to start (the window shows its
  // rate labels and starts its timer).
  std::function<void()> OnTestFileStarted;
  // Runs each time the waiting loop wakes during a transfer.
  std::function<void()> OnWaiting;

  // The whole test; see the top of this file.
  SpeedTestOutcome Run();
  // Ends the running transfer and the test.
  void Abort();
  bool Running() const { return running_; }

  std::string ProjectIniPath() const;
  const SpeedTestFiles& Files() const { return files_; }
  // The test file's counts (0 and -1 before it started).
  uint64_t BytesReceived() const;
  int64_t BytesTotal() const;
  // Seconds since the test-file request started (to its end once it ended).
  double ElapsedSeconds() const;
  // The average rate computed when the test file ended.
  std::string FinalRate(const NumberFormat& nf = NumberFormat::User()) const;

 private:
  enum class Step { Pending, Done, Failed, Aborted };
  Step Fetch(ui::HttpClient& client, const std::string& url, const std::string& file);
  int64_t Now() const;

  SpeedTestFiles files_;
  bool running_ = false;
  bool abort_ = false;
  Step step_ = Step::Pending;
  bool testFileStarted_ = false;
  int64_t started_ = 0, ended_ = -1;
  uint64_t finalBytes_ = 0;
};

}  // namespace qz::it
