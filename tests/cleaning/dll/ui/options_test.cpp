// The options window: the drive list, the exception lists with their
// buttons, the missing-list box, the store on close, and the refresh of the
// exception lists from the local test server.
#include <algorithm>

#include "cleaning/frame/list_download.h"
#include "dllui_fixture.h"
#include "ui/dialogs.h"
#include "ui/listview.h"
#include "ui/stdctrls.h"
#include "ui/timer.h"

namespace qz::dll::uitest {
namespace {

using OptionsWindowTest = DllUiTest;

int IndexOf(const ui::ListBox& l, const std::string& text) {
  for (int i = 0; i < l.ItemCount(); ++i)
    if (l.ItemText(i) == text) return i;
  return -1;
}

TEST_F(OptionsWindowTest, DrivesListsAndTheirButtons) {
  auto w = MakeWindow();
  TForm_DLL_Options& o = *w->Options();
  int c = -1, d = -1;
  for (int i = 0; i < o.ListView_Drives->ItemCount(); ++i) {
    const std::string root = o.ListView_Drives->ItemText(i, 1);
    EXPECT_TRUE(root == "C:\\" || root == "D:\\") << root;  // E: and F: are no hard disks
    if (root == "C:\\") c = i;
    if (root == "D:\\") d = i;
  }
  ASSERT_GE(c, 0);
  ASSERT_GE(d, 0);
  EXPECT_FALSE(o.ListView_Drives->Checked(c));  // stored "0"
  EXPECT_TRUE(o.ListView_Drives->Checked(d));
  EXPECT_GE(IndexOf(*o.ListBox_DLL_Dirs, "D:\\qzdllui-listed\\"), 0);
  EXPECT_GE(IndexOf(*o.ListBox_DLL_Files, "LISTED.DLL"), 0);
  EXPECT_TRUE(o.CheckBox_DLL_SameVersion->Checked());
  EXPECT_TRUE(o.CheckBox_DLL_Both->Checked());
  EXPECT_FALSE(o.CheckBox_DLL_SameSize->Checked());
  EXPECT_FALSE(o.CheckBox_DLL_WriteProtected->Checked());

  o.Edit_DLL_File->SetText("mfc42.dl");
  o.Button_DLL_AddFile->Click();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "Sie müssen eine DLL-Datei auswählen.");
  EXPECT_EQ(IndexOf(*o.ListBox_DLL_Files, "MFC42.DL"), -1);
  o.Edit_DLL_File->SetText(" mfc42.dll ");
  o.Button_DLL_AddFile->Click();
  EXPECT_GE(IndexOf(*o.ListBox_DLL_Files, "MFC42.DLL"), 0);

  ui::SetDialogHook([](ui::Component& dialog) {
    if (auto* f = dynamic_cast<ui::FolderDialog*>(&dialog)) {
      f->Directory = "D:\\qztests\\mine";
      return true;
    }
    if (auto* f = dynamic_cast<ui::OpenDialog*>(&dialog)) {
      f->FileName = "D:\\qztests\\some.dll";
      return true;
    }
    return false;
  });
  o.Button_DLL_AddDir->Click();
  o.Button_DLL_AddDir->Click();  // already listed: once only
  o.Button_DLL_SelectFile->Click();
  ui::SetDialogHook(nullptr);
  EXPECT_EQ(o.Edit_DLL_File->Text(), "D:\\qztests\\some.dll");
  const StringList dirs = o.ListBox_DLL_Dirs->Items();
  EXPECT_EQ(std::count(dirs.begin(), dirs.end(), "D:\\qztests\\mine"), 1);

  o.ListBox_DLL_Dirs->SetSelected(IndexOf(*o.ListBox_DLL_Dirs, "D:\\qzdllui-listed\\"), true);
  o.Button_DLL_DeleteDir->Click();
  EXPECT_EQ(IndexOf(*o.ListBox_DLL_Dirs, "D:\\qzdllui-listed\\"), -1);

  // Every close stores everything: options as DWORD, drives and names as strings.
  o.CheckBox_DLL_SameSize->SetChecked(true);
  o.Close();
  const std::string k = optionsKey;
  EXPECT_EQ(RegGetValueType(HKEY_LOCAL_MACHINE, k, "SameSize"), kRegInteger);
  EXPECT_TRUE(RegIntegerEquals(HKEY_LOCAL_MACHINE, k, "SameSize", 1));
  EXPECT_TRUE(RegIntegerEquals(HKEY_LOCAL_MACHINE, k, "SameVersion", 1));
  EXPECT_EQ(RegGetString(HKEY_LOCAL_MACHINE, k, "D"), "1");
  EXPECT_EQ(RegGetString(HKEY_LOCAL_MACHINE, k, "C"), "0");
  EXPECT_TRUE(RegHasValue(HKEY_LOCAL_MACHINE, k + "\\Files", "MFC42.DLL"));
  EXPECT_TRUE(RegHasValue(HKEY_LOCAL_MACHINE, k + "\\Folders", "D:\\qztests\\mine"));
  EXPECT_FALSE(RegHasValue(HKEY_LOCAL_MACHINE, k + "\\Folders", "D:\\qzdllui-listed\\"));
  for (const std::string& n : RegListValueNames(HKEY_LOCAL_MACHINE, k + "\\Folders"))
    EXPECT_EQ(UpperLocale(n).find("WINSXS"), std::string::npos) << n;
  EXPECT_EQ(boxes.boxes.size(), 1u) << BoxTexts();
}

TEST_F(OptionsWindowTest, MissingListFilesAreReportedAndTheWindowWorks) {
  DeleteFileW(Widen(app / "DLL-Files.txt").c_str());
  auto w = MakeWindow();
  ASSERT_EQ(boxes.boxes.size(), 1u) << BoxTexts();
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Error);
  EXPECT_EQ(boxes.boxes[0].text, "Needed File\r" + (app / "DLL-Files.txt") +
                                     "\ris missing! Please do NOT use this module! Reinstall the software!");
  EXPECT_GE(IndexOf(*w->Options()->ListBox_DLL_Dirs, "D:\\qzdllui-listed\\"), 0);
  EXPECT_EQ(w->Options()->ListBox_DLL_Files->ItemCount(), 0);
  EXPECT_EQ(w->State(), cleaning::WizardState::Start);
}

