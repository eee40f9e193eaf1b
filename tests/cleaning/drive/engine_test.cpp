// The scan engine over crafted folder trees on the fixture drive D:.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <map>

#include "cleaning/drive/scan_engine.h"
#include "core/globals.h"
#include "core/pump.h"
#include "core/shortcut.h"
#include "support/pump_clock.h"
#include "dc_fixture.h"

using namespace qz;
using namespace qz::dc;
using namespace qz::dc::test;
using ui::CheckState;
using ui::VNode;

namespace {

bool Has(const std::vector<std::string>& v, const std::string& s) {
  return std::any_of(v.begin(), v.end(), [&](const std::string& x) { return IEquals(x, s); });
}

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AbortFlag = 0;
    e.ScanTree = &tree;
    e.PrepareDriveScan(TestEnvironment(base.path()));
    e.ScannedDrives = "D";
    tmpCat = AddCat("tmp");
    bakCat = AddCat("bak");
    aCat = AddCat("a");
  }
  void TearDown() override {
    AbortFlag = 0;
    SetMessagePump(nullptr);
  }
  VNode* AddCat(const std::string& caption) {
    DriveScanNode r;
    r.FileName = caption;
    r.IsCategory = 1;
    return tree.AddChild(nullptr, std::move(r));
  }
  std::vector<std::string> Children(VNode* cat) {
    std::vector<std::string> out;
    for (VNode* n = tree.GetFirstChild(cat); n; n = tree.GetNextSibling(n)) {
      const DriveScanNode& d = tree.Data<DriveScanNode>(n);
      out.push_back(d.Folder + "\\" + d.FileName);
    }
    return out;
  }
  void UseMasks(std::initializer_list<std::pair<const char*, VNode*>> masks) {
    e.MaskList.clear();
    for (auto& m : masks) e.MaskList.push_back({m.first, m.second});
  }

  DriveDir base{"qzdc"};
  ui::VTreeModel tree;
  DriveScanEngine e;
  VNode* tmpCat = nullptr;
  VNode* bakCat = nullptr;
  VNode* aCat = nullptr;
};

}  // namespace

// Files of the drive root and of top-level folders with one- or two-character
// names are never examined; their sub-folders are, and so are folders with
// three characters.
TEST_F(EngineTest, RootAndShortTopLevelFolders) {
  DriveDir two("QD"), three("QDZ");
  std::string rootFile = DriveDir::WriteFileAt("D:\\qzdc-root.tmp");
  two.Write("a.tmp");
  two.Write("sub\\b.tmp");
  three.Write("c.tmp");
  base.Write("data\\d.tmp");
  UseMasks({{"*.TMP", tmpCat}});
  e.ScanDrive("D:\\", "");
  DeleteFileW(Widen(rootFile).c_str());
  std::vector<std::string> found = Children(tmpCat);
  EXPECT_FALSE(Has(found, rootFile));
  EXPECT_FALSE(Has(found, "D:\\QD\\a.tmp"));
  EXPECT_TRUE(Has(found, "D:\\QD\\sub\\b.tmp"));
  EXPECT_TRUE(Has(found, "D:\\QDZ\\c.tmp"));
  EXPECT_TRUE(Has(found, base / "data\\d.tmp"));
  EXPECT_GT(e.FoldersScanned, 4);
  EXPECT_GT(e.FilesExamined, 2);
  EXPECT_EQ(e.Totals.Found, static_cast<int64_t>(found.size()));
}

