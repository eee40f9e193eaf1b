// Acting only on the file the user saw.
//
// Under Wine (and on any file system that links files) a symbolic link to a
// file looks like a plain file: the directory listing and every attribute call
// report the target's attributes and no reparse tag, and every action by name
// reaches the link's target, which may lie outside every drive. Measured with
// Wine 8: DeleteFileW and the shell's recycle remove the target, MoveFileW
// carries the target off under the new name, CreateFileW with CREATE_ALWAYS or
// OPEN_ALWAYS on a dangling link creates its target. A short (8.3) alias, a
// path spelled with "." parts, and a folder on the way that was swapped for a
// link lead elsewhere the same way. The one reliable signal is the name the
// system gives an opened file (GetFinalPathNameByHandleW): for a link it is
// the target's ("\\?\unix\..." for a target outside the drives).
//
// The rule every program path that acts on a user's file follows:
//
//   A file is acted on only when it is itself: opened without following
//   links, the final path of what was opened is the path that was listed
//   (without regard to case, "\\?\" and "\\?\UNC\" normalised; a folder on
//   the way may be spelled in short 8.3 form, the file's own name may not),
//   and it is not a reparse point.
//
// Otherwise a walk never lists it, and an action refuses it and leaves
// everything in place. The check runs again right before each action. Where
// the action can be done through a handle (read, write, truncate, rename,
// delete) it is done through the checked handle; the shell's recycle, which
// takes only a path, runs right after the check. Whether the action worked is
// confirmed by the file's identity (volume serial + file index) taken by that
// check, never by its name: on a file system that holds names differing only
// in case ("Case.tmp" beside "case.tmp") a name reaches the twin once its own
// file is gone.
//
// Which call for which action (paths are full paths, UTF-8):
//   list a file found by a walk .... FileReachesItself        (cheap: no identity)
//   look right before acting ....... CheckPathItself -> PathCheck
//   recycle ........................ RecycleFile, RecycleFileConfirm, RecycleFileQuiet (core/disk.h), or
//                                    CheckPathItself + ShellRecycleChecked + CheckFileGone for a caller
//                                    that confirms many files itself
//   read (split, encrypt, join parts)  OpenFileItself(path, GENERIC_READ, FILE_SHARE_READ)
//   overwrite in place (wipe) ...... OpenFileItself(path, GENERIC_READ | GENERIC_WRITE, 0)
//   set attributes (wipe) .......... SetFileAttributesItself
//   write a new or replaced file ... CreateFileItself(path, GENERIC_WRITE, 0, CreateMode::Overwrite or New),
//     or, as the file tools do for split parts, joined, ".crypted" and decrypted
//     files: a fresh temporary name beside the source opened as itself, made with
//     CREATE_NEW (it fails on any entry of that name, a dangling link included),
//     then moved over the target with MoveFileExW only when the temporary file is
//     itself (the move replaces the target's entry, never what a link there leads to)
//   rename (wipe) .................. RenameFileItself
//   delete for good (wipe, decrypt)  DeleteFileItself
//   remove empty folders ........... RemoveFolderTree, RemoveEmptySubfolders (core/disk.h), or
//                                    IsFolderItself right before RemoveDirectoryW
//
// Never hand a user's path to DeleteFileW, MoveFile(Ex)W, CopyFileW (as the
// target), SetFileAttributesW, or CreateFileW with CREATE_ALWAYS, OPEN_ALWAYS
// or TRUNCATE_EXISTING.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace qz {

// FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE: looking does not
// disturb anyone who has the file open.
inline constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// What a file is, independent of its name.
struct FileIdentity {
  uint32_t volume = 0;  // serial number of the volume
  uint64_t index = 0;   // file index (inode) on that volume
  bool Known() const { return index != 0; }
  bool operator==(const FileIdentity&) const = default;
};

enum class PathState {
  File,          // a plain file that is itself
  Folder,        // a plain folder that is itself
  Missing,       // nothing answers to the name (a dangling link looks the same)
  Elsewhere,     // the name leads to something else: a file link, a folder
                 // link on the way, a short-name alias, a spelling that the
                 // system rewrites ("a\.\b", trailing dots), a relative path
  ReparsePoint,  // marked as a reparse point (a link or junction on Windows)
  Unreadable,    // there, but it cannot be opened to look (refused, locked
                 // without sharing, drive not ready)
};

