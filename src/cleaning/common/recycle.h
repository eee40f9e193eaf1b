// What every cleaner checks right before it hands a user's file to the
// Recycle Bin, and the grouped confirmation that the shell really took it.
//
// A path found by a search is only recycled when it still names the file that
// was shown: a plain file with a name the shell takes safely, reached through
// a chain of plain folders (no folder on the way became a link since the
// search), that is itself (core/file_itself.h: no link to a file) and whose
// name on disk is exactly the listed name. Files the shell reports as taken
// are confirmed gone afterwards, in groups per folder, by the identity taken
// right before the recycle (a name may by then reach a case twin or a new
// file).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

#include "core/file_itself.h"

namespace qz::ui {
struct VNode;
}

namespace qz::cleaning {

// A name that may be listed and later recycled: no < > : " / \ | ? * or
// control character, no trailing "." or blank, and the full path fits the
// shell's file operation (shorter than MAX_PATH and shell-safe).
bool IsListableName(const std::string& name, const std::string& fullPath);

// How an entry stands right before it goes to the Recycle Bin: Ready only for
// a plain file with a name the shell takes safely, in a chain of plain
// folders, that is itself (NotItself: a link to a file) and whose name on
// disk is exactly the listed name (a name that now reaches a twin differing
// in case, or another file through a short name, means the listed file is
// gone: Vanished). *check gets the core's look, with the identity that
// confirms the recycle afterwards; hand it to ShellRecycleChecked.
enum class RecycleCheck { Ready, Vanished, NotAFile, ReparsePoint, LinkedFolder, UnsafeName, Unreadable, NotItself };
RecycleCheck CheckBeforeRecycle(const std::string& path, PathCheck* check = nullptr);

// Every folder from the drive root down to `folder` (with trailing
// backslash): Plain when each is a real folder, Missing when one is gone,
// Linked when one is a link, a file or cannot be looked at.
enum class FolderChain { Plain, Missing, Linked };
FolderChain CheckFolderChain(const std::string& folder);

// The names in a folder, upper-cased, read in one pass. False when the folder
// cannot be read (a folder that is gone reads as empty and true).
bool ListNamesUpper(const std::string& folder, std::unordered_set<std::string>& out);

// CheckBeforeRecycle for many files that come grouped by folder: the folder
// chain is looked at once per folder, and again when time has passed.
class RecycleChecker {
 public:
  // folder: the file's folder without trailing backslash.
  RecycleCheck Check(const std::string& folder, const std::string& path, PathCheck* check = nullptr);

 private:
  std::string chainFolder_;
  FolderChain chain_ = FolderChain::Plain;
  ULONGLONG chainTime_ = 0;
};

// Confirms files that the shell's quiet delete reported as taken. Looking up
// a name that no longer exists costs a read of the whole folder on some file
// systems (case-insensitive lookup), so a large group of one folder is
// confirmed by reading the folder once. A group ends when the folder changes,
// when it is full, or after a second (so the tree follows the delete).
class RecycleConfirmation {
 public:
  struct Item {
    ui::VNode* node = nullptr;
    std::string name;  // file name within the group's folder
    int64_t size = 0;
    FileIdentity identity;  // taken right before the recycle (PathCheck)
  };
  // Told once per taken file, in the order taken: gone or still there.
  using Verdict = std::function<void(const Item& item, bool gone)>;
  explicit RecycleConfirmation(Verdict verdict) : verdict_(std::move(verdict)) {}
  RecycleConfirmation(const RecycleConfirmation&) = delete;
  RecycleConfirmation& operator=(const RecycleConfirmation&) = delete;

  // Before each entry of the delete loop: confirms the open group when the
  // entry starts a new one (folder without trailing backslash).
  void StartEntry(const std::string& folder);
  // A file of the current entry's folder that the shell took.
  void Add(Item item) { taken_.push_back(std::move(item)); }
  // Confirms what is open (the delete loop calls it once more at its end).
  void Flush();

 private:
  Verdict verdict_;
  std::vector<Item> taken_;
  std::string folder_;
  ULONGLONG since_ = 0;
};

}  // namespace qz::cleaning
