// The Internet Cleaner window: the wizard's states without Cancel and timer,
// the search and delete with their boxes, the settings taken live from the
// options window, the typed-address list, a close during a search, the
// History folder, and the run the One-Click-Optimizer makes on a hidden
// window.
#include "icui_fixture.h"

#include "ui/pagecontrol.h"

namespace qz::ic::uitest {
namespace {

using cleaning::WizardState;
using Row = cleaning::test::StateRow;
// Without a Cancel button the Close button stays.
const Row kStart = cleaning::test::kStartRow;
const Row kSearching{WizardState::Searching, 1, false, false, true, false};
const Row kResults = cleaning::test::kResultsRow;
const Row kDeleting{WizardState::Deleting, 3, false, false, true, false};
void ExpectRow(const TForm_ZAMO2_IC& w, const Row& r) { cleaning::test::ExpectState(w, r); }

using WindowTest = IcUiTest;

TEST_F(WindowTest, CreationPagesAndStates) {
  auto w = MakeWindow();
  EXPECT_EQ(w->Caption(), ProductTitle);
  EXPECT_EQ(w->JvPageControl1->PageCount(), 4);
  EXPECT_EQ(w->Button_Cancel, nullptr);
  EXPECT_EQ(w->ProgressTimer, nullptr);
  EXPECT_FALSE(w->Image_HeaderIcon->Picture().Empty());
  EXPECT_TRUE(w->RadioButton_Start->Checked());
  ExpectRow(*w, kStart);
  for (const Row& r : {kSearching, kResults, kDeleting, kStart}) {
    w->SetState(r.state);
    ExpectRow(*w, r);
  }
}

TEST_F(WindowTest, NoCategoryCheckedWarnsAndStays) {
  auto w = MakeWindow();
  for (ui::CheckBox* c : {w->Options()->CheckBox_Cache, w->Options()->CheckBox_Cookies, w->Options()->CheckBox_History})
    c->SetChecked(false);
  w->Button_Weiter->Click();
  ASSERT_EQ(boxes.boxes.size(), 1u) << BoxTexts();
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Warning);
  EXPECT_EQ(boxes.boxes[0].text, NoElementSelectedText({}));
  EXPECT_TRUE(cache.log.empty());
  ExpectRow(*w, kStart);
}

TEST_F(WindowTest, SearchShowsTheSummaryAndStepsTheBarPerCheckedCategory) {
  auto w = MakeWindow();
  w->Options()->CheckBox_Cache->SetChecked(false);
  w->Options()->CheckBox_History->SetChecked(false);
  w->Button_Weiter->Click();
  ExpectRow(*w, kResults);
  EXPECT_EQ(w->ProgressBar_Search->Max(), 1);
  EXPECT_EQ(w->ProgressBar_Search->Position(), 1);
  EXPECT_NE(w->JvLinkLabel_Result->Caption().find("insgesammt 2 Internet-Elemente"), std::string::npos)
      << w->JvLinkLabel_Result->Caption();
  EXPECT_TRUE(boxes.boxes.empty()) << BoxTexts();

  // Back returns to the start.
  w->Button_Zurueck->Click();
  ExpectRow(*w, kStart);
}

TEST_F(WindowTest, EmptyCategoriesGoUnlessTheOptionSaysKeepThem) {
  cache.entries = {Content(L"http://only/", 5)};
  auto w = MakeWindow();
  w->Button_Weiter->Click();
  EXPECT_EQ(test::CategoryTexts(w->Result()->Model()), (std::vector<std::string>{"Cache"}));
  RegSetIntegerChecked(HKEY_LOCAL_MACHINE, OptionsKey(), "HideEmptyCategories", 0);
  w->Button_Zurueck->Click();
  w->Button_Weiter->Click();
  EXPECT_EQ(test::CategoryTexts(w->Result()->Model()), (std::vector<std::string>{"Cache", "Cookies", "History"}));
}

TEST_F(WindowTest, NothingMarkedDeletesNothingAndKeepsTheTypedList) {
  const std::string typed = "Software\\Microsoft\\Internet Explorer\\TypedURLs";
  RegSetStringChecked(browsers.root(), browsers / typed, "url1", "http://typed/");
  auto w = MakeWindow();
  w->Button_Weiter->Click();
  w->Result()->Button_None->Click();
  w->Button_Weiter->Click();
  ASSERT_EQ(boxes.boxes.size(), 1u) << BoxTexts();
  EXPECT_EQ(boxes.boxes[0].text, NoElementsToDeleteText({}));
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Information);
  EXPECT_TRUE(cache.Deletes().empty());
  EXPECT_EQ(RegListValueNames(browsers.root(), browsers / typed).size(), 1u);
  ExpectRow(*w, kResults);
}

