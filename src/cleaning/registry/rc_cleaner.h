// The Registry Cleaner's engine as a whole: the check engine, the result
// tree it fills, the search and the delete, and what a run shows of itself.
// No window code. The Registry Cleaner window owns one (never a global) and
// binds it to its result window's tree; the One-Click-Optimizer makes one of
// its own and runs it without any window through cleaning::UnattendedCleaner
// (the stored settings, a tree of its own).
//
//   RegistryCleaner engine;
//   engine.Search();          // stored kinds and drives; every find marked
//   engine.DeleteMarked();    // undo file first, then the removals
//   engine.Counters();        // {DeletedCount, 0, DeleteErrorCount}
//
// The three undo-file dialogs ("Error creating Backup-File!" and its
// siblings) are the one thing a run shows even while the optimizer drives
// it: a failed undo file means the user's registry was (or was not) changed
// without a way back, which the user must learn. They go through
// UndoFileError.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "cleaning/frame/unattended_cleaner.h"
#include "cleaning/registry/rc_delete.h"
#include "cleaning/registry/rc_search.h"
#include "cleaning/registry/rc_settings.h"

namespace qz::rc {

class RegistryCleaner : public cleaning::UnattendedCleaner, public cleaning::BoundResultTree {
 public:
  RegistryCleaner();
  ~RegistryCleaner() override;
  RegistryCleaner(const RegistryCleaner&) = delete;
  RegistryCleaner& operator=(const RegistryCleaner&) = delete;

  // The checks, their scan state and counters.
  RegistryScanEngine Scan;
  // Where the kinds and drives are stored (ProductRegKey\Options\RC).
  OptionsLocation Settings = OptionsLocation::Default();
  // Messages: the Registry Cleaner window's section (the kinds' names come
  // from its options window's).
  TranslateFn Tr = SectionTranslator("TForm_RC");
  // What a window adds to a run (labels, bar); the delete's seams.
  SearchHooks SearchEvents;
  DeleteHooks DeleteEvents;
  // Shows an undo-file dialog (default: an error box owned by nobody).
  std::function<void(const std::string& text)> UndoFileError;

  // The search with the given request, and the delete of what is marked
  // (the caller has asked the user). The delete shows the undo-file dialog
  // it needs through UndoFileError.
  SearchOutcome RunSearch(const SearchRequest& request);
  DeleteResult RunDelete();
  // The kind now searched ("" between runs).
  const std::string& CurrentKindName() const { return kindName_; }

  // The request as stored: the kinds of the kind tree with the stored
  // choice, every fixed drive unless its value says "0", and the program's
  // HideEmptyCategories.
  SearchRequest StoredRequest() const;

  // ---- cleaning::UnattendedCleaner
  void Search() override;
  void DeleteMarked() override;
  // Searching: the bar over the kind's items, the lines kind, key and value;
  // deleting: the bar over the marked entries.
  cleaning::CleanerProgress Progress() const override;
  cleaning::CleanerCounters Counters() const override;

 private:
  std::string kindName_;
  bool deleting_ = false;
  int64_t deletePosition_ = 0;
  int64_t deleteMax_ = 0;
};

// The dialog a delete's outcome calls for; "" when none.
std::string UndoFileErrorText(const DeleteResult& r);

}  // namespace qz::rc
