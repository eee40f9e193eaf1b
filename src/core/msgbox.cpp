#include "core/msgbox.h"

#include "core/globals.h"
#include "core/text.h"

namespace qz {

namespace {
MessageBoxHook& Hook() {
  static MessageBoxHook hook;
  return hook;
}
}  // namespace

void SetMessageBoxHook(MessageBoxHook hook) { Hook() = std::move(hook); }

int ShowMessageBox(HWND owner, const std::string& text, MsgKind kind, MsgButtons buttons,
                   const std::string& caption) {
  MessageBoxRequest req{owner, text, caption.empty() ? ProductTitle : caption, kind, buttons};
  if (Hook()) return Hook()(req);
  UINT flags = 0;
  switch (kind) {
    case MsgKind::Error: flags |= MB_ICONERROR; break;
    case MsgKind::Warning: flags |= MB_ICONWARNING; break;
    case MsgKind::Information: flags |= MB_ICONINFORMATION; break;
    case MsgKind::Question: flags |= MB_ICONQUESTION; break;
    case MsgKind::None: break;
  }
  switch (buttons) {
    case MsgButtons::Ok: flags |= MB_OK; break;
    case MsgButtons::OkCancel: flags |= MB_OKCANCEL; break;
    case MsgButtons::YesNo: flags |= MB_YESNO; break;
    case MsgButtons::YesNoCancel: flags |= MB_YESNOCANCEL; break;
  }
  if (!owner) flags |= MB_TASKMODAL;
  return MessageBoxExW(owner, Widen(req.text).c_str(), Widen(req.caption).c_str(), flags, 0);
}

}  // namespace qz
