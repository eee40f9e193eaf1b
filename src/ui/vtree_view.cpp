#include "ui/vtree_view.h"

#include <uxtheme.h>
#include <vssym32.h>

#include <algorithm>

#include "core/text.h"
#include "ui/picture.h"

namespace qz::ui {

namespace {

// (windowsx.h is not included: its GetNextSibling/GetFirstChild macros would
// clash with the model's navigation.)
int GET_X_LPARAM(LPARAM lp) { return static_cast<short>(LOWORD(lp)); }
int GET_Y_LPARAM(LPARAM lp) { return static_cast<short>(HIWORD(lp)); }

constexpr int kCheckSize = 13;
constexpr int kCheckGap = 2;      // before and after the glyph
constexpr int kDividerSlop = 3;   // pixels either side of a header divider
constexpr int kMinColumnWidth = 8;

int CheckAreaWidth(CheckType t) { return t == CheckType::None ? 0 : kCheckGap + kCheckSize + kCheckGap + 2; }

// Text cut at `right` with "..." (the look of DT_END_ELLIPSIS), drawn with
// two cheap calls when it fits, which is the common case.
void DrawCellText(HDC dc, const RECT& cell, int x, int y, const std::string& text, int maxWidth) {
  if (text.empty()) return;
  const int left = cell.left + x;
  int right = cell.right;
  if (maxWidth >= 0) right = std::min(right, left + maxWidth);
  const int avail = right - left;
  if (avail <= 0) return;
  const std::wstring w = Widen(text);
  const int len = static_cast<int>(w.size());
  INT fit = 0;
  SIZE size{};
  if (!GetTextExtentExPointW(dc, w.c_str(), len, avail, &fit, nullptr, &size)) return;
  if (fit >= len) {
    ExtTextOutW(dc, left, cell.top + y, 0, nullptr, w.c_str(), len, nullptr);
    return;
  }
  static const wchar_t kDots[] = L"...";
  SIZE dots{};
  GetTextExtentPoint32W(dc, kDots, 3, &dots);
  fit = 0;
  if (avail > dots.cx) GetTextExtentExPointW(dc, w.c_str(), len, avail - dots.cx, &fit, nullptr, &size);
  std::wstring out = w.substr(0, static_cast<size_t>(fit));
  out += kDots;
  ExtTextOutW(dc, left, cell.top + y, ETO_CLIPPED, &cell, out.c_str(), static_cast<int>(out.size()), nullptr);
}

}  // namespace

// ---------------------------------------------------------------- cell helpers

void TreeCell::Text(int x, int y, const std::string& text) const { DrawCellText(dc, rect, x, y, text, -1); }

void TreeCell::Text(int x, int y, const std::string& text, int maxWidth) const {
  DrawCellText(dc, rect, x, y, text, maxWidth);
}

void TreeCell::BoldText(int x, int y, const std::string& text, int maxWidth) const {
  SelectIn bold(dc, view ? view->paintBold_ : nullptr);
  DrawCellText(dc, rect, x, y, text, maxWidth);
}

void TreeCell::Image(HIMAGELIST images, int index, int x, int y) const {
  if (!images || index < 0 || index >= ImageList_GetImageCount(images)) return;
  ImageList_Draw(images, index, dc, rect.left + x, rect.top + y, ILD_TRANSPARENT);
}

// ---------------------------------------------------------------- construction

VTreeView::VTreeView(WinControl* parent, std::string name) : WinControl(parent, std::move(name)) {
  model_.SetObserver(this);
  tabStop_ = true;
}

VTreeView::VTreeView(Component* owner, WinControl* parent, std::string name)
    : WinControl(owner, parent, std::move(name)) {
  model_.SetObserver(this);
  tabStop_ = true;
}

VTreeView::~VTreeView() {
  model_.SetObserver(nullptr);
  if (theme_) CloseThemeData(static_cast<HTHEME>(theme_));
}

void VTreeView::FillCreateParams(CreateParams& cp) {
  WinControl::FillCreateParams(cp);
  cp.style |= WS_VSCROLL | WS_HSCROLL | WS_TABSTOP;
  cp.exStyle |= WS_EX_CLIENTEDGE;
}

void VTreeView::HandleCreated() {
  WinControl::HandleCreated();
  if (!theme_ && IsThemeActive()) theme_ = OpenThemeData(Handle(), L"BUTTON");
  ClearGlyphs();
  scrollVersion_ = ~0ull;
  UpdateScrollBars();
  if (gradient_) RegenerateGradient();
}

// ---------------------------------------------------------------- columns

int VTreeView::AddColumn(const std::string& caption, int width) {
  columns_.push_back(TreeColumn{caption, std::max(width, 0)});
  scrollVersion_ = ~0ull;
  InvalidateAll();
  return static_cast<int>(columns_.size()) - 1;
}

std::string VTreeView::ColumnCaption(int i) const {
  return i >= 0 && i < ColumnCount() ? columns_[i].caption : std::string();
}

void VTreeView::SetColumnCaption(int i, const std::string& caption) {
  if (i < 0 || i >= ColumnCount()) return;
  columns_[i].caption = caption;
  InvalidateAll();
}

int VTreeView::ColumnWidth(int i) const { return i >= 0 && i < ColumnCount() ? columns_[i].width : 0; }

void VTreeView::SetColumnWidth(int i, int width) {
  if (i < 0 || i >= ColumnCount()) return;
  columns_[i].width = std::max(width, 0);
  scrollVersion_ = ~0ull;
  UpdateScrollBars();
  InvalidateAll();
}

int VTreeView::ColumnLeft(int i) const {
  int x = 0;
  for (int c = 0; c < i && c < ColumnCount(); ++c) x += columns_[c].width;
  return x;
}

int VTreeView::ContentWidth() const {
  if (columns_.empty()) return 0;
  return ColumnLeft(ColumnCount());
}

void VTreeView::SetHeaderVisible(bool on) {
  if (headerVisible_ == on) return;
  headerVisible_ = on;
  scrollVersion_ = ~0ull;
  UpdateScrollBars();
  InvalidateAll();
}

void VTreeView::SetHeaderHeight(int h) {
  headerHeight_ = std::max(h, 0);
  scrollVersion_ = ~0ull;
  UpdateScrollBars();
  InvalidateAll();
}

void VTreeView::SetShowTreeLines(bool on) { treeLines_ = on; InvalidateAll(); }
void VTreeView::SetShowRoot(bool on) { showRoot_ = on; InvalidateAll(); }
void VTreeView::SetIndent(int px) { indent_ = std::max(px, 0); InvalidateAll(); }

// ---------------------------------------------------------------- background

HBITMAP VTreeView::MakeGradientBitmap(int width, int height, COLORREF top, COLORREF bottom) {
  std::uint32_t* px = nullptr;
  HBITMAP bmp = CreateTopDownDib(width, height, &px);
  if (!bmp) return nullptr;
  const int span = std::max(height - 1, 1);
  for (int y = 0; y < height; ++y) {
    auto mix = [&](int a, int b) { return a + (b - a) * y / span; };
    const std::uint32_t r = mix(GetRValue(top), GetRValue(bottom));
    const std::uint32_t g = mix(GetGValue(top), GetGValue(bottom));
    const std::uint32_t b = mix(GetBValue(top), GetBValue(bottom));
    const std::uint32_t v = (r << 16) | (g << 8) | b;
    std::fill(px + static_cast<std::size_t>(y) * width, px + static_cast<std::size_t>(y + 1) * width, v);
  }
  return bmp;
}

void VTreeView::SetBackground(HBITMAP picture) {
  gradient_ = false;
  background_.reset(picture);
  InvalidateAll();
}

void VTreeView::SetBackgroundGradient(COLORREF top, COLORREF bottom) {
  gradient_ = true;
  gradTop_ = top;
  gradBottom_ = bottom;
  RegenerateGradient();
}

void VTreeView::RegenerateGradient() {
  if (!gradient_) return;
  const int w = ClientW(), h = ClientH();
  if (w <= 0 || h <= 0) return;
  BITMAP bm{};
  if (background_ && GetObject(background_.get(), sizeof(bm), &bm) && bm.bmWidth == w && bm.bmHeight == h) return;
  background_.reset(MakeGradientBitmap(w, h, gradTop_, gradBottom_));
  InvalidateAll();
}

// ---------------------------------------------------------------- model events

void VTreeView::TreeInvalidated() { InvalidateAll(); }

void VTreeView::NodeDeleting(VNode* n) {
  if (anchor_ && (anchor_ == n || model_.HasAsParent(anchor_, n))) anchor_ = nullptr;
  topCache_ = nullptr;
}

void VTreeView::TreeClearing() {
  anchor_ = nullptr;
  topCache_ = nullptr;
  offsetY_ = 0;
  offsetX_ = 0;
}

void VTreeView::InvalidateAll() {
  if (HandleAllocated()) InvalidateRect(Handle(), nullptr, FALSE);
}

// ---------------------------------------------------------------- geometry

int VTreeView::ClientW() {
  if (HandleAllocated()) {
    RECT r;
    GetClientRect(Handle(), &r);
    return r.right;
  }
  return Width();
}

int VTreeView::ClientH() {
  if (HandleAllocated()) {
    RECT r;
    GetClientRect(Handle(), &r);
    return r.bottom;
  }
  return Height();
}

void VTreeView::BoundsChanged() {
  WinControl::BoundsChanged();
  scrollVersion_ = ~0ull;
  UpdateScrollBars();
  RegenerateGradient();
  InvalidateAll();
}

void VTreeView::ClampOffsets() {
  const std::int64_t page = std::max(ClientH() - RowsTop(), 0);
  const std::int64_t maxY = std::max<std::int64_t>(model_.TotalHeight() - page, 0);
  offsetY_ = std::clamp<std::int64_t>(offsetY_, 0, maxY);
  const int maxX = std::max(ContentWidth() - ClientW(), 0);
  offsetX_ = std::clamp(offsetX_, 0, maxX);
}

void VTreeView::UpdateScrollBars() {
  if (updatingScroll_) return;
  updatingScroll_ = true;
  // Showing one bar can shrink the client area enough to need the other.
  for (int pass = 0; pass < 3; ++pass) {
    ClampOffsets();
    if (!HandleAllocated()) break;
    const int w = ClientW(), h = ClientH();
    SCROLLINFO si{};
    si.cbSize = sizeof(si);
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    const std::int64_t total = model_.TotalHeight();
    si.nMax = total > 0 ? static_cast<int>(std::min<std::int64_t>(total - 1, INT_MAX)) : 0;
    si.nPage = static_cast<UINT>(std::max(h - RowsTop(), 0));
    si.nPos = static_cast<int>(offsetY_);
    SetScrollInfo(Handle(), SB_VERT, &si, TRUE);
    const int cw = ContentWidth();
    si.nMax = cw > 0 ? cw - 1 : 0;
    si.nPage = static_cast<UINT>(std::max(w, 0));
    si.nPos = offsetX_;
    SetScrollInfo(Handle(), SB_HORZ, &si, TRUE);
    if (ClientW() == w && ClientH() == h) break;
  }
  scrollVersion_ = model_.LayoutVersion();
  updatingScroll_ = false;
  // A scroll bar that came or went changed the client size.
  RegenerateGradient();
}

void VTreeView::SetOffsetY(std::int64_t y) {
  const std::int64_t old = offsetY_;
  offsetY_ = y;
  ClampOffsets();
  if (offsetY_ == old) return;
  if (HandleAllocated()) SetScrollPos(Handle(), SB_VERT, static_cast<int>(offsetY_), TRUE);
  InvalidateAll();
}

void VTreeView::SetOffsetX(int x) {
  const int old = offsetX_;
  offsetX_ = x;
  ClampOffsets();
  if (offsetX_ == old) return;
  if (HandleAllocated()) SetScrollPos(Handle(), SB_HORZ, offsetX_, TRUE);
  InvalidateAll();
}

VNode* VTreeView::TopNode(std::int64_t* top) {
  if (topCache_ && topCacheVersion_ == model_.LayoutVersion()) {
    // Step from the last top row; a long way is faster from the root.
    VNode* n = topCache_;
    std::int64_t y = topCacheY_;
    for (int steps = 0; n && steps < 4096; ++steps) {
      if (y > offsetY_) {
        n = model_.GetPreviousVisible(n);
        if (n) y -= model_.NodeHeight(n);
      } else if (y + model_.NodeHeight(n) <= offsetY_) {
        y += model_.NodeHeight(n);
        n = model_.GetNextVisible(n);
      } else {
        topCache_ = n;
        topCacheY_ = y;
        *top = y;
        return n;
      }
    }
  }
  std::int64_t y = 0;
  VNode* n = model_.NodeAtY(offsetY_, &y);
  topCache_ = n;
  topCacheY_ = y;
  topCacheVersion_ = model_.LayoutVersion();
  *top = y;
  return n;
}

int VTreeView::NodeIndentPx(VNode* n) const {
  const int steps = model_.GetNodeLevel(n) + (showRoot_ ? 1 : 0);
  return steps * indent_;
}

TreeHit VTreeView::HitTest(int x, int y) {
  TreeHit hit;
  if (scrollVersion_ != model_.LayoutVersion()) UpdateScrollBars();
  const int cx = x + offsetX_;
  auto columnAt = [&](int px) {
    int left = 0;
    for (int i = 0; i < ColumnCount(); ++i) {
      if (px >= left && px < left + columns_[i].width) return i;
      left += columns_[i].width;
    }
    return columns_.empty() ? 0 : -1;
  };
  if (headerVisible_ && y >= 0 && y < headerHeight_) {
    hit.area = TreeHitArea::Header;
    int right = 0;
    for (int i = 0; i < ColumnCount(); ++i) {
      right += columns_[i].width;
      if (std::abs(cx - right) <= kDividerSlop) {
        hit.area = TreeHitArea::HeaderDivider;
        hit.column = i;
        return hit;
      }
    }
    hit.column = columnAt(cx);
    return hit;
  }
  std::int64_t top = 0;
  VNode* n = model_.NodeAtY(y - RowsTop() + offsetY_, &top);
  if (!n || y < RowsTop()) return hit;
  hit.node = n;
  hit.column = columnAt(cx);
  hit.area = TreeHitArea::Cell;
  if (hit.column != 0) return hit;
  const int rel = cx - ColumnLeft(0);
  const int indentPx = NodeIndentPx(n);
  if (rel < indentPx) {
    const bool ownStep = rel >= indentPx - indent_;
    hit.area = ownStep && model_.ChildCount(n) > 0 ? TreeHitArea::Button : TreeHitArea::Indent;
    return hit;
  }
  if (model_.GetCheckType(n) != CheckType::None && rel >= indentPx + kCheckGap &&
      rel < indentPx + kCheckGap + kCheckSize)
    hit.area = TreeHitArea::CheckBox;
  return hit;
}

RECT VTreeView::NodeRect(VNode* n, int column) {
  RECT r{};
  if (!n || !model_.IsVisible(n)) return r;
  const std::int64_t top = model_.NodeTop(n) - offsetY_ + RowsTop();
  r.top = static_cast<LONG>(top);
  r.bottom = static_cast<LONG>(top + model_.NodeHeight(n));
  if (column < 0 || columns_.empty()) {
    r.left = -offsetX_;
    r.right = (columns_.empty() ? ClientW() : ContentWidth()) - offsetX_;
  } else {
    r.left = ColumnLeft(column) - offsetX_;
    r.right = r.left + ColumnWidth(column);
  }
  return r;
}

RECT VTreeView::CheckRect(VNode* n) {
  RECT r{};
  if (!n || model_.GetCheckType(n) == CheckType::None || !model_.IsVisible(n)) return r;
  const RECT row = NodeRect(n, -1);
  r.left = ColumnLeft(0) - offsetX_ + NodeIndentPx(n) + kCheckGap;
  r.right = r.left + kCheckSize;
  r.top = row.top + (row.bottom - row.top - kCheckSize) / 2;
  r.bottom = r.top + kCheckSize;
  return r;
}

void VTreeView::ScrollIntoView(VNode* n) {
  if (!n) return;
  for (VNode* p = model_.GetParent(n); p; p = model_.GetParent(p))
    if (!model_.Expanded(p)) model_.SetExpanded(p, true);
  if (scrollVersion_ != model_.LayoutVersion()) UpdateScrollBars();
  const std::int64_t top = model_.NodeTop(n);
  const std::int64_t bottom = top + model_.NodeHeight(n);
  const std::int64_t page = std::max(ClientH() - RowsTop(), 0);
  if (top < offsetY_)
    SetOffsetY(top);
  else if (bottom > offsetY_ + page)
    SetOffsetY(bottom - page);
}

// ---------------------------------------------------------------- painting

void VTreeView::PaintTo(HDC dc) {
  if (scrollVersion_ != model_.LayoutVersion()) UpdateScrollBars();
  model_.AcknowledgeChanges();
  const RECT client{0, 0, ClientW(), ClientH()};
  // Background: the picture (fixed to the window), the colour around it.
  const OwnedBrush bg(CreateSolidBrush(Color() == kDefaultColor ? GetSysColor(COLOR_WINDOW) : Color()));
  if (background_) {
    BITMAP bm{};
    GetObject(background_.get(), sizeof(bm), &bm);
    {
      MemoryDc src(dc);
      SelectIn picture(src, background_.get());
      BitBlt(dc, 0, 0, bm.bmWidth, bm.bmHeight, src, 0, 0, SRCCOPY);
    }
    if (bm.bmWidth < client.right) {
      RECT r{bm.bmWidth, 0, client.right, client.bottom};
      FillRect(dc, &r, bg.get());
    }
    if (bm.bmHeight < client.bottom) {
      RECT r{0, bm.bmHeight, std::min<LONG>(bm.bmWidth, client.right), client.bottom};
      FillRect(dc, &r, bg.get());
    }
  } else {
    FillRect(dc, &client, bg.get());
  }
  paintFont_ = GetFontHandle(Font());
  FontSpec boldSpec = Font();
  boldSpec.bold = true;
  paintBold_ = GetFontHandle(boldSpec);
  PaintRows(dc, client);
  if (headerVisible_) PaintHeader(dc, client);
}

void VTreeView::PaintRows(HDC dc, const RECT& client) {
  std::int64_t top = 0;
  VNode* n = TopNode(&top);
  std::int64_t y = RowsTop() + (top - offsetY_);
  const bool focusedWindow = HandleAllocated() && GetFocus() == Handle();
  SelectIn font(dc, paintFont_);
  while (n && y < client.bottom) {
    PaintRow(dc, n, static_cast<int>(y), client.right, focusedWindow);
    y += model_.NodeHeight(n);
    n = model_.GetNextVisible(n);
  }
}

void VTreeView::DrawDotted(HDC dc, int x, int y, int w, int h) {
  if (w <= 0 || h <= 0) return;
  if (!linePen_) {
    LOGBRUSH lb{BS_SOLID, RGB(128, 128, 128), 0};
    linePen_.reset(ExtCreatePen(PS_COSMETIC | PS_ALTERNATE, 1, &lb, 0, nullptr));
    if (!linePen_) linePen_.reset(CreatePen(PS_DOT, 1, RGB(128, 128, 128)));
  }
  SelectIn pen(dc, linePen_.get());
  // Start on even coordinates so the dots of neighbouring rows line up.
  if (w == 1) {
    MoveToEx(dc, x, y + ((y & 1) ? 1 : 0), nullptr);
    LineTo(dc, x, y + h);
  } else {
    MoveToEx(dc, x + ((x & 1) ? 1 : 0), y, nullptr);
    LineTo(dc, x + w, y);
  }
}

void VTreeView::DrawButton(HDC dc, int cx, int cy, bool expanded) {
  RECT box{cx - 4, cy - 4, cx + 5, cy + 5};
  FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  const OwnedBrush frame(CreateSolidBrush(RGB(128, 128, 128)));
  FrameRect(dc, &box, frame.get());
  RECT h{cx - 2, cy, cx + 3, cy + 1};
  FillRect(dc, &h, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  if (!expanded) {
    RECT v{cx, cy - 2, cx + 1, cy + 3};
    FillRect(dc, &v, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }
}

HBITMAP VTreeView::MakeGlyph(CheckState s) {
  // Drawn once on white and once on black: the difference gives each pixel's
  // coverage, so the glyph can be blended over any background afterwards.
  std::uint32_t* bits[2] = {nullptr, nullptr};
  OwnedBitmap bmp[2];
  {
    MemoryDc dc;
    for (int i = 0; i < 2; ++i) {
      bmp[i].reset(CreateTopDownDib(kCheckSize, kCheckSize, &bits[i]));
      if (!bmp[i]) return nullptr;
      SelectIn glyph(dc, bmp[i].get());
      PatBlt(dc, 0, 0, kCheckSize, kCheckSize, i == 0 ? WHITENESS : BLACKNESS);
      RECT r{0, 0, kCheckSize, kCheckSize};
      DrawCheckDirect(dc, r, s);
      GdiFlush();
    }
  }
  auto* white = reinterpret_cast<std::uint8_t*>(bits[0]);
  auto* black = reinterpret_cast<std::uint8_t*>(bits[1]);
  for (int i = 0; i < kCheckSize * kCheckSize; ++i) {
    std::uint8_t* w = white + i * 4;
    std::uint8_t* b = black + i * 4;
    int diff = 0;
    for (int c = 0; c < 3; ++c) diff = std::max(diff, w[c] - b[c]);
    const int alpha = 255 - std::clamp(diff, 0, 255);
    // On black, the colour already is premultiplied by the coverage.
    b[3] = static_cast<std::uint8_t>(alpha);
    for (int c = 0; c < 3; ++c) b[c] = static_cast<std::uint8_t>(std::min<int>(b[c], alpha));
  }
  return bmp[1].release();
}

void VTreeView::DrawCheck(HDC dc, const RECT& r, CheckState s) {
  const int i = static_cast<int>(s);
  if (!glyphs_[i]) glyphs_[i].reset(MakeGlyph(s));
  if (glyphs_[i]) {
    SelectIn glyph(glyphDC_, glyphs_[i].get());
    BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dc, r.left, r.top, kCheckSize, kCheckSize, glyphDC_, 0, 0, kCheckSize, kCheckSize, bf);
    return;
  }
  DrawCheckDirect(dc, r, s);
}

void VTreeView::ClearGlyphs() {
  for (OwnedBitmap& g : glyphs_) g.reset();
}

void VTreeView::DrawCheckDirect(HDC dc, const RECT& r, CheckState s) {
  if (theme_) {
    int state = CBS_UNCHECKEDNORMAL;
    if (s == CheckState::Checked) state = CBS_CHECKEDNORMAL;
    if (s == CheckState::Mixed) state = CBS_MIXEDNORMAL;
    RECT rr = r;
    if (SUCCEEDED(DrawThemeBackground(static_cast<HTHEME>(theme_), dc, BP_CHECKBOX, state, &rr, nullptr)))
      return;
  }
  UINT flags = DFCS_BUTTONCHECK | DFCS_FLAT;
  if (s == CheckState::Checked) flags |= DFCS_CHECKED;
  if (s == CheckState::Mixed) flags = DFCS_BUTTON3STATE | DFCS_CHECKED | DFCS_FLAT;
  RECT rr = r;
  DrawFrameControl(dc, &rr, DFC_BUTTON, flags);
}

void VTreeView::PaintRow(HDC dc, VNode* n, int y, int clientW, bool focusedWindow) {
  const int h = model_.NodeHeight(n);
  const bool selected = model_.Selected(n);
  const int contentW = columns_.empty() ? clientW + offsetX_ : ContentWidth();
  RECT row{-offsetX_, y, contentW - offsetX_, y + h};
  if (selected) {
    COLORREF c = focusedWindow ? (SelectionColor == CLR_DEFAULT ? GetSysColor(COLOR_HIGHLIGHT) : SelectionColor)
                               : (UnfocusedSelectionColor == CLR_DEFAULT ? RGB(112, 136, 176)
                                                                         : UnfocusedSelectionColor);
    const OwnedBrush b(CreateSolidBrush(c));
    FillRect(dc, &row, b.get());
  }
  // Indentation, tree lines, the expand button.
  const int level = model_.GetNodeLevel(n);
  const int steps = level + (showRoot_ ? 1 : 0);
  const int x0 = ColumnLeft(0) - offsetX_;
  const int col0Right = columns_.empty() ? clientW : x0 + ColumnWidth(0);
  const int cy = y + h / 2;
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, x0, std::max(y, RowsTop()), col0Right, y + h);
  if (steps > 0) {
    const int cx = x0 + (steps - 1) * indent_ + indent_ / 2;
    if (treeLines_) {
      DrawDotted(dc, cx, cy, x0 + steps * indent_ - cx - 2, 1);
      const bool first = !model_.GetPreviousSibling(n) && !model_.GetParent(n);
      const int vTop = first ? cy : y;
      const int vBottom = model_.GetNextSibling(n) ? y + h : cy;
      DrawDotted(dc, cx, vTop, 1, vBottom - vTop);
      // Lines of ancestors that have siblings below.
      int idx = steps - 2;
      for (VNode* a = model_.GetParent(n); a && idx >= 0; a = model_.GetParent(a), --idx)
        if (model_.GetNextSibling(a)) DrawDotted(dc, x0 + idx * indent_ + indent_ / 2, y, 1, h);
    }
    if (model_.ChildCount(n) > 0) DrawButton(dc, cx, cy, model_.Expanded(n));
  }
  int cellLeft = x0 + steps * indent_;
  const CheckType ct = model_.GetCheckType(n);
  if (ct != CheckType::None) {
    RECT cr{cellLeft + kCheckGap, y + (h - kCheckSize) / 2, cellLeft + kCheckGap + kCheckSize,
            y + (h - kCheckSize) / 2 + kCheckSize};
    DrawCheck(dc, cr, model_.GetCheckState(n));
    cellLeft += CheckAreaWidth(ct);
  }
  RestoreDC(dc, saved);
  // The owner's cells.
  if (!OnDrawNode) return;
  const int count = std::max(ColumnCount(), 1);
  for (int i = 0; i < count; ++i) {
    TreeCell cell;
    cell.view = this;
    cell.dc = dc;
    cell.column = i;
    cell.node = n;
    cell.selected = selected;
    if (columns_.empty()) {
      cell.rect = RECT{cellLeft, y, clientW, y + h};
    } else {
      const int left = ColumnLeft(i) - offsetX_;
      cell.rect = RECT{i == 0 ? cellLeft : left, y, left + columns_[i].width, y + h};
    }
    if (cell.rect.right <= std::max<LONG>(cell.rect.left, 0) || cell.rect.left >= clientW) continue;
    const int s = SaveDC(dc);
    IntersectClipRect(dc, cell.rect.left, std::max(y, RowsTop()), cell.rect.right, y + h);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, selected ? RGB(255, 255, 255) : RGB(0, 0, 0));
    OnDrawNode(cell);
    RestoreDC(dc, s);
  }
  if (focusedWindow && n == model_.FocusedNode()) {
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    RECT fr = row;
    fr.left = std::max<LONG>(fr.left, 0);
    DrawFocusRect(dc, &fr);
  }
}

