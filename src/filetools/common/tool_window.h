// What the Splitter & Joiner and the Encrypter windows build their pages
// from, and how they show a run of their engine: the first report of the
// engine (it got past its checks) shows the progress page, later ones move
// the bar.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "cleaning/frame/module_window.h"
#include "filetools/common/engine.h"

namespace qz::ui {
class FilenameEdit;
class ProgressBar;
class RadioButton;
class TabSheet;
class WinControl;
}  // namespace qz::ui


namespace qz::ft {

using cleaning::AddChoice;
// A file-name edit across the page.
ui::FilenameEdit* AddFileEdit(ui::TabSheet* page, const char* name, int top, const std::string& filter);
// The progress bar of a work page.
ui::ProgressBar* AddProgressBar(ui::TabSheet* page, const char* name);

// Hooks for one engine run: Start sets `started`, gives the bar its range
// and calls `showWorkPage`; Progress moves the bar.
RunHooks BarHooks(ui::ProgressBar* bar, std::function<void()> showWorkPage, bool& started);

// Shows an outcome's box on the window (nothing for an empty text).
void ShowOutcome(cleaning::ModuleWindow& window, const Message& message);

}  // namespace qz::ft
