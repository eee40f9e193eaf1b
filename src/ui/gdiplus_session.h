// GDI+ for the process. The start-up creates one GdiplusSession that lives
// until the program ends; GDI+ runs from its construction to its destruction.
// Sessions nest: only the first starts GDI+ and only the last shuts it down.
#pragma once

namespace qz::ui {

class GdiplusSession {
 public:
  GdiplusSession();
  ~GdiplusSession();
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;

  // False when GDI+ could not be started.
  bool ok() const { return ok_; }
  // Whether any session holds GDI+ running now.
  static bool Running();

 private:
  bool ok_ = false;
};

// For drawing code that may run without the start-up's session (tests, tools):
// starts GDI+ when no session runs and keeps it for the rest of the process.
// True when GDI+ is running afterwards. GUI thread only.
bool EnsureGdiplus();

}  // namespace qz::ui
