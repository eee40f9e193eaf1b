#include "ui/check_state.h"

#include "core/registry.h"
#include "core/text.h"
#include "ui/stdctrls.h"
#include "ui/vtree_view.h"

namespace qz::ui {

void LoadCheckBoxFromRegistry(HKEY root, const std::string& key, const std::string& valueName, CheckBox* box) {
  if (!box || !RegHasValue(root, key, valueName)) return;
  // Only the integers 0 and 1 count; anything else keeps the designed state.
  if (RegIntegerEquals(root, key, valueName, 1))
    box->SetChecked(true);
  else if (RegIntegerEquals(root, key, valueName, 0))
    box->SetChecked(false);
}

bool SaveCheckBoxToRegistry(HKEY root, const std::string& key, const std::string& valueName, const CheckBox* box) {
  if (!box) return false;
  return RegSetIntegerChecked(root, key, valueName, box->Checked() ? 1 : 0);
}

void LoadListFromRegistry(HKEY root, const std::string& key, ListBox* list) {
  if (!list || !RegHasKey(root, key)) return;
  list->Clear();
  for (const std::string& name : RegListValueNames(root, key))
    if (!name.empty()) list->AddItem(name);  // a default value is no item
}

bool SaveListToRegistry(HKEY root, const std::string& key, const ListBox* list, bool upperCase) {
  if (!list) return false;
  // Start from an empty key, so removed items disappear; keep the key even
  // for an empty list, or the designed items would come back at the next load.
  if (!RegRemoveKey(root, key)) return false;
  if (!RegEnsureKey(root, key)) return false;
  bool ok = true;
  for (int i = 0; i < list->ItemCount(); ++i) {
    const std::string text = upperCase ? UpperLocale(list->ItemText(i)) : list->ItemText(i);
    if (text.empty()) continue;
    if (!RegSetStringChecked(root, key, text, "")) ok = false;
  }
  return ok;
}

namespace {

void SetAll(VTreeModel& tree, bool onlySelected, CheckState state) {
  if (tree.IsEmpty()) return;
  if (onlySelected && tree.SelectedCount() == 0) return;
  tree.BeginUpdate();
  for (VNode* n = tree.GetFirst(); n; n = tree.GetNext(n)) {
    if (tree.GetCheckType(n) == CheckType::None) continue;
    if (onlySelected && !tree.Selected(n)) continue;
    tree.SetCheckState(n, state);
  }
  tree.EndUpdate();
}

}  // namespace

void SetAllNodesChecked(VTreeModel& tree, bool onlySelected) { SetAll(tree, onlySelected, CheckState::Checked); }
void SetAllNodesUnchecked(VTreeModel& tree, bool onlySelected) { SetAll(tree, onlySelected, CheckState::Unchecked); }

void SetAllNodesChecked(VTreeView* tree, bool onlySelected) {
  if (!tree) return;
  SetAllNodesChecked(tree->Tree(), onlySelected);
  tree->Invalidate();
}

void SetAllNodesUnchecked(VTreeView* tree, bool onlySelected) {
  if (!tree) return;
  SetAllNodesUnchecked(tree->Tree(), onlySelected);
  tree->Invalidate();
}

}  // namespace qz::ui
