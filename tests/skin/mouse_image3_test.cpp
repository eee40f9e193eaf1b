// The three-state image button: pictures by state, the pressed shift and
// its undoing in every way a press can end.
#include <gtest/gtest.h>

#include <memory>

#include "skin/mouse_image3.h"
#include "skin/skin_test_util.h"
#include "ui/controls/ui_test_util.h"
#include "ui/ui.h"

namespace qz::skin {
namespace {

constexpr uint32_t kNormal = 0xFFFF0000u, kHighlight = 0xFF00FF00u, kPressed = 0xFF0000FFu;

struct ButtonScene {
  std::unique_ptr<ui::Form> form = test::MakeForm("TForm_Buttons", 300, 200);
  TMorvekMouseImage3State* button;
  int clicks = 0;
  ButtonScene() {
    button = new TMorvekMouseImage3State(form.get(), "MorvekMouseImage3State_Test");
    button->SetBounds(50, 40, 100, 30);
    button->SetPicture_Normal(test::Solid(4, 4, kNormal));
    button->SetPicture_Highlight(test::Solid(4, 4, kHighlight));
    button->SetPicture_Pressed(test::Solid(4, 4, kPressed));
    button->OnClick = [this] { ++clicks; };
    form->HandleNeeded();  // shown windows make every test wait for the window manager
  }
  void Send(UINT msg, WPARAM keys, int x, int y) { SendMessageW(form->Handle(), msg, keys, test::Pt(x, y)); }
  uint32_t Shown() const { return button->Picture().Pixel(0, 0); }
  POINT Pos() const { return POINT{button->Left(), button->Top()}; }
};

bool At(POINT p, int x, int y) { return p.x == x && p.y == y; }

TEST(MouseImage3, PicturesFollowTheMouseAndThePressMovesOnePixel) {
  ButtonScene s;
  EXPECT_EQ(s.Shown(), kNormal);
  s.Send(WM_MOUSEMOVE, 0, 60, 50);
  EXPECT_TRUE(s.button->Inside());
  EXPECT_EQ(s.Shown(), kHighlight);
  s.Send(WM_LBUTTONDOWN, MK_LBUTTON, 60, 50);
  EXPECT_EQ(s.Shown(), kPressed);
  EXPECT_TRUE(At(s.Pos(), 51, 41));
  int leftDuringClick = -1;
  s.button->OnClick = [&] { leftDuringClick = s.button->Left(); };
  s.Send(WM_LBUTTONUP, 0, 60, 50);
  EXPECT_EQ(leftDuringClick, 50) << "the click runs with the button back in place";
  EXPECT_TRUE(At(s.Pos(), 50, 40));
  EXPECT_EQ(s.Shown(), kHighlight);
  s.Send(WM_MOUSEMOVE, 0, 250, 150);
  EXPECT_FALSE(s.button->Inside());
  EXPECT_EQ(s.Shown(), kNormal);
}

TEST(MouseImage3, EveryWayAPressEndsPutsTheButtonBackExactlyOnce) {
  struct Case {
    const char* what;
    std::function<void(ButtonScene&)> end;
    uint32_t picture;
  } cases[] = {
      {"press, drag out, release",
       [](ButtonScene& s) {
         s.Send(WM_MOUSEMOVE, MK_LBUTTON, 250, 150);
         s.Send(WM_LBUTTONUP, 0, 250, 150);
       },
       kNormal},
      {"disabled while held, then released",
       [](ButtonScene& s) {
         s.button->SetEnabled(false);
         s.Send(WM_LBUTTONUP, 0, 60, 50);
         s.button->SetEnabled(true);
       },
       kPressed},  // a disabled button keeps what it showed
      {"hidden while held, then released",
       [](ButtonScene& s) {
         s.button->Hide();
         s.Send(WM_LBUTTONUP, 0, 60, 50);
         s.button->Show();
       },
       kNormal},
      {"another window takes the capture, release comes later",
       [](ButtonScene& s) {
         auto other = test::MakeForm("TForm_Other", 40, 40);
         other->HandleNeeded();
         SetCapture(other->Handle());
         ReleaseCapture();
         s.Send(WM_LBUTTONUP, 0, 60, 50);
       },
       kHighlight},
      {"a second button pressed and released in between",
       [](ButtonScene& s) {
         s.Send(WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, 60, 50);
         s.Send(WM_RBUTTONUP, MK_LBUTTON, 60, 50);
         s.Send(WM_LBUTTONUP, 0, 60, 50);
       },
       kHighlight},
      {"a modal window opened by the click",
       [](ButtonScene& s) {
         s.button->OnClick = [&s] {
           auto dialog = test::MakeForm("TForm_Modal", 80, 60);
           ui::App().Post([d = dialog.get()] { d->SetModalResult(ui::mrOk); });
           dialog->ShowModal();
         };
         s.Send(WM_LBUTTONUP, 0, 60, 50);
       },
       0},
  };
  for (const Case& c : cases) {
    ButtonScene s;
    for (int round = 0; round < 3; ++round) {
      s.Send(WM_MOUSEMOVE, 0, 60, 50);
      s.Send(WM_LBUTTONDOWN, MK_LBUTTON, 60, 50);
      ASSERT_TRUE(At(s.Pos(), 51, 41)) << c.what << " round " << round;
      c.end(s);
      ASSERT_TRUE(At(s.Pos(), 50, 40)) << c.what << " round " << round << ": " << s.Pos().x << "," << s.Pos().y;
      if (c.picture) {
        EXPECT_EQ(s.Shown(), c.picture) << c.what;
      }
      // A late release must not move it again.
      s.Send(WM_LBUTTONUP, 0, 60, 50);
      ASSERT_TRUE(At(s.Pos(), 50, 40)) << c.what << " after a stray release";
    }
  }
}

TEST(MouseImage3, WithoutMoveIfPressedTheButtonNeverMoves) {
  ButtonScene s;
  s.button->Move_If_MousePressed = false;
  s.Send(WM_MOUSEMOVE, 0, 60, 50);
  s.Send(WM_LBUTTONDOWN, MK_LBUTTON, 60, 50);
  EXPECT_TRUE(At(s.Pos(), 50, 40));
  EXPECT_EQ(s.Shown(), kPressed);
  s.Send(WM_LBUTTONUP, 0, 60, 50);
  EXPECT_TRUE(At(s.Pos(), 50, 40));
  EXPECT_EQ(s.clicks, 1);
}

TEST(MouseImage3, ADisabledButtonKeepsItsPictureAndStillTracksTheMouse) {
  ButtonScene s;
  s.button->SetEnabled(false);
  int enters = 0, leaves = 0;
  s.button->OnMouseEnter = [&] { ++enters; };
  s.button->OnMouseLeave = [&] { ++leaves; };
  s.button->MouseEnter();
  EXPECT_TRUE(s.button->Inside());
  EXPECT_EQ(s.Shown(), kNormal);
  s.button->MouseLeave();
  EXPECT_FALSE(s.button->Inside());
  EXPECT_EQ(s.Shown(), kNormal);
  EXPECT_EQ(enters + leaves, 2);
}

TEST(MouseImage3, OnlyALeaveHandlerReportsEveryLeave) {
  ButtonScene s;
  int leaves = 0;
  s.button->OnMouseLeave = [&] { ++leaves; };
  for (int i = 0; i < 3; ++i) {
    s.Send(WM_MOUSEMOVE, 0, 60, 50);
    s.Send(WM_MOUSEMOVE, 0, 250, 150);
  }
  EXPECT_EQ(leaves, 3);
}

TEST(MouseImage3, EmptyStatePicturesBlankTheButtonAndOnlyANormalPictureIsTaken) {
  ButtonScene s;
  s.button->SetPicture_Highlight(ui::Picture());
  s.button->SetPicture_Normal(ui::Picture());  // ignored: nothing given
  EXPECT_EQ(s.Shown(), kNormal);
  s.Send(WM_MOUSEMOVE, 0, 60, 50);
  EXPECT_TRUE(s.button->Picture().Empty());
  s.Send(WM_MOUSEMOVE, 0, 250, 150);
  EXPECT_EQ(s.Shown(), kNormal);
}

}  // namespace
}  // namespace qz::skin
