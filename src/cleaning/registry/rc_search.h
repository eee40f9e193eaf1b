// The Registry Cleaner's search driver, its result-tree rules and its texts,
// as window-free routines: the module window (and the One-Click-Optimizer
// through it) calls these and only adds its pages, labels, timer and boxes.
//
// Search, as the window drives it:
//   HideEmpty := the program's HideEmptyCategories; AbortFlag := 0;
//   no drive checked -> NoDrivesMessage (not under OcoRunning), stay;
//   searching state, labels emptied, the result window's captions set
//   (ResultCaptionsFrom), progress timer on;
//   outcome := RunRegistrySearchCore(engine, tree, request, hooks)
//     (hooks.OnKind shows the kind's name, clears the key and value labels
//      and zeroes the progress bar);
//   timer off; Cancelled -> start state; NothingFound -> ZeroFoundMessage
//   (not under OcoRunning) and start state; otherwise results state and
//   SummaryText.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cleaning/registry/rc_engine.h"
#include "core/translation.h"
#include "ui/vtree_model.h"

namespace qz::rc {

// A kind the search runs, as the options window's kind tree gives it.
struct KindChoice {
  int32_t Kind = 0;
  std::string Name;  // translated
  int32_t ImageIndex = 0;
};

struct SearchRequest {
  std::string Drives;              // upper-case letters of the checked drives, in list order
  std::vector<KindChoice> Kinds;   // the checked kinds, in kind order
  bool HideEmpty = true;           // remove categories without entries
};

struct SearchHooks {
  std::function<void(const KindChoice&)> OnKind;  // a kind starts
};

enum class SearchOutcome { NoDrives, Cancelled, NothingFound, Found };

// The search: clears the tree, prepares the engine, adds one category per
// kind and runs the kind's check under it. Unless cancelled it then removes
// empty categories when asked, collapses the tree and recounts. A cancelled
// search leaves its partial tree with MarkedCount 0, and the delete step
// never acts on it.
SearchOutcome RunRegistrySearchCore(RegistryScanEngine& e, ui::VTreeModel& tree, const SearchRequest& request,
                                    const SearchHooks& hooks = {});

// A kind's category node: tri-state box below kind 10, plain box from 10 on,
// checked, 40 high; kinds 10-16 carry HKEY_CURRENT_USER and the list's key.
ui::VNode* AddKindCategory(RegistryScanEngine& e, ui::VTreeModel& tree, const KindChoice& kind);

// ---- counts -----------------------------------------------------------------

// FoundCount := entries (kinds 10-16 included); MarkedCount := checked
// entries of kinds 1-9 plus the entries of every checked category of kinds
// 10-16.
void RecountResults(RegistryScanEngine& e, ui::VTreeModel& tree);
// The result tree's OnChecking: keeps MarkedCount in step with a change
// about to happen to one node (the tree asks for every node a click changes,
// children and parents included). Always allowed.
bool TrackCheck(RegistryScanEngine& e, ui::VTreeModel& tree, ui::VNode* n, ui::CheckState newState);
// "marked / found".
std::string MarkedFoundText(const RegistryScanEngine& e);
// The result page's summary with %1 found, %2 marked, %3 examined.
std::string SummaryText(const RegistryScanEngine& e, const TranslateFn& tr = {});

// ---- what the result rows show -------------------------------------------------------

// The captions the search sets on the result window.
struct ResultCaptions {
  std::string Target = "verweist auf fehlende Datei:";
  std::string Extension = "Endung:";
  std::string Version = "Version:";
};
ResultCaptions ResultCaptionsFrom(const TranslateFn& tr);

// A category: its name and " [entries]".
std::string CategoryCaption(const RegScanNode& category, uint32_t entries);
// An entry's two lines (the second empty for kinds 10-16).
struct EntryLines {
  std::string First, Second;
};
EntryLines EntryText(const RegScanNode& entry, const ResultCaptions& captions);
// Column "Schlüssel": root name \ key \ value name ("" for categories).
std::string KeyColumnText(const RegScanNode& node);

// ---- message texts (German defaults, translated through tr) -----------------------------

std::string NoDrivesMessage(const TranslateFn& tr = {});
std::string ZeroFoundMessage(const TranslateFn& tr = {});
std::string NothingSelectedMessage(const TranslateFn& tr = {});
std::string SureToDeleteMessage(const TranslateFn& tr = {});
std::string DeletedMessage(const RegistryScanEngine& e, const TranslateFn& tr = {});
// The undo-file dialogs: English, never translated, shown even while the
// One-Click-Optimizer runs ("\r" between their two lines).
inline constexpr const char* kNoBackupNameError = "Error choosing a filename for Backup!";
inline constexpr const char* kBackupCreateError = "Error creating Backup-File!\rDisk full,corrupt or write-protected?";
inline constexpr const char* kBackupCloseError = "Error closing Backup-File!\rBackup may be corrupt or incomplete!";

}  // namespace qz::rc
