// An opt-in trace of the start-up, for measuring it from inside. When the
// environment variable QZ_TRACE_FILE names a file, every traced step appends
// one line to it:
//
//   <ms since the process was created>\t<ms since program entry>\t<step>\r\n
//
// (milliseconds with three decimals; the process time comes from
// GetProcessTimes at TraceInit, both then advance by the high-resolution
// performance counter). Without the variable nothing is written and nothing
// else changes. Steps of the program: "entry", "skins", "language",
// "language-file", "splash-shown", "main-window", "skin-built", "splash-freed",
// "main-shown", "first-run", "one-click", "message-loop", "first-paint" (the
// main window's first WM_PAINT has been painted), "exit".
#pragma once

namespace qz::shell {

// Reads the variable and takes the reference times; call first in the program entry.
void TraceInit();
// Appends the step's line (nothing when the trace is off).
void TraceStep(const char* step);
bool TraceEnabled();

}  // namespace qz::shell
