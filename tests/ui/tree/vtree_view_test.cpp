// The tree control in a real window (under Xvfb): clicks on check glyphs,
// expand buttons, rows and the header; keys; scrolling; what gets painted.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "ui/application.h"
#include "ui/check_state.h"
#include "ui/form.h"
#include "ui/menu.h"
#include "ui/vtree_view.h"

using namespace qz::ui;

namespace {

struct Rec {
  std::string text;
  bool category = false;
};

class ViewTest : public ::testing::Test {
 protected:
  // One shown form for all tests (hiding a window costs Wine two seconds
  // without a window manager); each test gets a fresh tree on it.
  static void SetUpTestSuite() {
    form = new Form(nullptr, "TForm_TreeTest");
    form->SetClientSize(420, 300);
    form->Show();
    App().ProcessMessages();
  }
  static void TearDownTestSuite() {
    delete form;
    form = nullptr;
  }
  void SetUp() override {
    view = new VTreeView(form, "VirtualDrawTree_Files");
    view->SetBounds(0, 0, 420, 300);
    view->AddColumn("Beschreibung / Datei", 300);
    view->AddColumn("Grösse", 72);
    view->SetDefaultNodeHeight(20);
    view->SetMultiSelect(true);
    view->SetBackgroundGradient(RGB(255, 255, 255), RGB(200, 200, 200));
    VTreeModel& t = view->Tree();
    t.SetRecordType<Rec>();
    for (int c = 0; c < 3; ++c) {
      VNode* cat = t.AddChild(nullptr, Rec{"cat" + std::to_string(c), true});
      t.SetCheckType(cat, CheckType::TriState);
      t.SetNodeHeight(cat, 32);
      cats.push_back(cat);
      for (int e = 0; e < 200; ++e) {
        VNode* n = t.AddChild(cat, Rec{"entry" + std::to_string(c) + "." + std::to_string(e)});
        t.SetCheckType(n, CheckType::CheckBox);
      }
    }
    t.OnChecking = [this](VNode* n, CheckState) {
      checking.push_back(view->Tree().Data<Rec>(n).text);
      return true;
    };
    view->OnHeaderClick = [this](int c) { headerClicks.push_back(c); };
    view->OnDrawNode = [this](const TreeCell& c) {
      ++drawn;
      drawnNodes.insert(c.node);
      if (c.selected) selectedTextColor = GetTextColor(c.dc);
      else unselectedTextColor = GetTextColor(c.dc);
      c.Text(3, 3, view->Tree().Data<Rec>(c.node).text);
    };
    App().ProcessMessages();
    hwnd = view->Handle();
    ASSERT_NE(hwnd, nullptr);
  }
  void TearDown() override {
    delete view;
    App().ProcessMessages();
  }
  void Click(POINT p, UINT keys = 0) {
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON | keys, MAKELPARAM(p.x, p.y));
    SendMessageW(hwnd, WM_LBUTTONUP, keys, MAKELPARAM(p.x, p.y));
  }
  void Key(WPARAM vk) {
    SendMessageW(hwnd, WM_KEYDOWN, vk, 0);
    SendMessageW(hwnd, WM_KEYUP, vk, 0);
  }
  static POINT Center(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
  // Client point on the expand button of a node.
  POINT ButtonPoint(VNode* n) {
    view->ScrollIntoView(n);
    const RECT row = view->NodeRect(n);
    const int indent = (view->Tree().GetNodeLevel(n) + 1) * view->Indent();
    return POINT{view->ColumnLeft(0) - view->OffsetX() + indent - view->Indent() / 2, (row.top + row.bottom) / 2};
  }
  // A point on a node's row (scrolled into view first).
  POINT RowPoint(VNode* n) {
    view->ScrollIntoView(n);
    const RECT r = view->NodeRect(n, 0);
    return POINT{r.right - 20, (r.top + r.bottom) / 2};
  }
  static inline Form* form = nullptr;
  VTreeView* view = nullptr;
  HWND hwnd = nullptr;
  std::vector<VNode*> cats;
  std::vector<std::string> checking;
  std::vector<int> headerClicks;
  int drawn = 0;
  std::set<VNode*> drawnNodes;
  COLORREF selectedTextColor = CLR_INVALID, unselectedTextColor = CLR_INVALID;
};

TEST_F(ViewTest, ClickingACheckGlyphChecksWithPropagationAndEvents) {
  VTreeModel& t = view->Tree();
  const RECT glyph = view->CheckRect(cats[1]);
  ASSERT_GT(glyph.right, glyph.left);
  EXPECT_EQ(view->HitTest(Center(glyph).x, Center(glyph).y).area, TreeHitArea::CheckBox);
  Click(Center(glyph));
  EXPECT_EQ(t.GetCheckState(cats[1]), CheckState::Checked);
  EXPECT_EQ(t.GetCheckState(t.GetLastChild(cats[1])), CheckState::Checked);
  EXPECT_EQ(t.GetCheckState(cats[0]), CheckState::Unchecked);
  ASSERT_EQ(checking.size(), 201u);  // the category, then each of its entries
  EXPECT_EQ(checking.front(), "cat1");
  EXPECT_EQ(checking[1], "entry1.0");
  // The glyph click changes no selection.
  EXPECT_EQ(t.SelectedCount(), 0u);
  Click(Center(glyph));
  EXPECT_EQ(t.GetCheckState(t.GetFirstChild(cats[1])), CheckState::Unchecked);
}

TEST_F(ViewTest, HeaderClicksReportTheColumn) {
  const int y = view->HeaderHeight() / 2;
  Click(POINT{view->ColumnLeft(1) + 30, y});
  Click(POINT{40, y});
  EXPECT_EQ(headerClicks, (std::vector<int>{1, 0}));
  // A press on one column released over another is no click.
  SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, y));
  SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(view->ColumnLeft(1) + 30, y));
  EXPECT_EQ(headerClicks.size(), 2u);
  // Dragging the divider resizes the column instead.
  const int divider = view->ColumnWidth(0);
  SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(divider, y));
  SendMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(divider - 50, y));
  SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(divider - 50, y));
  EXPECT_EQ(view->ColumnWidth(0), 250);
  EXPECT_EQ(headerClicks.size(), 2u);
  // Without header the top pixels belong to the first row.
  view->SetHeaderVisible(false);
  EXPECT_EQ(view->HitTest(RowPoint(cats[0]).x, 2).node, cats[0]);
  Click(POINT{40, 2});
  EXPECT_EQ(headerClicks.size(), 2u);
  // Captions are translatable through the component interface.
  EXPECT_EQ(view->ColumnCount(), 2);
  view->SetColumnCaption(1, "Size");
  EXPECT_EQ(view->ColumnCaption(1), "Size");
}

