// Persisting the state of option controls in the registry, and checking or
// unchecking a whole result tree at once.
//
// Check boxes are REG_DWORD values 1/0 named by the caller. A value that is
// missing, or that is not the integer 0 or 1 (another number, a text, binary
// data), leaves the box as designed. A list box is a key of its own: one
// value per item, named by the item text, with empty text data; reading it
// back gives the registry's order.
#pragma once

#include <windows.h>

#include <string>

namespace qz::ui {

class CheckBox;
class ListBox;
class VTreeModel;
class VTreeView;

void LoadCheckBoxFromRegistry(HKEY root, const std::string& key, const std::string& valueName, CheckBox* box);
// True when the value reads back as written.
bool SaveCheckBoxToRegistry(HKEY root, const std::string& key, const std::string& valueName, const CheckBox* box);
// A missing key leaves the list as designed; an existing key (even empty)
// replaces the items with its value names.
void LoadListFromRegistry(HKEY root, const std::string& key, ListBox* list);
// Replaces the key with the items (upper-cased when asked; duplicates
// collapse into one value). The key exists afterwards even for an empty
// list, so items the user removed stay removed. True when every item was written.
bool SaveListToRegistry(HKEY root, const std::string& key, const ListBox* list, bool upperCase);

// Every node with a check type (all levels; only the selected ones when
// onlySelected) gets the state checked / unchecked: set directly, no check
// events, nothing passed down to children. A tri-state category still shows
// what its entries give afterwards (the tree's rule, vtree_model.h). Nodes
// without a check type keep theirs. The view repaints.
void SetAllNodesChecked(VTreeView* tree, bool onlySelected);
void SetAllNodesUnchecked(VTreeView* tree, bool onlySelected);
// The same on a tree without window.
void SetAllNodesChecked(VTreeModel& tree, bool onlySelected);
void SetAllNodesUnchecked(VTreeModel& tree, bool onlySelected);

}  // namespace qz::ui
