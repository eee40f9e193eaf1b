// What the One-Click-Optimizer drives: a cleaner's engine, run with the
// cleaner's stored settings and no window. Each cleaner's engine implements
// it (the Drive Cleaner's DriveCleaner, the Registry and Internet Cleaners'
// engines); the optimizer creates the engine, runs it and throws it away:
//
//   dc::DriveCleaner drive;                // stored settings, own tree
//   run(drive);                            // below, for each checked cleaner
//   void run(cleaning::UnattendedCleaner& c) {
//     timer on;  c.Search();        timer off;   // timer: c.Progress() -> labels
//     timer on;  c.DeleteMarked();  timer off;
//     totals += c.Counters();
//   }
//
// Rules every implementation keeps:
//  - Search() reads the stored settings itself, starts from an empty result
//    tree, marks every find, clears AbortFlag at its start and stops early
//    once AbortFlag is 1; DeleteMarked() does the same for the delete.
//  - Neither asks a question or shows a box (the optimizer sets OcoRunning;
//    an engine shows nothing in any case). Errors of single items are counted,
//    not thrown. A cleaner that cannot start at all (a missing list file)
//    throws from Search(), and never ends the program under OcoRunning: the
//    optimizer skips it and counts one error.
//  - Progress() may be called at any time from the GUI thread (the timer
//    event runs while the work pumps messages); it only reads.
//  - Counters() are those of the last DeleteMarked() (zeros before the first).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ui/vtree_model.h"

namespace qz::cleaning {

// Where a search or delete stands: a bar (0..Max at Position) and three lines
// of text ("Laufwerk", "Ordner", "Datei" for the Drive Cleaner; the delete
// shows the item in hand on the first line).
struct CleanerProgress {
  int64_t Max = 0;
  int64_t Position = 0;
  std::string Line1, Line2, Line3;
};

// This run's counters of the delete.
struct CleanerCounters {
  int64_t Deleted = 0;  // items deleted
  int64_t Bytes = 0;    // their bytes (0 for a cleaner that has no sizes)
  int64_t Errors = 0;   // items that could not be deleted
};

class UnattendedCleaner {
 public:
  virtual ~UnattendedCleaner() = default;
  virtual void Search() = 0;
  virtual void DeleteMarked() = 0;
  virtual CleanerProgress Progress() const = 0;
  virtual CleanerCounters Counters() const = 0;
};

// The result tree a cleaner's engine fills: the window's once the window
// binds its result tree, the engine's own until then (and for the optimizer).
class BoundResultTree {
 public:
  BoundResultTree() : own_(std::make_unique<ui::VTreeModel>()), tree_(own_.get()) {}
  void BindTree(ui::VTreeModel& tree) { tree_ = &tree; }
  ui::VTreeModel& Tree() { return *tree_; }

 private:
  std::unique_ptr<ui::VTreeModel> own_;
  ui::VTreeModel* tree_;
};

}  // namespace qz::cleaning
