// Drive Cleaner settings: defaults, registry round trip, the check-box and
// drive-letter rules, file-type groups and exception lists.
#include <gtest/gtest.h>

#include <algorithm>

#include "cleaning/drive/dc_settings.h"
#include "cleaning/frame/list_download.h"
#include "core/disk.h"
#include "core/globals.h"
#include "core/registry.h"
#include "core/text.h"
#include "support/sandbox.h"

using namespace qz;
using namespace qz::dc;
using qz::test::MessageBoxRecorder;
using qz::test::ScratchDir;
using qz::test::ScratchKey;

namespace {

SettingsLocation Loc(const ScratchKey& k) { return {k.root(), k.key() + "\\DC"}; }

void WriteLists(const ScratchDir& dir, const std::string& folders, const std::string& files) {
  WriteFileBytes(FolderListPath(ExcludeTrailingBackslash(dir.path())), folders);
  WriteFileBytes(FileListPath(ExcludeTrailingBackslash(dir.path())), files);
}

}  // namespace

TEST(DcSettings, DefaultLocationIsTheModuleKey) {
  EXPECT_EQ(SettingsLocation::Default().root, HKEY_LOCAL_MACHINE);
  EXPECT_EQ(SettingsLocation::Default().key,
            "Software\\Brinvale\\Brinvale Sysvantor Quenzal Suite 2\\Options\\DC");
}

TEST(DcSettings, CheckValuesOnlyZeroAndOneChangeTheDefault) {
  ScratchKey k("dc_checks");
  const std::string key = k.key();
  RegSetIntegerChecked(k.root(), key, "Zero", 0);
  RegSetIntegerChecked(k.root(), key, "One", 1);
  RegSetIntegerChecked(k.root(), key, "Two", 2);
  RegSetStringChecked(k.root(), key, "StrOne", "1");
  RegSetStringChecked(k.root(), key, "Junk", "abc");
  RegSetIntegerChecked(k.root(), key, "PrefixLonger", 0);
  struct Case {
    const char* name;
    bool start;
    bool expect;
  } cases[] = {
      {"Zero", true, false},  {"One", false, true},   {"Two", true, true},     {"Two", false, false},
      {"StrOne", false, true}, {"Junk", true, true},  {"Junk", false, false},  {"Missing", true, true},
      {"Prefix", true, true},  // only a longer name exists: the value is missing
  };
  for (const Case& c : cases) {
    bool v = c.start;
    LoadCheckValue(k.root(), key, c.name, v);
    EXPECT_EQ(v, c.expect) << c.name << " from " << c.start;
  }
}

TEST(DcSettings, MaskTextSplitsUpperCasedAndTrimmed) {
  EXPECT_EQ(SplitMasks("*.tmp ; *.bak"), (StringList{"*.TMP", "*.BAK"}));
  EXPECT_EQ(SplitMasks("*.TMP;*._MP;*.~MP;"), (StringList{"*.TMP", "*._MP", "*.~MP"}));
  EXPECT_EQ(JoinMasks({"*.ABC", "*.DEF"}), "*.ABC;*.DEF;");
}

TEST(DcSettings, DefaultGroupsAndTranslatedCaptions) {
  std::vector<MaskGroup> g = DefaultMaskGroups();
  ASSERT_EQ(g.size(), 7u);
  EXPECT_EQ(g[0].Name, "Temporäre Dateien");
  EXPECT_EQ(g[0].Masks, (StringList{"*.TMP", "*._MP", "*.~MP"}));
  EXPECT_EQ(g[3].Masks, (StringList{"*.$$$", "*.---", "MSCREATE.DIR"}));
  EXPECT_TRUE(g[4].Checked);
  EXPECT_FALSE(g[5].Checked);
  EXPECT_FALSE(g[6].Checked);
  EXPECT_EQ(g[6].ImageIndex, 5);
  EXPECT_EQ(g[1].ImageIndex, 11);
  std::vector<MaskGroup> en = DefaultMaskGroups([](const std::string& key, const std::string&) {
    return "EN:" + key;
  });
  EXPECT_EQ(en[2].Name, "EN:MESSAGE_FileTyp_2");
}

