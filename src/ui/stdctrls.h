// Windowed standard controls: buttons, check boxes, radio buttons, edits,
// combo and list boxes, group boxes, panels, progress bars.
//
// Every control is made with `new X(parent, "Name")`: placed on `parent`,
// owned by the parent's form. Setters work before and after the window
// exists (the state is kept and pushed into the window when it is made).
//
// Event rules:
// - CheckBox::SetChecked with a changed value runs OnClick, as a user click does.
// - RadioButton::SetChecked(true) unchecks the other radio buttons of the same
//   parent and runs OnClick.
// - Edit::SetText runs OnChange once the window exists (a form makes all its
//   windows when it is created, shown or not); ComboBox/ListBox::SetItemIndex
//   run nothing.
// - Button::Click() runs the click from code: also on a hidden or disabled
//   button; it first sets the form's ModalResult when the button has one.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/control.h"

namespace qz::ui {

class Label;
class OpenDialog;

class Button : public WinControl {
 public:
  explicit Button(WinControl* parent, std::string name = {}, const std::string& caption = {});
  const char* ClassName() const override { return "Button"; }

  bool HasCaption() const override { return true; }
  std::string Caption() const override { return Text(); }
  void SetCaption(const std::string& c) override { SetText(c); }

  // Enter clicks the default button of the form, Escape the cancel button.
  bool Default() const { return default_; }
  void SetDefault(bool on);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool on);
  // Set on the form when the button is clicked (mrNone: nothing).
  int ModalResult = 0;

  void Click() override;

 protected:
  void FillCreateParams(CreateParams& cp) override;
  bool CommandNotify(WORD code, LRESULT& result) override;

 private:
  friend class Form;
  void UpdateDefaultStyle();
  bool default_ = false;
  bool cancel_ = false;
};

// What check boxes and radio buttons share: a BUTTON window of one style
// whose caption is its text, whose check state is kept while it has no
// window, and which looks transparent over any background (it paints what
// lies behind it: the parent's background, skinned or not).
class CheckButton : public WinControl {
 public:
  bool HasCaption() const override { return true; }
  std::string Caption() const override { return Text(); }
  void SetCaption(const std::string& c) override { SetText(c); }
  bool WordWrap = false;  // apply before the window is made

 protected:
  CheckButton(WinControl* parent, std::string name, const std::string& caption, int width, DWORD buttonStyle);
  void FillCreateParams(CreateParams& cp) override;
  void HandleCreated() override;
  HBRUSH CtlColor(HDC dc, UINT msg) override;
  // Shows the state in the window (when there is one).
  void ShowCheck(bool on);
  bool checked_ = false;

 private:
  DWORD buttonStyle_;
};

class CheckBox : public CheckButton {
 public:
  explicit CheckBox(WinControl* parent, std::string name = {}, const std::string& caption = {});
  const char* ClassName() const override { return "CheckBox"; }

  bool Checked() const;
  void SetChecked(bool on);

 protected:
  void HandleDestroying() override;
  bool CommandNotify(WORD code, LRESULT& result) override;
};

class RadioButton : public CheckButton {
 public:
  explicit RadioButton(WinControl* parent, std::string name = {}, const std::string& caption = {});
  const char* ClassName() const override { return "RadioButton"; }

  bool Checked() const { return checked_; }
  void SetChecked(bool on);

 protected:
  bool CommandNotify(WORD code, LRESULT& result) override;
};

class Edit : public WinControl {
 public:
  explicit Edit(WinControl* parent, std::string name = {});
  const char* ClassName() const override { return "Edit"; }

  // Text() / SetText() from WinControl; SetText runs OnChange.
  char PasswordChar() const { return passwordChar_; }
  void SetPasswordChar(char c);  // 0: plain text
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool on);
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int n);  // 0: no limit
  // Multi-line text with a vertical scroll bar (apply before the window is made).
  bool MultiLine = false;
  // Digits only.
  bool NumbersOnly() const { return numbersOnly_; }
  void SetNumbersOnly(bool on);
  void SelectAll();

  std::function<void()> OnChange;

 protected:
  void FillCreateParams(CreateParams& cp) override;
  void HandleCreated() override;
  void HandleDestroying() override;
  bool CommandNotify(WORD code, LRESULT& result) override;
  HBRUSH CtlColor(HDC dc, UINT msg) override;

 private:
  char passwordChar_ = 0;
  bool numbersOnly_ = false;
  bool readOnly_ = false;
  int maxLength_ = 0;
};

