// The File Wiper window: the list fed by drop and dialogs, the settings kept
// under Options\FW, and the run as the frame drives it.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/registry.h"
#include "core/text.h"
#include "filetools/common/faulty_fs.h"
#include "filetools/common/window_fixture.h"
#include "filetools/wipe/fw_form.h"
#include "filetools/wipe/fw_options.h"
#include "ui/graphics.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"
#include "ui/vtree_view.h"

namespace qz::fw {
namespace {

using ft::test::Exists;
using ft::test::Listing;
using ft::test::ReadBytes;
using Names = std::vector<std::string>;

class WipeWindowTest : public ft::test::WindowTest {
 protected:
  WipeWindowTest() : WindowTest("fw-ui") {}
  std::unique_ptr<TForm_FW> MakeWindow() {
    return std::unique_ptr<TForm_FW>(static_cast<TForm_FW*>(CreateFileWiperWindow(nullptr)));
  }
  static Names Listed(TForm_FW& w) {
    Names out;
    ui::VTreeModel& t = w.VirtualDrawTree_FW->Tree();
    for (ui::VNode* n = t.GetFirst(); n; n = t.GetNext(n))
      out.push_back(std::string(t.GetNodeLevel(n), ' ') + t.Data<TWipeEntry>(n).Path);
    return out;
  }
  // Answers the folder dialog with `folder`.
  static void AnswerFolder(const std::string& folder) {
    ui::SetDialogHook([folder](ui::Component& d) {
      static_cast<ui::FolderDialog&>(d).Directory = folder;
      return true;
    });
  }
  std::string SettingsKey() const { return key.key() + "\\Options\\FW"; }

  qz::test::ScratchDir dir{"fw_ui"};
};

TEST_F(WipeWindowTest, DroppedFilesAndFolders) {
  auto w = MakeWindow();
  EXPECT_TRUE(w->AcceptFiles());
  const std::string a = dir.Write("a.txt"), b = dir.Write("long-name-b.txt");
  dir.MakeDir("folder");
  wchar_t shortName[MAX_PATH] = {};
  ASSERT_GT(GetShortPathNameW(Widen(b).c_str(), shortName, MAX_PATH), 0u);
  w->OnDropFiles({b, a, dir / "folder", UpperAscii(a), Narrow(shortName)});
  EXPECT_EQ(Listed(*w), (Names{b, a}));
}

TEST_F(WipeWindowTest, AddingFoldersAndFiles) {
  auto w = MakeWindow();
  dir.Write("top\\t.txt");
  dir.Write("top\\mid\\m.txt");
  dir.Write("top\\mid\\low\\l.txt");
  // A drive root asks first; No adds nothing.
  AnswerFolder("C:\\");
  boxes.answers = {IDNO};
  w->Button_FW_AddDirClick();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Question);
  EXPECT_EQ(boxes.boxes[0].buttons, MsgButtons::YesNo);
  EXPECT_NE(boxes.boxes[0].text.find("gesamten Inhalt des Laufwerks"), std::string::npos);
  EXPECT_TRUE(w->VirtualDrawTree_FW->Tree().IsEmpty());

  // Three levels make the tree, even with a stop left from another run.
  AnswerFolder(dir / "top");
  AbortFlag = 1;
  w->Button_FW_AddDirClick();
  EXPECT_EQ(Listed(*w), (Names{dir / "top", " " + dir / "top\\t.txt", " " + dir / "top\\mid",
                               "  " + dir / "top\\mid\\m.txt", "  " + dir / "top\\mid\\low",
                               "   " + dir / "top\\mid\\low\\l.txt"}));
  EXPECT_EQ(boxes.boxes.size(), 1u);

  // Nothing chosen: nothing happens.
  ui::SetDialogHook([](ui::Component&) { return false; });
  w->Button_FW_AddDirClick();
  w->Button_FW_ADD_FilesClick();
  EXPECT_EQ(w->VirtualDrawTree_FW->Tree().TotalCount(), 6u);

