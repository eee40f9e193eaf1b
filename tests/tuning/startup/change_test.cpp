// Edit, delete and add: undo files before registry changes, link edits that
// keep every other property, link deletes that leave a checked copy, the
// name check of new entries.
#include "core/ini.h"
#include "core/reg_backup.h"
#include "st_fixture.h"
#include "tuning/startup/command_line.h"

namespace qz::st::test {
namespace {

using ChangeTest = StartupTest;

std::string UndoFolder(const StartupPlaces& p) { return p.BackupDir + "\\" + GetBackupUserFolder(); }

TEST_F(ChangeTest, RegistryEditWritesAnUndoFileFirstAndKeepsAnExpandableString) {
  Plant(HKEY_CURRENT_USER, user / "Run", "Tool Agent", Sz("%ProgramFiles%\\agent.exe", REG_EXPAND_SZ));
  AutostartEntry e = Built("Tool Agent");
  ASSERT_EQ(Engine().EditCommand(e, "%ProgramFiles%\\agent.exe /quiet"), ChangeResult::Done);
  auto now = RegReadRaw(HKEY_CURRENT_USER, user / "Run", "Tool Agent");
  ASSERT_TRUE(now);
  EXPECT_EQ(now->type, static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(RegValueText(*now), "%ProgramFiles%\\agent.exe /quiet");
  EXPECT_EQ(e.Command, "%ProgramFiles%\\agent.exe /quiet");
  EXPECT_EQ(store.calls["RemoveValue"], 0);  // written in place, never removed first

  // "<name> ; <date name>.REG" holding the old value with its type.
  const std::string undo = UndoFolder(places) + "\\Tool Agent ; " +
                           ExtractFileName(qz::MakeBackupFileName("x", store.backupTime, 1033));
  ASSERT_TRUE(FileExists(undo)) << undo;
  std::string text;
  LoadTextFile(undo, text);
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\" + user.key() + "\\Run]"), std::string::npos) << text;
  EXPECT_NE(text.find("\"Tool Agent\"=hex(2):"), std::string::npos) << text;

  // A second change within the same second finds that name taken: the first
  // undo-file error, and the value stays as it is.
  EXPECT_EQ(Engine().EditCommand(e, "other.exe"), ChangeResult::BackupNotCreated);
  EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, user / "Run", "Tool Agent"), "%ProgramFiles%\\agent.exe /quiet");
  EXPECT_EQ(Engine().DeleteEntry(e), ChangeResult::BackupNotCreated);
  EXPECT_TRUE(RegHasValue(HKEY_CURRENT_USER, user / "Run", "Tool Agent"));
}

