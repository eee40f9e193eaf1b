// The wipe engine: the bytes of every pass, the names, and how each failing
// step is counted and left in the list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/disk.h"
#include "core/globals.h"
#include "core/translation.h"
#include "filetools/common/faulty_fs.h"
#include "filetools/wipe/wipe_engine.h"
#include "filetools/wipe/wipe_list.h"
#include "support/globals_guard.h"
#include "support/sandbox.h"

namespace qz::fw {
namespace {

using ft::test::Exists;
using ft::test::FaultyFileSystem;
using ft::test::Listing;
using ft::test::Pattern;
using ft::test::ReadBytes;
using ft::test::WriteBytes;
using Names = std::vector<std::string>;

std::string Hex(const std::string& s, size_t n) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (size_t i = 0; i < n && i < s.size(); ++i) {
    if (i && i % 4 == 0) out.push_back(' ');
    out.push_back(digits[static_cast<uint8_t>(s[i]) >> 4]);
    out.push_back(digits[static_cast<uint8_t>(s[i]) & 15]);
  }
  return out;
}

std::string Stream(uint32_t seed, size_t size) {
  WipeRandom r(seed);
  std::string s(size, '\0');
  r.Fill(reinterpret_cast<uint8_t*>(s.data()), size);
  return s;
}

TEST(WipeRandomTest, StreamAndNames) {
  EXPECT_EQ(Hex(Stream(0, 16), 16), "00000000 02420404 0ED6366E 4D2CEE19");
  EXPECT_EQ(Hex(Stream(12345, 16), 16), "8E2A5331 CB900925 F9C1340A E1B1DC46");
  // One stream cut at the size: a tail is the start of the next words.
  const std::string whole = Stream(77, 4096);
  for (size_t cut : {1u, 3u, 255u, 257u, 1023u})
    EXPECT_EQ(Stream(77, cut), whole.substr(0, cut)) << cut;
  WipeRandom a(0), b(12345);
  EXPECT_EQ(a.Name(), "AAWFHRIEJLCM");
  EXPECT_EQ(b.Name(), "KHCOQILCAYZI");
  // Bit 31 of every word stays clear.
  const std::string big = Stream(99, 4000);
  for (size_t i = 3; i < big.size(); i += 4) EXPECT_EQ(static_cast<uint8_t>(big[i]) & 0x80, 0);
}

TEST(WipeMethods, Table) {
  const int passes[] = {1, 3, 3, 7, 35};
  for (int m = 1; m <= 5; ++m) EXPECT_EQ(WipeMethodByNumber(m).Passes.size(), static_cast<size_t>(passes[m - 1]));
  EXPECT_EQ(WipeMethodByNumber(0).Number, 1);
  EXPECT_EQ(WipeMethodByNumber(7).Number, 1);
  EXPECT_EQ(WipeMethodByNumber(4).Label, std::string("DoD 5220.22-M"));
  EXPECT_EQ(WipeMethodByNumber(5).Label, std::string("Gutmann"));
}

class WipeTest : public ::testing::Test {
 protected:
  test::GlobalsGuard globals;
  test::ScratchDir dir{"fw_engine"};
  ui::VTreeModel tree;
  WipeList list{tree};

