#include "tuning/internet/it_manual.h"

#include <algorithm>
#include <initializer_list>

#include "cleaning/frame/module_window.h"
#include "ui/form_translation.h"
#include "ui/graphics.h"
#include "ui/help_router.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"

namespace qz::it {

namespace {

ui::SpinEdit* Spin(ui::WinControl* page, const char* name, int left, int top, int minValue, int maxValue) {
  auto* s = new ui::SpinEdit(page, name);
  s->SetBounds(left, top, 90, 21);
  s->SetRange(minValue, maxValue);
  s->SetTabStop(true);
  return s;
}

// The value a spin shows for a number (its nearest end when outside).
int Shown(const ui::SpinEdit& spin, int64_t v) {
  return static_cast<int>(std::clamp<int64_t>(v, spin.MinValue(), spin.MaxValue()));
}

// The record's number with the spin's value when the user changed what it showed.
void TakeSpin(const ui::SpinEdit& spin, TcpNumber& n) {
  if (spin.Value() != Shown(spin, n.value)) n.Set(spin.Value());
}

}  // namespace

TForm_IT_Manual::TForm_IT_Manual(ui::Component* owner) : Form(owner, "TForm_IT_Manual") {
  cleaning::BuildDialog(*this, "Manuell anpassen", 440, 320);

  PageControl1 = new ui::PageControl(this, "PageControl1");
  PageControl1->SetBounds(8, 8, 424, 264);
  PageControl1->SetTabStop(true);

  TabSheet_MTU = new ui::TabSheet(PageControl1, "TabSheet_MTU", "MTU");
  RadioButton_MTU1 = new ui::RadioButton(TabSheet_MTU, "RadioButton_MTU1", "Windows soll den MTU-Wert selbst festlegen");
  RadioButton_MTU1->SetBounds(12, 14, 390, 18);
  RadioButton_MTU1->SetChecked(true);
  RadioButton_MTU2 = new ui::RadioButton(TabSheet_MTU, "RadioButton_MTU2", "Diesen MTU-Wert verwenden:");
  RadioButton_MTU2->SetBounds(12, 40, 240, 18);
  SpinEdit_MTU = Spin(TabSheet_MTU, "SpinEdit_MTU", 260, 38, 52, 3000);
  CheckBox_PMTUDiscovery =
      new ui::CheckBox(TabSheet_MTU, "CheckBox_PMTUDiscovery", "Path-MTU-Discovery verwenden (PMTU Discovery)");
  CheckBox_PMTUDiscovery->SetBounds(12, 90, 390, 18);
  CheckBox_PMTU_BlackHole =
      new ui::CheckBox(TabSheet_MTU, "CheckBox_PMTU_BlackHole", "Black-Hole-Router erkennen (PMTU BH Detect)");
  CheckBox_PMTU_BlackHole->SetBounds(12, 116, 390, 18);

  TabSheet_RWIN = new ui::TabSheet(PageControl1, "TabSheet_RWIN", "RWIN");
  RadioButton_RWIN1 =
      new ui::RadioButton(TabSheet_RWIN, "RadioButton_RWIN1", "Windows soll den RWIN-Wert selbst festlegen");
  RadioButton_RWIN1->SetBounds(12, 14, 390, 18);
  RadioButton_RWIN1->SetChecked(true);
  RadioButton_RWIn2 = new ui::RadioButton(
      TabSheet_RWIN, "RadioButton_RWIn2", "(MTU-40) * 4 verwenden ; dies ist in den meisten Fällen sinnvoll (MSS)");
  RadioButton_RWIn2->SetBounds(12, 40, 390, 18);
  RadioButton_RWIN3 = new ui::RadioButton(TabSheet_RWIN, "RadioButton_RWIN3", "Diesen RWIN-Wert verwenden:");
  RadioButton_RWIN3->SetBounds(12, 66, 240, 18);
  SpinEdit_RWIN = Spin(TabSheet_RWIN, "SpinEdit_RWIN", 260, 64, 28, 999999);
  CheckBox_Tcp1323Opts =
      new ui::CheckBox(TabSheet_RWIN, "CheckBox_Tcp1323Opts", "Fenster über 64 KB erlauben (RFC 1323)");
  CheckBox_Tcp1323Opts->SetBounds(12, 116, 390, 18);
  CheckBox_SackOpts =
      new ui::CheckBox(TabSheet_RWIN, "CheckBox_SackOpts", "Selektive Bestätigung verwenden (SACK)");
  CheckBox_SackOpts->SetBounds(12, 142, 390, 18);

  TabSheet_HTTP = new ui::TabSheet(PageControl1, "TabSheet_HTTP", "HTTP");
  Label_HTTP11 = new ui::Label(TabSheet_HTTP, "Label_HTTP11", "Verbindungen pro Server (HTTP 1.1):");
  Label_HTTP11->SetBounds(12, 18, 240, 16);
  SpinEdit_HTTP11 = Spin(TabSheet_HTTP, "SpinEdit_HTTP11", 260, 14, 1, 64);
  Label_HTTP10 = new ui::Label(TabSheet_HTTP, "Label_HTTP10", "Verbindungen pro Server (HTTP 1.0):");
  Label_HTTP10->SetBounds(12, 50, 240, 16);
  SpinEdit_HTTP10 = Spin(TabSheet_HTTP, "SpinEdit_HTTP10", 260, 46, 1, 64);

  TabSheet_TTL = new ui::TabSheet(PageControl1, "TabSheet_TTL", "TTL");
  RadioButton_TTL1 = new ui::RadioButton(TabSheet_TTL, "RadioButton_TTL1", "Windows soll den TTL-Wert selbst festlegen");
  RadioButton_TTL1->SetBounds(12, 14, 390, 18);
  RadioButton_TTL1->SetChecked(true);
  RadioButton_TTL2 = new ui::RadioButton(TabSheet_TTL, "RadioButton_TTL2", "Diesen TTL-Wert verwenden:");
  RadioButton_TTL2->SetBounds(12, 40, 240, 18);
  SpinEdit_TTL = Spin(TabSheet_TTL, "SpinEdit_TTL", 260, 38, 1, 255);

  Button_Help = new ui::Button(this, "Button_Help", "&Hilfe");
  Button_Help->SetBounds(8, 284, 75, 25);
  Button_Ok = new ui::Button(this, "Button_Ok", "&Ok");
  Button_Ok->SetBounds(357, 284, 75, 25);
  Button_Ok->SetDefault(true);

  for (ui::Control* c : std::initializer_list<ui::Control*>{
           RadioButton_MTU1, RadioButton_MTU2, CheckBox_PMTUDiscovery, CheckBox_PMTU_BlackHole, RadioButton_RWIN1,
           RadioButton_RWIn2, RadioButton_RWIN3, CheckBox_Tcp1323Opts, CheckBox_SackOpts, Label_HTTP11, Label_HTTP10,
           RadioButton_TTL1, RadioButton_TTL2, Button_Help, Button_Ok})
    c->Tag = 1;
  for (ui::WinControl* c : std::initializer_list<ui::WinControl*>{
           RadioButton_MTU1, RadioButton_MTU2, CheckBox_PMTUDiscovery, CheckBox_PMTU_BlackHole, RadioButton_RWIN1,
           RadioButton_RWIn2, RadioButton_RWIN3, CheckBox_Tcp1323Opts, CheckBox_SackOpts, RadioButton_TTL1,
           RadioButton_TTL2, Button_Help, Button_Ok})
    c->SetTabStop(true);

  const TranslationButtons tb = AddTranslationButtons(*this);
  Button_SaveTranslation = tb.save;
  Button_LoadTranslation = tb.load;

  Button_Ok->OnClick = [this] {
    Ok = 1;
    SetModalResult(ui::mrOk);
  };
  Button_Help->OnClick = [] { ShowHelpTopic("IT"); };
  OnHelp = [] { return true; };
}

void TForm_IT_Manual::FormCreate() {
  Ok = 0;
  Button_LoadTranslation->Click();
  PageControl1->SetActivePage(TabSheet_MTU);
}

void TForm_IT_Manual::ShowSettings(const TcpSettings& s) {
  shown_ = s;
  (s.mtuChoice == MtuChoice::Fixed ? RadioButton_MTU2 : RadioButton_MTU1)->SetChecked(true);
  SpinEdit_MTU->SetValue(Shown(*SpinEdit_MTU, s.mtu.value));
  CheckBox_PMTUDiscovery->SetChecked(s.pmtuDiscovery);
  CheckBox_PMTU_BlackHole->SetChecked(s.pmtuBlackHole);
  (s.rwinChoice == RwinChoice::Fixed ? RadioButton_RWIN3
   : s.rwinChoice == RwinChoice::Mss ? RadioButton_RWIn2
                                     : RadioButton_RWIN1)
      ->SetChecked(true);
  SpinEdit_RWIN->SetValue(Shown(*SpinEdit_RWIN, s.rwin.value));
  CheckBox_Tcp1323Opts->SetChecked(s.tcp1323);
  CheckBox_SackOpts->SetChecked(s.sack);
  SpinEdit_HTTP11->SetValue(Shown(*SpinEdit_HTTP11, s.http11.value));
  SpinEdit_HTTP10->SetValue(Shown(*SpinEdit_HTTP10, s.http10.value));
  (s.ttlChoice == TtlChoice::Fixed ? RadioButton_TTL2 : RadioButton_TTL1)->SetChecked(true);
  SpinEdit_TTL->SetValue(Shown(*SpinEdit_TTL, s.ttl.value));
}

TcpSettings TForm_IT_Manual::EditedSettings() const {
  TcpSettings s = shown_;
  s.mtuChoice = RadioButton_MTU2->Checked() ? MtuChoice::Fixed : MtuChoice::Windows;
  TakeSpin(*SpinEdit_MTU, s.mtu);
  s.pmtuDiscovery = CheckBox_PMTUDiscovery->Checked();
  s.pmtuBlackHole = CheckBox_PMTU_BlackHole->Checked();
  s.rwinChoice = RadioButton_RWIN3->Checked()   ? RwinChoice::Fixed
                 : RadioButton_RWIn2->Checked() ? RwinChoice::Mss
                                                : RwinChoice::Windows;
  TakeSpin(*SpinEdit_RWIN, s.rwin);
  s.tcp1323 = CheckBox_Tcp1323Opts->Checked();
  s.sack = CheckBox_SackOpts->Checked();
  TakeSpin(*SpinEdit_HTTP11, s.http11);
  TakeSpin(*SpinEdit_HTTP10, s.http10);
  s.ttlChoice = RadioButton_TTL2->Checked() ? TtlChoice::Fixed : TtlChoice::Windows;
  TakeSpin(*SpinEdit_TTL, s.ttl);
  return s;
}

}  // namespace qz::it
