// The floor of the start-up benchmark: the least a program must do to show
// one shaped window. It loads a bitmap from a file, cuts the window outline
// where the bitmap has its transparent colour (the colour of the bottom-left
// pixel), shows a borderless window of the bitmap's size in the middle of the
// screen and paints the bitmap. Closing the window ends it with exit code 0.
//
//   bench_shaped.exe [BITMAP.bmp]   default: the installed default skin's
//                                   Background.bmp
//
// With QZ_TRACE_FILE set it appends the same lines as the product's start-up
// trace ("<ms since process creation>\t<ms since entry>\t<step>"): "entry",
// "bitmap-loaded", "window-made", "region-set", "main-shown", "first-paint".
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr const wchar_t* kDefaultBitmap =
    L"C:\\Program Files\\Brinvale\\Brinvale Sysvantor Quenzal Suite 2\\Skins\\default\\Background.bmp";

// ---- trace ---------------------------------------------------------------

std::wstring g_traceFile;
LARGE_INTEGER g_freq{}, g_entry{};
double g_processMsAtEntry = 0;

uint64_t Value(const FILETIME& ft) { return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime; }

void TraceInit() {
  wchar_t buf[MAX_PATH * 2];
  DWORD n = GetEnvironmentVariableW(L"QZ_TRACE_FILE", buf, MAX_PATH * 2);
  if (n == 0 || n >= MAX_PATH * 2) return;
  g_traceFile.assign(buf, n);
  QueryPerformanceFrequency(&g_freq);
  QueryPerformanceCounter(&g_entry);
  FILETIME creation, exitTime, kernel, user, now;
  if (GetProcessTimes(GetCurrentProcess(), &creation, &exitTime, &kernel, &user)) {
    GetSystemTimeAsFileTime(&now);
    if (Value(now) > Value(creation)) g_processMsAtEntry = static_cast<double>(Value(now) - Value(creation)) / 10000.0;
  }
}

void Trace(const char* step) {
  if (g_traceFile.empty()) return;
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  double since = static_cast<double>(now.QuadPart - g_entry.QuadPart) * 1000.0 / static_cast<double>(g_freq.QuadPart);
  char line[128];
  int len = snprintf(line, sizeof line, "%.3f\t%.3f\t%s\r\n", g_processMsAtEntry + since, since, step);
  HANDLE h = CreateFileW(g_traceFile.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD done = 0;
  WriteFile(h, line, static_cast<DWORD>(len), &done, nullptr);
  CloseHandle(h);
}

// ---- region ----------------------------------------------------------------

// Unites regions pairwise, so that no single union grows large.
HRGN UniteAll(std::vector<HRGN> parts) {
  if (parts.empty()) return nullptr;
  while (parts.size() > 1) {
    std::vector<HRGN> next;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
      CombineRgn(parts[i], parts[i], parts[i + 1], RGN_OR);
      DeleteObject(parts[i + 1]);
      next.push_back(parts[i]);
    }
    if (parts.size() % 2) next.push_back(parts.back());
    parts.swap(next);
  }
  return parts[0];
}

// The region of every pixel that is not the transparent colour: one
// rectangle per run of a row, made into regions 32 rectangles at a time.
HRGN RegionFromBitmap(HBITMAP bmp, int w, int h) {
  std::vector<uint32_t> px(static_cast<size_t>(w) * h);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  HDC dc = GetDC(nullptr);
  GetDIBits(dc, bmp, 0, h, px.data(), &bi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  const uint32_t cut = px[static_cast<size_t>(h - 1) * w] & 0xFFFFFF;
  std::vector<RECT> rects;
  for (int y = 0; y < h; ++y) {
    const uint32_t* row = &px[static_cast<size_t>(y) * w];
    int x = 0;
    while (x < w) {
      while (x < w && (row[x] & 0xFFFFFF) == cut) ++x;
      int start = x;
      while (x < w && (row[x] & 0xFFFFFF) != cut) ++x;
      if (x > start) rects.push_back(RECT{start, y, x, y + 1});
    }
  }
  std::vector<HRGN> parts;
  constexpr size_t kBlock = 32;
  std::vector<char> buf(sizeof(RGNDATAHEADER) + kBlock * sizeof(RECT));
  for (size_t i = 0; i < rects.size(); i += kBlock) {
    size_t n = std::min(kBlock, rects.size() - i);
    auto* data = reinterpret_cast<RGNDATA*>(buf.data());
    data->rdh.dwSize = sizeof(RGNDATAHEADER);
    data->rdh.iType = RDH_RECTANGLES;
    data->rdh.nCount = static_cast<DWORD>(n);
    data->rdh.nRgnSize = static_cast<DWORD>(n * sizeof(RECT));
    data->rdh.rcBound = RECT{0, rects[i].top, w, rects[i + n - 1].bottom};
    memcpy(data->Buffer, &rects[i], n * sizeof(RECT));
    if (HRGN r = ExtCreateRegion(nullptr, static_cast<DWORD>(sizeof(RGNDATAHEADER) + n * sizeof(RECT)), data))
      parts.push_back(r);
  }
  return UniteAll(std::move(parts));
}

// ---- window ----------------------------------------------------------------

HBITMAP g_bitmap = nullptr;
int g_w = 0, g_h = 0;
bool g_painted = false;

void PaintBitmap(HDC dc) {
  HDC mem = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(mem, g_bitmap);
  BitBlt(dc, 0, 0, g_w, g_h, mem, 0, 0, SRCCOPY);
  SelectObject(mem, old);
  DeleteDC(mem);
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;  // the bitmap covers everything
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      PaintBitmap(dc);
      EndPaint(hwnd, &ps);
      if (!g_painted) {
        g_painted = true;
        Trace("first-paint");
      }
      return 0;
    }
    case WM_PRINTCLIENT:
      PaintBitmap(reinterpret_cast<HDC>(wp));
      return 0;
    case WM_NCHITTEST:
      return HTCAPTION;  // dragging moves the window, as a skinned window does
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCmd) {
  TraceInit();
  Trace("entry");
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::wstring path = argc > 1 ? argv[1] : kDefaultBitmap;
  LocalFree(argv);

  g_bitmap = static_cast<HBITMAP>(LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  if (!g_bitmap) {
    MessageBoxW(nullptr, (L"Cannot load " + path).c_str(), L"bench_shaped", MB_ICONERROR);
    return 1;
  }
  Trace("bitmap-loaded");
  BITMAP bm;
  GetObjectW(g_bitmap, sizeof bm, &bm);
  g_w = bm.bmWidth;
  g_h = std::abs(bm.bmHeight);

  WNDCLASSW wc{};
  wc.lpfnWndProc = WndProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.lpszClassName = L"QzBenchShaped";
  RegisterClassW(&wc);
  int x = (GetSystemMetrics(SM_CXSCREEN) - g_w) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - g_h) / 2;
  HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"Shaped window floor", WS_POPUP, x, y, g_w, g_h, nullptr,
                              nullptr, instance, nullptr);
  if (!hwnd) return 1;
  Trace("window-made");
  if (HRGN rgn = RegionFromBitmap(g_bitmap, g_w, g_h)) SetWindowRgn(hwnd, rgn, FALSE);  // the window owns it now
  Trace("region-set");
  ShowWindow(hwnd, showCmd == SW_HIDE ? SW_SHOWNORMAL : showCmd);
  Trace("main-shown");
  UpdateWindow(hwnd);

  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  DeleteObject(g_bitmap);
  return static_cast<int>(m.wParam);
}
