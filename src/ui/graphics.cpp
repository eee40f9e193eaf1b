#include "ui/graphics.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <vector>

#include "core/text.h"

namespace qz::ui {

namespace {

// A screen-compatible DC with a font selected, for measuring text.
class MeasureDC {
 public:
  explicit MeasureDC(HFONT font) {
    dc_ = CreateCompatibleDC(nullptr);
    old_ = SelectObject(dc_, font);
  }
  ~MeasureDC() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
  }
  MeasureDC(const MeasureDC&) = delete;
  MeasureDC& operator=(const MeasureDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// Draws a text with each character advanced by the width the measuring
// calls give it, so the text ends exactly where GetTextExtentPoint32 says.
// (Under Wine plain drawing advances by unrounded widths and drifts from the
// measured ones by about a pixel every few characters.)
void DrawAsMeasured(HDC dc, int x, int y, const std::wstring& text) {
  const int n = static_cast<int>(text.size());
  if (n == 0) return;
  std::vector<INT> ends(static_cast<size_t>(n)), dx(static_cast<size_t>(n));
  SIZE sz{};
  if (!GetTextExtentExPointW(dc, text.c_str(), n, 0, nullptr, ends.data(), &sz)) {
    TextOutW(dc, x, y, text.c_str(), n);
    return;
  }
  for (int i = 0; i < n; ++i) dx[static_cast<size_t>(i)] = ends[static_cast<size_t>(i)] - (i ? ends[static_cast<size_t>(i) - 1] : 0);
  ExtTextOutW(dc, x, y, 0, nullptr, text.c_str(), static_cast<UINT>(n), dx.data());
}

}  // namespace

// ---- Label -------------------------------------------------------------------

Label::Label(WinControl* parent, std::string name, const std::string& caption)
    : GraphicControl(parent, std::move(name)), caption_(caption) {
  width_ = 65;
  height_ = 13;
  AdjustSize();
}

Label::Label(Component* owner, WinControl* parent, std::string name)
    : GraphicControl(owner, parent, std::move(name)) {
  width_ = 65;
  height_ = 13;
  AdjustSize();
}

void Label::SetCaption(const std::string& c) {
  if (c == caption_) return;
  caption_ = c;
  AdjustSize();
  Invalidate();
}

void Label::SetAlignment(Alignment a) {
  align_ = a;
  Invalidate();
}

void Label::SetLayout(VAlignment v) {
  layout_ = v;
  Invalidate();
}

void Label::SetWordWrap(bool on) {
  wordWrap_ = on;
  AdjustSize();
  Invalidate();
}

void Label::SetTransparent(bool on) {
  transparent_ = on;
  Invalidate();
}

void Label::SetAutoSize(bool on) {
  autoSize_ = on;
  AdjustSize();
}

void Label::SetShowAccelChar(bool on) {
  showAccel_ = on;
  AdjustSize();
  Invalidate();
}

void Label::SetEndEllipsis(bool on) {
  ellipsis_ = on;
  Invalidate();
}

void Label::FontChanged() {
  AdjustSize();
  Invalidate();
}

UINT Label::DrawFlags() const {
  UINT f = DT_EXPANDTABS;
  if (!showAccel_) f |= DT_NOPREFIX;
  if (wordWrap_) f |= DT_WORDBREAK;
  if (ellipsis_ && !wordWrap_) f |= DT_END_ELLIPSIS;
  switch (align_) {
    case Alignment::Left: f |= DT_LEFT; break;
    case Alignment::Center: f |= DT_CENTER; break;
    case Alignment::Right: f |= DT_RIGHT; break;
  }
  return f;
}

void Label::BoundsChanged() {
  if (!adjusting_) AdjustSize();
}

void Label::AdjustSize() {
  if (!autoSize_ || adjusting_) return;
  struct Guard {
    bool& b;
    explicit Guard(bool& x) : b(x) { b = true; }
    ~Guard() { b = false; }
  } guard(adjusting_);
  MeasureDC m(GetFontHandle(font_));
  std::wstring w = Widen(caption_.empty() ? std::string(" ") : caption_);
  RECT r{0, 0, wordWrap_ ? std::max(1, width_) : 0, 0};
  DrawTextW(m.get(), w.c_str(), static_cast<int>(w.size()), &r, (DrawFlags() & ~DT_END_ELLIPSIS) | DT_CALCRECT);
  int nw = wordWrap_ ? width_ : (caption_.empty() ? width_ : r.right);
  int nh = r.bottom;
  int nl = left_;
  if (!wordWrap_) {
    if (align_ == Alignment::Right) nl = left_ + width_ - nw;
    else if (align_ == Alignment::Center) nl = left_ + (width_ - nw) / 2;
  }
  SetBounds(nl, top_, nw, nh);
}

void Label::Paint(HDC dc) {
  RECT r{0, 0, width_, height_};
  if (!transparent_) {
    HBRUSH b = CreateSolidBrush(EffectiveColor());
    FillRect(dc, &r, b);
    DeleteObject(b);
  }
  if (caption_.empty()) return;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, enabled_ ? font_.color : GetSysColor(COLOR_GRAYTEXT));
  std::wstring w = Widen(caption_);
  UINT flags = DrawFlags();
  if (layout_ != VAlignment::Top) {
    RECT calc{0, 0, width_, 0};
    DrawTextW(dc, w.c_str(), static_cast<int>(w.size()), &calc, (flags & ~DT_END_ELLIPSIS) | DT_CALCRECT);
    int th = calc.bottom;
    if (layout_ == VAlignment::Center) r.top = (height_ - th) / 2;
    else r.top = height_ - th;
  }
  DrawTextW(dc, w.c_str(), static_cast<int>(w.size()), &r, flags);
}

// ---- RichLabel ------------------------------------------------------------------

RichLabel::RichLabel(WinControl* parent, std::string name, const std::string& caption)
    : GraphicControl(parent, std::move(name)) {
  width_ = 200;
  height_ = 13;
  caption_ = caption;
  Parse();
  FitHeight();
}

void RichLabel::SetCaption(const std::string& c) {
  if (c == caption_) return;
  caption_ = c;
  hot_ = pressedLink_ = -1;
  Parse();
  FitHeight();
  Invalidate();
}

void RichLabel::SetWordWrap(bool on) {
  wordWrap_ = on;
  layoutValid_ = false;
  FitHeight();
  Invalidate();
}

void RichLabel::SetAutoHeight(bool on) {
  autoHeight_ = on;
  FitHeight();
}

void RichLabel::SetTransparent(bool on) {
  transparent_ = on;
  Invalidate();
}

void RichLabel::BoundsChanged() {
  if (layoutWidth_ != width_) {
    layoutValid_ = false;
    FitHeight();
  }
}

void RichLabel::FontChanged() {
  layoutValid_ = false;
  FitHeight();
  Invalidate();
}

namespace {

// The value of attribute `name` in a tag's text (after the tag name); quotes optional.
std::string Attribute(const std::string& tag, const std::string& name) {
  std::string low = LowerAscii(tag);
  size_t p = 0;
  while ((p = low.find(name, p)) != std::string::npos) {
    bool startOk = p == 0 || std::isspace(static_cast<unsigned char>(low[p - 1]));
    size_t q = p + name.size();
    while (q < low.size() && low[q] == ' ') ++q;
    if (startOk && q < low.size() && low[q] == '=') {
      ++q;
      while (q < low.size() && low[q] == ' ') ++q;
      if (q < tag.size() && (tag[q] == '"' || tag[q] == '\'')) {
        char quote = tag[q];
        size_t e = tag.find(quote, q + 1);
        return tag.substr(q + 1, e == std::string::npos ? std::string::npos : e - q - 1);
      }
      size_t e = q;
      while (e < tag.size() && !std::isspace(static_cast<unsigned char>(tag[e]))) ++e;
      return tag.substr(q, e - q);
    }
    p = q;
  }
  return {};
}

bool ParseColor(const std::string& v, COLORREF& out) {
  std::string s = LowerAscii(Trim(v));
  struct Named {
    const char* name;
    COLORREF c;
  };
  static const Named names[] = {{"black", RGB(0, 0, 0)},       {"white", RGB(255, 255, 255)},
                                {"red", RGB(255, 0, 0)},       {"green", RGB(0, 128, 0)},
                                {"blue", RGB(0, 0, 255)},      {"navy", RGB(0, 0, 128)},
                                {"maroon", RGB(128, 0, 0)},    {"gray", RGB(128, 128, 128)},
                                {"grey", RGB(128, 128, 128)},  {"silver", RGB(192, 192, 192)},
                                {"yellow", RGB(255, 255, 0)},  {"olive", RGB(128, 128, 0)},
                                {"purple", RGB(128, 0, 128)},  {"teal", RGB(0, 128, 128)},
                                {"lime", RGB(0, 255, 0)},      {"aqua", RGB(0, 255, 255)},
                                {"fuchsia", RGB(255, 0, 255)}, {"orange", RGB(255, 165, 0)}};
  if (s.size() > 2 && s[0] == 'c' && s[1] == 'l') s = s.substr(2);  // clRed
  for (const Named& n : names)
    if (s == n.name) {
      out = n.c;
      return true;
    }
  if (!s.empty() && s[0] == '#') s = s.substr(1);
  if (s.size() != 6 || s.find_first_not_of("0123456789abcdef") != std::string::npos) return false;
  unsigned long v2 = std::stoul(s, nullptr, 16);
  out = RGB((v2 >> 16) & 0xFF, (v2 >> 8) & 0xFF, v2 & 0xFF);
  return true;
}

// Appends a character given by its code; nothing for 0, a surrogate or a
// code beyond Unicode.
void AppendUtf8(std::string& out, unsigned long cp) {
  std::wstring w;
  if (cp >= 0x10000 && cp <= 0x10FFFF) {
    cp -= 0x10000;
    w += static_cast<wchar_t>(0xD800 + (cp >> 10));
    w += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
  } else if ((cp > 0 && cp < 0xD800) || (cp > 0xDFFF && cp <= 0xFFFF)) {
    w += static_cast<wchar_t>(cp);
  } else {
    return;
  }
  out += Narrow(w);
}

}  // namespace

void RichLabel::Parse() {
  pieces_.clear();
  links_.clear();
  layoutValid_ = false;
  int bold = 0, italic = 0, underline = 0;
  std::vector<COLORREF> colors;
  int link = -1;
  std::string text;

  auto flush = [&] {
    if (text.empty()) return;
    Piece p;
    p.text = text;
    p.bold = bold > 0;
    p.italic = italic > 0;
    p.underline = underline > 0;
    p.color = colors.empty() ? CLR_INVALID : colors.back();
    p.link = link;
    if (link >= 0) links_[static_cast<size_t>(link)].text += text;
    pieces_.push_back(p);
    text.clear();
  };
  auto lineBreak = [&] {
    flush();
    Piece p;
    p.brk = true;
    pieces_.push_back(p);
  };

  const std::string& s = caption_;
  size_t i = 0;
  while (i < s.size()) {
    char c = s[i];
    if (c == '<') {
      size_t e = s.find('>', i + 1);
      if (e != std::string::npos) {
        std::string inner = Trim(s.substr(i + 1, e - i - 1));
        std::string low = LowerAscii(inner);
        bool closing = !low.empty() && low[0] == '/';
        std::string nameLow = closing ? Trim(low.substr(1)) : low;
        size_t sp = nameLow.find_first_of(" \t=");
        std::string tag = nameLow.substr(0, sp);
        if (!tag.empty() && tag.back() == '/') tag.pop_back();
        bool known = true;
        if (tag == "b" || tag == "strong") {
          flush();
          bold += closing ? (bold > 0 ? -1 : 0) : 1;
        } else if (tag == "i" || tag == "em") {
          flush();
          italic += closing ? (italic > 0 ? -1 : 0) : 1;
        } else if (tag == "u") {
          flush();
          underline += closing ? (underline > 0 ? -1 : 0) : 1;
        } else if (tag == "br" || (tag == "p" && closing)) {
          lineBreak();
        } else if (tag == "p") {
          if (!pieces_.empty() || !text.empty()) lineBreak();
        } else if (tag == "font" || tag == "color") {
          flush();
          if (closing) {
            if (!colors.empty()) colors.pop_back();
          } else {
            COLORREF col;
            std::string v = tag == "color" ? inner.substr(inner.find('=') == std::string::npos
                                                              ? inner.size()
                                                              : inner.find('=') + 1)
                                           : Attribute(inner, "color");
            colors.push_back(ParseColor(v, col) ? col : (colors.empty() ? CLR_INVALID : colors.back()));
          }
        } else if (tag == "link" || tag == "a") {
          flush();
          if (closing) {
            link = -1;
          } else {
            links_.push_back(Link{{}, tag == "a" ? Attribute(inner, "href") : std::string()});
            link = static_cast<int>(links_.size()) - 1;
          }
        } else {
          known = false;
        }
        if (known) {
          i = e + 1;
          continue;
        }
      }
      text += c;
      ++i;
      continue;
    }
    if (c == '&') {
      size_t e = s.find(';', i + 1);
      if (e != std::string::npos && e - i <= 8) {
        std::string ent = LowerAscii(s.substr(i + 1, e - i - 1));
        bool ok = true;
        if (ent == "amp") text += '&';
        else if (ent == "lt") text += '<';
        else if (ent == "gt") text += '>';
        else if (ent == "quot") text += '"';
        else if (ent == "apos") text += '\'';
        else if (ent == "nbsp") text += "\xC2\xA0";
        else if (ent.size() > 1 && ent[0] == '#') {
          unsigned long cp = 0;
          bool hex = ent[1] == 'x';
          std::string digits = ent.substr(hex ? 2 : 1);
          ok = !digits.empty() &&
               digits.find_first_not_of(hex ? "0123456789abcdef" : "0123456789") == std::string::npos;
          if (ok) {
            cp = std::stoul(digits, nullptr, hex ? 16 : 10);
            AppendUtf8(text, cp);
          }
        } else {
          ok = false;
        }
        if (ok) {
          i = e + 1;
          continue;
        }
      }
      text += c;
      ++i;
      continue;
    }
    if (c == '\r' || c == '\n') {
      lineBreak();
      if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
      ++i;
      continue;
    }
    text += c == '\t' ? ' ' : c;
    ++i;
  }
  flush();
  for (Link& l : links_)
    if (l.target.empty()) l.target = l.text;
}

std::string RichLabel::PlainText() const {
  std::string out;
  for (const Piece& p : pieces_) out += p.brk ? std::string("\n") : p.text;
  return out;
}

std::string RichLabel::LinkText(int i) const {
  return i >= 0 && i < LinkCount() ? links_[static_cast<size_t>(i)].text : std::string();
}

std::string RichLabel::LinkTarget(int i) const {
  return i >= 0 && i < LinkCount() ? links_[static_cast<size_t>(i)].target : std::string();
}

void RichLabel::Relayout() const {
  runs_.clear();
  layoutWidth_ = width_;
  layoutValid_ = true;
  MeasureDC measure(GetFontHandle(font_));
  HDC dc = measure.get();
  const int maxWidth = wordWrap_ ? std::max(1, width_) : INT32_MAX;
  TEXTMETRICW baseTm;
  GetTextMetricsW(dc, &baseTm);

  auto fontFor = [&](const Piece& p) {
    FontSpec f = font_;
    f.bold = f.bold || p.bold;
    f.italic = f.italic || p.italic;
    f.underline = f.underline || p.underline;
    return GetFontHandle(f);
  };
  // Width of a text as one call draws it in a piece's style: a run is drawn
  // whole, so it is measured whole (per-word widths add up to more or less).
  auto extent = [&](const std::wstring& text, const Piece& p) {
    if (text.empty()) return 0;
    SelectObject(dc, fontFor(p));
    SIZE sz{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &sz);
    return static_cast<int>(sz.cx);
  };
  auto sameStyle = [](const Piece& a, const Piece& b) {
    return a.bold == b.bold && a.italic == b.italic && a.underline == b.underline && a.color == b.color &&
           a.link == b.link;
  };

  // A line is a list of words, each keeping the blanks after it; words of
  // one style next to each other become one run.
  struct Word {
    std::wstring text;
    const Piece* piece;
    int ascent, height;
  };
  std::vector<Word> line;
  int y = 0;
  // The line so far as drawn: the finished runs' width, and the run in progress.
  int finished = 0;
  std::wstring running;
  const Piece* runningStyle = nullptr;

  auto emitLine = [&](bool empty) {
    int ascent = 0, descent = 0;
    for (const Word& w : line) {
      ascent = std::max(ascent, w.ascent);
      descent = std::max(descent, w.height - w.ascent);
    }
    if (line.empty() || empty) {
      ascent = baseTm.tmAscent;
      descent = baseTm.tmHeight - baseTm.tmAscent;
    }
    const size_t firstRun = runs_.size();
    for (const Word& w : line) {
      const Piece& p = *w.piece;
      const int top = y + ascent - w.ascent;
      RichRun* last = runs_.size() > firstRun ? &runs_.back() : nullptr;
      if (last && last->rect.top == top && last->bold == p.bold && last->italic == p.italic &&
          last->underline == p.underline && last->color == p.color && last->link == p.link &&
          last->rect.bottom == top + w.height) {
        last->text += Narrow(w.text);
        last->rect.right = last->rect.left + extent(Widen(last->text), p);
      } else {
        const int left = last ? last->rect.right : 0;
        RichRun r;
        r.rect = RECT{left, top, left + extent(w.text, p), top + w.height};
        r.text = Narrow(w.text);
        r.bold = p.bold;
        r.italic = p.italic;
        r.underline = p.underline;
        r.color = p.color;
        r.link = p.link;
        runs_.push_back(r);
      }
    }
    y += ascent + descent;
    line.clear();
    finished = 0;
    running.clear();
    runningStyle = nullptr;
  };

  for (const Piece& p : pieces_) {
    if (p.brk) {
      emitLine(line.empty());
      continue;
    }
    SelectObject(dc, fontFor(p));
    TEXTMETRICW tm;
    GetTextMetricsW(dc, &tm);
    std::wstring w = Widen(p.text);
    // Split into words, each keeping the blanks after it.
    size_t pos = 0;
    while (pos < w.size()) {
      size_t end = pos;
      while (end < w.size() && w[end] != L' ') ++end;
      while (end < w.size() && w[end] == L' ') ++end;
      std::wstring word = w.substr(pos, end - pos);
      pos = end;
      if (runningStyle && !sameStyle(*runningStyle, p)) {
        finished += extent(running, *runningStyle);
        running.clear();
      }
      runningStyle = &p;
      // Width without the trailing blanks decides whether the word fits.
      std::wstring core = word;
      while (!core.empty() && core.back() == L' ') core.pop_back();
      if (!line.empty() && finished + extent(running + core, p) > maxWidth) {
        emitLine(false);
        runningStyle = &p;
      }
      line.push_back(Word{word, &p, static_cast<int>(tm.tmAscent), static_cast<int>(tm.tmHeight)});
      running += word;
    }
  }
  if (!line.empty()) emitLine(false);
  textHeight_ = y;
}

const std::vector<RichRun>& RichLabel::Runs() const {
  if (!layoutValid_ || layoutWidth_ != width_) Relayout();
  return runs_;
}

int RichLabel::TextHeight() const {
  Runs();
  return textHeight_;
}

void RichLabel::FitHeight() {
  if (!autoHeight_) return;
  int h = TextHeight();
  if (h != height_) SetBounds(left_, top_, width_, h);
}

int RichLabel::LinkAt(int x, int y) const {
  for (const RichRun& r : Runs()) {
    if (r.link < 0) continue;
    POINT p{x, y};
    if (PtInRect(&r.rect, p)) return r.link;
  }
  return -1;
}

void RichLabel::Paint(HDC dc) {
  if (!transparent_) {
    RECT r{0, 0, width_, height_};
    HBRUSH b = CreateSolidBrush(EffectiveColor());
    FillRect(dc, &r, b);
    DeleteObject(b);
  }
  SetBkMode(dc, TRANSPARENT);
  for (const RichRun& run : Runs()) {
    FontSpec f = font_;
    f.bold = f.bold || run.bold;
    f.italic = f.italic || run.italic;
    f.underline = f.underline || run.underline || (run.link >= 0 && run.link == hot_);
    SelectObject(dc, GetFontHandle(f));
    COLORREF c = run.color != CLR_INVALID ? run.color : font_.color;
    if (run.link >= 0) c = run.link == hot_ ? HotLinkColor : LinkColor;
    if (!enabled_) c = GetSysColor(COLOR_GRAYTEXT);
    SetTextColor(dc, c);
    DrawAsMeasured(dc, run.rect.left, run.rect.top, Widen(run.text));
  }
}

HCURSOR RichLabel::CursorAt(int x, int y) const {
  if (LinkAt(x, y) >= 0) return LoadCursor(nullptr, IDC_HAND);
  return GraphicControl::CursorAt(x, y);
}

void RichLabel::MouseDown(const MouseEvent& e) {
  if (e.button == MouseButton::Left) pressedLink_ = LinkAt(e.x, e.y);
  GraphicControl::MouseDown(e);
}

void RichLabel::MouseUp(const MouseEvent& e) {
  int link = -1;
  if (e.button == MouseButton::Left) {
    int at = LinkAt(e.x, e.y);
    if (at >= 0 && at == pressedLink_) link = at;
    pressedLink_ = -1;
  }
  if (link >= 0 && OnLinkClick) {
    std::string text = LinkText(link), target = LinkTarget(link);
    GraphicControl::MouseUp(e);
    OnLinkClick(link, text, target);  // last: the handler may free the label
    return;
  }
  GraphicControl::MouseUp(e);
}

void RichLabel::MouseMove(const MouseEvent& e) {
  int at = LinkAt(e.x, e.y);
  if (at != hot_) {
    hot_ = at;
    Invalidate();
  }
  GraphicControl::MouseMove(e);
}

void RichLabel::MouseLeave() {
  if (hot_ != -1) {
    hot_ = -1;
    Invalidate();
  }
  GraphicControl::MouseLeave();
}

// ---- Image ----------------------------------------------------------------------

Image::Image(WinControl* parent, std::string name) : GraphicControl(parent, std::move(name)) {
  width_ = 105;
  height_ = 105;
}

void Image::SetPicture(const ui::Picture& p) {
  picture_ = p;
  if (autoSize_ && !picture_.Empty()) SetBounds(left_, top_, picture_.Width(), picture_.Height());
  Invalidate();
}

bool Image::LoadFromFile(const std::string& path, std::string* error) {
  ui::Picture p;
  if (!p.LoadFromFile(path, error)) return false;
  SetPicture(p);
  return true;
}

void Image::Clear() {
  picture_.Clear();
  Invalidate();
}

void Image::SetStretch(bool on) {
  stretch_ = on;
  Invalidate();
}

void Image::SetCenter(bool on) {
  center_ = on;
  Invalidate();
}

void Image::SetProportional(bool on) {
  proportional_ = on;
  Invalidate();
}

void Image::SetAutoSize(bool on) {
  autoSize_ = on;
  if (on && !picture_.Empty()) SetBounds(left_, top_, picture_.Width(), picture_.Height());
}

HDC Image::Canvas() {
  if (picture_.Empty()) picture_.SetSize(std::max(1, width_), std::max(1, height_));
  return picture_.Canvas();
}

RECT Image::DestRect() const {
  int pw = picture_.Width(), ph = picture_.Height();
  if (pw <= 0 || ph <= 0) return RECT{0, 0, 0, 0};
  int w = pw, h = ph;
  if (proportional_) {
    double sx = static_cast<double>(width_) / pw, sy = static_cast<double>(height_) / ph;
    double s = std::min(sx, sy);
    if (!stretch_ && s > 1.0) s = 1.0;
    w = std::max(1, static_cast<int>(std::lround(pw * s)));
    h = std::max(1, static_cast<int>(std::lround(ph * s)));
  } else if (stretch_) {
    w = width_;
    h = height_;
  }
  int x = 0, y = 0;
  if (center_) {
    x = (width_ - w) / 2;
    y = (height_ - h) / 2;
  }
  return RECT{x, y, x + w, y + h};
}

void Image::Paint(HDC dc) {
  if (picture_.Empty()) return;
  GdiFlush();
  RECT r = DestRect();
  if (r.right - r.left == picture_.Width() && r.bottom - r.top == picture_.Height())
    picture_.Draw(dc, r.left, r.top);
  else
    picture_.DrawStretched(dc, r);
}

// ---- Bevel ----------------------------------------------------------------------

Bevel::Bevel(WinControl* parent, std::string name) : GraphicControl(parent, std::move(name)) {
  width_ = 50;
  height_ = 50;
}

void Bevel::SetShape(Shape s) {
  shape_ = s;
  Invalidate();
}

void Bevel::SetStyle(Style s) {
  style_ = s;
  Invalidate();
}

void Bevel::Paint(HDC dc) {
  COLORREF dark = GetSysColor(COLOR_BTNSHADOW), light = GetSysColor(COLOR_BTNHIGHLIGHT);
  COLORREF c1 = style_ == Style::Lowered ? dark : light;  // top / left
  COLORREF c2 = style_ == Style::Lowered ? light : dark;  // bottom / right
  auto fill = [dc](int l, int t, int r, int b, COLORREF c) {
    if (r <= l || b <= t) return;
    HBRUSH br = CreateSolidBrush(c);
    RECT rc{l, t, r, b};
    FillRect(dc, &rc, br);
    DeleteObject(br);
  };
  int w = width_, h = height_;
  switch (shape_) {
    case Shape::Box:
      fill(0, 0, w, 1, c1);
      fill(0, 0, 1, h, c1);
      fill(0, h - 1, w, h, c2);
      fill(w - 1, 0, w, h, c2);
      break;
    case Shape::Frame:
      fill(0, 0, w - 1, 1, c1);
      fill(0, 0, 1, h - 1, c1);
      fill(0, h - 2, w - 1, h - 1, c1);
      fill(w - 2, 0, w - 1, h - 1, c1);
      fill(1, 1, w - 2, 2, c2);
      fill(1, 1, 2, h - 2, c2);
      fill(0, h - 1, w, h, c2);
      fill(w - 1, 0, w, h, c2);
      break;
    case Shape::TopLine:
      fill(0, 0, w, 1, c1);
      fill(0, 1, w, 2, c2);
      break;
    case Shape::BottomLine:
      fill(0, h - 2, w, h - 1, c1);
      fill(0, h - 1, w, h, c2);
      break;
    case Shape::LeftLine:
      fill(0, 0, 1, h, c1);
      fill(1, 0, 2, h, c2);
      break;
    case Shape::RightLine:
      fill(w - 2, 0, w - 1, h, c1);
      fill(w - 1, 0, w, h, c2);
      break;
    case Shape::Spacer:
      break;
  }
}

}  // namespace qz::ui
