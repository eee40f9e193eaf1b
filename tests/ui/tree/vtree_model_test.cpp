// The node store without any window: records, check propagation and its
// events, walks that delete, sorting, selection and the row layout.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "ui/vtree_model.h"

using namespace qz::ui;

namespace {

// A record that owns heap memory and counts its lives, so leaks and double
// destruction show up.
struct Entry {
  static inline int alive = 0;
  std::string name;
  std::int64_t size = 0;
  Entry() { ++alive; }
  Entry(std::string n, std::int64_t s) : name(std::move(n)), size(s) { ++alive; }
  Entry(const Entry& o) : name(o.name), size(o.size) { ++alive; }
  Entry(Entry&& o) noexcept : name(std::move(o.name)), size(o.size) { ++alive; }
  Entry& operator=(const Entry&) = default;
  ~Entry() { --alive; }
};

class TreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Entry::alive = 0;
    tree = std::make_unique<VTreeModel>();
    tree->SetRecordType<Entry>();
  }
  void TearDown() override {
    tree.reset();
    EXPECT_EQ(Entry::alive, 0) << "records leaked or destroyed twice";
  }
  VNode* Add(VNode* parent, const std::string& name, std::int64_t size = 0,
             CheckType ct = CheckType::CheckBox) {
    VNode* n = tree->AddChild(parent, Entry{name, size});
    tree->SetCheckType(n, ct);
    return n;
  }
  std::string Name(VNode* n) { return tree->Data<Entry>(n).name; }
  std::vector<std::string> Names(bool selectedOnly = false) {
    std::vector<std::string> v;
    if (selectedOnly)
      for (VNode* n : tree->SelectedNodes()) v.push_back(Name(n));
    else
      for (VNode* n : tree->AllNodes()) v.push_back(Name(n));
    return v;
  }
  // Two categories (tri-state) with three entries each.
  void BuildTwoCategories() {
    for (const char* c : {"A", "B"}) {
      VNode* cat = Add(nullptr, c, 0, CheckType::TriState);
      for (int i = 1; i <= 3; ++i) Add(cat, std::string(c) + std::to_string(i), i);
    }
  }
  VNode* Find(const std::string& name) {
    for (VNode* n = tree->GetFirst(); n; n = tree->GetNext(n))
      if (Name(n) == name) return n;
    return nullptr;
  }
  std::unique_ptr<VTreeModel> tree;
};

using V = std::vector<std::string>;

TEST_F(TreeTest, RecordsLiveAsLongAsTheirNodes) {
  BuildTwoCategories();
  EXPECT_EQ(Entry::alive, 8);
  EXPECT_EQ(tree->TotalCount(), 8u);
  EXPECT_EQ(tree->RootNodeCount(), 2u);
  EXPECT_EQ(tree->ChildCount(Find("A")), 3u);
  tree->DeleteNode(Find("A"));
  EXPECT_EQ(Entry::alive, 4);
  EXPECT_EQ(tree->TotalCount(), 4u);
  // Freed slots are reused with fresh records.
  VNode* n = tree->AddChild(nullptr);
  EXPECT_EQ(Name(n), "");
  EXPECT_EQ(tree->GetCheckState(n), CheckState::Unchecked);
  EXPECT_FALSE(tree->Selected(n));
  tree->Clear();
  EXPECT_EQ(Entry::alive, 0);
  EXPECT_TRUE(tree->IsEmpty());
  EXPECT_EQ(tree->GetFirst(), nullptr);
  EXPECT_EQ(tree->TotalHeight(), 0u);
  // A cleared tree takes new nodes.
  Add(nullptr, "again");
  EXPECT_EQ(Names(), V{"again"});
}

TEST_F(TreeTest, RecordTypeIsFixedOnceFilled) {
  Add(nullptr, "x");
  EXPECT_THROW(tree->SetRecordType<int>(), std::logic_error);
  EXPECT_NO_THROW(tree->SetRecordType<Entry>());
}