  // The open dialog: several files, multi-select, must exist.
  const std::string x = dir.Write("x.txt"), y = dir.Write("y.txt");
  ui::SetDialogHook([&](ui::Component& d) {
    auto& o = static_cast<ui::OpenDialog&>(d);
    EXPECT_TRUE(o.MultiSelect);
    EXPECT_TRUE(o.FileMustExist);
    EXPECT_TRUE(o.FileName.empty());
    o.Files = {x, y};
    o.FileName = x;
    return true;
  });
  w->Button_FW_ADD_FilesClick();
  EXPECT_EQ(w->VirtualDrawTree_FW->Tree().TotalCount(), 8u);
}

TEST_F(WipeWindowTest, LinkedFolderAddsNothing) {
  const std::string link = "C:\\qztests\\fixtures\\wipe\\entries\\dir-link";
  ASSERT_TRUE(Exists(link)) << "fixtures.sh create has not run";
  auto w = MakeWindow();
  AnswerFolder(link);
  w->Button_FW_AddDirClick();
  EXPECT_TRUE(w->VirtualDrawTree_FW->Tree().IsEmpty());
}

TEST_F(WipeWindowTest, RemovingRows) {
  auto w = MakeWindow();
  w->OnDropFiles({dir.Write("a.txt"), dir.Write("b.txt"), dir.Write("c.txt")});
  w->Button_FW_DeleteClick();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_NE(boxes.boxes[0].text.find("aus der Liste entfernt"), std::string::npos);
  ui::VTreeModel& t = w->VirtualDrawTree_FW->Tree();
  t.SetSelected(t.GetFirst(), true);
  t.SetSelected(t.GetLast(), true);
  w->Button_FW_DeleteClick();
  EXPECT_EQ(Listed(*w), Names{dir / "b.txt"});
  // A removed file can be added again.
  w->OnDropFiles({dir / "a.txt"});
  EXPECT_EQ(t.TotalCount(), 2u);
}

TEST_F(WipeWindowTest, SettingsUnderOptionsFW) {
  {
    // A missing key: method 1, rename on, remove folders on, test mode off.
    auto w = MakeWindow();
    EXPECT_EQ(w->Options()->CheckedMethod(), 1);
    const WipeOptions o = w->Options()->CurrentOptions();
    EXPECT_TRUE(o.Rename);
    EXPECT_TRUE(o.RemoveFolder);
    EXPECT_FALSE(o.Testmode);
  }
  for (int stored : {7, -1, 0}) {
    RegSetIntegerChecked(HKEY_LOCAL_MACHINE, SettingsKey(), "Methode", stored);
    auto w = MakeWindow();
    EXPECT_EQ(w->Options()->CheckedMethod(), 1) << stored;
  }
  RegSetIntegerChecked(HKEY_LOCAL_MACHINE, SettingsKey(), "Methode", 4);
  RegSetIntegerChecked(HKEY_LOCAL_MACHINE, SettingsKey(), "FW_Rename", 0);
  RegSetIntegerChecked(HKEY_LOCAL_MACHINE, SettingsKey(), "FW_RemoveFolder", 2);  // not 0 or 1: kept as designed
  RegSetIntegerChecked(HKEY_LOCAL_MACHINE, SettingsKey(), "FW_Testmode", 1);
  RegSetStringChecked(HKEY_LOCAL_MACHINE, SettingsKey(), "Stray", "x");
  auto w = MakeWindow();
  WipeOptions o = w->Options()->CurrentOptions();
  EXPECT_EQ(o.Method, 4);
  EXPECT_FALSE(o.Rename);
  EXPECT_TRUE(o.RemoveFolder);
  EXPECT_TRUE(o.Testmode);
  w->Options()->RadioButton_Method5->SetChecked(true);
  w->Close();
  StringList names = RegListValueNames(HKEY_LOCAL_MACHINE, SettingsKey());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (Names{"FW_RemoveFolder", "FW_Rename", "FW_Testmode", "Methode"}));
  EXPECT_EQ(RegGetValueType(HKEY_LOCAL_MACHINE, SettingsKey(), "Methode"), kRegInteger);
  EXPECT_EQ(RegGetInteger(HKEY_LOCAL_MACHINE, SettingsKey(), "Methode"), 5);
  EXPECT_EQ(RegGetInteger(HKEY_LOCAL_MACHINE, SettingsKey(), "FW_Rename"), 0);
  EXPECT_EQ(RegGetInteger(HKEY_LOCAL_MACHINE, SettingsKey(), "FW_RemoveFolder"), 1);
  EXPECT_EQ(RegGetInteger(HKEY_LOCAL_MACHINE, SettingsKey(), "FW_Testmode"), 1);
}

TEST_F(WipeWindowTest, PagesAndTheOptionsDialog) {
  auto w = MakeWindow();
  EXPECT_EQ(w->JvPageControl1->PageCount(), 3);
  EXPECT_EQ(w->PageIndex(), 0);
  EXPECT_FALSE(w->Button_Zurueck->Enabled());
  EXPECT_FALSE(w->Button_Cancel->Visible());
  EXPECT_EQ(w->Button_Cancel->Left(), w->Button_Close->Left());
  EXPECT_EQ(w->Image_HeaderIcon->Left(), 14);
  EXPECT_EQ(w->Image_HeaderIcon->Top(), 8);
  EXPECT_FALSE(w->Image_HeaderIcon->Picture().Empty());
  EXPECT_EQ(ShownOnNext(*w, w->RadioButton_Options, w->Options()), 1);
  EXPECT_EQ(w->PageIndex(), 0);
  w->RadioButton_FilesFolder->SetChecked(true);
  w->Button_Weiter->Click();
  EXPECT_EQ(w->PageIndex(), 1);
  EXPECT_TRUE(w->Button_Zurueck->Enabled());
  EXPECT_TRUE(w->Button_Weiter->Enabled());
  // An empty list: the box, nothing else.
  w->Button_Weiter->Click();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Warning);
  EXPECT_EQ(w->PageIndex(), 1);
  w->Button_Zurueck->Click();
  EXPECT_EQ(w->PageIndex(), 0);
  EXPECT_FALSE(w->Button_Zurueck->Enabled());
}

