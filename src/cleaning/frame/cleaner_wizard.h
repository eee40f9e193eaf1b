// The cleaner wizard: the module window (module_window.h) with the search ->
// results -> delete flow every cleaner shares. The module owns its engine and
// supplies only hooks; the flow, the states, Cancel, the progress timer and
// every OcoRunning rule live here.
//
// How a cleaner plugs in:
//   class TForm_XC : public cleaning::CleanerWizard {
//    public:
//     explicit TForm_XC(ui::Component* owner)
//         : CleanerWizard(owner, "TForm_XC", {.Code = "XC", .Title = "X Cleaner",
//                                             .Group = "Cleaning-Tools",
//                                             .TimerInterval = 500, .HasCancel = true}) {
//       // pages 0 start, 1 search, 2 results, 3 delete (and a last page)
//     }
//     void RunXSearch() { RunSearch(); }       // what the optimizer calls
//     void DeleteMarkedX() { RunDelete(); }
//    protected:
//     cleaning::SearchOutcome Search() override;   // engine_.Search(...) + labels
//     void ShowSummary() override;                 // the result page's label
//     std::string NothingFoundText() override;
//     int64_t CountMarked() override;              // recount, return marked
//     std::string NothingMarkedText() override;
//     std::string ConfirmDeleteText() override;
//     cleaning::DeleteOutcome DeleteMarked() override;
//     std::string DeletedText() override;
//     cleaning::ResultWindow* Results() override;
//     void ProgressTimerEvent() override;          // engine progress -> labels
//    private:
//     XCleanerEngine engine_;                      // owned, never a global
//   };
//
// States and their buttons:
//   Start      page 0   Back off  Next on   Close shown  Cancel hidden
//   Searching  page 1   Back off  Next off  Close hidden Cancel shown
//   Results    page 2   Back on   Next on   Close shown  Cancel hidden
//   Deleting   page 3   Back off  Next off  Close hidden Cancel shown
//   LastPage   last     Back on   Next off  Close shown  Cancel hidden
// (a module without Cancel keeps Close shown; PageOf may move a state's page).
// Back on Results or LastPage returns to Start.
//
// RunSearch:  AbortFlag := 0; PrepareSearch false -> Start (the module said
//   why); Searching, progress timer on, Search(), timer off;
//   Cancelled -> Start, no box; NothingFound -> NothingFoundText box and Start
//   (under OcoRunning: Results, no box); Found -> Results + ShowSummary.
// RunDelete:  AbortFlag := 0; CountMarked() <= 0 -> NothingMarkedText box,
//   state unchanged; ConfirmDeleteText Yes/No (not under OcoRunning; an empty
//   text asks nothing), anything but Yes leaves the state; Deleting,
//   DeleteMarked(); Stopped -> Start, no box; Finished -> DeletedText box and
//   Start (under OcoRunning: no box, the window stays on the delete page).
// ShowResultWindow (the "Details anzeigen" button): recount, maximised unless
//   "OpenMaximized" says otherwise, modal, then ShowSummary.
// Under OcoRunning no box of the flow is shown (Message); errors that escape
// reach the caller (ModuleWindow::RunWork).
#pragma once

#include <cstdint>
#include <string>

#include "cleaning/frame/list_download.h"
#include "cleaning/frame/module_window.h"

namespace qz::ui {
class Button;
class Label;
class RadioButton;
class RichLabel;
class TabSheet;
class ThreadTimer;
}  // namespace qz::ui

namespace qz::cleaning {

class ResultWindow;

enum class WizardState { Start, Searching, Results, Deleting, LastPage };
enum class SearchOutcome { Cancelled, NothingFound, Found };
enum class DeleteOutcome { Finished, Stopped };

class CleanerWizard : public ModuleWindow {
 public:
  CleanerWizard(ui::Component* owner, std::string name, ModuleInfo info);
  ~CleanerWizard() override;

  // The progress timer (only with ModuleInfo::TimerInterval, named by
  // ModuleInfo::TimerName; enabled only while a search runs).
  ui::ThreadTimer* ProgressTimer = nullptr;

  WizardState State() const { return state_; }
  // Shows the state's page and sets the buttons by the table above.
  void SetState(WizardState s);
  void ResetToStart() { SetState(WizardState::Start); }

  // The flow (also what the One-Click-Optimizer's window path calls).
  void RunSearch();
  void RunDelete();
  void ShowResultWindow();

 protected:
  void FormCreate() override;
  void BackClick() override;
  void WorkFailed() override;
  // The page of a state (default 0, 1, 2, 3 and the last page).
  virtual int PageOf(WizardState s) const;
  // Next on a start page with the usual choices: run the search, show the
  // options window modally, or go to the last page (the list download).
  void ChooseOnStartPage(const ui::RadioButton* search, const ui::RadioButton* options, ui::Form& optionsWindow,
                         const ui::RadioButton* lastPage);

  // The result page every cleaner shows (appended as the next page):
  // TabSheet_Result "Ergebniss" with the title Label_Result_Header, the
  // summary JvLinkLabel_Result (written by ShowSummary, not translated), the
  // hint JvLinkLabel_ResultHint and Button_Results "Details anzeigen", which
  // opens the result window (ShowResultWindow).
  struct ResultPage {
    ui::TabSheet* Sheet;
    ui::Label* Header;
    ui::RichLabel* Summary;
    ui::RichLabel* Hint;
    ui::Button* Details;
  };
  ResultPage AddResultPage(const std::string& title, const std::string& hint);

  // The page that refreshes a cleaner's exception lists (appended as the next
  // page, normally the last): TabSheet_Download "Download Exception" with the
  // title Label_Download_Header "Ausnahme-Listen aktualisieren", the text
  // JvLinkLabel_Download and Button_CheckNewExceptions "Downloaden", which
  // starts the download of the module's two lists (disabled while it runs).
  // Once both are stored, `reload` reloads them (false: the program ends).
  struct DownloadPage {
    ui::TabSheet* Sheet;
    ui::Label* Header;
    ui::RichLabel* Text;
    ui::Button* Start;
    ExceptionListDownload* Download;
  };
  DownloadPage AddDownloadPage(const std::string& text, const ExceptionLists& lists, std::function<bool()> reload);

  // ---- module hooks of the search
  // Checks what the search needs (settings, drives...) and says why not in a
  // box (Message); false stays at the start.
  virtual bool PrepareSearch() { return true; }
  // Runs on the search page with the timer on: clears the page's labels, runs
  // the engine and fills the result tree.
  virtual SearchOutcome Search() = 0;
  virtual void ShowSummary() = 0;
  virtual std::string NothingFoundText() = 0;
  // The progress timer's event (runs on the GUI thread while a run pumps).
  virtual void ProgressTimerEvent() {}

  // ---- module hooks of the delete
  // Takes the marks as they stand now (totals recounted) and returns how
  // many entries are marked.
  virtual int64_t CountMarked() = 0;
  virtual std::string NothingMarkedText() = 0;
  virtual MsgKind NothingMarkedKind() const { return MsgKind::Warning; }
  // The question before deleting; "" asks nothing.
  virtual std::string ConfirmDeleteText() = 0;
  // Runs on the delete page: deletes what is marked.
  virtual DeleteOutcome DeleteMarked() = 0;
  virtual std::string DeletedText() = 0;

  // The module's result window.
  virtual ResultWindow* Results() = 0;

 private:
  WizardState state_ = WizardState::Start;
};

}  // namespace qz::cleaning
