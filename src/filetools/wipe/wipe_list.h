// The File Wiper's list: files and folders the user chose (dialogs, drop,
// Recycle Bin), as TWipeEntry nodes of a tree model. A folder entry carries
// its files and sub-folders as child nodes.
//
// A path is listed once: entries are compared on their full long path
// (GetFullPathNameW, GetLongPathNameW) without regard to case, through a
// hash set that follows every node that leaves the tree. Folder links are
// never listed.
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "core/stringlist.h"
#include "filetools/wipe/wipe_engine.h"
#include "ui/vtree_model.h"

namespace qz::fw {

class WipeList {
 public:
  // Takes over the tree's record type and its OnFreeNode.
  explicit WipeList(ui::VTreeModel& tree);
  ~WipeList();
  WipeList(const WipeList&) = delete;
  WipeList& operator=(const WipeList&) = delete;

  ui::VTreeModel& Tree() { return tree_; }

  // A file entry as the last child of parent (nullptr: top level). Nothing
  // (nullptr) when the file is listed already or the path is a folder.
  ui::VNode* AddWipeEntry(ui::VNode* parent, const std::string& path);
  // A folder entry with its files and, recursively, its sub-folders (with
  // AbortFlag cleared first). Nothing (nullptr) when it is listed already,
  // does not exist or is a link.
  ui::VNode* AddWipeFolder(ui::VNode* parent, const std::string& folder);
  // Dropped items, in order, as top-level file entries (folders are ignored).
  void AddDropped(const std::vector<std::string>& paths);

  bool ContainsFile(const std::string& path) const;
  bool ContainsFolder(const std::string& path) const;
  // After a run changed a node's path (a renamed file that stayed).
  void PathChanged(ui::VNode* n);

 private:
  ui::VNode* AddFile(ui::VNode* parent, std::string path, std::string key);
  ui::VNode* AddFolder(ui::VNode* parent, const std::string& folder, std::string key);
  void Forget(ui::VNode* n);

  ui::VTreeModel& tree_;
  // Views of the records' keys (a record never moves while its node lives).
  std::unordered_set<std::string_view> files_;
  std::unordered_set<std::string_view> folders_;
};

// The comparison key of a path: full, long, upper case, without a trailing
// backslash (but "C:\" for a drive root).
std::string WipeListKey(const std::string& path);

// True for the Recycle Bin's own bookkeeping, given the path below the
// drive's root ("RECYCLER\S-1-5-21-1\INFO2"): INFO, INFO2 and DESKTOP.INI
// directly in RECYCLED\ or RECYCLER\<sid>\ (or RECYCLER\), and the folder
// NPROTECT there with what it holds.
bool IsRecycleBinBookkeeping(const std::string& pathBelowRoot);

// Roots ("C:\" .. "Z:\") of the drives whose bins are wiped: removable,
// fixed, remote and RAM drives that are ready (asked with critical-error
// boxes suppressed).
std::vector<std::string> RecycleBinDrives();

// Clears AbortFlag, then lists the files of RECYCLED and RECYCLER below each
// root ("C:\"), in that order, without the bin's bookkeeping.
StringList CollectRecycleBinFiles(const std::vector<std::string>& roots = RecycleBinDrives());

}  // namespace qz::fw
