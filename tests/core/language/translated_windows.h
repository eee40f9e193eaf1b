// The windows of the program, made for the translation check. Every window
// class (TForm_...) of the program must be listed in translated_windows.cpp:
// the source check (check_translation_keys.cmake) fails for a class that is
// missing there.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "ui/component.h"

namespace qz::test {

struct TranslatedWindow {
  const char* className;
  // Makes the window with all its components (not shown).
  std::function<std::unique_ptr<ui::Component>()> make;
};

const std::vector<TranslatedWindow>& TranslatedWindows();

}  // namespace qz::test
