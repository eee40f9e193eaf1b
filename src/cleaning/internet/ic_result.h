// The Internet Cleaner's result window "Internet Cleaner": every find of the
// last scan under Cache, Cookies and History, with tri-state checks; what
// stays checked here is what the delete removes.
//
// Beyond the shared result window (cleaning/frame/result_window.h), which
// keeps the totals in the engine's store and sorts on header clicks:
//   VirtualDrawTree_IC   columns "Eintrag" (300), "URL" (300), "Bytes" (80);
//                        the URL column is shown for Internet Explorer only
//   Label_IC_Fixed / Label_IC_Found         "marked / found"
//   Label_IC_Bytes_Fixed / Label_IC_Bytes   "x MB / y MB"
//   popup, after a separator:
//     Popup_Cookies    trusts the hosts of the selected Internet Explorer
//                      cookies (asked first): they join the options window's
//                      list (stored at its next Ok) and every checked cookie
//                      of a trusted host is unchecked at once
//     Popup_SeeCokie   opens the first selected cookie's file in Notepad
#pragma once

#include <functional>
#include <string>

#include "cleaning/frame/result_window.h"

namespace qz::ui {
class Label;
class MenuItem;
struct TreeCell;
}  // namespace qz::ui

namespace qz::ic {

class InternetCleaner;
class TForm_ZAMO2_IC_Options;

class TForm_InternetCleanerResult : public cleaning::ResultWindow {
 public:
  // Shows and keeps the totals of `engine`, whose tree the owner binds to
  // this window's; trusted hosts go to `options` (may be nullptr).
  TForm_InternetCleanerResult(ui::Component* owner, InternetCleaner& engine, TForm_ZAMO2_IC_Options* options);

  ui::VTreeView* VirtualDrawTree_IC;  // = Tree
  ui::Label* Label_IC_Fixed;
  ui::Label* Label_IC_Found;
  ui::Label* Label_IC_Bytes_Fixed;
  ui::Label* Label_IC_Bytes;
  ui::MenuItem* PopUp_Separator;
  ui::MenuItem* Popup_Cookies;
  ui::MenuItem* Popup_SeeCokie;

  // Set by each scan: the URL column is Internet Explorer's.
  void SetShowUrlColumn(bool show);
  bool ShowUrlColumn() const { return showUrl_; }

  void UpdateLabels();
  void Popup_CookiesClick();
  void Popup_SeeCokieClick();

  // How a cookie file is handed to Notepad (tests replace it): the
  // parameter text, already quoted.
  ProgramStarter OpenInNotepad;

 protected:
  void ModuleCreate() override;
  void LayoutExtras(int buttonTop) override;
  cleaning::EntryFacts Entry(ui::VNode* n) const override;
  int Compare(ui::VNode* a, ui::VNode* b, int column) const override;
  void TotalsChanged() override { UpdateLabels(); }

 private:
  void DrawNode(const ui::TreeCell& c);

  InternetCleaner& engine_;
  TForm_ZAMO2_IC_Options* options_;
  bool showUrl_ = true;
};

}  // namespace qz::ic
