// The Registry Cleaner window, hidden, driven from code: its pages and
// buttons through a search, a delete and their boxes, Cancel, the undo-file
// dialog, and what the One-Click-Optimizer sees of it.
#include "core/reg_backup.h"
#include "rcui_fixture.h"
#include "cleaning/frame/backup_page.h"
#include "cleaning/frame/wizard_states.h"
#include "ui/pagecontrol.h"
#include "ui/timer.h"

namespace qz::rc::uitest {
namespace {

using cleaning::WizardState;

using cleaning::test::ExpectState;
using cleaning::test::kLastPageRow;
using cleaning::test::kResultsRow;
using cleaning::test::kStartRow;

using WindowTest = RcUiTest;

TEST_F(WindowTest, CreationAndTheStateTable) {
  auto w = MakeWindow();
  EXPECT_EQ(w->Caption(), ProductTitle);
  EXPECT_EQ(w->JvPageControl1->PageCount(), 5);
  EXPECT_FALSE(w->Image_HeaderIcon->Picture().Empty());
  EXPECT_EQ(w->ProgressTimer->Name, "JvThreadTimer_RegCleaner");
  EXPECT_EQ(w->ProgressTimer->Interval(), 500u);
  EXPECT_FALSE(w->ProgressTimer->Enabled());
  EXPECT_EQ(w->Options()->ImageList_REG->Count(), kKindImageCount);
  ExpectState(*w, kStartRow);
  for (const cleaning::test::StateRow& r : {cleaning::test::kSearchingRow, kResultsRow,
                                             cleaning::test::kDeletingRow, kLastPageRow, kStartRow}) {
    w->SetState(r.state);
    ExpectState(*w, r);
  }
  EXPECT_TRUE(boxes.boxes.empty()) << BoxTexts();
}

TEST_F(WindowTest, NoDriveAndNothingFound) {
  auto w = MakeWindow();
  RegSetStringChecked(HKEY_LOCAL_MACHINE, optionsKey, "C", "0");
  w->Options()->FillDriveList();
  w->Button_Weiter->Click();
  ExpectState(*w, kStartRow);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Warning);
  EXPECT_EQ(boxes.boxes[0].text, NoDrivesMessage());

  w->Options()->ListView_Drives->SetChecked(0, true);
  w->Button_Weiter->Click();
  ExpectState(*w, kStartRow);
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[1].kind, MsgKind::Information);
  EXPECT_EQ(boxes.boxes[1].text, ZeroFoundMessage());
}

