// The rules every cleaner's result tree follows, as window-free routines: the
// engines call them while they fill a tree and the shared result window
// (result_window.h) calls them on the user's clicks.
//
// A result tree has category nodes at the root and entries below them; what
// a module's node record says is reached through an EntryAccessor, so the
// rules need no knowledge of the record.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "ui/vtree_model.h"

namespace qz::cleaning {

// What the rules need to know of a node.
struct EntryFacts {
  bool IsEntry = false;  // an entry (not a category)
  int64_t Size = 0;      // bytes; 0 when the module counts no sizes
};
using EntryAccessor = std::function<EntryFacts(const ui::VTreeModel& tree, ui::VNode* n)>;

// Found: every entry; marked: the checked ones (with their sizes).
struct ResultTotals {
  int64_t Found = 0;
  int64_t FoundBytes = 0;
  int64_t Marked = 0;
  int64_t MarkedBytes = 0;
};

// Counts the whole tree. An empty tree gives four zeros.
ResultTotals CountTotals(const ui::VTreeModel& tree, const EntryAccessor& entry);
// Keeps the marked totals in step with a check change about to happen
// (the tree's OnChecking); categories change nothing.
void TrackCheckChange(ResultTotals& totals, const ui::VTreeModel& tree, ui::VNode* n,
                      ui::CheckState newState, const EntryAccessor& entry);

// Orders two nodes of one parent by a column: < 0, 0 or > 0.
using NodeCompare = std::function<int(ui::VNode* a, ui::VNode* b, int column)>;
// A click on a column header: sorts the whole tree ascending by that column
// (a stable sort, every level) unless it already is the sort column. True when
// it sorted.
bool SortByColumn(ui::VTreeModel& tree, int& sortColumn, int clickedColumn, const NodeCompare& compare);

// Deletes every category node (root level) without entries.
void RemoveEmptyCategories(ui::VTreeModel& tree);

// HKLM\ProductRegKey\Options "HideEmptyCategories": on unless it reads as the
// integer 0 (missing: on).
bool ReadHideEmptyCategories(HKEY root = HKEY_LOCAL_MACHINE, const std::string& optionsKey = {});
// HKLM\ProductRegKey\Options "OpenMaximized": the result windows open
// maximised when the value is missing or reads as the integer 1.
bool ReadOpenMaximized(HKEY root = HKEY_LOCAL_MACHINE, const std::string& optionsKey = {});

}  // namespace qz::cleaning
