// TForm_ST_New: the dialog that adds an autostart entry. A name, a command
// line, and where it goes: the Run key of the current user (RadioButton1,
// the default), the Run key of all users (RadioButton2), or the current
// user's Startup folder as a link (RadioButton3). OK accepts only a name and
// command that are not empty, a name that is allowed and that no entry at
// that place (or in its "not active" place) has; otherwise it says why and
// the dialog stays open.
#pragma once

#include <cstdint>
#include <string>

#include "tuning/startup/autostart.h"
#include "ui/form.h"

namespace qz::ui {
class Button;
class Edit;
class Label;
class OpenDialog;
class RadioButton;
}  // namespace qz::ui

namespace qz::st {

class TForm_ST_New : public ui::Form {
 public:
  TForm_ST_New(ui::Component* owner, AutostartEngine& engine);

  ui::Label* Label_Name;
  ui::Edit* Edit_Name;
  ui::Label* Label_Command;
  ui::Edit* Edit_Command;
  ui::Button* Button_Select;
  ui::Label* Label_Place;
  ui::RadioButton* RadioButton1;
  ui::RadioButton* RadioButton2;
  ui::RadioButton* RadioButton3;
  ui::Button* Button_Ok;
  ui::Button* Button_Cancel;
  ui::OpenDialog* OpenDialog1;
  ui::Button* Button_SaveTranslation;
  ui::Button* Button_LoadTranslation;

  // 1 when the user accepted.
  uint8_t Result = 0;

  AddPlace Place() const;
  void Button_OkClick();
  void Button_SelectClick();

 protected:
  void FormCreate() override;

 private:
  AutostartEngine& engine_;
};

}  // namespace qz::st
