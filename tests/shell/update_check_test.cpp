// The update check: reading a reply and comparing versions (one table), the
// check's course with a fake client and box sink, and the real client of the
// main window against the local test server (its port in
// C:\qztests\http-port.txt).
#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "core/disk.h"
#include "core/help.h"
#include "core/text.h"
#include "shell/shell_test_util.h"
#include "shell/update_check.h"
#include "ui/http_client.h"
#include "ui/timer.h"

namespace qz::shell {
namespace {

using Kind = UpdateOffer::Kind;

// ---- the reply --------------------------------------------------------------------

TEST(UpdateReply, VersionsCompareByNumbersAndRepliesAreReadStrictly) {
  struct Row {
    const char* body;
    Kind kind;
    const char* address;
  };
  const Row rows[] = {
      {"2.11*http://x.example/get.exe", Kind::Newer, "http://x.example/get.exe"},
      {"10.0*http://x.example/", Kind::Newer, "http://x.example/"},
      {"2.10.1*https://x.example/", Kind::Newer, "https://x.example/"},
      {"2.10*http://x.example/", Kind::NotNewer, ""},
      {"2.10.0*http://x.example/", Kind::NotNewer, ""},
      {"2.9*http://x.example/", Kind::NotNewer, ""},  // 9 < 10: not the text order
      {"1.99*nothing to open", Kind::NotNewer, ""},    // the address of an old version is not looked at
      // Blanks and line breaks around version and address.
      {" 2.11\r\n*  http://x.example/a b\r\n", Kind::Newer, "http://x.example/a b"},
      {"HTTPS://X.EXAMPLE/*rest", Kind::WrongFormat, ""},
      // Wrong format: no "*", no version, not a version, no usable address.
      {"2.11", Kind::WrongFormat, ""},
      {"", Kind::WrongFormat, ""},
      {"*http://x.example/", Kind::WrongFormat, ""},
      {"2.11a*http://x.example/", Kind::WrongFormat, ""},
      {"2..11*http://x.example/", Kind::WrongFormat, ""},
      {"v2.11*http://x.example/", Kind::WrongFormat, ""},
      {"99999999999*http://x.example/", Kind::WrongFormat, ""},
      {"2.11*ftp://x.example/", Kind::WrongFormat, ""},
      {"2.11*file:///C:/windows/system32/calc.exe", Kind::WrongFormat, ""},
      {"2.11*http://", Kind::WrongFormat, ""},
      {"2.11*http://x.example/\r\ncalc.exe", Kind::WrongFormat, ""},
      {"2.11*http://x.example/\tx", Kind::WrongFormat, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.body);
    const UpdateOffer o = ReadUpdateReply(r.body, "2.10");
    EXPECT_EQ(o.kind, r.kind);
    EXPECT_EQ(o.address, r.address);
  }

  const std::vector<std::string> ordered = {"1", "2.9", "2.10", "2.10.1", "2.11", "10.0"};
  for (size_t i = 0; i + 1 < ordered.size(); ++i) {
    const auto a = ParseVersion(ordered[i]), b = ParseVersion(ordered[i + 1]);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(CompareVersions(*a, *b), -1) << ordered[i] << " < " << ordered[i + 1];
    EXPECT_EQ(CompareVersions(*b, *a), 1);
  }
  EXPECT_EQ(CompareVersions(*ParseVersion("2.1"), *ParseVersion("2.1.0")), 0);
  EXPECT_EQ(*ParseVersion("\r\n 2.10 \n"), (std::vector<int>{2, 10}));
}

// ---- the check with fakes ------------------------------------------------------------

struct FakeOutside {
  std::vector<int> pages;
  bool timer = false;
  std::vector<std::string> gets;
  int aborts = 0;
  struct Box {
    std::string text;
    MsgKind kind;
    MsgButtons buttons;
  };
  std::vector<Box> boxes;
  std::deque<int> answers;
  std::vector<std::string> opened;
  int terminated = 0;

