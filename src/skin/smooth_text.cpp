#include "skin/smooth_text.h"

#include <objidl.h>  // before gdiplus.h: WIN32_LEAN_AND_MEAN leaves it out
#include <gdiplus.h>

#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "core/text.h"
#include "ui/gdiplus_session.h"
#include "ui/graphics.h"

namespace qz::skin {

namespace gp = Gdiplus::DllExports;

namespace {

constexpr int kRegular = Gdiplus::FontStyleRegular;
constexpr int kBold = Gdiplus::FontStyleBold;

// Owns one GDI+ flat-API object.
template <class T, Gdiplus::GpStatus (*Delete)(T*)>
class Gp {
 public:
  Gp() = default;
  ~Gp() { if (p_) Delete(p_); }
  Gp(const Gp&) = delete;
  Gp& operator=(const Gp&) = delete;
  T* get() const { return p_; }
  T** put() {
    if (p_) Delete(p_);
    p_ = nullptr;
    return &p_;
  }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

Gdiplus::GpStatus DeleteBrush(Gdiplus::GpSolidFill* b) { return gp::GdipDeleteBrush(b); }

using FamilyPtr = Gp<Gdiplus::GpFontFamily, gp::GdipDeleteFontFamily>;
using FontPtr = Gp<Gdiplus::GpFont, gp::GdipDeleteFont>;
using GraphicsPtr = Gp<Gdiplus::GpGraphics, gp::GdipDeleteGraphics>;
using BrushPtr = Gp<Gdiplus::GpSolidFill, DeleteBrush>;

// A family can be used when GDI+ knows it and can make a font of the style.
bool Usable(const std::wstring& name, int style) {
  if (name.empty()) return false;
  FamilyPtr family;
  if (gp::GdipCreateFontFamilyFromName(name.c_str(), nullptr, family.put()) != Gdiplus::Ok ||
      !family)
    return false;
  FontPtr font;
  return gp::GdipCreateFont(family.get(), 12.0f, style, Gdiplus::UnitPixel, font.put()) ==
             Gdiplus::Ok &&
         font;
}

std::wstring FamilyName(Gdiplus::GpFontFamily* family) {
  WCHAR name[LF_FACESIZE] = {};
  if (!family || gp::GdipGetFamilyName(family, name, LANG_NEUTRAL) != Gdiplus::Ok) return {};
  return name;
}

std::wstring DefaultGuiFace() {
  LOGFONTW lf{};
  if (GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf) == sizeof lf) return lf.lfFaceName;
  return {};
}

std::wstring MessageFace() {
  NONCLIENTMETRICSW ncm{};
  ncm.cbSize = sizeof ncm;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0))
    return ncm.lfMessageFont.lfFaceName;
  return {};
}

std::wstring GenericSans() {
  // The generic family is owned by GDI+ on some systems and a copy on others;
  // deleting it is allowed either way.
  FamilyPtr family;
  if (gp::GdipGetGenericFontFamilySansSerif(family.put()) != Gdiplus::Ok) return {};
  return FamilyName(family.get());
}

// Installed families, sans-serif looking ones first.
std::vector<std::wstring> InstalledFamilies() {
  std::vector<std::wstring> sans, other;
  Gdiplus::GpFontCollection* collection = nullptr;  // the installed collection is not freed
  if (gp::GdipNewInstalledFontCollection(&collection) != Gdiplus::Ok || !collection) return {};
  INT count = 0;
  if (gp::GdipGetFontCollectionFamilyCount(collection, &count) != Gdiplus::Ok || count <= 0)
    return {};
  std::vector<Gdiplus::GpFontFamily*> families(static_cast<size_t>(count), nullptr);
  INT found = 0;
  if (gp::GdipGetFontCollectionFamilyList(collection, count, families.data(), &found) !=
      Gdiplus::Ok)
    return {};
  static const char* const kSansNames[] = {"sans", "arial", "verdana", "helvetica", "segoe ui",
                                           "tahoma"};
  for (INT i = 0; i < found; ++i) {
    std::wstring name = FamilyName(families[static_cast<size_t>(i)]);
    if (families[static_cast<size_t>(i)]) gp::GdipDeleteFontFamily(families[static_cast<size_t>(i)]);
    if (name.empty() || name[0] == L'@') continue;  // vertical variants
    std::string n = Narrow(name);
    bool isSans = false;
    for (const char* s : kSansNames) isSans = isSans || IContains(n, s);
    if (IContains(n, "serif") && !IContains(n, "sans")) isSans = false;
    (isSans ? sans : other).push_back(std::move(name));
  }
  sans.insert(sans.end(), other.begin(), other.end());
  return sans;
}

std::mutex g_familyMutex;
std::map<std::pair<std::wstring, int>, std::wstring> g_families;

// The family to draw `requested` with, after the fallback; empty when none.
std::wstring ResolveFamily(const std::string& requested, int style) {
  if (!ui::EnsureGdiplus()) return {};
  std::wstring want = Widen(requested);
  std::wstring key = want;
  if (!key.empty()) CharLowerBuffW(key.data(), static_cast<DWORD>(key.size()));
  std::lock_guard<std::mutex> lock(g_familyMutex);
  auto it = g_families.find({key, style});
  if (it != g_families.end()) return it->second;
  std::wstring chosen;
  for (const std::wstring& candidate :
       {want, DefaultGuiFace(), MessageFace(), std::wstring(L"Tahoma"), GenericSans()}) {
    if (Usable(candidate, style)) {
      chosen = candidate;
      break;
    }
  }
  if (chosen.empty()) {
    for (const std::wstring& candidate : InstalledFamilies()) {
      if (Usable(candidate, style)) {
        chosen = candidate;
        break;
      }
    }
  }
  if (!chosen.empty()) g_families[{key, style}] = chosen;
  return chosen;
}

