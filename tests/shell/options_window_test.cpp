// The Options window: what it shows of the installed languages and skins and
// the stored settings, what OK stores (and when it asks for a restart), the
// reset, a failed write, help.
#include <gtest/gtest.h>

#include <memory>

#include "core/help.h"
#include "core/language.h"
#include "core/registry.h"
#include "shell/options_window.h"
#include "shell/shell_test_util.h"
#include "ui/graphics.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"

namespace qz::shell {
namespace {

class OptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LanguageList = {"1033", "Deutsch", "1031"};
    LanguageID = 1031;
    SkinList = {"default", "Blue"};
    SkinDir = AppDir + "\\Skins\\BLUE";
    RegSetIntegerChecked(HKEY_LOCAL_MACHINE, MaskKey() + "\\FileTyp0", "Checked", 1);
    RegSetIntegerChecked(HKEY_LOCAL_MACHINE, ProductRegKey, "FirstRunDone", 1);
  }
  static std::string MaskKey() { return OptionsKey("DC") + "\\Mask"; }
  std::unique_ptr<TForm_ZAMO2_Options> Make() {
    auto w = std::make_unique<TForm_ZAMO2_Options>(nullptr);
    w->DoCreate();
    return w;
  }
  std::string Stored(const char* name) { return RegGetString(HKEY_LOCAL_MACHINE, ProductRegKey, name); }

  qz::test::ShellGlobals globals{"shell_options"};
  qz::test::MessageBoxRecorder boxes;
};

TEST_F(OptionsTest, ShowsTheLanguagesSkinsAndStoredChoices) {
  RegSetIntegerChecked(HKEY_LOCAL_MACHINE, OptionsKey(), "HideEmptyCategories", 0);
  RegSetIntegerChecked(HKEY_LOCAL_MACHINE, OptionsKey(), "OpenMaximized", 7);
  auto w = Make();
  EXPECT_EQ(w->Caption(), "Einstellungen zur Software");
  EXPECT_EQ(w->ClientWidth(), 560);
  EXPECT_EQ(w->ClientHeight(), 480);
  EXPECT_TRUE(w->StayOnTop());
  EXPECT_EQ(w->PageControl1->PageCount(), 3);
  EXPECT_TRUE(w->PageControl1->TabsVisible());
  EXPECT_EQ(w->PageControl1->ActivePageIndex(), 0);
  EXPECT_EQ(w->TabSheet_ResultWindows->Caption(), "Ergebnissfenster");

  // A language file whose name is no number is left out; each entry keeps
  // its id, and the running language is found by it.
  ASSERT_EQ(w->ComboBox_Languages->ItemCount(), 2);
  EXPECT_EQ(w->ComboBox_Languages->ItemText(0), GetLanguageName(1033));
  EXPECT_EQ(w->ComboBox_Languages->ItemData(0), 1033);
  EXPECT_EQ(w->ComboBox_Languages->ItemData(1), 1031);
  EXPECT_EQ(w->ComboBox_Languages->ItemIndex(), 1);
  // The skin of SkinDir, without regard to case.
  ASSERT_EQ(w->ComboBox_Skins->ItemCount(), 2);
  EXPECT_EQ(w->ComboBox_Skins->ItemIndex(), 1);

  EXPECT_FALSE(w->CheckBox_HideEmpty->Checked());
  EXPECT_TRUE(w->CheckBox_OpenMaximized->Checked()) << "7 leaves the box as designed";
}

// OK without a change of language or skin: everything stored, no restart
// message, the Drive Cleaner's groups kept.
TEST_F(OptionsTest, OkWithoutAChangeStoresAndAsksNothing) {
  auto w = Make();
  w->CheckBox_HideEmpty->SetChecked(false);
  w->Button_Ok->Click();
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_EQ(w->ModalResult(), ui::mrOk);
  EXPECT_EQ(Stored("ForceLanguageID"), "1031");
  EXPECT_EQ(RegGetValueType(HKEY_LOCAL_MACHINE, ProductRegKey, "ForceLanguageID"), kRegString);
  EXPECT_EQ(Stored("UseSkin"), "Blue");
  EXPECT_TRUE(RegIntegerEquals(HKEY_LOCAL_MACHINE, OptionsKey(), "HideEmptyCategories", 0));
  EXPECT_TRUE(RegIntegerEquals(HKEY_LOCAL_MACHINE, OptionsKey(), "OpenMaximized", 1));
  EXPECT_TRUE(RegHasKey(HKEY_LOCAL_MACHINE, MaskKey()));
}

