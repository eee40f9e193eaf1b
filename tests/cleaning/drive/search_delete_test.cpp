// The search driver, totals and their texts, the result window's sort and
// exception pruning, and the delete step, over trees on the fixture drive D:.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <fstream>

#include "cleaning/drive/dc_search.h"
#include "core/disk.h"
#include "core/globals.h"
#include "core/pump.h"
#include "core/registry.h"
#include "support/pump_clock.h"
#include "dc_fixture.h"

using namespace qz;
using namespace qz::dc;
using namespace qz::dc::test;
using ui::CheckState;
using ui::VNode;
using ui::VTreeModel;

namespace {

bool Has(const std::vector<std::string>& v, const std::string& s) {
  return std::any_of(v.begin(), v.end(), [&](const std::string& x) { return IEquals(x, s); });
}

VNode* FindEntry(VTreeModel& tree, const std::string& name) {
  for (VNode* n = tree.GetFirst(); n; n = tree.GetNext(n)) {
    const DriveScanNode& d = tree.Data<DriveScanNode>(n);
    if (!d.IsCategory && IEquals(d.FileName, name)) return n;
  }
  return nullptr;
}

VNode* FindCategory(VTreeModel& tree, const std::string& caption) {
  for (VNode* n = tree.GetFirst(); n; n = tree.GetNextSibling(n))
    if (tree.Data<DriveScanNode>(n).FileName == caption) return n;
  return nullptr;
}

// A checked entry, as the scan adds one.
VNode* AddCheckedEntry(VTreeModel& tree, VNode* cat, const std::string& folder, const std::string& name,
                       int64_t size = 0) {
  DriveScanNode r;
  r.Folder = folder;
  r.FileName = name;
  r.Size = size;
  VNode* n = tree.AddChild(cat, std::move(r));
  tree.SetCheckType(n, ui::CheckType::TriState);
  tree.SetCheckState(n, CheckState::Checked);
  return n;
}

SearchSettings Settings(bool tmp, bool dump, const std::string& drives = "D") {
  SearchSettings s;
  s.Options.TMPDir_ALL = tmp;
  s.Options.TMPDir_User = tmp;
  s.Options.Minidump = dump;
  s.Options.WriteProtected = true;
  s.Drives = drives;
  s.Groups = DefaultMaskGroups();
  s.Exceptions = BuiltInExceptions();
  return s;
}

// A unique mark per run, so the host-side trash check finds this run's files.
std::string RunToken() {
  static std::string token = [] {
    SYSTEMTIME t;
    GetSystemTime(&t);
    char buf[64];
    snprintf(buf, sizeof buf, "%02d%02d%02d%03d-%lu", t.wHour, t.wMinute, t.wSecond, t.wMilliseconds,
             GetCurrentProcessId());
    return std::string(buf);
  }();
  return token;
}

// Names the host-side check (run after the tests) must find in the trash.
void ExpectInTrash(const std::string& windowsPath) {
  CreateDirectoryW(L"C:\\qztests", nullptr);
  std::ofstream out("C:\\qztests\\expect-trash.txt", std::ios::app | std::ios::binary);
  out << windowsPath << "\n";
}

class SearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AbortFlag = 0;
    env = TestEnvironment(base.path());
  }
  void TearDown() override {
    AbortFlag = 0;
    SetMessagePump(nullptr);
  }
  DriveDir base{"qzdc"};
  ScanEnvironment env;
  VTreeModel tree;
  DriveScanEngine e;
};

}  // namespace

TEST_F(SearchTest, NoDriveNoSearch) {
  EXPECT_EQ(RunDriveSearchCore(e, tree, Settings(true, true, ""), {}, env), SearchOutcome::NoDrives);
  EXPECT_TRUE(tree.IsEmpty());
}

// The whole search: temporary folders, crash dumps and the drive, each find
// under its category, empty categories removed, totals from the tree.
TEST_F(SearchTest, FullSearchFillsCategoriesInOrder) {
  base.Write("win\\temp\\t1.dat", "12345");
  base.Write("users\\u\\Temp\\u1.dat", "123");
  base.Write("win\\Minidump\\m1.dmp", "1234567");
  base.Write("data\\x.tmp", "12");
  base.Write("data\\y.bak");
  base.Write("data\\z.log");  // group 5 is off by default
  std::vector<PassStart> passes;
  SearchHooks hooks;
  hooks.OnPass = [&](const PassStart& p) { passes.push_back(p); };
  EXPECT_EQ(RunDriveSearchCore(e, tree, Settings(true, true), hooks, env), SearchOutcome::Found);

  ASSERT_EQ(passes.size(), 5u);
  EXPECT_EQ(passes[0].Kind, PassKind::SystemTemp);
  EXPECT_EQ(passes[0].DriveLabel, "Untersuche Ordner \"Temporäre Dateien\"...");
  EXPECT_EQ(passes[0].FolderLabel, e.SystemTempFolder);
  EXPECT_EQ(passes[1].Kind, PassKind::UserTemp);
  EXPECT_EQ(passes[2].Kind, PassKind::Minidump);
  EXPECT_EQ(passes[3].Kind, PassKind::Counting);
  EXPECT_EQ(passes[3].DriveLabel, "Zähle Ordner - bitte warten...");
  EXPECT_EQ(passes[3].FolderLabel, "D:\\");
  EXPECT_EQ(passes[4].Kind, PassKind::Scanning);
  EXPECT_GT(passes[4].ProgressMax, 5);

  VNode* tmp = FindCategory(tree, "Temporäre Dateien aus TMP-Ordner");
  VNode* dump = FindCategory(tree, "Minidumps");
  VNode* tmpGroup = FindCategory(tree, "Temporäre Dateien");
  VNode* bakGroup = FindCategory(tree, "Generelle Backup-Dateien");
  ASSERT_TRUE(tmp && dump && tmpGroup && bakGroup);
  EXPECT_EQ(tree.GetFirst(), tmp);  // categories in the search's order
  EXPECT_EQ(tree.GetNextSibling(tmp), dump);
  EXPECT_EQ(tree.ChildCount(tmp), 2u);
  EXPECT_EQ(tree.ChildCount(dump), 1u);
  EXPECT_FALSE(FindCategory(tree, "Logfiles (selten benötigt)"));  // unchecked group
  EXPECT_FALSE(tree.Expanded(tmp));
  EXPECT_EQ(tree.NodeHeight(tmp), kCategoryHeight);
  for (VNode* c = tree.GetFirst(); c; c = tree.GetNextSibling(c)) EXPECT_GT(tree.ChildCount(c), 0u);

  std::vector<std::string> mine = EntryPaths(tree, base.path());
  EXPECT_TRUE(Has(mine, base / "data\\x.tmp"));
  EXPECT_TRUE(Has(mine, base / "data\\y.bak"));
  EXPECT_FALSE(Has(mine, base / "data\\z.log"));
  EXPECT_EQ(e.Totals.Found, static_cast<int64_t>(EntryPaths(tree).size()));
  EXPECT_EQ(e.Totals.Marked, e.Totals.Found);
  EXPECT_EQ(e.Totals.MarkedBytes, e.Totals.FoundBytes);
  EXPECT_GE(e.Totals.FoundBytes, 5 + 3 + 7 + 2 + 1);
}

