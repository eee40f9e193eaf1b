#include "filetools/assoc/fa_form.h"

#include <memory>

#include "core/disk.h"
#include "core/reg_backup.h"
#include "core/text.h"
#include "filetools/assoc/fa_result.h"
#include "filetools/assoc/undo_files.h"
#include "ui/graphics.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"
#include "ui/vtree_view.h"

namespace qz::fa {

namespace {

// The group name is spelled so in this window.
const cleaning::ModuleInfo kFileAssociatorInfo{.Code = "FA", .Title = "File Associator", .Group = "File Tools"};

enum Page { kStartPage = 0, kWaitPage = 1, kBackupsPage = 2 };

}  // namespace

TForm_FA::TForm_FA(ui::Component* owner) : ModuleWindow(owner, "TForm_FA", kFileAssociatorInfo) {
  // Page 0: start
  TabSheet_Start = AddWizardPage("TabSheet_Start", "Start");
  Label_Start_Header = AddPageTitle(TabSheet_Start, "Label_Start_Header", "Willkommen beim File Associator");
  JvLinkLabel_Start = AddPageText(
      TabSheet_Start, "JvLinkLabel_Start",
      "Der File Associator zeigt, mit welchem Programm und mit welchem Symbol Windows jedes Dateiformat öffnet, "
      "und lässt Sie beides ändern. Bekannte Formate setzt er auf Wunsch auf den Windows-Standard zurück; "
      "vorher sichert er sie.<br><br>Bitte wählen Sie, was Sie tun möchten, und klicken Sie dann auf "
      "<b>Weiter</b>.",
      48, 90);
  RadioButton_Start = new ui::RadioButton(TabSheet_Start, "RadioButton_Start", "Dateiformate jetzt bearbeiten");
  RadioButton_Start->SetBounds(40, 160, 560, 20);
  RadioButton_Start->SetChecked(true);
  RadioButton_Reset = new ui::RadioButton(TabSheet_Start, "RadioButton_Reset",
                                          "Bekannte Dateiformate auf Windows-Standard zurücksetzen");
  RadioButton_Reset->SetBounds(40, 188, 560, 20);
  RadioButton_Backups =
      new ui::RadioButton(TabSheet_Start, "RadioButton_Backups", "Backups dieses Programmteils bearbeiten");
  RadioButton_Backups->SetBounds(40, 216, 560, 20);
  for (ui::RadioButton* r : {RadioButton_Start, RadioButton_Reset, RadioButton_Backups}) {
    r->Tag = 1;
    r->SetTabStop(true);
  }

  // Page 1: wait
  TabSheet_Wait = AddWizardPage("TabSheet_Wait", "Wait");
  Label_Wait_Header = AddPageTitle(TabSheet_Wait, "Label_Wait_Header", "Bitte warten");

  // Page 2: backups
  TabSheet_Backups = AddWizardPage("TabSheet_Backups", "Backups");
  Label_Backups_Header = AddPageTitle(TabSheet_Backups, "Label_Backups_Header", "Backups");
  JvLinkLabel_Backups = AddPageText(
      TabSheet_Backups, "JvLinkLabel_Backups",
      "Vor jedem Zurücksetzen auf den Windows-Standard wurden die geänderten Dateiformate gesichert. "
      "<b>Zurückspielen</b> schreibt die gewählte Sicherung zurück, <b>Löschen</b> verschiebt sie in den "
      "Papierkorb.",
      40, 40);
  VirtualDrawTree_Backups = new ui::VTreeView(TabSheet_Backups, "VirtualDrawTree_Backups");
  VirtualDrawTree_Backups->SetBounds(16, 88, 480, 256);
  VirtualDrawTree_Backups->AddColumn("", 456);
  VirtualDrawTree_Backups->SetHeaderVisible(false);
  VirtualDrawTree_Backups->SetShowTreeLines(false);
  VirtualDrawTree_Backups->SetShowRoot(false);
  VirtualDrawTree_Backups->Tree().SetRecordType<BackupNode>();
  Button_Restore = new ui::Button(TabSheet_Backups, "Button_Restore", "Zurückspielen");
  Button_Restore->SetBounds(508, 88, 116, 25);
  Button_Delete = new ui::Button(TabSheet_Backups, "Button_Delete", "Löschen");
  Button_Delete->SetBounds(508, 120, 116, 25);
  for (ui::Button* b : {Button_Restore, Button_Delete}) {
    b->Tag = 1;
    b->SetTabStop(true);
  }

  VirtualDrawTree_Backups->OnDrawNode = [this](const ui::TreeCell& c) {
    c.Text(0, 2, VirtualDrawTree_Backups->Tree().Data<BackupNode>(c.node).DisplayName);
  };
  Button_Restore->OnClick = [this] { Button_RestoreClick(); };
  Button_Delete->OnClick = [this] { Button_DeleteClick(); };
}

TForm_FA::~TForm_FA() { delete result_; }

void TForm_FA::CreateModuleWindows() {
  result_ = new TForm_FA_Result(this);
  result_->DoCreate();
}

void TForm_FA::ModuleCreate() { ShowStart(); }

void TForm_FA::ShowStart() {
  ShowPage(kStartPage);
  Button_Zurueck->SetVisible(false);
  Button_Weiter->SetVisible(true);
  Button_Close->SetVisible(true);
}

// ---- the wizard's steps --------------------------------------------------

void TForm_FA::NextClick() {
  if (PageIndex() != kStartPage) return;
  if (RadioButton_Start->Checked()) {
    cleaning::ShowModalWindow(*result_);
  } else if (RadioButton_Reset->Checked()) {
    const std::string question = Tr(
        "MESSAGE_SureToReset",
        "Sind Sie sich ganz sicher, dass Sie die bekannten Dateiformate auf Windows-Standard zurückstellen "
        "wollen?\rDadurch gehen alle Zuordnungen verloren, welche andere Anwendungen evtl. installiert haben.\rSie "
        "sollten dies nur tun, wenn Sie grosse Probleme mit den installieren Dateiformaten haben.");
    if (Message(question, MsgKind::Warning, MsgButtons::YesNo) != IDYES) return;
    RunReset();
  } else if (RadioButton_Backups->Checked()) {
    ListRegistryBackups();
    ShowPage(kBackupsPage);
    Button_Zurueck->SetEnabled(true);
    Button_Zurueck->SetVisible(true);
    Button_Weiter->SetVisible(false);
  }
}

void TForm_FA::BackClick() {
  if (PageIndex() == kBackupsPage) ShowStart();
}

void TForm_FA::RunReset() {
  ShowPage(kWaitPage);
  Button_Weiter->SetVisible(false);
  Button_Close->SetVisible(false);
  Update();
  // The list window's hidden button carries the reset and its boxes.
  RunWork([this] { result_->Button_FA_Standard->Click(); });
  ShowStart();
  Update();
}

// ---- the backup page ---------------------------------------------------------

void TForm_FA::ListRegistryBackups() {
  ui::VTreeModel& tree = VirtualDrawTree_Backups->Tree();
  tree.Clear();
  for (UndoFileItem& item : ListUndoFiles(UndoFileFolder("FA")))
    tree.AddChild(nullptr, BackupNode{std::move(item.DisplayName), std::move(item.Path)});
  VirtualDrawTree_Backups->Invalidate();
}

BackupNode* TForm_FA::SelectedBackup() {
  ui::VTreeModel& tree = VirtualDrawTree_Backups->Tree();
  if (ui::VNode* n = tree.GetFirstSelected()) return &tree.Data<BackupNode>(n);
  Message(Tr("MESSAGE_NoBackupSelected", "Sie müssen ein Backup aus der Liste auswählen!"), MsgKind::Warning);
  return nullptr;
}

void TForm_FA::Button_RestoreClick() {
  const BackupNode* b = SelectedBackup();
  if (!b) return;
  std::string differs;
  if (RestoreRegistryBackup(b->Path, &differs)) return;
  const std::string text = Tr("MESSAGE_RestoreIncomplete",
                              "Das Backup wurde nicht vollständig zurückgespielt. Abweichend: %1");
  Message(ReplaceAll(text, "%1", differs.empty() ? b->Path : differs), MsgKind::Error);
}

void TForm_FA::Button_DeleteClick() {
  const BackupNode* b = SelectedBackup();
  if (!b) return;
  if (Message(Tr("MESSAGE_DeleteBackup", "Sind Sie ganz sicher, dass Sie das ausgewählte Backup löschen wollen?"),
              MsgKind::Warning, MsgButtons::YesNo) != IDYES)
    return;
  const std::string path = b->Path;
  RecycleFile(path);
  // The row goes only with the file.
  if (PathExists(path)) return;
  ui::VTreeModel& tree = VirtualDrawTree_Backups->Tree();
  if (ui::VNode* n = tree.GetFirstSelected()) tree.DeleteNode(n);
  VirtualDrawTree_Backups->Invalidate();
}

// ---- the launch table's factory -------------------------------------------

ui::Form* CreateFileAssociatorWindow(ui::Component* owner) {
  std::unique_ptr<TForm_FA> window(new TForm_FA(owner));
  window->DoCreate();
  return window.release();
}

}  // namespace qz::fa
