// The Drive Cleaner's result window "Unnötige Dateien gefunden": every find
// of the last search under its category, with sizes and tri-state checks;
// what stays checked here is what the delete step recycles.
//
// Beyond the shared result window (cleaning/frame/result_window.h), which
// keeps the totals in the engine's store and sorts on header clicks:
//   VirtualDrawTree_Files   columns "Beschreibung / Datei" and "Grösse"
//   Label_DC_Files_Fixed / Label_DC_Files   "marked / found" files
//   Label_DC_Bytes_Fixed / Label_DC_Bytes   "x MB / y MB"
//   popup, after a separator:
//     PopUp_Explorer     the first selected file's folder in the Explorer
//     PopUp_ExceptDirs   its folder becomes a folder exception (asked first):
//                        every entry in it and below leaves the tree at once,
//                        and the options are saved
//     PopUp_ExceptFiles  its name becomes a file exception (asked first)
#pragma once

#include <functional>
#include <string>

#include "cleaning/drive/scan_engine.h"
#include "cleaning/frame/result_window.h"

namespace qz::ui {
class ImageList;
class Label;
class MenuItem;
struct TreeCell;
}  // namespace qz::ui

namespace qz::dc {

class DriveCleaner;
class TForm_DC_Options;

class TForm_DC_Result : public cleaning::ResultWindow {
 public:
  // The window shows and keeps the totals of `engine`, whose tree the owner
  // binds to this window's; `options` receives the exceptions added here (may
  // be nullptr).
  TForm_DC_Result(ui::Component* owner, DriveCleaner& engine, TForm_DC_Options* options = nullptr);

  ui::VTreeView* VirtualDrawTree_Files;  // = Tree
  ui::Label* Label_DC_Files_Fixed;
  ui::Label* Label_DC_Files;
  ui::Label* Label_DC_Bytes_Fixed;
  ui::Label* Label_DC_Bytes;
  ui::MenuItem* PopUp_Separator;
  ui::MenuItem* PopUp_Explorer;
  ui::MenuItem* PopUp_ExceptDirs;
  ui::MenuItem* PopUp_ExceptFiles;

  // Set by each search: the pictures of the file-type groups and the text put
  // before a missing shortcut target.
  ui::ImageList* FileTypeImages = nullptr;
  std::string TargetCaption;

  // The labels from the engine's totals.
  void UpdateLabels();

  void PopUp_ExplorerClick();
  void PopUp_ExceptDirsClick();
  void PopUp_ExceptFilesClick();

  // How a folder is handed to the Explorer (tests replace it): the
  // parameter text, already quoted.
  ProgramStarter OpenExplorer;

 protected:
  void ModuleCreate() override;
  void LayoutExtras(int buttonTop) override;
  cleaning::EntryFacts Entry(ui::VNode* n) const override;
  int Compare(ui::VNode* a, ui::VNode* b, int column) const override;
  void TotalsChanged() override { UpdateLabels(); }

 private:
  // The first selected row when it is a file entry.
  ui::VNode* FirstSelectedEntry();
  void DrawNode(const ui::TreeCell& c);
  // A new exception from the popup, once the user said yes: stored with the
  // options and applied to the tree.
  void AddException(const std::string& question, const std::string& entry, bool isFolder,
                    const std::function<void()>& apply);

  DriveScanEngine& scan_;
  TForm_DC_Options* options_;
};

}  // namespace qz::dc
