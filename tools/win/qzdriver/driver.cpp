#include "driver.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

#include "winfind.h"

namespace qzdriver {

namespace {

constexpr DWORD kPollMs = 2;

struct CommandSpec {
  const char* name;
  int minArgs, maxArgs;  // after the command word; -1 = any number
};

const CommandSpec kCommands[] = {
    {"timeout", 1, 1},          {"program", 1, 1},       {"setenv", 2, 2},
    {"echo", 0, -1},            {"sleep", 1, 1},         {"reg-delete", 1, 2},
    {"reg-set", 4, 4},          {"reg-expect", 3, 5},    {"wait-mutex-free", 1, 2},
    {"start", 0, -1},           {"expect-silent-start", 1, -1},
    {"wait-window", 1, -1},     {"wait-gone", 1, 2},     {"close", 1, 1},
    {"expect-control", 2, -1},  {"click", 2, 3},         {"click-at", 3, 4},
    {"list", 1, 1},             {"list-windows", 0, 0},  {"expect-box", 0, -1},
    {"answer-box", 1, 2},       {"expect-no-box", 1, 1}, {"capture", 1, 3},
    {"pixel", 4, 6},            {"expect-region", 2, -1}, {"expect-size", 3, 3},
    {"expect-title", 2, 2},     {"elapsed", 1, 1},       {"wait-exit", 0, 2},
    {"terminate", 0, 0},        {"expect-no-window", 0, -1}, {"expect-window", 2, -1},
    {"restore", 1, 1},          {"wait-painted", 1, 2},  {"move-mouse", 2, 2},
    {"set-text", 3, 4},
    {"select", 3, 4},
    {"ini-set", 4, 4},
    {"run", 1, -1},
    {"set-text-id", 3, 4},      {"click-id", 2, 3},
    {"wait-file", 1, 2},
};

const CommandSpec* FindSpec(const std::string& name) {
  for (const CommandSpec& c : kCommands)
    if (name == c.name) return &c;
  return nullptr;
}

int ToInt(const std::string& s, const char* what) {
  char* end = nullptr;
  long v = strtol(s.c_str(), &end, 0);
  if (s.empty() || *end) throw Failure(std::string(what) + " must be a whole number, not \"" + s + "\"");
  return static_cast<int>(v);
}

double ToSeconds(const std::string& s) {
  char* end = nullptr;
  double v = strtod(s.c_str(), &end);
  if (s.empty() || *end || v < 0 || v > 3600) throw Failure("\"" + s + "\" is not a number of seconds (0..3600)");
  return v;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return s;
}

// Compares by an option: exact ("key=") or contained ("key~").
bool MatchText(const Option& o, const std::string& actual) {
  return o.contains ? actual.find(o.value) != std::string::npos : actual == o.value;
}

std::string Quoted(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '"') out += "\\\"";
    else out += c;
  }
  return out + "\"";
}

// A command-line argument quoted by the rules CommandLineToArgvW reads.
std::wstring QuoteArg(const std::wstring& a) {
  if (!a.empty() && a.find_first_of(L" \t\"") == std::wstring::npos) return a;
  std::wstring out = L"\"";
  size_t slashes = 0;
  for (wchar_t c : a) {
    if (c == L'\\') {
      ++slashes;
    } else if (c == L'"') {
      out.append(slashes * 2 + 1, L'\\');
      slashes = 0;
    } else {
      slashes = 0;
    }
    out += c;
  }
  out.append(slashes, L'\\');
  return out + L"\"";
}

// Runs `done` every poll interval until it answers true or `seconds` pass.
bool WaitFor(double seconds, const std::function<bool()>& done) {
  ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000.0);
  while (true) {
    if (done()) return true;
    if (GetTickCount64() >= end) return false;
    // Messages to the driver's own window (the describe replies) and the
    // poll interval.
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
    Sleep(kPollMs);
  }
}

// "HKLM\Software\x" -> root and sub-key.
HKEY ParseKey(const std::string& path, std::wstring& sub) {
  size_t bs = path.find('\\');
  std::string root = Lower(path.substr(0, bs));
  sub = bs == std::string::npos ? std::wstring() : Widen(path.substr(bs + 1));
  if (root == "hklm" || root == "hkey_local_machine") return HKEY_LOCAL_MACHINE;
  if (root == "hkcu" || root == "hkey_current_user") return HKEY_CURRENT_USER;
  if (root == "hkcr" || root == "hkey_classes_root") return HKEY_CLASSES_ROOT;
  if (root == "hku" || root == "hkey_users") return HKEY_USERS;
  throw Failure("unknown registry root in \"" + path + "\" (HKLM, HKCU, HKCR, HKU)");
}

// A coordinate; negative values count from the far edge (-1 = the last pixel).
int Coord(const std::string& s, int extent, const char* what) {
  int v = ToInt(s, what);
  return v < 0 ? extent + v : v;
}

// Window-matching options of wait-window.
const std::vector<std::string> kWindowKeys = {"title", "class", "name", "timeout"};

// Whether `actual` matches the options of `key`: true when there are none;
// several options of one key are alternatives.
bool MatchAny(const SplitArgs& s, const std::string& key, const std::string& actual) {
  bool any = false;
  for (const Option& o : s.options) {
    if (o.key != key) continue;
    if (MatchText(o, actual)) return true;
    any = true;
  }
  return !any;
}

bool WindowMatches(HWND h, const SplitArgs& s) {
  std::string cls = ClassOf(h);
  if (s.Find("class") ? !MatchAny(s, "class", cls) : cls == "#32770") return false;  // boxes only when asked for
  if (s.Find("title") && !MatchAny(s, "title", WindowText(h))) return false;
  if (s.Find("name") && !MatchAny(s, "name", ComponentName(h))) return false;
  return true;
}

