#include "core/pump.h"

#include <windows.h>

#include <cstdint>
#include <utility>

namespace qz {

namespace {

std::function<void()>& InstalledPump() {
  static std::function<void()> pump;
  return pump;
}

std::function<int64_t()>& InstalledClock() {
  static std::function<int64_t()> clock;
  return clock;
}

int64_t NowMs() { return InstalledClock() ? InstalledClock()() : CounterMs(); }

int64_t g_lastPump = -(int64_t{1} << 40);  // long ago: the first call pumps

// The plain pump: everything pending is translated and dispatched. A WM_QUIT
// met here is posted again so that the message loop still ends.
void PlainPump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace

int64_t CounterMs() {
  // The tick count can lag behind by a whole timer period.
  static const int64_t freq = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f.QuadPart;
  }();
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return c.QuadPart / freq * 1000 + c.QuadPart % freq * 1000 / freq;
}

void SetMessagePump(std::function<void()> pump) { InstalledPump() = std::move(pump); }

void SetPumpClock(std::function<int64_t()> clock) {
  InstalledClock() = std::move(clock);
  g_lastPump = -(int64_t{1} << 40);
}

void PumpMessages() {
  g_lastPump = NowMs();
  if (InstalledPump())
    InstalledPump()();
  else
    PlainPump();
}

bool PumpMessagesThrottled(unsigned intervalMs) {
  if (NowMs() - g_lastPump < static_cast<int64_t>(intervalMs)) return false;
  PumpMessages();
  return true;
}

}  // namespace qz
