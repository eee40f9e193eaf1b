// The reset of well-known types to the Windows defaults on a scratch classes
// location: which rows are written, the undo file it leaves, and that the
// registry editor's restore of that file gives back exactly the classes as
// they were.
#include <gtest/gtest.h>

#include "assoc_fixture.h"
#include "core/disk.h"
#include "core/globals.h"
#include "core/reg_backup.h"
#include "core/reg_undo_reader.h"
#include "core/strings.h"
#include "filetools/assoc/default_associations.h"
#include "support/globals_guard.h"

namespace qz::fa {
namespace {

using test::kCommandKey;
using test::kIconKey;
using test::ScratchClasses;

const std::string kNotepad = "%SystemRoot%\\System32\\NOTEPAD.EXE %1";
const std::string kShell32 = "%SystemRoot%\\system32\\shell32.dll";

size_t Occurrences(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class DefaultReset : public ::testing::Test {
 protected:
  void SetUp() override {
    EndRegistryBackup();
    WinTempDir = ExcludeTrailingBackslash(dir.path()) + "\\wintemp";
    CreateDirectoryW(Widen(WinTempDir).c_str(), nullptr);
    wchar_t cwd[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, cwd);
    savedCwd = cwd;
    // Relative programs are looked for in the current folder.
    SetCurrentDirectoryW(Widen(dir.MakeDir("cwd")).c_str());

    // Two extensions share a class that has a command and no icon.
    c.Extension(".TXT", "qztxt");
    c.Extension(".LOG", "qztxt");
    c.Class("qztxt", "QZ text", "C:\\qzold\\old.exe %1");
    c.Type(".INI", "qzini", "QZ settings", "C:\\qzold\\ini.exe %1");
    c.Type(".REG", "qzreg", "QZ registry", "C:\\qzold\\reg.exe %1", "C:\\qzold\\reg.ico");
    c.Type(".MP2V", "qzmp2v", "QZ video", "C:\\qzold\\video.exe %1");
    c.Type(".BAT", "qzbat", "QZ batch", "C:\\qzold\\bat.exe %1");
    c.Extension(".CPL", "qzcpl");
    c.Class("qzcpl", "QZ control panel", "");
    defaults.Location = c.Location();
  }
  void TearDown() override {
    EndRegistryBackup();
    SetCurrentDirectoryW(savedCwd.c_str());
  }

  std::string Base() const { return dir.path() + "Backups\\FA"; }
  std::string UndoFileText(const ResetOutcome& out) const { return qz::test::ReadFileText(out.UndoFile); }

  qz::test::GlobalsGuard guard;
  qz::test::ScratchDir dir{"fa_reset"};
  ScratchClasses c{"fa_reset"};
  DefaultAssociations defaults;
  std::wstring savedCwd;
};

TEST(DefaultTable, RowsAsWindowsHasThem) {
  const auto& t = DefaultAssociationTable();
  ASSERT_EQ(t.size(), 59u);
  EXPECT_EQ(t[0].Extension, ".WMD");
  EXPECT_EQ(t[0].Command, "\"%PROGRAMS%\\Windows Media Player\\wmplayer.exe\" /WMPackage:\"%L\"");
  EXPECT_EQ(t[0].IconIndex, -120);
  EXPECT_EQ(t[6].Extension, ".MP2V");
  EXPECT_EQ(t[9].Extension, ".MP2V");
  EXPECT_EQ(t[9].Command, t[6].Command);
  EXPECT_EQ(t[12].Extension, ".AIF");
  EXPECT_EQ(t[27].Extension, ".WVX");
  EXPECT_EQ(t[33].Extension, ".AudioCD");
  EXPECT_EQ(t[33].Command, "");
  EXPECT_EQ(t[34].Command, "\"%1\" %*");
  EXPECT_EQ(t[51].Command, "regedit.exe \"%1\"");
  EXPECT_EQ(t[51].IconFile, "%SystemRoot%\\regedit.exe");
  EXPECT_EQ(t[53].Command, "\"%SystemRoot%\\System32\\msiexec.exe\" /i \"%1\" %*");
  EXPECT_EQ(t[58].Extension, ".TXT");
  EXPECT_EQ(t[58].Command, kNotepad);
  EXPECT_EQ(t[58].IconFile, kShell32);
  EXPECT_EQ(t[58].IconIndex, -152);
}

TEST_F(DefaultReset, WritesWhatExistsRecordsEachClassOnceAndRestoresExactly) {
  const test::Snapshot before = c.Take();
  const ResetOutcome out = defaults.Run(Base());
  ASSERT_TRUE(out.BackupStarted);
  EXPECT_TRUE(out.BackupClosed);
  EXPECT_EQ(out.Count, 3);  // .INI, .LOG, .TXT
  EXPECT_TRUE(StartsWith(out.UndoFile, Base() + "\\" + GetBackupUserFolder() + "\\")) << out.UndoFile;

  EXPECT_EQ(c.Text("qztxt" + std::string(kCommandKey)), kNotepad);
  EXPECT_EQ(c.TypeOf("qztxt" + std::string(kCommandKey)), static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(c.Text("qztxt" + std::string(kIconKey)), kShell32 + ",-152");
  EXPECT_EQ(c.TypeOf("qztxt" + std::string(kIconKey)), static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(c.Text("qzini" + std::string(kIconKey)), kShell32 + ",-151");
  // No program in the current folder, no icon -120 in the player, no open
  // command: untouched.
  test::Snapshot after = c.Take();
  for (const char* id : {"qzreg", "qzbat", "qzmp2v", "qzcpl"}) {
    const std::string prefix = UpperAscii(c.Key(id));
    for (const auto& [key, values] : before)
      if (StartsWith(key, prefix)) {
        EXPECT_EQ(after[key], values) << key;
      }
  }

  const std::string text = UndoFileText(out);
  const std::string root = "HKEY_CURRENT_USER\\" + c.Key("");
  const std::string classLine = "[" + root + "qztxt]";
  EXPECT_EQ(Occurrences(text, classLine), 1u) << text;
  const size_t deleted = text.find("[-" + root + "qztxt\\DefaultIcon]");
  ASSERT_NE(deleted, std::string::npos) << text;
  EXPECT_GT(deleted, text.find(classLine));
  EXPECT_EQ(Occurrences(text, "[" + root + "qzreg]"), 0u);

  // The registry editor's import of the undo file: every value and type as
  // before, the DefaultIcon key gone again, and the check says so.
  EXPECT_TRUE(RestoreRegistryBackup(out.UndoFile));
  EXPECT_FALSE(VerifyRegistryBackup(out.UndoFile));
  EXPECT_EQ(c.Take(), before);
  EXPECT_FALSE(RegHasKey(c.Root(), c.Key("qztxt\\DefaultIcon")));
}

TEST_F(DefaultReset, ARelativeProgramCountsInTheCurrentFolder) {
  SetCurrentDirectoryW(Widen(ExpandEnvVars("%SystemRoot%")).c_str());
  const ResetOutcome out = defaults.Run(Base());
  EXPECT_EQ(out.Count, 4);  // .REG too: regedit.exe lies in the Windows folder
  EXPECT_EQ(c.Text("qzreg" + std::string(kCommandKey)), "regedit.exe \"%1\"");
  EXPECT_EQ(c.TypeOf("qzreg" + std::string(kCommandKey)), static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(c.Text("qzreg" + std::string(kIconKey)), "%SystemRoot%\\regedit.exe,1");
}

TEST_F(DefaultReset, ARowListedTwiceCountsOnceAndExportsItsClassOnce) {
  const DefaultAssociation txt = DefaultAssociationTable().back();
  defaults.Table = {txt, txt};
  const ResetOutcome out = defaults.Run(Base());
  EXPECT_EQ(out.Count, 1);
  const std::string text = UndoFileText(out);
  EXPECT_EQ(Occurrences(text, "[HKEY_CURRENT_USER\\" + c.Key("qztxt") + "]"), 1u) << text;
}

TEST_F(DefaultReset, NoUndoFileNoChange) {
  dir.Write("Backups", "a file where the folder should be");
  const test::Snapshot before = c.Take();
  const ResetOutcome out = defaults.Run(Base());
  EXPECT_FALSE(out.BackupStarted);
  EXPECT_EQ(out.Count, 0);
  EXPECT_EQ(c.Take(), before);
}

// A class with an open command but no program or icon in its row gets an
// empty command and an empty icon value.
TEST_F(DefaultReset, RowsWithoutProgramOrIconEmptyBoth) {
  c.Class("qzcpl", "QZ control panel", "C:\\qzold\\cpl.exe %1", "C:\\qzold\\cpl.ico");
  defaults.Table = {{".CPL", "", "", 0}};
  EXPECT_EQ(defaults.Run(Base()).Count, 1);
  EXPECT_TRUE(c.Has("qzcpl" + std::string(kCommandKey), ""));
  EXPECT_EQ(c.Text("qzcpl" + std::string(kCommandKey)), "");
  EXPECT_EQ(c.Text("qzcpl" + std::string(kIconKey)), "");
}

}  // namespace
}  // namespace qz::fa
