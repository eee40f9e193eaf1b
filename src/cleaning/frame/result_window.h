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
// The shared rules (result_rules.h), run here for every module:
//  - the totals: found and marked entries with their sizes, kept in a store
//    the module binds (BindTotals; its engine's), counted again after each of
//    the check commands above and kept in step on every single check change;
//    TotalsChanged tells the module to show them;
//  - a click on a column header sorts the whole tree ascending by that column
//    through the module's Compare; the column that already is the sort column
//    does nothing.
// The module says what a node is through Entry and how two compare through
// Compare. The window lays itself out on every resize: tree at (8, 8) filling
// the width less 16 and the height less 52, the buttons on one row 8 pixels
// below it, right-aligned (from the right: OK, Help, None, All). A module
// adds its own labels and popup entries and overrides LayoutExtras.
#pragma once

#include <functional>
#include <string>

#include "cleaning/frame/result_rules.h"
#include "ui/form.h"

namespace qz::ui {
class Button;
class MenuItem;
class PopupMenu;
class VTreeView;
}  // namespace qz::ui

namespace qz::cleaning {

class ResultWindow : public ui::Form {
 public:
  // `treeName` names the tree control ("VirtualDrawTree_Files"); `helpTopic`
  // is the module code.
  ResultWindow(ui::Component* owner, std::string name, const std::string& treeName, std::string helpTopic);

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

  ui::VTreeModel& Model();

  // The store the totals are kept in (the window's own until bound).
  void BindTotals(ResultTotals& store) { totals_ = &store; }
  const ResultTotals& Totals() const { return *totals_; }
  // Counts the totals from the tree, then TotalsChanged and a repaint.
  void RecomputeTotals();

  // A hook that hands a path to a program (the parameter text, already
  // quoted); tests put their own in its place.
  using ProgramStarter = std::function<void(const std::string& parameters)>;

  // The current sort column (0 at creation).
  int SortColumn = 0;
  void HeaderClick(int column);

 protected:
  void FormCreate() override;
  // Translates the window and its tree's column captions.
  virtual void Translate();
  // Lays out what the module adds (the row of the buttons is given).
  virtual void LayoutExtras(int buttonTop) { (void)buttonTop; }
  virtual void ModuleCreate() {}

  // ---- module hooks
  virtual EntryFacts Entry(ui::VNode* n) const = 0;
  virtual int Compare(ui::VNode* a, ui::VNode* b, int column) const = 0;
  // The totals changed: show them.
  virtual void TotalsChanged() {}

  EntryAccessor Accessor() const;
  void Layout();

  // The program of that name (the Explorer, Notepad), started by the shell
  // with `parameters`: what a module hands an entry's path to by default.
  ProgramStarter StartProgram(const std::wstring& program);

 private:
  std::string helpTopic_;
  ResultTotals ownTotals_;
  ResultTotals* totals_ = &ownTotals_;
};

}  // namespace qz::cleaning