bool DrawLine(HDC dc, const std::string& text, const std::string& fontName, float x, float y,
              int size, uint8_t r, uint8_t g, uint8_t b, int style) {
  if (!dc || text.empty() || size <= 0) return false;
  const std::wstring familyName = ResolveFamily(fontName, style);
  if (familyName.empty()) return false;
  FamilyPtr family;
  FontPtr font;
  BrushPtr brush;
  GraphicsPtr graphics;
  if (gp::GdipCreateFontFamilyFromName(familyName.c_str(), nullptr, family.put()) != Gdiplus::Ok ||
      gp::GdipCreateFont(family.get(), static_cast<Gdiplus::REAL>(size), style,
                         Gdiplus::UnitPixel, font.put()) != Gdiplus::Ok ||
      gp::GdipCreateSolidFill(Gdiplus::Color::MakeARGB(255, r, g, b), brush.put()) !=
          Gdiplus::Ok ||
      gp::GdipCreateFromHDC(dc, graphics.put()) != Gdiplus::Ok)
    return false;
  gp::GdipSetTextRenderingHint(graphics.get(), Gdiplus::TextRenderingHintAntiAlias);
  const std::wstring wide = Widen(text);
  // A layout rectangle of size 0 x 0: drawn from the point, unclipped, unwrapped.
  Gdiplus::RectF origin(x, y, 0.0f, 0.0f);
  return gp::GdipDrawString(graphics.get(), wide.c_str(), -1, font.get(), &origin, nullptr,
                            brush.get()) == Gdiplus::Ok;
}

}  // namespace

bool DrawSmoothText(HDC dc, const std::string& text, const std::string& fontName, float x, float y,
                    int size, uint8_t r, uint8_t g, uint8_t b) {
  return DrawLine(dc, text, fontName, x, y, size, r, g, b, kRegular);
}

bool DrawSmoothTextBold(HDC dc, const std::string& text, const std::string& fontName, float x,
                        float y, int size, uint8_t r, uint8_t g, uint8_t b) {
  return DrawLine(dc, text, fontName, x, y, size, r, g, b, kBold);
}

float SmoothTextWidth(const std::string& text, const std::string& fontName, int size, bool bold) {
  if (text.empty() || size <= 0) return 0;
  const int style = bold ? kBold : kRegular;
  const std::wstring familyName = ResolveFamily(fontName, style);
  if (familyName.empty()) return 0;
  FamilyPtr family;
  FontPtr font;
  GraphicsPtr graphics;
  HDC screen = GetDC(nullptr);
  const bool ok =
      gp::GdipCreateFontFamilyFromName(familyName.c_str(), nullptr, family.put()) == Gdiplus::Ok &&
      gp::GdipCreateFont(family.get(), static_cast<Gdiplus::REAL>(size), style, Gdiplus::UnitPixel, font.put()) ==
          Gdiplus::Ok &&
      gp::GdipCreateFromHDC(screen, graphics.put()) == Gdiplus::Ok;
  float width = 0;
  if (ok) {
    gp::GdipSetTextRenderingHint(graphics.get(), Gdiplus::TextRenderingHintAntiAlias);
    const std::wstring wide = Widen(text);
    Gdiplus::RectF origin(0, 0, 0, 0), box;
    if (gp::GdipMeasureString(graphics.get(), wide.c_str(), -1, font.get(), &origin, nullptr, &box, nullptr,
                              nullptr) == Gdiplus::Ok)
      width = box.Width;
  }
  graphics.put();  // released before the screen DC
  if (screen) ReleaseDC(nullptr, screen);
  return width;
}

std::string SmoothTextFamily(const std::string& fontName, bool bold) {
  return Narrow(ResolveFamily(fontName, bold ? kBold : kRegular));
}

int CanvasTextWidth(HDC dc, const std::string& fontName, int pointSize, const std::string& text,
                    bool bold) {
  if (text.empty() || pointSize <= 0) return 0;
  std::wstring family = ResolveFamily(fontName, bold ? kBold : kRegular);
  if (family.empty()) family = Widen(fontName);
  HDC memory = CreateCompatibleDC(dc);
  if (!memory) return 0;
  LOGFONTW lf{};
  lf.lfHeight = -MulDiv(pointSize, GetDeviceCaps(memory, LOGPIXELSY), 72);
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(lf.lfFaceName, family.c_str(), LF_FACESIZE);
  HFONT font = CreateFontIndirectW(&lf);
  HGDIOBJ old = SelectObject(memory, font);
  const std::wstring wide = Widen(text);
  SIZE extent{};
  BOOL ok = GetTextExtentPoint32W(memory, wide.c_str(), static_cast<int>(wide.size()), &extent);
  SelectObject(memory, old);
  DeleteObject(font);
  DeleteDC(memory);
  return ok ? extent.cx : 0;
}

void BlendPictureOntoBackground(ui::Picture& image, HDC background, int left, int top, int width,
                                int height) {
  if (width < 0 || height < 0) {
    width = image.Width();
    height = image.Height();
  }
  if (width <= 0 || height <= 0 || !background) return;
  ui::Picture composed(width, height, 0xFF000000u);
  HDC canvas = composed.Canvas();
  if (!canvas) return;
  BitBlt(canvas, 0, 0, width, height, background, left, top, SRCCOPY);
  image.Draw(canvas, 0, 0);
  composed.ReleaseCanvas();
  composed.MakeOpaque();
  image = std::move(composed);
}

void BlendImageOntoBackground(ui::Image& image, HDC background) {
  BlendPictureOntoBackground(image.Picture(), background, image.Left(), image.Top(), image.Width(),
                             image.Height());
  image.Invalidate();
}

}  // namespace qz::skin