TEST_F(SearchTest, EmptyCategoriesStayWhenAsked) {
  base.Write("win\\temp\\t1.dat");
  SearchSettings s = Settings(true, true);
  s.Drives = "E";  // the CD drive holds nothing
  s.HideEmpty = false;
  EXPECT_EQ(RunDriveSearchCore(e, tree, s, {}, env), SearchOutcome::Found);
  EXPECT_EQ(tree.RootNodeCount(), 2u + 5u);  // tmp, dumps, five checked groups
  s.HideEmpty = true;
  EXPECT_EQ(RunDriveSearchCore(e, tree, s, {}, env), SearchOutcome::Found);
  EXPECT_EQ(tree.RootNodeCount(), 1u);
}

TEST_F(SearchTest, NothingFoundAndANewSearchClearsTheTree) {
  base.Write("win\\temp\\t1.dat");
  SearchSettings s = Settings(true, false, "E");
  EXPECT_EQ(RunDriveSearchCore(e, tree, s, {}, env), SearchOutcome::Found);
  EXPECT_EQ(e.Totals.Found, 1);
  DeleteFileW(Widen(base / "win\\temp\\t1.dat").c_str());
  EXPECT_EQ(RunDriveSearchCore(e, tree, s, {}, env), SearchOutcome::NothingFound);
  EXPECT_EQ(e.Totals.Found, 0);
  EXPECT_EQ(e.Totals.FoundBytes, 0);
  EXPECT_TRUE(EntryPaths(tree).empty());
  EXPECT_EQ(FilesLabelText(e), "0 / 0");
}

// Cancel in each pass: the search ends there, later passes do not run, and
// the tree keeps what was found.
TEST_F(SearchTest, CancelInEachPass) {
  for (int i = 0; i < 5; ++i) base.Write("win\\temp\\t" + std::to_string(i) + ".dat");
  base.Write("win\\Minidump\\m.dmp");
  for (PassKind stopAt : {PassKind::SystemTemp, PassKind::Minidump, PassKind::Counting, PassKind::Scanning}) {
    SearchHooks hooks;
    std::vector<PassKind> seen;
    hooks.OnPass = [&](const PassStart& p) {
      seen.push_back(p.Kind);
      if (p.Kind == stopAt) AbortFlag = 1;
    };
    EXPECT_EQ(RunDriveSearchCore(e, tree, Settings(true, true), hooks, env), SearchOutcome::Cancelled);
    EXPECT_EQ(seen.back(), stopAt);
    if (stopAt == PassKind::Counting) {
      EXPECT_EQ(e.FoldersScanned, 0);  // the drive stays unscanned
    }
  }
  // Cancel after two finds inside the temporary pass keeps exactly those two.
  qz::test::TestPumpClock clock(true);  // every throttled pump runs
  SetMessagePump([&] {
    if (e.Totals.Found >= 2) AbortFlag = 1;
  });
  EXPECT_EQ(RunDriveSearchCore(e, tree, Settings(true, true), {}, env), SearchOutcome::Cancelled);
  EXPECT_EQ(EntryPaths(tree).size(), 2u);
}

