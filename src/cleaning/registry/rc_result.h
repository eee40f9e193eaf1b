// The Registry Cleaner's result window "Unnötige Einträge gefunden": every
// finding of the last search under its kind, two lines per entry (what and
// why, then the missing file) and the key it lives in; what stays checked
// here is what the delete step removes.
//
// Beyond the shared result window (cleaning/frame/result_window.h):
//   VirtualDrawTree_RC   columns "Eintrag" and "Schlüssel"; no header sorting
//   Label_RC_Fixed / Label_RC_Found   "marked / found"
// The counts are the engine's (FoundCount, MarkedCount): every check change
// keeps MarkedCount in step (a list category counts its entries) and every
// check command recounts the tree.
#pragma once

#include <string>

#include "cleaning/frame/result_window.h"
#include "cleaning/registry/rc_search.h"

namespace qz::ui {
class ImageList;
class Label;
struct TreeCell;
}  // namespace qz::ui

namespace qz::rc {

class RegistryCleaner;

class TForm_RC_Result : public cleaning::ResultWindow {
 public:
  TForm_RC_Result(ui::Component* owner, RegistryCleaner& engine);

  ui::VTreeView* VirtualDrawTree_RC;  // = Tree
  ui::Label* Label_RC_Fixed;
  ui::Label* Label_RC_Found;

  // Set by each search: the kinds' pictures and the texts of the rows.
  ui::ImageList* KindImages = nullptr;
  ResultCaptions Captions;

  // FoundCount and MarkedCount from the tree, then the label.
  void RecountResults();

 protected:
  void ModuleCreate() override;
  void LayoutExtras(int buttonTop) override;
  cleaning::EntryFacts Entry(ui::VNode* n) const override;
  int Compare(ui::VNode* a, ui::VNode* b, int column) const override;
  void TotalsChanged() override { RecountResults(); }

 private:
  void DrawNode(const ui::TreeCell& c);

  RegistryScanEngine& scan_;
};

}  // namespace qz::rc