  UpdatePorts Ports(const std::string& projectIni) {
    UpdatePorts p;
    p.ShowPage = [this](int page) { pages.push_back(page); };
    p.SetTimer = [this](bool on) { timer = on; };
    p.Get = [this](const std::string& url) {
      gets.push_back(url);
      return true;
    };
    p.Abort = [this] { ++aborts; };
    p.Box = [this](const std::string& text, MsgKind kind, MsgButtons buttons) {
      boxes.push_back({text, kind, buttons});
      if (answers.empty()) return IDOK;
      const int a = answers.front();
      answers.pop_front();
      return a;
    };
    p.Tr = [](const std::string& key, const std::string&) { return key; };
    p.OpenAddress = [this](const std::string& a) { opened.push_back(a); };
    p.Terminate = [this] { ++terminated; };
    p.ProjectIni = projectIni;
    return p;
  }
  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> out;
    for (const Box& b : boxes) out.push_back(b.text);
    return out;
  }
};

class UpdateCheckTest : public ::testing::Test {
 protected:
  std::unique_ptr<UpdateCheck> Make(const std::string& ini) {
    return std::make_unique<UpdateCheck>(nullptr, outside.Ports(ini));
  }
  std::unique_ptr<UpdateCheck> Started() {
    auto c = Make(dir.Write("project.ini", "[Update]\r\nfile=http://updates.example/v.txt\r\n"));
    c->Start();
    return c;
  }
  qz::test::ScratchDir dir{"shell_update_fake"};
  FakeOutside outside;
};

TEST_F(UpdateCheckTest, WithoutAnAddressNothingIsFetched) {
  auto missing = Make(dir / "project.ini");
  missing->Start();
  ASSERT_EQ(outside.boxes.size(), 1u);
  EXPECT_EQ(outside.boxes[0].text, "Needed file\r" + (dir / "project.ini") + "\ris missing!");
  EXPECT_EQ(outside.boxes[0].kind, MsgKind::Error);
  EXPECT_EQ(outside.pages, (std::vector<int>{3, 2}));

  outside = {};
  auto empty = Make(dir.Write("project.ini", "[Update]\r\nfile=\r\n[NewLists]\r\n"));
  empty->Start();
  EXPECT_EQ(outside.BoxTexts(), (std::vector<std::string>{"Update->file is empty!"}));
  EXPECT_EQ(outside.pages, (std::vector<int>{3, 2}));
  EXPECT_TRUE(outside.gets.empty());
  EXPECT_FALSE(empty->Pending());
}

TEST_F(UpdateCheckTest, ANewerVersionIsOfferedAndOpenedOnYes) {
  auto c = Started();
  EXPECT_EQ(outside.gets, (std::vector<std::string>{"http://updates.example/v.txt"}));
  EXPECT_TRUE(outside.timer);
  EXPECT_EQ(outside.pages, (std::vector<int>{3}));
  outside.answers = {IDYES};
  c->ReplyArrived(200, "2.11*http://updates.example/setup.exe\r\n");
  ASSERT_EQ(outside.boxes.size(), 1u);
  EXPECT_EQ(outside.boxes[0].text, "MESSAGE_UpdateDownloadNew");
  EXPECT_EQ(outside.boxes[0].kind, MsgKind::Question);
  EXPECT_EQ(outside.boxes[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(outside.opened, (std::vector<std::string>{"http://updates.example/setup.exe"}));
  EXPECT_EQ(outside.terminated, 1);
  EXPECT_FALSE(outside.timer);
  EXPECT_EQ(outside.pages.back(), 2);

  // No: nothing opened, the program goes on.
  outside = {};
  c->Start();
  outside.answers = {IDNO};
  c->ReplyArrived(200, "10.0*http://updates.example/setup.exe");
  EXPECT_TRUE(outside.opened.empty());
  EXPECT_EQ(outside.terminated, 0);
  EXPECT_EQ(outside.pages, (std::vector<int>{3, 2}));
  EXPECT_FALSE(c->Pending());
}

TEST_F(UpdateCheckTest, TheSameOrAnOlderVersionIsNoUpdate) {
  for (const char* body : {"2.10*http://u.example/", "2.9*http://u.example/"}) {
    outside = {};
    auto c = Started();
    c->ReplyArrived(200, body);
    EXPECT_EQ(outside.BoxTexts(), (std::vector<std::string>{"MESSAGE_UpdateNoNew"})) << body;
    EXPECT_EQ(outside.boxes[0].kind, MsgKind::Information);
    EXPECT_EQ(outside.pages.back(), 2);
  }
}

// A reply that is no update notice, or a download address that may not go
// to the shell: "Wrong format on server?", then the failure.
TEST_F(UpdateCheckTest, AWrongReplyIsReportedThenTheFailure) {
  for (const char* body : {"2.11", "2.11x*http://u.example/", "2.11*file:///C:/x.exe", "2.11*http://u/\r\nx"}) {
    outside = {};
    auto c = Started();
    c->ReplyArrived(200, body);
    EXPECT_EQ(outside.BoxTexts(), (std::vector<std::string>{"Wrong format on server?", "MESSAGE_UpdateFailed"}))
        << body;
    EXPECT_EQ(outside.boxes[0].kind, MsgKind::Error);
    EXPECT_EQ(outside.boxes[1].kind, MsgKind::Error);
    EXPECT_TRUE(outside.opened.empty());
    EXPECT_EQ(outside.aborts, 1);
    EXPECT_EQ(outside.pages.back(), 2);
  }
}

// Only a 2xx reply counts; every failure ends in one box, and whatever comes
// after the check has ended (a late reply after the time-out) is dropped.
TEST_F(UpdateCheckTest, FailuresEndTheCheckOnceAndLateRepliesAreDropped) {
  auto c = Started();
  c->ReplyArrived(404, "2.11*http://u.example/");
  EXPECT_EQ(outside.BoxTexts(), (std::vector<std::string>{"MESSAGE_UpdateFailed"}));
  EXPECT_TRUE(outside.opened.empty());

  outside = {};
  c->Start();  // refused connection, invalid host: the client's failure events
  c->Failed();
  c->Failed();
  EXPECT_EQ(outside.BoxTexts(), (std::vector<std::string>{"MESSAGE_UpdateFailed"}));

  outside = {};
  c->Start();
  c->TimedOut();
  EXPECT_EQ(outside.aborts, 1);
  EXPECT_FALSE(outside.timer);
  c->ReplyArrived(200, "2.11*http://u.example/");
  c->Failed();
  EXPECT_EQ(outside.BoxTexts(), (std::vector<std::string>{"MESSAGE_UpdateFailed"}));
  EXPECT_EQ(outside.pages, (std::vector<int>{3, 2}));
}

TEST_F(UpdateCheckTest, OneCheckAtATime) {
  auto c = Started();
  c->Start();
  c->Start();
  EXPECT_EQ(outside.gets.size(), 1u);
  EXPECT_EQ(outside.pages, (std::vector<int>{3}));
  EXPECT_TRUE(outside.boxes.empty());
  c->ReplyArrived(200, "2.10*http://u.example/");
  c->Start();
  EXPECT_EQ(outside.gets.size(), 2u) << "a new check once the first has ended";
}

// ---- the main window's check against the local server ---------------------------------

int ServerPort() { return StrToIntDef(Trim(qz::test::ReadFileText("C:\\qztests\\http-port.txt")), 0); }

class UpdateServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved = TForm_ZAMO2::UpdateCheckHook();
    TForm_ZAMO2::UpdateCheckHook() = StartUpdateCheck;
    SetUrlLauncher([this](const std::string& a) { opened.push_back(a); });
    ASSERT_GT(ServerPort(), 0);
  }
  void TearDown() override {
    SetUrlLauncher(nullptr);
    TForm_ZAMO2::UpdateCheckHook() = saved;
    ui::App().ResetTerminated();
  }
  // A main window whose project.ini asks the local server for /update/<name>
  // (or the given address), in a folder of its own.
  std::unique_ptr<TForm_ZAMO2> Window(const std::string& name, std::string address = {}) {
    if (address.empty()) address = "http://127.0.0.1:" + std::to_string(ServerPort()) + "/update/" + name;
    AppDir = ExcludeTrailingBackslash(dir.MakeDir(std::to_string(++windows)));
    dir.Write(std::to_string(windows) + "\\project.ini", "[Update]\r\nfile=" + address + "\r\n");
    auto w = qz::test::BuildMainWindow();
    w->ShowPage(2);
    return w;
  }
  // Clicks Update and waits for the check to end.
  void Check(TForm_ZAMO2& w) {
    w.MorvekMouseImage3State_IM_Update->Click();
    EXPECT_EQ(w.PageControl1->ActivePageIndex(), 3);
    UpdateCheck* c = UpdateCheck::ForMainWindow(w);
    const DWORD start = GetTickCount();
    while (c->Pending() && GetTickCount() - start < 10000) {
      ui::App().ProcessMessages();
      Sleep(5);
    }
    EXPECT_FALSE(c->Pending());
    EXPECT_EQ(w.PageControl1->ActivePageIndex(), 2);
  }
  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> out;
    for (const MessageBoxRequest& b : boxes.boxes) out.push_back(b.text);
    return out;
  }

