// The Drive Cleaner's engine as a whole: the scan engine, the result tree it
// fills, the search and the delete, and what a run shows of itself. No window
// code. The Drive Cleaner window owns one (never a global) and binds it to
// its result window's tree; the One-Click-Optimizer makes one of its own and
// runs it without any window through cleaning::UnattendedCleaner (the stored
// settings, a tree of its own).
//
//   DriveCleaner engine;
//   engine.Search();          // stored settings; every find marked
//   engine.DeleteMarked();    // recycles what is marked
//   engine.Counters();        // {FilesDeleted, BytesDeleted, DeleteErrors}
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "cleaning/drive/dc_search.h"
#include "cleaning/frame/unattended_cleaner.h"

namespace qz::dc {

class DriveCleaner : public cleaning::UnattendedCleaner, public cleaning::BoundResultTree {
 public:
  DriveCleaner();
  ~DriveCleaner() override;
  DriveCleaner(const DriveCleaner&) = delete;
  DriveCleaner& operator=(const DriveCleaner&) = delete;

  // The walk, its progress counters and the totals of the result tree.
  DriveScanEngine Scan;
  // Folders taken as the Windows and temporary folders; the real ones unless
  // set (tests point them into the sandbox).
  std::optional<ScanEnvironment> Environment;
  // Category captions, pass labels and the messages: the Drive Cleaner
  // window's section of the language file.
  TranslateFn Tr = SectionTranslator("TForm_DC");
  // What a window adds to a run (labels, bar); the engine keeps its own
  // progress either way. Recycle is the delete's test seam.
  SearchHooks SearchEvents;
  DeleteHooks DeleteEvents;

  // The search with the given settings (no drive: NoDrives, nothing else
  // happens) and the delete of what is marked, with the given options.
  SearchOutcome RunSearch(const SearchSettings& settings);
  void RunDelete(const DriveCleanerOptions& options);
  // What the last search ended with (NoDrives before the first one).
  SearchOutcome LastSearch() const { return last_; }

  // The settings as stored (options, drives, groups and exceptions). A
  // missing exception-list file shows its box and ends the program; while
  // the optimizer runs (OcoRunning) it throws instead, without a box.
  SearchSettings StoredSettings() const;

  // ---- cleaning::UnattendedCleaner
  void Search() override;
  void DeleteMarked() override;
  // Searching: the bar over the folders counted, the lines Laufwerk, Ordner
  // and Datei as the search page shows them (while counting, the third line
  // is the count); deleting: the file in hand on the first line.
  cleaning::CleanerProgress Progress() const override;
  cleaning::CleanerCounters Counters() const override;

 private:
  SearchOutcome last_ = SearchOutcome::NoDrives;
  DriveCleanerOptions lastOptions_;
  // The pass shown now and the delete in hand.
  PassStart pass_{PassKind::SystemTemp, {}, {}, 0};
  bool deleting_ = false;
  std::string deleteFile_;
  int64_t deletePosition_ = 0;
  int64_t deleteMax_ = 0;
};

// A missing exception-list file ends the program: its box has been shown,
// the program is told to end and the running step stops with a silent abort.
[[noreturn]] void QuitForMissingListFile();

}  // namespace qz::dc