TEST_F(TreeTest, NodeCostsAtMost64BytesBeyondItsRecord) {
  EXPECT_LE(tree->NodeOverhead(), 64u);
  VTreeModel t;
  struct Rec32 { char b[32]; };
  t.SetRecordType<Rec32>();
  EXPECT_LE(t.NodeOverhead(), 64u);
}

TEST_F(TreeTest, TreeOrderAndNavigation) {
  BuildTwoCategories();
  EXPECT_EQ(Names(), (V{"A", "A1", "A2", "A3", "B", "B1", "B2", "B3"}));
  VNode* a2 = Find("A2");
  EXPECT_EQ(Name(tree->GetParent(a2)), "A");
  EXPECT_EQ(tree->GetParent(Find("A")), nullptr);
  EXPECT_EQ(tree->GetNodeLevel(a2), 1);
  EXPECT_EQ(Name(tree->GetPrevious(Find("B"))), "A3");
  EXPECT_EQ(Name(tree->GetLast()), "B3");
  EXPECT_EQ(Name(tree->GetNextNoChild(Find("A"))), "B");
  EXPECT_TRUE(tree->HasAsParent(a2, Find("A")));
  EXPECT_FALSE(tree->HasAsParent(a2, Find("B")));
}

// ---- checking

struct CheckCase {
  const char* what;
  std::vector<std::pair<const char*, CheckState>> clicks;  // ChangeCheckState calls
  CheckState a;                                            // category A afterwards
  std::vector<CheckState> entries;                         // A1..A3 afterwards
};

TEST_F(TreeTest, TriStatePropagation) {
  using S = CheckState;
  const S u = S::Unchecked, c = S::Checked, m = S::Mixed;
  const std::vector<CheckCase> cases = {
      {"category checks all entries", {{"A", c}}, c, {c, c, c}},
      {"category unchecks all entries", {{"A", c}, {"A", u}}, u, {u, u, u}},
      {"one entry checked makes the category mixed", {{"A2", c}}, m, {u, c, u}},
      {"all entries checked check the category", {{"A1", c}, {"A2", c}, {"A3", c}}, c, {c, c, c}},
      {"one entry unchecked after all makes it mixed", {{"A", c}, {"A3", u}}, m, {c, c, u}},
      {"last entry unchecked unchecks the category", {{"A1", c}, {"A1", u}}, u, {u, u, u}},
      {"mixed category clicked checks all", {{"A2", c}, {"A", c}}, c, {c, c, c}},
  };
  for (const auto& tc : cases) {
    tree->Clear();
    BuildTwoCategories();
    for (auto& [name, st] : tc.clicks) EXPECT_TRUE(tree->ChangeCheckState(Find(name), st)) << tc.what;
    EXPECT_EQ(tree->GetCheckState(Find("A")), tc.a) << tc.what;
    for (int i = 0; i < 3; ++i)
      EXPECT_EQ(tree->GetCheckState(Find("A" + std::to_string(i + 1))), tc.entries[i]) << tc.what;
    // The other category never moves.
    EXPECT_EQ(tree->GetCheckState(Find("B")), u) << tc.what;
    EXPECT_EQ(tree->GetCheckState(Find("B1")), u) << tc.what;
  }
}

TEST_F(TreeTest, ToggleFollowsClickRules) {
  BuildTwoCategories();
  VNode* a = Find("A");
  tree->ChangeCheckState(Find("A1"), CheckState::Checked);
  ASSERT_EQ(tree->GetCheckState(a), CheckState::Mixed);
  tree->ToggleCheckState(a);  // mixed -> checked
  EXPECT_EQ(tree->GetCheckState(a), CheckState::Checked);
  tree->ToggleCheckState(a);  // checked -> unchecked
  EXPECT_EQ(tree->GetCheckState(a), CheckState::Unchecked);
  EXPECT_EQ(tree->GetCheckState(Find("A3")), CheckState::Unchecked);
}

