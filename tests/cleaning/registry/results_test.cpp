// The result tree's counts and texts, the search's categories, and the
// settings of the kind tree.
#include <gtest/gtest.h>

#include "cleaning/registry/rc_delete.h"
#include "cleaning/registry/rc_settings.h"
#include "core/text.h"
#include "rc_fixture.h"

namespace qz::rc::test {
namespace {

using ui::CheckState;
using ui::CheckType;
using ui::VNode;
using ui::VTreeModel;

class ResultsTest : public ::testing::Test {
 protected:
  qz::test::GlobalsGuard globals;
  Hive hive{"rc_results"};
  VTreeModel tree;
  std::unique_ptr<RegistryScanEngine> e = hive.Engine();

  // Two categories of findings and a list of three entries.
  void Build() {
    for (const char* n : {"a", "b", "c"}) hive.Put("Help", std::string(n) + ".hlp", hive.Path("gone"));
    hive.Put("SharedDLLs", hive.Path("gone\\x.dll"), "1");
    hive.Put("MRU14", "1", "x");
    hive.Put("MRU14", "2", "y");
    hive.Put("MRU14", "MRUList", "21");
    RunKinds(*e, tree, {kSharedDlls, kHelpFiles, 14});
    tree.OnChecking = [this](VNode* n, CheckState s) { return TrackCheck(*e, tree, n, s); };
  }
  int32_t Recounted() {
    RegistryScanEngine copy;
    RecountResults(copy, tree);
    return copy.MarkedCount;
  }
  VNode* Category(int32_t kind) {
    for (VNode* n = tree.GetFirst(); n; n = tree.GetNextSibling(n))
      if (tree.Data<RegScanNode>(n).Kind == kind) return n;
    return nullptr;
  }
};

TEST_F(ResultsTest, MarkedCountFollowsEveryClick) {
  Build();
  EXPECT_EQ(e->FoundCount, 7);
  EXPECT_EQ(e->MarkedCount, 7);
  VNode* help = Category(kHelpFiles);
  VNode* list = Category(14);
  ASSERT_TRUE(help && list);
  // A category passes its state down; the tree asks for every child.
  tree.ToggleCheckState(help);
  EXPECT_EQ(e->MarkedCount, 4);
  EXPECT_EQ(e->MarkedCount, Recounted());
  // One entry back: the category becomes mixed.
  tree.ToggleCheckState(tree.GetFirstChild(help));
  EXPECT_EQ(tree.GetCheckState(help), CheckState::Mixed);
  EXPECT_EQ(e->MarkedCount, 5);
  EXPECT_EQ(e->MarkedCount, Recounted());
  tree.ToggleCheckState(help);  // mixed -> checked
  EXPECT_EQ(e->MarkedCount, 7);
  // A list category counts its entries.
  tree.ToggleCheckState(list);
  EXPECT_EQ(e->MarkedCount, 4);
  EXPECT_EQ(e->MarkedCount, Recounted());
  tree.ToggleCheckState(list);
  EXPECT_EQ(e->MarkedCount, 7);
  // The last entry of a category unchecked: the category follows.
  VNode* dlls = Category(kSharedDlls);
  tree.ToggleCheckState(tree.GetFirstChild(dlls));
  EXPECT_EQ(tree.GetCheckState(dlls), CheckState::Unchecked);
  EXPECT_EQ(e->MarkedCount, 6);
  EXPECT_EQ(e->MarkedCount, Recounted());
  EXPECT_EQ(MarkedFoundText(*e), "6 / 7");
}

TEST_F(ResultsTest, SearchCategoriesAndEmptyOnes) {
  hive.Put("MRU10", "a", "x");
  hive.Put("MRU16", "b", "y");
  SearchRequest r;
  r.Drives = "C";
  for (int32_t k = 1; k <= kKindCount; ++k) r.Kinds.push_back({k, KindOf(k).Name, KindOf(k).ImageIndex});
  EXPECT_EQ(RunRegistrySearchCore(*e, tree, r), SearchOutcome::Found);
  // Only the two lists are left, the first of them the tree's first node.
  ASSERT_EQ(tree.RootNodeCount(), 2u);
  const RegScanNode& first = tree.Data<RegScanNode>(tree.GetFirst());
  EXPECT_EQ(first.Kind, 10);
  EXPECT_EQ(first.Text, "MRU - Search");
  EXPECT_EQ(first.ImageIndex, 0);
  EXPECT_EQ(tree.NodeHeight(tree.GetFirst()), kCategoryHeight);
  EXPECT_FALSE(tree.Expanded(tree.GetFirst()));
  // Deleting removes every list, the first node's included.
  DeleteHooks hooks;
  hooks.BackupName = [this] { return hive.Path("undo.REG"); };
  EXPECT_EQ(DeleteMarkedEntriesCore(*e, tree, hooks).Outcome, DeleteOutcome::Done);
  EXPECT_EQ(e->DeletedCount, 2);
  EXPECT_TRUE(tree.IsEmpty());
  EXPECT_TRUE(RegListValueNames(hive.root(), hive / "MRU10").empty());
  EXPECT_TRUE(RegListValueNames(hive.root(), hive / "MRU16").empty());

  // With empty categories kept, and nothing found at all.
  RegRemoveKey(hive.root(), hive / "MRU10");
  RegRemoveKey(hive.root(), hive / "MRU16");
  r.HideEmpty = false;
  EXPECT_EQ(RunRegistrySearchCore(*e, tree, r), SearchOutcome::NothingFound);
  EXPECT_EQ(tree.RootNodeCount(), 16u);
  VNode* fileTypes = tree.GetFirst();
  EXPECT_EQ(tree.GetCheckType(fileTypes), CheckType::TriState);
  EXPECT_EQ(CategoryCaption(tree.Data<RegScanNode>(fileTypes), 0), "Verwaiste Dateiformate [0]");
  r.Drives.clear();
  EXPECT_EQ(RunRegistrySearchCore(*e, tree, r), SearchOutcome::NoDrives);
  EXPECT_EQ(tree.RootNodeCount(), 16u);  // a refused search leaves the tree alone
}

TEST(ResultTexts, RowsAndSummary) {
  ResultCaptions c;
  RegScanNode type;
  type.Kind = kFileTypes;
  type.Text = "txtfile";
  type.Version = ".txt";
  type.Target = "C:\\GONE\\A.EXE";
  type.Root = HKEY_CLASSES_ROOT;
  type.Key = "txtfile";
  EntryLines l = EntryText(type, c);
  EXPECT_EQ(l.First, "\"txtfile\" (Endung: .txt) verweist auf fehlende Datei:");
  EXPECT_EQ(l.Second, "C:\\GONE\\A.EXE");
  EXPECT_EQ(KeyColumnText(type), "HKEY_CLASSES_ROOT\\txtfile\\");
  RegScanNode lib = type;
  lib.Kind = kTypeLibs;
  lib.Version = "1.0";
  EXPECT_EQ(EntryText(lib, c).First, "\"txtfile\" (Version: 1.0) verweist auf fehlende Datei:");
  RegScanNode font;
  font.Kind = kFonts;
  font.Text = "Arial";
  font.Root = HKEY_LOCAL_MACHINE;
  font.Key = "Software\\F";
  font.ValueName = "Arial";
  EXPECT_EQ(EntryText(font, c).First, "\"Arial\" verweist auf fehlende Datei:");
  EXPECT_EQ(KeyColumnText(font), "HKEY_LOCAL_MACHINE\\Software\\F\\Arial");
  // A server of the 32-bit store names its stored path.
  RegScanNode server32;
  server32.Kind = kComServers;
  server32.Root = HKEY_LOCAL_MACHINE;
  server32.Key = "Software\\Classes\\Wow6432Node\\CLSID\\{1}";
  EXPECT_EQ(KeyColumnText(server32), "HKEY_LOCAL_MACHINE\\Software\\Classes\\Wow6432Node\\CLSID\\{1}\\");
  RegScanNode mru;
  mru.Kind = 11;
  mru.Text = "cmd\\1";
  EXPECT_EQ(EntryText(mru, c).First, "cmd\\1");
  EXPECT_EQ(EntryText(mru, c).Second, "");
  RegScanNode cat;
  cat.IsCategory = 1;
  EXPECT_EQ(KeyColumnText(cat), "");

  RegistryScanEngine e;
  e.FoundCount = 12;
  e.MarkedCount = 10;
  e.ExaminedCount = 345;
  EXPECT_EQ(SummaryText(e, [](const std::string&, const std::string&) { return std::string("%1/%2/%3 %1"); }),
            "12/10/345 12");
  e.DeletedCount = 9;
  e.DeleteErrorCount = 1;
  EXPECT_EQ(DeletedMessage(e), "Es wurden 9 Einträge gelöscht.\rDabei traten 1 Fehler auf.");
  ResultCaptions en = ResultCaptionsFrom([](const std::string& k, const std::string&) { return k; });
  EXPECT_EQ(en.Extension, "MESSAGE_String_Extension");
}

class KindSettingsTest : public ::testing::Test {
 protected:
  qz::test::ScratchKey key{"rc_settings", HKEY_CURRENT_USER};
  OptionsLocation loc{HKEY_CURRENT_USER, key.key()};
  VTreeModel tree;
  void Put(const std::string& name, int32_t v) { RegSetIntegerChecked(loc.root, loc.key, name, v); }
  std::vector<int32_t> Checked() {
    std::vector<int32_t> out;
    for (const KindChoice& k : CheckedKinds(tree)) out.push_back(k.Kind);
    return out;
  }
};

TEST_F(KindSettingsTest, StoredChoiceAppliesFromTheFirstValueOn) {
  BuildCheckKindTree(tree);
  ASSERT_EQ(tree.RootNodeCount(), 16u);
  ApplyStoredKinds(loc, tree);
  EXPECT_EQ(Checked().size(), 16u);
  EXPECT_EQ(tree.GetCheckType(tree.GetFirst()), CheckType::TriState);
  EXPECT_EQ(tree.NodeHeight(tree.GetFirst()), kKindRowHeight);

  Put("Typ_1", 0);  // without Typ_0 nothing stored applies
  ApplyStoredKinds(loc, tree);
  EXPECT_EQ(Checked().size(), 16u);

  Put("Typ_0", 1);
  Put("Typ_2", 0);
  RegSetStringChecked(loc.root, loc.key, "Typ_3", "on");  // not a number: unchecked, no fault
  Put("Typ_5", 1);                                          // after the gap at Typ_4: not read
  ApplyStoredKinds(loc, tree);
  EXPECT_EQ(Checked(), (std::vector<int32_t>{1, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
  EXPECT_EQ(tree.GetCheckType(tree.GetFirst()), CheckType::CheckBox);

  // Saved and read back.
  ASSERT_TRUE(SaveKinds(loc, tree));
  VTreeModel again;
  BuildCheckKindTree(again);
  ApplyStoredKinds(loc, again);
  std::vector<int32_t> back;
  for (const KindChoice& k : CheckedKinds(again)) back.push_back(k.Kind);
  EXPECT_EQ(back, Checked());
}

TEST_F(KindSettingsTest, NamesAndDescriptionsAreTranslated) {
  BuildCheckKindTree(tree, [](const std::string& k, const std::string& g) {
    return k == "MESSAGE_FileTyp_2_1" ? std::string("Orphaned COM / OLE") : g;
  });
  std::vector<KindChoice> kinds = CheckedKinds(tree);
  EXPECT_EQ(kinds[0].Name, "Verwaiste Dateiformate");
  EXPECT_EQ(kinds[0].ImageIndex, 11);
  EXPECT_EQ(kinds[1].Name, "Orphaned COM / OLE");
  EXPECT_EQ(kinds[15].Name, "MRU - WinZip");
  EXPECT_EQ(tree.Data<RegCheckKindNode>(tree.GetLast()).Description,
            "Liste der zuletzt genutzten Dateien in \"WinZip\"");
}

}  // namespace
}  // namespace qz::rc::test
