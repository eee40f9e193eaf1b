#include "skin/skin.h"

#include <cstdint>
#include <map>
#include <mutex>

#include "core/disk.h"
#include "core/globals.h"
#include "core/ini.h"
#include "core/text.h"
#include "skin/smooth_text.h"
#include "ui/graphics.h"
#include "ui/pagecontrol.h"
#include "ui/picture.h"

namespace qz::skin {

namespace {

// One skinned page control: its own copy of the tiled background, on which
// the group name may be drawn. Held by the erase handlers of the page control
// and its pages, so it lives exactly as long as they do.
struct ModuleSkin {
  ui::Picture background;
  ui::PageControl* pageControl = nullptr;
};

std::weak_ptr<ModuleSkin>& LastSkin() {
  static std::weak_ptr<ModuleSkin> last;
  return last;
}

std::map<const ui::PageControl*, std::weak_ptr<ModuleSkin>>& SkinnedControls() {
  static std::map<const ui::PageControl*, std::weak_ptr<ModuleSkin>> map;
  return map;
}

void ForgetExpired() {
  auto& map = SkinnedControls();
  for (auto it = map.begin(); it != map.end();) {
    if (it->second.expired())
      it = map.erase(it);
    else
      ++it;
  }
}

// Floor division for tile positions left of / above the origin.
int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

}  // namespace

std::string SkinIniPath() { return SkinDir + "\\skin.ini"; }

namespace {

// Values of skin descriptions already read, per file, valid while the file
// keeps its size and time stamp: the windows read the same keys again and
// again (a value read through the profile functions costs a file parse), and
// a changed file is read anew, so every read still sees the file as it is.
struct IniValues {
  FILETIME written{};
  uint64_t size = 0;
  std::map<std::string, std::string> texts;
  std::map<std::string, int> numbers;
};

std::mutex g_iniMutex;
std::map<std::string, IniValues>& IniCache() {
  static std::map<std::string, IniValues> cache;
  return cache;
}

// The cached values of the file, emptied when the file changed.
IniValues& ValuesOf(const std::string& iniPath) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(Widen(iniPath).c_str(), GetFileExInfoStandard, &data)) data = {};
  const uint64_t size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  IniValues& v = IniCache()[LowerAscii(iniPath)];
  if (CompareFileTime(&v.written, &data.ftLastWriteTime) != 0 || v.size != size) {
    v = IniValues{};
    v.written = data.ftLastWriteTime;
    v.size = size;
  }
  return v;
}

std::string ValueKey(const std::string& section, const std::string& key) {
  return LowerAscii(section) + '\n' + LowerAscii(key);
}

// A cached value, or the file's value read (outside the lock, so that
// readers on other threads are not held up) and remembered.
template <class T, class Read>
T CachedValue(std::map<std::string, T> IniValues::*table, const std::string& iniPath, const std::string& section,
              const std::string& key, Read read) {
  const std::string k = ValueKey(section, key);
  {
    std::lock_guard<std::mutex> lock(g_iniMutex);
    IniValues& values = ValuesOf(iniPath);
    auto it = (values.*table).find(k);
    if (it != (values.*table).end()) return it->second;
  }
  T value = read(iniPath, section, key);
  std::lock_guard<std::mutex> lock(g_iniMutex);
  (ValuesOf(iniPath).*table)[k] = value;
  return value;
}

}  // namespace

int ReadSkinIntFrom(const std::string& iniPath, const std::string& section, const std::string& key) {
  return CachedValue(&IniValues::numbers, iniPath, section, key, IniReadInteger);
}

std::string ReadSkinStringFrom(const std::string& iniPath, const std::string& section,
                               const std::string& key) {
  return CachedValue(&IniValues::texts, iniPath, section, key, IniReadString);
}

int ReadSkinInt(const std::string& section, const std::string& key) {
  return ReadSkinIntFrom(SkinIniPath(), section, key);
}

std::string ReadSkinString(const std::string& section, const std::string& key) {
  return ReadSkinStringFrom(SkinIniPath(), section, key);
}

void ReadSkinFont(const std::string& section, std::string& fontName, int& fontSize, int& r, int& g,
                  int& b) {
  const std::string ini = SkinIniPath();
  fontName = ReadSkinStringFrom(ini, section, "FontName");
  fontSize = ReadSkinIntFrom(ini, section, "FontSize");
  r = ReadSkinIntFrom(ini, section, "R");
  g = ReadSkinIntFrom(ini, section, "G");
  b = ReadSkinIntFrom(ini, section, "B");
}

SkinFont ReadSkinFont(const std::string& section) {
  SkinFont f;
  ReadSkinFont(section, f.name, f.size, f.r, f.g, f.b);
  return f;
}

SkinPictureError::SkinPictureError(const std::string& path, const std::string& why)
    : std::runtime_error("The skin picture \"" + path + "\" cannot be loaded" +
                         (why.empty() ? std::string() : ": " + why)),
      file(path),
      reason(why) {}

