// The application object: title, main form, the message loop, and the
// exception barrier every window procedure and event dispatch runs in.
//
// - App() is the one application object, made on first use on the GUI
//   thread. It installs its ProcessMessages as the core message pump
//   (core/pump.h), so the start-up touches it before anything pumps.
// - Post() runs a closure on the GUI thread at the next pump; any thread may
//   call it (worker threads deliver their results this way).
// - Run() loops until the main form closes or Terminate() is called. Each
//   message goes through PreTranslate of the active form (dialog keys:
//   Tab, Enter = default button, Escape = cancel button, mnemonics; F1 =
//   help), then TranslateMessage/DispatchMessage.
// - ProcessMessages() handles what is queued and returns; it may be called
//   from inside handlers at any depth (re-entrancy safe). The throttled
//   variant pumps at most once per interval, for loops over many items.
// - The barrier: a C++ exception that leaves a handler is caught where the
//   message entered the layer (no exception unwinds through Win32) and shown
//   in an error box (caption = title, owner = active form). SilentAbort
//   (thrown by qz::ui::Abort()) is caught and shows nothing.
//
// Deriving a new windowed control: see control.h.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <string>
#include <utility>

#include "core/msgbox.h"
#include "ui/component.h"
#include "ui/form.h"

namespace qz::ui {

// An exception that ends the running handler without any message.
class SilentAbort : public std::exception {
 public:
  const char* what() const noexcept override { return "Operation aborted"; }
};
[[noreturn]] void Abort();

class Application : public Component {
 public:
  Application();
  ~Application() override;

  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& title);
  HINSTANCE Instance() const;

  Form* MainForm() const { return mainForm_; }
  void SetMainForm(Form* f) { mainForm_ = f; }

  // Makes a form into `ref`: constructs it, stores it in `ref` (before its
  // creation handler runs, as the handler may use the variable), runs
  // DoCreate. The first form made this way becomes the main form.
  template <class T, class... Args>
  T* CreateForm(T*& ref, Args&&... args) {
    ref = new T(std::forward<Args>(args)...);
    if (!mainForm_ && mainFormAuto_) mainForm_ = ref;
    ref->DoCreate();
    return ref;
  }
  // Whether CreateForm makes its first form the main form (default true).
  void SetAutoMainForm(bool on) { mainFormAuto_ = on; }

  // Runs the message loop until the main form closes or Terminate(); shows
  // the main form first when ShowMainForm is on.
  void Run();
  bool ShowMainForm = true;
  // Handles the queued messages and returns.
  void ProcessMessages();
  // Waits for one message and handles it (false after WM_QUIT).
  bool HandleMessage();
  // Nesting depth of message loops right now (Run, ShowModal, ProcessMessages).
  int PumpDepth() const { return pumpDepth_; }

  void Terminate();
  bool Terminated() const { return terminated_; }
  // Clears the terminated state (tests run several loops in one process).
  // (Drops a pending WM_QUIT too.)
  void ResetTerminated();
  void Minimize();
  void Restore();

  // The form that is active (has the focus), or the main form; may be nullptr.
  Form* ActiveForm() const;

  // Runs `fn` inside the barrier; false when it threw.
  bool Guard(const std::function<void()>& fn);
  // Shows an exception caught by the barrier (or runs OnException instead).
  void HandleException(std::exception_ptr e);
  // Replaces the display of caught exceptions (nullptr: the error box).
  std::function<void(const std::string& message)> OnException;

  // Help requests of every form (F1, help buttons): the one replaceable hook.
  using HelpHook = std::function<void(Form* form, int helpContext, const std::string& keyword)>;
  void SetHelpHook(HelpHook hook) { helpHook_ = std::move(hook); }
  void RequestHelp(Form* form);
  // A form deferred a close request because its handler is running (after
  // the form's own OnDeferredClose, when it has none). The program sets its
  // cancel flag here.
  std::function<void(Form* form)> OnDeferredClose;

  // Runs `fn` on the GUI thread when the loop next pumps (any thread may call).
  void Post(std::function<void()> fn);

  // Message box owned by `owner` (its window; nullptr: the active form),
  // captioned with the title, through qz::ShowMessageBox (hookable).
  int ShowBox(const Control* owner, const std::string& text, MsgKind kind,
                 MsgButtons buttons = MsgButtons::Ok);

  // The hidden window that carries timers and posted calls.
  HWND UtilityWindow();

 private:
  friend class Form;
  friend class WinControl;
  bool PreTranslate(MSG& msg);
  void DispatchOne(MSG& msg);

  std::string title_;
  Form* mainForm_ = nullptr;
  bool mainFormAuto_ = true;
  bool terminated_ = false;
  int pumpDepth_ = 0;
  HelpHook helpHook_;
  HWND utility_ = nullptr;
};

// The application object.
Application& App();

// Runs `fn` inside the exception barrier (as App().Guard).
inline bool Guarded(const std::function<void()>& fn) { return App().Guard(fn); }

// Message boxes captioned with the application title.
int MessageDlg(const Control* owner, const std::string& text, MsgKind kind,
               MsgButtons buttons = MsgButtons::Ok);
// An information box without icon and an OK button.
void ShowMessage(const std::string& text, const Control* owner = nullptr);

}  // namespace qz::ui
