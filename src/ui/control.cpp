#include "ui/control.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>

#include "core/text.h"
#include "ui/application.h"
#include "ui/form.h"
#include "ui/menu.h"
#include "ui/stdctrls.h"

namespace qz::ui {

// ---- fonts ---------------------------------------------------------------

HFONT GetFontHandle(const FontSpec& spec) {
  static std::mutex mu;
  static std::map<std::tuple<std::string, int, bool, bool, bool>, HFONT> cache;
  std::lock_guard<std::mutex> lock(mu);
  auto key = std::make_tuple(spec.face, spec.size, spec.bold, spec.italic, spec.underline);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  int height = spec.size;  // <= 0: a pixel height of the characters, as LOGFONT takes it
  if (spec.size > 0) {
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    height = -MulDiv(spec.size, dpi, 72);
  }
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWeight = spec.bold ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = spec.italic;
  lf.lfUnderline = spec.underline;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = DEFAULT_QUALITY;
  std::wstring face = Widen(spec.face);
  wcsncpy(lf.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  HFONT f = CreateFontIndirectW(&lf);
  if (!f) f = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  cache[key] = f;
  return f;
}

namespace {

constexpr UINT_PTR kSubclassId = 0x515A;  // "QZ"
constexpr const wchar_t* kObjectProperty = L"QzControl";  // the WinControl of a window

int NextControlId() {
  static int next = 1000;  // clear of IDOK, IDCANCEL and the other dialog ids
  return next++;
}

UINT DescribeMessage() {
  static UINT msg = RegisterWindowMessageW(kDescribeMessage);
  return msg;
}

bool IsOwnClassName(const std::wstring& cls) {
  return cls.empty() || cls == kWindowClass || cls == kFormClass;
}

MouseButton ButtonOf(UINT msg) {
  switch (msg) {
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_LBUTTONDBLCLK: return MouseButton::Left;
    case WM_RBUTTONDOWN: case WM_RBUTTONUP: case WM_RBUTTONDBLCLK: return MouseButton::Right;
    case WM_MBUTTONDOWN: case WM_MBUTTONUP: case WM_MBUTTONDBLCLK: return MouseButton::Middle;
    default: return MouseButton::None;
  }
}

std::string EscapeLineBreaks(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\r') continue;
    if (c == '\n') out += "\\n";
    else if (c == '\t') out += ' ';
    else out += c;
  }
  return out;
}

}  // namespace

// ---- Control --------------------------------------------------------------

Control::Control(Component* owner, WinControl* parent, std::string name)
    : Component(owner, std::move(name)) {
  if (parent) Control::SetParent(parent);
}

Control::~Control() {
  if (parent_) {
    if (Form* f = parent_->ParentForm()) {
      if (f->activeControl_ == this) f->activeControl_ = nullptr;
      if (f->defaultButton_ && static_cast<Control*>(f->defaultButton_) == this) f->defaultButton_ = nullptr;
      if (f->cancelButton_ && static_cast<Control*>(f->cancelButton_) == this) f->cancelButton_ = nullptr;
    }
    WinControl* p = parent_;
    parent_ = nullptr;
    p->RemoveChild(this);
  }
}

Form* Control::ParentForm() const {
  const Control* c = this;
  while (c) {
    if (c->isForm_) return static_cast<Form*>(const_cast<Control*>(c));
    c = c->parent_;
  }
  return nullptr;
}

void Control::SetParent(WinControl* parent) {
  if (parent == parent_ || parent == this) return;
  if (parent_) {
    Invalidate();
    WinControl* old = parent_;
    parent_ = nullptr;
    old->RemoveChild(this);
  }
  parent_ = parent;
  if (parent_) {
    parent_->AddChild(this);
    if (parentFont_) font_ = parent_->font_;
    anchorsKnown_ = false;
    RememberAnchorDistances();
    Invalidate();
  }
}

void Control::SetBounds(int left, int top, int width, int height) {
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  Invalidate();
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  RememberAnchorDistances();
  BoundsChanged();
  Invalidate();
}

void Control::RememberAnchorDistances() {
  if (!parent_) return;
  if (parent_->aligning_) return;  // the parent's layout keeps the distances
  anchorRight_ = parent_->ClientWidth() - (left_ + width_);
  anchorBottom_ = parent_->ClientHeight() - (top_ + height_);
  anchorsKnown_ = true;
}

bool Control::Showing() const {
  const Control* c = this;
  while (c) {
    if (!c->visible_) return false;
    if (c->isForm_) return true;
    c = c->parent_;
  }
  return false;
}

void Control::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  VisibleChanged();
  if (parent_ && align_ != AlignMode::None) parent_->AlignControls();
}

void Control::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  EnabledChanged();
}

void Control::SetAlign(AlignMode a) {
  if (a == align_) return;
  align_ = a;
  if (parent_) parent_->AlignControls();
}

void Control::SetAnchors(unsigned anchors) {
  anchors_ = anchors;
  RememberAnchorDistances();
}

