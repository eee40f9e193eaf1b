// The list window of the file-type associations, "File-Associator": every
// registered file type with its icon, command and "changed" mark, and the
// buttons that change a type's icon or application or return it to its
// originals. It is created once by the module window and shown for each
// "edit"; its hidden Button_FA_Standard runs the reset to the Windows
// defaults.
//
//   Label_Hint              what to do, above the list
//   VirtualDrawTree_FA      columns "Dateiformat" (220), "geändert" (64),
//                           "Anwendung" (220); two-line rows: icon, name and
//                           extension; "ja"; command and "icon file , index"
//   CheckBox_FA_HideSystem  leaves out important system types (ticked); a
//                           click reads the list again
//   Button_FA_Reset         shown only for a selected type with originals
//   Button_FA_EXE, Button_FA_Icon, Button_Ok, Button_Help
//   Button_FA_Standard      hidden: the reset to the Windows defaults
//   Image_Reading, Label_Reading, ProgressBar_Reading   shown while reading
//
// The list is read when the window becomes active with an empty list; a
// click on a column header sorts by that column (0 extension, 1 changed, 2
// command), unless it already is the sort column.
#pragma once

#include <memory>
#include <string>

#include "filetools/assoc/default_associations.h"
#include "filetools/assoc/file_types.h"
#include "filetools/assoc/icon_cache.h"
#include "ui/form.h"

namespace qz::ui {
class Button;
class CheckBox;
class IconDialog;
class Image;
class Label;
class ProgressBar;
class VTreeView;
struct VNode;
struct TreeCell;
}  // namespace qz::ui

namespace qz::fa {

class TForm_FA_Result : public ui::Form {
 public:
  explicit TForm_FA_Result(ui::Component* owner);
  ~TForm_FA_Result() override;

  ui::Label* Label_Hint;
  ui::VTreeView* VirtualDrawTree_FA;
  ui::CheckBox* CheckBox_FA_HideSystem;
  ui::Button* Button_FA_Reset;
  ui::Button* Button_FA_EXE;
  ui::Button* Button_FA_Icon;
  ui::Button* Button_Ok;
  ui::Button* Button_Help;
  ui::Button* Button_FA_Standard;
  ui::Image* Image_Reading;
  ui::Label* Label_Reading;
  ui::ProgressBar* ProgressBar_Reading;
  ui::IconDialog* IconDialog1;
  ui::Button* Button_SaveTranslation;
  ui::Button* Button_LoadTranslation;

  // The engines (tests point them at scratch locations).
  FileTypes& Types() { return types_; }
  DefaultAssociations& Defaults() { return defaults_; }
  IconCache& Icons() { return icons_; }

  // The current sort column (0 at creation).
  int SortColumn = 0;
  void HeaderClick(int column);

  // Reads the whole list (the reading display meanwhile).
  void LoadFileTypes();
  // Reads the list when it is empty (the window became active).
  void FormActivate();
  bool Reading() const { return reading_; }

  // The selected type; nullptr when none.
  FileTypeEntry* SelectedEntry();

  void Button_FA_IconClick();
  void Button_FA_EXEClick();
  void Button_FA_ResetClick();
  void Button_FA_StandardClick();

  // The layout of a resize.
  void Layout();

 protected:
  void FormCreate() override;

 private:
  void Translate();
  void ShowReading(bool on, int64_t total = 0);
  void UpdateResetButton();
  void DrawNode(const ui::TreeCell& c);
  int Compare(ui::VNode* a, ui::VNode* b, int column) const;
  void Redraw();

  FileTypes types_;
  DefaultAssociations defaults_;
  IconCache icons_;
  bool reading_ = false;
};

}  // namespace qz::fa