TEST_F(ChangeTest, RegistryEditAndDeleteChangeNothingWhenTheUndoFileFails) {
  Plant(HKEY_LOCAL_MACHINE, machine / "Run", "Agent", RegRawValue{REG_BINARY, {1, 2, 3}});
  AutostartEntry e = Built("Agent");
  store.fail["BackupValue"] = TestStore::Always();
  EXPECT_EQ(Engine().EditCommand(e, "x.exe"), ChangeResult::BackupNotRead);
  EXPECT_EQ(Engine().DeleteEntry(e), ChangeResult::BackupNotRead);
  store.fail.clear();
  store.fail["EndBackup"] = TestStore::Always();
  EXPECT_EQ(Engine().EditCommand(e, "x.exe"), ChangeResult::BackupNotClosed);
  store.fail.clear();
  auto kept = RegReadRaw(HKEY_LOCAL_MACHINE, machine / "Run", "Agent");
  ASSERT_TRUE(kept);
  EXPECT_EQ(kept->type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(kept->data, (std::vector<uint8_t>{1, 2, 3}));

  // A binary value becomes a string when edited (the failed close above
  // left an undo file of this second's name).
  store.backupTime.wSecond += 1;
  ASSERT_EQ(Engine().EditCommand(e, "x.exe"), ChangeResult::Done);
  EXPECT_EQ(RegGetValueType(HKEY_LOCAL_MACHINE, machine / "Run", "Agent"), kRegString);
}

TEST_F(ChangeTest, RegistryAndWinIniDeletes) {
  Plant(HKEY_LOCAL_MACHINE, machine32 + "\\Run\\not active", "Legacy", Sz("legacy.exe"));
  WriteWinIni("[load]\r\nLoader=l.exe\r\nOther=o.exe\r\n");
  AutostartEntry legacy = Built("Legacy (32-Bit)");
  ASSERT_EQ(Engine().DeleteEntry(legacy), ChangeResult::Done);
  EXPECT_FALSE(RegHasValue(HKEY_LOCAL_MACHINE, machine32 + "\\Run\\not active", "Legacy"));
  // The undo file names the key the value came from.
  StringList undo;
  FindFiles(UndoFolder(places) + "\\", "*.REG", undo);
  ASSERT_EQ(undo.size(), 1u);
  EXPECT_NE(ExtractFileName(undo[0]).find("Legacy (32-Bit) ; "), std::string::npos);
  std::string text;
  LoadTextFile(undo[0], text);
  EXPECT_TRUE(IContains(text, "[HKEY_LOCAL_MACHINE\\" + machine32 + "\\Run\\not active]")) << text;

  AutostartEntry loader = Built("Loader");
  store.fail["DeleteIniKey"] = TestStore::Always();
  EXPECT_EQ(Engine().DeleteEntry(loader), ChangeResult::RemoveFailed);
  store.fail.clear();
  ASSERT_EQ(Engine().DeleteEntry(loader), ChangeResult::Done);
  auto load = IniReadSection(places.WinIni, "load");
  ASSERT_EQ(load.size(), 1u);
  EXPECT_EQ(load[0].first, "Other");
}

TEST_F(ChangeTest, WinIniEditWritesTheTextUnderItsKey) {
  WriteWinIni("[run]\r\nTray=tray.exe\r\n");
  AutostartEntry e = Built("Tray");
  ASSERT_EQ(Engine().EditCommand(e, "  \"C:\\new tray\\tray.exe\" /min  "), ChangeResult::Done);
  EXPECT_EQ(IniReadSection(places.WinIni, "run")[0].second, "\"C:\\new tray\\tray.exe\" /min");
  EXPECT_EQ(e.Command, "\"C:\\new tray\\tray.exe\" /min");
}

TEST_F(ChangeTest, LinkEditChangesTargetAndArgumentsOnlyAndKeepsTheRest) {
  const DWORD attrs = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY;
  const std::string file = PlantLink(places.UserStartup, "Tool.lnk", attrs);
  AutostartEntry e = Built("Tool");
  ASSERT_EQ(Engine().EditCommand(e, "\"C:\\windows\\system32\\notepad.exe\" /new args"), ChangeResult::Done);
  EXPECT_EQ(e.LinkFile, file);
  EXPECT_EQ(e.Command, "C:\\windows\\system32\\notepad.exe /new args");

  TShortcutLink link;
  link.ShortcutFile = file;
  link.LoadShortcut();
  EXPECT_TRUE(IEquals(link.Target, "C:\\windows\\system32\\notepad.exe")) << link.Target;
  EXPECT_EQ(link.Arguments, "/new args");
  EXPECT_EQ(link.Description, "A tool");
  EXPECT_EQ(link.WorkingDir, "C:\\windows");
  EXPECT_TRUE(IEquals(link.IconLocation, "C:\\windows\\system32\\shell32.dll"));
  EXPECT_EQ(link.IconNumber, 3);
  EXPECT_EQ(link.HotKey(), "K");
  EXPECT_EQ(link.ShowCmd(), TShowCmd::scShowMinimized);
  EXPECT_EQ(AttributesOf(file) & attrs, attrs);
  // The old link went to the Recycle Bin; no temporary file stays behind.
  ExpectInTrash(file);
  StringList left;
  FindFiles(places.BackupDir + "\\", "*", left);
  EXPECT_TRUE(left.empty());

  // An unchanged text splits back into the same parts: the arguments stay.
  ASSERT_EQ(Engine().EditCommand(e, "C:\\windows\\notepad.exe /new args"), ChangeResult::Done);
  link.LoadShortcut();
  EXPECT_EQ(link.Arguments, "/new args");
  ExpectInTrash(file);
}

TEST_F(ChangeTest, LinkEditThatCannotSaveOrRecycleKeepsTheOldLink) {
  const std::string file = PlantLink(places.UserStartup, "Tool.lnk");
  const std::string bytes = FileBytes(file);
  AutostartEntry e = Built("Tool");
  store.fail["SaveLink"] = TestStore::Always();
  EXPECT_EQ(Engine().EditCommand(e, "x.exe"), ChangeResult::LinkNotSaved);
  store.fail.clear();
  store.fail["Recycle"] = TestStore::Always();
  EXPECT_EQ(Engine().EditCommand(e, "x.exe"), ChangeResult::RecycleFailed);
  store.fail.clear();
  EXPECT_EQ(FileBytes(file), bytes);
  StringList left;
  FindFiles(places.BackupDir + "\\", "*", left);
  EXPECT_TRUE(left.empty());

  dir.Write("user\\Broken.lnk", "no link");
  AutostartEntry broken = Built("Broken");
  EXPECT_EQ(Engine().EditCommand(broken, "x.exe"), ChangeResult::LinkUnreadable);
}

TEST_F(ChangeTest, LinkDeleteLeavesANumberedCheckedCopyAndRecyclesTheLink) {
  const std::string file = PlantLink(places.CommonStartup, "Tool.lnk");
  const std::string bytes = FileBytes(file);
  dir.Write("app\\Backups\\ST\\Tool.lnk", "an older copy");
  AutostartEntry e = Built("Tool");

  store.fail["ShellCopy"] = TestStore::Always();
  EXPECT_EQ(Engine().DeleteEntry(e), ChangeResult::CopyFailed);  // no copy, no delete
  store.fail.clear();
  EXPECT_TRUE(PathExists(file));

  ASSERT_EQ(Engine().DeleteEntry(e), ChangeResult::Done);
  EXPECT_FALSE(PathExists(file));
  ExpectInTrash(file);
  EXPECT_EQ(FileBytes(places.BackupDir + "\\Tool.lnk"), "an older copy");
  EXPECT_EQ(FileBytes(places.BackupDir + "\\Tool (2).lnk"), bytes);
  EXPECT_EQ(Engine().FreeCopyName(places.BackupDir, "Tool.lnk"), places.BackupDir + "\\Tool (3).lnk");

  // A recycle that leaves the file is no delete.
  const std::string again = PlantLink(places.CommonStartup, "Tool.lnk");
  AutostartEntry e2 = Built("Tool");
  store.fail["Recycle"] = TestStore::Always();
  EXPECT_EQ(Engine().DeleteEntry(e2), ChangeResult::RecycleFailed);
  EXPECT_TRUE(PathExists(again));
}

TEST_F(ChangeTest, AddWritesEachPlaceAndRefusesBadNamesAndClashes) {
  ASSERT_EQ(Engine().AddEntry("User Tool", "u.exe /x", AddPlace::UserRun), ChangeResult::Done);
  ASSERT_EQ(Engine().AddEntry("Machine Tool", "m.exe", AddPlace::MachineRun), ChangeResult::Done);
  ASSERT_EQ(Engine().AddEntry("Linked", "\"C:\\windows\\notepad.exe\" -x", AddPlace::StartupFolder),
            ChangeResult::Done);
  EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, user / "Run", "User Tool"), "u.exe /x");
  EXPECT_EQ(RegGetValueType(HKEY_CURRENT_USER, user / "Run", "User Tool"), kRegString);
  EXPECT_EQ(RegGetString(HKEY_LOCAL_MACHINE, machine / "Run", "Machine Tool"), "m.exe");
  TShortcutLink link;
  link.ShortcutFile = places.UserStartup + "\\Linked.LNK";
  link.LoadShortcut();
  EXPECT_TRUE(IEquals(link.Target, "C:\\windows\\notepad.exe")) << link.Target;
  EXPECT_EQ(link.Arguments, "-x");
  EXPECT_EQ(link.Description, "");

  EXPECT_EQ(Engine().CheckNewName("user tool", AddPlace::UserRun), NameProblem::Exists);
  EXPECT_EQ(Engine().CheckNewName("User Tool", AddPlace::MachineRun), NameProblem::None);
  EXPECT_EQ(Engine().CheckNewName("linked", AddPlace::StartupFolder), NameProblem::Exists);
  Plant(HKEY_LOCAL_MACHINE, machine / "Run\\not active", "Parked", Sz("p.exe"));
  EXPECT_EQ(Engine().CheckNewName("Parked", AddPlace::MachineRun), NameProblem::Exists);
  PlantLink(places.NotActive2, "Parked link.lnk");
  EXPECT_EQ(Engine().CheckNewName("Parked link", AddPlace::StartupFolder), NameProblem::Exists);
  EXPECT_EQ(Engine().AddEntry("User Tool", "other.exe", AddPlace::UserRun), ChangeResult::WriteFailed);
  EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, user / "Run", "User Tool"), "u.exe /x");

  for (const std::string& bad : {std::string("a/b"), std::string("a\\b"), std::string("a:b"), std::string("a*"),
                                 std::string("a?"), std::string("\"a\""), std::string("a<b>"), std::string("a|b"),
                                 std::string("tab\there"), std::string("."), std::string(".."),
                                 std::string("dot."), std::string("blank "), std::string(201, 'n')})
    EXPECT_EQ(CheckNameText(bad), NameProblem::Invalid) << bad;
  EXPECT_EQ(CheckNameText("   "), NameProblem::Empty);
  EXPECT_EQ(CheckNameText(std::string(200, 'n')), NameProblem::None);
  EXPECT_EQ(CheckNameText("My Tool (2).x"), NameProblem::None);

  // No Startup folder at all: a link cannot be added.
  places.UserStartup.clear();
  places.CommonStartup.clear();
  AutostartEngine none(store, places);
  EXPECT_EQ(none.AddEntry("Nowhere", "x.exe", AddPlace::StartupFolder), ChangeResult::FolderUnknown);
  store.fail["SaveLink"] = TestStore::Always();
  EXPECT_EQ(Engine().AddEntry("Unsaved", "x.exe", AddPlace::StartupFolder), ChangeResult::LinkNotSaved);
}

