#include "cleaning/registry/rc_form.h"

#include <memory>

#include "cleaning/frame/backup_page.h"
#include "cleaning/frame/result_rules.h"
#include "cleaning/registry/rc_options.h"
#include "cleaning/registry/rc_result.h"
#include "core/globals.h"
#include "core/msgbox.h"
#include "core/text.h"
#include "ui/form_translation.h"
#include "ui/graphics.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"
#include "ui/vtree_view.h"

namespace qz::rc {

namespace {

const cleaning::ModuleInfo kRegistryCleanerInfo{.Code = "RC",
                                                .Title = "Registry Cleaner",
                                                .Group = "Cleaning-Tools",
                                                .TimerInterval = 500,
                                                .HasCancel = true,
                                                .TimerName = "JvThreadTimer_RegCleaner"};

}  // namespace

TForm_RC::TForm_RC(ui::Component* owner) : CleanerWizard(owner, "TForm_RC", kRegistryCleanerInfo) {
  // Page 0: start
  RadioButton_Backups = AddStartPage(
      "Willkommen beim Registry Cleaner",
      "Der Registry Cleaner sucht in der Registrierdatenbank nach Einträgen, deren Dateien nicht mehr "
      "vorhanden sind, und nach den Listen zuletzt benutzter Dateien. Vor dem Löschen wird jeder Eintrag in "
      "einem Backup gesichert, das Sie jederzeit zurückspielen können.<br><br>Bitte wählen Sie, was Sie tun "
      "möchten, und klicken Sie dann auf <b>Weiter</b>.",
      {.Search = "Unnötige Einträge in der Registrierdatenbank jetzt suchen",
       .Options = "Einstellungen für diesen Programmteil bearbeiten",
       .OtherName = "RadioButton_Backups",
       .Other = "Backups bearbeiten"});

  // Page 1: search
  AddSearchPage("Suche nach verwaisten Einträgen",
                "Bitte haben Sie einen Moment Geduld, die Registrierdatenbank wird untersucht.<br>Mit "
                "<b>Abbrechen</b> beenden Sie die Suche.");
  AddSearchLines(120,
                 {{Label_RC_Typ, "Label_RC_Typ"}, {Label_RC_Key, "Label_RC_Key"}, {Label_RC_Value, "Label_RC_Value"}});
  ProgressBar_RC_search = AddProgressBar(TabSheet_Search, "ProgressBar_RC_search", 212);
  AddCounterLabels({{Label_RC_ExaminedCount, "Label_RC_ExaminedCount"},
                    {Label_RC_FoundCount, "Label_RC_FoundCount"},
                    {Label_RC_CategoryDone, "Label_RC_CategoryDone"},
                    {Label_RC_CategoryTotal, "Label_RC_CategoryTotal"}});

  // Page 2: result
  AddResultPage("Verwaiste Einträge gefunden",
                "Mit <b>Details anzeigen</b> sehen Sie jeden gefundenen Eintrag und können die Auswahl ändern.<br>"
                "Mit <b>Weiter</b> werden die markierten Einträge gesichert und gelöscht.");

  // Page 3: delete
  AddDeletePage("Einträge werden gelöscht");
  ProgressBar_RC_Delete = AddProgressBar(TabSheet_Delete, "ProgressBar_RC_Delete");

  // Page 4: backups
  Backups = AddBackupsPage(
      "Backups bearbeiten",
      "Wählen Sie ein Backup und klicken Sie auf <b>Zurückspielen</b>, um seine Einträge wiederherzustellen.", "RC",
      true);
  Backups->Button_Restore->SetCaption("Zurückspielen");
  Backups->Button_Delete->SetCaption("Löschen");

  // ---- handlers
  engine_.SearchEvents.OnKind = [this](const KindChoice& k) { KindStarted(k); };
  engine_.DeleteEvents.OnProgress = [this](int32_t position) { ProgressBar_RC_Delete->SetPosition(position); };
  // The undo-file dialogs appear even while the optimizer drives the window.
  engine_.UndoFileError = [this](const std::string& text) {
    ShowMessageBox(IsWindowVisible(Handle()) ? Handle() : nullptr, text, MsgKind::Error);
  };
}

TForm_RC::~TForm_RC() {
  // The windows that show the engine's tree go before the engine.
  delete result_;
  delete options_;
}

void TForm_RC::CreateModuleWindows() {
  engine_.Tr = Translator(*this);
  options_ = new TForm_RC_Options(this);
  options_->DoCreate();
  engine_.Settings = options_->Location;
  result_ = new TForm_RC_Result(this, engine_);
  result_->DoCreate();
  result_->KindImages = options_->ImageList_REG;
  engine_.BindTree(result_->Model());
}

void TForm_RC::TranslateExtras() { TranslateTreeColumns(Name, *Backups->VirtualDrawTree_Backups); }

// ---- the search page --------------------------------------------------------

void TForm_RC::KindStarted(const KindChoice& k) {
  Label_RC_Typ->SetCaption(k.Name);
  Label_RC_Key->SetCaption("");
  Label_RC_Value->SetCaption("");
  ProgressBar_RC_search->SetRange(0, 0);
  ProgressBar_RC_search->SetPosition(0);
  ProgressBar_RC_search->Update();
}

void TForm_RC::ProgressTimerEvent() {
  const RegistryScanEngine& e = engine_.Scan;
  Label_RC_Key->SetCaption(e.CurrentKeyText);
  Label_RC_Value->SetCaption(e.CurrentValueText);
  ProgressBar_RC_search->SetMax(e.CategoryTotal);
  ProgressBar_RC_search->SetPosition(e.CategoryDone);
  Label_RC_ExaminedCount->SetCaption(std::to_string(e.ExaminedCount));
  Label_RC_FoundCount->SetCaption(std::to_string(e.FoundCount));
  Label_RC_CategoryDone->SetCaption(std::to_string(e.CategoryDone));
  Label_RC_CategoryTotal->SetCaption(std::to_string(e.CategoryTotal));
}

// ---- the cleaner wizard's hooks ----------------------------------------------

ui::Form* TForm_RC::OptionsWindow() { return options_; }

void TForm_RC::OtherChoice() {
  ListRegistryBackups();
  SetState(cleaning::WizardState::LastPage);
}

bool TForm_RC::PrepareSearch() {
  request_.Drives = options_->CheckedDrives();
  request_.Kinds = options_->CheckedKindList();
  request_.HideEmpty = cleaning::ReadHideEmptyCategories();
  if (!request_.Drives.empty()) return true;
  Message(NoDrivesMessage(engine_.Tr), MsgKind::Warning);
  return false;
}

cleaning::SearchOutcome TForm_RC::Search() {
  Label_RC_Typ->SetCaption("");
  Label_RC_Key->SetCaption("");
  Label_RC_Value->SetCaption("");
  ProgressBar_RC_search->SetPosition(0);
  result_->Captions = ResultCaptionsFrom(engine_.Tr);
  result_->KindImages = options_->ImageList_REG;
  const SearchOutcome outcome = engine_.RunSearch(request_);
  result_->RecountResults();
  result_->Tree->Invalidate();
  return cleaning::WizardOutcome(outcome);
}

void TForm_RC::ShowSummary() { JvLinkLabel_Result->SetCaption(SummaryText(engine_.Scan, engine_.Tr)); }

std::string TForm_RC::NothingFoundText() { return ZeroFoundMessage(engine_.Tr); }

int64_t TForm_RC::CountMarked() {
  RegistryScanEngine& e = engine_.Scan;
  e.DeletedCount = e.DeleteErrorCount = 0;
  // The marks as they stand in the tree now; none after a cancelled search.
  HasMarkedEntries(e, engine_.Tree());
  return e.MarkedCount;
}

std::string TForm_RC::NothingMarkedText() { return NothingSelectedMessage(engine_.Tr); }

std::string TForm_RC::ConfirmDeleteText() { return SureToDeleteMessage(engine_.Tr); }

cleaning::DeleteOutcome TForm_RC::DeleteMarked() {
  ProgressBar_RC_Delete->SetRange(0, engine_.Scan.MarkedCount);
  ProgressBar_RC_Delete->SetPosition(0);
  const DeleteResult r = engine_.RunDelete();
  result_->RecountResults();
  result_->Tree->Invalidate();
  return r.Outcome == DeleteOutcome::Done ? cleaning::DeleteOutcome::Finished : cleaning::DeleteOutcome::Stopped;
}

std::string TForm_RC::DeletedText() { return DeletedMessage(engine_.Scan, engine_.Tr); }

cleaning::ResultWindow* TForm_RC::Results() { return result_; }

// ---- the backups page -----------------------------------------------------

void TForm_RC::ListRegistryBackups() { Backups->ListRegistryBackups(); }

// ---- the launch table's factory -------------------------------------------

ui::Form* CreateRegistryCleanerWindow(ui::Component* owner) { return cleaning::MakeModuleWindow<TForm_RC>(owner); }

}  // namespace qz::rc
