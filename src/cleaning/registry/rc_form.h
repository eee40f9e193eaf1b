// The Registry Cleaner window: the cleaner wizard (cleaning/frame/
// cleaner_wizard.h) with these pages:
//   0 "Start"     RadioButton_Start (search now), RadioButton_Options (edit
//                 the settings), RadioButton_Backups (the undo files)
//   1 "Suche"     Label_RC_Typ (the kind), Label_RC_Key, Label_RC_Value,
//                 ProgressBar_RC_search; four hidden counters
//   2 "Ergebniss" JvLinkLabel_Result (summary), Button_Results (details)
//   3 "Delete"    ProgressBar_RC_Delete
//   4 "Backups"   the frame's undo-file page with counts (Backups): the
//                 undo files by date with the entries each run removed,
//                 Button_Restore ("Zurückspielen"), Button_Delete
// It owns its engine (RegistryCleaner, bound to the result window's tree)
// and creates its options window (TForm_RC_Options) and result window
// (TForm_RC_Result) with itself; both live until it is destroyed.
//
// Every delete writes an undo file (and a count file beside it) in
// AppDir\Backups\RC\<user folder>\ first; the backups page lists them by
// date, hands one to the registry editor (Restore) or moves the selected
// ones to the Recycle Bin (Delete).
//
// On a window that is never shown (OcoRunning = 1): RunRegistrySearch() then
// DeleteMarkedEntries(), then DeletedCount() and DeleteErrorCount(); the
// progress is in ProgressBar_RC_search, ProgressBar_RC_Delete and the three
// labels. No box is shown then, except the undo-file dialogs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "cleaning/frame/cleaner_wizard.h"
#include "cleaning/registry/rc_cleaner.h"

namespace qz::cleaning {
class BackupPage;
}

namespace qz::ui {
class Label;
class ProgressBar;
class RadioButton;
}  // namespace qz::ui

namespace qz::rc {

class TForm_RC_Options;
class TForm_RC_Result;

class TForm_RC : public cleaning::CleanerWizard {
 public:
  explicit TForm_RC(ui::Component* owner);
  ~TForm_RC() override;

  // The module's own parts of the pages (the wizard holds the shared ones)
  // Page 0
  ui::RadioButton* RadioButton_Backups;
  // Page 1
  ui::Label* Label_RC_Typ;
  ui::Label* Label_RC_Key;
  ui::Label* Label_RC_Value;
  ui::ProgressBar* ProgressBar_RC_search;
  ui::Label* Label_RC_ExaminedCount;
  ui::Label* Label_RC_FoundCount;
  ui::Label* Label_RC_CategoryDone;
  ui::Label* Label_RC_CategoryTotal;
  // Page 3
  ui::ProgressBar* ProgressBar_RC_Delete;
  // Page 4
  cleaning::BackupPage* Backups;

  TForm_RC_Options* Options() const { return options_; }
  TForm_RC_Result* Result() const { return result_; }
  RegistryCleaner& Engine() { return engine_; }

  // ---- the search and the delete (also for the One-Click-Optimizer)
  void RunRegistrySearch() { RunSearch(); }
  void ShowRegistrySearchSummary() { ShowSummary(); }
  void DeleteMarkedEntries() { RunDelete(); }
  int32_t DeletedCount() const { return engine_.Scan.DeletedCount; }
  int32_t DeleteErrorCount() const { return engine_.Scan.DeleteErrorCount; }

  // ---- the backups page
  void ListRegistryBackups();

 protected:
  void CreateModuleWindows() override;
  void TranslateExtras() override;
  // ---- the cleaner wizard's hooks
  ui::Form* OptionsWindow() override;
  void OtherChoice() override;
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
  void KindStarted(const KindChoice& k);

  RegistryCleaner engine_;
  SearchRequest request_;
  TForm_RC_Options* options_ = nullptr;
  TForm_RC_Result* result_ = nullptr;
};

// The launch table's factory for "RC": the window made and created (not
// shown). A creation that fails frees the window and passes the error on.
ui::Form* CreateRegistryCleanerWindow(ui::Component* owner);

}  // namespace qz::rc
