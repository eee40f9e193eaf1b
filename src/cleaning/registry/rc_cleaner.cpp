#include "cleaning/registry/rc_cleaner.h"

#include "cleaning/frame/fixed_drives.h"
#include "cleaning/frame/result_rules.h"
#include "core/msgbox.h"

namespace qz::rc {

RegistryCleaner::RegistryCleaner() {
  UndoFileError = [](const std::string& text) { ShowMessageBox(nullptr, text, MsgKind::Error); };
}

RegistryCleaner::~RegistryCleaner() = default;

std::string UndoFileErrorText(const DeleteResult& r) {
  switch (r.Outcome) {
    case DeleteOutcome::NoBackupName: return kNoBackupNameError;
    case DeleteOutcome::BeginFailed: return kBackupCreateError;
    case DeleteOutcome::EndFailed: return kBackupCloseError;
    case DeleteOutcome::Cancelled: return r.UndoClosed ? std::string() : kBackupCloseError;
    default: return {};
  }
}

SearchOutcome RegistryCleaner::RunSearch(const SearchRequest& request) {
  SearchHooks hooks = SearchEvents;
  hooks.OnKind = [this](const KindChoice& k) {
    kindName_ = k.Name;
    if (SearchEvents.OnKind) SearchEvents.OnKind(k);
  };
  const SearchOutcome outcome = RunRegistrySearchCore(Scan, Tree(), request, hooks);
  kindName_.clear();
  return outcome;
}

DeleteResult RegistryCleaner::RunDelete() {
  DeleteHooks hooks = DeleteEvents;
  deleting_ = true;
  deletePosition_ = 0;
  deleteMax_ = Scan.MarkedCount;
  hooks.OnProgress = [this](int32_t position) {
    deletePosition_ = position;
    if (DeleteEvents.OnProgress) DeleteEvents.OnProgress(position);
  };
  const DeleteResult r = DeleteMarkedEntriesCore(Scan, Tree(), hooks);
  deleting_ = false;
  const std::string error = UndoFileErrorText(r);
  if (!error.empty() && UndoFileError) UndoFileError(error);
  return r;
}

SearchRequest RegistryCleaner::StoredRequest() const {
  SearchRequest r;
  ui::VTreeModel kinds;
  BuildCheckKindTree(kinds, SectionTranslator("TForm_RC_Options"));
  ApplyStoredKinds(Settings, kinds);
  r.Kinds = CheckedKinds(kinds);
  // Every hard disk is tested unless the user unchecked it.
  std::vector<cleaning::DriveRow> drives = cleaning::ListFixedDrives();
  for (cleaning::DriveRow& d : drives) d.Checked = true;
  cleaning::ApplyDriveChoice(Settings.root, Settings.key, drives);
  r.Drives = cleaning::CheckedDriveLetters(drives);
  r.HideEmpty = cleaning::ReadHideEmptyCategories();
  return r;
}

void RegistryCleaner::Search() { RunSearch(StoredRequest()); }

void RegistryCleaner::DeleteMarked() {
  Scan.DeletedCount = Scan.DeleteErrorCount = 0;
  if (!HasMarkedEntries(Scan, Tree())) return;
  RunDelete();
}

cleaning::CleanerProgress RegistryCleaner::Progress() const {
  cleaning::CleanerProgress p;
  if (deleting_) {
    p.Max = deleteMax_;
    p.Position = deletePosition_;
    return p;
  }
  p.Max = Scan.CategoryTotal;
  p.Position = Scan.CategoryDone;
  p.Line1 = kindName_;
  p.Line2 = Scan.CurrentKeyText;
  p.Line3 = Scan.CurrentValueText;
  return p;
}

cleaning::CleanerCounters RegistryCleaner::Counters() const {
  return {Scan.DeletedCount, 0, Scan.DeleteErrorCount};
}

}  // namespace qz::rc