// Names with ".EXE." or without a dot are left out; the first mask in list
// order decides the category.
TEST_F(EngineTest, NamesAndFirstMatchingMaskWins) {
  for (const char* f : {"SETUP.EXE.TMP", "README", "x.tmp", "a1.bak", "a2.tmp", "plain.txt"})
    base.Write(std::string("names\\") + f);
  UseMasks({{"*.BAK", bakCat}, {"A*.*", aCat}, {"*.TMP", tmpCat}, {"README", aCat}});
  e.ScanDrive("D:\\", "qzdc\\");
  EXPECT_EQ(Children(tmpCat), (std::vector<std::string>{base / "names\\x.tmp"}));
  EXPECT_EQ(Children(bakCat), (std::vector<std::string>{base / "names\\a1.bak"}));
  EXPECT_EQ(Children(aCat), (std::vector<std::string>{base / "names\\a2.tmp"}));
  VNode* n = tree.GetFirstChild(tmpCat);
  EXPECT_EQ(tree.GetCheckType(n), ui::CheckType::TriState);
  EXPECT_EQ(tree.GetCheckState(n), CheckState::Checked);
  EXPECT_EQ(tree.NodeHeight(n), kEntryHeight);
  EXPECT_EQ(tree.Data<DriveScanNode>(n).Folder, base / "names");
  EXPECT_EQ(tree.Data<DriveScanNode>(n).Size, 1);
}

// Fixed exclusions, Temporary Internet Files, and the user's exceptions:
// folders with everything below them, bare folder names, file names and paths.
TEST_F(EngineTest, ExclusionsAndUserExceptions) {
  DriveDir recycler("RECYCLER");
  recycler.Write("S-1\\y.tmp");
  base.Write("ti\\Temporary Internet Files\\c.tmp");
  base.Write("ti\\ok.tmp");
  base.Write("ex\\a.tmp");
  base.Write("ex\\deep\\b.tmp");
  base.Write("p\\cache\\c.tmp");
  base.Write("p\\keep.tmp");
  base.Write("p\\full.tmp");
  base.Write("p\\other.tmp");
  base.Write("win\\REPAIR\\r.tmp");
  base.Write("win\\temp\\t.tmp");  // the drive pass leaves the temporary folder alone
  e.AddUserFolderException(base / "ex");
  e.AddUserFolderException("CACHE\\");
  e.AddFileException("KEEP.TMP");
  e.AddFileException(base / "p\\full.tmp");
  UseMasks({{"*.TMP", tmpCat}});
  e.ScanDrive("D:\\", "");
  std::vector<std::string> found = Children(tmpCat);
  EXPECT_FALSE(Has(found, "D:\\RECYCLER\\S-1\\y.tmp"));
  EXPECT_FALSE(Has(found, base / "ti\\Temporary Internet Files\\c.tmp"));
  EXPECT_TRUE(Has(found, base / "ti\\ok.tmp"));
  EXPECT_FALSE(Has(found, base / "ex\\a.tmp"));
  EXPECT_FALSE(Has(found, base / "ex\\deep\\b.tmp"));
  EXPECT_FALSE(Has(found, base / "p\\cache\\c.tmp"));
  EXPECT_FALSE(Has(found, base / "p\\keep.tmp"));
  EXPECT_FALSE(Has(found, base / "p\\full.tmp"));
  EXPECT_TRUE(Has(found, base / "p\\other.tmp"));
  EXPECT_FALSE(Has(found, base / "win\\REPAIR\\r.tmp"));
  EXPECT_FALSE(Has(found, base / "win\\temp\\t.tmp"));
}

TEST_F(EngineTest, ExceptionOnDriveRootOrShortTopLevelFolder) {
  DriveDir two("QE");
  two.Write("sub\\b.tmp");
  base.Write("data\\d.tmp");
  UseMasks({{"*.TMP", tmpCat}});
  e.AddUserFolderException("D:\\QE");
  e.ScanDrive("D:\\", "");
  std::vector<std::string> found = Children(tmpCat);
  EXPECT_FALSE(Has(found, "D:\\QE\\sub\\b.tmp"));
  EXPECT_TRUE(Has(found, base / "data\\d.tmp"));

  tree.DeleteChildren(tmpCat);
  e.FoundFiles.Clear();
  e.AddUserFolderException("d:\\");
  e.ScanDrive("D:\\", "");
  EXPECT_EQ(tree.ChildCount(tmpCat), 0u);
}