TEST_F(TreeTest, NodesWithoutCheckTypeStayOutOfIt) {
  VNode* cat = Add(nullptr, "C", 0, CheckType::TriState);
  Add(cat, "C1");
  VNode* plain = Add(cat, "plain", 0, CheckType::None);
  EXPECT_FALSE(tree->ChangeCheckState(plain, CheckState::Checked));
  tree->ChangeCheckState(cat, CheckState::Checked);
  EXPECT_EQ(tree->GetCheckState(plain), CheckState::Unchecked);
  // The unchecked plain node does not make the category mixed.
  EXPECT_EQ(tree->GetCheckState(cat), CheckState::Checked);
}

TEST_F(TreeTest, OnCheckingRunsBeforeEveryChangeIncludingPropagatedOnes) {
  BuildTwoCategories();
  std::vector<std::string> log;
  tree->OnChecking = [&](VNode* n, CheckState s) {
    // Asked before the change: the node still shows its old state.
    EXPECT_NE(tree->GetCheckState(n), s);
    log.push_back(Name(n) + (s == CheckState::Checked ? "+" : s == CheckState::Unchecked ? "-" : "~"));
    return true;
  };
  std::vector<std::string> checked;
  tree->OnChecked = [&](VNode* n) { checked.push_back(Name(n)); };

  tree->ChangeCheckState(Find("A2"), CheckState::Checked);
  EXPECT_EQ(log, (V{"A2+", "A~"}));
  log.clear();
  // The clicked category first, then each entry that changes (A2 already is checked).
  tree->ChangeCheckState(Find("A"), CheckState::Checked);
  EXPECT_EQ(log, (V{"A+", "A1+", "A3+"}));
  log.clear();
  tree->ChangeCheckState(Find("A"), CheckState::Unchecked);
  EXPECT_EQ(log, (V{"A-", "A1-", "A2-", "A3-"}));
  EXPECT_EQ(checked, (V{"A2", "A", "A"}));
  log.clear();
  // A counter kept from the events matches the tree (what the result windows do).
  std::int64_t marked = 0;
  tree->OnChecking = [&](VNode* n, CheckState s) {
    if (tree->GetParent(n)) marked += (s == CheckState::Checked ? 1 : -1) * tree->Data<Entry>(n).size;
    return true;
  };
  tree->ChangeCheckState(Find("B"), CheckState::Checked);
  tree->ChangeCheckState(Find("B2"), CheckState::Unchecked);
  tree->ChangeCheckState(Find("A3"), CheckState::Checked);
  EXPECT_EQ(marked, 1 + 3 + 3);
}

TEST_F(TreeTest, RefusedChangesStay) {
  BuildTwoCategories();
  tree->OnChecking = [&](VNode* n, CheckState) { return Name(n) != "A2"; };
  EXPECT_TRUE(tree->ChangeCheckState(Find("A"), CheckState::Checked));
  EXPECT_EQ(tree->GetCheckState(Find("A2")), CheckState::Unchecked);
  EXPECT_EQ(tree->GetCheckState(Find("A1")), CheckState::Checked);
  EXPECT_EQ(tree->GetCheckState(Find("A")), CheckState::Mixed);
  EXPECT_FALSE(tree->ChangeCheckState(Find("A2"), CheckState::Checked));
}

TEST_F(TreeTest, SetCheckStateIsSilentAndIsNotPassedDown) {
  BuildTwoCategories();
  int events = 0;
  tree->OnChecking = [&](VNode*, CheckState) { ++events; return true; };
  tree->OnChecked = [&](VNode*) { ++events; };
  tree->SetCheckState(Find("A"), CheckState::Checked);
  tree->SetCheckState(Find("B1"), CheckState::Checked);
  EXPECT_EQ(events, 0);
  EXPECT_EQ(tree->GetCheckState(Find("A1")), CheckState::Unchecked);
  // A category shows what its entries give, however they were changed.
  EXPECT_EQ(tree->GetCheckState(Find("A")), CheckState::Unchecked);
  EXPECT_EQ(tree->GetCheckState(Find("B")), CheckState::Mixed);
}

