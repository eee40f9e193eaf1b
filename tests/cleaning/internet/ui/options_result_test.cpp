// The Internet Cleaner's options window (loading, Ok, the trusted hosts) and
// its result window (labels, trust from the popup, Notepad, sorting, the URL
// column).
#include "icui_fixture.h"

#include "cleaning/common/mb_format.h"
#include "ui/menu.h"

namespace qz::ic::uitest {
namespace {

using ui::CheckState;

using OptionsTest = IcUiTest;

StringList Sorted(StringList v) {
  std::sort(v.begin(), v.end(), [](const std::string& a, const std::string& b) { return IEquals(a, b) ? false : lstrcmpiA(a.c_str(), b.c_str()) < 0; });
  return v;
}

TEST_F(OptionsTest, FirstStartShowsTheDefaultsAndAStoredEmptyListStaysEmpty) {
  auto w = MakeWindow();
  TForm_ZAMO2_IC_Options& o = *w->Options();
  EXPECT_EQ(o.TrustedHosts(), Sorted(DefaultTrustedHosts()));
  EXPECT_TRUE(o.RadioButton_IE->Checked());
  EXPECT_FALSE(o.RadioButton_Firefox->Enabled());
  EXPECT_FALSE(o.ComboBox_Firefox_Profiles->Enabled());
  EXPECT_FALSE(o.RadioButton_Opera->Enabled());
  EXPECT_EQ(o.Edit_Trusted->Text(), "www.");

  RegEnsureKey(HKEY_LOCAL_MACHINE, IcKey() + "\\Trusted");
  RegSetIntegerChecked(HKEY_LOCAL_MACHINE, IcKey(), "Cache", 2);  // neither 0 nor 1: the box keeps its state
  RegSetIntegerChecked(HKEY_LOCAL_MACHINE, IcKey(), "Cookies", 0);
  RegSetIntegerChecked(HKEY_LOCAL_MACHINE, IcKey(), "Browser", 2);  // Firefox, which is not installed
  auto again = MakeWindow();
  TForm_ZAMO2_IC_Options& p = *again->Options();
  EXPECT_TRUE(p.TrustedHosts().empty());
  EXPECT_TRUE(p.CheckBox_Cache->Checked());
  EXPECT_FALSE(p.CheckBox_Cookies->Checked());
  EXPECT_TRUE(p.RadioButton_IE->Checked());
}

TEST_F(OptionsTest, AnInstalledBrowserWithProfilesIsOfferedAndChosen) {
  InstallFirefox("[Profile0]\nName=first\nPath=D:\\qzicui\\p1\n[Profile1]\nName=second\nPath=D:\\qzicui\\p2\n");
  RegSetIntegerChecked(HKEY_LOCAL_MACHINE, IcKey(), "Browser", 2);
  auto w = MakeWindow();
  TForm_ZAMO2_IC_Options& o = *w->Options();
  EXPECT_TRUE(o.RadioButton_Firefox->Checked());
  EXPECT_EQ(o.ComboBox_Firefox_Profiles->ItemCount(), 2);
  EXPECT_EQ(o.ComboBox_Firefox_Profiles->ItemIndex(), 0);
  EXPECT_EQ(o.CurrentSettings().ProfileFolder, "D:\\qzicui\\p1");
  o.ComboBox_Firefox_Profiles->SetItemIndex(1);
  EXPECT_EQ(o.CurrentSettings().ProfileFolder, "D:\\qzicui\\p2");
  EXPECT_FALSE(o.RadioButton_Mozilla->Enabled());
}

TEST_F(OptionsTest, OkStoresAndAFailedSaveIsToldOnceWithTheStoredListKept) {
  auto w = MakeWindow();
  TForm_ZAMO2_IC_Options& o = *w->Options();
  o.CheckBox_History->SetChecked(false);
  o.Button_Ok->Click();
  EXPECT_EQ(o.ModalResult(), ui::mrOk);
  EXPECT_TRUE(RegIntegerEquals(HKEY_LOCAL_MACHINE, IcKey(), "History", 0));
  EXPECT_EQ(RegGetValueType(HKEY_LOCAL_MACHINE, IcKey(), "Browser"), kRegInteger);
  EXPECT_EQ(RegListValueNames(HKEY_LOCAL_MACHINE, IcKey() + "\\Trusted").size(), 6u);
  EXPECT_TRUE(boxes.boxes.empty()) << BoxTexts();

  o.AddTrustedHost(std::string(20000, 'x'));  // a name the registry refuses
  o.Button_Ok->Click();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Error);
  EXPECT_EQ(RegListValueNames(HKEY_LOCAL_MACHINE, IcKey() + "\\Trusted").size(), 6u);
}

TEST_F(OptionsTest, AddingTrustedHosts) {
  auto w = MakeWindow();
  TForm_ZAMO2_IC_Options& o = *w->Options();
  o.ListBox_Trusted->Clear();
  o.Edit_Trusted->SetText("  www.Example.test \t");
  o.Button_Trust_Add->Click();
  EXPECT_EQ(o.TrustedHosts(), (StringList{"www.Example.test"}));
  EXPECT_EQ(o.Edit_Trusted->Text(), "  www.Example.test \t");  // the edit keeps its text
  o.Edit_Trusted->SetText("WWW.EXAMPLE.TEST");  // a case twin
  o.Button_Trust_Add->Click();
  o.Edit_Trusted->SetText(" www. ");  // the bare prefix
  o.Button_Trust_Add->Click();
  EXPECT_EQ(o.TrustedHosts().size(), 1u);
  o.Edit_Trusted->SetText("a.test");
  SendMessageW(o.Edit_Trusted->Handle(), WM_KEYDOWN, VK_RETURN, 0);  // Enter adds too
  EXPECT_EQ(o.TrustedHosts(), (StringList{"a.test", "www.Example.test"}));
  o.ListBox_Trusted->SetSelected(0, true);
  o.Button_Trust_Delete->Click();
  EXPECT_EQ(o.TrustedHosts(), (StringList{"www.Example.test"}));
}

using ResultTest = IcUiTest;

TEST_F(ResultTest, LabelsFollowEveryCheckChangeAndTheBytesReadInMegabytes) {
  cache.entries = {Content(L"http://a/", 1048576), Content(L"http://b/", 524288), Cookie(L"c.test/", 0)};
  auto w = MakeWindow();
  w->Button_Weiter->Click();
  TForm_InternetCleanerResult& r = *w->Result();
  const std::string d = cleaning::NumberFormat::User().Decimal;
  EXPECT_EQ(r.Label_IC_Found->Caption(), "3 / 3");
  EXPECT_EQ(r.Label_IC_Bytes->Caption(), "1" + d + "500 MB / 1" + d + "500 MB");
  // A category unchecked: its entries follow, and the labels with them.
  r.Model().ChangeCheckState(w->Engine().CategoryNode(ItemKind::Cache), CheckState::Unchecked);
  EXPECT_EQ(r.Label_IC_Found->Caption(), "1 / 3");
  EXPECT_EQ(r.Label_IC_Bytes->Caption(), "0" + d + "000 MB / 1" + d + "500 MB");
  r.Button_All->Click();
  EXPECT_EQ(r.Label_IC_Found->Caption(), "3 / 3");
}

TEST_F(ResultTest, TrustingCookiesFromThePopup) {
  auto w = MakeWindow();
  w->Options()->ListBox_Trusted->Clear();
  w->Button_Weiter->Click();
  TForm_InternetCleanerResult& r = *w->Result();
  ui::VTreeModel& t = r.Model();
  for (const char* s : {"Cookie:root@ads.test/", "Cookie:root@other.test/", "http://site.test/a.html"})
    t.SetSelected(Find(*w, s), true);
  boxes.answers = {IDNO};
  r.Popup_Cookies->Click();
  EXPECT_TRUE(w->Options()->TrustedHosts().empty());
  EXPECT_EQ(t.GetCheckState(Find(*w, "Cookie:root@ads.test/")), CheckState::Checked);

  boxes.answers = {IDYES};
  r.Popup_Cookies->Click();
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[1].kind, MsgKind::Question);
  EXPECT_EQ(boxes.boxes[1].text, SureSafeSiteText({}));
  EXPECT_EQ(w->Options()->TrustedHosts(), (StringList{"ads.test", "other.test"}));
  EXPECT_EQ(t.GetCheckState(Find(*w, "Cookie:root@ads.test/")), CheckState::Unchecked);
  EXPECT_EQ(t.GetCheckState(Find(*w, "Cookie:root@other.test/")), CheckState::Unchecked);
  EXPECT_EQ(t.GetCheckState(Find(*w, "http://site.test/a.html")), CheckState::Checked);
  EXPECT_EQ(r.Label_IC_Found->Caption(), "3 / 5");
}

