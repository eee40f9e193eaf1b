#include "tuning/internet/speed_test.h"

#include <windows.h>

#include <algorithm>
#include <cmath>

#include "core/disk.h"
#include "core/globals.h"
#include "core/ini.h"
#include "core/pump.h"
#include "core/stringlist.h"
#include "core/text.h"
#include "ui/http_client.h"

namespace qz::it {

std::string TestAddressFrom(std::string_view body) {
  if (body.size() > kMaxAddressFileBytes) return {};
  const size_t end = body.find_first_of("\r\n");
  std::string line = Trim(body.substr(0, end));
  if (line.size() > kMaxTestAddressLength) return {};
  if (!IStartsWith(line, "http://") && !IStartsWith(line, "https://")) return {};
  for (unsigned char c : line)
    if (c < 0x20 || c == 0x7F) return {};
  return line;
}

std::string RateText(uint64_t bytes, double seconds, const NumberFormat& nf) {
  if (bytes == 0) return "??? kb/sec";
  const double kib = static_cast<double>(bytes) / std::max(seconds, 0.001) / 1024.0;
  // Three significant digits, shown with three decimals.
  const int digits = static_cast<int>(std::floor(std::log10(kib))) + 1;
  const double scale = std::pow(10.0, 3 - digits);
  const double shown = std::round(kib * scale) / scale;
  if (shown >= 1000.0) return FormatExponent(kib, 3, nf) + " kb/sec";
  return FormatFixed(shown, 3, nf, false) + " kb/sec";
}

SpeedTestFiles SpeedTestFiles::In(const std::string& folder) {
  return {folder + "\\TestFile.txt", folder + "\\TestFile.exe", folder + "\\TestFile.header"};
}

SpeedTest::SpeedTest(ui::Component* owner) : Component(owner, "SpeedTest") {
  NMHTTP_ITTest_LoadURLFile = new ui::HttpClient(this, "NMHTTP_ITTest_LoadURLFile");
  NMHTTP_ITTest = new ui::HttpClient(this, "NMHTTP_ITTest");
  NMHTTP_ITTest_LoadURLFile->MaxBodySize = kMaxAddressFileBytes;
  for (ui::HttpClient* c : {NMHTTP_ITTest_LoadURLFile, NMHTTP_ITTest}) {
    c->OnSuccess = [this](ui::HttpClient&) { step_ = Step::Done; };
    c->OnFailure = c->OnConnectionFailed = c->OnInvalidHost = [this](ui::HttpClient&) { step_ = Step::Failed; };
  }
}

std::string SpeedTest::ProjectIniPath() const { return ProjectIni.empty() ? qz::ProjectIniPath() : ProjectIni; }

int64_t SpeedTest::Now() const {
  return Clock ? Clock() : CounterMs();
}

SpeedTest::Step SpeedTest::Fetch(ui::HttpClient& client, const std::string& url, const std::string& file) {
  client.ConnectTimeoutMs = client.ReceiveTimeoutMs = TimeoutMs;
  step_ = Step::Pending;
  if (!client.GetToFile(url, file, files_.headerFile)) return Step::Failed;
  while (step_ == Step::Pending) {
    if (abort_ || AbortFlag == 1) {
      client.Abort();
      return Step::Aborted;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    PumpMessages();
    if (OnWaiting) OnWaiting();
  }
  // An abort asked for while the last events ran still ends the test.
  if (abort_ || AbortFlag == 1) return Step::Aborted;
  return step_;
}

SpeedTestOutcome SpeedTest::Run() {
  struct RunningFlag {
    bool& flag;
    explicit RunningFlag(bool& f) : flag(f) { flag = true; }
    ~RunningFlag() { flag = false; }
  } running(running_);
  abort_ = false;
  testFileStarted_ = false;
  started_ = 0;
  ended_ = -1;
  finalBytes_ = 0;
  files_ = SpeedTestFiles::In(TempFolder.empty() ? UserTempDir : TempFolder);

  const std::string ini = ProjectIniPath();
  if (!FileExists(ini)) return SpeedTestOutcome::ProjectIniMissing;
  const std::string url = Trim(IniReadString(ini, "ITTest", "file"));
  if (url.empty()) return SpeedTestOutcome::AddressEmpty;

  Step step = Fetch(*NMHTTP_ITTest_LoadURLFile, url, files_.addressFile);
  if (step != Step::Done) return step == Step::Aborted ? SpeedTestOutcome::Aborted : SpeedTestOutcome::Failed;
  std::string body;
  const int64_t size = GetFileSize64(files_.addressFile);
  if (size < 0 || static_cast<uint64_t>(size) > kMaxAddressFileBytes || !LoadTextFile(files_.addressFile, body))
    return SpeedTestOutcome::Failed;
  const std::string address = TestAddressFrom(body);
  if (address.empty()) return SpeedTestOutcome::Failed;

  testFileStarted_ = true;
  started_ = Now();
  if (OnTestFileStarted) OnTestFileStarted();
  step = Fetch(*NMHTTP_ITTest, address, files_.testFile);
  ended_ = Now();
  finalBytes_ = NMHTTP_ITTest->BytesReceived();
  if (step == Step::Aborted) return SpeedTestOutcome::Aborted;
  return step == Step::Done ? SpeedTestOutcome::Success : SpeedTestOutcome::Failed;
}

void SpeedTest::Abort() {
  if (!running_) return;
  abort_ = true;
  NMHTTP_ITTest_LoadURLFile->Abort();
  NMHTTP_ITTest->Abort();
}

uint64_t SpeedTest::BytesReceived() const { return testFileStarted_ ? NMHTTP_ITTest->BytesReceived() : 0; }

int64_t SpeedTest::BytesTotal() const { return testFileStarted_ ? NMHTTP_ITTest->BytesTotal() : -1; }

double SpeedTest::ElapsedSeconds() const {
  if (!testFileStarted_) return 0;
  return static_cast<double>((ended_ >= 0 ? ended_ : Now()) - started_) / 1000.0;
}

std::string SpeedTest::FinalRate(const NumberFormat& nf) const {
  return RateText(finalBytes_, ElapsedSeconds(), nf);
}

}  // namespace qz::it
