#include "ui/picture.h"

#include <objbase.h>
#include <wincodec.h>

#include <cstring>
#include <map>
#include <optional>
#include <mutex>
#include <utility>
#include <vector>

#include "core/com_ptr.h"
#include "core/disk.h"
#include "core/text.h"
#include "ui/gdi.h"

namespace qz::ui {

namespace {

// Pictures larger than this (in pixels) are refused rather than allocated.
constexpr uint64_t kMaxPixels = 64ull * 1024 * 1024;
// Files larger than this are not read.
constexpr uint64_t kMaxFileBytes = 256ull * 1024 * 1024;

template <class T>
using Com = ComPtr<T>;

std::string HexResult(HRESULT hr) {
  char buf[16];
  wsprintfA(buf, "0x%08lX", static_cast<unsigned long>(hr));
  return buf;
}

void SetError(std::string* error, std::string text) {
  if (error) *error = std::move(text);
}

// The one WIC factory of the process. It is free-threaded and lives until
// the process ends (released after COM is gone it would crash at exit).
IWICImagingFactory* WicFactory(HRESULT* result) {
  static std::mutex mutex;
  static IWICImagingFactory* factory = nullptr;
  EnsureCom();
  std::lock_guard<std::mutex> lock(mutex);
  if (!factory) {
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IWICImagingFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) {
      factory = nullptr;
      if (result) *result = hr;
      return nullptr;
    }
  }
  if (result) *result = S_OK;
  return factory;
}

// The factory, or nullptr with the reason in `error`.
IWICImagingFactory* WicFactoryOrError(std::string* error) {
  HRESULT hr = S_OK;
  IWICImagingFactory* factory = WicFactory(&hr);
  if (!factory) SetError(error, "Imaging component unavailable (" + HexResult(hr) + ")");
  return factory;
}

// The decoder for the format the bytes start with, made from a cached class
// factory: asking the factory to find the decoder reads the codec registry
// on every call (under Wine about as long as the decoding itself).
bool CreateDecoderBySignature(const uint8_t* data, size_t size, IWICStream* stream,
                              IWICBitmapDecoder** decoder) {
  static const uint8_t kPng[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  const CLSID* clsid = nullptr;
  int slot = -1;
  if (size >= 8 && std::memcmp(data, kPng, 8) == 0) {
    clsid = &CLSID_WICPngDecoder;
    slot = 0;
  } else if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
    clsid = &CLSID_WICBmpDecoder;
    slot = 1;
  } else if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) {
    clsid = &CLSID_WICJpegDecoder;
    slot = 2;
  }
  if (!clsid) return false;
  static std::mutex mutex;
  static IClassFactory* factories[3] = {};
  IClassFactory* cf = nullptr;
  {
    std::lock_guard<std::mutex> lock(mutex);
    if (!factories[slot] &&
        FAILED(CoGetClassObject(*clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                reinterpret_cast<void**>(&factories[slot]))))
      factories[slot] = nullptr;
    cf = factories[slot];
  }
  if (!cf) return false;
  IWICBitmapDecoder* d = nullptr;
  if (FAILED(cf->CreateInstance(nullptr, IID_IWICBitmapDecoder, reinterpret_cast<void**>(&d))))
    return false;
  if (FAILED(d->Initialize(stream, WICDecodeMetadataCacheOnDemand))) {
    d->Release();
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    return false;
  }
  *decoder = d;
  return true;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, std::string* error) {
  HANDLE h = CreateFileW(Widen(path).c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD e = GetLastError();
    if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND || e == ERROR_INVALID_NAME)
      SetError(error, "File not found: " + path);
    else
      SetError(error, "Cannot open file (error " + std::to_string(e) + "): " + path);
    return false;
  }
  LARGE_INTEGER size{};
  bool ok = GetFileSizeEx(h, &size) && size.QuadPart >= 0 &&
            static_cast<uint64_t>(size.QuadPart) <= kMaxFileBytes;
  if (!ok) {
    CloseHandle(h);
    SetError(error, "File too large or unreadable: " + path);
    return false;
  }
  out.resize(static_cast<size_t>(size.QuadPart));
  size_t done = 0;
  while (done < out.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(out.size() - done, 1u << 24));
    DWORD got = 0;
    if (!ReadFile(h, out.data() + done, chunk, &got, nullptr) || got == 0) break;
    done += got;
  }
  CloseHandle(h);
  if (done != out.size()) {
    SetError(error, "Cannot read file: " + path);
    return false;
  }
  return true;
}

