// Helpers shared by the tests of the form and control layer.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/ui.h"

namespace qz::test {

// Pumps messages for a while.
inline void PumpFor(DWORD ms) {
  DWORD start = GetTickCount();
  do {
    ui::App().ProcessMessages();
    Sleep(5);
  } while (GetTickCount() - start < ms);
}

// Pumps until `done` holds or the time is up; returns `done()`.
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 3000) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return false;
    ui::App().ProcessMessages();
    Sleep(2);
  }
  return true;
}

// A plain form for tests; deleted by the unique_ptr.
inline std::unique_ptr<ui::Form> MakeForm(const std::string& name, int w = 300, int h = 200) {
  auto f = std::make_unique<ui::Form>(nullptr, name);
  f->SetClientSize(w, h);
  f->SetCaption(name);
  return f;
}

// The client area of a window as WM_PRINTCLIENT paints it, 32-bit top-down.
class Capture {
 public:
  Capture(HWND hwnd, UINT msg = WM_PRINTCLIENT) {
    RECT r;
    GetClientRect(hwnd, &r);
    w_ = r.right;
    h_ = r.bottom;
    dc_ = CreateCompatibleDC(nullptr);
    bmp_ = ui::CreateTopDownDib(w_, h_, &bits_);
    old_ = SelectObject(dc_, bmp_);
    // Start from a colour no test paints, so "nothing painted" shows.
    for (int i = 0; i < w_ * h_; ++i) bits_[i] = 0x00123456;
    SendMessageW(hwnd, msg, reinterpret_cast<WPARAM>(dc_), PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
    GdiFlush();
  }
  ~Capture() {
    SelectObject(dc_, old_);
    DeleteObject(bmp_);
    DeleteDC(dc_);
  }
  Capture(const Capture&) = delete;
  Capture& operator=(const Capture&) = delete;
  int width() const { return w_; }
  int height() const { return h_; }
  COLORREF Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return CLR_INVALID;
    uint32_t p = bits_[y * w_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  // Pixels of a colour inside a rectangle.
  int Count(const RECT& r, COLORREF c) const {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        if (Pixel(x, y) == c) ++n;
    return n;
  }
  // Pixels clearly darker than the colour `bg` inside a rectangle.
  int CountDarker(const RECT& r, int below) const {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) {
        COLORREF c = Pixel(x, y);
        if (c != CLR_INVALID && GetRValue(c) + GetGValue(c) + GetBValue(c) < below) ++n;
      }
    return n;
  }

 private:
  int w_ = 0, h_ = 0;
  HDC dc_ = nullptr;
  HBITMAP bmp_ = nullptr;
  HGDIOBJ old_ = nullptr;
  uint32_t* bits_ = nullptr;
};

inline LPARAM Pt(int x, int y) { return MAKELPARAM(x, y); }

}  // namespace qz::test
