#include "filetools/assoc/fa_select_exe.h"

#include "cleaning/frame/module_window.h"
#include "ui/dialogs.h"
#include "ui/form_translation.h"
#include "ui/graphics.h"
#include "ui/stdctrls.h"

namespace qz::fa {

TForm_FA_SelectEXE::TForm_FA_SelectEXE(ui::Component* owner) : Form(owner, "TForm_FA_SelectEXE") {
  cleaning::BuildDialog(*this, "Anwendung ändern", 460, 132);

  Label_Command = new ui::Label(this, "Label_Command", "Kommandozeile, mit der das Dateiformat geöffnet wird:");
  Label_Command->SetBounds(12, 12, 436, 16);
  Label_Command->Tag = 1;
  Edit1 = new ui::Edit(this, "Edit1");
  Edit1->SetBounds(12, 32, 400, 21);
  Edit1->SetTabStop(true);
  Button_Select = new ui::Button(this, "Button_Select", "...");
  Button_Select->SetBounds(418, 31, 30, 23);
  Button_Select->SetTabStop(true);

  CheckBox_UseIcon = new ui::CheckBox(this, "CheckBox_UseIcon", "Auch Symbol aus der Anwendung holen und setzen");
  CheckBox_UseIcon->SetBounds(12, 64, 436, 18);
  CheckBox_UseIcon->SetTabStop(true);
  CheckBox_UseIcon->Tag = 1;

  TeButton_Ok = new ui::Button(this, "TeButton_Ok", "&Ok");
  TeButton_Ok->SetBounds(286, 96, 75, 25);
  TeButton_Ok->ModalResult = ui::mrOk;
  TeButton_Ok->SetDefault(true);
  TeButton_Ok->Tag = 1;
  TeButton_Cancel = new ui::Button(this, "TeButton_Cancel", "&Abbrechen");
  TeButton_Cancel->SetBounds(373, 96, 75, 25);
  TeButton_Cancel->ModalResult = ui::mrCancel;
  TeButton_Cancel->SetCancel(true);
  TeButton_Cancel->Tag = 1;

  OpenDialog1 = new ui::OpenDialog(this, "OpenDialog1");
  OpenDialog1->Filter = "*.exe|*.exe|*.*|*.*";
  OpenDialog1->FileMustExist = true;
  OpenDialog1->PathMustExist = true;

  const TranslationButtons tb = AddTranslationButtons(*this);
  Button_SaveTranslation = tb.save;
  Button_LoadTranslation = tb.load;

  TeButton_Ok->OnClick = [this] {
    Result = true;
    Close();
  };
  TeButton_Cancel->OnClick = [this] {
    Result = false;
    Close();
  };
  Button_Select->OnClick = [this] { Button_SelectClick(); };
}

void TForm_FA_SelectEXE::FormCreate() {
  Result = false;
  Button_LoadTranslation->Click();
  SetActiveControl(Edit1);
}

void TForm_FA_SelectEXE::Button_SelectClick() {
  if (!OpenDialog1->Execute(this) || OpenDialog1->FileName.empty()) return;
  Edit1->SetText("\"" + OpenDialog1->FileName + "\" \"%1\"");
}

}  // namespace qz::fa
