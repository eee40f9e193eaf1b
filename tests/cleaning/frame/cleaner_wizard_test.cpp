// The cleaner wizard with a tiny module of the test's own: the state table,
// the search -> results -> delete flow and its boxes, Cancel during a search
// and during a delete, a close during a run, an error escaping a run, what
// OcoRunning changes, a module without timer and Cancel, and the shared
// result window's commands.
#include <gtest/gtest.h>

#include <stdexcept>

#include "cleaning/frame/cleaner_wizard.h"
#include "cleaning/frame/result_window.h"
#include "cleaning/frame/wizard_states.h"
#include "core/globals.h"
#include "core/pump.h"
#include "core/registry.h"
#include "support/module_window_test.h"
#include "ui/application.h"
#include "ui/form_translation.h"
#include "ui/graphics.h"
#include "ui/menu.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"
#include "ui/timer.h"
#include "ui/vtree_view.h"

namespace qz::cleaning {
namespace {

struct Hit {
  std::string Name;
  int64_t Size = 0;
  bool Category = false;
};

// The module's engine: "finds" a list of names, one per step, pumping and
// testing AbortFlag between them as every engine does.
struct FakeEngine {
  std::vector<std::pair<std::string, int64_t>> Items;
  ui::VTreeModel* Tree = nullptr;
  ResultTotals Totals;
  int Deleted = 0;
  // Called before step i of a search or a delete (tests click, close, throw).
  std::function<void(int i)> DuringSearch, DuringDelete;

  SearchOutcome Search() {
    AbortFlag = 0;
    Tree->Clear();
    ui::VNode* cat = Tree->AddChild(nullptr, Hit{"Category", 0, true});
    Tree->SetCheckType(cat, ui::CheckType::TriState);
    for (int i = 0; i < static_cast<int>(Items.size()); ++i) {
      if (DuringSearch) DuringSearch(i);
      PumpMessages();
      if (AbortFlag == 1) return SearchOutcome::Cancelled;
      ui::VNode* n = Tree->AddChild(cat, Hit{Items[i].first, Items[i].second, false});
      Tree->SetCheckType(n, ui::CheckType::TriState);
      Tree->SetCheckState(n, ui::CheckState::Checked);
    }
    return Items.empty() ? SearchOutcome::NothingFound : SearchOutcome::Found;
  }
  // True when it ran to the end.
  bool DeleteMarked() {
    Deleted = 0;
    int i = 0;
    for (ui::VNode* n : Tree->AllNodes()) {
      if (Tree->Data<Hit>(n).Category || Tree->GetCheckState(n) != ui::CheckState::Checked) continue;
      if (DuringDelete) DuringDelete(i++);
      PumpMessages();
      if (AbortFlag == 1) return false;
      Tree->DeleteNode(n);
      ++Deleted;
    }
    return true;
  }
};

EntryFacts FindFacts(const ui::VTreeModel& t, ui::VNode* n) {
  const Hit& f = t.Data<Hit>(n);
  return {!f.Category, f.Size};
}

class FakeResult : public ResultWindow {
 public:
  FakeResult(ui::Component* owner, FakeEngine& e) : ResultWindow(owner, "TForm_XC_Result", "Tree_XC", "XC") {
    Tree->AddColumn("Name", 200);
    Tree->AddColumn("Size", 80);
    Model().SetRecordType<Hit>();
    BindTotals(e.Totals);
  }
  int totalsShown = 0;

 protected:
  EntryFacts Entry(ui::VNode* n) const override { return FindFacts(Tree->Tree(), n); }
  int Compare(ui::VNode* a, ui::VNode* b, int column) const override {
    const Hit& x = Tree->Tree().Data<Hit>(a);
    const Hit& y = Tree->Tree().Data<Hit>(b);
    if (column == 1) return x.Size < y.Size ? -1 : (y.Size < x.Size ? 1 : 0);
    return x.Name < y.Name ? -1 : (y.Name < x.Name ? 1 : 0);
  }
  void TotalsChanged() override { ++totalsShown; }
};

ModuleInfo CleanerInfo(bool timerAndCancel) {
  ModuleInfo i{.Code = "XC", .Title = "X Cleaner", .Group = "Cleaning-Tools"};
  if (timerAndCancel) {
    i.TimerInterval = 250;
    i.HasCancel = true;
  }
  return i;
}

class FakeCleaner : public CleanerWizard {
 public:
  explicit FakeCleaner(bool timerAndCancel = true)
      : CleanerWizard(nullptr, "TForm_XC", CleanerInfo(timerAndCancel)) {
    for (const char* page : {"Start", "Suche", "Ergebniss", "Delete", "Download"}) AddWizardPage(page, page);
    Summary = new ui::Label(JvPageControl1->Page(2), "Label_Summary");
  }
  FakeEngine engine;
  ui::Label* Summary;
  bool prepareOk = true;
  bool stopOnCancel = false;    // a cancelled delete ends without the count
  bool timerOnInSearch = false;
  DeleteOutcome lastDelete = DeleteOutcome::Finished;

