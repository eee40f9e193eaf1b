// Pictures in memory. A Picture holds one decoded image as a 32-bit top-down
// DIB section with premultiplied alpha (the layout AlphaBlend expects), so it
// can be drawn with its transparency onto any device context, drawn on through
// a canvas, and handed to comctl32 as a bitmap or icon.
//
// Files are decoded through one shared WIC factory. A file is read into memory
// and closed before it is decoded, so no picture keeps its file open or locked.
// A file that is missing or cannot be decoded is reported as a failure; what
// that means for the user is the caller's decision.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace qz::ui {

// Colours in this interface are 0xAARRGGBB. "Straight" colours carry the
// colour unscaled by alpha; the stored pixels are premultiplied (each colour
// channel already multiplied by alpha / 255).
inline constexpr uint32_t Argb(uint8_t a, uint8_t r, uint8_t g, uint8_t b) {
  return (uint32_t(a) << 24) | (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
}
inline constexpr uint8_t AlphaOf(uint32_t argb) { return uint8_t(argb >> 24); }
inline constexpr uint8_t RedOf(uint32_t argb) { return uint8_t(argb >> 16); }
inline constexpr uint8_t GreenOf(uint32_t argb) { return uint8_t(argb >> 8); }
inline constexpr uint8_t BlueOf(uint32_t argb) { return uint8_t(argb); }
// An opaque colour from a GDI COLORREF.
inline constexpr uint32_t ArgbFromColorref(COLORREF c) {
  return Argb(255, GetRValue(c), GetGValue(c), GetBValue(c));
}

class Picture {
 public:
  Picture() = default;
  // A picture of the size with every pixel set to the straight colour `argb`
  // (default opaque white). A size <= 0 in either direction gives an empty picture.
  Picture(int width, int height, uint32_t argb = 0xFFFFFFFF);
  ~Picture();
  Picture(const Picture& other);
  Picture& operator=(const Picture& other);
  Picture(Picture&& other) noexcept;
  Picture& operator=(Picture&& other) noexcept;

  // Decodes a BMP, PNG (with its alpha channel), JPEG, GIF (first frame) or
  // ICO file. On failure returns false, leaves the picture as it was and, when
  // `error` is given, stores a short English reason there.
  bool LoadFromFile(const std::string& path, std::string* error = nullptr);
  // The same for a file's bytes in memory.
  bool LoadFromMemory(const void* data, size_t size, std::string* error = nullptr);
  // The same for an RCDATA resource of the program file.
  bool LoadFromResource(const wchar_t* name, std::string* error = nullptr);
  // Copies a GDI bitmap (device-dependent or DIB section, any depth). A 32-bit
  // DIB section whose alpha bytes are not all zero is taken as premultiplied
  // with alpha; everything else becomes opaque. False for an invalid handle.
  bool AssignBitmap(HBITMAP bitmap);
  // Encodes to a file by its extension: ".png" (with alpha), ".bmp" (opaque,
  // 24 bits) or ".jpg"/".jpeg". Writes a new file or replaces an existing one.
  bool SaveToFile(const std::string& path, std::string* error = nullptr) const;

  void Clear();
  bool Empty() const { return bitmap_ == nullptr; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // New size, every pixel set to `argb` (straight). A size <= 0 clears.
  void SetSize(int width, int height, uint32_t argb = 0xFFFFFFFF);
  // Fills the whole picture with the straight colour `argb`.
  void Fill(uint32_t argb);

  // Whether Draw blends by the alpha channel. True after loading a picture
  // that has any pixel with alpha < 255 (or after SetTransparent(true)); an
  // opaque picture is drawn with a plain copy, its alpha bytes ignored. GDI
  // drawing through Canvas() writes alpha 0, so pictures drawn on with GDI are
  // usually kept opaque.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on) { transparent_ = on; }
  // Sets every alpha byte to 255 (colour bytes kept) and Transparent() false.
  void MakeOpaque();

  // The DIB section (owned by the picture; do not delete or select it into
  // another device context). nullptr when empty.
  HBITMAP Handle() const { return bitmap_; }
  // Width() * Height() pixels, rows top-down, premultiplied 0xAARRGGBB.
  uint32_t* Bits() { return bits_; }
  const uint32_t* Bits() const { return bits_; }
  // Stored (premultiplied) pixel; 0 outside the picture.
  uint32_t PixelPremultiplied(int x, int y) const;
  // Pixel as a straight colour (un-premultiplied); 0 outside the picture. In
  // an opaque picture (Transparent() false) the alpha is always 255.
  uint32_t Pixel(int x, int y) const;
  // Sets a pixel from a straight colour; ignored outside the picture.
  void SetPixel(int x, int y, uint32_t argb);

  // A memory device context with the bitmap selected, made on first use. It
  // stays valid until the picture is resized, reloaded, assigned, cleared or
  // destroyed. Call GdiFlush() (or ReleaseCanvas) before reading Bits() after
  // GDI drawing. nullptr when the picture is empty.
  HDC Canvas();
  void ReleaseCanvas();

  // Draws the picture with its top-left corner at (x, y): blended by alpha
  // when Transparent(), copied otherwise.
  void Draw(HDC dc, int x, int y) const;
  // Draws the picture stretched into the rectangle (halftone quality).
  void DrawStretched(HDC dc, const RECT& dest) const;

  // New GDI objects for image lists and window classes; the caller owns and
  // deletes them. CreateBitmap gives a 32-bit premultiplied DIB section copy,
  // CreateIcon a 32-bit icon with alpha (an opaque picture gets a full mask).
  HBITMAP CreateBitmap() const;
  HICON CreateIcon() const;

 private:
  bool Allocate(int width, int height);  // new zeroed DIB section, drops the old one
  void UpdateTransparentFlag();
  void Swap(Picture& other) noexcept;

  HBITMAP bitmap_ = nullptr;
  uint32_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  bool transparent_ = false;
  HDC canvas_ = nullptr;
  HGDIOBJ canvasOld_ = nullptr;
};

// A new 32-bit top-down DIB section with every byte zero; `bits` (when
// given) gets its width * height pixels. nullptr for a size <= 0 or when the
// system refuses. The caller owns the bitmap.
HBITMAP CreateTopDownDib(int width, int height, uint32_t** bits);

// Pictures by path, decoded once. Skin code loads the same files again and
// again; the cache hands out the same decoded picture while the file's size
// and time stamp stay the same (a changed file is decoded anew). Paths are
// compared by their full form without regard to case. A failure is not
// cached: nullptr is returned and `error` set. The cache may be used from
// any thread.
std::shared_ptr<const Picture> LoadPictureCached(const std::string& path,
                                                 std::string* error = nullptr);
void ClearPictureCache();
size_t PictureCacheSize();

}  // namespace qz::ui
