// The message pump's throttle on a clock the test moves, so no test waits for
// the interval to pass. While one lives it replaces the real clock.
#pragma once

#include <cstdint>

#include "core/pump.h"

namespace qz::test {

class TestPumpClock {
 public:
  // everyCall: the clock jumps a minute at each reading, so every throttled
  // pump runs (a Cancel set in the pump is seen at the very next item).
  explicit TestPumpClock(bool everyCall = false) : everyCall_(everyCall) {
    SetPumpClock([this] { return everyCall_ ? (now_ += 60000) : now_; });
  }
  ~TestPumpClock() { SetPumpClock(nullptr); }
  TestPumpClock(const TestPumpClock&) = delete;
  TestPumpClock& operator=(const TestPumpClock&) = delete;

  void Advance(int64_t ms) { now_ += ms; }

 private:
  bool everyCall_;
  int64_t now_ = 0;
};

}  // namespace qz::test
