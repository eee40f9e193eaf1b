// Times the decoding of PNG pictures like the skin's through the shared WIC
// factory (Picture::LoadFromFile) against GDI+ (a Bitmap from the file and
// its HBITMAP), side by side in one run.
//   bench_picture <scratch folder with trailing backslash> <runs>
// Prints one line per size, decoder and run:
//   "<width>x<height> <wic|gdiplus> <milliseconds per load>"
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/text.h"
#include "ui/gdiplus_session.h"
#include "ui/picture.h"
#include "../bench_clock.h"

namespace {

using qz::bench::NowMs;
using qz::ui::Argb;
using qz::ui::Picture;

constexpr int kLoadsPerRun = 40;

// Like a skin picture: gradients with a soft transparent edge.
bool MakePng(const std::string& path, int w, int h) {
  Picture src(w, h, Argb(255, 0, 0, 0));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      src.SetPixel(x, y, Argb(static_cast<uint8_t>(std::min(255, x * 2040 / w)), static_cast<uint8_t>(x * 255 / w),
                              static_cast<uint8_t>(y * 255 / h), 128));
  return src.SaveToFile(path);
}

double WicMs(const std::string& path) {
  const double t0 = NowMs();
  for (int i = 0; i < kLoadsPerRun; ++i) {
    Picture p;
    if (!p.LoadFromFile(path)) std::exit(3);
  }
  return (NowMs() - t0) / kLoadsPerRun;
}

double GdiplusMs(const std::wstring& path) {
  const double t0 = NowMs();
  for (int i = 0; i < kLoadsPerRun; ++i) {
    Gdiplus::Bitmap bmp(path.c_str());
    if (bmp.GetLastStatus() != Gdiplus::Ok) std::exit(4);
    HBITMAP h = nullptr;
    bmp.GetHBITMAP(Gdiplus::Color(0, 0, 0, 0), &h);
    DeleteObject(h);
  }
  return (NowMs() - t0) / kLoadsPerRun;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const std::string dir = argv[1];
  const int runs = std::max(1, std::atoi(argv[2]));
  qz::ui::GdiplusSession gdiplus;
  if (!gdiplus.ok()) return 5;
  struct Size {
    int w, h;
  } sizes[] = {{48, 48}, {640, 77}, {256, 256}};
  for (const Size& s : sizes) {
    const std::string path = dir + "t" + std::to_string(s.w) + "x" + std::to_string(s.h) + ".png";
    if (!MakePng(path, s.w, s.h)) return 6;
    Picture warm;
    if (!warm.LoadFromFile(path)) return 3;
    for (int r = 0; r < runs; ++r) {
      std::printf("%dx%d wic %.3f\n", s.w, s.h, WicMs(path));
      std::printf("%dx%d gdiplus %.3f\n", s.w, s.h, GdiplusMs(qz::Widen(path)));
      std::fflush(stdout);
    }
    DeleteFileW(qz::Widen(path).c_str());
  }
  return 0;
}
