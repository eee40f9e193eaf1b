// Ownership of GDI objects and device contexts, so that no code writes a
// release by hand:
//
//   GdiObject<HBRUSH> brush(CreateSolidBrush(c));     // DeleteObject at the end
//   SelectIn font(dc, someFont);                      // selected back at the end
//   MemoryDc mem(dc);                                 // DeleteDC at the end
//   ScreenDc screen;                                  // ReleaseDC at the end
//   PaintScope paint(hwnd);                           // BeginPaint ... EndPaint
//   BackBuffer buffer;                                // a kept off-screen bitmap:
//   HDC b = buffer.Begin(dc, width, height);          //   draw into b, then
//   buffer.CopyTo(dc, paint.area());                  //   copy it out in one go
//
// All of them are move-only; an empty one releases nothing.
#pragma once

#include <windows.h>

#include <algorithm>
#include <utility>

namespace qz::ui {

// An owned GDI object (brush, pen, font, bitmap, region).
template <class Handle>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(Handle h) : h_(h) {}
  ~GdiObject() { reset(); }
  GdiObject(GdiObject&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  GdiObject& operator=(GdiObject&& o) noexcept {
    if (this != &o) reset(std::exchange(o.h_, nullptr));
    return *this;
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;

  Handle get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }
  // Deletes the held object and holds `h` instead.
  void reset(Handle h = nullptr) {
    if (h_ && h_ != h) DeleteObject(h_);
    h_ = h;
  }
  // Gives the object up without deleting it.
  Handle release() { return std::exchange(h_, nullptr); }

 private:
  Handle h_ = nullptr;
};

using OwnedBrush = GdiObject<HBRUSH>;
using OwnedPen = GdiObject<HPEN>;
using OwnedFont = GdiObject<HFONT>;
using OwnedBitmap = GdiObject<HBITMAP>;
using OwnedRegion = GdiObject<HRGN>;

// Selects an object into a device context for the scope and then the one
// that was there before. A null object selects nothing.
class SelectIn {
 public:
  SelectIn(HDC dc, HGDIOBJ obj) : dc_(dc), old_(dc && obj ? SelectObject(dc, obj) : nullptr) {}
  ~SelectIn() {
    if (old_) SelectObject(dc_, old_);
  }
  SelectIn(const SelectIn&) = delete;
  SelectIn& operator=(const SelectIn&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// A memory device context compatible with `like` (nullptr: the screen).
class MemoryDc {
 public:
  explicit MemoryDc(HDC like = nullptr) : dc_(CreateCompatibleDC(like)) {}
  ~MemoryDc() {
    if (dc_) DeleteDC(dc_);
  }
  MemoryDc(MemoryDc&& o) noexcept : dc_(std::exchange(o.dc_, nullptr)) {}
  MemoryDc& operator=(MemoryDc&& o) noexcept {
    if (this != &o) {
      if (dc_) DeleteDC(dc_);
      dc_ = std::exchange(o.dc_, nullptr);
    }
    return *this;
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;

  HDC get() const { return dc_; }
  operator HDC() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HDC dc_;
};

// The screen's device context for the scope.
class ScreenDc {
 public:
  ScreenDc() : dc_(GetDC(nullptr)) {}
  ~ScreenDc() {
    if (dc_) ReleaseDC(nullptr, dc_);
  }
  ScreenDc(const ScreenDc&) = delete;
  ScreenDc& operator=(const ScreenDc&) = delete;
  HDC get() const { return dc_; }
  operator HDC() const { return dc_; }

 private:
  HDC dc_;
};

// A window's painting between BeginPaint and EndPaint.
class PaintScope {
 public:
  explicit PaintScope(HWND hwnd) : hwnd_(hwnd) { dc_ = BeginPaint(hwnd, &ps_); }
  ~PaintScope() { EndPaint(hwnd_, &ps_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC dc() const { return dc_; }
  const RECT& area() const { return ps_.rcPaint; }

 private:
  HWND hwnd_;
  PAINTSTRUCT ps_{};
  HDC dc_;
};

// An off-screen bitmap for flicker-free painting, kept between paints and
// made anew only when it must grow.
class BackBuffer {
 public:
  BackBuffer() = default;
  ~BackBuffer() { Drop(); }
  BackBuffer(const BackBuffer&) = delete;
  BackBuffer& operator=(const BackBuffer&) = delete;

  // The memory context to draw into, at least width x height; nullptr when
  // the system refused.
  HDC Begin(HDC like, int width, int height) {
    if (dc_ && width <= width_ && height <= height_) return dc_;
    // It grows in both directions at once and never shrinks.
    const int w = std::max({width, width_, 1}), h = std::max({height, height_, 1});
    Drop();
    dc_ = CreateCompatibleDC(like);
    bitmap_ = CreateCompatibleBitmap(like, w, h);
    if (!dc_ || !bitmap_) {
      Drop();
      return nullptr;
    }
    old_ = SelectObject(dc_, bitmap_);
    width_ = w;
    height_ = h;
    return dc_;
  }
  // Copies a part of the buffer to the same place on `target`.
  void CopyTo(HDC target, const RECT& part) const {
    if (dc_)
      BitBlt(target, part.left, part.top, part.right - part.left, part.bottom - part.top, dc_, part.left,
             part.top, SRCCOPY);
  }
  // Frees the buffer (the next Begin makes a new one).
  void Drop() {
    if (dc_) {
      if (old_) SelectObject(dc_, old_);
      DeleteDC(dc_);
    }
    if (bitmap_) DeleteObject(bitmap_);
    dc_ = nullptr;
    bitmap_ = nullptr;
    old_ = nullptr;
    width_ = height_ = 0;
  }

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  int width_ = 0, height_ = 0;
};

}  // namespace qz::ui
