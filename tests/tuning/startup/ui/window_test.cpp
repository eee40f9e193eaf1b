// The StartUp-Tuner's windows driven from code: the wizard's states, the
// result window's buttons as the focus moves, check boxes that only change
// when the entry moved, edit, add and properties, the installed-software
// page, and the Backups page. Boxes are recorded and answered by the hook,
// modal windows by the modal hook.
#include <memory>

#include "cleaning/frame/backup_page.h"
#include "core/globals.h"
#include "core/reg_backup.h"
#include "support/globals_guard.h"
#include "support/module_window_test.h"
#include "tuning/startup/st_fixture.h"
#include "tuning/startup/st_form.h"
#include "tuning/startup/st_new.h"
#include "tuning/startup/st_result.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"
#include "ui/vtree_view.h"

namespace qz::st::test {
namespace {

class WindowTest : public StartupTest {
 protected:
  WindowTest() {
    AppDir = ExcludeTrailingBackslash(dir / "app");
    ProductRegKey = machine / "Product";
    qz::test::ResetWindowGlobals();
  }
  ~WindowTest() override { cleaning::SetModalHook(nullptr); }

  std::unique_ptr<TForm_ST> MakeWindow() {
    auto w = std::make_unique<TForm_ST>(nullptr, &store, places);
    w->DoCreate();
    return w;
  }
  ui::VNode* Entry(TForm_ST_Result& r, const std::string& display) {
    ui::VTreeModel& t = r.Autostart();
    for (ui::VNode* n = t.GetFirst(); n; n = t.GetNext(n))
      if (t.Data<AutostartEntry>(n).DisplayName == display) return n;
    return nullptr;
  }
  std::string Texts() const { return boxes.Texts(); }

