// The shaped picture control: the region built from a picture, the parent
// window's outline, and dragging the window by the control.
#include <gtest/gtest.h>

#include <memory>

#include "skin/image_shape.h"
#include "skin/skin_test_util.h"
#include "ui/controls/ui_test_util.h"
#include "ui/ui.h"

namespace qz::skin {
namespace {

constexpr uint32_t kMagenta = 0xFFFF00FFu;
constexpr uint32_t kGrey = 0xFF808080u;

struct Region {
  HRGN h;
  explicit Region(HRGN r) : h(r) {}
  ~Region() {
    if (h) DeleteObject(h);
  }
  bool Has(int x, int y) const { return h && PtInRegion(h, x, y); }
};

// The window's region, or none.
std::unique_ptr<Region> WindowRegion(HWND hwnd) {
  HRGN r = CreateRectRgn(0, 0, 0, 0);
  if (GetWindowRgn(hwnd, r) == ERROR) {
    DeleteObject(r);
    return nullptr;
  }
  return std::make_unique<Region>(r);
}

TEST(PictureRegion, CutsExactlyTheBottomLeftColourWhereverItLies) {
  // Magenta at the bottom left, in a cross in the middle and at the top
  // right; near-magenta pixels beside them stay.
  ui::Picture pic = test::Pattern(20, 10, [](int x, int y) {
    if ((x == 0 && y == 9) || x == 10 || y == 4 || (x >= 18 && y == 0)) return kMagenta;
    if (x == 11) return 0xFFFE00FFu;
    if (y == 5) return 0xFFFF01FFu;
    return kGrey;
  });
  Region r(BuildPictureRegion(pic, RECT{0, 0, 20, 10}, RECT{0, 0, 20, 10}));
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) {
      bool cut = (pic.Pixel(x, y) & 0xFFFFFF) == 0xFF00FF;
      ASSERT_EQ(r.Has(x, y), !cut) << x << "," << y;
    }
  EXPECT_FALSE(r.Has(20, 5)) << "nothing outside the picture";
}

TEST(PictureRegion, StretchedPicturesCutByNearestPixelInsideTheDestinationOnly) {
  // 2 x 2: magenta left column (the bottom-left pixel), grey right column.
  ui::Picture pic = test::Pattern(2, 2, [](int x, int) { return x == 0 ? kMagenta : kGrey; });
  Region r(BuildPictureRegion(pic, RECT{0, 0, 30, 30}, RECT{5, 5, 25, 25}));
  EXPECT_FALSE(r.Has(5, 5));
  EXPECT_FALSE(r.Has(14, 24));
  EXPECT_TRUE(r.Has(15, 5));
  EXPECT_TRUE(r.Has(24, 24));
  EXPECT_FALSE(r.Has(25, 10)) << "right of the destination";
  EXPECT_FALSE(r.Has(2, 2)) << "the client outside the destination";
}

TEST(PictureRegion, ACheckerboardFinishesWithinASecond) {
  // 640 x 480 pixels, every other one cut: 153,600 runs.
  ui::Picture pic = test::Pattern(640, 480, [](int x, int y) { return ((x + y) % 2) ? kMagenta : kGrey; });
  ASSERT_EQ(pic.Pixel(0, 479) & 0xFFFFFF, 0xFF00FFu);
  DWORD start = GetTickCount();
  Region r(BuildPictureRegion(pic, RECT{0, 0, 640, 480}, RECT{0, 0, 640, 480}));
  DWORD took = GetTickCount() - start;
  EXPECT_LT(took, 1000u);
  for (POINT p : {POINT{0, 0}, POINT{1, 0}, POINT{639, 479}, POINT{638, 479}, POINT{321, 200}, POINT{320, 200}})
    EXPECT_EQ(r.Has(p.x, p.y), (p.x + p.y) % 2 == 0) << p.x << "," << p.y;
}

TEST(PictureRegion, UnitingRectanglesInHalvesGivesTheirUnion) {
  std::vector<RECT> rects;
  for (int i = 0; i < 1000; ++i) rects.push_back(RECT{i % 37, i, i % 37 + 3, i + 1});
  Region r(UniteRectangles(rects.data(), rects.size()));
  for (int i = 0; i < 1000; i += 7) {
    EXPECT_TRUE(r.Has(i % 37 + 2, i));
    EXPECT_FALSE(r.Has(i % 37 + 3, i));
  }
  EXPECT_EQ(UniteRectangles(nullptr, 0), nullptr);
}

// A borderless form with shaped controls.
struct ShapedForm {
  std::unique_ptr<ui::Form> form = test::MakeForm("TForm_Shape", 200, 100);
  ShapedForm() {
    form->SetBorderStyle(ui::FormBorder::None);
    form->SetClientSize(200, 100);
    form->SetBounds(50, 60, 200, 100);
    form->HandleNeeded();  // shown windows make every test wait for the window manager
  }
  HWND hwnd() const { return form->Handle(); }
};

TEST(ImageShape, CutsTheParentsOutlineWithoutAnyEnvironmentVariable) {
  ShapedForm f;
  auto* shape = new TImageShape(f.form.get(), "ImageShape_Background");
  shape->SetBounds(0, 0, 200, 100);
  // Magenta corners of 10 x 10 (bottom-left included).
  shape->SetPicture(test::Pattern(200, 100, [](int x, int y) {
    return ((x < 10 || x >= 190) && (y < 10 || y >= 90)) ? kMagenta : kGrey;
  }));
  auto r = WindowRegion(f.hwnd());
  ASSERT_TRUE(r);
  EXPECT_FALSE(r->Has(0, 0));
  EXPECT_FALSE(r->Has(199, 99));
  EXPECT_TRUE(r->Has(10, 0));
  EXPECT_TRUE(r->Has(100, 50));
  EXPECT_TRUE(ShapeRegionSetInProcess());
  EXPECT_EQ(GetEnvironmentVariableW(L"qelvo", nullptr, 0), 0u) << "a child process must not inherit the mark";
}

TEST(ImageShape, ReplacingItsPictureReplacesOnlyItsOwnPartOfTheRegion) {
  ShapedForm f;
  auto* left = new TImageShape(f.form.get(), "Left");
  left->SetBounds(0, 0, 100, 100);
  auto* right = new TImageShape(f.form.get(), "Right");
  right->SetBounds(100, 0, 100, 100);
  // Left: its top half stays. Right: its bottom half stays.
  left->SetPicture(test::Pattern(100, 100, [](int, int y) { return y < 50 ? kGrey : kMagenta; }));
  right->SetPicture(
      test::Pattern(100, 100, [](int x, int y) { return y < 50 || (x == 0 && y == 99) ? kMagenta : kGrey; }));
  {
    auto r = WindowRegion(f.hwnd());
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->Has(10, 10));
    EXPECT_TRUE(r->Has(150, 80));
  }
  // Left again: now only its left half stays. Its old part goes, Right's stays.
  left->SetPicture(test::Pattern(100, 100, [](int x, int y) { return x < 50 && y < 99 ? kGrey : kMagenta; }));
  auto r = WindowRegion(f.hwnd());
  ASSERT_TRUE(r);
  EXPECT_TRUE(r->Has(10, 80)) << "left's new part";
  EXPECT_FALSE(r->Has(80, 10)) << "left's old part is gone";
  EXPECT_TRUE(r->Has(150, 80)) << "right's part is kept";
  EXPECT_FALSE(r->Has(150, 10));
}