TEST(DcTotals, MegabyteTexts) {
  NumberFormat en;  // "." and ","
  NumberFormat de{",", "."};
  auto mb = [](double m) { return static_cast<int64_t>(llround(m * 1048576.0)); };
  struct Row {
    double mb;
    const char* summary;
    const char* label;
  } rows[] = {
      {0, "0.00", "0.000"},
      {1234.56, "1234.56", "1,234.560"},
      {12345.6, "1.235E4", "1.235E4"},
      {9999.99, "9999.99", "9,999.990"},
      {0.5, "0.50", "0.500"},
      {100000, "1E5", "1E5"},
      {8192, "8192.00", "8,192.000"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(FormatMBSummary(mb(r.mb), en), r.summary) << r.mb;
    EXPECT_EQ(FormatMB(mb(r.mb), en), r.label) << r.mb;
  }
  EXPECT_EQ(FormatMBSummary(mb(1234.56), de), "1234,56");
  EXPECT_EQ(FormatMB(mb(1234.56), de), "1.234,560");
  EXPECT_EQ(FormatMB(5LL * 1024 * 1024 * 1024, en), "5,120.000");  // beyond 32 bits
}

TEST(DcTotals, SummaryAndMessages) {
  DriveScanEngine e;
  e.Totals.Found = 12;
  e.Totals.FoundBytes = 1294529987;  // 1234.56 MB
  e.Totals.Marked = 10;
  e.Totals.MarkedBytes = 1048576;
  e.FilesExamined = 345;
  e.FoldersScanned = 67;
  NumberFormat en;
  EXPECT_EQ(SummaryText(e, {}, en),
            "Es wurden insgesammt 12 Dateien gefunden welche 1234.56 MB belegen.<br>Davon sind 10 Dateien "
            "zum Löschen markiert welche 1.00 MB belegen.<br>Insgesammt wurden 345 Dateien in 67 Ordnern "
            "untersucht.");
  TranslateFn tr = [](const std::string& key, const std::string& def) {
    return key == "MESSAGE_Result" ? std::string("%1/%1 %2 %3 %4 %5 %6") : def;
  };
  EXPECT_EQ(SummaryText(e, tr, en), "12/12 1234.56 10 1.00 345 67");
  EXPECT_EQ(FilesLabelText(e), "10 / 12");
  EXPECT_EQ(BytesLabelText(e, en), "1.000 MB / 1,234.560 MB");
  e.FilesDeleted = 3;
  e.DeleteErrors = 1;
  EXPECT_EQ(DeletedMessage(e), "Es wurden 3 Dateien gelöscht.\rDabei traten 1 Fehler auf.");
  EXPECT_EQ(FolderAsExceptionMessage("D:\\x\\"), "Soll der Ordner\rD:\\x\\\rin Zukunft als Ausnahme gelten?");
}

namespace {

// A small result tree without a scan: two categories with entries.
struct FakeTree {
  VTreeModel tree;
  DriveScanEngine e;
  VNode* a;
  VNode* b;
  FakeTree() {
    e.ScanTree = &tree;
    tree.SetRecordType<DriveScanNode>();
    a = AddCategory(tree, "A", 0);
    b = AddCategory(tree, "B", 0);
    tree.OnChecking = [this](VNode* n, CheckState s) {
      cleaning::TrackCheckChange(e.Totals, tree, n, s, DriveEntry);
      return true;
    };
  }
  VNode* Add(VNode* cat, const std::string& folder, const std::string& name, int64_t size) {
    return AddCheckedEntry(tree, cat, folder, name, size);
  }
};

}  // namespace

TEST(DcResult, MarkedTotalsFollowTheChecks) {
  FakeTree f;
  f.Add(f.a, "D:\\x", "1.tmp", 10);
  f.Add(f.a, "D:\\x", "2.tmp", 20);
  VNode* three = f.Add(f.b, "D:\\y", "3.tmp", 5LL << 32);
  RecomputeTotals(f.e, f.tree);
  EXPECT_EQ(f.e.Totals.Marked, 3);
  EXPECT_EQ(f.e.Totals.MarkedBytes, 30 + (5LL << 32));
  f.tree.ChangeCheckState(f.a, CheckState::Unchecked);  // a category passes it down
  EXPECT_EQ(f.e.Totals.Marked, 1);
  EXPECT_EQ(f.e.Totals.MarkedBytes, 5LL << 32);
  f.tree.ChangeCheckState(three, CheckState::Unchecked);
  EXPECT_EQ(f.e.Totals.Marked, 0);
  EXPECT_EQ(f.e.Totals.MarkedBytes, 0);
  EXPECT_EQ(f.tree.GetCheckState(f.b), CheckState::Unchecked);
  f.tree.ChangeCheckState(f.b, CheckState::Checked);
  RecomputeTotals(f.e, f.tree);
  EXPECT_EQ(f.e.Totals.Found, 3);
  EXPECT_EQ(f.e.Totals.Marked, 1);
}

TEST(DcResult, SortIsAStableStrictOrder) {
  FakeTree f;
  f.Add(f.a, "D:\\b", "x.tmp", 3);
  f.Add(f.a, "D:\\a", "y.tmp", 1);
  f.Add(f.a, "D:\\a", "Y.tmp", 3);
  f.Add(f.a, "D:\\b", "x.tmp", 2);  // equal paths: keep their order
  std::vector<DriveScanNode> recs;
  for (VNode* n = f.tree.GetFirstChild(f.a); n; n = f.tree.GetNextSibling(n))
    recs.push_back(f.tree.Data<DriveScanNode>(n));
  for (int col : {0, 1})
    for (auto& x : recs)
      for (auto& y : recs) {
        EXPECT_EQ(CompareDriveNodes(x, x, col), 0);
        EXPECT_EQ(CompareDriveNodes(x, y, col), -CompareDriveNodes(y, x, col));
      }
  const cleaning::NodeCompare compare = [&f](VNode* x, VNode* y, int column) {
    return CompareDriveNodes(f.tree.Data<DriveScanNode>(x), f.tree.Data<DriveScanNode>(y), column);
  };
  int sortColumn = 0;
  EXPECT_FALSE(cleaning::SortByColumn(f.tree, sortColumn, 0, compare));  // already the sort column: nothing
  EXPECT_TRUE(cleaning::SortByColumn(f.tree, sortColumn, 1, compare));
  std::vector<int64_t> sizes;
  for (VNode* n = f.tree.GetFirstChild(f.a); n; n = f.tree.GetNextSibling(n))
    sizes.push_back(f.tree.Data<DriveScanNode>(n).Size);
  EXPECT_EQ(sizes, (std::vector<int64_t>{1, 2, 3, 3}));
  EXPECT_EQ(f.tree.Data<DriveScanNode>(f.tree.GetLastChild(f.a)).FileName, "Y.tmp");  // stable
  EXPECT_TRUE(cleaning::SortByColumn(f.tree, sortColumn, 0, compare));
  std::vector<std::string> keys;
  for (VNode* n = f.tree.GetFirstChild(f.a); n; n = f.tree.GetNextSibling(n))
    keys.push_back(f.tree.Data<DriveScanNode>(n).Folder + "\\" + f.tree.Data<DriveScanNode>(n).FileName +
                   std::to_string(f.tree.Data<DriveScanNode>(n).Size));
  EXPECT_EQ(keys, (std::vector<std::string>{"D:\\a\\Y.tmp3", "D:\\a\\y.tmp1", "D:\\b\\x.tmp2", "D:\\b\\x.tmp3"}));
}

TEST(DcResult, AddingAnExceptionPrunesTheTree) {
  FakeTree f;
  f.e.PrepareDriveScan(TestEnvironment("D:\\qzdcp\\"));
  const std::string temp = ExcludeTrailingBackslash(f.e.SystemTempFolder);
  f.Add(f.a, temp, "t.tmp", 1);  // an entry of the temporary folder itself
  VNode* x = f.Add(f.b, "D:\\data\\x", "1.tmp", 10);
  f.Add(f.b, "D:\\data\\x\\sub", "2.tmp", 20);
  f.Add(f.b, "D:\\data\\xy", "3.tmp", 30);
  f.Add(f.b, "D:\\other", "same.bak", 40);
  f.Add(f.b, "D:\\more", "SAME.BAK", 50);
  RecomputeTotals(f.e, f.tree);
  ASSERT_EQ(f.e.Totals.Found, 6);

  EXPECT_EQ(ApplyFolderException(f.e, f.tree, f.tree.Data<DriveScanNode>(x)), "D:\\data\\x\\");
  std::vector<std::string> left = EntryPaths(f.tree);
  EXPECT_EQ(left.size(), 4u);  // the folder and everything below it went
  EXPECT_FALSE(Has(left, "D:\\data\\x\\sub\\2.tmp"));
  EXPECT_TRUE(Has(left, "D:\\data\\xy\\3.tmp"));
  EXPECT_TRUE(Has(left, temp + "\\t.tmp"));  // the temporary folder's own entry stays
  EXPECT_EQ(f.e.Totals.Found, 4);
  EXPECT_EQ(f.e.Totals.FoundBytes, 1 + 30 + 40 + 50);

  VNode* same = FindEntry(f.tree, "same.bak");
  ApplyFileException(f.e, f.tree, f.tree.Data<DriveScanNode>(same));
  EXPECT_EQ(EntryPaths(f.tree).size(), 2u);  // a name exception holds in every folder
  EXPECT_EQ(f.e.Totals.Marked, 2);

  f.e.AddUserFolderException(temp);  // the user excepts the temporary folder itself
  PruneExceptions(f.e, f.tree);
  EXPECT_EQ(EntryPaths(f.tree), (std::vector<std::string>{"D:\\data\\xy\\3.tmp"}));
}

// ---- delete ----------------------------------------------------------------

namespace {

class DeleteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AbortFlag = 0;
    e.ScanTree = &tree;
    e.PrepareDriveScan(TestEnvironment(base.path()));
    e.ScannedDrives = "D";
    cat = AddCategory(tree, "tmp", 0);
  }
  void TearDown() override { AbortFlag = 0; }
  void Scan(const std::string& rel) {
    e.MaskList = {{"*.TMP", cat}};
    e.ScanDrive("D:\\", "qzdc\\" + rel);
    RecomputeTotals(e, tree);
    // Only this test's own files are ever in the tree.
    for (const std::string& p : EntryPaths(tree)) ASSERT_TRUE(IStartsWith(p, base.path())) << p;
  }
  void Uncheck(const std::string& name) {
    VNode* n = FindEntry(tree, name);
    ASSERT_TRUE(n) << name;
    tree.SetCheckState(n, CheckState::Unchecked);
  }
  DriveCleanerOptions NoTemp() {
    DriveCleanerOptions o;
    o.TMPDir_ALL = o.TMPDir_User = false;
    return o;
  }
  DriveDir base{"qzdc"};
  VTreeModel tree;
  DriveScanEngine e;
  VNode* cat = nullptr;
};

}  // namespace

