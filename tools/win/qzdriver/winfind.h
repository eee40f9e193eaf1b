// Finding the windows, named controls and message boxes of another process.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qzdriver {

std::wstring Widen(const std::string& s);
std::string Narrow(const std::wstring& s);

// Text of any window, also of another process.
std::string WindowText(HWND h);
std::string ClassOf(HWND h);
// The component Name the window layer put on the window ("" when none).
std::string ComponentName(HWND h);

// Visible top-level windows of a process, in z-order (topmost first).
std::vector<HWND> VisibleTopWindows(DWORD pid);

// One named control of a window: either a window of its own, or a windowless
// (graphic) control painted by its container.
struct ControlInfo {
  std::string name;
  std::string cls;
  HWND hwnd = nullptr;       // the control's window; nullptr for a windowless control
  HWND container = nullptr;  // the window that paints a windowless control
  RECT rect{};               // windowless: bounds in the container's client coordinates
  bool visible = false;      // also every parent visible
  bool enabled = false;
  std::string caption;
  int depth = 0;             // nesting below the top-level window (for listings)
};

// Every named window below `top` and every windowless control of every
// container of the window layer (the top window itself included), in tree
// order. Windowless controls come from the layer's describe message; a
// container that does not answer within the timeout is skipped.
std::vector<ControlInfo> ListControls(HWND top);

// The first control named `name` (a visible one preferred); false when none.
bool FindControl(HWND top, const std::string& name, ControlInfo& out);

// The message box's parts (a top-level "#32770" dialog).
struct BoxButton {
  int id = 0;
  std::string caption;  // without the '&' mnemonic marks
  HWND hwnd = nullptr;
};
struct BoxInfo {
  HWND hwnd = nullptr;
  std::string caption;
  std::string text;
  std::vector<BoxButton> buttons;
};
bool IsDialogBox(HWND h);
BoxInfo ReadBox(HWND box);

}  // namespace qzdriver
