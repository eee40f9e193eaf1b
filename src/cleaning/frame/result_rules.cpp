#include "cleaning/frame/result_rules.h"

#include "core/globals.h"
#include "core/registry.h"

namespace qz::cleaning {

using ui::CheckState;
using ui::VNode;
using ui::VTreeModel;

ResultTotals CountTotals(const VTreeModel& tree, const EntryAccessor& entry) {
  ResultTotals t;
  if (tree.IsEmpty()) return t;
  for (VNode* n = tree.GetFirst(); n; n = tree.GetNext(n)) {
    const EntryFacts f = entry(tree, n);
    if (!f.IsEntry) continue;
    ++t.Found;
    t.FoundBytes += f.Size;
    if (tree.GetCheckState(n) == CheckState::Checked) {
      ++t.Marked;
      t.MarkedBytes += f.Size;
    }
  }
  return t;
}

void TrackCheckChange(ResultTotals& t, const VTreeModel& tree, VNode* n, CheckState newState,
                      const EntryAccessor& entry) {
  const EntryFacts f = entry(tree, n);
  if (!f.IsEntry) return;
  const CheckState old = tree.GetCheckState(n);
  if (old != CheckState::Checked && newState == CheckState::Checked) {
    ++t.Marked;
    t.MarkedBytes += f.Size;
  } else if (old == CheckState::Checked && newState != CheckState::Checked) {
    --t.Marked;
    t.MarkedBytes -= f.Size;
  }
}

bool SortByColumn(VTreeModel& tree, int& sortColumn, int clickedColumn, const NodeCompare& compare) {
  if (clickedColumn == sortColumn) return false;
  sortColumn = clickedColumn;
  tree.SortWith(
      nullptr, [&compare, clickedColumn](VNode* a, VNode* b) { return compare(a, b, clickedColumn); }, true,
      true);
  return true;
}

void RemoveEmptyCategories(VTreeModel& tree) {
  for (VNode* n = tree.GetFirst(); n;) {
    VNode* next = tree.GetNextSibling(n);
    if (tree.ChildCount(n) == 0) tree.DeleteNode(n);
    n = next;
  }
}

bool ReadHideEmptyCategories(HKEY root, const std::string& optionsKey) {
  const std::string key = optionsKey.empty() ? OptionsKey() : optionsKey;
  if (!RegHasValue(root, key, "HideEmptyCategories")) return true;
  return !RegIntegerEquals(root, key, "HideEmptyCategories", 0);
}

bool ReadOpenMaximized(HKEY root, const std::string& optionsKey) {
  const std::string key = optionsKey.empty() ? OptionsKey() : optionsKey;
  if (!RegHasValue(root, key, "OpenMaximized")) return true;
  return RegIntegerEquals(root, key, "OpenMaximized", 1);
}

}  // namespace qz::cleaning