// No window of the tree has a pending update region: it has been painted.
bool Painted(HWND h) {
  if (!IsWindowVisible(h)) return true;
  if (GetUpdateRect(h, nullptr, FALSE)) return false;
  for (HWND c = GetWindow(h, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    if (!Painted(c)) return false;
  return true;
}

std::string RectText(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
         std::to_string(r.bottom - r.top);
}

std::string DescribeControl(const ControlInfo& c) {
  std::string s = c.name + " (" + c.cls + (c.hwnd ? ", windowed" : ", windowless") + ", " +
                  (c.visible ? "visible" : "hidden") + ", " + (c.enabled ? "enabled" : "disabled");
  if (!c.hwnd) s += ", at " + RectText(c.rect);
  if (!c.caption.empty()) s += ", caption " + Quoted(c.caption);
  return s + ")";
}

std::string NamesOf(const std::vector<ControlInfo>& all) {
  std::string s;
  for (const ControlInfo& c : all) s += (s.empty() ? "" : ", ") + c.name;
  return s.empty() ? "none" : s;
}

// A control's rectangle in the coordinates of its top-level window's rectangle.
RECT ControlRectInWindow(HWND top, const ControlInfo& c) {
  RECT r;
  if (c.hwnd) {
    GetWindowRect(c.hwnd, &r);
  } else {
    r = c.rect;
    MapWindowPoints(c.container, nullptr, reinterpret_cast<POINT*>(&r), 2);
  }
  RECT tr;
  GetWindowRect(top, &tr);
  OffsetRect(&r, -tr.left, -tr.top);
  return r;
}

}  // namespace

const char* Driver::Usage() {
  return R"(usage: qzdriver [-q] [--program PATH] [--define NAME=VALUE]... SCRIPT|-
       qzdriver --self-test   (checks of the script language itself)

Runs a script against the product (or PATH): one command per line, arguments
separated by blanks, "double quotes" keep blanks, # starts a comment,
${NAME} is an environment variable (--define sets one). Every wait is
bounded by the timeout (default 10 s; per command: timeout=S). Coordinates
may be negative: -1 is the last pixel column/row. Text options are exact
(key=text) or contained (key~text). Exit code 0 when every command passed.

Settings
  timeout SECONDS                  the default bound of every wait
  program PATH                     the program "start" runs
  setenv NAME VALUE                environment of the driver and what it starts
  echo TEXT...  |  sleep MS  |  elapsed LABEL (prints "TIME LABEL <ms since start>")
Registry (keys like HKLM\Software\...)
  reg-delete KEY [VALUE]           removes the value, or without VALUE the key tree
  reg-set KEY VALUE dword|sz|expand DATA
  reg-expect KEY VALUE dword|sz|expand DATA  |  reg-expect KEY VALUE missing|present
                                   (timeout=S: waits until it holds; VALUE ""
                                   is the default value; sz accepts either
                                   string type, expand only REG_EXPAND_SZ)
Files
  ini-set FILE SECTION KEY VALUE   writes one key of an INI file in place
                                   (the profile functions; the rest of the
                                   file stays as it was)
Outside steps
  wait-file PATH [timeout=S]       waits until the file exists (a host script
                                   that acts through the window manager
                                   leaves it when its step is done)
Process
  wait-mutex-free NAME [timeout=S] no program holds the named mutex
  start [ARG...]                   starts the program (its folder is the current one)
  expect-silent-start SECONDS [ARG...]
                                   one more copy ends within SECONDS, exit code 0,
                                   and never shows a window
  wait-exit [CODE|any] [timeout=S] the program ends (with CODE, default 0)
  terminate                        ends the program at once
  run PATH [ARG...] [exit=CODE|any] [timeout=S]
                                   runs a helper (a fixture, a registry import or
                                   check) to its end while the program keeps
                                   running; its exit code must be CODE (default 0)
Windows (visible top-level windows of the program)
  wait-window ALIAS [title=T] [class=C] [name=N] [painted] [new] [timeout=S]
                                   binds ALIAS; name is the window layer's component
                                   Name; a key given twice offers alternatives
                                   (name=TForm_DC name=TForm_ModulePlaceholder);
                                   "painted": no paint pending in its tree;
                                   "new": not bound to another alias yet; message
                                   boxes (#32770) only with class=#32770
  wait-gone ALIAS [timeout=S]      destroyed or hidden
  expect-no-window [title=T] [class=C] [name=N] [for=S]
                                   no such window is shown (now, or during S s)
  close ALIAS                      posts WM_CLOSE
  expect-window ALIAS STATE... [timeout=S]
                                   enabled, disabled, minimized, normal, visible,
                                   hidden, foreground (waits until all hold)
  restore ALIAS                    restores a minimised window
  wait-painted ALIAS [timeout=S]   no paint pending in the window's tree
  list ALIAS  |  list-windows      prints named controls / the program's windows
  expect-title ALIAS TEXT  |  expect-size ALIAS WIDTH HEIGHT
Controls (by component Name; windowed or windowless)
  expect-control ALIAS NAME [visible|hidden|enabled|disabled|absent]
                 [caption=T] [class=C] [timeout=S]
  click ALIAS NAME [timeout=S]     waits until visible and enabled, clicks its centre
  click-at ALIAS X Y [at=CONTROL]  a left click at a client point of the window
                                   (or of the control)
  set-text ALIAS NAME TEXT [timeout=S]
                                   waits until the edit is visible and enabled,
                                   sets its text (WM_SETTEXT), then sends its
                                   parent the edit's change notification (a
                                   file-name or spin edit: its edit part)
  select ALIAS NAME INDEX [timeout=S]
                                   waits until the combo box is visible and
                                   enabled, selects item INDEX (CB_SETCURSEL),
                                   then sends its parent the selection change
                                   notification (CBN_SELCHANGE)
  move-mouse X Y                   moves the cursor (screen coordinates)
System dialogs (a dialog bound with wait-window ... class=#32770)
  set-text-id ALIAS ID TEXT [timeout=S]
                                   WM_SETTEXT to the dialog's control with that id
                                   (at any depth; the Open dialog's file name is 1148)
  click-id ALIAS ID [timeout=S]    BM_CLICK to the dialog's button with that id (1 = OK)
Message boxes (top-level #32770 dialogs of the program)
  expect-box [text=T]... [lacks=T]... [caption=T] [timeout=S]
                                   binds the alias "box"; every text option
                                   must hold, no "lacks" text may appear
  answer-box ID|CAPTION [timeout=S] presses a button (IDOK, 1, "OK", "&Yes" ...)
                                   of the box (the last expected one, else the
                                   first to appear) and waits for it to go
  expect-no-box SECONDS            no box appears within SECONDS
Pictures
  capture ALIAS [FILE.png|FILE.bmp] [mode=auto|print|screen]
                                   print: PrintWindow of the window and each child
                                   window; screen: the screen's pixels (the window
                                   is raised first); auto: print, or screen when
                                   the print stays empty (always so under Wine,
                                   where a DC does not cross processes). Outside
                                   the window region alpha is 0.
  pixel ALIAS X Y RRGGBB [tol=N] [at=CONTROL]
                                   checks the last capture of ALIAS (window
                                   coordinates, or relative to the control)
  expect-region ALIAS inside|outside X Y [inside|outside X Y ...]
  expect-region ALIAS none         the window has no region
)";
}

Driver::Driver(std::wstring program, bool quiet) : program_(std::move(program)), quiet_(quiet) {
  QueryPerformanceFrequency(&freq_);
  QueryPerformanceCounter(&begin_);
  started_ = begin_;
}

Driver::~Driver() { EndProcess(); }

double Driver::Seconds() const {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart - begin_.QuadPart) / static_cast<double>(freq_.QuadPart);
}

double Driver::SinceStart() const {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return 1000.0 * static_cast<double>(now.QuadPart - started_.QuadPart) / static_cast<double>(freq_.QuadPart);
}

void Driver::Log(const std::string& text) const {
  if (quiet_) return;
  printf("[%7.3f s] %s\n", Seconds(), text.c_str());
  fflush(stdout);
}

void Driver::Check(const std::vector<ScriptLine>& lines) {
  for (const ScriptLine& l : lines) {
    const CommandSpec* spec = FindSpec(l.args[0]);
    std::string where = "line " + std::to_string(l.number) + ": ";
    if (!spec) throw ScriptError(where + "unknown command \"" + l.args[0] + "\"");
    int n = static_cast<int>(l.args.size()) - 1;
    if (n < spec->minArgs || (spec->maxArgs >= 0 && n > spec->maxArgs))
      throw ScriptError(where + "wrong number of arguments for \"" + l.args[0] + "\": " + l.text);
  }
}

int Driver::Run(const std::vector<ScriptLine>& lines) {
  const ScriptLine* current = nullptr;
  try {
    for (const ScriptLine& l : lines) {
      current = &l;
      Log(std::to_string(l.number) + ": " + l.text);
      Execute(l);
    }
    current = nullptr;
    if (Running()) throw Failure("the program still runs at the end of the script (terminated now)");
    return 0;
  } catch (const std::exception& e) {
    fflush(stdout);
    if (current)
      fprintf(stderr, "qzdriver: FAILED at line %d: %s\n  %s\n", current->number, current->text.c_str(), e.what());
    else
      fprintf(stderr, "qzdriver: FAILED: %s\n", e.what());
    if (Running()) fprintf(stderr, "%s", DescribeProcessWindows().c_str());
    fflush(stderr);
    EndProcess();
    return 1;
  }
}

bool Driver::Running() const {
  return product_.handle && WaitForSingleObject(product_.handle, 0) == WAIT_TIMEOUT;
}

void Driver::RequireRunning(const char* what) const {
  if (!product_.handle) throw Failure(std::string(what) + ": the program was not started");
  if (!Running()) {
    DWORD code = 0;
    GetExitCodeProcess(product_.handle, &code);
    throw Failure(std::string(what) + ": the program has ended (exit code " + std::to_string(code) + ")");
  }
}

void Driver::EndProcess() {
  if (!product_.handle) return;
  if (WaitForSingleObject(product_.handle, 0) == WAIT_TIMEOUT) {
    TerminateProcess(product_.handle, 99);
    WaitForSingleObject(product_.handle, 5000);
  }
  CloseHandle(product_.handle);
  product_ = Process{};
}

HWND Driver::Window(const std::string& alias) const {
  auto it = windows_.find(alias);
  if (it == windows_.end()) throw Failure("no window is bound to \"" + alias + "\" (use wait-window)");
  if (!IsWindow(it->second)) throw Failure("the window \"" + alias + "\" no longer exists");
  return it->second;
}

double Driver::TimeoutOf(const SplitArgs& s) const {
  const Option* o = s.Find("timeout");
  return o ? ToSeconds(o->value) : timeout_;
}

std::vector<HWND> Driver::MessageBoxes() const {
  std::vector<HWND> out;
  if (!product_.handle) return out;
  for (HWND h : VisibleTopWindows(product_.pid))
    if (IsDialogBox(h)) out.push_back(h);
  return out;
}

std::string Driver::DescribeProcessWindows() const {
  std::string s = "  visible windows of the program:\n";
  if (!product_.handle) return s + "    (not started)\n";
  std::vector<HWND> all = VisibleTopWindows(product_.pid);
  if (all.empty()) s += "    none\n";
  for (HWND h : all) {
    RECT r;
    GetWindowRect(h, &r);
    std::string name = ComponentName(h);
    s += "    " + ClassOf(h) + " " + Quoted(WindowText(h)) + (name.empty() ? "" : " name=" + name) + " at " +
         RectText(r) + "\n";
    if (IsDialogBox(h)) {
      BoxInfo b = ReadBox(h);
      s += "      text: " + Quoted(b.text) + "\n      buttons:";
      for (const BoxButton& bb : b.buttons) s += " " + std::to_string(bb.id) + "=" + Quoted(bb.caption);
      s += "\n";
    }
  }
  return s;
}

void Driver::Execute(const ScriptLine& line) {
  const std::vector<std::string>& a = line.args;
  const std::string& cmd = a[0];
  if (cmd == "timeout") {
    timeout_ = ToSeconds(a[1]);
  } else if (cmd == "program") {
    program_ = Widen(a[1]);
  } else if (cmd == "setenv") {
    SetEnvironmentVariableW(Widen(a[1]).c_str(), Widen(a[2]).c_str());
  } else if (cmd == "echo") {
    std::string s;
    for (size_t i = 1; i < a.size(); ++i) s += (i > 1 ? " " : "") + a[i];
    printf("%s\n", s.c_str());
    fflush(stdout);
  } else if (cmd == "sleep") {
    int ms = ToInt(a[1], "the time");
    WaitFor(ms / 1000.0, [] { return false; });
  } else if (cmd == "elapsed") {
    printf("TIME %s %.1f\n", a[1].c_str(), SinceStart());
    fflush(stdout);
  } else if (cmd == "reg-delete") {
    CmdRegDelete(a);
  } else if (cmd == "reg-set") {
    CmdRegSet(a);
  } else if (cmd == "reg-expect") {
    CmdRegExpect(a);
  } else if (cmd == "wait-mutex-free") {
    CmdWaitMutexFree(a);
  } else if (cmd == "start") {
    CmdStart(a);
  } else if (cmd == "expect-silent-start") {
    CmdExpectSilentStart(a);
  } else if (cmd == "wait-window") {
    CmdWaitWindow(a);
  } else if (cmd == "expect-window") {
    CmdExpectWindow(a);
  } else if (cmd == "move-mouse") {
    SetCursorPos(Coord(a[1], GetSystemMetrics(SM_CXSCREEN), "X"), Coord(a[2], GetSystemMetrics(SM_CYSCREEN), "Y"));
  } else if (cmd == "restore") {
    ShowWindowAsync(Window(a[1]), SW_RESTORE);
  } else if (cmd == "wait-painted") {
    SplitArgs s = SplitOptions(a, 2, {"timeout"});
    HWND h = Window(a[1]);
    if (!WaitFor(TimeoutOf(s), [&] { return Painted(h); })) throw Failure("a paint is still pending");
  } else if (cmd == "expect-no-window") {
    CmdExpectNoWindow(a);
  } else if (cmd == "wait-gone") {
    CmdWaitGone(a);
  } else if (cmd == "close") {
    CmdClose(a);
  } else if (cmd == "expect-control") {
    CmdExpectControl(a);
  } else if (cmd == "click") {
    CmdClick(a);
  } else if (cmd == "click-at") {
    CmdClickAt(a);
  } else if (cmd == "set-text") {
    CmdSetText(a);
  } else if (cmd == "select") {
    CmdSelect(a);
  } else if (cmd == "ini-set") {
    if (!WritePrivateProfileStringW(Widen(a[2]).c_str(), Widen(a[3]).c_str(), Widen(a[4]).c_str(),
                                    Widen(a[1]).c_str()))
      throw Failure("cannot write " + a[3] + " in [" + a[2] + "] of " + a[1] + " (error " +
                    std::to_string(GetLastError()) + ")");
  } else if (cmd == "set-text-id") {
    CmdSetTextId(a);
  } else if (cmd == "click-id") {
    CmdClickId(a);
  } else if (cmd == "wait-file") {
    // A step done outside Windows (a window manager's action, by the host
    // script of the scenario) is over once it leaves a file behind.
    SplitArgs s = SplitOptions(a, 2, {"timeout"});
    const std::wstring path = Widen(a[1]);
    if (!WaitFor(TimeoutOf(s), [&] { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }))
      throw Failure("no file " + a[1] + " appeared");
  } else if (cmd == "list") {
    CmdList(a);
  } else if (cmd == "list-windows") {
    CmdListWindows();
  } else if (cmd == "expect-box") {
    CmdExpectBox(a);
  } else if (cmd == "answer-box") {
    CmdAnswerBox(a);
  } else if (cmd == "expect-no-box") {
    CmdExpectNoBox(a);
  } else if (cmd == "capture") {
    CmdCapture(a);
  } else if (cmd == "pixel") {
    CmdPixel(a);
  } else if (cmd == "expect-region") {
    CmdExpectRegion(a);
  } else if (cmd == "expect-size") {
    CmdExpectSize(a);
  } else if (cmd == "expect-title") {
    CmdExpectTitle(a);
  } else if (cmd == "wait-exit") {
    CmdWaitExit(a);
  } else if (cmd == "terminate") {
    EndProcess();
  } else if (cmd == "run") {
    CmdRun(a);
  } else {
    throw Failure("unknown command");
  }
}

// ---- registry ---------------------------------------------------------

void Driver::CmdRegDelete(const std::vector<std::string>& a) {
  std::wstring sub;
  HKEY root = ParseKey(a[1], sub);
  if (a.size() == 2) {
    if (sub.empty()) throw Failure("refusing to delete a whole registry root");
    LSTATUS st = RegDeleteTreeW(root, sub.c_str());
    if (st == ERROR_SUCCESS || st == ERROR_FILE_NOT_FOUND) {
      // RegDeleteTree leaves the key itself on some systems.
      RegDeleteKeyExW(root, sub.c_str(), KEY_WOW64_64KEY, 0);
      return;
    }
    throw Failure("cannot delete the key (error " + std::to_string(st) + ")");
  }
  HKEY k;
  LSTATUS st = RegOpenKeyExW(root, sub.c_str(), 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &k);
  if (st == ERROR_FILE_NOT_FOUND) return;
  if (st != ERROR_SUCCESS) throw Failure("cannot open the key (error " + std::to_string(st) + ")");
  st = RegDeleteValueW(k, Widen(a[2]).c_str());
  RegCloseKey(k);
  if (st != ERROR_SUCCESS && st != ERROR_FILE_NOT_FOUND)
    throw Failure("cannot delete the value (error " + std::to_string(st) + ")");
}

void Driver::CmdRegSet(const std::vector<std::string>& a) {
  std::wstring sub;
  HKEY root = ParseKey(a[1], sub);
  HKEY k;
  LSTATUS st = RegCreateKeyExW(root, sub.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &k, nullptr);
  if (st != ERROR_SUCCESS) throw Failure("cannot create the key (error " + std::to_string(st) + ")");
  std::wstring name = Widen(a[2]);
  std::string type = Lower(a[3]);
  if (type == "dword") {
    DWORD v = static_cast<DWORD>(ToInt(a[4], "the value"));
    st = RegSetValueExW(k, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
  } else if (type == "sz" || type == "expand") {
    std::wstring v = Widen(a[4]);
    st = RegSetValueExW(k, name.c_str(), 0, type == "sz" ? REG_SZ : REG_EXPAND_SZ,
                        reinterpret_cast<const BYTE*>(v.c_str()), static_cast<DWORD>((v.size() + 1) * sizeof(wchar_t)));
  } else {
    RegCloseKey(k);
    throw Failure("the type must be dword, sz or expand");
  }
  RegCloseKey(k);
  if (st != ERROR_SUCCESS) throw Failure("cannot set the value (error " + std::to_string(st) + ")");
}

void Driver::CmdRegExpect(const std::vector<std::string>& all) {
  // With timeout=S the check is repeated until it holds (a change the
  // program makes on a posted click); without, it is made once.
  SplitArgs s = SplitOptions(all, 1, {"timeout"});
  std::vector<std::string> a = {all[0]};
  a.insert(a.end(), s.positional.begin(), s.positional.end());
  if (a.size() < 4) throw Failure("reg-expect KEY VALUE dword|sz|expand DATA | missing|present [timeout=S]");
  std::wstring sub;
  HKEY root = ParseKey(a[1], sub);
  std::string type = Lower(a[3]);
  if (type == "missing" || type == "present") {
    if (a.size() != 4) throw Failure("reg-expect ... missing|present takes no data");
  } else if (a.size() != 5) {
    throw Failure("reg-expect KEY VALUE dword|sz|expand DATA");
  } else if (type != "dword" && type != "sz" && type != "expand") {
    throw Failure("the type must be dword, sz, expand, missing or present");
  }
  // "" when the value is as expected, else what is wrong.
  auto check = [&]() -> std::string {
    DWORD kind = 0;
    std::vector<BYTE> data(4096);
    DWORD size = static_cast<DWORD>(data.size());
    LSTATUS st = RegGetValueW(root, sub.c_str(), Widen(a[2]).c_str(), RRF_RT_ANY | RRF_NOEXPAND, &kind,
                              data.data(), &size);
    bool exists = st == ERROR_SUCCESS || st == ERROR_MORE_DATA;
    if (type == "missing" || type == "present") {
      if (exists != (type == "present")) return "the value " + a[2] + (exists ? " exists" : " is missing");
      return {};
    }
    if (!exists) return "the value " + a[2] + " is missing";
    if (type == "dword") {
      if (kind != REG_DWORD) return "the value " + a[2] + " is not a REG_DWORD (type " + std::to_string(kind) + ")";
      DWORD v;
      memcpy(&v, data.data(), sizeof v);
      if (v != static_cast<DWORD>(ToInt(a[4], "the value")))
        return "the value " + a[2] + " is " + std::to_string(v) + ", expected " + a[4];
      return {};
    }
    if (kind != REG_SZ && kind != REG_EXPAND_SZ) return "the value " + a[2] + " is not a string";
    if (type == "expand" && kind != REG_EXPAND_SZ)
      return "the value " + a[2] + " is not a REG_EXPAND_SZ (type " + std::to_string(kind) + ")";
    std::wstring w(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
    while (!w.empty() && w.back() == 0) w.pop_back();
    if (Narrow(w) != a[4]) return "the value " + a[2] + " is " + Quoted(Narrow(w)) + ", expected " + Quoted(a[4]);
    return {};
  };
  std::string problem = check();
  if (!problem.empty() && s.Find("timeout"))
    WaitFor(TimeoutOf(s), [&] { return (problem = check()).empty(); });
  if (!problem.empty()) throw Failure(problem);
}

// ---- processes -------------------------------------------------------

void Driver::CmdWaitMutexFree(const std::vector<std::string>& a) {
  SplitArgs s = SplitOptions(a, 1, {"timeout"});
  if (s.positional.size() != 1) throw Failure("wait-mutex-free NAME [timeout=S]");
  std::wstring name = Widen(s.positional[0]);
  bool ok = WaitFor(TimeoutOf(s), [&] {
    HANDLE m = OpenMutexW(SYNCHRONIZE, FALSE, name.c_str());
    if (!m) return true;
    CloseHandle(m);
    return false;
  });
  if (!ok) throw Failure("the mutex \"" + s.positional[0] + "\" still exists (another copy runs?)");
}

namespace {

// Closes the handle of a process that ended (returns its exit code) or did
// not (terminates it first; returns 99).
DWORD CloseProcess(HANDLE h, bool ended) {
  DWORD code = 99;
  if (!ended) {
    TerminateProcess(h, 99);
    WaitForSingleObject(h, 5000);
  } else {
    GetExitCodeProcess(h, &code);
  }
  CloseHandle(h);
  return code;
}

}  // namespace

Driver::Process Driver::Launch(const std::vector<std::string>& args) { return LaunchPath(program_, args); }

Driver::Process Driver::LaunchPath(const std::wstring& program, const std::vector<std::string>& args) {
  if (program.empty()) throw Failure("no program set");
  if (GetFileAttributesW(program.c_str()) == INVALID_FILE_ATTRIBUTES)
    throw Failure("the program " + Narrow(program) + " does not exist (is it installed?)");
  std::wstring cmdline = QuoteArg(program);
  for (const std::string& arg : args) cmdline += L" " + QuoteArg(Widen(arg));
  std::wstring dir = program.substr(0, program.find_last_of(L"\\/"));
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(program.c_str(), cmdline.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      dir.empty() ? nullptr : dir.c_str(), &si, &pi))
    throw Failure("cannot start " + Narrow(program) + " (error " + std::to_string(GetLastError()) + ")");
  CloseHandle(pi.hThread);
  return Process{pi.hProcess, pi.dwProcessId};
}

void Driver::CmdRun(const std::vector<std::string>& a) {
  SplitArgs s = SplitOptions(a, 2, {"exit", "timeout"});
  const Option* exit = s.Find("exit");
  const bool any = exit && Lower(exit->value) == "any";
  const int expected = exit && !any ? ToInt(exit->value, "the exit code") : 0;
  Process helper = LaunchPath(Widen(a[1]), s.positional);
  const double t = TimeoutOf(s);
  const bool ended = WaitForSingleObject(helper.handle, static_cast<DWORD>(t * 1000)) == WAIT_OBJECT_0;
  const DWORD code = CloseProcess(helper.handle, ended);
  if (!ended) throw Failure(a[1] + " still ran after " + std::to_string(static_cast<int>(t)) + " s (terminated)");
  if (!any && static_cast<int>(code) != expected)
    throw Failure(a[1] + " ended with exit code " + std::to_string(code) + ", expected " + std::to_string(expected));
}

void Driver::CmdStart(const std::vector<std::string>& a) {
  if (Running()) throw Failure("the program runs already (use expect-silent-start for a second copy)");
  EndProcess();
  windows_.clear();
  captures_.clear();
  lastBox_ = nullptr;
  QueryPerformanceCounter(&started_);
  product_ = Launch(std::vector<std::string>(a.begin() + 1, a.end()));
}

void Driver::CmdExpectSilentStart(const std::vector<std::string>& a) {
  double seconds = ToSeconds(a[1]);
  Process second = Launch(std::vector<std::string>(a.begin() + 2, a.end()));
  std::string shown;
  bool ended = WaitFor(seconds, [&] {
    for (HWND h : VisibleTopWindows(second.pid))
      if (shown.empty()) shown = ClassOf(h) + " " + Quoted(WindowText(h));
    return WaitForSingleObject(second.handle, 0) == WAIT_OBJECT_0;
  });
  for (HWND h : VisibleTopWindows(second.pid))  // a last look after the end
    if (shown.empty()) shown = ClassOf(h) + " " + Quoted(WindowText(h));
  const DWORD code = CloseProcess(second.handle, ended);
  if (!ended) throw Failure("the second copy still ran after " + a[1] + " s (terminated)");
  if (!shown.empty()) throw Failure("the second copy showed a window: " + shown);
  if (code != 0) throw Failure("the second copy ended with exit code " + std::to_string(code));
  if (product_.handle && !Running()) throw Failure("the first copy ended too");
}

void Driver::CmdWaitExit(const std::vector<std::string>& a) {
  SplitArgs s = SplitOptions(a, 1, {"timeout"});
  if (!product_.handle) throw Failure("the program was not started");
  bool any = !s.positional.empty() && Lower(s.positional[0]) == "any";
  int expected = s.positional.empty() || any ? 0 : ToInt(s.positional[0], "the exit code");
  double t = TimeoutOf(s);
  if (WaitForSingleObject(product_.handle, static_cast<DWORD>(t * 1000)) != WAIT_OBJECT_0)
    throw Failure("the program still runs after " + std::to_string(static_cast<int>(t)) + " s");
  DWORD code = 0;
  GetExitCodeProcess(product_.handle, &code);
  if (!any && static_cast<int>(code) != expected)
    throw Failure("the program ended with exit code " + std::to_string(code) + ", expected " + std::to_string(expected));
  CloseHandle(product_.handle);
  product_ = Process{};
}

// ---- windows ---------------------------------------------------------

void Driver::CmdWaitWindow(const std::vector<std::string>& a) {
  SplitArgs s = SplitOptions(a, 2, kWindowKeys);
  bool painted = false, fresh = false;
  for (const std::string& p : s.positional) {
    if (p == "painted") painted = true;
    else if (p == "new") fresh = true;
    else throw Failure("unknown word \"" + p + "\" (painted, new, title=, class=, name=, timeout=)");
  }
  RequireRunning("wait-window");
  HWND found = nullptr;
  bool ok = WaitFor(TimeoutOf(s), [&] {
    found = nullptr;
    if (WaitForSingleObject(product_.handle, 0) != WAIT_TIMEOUT) return true;
    for (HWND h : VisibleTopWindows(product_.pid)) {
      if (!WindowMatches(h, s)) continue;
      if (fresh && std::any_of(windows_.begin(), windows_.end(), [&](auto& kv) { return kv.second == h; }))
        continue;
      if (painted && !Painted(h)) continue;
      found = h;
      return true;
    }
    return false;
  });
  if (!found) {
    if (ok) RequireRunning("wait-window");
    throw Failure("no such window after " + std::to_string(TimeoutOf(s)) + " s\n" + DescribeProcessWindows());
  }
  windows_[a[1]] = found;
  std::string name = ComponentName(found);
  Log("  " + a[1] + " = " + ClassOf(found) + " " + Quoted(WindowText(found)) + (name.empty() ? "" : " name=" + name));
}

void Driver::CmdWaitGone(const std::vector<std::string>& a) {
  SplitArgs s = SplitOptions(a, 2, {"timeout"});
  auto it = windows_.find(a[1]);
  if (it == windows_.end()) throw Failure("no window is bound to \"" + a[1] + "\"");
  HWND h = it->second;
  if (!WaitFor(TimeoutOf(s), [&] { return !IsWindow(h) || !IsWindowVisible(h); }))
    throw Failure("the window \"" + a[1] + "\" is still shown");
}

void Driver::CmdExpectWindow(const std::vector<std::string>& a) {
  SplitArgs s = SplitOptions(a, 2, {"timeout"});
  HWND h = Window(a[1]);
  for (const std::string& st : s.positional)
    if (st != "enabled" && st != "disabled" && st != "minimized" && st != "normal" && st != "visible" &&
        st != "hidden" && st != "foreground")
      throw Failure("unknown state \"" + st + "\" (enabled, disabled, minimized, normal, visible, hidden, foreground)");
  std::string wrong;
  bool ok = WaitFor(TimeoutOf(s), [&] {
    wrong.clear();
    for (const std::string& st : s.positional) {
      bool is = st == "enabled"     ? IsWindowEnabled(h) != FALSE
                : st == "disabled"  ? !IsWindowEnabled(h)
                : st == "minimized" ? IsIconic(h) != FALSE
                : st == "normal"    ? !IsIconic(h) && !IsZoomed(h)
                : st == "visible"   ? IsWindowVisible(h) != FALSE
                : st == "hidden"    ? !IsWindowVisible(h)
                                    : GetForegroundWindow() == h;
      if (!is) wrong += (wrong.empty() ? "" : ", ") + std::string("not ") + st;
    }
    return wrong.empty();
  });
  if (!ok) throw Failure("the window \"" + a[1] + "\" is " + wrong);
}

void Driver::CmdExpectNoWindow(const std::vector<std::string>& a) {
  std::vector<std::string> keys = kWindowKeys;
  keys.push_back("for");
  SplitArgs s = SplitOptions(a, 1, keys);
  if (!s.positional.empty()) throw Failure("expect-no-window [title=T] [class=C] [name=N] [for=S]");
  RequireRunning("expect-no-window");
  double seconds = 0;
  if (const Option* o = s.Find("for")) seconds = ToSeconds(o->value);
  HWND seen = nullptr;
  WaitFor(seconds, [&] {
    for (HWND h : VisibleTopWindows(product_.pid))
      if (WindowMatches(h, s)) seen = h;
    return seen != nullptr;
  });
  if (seen) {
    std::string name = ComponentName(seen);
    throw Failure("a matching window is shown: " + ClassOf(seen) + " " + Quoted(WindowText(seen)) +
                  (name.empty() ? "" : " name=" + name));
  }
}

void Driver::CmdClose(const std::vector<std::string>& a) {
  PostMessageW(Window(a[1]), WM_CLOSE, 0, 0);
}

void Driver::CmdExpectTitle(const std::vector<std::string>& a) {
  std::string t = WindowText(Window(a[1]));
  if (t != a[2]) throw Failure("the title is " + Quoted(t));
}

void Driver::CmdExpectSize(const std::vector<std::string>& a) {
  RECT r;
  GetWindowRect(Window(a[1]), &r);
  int w = ToInt(a[2], "the width"), h = ToInt(a[3], "the height");
  if (r.right - r.left != w || r.bottom - r.top != h)
    throw Failure("the window is " + std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top));
}

void Driver::CmdListWindows() {
  printf("%s", DescribeProcessWindows().c_str());
  fflush(stdout);
}

void Driver::CmdList(const std::vector<std::string>& a) {
  HWND h = Window(a[1]);
  printf("  controls of \"%s\" (%s %s):\n", a[1].c_str(), ClassOf(h).c_str(), Quoted(WindowText(h)).c_str());
  for (const ControlInfo& c : ListControls(h))
    printf("  %*s%s\n", c.depth * 2, "", DescribeControl(c).c_str());
  fflush(stdout);
}

// ---- controls --------------------------------------------------------

void Driver::CmdExpectControl(const std::vector<std::string>& a) {
  SplitArgs s = SplitOptions(a, 3, {"caption", "class", "timeout"});
  HWND h = Window(a[1]);
  const std::string& name = a[2];
  std::vector<std::string> states = s.positional;
  for (const std::string& st : states)
    if (st != "visible" && st != "hidden" && st != "enabled" && st != "disabled" && st != "absent")
      throw Failure("unknown state \"" + st + "\" (visible, hidden, enabled, disabled, absent)");
  auto want = [&](const char* w) { return std::find(states.begin(), states.end(), w) != states.end(); };
  std::string last;
  bool ok = WaitFor(TimeoutOf(s), [&] {
    if (!IsWindow(h)) {
      last = "the window is gone";
      return false;
    }
    ControlInfo c;
    bool found = FindControl(h, name, c);
    if (want("absent")) {
      last = found ? "it exists: " + DescribeControl(c) : "";
      return !found;
    }
    if (!found) {
      last = "no control of that name (named: " + NamesOf(ListControls(h)) + ")";
      return false;
    }
    last = DescribeControl(c);
    if (want("visible") && !c.visible) return false;
    if (want("hidden") && c.visible) return false;
    if (want("enabled") && !c.enabled) return false;
    if (want("disabled") && c.enabled) return false;
    if (const Option* o = s.Find("caption"); o && !MatchText(*o, c.caption)) return false;
    if (const Option* o = s.Find("class"); o && !MatchText(*o, c.cls)) return false;
    return true;
  });
  if (!ok) throw Failure("control " + name + " not as expected: " + last);
}

void Driver::ClickPoint(HWND target, int x, int y, bool asButton) {
  if (asButton) {
    PostMessageW(target, BM_CLICK, 0, 0);
    return;
  }
  // The real cursor stays where it is: tests of other programs may share
  // the display.
  LPARAM at = MAKELPARAM(x, y);
  PostMessageW(target, WM_MOUSEMOVE, 0, at);
  PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(target, WM_LBUTTONUP, 0, at);
}

void Driver::CmdClick(const std::vector<std::string>& a) {
  SplitArgs s = SplitOptions(a, 3, {"timeout"});
  if (!s.positional.empty()) throw Failure("click ALIAS NAME [timeout=S]");
  const ControlInfo c = WaitUsable(a, s, "click");
  if (c.hwnd) {
    RECT r;
    GetClientRect(c.hwnd, &r);
    ClickPoint(c.hwnd, r.right / 2, r.bottom / 2, _stricmp(c.cls.c_str(), "Button") == 0);
  } else {
    ClickPoint(c.container, (c.rect.left + c.rect.right) / 2, (c.rect.top + c.rect.bottom) / 2, false);
  }
}

void Driver::CmdClickAt(const std::vector<std::string>& a) {
  SplitArgs s = SplitOptions(a, 2, {"at"});
  if (s.positional.size() != 2) throw Failure("click-at ALIAS X Y [at=CONTROL]");
  HWND h = Window(a[1]);
  if (const Option* at = s.Find("at")) {
    // A point of a control: its own window gets the click, or for a windowless
    // control the window that paints it.
    ControlInfo c;
    if (!FindControl(h, at->value, c)) throw Failure("no control named " + at->value);
    if (c.hwnd) {
      RECT r;
      GetClientRect(c.hwnd, &r);
      ClickPoint(c.hwnd, Coord(s.positional[0], r.right, "X"), Coord(s.positional[1], r.bottom, "Y"), false);
    } else {
      const int w = c.rect.right - c.rect.left, hh = c.rect.bottom - c.rect.top;
      ClickPoint(c.container, c.rect.left + Coord(s.positional[0], w, "X"),
                 c.rect.top + Coord(s.positional[1], hh, "Y"), false);
    }
    return;
  }
  RECT r;
  GetClientRect(h, &r);
  ClickPoint(h, Coord(s.positional[0], r.right, "X"), Coord(s.positional[1], r.bottom, "Y"), false);
}

ControlInfo Driver::WaitUsable(const std::vector<std::string>& a, const SplitArgs& s, const char* what) {
  HWND h = Window(a[1]);
  ControlInfo c;
  std::string last;
  bool ok = WaitFor(TimeoutOf(s), [&] {
    if (!IsWindow(h)) {
      last = "the window is gone";
      return false;
    }
    if (!FindControl(h, a[2], c)) {
      last = "no control of that name (named: " + NamesOf(ListControls(h)) + ")";
      return false;
    }
    last = DescribeControl(c);
    return c.visible && c.enabled;
  });
  if (!ok) throw Failure(std::string("cannot ") + what + " " + a[2] + ": " + last);
  return c;
}

ControlInfo Driver::WaitUsableControl(const std::vector<std::string>& a, const SplitArgs& s, const char* what) {
  ControlInfo c = WaitUsable(a, s, what);
  if (!c.hwnd) throw Failure(a[2] + " has no window of its own");
  return c;
}

void Driver::CmdSetText(const std::vector<std::string>& a) {
  SplitArgs s = SplitOptions(a, 4, {"timeout"});
  if (!s.positional.empty()) throw Failure("set-text ALIAS NAME TEXT [timeout=S]");
  ControlInfo c = WaitUsableControl(a, s, "set the text of");
  // A composite control (a file-name or spin edit) takes the text in its edit part.
  if (HWND edit = FindWindowExW(c.hwnd, nullptr, L"Edit", nullptr)) c.hwnd = edit;
  // WM_SETTEXT carries its string across processes; the notification is
  // what the user's typing would send, so the program reacts as to typing
  // (a multi-line edit sends none for WM_SETTEXT itself).
  std::wstring text = Widen(a[3]);
  DWORD_PTR r = 0;
  if (!SendMessageTimeoutW(c.hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                           5000, &r) ||
      !r)
    throw Failure("the edit " + a[2] + " did not take the text");
  HWND parent = GetParent(c.hwnd);
  WPARAM wp = MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(c.hwnd)), EN_CHANGE);
  if (!parent || !SendMessageTimeoutW(parent, WM_COMMAND, wp, reinterpret_cast<LPARAM>(c.hwnd), SMTO_ABORTIFHUNG,
                                      5000, &r))
    throw Failure("the change notification of " + a[2] + " was not delivered");
  if (WindowText(c.hwnd) != a[3]) throw Failure(a[2] + " holds " + Quoted(WindowText(c.hwnd)) + " after set-text");
}

