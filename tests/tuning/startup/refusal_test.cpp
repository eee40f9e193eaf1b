// Moves that cannot be made are refused and leave everything as it was:
// clashes at the target, a failing write, read-back or removal, a folder that
// cannot be made, an unknown Startup folder, a win.ini key listed twice.
#include "core/ini.h"
#include "st_fixture.h"

namespace qz::st::test {
namespace {

using RefusalTest = StartupTest;

TEST_F(RefusalTest, ANameAtTheTargetIsNeverOverwritten) {
  Plant(HKEY_CURRENT_USER, user / "Run", "Tool", Sz("new.exe"));
  Plant(HKEY_CURRENT_USER, user / "Run\\not active", "TOOL", Sz("old.exe"));
  WriteWinIni("[load]\r\nTool=new.exe\r\n[load-not active]\r\ntool=old.exe\r\n");
  PlantLink(places.UserStartup, "Tool.lnk");
  dir.Write("app\\Backups\\StartUp-Tuner\\not active2\\Tool.lnk", "older file");
  Engine().BuildAutostartTree(tree, true);

  for (ui::VNode* n = tree.GetFirst(); n; n = tree.GetNext(n)) {
    AutostartEntry& e = tree.Data<AutostartEntry>(n);
    if (e.IsCategoryNode || tree.GetCheckState(n) != ui::CheckState::Checked) continue;
    SCOPED_TRACE(e.Source);
    const AutostartEntry before = e;
    EXPECT_EQ(Engine().Disable(e), MoveResult::TargetExists);
    EXPECT_EQ(e.KeyPath, before.KeyPath);
    EXPECT_EQ(e.LinkFile, before.LinkFile);
    EXPECT_EQ(e.IniSection, before.IniSection);
  }
  EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, user / "Run", "Tool"), "new.exe");
  EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, user / "Run\\not active", "Tool"), "old.exe");
  EXPECT_EQ(IniReadSection(places.WinIni, "load")[0].second, "new.exe");
  EXPECT_EQ(IniReadSection(places.WinIni, "load-not active")[0].second, "old.exe");
  EXPECT_TRUE(PathExists(places.UserStartup + "\\Tool.lnk"));
  EXPECT_EQ(FileBytes(places.NotActive2 + "\\Tool.lnk"), "older file");

  // The same on the way back.
  Plant(HKEY_CURRENT_USER, user / "Run\\not active", "Back", Sz("b.exe"));
  Plant(HKEY_CURRENT_USER, user / "Run", "back", Sz("other.exe"));
  AutostartEntry back = Built("Back");
  EXPECT_EQ(Engine().Enable(back), MoveResult::TargetExists);
  EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, user / "Run", "back"), "other.exe");
  EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, user / "Run\\not active", "Back"), "b.exe");
}

TEST_F(RefusalTest, RegistryMoveWithAFailingStepLeavesTheValueInItsPlaceOnly) {
  const RegRawValue data = Sz("%SystemRoot%\\agent.exe", REG_EXPAND_SZ);
  struct Case {
    const char* step;
    std::string where;
    MoveResult expected;
  };
  const std::string target = user / "Run\\not active";
  const Case cases[] = {
      {"WriteValue", target, MoveResult::WriteFailed},         // the write fails
      {"ReadValue", target + "|Agent", MoveResult::WriteFailed},  // the read-back finds nothing
      {"RemoveValue", user / "Run|Agent", MoveResult::SourceKept},  // the source stays
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.step);
    RegRemoveKey(HKEY_CURRENT_USER, target);
    Plant(HKEY_CURRENT_USER, user / "Run", "Agent", data);
    AutostartEntry e = Built("Agent");
    store.fail.clear();
    store.fail[c.step] = TestStore::When(c.where);
    EXPECT_EQ(Engine().Disable(e), c.expected);
    store.fail.clear();
    EXPECT_EQ(e.KeyPath, user / "Run");
    auto kept = RegReadRaw(HKEY_CURRENT_USER, user / "Run", "Agent");
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->type, data.type);
    EXPECT_EQ(kept->data, data.data);
    EXPECT_FALSE(RegHasValue(HKEY_CURRENT_USER, target, "Agent"));
  }
}