bool WriteWholeFile(const std::string& path, const void* data, size_t size, std::string* error) {
  HANDLE h = CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    SetError(error, "Cannot create file (error " + std::to_string(GetLastError()) + "): " + path);
    return false;
  }
  DWORD written = 0;
  bool ok = WriteFile(h, data, static_cast<DWORD>(size), &written, nullptr) && written == size;
  CloseHandle(h);
  if (!ok) {
    DeleteFileW(Widen(path).c_str());
    SetError(error, "Cannot write file: " + path);
  }
  return ok;
}

uint32_t Premultiply(uint32_t argb) {
  uint32_t a = AlphaOf(argb);
  if (a == 255) return argb;
  if (a == 0) return 0;
  auto mul = [a](uint32_t c) { return (c * a + 127) / 255; };
  return Argb(static_cast<uint8_t>(a), static_cast<uint8_t>(mul(RedOf(argb))),
              static_cast<uint8_t>(mul(GreenOf(argb))), static_cast<uint8_t>(mul(BlueOf(argb))));
}

uint32_t Unpremultiply(uint32_t p) {
  uint32_t a = AlphaOf(p);
  if (a == 255) return p;
  if (a == 0) return 0;
  auto div = [a](uint32_t c) { return std::min<uint32_t>(255, (c * 255 + a / 2) / a); };
  return Argb(static_cast<uint8_t>(a), static_cast<uint8_t>(div(RedOf(p))),
              static_cast<uint8_t>(div(GreenOf(p))), static_cast<uint8_t>(div(BlueOf(p))));
}

// The header of 32-bit top-down rows.
BITMAPINFO TopDown32(int width, int height) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  return bi;
}

}  // namespace

HBITMAP CreateTopDownDib(int width, int height, uint32_t** bits) {
  if (width <= 0 || height <= 0) return nullptr;
  BITMAPINFO bi = TopDown32(width, height);
  void* p = nullptr;
  OwnedBitmap bmp(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &p, nullptr, 0));
  if (!bmp || !p) return nullptr;
  std::memset(p, 0, static_cast<size_t>(width) * height * 4);
  if (bits) *bits = static_cast<uint32_t*>(p);
  return bmp.release();
}

// ---- construction, copy, move --------------------------------------------

Picture::Picture(int width, int height, uint32_t argb) { SetSize(width, height, argb); }

Picture::~Picture() { Clear(); }

Picture::Picture(const Picture& other) {
  if (other.Empty() || !Allocate(other.width_, other.height_)) return;
  if (other.canvas_) GdiFlush();
  std::memcpy(bits_, other.bits_, static_cast<size_t>(width_) * height_ * 4);
  transparent_ = other.transparent_;
}

Picture& Picture::operator=(const Picture& other) {
  if (this != &other) {
    Picture copy(other);
    Swap(copy);
  }
  return *this;
}

Picture::Picture(Picture&& other) noexcept { Swap(other); }

Picture& Picture::operator=(Picture&& other) noexcept {
  if (this != &other) {
    Picture gone(std::move(*this));
    Swap(other);
  }
  return *this;
}

void Picture::Swap(Picture& other) noexcept {
  std::swap(bitmap_, other.bitmap_);
  std::swap(bits_, other.bits_);
  std::swap(width_, other.width_);
  std::swap(height_, other.height_);
  std::swap(transparent_, other.transparent_);
  std::swap(canvas_, other.canvas_);
  std::swap(canvasOld_, other.canvasOld_);
}

void Picture::Clear() {
  ReleaseCanvas();
  if (bitmap_) DeleteObject(bitmap_);
  bitmap_ = nullptr;
  bits_ = nullptr;
  width_ = height_ = 0;
  transparent_ = false;
}

bool Picture::Allocate(int width, int height) {
  Clear();
  if (width <= 0 || height <= 0 || static_cast<uint64_t>(width) * height > kMaxPixels) return false;
  uint32_t* bits = nullptr;
  HBITMAP bmp = CreateTopDownDib(width, height, &bits);
  if (!bmp) return false;
  bitmap_ = bmp;
  bits_ = bits;
  width_ = width;
  height_ = height;
  return true;
}