TEST_F(WipeWindowTest, ARunAsTheUserSeesIt) {
  auto w = MakeWindow();
  const std::string a = dir.Write("a.txt", "aaaa"), b = dir.Write("b.txt", "bbbb");
  w->OnDropFiles({a, b});
  w->Button_Weiter->Click();  // to page 1
  // No: nothing happens.
  boxes.answers = {IDNO};
  w->Button_Weiter->Click();
  EXPECT_TRUE(Exists(a));
  EXPECT_EQ(boxes.boxes.back().kind, MsgKind::Warning);
  EXPECT_EQ(boxes.boxes.back().buttons, MsgButtons::YesNo);

  // Yes: during the run Cancel stands in Close's place and Back and Next are off.
  int checks = 0;
  ui::App().Post([&] {
    ++checks;
    EXPECT_EQ(w->PageIndex(), 2);
    EXPECT_TRUE(w->Button_Cancel->Visible());
    EXPECT_FALSE(w->Button_Close->Visible());
    EXPECT_FALSE(w->Button_Zurueck->Enabled());
    EXPECT_FALSE(w->Button_Weiter->Enabled());
  });
  boxes.answers = {IDYES};
  w->Button_Weiter->Click();
  EXPECT_EQ(checks, 1);
  EXPECT_FALSE(Exists(a));
  EXPECT_FALSE(Exists(b));
  ASSERT_NE(LastBox(), nullptr);
  EXPECT_EQ(LastBox()->kind, MsgKind::Information);
  EXPECT_EQ(LastBox()->text, "Es wurden 2 Dateien und Ordner vernichtet.");
  EXPECT_EQ(w->PageIndex(), 0);
  EXPECT_FALSE(w->Button_Cancel->Visible());
  EXPECT_TRUE(w->Button_Close->Visible());
  EXPECT_TRUE(w->Button_Weiter->Enabled());
  EXPECT_FALSE(w->Button_Zurueck->Enabled());
  EXPECT_TRUE(w->VirtualDrawTree_FW->Tree().IsEmpty());
}

TEST_F(WipeWindowTest, CloseDuringARunStopsItThenCloses) {
  auto w = MakeWindow();
  const std::string a = dir.Write("a.txt", "aaaa"), b = dir.Write("b.txt", "bbbb");
  w->OnDropFiles({a, b});
  w->Button_Weiter->Click();
  ui::App().Post([&] { w->Close(); });
  boxes.answers = {IDYES};
  w->Button_Weiter->Click();
  EXPECT_FALSE(w->Running());
  EXPECT_TRUE(Exists(a));
  EXPECT_TRUE(Exists(b));
  EXPECT_EQ(w->VirtualDrawTree_FW->Tree().TotalCount(), 2u);
  // The settings were stored by the close that waited for the run.
  EXPECT_TRUE(RegHasValue(HKEY_LOCAL_MACHINE, SettingsKey(), "Methode"));
}

TEST_F(WipeWindowTest, RecycleBinWithOnlyBookkeeping) {
  auto w = MakeWindow();
  test::ScratchDir bin("fw_ui_bin");
  bin.Write("RECYCLER\\S-1-5-21-1\\INFO2");
  bin.Write("RECYCLER\\S-1-5-21-1\\desktop.ini");
  int emptied = 0;
  w->EmptyRecycleBin = [&] {
    ++emptied;
    return true;
  };
  // Roots given as folders holding the bin folders, as drives would.
  w->BinDrives = [&] { return std::vector<std::string>{bin.path()}; };
  w->RadioButton_RecycleBin->SetChecked(true);
  w->Button_Weiter->Click();
  ASSERT_EQ(boxes.boxes.size(), 1u) << BoxTexts();
  EXPECT_EQ(boxes.boxes[0].text, "Es wurden keine Dateien im Papierkorb gefunden die vernichtet werden könnten.");
  EXPECT_EQ(emptied, 0);

  // With a user's file: wiped, then the bin is emptied.
  const std::string user = bin.Write("RECYCLER\\S-1-5-21-1\\Dc1.txt", "secret");
  boxes.answers = {IDYES};
  w->Button_Weiter->Click();
  EXPECT_FALSE(Exists(user));
  EXPECT_EQ(emptied, 1);
  EXPECT_EQ(LastBox()->text, "Es wurden 1 Dateien und Ordner vernichtet.");
  EXPECT_TRUE(Exists(bin / "RECYCLER\\S-1-5-21-1\\INFO2"));
}

}  // namespace
}  // namespace qz::fw
