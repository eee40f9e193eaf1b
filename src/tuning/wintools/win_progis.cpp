#include "tuning/wintools/win_progis.h"

#include <shellapi.h>

#include <memory>

#include "core/globals.h"
#include "core/strings.h"
#include "core/text.h"
#include "ui/graphics.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"

namespace qz::win {

namespace {
const cleaning::ModuleInfo kWindowsToolsInfo{.Code = "WIN", .Title = "Windows Tools", .Group = "Tuning-Tools"};
}  // namespace

const ToolCommand (&ToolCommands())[3] {
  static const ToolCommand table[3] = {
      {"chkdsk.exe", "scandisk.exe"},
      {"dfrg.msc", "defrag.exe"},
      {"%SystemRoot%\\System32\\restore\\rstrui.exe", "%SystemRoot%\\System\\restore\\rstrui.exe"},
  };
  return table;
}

INT_PTR ShellOpen(HWND owner, const std::string& verb, const std::string& file, int show) {
  return reinterpret_cast<INT_PTR>(
      ShellExecuteW(owner, Widen(verb).c_str(), Widen(file).c_str(), nullptr, nullptr, show));
}

bool OffersSystemRestore(const TOS& os) {
  return (os.IsNTFamily && os.Edition == kEdWinXP) || (os.Is9x && os.Edition == kEdWinME);
}

TForm_WinProgis::TForm_WinProgis(ui::Component* owner, std::optional<TOS> os)
    : ModuleWindow(owner, "TForm_WinProgis", kWindowsToolsInfo), os_(os ? *os : GetOSInfo()) {
  AddStartPage("Windows-Werkzeuge",
               "Hier starten Sie drei Werkzeuge, die Windows mitbringt. Was das Werkzeug dann "
               "tut, bestimmt Windows.",
               36);
  struct Row {
    ui::Button*& button;
    ui::Label*& label;
    const char* buttonName;
    const char* caption;
    const char* labelName;
    const char* text;
  } rows[] = {
      {Button_Scandisk, Label_Scandisk, "Button_Scandisk", "Scandisk", "Label_Scandisk",
       "Prüft die Festplatte auf Fehler im Dateisystem und behebt sie."},
      {Button_Defrag, Label_Defrag, "Button_Defrag", "Defrag", "Label_Defrag",
       "Defragmentiert die Festplatte: die Teile jeder Datei werden zusammengelegt, damit sie schneller "
       "gelesen wird."},
      {Button_Recovery, Label_Recovery, "Button_Recovery", "Systemwiederherstellung", "Label_Recovery",
       "Setzt Windows auf einen früheren Stand zurück (nur Windows XP und Windows ME)."},
  };
  int top = 100;
  for (int i = 0; i < 3; ++i) {
    Row& r = rows[i];
    r.button = new ui::Button(TabSheet_Start, r.buttonName, r.caption);
    r.button->SetBounds(16, top, 160, 25);
    r.button->SetTabStop(true);
    r.button->Tag = 1;
    r.button->OnClick = [this, i] { RunTool(i); };
    r.label = new ui::Label(TabSheet_Start, r.labelName, r.text);
    r.label->SetAutoSize(false);
    r.label->SetWordWrap(true);
    r.label->SetBounds(192, top + 1, 430, 32);
    r.label->Tag = 1;
    top += 56;
  }
  Launch = ShellOpen;
}

void TForm_WinProgis::ModuleCreate() {
  Button_Zurueck->SetVisible(false);
  Button_Weiter->SetVisible(false);
  Button_Recovery->SetEnabled(false);
  if (OffersSystemRestore(os_)) Button_Recovery->SetEnabled(true);
  ShowPage(0);
}

std::string TForm_WinProgis::Command(int button) const {
  const ToolCommand& c = ToolCommands()[button];
  const bool nt = button < 2 ? os_.IsNTFamily : IsNT != 0;
  return nt ? c.nt : c.win9x;
}

bool TForm_WinProgis::RunTool(int button) {
  if (button < 0 || button > 2) return false;
  const INT_PTR result = Launch(Handle(), "open", ExpandEnvVars(Command(button)), SW_SHOWNORMAL);
  if (result > 32) return true;
  Message(kRunFailed, MsgKind::Error);
  return false;
}

ui::Form* CreateWindowsToolsWindow(ui::Component* owner) { return cleaning::MakeModuleWindow<TForm_WinProgis>(owner); }

}  // namespace qz::win
