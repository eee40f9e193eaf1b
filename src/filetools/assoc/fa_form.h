// The file-type associations window: the module frame (cleaning/frame/
// module_window.h) with these pages:
//   0 "Start"    RadioButton_Start (edit the file types: the list window),
//                RadioButton_Reset (reset the known types to the Windows
//                defaults, after a question), RadioButton_Backups
//   1 "Wait"     shown while the reset runs
//   2 "Backups"  the reset's undo files: the frame's undo-file page
//                (cleaning/frame/backup_page.h) with Restore and Delete
// It creates the list window (TForm_FA_Result) with itself; the same list
// window serves every "edit" and the reset, and goes with this window.
#pragma once

#include <string>

#include "cleaning/frame/module_window.h"

namespace qz::ui {
class Label;
class RadioButton;
class RichLabel;
class TabSheet;
}  // namespace qz::ui

namespace qz::cleaning {
class BackupPage;
}

namespace qz::fa {

class TForm_FA_Result;

class TForm_FA : public cleaning::ModuleWindow {
 public:
  explicit TForm_FA(ui::Component* owner);
  ~TForm_FA() override;

  // Page 0
  ui::RadioButton* RadioButton_Start;
  ui::RadioButton* RadioButton_Reset;
  ui::RadioButton* RadioButton_Backups;
  // Page 1
  ui::TabSheet* TabSheet_Wait;
  ui::Label* Label_Wait_Header;
  // Page 2
  cleaning::BackupPage* Backups;

  TForm_FA_Result* Result() const { return result_; }

 protected:
  void CreateModuleWindows() override;
  void ModuleCreate() override;
  void NextClick() override;
  void BackClick() override;

 private:
  void RunReset();
  void ShowStart();

  TForm_FA_Result* result_ = nullptr;
};

// The launch table's factory for "FA": the window made and created (not
// shown). A creation that fails frees the window and passes the error on.
ui::Form* CreateFileAssociatorWindow(ui::Component* owner);

}  // namespace qz::fa
