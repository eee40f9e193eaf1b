// The Drive Cleaner's options window "Einstellungen zum Drive Cleaner": the
// drives to search, the file-type groups, the extra passes and the
// exceptions. The module window creates it with itself and keeps it until it
// closes; the search reads the settings straight from its controls
// (CurrentSettings), so the controls are the live settings and every close of
// the window stores them (HKLM\ProductRegKey\Options\DC).
//
//   tab "Laufwerke"  ListView_Drives: the fixed drives C..Z with check boxes,
//                    the shell's display name and icon
//   tab "Elemente"   VirtualDrawTree_DC_Filetype: the file-type groups (check
//                    box = group in use), Button_DC_FileTyp_Delete,
//                    Button_DC_Filetyp_ADD (TForm_DC_NewTyp)
//   tab "Optionen"   the six check boxes
//   tab "Ausnahmen"  VirtualDrawTree_Ausnahmen: the built-in entries first,
//                    then folders and files from the list files and the
//                    user; Button_Ausnahme_Delete, Button_Ausnahme_Add
//                    (TForm_DC_NewExc)
//
// A missing exception-list file is fatal: its box is shown, the program is
// told to end (Application::Terminate) and the window's creation ends with a
// silent abort (ui::SilentAbort), so nothing else runs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cleaning/drive/dc_settings.h"
#include "core/msgbox.h"
#include "ui/form.h"

namespace qz::ui {
class Button;
class CheckBox;
class GroupBox;
class ImageList;
class ListView;
class PageControl;
class TabSheet;
class VTreeView;
struct VNode;
}  // namespace qz::ui

namespace qz::dc {

// Per-node record of the group tree (the node's check box says whether the
// group is used).
struct DriveMaskGroupNode {
  std::string Name;
  StringList Masks;
  int32_t ImageIndex = 0;
};
// Per-node record of the exception tree.
using DriveExceptionNode = ExceptionEntry;

// Pictures of the file-type image list: 0 temporary files, 5 help index,
// 11 backups, and more for user groups.
inline constexpr int kFileTypeImageCount = 12;

class TForm_DC_Options : public ui::Form {
 public:
  explicit TForm_DC_Options(ui::Component* owner);

  ui::PageControl* PageControl1;
  ui::TabSheet* TabSheet_Drives;
  ui::TabSheet* TabSheet_Elements;
  ui::TabSheet* TabSheet_Options;
  ui::TabSheet* TabSheet_Exceptions;
  ui::ListView* ListView_Drives;
  ui::ImageList* ImageList_Drives;
  ui::VTreeView* VirtualDrawTree_DC_Filetype;
  ui::ImageList* ImageList_Filetypes;
  ui::Button* Button_DC_FileTyp_Delete;
  ui::Button* Button_DC_Filetyp_ADD;
  ui::GroupBox* GroupBox_Options;
  ui::CheckBox* CheckBox_DC_Ignore_InUseOrWriteProtected;
  ui::GroupBox* GroupBox_Links;
  ui::CheckBox* CheckBox_DC_LNK;
  ui::CheckBox* CheckBox_DC_PIF;
  ui::GroupBox* GroupBox_Folders;
  ui::CheckBox* CheckBox_TMPDir_ALL;
  ui::CheckBox* CheckBox_TMPDir_USER;
  ui::CheckBox* CheckBox_Minidump;
  ui::VTreeView* VirtualDrawTree_Ausnahmen;
  ui::ImageList* ImageList_Ausnahme;
  ui::Button* Button_Ausnahme_Delete;
  ui::Button* Button_Ausnahme_Add;
  ui::Button* Button_Help;
  ui::Button* Button_Ok;
  ui::Button* Button_SaveTranslation;
  ui::Button* Button_LoadTranslation;

  // Where the settings live (taken from ProductRegKey at creation).
  SettingsLocation Location;

  // ---- the live settings
  DriveCleanerOptions CurrentOptions() const;
  std::vector<DriveRow> CurrentDrives() const;
  std::vector<MaskGroup> CurrentGroups();
  std::vector<ExceptionEntry> CurrentExceptions();
  DriveCleanerSettings CurrentSettings();

  // ---- loading (creation) and storing (every close)
  // The group tree from the registry (the defaults when there is none), then
  // the exceptions. False when an exception-list file is missing (its box
  // has been shown).
  bool LoadMaskGroups();
  bool LoadDriveExceptions();
  void FillDriveList();
  // Stores everything; a failed save is reported once (not under OcoRunning).
  bool SaveDriveCleanerOptions();

  // ---- nodes
  ui::VNode* AddMaskGroupNode(const std::string& name, const StringList& masks, bool checked,
                              int32_t imageIndex);
  ui::VNode* AddExceptionNode(const std::string& path, bool isFolder, bool isBuiltIn);
  // A user exception as the add button makes it (a folder gets its trailing
  // "\"); nothing when the text is empty or the same entry is listed.
  ui::VNode* AddUserException(const std::string& path, bool isFolder);

  // ---- the buttons
  void Button_DC_FileTyp_DeleteClick();
  void Button_DC_Filetyp_ADDClick();
  void Button_Ausnahme_DeleteClick();
  void Button_Ausnahme_AddClick();

 protected:
  void FormCreate() override;

 private:
  void Translate();
};

// Builds the file-type pictures (shell icons of typical file types, a plain
// picture where the shell has none): kFileTypeImageCount images.
void FillFileTypeImages(ui::ImageList& list);

}  // namespace qz::dc
