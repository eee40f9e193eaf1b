// The DLL Cleaner window on the cleaner wizard: creation, the checks before
// a search, the search with its result list and details, the close question
// for red rows, the delete, Cancel and the display timer.
#include "dllui_fixture.h"
#include "ui/form_translation.h"
#include "ui/menu.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"
#include "ui/timer.h"
#include "ui/vtree_view.h"

namespace qz::dll::uitest {
namespace {

using cleaning::WizardState;
using qz::dll::test::ExpectInTrash;
using qz::dll::test::FixtureDll;
using ui::CheckState;

class DllWindowTest : public DllUiTest {
 protected:
  // One group: the references in System32 and SysWOW64 and four copies.
  void PlantGroup() {
    tree.Plant("qzfx64_2", "win\\System32\\QZUIA.DLL");
    tree.Plant("qzfx32_2", "win\\SysWOW64\\QZUIA.DLL");
    tree.Plant("qzfx64_3", "app\\new\\QZUIA.DLL");
    tree.Plant("qzfx64_1", "app\\old\\QZUIA.DLL");
    tree.Plant("qzfx64_nover", "app\\nover\\QZUIA.DLL");
    tree.Plant("qzfx64_2", "app\\same\\QZUIA.DLL");
  }
  // Next on the start page, the question answered with Yes.
  void Search(TForm_DLL& w) {
    boxes.answers.push_back(IDYES);
    w.Button_Weiter->Click();
  }
};

TEST_F(DllWindowTest, CreationAndTheThreeWindows) {
  auto w = MakeWindow();
  EXPECT_EQ(w->Caption(), ProductTitle);
  EXPECT_EQ(w->JvPageControl1->PageCount(), 5);
  EXPECT_EQ(w->State(), WizardState::Start);
  EXPECT_FALSE(w->Button_Zurueck->Enabled());
  EXPECT_TRUE(w->Button_Weiter->Enabled());
  EXPECT_TRUE(w->RadioButton_Start->Checked());
  ASSERT_NE(w->ProgressTimer, nullptr);
  EXPECT_EQ(w->ProgressTimer->Name, "JvThreadTimer_DLLCleanerTimer");
  EXPECT_EQ(w->ProgressTimer->Interval(), 250u);
  EXPECT_FALSE(w->Image_HeaderIcon->Picture().Empty());
  EXPECT_FALSE(w->Button_SaveTranslation->Visible());
  EXPECT_FALSE(w->Button_LoadTranslation->Visible());
  // The result window: five columns, no "all" button, no sorting.
  TForm_DLL_Result& r = *w->Result();
  EXPECT_EQ(r.VirtualDrawTree_DLL->ColumnCount(), 5);
  EXPECT_FALSE(r.Button_All->Visible());
  EXPECT_FALSE(r.PopUp_MarkAll->Visible);
  EXPECT_FALSE(r.VirtualDrawTree_DLL->OnHeaderClick);
  EXPECT_EQ(w->Options()->Caption(), "Einstellungen zum DLL-Cleaner");
  EXPECT_TRUE(boxes.boxes.empty()) << BoxTexts();
}

// No drive, the Windows drive not chosen, and the question answered No: each
// stops before the search.
TEST_F(DllWindowTest, ChecksBeforeTheSearch) {
  auto w = MakeWindow();
  ui::ListView& drives = *w->Options()->ListView_Drives;
  for (int i = 0; i < drives.ItemCount(); ++i) drives.SetChecked(i, false);
  w->Button_Weiter->Click();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Warning);
  EXPECT_EQ(boxes.boxes[0].text, NoDrivesMessage());
  EXPECT_EQ(w->State(), WizardState::Start);

  for (int i = 0; i < drives.ItemCount(); ++i) drives.SetChecked(i, drives.ItemText(i, 1) == "D:\\");
  w->Engine().Folders.WinDir = "C:\\windows";
  w->Button_Weiter->Click();
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[1].text, NoWinDriveMessage());
  EXPECT_EQ(boxes.boxes[1].kind, MsgKind::Warning);

  w->Engine().Folders = tree.Folders();
  boxes.answers.push_back(IDNO);
  w->Button_Weiter->Click();
  ASSERT_EQ(boxes.boxes.size(), 3u);
  EXPECT_EQ(boxes.boxes[2].text, SureToSearchMessage());
  EXPECT_EQ(boxes.boxes[2].kind, MsgKind::Question);
  EXPECT_EQ(boxes.boxes[2].buttons, MsgButtons::YesNo);
  EXPECT_EQ(w->State(), WizardState::Start);
  EXPECT_EQ(w->Engine().FoldersEntered, 0);
}

