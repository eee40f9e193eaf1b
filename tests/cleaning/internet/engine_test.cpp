// The Internet Cleaner's engine on a scripted URL cache: what a scan lists,
// what a delete removes and counts, the typed-address list, the result
// window's rules (marks, trust from the popup, sorting) and the texts.
#include <gtest/gtest.h>

#include "cleaning/common/mb_format.h"
#include "cleaning/internet/ic_engine.h"
#include "core/globals.h"
#include "core/registry.h"
#include "ic_fixture.h"
#include "support/globals_guard.h"
#include "ui/check_state.h"

namespace qz::ic::test {
namespace {

using ui::CheckState;

class EngineTest : public ::testing::Test {
 protected:
  EngineTest() : key("ic_engine"), engine(ScratchEnvironment(key), &cache) {
    engine.BindTree(tree);
    cache.entries = {
        Content(L"http://site.test/A", 100, L"C:\\cache\\Q1\\A[1].htm"),
        Content(L"http://site.test/a", 200, L"C:\\cache\\Q2\\a[1].htm"),
        Cookie(L"www.trusted.test/"),
        Cookie(L"trusted.test/"),
        Cookie(L"ads.test/sub/", 50),
        Cookie(L"other.test/", 60),
        Visit(L"http://site.test/one"),
        Visit(L"http://site.test/two"),
    };
  }
  void Scan(const InternetCleanerSettings& s = IESettings()) { outcome = engine.RunScan(s); }

