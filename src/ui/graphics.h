// Windowless controls, painted by their container over its background:
// Label, RichLabel (simple markup with links), Image (pictures with alpha),
// Bevel. They get mouse input by hit test (see GraphicControl in control.h).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/control.h"
#include "ui/picture.h"

namespace qz::ui {

class Label : public GraphicControl {
 public:
  explicit Label(WinControl* parent, std::string name = {}, const std::string& caption = {});
  Label(Component* owner, WinControl* parent, std::string name);
  const char* ClassName() const override { return "Label"; }

  bool HasCaption() const override { return true; }
  std::string Caption() const override { return caption_; }
  void SetCaption(const std::string& c) override;

  Alignment TextAlign() const { return align_; }
  void SetAlignment(Alignment a);
  VAlignment Layout() const { return layout_; }
  void SetLayout(VAlignment v);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool on);
  // Transparent: the container's background shows through (default);
  // otherwise the label fills its rectangle with its colour first.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on);
  // AutoSize (default on): the label's size follows its text (with word wrap
  // only the height). The edge named by the alignment stays in place.
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool on);
  // "&" marks a mnemonic and is not drawn. Off by default: a label shows its
  // text as it stands ("File Splitter & Joiner"); only a label that names a
  // control for the keyboard turns it on.
  bool ShowAccelChar() const { return showAccel_; }
  void SetShowAccelChar(bool on);
  // Text that does not fit ends with "..." (single line only).
  bool EndEllipsis() const { return ellipsis_; }
  void SetEndEllipsis(bool on);

  void Paint(HDC dc) override;
  // Recomputes the size from the text when AutoSize is on.
  void AdjustSize();

 protected:
  void FontChanged() override;
  void BoundsChanged() override;

 private:
  UINT DrawFlags() const;
  bool adjusting_ = false;
  std::string caption_;
  Alignment align_ = Alignment::Left;
  VAlignment layout_ = VAlignment::Top;
  bool wordWrap_ = false;
  bool transparent_ = true;
  bool autoSize_ = true;
  bool showAccel_ = false;
  bool ellipsis_ = false;
};

// One piece of laid-out rich text: a run of one style on one line.
struct RichRun {
  RECT rect{};
  std::string text;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  COLORREF color = CLR_INVALID;  // CLR_INVALID: the label's font colour
  int link = -1;                 // index of the link it belongs to, -1 none
};

// A label that renders simple markup: <b>, <i>, <u>, <br>, <font color=...>,
// links as <link>text</link> or <a href="target">text</a>, the entities
// &amp; &lt; &gt; &quot; &nbsp; &#N; and line breaks in the text. Unknown
// tags are shown as text. Words wrap at the width (WordWrap, default on);
// AutoHeight (default on) fits the height to the text. Clicking a link runs
// OnLinkClick; over a link the cursor is a hand and the link is highlighted.
class RichLabel : public GraphicControl {
 public:
  explicit RichLabel(WinControl* parent, std::string name = {}, const std::string& caption = {});
  const char* ClassName() const override { return "RichLabel"; }

  bool HasCaption() const override { return true; }
  std::string Caption() const override { return caption_; }
  void SetCaption(const std::string& c) override;

  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool on);
  bool AutoHeight() const { return autoHeight_; }
  void SetAutoHeight(bool on);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on);
  COLORREF LinkColor = RGB(0, 0, 255);
  COLORREF HotLinkColor = RGB(255, 0, 0);

  // Layout for the current width (made when needed).
  const std::vector<RichRun>& Runs() const;
  // Height of the laid-out text.
  int TextHeight() const;
  // The caption without markup (breaks as "\n").
  std::string PlainText() const;
  int LinkCount() const { return static_cast<int>(links_.size()); }
  std::string LinkText(int i) const;
  std::string LinkTarget(int i) const;  // href, or the link's text for <link>
  // The link under a point (own coordinates); -1 when none.
  int LinkAt(int x, int y) const;
  int HotLink() const { return hot_; }

  std::function<void(int index, const std::string& text, const std::string& target)> OnLinkClick;

  void Paint(HDC dc) override;
  HCURSOR CursorAt(int x, int y) const override;
  void MouseDown(const MouseEvent& e) override;
  void MouseUp(const MouseEvent& e) override;
  void MouseMove(const MouseEvent& e) override;
  void MouseLeave() override;

 protected:
  void BoundsChanged() override;
  void FontChanged() override;

 private:
  struct Piece {  // parsed text with its style
    std::string text;
    bool brk = false;
    bool bold = false, italic = false, underline = false;
    COLORREF color = CLR_INVALID;
    int link = -1;
  };
  struct Link {
    std::string text, target;
  };
  void Parse();
  void Relayout() const;
  void FitHeight();

  std::string caption_;
  std::vector<Piece> pieces_;
  std::vector<Link> links_;
  mutable std::vector<RichRun> runs_;
  mutable int textHeight_ = 0;
  mutable bool layoutValid_ = false;
  mutable int layoutWidth_ = -1;
  bool wordWrap_ = true;
  bool autoHeight_ = true;
  bool transparent_ = true;
  int hot_ = -1;
  int pressedLink_ = -1;
};

// A picture on a container: BMP, PNG (with alpha), JPEG... through Picture.
class Image : public GraphicControl {
 public:
  explicit Image(WinControl* parent, std::string name = {});
  const char* ClassName() const override { return "Image"; }

  // The picture shown; after changing it call Invalidate().
  ui::Picture& Picture() { return picture_; }
  const ui::Picture& Picture() const { return picture_; }
  void SetPicture(const ui::Picture& p);
  // Loads a file (the file is not kept open). False on failure; the picture stays.
  bool LoadFromFile(const std::string& path, std::string* error = nullptr);
  void Clear();

  bool Stretch() const { return stretch_; }
  void SetStretch(bool on);
  bool Center() const { return center_; }
  void SetCenter(bool on);
  // Keeps the picture's aspect ratio: with Stretch it grows or shrinks to
  // fit, without it only shrinks a picture larger than the control.
  bool Proportional() const { return proportional_; }
  void SetProportional(bool on);
  // The control takes the picture's size on load (default off).
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool on);

  // A device context to draw on the picture; an empty picture first becomes
  // a white one of the control's size. Call Invalidate() after drawing.
  HDC Canvas();
  // Where the picture is drawn, in own coordinates.
  RECT DestRect() const;

  void Paint(HDC dc) override;

 private:
  ui::Picture picture_;
  bool stretch_ = false;
  bool center_ = false;
  bool proportional_ = false;
  bool autoSize_ = false;
};

class Bevel : public GraphicControl {
 public:
  enum class Shape { Box, Frame, TopLine, BottomLine, LeftLine, RightLine, Spacer };
  enum class Style { Lowered, Raised };
  explicit Bevel(WinControl* parent, std::string name = {});
  const char* ClassName() const override { return "Bevel"; }

  Shape GetShape() const { return shape_; }
  void SetShape(Shape s);
  Style GetStyle() const { return style_; }
  void SetStyle(Style s);

  void Paint(HDC dc) override;

 private:
  Shape shape_ = Shape::Box;
  Style style_ = Style::Lowered;
};

}  // namespace qz::ui