void Control::SetFont(const FontSpec& f) {
  parentFont_ = false;
  font_ = f;
  FontChanged();
  if (auto* w = dynamic_cast<WinControl*>(this))
    for (Control* c : w->children_) c->InheritFont(font_);
}

void Control::SetParentFont(bool v) {
  parentFont_ = v;
  if (v && parent_) InheritFont(parent_->font_);
}

void Control::InheritFont(const FontSpec& f) {
  if (!parentFont_) return;
  font_ = f;
  FontChanged();
  if (auto* w = dynamic_cast<WinControl*>(this))
    for (Control* c : w->children_) c->InheritFont(font_);
}

void Control::SetColor(COLORREF c) {
  if (c == color_) return;
  color_ = c;
  ColorChanged();
}

COLORREF Control::EffectiveColor() const {
  if (color_ != kDefaultColor) return color_;
  if (parent_) return parent_->EffectiveColor();
  return GetSysColor(COLOR_BTNFACE);
}

void Control::Invalidate() {}
void Control::Update() {}

void Control::Click() {
  if (OnClick) OnClick();
}

RECT Control::RectInHost() const { return BoundsRect(); }

POINT Control::ClientToScreenPt(POINT p) const {
  const Control* c = this;
  // Graphic controls: add offsets up to the first windowed ancestor.
  while (c && !dynamic_cast<const WinControl*>(c)) {
    p.x += c->left_;
    p.y += c->top_;
    c = c->parent_;
  }
  if (auto* w = dynamic_cast<const WinControl*>(c); w && w->Handle()) ClientToScreen(w->Handle(), &p);
  return p;
}

// ---- GraphicControl -----------------------------------------------------------

namespace {
Component* OwnerFor(WinControl* parent) {
  if (!parent) return nullptr;
  if (Form* f = parent->ParentForm()) return f;
  return parent;
}
}  // namespace

GraphicControl::GraphicControl(WinControl* parent, std::string name)
    : Control(OwnerFor(parent), parent, std::move(name)) {}

GraphicControl::GraphicControl(Component* owner, WinControl* parent, std::string name)
    : Control(owner, parent, std::move(name)) {}

bool GraphicControl::HitTest(int x, int y) const {
  return visible_ && enabled_ && x >= 0 && y >= 0 && x < width_ && y < height_;
}

HCURSOR GraphicControl::CursorAt(int, int) const {
  return Cursor ? Cursor : LoadCursor(nullptr, IDC_ARROW);
}

void GraphicControl::Invalidate() {
  WinControl* p = Parent();
  if (!p || !p->Handle()) return;
  RECT r = BoundsRect();
  InvalidateRect(p->Handle(), &r, TRUE);
}

void GraphicControl::Update() {
  if (WinControl* p = Parent(); p && p->Handle()) UpdateWindow(p->Handle());
}

void GraphicControl::VisibleChanged() {
  if (WinControl* p = Parent(); p && p->Handle()) {
    RECT r = BoundsRect();
    InvalidateRect(p->Handle(), &r, TRUE);
  }
  if (!visible_ && mouseInside_) MouseLeave();
  // A hidden control is no longer under the mouse: shown again, it gets a
  // fresh enter when the mouse moves over it.
  if (WinControl* p = Parent(); !visible_ && p && p->hover_ == this) p->hover_ = nullptr;
}

void GraphicControl::MouseDown(const MouseEvent& e) {
  if (e.button == MouseButton::Left) pressed_ = true;
  if (OnMouseDown) OnMouseDown(e);
}

void GraphicControl::MouseUp(const MouseEvent& e) {
  bool click = pressed_ && e.button == MouseButton::Left && e.x >= 0 && e.y >= 0 &&
               e.x < width_ && e.y < height_;
  if (e.button == MouseButton::Left) pressed_ = false;
  if (OnMouseUp) OnMouseUp(e);
  if (click) Click();  // last: a click handler may free the control
}

void GraphicControl::MouseMove(const MouseEvent& e) {
  if (OnMouseMove) OnMouseMove(e);
}

void GraphicControl::DblClick(const MouseEvent&) {
  if (OnDblClick) OnDblClick();
}

void GraphicControl::MouseEnter() {
  mouseInside_ = true;
  if (OnMouseEnter) OnMouseEnter();
}

void GraphicControl::MouseLeave() {
  mouseInside_ = false;
  if (OnMouseLeave) OnMouseLeave();
}

// ---- WinControl ---------------------------------------------------------------

void WinControl::RegisterOwnClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = &WinControl::OwnClassProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = kWindowClass;
  RegisterClassExW(&wc);
  wc.lpszClassName = kFormClass;
  wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
  RegisterClassExW(&wc);
}

WinControl::WinControl(WinControl* parent, std::string name)
    : Control(OwnerFor(parent), parent, std::move(name)) {
  id_ = NextControlId();
  if (parent) parent->PostCreateChildren();
}

WinControl::WinControl(Component* owner, WinControl* parent, std::string name)
    : Control(owner, parent, std::move(name)) {
  id_ = NextControlId();
  if (parent) parent->PostCreateChildren();
}

