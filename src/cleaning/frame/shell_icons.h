// Pictures of the options and result windows taken from the shell: the icon
// it shows for a kind of file (by a typical name), or a plain page picture
// where it has none, so an image list keeps its designed indices.
#pragma once

#include <windows.h>

namespace qz::ui {
class ImageList;
}

namespace qz::cleaning {

// Appends the shell's icon for `name` with `attributes` (large or small, as
// the list's size suits), or the plain page picture.
void AddShellIcon(ui::ImageList& list, const wchar_t* name, DWORD attributes = FILE_ATTRIBUTE_NORMAL);

}  // namespace qz::cleaning
