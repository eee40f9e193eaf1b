// The skin folder and its description skin.ini, and the skinning of module
// windows: every picture and font of the program's own look comes from the
// chosen skin folder (SkinDir).
#pragma once

#include <windows.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace qz::ui {
class PageControl;
class Image;
class Form;
class Picture;
}  // namespace qz::ui

namespace qz::skin {

// SkinDir + "\skin.ini".
std::string SkinIniPath();

// One number / text of skin.ini (a missing number reads as -1, a missing text as "").
int ReadSkinInt(const std::string& section, const std::string& key);
std::string ReadSkinString(const std::string& section, const std::string& key);
// The same from a given skin description file.
int ReadSkinIntFrom(const std::string& iniPath, const std::string& section, const std::string& key);
std::string ReadSkinStringFrom(const std::string& iniPath, const std::string& section,
                               const std::string& key);

// A font section: FontName, FontSize (pixels), R, G, B. Missing numbers read
// as -1; only the low 8 bits of a colour component are used, so a missing
// component counts as 255.
struct SkinFont {
  std::string name;
  int size = -1;
  int r = -1, g = -1, b = -1;
  unsigned char R() const { return static_cast<unsigned char>(r & 0xFF); }
  unsigned char G() const { return static_cast<unsigned char>(g & 0xFF); }
  unsigned char B() const { return static_cast<unsigned char>(b & 0xFF); }
};
void ReadSkinFont(const std::string& section, std::string& fontName, int& fontSize, int& r, int& g, int& b);
SkinFont ReadSkinFont(const std::string& section);

// Thrown when a skin picture is missing or cannot be read; what() names the file.
struct SkinPictureError : std::runtime_error {
  using std::runtime_error::runtime_error;
  SkinPictureError(const std::string& file, const std::string& reason);
  std::string file;    // the picture's path
  std::string reason;  // the loader's short reason
};

// A picture file named by a skin description: the folder of `iniPath`
// joined with `relative` (which may name sub-folders).
std::string SkinFileFromIni(const std::string& iniPath, const std::string& relative);
// Loads a skin picture (decoded once per file and shared: see
// ui::LoadPictureCached). Throws SkinPictureError when it is missing or broken.
std::shared_ptr<const ui::Picture> LoadSkinPicture(const std::string& path);

// Paints `tile` again and again over `area` (device coordinates of `dc`):
// rows downward in steps of the tile's height, columns rightward in steps of
// its width, laid out as if the first tile sat at `origin` (which may lie
// left of or above the area: a page uses minus its offset inside the tiled
// page control, so the pattern runs on across pages). A tile of zero width
// or height paints nothing.
void PaintTiled(HDC dc, const ui::Picture& tile, const RECT& area, POINT origin = {0, 0});

// Skins one module window: a tiled page background (SkinDir +
// "\Background_Modules.bmp") behind the page control and its pages, the
// header picture ("\Header_AllModules.bmp") with the caption drawn on it, the
// circle picture ("\Header_Kreis.png"). The skinning lives as long as the
// page control and is undone when it is destroyed. A missing or broken skin
// picture throws SkinPictureError (the caller shows it and the program ends).
void ApplyModuleSkin(ui::PageControl* pageControl, ui::Image* header, ui::Image* circle,
                     const std::string& caption);
// Draws the group name onto the background bitmap of the page control
// skinned by the preceding ApplyModuleSkin call.
void DrawBackgroundBitmapText(const std::string& text);

// The background bitmap of a page control skinned by ApplyModuleSkin;
// nullptr when the control is not skinned (or has gone).
const ui::Picture* ModuleSkinBackground(const ui::PageControl* pageControl);

}  // namespace qz::skin
