// The exception-list download of the download page, against the local test
// server (port in C:\qztests\http-port.txt): only a 200 reply with a
// non-empty body of at most 1 MiB and without "404" replaces a list, a hung
// server ends in the time limit, and a failure keeps the old list.
#include "cleaning/frame/list_download.h"
#include "core/ini.h"
#include "dcui_fixture.h"
#include "ui/timer.h"

namespace qz::dc::uitest {
namespace {

using cleaning::NewListsDownloadedMessage;
using cleaning::NewListsFailedMessage;

int ServerPort() {
  std::string text = qz::test::ReadFileText("C:\\qztests\\http-port.txt");
  return StrToIntDef(Trim(text), 0);
}

const char kOldFolders[] = "D:\\qzdcui-listed\\\r\n";
const char kOldFiles[] = "listed-name.qzui\r\n";
const char kServerText[] = "Hello from the test server.\r\nSecond line.\r\n";

class DownloadTest : public DcUiTest {
 protected:
  void SetUp() override {
    DcUiTest::SetUp();
    port = ServerPort();
    ASSERT_GT(port, 0) << "the test HTTP server is not running (C:\\qztests\\http-port.txt)";
  }
  std::string Url(const std::string& path) const {
    return path.empty() ? std::string() : "http://127.0.0.1:" + std::to_string(port) + path;
  }
  void WriteProjectIni(const std::string& folders, const std::string& files) {
    std::string text = "[NewLists]\r\n";
    if (!folders.empty()) text += "DC_Folders=" + folders + "\r\n";
    if (!files.empty()) text += "DC_Files=" + files + "\r\n";
    app.Write("project.ini", text);
  }
  // Clicks "Downloaden" and waits (bounded) for the download to end.
  void Download(TForm_DC& w, DWORD limitMs = 20000) {
    w.RadioButton_Update->SetChecked(true);
    w.Button_Weiter->Click();
    ASSERT_EQ(w.PageIndex(), 4);
    w.Button_CheckNewExceptions->Click();
    ASSERT_TRUE(PumpUntil([&] { return !w.Downloading(); }, limitMs)) << "the download did not end";
    EXPECT_TRUE(w.Button_CheckNewExceptions->Enabled());
    EXPECT_FALSE(w.Timer_UpdateTimeOut->Enabled());
  }
  std::string Folders() { return qz::test::ReadFileText(app / "DC-Folders.txt"); }
  std::string Files() { return qz::test::ReadFileText(app / "DC-Files.txt"); }
  bool TreeHolds(TForm_DC& w, const std::string& path) {
    for (const ExceptionEntry& e : w.Options()->CurrentExceptions())
      if (e.Path == path) return true;
    return false;
  }
  int port = 0;
};

TEST_F(DownloadTest, BothListsReplaced) {
  WriteProjectIni(Url("/small.txt"), Url("/small.txt"));
  auto w = MakeWindow();
  w->Options()->AddUserException("D:\\qzdcui-mine\\", true);
  Download(*w);
  ASSERT_EQ(boxes.boxes.size(), 1u) << BoxTexts();
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Information);
  EXPECT_EQ(boxes.boxes[0].text, NewListsDownloadedMessage());
  EXPECT_EQ(Folders(), kServerText);
  EXPECT_EQ(Files(), kServerText);
  EXPECT_FALSE(test::Exists(app / "DC-Folders.txt.tmp"));
  // The tree shows the new lists merged with the user's own entries.
  EXPECT_TRUE(TreeHolds(*w, "Hello from the test server.\\"));
  EXPECT_TRUE(TreeHolds(*w, "Second line."));
  EXPECT_TRUE(TreeHolds(*w, "D:\\qzdcui-mine\\"));
  EXPECT_TRUE(TreeHolds(*w, "D:\\qzdcui-listed\\"));  // saved to the registry before the reload
  EXPECT_TRUE(TreeHolds(*w, "Recycle Bin"));
}

// Every failure shows the failure box once and leaves the lists as they were;
// a failed second fetch keeps the new folder list and the old file list.
TEST_F(DownloadTest, FailuresKeepTheOldLists) {
  struct Case {
    const char* name;
    const char* folders;
    const char* files;
    bool foldersReplaced;
  } cases[] = {
      {"200 with 404 in the body", "/body404.txt", "/small.txt", false},
      {"404", "/missing.txt", "/small.txt", false},
      {"500", "/error500", "/small.txt", false},
      {"body over 1 MiB", "/big.bin", "/small.txt", false},
      {"refused connection", "http://127.0.0.1:1/x.txt", "/small.txt", false},
      {"no status line", "/nostatus", "/small.txt", false},
      {"no status line, second fetch", "/small.txt", "/nostatus-http", true},
      {"second fetch fails", "/small.txt", "/missing.txt", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    app.Write("DC-Folders.txt", kOldFolders);
    app.Write("DC-Files.txt", kOldFiles);
    const std::string folders = c.folders[0] == '/' ? Url(c.folders) : c.folders;
    WriteProjectIni(folders, Url(c.files));
    boxes.boxes.clear();
    auto w = MakeWindow();
    Download(*w);
    ASSERT_EQ(boxes.boxes.size(), 1u) << BoxTexts();
    EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Error);
    EXPECT_EQ(boxes.boxes[0].text, NewListsFailedMessage());
    EXPECT_EQ(Folders(), c.foldersReplaced ? std::string(kServerText) : std::string(kOldFolders));
    EXPECT_EQ(Files(), kOldFiles);
    // The tree is not reloaded after a failure.
    EXPECT_TRUE(TreeHolds(*w, "D:\\qzdcui-listed\\"));
    EXPECT_FALSE(TreeHolds(*w, "Hello from the test server.\\"));
  }
}

// A server that never answers: the fetch ends at the time limit as a failure
// while the window goes on answering.
TEST_F(DownloadTest, HungServerTimesOut) {
  WriteProjectIni(Url("/hang"), Url("/small.txt"));
  auto w = MakeWindow();
  w->ListDownload->TimeoutMs = 1500;
  int ticks = 0;
  ui::Timer ticker;
  ticker.SetInterval(100);
  ticker.OnTimer = [&] { ++ticks; };
  ticker.SetEnabled(true);
  const DWORD start = GetTickCount();
  Download(*w, 15000);
  const DWORD took = GetTickCount() - start;
  ticker.SetEnabled(false);
  EXPECT_GE(took, 1400u);
  EXPECT_LT(took, 10000u);
  EXPECT_GE(ticks, 5);  // the window's thread kept handling messages
  ASSERT_EQ(boxes.boxes.size(), 1u) << BoxTexts();
  EXPECT_EQ(boxes.boxes[0].text, NewListsFailedMessage());
  EXPECT_EQ(Folders(), kOldFolders);
  EXPECT_EQ(Files(), kOldFiles);
}

TEST_F(DownloadTest, ProjectIniWithoutAnAddress) {
  struct Case {
    const char* name;
    bool folders, files;
    bool foldersReplaced;
  } cases[] = {{"no folder list address", false, true, false}, {"no file list address", true, false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    app.Write("DC-Folders.txt", kOldFolders);
    WriteProjectIni(c.folders ? Url("/small.txt") : "", c.files ? Url("/small.txt") : "");
    boxes.boxes.clear();
    auto w = MakeWindow();
    Download(*w);
    ASSERT_EQ(boxes.boxes.size(), 1u) << BoxTexts();
    EXPECT_EQ(boxes.boxes[0].text, "Error in project.ini!");
    EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Error);
    EXPECT_EQ(Folders(), c.foldersReplaced ? std::string(kServerText) : std::string(kOldFolders));
    EXPECT_EQ(Files(), kOldFiles);
  }
}

}  // namespace
}  // namespace qz::dc::uitest
