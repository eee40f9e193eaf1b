// TForm_ST_Result: the StartUp-Tuner's result window, two pages without tabs.
//
// Page 0 (TabSheet_ST): the autostart tree VirtualDrawTree_AUTOSTART (rows of
// 36 pixels: the entry's icon or its category's picture, the name, below it
// the command line), Edit_Autostart_Command, and Button_Edit, Button_Delete,
// Button_Add, Button_Properties, Button_Ok, Button_Help1.
//  - A check box is the truth: checking or unchecking moves the entry at once
//    (AutostartEngine::SetActive) and the box changes only when the move was
//    made and checked; otherwise it keeps its state and one box names the
//    entry and the reason.
//  - Edit, Delete and Properties work on the focused entry (a category
//    disables them; an entry without a command disables Properties), Add
//    opens TForm_ST_New. After an edit, delete or add the tree is built anew.
// Page 1 (TabSheet_ST2): the installed software VirtualDrawTree_Uninstall
// (rows of 16 pixels), Edit_Uninstall_DisplayName, Edit_Uninstall_Command,
// Button_Uninstall_DELETE, Button_Uninstall_Edit, Button_Ok2, Button_Help2.
//
// It owns the autostart engine and builds both lists while it is created.
// Failures are shown in boxes owned by the window; the undo-file messages are
// English, the others are the window's texts.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tuning/startup/autostart.h"
#include "tuning/startup/installed_software.h"
#include "ui/form.h"

namespace qz::ui {
class Button;
class Edit;
class ImageList;
class Label;
class PageControl;
class TabSheet;
class VTreeView;
struct TreeCell;
}  // namespace qz::ui

namespace qz::st {

class TForm_ST_Result : public ui::Form {
 public:
  TForm_ST_Result(ui::Component* owner, StartupStore& store, StartupPlaces places);

  ui::PageControl* JvPageControl1;
  // Page 0
  ui::TabSheet* TabSheet_ST;
  ui::VTreeView* VirtualDrawTree_AUTOSTART;
  ui::Label* Label_Autostart_Command;
  ui::Edit* Edit_Autostart_Command;
  ui::Button* Button_Edit;
  ui::Button* Button_Delete;
  ui::Button* Button_Add;
  ui::Button* Button_Properties;
  ui::Button* Button_Ok;
  ui::Button* Button_Help1;
  ui::ImageList* ImageList_AutoStartHEADER;  // folder, text file, registry (32 x 32)
  // Page 1
  ui::TabSheet* TabSheet_ST2;
  ui::VTreeView* VirtualDrawTree_Uninstall;
  ui::Label* Label_Uninstall_DisplayName;
  ui::Edit* Edit_Uninstall_DisplayName;
  ui::Label* Label_Uninstall_Command;
  ui::Edit* Edit_Uninstall_Command;
  ui::Button* Button_Uninstall_DELETE;
  ui::Button* Button_Uninstall_Edit;
  ui::Button* Button_Ok2;
  ui::Button* Button_Help2;
  ui::Button* Button_SaveTranslation;
  ui::Button* Button_LoadTranslation;

  AutostartEngine& Engine() { return engine_; }
  const StartupPlaces& Places() const { return places_; }
  ui::VTreeModel& Autostart();
  ui::VTreeModel& Uninstall();

  void ShowPage(int index);
  // Clears and fills the autostart tree (buttons off, command emptied).
  void BuildAutostartTree();
  // Clears and fills the installed-software list (buttons off, edits emptied).
  void ListInstalledSoftware();

  void Button_EditClick();
  void Button_DeleteClick();
  void Button_AddClick();
  void Button_PropertiesClick();
  void Button_Uninstall_DELETEClick();
  void Button_Uninstall_EditClick();
  // The tree's check handler: true when the entry was moved.
  bool AutostartChecking(ui::VNode* node, ui::CheckState newState);

  // Shows the shell's properties of a file (tests replace it).
  std::function<void(const std::string& file)> ShowProperties;

 protected:
  void FormCreate() override;

 private:
  void Layout();
  void AutostartFocusChanged(ui::VNode* node);
  void UninstallFocusChanged(ui::VNode* node);
  void DrawAutostart(const ui::TreeCell& c);
  // The focused entry's record (nullptr for none or a category).
  AutostartEntry* FocusedEntry();
  UninstallEntry* FocusedSoftware();
  // A failed change: its message (nothing for Done).
  void ReportChange(ChangeResult r, const std::string& displayName);

  StartupStore& store_;
  StartupPlaces places_;
  AutostartEngine engine_;
};

}  // namespace qz::st
