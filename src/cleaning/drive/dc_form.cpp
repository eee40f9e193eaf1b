#include "cleaning/drive/dc_form.h"

#include <memory>

#include "cleaning/drive/dc_options.h"
#include "cleaning/drive/dc_result.h"
#include "cleaning/frame/list_download.h"
#include "core/globals.h"
#include "ui/application.h"
#include "ui/form_translation.h"
#include "ui/graphics.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"
#include "ui/timer.h"
#include "ui/vtree_view.h"

namespace qz::dc {

namespace {

const cleaning::ModuleInfo kDriveCleanerInfo{
    .Code = "DC", .Title = "Drive Cleaner", .Group = "Cleaning-Tools", .TimerInterval = 500, .HasCancel = true};

const cleaning::ExceptionLists kDriveCleanerLists{
    .FolderKey = "DC_Folders", .FileKey = "DC_Files", .FolderFile = "DC-Folders.txt", .FileFile = "DC-Files.txt"};

}  // namespace

TForm_DC::TForm_DC(ui::Component* owner) : CleanerWizard(owner, "TForm_DC", kDriveCleanerInfo) {
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
  RadioButton_Start =
      cleaning::AddChoice(TabSheet_Start, "RadioButton_Start", "Überflüssige Dateien jetzt suchen", 40, 160);
  RadioButton_Start->SetChecked(true);
  RadioButton_Options = cleaning::AddChoice(TabSheet_Start, "RadioButton_Options",
                                            "Einstellungen für diesen Programmteil jetzt bearbeiten", 40, 188);
  RadioButton_Update = cleaning::AddChoice(TabSheet_Start, "RadioButton_Update",
                                           "Ausnahme-Liste per Internet aktualisieren", 40, 216);

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
  Label_DC_Laufwerk = AddLineLabel(TabSheet_Search, "Label_DC_Laufwerk", 178);
  Label_DC_Folder = AddLineLabel(TabSheet_Search, "Label_DC_Folder", 198);
  Label_DC_Datei = AddLineLabel(TabSheet_Search, "Label_DC_Datei", 218);
  Label_DC_FoldersScanned = AddLineLabel(TabSheet_Search, "Label_DC_FoldersScanned", 250);
  Label_DC_FilesExamined = AddLineLabel(TabSheet_Search, "Label_DC_FilesExamined", 268);
  Label_DC_FilesFound = AddLineLabel(TabSheet_Search, "Label_DC_FilesFound", 286);
  Label_DC_BytesFound = AddLineLabel(TabSheet_Search, "Label_DC_BytesFound", 304);
  for (ui::Label* l : {Label_DC_FoldersScanned, Label_DC_FilesExamined, Label_DC_FilesFound, Label_DC_BytesFound})
    l->SetVisible(false);

  // Page 2: result
  const ResultPage result = AddResultPage(
      "Die Suche ist abgeschlossen",
      "Mit <b>Details anzeigen</b> sehen Sie jede gefundene Datei und können die Auswahl ändern.<br>"
      "Mit <b>Weiter</b> werden die markierten Dateien in den Papierkorb verschoben.");
  TabSheet_Result = result.Sheet;
  Label_Result_Header = result.Header;
  JvLinkLabel_Result = result.Summary;
  JvLinkLabel_ResultHint = result.Hint;
  Button_Results = result.Details;

  // Page 3: delete
  TabSheet_Delete = AddWizardPage("TabSheet_Delete", "Delete");
  Label_Delete_Header = AddPageTitle(TabSheet_Delete, "Label_Delete_Header", "Die markierten Dateien werden gelöscht");
  ProgressBar_DC_Delete = new ui::ProgressBar(TabSheet_Delete, "ProgressBar_DC_Delete");
  ProgressBar_DC_Delete->SetBounds(16, 120, 608, 18);
  Label_DC_Delete_Fixed = new ui::Label(TabSheet_Delete, "Label_DC_Delete_Fixed", "Lösche Datei:");
  Label_DC_Delete_Fixed->SetBounds(16, 156, 200, 16);
  Label_DC_Delete_Fixed->Tag = 1;
  Label_DC_Delete_File = AddLineLabel(TabSheet_Delete, "Label_DC_Delete_File", 176);

  // Page 4: download of the exception lists
  const DownloadPage download = AddDownloadPage(
      "Dateien in den Ordnern und mit den Namen der Ausnahme-Listen rührt der Drive Cleaner nie an. Mit "
      "<b>Downloaden</b> holen Sie die aktuellen Listen vom Server des Herstellers; Ihre eigenen Ausnahmen "
      "bleiben erhalten.",
      kDriveCleanerLists, [this] { return ReloadLists(); });
  TabSheet_Download = download.Sheet;
  Label_Download_Header = download.Header;
  JvLinkLabel_Download = download.Text;
  Button_CheckNewExceptions = download.Start;
  ListDownload = download.Download;
  Timer_UpdateTimeOut = ListDownload->TimeOut;

  // ---- handlers
  engine_.SearchEvents.OnPass = [this](const PassStart& p) { SearchPassStarted(p); };
  engine_.DeleteEvents.OnFile = [this](const std::string& path, int64_t position) {
    Label_DC_Delete_File->SetCaption(path);
    ProgressBar_DC_Delete->SetPosition(position);
  };
  engine_.DeleteEvents.OnTempCleanup = [this](const std::string& label) {
    Label_DC_Delete_File->SetCaption(label);
    ProgressBar_DC_Delete->SetPosition(0);
  };
}

TForm_DC::~TForm_DC() {
  // The windows that show the engine's tree go before the engine.
  delete result_;
  delete options_;
}

void TForm_DC::CreateModuleWindows() {
  engine_.Tr = Translator(*this);
  options_ = new TForm_DC_Options(this);
  options_->DoCreate();
  result_ = new TForm_DC_Result(this, engine_, options_);
  result_->DoCreate();
  engine_.BindTree(result_->Model());
}

void TForm_DC::ModuleCreate() { result_->FileTypeImages = options_->ImageList_Filetypes; }

// ---- the wizard's steps --------------------------------------------------

void TForm_DC::NextClick() {
  if (State() == cleaning::WizardState::Start)
    ChooseOnStartPage(RadioButton_Start, RadioButton_Options, *options_, RadioButton_Update);
  else if (State() == cleaning::WizardState::Results)
    DeleteMarkedFiles();
}

void TForm_DC::ProgressTimerEvent() {
  const DriveScanEngine& e = engine_.Scan;
  if (e.ScanningPhase || e.CountingPhase) {
    const cleaning::CleanerProgress p = engine_.Progress();
    Label_DC_Laufwerk->SetCaption(p.Line1);
    Label_DC_Folder->SetCaption(p.Line2);
    Label_DC_Datei->SetCaption(p.Line3);
    if (e.ScanningPhase) ProgressBar_DC_Search->SetPosition(p.Position);
  }
  Label_DC_FoldersScanned->SetCaption(std::to_string(e.FoldersScanned));
  Label_DC_FilesExamined->SetCaption(std::to_string(e.FilesExamined));
  Label_DC_FilesFound->SetCaption(std::to_string(e.Totals.Found));
  Label_DC_BytesFound->SetCaption(std::to_string(e.Totals.FoundBytes));
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

// ---- the cleaner wizard's hooks ----------------------------------------------

bool TForm_DC::PrepareSearch() {
  settings_ = MakeSearchSettings(options_->CurrentSettings(), cleaning::ReadHideEmptyCategories());
  if (!settings_.Drives.empty()) return true;
  engine_.RunSearch(settings_);  // no drive: the engine only drops the last search's lists
  Message(NoDrivesMessage(engine_.Tr), MsgKind::Warning);
  return false;
}

cleaning::SearchOutcome TForm_DC::Search() {
  Label_DC_Laufwerk->SetCaption("");
  Label_DC_Folder->SetCaption("");
  Label_DC_Datei->SetCaption("");
  ProgressBar_DC_Search->SetPosition(0);
  ProgressBar_DC_Search->SetVisible(true);
  result_->TargetCaption = LnkTargetCaption(engine_.Tr);
  result_->FileTypeImages = options_->ImageList_Filetypes;
  const SearchOutcome outcome = engine_.RunSearch(settings_);
  // The totals are shown as they now stand, zero included.
  result_->UpdateLabels();
  result_->Tree->Invalidate();
  switch (outcome) {
    case SearchOutcome::Found: return cleaning::SearchOutcome::Found;
    case SearchOutcome::NothingFound: return cleaning::SearchOutcome::NothingFound;
    default: return cleaning::SearchOutcome::Cancelled;
  }
}

void TForm_DC::ShowSummary() { JvLinkLabel_Result->SetCaption(SummaryText(engine_.Scan, engine_.Tr)); }

std::string TForm_DC::NothingFoundText() { return ZeroFoundMessage(engine_.Tr); }

int64_t TForm_DC::CountMarked() {
  DriveScanEngine& e = engine_.Scan;
  e.FilesDeleted = e.DeleteErrors = e.BytesDeleted = 0;
  // The marks as they stand in the tree now.
  RecomputeTotals(e, engine_.Tree());
  result_->UpdateLabels();
  return e.Totals.Marked;
}

std::string TForm_DC::NothingMarkedText() { return NothingSelectedMessage(engine_.Tr); }

std::string TForm_DC::ConfirmDeleteText() { return SureToDeleteMessage(engine_.Tr); }

cleaning::DeleteOutcome TForm_DC::DeleteMarked() {
  ProgressBar_DC_Delete->SetRange(0, engine_.Scan.Totals.Marked);
  ProgressBar_DC_Delete->SetPosition(0);
  Label_DC_Delete_File->SetCaption("");
  engine_.RunDelete(options_->CurrentOptions());
  result_->UpdateLabels();
  result_->Tree->Invalidate();
  return cleaning::DeleteOutcome::Finished;
}

std::string TForm_DC::DeletedText() { return DeletedMessage(engine_.Scan, engine_.Tr); }

cleaning::ResultWindow* TForm_DC::Results() { return result_; }

// ---- download of the exception lists -----------------------------------

bool TForm_DC::Downloading() const { return ListDownload->Running(); }

bool TForm_DC::ReloadLists() {
  // The user's own entries go to the registry first, then the tree shows the
  // new lists merged with them.
  options_->SaveDriveCleanerOptions();
  if (options_->LoadDriveExceptions()) return true;
  ui::App().Terminate();
  Close();
  return false;
}

void TForm_DC::Button_CheckNewExceptionsClick() { Button_CheckNewExceptions->Click(); }

// ---- the launch table's factory -------------------------------------------

ui::Form* CreateDriveCleanerWindow(ui::Component* owner) {
  std::unique_ptr<TForm_DC> window(new TForm_DC(owner));
  window->DoCreate();
  return window.release();
}

}  // namespace qz::dc
