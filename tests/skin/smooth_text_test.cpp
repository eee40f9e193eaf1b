// Anti-aliased text and the blend of a picture over its background.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <utility>

#include "skin/smooth_text.h"
#include "support/sandbox.h"
#include "ui/form.h"
#include "ui/graphics.h"
#include "ui/picture.h"

using qz::ui::Argb;
using qz::ui::Picture;

namespace {

struct Ink {
  int pixels = 0;      // pixels that differ from the background
  long amount = 0;     // summed difference from the background
  int exact = 0;       // pixels exactly of the text colour
  int offHue = 0;      // changed pixels that are not a mix of background and text colour
  int top = 1 << 30;   // topmost changed row
  int bottom = -1;     // lowest changed row
};

// Measures what was drawn onto a white picture in the colour (r, g, b).
Ink Measure(Picture& p, uint8_t r, uint8_t g, uint8_t b) {
  p.ReleaseCanvas();
  Ink ink;
  for (int y = 0; y < p.Height(); ++y) {
    for (int x = 0; x < p.Width(); ++x) {
      uint32_t c = p.Pixel(x, y) | 0xFF000000u;
      if (c == 0xFFFFFFFFu) continue;
      ++ink.pixels;
      const int pr = qz::ui::RedOf(c), pg = qz::ui::GreenOf(c), pb = qz::ui::BlueOf(c);
      ink.amount += (255 - pr) + (255 - pg) + (255 - pb);
      if (pr == r && pg == g && pb == b) ++ink.exact;
      // On white, a mix with the colour moves each channel toward it by the
      // same fraction: t = (255 - channel) / (255 - target).
      auto frac = [](int v, int target) {
        return target == 255 ? -1.0 : (255.0 - v) / (255.0 - target);
      };
      double fs[] = {frac(pr, r), frac(pg, g), frac(pb, b)};
      double lo = 2, hi = -1;
      for (double f : fs) {
        if (f < 0) continue;
        lo = std::min(lo, f);
        hi = std::max(hi, f);
      }
      if (hi - lo > 0.12) ++ink.offHue;
      ink.top = std::min(ink.top, y);
      ink.bottom = std::max(ink.bottom, y);
    }
  }
  return ink;
}

Picture White(int w = 240, int h = 60) { return Picture(w, h, Argb(255, 255, 255, 255)); }

TEST(SmoothText, DrawsInTheRequestedColour) {
  struct Case {
    const char* font;
    uint8_t r, g, b;
  } cases[] = {
      {"Tahoma", 200, 0, 0},
      {"Tahoma", 0, 0, 160},
      {"tahoma", 30, 120, 40},  // family names are not case-sensitive
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.font);
    Picture p = White();
    ASSERT_TRUE(qz::skin::DrawSmoothText(p.Canvas(), "Hamburg 42", c.font, 4.0f, 8.0f, 24, c.r, c.g, c.b));
    Ink ink = Measure(p, c.r, c.g, c.b);
    EXPECT_GT(ink.pixels, 100);
    EXPECT_GT(ink.exact, 20) << "no pixel fully in the text colour";
    EXPECT_LT(ink.offHue, ink.pixels / 10) << "pixels of another colour";
    // Laid out from the origin: nothing above it, nothing left of it.
    EXPECT_GE(ink.top, 8);
    EXPECT_LT(ink.bottom, 8 + 24 + 8);
  }
}

TEST(SmoothText, BoldIsBoldInTheSkinsFamily) {
  // The skin's texts are Tahoma; the about page draws 12 pixels, the module
  // titles 16. Bold must put clearly more ink on the picture, through GDI+
  // (smooth text) as through GDI (a bold label), not just wider spacing.
  for (int size : {12, 16, 22}) {
    SCOPED_TRACE(size);
    Picture regular = White(), bold = White();
    ASSERT_TRUE(qz::skin::DrawSmoothText(regular.Canvas(), "Cleaning: Version", "Tahoma", 2, 2, size, 0, 0, 0));
    ASSERT_TRUE(qz::skin::DrawSmoothTextBold(bold.Canvas(), "Cleaning: Version", "Tahoma", 2, 2, size, 0, 0, 0));
    Ink r = Measure(regular, 0, 0, 0), b = Measure(bold, 0, 0, 0);
    EXPECT_GT(b.amount, r.amount * 13 / 10) << "GDI+";

    Picture gdiRegular = White(), gdiBold = White();
    for (auto [picture, weight] : {std::pair{&gdiRegular, false}, std::pair{&gdiBold, true}}) {
      HDC dc = picture->Canvas();
      qz::ui::FontSpec f;
      f.size = -size;
      f.bold = weight;
      HGDIOBJ old = SelectObject(dc, qz::ui::GetFontHandle(f));
      SetBkMode(dc, TRANSPARENT);
      TextOutW(dc, 2, 2, L"Cleaning: Version", 17);
      SelectObject(dc, old);
    }
    r = Measure(gdiRegular, 0, 0, 0);
    b = Measure(gdiBold, 0, 0, 0);
    // GDI's bold made from the outlines adds about a pixel to every stroke:
    // a fifth more ink at 12 pixels, a tenth at 16 (the same glyphs drawn
    // wider apart add nothing).
    EXPECT_GT(b.amount, r.amount * 106 / 100) << "GDI";
  }
}

