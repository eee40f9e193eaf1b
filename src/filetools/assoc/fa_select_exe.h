// The dialog that edits a file type's command line: Edit1 holds the command,
// "..." picks a program (written as "file" "%1"), CheckBox_UseIcon takes the
// program's icon too. Result is true only after TeButton_Ok.
#pragma once

#include "ui/form.h"

namespace qz::ui {
class Button;
class CheckBox;
class Edit;
class Label;
class OpenDialog;
}  // namespace qz::ui

namespace qz::fa {

class TForm_FA_SelectEXE : public ui::Form {
 public:
  explicit TForm_FA_SelectEXE(ui::Component* owner);

  ui::Label* Label_Command;
  ui::Edit* Edit1;
  ui::Button* Button_Select;
  ui::CheckBox* CheckBox_UseIcon;
  ui::Button* TeButton_Ok;
  ui::Button* TeButton_Cancel;
  ui::OpenDialog* OpenDialog1;
  ui::Button* Button_SaveTranslation;
  ui::Button* Button_LoadTranslation;

  bool Result = false;

  // "...": a program chosen in the file dialog becomes "file" "%1".
  void Button_SelectClick();

 protected:
  void FormCreate() override;
};

}  // namespace qz::fa
