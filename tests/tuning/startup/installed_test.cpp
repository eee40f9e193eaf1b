// The installed-software list: both views, sorted, and edits and deletes that
// write a complete undo file first and change only what the user asked for.
#include "core/disk.h"
#include "core/reg_backup.h"
#include "st_fixture.h"
#include "tuning/startup/installed_software.h"

namespace qz::st::test {
namespace {

class InstalledTest : public StartupTest {
 protected:
  std::string Base() const { return machine / "Uninstall"; }
  std::string Base32() const { return machine32 + "\\Uninstall"; }
  void App(const std::string& base, const std::string& key, const std::string& display,
           const std::string& uninstall = "unins.exe") {
    if (!display.empty()) Plant(HKEY_LOCAL_MACHINE, base + "\\" + key, "DisplayName", Sz(display));
    Plant(HKEY_LOCAL_MACHINE, base + "\\" + key, "UninstallString", Sz(uninstall));
  }
  std::vector<UninstallEntry> List() { return ListInstalledSoftware(store, HKEY_LOCAL_MACHINE, Base()); }
  const UninstallEntry* Entry(const std::vector<UninstallEntry>& list, const std::string& key) {
    for (const UninstallEntry& e : list)
      if (e.KeyName == key) return &e;
    return nullptr;
  }
};

TEST_F(InstalledTest, BothViewsSortedWithoutRegardToCaseAndNamelessEntriesHidden) {
  App(Base(), "b-key", "beta");
  App(Base(), "a-key", "Alpha", "C:\\a\\unins000.exe");
  App(Base(), "hidden", "");
  App(Base(), "z-same", "Same Name", "first");
  App(Base32(), "legacy", "Gamma (legacy)");
  App(Base32(), "a-same", "same name", "second");
  std::vector<std::string> rows;
  for (const UninstallEntry& e : List()) rows.push_back(e.DisplayName + "|" + e.KeyName + "|" + e.UninstallString);
  // Equal names keep the order they were read in: the native view first.
  EXPECT_EQ(rows, (std::vector<std::string>{"Alpha|a-key|C:\\a\\unins000.exe", "beta|b-key|unins.exe",
                                            "Gamma (legacy)|legacy|unins.exe", "Same Name|z-same|first",
                                            "same name|a-same|second"}));
  const std::vector<UninstallEntry> list = List();
  const UninstallEntry* legacy = Entry(list, "legacy");
  ASSERT_NE(legacy, nullptr);
  EXPECT_TRUE(IEquals(legacy->KeyPath(), Base32() + "\\legacy"));
  EXPECT_TRUE(ListInstalledSoftware(store, HKEY_LOCAL_MACHINE, machine / "absent").empty());
}

TEST_F(InstalledTest, EditKeepsEveryOtherValueAndSubKey) {
  App(Base(), "app", "App", "unins.exe");
  Plant(HKEY_LOCAL_MACHINE, Base() + "\\app", "DisplayIcon", Sz("app.ico"));
  Plant(HKEY_LOCAL_MACHINE, Base() + "\\app", "DisplayVersion", Sz("1.0"));
  Plant(HKEY_LOCAL_MACHINE, Base() + "\\app", "UninstallString", Sz("%ProgramFiles%\\unins.exe", REG_EXPAND_SZ));
  Plant(HKEY_LOCAL_MACHINE, Base() + "\\app\\Sub", "Kept", Sz("yes"));
  const UninstallEntry e = *Entry(List(), "app");
  ASSERT_EQ(EditInstalledEntry(store, places.BackupDir, e, "App Renamed", "%ProgramFiles%\\new.exe"),
            ChangeResult::Done);
  const std::string key = Base() + "\\app";
  EXPECT_EQ(RegGetString(HKEY_LOCAL_MACHINE, key, "DisplayName"), "App Renamed");
  EXPECT_EQ(RegGetString(HKEY_LOCAL_MACHINE, key, "UninstallString"), "%ProgramFiles%\\new.exe");
  EXPECT_EQ(RegGetValueType(HKEY_LOCAL_MACHINE, key, "UninstallString"), kRegExpand);
  EXPECT_EQ(RegGetString(HKEY_LOCAL_MACHINE, key, "DisplayIcon"), "app.ico");
  EXPECT_EQ(RegGetString(HKEY_LOCAL_MACHINE, key, "DisplayVersion"), "1.0");
  EXPECT_EQ(RegGetString(HKEY_LOCAL_MACHINE, key + "\\Sub", "Kept"), "yes");
  EXPECT_EQ(store.calls["RemoveKey"], 0);
  StringList undo;
  FindFiles(places.BackupDir + "\\" + GetBackupUserFolder() + "\\", "App ; *.REG", undo);
  EXPECT_EQ(undo.size(), 1u);
}

TEST_F(InstalledTest, AFailedBackupChangesNothingAndAnEmptyKeyNameIsRefused) {
  App(Base(), "app", "App");
  const UninstallEntry e = *Entry(List(), "app");
  store.fail["BackupKey"] = TestStore::Always();
  EXPECT_EQ(DeleteInstalledEntry(store, places.BackupDir, e), ChangeResult::BackupNotRead);
  EXPECT_EQ(EditInstalledEntry(store, places.BackupDir, e, "X", "y"), ChangeResult::BackupNotRead);
  store.fail.clear();
  EXPECT_EQ(RegGetString(HKEY_LOCAL_MACHINE, Base() + "\\app", "DisplayName"), "App");
  EXPECT_EQ(ChangeMessage(ChangeResult::BackupNotRead, e.DisplayName), "Error reading from registry");

  UninstallEntry whole = e;
  whole.KeyName = "";
  EXPECT_EQ(DeleteInstalledEntry(store, places.BackupDir, whole), ChangeResult::EmptyKeyName);
  EXPECT_EQ(EditInstalledEntry(store, places.BackupDir, whole, "X", "y"), ChangeResult::EmptyKeyName);
  EXPECT_TRUE(RegHasKey(HKEY_LOCAL_MACHINE, Base() + "\\app"));
  EXPECT_EQ(store.calls["BeginBackup"], 2);

  store.fail["RemoveKey"] = TestStore::Always();
  store.backupTime.wSecond = 1;
  EXPECT_EQ(DeleteInstalledEntry(store, places.BackupDir, e), ChangeResult::RemoveFailed);
  EXPECT_TRUE(RegHasKey(HKEY_LOCAL_MACHINE, Base() + "\\app"));
}

TEST_F(InstalledTest, DeletedThirtyTwoBitEntryComesBackThroughTheRegistryEditorInItsOwnView) {
  const std::string key = Base32() + "\\legacy";
  App(Base32(), "legacy", "Legacy App", "\"C:\\Legacy\\unins.exe\" /x");
  Plant(HKEY_LOCAL_MACHINE, key, "EstimatedSize", RegRawValue{REG_DWORD, {0x10, 0x20, 0, 0}});
  Plant(HKEY_LOCAL_MACHINE, key, "Blob", RegRawValue{REG_BINARY, {0, 1, 0xFE, 0xFF}});
  Plant(HKEY_LOCAL_MACHINE, key, "Path", Sz("%ProgramFiles%\\Legacy", REG_EXPAND_SZ));
  Plant(HKEY_LOCAL_MACHINE, key + "\\Sub", "Deep", Sz("deep"));
  const std::vector<RegNamedValue> before = RegListValues(HKEY_LOCAL_MACHINE, key);

  const std::vector<UninstallEntry> list = List();
  const UninstallEntry* e = Entry(list, "legacy");
  ASSERT_NE(e, nullptr);
  ASSERT_EQ(DeleteInstalledEntry(store, places.BackupDir, *e), ChangeResult::Done);
  EXPECT_FALSE(RegHasKey(HKEY_LOCAL_MACHINE, key));
  StringList undo;
  FindFiles(places.BackupDir + "\\" + GetBackupUserFolder() + "\\", "*.REG", undo);
  ASSERT_EQ(undo.size(), 1u);
  EXPECT_NE(ExtractFileName(undo[0]).find("Legacy App ; "), std::string::npos);

  ASSERT_TRUE(RestoreRegistryBackup(undo[0]));
  const std::vector<RegNamedValue> after = RegListValues(HKEY_LOCAL_MACHINE, key);
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(after[i].name, before[i].name);
    EXPECT_EQ(after[i].type, before[i].type) << before[i].name;
    EXPECT_EQ(after[i].data, before[i].data) << before[i].name;
  }
  EXPECT_EQ(RegGetString(HKEY_LOCAL_MACHINE, key + "\\Sub", "Deep"), "deep");
  // Nothing reached the native view.
  EXPECT_FALSE(RegHasKey(HKEY_LOCAL_MACHINE, Base() + "\\legacy"));
}

}  // namespace
}  // namespace qz::st::test