TEST_F(ViewTest, ExpandButtonsRowsAndKeys) {
  VTreeModel& t = view->Tree();
  EXPECT_EQ(view->HitTest(ButtonPoint(cats[0]).x, ButtonPoint(cats[0]).y).area, TreeHitArea::Button);
  Click(ButtonPoint(cats[0]));
  EXPECT_TRUE(t.Expanded(cats[0]));
  VNode* e0 = t.GetFirstChild(cats[0]);
  VNode* e1 = t.GetNextSibling(e0);
  VNode* e3 = t.GetNextSibling(t.GetNextSibling(e1));
  // Rows: plain click selects one, Ctrl adds, Shift extends from the anchor.
  Click(RowPoint(e0));
  EXPECT_TRUE(t.Selected(e0));
  EXPECT_EQ(t.FocusedNode(), e0);
  Click(RowPoint(e3), MK_CONTROL);
  EXPECT_EQ(t.SelectedCount(), 2u);
  Click(RowPoint(e1));
  Click(RowPoint(e3), MK_SHIFT);
  EXPECT_EQ(t.SelectedCount(), 3u);
  EXPECT_FALSE(t.Selected(e0));
  // Keys: space toggles the focused node's check, arrows move, - collapses.
  Key(VK_SPACE);
  EXPECT_EQ(t.GetCheckState(e3), CheckState::Checked);
  EXPECT_EQ(t.GetCheckState(cats[0]), CheckState::Mixed);
  Key(VK_DOWN);
  EXPECT_EQ(t.FocusedNode(), t.GetNextSibling(e3));
  EXPECT_EQ(t.SelectedCount(), 1u);
  Key(VK_LEFT);  // to the parent
  EXPECT_EQ(t.FocusedNode(), cats[0]);
  Key(VK_SUBTRACT);
  EXPECT_FALSE(t.Expanded(cats[0]));
  Key(VK_ADD);
  EXPECT_TRUE(t.Expanded(cats[0]));
  Key(VK_END);
  EXPECT_EQ(t.FocusedNode(), cats[2]);
  // A right click selects the row under the mouse.
  SendMessageW(hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(RowPoint(e1).x, RowPoint(e1).y));
  SendMessageW(hwnd, WM_RBUTTONUP, 0, MAKELPARAM(RowPoint(e1).x, RowPoint(e1).y));
  EXPECT_TRUE(t.Selected(e1));
  EXPECT_EQ(t.SelectedCount(), 1u);
  // A double click on a row expands it.
  SendMessageW(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(RowPoint(cats[1]).x, RowPoint(cats[1]).y));
  EXPECT_TRUE(t.Expanded(cats[1]));
}

