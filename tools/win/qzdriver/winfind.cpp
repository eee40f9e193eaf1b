#include "winfind.h"

#include <algorithm>

#include "ui/control.h"  // the window property and describe message of the window layer

namespace qzdriver {

std::wstring Widen(const std::string& s) {
  if (s.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

std::string Narrow(const std::wstring& w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

std::string WindowText(HWND h) {
  // WM_GETTEXT with a timeout: a hung product must not hang the driver.
  wchar_t buf[4096];
  DWORD_PTR len = 0;
  if (!SendMessageTimeoutW(h, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 2000, &len))
    return Narrow(std::wstring(buf, static_cast<size_t>(GetWindowTextW(h, buf, 4096))));
  return Narrow(std::wstring(buf, std::min<DWORD_PTR>(len, 4095)));
}

std::string ClassOf(HWND h) {
  wchar_t buf[256];
  int n = GetClassNameW(h, buf, 256);
  return Narrow(std::wstring(buf, n > 0 ? static_cast<size_t>(n) : 0));
}

std::string ComponentName(HWND h) {
  HANDLE a = GetPropW(h, qz::ui::kNameProperty);
  if (!a) return {};
  wchar_t buf[256];
  UINT n = GlobalGetAtomNameW(static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(a)), buf, 256);
  return Narrow(std::wstring(buf, n));
}

namespace {

struct TopEnum {
  DWORD pid;
  std::vector<HWND> out;
};

BOOL CALLBACK CollectTop(HWND h, LPARAM lp) {
  auto* e = reinterpret_cast<TopEnum*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  if (pid == e->pid && IsWindowVisible(h)) e->out.push_back(h);
  return TRUE;
}

// The describe reply arrives as WM_COPYDATA at this message-only window.
std::string g_reply;
bool g_replied = false;

LRESULT CALLBACK ReplyProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_COPYDATA) {
    auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lp);
    if (cds && cds->dwData == qz::ui::kDescribeCopyDataId) {
      g_reply.assign(static_cast<const char*>(cds->lpData), cds->cbData);
      g_replied = true;
      return TRUE;
    }
    return FALSE;
  }
  return DefWindowProcW(h, msg, wp, lp);
}

HWND ReplyWindow() {
  static HWND h = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ReplyProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QzDriverReply";
    RegisterClassW(&wc);
    return CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  }();
  return h;
}

UINT DescribeMessage() {
  static UINT m = RegisterWindowMessageW(qz::ui::kDescribeMessage);
  return m;
}

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> f;
  size_t pos = 0;
  while (true) {
    size_t t = line.find('\t', pos);
    if (t == std::string::npos) {
      f.push_back(line.substr(pos));
      break;
    }
    f.push_back(line.substr(pos, t - pos));
    pos = t + 1;
  }
  return f;
}

std::string UnescapeLineBreaks(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == 'n') {
      out += '\n';
      ++i;
    } else {
      out += s[i];
    }
  }
  return out;
}

// Asks a container of the window layer for its windowless controls.
void DescribeGraphics(HWND container, int depth, std::vector<ControlInfo>& out) {
  HWND reply = ReplyWindow();
  if (!reply) return;
  g_reply.clear();
  g_replied = false;
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(container, DescribeMessage(), reinterpret_cast<WPARAM>(reply), 0,
                           SMTO_ABORTIFHUNG, 3000, &result))
    return;
  if (!g_replied) return;
  bool containerVisible = IsWindowVisible(container) != FALSE;
  bool containerEnabled = IsWindowEnabled(container) != FALSE;
  size_t pos = 0;
  while (pos < g_reply.size()) {
    size_t nl = g_reply.find('\n', pos);
    if (nl == std::string::npos) nl = g_reply.size();
    std::vector<std::string> f = SplitTabs(g_reply.substr(pos, nl - pos));
    pos = nl + 1;
    if (f.size() < 9) continue;
    ControlInfo c;
    c.name = f[0];
    c.cls = f[1];
    c.container = container;
    int l = atoi(f[2].c_str()), t = atoi(f[3].c_str()), w = atoi(f[4].c_str()), h = atoi(f[5].c_str());
    c.rect = RECT{l, t, l + w, t + h};
    c.visible = f[6] == "1" && containerVisible;
    c.enabled = f[7] == "1" && containerEnabled;
    c.caption = UnescapeLineBreaks(f[8]);
    c.depth = depth;
    out.push_back(std::move(c));
  }
}