TEST_F(OptionsTest, ChangingTheSkinOrTheLanguageAsksForARestartAndDropsTheMaskGroups) {
  {
    auto w = Make();
    w->ComboBox_Skins->SetItemIndex(0);
    w->Button_Ok->Click();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Sie müssen die Anwendung neu starten damit die Änderungen wirksam werden.");
    EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Information);
    EXPECT_EQ(boxes.boxes[0].owner, w->Handle());
    EXPECT_EQ(Stored("UseSkin"), "default");
    EXPECT_FALSE(RegHasKey(HKEY_LOCAL_MACHINE, MaskKey()));
  }
  // The entry after a left-out file stores its own id.
  boxes.boxes.clear();
  LanguageID = 1033;
  auto w = Make();
  w->ComboBox_Languages->SetItemIndex(1);
  w->Button_Ok->Click();
  EXPECT_EQ(Stored("ForceLanguageID"), "1031");
  EXPECT_EQ(boxes.boxes.size(), 1u);
}

// The running language has no entry: OK stores nothing for the language (the
// stored value stays) and the rest as usual.
TEST_F(OptionsTest, WithoutALanguageEntryOkLeavesTheLanguageAlone) {
  RegSetStringChecked(HKEY_LOCAL_MACHINE, ProductRegKey, "ForceLanguageID", "1040");
  LanguageID = 1040;
  auto w = Make();
  EXPECT_EQ(w->ComboBox_Languages->ItemIndex(), -1);
  w->Button_Ok->Click();
  EXPECT_EQ(Stored("ForceLanguageID"), "1040");
  EXPECT_EQ(Stored("UseSkin"), "Blue");
  EXPECT_TRUE(RegIntegerEquals(HKEY_LOCAL_MACHINE, OptionsKey(), "HideEmptyCategories", 1));
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(OptionsTest, ResetRemovesEverySettingButTheFirstRunMark) {
  RegSetStringChecked(HKEY_LOCAL_MACHINE, ProductRegKey, "ForceLanguageID", "1031");
  RegSetStringChecked(HKEY_LOCAL_MACHINE, ProductRegKey, "UseSkin", "Blue");
  RegSetIntegerChecked(HKEY_LOCAL_MACHINE, OptionsKey(), "ExpertMode", 1);
  auto w = Make();

  boxes.answers = {IDNO};
  w->Button_Reset->Click();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "Sind Sie sicher, dass Sie alle Einstellungen zurücksetzen wollen?");
  EXPECT_EQ(boxes.boxes[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(Stored("UseSkin"), "Blue");
  EXPECT_EQ(w->ModalResult(), ui::mrNone);

  boxes.answers = {IDYES};
  w->Button_Reset->Click();
  ASSERT_EQ(boxes.boxes.size(), 3u);
  EXPECT_EQ(boxes.boxes[2].text.rfind("Einstellungen wurden zurückgesetzt.", 0), 0u);
  EXPECT_FALSE(RegHasValue(HKEY_LOCAL_MACHINE, ProductRegKey, "ForceLanguageID"));
  EXPECT_FALSE(RegHasValue(HKEY_LOCAL_MACHINE, ProductRegKey, "UseSkin"));
  EXPECT_FALSE(RegHasKey(HKEY_LOCAL_MACHINE, OptionsKey()));
  EXPECT_TRUE(RegIntegerEquals(HKEY_LOCAL_MACHINE, ProductRegKey, "FirstRunDone", 1));
  EXPECT_NE(w->ModalResult(), ui::mrNone);
}

// A settings key that cannot be written: the failure is reported, not a
// restart.
TEST_F(OptionsTest, AFailedWriteIsReported) {
  auto w = Make();
  w->ComboBox_Skins->SetItemIndex(0);
  ProductRegKey += "\\" + std::string(300, 'x');  // no key name is that long
  w->Button_Ok->Click();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text,
            "Die Einstellungen konnten nicht gespeichert werden. Bitte prüfen Sie Ihre Berechtigungen.");
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Error);
}

TEST_F(OptionsTest, HelpOpensTheOptionsTopic) {
  auto w = Make();
  std::vector<std::wstring> calls;
  SetHtmlHelpFunction([&](HWND, const std::wstring& file, UINT, DWORD_PTR) {
    calls.push_back(file);
    return HWND(nullptr);
  });
  w->Button_Help->Click();
  SetHtmlHelpFunction(nullptr);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_NE(calls[0].find(L"::/OPTIONS.htm"), std::wstring::npos);
}

}  // namespace
}  // namespace qz::shell