void VTreeView::PaintHeader(HDC dc, const RECT& client) {
  RECT band{0, 0, client.right, headerHeight_};
  FillRect(dc, &band, GetSysColorBrush(COLOR_BTNFACE));
  SelectIn font(dc, paintFont_);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  int left = -offsetX_;
  for (int i = 0; i < ColumnCount(); ++i) {
    RECT r{left, 0, left + columns_[i].width, headerHeight_};
    left = r.right;
    if (r.right <= 0 || r.left >= client.right) continue;
    DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pressedHeader_ == i ? DFCS_PUSHED : 0));
    RECT t{r.left + 4 + (pressedHeader_ == i ? 1 : 0), r.top, r.right - 4, r.bottom};
    const std::wstring w = Widen(columns_[i].caption);
    DrawTextW(dc, w.c_str(), static_cast<int>(w.size()), &t,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS | DT_LEFT);
  }
  if (left < client.right) {
    RECT r{left, 0, client.right, headerHeight_};
    DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH);
  }
}

// ---------------------------------------------------------------- selection and focus

void VTreeView::FireSelectionChanged() {
  if (OnSelectionChanged) OnSelectionChanged();
}

void VTreeView::FocusNode(VNode* n) {
  if (model_.FocusedNode() == n) return;
  model_.SetFocusedNode(n);
  if (OnFocusChanged) OnFocusChanged(n);
}

