// Page controls: a stack of pages of which one is shown, with or without
// tabs. Wizard windows hide the tabs and switch pages from code.
//
// The page control is a system tab control; each page (TabSheet) is a window
// of the layer's own class placed inside it. With tabs hidden the tab
// control shows no tabs and the pages fill its client area less the page
// inset (default 0); with tabs the pages fill the tab control's display
// area (less the inset when one is set).
//
// Background: OnEraseBackground of the control and of each page (control.h)
// paints their backgrounds; code may instead replace their window procedures
// and answer WM_ERASEBKGND itself (GWLP_USERDATA of these windows is free for
// it). Otherwise a page is filled with its colour (by default the page
// control's colour, which by default is its parent's).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/control.h"

namespace qz::ui {

class PageControl;

class TabSheet : public WinControl {
 public:
  // Appended as the last page of `pageControl`.
  explicit TabSheet(PageControl* pageControl, std::string name = {}, const std::string& caption = {});
  ~TabSheet() override;
  const char* ClassName() const override { return "TabSheet"; }

  // The caption is the tab's text.
  bool HasCaption() const override { return true; }
  std::string Caption() const override { return text_; }
  void SetCaption(const std::string& c) override;

  PageControl* ParentPageControl() const { return pageControl_; }
  int PageIndex() const;
  // Whether this page has a tab (when the control shows tabs at all).
  bool TabVisible() const { return tabVisible_; }
  void SetTabVisible(bool v);

 private:
  friend class PageControl;
  PageControl* pageControl_;
  bool tabVisible_ = true;
};

class PageControl : public WinControl {
 public:
  explicit PageControl(WinControl* parent, std::string name = {});
  ~PageControl() override;
  const char* ClassName() const override { return "PageControl"; }

  int PageCount() const { return static_cast<int>(pages_.size()); }
  TabSheet* Page(int index) const;
  TabSheet* ActivePage() const { return active_; }
  void SetActivePage(TabSheet* page);
  int ActivePageIndex() const;
  void SetActivePageIndex(int index);
  // Moves to the next (or previous) page in order, wrapping around.
  void SelectNextPage(bool forward = true);

  bool TabsVisible() const { return tabsVisible_; }
  void SetTabsVisible(bool on);
  // Tabs drawn as buttons (apply before the window is made).
  bool ButtonStyle = false;

  // Pages are placed at this inset from the page area (left, top, right, bottom).
  void SetPageInset(int left, int top, int right, int bottom);
  RECT PageInset() const { return inset_; }
  // Where the pages are, in the control's client coordinates.
  RECT PageRect() const;

  // A page change by the user: OnChanging may refuse it; OnChange after it.
  std::function<void(bool& allow)> OnChanging;
  std::function<void()> OnChange;

 protected:
  void FillCreateParams(CreateParams& cp) override;
  void HandleCreated() override;
  bool Notify(NMHDR* nm, LRESULT& result) override;
  void AlignControls() override;

 private:
  friend class TabSheet;
  void AddPage(TabSheet* p);
  void RemovePage(TabSheet* p);
  void RebuildTabs();
  void LayoutPages();
  void ShowActive();
  int TabIndexOf(const TabSheet* p) const;
  TabSheet* PageOfTab(int tab) const;

  std::vector<TabSheet*> pages_;
  TabSheet* active_ = nullptr;
  bool tabsVisible_ = true;
  RECT inset_{0, 0, 0, 0};
  bool rebuilding_ = false;
};

}  // namespace qz::ui
