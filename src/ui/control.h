// Controls: everything that is placed on a parent.
//
//   Control         Left/Top/Width/Height (in the parent's client coordinates),
//                   Visible, Enabled, Parent, Font, Color, mouse events.
//   GraphicControl  windowless; painted by its container in z-order over the
//                   container's background; mouse input by hit test, with
//                   enter/leave tracking and capture while a button is held.
//   WinControl      has an HWND; a container for other controls.
//
// Ownership and parenthood are separate: the Owner (a Component) frees the
// control, the Parent shows it. A control made with `new X(parent, "Name")`
// is placed on `parent` and owned by the form that parent is on, as every
// component of a window is owned by its form (translation walks the form's
// components). State set before the HWND exists is stored and applied when
// the window is made; a control on a hidden form is fully usable.
//
// Deriving a new windowed control
// -------------------------------
//   class MyView : public qz::ui::WinControl {
//    public:
//     MyView(WinControl* parent, std::string name = {})
//         : WinControl(parent, std::move(name)) {}
//    protected:
//     void FillCreateParams(CreateParams& cp) override {
//       WinControl::FillCreateParams(cp);      // own class "QzWindow"
//       cp.style |= WS_TABSTOP | WS_VSCROLL;   // or cp.className = WC_LISTVIEWW
//     }
//     void HandleCreated() override { ... }    // push stored state into the HWND
//     LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
//       switch (msg) {
//         case WM_PAINT: { PAINTSTRUCT ps; HDC dc = BeginPaint(Handle(), &ps);
//                          ...; EndPaint(Handle(), &ps); return 0; }
//         case WM_LBUTTONDOWN: ...; return 0;
//       }
//       return WinControl::WndProc(msg, wp, lp);  // default handling
//     }
//   };
// - Windows are made lazily, never from a constructor (virtual calls would
//   not reach the derived class yet): a form makes its window and those of
//   all its controls on Show/ShowModal or HandleNeeded(); a control added to
//   a parent that already has a window gets its own at the next message
//   pump; any call that needs the window calls HandleNeeded() first. A
//   derived control that needs its window in its own constructor's body may
//   call HandleNeeded() there (its overrides are reached by then).
// - Messages arrive through SetWindowSubclass (the object is the reference
//   data; WinControl::FromHandle finds it through the window property
//   "QzControl"). GWLP_USERDATA stays free for code
//   that replaces the window procedure later (skinning answers WM_ERASEBKGND
//   with a bitmap that way); it must keep calling the procedure it replaced.
// - Notifications a child sends to its parent (WM_COMMAND, WM_NOTIFY,
//   WM_CTLCOLOR*, WM_DRAWITEM, WM_MEASUREITEM, WM_HSCROLL/WM_VSCROLL of
//   scroll-bar-like children) are handed back to the child object:
//   override CommandNotify, Notify, CtlColor, DrawItem, MeasureItem.
// - Every message goes through the exception barrier: a C++ exception from a
//   handler never unwinds through Win32 (application.h).
// - The own window class paints its background (Color or OnEraseBackground)
//   on WM_ERASEBKGND and its graphic children on WM_PAINT; a control that
//   paints itself completely answers WM_ERASEBKGND with 1.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/component.h"

namespace qz::ui {

class WinControl;
class Form;
class PopupMenu;

// A font by its parts. Fonts are made once per distinct description and kept for the
// life of the program (GetFontHandle), so controls never free them.
struct FontSpec {
  std::string face = "Tahoma";
  int size = 8;  // points; a negative value is a pixel height
  bool bold = false;
  bool italic = false;
  bool underline = false;
  COLORREF color = RGB(0, 0, 0);  // text colour (used by the controls that draw text themselves)
  bool operator==(const FontSpec&) const = default;
};
HFONT GetFontHandle(const FontSpec& spec);

enum class Alignment { Left, Center, Right };
enum class VAlignment { Top, Center, Bottom };
// Placement inside the parent's client area, laid out again on every resize.
enum class AlignMode { None, Top, Bottom, Left, Right, Client };
// Sides whose distance to the parent's edges is kept on resize.
enum Anchor : unsigned { AnchorLeft = 1, AnchorTop = 2, AnchorRight = 4, AnchorBottom = 8 };

enum class MouseButton { None, Left, Right, Middle };
struct MouseEvent {
  int x = 0, y = 0;  // in the control's own coordinates
  MouseButton button = MouseButton::None;
  UINT keys = 0;  // MK_* flags
};

inline constexpr COLORREF kDefaultColor = 0xFF000000;  // "take the parent's / system colour"

class Control : public Component {
 public:
  // Placed on `parent` (may be nullptr) and owned by `owner`.
  Control(Component* owner, WinControl* parent, std::string name);
  ~Control() override;

