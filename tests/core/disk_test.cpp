// File helpers in the sandbox: masks, safe names, path pieces, sizes, lock
// tests, shell copy/move/recycle, and processes with their exit codes.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <windows.h>

#include "core/disk.h"
#include "core/text.h"
#include "support/sandbox.h"

namespace qz {
namespace {

TEST(FileMask, MatchesLongNamesLikeTheFileSystem) {
  struct Row {
    const char* name;
    const char* mask;
    bool match;
  };
  const Row rows[] = {
      {"a.tmp", "*.tmp", true},       {"A.TMP", "*.tmp", true},        {"a.b.tmp", "*.tmp", true},
      {"b.dmpx", "*.dmp", false},     // what an 8.3 alias would let through
      {"x.tmp.bak", "*.tmp", false},  {"tmp", "*.tmp", false},         {".tmp", "*.tmp", true},
      {"abc", "*.*", true},           {".hidden", "*.*", true},        {"a.b.c", "*.*", true},
      {"abc", "*", true},             {"abc", "*.", true},             {"a.b", "*.", false},
      {"~a.doc", "~*.*", true},       {"~$lock.tmp", "~*.*", true},    {"~", "~*.*", true},
      {"a~.doc", "~*.*", false},      {"a.txt", "a??.txt", true},      {"ab.txt", "a??.txt", true},
      {"abc.txt", "a??.txt", true},   {"abcd.txt", "a??.txt", false},  {"a.b.txt", "a??.txt", false},
      {"a.~mp", "*.~*", true},        {"a.mp", "*.~*", false},         {"Thumbs.db", "THUMBS.DB", true},
      {"abc", "a*c", true},           {"abxc", "a?c", false},          {"abc", "a?c", true},
      {"a", "a.*", true},             {"a.x", "a.*", true},            {"ab", "a.*", false},
      {"x.tm", "*.tmp", false},       {"x.tmpx", "*.tmp", false},      {"file.$$$", "*.$$$", true},
      {"ÄBC.TMP", "äbc.tmp", true},   {"abc", "", false},              {"a.b", "*.?", true},
      {"a.bc", "*.?", false},         {"a", "*.?", true},              {"mem.dmp", "*.dm?", true},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string(r.name) + " ~ " + r.mask);
    EXPECT_EQ(MatchesFileMask(r.name, r.mask), r.match);
  }
}

TEST(ShellSafePath, Table) {
  struct Row {
    const char* path;
    bool safe;
  };
  const Row rows[] = {
      {"C:\\a\\b.tmp", true},      {"C:\\a b\\c d.tmp", true},   {"C:\\dir\\", true},
      {"C:\\a\\b?.tmp", false},    {"C:\\a\\*.tmp", false},      {"C:\\a\\dot.tmp.", false},
      {"C:\\a\\blank.tmp ", false}, {"C:\\dir.\\f.txt", false},   {"C:\\dir \\f.txt", false},
      {"C:\\a\\..\\b.txt", false}, {"C:\\a\\.\\b.txt", false},   {"", false},
      {"C:\\a\\b<c", false},       {"C:\\a\\b\"c", false},       {"C:\\a\\b|c", false},
      {"C:\\a\\b\tc", false},      {"\\\\?\\C:\\a.txt", false},  {"C:\\a\\.hidden", true},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.path);
    EXPECT_EQ(IsShellSafePath(r.path), r.safe);
  }
}

TEST(PathPieces, Table) {
  EXPECT_EQ(ExtractFileName("C:\\A\\B.ini"), "B.ini");
  EXPECT_EQ(ExtractFileName("C:B.ini"), "B.ini");
  EXPECT_EQ(ExtractFileName("C:\\A\\"), "");
  EXPECT_EQ(ExtractFileName("plain"), "plain");
  EXPECT_EQ(ExtractFileExt("C:\\A.dir\\B.tar.gz"), ".gz");
  EXPECT_EQ(ExtractFileExt("C:\\A.dir\\B"), "");
  EXPECT_EQ(ExtractFileDir("C:\\A\\B.ini"), "C:\\A");
  EXPECT_EQ(ExtractFileDir("B.ini"), "");
  EXPECT_EQ(IncludeTrailingBackslash("C:\\A"), "C:\\A\\");
  EXPECT_EQ(IncludeTrailingBackslash("C:\\A\\"), "C:\\A\\");
  EXPECT_EQ(ExcludeTrailingBackslash("C:\\A\\"), "C:\\A");
  EXPECT_EQ(ExcludeTrailingBackslash("C:\\A"), "C:\\A");
  EXPECT_TRUE(IEquals(ExpandFileName("C:\\A\\..\\B\\c.txt"), "C:\\B\\c.txt"));
}