void WinControl::PostCreateChildren() {
  // A child still being constructed gets its window at the next pump.
  if (hwnd_ && !createChildrenPosted_) {
    createChildrenPosted_ = true;
    PostMessageW(hwnd_, WM_QZ_CREATECHILDREN, 0, 0);
  }
}

WinControl::~WinControl() {
  destroying_ = true;
  // Children lose their parent; their windows go with ours.
  for (Control* c : children_) c->parent_ = nullptr;
  children_.clear();
  hover_ = capture_ = nullptr;
  if (hwnd_) {
    HWND h = hwnd_;
    DetachWindow();
    DestroyWindow(h);
  }
  if (brush_) DeleteObject(brush_);
}

WinControl* WinControl::FromHandle(HWND hwnd) {
  if (!hwnd) return nullptr;
  // Only windows of this thread carry a usable object pointer.
  if (GetWindowThreadProcessId(hwnd, nullptr) != GetCurrentThreadId()) return nullptr;
  return static_cast<WinControl*>(GetPropW(hwnd, kObjectProperty));
}

LRESULT CALLBACK WinControl::OwnClassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    if (auto* self = static_cast<WinControl*>(cs->lpCreateParams)) self->Attach(hwnd);
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK WinControl::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                          DWORD_PTR ref) {
  auto* self = reinterpret_cast<WinControl*>(ref);
  if (msg == WM_NCDESTROY) {
    self->DetachWindow();
    return DefSubclassProc(hwnd, msg, wp, lp);
  }
  return self->Dispatch(msg, wp, lp);
}

void WinControl::Attach(HWND hwnd) {
  hwnd_ = hwnd;
  SetWindowSubclass(hwnd, &WinControl::SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  SetPropW(hwnd, kObjectProperty, this);
  UpdateNameProperty();
}

void WinControl::DetachWindow() {
  if (!hwnd_) return;
  HWND h = hwnd_;
  if (Form* f = ParentForm(); f && f != this) f->ForgetHintTool(h);
  if (HANDLE a = GetPropW(h, kNameProperty)) {
    RemovePropW(h, kNameProperty);
    GlobalDeleteAtom(static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(a)));
  }
  RemoveWindowSubclass(h, &WinControl::SubclassProc, kSubclassId);
  RemovePropW(h, kObjectProperty);
  hwnd_ = nullptr;
  hover_ = capture_ = nullptr;
  trackingLeave_ = false;
  createChildrenPosted_ = false;
}

void WinControl::UpdateNameProperty() {
  if (!hwnd_) return;
  if (HANDLE a = GetPropW(hwnd_, kNameProperty)) {
    RemovePropW(hwnd_, kNameProperty);
    GlobalDeleteAtom(static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(a)));
  }
  nameInProperty_ = Name;
  if (Name.empty()) return;
  std::wstring w = Widen(Name.substr(0, 255));
  if (ATOM atom = GlobalAddAtomW(w.c_str()))
    SetPropW(hwnd_, kNameProperty, reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(atom)));
}

void WinControl::FillCreateParams(CreateParams& cp) {
  cp.className.clear();
  cp.style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  if (visible_) cp.style |= WS_VISIBLE;
  if (!enabled_) cp.style |= WS_DISABLED;
  if (tabStop_) cp.style |= WS_TABSTOP;
  cp.exStyle = WS_EX_CONTROLPARENT;
  cp.text = Widen(text_);
  cp.x = left_;
  cp.y = top_;
  cp.width = width_;
  cp.height = height_;
}

bool WinControl::HandleNeeded() {
  if (hwnd_) return true;
  if (creating_ || destroying_) return false;
  HWND parentWnd = nullptr;
  if (!isForm_) {
    if (!parent_) return false;
    if (!parent_->HandleNeeded()) return false;
    if (hwnd_) return true;  // made while the parent made its children
    parentWnd = parent_->hwnd_;
  }
  RegisterOwnClasses();
  CreateParams cp;
  FillCreateParams(cp);
  cp.style = (cp.style | styleOn_) & ~styleOff_;
  cp.exStyle = (cp.exStyle | exStyleOn_) & ~exStyleOff_;
  ownClass_ = IsOwnClassName(cp.className);
  std::wstring cls = cp.className.empty() ? std::wstring(kWindowClass) : cp.className;
  creating_ = true;
  HWND h = CreateWindowExW(cp.exStyle, cls.c_str(), cp.text.c_str(), cp.style, cp.x, cp.y,
                           cp.width, cp.height, parentWnd ? parentWnd : cp.owner,
                           parentWnd ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)) : nullptr,
                           GetModuleHandleW(nullptr), ownClass_ ? this : nullptr);
  creating_ = false;
  if (!h) return false;
  if (!hwnd_) Attach(h);
  ApplyFontToWindow();
  HandleCreated();
  CreateChildHandles();
  if (parent_ && parent_->hwnd_ &&
      (align_ != AlignMode::None || anchors_ != (AnchorLeft | AnchorTop)))
    parent_->AlignControls();
  return hwnd_ != nullptr;
}