// Only the checked entries go to the Recycle Bin; unchecked ones, excepted
// ones and everything else stay.
TEST_F(DeleteTest, OnlyCheckedEntriesGo) {
  const std::string t = RunToken();
  std::string a = base.Write("del\\a-" + t + ".tmp", "aaaa");
  std::string b = base.Write("del\\b-" + t + ".tmp");
  std::string c = base.Write("del\\c-" + t + ".tmp", "cc");
  std::string kept = base.Write("del\\keep\\d-" + t + ".tmp");
  std::string other = base.Write("del\\e-" + t + ".txt");
  e.AddUserFolderException(base / "del\\keep");
  Scan("del\\");
  ASSERT_EQ(e.Totals.Found, 3);
  Uncheck("b-" + t + ".tmp");
  RecomputeTotals(e, tree);
  std::vector<std::string> shown;
  DeleteHooks hooks;
  hooks.OnFile = [&](const std::string& p, int64_t) { shown.push_back(p); };
  DeleteMarkedFilesCore(e, tree, NoTemp(), hooks);
  EXPECT_EQ(e.FilesDeleted, 2);
  EXPECT_EQ(e.DeleteErrors, 0);
  EXPECT_EQ(e.BytesDeleted, 6);
  EXPECT_EQ(shown.size(), 2u);
  EXPECT_FALSE(Exists(a));
  EXPECT_FALSE(Exists(c));
  EXPECT_TRUE(Exists(b));
  EXPECT_TRUE(Exists(kept));
  EXPECT_TRUE(Exists(other));
  EXPECT_EQ(EntryPaths(tree), (std::vector<std::string>{b}));
  EXPECT_EQ(e.Totals.Found, 1);
  EXPECT_EQ(e.Totals.Marked, 0);
  ExpectInTrash(a);
  ExpectInTrash(c);
}

