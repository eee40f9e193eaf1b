#include "skin/mouse_image3.h"

namespace qz::skin {

TMorvekMouseImage3State::TMorvekMouseImage3State(ui::WinControl* parent, std::string name)
    : Image(parent, std::move(name)) {
  SetStretch(true);
}

void TMorvekMouseImage3State::ShowState(const ui::Picture& p) {
  // Shown even when empty: an empty state picture blanks the button.
  SetPicture(p);
  Invalidate();
}

TMorvekMouseImage3State::SharedPicture TMorvekMouseImage3State::Empty() {
  static const SharedPicture empty = std::make_shared<const ui::Picture>();
  return empty;
}

void TMorvekMouseImage3State::SetPicture_Normal(const ui::Picture& p) {
  if (p.Empty()) return;
  normal_ = std::make_shared<const ui::Picture>(p);
  ShowState(*normal_);
}

void TMorvekMouseImage3State::SetPicture_Highlight(const ui::Picture& p) {
  highlight_ = std::make_shared<const ui::Picture>(p);
}

void TMorvekMouseImage3State::SetPicture_Pressed(const ui::Picture& p) {
  pressed_ = std::make_shared<const ui::Picture>(p);
}

void TMorvekMouseImage3State::SetFaces(SharedPicture normal, SharedPicture highlight, SharedPicture pressed) {
  normal_ = normal ? std::move(normal) : Empty();
  highlight_ = highlight ? std::move(highlight) : Empty();
  pressed_ = pressed ? std::move(pressed) : Empty();
  ShowState(*normal_);
}

void TMorvekMouseImage3State::ShowNormal() { ShowState(*normal_); }

void TMorvekMouseImage3State::Unshift() {
  if (!shifted_) return;
  shifted_ = false;
  SetBounds(Left() - 1, Top() - 1, Width(), Height());
}

void TMorvekMouseImage3State::MouseDown(const ui::MouseEvent& e) {
  Image::MouseDown(e);
  if (!Enabled()) return;
  if (Move_If_MousePressed && !shifted_) {
    shifted_ = true;
    SetBounds(Left() + 1, Top() + 1, Width(), Height());
  }
  ShowState(*pressed_);
}

void TMorvekMouseImage3State::MouseUp(const ui::MouseEvent& e) {
  // The shift goes before the click runs: a click that opens a modal window
  // finds the button back in its place.
  Unshift();
  if (Enabled() && inside_) ShowState(*highlight_);
  Image::MouseUp(e);  // raises the click last (it may free the button)
}

void TMorvekMouseImage3State::MouseEnter() {
  inside_ = true;
  Image::MouseEnter();
  if (!Enabled()) return;
  ShowState(*highlight_);
}

void TMorvekMouseImage3State::MouseLeave() {
  inside_ = false;
  Image::MouseLeave();
  if (!Enabled()) return;
  ShowState(*normal_);
}

void TMorvekMouseImage3State::CaptureLost() {
  Unshift();
  if (Enabled()) ShowState(inside_ ? *highlight_ : *normal_);
}

void TMorvekMouseImage3State::EnabledChanged() {
  Image::EnabledChanged();
  if (!Enabled()) Unshift();
}

void TMorvekMouseImage3State::VisibleChanged() {
  if (!Visible()) {
    Unshift();
    inside_ = false;
    if (Enabled()) SetPicture(*normal_);  // shown again, it starts at rest
  }
  Image::VisibleChanged();
}

}  // namespace qz::skin
