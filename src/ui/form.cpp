#include "ui/form.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "core/text.h"
#include "ui/application.h"
#include "ui/stdctrls.h"

namespace qz::ui {

namespace {

struct EnumData {
  HWND except;
  std::vector<HWND>* out;
};

BOOL CALLBACK CollectEnabled(HWND h, LPARAM lp) {
  auto* d = reinterpret_cast<EnumData*>(lp);
  if (h != d->except && IsWindowVisible(h) && IsWindowEnabled(h)) d->out->push_back(h);
  return TRUE;
}

// Disables every visible, enabled top-level window of this thread but one.
std::vector<HWND> DisableThreadWindows(HWND except) {
  std::vector<HWND> list;
  EnumData d{except, &list};
  EnumThreadWindows(GetCurrentThreadId(), CollectEnabled, reinterpret_cast<LPARAM>(&d));
  for (HWND h : list) EnableWindow(h, FALSE);
  return list;
}

// Wine's display driver answers for the system here.
bool UnderWine() {
  static const bool wine = [] {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
  }();
  return wine;
}

// Whether the window's rectangle covers the whole of its monitor (a
// maximised window's frame reaches past the screen's edges).
bool CoversItsMonitor(HWND hwnd) {
  RECT r;
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  if (!GetWindowRect(hwnd, &r) || !GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &mi))
    return false;
  return r.left <= mi.rcMonitor.left && r.top <= mi.rcMonitor.top && r.right >= mi.rcMonitor.right &&
         r.bottom >= mi.rcMonitor.bottom;
}

RECT WorkArea() {
  RECT r{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
  return r;
}

}  // namespace

Form::Form(Component* owner, std::string name) : WinControl(owner, nullptr, std::move(name)) {
  isForm_ = true;
  visible_ = false;
  parentFont_ = false;
  font_ = FontSpec{};
  left_ = 100;
  top_ = 100;
  width_ = 400;
  height_ = 300;
}

Form::~Form() {
  *alive_ = false;
  if (hintWindow_) DestroyWindow(hintWindow_);
  hintWindow_ = nullptr;
  if (OnDestroy) App().Guard(OnDestroy);
  if (App().mainForm_ == this) App().mainForm_ = nullptr;
  // The window goes while the form is still whole: its messages may reach it.
  if (Handle()) {
    LeaveScreenBeforeHiding();
    DestroyWindow(Handle());
  }
}

void Form::SetBorderStyle(FormBorder b) {
  border_ = b;
  ApplyStyles();
}

void Form::SetBorderIcons(unsigned icons) {
  icons_ = icons;
  ApplyStyles();
}

void Form::ApplyStyles() {
  if (!Handle()) return;
  CreateParams cp;
  FillCreateParams(cp);
  LONG_PTR cur = GetWindowLongPtrW(Handle(), GWL_STYLE);
  LONG_PTR keep = cur & (WS_VISIBLE | WS_DISABLED | WS_MAXIMIZE | WS_MINIMIZE);
  SetWindowLongPtrW(Handle(), GWL_STYLE, (cp.style & ~(WS_VISIBLE | WS_DISABLED)) | keep);
  LONG_PTR ex = GetWindowLongPtrW(Handle(), GWL_EXSTYLE);
  SetWindowLongPtrW(Handle(), GWL_EXSTYLE, (cp.exStyle & ~WS_EX_TOPMOST) | (ex & WS_EX_TOPMOST));
  SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void Form::FillCreateParams(CreateParams& cp) {
  cp.className = kFormClass;
  DWORD style = WS_CLIPCHILDREN;
  DWORD ex = WS_EX_CONTROLPARENT;
  switch (border_) {
    case FormBorder::None: style |= WS_POPUP; break;
    case FormBorder::Dialog:
      style |= WS_POPUP | WS_CAPTION | DS_MODALFRAME;
      ex |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
      break;
    case FormBorder::Single: style |= WS_OVERLAPPED | WS_CAPTION | WS_BORDER; break;
    case FormBorder::Sizeable: style |= WS_OVERLAPPED | WS_CAPTION | WS_THICKFRAME; break;
    case FormBorder::ToolWindow:
      style |= WS_POPUP | WS_CAPTION;
      ex |= WS_EX_TOOLWINDOW;
      break;
  }
  if (border_ != FormBorder::None) {
    if (icons_ & IconSystemMenu) style |= WS_SYSMENU;
    if ((icons_ & IconMinimize) && border_ != FormBorder::ToolWindow) style |= WS_MINIMIZEBOX;
    if ((icons_ & IconMaximize) && (border_ == FormBorder::Sizeable || border_ == FormBorder::Single))
      style |= WS_MAXIMIZEBOX;
    if ((icons_ & IconHelp) && !(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX))) ex |= WS_EX_CONTEXTHELP;
  }
  if (!enabled_) style |= WS_DISABLED;
  if (stayOnTop_) ex |= WS_EX_TOPMOST;
  if (acceptFiles_) ex |= WS_EX_ACCEPTFILES;
  cp.style = style;
  cp.exStyle = ex;
  cp.text = Widen(text_);
  cp.parent = nullptr;
  cp.owner = nullptr;
  if (Form* main = App().MainForm(); main && main != this && main->Handle()) cp.owner = main->Handle();
  cp.x = left_;
  cp.y = top_;
  cp.width = width_;
  cp.height = height_;
}

void Form::ApplyClientSize() {
  RECT wr, cr;
  GetWindowRect(Handle(), &wr);
  GetClientRect(Handle(), &cr);
  int w = (wr.right - wr.left) - cr.right + clientW_;
  int h = (wr.bottom - wr.top) - cr.bottom + clientH_;
  SetWindowPos(Handle(), nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  width_ = w;
  height_ = h;
}

void Form::HandleCreated() {
  if (clientW_ >= 0 && clientH_ >= 0) ApplyClientSize();
  if (iconBig_) SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(iconBig_));
  if (iconSmall_) SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(iconSmall_));
}