TEST(ImageShape, APictureThatWouldCutEverythingLeavesTheOutlineAlone) {
  ShapedForm f;
  auto* shape = new TImageShape(f.form.get(), "Shape");
  shape->SetBounds(0, 0, 200, 100);
  shape->SetPicture(test::Pattern(200, 100, [](int x, int) { return x < 100 ? kGrey : kMagenta; }));
  auto before = WindowRegion(f.hwnd());
  ASSERT_TRUE(before);
  shape->SetPicture(test::Solid(200, 100, kMagenta));
  auto after = WindowRegion(f.hwnd());
  ASSERT_TRUE(after);
  EXPECT_TRUE(EqualRgn(before->h, after->h));
}

TEST(ImageShape, DestinationFollowsStretchProportionalAndCenter) {
  ShapedForm f;
  auto* shape = new TImageShape(f.form.get(), "Shape");
  shape->SetBounds(0, 0, 100, 50);
  shape->SetPicture(test::Solid(40, 20, kGrey));
  struct Case {
    bool stretch, proportional, center;
    RECT expected;
  } cases[] = {
      {false, false, false, {0, 0, 40, 20}},
      {true, false, false, {0, 0, 100, 50}},
      {true, true, false, {0, 0, 100, 50}},
      {false, false, true, {30, 15, 70, 35}},
  };
  for (const Case& c : cases) {
    shape->SetStretch(c.stretch);
    shape->SetProportional(c.proportional);
    shape->SetCenter(c.center);
    RECT r = shape->DestRect();
    EXPECT_TRUE(EqualRect(&r, &c.expected)) << c.stretch << c.proportional << c.center << ": " << r.left << ","
                                            << r.top << "," << r.right << "," << r.bottom;
  }
  // A tall picture, proportional: height fills, width follows.
  shape->SetStretch(true);
  shape->SetProportional(true);
  shape->SetCenter(true);
  shape->SetPicture(test::Solid(10, 40, kGrey));
  RECT r = shape->DestRect();
  RECT expected{44, 0, 56, 50};
  EXPECT_TRUE(EqualRect(&r, &expected)) << r.left << "," << r.right;
}

