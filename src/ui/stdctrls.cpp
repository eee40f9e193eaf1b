#include "ui/stdctrls.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>

#include "core/text.h"
#include "ui/dialogs.h"
#include "ui/form.h"
#include "ui/graphics.h"

namespace qz::ui {

namespace {

int CompareNoCase(const std::string& a, const std::string& b) {
  std::wstring wa = Widen(a), wb = Widen(b);
  int r = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, wa.c_str(), static_cast<int>(wa.size()),
                         wb.c_str(), static_cast<int>(wb.size()));
  return r - CSTR_EQUAL;
}

}  // namespace

// ---- Button ---------------------------------------------------------------------

Button::Button(WinControl* parent, std::string name, const std::string& caption)
    : WinControl(parent, std::move(name)) {
  text_ = caption;
  tabStop_ = true;
  width_ = 75;
  height_ = 25;
}

void Button::FillCreateParams(CreateParams& cp) {
  WinControl::FillCreateParams(cp);
  cp.className = L"BUTTON";
  cp.style &= ~WS_CLIPCHILDREN;
  Form* f = ParentForm();
  cp.style |= (f && f->DefaultButton() == this) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
  cp.exStyle = 0;
}

void Button::SetDefault(bool on) {
  default_ = on;
  Form* f = ParentForm();
  if (!f) return;
  if (on) f->SetDefaultButton(this);
  else if (f->DefaultButton() == this) f->SetDefaultButton(nullptr);
}

void Button::SetCancel(bool on) {
  cancel_ = on;
  Form* f = ParentForm();
  if (!f) return;
  if (on) f->SetCancelButton(this);
  else if (f->CancelButton() == this) f->SetCancelButton(nullptr);
}

