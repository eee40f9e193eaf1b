// The DLL Cleaner's search, result list and delete as window-free routines:
// the module window calls these and adds only its pages, labels, timer and
// message boxes around them.
//
// Search, as the window drives it:
//   AbortFlag := 0; letters := the checked drives;
//   CheckDllSearchStart -> NoDrives / NoWinDrive warning, stop;
//   SureToSearchMessage Yes/No; searching state; engine inputs from the
//   options; engine.AnalyzeDlls() with the display timer running;
//   AbortFlag 1 -> start state; otherwise BuildDllRows, RecountDllSelection,
//   no rows -> NothingFoundMessage and start state, else results state and
//   SummaryText.
// Delete:
//   no row marked -> DeleteZeroSelectedMessage; SureToDeleteMessage Yes/No;
//   deleting state; DeleteMarkedDllsCore; RecountDllSelection;
//   DeletedMessage; start state.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "cleaning/dll/dll_engine.h"
#include "cleaning/drive/dc_search.h"
#include "cleaning/frame/result_rules.h"
#include "core/translation.h"
#include "ui/vtree_model.h"

namespace qz::dll {

using dc::NumberFormat;

inline constexpr int32_t kRiskColor = 221;  // RGB(221, 0, 0): the red of risky rows

// The record of every row of the result list: a group header (IsGroup 1,
// no check box) or one copy.
struct DllNode {
  std::string Name;      // upper-case file name; the header row's text
  int64_t Size = 0;      // bytes
  std::string Folder;    // upper case, no trailing backslash
  std::string Version;   // the display cut of the version text
  int32_t TextColor = 0; // 0 or kRiskColor
  std::string FullPath;  // upper case
  std::string Date;      // last write, as collected
  int32_t Reason = 0;    // 0..6
  uint8_t IsGroup = 0;
  // The file as the walk met it, for the delete's second look.
  std::string FilePath;  // as the file system spells it
  FILETIME LastWrite{};
};

// ---- search ------------------------------------------------------------------

enum class DllSearchStart { Ok, NoDrives, NoWinDrive };
// No drive chosen; or the Windows folder lies on a drive that is not chosen.
DllSearchStart CheckDllSearchStart(const std::string& driveLetters, const std::string& winDir);

// The list from the engine's groups: per group a header row, then one row per
// copy, every row unmarked; copies directly in a Windows folder carry no check
// box; rows with an unknown version, a newer version or in a Windows folder are
// red. The tree is cleared first and takes DllNode records.
void BuildDllRows(const DllEngine& e, ui::VTreeModel& tree);

// ---- totals ------------------------------------------------------------------

// A copy's row is an entry of the list, a header row is not.
cleaning::EntryFacts DllEntry(const ui::VTreeModel& tree, ui::VNode* n);
// Found: the copies listed; marked: the checked ones (with their bytes).
cleaning::ResultTotals RecountDllSelection(const ui::VTreeModel& tree);
// Label_DLL_Files: "marked / listed".
std::string FilesLabelText(const cleaning::ResultTotals& t);
// Label_DLL_Bytes: "x MB / y MB", MB with thousands separators and 3 decimals.
std::string BytesLabelText(const cleaning::ResultTotals& t, const NumberFormat& nf = NumberFormat::User());
// The result page's text with %1..%6 filled (MB with 2 decimals).
std::string SummaryText(const cleaning::ResultTotals& t, int64_t dllFilesSeen, int64_t foldersEntered,
                        const TranslateFn& tr = {}, const NumberFormat& nf = NumberFormat::User());

// ---- result window -------------------------------------------------------------

// The tree's OnChecking: header rows and copies in a Windows folder are never
// marked; a copy's change is allowed and kept in the totals.
bool TrackDllCheck(ui::VTreeModel& tree, cleaning::ResultTotals& totals, ui::VNode* n, ui::CheckState newState);
// Some marked row is red (the close question).
bool HasRiskyMarkedRow(ui::VTreeModel& tree);
// The two reason lines of a row ("Nicht verfügbar" twice for reason 0).
std::pair<std::string, std::string> ReasonLines(int reason, const TranslateFn& tr = {});
inline constexpr const char* kNotAvailable = "Nicht verfügbar";

// ---- delete ----------------------------------------------------------------------

// How a marked row stands right before it goes to the Recycle Bin.
enum class DllRowCheck {
  Ready,
  Vanished,      // the file is gone: counts as deleted
  Reference,     // directly in a Windows folder
  Protected,     // in a system store
  Referenced,    // named by SharedDLLs, App Paths or KnownDLLs now
  NotPlainFile,  // a link, a folder, a name the shell cannot take, a linked folder on the way
  Changed,       // size or last-write time differ from the list
  InUse,
};
DllRowCheck CheckDllRow(const DllNode& row, const DllPlaces& places, const DllReferences& refs);

struct DllDeleteResult {
  int64_t Deleted = 0;
  int64_t Failed = 0;
};
struct DllDeleteHooks {
  std::function<void(const std::string& path, int64_t position)> OnFile;  // label and progress bar
  std::function<bool(const std::string& path)> Recycle;  // test seam; the core's quiet recycle when empty
};
// Every marked copy, in list order while AbortFlag is 0: checked again
// (CheckDllRow, with the registry's references read afresh now), then
// recycled. A vanished file and a recycled one count as deleted and leave the
// list; anything else counts as failed and stays. Header rows stay.
DllDeleteResult DeleteMarkedDllsCore(ui::VTreeModel& tree, const DllFolders& folders,
                                     const DllDeleteHooks& hooks = {});

// ---- message texts (German defaults, translated through tr) ----------------------

std::string NoDrivesMessage(const TranslateFn& tr = {});
std::string NoWinDriveMessage(const TranslateFn& tr = {});
std::string SureToSearchMessage(const TranslateFn& tr = {});
std::string NothingFoundMessage(const TranslateFn& tr = {});
std::string DeleteZeroSelectedMessage(const TranslateFn& tr = {});
std::string SureToDeleteMessage(const TranslateFn& tr = {});
std::string DeletedMessage(const DllDeleteResult& r, const TranslateFn& tr = {});
std::string SureToDeleteRedMessage(const TranslateFn& tr = {});

}  // namespace qz::dll