bool IsLayerContainer(HWND h) {
  std::wstring cls = Widen(ClassOf(h));
  return cls == qz::ui::kWindowClass || cls == qz::ui::kFormClass || GetPropW(h, qz::ui::kNameProperty) != nullptr;
}

void Walk(HWND h, int depth, std::vector<ControlInfo>& out) {
  if (depth > 0) {
    std::string name = ComponentName(h);
    if (!name.empty()) {
      ControlInfo c;
      c.name = name;
      c.cls = ClassOf(h);
      c.hwnd = h;
      c.visible = IsWindowVisible(h) != FALSE;
      c.enabled = IsWindowEnabled(h) != FALSE;
      c.caption = WindowText(h);
      c.depth = depth;
      GetClientRect(h, &c.rect);
      out.push_back(std::move(c));
    }
  }
  if (IsLayerContainer(h)) DescribeGraphics(h, depth + 1, out);
  // Children bottom-most first, as the layer lists its windowless children.
  HWND child = GetWindow(h, GW_CHILD);
  std::vector<HWND> kids;
  for (; child; child = GetWindow(child, GW_HWNDNEXT)) kids.push_back(child);
  std::reverse(kids.begin(), kids.end());
  for (HWND k : kids) Walk(k, depth + 1, out);
}

std::string StripMnemonic(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '&') {
      if (i + 1 < s.size() && s[i + 1] == '&') {
        out += '&';
        ++i;
      }
      continue;
    }
    out += s[i];
  }
  return out;
}

}  // namespace

std::vector<HWND> VisibleTopWindows(DWORD pid) {
  TopEnum e{pid, {}};
  EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&e));
  return e.out;
}

std::vector<ControlInfo> ListControls(HWND top) {
  std::vector<ControlInfo> out;
  if (IsWindow(top)) Walk(top, 0, out);
  return out;
}

bool FindControl(HWND top, const std::string& name, ControlInfo& out) {
  bool found = false;
  for (ControlInfo& c : ListControls(top)) {
    if (c.name != name) continue;
    if (c.visible) {
      out = std::move(c);
      return true;
    }
    if (!found) {
      out = std::move(c);
      found = true;
    }
  }
  return found;
}

bool IsDialogBox(HWND h) { return ClassOf(h) == "#32770"; }

BoxInfo ReadBox(HWND box) {
  BoxInfo info;
  info.hwnd = box;
  info.caption = WindowText(box);
  std::vector<std::string> statics;
  bool textFound = false;
  for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    std::string cls = ClassOf(c);
    int id = GetDlgCtrlID(c);
    if (_stricmp(cls.c_str(), "Button") == 0) {
      if (IsWindowVisible(c)) info.buttons.push_back(BoxButton{id, StripMnemonic(WindowText(c)), c});
    } else if (_stricmp(cls.c_str(), "Static") == 0) {
      std::string t = WindowText(c);
      // The message text: id 0xFFFF on Windows, 100 in Wine's message box;
      // otherwise every static with text, in order.
      if (id == 0xFFFF || id == 100) {
        info.text = t;
        textFound = true;
      } else if (!t.empty()) {
        statics.push_back(t);
      }
    }
  }
  if (!textFound) {
    for (size_t i = 0; i < statics.size(); ++i) info.text += (i ? "\n" : "") + statics[i];
  }
  // Line ends as "\n" only, so that scripts can compare one way.
  std::string norm;
  for (size_t i = 0; i < info.text.size(); ++i) {
    if (info.text[i] == '\r') {
      norm += '\n';
      if (i + 1 < info.text.size() && info.text[i + 1] == '\n') ++i;
    } else {
      norm += info.text[i];
    }
  }
  info.text = norm;
  return info;
}

}  // namespace qzdriver
