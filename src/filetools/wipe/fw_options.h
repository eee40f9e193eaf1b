// The File Wiper's settings dialog "Einstellungen zum File Wiper": the wipe
// method and three options. The wiper window creates it with itself and
// keeps it while it is open; a run reads the controls (CurrentOptions), and
// the window loads the settings at its creation and stores them at its close
// (HKLM\ProductRegKey\Options\FW: "Methode", "FW_Rename", "FW_RemoveFolder",
// "FW_Testmode").
//
//   tab "Löschmethode"  Label_Method, RadioButton_Method1..5 (1 checked)
//   tab "Optionen"      CheckBox_FW_Rename (on), CheckBox_FW_RemoveFolder (on),
//                       CheckBox_FW_Testmode (off), each with its label
#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "filetools/wipe/wipe_engine.h"
#include "ui/form.h"

namespace qz::ui {
class Button;
class CheckBox;
class Label;
class PageControl;
class RadioButton;
class TabSheet;
}  // namespace qz::ui

namespace qz::fw {

class TForm_FW_Options : public ui::Form {
 public:
  explicit TForm_FW_Options(ui::Component* owner);

  ui::PageControl* PageControl1;
  ui::TabSheet* TabSheet_Method;
  ui::TabSheet* TabSheet_Options;
  ui::Label* Label_Method;
  ui::RadioButton* RadioButton_Method1;
  ui::RadioButton* RadioButton_Method2;
  ui::RadioButton* RadioButton_Method3;
  ui::RadioButton* RadioButton_Method4;
  ui::RadioButton* RadioButton_Method5;
  ui::CheckBox* CheckBox_FW_Rename;
  ui::Label* Label_FW_Rename;
  ui::CheckBox* CheckBox_FW_RemoveFolder;
  ui::Label* Label_FW_RemoveFolder;
  ui::CheckBox* CheckBox_FW_Testmode;
  ui::Label* Label_FW_Testmode;
  ui::Button* Button_Help;
  ui::Button* Button_Ok;
  ui::Button* Button_SaveTranslation;
  ui::Button* Button_LoadTranslation;

  // The method of the checked radio button (1 when none of 2-5 is checked).
  int CheckedMethod() const;
  WipeOptions CurrentOptions() const;

  // Only when the key exists: "Methode" (0 and anything above 5, taken as
  // unsigned, mean 1) and the three boxes (0 unchecks, 1 checks, anything
  // else leaves the box).
  void LoadWiperOptions(HKEY root, const std::string& key);
  // Writes the four values, then removes every other value of the key (a
  // failed write never costs the values that were there). True when all
  // four read back.
  bool SaveWiperOptions(HKEY root, const std::string& key);

 protected:
  void FormCreate() override;

 private:
  std::array<ui::RadioButton*, 5> Methods() const;
};

}  // namespace qz::fw
