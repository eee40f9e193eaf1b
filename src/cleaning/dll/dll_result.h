// The DLL Cleaner's result window: one flat list, per file name a bold header
// row followed by its copies with folder, version, size and date. Risky copies
// (unknown version, newer than the reference, in a Windows folder) are red;
// the copies in a Windows folder carry no check box. Nothing is marked at
// first; what is marked here is what the delete recycles.
//
// Beyond the shared result window (cleaning/frame/result_window.h), which
// keeps the totals in the module's store:
//   VirtualDrawTree_DLL   columns "Datei", "Ordner", "Version", "Größe",
//                         "Zuletzt geändert am"; no sorting by header click
//   no Button_All (and no "mark all" in the popup)
//   Label_DLL_Files / Label_DLL_Bytes        "marked / listed" files and MB
//   Label_FileDescription / Label_CompanyName  of the focused copy, read from
//                                              its version resource
//   Label_DLL_Grund1 / Label_DLL_Grund2      why the focused copy is listed
//   closing with a red copy marked asks once (MESSAGE_SureToDeleteRED)
#pragma once

#include <string>

#include "cleaning/dll/dll_search.h"
#include "cleaning/frame/result_window.h"

namespace qz::ui {
class Label;
struct TreeCell;
}  // namespace qz::ui

namespace qz::dll {

class TForm_DLL_Result : public cleaning::ResultWindow {
 public:
  // The window shows and keeps the totals in `totals` (the module's store).
  TForm_DLL_Result(ui::Component* owner, cleaning::ResultTotals& totals);

  ui::VTreeView* VirtualDrawTree_DLL;  // = Tree
  ui::Label* Label_DLL_Files_Fixed;
  ui::Label* Label_DLL_Files;
  ui::Label* Label_DLL_Bytes_Fixed;
  ui::Label* Label_DLL_Bytes;
  ui::Label* Label_FileDescription_Fixed;
  ui::Label* Label_FileDescription;
  ui::Label* Label_CompanyName_Fixed;
  ui::Label* Label_CompanyName;
  ui::Label* Label_DLL_Grund_Fixed;
  ui::Label* Label_DLL_Grund1;
  ui::Label* Label_DLL_Grund2;

  // The text for missing information (set before each search).
  std::string NotAvailableText = kNotAvailable;

  // The two count labels from the totals.
  void RecountDllSelection();
  // Details of the focused row (nullptr or a header: the four labels empty).
  void ShowDetails(ui::VNode* n);

 protected:
  void ModuleCreate() override;
  void LayoutExtras(int buttonTop) override;
  cleaning::EntryFacts Entry(ui::VNode* n) const override;
  int Compare(ui::VNode* a, ui::VNode* b, int column) const override;
  void TotalsChanged() override;

 private:
  void DrawNode(const ui::TreeCell& c);
  void ClearDetails();
};

}  // namespace qz::dll
