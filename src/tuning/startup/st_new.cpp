#include "tuning/startup/st_new.h"

#include "cleaning/frame/module_window.h"
#include "core/text.h"
#include "ui/dialogs.h"
#include "ui/form_translation.h"
#include "ui/graphics.h"
#include "ui/stdctrls.h"

namespace qz::st {

TForm_ST_New::TForm_ST_New(ui::Component* owner, AutostartEngine& engine)
    : Form(owner, "TForm_ST_New"), engine_(engine) {
  cleaning::BuildDialog(*this, "StartUp-Tuner ; neuen Eintrag hinzufügen", 440, 250);

  Label_Name = new ui::Label(this, "Label_Name", "Name des Eintrages:");
  Label_Name->SetBounds(12, 12, 416, 16);
  Edit_Name = new ui::Edit(this, "Edit_Name");
  Edit_Name->SetBounds(12, 30, 416, 21);
  Label_Command = new ui::Label(this, "Label_Command", "Kommandozeile:");
  Label_Command->SetBounds(12, 62, 416, 16);
  Edit_Command = new ui::Edit(this, "Edit_Command");
  Edit_Command->SetBounds(12, 80, 380, 21);
  Button_Select = new ui::Button(this, "Button_Select", "...");
  Button_Select->SetBounds(398, 79, 30, 23);
  Label_Place = new ui::Label(this, "Label_Place", "Eintragen in:");
  Label_Place->SetBounds(12, 114, 416, 16);
  RadioButton1 = new ui::RadioButton(this, "RadioButton1", "Registrierdatenbank, aktueller Benutzer (Run)");
  RadioButton1->SetBounds(24, 134, 404, 18);
  RadioButton1->SetChecked(true);
  RadioButton2 = new ui::RadioButton(this, "RadioButton2", "Registrierdatenbank, alle Benutzer (Run)");
  RadioButton2->SetBounds(24, 156, 404, 18);
  RadioButton3 = new ui::RadioButton(this, "RadioButton3", "Autostart-Ordner des aktuellen Benutzers");
  RadioButton3->SetBounds(24, 178, 404, 18);

  Button_Ok = new ui::Button(this, "Button_Ok", "&Ok");
  Button_Ok->SetBounds(266, 214, 75, 25);
  Button_Ok->SetDefault(true);
  Button_Cancel = new ui::Button(this, "Button_Cancel", "&Abbrechen");
  Button_Cancel->SetBounds(353, 214, 75, 25);
  Button_Cancel->ModalResult = ui::mrCancel;
  Button_Cancel->SetCancel(true);
  for (ui::Control* c : std::initializer_list<ui::Control*>{Label_Name, Label_Command, Label_Place, RadioButton1,
                                                            RadioButton2, RadioButton3, Button_Ok, Button_Cancel})
    c->Tag = 1;
  for (ui::WinControl* c : std::initializer_list<ui::WinControl*>{Edit_Name, Edit_Command, Button_Select, RadioButton1,
                                                                  RadioButton2, RadioButton3, Button_Ok, Button_Cancel})
    c->SetTabStop(true);

  OpenDialog1 = new ui::OpenDialog(this, "OpenDialog1");
  OpenDialog1->Filter = "*.*";
  OpenDialog1->FileMustExist = true;
  OpenDialog1->PathMustExist = true;
  const TranslationButtons tb = AddTranslationButtons(*this);
  Button_SaveTranslation = tb.save;
  Button_LoadTranslation = tb.load;

  Button_Ok->OnClick = [this] { Button_OkClick(); };
  Button_Cancel->OnClick = [this] {
    Result = 0;
    Close();
  };
  Button_Select->OnClick = [this] { Button_SelectClick(); };
}

void TForm_ST_New::FormCreate() {
  Result = 0;
  Button_LoadTranslation->Click();
  SetActiveControl(Edit_Name);
}

AddPlace TForm_ST_New::Place() const {
  if (RadioButton2->Checked()) return AddPlace::MachineRun;
  if (RadioButton3->Checked()) return AddPlace::StartupFolder;
  return AddPlace::UserRun;
}

void TForm_ST_New::Button_OkClick() {
  NameProblem problem = Trim(Edit_Command->Text()).empty() ? NameProblem::Empty : NameProblem::None;
  if (problem == NameProblem::None) problem = engine_.CheckNewName(Edit_Name->Text(), Place());
  if (problem != NameProblem::None) {
    // The dialog stays open for another try.
    ModuleMessage(*this, NameProblemMessage(problem, Translator(*this)), MsgKind::Warning);
    SetActiveControl(problem == NameProblem::Empty && !Trim(Edit_Name->Text()).empty() ? Edit_Command : Edit_Name);
    return;
  }
  Result = 1;
  SetModalResult(ui::mrOk);
}

void TForm_ST_New::Button_SelectClick() {
  if (OpenDialog1->Execute(this)) Edit_Command->SetText(OpenDialog1->FileName);
}

}  // namespace qz::st
