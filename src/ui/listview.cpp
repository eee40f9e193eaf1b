#include "ui/listview.h"

#include <algorithm>
#include <numeric>

#include "core/text.h"
#include "ui/picture.h"

namespace qz::ui {

// ---- ImageList -------------------------------------------------------------------

ImageList::ImageList(Component* owner, std::string name, int width, int height)
    : Component(owner, std::move(name)), width_(std::max(1, width)), height_(std::max(1, height)) {}

ImageList::~ImageList() {
  if (list_) ImageList_Destroy(list_);
}

void ImageList::SetSize(int width, int height) {
  width = std::max(1, width);
  height = std::max(1, height);
  if (width == width_ && height == height_) return;
  width_ = width;
  height_ = height;
  if (list_) {
    ImageList_Destroy(list_);
    list_ = nullptr;
  }
}

HIMAGELIST ImageList::Handle() {
  if (!list_) list_ = ImageList_Create(width_, height_, ILC_COLOR32 | ILC_MASK, 4, 4);
  return list_;
}

int ImageList::Count() const { return list_ ? ImageList_GetImageCount(list_) : 0; }

int ImageList::Add(const Picture& picture) {
  if (picture.Empty()) return -1;
  int pw = picture.Width(), ph = picture.Height();
  int pieces = 1;
  bool strip = ph == height_ && pw > width_ && pw % width_ == 0;
  if (strip) pieces = pw / width_;
  int first = -1;
  for (int k = 0; k < pieces; ++k) {
    // Copy one image: a piece of a strip, or the picture centred in the image size.
    Picture piece(width_, height_, 0);
    int sx0 = strip ? k * width_ : std::max(0, (pw - width_) / 2);
    int sy0 = strip ? 0 : std::max(0, (ph - height_) / 2);
    int dx0 = strip ? 0 : std::max(0, (width_ - pw) / 2);
    int dy0 = strip ? 0 : std::max(0, (height_ - ph) / 2);
    int cw = std::min(width_ - dx0, pw - sx0), ch = std::min(height_ - dy0, ph - sy0);
    for (int y = 0; y < ch; ++y)
      for (int x = 0; x < cw; ++x)
        piece.Bits()[(dy0 + y) * width_ + dx0 + x] = picture.Bits()[(sy0 + y) * pw + sx0 + x];
    piece.SetTransparent(picture.Transparent());
    if (!picture.Transparent()) piece.MakeOpaque();
    HICON icon = piece.CreateIcon();
    if (!icon) return first;
    int index = ImageList_AddIcon(Handle(), icon);
    DestroyIcon(icon);
    if (index < 0) return first;
    if (first < 0) first = index;
  }
  return first;
}

int ImageList::AddIcon(HICON icon) {
  if (!icon) return -1;
  return ImageList_AddIcon(Handle(), icon);
}

int ImageList::AddBitmap(HBITMAP bitmap, HBITMAP mask) {
  if (!bitmap) return -1;
  return ImageList_Add(Handle(), bitmap, mask);
}

bool ImageList::AddFromFile(const std::string& path) {
  Picture p;
  if (!p.LoadFromFile(path)) return false;
  return Add(p) >= 0;
}

void ImageList::Clear() {
  if (list_) ImageList_RemoveAll(list_);
}

void ImageList::Draw(HDC dc, int x, int y, int index, bool enabled) {
  if (!list_ || index < 0 || index >= Count()) return;
  ImageList_Draw(list_, index, dc, x, y, enabled ? ILD_TRANSPARENT : ILD_TRANSPARENT | ILD_BLEND50);
}

// ---- ListView --------------------------------------------------------------------

ListView::ListView(WinControl* parent, std::string name) : WinControl(parent, std::move(name)) {
  tabStop_ = true;
  width_ = 250;
  height_ = 150;
}

void ListView::FillCreateParams(CreateParams& cp) {
  WinControl::FillCreateParams(cp);
  cp.className = WC_LISTVIEWW;
  cp.style |= LVS_REPORT | LVS_SHAREIMAGELISTS;
  if (!HideSelection) cp.style |= LVS_SHOWSELALWAYS;
  if (!MultiSelect) cp.style |= LVS_SINGLESEL;
  if (!ShowColumnHeaders) cp.style |= LVS_NOCOLUMNHEADER;
  if (!ReadOnly) cp.style |= LVS_EDITLABELS;
  cp.exStyle = WS_EX_CLIENTEDGE;
}

void ListView::HandleCreated() {
  DWORD ex = LVS_EX_DOUBLEBUFFER;
  if (CheckBoxes) ex |= LVS_EX_CHECKBOXES;
  if (RowSelect) ex |= LVS_EX_FULLROWSELECT;
  if (GridLines) ex |= LVS_EX_GRIDLINES;
  Perform(LVM_SETEXTENDEDLISTVIEWSTYLE, ex, ex);
  ApplyImages();
  ApplyColumns();
  FillWindow();
}

void ListView::HandleDestroying() { ReadSelection(); }

void ListView::ApplyImages() {
  if (!Handle()) return;
  Perform(LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images_ ? images_->Handle() : nullptr));
}

