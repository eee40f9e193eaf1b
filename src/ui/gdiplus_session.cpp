#include "ui/gdiplus_session.h"

#include <windows.h>
#include <objidl.h>  // before gdiplus.h: WIN32_LEAN_AND_MEAN leaves it out
#include <gdiplus.h>

#include <mutex>

namespace qz::ui {

namespace {

std::mutex g_mutex;
int g_count = 0;
ULONG_PTR g_token = 0;

}  // namespace

GdiplusSession::GdiplusSession() {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_count == 0) {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return;
    g_token = token;
  }
  ++g_count;
  ok_ = true;
}

GdiplusSession::~GdiplusSession() {
  if (!ok_) return;
  std::lock_guard<std::mutex> lock(g_mutex);
  if (--g_count == 0) {
    Gdiplus::GdiplusShutdown(g_token);
    g_token = 0;
  }
}

bool GdiplusSession::Running() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_count > 0;
}

bool EnsureGdiplus() {
  if (GdiplusSession::Running()) return true;
  // Ends with the process's static objects, after every start-up session.
  static GdiplusSession fallback;
  return fallback.ok() || GdiplusSession::Running();
}

}  // namespace qz::ui