// An edit with a label above it (or to its left). The component's Caption
// is the label's caption (translation sets it there).
class LabeledEdit : public Edit {
 public:
  explicit LabeledEdit(WinControl* parent, std::string name = {});
  ~LabeledEdit() override;
  const char* ClassName() const override { return "LabeledEdit"; }

  bool HasCaption() const override { return true; }
  std::string Caption() const override;
  void SetCaption(const std::string& c) override;

  Label* EditLabel() const { return label_; }
  enum class LabelPos { Above, Left };
  void SetLabelPosition(LabelPos p, int spacing = 3);
  void SetParent(WinControl* parent) override;

 protected:
  void BoundsChanged() override;
  void VisibleChanged() override;
  void EnabledChanged() override;

 private:
  void PlaceLabel();
  Label* label_ = nullptr;
  LabelPos pos_ = LabelPos::Above;
  int spacing_ = 3;
};

// A number edit with up/down arrows. Value is kept within MinValue..MaxValue
// (both 0: no limit).
class SpinEdit : public WinControl {
 public:
  explicit SpinEdit(WinControl* parent, std::string name = {});
  const char* ClassName() const override { return "SpinEdit"; }

  int Value() const;
  void SetValue(int v);
  int MinValue() const { return min_; }
  int MaxValue() const { return max_; }
  void SetRange(int minValue, int maxValue);
  int Increment = 1;
  Edit* EditControl() const { return edit_; }

  std::function<void()> OnChange;

 protected:
  void HandleCreated() override;
  void BoundsChanged() override;
  void EnabledChanged() override;

 private:
  int Clamp(int v) const;
  void Layout();
  void ApplyRange();
  Edit* edit_ = nullptr;
  HWND updown_ = nullptr;
  int min_ = 0, max_ = 0;
};

// A file name edit with a browse button that opens a file dialog.
class FilenameEdit : public WinControl {
 public:
  explicit FilenameEdit(WinControl* parent, std::string name = {});
  const char* ClassName() const override { return "FilenameEdit"; }

  std::string FileName() const;
  void SetFileName(const std::string& f);
  enum class Kind { Open, Save };
  Kind DialogKind = Kind::Open;
  std::string Filter;  // "Text files (*.txt)|*.txt|All files|*.*"
  std::string InitialDir;
  std::string DialogTitle;
  std::string DefaultExt;
  Edit* EditControl() const { return edit_; }
  Button* BrowseButton() const { return button_; }
  // Opens the dialog as the browse button does; true when a file was chosen.
  bool Browse();

  std::function<void()> OnChange;
  // Runs after the dialog; may change the name or set accept to false.
  std::function<void(std::string& fileName, bool& accept)> OnAfterDialog;

 protected:
  void BoundsChanged() override;
  void EnabledChanged() override;

 private:
  void Layout();
  Edit* edit_ = nullptr;
  Button* button_ = nullptr;
};

class ComboBox : public WinControl {
 public:
  enum class Style { DropDown, DropDownList };
  explicit ComboBox(WinControl* parent, std::string name = {}, Style style = Style::DropDownList);
  const char* ClassName() const override { return "ComboBox"; }

  int AddItem(const std::string& text, int64_t data = 0);
  void Clear();
  int ItemCount() const { return static_cast<int>(items_.size()); }
  std::string ItemText(int i) const;
  int64_t ItemData(int i) const;
  void SetItems(const std::vector<std::string>& items);
  int IndexOf(const std::string& text) const;  // exact match; -1 when none

  int ItemIndex() const;
  void SetItemIndex(int i);
  // The edit text (DropDown) or the selected item's text.
  std::string Text() const;
  // Height of the drop-down list in pixels.
  int DropDownHeight = 200;

  std::function<void()> OnChange;