void ListView::SetSmallImages(ImageList* images) {
  images_ = images;
  ApplyImages();
}

void ListView::InsertColumnIntoWindow(int i) {
  const ListColumn& col = columns_[static_cast<size_t>(i)];
  std::wstring w = Widen(col.caption);
  LVCOLUMNW c{};
  c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
  c.fmt = col.align == Alignment::Right    ? LVCFMT_RIGHT
          : col.align == Alignment::Center ? LVCFMT_CENTER
                                           : LVCFMT_LEFT;
  c.cx = col.width;
  c.pszText = w.data();
  Perform(LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&c));
}

void ListView::ApplyColumns() {
  if (!Handle()) return;
  while (Perform(LVM_DELETECOLUMN, 0)) {
  }
  for (int i = 0; i < ColumnCount(); ++i) InsertColumnIntoWindow(i);
}

int ListView::AddColumn(const std::string& caption, int width, Alignment align) {
  columns_.push_back({caption, width, align});
  int i = static_cast<int>(columns_.size()) - 1;
  if (Handle()) {
    InsertColumnIntoWindow(i);
    // Texts of existing rows for the new column.
    if (i > 0)
      for (int r = 0; r < ItemCount(); ++r) SetItemText(r, i, ItemText(r, i));
  }
  return i;
}

std::string ListView::ColumnCaption(int i) const {
  return i >= 0 && i < ColumnCount() ? columns_[static_cast<size_t>(i)].caption : std::string();
}

void ListView::SetColumnCaption(int i, const std::string& caption) {
  if (i < 0 || i >= ColumnCount()) return;
  columns_[static_cast<size_t>(i)].caption = caption;
  if (!Handle()) return;
  std::wstring w = Widen(caption);
  LVCOLUMNW c{};
  c.mask = LVCF_TEXT;
  c.pszText = w.data();
  Perform(LVM_SETCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&c));
}

int ListView::ColumnWidth(int i) const {
  if (i < 0 || i >= ColumnCount()) return 0;
  if (Handle()) return static_cast<int>(Perform(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(i)));
  return columns_[static_cast<size_t>(i)].width;
}

void ListView::SetColumnWidth(int i, int width) {
  if (i < 0 || i >= ColumnCount()) return;
  columns_[static_cast<size_t>(i)].width = width;
  if (Handle()) Perform(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(i), width);
}

void ListView::InsertRowIntoWindow(int index) {
  const ListItem& it = items_[static_cast<size_t>(index)];
  std::wstring w = Widen(it.caption);
  LVITEMW lv{};
  lv.mask = LVIF_TEXT | LVIF_IMAGE;
  lv.iItem = index;
  lv.pszText = w.data();
  lv.iImage = it.imageIndex;
  settingChecks_ = true;
  int at = static_cast<int>(Perform(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&lv)));
  for (size_t s = 0; s < it.subItems.size(); ++s) {
    std::wstring sw = Widen(it.subItems[s]);
    LVITEMW sub{};
    sub.iSubItem = static_cast<int>(s + 1);
    sub.pszText = sw.data();
    Perform(LVM_SETITEMTEXTW, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&sub));
  }
  if (CheckBoxes) SetRowState(at, LVIS_STATEIMAGEMASK, INDEXTOSTATEIMAGEMASK(it.checked ? 2 : 1));
  if (selected_[static_cast<size_t>(index)]) SetRowState(at, LVIS_SELECTED, LVIS_SELECTED);
  settingChecks_ = false;
}

void ListView::SetRowState(int index, UINT mask, UINT state) {
  LVITEMW st{};
  st.stateMask = mask;
  st.state = state;
  Perform(LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&st));
}

