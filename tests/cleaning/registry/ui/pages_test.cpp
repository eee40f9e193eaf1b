// The backups page, the options window and the result window of the
// Registry Cleaner, and its engine driven without any window.
#include "cleaning/frame/backup_page.h"
#include "cleaning/frame/wizard_states.h"
#include "core/reg_backup.h"
#include "rcui_fixture.h"
#include "ui/check_state.h"
#include "ui/menu.h"

#include <map>

namespace qz::rc::uitest {
namespace {

using cleaning::WizardState;
using cleaning::test::ExpectState;
using ui::CheckState;
using ui::VNode;

using PagesTest = RcUiTest;

// Next with "Backups" lists the undo files with their counts; Restore hands
// the selected one on; Delete recycles every selected one with its count
// file and keeps (and names once) a row whose file stays.
TEST_F(PagesTest, BackupsPage) {
  auto w = MakeWindow();
  const std::string folder = cleaning::UndoFileFolder("RC");
  const std::string a = folder + "Montag, 01. Januar - 10_00_00.REG";
  const std::string b = folder + "Montag, 01. Januar - 11_00_00.REG";
  const std::string c = folder + "Montag, 01. Januar - 12_00_00.REG";
  for (const std::string& f : {a, b, c}) test::Hive::WriteFileAt(f, "REGEDIT4\r\n");
  test::Hive::WriteFileAt(a + ".txt", "7\r\n");
  test::Hive::WriteFileAt(b + ".txt", "3\r\n");

  w->RadioButton_Backups->SetChecked(true);
  w->Button_Weiter->Click();
  ExpectState(*w, cleaning::test::kLastPageRow);
  cleaning::BackupPage& page = *w->Backups;
  ui::VTreeModel& t = page.VirtualDrawTree_Backups->Tree();
  std::map<std::string, int32_t> counts;
  for (const cleaning::UndoFileRow& r : page.Rows()) counts[r.DisplayName] = r.Count;
  ASSERT_EQ(counts.size(), 3u);
  EXPECT_EQ(counts["Montag, 01. Januar - 10:00:00"], 7);
  EXPECT_EQ(counts["Montag, 01. Januar - 12:00:00"], 0);
  EXPECT_EQ(page.Button_Restore->Caption(), "Zurückspielen");

  // Nothing selected: both buttons say so.
  page.Button_RestoreClick();
  page.Button_DeleteClick();
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[0].text, "Sie müssen ein Backup aus der Liste auswählen!");
  EXPECT_EQ(boxes.boxes[1].kind, MsgKind::Warning);

  auto select = [&](const std::string& path) {
    for (VNode* n = t.GetFirst(); n; n = t.GetNextSibling(n))
      if (t.Data<cleaning::UndoFileRow>(n).Path == path) t.SetSelected(n, true);
  };
  std::vector<std::string> restored;
  page.Restore = [&](const std::string& f) {
    restored.push_back(f);
    return true;
  };
  select(b);
  page.Button_RestoreClick();
  EXPECT_EQ(restored, (std::vector<std::string>{b}));
  EXPECT_EQ(page.Rows().size(), 3u);

  // Delete b and c; the recycler keeps c.
  select(c);
  std::vector<std::string> recycled;
  page.Recycle = [&](const std::string& f) {
    recycled.push_back(ExtractFileName(f));
    if (f == c) return false;
    DeleteFileW(Widen(f).c_str());
    return true;
  };
  boxes.answers = {IDNO};
  page.Button_DeleteClick();
  EXPECT_TRUE(recycled.empty());
  boxes.answers = {IDYES};
  page.Button_DeleteClick();
  EXPECT_EQ(boxes.boxes[3].kind, MsgKind::Question);
  EXPECT_EQ(recycled, (std::vector<std::string>{ExtractFileName(b), ExtractFileName(b) + ".txt",
                                                ExtractFileName(c)}));
  EXPECT_EQ(page.Rows().size(), 2u);
  ASSERT_EQ(boxes.boxes.size(), 5u) << BoxTexts();
  EXPECT_EQ(boxes.boxes[4].kind, MsgKind::Error);
  EXPECT_NE(boxes.boxes[4].text.find("12:00:00"), std::string::npos);
  EXPECT_FALSE(FileExists(b));
  EXPECT_TRUE(FileExists(c));

