#include "filetools/crypt/fed_form.h"

#include <memory>

#include "filetools/common/tool_window.h"
#include "filetools/filetools_group.h"
#include "ui/graphics.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"

namespace qz::fed {

namespace {

ui::LabeledEdit* Password(ui::TabSheet* page, const char* name, const char* caption, int top) {
  auto* e = new ui::LabeledEdit(page, name);
  e->SetCaption(caption);
  e->SetBounds(16, top, 220, 23);
  e->SetPasswordChar('*');
  e->SetTabStop(true);
  e->Tag = 1;
  return e;
}

}  // namespace

TForm_Cryptor::TForm_Cryptor(ui::Component* owner)
    : ModuleWindow(owner, "TForm_Cryptor",
                   {.Code = "FED", .Title = "File Encrypter & Decrypter", .Group = filetools::kGroup}) {
  // Page 0
  AddStartPage("Willkommen beim File Encrypter & Decrypter",
               "Verschlüsseln Sie eine Datei mit einem Passwort, so dass nur lesen kann, wer das Passwort kennt, und "
               "entschlüsseln Sie sie später wieder.<br><br><b>Was möchten Sie tun?</b>",
               80);
  AddStartChoices(140, 30,
                  {{RadioButton_Crypt, "RadioButton_Crypt", "Eine Datei verschlüsseln"},
                   {RadioButton_Decrypt, "RadioButton_Decrypt", "Eine verschlüsselte Datei entschlüsseln"}});

  // Page 1
  TabSheet_Crypt1 = AddWizardPage("TabSheet_Crypt1", "Crypt1");
  Label_Crypt1_Header = AddPageTitle(TabSheet_Crypt1, "Label_Crypt1_Header", "Datei verschlüsseln");
  JvLinkLabel_Crypt1 = AddPageText(TabSheet_Crypt1, "JvLinkLabel_Crypt1",
                                   "Wählen Sie die Datei und geben Sie zweimal dasselbe Passwort ein (4 bis 16 "
                                   "Zeichen, Gross- und Kleinschreibung zählt). Die verschlüsselte Datei entsteht "
                                   "daneben mit der Endung <b>.crypted</b>.",
                                   40, 44);
  JvFilenameEdit_CRYPT = ft::AddFileEdit(TabSheet_Crypt1, "JvFilenameEdit_CRYPT", 92, "*.*");
  LabeledEdit_CRYPT_Password = Password(TabSheet_Crypt1, "LabeledEdit_CRYPT_Password", "Passwort:", 148);
  LabeledEdit_CRYPT_Password2 =
      Password(TabSheet_Crypt1, "LabeledEdit_CRYPT_Password2", "Passwort wiederholen:", 198);
  CheckBox_DeleteOrginal = new ui::CheckBox(TabSheet_Crypt1, "CheckBox_DeleteOrginal",
                                            "Orginaldatei löschen wenn das Verschlüsseln erfolgreich war");
  CheckBox_DeleteOrginal->SetBounds(16, 240, 600, 22);
  CheckBox_DeleteOrginal->SetTabStop(true);
  CheckBox_DeleteOrginal->Tag = 1;

  // Page 2
  TabSheet_Crypt2 = AddWizardPage("TabSheet_Crypt2", "Crypt2");
  Label_Crypt2_Header = AddPageTitle(TabSheet_Crypt2, "Label_Crypt2_Header", "Die Datei wird verschlüsselt...");
  ProgressBar_Crypt = ft::AddProgressBar(TabSheet_Crypt2, "ProgressBar_Crypt");

  // Page 3
  TabSheet_Decrypt1 = AddWizardPage("TabSheet_Decrypt1", "Decrypt1");
  Label_Decrypt1_Header = AddPageTitle(TabSheet_Decrypt1, "Label_Decrypt1_Header", "Datei entschlüsseln");
  JvLinkLabel_Decrypt1 = AddPageText(TabSheet_Decrypt1, "JvLinkLabel_Decrypt1",
                                     "Wählen Sie die verschlüsselte Datei (<b>.crypted</b>) und geben Sie das "
                                     "Passwort ein. Ob das Passwort stimmt, zeigt sich erst, wenn die ganze Datei "
                                     "entschlüsselt ist.",
                                     40, 44);
  JvFilenameEdit_DECRYPT =
      ft::AddFileEdit(TabSheet_Decrypt1, "JvFilenameEdit_DECRYPT", 92, "Crypted Files|*.crypted");
  LabeledEdit_DECRYPT_Password = Password(TabSheet_Decrypt1, "LabeledEdit_DECRYPT_Password", "Passwort:", 148);

  // Page 4
  TabSheet_Decrypt2 = AddWizardPage("TabSheet_Decrypt2", "Decrypt2");
  Label_Decrypt2_Header =
      AddPageTitle(TabSheet_Decrypt2, "Label_Decrypt2_Header", "Die Datei wird entschlüsselt...");
  ProgressBar_Decrypt = ft::AddProgressBar(TabSheet_Decrypt2, "ProgressBar_Decrypt");
}

void TForm_Cryptor::ModuleCreate() { ShowStart(); }

void TForm_Cryptor::ShowStart() {
  ShowPage(0);
  Button_Zurueck->SetVisible(false);
  Button_Weiter->SetVisible(true);
  Button_Close->SetVisible(true);
}

void TForm_Cryptor::ShowFirstPage(int page) {
  ShowPage(page);
  Button_Zurueck->SetEnabled(true);
  Button_Zurueck->SetVisible(true);
  Button_Weiter->SetVisible(true);
  Button_Close->SetVisible(true);
}

void TForm_Cryptor::Working(int page) {
  ShowPage(page);
  Button_Zurueck->SetVisible(false);
  Button_Weiter->SetVisible(false);
  Button_Close->SetVisible(false);
  Invalidate();
  Update();
}

void TForm_Cryptor::WorkFailed() { ShowStart(); }

void TForm_Cryptor::NextClick() {
  switch (PageIndex()) {
    case 0: ShowFirstPage(RadioButton_Crypt->Checked() ? 1 : 3); break;
    case 1: EncryptFile(); break;
    case 3: DecryptFile(); break;
    default: break;
  }
}

void TForm_Cryptor::BackClick() {
  if (PageIndex() == 1 || PageIndex() == 3) ShowStart();
}

void TForm_Cryptor::EncryptFile() {
  RunWork([&] {
    bool started = false;
    const EncryptStatus s = engine_.Encrypt({JvFilenameEdit_CRYPT->FileName(), LabeledEdit_CRYPT_Password->Text(),
                                             LabeledEdit_CRYPT_Password2->Text(), CheckBox_DeleteOrginal->Checked()},
                                            ft::BarHooks(ProgressBar_Crypt, [this] { Working(2); }, started));
    // A refused input keeps the page; everything after the checks ends at the start.
    if (started || s == EncryptStatus::Error) ShowStart();
    ft::ShowOutcome(*this, EncryptMessage(s));
  });
}

void TForm_Cryptor::DecryptFile() {
  RunWork([&] {
    bool started = false;
    DecryptRequest request{JvFilenameEdit_DECRYPT->FileName(), LabeledEdit_DECRYPT_Password->Text(),
                           [this](const std::string&) {
                             return Message(DecryptFileExistsQuestion(), MsgKind::Warning, MsgButtons::YesNo) ==
                                    IDYES;
                           }};
    const DecryptStatus s =
        engine_.Decrypt(request, ft::BarHooks(ProgressBar_Decrypt, [this] { Working(4); }, started));
    if (s == DecryptStatus::WrongPassword)
      ShowFirstPage(3);
    else if (started || s == DecryptStatus::Error)
      ShowStart();
    ft::ShowOutcome(*this, DecryptMessage(s));
  });
}

ui::Form* CreateCryptorWindow(ui::Component* owner) { return cleaning::MakeModuleWindow<TForm_Cryptor>(owner); }

}  // namespace qz::fed
