// The skin description reader, the skin picture loader, tile painting and
// the skinning of module windows.
#include <gtest/gtest.h>

#include <memory>

#include "skin/skin.h"
#include "skin/skin_test_util.h"
#include "ui/controls/ui_test_util.h"
#include "ui/ui.h"

namespace qz::skin {
namespace {

using test::ScratchSkin;

TEST(SkinReader, MissingKeysReadAsMinusOneOrEmptyAndColoursKeepTheirLowByte) {
  ScratchSkin skin("reader");
  skin.Set("TestFont", "FontName", "Tahoma");
  skin.Set("TestFont", "FontSize", "17");
  skin.Set("TestFont", "R", "300");  // only the low 8 bits count: 44
  skin.Set("TestFont", "G", "0");
  // "B" missing: -1, drawn as 255
  skin.Set("Partial", "Left", "12");
  skin.Set("Partial", "Top", "abc");

  struct Case {
    const char* section;
    const char* key;
    int number;
    const char* text;
  } cases[] = {
      {"TestFont", "FontSize", 17, "17"},
      {"Partial", "Left", 12, "12"},
      {"Partial", "Top", -1, "abc"},  // not a number
      {"Partial", "Width", -1, ""},
      {"NoSuchSection", "Load", -1, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadSkinInt(c.section, c.key), c.number) << c.section << "/" << c.key;
    EXPECT_EQ(ReadSkinString(c.section, c.key), c.text) << c.section << "/" << c.key;
  }

  SkinFont f = ReadSkinFont("TestFont");
  EXPECT_EQ(f.name, "Tahoma");
  EXPECT_EQ(f.size, 17);
  EXPECT_EQ(f.R(), 44);
  EXPECT_EQ(f.G(), 0);
  EXPECT_EQ(f.b, -1);
  EXPECT_EQ(f.B(), 255);

  SkinFont none = ReadSkinFont("NoSuchFont");
  EXPECT_EQ(none.name, "");
  EXPECT_EQ(none.size, -1);
  EXPECT_EQ(none.R(), 255);
  EXPECT_EQ(none.G(), 255);
  EXPECT_EQ(none.B(), 255);
  std::string name = "x";
  int size = 0, r = 0, g = 0, b = 0;
  ReadSkinFont("NoSuchFont", name, size, r, g, b);
  EXPECT_EQ(name, "");
  EXPECT_EQ(size, -1);
  EXPECT_EQ(r & g & b, -1);
}

TEST(SkinReader, PictureNamesAreRelativeToTheDescriptionAndMayNameSubFolders) {
  ScratchSkin skin("subfolders");
  EXPECT_EQ(SkinFileFromIni(skin.Ini(), "Buttons\\Close_normal.png"), skin.path() + "\\Buttons\\Close_normal.png");
  EXPECT_EQ(SkinFileFromIni("C:\\x\\Skin.ini", "a.png"), "C:\\x\\a.png");
  CreateDirectoryW(Widen(skin.File("Deep")).c_str(), nullptr);
  CreateDirectoryW(Widen(skin.File("Deep\\Er")).c_str(), nullptr);
  skin.Save("Deep\\Er\\p.png", test::Solid(3, 2, 0xFF112233));
  auto p = LoadSkinPicture(SkinFileFromIni(skin.Ini(), "Deep\\Er\\p.png"));
  ASSERT_TRUE(p);
  EXPECT_EQ(p->Width(), 3);
  EXPECT_EQ(p->Height(), 2);
}

TEST(SkinReader, AMissingOrBrokenPictureThrowsNamingTheFile) {
  ScratchSkin skin("broken");
  skin.WriteBytes("broken.png", "this is no picture");
  for (const std::string rel : {"missing.png", "broken.png"}) {
    const std::string path = skin.File(rel);
    try {
      LoadSkinPicture(path);
      ADD_FAILURE() << rel << " loaded";
    } catch (const SkinPictureError& e) {
      EXPECT_EQ(e.file, path);
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
  }
}

// ---- tiles --------------------------------------------------------------------

// A 32-bit memory bitmap filled with a marker colour.
struct Canvas {
  ui::Picture pic;
  Canvas(int w, int h) : pic(w, h, 0xFF123456u) {}
  HDC dc() { return pic.Canvas(); }
  uint32_t At(int x, int y) {
    pic.ReleaseCanvas();
    return pic.Pixel(x, y) & 0xFFFFFF;
  }
};

TEST(Tiles, FillTheAreaOnTheOriginsGridWhateverTheOffset) {
  // A 3 x 2 tile whose every pixel is different.
  ui::Picture tile = test::Pattern(3, 2, [](int x, int y) { return ui::Argb(255, 10 + x, 20 + y, 30); });
  struct Case {
    POINT origin;
    RECT area;
  } cases[] = {
      {{0, 0}, {0, 0, 10, 7}},    // the page control itself
      {{-4, -6}, {0, 0, 10, 7}},  // a page 4 right and 6 down inside it
      {{5, 1}, {2, 2, 9, 6}},     // origin inside the area, area not at 0
      {{-100, -101}, {0, 0, 8, 8}},
  };
  for (const Case& c : cases) {
    Canvas canvas(12, 9);
    PaintTiled(canvas.dc(), tile, c.area, c.origin);
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 12; ++x) {
        bool inside = x >= c.area.left && x < c.area.right && y >= c.area.top && y < c.area.bottom;
        int tx = ((x - c.origin.x) % 3 + 3) % 3, ty = ((y - c.origin.y) % 2 + 2) % 2;
        uint32_t expected = inside ? (uint32_t(10 + tx) << 16 | uint32_t(20 + ty) << 8 | 30) : 0x123456;
        ASSERT_EQ(canvas.At(x, y), expected) << "origin " << c.origin.x << "," << c.origin.y << " at " << x << ","
                                             << y;
      }
  }
}

TEST(Tiles, AnEmptyTilePaintsNothingAndReturns) {
  Canvas canvas(8, 8);
  ui::Picture empty;
  ui::Picture zeroWide(0, 5);
  PaintTiled(canvas.dc(), empty, RECT{0, 0, 8, 8});
  PaintTiled(canvas.dc(), zeroWide, RECT{0, 0, 8, 8});
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) ASSERT_EQ(canvas.At(x, y), 0x123456u);
}

// ---- module windows -------------------------------------------------------------

// The skinned part of a module window, as module windows build it.
struct ModuleWindow {
  std::unique_ptr<ui::Form> form = test::MakeForm("TForm_SkinTest", 640, 480);
  ui::Image* header;
  ui::Image* circle;
  ui::PageControl* pages;
  ModuleWindow() {
    form->SetBorderStyle(ui::FormBorder::Dialog);
    header = new ui::Image(form.get(), "Image_Header");
    header->SetBounds(0, 0, 640, 77);
    header->SetStretch(true);
    circle = new ui::Image(form.get(), "Image_HeaderKreis");
    circle->SetBounds(6, 6, 49, 49);
    pages = new ui::PageControl(form.get(), "JvPageControl1");
    pages->SetBounds(0, 77, 640, 359);
    new ui::TabSheet(pages, "TabSheet1");
    new ui::TabSheet(pages, "TabSheet2");
    pages->SetTabsVisible(false);
    pages->SetPageInset(4, 6, 4, 4);
    form->HandleNeeded();
  }
};

// A tile whose pixels tell their own position (9 x 7, smaller than every page).
ui::Picture PositionTile() {
  return test::Pattern(9, 7, [](int x, int y) { return ui::Argb(255, 100 + x, 150 + y, 77); });
}

TEST(ModuleSkin, PagesShowTheTiledBackgroundAtTheirOffsetBeyondTheBitmapsSize) {
  ScratchSkin skin("module_tiles");
  skin.Save("Background_Modules.bmp", PositionTile());
  ModuleWindow w;
  ApplyModuleSkin(w.pages, w.header, w.circle, "Drive Cleaner");
  test::PumpFor(50);
  ui::TabSheet* page = w.pages->Page(0);
  ASSERT_EQ(page->Left(), 4);
  ASSERT_EQ(page->Top(), 6);
  test::Capture shot(page->Handle());
  // Far beyond the 9 x 7 bitmap: the pattern runs on, no unpainted area.
  for (POINT p : {POINT{0, 0}, POINT{1, 1}, POINT{300, 200}, POINT{shot.width() - 1, shot.height() - 1}}) {
    int tx = (p.x + 4) % 9, ty = (p.y + 6) % 7;
    EXPECT_EQ(shot.Pixel(p.x, p.y), RGB(100 + tx, 150 + ty, 77)) << p.x << "," << p.y;
  }
  test::Capture control(w.pages->Handle(), WM_ERASEBKGND);
  EXPECT_EQ(control.Pixel(0, 0), RGB(100, 150, 77));
  EXPECT_EQ(control.Pixel(20, 15), RGB(100 + 2, 150 + 1, 77));
}

TEST(ModuleSkin, HeaderGetsItsPictureAndCaptionAndTheGroupNameGoesOnTheBackground) {
  ScratchSkin skin("module_header");
  skin.Save("Header_AllModules.bmp", test::Solid(640, 77, 0xFF000080));
  skin.Save("Background_Modules.bmp", test::Solid(640, 359, 0xFF000000));
  skin.Set("AllModules_HeaderFont", "FontSize", "22");
  skin.Set("AllModules_HeaderFont", "R", "255");
  skin.Set("AllModules_HeaderFont", "G", "255");
  skin.Set("AllModules_HeaderFont", "B", "255");
  ModuleWindow w;
  ApplyModuleSkin(w.pages, w.header, w.circle, "Drive Cleaner");
  ASSERT_EQ(w.header->Picture().Width(), 640);
  EXPECT_FALSE(w.circle->Picture().Empty());
  // The caption sits right of x = 60 near y = 14; left of it the header is untouched.
  int light = 0;
  for (int y = 14; y < 40; ++y)
    for (int x = 60; x < 200; ++x) light += (w.header->Picture().Pixel(x, y) & 0xFF00) > 0x8000;
  EXPECT_GT(light, 20);
  EXPECT_EQ(w.header->Picture().Pixel(30, 40) & 0xFFFFFF, 0x000080u);

  DrawBackgroundBitmapText("Cleaning-Tools");
  const ui::Picture* bg = ModuleSkinBackground(w.pages);
  ASSERT_NE(bg, nullptr);
  int drawn = 0;
  for (int y = 300; y < 359; ++y)
    for (int x = 300; x < 640; ++x) drawn += (bg->Pixel(x, y) & 0xFFFFFF) != 0;
  EXPECT_GT(drawn, 50) << "group name at the bottom right";
}

TEST(ModuleSkin, EachWindowKeepsItsOwnBackgroundAndOpeningAgainLooksTheSame) {
  ScratchSkin skin("module_twice");
  skin.Save("Background_Modules.bmp", test::Solid(64, 64, 0xFF000000));
  auto first = std::make_unique<ModuleWindow>();
  ApplyModuleSkin(first->pages, first->header, first->circle, "One-Click-Optimizer");
  DrawBackgroundBitmapText("Cleaning-Tools");
  auto count = [](const ui::Picture* p) {
    int n = 0;
    for (int y = 0; y < p->Height(); ++y)
      for (int x = 0; x < p->Width(); ++x) n += (p->Pixel(x, y) & 0xFFFFFF) != 0;
    return n;
  };
  const int firstDrawn = count(ModuleSkinBackground(first->pages));
  ASSERT_GT(firstDrawn, 0);

  {  // a module window the optimiser opens and closes while its own stays
    ModuleWindow second;
    ApplyModuleSkin(second.pages, second.header, second.circle, "Drive Cleaner");
    EXPECT_EQ(count(ModuleSkinBackground(second.pages)), 0) << "a fresh background, without the first's text";
    DrawBackgroundBitmapText("Cleaning-Tools");
  }
  EXPECT_EQ(count(ModuleSkinBackground(first->pages)), firstDrawn);
  test::Capture shot(first->pages->Page(0)->Handle());
  EXPECT_EQ(shot.Pixel(1, 1), RGB(0, 0, 0));

  first.reset();
  ModuleWindow again;
  ApplyModuleSkin(again.pages, again.header, again.circle, "Drive Cleaner");
  EXPECT_EQ(count(ModuleSkinBackground(again.pages)), 0);
}

TEST(ModuleSkin, AMissingPictureFailsAndLeavesTheWindowAsItWas) {
  ScratchSkin skin("module_missing");
  skin.Delete("Header_Kreis.png");
  ModuleWindow w;
  EXPECT_THROW(ApplyModuleSkin(w.pages, w.header, w.circle, "x"), SkinPictureError);
  EXPECT_FALSE(w.pages->OnEraseBackground);
  EXPECT_TRUE(w.header->Picture().Empty());
  EXPECT_EQ(ModuleSkinBackground(w.pages), nullptr);
}

}  // namespace
}  // namespace qz::skin