void Picture::SetSize(int width, int height, uint32_t argb) {
  if (!Allocate(width, height)) return;
  Fill(argb);
}

void Picture::Fill(uint32_t argb) {
  if (Empty()) return;
  if (canvas_) GdiFlush();
  uint32_t p = Premultiply(argb);
  std::fill(bits_, bits_ + static_cast<size_t>(width_) * height_, p);
  transparent_ = AlphaOf(argb) != 255;
}

void Picture::UpdateTransparentFlag() {
  transparent_ = false;
  size_t n = static_cast<size_t>(width_) * height_;
  for (size_t i = 0; i < n; ++i) {
    if ((bits_[i] >> 24) != 255) {
      transparent_ = true;
      return;
    }
  }
}

void Picture::MakeOpaque() {
  if (Empty()) return;
  if (canvas_) GdiFlush();
  size_t n = static_cast<size_t>(width_) * height_;
  for (size_t i = 0; i < n; ++i) bits_[i] |= 0xFF000000u;
  transparent_ = false;
}

// ---- loading and saving --------------------------------------------------

bool Picture::LoadFromFile(const std::string& path, std::string* error) {
  std::vector<uint8_t> data;
  if (!ReadWholeFile(path, data, error)) return false;
  std::string why;
  if (!LoadFromMemory(data.data(), data.size(), &why)) {
    SetError(error, why + ": " + path);
    return false;
  }
  return true;
}

bool Picture::LoadFromResource(const wchar_t* name, std::string* error) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC res = FindResourceW(module, name, MAKEINTRESOURCEW(10));  // RT_RCDATA
  HGLOBAL data = res ? LoadResource(module, res) : nullptr;
  const void* bytes = data ? LockResource(data) : nullptr;
  const DWORD size = res ? SizeofResource(module, res) : 0;
  if (!bytes || !size) {
    SetError(error, "No such resource");
    return false;
  }
  return LoadFromMemory(bytes, size, error);
}

bool Picture::LoadFromMemory(const void* data, size_t size, std::string* error) {
  if (!data || size == 0 || size > kMaxFileBytes) {
    SetError(error, "Not a picture (empty)");
    return false;
  }
  IWICImagingFactory* factory = WicFactoryOrError(error);
  if (!factory) return false;
  Com<IWICStream> stream;
  Com<IWICBitmapDecoder> decoder;
  Com<IWICBitmapFrameDecode> frame;
  Com<IWICFormatConverter> converter;
  UINT w = 0, h = 0;
  HRESULT hr = factory->CreateStream(stream.put());
  if (SUCCEEDED(hr))
    hr = stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(data)),
                                      static_cast<DWORD>(size));
  if (SUCCEEDED(hr) &&
      !CreateDecoderBySignature(static_cast<const uint8_t*>(data), size, stream.get(),
                                decoder.put()))
    hr = factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                          decoder.put());
  if (SUCCEEDED(hr)) hr = decoder->GetFrame(0, frame.put());
  if (SUCCEEDED(hr)) hr = frame->GetSize(&w, &h);
  if (FAILED(hr)) {
    SetError(error, "Not a picture or damaged (" + HexResult(hr) + ")");
    return false;
  }
  if (w == 0 || h == 0 || w > 0x7FFFFFFF || h > 0x7FFFFFFF ||
      static_cast<uint64_t>(w) * h > kMaxPixels) {
    SetError(error, "Picture size not supported");
    return false;
  }
  hr = factory->CreateFormatConverter(converter.put());
  if (SUCCEEDED(hr))
    hr = converter->Initialize(frame.get(), GUID_WICPixelFormat32bppPBGRA,
                               WICBitmapDitherTypeNone, nullptr, 0.0,
                               WICBitmapPaletteTypeCustom);
  if (FAILED(hr)) {
    SetError(error, "Picture format not supported (" + HexResult(hr) + ")");
    return false;
  }
  Picture decoded;
  if (!decoded.Allocate(static_cast<int>(w), static_cast<int>(h))) {
    SetError(error, "Out of memory for the picture");
    return false;
  }
  hr = converter->CopyPixels(nullptr, w * 4, w * h * 4, reinterpret_cast<BYTE*>(decoded.bits_));
  if (FAILED(hr)) {
    SetError(error, "Picture data damaged (" + HexResult(hr) + ")");
    return false;
  }
  decoded.UpdateTransparentFlag();
  Swap(decoded);
  return true;
}