TEST_F(TreeTest, CategoriesFollowTheirEntriesAfterEveryChangeAndRemoval) {
  using S = CheckState;
  BuildTwoCategories();
  tree->ChangeCheckState(Find("A"), S::Checked);
  tree->ChangeCheckState(Find("B"), S::Checked);
  VNode* a = Find("A");
  VNode* b = Find("B");
  // Unmarking one selected entry (set directly, as the popup does).
  tree->SetCheckState(Find("A2"), S::Unchecked);
  EXPECT_EQ(tree->GetCheckState(a), S::Mixed);
  // Removing the only unchecked entry (an exception entered for it).
  tree->DeleteNode(Find("A2"));
  EXPECT_EQ(tree->GetCheckState(a), S::Checked);
  // The same from inside a walk, read while the walk still runs.
  tree->SetCheckState(Find("B3"), S::Unchecked);
  for (VNode* n : tree->AllNodes()) {
    if (Name(n) == "B3") tree->DeleteNode(n);
    if (Name(n) == "B1") EXPECT_EQ(tree->GetCheckState(b), S::Mixed);
  }
  EXPECT_EQ(tree->GetCheckState(b), S::Checked);
  // Removing every checked entry leaves the unchecked ones to decide.
  tree->SetCheckState(Find("B1"), S::Unchecked);
  tree->DeleteNode(Find("B2"));
  EXPECT_EQ(tree->GetCheckState(b), S::Unchecked);
  // Setting a category apart from its entries does not stick...
  tree->SetCheckState(a, S::Unchecked);
  EXPECT_EQ(tree->GetCheckState(a), S::Checked);
  // ... an entry that stops being checkable no longer counts ...
  tree->SetCheckState(Find("A1"), S::Unchecked);
  EXPECT_EQ(tree->GetCheckState(a), S::Mixed);
  tree->SetCheckType(Find("A1"), CheckType::None);
  EXPECT_EQ(tree->GetCheckState(a), S::Checked);
  // ... and a category without checkable entries keeps its own state.
  tree->DeleteChildren(a);
  tree->SetCheckState(a, S::Unchecked);
  EXPECT_EQ(tree->GetCheckState(a), S::Unchecked);
  // A click on a stale category starts from the state it shows.
  tree->SetCheckState(Find("B1"), S::Checked);
  EXPECT_TRUE(tree->ToggleCheckState(b));  // shown checked -> unchecked
  EXPECT_EQ(tree->GetCheckState(b), S::Unchecked);
  EXPECT_EQ(tree->GetCheckState(Find("B1")), S::Unchecked);
}

TEST_F(TreeTest, NestedTriStateNodesFollowThroughEveryLevel) {
  using S = CheckState;
  VNode* top = Add(nullptr, "T", 0, CheckType::TriState);
  VNode* mid = Add(top, "M", 0, CheckType::TriState);
  VNode* x = Add(mid, "X");
  VNode* y = Add(mid, "Y");
  Add(top, "Z");
  tree->ChangeCheckState(top, S::Checked);
  EXPECT_EQ(tree->GetCheckState(top), S::Checked);
  // Two silent changes before anything is read: both levels follow.
  tree->SetCheckState(x, S::Unchecked);
  tree->SetCheckState(y, S::Unchecked);
  EXPECT_EQ(tree->GetCheckState(top), S::Mixed);
  EXPECT_EQ(tree->GetCheckState(mid), S::Unchecked);
  // Read the middle first, then change again: the top is not left behind.
  tree->SetCheckState(x, S::Checked);
  EXPECT_EQ(tree->GetCheckState(mid), S::Mixed);
  tree->SetCheckState(y, S::Checked);
  EXPECT_EQ(tree->GetCheckState(top), S::Checked);
  tree->DeleteNode(mid);
  tree->SetCheckState(Find("Z"), S::Unchecked);
  EXPECT_EQ(tree->GetCheckState(top), S::Unchecked);
}

