// Scanning and deleting the files of other browsers' profiles: the Firefox,
// Mozilla/Netscape and Opera layouts, links and unaddressable names (host
// fixture fixtures.sh), 64-bit sizes, refused folders, and the delete to the
// Recycle Bin with held, vanished and replaced files.
#include <gtest/gtest.h>

#include <algorithm>

#include "cleaning/drive/dc_fixture.h"
#include "cleaning/internet/ic_engine.h"
#include "core/disk.h"
#include "core/globals.h"
#include "ic_fixture.h"
#include "support/globals_guard.h"

namespace qz::ic::test {
namespace {

using dc::test::DriveDir;

class ProfileTest : public ::testing::Test {
 protected:
  ProfileTest() : key("ic_profiles"), dir("qzicprof"), engine(ScratchEnvironment(key, dir / "appdata\\"), &cache) { engine.BindTree(tree); }

  InternetCleanerSettings Settings(Browser b, const std::string& folder) {
    InternetCleanerSettings s;
    s.SelectedBrowser = b;
    s.ProfileFolder = folder;
    return s;
  }
  std::vector<std::string> Sorted(int kind) {
    std::vector<std::string> v = EntryTexts(tree, kind);
    std::sort(v.begin(), v.end());
    return v;
  }
  // Writes each path below the folder (relative) and returns the full paths, sorted.
  std::vector<std::string> Plant(const std::string& base, std::initializer_list<const char*> rels) {
    std::vector<std::string> out;
    for (const char* r : rels) out.push_back(DriveDir::WriteFileAt(base + r, std::string(7, 'x')));
    std::sort(out.begin(), out.end());
    return out;
  }

