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
  RadioButton_Update = AddStartPage(
      "Willkommen beim DLL Cleaner",
      "Der DLL Cleaner sucht DLL-Dateien, die unter demselben Namen mehrfach vorkommen und von denen eine Kopie "
      "im Windows- oder System-Ordner liegt, und sagt Ihnen zu jeder anderen Kopie, wie sie sich davon "
      "unterscheidet. Dieser Programmteil ist für erfahrene Benutzer gedacht.<br><br>Bitte wählen Sie, was Sie "
      "tun möchten, und klicken Sie dann auf <b>Weiter</b>.",
      {.Search = "Suche nach unnötigen, doppelten DLL-Dateien",
       .Options = "Einstellungen für diesen Programmteil jetzt bearbeiten",
       .OtherName = "RadioButton_Update",
       .Other = "Ausnahme-Liste per Internet aktualisieren"});

  // Page 1: search
  AddSearchPage("Suche nach doppelten DLL-Dateien",
                "Bitte haben Sie einen Moment Geduld. Je nach Größe Ihrer Laufwerke kann die Suche einige "
                "Minuten dauern.<br>Mit <b>Abbrechen</b> beenden Sie die Suche.");
  AddSearchLines(156, {{Label_DLL_Search_Drive, "Label_DLL_Search_Drive"},
                       {Label_DLL_Search_Folder, "Label_DLL_Search_Folder"},
                       {Label_DLL_Search_File, "Label_DLL_Search_File"}});

  // Page 2: result
  AddResultPage(
      "Die Suche ist abgeschlossen",
      "Nach der Suche ist nichts markiert. Mit <b>Details anzeigen</b> sehen Sie jede gefundene Kopie mit dem "
      "Grund, aus dem sie aufgeführt ist, und markieren, was entfernt werden soll.<br>Mit <b>Weiter</b> werden "
      "die markierten Dateien in den Papierkorb verschoben.");
  JvLinkLabel_ResultHint->SetBounds(16, 130, 600, 48);
  Button_Results->SetBounds(16, 190, 140, 25);

  // Page 3: delete
  AddDeletePage("Die markierten DLL-Dateien werden gelöscht");
  ProgressBar_DLL_Delete = AddProgressBar(TabSheet_Delete, "ProgressBar_DLL_Delete");
  AddDeletingFileLines({Label_DLL_Delete_Fixed, "Label_DLL_Delete_Fixed"},
                       {Label_DLL_Delete_File, "Label_DLL_Delete_File"});

  // Page 4: download of the exception lists
  AddDownloadPage(
      "DLL-Dateien in den Ordnern und mit den Namen der Ausnahme-Listen bietet der DLL Cleaner nie an. Mit "
      "<b>Downloaden</b> holen Sie die aktuellen Listen vom Server des Herstellers; Ihre eigenen Ausnahmen "
      "bleiben erhalten.",
      kDllCleanerLists, [this] { return ReloadLists(); });
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

// ---- the search page --------------------------------------------------------

void TForm_DLL::ProgressTimerEvent() {
  Label_DLL_Search_Drive->SetCaption(engine_.CurrentDrive);
  Label_DLL_Search_Folder->SetCaption(engine_.CurrentFolder);
  Label_DLL_Search_File->SetCaption(engine_.CurrentFile);
}

// ---- the cleaner wizard's hooks ----------------------------------------------

ui::Form* TForm_DLL::OptionsWindow() { return options_; }

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

// ---- the launch table's factory -------------------------------------------

ui::Form* CreateDllCleanerWindow(ui::Component* owner) { return cleaning::MakeModuleWindow<TForm_DLL>(owner); }

}  // namespace qz::dll