TEST_F(ResultTest, NotepadGetsTheCookieFileQuoted) {
  cache.entries = {Content(L"http://a/", 1), FakeEntry{L"Cookie:root@x.test/", L"C:\\My Cookies\\x y.txt", true,
                                                       kCookieEntry, 5}};
  auto w = MakeWindow();
  w->Button_Weiter->Click();
  TForm_InternetCleanerResult& r = *w->Result();
  std::vector<std::string> opened;
  r.OpenInNotepad = [&](const std::string& p) { opened.push_back(p); };
  r.Model().SetSelected(Find(*w, "http://a/"), true);
  r.Popup_SeeCokie->Click();
  EXPECT_TRUE(opened.empty());  // a cache entry is no cookie
  r.Model().ClearSelection();
  r.Model().SetSelected(Find(*w, "Cookie:root@x.test/"), true);
  r.Popup_SeeCokie->Click();
  EXPECT_EQ(opened, (std::vector<std::string>{"\"C:\\My Cookies\\x y.txt\""}));
}

TEST_F(ResultTest, HeaderClicksSortStablyAndTheUrlColumnIsInternetExplorers) {
  cache.entries = {Content(L"http://s/3", 5, L"C:\\c\\b.htm"), Content(L"http://s/1", 5, L"C:\\c\\a.htm"),
                   Content(L"http://s/2", 1, L"C:\\c\\c.htm")};
  auto w = MakeWindow();
  w->Button_Weiter->Click();
  TForm_InternetCleanerResult& r = *w->Result();
  EXPECT_TRUE(r.ShowUrlColumn());
  EXPECT_GT(r.Tree->ColumnWidth(1), 0);
  EXPECT_EQ(r.Tree->ColumnWidth(0), r.Tree->ColumnWidth(1));
  r.HeaderClick(2);
  EXPECT_EQ(test::EntryTexts(r.Model()), (std::vector<std::string>{"http://s/2", "http://s/3", "http://s/1"}));
  r.HeaderClick(2);  // the sort column again: nothing
  r.HeaderClick(0);
  EXPECT_EQ(test::EntryTexts(r.Model()), (std::vector<std::string>{"http://s/1", "http://s/3", "http://s/2"}));

  r.SetShowUrlColumn(false);
  EXPECT_EQ(r.Tree->ColumnWidth(1), 0);
  EXPECT_EQ(r.Tree->ColumnWidth(0), r.Tree->Width() - 24 - r.Tree->ColumnWidth(2));
}

}  // namespace
}  // namespace qz::ic::uitest