 protected:
  void FillCreateParams(CreateParams& cp) override;
  void HandleCreated() override;
  void HandleDestroying() override;
  bool CommandNotify(WORD code, LRESULT& result) override;

 public:
  void SetBounds(int left, int top, int width, int height) override;

 private:
  struct Item {
    std::string text;
    int64_t data;
  };
  std::vector<Item> items_;
  Style style_;
  int index_ = -1;
};

class ListBox : public WinControl {
 public:
  explicit ListBox(WinControl* parent, std::string name = {});
  const char* ClassName() const override { return "ListBox"; }

  int AddItem(const std::string& text, int64_t data = 0);
  void InsertItem(int index, const std::string& text, int64_t data = 0);
  void DeleteItem(int index);
  void Clear();
  int ItemCount() const { return static_cast<int>(items_.size()); }
  std::string ItemText(int i) const;
  int64_t ItemData(int i) const;
  void SetItems(const std::vector<std::string>& items);
  std::vector<std::string> Items() const;

  int ItemIndex() const;
  void SetItemIndex(int i);
  // Several rows may be selected (apply before the window is made).
  bool MultiSelect = false;
  // New items go into sorted place (case-insensitive).
  bool Sorted = false;
  bool Selected(int i) const;
  void SetSelected(int i, bool on);
  int SelectedCount() const;

  std::function<void()> OnChange;  // the selection changed by the user

 protected:
  void FillCreateParams(CreateParams& cp) override;
  void HandleCreated() override;
  void HandleDestroying() override;
  bool CommandNotify(WORD code, LRESULT& result) override;

 private:
  struct Item {
    std::string text;
    int64_t data;
    bool selected;
  };
  void ReadSelection() const;
  mutable std::vector<Item> items_;
  mutable int index_ = -1;
};

// A frame with a caption; a container for other controls (radio button groups).
class GroupBox : public WinControl {
 public:
  explicit GroupBox(WinControl* parent, std::string name = {}, const std::string& caption = {});
  const char* ClassName() const override { return "GroupBox"; }
  bool HasCaption() const override { return true; }
  std::string Caption() const override { return text_; }
  void SetCaption(const std::string& c) override;

 protected:
  void PaintClient(HDC dc, const RECT& clip) override;
  RECT AlignRect() const override;
};

// A plain container; shows its parent's background unless a colour is set.
class Panel : public WinControl {
 public:
  explicit Panel(WinControl* parent, std::string name = {});
  const char* ClassName() const override { return "Panel"; }
  bool HasCaption() const override { return true; }
  std::string Caption() const override { return text_; }
  void SetCaption(const std::string& c) override;

  enum class Bevel { None, Raised, Lowered };
  Bevel BevelOuter() const { return bevel_; }
  void SetBevelOuter(Bevel b);

 protected:
  void PaintClient(HDC dc, const RECT& clip) override;
  RECT AlignRect() const override;

 private:
  Bevel bevel_ = Bevel::None;
};

// A progress bar whose Min, Max and Position are 64-bit; the position is
// scaled into the control's own range. Max <= Min shows an empty bar.
class ProgressBar : public WinControl {
 public:
  explicit ProgressBar(WinControl* parent, std::string name = {});
  const char* ClassName() const override { return "ProgressBar"; }

  int64_t Min() const { return min_; }
  int64_t Max() const { return max_; }
  int64_t Position() const { return pos_; }
  void SetMin(int64_t v);
  void SetMax(int64_t v);
  void SetRange(int64_t minValue, int64_t maxValue);
  // Kept within Min..Max.
  void SetPosition(int64_t v);
  int64_t Step = 10;
  void StepIt() { SetPosition(pos_ + Step); }
  void StepBy(int64_t delta) { SetPosition(pos_ + delta); }

  // The position as the control shows it (0..kScale).
  static constexpr int kScale = 10000;
  int ScaledPosition() const;

 protected:
  void FillCreateParams(CreateParams& cp) override;
  void HandleCreated() override;

 private:
  void Apply();
  int64_t min_ = 0, max_ = 100, pos_ = 0;
};

}  // namespace qz::ui
