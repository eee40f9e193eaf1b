#include "cleaning/frame/shell_icons.h"

#include <shellapi.h>

#include "ui/listview.h"
#include "ui/picture.h"

namespace qz::cleaning {

namespace {

HICON ShellIconFor(const wchar_t* name, DWORD attributes, bool small) {
  SHFILEINFOW info{};
  UINT flags = SHGFI_ICON | SHGFI_USEFILEATTRIBUTES | (small ? SHGFI_SMALLICON : SHGFI_LARGEICON);
  if (!SHGetFileInfoW(name, attributes, &info, sizeof info, flags)) return nullptr;
  return info.hIcon;
}

}  // namespace

void AddShellIcon(ui::ImageList& list, const wchar_t* name, DWORD attributes) {
  HICON icon = ShellIconFor(name, attributes, list.Width() <= 16);
  if (icon && list.AddIcon(icon) >= 0) {
    DestroyIcon(icon);
    return;
  }
  if (icon) DestroyIcon(icon);
  ui::Picture p(list.Width(), list.Height(), 0x00000000);
  const int w = list.Width(), h = list.Height();
  for (int y = 1; y < h - 1; ++y)
    for (int x = w / 5; x < w - w / 5; ++x) {
      const bool edge = y == 1 || y == h - 2 || x == w / 5 || x == w - w / 5 - 1;
      p.SetPixel(x, y, edge ? 0xFF606060 : 0xFFFFFFFF);
    }
  p.SetTransparent(true);
  list.Add(p);
}

}  // namespace qz::cleaning
