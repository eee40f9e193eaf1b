// The result list built from the engine's groups, its totals and texts, the
// checks before a search, and the delete with its second look at each row.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>

#include "cleaning/dll/dll_search.h"
#include "core/disk.h"
#include "core/globals.h"
#include "core/pump.h"
#include "dll_fixture.h"

using namespace qz;
using namespace qz::dll;
using namespace qz::dll::test;
using ui::CheckState;
using ui::CheckType;
using ui::VNode;
using ui::VTreeModel;

namespace {

const NumberFormat kGerman{",", "."};

DllFile File(const std::string& path, int64_t size, const std::string& version) {
  DllFile f;
  f.Path = path;
  f.UpperPath = UpperLocale(path);
  f.Name = UpperLocale(ExtractFileName(path));
  f.Size = size;
  f.VersionText = version;
  f.Number = ParseVersionText(version);
  f.Date = "01.02.2003 04:05:06";
  return f;
}

// An engine output made by hand: one group of five copies.
void FillEngine(DllEngine& e) {
  e.Files = {File("C:\\Windows\\System32\\a.dll", 1048576, "5.1.2600.0 (xpclient.010817-1148)"),
             File("C:\\App\\a.dll", 2 * 1048576, "6, 0, 2800, 1106"),
             File("C:\\Old\\a.dll", 1048576, "4.71 Build 3110"),
             File("C:\\NoVer\\a.dll", 3 * 1048576, ""),
             File("C:\\Same\\a.dll", 1048576, "5.1.2600.0 (xpclient.010817-1148)")};
  e.DllGroups = {"A.DLL:\\X", "A.DLL:\\1", "A.DLL:\\3", "A.DLL:\\2", "A.DLL:\\4", "A.DLL:\\0"};
  e.DllReasons = {"0", "5", "2", "4", "1", "6"};
  e.FoldersEntered = 12;
  e.DllFilesSeen = 34;
}

std::vector<VNode*> Rows(VTreeModel& tree) {
  std::vector<VNode*> out;
  for (VNode* n = tree.GetFirst(); n; n = tree.GetNextSibling(n)) out.push_back(n);
  return out;
}

VNode* RowOf(VTreeModel& tree, const std::string& pathPart) {
  for (VNode* n = tree.GetFirst(); n; n = tree.GetNext(n)) {
    const DllNode& d = tree.Data<DllNode>(n);
    if (!d.IsGroup && d.FullPath.find(UpperLocale(pathPart)) != std::string::npos) return n;
  }
  return nullptr;
}

}  // namespace

TEST(DllRows, HeadersCopiesColoursAndCheckBoxes) {
  DllEngine e;
  FillEngine(e);
  VTreeModel tree;
  BuildDllRows(e, tree);
  const std::vector<VNode*> rows = Rows(tree);
  ASSERT_EQ(rows.size(), 6u);
  const DllNode& header = tree.Data<DllNode>(rows[0]);
  EXPECT_EQ(header.IsGroup, 1);
  EXPECT_EQ(header.Name, "A.DLL");
  EXPECT_EQ(tree.GetCheckType(rows[0]), CheckType::None);

  struct Want {
    const char* folder;
    const char* version;
    int reason;
    int color;
    CheckType check;
  };
  const Want want[] = {{"C:\\APP", "6. 0. 2800. 1106", 5, kRiskColor, CheckType::CheckBox},
                       {"C:\\NOVER", "", 2, kRiskColor, CheckType::CheckBox},
                       {"C:\\OLD", "4.71", 4, 0, CheckType::CheckBox},
                       {"C:\\SAME", "5.1.2600.0", 1, 0, CheckType::CheckBox},
                       {"C:\\WINDOWS\\SYSTEM32", "5.1.2600.0", 6, kRiskColor, CheckType::None}};
  for (size_t i = 0; i < 5; ++i) {
    SCOPED_TRACE(want[i].folder);
    const DllNode& d = tree.Data<DllNode>(rows[i + 1]);
    EXPECT_EQ(d.IsGroup, 0);
    EXPECT_EQ(d.Name, "A.DLL");
    EXPECT_EQ(d.Folder, want[i].folder);
    EXPECT_EQ(d.FullPath, std::string(want[i].folder) + "\\A.DLL");
    EXPECT_EQ(d.Version, want[i].version);
    EXPECT_EQ(d.Reason, want[i].reason);
    EXPECT_EQ(d.TextColor, want[i].color);
    EXPECT_EQ(tree.GetCheckType(rows[i + 1]), want[i].check);
    EXPECT_EQ(tree.GetCheckState(rows[i + 1]), CheckState::Unchecked);
    EXPECT_EQ(d.Date, "01.02.2003 04:05:06");
  }
  // A copy with a fixed version but no text shows the number.
  e.Files[4].VersionText.clear();
  e.Files[4].Number = ParseVersionText("7.1");
  BuildDllRows(e, tree);
  EXPECT_EQ(tree.Data<DllNode>(RowOf(tree, "SAME")).Version, "7.1.0.0");
}

