// TForm_WinProgis: the Windows tools (the module frame, code "WIN"; one page,
// only Hilfe and Beenden). Three buttons start tools that come with Windows:
//
//   button            NT family                                    9x family
//   Button_Scandisk   chkdsk.exe                                   scandisk.exe
//   Button_Defrag     dfrg.msc                                     defrag.exe
//   Button_Recovery   %SystemRoot%\System32\restore\rstrui.exe     %SystemRoot%\System\restore\rstrui.exe
//
// The family of the first two comes from the Windows version record (TOS),
// that of the third from IsNT. System Restore is offered only on Windows XP
// and Windows ME. A command is expanded and handed to the shell ("open", no
// parameters, no working folder, shown normally); a result of 32 or less is
// a failure and says "Error running command!".
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "cleaning/frame/module_window.h"
#include "core/osinfo.h"

namespace qz::ui {
class Button;
class Label;
class RichLabel;
class TabSheet;
}  // namespace qz::ui

namespace qz::win {

struct ToolCommand {
  std::string nt;
  std::string win9x;
};
// The table above, in button order.
const ToolCommand (&ToolCommands())[3];

inline constexpr const char* kRunFailed = "Error running command!";

// The shell call: owner, verb, file, parameters, folder, show state.
using ShellLauncher = std::function<INT_PTR(HWND owner, const std::string& verb, const std::string& file, int show)>;
// ShellExecuteW.
INT_PTR ShellOpen(HWND owner, const std::string& verb, const std::string& file, int show);

// Whether the version record names Windows XP or Windows ME.
bool OffersSystemRestore(const TOS& os);

class TForm_WinProgis : public cleaning::ModuleWindow {
 public:
  // The running system's version record unless given (tests).
  explicit TForm_WinProgis(ui::Component* owner, std::optional<TOS> os = std::nullopt);

  ui::Button* Button_Scandisk;
  ui::Label* Label_Scandisk;
  ui::Button* Button_Defrag;
  ui::Label* Label_Defrag;
  ui::Button* Button_Recovery;
  ui::Label* Label_Recovery;

  // The command of button 0..2 for this system (not expanded).
  std::string Command(int button) const;
  // Runs button 0..2's command; false (after the box) when it did not start.
  bool RunTool(int button);

  // What starts a command (tests record or fake it).
  ShellLauncher Launch;

 protected:
  void ModuleCreate() override;

 private:
  TOS os_;
};

ui::Form* CreateWindowsToolsWindow(ui::Component* owner);

}  // namespace qz::win