void VTreeView::SelectOnly(VNode* n) {
  model_.ClearSelection();
  if (n) model_.SetSelected(n, true);
  anchor_ = n;
  FocusNode(n);
  FireSelectionChanged();
}

void VTreeView::SelectAll() {
  if (!multiSelect_) return;
  for (VNode* n = model_.GetFirst(); n; n = model_.GetNext(n)) model_.SetSelected(n, true);
  FireSelectionChanged();
}

void VTreeView::SelectRange(VNode* a, VNode* b) {
  model_.ClearSelection();
  if (!a || !b) return;
  if (model_.NodeTop(a) > model_.NodeTop(b)) std::swap(a, b);
  for (VNode* n = a; n; n = model_.GetNextVisible(n)) {
    model_.SetSelected(n, true);
    if (n == b) break;
  }
}

void VTreeView::MoveFocus(VNode* n, bool shift, bool ctrl) {
  if (!n) return;
  if (multiSelect_ && shift && anchor_) {
    SelectRange(anchor_, n);
    FocusNode(n);
    FireSelectionChanged();
  } else if (multiSelect_ && ctrl) {
    FocusNode(n);
  } else {
    SelectOnly(n);
  }
  ScrollIntoView(n);
}

void VTreeView::Expand(VNode* n, bool on) {
  if (!n || model_.ChildCount(n) == 0 || model_.Expanded(n) == on) return;
  model_.SetExpanded(n, on);
  if (OnExpandedChanged) OnExpandedChanged(n, on);
}