TEST(FileInfo, ExistenceAndSizes) {
  test::ScratchDir d("core-fileinfo");
  std::string f = d.Write("f.txt", "12345");
  EXPECT_TRUE(FileExists(f));
  EXPECT_FALSE(DirectoryExists(f));
  EXPECT_TRUE(DirectoryExists(d.path()));
  EXPECT_FALSE(FileExists(d.path()));
  EXPECT_FALSE(FileExists(d / "missing"));
  EXPECT_FALSE(DirectoryExists(d / "missing"));  // INVALID_FILE_ATTRIBUTES has the folder bit
  EXPECT_FALSE(PathExists(d / "missing"));
  EXPECT_EQ(GetFileSize64(f), 5);
  EXPECT_EQ(GetFileSize64(d / "missing"), -1);
  EXPECT_EQ(GetFileSize64(d.path()), -1);
  EXPECT_TRUE(IsDriveFolder("C:\\"));
  EXPECT_TRUE(IsDriveFolder("C:\\windows"));
  EXPECT_FALSE(IsDriveFolder("C:\\nowhere-qz"));
  EXPECT_FALSE(IsDriveFolder("windows"));

  // A sparse file of 5 GiB: the size's high part is 1.
  std::string big = d / "big.bin";
  HANDLE h = CreateFileW(Widen(big).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  LARGE_INTEGER pos;
  pos.QuadPart = 5LL << 30;
  ASSERT_TRUE(SetFilePointerEx(h, pos, nullptr, FILE_BEGIN));
  ASSERT_TRUE(SetEndOfFile(h));
  CloseHandle(h);
  EXPECT_EQ(GetFileSize64(big), 5LL << 30);
}

TEST(FileLock, LockedOnlyWhenHeld) {
  test::ScratchDir d("core-lock");
  EXPECT_FALSE(FileIsLocked(d / "missing"));
  EXPECT_FALSE(FileIsLockedAnyAttr(d / "missing"));
  std::string f = d.Write("f.txt");
  EXPECT_FALSE(FileIsLocked(f));

  std::wstring w = Widen(f);
  const DWORD attrs = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
  ASSERT_TRUE(SetFileAttributesW(w.c_str(), attrs));
  EXPECT_FALSE(FileIsLockedAnyAttr(f));
  EXPECT_EQ(GetFileAttributesW(w.c_str()) & attrs, attrs);

  // Held open without sharing: locked, and the attributes cleared for the
  // test come back although the test failed.
  HANDLE h = CreateFileW(w.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(FileIsLocked(f));
  EXPECT_TRUE(FileIsLockedAnyAttr(f));
  EXPECT_EQ(GetFileAttributesW(w.c_str()) & attrs, attrs);
  CloseHandle(h);
  EXPECT_FALSE(FileIsLockedAnyAttr(f));
  SetFileAttributesW(w.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(ShellFileOperations, CopyAndMove) {
  test::ScratchDir d("core-shellops");
  std::string a = d.Write("a.txt", "alpha");
  d.MakeDir("target");
  EXPECT_TRUE(ShellCopyFile(a, d / "b.txt"));
  EXPECT_EQ(test::ReadFileText(d / "b.txt"), "alpha");
  EXPECT_TRUE(ShellCopyFile(a, d / "target"));
  EXPECT_EQ(test::ReadFileText(d / "target\\a.txt"), "alpha");
  EXPECT_TRUE(ShellMoveFile(d / "b.txt", d / "c.txt"));
  EXPECT_FALSE(FileExists(d / "b.txt"));
  EXPECT_EQ(test::ReadFileText(d / "c.txt"), "alpha");
  // A failed operation is a failure.
  EXPECT_FALSE(ShellCopyFile(d / "missing.txt", d / "x.txt"));
  EXPECT_FALSE(FileExists(d / "x.txt"));
}

TEST(ShellFileOperations, WildcardAndTrailingDotNamesAreRefused) {
  test::ScratchDir d("core-shellrefuse");
  std::string a1b = d.Write("a1b.tmp"), axb = d.Write("axb.tmp"), dot = d.Write("dot.tmp"),
              blank = d.Write("blank.tmp");
  d.MakeDir("out");
  // The shell would take these as wildcards and act on every sibling.
  EXPECT_FALSE(ShellCopyFile(d / "a?b.tmp", d / "out"));
  EXPECT_FALSE(ShellMoveFile(d / "*.tmp", d / "out"));
  EXPECT_FALSE(RecycleFile(d / "a?b.tmp"));
  // The path functions strip a trailing dot or blank, so these names "exist"
  // as their siblings; the shell would recycle the siblings.
  ASSERT_TRUE(FileExists(d / "dot.tmp."));
  EXPECT_FALSE(RecycleFile(d / "dot.tmp."));
  EXPECT_FALSE(RecycleFile(d / "blank.tmp "));
  EXPECT_FALSE(ShellCopyFile(d / "dot.tmp.", d / "out"));
  // The quiet recycle the cleaners call: its own name check, not theirs.
  for (const char* name : {"a?b.tmp", "a*.tmp", "dot.tmp.", "blank.tmp "}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(RecycleFileQuiet(d / name));
    EXPECT_FALSE(ShellRecycleQuiet(d / name));
    // Even with a check that (wrongly) vouches for the name, the shell never
    // gets it.
    PathCheck vouched;
    vouched.path = d / name;
    vouched.state = PathState::File;
    EXPECT_FALSE(ShellRecycleChecked(d / name, vouched));
  }
  for (const auto& f : {a1b, axb, dot, blank}) EXPECT_TRUE(FileExists(f)) << f;
  StringList copied;
  FindFiles(d / "out\\", "*.*", copied);
  EXPECT_TRUE(copied.empty());
}

// Display names of the items in the Recycle Bin, through the shell's own view
// of it (under Wine: the sandbox's XDG trash).
StringList RecycleBinItems() {
  StringList out;
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop))) return out;
  PIDLIST_ABSOLUTE binPidl = nullptr;
  IShellFolder* bin = nullptr;
  if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_BITBUCKET, &binPidl)) &&
      SUCCEEDED(desktop->BindToObject(binPidl, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&bin)))) {
    IEnumIDList* items = nullptr;
    if (bin->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN, &items) == S_OK) {
      PITEMID_CHILD child = nullptr;
      while (items->Next(1, &child, nullptr) == S_OK) {
        STRRET name;
        wchar_t buf[MAX_PATH];
        if (SUCCEEDED(bin->GetDisplayNameOf(child, SHGDN_NORMAL, &name)) &&
            SUCCEEDED(StrRetToBufW(&name, child, buf, MAX_PATH)))
          out.push_back(Narrow(buf));
        CoTaskMemFree(child);
      }
      items->Release();
    }
    bin->Release();
  }
  if (binPidl) CoTaskMemFree(binPidl);
  desktop->Release();
  return out;
}

