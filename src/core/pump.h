// Message pumping for long loops on the GUI thread. The window layer installs
// its own pump (the application's ProcessMessages); until then a plain
// PeekMessage loop is used. Engines call these, never window code.
#pragma once

#include <cstdint>
#include <functional>

namespace qz {

// Replaces the pump (nullptr restores the plain one).
void SetMessagePump(std::function<void()> pump);
// Processes the pending messages now.
void PumpMessages();
// Processes the pending messages when at least the interval has passed since
// the last pump (by time, not per item: one empty pump costs ~55 us under
// Wine). Returns true when it pumped.
bool PumpMessagesThrottled(unsigned intervalMs = 30);

// Milliseconds on the performance counter: a monotonic clock of any thread
// (the throttle's real clock; a test clock set below does not change it).
int64_t CounterMs();

// The clock the throttle reads, in milliseconds (the performance counter).
// Tests set their own to decide when a throttled pump runs, instead of
// waiting for the interval to pass (nullptr restores the real one).
void SetPumpClock(std::function<int64_t()> clock);

}  // namespace qz
