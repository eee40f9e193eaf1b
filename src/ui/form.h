// Forms: the top-level windows of the program.
//
// A window of the program derives from Form, builds its controls in its
// constructor (new Button(this, "Button_Weiter"), ...), wires handlers and
// puts the work of its creation handler into FormCreate() (or OnCreate);
// Application::CreateForm runs it once the object is complete:
//
//   class TForm_Example : public qz::ui::Form {
//    public:
//     explicit TForm_Example(Component* owner) : Form(owner, "TForm_Example") {
//       SetBorderStyle(FormBorder::Dialog);
//       SetClientSize(640, 480);
//       auto* ok = new Button(this, "Button_Ok");
//       ok->SetCaption("OK"); ok->SetBounds(10, 10, 75, 25);
//       ok->ModalResult = mrOk; ok->Default = true;
//     }
//    protected:
//     void FormCreate() override { ... }
//   };
//   TForm_Example* Form_Example = nullptr;
//   App().CreateForm(Form_Example, &App());
//   Form_Example->ShowModal(); delete Form_Example; Form_Example = nullptr;
//
// The window (and every control's window) is made without showing it; a
// form that is never shown works fully (code may drive its controls).
//
// Deriving: a form is a WinControl (control.h); override WndProc for more
// messages, FillCreateParams for other styles.
//
// Busy forms and closing. While a handler of the form (any message to the
// form or one of its controls) runs and pumps messages (a long search that
// calls ProcessMessages, a nested modal window), a close request (the system
// close box, Close() from code, a posted WM_CLOSE) is deferred until that
// handler returns; OnDeferredClose (else the application's hook) runs at
// once so the running work can be told to stop. Release() frees the form as
// soon as no handler of it is running. Deleting a form while one of its
// handlers is on the stack is a fault; use Release() from inside handlers.
//
// Test drivers: every window of the layer has the property "QZName" (a
// global atom holding the component Name), so an outside program finds the
// form by its window text/class and its controls by EnumChildWindows +
// GetPropW(hwnd, L"QZName") + GlobalGetAtomNameW. Windowless controls are
// listed by the registered message "QzDescribeGraphics" sent to their
// container (see control.h). The form's own window class is "QzForm".
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/control.h"

namespace qz::ui {

class Button;

// Modal results, the values of the system's dialog ids.
inline constexpr int mrNone = 0;
inline constexpr int mrOk = IDOK;
inline constexpr int mrCancel = IDCANCEL;
inline constexpr int mrAbort = IDABORT;
inline constexpr int mrRetry = IDRETRY;
inline constexpr int mrIgnore = IDIGNORE;
inline constexpr int mrYes = IDYES;
inline constexpr int mrNo = IDNO;
inline constexpr int mrClose = 8;
inline constexpr int mrAll = 12;

enum class FormBorder { None, Dialog, Single, Sizeable, ToolWindow };
enum class WindowState { Normal, Minimized, Maximized };
enum class FormPosition { Designed, ScreenCenter, MainFormCenter };
enum class CloseAction { None, Hide, Free, Minimize };
enum BorderIcon : unsigned { IconSystemMenu = 1, IconMinimize = 2, IconMaximize = 4, IconHelp = 8 };

class Form : public WinControl {
 public:
  explicit Form(Component* owner = nullptr, std::string name = {});
  ~Form() override;

  // The caption is the window title.
  bool HasCaption() const override { return true; }
  std::string Caption() const override { return Text(); }
  void SetCaption(const std::string& c) override { SetText(c); }

  FormBorder BorderStyle() const { return border_; }
  void SetBorderStyle(FormBorder b);
  unsigned BorderIcons() const { return icons_; }
  void SetBorderIcons(unsigned icons);
  FormPosition Position() const { return position_; }
  void SetPosition(FormPosition p) { position_ = p; }

  // Left/Top/Width/Height are the window's screen rectangle.
  void SetClientSize(int width, int height);
  int ClientWidth() const override;
  int ClientHeight() const override;

  WindowState State() const;
  // Maximised before the first show opens the window maximised.
  void SetWindowState(WindowState s);
  // Minimum window size kept while the user resizes (0 = none).
  void SetMinSize(int width, int height);
  int MinWidth() const { return minWidth_; }
  int MinHeight() const { return minHeight_; }
  bool StayOnTop() const { return stayOnTop_; }
  void SetStayOnTop(bool on);
  // Files dropped from the shell arrive in OnDropFiles.
  void SetAcceptFiles(bool on);
  bool AcceptFiles() const { return acceptFiles_; }
  // Window icon (the form does not own it).
  void SetIcon(HICON big, HICON small = nullptr);

  // Shows the window (non-modal), makes it active.
  void Show();
  void Hide() { SetVisible(false); }
  void SetVisible(bool v) override;
  // Shows the window modally: every other enabled window of the thread is
  // disabled, a message loop runs until ModalResult becomes non-zero (or the
  // application terminates), then the window hides and the others are
  // enabled again. Returns ModalResult (mrCancel when the application ended
  // the loop).
  int ShowModal();
  bool IsModal() const { return modal_; }
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int r) { modalResult_ = r; }

