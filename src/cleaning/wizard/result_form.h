// The modal result window every cleaning module shares: a tree of findings
// with category nodes at the root and checkable entries below, a row of
// buttons under it and a popup menu.
//
//   <tree>          VTreeView, two columns with a header, tri-state checks,
//                   several rows may be selected, tree lines; white-to-grey
//                   gradient behind the rows
//   Button_All "&Alle" / Button_None "&Keine"   check / uncheck every node
//   Button_Help "&Hilfe"                        the module's help topic
//   Button_Ok "&Ok"                             closes; the marks made here
//                                               are what the delete acts on
//   popup: PopUp_MarkSelected, PopUp_UnmarkSelected (the selected rows only),
//          PopUp_MarkAll, PopUp_UnmarkAll, PopUp_Help (click All, None, Help)
//
// After each of the check commands the module's totals are recomputed and
// shown (RecomputeTotals). The window lays itself out on every resize: tree at
// (8, 8) filling the width less 16 and the height less 52, the buttons on one
// row 8 pixels below it, right-aligned (from the right: OK, Help, None, All).
// A module adds its own labels and popup entries and overrides LayoutExtras.
#pragma once

#include <string>

#include "ui/form.h"

namespace qz::ui {
class Button;
class MenuItem;
class PopupMenu;
class VTreeView;
}  // namespace qz::ui

namespace qz::cleaning {

class ModuleResultForm : public ui::Form {
 public:
  // `treeName` names the tree control ("VirtualDrawTree_Files"); `helpTopic`
  // is the module code.
  ModuleResultForm(ui::Component* owner, std::string name, const std::string& treeName,
                   std::string helpTopic);

  ui::VTreeView* Tree;
  ui::Button* Button_All;
  ui::Button* Button_None;
  ui::Button* Button_Help;
  ui::Button* Button_Ok;
  ui::PopupMenu* PopupMenu1;
  ui::MenuItem* PopUp_MarkSelected;
  ui::MenuItem* PopUp_UnmarkSelected;
  ui::MenuItem* PopUp_MarkAll;
  ui::MenuItem* PopUp_UnmarkAll;
  ui::MenuItem* PopUp_Help;
  ui::Button* Button_SaveTranslation;
  ui::Button* Button_LoadTranslation;

  const std::string& HelpTopic() const { return helpTopic_; }

  // Recomputes the module's totals from the tree and rewrites its labels.
  virtual void RecomputeTotals() {}

 protected:
  void FormCreate() override;
  // Translates the window and its tree's column captions.
  virtual void Translate();
  // Lays out what the module adds (the row of the buttons is given).
  virtual void LayoutExtras(int buttonTop) { (void)buttonTop; }
  virtual void ModuleCreate() {}

  void Layout();

 private:
  std::string helpTopic_;
};

// HKLM\ProductRegKey\Options "HideEmptyCategories": on unless it reads as
// the integer 0.
bool ReadHideEmptyCategories();

}  // namespace qz::cleaning
