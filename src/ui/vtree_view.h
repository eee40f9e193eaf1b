// The result tree control: a window that shows a VTreeModel (vtree_model.h)
// and paints only the rows that are on screen, so a million nodes cost no
// more to show than a dozen.
//
//   auto* tree = new VTreeView(form, "VirtualDrawTree_Files");
//   tree->SetBounds(8, 8, 500, 300);
//   tree->AddColumn("Beschreibung / Datei", 400);
//   tree->AddColumn("Grösse", 72);
//   tree->SetDefaultNodeHeight(32);
//   tree->SetMultiSelect(true);
//   tree->Tree().SetRecordType<DriveScanNode>();
//   tree->Tree().OnChecking = ...;                 // checks live on the model
//   tree->OnDrawNode = [](const TreeCell& c) {     // one call per shown cell
//     c.Text(3, 3, "line 1"); c.BoldText(40, 12, "category");
//     c.Image(imageList, 0, 2, 2);
//   };
//   tree->OnHeaderClick = [](int column) { ... };
//   tree->SetBackgroundGradient(RGB(255,255,255), RGB(200,200,200));
//
// Row layout, column 0: the indentation (one step per level, one more for
// the tree lines of the top level), the expand button in the last step, the
// check glyph when the node has a check type, then the cell the owner draws.
// Other columns: the whole column is the owner's cell. Selected rows are
// filled across all columns (full-row select) and drawn with white text;
// other rows are transparent over the background picture.
//
// Mouse: a click on the expand button expands or collapses; on the check
// glyph it toggles the check (Tree().ToggleCheckState: events and tri-state
// propagation); on the row it selects (Ctrl adds, Shift extends, with
// multi-selection); a double click on the row expands or collapses; a right
// click selects the row under the mouse (unless it is selected already) and
// then the base control shows Popup. A click on the header raises
// OnHeaderClick with the column; dragging a divider resizes the column.
// Keys: arrows move the focus (Left/Right also collapse/expand or go to the
// parent/first child), Home/End, Page Up/Down, Space toggles the check of
// the focused node, + and - expand and collapse, Ctrl+A selects all.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/control.h"
#include "ui/gdi.h"
#include "ui/vtree_model.h"

namespace qz::ui {

class VTreeView;

// One cell to draw. The device context is clipped to the cell, its font is
// the tree's font, its text colour white on selected rows and black
// otherwise, background mode transparent. Coordinates given to the helpers
// are relative to the cell's top-left corner; texts are cut at the cell's
// right edge with an ellipsis.
struct TreeCell {
  VTreeView* view = nullptr;
  HDC dc = nullptr;
  RECT rect{};      // the cell in the device context's coordinates
  int column = 0;
  VNode* node = nullptr;
  bool selected = false;

  int Width() const { return rect.right - rect.left; }
  int Height() const { return rect.bottom - rect.top; }
  void Text(int x, int y, const std::string& text) const;
  // Cut at `maxWidth` pixels from x (or the cell's edge, whichever is nearer).
  void Text(int x, int y, const std::string& text, int maxWidth) const;
  void BoldText(int x, int y, const std::string& text, int maxWidth = -1) const;
  void Image(HIMAGELIST images, int index, int x, int y) const;
};

struct TreeColumn {
  std::string caption;
  int width = 100;
};

enum class TreeHitArea { Nowhere, Header, HeaderDivider, Indent, Button, CheckBox, Cell };

struct TreeHit {
  TreeHitArea area = TreeHitArea::Nowhere;
  VNode* node = nullptr;
  int column = -1;  // also the column left of a header divider
};

class VTreeView : public WinControl, private VTreeObserver {
 public:
  explicit VTreeView(WinControl* parent, std::string name = {});
  VTreeView(Component* owner, WinControl* parent, std::string name);
  ~VTreeView() override;
  const char* ClassName() const override { return "VTreeView"; }

  VTreeModel& Tree() { return model_; }
  const VTreeModel& Tree() const { return model_; }
  // Shortcuts to the model.
  void BeginUpdate() { model_.BeginUpdate(); }
  void EndUpdate() { model_.EndUpdate(); }
  void Clear() { model_.Clear(); }

  // ---- columns and header
  int AddColumn(const std::string& caption, int width);
  int ColumnCount() const override { return static_cast<int>(columns_.size()); }
  std::string ColumnCaption(int i) const override;
  void SetColumnCaption(int i, const std::string& caption) override;
  int ColumnWidth(int i) const;
  void SetColumnWidth(int i, int width);
  // Left edge of a column in content coordinates (before horizontal scrolling).
  int ColumnLeft(int i) const;
  bool HeaderVisible() const { return headerVisible_; }
  void SetHeaderVisible(bool on);
  int HeaderHeight() const { return headerVisible_ ? headerHeight_ : 0; }
  void SetHeaderHeight(int h);
  std::function<void(int column)> OnHeaderClick;

  // ---- options
  void SetDefaultNodeHeight(std::uint16_t h) { model_.DefaultNodeHeight = h; }
  std::uint16_t DefaultNodeHeight() const { return model_.DefaultNodeHeight; }
  bool MultiSelect() const { return multiSelect_; }
  void SetMultiSelect(bool on) { multiSelect_ = on; }
  bool ShowTreeLines() const { return treeLines_; }
  void SetShowTreeLines(bool on);
  // Expand buttons and lines for the top level too.
  bool ShowRoot() const { return showRoot_; }
  void SetShowRoot(bool on);
  int Indent() const { return indent_; }
  void SetIndent(int px);
  COLORREF SelectionColor = CLR_DEFAULT;           // default: the system's highlight
  COLORREF UnfocusedSelectionColor = CLR_DEFAULT;  // default: a grey blue

