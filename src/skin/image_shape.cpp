#include "skin/image_shape.h"

#include <algorithm>
#include <vector>

#include "ui/form.h"

namespace qz::skin {

namespace {

// Set by the first outline cut of the process (see ShapeRegionSetInProcess).
bool g_shapeRegionSet = false;

constexpr size_t kBlock = 32;

// One region from at most a few dozen rectangles.
HRGN RegionFromBlock(const RECT* rects, size_t count) {
  std::vector<unsigned char> buffer(sizeof(RGNDATAHEADER) + count * sizeof(RECT));
  auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
  data->rdh.dwSize = sizeof(RGNDATAHEADER);
  data->rdh.iType = RDH_RECTANGLES;
  data->rdh.nCount = static_cast<DWORD>(count);
  data->rdh.nRgnSize = static_cast<DWORD>(count * sizeof(RECT));
  RECT bound = rects[0];
  for (size_t i = 1; i < count; ++i) UnionRect(&bound, &bound, &rects[i]);
  data->rdh.rcBound = bound;
  std::copy(rects, rects + count, reinterpret_cast<RECT*>(data->Buffer));
  return ExtCreateRegion(nullptr, static_cast<DWORD>(buffer.size()), data);
}

}  // namespace

bool ShapeRegionSetInProcess() { return g_shapeRegionSet; }

HRGN UniteRectangles(const RECT* rects, size_t count) {
  if (!rects || count == 0) return nullptr;
  // Small regions first, then pairs of regions: every rectangle takes part in
  // a logarithmic number of unions instead of one ever-growing region.
  std::vector<HRGN> level;
  level.reserve(count / kBlock + 1);
  for (size_t i = 0; i < count; i += kBlock) {
    HRGN r = RegionFromBlock(rects + i, std::min(kBlock, count - i));
    if (r) level.push_back(r);
  }
  while (level.size() > 1) {
    std::vector<HRGN> next;
    next.reserve(level.size() / 2 + 1);
    for (size_t i = 0; i + 1 < level.size(); i += 2) {
      CombineRgn(level[i], level[i], level[i + 1], RGN_OR);
      DeleteObject(level[i + 1]);
      next.push_back(level[i]);
    }
    if (level.size() % 2) next.push_back(level.back());
    level.swap(next);
  }
  return level.empty() ? nullptr : level.front();
}

HRGN BuildPictureRegion(const ui::Picture& picture, const RECT& client, const RECT& dest) {
  if (picture.Empty()) return nullptr;
  const int pw = picture.Width(), ph = picture.Height();
  const int dw = dest.right - dest.left, dh = dest.bottom - dest.top;
  RECT area{};
  IntersectRect(&area, &client, &dest);
  HRGN result = CreateRectRgnIndirect(&area);
  if (!result || IsRectEmpty(&area) || dw <= 0 || dh <= 0) return result;

  GdiFlush();  // the picture may just have been drawn on
  const uint32_t* bits = picture.Bits();
  // The colour of the bottom-left pixel as it shows on a black ground; the
  // comparison is exact, so only that colour is cut.
  const uint32_t key = bits[static_cast<size_t>(ph - 1) * pw] & 0xFFFFFFu;

  std::vector<int> sourceX(static_cast<size_t>(area.right - area.left));
  for (int x = area.left; x < area.right; ++x)
    sourceX[x - area.left] = static_cast<int>(static_cast<int64_t>(x - dest.left) * pw / dw);

  std::vector<RECT> runs;
  for (int y = area.top; y < area.bottom; ++y) {
    const int sy = static_cast<int>(static_cast<int64_t>(y - dest.top) * ph / dh);
    const uint32_t* row = bits + static_cast<size_t>(sy) * pw;
    int x = area.left;
    while (x < area.right) {
      if ((row[sourceX[x - area.left]] & 0xFFFFFFu) != key) {
        ++x;
        continue;
      }
      const int start = x;
      while (x < area.right && (row[sourceX[x - area.left]] & 0xFFFFFFu) == key) ++x;
      runs.push_back(RECT{start, y, x, y + 1});
    }
  }
  if (const ui::OwnedRegion cut(UniteRectangles(runs.data(), runs.size())); cut)
    CombineRgn(result, result, cut.get(), RGN_DIFF);
  return result;
}

TImageShape::TImageShape(ui::WinControl* parent, std::string name)
    : GraphicControl(parent, std::move(name)) {
  width_ = 105;
  height_ = 105;
}

TImageShape::~TImageShape() = default;

void TImageShape::SetPicture(const ui::Picture& p) {
  picture_ = p;
  PictureChanged();
}

bool TImageShape::LoadFromFile(const std::string& path, std::string* error) {
  ui::Picture p;
  if (!p.LoadFromFile(path, error)) return false;
  picture_ = std::move(p);
  PictureChanged();
  return true;
}

void TImageShape::SetStretch(bool on) {
  if (stretch_ == on) return;
  stretch_ = on;
  PictureChanged();
}

void TImageShape::SetCenter(bool on) {
  if (center_ == on) return;
  center_ = on;
  PictureChanged();
}

void TImageShape::SetTransparent(bool on) {
  if (transparent_ == on) return;
  transparent_ = on;
  PictureChanged();
}

void TImageShape::SetProportional(bool on) {
  if (proportional_ == on) return;
  proportional_ = on;
  PictureChanged();
}

RECT TImageShape::DestRect() const {
  int w = picture_.Width(), h = picture_.Height();
  const int cw = width_, ch = height_;
  if (stretch_ || (proportional_ && (w > cw || h > ch))) {
    if (proportional_ && w > 0 && h > 0) {
      const double ratio = static_cast<double>(w) / h;
      if (w > h) {
        w = cw;
        h = static_cast<int>(cw / ratio);
        if (h > ch) {
          h = ch;
          w = static_cast<int>(ch * ratio);
        }
      } else {
        h = ch;
        w = static_cast<int>(ch * ratio);
        if (w > cw) {
          w = cw;
          h = static_cast<int>(cw / ratio);
        }
      }
    } else {
      w = cw;
      h = ch;
    }
  }
  RECT r{0, 0, w, h};
  if (center_) OffsetRect(&r, (cw - w) / 2, (ch - h) / 2);
  return r;
}

void TImageShape::PictureChanged() {
  if (AutoSize && picture_.Width() > 0 && picture_.Height() > 0)
    SetBounds(left_, top_, picture_.Width(), picture_.Height());
  if (!drawing_) Invalidate();
  if (!picture_.Empty()) SetParentRegion();
}

void TImageShape::SetParentRegion() {
  ui::WinControl* parent = Parent();
  if (!parent || !parent->HandleNeeded()) return;
  HWND window = parent->Handle();

  RECT client{0, 0, width_, height_};
  ui::OwnedRegion region(BuildPictureRegion(picture_, client, DestRect()));
  if (!region) return;
  RECT box;
  // Nothing of the picture would stay: a window without any region is
  // invisible, so the outline is left as it is.
  if (GetRgnBox(region.get(), &box) == NULLREGION) return;

  // From the control's client coordinates into the parent's window coordinates.
  RECT wr, cr;
  GetWindowRect(window, &wr);
  GetClientRect(window, &cr);
  const int bx = ((wr.right - wr.left) - cr.right) / 2;
  const int by = (wr.bottom - wr.top) - cr.bottom - bx;
  OffsetRgn(region.get(), bx + left_, by + top_);

  // This control's own part, remembered for the next cut.
  ui::OwnedRegion mine(CreateRectRgn(0, 0, 0, 0));
  CombineRgn(mine.get(), region.get(), nullptr, RGN_COPY);
  if (!g_shapeRegionSet) {
    // The first cut of the process replaces the window's outline.
    g_shapeRegionSet = true;
  } else {
    // Later cuts replace only this control's own part and keep what others added.
    const ui::OwnedRegion current(CreateRectRgn(0, 0, 0, 0));
    if (GetWindowRgn(window, current.get()) != ERROR && previousRegion_)
      CombineRgn(current.get(), current.get(), previousRegion_.get(), RGN_DIFF);
    CombineRgn(region.get(), current.get(), region.get(), RGN_OR);
  }
  previousRegion_ = std::move(mine);
  SetWindowRgn(window, region.release(), TRUE);  // the window owns the region now
}

void TImageShape::Paint(HDC dc) {
  if (picture_.Empty()) return;
  drawing_ = true;
  GdiFlush();
  RECT r = DestRect();
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (transparent_ && !picture_.Transparent() && w > 0 && h > 0) {
    // The bottom-left colour is see-through, as the outline is cut there.
    ui::Picture& pic = const_cast<ui::Picture&>(picture_);
    if (HDC src = pic.Canvas()) {
      COLORREF key = picture_.Pixel(0, picture_.Height() - 1);
      TransparentBlt(dc, r.left, r.top, w, h, src, 0, 0, picture_.Width(), picture_.Height(),
                     RGB(ui::RedOf(key), ui::GreenOf(key), ui::BlueOf(key)));
    }
  } else if (w == picture_.Width() && h == picture_.Height()) {
    picture_.Draw(dc, r.left, r.top);
  } else {
    picture_.DrawStretched(dc, r);
  }
  drawing_ = false;
}

void TImageShape::MouseDown(const ui::MouseEvent& e) {
  GraphicControl::MouseDown(e);
  pressed_ = true;
  mousePoint_ = ClientToScreenPt(POINT{e.x, e.y});
}

void TImageShape::MouseMove(const ui::MouseEvent& e) {
  GraphicControl::MouseMove(e);
  if (!pressed_ || !Movable) return;
  if (!(e.keys & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON))) {
    pressed_ = false;  // the button came up where we did not see it
    return;
  }
  POINT p = ClientToScreenPt(POINT{e.x, e.y});
  const int dx = p.x - mousePoint_.x, dy = p.y - mousePoint_.y;
  mousePoint_ = p;
  if (dx == 0 && dy == 0) return;
  if (ui::Form* form = ParentForm())
    form->SetBounds(form->Left() + dx, form->Top() + dy, form->Width(), form->Height());
}

void TImageShape::MouseUp(const ui::MouseEvent& e) {
  pressed_ = false;
  GraphicControl::MouseUp(e);
}

void TImageShape::CaptureLost() { pressed_ = false; }

}  // namespace qz::skin