void VTreeView::ToggleExpanded(VNode* n) {
  if (n) Expand(n, !model_.Expanded(n));
}

// ---------------------------------------------------------------- input

void VTreeView::MouseDownAt(int x, int y, UINT keys, bool dbl) {
  const TreeHit hit = HitTest(x, y);
  const bool ctrl = keys & MK_CONTROL, shift = keys & MK_SHIFT;
  switch (hit.area) {
    case TreeHitArea::HeaderDivider:
      dragColumn_ = hit.column;
      dragStartX_ = x;
      dragStartWidth_ = ColumnWidth(hit.column);
      SetCapture(Handle());
      return;
    case TreeHitArea::Header:
      if (hit.column >= 0) {
        pressedHeader_ = hit.column;
        SetCapture(Handle());
        InvalidateAll();
      }
      return;
    case TreeHitArea::Button:
      ToggleExpanded(hit.node);
      return;
    case TreeHitArea::CheckBox:
      model_.ToggleCheckState(hit.node);
      return;
    case TreeHitArea::Indent:
    case TreeHitArea::Cell:
      if (multiSelect_ && ctrl) {
        model_.SetSelected(hit.node, !model_.Selected(hit.node));
        anchor_ = hit.node;
        FocusNode(hit.node);
        FireSelectionChanged();
      } else if (multiSelect_ && shift && anchor_) {
        SelectRange(anchor_, hit.node);
        FocusNode(hit.node);
        FireSelectionChanged();
      } else if (!model_.Selected(hit.node) || model_.SelectedCount() != 1) {
        SelectOnly(hit.node);
      } else {
        FocusNode(hit.node);
      }
      if (dbl) {
        ToggleExpanded(hit.node);
        if (OnDblClick) OnDblClick();
      }
      return;
    case TreeHitArea::Nowhere:
      if (!ctrl && model_.SelectedCount() > 0) {
        model_.ClearSelection();
        FireSelectionChanged();
      }
      return;
  }
}