void WinControl::CreateChildHandles() {
  createChildrenPosted_ = false;
  // Copy: creating a child may run code that adds or removes children.
  std::vector<Control*> kids = children_;
  for (Control* c : kids) {
    if (std::find(children_.begin(), children_.end(), c) == children_.end()) continue;
    if (auto* w = dynamic_cast<WinControl*>(c); w && !w->hwnd_) w->HandleNeeded();
  }
  AlignControls();
}

void WinControl::DestroyHandle() {
  if (!hwnd_) return;
  DestroyWindow(hwnd_);  // WM_DESTROY reads back state, WM_NCDESTROY detaches
}

void WinControl::RecreateHandle() {
  if (!hwnd_) return;
  DestroyHandle();
  HandleNeeded();
}

void WinControl::AddChild(Control* c) { children_.push_back(c); }

void WinControl::RemoveChild(Control* c) {
  children_.erase(std::remove(children_.begin(), children_.end(), c), children_.end());
  if (hover_ == c) hover_ = nullptr;
  if (capture_ == c) {
    capture_ = nullptr;
    if (hwnd_ && GetCapture() == hwnd_) ReleaseCapture();
  }
}

void WinControl::SetParent(WinControl* parent) {
  if (parent == Parent() || parent == this) return;
  Control::SetParent(parent);
  if (isForm_) return;
  if (!hwnd_) {
    if (parent) parent->PostCreateChildren();
    return;
  }
  if (parent && parent->hwnd_) {
    ::SetParent(hwnd_, parent->hwnd_);
    MoveWindow(hwnd_, left_, top_, width_, height_, TRUE);
  } else {
    DestroyHandle();
  }
}

