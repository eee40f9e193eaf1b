// Windowless controls: hit test in z-order, enter/leave, capture, painting
// over the container's background; pixel checks through WM_PRINTCLIENT.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "core/text.h"
#include "ui_test_util.h"

namespace qz::ui {
namespace {

using test::Capture;
using test::MakeForm;
using test::Pt;

// A graphic control that logs its mouse input and paints a solid colour.
struct Spot : GraphicControl {
  Spot(WinControl* parent, std::string name, COLORREF color, std::vector<std::string>* log)
      : GraphicControl(parent, std::move(name)), color_(color), log_(log) {
    OnClick = [this] { log_->push_back(Name + ":click"); };
  }
  void Paint(HDC dc) override {
    HBRUSH b = CreateSolidBrush(color_);
    RECT r{0, 0, Width(), Height()};
    FillRect(dc, &r, b);
    DeleteObject(b);
  }
  void MouseEnter() override {
    log_->push_back(Name + ":enter");
    GraphicControl::MouseEnter();
  }
  void MouseLeave() override {
    log_->push_back(Name + ":leave");
    GraphicControl::MouseLeave();
  }
  void MouseDown(const MouseEvent& e) override {
    log_->push_back(Name + ":down@" + std::to_string(e.x) + "," + std::to_string(e.y));
    GraphicControl::MouseDown(e);
  }
  void MouseUp(const MouseEvent& e) override {
    log_->push_back(Name + ":up@" + std::to_string(e.x) + "," + std::to_string(e.y));
    GraphicControl::MouseUp(e);
  }
  void MouseMove(const MouseEvent& e) override {
    if (Parent() && Parent()->Handle() && GetCapture() == Parent()->Handle())
      log_->push_back(Name + ":move@" + std::to_string(e.x) + "," + std::to_string(e.y));
    GraphicControl::MouseMove(e);
  }
  COLORREF color_;
  std::vector<std::string>* log_;
};

struct Scene {
  std::unique_ptr<Form> form = MakeForm("TForm_Graphic", 300, 200);
  std::vector<std::string> log;
  Spot* a;
  Spot* b;
  Spot* hidden;
  Scene() {
    form->SetColor(RGB(0, 0, 255));
    a = new Spot(form.get(), "A", RGB(255, 0, 0), &log);
    a->SetBounds(10, 10, 100, 100);
    b = new Spot(form.get(), "B", RGB(0, 255, 0), &log);  // above A where they overlap
    b->SetBounds(60, 60, 100, 100);
    hidden = new Spot(form.get(), "Hidden", RGB(0, 0, 0), &log);
    hidden->SetBounds(0, 0, 300, 200);
    hidden->Hide();
    form->Show();
  }
  void Send(UINT msg, WPARAM wp, int x, int y) { SendMessageW(form->Handle(), msg, wp, Pt(x, y)); }
};

TEST(GraphicControls, HitTestFollowsZOrderVisibilityAndEnabled) {
  Scene s;
  struct Case {
    int x, y;
    const char* expected;
  } cases[] = {{20, 20, "A"}, {70, 70, "B"}, {150, 150, "B"}, {250, 20, nullptr}, {109, 59, "A"}, {110, 59, nullptr}};
  for (const Case& c : cases) {
    GraphicControl* g = s.form->GraphicAt(c.x, c.y);
    EXPECT_EQ(g ? g->Name : std::string("none"), c.expected ? c.expected : "none") << c.x << "," << c.y;
  }
  s.b->SetEnabled(false);
  EXPECT_EQ(s.form->GraphicAt(70, 70), s.a);
  s.b->SetEnabled(true);
  s.b->Hide();
  EXPECT_EQ(s.form->GraphicAt(70, 70), s.a);
}

TEST(GraphicControls, EnterLeaveAndClickByMouseMessages) {
  Scene s;
  s.Send(WM_MOUSEMOVE, 0, 20, 20);
  s.Send(WM_MOUSEMOVE, 0, 30, 30);  // no second enter
  s.Send(WM_MOUSEMOVE, 0, 70, 70);  // over B, which covers A here
  s.Send(WM_MOUSEMOVE, 0, 250, 20);
  s.Send(WM_MOUSEMOVE, 0, 150, 150);
  SendMessageW(s.form->Handle(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(s.log, (std::vector<std::string>{"A:enter", "A:leave", "B:enter", "B:leave", "B:enter", "B:leave"}));
  EXPECT_FALSE(s.b->MouseInside());

  s.log.clear();
  s.Send(WM_MOUSEMOVE, 0, 20, 20);
  s.Send(WM_LBUTTONDOWN, MK_LBUTTON, 20, 20);
  s.Send(WM_LBUTTONUP, 0, 25, 25);
  EXPECT_EQ(s.log, (std::vector<std::string>{"A:enter", "A:down@10,10", "A:up@15,15", "A:click"}));
}

TEST(GraphicControls, PressedControlKeepsTheMouseUntilRelease) {
  Scene s;
  s.Send(WM_MOUSEMOVE, 0, 20, 20);
  s.Send(WM_LBUTTONDOWN, MK_LBUTTON, 20, 20);
  EXPECT_EQ(GetCapture(), s.form->Handle());
  s.log.clear();
  // Moving over B and off the form still goes to A, in A's coordinates.
  s.Send(WM_MOUSEMOVE, MK_LBUTTON, 150, 150);
  s.Send(WM_MOUSEMOVE, MK_LBUTTON, 400, -5);
  s.Send(WM_LBUTTONUP, 0, 400, -5);  // released outside A: no click
  EXPECT_EQ(s.log, (std::vector<std::string>{"A:leave", "B:enter", "A:move@140,140", "B:leave",
                                             "A:move@390,-15", "A:up@390,-15"}));
  EXPECT_NE(GetCapture(), s.form->Handle());

  // Capture lost to someone else: the press is forgotten, the next up is no click.
  s.log.clear();
  s.Send(WM_MOUSEMOVE, 0, 20, 20);
  s.Send(WM_LBUTTONDOWN, MK_LBUTTON, 20, 20);
  ReleaseCapture();
  s.Send(WM_LBUTTONUP, 0, 20, 20);
  for (const auto& e : s.log) EXPECT_NE(e, "A:click");
}

TEST(GraphicControls, DeletedWhileHoveredOrPressedIsForgotten) {
  Scene s;
  s.Send(WM_MOUSEMOVE, 0, 20, 20);
  s.Send(WM_LBUTTONDOWN, MK_LBUTTON, 20, 20);
  delete s.a;
  s.Send(WM_MOUSEMOVE, MK_LBUTTON, 30, 30);
  s.Send(WM_LBUTTONUP, 0, 30, 30);
  SendMessageW(s.form->Handle(), WM_MOUSELEAVE, 0, 0);
  for (const auto& e : s.log) EXPECT_EQ(e.rfind("A:", 0) == 0 && e != "A:enter" && e != "A:down@10,10", false) << e;
}

TEST(GraphicControls, PaintedInZOrderOverTheBackground) {
  Scene s;
  Capture cap(s.form->Handle());
  EXPECT_EQ(cap.Pixel(5, 5), RGB(0, 0, 255));      // form background
  EXPECT_EQ(cap.Pixel(20, 20), RGB(255, 0, 0));    // A
  EXPECT_EQ(cap.Pixel(70, 70), RGB(0, 255, 0));    // B above A
  EXPECT_EQ(cap.Pixel(150, 150), RGB(0, 255, 0));  // B
  EXPECT_EQ(cap.Pixel(250, 180), RGB(0, 0, 255));  // the hidden one paints nothing
  // A replaced background shows under every graphic control.
  s.form->OnEraseBackground = [&](HDC dc) {
    RECT r{0, 0, s.form->ClientWidth(), s.form->ClientHeight()};
    HBRUSH b = CreateSolidBrush(RGB(255, 0, 255));
    FillRect(dc, &r, b);
    DeleteObject(b);
    return true;
  };
  Capture cap2(s.form->Handle());
  EXPECT_EQ(cap2.Pixel(5, 5), RGB(255, 0, 255));
  EXPECT_EQ(cap2.Pixel(20, 20), RGB(255, 0, 0));
}

TEST(GraphicControls, LabelDrawsItsTextInItsColourTransparently) {
  auto form = MakeForm("TForm_Label", 300, 100);
  form->SetColor(RGB(255, 255, 255));
  auto* label = new Label(form.get(), "Label1", "Kennwort 1234");
  label->SetFont(FontSpec{"Tahoma", 12, true, false, false, RGB(99, 113, 177)});
  label->SetBounds(10, 10, 0, 0);
  form->HandleNeeded();
  EXPECT_GT(label->Width(), 40);   // AutoSize
  EXPECT_GT(label->Height(), 10);
  Capture cap(form->Handle());
  RECT r = label->BoundsRect();
  EXPECT_GT(cap.Count(r, RGB(99, 113, 177)), 20);
  EXPECT_EQ(cap.Pixel(r.right + 2, r.top + 2), RGB(255, 255, 255));
  // The size follows the font: bold text is wider.
  int boldWidth = label->Width();
  label->SetFont(FontSpec{"Tahoma", 12, false, false, false, RGB(99, 113, 177)});
  EXPECT_LT(label->Width(), boldWidth);
  Capture cap2(form->Handle());
  EXPECT_GT(cap2.Count(label->BoundsRect(), RGB(99, 113, 177)), 20);
  // Opaque label: its colour fills its rectangle.
  label->SetTransparent(false);
  label->SetColor(RGB(255, 255, 0));
  Capture cap3(form->Handle());
  EXPECT_EQ(cap3.Pixel(label->Left() + label->Width() - 1, label->Top()), RGB(255, 255, 0));
}

TEST(GraphicControls, LabelShowsAnAmpersandAsItStands) {
  auto form = MakeForm("TForm_Label", 400, 100);
  auto* label = new Label(form.get(), "Label_ModuleName", "File Splitter & Joiner");
  form->HandleNeeded();
  // The width is that of the whole text, "&" included, drawn as it stands.
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, GetFontHandle(label->Font()));
  SIZE whole{}, withoutAmp{};
  GetTextExtentPoint32W(dc, L"File Splitter & Joiner", 22, &whole);
  GetTextExtentPoint32W(dc, L"File Splitter  Joiner", 21, &withoutAmp);
  SelectObject(dc, old);
  DeleteDC(dc);
  EXPECT_EQ(label->Width(), whole.cx);
  EXPECT_GT(label->Width(), withoutAmp.cx);
  // A label that names a control for the keyboard may still take "&" as its mnemonic.
  label->SetShowAccelChar(true);
  EXPECT_EQ(label->Width(), withoutAmp.cx);
}

// The tool the form's tooltip holds for a window: text and rectangle.
struct HintTool {
  int count = 0;
  std::string text;
  RECT rect{};
};
HintTool ToolOf(Form& form) {
  HintTool t;
  HWND tips = form.HintWindow();
  if (!tips) return t;
  t.count = static_cast<int>(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0));
  if (t.count == 0) return t;
  wchar_t buffer[256] = {};
  TTTOOLINFOW ti{};
  ti.cbSize = sizeof ti;
  ti.lpszText = buffer;
  SendMessageW(tips, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&ti));
  t.text = Narrow(buffer);
  t.rect = ti.rect;
  return t;
}

TEST(GraphicControls, HintsOfTheControlUnderTheMouseBecomeTheTooltip) {
  Scene s;
  s.a->Hint = "Schließen";
  s.b->Hint = "Hilfe";
  auto* button = new Button(s.form.get(), "Button_Ok", "OK");
  button->SetBounds(200, 150, 75, 25);
  button->Hint = "Fertig";
  ASSERT_TRUE(button->HandleNeeded());
  s.Send(WM_MOUSEMOVE, 0, 20, 20);
  HintTool t = ToolOf(*s.form);
  EXPECT_EQ(t.count, 1);
  EXPECT_EQ(t.text, "Schließen");
  EXPECT_EQ(t.rect.left, 10);
  EXPECT_EQ(t.rect.bottom, 110);
  // The upper control where two overlap.
  s.Send(WM_MOUSEMOVE, 0, 100, 100);
  t = ToolOf(*s.form);
  EXPECT_EQ(t.count, 1);
  EXPECT_EQ(t.text, "Hilfe");
  EXPECT_EQ(t.rect.left, 60);
  // Nothing with a hint under the mouse, or the mouse gone: no tool.
  s.Send(WM_MOUSEMOVE, 0, 250, 20);
  EXPECT_EQ(ToolOf(*s.form).count, 0);
  s.Send(WM_MOUSEMOVE, 0, 20, 20);
  SendMessageW(s.form->Handle(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(ToolOf(*s.form).count, 0);
  // A windowed control's hint covers its window.
  SendMessageW(button->Handle(), WM_MOUSEMOVE, 0, Pt(5, 5));
  t = ToolOf(*s.form);
  EXPECT_EQ(t.count, 1);
  EXPECT_EQ(t.text, "Fertig");
  EXPECT_EQ(t.rect.right, 75);
  // Its window goes: so does its tool.
  delete button;
  EXPECT_EQ(ToolOf(*s.form).count, 0);
}

TEST(GraphicControls, ImagePlacesItsPicture) {
  auto form = MakeForm("TForm_Image", 200, 200);
  form->SetColor(RGB(255, 255, 255));
  auto* img = new Image(form.get(), "Image1");
  img->SetBounds(0, 0, 100, 50);
  img->SetPicture(Picture(20, 10, Argb(255, 200, 0, 0)));
  struct Case {
    bool stretch, center, proportional;
    RECT expected;
  } cases[] = {
      {false, false, false, {0, 0, 20, 10}},  {false, true, false, {40, 20, 60, 30}},
      {true, false, false, {0, 0, 100, 50}},  {true, false, true, {0, 0, 100, 50}},
      {false, false, true, {0, 0, 20, 10}},   {true, true, true, {0, 0, 100, 50}},
  };
  for (const Case& c : cases) {
    img->SetStretch(c.stretch);
    img->SetCenter(c.center);
    img->SetProportional(c.proportional);
    RECT r = img->DestRect();
    EXPECT_TRUE(EqualRect(&r, &c.expected)) << c.stretch << c.center << c.proportional << " got " << r.left << ","
                                            << r.top << "," << r.right << "," << r.bottom;
  }
  // A tall picture, proportional and centred in a wide control.
  img->SetPicture(Picture(10, 40, Argb(255, 200, 0, 0)));
  RECT r = img->DestRect();
  EXPECT_EQ(r.bottom - r.top, 50);
  EXPECT_EQ(r.right - r.left, 13);  // 10 * 50/40, rounded
  EXPECT_EQ(r.left, (100 - 13) / 2);

  form->HandleNeeded();
  Capture cap(form->Handle());
  EXPECT_EQ(cap.Pixel(50, 25), RGB(200, 0, 0));
  EXPECT_EQ(cap.Pixel(5, 25), RGB(255, 255, 255));

  // The canvas: drawing on it shows after Invalidate.
  auto* canvasImg = new Image(form.get(), "Image2");
  canvasImg->SetBounds(0, 100, 50, 50);
  HDC dc = canvasImg->Canvas();
  ASSERT_NE(dc, nullptr);
  HBRUSH green = CreateSolidBrush(RGB(0, 160, 0));
  RECT rc{10, 10, 20, 20};
  FillRect(dc, &rc, green);
  DeleteObject(green);
  canvasImg->Invalidate();
  Capture cap2(form->Handle());
  EXPECT_EQ(cap2.Pixel(15, 115), RGB(0, 160, 0));
  EXPECT_EQ(cap2.Pixel(2, 102), RGB(255, 255, 255));
}

TEST(GraphicControls, CheckBoxShowsTheBackgroundBehindIt) {
  auto form = MakeForm("TForm_Check", 300, 100);
  auto* panel = new Panel(form.get(), "Panel1");
  panel->SetBounds(0, 0, 300, 100);
  // A skinned background: the panel's erase is replaced.
  panel->OnEraseBackground = [&](HDC dc) {
    RECT r{0, 0, 300, 100};
    HBRUSH b = CreateSolidBrush(RGB(255, 0, 255));
    FillRect(dc, &r, b);
    DeleteObject(b);
    return true;
  };
  auto* check = new CheckBox(panel, "CheckBox1", "Option");
  check->SetBounds(20, 20, 200, 20);
  auto* radio = new RadioButton(panel, "RadioButton1", "Option");
  radio->SetBounds(20, 50, 200, 20);
  form->Show();
  test::PumpFor(30);
  for (WinControl* c : {static_cast<WinControl*>(check), static_cast<WinControl*>(radio)}) {
    Capture cap(c->Handle());
    // Right of the text the control shows what lies behind it.
    EXPECT_EQ(cap.Pixel(190, 10), RGB(255, 0, 255)) << c->Name;
    EXPECT_EQ(cap.Pixel(195, 2), RGB(255, 0, 255)) << c->Name;
  }
}

}  // namespace
}  // namespace qz::ui