void Driver::CmdSelect(const std::vector<std::string>& a) {
  SplitArgs s = SplitOptions(a, 4, {"timeout"});
  if (!s.positional.empty()) throw Failure("select ALIAS NAME INDEX [timeout=S]");
  const int index = ToInt(a[3], "the item index");
  ControlInfo c = WaitUsableControl(a, s, "select an item of");
  // The notification is what the user's choice in the list would send.
  DWORD_PTR r = 0;
  if (!SendMessageTimeoutW(c.hwnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0, SMTO_ABORTIFHUNG, 5000, &r) ||
      static_cast<int>(r) != index)
    throw Failure(a[2] + " has no item " + a[3]);
  HWND parent = GetParent(c.hwnd);
  WPARAM wp = MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(c.hwnd)), CBN_SELCHANGE);
  if (!parent || !SendMessageTimeoutW(parent, WM_COMMAND, wp, reinterpret_cast<LPARAM>(c.hwnd), SMTO_ABORTIFHUNG,
                                      5000, &r))
    throw Failure("the selection change of " + a[2] + " was not delivered");
}

// ---- system dialogs ------------------------------------------------------

namespace {
// The dialog's own control with the id, else the first enabled, visible
// one among its descendants (file dialogs may nest their controls).
HWND FindDialogItem(HWND dialog, int id) {
  if (HWND own = GetDlgItem(dialog, id); own && IsWindowVisible(own) && IsWindowEnabled(own)) return own;
  struct Search {
    int id;
    HWND found;
  } search{id, nullptr};
  EnumChildWindows(
      dialog,
      [](HWND h, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        if (GetDlgCtrlID(h) != s->id || !IsWindowVisible(h) || !IsWindowEnabled(h)) return TRUE;
        s->found = h;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}
}  // namespace

HWND Driver::DialogItem(const std::vector<std::string>& a, int optionsFrom) {
  SplitArgs s = SplitOptions(a, optionsFrom, {"timeout"});
  if (!s.positional.empty()) throw Failure("unexpected argument " + Quoted(s.positional[0]));
  HWND dialog = Window(a[1]);
  const int id = ToInt(a[2], "the control id");
  HWND item = nullptr;
  if (!WaitFor(TimeoutOf(s), [&] { return IsWindow(dialog) && (item = FindDialogItem(dialog, id)) != nullptr; }))
    throw Failure("the dialog has no visible, enabled control with the id " + a[2]);
  return item;
}

void Driver::CmdSetTextId(const std::vector<std::string>& a) {
  HWND item = DialogItem(a, 4);
  std::wstring text = Widen(a[3]);
  DWORD_PTR r = 0;
  if (!SendMessageTimeoutW(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 5000, &r) ||
      !r)
    throw Failure("the control " + a[2] + " did not take the text");
}

void Driver::CmdClickId(const std::vector<std::string>& a) {
  HWND item = DialogItem(a, 3);
  PostMessageW(item, BM_CLICK, 0, 0);
}

// ---- message boxes ---------------------------------------------------

void Driver::CmdExpectBox(const std::vector<std::string>& a) {
  SplitArgs s = SplitOptions(a, 1, {"text", "lacks", "caption", "timeout"});
  if (!s.positional.empty()) throw Failure("expect-box [text=T]... [lacks=T]... [caption=T] [timeout=S]");
  RequireRunning("expect-box");
  std::vector<HWND> boxes;
  bool ok = WaitFor(TimeoutOf(s), [&] {
    boxes = MessageBoxes();
    return !boxes.empty() || WaitForSingleObject(product_.handle, 0) != WAIT_TIMEOUT;
  });
  if (!ok || boxes.empty()) {
    RequireRunning("expect-box");
    throw Failure("no message box appeared\n" + DescribeProcessWindows());
  }
  HWND box = boxes.front();
  // The text is set while the box is made; give it a moment to be complete.
  BoxInfo info;
  WaitFor(1.0, [&] {
    info = ReadBox(box);
    return !info.buttons.empty();
  });
  Log("  box " + Quoted(info.caption) + ": " + Quoted(info.text));
  for (const Option& o : s.options) {
    if (o.key == "text" && !MatchText(o, info.text))
      throw Failure("the box says " + Quoted(info.text) + ", expected " + (o.contains ? "it to contain " : "") +
                    Quoted(o.value));
    if (o.key == "lacks" && info.text.find(o.value) != std::string::npos)
      throw Failure("the box says " + Quoted(info.text) + ", which holds " + Quoted(o.value));
  }
  if (const Option* o = s.Find("caption"); o && !MatchText(*o, info.caption))
    throw Failure("the box is titled " + Quoted(info.caption) + ", expected " + Quoted(o->value));
  lastBox_ = box;
  windows_["box"] = box;
}

void Driver::CmdAnswerBox(const std::vector<std::string>& a) {
  SplitArgs s = SplitOptions(a, 1, {"timeout"});
  if (s.positional.size() != 1) throw Failure("answer-box ID|CAPTION [timeout=S]");
  HWND box = lastBox_;
  if (!box || !IsWindow(box)) {
    RequireRunning("answer-box");
    std::vector<HWND> boxes;
    WaitFor(TimeoutOf(s), [&] {
      boxes = MessageBoxes();
      return !boxes.empty();
    });
    if (boxes.empty()) throw Failure("no message box is shown");
    box = boxes.front();
  }
  BoxInfo info;
  WaitFor(1.0, [&] {
    info = ReadBox(box);
    return !info.buttons.empty();
  });
  const std::string& want = s.positional[0];
  static const std::pair<const char*, int> kIds[] = {{"IDOK", IDOK}, {"IDCANCEL", IDCANCEL}, {"IDABORT", IDABORT},
                                                      {"IDRETRY", IDRETRY}, {"IDIGNORE", IDIGNORE}, {"IDYES", IDYES},
                                                      {"IDNO", IDNO}, {"IDCLOSE", IDCLOSE}};
  int id = -1;
  for (auto& [n, v] : kIds)
    if (_stricmp(want.c_str(), n) == 0) id = v;
  if (id < 0 && !want.empty() && std::all_of(want.begin(), want.end(), ::isdigit)) id = atoi(want.c_str());
  const BoxButton* button = nullptr;
  std::string wantCaption = Lower(want);
  wantCaption.erase(std::remove(wantCaption.begin(), wantCaption.end(), '&'), wantCaption.end());
  for (const BoxButton& b : info.buttons)
    if ((id >= 0 && b.id == id) || (id < 0 && Lower(b.caption) == wantCaption)) button = &b;
  if (!button) {
    std::string list;
    for (const BoxButton& b : info.buttons) list += " " + std::to_string(b.id) + "=" + Quoted(b.caption);
    throw Failure("the box has no button " + Quoted(want) + " (buttons:" + list + ")");
  }
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(button->id, BN_CLICKED), reinterpret_cast<LPARAM>(button->hwnd));
  if (!WaitFor(TimeoutOf(s), [&] { return !IsWindow(box) || !IsWindowVisible(box); }))
    throw Failure("the box is still shown after pressing " + Quoted(button->caption));
  lastBox_ = nullptr;
  windows_.erase("box");
}

void Driver::CmdExpectNoBox(const std::vector<std::string>& a) {
  double seconds = ToSeconds(a[1]);
  RequireRunning("expect-no-box");
  HWND seen = nullptr;
  WaitFor(seconds, [&] {
    std::vector<HWND> boxes = MessageBoxes();
    if (!boxes.empty()) seen = boxes.front();
    return seen != nullptr;
  });
  if (seen) {
    BoxInfo info = ReadBox(seen);
    throw Failure("a message box appeared: " + Quoted(info.caption) + ": " + Quoted(info.text));
  }
}

// ---- pictures --------------------------------------------------------

void Driver::CmdCapture(const std::vector<std::string>& a) {
  SplitArgs s = SplitOptions(a, 2, {"mode"});
  HWND h = Window(a[1]);
  CaptureMode mode = CaptureMode::Auto;
  if (const Option* o = s.Find("mode")) {
    if (o->value == "screen") mode = CaptureMode::Screen;
    else if (o->value == "print") mode = CaptureMode::Print;
    else if (o->value != "auto") throw Failure("mode must be auto, print or screen");
  }
  std::string note;
  Image img = CaptureWindow(h, mode, note);
  if (img.Empty()) throw Failure("the window could not be captured");
  if (!note.empty()) {
    printf("  capture notes:\n%s", note.c_str());
    fflush(stdout);
  }
  if (s.positional.size() > 1) throw Failure("capture ALIAS [FILE] [mode=auto|print|screen]");
  if (!s.positional.empty()) {
    std::string err = SaveImage(img, Widen(s.positional[0]));
    if (!err.empty()) throw Failure("cannot save " + s.positional[0] + ": " + err);
    Log("  saved " + s.positional[0] + " (" + std::to_string(img.width) + "x" + std::to_string(img.height) + ")");
  }
  captures_[a[1]] = std::move(img);
}

void Driver::CmdPixel(const std::vector<std::string>& a) {
  SplitArgs s = SplitOptions(a, 2, {"tol", "at"});
  if (s.positional.size() != 3) throw Failure("pixel ALIAS X Y RRGGBB [tol=N] [at=CONTROL]");
  auto it = captures_.find(a[1]);
  if (it == captures_.end()) throw Failure("no capture of \"" + a[1] + "\" yet (use capture)");
  const Image& img = it->second;
  int x, y;
  if (const Option* at = s.Find("at")) {
    // Relative to a control's top-left corner (negative: from its far edge).
    HWND h = Window(a[1]);
    ControlInfo c;
    if (!FindControl(h, at->value, c)) throw Failure("no control named " + at->value);
    RECT r = ControlRectInWindow(h, c);
    x = r.left + Coord(s.positional[0], r.right - r.left, "X");
    y = r.top + Coord(s.positional[1], r.bottom - r.top, "Y");
  } else {
    x = Coord(s.positional[0], img.width, "X");
    y = Coord(s.positional[1], img.height, "Y");
  }
  if (x < 0 || y < 0 || x >= img.width || y >= img.height)
    throw Failure("the point lies outside the capture (" + std::to_string(img.width) + "x" + std::to_string(img.height) + ")");
  const std::string& hex = s.positional[2];
  char* end = nullptr;
  unsigned long want = strtoul(hex.c_str(), &end, 16);
  if (hex.size() != 6 || *end) throw Failure("the colour must be RRGGBB");
  int tol = 0;
  if (const Option* o = s.Find("tol")) tol = ToInt(o->value, "the tolerance");
  uint32_t v = img.At(x, y);
  auto ch = [](uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); };
  bool ok = true;
  for (int shift : {16, 8, 0})
    if (std::abs(ch(v, shift) - ch(static_cast<uint32_t>(want), shift)) > tol) ok = false;
  if (!ok) {
    char buf[80];
    snprintf(buf, sizeof buf, "the pixel at %d,%d is %06X, expected %06lX (tolerance %d)", x, y, v & 0xFFFFFF, want, tol);
    throw Failure(buf);
  }
}

