// Pictures: decoding (PNG with alpha, BMP, JPEG), failures, no file lock,
// the cache, drawing with alpha, and the bitmap/icon hand-over.
#include <gtest/gtest.h>
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "core/text.h"
#include "support/sandbox.h"
#include "ui/gdiplus_session.h"
#include "ui/picture.h"

using qz::ui::Argb;
using qz::ui::Picture;

namespace {

// Colour channels within a tolerance (PNG round trips of premultiplied data
// lose a little precision at low alpha).
::testing::AssertionResult Near(uint32_t actual, uint32_t expected, int tolerance = 2) {
  auto ch = [](uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); };
  for (int s : {24, 16, 8, 0}) {
    if (std::abs(ch(actual, s) - ch(expected, s)) > tolerance) {
      char buf[80];
      std::snprintf(buf, sizeof buf, "pixel %08X, expected %08X", actual, expected);
      return ::testing::AssertionFailure() << buf;
    }
  }
  return ::testing::AssertionSuccess();
}

// A 4 x 2 picture: opaque red, half-transparent green, transparent, opaque
// blue; second row a quarter-transparent white and three opaque greys.
Picture SamplePicture() {
  Picture p(4, 2, Argb(255, 0, 0, 0));
  p.SetPixel(0, 0, Argb(255, 255, 0, 0));
  p.SetPixel(1, 0, Argb(128, 0, 255, 0));
  p.SetPixel(2, 0, Argb(0, 0, 0, 0));
  p.SetPixel(3, 0, Argb(255, 0, 0, 255));
  p.SetPixel(0, 1, Argb(192, 255, 255, 255));
  for (int x = 1; x < 4; ++x) p.SetPixel(x, 1, Argb(255, 60 * x, 60 * x, 60 * x));
  return p;
}

TEST(Picture, PngKeepsAlpha) {
  qz::test::ScratchDir dir("picture_png");
  const std::string path = dir / "alpha.png";
  std::string error;
  ASSERT_TRUE(SamplePicture().SaveToFile(path, &error)) << error;
  Picture p;
  ASSERT_TRUE(p.LoadFromFile(path, &error)) << error;
  EXPECT_EQ(p.Width(), 4);
  EXPECT_EQ(p.Height(), 2);
  EXPECT_TRUE(p.Transparent());
  EXPECT_TRUE(Near(p.Pixel(0, 0), Argb(255, 255, 0, 0)));
  EXPECT_TRUE(Near(p.Pixel(1, 0), Argb(128, 0, 255, 0)));
  EXPECT_EQ(qz::ui::AlphaOf(p.Pixel(2, 0)), 0);
  EXPECT_TRUE(Near(p.Pixel(3, 0), Argb(255, 0, 0, 255)));
  EXPECT_TRUE(Near(p.Pixel(0, 1), Argb(192, 255, 255, 255)));
  // Stored premultiplied: half-transparent green holds about half its green.
  EXPECT_TRUE(Near(p.PixelPremultiplied(1, 0), Argb(128, 0, 128, 0)));
  EXPECT_EQ(p.Pixel(-1, 0), 0u);
  EXPECT_EQ(p.Pixel(4, 0), 0u);
}

TEST(Picture, BmpAndJpegAreOpaque) {
  qz::test::ScratchDir dir("picture_bmp");
  Picture src(8, 8, Argb(255, 10, 200, 30));
  src.SetPixel(0, 0, Argb(255, 250, 250, 250));
  for (const char* name : {"plain.bmp", "photo.jpg"}) {
    SCOPED_TRACE(name);
    const std::string path = dir / name;
    std::string error;
    ASSERT_TRUE(src.SaveToFile(path, &error)) << error;
    Picture p;
    ASSERT_TRUE(p.LoadFromFile(path, &error)) << error;
    EXPECT_EQ(p.Width(), 8);
    EXPECT_FALSE(p.Transparent());
    const int tolerance = name[0] == 'p' && name[1] == 'h' ? 40 : 0;  // JPEG is lossy
    EXPECT_TRUE(Near(p.Pixel(5, 5), Argb(255, 10, 200, 30), tolerance));
    EXPECT_EQ(qz::ui::AlphaOf(p.Pixel(0, 0)), 255);
  }
}