bool Picture::AssignBitmap(HBITMAP bitmap) {
  DIBSECTION ds{};
  int got = bitmap ? GetObjectW(bitmap, sizeof ds, &ds) : 0;
  if (got < static_cast<int>(sizeof(BITMAP)) || ds.dsBm.bmWidth <= 0 || ds.dsBm.bmHeight <= 0)
    return false;
  Picture copy;
  if (!copy.Allocate(ds.dsBm.bmWidth, ds.dsBm.bmHeight)) return false;
  const int w = copy.width_, h = copy.height_;
  // Any bitmap as 32-bit top-down rows; a 32-bit source keeps its alpha bytes.
  BITMAPINFO bi = TopDown32(w, h);
  GdiFlush();
  const int lines = GetDIBits(ScreenDc(), bitmap, 0, static_cast<UINT>(h), copy.bits_, &bi, DIB_RGB_COLORS);
  if (lines != h) return false;
  // Only a 32-bit DIB section carries alpha; a device bitmap's top bytes mean nothing.
  bool haveAlpha = false;
  if (got == sizeof(DIBSECTION) && ds.dsBm.bmBitsPixel == 32) {
    size_t n = static_cast<size_t>(w) * h;
    for (size_t i = 0; i < n && !haveAlpha; ++i) haveAlpha = (copy.bits_[i] >> 24) != 0;
  }
  if (haveAlpha)
    copy.UpdateTransparentFlag();
  else
    copy.MakeOpaque();
  Swap(copy);
  return true;
}

bool Picture::SaveToFile(const std::string& path, std::string* error) const {
  if (Empty()) {
    SetError(error, "Empty picture");
    return false;
  }
  const bool png = IEndsWith(path, ".png");
  const bool jpeg = IEndsWith(path, ".jpg") || IEndsWith(path, ".jpeg");
  if (!png && !jpeg && !IEndsWith(path, ".bmp")) {
    SetError(error, "Unknown picture type: " + path);
    return false;
  }
  if (canvas_) GdiFlush();
  IWICImagingFactory* factory = WicFactoryOrError(error);
  if (!factory) return false;
  // Rows in the encoder's format: straight BGRA for PNG, BGR otherwise.
  const UINT stride = png ? width_ * 4 : ((width_ * 3 + 3) & ~3u);
  std::vector<uint8_t> rows(static_cast<size_t>(stride) * height_);
  for (int y = 0; y < height_; ++y) {
    uint8_t* dst = rows.data() + static_cast<size_t>(y) * stride;
    for (int x = 0; x < width_; ++x) {
      uint32_t p = png ? Unpremultiply(bits_[static_cast<size_t>(y) * width_ + x])
                       : bits_[static_cast<size_t>(y) * width_ + x];
      *dst++ = BlueOf(p);
      *dst++ = GreenOf(p);
      *dst++ = RedOf(p);
      if (png) *dst++ = AlphaOf(p);
    }
  }
  Com<IStream> memory;
  Com<IWICBitmapEncoder> encoder;
  Com<IWICBitmapFrameEncode> frame;
  Com<IPropertyBag2> options;
  HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, memory.put());
  if (SUCCEEDED(hr))
    hr = factory->CreateEncoder(png    ? GUID_ContainerFormatPng
                                : jpeg ? GUID_ContainerFormatJpeg
                                       : GUID_ContainerFormatBmp,
                                nullptr, encoder.put());
  if (SUCCEEDED(hr)) hr = encoder->Initialize(memory.get(), WICBitmapEncoderNoCache);
  if (SUCCEEDED(hr)) hr = encoder->CreateNewFrame(frame.put(), options.put());
  if (SUCCEEDED(hr)) hr = frame->Initialize(options.get());
  if (SUCCEEDED(hr)) hr = frame->SetSize(width_, height_);
  WICPixelFormatGUID format = png ? GUID_WICPixelFormat32bppBGRA : GUID_WICPixelFormat24bppBGR;
  if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
  if (SUCCEEDED(hr) &&
      !IsEqualGUID(format, png ? GUID_WICPixelFormat32bppBGRA : GUID_WICPixelFormat24bppBGR))
    hr = WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
  if (SUCCEEDED(hr))
    hr = frame->WritePixels(height_, stride, static_cast<UINT>(rows.size()), rows.data());
  if (SUCCEEDED(hr)) hr = frame->Commit();
  if (SUCCEEDED(hr)) hr = encoder->Commit();
  HGLOBAL global = nullptr;
  if (SUCCEEDED(hr)) hr = GetHGlobalFromStream(memory.get(), &global);
  STATSTG stat{};
  if (SUCCEEDED(hr)) hr = memory->Stat(&stat, STATFLAG_NONAME);
  if (FAILED(hr)) {
    SetError(error, "Cannot encode the picture (" + HexResult(hr) + ")");
    return false;
  }
  const void* bytes = GlobalLock(global);
  bool ok = bytes && WriteWholeFile(path, bytes, static_cast<size_t>(stat.cbSize.QuadPart), error);
  if (bytes) GlobalUnlock(global);
  return ok;
}

