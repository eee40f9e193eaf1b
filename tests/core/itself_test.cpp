// A file is acted on only when it is itself: links to files (outside the
// sandbox, beside the file, dangling), hard links, short names and odd
// spellings, folders reached through a link, and names that differ only in
// case. The links and twins are made on the host by tests/core/fixtures.sh;
// the run checks the canary outside the sandbox byte for byte afterwards.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>

#include "core/disk.h"
#include "core/file_itself.h"
#include "core/globals.h"
#include "core/reg_backup.h"
#include "core/registry.h"
#include "core/text.h"
#include "support/sandbox.h"

namespace qz {
namespace {

const std::string kCore = "C:\\qztests\\fixtures\\core\\";
const std::string kFiles = kCore + "files\\";
const std::string kThroughLink = kCore + "walk\\canary\\";  // a folder link to the canary

bool HaveFileFixtures() {
  return IsReparsePoint(kCore + "walk\\canary") && GetFileAttributesW(Widen(kFiles + "tocanary.tmp").c_str()) != INVALID_FILE_ATTRIBUTES;
}

StringList Sorted(StringList l) {
  std::sort(l.begin(), l.end());
  return l;
}

// What the fixture's files hold; a link that still reaches its target.
void ExpectFixtureUntouched() {
  EXPECT_EQ(test::ReadFileText(kFiles + "plain.tmp"), "plain\n");
  EXPECT_EQ(GetFileAttributesW(Widen(kFiles + "plain.tmp").c_str()), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(test::ReadFileText(kFiles + "inside.tmp"), "plain\n");      // still reaches plain.tmp
  EXPECT_EQ(test::ReadFileText(kFiles + "tocanary.tmp"), "canary a.tmp\n");  // still reaches the canary
  EXPECT_FALSE(PathExists(kFiles + "nowhere.tmp")) << "a dangling link's target was created";
}

TEST(FileItself, WhatAPathReaches) {
  if (!HaveFileFixtures()) GTEST_SKIP() << "no link fixtures: run through ./test.sh";
  const PathCheck plain = CheckPathItself(kFiles + "plain.tmp");
  EXPECT_EQ(plain.state, PathState::File);
  EXPECT_TRUE(plain.identity.Known());
  EXPECT_TRUE(IEquals(plain.finalPath, kFiles + "plain.tmp")) << plain.finalPath;
  // A second name of the same file is itself, with the same identity.
  const PathCheck hard = CheckPathItself(kFiles + "hard.tmp");
  EXPECT_EQ(hard.state, PathState::File);
  EXPECT_EQ(hard.identity, plain.identity);

  // Links to files look like plain files in every listing; the final path
  // tells where they lead.
  const PathCheck out = CheckPathItself(kFiles + "tocanary.tmp");
  EXPECT_EQ(out.state, PathState::Elsewhere);
  EXPECT_TRUE(IStartsWith(out.finalPath, "unix\\")) << out.finalPath;
  const PathCheck beside = CheckPathItself(kFiles + "inside.tmp");
  EXPECT_EQ(beside.state, PathState::Elsewhere);
  EXPECT_TRUE(IEquals(beside.finalPath, kFiles + "plain.tmp")) << beside.finalPath;
  EXPECT_EQ(CheckPathItself(kFiles + "dangling.tmp").state, PathState::Missing);
  EXPECT_EQ(CheckPathItself(kFiles + "dangling-canary.tmp").state, PathState::Missing);
  for (const char* name : {"tocanary.tmp", "inside.tmp", "dangling.tmp"}) {
    EXPECT_FALSE(IsFileItself(kFiles + name)) << name;
    EXPECT_FALSE(FileReachesItself(kFiles + name)) << name;
  }
  EXPECT_TRUE(FileReachesItself(kFiles + "plain.tmp"));
  EXPECT_TRUE(FileReachesItself(kFiles + "hard.tmp"));

  // Folders: itself with or without the trailing backslash; a folder link is
  // not, nor anything reached through one.
  EXPECT_EQ(CheckPathItself(ExcludeTrailingBackslash(kFiles)).state, PathState::Folder);
  EXPECT_TRUE(IsFolderItself(kFiles));
  EXPECT_TRUE(IsFolderItself("C:\\"));
  EXPECT_FALSE(IsFolderItself(kThroughLink));
  EXPECT_FALSE(IsFolderItself(kThroughLink + "empty"));
  EXPECT_EQ(CheckPathItself(kThroughLink + "a.tmp").state, PathState::Elsewhere);
  EXPECT_FALSE(IsFileItself(kFiles + "plain.tmp\\"));

  // Spellings the system rewrites, relative paths, and nothing at all.
  for (const std::string& p : {kFiles + ".\\plain.tmp", kFiles + "..\\files\\plain.tmp", kFiles + "plain.tmp.",
                               kFiles + "plain.tmp ", std::string("plain.tmp"), kFiles + "missing.tmp",
                               kFiles + "pl?in.tmp", std::string()}) {
    SCOPED_TRACE(p);
    EXPECT_FALSE(IsFileItself(p));
    EXPECT_FALSE(FileReachesItself(p));
  }
  EXPECT_TRUE(IsFileItself("\\\\?\\" + kFiles + "plain.tmp"));
  EXPECT_TRUE(IsFileItself(UpperLocale(kFiles + "plain.tmp")));  // no regard to case
}

// The rule on what an open gave: the final path, then the attributes (a link
// opened without following on Windows keeps its own final path).
TEST(FileItself, TheRuleOnAFinalPathAndAttributes) {
  const std::string p = "C:\\a\\b.tmp";
  struct Row {
    std::string finalPath;
    DWORD attributes;
    PathState state;
  } rows[] = {
      {"C:\\a\\b.tmp", FILE_ATTRIBUTE_ARCHIVE, PathState::File},
      {"c:\\A\\B.TMP", FILE_ATTRIBUTE_NORMAL, PathState::File},
      {"\\\\?\\C:\\a\\b.tmp", FILE_ATTRIBUTE_ARCHIVE, PathState::File},
      {"C:\\a\\b.tmp", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT, PathState::ReparsePoint},
      {"C:\\a\\b.tmp", FILE_ATTRIBUTE_DIRECTORY, PathState::Folder},
      {"C:\\a\\b.tmp", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, PathState::ReparsePoint},
      {"unix\\home\\b.tmp", FILE_ATTRIBUTE_ARCHIVE, PathState::Elsewhere},
      {"C:\\a\\c.tmp", FILE_ATTRIBUTE_ARCHIVE, PathState::Elsewhere},
      {"C:\\a\\b.tmp2", FILE_ATTRIBUTE_ARCHIVE, PathState::Elsewhere},
      {"", FILE_ATTRIBUTE_ARCHIVE, PathState::Elsewhere},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.finalPath);
    EXPECT_EQ(ClassifyOpened(p, r.finalPath, r.attributes), r.state);
  }
  EXPECT_EQ(ClassifyOpened("\\\\srv\\share\\x.tmp", "\\\\?\\UNC\\srv\\share\\x.tmp", 0), PathState::File);
}

// A recycle counts only when the file is gone afterwards, whatever the shell
// answered.
TEST(FileItself, ARecycleCountsOnlyWhenTheFileIsGone) {
  test::ScratchDir d("core-itself-held");
  const std::string f = d.Write("held.tmp");
  HANDLE h = CreateFileW(Widen(f).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(RecycleFileQuiet(f));
  EXPECT_FALSE(RecycleFile(f));
  EXPECT_TRUE(FileExists(f));
  CloseHandle(h);
  // A shell that answers "done" and leaves the file.
  SetShellFileOperation([](SHFILEOPSTRUCTW&) { return 0; });
  EXPECT_FALSE(RecycleFileQuiet(f));
  EXPECT_FALSE(RecycleFile(f));
  SetShellFileOperation(nullptr);
  EXPECT_TRUE(FileExists(f));
  EXPECT_TRUE(RecycleFileQuiet(f));
  EXPECT_FALSE(PathExists(f));
}

// The restore hands the registry editor only a copy it has just made of an
// undo file that is itself: the copy's name never leads anywhere else, and a
// chosen file that is a link is not read.
TEST(FileItself, RestoreCopiesOnlyWhatIsItself) {
  if (!HaveFileFixtures() || !IsFileItself(kCore + "restore\\undo.REG"))
    GTEST_SKIP() << "no link fixtures: run through ./test.sh";
  const std::string savedTemp = WinTempDir;
  WinTempDir = kCore + "restore";  // its "ZAMO2 Backup.reg" is a link to nothing
  ASSERT_EQ(RegistryRestoreCopyPath(), kCore + "restore\\ZAMO2 Backup.reg");
  EXPECT_FALSE(RestoreRegistryBackup(kCore + "restore\\undo.REG"));
  EXPECT_FALSE(PathExists(kCore + "restore\\made.reg")) << "the copy was written through the link";
  EXPECT_FALSE(PathExists(kCore + "restore\\made.reg"));
  test::ScratchDir temp("core-itself-restore");
  WinTempDir = ExcludeTrailingBackslash(temp.path());
  EXPECT_FALSE(RestoreRegistryBackup(kFiles + "inside.tmp"));  // a link to plain.tmp
  EXPECT_FALSE(PathExists(RegistryRestoreCopyPath()));
  // A link to a whole undo file beside it: what it leads to is never imported.
  const std::string key = "Software\\qztests\\core-restore-link";
  RegRemoveKey(HKEY_CURRENT_USER, key);
  EXPECT_FALSE(RestoreRegistryBackup(kCore + "restore\\linked.REG"));
  EXPECT_FALSE(RegHasKey(HKEY_CURRENT_USER, key)) << "the file behind the link was imported";
  EXPECT_FALSE(PathExists(RegistryRestoreCopyPath()));
  // The same file under its own name is restored: the refusal above is the link's.
  EXPECT_TRUE(RestoreRegistryBackup(kCore + "restore\\set.REG"));
  EXPECT_TRUE(RegHasKey(HKEY_CURRENT_USER, key));
  RegRemoveKey(HKEY_CURRENT_USER, key);
  WinTempDir = savedTemp;
  ExpectFixtureUntouched();
}

// A folder may be spelled in short form (some temporary-folder settings give
// it so); the file's own name may not: a short name can stand for another file.
TEST(FileItself, ShortNames) {
  test::ScratchDir d("core-itself-short");
  const std::string file = d.Write("a long folder name\\a long file name.tmp");
  wchar_t buf[MAX_PATH] = {};
  GetShortPathNameW(Widen(file).c_str(), buf, MAX_PATH);
  const std::string shortPath = Narrow(buf);
  const std::string shortFolder = ExtractFileDir(shortPath), shortName = ExtractFileName(shortPath);
  if (shortName.find('~') == std::string::npos || ExtractFileName(shortFolder).find('~') == std::string::npos)
    GTEST_SKIP() << "the file system gives no short names";
  EXPECT_EQ(CheckPathItself(shortFolder + "\\a long file name.tmp").state, PathState::File);
  EXPECT_TRUE(FileReachesItself(shortFolder + "\\a long file name.tmp"));
  EXPECT_EQ(CheckPathItself(ExtractFileDir(file) + "\\" + shortName).state, PathState::Elsewhere);
  EXPECT_FALSE(FileReachesItself(shortPath));
}

TEST(FileItself, WalksListOnlyFilesThatAreThemselves) {
  if (!HaveFileFixtures()) GTEST_SKIP() << "no link fixtures: run through ./test.sh";
  const StringList expected = {kFiles + "hard.tmp", kFiles + "plain.tmp"};
  StringList l;
  FindFiles(kFiles, "*.tmp", l);
  EXPECT_EQ(Sorted(l), expected);
  l.clear();
  FindFilesRecursive(kFiles, "*.*", l);
  EXPECT_EQ(Sorted(l), expected);
  l.clear();
  StringList subs;
  ListFolder(kFiles, l, subs);
  EXPECT_EQ(Sorted(l), expected);
  std::vector<FoundFile> found;
  FindFilesRecursive(kFiles, "*.tmp", found);
  EXPECT_EQ(found.size(), 2u);
  // Through a folder link nothing is itself: the canary's files and folders
  // are never listed.
  l.clear();
  FindFiles(kThroughLink, "*.*", l);
  FindFilesRecursive(kThroughLink, "*.tmp", l);
  FindFilesRecursive(kThroughLink + "sub\\", "*.*", l);
  ListSubfolders(kThroughLink, l);
  ListFolder(kThroughLink, l, l);
  EXPECT_TRUE(l.empty()) << l.size() << " listed, first " << (l.empty() ? "" : l[0]);
}

TEST(FileItself, RecyclingNeverReachesALinksTarget) {
  if (!HaveFileFixtures()) GTEST_SKIP() << "no link fixtures: run through ./test.sh";
  const std::vector<std::pair<const char*, std::function<bool(const std::string&)>>> recycles = {
      {"RecycleFile", [](const std::string& p) { return RecycleFile(p); }},
      {"RecycleFileQuiet", [](const std::string& p) { return RecycleFileQuiet(p); }},
      {"ShellRecycleQuiet", [](const std::string& p) { return ShellRecycleQuiet(p); }},
  };
  for (const auto& [what, recycle] : recycles) {
    for (const char* name : {"inside.tmp", "tocanary.tmp", "dangling.tmp", "dangling-canary.tmp"}) {
      SCOPED_TRACE(std::string(what) + " " + name);
      EXPECT_FALSE(recycle(kFiles + name));
      ExpectFixtureUntouched();
    }
  }
  PathCheck c;
  EXPECT_FALSE(ShellRecycleQuiet(kFiles + "inside.tmp", &c));
  EXPECT_EQ(c.state, PathState::Elsewhere);
  // A check of another path, or one that found no file of its own, is no
  // licence to recycle.
  EXPECT_FALSE(ShellRecycleChecked(kFiles + "inside.tmp", CheckPathItself(kFiles + "plain.tmp")));
  EXPECT_FALSE(ShellRecycleChecked(kFiles + "inside.tmp", CheckPathItself(kFiles + "inside.tmp")));
  ExpectFixtureUntouched();
}

TEST(FileItself, WritingRenamingAndDeletingNeverGoThroughALink) {
  if (!HaveFileFixtures()) GTEST_SKIP() << "no link fixtures: run through ./test.sh";
  test::ScratchDir d("core-itself-links");
  const std::string mine = d.Write("mine.txt", "mine");
  for (const char* name : {"inside.tmp", "tocanary.tmp"}) {
    SCOPED_TRACE(name);
    const std::string link = kFiles + name;
    PathCheck c;
    EXPECT_FALSE(OpenFileItself(link, GENERIC_READ | GENERIC_WRITE, 0, &c));
    EXPECT_EQ(c.state, PathState::Elsewhere);
    EXPECT_FALSE(OpenFileItself(link, GENERIC_READ, FILE_SHARE_READ));
    EXPECT_FALSE(CreateFileItself(link, GENERIC_WRITE, 0, CreateMode::Overwrite, &c));
    EXPECT_EQ(c.state, PathState::Elsewhere);
    EXPECT_FALSE(CreateFileItself(link, GENERIC_WRITE, 0, CreateMode::New));
    EXPECT_FALSE(RenameFileItself(link, kFiles + "renamed.tmp"));
    EXPECT_FALSE(DeleteFileItself(link));
    EXPECT_FALSE(SetFileAttributesItself(link, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_TRUE(FileIsLockedAnyAttr(link));  // not itself: left out, attributes untouched
    EXPECT_FALSE(ShellCopyFile(mine, link));
    EXPECT_FALSE(ShellMoveFile(link, d / "moved.tmp"));
    EXPECT_FALSE(ShellCopyFile(link, d / "copied.tmp"));
    ExpectFixtureUntouched();
  }
  EXPECT_FALSE(PathExists(kFiles + "renamed.tmp"));
  EXPECT_FALSE(PathExists(d / "moved.tmp"));
  EXPECT_FALSE(PathExists(d / "copied.tmp"));

  // A dangling link: every call that creates would create its target.
  for (const char* name : {"dangling.tmp", "dangling-canary.tmp"}) {
    SCOPED_TRACE(name);
    PathCheck c;
    EXPECT_FALSE(CreateFileItself(kFiles + name, GENERIC_WRITE, 0, CreateMode::Overwrite, &c));
    EXPECT_EQ(c.state, PathState::Elsewhere);
    EXPECT_FALSE(CreateFileItself(kFiles + name, GENERIC_WRITE, 0, CreateMode::New));
    EXPECT_FALSE(ShellCopyFile(mine, kFiles + name));
  }
  // A name the system rewrites ("x.tmp." is made as "x.tmp"): what was made
  // is taken back.
  PathCheck c;
  EXPECT_FALSE(CreateFileItself(d / "made.tmp.", GENERIC_WRITE, 0, CreateMode::New, &c));
  EXPECT_EQ(c.state, PathState::Elsewhere);
  EXPECT_FALSE(PathExists(d / "made.tmp"));
  // Nothing is made through a folder link, not even for a moment.
  const std::wstring target = Widen(kCore + "rmtarget");
  WIN32_FILE_ATTRIBUTE_DATA before{}, after{};
  ASSERT_TRUE(GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &before));
  EXPECT_FALSE(CreateFileItself(kCore + "rm\\linked\\new.tmp", GENERIC_WRITE, 0, CreateMode::New, &c));
  EXPECT_EQ(c.state, PathState::Elsewhere);
  ASSERT_TRUE(GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &after));
  EXPECT_EQ(CompareFileTime(&before.ftLastWriteTime, &after.ftLastWriteTime), 0);
  // A new file in a folder reached through a link would land in the canary.
  EXPECT_FALSE(CreateFileItself(kThroughLink + "new.tmp", GENERIC_WRITE, 0, CreateMode::New, &c));
  EXPECT_EQ(c.state, PathState::Elsewhere);
  EXPECT_FALSE(RenameFileItself(mine, kThroughLink + "mine.txt"));
  EXPECT_FALSE(ShellCopyFile(mine, kThroughLink));
  EXPECT_TRUE(FileExists(mine));
  ExpectFixtureUntouched();
}

TEST(FileItself, FolderRemovalNeverGoesThroughALink) {
  if (!HaveFileFixtures()) GTEST_SKIP() << "no link fixtures: run through ./test.sh";
  // "empty" is a plain folder of the canary, reached through the link: its
  // own attributes say nothing of the link on the way.
  ASSERT_TRUE(DirectoryExists(kThroughLink + "empty"));
  ASSERT_FALSE(IsReparsePoint(kThroughLink + "empty"));
  RemoveFolderTree(kThroughLink + "empty\\");
  RemoveEmptySubfolders(kThroughLink);
  RemoveEmptySubfolders(kThroughLink + "sub\\");
  EXPECT_TRUE(DirectoryExists(kThroughLink + "empty"));
}

TEST(FileItself, ActingOnFilesThatAreThemselves) {
  test::ScratchDir d("core-itself-act");
  const std::string a = d.Write("a.txt", "alpha");
  {
    PathCheck c;
    FileHandle h = OpenFileItself(a, GENERIC_READ | GENERIC_WRITE, 0, &c);
    ASSERT_TRUE(h);
    EXPECT_EQ(c.state, PathState::File);
    DWORD put = 0;
    EXPECT_TRUE(WriteFile(h.get(), "ALPHA", 5, &put, nullptr));
  }
  EXPECT_EQ(test::ReadFileText(a), "ALPHA");
  PathCheck folder;
  EXPECT_FALSE(OpenFileItself(ExcludeTrailingBackslash(d.path()), GENERIC_READ, kShareAll, &folder));
  EXPECT_EQ(folder.state, PathState::Folder);

  // Creating: New only where nothing is; Overwrite empties a file that is itself.
  const std::string b = d / "b.txt";
  {
    FileHandle h = CreateFileItself(b, GENERIC_WRITE, 0, CreateMode::New);
    ASSERT_TRUE(h);
    DWORD put = 0;
    WriteFile(h.get(), "beta", 4, &put, nullptr);
  }
  EXPECT_EQ(test::ReadFileText(b), "beta");
  PathCheck c;
  EXPECT_FALSE(CreateFileItself(b, GENERIC_WRITE, 0, CreateMode::New, &c));
  EXPECT_EQ(c.state, PathState::File);
  EXPECT_TRUE(CreateFileItself(b, GENERIC_WRITE, 0, CreateMode::Overwrite));
  EXPECT_EQ(GetFileSize64(b), 0);
  EXPECT_FALSE(CreateFileItself(d / "no such folder\\x.txt", GENERIC_WRITE, 0, CreateMode::New, &c));
  EXPECT_EQ(c.state, PathState::Missing);

  // Renaming, attributes and deleting through the checked handle.
  EXPECT_FALSE(RenameFileItself(a, b));  // never over an existing name
  EXPECT_TRUE(RenameFileItself(a, d / "renamed.txt"));
  EXPECT_FALSE(PathExists(a));
  EXPECT_EQ(test::ReadFileText(d / "renamed.txt"), "ALPHA");
  const DWORD roHidden = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
  EXPECT_TRUE(SetFileAttributesItself(b, roHidden));
  EXPECT_EQ(GetFileAttributesW(Widen(b).c_str()) & roHidden, roHidden);
  EXPECT_TRUE(SetFileAttributesItself(b, FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(GetFileAttributesW(Widen(b).c_str()) & roHidden, 0u);
  const FileIdentity bId = CheckPathItself(b).identity;
  EXPECT_EQ(CheckFileGone(b, bId), GoneState::Still);
  EXPECT_TRUE(DeleteFileItself(b));
  EXPECT_FALSE(PathExists(b));
  EXPECT_EQ(CheckFileGone(b, bId), GoneState::Gone);
  EXPECT_FALSE(DeleteFileItself(b));
  EXPECT_FALSE(DeleteFileItself(ExcludeTrailingBackslash(d.path())));
  EXPECT_TRUE(DirectoryExists(d.path()));

  // A name that now reaches another file: the one acted on is gone.
  const std::string r = d / "renamed.txt";
  const FileIdentity rId = CheckPathItself(r).identity;
  const std::string next = d.Write("next.txt", "new");
  ASSERT_TRUE(DeleteFileItself(r));
  ASSERT_TRUE(RenameFileItself(next, r));
  EXPECT_EQ(CheckFileGone(r, rId), GoneState::Replaced);
}

// On a file system that holds names differing only in case, a name reaches
// the twin once its own file is gone: a recycle is confirmed by identity.
TEST(FileItself, TwinsAreToldApartByIdentity) {
  for (const char* folder : {"twins", "twins2"}) {
    const std::string upper = kCore + folder + "\\Case.tmp", lower = kCore + folder + "\\case.tmp";
    if (test::ReadFileText(upper) != "Upper\n" || test::ReadFileText(lower) != "lower\n")
      GTEST_SKIP() << "no twin fixtures: run through ./test.sh";
  }
  const std::string upper = kCore + "twins\\Case.tmp", lower = kCore + "twins\\case.tmp";
  const PathCheck u = CheckPathItself(upper), l = CheckPathItself(lower);
  ASSERT_EQ(u.state, PathState::File);
  ASSERT_EQ(l.state, PathState::File);
  EXPECT_NE(u.identity, l.identity);
  EXPECT_TRUE(RecycleFile(upper));  // gone, though its name now reaches the twin
  EXPECT_EQ(CheckFileGone(upper, u.identity), GoneState::Replaced);
  EXPECT_EQ(test::ReadFileText(lower), "lower\n");

  // The same for a caller that confirms by itself.
  const std::string upper2 = kCore + "twins2\\Case.tmp";
  PathCheck c;
  ASSERT_TRUE(ShellRecycleQuiet(upper2, &c));
  EXPECT_TRUE(IsGone(CheckFileGone(upper2, c.identity)));
  EXPECT_EQ(test::ReadFileText(kCore + "twins2\\case.tmp"), "lower\n");
}

}  // namespace
}  // namespace qz
