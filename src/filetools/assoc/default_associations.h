// Returning well-known file types to the open command and icon Windows gives
// them, with an undo file of every class key it changes.
//
// A row is written only when the extension names a class (ProgID) that has a
// shell\open\Command key, the program and the icon file of the row exist (a
// relative name is looked for in the current folder) and the icon can be
// extracted. Before the first row of a class is written, the whole class key
// goes into the undo file once per run, and a DefaultIcon key the row is
// about to create is recorded as deleted, so restoring the file gives back
// exactly the class as it was. Without an undo file nothing is written.
//
// The reset works on one classes location (HKEY_CLASSES_ROOT, the 64-bit
// view the shell uses; tests pass scratch keys).
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

#include "filetools/assoc/file_types.h"

namespace qz::fa {

// One row: extension, command, icon file, icon index ("" for none). The
// texts hold "%PROGRAMS%" for the Program Files folder and ordinary
// environment variables.
struct DefaultAssociation {
  std::string Extension;
  std::string Command;
  std::string IconFile;
  int IconIndex = 0;
};

// The 59 rows, in the order they are processed.
const std::vector<DefaultAssociation>& DefaultAssociationTable();

struct ResetOutcome {
  bool BackupStarted = false;  // false: nothing was written
  bool BackupClosed = false;
  int Count = 0;               // extensions written (each counted once)
  std::string UndoFile;        // the undo file's name
};

class DefaultAssociations {
 public:
  ClassesLocation Location = DefaultLocation();
  RegistryWrites* Writes = &DefaultRegistryWrites();
  std::vector<DefaultAssociation> Table = DefaultAssociationTable();
  // What "%PROGRAMS%" stands for (the Program Files folder); nothing is
  // replaced when it is empty.
  std::string ProgramsFolder;

  DefaultAssociations();

  // One row, inside a running undo file: true when both the command and the
  // icon value were written and read back.
  bool SetDefaultAssociation(const DefaultAssociation& row);

  // The whole reset: an undo file below backupBaseDir (BackupBaseDir, the
  // user folder, the date name), every row, the file closed.
  ResetOutcome Run(const std::string& backupBaseDir);

 private:
  // Records the class key (and a DefaultIcon key that does not exist yet) the
  // first time a row of this run reaches it.
  bool BackUpClass(const std::string& progId);
  std::unordered_set<std::string> backedUp_;  // upper-case ProgIDs
};

}  // namespace qz::fa