 protected:
  void CreateModuleWindows() override {
    result_ = new FakeResult(this, engine);
    result_->DoCreate();
    engine.Tree = &result_->Model();
  }
  void NextClick() override {
    if (State() == WizardState::Start) RunSearch();
    else if (State() == WizardState::Results) RunDelete();
  }
  bool PrepareSearch() override {
    if (!prepareOk) Message("no drive", MsgKind::Warning);
    return prepareOk;
  }
  SearchOutcome Search() override {
    timerOnInSearch = ProgressTimer && ProgressTimer->Enabled();
    const SearchOutcome outcome = engine.Search();
    result_->RecomputeTotals();
    return outcome;
  }
  void ShowSummary() override {
    Summary->SetCaption(std::to_string(engine.Totals.Marked) + " of " + std::to_string(engine.Totals.Found));
  }
  std::string NothingFoundText() override { return "nothing found"; }
  int64_t CountMarked() override {
    result_->RecomputeTotals();
    return engine.Totals.Marked;
  }
  std::string NothingMarkedText() override { return "nothing marked"; }
  std::string ConfirmDeleteText() override { return "sure?"; }
  DeleteOutcome DeleteMarked() override {
    const bool done = engine.DeleteMarked();
    lastDelete = !done && stopOnCancel ? DeleteOutcome::Stopped : DeleteOutcome::Finished;
    return lastDelete;
  }
  std::string DeletedText() override { return std::to_string(engine.Deleted) + " deleted"; }
  ResultWindow* Results() override { return result_; }

 public:
  FakeResult* result_ = nullptr;
};

using Row = test::StateRow;
const Row& kStart = test::kStartRow;
const Row& kSearching = test::kSearchingRow;
const Row& kResults = test::kResultsRow;
const Row& kDeleting = test::kDeletingRow;
const Row& kLastPage = test::kLastPageRow;
void ExpectRow(const FakeCleaner& w, const Row& r) { test::ExpectState(w, r); }

class CleanerWizardTest : public qz::test::ModuleWindowTest {
 protected:
  CleanerWizardTest() : ModuleWindowTest("wizard") {}