void Form::HandleDestroying() {
  visible_ = false;
  // The tooltip window is owned by ours and goes with it.
  hintWindow_ = nullptr;
  hintTools_.clear();
}

void Form::SetBounds(int left, int top, int width, int height) {
  if (width != width_ || height != height_) clientW_ = clientH_ = -1;
  WinControl::SetBounds(left, top, width, height);
}

void Form::SetClientSize(int width, int height) {
  clientW_ = std::max(0, width);
  clientH_ = std::max(0, height);
  if (Handle()) {
    ApplyClientSize();
    return;
  }
  CreateParams cp;
  FillCreateParams(cp);
  RECT r{0, 0, clientW_, clientH_};
  AdjustWindowRectEx(&r, cp.style, FALSE, cp.exStyle);
  width_ = r.right - r.left;
  height_ = r.bottom - r.top;
  AlignControls();
}

int Form::ClientWidth() const {
  if (Handle()) return WinControl::ClientWidth();
  return clientW_ >= 0 ? clientW_ : width_;
}

int Form::ClientHeight() const {
  if (Handle()) return WinControl::ClientHeight();
  return clientH_ >= 0 ? clientH_ : height_;
}

WindowState Form::State() const {
  if (Handle() && IsWindowVisible(Handle())) {
    if (IsZoomed(Handle())) return WindowState::Maximized;
    if (IsIconic(Handle())) return WindowState::Minimized;
    return WindowState::Normal;
  }
  return state_;
}

void Form::SetWindowState(WindowState s) {
  state_ = s;
  if (Handle() && visible_) {
    ShowWindow(Handle(), s == WindowState::Maximized   ? SW_MAXIMIZE
                         : s == WindowState::Minimized ? SW_MINIMIZE
                                                       : SW_RESTORE);
  }
}