std::string SkinFileFromIni(const std::string& iniPath, const std::string& relative) {
  return IncludeTrailingBackslash(ExtractFileDir(iniPath)) + relative;
}

std::shared_ptr<const ui::Picture> LoadSkinPicture(const std::string& path) {
  std::string error;
  if (!FileExists(path)) throw SkinPictureError(path, "the file does not exist");
  auto picture = ui::LoadPictureCached(path, &error);
  if (!picture || picture->Empty()) throw SkinPictureError(path, error.empty() ? "unreadable picture" : error);
  return picture;
}

void PaintTiled(HDC dc, const ui::Picture& tile, const RECT& area, POINT origin) {
  const int w = tile.Width(), h = tile.Height();
  if (!dc || tile.Empty() || w <= 0 || h <= 0) return;
  if (area.right <= area.left || area.bottom <= area.top) return;
  // The first tile that reaches into the area, on the origin's grid.
  const int startX = origin.x + FloorDiv(area.left - origin.x, w) * w;
  const int startY = origin.y + FloorDiv(area.top - origin.y, h) * h;
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
  for (int y = startY; y < area.bottom; y += h)
    for (int x = startX; x < area.right; x += w) tile.Draw(dc, x, y);
  RestoreDC(dc, saved);
}

void ApplyModuleSkin(ui::PageControl* pageControl, ui::Image* header, ui::Image* circle,
                     const std::string& caption) {
  // Everything is loaded first: a missing picture leaves the window untouched.
  auto background = LoadSkinPicture(SkinDir + "\\Background_Modules.bmp");
  auto headerPicture = header ? LoadSkinPicture(SkinDir + "\\Header_AllModules.bmp") : nullptr;
  auto circlePicture = circle ? LoadSkinPicture(SkinDir + "\\Header_Kreis.png") : nullptr;

  auto skin = std::make_shared<ModuleSkin>();
  skin->background = *background;  // an own copy: the group name is drawn on it
  skin->pageControl = pageControl;

  if (pageControl) {
    ui::PageControl* pc = pageControl;
    pc->OnEraseBackground = [skin, pc](HDC dc) {
      RECT r{0, 0, pc->ClientWidth(), pc->ClientHeight()};
      PaintTiled(dc, skin->background, r, POINT{0, 0});
      return true;
    };
    // Each page shows the part of the tiled background that lies under it, so
    // the pattern runs on seamlessly whatever the page's size and offset.
    for (int i = 0; i < pc->PageCount(); ++i) {
      ui::TabSheet* page = pc->Page(i);
      page->OnEraseBackground = [skin, page](HDC dc) {
        RECT r{0, 0, page->ClientWidth(), page->ClientHeight()};
        PaintTiled(dc, skin->background, r, POINT{-page->Left(), -page->Top()});
        return true;
      };
    }
    ForgetExpired();
    SkinnedControls()[pc] = skin;
    if (pc->Handle())
      RedrawWindow(pc->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }
  LastSkin() = skin;

  if (header) {
    header->SetPicture(*headerPicture);
    header->Picture().MakeOpaque();
    SkinFont f = ReadSkinFont("AllModules_HeaderFont");
    if (HDC dc = header->Picture().Canvas()) {
      DrawSmoothText(dc, caption, f.name, 60, 14, f.size, f.R(), f.G(), f.B());
      header->Picture().ReleaseCanvas();
    }
    header->Invalidate();
  }
  if (circle) {
    circle->SetPicture(*circlePicture);
    circle->Invalidate();
  }
}

void DrawBackgroundBitmapText(const std::string& text) {
  std::shared_ptr<ModuleSkin> skin = LastSkin().lock();
  if (!skin || skin->background.Empty()) return;
  SkinFont f = ReadSkinFont("AllModules_BackgroundBitmapFont");
  ui::Picture& bmp = skin->background;
  HDC dc = bmp.Canvas();
  if (!dc) return;
  // The width is measured with a canvas font of that size in points, as the
  // position has always been computed.
  const int w = CanvasTextWidth(dc, f.name, f.size, text);
  DrawSmoothText(dc, text, f.name, static_cast<float>(bmp.Width() - w + 12),
                 static_cast<float>(bmp.Height() - f.size - 6), f.size, f.R(), f.G(), f.B());
  bmp.ReleaseCanvas();
  if (skin->pageControl && skin->pageControl->Handle())
    RedrawWindow(skin->pageControl->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

const ui::Picture* ModuleSkinBackground(const ui::PageControl* pageControl) {
  auto& map = SkinnedControls();
  auto it = map.find(pageControl);
  if (it == map.end()) return nullptr;
  std::shared_ptr<ModuleSkin> skin = it->second.lock();
  if (!skin) return nullptr;
  return &skin->background;  // kept alive by the control's handlers
}

}  // namespace qz::skin