  // ---- drawing
  std::function<void(const TreeCell& cell)> OnDrawNode;
  // A picture behind the rows (fixed to the window, not scrolled); the view
  // takes ownership. nullptr: the background colour.
  void SetBackground(HBITMAP picture);
  HBITMAP Background() const { return background_.get(); }
  // A vertical gradient of the window's size, made again on every resize.
  void SetBackgroundGradient(COLORREF top, COLORREF bottom);
  static HBITMAP MakeGradientBitmap(int width, int height, COLORREF top, COLORREF bottom);
  // Paints the client area into any device context (client coordinates).
  void PaintTo(HDC dc);

  // ---- nodes on screen
  TreeHit HitTest(int x, int y);
  VNode* GetNodeAt(int x, int y) { return HitTest(x, y).node; }
  // The row of a node in client coordinates (empty when not shown); column -1: the whole row.
  RECT NodeRect(VNode* n, int column = -1);
  // The check glyph of a node in client coordinates (empty when none).
  RECT CheckRect(VNode* n);
  // Expands the parents of n and scrolls the least that shows its row.
  void ScrollIntoView(VNode* n);
  std::int64_t OffsetY() const { return offsetY_; }
  int OffsetX() const { return offsetX_; }
  void SetOffsetY(std::int64_t y);
  void SetOffsetX(int x);
  // Focus (the model's focused node) with selection, as a plain click does.
  void SelectOnly(VNode* n);
  void SelectAll();
  std::function<void()> OnSelectionChanged;
  std::function<void(VNode* node)> OnFocusChanged;
  std::function<void(VNode* node, bool expanded)> OnExpandedChanged;

  // Sorts the whole tree with the model's OnCompareNodes and repaints.
  void SortTree(int column, bool ascending = true) { model_.SortTree(column, ascending); }

 protected:
  void FillCreateParams(CreateParams& cp) override;
  void HandleCreated() override;
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  void BoundsChanged() override;

 private:
  // VTreeObserver
  void TreeInvalidated() override;
  void NodeDeleting(VNode* n) override;
  void TreeClearing() override;

  int RowsTop() const { return HeaderHeight(); }
  int ClientW();
  int ClientH();
  int ContentWidth() const;
  void UpdateScrollBars();
  void ClampOffsets();
  VNode* TopNode(std::int64_t* top);  // first row at offsetY_
  int NodeIndentPx(VNode* n) const;   // content-x where the check glyph / cell starts
  void PaintRows(HDC dc, const RECT& client);
  void PaintHeader(HDC dc, const RECT& client);
  void PaintRow(HDC dc, VNode* n, int y, int clientW, bool focusedWindow);
  void DrawButton(HDC dc, int cx, int cy, bool expanded);
  void DrawCheck(HDC dc, const RECT& r, CheckState s);
  void DrawCheckDirect(HDC dc, const RECT& r, CheckState s);
  HBITMAP MakeGlyph(CheckState s);
  void ClearGlyphs();
  void DrawDotted(HDC dc, int x, int y, int w, int h);
  void RegenerateGradient();
  void InvalidateAll();
  void FocusNode(VNode* n);
  void MoveFocus(VNode* n, bool shift, bool ctrl);
  void SelectRange(VNode* a, VNode* b);
  void ToggleExpanded(VNode* n);
  void Expand(VNode* n, bool on);
  void MouseDownAt(int x, int y, UINT keys, bool dbl);
  void KeyDown(WPARAM key);
  void Scroll(int bar, WORD code);
  void FireSelectionChanged();

  VTreeModel model_;
  std::vector<TreeColumn> columns_;
  bool headerVisible_ = true;
  int headerHeight_ = 18;
  bool multiSelect_ = false;
  bool treeLines_ = true;
  bool showRoot_ = true;
  int indent_ = 18;
  std::int64_t offsetY_ = 0;
  int offsetX_ = 0;
  OwnedBitmap background_;
  bool gradient_ = false;
  COLORREF gradTop_ = RGB(255, 255, 255), gradBottom_ = RGB(200, 200, 200);
  BackBuffer buffer_;
  // The first shown row of the last paint, valid while the layout is unchanged.
  VNode* topCache_ = nullptr;
  std::int64_t topCacheY_ = 0;
  std::uint64_t topCacheVersion_ = ~0ull;
  std::uint64_t scrollVersion_ = ~0ull;
  VNode* anchor_ = nullptr;  // start of a Shift range
  int dragColumn_ = -1;      // column being resized
  int dragStartX_ = 0, dragStartWidth_ = 0;
  int pressedHeader_ = -1;   // column pressed on the header
  bool updatingScroll_ = false;
  HANDLE theme_ = nullptr;   // HTHEME of "BUTTON" when visual styles are on
  OwnedPen linePen_;
  // Check glyphs per state, premultiplied, drawn once (themed drawing is slow).
  OwnedBitmap glyphs_[3];
  MemoryDc glyphDC_;
  friend struct TreeCell;
  HFONT paintFont_ = nullptr, paintBold_ = nullptr;
};

}  // namespace qz::ui