// ---- pixels --------------------------------------------------------------

uint32_t Picture::PixelPremultiplied(int x, int y) const {
  if (Empty() || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  if (canvas_) GdiFlush();
  return bits_[static_cast<size_t>(y) * width_ + x];
}

uint32_t Picture::Pixel(int x, int y) const {
  if (Empty() || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  uint32_t p = PixelPremultiplied(x, y);
  // An opaque picture's alpha bytes mean nothing (GDI drawing leaves them 0).
  return transparent_ ? Unpremultiply(p) : (p | 0xFF000000u);
}

void Picture::SetPixel(int x, int y, uint32_t argb) {
  if (Empty() || x < 0 || y < 0 || x >= width_ || y >= height_) return;
  if (canvas_) GdiFlush();
  bits_[static_cast<size_t>(y) * width_ + x] = Premultiply(argb);
  if (AlphaOf(argb) != 255) transparent_ = true;
}

// ---- drawing -------------------------------------------------------------

HDC Picture::Canvas() {
  if (Empty()) return nullptr;
  if (!canvas_) {
    canvas_ = CreateCompatibleDC(nullptr);
    if (!canvas_) return nullptr;
    canvasOld_ = SelectObject(canvas_, bitmap_);
  }
  return canvas_;
}

void Picture::ReleaseCanvas() {
  if (!canvas_) return;
  GdiFlush();
  SelectObject(canvas_, canvasOld_);
  DeleteDC(canvas_);
  canvas_ = nullptr;
  canvasOld_ = nullptr;
}

namespace {

// The picture's bitmap in a memory DC for one drawing call: the picture's own
// canvas when it has one (a bitmap can be selected into one DC only).
class SourceDc {
 public:
  SourceDc(HDC canvas, HBITMAP bitmap) : dc_(canvas) {
    if (dc_) return;
    own_.emplace();
    if (!*own_) return;
    select_.emplace(*own_, bitmap);
    dc_ = *own_;
  }
  HDC get() const { return dc_; }

 private:
  HDC dc_ = nullptr;
  std::optional<MemoryDc> own_;
  std::optional<SelectIn> select_;
};

}  // namespace

void Picture::Draw(HDC dc, int x, int y) const {
  if (Empty() || !dc) return;
  SourceDc src(canvas_, bitmap_);
  if (!src.get()) return;
  if (transparent_) {
    BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dc, x, y, width_, height_, src.get(), 0, 0, width_, height_, bf);
  } else {
    BitBlt(dc, x, y, width_, height_, src.get(), 0, 0, SRCCOPY);
  }
}

void Picture::DrawStretched(HDC dc, const RECT& dest) const {
  const int dw = dest.right - dest.left, dh = dest.bottom - dest.top;
  if (Empty() || !dc || dw <= 0 || dh <= 0) return;
  if (dw == width_ && dh == height_) {
    Draw(dc, dest.left, dest.top);
    return;
  }
  SourceDc src(canvas_, bitmap_);
  if (!src.get()) return;
  if (transparent_) {
    BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dc, dest.left, dest.top, dw, dh, src.get(), 0, 0, width_, height_, bf);
  } else {
    int oldMode = SetStretchBltMode(dc, HALFTONE);
    POINT oldOrg{};
    SetBrushOrgEx(dc, 0, 0, &oldOrg);
    StretchBlt(dc, dest.left, dest.top, dw, dh, src.get(), 0, 0, width_, height_, SRCCOPY);
    SetBrushOrgEx(dc, oldOrg.x, oldOrg.y, nullptr);
    SetStretchBltMode(dc, oldMode);
  }
}

