// Anti-aliased text through GDI+ and the blend of a picture over the
// background under it: the drawing helpers behind every skinned text and
// picture.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "ui/picture.h"

namespace qz::ui {
class Image;
}

namespace qz::skin {

// Draws one line of anti-aliased text onto the device context with its
// layout origin at (x, y): font family `fontName` (system fonts), em size
// `size` in pixels, regular style, solid colour (r, g, b) at full opacity. No
// wrapping and no clipping; line breaks in the text are laid out by GDI+ from
// the same origin. A family that is not installed is replaced by the default
// GUI face, then Tahoma, then any installed sans-serif family. A size <= 0 or
// an empty text draws nothing. Returns true when the text was drawn.
// GUI thread only; starts GDI+ when the program's session is not running.
bool DrawSmoothText(HDC dc, const std::string& text, const std::string& fontName, float x, float y,
                    int size, uint8_t r, uint8_t g, uint8_t b);
// The same in bold.
bool DrawSmoothTextBold(HDC dc, const std::string& text, const std::string& fontName, float x,
                        float y, int size, uint8_t r, uint8_t g, uint8_t b);

// Width in pixels that DrawSmoothText (or the bold variant) takes for one
// line of text: GDI+'s measure of the string with the same family, size and
// layout (its padding included). 0 for an empty text, a size <= 0 or no usable
// family.
float SmoothTextWidth(const std::string& text, const std::string& fontName, int size, bool bold = false);

// The family DrawSmoothText uses for `fontName` (after the fallback), empty
// when no family at all can be used.
std::string SmoothTextFamily(const std::string& fontName, bool bold = false);

// Width in pixels of the text written with a GDI font of the family and
// point size (a canvas font: height = size * LOGPIXELSY / 72), as skin code
// measures a canvas's text width before placing smooth text. The family goes
// through the same fallback as DrawSmoothText. `dc` gives the resolution
// (nullptr: the screen). 0 for an empty text or a size <= 0.
int CanvasTextWidth(HDC dc, const std::string& fontName, int pointSize, const std::string& text,
                    bool bold = false);

// Composes the picture over the background that lies under it and makes the
// result opaque: a bitmap of width x height (the picture's own size when
// width or height is < 0) is filled with the background's rectangle at
// (left, top), the picture is drawn onto it at (0, 0) with its alpha, and the
// picture becomes that bitmap. Transparent parts then show the background, so
// the picture can be painted later on a window that draws its own background.
void BlendPictureOntoBackground(ui::Picture& image, HDC background, int left, int top,
                                int width = -1, int height = -1);

// The same for an image control: its Left and Top select the background
// rectangle, its Width and Height the size of the result; the control's
// picture is replaced and repainted. Callers that need another rectangle move
// the control before the call and back after it.
void BlendImageOntoBackground(ui::Image& image, HDC background);

}  // namespace qz::skin