void ListView::FillWindow() {
  if (!Handle()) return;
  Perform(WM_SETREDRAW, FALSE);
  settingChecks_ = true;
  Perform(LVM_DELETEALLITEMS);
  settingChecks_ = false;
  for (int i = 0; i < ItemCount(); ++i) InsertRowIntoWindow(i);
  if (!updating_) {
    Perform(WM_SETREDRAW, TRUE);
    InvalidateRect(Handle(), nullptr, TRUE);
  }
}

void ListView::ReadSelection() const {
  if (!Handle()) return;
  for (size_t i = 0; i < items_.size(); ++i)
    selected_[i] = Perform(LVM_GETITEMSTATE, i, LVIS_SELECTED) != 0;
}

int ListView::AddItem(const ListItem& item) {
  items_.push_back(item);
  selected_.push_back(0);
  int i = static_cast<int>(items_.size()) - 1;
  if (Handle()) InsertRowIntoWindow(i);
  return i;
}

int ListView::AddItem(const std::string& caption, const std::vector<std::string>& subItems, int imageIndex,
                      int64_t data) {
  ListItem it;
  it.caption = caption;
  it.subItems = subItems;
  it.imageIndex = imageIndex;
  it.data = data;
  return AddItem(it);
}

void ListView::DeleteItem(int index) {
  if (index < 0 || index >= ItemCount()) return;
  ReadSelection();
  items_.erase(items_.begin() + index);
  selected_.erase(selected_.begin() + index);
  if (Handle()) {
    settingChecks_ = true;
    Perform(LVM_DELETEITEM, static_cast<WPARAM>(index));
    settingChecks_ = false;
  }
}

void ListView::Clear() {
  items_.clear();
  selected_.clear();
  if (Handle()) {
    settingChecks_ = true;
    Perform(LVM_DELETEALLITEMS);
    settingChecks_ = false;
  }
}

const ListItem& ListView::Item(int index) const {
  static const ListItem empty;
  return index >= 0 && index < ItemCount() ? items_[static_cast<size_t>(index)] : empty;
}

std::string ListView::ItemText(int index, int column) const {
  if (index < 0 || index >= ItemCount() || column < 0) return {};
  const ListItem& it = items_[static_cast<size_t>(index)];
  if (column == 0) return it.caption;
  size_t s = static_cast<size_t>(column - 1);
  return s < it.subItems.size() ? it.subItems[s] : std::string();
}

void ListView::SetItemText(int index, int column, const std::string& text) {
  if (index < 0 || index >= ItemCount() || column < 0) return;
  ListItem& it = items_[static_cast<size_t>(index)];
  if (column == 0) it.caption = text;
  else {
    size_t s = static_cast<size_t>(column - 1);
    if (it.subItems.size() <= s) it.subItems.resize(s + 1);
    it.subItems[s] = text;
  }
  if (!Handle()) return;
  std::wstring w = Widen(text);
  LVITEMW lv{};
  lv.iSubItem = column;
  lv.pszText = w.data();
  Perform(LVM_SETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&lv));
}

void ListView::SetItemImage(int index, int imageIndex) {
  if (index < 0 || index >= ItemCount()) return;
  items_[static_cast<size_t>(index)].imageIndex = imageIndex;
  if (!Handle()) return;
  LVITEMW lv{};
  lv.mask = LVIF_IMAGE;
  lv.iItem = index;
  lv.iImage = imageIndex;
  Perform(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&lv));
}

int64_t ListView::ItemData(int index) const { return Item(index).data; }

bool ListView::Checked(int index) const { return Item(index).checked; }

void ListView::SetChecked(int index, bool on) {
  if (index < 0 || index >= ItemCount()) return;
  items_[static_cast<size_t>(index)].checked = on;
  if (!Handle() || !CheckBoxes) return;
  settingChecks_ = true;
  SetRowState(index, LVIS_STATEIMAGEMASK, INDEXTOSTATEIMAGEMASK(on ? 2 : 1));
  settingChecks_ = false;
}

int ListView::ItemIndex() const {
  ReadSelection();
  for (size_t i = 0; i < selected_.size(); ++i)
    if (selected_[i]) return static_cast<int>(i);
  return -1;
}

void ListView::SetItemIndex(int index) {
  for (int i = 0; i < ItemCount(); ++i) SetSelected(i, i == index);
  if (Handle() && index >= 0 && index < ItemCount()) {
    SetRowState(index, LVIS_FOCUSED, LVIS_FOCUSED);
    Perform(LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), FALSE);
  }
}