  WinControl* Parent() const { return parent_; }
  virtual void SetParent(WinControl* parent);
  // The form this control is on (the control itself for a form); nullptr when none.
  Form* ParentForm() const;

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  virtual void SetBounds(int left, int top, int width, int height);
  RECT BoundsRect() const { return RECT{left_, top_, left_ + width_, top_ + height_}; }
  // Client size (a form's client area; the bounds for most controls).
  virtual int ClientWidth() const { return width_; }
  virtual int ClientHeight() const { return height_; }

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool v);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible, and every parent up to the form too (false on a hidden form).
  bool Showing() const;
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool v);

  AlignMode Align() const { return align_; }
  void SetAlign(AlignMode a);
  unsigned Anchors() const { return anchors_; }
  void SetAnchors(unsigned anchors);

  // Font: taken from the parent until set (ParentFont).
  const FontSpec& Font() const { return font_; }
  void SetFont(const FontSpec& f);
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool v);
  // Background colour; kDefaultColor = the parent's (or the system's) colour.
  COLORREF Color() const { return color_; }
  void SetColor(COLORREF c);
  // The colour actually used: own colour, else the parent's, else the window colour.
  COLORREF EffectiveColor() const;

  // Shown as a tooltip while the mouse rests on the control (empty: none).
  std::string Hint;
  HCURSOR Cursor = nullptr;  // nullptr: the arrow
  PopupMenu* Popup = nullptr;  // shown on a right click when set

  // Repaints the control (for a graphic control: its rectangle of the parent).
  virtual void Invalidate();
  // Paints pending updates now.
  virtual void Update();

  // Events. OnClick runs for a left click (and for Click() from code).
  std::function<void()> OnClick;
  std::function<void()> OnDblClick;
  std::function<void(const MouseEvent&)> OnMouseDown;
  std::function<void(const MouseEvent&)> OnMouseUp;
  std::function<void(const MouseEvent&)> OnMouseMove;
  std::function<void()> OnMouseEnter;
  std::function<void()> OnMouseLeave;

  // Runs the click event as the user's click would.
  virtual void Click();

  // Kind of control, for test drivers and diagnostics ("Button", "Label", ...).
  virtual const char* ClassName() const { return "Control"; }

  // Rectangle in the client coordinates of the nearest windowed ancestor that
  // paints it (for a WinControl: its own window's parent).
  RECT RectInHost() const;
  // A point of this control in screen coordinates.
  POINT ClientToScreenPt(POINT p) const;

 protected:
  // Called after the bounds changed (already stored).
  virtual void BoundsChanged() {}
  virtual void VisibleChanged() {}
  virtual void EnabledChanged() {}
  virtual void FontChanged() {}
  virtual void ColorChanged() {}
  // Called on a parent's font change for children with ParentFont.
  void InheritFont(const FontSpec& f);

  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true;
  bool enabled_ = true;
  FontSpec font_;
  bool parentFont_ = true;
  COLORREF color_ = kDefaultColor;
  AlignMode align_ = AlignMode::None;
  unsigned anchors_ = AnchorLeft | AnchorTop;
  // Distances to the parent's right and bottom edges, for anchoring.
  int anchorRight_ = 0, anchorBottom_ = 0;
  bool anchorsKnown_ = false;

 private:
  friend class WinControl;
  friend class Form;
  void RememberAnchorDistances();
  WinControl* parent_ = nullptr;
  bool isForm_ = false;
};

class GraphicControl : public Control {
 public:
  GraphicControl(WinControl* parent, std::string name = {});
  GraphicControl(Component* owner, WinControl* parent, std::string name);

  // True while the mouse is over the control.
  bool MouseInside() const { return mouseInside_; }
  // Whether a point (own coordinates) hits the control; the default is the
  // whole rectangle. A hidden or disabled control is never hit.
  virtual bool HitTest(int x, int y) const;
  // Cursor over a point; the default is Cursor or the arrow.
  virtual HCURSOR CursorAt(int x, int y) const;

  // Paints into `dc` whose origin is the control's top-left corner and whose
  // clip region is the control's rectangle (intersected with the update area).
  virtual void Paint(HDC dc) = 0;

  void Invalidate() override;
  void Update() override;

  // Mouse input in own coordinates. The defaults raise the events; MouseUp
  // over the control after a left MouseDown on it is a click.
  virtual void MouseDown(const MouseEvent& e);
  virtual void MouseUp(const MouseEvent& e);
  virtual void MouseMove(const MouseEvent& e);
  virtual void DblClick(const MouseEvent& e);
  virtual void MouseEnter();
  virtual void MouseLeave();
  // The control held the mouse (a button pressed on it) and lost it before
  // the button came up: another window took the capture, or the container
  // let go. No MouseUp follows.
  virtual void CaptureLost() {}