// Right before each recycle the entry is looked at again.
TEST_F(DeleteTest, EntriesThatChangedAfterTheSearch) {
  std::string open = base.Write("chg\\open.tmp");
  std::string gone = base.Write("chg\\gone.tmp", "123");
  std::string dir = base.Write("chg\\dir.tmp");
  std::string fine = base.Write("chg\\fine.tmp");
  Scan("chg\\");
  ASSERT_EQ(e.Totals.Found, 4);
  HANDLE h = CreateFileW(Widen(open).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DeleteFileW(Widen(gone).c_str());
  DeleteFileW(Widen(dir).c_str());
  base.Write("chg\\dir.tmp\\inside.txt", "precious");
  DeleteMarkedFilesCore(e, tree, NoTemp());
  CloseHandle(h);
  EXPECT_EQ(CheckBeforeRecycle(dir), RecycleCheck::NotAFile);
  EXPECT_EQ(CheckBeforeRecycle(gone), RecycleCheck::Vanished);
  EXPECT_EQ(CheckBeforeRecycle(base / "chg\\no-such-folder\\x.tmp"), RecycleCheck::Vanished);
  EXPECT_EQ(e.FilesDeleted, 2);  // fine.tmp, and gone.tmp that vanished by itself
  EXPECT_EQ(e.BytesDeleted, 1 + 3);
  EXPECT_EQ(e.DeleteErrors, 2);  // the open file, the folder
  EXPECT_TRUE(Exists(open));
  EXPECT_FALSE(Exists(fine));
  EXPECT_EQ(qz::test::ReadFileText(dir + "\\inside.txt"), "precious");
  std::vector<std::string> left = EntryPaths(tree);
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{dir, open}));
  EXPECT_EQ(tree.GetCheckState(FindEntry(tree, "open.tmp")), CheckState::Checked);
}