// A search that finds something, its summary and details; the two boxes of
// the delete; the count afterwards and the undo file on disk.
TEST_F(WindowTest, SearchResultsAndDelete) {
  PlantOrphans();
  auto w = MakeWindow();
  w->Button_Weiter->Click();
  ExpectState(*w, kResultsRow);
  EXPECT_TRUE(boxes.boxes.empty()) << BoxTexts();
  EXPECT_NE(w->JvLinkLabel_Result->Caption().find("Es wurden insgesammt 5 Einträge gefunden"), std::string::npos)
      << w->JvLinkLabel_Result->Caption();
  EXPECT_NE(w->JvLinkLabel_Result->Caption().find("Davon sind 5 Einträge"), std::string::npos);
  EXPECT_EQ(w->Result()->Label_RC_Found->Caption(), "5 / 5");
  // Only the kinds with findings are left, collapsed.
  ui::VTreeModel& tree = w->Result()->Model();
  EXPECT_EQ(tree.RootNodeCount(), 3u);

  // Details: every entry unchecked there, then the delete has nothing to do.
  cleaning::SetModalHook([&](ui::Form& f) {
    EXPECT_EQ(&f, w->Result());
    w->Result()->Button_None->Click();
    return ui::mrOk;
  });
  w->Button_Results->Click();
  EXPECT_EQ(w->Result()->Label_RC_Found->Caption(), "0 / 5");
  EXPECT_NE(w->JvLinkLabel_Result->Caption().find("Davon sind 0 Einträge"), std::string::npos);
  w->Button_Weiter->Click();
  ExpectState(*w, kResultsRow);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Warning);
  EXPECT_EQ(boxes.boxes[0].text, NothingSelectedMessage());

  // All marked again; the question answered No, then Yes.
  w->Result()->Button_All->Click();
  boxes.answers = {IDNO};
  w->Button_Weiter->Click();
  ExpectState(*w, kResultsRow);
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[1].text, SureToDeleteMessage());
  EXPECT_EQ(boxes.boxes[1].buttons, MsgButtons::YesNo);
  EXPECT_TRUE(RegHasValue(hive.root(), hive / "Help", "a.hlp"));

  boxes.answers = {IDYES};
  w->Button_Weiter->Click();
  ExpectState(*w, kStartRow);
  ASSERT_EQ(boxes.boxes.size(), 4u) << BoxTexts();
  EXPECT_EQ(boxes.boxes[3].kind, MsgKind::Information);
  EXPECT_EQ(boxes.boxes[3].text, "Es wurden 5 Einträge gelöscht.\rDabei traten 0 Fehler auf.");
  EXPECT_EQ(w->DeletedCount(), 5);
  EXPECT_EQ(w->DeleteErrorCount(), 0);
  EXPECT_EQ(w->ProgressBar_RC_Delete->Position(), 4);  // three entries and one list
  EXPECT_FALSE(RegHasValue(hive.root(), hive / "Help", "a.hlp"));
  std::vector<cleaning::UndoFileRow> undo = cleaning::ListUndoFiles(cleaning::UndoFileFolder("RC"));
  ASSERT_EQ(undo.size(), 1u);
  EXPECT_EQ(undo[0].Count, 5);
}

TEST_F(WindowTest, CancelDuringTheSearch) {
  PlantOrphans();
  auto w = MakeWindow();
  bool cancelShown = false;
  w->Engine().Scan.OnPump = [&] {
    if (cancelShown) return;
    cancelShown = w->Button_Cancel->Visible();
    w->Button_Cancel->Click();
  };
  w->Button_Weiter->Click();
  EXPECT_TRUE(cancelShown);
  ExpectState(*w, kStartRow);
  EXPECT_FALSE(w->ProgressTimer->Enabled());
  EXPECT_TRUE(boxes.boxes.empty()) << BoxTexts();
  // The partial tree is never deleted from.
  w->DeleteMarkedEntries();
  EXPECT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(w->DeletedCount(), 0);
  EXPECT_TRUE(RegHasValue(hive.root(), hive / "Help", "a.hlp"));
}

// An undo file that cannot be begun: the English dialog, even under the
// One-Click-Optimizer, nothing deleted, back at the start.
TEST_F(WindowTest, UndoFileDialogs) {
  PlantOrphans();
  auto w = MakeWindow();
  w->Button_Weiter->Click();
  ASSERT_EQ(w->State(), WizardState::Results);
  const std::string taken = app.Write("taken.REG");
  w->Engine().DeleteEvents.BackupName = [&] { return taken; };
  boxes.answers = {IDYES};
  w->Button_Weiter->Click();
  ExpectState(*w, kStartRow);
  ASSERT_EQ(boxes.boxes.size(), 2u) << BoxTexts();
  EXPECT_EQ(boxes.boxes[1].kind, MsgKind::Error);
  EXPECT_EQ(boxes.boxes[1].text, kBackupCreateError);
  EXPECT_TRUE(RegHasValue(hive.root(), hive / "Help", "a.hlp"));

  OcoRunning = 1;
  w->RunRegistrySearch();
  w->Engine().DeleteEvents.BackupName = [] { return std::string(); };
  w->DeleteMarkedEntries();
  ASSERT_EQ(boxes.boxes.size(), 3u) << BoxTexts();
  EXPECT_EQ(boxes.boxes[2].text, kNoBackupNameError);

  w->RunRegistrySearch();
  w->Engine().DeleteEvents.BackupName = [&] { return app / "closing.REG"; };
  w->Engine().DeleteEvents.EndBackup = [] {
    EndRegistryBackup();
    return false;
  };
  w->DeleteMarkedEntries();
  ASSERT_EQ(boxes.boxes.size(), 4u) << BoxTexts();
  EXPECT_EQ(boxes.boxes[3].text, kBackupCloseError);
  EXPECT_FALSE(FileExists(app / "closing.REG.txt"));
}