  qz::test::GlobalsGuard guard;
  qz::test::ScratchKey key;
  ui::VTreeModel tree;
  FakeUrlCache cache;
  InternetCleaner engine;
  ScanOutcome outcome = ScanOutcome::NoCategory;
};

TEST_F(EngineTest, ScanListsEachContainerUnderItsCategory) {
  Scan();
  EXPECT_EQ(outcome, ScanOutcome::Found);
  EXPECT_EQ(CategoryTexts(tree), (std::vector<std::string>{"Cache", "Cookies", "History"}));
  EXPECT_EQ(EntryTexts(tree, 1), (std::vector<std::string>{"http://site.test/A", "http://site.test/a"}));
  // "www.trusted.test" keeps both forms of its host; a sub-path is never trusted.
  EXPECT_EQ(EntryTexts(tree, 2), (std::vector<std::string>{"Cookie:root@ads.test/sub/", "Cookie:root@other.test/"}));
  EXPECT_EQ(EntryTexts(tree, 3),
            (std::vector<std::string>{"Visited: root@http://site.test/one", "Visited: root@http://site.test/two"}));
  const InternetCounters& c = engine.Counts;
  EXPECT_EQ(c.Totals.Found, 6);
  EXPECT_EQ(c.Totals.FoundBytes, 100 + 200 + 50 + 60);
  EXPECT_EQ(c.Totals.Marked, 6);
  EXPECT_EQ(engine.SearchProgress().Max, 3);
  EXPECT_EQ(engine.SearchProgress().Position, 3);

  const InternetItemNode& a = tree.Data<InternetItemNode>(FindEntry(tree, "http://site.test/A"));
  EXPECT_EQ(a.Kind, 1);
  EXPECT_EQ(a.FileName(), "A[1].htm");
  EXPECT_EQ(a.LocalFile(), "C:\\cache\\Q1\\A[1].htm");
  EXPECT_EQ(a.Caption(), a.Url());
  const InternetItemNode& v = tree.Data<InternetItemNode>(FindEntry(tree, "Visited: root@http://site.test/one"));
  EXPECT_EQ(v.Kind, 3);
  EXPECT_EQ(v.FileName(), "");
  EXPECT_EQ(v.LocalFile(), "");
  for (ui::VNode* n = tree.GetFirst(); n; n = tree.GetNext(n)) EXPECT_EQ(tree.GetCheckState(n), CheckState::Checked);
  EXPECT_EQ(tree.GetCheckType(tree.GetFirst()), ui::CheckType::TriState);
}

TEST_F(EngineTest, ScanHonoursTrustCategoriesAndEmptyCategories) {
  InternetCleanerSettings s = IESettings(false, true, false);
  s.TrustCookies = false;  // every cookie is listed
  Scan(s);
  EXPECT_EQ(EntryTexts(tree).size(), 4u);
  EXPECT_EQ(engine.SearchProgress().Max, 1);  // one checked category: the bar stays within it
  EXPECT_EQ(engine.SearchProgress().Position, 1);

  cache.entries = {Content(L"http://only/", 1)};
  Scan();
  EXPECT_EQ(CategoryTexts(tree), (std::vector<std::string>{"Cache"}));  // empty ones removed
  s = IESettings();
  s.HideEmptyCategories = false;
  Scan(s);
  EXPECT_EQ(CategoryTexts(tree), (std::vector<std::string>{"Cache", "Cookies", "History"}));

  cache.entries.clear();
  Scan();
  EXPECT_EQ(outcome, ScanOutcome::NothingFound);
  EXPECT_TRUE(EntryTexts(tree).empty());  // nothing of the earlier scan is left to delete

  Scan(IESettings(false, false, false));
  EXPECT_EQ(outcome, ScanOutcome::NoCategory);
}

TEST_F(EngineTest, CategoryCaptionsAreTranslated) {
  engine.Tr = [](const std::string& key, const std::string& word) { return key == "MESSAGE_Cookies" ? "Kekse" : word; };
  Scan();
  EXPECT_EQ(CategoryTexts(tree), (std::vector<std::string>{"Cache", "Kekse", "History"}));
}

TEST_F(EngineTest, DeleteRemovesExactlyTheCheckedEntriesByTheirOwnUrl) {
  Scan();
  tree.ChangeCheckState(FindEntry(tree, "http://site.test/A"), CheckState::Unchecked);
  tree.ChangeCheckState(FindEntry(tree, "Cookie:root@other.test/"), CheckState::Unchecked);
  tree.ChangeCheckState(FindEntry(tree, "Visited: root@http://site.test/two"), CheckState::Unchecked);
  cache.staleError = ERROR_INSUFFICIENT_BUFFER;
  EXPECT_EQ(engine.RunDelete(IESettings()), DeleteOutcome::Done);
  // The case twin "/A" differs only in letter case: it stays.
  EXPECT_EQ(cache.Deletes(), (std::vector<std::string>{"http://site.test/a", "Cookie:root@ads.test/sub/",
                                                       "Visited: root@http://site.test/one"}));
  const InternetCounters& c = engine.Counts;
  EXPECT_EQ(c.DeletedCount, 3);
  EXPECT_EQ(c.DeletedBytes, 200 + 50);
  EXPECT_EQ(c.DeleteErrors, 0);
  EXPECT_EQ(EntryTexts(tree), (std::vector<std::string>{"http://site.test/A", "Cookie:root@other.test/",
                                                       "Visited: root@http://site.test/two"}));
  EXPECT_EQ(engine.DeleteProgress().Max, 6);  // one step per entry, ending at the found count
  EXPECT_EQ(engine.DeleteProgress().Position, 6);
}

TEST_F(EngineTest, FailuresStayCheckedAndEntriesGoneBeforeCountNeitherWay) {
  Scan();
  cache.deleteResults[L"http://site.test/A"] = {false, ERROR_SHARING_VIOLATION};  // in use
  cache.deleteResults[L"http://site.test/a"] = {false, ERROR_FILE_NOT_FOUND};     // already gone
  engine.RunDelete(IESettings());
  const InternetCounters& c = engine.Counts;
  EXPECT_EQ(c.DeleteErrors, 1);
  EXPECT_EQ(c.DeletedCount, 4);
  ui::VNode* failed = FindEntry(tree, "http://site.test/A");
  ASSERT_NE(failed, nullptr);
  EXPECT_EQ(tree.GetCheckState(failed), CheckState::Checked);
  EXPECT_EQ(FindEntry(tree, "http://site.test/a"), nullptr);
  EXPECT_NE(DeletedText(c, {}).find("1 Elemente konnten nicht gelöscht werden"), std::string::npos);
}

TEST_F(EngineTest, AnEntryIsDeletedOnlyWhenItsFileWentWithIt) {
  qz::test::ScratchDir dir("ic_left");
  std::vector<std::string> left;
  cache.entries.clear();
  for (int i = 0; i < 40; ++i) {  // enough of one folder to have it read once
    left.push_back(dir.Write("f" + std::to_string(i) + ".htm"));
    cache.entries.push_back(Content(L"http://held/" + std::to_wstring(i), 1, Widen(left.back())));
  }
  cache.entries.push_back(Content(L"http://alone/", 1, Widen(dir.Write("sub\\alone.htm"))));
  cache.entries.push_back(Content(L"http://gone/", 1, Widen(dir.path() + "gone.htm")));
  Scan();
  engine.RunDelete(IESettings());
  // WinINet dropped the entries but their files stayed behind: no deletion.
  EXPECT_EQ(engine.Counts.DeleteErrors, 41);
  EXPECT_EQ(engine.Counts.DeletedCount, 1);
  EXPECT_NE(FindEntry(tree, "http://held/7"), nullptr);
  EXPECT_EQ(FindEntry(tree, "http://gone/"), nullptr);
}

TEST_F(EngineTest, ACategoryWhoseOptionWasSwitchedOffIsNotDeleted) {
  Scan();
  engine.RunDelete(IESettings(true, false, true));
  EXPECT_EQ(EntryTexts(tree, 2).size(), 2u);
  EXPECT_EQ(EntryTexts(tree, 1).size(), 0u);
}

TEST_F(EngineTest, NothingMarkedNothingDeletedAndTheTypedListStays) {
  const std::string typed = engine.TypedUrlsKey();
  RegSetStringChecked(key.root(), typed, "url1", "http://a/");
  Scan();
  ui::SetAllNodesUnchecked(tree, false);
  EXPECT_EQ(engine.RunDelete(IESettings()), DeleteOutcome::NothingMarked);
  EXPECT_TRUE(cache.Deletes().empty());
  EXPECT_EQ(RegListValueNames(key.root(), typed).size(), 1u);
}

TEST_F(EngineTest, TheTypedListFollowsTheHistory) {
  const std::string typed = engine.TypedUrlsKey();
  auto plant = [&] {
    for (const char* v : {"url1", "url3", "url7"}) RegSetStringChecked(key.root(), typed, v, std::string("http://") + v);
  };
  auto left = [&] { return RegListValueNames(key.root(), typed).size(); };

  plant();
  Scan();
  engine.RunDelete(IESettings());
  EXPECT_EQ(left(), 0u);
  EXPECT_EQ(engine.Counts.DeleteErrors, 0);

  plant();  // the History option off: kept
  Scan(IESettings(true, true, false));
  engine.RunDelete(IESettings(true, true, false));
  EXPECT_EQ(left(), 3u);

  Scan();  // the History category unchecked in the result window: kept
  tree.ChangeCheckState(engine.CategoryNode(ItemKind::History), CheckState::Unchecked);
  engine.RunDelete(IESettings());
  EXPECT_EQ(left(), 3u);

  // No visit at all: the empty History category was removed, the list goes.
  cache.entries = {Content(L"http://only/", 1)};
  Scan();
  EXPECT_EQ(engine.CategoryNode(ItemKind::History), nullptr);
  engine.RunDelete(IESettings());
  EXPECT_EQ(left(), 0u);
}

TEST_F(EngineTest, MarkedCountersFollowEveryChangeIncludingPropagatedOnes) {
  tree.OnChecking = [this](ui::VNode* n, CheckState s) {
    cleaning::TrackCheckChange(engine.Counts.Totals, tree, n, s, InternetEntry);
    return true;
  };
  Scan();
  tree.ChangeCheckState(engine.CategoryNode(ItemKind::Cache), CheckState::Unchecked);
  EXPECT_EQ(engine.Counts.Totals.Marked, 4);
  EXPECT_EQ(engine.Counts.Totals.MarkedBytes, 110);
  EXPECT_EQ(FoundLabelText(engine.Counts), "4 / 6");
  tree.ChangeCheckState(FindEntry(tree, "http://site.test/a"), CheckState::Checked);
  EXPECT_EQ(FoundLabelText(engine.Counts), "5 / 6");
  EXPECT_EQ(tree.GetCheckState(engine.CategoryNode(ItemKind::Cache)), CheckState::Mixed);
}

TEST_F(EngineTest, PopupTrustAddsTheHostsOfSelectedCookiesAndUnchecksAllTheirCookies) {
  cache.entries.push_back(Cookie(L"other.test/"));  // never planted twice by WinINet, but two nodes of one host
  cache.entries.back().url = L"Cookie:admin@other.test/";
  Scan();
  tree.SetSelected(FindEntry(tree, "Cookie:root@ads.test/sub/"), true);
  tree.SetSelected(FindEntry(tree, "Cookie:root@other.test/"), true);
  tree.SetSelected(FindEntry(tree, "http://site.test/A"), true);  // a cache node gives no host
  StringList trusted = {"www.trusted.test", "ADS.test/sub"};
  EXPECT_EQ(engine.TrustSelectedCookies(trusted), 1);  // ads.test/sub is there already (letter case aside)
  EXPECT_EQ(trusted, (StringList{"www.trusted.test", "ADS.test/sub", "other.test"}));
  for (const char* c : {"Cookie:root@ads.test/sub/", "Cookie:root@other.test/", "Cookie:admin@other.test/"})
    EXPECT_EQ(tree.GetCheckState(FindEntry(tree, c)), CheckState::Unchecked) << c;
  EXPECT_EQ(tree.GetCheckState(FindEntry(tree, "http://site.test/A")), CheckState::Checked);
  EXPECT_EQ(engine.Counts.Totals.Marked, 4);
}

TEST_F(EngineTest, CookieFileForNotepadOnlyFromACookie) {
  Scan();
  tree.SetSelected(FindEntry(tree, "http://site.test/A"), true);
  EXPECT_EQ(engine.SelectedCookieFile(), "");
  tree.ClearSelection();
  tree.SetSelected(FindEntry(tree, "Cookie:root@other.test/"), true);
  EXPECT_EQ(engine.SelectedCookieFile(), "C:\\cookies\\oth.txt");
}

TEST_F(EngineTest, SortingIsStableAndByTheColumnsText) {
  cache.entries = {Content(L"http://s/3", 5, L"C:\\c\\b.htm"), Content(L"http://s/1", 5, L"C:\\c\\a.htm"),
                   Content(L"http://s/2", 1, L"C:\\c\\c.htm"), Visit(L"http://z/"), Visit(L"http://b/")};
  Scan();
  int sortColumn = 0;
  auto sort = [&](int column) {
    return cleaning::SortByColumn(tree, sortColumn, column, [&](ui::VNode* a, ui::VNode* b, int c) {
      return CompareInternetNodes(tree.Data<InternetItemNode>(a), tree.Data<InternetItemNode>(b), c);
    });
  };
  EXPECT_FALSE(sort(0));  // already the sort column
  EXPECT_TRUE(sort(2));
  EXPECT_FALSE(sort(2));
  // Equal sizes keep their order.
  EXPECT_EQ(EntryTexts(tree, 1), (std::vector<std::string>{"http://s/2", "http://s/3", "http://s/1"}));
  EXPECT_TRUE(sort(1));
  EXPECT_EQ(EntryTexts(tree, 1), (std::vector<std::string>{"http://s/1", "http://s/2", "http://s/3"}));
  EXPECT_TRUE(sort(0));  // the file name; a visit by its URL
  EXPECT_EQ(EntryTexts(tree, 1), (std::vector<std::string>{"http://s/1", "http://s/3", "http://s/2"}));
  EXPECT_EQ(EntryTexts(tree, 3), (std::vector<std::string>{"Visited: root@http://b/", "Visited: root@http://z/"}));
}

TEST_F(EngineTest, AbortDuringTheScanIsACancelledScan) {
  for (int i = 0; i < 20; ++i) cache.entries.push_back(Content(L"http://many/" + std::to_wstring(i), 1));
  engine.OnProgress = [] { AbortFlag = 1; };  // set once the first category is done
  Scan();
  EXPECT_EQ(outcome, ScanOutcome::Cancelled);
}

TEST_F(EngineTest, TheOptimizerRunsWithTheStoredOptionsAndReadsThisRunsCounters) {
  const std::string options = key / "IC";
  RegSetIntegerChecked(key.root(), options, "Cookies", 0);
  RegSetStringChecked(key.root(), engine.TypedUrlsKey(), "url1", "http://typed/");
  cache.entries.push_back(Content(L"http://big/", 5ull << 30));
  engine.OptionsRoot = key.root();
  engine.OptionsKeyPath = options;
  cleaning::UnattendedCleaner& oco = engine;
  EXPECT_EQ(oco.Counters().Deleted, 0);
  oco.Search();
  EXPECT_TRUE(EntryTexts(tree, 2).empty());  // the stored options: no cookies
  EXPECT_EQ(oco.Progress().Max, 2);
  EXPECT_EQ(oco.Progress().Position, 2);
  EXPECT_TRUE(oco.Progress().Line1.empty());
  oco.DeleteMarked();  // everything found is marked
  const cleaning::CleanerCounters c = oco.Counters();
  EXPECT_EQ(c.Deleted, 5);
  EXPECT_EQ(c.Bytes, 300 + (5LL << 30));
  EXPECT_EQ(c.Errors, 0);
  EXPECT_EQ(oco.Progress().Max, 5);
  EXPECT_TRUE(RegListValueNames(key.root(), engine.TypedUrlsKey()).empty());  // the default run clears it
}

TEST(InternetTexts, LabelsSummaryAndBoxes) {
  InternetCounters c;
  c.Totals.Found = 6;
  c.Totals.FoundBytes = 1572864;
  c.Totals.Marked = 5;
  c.Totals.MarkedBytes = 5LL << 30;  // beyond 32 bits
  const std::string d = cleaning::NumberFormat::User().Decimal;
  const std::string t = cleaning::NumberFormat::User().Thousands;
  EXPECT_EQ(BytesLabelText(c), "5" + t + "120" + d + "000 MB / 1" + d + "500 MB");
  const TranslateFn english = [](const std::string& key, const std::string& german) {
    if (key == "MESSAGE_FoundXXX") return std::string("%1 found (%2 MB), %3 marked (%4 MB), %1 again");
    return german;
  };
  EXPECT_EQ(FoundSummaryText(c, english), "6 found (1" + d + "50 MB), 5 marked (5120" + d + "00 MB), 6 again");
  c.DeletedCount = 5;
  EXPECT_EQ(DeletedText(c, {}), "Es wurden 5 Internet-Elemente gelöscht.");
  c.DeleteErrors = 2;
  EXPECT_EQ(DeletedText(c, {}), "Es wurden 5 Internet-Elemente gelöscht.\r"
                                "2 Elemente konnten nicht gelöscht werden, weil sie gerade benutzt werden.");
}

}  // namespace
}  // namespace qz::ic::test
