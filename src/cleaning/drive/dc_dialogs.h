// The two small dialogs of the Drive Cleaner's options window: a new
// file-type group (description and masks) and a new exception (a file or a
// folder, typed or chosen through the system's dialogs). Each is shown
// modally; Result says whether the user confirmed with OK.
#pragma once

#include "ui/form.h"

namespace qz::ui {
class Button;
class Edit;
class FolderDialog;
class Label;
class OpenDialog;
class RadioButton;
class RichLabel;
}  // namespace qz::ui

namespace qz::dc {

// "Drive Cleaner ; neuen Dateityp festlegen"
class TForm_DC_NewTyp : public ui::Form {
 public:
  explicit TForm_DC_NewTyp(ui::Component* owner);

  ui::RichLabel* JvHTLabel_Name;
  ui::Edit* Edit1;  // the group's description
  ui::RichLabel* JvHTLabel_Masks;
  ui::Edit* Edit2;  // its masks, separated by ";"
  ui::Label* Label_Hint;
  ui::Button* Button_Ok;
  ui::Button* Button_Cancel;
  ui::Button* Button_SaveTranslation;
  ui::Button* Button_LoadTranslation;

  bool Result = false;

 protected:
  void FormCreate() override;
};

// "Drive Cleaner ; neue Ausnahme festlegen"
class TForm_DC_NewExc : public ui::Form {
 public:
  explicit TForm_DC_NewExc(ui::Component* owner);

  ui::RichLabel* JvHTLabel_Name;
  ui::Edit* Edit_Name;
  ui::Button* Button1;  // "...": choose a file or folder
  ui::RadioButton* RadioButton_asFile;
  ui::RadioButton* RadioButton_asDir;
  ui::Button* Button_Ok;
  ui::Button* Button_Cancel;
  ui::OpenDialog* OpenDialog1;
  ui::FolderDialog* JvBrowseForFolderDialog1;
  ui::Button* Button_SaveTranslation;
  ui::Button* Button_LoadTranslation;

  bool Result = false;

  // The browse button: the file dialog for "Als Datei", the folder dialog for
  // "Als Ordner"; a chosen name goes into Edit_Name.
  void Button_SelectClick();

 protected:
  void FormCreate() override;
};

}  // namespace qz::dc