void Button::UpdateDefaultStyle() {
  Form* f = ParentForm();
  bool isDefault = f && f->DefaultButton() == this;
  if (!isDefault) default_ = false;
  if (Handle()) Perform(BM_SETSTYLE, isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void Button::Click() {
  if (ModalResult != 0) {
    if (Form* f = ParentForm()) f->SetModalResult(ModalResult);
  }
  WinControl::Click();
}

bool Button::CommandNotify(WORD code, LRESULT& result) {
  if (code != BN_CLICKED) return false;
  result = 0;
  Click();
  return true;
}

// ---- CheckButton -----------------------------------------------------------------

CheckButton::CheckButton(WinControl* parent, std::string name, const std::string& caption, int width,
                         DWORD buttonStyle)
    : WinControl(parent, std::move(name)), buttonStyle_(buttonStyle) {
  text_ = caption;
  tabStop_ = true;
  width_ = width;
  height_ = 17;
}

void CheckButton::FillCreateParams(CreateParams& cp) {
  WinControl::FillCreateParams(cp);
  cp.className = L"BUTTON";
  cp.style &= ~WS_CLIPCHILDREN;
  cp.style |= buttonStyle_ | (WordWrap ? BS_MULTILINE : 0);
  cp.exStyle = 0;
}

void CheckButton::HandleCreated() { ShowCheck(checked_); }

void CheckButton::ShowCheck(bool on) {
  if (Handle()) Perform(BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED);
}

// The answer to WM_CTLCOLORSTATIC: the parent's background behind the
// control, the text drawn transparently over it.
HBRUSH CheckButton::CtlColor(HDC dc, UINT) {
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, enabled_ ? font_.color : GetSysColor(COLOR_GRAYTEXT));
  if (WinControl* p = Parent()) p->PaintBackgroundFor(this, dc);
  return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

// ---- CheckBox --------------------------------------------------------------------

CheckBox::CheckBox(WinControl* parent, std::string name, const std::string& caption)
    : CheckButton(parent, std::move(name), caption, 97, BS_AUTOCHECKBOX) {}

void CheckBox::HandleDestroying() { checked_ = Perform(BM_GETCHECK) == BST_CHECKED; }

bool CheckBox::Checked() const {
  if (Handle()) return Perform(BM_GETCHECK) == BST_CHECKED;
  return checked_;
}

void CheckBox::SetChecked(bool on) {
  if (on == Checked()) return;
  checked_ = on;
  ShowCheck(on);
  Click();
}

bool CheckBox::CommandNotify(WORD code, LRESULT& result) {
  if (code != BN_CLICKED) return false;
  checked_ = Perform(BM_GETCHECK) == BST_CHECKED;
  result = 0;
  Click();
  return true;
}

// ---- RadioButton -----------------------------------------------------------------

// The group is kept by this class (one group per parent), not by the system.
RadioButton::RadioButton(WinControl* parent, std::string name, const std::string& caption)
    : CheckButton(parent, std::move(name), caption, 113, BS_RADIOBUTTON) {}

void RadioButton::SetChecked(bool on) {
  if (on == checked_) return;
  checked_ = on;
  ShowCheck(on);
  if (!on) return;
  if (WinControl* p = Parent()) {
    for (Control* c : p->Controls()) {
      auto* r = dynamic_cast<RadioButton*>(c);
      if (!r || r == this || !r->checked_) continue;
      r->checked_ = false;
      r->ShowCheck(false);
    }
  }
  Click();
}

bool RadioButton::CommandNotify(WORD code, LRESULT& result) {
  if (code != BN_CLICKED) return false;
  result = 0;
  SetChecked(true);
  return true;
}

// ---- Edit ------------------------------------------------------------------------

Edit::Edit(WinControl* parent, std::string name) : WinControl(parent, std::move(name)) {
  tabStop_ = true;
  width_ = 121;
  height_ = 21;
}

void Edit::FillCreateParams(CreateParams& cp) {
  WinControl::FillCreateParams(cp);
  cp.className = L"EDIT";
  cp.style &= ~WS_CLIPCHILDREN;
  cp.style |= ES_AUTOHSCROLL;
  if (MultiLine) cp.style |= ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | WS_VSCROLL;
  if (numbersOnly_) cp.style |= ES_NUMBER;
  if (readOnly_) cp.style |= ES_READONLY;
  if (passwordChar_) cp.style |= ES_PASSWORD;
  cp.exStyle = WS_EX_CLIENTEDGE;
}

void Edit::HandleCreated() {
  if (passwordChar_) Perform(EM_SETPASSWORDCHAR, static_cast<unsigned char>(passwordChar_));
  if (maxLength_ > 0) Perform(EM_LIMITTEXT, static_cast<WPARAM>(maxLength_));
}

void Edit::HandleDestroying() { text_ = Text(); }

void Edit::SetPasswordChar(char c) {
  passwordChar_ = c;
  if (Handle()) {
    Perform(EM_SETPASSWORDCHAR, static_cast<unsigned char>(c));
    Invalidate();
  }
}

void Edit::SetReadOnly(bool on) {
  readOnly_ = on;
  if (Handle()) Perform(EM_SETREADONLY, on);
}

void Edit::SetMaxLength(int n) {
  maxLength_ = std::max(0, n);
  if (Handle()) Perform(EM_LIMITTEXT, static_cast<WPARAM>(maxLength_));
}

void Edit::SetNumbersOnly(bool on) {
  numbersOnly_ = on;
  SetStyleBits(ES_NUMBER, on);
}

void Edit::SelectAll() { Perform(EM_SETSEL, 0, -1); }

bool Edit::CommandNotify(WORD code, LRESULT& result) {
  if (code != EN_CHANGE) return false;
  result = 0;
  if (OnChange) OnChange();
  return true;
}

HBRUSH Edit::CtlColor(HDC dc, UINT) {
  if (Color() == kDefaultColor) return nullptr;
  SetBkColor(dc, Color());
  SetTextColor(dc, Font().color);
  return BackgroundBrush();
}

// ---- LabeledEdit ------------------------------------------------------------------

LabeledEdit::LabeledEdit(WinControl* parent, std::string name) : Edit(parent, std::move(name)) {
  label_ = new Label(this, parent, {});
  PlaceLabel();
}

LabeledEdit::~LabeledEdit() { delete label_; }

std::string LabeledEdit::Caption() const { return label_ ? label_->Caption() : std::string(); }

void LabeledEdit::SetCaption(const std::string& c) {
  if (!label_) return;
  label_->SetCaption(c);
  PlaceLabel();
}

void LabeledEdit::SetLabelPosition(LabelPos p, int spacing) {
  pos_ = p;
  spacing_ = spacing;
  PlaceLabel();
}

void LabeledEdit::SetParent(WinControl* parent) {
  Edit::SetParent(parent);
  if (label_) label_->SetParent(parent);
  PlaceLabel();
}

void LabeledEdit::PlaceLabel() {
  if (!label_) return;
  if (pos_ == LabelPos::Above)
    label_->SetBounds(left_, top_ - label_->Height() - spacing_, label_->Width(), label_->Height());
  else
    label_->SetBounds(left_ - label_->Width() - spacing_, top_ + (height_ - label_->Height()) / 2,
                      label_->Width(), label_->Height());
}

void LabeledEdit::BoundsChanged() {
  Edit::BoundsChanged();
  PlaceLabel();
}

void LabeledEdit::VisibleChanged() {
  Edit::VisibleChanged();
  if (label_) label_->SetVisible(Visible());
}

void LabeledEdit::EnabledChanged() {
  Edit::EnabledChanged();
  if (label_) label_->SetEnabled(Enabled());
}

// ---- SpinEdit --------------------------------------------------------------------

namespace {
constexpr int kSpinWidth = 17;
}

SpinEdit::SpinEdit(WinControl* parent, std::string name) : WinControl(parent, std::move(name)) {
  width_ = 121;
  height_ = 21;
  parentBackground_ = true;
  edit_ = new Edit(this, {});
  edit_->SetOwner(this);
  edit_->SetNumbersOnly(true);
  edit_->SetText("0");
  edit_->OnChange = [this] {
    if (OnChange) OnChange();
  };
  Layout();
}

void SpinEdit::HandleCreated() {
  edit_->HandleNeeded();
  updown_ = CreateWindowExW(0, UPDOWN_CLASSW, nullptr,
                            WS_CHILD | WS_VISIBLE | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS,
                            std::max(0, width_ - kSpinWidth), 0, kSpinWidth, height_, Handle(), nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  if (!updown_) return;
  SendMessageW(updown_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit_->Handle()), 0);
  ApplyRange();
  UDACCEL accel{0, static_cast<UINT>(std::max(1, Increment))};
  SendMessageW(updown_, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
  SendMessageW(updown_, UDM_SETPOS32, 0, Value());
  if (!enabled_) EnableWindow(updown_, FALSE);
}

int SpinEdit::Clamp(int v) const {
  if (min_ == 0 && max_ == 0) return v;
  return std::max(min_, std::min(max_, v));
}

int SpinEdit::Value() const {
  auto v = TryParseInt(Trim(edit_->Text()));
  return Clamp(v ? *v : (min_ == 0 && max_ == 0 ? 0 : min_));
}

void SpinEdit::SetValue(int v) {
  v = Clamp(v);
  if (updown_) SendMessageW(updown_, UDM_SETPOS32, 0, v);
  if (edit_->Text() != IntToStr(v)) edit_->SetText(IntToStr(v));
}

void SpinEdit::SetRange(int minValue, int maxValue) {
  min_ = minValue;
  max_ = std::max(minValue, maxValue);
  edit_->SetNumbersOnly(min_ >= 0);
  ApplyRange();
  SetValue(Value());
}

void SpinEdit::ApplyRange() {
  if (!updown_) return;
  int lo = min_, hi = max_;
  if (lo == 0 && hi == 0) {  // no limit: the arrows still need a range
    lo = INT_MIN / 2;
    hi = INT_MAX / 2;
  }
  SendMessageW(updown_, UDM_SETRANGE32, static_cast<WPARAM>(lo), static_cast<LPARAM>(hi));
}

void SpinEdit::Layout() {
  edit_->SetBounds(0, 0, std::max(0, width_ - kSpinWidth), height_);
  if (updown_) MoveWindow(updown_, std::max(0, width_ - kSpinWidth), 0, kSpinWidth, height_, TRUE);
}

void SpinEdit::BoundsChanged() { Layout(); }

void SpinEdit::EnabledChanged() {
  WinControl::EnabledChanged();
  edit_->SetEnabled(enabled_);
  if (updown_) EnableWindow(updown_, enabled_);
}

// ---- FilenameEdit -----------------------------------------------------------------

FilenameEdit::FilenameEdit(WinControl* parent, std::string name) : WinControl(parent, std::move(name)) {
  width_ = 200;
  height_ = 21;
  parentBackground_ = true;
  edit_ = new Edit(this, {});
  edit_->SetOwner(this);
  edit_->OnChange = [this] {
    if (OnChange) OnChange();
  };
  button_ = new Button(this, {}, "...");
  button_->SetOwner(this);
  button_->OnClick = [this] { Browse(); };
  Layout();
}

std::string FilenameEdit::FileName() const { return edit_->Text(); }

void FilenameEdit::SetFileName(const std::string& f) { edit_->SetText(f); }

bool FilenameEdit::Browse() {
  std::unique_ptr<OpenDialog> dlg;
  if (DialogKind == Kind::Save) dlg = std::make_unique<SaveDialog>(nullptr);
  else dlg = std::make_unique<OpenDialog>(nullptr);
  dlg->Filter = Filter;
  dlg->Title = DialogTitle;
  dlg->DefaultExt = DefaultExt;
  dlg->FileName = FileName();
  dlg->InitialDir = InitialDir;
  if (dlg->InitialDir.empty()) {
    std::string f = FileName();
    size_t p = f.find_last_of("\\/");
    if (p != std::string::npos) dlg->InitialDir = f.substr(0, p);
  }
  if (!dlg->Execute(this)) return false;
  std::string name = dlg->FileName;
  bool accept = true;
  if (OnAfterDialog) OnAfterDialog(name, accept);
  if (!accept) return false;
  SetFileName(name);
  return true;
}

void FilenameEdit::Layout() {
  int bw = std::min(height_ + 2, 25);
  edit_->SetBounds(0, 0, std::max(0, width_ - bw - 2), height_);
  button_->SetBounds(std::max(0, width_ - bw), 0, bw, height_);
}

void FilenameEdit::BoundsChanged() { Layout(); }

void FilenameEdit::EnabledChanged() {
  WinControl::EnabledChanged();
  edit_->SetEnabled(enabled_);
  button_->SetEnabled(enabled_);
}

// ---- ComboBox --------------------------------------------------------------------

ComboBox::ComboBox(WinControl* parent, std::string name, Style style)
    : WinControl(parent, std::move(name)), style_(style) {
  tabStop_ = true;
  width_ = 145;
  height_ = 21;
}

void ComboBox::FillCreateParams(CreateParams& cp) {
  WinControl::FillCreateParams(cp);
  cp.className = L"COMBOBOX";
  cp.style &= ~WS_CLIPCHILDREN;
  cp.style |= WS_VSCROLL | (style_ == Style::DropDownList ? CBS_DROPDOWNLIST : CBS_DROPDOWN | CBS_AUTOHSCROLL);
  cp.exStyle = 0;
  cp.height = std::max(height_, DropDownHeight);
}

void ComboBox::SetBounds(int left, int top, int width, int height) {
  WinControl::SetBounds(left, top, width, height);
  if (Handle())
    SetWindowPos(Handle(), nullptr, 0, 0, width, std::max(height, DropDownHeight),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ComboBox::HandleCreated() {
  for (const Item& it : items_) Perform(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(it.text).c_str()));
  Perform(CB_SETCURSEL, static_cast<WPARAM>(index_));
  if (style_ == Style::DropDown && index_ < 0) SetWindowTextW(Handle(), Widen(text_).c_str());
}

void ComboBox::HandleDestroying() {
  index_ = static_cast<int>(Perform(CB_GETCURSEL));
  text_ = WinControl::Text();
}

int ComboBox::AddItem(const std::string& text, int64_t data) {
  items_.push_back({text, data});
  if (Handle()) Perform(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
  return static_cast<int>(items_.size()) - 1;
}

void ComboBox::Clear() {
  items_.clear();
  index_ = -1;
  if (Handle()) Perform(CB_RESETCONTENT);
}

std::string ComboBox::ItemText(int i) const {
  return i >= 0 && i < ItemCount() ? items_[static_cast<size_t>(i)].text : std::string();
}

int64_t ComboBox::ItemData(int i) const {
  return i >= 0 && i < ItemCount() ? items_[static_cast<size_t>(i)].data : 0;
}

void ComboBox::SetItems(const std::vector<std::string>& items) {
  Clear();
  for (const auto& s : items) AddItem(s);
}

int ComboBox::IndexOf(const std::string& text) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].text == text) return static_cast<int>(i);
  return -1;
}

int ComboBox::ItemIndex() const {
  if (Handle()) return static_cast<int>(Perform(CB_GETCURSEL));
  return index_;
}

void ComboBox::SetItemIndex(int i) {
  if (i < -1 || i >= ItemCount()) i = -1;
  index_ = i;
  if (Handle()) Perform(CB_SETCURSEL, static_cast<WPARAM>(i));
}

std::string ComboBox::Text() const {
  if (style_ == Style::DropDownList) return ItemText(ItemIndex());
  return WinControl::Text();
}

bool ComboBox::CommandNotify(WORD code, LRESULT& result) {
  if (code != CBN_SELCHANGE && code != CBN_EDITCHANGE) return false;
  result = 0;
  if (code == CBN_SELCHANGE) index_ = static_cast<int>(Perform(CB_GETCURSEL));
  if (OnChange) OnChange();
  return true;
}

// ---- ListBox ---------------------------------------------------------------------

ListBox::ListBox(WinControl* parent, std::string name) : WinControl(parent, std::move(name)) {
  tabStop_ = true;
  width_ = 121;
  height_ = 97;
}

void ListBox::FillCreateParams(CreateParams& cp) {
  WinControl::FillCreateParams(cp);
  cp.className = L"LISTBOX";
  cp.style &= ~WS_CLIPCHILDREN;
  cp.style |= LBS_NOTIFY | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | (MultiSelect ? LBS_EXTENDEDSEL : 0);
  cp.exStyle = WS_EX_CLIENTEDGE;
}

void ListBox::HandleCreated() {
  for (size_t i = 0; i < items_.size(); ++i) {
    Perform(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(items_[i].text).c_str()));
    if (MultiSelect && items_[i].selected) Perform(LB_SETSEL, TRUE, static_cast<LPARAM>(i));
  }
  if (!MultiSelect) Perform(LB_SETCURSEL, static_cast<WPARAM>(index_));
}

void ListBox::ReadSelection() const {
  if (!Handle()) return;
  for (size_t i = 0; i < items_.size(); ++i)
    items_[i].selected = Perform(LB_GETSEL, i) > 0;
  index_ = static_cast<int>(MultiSelect ? Perform(LB_GETCARETINDEX) : Perform(LB_GETCURSEL));
}

void ListBox::HandleDestroying() { ReadSelection(); }

int ListBox::AddItem(const std::string& text, int64_t data) {
  int index = ItemCount();
  if (Sorted) {
    index = 0;
    while (index < ItemCount() && CompareNoCase(items_[static_cast<size_t>(index)].text, text) <= 0) ++index;
  }
  InsertItem(index, text, data);
  return index;
}

void ListBox::InsertItem(int index, const std::string& text, int64_t data) {
  index = std::max(0, std::min(index, ItemCount()));
  ReadSelection();
  items_.insert(items_.begin() + index, Item{text, data, false});
  if (index_ >= index) ++index_;
  if (Handle()) Perform(LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(Widen(text).c_str()));
}

void ListBox::DeleteItem(int index) {
  if (index < 0 || index >= ItemCount()) return;
  ReadSelection();
  items_.erase(items_.begin() + index);
  if (index_ == index) index_ = -1;
  else if (index_ > index) --index_;
  if (Handle()) Perform(LB_DELETESTRING, static_cast<WPARAM>(index));
}

void ListBox::Clear() {
  items_.clear();
  index_ = -1;
  if (Handle()) Perform(LB_RESETCONTENT);
}

std::string ListBox::ItemText(int i) const {
  return i >= 0 && i < ItemCount() ? items_[static_cast<size_t>(i)].text : std::string();
}

int64_t ListBox::ItemData(int i) const {
  return i >= 0 && i < ItemCount() ? items_[static_cast<size_t>(i)].data : 0;
}

void ListBox::SetItems(const std::vector<std::string>& items) {
  Clear();
  for (const auto& s : items) AddItem(s);
}

std::vector<std::string> ListBox::Items() const {
  std::vector<std::string> out;
  for (const Item& it : items_) out.push_back(it.text);
  return out;
}

int ListBox::ItemIndex() const {
  ReadSelection();
  return index_;
}

void ListBox::SetItemIndex(int i) {
  if (i < -1 || i >= ItemCount()) i = -1;
  index_ = i;
  if (!Handle()) return;
  if (MultiSelect) {
    Perform(LB_SETSEL, FALSE, -1);
    if (i >= 0) {
      Perform(LB_SETSEL, TRUE, i);
      Perform(LB_SETCARETINDEX, static_cast<WPARAM>(i), FALSE);
    }
  } else {
    Perform(LB_SETCURSEL, static_cast<WPARAM>(i));
  }
}

bool ListBox::Selected(int i) const {
  if (i < 0 || i >= ItemCount()) return false;
  if (Handle()) return Perform(LB_GETSEL, static_cast<WPARAM>(i)) > 0;
  return MultiSelect ? items_[static_cast<size_t>(i)].selected : index_ == i;
}

void ListBox::SetSelected(int i, bool on) {
  if (i < 0 || i >= ItemCount()) return;
  if (!MultiSelect) {
    if (on) SetItemIndex(i);
    else if (ItemIndex() == i) SetItemIndex(-1);
    return;
  }
  items_[static_cast<size_t>(i)].selected = on;
  if (Handle()) Perform(LB_SETSEL, on, i);
}

int ListBox::SelectedCount() const {
  int n = 0;
  for (int i = 0; i < ItemCount(); ++i)
    if (Selected(i)) ++n;
  return n;
}

bool ListBox::CommandNotify(WORD code, LRESULT& result) {
  result = 0;
  if (code == LBN_SELCHANGE) {
    ReadSelection();
    if (OnChange) OnChange();
    Click();
    return true;
  }
  if (code == LBN_DBLCLK) {
    if (OnDblClick) OnDblClick();
    return true;
  }
  return false;
}

// ---- GroupBox --------------------------------------------------------------------

GroupBox::GroupBox(WinControl* parent, std::string name, const std::string& caption)
    : WinControl(parent, std::move(name)) {
  text_ = caption;
  parentBackground_ = true;
  width_ = 185;
  height_ = 105;
}

void GroupBox::SetCaption(const std::string& c) {
  SetText(c);
  Invalidate();
}

namespace {
SIZE CaptionSize(HDC dc, const std::wstring& w) {
  SIZE sz{0, 0};
  if (w.empty()) {
    TEXTMETRICW tm;
    GetTextMetricsW(dc, &tm);
    sz.cy = tm.tmHeight;
    return sz;
  }
  RECT r{0, 0, 0, 0};
  DrawTextW(dc, w.c_str(), static_cast<int>(w.size()), &r, DT_CALCRECT | DT_SINGLELINE);
  sz.cx = r.right;
  sz.cy = r.bottom;
  return sz;
}
}  // namespace

void GroupBox::PaintClient(HDC dc, const RECT& clip) {
  int saved = SaveDC(dc);
  SelectObject(dc, GetFontHandle(font_));
  std::wstring w = Widen(text_);
  SIZE sz = CaptionSize(dc, w);
  RECT frame{0, sz.cy / 2, ClientWidth(), ClientHeight()};
  RECT cap{6, 0, 6 + sz.cx + 4, sz.cy};
  if (!w.empty()) ExcludeClipRect(dc, cap.left, cap.top, cap.right, cap.bottom);
  DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
  RestoreDC(dc, saved);
  if (!w.empty()) {
    saved = SaveDC(dc);
    SelectObject(dc, GetFontHandle(font_));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, enabled_ ? font_.color : GetSysColor(COLOR_GRAYTEXT));
    RECT t{8, 0, 8 + sz.cx, sz.cy};
    DrawTextW(dc, w.c_str(), static_cast<int>(w.size()), &t, DT_SINGLELINE);
    RestoreDC(dc, saved);
  }
  WinControl::PaintClient(dc, clip);
}