void WinControl::SetBounds(int left, int top, int width, int height) {
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  bool sized = width != width_ || height != height_;
  if (left == left_ && top == top_ && !sized) return;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  RememberAnchorDistances();
  if (hwnd_) {
    SetWindowPos(hwnd_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  } else if (sized) {
    AlignControls();
  }
  BoundsChanged();
}

int WinControl::ClientWidth() const {
  if (hwnd_) {
    RECT r;
    GetClientRect(hwnd_, &r);
    return r.right;
  }
  return width_;
}

int WinControl::ClientHeight() const {
  if (hwnd_) {
    RECT r;
    GetClientRect(hwnd_, &r);
    return r.bottom;
  }
  return height_;
}

std::string WinControl::Text() const {
  if (hwnd_) {
    int n = GetWindowTextLengthW(hwnd_);
    std::wstring w(static_cast<size_t>(n) + 1, L'\0');
    n = GetWindowTextW(hwnd_, w.data(), n + 1);
    w.resize(static_cast<size_t>(std::max(n, 0)));
    return Narrow(w);
  }
  return text_;
}

void WinControl::SetText(const std::string& text) {
  text_ = text;
  if (hwnd_) SetWindowTextW(hwnd_, Widen(text).c_str());
}

void WinControl::SetTabStop(bool v) {
  tabStop_ = v;
  SetStyleBits(WS_TABSTOP, v);
}

void WinControl::SetFocus() {
  if (HandleNeeded()) ::SetFocus(hwnd_);
}

bool WinControl::Focused() const { return hwnd_ && GetFocus() == hwnd_; }

bool WinControl::CanFocus() const {
  const Control* c = this;
  while (c) {
    if (!c->visible_ || !c->enabled_) return false;
    c = c->Parent();
  }
  return true;
}

void WinControl::SetParentBackground(bool v) {
  parentBackground_ = v;
  Invalidate();
}

void WinControl::BringToFront() {
  if (Parent()) {
    auto& v = Parent()->children_;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
    v.push_back(this);
  }
  if (hwnd_) SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void WinControl::SendToBack() {
  if (Parent()) {
    auto& v = Parent()->children_;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
    v.insert(v.begin(), this);
  }
  if (hwnd_) SetWindowPos(hwnd_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void WinControl::Invalidate() {
  if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

void WinControl::Update() {
  if (hwnd_) UpdateWindow(hwnd_);
}

LRESULT WinControl::Perform(UINT msg, WPARAM wp, LPARAM lp) const {
  return hwnd_ ? SendMessageW(hwnd_, msg, wp, lp) : 0;
}

void WinControl::SetStyleBits(DWORD bits, bool on, bool ex) {
  DWORD& add = ex ? exStyleOn_ : styleOn_;
  DWORD& del = ex ? exStyleOff_ : styleOff_;
  if (on) {
    add |= bits;
    del &= ~bits;
  } else {
    del |= bits;
    add &= ~bits;
  }
  if (!hwnd_) return;
  int index = ex ? GWL_EXSTYLE : GWL_STYLE;
  LONG_PTR s = GetWindowLongPtrW(hwnd_, index);
  LONG_PTR n = on ? (s | bits) : (s & ~static_cast<LONG_PTR>(bits));
  if (n != s) {
    SetWindowLongPtrW(hwnd_, index, n);
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
}

void WinControl::VisibleChanged() {
  if (hwnd_) {
    ShowWindow(hwnd_, visible_ ? SW_SHOWNA : SW_HIDE);
  } else if (visible_ && parent_ && parent_->hwnd_) {
    HandleNeeded();
  }
}

void WinControl::EnabledChanged() {
  if (hwnd_) EnableWindow(hwnd_, enabled_);
}

void WinControl::ApplyFontToWindow() {
  if (hwnd_) SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(GetFontHandle(font_)), TRUE);
}

void WinControl::FontChanged() { ApplyFontToWindow(); }

void WinControl::ColorChanged() { Invalidate(); }

HBRUSH WinControl::BackgroundBrush() {
  COLORREF c = EffectiveColor();
  if (!brush_ || c != brushColor_) {
    if (brush_) DeleteObject(brush_);
    brush_ = CreateSolidBrush(c);
    brushColor_ = c;
  }
  return brush_;
}

bool WinControl::HasGraphicChildren() const {
  for (Control* c : children_)
    if (!dynamic_cast<WinControl*>(c) && c->visible_) return true;
  return false;
}

GraphicControl* WinControl::GraphicAt(int x, int y) const {
  for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
    auto* g = dynamic_cast<GraphicControl*>(*it);
    if (g && g->HitTest(x - g->left_, y - g->top_)) return g;
  }
  return nullptr;
}

void WinControl::PaintGraphics(HDC dc, const RECT& clip, const Control* below) {
  // Copy: painting must not be disturbed by a child list changed meanwhile.
  std::vector<Control*> kids = children_;
  for (Control* c : kids) {
    if (c == below) break;
    auto* g = dynamic_cast<GraphicControl*>(c);
    if (!g || !g->visible_ || g->width_ <= 0 || g->height_ <= 0) continue;
    RECT r = g->BoundsRect(), x;
    if (!IntersectRect(&x, &r, &clip)) continue;
    int saved = SaveDC(dc);
    IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
    OffsetViewportOrgEx(dc, g->left_, g->top_, nullptr);
    SelectObject(dc, GetFontHandle(g->font_));
    g->Paint(dc);
    RestoreDC(dc, saved);
  }
}

void WinControl::EraseBackgroundTo(HDC dc) {
  if (hwnd_) {
    inOwnErase_ = true;
    // Through the current window procedure, so a replaced WM_ERASEBKGND is honoured.
    SendMessageW(hwnd_, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    inOwnErase_ = false;
    return;
  }
  if (OnEraseBackground && OnEraseBackground(dc)) return;
  RECT r{0, 0, width_, height_};
  FillRect(dc, &r, BackgroundBrush());
}

void WinControl::PaintBackgroundFor(const Control* child, HDC dc) {
  int saved = SaveDC(dc);
  OffsetViewportOrgEx(dc, -child->left_, -child->top_, nullptr);
  RECT r = child->BoundsRect();
  IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
  EraseBackgroundTo(dc);
  // Graphic controls lie below every windowed child; for a graphic child only
  // those below it.
  PaintGraphics(dc, r, dynamic_cast<const WinControl*>(child) ? nullptr : child);
  RestoreDC(dc, saved);
}

void WinControl::PaintClient(HDC dc, const RECT& clip) { PaintGraphics(dc, clip); }

RECT WinControl::AlignRect() const {
  return RECT{0, 0, ClientWidth(), ClientHeight()};
}

void WinControl::AlignControls() {
  if (aligning_) return;
  aligning_ = true;
  RECT r = AlignRect();
  int cw = ClientWidth(), ch = ClientHeight();
  // Aligned children: top, bottom, left, right, then client, each in creation order.
  const AlignMode order[] = {AlignMode::Top, AlignMode::Bottom, AlignMode::Left, AlignMode::Right,
                             AlignMode::Client};
  std::vector<Control*> kids = children_;
  for (AlignMode mode : order) {
    for (Control* c : kids) {
      if (c->align_ != mode || !c->visible_) continue;
      int w = std::max<int>(0, r.right - r.left), h = std::max<int>(0, r.bottom - r.top);
      switch (mode) {
        case AlignMode::Top:
          c->SetBounds(r.left, r.top, w, c->height_);
          r.top += c->height_;
          break;
        case AlignMode::Bottom:
          c->SetBounds(r.left, r.bottom - c->height_, w, c->height_);
          r.bottom -= c->height_;
          break;
        case AlignMode::Left:
          c->SetBounds(r.left, r.top, c->width_, h);
          r.left += c->width_;
          break;
        case AlignMode::Right:
          c->SetBounds(r.right - c->width_, r.top, c->width_, h);
          r.right -= c->width_;
          break;
        case AlignMode::Client:
          c->SetBounds(r.left, r.top, w, h);
          break;
        case AlignMode::None:
          break;
      }
    }
  }
  // Anchored children keep their distances to the right and bottom edges.
  for (Control* c : kids) {
    if (c->align_ != AlignMode::None || !c->anchorsKnown_) continue;
    unsigned a = c->anchors_;
    if (!(a & (AnchorRight | AnchorBottom))) continue;
    int l = c->left_, t = c->top_, w = c->width_, h = c->height_;
    if (a & AnchorRight) {
      if (a & AnchorLeft) w = std::max(0, cw - c->anchorRight_ - l);
      else l = cw - c->anchorRight_ - w;
    }
    if (a & AnchorBottom) {
      if (a & AnchorTop) h = std::max(0, ch - c->anchorBottom_ - t);
      else t = ch - c->anchorBottom_ - h;
    }
    c->SetBounds(l, t, w, h);
  }
  aligning_ = false;
}

bool WinControl::CommandNotify(WORD, LRESULT&) { return false; }
bool WinControl::Notify(NMHDR*, LRESULT&) { return false; }
HBRUSH WinControl::CtlColor(HDC, UINT) { return nullptr; }
bool WinControl::DrawItem(DRAWITEMSTRUCT*) { return false; }
bool WinControl::MeasureItem(MEASUREITEMSTRUCT*) { return false; }
bool WinControl::ScrollNotify(UINT, WPARAM) { return false; }

LRESULT WinControl::DefaultProc(UINT msg, WPARAM wp, LPARAM lp) {
  return hwnd_ ? DefSubclassProc(hwnd_, msg, wp, lp) : 0;
}

LRESULT WinControl::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
  Form* form = ParentForm();
  std::shared_ptr<bool> alive;
  if (form && *form->alive_) {
    alive = form->alive_;
    form->Enter();
  } else {
    form = nullptr;
  }
  LRESULT r = 0;
  try {
    r = WndProc(msg, wp, lp);
  } catch (...) {
    // Never let an exception unwind through the system's code.
    App().HandleException(std::current_exception());
    r = 0;
  }
  if (form && *alive) form->Leave();
  return r;
}

bool WinControl::ReflectToChild(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_COMMAND:
      if (lp) {
        WinControl* c = FromHandle(reinterpret_cast<HWND>(lp));
        if (c && c != this) return c->CommandNotify(HIWORD(wp), result);
      }
      return false;
    case WM_NOTIFY: {
      auto* nm = reinterpret_cast<NMHDR*>(lp);
      WinControl* c = nm ? FromHandle(nm->hwndFrom) : nullptr;
      if (c && c != this) return c->Notify(nm, result);
      return false;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: {
      WinControl* c = FromHandle(reinterpret_cast<HWND>(lp));
      if (c && c != this) {
        if (HBRUSH b = c->CtlColor(reinterpret_cast<HDC>(wp), msg)) {
          result = reinterpret_cast<LRESULT>(b);
          return true;
        }
      }
      return false;
    }
    case WM_DRAWITEM: {
      auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
      if (dis->CtlType == ODT_MENU) return false;
      WinControl* c = FromHandle(dis->hwndItem);
      if (c && c != this && c->DrawItem(dis)) {
        result = TRUE;
        return true;
      }
      return false;
    }
    case WM_MEASUREITEM: {
      auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
      if (mis->CtlType == ODT_MENU) return false;
      WinControl* c = FromHandle(GetDlgItem(hwnd_, static_cast<int>(mis->CtlID)));
      if (c && c != this && c->MeasureItem(mis)) {
        result = TRUE;
        return true;
      }
      return false;
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (lp) {
        WinControl* c = FromHandle(reinterpret_cast<HWND>(lp));
        if (c && c != this && c->ScrollNotify(msg, wp)) {
          result = 0;
          return true;
        }
      }
      return false;
  }
  return false;
}

void WinControl::ReleaseGraphicMouse() {
  if (capture_) {
    GraphicControl* lost = capture_;
    lost->pressed_ = false;
    capture_ = nullptr;
    lost->CaptureLost();
  }
}

bool WinControl::HandleMouse(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  result = 0;
  switch (msg) {
    case WM_MOUSEMOVE: {
      // Windows without graphic children (list views, edits...) keep their
      // own mouse tracking untouched.
      if (!hover_ && !capture_ && !HasGraphicChildren()) return false;
      int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
      GraphicControl* over = GraphicAt(x, y);
      if (over != hover_) {
        GraphicControl* old = hover_;
        hover_ = over;
        if (old) old->MouseLeave();
        if (over && hover_ == over) over->MouseEnter();
      }
      if (!trackingLeave_ && hwnd_) {
        TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, hwnd_, 0};
        trackingLeave_ = TrackMouseEvent(&t) != FALSE;
      }
      GraphicControl* target = capture_ ? capture_ : hover_;
      if (target) {
        target->MouseMove(MouseEvent{x - target->left_, y - target->top_, MouseButton::None,
                                     static_cast<UINT>(wp)});
        return true;
      }
      return false;
    }
    case WM_MOUSELEAVE: {
      trackingLeave_ = false;
      if (hover_) {
        GraphicControl* old = hover_;
        hover_ = nullptr;
        old->MouseLeave();
      }
      return false;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
      GraphicControl* target = capture_ ? capture_ : GraphicAt(x, y);
      if (!target) return false;
      if (!capture_) {
        capture_ = target;
        SetCapture(hwnd_);
      }
      target->MouseDown(MouseEvent{x - target->left_, y - target->top_, ButtonOf(msg),
                                   static_cast<UINT>(wp)});
      return true;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
      GraphicControl* target = capture_ ? capture_ : GraphicAt(x, y);
      if (!target) return false;
      if (capture_ && !(wp & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON))) {
        capture_ = nullptr;
        if (GetCapture() == hwnd_) ReleaseCapture();
      }
      MouseEvent e{x - target->left_, y - target->top_, ButtonOf(msg), static_cast<UINT>(wp)};
      target->MouseUp(e);
      return true;
    }
    case WM_LBUTTONDBLCLK: {
      int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
      GraphicControl* target = GraphicAt(x, y);
      if (!target) return false;
      MouseEvent e{x - target->left_, y - target->top_, MouseButton::Left, static_cast<UINT>(wp)};
      // A double click is also a press: the button-up that follows is a click.
      target->MouseDown(e);
      capture_ = target;
      SetCapture(hwnd_);
      target->DblClick(e);
      return true;
    }
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lp) != hwnd_) ReleaseGraphicMouse();
      return false;
    case WM_SETCURSOR: {
      if (LOWORD(lp) != HTCLIENT || reinterpret_cast<HWND>(wp) != hwnd_) return false;
      POINT p;
      GetCursorPos(&p);
      ScreenToClient(hwnd_, &p);
      GraphicControl* g = capture_ ? capture_ : GraphicAt(p.x, p.y);
      if (g) {
        SetCursor(g->CursorAt(p.x - g->left_, p.y - g->top_));
        result = TRUE;
        return true;
      }
      if (Cursor) {
        SetCursor(Cursor);
        result = TRUE;
        return true;
      }
      return false;
    }
  }
  return false;
}

// ---- the message procedure, step by step ---------------------------------------

LRESULT WinControl::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  LRESULT result = 0;
  if (ReflectToChild(msg, wp, lp, result)) return result;
  if (msg == DescribeMessage() && msg != 0) return DescribeGraphics(reinterpret_cast<HWND>(wp));
  if (msg == WM_QZ_CREATECHILDREN) {
    CreateChildHandles();
    return 0;
  }
  const bool graphicMouse = HandleMouse(msg, wp, lp, result);
  RelayHint(msg, wp, lp);
  if (graphicMouse) return result;
  if (HandlePaint(msg, wp, lp, result)) return result;
  TrackWindowState(msg, wp, lp);
  if (HandleInput(msg, wp, lp)) return 0;
  if (ownClass_ && OwnClassMouse(msg, wp, lp)) return 0;
  return DefaultProc(msg, wp, lp);
}