bool ListView::Selected(int index) const {
  if (index < 0 || index >= ItemCount()) return false;
  if (Handle()) return Perform(LVM_GETITEMSTATE, static_cast<WPARAM>(index), LVIS_SELECTED) != 0;
  return selected_[static_cast<size_t>(index)] != 0;
}

void ListView::SetSelected(int index, bool on) {
  if (index < 0 || index >= ItemCount()) return;
  selected_[static_cast<size_t>(index)] = on;
  if (Handle()) SetRowState(index, LVIS_SELECTED, on ? LVIS_SELECTED : 0);
}

std::vector<int> ListView::SelectedIndices() const {
  ReadSelection();
  std::vector<int> out;
  for (size_t i = 0; i < selected_.size(); ++i)
    if (selected_[i]) out.push_back(static_cast<int>(i));
  return out;
}

namespace {
int DefaultCompare(const std::string& a, const std::string& b) {
  auto ia = TryParseInt(a), ib = TryParseInt(b);
  if (ia && ib) return *ia < *ib ? -1 : (*ia > *ib ? 1 : 0);
  std::wstring wa = Widen(a), wb = Widen(b);
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, wa.c_str(), static_cast<int>(wa.size()), wb.c_str(),
                        static_cast<int>(wb.size())) -
         CSTR_EQUAL;
}
}  // namespace

void ListView::SortByColumn(int column, bool ascending) {
  sortColumn_ = column;
  sortAscending_ = ascending;
  ReadSelection();
  std::vector<size_t> order(items_.size());
  std::iota(order.begin(), order.end(), 0);
  auto textOf = [this, column](size_t i) {
    const ListItem& it = items_[i];
    if (column <= 0) return it.caption;
    size_t s = static_cast<size_t>(column - 1);
    return s < it.subItems.size() ? it.subItems[s] : std::string();
  };
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    int c = OnCompare ? OnCompare(items_[a], items_[b], column) : DefaultCompare(textOf(a), textOf(b));
    return ascending ? c < 0 : c > 0;
  });
  std::vector<ListItem> items;
  std::vector<char> sel;
  for (size_t i : order) {
    items.push_back(std::move(items_[i]));
    sel.push_back(selected_[i]);
  }
  items_ = std::move(items);
  selected_ = std::move(sel);
  FillWindow();
}

void ListView::BeginUpdate() {
  if (updating_++ == 0 && Handle()) Perform(WM_SETREDRAW, FALSE);
}

void ListView::EndUpdate() {
  if (updating_ > 0 && --updating_ == 0 && Handle()) {
    Perform(WM_SETREDRAW, TRUE);
    InvalidateRect(Handle(), nullptr, TRUE);
  }
}

bool ListView::Notify(NMHDR* nm, LRESULT& result) {
  result = 0;
  switch (nm->code) {
    case LVN_ITEMCHANGED: {
      auto* lv = reinterpret_cast<NMLISTVIEW*>(nm);
      if (!(lv->uChanged & LVIF_STATE) || lv->iItem < 0 || lv->iItem >= ItemCount()) return true;
      size_t i = static_cast<size_t>(lv->iItem);
      if (CheckBoxes && !settingChecks_ && ((lv->uNewState ^ lv->uOldState) & LVIS_STATEIMAGEMASK)) {
        bool on = ((lv->uNewState & LVIS_STATEIMAGEMASK) >> 12) == 2;
        if (on != items_[i].checked) {
          items_[i].checked = on;
          if (OnItemChecked) OnItemChecked(lv->iItem);
        }
      }
      if ((lv->uNewState ^ lv->uOldState) & LVIS_SELECTED) {
        selected_[i] = (lv->uNewState & LVIS_SELECTED) != 0;
        if (!settingChecks_ && OnSelectionChange) OnSelectionChange();
      }
      return true;
    }
    case LVN_COLUMNCLICK: {
      int col = reinterpret_cast<NMLISTVIEW*>(nm)->iSubItem;
      if (SortOnColumnClick) SortByColumn(col, col == sortColumn_ ? !sortAscending_ : true);
      if (OnColumnClick) OnColumnClick(col);
      return true;
    }
    case NM_CLICK:
      Click();
      return false;
    case NM_DBLCLK:
      if (OnDblClick) OnDblClick();
      return false;
  }
  return false;
}

}  // namespace qz::ui
