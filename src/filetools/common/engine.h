// What the file tools' engines share: what they report while they run, how
// they notice a stop request, and the boxes they hand to their windows.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
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

// A text placed into a rich label's markup as it stands ("&", "<", ">"
// escaped): file names may hold "&".
inline std::string EscapeMarkup(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '&')
      out += "&amp;";
    else if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else
      out.push_back(c);
  }
  return out;
}

// Replaces "%1", "%2", ... with the values in one pass, so a value that
// itself holds "%2" stays as it is.
inline std::string FillPlaceholders(const std::string& text, std::initializer_list<std::string> values) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' &&
        static_cast<size_t>(text[i + 1] - '1') < values.size()) {
      out += *(values.begin() + (text[i + 1] - '1'));
      ++i;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

// Pumps the window messages (throttled by time) and tells whether a stop was
// requested (AbortFlag = 1, set when the window is closed during a run).
inline bool StopRequested() {
  PumpMessagesThrottled();
  return AbortFlag != 0;
}

}  // namespace qz::ft
