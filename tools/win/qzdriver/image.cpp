#include "image.h"

#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <cstdio>

#include "winfind.h"

namespace qzdriver {

namespace {

// A colour no window of the product paints: pixels still holding it after a
// print were not painted by the window.
constexpr uint32_t kUnpainted = 0x0001FE03;

struct Dib {
  HDC dc = nullptr;
  HBITMAP bmp = nullptr;
  HGDIOBJ old = nullptr;
  uint32_t* bits = nullptr;
  int w = 0, h = 0;
  Dib(int width, int height) : w(width), h(height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* p = nullptr;
    dc = CreateCompatibleDC(nullptr);
    bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
    bits = static_cast<uint32_t*>(p);
    if (bmp) old = SelectObject(dc, bmp);
  }
  ~Dib() {
    if (old) SelectObject(dc, old);
    if (bmp) DeleteObject(bmp);
    if (dc) DeleteDC(dc);
  }
  Dib(const Dib&) = delete;
  Dib& operator=(const Dib&) = delete;
  bool Ok() const { return bits != nullptr; }
  void Fill(uint32_t v) {
    GdiFlush();
    std::fill(bits, bits + static_cast<size_t>(w) * h, v);
  }
};

// Window rectangle of `h` relative to the window rectangle of `top`.
RECT RectIn(HWND top, const RECT& screen) {
  RECT tr;
  GetWindowRect(top, &tr);
  return RECT{screen.left - tr.left, screen.top - tr.top, screen.right - tr.left, screen.bottom - tr.top};
}

RECT ClientScreenRect(HWND h) {
  RECT c;
  GetClientRect(h, &c);
  POINT o{0, 0};
  ClientToScreen(h, &o);
  return RECT{o.x, o.y, o.x + c.right, o.y + c.bottom};
}

// Prints the client area of `h` into the capture at its place, clipped to
// `clip` (top-window coordinates), then its visible children on top.
size_t PrintTree(HWND top, HWND h, const RECT& clip, Image& img, std::string& note) {
  RECT cs = ClientScreenRect(h);
  RECT at = RectIn(top, cs);
  RECT vis;
  if (!IntersectRect(&vis, &at, &clip)) return 0;
  size_t total = 0;
  int w = cs.right - cs.left, hgt = cs.bottom - cs.top;
  if (w > 0 && hgt > 0) {
    Dib dib(w, hgt);
    if (dib.Ok()) {
      dib.Fill(kUnpainted);
      PrintWindow(h, dib.dc, PW_CLIENTONLY);
      GdiFlush();
      size_t painted = 0;
      for (int y = vis.top; y < vis.bottom; ++y) {
        for (int x = vis.left; x < vis.right; ++x) {
          uint32_t v = dib.bits[static_cast<size_t>(y - at.top) * w + (x - at.left)] & 0xFFFFFF;
          if (v == kUnpainted) continue;
          img.px[static_cast<size_t>(y) * img.width + x] = 0xFF000000 | v;
          ++painted;
        }
      }
      total += painted;
      if (painted == 0) {
        std::string name = ComponentName(h);
        note += "  window " + ClassOf(h) + (name.empty() ? "" : " \"" + name + "\"") +
                " painted nothing on WM_PRINT/WM_PRINTCLIENT\n";
      }
    }
  }
  // Children bottom-most first.
  std::vector<HWND> kids;
  for (HWND c = GetWindow(h, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    if (IsWindowVisible(c)) kids.push_back(c);
  std::reverse(kids.begin(), kids.end());
  for (HWND k : kids) total += PrintTree(top, k, vis, img, note);
  return total;
}

void ApplyRegion(HWND h, Image& img) {
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  int type = GetWindowRgn(h, rgn);
  if (type != ERROR && type != NULLREGION) {
    for (int y = 0; y < img.height; ++y)
      for (int x = 0; x < img.width; ++x)
        if (!PtInRegion(rgn, x, y)) img.px[static_cast<size_t>(y) * img.width + x] &= 0x00FFFFFF;
  }
  DeleteObject(rgn);
}

}  // namespace

namespace {

bool CaptureScreen(HWND h, const RECT& wr, Image& img, std::string& note) {
  // Raise the window (without activating it) and name what still lies over it.
  auto covered = [&] {
    for (HWND above = GetWindow(h, GW_HWNDPREV); above; above = GetWindow(above, GW_HWNDPREV)) {
      RECT ar, overlap;
      if (IsWindowVisible(above) && GetWindowRect(above, &ar) && IntersectRect(&overlap, &ar, &wr)) return true;
    }
    return false;
  };
  if (covered()) {
    SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    Sleep(150);  // the uncovered parts repaint
  }
  for (HWND above = GetWindow(h, GW_HWNDPREV); above; above = GetWindow(above, GW_HWNDPREV)) {
    RECT ar, overlap;
    if (!IsWindowVisible(above) || !GetWindowRect(above, &ar) || !IntersectRect(&overlap, &ar, &wr)) continue;
    note += "  the screen capture is covered by " + ClassOf(above) + " \"" + WindowText(above) + "\"\n";
  }
  Dib dib(img.width, img.height);
  if (!dib.Ok()) return false;
  HDC screen = GetDC(nullptr);
  BitBlt(dib.dc, 0, 0, img.width, img.height, screen, wr.left, wr.top, SRCCOPY);
  ReleaseDC(nullptr, screen);
  GdiFlush();
  for (size_t i = 0; i < img.px.size(); ++i) img.px[i] = 0xFF000000 | (dib.bits[i] & 0xFFFFFF);
  return true;
}

// Returns the number of pixels the windows painted.
size_t CapturePrint(HWND h, Image& img, std::string& note) {
  // The whole window first (the frame, where the system draws one), then
  // every window's client area at its own place.
  Dib dib(img.width, img.height);
  if (!dib.Ok()) return 0;
  dib.Fill(kUnpainted);
  PrintWindow(h, dib.dc, 0);
  GdiFlush();
  size_t painted = 0;
  for (size_t i = 0; i < img.px.size(); ++i) {
    uint32_t v = dib.bits[i] & 0xFFFFFF;
    if (v != kUnpainted) ++painted;
    img.px[i] = v == kUnpainted ? 0xFF000000 : 0xFF000000 | v;
  }
  RECT all{0, 0, img.width, img.height};
  return painted + PrintTree(h, h, all, img, note);
}

}  // namespace

Image CaptureWindow(HWND h, CaptureMode mode, std::string& note) {
  Image img;
  RECT wr;
  if (!GetWindowRect(h, &wr)) return img;
  img.width = wr.right - wr.left;
  img.height = wr.bottom - wr.top;
  if (img.Empty()) return img;
  img.px.assign(static_cast<size_t>(img.width) * img.height, 0xFF000000);
  bool ok = true;
  if (mode == CaptureMode::Screen) {
    ok = CaptureScreen(h, wr, img, note);
  } else {
    std::string printNote;
    size_t painted = CapturePrint(h, img, printNote);
    if (mode == CaptureMode::Auto && painted == 0) {
      static bool told = false;  // once per run
      if (!told)
        note += "  PrintWindow painted nothing (a device context does not cross processes under Wine); "
                "screen pixels taken instead\n";
      told = true;
      ok = CaptureScreen(h, wr, img, note);
    } else {
      note += printNote;
    }
  }
  if (!ok) return Image{};
  ApplyRegion(h, img);
  return img;
}

namespace {

std::string SaveBmp(const Image& img, const std::wstring& path) {
  const int rowBytes = (img.width * 3 + 3) & ~3;
  BITMAPFILEHEADER fh{};
  BITMAPINFOHEADER ih{};
  ih.biSize = sizeof ih;
  ih.biWidth = img.width;
  ih.biHeight = img.height;  // bottom-up
  ih.biPlanes = 1;
  ih.biBitCount = 24;
  ih.biCompression = BI_RGB;
  ih.biSizeImage = static_cast<DWORD>(rowBytes) * img.height;
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof ih;
  fh.bfSize = fh.bfOffBits + ih.biSizeImage;
  std::vector<unsigned char> data(ih.biSizeImage, 0);
  for (int y = 0; y < img.height; ++y) {
    unsigned char* row = data.data() + static_cast<size_t>(img.height - 1 - y) * rowBytes;
    for (int x = 0; x < img.width; ++x) {
      uint32_t v = img.At(x, y);
      row[x * 3 + 0] = static_cast<unsigned char>(v);
      row[x * 3 + 1] = static_cast<unsigned char>(v >> 8);
      row[x * 3 + 2] = static_cast<unsigned char>(v >> 16);
    }
  }
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return "cannot create the file (error " + std::to_string(GetLastError()) + ")";
  DWORD done = 0;
  bool ok = WriteFile(f, &fh, sizeof fh, &done, nullptr) && WriteFile(f, &ih, sizeof ih, &done, nullptr) &&
            WriteFile(f, data.data(), static_cast<DWORD>(data.size()), &done, nullptr);
  CloseHandle(f);
  return ok ? std::string() : "cannot write the file";
}

std::string SavePng(const Image& img, const std::wstring& path) {
  auto fail = [](const char* what, HRESULT hr) {
    char buf[96];
    snprintf(buf, sizeof buf, "%s failed (0x%08lx)", what, static_cast<unsigned long>(hr));
    return std::string(buf);
  };
  IWICImagingFactory* factory = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory));
  if (FAILED(hr)) return fail("creating the WIC factory", hr);
  std::string err;
  IWICStream* stream = nullptr;
  IWICBitmapEncoder* encoder = nullptr;
  IWICBitmapFrameEncode* frame = nullptr;
  do {
    if (FAILED(hr = factory->CreateStream(&stream))) { err = fail("CreateStream", hr); break; }
    if (FAILED(hr = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE))) { err = fail("opening the file", hr); break; }
    if (FAILED(hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder))) { err = fail("CreateEncoder", hr); break; }
    if (FAILED(hr = encoder->Initialize(stream, WICBitmapEncoderNoCache))) { err = fail("encoder Initialize", hr); break; }
    if (FAILED(hr = encoder->CreateNewFrame(&frame, nullptr))) { err = fail("CreateNewFrame", hr); break; }
    if (FAILED(hr = frame->Initialize(nullptr))) { err = fail("frame Initialize", hr); break; }
    if (FAILED(hr = frame->SetSize(img.width, img.height))) { err = fail("SetSize", hr); break; }
    WICPixelFormatGUID fmt = GUID_WICPixelFormat32bppBGRA;
    if (FAILED(hr = frame->SetPixelFormat(&fmt))) { err = fail("SetPixelFormat", hr); break; }
    if (fmt != GUID_WICPixelFormat32bppBGRA) { err = "the PNG encoder refused 32-bit BGRA"; break; }
    UINT stride = static_cast<UINT>(img.width) * 4;
    hr = frame->WritePixels(img.height, stride, stride * img.height,
                            reinterpret_cast<BYTE*>(const_cast<uint32_t*>(img.px.data())));
    if (FAILED(hr)) { err = fail("WritePixels", hr); break; }
    if (FAILED(hr = frame->Commit())) { err = fail("frame Commit", hr); break; }
    if (FAILED(hr = encoder->Commit())) { err = fail("encoder Commit", hr); break; }
  } while (false);
  if (frame) frame->Release();
  if (encoder) encoder->Release();
  if (stream) stream->Release();
  factory->Release();
  return err;
}

}  // namespace

std::string SaveImage(const Image& img, const std::wstring& path) {
  if (img.Empty()) return "the capture is empty";
  std::wstring lower = path;
  for (wchar_t& c : lower) c = static_cast<wchar_t>(towlower(c));
  auto ends = [&](const wchar_t* ext) {
    size_t n = wcslen(ext);
    return lower.size() >= n && lower.compare(lower.size() - n, n, ext) == 0;
  };
  if (ends(L".png")) return SavePng(img, path);
  if (ends(L".bmp")) return SaveBmp(img, path);
  return "unknown picture type (use .png or .bmp)";
}

}  // namespace qzdriver
