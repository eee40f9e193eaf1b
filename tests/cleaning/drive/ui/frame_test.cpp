// The module wizard frame on the Drive Cleaner window: the state table, the
// steps Next and Back take, Cancel, a close while a search runs, an error that
// escapes a run, and what OcoRunning changes.
#include <stdexcept>

#include "cleaning/frame/wizard_states.h"
#include "dcui_fixture.h"
#include "ui/pagecontrol.h"
#include "ui/timer.h"

namespace qz::dc::uitest {
namespace {

using cleaning::WizardState;
using Row = cleaning::test::StateRow;
const Row& kStart = cleaning::test::kStartRow;
const Row& kResults = cleaning::test::kResultsRow;
const Row& kDeleting = cleaning::test::kDeletingRow;
void ExpectRow(const TForm_DC& w, const Row& r) { cleaning::test::ExpectState(w, r); }

using FrameTest = DcUiTest;

TEST_F(FrameTest, CreationAndTheStateTable) {
  auto w = MakeWindow();
  EXPECT_EQ(w->Caption(), ProductTitle);
  EXPECT_EQ(w->JvPageControl1->PageCount(), 5);
  EXPECT_FALSE(w->JvPageControl1->TabsVisible());
  EXPECT_EQ(w->ClientWidth(), 640);
  EXPECT_EQ(w->ClientHeight(), 480);
  EXPECT_EQ(w->Button_Cancel->Left(), w->Button_Close->Left());
  EXPECT_FALSE(w->Button_SaveTranslation->Visible());
  EXPECT_FALSE(w->Button_LoadTranslation->Visible());
  // Skinned: header and circle pictures, the module icon.
  EXPECT_FALSE(w->Image_Header->Picture().Empty());
  EXPECT_FALSE(w->Image_HeaderKreis->Picture().Empty());
  EXPECT_FALSE(w->Image_HeaderIcon->Picture().Empty());
  EXPECT_EQ(w->ProgressTimer->Interval(), 500u);
  EXPECT_FALSE(w->ProgressTimer->Enabled());
  ExpectRow(*w, kStart);

  const Row table[] = {
      {WizardState::Searching, 1, false, false, false, true},
      kResults,
      kDeleting,
      {WizardState::LastPage, 4, true, false, true, false},
      kStart,
  };
  for (const Row& r : table) {
    w->SetState(r.state);
    ExpectRow(*w, r);
  }
  EXPECT_TRUE(boxes.boxes.empty()) << BoxTexts();
}

TEST_F(FrameTest, NextAndBackBetweenStartOptionsAndDownloadPage) {
  auto w = MakeWindow();
  EXPECT_EQ(ShownOnNext(*w, w->RadioButton_Options, w->Options()), 1);
  ExpectRow(*w, kStart);

  w->RadioButton_Update->SetChecked(true);
  w->Button_Weiter->Click();
  ExpectRow(*w, {WizardState::LastPage, 4, true, false, true, false});
  w->Button_Zurueck->Click();
  ExpectRow(*w, kStart);
}

// A search that finds something ends on the result page; Back returns to the
// start with the tree kept; a search that then finds nothing says so, goes
// back to the start and shows zero totals, not the last search's.
TEST_F(FrameTest, ResultsBackAndNothingFound) {
  base.Write("junk\\a.qzui", "12345");
  auto w = MakeWindow();
  w->Button_Weiter->Click();
  ASSERT_EQ(w->LastSearch(), SearchOutcome::Found) << BoxTexts();
  ExpectRow(*w, kResults);
  EXPECT_TRUE(boxes.boxes.empty()) << BoxTexts();
  EXPECT_EQ(Entries(*w), Upper({base / "junk\\a.qzui"}));
  EXPECT_NE(w->JvLinkLabel_Result->Caption().find("Es wurden insgesammt 1 Dateien gefunden"), std::string::npos)
      << w->JvLinkLabel_Result->Caption();
  EXPECT_EQ(w->Result()->Label_DC_Files->Caption(), "1 / 1");
  EXPECT_FALSE(w->ProgressTimer->Enabled());

  w->Button_Zurueck->Click();
  ExpectRow(*w, kStart);
  EXPECT_EQ(Entries(*w).size(), 1u);

  DeleteFileW(Widen(base / "junk\\a.qzui").c_str());
  w->Button_Weiter->Click();
  EXPECT_EQ(w->LastSearch(), SearchOutcome::NothingFound);
  ExpectRow(*w, kStart);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Information);
  EXPECT_EQ(boxes.boxes[0].text, ZeroFoundMessage());
  EXPECT_EQ(boxes.boxes[0].owner, w->Handle());
  EXPECT_EQ(w->Result()->Label_DC_Files->Caption(), "0 / 0");
  EXPECT_EQ(w->Result()->Label_DC_Bytes->Caption(), "0" + NumberFormat::User().Decimal + "000 MB / 0" +
                                                       NumberFormat::User().Decimal + "000 MB");
}

TEST_F(FrameTest, NoDriveCheckedWarnsAndStays) {
  auto w = MakeWindow();
  for (int i = 0; i < w->Options()->ListView_Drives->ItemCount(); ++i)
    w->Options()->ListView_Drives->SetChecked(i, false);
  w->Button_Weiter->Click();
  ExpectRow(*w, kStart);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Warning);
  EXPECT_EQ(boxes.boxes[0].text, NoDrivesMessage());
}

