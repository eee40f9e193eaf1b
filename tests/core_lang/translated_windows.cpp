#include "core_lang/translated_windows.h"

namespace qz::test {

// One line per window class, for example
//   {"TForm_Example", [] { return std::unique_ptr<ui::Component>(new TForm_Example(nullptr)); }},
// A window whose components need no translation is listed all the same.
const std::vector<TranslatedWindow>& TranslatedWindows() {
  static const std::vector<TranslatedWindow> windows = {
  };
  return windows;
}

}  // namespace qz::test
