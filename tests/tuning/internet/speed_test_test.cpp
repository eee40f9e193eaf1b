// The speed test engine against the local test server (its /speedtest/
// paths): the rate text, the address file's checks, success, the failures
// of either transfer (a failed address fetch never goes on, counted by the
// server), aborts during either transfer, and a new test right after an
// abandoned one.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "core/disk.h"
#include "core/globals.h"
#include "core/stringlist.h"
#include "core/text.h"
#include "support/globals_guard.h"
#include "support/sandbox.h"
#include "tuning/internet/speed_test.h"
#include "ui/http_client.h"

namespace qz::it::test {
namespace {

int ServerPort() { return StrToIntDef(Trim(qz::test::ReadFileText("C:\\qztests\\http-port.txt")), 0); }
std::string Url(const std::string& path) { return "http://127.0.0.1:" + std::to_string(ServerPort()) + path; }

// What the server counted for a tag.
int Served(const std::string& tag) {
  ui::HttpClient c;
  c.Get(Url("/speedtest/count?tag=" + tag));
  c.WaitForCompletion(10000);
  return StrToIntDef(c.Body(), -1);
}

uint8_t PatternByte(uint64_t i) { return static_cast<uint8_t>((i * 7 + 3) % 251); }

std::string UniqueTag() {
  static int n = 0;
  return "st" + std::to_string(GetCurrentProcessId()) + "x" + std::to_string(GetTickCount()) + "x" +
         std::to_string(++n);
}

TEST(SpeedTestText, RateTexts) {
  const NumberFormat en;
  const struct {
    uint64_t bytes;
    double seconds;
    const char* text;
  } rows[] = {
      {2560000, 10, "250.000 kb/sec"}, {126418, 10, "12.300 kb/sec"}, {10114, 10, "0.988 kb/sec"},
      {1263616, 1, "1.23E3 kb/sec"},   {0, 5, "??? kb/sec"},          {1024, 0.25, "4.000 kb/sec"},
      {500, 0, "488.000 kb/sec"},  // a transfer within the clock's resolution still has a rate
  };
  for (const auto& r : rows) EXPECT_EQ(RateText(r.bytes, r.seconds, en), r.text) << r.bytes << " " << r.seconds;
  EXPECT_EQ(RateText(2560000, 10, NumberFormat{",", "."}), "250,000 kb/sec");
}

TEST(SpeedTestText, TheTestAddressIsTheCheckedFirstLine) {
  const std::string a = "http://127.0.0.1:80/x.bin";
  const struct {
    std::string body;
    std::string address;
  } rows[] = {
      {a + "\r\nhttp://other/\r\n", a},
      {a + "\n", a},
      {a + "\r", a},
      {a, a},
      {"  " + a + " \t\r\n", a},
      {"HTTPS://host/f.exe\n", "HTTPS://host/f.exe"},
      {"", ""},
      {"\r\n" + a, ""},
      {"ftp://127.0.0.1/x.bin\r\n", ""},
      {"C:\\windows\\notepad.exe", ""},
      {"http://host/a\x01" "b", ""},
      {"http://host/" + std::string(2048 - 12, 'a'), "http://host/" + std::string(2048 - 12, 'a')},
      {"http://host/" + std::string(2049 - 12, 'a'), ""},
      {a + "\r\n" + std::string(kMaxAddressFileBytes, 'x'), ""},  // a body over 64 KiB
  };
  for (const auto& r : rows) EXPECT_EQ(TestAddressFrom(r.body), r.address) << r.body.substr(0, 60);
}

class SpeedTestRun : public ::testing::Test {
 protected:
  SpeedTestRun() : dir("it-speed-run") {
    speed.TempFolder = ExcludeTrailingBackslash(dir.path() + "temp");
    CreateDirectoryW(Widen(speed.TempFolder).c_str(), nullptr);
    speed.ProjectIni = dir / "project.ini";
  }
  void SetUp() override { ASSERT_GT(ServerPort(), 0) << "the test HTTP server is not running"; }

  void Configure(const std::string& address) {
    WriteFileBytes(speed.ProjectIni, "[ITTest]\r\nfile=" + address + "\r\n");
  }
  // The address file of the server, pointing at `target` (more options after "&").
  void AddressTo(const std::string& target, const std::string& options = {}) {
    Configure(Url("/speedtest/address.txt?target=" + target + (options.empty() ? "" : "&" + options)));
  }
  SpeedTestOutcome RunTimed(DWORD& ms) {
    const DWORD start = GetTickCount();
    SpeedTestOutcome o = speed.Run();
    ms = GetTickCount() - start;
    return o;
  }

