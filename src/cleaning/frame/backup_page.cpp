#include "cleaning/frame/backup_page.h"

#include "cleaning/frame/module_window.h"
#include "core/disk.h"
#include "core/globals.h"
#include "core/reg_backup.h"
#include "core/reg_undo_reader.h"
#include "core/text.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"
#include "ui/vtree_view.h"

namespace qz::cleaning {

std::string UndoFileFolder(const std::string& code) {
  return AppDir + "\\Backups\\" + code + "\\" + GetBackupUserFolder() + "\\";
}

std::string UndoFileDisplayName(const std::string& fileName) {
  std::wstring w = Widen(fileName);
  w.resize(w.size() > 4 ? w.size() - 4 : 0);
  return ReplaceAll(Narrow(w), "_", ":");
}

std::vector<UndoFileRow> ListUndoFiles(const std::string& folder) {
  StringList files;
  FindFiles(IncludeTrailingBackslash(folder), "*.reg", files);
  std::vector<UndoFileRow> rows;
  rows.reserve(files.size());
  for (std::string& f : files) rows.push_back({UndoFileDisplayName(ExtractFileName(f)), std::move(f)});
  return rows;
}

BackupPage::BackupPage(ModuleWindow* window, ui::TabSheet* page, std::string code)
    : Component(window, "BackupPage_" + code), window_(window), code_(std::move(code)) {
  VirtualDrawTree_Backups = new ui::VTreeView(page, "VirtualDrawTree_Backups");
  VirtualDrawTree_Backups->SetBounds(16, 64, 608, 232);
  VirtualDrawTree_Backups->SetHeaderVisible(false);
  VirtualDrawTree_Backups->SetDefaultNodeHeight(18);
  VirtualDrawTree_Backups->SetTabStop(true);
  VirtualDrawTree_Backups->Tree().SetRecordType<UndoFileRow>();
  VirtualDrawTree_Backups->OnDrawNode = [](const ui::TreeCell& c) {
    c.Text(0, 2, c.view->Tree().Data<UndoFileRow>(c.node).DisplayName);
  };

  Button_Restore = new ui::Button(page, "Button_Restore", "&Wiederherstellen");
  Button_Restore->SetBounds(16, 306, 120, 25);
  Button_Delete = new ui::Button(page, "Button_Delete", "&Löschen");
  Button_Delete->SetBounds(144, 306, 120, 25);
  for (ui::Button* b : {Button_Restore, Button_Delete}) {
    b->Tag = 1;
    b->SetTabStop(true);
  }
  Button_Restore->OnClick = [this] { Button_RestoreClick(); };
  Button_Delete->OnClick = [this] { Button_DeleteClick(); };

  Restore = [](const std::string& file) { return RestoreRegistryBackup(file); };
  // The core's quiet recycling: no dialog of the shell, and true only when
  // the file is gone.
  Recycle = [](const std::string& file) { return RecycleFileQuiet(file); };
}

void BackupPage::ListRegistryBackups() {
  ui::VTreeModel& t = VirtualDrawTree_Backups->Tree();
  t.BeginUpdate();
  t.Clear();
  for (UndoFileRow& r : ListUndoFiles(UndoFileFolder(code_))) t.AddChild(nullptr, std::move(r));
  t.EndUpdate();
  VirtualDrawTree_Backups->Invalidate();
}

std::vector<UndoFileRow> BackupPage::Rows() const {
  std::vector<UndoFileRow> out;
  const ui::VTreeModel& t = VirtualDrawTree_Backups->Tree();
  for (ui::VNode* n = t.GetFirst(); n; n = t.GetNext(n)) out.push_back(t.Data<UndoFileRow>(n));
  return out;
}

UndoFileRow* BackupPage::Selected() {
  ui::VTreeModel& t = VirtualDrawTree_Backups->Tree();
  ui::VNode* n = t.FocusedNode();
  if (n && t.Selected(n)) return &t.Data<UndoFileRow>(n);
  window_->Message(window_->Tr("MESSAGE_NoBackupSelected", "Sie müssen ein Backup aus der Liste auswählen!"),
                   MsgKind::Warning);
  return nullptr;
}

void BackupPage::Button_RestoreClick() {
  UndoFileRow* row = Selected();
  if (!row) return;
  // The registry editor asks the user itself; a restore that the registry
  // holds afterwards is silent, any other names the first key that differs.
  if (Restore(row->Path)) return;
  const std::optional<UndoDifference> d = VerifyRegistryBackup(row->Path);
  window_->Message(ReplaceAll(window_->Tr("MESSAGE_RestoreIncomplete",
                                          "Das Backup wurde nicht vollständig zurückgespielt. Abweichend: %1"),
                              "%1", d ? d->key : row->Path),
                   MsgKind::Error);
}

void BackupPage::Button_DeleteClick() {
  UndoFileRow* row = Selected();
  if (!row) return;
  if (window_->Message(window_->Tr("MESSAGE_DeleteBackup",
                                   "Sind Sie ganz sicher, dass Sie das ausgewählte Backup löschen wollen?"),
                       MsgKind::Question, MsgButtons::YesNo) != IDYES)
    return;
  const std::string path = row->Path;
  const std::string name = row->DisplayName;
  Recycle(path);
  if (PathExists(path)) {
    window_->Message(ReplaceAll(window_->Tr("MESSAGE_BackupNotDeleted",
                                            "Das Backup\r%1\rließ sich nicht in den Papierkorb verschieben."),
                                "%1", name),
                     MsgKind::Error);
    return;
  }
  ui::VTreeModel& t = VirtualDrawTree_Backups->Tree();
  t.DeleteNode(t.FocusedNode());
  VirtualDrawTree_Backups->Invalidate();
}

}  // namespace qz::cleaning