void Form::SetMinSize(int width, int height) {
  minWidth_ = std::max(0, width);
  minHeight_ = std::max(0, height);
  if (width_ < minWidth_ || height_ < minHeight_)
    SetBounds(left_, top_, std::max(width_, minWidth_), std::max(height_, minHeight_));
}

void Form::SetStayOnTop(bool on) {
  stayOnTop_ = on;
  if (Handle())
    SetWindowPos(Handle(), on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Form::SetAcceptFiles(bool on) {
  acceptFiles_ = on;
  if (Handle()) DragAcceptFiles(Handle(), on);
}

void Form::SetIcon(HICON big, HICON small) {
  iconBig_ = big;
  iconSmall_ = small ? small : big;
  if (Handle()) {
    SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(iconBig_));
    SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(iconSmall_));
  }
}

void Form::CenterOnScreen() {
  RECT wa = WorkArea();
  RECT ref = wa;
  if (position_ == FormPosition::MainFormCenter) {
    if (Form* m = App().MainForm(); m && m != this && m->Handle() && IsWindowVisible(m->Handle()))
      GetWindowRect(m->Handle(), &ref);
  }
  int l = ref.left + ((ref.right - ref.left) - width_) / 2;
  int t = ref.top + ((ref.bottom - ref.top) - height_) / 2;
  l = std::max<int>(wa.left, std::min<int>(l, wa.right - width_));
  t = std::max<int>(wa.top, std::min<int>(t, wa.bottom - height_));
  SetBounds(l, t, width_, height_);
}

void Form::FocusFirst() {
  if (!Handle()) return;
  if (activeControl_ && activeControl_->Handle() && activeControl_->CanFocus()) {
    ::SetFocus(activeControl_->Handle());
    return;
  }
  HWND first = GetNextDlgTabItem(Handle(), nullptr, FALSE);
  if (first && IsChild(Handle(), first)) ::SetFocus(first);
  else ::SetFocus(Handle());
}

namespace {
// Windows of controls added after the form's window was made.
void EnsureHandles(WinControl* w) {
  for (Control* c : std::vector<Control*>(w->Controls())) {
    if (auto* child = dynamic_cast<WinControl*>(c)) {
      child->HandleNeeded();
      EnsureHandles(child);
    }
  }
}
}  // namespace

void Form::Show() {
  if (!HandleNeeded()) return;
  EnsureHandles(this);
  if (width_ < minWidth_ || height_ < minHeight_)
    SetBounds(left_, top_, std::max(width_, minWidth_), std::max(height_, minHeight_));
  if (!shownOnce_) {
    shownOnce_ = true;
    if (position_ != FormPosition::Designed) CenterOnScreen();
  }
  bool wasVisible = visible_ && IsWindowVisible(Handle());
  visible_ = true;
  int cmd = state_ == WindowState::Maximized   ? SW_SHOWMAXIMIZED
            : state_ == WindowState::Minimized ? SW_SHOWMINIMIZED
                                               : SW_SHOWNORMAL;
  if (wasVisible && State() == state_) cmd = SW_SHOW;
  ShowWindow(Handle(), cmd);
  if (state_ != WindowState::Minimized) {
    SetForegroundWindow(Handle());
    SetActiveWindow(Handle());
    if (!wasVisible) FocusFirst();
  }
  if (!wasVisible && OnShow) OnShow();
}

void Form::SetVisible(bool v) {
  if (v) {
    Show();
    return;
  }
  if (!visible_) return;
  visible_ = false;
  if (Handle()) {
    LeaveScreenBeforeHiding();
    ShowWindow(Handle(), SW_HIDE);
  }
  if (OnHide) OnHide();
}

