#include "cleaning/registry/rc_search.h"

#include <windows.h>

#include "cleaning/frame/result_rules.h"
#include "core/globals.h"
#include "core/pump.h"
#include "core/registry.h"
#include "core/text.h"

namespace qz::rc {

using ui::CheckState;
using ui::CheckType;
using ui::VNode;
using ui::VTreeModel;

// ---- search ---------------------------------------------------------------------

VNode* AddKindCategory(RegistryScanEngine& e, VTreeModel& tree, const KindChoice& kind) {
  RegScanNode rec;
  rec.IsCategory = 1;
  rec.Text = rec.CategoryName = kind.Name;
  rec.Kind = kind.Kind;
  rec.ImageIndex = kind.ImageIndex;
  if (IsMruKind(kind.Kind)) {
    const auto& views = e.Locations.MruOf(kind.Kind);
    rec.Root = views.empty() ? HKEY_CURRENT_USER : views[0].root;
    rec.Key = views.empty() ? KindOf(kind.Kind).MruKey : views[0].path;
  }
  VNode* n = tree.AddChild(nullptr, std::move(rec));
  tree.SetCheckType(n, IsMruKind(kind.Kind) ? CheckType::CheckBox : CheckType::TriState);
  tree.SetCheckState(n, CheckState::Checked);
  tree.SetNodeHeight(n, kCategoryHeight);
  return n;
}

SearchOutcome RunRegistrySearchCore(RegistryScanEngine& e, VTreeModel& tree, const SearchRequest& request,
                                    const SearchHooks& hooks) {
  AbortFlag = 0;
  if (request.Drives.empty()) return SearchOutcome::NoDrives;
  // No error box for an empty drive while its files are tested.
  const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  tree.Clear();
  e.BeginSearch(tree, request.Drives);
  for (const KindChoice& k : request.Kinds) {
    if (AbortFlag == 1) break;
    e.CurrentCategory = AddKindCategory(e, tree, k);
    e.CurrentImageIndex = k.ImageIndex;
    e.CurrentKind = k.Kind;
    e.CurrentCategoryName = k.Name;
    e.CurrentKeyText.clear();
    e.CurrentValueText.clear();
    e.CategoryTotal = e.CategoryDone = 0;
    if (hooks.OnKind) hooks.OnKind(k);
    PumpMessages();
    e.RunKind(k.Kind);
  }
  e.CurrentCategory = nullptr;
  SetErrorMode(oldMode);

  if (AbortFlag == 1) {
    e.MarkedCount = 0;
    return SearchOutcome::Cancelled;
  }
  if (request.HideEmpty) cleaning::RemoveEmptyCategories(tree);
  tree.FullCollapse();
  RecountResults(e, tree);
  e.SearchComplete = true;
  return e.FoundCount == 0 ? SearchOutcome::NothingFound : SearchOutcome::Found;
}

// ---- counts -------------------------------------------------------------------

void RecountResults(RegistryScanEngine& e, VTreeModel& tree) {
  int32_t found = 0, marked = 0;
  if (!tree.IsEmpty() && tree.RecordSize() == sizeof(RegScanNode)) {
    for (VNode* n = tree.GetFirst(); n; n = tree.GetNext(n)) {
      const RegScanNode& d = tree.Data<RegScanNode>(n);
      const bool checked = tree.GetCheckState(n) == CheckState::Checked;
      if (!d.IsCategory) {
        ++found;
        if (checked && !IsMruKind(d.Kind)) ++marked;
      } else if (checked && IsMruKind(d.Kind)) {
        marked += static_cast<int32_t>(tree.ChildCount(n));
      }
    }
  }
  e.FoundCount = found;
  e.MarkedCount = marked;
}

bool TrackCheck(RegistryScanEngine& e, VTreeModel& tree, VNode* n, CheckState newState) {
  const RegScanNode& d = tree.Data<RegScanNode>(n);
  int32_t delta = 0;
  if (!d.IsCategory)
    delta = IsMruKind(d.Kind) ? 0 : 1;
  else if (IsMruKind(d.Kind))
    delta = static_cast<int32_t>(tree.ChildCount(n));
  const bool was = tree.GetCheckState(n) == CheckState::Checked;
  const bool will = newState == CheckState::Checked;
  if (!was && will) e.MarkedCount += delta;
  if (was && !will) e.MarkedCount -= delta;
  return true;
}

std::string MarkedFoundText(const RegistryScanEngine& e) {
  return IntToStr(e.MarkedCount) + " / " + IntToStr(e.FoundCount);
}

std::string SummaryText(const RegistryScanEngine& e, const TranslateFn& tr) {
  std::string t = Tr(tr, "MESSAGE_Result",
                     "Es wurden insgesammt %1 Einträge gefunden.<br>Davon sind %2 Einträge zum Löschen markiert."
                     "<br>Es wurden insgesammt %3 Einträge in der Registrierdatenbank untersucht.");
  t = ReplaceAllI(t, "%1", IntToStr(e.FoundCount));
  t = ReplaceAllI(t, "%2", IntToStr(e.MarkedCount));
  return ReplaceAllI(t, "%3", IntToStr(e.ExaminedCount));
}

// ---- rows -------------------------------------------------------------------------

ResultCaptions ResultCaptionsFrom(const TranslateFn& tr) {
  ResultCaptions c;
  c.Target = Tr(tr, "MESSAGE_String_Target", c.Target);
  c.Extension = Tr(tr, "MESSAGE_String_Extension", c.Extension);
  c.Version = Tr(tr, "MESSAGE_String_Version", c.Version);
  return c;
}

std::string CategoryCaption(const RegScanNode& category, uint32_t entries) {
  return category.Text + " [" + IntToStr(entries) + "]";
}

EntryLines EntryText(const RegScanNode& d, const ResultCaptions& c) {
  if (IsMruKind(d.Kind)) return {d.Text, {}};
  std::string first = "\"" + d.Text + "\" ";
  if (d.Kind == kFileTypes) first += "(" + c.Extension + " " + d.Version + ") ";
  if (d.Kind == kTypeLibs) first += "(" + c.Version + " " + d.Version + ") ";
  return {first + c.Target, d.Target};
}

std::string KeyColumnText(const RegScanNode& d) {
  if (d.IsCategory) return {};
  return RegRootKeyName(d.Root) + "\\" + d.Key + "\\" + d.ValueName;
}

// ---- messages -----------------------------------------------------------------

std::string NoDrivesMessage(const TranslateFn& tr) {
  return Tr(tr, "MESSAGE_NoDrives",
            "Sie müssen bei den Einstellungen mindestens ein Laufwerk markieren, auf welches Verweise überprüft "
            "werden sollen.");
}

std::string ZeroFoundMessage(const TranslateFn& tr) {
  return Tr(tr, "MESSAGE_ZeroFound", "Es wurden keine verwaisten Einträge in der Registrierdatenbank gefunden.");
}

std::string NothingSelectedMessage(const TranslateFn& tr) {
  return Tr(tr, "MESSAGE_NothingSelectedToDelete", "Sie müssen mindestens einen Eintrag zum Löschen auswählen.");
}

std::string SureToDeleteMessage(const TranslateFn& tr) {
  return Tr(tr, "MESSAGE_SureToDelete",
            "Sind Sie ganz sicher, dass Sie die markierten Einträge wirklich löschen wollen?");
}

std::string DeletedMessage(const RegistryScanEngine& e, const TranslateFn& tr) {
  std::string t = Tr(tr, "MESSAGE_Deleted", "Es wurden %1 Einträge gelöscht.\rDabei traten %2 Fehler auf.");
  t = ReplaceAllI(t, "%1", IntToStr(e.DeletedCount));
  return ReplaceAllI(t, "%2", IntToStr(e.DeleteErrorCount));
}

}  // namespace qz::rc