RECT WindowRect(HWND h) {
  RECT r;
  GetWindowRect(h, &r);
  return r;
}

TEST(ImageShape, DraggingMovesTheFormByTheCursorsWay) {
  ShapedForm f;
  auto* shape = new TImageShape(f.form.get(), "Shape");
  shape->SetBounds(0, 0, 200, 100);
  const RECT start = WindowRect(f.hwnd());
  auto send = [&](UINT msg, WPARAM keys, int x, int y) { SendMessageW(f.hwnd(), msg, keys, test::Pt(x, y)); };

  send(WM_LBUTTONDOWN, MK_LBUTTON, 10, 10);
  EXPECT_TRUE(shape->Pressed());
  send(WM_MOUSEMOVE, MK_LBUTTON, 30, 25);  // the cursor moved 20 right, 15 down
  RECT moved = WindowRect(f.hwnd());
  EXPECT_EQ(moved.left - start.left, 20);
  EXPECT_EQ(moved.top - start.top, 15);
  send(WM_MOUSEMOVE, MK_LBUTTON, 10, 10);  // the window followed: the cursor is at 10,10 again
  RECT same = WindowRect(f.hwnd());
  EXPECT_EQ(same.left, moved.left);
  EXPECT_EQ(same.top, moved.top);
  send(WM_LBUTTONUP, 0, 10, 10);
  EXPECT_FALSE(shape->Pressed());
  send(WM_MOUSEMOVE, 0, 60, 60);
  EXPECT_EQ(WindowRect(f.hwnd()).left, moved.left);

  // The right button drags too.
  send(WM_RBUTTONDOWN, MK_RBUTTON, 50, 50);
  send(WM_MOUSEMOVE, MK_RBUTTON, 45, 52);
  send(WM_RBUTTONUP, 0, 45, 52);
  EXPECT_EQ(WindowRect(f.hwnd()).left, moved.left - 5);
  EXPECT_EQ(WindowRect(f.hwnd()).top, moved.top + 2);
}

TEST(ImageShape, NoDragWhenNotMovableOrAfterTheCaptureWasLost) {
  ShapedForm f;
  auto* shape = new TImageShape(f.form.get(), "Shape");
  shape->SetBounds(0, 0, 200, 100);
  const RECT start = WindowRect(f.hwnd());
  auto send = [&](UINT msg, WPARAM keys, int x, int y) { SendMessageW(f.hwnd(), msg, keys, test::Pt(x, y)); };

  shape->Movable = false;
  send(WM_LBUTTONDOWN, MK_LBUTTON, 10, 10);
  send(WM_MOUSEMOVE, MK_LBUTTON, 40, 40);
  send(WM_LBUTTONUP, 0, 40, 40);
  EXPECT_EQ(WindowRect(f.hwnd()).left, start.left);

  shape->Movable = true;
  auto other = test::MakeForm("TForm_Other", 50, 50);
  other->HandleNeeded();
  send(WM_LBUTTONDOWN, MK_LBUTTON, 10, 10);
  SetCapture(other->Handle());  // another window takes the mouse
  EXPECT_FALSE(shape->Pressed());
  ReleaseCapture();
  send(WM_MOUSEMOVE, MK_LBUTTON, 40, 40);
  EXPECT_EQ(WindowRect(f.hwnd()).left, start.left);
}

}  // namespace
}  // namespace qz::skin