  qz::test::GlobalsGuard guard;
  qz::test::ScratchKey key;
  DriveDir dir;
  ui::VTreeModel tree;
  FakeUrlCache cache;
  InternetCleaner engine;
};

TEST_F(ProfileTest, MozillaFamilyLayout) {
  const std::string p = dir / "ff\\qz.default\\";
  const auto cacheFiles = Plant(p, {"Cache\\_CACHE_MAP_", "Cache\\0\\1A\\f1", "Cache\\0\\1A\\f2", "Cache\\0\\2B\\f3"});
  const auto cookies = Plant(p, {"cookies.txt"});
  Plant(p, {"history.dat", "localstore.rdf", "keep.txt", "Cache4\\not-mozilla"});
  for (Browser b : {Browser::Firefox, Browser::Mozilla, Browser::Netscape}) {
    ASSERT_EQ(engine.RunScan(Settings(b, " " + p + " ")), ScanOutcome::Found);
    EXPECT_EQ(Sorted(1), cacheFiles);
    EXPECT_EQ(Sorted(2), cookies);
    EXPECT_EQ(EntryTexts(tree, 3), (std::vector<std::string>{p + "history.dat", p + "localstore.rdf"}));
    EXPECT_EQ(engine.Counts.Totals.Found, 7);
    EXPECT_EQ(engine.Counts.Totals.FoundBytes, 7 * 7);
  }
  const InternetItemNode& d = tree.Data<InternetItemNode>(FindEntry(tree, p + "cookies.txt"));
  EXPECT_EQ(d.Kind, 2);
  EXPECT_TRUE(d.IsProfileFile);
  for (std::string_view s : {d.FileName(), d.LocalFile(), d.Caption(), d.Url()}) EXPECT_EQ(s, p + "cookies.txt");
  EXPECT_EQ(tree.Data<InternetItemNode>(engine.CategoryNode(ItemKind::Cookie)).Kind, 2);  // categories carry the kind
}

TEST_F(ProfileTest, OperaLayoutAndItsProfileFolder) {
  const std::string appData = dir / "appdata\\";
  EXPECT_EQ(OperaProfileFolder(engine.Environment()), appData + "Opera\\Opera\\profile");
  DriveDir::MakeDirs(appData + "Opera\\Opera7\\profile\\");
  EXPECT_EQ(OperaProfileFolder(engine.Environment()), appData + "Opera\\Opera7\\profile");
  DriveDir::MakeDirs(appData + "Opera\\Opera75\\profile\\");
  const std::string p = appData + "Opera\\Opera75\\profile\\";
  EXPECT_EQ(OperaProfileFolder(engine.Environment()), ExcludeTrailingBackslash(p));
  const auto cacheFiles = Plant(p, {"Cache4\\opr00001.tmp", "Cache4\\sub\\opr00002.tmp"});
  Plant(p, {"cookies4.dat", "vlink4.dat", "Cache\\not-opera", "cookies.txt"});
  ASSERT_EQ(engine.RunScan(Settings(Browser::Opera, "")), ScanOutcome::Found);
  EXPECT_EQ(Sorted(1), cacheFiles);
  EXPECT_EQ(EntryTexts(tree, 2), (std::vector<std::string>{p + "cookies4.dat"}));
  EXPECT_EQ(EntryTexts(tree, 3), (std::vector<std::string>{p + "vlink4.dat"}));
}

TEST_F(ProfileTest, NothingBehindALinkAndNoUnaddressableName) {
  // Host fixture: odd\Cache holds a link to the canary and two odd names;
  // linked\Cache is itself a link to the canary.
  const std::string odd = "D:\\qzicfx\\odd\\";
  ASSERT_TRUE(GetFileAttributesW(L"D:\\qzicfx\\odd\\Cache\\plain.bin") != INVALID_FILE_ATTRIBUTES)
      << "host fixture missing (tests/cleaning/internet/fixtures.sh create)";
  ASSERT_EQ(engine.RunScan(Settings(Browser::Firefox, odd)), ScanOutcome::Found);
  EXPECT_EQ(EntryTexts(tree, 1), (std::vector<std::string>{odd + "Cache\\plain.bin"}));
  EXPECT_EQ(EntryTexts(tree, 2), (std::vector<std::string>{odd + "cookies.txt"}));

  const std::string linked = "D:\\qzicfx\\linked\\";
  ASSERT_EQ(engine.RunScan(Settings(Browser::Firefox, linked)), ScanOutcome::Found);
  EXPECT_TRUE(EntryTexts(tree, 1).empty());
  EXPECT_EQ(EntryTexts(tree, 2), (std::vector<std::string>{linked + "cookies.txt"}));
}

TEST_F(ProfileTest, SizesAreSixtyFourBit) {
  const std::string p = dir / "big\\";
  ASSERT_TRUE(DriveDir::SizedFile(p + "Cache\\huge.bin", 5LL << 30));
  ASSERT_TRUE(DriveDir::SizedFile(p + "cookies.txt", (4LL << 30) + 3));
  ASSERT_EQ(engine.RunScan(Settings(Browser::Firefox, p)), ScanOutcome::Found);
  EXPECT_EQ(tree.Data<InternetItemNode>(FindEntry(tree, p + "Cache\\huge.bin")).Size, 5LL << 30);
  EXPECT_EQ(tree.Data<InternetItemNode>(FindEntry(tree, p + "cookies.txt")).Size, (4LL << 30) + 3);
  EXPECT_EQ(engine.Counts.Totals.FoundBytes, (9LL << 30) + 3);
}

TEST_F(ProfileTest, RefusedOrMissingProfilesListNothing) {
  for (const std::string& folder : {std::string("C:\\"), WinDir.empty() ? std::string("C:\\windows") : WinDir,
                                    dir / "appdata", dir / "ff\\..\\appdata", std::string("Profiles\\x")}) {
    EXPECT_EQ(engine.RunScan(Settings(Browser::Firefox, folder)), ScanOutcome::NothingFound) << folder;
    EXPECT_TRUE(EntryTexts(tree).empty()) << folder;
  }
  EXPECT_EQ(engine.RunScan(Settings(Browser::Firefox, "   ")), ScanOutcome::NothingFound);
  EXPECT_EQ(engine.RunScan(Settings(Browser::Mozilla, dir / "no-such-profile")), ScanOutcome::NothingFound);
}

TEST_F(ProfileTest, DeleteRecyclesOnlyCheckedFilesAndConfirmsThem) {
  const std::string p = dir / "del\\";
  Plant(p, {"Cache\\a1", "Cache\\a2", "Cache\\kept", "Cache\\held", "Cache\\vanished", "Cache\\replaced",
            "cookies.txt", "history.dat"});
  ASSERT_EQ(engine.RunScan(Settings(Browser::Firefox, p)), ScanOutcome::Found);
  tree.ChangeCheckState(FindEntry(tree, p + "Cache\\kept"), ui::CheckState::Unchecked);
  HANDLE held = CreateFileW(Widen(p + "Cache\\held").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(DeleteFileW(Widen(p + "Cache\\vanished").c_str()));
  ASSERT_TRUE(DeleteFileW(Widen(p + "Cache\\replaced").c_str()));
  DriveDir::MakeDirs(p + "Cache\\replaced\\");
  DriveDir::WriteFileAt(p + "Cache\\replaced\\inside.txt");

  EXPECT_EQ(engine.RunDelete(Settings(Browser::Firefox, p)), DeleteOutcome::Done);
  CloseHandle(held);
  const InternetCounters& c = engine.Counts;
  EXPECT_EQ(c.DeletedCount, 4);  // a1, a2, cookies.txt, history.dat
  EXPECT_EQ(c.DeletedBytes, 4 * 7);
  EXPECT_EQ(c.DeleteErrors, 2);  // held, replaced
  for (const char* gone : {"Cache\\a1", "Cache\\a2", "cookies.txt", "history.dat"}) {
    EXPECT_FALSE(dc::test::Exists(p + gone)) << gone;
    EXPECT_EQ(FindEntry(tree, p + gone), nullptr) << gone;
  }
  EXPECT_TRUE(dc::test::Exists(p + "Cache\\kept"));
  EXPECT_TRUE(dc::test::Exists(p + "Cache\\held"));
  EXPECT_TRUE(dc::test::Exists(p + "Cache\\replaced\\inside.txt"));
  EXPECT_NE(FindEntry(tree, p + "Cache\\held"), nullptr);
  EXPECT_EQ(tree.GetCheckState(FindEntry(tree, p + "Cache\\held")), ui::CheckState::Checked);
  EXPECT_EQ(engine.DeleteProgress().Position, 8);

  // The host's check after the run finds the recycled files in the trash.
  HANDLE f = CreateFileW(L"C:\\qztests\\expect-trash-ic.txt", FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
  for (const char* gone : {"Cache\\a1", "Cache\\a2", "cookies.txt", "history.dat"}) {
    const std::string line = p + gone + "\r\n";
    DWORD put = 0;
    WriteFile(f, line.data(), static_cast<DWORD>(line.size()), &put, nullptr);
  }
  CloseHandle(f);
}

TEST_F(ProfileTest, AFolderOnTheWayReplacedByALinkStopsTheDelete) {
  // Only the host can make a link: the fixture's linked profile stands in for
  // a profile whose Cache folder became a link after the scan.
  const std::string linked = "D:\\qzicfx\\linked\\";
  InternetItemNode rec;
  rec.Kind = 1;
  rec.IsProfileFile = true;
  rec.Text = linked + "Cache\\a.tmp";  // a canary file's name behind the link
  engine.RunScan(Settings(Browser::Firefox, dir / "none"));
  ui::VNode* n = tree.AddChild(engine.CategoryNode(ItemKind::Cache), std::move(rec));
  tree.SetCheckType(n, ui::CheckType::CheckBox);
  tree.SetCheckState(n, ui::CheckState::Checked);
  int recycled = 0;
  engine.Recycle = [&](const std::string&) { return ++recycled, true; };
  engine.RunDelete(Settings(Browser::Firefox, dir / "none"));
  EXPECT_EQ(recycled, 0);
  EXPECT_EQ(engine.Counts.DeleteErrors, 1);
}

}  // namespace
}  // namespace qz::ic::test