  qz::test::GlobalsGuard globals;
  qz::test::MessageBoxRecorder boxes;
};

TEST_F(WindowTest, WizardPagesAndTheResultWindowOnEitherPage) {
  Plant(HKEY_CURRENT_USER, user / "Run", "Tray", Sz("tray.exe"));
  places.UninstallKey = machine / "Uninstall";
  Plant(HKEY_LOCAL_MACHINE, places.UninstallKey + "\\app", "DisplayName", Sz("App"));
  auto w = MakeWindow();
  EXPECT_EQ(w->PageIndex(), 0);
  EXPECT_TRUE(w->RadioButton_AutoStart->Checked());
  EXPECT_FALSE(w->Button_Zurueck->Enabled());
  EXPECT_TRUE(w->Button_Weiter->Enabled());

  std::vector<int> shownPages;
  cleaning::SetModalHook([&](ui::Form& f) {
    EXPECT_EQ(&f, w->Result());
    shownPages.push_back(w->Result()->JvPageControl1->ActivePageIndex());
    return ui::mrOk;
  });
  // The tree is built anew before it is shown.
  Plant(HKEY_CURRENT_USER, user / "Run", "Later", Sz("later.exe"));
  w->Button_Weiter->Click();
  EXPECT_NE(Entry(*w->Result(), "Later"), nullptr);
  w->RadioButton_Uninstall->SetChecked(true);
  w->Button_Weiter->Click();
  EXPECT_EQ(shownPages, (std::vector<int>{0, 1}));
  EXPECT_EQ(w->Result()->Uninstall().TotalCount(), 1u);
  EXPECT_EQ(w->PageIndex(), 0);

  w->RadioButton_Backups->SetChecked(true);
  w->Button_Weiter->Click();
  EXPECT_EQ(w->PageIndex(), 1);
  EXPECT_FALSE(w->Button_Weiter->Enabled());
  EXPECT_TRUE(w->Button_Zurueck->Enabled());
  w->Button_Zurueck->Click();
  EXPECT_EQ(w->PageIndex(), 0);
  EXPECT_TRUE(w->Button_Weiter->Enabled());
  EXPECT_FALSE(w->Button_Zurueck->Enabled());
  EXPECT_TRUE(boxes.boxes.empty()) << Texts();
}

TEST_F(WindowTest, ResultButtonsFollowTheFocus) {
  Plant(HKEY_CURRENT_USER, user / "Run", "Tray", Sz("tray.exe /q"));
  dir.Write("user\\Broken.lnk", "not a link");
  auto w = MakeWindow();
  TForm_ST_Result& r = *w->Result();
  ui::VTreeModel& t = r.Autostart();
  auto state = [&] {
    return std::string(r.Button_Edit->Enabled() ? "E" : "-") + (r.Button_Delete->Enabled() ? "D" : "-") +
           (r.Button_Properties->Enabled() ? "P" : "-") + (r.Button_Add->Enabled() ? "A" : "-") + "|" +
           r.Edit_Autostart_Command->Text();
  };
  EXPECT_EQ(state(), "---A|");
  r.VirtualDrawTree_AUTOSTART->SelectOnly(Entry(r, "Tray"));
  EXPECT_EQ(state(), "EDPA|tray.exe /q");
  r.VirtualDrawTree_AUTOSTART->SelectOnly(t.GetFirst());  // a category
  EXPECT_EQ(state(), "---A|");
  r.VirtualDrawTree_AUTOSTART->SelectOnly(Entry(r, "Broken"));
  EXPECT_EQ(state(), "ED-A|");
  // A rebuild starts again with nothing focused.
  r.BuildAutostartTree();
  EXPECT_EQ(state(), "---A|");
}

TEST_F(WindowTest, ACheckBoxChangesOnlyWhenTheEntryMoved) {
  Plant(HKEY_CURRENT_USER, user / "Run", "Tray", Sz("tray.exe"));
  Plant(HKEY_CURRENT_USER, user / "Run", "Clash", Sz("new.exe"));
  Plant(HKEY_CURRENT_USER, user / "Run\\not active", "Clash", Sz("old.exe"));
  auto w = MakeWindow();
  TForm_ST_Result& r = *w->Result();
  ui::VTreeModel& t = r.Autostart();

  ui::VNode* tray = Entry(r, "Tray");
  EXPECT_TRUE(t.ToggleCheckState(tray));
  EXPECT_EQ(t.GetCheckState(tray), ui::CheckState::Unchecked);
  EXPECT_TRUE(RegHasValue(HKEY_CURRENT_USER, user / "Run\\not active", "Tray"));
  EXPECT_TRUE(boxes.boxes.empty()) << Texts();

  ui::VNode* clash = Entry(r, "Clash");
  EXPECT_FALSE(t.ToggleCheckState(clash));
  EXPECT_EQ(t.GetCheckState(clash), ui::CheckState::Checked);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_NE(boxes.boxes[0].text.find("Clash"), std::string::npos);
  EXPECT_NE(boxes.boxes[0].text.find("am Ziel gibt es schon"), std::string::npos);
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Warning);
  EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, user / "Run\\not active", "Clash"), "old.exe");

  // A failing step: the box stays, one error names the entry.
  store.fail["RemoveValue"] = TestStore::When(user / "Run\\not active|Tray");
  EXPECT_FALSE(t.ToggleCheckState(tray));
  EXPECT_EQ(t.GetCheckState(tray), ui::CheckState::Unchecked);
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[1].kind, MsgKind::Error);
  EXPECT_NE(boxes.boxes[1].text.find("Tray"), std::string::npos);
  EXPECT_FALSE(RegHasValue(HKEY_CURRENT_USER, user / "Run", "Tray"));
}