LRESULT WinControl::DescribeGraphics(HWND reply) {
  std::string text;
  int n = 0;
  for (Control* c : children_) {
    auto* g = dynamic_cast<GraphicControl*>(c);
    if (!g) continue;
    ++n;
    text += g->Name + "\t" + g->ClassName() + "\t" + std::to_string(g->left_) + "\t" + std::to_string(g->top_) +
            "\t" + std::to_string(g->width_) + "\t" + std::to_string(g->height_) + "\t" +
            (g->visible_ ? "1" : "0") + "\t" + (g->enabled_ ? "1" : "0") + "\t" +
            EscapeLineBreaks(g->HasCaption() ? g->Caption() : std::string()) + "\n";
  }
  if (reply && IsWindow(reply)) {
    COPYDATASTRUCT cds{kDescribeCopyDataId, static_cast<DWORD>(text.size()), text.data()};
    SendMessageW(reply, WM_COPYDATA, reinterpret_cast<WPARAM>(hwnd_), reinterpret_cast<LPARAM>(&cds));
  }
  return n;
}

void WinControl::RelayHint(UINT msg, WPARAM wp, LPARAM lp) {
  const bool mouse = (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) || msg == WM_MOUSELEAVE;
  if (!mouse || !hwnd_) return;
  Form* form = ParentForm();
  if (!form) return;
  // What the mouse is over in this window: a graphic child, else the window itself.
  std::string text;
  RECT r{};
  if (msg != WM_MOUSELEAVE) {
    if (hover_ && hover_->visible_) {
      text = hover_->Hint;
      r = hover_->BoundsRect();
    } else if (!Hint.empty()) {
      text = Hint;
      GetClientRect(hwnd_, &r);
    }
  }
  form->ShowHintTool(hwnd_, r, text, msg, wp, lp);
}