TEST_F(ViewTest, RightClickSelectsTheRowAndOpensThePopup) {
  VTreeModel& t = view->Tree();
  t.SetExpanded(cats[0], true);
  auto* menu = new PopupMenu(view, "PopupMenu_Files");  // freed with the view
  auto* mark = new MenuItem(menu, "PopUp_MarkSelected", "Markierte Objekte auswählen");
  mark->OnClick = [&] { SetAllNodesChecked(view, true); };
  view->Popup = menu;
  int shown = 0;
  PopupMenu::SetTestHook([&](PopupMenu& m) -> MenuItem* {
    ++shown;
    EXPECT_EQ(m.PopupComponent, view);
    return mark;
  });
  VNode* e2 = t.GetNextSibling(t.GetNextSibling(t.GetFirstChild(cats[0])));
  Click(RowPoint(t.GetFirstChild(cats[0])));
  const POINT p = RowPoint(e2);
  SendMessageW(hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(p.x, p.y));
  SendMessageW(hwnd, WM_RBUTTONUP, 0, MAKELPARAM(p.x, p.y));
  App().ProcessMessages();
  PopupMenu::SetTestHook(nullptr);
  view->Popup = nullptr;
  EXPECT_EQ(shown, 1);
  // Only the row under the mouse was selected, and only that entry got checked.
  EXPECT_EQ(t.SelectedCount(), 1u);
  EXPECT_EQ(t.GetCheckState(e2), CheckState::Checked);
  EXPECT_EQ(t.GetCheckState(t.GetFirstChild(cats[0])), CheckState::Unchecked);
  EXPECT_EQ(t.GetCheckState(cats[0]), CheckState::Mixed);  // it follows its entries
  EXPECT_TRUE(checking.empty());  // the helper sets states without events
}

TEST_F(ViewTest, PaintsOnlyTheShownRowsOverTheGradient) {
  VTreeModel& t = view->Tree();
  t.FullExpand();
  t.SetSelected(t.GetFirstChild(cats[0]), true);
  view->SetFocus();
  App().ProcessMessages();
  const int w = 420;
  HDC screen = GetDC(hwnd);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, w, 300);
  HGDIOBJ old = SelectObject(dc, bmp);
  drawn = 0;
  drawnNodes.clear();
  view->PaintTo(dc);
  RECT client;
  GetClientRect(hwnd, &client);
  // At most the rows that fit (plus one partly shown), two cells each.
  const int maxRows = (client.bottom - view->HeaderHeight()) / 20 + 2;
  EXPECT_GT(drawn, 0);
  EXPECT_LE(static_cast<int>(drawnNodes.size()), maxRows);
  EXPECT_LE(drawn, maxRows * 2);
  EXPECT_EQ(selectedTextColor, RGB(255, 255, 255));
  EXPECT_EQ(unselectedTextColor, RGB(0, 0, 0));
  // The selected row is filled; the background shows the gradient's end colours.
  const RECT sel = view->NodeRect(t.GetFirstChild(cats[0]));
  EXPECT_EQ(GetPixel(dc, sel.right - 2, sel.top + 1), GetSysColor(COLOR_HIGHLIGHT)) ;
  const COLORREF bottom = GetPixel(dc, client.right - 2, client.bottom - 2);
  EXPECT_NEAR(GetRValue(bottom), 200, 3);
  EXPECT_NEAR(GetGValue(bottom), 200, 3);
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  ReleaseDC(hwnd, screen);
  // The gradient follows the size.
  view->SetBounds(0, 0, 300, 200);
  App().ProcessMessages();
  BITMAP bm{};
  GetObject(view->Background(), sizeof bm, &bm);
  GetClientRect(hwnd, &client);
  EXPECT_EQ(bm.bmWidth, client.right);
  EXPECT_EQ(bm.bmHeight, client.bottom);
}