TEST(SmoothText, MissingFamilyFallsBack) {
  const std::string missing = "Quenzal Skin Font That Is Not Installed";
  const std::string family = qz::skin::SmoothTextFamily(missing);
  EXPECT_FALSE(family.empty());
  EXPECT_NE(family, missing);
  EXPECT_FALSE(qz::skin::SmoothTextFamily(missing, true).empty());
  for (bool bold : {false, true}) {
    Picture p = White();
    bool drawn = bold ? qz::skin::DrawSmoothTextBold(p.Canvas(), "Cleaning-Tools", missing, 2, 2, 20, 0, 100, 0)
                      : qz::skin::DrawSmoothText(p.Canvas(), "Cleaning-Tools", missing, 2, 2, 20, 0, 100, 0);
    EXPECT_TRUE(drawn);
    EXPECT_GT(Measure(p, 0, 100, 0).pixels, 100) << (bold ? "bold" : "regular");
  }
  // An empty family name takes the same way.
  Picture p = White();
  EXPECT_TRUE(qz::skin::DrawSmoothText(p.Canvas(), "x", "", 2, 2, 20, 0, 0, 0));
  EXPECT_GT(Measure(p, 0, 0, 0).pixels, 5);
}

TEST(SmoothText, NothingForSizeZeroNegativeOrEmptyText) {
  struct Case {
    const char* text;
    int size;
  } cases[] = {{"Text", 0}, {"Text", -12}, {"", 20}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    Picture p = White();
    EXPECT_FALSE(qz::skin::DrawSmoothText(p.Canvas(), c.text, "Tahoma", 2, 2, c.size, 0, 0, 0));
    EXPECT_FALSE(qz::skin::DrawSmoothTextBold(p.Canvas(), c.text, "Tahoma", 2, 2, c.size, 0, 0, 0));
    EXPECT_EQ(Measure(p, 0, 0, 0).pixels, 0);
  }
  EXPECT_FALSE(qz::skin::DrawSmoothText(nullptr, "Text", "Tahoma", 2, 2, 12, 0, 0, 0));
}

TEST(SmoothText, LineBreaksAndNegativeOrigin) {
  // A line break is laid out by GDI+ from the same origin: ink on two lines.
  Picture two = White(240, 80);
  ASSERT_TRUE(qz::skin::DrawSmoothText(two.Canvas(), "Erste\r\nZweite", "Tahoma", 2, 0, 20, 0, 0, 0));
  Ink ink = Measure(two, 0, 0, 0);
  EXPECT_GT(ink.bottom, 30);
  // An origin above the top (the group header uses Y = -2) draws partly above it.
  Picture top = White(240, 30);
  ASSERT_TRUE(qz::skin::DrawSmoothTextBold(top.Canvas(), "TUNING", "Tahoma", 0, -8, 20, 0, 0, 0));
  EXPECT_LE(Measure(top, 0, 0, 0).top, 2);
}

TEST(SmoothText, CanvasTextWidth) {
  const int one = qz::skin::CanvasTextWidth(nullptr, "Tahoma", 10, "W");
  const int ten = qz::skin::CanvasTextWidth(nullptr, "Tahoma", 10, "WWWWWWWWWW");
  EXPECT_GT(one, 3);
  EXPECT_NEAR(ten, one * 10, 2);
  EXPECT_GT(qz::skin::CanvasTextWidth(nullptr, "Tahoma", 20, "Cleaning-Tools"),
            qz::skin::CanvasTextWidth(nullptr, "Tahoma", 10, "Cleaning-Tools"));
  EXPECT_GE(qz::skin::CanvasTextWidth(nullptr, "Tahoma", 12, "Cleaning-Tools", true),
            qz::skin::CanvasTextWidth(nullptr, "Tahoma", 12, "Cleaning-Tools"));
  EXPECT_GT(qz::skin::CanvasTextWidth(nullptr, "No Such Family Here", 12, "Tools"), 10);
  EXPECT_EQ(qz::skin::CanvasTextWidth(nullptr, "Tahoma", 0, "Tools"), 0);
  EXPECT_EQ(qz::skin::CanvasTextWidth(nullptr, "Tahoma", 12, ""), 0);
}

// The background: left half blue, right half yellow, 40 x 10.
Picture Background() {
  Picture bg(40, 10, Argb(255, 0, 0, 255));
  for (int y = 0; y < 10; ++y)
    for (int x = 20; x < 40; ++x) bg.SetPixel(x, y, Argb(255, 255, 255, 0));
  return bg;
}