TEST(DllRows, CountsLabelsAndSummary) {
  DllEngine e;
  FillEngine(e);
  VTreeModel tree;
  BuildDllRows(e, tree);
  cleaning::ResultTotals c = RecountDllSelection(tree);
  EXPECT_EQ(c.Found, 5);
  EXPECT_EQ(c.FoundBytes, 8 * 1048576);
  EXPECT_EQ(FilesLabelText(c), "0 / 5");
  EXPECT_EQ(BytesLabelText(c, kGerman), "0,000 MB / 8,000 MB");

  // Marking through the checking handler keeps the counts in step; a
  // reference row and a header are never marked.
  tree.OnChecking = [&](VNode* n, CheckState s) { return TrackDllCheck(tree, c, n, s); };
  EXPECT_TRUE(tree.ChangeCheckState(RowOf(tree, "APP"), CheckState::Checked));
  EXPECT_TRUE(tree.ChangeCheckState(RowOf(tree, "OLD"), CheckState::Checked));
  EXPECT_FALSE(TrackDllCheck(tree, c, RowOf(tree, "SYSTEM32"), CheckState::Checked));
  EXPECT_FALSE(TrackDllCheck(tree, c, tree.GetFirst(), CheckState::Checked));
  EXPECT_EQ(FilesLabelText(c), "2 / 5");
  EXPECT_EQ(BytesLabelText(c, kGerman), "3,000 MB / 8,000 MB");
  EXPECT_TRUE(tree.ChangeCheckState(RowOf(tree, "APP"), CheckState::Unchecked));
  EXPECT_EQ(c.Marked, 1);
  EXPECT_EQ(c.MarkedBytes, 1048576);
  const cleaning::ResultTotals again = RecountDllSelection(tree);
  EXPECT_EQ(again.Marked, c.Marked);
  EXPECT_EQ(again.MarkedBytes, c.MarkedBytes);

  // Large totals: thousands separators in the labels.
  cleaning::ResultTotals big;
  big.Found = 3;
  big.FoundBytes = int64_t{1234} * 1048576 + 524288;
  EXPECT_EQ(BytesLabelText(big, kGerman), "0,000 MB / 1.234,500 MB");

  EXPECT_EQ(SummaryText(c, e.DllFilesSeen, e.FoldersEntered, {}, kGerman),
            "Es wurden insgesammt 5 Dateien gefunden welche 8,00 MB belegen.<br>"
            "Davon sind 1 Dateien zum Löschen markiert welche 1,00 MB belegen.<br>"
            "Es wurden insgesammt 34 DLL-Dateien in 12 Ordnern untersucht.");
  const TranslateFn tr = [](const std::string& key, const std::string&) {
    return key == "MESSAGE_Result" ? std::string("%6|%5|%4|%3|%2|%1") : std::string("?");
  };
  EXPECT_EQ(SummaryText(c, 34, 12, tr, kGerman), "12|34|1,00|1|8,00|5");
}

