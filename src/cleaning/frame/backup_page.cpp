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

int32_t UndoFileCount(const std::string& undoFile) {
  StringList lines;
  if (!FileExists(undoFile + ".txt") || !LoadLines(undoFile + ".txt", lines) || lines.empty()) return 0;
  return StrToIntDef(lines[0], 0);
}

std::vector<UndoFileRow> ListUndoFiles(const std::string& folder) {
  StringList files;
  FindFiles(IncludeTrailingBackslash(folder), "*.reg", files);
  std::vector<UndoFileRow> rows;
  rows.reserve(files.size());
  for (std::string& f : files) {
    const int32_t count = UndoFileCount(f);
    rows.push_back({UndoFileDisplayName(ExtractFileName(f)), std::move(f), count});
  }
  return rows;
}

BackupPage::BackupPage(ModuleWindow* window, ui::TabSheet* page, std::string code, bool counts)
    : Component(window, "BackupPage_" + code), window_(window), code_(std::move(code)), counts_(counts) {
  VirtualDrawTree_Backups = new ui::VTreeView(page, "VirtualDrawTree_Backups");
  VirtualDrawTree_Backups->SetBounds(16, 64, 608, 232);
  if (counts_) {
    VirtualDrawTree_Backups->AddColumn("Datum", 348);
    VirtualDrawTree_Backups->AddColumn("Gelöschte Einträge", 128);
    VirtualDrawTree_Backups->SetShowRoot(false);
    VirtualDrawTree_Backups->SetMultiSelect(true);
  } else {
    VirtualDrawTree_Backups->SetHeaderVisible(false);
  }
  VirtualDrawTree_Backups->SetDefaultNodeHeight(18);
  VirtualDrawTree_Backups->SetTabStop(true);
  VirtualDrawTree_Backups->Tree().SetRecordType<UndoFileRow>();
  VirtualDrawTree_Backups->OnDrawNode = [](const ui::TreeCell& c) {
    const UndoFileRow& r = c.view->Tree().Data<UndoFileRow>(c.node);
    c.Text(0, 2, c.column == 1 ? std::to_string(r.Count) : r.DisplayName);
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
  if (counts_ && (n = t.GetFirstSelected())) return &t.Data<UndoFileRow>(n);
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
  if (!Selected()) return;
  if (window_->Message(window_->Tr("MESSAGE_DeleteBackup",
                                   "Sind Sie ganz sicher, dass Sie das ausgewählte Backup löschen wollen?"),
                       MsgKind::Question, MsgButtons::YesNo) != IDYES)
    return;
  // The focused row, or with counts every selected one; a row goes only
  // when its file is gone.
  ui::VTreeModel& t = VirtualDrawTree_Backups->Tree();
  std::vector<ui::VNode*> rows;
  if (counts_) {
    for (ui::VNode* n : t.SelectedNodes()) rows.push_back(n);
  } else {
    rows.push_back(t.FocusedNode());
  }
  std::string stayed;
  for (ui::VNode* n : rows) {
    const UndoFileRow row = t.Data<UndoFileRow>(n);
    Recycle(row.Path);
    if (PathExists(row.Path)) {
      stayed += (stayed.empty() ? "" : "\r") + row.DisplayName;
      continue;
    }
    if (counts_ && FileExists(row.Path + ".txt")) Recycle(row.Path + ".txt");
    t.DeleteNode(n);
  }
  VirtualDrawTree_Backups->Invalidate();
  if (!stayed.empty())
    window_->Message(ReplaceAll(window_->Tr("MESSAGE_BackupNotDeleted",
                                            "Das Backup\r%1\rließ sich nicht in den Papierkorb verschieben."),
                                "%1", stayed),
                     MsgKind::Error);
}

}  // namespace qz::cleaning
