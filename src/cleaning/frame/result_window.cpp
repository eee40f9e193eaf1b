#include "cleaning/frame/result_window.h"

#include <shellapi.h>

#include <algorithm>

#include "core/globals.h"
#include "core/text.h"
#include "ui/check_state.h"
#include "ui/form_translation.h"
#include "ui/help_router.h"
#include "ui/menu.h"
#include "ui/stdctrls.h"
#include "ui/vtree_view.h"

namespace qz::cleaning {

namespace {
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kGap = 8;
}  // namespace

ResultWindow::ResultWindow(ui::Component* owner, std::string name, const std::string& treeName,
                           std::string helpTopic)
    : Form(owner, std::move(name)), helpTopic_(std::move(helpTopic)) {
  SetBorderStyle(ui::FormBorder::Sizeable);
  SetPosition(ui::FormPosition::ScreenCenter);
  SetClientSize(620, 420);
  SetMinSize(480, 300);
  Tag = 1;

  Tree = new ui::VTreeView(this, treeName);
  Tree->SetBounds(8, 8, 604, 360);
  Tree->SetMultiSelect(true);
  Tree->SetShowTreeLines(true);
  Tree->SetBackgroundGradient(RGB(255, 255, 255), RGB(200, 200, 200));

  Button_All = new ui::Button(this, "Button_All", "&Alle");
  Button_All->Tag = 1;
  Button_None = new ui::Button(this, "Button_None", "&Keine");
  Button_None->Tag = 1;
  Button_Help = new ui::Button(this, "Button_Help", "&Hilfe");
  Button_Help->Tag = 1;
  Button_Ok = new ui::Button(this, "Button_Ok", "&Ok");
  Button_Ok->Tag = 1;
  Button_Ok->ModalResult = ui::mrOk;
  Button_Ok->SetDefault(true);
  Button_Ok->SetCancel(true);

  PopupMenu1 = new ui::PopupMenu(this, "PopupMenu1");
  PopUp_MarkSelected = new ui::MenuItem(PopupMenu1, "PopUp_MarkSelected", "Markierte Objekte auswählen");
  PopUp_UnmarkSelected =
      new ui::MenuItem(PopupMenu1, "PopUp_UnmarkSelected", "Markierte Objekte nicht auswählen");
  PopUp_MarkAll = new ui::MenuItem(PopupMenu1, "PopUp_MarkAll", "Alle Objekte markieren");
  PopUp_UnmarkAll = new ui::MenuItem(PopupMenu1, "PopUp_UnmarkAll", "Kein Objekt markieren");
  PopUp_Help = new ui::MenuItem(PopupMenu1, "PopUp_Help", "Hilfe");
  for (ui::MenuItem* m : {PopUp_MarkSelected, PopUp_UnmarkSelected, PopUp_MarkAll, PopUp_UnmarkAll, PopUp_Help})
    m->Tag = 1;
  Tree->Popup = PopupMenu1;

  const TranslationButtons tb = AddTranslationButtons(*this, [this] { Translate(); });
  Button_SaveTranslation = tb.save;
  Button_LoadTranslation = tb.load;

  // The check commands, then the totals as they now stand.
  auto command = [this](auto fn) {
    return [this, fn] {
      fn();
      RecomputeTotals();
    };
  };
  Button_All->OnClick = command([this] { ui::SetAllNodesChecked(Tree, false); });
  Button_None->OnClick = command([this] { ui::SetAllNodesUnchecked(Tree, false); });
  PopUp_MarkSelected->OnClick = command([this] { ui::SetAllNodesChecked(Tree, true); });
  PopUp_UnmarkSelected->OnClick = command([this] { ui::SetAllNodesUnchecked(Tree, true); });
  Button_Help->OnClick = [this] { ShowHelpTopic(helpTopic_); };
  PopUp_MarkAll->OnClick = [this] { Button_All->Click(); };
  PopUp_UnmarkAll->OnClick = [this] { Button_None->Click(); };
  PopUp_Help->OnClick = [this] { Button_Help->Click(); };

  // A single check change (a click, the space bar) keeps the totals in step.
  ui::VTreeModel& t = Tree->Tree();
  t.OnChecking = [this](ui::VNode* n, ui::CheckState s) {
    TrackCheckChange(*totals_, Model(), n, s, Accessor());
    return true;
  };
  t.OnChecked = [this](ui::VNode*) { TotalsChanged(); };
  Tree->OnHeaderClick = [this](int column) { HeaderClick(column); };
  OnResize = [this] { Layout(); };
}

ui::VTreeModel& ResultWindow::Model() { return Tree->Tree(); }

EntryAccessor ResultWindow::Accessor() const {
  return [this](const ui::VTreeModel&, ui::VNode* n) { return Entry(n); };
}

void ResultWindow::RecomputeTotals() {
  *totals_ = CountTotals(Model(), Accessor());
  TotalsChanged();
  Tree->Invalidate();
}

void ResultWindow::HeaderClick(int column) {
  if (SortByColumn(Model(), SortColumn, column,
                   [this](ui::VNode* a, ui::VNode* b, int c) { return Compare(a, b, c); }))
    Tree->Invalidate();
}

void ResultWindow::Translate() {
  TranslateForm(TranslationFile, *this);
  TranslateTreeColumns(Name, *Tree);
}

void ResultWindow::FormCreate() {
  Button_LoadTranslation->Click();
  SortColumn = 0;
  ModuleCreate();
  Layout();
}

void ResultWindow::Layout() {
  const int w = ClientWidth(), h = ClientHeight();
  Tree->SetBounds(8, 8, std::max(0, w - 16), std::max(0, h - 52));
  const int top = Tree->Top() + Tree->Height() + kGap;
  int right = w - kGap;
  for (ui::Button* b : {Button_Ok, Button_Help, Button_None, Button_All}) {
    right -= kButtonWidth;
    b->SetBounds(right, top, kButtonWidth, kButtonHeight);
    right -= kGap;
  }
  LayoutExtras(top);
}

ResultWindow::ProgramStarter ResultWindow::StartProgram(const std::wstring& program) {
  return [this, program](const std::string& parameters) {
    ShellExecuteW(Handle(), L"open", program.c_str(), Widen(parameters).c_str(), nullptr, SW_SHOWNORMAL);
  };
}

}  // namespace qz::cleaning
