// Message pumping for long loops on the GUI thread. The window layer installs
// its own pump (the application's ProcessMessages); until then a plain
// PeekMessage loop is used. Engines call these, never window code.
#pragma once

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

}  // namespace qz