// The One-Click-Optimizer's use: a window never shown, no box, the counters.
TEST_F(WindowTest, OcoRunningOnAHiddenWindow) {
  OcoRunning = 1;
  auto w = MakeWindow();
  EXPECT_TRUE(w->Image_HeaderIcon->Picture().Empty());
  w->RunRegistrySearch();
  ExpectState(*w, kResultsRow);  // nothing found: still the result page
  w->DeleteMarkedEntries();
  EXPECT_EQ(w->DeletedCount(), 0);

  PlantOrphans();
  w->RunRegistrySearch();
  ExpectState(*w, kResultsRow);
  w->ShowRegistrySearchSummary();
  EXPECT_NE(w->JvLinkLabel_Result->Caption().find(" 5 "), std::string::npos);
  w->DeleteMarkedEntries();
  EXPECT_EQ(w->State(), WizardState::Deleting);
  EXPECT_EQ(w->DeletedCount(), 5);
  EXPECT_EQ(w->DeleteErrorCount(), 0);
  EXPECT_EQ(w->ProgressBar_RC_Delete->Max(), 5);
  EXPECT_FALSE(IsWindowVisible(w->Handle()));
  EXPECT_TRUE(boxes.boxes.empty()) << BoxTexts();
}

// The progress timer copies the scan state into the labels and the bar.
TEST_F(WindowTest, ProgressLabelsFollowTheScan) {
  PlantOrphans();
  auto w = MakeWindow();
  std::vector<std::string> kinds;
  w->Engine().Scan.OnPump = [&] {
    if (w->Engine().Scan.CurrentKind != kHelpFiles || !kinds.empty()) return;
    w->ProgressTimer->OnTimer();
    kinds.push_back(w->Label_RC_Typ->Caption());
    EXPECT_EQ(w->ProgressBar_RC_search->Max(), 2);
  };
  w->Button_Weiter->Click();
  ASSERT_EQ(kinds.size(), 1u);
  EXPECT_EQ(kinds[0], "Verwaiste Hilfe-Dateien");
}

TEST_F(WindowTest, TranslatedFromTheLanguageFile) {
  const std::string file = std::string(kInstalledProgram) + "\\Translation\\1033.ini";
  ASSERT_TRUE(LoadLines(file, TranslationList)) << file;
  TranslationFile = file;
  auto w = MakeWindow();
  EXPECT_EQ(w->RadioButton_Backups->Caption(), "Edit backups");
  EXPECT_EQ(w->Backups->VirtualDrawTree_Backups->ColumnCaption(1), "Deleted entries");
  EXPECT_EQ(w->Backups->Button_Restore->Caption(), "Restore");
  EXPECT_EQ(w->Options()->Caption(), "Registry Cleaner settings");
  EXPECT_EQ(w->Options()->ListView_Drives->ColumnCaption(0), "Drive");
  EXPECT_EQ(w->Options()->CheckedKindList()[0].Name, "Orphaned file types");
  EXPECT_EQ(w->Result()->VirtualDrawTree_RC->ColumnCaption(1), "Key");
  EXPECT_EQ(w->Result()->Label_RC_Fixed->Caption(), "Entries selected:");
  EXPECT_EQ(w->Tr("MESSAGE_String_Target", "x"), "points to a missing file:");
}

}  // namespace
}  // namespace qz::rc::uitest
