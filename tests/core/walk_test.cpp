// Folder walks and folder removal: masks, "." folders, links that are never
// followed or removed, AbortFlag, attributes kept, names no path can address.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "core/disk.h"
#include "core/globals.h"
#include "core/pump.h"
#include "core/text.h"
#include "support/pump_clock.h"
#include "support/sandbox.h"

namespace qz {
namespace {

// Made by tests/core/fixtures.sh (run by ./test.sh): links and names that
// Wine cannot make from inside.
const std::string kFixtures = "C:\\qztests\\fixtures\\core\\";

StringList Sorted(StringList l) {
  std::sort(l.begin(), l.end());
  return l;
}

struct AbortReset {
  ~AbortReset() {
    AbortFlag = 0;
    SetMessagePump(nullptr);
  }
};

TEST(Walks, FindFilesTakesMatchingFilesOnly) {
  test::ScratchDir d("core-findfiles");
  d.Write("a.tmp");
  d.Write("b.txt");
  d.Write(".dot.tmp");
  d.Write("b.dmpx");
  d.Write("crash.dmp");
  d.MakeDir("c.tmp");
  StringList l;
  FindFiles(d.path(), "*.tmp", l);
  EXPECT_EQ(Sorted(l), (StringList{d / ".dot.tmp", d / "a.tmp"}));
  l.clear();
  // FindFirstFile also returns b.dmpx here (through its 8.3 alias).
  FindFiles(d.path(), "*.dmp", l);
  EXPECT_EQ(l, (StringList{d / "crash.dmp"}));
  l = {"kept"};
  FindFiles(d.path(), "*.*", l);
  EXPECT_EQ(l.size(), 6u);  // appends after what was there
  EXPECT_EQ(l[0], "kept");
  l.clear();
  FindFiles(d / "missing\\", "*.*", l);
  EXPECT_TRUE(l.empty());
}

TEST(Walks, RecursionSkipsDotFoldersAndListsFilesBeforeSubfolders) {
  test::ScratchDir d("core-recursive");
  d.Write("top.tmp");
  d.Write("sub\\mid.tmp");
  d.Write("sub\\deeper\\low.tmp");
  d.Write("sub\\deeper\\low.txt");
  d.Write(".git\\hidden.tmp");
  d.Write("x.y\\dotted.tmp");  // a "." inside the name is fine
  StringList l;
  FindFilesRecursive(d.path(), "*.tmp", l);
  EXPECT_EQ(Sorted(l), Sorted({d / "top.tmp", d / "sub\\mid.tmp", d / "sub\\deeper\\low.tmp",
                               d / "x.y\\dotted.tmp"}));
  auto at = [&](const std::string& f) { return std::find(l.begin(), l.end(), d / f) - l.begin(); };
  EXPECT_LT(at("top.tmp"), at("sub\\mid.tmp"));
  EXPECT_LT(at("sub\\mid.tmp"), at("sub\\deeper\\low.tmp"));
  StringList none;
  FindFilesRecursive(d.path(), "", none);
  EXPECT_TRUE(none.empty()) << "an empty mask takes no file";

  StringList subs;
  ListSubfolders(d.path(), subs);
  EXPECT_EQ(Sorted(subs), (StringList{"sub", "x.y"}));
}

TEST(Walks, AbortFlagStopsEveryWalk) {
  AbortReset reset;
  test::ScratchDir d("core-abort");
  d.Write("a.tmp");
  d.Write("sub\\b.tmp");
  d.MakeDir("empty");
  AbortFlag = 1;
  StringList l;
  FindFiles(d.path(), "*.*", l);
  FindFilesRecursive(d.path(), "*.*", l);
  ListSubfolders(d.path(), l);
  EXPECT_TRUE(l.empty());
  RemoveEmptySubfolders(d.path());
  RemoveFolderTree(d / "empty\\");
  EXPECT_TRUE(DirectoryExists(d / "empty"));
  AbortFlag = 0;

  // A Cancel pressed while the walk pumps messages stops it before the next
  // folder is read.
  int pumps = 0;
  SetMessagePump([&] {
    ++pumps;
    AbortFlag = 1;
  });
  test::TestPumpClock clock;
  clock.Advance(60);  // past the pump interval, so the walk pumps on entry
  FindFilesRecursive(d.path(), "*.*", l);
  EXPECT_GE(pumps, 1);
  EXPECT_TRUE(l.empty());
}

TEST(Walks, RemoveEmptySubfoldersKeepsFilesTheirFoldersAndAttributes) {
  test::ScratchDir d("core-rmempty");
  d.MakeDir("X\\A\\B");
  std::string file = d.Write("X\\C\\f.txt");
  d.MakeDir("X\\C\\empty");
  d.MakeDir("X\\H");
  std::wstring c = Widen(d / "X\\C"), h = Widen(d / "X\\H");
  const DWORD attrs = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  ASSERT_TRUE(SetFileAttributesW(c.c_str(), attrs));
  ASSERT_TRUE(SetFileAttributesW(h.c_str(), attrs));
  ASSERT_EQ(GetFileAttributesW(c.c_str()) & attrs, attrs);

  RemoveEmptySubfolders(d / "X\\");
  EXPECT_TRUE(DirectoryExists(d / "X"));
  EXPECT_FALSE(DirectoryExists(d / "X\\A"));
  EXPECT_FALSE(DirectoryExists(d / "X\\C\\empty"));
  EXPECT_FALSE(DirectoryExists(d / "X\\H"));  // empty, so gone despite its attributes
  EXPECT_TRUE(FileExists(file));
  // The folder that stays keeps the attributes cleared for the attempt.
  EXPECT_EQ(GetFileAttributesW(c.c_str()), attrs | FILE_ATTRIBUTE_DIRECTORY);
  SetFileAttributesW(c.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(Walks, RemoveFolderTreeNeverDeletesFiles) {
  test::ScratchDir d("core-rmtree");
  d.MakeDir("T\\e1\\e2");
  std::string f = d.Write("T\\full\\keep.txt");
  RemoveFolderTree(d / "T\\e1\\");
  EXPECT_FALSE(DirectoryExists(d / "T\\e1"));
  RemoveFolderTree(d / "T\\");
  EXPECT_TRUE(FileExists(f));
  EXPECT_TRUE(DirectoryExists(d / "T\\full"));
}

TEST(Walks, LinksAreNeverFollowed) {
  ASSERT_TRUE(DirectoryExists(kFixtures + "walk")) << "no link fixtures: run through ./test.sh";
  const std::string walk = kFixtures + "walk\\";
  ASSERT_TRUE(IsReparsePoint(walk + "sub\\up")) << "the fixture's loop is not a link";
  ASSERT_TRUE(IsReparsePoint(walk + "canary"));
  // "sub\up" leads back to "walk" (a loop); "canary" leads out of the sandbox
  // to files named like junk.
  StringList l;
  FindFilesRecursive(walk, "*.*", l);
  EXPECT_EQ(Sorted(l), Sorted({walk + "f.tmp", walk + "real\\r.tmp", walk + "sub\\s.tmp"}));
  StringList subs;
  ListSubfolders(walk, subs);
  EXPECT_EQ(Sorted(subs), (StringList{"real", "sub"}));
}

TEST(Walks, LinksAreNeverRemoved) {
  ASSERT_TRUE(DirectoryExists(kFixtures + "rm")) << "no link fixtures: run through ./test.sh";
  const std::string rm = kFixtures + "rm\\";
  ASSERT_TRUE(IsReparsePoint(rm + "linked"));
  ASSERT_TRUE(IsReparsePoint(rm + "tocanary"));
  CreateDirectoryW(Widen(rm + "emptyreal").c_str(), nullptr);
  // "linked" and "tocanary" lead to empty folders (inside and outside the
  // sandbox). Removing through a link would remove what it leads to.
  RemoveEmptySubfolders(rm);
  RemoveFolderTree(rm + "linked\\");
  RemoveFolderTree(rm + "tocanary\\");
  EXPECT_FALSE(DirectoryExists(rm + "emptyreal"));
  EXPECT_TRUE(IsReparsePoint(rm + "linked"));
  EXPECT_TRUE(IsReparsePoint(rm + "tocanary"));
  EXPECT_TRUE(DirectoryExists(kFixtures + "rmtarget"));
  EXPECT_TRUE(DirectoryExists(rm + "tocanary"));  // the canary's folder is still there
}

TEST(Walks, NamesNoPathCanAddressAreLeftOut) {
  ASSERT_TRUE(DirectoryExists(kFixtures + "names")) << "no name fixtures: run through ./test.sh";
  const std::string names = kFixtures + "names\\";
  // Beside a1b.tmp and dot.tmp lie "a?b.tmp", "s*x.tmp", "back\sl.tmp",
  // "dot.tmp." and "bl.tmp ": any path made of those names means other files.
  StringList l;
  FindFiles(names, "*.tmp", l);
  EXPECT_EQ(Sorted(l), Sorted({names + "a1b.tmp", names + "dot.tmp"}));
  // Folders named so ("sub.", "s*b", "sub ") are never entered nor listed:
  // a path through them means "sub" or nothing.
  l.clear();
  FindFilesRecursive(names, "*.tmp", l);
  EXPECT_EQ(Sorted(l), Sorted({names + "a1b.tmp", names + "dot.tmp", names + "sub\\x.tmp"}));
  StringList files, folders;
  ListFolder(names, files, folders);
  EXPECT_EQ(folders, StringList({"sub"}));
  folders.clear();
  ListSubfolders(names, folders);
  EXPECT_EQ(folders, StringList({"sub"}));
  EXPECT_FALSE(RecycleFile(names + "a?b.tmp"));
  EXPECT_FALSE(RecycleFile(names + "dot.tmp."));
  EXPECT_TRUE(FileExists(names + "a1b.tmp"));
  EXPECT_TRUE(FileExists(names + "dot.tmp"));
}

}  // namespace
}  // namespace qz
