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

void CleanerWizard::NextClick() {
  if (state_ == WizardState::Start && RadioButton_Start) {
    if (RadioButton_Start->Checked()) {
      RunSearch();
    } else if (RadioButton_Options->Checked()) {
      if (ui::Form* options = OptionsWindow()) ShowModalWindow(*options);
    } else if (otherChoice_->Checked()) {
      OtherChoice();
    }
  } else if (state_ == WizardState::Results) {
    RunDelete();
  }
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

ui::RadioButton* CleanerWizard::AddStartPage(const std::string& title, const std::string& text,
                                             const StartChoices& choices) {
  AddStartPage(title, text, 90);
  AddStartChoices(160, 28,
                  {{RadioButton_Start, "RadioButton_Start", choices.Search},
                   {RadioButton_Options, "RadioButton_Options", choices.Options},
                   {otherChoice_, choices.OtherName, choices.Other}});
  return otherChoice_;
}

void CleanerWizard::AddSearchPage(const std::string& title, const std::string& text) {
  TabSheet_Search = AddWizardPage("TabSheet_Search", "Suche");
  Label_Search_Header = AddPageTitle(TabSheet_Search, "Label_Search_Header", title);
  JvLinkLabel_Search = AddPageText(TabSheet_Search, "JvLinkLabel_Search", text);
}

void CleanerWizard::AddSearchLines(int top, std::initializer_list<LabelSlot> lines) {
  JvLinkLabel_SearchNow = AddPageText(TabSheet_Search, "JvLinkLabel_SearchNow", "<b>Untersuche jetzt:</b>", top, 16);
  top += 22;
  for (const LabelSlot& l : lines) {
    l.Label = AddLineLabel(TabSheet_Search, l.Name, top);
    top += 20;
  }
}

void CleanerWizard::AddCounterLabels(std::initializer_list<LabelSlot> counters) {
  int top = 250;
  for (const LabelSlot& c : counters) {
    c.Label = AddLineLabel(TabSheet_Search, c.Name, top);
    c.Label->SetVisible(false);
    top += 18;
  }
}

void CleanerWizard::AddResultPage(const std::string& title, const std::string& hint) {
  TabSheet_Result = AddWizardPage("TabSheet_Result", "Ergebniss");
  Label_Result_Header = AddPageTitle(TabSheet_Result, "Label_Result_Header", title);
  JvLinkLabel_Result = AddPageText(TabSheet_Result, "JvLinkLabel_Result", "", 48, 70);
  JvLinkLabel_Result->Tag = 0;  // the summary is written by the search
  JvLinkLabel_ResultHint = AddPageText(TabSheet_Result, "JvLinkLabel_ResultHint", hint, 130, 40);
  Button_Results = new ui::Button(TabSheet_Result, "Button_Results", "Details anzeigen");
  Button_Results->SetBounds(16, 184, 140, 25);
  Button_Results->SetTabStop(true);
  Button_Results->Tag = 1;
  Button_Results->OnClick = [this] { ShowResultWindow(); };
}

void CleanerWizard::AddDeletePage(const std::string& title) {
  TabSheet_Delete = AddWizardPage("TabSheet_Delete", "Delete");
  Label_Delete_Header = AddPageTitle(TabSheet_Delete, "Label_Delete_Header", title);
}

void CleanerWizard::AddDeletingFileLines(LabelSlot fixed, LabelSlot file) {
  fixed.Label = new ui::Label(TabSheet_Delete, fixed.Name, "Lösche Datei:");
  fixed.Label->SetBounds(16, 156, 200, 16);
  fixed.Label->Tag = 1;
  file.Label = AddLineLabel(TabSheet_Delete, file.Name, 176);
}

void CleanerWizard::AddDownloadPage(const std::string& text, const ExceptionLists& lists,
                                    std::function<bool()> reload) {
  TabSheet_Download = AddWizardPage("TabSheet_Download", "Download Exception");
  Label_Download_Header = AddPageTitle(TabSheet_Download, "Label_Download_Header", "Ausnahme-Listen aktualisieren");
  JvLinkLabel_Download = AddPageText(TabSheet_Download, "JvLinkLabel_Download", text, 48, 60);
  Button_CheckNewExceptions = new ui::Button(TabSheet_Download, "Button_CheckNewExceptions", "Downloaden");
  Button_CheckNewExceptions->SetBounds(16, 130, 120, 25);
  Button_CheckNewExceptions->SetTabStop(true);
  Button_CheckNewExceptions->Tag = 1;
  ListDownload = new ExceptionListDownload(this, lists);
  ListDownload->OnStored = std::move(reload);
  Timer_UpdateTimeOut = ListDownload->TimeOut;
  ui::Button* start = Button_CheckNewExceptions;
  ExceptionListDownload* download = ListDownload;
  download->OnFinished = [start] { start->SetEnabled(true); };
  start->OnClick = [start, download] {
    if (download->Running()) return;
    start->SetEnabled(false);
    download->Start();
  };
}

ui::ProgressBar* CleanerWizard::AddProgressBar(ui::TabSheet* page, const char* name, int top) {
  auto* bar = new ui::ProgressBar(page, name);
  bar->SetBounds(16, top, 608, 18);
  return bar;
}

void CleanerWizard::Button_CheckNewExceptionsClick() { Button_CheckNewExceptions->Click(); }

bool CleanerWizard::Downloading() const { return ListDownload && ListDownload->Running(); }

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
