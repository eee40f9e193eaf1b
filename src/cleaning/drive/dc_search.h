// The Drive Cleaner's search, totals and delete as window-free routines. The
// engine (drive_cleaner.h) runs them for its window and for the
// One-Click-Optimizer; the window only adds its pages, labels, timer and
// message boxes around them (the cleaner wizard's flow).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "cleaning/common/mb_format.h"
#include "cleaning/common/recycle.h"
#include "cleaning/drive/dc_settings.h"
#include "cleaning/drive/scan_engine.h"
#include "cleaning/frame/result_rules.h"
#include "core/translation.h"
#include "ui/vtree_model.h"

namespace qz::dc {

// The shared formatter and pre-recycle check (cleaning/common).
using cleaning::CheckBeforeRecycle;
using cleaning::FormatMB;
using cleaning::FormatMBSummary;
using cleaning::NumberFormat;
using cleaning::RecycleCheck;

// What the search takes from the options window.
struct SearchSettings {
  DriveCleanerOptions Options;
  std::string Drives;  // upper-case letters of the checked drives, in list order
  std::vector<MaskGroup> Groups;
  std::vector<ExceptionEntry> Exceptions;
  bool HideEmpty = true;
};
SearchSettings MakeSearchSettings(const DriveCleanerSettings& s, bool hideEmpty);

enum class PassKind { SystemTemp, UserTemp, Minidump, Counting, Scanning };
// Told at the start of every pass: the label texts to show, and for the
// scanning pass the progress bar's maximum (the folders just counted).
struct PassStart {
  PassKind Kind;
  std::string DriveLabel;   // Label_DC_Laufwerk
  std::string FolderLabel;  // Label_DC_Folder
  int64_t ProgressMax = 0;
};
struct SearchHooks {
  TranslateFn Tr;                                // the module window's section
  std::function<void(const PassStart&)> OnPass;  // labels, bar, timer handler, repaint
};

enum class SearchOutcome { NoDrives, Cancelled, NothingFound, Found };

// The search: clears the tree, prepares the engine, makes the categories and
// the mask list, applies the user's exceptions, runs the temporary-folder,
// crash-dump and drive passes, then (unless cancelled) removes empty
// categories when asked, collapses the tree and recomputes the totals.
SearchOutcome RunDriveSearchCore(DriveScanEngine& e, ui::VTreeModel& tree, const SearchSettings& s,
                                 const SearchHooks& hooks = {},
                                 const ScanEnvironment& env = ScanEnvironment::FromSystem());

// Category nodes (and masks) as the search makes them; exposed for the tests.
void BuildCategories(DriveScanEngine& e, ui::VTreeModel& tree, const SearchSettings& s,
                     const TranslateFn& tr, ui::VNode** tmpCategory, ui::VNode** dumpCategory);
ui::VNode* AddCategory(ui::VTreeModel& tree, const std::string& caption, int32_t imageIndex);

// ---- totals --------------------------------------------------------------

// What the shared result rules see of a node: an entry with its size, or a
// category.
cleaning::EntryFacts DriveEntry(const ui::VTreeModel& tree, ui::VNode* n);
// e.Totals counted from the tree (cleaning::CountTotals over DriveEntry).
void RecomputeTotals(DriveScanEngine& e, ui::VTreeModel& tree);

// Label_DC_Files: "marked / found".
std::string FilesLabelText(const DriveScanEngine& e);
// Label_DC_Bytes: "x MB / y MB".
std::string BytesLabelText(const DriveScanEngine& e, const NumberFormat& nf = NumberFormat::User());
// The result page's summary with %1..%6 filled.
std::string SummaryText(const DriveScanEngine& e, const TranslateFn& tr = {},
                        const NumberFormat& nf = NumberFormat::User());

// ---- result window -------------------------------------------------------

// Sort order of the result tree (the result window's compare hook): column 0
// by Folder + "\" + FileName (character codes, case-sensitive), column 1 by
// Size; -1, 0 or 1 (equal items compare 0, so the stable sort keeps their
// order).
int CompareDriveNodes(const DriveScanNode& a, const DriveScanNode& b, int column);

// After an exception was added: removes every entry whose folder (or a folder
// above it) is now excluded or whose name (or full path) is a file exception,
// lowers the found totals, then recomputes the totals. Returns how many
// entries went.
int PruneExceptions(DriveScanEngine& e, ui::VTreeModel& tree);
// "Add folder as exception" on an entry: F = Folder + "\" joins the engine's
// exclusions and the tree is pruned. Returns F.
std::string ApplyFolderException(DriveScanEngine& e, ui::VTreeModel& tree, const DriveScanNode& entry);
// "Add file as exception": the entry's name alone (valid in every folder).
std::string ApplyFileException(DriveScanEngine& e, ui::VTreeModel& tree, const DriveScanNode& entry);

// ---- delete --------------------------------------------------------------

struct DeleteHooks {
  TranslateFn Tr;
  std::function<void(const std::string& path, int64_t position)> OnFile;  // label + progress
  std::function<void(const std::string& label)> OnTempCleanup;            // label, progress 0
  std::function<bool(const std::string& path)> Recycle;  // test seam; the shell's quiet delete when empty
};
// Counters (FilesDeleted, BytesDeleted, DeleteErrors) and AbortFlag reset,
// then every checked entry is checked again and recycled: a vanished file
// counts as deleted, anything else that is not a plain file is an error and
// stays. Deleted entries leave the tree. Unless cancelled, empty sub-folders
// of the temporary folders go (the folders themselves stay). Totals are
// recomputed at the end.
void DeleteMarkedFilesCore(DriveScanEngine& e, ui::VTreeModel& tree, const DriveCleanerOptions& options,
                           const DeleteHooks& hooks = {});
// Removes the empty folders below folder (kept itself), never entering a
// reparse point or an excluded folder. Returns how many went.
int RemoveEmptyTempSubfolders(const DriveScanEngine& e, const std::string& folder);

// ---- message texts (German defaults, translated through tr) ----------------

std::string NoDrivesMessage(const TranslateFn& tr = {});
std::string ZeroFoundMessage(const TranslateFn& tr = {});
std::string NothingSelectedMessage(const TranslateFn& tr = {});
std::string SureToDeleteMessage(const TranslateFn& tr = {});
std::string DeletedMessage(const DriveScanEngine& e, const TranslateFn& tr = {});
std::string FolderAsExceptionMessage(const std::string& folder, const TranslateFn& tr = {});
std::string FileAsExceptionMessage(const std::string& name, const TranslateFn& tr = {});
std::string LnkTargetCaption(const TranslateFn& tr = {});

}  // namespace qz::dc
