// The undo-file page of a module window: the registry undo files the module
// wrote for the current Windows user (AppDir\Backups\<code>\<user>\*.reg),
// one row each, with Restore and Delete.
//
// In a module window (code "ST", "IT", ...), the whole page with its title
// and line of text (ModuleWindow::AddBackupsPage):
//   Backups = AddBackupsPage("Backups", "Wählen Sie ein Backup ...", "ST");
//   ... when the page is shown: Backups->ListRegistryBackups();
//
// Rows show the file's name less its last 4 characters (the extension) with
// every "_" shown as ":" (the undo-file names replaced the date's colons).
// A module that writes a count file beside each undo file ("<file>.txt", the
// number of entries the run removed) asks for counts: the list then has the
// columns "Datum" and "Gelöschte Einträge", several rows may be selected, and
// Delete takes every selected row, each with its count file.
// Restore hands the file to the registry editor (RestoreRegistryBackup; the
// editor asks the user itself), which is checked against the registry: a
// restore that holds shows nothing, any other "MESSAGE_RestoreIncomplete"
// with the first key that differs. Delete asks the
// window's "MESSAGE_DeleteBackup" (Yes/No) and sends the file to the Recycle
// Bin without any dialog of the shell; the row goes only when the file is
// gone, otherwise "MESSAGE_BackupNotDeleted" says so (once, naming every
// file that stayed). Either button without a
// selected row shows "MESSAGE_NoBackupSelected". The texts are the window's
// (its section of the language file).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/component.h"

namespace qz::ui {
class Button;
class TabSheet;
class VTreeView;
}  // namespace qz::ui

namespace qz::cleaning {

class ModuleWindow;

// One undo file as the page lists it.
struct UndoFileRow {
  std::string DisplayName;
  std::string Path;
  int32_t Count = 0;  // the count file's number; 0 without a readable one
};

// AppDir\Backups\<code>\<user folder>\ (with the trailing backslash).
std::string UndoFileFolder(const std::string& code);
// The file name less its last 4 characters, every "_" as ":".
std::string UndoFileDisplayName(const std::string& fileName);
// The first line of the count file beside an undo file ("<file>.txt") as a
// number; 0 when it is missing, empty or not a number.
int32_t UndoFileCount(const std::string& undoFile);
// The "*.reg" files of the folder (not below it), in the order the folder
// gives them, with their counts.
std::vector<UndoFileRow> ListUndoFiles(const std::string& folder);

class BackupPage : public ui::Component {
 public:
  // The list and the two buttons are placed on `page` below its title and
  // one line of text (the list from 64 pixels down).
  BackupPage(ModuleWindow* window, ui::TabSheet* page, std::string code, bool counts = false);

  ui::VTreeView* VirtualDrawTree_Backups;
  ui::Button* Button_Restore;
  ui::Button* Button_Delete;

  // Fills the list anew from the folder.
  void ListRegistryBackups();
  void Button_RestoreClick();
  void Button_DeleteClick();
  // The rows as they stand (tests, and modules that act on them).
  std::vector<UndoFileRow> Rows() const;

  // What the buttons hand a file to (tests replace them).
  std::function<bool(const std::string& file)> Restore;
  std::function<bool(const std::string& file)> Recycle;

 private:
  // The focused row's record, or nullptr after the warning.
  UndoFileRow* Selected();

  ModuleWindow* window_;
  std::string code_;
  bool counts_;
};

}  // namespace qz::cleaning