// The outcome of one look at a path.
struct PathCheck {
  std::string path;          // the path as checked
  PathState state = PathState::Missing;
  FileIdentity identity;     // File and Folder only
  std::string finalPath;     // the system's name for what the path opened,
                             // without "\\?\" ("" when nothing opened)
  bool IsFile() const { return state == PathState::File; }
};

// Opens the path without following links and tells what it reaches. A path
// is a full path ("C:\a\b.txt", "\\server\share\b.txt"); a relative one counts
// from the current folder only when the system takes it as written
// (IsShellSafePath: no "." parts, trailing dots or blanks, wildcards).
PathCheck CheckPathItself(const std::string& path);
bool IsFileItself(const std::string& path);
// For folders: a trailing backslash is allowed ("C:\" stays a root).
bool IsFolderItself(const std::string& path);
// The check a walk makes per file it lists, where the listing already said it
// is a file and no reparse point: opened without following, its final path is
// this path. Cheaper than CheckPathItself (no attributes, no identity); never
// a substitute for the check right before an action.
bool FileReachesItself(const std::string& path);

// The rule for what opening `path` without following gave: Elsewhere unless
// the final path names the path (a folder part may be in short form, the
// last part not), ReparsePoint for that attribute, else Folder or File.
PathState ClassifyOpened(const std::string& path, const std::string& finalPath, DWORD attributes);

// A file handle closed when it goes out of scope.
class FileHandle {
 public:
  FileHandle() = default;
  explicit FileHandle(HANDLE h) : h_(h) {}
  ~FileHandle() { Close(); }
  FileHandle(FileHandle&& o) noexcept : h_(o.Release()) {}
  FileHandle& operator=(FileHandle&& o) noexcept {
    if (this != &o) {
      Close();
      h_ = o.Release();
    }
    return *this;
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
  explicit operator bool() const { return valid(); }
  HANDLE Release() {
    HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    return h;
  }
  void Close() {
    if (valid()) CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE h_ = INVALID_HANDLE_VALUE;
};

// Opens an existing file with the given access and sharing, without following
// links, and returns the handle only when the file is itself (a plain file,
// not a folder); otherwise an invalid handle, `check` says why. The handle is
// what the action must use: it cannot be swapped for a link afterwards.
FileHandle OpenFileItself(const std::string& path, DWORD access, DWORD share, PathCheck* check = nullptr);

enum class CreateMode {
  New,        // only when no entry of that name exists
  Overwrite,  // a new file, or an existing one that is itself, emptied
};
// Creates a file for writing, never through a link: its folder must be itself;
// an existing name (a dangling link included, which the other calls cannot
// see) must be a file that is itself, and is emptied only after the check
// (CreateMode::Overwrite). A file created through a folder that turned out to
// lead elsewhere is removed again. `access` should hold GENERIC_WRITE.
FileHandle CreateFileItself(const std::string& path, DWORD access, DWORD share, CreateMode mode,
                            PathCheck* check = nullptr);

// Renames a file that is itself, through its handle. `newPath` lies in a
// folder that is itself and names nothing yet. False otherwise.
bool RenameFileItself(const std::string& path, const std::string& newPath);
// Deletes a file that is itself for good (no Recycle Bin), through its handle.
bool DeleteFileItself(const std::string& path);
// Sets the attributes of a file that is itself (FILE_ATTRIBUTE_NORMAL clears
// them), through its handle.
bool SetFileAttributesItself(const std::string& path, DWORD attributes);

// The identity of an open file or folder. False when it cannot be read.
bool GetFileIdentity(HANDLE h, const std::string& finalPath, FileIdentity& out);

// After an action that should have removed a file from its path (recycle,
// delete, move): where the path stands now.
enum class GoneState {
  Gone,      // nothing answers to the name any more
  Replaced,  // the name now reaches another file (a case twin, a new file,
             // a link): the file acted on is gone from here
  Still,     // the same file is still there
  Unknown,   // it cannot be opened to tell
};
GoneState CheckFileGone(const std::string& path, const FileIdentity& before);
inline bool IsGone(GoneState s) { return s == GoneState::Gone || s == GoneState::Replaced; }

}  // namespace qz
