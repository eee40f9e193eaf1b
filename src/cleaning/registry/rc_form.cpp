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
  TabSheet_Start = AddWizardPage("TabSheet_Start", "Start");
  Label_Start_Header = AddPageTitle(TabSheet_Start, "Label_Start_Header", "Willkommen beim Registry Cleaner");
  JvLinkLabel_Start = AddPageText(
      TabSheet_Start, "JvLinkLabel_Start",
      "Der Registry Cleaner sucht in der Registrierdatenbank nach Einträgen, deren Dateien nicht mehr "
      "vorhanden sind, und nach den Listen zuletzt benutzter Dateien. Vor dem Löschen wird jeder Eintrag in "
      "einem Backup gesichert, das Sie jederzeit zurückspielen können.<br><br>Bitte wählen Sie, was Sie tun "
      "möchten, und klicken Sie dann auf <b>Weiter</b>.",
      48, 90);
  RadioButton_Start = new ui::RadioButton(TabSheet_Start, "RadioButton_Start",
                                          "Unnötige Einträge in der Registrierdatenbank jetzt suchen");
  RadioButton_Start->SetBounds(40, 160, 560, 20);
  RadioButton_Start->SetChecked(true);
  RadioButton_Options = new ui::RadioButton(TabSheet_Start, "RadioButton_Options",
                                            "Einstellungen für diesen Programmteil bearbeiten");
  RadioButton_Options->SetBounds(40, 188, 560, 20);
  RadioButton_Backups = new ui::RadioButton(TabSheet_Start, "RadioButton_Backups", "Backups bearbeiten");
  RadioButton_Backups->SetBounds(40, 216, 560, 20);
  for (ui::RadioButton* r : {RadioButton_Start, RadioButton_Options, RadioButton_Backups}) {
    r->Tag = 1;
    r->SetTabStop(true);
  }

  // Page 1: search
  TabSheet_Search = AddWizardPage("TabSheet_Search", "Suche");
  Label_Search_Header = AddPageTitle(TabSheet_Search, "Label_Search_Header", "Suche nach verwaisten Einträgen");
  JvLinkLabel_Search = AddPageText(TabSheet_Search, "JvLinkLabel_Search",
                                   "Bitte haben Sie einen Moment Geduld, die Registrierdatenbank wird "
                                   "untersucht.<br>Mit <b>Abbrechen</b> beenden Sie die Suche.");
  JvLinkLabel_SearchNow = AddPageText(TabSheet_Search, "JvLinkLabel_SearchNow", "<b>Untersuche jetzt:</b>", 120, 16);
  Label_RC_Typ = AddLineLabel(TabSheet_Search, "Label_RC_Typ", 142);
  Label_RC_Key = AddLineLabel(TabSheet_Search, "Label_RC_Key", 162);
  Label_RC_Value = AddLineLabel(TabSheet_Search, "Label_RC_Value", 182);
  ProgressBar_RC_search = new ui::ProgressBar(TabSheet_Search, "ProgressBar_RC_search");
  ProgressBar_RC_search->SetBounds(16, 212, 608, 18);
  Label_RC_ExaminedCount = AddLineLabel(TabSheet_Search, "Label_RC_ExaminedCount", 250);
  Label_RC_FoundCount = AddLineLabel(TabSheet_Search, "Label_RC_FoundCount", 268);
  Label_RC_CategoryDone = AddLineLabel(TabSheet_Search, "Label_RC_CategoryDone", 286);
  Label_RC_CategoryTotal = AddLineLabel(TabSheet_Search, "Label_RC_CategoryTotal", 304);
  for (ui::Label* l : {Label_RC_ExaminedCount, Label_RC_FoundCount, Label_RC_CategoryDone, Label_RC_CategoryTotal})
    l->SetVisible(false);

  // Page 2: result
  const ResultPage result = AddResultPage(
      "Verwaiste Einträge gefunden",
      "Mit <b>Details anzeigen</b> sehen Sie jeden gefundenen Eintrag und können die Auswahl ändern.<br>"
      "Mit <b>Weiter</b> werden die markierten Einträge gesichert und gelöscht.");
  TabSheet_Result = result.Sheet;
  Label_Result_Header = result.Header;
  JvLinkLabel_Result = result.Summary;
  JvLinkLabel_ResultHint = result.Hint;
  Button_Results = result.Details;

  // Page 3: delete
  TabSheet_Delete = AddWizardPage("TabSheet_Delete", "Delete");
  Label_Delete_Header = AddPageTitle(TabSheet_Delete, "Label_Delete_Header", "Einträge werden gelöscht");
  ProgressBar_RC_Delete = new ui::ProgressBar(TabSheet_Delete, "ProgressBar_RC_Delete");
  ProgressBar_RC_Delete->SetBounds(16, 120, 608, 18);

  // Page 4: backups
  TabSheet_Backups = AddWizardPage("TabSheet_Backups", "Backups");
  Label_Backups_Header = AddPageTitle(TabSheet_Backups, "Label_Backups_Header", "Backups bearbeiten");
  JvLinkLabel_Backups = AddPageText(TabSheet_Backups, "JvLinkLabel_Backups",
                                    "Wählen Sie ein Backup und klicken Sie auf <b>Zurückspielen</b>, um seine "
                                    "Einträge wiederherzustellen.",
                                    40, 18);
  Backups = new cleaning::BackupPage(this, TabSheet_Backups, "RC", true);
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

// ---- the wizard's steps --------------------------------------------------

void TForm_RC::NextClick() {
  switch (State()) {
    case cleaning::WizardState::Start:
      if (RadioButton_Start->Checked()) {
        RunRegistrySearch();
      } else if (RadioButton_Options->Checked()) {
        cleaning::ShowModalWindow(*options_);
      } else if (RadioButton_Backups->Checked()) {
        ListRegistryBackups();
        SetState(cleaning::WizardState::LastPage);
      }
      break;
    case cleaning::WizardState::Results:
      DeleteMarkedEntries();
      break;
    default:
      break;
  }
}

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
  switch (outcome) {
    case SearchOutcome::Found: return cleaning::SearchOutcome::Found;
    case SearchOutcome::NothingFound: return cleaning::SearchOutcome::NothingFound;
    default: return cleaning::SearchOutcome::Cancelled;
  }
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

ui::Form* CreateRegistryCleanerWindow(ui::Component* owner) {
  std::unique_ptr<TForm_RC> window(new TForm_RC(owner));
  window->DoCreate();
  return window.release();
}

}  // namespace qz::rc