void Driver::CmdExpectRegion(const std::vector<std::string>& a) {
  HWND h = Window(a[1]);
  RECT wr;
  GetWindowRect(h, &wr);
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  int type = GetWindowRgn(h, rgn);
  struct Guard {
    HRGN r;
    ~Guard() { DeleteObject(r); }
  } guard{rgn};
  bool hasRegion = type != ERROR;
  if (a.size() == 3 && a[2] == "none") {
    if (hasRegion) throw Failure("the window has a region");
    return;
  }
  if (!hasRegion) throw Failure("the window has no region");
  if ((a.size() - 2) % 3 != 0) throw Failure("expect-region ALIAS inside|outside X Y [...]");
  for (size_t i = 2; i + 2 < a.size(); i += 3) {
    bool inside = a[i] == "inside";
    if (!inside && a[i] != "outside") throw Failure("expected inside or outside, not \"" + a[i] + "\"");
    int x = Coord(a[i + 1], wr.right - wr.left, "X"), y = Coord(a[i + 2], wr.bottom - wr.top, "Y");
    if ((PtInRegion(rgn, x, y) != FALSE) != inside)
      throw Failure("the point " + std::to_string(x) + "," + std::to_string(y) + " lies " +
                    (inside ? "outside" : "inside") + " the window region");
  }
}

}  // namespace qzdriver
