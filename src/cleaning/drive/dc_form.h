// The Drive Cleaner window: the module wizard (cleaning/wizard/wizard_form.h)
// with these pages:
//   0 "Start"     RadioButton_Start (search now), RadioButton_Options (edit
//                 the settings), RadioButton_Update (refresh the exception
//                 lists over the internet)
//   1 "Suche"     ProgressBar_DC_Search, Label_DC_Laufwerk, Label_DC_Folder,
//                 Label_DC_Datei: what is being examined
//   2 "Ergebniss" JvLinkLabel_Result (summary), Button_Results (details)
//   3 "Delete"    ProgressBar_DC_Delete, Label_DC_Delete_File
//   4 "Download Exception"  Button_CheckNewExceptions
// It creates its options window (TForm_DC_Options) and result window
// (TForm_DC_Result) with itself; both live until it is destroyed.
//
// For the One-Click-Optimizer (OcoRunning = 1, window created and never
// shown): RunDriveSearch() then DeleteMarkedFiles(), then FilesDeleted(),
// BytesDeleted() and DeleteErrors(). Neither asks anything or shows a box
// then; after the delete the window stays in the deleting state.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "cleaning/drive/dc_search.h"
#include "cleaning/wizard/wizard_form.h"

namespace qz::ui {
class Button;
class HttpClient;
class Label;
class ProgressBar;
class RadioButton;
class RichLabel;
class TabSheet;
class Timer;
}  // namespace qz::ui

namespace qz::dc {

class TForm_DC_Options;
class TForm_DC_Result;

class TForm_DC : public cleaning::ModuleWizardForm {
 public:
  explicit TForm_DC(ui::Component* owner);
  ~TForm_DC() override;

  // Page 0
  ui::TabSheet* TabSheet_Start;
  ui::Label* Label_Start_Header;
  ui::RichLabel* JvLinkLabel_Start;
  ui::RadioButton* RadioButton_Start;
  ui::RadioButton* RadioButton_Options;
  ui::RadioButton* RadioButton_Update;
  // Page 1
  ui::TabSheet* TabSheet_Search;
  ui::Label* Label_Search_Header;
  ui::RichLabel* JvLinkLabel_Search;
  ui::ProgressBar* ProgressBar_DC_Search;
  ui::RichLabel* JvLinkLabel_SearchNow;
  ui::Label* Label_DC_Laufwerk;
  ui::Label* Label_DC_Folder;
  ui::Label* Label_DC_Datei;
  ui::Label* Label_DC_FoldersScanned;
  ui::Label* Label_DC_FilesExamined;
  ui::Label* Label_DC_FilesFound;
  ui::Label* Label_DC_BytesFound;
  // Page 2
  ui::TabSheet* TabSheet_Result;
  ui::Label* Label_Result_Header;
  ui::RichLabel* JvLinkLabel_Result;
  ui::RichLabel* JvLinkLabel_ResultHint;
  ui::Button* Button_Results;
  // Page 3
  ui::TabSheet* TabSheet_Delete;
  ui::Label* Label_Delete_Header;
  ui::ProgressBar* ProgressBar_DC_Delete;
  ui::Label* Label_DC_Delete_Fixed;
  ui::Label* Label_DC_Delete_File;
  // Page 4
  ui::TabSheet* TabSheet_Download;
  ui::Label* Label_Download_Header;
  ui::RichLabel* JvLinkLabel_Download;
  ui::Button* Button_CheckNewExceptions;
  // Hidden
  ui::HttpClient* NMHTTP_Update;
  ui::Timer* Timer_UpdateTimeOut;

  TForm_DC_Options* Options() const { return options_; }
  TForm_DC_Result* Result() const { return result_; }

  // ---- the search and the delete (also for the One-Click-Optimizer)
  void RunDriveSearch();
  void ShowDriveSearchSummary();
  void DeleteMarkedFiles();
  int64_t FilesDeleted() const { return DriveScan().FilesDeleted; }
  int64_t BytesDeleted() const { return DriveScan().BytesDeleted; }
  int64_t DeleteErrors() const { return DriveScan().DeleteErrors; }
  // What the last search ended with (NoDrives before the first one).
  SearchOutcome LastSearch() const { return lastSearch_; }

  // ---- the detail button and the download page
  void Button_ResultsClick();
  void Button_CheckNewExceptionsClick();
  // A download of the exception lists is under way.
  bool Downloading() const { return downloading_; }
  // The time limit of each fetch (milliseconds).
  unsigned DownloadTimeoutMs = kListDownloadTimeoutMs;

  // Folders the search takes as the Windows and temporary folders; the real
  // ones unless set (tests point them into the sandbox).
  std::optional<ScanEnvironment> Environment;

 protected:
  void CreateModuleWindows() override;
  void ModuleCreate() override;
  void ProgressTimerEvent() override;
  void NextClick() override;

 private:
  TranslateFn Translator() const;
  void SearchPassStarted(const PassStart& p);
  void StartFetch();
  void FetchEnded(int status, const std::string& body);
  void DownloadFinished();

  TForm_DC_Options* options_ = nullptr;
  TForm_DC_Result* result_ = nullptr;
  SearchOutcome lastSearch_ = SearchOutcome::NoDrives;
  bool downloading_ = false;
  struct Download;
  Download* download_ = nullptr;
};

// The launch table's factory for "DC": the window made and created (not
// shown). A creation that fails frees the window and passes the error on.
ui::Form* CreateDriveCleanerWindow(ui::Component* owner);

}  // namespace qz::dc
