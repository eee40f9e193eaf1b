// The DLL Cleaner's settings: drives, exception lists from the list files,
// the built-ins and the registry, the four options, and their round trip.
#include <gtest/gtest.h>

#include <algorithm>

#include "cleaning/dll/dll_settings.h"
#include "core/disk.h"
#include "core/globals.h"
#include "core/registry.h"
#include "core/strings.h"
#include "core/text.h"
#include "support/globals_guard.h"
#include "support/sandbox.h"

using namespace qz;
using namespace qz::dll;
using qz::test::MessageBoxRecorder;
using qz::test::ScratchDir;
using qz::test::ScratchKey;

namespace {

SettingsLocation Loc(const ScratchKey& k) { return {k.root(), k.key() + "\\DLL"}; }

std::string AppDirOf(const ScratchDir& d) { return ExcludeTrailingBackslash(d.path()); }

void WriteLists(const ScratchDir& dir, const std::string& folders, const std::string& files) {
  WriteFileBytes(DllFolderListPath(AppDirOf(dir)), folders);
  WriteFileBytes(DllFileListPath(AppDirOf(dir)), files);
}

bool Has(const StringList& l, const std::string& s) { return ContainsI(l, s); }

}  // namespace

// Fixed drives only (D: is a hard disk in the sandbox, E: a CD drive, F: a
// network drive), each checked unless its stored value says "0".
TEST(DllSettings, DrivesAndTheStoredChoice) {
  qz::test::GlobalsGuard globals;
  WinTempDir = "C:\\windows\\temp";
  UserTempDir = "C:\\users\\qz\\Temp";
  ScratchKey k("dll_drives");
  ScratchDir app("dll-drives");
  WriteLists(app, "", "");
  DllOptions o;
  LoadDllOptions(Loc(k), AppDirOf(app), o);
  auto find = [&](char l) {
    return std::find_if(o.Drives.begin(), o.Drives.end(), [&](const DriveRow& r) { return r.RootPath[0] == l; });
  };
  ASSERT_NE(find('C'), o.Drives.end());
  ASSERT_NE(find('D'), o.Drives.end());
  EXPECT_TRUE(find('D')->Checked);
  EXPECT_EQ(find('E'), o.Drives.end());
  EXPECT_EQ(find('F'), o.Drives.end());
  RegSetStringChecked(k.root(), Loc(k).key, "D", "0");
  LoadDllOptions(Loc(k), AppDirOf(app), o);
  EXPECT_FALSE(find('D')->Checked);
  EXPECT_TRUE(find('C')->Checked);
  // The built-in folders: both temporary folders and the recycle folders of each fixed drive.
  EXPECT_TRUE(Has(o.Folders, "C:\\windows\\temp"));
  EXPECT_TRUE(Has(o.Folders, "C:\\users\\qz\\Temp"));
  EXPECT_TRUE(Has(o.Folders, "D:\\RECYCLED"));
  EXPECT_TRUE(Has(o.Folders, "C:\\RECYCLER"));
  EXPECT_FALSE(Has(o.Folders, "E:\\RECYCLED"));
}

TEST(DllSettings, ListFilesBuiltInsAndRegistry) {
  ScratchKey k("dll_lists");
  ScratchDir app("dll-lists");
  SetEnvironmentVariableW(L"QZDLLVAR", L"C:\\Qz Var");
  WriteLists(app, "%TEMP%\\\r\n%QZDLLVAR%\\Shared\\\r\n\r\nC:\\Data\\\r\n", "mfc42.dll\r\n  \r\nC:\\App\\X.DLL\r\n");
  RegSetStringChecked(k.root(), Loc(k).key + "\\Folders", "C:\\USER\\FOLDER", "");
  RegSetStringChecked(k.root(), Loc(k).key + "\\Folders", "c:\\data\\", "");  // the same entry as the file's
  RegSetStringChecked(k.root(), Loc(k).key + "\\Files", "USER.DLL", "");
  const StringList builtIns = {"C:\\windows\\temp", "C:\\RECYCLED"};
  DllOptions o;
  MessageBoxRecorder boxes;
  LoadDllLists(Loc(k), AppDirOf(app), builtIns, o);
  SetEnvironmentVariableW(L"QZDLLVAR", nullptr);
  EXPECT_TRUE(boxes.boxes.empty());
  const StringList folders = {"C:\\Data\\", "C:\\Qz Var\\Shared\\", "C:\\RECYCLED", "C:\\USER\\FOLDER",
                              "C:\\windows\\temp", ExpandEnvVars("%TEMP%\\")};
  for (const std::string& f : folders) EXPECT_TRUE(Has(o.Folders, f)) << f;
  EXPECT_EQ(o.Folders.size(), folders.size());
  EXPECT_TRUE(std::is_sorted(o.Folders.begin(), o.Folders.end(), [](const std::string& a, const std::string& b) {
    return UpperLocale(a) < UpperLocale(b);
  }));
  EXPECT_EQ(o.Files, (StringList{"C:\\App\\X.DLL", "mfc42.dll", "USER.DLL"}));
  // None of the system stores the search never enters is a setting.
  for (const std::string& f : o.Folders) EXPECT_EQ(UpperLocale(f).find("WINSXS"), std::string::npos) << f;
}

