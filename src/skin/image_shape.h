// The shaped picture control: a windowless picture control that gives its
// parent window the outline of its picture. Every pixel of the picture's
// transparent colour (its bottom-left pixel) is cut out of the parent
// window's region, and dragging the control with any mouse button moves the
// form it is on. The main window's background is its one user: the borderless
// window takes the shape of the skin's background picture and is dragged by it.
#pragma once

#include <windows.h>

#include <string>

#include "ui/control.h"
#include "ui/gdi.h"
#include "ui/picture.h"

namespace qz::skin {

// The region of a picture shown in `dest` (control coordinates) inside the
// control's client rectangle `client`: (client ∩ dest) minus every pixel of
// exactly the transparent colour. The transparent colour is the picture's
// bottom-left pixel; the picture is scaled into `dest` by nearest pixel, so
// no colour in between arises at the edges. The runs of that colour are
// united in halves (blocks of 32 rows' runs, then pairwise), which stays fast
// for pictures with many runs. The caller owns the region; nullptr when the
// picture is empty.
HRGN BuildPictureRegion(const ui::Picture& picture, const RECT& client, const RECT& dest);

// Unites the rectangles into one region, in halves. nullptr for none.
HRGN UniteRectangles(const RECT* rects, size_t count);

class TImageShape : public ui::GraphicControl {
 public:
  explicit TImageShape(ui::WinControl* parent, std::string name = {});
  ~TImageShape() override;
  const char* ClassName() const override { return "TImageShape"; }

  // The shown picture. Change it through SetPicture / LoadFromFile (or call
  // PictureChanged after changing it in place): that re-cuts the parent's outline.
  const ui::Picture& Picture() const { return picture_; }
  void SetPicture(const ui::Picture& p);
  // Loads a file; false (picture unchanged) when it is missing or unreadable.
  bool LoadFromFile(const std::string& path, std::string* error = nullptr);
  void PictureChanged();

  bool Stretch() const { return stretch_; }
  void SetStretch(bool on);
  bool Center() const { return center_; }
  void SetCenter(bool on);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on);
  bool Proportional() const { return proportional_; }
  void SetProportional(bool on);
  // The control takes the picture's size when the picture changes (off by default).
  bool AutoSize = false;
  // Dragging moves the parent form (default on).
  bool Movable = true;

  // Where the picture is drawn, in own coordinates.
  RECT DestRect() const;
  // The part of the parent window's region this control added last (window
  // coordinates of the parent); nullptr before the first cut.
  HRGN PreviousRegion() const { return previousRegion_.get(); }
  // Whether a mouse button holds the control (dragging).
  bool Pressed() const { return pressed_; }

  void Paint(HDC dc) override;
  void MouseDown(const ui::MouseEvent& e) override;
  void MouseMove(const ui::MouseEvent& e) override;
  void MouseUp(const ui::MouseEvent& e) override;
  void CaptureLost() override;

 private:
  void SetParentRegion();

  POINT mousePoint_{};
  bool pressed_ = false;
  ui::Picture picture_;
  bool stretch_ = false;
  bool center_ = false;
  bool transparent_ = false;
  bool proportional_ = false;
  bool drawing_ = false;
  ui::OwnedRegion previousRegion_;
};

// Whether a shaped control has cut a window's outline in this process yet
// (the first cut replaces the window's whole region, later ones only their
// own part). A variable of the process, never inherited by child processes.
bool ShapeRegionSetInProcess();

}  // namespace qz::skin
