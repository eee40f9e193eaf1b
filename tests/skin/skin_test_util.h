// Helpers of the skin and main-window tests: the installed program folder,
// scratch copies of the default skin with deliberate changes, pictures made
// to order, and the program-wide state the tests set.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>

#include "core/globals.h"
#include "core/ini.h"
#include "core/stringlist.h"
#include "core/text.h"
#include "support/globals_guard.h"
#include "support/sandbox.h"
#include "ui/picture.h"

namespace qz::test {

// Where test.sh installs the program (data/ beside the exe).
inline std::string InstalledProgramDir() {
  if (const char* env = std::getenv("QZ_PROGDIR_WIN"); env && *env) return env;
  return "C:\\Program Files\\Brinvale\\Brinvale Sysvantor Quenzal Suite 2";
}
inline std::string InstalledSkinDir() { return InstalledProgramDir() + "\\Skins\\default"; }

// Copies a folder tree (files and sub-folders), leaving out the sub-folder
// of `from` named `skip` (without regard to case).
inline void CopyTree(const std::string& from, const std::string& to, const std::string& skip = {}) {
  CreateDirectoryW(Widen(to).c_str(), nullptr);
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(Widen(from + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    std::string n = Narrow(fd.cFileName);
    if (n == "." || n == ".." || (!skip.empty() && IEquals(n, skip))) continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      CopyTree(from + "\\" + n, to + "\\" + n);
    else
      CopyFileW(Widen(from + "\\" + n).c_str(), Widen(to + "\\" + n).c_str(), FALSE);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
}

// A picture of one straight colour.
inline ui::Picture Solid(int w, int h, uint32_t argb) { return ui::Picture(w, h, argb); }

// A picture from a function of the pixel position.
inline ui::Picture Pattern(int w, int h, const std::function<uint32_t(int x, int y)>& colour) {
  ui::Picture p(w, h, 0xFF000000u);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p.SetPixel(x, y, colour(x, y));
  return p;
}

// A scratch copy of the installed default skin: SkinDir points at it while
// the object lives (with AppDir and ProductRegKey saved and put back).
class ScratchSkin {
 public:
  explicit ScratchSkin(const std::string& name) : dir_("skin_" + name) {
    ui::ClearPictureCache();  // a file written anew at the same path must be decoded anew
    path_ = dir_.path() + "default";
    CopyTree(InstalledSkinDir(), path_);
    SkinDir = path_;
    AppDir = InstalledProgramDir();
  }
  ScratchSkin(const ScratchSkin&) = delete;
  ScratchSkin& operator=(const ScratchSkin&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& rel) const { return path_ + "\\" + rel; }
  std::string Ini() const { return File("skin.ini"); }
  void Set(const std::string& section, const std::string& key, const std::string& value) const {
    WritePrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), Widen(value).c_str(),
                               Widen(Ini()).c_str());
  }
  void Remove(const std::string& section, const std::string& key) const {
    WritePrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), nullptr, Widen(Ini()).c_str());
  }
  void Save(const std::string& rel, const ui::Picture& p) const {
    std::string err;
    DeleteFileW(Widen(File(rel)).c_str());
    if (!p.SaveToFile(File(rel), &err)) throw std::runtime_error("cannot save " + rel + ": " + err);
  }
  void Delete(const std::string& rel) const { DeleteFileW(Widen(File(rel)).c_str()); }
  void WriteBytes(const std::string& rel, const std::string& bytes) const {
    if (!WriteFileBytes(File(rel), bytes)) throw std::runtime_error("cannot write " + rel);
  }

 private:
  GlobalsGuard keep_;
  ScratchDir dir_;
  std::string path_;
};

}  // namespace qz::test
