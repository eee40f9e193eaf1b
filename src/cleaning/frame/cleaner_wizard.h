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
//       // pages 0 start, 1 search, 2 results, 3 delete (and a last page):
//       RadioButton_Update = AddStartPage("Willkommen ...", "...", {...});
//       AddSearchPage("Suche nach ...", "...");   ... AddResultPage(...);
//       AddDeletePage("..."); ... AddDownloadPage(...);
//     }
//     void RunXSearch() { RunSearch(); }       // what the optimizer calls
//     void DeleteMarkedX() { RunDelete(); }
//    protected:
//     ui::Form* OptionsWindow() override;          // the start page's options
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
// Back on Results or LastPage returns to Start. Next on Start takes the
// start page's choice: RunSearch, the options window (modal), or the
// module's third choice (OtherChoice: the last page unless it says
// otherwise); Next on Results runs RunDelete.
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
#include <initializer_list>
#include <string>

#include "cleaning/frame/list_download.h"
#include "cleaning/frame/module_window.h"

namespace qz::ui {
class Button;
class Label;
class ProgressBar;
class RadioButton;
class RichLabel;
class TabSheet;
class ThreadTimer;
class Timer;
}  // namespace qz::ui

namespace qz::cleaning {

class ResultWindow;

enum class WizardState { Start, Searching, Results, Deleting, LastPage };
enum class SearchOutcome { Cancelled, NothingFound, Found };
enum class DeleteOutcome { Finished, Stopped };

// A cleaner engine's search outcome in the wizard's terms: Found and
// NothingFound as they are, anything else (cancelled, no drive) a search that
// ends at the start without a word.
template <class EngineOutcome>
SearchOutcome WizardOutcome(EngineOutcome outcome) {
  if (outcome == EngineOutcome::Found) return SearchOutcome::Found;
  if (outcome == EngineOutcome::NothingFound) return SearchOutcome::NothingFound;
  return SearchOutcome::Cancelled;
}

class CleanerWizard : public ModuleWindow {
 public:
  CleanerWizard(ui::Component* owner, std::string name, ModuleInfo info);
  ~CleanerWizard() override;

  // The progress timer (only with ModuleInfo::TimerInterval, named by
  // ModuleInfo::TimerName; enabled only while a search runs).
  ui::ThreadTimer* ProgressTimer = nullptr;

  // The parts every cleaner's pages share, made by the Add...Page calls below
  // (nullptr where a module has no such part).
  // Start page: the search and the options choice (AddStartPage)
  ui::RadioButton* RadioButton_Start = nullptr;
  ui::RadioButton* RadioButton_Options = nullptr;
  // Search page (AddSearchPage; the "now" line with AddSearchLines)
  ui::TabSheet* TabSheet_Search = nullptr;
  ui::Label* Label_Search_Header = nullptr;
  ui::RichLabel* JvLinkLabel_Search = nullptr;
  ui::RichLabel* JvLinkLabel_SearchNow = nullptr;
  // Result page (AddResultPage)
  ui::TabSheet* TabSheet_Result = nullptr;
  ui::Label* Label_Result_Header = nullptr;
  ui::RichLabel* JvLinkLabel_Result = nullptr;
  ui::RichLabel* JvLinkLabel_ResultHint = nullptr;
  ui::Button* Button_Results = nullptr;
  // Delete page (AddDeletePage)
  ui::TabSheet* TabSheet_Delete = nullptr;
  ui::Label* Label_Delete_Header = nullptr;
  // Download page (AddDownloadPage) and the hidden download of the exception
  // lists (its HTTP client NMHTTP_Update and time-out timer Timer_UpdateTimeOut)
  ui::TabSheet* TabSheet_Download = nullptr;
  ui::Label* Label_Download_Header = nullptr;
  ui::RichLabel* JvLinkLabel_Download = nullptr;
  ui::Button* Button_CheckNewExceptions = nullptr;
  ExceptionListDownload* ListDownload = nullptr;
  ui::Timer* Timer_UpdateTimeOut = nullptr;

