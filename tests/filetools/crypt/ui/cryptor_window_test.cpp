// The File Encrypter & Decrypter window: the page flow with Back shown only
// on the entry pages, the buttons hidden while a run works, refusals that
// keep the page, a wrong password that returns to Decrypt1, and a close
// during a run.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "filetools/common/faulty_fs.h"
#include "filetools/common/window_fixture.h"
#include "filetools/crypt/fed_form.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"

namespace qz::fed {
namespace {

using ft::test::Listing;
using ft::test::Pattern;
using ft::test::ReadBytes;
using ft::test::WriteBytes;
using Names = std::vector<std::string>;

class CryptorWindowTest : public ft::test::WindowTest {
 protected:
  CryptorWindowTest() : WindowTest("fed-ui") {}
  std::unique_ptr<TForm_Cryptor> MakeWindow() {
    return std::unique_ptr<TForm_Cryptor>(static_cast<TForm_Cryptor*>(CreateCryptorWindow(nullptr)));
  }
  void FillCrypt(TForm_Cryptor& w, const std::string& p1, const std::string& p2) {
    w.RadioButton_Crypt->SetChecked(true);
    w.Button_Weiter->Click();
    w.JvFilenameEdit_CRYPT->SetFileName(source);
    w.LabeledEdit_CRYPT_Password->SetText(p1);
    w.LabeledEdit_CRYPT_Password2->SetText(p2);
  }
  void FillDecrypt(TForm_Cryptor& w, const std::string& password) {
    w.RadioButton_Decrypt->SetChecked(true);
    w.Button_Weiter->Click();
    w.JvFilenameEdit_DECRYPT->SetFileName(source + ".crypted");
    w.LabeledEdit_DECRYPT_Password->SetText(password);
  }
  static bool Shown(const TForm_Cryptor& w) {
    return w.Button_Zurueck->Visible() && w.Button_Weiter->Visible() && w.Button_Close->Visible();
  }