TEST(DcSettings, GroupsLoadUpToTheFirstGap) {
  ScratchKey k("dc_groups");
  SettingsLocation l = Loc(k);
  EXPECT_EQ(LoadMaskGroups(l).size(), 7u);  // no Mask key: the defaults
  const std::string m = l.Sub("Mask");
  RegSetIntegerChecked(l.root, m + "\\FileTyp0", "Checked", 1);
  RegSetStringChecked(l.root, m + "\\FileTyp0", "Name", "Mine");
  RegSetIntegerChecked(l.root, m + "\\FileTyp0", "ImageIndex", 3);
  RegSetStringChecked(l.root, m + "\\FileTyp0", "Wildcards", "*.tmp ; *.bak");
  RegSetIntegerChecked(l.root, m + "\\FileTyp2", "Checked", 1);
  std::vector<MaskGroup> g = LoadMaskGroups(l);
  ASSERT_EQ(g.size(), 1u);
  EXPECT_EQ(g[0].Name, "Mine");
  EXPECT_TRUE(g[0].Checked);
  EXPECT_EQ(g[0].ImageIndex, 3);
  EXPECT_EQ(g[0].Masks, (StringList{"*.TMP", "*.BAK"}));
}

TEST(DcSettings, NewGroupsAreCheckedAndTooBroadMasksRefused) {
  MaskGroup g;
  EXPECT_EQ(CheckNewMaskGroup("Mine", "*.abc;*.def", g), NewGroupCheck::Ok);
  EXPECT_EQ(g.Masks, (StringList{"*.ABC", "*.DEF"}));
  EXPECT_TRUE(g.Checked);
  EXPECT_EQ(CheckNewMaskGroup("", "*.abc", g), NewGroupCheck::Empty);
  EXPECT_EQ(CheckNewMaskGroup("Name", "  ", g), NewGroupCheck::Empty);
  for (const char* broad : {"*.*", "*", "?*", "*.abc;*.?", "..", "*?.*"})
    EXPECT_EQ(CheckNewMaskGroup("All", broad, g), NewGroupCheck::TooBroad) << broad;
  EXPECT_EQ(CheckNewMaskGroup("x", "*.?x", g), NewGroupCheck::Ok);
  EXPECT_FALSE(TooBroadMaskMessage().empty());
}

TEST(DcSettings, ListLinesAreCleanedAndExpanded) {
  SetEnvironmentVariableW(L"QZDC_VAR", L"C:\\Expanded");
  StringList f = ParseExceptionLines("C:\\A\r\n\r\n   \r\n%QZDC_VAR%\\Sub  \rC:\\B\\\nC:\\C\t \r\n", true);
  EXPECT_EQ(f, (StringList{"C:\\A\\", "C:\\Expanded\\Sub\\", "C:\\B\\", "C:\\C\\"}));
  StringList n = ParseExceptionLines("keep.tmp  \r\n.EXE\r\n\r\n", false);
  EXPECT_EQ(n, (StringList{"keep.tmp", ".EXE"}));
}

