// What the file tools' engines report while they run, and how they notice a
// stop request.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/globals.h"
#include "core/msgbox.h"
#include "core/pump.h"

namespace qz::ft {

struct RunHooks {
  // The work begins (the window shows its progress page): the bar's maximum.
  std::function<void(int64_t maximum)> OnStart;
  // The bar's position.
  std::function<void(int64_t position)> OnProgress;

  void Start(int64_t maximum) const {
    if (OnStart) OnStart(maximum);
  }
  void Progress(int64_t position) const {
    if (OnProgress) OnProgress(position);
  }
};

// A box the window shows for an outcome: the translated text and its icon.
// An empty text shows nothing.
struct Message {
  std::string Text;
  MsgKind Kind = MsgKind::None;
};

// Pumps the window messages (throttled by time) and tells whether a stop was
// requested (AbortFlag = 1, set when the window is closed during a run).
inline bool StopRequested() {
  PumpMessagesThrottled();
  return AbortFlag != 0;
}

}  // namespace qz::ft