  qz::test::ScratchDir dir{"fed_ui"};
  std::string source = dir / "data.bin";
  std::string data = Pattern(1048576 + 7);
};

TEST_F(CryptorWindowTest, PageFlow) {
  auto w = MakeWindow();
  EXPECT_EQ(w->JvPageControl1->PageCount(), 5);
  EXPECT_EQ(w->PageIndex(), 0);
  EXPECT_FALSE(w->Button_Zurueck->Visible());
  EXPECT_EQ(w->LabeledEdit_CRYPT_Password->PasswordChar(), '*');
  EXPECT_EQ(w->LabeledEdit_CRYPT_Password2->PasswordChar(), '*');
  EXPECT_EQ(w->LabeledEdit_DECRYPT_Password->PasswordChar(), '*');
  EXPECT_EQ(w->JvFilenameEdit_DECRYPT->Filter, "Crypted Files|*.crypted");
  w->Button_Weiter->Click();
  EXPECT_EQ(w->PageIndex(), 1);
  EXPECT_TRUE(w->Button_Zurueck->Visible());
  EXPECT_TRUE(w->Button_Zurueck->Enabled());
  w->Button_Zurueck->Click();
  EXPECT_EQ(w->PageIndex(), 0);
  EXPECT_FALSE(w->Button_Zurueck->Visible());
  w->RadioButton_Decrypt->SetChecked(true);
  w->Button_Weiter->Click();
  EXPECT_EQ(w->PageIndex(), 3);
  EXPECT_TRUE(w->Button_Zurueck->Visible());
}

TEST_F(CryptorWindowTest, EncryptThenDecrypt) {
  WriteBytes(source, data);
  auto w = MakeWindow();
  FillCrypt(*w, "test1234", "test1234");
  w->CheckBox_DeleteOrginal->SetChecked(true);
  int checks = 0;
  ui::App().Post([&] {
    ++checks;
    EXPECT_EQ(w->PageIndex(), 2);
    EXPECT_FALSE(w->Button_Zurueck->Visible());
    EXPECT_FALSE(w->Button_Weiter->Visible());
    EXPECT_FALSE(w->Button_Close->Visible());
  });
  w->Button_Weiter->Click();
  EXPECT_EQ(checks, 1);
  EXPECT_EQ(LastBox()->text, "Die Datei wurde verschlüsselt.") << BoxTexts();
  EXPECT_EQ(w->PageIndex(), 0);
  EXPECT_FALSE(w->Button_Zurueck->Visible());
  EXPECT_TRUE(w->Button_Weiter->Visible());
  EXPECT_TRUE(w->Button_Close->Visible());
  EXPECT_EQ(Listing(dir.path()), Names{"data.bin.crypted"});

  FillDecrypt(*w, "test1234");
  w->Button_Weiter->Click();
  EXPECT_EQ(LastBox()->text, "Die Datei wurde erfolgreich entschlüsselt.");
  EXPECT_TRUE(ReadBytes(source) == data);
  EXPECT_EQ(w->PageIndex(), 0);
}

TEST_F(CryptorWindowTest, RefusalsKeepThePage) {
  WriteBytes(source, data);
  auto w = MakeWindow();
  FillCrypt(*w, "test1234", "test1235");
  w->Button_Weiter->Click();
  EXPECT_EQ(LastBox()->text, "Sie müssen in beide Eingabefelder dasselbe Passwort eingeben!");
  EXPECT_EQ(LastBox()->kind, MsgKind::Warning);
  EXPECT_EQ(w->PageIndex(), 1);
  EXPECT_TRUE(Shown(*w));
  w->LabeledEdit_CRYPT_Password->SetText("ab\xE4\xB8\xAD" "cd");
  w->LabeledEdit_CRYPT_Password2->SetText("ab\xE4\xB8\xAD" "cd");
  w->Button_Weiter->Click();
  EXPECT_EQ(LastBox()->text,
            "Das Passwort enthält Zeichen, die nicht verwendet werden können. Bitte wählen Sie ein anderes Passwort.");
  EXPECT_EQ(w->PageIndex(), 1);
  EXPECT_EQ(Listing(dir.path()), Names{"data.bin"});
}

TEST_F(CryptorWindowTest, WrongPasswordReturnsToDecryptAndKeepsTheTarget) {
  WriteBytes(source, data);
  ASSERT_EQ(CryptEngine().Encrypt({source, "test1234", "test1234", false}), EncryptStatus::Success);
  WriteBytes(source, "kept");
  auto w = MakeWindow();
  FillDecrypt(*w, "wrong123");
  boxes.answers = {IDNO};
  w->Button_Weiter->Click();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "Die Zieldatei existiert bereits - soll diese überschrieben werden?");
  EXPECT_EQ(w->PageIndex(), 3);

  boxes.answers = {IDYES};
  w->Button_Weiter->Click();
  EXPECT_EQ(LastBox()->text, "Das Passwort war falsch! Bitte geben Sie das korrekte Passwort für diese Datei ein!");
  EXPECT_EQ(LastBox()->kind, MsgKind::Error);
  EXPECT_EQ(w->PageIndex(), 3);
  EXPECT_TRUE(Shown(*w));
  EXPECT_EQ(ReadBytes(source), "kept");
  EXPECT_EQ(Listing(dir.path()), (Names{"data.bin", "data.bin.crypted"}));
}

TEST_F(CryptorWindowTest, CloseDuringADecryptionLeavesNothingAndShowsNothing) {
  WriteBytes(source, data);
  ASSERT_EQ(CryptEngine().Encrypt({source, "test1234", "test1234", true}), EncryptStatus::Success);
  auto w = MakeWindow();
  FillDecrypt(*w, "test1234");
  int closed = 0;
  w->OnClose = [&](ui::CloseAction&) { ++closed; };
  ui::App().Post([&] { w->Close(); });
  w->Button_Weiter->Click();
  EXPECT_EQ(closed, 1);
  EXPECT_TRUE(boxes.boxes.empty()) << BoxTexts();
  EXPECT_EQ(Listing(dir.path()), Names{"data.bin.crypted"});
}

}  // namespace
}  // namespace qz::fed
