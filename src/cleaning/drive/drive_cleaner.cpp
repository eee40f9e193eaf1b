#include "cleaning/drive/drive_cleaner.h"

#include <stdexcept>

#include "cleaning/frame/result_rules.h"
#include "core/globals.h"
#include "ui/application.h"

namespace qz::dc {

DriveCleaner::DriveCleaner() {
  Tree().SetRecordType<DriveScanNode>();
}

DriveCleaner::~DriveCleaner() = default;

SearchOutcome DriveCleaner::RunSearch(const SearchSettings& settings) {
  deleting_ = false;
  pass_ = PassStart{PassKind::SystemTemp, {}, {}, 0};
  SearchHooks hooks = SearchEvents;
  if (!hooks.Tr) hooks.Tr = Tr;
  hooks.OnPass = [this](const PassStart& p) {
    pass_ = p;
    if (SearchEvents.OnPass) SearchEvents.OnPass(p);
  };
  lastOptions_ = settings.Options;
  const ScanEnvironment env = Environment ? *Environment : ScanEnvironment::FromSystem();
  last_ = RunDriveSearchCore(Scan, Tree(), settings, hooks, env);
  return last_;
}

void DriveCleaner::RunDelete(const DriveCleanerOptions& options) {
  deleting_ = true;
  deleteFile_.clear();
  deletePosition_ = 0;
  deleteMax_ = Scan.Totals.Marked;
  DeleteHooks hooks = DeleteEvents;
  if (!hooks.Tr) hooks.Tr = Tr;
  hooks.OnFile = [this](const std::string& path, int64_t position) {
    deleteFile_ = path;
    deletePosition_ = position;
    if (DeleteEvents.OnFile) DeleteEvents.OnFile(path, position);
  };
  hooks.OnTempCleanup = [this](const std::string& label) {
    deleteFile_ = label;
    deletePosition_ = 0;
    if (DeleteEvents.OnTempCleanup) DeleteEvents.OnTempCleanup(label);
  };
  DeleteMarkedFilesCore(Scan, Tree(), options, hooks);
}

SearchSettings DriveCleaner::StoredSettings() const {
  DriveCleanerSettings s;
  // The groups' default captions are the options window's texts.
  if (LoadDriveCleanerSettings(SettingsLocation::Default(), AppDir, s, SectionTranslator("TForm_DC_Options")) ==
      ExceptionLoad::MissingListFile) {
    // Under the optimizer the cleaner cannot start; the program goes on.
    if (OcoRunning) throw std::runtime_error("Drive Cleaner: an exception-list file is missing");
    QuitForMissingListFile();
  }
  return MakeSearchSettings(s, cleaning::ReadHideEmptyCategories());
}

void DriveCleaner::Search() { RunSearch(StoredSettings()); }

void DriveCleaner::DeleteMarked() {
  RecomputeTotals(Scan, Tree());
  if (Scan.Totals.Marked <= 0) {  // nothing marked: nothing happens
    Scan.FilesDeleted = Scan.BytesDeleted = Scan.DeleteErrors = 0;
    return;
  }
  RunDelete(lastOptions_);
}

cleaning::CleanerProgress DriveCleaner::Progress() const {
  cleaning::CleanerProgress p;
  if (deleting_) {
    p.Max = deleteMax_;
    p.Position = deletePosition_;
    p.Line1 = deleteFile_;
  } else if (Scan.ScanningPhase) {
    p.Max = pass_.ProgressMax;
    p.Position = Scan.ProgressPosition;
    p.Line1 = Scan.CurrentDrive;
    p.Line2 = Scan.CurrentFolder;
    p.Line3 = Scan.CurrentFile;
  } else {
    p.Line1 = pass_.DriveLabel;
    p.Line2 = pass_.FolderLabel;
    if (Scan.CountingPhase) p.Line3 = std::to_string(Scan.FoldersCounted);
  }
  return p;
}

cleaning::CleanerCounters DriveCleaner::Counters() const {
  return {Scan.FilesDeleted, Scan.BytesDeleted, Scan.DeleteErrors};
}

void QuitForMissingListFile() {
  ui::App().Terminate();
  ui::Abort();
}

}  // namespace qz::dc