TEST_F(DllWindowTest, SearchResultsAndDetails) {
  PlantGroup();
  auto w = MakeWindow();
  Search(*w);
  ASSERT_EQ(w->State(), WizardState::Results) << BoxTexts();
  ASSERT_EQ(boxes.boxes.size(), 1u) << BoxTexts();
  EXPECT_EQ(Rows(*w), (std::vector<std::string>{"QZUIA.DLL", "APP\\NEW\\ 5", "APP\\NOVER\\ 2", "APP\\OLD\\ 4",
                                                 "APP\\SAME\\ 1", "WIN\\SYSTEM32\\ 6", "WIN\\SYSWOW64\\ 6"}));
  const std::string summary = w->JvLinkLabel_Result->Caption();
  EXPECT_EQ(summary.find("Es wurden insgesammt 6 Dateien gefunden"), 0u) << summary;
  EXPECT_NE(summary.find("Davon sind 0 Dateien zum Löschen markiert"), std::string::npos) << summary;
  EXPECT_NE(summary.find("DLL-Dateien in "), std::string::npos) << summary;
  EXPECT_FALSE(w->ProgressTimer->Enabled());

  TForm_DLL_Result& r = *w->Result();
  ui::VTreeModel& t = r.Model();
  EXPECT_EQ(r.Label_DLL_Files->Caption(), "0 / 6");
  EXPECT_EQ(t.GetCheckType(t.GetFirst()), ui::CheckType::None);
  EXPECT_EQ(t.GetCheckType(Row(*w, "SYSTEM32")), ui::CheckType::None);
  EXPECT_EQ(t.GetCheckType(Row(*w, "OLD")), ui::CheckType::CheckBox);
  EXPECT_EQ(t.Data<DllNode>(Row(*w, "NEW")).TextColor, kRiskColor);
  EXPECT_EQ(t.Data<DllNode>(Row(*w, "OLD")).TextColor, 0);
  EXPECT_EQ(t.Data<DllNode>(Row(*w, "OLD")).Version, "1.0.0.0");

  // A click on a reference row's check position changes nothing.
  EXPECT_FALSE(t.ToggleCheckState(Row(*w, "SYSTEM32")));
  EXPECT_EQ(r.Label_DLL_Files->Caption(), "0 / 6");
  EXPECT_TRUE(t.ToggleCheckState(Row(*w, "OLD")));
  EXPECT_EQ(r.Label_DLL_Files->Caption(), "1 / 6");

  // A header click does not sort.
  r.HeaderClick(2);
  EXPECT_EQ(Rows(*w)[1], "APP\\NEW\\ 5");

  // Details of the focused row.
  r.ShowDetails(Row(*w, "SAME"));
  EXPECT_EQ(r.Label_CompanyName->Caption(), "QZ Fixture Co");
  EXPECT_EQ(r.Label_FileDescription->Caption(), "QZ fixture library 2.0.0.0");
  EXPECT_EQ(r.Label_DLL_Grund1->Caption(), ReasonLines(1).first);
  EXPECT_EQ(r.Label_DLL_Grund2->Caption(), ReasonLines(1).second);
  r.ShowDetails(Row(*w, "NOVER"));
  EXPECT_EQ(r.Label_CompanyName->Caption(), "Nicht verfügbar");
  EXPECT_EQ(r.Label_DLL_Grund1->Caption(), ReasonLines(2).first);
  r.ShowDetails(t.GetFirst());
  for (ui::Label* l : {r.Label_DLL_Grund1, r.Label_DLL_Grund2, r.Label_FileDescription, r.Label_CompanyName})
    EXPECT_EQ(l->Caption(), "");
}

// Closing the list with a red row marked asks once; No keeps it open.
TEST_F(DllWindowTest, RedRowsMarkedAskBeforeClosing) {
  PlantGroup();
  auto w = MakeWindow();
  Search(*w);
  ASSERT_EQ(w->State(), WizardState::Results) << BoxTexts();
  TForm_DLL_Result& r = *w->Result();
  boxes.boxes.clear();
  r.Model().ToggleCheckState(Row(*w, "OLD"));
  EXPECT_TRUE(r.CloseQuery());
  EXPECT_TRUE(boxes.boxes.empty());
  r.Model().ToggleCheckState(Row(*w, "NEW"));
  boxes.answers.push_back(IDNO);
  EXPECT_FALSE(r.CloseQuery());
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, SureToDeleteRedMessage());
  EXPECT_EQ(boxes.boxes[0].buttons, MsgButtons::YesNo);
  boxes.answers.push_back(IDYES);
  EXPECT_TRUE(r.CloseQuery());
  EXPECT_EQ(boxes.boxes.size(), 2u);
  // "Keine" unmarks everything again.
  r.Button_None->Click();
  EXPECT_EQ(r.Label_DLL_Files->Caption(), "0 / 6");
}

