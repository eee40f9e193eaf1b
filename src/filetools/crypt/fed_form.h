// The File Encrypter & Decrypter window: the module frame (cleaning/frame/
// module_window.h) with five pages:
//   0 "Start"     RadioButton_Crypt / RadioButton_Decrypt
//   1 "Crypt1"    JvFilenameEdit_CRYPT, LabeledEdit_CRYPT_Password and
//                 LabeledEdit_CRYPT_Password2 (masked), CheckBox_DeleteOrginal
//   2 "Crypt2"    ProgressBar_Crypt
//   3 "Decrypt1"  JvFilenameEdit_DECRYPT (*.crypted), LabeledEdit_DECRYPT_Password
//   4 "Decrypt2"  ProgressBar_Decrypt
// Back is shown only on Crypt1 and Decrypt1. A run hides Back, Next and
// Close and ends on the start page with its box; a wrong password returns
// to Decrypt1, and a refused input stays on its page. Closing the window
// meanwhile stops the run at its next step, removes the temporary file,
// shows nothing and then closes.
#pragma once

#include <cstdint>

#include "cleaning/frame/module_window.h"
#include "filetools/crypt/crypt_engine.h"

namespace qz::ui {
class CheckBox;
class FilenameEdit;
class Label;
class LabeledEdit;
class ProgressBar;
class RadioButton;
class RichLabel;
class TabSheet;
}  // namespace qz::ui

namespace qz::fed {

class TForm_Cryptor : public cleaning::ModuleWindow {
 public:
  explicit TForm_Cryptor(ui::Component* owner);

  // Page 0
  ui::RadioButton* RadioButton_Crypt;
  ui::RadioButton* RadioButton_Decrypt;
  // Page 1
  ui::TabSheet* TabSheet_Crypt1;
  ui::Label* Label_Crypt1_Header;
  ui::RichLabel* JvLinkLabel_Crypt1;
  ui::FilenameEdit* JvFilenameEdit_CRYPT;
  ui::LabeledEdit* LabeledEdit_CRYPT_Password;
  ui::LabeledEdit* LabeledEdit_CRYPT_Password2;
  ui::CheckBox* CheckBox_DeleteOrginal;
  // Page 2
  ui::TabSheet* TabSheet_Crypt2;
  ui::Label* Label_Crypt2_Header;
  ui::ProgressBar* ProgressBar_Crypt;
  // Page 3
  ui::TabSheet* TabSheet_Decrypt1;
  ui::Label* Label_Decrypt1_Header;
  ui::RichLabel* JvLinkLabel_Decrypt1;
  ui::FilenameEdit* JvFilenameEdit_DECRYPT;
  ui::LabeledEdit* LabeledEdit_DECRYPT_Password;
  // Page 4
  ui::TabSheet* TabSheet_Decrypt2;
  ui::Label* Label_Decrypt2_Header;
  ui::ProgressBar* ProgressBar_Decrypt;

  CryptEngine& Engine() { return engine_; }

  void EncryptFile();
  void DecryptFile();

 protected:
  void ModuleCreate() override;
  void NextClick() override;
  void BackClick() override;
  void WorkFailed() override;

 private:
  void ShowStart();
  void ShowFirstPage(int page);
  void Working(int page);

  CryptEngine engine_;
};

// The launch table's factory for "FED".
ui::Form* CreateCryptorWindow(ui::Component* owner);

}  // namespace qz::fed