// A store that writes other bytes than it was given: the read-back sees it.
class TamperingStore : public TestStore {
 public:
  bool WriteValue(HKEY root, const std::string& key, const std::string& name, const RegRawValue& v) override {
    RegRawValue cut = v;
    cut.data.resize(v.data.size() / 2);
    return TestStore::WriteValue(root, key, name, cut);
  }
  bool WriteIniText(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& text) override {
    return TestStore::WriteIniText(file, section, key, text + " /changed");
  }
};

TEST_F(RefusalTest, AWrongReadBackTakesTheCopyAwayAgain) {
  TamperingStore tampering;
  AutostartEngine e2(tampering, places);
  Plant(HKEY_CURRENT_USER, user / "Run", "Agent", Sz("agent.exe"));
  WriteWinIni("[run]\r\nTray=\"C:\\t.exe\"\r\n");
  e2.BuildAutostartTree(tree, true);
  AutostartEntry& reg = tree.Data<AutostartEntry>(Find(tree, "Agent"));
  AutostartEntry& ini = tree.Data<AutostartEntry>(Find(tree, "Tray"));
  EXPECT_EQ(e2.Disable(reg), MoveResult::WriteFailed);
  EXPECT_EQ(e2.Disable(ini), MoveResult::WriteFailed);
  EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, user / "Run", "Agent"), "agent.exe");
  EXPECT_FALSE(RegHasValue(HKEY_CURRENT_USER, user / "Run\\not active", "Agent"));
  EXPECT_EQ(IniReadSection(places.WinIni, "run")[0].second, "\"C:\\t.exe\"");
  EXPECT_TRUE(IniReadSection(places.WinIni, "run-not active").empty());
}

TEST_F(RefusalTest, WinIniMoveWithAFailingStepLeavesTheKeyInItsPlaceOnly) {
  struct Case {
    const char* step;
    std::string where;
    MoveResult expected;
  };
  const Case cases[] = {
      {"WriteIniText", "run-not active|Tray", MoveResult::WriteFailed},
      {"DeleteIniKey", "run|Tray", MoveResult::SourceKept},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.step);
    WriteWinIni("[run]\r\nTray=tray.exe /q\r\n");
    AutostartEntry e = Built("Tray");
    store.fail.clear();
    store.fail[c.step] = TestStore::When(c.where);
    EXPECT_EQ(Engine().Disable(e), c.expected);
    store.fail.clear();
    EXPECT_EQ(e.IniSection, "run");
    auto run = IniReadSection(places.WinIni, "run");
    ASSERT_EQ(run.size(), 1u);
    EXPECT_EQ(run[0].second, "tray.exe /q");
    EXPECT_TRUE(IniReadSection(places.WinIni, "run-not active").empty());
  }
}

// A shell move that copies and then cannot remove the source.
class CopyingStore : public TestStore {
 public:
  bool ShellMove(const std::string& source, const std::string& target) override {
    return CopyFileW(Widen(source).c_str(), Widen(target).c_str(), TRUE) != FALSE;
  }
};

TEST_F(RefusalTest, LinkMovesThatDoNotCompleteLeaveTheLinkWhereItWas) {
  const std::string link = PlantLink(places.UserStartup, "Tool.lnk");
  const std::string bytes = FileBytes(link);
  {
    AutostartEntry e = Built("Tool");
    store.fail["ShellMove"] = TestStore::Always();
    EXPECT_EQ(Engine().Disable(e), MoveResult::WriteFailed);
    store.fail.clear();
    EXPECT_EQ(e.LinkFile, link);
  }
  {
    CopyingStore copying;
    AutostartEngine e2(copying, places);
    e2.BuildAutostartTree(tree, true);
    AutostartEntry& e = tree.Data<AutostartEntry>(Find(tree, "Tool"));
    EXPECT_EQ(e2.Disable(e), MoveResult::SourceKept);
    EXPECT_EQ(e.LinkFile, link);
  }
  EXPECT_EQ(FileBytes(link), bytes);
  EXPECT_FALSE(PathExists(places.NotActive2 + "\\Tool.lnk"));
}

