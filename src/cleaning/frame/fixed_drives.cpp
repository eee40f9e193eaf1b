#include "cleaning/frame/fixed_drives.h"

#include <shellapi.h>

#include "core/registry.h"
#include "core/text.h"
#include "ui/listview.h"
#include "ui/pagecontrol.h"

namespace qz::cleaning {

namespace {

// No error box for an empty drive while the shell is asked about it.
class QuietErrorMode {
 public:
  QuietErrorMode() : old_(SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX)) {}
  ~QuietErrorMode() { SetErrorMode(old_); }
  QuietErrorMode(const QuietErrorMode&) = delete;
  QuietErrorMode& operator=(const QuietErrorMode&) = delete;

 private:
  UINT old_;
};

std::string Letter(const DriveRow& r) { return UpperAscii(r.RootPath.substr(0, 1)); }

}  // namespace

std::vector<DriveRow> ListFixedDrives() {
  std::vector<DriveRow> rows;
  QuietErrorMode quiet;
  for (char letter = 'C'; letter <= 'Z'; ++letter) {
    std::wstring root = {static_cast<wchar_t>(letter), L':', L'\\'};
    if (GetDriveTypeW(root.c_str()) != DRIVE_FIXED) continue;
    DriveRow row;
    row.RootPath = std::string(1, letter) + ":\\";
    row.Caption = row.RootPath;
    SHFILEINFOW info{};
    if (SHGetFileInfoW(root.c_str(), 0, &info, sizeof info, SHGFI_DISPLAYNAME)) {
      std::string name = Trim(Narrow(info.szDisplayName));
      if (!name.empty()) {
        row.Caption = name;
        row.Checked = true;
      }
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

void ApplyDriveChoice(HKEY root, const std::string& key, std::vector<DriveRow>& rows) {
  for (DriveRow& r : rows) {
    if (r.RootPath.empty()) continue;
    const std::string letter = Letter(r);
    if (RegHasValue(root, key, letter)) r.Checked = RegGetString(root, key, letter) == "1";
  }
}

bool SaveDriveChoice(HKEY root, const std::string& key, const std::vector<DriveRow>& rows) {
  bool ok = true;
  for (const DriveRow& r : rows) {
    if (r.RootPath.empty()) continue;
    ok = RegSetStringChecked(root, key, Letter(r), r.Checked ? "1" : "0") && ok;
  }
  return ok;
}

std::string CheckedDriveLetters(const std::vector<DriveRow>& rows) {
  std::string s;
  for (const DriveRow& r : rows)
    if (r.Checked && !r.RootPath.empty()) s += Letter(r);
  return s;
}

void FillDriveList(ui::ListView& list, ui::ImageList& images, const std::vector<DriveRow>& rows) {
  list.Clear();
  images.Clear();
  for (const DriveRow& r : rows) {
    int image = -1;
    {
      QuietErrorMode quiet;
      SHFILEINFOW info{};
      if (SHGetFileInfoW(Widen(r.RootPath).c_str(), 0, &info, sizeof info, SHGFI_ICON | SHGFI_SMALLICON) &&
          info.hIcon) {
        image = images.AddIcon(info.hIcon);
        DestroyIcon(info.hIcon);
      }
    }
    int i = list.AddItem(r.Caption, {r.RootPath}, image);
    list.SetChecked(i, r.Checked);
  }
}

std::vector<DriveRow> ReadDriveList(const ui::ListView& list) {
  std::vector<DriveRow> rows;
  for (int i = 0; i < list.ItemCount(); ++i) {
    DriveRow r;
    r.Caption = list.ItemText(i, 0);
    r.RootPath = list.ItemText(i, 1);
    r.Checked = list.Checked(i);
    rows.push_back(std::move(r));
  }
  return rows;
}

DriveListControls AddDriveList(ui::Component* owner, ui::TabSheet* tab, int top, int height) {
  DriveListControls c;
  c.Images = new ui::ImageList(owner, "ImageList_Drives", 16, 16);
  c.List = new ui::ListView(tab, "ListView_Drives");
  c.List->SetBounds(8, top, 520, height);
  c.List->AddColumn("Laufwerk", 480);
  c.List->CheckBoxes = true;
  c.List->RowSelect = true;
  c.List->ReadOnly = true;
  c.List->SetSmallImages(c.Images);
  c.List->SetTabStop(true);
  return c;
}

}  // namespace qz::cleaning
