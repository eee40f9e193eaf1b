// Option controls stored in the registry, and the check-all helpers of the
// result trees.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "core/registry.h"
#include "support/sandbox.h"
#include "ui/check_state.h"
#include "ui/form.h"
#include "ui/stdctrls.h"
#include "ui/vtree_view.h"

using namespace qz;
using namespace qz::ui;

namespace {

class CheckStateTest : public ::testing::Test {
 protected:
  test::ScratchKey key{"check_state"};
  Form form{nullptr, "TForm_Test"};
  CheckBox* box = new CheckBox(&form, "CheckBox_Test", "Test");
  ListBox* list = new ListBox(&form, "ListBox_Test");
};

TEST_F(CheckStateTest, LoadingACheckBoxTakesOnlyZeroAndOne) {
  struct Case {
    const char* what;
    bool designed;
    std::function<void(const std::string& k)> plant;
    bool expected;
  };
  const std::string v = "WriteProtected";
  auto dword = [&](DWORD n) {
    return [&, n](const std::string& k) { RegWriteRaw(key.root(), k, v, REG_DWORD, &n, sizeof n); };
  };
  const std::vector<Case> cases = {
      {"missing value keeps checked", true, [](const std::string&) {}, true},
      {"missing value keeps unchecked", false, [](const std::string&) {}, false},
      {"0 unchecks", true, dword(0), false},
      {"1 checks", false, dword(1), true},
      {"2 keeps checked", true, dword(2), true},
      {"2 keeps unchecked", false, dword(2), false},
      {"text keeps the design", true,
       [&](const std::string& k) { RegSetStringChecked(key.root(), k, v, "ja"); }, true},
      // Another value whose name starts with the box's name is not the box's value.
      {"a longer name is another value", true,
       [&](const std::string& k) { DWORD z = 0; RegWriteRaw(key.root(), k, v + "_Old", REG_DWORD, &z, sizeof z); },
       true},
  };
  for (const auto& tc : cases) {
    const std::string k = key / "DC";
    RegRemoveKey(key.root(), k);
    RegEnsureKey(key.root(), k);
    tc.plant(k);
    box->SetChecked(tc.designed);
    LoadCheckBoxFromRegistry(key.root(), k, v, box);
    EXPECT_EQ(box->Checked(), tc.expected) << tc.what;
  }
  // A missing key is no error either.
  box->SetChecked(true);
  LoadCheckBoxFromRegistry(key.root(), key / "nowhere", v, box);
  EXPECT_TRUE(box->Checked());
}

TEST_F(CheckStateTest, SavingACheckBoxWritesAnIntegerAndReadsBack) {
  for (bool on : {true, false}) {
    box->SetChecked(on);
    EXPECT_TRUE(SaveCheckBoxToRegistry(key.root(), key / "DC", "LNK", box));
    auto raw = RegReadRaw(key.root(), key / "DC", "LNK");
    ASSERT_TRUE(raw.has_value());
    EXPECT_EQ(raw->type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(RegGetInteger(key.root(), key / "DC", "LNK"), on ? 1 : 0);
    box->SetChecked(!on);
    LoadCheckBoxFromRegistry(key.root(), key / "DC", "LNK", box);
    EXPECT_EQ(box->Checked(), on);
  }
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

TEST_F(CheckStateTest, ListsRoundTripThroughTheirOwnKey) {
  const std::string k = key / "Exceptions";
  list->SetItems({"a", "B"});
  EXPECT_TRUE(SaveListToRegistry(key.root(), k, list, true));
  EXPECT_EQ(Sorted(RegListValueNames(key.root(), k)), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(RegGetValueType(key.root(), k, "A"), kRegString);
  EXPECT_EQ(RegGetString(key.root(), k, "A"), "");
  list->SetItems({"designed"});
  LoadListFromRegistry(key.root(), k, list);
  EXPECT_EQ(Sorted(list->Items()), (std::vector<std::string>{"A", "B"}));

  // Without upper-casing the text stays; duplicates after upper-casing collapse.
  list->SetItems({"c:\\Temp\\", "x"});
  SaveListToRegistry(key.root(), k, list, false);
  EXPECT_EQ(Sorted(RegListValueNames(key.root(), k)), (std::vector<std::string>{"c:\\Temp\\", "x"}));
  list->SetItems({"dup", "DUP", "Dup"});
  SaveListToRegistry(key.root(), k, list, true);
  EXPECT_EQ(RegListValueNames(key.root(), k), (std::vector<std::string>{"DUP"}));
}

TEST_F(CheckStateTest, AnEmptyListStaysEmpty) {
  const std::string k = key / "Exceptions";
  list->SetItems({"one", "two"});
  SaveListToRegistry(key.root(), k, list, false);
  list->Clear();
  EXPECT_TRUE(SaveListToRegistry(key.root(), k, list, false));
  // The key is there without values, so the next load empties the designed list.
  EXPECT_TRUE(RegHasKey(key.root(), k));
  EXPECT_TRUE(RegListValueNames(key.root(), k).empty());
  list->SetItems({"designed"});
  LoadListFromRegistry(key.root(), k, list);
  EXPECT_EQ(list->ItemCount(), 0);
}

TEST_F(CheckStateTest, AMissingListKeyKeepsTheDesignedItems) {
  list->SetItems({"designed 1", "designed 2"});
  LoadListFromRegistry(key.root(), key / "none", list);
  EXPECT_EQ(list->Items(), (std::vector<std::string>{"designed 1", "designed 2"}));
}

// ---- whole-tree helpers

class AllNodesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tree.SetRecordType<int>();
    cat = tree.AddChild(nullptr, 0);
    tree.SetCheckType(cat, CheckType::TriState);
    for (int i = 1; i <= 4; ++i) {
      VNode* n = tree.AddChild(cat, i);
      tree.SetCheckType(n, CheckType::CheckBox);
      nodes.push_back(n);
    }
    plain = tree.AddChild(cat, 99);  // no check type
    tree.OnChecking = [this](VNode*, CheckState) { ++events; return true; };
    tree.OnChecked = [this](VNode*) { ++events; };
  }
  int CheckedCount() {
    int c = 0;
    for (VNode* n = tree.GetFirst(); n; n = tree.GetNext(n))
      if (tree.GetCheckState(n) == CheckState::Checked) ++c;
    return c;
  }
  VTreeModel tree;
  VNode* cat = nullptr;
  VNode* plain = nullptr;
  std::vector<VNode*> nodes;
  int events = 0;
};

TEST_F(AllNodesTest, AllNodesWithACheckType) {
  SetAllNodesChecked(tree, false);
  EXPECT_EQ(CheckedCount(), 5);  // the category and four entries
  EXPECT_EQ(tree.GetCheckState(plain), CheckState::Unchecked);
  tree.SetCheckState(plain, CheckState::Checked);
  SetAllNodesUnchecked(tree, false);
  EXPECT_EQ(CheckedCount(), 1);
  EXPECT_EQ(tree.GetCheckState(plain), CheckState::Checked);
  EXPECT_EQ(events, 0);
}

TEST_F(AllNodesTest, OnlyTheSelectedOnesAndNoPropagation) {
  tree.SetSelected(nodes[1], true);
  tree.SetSelected(nodes[3], true);
  tree.SetSelected(plain, true);
  SetAllNodesChecked(tree, true);
  EXPECT_EQ(CheckedCount(), 2);
  EXPECT_EQ(tree.GetCheckState(nodes[1]), CheckState::Checked);
  EXPECT_EQ(tree.GetCheckState(nodes[3]), CheckState::Checked);
  // The category shows what its entries give now.
  EXPECT_EQ(tree.GetCheckState(cat), CheckState::Mixed);
  EXPECT_EQ(tree.GetCheckState(plain), CheckState::Unchecked);
  // Selecting the category and unchecking only it leaves its entries (and
  // so it still shows them mixed).
  tree.ClearSelection();
  tree.SetSelected(cat, true);
  SetAllNodesUnchecked(tree, true);
  EXPECT_EQ(tree.GetCheckState(cat), CheckState::Mixed);
  EXPECT_EQ(CheckedCount(), 2);
  EXPECT_EQ(events, 0);
  // Unmarking the checked entries one by one: the category follows.
  tree.ClearSelection();
  tree.SetSelected(nodes[1], true);
  tree.SetSelected(nodes[3], true);
  SetAllNodesUnchecked(tree, true);
  EXPECT_EQ(tree.GetCheckState(cat), CheckState::Unchecked);
  SetAllNodesChecked(tree, false);
  tree.ClearSelection();
  tree.SetSelected(nodes[0], true);
  SetAllNodesUnchecked(tree, true);
  EXPECT_EQ(tree.GetCheckState(cat), CheckState::Mixed);
  SetAllNodesChecked(tree, true);
  EXPECT_EQ(tree.GetCheckState(cat), CheckState::Checked);
  SetAllNodesUnchecked(tree, false);
  // No selection: nothing changes.
  tree.ClearSelection();
  SetAllNodesChecked(tree, true);
  EXPECT_EQ(CheckedCount(), 0);
}

TEST(AllNodesViewTest, TheViewVersionsWorkOnEmptyAndFilledTrees) {
  Form form(nullptr, "TForm_Test");
  auto* view = new VTreeView(&form, "VirtualDrawTree_Test");
  SetAllNodesChecked(view, false);  // empty: nothing to do
  view->Tree().SetRecordType<int>();
  VNode* n = view->Tree().AddChild(nullptr, 1);
  view->Tree().SetCheckType(n, CheckType::CheckBox);
  SetAllNodesChecked(view, false);
  EXPECT_EQ(view->Tree().GetCheckState(n), CheckState::Checked);
  SetAllNodesUnchecked(view, false);
  EXPECT_EQ(view->Tree().GetCheckState(n), CheckState::Unchecked);
}

}  // namespace
