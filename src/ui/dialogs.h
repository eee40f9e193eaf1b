// The system's file and folder dialogs as components. Execute() shows the
// dialog modally and returns true when the user chose something.
//
// Tests and drivers answer dialogs through SetDialogHook: the hook gets the
// dialog component (an OpenDialog, SaveDialog, FolderDialog or IconDialog),
// fills in the answer (FileName / Files / Directory / IconIndex) and returns what Execute returns.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/component.h"

namespace qz::ui {

class Control;

class OpenDialog : public Component {
 public:
  explicit OpenDialog(Component* owner = nullptr, std::string name = {});

  std::string Title;
  // Pairs of description and masks: "Text files (*.txt)|*.txt|All files|*.*".
  // A single mask without description ("*.*") is accepted too.
  std::string Filter;
  int FilterIndex = 1;  // 1-based
  std::string InitialDir;
  std::string DefaultExt;  // without the dot
  std::string FileName;    // in: proposed name; out: the chosen file (the first one)
  std::vector<std::string> Files;  // out: all chosen files
  bool MultiSelect = false;
  bool FileMustExist = true;
  bool PathMustExist = true;

  virtual bool Execute(const Control* owner = nullptr);
  virtual bool IsSave() const { return false; }
};

class SaveDialog : public OpenDialog {
 public:
  explicit SaveDialog(Component* owner = nullptr, std::string name = {});
  bool OverwritePrompt = true;
  bool IsSave() const override { return true; }
};

class FolderDialog : public Component {
 public:
  explicit FolderDialog(Component* owner = nullptr, std::string name = {});

  std::string Title;      // text above the folder tree
  std::string Directory;  // in: the folder shown first; out: the chosen folder
  bool NewFolderButton = true;

  bool Execute(const Control* owner = nullptr);
};

// The shell's icon picker (shell32, ordinal 62, wide) on FileName and
// IconIndex, with a 1024-character buffer. Execute is true only when the
// user chose an icon (the dialog returned 1); FileName and IconIndex are then
// the choice, else they stay as they were.
class IconDialog : public Component {
 public:
  explicit IconDialog(Component* owner = nullptr, std::string name = {});

  std::string FileName;
  int IconIndex = 0;

  bool Execute(const Control* owner = nullptr);
};

// Replaces every dialog of this file (nullptr restores the real dialogs).
using DialogHook = std::function<bool(Component& dialog)>;
void SetDialogHook(DialogHook hook);

}  // namespace qz::ui