void Form::LeaveScreenBeforeHiding() {
  // Under Wine, hiding (or destroying) a window whose rectangle covers its
  // whole monitor - every maximised window, when no panel takes a strip of
  // the screen - makes the display driver end its full-screen pointer
  // clipping by unmapping the clipping window of Wine's desktop process,
  // whether it clipped or not. When that window does not exist on this
  // program's X display (the desktop process runs on another display, or
  // was started anew), the X server answers BadWindow and Xlib ends the
  // process on the spot, results and all. A minimised window covers
  // nothing: hidden from there, the driver leaves the clipping alone. The
  // state the form is shown in next time stays what it was.
  HWND h = Handle();
  if (!UnderWine() || !h || !IsWindowVisible(h) || IsIconic(h) || !CoversItsMonitor(h)) return;
  const WindowState keep = state_;
  ShowWindow(h, SW_SHOWMINNOACTIVE);
  state_ = keep;
}

int Form::ShowModal() {
  if (modal_) return mrNone;
  if (!HandleNeeded()) return mrCancel;
  if (HWND cap = GetCapture()) SendMessageW(cap, WM_CANCELMODE, 0, 0);
  ReleaseCapture();

  Application& app = App();
  HWND prevActive = GetActiveWindow();
  // Stay above the window the modal form was opened from.
  HWND owner = prevActive && prevActive != Handle() && IsWindowVisible(prevActive) ? prevActive : nullptr;
  if (!owner) {
    if (Form* m = app.MainForm(); m && m != this && m->Handle() && IsWindowVisible(m->Handle()))
      owner = m->Handle();
  }
  SetWindowLongPtrW(Handle(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));

  std::vector<HWND> disabled = DisableThreadWindows(Handle());
  modal_ = true;
  modalResult_ = mrNone;
  std::shared_ptr<bool> alive = alive_;
  int result = mrCancel;
  try {
    Show();
    ++app.pumpDepth_;
    for (;;) {
      if (app.Terminated()) modalResult_ = mrCancel;
      else if (modalResult_ != mrNone) CloseModal();
      if (!*alive || modalResult_ != mrNone) break;
      app.HandleMessage();
      if (!*alive) break;
    }
    --app.pumpDepth_;
  } catch (...) {
    for (HWND h : disabled)
      if (IsWindow(h)) EnableWindow(h, TRUE);
    if (*alive) modal_ = false;
    throw;
  }
  // Enable the others first, so activation returns to the owner.
  for (HWND h : disabled)
    if (IsWindow(h)) EnableWindow(h, TRUE);
  if (*alive) {
    result = modalResult_;
    modal_ = false;
    if (Handle()) {
      LeaveScreenBeforeHiding();
      SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                   SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (visible_) {
      visible_ = false;
      if (OnHide) App().Guard(OnHide);
    }
  }
  if (prevActive && IsWindow(prevActive) && IsWindowVisible(prevActive)) SetActiveWindow(prevActive);
  return result;
}

void Form::CloseModal() {
  CloseAction action = CloseAction::Hide;
  closing_ = true;
  bool ok = false;
  if (!App().Guard([&] { ok = CloseQuery(); })) ok = false;
  if (ok) {
    if (OnClose && !App().Guard([&] { OnClose(action); })) action = CloseAction::None;
  } else {
    action = CloseAction::None;
  }
  closing_ = false;
  if (action == CloseAction::None) modalResult_ = mrNone;
  else if (action == CloseAction::Free) Release();
}

bool Form::CloseQuery() {
  bool can = true;
  if (OnCloseQuery) OnCloseQuery(can);
  return can;
}

bool Form::Busy() const { return !frames_.empty() && App().PumpDepth() > frames_.front(); }

void Form::Close() {
  if (closing_) return;
  if (Busy()) {
    // A handler of this form is running and pumping: closing now would free
    // what it works on. Ask it to stop; the close follows when it returns.
    if (!closePending_) {
      closePending_ = true;
      if (OnDeferredClose) OnDeferredClose();
      else if (App().OnDeferredClose) App().OnDeferredClose(this);
    }
    return;
  }
  if (modal_) {
    if (modalResult_ == mrNone) modalResult_ = mrCancel;
    return;
  }
  closing_ = true;
  bool ok = CloseQuery();
  closing_ = false;
  if (!ok) return;
  DoClose();
}

void Form::DoClose() {
  CloseAction action = CloseAction::Hide;
  closing_ = true;
  struct Reset {
    bool& b;
    ~Reset() { b = false; }
  } reset{closing_};
  if (OnClose) OnClose(action);
  if (action == CloseAction::None) return;
  if (App().MainForm() == this) {
    App().Terminate();
    return;
  }
  switch (action) {
    case CloseAction::Hide: Hide(); break;
    case CloseAction::Minimize: SetWindowState(WindowState::Minimized); break;
    case CloseAction::Free: Release(); break;
    case CloseAction::None: break;
  }
}

void Form::Release() {
  releasePending_ = true;
  if (frames_.empty()) ScheduleDeferred();
}

void Form::ScheduleDeferred() {
  if (deferredPosted_) return;
  deferredPosted_ = true;
  std::shared_ptr<bool> alive = alive_;
  App().Post([this, alive] {
    if (!*alive) return;
    deferredPosted_ = false;
    RunDeferred();
  });
}

void Form::RunDeferred() {
  if (releasePending_) {
    if (frames_.empty()) delete this;
    return;
  }
  if (closePending_ && !Busy()) {
    closePending_ = false;
    Close();
  }
}

void Form::Enter() { frames_.push_back(App().PumpDepth()); }

void Form::Leave() {
  if (!frames_.empty()) frames_.pop_back();
  if ((closePending_ && !Busy()) || (releasePending_ && frames_.empty())) ScheduleDeferred();
}

void Form::DoCreate() {
  if (created_) return;
  created_ = true;
  // Every window exists from here on, shown or not.
  HandleNeeded();
  FormCreate();
  if (OnCreate) OnCreate();
}

void Form::SetActiveControl(WinControl* c) {
  activeControl_ = c;
  if (c && Handle() && IsWindowVisible(Handle()) && GetActiveWindow() == Handle()) c->SetFocus();
}

void Form::SetDefaultButton(Button* b) {
  Button* old = defaultButton_;
  defaultButton_ = b;
  if (old && old != b) old->UpdateDefaultStyle();
  if (b) b->UpdateDefaultStyle();
}

void Form::SetCancelButton(Button* b) { cancelButton_ = b; }

void Form::ClickButton(Button* b) {
  if (b && b->CanFocus()) b->Click();
}

void Form::ShowHelp() {
  if (OnHelp && OnHelp()) return;
  App().RequestHelp(this);
}

bool Form::PreTranslate(MSG& msg) {
  if (!Handle()) return false;
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_F1) {
    ShowHelp();
    return true;
  }
  if (KeyPreview && OnFormKeyDown && msg.message == WM_KEYDOWN) {
    bool handled = false;
    OnFormKeyDown(msg.wParam, handled);
    if (handled) return true;
  }
  if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST)
    return IsDialogMessageW(Handle(), &msg) != FALSE;
  return false;
}