// Cancel during a search: back at the start without a box; the next search
// starts from a fresh tree.
TEST_F(FrameTest, CancelReturnsToStartSilently) {
  base.Write("junk\\a.qzui");
  base.Write("win\\temp\\t.dat");
  auto w = MakeWindow();
  bool cancelShown = false;
  ui::App().Post([&] {
    cancelShown = w->Button_Cancel->Visible();
    w->Button_Cancel->Click();
  });
  w->Button_Weiter->Click();
  EXPECT_TRUE(cancelShown);
  EXPECT_EQ(w->LastSearch(), SearchOutcome::Cancelled);
  ExpectRow(*w, kStart);
  EXPECT_FALSE(w->ProgressTimer->Enabled());
  EXPECT_TRUE(boxes.boxes.empty()) << BoxTexts();

  w->Button_Weiter->Click();
  ASSERT_EQ(w->LastSearch(), SearchOutcome::Found);
  EXPECT_EQ(Entries(*w), Upper({base / "junk\\a.qzui", base / "win\\temp\\t.dat"}));
}

// The window's close box while a search runs in the modal window: the search
// is told to stop, and the window closes only once it has returned.
TEST_F(FrameTest, CloseDuringASearchWaitsForIt) {
  for (int i = 0; i < 30; ++i) base.Write("many\\d" + std::to_string(i) + "\\x.qzui");
  auto w = MakeWindow();
  int closes = 0;
  bool runningAtClose = true;
  w->OnClose = [&](ui::CloseAction&) {
    ++closes;
    runningAtClose = w->Running();
  };
  bool stillCreated = false;
  ui::App().Post([&] {
    // The close box first (it waits in the queue), then the user's click on
    // Next as the window receives it.
    PostMessageW(w->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    SendMessageW(w->Handle(), WM_COMMAND, MAKEWPARAM(w->Button_Weiter->ControlId(), BN_CLICKED),
                 reinterpret_cast<LPARAM>(w->Button_Weiter->Handle()));
    stillCreated = w->Options() && w->Result() && IsWindow(w->Result()->Handle());
  });
  const int result = w->ShowModal();
  EXPECT_EQ(result, ui::mrCancel);
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(runningAtClose);
  EXPECT_TRUE(stillCreated);
  EXPECT_EQ(w->LastSearch(), SearchOutcome::Cancelled);
  EXPECT_FALSE(w->ProgressTimer->Enabled());
  ExpectRow(*w, kStart);
  EXPECT_TRUE(boxes.boxes.empty()) << BoxTexts();
}

// A close asked for from code while a search runs on a window that is not
// shown: refused for now, done once the search has returned.
TEST_F(FrameTest, CloseFromCodeDuringASearchWaitsForIt) {
  base.Write("junk\\a.qzui");
  auto w = MakeWindow();
  const cleaning::test::CloseDuringRun c = cleaning::test::CloseWhileRunning(*w, [&] { w->RunDriveSearch(); });
  EXPECT_EQ(c.closesDuringRun, 0);
  EXPECT_EQ(c.closes, 1);
  EXPECT_FALSE(c.runningAtClose);
  EXPECT_EQ(w->LastSearch(), SearchOutcome::Cancelled);
}

// An error escaping the search: timer off, start state, one error box.
TEST_F(FrameTest, AnErrorInASearchRestoresTheStart) {
  base.Write("lnk\\broken.lnk", "not a shortcut");
  auto w = MakeWindow();
  w->Options()->CheckBox_DC_LNK->SetChecked(true);
  w->Engine().Scan.ShortcutReader = [](const std::string&) -> ShortcutTarget {
    throw std::runtime_error("shortcut reader failed");
  };
  w->Button_Weiter->Click();
  ExpectRow(*w, kStart);
  EXPECT_FALSE(w->ProgressTimer->Enabled());
  EXPECT_FALSE(w->Running());
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Error);
  EXPECT_EQ(boxes.boxes[0].text, "shortcut reader failed");

  // Under the One-Click-Optimizer the error goes to the caller instead.
  OcoRunning = 1;
  EXPECT_THROW(w->RunDriveSearch(), std::runtime_error);
  ExpectRow(*w, kStart);
  EXPECT_EQ(boxes.boxes.size(), 1u);
}

