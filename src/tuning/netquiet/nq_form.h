// TForm_Netquiet: the Netquiet Blocker (the module frame, code "NQ"; one
// page, only Hilfe and Beenden). It shows whether the Windows Messenger
// service starts automatically and switches it between automatic (Button_On,
// start type 2) and disabled (Button_Off, 4). The running service is neither
// started nor stopped.
//
// Only on the NT family (IsNT): otherwise both buttons stay disabled and the
// status says so. A missing service key shows the service as not active
// with both buttons disabled (there is nothing to switch).
#pragma once

#include "cleaning/frame/module_window.h"
#include "tuning/netquiet/service_start.h"

namespace qz::ui {
class Button;
class GroupBox;
class Label;
class RichLabel;
class TabSheet;
}  // namespace qz::ui

namespace qz::nq {

inline constexpr const char* kMessengerService = "Messenger";
inline constexpr COLORREF kActiveColor = RGB(255, 0, 0);
inline constexpr COLORREF kInactiveColor = RGB(0, 0, 0);

class TForm_Netquiet : public cleaning::ModuleWindow {
 public:
  explicit TForm_Netquiet(ui::Component* owner, ServicesKey services = {});

  // The start page's title (the page and its text are the frame's).
  ui::Label* Label20;
  ui::GroupBox* GroupBox1;
  ui::Label* Label_StatusFixed;
  ui::Label* Label_Status;
  ui::Button* Button_Off;
  ui::Button* Button_On;

  // Refreshes the label and the two buttons from the registry (NT only).
  void UpdateMessengerStatus();

 protected:
  void ModuleCreate() override;

 private:
  ServicesKey services_;
};

ui::Form* CreateNetquietWindow(ui::Component* owner);

}  // namespace qz::nq
