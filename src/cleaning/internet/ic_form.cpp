#include "cleaning/internet/ic_form.h"

#include "cleaning/internet/ic_options.h"
#include "cleaning/internet/ic_result.h"
#include "core/globals.h"
#include "ui/form_translation.h"
#include "ui/graphics.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"
#include "ui/vtree_view.h"

namespace qz::ic {

namespace {

// No progress timer, no Cancel button: the window's Close button stays and a
// close during a run waits for it (the frame's rule).
const cleaning::ModuleInfo kInternetCleanerInfo{
    .Code = "IC", .Title = "Internet Cleaner", .Group = "Cleaning-Tools", .TimerInterval = 0, .HasCancel = false};

}  // namespace

TForm_ZAMO2_IC::TForm_ZAMO2_IC(ui::Component* owner, BrowserEnvironment env, UrlCacheSource* cache)
    : CleanerWizard(owner, "TForm_ZAMO2_IC", kInternetCleanerInfo), env_(env), engine_(std::move(env), cache) {
  // Page 0: start
  RadioButton_Verlauf = AddStartPage(
      "Willkommen beim Internet Cleaner",
      "Der Internet Cleaner entfernt die Spuren eines Browsers: den Cache, die Cookies (außer denen "
      "vertrauenswürdiger Seiten) und die Liste der besuchten Seiten. Sie sehen jeden Fund und entscheiden "
      "selbst, was gelöscht wird.<br><br>Bitte wählen Sie, was Sie tun möchten, und klicken Sie dann auf "
      "<b>Weiter</b>.",
      {.Search = "Suche starten",
       .Options = "Browser, Profile und Einstellungen festlegen",
       .OtherName = "RadioButton_Verlauf",
       .Other = "Windows-Verlauf leeren"});

  // Page 1: search
  AddSearchPage("Suche nach Internet-Spuren", "Bitte haben Sie einen Moment Geduld, der Browser wird untersucht.");
  ProgressBar_Search = AddProgressBar(TabSheet_Search, "ProgressBar_Search");
  ProgressBar_Search->SetVisible(false);

  // Page 2: result
  AddResultPage("Die Suche ist abgeschlossen",
                "Mit <b>Details anzeigen</b> sehen Sie jeden Fund und können die Auswahl ändern.<br>"
                "Mit <b>Weiter</b> werden die markierten Elemente gelöscht.");

  // Page 3: delete
  AddDeletePage("Die markierten Elemente werden gelöscht");
  ProgressBar_Delete = AddProgressBar(TabSheet_Delete, "ProgressBar_Delete");

  engine_.OnProgress = [this] { ProgressMoved(); };
  HistoryFolder = [this] { return std::make_unique<ShellHistoryNamespace>(Handle()); };
}

TForm_ZAMO2_IC::~TForm_ZAMO2_IC() { engine_.OnProgress = nullptr; }

void TForm_ZAMO2_IC::CreateModuleWindows() {
  engine_.Tr = Translator(*this);
  options_ = new TForm_ZAMO2_IC_Options(this, env_);
  options_->DoCreate();
  result_ = new TForm_InternetCleanerResult(this, engine_, options_);
  result_->DoCreate();
  engine_.BindTree(result_->Model());
}

void TForm_ZAMO2_IC::EmptyWindowsHistory() {
  RunWork([this] {
    std::unique_ptr<HistoryNamespace> ns = HistoryFolder();
    lastHistory_ = ClearHistoryFolder(*ns, Places);
    if (lastHistory_.Outcome == HistoryOutcome::Failed) Message(lastHistory_.Message, MsgKind::Error);
  });
}

void TForm_ZAMO2_IC::ProgressMoved() {
  ProgressBar_Search->SetPosition(engine_.SearchProgress().Position);
  ProgressBar_Delete->SetPosition(engine_.DeleteProgress().Position);
}

// ---- the cleaner wizard's hooks ----------------------------------------------

ui::Form* TForm_ZAMO2_IC::OptionsWindow() { return options_; }

bool TForm_ZAMO2_IC::PrepareSearch() {
  settings_ = options_->CurrentSettings();
  ProgressBar_Search->SetRange(0, settings_.CheckedCategories());
  ProgressBar_Search->SetPosition(0);
  if (settings_.CheckedCategories() > 0) return true;
  Message(NoElementSelectedText(engine_.Tr), MsgKind::Warning);
  return false;
}

cleaning::SearchOutcome TForm_ZAMO2_IC::Search() {
  result_->SetShowUrlColumn(settings_.SelectedBrowser == Browser::InternetExplorer);
  const ScanOutcome outcome = engine_.RunScan(settings_);
  // The totals as they now stand, zero included.
  result_->UpdateLabels();
  result_->Tree->Invalidate();
  switch (outcome) {
    case ScanOutcome::Found: return cleaning::SearchOutcome::Found;
    case ScanOutcome::Cancelled: return cleaning::SearchOutcome::Cancelled;
    default: return cleaning::SearchOutcome::NothingFound;
  }
}

void TForm_ZAMO2_IC::ShowSummary() { JvLinkLabel_Result->SetCaption(FoundSummaryText(engine_.Counts, engine_.Tr)); }

std::string TForm_ZAMO2_IC::NothingFoundText() { return NoElementsFoundText(engine_.Tr); }

int64_t TForm_ZAMO2_IC::CountMarked() {
  // The marks as they stand in the tree now.
  engine_.Recount();
  result_->UpdateLabels();
  return engine_.Counts.Totals.Marked;
}

std::string TForm_ZAMO2_IC::NothingMarkedText() { return NoElementsToDeleteText(engine_.Tr); }

cleaning::DeleteOutcome TForm_ZAMO2_IC::DeleteMarked() {
  settings_ = options_->CurrentSettings();
  ProgressBar_Delete->SetRange(0, engine_.Counts.Totals.Found);
  ProgressBar_Delete->SetPosition(0);
  const DeleteOutcome outcome = engine_.RunDelete(settings_);
  result_->UpdateLabels();
  result_->Tree->Invalidate();
  return outcome == DeleteOutcome::Stopped ? cleaning::DeleteOutcome::Stopped : cleaning::DeleteOutcome::Finished;
}

std::string TForm_ZAMO2_IC::DeletedText() { return ic::DeletedText(engine_.Counts, engine_.Tr); }

cleaning::ResultWindow* TForm_ZAMO2_IC::Results() { return result_; }

// ---- the launch table's factory -------------------------------------------

ui::Form* CreateInternetCleanerWindow(ui::Component* owner) {
  return cleaning::MakeModuleWindow<TForm_ZAMO2_IC>(owner);
}

}  // namespace qz::ic