TEST(DcSettings, ExceptionsMergeListAndRegistrySortedOnce) {
  ScratchKey k("dc_exc");
  SettingsLocation l = Loc(k);
  ScratchDir dir("dc_exc");
  const std::string app = ExcludeTrailingBackslash(dir.path());
  WriteLists(dir, "D:\\zeta\r\nD:\\Alpha\\\r\nd:\\alpha\\\r\n", "b.tmp\r\n");
  RegSetStringChecked(l.root, l.Sub("Folders"), "D:\\ALPHA\\", "");
  RegSetStringChecked(l.root, l.Sub("Folders"), "D:\\Mid", "");
  RegSetStringChecked(l.root, l.Sub("Files"), "a.tmp", "");
  std::vector<ExceptionEntry> e;
  ASSERT_EQ(LoadDriveExceptions(l, app, e), ExceptionLoad::Ok);
  ASSERT_EQ(e.size(), 6u + 3u + 2u);
  for (int i = 0; i < 6; ++i) EXPECT_TRUE(e[i].IsBuiltIn);
  EXPECT_EQ(e[0].Path, "Recycle Bin");
  EXPECT_EQ(e[5].Path, "History.IE5");
  EXPECT_TRUE(IEquals(e[6].Path, "D:\\Alpha\\"));
  EXPECT_EQ(e[7].Path, "D:\\Mid\\");
  EXPECT_EQ(e[8].Path, "D:\\zeta\\");
  EXPECT_EQ(e[8].IsFolder, 1);
  EXPECT_EQ(e[8].ImageIndex, 1);
  EXPECT_EQ(e[9].Path, "a.tmp");
  EXPECT_EQ(e[10].Path, "b.tmp");
  EXPECT_EQ(e[10].IsFolder, 0);
  EXPECT_EQ(e[10].ImageIndex, 0);
}

TEST(DcSettings, MissingListFileShowsTheFatalBoxAndReportsIt) {
  ScratchKey k("dc_missing");
  ScratchDir dir("dc_missing");
  const std::string app = ExcludeTrailingBackslash(dir.path());
  WriteFileBytes(FolderListPath(app), "C:\\X\\\r\n");  // the file list is missing
  MessageBoxRecorder rec;
  std::vector<ExceptionEntry> e;
  std::string missing;
  EXPECT_EQ(LoadDriveExceptions(Loc(k), app, e, nullptr, &missing), ExceptionLoad::MissingListFile);
  EXPECT_EQ(missing, FileListPath(app));
  ASSERT_EQ(rec.boxes.size(), 1u);
  EXPECT_EQ(rec.boxes[0].kind, MsgKind::Error);
  EXPECT_EQ(rec.boxes[0].text, "Needed File\r" + FileListPath(app) +
                                   "\ris missing! Please do NOT use this module! Reinstall the software!");
  EXPECT_TRUE(rec.boxes[0].caption.empty() || rec.boxes[0].caption == ProductTitle);  // the application title
}

TEST(DcSettings, UserExceptionsAddAndBuiltInsStay) {
  std::vector<ExceptionEntry> e = BuiltInExceptions();
  EXPECT_TRUE(AddUserException(e, "C:\\Data", true));
  EXPECT_EQ(e.back().Path, "C:\\Data\\");
  EXPECT_FALSE(AddUserException(e, "c:\\data\\", true));  // already there
  EXPECT_TRUE(AddUserException(e, "keep.tmp", false));
  EXPECT_FALSE(AddUserException(e, "  ", false));
  ASSERT_EQ(e.size(), 8u);
  // A multi-select holding "Recycle Bin" and a user entry removes only the latter.
  EXPECT_EQ(RemoveExceptions(e, {0, 6}), 1);
  ASSERT_EQ(e.size(), 7u);
  EXPECT_EQ(e[0].Path, "Recycle Bin");
  EXPECT_EQ(e[6].Path, "keep.tmp");
}