HBITMAP Picture::CreateBitmap() const {
  if (Empty()) return nullptr;
  if (canvas_) GdiFlush();
  uint32_t* bits = nullptr;
  HBITMAP bmp = CreateTopDownDib(width_, height_, &bits);
  if (bmp) std::memcpy(bits, bits_, static_cast<size_t>(width_) * height_ * 4);
  return bmp;
}

HICON Picture::CreateIcon() const {
  if (Empty()) return nullptr;
  if (canvas_) GdiFlush();
  // Icons carry straight (not premultiplied) alpha.
  uint32_t* bits = nullptr;
  const OwnedBitmap color(CreateTopDownDib(width_, height_, &bits));
  if (!color) return nullptr;
  size_t n = static_cast<size_t>(width_) * height_;
  for (size_t i = 0; i < n; ++i)
    bits[i] = transparent_ ? Unpremultiply(bits_[i]) : (bits_[i] | 0xFF000000u);
  // An all-zero mask: the alpha channel alone decides what shows.
  std::vector<uint8_t> maskBits(static_cast<size_t>((width_ + 15) / 16 * 2) * height_, 0);
  const OwnedBitmap mask(::CreateBitmap(width_, height_, 1, 1, maskBits.data()));
  ICONINFO ii{};
  ii.fIcon = TRUE;
  ii.hbmColor = color.get();
  ii.hbmMask = mask.get();
  return mask ? CreateIconIndirect(&ii) : nullptr;
}

// ---- cache ---------------------------------------------------------------

namespace {

struct CacheEntry {
  std::shared_ptr<const Picture> picture;
  FILETIME written{};
  uint64_t size = 0;
};

std::mutex g_cacheMutex;
std::map<std::string, CacheEntry> g_cache;

std::string CacheKey(const std::string& path) { return UpperLocale(ExpandFileName(path)); }

}  // namespace

std::shared_ptr<const Picture> LoadPictureCached(const std::string& path, std::string* error) {
  const std::string key = CacheKey(path);
  WIN32_FILE_ATTRIBUTE_DATA fad{};
  uint64_t size = 0;
  {
    std::lock_guard<std::mutex> lock(g_cacheMutex);
    if (!GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &fad) ||
        (fad.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      g_cache.erase(key);
      SetError(error, "File not found: " + path);
      return nullptr;
    }
    size = (static_cast<uint64_t>(fad.nFileSizeHigh) << 32) | fad.nFileSizeLow;
    auto it = g_cache.find(key);
    if (it != g_cache.end() && it->second.size == size &&
        CompareFileTime(&it->second.written, &fad.ftLastWriteTime) == 0)
      return it->second.picture;
  }
  // Decoded outside the lock: a thread that decodes one file does not hold
  // up another that wants a picture already decoded. Two threads decoding
  // the same file at once both get a good picture; the later one is kept.
  auto picture = std::make_shared<Picture>();
  const bool ok = picture->LoadFromFile(path, error);
  std::lock_guard<std::mutex> lock(g_cacheMutex);
  if (!ok) {
    g_cache.erase(key);
    return nullptr;
  }
  CacheEntry entry;
  entry.picture = picture;
  entry.written = fad.ftLastWriteTime;
  entry.size = size;
  g_cache[key] = std::move(entry);
  return picture;
}

void ClearPictureCache() {
  std::lock_guard<std::mutex> lock(g_cacheMutex);
  g_cache.clear();
}

size_t PictureCacheSize() {
  std::lock_guard<std::mutex> lock(g_cacheMutex);
  return g_cache.size();
}

}  // namespace qz::ui