TEST_F(WindowTest, DeleteUsesTheLiveOptionsAndTellsTheCountAndTheErrors) {
  const std::string typed = browsers / "Software\\Microsoft\\Internet Explorer\\TypedURLs";
  for (const char* v : {"url1", "url3", "url7"}) RegSetStringChecked(browsers.root(), typed, v, "http://x/");
  auto w = MakeWindow();
  w->Button_Weiter->Click();
  ExpectRow(*w, kResults);
  // Changed after the search: the history stays, and the typed list with it.
  w->Options()->CheckBox_History->SetChecked(false);
  cache.deleteResults[L"http://site.test/b.html"] = {false, ERROR_SHARING_VIOLATION};
  w->Button_Weiter->Click();
  EXPECT_EQ(cache.Deletes(), (std::vector<std::string>{"http://site.test/a.html", "http://site.test/b.html",
                                                       "Cookie:root@ads.test/", "Cookie:root@other.test/"}));
  EXPECT_EQ(RegListValueNames(browsers.root(), typed).size(), 3u);
  ASSERT_EQ(boxes.boxes.size(), 1u) << BoxTexts();
  EXPECT_EQ(boxes.boxes[0].text, "Es wurden 3 Internet-Elemente gelöscht.\r"
                                 "1 Elemente konnten nicht gelöscht werden, weil sie gerade benutzt werden.");
  EXPECT_EQ(w->ProgressBar_Delete->Max(), 5);
  EXPECT_EQ(w->ProgressBar_Delete->Position(), 5);
  ExpectRow(*w, kStart);

  // With the history: the typed list goes too.
  w->Options()->CheckBox_History->SetChecked(true);
  w->Button_Weiter->Click();
  w->Button_Weiter->Click();
  EXPECT_TRUE(RegListValueNames(browsers.root(), typed).empty());
}

TEST_F(WindowTest, AProfileBoxWithoutSelectionIsNoProfile) {
  InstallFirefox("[Profile0]\nName=default\nIsRelative=1\nPath=Profiles/x.default\n");
  appData.Write("Mozilla\\Firefox\\Profiles\\x.default\\cookies.txt", "c");
  auto w = MakeWindow();
  ASSERT_TRUE(w->Options()->RadioButton_Firefox->Enabled());
  w->Options()->RadioButton_Firefox->SetChecked(true);
  w->Options()->ComboBox_Firefox_Profiles->SetItemIndex(-1);
  w->Button_Weiter->Click();
  ASSERT_EQ(boxes.boxes.size(), 1u) << BoxTexts();
  EXPECT_EQ(boxes.boxes[0].text, NoElementsFoundText({}));
  ExpectRow(*w, kStart);

  w->Options()->ComboBox_Firefox_Profiles->SetItemIndex(0);
  w->Button_Weiter->Click();
  ExpectRow(*w, kResults);
  EXPECT_EQ(test::EntryTexts(w->Result()->Model()),
            (std::vector<std::string>{Environment().FirefoxFolder() + "Profiles\\x.default\\cookies.txt"}));
  EXPECT_FALSE(w->Result()->ShowUrlColumn());
}

TEST_F(WindowTest, CloseDuringASearchWaitsForIt) {
  auto w = MakeWindow();
  const cleaning::test::CloseDuringRun c = cleaning::test::CloseWhileRunning(*w, [&] { w->RunInternetScan(); });
  EXPECT_EQ(c.closesDuringRun, 0);
  EXPECT_EQ(c.closes, 1);
  EXPECT_FALSE(c.runningAtClose);
  EXPECT_LT(cache.log.size(), 6u);  // not every category was walked
  ExpectRow(*w, kStart);
  EXPECT_TRUE(boxes.boxes.empty()) << BoxTexts();
}

TEST_F(WindowTest, TheWindowsHistoryGoesToTheShellAndOnlyAFailureIsTold) {
  historyItems = {{0, "Today", true}, {1, "loose", false}};
  auto w = MakeWindow();
  w->RadioButton_Verlauf->SetChecked(true);
  w->Button_Weiter->Click();
  EXPECT_EQ(historyOpened, 1);
  EXPECT_EQ(w->LastHistory().Outcome, HistoryOutcome::Handed);
  EXPECT_TRUE(boxes.boxes.empty()) << BoxTexts();
  ExpectRow(*w, kStart);

  historyResult = E_NOINTERFACE;
  w->Button_Weiter->Click();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Error);
  EXPECT_EQ(boxes.boxes[0].text.rfind("Error:16386 ", 0), 0u) << boxes.boxes[0].text;
}

TEST_F(WindowTest, OptionsFromTheStartPage) {
  auto w = MakeWindow();
  EXPECT_EQ(ShownOnNext(*w, w->RadioButton_Options, w->Options()), 1);
  ExpectRow(*w, kStart);
}

TEST_F(WindowTest, TheOptimizerRunsAHiddenWindowWithoutABox) {
  OcoRunning = 1;
  cache.entries.push_back(Content(L"http://big/", 6ull << 30));
  auto w = MakeWindow();
  EXPECT_TRUE(w->Image_HeaderIcon->Picture().Empty());  // no skinning
  w->RunInternetScan();
  ExpectRow(*w, kResults);
  w->DeleteInternetItems();
  ExpectRow(*w, kDeleting);  // stays on the delete page
  const cleaning::CleanerCounters c = w->Engine().Counters();
  EXPECT_EQ(c.Deleted, 6);
  EXPECT_EQ(c.Bytes, 3000 + (6LL << 30) + 40 + 40);
  EXPECT_EQ(c.Errors, 0);
  EXPECT_TRUE(boxes.boxes.empty()) << BoxTexts();
  EXPECT_FALSE(w->Visible());
}

}  // namespace
}  // namespace qz::ic::uitest