TEST(Picture, FailuresNameTheFileAndKeepThePicture) {
  qz::test::ScratchDir dir("picture_bad");
  const std::string good = dir / "good.png";
  ASSERT_TRUE(SamplePicture().SaveToFile(good));
  std::string png = qz::test::ReadFileText(good);
  ASSERT_GT(png.size(), 40u);
  struct Case {
    const char* name;
    std::string content;  // empty name content: the file does not exist
    bool create;
  } cases[] = {
      {"missing.png", "", false},
      {"text.png", "this is not a picture", true},
      {"empty.bmp", "", true},
      {"cut.png", png.substr(0, png.size() / 2), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir / c.name;
    if (c.create) {
      if (c.content.empty()) {
        HANDLE h = CreateFileW(qz::Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        CloseHandle(h);
      } else {
        dir.Write(c.name, c.content);
      }
    }
    Picture p(3, 3, Argb(255, 1, 2, 3));
    std::string error;
    EXPECT_FALSE(p.LoadFromFile(path, &error));
    EXPECT_NE(error.find(c.name), std::string::npos) << error;
    EXPECT_EQ(p.Width(), 3);
    EXPECT_EQ(p.Pixel(1, 1), Argb(255, 1, 2, 3));
    EXPECT_EQ(qz::ui::LoadPictureCached(path, &error), nullptr);
  }
}

TEST(Picture, LoadedFileIsNotLocked) {
  qz::test::ScratchDir dir("picture_lock");
  const std::string path = dir / "lock.png";
  ASSERT_TRUE(SamplePicture().SaveToFile(path));
  Picture p;
  ASSERT_TRUE(p.LoadFromFile(path));
  const std::string moved = dir / "moved.png";
  EXPECT_TRUE(MoveFileW(qz::Widen(path).c_str(), qz::Widen(moved).c_str()));
  EXPECT_TRUE(DeleteFileW(qz::Widen(moved).c_str()));
  // The cache holds the picture, not the file.
  ASSERT_TRUE(SamplePicture().SaveToFile(path));
  ASSERT_NE(qz::ui::LoadPictureCached(path), nullptr);
  EXPECT_TRUE(DeleteFileW(qz::Widen(path).c_str()));
  EXPECT_EQ(p.Width(), 4);
}

TEST(Picture, CacheDecodesOnceAndNoticesChanges) {
  qz::test::ScratchDir dir("picture_cache");
  qz::ui::ClearPictureCache();
  const std::string path = dir / "Skin.png";
  ASSERT_TRUE(SamplePicture().SaveToFile(path));
  auto a = qz::ui::LoadPictureCached(path);
  ASSERT_NE(a, nullptr);
  // Same file, other spelling: the same decoded picture.
  std::string upper = qz::UpperAscii(path);
  EXPECT_EQ(qz::ui::LoadPictureCached(upper), a);
  EXPECT_EQ(qz::ui::LoadPictureCached(dir.path() + ".\\skin.png"), a);
  EXPECT_EQ(qz::ui::PictureCacheSize(), 1u);

  // The file is replaced by another picture: decoded anew.
  ASSERT_TRUE(Picture(6, 5, Argb(255, 9, 9, 9)).SaveToFile(path));
  auto b = qz::ui::LoadPictureCached(path);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(b, a);
  EXPECT_EQ(b->Width(), 6);
  EXPECT_EQ(a->Width(), 4);  // holders of the old picture keep it

  // Gone: reported, and dropped from the cache.
  ASSERT_TRUE(DeleteFileW(qz::Widen(path).c_str()));
  std::string error;
  EXPECT_EQ(qz::ui::LoadPictureCached(path, &error), nullptr);
  EXPECT_NE(error.find("Skin.png"), std::string::npos);
  EXPECT_EQ(qz::ui::PictureCacheSize(), 0u);
  qz::ui::ClearPictureCache();
}

TEST(Picture, DrawBlendsByAlphaAndCopiesOpaque) {
  Picture target(6, 2, Argb(255, 255, 255, 255));
  Picture half(2, 1, Argb(128, 255, 0, 0));
  ASSERT_TRUE(half.Transparent());
  half.Draw(target.Canvas(), 1, 0);
  Picture opaque(2, 1, Argb(255, 0, 0, 255));
  opaque.Draw(target.Canvas(), 3, 1);
  target.ReleaseCanvas();
  EXPECT_EQ(target.Pixel(0, 0), Argb(255, 255, 255, 255));
  EXPECT_TRUE(Near(target.Pixel(1, 0), Argb(255, 255, 127, 127)));
  EXPECT_TRUE(Near(target.Pixel(2, 0), Argb(255, 255, 127, 127)));
  EXPECT_EQ(target.Pixel(3, 0) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(target.Pixel(3, 1) & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(target.Pixel(4, 1) & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(target.Pixel(5, 1) & 0xFFFFFF, 0xFFFFFFu);

  // Stretched: a 2 x 1 picture over a 6 x 2 rectangle covers it all.
  Picture two(2, 1, Argb(255, 0, 128, 0));
  two.SetPixel(1, 0, Argb(255, 0, 128, 0));
  Picture big(8, 4, Argb(255, 255, 255, 255));
  RECT r{1, 1, 7, 3};
  two.DrawStretched(big.Canvas(), r);
  big.ReleaseCanvas();
  EXPECT_EQ(big.Pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);
  for (int x = 1; x < 7; ++x) EXPECT_EQ(big.Pixel(x, 2) & 0xFFFFFF, 0x008000u) << x;
  EXPECT_EQ(big.Pixel(7, 2) & 0xFFFFFF, 0xFFFFFFu);
}

TEST(Picture, CopyIsIndependentAndMoveEmpties) {
  Picture a = SamplePicture();
  Picture b = a;
  b.SetPixel(0, 0, Argb(255, 1, 1, 1));
  EXPECT_EQ(a.Pixel(0, 0), Argb(255, 255, 0, 0));
  EXPECT_TRUE(b.Transparent());
  Picture c = std::move(b);
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(c.Pixel(0, 0), Argb(255, 1, 1, 1));
  // A copy of a picture being drawn on sees the drawing.
  Picture d(4, 4, Argb(255, 255, 255, 255));
  RECT all{0, 0, 4, 4};
  HBRUSH brush = CreateSolidBrush(RGB(0, 0, 200));
  FillRect(d.Canvas(), &all, brush);
  DeleteObject(brush);
  Picture e = d;
  EXPECT_EQ(e.Pixel(2, 2) & 0xFFFFFF, 0x0000C8u);
}

TEST(Picture, AssignBitmapAndHandOver) {
  // A device-dependent bitmap becomes an opaque picture.
  HDC screen = GetDC(nullptr);
  HBITMAP ddb = CreateCompatibleBitmap(screen, 5, 3);
  HDC mem = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(mem, ddb);
  RECT r{0, 0, 5, 3};
  HBRUSH brush = CreateSolidBrush(RGB(12, 34, 56));
  FillRect(mem, &r, brush);
  DeleteObject(brush);
  SelectObject(mem, old);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  Picture p;
  ASSERT_TRUE(p.AssignBitmap(ddb));
  DeleteObject(ddb);
  EXPECT_EQ(p.Width(), 5);
  EXPECT_EQ(p.Height(), 3);
  EXPECT_FALSE(p.Transparent());
  EXPECT_EQ(p.Pixel(4, 2), Argb(255, 12, 34, 56));
  EXPECT_FALSE(p.AssignBitmap(nullptr));
  EXPECT_EQ(p.Width(), 5);

  // A 32-bit DIB section with alpha keeps it.
  Picture alpha = SamplePicture();
  HBITMAP copy = alpha.CreateBitmap();
  ASSERT_NE(copy, nullptr);
  Picture back;
  ASSERT_TRUE(back.AssignBitmap(copy));
  DeleteObject(copy);
  EXPECT_TRUE(back.Transparent());
  EXPECT_EQ(back.PixelPremultiplied(1, 0), alpha.PixelPremultiplied(1, 0));

  // An icon for image lists: right size, alpha kept (straight).
  HICON icon = alpha.CreateIcon();
  ASSERT_NE(icon, nullptr);
  ICONINFO ii{};
  ASSERT_TRUE(GetIconInfo(icon, &ii));
  BITMAP bm{};
  GetObjectW(ii.hbmColor, sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth, 4);
  EXPECT_EQ(bm.bmHeight, 2);
  Picture white(4, 2, Argb(255, 255, 255, 255));
  DrawIconEx(white.Canvas(), 0, 0, icon, 4, 2, 0, nullptr, DI_NORMAL);
  white.ReleaseCanvas();
  EXPECT_TRUE(Near(white.Pixel(0, 0), Argb(255, 255, 0, 0), 3));
  EXPECT_TRUE(Near(white.Pixel(1, 0), Argb(255, 127, 255, 127), 3));
  EXPECT_TRUE(Near(white.Pixel(2, 0), Argb(255, 255, 255, 255), 3));
  DeleteObject(ii.hbmColor);
  DeleteObject(ii.hbmMask);
  DestroyIcon(icon);
}

}  // namespace