  qz::test::ShellGlobals globals{"shell_update"};
  qz::test::ScratchDir dir{"shell_update_server"};
  qz::test::MessageBoxRecorder boxes;
  std::vector<std::string> opened;
  std::function<void(TForm_ZAMO2&)> saved;
  int windows = 0;
};

const char kFailed[] =
    "Die Suche nach einem Update für dieses Produkt war nicht erfolgreich!\rEntweder ist der Updateserver nicht "
    "erreichbar oder überlastet - oder es gab ein Problem mit Ihrer Verbindung.";

TEST_F(UpdateServerTest, RepliesOfTheServer) {
  struct Row {
    const char* name;
    std::vector<std::string> texts;
  };
  const std::string newer = "Es steht eine neuere Version zum Download bereit. Möchten Sie diese jetzt herunterladen?";
  const std::string noNew = "Es steht keine neuere Version zur Verfügung. Ihre Version ist aktuell.";
  const Row rows[] = {
      {"newer", {newer}},
      {"same", {noNew}},
      {"older", {noNew}},
      {"nostar", {"Wrong format on server?", kFailed}},
      {"badaddress", {"Wrong format on server?", kFailed}},
      {"404", {kFailed}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    boxes.boxes.clear();
    boxes.answers = {IDNO};
    auto w = Window(r.name);
    Check(*w);
    EXPECT_EQ(BoxTexts(), r.texts);
    for (const MessageBoxRequest& b : boxes.boxes) EXPECT_EQ(b.owner, w->Handle());
  }
  EXPECT_TRUE(opened.empty());
  EXPECT_FALSE(ui::App().Terminated());

  // Yes opens the trimmed address and ends the program.
  boxes.boxes.clear();
  boxes.answers = {IDYES};
  auto w = Window("newer");
  Check(*w);
  EXPECT_EQ(opened, (std::vector<std::string>{"http://www.brinvale.example/download/quenzal2.exe"}));
  EXPECT_TRUE(ui::App().Terminated());
}

// No server, no host, or an answer that is no HTTP reply (no status line).
TEST_F(UpdateServerTest, NoServerNoHostOrNoHttpReplyIsAFailure) {
  const std::string noStatusLine = "http://127.0.0.1:" + std::to_string(ServerPort()) + "/nostatus-http";
  for (const std::string& address : {std::string("http://127.0.0.1:1/update/newer"),
                                     std::string("http://quenzal-update.invalid/version.txt"), noStatusLine}) {
    boxes.boxes.clear();
    auto w = Window("", address);
    Check(*w);
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{kFailed})) << address;
  }
}

// The time-out (its timer's event, fired here) aborts the request; the reply
// the slow server sends later is dropped: one failure box.
TEST_F(UpdateServerTest, ATimeOutEndsTheCheckOnceAndTheLateReplyIsDropped) {
  auto w = Window("slow");
  w->MorvekMouseImage3State_IM_Update->Click();
  ASSERT_TRUE(w->Timer_UpdateTimeOut->Enabled());
  EXPECT_EQ(w->Timer_UpdateTimeOut->Interval(), 15000u);
  w->Timer_UpdateTimeOut->OnTimer();
  EXPECT_FALSE(w->Timer_UpdateTimeOut->Enabled());
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{kFailed}));
  EXPECT_EQ(w->PageControl1->ActivePageIndex(), 2);
  // The server answers after 1.5 s: whatever of it arrives is dropped.
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 2500) {
    ui::App().ProcessMessages();
    Sleep(20);
  }
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{kFailed}));
}

}  // namespace
}  // namespace qz::shell
