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
  RadioButton_Update = AddStartPage(
      "Willkommen beim Drive Cleaner",
      "Der Drive Cleaner sucht auf Ihren Laufwerken nach überflüssigen Dateien: temporäre Dateien, "
      "Sicherungskopien, Reste von Programmen und Abstürzen. Sie sehen jede gefundene Datei und entscheiden "
      "selbst, welche in den Papierkorb verschoben wird.<br><br>Bitte wählen Sie, was Sie tun möchten, und "
      "klicken Sie dann auf <b>Weiter</b>.",
      {.Search = "Überflüssige Dateien jetzt suchen",
       .Options = "Einstellungen für diesen Programmteil jetzt bearbeiten",
       .OtherName = "RadioButton_Update",
       .Other = "Ausnahme-Liste per Internet aktualisieren"});

  // Page 1: search
  AddSearchPage("Suche nach überflüssigen Dateien",
                "Bitte haben Sie einen Moment Geduld. Je nach Größe Ihrer Laufwerke kann die Suche einige "
                "Minuten dauern.<br>Mit <b>Abbrechen</b> beenden Sie die Suche.");
  ProgressBar_DC_Search = AddProgressBar(TabSheet_Search, "ProgressBar_DC_Search");
  AddSearchLines(156, {{Label_DC_Laufwerk, "Label_DC_Laufwerk"},
                       {Label_DC_Folder, "Label_DC_Folder"},
                       {Label_DC_Datei, "Label_DC_Datei"}});
  AddCounterLabels({{Label_DC_FoldersScanned, "Label_DC_FoldersScanned"},
                    {Label_DC_FilesExamined, "Label_DC_FilesExamined"},
                    {Label_DC_FilesFound, "Label_DC_FilesFound"},
                    {Label_DC_BytesFound, "Label_DC_BytesFound"}});

  // Page 2: result
  AddResultPage("Die Suche ist abgeschlossen",
                "Mit <b>Details anzeigen</b> sehen Sie jede gefundene Datei und können die Auswahl ändern.<br>"
                "Mit <b>Weiter</b> werden die markierten Dateien in den Papierkorb verschoben.");

  // Page 3: delete
  AddDeletePage("Die markierten Dateien werden gelöscht");
  ProgressBar_DC_Delete = AddProgressBar(TabSheet_Delete, "ProgressBar_DC_Delete");
  AddDeletingFileLines({Label_DC_Delete_Fixed, "Label_DC_Delete_Fixed"},
                       {Label_DC_Delete_File, "Label_DC_Delete_File"});

  // Page 4: download of the exception lists
  AddDownloadPage(
      "Dateien in den Ordnern und mit den Namen der Ausnahme-Listen rührt der Drive Cleaner nie an. Mit "
      "<b>Downloaden</b> holen Sie die aktuellen Listen vom Server des Herstellers; Ihre eigenen Ausnahmen "
      "bleiben erhalten.",
      kDriveCleanerLists, [this] { return ReloadLists(); });

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

// ---- the search page --------------------------------------------------------

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

ui::Form* TForm_DC::OptionsWindow() { return options_; }

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
  return cleaning::WizardOutcome(outcome);
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

bool TForm_DC::ReloadLists() {
  // The user's own entries go to the registry first, then the tree shows the
  // new lists merged with them.
  options_->SaveDriveCleanerOptions();
  if (options_->LoadDriveExceptions()) return true;
  ui::App().Terminate();
  Close();
  return false;
}

// ---- the launch table's factory -------------------------------------------

ui::Form* CreateDriveCleanerWindow(ui::Component* owner) { return cleaning::MakeModuleWindow<TForm_DC>(owner); }

}  // namespace qz::dc
