// Image lists and the report-style list view.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/control.h"

namespace qz::ui {

class Picture;

// A list of equally sized images (32-bit with alpha), for list views and
// owner-drawn trees. Made on first use; freed with the component.
class ImageList : public Component {
 public:
  explicit ImageList(Component* owner = nullptr, std::string name = {}, int width = 16, int height = 16);
  ~ImageList() override;

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Changing the size clears the list.
  void SetSize(int width, int height);
  HIMAGELIST Handle();
  int Count() const;

  // Each returns the index of the (first) added image, -1 on failure. A
  // picture wider than the list's width by a whole multiple adds a strip.
  int Add(const Picture& picture);
  int AddIcon(HICON icon);  // the icon is copied; the caller keeps its own
  int AddBitmap(HBITMAP bitmap, HBITMAP mask = nullptr);
  bool AddFromFile(const std::string& path);
  void Clear();
  void Draw(HDC dc, int x, int y, int index, bool enabled = true);

 private:
  int width_, height_;
  HIMAGELIST list_ = nullptr;
};

// One row of a list view.
struct ListItem {
  std::string caption;
  std::vector<std::string> subItems;
  bool checked = false;
  int imageIndex = -1;
  int64_t data = 0;
};

struct ListColumn {
  std::string caption;
  int width = 50;
  Alignment align = Alignment::Left;
};

// A report-style list view: columns (exposed as component columns, so
// translation sets their captions), rows with sub-items, check boxes, small
// images and sorting. The rows are kept by the control object too, so they
// survive a hidden form and a recreated window.
class ListView : public WinControl {
 public:
  explicit ListView(WinControl* parent, std::string name = {});
  const char* ClassName() const override { return "ListView"; }

  // Columns.
  int AddColumn(const std::string& caption, int width = 50, Alignment align = Alignment::Left);
  int ColumnCount() const override { return static_cast<int>(columns_.size()); }
  std::string ColumnCaption(int i) const override;
  void SetColumnCaption(int i, const std::string& caption) override;
  int ColumnWidth(int i) const;
  void SetColumnWidth(int i, int width);
  bool ShowColumnHeaders = true;  // apply before the window is made

  // Options (apply before the window is made, or recreate).
  bool CheckBoxes = false;
  bool RowSelect = true;
  bool MultiSelect = false;
  bool GridLines = false;
  bool ReadOnly = true;
  bool HideSelection = false;
  void SetSmallImages(ImageList* images);
  ImageList* SmallImages() const { return images_; }

  // Rows.
  int AddItem(const ListItem& item);
  int AddItem(const std::string& caption, const std::vector<std::string>& subItems = {},
              int imageIndex = -1, int64_t data = 0);
  void DeleteItem(int index);
  void Clear();
  int ItemCount() const { return static_cast<int>(items_.size()); }
  const ListItem& Item(int index) const;
  // Column 0 is the caption, column i the sub-item i - 1.
  std::string ItemText(int index, int column = 0) const;
  void SetItemText(int index, int column, const std::string& text);
  void SetItemImage(int index, int imageIndex);
  int64_t ItemData(int index) const;
  bool Checked(int index) const;
  void SetChecked(int index, bool on);

  // Selection.
  int ItemIndex() const;  // the focused/first selected row, -1 none
  void SetItemIndex(int index);
  bool Selected(int index) const;
  void SetSelected(int index, bool on);
  std::vector<int> SelectedIndices() const;

  // Sorting: rows are reordered by a column's text (case-insensitive, as
  // numbers when both are integers), or by OnCompare when set.
  void SortByColumn(int column, bool ascending = true);
  int SortColumn() const { return sortColumn_; }
  bool SortAscending() const { return sortAscending_; }
  // Sorts by a click on a column header (a second click reverses).
  bool SortOnColumnClick = false;
  std::function<int(const ListItem& a, const ListItem& b, int column)> OnCompare;

  std::function<void(int index)> OnItemChecked;  // the user changed a check box
  std::function<void()> OnSelectionChange;
  std::function<void(int column)> OnColumnClick;

  void BeginUpdate();
  void EndUpdate();

 protected:
  void FillCreateParams(CreateParams& cp) override;
  void HandleCreated() override;
  void HandleDestroying() override;
  bool Notify(NMHDR* nm, LRESULT& result) override;

 private:
  void InsertColumnIntoWindow(int index);
  void InsertRowIntoWindow(int index);
  void SetRowState(int index, UINT mask, UINT state);
  void FillWindow();
  void ReadSelection() const;
  void ApplyColumns();
  void ApplyImages();

  std::vector<ListColumn> columns_;
  std::vector<ListItem> items_;
  mutable std::vector<char> selected_;
  ImageList* images_ = nullptr;
  int sortColumn_ = -1;
  bool sortAscending_ = true;
  int updating_ = 0;
  bool settingChecks_ = false;
};

}  // namespace qz::ui
