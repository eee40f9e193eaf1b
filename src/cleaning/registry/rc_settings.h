// The Registry Cleaner's settings: which kinds run and which drives are
// tested, under HKLM\ProductRegKey\Options\RC. The options window keeps the
// kind tree (a VTreeModel of RegCheckKindNode) and the drive list as its live
// state; the search reads them, and closing the window stores them.
//
//   "Typ_0".."Typ_15"  REG_DWORD 1/0: kind (index + 1) runs. Read in order
//                      up to the first missing one; with none stored, every
//                      kind runs and the boxes stay tri-state.
//   "C", "D", ...      REG_SZ "1"/"0": the drive is tested (a drive without
//                      a value is tested).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "cleaning/registry/rc_search.h"
#include "ui/vtree_model.h"

namespace qz::rc {

// Where the settings live. The program uses the default; tests point it at a
// scratch key.
struct OptionsLocation {
  HKEY root = HKEY_LOCAL_MACHINE;
  std::string key;  // ProductRegKey\Options\RC
  static OptionsLocation Default();
};

// Node record of the kind tree.
struct RegCheckKindNode {
  std::string Name;
  std::string Description;
  int32_t ImageIndex = 0;
  int32_t Kind = 0;
};

inline constexpr uint16_t kKindRowHeight = 48;

// Sixteen top-level nodes in kind order, tri-state boxes, checked; names and
// descriptions through tr ("MESSAGE_FileTyp_<kind>_1" / "_2").
void BuildCheckKindTree(ui::VTreeModel& tree, const TranslateFn& tr = {});
// Applies "Typ_0".. in order: a stored kind gets a plain box, checked
// exactly when its value reads as the integer 1; the first missing value
// ends the walk.
void ApplyStoredKinds(const OptionsLocation& loc, ui::VTreeModel& tree);
// "Typ_<i>" := 1 when node i is checked, else 0. True when every write held.
bool SaveKinds(const OptionsLocation& loc, ui::VTreeModel& tree);
// The checked kinds in tree order, as the search takes them.
std::vector<KindChoice> CheckedKinds(ui::VTreeModel& tree);

}  // namespace qz::rc
