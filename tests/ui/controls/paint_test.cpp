// What controls paint: bevels, panels, group boxes over their parent's
// background, label alignment, link colours. Captured with WM_PRINTCLIENT.
#include <gtest/gtest.h>

#include <thread>

#include "ui_test_util.h"

namespace qz::ui {
namespace {

using test::Capture;
using test::MakeForm;

TEST(Painting, BevelShapesAndStyles) {
  auto form = MakeForm("TForm_Bevel", 100, 100);
  form->SetColor(RGB(0, 128, 0));
  auto* bevel = new Bevel(form.get(), "Bevel1");
  bevel->SetBounds(10, 10, 50, 40);
  form->HandleNeeded();
  COLORREF dark = GetSysColor(COLOR_BTNSHADOW), light = GetSysColor(COLOR_BTNHIGHLIGHT), bg = RGB(0, 128, 0);
  struct Case {
    Bevel::Shape shape;
    Bevel::Style style;
    POINT topLeft, bottomRight, inside;
    COLORREF atTopLeft, atBottomRight;
  } cases[] = {
      {Bevel::Shape::Box, Bevel::Style::Lowered, {10, 10}, {59, 49}, {30, 30}, dark, light},
      {Bevel::Shape::Box, Bevel::Style::Raised, {10, 10}, {59, 49}, {30, 30}, light, dark},
      {Bevel::Shape::TopLine, Bevel::Style::Lowered, {30, 10}, {30, 11}, {30, 30}, dark, light},
      {Bevel::Shape::BottomLine, Bevel::Style::Lowered, {30, 48}, {30, 49}, {30, 30}, dark, light},
      {Bevel::Shape::Spacer, Bevel::Style::Lowered, {10, 10}, {59, 49}, {30, 30}, bg, bg},
  };
  for (const Case& c : cases) {
    bevel->SetShape(c.shape);
    bevel->SetStyle(c.style);
    Capture cap(form->Handle());
    EXPECT_EQ(cap.Pixel(c.topLeft.x, c.topLeft.y), c.atTopLeft) << static_cast<int>(c.shape);
    EXPECT_EQ(cap.Pixel(c.bottomRight.x, c.bottomRight.y), c.atBottomRight) << static_cast<int>(c.shape);
    EXPECT_EQ(cap.Pixel(c.inside.x, c.inside.y), bg) << static_cast<int>(c.shape);  // never filled
    EXPECT_EQ(cap.Pixel(5, 5), bg);
  }
}

TEST(Painting, ContainersShowTheirParentsBackgroundUnlessColoured) {
  auto form = MakeForm("TForm_Containers", 300, 200);
  form->SetColor(RGB(0, 0, 200));
  auto* group = new GroupBox(form.get(), "GroupBox1", "Optionen");
  group->SetBounds(10, 10, 140, 100);
  auto* panel = new Panel(form.get(), "Panel1");
  panel->SetBounds(160, 10, 120, 100);
  auto* inner = new Label(group, "Label1", "x");
  inner->SetBounds(20, 40, 0, 0);
  form->Show();
  test::PumpFor(20);
  {
    Capture g(group->Handle());
    EXPECT_EQ(g.Pixel(70, 60), RGB(0, 0, 200));  // transparent inside the frame
    EXPECT_EQ(g.Pixel(2, 3), RGB(0, 0, 200));    // and above the frame line, beside the caption
    // The caption is drawn in the font colour (black by default).
    RECT cap{8, 0, 60, 14};
    EXPECT_GT(g.Count(cap, RGB(0, 0, 0)), 5);
    Capture p(panel->Handle());
    EXPECT_EQ(p.Pixel(60, 50), RGB(0, 0, 200));
  }
  panel->SetColor(RGB(250, 250, 210));
  panel->SetBevelOuter(Panel::Bevel::Lowered);
  Capture p(panel->Handle());
  EXPECT_EQ(p.Pixel(60, 50), RGB(250, 250, 210));
  EXPECT_EQ(p.Pixel(0, 0), GetSysColor(COLOR_BTNSHADOW));
  // Controls keep their own area: the panel's children are aligned inside the bevel.
  auto* fill = new Panel(panel, "Fill");
  fill->SetAlign(AlignMode::Client);
  EXPECT_EQ(fill->Left(), 1);
  EXPECT_EQ(fill->Width(), 118);
}

TEST(Painting, LabelAlignmentKeepsItsEdgeOnAutoSize) {
  auto form = MakeForm("TForm_Align", 300, 100);
  auto* left = new Label(form.get(), "L", "abc");
  left->SetBounds(100, 10, 50, 0);
  auto* right = new Label(form.get(), "R", "abc");
  right->SetAlignment(Alignment::Right);
  right->SetBounds(100, 30, 50, 13);
  right->SetAutoSize(false);
  right->SetAutoSize(true);  // recomputes: the right edge stays at 150
  EXPECT_EQ(left->Left(), 100);
  EXPECT_EQ(right->Left() + right->Width(), 150);
  int w = right->Width();
  right->SetCaption("abcdef");
  EXPECT_GT(right->Width(), w);
  EXPECT_EQ(right->Left() + right->Width(), 150);
  // Word wrap keeps the width and grows the height.
  auto* wrap = new Label(form.get(), "W");
  wrap->SetWordWrap(true);
  wrap->SetBounds(0, 50, 60, 0);
  int oneLine = wrap->Height();
  wrap->SetCaption("many words that cannot fit on one line of sixty pixels");
  EXPECT_EQ(wrap->Width(), 60);
  EXPECT_GT(wrap->Height(), oneLine * 3);
}

TEST(Painting, LinksShowInLinkColourAndHighlightUnderTheMouse) {
  auto form = MakeForm("TForm_Link", 300, 60);
  form->SetColor(RGB(255, 255, 255));
  auto* rl = new RichLabel(form.get(), "Rich");
  rl->SetBounds(5, 5, 290, 0);
  rl->SetCaption("<link>WWWWWWWW</link> plain");
  rl->LinkColor = RGB(0, 0, 255);
  rl->HotLinkColor = RGB(255, 0, 0);
  form->Show();
  RECT link = rl->Runs()[0].rect;
  OffsetRect(&link, 5, 5);
  Capture a(form->Handle());
  EXPECT_GT(a.Count(link, RGB(0, 0, 255)), 10);
  EXPECT_EQ(a.Count(link, RGB(255, 0, 0)), 0);
  SendMessageW(form->Handle(), WM_MOUSEMOVE, 0, test::Pt(link.left + 3, link.top + 3));
  Capture b(form->Handle());
  EXPECT_GT(b.Count(link, RGB(255, 0, 0)), 10);
  // The cursor over the link is the hand.
  EXPECT_EQ(rl->CursorAt(3, 3), LoadCursor(nullptr, IDC_HAND));
  EXPECT_NE(rl->CursorAt(rl->Width() - 1, 3), LoadCursor(nullptr, IDC_HAND));
}

TEST(Application, PostFromAnotherThreadRunsOnTheGuiThread) {
  DWORD gui = GetCurrentThreadId(), ranOn = 0;
  std::thread worker([&] { App().Post([&] { ranOn = GetCurrentThreadId(); }); });
  worker.join();
  EXPECT_EQ(ranOn, 0u);  // not before the loop pumps
  EXPECT_TRUE(test::PumpUntil([&] { return ranOn != 0; }));
  EXPECT_EQ(ranOn, gui);
}

}  // namespace
}  // namespace qz::ui