TEST(DllSettings, MissingListFilesAreReportedAndTheRestLoads) {
  ScratchKey k("dll_missing");
  ScratchDir app("dll-missing");
  RegSetStringChecked(k.root(), Loc(k).key + "\\Files", "USER.DLL", "");
  DllOptions o;
  MessageBoxRecorder boxes;
  StringList missing;
  LoadDllLists(Loc(k), AppDirOf(app), {"C:\\RECYCLED"}, o, nullptr, &missing);
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[0].text,
            "Needed File\r" + DllFolderListPath(AppDirOf(app)) +
                "\ris missing! Please do NOT use this module! Reinstall the software!");
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Error);
  EXPECT_EQ(missing.size(), 2u);
  EXPECT_EQ(o.Folders, StringList{"C:\\RECYCLED"});
  EXPECT_EQ(o.Files, StringList{"USER.DLL"});
}

// Everything is written (options as DWORD, drives and list names as
// strings); a user's entries survive, a removed built-in comes back at the
// next load, and names no longer listed leave the registry.
TEST(DllSettings, SaveAndLoadRoundTrip) {
  ScratchKey k("dll_save");
  ScratchDir app("dll-save");
  WriteLists(app, "C:\\FromFile\\\r\n", "FILE.DLL\r\n");
  const SettingsLocation loc = Loc(k);
  const StringList builtIns = {"C:\\RECYCLED"};
  DllOptions o;
  o.Drives = {{"Local Disk (C:)", "C:\\", true}, {"D:\\", "D:\\", false}};
  LoadDllLists(loc, AppDirOf(app), builtIns, o);
  LoadDllChecks(loc, o);
  EXPECT_FALSE(o.SameSize);
  EXPECT_TRUE(o.SameVersion);
  EXPECT_TRUE(o.Both);
  EXPECT_FALSE(o.WriteProtected);
  o.SameSize = true;
  o.Both = false;
  ASSERT_TRUE(AddDllFolderException(o.Folders, "C:\\Mine"));
  ASSERT_EQ(AddDllFileException(o.Files, " mine.dll "), AddDllFile::Added);
  RemoveListEntries(o.Folders, {static_cast<size_t>(IndexOfI(o.Folders, "C:\\RECYCLED"))});
  RegSetStringChecked(loc.root, loc.key + "\\Files", "STALE.DLL", "");
  ASSERT_TRUE(SaveDllOptions(loc, o));

  EXPECT_EQ(RegGetValueType(loc.root, loc.key, "SameSize"), kRegInteger);
  EXPECT_EQ(RegGetValueType(loc.root, loc.key, "WriteProtected"), kRegInteger);
  EXPECT_EQ(RegGetValueType(loc.root, loc.key, "C"), kRegString);
  EXPECT_EQ(RegGetString(loc.root, loc.key, "C"), "1");
  EXPECT_EQ(RegGetString(loc.root, loc.key, "D"), "0");
  EXPECT_TRUE(RegHasValue(loc.root, loc.key + "\\Folders", "C:\\Mine"));
  EXPECT_TRUE(RegHasValue(loc.root, loc.key + "\\Folders", "C:\\FromFile\\"));
  EXPECT_FALSE(RegHasValue(loc.root, loc.key + "\\Folders", "C:\\RECYCLED"));
  EXPECT_EQ(RegGetValueType(loc.root, loc.key + "\\Files", "MINE.DLL"), kRegString);
  EXPECT_FALSE(RegHasValue(loc.root, loc.key + "\\Files", "STALE.DLL"));

  DllOptions back;
  LoadDllLists(loc, AppDirOf(app), builtIns, back);
  LoadDllChecks(loc, back);
  EXPECT_TRUE(back.SameSize);
  EXPECT_FALSE(back.Both);
  EXPECT_TRUE(Has(back.Folders, "C:\\Mine"));
  EXPECT_TRUE(Has(back.Folders, "C:\\RECYCLED"));  // built in: back again
  EXPECT_TRUE(Has(back.Files, "MINE.DLL"));
  EXPECT_FALSE(Has(back.Files, "STALE.DLL"));
}

TEST(DllSettings, AddingAndRemovingEntries) {
  StringList files;
  EXPECT_EQ(AddDllFileException(files, "mfc42.dll"), AddDllFile::Added);
  EXPECT_EQ(files, StringList{"MFC42.DLL"});
  EXPECT_EQ(AddDllFileException(files, "MFC42.dll"), AddDllFile::Present);
  EXPECT_EQ(AddDllFileException(files, "mfc42.dl"), AddDllFile::NotDll);
  EXPECT_EQ(AddDllFileException(files, "   "), AddDllFile::Empty);
  EXPECT_EQ(AddDllFileException(files, "c:\\app\\x.dll"), AddDllFile::Added);
  EXPECT_EQ(files.back(), "C:\\APP\\X.DLL");
  EXPECT_EQ(PleaseSelectDllMessage(), "Sie müssen eine DLL-Datei auswählen.");

  StringList folders;
  EXPECT_TRUE(AddDllFolderException(folders, "C:\\A"));
  EXPECT_FALSE(AddDllFolderException(folders, "c:\\a"));
  EXPECT_FALSE(AddDllFolderException(folders, "  "));
  EXPECT_TRUE(AddDllFolderException(folders, "C:\\B"));
  EXPECT_TRUE(AddDllFolderException(folders, "C:\\C"));
  RemoveListEntries(folders, {0, 2, 9});
  EXPECT_EQ(folders, StringList{"C:\\B"});
}