TEST(DcSettings, SaveAndLoadRoundTrip) {
  ScratchKey k("dc_roundtrip");
  SettingsLocation l = Loc(k);
  ScratchDir dir("dc_roundtrip");
  const std::string app = ExcludeTrailingBackslash(dir.path());
  WriteLists(dir, "C:\\FromList\\\r\n", "list.tmp\r\n");

  DriveCleanerSettings s;
  ASSERT_EQ(LoadDriveCleanerSettings(l, app, s), ExceptionLoad::Ok);
  EXPECT_EQ(s.Groups.size(), 7u);
  EXPECT_TRUE(s.Options.TMPDir_ALL);
  EXPECT_FALSE(s.Options.LNK);
  EXPECT_TRUE(s.Options.WriteProtected);
  ASSERT_EQ(s.Exceptions.size(), 8u);

  s.Options.LNK = true;
  s.Options.Minidump = false;
  s.Drives = {{"C", "C:\\", true}, {"D", "D:\\", false}};
  s.Groups.resize(2);
  s.Groups[1].Checked = false;
  AddUserException(s.Exceptions, "D:\\Mine", true);
  AddUserException(s.Exceptions, "mine.bak", false);
  ASSERT_TRUE(SaveDriveCleanerOptions(l, s));

  // Built-in entries never reach the registry; list entries become user ones.
  StringList folders = RegListValueNames(l.root, l.Sub("Folders"));
  EXPECT_EQ(folders.size(), 2u);
  EXPECT_TRUE(ContainsI(folders, "C:\\FromList\\"));
  EXPECT_TRUE(ContainsI(folders, "D:\\Mine\\"));
  EXPECT_FALSE(ContainsI(folders, "Recycle Bin"));
  EXPECT_EQ(RegGetString(l.root, l.Sub("Mask\\FileTyp0"), "Wildcards"), "*.TMP;*._MP;*.~MP;");
  EXPECT_FALSE(RegHasKey(l.root, l.Sub("Mask\\FileTyp2")));
  EXPECT_EQ(RegGetString(l.root, l.key, "D"), "0");

  DriveCleanerSettings r;
  ASSERT_EQ(LoadDriveCleanerSettings(l, app, r), ExceptionLoad::Ok);
  EXPECT_TRUE(r.Options.LNK);
  EXPECT_FALSE(r.Options.Minidump);
  ASSERT_EQ(r.Groups.size(), 2u);
  EXPECT_EQ(r.Groups[0].Name, s.Groups[0].Name);
  EXPECT_FALSE(r.Groups[1].Checked);
  EXPECT_EQ(r.Exceptions.size(), 6u + 2u + 2u);
  for (const DriveRow& d : r.Drives) {
    if (d.RootPath == "D:\\") {
      EXPECT_FALSE(d.Checked);
    }
  }
}

// Every value the Drive Cleaner stores keeps its type: the readers accept
// either type, so only a read by type sees a swapped one.
TEST(DcSettings, StoredValuesKeepTheirTypes) {
  ScratchKey k("dc_types");
  SettingsLocation l = Loc(k);
  DriveCleanerSettings s;
  s.Groups = DefaultMaskGroups();
  s.Drives = {{"C", "C:\\", true}, {"D", "D:\\", false}};
  s.Exceptions = BuiltInExceptions();
  AddUserException(s.Exceptions, "D:\\Mine", true);
  AddUserException(s.Exceptions, "mine.bak", false);
  ASSERT_TRUE(SaveDriveCleanerOptions(l, s));

  auto expectTypes = [&](const std::string& key, const StringList& dwords, const StringList& strings) {
    SCOPED_TRACE(key);
    const StringList names = RegListValueNames(l.root, key);
    EXPECT_EQ(names.size(), dwords.size() + strings.size());
    for (const std::string& n : dwords) EXPECT_EQ(RegGetValueType(l.root, key, n), kRegInteger) << n;
    for (const std::string& n : strings) EXPECT_EQ(RegGetValueType(l.root, key, n), kRegString) << n;
  };
  expectTypes(l.key, {kOptTmpAll, kOptTmpUser, kOptMinidump, kOptLnk, kOptPif, kOptWriteProtected}, {"C", "D"});
  for (size_t i = 0; i < s.Groups.size(); ++i)
    expectTypes(l.Sub("Mask\\FileTyp") + std::to_string(i), {"Checked", "ImageIndex"}, {"Name", "Wildcards"});
  EXPECT_FALSE(RegHasKey(l.root, l.Sub("Mask\\FileTyp") + std::to_string(s.Groups.size())));
  expectTypes(l.Sub("Folders"), {}, {"D:\\Mine\\"});
  expectTypes(l.Sub("Files"), {}, {"mine.bak"});
  EXPECT_EQ(RegGetString(l.root, l.Sub("Files"), "mine.bak"), "");
}

