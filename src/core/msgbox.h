// The one entry point for message boxes. Every box of the program goes
// through ShowMessageBox, so tests can replace the dialog with a hook that
// records the request and answers it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace qz {

enum class MsgKind { None, Error, Warning, Information, Question };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };

struct MessageBoxRequest {
  HWND owner = nullptr;
  std::string text;
  std::string caption;
  MsgKind kind = MsgKind::None;
  MsgButtons buttons = MsgButtons::Ok;
};

// Shows the box and returns the button pressed (IDOK, IDYES, IDNO, IDCANCEL).
// An empty caption means the application title (ProductTitle).
int ShowMessageBox(HWND owner, const std::string& text, MsgKind kind,
                   MsgButtons buttons = MsgButtons::Ok, const std::string& caption = {});

// A hook answers instead of the dialog (nullptr restores the dialog).
using MessageBoxHook = std::function<int(const MessageBoxRequest&)>;
void SetMessageBoxHook(MessageBoxHook hook);

}  // namespace qz
