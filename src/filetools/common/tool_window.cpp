#include "filetools/common/tool_window.h"

#include "cleaning/frame/module_window.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"

namespace qz::ft {

ui::FilenameEdit* AddFileEdit(ui::TabSheet* page, const char* name, int top, const std::string& filter) {
  auto* e = new ui::FilenameEdit(page, name);
  e->SetBounds(16, top, 608, 23);
  e->Filter = filter;
  e->SetTabStop(true);
  return e;
}

ui::ProgressBar* AddProgressBar(ui::TabSheet* page, const char* name) {
  auto* b = new ui::ProgressBar(page, name);
  b->SetBounds(16, 80, 608, 20);
  return b;
}

RunHooks BarHooks(ui::ProgressBar* bar, std::function<void()> showWorkPage, bool& started) {
  return {[bar, show = std::move(showWorkPage), &started](int64_t maximum) {
            started = true;
            bar->SetRange(0, maximum);
            bar->SetPosition(0);
            show();
          },
          [bar](int64_t position) { bar->SetPosition(position); }};
}

void ShowOutcome(cleaning::ModuleWindow& window, const Message& message) {
  if (!message.Text.empty()) window.Message(message.Text, message.Kind);
}

}  // namespace qz::ft
