// The file-type windows driven from code: the list window's layout, buttons,
// sorting and changes, the start window's reset and its backup page.
// Types live in scratch locations; message boxes, modal windows and dialogs
// are answered by hooks.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "cleaning/frame/backup_page.h"
#include "cleaning/frame/module_window.h"
#include "core/disk.h"
#include "core/globals.h"
#include "core/reg_backup.h"
#include "core/strings.h"
#include "filetools/assoc/assoc_fixture.h"
#include "filetools/assoc/fa_form.h"
#include "filetools/assoc/fa_result.h"
#include "filetools/assoc/fa_select_exe.h"
#include "support/globals_guard.h"
#include "support/module_window_test.h"
#include "ui/graphics.h"
#include "ui/dialogs.h"
#include "ui/stdctrls.h"
#include "ui/vtree_view.h"

namespace qz::fa {
namespace {

using test::kCommandKey;
using test::kIconKey;
using test::ScratchClasses;

// Paths the host-side check (fixtures.sh) must find in the sandbox's trash.
void ExpectInTrash(const std::string& windowsPath) {
  CreateDirectoryW(L"C:\\qztests", nullptr);
  std::ofstream out("C:\\qztests\\expect-trash-fa.txt", std::ios::app | std::ios::binary);
  out << windowsPath << "\n";
}

class FaUiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EndRegistryBackup();
    AppDir = ExcludeTrailingBackslash(app.path());
    qz::test::ResetWindowGlobals();
    WinTempDir = ExcludeTrailingBackslash(app.path()) + "\\wintemp";
    CreateDirectoryW(Widen(WinTempDir).c_str(), nullptr);
    c.Type(".qza", "qza", "Alpha", "b.exe %1");
    c.Type(".qzb", "qzb", "Beta", "A.exe %1", "C:\\x\\b.dll,2");
    c.Set("qzb" + std::string(kCommandKey), kOriginalValue, "old.exe %1");
    c.Type(".qzc", "qzc", "Gamma", "a.exe %1");
    c.Type(".bat", "qzbat", "Batch", "\"%1\" %*");
  }
  void TearDown() override {
    SetRegeditRunner(nullptr);
    cleaning::SetModalHook(nullptr);
    ui::SetDialogHook(nullptr);
    EndRegistryBackup();
  }

  // The list window on the scratch location, read.
  std::unique_ptr<TForm_FA_Result> MakeList() {
    auto w = std::make_unique<TForm_FA_Result>(nullptr);
    w->DoCreate();
    w->Types().Locations = {c.Location()};
    w->Defaults().Location = c.Location();
    w->FormActivate();
    return w;
  }
  std::vector<std::string> Extensions(TForm_FA_Result& w) {
    std::vector<std::string> out;
    ui::VTreeModel& t = w.VirtualDrawTree_FA->Tree();
    for (ui::VNode* n = t.GetFirst(); n; n = t.GetNext(n)) out.push_back(t.Data<FileTypeEntry>(n).Extension);
    return out;
  }
  ui::VNode* Select(TForm_FA_Result& w, const std::string& ext) {
    ui::VTreeModel& t = w.VirtualDrawTree_FA->Tree();
    for (ui::VNode* n = t.GetFirst(); n; n = t.GetNext(n))
      if (t.Data<FileTypeEntry>(n).Extension == ext) {
        w.VirtualDrawTree_FA->SelectOnly(n);
        return n;
      }
    ADD_FAILURE() << ext << " is not listed";
    return nullptr;
  }

  qz::test::GlobalsGuard guard;
  qz::test::ScratchDir app{"fa_ui"};
  ScratchClasses c{"fa_ui"};
  qz::test::MessageBoxRecorder boxes;
};