  std::unique_ptr<FakeCleaner> Make(bool timerAndCancel = true) {
    auto w = std::make_unique<FakeCleaner>(timerAndCancel);
    w->DoCreate();
    w->engine.Items = {{"b.tmp", 2}, {"a.tmp", 10}, {"c.tmp", 5}};
    return w;
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> v;
    for (const MessageBoxRequest& r : boxes.boxes) v.push_back(r.text);
    return v;
  }
};

TEST_F(CleanerWizardTest, CreationAndTheStateTable) {
  auto w = Make();
  EXPECT_EQ(w->Caption(), ProductTitle);
  EXPECT_EQ(w->ClientWidth(), 640);
  EXPECT_EQ(w->ClientHeight(), 480);
  EXPECT_FALSE(w->JvPageControl1->TabsVisible());
  ASSERT_TRUE(w->Button_Cancel);
  EXPECT_EQ(w->Button_Cancel->Left(), w->Button_Close->Left());
  EXPECT_FALSE(w->Button_SaveTranslation->Visible());
  EXPECT_FALSE(w->Button_LoadTranslation->Visible());
  ASSERT_TRUE(w->ProgressTimer);
  EXPECT_EQ(w->ProgressTimer->Name, "JvThreadTimer_Progress");
  EXPECT_EQ(w->ProgressTimer->Interval(), 250u);
  EXPECT_FALSE(w->ProgressTimer->Enabled());
  EXPECT_FALSE(w->Image_Header->Picture().Empty());  // skinned
  ExpectRow(*w, kStart);
  for (const Row& r : {kSearching, kResults, kDeleting, kLastPage, kStart}) {
    w->SetState(r.state);
    ExpectRow(*w, r);
  }
  // Back returns to the start from the results and the last page only.
  for (WizardState s : {WizardState::Results, WizardState::LastPage}) {
    w->SetState(s);
    w->Button_Zurueck->Click();
    ExpectRow(*w, kStart);
  }
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(CleanerWizardTest, SearchResultsDeleteAndBack) {
  auto w = Make();
  w->Button_Weiter->Click();
  ExpectRow(*w, kResults);
  EXPECT_TRUE(w->timerOnInSearch);
  EXPECT_FALSE(w->ProgressTimer->Enabled());
  EXPECT_EQ(w->Summary->Caption(), "3 of 3");
  EXPECT_TRUE(boxes.boxes.empty());

  // Back keeps the tree; the next search starts afresh.
  w->Button_Zurueck->Click();
  ExpectRow(*w, kStart);
  w->Button_Weiter->Click();
  ExpectRow(*w, kResults);
  EXPECT_EQ(w->engine.Tree->ChildCount(w->engine.Tree->GetFirst()), 3u);

  // The delete asks first; No leaves the results as they are.
  boxes.answers = {IDNO};
  w->Button_Weiter->Click();
  ExpectRow(*w, kResults);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"sure?"}));
  EXPECT_EQ(boxes.boxes[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(boxes.boxes[0].owner, w->Handle());
  EXPECT_EQ(w->engine.Deleted, 0);

  boxes.boxes.clear();
  boxes.answers = {IDYES};
  w->Button_Weiter->Click();
  ExpectRow(*w, kStart);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"sure?", "3 deleted"}));
  EXPECT_EQ(boxes.boxes[1].kind, MsgKind::Information);

  // Nothing marked: the box, no question, the state stays.
  w->Button_Weiter->Click();
  ASSERT_EQ(w->State(), WizardState::Results);
  for (ui::VNode* n = w->engine.Tree->GetFirst(); n; n = w->engine.Tree->GetNext(n))
    w->engine.Tree->SetCheckState(n, ui::CheckState::Unchecked);
  boxes.boxes.clear();
  w->Button_Weiter->Click();
  ExpectRow(*w, kResults);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"nothing marked"}));
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Warning);
}

TEST_F(CleanerWizardTest, NothingFoundAndARefusedSearch) {
  auto w = Make();
  w->engine.Items.clear();
  w->Button_Weiter->Click();
  ExpectRow(*w, kStart);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"nothing found"}));
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Information);

  boxes.boxes.clear();
  w->prepareOk = false;
  w->Button_Weiter->Click();
  ExpectRow(*w, kStart);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"no drive"}));
  EXPECT_FALSE(w->ProgressTimer->Enabled());
}

// Cancel during a search: the start, no box, the tree as far as it got.
TEST_F(CleanerWizardTest, CancelDuringASearch) {
  auto w = Make();
  bool cancelShown = false;
  w->engine.DuringSearch = [&](int i) {
    if (i != 1) return;
    ExpectRow(*w, kSearching);
    cancelShown = w->Button_Cancel->Visible();
    w->Button_Cancel->Click();
  };
  w->Button_Weiter->Click();
  EXPECT_TRUE(cancelShown);
  ExpectRow(*w, kStart);
  EXPECT_FALSE(w->ProgressTimer->Enabled());
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_EQ(w->engine.Tree->ChildCount(w->engine.Tree->GetFirst()), 1u);
}

// Cancel during a delete: the module says whether its count is shown
// (Finished) or the wizard returns to the start without a word (Stopped).
TEST_F(CleanerWizardTest, CancelDuringADelete) {
  for (bool stop : {false, true}) {
    SCOPED_TRACE(stop ? "stopped" : "finished");
    auto w = Make();
    w->stopOnCancel = stop;
    w->Button_Weiter->Click();
    ASSERT_EQ(w->State(), WizardState::Results);
    w->engine.DuringDelete = [&](int i) {
      if (i != 1) return;
      ExpectRow(*w, kDeleting);
      w->Button_Cancel->Click();
    };
    boxes.boxes.clear();
    boxes.answers = {IDYES};
    w->Button_Weiter->Click();
    ExpectRow(*w, kStart);
    EXPECT_EQ(w->engine.Deleted, 1);
    const std::vector<std::string> expected =
        stop ? std::vector<std::string>{"sure?"} : std::vector<std::string>{"sure?", "1 deleted"};
    EXPECT_EQ(Texts(), expected);
  }
}

