#include "cleaning/drive/dc_form.h"

#include <memory>

#include "cleaning/drive/dc_options.h"
#include "cleaning/drive/dc_result.h"
#include "cleaning/wizard/result_form.h"
#include "core/globals.h"
#include "core/ini.h"
#include "core/translation.h"
#include "ui/application.h"
#include "ui/graphics.h"
#include "ui/http_client.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"
#include "ui/timer.h"
#include "ui/vtree_view.h"

namespace qz::dc {

namespace {

cleaning::ModuleInfo DriveCleanerInfo() {
  cleaning::ModuleInfo i;
  i.Code = "DC";
  i.Title = "Drive Cleaner";
  i.Group = "Cleaning-Tools";
  i.TimerInterval = 500;
  return i;
}

ui::Label* PathLabel(ui::TabSheet* page, const char* name, int top) {
  auto* l = new ui::Label(page, name);
  l->SetAutoSize(false);
  l->SetEndEllipsis(true);
  l->SetBounds(16, top, 608, 16);
  return l;
}

}  // namespace

struct TForm_DC::Download {
  explicit Download(const std::string& ini, const std::string& appDir) : refresh(ini, appDir) {}
  ExceptionListRefresh refresh;
};

TForm_DC::TForm_DC(ui::Component* owner) : ModuleWizardForm(owner, "TForm_DC", DriveCleanerInfo()) {
  // Page 0: start
  TabSheet_Start = AddWizardPage("TabSheet_Start", "Start");
  Label_Start_Header = AddPageTitle(TabSheet_Start, "Label_Start_Header", "Willkommen beim Drive Cleaner");
  JvLinkLabel_Start = AddPageText(
      TabSheet_Start, "JvLinkLabel_Start",
      "Der Drive Cleaner sucht auf Ihren Laufwerken nach überflüssigen Dateien: temporäre Dateien, "
      "Sicherungskopien, Reste von Programmen und Abstürzen. Sie sehen jede gefundene Datei und entscheiden "
      "selbst, welche in den Papierkorb verschoben wird.<br><br>Bitte wählen Sie, was Sie tun möchten, und "
      "klicken Sie dann auf <b>Weiter</b>.",
      48, 90);
  RadioButton_Start = new ui::RadioButton(TabSheet_Start, "RadioButton_Start", "Überflüssige Dateien jetzt suchen");
  RadioButton_Start->SetBounds(40, 160, 560, 20);
  RadioButton_Start->SetChecked(true);
  RadioButton_Options = new ui::RadioButton(TabSheet_Start, "RadioButton_Options",
                                            "Einstellungen für diesen Programmteil jetzt bearbeiten");
  RadioButton_Options->SetBounds(40, 188, 560, 20);
  RadioButton_Update =
      new ui::RadioButton(TabSheet_Start, "RadioButton_Update", "Ausnahme-Liste per Internet aktualisieren");
  RadioButton_Update->SetBounds(40, 216, 560, 20);
  for (ui::RadioButton* r : {RadioButton_Start, RadioButton_Options, RadioButton_Update}) {
    r->Tag = 1;
    r->SetTabStop(true);
  }

  // Page 1: search
  TabSheet_Search = AddWizardPage("TabSheet_Search", "Suche");
  Label_Search_Header = AddPageTitle(TabSheet_Search, "Label_Search_Header", "Suche nach überflüssigen Dateien");
  JvLinkLabel_Search = AddPageText(TabSheet_Search, "JvLinkLabel_Search",
                                   "Bitte haben Sie einen Moment Geduld. Je nach Größe Ihrer Laufwerke kann die "
                                   "Suche einige Minuten dauern.<br>Mit <b>Abbrechen</b> beenden Sie die Suche.");
  ProgressBar_DC_Search = new ui::ProgressBar(TabSheet_Search, "ProgressBar_DC_Search");
  ProgressBar_DC_Search->SetBounds(16, 120, 608, 18);
  ProgressBar_DC_Search->SetRange(0, 100);
  JvLinkLabel_SearchNow = AddPageText(TabSheet_Search, "JvLinkLabel_SearchNow", "<b>Untersuche jetzt:</b>", 156, 16);
  Label_DC_Laufwerk = PathLabel(TabSheet_Search, "Label_DC_Laufwerk", 178);
  Label_DC_Folder = PathLabel(TabSheet_Search, "Label_DC_Folder", 198);
  Label_DC_Datei = PathLabel(TabSheet_Search, "Label_DC_Datei", 218);
  Label_DC_FoldersScanned = PathLabel(TabSheet_Search, "Label_DC_FoldersScanned", 250);
  Label_DC_FilesExamined = PathLabel(TabSheet_Search, "Label_DC_FilesExamined", 268);
  Label_DC_FilesFound = PathLabel(TabSheet_Search, "Label_DC_FilesFound", 286);
  Label_DC_BytesFound = PathLabel(TabSheet_Search, "Label_DC_BytesFound", 304);
  for (ui::Label* l : {Label_DC_FoldersScanned, Label_DC_FilesExamined, Label_DC_FilesFound, Label_DC_BytesFound})
    l->SetVisible(false);

  // Page 2: result
  TabSheet_Result = AddWizardPage("TabSheet_Result", "Ergebniss");
  Label_Result_Header = AddPageTitle(TabSheet_Result, "Label_Result_Header", "Die Suche ist abgeschlossen");
  JvLinkLabel_Result = AddPageText(TabSheet_Result, "JvLinkLabel_Result", "", 48, 70);
  JvLinkLabel_Result->Tag = 0;  // the summary is written by the search
  JvLinkLabel_ResultHint = AddPageText(
      TabSheet_Result, "JvLinkLabel_ResultHint",
      "Mit <b>Details anzeigen</b> sehen Sie jede gefundene Datei und können die Auswahl ändern.<br>"
      "Mit <b>Weiter</b> werden die markierten Dateien in den Papierkorb verschoben.",
      130, 40);
  Button_Results = new ui::Button(TabSheet_Result, "Button_Results", "Details anzeigen");
  Button_Results->SetBounds(16, 184, 140, 25);
  Button_Results->SetTabStop(true);
  Button_Results->Tag = 1;

  // Page 3: delete
  TabSheet_Delete = AddWizardPage("TabSheet_Delete", "Delete");
  Label_Delete_Header = AddPageTitle(TabSheet_Delete, "Label_Delete_Header", "Die markierten Dateien werden gelöscht");
  ProgressBar_DC_Delete = new ui::ProgressBar(TabSheet_Delete, "ProgressBar_DC_Delete");
  ProgressBar_DC_Delete->SetBounds(16, 120, 608, 18);
  Label_DC_Delete_Fixed = new ui::Label(TabSheet_Delete, "Label_DC_Delete_Fixed", "Lösche Datei:");
  Label_DC_Delete_Fixed->SetBounds(16, 156, 200, 16);
  Label_DC_Delete_Fixed->Tag = 1;
  Label_DC_Delete_File = PathLabel(TabSheet_Delete, "Label_DC_Delete_File", 176);

  // Page 4: download of the exception lists
  TabSheet_Download = AddWizardPage("TabSheet_Download", "Download Exception");
  Label_Download_Header =
      AddPageTitle(TabSheet_Download, "Label_Download_Header", "Ausnahme-Listen aktualisieren");
  JvLinkLabel_Download = AddPageText(
      TabSheet_Download, "JvLinkLabel_Download",
      "Dateien in den Ordnern und mit den Namen der Ausnahme-Listen rührt der Drive Cleaner nie an. Mit "
      "<b>Downloaden</b> holen Sie die aktuellen Listen vom Server des Herstellers; Ihre eigenen Ausnahmen "
      "bleiben erhalten.",
      48, 60);
  Button_CheckNewExceptions = new ui::Button(TabSheet_Download, "Button_CheckNewExceptions", "Downloaden");
  Button_CheckNewExceptions->SetBounds(16, 130, 120, 25);
  Button_CheckNewExceptions->SetTabStop(true);
  Button_CheckNewExceptions->Tag = 1;

  // Hidden
  NMHTTP_Update = new ui::HttpClient(this, "NMHTTP_Update");
  Timer_UpdateTimeOut = new ui::Timer(this, "Timer_UpdateTimeOut");
  Timer_UpdateTimeOut->SetInterval(kListDownloadTimeoutMs);

  // ---- handlers
  Button_Results->OnClick = [this] { Button_ResultsClick(); };
  Button_CheckNewExceptions->OnClick = [this] { Button_CheckNewExceptionsClick(); };
  NMHTTP_Update->OnSuccess = [this](ui::HttpClient& c) {
    std::string body = c.Body();
    FetchEnded(c.StatusCode(), body);
  };
  NMHTTP_Update->OnFailure = [this](ui::HttpClient& c) { FetchEnded(c.StatusCode(), std::string()); };
  NMHTTP_Update->OnConnectionFailed = [this](ui::HttpClient&) { FetchEnded(0, std::string()); };
  NMHTTP_Update->OnInvalidHost = [this](ui::HttpClient&) { FetchEnded(0, std::string()); };
  Timer_UpdateTimeOut->OnTimer = [this] {
    // No answer in time: the fetch counts as failed.
    NMHTTP_Update->Abort();
    FetchEnded(0, std::string());
  };
}

TForm_DC::~TForm_DC() {
  Timer_UpdateTimeOut->SetEnabled(false);
  NMHTTP_Update->Abort();
  delete download_;
  download_ = nullptr;
  // The shared engine must not keep pointers into this window's tree.
  DriveScanEngine& e = DriveScan();
  if (result_ && e.ScanTree == &result_->Model()) {
    e.FreeDriveScan();
    e.ScanTree = nullptr;
  }
}

void TForm_DC::CreateModuleWindows() {
  options_ = new TForm_DC_Options(this);
  options_->DoCreate();
  result_ = new TForm_DC_Result(this, options_);
  result_->DoCreate();
}

void TForm_DC::ModuleCreate() {
  result_->FileTypeImages = options_->ImageList_Filetypes;
}

TranslateFn TForm_DC::Translator() const { return SectionTranslator(Name); }

// ---- the wizard's steps --------------------------------------------------

void TForm_DC::NextClick() {
  switch (State()) {
    case cleaning::WizardState::Start:
      if (RadioButton_Start->Checked()) {
        RunDriveSearch();
      } else if (RadioButton_Options->Checked()) {
        cleaning::ShowModalWindow(*options_);
      } else if (RadioButton_Update->Checked()) {
        SetState(cleaning::WizardState::LastPage);
      }
      break;
    case cleaning::WizardState::Results:
      DeleteMarkedFiles();
      break;
    default:
      break;
  }
}

void TForm_DC::ProgressTimerEvent() {
  const DriveScanEngine& e = DriveScan();
  if (e.ScanningPhase) {
    Label_DC_Laufwerk->SetCaption(e.CurrentDrive);
    Label_DC_Folder->SetCaption(e.CurrentFolder);
    Label_DC_Datei->SetCaption(e.CurrentFile);
    ProgressBar_DC_Search->SetPosition(e.ProgressPosition);
  } else if (e.CountingPhase) {
    Label_DC_Datei->SetCaption(std::to_string(e.FoldersCounted));
  }
  Label_DC_FoldersScanned->SetCaption(std::to_string(e.FoldersScanned));
  Label_DC_FilesExamined->SetCaption(std::to_string(e.FilesExamined));
  Label_DC_FilesFound->SetCaption(std::to_string(e.FilesFound));
  Label_DC_BytesFound->SetCaption(std::to_string(e.BytesFound));
}

void TForm_DC::SearchPassStarted(const PassStart& p) {
  switch (p.Kind) {
    case PassKind::SystemTemp:
    case PassKind::UserTemp:
    case PassKind::Minidump:
      Label_DC_Laufwerk->SetCaption(p.DriveLabel);
      Label_DC_Folder->SetCaption(p.FolderLabel);
      Label_DC_Datei->SetCaption("");
      break;
    case PassKind::Counting:
      ProgressBar_DC_Search->SetPosition(0);
      ProgressBar_DC_Search->SetMax(0);
      ProgressBar_DC_Search->SetVisible(false);
      Label_DC_Laufwerk->SetCaption(p.DriveLabel);
      Label_DC_Folder->SetCaption(p.FolderLabel);
      Label_DC_Datei->SetCaption("");
      ProgressTimerEvent();
      break;
    case PassKind::Scanning:
      ProgressBar_DC_Search->SetPosition(0);
      ProgressBar_DC_Search->SetMax(p.ProgressMax);
      ProgressBar_DC_Search->SetVisible(true);
      ProgressBar_DC_Search->Update();
      ProgressTimerEvent();
      break;
  }
}

void TForm_DC::RunDriveSearch() {
  RunWork([this] {
    const TranslateFn tr = Translator();
    const bool hideEmpty = cleaning::ReadHideEmptyCategories();
    AbortFlag = 0;
    DriveScanEngine& e = DriveScan();
    SearchSettings s = MakeSearchSettings(options_->CurrentSettings(), hideEmpty);
    if (s.Drives.empty()) {
      e.FreeDriveScan();
      lastSearch_ = SearchOutcome::NoDrives;
      Message(NoDrivesMessage(tr), MsgKind::Warning);
      ResetToStart();
      return;
    }

    SetState(cleaning::WizardState::Searching);
    Label_DC_Laufwerk->SetCaption("");
    Label_DC_Folder->SetCaption("");
    Label_DC_Datei->SetCaption("");
    ProgressBar_DC_Search->SetPosition(0);
    ProgressBar_DC_Search->SetVisible(true);
    result_->TargetCaption = LnkTargetCaption(tr);
    result_->FileTypeImages = options_->ImageList_Filetypes;

    SearchHooks hooks;
    hooks.Tr = tr;
    hooks.OnPass = [this](const PassStart& p) { SearchPassStarted(p); };
    const ScanEnvironment env = Environment ? *Environment : ScanEnvironment::FromSystem();
    JvThreadTimer_Progress->SetEnabled(true);
    SearchOutcome outcome = RunDriveSearchCore(e, result_->Model(), s, hooks, env);
    JvThreadTimer_Progress->SetEnabled(false);
    lastSearch_ = outcome;
    // The totals are shown as they now stand, zero included.
    result_->UpdateLabels();
    result_->Tree->Invalidate();

    if (outcome == SearchOutcome::Cancelled) {
      ResetToStart();
      return;
    }
    if (outcome == SearchOutcome::NothingFound && !OcoRunning) {
      Message(ZeroFoundMessage(tr), MsgKind::Information);
      ResetToStart();
      return;
    }
    SetState(cleaning::WizardState::Results);
    ShowDriveSearchSummary();
  });
}

void TForm_DC::ShowDriveSearchSummary() { JvLinkLabel_Result->SetCaption(SummaryText(DriveScan(), Translator())); }

void TForm_DC::DeleteMarkedFiles() {
  RunWork([this] {
    const TranslateFn tr = Translator();
    DriveScanEngine& e = DriveScan();
    e.FilesDeleted = e.DeleteErrors = e.BytesDeleted = 0;
    AbortFlag = 0;
    // The marks as they stand in the tree now.
    dc::RecomputeTotals(e, result_->Model());
    result_->UpdateLabels();
    if (e.FilesMarked <= 0) {
      Message(NothingSelectedMessage(tr), MsgKind::Warning);
      return;
    }
    if (!OcoRunning && Message(SureToDeleteMessage(tr), MsgKind::Warning, MsgButtons::YesNo) != IDYES) return;

    SetState(cleaning::WizardState::Deleting);
    ProgressBar_DC_Delete->SetRange(0, e.FilesMarked);
    ProgressBar_DC_Delete->SetPosition(0);
    Label_DC_Delete_File->SetCaption("");

    DeleteHooks hooks;
    hooks.Tr = tr;
    hooks.OnFile = [this](const std::string& path, int64_t position) {
      Label_DC_Delete_File->SetCaption(path);
      ProgressBar_DC_Delete->SetPosition(position);
    };
    hooks.OnTempCleanup = [this](const std::string& label) {
      Label_DC_Delete_File->SetCaption(label);
      ProgressBar_DC_Delete->SetPosition(0);
    };
    DeleteMarkedFilesCore(e, result_->Model(), options_->CurrentOptions(), hooks);
    result_->UpdateLabels();
    result_->Tree->Invalidate();

    if (!OcoRunning) {
      Message(DeletedMessage(e, tr), MsgKind::Information);
      ResetToStart();
    }
  });
}

void TForm_DC::Button_ResultsClick() {
  result_->RecomputeTotals();
  result_->SetWindowState(cleaning::ReadOpenMaximized() ? ui::WindowState::Maximized : ui::WindowState::Normal);
  cleaning::ShowModalWindow(*result_);
  // The user may have changed the marks.
  ShowDriveSearchSummary();
}

// ---- download of the exception lists -----------------------------------

void TForm_DC::Button_CheckNewExceptionsClick() {
  if (downloading_) return;
  Button_CheckNewExceptions->SetEnabled(false);
  ui::App().ProcessMessages();
  delete download_;
  download_ = new Download(ProjectIniPath(), AppDir);
  if (download_->refresh.State() != ExceptionListRefresh::Step::NeedFetch) {
    Message(kProjectIniError, MsgKind::Error);
    DownloadFinished();
    return;
  }
  downloading_ = true;
  StartFetch();
}

void TForm_DC::StartFetch() {
  NMHTTP_Update->MaxBodySize = kMaxListBytes;
  NMHTTP_Update->ReceiveTimeoutMs = DownloadTimeoutMs;
  NMHTTP_Update->ConnectTimeoutMs = DownloadTimeoutMs;
  Timer_UpdateTimeOut->SetInterval(DownloadTimeoutMs);
  Timer_UpdateTimeOut->SetEnabled(true);
  if (!NMHTTP_Update->Get(download_->refresh.Url())) {
    Timer_UpdateTimeOut->SetEnabled(false);
    FetchEnded(0, std::string());
  }
}

void TForm_DC::FetchEnded(int status, const std::string& body) {
  Timer_UpdateTimeOut->SetEnabled(false);
  if (!downloading_ || !download_) return;
  const TranslateFn tr = Translator();
  switch (download_->refresh.Take(status, body)) {
    case ExceptionListRefresh::Step::NeedFetch:
      StartFetch();
      return;
    case ExceptionListRefresh::Step::ProjectIniError:
      Message(kProjectIniError, MsgKind::Error);
      break;
    case ExceptionListRefresh::Step::Failed:
      NMHTTP_Update->Abort();
      Message(NewListsFailedMessage(tr), MsgKind::Error);
      break;
    case ExceptionListRefresh::Step::Done:
      // The user's own entries go to the registry first, then the tree shows
      // the new lists merged with them.
      options_->SaveDriveCleanerOptions();
      if (!options_->LoadDriveExceptions()) {
        DownloadFinished();
        ui::App().Terminate();
        Close();
        return;
      }
      Message(NewListsDownloadedMessage(tr), MsgKind::Information);
      break;
  }
  DownloadFinished();
}

void TForm_DC::DownloadFinished() {
  downloading_ = false;
  Button_CheckNewExceptions->SetEnabled(true);
}

// ---- the launch table's factory -------------------------------------------

ui::Form* CreateDriveCleanerWindow(ui::Component* owner) {
  std::unique_ptr<TForm_DC> window(new TForm_DC(owner));
  window->DoCreate();
  return window.release();
}

}  // namespace qz::dc
