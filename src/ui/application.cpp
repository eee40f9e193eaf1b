#include "ui/application.h"

#include <commctrl.h>
#include <ole2.h>

#include <deque>
#include <mutex>

#include "core/globals.h"
#include "core/pump.h"
#include "ui/timer.h"

namespace qz::ui {

void Abort() { throw SilentAbort(); }

namespace {

constexpr const wchar_t* kUtilityClass = L"QzUtility";

std::mutex& PostMutex() {
  static std::mutex m;
  return m;
}
std::deque<std::function<void()>>& PostQueue() {
  static std::deque<std::function<void()>> q;
  return q;
}

LRESULT CALLBACK UtilityProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_QZ_CALL: {
      size_t n;
      {
        std::lock_guard<std::mutex> lock(PostMutex());
        n = PostQueue().size();
      }
      // Only what was queued when this message came: a closure that posts
      // again runs at the next pump, not in an endless loop here.
      for (size_t i = 0; i < n; ++i) {
        std::function<void()> fn;
        {
          std::lock_guard<std::mutex> lock(PostMutex());
          if (PostQueue().empty()) break;
          fn = std::move(PostQueue().front());
          PostQueue().pop_front();
        }
        if (fn) App().Guard(fn);
      }
      return 0;
    }
    case WM_TIMER:
      App().Guard([wp] { detail::DispatchTimer(static_cast<UINT_PTR>(wp)); });
      return 0;
    case WM_QZ_THREADTIMER:
      App().Guard([wp, lp] { detail::DispatchThreadTimer(static_cast<uint64_t>(wp), static_cast<uint64_t>(lp)); });
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

Application& App() {
  // Never destroyed: windows and timers may outlive static destruction order.
  static Application* app = new Application();
  return *app;
}

Application::Application() : Component(nullptr, "Application") {
  title_ = ProductTitle.empty() ? std::string(kProductTitle) : ProductTitle;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS |
                                           ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS |
                                           ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  OleInitialize(nullptr);  // the shell's dialogs and drag and drop need it

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = UtilityProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kUtilityClass;
  RegisterClassExW(&wc);
  utility_ = CreateWindowExW(0, kUtilityClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
  SetMessagePump([this] { ProcessMessages(); });
}

Application::~Application() {
  SetMessagePump(nullptr);
  if (utility_) DestroyWindow(utility_);
}

void Application::SetTitle(const std::string& title) { title_ = title; }

HINSTANCE Application::Instance() const { return GetModuleHandleW(nullptr); }

HWND Application::UtilityWindow() { return utility_; }

void Application::Run() {
  if (ShowMainForm && mainForm_ && !mainForm_->Visible()) mainForm_->Show();
  ++pumpDepth_;
  while (!terminated_) {
    if (!HandleMessage()) break;
  }
  --pumpDepth_;
}

bool Application::HandleMessage() {
  MSG m;
  BOOL r = GetMessageW(&m, nullptr, 0, 0);
  if (r == 0) {
    terminated_ = true;
    return false;
  }
  if (r == -1) return false;
  DispatchOne(m);
  return true;
}

void Application::ProcessMessages() {
  struct Depth {
    int& d;
    explicit Depth(int& x) : d(x) { ++d; }
    ~Depth() { --d; }
  } depth(pumpDepth_);
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) {
      terminated_ = true;
      break;
    }
    DispatchOne(m);
  }
}

bool Application::PreTranslate(MSG& msg) {
  if (!msg.hwnd) return false;
  HWND root = GetAncestor(msg.hwnd, GA_ROOT);
  if (auto* f = dynamic_cast<Form*>(WinControl::FromHandle(root))) return f->PreTranslate(msg);
  return false;
}

void Application::DispatchOne(MSG& msg) {
  try {
    if (PreTranslate(msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  } catch (...) {
    HandleException(std::current_exception());
  }
}

void Application::Terminate() {
  terminated_ = true;
  PostQuitMessage(0);
}

void Application::ResetTerminated() {
  terminated_ = false;
  MSG m;
  while (PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

void Application::Minimize() {
  if (mainForm_ && mainForm_->Handle()) ShowWindow(mainForm_->Handle(), SW_MINIMIZE);
}

void Application::Restore() {
  if (mainForm_ && mainForm_->Handle()) ShowWindow(mainForm_->Handle(), SW_RESTORE);
}

Form* Application::ActiveForm() const {
  if (auto* f = dynamic_cast<Form*>(WinControl::FromHandle(GetActiveWindow()))) return f;
  return mainForm_;
}

bool Application::Guard(const std::function<void()>& fn) {
  try {
    fn();
    return true;
  } catch (...) {
    HandleException(std::current_exception());
    return false;
  }
}

void Application::HandleException(std::exception_ptr e) {
  std::string text;
  try {
    std::rethrow_exception(e);
  } catch (const SilentAbort&) {
    return;
  } catch (const std::exception& ex) {
    text = ex.what();
  } catch (...) {
    text = "Unknown error";
  }
  try {
    if (OnException) {
      OnException(text);
      return;
    }
    Form* f = ActiveForm();
    HWND owner = f && f->Handle() && IsWindowVisible(f->Handle()) ? f->Handle() : nullptr;
    ShowMessageBox(owner, text, MsgKind::Error, MsgButtons::Ok, title_);
  } catch (...) {
    // Showing the error failed too; nothing more can be done here.
  }
}

void Application::RequestHelp(Form* form) {
  if (helpHook_) helpHook_(form, form ? form->HelpContext : 0, form ? form->HelpKeyword : std::string());
}

void Application::Post(std::function<void()> fn) {
  {
    std::lock_guard<std::mutex> lock(PostMutex());
    PostQueue().push_back(std::move(fn));
  }
  PostMessageW(utility_, WM_QZ_CALL, 0, 0);
}

int Application::ShowBox(const Control* owner, const std::string& text, MsgKind kind,
                         MsgButtons buttons) {
  HWND h = nullptr;
  if (owner) {
    if (Form* f = owner->ParentForm()) h = f->Handle();
  } else if (Form* f = ActiveForm()) {
    h = f->Handle();
  }
  return ShowMessageBox(h, text, kind, buttons, title_);
}

int MessageDlg(const Control* owner, const std::string& text, MsgKind kind, MsgButtons buttons) {
  return App().ShowBox(owner, text, kind, buttons);
}

void ShowMessage(const std::string& text, const Control* owner) {
  App().ShowBox(owner, text, MsgKind::None, MsgButtons::Ok);
}

}  // namespace qz::ui