TEST_F(DllWindowTest, DeleteTheMarkedCopies) {
  PlantGroup();
  auto w = MakeWindow();
  Search(*w);
  ASSERT_EQ(w->State(), WizardState::Results) << BoxTexts();
  boxes.boxes.clear();
  // Nothing marked: the warning, nothing else.
  w->Button_Weiter->Click();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, DeleteZeroSelectedMessage());
  EXPECT_EQ(w->State(), WizardState::Results);

  ui::VTreeModel& t = w->Result()->Model();
  t.ToggleCheckState(Row(*w, "OLD"));
  t.ToggleCheckState(Row(*w, "SAME"));
  // A reference row marked by code is refused by the delete.
  t.SetCheckState(Row(*w, "SYSTEM32"), CheckState::Checked);
  boxes.boxes.clear();
  boxes.answers.push_back(IDYES);
  w->Button_Weiter->Click();
  ASSERT_EQ(boxes.boxes.size(), 2u) << BoxTexts();
  EXPECT_EQ(boxes.boxes[0].text, SureToDeleteMessage());
  EXPECT_EQ(boxes.boxes[1].text, "Es wurden 2 DLL-Dateien gelöscht.\rDabei traten 1 Fehler auf.");
  EXPECT_EQ(boxes.boxes[1].kind, MsgKind::Information);
  EXPECT_EQ(w->State(), WizardState::Start);
  EXPECT_FALSE(qz::dll::test::Exists(tree / "app\\old\\QZUIA.DLL"));
  EXPECT_FALSE(qz::dll::test::Exists(tree / "app\\same\\QZUIA.DLL"));
  EXPECT_TRUE(qz::dll::test::Exists(tree / "win\\System32\\QZUIA.DLL"));
  ExpectInTrash(tree / "app\\old\\QZUIA.DLL");
  ExpectInTrash(tree / "app\\same\\QZUIA.DLL");
  EXPECT_EQ(Rows(*w).size(), 5u);
  EXPECT_EQ(w->Result()->Label_DLL_Files->Caption(), "1 / 4");
}

// Cancel during the search: back at the start at once, no box.
TEST_F(DllWindowTest, CancelDuringTheSearch) {
  PlantGroup();
  auto w = MakeWindow();
  w->Engine().PumpIntervalMs = 0;
  bool clicked = false;
  SetMessagePump([&] {
    if (!clicked && w->Engine().DllFilesSeen >= 1) {
      clicked = true;
      EXPECT_TRUE(w->Button_Cancel->Visible());
      w->Button_Cancel->Click();
    }
  });
  Search(*w);
  EXPECT_TRUE(clicked);
  EXPECT_EQ(w->State(), WizardState::Start);
  EXPECT_EQ(boxes.boxes.size(), 1u) << BoxTexts();  // the question only
  EXPECT_TRUE(w->Result()->Model().IsEmpty());
  EXPECT_TRUE(w->Button_Close->Visible());
}

// Nothing found: the information box and the start page.
TEST_F(DllWindowTest, NothingFound) {
  tree.Plant("qzfx64_1", "app\\QZUIONLY.DLL");
  auto w = MakeWindow();
  Search(*w);
  EXPECT_EQ(w->State(), WizardState::Start);
  ASSERT_EQ(boxes.boxes.size(), 2u) << BoxTexts();
  EXPECT_EQ(boxes.boxes[1].text, NothingFoundMessage());
  EXPECT_EQ(boxes.boxes[1].kind, MsgKind::Information);
}

// The hidden translation buttons translate all three windows.
TEST_F(DllWindowTest, TranslationButtons) {
  auto w = MakeWindow();
  TranslationFile = "C:\\qztests\\none.ini";
  TranslationList = {"[TForm_DLL]", "||RadioButton_Start=Search now", "", "||",
                     "[TForm_DLL_Options]", "||TabSheet_Compare=Rules", "", "||",
                     "[TForm_DLL_Result]", "||Label_DLL_Grund_Fixed=Why:", "", "||"};
  w->Button_LoadTranslation->Click();
  w->Options()->Button_LoadTranslation->Click();
  w->Result()->Button_LoadTranslation->Click();
  EXPECT_EQ(w->RadioButton_Start->Caption(), "Search now");
  EXPECT_EQ(w->Options()->TabSheet_Compare->Caption(), "Rules");
  EXPECT_EQ(w->Result()->Label_DLL_Grund_Fixed->Caption(), "Why:");
  EXPECT_EQ(Tr(*w, "MESSAGE_NoWinDrive", "x"), "x");
}

}  // namespace
}  // namespace qz::dll::uitest