// A close while a search runs: the search is told to stop, and the window
// closes only once it has returned.
TEST_F(CleanerWizardTest, CloseDuringARunWaitsForIt) {
  auto w = Make();
  int closes = 0;
  bool runningAtClose = true;
  w->OnClose = [&](ui::CloseAction&) {
    ++closes;
    runningAtClose = w->Running();
  };
  int closesDuringRun = -1;
  w->engine.DuringSearch = [&](int i) {
    if (i != 0) return;
    w->Close();
    closesDuringRun = closes;
  };
  w->RunSearch();
  EXPECT_EQ(closesDuringRun, 0);
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(runningAtClose);
  ExpectRow(*w, kStart);
  EXPECT_TRUE(boxes.boxes.empty());
}

// An error escaping a run: timer off, start state, one error box; under
// OcoRunning the caller gets the error instead.
TEST_F(CleanerWizardTest, AnErrorEscapingARun) {
  auto w = Make();
  w->engine.DuringSearch = [](int i) {
    if (i == 1) throw std::runtime_error("engine failed");
  };
  w->Button_Weiter->Click();
  ExpectRow(*w, kStart);
  EXPECT_FALSE(w->ProgressTimer->Enabled());
  EXPECT_FALSE(w->Running());
  EXPECT_EQ(Texts(), (std::vector<std::string>{"engine failed"}));
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Error);

  w->engine.DuringSearch = nullptr;
  w->RunSearch();
  w->engine.DuringDelete = [](int) { throw std::runtime_error("delete failed"); };
  OcoRunning = 1;
  EXPECT_THROW(w->RunDelete(), std::runtime_error);
  ExpectRow(*w, kStart);
  EXPECT_EQ(boxes.boxes.size(), 1u);
}

// Under OcoRunning: no box at all, nothing found still ends on the result
// page, a delete with nothing marked returns silently, and after a delete the
// window stays on the delete page.
TEST_F(CleanerWizardTest, OcoRunningShowsNothingAndStillRuns) {
  OcoRunning = 1;
  auto w = Make();
  EXPECT_TRUE(w->Image_Header->Picture().Empty());  // no skinning
  w->engine.Items.clear();
  w->RunSearch();
  ExpectRow(*w, kResults);
  w->RunDelete();
  ExpectRow(*w, kResults);

  w->engine.Items = {{"x.tmp", 1}, {"y.tmp", 2}};
  w->RunSearch();
  ExpectRow(*w, kResults);
  w->RunDelete();
  ExpectRow(*w, kDeleting);
  EXPECT_EQ(w->engine.Deleted, 2);

  w->prepareOk = false;
  w->RunSearch();
  ExpectRow(*w, kStart);
  EXPECT_TRUE(boxes.boxes.empty()) << Texts().front();
  EXPECT_FALSE(IsWindowVisible(w->Handle()));
}

// A module without progress timer and Cancel: Close stays while it works.
TEST_F(CleanerWizardTest, AModuleWithoutTimerAndCancel) {
  auto w = Make(false);
  EXPECT_EQ(w->ProgressTimer, nullptr);
  EXPECT_EQ(w->Button_Cancel, nullptr);
  EXPECT_EQ(w->FindComponent("Button_Cancel"), nullptr);
  bool closeShown = false;
  w->engine.DuringSearch = [&](int) { closeShown = w->Button_Close->Visible(); };
  w->Button_Weiter->Click();
  EXPECT_TRUE(closeShown);
  EXPECT_EQ(w->State(), WizardState::Results);
  w->SetState(WizardState::Deleting);
  EXPECT_TRUE(w->Button_Close->Visible());
}