// ---- walks that delete

TEST_F(TreeTest, DeletingDuringAWalkGoesOnWithTheNextNode) {
  struct Case {
    const char* what;
    std::vector<std::pair<const char*, const char*>> deletes;  // at node -> delete node
    V visited, remaining;
  };
  const std::vector<Case> cases = {
      {"current entry", {{"A2", "A2"}},
       {"A", "A1", "A2", "A3", "B", "B1", "B2", "B3"},
       {"A", "A1", "A3", "B", "B1", "B2", "B3"}},
      {"last entry of a category", {{"A3", "A3"}},
       {"A", "A1", "A2", "A3", "B", "B1", "B2", "B3"},
       {"A", "A1", "A2", "B", "B1", "B2", "B3"}},
      {"current category with its entries", {{"A", "A"}},
       {"A", "B", "B1", "B2", "B3"},
       {"B", "B1", "B2", "B3"}},
      {"parent while on an entry", {{"A1", "A"}},
       {"A", "A1", "B", "B1", "B2", "B3"},
       {"B", "B1", "B2", "B3"}},
      {"the next node", {{"A1", "A2"}},
       {"A", "A1", "A3", "B", "B1", "B2", "B3"},
       {"A", "A1", "A3", "B", "B1", "B2", "B3"}},
      {"current and then the following ones", {{"A1", "A1"}, {"A1", "A2"}, {"A1", "A3"}},
       {"A", "A1", "B", "B1", "B2", "B3"},
       {"A", "B", "B1", "B2", "B3"}},
      {"a visited node", {{"B1", "A1"}},
       {"A", "A1", "A2", "A3", "B", "B1", "B2", "B3"},
       {"A", "A2", "A3", "B", "B1", "B2", "B3"}},
      {"the very last node", {{"B3", "B3"}},
       {"A", "A1", "A2", "A3", "B", "B1", "B2", "B3"},
       {"A", "A1", "A2", "A3", "B", "B1", "B2"}},
      {"everything", {{"A2", "A"}, {"A2", "B"}},
       {"A", "A1", "A2"},
       {}},
  };
  for (const auto& tc : cases) {
    tree->Clear();
    BuildTwoCategories();
    V visited;
    for (VNode* n : tree->AllNodes()) {
      const std::string name = Name(n);
      visited.push_back(name);
      for (auto& [at, del] : tc.deletes)
        if (name == at) tree->DeleteNode(Find(del));
    }
    EXPECT_EQ(visited, tc.visited) << tc.what;
    EXPECT_EQ(Names(), tc.remaining) << tc.what;
    EXPECT_EQ(tree->TotalCount(), tc.remaining.size()) << tc.what;
    EXPECT_EQ(Entry::alive, static_cast<int>(tc.remaining.size())) << tc.what;
  }
}

TEST_F(TreeTest, ClearDuringAWalkEndsIt) {
  BuildTwoCategories();
  V visited;
  tree->Walk([&](VNode* n) {
    visited.push_back(Name(n));
    if (Name(n) == "A1") tree->Clear();
  });
  EXPECT_EQ(visited, (V{"A", "A1"}));
  EXPECT_TRUE(tree->IsEmpty());
  EXPECT_EQ(Entry::alive, 0);
}

TEST_F(TreeTest, DeletingWhatAHandlerNeedsWaitsForTheOuterWalk) {
  BuildTwoCategories();
  // A nested walk deletes; the outer walk still steps on safely.
  V outer;
  for (VNode* n : tree->AllNodes()) {
    outer.push_back(Name(n));
    if (Name(n) == "A1")
      for (VNode* m : tree->AllNodes())
        if (tree->GetParent(m) && tree->Data<Entry>(m).size == 2) tree->DeleteNode(m);
  }
  EXPECT_EQ(outer, (V{"A", "A1", "A3", "B", "B1", "B3"}));
  EXPECT_EQ(Entry::alive, 6);
}

