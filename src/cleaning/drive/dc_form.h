// The Drive Cleaner window: the cleaner wizard (cleaning/frame/
// cleaner_wizard.h) with these pages:
//   0 "Start"     RadioButton_Start (search now), RadioButton_Options (edit
//                 the settings), RadioButton_Update (refresh the exception
//                 lists over the internet)
//   1 "Suche"     ProgressBar_DC_Search, Label_DC_Laufwerk, Label_DC_Folder,
//                 Label_DC_Datei: what is being examined
//   2 "Ergebniss" JvLinkLabel_Result (summary), Button_Results (details)
//   3 "Delete"    ProgressBar_DC_Delete, Label_DC_Delete_File
//   4 "Download Exception"  Button_CheckNewExceptions
// It owns its engine (DriveCleaner, bound to the result window's tree) and
// creates its options window (TForm_DC_Options) and result window
// (TForm_DC_Result) with itself; both live until it is destroyed.
//
// On a window that is never shown (OcoRunning = 1): RunDriveSearch() then
// DeleteMarkedFiles(), then FilesDeleted(), BytesDeleted() and
// DeleteErrors(). Neither asks anything or shows a box then; after the delete
// the window stays in the deleting state.
#pragma once

#include <cstdint>
#include <string>

#include "cleaning/drive/drive_cleaner.h"
#include "cleaning/frame/cleaner_wizard.h"

namespace qz::ui {
class Label;
class ProgressBar;
class RadioButton;
}  // namespace qz::ui

namespace qz::dc {

class TForm_DC_Options;
class TForm_DC_Result;

class TForm_DC : public cleaning::CleanerWizard {
 public:
  explicit TForm_DC(ui::Component* owner);
  ~TForm_DC() override;

  // The module's own parts of the pages (the wizard holds the shared ones)
  // Page 0
  ui::RadioButton* RadioButton_Update;
  // Page 1
  ui::ProgressBar* ProgressBar_DC_Search;
  ui::Label* Label_DC_Laufwerk;
  ui::Label* Label_DC_Folder;
  ui::Label* Label_DC_Datei;
  ui::Label* Label_DC_FoldersScanned;
  ui::Label* Label_DC_FilesExamined;
  ui::Label* Label_DC_FilesFound;
  ui::Label* Label_DC_BytesFound;
  // Page 3
  ui::ProgressBar* ProgressBar_DC_Delete;
  ui::Label* Label_DC_Delete_Fixed;
  ui::Label* Label_DC_Delete_File;

  TForm_DC_Options* Options() const { return options_; }
  TForm_DC_Result* Result() const { return result_; }
  DriveCleaner& Engine() { return engine_; }

  // ---- the search and the delete (also for the One-Click-Optimizer)
  void RunDriveSearch() { RunSearch(); }
  void DeleteMarkedFiles() { RunDelete(); }
  int64_t FilesDeleted() const { return engine_.Scan.FilesDeleted; }
  int64_t BytesDeleted() const { return engine_.Scan.BytesDeleted; }
  int64_t DeleteErrors() const { return engine_.Scan.DeleteErrors; }
  // What the last search ended with (NoDrives before the first one).
  SearchOutcome LastSearch() const { return engine_.LastSearch(); }

 protected:
  void CreateModuleWindows() override;
  void ModuleCreate() override;
  // ---- the cleaner wizard's hooks
  ui::Form* OptionsWindow() override;
  bool PrepareSearch() override;
  cleaning::SearchOutcome Search() override;
  void ShowSummary() override;
  std::string NothingFoundText() override;
  void ProgressTimerEvent() override;
  int64_t CountMarked() override;
  std::string NothingMarkedText() override;
  std::string ConfirmDeleteText() override;
  cleaning::DeleteOutcome DeleteMarked() override;
  std::string DeletedText() override;
  cleaning::ResultWindow* Results() override;

 private:
  void SearchPassStarted(const PassStart& p);
  bool ReloadLists();

  DriveCleaner engine_;
  SearchSettings settings_;
  TForm_DC_Options* options_ = nullptr;
  TForm_DC_Result* result_ = nullptr;
};

// The launch table's factory for "DC": the window made and created (not
// shown). A creation that fails frees the window and passes the error on.
ui::Form* CreateDriveCleanerWindow(ui::Component* owner);

}  // namespace qz::dc
