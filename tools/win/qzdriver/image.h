// Window captures: pixels of a window, saved as PNG or BMP.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qzdriver {

struct Image {
  int width = 0, height = 0;
  std::vector<uint32_t> px;  // 0xAARRGGBB, top-down rows
  uint32_t At(int x, int y) const { return px[static_cast<size_t>(y) * width + x]; }
  bool Empty() const { return width <= 0 || height <= 0; }
};

enum class CaptureMode {
  Print,   // PrintWindow of the window, then of each visible child window on top
  Screen,  // the screen's pixels inside the window rectangle (the window is
           // raised first; windows still lying over it are noted)
  Auto,    // Print; Screen when the window painted nothing into the print.
           // Under Wine a device context does not cross processes, so
           // PrintWindow of another process's window paints nothing there.
};

// Captures the window rectangle (window coordinates: 0,0 is its top-left
// corner). Pixels outside the window's region get alpha 0, all others 255.
// `note` receives remarks (for example that a window painted nothing).
Image CaptureWindow(HWND h, CaptureMode mode, std::string& note);

// Saves by the file's extension: ".png" (with alpha) or ".bmp" (24 bit).
// Returns an error text, empty on success.
std::string SaveImage(const Image& img, const std::wstring& path);

}  // namespace qzdriver
