// The installed default skin: every picture the program loads exists, decodes
// and has the size its place on screen needs; skin.ini holds every section and
// key with values that put the controls where they fit.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/disk.h"
#include "core/text.h"
#include "skin/skin_test_util.h"
#include "ui/picture.h"

namespace {

using qz::ui::AlphaOf;
using qz::ui::Picture;

using qz::FileExists;
using qz::test::InstalledProgramDir;

std::string SkinDir() { return qz::test::InstalledSkinDir(); }
std::string SkinIni() { return SkinDir() + "\\skin.ini"; }

// A key's text, or kMissing when the key is missing.
constexpr const char* kMissing = "\x01missing";
std::string IniText(const std::string& section, const std::string& key) {
  wchar_t buf[1024];
  GetPrivateProfileStringW(qz::Widen(section).c_str(), qz::Widen(key).c_str(), qz::Widen(kMissing).c_str(),
                           buf, 1024, qz::Widen(SkinIni()).c_str());
  return qz::Narrow(buf);
}
bool IniNumber(const std::string& section, const std::string& key, int* value) {
  std::string t = IniText(section, key);
  if (t == kMissing || t.empty()) return false;
  char* end = nullptr;
  long v = std::strtol(t.c_str(), &end, 10);
  if (*end != '\0') return false;
  *value = static_cast<int>(v);
  return true;
}

struct LoadedPicture {
  Picture picture;
  std::string error;
  bool ok = false;
};
LoadedPicture Load(const std::string& path) {
  LoadedPicture p;
  p.ok = p.picture.LoadFromFile(path, &p.error);
  return p;
}
bool AnyTransparentPixel(const Picture& p) {
  for (int y = 0; y < p.Height(); ++y)
    for (int x = 0; x < p.Width(); ++x)
      if (AlphaOf(p.Pixel(x, y)) < 255) return true;
  return false;
}
uint32_t Rgb(uint32_t argb) { return argb & 0xFFFFFF; }

struct Rect {
  int left, top, width, height;
  bool Overlaps(const Rect& o) const {
    return left < o.left + o.width && o.left < left + width && top < o.top + o.height && o.top < top + height;
  }
  bool Inside(int w, int h) const { return left >= 0 && top >= 0 && left + width <= w && top + height <= h; }
};

// Window layout the skin has to fit.
constexpr int kWindowW = 640, kWindowH = 480;
constexpr int kPageTop = 106, kPageW = 640, kPageH = 368;

TEST(SkinFiles, FolderAndDescriptionExist) {
  ASSERT_TRUE(FileExists(SkinIni())) << SkinIni() << " (is the program installed?)";
}

// ---- pictures with fixed names ---------------------------------------------

enum class Alpha { Any, Transparent, Opaque };
struct FixedPicture {
  std::string name;
  int width, height;  // 0: any positive size
  // Transparent: has parts that must stay see-through (drawn over other
  // pictures). Opaque: module buttons and internet-menu items stand on the
  // white body of a panel but are baked over the page background, so a
  // see-through corner would show the page colour on the panel.
  Alpha alpha;
};

TEST(SkinFiles, FixedPicturesLoadAtTheirSizes) {
  std::vector<FixedPicture> table = {
      {"Background.bmp", 640, 480, Alpha::Any},
      {"Background_Modules.bmp", 640, 359, Alpha::Any},
      {"Header_AllModules.bmp", 640, 77, Alpha::Any},
      {"Header_Kreis.png", 49, 49, Alpha::Transparent},
      {"button_sub_normal.png", 255, 48, Alpha::Opaque},
      {"button_sub_hover.png", 255, 48, Alpha::Opaque},
      {"button_sub_down.png", 255, 48, Alpha::Opaque},
      {"but_im_normal.png", 255, 48, Alpha::Opaque},
      {"but_im_hover.png", 255, 48, Alpha::Opaque},
      {"but_im_down.png", 255, 48, Alpha::Opaque},
      {"frame_about_IM.png", 583, 299, Alpha::Transparent},
      {"LED_active.png", 0, 0, Alpha::Any},
      {"LED_inactive.png", 0, 0, Alpha::Any},
  };
  for (const char* code : {"DC", "RC", "IC", "DLL", "OCO", "ST", "NQ", "WIN", "IT", "FW", "FSJ", "FA", "FED"})
    table.push_back({std::string("ModuleIcon_") + code + ".png", 32, 32, Alpha::Transparent});
  for (const auto& f : table) {
    SCOPED_TRACE(f.name);
    std::string path = SkinDir() + "\\" + f.name;
    ASSERT_TRUE(FileExists(path)) << path;
    LoadedPicture p = Load(path);
    ASSERT_TRUE(p.ok) << p.error;
    if (f.width) {
      EXPECT_EQ(p.picture.Width(), f.width);
      EXPECT_EQ(p.picture.Height(), f.height);
    } else {
      EXPECT_GT(p.picture.Width(), 0);
      EXPECT_GT(p.picture.Height(), 0);
    }
    if (f.alpha == Alpha::Transparent) {
      EXPECT_TRUE(AnyTransparentPixel(p.picture)) << "expected see-through parts";
    } else if (f.alpha == Alpha::Opaque) {
      EXPECT_FALSE(AnyTransparentPixel(p.picture)) << "expected an opaque picture";
    }
  }
}

// Icons are drawn into faces at fixed points; they must fit inside the face.
TEST(SkinFiles, IconsFitTheirFaces) {
  struct Icon {
    std::string name;
    int faceW, faceH, x, y;
  };
  std::vector<Icon> icons = {
      {"icon_main_clean.png", 296, 71, 228, 8},
      {"icon_main_tune.png", 296, 71, 228, 8},
      {"icon_main_file.png", 296, 71, 228, 8},
  };
  // Module buttons; the first file tool sits at (216,4), the others at (218,8).
  for (const char* code : {"DC", "RC", "IC", "DLL", "ST", "NQ", "WIN", "IT", "FW", "FSJ", "FA", "FED"})
    icons.push_back({std::string("icon_Module_") + code + ".png", 255, 48, 218, 8});
  icons.push_back({"icon_Module_FW.png", 255, 48, 216, 4});
  for (const char* item : {"Recommend", "Internet", "Products", "Support", "Offers", "Newsletter", "Update"})
    icons.push_back({std::string("icon_IM_") + item + ".png", 255, 48, 208, 5});
  for (const auto& icon : icons) {
    SCOPED_TRACE(icon.name);
    LoadedPicture p = Load(SkinDir() + "\\" + icon.name);
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_GT(p.picture.Width(), 0);
    EXPECT_LE(icon.x + p.picture.Width(), icon.faceW);
    EXPECT_LE(icon.y + p.picture.Height(), icon.faceH);
  }
}

// ---- the window outline ------------------------------------------------------

TEST(SkinFiles, BackgroundIsA24BitBitmapCutByItsBottomLeftColour) {
  std::string path = SkinDir() + "\\Background.bmp";
  {
    unsigned char header[54] = {};
    DWORD got = 0;
    HANDLE h = CreateFileW(qz::Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ReadFile(h, header, sizeof header, &got, nullptr);
    CloseHandle(h);
    ASSERT_EQ(got, 54u);
    EXPECT_EQ(header[0], 'B');
    EXPECT_EQ(header[1], 'M');
    EXPECT_EQ(header[28] | (header[29] << 8), 24) << "bits per pixel";
  }
  LoadedPicture p = Load(path);
  ASSERT_TRUE(p.ok) << p.error;
  const Picture& bg = p.picture;
  uint32_t cut = Rgb(bg.Pixel(0, kWindowH - 1));
  // The outline is cut at the corners ...
  EXPECT_EQ(Rgb(bg.Pixel(0, 0)), cut);
  EXPECT_EQ(Rgb(bg.Pixel(kWindowW - 1, 0)), cut);
  EXPECT_EQ(Rgb(bg.Pixel(kWindowW - 1, kWindowH - 1)), cut);
  // ... and every cut pixel belongs to the outside: a cut pixel that is not
  // connected to the picture's border would punch a hole into the window.
  std::vector<char> outside(static_cast<size_t>(kWindowW) * kWindowH, 0);
  std::vector<std::pair<int, int>> todo;
  auto visit = [&](int x, int y) {
    if (x < 0 || y < 0 || x >= kWindowW || y >= kWindowH) return;
    size_t i = static_cast<size_t>(y) * kWindowW + x;
    if (outside[i] || Rgb(bg.Pixel(x, y)) != cut) return;
    outside[i] = 1;
    todo.push_back({x, y});
  };
  for (int x = 0; x < kWindowW; ++x) {
    visit(x, 0);
    visit(x, kWindowH - 1);
  }
  for (int y = 0; y < kWindowH; ++y) {
    visit(0, y);
    visit(kWindowW - 1, y);
  }
  while (!todo.empty()) {
    auto [x, y] = todo.back();
    todo.pop_back();
    visit(x + 1, y);
    visit(x - 1, y);
    visit(x, y + 1);
    visit(x, y - 1);
  }
  int holes = 0;
  for (int y = 0; y < kWindowH; ++y)
    for (int x = 0; x < kWindowW; ++x)
      if (Rgb(bg.Pixel(x, y)) == cut && !outside[static_cast<size_t>(y) * kWindowW + x]) ++holes;
  EXPECT_EQ(holes, 0) << "cut-colour pixels inside the window";
  // The controls the skin places must lie wholly inside the outline, or the
  // window's region clips them.
  auto cutInside = [&](int left, int top, int width, int height) {
    int n = 0;
    for (int y = top; y < top + height; ++y)
      for (int x = left; x < left + width; ++x)
        if (x >= 0 && y >= 0 && x < kWindowW && y < kWindowH && Rgb(bg.Pixel(x, y)) == cut) ++n;
    return n;
  };
  for (const char* b : {"Close", "Minimize", "Help", "Options", "About", "Internetmenu"}) {
    int l = -1, t = -1, w = -1, h = -1;
    ASSERT_TRUE(IniNumber(b, "Left", &l) && IniNumber(b, "Top", &t) && IniNumber(b, "Width", &w) &&
                IniNumber(b, "Height", &h));
    EXPECT_EQ(cutInside(l, t, w, h), 0) << b;
  }
  for (const char* b : {"OCO", "Cleaning", "Tuning", "Tools", "Submenu"}) {
    int l = -1, t = -1, w = -1, h = -1;
    ASSERT_TRUE(IniNumber(b, "Left", &l) && IniNumber(b, "Top", &t) && IniNumber(b, "Width", &w) &&
                IniNumber(b, "Height", &h));
    EXPECT_EQ(cutInside(l, t + kPageTop, w, h), 0) << b;
  }
  // The cut is exact: no pixel is a blend between the cut colour and the
  // picture (no anti-aliased edge next to a cut pixel is near magenta).
  for (int y = 0; y < kWindowH; ++y)
    for (int x = 0; x < kWindowW; ++x) {
      uint32_t c = Rgb(bg.Pixel(x, y));
      if (c == cut) continue;
      int r = (c >> 16) & 255, g = (c >> 8) & 255, b = c & 255;
      bool nearCut = r > 200 && g < 80 && b > 200;
      if (nearCut) ADD_FAILURE() << "blended edge pixel at " << x << "," << y;
    }
}

TEST(SkinFiles, NoTranslatableTextIsBakedIntoTheBackground) {
  // Below the product's name the header band is plain gradient: every row
  // of the strip under the name is one colour (a text there would stay
  // English whatever the language).
  LoadedPicture p = Load(SkinDir() + "\\Background.bmp");
  ASSERT_TRUE(p.ok) << p.error;
  int textRows = 0;
  for (int y = 84; y < 104; ++y) {
    const uint32_t first = Rgb(p.picture.Pixel(96, y));
    for (int x = 96; x < 340; ++x)
      if (Rgb(p.picture.Pixel(x, y)) != first) {
        ++textRows;
        break;
      }
  }
  EXPECT_EQ(textRows, 0);
}

// ---- skin.ini ---------------------------------------------------------------

const char* const kButtonKeys[] = {"Load", "Left", "Top", "Width", "Height",
                                   "Filename_normal", "Filename_over", "Filename_down"};
const char* const kFontKeys[] = {"FontName", "FontSize", "R", "G", "B"};

TEST(SkinIni, HoldsEverySectionAndKey) {
  std::vector<std::pair<std::string, std::vector<std::string>>> layout;
  for (const char* s : {"Close", "Minimize", "Help", "Options", "About", "Internetmenu", "OCO", "Cleaning",
                        "Tuning", "Tools"})
    layout.push_back({s, std::vector<std::string>(std::begin(kButtonKeys), std::end(kButtonKeys))});
  layout.push_back({"Submenu", {"Load", "Left", "Top", "Width", "Height", "Filename"}});
  layout.push_back({"EasyMode", {"Left", "Top"}});
  layout.push_back({"ExpertMode", {"Left", "Top"}});
  for (const char* s : {"AllModules_HeaderFont", "AllModules_BackgroundBitmapFont", "GroupButton_FontBIG",
                        "GroupButton_FontSMALL", "InternetButton_FontBIG", "InternetButton_FontSMALL",
                        "SubMenuButton_FontBIG", "SubMenuButton_FontSMALL", "SubMenu_HeaderFontBIG",
                        "SubMenu_HeaderFontSMALL", "OtherText_Font", "AboutScreen_HeaderFont"})
    layout.push_back({s, std::vector<std::string>(std::begin(kFontKeys), std::end(kFontKeys))});
  for (const auto& [section, keys] : layout)
    for (const auto& key : keys) {
      std::string v = IniText(section, key);
      EXPECT_NE(v, kMissing) << "[" << section << "] " << key << " is missing";
      EXPECT_FALSE(v.empty()) << "[" << section << "] " << key << " is empty";
    }
}

struct SkinButton {
  const char* section;
  bool onPage;  // page coordinates (else window coordinates)
};
const SkinButton kButtons[] = {
    {"Close", false},   {"Minimize", false}, {"Help", false},    {"Options", false}, {"About", false},
    {"Internetmenu", false}, {"OCO", true},   {"Cleaning", true}, {"Tuning", true},   {"Tools", true},
};

Rect ReadRect(const std::string& section) {
  Rect r{-1, -1, -1, -1};
  IniNumber(section, "Left", &r.left);
  IniNumber(section, "Top", &r.top);
  IniNumber(section, "Width", &r.width);
  IniNumber(section, "Height", &r.height);
  return r;
}

TEST(SkinIni, ShownButtonsHaveSizesPicturesAndPlaces) {
  std::vector<Rect> header, page;
  for (const auto& b : kButtons) {
    SCOPED_TRACE(b.section);
    int load = 0;
    ASSERT_TRUE(IniNumber(b.section, "Load", &load));
    EXPECT_EQ(load, 1) << "the default skin shows every button";
    if (load != 1) continue;
    Rect r = ReadRect(b.section);
    EXPECT_GT(r.width, 0);
    EXPECT_GT(r.height, 0);
    if (b.onPage) {
      EXPECT_TRUE(r.Inside(kPageW, kPageH)) << r.left << "," << r.top << " " << r.width << "x" << r.height;
      page.push_back(r);
    } else {
      EXPECT_TRUE(r.Inside(kWindowW, kPageTop)) << "header buttons lie above the page area";
      header.push_back(r);
    }
    for (const char* key : {"Filename_normal", "Filename_over", "Filename_down"}) {
      std::string file = SkinDir() + "\\" + IniText(b.section, key);
      LoadedPicture p = Load(file);
      EXPECT_TRUE(p.ok) << file << ": " << p.error;
      if (!p.ok) continue;
      EXPECT_EQ(p.picture.Width(), r.width) << file;
      EXPECT_EQ(p.picture.Height(), r.height) << file;
    }
  }
  // The submenu panel and the two mode lights share the menu page.
  int load = 0;
  ASSERT_TRUE(IniNumber("Submenu", "Load", &load));
  EXPECT_EQ(load, 1);
  Rect sub = ReadRect("Submenu");
  EXPECT_TRUE(sub.Inside(kPageW, kPageH));
  LoadedPicture panel = Load(SkinDir() + "\\" + IniText("Submenu", "Filename"));
  ASSERT_TRUE(panel.ok) << panel.error;
  EXPECT_EQ(panel.picture.Width(), sub.width);
  EXPECT_EQ(panel.picture.Height(), sub.height);
  page.push_back(sub);
  LoadedPicture led = Load(SkinDir() + "\\LED_active.png");
  ASSERT_TRUE(led.ok);
  for (const char* s : {"EasyMode", "ExpertMode"}) {
    Rect r{-1, -1, led.picture.Width(), led.picture.Height()};
    ASSERT_TRUE(IniNumber(s, "Left", &r.left)) << s;
    ASSERT_TRUE(IniNumber(s, "Top", &r.top)) << s;
    EXPECT_TRUE(r.Inside(kPageW, kPageH)) << s;
    page.push_back(r);
  }
  // Nothing covers anything else.
  for (size_t i = 0; i < header.size(); ++i)
    for (size_t j = i + 1; j < header.size(); ++j) EXPECT_FALSE(header[i].Overlaps(header[j])) << i << "/" << j;
  for (size_t i = 0; i < page.size(); ++i)
    for (size_t j = i + 1; j < page.size(); ++j) EXPECT_FALSE(page[i].Overlaps(page[j])) << i << "/" << j;
  // The module buttons (255 x 48 from 352,52, four in a column) lie on the panel.
  Rect modules{352, 52, 255, 4 * 48};
  EXPECT_GE(modules.left, sub.left);
  EXPECT_GE(modules.top, sub.top);
  EXPECT_LE(modules.left + modules.width, sub.left + sub.width);
  EXPECT_LE(modules.top + modules.height, sub.top + sub.height);
}

int CALLBACK CountFaces(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return 1;
}

TEST(SkinIni, FontsAreInstalledWithSaneSizesAndColours) {
  for (const char* s : {"AllModules_HeaderFont", "AllModules_BackgroundBitmapFont", "GroupButton_FontBIG",
                        "GroupButton_FontSMALL", "InternetButton_FontBIG", "InternetButton_FontSMALL",
                        "SubMenuButton_FontBIG", "SubMenuButton_FontSMALL", "SubMenu_HeaderFontBIG",
                        "SubMenu_HeaderFontSMALL", "OtherText_Font", "AboutScreen_HeaderFont"}) {
    SCOPED_TRACE(s);
    int size = 0;
    ASSERT_TRUE(IniNumber(s, "FontSize", &size));
    EXPECT_GE(size, 8);
    EXPECT_LE(size, 40);
    for (const char* c : {"R", "G", "B"}) {
      int v = -1;
      ASSERT_TRUE(IniNumber(s, c, &v)) << c;
      EXPECT_GE(v, 0);
      EXPECT_LE(v, 255);
    }
    // GDI+ draws nothing with a font the system does not have.
    std::string name = IniText(s, "FontName");
    LOGFONTW lf = {};
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, qz::Widen(name).c_str(), LF_FACESIZE);
    HDC dc = GetDC(nullptr);
    int faces = 0;
    EnumFontFamiliesExW(dc, &lf, CountFaces, reinterpret_cast<LPARAM>(&faces), 0);
    ReleaseDC(nullptr, dc);
    EXPECT_GT(faces, 0) << "font " << name << " is not installed";
  }
}

// Texts are drawn in the section's colour over the pictures; they must stand
// out from what lies under them (light text on the dark bands, dark text on
// the light cards).
TEST(SkinIni, TextColoursContrastWithTheirBackground) {
  struct Case {
    const char* section;
    std::string picture;
    int x, y;  // a point of the picture under the text
  };
  const Case cases[] = {
      {"AllModules_HeaderFont", "Header_AllModules.bmp", 80, 30},
      {"AboutScreen_HeaderFont", "frame_about_IM.png", 40, 12},
      {"SubMenu_HeaderFontBIG", "Panels\\Submenu.png", 40, 10},
      {"GroupButton_FontBIG", "Buttons\\Cleaning_normal.png", 60, 12},
      {"SubMenuButton_FontBIG", "button_sub_normal.png", 60, 12},
      {"InternetButton_FontBIG", "but_im_normal.png", 60, 12},
      {"OtherText_Font", "Panels\\Submenu.png", 60, 60},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.section);
    int r = 0, g = 0, b = 0;
    ASSERT_TRUE(IniNumber(c.section, "R", &r) && IniNumber(c.section, "G", &g) && IniNumber(c.section, "B", &b));
    LoadedPicture p = Load(SkinDir() + "\\" + c.picture);
    ASSERT_TRUE(p.ok) << p.error;
    uint32_t under = p.picture.Pixel(c.x, c.y);
    auto luma = [](int R, int G, int B) { return (299 * R + 587 * G + 114 * B) / 1000; };
    int text = luma(r, g, b);
    int back = luma((under >> 16) & 255, (under >> 8) & 255, under & 255);
    EXPECT_GE(std::abs(text - back), 100) << "text " << text << " on " << back;
  }
}