TEST_F(FaUiTest, ListLayoutAfterAResize) {
  auto w = MakeList();
  w->SetClientSize(700, 500);
  w->Layout();
  ui::VTreeView* t = w->VirtualDrawTree_FA;
  EXPECT_EQ(t->Left(), 8);
  EXPECT_EQ(t->Width(), 700 - 16);
  EXPECT_EQ(t->Height(), 500 - 60 - t->Top());
  EXPECT_EQ(w->CheckBox_FA_HideSystem->Top(), t->Top() + t->Height() + 4);
  const int buttonTop = w->CheckBox_FA_HideSystem->Top() + w->CheckBox_FA_HideSystem->Height() + 4;
  for (ui::Button* b : {w->Button_FA_Reset, w->Button_FA_EXE, w->Button_FA_Icon, w->Button_Ok, w->Button_Help})
    EXPECT_EQ(b->Top(), buttonTop) << b->Name;
  EXPECT_EQ(w->Button_FA_Reset->Left(), 8);
  EXPECT_EQ(w->Button_FA_EXE->Left(), w->Button_FA_Reset->Left() + w->Button_FA_Reset->Width() + 8);
  EXPECT_EQ(w->Button_FA_Icon->Left(), w->Button_FA_EXE->Left() + w->Button_FA_EXE->Width() + 8);
  EXPECT_EQ(w->Button_Ok->Left() + w->Button_Ok->Width(), 700 - 8);
  EXPECT_EQ(w->Button_Help->Left() + w->Button_Help->Width(), w->Button_Ok->Left() - 8);
  EXPECT_EQ(t->ColumnWidth(1), 64);
  EXPECT_EQ(t->ColumnWidth(0), (684 - 64 - 24) / 2);
  EXPECT_EQ(t->ColumnWidth(2), (684 - 64 - 24) / 2);
  EXPECT_TRUE(t->Background());
  EXPECT_FALSE(w->Label_Reading->Visible());
  EXPECT_FALSE(w->ProgressBar_Reading->Visible());
  EXPECT_TRUE(t->Visible());
  EXPECT_FALSE(w->Button_FA_Standard->Visible());
}

TEST_F(FaUiTest, ResetButtonSortingAndTheSystemTypesBox) {
  auto w = MakeList();
  EXPECT_EQ(Extensions(*w), (std::vector<std::string>{".qza", ".qzb", ".qzc"}));
  EXPECT_FALSE(w->Button_FA_Reset->Visible());
  Select(*w, ".qzb");
  EXPECT_TRUE(w->Button_FA_Reset->Visible());
  Select(*w, ".qza");
  EXPECT_FALSE(w->Button_FA_Reset->Visible());

  w->HeaderClick(2);  // by command, ordinal: "A.exe" < "a.exe" < "b.exe"
  EXPECT_EQ(Extensions(*w), (std::vector<std::string>{".qzb", ".qzc", ".qza"}));
  w->HeaderClick(1);  // by the "changed" mark
  EXPECT_EQ(Extensions(*w), (std::vector<std::string>{".qzc", ".qza", ".qzb"}));
  w->HeaderClick(0);
  EXPECT_EQ(Extensions(*w), (std::vector<std::string>{".qza", ".qzb", ".qzc"}));
  w->HeaderClick(2);
  c.Type(".qzd", "qzd", "Delta", "0.exe");
  w->HeaderClick(2);  // already the sort column: nothing
  EXPECT_EQ(Extensions(*w).front(), ".qzb");

  // Unticking the box reads the list again, system types included, in the
  // order of the sort column.
  w->CheckBox_FA_HideSystem->SetChecked(false);
  EXPECT_EQ(Extensions(*w), (std::vector<std::string>{".bat", ".qzd", ".qzb", ".qzc", ".qza"}));
  w->CheckBox_FA_HideSystem->SetChecked(true);
  EXPECT_EQ(Extensions(*w).size(), 4u);
}

