#include "cleaning/frame/cleaner_wizard.h"

#include "cleaning/frame/result_rules.h"
#include "cleaning/frame/result_window.h"
#include "core/globals.h"
#include "ui/graphics.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"
#include "ui/timer.h"

namespace qz::cleaning {

CleanerWizard::CleanerWizard(ui::Component* owner, std::string name, ModuleInfo info)
    : ModuleWindow(owner, std::move(name), std::move(info)) {
  if (Info().TimerInterval > 0) {
    ProgressTimer = new ui::ThreadTimer(this, Info().TimerName);
    ProgressTimer->SetInterval(Info().TimerInterval);
    ProgressTimer->OnTimer = [this] { ProgressTimerEvent(); };
  }
}

CleanerWizard::~CleanerWizard() {
  if (ProgressTimer) ProgressTimer->SetEnabled(false);
}

void CleanerWizard::FormCreate() {
  ModuleWindow::FormCreate();
  SetState(WizardState::Start);
}

int CleanerWizard::PageOf(WizardState s) const {
  switch (s) {
    case WizardState::Start: return 0;
    case WizardState::Searching: return 1;
    case WizardState::Results: return 2;
    case WizardState::Deleting: return 3;
    case WizardState::LastPage: return JvPageControl1->PageCount() - 1;
  }
  return 0;
}

void CleanerWizard::SetState(WizardState s) {
  state_ = s;
  ShowPage(PageOf(s));
  Button_Zurueck->SetEnabled(s == WizardState::Results || s == WizardState::LastPage);
  Button_Weiter->SetEnabled(s == WizardState::Start || s == WizardState::Results);
  ShowCancel(s == WizardState::Searching || s == WizardState::Deleting);
}

void CleanerWizard::ChooseOnStartPage(const ui::RadioButton* search, const ui::RadioButton* options,
                                      ui::Form& optionsWindow, const ui::RadioButton* lastPage) {
  if (search->Checked())
    RunSearch();
  else if (options->Checked())
    ShowModalWindow(optionsWindow);
  else if (lastPage->Checked())
    SetState(WizardState::LastPage);
}

void CleanerWizard::BackClick() {
  if (state_ == WizardState::Results || state_ == WizardState::LastPage) ResetToStart();
}

void CleanerWizard::WorkFailed() {
  if (ProgressTimer) ProgressTimer->SetEnabled(false);
  ResetToStart();
}

void CleanerWizard::RunSearch() {
  RunWork([this] {
    AbortFlag = 0;
    if (!PrepareSearch()) {
      ResetToStart();
      return;
    }
    SetState(WizardState::Searching);
    if (ProgressTimer) ProgressTimer->SetEnabled(true);
    const SearchOutcome outcome = Search();
    if (ProgressTimer) ProgressTimer->SetEnabled(false);

    if (outcome == SearchOutcome::Cancelled) {
      ResetToStart();
      return;
    }
    if (outcome == SearchOutcome::NothingFound && !OcoRunning) {
      Message(NothingFoundText(), MsgKind::Information);
      ResetToStart();
      return;
    }
    SetState(WizardState::Results);
    ShowSummary();
  });
}

void CleanerWizard::RunDelete() {
  RunWork([this] {
    AbortFlag = 0;
    if (CountMarked() <= 0) {
      Message(NothingMarkedText(), NothingMarkedKind());
      return;
    }
    if (!OcoRunning) {
      const std::string question = ConfirmDeleteText();
      if (!question.empty() && Message(question, MsgKind::Warning, MsgButtons::YesNo) != IDYES) return;
    }
    SetState(WizardState::Deleting);
    if (DeleteMarked() == DeleteOutcome::Stopped) {
      ResetToStart();
      return;
    }
    if (!OcoRunning) {
      Message(DeletedText(), MsgKind::Information);
      ResetToStart();
    }
  });
}

CleanerWizard::ResultPage CleanerWizard::AddResultPage(const std::string& title, const std::string& hint) {
  ResultPage p;
  p.Sheet = AddWizardPage("TabSheet_Result", "Ergebniss");
  p.Header = AddPageTitle(p.Sheet, "Label_Result_Header", title);
  p.Summary = AddPageText(p.Sheet, "JvLinkLabel_Result", "", 48, 70);
  p.Summary->Tag = 0;  // the summary is written by the search
  p.Hint = AddPageText(p.Sheet, "JvLinkLabel_ResultHint", hint, 130, 40);
  p.Details = new ui::Button(p.Sheet, "Button_Results", "Details anzeigen");
  p.Details->SetBounds(16, 184, 140, 25);
  p.Details->SetTabStop(true);
  p.Details->Tag = 1;
  p.Details->OnClick = [this] { ShowResultWindow(); };
  return p;
}

CleanerWizard::DownloadPage CleanerWizard::AddDownloadPage(const std::string& text, const ExceptionLists& lists,
                                                           std::function<bool()> reload) {
  DownloadPage p;
  p.Sheet = AddWizardPage("TabSheet_Download", "Download Exception");
  p.Header = AddPageTitle(p.Sheet, "Label_Download_Header", "Ausnahme-Listen aktualisieren");
  p.Text = AddPageText(p.Sheet, "JvLinkLabel_Download", text, 48, 60);
  p.Start = new ui::Button(p.Sheet, "Button_CheckNewExceptions", "Downloaden");
  p.Start->SetBounds(16, 130, 120, 25);
  p.Start->SetTabStop(true);
  p.Start->Tag = 1;
  p.Download = new ExceptionListDownload(this, lists);
  p.Download->OnStored = std::move(reload);
  ui::Button* start = p.Start;
  ExceptionListDownload* download = p.Download;
  download->OnFinished = [start] { start->SetEnabled(true); };
  start->OnClick = [start, download] {
    if (download->Running()) return;
    start->SetEnabled(false);
    download->Start();
  };
  return p;
}

void CleanerWizard::ShowResultWindow() {
  ResultWindow* r = Results();
  if (!r) return;
  r->RecomputeTotals();
  r->SetWindowState(ReadOpenMaximized() ? ui::WindowState::Maximized : ui::WindowState::Normal);
  ShowModalWindow(*r);
  // The user may have changed the marks.
  ShowSummary();
}

}  // namespace qz::cleaning
