// The Options window: the program-wide settings. Opened from the main
// window's Options button through the launch table ("OPTIONS"), modal, freed
// on close; nothing it stores takes effect before the next start.
//
//   "Sprache und Skin"  ComboBox_Languages (one entry per installed language
//                       file whose name is a number, keeping its id),
//                       ComboBox_Skins (the installed skins)
//   "Ergebnissfenster"  CheckBox_HideEmpty, CheckBox_OpenMaximized
//   "Sonstiges"         Button_Reset, Button_Config_Channels (the news set-up)
//   Button_Ok, Button_Help; hidden translation buttons
//
// OK stores both boxes (Options\HideEmptyCategories, Options\OpenMaximized),
// the chosen language id (ForceLanguageID, not when no entry is selected)
// and skin (UseSkin); when language or skin changed, the Drive Cleaner's
// Options\DC\Mask goes and the restart message is shown; a write that
// failed is reported instead. Reset removes ForceLanguageID, UseSkin and all
// of Options (FirstRunDone stays). Every box is owned by this window.
#pragma once

#include <string>

#include "core/msgbox.h"
#include "ui/form.h"

namespace qz::ui {
class Button;
class CheckBox;
class ComboBox;
class Label;
class PageControl;
class TabSheet;
}  // namespace qz::ui

namespace qz::shell {

struct NewsLibrary;

class TForm_ZAMO2_Options : public ui::Form {
 public:
  explicit TForm_ZAMO2_Options(ui::Component* owner);

  ui::PageControl* PageControl1;
  ui::TabSheet* TabSheet_LanguageSkin;
  ui::Label* Label_Language;
  ui::ComboBox* ComboBox_Languages;
  ui::Label* Label_Skin;
  ui::ComboBox* ComboBox_Skins;
  ui::Label* Label_NextStart;
  ui::TabSheet* TabSheet_ResultWindows;
  ui::CheckBox* CheckBox_HideEmpty;
  ui::CheckBox* CheckBox_OpenMaximized;
  ui::TabSheet* TabSheet_Misc;
  ui::Label* Label_Reset;
  ui::Button* Button_Reset;
  ui::Label* Label_Channels;
  ui::Button* Button_Config_Channels;
  ui::Button* Button_Ok;
  ui::Button* Button_Help;
  ui::Button* Button_SaveTranslation;
  ui::Button* Button_LoadTranslation;

  // The news library the set-up button uses (the program's when null).
  const NewsLibrary* News = nullptr;

  void Button_OkClick();
  void Button_ResetClick();
  void Button_Config_ChannelsClick();

 protected:
  void FormCreate() override;

 private:
  int Box(const std::string& key, const std::string& german, MsgKind kind,
          MsgButtons buttons = MsgButtons::Ok);
  int languageShown_ = -1;  // the positions selected when the window was filled
  int skinShown_ = -1;
};

ui::Form* CreateOptionsWindow(ui::Component* owner);

}  // namespace qz::shell