  void SetUp() override {
    AbortFlag = 0;
    TranslationList.clear();
  }
  std::vector<std::string> ListedPaths() {
    std::vector<std::string> out;
    for (ui::VNode* n = tree.GetFirst(); n; n = tree.GetNext(n)) out.push_back(tree.Data<TWipeEntry>(n).Path);
    return out;
  }
};

// Every pass of every method, read back after the pass.
TEST_F(WipeTest, EveryPassWritesItsBytesOverTheWholeFile) {
  const size_t sizes[] = {0, 1, 255, 256, 257, 8191, 8192, 8193, (1u << 20) + 1};
  for (int method = 1; method <= 5; ++method) {
    for (size_t size : sizes) {
      const std::string path = dir / "f.bin";
      ASSERT_TRUE(WriteBytes(path, Pattern(size)));
      std::vector<uint32_t> seeds;
      std::vector<int> values;
      std::vector<int> percents;
      WipeHooks hooks;
      hooks.Seed = [&] {
        seeds.push_back(seeds.size() % 2 ? 12345u : 0u);
        return seeds.back();
      };
      hooks.OnPercent = [&](int p) { percents.push_back(p); };
      hooks.OnPassDone = [&](const std::string& p, int pass, int value) {
        EXPECT_EQ(p, path);
        EXPECT_EQ(pass, static_cast<int>(values.size()) + 1);
        values.push_back(value);
        const std::string now = ReadBytes(path);
        ASSERT_EQ(now.size(), size) << "method " << method << " pass " << pass;
        if (value == kRandomPass)
          EXPECT_TRUE(size == 0 || now == Stream(seeds.back(), size)) << "method " << method << " size " << size;
        else
          EXPECT_EQ(now, std::string(size, static_cast<char>(value))) << "method " << method << " size " << size;
      };
      WipeEngine engine;
      std::string p = path;
      ASSERT_EQ(engine.WipeFile(p, {method, false, false, true}, hooks), WipeResult::Destroyed);
      EXPECT_EQ(values, WipeMethodByNumber(method).Passes);
      if (size > 0) {
        ASSERT_FALSE(percents.empty());
        EXPECT_EQ(percents.front(), 0);
        EXPECT_EQ(percents.back(), 100);
        for (size_t i = 1; i < percents.size(); ++i) EXPECT_GT(percents[i], percents[i - 1]);
      }
    }
  }
}

TEST_F(WipeTest, SeedsAndBufferBoundary) {
  // The reseed of each random pass; the stream runs on across the 1 MiB
  // buffer boundary.
  const std::string path = dir / "f.bin";
  const size_t size = (1u << 20) + 300;
  ASSERT_TRUE(WriteBytes(path, Pattern(size)));
  WipeHooks hooks;
  hooks.Seed = [] { return 12345u; };
  WipeEngine engine;
  ASSERT_EQ(engine.OverwritePass(path, kRandomPass, 1, 1, hooks), PassResult::Done);
  const std::string now = ReadBytes(path);
  EXPECT_EQ(Hex(now, 16), "8E2A5331 CB900925 F9C1340A E1B1DC46");
  EXPECT_TRUE(now == Stream(12345, size));
}

TEST_F(WipeTest, RenameDrawsATakenNameAgain) {
  WipeEngine engine;
  const std::string f = dir.Write("a.txt", "x");
  dir.Write("AAWFHRIEJLCM", "taken");
  engine.Random().SetSeed(0);
  WipeRandom expected(0);
  expected.Name();
  const std::string second = expected.Name();
  EXPECT_EQ(engine.RenameToRandomName(f), dir / second);
  EXPECT_EQ(ReadBytes(dir / "AAWFHRIEJLCM"), "taken");
  EXPECT_EQ(engine.RenameToRandomName(dir / "missing.txt"), "");
}

TEST_F(WipeTest, ListedFilesAreDestroyedAndLeaveTheList) {
  const std::string a = dir.Write("a.txt", Pattern(5000));
  const std::string empty = dir.Write("empty.txt", "");
  const std::string ro = dir.Write("ro.txt", "read-only");
  const std::string hs = dir.Write("hs.txt", "hidden, system");
  SetFileAttributesW(Widen(ro).c_str(), FILE_ATTRIBUTE_READONLY);
  SetFileAttributesW(Widen(hs).c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  for (const auto& p : {a, empty, ro, hs}) list.AddWipeEntry(nullptr, p);
  int emptyPasses = 0;
  WipeHooks hooks;
  hooks.OnPassDone = [&](const std::string& p, int, int) { emptyPasses += p == empty; };
  std::vector<int64_t> progress;
  hooks.OnProgress = [&](int64_t p) { progress.push_back(p); };
  WipeEngine engine;
  WipeTotals t = engine.WipeFiles(tree, {3, true, true, false}, false, hooks);
  EXPECT_EQ(t.Destroyed, 4);
  EXPECT_EQ(t.Errors, 0);
  EXPECT_TRUE(tree.IsEmpty());
  EXPECT_EQ(emptyPasses, 3);  // an empty file still has its passes counted
  EXPECT_EQ(progress, (std::vector<int64_t>{1, 2, 3, 4}));
  EXPECT_TRUE(Listing(dir.path()).empty());
  EXPECT_EQ(WipeSummaryText(t), "Es wurden 4 Dateien und Ordner vernichtet.");
}

TEST_F(WipeTest, LockedAndMissingFilesCountOneErrorEachAndTheRunGoesOn) {
  const std::string locked = dir.Write("locked.txt", "locked");
  const std::string after = dir.Write("after.txt", "after");
  list.AddWipeEntry(nullptr, dir / "missing.txt");
  list.AddWipeEntry(nullptr, locked);
  list.AddWipeEntry(nullptr, after);
  HANDLE h = CreateFileW(Widen(locked).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  WipeEngine engine;
  WipeTotals t = engine.WipeFiles(tree, {1, true, true, false}, false);
  CloseHandle(h);
  EXPECT_EQ(t.Destroyed, 1);
  EXPECT_EQ(t.Errors, 2);
  EXPECT_EQ(ListedPaths(), (Names{dir / "missing.txt", locked}));
  EXPECT_EQ(ReadBytes(locked), "locked");
  EXPECT_FALSE(Exists(after));
}

// Each failing step: one error, the file stays listed under its current path
// with its attributes back.
TEST_F(WipeTest, EveryStepsResultCounts) {
  struct Case {
    const char* name;
    std::function<void(FaultyFileSystem&)> fault;
    bool renamed;         // the file is under a random name afterwards
    bool overwritten;     // its bytes are zeros
  } cases[] = {
      {"failed attribute reset", [](FaultyFileSystem& fs) { fs.attributesError = "victim"; }, false, false},
      {"short write", [](FaultyFileSystem& fs) { fs.shortWrite = "victim"; fs.writeLimit = 3000; }, false, false},
      {"failed flush", [](FaultyFileSystem& fs) { fs.flushError = "victim"; }, false, true},
      {"failed rename", [](FaultyFileSystem& fs) { fs.renameError = "victim"; }, false, true},
      {"failed delete", [](FaultyFileSystem& fs) { fs.deleteError = ""; }, true, true},
  };
  for (const Case& c : cases) {
    tree.Clear();
    test::ScratchDir d("fw_engine_fault");
    const std::string victim = d.Write("victim.txt", Pattern(5000));
    SetFileAttributesW(Widen(victim).c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    list.AddWipeEntry(nullptr, victim);
    FaultyFileSystem fs;
    c.fault(fs);
    WipeEngine engine(fs);
    int pathChanges = 0;
    WipeHooks hooks;
    hooks.OnPathChanged = [&](ui::VNode* n) {
      ++pathChanges;
      list.PathChanged(n);
    };
    WipeTotals t = engine.WipeFiles(tree, {1, true, true, false}, false, hooks);
    EXPECT_EQ(t.Destroyed, 0) << c.name;
    EXPECT_EQ(t.Errors, 1) << c.name;
    ASSERT_EQ(tree.TotalCount(), 1u) << c.name;
    const std::string now = tree.Data<TWipeEntry>(tree.GetFirst()).Path;
    EXPECT_EQ(now != victim, c.renamed) << c.name;
    EXPECT_EQ(pathChanges, c.renamed ? 1 : 0) << c.name;
    EXPECT_TRUE(list.ContainsFile(now)) << c.name;
    EXPECT_EQ(Listing(d.path()), Names{ExtractFileName(now)}) << c.name;
    EXPECT_EQ(ReadBytes(now) == std::string(5000, '\0'), c.overwritten) << c.name;
    EXPECT_EQ(GetFileAttributesW(Widen(now).c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | 4),
              FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN)
        << c.name;
    SetFileAttributesW(Widen(now).c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

TEST_F(WipeTest, CancelInPassThreeLeavesTheFileInHand) {
  const std::string big = dir.Write("big.bin", Pattern(3u << 20));
  const std::string next = dir.Write("next.txt", "next");
  list.AddWipeEntry(nullptr, big);
  list.AddWipeEntry(nullptr, next);
  WipeHooks hooks;
  int lastPass = 0;
  hooks.OnPassDone = [&](const std::string&, int pass, int) { lastPass = pass; };
  hooks.OnPercent = [&](int p) {
    if (p >= 30) AbortFlag = 1;  // within pass 3 of 7
  };
  bool emptied = false;
  hooks.EmptyRecycleBin = [&] { return emptied = true; };
  WipeEngine engine;
  WipeTotals t = engine.WipeFiles(tree, {4, true, true, false}, true, hooks);
  EXPECT_EQ(lastPass, 2);
  EXPECT_EQ(t.Destroyed, 0);
  EXPECT_EQ(t.Errors, 0);
  EXPECT_FALSE(emptied);
  EXPECT_EQ(ListedPaths(), (Names{big, next}));
  EXPECT_EQ(Listing(dir.path()), (Names{"big.bin", "next.txt"}));
  EXPECT_EQ(ReadBytes(next), "next");

  // The same in test mode without renaming.
  AbortFlag = 0;
  WipeTotals t2 = engine.WipeFiles(tree, {4, false, true, true}, false, hooks);
  EXPECT_EQ(t2.Destroyed, 0);
  EXPECT_EQ(ListedPaths(), (Names{big, next}));
}

TEST_F(WipeTest, TestModeOverwritesAndCountsButDeletesNothing) {
  for (bool rename : {false, true}) {
    tree.Clear();
    test::ScratchDir d("fw_engine_testmode");
    const std::string a = d.Write("a.txt", Pattern(5000));
    const std::string f1 = d.Write("F\\f1.txt", Pattern(300));
    list.AddWipeEntry(nullptr, a);
    list.AddWipeFolder(nullptr, d / "F");
    bool emptied = false;
    WipeHooks hooks;
    hooks.EmptyRecycleBin = [&] { return emptied = true; };
    WipeEngine engine;
    WipeTotals t = engine.WipeFiles(tree, {1, rename, true, true}, true, hooks);
    EXPECT_EQ(t.Destroyed, 2);
    EXPECT_EQ(t.Errors, 0);
    EXPECT_FALSE(emptied);
    // The folder entry stays; the files left the list.
    EXPECT_EQ(ListedPaths(), Names{d / "F"});
    Names top = Listing(d.path()), inF = Listing(d / "F");
    ASSERT_EQ(top.size(), 2u);
    ASSERT_EQ(inF.size(), 1u);
    if (rename) {
      const std::string renamed = top[0] == "F" ? top[1] : top[0];
      EXPECT_EQ(renamed.size(), 12u);
      EXPECT_EQ(renamed.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), std::string::npos);
      EXPECT_EQ(inF[0].find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), std::string::npos);
      EXPECT_EQ(ReadBytes(d / renamed), std::string(5000, '\0'));
    } else {
      EXPECT_EQ(top, (Names{"F", "a.txt"}));
      EXPECT_EQ(ReadBytes(a), std::string(5000, '\0'));
      EXPECT_EQ(ReadBytes(f1), std::string(300, '\0'));
    }
  }
}

TEST_F(WipeTest, FolderPhaseRemovesOnlyWhatBecameEmpty) {
  const std::string a = dir.Write("A.txt", "a");
  dir.Write("F\\f1.txt", "f1");
  dir.Write("F\\S\\s1.txt", "s1");
  dir.MakeDir("F2");                       // an empty sibling whose name begins with F
  dir.Write("G\\g1.txt", "g1");
  const std::string locked = dir.Write("G\\T\\locked.txt", "locked");
  list.AddWipeEntry(nullptr, a);
  list.AddWipeFolder(nullptr, dir / "F");
  list.AddWipeFolder(nullptr, dir / "G");
  EXPECT_EQ(tree.TotalCount(), 9u);
  HANDLE h = CreateFileW(Widen(locked).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  WipeEngine engine;
  WipeTotals t = engine.WipeFiles(tree, {1, true, true, false}, false);
  CloseHandle(h);
  // A, f1, s1, F (with S), g1; errors: the locked file, G and G\T.
  EXPECT_EQ(t.Destroyed, 5);
  EXPECT_EQ(t.Errors, 3);
  EXPECT_EQ(ListedPaths(), (Names{dir / "G", dir / "G\\T", locked}));
  EXPECT_EQ(Listing(dir.path()), (Names{"F2", "G"}));
  EXPECT_EQ(Listing(dir / "G\\T"), Names{"locked.txt"});
  EXPECT_EQ(WipeSummaryText(t),
            "Es wurden 5 Dateien und Ordner vernichtet.\rAber 3 Dateien und Ordner konnten nicht vernichtet werden. "
            "Vermutlich sind diese noch geöffnet oder vom System gesperrt.");
}

TEST_F(WipeTest, BinIsEmptiedOnlyWhenAskedAndItsFailureCounts) {
  dir.Write("a.txt", "a");
  list.AddWipeEntry(nullptr, dir / "a.txt");
  int calls = 0;
  WipeHooks hooks;
  hooks.EmptyRecycleBin = [&] {
    ++calls;
    return false;
  };
  WipeEngine engine;
  WipeTotals t = engine.WipeFiles(tree, {1, true, true, false}, true, hooks);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(t.Destroyed, 1);
  EXPECT_EQ(t.Errors, 1);
  engine.WipeFiles(tree, {1, true, true, false}, false, hooks);
  EXPECT_EQ(calls, 1);
}

TEST_F(WipeTest, LinksAreNeverWrittenThroughNorListed) {
  const std::string fx = "C:\\qztests\\fixtures\\wipe\\";
  ASSERT_TRUE(Exists(fx + "marker\\keep.txt")) << "fixtures.sh create has not run";
  const std::string marker = ReadBytes(fx + "marker\\keep.txt");
  // A file link given as a file entry (a drop); a folder link is a folder,
  // never a file entry, unless it took a listed file's place afterwards.
  list.AddWipeEntry(nullptr, fx + "entries\\file-link.txt");
  EXPECT_EQ(list.AddWipeEntry(nullptr, fx + "entries\\dir-link"), nullptr);
  tree.AddChild(nullptr, TWipeEntry{fx + "entries\\dir-link", 0, {}});
  // A folder holding a folder link: the link is neither listed nor removed.
  ASSERT_NE(list.AddWipeFolder(nullptr, fx + "folder\\F"), nullptr);
  EXPECT_EQ(list.AddWipeFolder(nullptr, fx + "entries\\dir-link"), nullptr);
  EXPECT_EQ(ListedPaths(), (Names{fx + "entries\\file-link.txt", fx + "entries\\dir-link", fx + "folder\\F",
                                  fx + "folder\\F\\f1.txt"}));
  WipeEngine engine;
  WipeTotals t = engine.WipeFiles(tree, {2, true, true, false}, false);
  EXPECT_EQ(t.Destroyed, 1);  // f1
  EXPECT_EQ(t.Errors, 3);     // the two links, and F (it still holds the link)
  EXPECT_EQ(ReadBytes(fx + "marker\\keep.txt"), marker);
  EXPECT_EQ(Listing(fx + "folder\\F"), Names{"marker-link"});
  EXPECT_EQ(Listing(fx + "entries"), (Names{"dir-link", "file-link.txt"}));
  EXPECT_EQ(Listing(fx + "marker"), Names{"keep.txt"});
}

TEST(WipeSummary, EnglishFromTheLanguageFile) {
  test::GlobalsGuard globals;
  TranslationList = {"[TForm_FW]", "||MESSAGE_WipeDone=%1 files and folders were destroyed.",
                     "||MESSAGE_WipeErrors=But %2 could not be destroyed.", "||END="};
  EXPECT_EQ(WipeSummaryText({3, 2}), "3 files and folders were destroyed.\rBut 2 could not be destroyed.");
}

}  // namespace
}  // namespace qz::fw