 protected:
  void VisibleChanged() override;
  void EnabledChanged() override { Invalidate(); }
  void FontChanged() override { Invalidate(); }
  void ColorChanged() override { Invalidate(); }

 private:
  friend class WinControl;
  bool mouseInside_ = false;
  bool pressed_ = false;
};

class WinControl : public Control {
 public:
  WinControl(WinControl* parent, std::string name = {});
  WinControl(Component* owner, WinControl* parent, std::string name);
  ~WinControl() override;

  // The window; nullptr until made.
  HWND Handle() const { return hwnd_; }
  bool HandleAllocated() const { return hwnd_ != nullptr; }
  // Makes the window now (and the parent's first). False when it cannot be
  // made (no parent with a window, or the system refused).
  bool HandleNeeded();
  // The control object of a window made by this layer; nullptr otherwise.
  static WinControl* FromHandle(HWND hwnd);
  // The control id given to the window (unique within the process).
  int ControlId() const { return id_; }

  // Child controls in z-order (the first is the bottom-most).
  const std::vector<Control*>& Controls() const { return children_; }
  // The topmost visible, enabled graphic child at a client point; nullptr when none.
  GraphicControl* GraphicAt(int x, int y) const;

  void SetParent(WinControl* parent) override;
  void SetBounds(int left, int top, int width, int height) override;
  int ClientWidth() const override;
  int ClientHeight() const override;

