// The HTTP client against the local test server (tests/support/http_server.py,
// its port in C:\qztests\http-port.txt).
#include <gtest/gtest.h>
#include <windows.h>
#include <winsock2.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/text.h"
#include "support/sandbox.h"
#include "ui/http_client.h"

using qz::ui::HttpClient;

namespace {

// Sizes the server's paths deliver.
constexpr uint64_t kBigSize = 3 * 1024 * 1024 + 12345;
constexpr uint64_t kSlowSize = 1024 * 1024;
const char kSmallText[] = "Hello from the test server.\r\nSecond line.\r\n";

int ServerPort() {
  std::string text = qz::test::ReadFileText("C:\\qztests\\http-port.txt");
  return qz::StrToIntDef(qz::Trim(text), 0);
}

std::string Url(const std::string& path) {
  return "http://127.0.0.1:" + std::to_string(ServerPort()) + path;
}

// A port on which nobody listens: bound once, then closed.
int ClosedPort() {
  WSADATA wsa;
  WSAStartup(MAKEWORD(2, 2), &wsa);
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = 0;
  int len = sizeof a;
  int port = 0;
  if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
    port = ntohs(a.sin_port);
  closesocket(s);
  return port;
}

uint8_t BigByte(uint64_t i) { return static_cast<uint8_t>((i * 7 + 3) % 251); }

// The part files a transfer writes before its file takes its name.
int PartFiles(const qz::test::ScratchDir& dir) {
  int n = 0;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(qz::Widen(dir.path() + "*.part").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return 0;
  do ++n;
  while (FindNextFileW(h, &fd));
  FindClose(h);
  return n;
}

// Pumps this thread's messages for a while.
void PumpFor(DWORD ms) {
  const DWORD start = GetTickCount();
  MSG msg;
  while (GetTickCount() - start < ms) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

// Records the events of one client: their names, and whether each ran on
// the thread that made the client.
struct Recorder {
  explicit Recorder(HttpClient& c) : client(c), thread(GetCurrentThreadId()) {
    auto note = [this](const char* what) {
      return [this, what](HttpClient& h) {
        EXPECT_EQ(&h, &client);
        if (GetCurrentThreadId() != thread) wrongThread = true;
        events.push_back(what);
      };
    };
    c.OnSuccess = note("success");
    c.OnFailure = note("failure");
    c.OnConnectionFailed = note("connection failed");
    c.OnInvalidHost = note("invalid host");
    c.OnProgress = [this](HttpClient& h) {
      if (GetCurrentThreadId() != thread) wrongThread = true;
      if (h.BytesReceived() < lastProgress) progressWentBack = true;
      lastProgress = h.BytesReceived();
      ++progressCalls;
    };
  }
  // The one final event, or "" when none or more than one came.
  std::string Outcome() const {
    int n = 0;
    std::string last;
    for (const std::string& e : events) {
      ++n;
      last = e;
    }
    return n == 1 ? last : (n == 0 ? "" : "several");
  }
  HttpClient& client;
  DWORD thread;
  std::vector<std::string> events;
  bool wrongThread = false;
  bool progressWentBack = false;
  uint64_t lastProgress = 0;
  int progressCalls = 0;
};

class Http : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GT(ServerPort(), 0) << "the test HTTP server is not running (C:\\qztests\\http-port.txt)";
  }
};

TEST_F(Http, RepliesEndInTheRightEvent) {
  struct Case {
    const char* path;
    const char* outcome;
    int status;
    const char* bodyHas;
  } cases[] = {
      {"/small.txt", "success", 200, "Second line."},
      {"/body404.txt", "success", 200, "404"},  // a 200 page that mentions 404 is a success
      {"/missing.txt", "failure", 404, "404 Not Found"},
      {"/error500", "failure", 500, "500"},
      {"/redirect", "success", 200, "Hello from"},
      {"/truncated.bin", "failure", 200, ""},
      {"/headers", "success", 200, "ok"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    HttpClient client;
    Recorder rec(client);
    ASSERT_TRUE(client.Get(Url(c.path)));
    EXPECT_TRUE(client.Busy());
    ASSERT_TRUE(client.WaitForCompletion(10000));
    EXPECT_FALSE(client.Busy());
    EXPECT_EQ(rec.Outcome(), c.outcome) << client.ErrorText();
    EXPECT_EQ(client.StatusCode(), c.status);
    EXPECT_NE(client.Body().find(c.bodyHas), std::string::npos) << client.Body().substr(0, 200);
    EXPECT_NE(client.Header().find("HTTP/1."), std::string::npos);
    EXPECT_FALSE(rec.wrongThread);
    EXPECT_FALSE(client.Cancelled());
  }
}

TEST_F(Http, MemoryBodyHeaderAndProgress) {
  HttpClient client;
  Recorder rec(client);
  ASSERT_TRUE(client.Get(Url("/headers")));
  ASSERT_TRUE(client.WaitForCompletion(10000));
  EXPECT_NE(client.Header().find("X-Qz-Test: yes"), std::string::npos) << client.Header();

  // A large body: the counts grow, the last one before the success is the total.
  rec.events.clear();
  ASSERT_TRUE(client.Get(Url("/big.bin")));
  ASSERT_TRUE(client.WaitForCompletion(20000));
  ASSERT_EQ(rec.Outcome(), "success") << client.ErrorText();
  ASSERT_EQ(client.Body().size(), kBigSize);
  bool same = true;
  for (uint64_t i = 0; i < kBigSize && same; i += 4099) same = static_cast<uint8_t>(client.Body()[i]) == BigByte(i);
  EXPECT_TRUE(same);
  EXPECT_GE(rec.progressCalls, 1);
  EXPECT_EQ(rec.lastProgress, kBigSize);
  EXPECT_FALSE(rec.progressWentBack);
  EXPECT_EQ(client.BytesReceived(), kBigSize);
  EXPECT_EQ(client.BytesTotal(), static_cast<int64_t>(kBigSize));

  // Without a Content-Length the total stays unknown.
  rec.events.clear();
  ASSERT_TRUE(client.Get(Url("/stream.bin")));
  ASSERT_TRUE(client.WaitForCompletion(20000));
  ASSERT_EQ(rec.Outcome(), "success") << client.ErrorText();
  EXPECT_EQ(client.Body().size(), kBigSize);
  EXPECT_EQ(client.BytesTotal(), -1);
  EXPECT_EQ(rec.lastProgress, kBigSize);
}

TEST_F(Http, IntoFile) {
  qz::test::ScratchDir dir("http_file");
  const std::string body = dir / "TestFile.exe";
  const std::string header = dir / "TestFile.header";
  HttpClient client;
  Recorder rec(client);
  ASSERT_TRUE(client.GetToFile(Url("/big.bin"), body, header));
  ASSERT_TRUE(client.WaitForCompletion(20000));
  ASSERT_EQ(rec.Outcome(), "success") << client.ErrorText();
  std::string got = qz::test::ReadFileText(body);
  ASSERT_EQ(got.size(), kBigSize);
  EXPECT_EQ(static_cast<uint8_t>(got[kBigSize - 1]), BigByte(kBigSize - 1));
  EXPECT_TRUE(client.Body().empty());
  EXPECT_EQ(rec.lastProgress, kBigSize);
  std::string head = qz::test::ReadFileText(header);
  EXPECT_NE(head.find("200"), std::string::npos);
  EXPECT_NE(head.find("Content-Length: " + std::to_string(kBigSize)), std::string::npos);
  EXPECT_EQ(PartFiles(dir), 0);

  // A failed transfer leaves the file that was there as it was.
  const std::string list = dir.Write("DC-Folders.txt", "C:\\old\\\r\n");
  for (const char* path : {"/missing.txt", "/truncated.bin"}) {
    SCOPED_TRACE(path);
    rec.events.clear();
    ASSERT_TRUE(client.GetToFile(Url(path), list));
    ASSERT_TRUE(client.WaitForCompletion(10000));
    EXPECT_EQ(rec.Outcome(), "failure");
    EXPECT_EQ(qz::test::ReadFileText(list), "C:\\old\\\r\n");
    EXPECT_EQ(PartFiles(dir), 0);
  }
  // A successful one replaces it.
  rec.events.clear();
  ASSERT_TRUE(client.GetToFile(Url("/small.txt"), list));
  ASSERT_TRUE(client.WaitForCompletion(10000));
  EXPECT_EQ(rec.Outcome(), "success");
  EXPECT_EQ(qz::test::ReadFileText(list), kSmallText);
}

TEST_F(Http, ConnectionFailures) {
  HttpClient client;
  Recorder rec(client);
  ASSERT_TRUE(client.Get("http://127.0.0.1:" + std::to_string(ClosedPort()) + "/small.txt"));
  ASSERT_TRUE(client.WaitForCompletion(20000));
  EXPECT_EQ(rec.Outcome(), "connection failed") << client.ErrorText();
  EXPECT_EQ(client.StatusCode(), 0);

  // A name that cannot resolve (the reserved top-level domain .invalid).
  rec.events.clear();
  ASSERT_TRUE(client.Get("http://quenzal-update.invalid/version.txt"));
  ASSERT_TRUE(client.WaitForCompletion(30000));
  EXPECT_EQ(rec.Outcome(), "invalid host") << client.ErrorText();

  // Malformed addresses are failures.
  for (const char* bad : {"not an address", "ftp://127.0.0.1/x", ""}) {
    SCOPED_TRACE(bad);
    rec.events.clear();
    ASSERT_TRUE(client.Get(bad));
    ASSERT_TRUE(client.WaitForCompletion(5000));
    EXPECT_EQ(rec.Outcome(), "failure");
  }
  EXPECT_FALSE(rec.wrongThread);
}

// Raw bytes without a status line, which WinINet passes off as "200 OK":
// for every caller a failed connection, with nothing kept and no file touched.
TEST_F(Http, ReplyWithoutAStatusLineIsAFailedConnection) {
  qz::test::ScratchDir dir("http_nostatus");
  const std::string list = dir.Write("DC-Folders.txt", "C:\\old\\\r\n");
  for (const char* path : {"/nostatus", "/nostatus-http"}) {
    SCOPED_TRACE(path);
    HttpClient client;
    Recorder rec(client);
    ASSERT_TRUE(client.Get(Url(path)));
    ASSERT_TRUE(client.WaitForCompletion(10000));
    EXPECT_EQ(rec.Outcome(), "connection failed") << client.ErrorText();
    EXPECT_EQ(client.StatusCode(), 0);
    EXPECT_TRUE(client.Body().empty());
    EXPECT_TRUE(client.Header().empty());

    rec.events.clear();
    ASSERT_TRUE(client.GetToFile(Url(path), list, dir / "list.header"));
    ASSERT_TRUE(client.WaitForCompletion(10000));
    EXPECT_EQ(rec.Outcome(), "connection failed");
    EXPECT_EQ(qz::test::ReadFileText(list), "C:\\old\\\r\n");
    EXPECT_EQ(GetFileAttributesW(qz::Widen(dir / "list.header").c_str()), INVALID_FILE_ATTRIBUTES);
  }
}

TEST_F(Http, HungServerEndsAtTheReceiveTimeOut) {
  HttpClient client;
  Recorder rec(client);
  client.ReceiveTimeoutMs = 1000;
  const DWORD start = GetTickCount();
  ASSERT_TRUE(client.Get(Url("/hang")));
  ASSERT_TRUE(client.WaitForCompletion(15000));
  const DWORD took = GetTickCount() - start;
  EXPECT_EQ(rec.Outcome(), "connection failed") << client.ErrorText();
  EXPECT_GE(took, 900u);
  EXPECT_LT(took, 8000u);
}

TEST_F(Http, CallersTimerAbortsAHungServer) {
  // The pattern of the update check: a timer whose expiry aborts.
  HttpClient client;
  Recorder rec(client);
  ASSERT_TRUE(client.Get(Url("/hang")));
  UINT_PTR timer = SetTimer(nullptr, 0, 300, nullptr);
  bool fired = false;
  const DWORD start = GetTickCount();
  MSG msg;
  while (!fired && GetTickCount() - start < 5000 && GetMessageW(&msg, nullptr, 0, 0)) {
    if (msg.message == WM_TIMER && msg.wParam == timer) {
      fired = true;
      client.Abort();
    }
    DispatchMessageW(&msg);
  }
  KillTimer(nullptr, timer);
  ASSERT_TRUE(fired);
  EXPECT_FALSE(client.Busy());
  EXPECT_TRUE(client.Cancelled());
  PumpFor(300);
  EXPECT_TRUE(rec.events.empty());
  // The component is free for the next transfer at once.
  ASSERT_TRUE(client.Get(Url("/small.txt")));
  EXPECT_FALSE(client.Cancelled());
  ASSERT_TRUE(client.WaitForCompletion(10000));
  EXPECT_EQ(rec.Outcome(), "success");
}

TEST_F(Http, AbortDuringTransferDeliversNothing) {
  qz::test::ScratchDir dir("http_abort");
  const std::string file = dir.Write("TestFile.exe", "previous");
  HttpClient client;
  Recorder rec(client);
  client.OnProgress = [&](HttpClient& c) {
    ++rec.progressCalls;
    if (c.BytesReceived() >= 8192) c.Abort();  // from inside an event
  };
  ASSERT_TRUE(client.GetToFile(Url("/slow.bin"), file));
  const DWORD start = GetTickCount();
  while (client.Busy() && GetTickCount() - start < 10000) PumpFor(20);
  EXPECT_FALSE(client.Busy());
  EXPECT_TRUE(client.Cancelled());
  EXPECT_GE(rec.progressCalls, 1);
  const uint64_t atAbort = client.BytesReceived();
  EXPECT_GE(atAbort, 8192u);
  EXPECT_LT(atAbort, kSlowSize);
  PumpFor(500);
  EXPECT_TRUE(rec.events.empty());
  EXPECT_EQ(client.BytesReceived(), atAbort);
  EXPECT_EQ(qz::test::ReadFileText(file), "previous");
  // The worker notices the abort at its next read and removes its partial file.
  for (int i = 0; i < 150 && PartFiles(dir) > 0; ++i) Sleep(20);
  EXPECT_EQ(PartFiles(dir), 0);
}

// A slow line (4 KiB every 100 ms): the count moves at least every half
// second, with no more than 20 progress events a second.
TEST_F(Http, SlowLineCountMovesOften) {
  HttpClient client;
  int events = 0;
  client.OnProgress = [&](HttpClient&) { ++events; };
  ASSERT_TRUE(client.Get(Url("/slow.bin")));
  const DWORD start = GetTickCount();
  DWORD lastChange = start, longestGap = 0;
  uint64_t last = 0;
  while (GetTickCount() - start < 2000) {
    PumpFor(20);
    const uint64_t now = client.BytesReceived();
    const DWORD t = GetTickCount();
    if (now != last) {
      if (last != 0) longestGap = std::max(longestGap, t - lastChange);
      last = now;
      lastChange = t;
    }
  }
  client.Abort();
  EXPECT_GT(last, 0u);
  EXPECT_LE(longestGap, 500u);
  EXPECT_LE(events, 2 * 20 + 1);
}

// A fast body: a handful of events, not one per read.
TEST_F(Http, ProgressEventsAreFewOnAFastLine) {
  HttpClient client;
  int events = 0;
  client.OnProgress = [&](HttpClient&) { ++events; };
  const DWORD start = GetTickCount();
  ASSERT_TRUE(client.Get(Url("/speedtest/file.bin?size=60000000")));
  int outcome = 0;
  client.OnSuccess = [&](HttpClient&) { outcome = 1; };
  client.OnFailure = [&](HttpClient&) { outcome = 2; };
  ASSERT_TRUE(client.WaitForCompletion(60000));
  const double seconds = (GetTickCount() - start) / 1000.0;
  EXPECT_EQ(outcome, 1) << client.ErrorText();
  EXPECT_EQ(client.Body().size(), 60000000u);
  EXPECT_LE(events, 20 * seconds + 2) << seconds << " s";
}

// A transfer abandoned while its worker still writes (the server holds the
// body, then completes it): the next transfer to the same file starts at
// once and succeeds, and the abandoned one never replaces the file.
TEST_F(Http, AnAbandonedTransferNeverTouchesTheNextOne) {
  qz::test::ScratchDir dir("http_abandon");
  const std::string file = dir / "TestFile.exe";
  HttpClient first;
  ASSERT_TRUE(first.GetToFile(Url("/speedtest/stall.bin?size=200000&send=50000&hold=1"), file));
  const DWORD start = GetTickCount();
  while (first.BytesReceived() == 0 && GetTickCount() - start < 10000) PumpFor(10);
  ASSERT_GT(first.BytesReceived(), 0u);
  first.Abort();

  HttpClient second;
  Recorder rec(second);
  ASSERT_TRUE(second.GetToFile(Url("/small.txt"), file));
  ASSERT_TRUE(second.WaitForCompletion(10000));
  EXPECT_EQ(rec.Outcome(), "success") << second.ErrorText();
  EXPECT_EQ(qz::test::ReadFileText(file), kSmallText);
  // The first worker gets the rest of its body after the server's hold, sees
  // that it was abandoned and removes its part file.
  for (int i = 0; i < 250 && PartFiles(dir) > 0; ++i) PumpFor(20);
  EXPECT_EQ(PartFiles(dir), 0);
  EXPECT_EQ(qz::test::ReadFileText(file), kSmallText);
}

TEST_F(Http, FailureHandlerMayAbort) {
  HttpClient client;
  int failures = 0;
  client.OnFailure = [&](HttpClient& c) {
    ++failures;
    c.Abort();  // the failure handlers of the callers do this
  };
  ASSERT_TRUE(client.Get(Url("/missing.txt")));
  ASSERT_TRUE(client.WaitForCompletion(10000));
  PumpFor(100);
  EXPECT_EQ(failures, 1);
  EXPECT_EQ(client.StatusCode(), 404);
}

TEST_F(Http, EventsRunOnlyWhileTheGuiThreadPumps) {
  HttpClient client;
  Recorder rec(client);
  ASSERT_TRUE(client.Get(Url("/small.txt")));
  EXPECT_FALSE(client.Get(Url("/small.txt")));  // one transfer at a time
  Sleep(1500);                                   // done by now, but nobody pumped
  EXPECT_TRUE(rec.events.empty());
  EXPECT_TRUE(client.Busy());
  const DWORD start = GetTickCount();
  while (rec.events.empty() && GetTickCount() - start < 10000) PumpFor(20);
  EXPECT_EQ(rec.Outcome(), "success");
  EXPECT_FALSE(rec.wrongThread);
  EXPECT_EQ(client.Body(), kSmallText);
}

TEST_F(Http, ExceptionInAHandlerIsShownNotPropagated) {
  qz::test::MessageBoxRecorder boxes;
  HttpClient client;
  client.OnSuccess = [](HttpClient&) { throw std::runtime_error("Wrong format on server?"); };
  ASSERT_TRUE(client.Get(Url("/small.txt")));
  ASSERT_TRUE(client.WaitForCompletion(10000));
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_NE(boxes.boxes[0].text.find("Wrong format on server?"), std::string::npos);
  EXPECT_EQ(boxes.boxes[0].kind, qz::MsgKind::Error);
  EXPECT_FALSE(client.Busy());
}

TEST_F(Http, BodySizeLimit) {
  HttpClient client;
  Recorder rec(client);
  client.MaxBodySize = 1024 * 1024;
  for (const char* path : {"/big.bin", "/stream.bin"}) {  // announced and unannounced
    SCOPED_TRACE(path);
    rec.events.clear();
    ASSERT_TRUE(client.Get(Url(path)));
    ASSERT_TRUE(client.WaitForCompletion(20000));
    EXPECT_EQ(rec.Outcome(), "failure");
    EXPECT_LE(client.Body().size(), 1024u * 1024u);
  }
  rec.events.clear();
  ASSERT_TRUE(client.Get(Url("/small.txt")));
  ASSERT_TRUE(client.WaitForCompletion(10000));
  EXPECT_EQ(rec.Outcome(), "success");
}

TEST_F(Http, DestroyedDuringTransferOrInsideItsEvent) {
  // Destroyed while the worker reads: nothing runs afterwards.
  int events = 0;
  {
    auto client = std::make_unique<HttpClient>();
    client->OnProgress = client->OnSuccess = client->OnFailure = [&](HttpClient&) { ++events; };
    ASSERT_TRUE(client->Get(Url("/slow.bin")));
    PumpFor(150);
    events = 0;
  }
  {
    auto client = std::make_unique<HttpClient>();
    ASSERT_TRUE(client->Get(Url("/hang")));
  }
  PumpFor(400);
  EXPECT_EQ(events, 0);

  // Freed by its owner inside its own progress event.
  auto owner = std::make_unique<qz::ui::Component>(nullptr, "Form");
  auto* client = new HttpClient(owner.get(), "NMHTTP_Update");
  EXPECT_EQ(owner->FindComponent("nmhttp_update"), client);
  int calls = 0;
  client->OnProgress = [&](HttpClient&) {
    ++calls;
    owner.reset();
  };
  client->OnSuccess = [&](HttpClient&) { ++calls; };
  ASSERT_TRUE(client->Get(Url("/big.bin")));
  const DWORD start = GetTickCount();
  while (owner && GetTickCount() - start < 10000) PumpFor(20);
  PumpFor(300);
  EXPECT_EQ(calls, 1);
}

}  // namespace
