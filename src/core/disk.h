// File, folder and process helpers. Paths are UTF-8. Folder arguments of the
// walks end with a backslash and are joined to names without inserting one;
// the walks only append to the caller's list. No walk descends into or removes
// a reparse point (junction or symbolic link), and every file they list or act
// on is itself (core/file_itself.h): a link to a file is never listed,
// recycled, copied, moved or removed, nor anything reached through one.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <cstdint>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "core/file_itself.h"
#include "core/stringlist.h"

namespace qz {

// Attribute tests (GetFileAttributesW). A missing path is neither.
bool FileExists(const std::string& path);       // exists and is not a folder
bool DirectoryExists(const std::string& path);  // exists and is a folder
bool PathExists(const std::string& path);       // exists at all
bool IsReparsePoint(const std::string& path);
// Size from the directory entry (both halves); -1 when missing or a folder.
int64_t GetFileSize64(const std::string& path);

// The path with a trailing backslash added unless it has one.
std::string IncludeTrailingBackslash(const std::string& path);
std::string ExcludeTrailingBackslash(const std::string& path);
// Folder of a path (text before its last backslash); "" when it holds none.
std::string ExtractFileDir(const std::string& path);
std::string ExtractFileName(const std::string& path);  // text after the last "\" or ":"
std::string ExtractFileExt(const std::string& path);   // from the last "." of the name on, "" when none
std::string ExpandFileName(const std::string& path);    // GetFullPathNameW

// True when the shell's file operation can be handed this path safely: it
// holds no "*" or "?" (nor the DOS wildcards < > ", "|" or control
// characters), and none of its parts ends in "." or a blank ("." and ".."
// included): the shell would take it as a wildcard, or strip it and hit a
// sibling.
bool IsShellSafePath(const std::string& path);

// Shell file operations (SHFileOperationW, no confirmation, undo allowed).
// Success only when the call returns 0 and nothing was aborted. Refused: an
// unsafe path (IsShellSafePath), a source that is not a file that is itself,
// and a target file (the target, or the source's name inside a target folder)
// that exists and is not itself, or that no call can open (a dangling link,
// which the copy would create outside).
bool ShellCopyFile(const std::string& source, const std::string& target);
bool ShellMoveFile(const std::string& source, const std::string& target);
// To the Recycle Bin without asking. False when the file does not exist, the
// path (as given or expanded) is unsafe, the file is not itself (a link: the
// shell would recycle its target), the call failed, or the file is still
// there afterwards (decided by its identity, not its name: see CheckFileGone).
bool RecycleFile(const std::string& file);
// The same, but the shell asks the user.
bool RecycleFileConfirm(const std::string& file);
// As RecycleFile, and the shell shows nothing at all (no progress, no error
// box) and takes no connected elements (a page's "_files" folder) along.
bool RecycleFileQuiet(const std::string& file);
// Hands one file to the shell's quiet delete (as RecycleFileQuiet) and returns
// only what the shell reported: the caller confirms that the file is gone with
// CheckFileGone(file, check->identity), which a caller recycling many files of
// one folder can first narrow down with one read of the folder. The file is
// checked right before (CheckPathItself, reported in *check); an unsafe path
// or a file that is not itself is refused.
bool ShellRecycleQuiet(const std::string& file, PathCheck* check = nullptr);
// The same with a check the caller has just made itself (for rules of its
// own between the check and the recycle). Refused unless the check is of
// this very path and found a file that is itself.
bool ShellRecycleChecked(const std::string& file, const PathCheck& check);
// For tests: stands in for the shell's file operation (SHFileOperationW),
// whose answers for some failures no test can bring about; an empty function
// restores the shell.
void SetShellFileOperation(std::function<int(SHFILEOPSTRUCTW& op)> operation);

// False when the file does not exist; else true when it cannot be opened for
// reading and writing without sharing.
bool FileIsLocked(const std::string& file);
// As FileIsLocked with the attributes cleared for the test and restored
// afterwards (also when the test fails), so read-only alone is not "locked".
// A file that is not itself counts as locked, and its attributes (which are
// its target's) are not touched.
bool FileIsLockedAnyAttr(const std::string& file);
// Characters 2 and 3 are ":\" and the path is a folder.
bool IsDriveFolder(const std::string& path);

// The walks and the removals pump messages on entry (throttled by time) and
// return at once when AbortFlag is 1 (FindFilesRecursive tests it once per
// folder). They leave out names that no Windows path can address (holding
// \ / : * ? " < > | or a control character, or ending in "." or a blank: the
// host's file system may hold such names, and a path made of them means
// other files), and files that are not themselves (FileReachesItself: a file
// link, or anything when the folder itself is reached through a link).
// Appends the names of the sub-folders not beginning with "." (no links).
void ListSubfolders(const std::string& folder, StringList& list);
// Appends folder + name of every non-folder entry matching folder + mask
// (the long name is checked against the mask again: an 8.3 alias may match
// where the long name does not).
void FindFiles(const std::string& folder, const std::string& mask, StringList& list);
// FindFiles, then the same in every sub-folder (names not beginning with ".").
void FindFilesRecursive(const std::string& folder, const std::string& mask, StringList& list);
// A file a walk found, with its size from the directory entry (both halves).
struct FoundFile {
  std::string Path;
  int64_t Size = 0;
};
// FindFilesRecursive with each file's size, in one pass (no query per file).
void FindFilesRecursive(const std::string& folder, const std::string& mask, std::vector<FoundFile>& list);
// FindFiles with the mask "*.*" and ListSubfolders in one read of the folder:
// appends folder + name of every file to `files` and the names of the
// sub-folders to `subfolders`, by the same rules.
void ListFolder(const std::string& folder, StringList& files, StringList& subfolders);
// Removes the sub-folders, then the folder itself, where empty; files are never
// deleted; attributes cleared for the removal are restored when it fails. A
// folder is removed only when it is itself (IsFolderItself, right before).
void RemoveFolderTree(const std::string& folder);
// Removes every empty folder below folder (level 0 = folder itself, kept).
void RemoveEmptySubfolders(const std::string& folder, int level = 0);

// The one folder enumeration every walk uses: fn(find data) for every entry
// of folder + pattern but "." and ".." (basic information, large fetch, the
// order the file system gives). An fn that returns bool stops the listing by
// returning false. Folder is a wide path ending with a backslash.
template <class Fn>
void ForEachDirEntry(const std::wstring& folder, const std::wstring& pattern, Fn&& fn) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileExW((folder + pattern).c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch, nullptr,
                              FIND_FIRST_EX_LARGE_FETCH);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    const wchar_t* n = fd.cFileName;
    if (n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0))) continue;
    if constexpr (std::is_same_v<std::invoke_result_t<Fn&, const WIN32_FIND_DATAW&>, bool>) {
      if (!fn(static_cast<const WIN32_FIND_DATAW&>(fd))) break;
    } else {
      fn(static_cast<const WIN32_FIND_DATAW&>(fd));
    }
  } while (FindNextFileW(h, &fd));
  FindClose(h);
}

// Path of a special folder (CSIDL); "" when unknown.
std::string GetSpecialFolderDir(HWND owner, int csidl);

// Starts the command line (CREATE_NEW_CONSOLE, normal priority, the show
// state, the working folder) and waits for it to end. The exit code comes
// back as a 32-bit unsigned value; -1 only when the process could not start.
int64_t RunAndWait(const std::string& commandLine, const std::string& workDir, int showCmd);
inline int64_t ExecAndWait(const std::string& commandLine, const std::string& workDir, int showCmd) {
  return RunAndWait(commandLine, workDir, showCmd);
}

// Matches a name against a file-system style mask, as FindFirstFile matches
// long names: no regard to case, "*" any run, "?" one character, with the DOS
// rules: "*.*" matches every name, "*." names without an extension, "a??.txt"
// also "a.txt", "a.*" also "a". An empty mask matches nothing.
bool MatchesFileMask(const std::string& name, const std::string& mask);

}  // namespace qz
