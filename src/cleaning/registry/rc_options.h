// The Registry Cleaner's options window "Einstellungen zum Registry Cleaner":
// the drives whose references are tested and the kinds of orphans searched
// for. The module window creates it with itself and keeps it until it
// closes; the search reads the choice straight from its controls, so the
// controls are the live settings and every close of the window stores them
// (HKLM\ProductRegKey\Options\RC, rc_settings.h).
//
//   tab "Laufwerke"  ListView_Drives: the fixed drives C..Z with check boxes
//                    (all checked unless stored otherwise), the shell's
//                    display name and icon (ImageList_Drives)
//   tab "Einträge"   VirtualDrawTree_RC_Types: the sixteen kinds, 48-pixel
//                    rows with the kind's picture (ImageList_REG), its name in
//                    bold and its description
//   Button_Help "&Hilfe" (topic "RC"), Button_Ok "&Ok"
#pragma once

#include <string>
#include <vector>

#include "cleaning/frame/fixed_drives.h"
#include "cleaning/registry/rc_settings.h"
#include "ui/form.h"

namespace qz::ui {
class Button;
class ImageList;
class ListView;
class PageControl;
class RichLabel;
class TabSheet;
class VTreeView;
}  // namespace qz::ui

namespace qz::rc {

// Pictures of ImageList_REG (32 x 32), by the kinds' image indices.
inline constexpr int kKindImageCount = 17;
void FillKindImages(ui::ImageList& list);

class TForm_RC_Options : public ui::Form {
 public:
  explicit TForm_RC_Options(ui::Component* owner);

  ui::PageControl* PageControl1;
  ui::TabSheet* TabSheet_Drives;
  ui::RichLabel* JvLinkLabel_Drives;
  ui::ListView* ListView_Drives;
  ui::ImageList* ImageList_Drives;
  ui::TabSheet* TabSheet_Types;
  ui::RichLabel* JvLinkLabel_Types;
  ui::VTreeView* VirtualDrawTree_RC_Types;
  ui::ImageList* ImageList_REG;
  ui::Button* Button_Help;
  ui::Button* Button_Ok;
  ui::Button* Button_SaveTranslation;
  ui::Button* Button_LoadTranslation;

  // Where the settings live (taken from ProductRegKey at creation).
  OptionsLocation Location;

  // ---- the live settings
  std::vector<cleaning::DriveRow> CurrentDrives() const;
  std::string CheckedDrives() const;
  std::vector<KindChoice> CheckedKindList();

  // ---- loading (creation) and storing (every close)
  void FillDriveList();
  void LoadKinds();
  bool SaveSettings();

 protected:
  void FormCreate() override;

 private:
  void Translate();
};

}  // namespace qz::rc
