#include "cleaning/wizard/result_form.h"

#include <algorithm>

#include "cleaning/wizard/wizard_form.h"

#include "core/globals.h"
#include "core/msgbox.h"
#include "core/registry.h"
#include "ui/application.h"
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

ModuleResultForm::ModuleResultForm(ui::Component* owner, std::string name, const std::string& treeName,
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

  AddTranslationButtons(this, Button_SaveTranslation, Button_LoadTranslation, [this] { Translate(); });

  Button_All->OnClick = [this] {
    ui::SetAllNodesChecked(Tree, false);
    RecomputeTotals();
  };
  Button_None->OnClick = [this] {
    ui::SetAllNodesUnchecked(Tree, false);
    RecomputeTotals();
  };
  Button_Help->OnClick = [this] { ShowHelpTopic(helpTopic_); };
  PopUp_MarkSelected->OnClick = [this] {
    ui::SetAllNodesChecked(Tree, true);
    RecomputeTotals();
  };
  PopUp_UnmarkSelected->OnClick = [this] {
    ui::SetAllNodesUnchecked(Tree, true);
    RecomputeTotals();
  };
  PopUp_MarkAll->OnClick = [this] { Button_All->Click(); };
  PopUp_UnmarkAll->OnClick = [this] { Button_None->Click(); };
  PopUp_Help->OnClick = [this] { Button_Help->Click(); };
  OnResize = [this] { Layout(); };
}

void ModuleResultForm::Translate() {
  if (TranslationFile.empty()) return;
  TranslateForm(TranslationFile, *this);
  TranslateTreeColumns(Name, *Tree);
}

void ModuleResultForm::FormCreate() {
  Button_LoadTranslation->Click();
  ModuleCreate();
  Layout();
}

void ModuleResultForm::Layout() {
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

bool ReadHideEmptyCategories() {
  const std::string key = OptionsKey();
  if (!RegHasValue(HKEY_LOCAL_MACHINE, key, "HideEmptyCategories")) return true;
  return !RegIntegerEquals(HKEY_LOCAL_MACHINE, key, "HideEmptyCategories", 0);
}

}  // namespace qz::cleaning