void VTreeView::KeyDown(WPARAM key) {
  const bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
  VNode* f = model_.FocusedNode();
  const std::int64_t page = std::max(ClientH() - RowsTop(), 1);
  switch (key) {
    case VK_UP:
      MoveFocus(f ? model_.GetPreviousVisible(f) : model_.GetFirstVisible(), shift, ctrl);
      break;
    case VK_DOWN:
      MoveFocus(f ? model_.GetNextVisible(f) : model_.GetFirstVisible(), shift, ctrl);
      break;
    case VK_HOME:
      MoveFocus(model_.GetFirstVisible(), shift, ctrl);
      break;
    case VK_END:
      MoveFocus(model_.GetLastVisible(), shift, ctrl);
      break;
    case VK_PRIOR:
    case VK_NEXT: {
      if (!f) {
        MoveFocus(model_.GetFirstVisible(), shift, ctrl);
        break;
      }
      const std::int64_t target = model_.NodeTop(f) + (key == VK_NEXT ? page : -page);
      VNode* n = model_.NodeAtY(std::clamp<std::int64_t>(target, 0, std::max<std::int64_t>(model_.TotalHeight() - 1, 0)));
      MoveFocus(n ? n : f, shift, ctrl);
      break;
    }
    case VK_LEFT:
      if (!f) break;
      if (model_.Expanded(f) && model_.ChildCount(f) > 0)
        Expand(f, false);
      else if (model_.GetParent(f))
        MoveFocus(model_.GetParent(f), false, false);
      break;
    case VK_RIGHT:
      if (!f) break;
      if (model_.ChildCount(f) > 0 && !model_.Expanded(f))
        Expand(f, true);
      else if (model_.GetFirstChild(f))
        MoveFocus(model_.GetFirstChild(f), false, false);
      break;
    case VK_SPACE:
      if (f) model_.ToggleCheckState(f);
      break;
    case VK_ADD:
    case VK_OEM_PLUS:
      if (f) Expand(f, true);
      break;
    case VK_SUBTRACT:
    case VK_OEM_MINUS:
      if (f) Expand(f, false);
      break;
    case 'A':
      if (ctrl) SelectAll();
      break;
  }
}