// The temporary-folder pass lists everything but what the user excepted (a
// folder exception protects its whole sub-tree) and the browser folders.
TEST_F(EngineTest, TemporaryFolderPassAndItsExceptions) {
  base.Write("win\\temp\\a.tmp");
  base.Write("win\\temp\\b.dat");
  base.Write("win\\temp\\keep\\k.tmp");
  base.Write("win\\temp\\keep\\deeper\\kk.tmp");
  base.Write("win\\temp\\Cookies\\c.txt");
  base.Write("win\\temp\\other\\o.dat");
  base.Write("win\\temp\\other\\same.tmp");
  e.AddUserFolderException(base / "win\\temp\\keep\\");
  e.AddFileException("SAME.TMP");
  e.CurrentCategoryNode = tmpCat;
  ASSERT_TRUE(e.SystemTempSafe);
  e.ScanFolderWithMask(e.SystemTempFolder, "*.*");
  std::vector<std::string> found = Children(tmpCat);
  std::sort(found.begin(), found.end());
  const std::string t = UpperLocale(base / "win\\temp\\");
  EXPECT_EQ(found, (std::vector<std::string>{t + "a.tmp", t + "b.dat", t + "other\\o.dat"}));
  EXPECT_EQ(e.FilesExamined, 0);  // this pass does not count as examined files

  // A user exception equal to the temporary folder itself is honoured.
  tree.DeleteChildren(tmpCat);
  e.FoundFiles.Clear();
  e.AddUserFolderException(base / "WIN\\TEMP");
  e.ScanFolderWithMask(e.SystemTempFolder, "*.*");
  EXPECT_EQ(tree.ChildCount(tmpCat), 0u);
}

TEST(EngineTempSafety, TemporaryFoldersThatMustNotBeEmptied) {
  const StringList prot = {"C:\\windows", "C:\\windows\\system32", "C:\\users\\u", "C:\\Program Files"};
  struct Row {
    const char* folder;
    bool safe;
  } rows[] = {
      {"C:\\windows\\temp", true},   {"C:\\users\\u\\Temp\\", true}, {"C:\\", false},
      {"C:\\TEMP", false},           {"C:\\users", false},          {"C:\\users\\u", false},
      {"C:\\Windows\\", false},      {"\\\\server\\share\\temp\\x\\", false},
      {"D:\\a\\b", true},
  };
  for (const Row& r : rows) EXPECT_EQ(IsSafeTempFolder(r.folder, prot), r.safe) << r.folder;

  DriveDir base("qzdc");
  base.Write("users\\u\\Documents\\doc.tmp");
  ui::VTreeModel tree;
  DriveScanEngine e;
  e.ScanTree = &tree;
  ScanEnvironment env = TestEnvironment(base.path());
  env.UserTempDir = base / "users\\u";  // the profile itself
  e.PrepareDriveScan(env);
  EXPECT_FALSE(e.UserTempSafe);
  DriveScanNode cat;
  cat.IsCategory = 1;
  e.CurrentCategoryNode = tree.AddChild(nullptr, std::move(cat));
  e.ScanFolderWithMask(e.UserTempFolder, "*.*");
  EXPECT_EQ(tree.ChildCount(e.CurrentCategoryNode), 0u);
}

TEST_F(EngineTest, FoundOnceByTwoPasses) {
  base.Write("both\\x.tmp");
  e.CurrentCategoryNode = tmpCat;
  e.ScanFolderWithMask(base / "both", "*.*");
  e.CurrentCategoryNode = nullptr;
  UseMasks({{"*.TMP", bakCat}});
  e.ScanDrive("D:\\", "qzdc\\");
  EXPECT_EQ(tree.ChildCount(tmpCat), 1u);
  EXPECT_EQ(tree.ChildCount(bakCat), 0u);
  EXPECT_EQ(e.Totals.Found, 1);
}

TEST_F(EngineTest, CrashDumpsMatchTheLongName) {
  base.Write("win\\Minidump\\a.dmp");
  base.Write("win\\Minidump\\Mini01.DMP");
  base.Write("win\\Minidump\\b.dmpx");
  base.Write("win\\Minidump\\c.txt");
  e.CurrentCategoryNode = aCat;
  e.ScanFolderWithMask(e.MinidumpFolder, "*.dmp");
  std::vector<std::string> found = Children(aCat);
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::string>{base / "win\\Minidump\\Mini01.DMP", base / "win\\Minidump\\a.dmp"}));
}

