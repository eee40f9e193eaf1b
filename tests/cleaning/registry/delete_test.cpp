// The delete step on a private hive: what each kind removes, what the undo
// file holds afterwards, and what happens when a step fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "cleaning/registry/rc_delete.h"
#include "core/disk.h"
#include "core/reg_backup.h"
#include "core/stringlist.h"
#include "core/text.h"
#include "rc_fixture.h"

namespace qz::rc::test {
namespace {

using ui::CheckState;
using ui::VNode;
using ui::VTreeModel;

class DeleteTest : public ::testing::Test {
 protected:
  qz::test::GlobalsGuard globals;
  Hive hive{"rc_delete"};
  VTreeModel tree;
  std::unique_ptr<RegistryScanEngine> e = hive.Engine();
  std::string undo = hive.Path("undo\\run.REG");
  DeleteHooks hooks;

  DeleteTest() {
    hooks.BackupName = [this] { return undo; };
  }
  ~DeleteTest() override {
    if (RegistryBackupActive()) EndRegistryBackup();
  }
  bool Key(const std::string& rel) { return RegHasKey(hive.root(), hive / rel); }
  bool Value(const std::string& rel, const std::string& name) { return RegHasValue(hive.root(), hive / rel, name); }
  // The "[...]" section lines of the undo file, without the root.
  std::set<std::string> Sections() {
    StringList lines;
    LoadLines(undo, lines);
    std::set<std::string> out;
    const std::string prefix = "[" + RegRootKeyName(hive.root()) + "\\" + hive / "";
    for (const std::string& l : lines)
      if (l.rfind(prefix, 0) == 0) out.insert(l.substr(prefix.size(), l.size() - prefix.size() - 1));
    return out;
  }
  VNode* EntryWithTarget(const std::string& fragment) {
    for (VNode* n = tree.GetFirst(); n; n = tree.GetNext(n))
      if (IContains(tree.Data<RegScanNode>(n).Target, fragment)) return n;
    return nullptr;
  }
  void Search(std::vector<int32_t> kinds) { RunKinds(*e, tree, kinds); }
};

TEST_F(DeleteTest, EachKindRemovesWhatItNamesAfterItsBackup) {
  hive.Put("Classes\\.qa", "", "qa.file");
  hive.Put("Classes\\qa.file\\shell\\open\\command", "", hive.Path("gone\\a.exe"));
  hive.Put("Classes\\CLSID\\{C}", "", "Server");
  hive.Put("Classes\\CLSID\\{C}\\InProcServer32", "", hive.Path("gone\\c.dll"));
  hive.Put("Classes\\CLSID\\{C}\\InProcServer32", "ThreadingModel", "Both");
  hive.Put("Classes\\TypeLib\\{T}\\1.0", "", "Lib");
  hive.Put("Classes\\TypeLib\\{T}\\1.0\\0\\win32", "", hive.Path("gone\\t.tlb"));
  hive.Put("SharedDLLs", hive.Path("gone\\s.dll"), "1");
  hive.Put("SharedDLLs", hive.Path("gone\\keep.dll"), "1");
  hive.Put("Fonts", "F (TrueType)", hive.Path("gone\\f.ttf"));
  hive.Put("AppEvents\\Schemes\\Apps\\A\\E\\.current", "", hive.Path("gone\\e.wav"));
  hive.Put("Help", "h.hlp", hive.Path("gone"));
  hive.Put("App Paths\\p.exe", "", hive.Path("gone\\p.exe"));
  hive.Put("Classes\\i.file\\DefaultIcon", "", "%SystemDrive%" + hive.Path("gone\\i.dll").substr(2) + ",1",
           REG_EXPAND_SZ);
  hive.Put("MRU11", "a", "first");
  hive.Put("MRU11", "MRUList", "a");
  Search({kFileTypes, kComServers, kTypeLibs, kSharedDlls, kFonts, kSystemSounds, kHelpFiles, kAppPaths, kIcons, 11});
  ASSERT_EQ(e->FoundCount, 12);
  // One SharedDLLs entry is left unchecked.
  tree.ChangeCheckState(EntryWithTarget("keep.dll"), CheckState::Unchecked);
  int progress = 0;
  hooks.OnProgress = [&](int32_t p) { progress = p; };

  ASSERT_TRUE(HasMarkedEntries(*e, tree));
  EXPECT_EQ(e->MarkedCount, 11);
  DeleteResult r = DeleteMarkedEntriesCore(*e, tree, hooks);
  EXPECT_EQ(r.Outcome, DeleteOutcome::Done);
  EXPECT_EQ(e->DeletedCount, 11);
  EXPECT_EQ(e->DeleteErrorCount, 0);
  EXPECT_EQ(progress, 10);  // nine entries and one list category
  EXPECT_EQ(e->FoundCount, 1);
  EXPECT_EQ(e->MarkedCount, 0);

  EXPECT_FALSE(Key("Classes\\.qa"));
  EXPECT_FALSE(Key("Classes\\qa.file"));
  EXPECT_FALSE(Key("Classes\\CLSID\\{C}"));
  EXPECT_FALSE(Key("Classes\\TypeLib\\{T}"));
  EXPECT_FALSE(Value("SharedDLLs", hive.Path("gone\\s.dll")));
  EXPECT_TRUE(Value("SharedDLLs", hive.Path("gone\\keep.dll")));
  EXPECT_FALSE(Value("Fonts", "F (TrueType)"));
  EXPECT_FALSE(Value("AppEvents\\Schemes\\Apps\\A\\E\\.current", ""));
  EXPECT_TRUE(Key("AppEvents\\Schemes\\Apps\\A\\E\\.current"));
  EXPECT_FALSE(Value("Help", "h.hlp"));
  EXPECT_FALSE(Key("App Paths\\p.exe"));
  // The icon is an empty string now; the list is there again, empty.
  auto icon = RegReadRaw(hive.root(), hive / "Classes\\i.file\\DefaultIcon", "");
  ASSERT_TRUE(icon.has_value());
  EXPECT_EQ(icon->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(RegGetString(hive.root(), hive / "Classes\\i.file\\DefaultIcon", ""), "");
  EXPECT_TRUE(Key("MRU11"));
  EXPECT_TRUE(RegListValueNames(hive.root(), hive / "MRU11").empty());

  // The undo file holds each of them, and the count file the number.
  EXPECT_EQ(Sections(), (std::set<std::string>{
                            "Classes\\.qa", "Classes\\qa.file", "Classes\\qa.file\\shell",
                            "Classes\\qa.file\\shell\\open", "Classes\\qa.file\\shell\\open\\command",
                            "Classes\\CLSID\\{C}", "Classes\\CLSID\\{C}\\InProcServer32", "Classes\\TypeLib\\{T}",
                            "Classes\\TypeLib\\{T}\\1.0", "Classes\\TypeLib\\{T}\\1.0\\0",
                            "Classes\\TypeLib\\{T}\\1.0\\0\\win32", "SharedDLLs", "Fonts",
                            "AppEvents\\Schemes\\Apps\\A\\E\\.current", "Help", "App Paths\\p.exe",
                            "Classes\\i.file\\DefaultIcon", "MRU11"}));
  const std::string text = qz::test::ReadFileText(undo);
  EXPECT_EQ(text.rfind("REGEDIT4\r\n", 0), 0u);
  EXPECT_NE(text.find("\"ThreadingModel\"=\"Both\""), std::string::npos);
  EXPECT_NE(text.find("@=hex(2):25,53,79,73,74,65,6D,44"), std::string::npos);  // REG_EXPAND_SZ kept
  EXPECT_EQ(Trim(qz::test::ReadFileText(undo + ".txt")), "11");
}

TEST_F(DeleteTest, FileTypeClassesSharedWithOtherExtensions) {
  auto type = [&](const std::string& ext, const std::string& cls) {
    hive.Put("Classes\\" + ext, "", cls);
    hive.Put("Classes\\" + cls + "\\shell\\open\\command", "", hive.Path("gone\\" + cls + ".exe"));
  };
  type(".qa", "shared.file");
  type(".qb", "shared.file");  // left unchecked: the class stays
  type(".qc", "both.file");
  type(".qd", "both.file");    // both checked: the class goes
  hive.Put("Classes\\.qe", "", "");
  hive.Put("Classes\\.qe\\shell\\open\\command", "", hive.Path("gone\\own.exe"));
  Search({kFileTypes});
  ASSERT_EQ(e->FoundCount, 5);
  for (VNode* n = tree.GetFirst(); n; n = tree.GetNext(n))
    if (tree.Data<RegScanNode>(n).Version == ".qb") tree.ChangeCheckState(n, CheckState::Unchecked);

  DeleteResult r = DeleteMarkedEntriesCore(*e, tree, hooks);
  EXPECT_EQ(r.Outcome, DeleteOutcome::Done);
  EXPECT_EQ(e->DeletedCount, 4);
  EXPECT_FALSE(Key("Classes\\.qa"));
  EXPECT_TRUE(Key("Classes\\.qb"));
  EXPECT_TRUE(Key("Classes\\shared.file"));
  EXPECT_FALSE(Key("Classes\\.qc"));
  EXPECT_FALSE(Key("Classes\\.qd"));
  EXPECT_FALSE(Key("Classes\\both.file"));
  // An empty class: only the extension goes, nothing named by an empty path.
  EXPECT_FALSE(Key("Classes\\.qe"));
  EXPECT_TRUE(Key("Classes"));
  EXPECT_TRUE(Key("Classes\\CLSID"));
  EXPECT_EQ(Sections().count("Classes\\shared.file"), 0u);
}

TEST_F(DeleteTest, TypeLibVersionsAndTheirLibrary) {
  hive.Write("tlb\\keep.tlb");
  auto version = [&](const std::string& lib, const std::string& ver, const std::string& locale,
                     const std::string& file) {
    hive.Put("Classes\\TypeLib\\" + lib + "\\" + ver, "", "Lib");
    hive.Put("Classes\\TypeLib\\" + lib + "\\" + ver + "\\" + locale + "\\win32", "", file);
  };
  version("{A}", "1.0", "0", hive.Path("gone\\old.tlb"));
  version("{A}", "2.0", "0", hive.Path("tlb\\keep.tlb"));
  version("{B}", "1.0", "0", hive.Path("gone\\b0.tlb"));
  version("{B}", "1.0", "9", hive.Path("gone\\b9.tlb"));
  hive.Put("Classes\\TypeLib\\{B}", "Note", "library value");
  Search({kTypeLibs});
  ASSERT_EQ(e->FoundCount, 3);
  DeleteResult r = DeleteMarkedEntriesCore(*e, tree, hooks);
  EXPECT_EQ(r.Outcome, DeleteOutcome::Done);
  EXPECT_EQ(e->DeletedCount, 3);
  EXPECT_FALSE(Key("Classes\\TypeLib\\{A}\\1.0"));
  EXPECT_TRUE(Key("Classes\\TypeLib\\{A}\\2.0"));
  EXPECT_FALSE(Key("Classes\\TypeLib\\{B}"));
  // {B}\1.0 is backed up once; its library with its own value after it.
  const std::string text = qz::test::ReadFileText(undo);
  const std::string section = "[" + RegRootKeyName(hive.root()) + "\\" + hive / "Classes\\TypeLib\\{B}\\1.0]";
  size_t first = text.find(section);
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(text.find(section, first + 1), std::string::npos);
  EXPECT_NE(text.find("\"Note\"=\"library value\""), std::string::npos);
}

TEST_F(DeleteTest, GoneOrEmptyCountsAsDeletedWithoutALine) {
  hive.Put("Classes\\CLSID\\{C}", "", "Server");
  hive.Put("Classes\\CLSID\\{C}\\InProcServer32", "", hive.Path("gone\\c.dll"));
  hive.Put("Classes\\i.file\\DefaultIcon", "", hive.Path("gone\\i.dll") + ",1");
  hive.Put("Help", "h.hlp", hive.Path("gone"));
  Search({kComServers, kHelpFiles, kIcons});
  ASSERT_EQ(e->FoundCount, 3);
  RegRemoveKey(hive.root(), hive / "Classes\\CLSID\\{C}");
  RegRemoveValue(hive.root(), hive / "Help", "h.hlp");
  Put(hive.root(), hive / "Classes\\i.file\\DefaultIcon", "", "");
  DeleteResult r = DeleteMarkedEntriesCore(*e, tree, hooks);
  EXPECT_EQ(r.Outcome, DeleteOutcome::Done);
  EXPECT_EQ(e->DeletedCount, 3);
  EXPECT_FALSE(FileExists(undo));  // nothing recorded, no undo file
  EXPECT_EQ(Trim(qz::test::ReadFileText(undo + ".txt")), "3");
}

TEST_F(DeleteTest, FailedStepsKeepTheirEntries) {
  hive.Put("Classes\\CLSID\\{1}", "", "Backup fails");
  hive.Put("Classes\\CLSID\\{1}\\InProcServer32", "", hive.Path("gone\\1.dll"));
  hive.Put("Classes\\CLSID\\{2}", "", "Removal fails");
  hive.Put("Classes\\CLSID\\{2}\\InProcServer32", "", hive.Path("gone\\2.dll"));
  hive.Put("Classes\\CLSID\\{3}", "", "Works");
  hive.Put("Classes\\CLSID\\{3}\\InProcServer32", "", hive.Path("gone\\3.dll"));
  hive.Put("Classes\\i.file\\DefaultIcon", "", hive.Path("gone\\i.dll") + ",1");
  hive.Put("MRU11", "a", "x");
  Search({kComServers, kIcons, 11});
  ASSERT_EQ(e->FoundCount, 5);
  RegistryActions& a = hooks.Actions;
  auto realBackup = a.BackupKey;
  a.BackupKey = [&](HKEY r, const std::string& k) { return IContains(k, "{1}") ? false : realBackup(r, k); };
  auto realRemove = a.RemoveKey;
  a.RemoveKey = [&](HKEY r, const std::string& k) { return IContains(k, "{2}") ? false : realRemove(r, k); };
  a.WriteEmptyString = [](HKEY, const std::string&, const std::string&) { return false; };
  a.RecreateEmptyKey = [](HKEY, const std::string&) { return false; };

  DeleteResult r = DeleteMarkedEntriesCore(*e, tree, hooks);
  EXPECT_EQ(r.Outcome, DeleteOutcome::Done);
  EXPECT_EQ(e->DeletedCount, 1);
  EXPECT_EQ(e->DeleteErrorCount, 4);
  EXPECT_TRUE(Key("Classes\\CLSID\\{1}"));
  EXPECT_TRUE(Key("Classes\\CLSID\\{2}"));
  EXPECT_FALSE(Key("Classes\\CLSID\\{3}"));
  // Failed entries stay in the tree, still marked.
  EXPECT_EQ(e->FoundCount, 4);
  EXPECT_EQ(e->MarkedCount, 4);
  EXPECT_NE(EntryWithTarget("1.DLL"), nullptr);
  EXPECT_NE(EntryWithTarget("2.DLL"), nullptr);
  EXPECT_EQ(EntryWithTarget("3.DLL"), nullptr);
  EXPECT_EQ(Sections().count("Classes\\CLSID\\{1}"), 0u);
  EXPECT_EQ(Trim(qz::test::ReadFileText(undo + ".txt")), "1");
}

TEST_F(DeleteTest, NothingWithoutAPlaceToActOn) {
  tree.SetRecordType<RegScanNode>();
  e->SearchComplete = true;
  VNode* cat = AddKindCategory(*e, tree, {kFonts, "Fonts", 7});
  for (const auto& [root, key] : std::vector<std::pair<HKEY, std::string>>{
           {nullptr, hive / "Fonts"}, {hive.root(), ""}, {reinterpret_cast<HKEY>(0x1234), hive / "Fonts"}}) {
    RegScanNode d;
    d.Kind = kFonts;
    d.Root = root;
    d.Key = key;
    d.ValueName = "F";
    VNode* n = tree.AddChild(cat, std::move(d));
    tree.SetCheckType(n, ui::CheckType::CheckBox);
    tree.SetCheckState(n, CheckState::Checked);
  }
  DeleteResult r = DeleteMarkedEntriesCore(*e, tree, hooks);
  EXPECT_EQ(r.Outcome, DeleteOutcome::Done);
  EXPECT_EQ(e->DeletedCount, 0);
  EXPECT_EQ(e->DeleteErrorCount, 3);
}

TEST_F(DeleteTest, CancelClosesTheUndoFileWithWhatWasRemoved) {
  for (int i = 1; i <= 4; ++i) {
    const std::string n = std::to_string(i);
    hive.Put("Classes\\CLSID\\{" + n + "}", "", "S" + n);
    hive.Put("Classes\\CLSID\\{" + n + "}\\InProcServer32", "", hive.Path("gone\\" + n + ".dll"));
  }
  Search({kComServers});
  int pumps = 0;
  // Nodes: the category, then {1}..{4}; Cancel while {3} is due.
  e->OnPump = [&] {
    if (++pumps == 4) AbortFlag = 1;
  };
  DeleteResult r = DeleteMarkedEntriesCore(*e, tree, hooks);
  EXPECT_EQ(r.Outcome, DeleteOutcome::Cancelled);
  EXPECT_TRUE(r.UndoClosed);
  EXPECT_EQ(e->DeletedCount, 2);
  EXPECT_FALSE(RegistryBackupActive());
  EXPECT_EQ(Sections(), (std::set<std::string>{"Classes\\CLSID\\{1}", "Classes\\CLSID\\{1}\\InProcServer32",
                                                "Classes\\CLSID\\{2}", "Classes\\CLSID\\{2}\\InProcServer32"}));
  EXPECT_TRUE(Key("Classes\\CLSID\\{3}"));
  EXPECT_FALSE(FileExists(undo + ".txt"));
}

TEST_F(DeleteTest, AnUndoFileThatCannotBeClosedOrLacksARecordFails) {
  hive.Put("Classes\\CLSID\\{1}", "", "S");
  hive.Put("Classes\\CLSID\\{1}\\InProcServer32", "", hive.Path("gone\\1.dll"));
  hive.Put("Classes\\CLSID\\{2}", "", "S");
  hive.Put("Classes\\CLSID\\{2}\\InProcServer32", "", hive.Path("gone\\2.dll"));
  Search({kComServers});
  // A backup that claims success without writing: the removal is not in
  // the undo file, which the read-back finds.
  auto realBackup = hooks.Actions.BackupKey;
  hooks.Actions.BackupKey = [&](HKEY r, const std::string& k) { return IContains(k, "{2}") ? true : realBackup(r, k); };
  DeleteResult r = DeleteMarkedEntriesCore(*e, tree, hooks);
  EXPECT_EQ(r.Outcome, DeleteOutcome::EndFailed);
  EXPECT_FALSE(r.UndoClosed);
  EXPECT_FALSE(FileExists(undo + ".txt"));

  // A close that fails.
  hive.Put("Classes\\CLSID\\{3}", "", "S");
  hive.Put("Classes\\CLSID\\{3}\\InProcServer32", "", hive.Path("gone\\3.dll"));
  Search({kComServers});
  undo = hive.Path("undo\\second.REG");
  hooks.Actions = RegistryActions::Real();
  hooks.EndBackup = [] {
    EndRegistryBackup();
    return false;
  };
  r = DeleteMarkedEntriesCore(*e, tree, hooks);
  EXPECT_EQ(r.Outcome, DeleteOutcome::EndFailed);
  EXPECT_FALSE(FileExists(undo + ".txt"));
}

TEST_F(DeleteTest, BeginAndNameFailures) {
  hive.Put("Help", "h.hlp", hive.Path("gone"));
  Search({kHelpFiles});
  hooks.BackupName = [] { return std::string(); };
  EXPECT_EQ(DeleteMarkedEntriesCore(*e, tree, hooks).Outcome, DeleteOutcome::NoBackupName);
  hive.Write("undo\\run.REG");  // the same date name within a minute
  hooks.BackupName = [this] { return undo; };
  EXPECT_EQ(DeleteMarkedEntriesCore(*e, tree, hooks).Outcome, DeleteOutcome::BeginFailed);
  EXPECT_TRUE(Value("Help", "h.hlp"));
  EXPECT_EQ(e->DeletedCount, 0);
}

TEST_F(DeleteTest, ACancelledSearchIsNeverDeletedFrom) {
  hive.Put("Help", "a.hlp", hive.Path("gone"));
  hive.Put("Help", "b.hlp", hive.Path("gone"));
  hive.Put("Help", "c.hlp", hive.Path("gone"));
  int pumps = 0;
  e->OnPump = [&] {
    if (++pumps == 3) AbortFlag = 1;
  };
  SearchRequest req;
  req.Drives = "C";
  req.Kinds = {{kHelpFiles, "Help", 5}};
  ASSERT_EQ(RunRegistrySearchCore(*e, tree, req), SearchOutcome::Cancelled);
  ASSERT_EQ(tree.ChildCount(tree.GetFirst()), 2u);
  e->OnPump = nullptr;
  EXPECT_FALSE(HasMarkedEntries(*e, tree));
  EXPECT_EQ(DeleteMarkedEntriesCore(*e, tree, hooks).Outcome, DeleteOutcome::NothingMarked);
  EXPECT_TRUE(Value("Help", "a.hlp"));
  EXPECT_FALSE(FileExists(undo));
}

}  // namespace
}  // namespace qz::rc::test
