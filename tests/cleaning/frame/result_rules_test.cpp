// The result rules every cleaner shares, on a tree of a record of the test's
// own: totals over the entry accessor, their tracking on single check
// changes, the header-click sort, the removal of empty categories and the two
// settings the result windows read.
#include <gtest/gtest.h>

#include "cleaning/frame/result_rules.h"
#include "core/registry.h"
#include "support/sandbox.h"

using namespace qz;
using namespace qz::cleaning;
using ui::CheckState;
using ui::VNode;
using ui::VTreeModel;

namespace {

struct Item {
  std::string Name;
  int64_t Size = 0;
  bool Category = false;
};

EntryFacts ItemFacts(const VTreeModel& t, VNode* n) {
  const Item& i = t.Data<Item>(n);
  return {!i.Category, i.Size};
}

struct ItemTree {
  VTreeModel tree;
  ResultTotals totals;
  ItemTree() {
    tree.SetRecordType<Item>();
    tree.OnChecking = [this](VNode* n, CheckState s) {
      TrackCheckChange(totals, tree, n, s, ItemFacts);
      return true;
    };
  }
  VNode* Category(const std::string& name) { return Add(nullptr, name, 0, true); }
  VNode* Add(VNode* parent, const std::string& name, int64_t size, bool category = false) {
    VNode* n = tree.AddChild(parent, Item{name, size, category});
    tree.SetCheckType(n, ui::CheckType::TriState);
    tree.SetCheckState(n, CheckState::Checked);
    return n;
  }
  std::vector<std::string> Names(VNode* parent) {
    std::vector<std::string> v;
    for (VNode* n = parent ? tree.GetFirstChild(parent) : tree.GetFirst(); n; n = tree.GetNextSibling(n))
      v.push_back(tree.Data<Item>(n).Name);
    return v;
  }
};

int CompareItems(const VTreeModel& t, VNode* a, VNode* b, int column) {
  const Item& x = t.Data<Item>(a);
  const Item& y = t.Data<Item>(b);
  if (column == 1) return x.Size < y.Size ? -1 : (y.Size < x.Size ? 1 : 0);
  return x.Name.compare(y.Name) < 0 ? -1 : (x.Name == y.Name ? 0 : 1);
}

}  // namespace

TEST(ResultRules, TotalsCountEntriesAndFollowEveryCheckChange) {
  ItemTree t;
  EXPECT_EQ(CountTotals(t.tree, ItemFacts).Found, 0);  // empty tree
  VNode* a = t.Category("A");
  VNode* b = t.Category("B");
  t.Add(a, "1", 10);
  t.Add(a, "2", 20);
  VNode* three = t.Add(b, "3", 5LL << 32);  // sizes beyond 32 bits
  t.totals = CountTotals(t.tree, ItemFacts);
  EXPECT_EQ(t.totals.Found, 3);
  EXPECT_EQ(t.totals.FoundBytes, 30 + (5LL << 32));
  EXPECT_EQ(t.totals.Marked, 3);
  EXPECT_EQ(t.totals.MarkedBytes, 30 + (5LL << 32));

  t.tree.ChangeCheckState(a, CheckState::Unchecked);  // a category passes it down
  EXPECT_EQ(t.totals.Marked, 1);
  EXPECT_EQ(t.totals.MarkedBytes, 5LL << 32);
  t.tree.ChangeCheckState(three, CheckState::Unchecked);
  EXPECT_EQ(t.totals.Marked, 0);
  EXPECT_EQ(t.totals.MarkedBytes, 0);
  t.tree.ChangeCheckState(three, CheckState::Unchecked);  // no change, no count
  EXPECT_EQ(t.totals.Marked, 0);
  t.tree.ChangeCheckState(b, CheckState::Checked);
  EXPECT_EQ(t.totals.Marked, 1);
  // What was kept in step equals a fresh count.
  const ResultTotals fresh = CountTotals(t.tree, ItemFacts);
  EXPECT_EQ(fresh.Marked, t.totals.Marked);
  EXPECT_EQ(fresh.MarkedBytes, t.totals.MarkedBytes);
  EXPECT_EQ(fresh.Found, 3);
}

// A click on a header sorts every level by that column (stable); the column
// that already is the sort column does nothing.
TEST(ResultRules, HeaderClickSortsOnceByTheClickedColumn) {
  ItemTree t;
  VNode* z = t.Category("Z");
  VNode* a = t.Category("A");
  t.Add(z, "b", 3);
  t.Add(z, "a", 3);
  t.Add(z, "c", 1);
  t.Add(a, "y", 2);
  int calls = 0;
  NodeCompare compare = [&](VNode* x, VNode* y, int column) {
    ++calls;
    return CompareItems(t.tree, x, y, column);
  };
  int sortColumn = 0;
  EXPECT_FALSE(SortByColumn(t.tree, sortColumn, 0, compare));
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(t.Names(nullptr), (std::vector<std::string>{"Z", "A"}));

  EXPECT_TRUE(SortByColumn(t.tree, sortColumn, 1, compare));
  EXPECT_EQ(sortColumn, 1);
  EXPECT_EQ(t.Names(z), (std::vector<std::string>{"c", "b", "a"}));  // equal sizes keep their order
  EXPECT_FALSE(SortByColumn(t.tree, sortColumn, 1, compare));

  EXPECT_TRUE(SortByColumn(t.tree, sortColumn, 0, compare));
  EXPECT_EQ(t.Names(nullptr), (std::vector<std::string>{"A", "Z"}));
  EXPECT_EQ(t.Names(z), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(ResultRules, EmptyCategoriesGoEntriesStay) {
  ItemTree t;
  t.Category("empty first");
  VNode* full = t.Category("full");
  t.Category("empty middle");
  VNode* other = t.Category("other");
  t.Category("empty last");
  t.Add(full, "1", 1);
  t.Add(other, "2", 2);
  RemoveEmptyCategories(t.tree);
  EXPECT_EQ(t.Names(nullptr), (std::vector<std::string>{"full", "other"}));
  EXPECT_EQ(CountTotals(t.tree, ItemFacts).Found, 2);
  t.tree.Clear();
  RemoveEmptyCategories(t.tree);  // an empty tree stays empty
  EXPECT_TRUE(t.tree.IsEmpty());
}

// "HideEmptyCategories": on unless the integer 0. "OpenMaximized": on when
// missing or the integer 1.
TEST(ResultRules, TheTwoResultWindowSettings) {
  qz::test::ScratchKey k("result_settings", HKEY_CURRENT_USER);
  EXPECT_TRUE(ReadHideEmptyCategories(k.root(), k.key()));
  EXPECT_TRUE(ReadOpenMaximized(k.root(), k.key()));
  RegSetIntegerChecked(k.root(), k.key(), "HideEmptyCategories", 0);
  RegSetIntegerChecked(k.root(), k.key(), "OpenMaximized", 0);
  EXPECT_FALSE(ReadHideEmptyCategories(k.root(), k.key()));
  EXPECT_FALSE(ReadOpenMaximized(k.root(), k.key()));
  RegSetIntegerChecked(k.root(), k.key(), "HideEmptyCategories", 7);
  RegSetIntegerChecked(k.root(), k.key(), "OpenMaximized", 7);
  EXPECT_TRUE(ReadHideEmptyCategories(k.root(), k.key()));
  EXPECT_FALSE(ReadOpenMaximized(k.root(), k.key()));
  RegSetIntegerChecked(k.root(), k.key(), "OpenMaximized", 1);
  EXPECT_TRUE(ReadOpenMaximized(k.root(), k.key()));
}