TEST_F(FaUiTest, ChangeApplicationThroughTheDialog) {
  auto w = MakeList();
  Select(*w, ".qza");
  bool sawDialog = false;
  cleaning::SetModalHook([&](ui::Form& form) {
    auto* d = dynamic_cast<TForm_FA_SelectEXE*>(&form);
    EXPECT_TRUE(d);
    if (!d) return ui::mrCancel;
    sawDialog = true;
    EXPECT_EQ(d->Edit1->Text(), "b.exe %1");
    EXPECT_FALSE(d->CheckBox_UseIcon->Checked());
    // "..." writes the chosen program quoted, with "%1".
    ui::SetDialogHook([](ui::Component& dialog) {
      auto* open = dynamic_cast<ui::OpenDialog*>(&dialog);
      EXPECT_TRUE(open && open->FileMustExist && open->PathMustExist);
      if (open) open->FileName = "C:\\a b\\new.exe";
      return true;
    });
    d->Button_Select->Click();
    EXPECT_EQ(d->Edit1->Text(), "\"C:\\a b\\new.exe\" \"%1\"");
    d->CheckBox_UseIcon->SetChecked(true);
    d->TeButton_Ok->Click();
    return form.ModalResult();
  });
  w->Button_FA_EXE->Click();
  EXPECT_TRUE(sawDialog);
  EXPECT_EQ(c.Text("qza" + std::string(kCommandKey)), "\"C:\\a b\\new.exe\" \"%1\"");
  EXPECT_EQ(c.Text("qza" + std::string(kCommandKey), kOriginalValue), "b.exe %1");
  EXPECT_EQ(c.Text("qza" + std::string(kIconKey)), "C:\\a b\\new.exe,0");
  EXPECT_EQ(w->SelectedEntry()->IconFile, "C:\\a b\\new.exe");
  EXPECT_TRUE(w->Button_FA_Reset->Visible());

  // Cancel changes nothing.
  const test::Snapshot before = c.Take();
  cleaning::SetModalHook([](ui::Form& form) {
    auto& d = static_cast<TForm_FA_SelectEXE&>(form);
    d.Edit1->SetText("other.exe");
    d.TeButton_Cancel->Click();
    return form.ModalResult();
  });
  w->Button_FA_EXE->Click();
  EXPECT_EQ(c.Take(), before);

  // Reset, after the question.
  boxes.answers = {IDNO, IDYES};
  w->Button_FA_Reset->Click();
  EXPECT_EQ(c.Take(), before);
  w->Button_FA_Reset->Click();
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[1].text,
            "Sollen Symbol und Kommandozeile für das gewählte Dateiformat\rqza (.qza)\rauf die gesicherten Werte "
            "wie vor der 1. Benutzung des File-Associators zurückgesetzt werden?");
  EXPECT_EQ(boxes.boxes[1].buttons, MsgButtons::YesNo);
  EXPECT_EQ(c.Text("qza" + std::string(kCommandKey)), "b.exe %1");
  EXPECT_EQ(c.Text("qza" + std::string(kIconKey)), "");
  EXPECT_FALSE(c.Has("qza" + std::string(kCommandKey), kOriginalValue));
  EXPECT_FALSE(w->Button_FA_Reset->Visible());
}

TEST_F(FaUiTest, IconPickerOnlyAChoiceChangesTheIcon) {
  auto w = MakeList();
  Select(*w, ".qzb");
  const test::Snapshot before = c.Take();
  // Cancel, then the same file and index.
  int asked = 0;
  ui::SetDialogHook([&](ui::Component& dialog) {
    auto* icon = dynamic_cast<ui::IconDialog*>(&dialog);
    EXPECT_TRUE(icon);
    EXPECT_EQ(icon->FileName, "C:\\x\\b.dll");
    EXPECT_EQ(icon->IconIndex, 2);
    return ++asked == 2;
  });
  w->Button_FA_Icon->Click();
  w->Button_FA_Icon->Click();
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(c.Take(), before);

  ui::SetDialogHook([](ui::Component& dialog) {
    auto& icon = static_cast<ui::IconDialog&>(dialog);
    icon.FileName = "%SystemRoot%\\system32\\shell32.dll";
    icon.IconIndex = -152;
    return true;
  });
  w->Button_FA_Icon->Click();
  EXPECT_EQ(c.Text("qzb" + std::string(kIconKey)), "%SystemRoot%\\system32\\shell32.dll,-152");
  EXPECT_EQ(c.Text("qzb" + std::string(kIconKey), kOriginalValue), "C:\\x\\b.dll,2");
  EXPECT_EQ(w->SelectedEntry()->IconFile, ExpandEnvVars("%SystemRoot%\\system32\\shell32.dll"));
  EXPECT_EQ(w->SelectedEntry()->IconIndex, -152);
  // The list draws it: the icon is extracted once and kept.
  w->Icons().Get(w->SelectedEntry()->IconFile, -152);
  EXPECT_EQ(w->Icons().Count(), 1u);

  // The system's picker: no box, no change.
  ui::SetDialogHook(nullptr);
  const test::Snapshot now = c.Take();
  w->Button_FA_Icon->Click();
  EXPECT_EQ(c.Take(), now);
}