// A large group of files in one folder is confirmed by one read of the folder:
// the same answers, a file the shell could not take included.
TEST_F(DeleteTest, ManyFilesInOneFolder) {
  const std::string t = RunToken();
  for (int i = 0; i < 40; ++i) base.Write("many\\m" + std::to_string(i) + "-" + t + ".tmp", "12");
  Scan("many\\");
  ASSERT_EQ(e.Totals.Found, 40);
  for (int i : {3, 17, 29}) Uncheck("m" + std::to_string(i) + "-" + t + ".tmp");
  const std::string held = base / ("many\\m20-" + t + ".tmp");
  HANDLE h = CreateFileW(Widen(held).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DeleteMarkedFilesCore(e, tree, NoTemp());
  CloseHandle(h);
  EXPECT_EQ(e.FilesDeleted, 36);
  EXPECT_EQ(e.BytesDeleted, 72);
  EXPECT_EQ(e.DeleteErrors, 1);
  std::vector<std::string> left = EntryPaths(tree);
  EXPECT_EQ(left.size(), 4u);
  EXPECT_TRUE(Has(left, held));
  for (int i = 0; i < 40; ++i) {
    std::string p = base / ("many\\m" + std::to_string(i) + "-" + t + ".tmp");
    EXPECT_EQ(Exists(p), i == 3 || i == 17 || i == 29 || i == 20) << p;
  }
  ExpectInTrash(base / ("many\\m0-" + t + ".tmp"));
  ExpectInTrash(base / ("many\\m39-" + t + ".tmp"));
}

// Names the shell would read as wildcards, or strip to a sibling's, are never
// handed over, even if such an entry reached the tree.
TEST_F(DeleteTest, UnsafeEntriesNeverReachTheShell) {
  std::string a1b = base.Write("wild\\a1b.tmp");
  std::string axb = base.Write("wild\\axb.tmp");
  std::string dot = base.Write("wild\\dot.tmp");
  for (const char* name : {"a?b.tmp", "a*.tmp", "dot.tmp.", "dot.tmp "}) {
    AddCheckedEntry(tree, cat, base / "wild", name);
  }
  RecomputeTotals(e, tree);
  int shellCalls = 0;
  DeleteHooks hooks;
  hooks.Recycle = [&](const std::string& p) {
    ++shellCalls;
    return RecycleFileQuiet(p);
  };
  DeleteMarkedFilesCore(e, tree, NoTemp(), hooks);
  EXPECT_EQ(shellCalls, 0);
  EXPECT_EQ(e.DeleteErrors, 4);
  EXPECT_EQ(e.FilesDeleted, 0);
  EXPECT_TRUE(Exists(a1b) && Exists(axb) && Exists(dot));
  EXPECT_FALSE(RecycleFileQuiet(base / "wild\\a?b.tmp"));
  EXPECT_TRUE(Exists(a1b) && Exists(axb));
}

// A name holding "~" can also be the short (8.3) alias of another entry. When
// the listed file (or folder) of that name is gone, the entry must not lead
// the shell to the file behind the alias, which nobody saw.
TEST_F(DeleteTest, AnAliasNeverStandsForAnotherFile) {
  const std::string file = base.Write("alias\\longnamexyz.tmp", "precious");
  const std::string inFolder = base.Write("alias\\longfoldername\\x.tmp", "precious too");
  const std::string real = base.Write("alias\\real~name.tmp");
  auto shortName = [](const std::string& path) {
    wchar_t buf[MAX_PATH] = {};
    GetShortPathNameW(Widen(path).c_str(), buf, MAX_PATH);
    return ExtractFileName(Narrow(buf));
  };
  const std::string fileAlias = shortName(file);
  const std::string folderAlias = shortName(base / "alias\\longfoldername");
  ASSERT_NE(fileAlias.find('~'), std::string::npos) << "the file system gives no short names";
  ASSERT_NE(folderAlias.find('~'), std::string::npos) << "the file system gives no short names";
  // The aliases reach the other entries through the usual lookup.
  ASSERT_NE(GetFileAttributesW(Widen(base / "alias\\" + fileAlias).c_str()), INVALID_FILE_ATTRIBUTES);
  ASSERT_NE(GetFileAttributesW(Widen(base / "alias\\" + folderAlias + "\\x.tmp").c_str()), INVALID_FILE_ATTRIBUTES);

  auto add = [&](const std::string& folder, const std::string& name) { AddCheckedEntry(tree, cat, folder, name); };
  add(base / "alias", fileAlias);                  // its own file is gone
  add(base / "alias\\" + folderAlias, "x.tmp");    // its own folder is gone
  add(base / "alias", "real~name.tmp");            // a real name with "~"
  RecomputeTotals(e, tree);
  EXPECT_EQ(CheckBeforeRecycle(base / "alias\\" + fileAlias), RecycleCheck::Vanished);
  EXPECT_EQ(CheckBeforeRecycle(base / "alias\\" + folderAlias + "\\x.tmp"), RecycleCheck::Vanished);
  EXPECT_EQ(CheckBeforeRecycle(real), RecycleCheck::Ready);

  std::vector<std::string> handedOver;
  DeleteHooks hooks;
  hooks.Recycle = [&](const std::string& p) {
    handedOver.push_back(p);
    return DeleteFileW(Widen(p).c_str()) != 0;
  };
  DeleteMarkedFilesCore(e, tree, NoTemp(), hooks);
  EXPECT_EQ(handedOver, (std::vector<std::string>{real}));
  EXPECT_EQ(e.FilesDeleted, 3);  // two were gone already, one deleted now
  EXPECT_EQ(e.DeleteErrors, 0);
  EXPECT_EQ(qz::test::ReadFileText(file), "precious");
  EXPECT_EQ(qz::test::ReadFileText(inFolder), "precious too");
  EXPECT_FALSE(Exists(real));
}

// The recycle is confirmed by what the file is: a file made anew under the
// listed name right after is not the listed file. The entry goes (the listed
// file is gone) and the new file is never counted or left checked.
TEST_F(DeleteTest, AFileMadeAnewUnderTheListedNameIsNotTheListedFile) {
  const std::string listed = base.Write("anew\\again.tmp", "listed");
  Scan("anew\\");
  ASSERT_EQ(e.Totals.Found, 1);
  DeleteHooks hooks;
  hooks.Recycle = [&](const std::string& p) {
    // Made before the old one goes, so it is another file for certain.
    const std::string next = base.Write("anew\\next.dat", "made anew");
    const bool taken = DeleteFileItself(p);
    MoveFileW(Widen(next).c_str(), Widen(p).c_str());
    return taken;
  };
  DeleteMarkedFilesCore(e, tree, NoTemp(), hooks);
  EXPECT_EQ(e.FilesDeleted, 1);
  EXPECT_EQ(e.DeleteErrors, 0);
  EXPECT_TRUE(EntryPaths(tree).empty());
  EXPECT_EQ(qz::test::ReadFileText(listed), "made anew");
}

TEST_F(DeleteTest, CancelStopsTheWalkAndSkipsTheCleanUp) {
  for (int i = 0; i < 6; ++i) base.Write("can\\f" + std::to_string(i) + ".tmp");
  base.MakeDir("win\\temp\\emptysub");
  Scan("can\\");
  DeleteHooks hooks;
  hooks.Recycle = [](const std::string& p) { return DeleteFileW(Widen(p).c_str()) != 0; };
  hooks.OnFile = [](const std::string&, int64_t pos) {
    if (pos == 2) AbortFlag = 1;
  };
  bool cleaned = false;
  hooks.OnTempCleanup = [&](const std::string&) { cleaned = true; };
  DeleteMarkedFilesCore(e, tree, DriveCleanerOptions{}, hooks);
  EXPECT_EQ(e.FilesDeleted, 2);
  EXPECT_EQ(EntryPaths(tree).size(), 4u);
  EXPECT_FALSE(cleaned);
  EXPECT_TRUE(Exists(base / "win\\temp\\emptysub"));
}

// After the delete, empty sub-folders of the temporary folders go; the folders
// themselves, folders with files and excepted folders stay.
TEST_F(DeleteTest, EmptyTemporarySubFoldersRemoved) {
  base.MakeDir("win\\temp\\e1\\e2\\e3");
  base.MakeDir("win\\temp\\ro");
  SetFileAttributesW(Widen(base / "win\\temp\\ro").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY);
  base.Write("win\\temp\\full\\x.dat");
  base.MakeDir("win\\temp\\full\\empty");
  base.MakeDir("win\\temp\\kept\\inner");
  base.MakeDir("users\\u\\Temp\\ue");
  e.AddUserFolderException(base / "win\\temp\\kept");
  std::vector<std::string> labels;
  DeleteHooks hooks;
  hooks.OnTempCleanup = [&](const std::string& l) { labels.push_back(l); };
  DeleteMarkedFilesCore(e, tree, DriveCleanerOptions{}, hooks);
  ASSERT_EQ(labels.size(), 2u);
  EXPECT_EQ(labels[0], "Lösche leere Unterverzeichnisse in " + e.SystemTempFolder);
  EXPECT_TRUE(Exists(base / "win\\temp"));
  EXPECT_FALSE(Exists(base / "win\\temp\\e1"));
  EXPECT_FALSE(Exists(base / "win\\temp\\ro"));
  EXPECT_TRUE(Exists(base / "win\\temp\\full\\x.dat"));
  EXPECT_FALSE(Exists(base / "win\\temp\\full\\empty"));
  EXPECT_TRUE(Exists(base / "win\\temp\\kept\\inner"));
  EXPECT_TRUE(Exists(base / "users\\u\\Temp"));
  EXPECT_FALSE(Exists(base / "users\\u\\Temp\\ue"));
}

// The host fixture's temporary folder holds a link to the canary outside the
// sandbox: nothing behind it is listed or removed (the run checks the canary
// byte for byte afterwards).
TEST(DeleteHost, NothingBehindALinkIsTouched) {
  const std::string fx = "D:\\qzdclink\\";
  ASSERT_TRUE(Exists(fx + "win\\temp\\canary-link")) << "host fixture not present: run through ./test.sh";
  VTreeModel tree;
  DriveScanEngine e;
  e.ScanTree = &tree;
  e.PrepareDriveScan(TestEnvironment(fx));
  SearchSettings s = Settings(true, false, "E");
  ASSERT_NE(RunDriveSearchCore(e, tree, s, {}, TestEnvironment(fx)), SearchOutcome::Cancelled);
  for (const std::string& p : EntryPaths(tree)) EXPECT_EQ(p.find("canary"), std::string::npos) << p;
  EXPECT_TRUE(Has(EntryPaths(tree), "D:\\QZDCLINK\\WIN\\TEMP\\note.tmp"));
  // An entry whose folder is (or became) a link is never handed over.
  const std::string behind = fx + "scan\\canary-link\\a.tmp";
  ASSERT_TRUE(Exists(behind));
  EXPECT_EQ(CheckBeforeRecycle(behind), RecycleCheck::LinkedFolder);
  AddCheckedEntry(tree, tree.GetFirst(), fx + "scan\\canary-link", "a.tmp");
  DeleteMarkedFilesCore(e, tree, s.Options);
  EXPECT_EQ(e.DeleteErrors, 1);
  EXPECT_TRUE(Exists(behind));
  EXPECT_FALSE(Exists(fx + "win\\temp\\note.tmp"));
  ExpectInTrash(fx + "win\\temp\\note.tmp");
  EXPECT_FALSE(Exists(fx + "win\\temp\\real"));
  EXPECT_TRUE(Exists(fx + "win\\temp\\canary-link"));
  EXPECT_TRUE(Exists(fx + "win\\temp\\canary-link\\empty"));
}

// ---- files that are not themselves --------------------------------------------
//
// The host fixture (tests/cleaning/drive/fixtures.sh) holds links to files in
// the canary outside the sandbox: in a scanned folder, in the temporary
// folder, in the crash-dump folder, a dangling one, one swapped in between a
// search and its delete, and a hard link; and names that differ only in case.
// A Windows program sees every file link as a plain file.

namespace {

const std::string kLinkFx = "D:\\qzdclink\\";

bool HaveLinkFixture() { return Exists(kLinkFx + "scan\\tocanary.tmp") && Exists(kLinkFx + "twins\\case.tmp"); }

// A drive pass over one folder of the fixture with the mask *.TMP; the
// entries found are checked and counted.
void ScanFixtureFolder(DriveScanEngine& e, VTreeModel& tree, const std::string& rel) {
  e.ScanTree = &tree;
  e.PrepareDriveScan(TestEnvironment(kLinkFx));
  VNode* cat = AddCategory(tree, "tmp", 0);
  e.MaskList = {{"*.TMP", cat}};
  e.ScanDrive("D:\\", "qzdclink\\" + rel);
  RecomputeTotals(e, tree);
}

DriveCleanerOptions NoTempPasses() {
  DriveCleanerOptions o;
  o.TMPDir_ALL = o.TMPDir_User = false;
  return o;
}

}  // namespace

TEST(DeleteHost, FileLinksAreNeverListedNorRecycled) {
  if (!HaveLinkFixture()) GTEST_SKIP() << "host fixture not present";
  VTreeModel tree;
  DriveScanEngine e;
  e.ScanTree = &tree;
  // Every pass: the drive pass over the scanned folder, the temporary folder
  // and the crash dumps.
  SearchSettings s = Settings(true, true, "E");
  ASSERT_EQ(RunDriveSearchCore(e, tree, s, {}, TestEnvironment(kLinkFx)), SearchOutcome::Found);
  ScanFixtureFolder(e, tree, "scan\\");
  const std::vector<std::string> listed = EntryPaths(tree);
  for (const std::string& p : listed) EXPECT_EQ(p.find("canary"), std::string::npos) << p;
  EXPECT_FALSE(Has(listed, kLinkFx + "scan\\dangling.tmp"));
  EXPECT_TRUE(Has(listed, kLinkFx + "scan\\plain.tmp"));
  EXPECT_TRUE(Has(listed, kLinkFx + "scan\\hard.tmp"));  // a second name is itself
  EXPECT_TRUE(Has(listed, kLinkFx + "win\\Minidump\\real.dmp"));

  // Entries for the links, as if a search had listed them: refused, left in
  // place and counted as errors; the hard link goes (only its own name).
  tree.Clear();
  VNode* cat = AddCategory(tree, "links", 0);
  AddCheckedEntry(tree, cat, kLinkFx + "scan", "tocanary.tmp");
  AddCheckedEntry(tree, cat, kLinkFx + "win\\temp", "tocanary.tmp");
  AddCheckedEntry(tree, cat, kLinkFx + "win\\Minidump", "tocanary.dmp");
  AddCheckedEntry(tree, cat, kLinkFx + "scan", "hard.tmp");
  RecomputeTotals(e, tree);
  EXPECT_EQ(CheckBeforeRecycle(kLinkFx + "scan\\tocanary.tmp"), RecycleCheck::NotItself);
  DeleteMarkedFilesCore(e, tree, NoTempPasses());
  EXPECT_EQ(e.DeleteErrors, 3);
  EXPECT_EQ(e.FilesDeleted, 1);
  EXPECT_EQ(EntryPaths(tree).size(), 3u);
  EXPECT_EQ(qz::test::ReadFileText(kLinkFx + "scan\\tocanary.tmp"), "canary a.tmp\n");
  EXPECT_EQ(qz::test::ReadFileText(kLinkFx + "win\\temp\\tocanary.tmp"), "canary Temp/f.tmp\n");
  EXPECT_EQ(qz::test::ReadFileText(kLinkFx + "win\\Minidump\\tocanary.dmp"), "canary crash.dmp\n");
  EXPECT_FALSE(Exists(kLinkFx + "scan\\hard.tmp"));
  ExpectInTrash(kLinkFx + "scan\\hard.tmp");
}

// The file the search listed was swapped for a link before the delete: the
// delete refuses it and leaves everything where it is.
TEST(DeleteHost, ALinkSwappedInAfterTheSearchIsRefused) {
  if (!Exists(kLinkFx + "swap\\staged\\victim.tmp")) GTEST_SKIP() << "host fixture not present";
  VTreeModel tree;
  DriveScanEngine e;
  ScanFixtureFolder(e, tree, "swap\\listed\\");
  ASSERT_EQ(EntryPaths(tree), (std::vector<std::string>{kLinkFx + "swap\\listed\\victim.tmp"}));
  // The swap: plain folders renamed, the link inside the staged one carried along.
  ASSERT_TRUE(MoveFileW(Widen(kLinkFx + "swap\\listed").c_str(), Widen(kLinkFx + "swap\\searched").c_str()));
  ASSERT_TRUE(MoveFileW(Widen(kLinkFx + "swap\\staged").c_str(), Widen(kLinkFx + "swap\\listed").c_str()));
  DeleteMarkedFilesCore(e, tree, NoTempPasses());
  EXPECT_EQ(e.FilesDeleted, 0);
  EXPECT_EQ(e.DeleteErrors, 1);
  EXPECT_EQ(EntryPaths(tree).size(), 1u);
  EXPECT_EQ(qz::test::ReadFileText(kLinkFx + "swap\\listed\\victim.tmp"), "canary b.bak\n");
  EXPECT_EQ(qz::test::ReadFileText(kLinkFx + "swap\\searched\\victim.tmp"), "victim\n");
}

// Names that differ only in case: the recycle is confirmed by what the file
// is, not by its name, which afterwards reaches the twin; and an entry whose
// own file is gone never stands for the twin.
TEST(DeleteHost, CaseTwinsAreToldApart) {
  if (!HaveLinkFixture() || !Exists(kLinkFx + "twins2\\Case.tmp")) GTEST_SKIP() << "host fixture not present";
  VTreeModel tree;
  DriveScanEngine e;
  ScanFixtureFolder(e, tree, "twins\\");
  const std::vector<std::string> listed = EntryPaths(tree);
  ASSERT_EQ(listed.size(), 1u);  // the twins are one path to the scan
  const std::string name = ExtractFileName(listed[0]);
  const std::string other = kLinkFx + "twins\\" + (name == "Case.tmp" ? "case.tmp" : "Case.tmp");
  const std::string otherText = name == "Case.tmp" ? "lower\n" : "Upper\n";
  DeleteMarkedFilesCore(e, tree, NoTempPasses());
  EXPECT_EQ(e.FilesDeleted, 1);
  EXPECT_EQ(e.DeleteErrors, 0);
  EXPECT_TRUE(EntryPaths(tree).empty()) << "an entry whose name now reaches the twin stayed";
  EXPECT_EQ(e.Totals.Marked, 0);
  EXPECT_EQ(qz::test::ReadFileText(other), otherText);
  ExpectInTrash(listed[0]);

  // The listed file vanished before the delete; its name reaches the twin.
  tree.Clear();
  VNode* cat = AddCategory(tree, "tmp", 0);
  AddCheckedEntry(tree, cat, kLinkFx + "twins2", "Case.tmp");
  RecomputeTotals(e, tree);
  ASSERT_TRUE(DeleteFileItself(kLinkFx + "twins2\\Case.tmp"));
  ASSERT_EQ(qz::test::ReadFileText(kLinkFx + "twins2\\Case.tmp"), "lower\n");
  int shellCalls = 0;
  DeleteHooks hooks;
  hooks.Recycle = [&](const std::string&) {
    ++shellCalls;
    return false;
  };
  DeleteMarkedFilesCore(e, tree, NoTempPasses(), hooks);
  EXPECT_EQ(shellCalls, 0);
  EXPECT_EQ(e.FilesDeleted, 1);
  EXPECT_EQ(e.DeleteErrors, 0);
  EXPECT_TRUE(EntryPaths(tree).empty());
  EXPECT_EQ(qz::test::ReadFileText(kLinkFx + "twins2\\case.tmp"), "lower\n");
}