TEST(CommandLine, SplitIntoProgramAndArguments) {
  auto exists = [](const std::string& p) {
    return p == "C:\\Program Files\\My Tool\\tool.exe" || p == "C:\\a b";
  };
  struct Case {
    const char* command;
    const char* program;
    const char* arguments;
  };
  const Case cases[] = {
      {"\"C:\\Program Files\\x.exe\" -a -b", "C:\\Program Files\\x.exe", "-a -b"},
      {"  \"C:\\x.exe\"  ", "C:\\x.exe", ""},
      {"\"C:\\unclosed x.exe", "C:\\unclosed x.exe", ""},
      {"C:\\Program Files\\My Tool\\tool.exe /tray now", "C:\\Program Files\\My Tool\\tool.exe", "/tray now"},
      {"C:\\a b c", "C:\\a b", "c"},  // the shortest existing prefix
      {"C:\\Program Files\\Other\\x.exe /q", "C:\\Program", "Files\\Other\\x.exe /q"},
      {"notepad.exe", "notepad.exe", ""},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    SplitCommand s = SplitCommandLine(c.command, exists);
    EXPECT_EQ(s.Program, c.program) << c.command;
    EXPECT_EQ(s.Arguments, c.arguments) << c.command;
  }
  EXPECT_EQ(JoinCommandLine("C:\\a b\\x.exe", "-q"), "\"C:\\a b\\x.exe\" -q");
  EXPECT_EQ(JoinCommandLine("C:\\a b\\x.exe", ""), "C:\\a b\\x.exe");
  EXPECT_EQ(JoinCommandLine("C:\\x.exe", "-q"), "C:\\x.exe -q");
}