  w->Button_Zurueck->Click();
  EXPECT_EQ(w->State(), WizardState::Start);
}

// The options window: every hard disk listed and checked unless stored
// otherwise; closing stores the drives and the kinds.
TEST_F(PagesTest, OptionsWindowLoadsAndStores) {
  RegSetIntegerChecked(HKEY_LOCAL_MACHINE, optionsKey, "Typ_0", 0);
  auto w = MakeWindow();
  TForm_RC_Options& o = *w->Options();
  ASSERT_EQ(o.ListView_Drives->ItemCount(), 2);
  EXPECT_EQ(o.ListView_Drives->ItemText(1, 1), "D:\\");
  EXPECT_EQ(o.CheckedDrives(), "C");
  ui::VTreeModel& kinds = o.VirtualDrawTree_RC_Types->Tree();
  EXPECT_EQ(kinds.RootNodeCount(), 16u);
  EXPECT_EQ(kinds.GetCheckState(kinds.GetFirst()), CheckState::Unchecked);
  EXPECT_EQ(kinds.GetCheckType(kinds.GetFirst()), ui::CheckType::CheckBox);
  EXPECT_EQ(kinds.GetCheckType(kinds.GetLast()), ui::CheckType::TriState);
  EXPECT_EQ(o.CheckedKindList().size(), 15u);

  o.ListView_Drives->SetChecked(1, true);
  kinds.ChangeCheckState(kinds.GetLast(), CheckState::Unchecked);
  cleaning::SetModalHook([&](ui::Form& f) {
    f.Close();
    return ui::mrOk;
  });
  w->RadioButton_Options->SetChecked(true);
  w->Button_Weiter->Click();
  EXPECT_EQ(RegGetString(HKEY_LOCAL_MACHINE, optionsKey, "D"), "1");
  EXPECT_TRUE(RegIntegerEquals(HKEY_LOCAL_MACHINE, optionsKey, "Typ_0", 0));
  EXPECT_TRUE(RegIntegerEquals(HKEY_LOCAL_MACHINE, optionsKey, "Typ_1", 1));
  EXPECT_TRUE(RegIntegerEquals(HKEY_LOCAL_MACHINE, optionsKey, "Typ_15", 0));
}

// The result window: labels and counts follow every way of checking.
TEST_F(PagesTest, ResultWindowCounts) {
  PlantOrphans();
  auto w = MakeWindow();
  w->Button_Weiter->Click();
  TForm_RC_Result& r = *w->Result();
  ui::VTreeModel& t = r.Model();
  EXPECT_GE(r.ClientWidth(), 720);
  VNode* list = nullptr;
  for (VNode* n = t.GetFirst(); n; n = t.GetNextSibling(n))
    if (t.Data<RegScanNode>(n).Kind == 11) list = n;
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(r.Label_RC_Found->Caption(), "5 / 5");
  t.ToggleCheckState(list);
  EXPECT_EQ(r.Label_RC_Found->Caption(), "3 / 5");
  r.Button_None->Click();
  EXPECT_EQ(r.Label_RC_Found->Caption(), "0 / 5");
  t.SetSelected(list, true);
  r.PopUp_MarkSelected->Click();
  EXPECT_EQ(r.Label_RC_Found->Caption(), "2 / 5");
  r.PopUp_MarkAll->Click();
  EXPECT_EQ(r.Label_RC_Found->Caption(), "5 / 5");
  // No header sorting: a click leaves the order alone.
  const std::string first = t.Data<RegScanNode>(t.GetFirst()).Text;
  r.HeaderClick(1);
  EXPECT_EQ(t.Data<RegScanNode>(t.GetFirst()).Text, first);
}

// The engine as the One-Click-Optimizer drives it: no window, the stored
// settings, the counters, no box.
TEST_F(PagesTest, UnattendedSearchAndDelete) {
  PlantOrphans();
  RegSetIntegerChecked(HKEY_LOCAL_MACHINE, optionsKey, "Typ_0", 1);
  for (int i = 1; i < 16; ++i)
    RegSetIntegerChecked(HKEY_LOCAL_MACHINE, optionsKey, "Typ_" + std::to_string(i), i == 6 ? 1 : 0);
  RegistryCleaner engine;
  engine.Scan.UseLocations(hive.Locations());
  cleaning::UnattendedCleaner& cleaner = engine;
  std::vector<cleaning::CleanerProgress> seen;
  engine.SearchEvents.OnKind = [&](const KindChoice&) { seen.push_back(cleaner.Progress()); };
  cleaner.Search();
  ASSERT_EQ(seen.size(), 2u);  // file types and help files only
  EXPECT_EQ(seen[1].Line1, "Verwaiste Hilfe-Dateien");
  EXPECT_EQ(engine.Scan.FoundCount, 2);
  cleaner.DeleteMarked();
  EXPECT_EQ(cleaner.Counters().Deleted, 2);
  EXPECT_EQ(cleaner.Counters().Errors, 0);
  EXPECT_TRUE(RegHasValue(hive.root(), hive / "SharedDLLs", hive.Path("gone\\s.dll")));
  EXPECT_TRUE(boxes.boxes.empty()) << BoxTexts();
  EXPECT_EQ(cleaning::ListUndoFiles(cleaning::UndoFileFolder("RC")).size(), 1u);
}

}  // namespace
}  // namespace qz::rc::uitest