TEST_F(TreeTest, DeletingEmptyCategoriesFromAWalk) {
  // What "hide empty categories" does after a search.
  for (const char* c : {"E1", "F", "E2", "E3"}) Add(nullptr, c, 0, CheckType::TriState);
  Add(Find("F"), "F1");
  for (VNode* n : tree->AllNodes())
    if (!tree->GetParent(n) && tree->ChildCount(n) == 0) tree->DeleteNode(n);
  EXPECT_EQ(Names(), (V{"F", "F1"}));
}

// ---- selection

TEST_F(TreeTest, SelectedOnlyWalks) {
  BuildTwoCategories();
  for (const char* n : {"B2", "A1", "B"}) tree->SetSelected(Find(n), true);
  EXPECT_EQ(tree->SelectedCount(), 3u);
  EXPECT_EQ(Names(true), (V{"A1", "B", "B2"}));
  EXPECT_EQ(Name(tree->GetFirstSelected()), "A1");
  EXPECT_EQ(Name(tree->GetNextSelected(tree->GetFirstSelected())), "B");
  // Deleting selected nodes (the entry and, with its category, one more).
  for (VNode* n : tree->SelectedNodes()) tree->DeleteNode(n);
  EXPECT_EQ(tree->SelectedCount(), 0u);
  EXPECT_EQ(tree->GetFirstSelected(), nullptr);
  EXPECT_EQ(Names(), (V{"A", "A2", "A3"}));
  tree->SetSelected(Find("A3"), true);
  tree->ClearSelection();
  EXPECT_EQ(Names(true), V{});
}

// ---- sorting

TEST_F(TreeTest, SortIsStablePerParentAndRecursive) {
  // Keys with duplicates; the comparator answers "after" for equal keys.
  VNode* cat1 = Add(nullptr, "z-cat", 2, CheckType::TriState);
  VNode* cat2 = Add(nullptr, "a-cat", 1, CheckType::TriState);
  const std::vector<std::pair<const char*, int>> items = {
      {"e1", 3}, {"e2", 1}, {"e3", 2}, {"e4", 1}, {"e5", 3}, {"e6", 2}};
  for (auto& [n, s] : items) Add(cat1, n, s);
  for (auto& [n, s] : items) Add(cat2, std::string("x") + n, s);
  tree->OnCompareNodes = [&](VNode* a, VNode* b, int column) {
    if (column == 1) {
      const auto sa = tree->Data<Entry>(a).size, sb = tree->Data<Entry>(b).size;
      return sa < sb ? -1 : 1;
    }
    return tree->Data<Entry>(a).name < tree->Data<Entry>(b).name ? -1 : 1;
  };
  tree->SortTree(1);
  EXPECT_EQ(Names(), (V{"a-cat", "xe2", "xe4", "xe3", "xe6", "xe1", "xe5",
                        "z-cat", "e2", "e4", "e3", "e6", "e1", "e5"}));
  tree->SortTree(1, false);
  EXPECT_EQ(Names(), (V{"z-cat", "e1", "e5", "e3", "e6", "e2", "e4",
                        "a-cat", "xe1", "xe5", "xe3", "xe6", "xe2", "xe4"}));
  // Only the top level.
  tree->Sort(nullptr, 0, true, false);
  EXPECT_EQ(Name(tree->GetFirst()), "a-cat");
  EXPECT_EQ(Name(tree->GetFirstChild(tree->GetFirst())), "xe1");
  // The sibling links hold in both directions after sorting.
  for (VNode* c = tree->GetFirst(); c; c = tree->GetNextSibling(c)) {
    VNode* prev = nullptr;
    std::uint32_t count = 0;
    for (VNode* e = tree->GetFirstChild(c); e; e = tree->GetNextSibling(e), ++count) {
      EXPECT_EQ(tree->GetPreviousSibling(e), prev);
      prev = e;
    }
    EXPECT_EQ(tree->GetLastChild(c), prev);
    EXPECT_EQ(count, tree->ChildCount(c));
  }
}