// ---- pictures inside the program file -------------------------------------

TEST(ProgramPictures, SplashAboutPicturesAndIconAreInTheProgram) {
  std::string exe = InstalledProgramDir() + "\\QuenzalSuite2.exe";
  HMODULE module = LoadLibraryExW(qz::Widen(exe).c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(module, nullptr) << exe;
  struct Resource {
    const wchar_t* name;
    int width, height;
  };
  // The splash status line sits at y 284; the about pictures at 452,72 and
  // 472,280 of the page must stay inside the about frame (24,20, 583 x 299).
  const Resource pictures[] = {{L"SPLASH_PNG", 400, 300}, {L"ABOUT1_PNG", 0, 0}, {L"ABOUT2_PNG", 0, 0}};
  for (const auto& r : pictures) {
    SCOPED_TRACE(qz::Narrow(r.name));
    HRSRC found = FindResourceW(module, r.name, MAKEINTRESOURCEW(10));  // RT_RCDATA
    ASSERT_NE(found, nullptr);
    HGLOBAL data = LoadResource(module, found);
    ASSERT_NE(data, nullptr);
    Picture p;
    std::string error;
    ASSERT_TRUE(p.LoadFromMemory(LockResource(data), SizeofResource(module, found), &error)) << error;
    if (r.width) {
      EXPECT_EQ(p.Width(), r.width);
      EXPECT_EQ(p.Height(), r.height);
    }
    if (std::wstring(r.name) == L"ABOUT1_PNG") {
      EXPECT_LE(452 + p.Width(), 24 + 583);
      EXPECT_LE(72 + p.Height(), 20 + 299);
    }
    if (std::wstring(r.name) == L"ABOUT2_PNG") {
      EXPECT_LE(472 + p.Width(), 24 + 583);
      EXPECT_LE(280 + p.Height(), 20 + 299);
    }
  }
  // The icon, by name and as number 1, in the sizes Windows asks for.
  const wchar_t* const iconNames[] = {L"MAINICON", MAKEINTRESOURCEW(1)};
  for (const wchar_t* name : iconNames) {
    for (int size : {16, 32, 48, 256}) {
      HICON icon = static_cast<HICON>(LoadImageW(module, name, IMAGE_ICON, size, size, 0));
      ASSERT_NE(icon, nullptr) << size;
      ICONINFO info = {};
      ASSERT_TRUE(GetIconInfo(icon, &info));
      BITMAP bm = {};
      GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
      EXPECT_EQ(bm.bmWidth, size) << "an icon of exactly this size is in the file";
      if (info.hbmColor) DeleteObject(info.hbmColor);
      if (info.hbmMask) DeleteObject(info.hbmMask);
      DestroyIcon(icon);
    }
  }
  FreeLibrary(module);
}

}  // namespace
