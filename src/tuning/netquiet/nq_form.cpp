#include "tuning/netquiet/nq_form.h"

#include <memory>

#include "core/globals.h"
#include "core/registry.h"
#include "ui/graphics.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"

namespace qz::nq {

namespace {
const cleaning::ModuleInfo kNetquietInfo{.Code = "NQ", .Title = "Netquiet Blocker", .Group = "Tuning-Tools"};

void SetStatus(ui::Label* label, const std::string& text, COLORREF color) {
  ui::FontSpec f = label->Font();
  f.color = color;
  label->SetFont(f);
  label->SetCaption(text);
}
}  // namespace

TForm_Netquiet::TForm_Netquiet(ui::Component* owner, ServicesKey services)
    : ModuleWindow(owner, "TForm_Netquiet", kNetquietInfo), services_(std::move(services)) {
  TabSheet_Start = AddWizardPage("TabSheet_Start", "Start");
  Label20 = AddPageTitle(TabSheet_Start, "Label20", "Willkommen beim Netquiet Blocker");
  JvLinkLabel_Start = AddPageText(
      TabSheet_Start, "JvLinkLabel_Start",
      "Der Windows®-Nachrichtendienst zeigt Nachrichten aus dem Netzwerk in kleinen Fenstern an und wird oft für "
      "Werbung missbraucht. Der Netquiet Blocker schaltet ihn ab und wieder an; die Änderung wirkt nach dem "
      "nächsten Windows-Start.",
      48, 48);
  GroupBox1 = new ui::GroupBox(TabSheet_Start, "GroupBox1", "Status");
  GroupBox1->SetBounds(16, 112, 600, 110);
  Label_StatusFixed = new ui::Label(GroupBox1, "Label_StatusFixed", "Aktueller Status:");
  Label_StatusFixed->SetBounds(16, 28, 120, 16);
  Label_Status = new ui::Label(GroupBox1, "Label_Status", "Unknown");
  Label_Status->SetBounds(140, 28, 440, 16);
  Button_Off = new ui::Button(GroupBox1, "Button_Off", "Netquiet &anhalten");
  Button_Off->SetBounds(16, 66, 160, 25);
  Button_On = new ui::Button(GroupBox1, "Button_On", "Netquiet a&ktivieren");
  Button_On->SetBounds(188, 66, 160, 25);
  for (ui::Control* c : std::initializer_list<ui::Control*>{GroupBox1, Label_StatusFixed, Button_Off, Button_On})
    c->Tag = 1;
  for (ui::Button* b : {Button_Off, Button_On}) b->SetTabStop(true);

  Button_On->OnClick = [this] {
    SetServiceStartType(services_, kMessengerService, kStartAutomatic);
    UpdateMessengerStatus();
  };
  Button_Off->OnClick = [this] {
    SetServiceStartType(services_, kMessengerService, kStartDisabled);
    UpdateMessengerStatus();
  };
}

void TForm_Netquiet::ModuleCreate() {
  Button_Zurueck->SetVisible(false);
  Button_Weiter->SetVisible(false);
  if (!IsNT) {
    Button_On->SetEnabled(false);
    Button_Off->SetEnabled(false);
    SetStatus(Label_Status, Tr("MESSAGE_Status_NoNT", "Nur für Windows2000 oder WindowsXP verfügbar!"),
              kInactiveColor);
  }
  UpdateMessengerStatus();
  ShowPage(0);
}

void TForm_Netquiet::UpdateMessengerStatus() {
  if (!IsNT) return;
  const bool exists = RegHasKey(services_.root, services_.path + "\\" + kMessengerService);
  const bool active = GetServiceStartType(services_, kMessengerService) == kStartAutomatic;
  Button_On->SetEnabled(exists && !active);
  Button_Off->SetEnabled(exists && active);
  if (active)
    SetStatus(Label_Status, Tr("MESSAGE_On", "Windows®-Nachrichtendienst aktiv"), kActiveColor);
  else
    SetStatus(Label_Status, Tr("MESSAGE_Off", "Windows®-Nachrichtendienst nicht aktiv"), kInactiveColor);
}

ui::Form* CreateNetquietWindow(ui::Component* owner) { return cleaning::MakeModuleWindow<TForm_Netquiet>(owner); }

}  // namespace qz::nq