// The One-Click-Optimizer's use: a window that is never shown, no skinning,
// no box at all, the result page even with nothing found, and after the
// delete the deleting page with the counters.
TEST_F(FrameTest, OcoRunningOnAHiddenWindow) {
  OcoRunning = 1;
  auto w = MakeWindow();
  EXPECT_TRUE(w->Image_Header->Picture().Empty());
  EXPECT_TRUE(w->Image_HeaderIcon->Picture().Empty());
  EXPECT_FALSE(IsWindowVisible(w->Handle()));

  w->RunDriveSearch();
  EXPECT_EQ(w->LastSearch(), SearchOutcome::NothingFound);
  ExpectRow(*w, kResults);
  w->DeleteMarkedFiles();  // nothing marked: returns silently
  ExpectRow(*w, kResults);
  EXPECT_EQ(w->FilesDeleted(), 0);

  const std::string a = base.Write("junk\\a.qzui", "1234");
  const std::string t = base.Write("users\\u\\Temp\\t.dat", "12");
  w->RunDriveSearch();
  ASSERT_EQ(w->LastSearch(), SearchOutcome::Found);
  ExpectRow(*w, kResults);
  w->DeleteMarkedFiles();
  ExpectRow(*w, kDeleting);
  EXPECT_EQ(w->FilesDeleted(), 2);
  EXPECT_EQ(w->BytesDeleted(), 6);
  EXPECT_EQ(w->DeleteErrors(), 0);
  EXPECT_FALSE(test::Exists(a));
  EXPECT_FALSE(test::Exists(t));
  ExpectInTrash(a);
  ExpectInTrash(t);

  for (int i = 0; i < w->Options()->ListView_Drives->ItemCount(); ++i)
    w->Options()->ListView_Drives->SetChecked(i, false);
  w->RunDriveSearch();
  EXPECT_EQ(w->LastSearch(), SearchOutcome::NoDrives);
  EXPECT_FALSE(IsWindowVisible(w->Handle()));
  EXPECT_TRUE(boxes.boxes.empty()) << BoxTexts();
}

// With the language file of 1033 the window and its windows speak English.
TEST_F(FrameTest, TranslatedFromTheLanguageFile) {
  const std::string file = std::string(kInstalledProgram) + "\\Translation\\1033.ini";
  ASSERT_TRUE(LoadLines(file, TranslationList)) << file;
  TranslationFile = file;
  auto w = MakeWindow();
  EXPECT_EQ(w->Button_Weiter->Caption(), "&Next >");
  EXPECT_EQ(w->RadioButton_Start->Caption(), "Search for unneeded files now");
  EXPECT_EQ(w->Caption(), ProductTitle);
  EXPECT_EQ(w->Options()->Caption(), "Drive Cleaner settings");
  EXPECT_EQ(w->Options()->VirtualDrawTree_DC_Filetype->ColumnCaption(1), "Description");
  EXPECT_EQ(w->Options()->ListView_Drives->ColumnCaption(0), "Drive");
  EXPECT_EQ(w->Result()->VirtualDrawTree_Files->ColumnCaption(0), "Description / File");
  EXPECT_EQ(w->Result()->PopUp_ExceptDirs->Caption(), "Enter the selected folder as an exception");
  EXPECT_EQ(w->Tr("MESSAGE_NoDrives", "x"),
            "In the settings you must mark at least one drive to be searched for unneeded files.");
}

}  // namespace
}  // namespace qz::dc::uitest