TEST(DllRows, RedQuestionAndReasonLines) {
  DllEngine e;
  FillEngine(e);
  VTreeModel tree;
  BuildDllRows(e, tree);
  EXPECT_FALSE(HasRiskyMarkedRow(tree));
  tree.SetCheckState(RowOf(tree, "OLD"), CheckState::Checked);
  EXPECT_FALSE(HasRiskyMarkedRow(tree));
  tree.SetCheckState(RowOf(tree, "NOVER"), CheckState::Checked);
  EXPECT_TRUE(HasRiskyMarkedRow(tree));

  EXPECT_EQ(ReasonLines(0), std::make_pair(std::string("Nicht verfügbar"), std::string("Nicht verfügbar")));
  std::vector<std::string> keys;
  const TranslateFn tr = [&](const std::string& key, const std::string& german) {
    keys.push_back(key);
    return german;
  };
  for (int r = 1; r <= 6; ++r) {
    const auto lines = ReasonLines(r, tr);
    EXPECT_FALSE(lines.first.empty());
    EXPECT_NE(lines.first, lines.second);
  }
  EXPECT_EQ(keys.size(), 12u);
  EXPECT_EQ(keys.front(), "MESSAGE_Grund1_1");
  EXPECT_EQ(keys.back(), "MESSAGE_Grund6_2");
  EXPECT_EQ(ReasonLines(5).first, "Die Versionsnummer dieser DLL ist größer als die DLL im Windows-Systemverzeichnis.");
}

TEST(DllSearchStart, DrivesAndTheWindowsDrive) {
  EXPECT_EQ(CheckDllSearchStart("", "C:\\windows"), DllSearchStart::NoDrives);
  EXPECT_EQ(CheckDllSearchStart("D", "C:\\windows"), DllSearchStart::NoWinDrive);
  EXPECT_EQ(CheckDllSearchStart("d", "c:\\windows"), DllSearchStart::NoWinDrive);
  EXPECT_EQ(CheckDllSearchStart("CD", "C:\\windows"), DllSearchStart::Ok);
  EXPECT_EQ(CheckDllSearchStart("D", "\\\\server\\windows"), DllSearchStart::Ok);
  EXPECT_NE(NoWinDriveMessage().find("Windows derzeit installiert"), std::string::npos);
}

// ---- delete over real files -----------------------------------------------------

namespace {

class DllDeleteTest : public ::testing::Test {
 protected:
  void SetUp() override { AbortFlag = 0; }
  void TearDown() override { AbortFlag = 0; }

  // Searches the tree and lists its rows.
  void SearchAndList() {
    e.Folders = t.Folders();
    e.BeginSearch();
    e.SearchDllFolder(t.path());
    e.FormGroups();
    BuildDllRows(e, tree);
  }
  void Mark(const std::string& part) {
    VNode* n = RowOf(tree, part);
    ASSERT_NE(n, nullptr) << part;
    tree.SetCheckState(n, CheckState::Checked);
  }

  DllTree t{"delete"};
  DllEngine e;
  VTreeModel tree;
};

}  // namespace