TEST(CommandLine, PropertiesTargets) {
  const std::string win = "C:\\WINDOWS", sys = "C:\\WINDOWS\\SYSTEM32";
  auto exists = [](const std::string& p) {
    return p == "C:\\WINDOWS\\SYSTEM32\\SHELL32.DLL" || p == "C:\\WINDOWS\\SYSTEM32\\USER32.DLL" ||
           p == "C:\\WINDOWS\\NOTEPAD.EXE";
  };
  struct Case {
    const char* command;
    const char* target;
  };
  const Case cases[] = {
      {"RUNDLL32.EXE SHELL32.DLL,Control_RunDLL", "C:\\WINDOWS\\SYSTEM32\\SHELL32.DLL"},
      {"rundll32.exe user32,LockWorkStation", "C:\\WINDOWS\\SYSTEM32\\USER32.DLL"},
      {"RUNDLL32 SHELL32.DLL,Control_RunDLL", "C:\\WINDOWS\\SYSTEM32\\SHELL32.DLL"},  // no ".EXE": the first word goes
      {"RUNDLL32", ""},
      {"rundll32.exe unknown.dll,Entry", "UNKNOWN.DLL"},
      {"notepad.exe /p x.txt", "C:\\WINDOWS\\NOTEPAD.EXE"},
      {"\"C:\\Program Files\\x.exe\" /q", "C:\\PROGRAM FILES\\X.EXE"},
      {"C:\\tools\\run.bat now", "C:\\TOOLS\\RUN.BAT NOW"},
      {"abc", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(PropertiesTarget(c.command, win, sys, exists), c.target) << c.command;
}

}  // namespace
}  // namespace qz::st::test