// Sizes come from the directory entry as 64-bit numbers.
TEST_F(EngineTest, LargeSparseFilesKeepTheirSize) {
  const long long gib = 1024LL * 1024 * 1024;
  ASSERT_TRUE(DriveDir::SizedFile(base / "big\\three.tmp", 3 * gib));
  ASSERT_TRUE(DriveDir::SizedFile(base / "big\\five.tmp", 5 * gib));
  UseMasks({{"*.TMP", tmpCat}});
  e.ScanDrive("D:\\", "qzdc\\");
  int64_t total = 0;
  for (VNode* n = tree.GetFirstChild(tmpCat); n; n = tree.GetNextSibling(n)) {
    const DriveScanNode& d = tree.Data<DriveScanNode>(n);
    if (d.FileName == "three.tmp") {
      EXPECT_EQ(d.Size, 3 * gib);
    }
    if (d.FileName == "five.tmp") {
      EXPECT_EQ(d.Size, 5 * gib);
    }
    total += d.Size;
  }
  EXPECT_EQ(total, 8 * gib);
  EXPECT_EQ(e.Totals.FoundBytes, 8 * gib);
}

TEST_F(EngineTest, LockedAndReadOnlyFilesLeftOutWhenAsked) {
  std::string open = base.Write("lock\\open.tmp");
  std::string ro = base.Write("lock\\ro.tmp");
  base.Write("lock\\free.tmp");
  SetFileAttributesW(Widen(ro).c_str(), FILE_ATTRIBUTE_READONLY);
  HANDLE h = CreateFileW(Widen(open).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  UseMasks({{"*.TMP", tmpCat}});
  e.SkipLockedFiles = 1;
  e.ScanDrive("D:\\", "qzdc\\");
  EXPECT_EQ(Children(tmpCat), (std::vector<std::string>{base / "lock\\free.tmp"}));

  tree.DeleteChildren(tmpCat);
  e.FoundFiles.Clear();
  e.SkipLockedFiles = 0;
  e.ScanDrive("D:\\", "qzdc\\");
  EXPECT_EQ(tree.ChildCount(tmpCat), 3u);
  CloseHandle(h);
  SetFileAttributesW(Widen(ro).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(EngineTest, NamesTooLongForTheShellAreNotListed) {
  std::string dir = base.MakeDir("long\\" + std::string(120, 'd') + "\\" + std::string(100, 'e'));
  std::string ok = dir + "\\ok.tmp";
  std::string tooLong = dir + "\\" + std::string(40, 'f') + ".tmp";
  DriveDir::WriteFileAt(ok);
  DriveDir::WriteFileAt(tooLong);
  ASSERT_TRUE(Exists(tooLong)) << "long paths not supported here";
  UseMasks({{"*.TMP", tmpCat}});
  e.ScanDrive("D:\\", "qzdc\\");
  EXPECT_EQ(Children(tmpCat), (std::vector<std::string>{ok}));
}

TEST(EngineNames, ListableNames) {
  struct Row {
    const char* name;
    bool ok;
  } rows[] = {{"a.tmp", true},  {"a?b.tmp", false}, {"st*r.tmp", false}, {"dot.tmp.", false},
              {"blank.tmp ", false}, {"a<b.tmp", false}, {"a>b.tmp", false}, {"a\"b.tmp", false},
              {"a|b.tmp", false}, {"a:b.tmp", false}, {"a/b.tmp", false}, {"a\\b.tmp", false},
              {"tab\t.tmp", false}, {"ünï.tmp", true}, {"", false}};
  for (const Row& r : rows)
    EXPECT_EQ(IsListableName(r.name, std::string("D:\\x\\") + r.name), r.ok) << r.name;
  EXPECT_FALSE(IsListableName("a.tmp", "D:\\bad.\\a.tmp"));  // a folder part ending in "."
  EXPECT_FALSE(IsListableName("a.tmp", "D:\\" + std::string(260, 'x') + "\\a.tmp"));
}

// Shortcuts: listed only when the target is really missing.
TEST_F(EngineTest, BrokenShortcuts) {
  base.Write("lnk\\target.exe");
  base.Write("lnk\\Foo - Bar\\app.exe");
  base.Write("lnk\\Studio .NET 2003\\tool.exe");
  auto make = [&](const std::string& name, const std::string& target) {
    TShortcutLink l;
    l.ShortcutFile = base / ("lnk\\" + name);
    l.Target = target;
    l.SaveShortcut();
    return l.ShortcutFile;
  };
  make("working.lnk", base / "lnk\\target.exe");
  std::string broken = make("broken.lnk", base / "lnk\\gone.exe");
  make("otherdrive.lnk", "C:\\qzdc-no-such\\x.exe");
  make("installer.lnk", base / "lnk\\Installer\\{12345678-1234}\\x.exe");
  make("foobar.lnk", base / "lnk\\Foo - Bar\\app.exe");
  make("studio.lnk", base / "lnk\\Studio .NET 2003\\tool.exe");
  make("excepted.lnk", base / "lnk\\gone.xyz");
  base.Write("lnk\\notalink.lnk", "garbage");
  e.AddFileException(".XYZ");
  UseMasks({{"*.LNK", aCat}});
  e.CheckLnkTargets = 1;
  e.ScanDrive("D:\\", "qzdc\\");
  std::vector<std::string> found = Children(aCat);
  ASSERT_EQ(found, (std::vector<std::string>{broken}));
  VNode* n = tree.GetFirstChild(aCat);
  EXPECT_TRUE(IEquals(tree.Data<DriveScanNode>(n).Info, base / "lnk\\gone.exe"));
  EXPECT_EQ(tree.NodeHeight(n), kEntryHeightWithInfo);

  // With the option off, a user mask lists shortcuts without the test.
  tree.DeleteChildren(aCat);
  e.FoundFiles.Clear();
  e.CheckLnkTargets = 0;
  e.ScanDrive("D:\\", "qzdc\\");
  EXPECT_EQ(tree.ChildCount(aCat), 8u);
}

TEST_F(EngineTest, ShortcutRulesWithAFakeReader) {
  base.Write("sc\\exists.exe");
  e.ScannedDrives = "CD";
  std::map<std::string, ShortcutTarget> links;
  e.ShortcutReader = [&](const std::string& f) {
    auto it = links.find(f);
    return it == links.end() ? ShortcutTarget{} : it->second;
  };
  struct Row {
    ShortcutTarget t;
    bool missing;
  } rows[] = {
      {{false, base / "sc\\gone.exe", false}, false},        // unreadable
      {{true, "", false}, false},                            // no path
      {{true, "X", false}, false},                           // not a drive path
      {{true, "E:\\gone.exe", false}, false},                // drive not searched
      {{true, "d:\\qzdc\\sc\\gone.exe", false}, false},      // lower-case letter: as is
      {{true, base / "sc\\gone.exe", false}, true},
      {{true, base / "sc\\exists.exe", false}, false},
      {{true, base / "sc\\gone", true}, true},               // missing folder
      {{true, base / "sc", true}, false},                    // existing folder
      {{true, "%SystemRoot%\\notepad.exe", false}, false},   // not a drive path before expansion
      {{true, base / "sc\\exists.exe /S", false}, false},    // the cut form exists
      {{true, base / "sc\\gone.exe /S", false}, true},
      {{true, base / "sc\\gone.exe -x -y", false}, true},    // empty cut: the target decides
  };
  int i = 0;
  for (const Row& r : rows) {
    std::string f = "L" + std::to_string(i++);
    links[f] = r.t;
    std::string target;
    EXPECT_EQ(e.IsShortcutTargetMissing(f, &target), r.missing) << r.t.Target;
  }
}

TEST_F(EngineTest, CountFoldersCountsEverythingButLinks) {
  base.MakeDir("c\\a\\b");
  base.MakeDir("c\\d");
  base.MakeDir("c\\.hidden\\x");
  e.CountFolders(base / "c\\");
  EXPECT_EQ(e.FoldersCounted, 4);  // c, a, b, d (names beginning with "." are skipped)
  EXPECT_EQ(e.ProgressPosition, 4);
  EXPECT_EQ(e.CountingPhase, 1);
}

// Cancel is seen between items: a pump that sets AbortFlag once k entries
// exist stops every pass right there.
TEST_F(EngineTest, CancelAfterKItemsInEachPass) {
  for (int i = 0; i < 8; ++i) base.Write("win\\temp\\t" + std::to_string(i) + ".tmp");
  for (int i = 0; i < 8; ++i) base.Write("drv\\d" + std::to_string(i) + ".tmp");
  const int k = 3;
  qz::test::TestPumpClock clock(true);  // every throttled pump runs
  SetMessagePump([&] {
    if (e.Totals.Found >= k) AbortFlag = 1;
  });
  e.CurrentCategoryNode = tmpCat;
  e.ScanFolderWithMask(e.SystemTempFolder, "*.*");
  EXPECT_EQ(tree.ChildCount(tmpCat), static_cast<uint32_t>(k));

  AbortFlag = 0;
  e.Totals.Found = 0;
  e.CurrentCategoryNode = nullptr;
  UseMasks({{"*.TMP", bakCat}});
  e.ScanDrive("D:\\", "qzdc\\drv\\");
  EXPECT_EQ(tree.ChildCount(bakCat), static_cast<uint32_t>(k));

  AbortFlag = 0;
  base.MakeDir("cnt\\1\\2\\3\\4\\5\\6");
  SetMessagePump([&] {
    if (e.FoldersCounted >= k) AbortFlag = 1;
  });
  e.FoldersCounted = 0;
  e.CountFolders(base / "cnt\\");
  EXPECT_EQ(e.FoldersCounted, k);
}

// Links made on the host by the test run's fixture script: a folder link to
// the canary outside the sandbox, and names Windows itself cannot create.
TEST_F(EngineTest, HostFixtureLinksAndWildcardNames) {
  const std::string fx = "D:\\qzdclink\\";
  ASSERT_TRUE(Exists(fx + "scan")) << "host fixture not present: run through ./test.sh";
  DWORD a = GetFileAttributesW(Widen(fx + "scan\\canary-link").c_str());
  ASSERT_NE(a, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(a & FILE_ATTRIBUTE_REPARSE_POINT);
  UseMasks({{"*.TMP", tmpCat}, {"*.BAK", tmpCat}, {"*.DMP", tmpCat}, {"*.*", aCat}});
  e.ScanDrive("D:\\", "qzdclink\\scan\\");
  e.ScanDrive("D:\\", "qzdclink\\wild\\");
  std::vector<std::string> found = EntryPaths(tree);
  for (const std::string& p : found) {
    EXPECT_EQ(p.find("canary"), std::string::npos) << p;
    EXPECT_TRUE(IsListableName(p.substr(p.rfind('\\') + 1), p)) << p;
  }
  // Wine shows the host's names as they are (a?b.tmp, dot.tmp., ...): only
  // the three plain ones may be listed.
  std::vector<std::string> wild = EntryPaths(tree, fx + "wild\\");
  std::sort(wild.begin(), wild.end());
  EXPECT_EQ(wild, (std::vector<std::string>{fx + "wild\\a1b.tmp", fx + "wild\\axb.tmp", fx + "wild\\dot.tmp"}));
  EXPECT_EQ(EntryPaths(tree, fx + "scan\\"), (std::vector<std::string>{fx + "scan\\plain.tmp"}));
  e.FoldersCounted = 0;
  e.CountFolders(fx + "scan\\");
  EXPECT_EQ(e.FoldersCounted, 1);  // the link is not entered
}