TEST(BlendPicture, HalfTransparentPngOverColour) {
  qz::test::ScratchDir dir("blend");
  // Column 0 transparent, column 1 half-transparent red, column 2 opaque green.
  Picture src(3, 2, Argb(0, 0, 0, 0));
  for (int y = 0; y < 2; ++y) {
    src.SetPixel(1, y, Argb(128, 255, 0, 0));
    src.SetPixel(2, y, Argb(255, 0, 160, 0));
  }
  const std::string path = dir / "half.png";
  ASSERT_TRUE(src.SaveToFile(path));
  Picture image;
  ASSERT_TRUE(image.LoadFromFile(path));
  ASSERT_TRUE(image.Transparent());

  Picture bg = Background();
  qz::skin::BlendPictureOntoBackground(image, bg.Canvas(), 5, 3);
  EXPECT_FALSE(image.Transparent());
  ASSERT_EQ(image.Width(), 3);
  ASSERT_EQ(image.Height(), 2);
  for (int y = 0; y < 2; ++y) {
    EXPECT_EQ(image.Pixel(0, y), Argb(255, 0, 0, 255));
    uint32_t half = image.Pixel(1, y);
    EXPECT_EQ(qz::ui::AlphaOf(half), 255);
    EXPECT_NEAR(qz::ui::RedOf(half), 128, 2);
    EXPECT_EQ(qz::ui::GreenOf(half), 0);
    EXPECT_NEAR(qz::ui::BlueOf(half), 127, 2);
    EXPECT_EQ(image.Pixel(2, y), Argb(255, 0, 160, 0));
  }
  // Drawn later on any background it shows what was under it.
  Picture other(3, 2, Argb(255, 255, 255, 255));
  image.Draw(other.Canvas(), 0, 0);
  other.ReleaseCanvas();
  EXPECT_EQ(other.Pixel(0, 0), Argb(255, 0, 0, 255));
}

TEST(BlendPicture, PositionAndSizeSelectTheBackground) {
  Picture bg = Background();
  // Placed over the yellow half.
  Picture clear(4, 4, Argb(0, 0, 0, 0));
  qz::skin::BlendPictureOntoBackground(clear, bg.Canvas(), 30, 2);
  EXPECT_EQ(clear.Pixel(3, 3), Argb(255, 255, 255, 0));
  // Straddling both halves: each part shows its own colour.
  Picture across(4, 1, Argb(0, 0, 0, 0));
  qz::skin::BlendPictureOntoBackground(across, bg.Canvas(), 18, 0);
  EXPECT_EQ(across.Pixel(0, 0), Argb(255, 0, 0, 255));
  EXPECT_EQ(across.Pixel(3, 0), Argb(255, 255, 255, 0));
  // An explicit size larger than the picture (an image control larger than
  // its picture): the rest is background.
  Picture small(2, 2, Argb(255, 9, 9, 9));
  qz::skin::BlendPictureOntoBackground(small, bg.Canvas(), 0, 0, 6, 3);
  EXPECT_EQ(small.Width(), 6);
  EXPECT_EQ(small.Height(), 3);
  EXPECT_EQ(small.Pixel(1, 1), Argb(255, 9, 9, 9));
  EXPECT_EQ(small.Pixel(5, 2), Argb(255, 0, 0, 255));
  // An empty picture with a size becomes the background piece.
  Picture empty;
  qz::skin::BlendPictureOntoBackground(empty, bg.Canvas(), 20, 0, 2, 2);
  EXPECT_EQ(empty.Pixel(0, 0), Argb(255, 255, 255, 0));
}

TEST(BlendPicture, ImageControlUsesItsBounds) {
  qz::ui::Form form(nullptr, "TForm_Blend");
  form.SetClientSize(60, 30);
  auto* image = new qz::ui::Image(&form, "Image_HeaderKreis");
  image->SetBounds(17, 2, 6, 4);  // over the boundary of blue and yellow
  image->Picture() = Picture(2, 2, Argb(128, 255, 0, 0));
  Picture bg = Background();
  qz::skin::BlendImageOntoBackground(*image, bg.Canvas());
  const Picture& p = image->Picture();
  ASSERT_EQ(p.Width(), 6);
  ASSERT_EQ(p.Height(), 4);
  EXPECT_FALSE(p.Transparent());
  EXPECT_NEAR(qz::ui::RedOf(p.Pixel(0, 0)), 128, 2);   // picture over blue
  EXPECT_NEAR(qz::ui::BlueOf(p.Pixel(0, 0)), 127, 2);
  EXPECT_EQ(p.Pixel(2, 3), Argb(255, 0, 0, 255));       // blue, no picture here
  EXPECT_EQ(p.Pixel(5, 3), Argb(255, 255, 255, 0));      // yellow
}

}  // namespace
