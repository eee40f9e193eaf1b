// The three-state image button every button of the main window is made of:
// it shows its normal picture at rest, its highlight picture while the mouse
// is over it and its pressed picture while a mouse button holds it, moves one
// pixel right and down while pressed, and reports the mouse entering and
// leaving (OnMouseEnter / OnMouseLeave of Control).
//
// The pressed shift is undone exactly once per press: on release, and also
// when the button is disabled or hidden while held, or when it loses the
// mouse capture (a window that pops up, a modal loop). A button never drifts.
#pragma once

#include <memory>
#include <string>

#include "ui/graphics.h"
#include "ui/picture.h"

namespace qz::skin {

class TMorvekMouseImage3State : public ui::Image {
 public:
  explicit TMorvekMouseImage3State(ui::WinControl* parent, std::string name = {});
  const char* ClassName() const override { return "TMorvekMouseImage3State"; }

  const ui::Picture& Picture_Normal() const { return *normal_; }
  const ui::Picture& Picture_Highlight() const { return *highlight_; }
  const ui::Picture& Picture_Pressed() const { return *pressed_; }
  // Copies the picture and shows it (only a non-empty picture is taken).
  void SetPicture_Normal(const ui::Picture& p);
  void SetPicture_Highlight(const ui::Picture& p);
  void SetPicture_Pressed(const ui::Picture& p);
  // Replaces all three pictures at once and shows the normal one. The
  // pictures are shared, not copied (pictures never change once made).
  using SharedPicture = std::shared_ptr<const ui::Picture>;
  void SetFaces(SharedPicture normal, SharedPicture highlight, SharedPicture pressed);
  // Shows the normal picture (after the pictures were replaced in place).
  void ShowNormal();

  // Move by +1, +1 while pressed (default on).
  bool Move_If_MousePressed = true;
  // Whether the mouse is over the button.
  bool Inside() const { return inside_; }
  // Whether the button sits one pixel right and down of its place now.
  bool Shifted() const { return shifted_; }

  void MouseDown(const ui::MouseEvent& e) override;
  void MouseUp(const ui::MouseEvent& e) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void CaptureLost() override;

 protected:
  void EnabledChanged() override;
  void VisibleChanged() override;

 private:
  void ShowState(const ui::Picture& p);
  void Unshift();

  static SharedPicture Empty();
  SharedPicture normal_ = Empty(), highlight_ = Empty(), pressed_ = Empty();
  bool inside_ = false;
  bool shifted_ = false;
};

}  // namespace qz::skin