TEST_F(ViewTest, ScrollingWithVariableRowHeights) {
  VTreeModel& t = view->Tree();
  t.FullExpand();
  App().ProcessMessages();
  const std::int64_t total = t.TotalHeight();
  EXPECT_EQ(total, 3 * 32 + 600 * 20);
  SendMessageW(hwnd, WM_VSCROLL, SB_PAGEDOWN, 0);
  const std::int64_t page = view->OffsetY();
  EXPECT_GT(page, 100);
  SendMessageW(hwnd, WM_VSCROLL, SB_BOTTOM, 0);
  RECT client;
  GetClientRect(hwnd, &client);
  EXPECT_EQ(view->OffsetY(), total - (client.bottom - view->HeaderHeight()));
  // The last node's row ends at the bottom of the window.
  EXPECT_EQ(view->NodeRect(t.GetLast()).bottom, client.bottom);
  // Scrolling a node into view and the focus keys keep rows on screen.
  view->ScrollIntoView(t.GetFirstChild(cats[1]));
  const RECT r = view->NodeRect(t.GetFirstChild(cats[1]));
  EXPECT_GE(r.top, view->HeaderHeight());
  EXPECT_LE(r.bottom, client.bottom);
  SendMessageW(hwnd, WM_VSCROLL, SB_TOP, 0);
  EXPECT_EQ(view->OffsetY(), 0);
  // Collapsing shrinks the scroll range: the offset follows.
  SendMessageW(hwnd, WM_VSCROLL, SB_BOTTOM, 0);
  t.FullCollapse();
  App().ProcessMessages();
  EXPECT_EQ(view->OffsetY(), 0);
  // Horizontal: columns wider than the window.
  view->SetColumnWidth(0, 900);
  SendMessageW(hwnd, WM_HSCROLL, SB_BOTTOM, 0);
  GetClientRect(hwnd, &client);
  EXPECT_EQ(view->OffsetX(), 972 - client.right);
  const int x1 = view->ColumnLeft(1) - view->OffsetX() + 5;
  EXPECT_EQ(view->HitTest(x1, view->HeaderHeight() / 2).column, 1);
  Click(POINT{x1, view->HeaderHeight() / 2});
  EXPECT_EQ(headerClicks, std::vector<int>{1});
}

TEST_F(ViewTest, DeletingAndClearingWhileShown) {
  VTreeModel& t = view->Tree();
  t.FullExpand();
  Click(RowPoint(t.GetFirstChild(cats[0])));
  SendMessageW(hwnd, WM_VSCROLL, SB_PAGEDOWN, 0);
  UpdateWindow(hwnd);
  for (VNode* n : t.AllNodes())
    if (t.GetParent(n) == cats[0]) t.DeleteNode(n);
  UpdateWindow(hwnd);
  EXPECT_EQ(t.ChildCount(cats[0]), 0u);
  EXPECT_EQ(t.SelectedCount(), 0u);
  // Shift-click after the anchor went away selects just the row.
  Click(RowPoint(t.GetFirstChild(cats[1])), MK_SHIFT);
  EXPECT_EQ(t.SelectedCount(), 1u);
  view->Clear();
  UpdateWindow(hwnd);
  EXPECT_EQ(view->OffsetY(), 0);
  EXPECT_EQ(view->HitTest(50, 40).node, nullptr);
  Key(VK_DOWN);
  Key(VK_SPACE);
}

}  // namespace
