// The Drive Cleaner's scan engine: walks the temporary folders, the crash-dump
// folder and whole drives, decides for each file whether it is an unneeded
// file, and adds every such file as a checked entry under its category in the
// result tree. No window code: it fills a VTreeModel and keeps the counters
// the module window's progress timer reads. GUI thread only; it pumps the
// message queue by time and stops at the next item once AbortFlag is 1.
//
// What is never listed, whatever the masks say:
//  - anything below a reparse point (junction, symbolic link) and a file that
//    is one: no walk enters or follows them; a file that is not itself (a
//    link to a file, which looks like a plain file under Wine: core/file_itself.h);
//  - names the shell's file operation cannot take safely (holding
//    < > : " / \ | ? * or a control character, ending in "." or a blank, or a
//    path too long for it);
//  - files in excluded folders (fixed exclusions and the user's folder
//    exceptions, drive roots and short top-level folders included) and every
//    folder below them; the user's file exceptions;
//  - with SkipLockedFiles: read-only files and files that cannot be opened
//    exclusively.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "cleaning/common/recycle.h"
#include "cleaning/drive/wild_match.h"
#include "cleaning/frame/result_rules.h"
#include "core/stringlist.h"
#include "ui/vtree_model.h"

namespace qz::dc {

// Per-node record of the result tree.
struct DriveScanNode {
  std::string FileName;  // the file's name; on a category node its caption
  std::string Folder;    // drive and folder of the file, no trailing backslash
  int64_t Size = 0;      // bytes; 0 when unknown
  std::string Info;      // shortcut with a missing target: the target
  uint8_t IsCategory = 0;
  int32_t ImageIndex = 0;  // category nodes: picture in the file-type image list
};

inline constexpr uint16_t kEntryHeight = 18;
inline constexpr uint16_t kEntryHeightWithInfo = 32;
inline constexpr uint16_t kCategoryHeight = 32;

// One mask of the search, with the category its finds go to.
struct MaskEntry {
  std::string Mask;  // upper case
  ui::VNode* Category = nullptr;
};

// What a shortcut file names. Success is false when it cannot be read.
struct ShortcutTarget {
  bool Success = false;
  std::string Target;
  bool IsDir = false;
};
using ShortcutReaderFn = std::function<ShortcutTarget(const std::string& file)>;
// The program's reader (shell links through the shell-link object).
ShortcutReaderFn DefaultShortcutReader();

// A set of paths or names compared without regard to case (upper case keys).
class PathSet {
 public:
  void Add(const std::string& s);
  bool Contains(const std::string& s) const;
  // For text already in upper case (saves the conversion in the inner loop).
  bool ContainsUpper(const std::string& upper) const { return set_.count(upper) != 0; }
  void AddUpper(const std::string& upper) { set_.insert(upper); }
  void Clear() { set_.clear(); }
  size_t Size() const { return set_.size(); }

 private:
  std::unordered_set<std::string> set_;
};

// Folder exclusions (upper case, trailing backslash). An entry remembers
// whether the user asked for it, so that the temporary folders' own fixed
// entries (which keep the drive pass out of them) do not stop their own pass,
// while a user exception equal to a temporary folder still does.
class FolderExclusionSet {
 public:
  void Add(const std::string& folder, bool user);
  bool Contains(const std::string& folder) const;  // any entry, case-insensitive
  bool ContainsUpper(const std::string& upper) const { return map_.count(upper) != 0; }
  bool IsUserEntryUpper(const std::string& upper) const;
  void Clear() { map_.clear(); }
  size_t Size() const { return map_.size(); }

 private:
  std::unordered_map<std::string, bool> map_;  // upper path -> added by the user
};

// Folders the engine derives its fixed places from, and the folders a
// temporary folder must never be or contain. Tests replace them.
struct ScanEnvironment {
  std::string WinDir;       // no trailing backslash
  std::string UserTempDir;  // "" when unknown
  StringList ProtectedFolders;  // Windows, system, program, profile folders
  static ScanEnvironment FromSystem();
};

// Checks one name for listing (shared with the other cleaners).
using cleaning::IsListableName;
// A temporary folder may be emptied only when it is at least two levels below
// a drive root and is neither one of the protected folders nor above one.
bool IsSafeTempFolder(const std::string& folder, const StringList& protectedFolders);

class DriveScanEngine {
 public:
  DriveScanEngine();

  // ---- state of a search
  ui::VTreeModel* ScanTree = nullptr;
  ui::VNode* CurrentCategoryNode = nullptr;
  std::vector<MaskEntry> MaskList;
  PathSet FoundFiles;
  FolderExclusionSet FolderExclusions;
  PathSet FileExceptions;  // upper-case full paths, bare names or extensions
  std::string ScannedDrives;  // upper-case letters ("CD")
  uint8_t SkipLockedFiles = 0;
  uint8_t CheckLnkTargets = 0;
  uint8_t CheckPifTargets = 0;
  std::string SystemTempFolder;  // upper case, trailing backslash
  std::string UserTempFolder;    // upper case, trailing backslash; "" when unknown
  bool SystemTempSafe = false;   // may be scanned and emptied
  bool UserTempSafe = false;
  std::string MinidumpFolder;    // WinDir\Minidump\ (as found in WinDir's case)
  ShortcutReaderFn ShortcutReader;
  WildMatch Matcher;