TEST_F(FaUiTest, ResetWithoutUndoFileWritesNothingAndCountsNothing) {
  auto w = MakeList();
  app.Write("Backups", "a file where the folder should be");
  w->Defaults().Table = {{".qza", "%SystemRoot%\\System32\\NOTEPAD.EXE %1", "", 0}};
  const test::Snapshot before = c.Take();
  w->Button_FA_Standard->Click();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "Error creating Backup-File!\rDisk full,corrupt or write-protected?");
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Error);
  EXPECT_EQ(c.Take(), before);
}

// ---- the start window ----------------------------------------------------

class FaWizardTest : public FaUiTest {
 protected:
  std::unique_ptr<TForm_FA> MakeWizard() {
    std::unique_ptr<TForm_FA> w(static_cast<TForm_FA*>(CreateFileAssociatorWindow(nullptr)));
    w->Result()->Types().Locations = {c.Location()};
    w->Result()->Defaults().Location = c.Location();
    w->Result()->Defaults().Table = {{".qza", "%SystemRoot%\\System32\\NOTEPAD.EXE %1",
                                      "%SystemRoot%\\system32\\shell32.dll", -152}};
    return w;
  }
};

TEST_F(FaWizardTest, EditShowsTheListAndStaysOnStart) {
  auto w = MakeWizard();
  EXPECT_EQ(w->PageIndex(), 0);
  EXPECT_FALSE(w->Button_Zurueck->Visible());
  int shown = 0;
  cleaning::SetModalHook([&](ui::Form& form) {
    EXPECT_EQ(&form, w->Result());
    w->Result()->FormActivate();
    ++shown;
    return ui::mrOk;
  });
  w->Button_Weiter->Click();
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(w->PageIndex(), 0);
  EXPECT_EQ(w->Result()->VirtualDrawTree_FA->Tree().RootNodeCount(), 3u);
}