bool WinControl::HandlePaint(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  (void)lp;
  switch (msg) {
    case WM_ERASEBKGND: {
      HDC dc = reinterpret_cast<HDC>(wp);
      if (OnEraseBackground && OnEraseBackground(dc)) {
        result = 1;
        return true;
      }
      if (!ownClass_) return false;
      result = 1;
      // With graphic children WM_PAINT paints everything through a buffer.
      if (!inOwnErase_ && HasGraphicChildren()) return true;
      if (parentBackground_ && color_ == kDefaultColor && parent_) {
        parent_->PaintBackgroundFor(this, dc);
        return true;
      }
      RECT r;
      GetClientRect(hwnd_, &r);
      FillRect(dc, &r, BackgroundBrush());
      return true;
    }
    case WM_PRINTCLIENT: {
      if (!ownClass_) return false;
      HDC dc = reinterpret_cast<HDC>(wp);
      RECT r;
      GetClientRect(hwnd_, &r);
      EraseBackgroundTo(dc);
      PaintClient(dc, r);
      result = 0;
      return true;
    }
    case WM_PAINT:
      if (!ownClass_) return false;
      PaintBuffered();
      result = 0;
      return true;
  }
  return false;
}

void WinControl::PaintBuffered() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  RECT rc = ps.rcPaint;
  if (HasGraphicChildren() && rc.right > rc.left && rc.bottom > rc.top) {
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bmp = CreateCompatibleBitmap(dc, rc.right - rc.left, rc.bottom - rc.top);
    HGDIOBJ oldBmp = SelectObject(mem, bmp);
    SetViewportOrgEx(mem, -rc.left, -rc.top, nullptr);
    IntersectClipRect(mem, rc.left, rc.top, rc.right, rc.bottom);
    EraseBackgroundTo(mem);
    PaintClient(mem, rc);
    SetViewportOrgEx(mem, 0, 0, nullptr);
    BitBlt(dc, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, mem, 0, 0, SRCCOPY);
    SelectObject(mem, oldBmp);
    DeleteObject(bmp);
    DeleteDC(mem);
  } else {
    PaintClient(dc, rc);
  }
  EndPaint(hwnd_, &ps);
}

