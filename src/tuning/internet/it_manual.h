// TForm_IT_Manual ("Manuell anpassen"): the dialog in which the TCP/IP values
// are edited by hand, on four tab pages:
//   MTU   RadioButton_MTU1 (Windows decides) / RadioButton_MTU2 + SpinEdit_MTU
//         (52..3000), CheckBox_PMTUDiscovery, CheckBox_PMTU_BlackHole
//   RWIN  RadioButton_RWIN1 (Windows) / RadioButton_RWIn2 ((MTU-40)*4) /
//         RadioButton_RWIN3 + SpinEdit_RWIN (28..999999), CheckBox_Tcp1323Opts,
//         CheckBox_SackOpts
//   HTTP  SpinEdit_HTTP11, SpinEdit_HTTP10 (1..64)
//   TTL   RadioButton_TTL1 (Windows) / RadioButton_TTL2 + SpinEdit_TTL (1..255)
// Button_Ok sets Ok and closes; the window's cross closes without it.
//
// The dialog edits a TcpSettings record: ShowSettings puts a record into the
// controls (a spin shows a value outside its range at the nearest end), and
// EditedSettings gives the record back with what the user changed. A number
// whose spin the user did not touch keeps the value as it was read, so an OK
// without edits changes no number.
#pragma once

#include <cstdint>

#include "tuning/internet/tcp_tuning.h"
#include "ui/form.h"

namespace qz::ui {
class Button;
class CheckBox;
class Label;
class PageControl;
class RadioButton;
class SpinEdit;
class TabSheet;
}  // namespace qz::ui

namespace qz::it {

class TForm_IT_Manual : public ui::Form {
 public:
  explicit TForm_IT_Manual(ui::Component* owner);

  ui::PageControl* PageControl1;
  ui::TabSheet* TabSheet_MTU;
  ui::RadioButton* RadioButton_MTU1;
  ui::RadioButton* RadioButton_MTU2;
  ui::SpinEdit* SpinEdit_MTU;
  ui::CheckBox* CheckBox_PMTUDiscovery;
  ui::CheckBox* CheckBox_PMTU_BlackHole;
  ui::TabSheet* TabSheet_RWIN;
  ui::RadioButton* RadioButton_RWIN1;
  ui::RadioButton* RadioButton_RWIn2;
  ui::RadioButton* RadioButton_RWIN3;
  ui::SpinEdit* SpinEdit_RWIN;
  ui::CheckBox* CheckBox_Tcp1323Opts;
  ui::CheckBox* CheckBox_SackOpts;
  ui::TabSheet* TabSheet_HTTP;
  ui::Label* Label_HTTP11;
  ui::SpinEdit* SpinEdit_HTTP11;
  ui::Label* Label_HTTP10;
  ui::SpinEdit* SpinEdit_HTTP10;
  ui::TabSheet* TabSheet_TTL;
  ui::RadioButton* RadioButton_TTL1;
  ui::RadioButton* RadioButton_TTL2;
  ui::SpinEdit* SpinEdit_TTL;
  ui::Button* Button_Ok;
  ui::Button* Button_Help;
  ui::Button* Button_SaveTranslation;
  ui::Button* Button_LoadTranslation;

  // 1 when the dialog was left with Button_Ok.
  uint8_t Ok = 0;

  void ShowSettings(const TcpSettings& s);
  TcpSettings EditedSettings() const;

 protected:
  void FormCreate() override;

 private:
  TcpSettings shown_;
};

}  // namespace qz::it
