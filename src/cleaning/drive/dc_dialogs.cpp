#include "cleaning/drive/dc_dialogs.h"

#include "cleaning/frame/module_window.h"
#include "core/globals.h"
#include "ui/dialogs.h"
#include "ui/form_translation.h"
#include "ui/graphics.h"
#include "ui/stdctrls.h"

namespace qz::dc {

namespace {

// OK and the cancel button at the bottom right; both set the result flag
// and close the dialog.
void AddDialogButtons(ui::Form* f, ui::Button*& ok, ui::Button*& cancel, const char* cancelCaption, int top,
                      bool& result) {
  ok = new ui::Button(f, "Button_Ok", "&Ok");
  ok->SetBounds(226, top, 75, 25);
  ok->ModalResult = ui::mrOk;
  ok->SetDefault(true);
  ok->Tag = 1;
  cancel = new ui::Button(f, "Button_Cancel", cancelCaption);
  cancel->SetBounds(313, top, 75, 25);
  cancel->ModalResult = ui::mrCancel;
  cancel->SetCancel(true);
  cancel->Tag = 1;
  ok->OnClick = [f, &result] {
    result = true;
    f->Close();
  };
  cancel->OnClick = [f, &result] {
    result = false;
    f->Close();
  };
}

void AddTranslationTools(ui::Form* f, ui::Button*& save, ui::Button*& load) {
  const TranslationButtons b = AddTranslationButtons(*f);
  save = b.save;
  load = b.load;
}

}  // namespace

// ---- new file-type group -------------------------------------------------

TForm_DC_NewTyp::TForm_DC_NewTyp(ui::Component* owner) : Form(owner, "TForm_DC_NewTyp") {
  cleaning::BuildDialog(*this, "Drive Cleaner ; neuen Dateityp festlegen", 400, 196);

  JvHTLabel_Name = new ui::RichLabel(this, "JvHTLabel_Name", "<b>Beschreibung</b> des Dateitypes als Text:");
  JvHTLabel_Name->SetBounds(12, 12, 376, 16);
  JvHTLabel_Name->Tag = 1;
  Edit1 = new ui::Edit(this, "Edit1");
  Edit1->SetBounds(12, 32, 376, 21);
  Edit1->SetTabStop(true);

  JvHTLabel_Masks = new ui::RichLabel(this, "JvHTLabel_Masks", "<b>Suchmaske(n)</b> des Dateityps:");
  JvHTLabel_Masks->SetBounds(12, 66, 376, 16);
  JvHTLabel_Masks->Tag = 1;
  Edit2 = new ui::Edit(this, "Edit2");
  Edit2->SetBounds(12, 86, 376, 21);
  Edit2->SetTabStop(true);
  Label_Hint = new ui::Label(this, "Label_Hint",
                             "Bei mehreren Suchmasken bitte durch Semikolon trennen (z.b. \"*.gid ; *.xxx\")");
  Label_Hint->SetAutoSize(false);
  Label_Hint->SetWordWrap(true);
  Label_Hint->SetBounds(12, 112, 376, 30);
  Label_Hint->Tag = 1;
  Edit2->Hint = Label_Hint->Caption();

  AddDialogButtons(this, Button_Ok, Button_Cancel, "&Abbruch", 158, Result);
  AddTranslationTools(this, Button_SaveTranslation, Button_LoadTranslation);
}

void TForm_DC_NewTyp::FormCreate() {
  Result = false;
  Button_LoadTranslation->Click();
  Edit2->Hint = Label_Hint->Caption();
  SetActiveControl(Edit1);
}

// ---- new exception -------------------------------------------------------

TForm_DC_NewExc::TForm_DC_NewExc(ui::Component* owner) : Form(owner, "TForm_DC_NewExc") {
  cleaning::BuildDialog(*this, "Drive Cleaner ; neue Ausnahme festlegen", 400, 150);

  JvHTLabel_Name = new ui::RichLabel(this, "JvHTLabel_Name", "<b>Ordner- oder Dateiname</b> der Ausnahme:");
  JvHTLabel_Name->SetBounds(12, 12, 376, 16);
  JvHTLabel_Name->Tag = 1;
  Edit_Name = new ui::Edit(this, "Edit_Name");
  Edit_Name->SetBounds(12, 32, 340, 21);
  Edit_Name->SetTabStop(true);
  Button1 = new ui::Button(this, "Button1", "...");
  Button1->SetBounds(358, 31, 30, 23);

  RadioButton_asFile = new ui::RadioButton(this, "RadioButton_asFile", "Als Datei");
  RadioButton_asFile->SetBounds(12, 66, 180, 18);
  RadioButton_asFile->SetChecked(true);
  RadioButton_asFile->Tag = 1;
  RadioButton_asDir = new ui::RadioButton(this, "RadioButton_asDir", "Als Ordner");
  RadioButton_asDir->SetBounds(12, 88, 180, 18);
  RadioButton_asDir->Tag = 1;

  AddDialogButtons(this, Button_Ok, Button_Cancel, "&Abbrechen", 114, Result);

  OpenDialog1 = new ui::OpenDialog(this, "OpenDialog1");
  OpenDialog1->Filter = "*.*";
  JvBrowseForFolderDialog1 = new ui::FolderDialog(this, "JvBrowseForFolderDialog1");
  JvBrowseForFolderDialog1->NewFolderButton = false;
  AddTranslationTools(this, Button_SaveTranslation, Button_LoadTranslation);

  Button1->OnClick = [this] { Button_SelectClick(); };
}

void TForm_DC_NewExc::FormCreate() {
  Result = false;
  Button_LoadTranslation->Click();
  SetActiveControl(Edit_Name);
}

void TForm_DC_NewExc::Button_SelectClick() {
  if (RadioButton_asFile->Checked()) {
    if (OpenDialog1->Execute(this)) Edit_Name->SetText(OpenDialog1->FileName);
  } else if (RadioButton_asDir->Checked()) {
    if (JvBrowseForFolderDialog1->Execute(this)) Edit_Name->SetText(JvBrowseForFolderDialog1->Directory);
  }
}

}  // namespace qz::dc