// ---- the refresh of the exception lists --------------------------------------------

int ServerPort() { return StrToIntDef(Trim(qz::test::ReadFileText("C:\\qztests\\http-port.txt")), 0); }

const char kOldFolders[] = "D:\\qzdllui-listed\\\r\n";
const char kOldFiles[] = "LISTED.DLL\r\n";
const char kServerText[] = "Hello from the test server.\r\nSecond line.\r\n";

class DllDownloadTest : public DllUiTest {
 protected:
  void SetUp() override {
    DllUiTest::SetUp();
    port = ServerPort();
    ASSERT_GT(port, 0) << "the test HTTP server is not running (C:\\qztests\\http-port.txt)";
  }
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port) + path; }
  void WriteProjectIni(const std::string& folders, const std::string& files) {
    app.Write("project.ini", "[NewLists]\r\nDLL_Folders=" + folders + "\r\nDLL_Files=" + files + "\r\n");
  }
  void Download(TForm_DLL& w) {
    w.RadioButton_Update->SetChecked(true);
    w.Button_Weiter->Click();
    ASSERT_EQ(w.PageIndex(), 4);
    w.Button_CheckNewExceptions->Click();
    const DWORD start = GetTickCount();
    while (w.ListDownload->Running() && GetTickCount() - start < 20000) {
      ui::App().ProcessMessages();
      Sleep(5);
    }
    ASSERT_FALSE(w.ListDownload->Running()) << "the download did not end";
    EXPECT_TRUE(w.Button_CheckNewExceptions->Enabled());
  }
  std::string Folders() { return qz::test::ReadFileText(app / "DLL-Folders.txt"); }
  std::string Files() { return qz::test::ReadFileText(app / "DLL-Files.txt"); }
  int port = 0;
};

TEST_F(DllDownloadTest, BothListsStoredAndTheListsRebuilt) {
  WriteProjectIni(Url("/small.txt"), Url("/small.txt"));
  auto w = MakeWindow();
  w->Options()->ListBox_DLL_Files->AddItem("MINE.DLL");
  Download(*w);
  ASSERT_EQ(boxes.boxes.size(), 1u) << BoxTexts();
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Information);
  EXPECT_EQ(boxes.boxes[0].text, cleaning::NewListsDownloadedMessage());
  EXPECT_EQ(Folders(), kServerText);
  EXPECT_EQ(Files(), kServerText);
  const TForm_DLL_Options& o = *w->Options();
  EXPECT_GE(IndexOf(*o.ListBox_DLL_Files, "MINE.DLL"), 0);
  EXPECT_GE(IndexOf(*o.ListBox_DLL_Files, "Second line."), 0);
  EXPECT_GE(IndexOf(*o.ListBox_DLL_Dirs, "Hello from the test server."), 0);
  EXPECT_GE(IndexOf(*o.ListBox_DLL_Dirs, "D:\\qzdllui-listed\\"), 0);  // stored before the reload
}

// Failures show the failure box once and keep the lists; a failed second
// fetch keeps the new folder list and the old file list.
TEST_F(DllDownloadTest, FailuresKeepTheOldLists) {
  struct Case {
    const char* name;
    const char* folders;
    const char* files;
    bool foldersReplaced;
    unsigned timeoutMs;
  } cases[] = {
      {"404", "/missing.txt", "/small.txt", false, 20000},
      {"500", "/error500", "/small.txt", false, 20000},
      {"a server that never answers", "/hang", "/small.txt", false, 500},
      {"second fetch fails", "/small.txt", "/missing.txt", true, 20000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    app.Write("DLL-Folders.txt", kOldFolders);
    app.Write("DLL-Files.txt", kOldFiles);
    WriteProjectIni(Url(c.folders), Url(c.files));
    boxes.boxes.clear();
    auto w = MakeWindow();
    w->ListDownload->TimeoutMs = c.timeoutMs;
    Download(*w);
    ASSERT_EQ(boxes.boxes.size(), 1u) << BoxTexts();
    EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Error);
    EXPECT_EQ(boxes.boxes[0].text, cleaning::NewListsFailedMessage());
    EXPECT_EQ(Folders(), c.foldersReplaced ? std::string(kServerText) : std::string(kOldFolders));
    EXPECT_EQ(Files(), kOldFiles);
  }
}

}  // namespace
}  // namespace qz::dll::uitest