// One copy goes, one held open fails and stays, one changed since the search
// fails and stays, a vanished one counts as deleted, a reference row marked
// by code and a copy newly named in SharedDLLs are refused.
TEST_F(DllDeleteTest, SecondLookAtEveryRow) {
  t.Plant("qzfx64_2", "win\\System32\\QZD.DLL");
  const std::string ok = t.Plant("qzfx64_1", "ok\\QZD.DLL");
  const std::string held = t.Plant("qzfx64_1", "held\\QZD.DLL");
  const std::string changed = t.Plant("qzfx64_1", "changed\\QZD.DLL");
  const std::string vanished = t.Plant("qzfx64_1", "vanished\\QZD.DLL");
  const std::string shared = t.Plant("qzfx64_1", "shared\\QZD.DLL");
  const std::string touched = t.Plant("qzfx64_1", "touched\\QZD.DLL");
  SearchAndList();
  ASSERT_EQ(RecountDllSelection(tree).Found, 7);
  for (const char* p : {"\\OK\\", "\\HELD\\", "\\CHANGED\\", "\\VANISHED\\", "\\SHARED\\", "\\TOUCHED\\", "SYSTEM32"})
    Mark(p);

  HANDLE h = CreateFileW(Widen(held).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  WriteFileBytes(changed, "now a different file");
  DeleteFileW(Widen(vanished).c_str());
  // Same size, another last-write time.
  HANDLE th = CreateFileW(Widen(touched).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  FILETIME ft{0x12345678, 0x01D00000};
  SetFileTime(th, nullptr, nullptr, &ft);
  CloseHandle(th);
  PlantedValue sharedNow(kSharedDllsKey, shared, "");

  std::vector<std::string> shown;
  DllDeleteHooks hooks;
  hooks.OnFile = [&](const std::string& path, int64_t position) {
    shown.push_back(path);
    EXPECT_EQ(position, static_cast<int64_t>(shown.size()));
  };
  const DllDeleteResult r = DeleteMarkedDllsCore(tree, t.Folders(), hooks);
  CloseHandle(h);
  EXPECT_EQ(r.Deleted, 2);  // ok and vanished
  EXPECT_EQ(r.Failed, 5);
  EXPECT_EQ(shown.size(), 7u);
  EXPECT_FALSE(Exists(ok));
  ExpectInTrash(ok);
  for (const std::string& p : {held, changed, shared, touched, t / "win\\System32\\QZD.DLL"}) EXPECT_TRUE(Exists(p)) << p;
  EXPECT_EQ(RowOf(tree, "\\OK\\"), nullptr);
  EXPECT_EQ(RowOf(tree, "\\VANISHED\\"), nullptr);
  for (const char* p : {"\\HELD\\", "\\CHANGED\\", "\\SHARED\\", "\\TOUCHED\\", "SYSTEM32"}) {
    ASSERT_NE(RowOf(tree, p), nullptr) << p;
    EXPECT_EQ(tree.GetCheckState(RowOf(tree, p)), CheckState::Checked) << p;
  }
  EXPECT_EQ(tree.Data<DllNode>(tree.GetFirst()).IsGroup, 1);  // the header stays
  EXPECT_EQ(RecountDllSelection(tree).Found, 5);
  EXPECT_EQ(DeletedMessage(r), "Es wurden 2 DLL-Dateien gelöscht.\rDabei traten 5 Fehler auf.");
}

TEST_F(DllDeleteTest, RowChecks) {
  t.Plant("qzfx64_2", "win\\System32\\QZE.DLL");
  t.Plant("qzfx64_1", "app\\QZE.DLL");
  SearchAndList();
  const DllPlaces places(t.Folders());
  DllReferences refs;
  const DllNode& app = tree.Data<DllNode>(RowOf(tree, "\\APP\\"));
  EXPECT_EQ(CheckDllRow(app, places, refs), DllRowCheck::Ready);
  refs.AddKnownName("QZE.DLL");
  EXPECT_EQ(CheckDllRow(app, places, refs), DllRowCheck::Referenced);
  EXPECT_EQ(CheckDllRow(tree.Data<DllNode>(RowOf(tree, "SYSTEM32")), places, DllReferences{}),
            DllRowCheck::Reference);
  DllNode inStore = app;
  inStore.FilePath = t / "win\\WinSxS\\x\\QZE.DLL";
  EXPECT_EQ(CheckDllRow(inStore, places, DllReferences{}), DllRowCheck::Protected);
}

// Cancel after the first file: the rest stays marked in the list.
TEST_F(DllDeleteTest, CancelKeepsTheRemainingRows) {
  t.Plant("qzfx64_2", "win\\System32\\QZF.DLL");
  std::vector<std::string> copies;
  for (const char* d : {"a", "b", "c"}) copies.push_back(t.Plant("qzfx64_1", std::string(d) + "\\QZF.DLL"));
  SearchAndList();
  for (const char* p : {"\\A\\", "\\B\\", "\\C\\"}) Mark(p);
  DllDeleteHooks hooks;
  hooks.Recycle = [](const std::string& path) {
    AbortFlag = 1;
    const bool ok = RecycleFileQuiet(path);
    if (ok) ExpectInTrash(path);
    return ok;
  };
  const DllDeleteResult r = DeleteMarkedDllsCore(tree, t.Folders(), hooks);
  EXPECT_EQ(r.Deleted, 1);
  EXPECT_EQ(r.Failed, 0);
  EXPECT_FALSE(Exists(copies[0]));
  EXPECT_TRUE(Exists(copies[1]));
  EXPECT_TRUE(Exists(copies[2]));
  EXPECT_EQ(RecountDllSelection(tree).Marked, 2);
}
