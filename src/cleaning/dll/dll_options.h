// The DLL Cleaner's options window "Einstellungen zum DLL-Cleaner": the
// drives to search, the exception folders and files, and the four comparison
// rules. The module window creates it with itself and keeps it until it
// closes; the search reads the settings straight from its controls
// (CurrentOptions), so the controls are the live settings and every close of
// the window stores them (HKLM\ProductRegKey\Options\DLL).
//
//   tab "Laufwerke"            ListView_Drives: the fixed drives C..Z with
//                              check boxes, the shell's display names and icons
//   tab "Ausnahmen - Ordner"   ListBox_DLL_Dirs, Button_DLL_AddDir (folder
//                              dialog), Button_DLL_DeleteDir
//   tab "Ausnahmen - Dateien"  ListBox_DLL_Files, Edit_DLL_File,
//                              Button_DLL_SelectFile "..." (JvOpenDialog_DLL),
//                              Button_DLL_AddFile, Button_DLL_DeleteFile
//   tab "Vergleichsmuster"     the four check boxes
//
// A missing list file is reported at every load and the window stays usable.
// The system stores the search never enters are not listed here.
#pragma once

#include <string>

#include "cleaning/dll/dll_settings.h"
#include "ui/form.h"

namespace qz::ui {
class Button;
class CheckBox;
class Edit;
class FolderDialog;
class ImageList;
class ListBox;
class ListView;
class OpenDialog;
class PageControl;
class TabSheet;
}  // namespace qz::ui

namespace qz::dll {

class TForm_DLL_Options : public ui::Form {
 public:
  explicit TForm_DLL_Options(ui::Component* owner);

  ui::PageControl* PageControl1;
  ui::TabSheet* TabSheet_Drives;
  ui::TabSheet* TabSheet_Dirs;
  ui::TabSheet* TabSheet_Files;
  ui::TabSheet* TabSheet_Compare;
  ui::ListView* ListView_Drives;
  ui::ImageList* ImageList_Drives;
  ui::ListBox* ListBox_DLL_Dirs;
  ui::Button* Button_DLL_AddDir;
  ui::Button* Button_DLL_DeleteDir;
  ui::FolderDialog* JvBrowseForFolderDialog_DLL;
  ui::ListBox* ListBox_DLL_Files;
  ui::Edit* Edit_DLL_File;
  ui::Button* Button_DLL_SelectFile;
  ui::Button* Button_DLL_AddFile;
  ui::Button* Button_DLL_DeleteFile;
  ui::OpenDialog* JvOpenDialog_DLL;
  ui::CheckBox* CheckBox_DLL_SameSize;
  ui::CheckBox* CheckBox_DLL_SameVersion;
  ui::CheckBox* CheckBox_DLL_Both;
  ui::CheckBox* CheckBox_DLL_WriteProtected;
  ui::Button* Button_Help;
  ui::Button* Button_Ok;
  ui::Button* Button_SaveTranslation;
  ui::Button* Button_LoadTranslation;

  // Where the settings live (taken from ProductRegKey at creation).
  SettingsLocation Location;

  // The live settings.
  DllOptions CurrentOptions() const;
  // The lists anew from the list files, the built-ins and the registry.
  void LoadDllOptions();
  // Stores everything; a failed save is reported once.
  bool SaveDllOptions();

  void Button_DLL_AddDirClick();
  void Button_DLL_DeleteDirClick();
  void Button_DLL_SelectFileClick();
  void Button_DLL_AddFileClick();
  void Button_DLL_DeleteFileClick();

 protected:
  void FormCreate() override;

 private:
  void Translate();
  void ShowLists(const DllOptions& o);
};

}  // namespace qz::dll
