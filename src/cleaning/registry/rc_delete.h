// The Registry Cleaner's delete step, window-free. Every entry is recorded
// in a REGEDIT4 undo file before it is removed, and only what was recorded
// is removed; an entry counts as deleted only when its removal is verified.
//
// The window drives it so:
//   DeletedCount, DeleteErrorCount := 0; AbortFlag := 0;
//   !HasMarkedEntries -> NothingSelectedMessage (not under OcoRunning);
//   SureToDeleteMessage Yes/No (not under OcoRunning); deleting state,
//   progress maximum MarkedCount;
//   outcome := DeleteMarkedEntriesCore(engine, tree, hooks);
//   NoBackupName / BeginFailed / EndFailed, and Cancelled with the undo file
//   not closed -> the English undo-file dialog (shown even under
//   OcoRunning); Done -> DeletedMessage (not under OcoRunning);
//   start state in every case.
//
// What each entry's removal means (after its backup):
//   1     the extension key; the class key too unless another extension
//         that this run does not remove still names the class
//   2, 8  the key
//   3     the version key TypeLib\<id>\<version>; the library key when no
//         version is left under it
//   4-7   the value (6: the key's default value)
//   9     the value, written again as an empty string (read back)
//   10-16 (checked category) the list's key, created again empty
// A key or value that is already gone counts as deleted and adds no line;
// an entry without a known root or without a key is an error.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "cleaning/registry/rc_engine.h"
#include "ui/vtree_model.h"

namespace qz::rc {

// The registry operations of the delete step; tests make chosen ones fail.
struct RegistryActions {
  std::function<bool(HKEY, const std::string& key)> BackupKey;
  std::function<bool(HKEY, const std::string& key, const std::string& name)> BackupValue;
  std::function<bool(HKEY, const std::string& key)> RemoveKey;
  std::function<bool(HKEY, const std::string& key, const std::string& name)> RemoveValue;
  // Writes the value as an empty REG_SZ; true when it reads back so.
  std::function<bool(HKEY, const std::string& key, const std::string& name)> WriteEmptyString;
  // Creates the key again; true when it exists and is empty.
  std::function<bool(HKEY, const std::string& key)> RecreateEmptyKey;
  // The core's undo-file writer and registry helpers.
  static RegistryActions Real();
};

struct DeleteHooks {
  RegistryActions Actions = RegistryActions::Real();
  // The undo file's name; default: MakeBackupFileName(AppDir\Backups\RC).
  std::function<std::string()> BackupName;
  // Closes the undo file; default EndRegistryBackup.
  std::function<bool()> EndBackup;
  // After each entry or list category acted on: the progress position.
  std::function<void(int32_t position)> OnProgress;
};

enum class DeleteOutcome { NothingMarked, NoBackupName, BeginFailed, Cancelled, EndFailed, Done };

struct DeleteResult {
  DeleteOutcome Outcome = DeleteOutcome::NothingMarked;
  std::string UndoFile;   // the undo file's name ("" before one was chosen)
  bool UndoClosed = true; // false: the undo file could not be closed and verified
};

// Recounts the tree; true when something is marked. A tree left by a
// cancelled search has nothing marked.
bool HasMarkedEntries(RegistryScanEngine& e, ui::VTreeModel& tree);

// Steps after the confirmation: counters and AbortFlag reset, the undo file
// begun, every checked node acted on in tree order (deleted entries and list
// categories leave the tree), the undo file closed and read back (it must
// hold a section for every key or value removed), the count file written
// beside it (not after a Cancel or a failed close), the tree recounted.
DeleteResult DeleteMarkedEntriesCore(RegistryScanEngine& e, ui::VTreeModel& tree, const DeleteHooks& hooks = {});

// AppDir\Backups\RC (BackupBaseDir of the Registry Cleaner).
std::string RegistryBackupBase();
// True when the undo file holds a section "[<root>\<key>]" (or its deletion
// form) for every one of `sections` (compared without regard to case).
bool UndoFileHoldsSections(const std::string& undoFile, const StringList& sections);

}  // namespace qz::rc