TEST(DcSettings, SaveRemovesStaleEntriesAfterWriting) {
  ScratchKey k("dc_stale");
  SettingsLocation l = Loc(k);
  DriveCleanerSettings s;
  s.Groups = DefaultMaskGroups();
  s.Exceptions = BuiltInExceptions();
  AddUserException(s.Exceptions, "D:\\Old", true);
  AddUserException(s.Exceptions, "old.tmp", false);
  ASSERT_TRUE(SaveDriveCleanerOptions(l, s));
  RegSetStringChecked(l.root, l.Sub("Mask\\FileTyp9"), "Name", "stray");

  s.Exceptions = BuiltInExceptions();
  AddUserException(s.Exceptions, "D:\\New", true);
  s.Groups.resize(1);
  ASSERT_TRUE(SaveDriveCleanerOptions(l, s));
  EXPECT_EQ(RegListValueNames(l.root, l.Sub("Folders")), (StringList{"D:\\New\\"}));
  EXPECT_TRUE(RegListValueNames(l.root, l.Sub("Files")).empty());
  EXPECT_EQ(RegListSubKeys(l.root, l.Sub("Mask")), (StringList{"FileTyp0"}));

  // Removing every group sticks: the defaults do not come back.
  s.Groups.clear();
  ASSERT_TRUE(SaveDriveCleanerOptions(l, s));
  EXPECT_TRUE(LoadMaskGroups(l).empty());
}

// Lists as long as a download brings: every name stored once (no regard to
// case), a name already stored kept as it is, stale ones removed; the same
// on a second save.
TEST(DcSettings, LongListsSaveEachNameOnce) {
  ScratchKey k("dc_longlist");
  SettingsLocation l = Loc(k);
  ASSERT_TRUE(RegSetStringChecked(l.root, l.Sub("Folders"), "D:\\KEPT\\", ""));
  ASSERT_TRUE(RegSetStringChecked(l.root, l.Sub("Folders"), "D:\\Stale\\", ""));
  DriveCleanerSettings s;
  s.Exceptions = BuiltInExceptions();
  for (int i = 0; i < 5000; ++i) {
    const std::string p = "D:\\Folder" + std::to_string(i) + "\\";
    s.Exceptions.push_back(MakeException(p, true));
    if (i % 10 == 0) s.Exceptions.push_back(MakeException("d:\\folder" + std::to_string(i) + "\\", true));  // a case twin
  }
  s.Exceptions.push_back(MakeException("d:\\kept\\", true));
  s.Exceptions.push_back(MakeException("D:\\Folder7\\", false));  // a file entry of the same text
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass);
    ASSERT_TRUE(SaveDriveCleanerOptions(l, s));
    StringList folders = RegListValueNames(l.root, l.Sub("Folders"));
    EXPECT_EQ(folders.size(), 5001u);
    EXPECT_TRUE(ContainsI(folders, "D:\\Folder4999\\"));
    EXPECT_FALSE(ContainsI(folders, "D:\\Stale\\"));
    EXPECT_EQ(std::count(folders.begin(), folders.end(), "D:\\KEPT\\"), 1);
    EXPECT_EQ(RegListValueNames(l.root, l.Sub("Files")), (StringList{"D:\\Folder7\\"}));
  }
}

TEST(DcSettings, ShippedDataHoldsTheListsAndAddresses) {
  // The installed program folder of the sandbox.
  const std::string app = "C:\\Program Files\\Brinvale\\Brinvale Sysvantor Quenzal Suite 2";
  ASSERT_NE(GetFileAttributesW(Widen(app).c_str()), INVALID_FILE_ATTRIBUTES) << "not installed: " << app;
  std::string folders, files;
  ASSERT_TRUE(LoadTextFile(FolderListPath(app), folders));
  ASSERT_TRUE(LoadTextFile(FileListPath(app), files));
  EXPECT_FALSE(ParseExceptionLines(folders, true).empty());
  EXPECT_FALSE(ParseExceptionLines(files, false).empty());
  for (const char* key : {"DC_Folders", "DC_Files", "DLL_Folders", "DLL_Files"})
    EXPECT_TRUE(IStartsWith(cleaning::ListDownloadUrl(app + "\\project.ini", key), "http://")) << key;
}
