#include "ui/pagecontrol.h"

#include <commctrl.h>

#include <algorithm>

#include "core/text.h"

namespace qz::ui {

// ---- TabSheet --------------------------------------------------------------------

TabSheet::TabSheet(PageControl* pageControl, std::string name, const std::string& caption)
    : WinControl(pageControl, std::move(name)), pageControl_(pageControl) {
  text_ = caption;
  if (pageControl_) pageControl_->AddPage(this);
}

TabSheet::~TabSheet() {
  if (pageControl_) pageControl_->RemovePage(this);
}

void TabSheet::SetCaption(const std::string& c) {
  SetText(c);
  if (pageControl_) pageControl_->RebuildTabs();
}

int TabSheet::PageIndex() const {
  if (!pageControl_) return -1;
  auto& v = pageControl_->pages_;
  auto it = std::find(v.begin(), v.end(), this);
  return it == v.end() ? -1 : static_cast<int>(it - v.begin());
}

void TabSheet::SetTabVisible(bool v) {
  tabVisible_ = v;
  if (pageControl_) pageControl_->RebuildTabs();
}

// ---- PageControl -----------------------------------------------------------------

PageControl::PageControl(WinControl* parent, std::string name) : WinControl(parent, std::move(name)) {
  width_ = 289;
  height_ = 193;
}

PageControl::~PageControl() {
  for (TabSheet* p : pages_) p->pageControl_ = nullptr;
  pages_.clear();
}

void PageControl::FillCreateParams(CreateParams& cp) {
  WinControl::FillCreateParams(cp);
  cp.className = WC_TABCONTROLW;
  cp.style |= WS_CLIPCHILDREN | (ButtonStyle ? TCS_BUTTONS : 0);
  cp.exStyle = WS_EX_CONTROLPARENT;
}

void PageControl::HandleCreated() { RebuildTabs(); }

void PageControl::AddPage(TabSheet* p) {
  pages_.push_back(p);
  if (!active_) active_ = p;
  p->visible_ = p == active_;
  RebuildTabs();
}

void PageControl::RemovePage(TabSheet* p) {
  pages_.erase(std::remove(pages_.begin(), pages_.end(), p), pages_.end());
  if (active_ == p) {
    active_ = pages_.empty() ? nullptr : pages_.front();
    ShowActive();
  }
  RebuildTabs();
}

TabSheet* PageControl::Page(int index) const {
  return index >= 0 && index < PageCount() ? pages_[static_cast<size_t>(index)] : nullptr;
}

int PageControl::ActivePageIndex() const { return active_ ? active_->PageIndex() : -1; }

void PageControl::SetActivePageIndex(int index) { SetActivePage(Page(index)); }

void PageControl::SetActivePage(TabSheet* page) {
  if (page && std::find(pages_.begin(), pages_.end(), page) == pages_.end()) return;
  active_ = page;
  if (Handle()) Perform(TCM_SETCURSEL, static_cast<WPARAM>(TabIndexOf(page)));
  ShowActive();
}

void PageControl::SelectNextPage(bool forward) {
  if (pages_.empty()) return;
  int n = PageCount();
  int i = ActivePageIndex();
  i = i < 0 ? 0 : (i + (forward ? 1 : n - 1)) % n;
  SetActivePageIndex(i);
}

void PageControl::SetTabsVisible(bool on) {
  tabsVisible_ = on;
  RebuildTabs();
}

void PageControl::SetPageInset(int left, int top, int right, int bottom) {
  inset_ = RECT{left, top, right, bottom};
  LayoutPages();
}

int PageControl::TabIndexOf(const TabSheet* p) const {
  if (!tabsVisible_ || !p || !p->tabVisible_) return -1;
  int k = 0;
  for (TabSheet* q : pages_) {
    if (!q->tabVisible_) continue;
    if (q == p) return k;
    ++k;
  }
  return -1;
}

TabSheet* PageControl::PageOfTab(int tab) const {
  if (!tabsVisible_ || tab < 0) return nullptr;
  int k = 0;
  for (TabSheet* q : pages_) {
    if (!q->tabVisible_) continue;
    if (k == tab) return q;
    ++k;
  }
  return nullptr;
}

void PageControl::RebuildTabs() {
  if (!Handle() || rebuilding_) {
    LayoutPages();
    return;
  }
  rebuilding_ = true;
  Perform(TCM_DELETEALLITEMS);
  if (tabsVisible_) {
    int k = 0;
    for (TabSheet* p : pages_) {
      if (!p->tabVisible_) continue;
      std::wstring w = Widen(p->text_);
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = w.data();
      Perform(TCM_INSERTITEMW, static_cast<WPARAM>(k++), reinterpret_cast<LPARAM>(&item));
    }
    Perform(TCM_SETCURSEL, static_cast<WPARAM>(TabIndexOf(active_)));
  }
  rebuilding_ = false;
  LayoutPages();
  Invalidate();
}

RECT PageControl::PageRect() const {
  RECT r{0, 0, ClientWidth(), ClientHeight()};
  if (Handle() && tabsVisible_ && Perform(TCM_GETITEMCOUNT) > 0)
    Perform(TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
  r.left += inset_.left;
  r.top += inset_.top;
  r.right -= inset_.right;
  r.bottom -= inset_.bottom;
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

void PageControl::LayoutPages() {
  RECT r = PageRect();
  for (TabSheet* p : pages_) p->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void PageControl::AlignControls() { LayoutPages(); }

void PageControl::ShowActive() {
  if (active_) active_->SetVisible(true);
  for (TabSheet* p : pages_)
    if (p != active_) p->SetVisible(false);
}

bool PageControl::Notify(NMHDR* nm, LRESULT& result) {
  switch (nm->code) {
    case TCN_SELCHANGING: {
      bool allow = true;
      if (OnChanging) OnChanging(allow);
      result = allow ? FALSE : TRUE;
      return true;
    }
    case TCN_SELCHANGE: {
      int tab = static_cast<int>(Perform(TCM_GETCURSEL));
      if (TabSheet* p = PageOfTab(tab)) {
        active_ = p;
        ShowActive();
      }
      if (OnChange) OnChange();
      result = 0;
      return true;
    }
  }
  return false;
}

}  // namespace qz::ui