TEST_F(FaWizardTest, ResetAskedFirstThenWaitPageAndAFreshList) {
  auto w = MakeWizard();
  cleaning::SetModalHook([&](ui::Form&) {
    w->Result()->FormActivate();
    return ui::mrOk;
  });
  w->Button_Weiter->Click();  // the list is read once
  ASSERT_FALSE(w->Result()->VirtualDrawTree_FA->Tree().IsEmpty());

  w->RadioButton_Reset->SetChecked(true);
  const test::Snapshot before = c.Take();
  boxes.answers = {IDNO};
  w->Button_Weiter->Click();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Warning);
  EXPECT_EQ(boxes.boxes[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(boxes.boxes[0].text.substr(0, 40), "Sind Sie sich ganz sicher, dass Sie die ");
  EXPECT_EQ(c.Take(), before);
  EXPECT_EQ(w->PageIndex(), 0);
  EXPECT_FALSE(PathExists(AppDir + "\\Backups\\FA"));

  // Yes: the count box comes while the wait page shows without buttons.
  int pageDuringReset = -1;
  bool buttonsDuringReset = true;
  std::string countText;
  SetMessageBoxHook([&](const MessageBoxRequest& r) {
    if (r.buttons == MsgButtons::YesNo) return IDYES;
    countText = r.text;
    pageDuringReset = w->PageIndex();
    buttonsDuringReset = w->Button_Weiter->Visible() || w->Button_Close->Visible();
    return IDOK;
  });
  w->Button_Weiter->Click();
  EXPECT_EQ(countText, "Es wurden 1 Dateiformate auf den Windows-Standard zurückgesetzt.");
  EXPECT_EQ(pageDuringReset, 1);
  EXPECT_FALSE(buttonsDuringReset);
  EXPECT_EQ(w->PageIndex(), 0);
  EXPECT_TRUE(w->Button_Weiter->Visible());
  EXPECT_TRUE(w->Button_Close->Visible());
  EXPECT_EQ(c.Text("qza" + std::string(kCommandKey)), "%SystemRoot%\\System32\\NOTEPAD.EXE %1");
  // The list showed the old command: it is read again at the next "edit".
  EXPECT_TRUE(w->Result()->VirtualDrawTree_FA->Tree().IsEmpty());
}

// The frame's undo-file page in this window: its texts, and a restore that
// is checked against the registry.
TEST_F(FaWizardTest, BackupPageRestoresCheckedAndDeletes) {
  const std::string folder = cleaning::UndoFileFolder("FA");
  EXPECT_EQ(folder, AppDir + "\\Backups\\FA\\" + GetBackupUserFolder() + "\\");
  const std::string undo = app.Write("Backups\\FA\\" + GetBackupUserFolder() + "\\Montag, 01. Januar - 10_00_00.REG",
                                     "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\" + c.Key("qza") +
                                         "]\r\n\"Restored\"=dword:00000001\r\n\r\n");
  auto w = MakeWizard();
  cleaning::BackupPage& page = *w->Backups;
  EXPECT_EQ(page.Button_Restore->Caption(), "Zurückspielen");
  w->RadioButton_Backups->SetChecked(true);
  w->Button_Weiter->Click();
  EXPECT_EQ(w->PageIndex(), 2);
  EXPECT_TRUE(w->Button_Zurueck->Visible());
  EXPECT_FALSE(w->Button_Weiter->Visible());
  ASSERT_EQ(page.Rows().size(), 1u);
  EXPECT_EQ(page.Rows()[0].DisplayName, "Montag, 01. Januar - 10:00:00");

  w->Button_Zurueck->Click();
  EXPECT_EQ(w->PageIndex(), 0);
  EXPECT_FALSE(w->Button_Zurueck->Visible());
  EXPECT_TRUE(w->Button_Weiter->Visible());
  w->Button_Weiter->Click();
  page.Button_Delete->Click();  // nothing selected
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "Sie müssen ein Backup aus der Liste auswählen!");
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Warning);
  boxes.boxes.clear();

  // A restore the registry does not hold (the user said No in the editor)
  // names the key; the real one is silent.
  page.VirtualDrawTree_Backups->SelectOnly(page.VirtualDrawTree_Backups->Tree().GetFirst());
  SetRegeditRunner([](const std::string&, const std::string&) { return int64_t{0}; });
  page.Button_Restore->Click();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text,
            "Das Backup wurde nicht vollständig zurückgespielt. Abweichend: HKEY_CURRENT_USER\\" + c.Key("qza"));
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Error);
  SetRegeditRunner(nullptr);
  page.Button_Restore->Click();
  EXPECT_EQ(boxes.boxes.size(), 1u);
  EXPECT_TRUE(RegIntegerEquals(c.Root(), c.Key("qza"), "Restored", 1));

  boxes.answers = {IDYES};
  page.Button_Delete->Click();
  EXPECT_FALSE(PathExists(undo));
  ExpectInTrash(undo);
  EXPECT_TRUE(page.Rows().empty());
  EXPECT_EQ(boxes.boxes[1].text, "Sind Sie ganz sicher, dass Sie das ausgewählte Backup löschen wollen?");
}

TEST(FaIconCache, BoundedAndEveryIconDestroyed) {
  IconCache cache(3);
  int made = 0, destroyed = 0;
  cache.Extract = [&](const std::string&, int index) {
    ++made;
    return index < 0 ? nullptr : reinterpret_cast<HICON>(static_cast<intptr_t>(0x1000 + index));
  };
  cache.Destroy = [&](HICON) { ++destroyed; };
  for (int i = 0; i < 10; ++i) cache.Get("f.dll", i);
  EXPECT_EQ(cache.Count(), 3u);
  EXPECT_EQ(destroyed, 7);
  cache.Get("f.dll", 9);  // kept
  cache.Get("f.dll", -1);  // none: remembered, nothing to destroy
  cache.Get("f.dll", -1);
  EXPECT_EQ(made, 11);
  EXPECT_EQ(destroyed, 8);  // the missing icon pushed out icon 7
  cache.Clear();
  EXPECT_EQ(destroyed, 10);  // 8 and 9; the missing icon is no handle
  EXPECT_EQ(cache.Count(), 0u);
}

}  // namespace
}  // namespace qz::fa