RECT GroupBox::AlignRect() const {
  int top = 15;
  return RECT{2, top, std::max(2, ClientWidth() - 2), std::max(top, ClientHeight() - 2)};
}

// ---- Panel -----------------------------------------------------------------------

Panel::Panel(WinControl* parent, std::string name) : WinControl(parent, std::move(name)) {
  parentBackground_ = true;
  width_ = 185;
  height_ = 41;
}

void Panel::SetCaption(const std::string& c) {
  SetText(c);
  Invalidate();
}

void Panel::SetBevelOuter(Bevel b) {
  bevel_ = b;
  Invalidate();
}

void Panel::PaintClient(HDC dc, const RECT& clip) {
  RECT r{0, 0, ClientWidth(), ClientHeight()};
  if (bevel_ != Bevel::None) DrawEdge(dc, &r, bevel_ == Bevel::Raised ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT);
  if (!text_.empty()) {
    int saved = SaveDC(dc);
    SelectObject(dc, GetFontHandle(font_));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, enabled_ ? font_.color : GetSysColor(COLOR_GRAYTEXT));
    std::wstring w = Widen(text_);
    DrawTextW(dc, w.c_str(), static_cast<int>(w.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    RestoreDC(dc, saved);
  }
  WinControl::PaintClient(dc, clip);
}

RECT Panel::AlignRect() const {
  int b = bevel_ == Bevel::None ? 0 : 1;
  return RECT{b, b, std::max(b, ClientWidth() - b), std::max(b, ClientHeight() - b)};
}

// ---- ProgressBar -----------------------------------------------------------------

ProgressBar::ProgressBar(WinControl* parent, std::string name) : WinControl(parent, std::move(name)) {
  width_ = 150;
  height_ = 17;
}

void ProgressBar::FillCreateParams(CreateParams& cp) {
  WinControl::FillCreateParams(cp);
  cp.className = PROGRESS_CLASSW;
  cp.style &= ~WS_CLIPCHILDREN;
  cp.exStyle = 0;
}

void ProgressBar::HandleCreated() {
  Perform(PBM_SETRANGE32, 0, kScale);
  Apply();
}

int ProgressBar::ScaledPosition() const {
  if (max_ <= min_) return 0;
  __int128 num = static_cast<__int128>(pos_) - min_;
  __int128 den = static_cast<__int128>(max_) - min_;
  __int128 v = num * kScale / den;
  if (v < 0) v = 0;
  if (v > kScale) v = kScale;
  return static_cast<int>(v);
}

void ProgressBar::Apply() {
  if (Handle()) Perform(PBM_SETPOS, static_cast<WPARAM>(ScaledPosition()));
}

void ProgressBar::SetMin(int64_t v) { SetRange(v, max_); }
void ProgressBar::SetMax(int64_t v) { SetRange(min_, v); }

void ProgressBar::SetRange(int64_t minValue, int64_t maxValue) {
  min_ = minValue;
  max_ = maxValue;
  SetPosition(pos_);
}

void ProgressBar::SetPosition(int64_t v) {
  if (v > max_) v = max_;
  if (v < min_) v = min_;
  pos_ = v;
  Apply();
}

}  // namespace qz::ui