TEST(ShellFileOperations, RecycleLandsInTheRecycleBin) {
  CoInitialize(nullptr);
  test::ScratchDir d("core-recycle");
  // Unique per run; ./test.sh removes qzcore-* from the sandbox trash afterwards.
  std::string name = "qzcore-recycle-" + std::to_string(GetCurrentProcessId()) + "-" +
                     std::to_string(GetTickCount64()) + ".tmp";
  std::string f = d.Write(name, "to the bin");
  std::string sibling = d.Write("sibling.tmp");
  EXPECT_FALSE(RecycleFile(d / "missing.tmp"));
  ASSERT_TRUE(RecycleFile(f));
  EXPECT_FALSE(PathExists(f));
  EXPECT_TRUE(FileExists(sibling));
  StringList bin = RecycleBinItems();
  bool found = false;
  for (const auto& item : bin) found |= item.find(name.substr(0, name.size() - 4)) != std::string::npos;
  EXPECT_TRUE(found) << "not in the Recycle Bin (" << bin.size() << " items)";
  CoUninitialize();
}

TEST(Process, ExitCodesComeBackWhole) {
  test::ScratchDir d("core-exec");
  const std::string cmd = "C:\\windows\\system32\\cmd.exe /c ";
  struct Row {
    const char* args;
    int64_t code;
  };
  const Row rows[] = {{"exit 0", 0}, {"exit 7", 7}, {"exit -1", 4294967295LL}, {"exit -2147483648", 2147483648LL}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.args);
    EXPECT_EQ(RunAndWait(cmd + r.args, "", SW_HIDE), r.code);
  }
  EXPECT_EQ(ExecAndWait("C:\\nowhere\\no-such-program.exe", "", SW_HIDE), -1);
  EXPECT_EQ(RunAndWait("", "", SW_HIDE), -1);
  // The working folder is the new process's current folder.
  EXPECT_EQ(RunAndWait(cmd + "cd > here.txt", d.path(), SW_HIDE), 0);
  EXPECT_TRUE(IStartsWith(test::ReadFileText(d / "here.txt"), ExcludeTrailingBackslash(d.path())));
}

TEST(SpecialFolders, KnownAndUnknown) {
  EXPECT_TRUE(IEquals(GetSpecialFolderDir(nullptr, CSIDL_WINDOWS), "C:\\windows"));
  EXPECT_FALSE(GetSpecialFolderDir(nullptr, CSIDL_LOCAL_APPDATA).empty());
  EXPECT_EQ(GetSpecialFolderDir(nullptr, 0x7777), "");
}

}  // namespace
}  // namespace qz