  // ---- progress (read by the window's timer and by the summary)
  int64_t FoldersScanned = 0;
  int64_t FilesExamined = 0;
  int64_t FoldersCounted = 0;
  int32_t ProgressPosition = 0;
  uint8_t CountingPhase = 0;
  uint8_t ScanningPhase = 0;
  std::string CurrentDrive, CurrentFolder, CurrentFile;

  // ---- totals of the result tree (Found and FoundBytes grow as the search
  // finds; the result window keeps Marked in step with the user's checks) and
  // the delete step's counters
  cleaning::ResultTotals Totals;
  int64_t FilesDeleted = 0;
  int64_t BytesDeleted = 0;
  int64_t DeleteErrors = 0;

  // Sets up a search: the tree's record type, empty lists, the fixed
  // exclusions, the temporary folders, counters 0. ScanTree must be set.
  void PrepareDriveScan(const ScanEnvironment& env = ScanEnvironment::FromSystem());
  // Drops the lists of the last search (a second call changes nothing).
  void FreeDriveScan();

  // A user's folder exception ("D:\Data\"; a trailing "\" is added).
  void AddUserFolderException(const std::string& folder);
  void AddFileException(const std::string& pathOrName);

  // Counting pass over a folder tree (folder with trailing backslash).
  void CountFolders(const std::string& folder);
  // Scanning pass: driveRoot "D:\", rel "" for the root or "A\B\" below it.
  void ScanDrive(const std::string& driveRoot, const std::string& rel);
  // Lists the files of a folder tree matching a file-system mask ("*.*" for
  // the temporary folders, "*.dmp" for the crash dumps; the long name must
  // match) under CurrentCategoryNode.
  void ScanFolderWithMask(const std::string& folder, const std::string& mask);
  // The LNK/PIF test; *target gets the target as the reader gave it.
  bool IsShortcutTargetMissing(const std::string& file, std::string* target = nullptr);

  // Is this folder (upper case, trailing backslash) shut out of a pass?
  // In the temporary pass the temporary folders' own fixed entries do not count.
  bool FolderIsExcluded(const std::string& upperFolder, bool tempPass) const;
  // The folder or one above it (down to its drive root) is excluded.
  bool FolderOrParentExcluded(const std::string& upperFolder, bool tempPass) const;

 private:
  struct FileItem {
    std::wstring name;
    uint32_t attr;
    int64_t size;
  };
  // One folder's entries in the order the file system gave them.
  struct Listing {
    std::vector<FileItem> entries;  // files and folders
  };
  void AddEntry(ui::VNode* category, const std::string& name, const std::string& folderNoSlash,
                int64_t size, const std::string& info);
  // The drive pass's decision on one file, in its steps: worth matching at
  // all, the first mask that matches it, not excepted nor listed already, a
  // name the shell takes, not locked (when asked), a shortcut only when its
  // target is missing.
  struct ScanFolder {
    const std::string& folder;       // "D:\A\B"
    const std::string& upperFolder;  // the same in upper case
    const std::wstring& folderW;
  };
  void ExamineFile(const ScanFolder& where, const FileItem& f);
  bool MayBeJunk(const FileItem& f, const std::string& upperName) const;
  ui::VNode* MatchingCategory(const std::string& upperName);
  bool IsExceptedOrListed(const std::string& upperName, const std::string& upperFull) const;
  bool ShortcutTestPasses(const std::string& full, const std::string& upperName, std::string& info);
  void ScanMaskFolder(const std::wstring& folderW, const std::string& folder, const std::string& mask,
                      bool allFiles);
  bool LeaveOutLocked(const std::wstring& pathW, uint32_t attr) const;
  void IndexMasks();
  std::unordered_map<std::string, size_t> masksByExtension_;  // ".EXT" -> first "*.EXT" mask
  std::vector<size_t> otherMasks_;                             // the rest, in list order
  size_t indexedMasks_ = static_cast<size_t>(-1);
  std::vector<FileItem> files_;  // reused by the walks
  // The counting pass reads every folder of a drive right before the scanning
  // pass reads them again; it keeps what it read (up to a budget of entries)
  // and the scanning pass takes each folder's listing from here once.
  void ReadFolder(const std::wstring& folderW, Listing& out, bool keep);
  std::unordered_map<std::wstring, Listing> listings_;
  size_t listedEntries_ = 0;
  static constexpr size_t kListingBudget = 400000;
};

}  // namespace qz::dc
