#include "cleaning/registry/rc_settings.h"

#include "core/globals.h"
#include "core/registry.h"
#include "core/text.h"

namespace qz::rc {

using ui::CheckState;
using ui::CheckType;
using ui::VNode;
using ui::VTreeModel;

OptionsLocation OptionsLocation::Default() {
  OptionsLocation l;
  l.key = OptionsKey("RC");
  return l;
}

void BuildCheckKindTree(VTreeModel& tree, const TranslateFn& tr) {
  tree.Clear();
  tree.SetRecordType<RegCheckKindNode>();
  for (const KindInfo& k : Kinds()) {
    const std::string n = IntToStr(k.Kind);
    RegCheckKindNode rec;
    rec.Name = Tr(tr, "MESSAGE_FileTyp_" + n + "_1", k.Name);
    rec.Description = Tr(tr, "MESSAGE_FileTyp_" + n + "_2", k.Description);
    rec.ImageIndex = k.ImageIndex;
    rec.Kind = k.Kind;
    VNode* node = tree.AddChild(nullptr, std::move(rec));
    tree.SetCheckType(node, CheckType::TriState);
    tree.SetCheckState(node, CheckState::Checked);
    tree.SetNodeHeight(node, kKindRowHeight);
  }
}

void ApplyStoredKinds(const OptionsLocation& loc, VTreeModel& tree) {
  int i = 0;
  for (VNode* n = tree.GetFirst(); n; n = tree.GetNextSibling(n), ++i) {
    const std::string name = "Typ_" + IntToStr(i);
    if (!RegHasValue(loc.root, loc.key, name)) break;
    tree.SetCheckType(n, CheckType::CheckBox);
    tree.SetCheckState(n, RegIntegerEquals(loc.root, loc.key, name, 1) ? CheckState::Checked : CheckState::Unchecked);
  }
}

bool SaveKinds(const OptionsLocation& loc, VTreeModel& tree) {
  bool ok = true;
  int i = 0;
  for (VNode* n = tree.GetFirst(); n; n = tree.GetNextSibling(n), ++i) {
    const bool on = tree.GetCheckState(n) == CheckState::Checked;
    ok = RegSetIntegerChecked(loc.root, loc.key, "Typ_" + IntToStr(i), on ? 1 : 0) && ok;
  }
  return ok;
}

std::vector<KindChoice> CheckedKinds(VTreeModel& tree) {
  std::vector<KindChoice> out;
  for (VNode* n = tree.GetFirst(); n; n = tree.GetNextSibling(n)) {
    if (tree.GetCheckState(n) != CheckState::Checked) continue;
    const RegCheckKindNode& d = tree.Data<RegCheckKindNode>(n);
    out.push_back({d.Kind, d.Name, d.ImageIndex});
  }
  return out;
}

}  // namespace qz::rc