TEST_F(TreeTest, SortByKeyMatchesTheComparatorSort) {
  VNode* cat = Add(nullptr, "cat", 0, CheckType::TriState);
  std::mt19937 rng(3);
  for (int i = 0; i < 300; ++i) Add(cat, "n" + std::to_string(i), rng() % 17);
  auto bySize = [&](VNode* a, VNode* b) { return tree->Data<Entry>(a).size < tree->Data<Entry>(b).size ? -1 : 1; };
  auto byName = [&](VNode* a, VNode* b) { return CompareOrdinal(Name(a), Name(b)); };
  for (bool ascending : {true, false}) {
    // From the same order both ways (a stable sort keeps the order of equals).
    tree->SortWith(nullptr, byName);
    tree->SortWith(nullptr, bySize, ascending);
    const V expected = Names();
    tree->SortWith(nullptr, byName);
    tree->SortByKey(nullptr, [&](VNode* n) { return tree->Data<Entry>(n).size; }, ascending);
    EXPECT_EQ(Names(), expected) << (ascending ? "ascending" : "descending");
  }
}

TEST(CompareOrdinalTest, OrdersByCharacterCodes) {
  struct Case { std::string a, b; int sign; };
  const std::string base = "C:\\Dokumente und Einstellungen\\user\\Temp\\";
  const std::vector<Case> cases = {
      {"", "", 0}, {"", "a", -1}, {"a", "", 1},
      {"a", "b", -1}, {"B", "a", -1},  // case-sensitive: upper case first
      {"abc", "abc", 0}, {"abc", "abcd", -1},
      {"abcdefgh", "abcdefgi", -1}, {"abcdefghX", "abcdefghY", -1},  // around the 8-byte steps
      {base + "file1", base + "file2", -1}, {base + "file10", base + "file1", 1},
      {base + "a", base, 1},
      {"\xc3\xa4", "z", 1},  // UTF-8 above ASCII sorts after it
      {"sub1\\x", "sub10\\y", 1},
  };
  for (const auto& c : cases) {
    const int r = CompareOrdinal(c.a, c.b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " vs " << c.b;
    const int back = CompareOrdinal(c.b, c.a);
    EXPECT_EQ((back > 0) - (back < 0), -c.sign) << c.b << " vs " << c.a;
  }
}

// ---- layout: totals, positions and expansion against a plain recount

class LayoutCheck {
 public:
  explicit LayoutCheck(VTreeModel& t) : t_(t) {}
  // Every shown row with its top, by walking the visible nodes.
  std::vector<std::pair<VNode*, std::int64_t>> Rows() {
    std::vector<std::pair<VNode*, std::int64_t>> rows;
    std::int64_t y = 0;
    for (VNode* n = t_.GetFirstVisible(); n; n = t_.GetNextVisible(n)) {
      rows.emplace_back(n, y);
      y += t_.NodeHeight(n);
    }
    return rows;
  }
  void Verify(const char* when) {
    auto rows = Rows();
    std::int64_t total = rows.empty() ? 0 : rows.back().second + t_.NodeHeight(rows.back().first);
    ASSERT_EQ(static_cast<std::int64_t>(t_.TotalHeight()), total) << when;
    for (auto& [n, top] : rows) {
      ASSERT_TRUE(t_.IsVisible(n)) << when;
      ASSERT_EQ(t_.NodeTop(n), top) << when;
      std::int64_t got = -1;
      ASSERT_EQ(t_.NodeAtY(top, &got), n) << when;
      ASSERT_EQ(got, top) << when;
      ASSERT_EQ(t_.NodeAtY(top + t_.NodeHeight(n) - 1), n) << when;
    }
    ASSERT_EQ(t_.NodeAtY(total), nullptr) << when;
    ASSERT_EQ(t_.NodeAtY(-1), nullptr) << when;
    if (!rows.empty()) {
      ASSERT_EQ(t_.GetLastVisible(), rows.back().first) << when;
      ASSERT_EQ(t_.GetPreviousVisible(rows.back().first),
                rows.size() > 1 ? rows[rows.size() - 2].first : nullptr) << when;
    }
  }

 private:
  VTreeModel& t_;
};

TEST_F(TreeTest, LayoutFollowsEveryChange) {
  tree->DefaultNodeHeight = 32;
  LayoutCheck check(*tree);
  std::mt19937 rng(7);
  std::vector<VNode*> nodes;
  auto pick = [&]() -> VNode* {
    if (nodes.empty()) return nullptr;
    return nodes[rng() % nodes.size()];
  };
  for (int step = 0; step < 600; ++step) {
    const int op = rng() % 10;
    VNode* n = pick();
    switch (op) {
      case 0: case 1: case 2: {
        VNode* parent = (rng() % 3 == 0 || !n) ? nullptr : n;
        nodes.push_back(Add(parent, "n" + std::to_string(step)));
        break;
      }
      case 3: if (n) tree->SetExpanded(n, true); break;
      case 4: if (n) tree->SetExpanded(n, false); break;
      case 5: if (n) tree->SetNodeHeight(n, static_cast<std::uint16_t>(16 + rng() % 40)); break;
      case 6:
        if (n && rng() % 3 == 0) {
          tree->DeleteNode(n);
          nodes.clear();
          for (VNode* m = tree->GetFirst(); m; m = tree->GetNext(m)) nodes.push_back(m);
        }
        break;
      case 7: if (rng() % 8 == 0) tree->FullExpand(rng() % 2 ? n : nullptr); break;
      case 8: if (rng() % 8 == 0) tree->FullCollapse(rng() % 2 ? n : nullptr); break;
      case 9:
        tree->SortWith(nullptr, [&](VNode* a, VNode* b) {
          return tree->Data<Entry>(a).name < tree->Data<Entry>(b).name ? -1 : 1; });
        break;
    }
    check.Verify(("step " + std::to_string(step)).c_str());
    if (HasFatalFailure()) return;
  }
}

TEST_F(TreeTest, CollapsingMovesTheFocusToTheShownParent) {
  BuildTwoCategories();
  tree->SetExpanded(Find("A"), true);
  tree->SetFocusedNode(Find("A2"));
  tree->SetExpanded(Find("A"), false);
  EXPECT_EQ(tree->FocusedNode(), Find("A"));
  tree->SetFocusedNode(Find("B3"));
  tree->DeleteNode(Find("B"));
  EXPECT_EQ(tree->FocusedNode(), nullptr);
}

// ---- notification

class CountingObserver : public VTreeObserver {
 public:
  void TreeInvalidated() override { ++count; }
  int count = 0;
};

TEST_F(TreeTest, ObserverHearsOnceUntilItAcknowledges) {
  CountingObserver obs;
  tree->SetObserver(&obs);
  Add(nullptr, "a");
  Add(nullptr, "b");
  EXPECT_EQ(obs.count, 1);
  tree->AcknowledgeChanges();
  tree->BeginUpdate();
  for (int i = 0; i < 100; ++i) Add(nullptr, "c");
  EXPECT_EQ(obs.count, 1);
  tree->EndUpdate();
  EXPECT_EQ(obs.count, 2);
  tree->AcknowledgeChanges();
  tree->BeginUpdate();
  tree->EndUpdate();
  EXPECT_EQ(obs.count, 2);  // nothing changed
  tree->SetObserver(nullptr);
}

}  // namespace