void Form::ShowHintTool(HWND window, const RECT& rect, const std::string& text, UINT msg, WPARAM wp, LPARAM lp) {
  auto known = hintTools_.find(window);
  if (text.empty() && known == hintTools_.end()) return;  // the common case: no hints here
  if (!hintWindow_ && Handle()) {
    hintWindow_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
  }
  if (!hintWindow_) return;
  std::wstring wide = Widen(text);
  TTTOOLINFOW ti{};
  ti.cbSize = sizeof ti;
  ti.hwnd = window;
  ti.uId = 1;
  ti.rect = rect;
  ti.lpszText = wide.data();
  if (text.empty()) {
    SendMessageW(hintWindow_, TTM_POP, 0, 0);
    SendMessageW(hintWindow_, TTM_DELTOOL, 0, reinterpret_cast<LPARAM>(&ti));
    hintTools_.erase(known);
    return;
  }
  if (known == hintTools_.end()) {
    SendMessageW(hintWindow_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    hintTools_[window] = text;
  } else {
    if (known->second != text) {
      // Another control under the mouse: its hint waits for the delay again.
      SendMessageW(hintWindow_, TTM_POP, 0, 0);
      SendMessageW(hintWindow_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
      known->second = text;
    }
    SendMessageW(hintWindow_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&ti));
  }
  MSG m{window, msg, wp, lp, GetMessageTime(), {}};
  GetCursorPos(&m.pt);
  SendMessageW(hintWindow_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
}

void Form::ForgetHintTool(HWND window) {
  auto known = hintTools_.find(window);
  if (known == hintTools_.end()) return;
  hintTools_.erase(known);
  if (!hintWindow_) return;
  TTTOOLINFOW ti{};
  ti.cbSize = sizeof ti;
  ti.hwnd = window;
  ti.uId = 1;
  SendMessageW(hintWindow_, TTM_DELTOOL, 0, reinterpret_cast<LPARAM>(&ti));
}

LRESULT Form::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CLOSE:
      Close();
      return 0;
    case WM_COMMAND:
      if (!lp || !FromHandle(reinterpret_cast<HWND>(lp))) {
        int id = LOWORD(wp);
        if (defaultButton_ && id == defaultButton_->ControlId()) {
          ClickButton(defaultButton_);
          return 0;
        }
        if (id == IDOK) {
          ClickButton(defaultButton_);
          return 0;
        }
        if (id == IDCANCEL) {
          ClickButton(cancelButton_);
          return 0;
        }
      }
      break;
    case DM_GETDEFID:
      if (defaultButton_ && defaultButton_->Handle() && defaultButton_->CanFocus())
        return MAKELRESULT(defaultButton_->ControlId(), DC_HASDEFID);
      return 0;
    case WM_GETMINMAXINFO: {
      auto* mmi = reinterpret_cast<MINMAXINFO*>(lp);
      if (minWidth_ > 0) mmi->ptMinTrackSize.x = minWidth_;
      if (minHeight_ > 0) mmi->ptMinTrackSize.y = minHeight_;
      return 0;
    }
    case WM_SIZE:
      if (wp == SIZE_MAXIMIZED) state_ = WindowState::Maximized;
      else if (wp == SIZE_MINIMIZED) state_ = WindowState::Minimized;
      else if (wp == SIZE_RESTORED) state_ = WindowState::Normal;
      if (wp != SIZE_MINIMIZED) {
        AlignControls();
        if (OnResize) OnResize();
      }
      return DefaultProc(msg, wp, lp);
    case WM_ACTIVATE:
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND f = GetFocus();
        if (f && IsChild(Handle(), f)) {
          for (HWND h = f; h && h != Handle(); h = GetParent(h))
            if (WinControl* c = FromHandle(h)) {
              activeControl_ = c;
              break;
            }
        }
        if (OnDeactivate) OnDeactivate();
        return DefaultProc(msg, wp, lp);
      }
      if (!HIWORD(wp)) FocusFirst();
      if (OnActivate) OnActivate();
      return 0;
    case WM_DROPFILES: {
      auto drop = reinterpret_cast<HDROP>(wp);
      std::vector<std::string> files;
      UINT n = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
      for (UINT i = 0; i < n; ++i) {
        UINT len = DragQueryFileW(drop, i, nullptr, 0);
        std::wstring w(len + 1, L'\0');
        DragQueryFileW(drop, i, w.data(), len + 1);
        w.resize(len);
        files.push_back(Narrow(w));
      }
      DragFinish(drop);
      if (OnDropFiles) OnDropFiles(files);
      return 0;
    }
    case WM_HELP:
      ShowHelp();
      return TRUE;
  }
  return WinControl::WndProc(msg, wp, lp);
}

}  // namespace qz::ui