  qz::test::GlobalsGuard globals;
  qz::test::ScratchDir dir;
  SpeedTest speed;
};

TEST_F(SpeedTestRun, SuccessKeepsTheTestFileAndTheHeader) {
  AddressTo("/speedtest/file.bin%3Fsize%3D3000000");
  ASSERT_EQ(speed.Run(), SpeedTestOutcome::Success);
  const std::string got = qz::test::ReadFileText(speed.Files().testFile);
  ASSERT_EQ(got.size(), 3000000u);
  bool same = true;
  for (size_t i = 0; i < got.size() && same; i += 997) same = static_cast<uint8_t>(got[i]) == PatternByte(i % 65536);
  EXPECT_TRUE(same);
  EXPECT_EQ(speed.BytesReceived(), 3000000u);
  EXPECT_EQ(speed.BytesTotal(), 3000000);
  EXPECT_TRUE(StartsWith(qz::test::ReadFileText(speed.Files().headerFile), "HTTP/1.1 200")) << speed.Files().headerFile;
  EXPECT_TRUE(StartsWith(qz::test::ReadFileText(speed.Files().addressFile), "http://127.0.0.1:"));
  EXPECT_NE(speed.FinalRate().find(" kb/sec"), std::string::npos);
  EXPECT_EQ(speed.FinalRate().find("???"), std::string::npos);
  EXPECT_EQ(speed.Files().testFile, speed.TempFolder + "\\TestFile.exe");
  EXPECT_FALSE(speed.Running());
  // No part file is left beside the results.
  StringList parts;
  FindFiles(speed.TempFolder + "\\", "*.part", parts);
  EXPECT_TRUE(parts.empty());
}

TEST_F(SpeedTestRun, AddressFilesAreCheckedAsInput) {
  const struct {
    const char* options;
    SpeedTestOutcome outcome;
  } rows[] = {
      {"eol=crlf", SpeedTestOutcome::Success},
      {"eol=lf", SpeedTestOutcome::Success},
      {"eol=none", SpeedTestOutcome::Success},
      {"eol=crlf&extra=3", SpeedTestOutcome::Success},
      {"text=", SpeedTestOutcome::Failed},
      {"text=ftp%3A%2F%2F127.0.0.1%3A{port}%2Fsmall.txt", SpeedTestOutcome::Failed},
      {"length=3000", SpeedTestOutcome::Failed},
      {"pad=102400", SpeedTestOutcome::Failed},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.options);
    AddressTo("/small.txt", r.options);
    EXPECT_EQ(speed.Run(), r.outcome);
  }
  // project.ini missing, or without an address.
  DeleteFileW(Widen(speed.ProjectIni).c_str());
  EXPECT_EQ(speed.Run(), SpeedTestOutcome::ProjectIniMissing);
  WriteFileBytes(speed.ProjectIni, "[ITTest]\r\nfile=\r\n");
  EXPECT_EQ(speed.Run(), SpeedTestOutcome::AddressEmpty);
  WriteFileBytes(speed.ProjectIni, "[Update]\r\nfile=http://x/\r\n");
  EXPECT_EQ(speed.Run(), SpeedTestOutcome::AddressEmpty);
}

// A failed address fetch ends the test: an address file left by an earlier
// run is not used, and nothing more is asked of any server.
TEST_F(SpeedTestRun, AFailedAddressFetchEndsTheTest) {
  const std::string oldTag = UniqueTag();
  for (const std::string& address :
       {Url("/missing.txt?tag=" + oldTag + "a"), std::string("http://127.0.0.1:1/address.txt"),
        std::string("http://quenzal-speedtest.invalid/address.txt")}) {
    SCOPED_TRACE(address);
    WriteFileBytes(SpeedTestFiles::In(speed.TempFolder).addressFile,
                   Url("/speedtest/file.bin?tag=" + oldTag) + "\r\n");
    Configure(address);
    EXPECT_EQ(speed.Run(), SpeedTestOutcome::Failed);
  }
  EXPECT_EQ(Served(oldTag + "a"), 1);
  EXPECT_EQ(Served(oldTag), 0);
}

TEST_F(SpeedTestRun, TestFileFailures) {
  EXPECT_EQ(speed.TimeoutMs, 20000u);
  for (const char* target : {"/missing.txt", "/truncated.bin"}) {
    SCOPED_TRACE(target);
    AddressTo(target);
    EXPECT_EQ(speed.Run(), SpeedTestOutcome::Failed);
  }
  // A server that never answers: failed at the 20 s receive time-out.
  AddressTo("/hang");
  DWORD ms = 0;
  EXPECT_EQ(RunTimed(ms), SpeedTestOutcome::Failed);
  EXPECT_GE(ms, 19000u);
  EXPECT_LT(ms, 26000u);
}

TEST_F(SpeedTestRun, AbortEndsEitherTransferAtOnce) {
  int wakes = 0;
  DWORD abortedAt = 0;
  speed.OnWaiting = [&] {
    if (++wakes == 3) {
      abortedAt = GetTickCount();
      speed.Abort();
    }
  };
  // The address fetch and the test file, each on a server that never answers.
  for (const std::string& address : {Url("/hang"), Url("/speedtest/address.txt?target=/hang")}) {
    SCOPED_TRACE(address);
    wakes = 0;
    Configure(address);
    bool testFileStarted = false;
    speed.OnTestFileStarted = [&] { testFileStarted = true; };
    EXPECT_EQ(speed.Run(), SpeedTestOutcome::Aborted);
    EXPECT_LT(GetTickCount() - abortedAt, 1000u);
    EXPECT_EQ(testFileStarted, address.find("address.txt") != std::string::npos);
  }
  // The program-wide flag (the module's Cancel and a closing window) does the same.
  wakes = 0;
  speed.OnWaiting = [&] {
    if (++wakes == 3) AbortFlag = 1;
  };
  AbortFlag = 0;
  EXPECT_EQ(speed.Run(), SpeedTestOutcome::Aborted);
}

// A test abandoned while its worker still holds a half-written test file on
// a stalled server; the next test starts at once and succeeds.
TEST_F(SpeedTestRun, ANewTestRightAfterAnAbandonedOne) {
  AddressTo("/speedtest/stall.bin%3Fsize%3D1000000%26send%3D100000");
  speed.OnWaiting = [&] {
    if (speed.BytesReceived() > 0) speed.Abort();
  };
  ASSERT_EQ(speed.Run(), SpeedTestOutcome::Aborted);
  speed.OnWaiting = nullptr;
  AddressTo("/speedtest/file.bin%3Fsize%3D500000");
  ASSERT_EQ(speed.Run(), SpeedTestOutcome::Success);
  EXPECT_EQ(GetFileSize64(speed.Files().testFile), 500000);
}

}  // namespace
}  // namespace qz::it::test