TEST_F(WindowTest, EditAsksFirstAndRebuildsTheTree) {
  Plant(HKEY_CURRENT_USER, user / "Run", "Tray", Sz("tray.exe"));
  auto w = MakeWindow();
  TForm_ST_Result& r = *w->Result();
  r.VirtualDrawTree_AUTOSTART->SelectOnly(Entry(r, "Tray"));
  r.Edit_Autostart_Command->SetText("TRAY.EXE");
  r.Button_Edit->Click();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "Sie haben die Kommandozeile noch nicht verändert.");

  r.Edit_Autostart_Command->SetText("tray.exe /new");
  boxes.answers = {IDNO};
  r.Button_Edit->Click();
  EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, user / "Run", "Tray"), "tray.exe");
  boxes.answers = {IDYES};
  r.Button_Edit->Click();
  EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, user / "Run", "Tray"), "tray.exe /new");
  EXPECT_EQ(boxes.boxes.size(), 3u) << Texts();
  EXPECT_NE(boxes.boxes[1].text.find("Tray"), std::string::npos);
  // Rebuilt: the new command shows, nothing is focused.
  EXPECT_EQ(r.Autostart().Data<AutostartEntry>(Entry(r, "Tray")).Command, "tray.exe /new");
  EXPECT_FALSE(r.Button_Edit->Enabled());

  // The second edit in the same second finds its undo file's name taken.
  r.VirtualDrawTree_AUTOSTART->SelectOnly(Entry(r, "Tray"));
  r.Edit_Autostart_Command->SetText("tray.exe /again");
  boxes.answers = {IDYES};
  r.Button_Edit->Click();
  ASSERT_EQ(boxes.boxes.size(), 5u);
  EXPECT_EQ(boxes.boxes[4].text, "Error creating Backup-File!\rDisk full,corrupt or write-protected?");
  EXPECT_EQ(boxes.boxes[4].kind, MsgKind::Error);
  EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, user / "Run", "Tray"), "tray.exe /new");
}

TEST_F(WindowTest, AddKeepsTheDialogOpenUntilTheNameIsGood) {
  Plant(HKEY_CURRENT_USER, user / "Run", "Taken", Sz("t.exe"));
  auto w = MakeWindow();
  TForm_ST_Result& r = *w->Result();
  int dialogs = 0;
  cleaning::SetModalHook([&](ui::Form& f) {
    auto* d = dynamic_cast<TForm_ST_New*>(&f);
    EXPECT_NE(d, nullptr);
    if (!d) return ui::mrCancel;
    ++dialogs;
    EXPECT_TRUE(d->RadioButton1->Checked());
    d->Button_Ok->Click();  // both empty
    EXPECT_EQ(d->Result, 0);
    d->Edit_Name->SetText("Taken");
    d->Edit_Command->SetText("x.exe");
    d->Button_Ok->Click();  // a clash
    EXPECT_EQ(d->Result, 0);
    d->Edit_Name->SetText("bad:name");
    d->Button_Ok->Click();
    EXPECT_EQ(d->Result, 0);
    if (dialogs == 1) {
      d->Button_Cancel->Click();
      return ui::mrCancel;
    }
    d->Edit_Name->SetText("Fresh");
    d->RadioButton2->SetChecked(true);
    d->Button_Ok->Click();
    EXPECT_EQ(d->Result, 1);
    return ui::mrOk;
  });
  r.Button_Add->Click();
  EXPECT_FALSE(RegHasValue(HKEY_LOCAL_MACHINE, machine / "Run", "Fresh"));
  ASSERT_EQ(boxes.boxes.size(), 3u) << Texts();
  EXPECT_EQ(boxes.boxes[0].text, "Name und Kommandozeile dürfen nicht leer sein!");
  EXPECT_NE(boxes.boxes[1].text.find("gibt es dort schon"), std::string::npos);
  EXPECT_NE(boxes.boxes[2].text.find("nicht erlaubt"), std::string::npos);

  r.Button_Add->Click();
  EXPECT_EQ(dialogs, 2);
  EXPECT_EQ(RegGetString(HKEY_LOCAL_MACHINE, machine / "Run", "Fresh"), "x.exe");
  EXPECT_NE(Entry(r, "Fresh"), nullptr);  // rebuilt
}

