// The Internet Cleaner window: the cleaner wizard (cleaning/frame/
// cleaner_wizard.h) without a Cancel button and without a progress timer,
// with these pages:
//   0 "Start"          RadioButton_Start (search), RadioButton_Options (the
//                      options window), RadioButton_Verlauf (empty the
//                      Windows History folder)
//   1 "Suche"          ProgressBar_Search: one step per checked category
//   2 "Suche fertig"   JvLinkLabel_Result (summary), Button_Results (details)
//   3 "Delete"         ProgressBar_Delete: one step per entry
// It owns its engine (InternetCleaner, bound to the result window's tree)
// and creates its options window (TForm_ZAMO2_IC_Options) and result window
// (TForm_InternetCleanerResult) with itself. Every search and delete takes
// its settings from the options window's controls as they stand.
//
// "Empty Windows history" hands the History folder's items to the shell's
// own delete (history_folder.h); the shell asks its own question, and only a
// failure gives a box of ours.
//
// On a window that is never shown (OcoRunning = 1): RunInternetScan() then
// DeleteInternetItems(), then Engine().Counters(); no box, and after the
// delete the window stays on the delete page.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "cleaning/frame/cleaner_wizard.h"
#include "cleaning/internet/history_folder.h"
#include "cleaning/internet/ic_engine.h"

namespace qz::ui {
class ProgressBar;
class RadioButton;
}  // namespace qz::ui

namespace qz::ic {

class TForm_ZAMO2_IC_Options;
class TForm_InternetCleanerResult;

class TForm_ZAMO2_IC : public cleaning::CleanerWizard {
 public:
  // `env` says where the other browsers keep their traces (tests point it
  // into the sandbox); `cache` replaces WinINet's URL cache (tests).
  explicit TForm_ZAMO2_IC(ui::Component* owner, BrowserEnvironment env = BrowserEnvironment::FromSystem(),
                          UrlCacheSource* cache = nullptr);
  ~TForm_ZAMO2_IC() override;

  // The module's own parts of the pages (the wizard holds the shared ones)
  // Page 0
  ui::RadioButton* RadioButton_Verlauf;
  // Page 1
  ui::ProgressBar* ProgressBar_Search;
  // Page 3
  ui::ProgressBar* ProgressBar_Delete;

  TForm_ZAMO2_IC_Options* Options() const { return options_; }
  TForm_InternetCleanerResult* Result() const { return result_; }
  InternetCleaner& Engine() { return engine_; }

  // ---- the search, the delete and the History folder (also for the optimizer)
  void RunInternetScan() { RunSearch(); }
  void DeleteInternetItems() { RunDelete(); }
  void ShowFoundSummary() { ShowSummary(); }
  void EmptyWindowsHistory();
  // The History folder the last "Empty Windows history" came to.
  const HistoryResult& LastHistory() const { return lastHistory_; }

  // The History folder's namespace (the shell's unless replaced) and the
  // places it must be; tests replace both.
  std::function<std::unique_ptr<HistoryNamespace>()> HistoryFolder;
  HistoryPlaces Places = HistoryPlaces::FromSystem();

 protected:
  void CreateModuleWindows() override;
  // ---- the cleaner wizard's hooks
  ui::Form* OptionsWindow() override;
  void OtherChoice() override { EmptyWindowsHistory(); }
  bool PrepareSearch() override;
  cleaning::SearchOutcome Search() override;
  void ShowSummary() override;
  std::string NothingFoundText() override;
  int64_t CountMarked() override;
  std::string NothingMarkedText() override;
  MsgKind NothingMarkedKind() const override { return MsgKind::Information; }
  std::string ConfirmDeleteText() override { return {}; }  // the cleaner asks nothing
  cleaning::DeleteOutcome DeleteMarked() override;
  std::string DeletedText() override;
  cleaning::ResultWindow* Results() override;

 private:
  void ProgressMoved();

  BrowserEnvironment env_;
  InternetCleaner engine_;
  InternetCleanerSettings settings_;
  TForm_ZAMO2_IC_Options* options_ = nullptr;
  TForm_InternetCleanerResult* result_ = nullptr;
  HistoryResult lastHistory_;
};

// The launch table's factory for "IC": the window made and created (not
// shown). A creation that fails frees the window and passes the error on.
ui::Form* CreateInternetCleanerWindow(ui::Component* owner);

}  // namespace qz::ic
