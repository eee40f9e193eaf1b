// The GDI ownership helpers: what they own is gone afterwards, what they
// selected is put back, and the back buffer grows but never shrinks.
#include <gtest/gtest.h>

#include "ui/gdi.h"

namespace qz::ui {
namespace {

bool Alive(HGDIOBJ h) { return GetObjectType(h) != 0; }

SIZE BitmapSize(HDC dc) {
  BITMAP bm{};
  GetObject(GetCurrentObject(dc, OBJ_BITMAP), sizeof bm, &bm);
  return {bm.bmWidth, bm.bmHeight};
}

TEST(Gdi, OwnedObjectsAreDeletedOnceAndCanBeHandedOver) {
  HBRUSH raw = CreateSolidBrush(RGB(1, 2, 3));
  {
    OwnedBrush a(raw);
    OwnedBrush b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(b.get(), raw);
    EXPECT_TRUE(Alive(raw));
  }
  EXPECT_FALSE(Alive(raw));

  HPEN pen = CreatePen(PS_SOLID, 1, 0);
  HPEN other = CreatePen(PS_SOLID, 2, 0);
  {
    OwnedPen p(pen);
    p.reset(other);  // the first goes, the second is held
    EXPECT_FALSE(Alive(pen));
    EXPECT_EQ(p.release(), other);
  }
  EXPECT_TRUE(Alive(other));  // released: the caller owns it
  DeleteObject(other);
}

TEST(Gdi, SelectionsAndContextsAreRestored) {
  MemoryDc dc;
  ASSERT_TRUE(dc);
  const HGDIOBJ before = GetCurrentObject(dc, OBJ_BRUSH);
  OwnedBrush brush(CreateSolidBrush(RGB(9, 9, 9)));
  {
    SelectIn in(dc, brush.get());
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush.get());
    SelectIn none(dc, nullptr);  // selects nothing
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush.get());
  }
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), before);
  HDC raw = dc.get();
  { MemoryDc moved(std::move(dc)); }
  EXPECT_EQ(GetObjectType(raw), 0u);  // deleted with its last owner
  ScreenDc screen;
  EXPECT_NE(screen.get(), nullptr);
}

TEST(Gdi, BackBufferGrowsAndKeepsItsSize) {
  ScreenDc screen;
  BackBuffer buffer;
  HDC a = buffer.Begin(screen, 100, 40);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(BitmapSize(a).cx, 100);
  EXPECT_EQ(buffer.Begin(screen, 50, 20), a);  // smaller: the same buffer
  HDC b = buffer.Begin(screen, 120, 10);       // wider: a new one, as high as before
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(BitmapSize(b).cx, 120);
  EXPECT_EQ(BitmapSize(b).cy, 40);
  // Drawn in the buffer, copied to a target at the same place.
  const OwnedBrush red(CreateSolidBrush(RGB(255, 0, 0)));
  RECT r{10, 5, 20, 15};
  FillRect(b, &r, red.get());
  MemoryDc target(screen);
  const OwnedBitmap targetBitmap(CreateCompatibleBitmap(screen, 120, 40));
  SelectIn in(target, targetBitmap.get());
  buffer.CopyTo(target, r);
  EXPECT_EQ(GetPixel(target, 12, 7), RGB(255, 0, 0));
}

}  // namespace
}  // namespace qz::ui