  // Window text (the caption for most controls).
  std::string Text() const;
  void SetText(const std::string& text);

  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool v);
  void SetFocus();
  bool Focused() const;
  bool CanFocus() const;

  // An own-class container without its own colour paints what lies behind
  // it (the parent's background) when ParentBackground is on.
  bool ParentBackground() const { return parentBackground_; }
  void SetParentBackground(bool v);

  // Brings the window to the top of its siblings / sends it to the bottom.
  void BringToFront();
  void SendToBack();

  void Invalidate() override;
  void Update() override;

  // Background: when set, called on WM_ERASEBKGND with the window's DC;
  // return true when it painted the background. Code that replaces the window
  // procedure for the same purpose sees WM_ERASEBKGND first.
  std::function<bool(HDC)> OnEraseBackground;
  std::function<void()> OnResize;
  std::function<void()> OnEnter;  // got the focus
  std::function<void()> OnExit;   // lost the focus
  // Keys sent to this window (before default handling). Set handled to skip it.
  std::function<void(WPARAM key, bool& handled)> OnKeyDown;

  // Paints what lies behind `child` (the background of this window and the
  // graphic controls below) into `dc`, whose origin is the child's top-left
  // corner. Transparent-looking children call it from their colour message.
  void PaintBackgroundFor(const Control* child, HDC dc);
  // Paints this window's background into `dc` (client coordinates):
  // OnEraseBackground, or WM_ERASEBKGND to the current window procedure when
  // it is replaced, or the background colour.
  void EraseBackgroundTo(HDC dc);
  // Paints the graphic children that intersect `clip` (client coordinates).
  void PaintGraphics(HDC dc, const RECT& clip, const Control* below = nullptr);

  // Sends a message to the window (0 when there is none).
  LRESULT Perform(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const;

 protected:
  struct CreateParams {
    std::wstring className;  // empty: the layer's own class "QzWindow"
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    DWORD exStyle = 0;
    std::wstring text;
    HWND parent = nullptr;  // filled by the base (nullptr for top-level windows)
    HWND owner = nullptr;   // top-level windows only
    int x = 0, y = 0, width = 0, height = 0;
  };
  // Fills class, styles and bounds. The base gives the own class with
  // WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN (| WS_VISIBLE | WS_DISABLED
  // by the stored state) and WS_EX_CONTROLPARENT.
  virtual void FillCreateParams(CreateParams& cp);
  // The window exists: push the stored state into it.
  virtual void HandleCreated() {}
  // The window is about to go (WM_DESTROY): read back what should survive.
  virtual void HandleDestroying() {}
  // Every message of the window. The default handles what the layer needs
  // (children's notifications, painting of the own class, graphic children's
  // mouse input, focus, resize) and passes the rest to DefaultProc.
  virtual LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp);
  // The next window procedure (the system class, or DefWindowProc).
  LRESULT DefaultProc(UINT msg, WPARAM wp, LPARAM lp);

  // Notifications from the parent's point of view, handed back to the child.
  virtual bool CommandNotify(WORD code, LRESULT& result);
  virtual bool Notify(NMHDR* nm, LRESULT& result);
  // WM_CTLCOLOR*: a brush, or nullptr for the default handling.
  virtual HBRUSH CtlColor(HDC dc, UINT msg);
  virtual bool DrawItem(DRAWITEMSTRUCT* dis);
  virtual bool MeasureItem(MEASUREITEMSTRUCT* mis);
  // WM_HSCROLL / WM_VSCROLL sent to the parent by this control.
  virtual bool ScrollNotify(UINT msg, WPARAM wp);

  // Paints the own class's client (after the background): the graphic
  // children. Override to paint more (call the base to keep the children).
  virtual void PaintClient(HDC dc, const RECT& clip);
  // Lays out aligned and anchored children (called on resize).
  virtual void AlignControls();
  // The area children are aligned in (client coordinates).
  virtual RECT AlignRect() const;

  // Recreates the window (style changes that need it); stored state survives.
  void RecreateHandle();
  void DestroyHandle();
  // Adds/removes style bits, on the window when it exists.
  void SetStyleBits(DWORD bits, bool on, bool ex = false);

  void VisibleChanged() override;
  void EnabledChanged() override;
  void FontChanged() override;
  void ColorChanged() override;

  // Stored window text (kept while there is no window).
  std::string text_;
  bool tabStop_ = false;
  bool parentBackground_ = false;
  // Brush of the background colour (remade on colour change).
  HBRUSH BackgroundBrush();

 private:
  friend class Control;
  friend class GraphicControl;
  friend class Form;
  friend class Application;
  static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
  static LRESULT CALLBACK OwnClassProc(HWND, UINT, WPARAM, LPARAM);
  static void RegisterOwnClasses();
  LRESULT Dispatch(UINT msg, WPARAM wp, LPARAM lp);
  void Attach(HWND hwnd);
  void AddChild(Control* c);
  void RemoveChild(Control* c);
  bool HandleMouse(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
  void ReleaseGraphicMouse();
  void ApplyFontToWindow();
  void UpdateNameProperty();
  void DetachWindow();
  void CreateChildHandles();
  void PostCreateChildren();
  bool HasGraphicChildren() const;
  bool ReflectToChild(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
  // The steps of WndProc, in its order.
  LRESULT DescribeGraphics(HWND reply);
  void RelayHint(UINT msg, WPARAM wp, LPARAM lp);
  bool HandlePaint(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
  void PaintBuffered();
  void TrackWindowState(UINT msg, WPARAM wp, LPARAM lp);
  bool HandleInput(UINT msg, WPARAM wp, LPARAM lp);
  bool ShowContextMenu(POINT screenPoint);
  bool OwnClassMouse(UINT msg, WPARAM wp, LPARAM lp);

  HWND hwnd_ = nullptr;
  int id_ = 0;
  std::vector<Control*> children_;
  GraphicControl* hover_ = nullptr;    // graphic child under the mouse
  GraphicControl* capture_ = nullptr;  // graphic child holding the mouse
  bool trackingLeave_ = false;
  HBRUSH brush_ = nullptr;
  COLORREF brushColor_ = CLR_INVALID;
  std::string nameInProperty_;
  bool creating_ = false;
  bool destroying_ = false;
  bool aligning_ = false;
  bool ownClass_ = false;
  bool inOwnErase_ = false;
  bool pressedSelf_ = false;
  bool createChildrenPosted_ = false;
  DWORD styleOn_ = 0, styleOff_ = 0, exStyleOn_ = 0, exStyleOff_ = 0;
};

// The window property and query message an outside test driver uses to find
// controls by component Name:
// - every window made by this layer carries the property kNameProperty, a
//   global atom whose text is the component's Name (GlobalGetAtomNameW);
// - a container answers the registered message kDescribeMessage (wParam = a
//   window of the asking process) by sending it WM_COPYDATA (dwData =
//   kDescribeCopyDataId) with UTF-8 lines, one per graphic child in z-order:
//   "Name\tClass\tleft\ttop\twidth\theight\tvisible\tenabled\tcaption\n"
//   (client coordinates of the container; caption with line breaks as "\n").
inline constexpr const wchar_t* kNameProperty = L"QZName";
inline constexpr const wchar_t* kDescribeMessage = L"QzDescribeGraphics";
inline constexpr ULONG_PTR kDescribeCopyDataId = 0x515A4447;  // "QZDG"

// The own window class name (registered on first use).
inline constexpr const wchar_t* kWindowClass = L"QzWindow";
inline constexpr const wchar_t* kFormClass = L"QzForm";

// Internal messages of the layer (WM_APP range is left to the program).
inline constexpr UINT WM_QZ_FIRST = WM_USER + 0x3A00;
inline constexpr UINT WM_QZ_DEFERRED = WM_QZ_FIRST + 1;  // a form's deferred close/release
inline constexpr UINT WM_QZ_CALL = WM_QZ_FIRST + 2;      // a posted closure (application.h)
inline constexpr UINT WM_QZ_CREATECHILDREN = WM_QZ_FIRST + 3;  // make windows of new children
inline constexpr UINT WM_QZ_THREADTIMER = WM_QZ_FIRST + 4;     // a thread timer's interval passed

}  // namespace qz::ui