void WinControl::TrackWindowState(UINT msg, WPARAM wp, LPARAM lp) {
  (void)wp;
  switch (msg) {
    case WM_WINDOWPOSCHANGED: {
      // The bounds as the system placed the window (a minimised form keeps
      // its normal ones): a form's on the screen, a child's in its parent.
      auto* wpos = reinterpret_cast<WINDOWPOS*>(lp);
      if (!(wpos->flags & SWP_NOMOVE && wpos->flags & SWP_NOSIZE) && !IsIconic(hwnd_)) {
        RECT r;
        GetWindowRect(hwnd_, &r);
        if (HWND p = isForm_ ? nullptr : GetParent(hwnd_))
          MapWindowPoints(nullptr, p, reinterpret_cast<POINT*>(&r), 2);
        left_ = r.left;
        top_ = r.top;
        width_ = r.right - r.left;
        height_ = r.bottom - r.top;
      }
      break;
    }
    case WM_SIZE:
      if (!isForm_) {
        AlignControls();
        if (OnResize) OnResize();
      }
      break;
    case WM_SETFOCUS:
      if (Form* f = ParentForm(); f && f != this) f->activeControl_ = this;
      if (OnEnter) OnEnter();
      break;
    case WM_KILLFOCUS:
      if (OnExit) OnExit();
      break;
    case WM_DESTROY:
      HandleDestroying();
      break;
  }
}

bool WinControl::HandleInput(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_KEYDOWN:
      if (OnKeyDown) {
        bool handled = false;
        OnKeyDown(wp, handled);
        return handled;
      }
      return false;
    case WM_CONTEXTMENU:
      return ShowContextMenu(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
  }
  return false;
}

bool WinControl::ShowContextMenu(POINT sp) {
  Control* target = this;
  if (sp.x != -1 || sp.y != -1) {
    POINT cp = sp;
    ScreenToClient(hwnd_, &cp);
    if (GraphicControl* g = GraphicAt(cp.x, cp.y); g && g->Popup) target = g;
  } else {
    RECT r;
    GetWindowRect(hwnd_, &r);
    sp = POINT{r.left + 4, r.top + 4};
  }
  if (!target->Popup) return false;
  target->Popup->PopupComponent = target;
  target->Popup->Popup(sp.x, sp.y);
  return true;
}

bool WinControl::OwnClassMouse(UINT msg, WPARAM wp, LPARAM lp) {
  // Mouse events of the own class (system controls report clicks their own way).
  const MouseEvent e{GET_X_LPARAM(lp), GET_Y_LPARAM(lp), ButtonOf(msg), static_cast<UINT>(wp)};
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (msg == WM_LBUTTONDOWN) {
        pressedSelf_ = true;
        SetCapture(hwnd_);
      }
      if (OnMouseDown) OnMouseDown(e);
      return false;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      bool click = false;
      if (msg == WM_LBUTTONUP && pressedSelf_) {
        pressedSelf_ = false;
        if (GetCapture() == hwnd_) ReleaseCapture();
        RECT r;
        GetClientRect(hwnd_, &r);
        click = PtInRect(&r, POINT{e.x, e.y}) != FALSE;
      }
      if (OnMouseUp) OnMouseUp(e);
      if (!click) return false;
      Click();
      return true;  // the handler may have freed this control
    }
    case WM_LBUTTONDBLCLK:
      if (OnDblClick) OnDblClick();
      return false;
    case WM_MOUSEMOVE:
      if (OnMouseMove) OnMouseMove(MouseEvent{e.x, e.y, MouseButton::None, e.keys});
      return false;
    case WM_CAPTURECHANGED:
      pressedSelf_ = false;
      return false;
  }
  return false;
}

}  // namespace qz::ui