void VTreeView::Scroll(int bar, WORD code) {
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_ALL;
  GetScrollInfo(Handle(), bar, &si);
  const bool vert = bar == SB_VERT;
  const std::int64_t line = vert ? model_.DefaultNodeHeight : 16;
  const std::int64_t page = std::max<std::int64_t>(si.nPage, 1);
  std::int64_t pos = vert ? offsetY_ : offsetX_;
  switch (code) {
    case SB_LINEUP: pos -= line; break;
    case SB_LINEDOWN: pos += line; break;
    case SB_PAGEUP: pos -= page; break;
    case SB_PAGEDOWN: pos += page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: pos = si.nTrackPos; break;
    case SB_TOP: pos = 0; break;
    case SB_BOTTOM: pos = si.nMax; break;
    default: return;
  }
  if (vert)
    SetOffsetY(pos);
  else
    SetOffsetX(static_cast<int>(pos));
}

LRESULT VTreeView::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PaintScope paint(Handle());
      if (HDC buffer = buffer_.Begin(paint.dc(), ClientW(), ClientH())) {
        PaintTo(buffer);
        buffer_.CopyTo(paint.dc(), paint.area());
      } else {
        PaintTo(paint.dc());
      }
      return 0;
    }
    case WM_SIZE: {
      LRESULT r = WinControl::WndProc(msg, wp, lp);
      if (!updatingScroll_) {
        scrollVersion_ = ~0ull;
        UpdateScrollBars();
        RegenerateGradient();
      }
      InvalidateAll();
      return r;
    }
    case WM_VSCROLL:
    case WM_HSCROLL:
      if (lp == 0) {
        Scroll(msg == WM_VSCROLL ? SB_VERT : SB_HORZ, LOWORD(wp));
        return 0;
      }
      break;
    case WM_MOUSEWHEEL: {
      const int delta = GET_WHEEL_DELTA_WPARAM(wp);
      UINT lines = 3;
      SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
      if (lines == WHEEL_PAGESCROLL) lines = 3;
      SetOffsetY(offsetY_ - static_cast<std::int64_t>(delta) * static_cast<int>(lines) *
                                model_.DefaultNodeHeight / WHEEL_DELTA);
      return 0;
    }
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      const int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
      if (CanFocus() && GetFocus() != Handle()) WinControl::SetFocus();
      const bool dbl = msg == WM_LBUTTONDBLCLK;  // the window class asks for double clicks
      MouseDownAt(x, y, static_cast<UINT>(wp), dbl);
      if (OnMouseDown) OnMouseDown(MouseEvent{x, y, MouseButton::Left, static_cast<UINT>(wp)});
      return 0;
    }
    case WM_MOUSEMOVE:
      if (dragColumn_ >= 0) {
        SetColumnWidth(dragColumn_, std::max(dragStartWidth_ + GET_X_LPARAM(lp) - dragStartX_, kMinColumnWidth));
        return 0;
      }
      break;
    case WM_LBUTTONUP: {
      const int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
      if (dragColumn_ >= 0) {
        dragColumn_ = -1;
        if (GetCapture() == Handle()) ReleaseCapture();
        return 0;
      }
      if (pressedHeader_ >= 0) {
        const int col = pressedHeader_;
        pressedHeader_ = -1;
        if (GetCapture() == Handle()) ReleaseCapture();
        InvalidateAll();
        const TreeHit hit = HitTest(x, y);
        if (hit.area == TreeHitArea::Header && hit.column == col && OnHeaderClick) OnHeaderClick(col);
        return 0;
      }
      if (OnMouseUp) OnMouseUp(MouseEvent{x, y, MouseButton::Left, static_cast<UINT>(wp)});
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lp) != Handle()) {
        dragColumn_ = -1;
        if (pressedHeader_ >= 0) {
          pressedHeader_ = -1;
          InvalidateAll();
        }
      }
      break;
    case WM_SETCURSOR:
      if (LOWORD(lp) == HTCLIENT) {
        POINT p;
        GetCursorPos(&p);
        ScreenToClient(Handle(), &p);
        if (dragColumn_ >= 0 || (headerVisible_ && p.y < headerHeight_ &&
                                 HitTest(p.x, p.y).area == TreeHitArea::HeaderDivider)) {
          ::SetCursor(LoadCursor(nullptr, IDC_SIZEWE));
          return TRUE;
        }
      }
      break;
    case WM_RBUTTONDOWN: {
      const TreeHit hit = HitTest(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
      if (CanFocus() && GetFocus() != Handle()) WinControl::SetFocus();
      if (hit.node && hit.area != TreeHitArea::Nowhere) {
        if (!model_.Selected(hit.node))
          SelectOnly(hit.node);
        else
          FocusNode(hit.node);
      }
      break;  // the base shows the popup menu
    }
    case WM_KEYDOWN: {
      if (OnKeyDown) {
        bool handled = false;
        OnKeyDown(wp, handled);
        if (handled) return 0;
      }
      KeyDown(wp);
      return 0;
    }
    case WM_CHAR:
      if (wp == ' ' || wp == '+' || wp == '-') return 0;
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateAll();
      break;
    case WM_THEMECHANGED:
      if (theme_) CloseThemeData(static_cast<HTHEME>(theme_));
      theme_ = IsThemeActive() ? OpenThemeData(Handle(), L"BUTTON") : nullptr;
      ClearGlyphs();
      InvalidateAll();
      break;
  }
  return WinControl::WndProc(msg, wp, lp);
}

}  // namespace qz::ui