  WizardState State() const { return state_; }
  // Shows the state's page and sets the buttons by the table above.
  void SetState(WizardState s);
  void ResetToStart() { SetState(WizardState::Start); }

  // The flow (also what the One-Click-Optimizer's window path calls).
  void RunSearch();
  void RunDelete();
  void ShowResultWindow();
  void Button_ResultsClick() { ShowResultWindow(); }
  void Button_CheckNewExceptionsClick();
  // A download of the exception lists is under way.
  bool Downloading() const;

 protected:
  void FormCreate() override;
  void NextClick() override;
  void BackClick() override;
  void WorkFailed() override;
  // The page of a state (default 0, 1, 2, 3 and the last page).
  virtual int PageOf(WizardState s) const;

  // ---- the pages every cleaner has, each appended as the next page
  // The start page (ModuleWindow::AddStartPage, the text 90 high) with three
  // choices below it: RadioButton_Start (the search, checked),
  // RadioButton_Options (the options window) and the module's own, which is
  // returned (OtherChoice).
  struct StartChoices {
    const char* Search;     // RadioButton_Start's caption
    const char* Options;    // RadioButton_Options's caption
    const char* OtherName;  // the third choice's Name and caption
    const char* Other;
  };
  using ModuleWindow::AddStartPage;
  ui::RadioButton* AddStartPage(const std::string& title, const std::string& text, const StartChoices& choices);
  // TabSheet_Search "Suche" with the title Label_Search_Header and the text
  // JvLinkLabel_Search.
  void AddSearchPage(const std::string& title, const std::string& text);
  // A label the build makes for the module: the module's member and the Name.
  struct LabelSlot {
    ui::Label*& Label;
    const char* Name;
  };
  // On the search page: "Untersuche jetzt:" (JvLinkLabel_SearchNow) at `top`
  // and, one below the other, the lines of what is being examined.
  void AddSearchLines(int top, std::initializer_list<LabelSlot> lines);
  // On the search page: hidden lines, one below the other from 250 down, that
  // carry the search's counters.
  void AddCounterLabels(std::initializer_list<LabelSlot> counters);
  // The result page (TabSheet_Result "Ergebniss"): the title
  // Label_Result_Header, the summary JvLinkLabel_Result (written by
  // ShowSummary, not translated), the hint JvLinkLabel_ResultHint and
  // Button_Results "Details anzeigen", which opens the result window
  // (ShowResultWindow).
  void AddResultPage(const std::string& title, const std::string& hint);
  // TabSheet_Delete "Delete" with the title Label_Delete_Header.
  void AddDeletePage(const std::string& title);
  // On the delete page: the fixed "Lösche Datei:" and below it the line of
  // the file in hand.
  void AddDeletingFileLines(LabelSlot fixed, LabelSlot file);
  // The page that refreshes a cleaner's exception lists (normally the last):
  // TabSheet_Download "Download Exception" with the title
  // Label_Download_Header "Ausnahme-Listen aktualisieren", the text
  // JvLinkLabel_Download and Button_CheckNewExceptions "Downloaden", which
  // starts the download of the module's two lists (disabled while it runs).
  // Once both are stored, `reload` reloads them (false: the program ends).
  void AddDownloadPage(const std::string& text, const ExceptionLists& lists, std::function<bool()> reload);
  // A bar across a page at `top` (the search's and the delete's progress).
  static ui::ProgressBar* AddProgressBar(ui::TabSheet* page, const char* name, int top = 120);

  // ---- module hooks of the start page
  // The module's options window (the options choice shows it modally).
  virtual ui::Form* OptionsWindow() { return nullptr; }
  // The module's third choice on the start page.
  virtual void OtherChoice() { SetState(WizardState::LastPage); }

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
  ui::RadioButton* otherChoice_ = nullptr;
};

}  // namespace qz::cleaning