  // Asks OnCloseQuery and closes by OnClose's action: hides (a modal form:
  // ModalResult = mrCancel when none), frees (Release), or minimises. The
  // main form's close ends the application. Deferred while busy (above).
  void Close();
  // OnCloseQuery's answer (true when there is no handler).
  virtual bool CloseQuery();
  // Frees the form as soon as none of its handlers runs any more.
  void Release();

  // Whether a handler of this form is running and pumping messages right now.
  bool Busy() const;
  // Whether a close request waits for the running handler.
  bool ClosePending() const { return closePending_; }

  // Runs FormCreate and OnCreate once (Application::CreateForm calls it).
  void DoCreate();

  // The control that has the focus when the form is activated.
  WinControl* ActiveControl() const { return activeControl_; }
  void SetActiveControl(WinControl* c);

  // The buttons Enter and Escape click (the last button set Default / Cancel).
  Button* DefaultButton() const { return defaultButton_; }
  Button* CancelButton() const { return cancelButton_; }
  void SetDefaultButton(Button* b);
  void SetCancelButton(Button* b);

  // Help: F1 on the form (or on any control of it, or the caption's help
  // button) runs OnHelp; when that is not set or answers false, the
  // application's help hook gets the form's HelpContext and HelpKeyword.
  int HelpContext = 0;
  std::string HelpKeyword;
  std::function<bool()> OnHelp;
  // Keys before any control sees them (KeyPreview): set handled to swallow.
  bool KeyPreview = false;
  std::function<void(WPARAM key, bool& handled)> OnFormKeyDown;

  std::function<void()> OnCreate;
  std::function<void(bool& canClose)> OnCloseQuery;
  std::function<void(CloseAction& action)> OnClose;
  std::function<void()> OnShow;
  std::function<void()> OnHide;
  std::function<void()> OnActivate;
  std::function<void()> OnDeactivate;
  std::function<void()> OnDestroy;
  std::function<void(const std::vector<std::string>& files)> OnDropFiles;
  // A close request was deferred because a handler of the form is running.
  std::function<void()> OnDeferredClose;

  // Handles a keyboard message for this form's dialog navigation (Tab,
  // arrows, Enter, Escape, mnemonics) and F1. True when it was used.
  bool PreTranslate(MSG& msg);

  // Hints: every window of the form reports its mouse messages here with
  // the hint under the mouse (a control's Hint and its rectangle in that
  // window; empty text: none). The form keeps one tooltip window with one
  // tool per window of its own, shown by the system after the usual delay.
  void ShowHintTool(HWND window, const RECT& rect, const std::string& text, UINT msg, WPARAM wp, LPARAM lp);
  // A window of the form goes: its tool goes with it.
  void ForgetHintTool(HWND window);
  // The tooltip window (nullptr until a hint was needed).
  HWND HintWindow() const { return hintWindow_; }

 protected:
  virtual void FormCreate() {}
  void FillCreateParams(CreateParams& cp) override;
  void HandleCreated() override;
  void HandleDestroying() override;
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

 public:
  void SetBounds(int left, int top, int width, int height) override;

 private:
  friend class Application;
  friend class Control;
  friend class WinControl;
  friend class Button;
  void Enter();   // a handler of the form starts
  void Leave();   // ... returns
  void DoClose();
  void RunDeferred();
  void CenterOnScreen();
  void ApplyStyles();
  // Sizes the window so its client area is clientW_ x clientH_.
  void ApplyClientSize();
  void ShowHelp();
  void ClickButton(Button* b);
  void CloseModal();
  // Takes a visible window that covers its whole monitor off the screen
  // (minimised, without activation) before it is hidden or destroyed.
  void LeaveScreenBeforeHiding();
  void ScheduleDeferred();
  void FocusFirst();

  FormBorder border_ = FormBorder::Sizeable;
  unsigned icons_ = IconSystemMenu | IconMinimize | IconMaximize;
  FormPosition position_ = FormPosition::Designed;
  WindowState state_ = WindowState::Normal;
  int minWidth_ = 0, minHeight_ = 0;
  bool stayOnTop_ = false;
  bool acceptFiles_ = false;
  bool created_ = false;
  bool shownOnce_ = false;
  bool modal_ = false;
  int modalResult_ = mrNone;
  WinControl* activeControl_ = nullptr;
  Button* defaultButton_ = nullptr;
  Button* cancelButton_ = nullptr;
  HICON iconBig_ = nullptr, iconSmall_ = nullptr;

  // Handler frames of this form: the application's pump depth when each began.
  std::vector<int> frames_;
  bool closePending_ = false;
  bool releasePending_ = false;
  bool closing_ = false;
  bool deferredPosted_ = false;
  int clientW_ = -1, clientH_ = -1;  // requested client size, applied when the window is made
  HWND hintWindow_ = nullptr;
  std::map<HWND, std::string> hintTools_;  // the text of each window's tool
  // False once the destructor ran (checked by code that ran a handler of it).
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace qz::ui
