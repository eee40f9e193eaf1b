#include "cleaning/dll/dll_form.h"

#include <memory>

#include "cleaning/dll/dll_options.h"
#include "cleaning/dll/dll_result.h"
#include "cleaning/frame/list_download.h"
#include "core/globals.h"
#include "ui/form_translation.h"
#include "ui/graphics.h"
#include "ui/listview.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"
#include "ui/vtree_view.h"

namespace qz::dll {

namespace {

const cleaning::ModuleInfo kDllCleanerInfo{.Code = "DLL",
                                           .Title = "DLL Cleaner",
                                           .Group = "Cleaning-Tools",
                                           .TimerInterval = 250,
                                           .HasCancel = true,
                                           .TimerName = "JvThreadTimer_DLLCleanerTimer"};

const cleaning::ExceptionLists kDllCleanerLists{
    .FolderKey = "DLL_Folders", .FileKey = "DLL_Files", .FolderFile = "DLL-Folders.txt", .FileFile = "DLL-Files.txt"};

}  // namespace

TForm_DLL::TForm_DLL(ui::Component* owner) : CleanerWizard(owner, "TForm_DLL", kDllCleanerInfo) {
  // Page 0: start
  TabSheet_Start = AddWizardPage("TabSheet_Start", "Start");
  Label_Start_Header = AddPageTitle(TabSheet_Start, "Label_Start_Header", "Willkommen beim DLL Cleaner");
  JvLinkLabel_Start = AddPageText(
      TabSheet_Start, "JvLinkLabel_Start",
      "Der DLL Cleaner sucht DLL-Dateien, die unter demselben Namen mehrfach vorkommen und von denen eine Kopie "
      "im Windows- oder System-Ordner liegt, und sagt Ihnen zu jeder anderen Kopie, wie sie sich davon "
      "unterscheidet. Dieser Programmteil ist für erfahrene Benutzer gedacht.<br><br>Bitte wählen Sie, was Sie "
      "tun möchten, und klicken Sie dann auf <b>Weiter</b>.",
      48, 90);
  RadioButton_Start =
      cleaning::AddChoice(TabSheet_Start, "RadioButton_Start", "Suche nach unnötigen, doppelten DLL-Dateien", 40, 160);
  RadioButton_Start->SetChecked(true);
  RadioButton_Options = cleaning::AddChoice(TabSheet_Start, "RadioButton_Options",
                                            "Einstellungen für diesen Programmteil jetzt bearbeiten", 40, 188);
  RadioButton_Update = cleaning::AddChoice(TabSheet_Start, "RadioButton_Update",
                                           "Ausnahme-Liste per Internet aktualisieren", 40, 216);

  // Page 1: search
  TabSheet_Search = AddWizardPage("TabSheet_Search", "Suche");
  Label_Search_Header = AddPageTitle(TabSheet_Search, "Label_Search_Header", "Suche nach doppelten DLL-Dateien");
  JvLinkLabel_Search = AddPageText(TabSheet_Search, "JvLinkLabel_Search",
                                   "Bitte haben Sie einen Moment Geduld. Je nach Größe Ihrer Laufwerke kann die "
                                   "Suche einige Minuten dauern.<br>Mit <b>Abbrechen</b> beenden Sie die Suche.");
  JvLinkLabel_SearchNow = AddPageText(TabSheet_Search, "JvLinkLabel_SearchNow", "<b>Untersuche jetzt:</b>", 156, 16);
  Label_DLL_Search_Drive = AddLineLabel(TabSheet_Search, "Label_DLL_Search_Drive", 178);
  Label_DLL_Search_Folder = AddLineLabel(TabSheet_Search, "Label_DLL_Search_Folder", 198);
  Label_DLL_Search_File = AddLineLabel(TabSheet_Search, "Label_DLL_Search_File", 218);

  // Page 2: result
  const ResultPage result = AddResultPage(
      "Die Suche ist abgeschlossen",
      "Nach der Suche ist nichts markiert. Mit <b>Details anzeigen</b> sehen Sie jede gefundene Kopie mit dem "
      "Grund, aus dem sie aufgeführt ist, und markieren, was entfernt werden soll.<br>Mit <b>Weiter</b> werden "
      "die markierten Dateien in den Papierkorb verschoben.");
  TabSheet_Result = result.Sheet;
  Label_Result_Header = result.Header;
  JvLinkLabel_Result = result.Summary;
  JvLinkLabel_ResultHint = result.Hint;
  Button_Results = result.Details;
  JvLinkLabel_ResultHint->SetBounds(16, 130, 600, 48);
  Button_Results->SetBounds(16, 190, 140, 25);

  // Page 3: delete
  TabSheet_Delete = AddWizardPage("TabSheet_Delete", "Delete");
  Label_Delete_Header =
      AddPageTitle(TabSheet_Delete, "Label_Delete_Header", "Die markierten DLL-Dateien werden gelöscht");
  ProgressBar_DLL_Delete = new ui::ProgressBar(TabSheet_Delete, "ProgressBar_DLL_Delete");
  ProgressBar_DLL_Delete->SetBounds(16, 120, 608, 18);
  Label_DLL_Delete_Fixed = new ui::Label(TabSheet_Delete, "Label_DLL_Delete_Fixed", "Lösche Datei:");
  Label_DLL_Delete_Fixed->SetBounds(16, 156, 200, 16);
  Label_DLL_Delete_Fixed->Tag = 1;
  Label_DLL_Delete_File = AddLineLabel(TabSheet_Delete, "Label_DLL_Delete_File", 176);

  // Page 4: download of the exception lists
  const DownloadPage download = AddDownloadPage(
      "DLL-Dateien in den Ordnern und mit den Namen der Ausnahme-Listen bietet der DLL Cleaner nie an. Mit "
      "<b>Downloaden</b> holen Sie die aktuellen Listen vom Server des Herstellers; Ihre eigenen Ausnahmen "
      "bleiben erhalten.",
      kDllCleanerLists, [this] { return ReloadLists(); });
  TabSheet_Download = download.Sheet;
  Label_Download_Header = download.Header;
  JvLinkLabel_Download = download.Text;
  Button_CheckNewExceptions = download.Start;
  ListDownload = download.Download;
  Timer_UpdateTimeOut = ListDownload->TimeOut;
}

TForm_DLL::~TForm_DLL() {
  // The windows that show the engine's rows go before the engine.
  delete result_;
  delete options_;
}

void TForm_DLL::CreateModuleWindows() {
  options_ = new TForm_DLL_Options(this);
  options_->DoCreate();
  result_ = new TForm_DLL_Result(this, totals_);
  result_->DoCreate();
}

// ---- the wizard's steps --------------------------------------------------

void TForm_DLL::NextClick() {
  if (State() == cleaning::WizardState::Start)
    ChooseOnStartPage(RadioButton_Start, RadioButton_Options, *options_, RadioButton_Update);
  else if (State() == cleaning::WizardState::Results)
    DeleteMarkedDlls();
}

void TForm_DLL::ProgressTimerEvent() {
  Label_DLL_Search_Drive->SetCaption(engine_.CurrentDrive);
  Label_DLL_Search_Folder->SetCaption(engine_.CurrentFolder);
  Label_DLL_Search_File->SetCaption(engine_.CurrentFile);
}

// ---- the cleaner wizard's hooks ----------------------------------------------

bool TForm_DLL::PrepareSearch() {
  const TranslateFn tr = Translator(*this);
  const DllOptions o = options_->CurrentOptions();
  const std::string letters = cleaning::CheckedDriveLetters(o.Drives);
  switch (CheckDllSearchStart(letters, engine_.Folders.WinDir)) {
    case DllSearchStart::NoDrives:
      Message(NoDrivesMessage(tr), MsgKind::Warning);
      return false;
    case DllSearchStart::NoWinDrive:
      Message(NoWinDriveMessage(tr), MsgKind::Warning);
      return false;
    case DllSearchStart::Ok:
      break;
  }
  if (Message(SureToSearchMessage(tr), MsgKind::Question, MsgButtons::YesNo) != IDYES) return false;
  engine_.DriveLetters = letters;
  engine_.ExceptionFiles = o.Files;
  engine_.ExceptionFolders = o.Folders;
  engine_.Options = {o.WriteProtected, o.SameSize, o.SameVersion, o.Both};
  return true;
}

cleaning::SearchOutcome TForm_DLL::Search() {
  for (ui::Label* l : {Label_DLL_Search_Drive, Label_DLL_Search_Folder, Label_DLL_Search_File}) l->SetCaption("");
  result_->NotAvailableText = kNotAvailable;
  result_->Model().Clear();
  totals_ = {};
  engine_.AnalyzeDlls();
  if (AbortFlag == 1) {
    engine_.ClearFileLists();
    result_->RecountDllSelection();
    return cleaning::SearchOutcome::Cancelled;
  }
  BuildDllRows(engine_, result_->Model());
  engine_.ClearFileLists();
  result_->RecountDllSelection();
  return totals_.Found > 0 ? cleaning::SearchOutcome::Found : cleaning::SearchOutcome::NothingFound;
}

void TForm_DLL::ShowDllSummary() {
  JvLinkLabel_Result->SetCaption(
      SummaryText(totals_, engine_.DllFilesSeen, engine_.FoldersEntered, Translator(*this)));
}

std::string TForm_DLL::NothingFoundText() { return NothingFoundMessage(Translator(*this)); }

int64_t TForm_DLL::CountMarked() {
  result_->RecountDllSelection();
  return totals_.Marked;
}

std::string TForm_DLL::NothingMarkedText() { return DeleteZeroSelectedMessage(Translator(*this)); }

std::string TForm_DLL::ConfirmDeleteText() { return SureToDeleteMessage(Translator(*this)); }

cleaning::DeleteOutcome TForm_DLL::DeleteMarked() {
  ProgressBar_DLL_Delete->SetRange(0, totals_.Marked);
  ProgressBar_DLL_Delete->SetPosition(0);
  Label_DLL_Delete_File->SetCaption("");
  DllDeleteHooks hooks;
  hooks.OnFile = [this](const std::string& path, int64_t position) {
    Label_DLL_Delete_File->SetCaption(path);
    ProgressBar_DLL_Delete->SetPosition(position);
  };
  lastDelete_ = DeleteMarkedDllsCore(result_->Model(), engine_.Folders, hooks);
  result_->RecountDllSelection();
  // The counts are reported whether or not the delete was cancelled.
  return cleaning::DeleteOutcome::Finished;
}

std::string TForm_DLL::DeletedText() { return DeletedMessage(lastDelete_, Translator(*this)); }

cleaning::ResultWindow* TForm_DLL::Results() { return result_; }

// ---- download of the exception lists -----------------------------------

bool TForm_DLL::ReloadLists() {
  // The user's own entries go to the registry first, then the lists are
  // built anew from the new files merged with them.
  options_->SaveDllOptions();
  options_->LoadDllOptions();
  return true;
}

void TForm_DLL::Button_CheckNewExceptionsClick() { Button_CheckNewExceptions->Click(); }

// ---- the launch table's factory -------------------------------------------

ui::Form* CreateDllCleanerWindow(ui::Component* owner) {
  std::unique_ptr<TForm_DLL> window(new TForm_DLL(owner));
  window->DoCreate();
  return window.release();
}

}  // namespace qz::dll
