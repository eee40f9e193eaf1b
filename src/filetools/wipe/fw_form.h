// The File Wiper window: the module frame (cleaning/frame/module_window.h)
// with three pages:
//   0 "Start"        RadioButton_FilesFolder (list files and folders),
//                    RadioButton_RecycleBin (wipe the Recycle Bin's files),
//                    RadioButton_Options (the settings dialog)
//   1 "FilesFolder"  the wipe list VirtualDrawTree_FW, filled by
//                    Button_FW_AddDir, Button_FW_ADD_Files and files dropped
//                    from the shell; Button_FW_Delete removes the selected rows
//   2 "Delete"       ProgressBar_FW_Delete, JvLinkLabel_DeleteFile (the path
//                    in hand), Label_Status (its percentage)
// Next on page 1 (or the Recycle Bin choice) runs the wipe: page 2 with Back
// and Next off and Button_Cancel in Close's place; afterwards the summary
// box and page 0. A close meanwhile stops the run at its next step, then
// closes. The window owns its engine and its settings dialog.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cleaning/frame/module_window.h"
#include "filetools/wipe/wipe_engine.h"
#include "filetools/wipe/wipe_list.h"

namespace qz::ui {
class Button;
class FolderDialog;
class Label;
class OpenDialog;
class ProgressBar;
class RadioButton;
class RichLabel;
class TabSheet;
class VTreeView;
}  // namespace qz::ui

namespace qz::fw {

class TForm_FW_Options;

class TForm_FW : public cleaning::ModuleWindow {
 public:
  explicit TForm_FW(ui::Component* owner);
  ~TForm_FW() override;

  // Page 0
  ui::RadioButton* RadioButton_FilesFolder;
  ui::RadioButton* RadioButton_RecycleBin;
  ui::RadioButton* RadioButton_Options;
  // Page 1
  ui::TabSheet* TabSheet_FilesFolder;
  ui::Label* Label_Files_Header;
  ui::RichLabel* Label_Files_Hint;
  ui::VTreeView* VirtualDrawTree_FW;
  ui::Button* Button_FW_AddDir;
  ui::Button* Button_FW_ADD_Files;
  ui::Button* Button_FW_Delete;
  // Page 2
  ui::TabSheet* TabSheet_Delete;
  ui::Label* Label_Delete_Header;
  ui::ProgressBar* ProgressBar_FW_Delete;
  ui::RichLabel* JvLinkLabel_Action;
  ui::RichLabel* JvLinkLabel_DeleteFile;
  ui::Label* Label_Status;
  // Dialogs
  ui::OpenDialog* JvOpenDialog1;
  ui::FolderDialog* JvBrowseForFolderDialog1;

  TForm_FW_Options* Options() const { return options_; }
  WipeList& List() { return *list_; }
  WipeEngine& Engine() { return engine_; }
  // Where the settings live (HKLM\ProductRegKey\Options\FW at creation).
  HKEY SettingsRoot = HKEY_LOCAL_MACHINE;
  std::string SettingsKey;
  // Empties the Recycle Bin after a bin run; the shell's call when empty.
  std::function<bool()> EmptyRecycleBin;
  // The drives whose bins are collected; RecycleBinDrives() when empty.
  std::function<std::vector<std::string>()> BinDrives;

  // ---- the steps (the buttons' handlers)
  void WipeFiles();
  void CollectRecycleBin();
  void Button_FW_AddDirClick();
  void Button_FW_ADD_FilesClick();
  void Button_FW_DeleteClick();
  void DropFiles(const std::vector<std::string>& files);

 protected:
  void CreateModuleWindows() override;
  void ModuleCreate() override;
  void NextClick() override;
  void BackClick() override;
  void TranslateExtras() override;
  void WorkFailed() override;

 private:
  void ShowStart();

  WipeEngine engine_;
  std::unique_ptr<WipeList> list_;
  TForm_FW_Options* options_ = nullptr;
};

// The launch table's factory for "FW": the window made and created (not shown).
ui::Form* CreateFileWiperWindow(ui::Component* owner);

}  // namespace qz::fw