TEST_F(WindowTest, PropertiesOfTheProgramFile) {
  Plant(HKEY_CURRENT_USER, user / "Run", "Shell", Sz("RUNDLL32.EXE SHELL32.DLL,Control_RunDLL"));
  auto w = MakeWindow();
  TForm_ST_Result& r = *w->Result();
  std::vector<std::string> shown;
  r.ShowProperties = [&](const std::string& f) { shown.push_back(f); };
  WinDir = "C:\\windows";
  SysDir = "C:\\windows\\system32";
  r.VirtualDrawTree_AUTOSTART->SelectOnly(Entry(r, "Shell"));
  r.Button_Properties->Click();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_TRUE(IEquals(shown[0], SysDir + "\\SHELL32.DLL")) << shown[0];
  r.Edit_Autostart_Command->SetText("abc");  // too short: nothing
  r.Button_Properties->Click();
  EXPECT_EQ(shown.size(), 1u);
}

TEST_F(WindowTest, InstalledSoftwareEditAndDelete) {
  places.UninstallKey = machine / "Uninstall";
  const std::string key = places.UninstallKey + "\\app";
  Plant(HKEY_LOCAL_MACHINE, key, "DisplayName", Sz("App"));
  Plant(HKEY_LOCAL_MACHINE, key, "UninstallString", Sz("unins.exe"));
  Plant(HKEY_LOCAL_MACHINE, key, "DisplayVersion", Sz("1.0"));
  auto w = MakeWindow();
  TForm_ST_Result& r = *w->Result();
  EXPECT_FALSE(r.Button_Uninstall_Edit->Enabled());
  r.VirtualDrawTree_Uninstall->SelectOnly(r.Uninstall().GetFirst());
  EXPECT_TRUE(r.Button_Uninstall_Edit->Enabled());
  EXPECT_TRUE(r.Button_Uninstall_DELETE->Enabled());
  EXPECT_EQ(r.Edit_Uninstall_DisplayName->Text(), "App");
  EXPECT_EQ(r.Edit_Uninstall_Command->Text(), "unins.exe");

  r.Edit_Uninstall_DisplayName->SetText("App Renamed");
  boxes.answers = {IDYES};
  r.Button_Uninstall_EditClick();
  EXPECT_EQ(RegGetString(HKEY_LOCAL_MACHINE, key, "DisplayName"), "App Renamed");
  EXPECT_EQ(RegGetString(HKEY_LOCAL_MACHINE, key, "DisplayVersion"), "1.0");
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(r.Uninstall().Data<UninstallEntry>(r.Uninstall().GetFirst()).DisplayName, "App Renamed");

  r.VirtualDrawTree_Uninstall->SelectOnly(r.Uninstall().GetFirst());
  store.backupTime.wSecond += 1;
  store.fail["BackupKey"] = TestStore::Always();
  boxes.answers = {IDYES};
  r.Button_Uninstall_DELETEClick();
  ASSERT_EQ(boxes.boxes.size(), 3u);
  EXPECT_EQ(boxes.boxes[2].text, "Error reading from registry");
  EXPECT_TRUE(RegHasKey(HKEY_LOCAL_MACHINE, key));
  store.fail.clear();
  r.VirtualDrawTree_Uninstall->SelectOnly(r.Uninstall().GetFirst());
  store.backupTime.wSecond += 1;
  boxes.answers = {IDYES};
  r.Button_Uninstall_DELETEClick();
  EXPECT_FALSE(RegHasKey(HKEY_LOCAL_MACHINE, key));
  EXPECT_EQ(r.Uninstall().TotalCount(), 0u);
  EXPECT_EQ(boxes.boxes.size(), 4u) << Texts();
}