TEST_F(RefusalTest, AFileWhereTheNotActiveFolderShouldBeIsAFailedWrite) {
  const std::string link = PlantLink(places.UserStartup, "Tool.lnk");
  dir.Write("app\\Backups\\StartUp-Tuner\\not active2", "a file, not a folder");
  AutostartEntry e = Built("Tool");
  EXPECT_EQ(Engine().Disable(e), MoveResult::WriteFailed);
  EXPECT_TRUE(PathExists(link));
  EXPECT_EQ(FileBytes(places.NotActive2), "a file, not a folder");
}

TEST_F(RefusalTest, UnknownStartupFolderAndDuplicateWinIniKeysAreRefused) {
  PlantLink(places.NotActive1, "Parked.lnk");
  WriteWinIni("[run]\r\nTool=one.exe\r\nTOOL=two.exe\r\n");
  AutostartEntry parked = Built("Parked");
  places.CommonStartup.clear();
  AutostartEngine unknown(store, places);
  EXPECT_EQ(unknown.Enable(parked), MoveResult::FolderUnknown);
  EXPECT_TRUE(PathExists(places.NotActive1 + "\\Parked.lnk"));
  EXPECT_FALSE(PathExists("C:\\Parked.lnk"));

  Engine().BuildAutostartTree(tree, true);
  AutostartEntry& first = tree.Data<AutostartEntry>(Find(tree, "Tool"));
  EXPECT_EQ(Engine().Disable(first), MoveResult::Ambiguous);
  EXPECT_EQ(Engine().EditCommand(first, "three.exe"), ChangeResult::Ambiguous);
  EXPECT_EQ(Engine().DeleteEntry(first), ChangeResult::Ambiguous);
  auto run = IniReadSection(places.WinIni, "run");
  ASSERT_EQ(run.size(), 2u);
  EXPECT_EQ(run[0].second, "one.exe");
  EXPECT_EQ(run[1].second, "two.exe");
  EXPECT_TRUE(IniReadSection(places.WinIni, "run-not active").empty());
}

TEST(StartupMessages, EveryRefusalNamesTheEntryAndItsReason) {
  for (MoveResult r : {MoveResult::TargetExists, MoveResult::WriteFailed, MoveResult::SourceKept,
                       MoveResult::FolderUnknown, MoveResult::Ambiguous, MoveResult::BadName}) {
    std::string key;
    std::string text = MoveMessage(r, "Tool Agent", [&](const std::string& k, const std::string& german) {
      key = k;
      return german;
    });
    EXPECT_NE(text.find("Tool Agent"), std::string::npos) << key;
    EXPECT_EQ(key.rfind("MESSAGE_AutoRun_", 0), 0u) << key;
  }
  EXPECT_EQ(MoveMessage(MoveResult::Moved, "x"), "");
  EXPECT_EQ(MoveMessage(MoveResult::Unchanged, "x"), "");
  // The undo-file messages are English and never translated.
  EXPECT_EQ(ChangeMessage(ChangeResult::BackupNotCreated, "x",
                          [](const std::string&, const std::string&) { return std::string("translated"); }),
            "Error creating Backup-File!\rDisk full,corrupt or write-protected?");
  EXPECT_EQ(ChangeMessage(ChangeResult::BackupNotRead, "x"), "Error reading from registry");
}

}  // namespace
}  // namespace qz::st::test
