// The fixed drives a cleaner may search, and the user's choice of them: one
// REG_SZ value per drive letter below the module's settings key, "1" when the
// drive is searched (anything else: not). The options windows show them as a
// list with check boxes, the shell's display names and small icons.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qz::ui {
class Component;
class ImageList;
class ListView;
class TabSheet;
}  // namespace qz::ui

namespace qz::cleaning {

// One row of a drive list.
struct DriveRow {
  std::string Caption;   // the shell's display name, or the root path
  std::string RootPath;  // "C:\" (upper case)
  bool Checked = false;
};

// The fixed drives C to Z in order, checked when the shell gives them a
// display name (which becomes the caption).
std::vector<DriveRow> ListFixedDrives();
// A row is checked exactly when a value named by its letter (exact name, not
// a prefix: other values of the key may begin with a letter) reads "1"; rows
// without such a value keep their state.
void ApplyDriveChoice(HKEY root, const std::string& key, std::vector<DriveRow>& rows);
// Writes "1" or "0" per row. True when every write held.
bool SaveDriveChoice(HKEY root, const std::string& key, const std::vector<DriveRow>& rows);
// Upper-case letters of the checked rows, in list order ("CD").
std::string CheckedDriveLetters(const std::vector<DriveRow>& rows);

// The rows into an options window's list (caption, root path as the first
// sub-item, the drive's small icon, the check box), and back.
void FillDriveList(ui::ListView& list, ui::ImageList& images, const std::vector<DriveRow>& rows);
std::vector<DriveRow> ReadDriveList(const ui::ListView& list);

// The drive list of an options window's tab: ListView_Drives with the column
// "Laufwerk" (translated through the list's entry), check boxes, whole-row
// selection, read-only, reached with Tab, and the small icons of
// ImageList_Drives, which `owner` (the window) owns. Left 8, width 520.
struct DriveListControls {
  ui::ListView* List;
  ui::ImageList* Images;
};
DriveListControls AddDriveList(ui::Component* owner, ui::TabSheet* tab, int top, int height);

}  // namespace qz::cleaning