TEST_F(WindowTest, BackupsPageListsRestoresAndRecyclesThisUsersUndoFiles) {
  const std::string mine = cleaning::UndoFileFolder("ST");
  EXPECT_EQ(mine, dir / "app\\Backups\\ST\\" + GetBackupUserFolder() + "\\");
  dir.Write("app\\Backups\\ST\\" + GetBackupUserFolder() + "\\Tool_x ; Samstag, 02. März - 12_14_05.REG", "REGEDIT4");
  dir.Write("app\\Backups\\ST\\" + GetBackupUserFolder() + "\\notes.txt", "not listed");
  dir.Write("app\\Backups\\ST\\Someone\\Other ; Montag, 04. März - 09_00_00.REG", "REGEDIT4");
  auto w = MakeWindow();
  cleaning::BackupPage& page = *w->Backups;
  std::vector<std::string> restored;
  page.Restore = [&](const std::string& f) {
    restored.push_back(f);
    return true;
  };
  w->RadioButton_Backups->SetChecked(true);
  w->Button_Weiter->Click();
  std::vector<cleaning::UndoFileRow> rows = page.Rows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].DisplayName, "Tool:x ; Samstag, 02. März - 12:14:05");

  // Nothing selected: each button only warns.
  page.Button_RestoreClick();
  page.Button_DeleteClick();
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[0].text, "Sie müssen ein Backup aus der Liste auswählen!");
  EXPECT_EQ(boxes.boxes[1].kind, MsgKind::Warning);
  EXPECT_TRUE(restored.empty());

  page.VirtualDrawTree_Backups->SelectOnly(page.VirtualDrawTree_Backups->Tree().GetFirst());
  page.Button_RestoreClick();
  EXPECT_EQ(restored, std::vector<std::string>{rows[0].Path});

  // A recycle that leaves the file: the row stays and an error says so.
  page.Recycle = [](const std::string&) { return false; };
  boxes.answers = {IDYES};
  page.Button_DeleteClick();
  ASSERT_EQ(boxes.boxes.size(), 4u);
  EXPECT_EQ(boxes.boxes[2].kind, MsgKind::Question);
  EXPECT_EQ(boxes.boxes[3].kind, MsgKind::Error);
  EXPECT_EQ(page.Rows().size(), 1u);
  boxes.answers = {IDNO};
  page.Button_DeleteClick();
  EXPECT_EQ(page.Rows().size(), 1u);

  // The real recycle: the file goes to the Recycle Bin, the row goes without
  // reading the folder again.
  page.Recycle = [](const std::string& f) { return RecycleFileQuiet(f); };
  boxes.answers = {IDYES};
  page.Button_DeleteClick();
  EXPECT_FALSE(PathExists(rows[0].Path));
  EXPECT_TRUE(page.Rows().empty());
  ExpectInTrash(rows[0].Path);
  EXPECT_EQ(boxes.boxes.size(), 6u) << Texts();
}

TEST_F(WindowTest, RestoreThroughTheRegistryEditorBringsAValueBack) {
  Plant(HKEY_CURRENT_USER, user / "Run", "Agent", Sz("%SystemRoot%\\agent.exe", REG_EXPAND_SZ));
  auto w = MakeWindow();
  TForm_ST_Result& r = *w->Result();
  r.VirtualDrawTree_AUTOSTART->SelectOnly(Entry(r, "Agent"));
  boxes.answers = {IDYES};
  r.Button_Delete->Click();
  EXPECT_FALSE(RegHasValue(HKEY_CURRENT_USER, user / "Run", "Agent"));

  w->RadioButton_Backups->SetChecked(true);
  w->Button_Weiter->Click();
  cleaning::BackupPage& page = *w->Backups;
  ASSERT_EQ(page.Rows().size(), 1u);
  EXPECT_EQ(page.Rows()[0].DisplayName.rfind("Agent ; ", 0), 0u);
  page.VirtualDrawTree_Backups->SelectOnly(page.VirtualDrawTree_Backups->Tree().GetFirst());
  page.Button_RestoreClick();
  auto back = RegReadRaw(HKEY_CURRENT_USER, user / "Run", "Agent");
  ASSERT_TRUE(back);
  EXPECT_EQ(back->type, static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(RegValueText(*back), "%SystemRoot%\\agent.exe");
}

}  // namespace
}  // namespace qz::st::test