// "Details anzeigen": the totals counted afresh, maximised unless the setting
// says otherwise, and the summary rewritten after the window closed; the
// window's commands keep the totals in step.
TEST_F(CleanerWizardTest, TheResultWindowAndItsCommands) {
  auto w = Make();
  w->RunSearch();
  FakeResult* r = w->result_;
  std::vector<ui::WindowState> states;
  SetModalHook([&](ui::Form& f) {
    EXPECT_EQ(&f, r);
    states.push_back(r->State());
    EXPECT_EQ(r->Totals().Found, 3);
    EXPECT_EQ(r->Totals().FoundBytes, 17);
    r->Button_None->Click();
    EXPECT_EQ(r->Totals().Marked, 0);
    ui::VNode* first = r->Model().GetFirstChild(r->Model().GetFirst());
    r->Model().ToggleCheckState(first);  // a click on one check box
    EXPECT_EQ(r->Totals().Marked, 1);
    EXPECT_EQ(r->Totals().MarkedBytes, 2);
    r->Model().ClearSelection();
    r->Model().SetSelected(r->Model().GetLastChild(r->Model().GetFirst()), true);
    r->PopUp_MarkSelected->Click();
    EXPECT_EQ(r->Totals().Marked, 2);
    r->Button_Ok->Click();
    return f.ModalResult();
  });
  const int shownBefore = r->totalsShown;
  w->ShowResultWindow();
  EXPECT_EQ(states, (std::vector<ui::WindowState>{ui::WindowState::Maximized}));
  EXPECT_GT(r->totalsShown, shownBefore + 3);
  EXPECT_EQ(w->Summary->Caption(), "2 of 3");

  RegSetIntegerChecked(HKEY_LOCAL_MACHINE, OptionsKey(), "OpenMaximized", 0);
  SetModalHook([&](ui::Form&) {
    states.push_back(r->State());
    r->PopUp_MarkAll->Click();
    return ui::mrOk;
  });
  w->ShowResultWindow();
  EXPECT_EQ(states.back(), ui::WindowState::Normal);
  EXPECT_EQ(w->Summary->Caption(), "3 of 3");

  // Header clicks sort by the clicked column, once.
  auto names = [&] {
    std::vector<std::string> v;
    for (ui::VNode* n = r->Model().GetFirstChild(r->Model().GetFirst()); n; n = r->Model().GetNextSibling(n))
      v.push_back(r->Model().Data<Hit>(n).Name);
    return v;
  };
  r->HeaderClick(0);  // already the sort column
  EXPECT_EQ(names(), (std::vector<std::string>{"b.tmp", "a.tmp", "c.tmp"}));
  r->HeaderClick(1);
  EXPECT_EQ(names(), (std::vector<std::string>{"b.tmp", "c.tmp", "a.tmp"}));
  r->HeaderClick(0);
  EXPECT_EQ(names(), (std::vector<std::string>{"a.tmp", "b.tmp", "c.tmp"}));
}

// The one translation entry of every window and its box.
TEST_F(CleanerWizardTest, TranslationAndTheModuleBox) {
  TranslationList = {"[TForm_XC]", "||Button_Weiter=&Next >", "||", "||MESSAGE_Hello=Hello", "||"};
  TranslationFile = "x.ini";
  auto w = Make();
  EXPECT_EQ(w->Button_Weiter->Caption(), "&Next >");
  EXPECT_EQ(Tr(*w, "MESSAGE_Hello", "Hallo"), "Hello");
  EXPECT_EQ(Tr(*w, "MESSAGE_Other", "Anders"), "Anders");
  EXPECT_EQ(Translator(*w)("MESSAGE_Hello", "Hallo"), "Hello");
  EXPECT_EQ(qz::Tr(TranslateFn{}, "MESSAGE_Hello", "Hallo"), "Hallo");
  boxes.answers = {IDYES};
  EXPECT_EQ(ModuleMessage(*w->Button_Weiter, "Frage", MsgKind::Question, MsgButtons::YesNo), IDYES);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].owner, w->Handle());
  EXPECT_EQ(boxes.boxes[0].caption, ProductTitle);
  OcoRunning = 1;
  EXPECT_EQ(ModuleMessage(*w, "Frage", MsgKind::Question, MsgButtons::YesNo), 0);
  EXPECT_EQ(boxes.boxes.size(), 1u);
}

}  // namespace
}  // namespace qz::cleaning
