// The Internet Cleaner's options window "Einstellungen zum Internet Cleaner".
// The module window creates it with itself and keeps it until it closes; the
// scan and the delete read their settings from its controls on every call
// (CurrentSettings), so the controls are the live settings and only Ok
// stores them (HKLM\ProductRegKey\Options\IC, ic_settings.h).
//
//   tab "Browser"   RadioButton_IE, RadioButton_Opera, RadioButton_Firefox,
//                   RadioButton_Mozilla, RadioButton_Netscape (only installed
//                   browsers are enabled; the Mozilla family only with a
//                   profile), ComboBox_Firefox_Profiles,
//                   ComboBox_Mozilla_Profiles, ComboBox_Netscape_Profiles
//                   (each selects its first profile at creation)
//   tab "Elemente"  CheckBox_Cache, CheckBox_Cookies, CheckBox_History
//   tab "Cookies"   CheckBox_TrustCookies, ListBox_Trusted (sorted),
//                   Edit_Trusted ("www."), Button_Trust_Add (also the Enter
//                   key in the edit), Button_Trust_Delete
//   Button_Help, Button_Ok (stores; a failed save is told once)
#pragma once

#include <string>
#include <vector>

#include "cleaning/internet/browser_profiles.h"
#include "cleaning/internet/ic_settings.h"
#include "ui/form.h"

namespace qz::ui {
class Button;
class CheckBox;
class ComboBox;
class Edit;
class ListBox;
class PageControl;
class RadioButton;
class TabSheet;
}  // namespace qz::ui

namespace qz::ic {

class TForm_ZAMO2_IC_Options : public ui::Form {
 public:
  TForm_ZAMO2_IC_Options(ui::Component* owner, BrowserEnvironment env);

  ui::PageControl* PageControl1;
  ui::TabSheet* TabSheet_Browser;
  ui::TabSheet* TabSheet_Elemente;
  ui::TabSheet* TabSheet_Cookies;
  ui::RadioButton* RadioButton_IE;
  ui::RadioButton* RadioButton_Opera;
  ui::RadioButton* RadioButton_Firefox;
  ui::RadioButton* RadioButton_Mozilla;
  ui::RadioButton* RadioButton_Netscape;
  ui::ComboBox* ComboBox_Firefox_Profiles;
  ui::ComboBox* ComboBox_Mozilla_Profiles;
  ui::ComboBox* ComboBox_Netscape_Profiles;
  ui::CheckBox* CheckBox_Cache;
  ui::CheckBox* CheckBox_Cookies;
  ui::CheckBox* CheckBox_History;
  ui::CheckBox* CheckBox_TrustCookies;
  ui::ListBox* ListBox_Trusted;
  ui::Edit* Edit_Trusted;
  ui::Button* Button_Trust_Add;
  ui::Button* Button_Trust_Delete;
  ui::Button* Button_Help;
  ui::Button* Button_Ok;
  ui::Button* Button_SaveTranslation;
  ui::Button* Button_LoadTranslation;

  // Where the options are stored (the program's key unless set before creation).
  HKEY OptionsRoot = HKEY_LOCAL_MACHINE;
  std::string OptionsKeyPath;

  // The settings as the controls show them now.
  InternetCleanerSettings CurrentSettings() const;
  Browser SelectedBrowser() const;
  // The chosen profile's folder of a Mozilla-family browser; "" when its box
  // selects nothing (or the browser has no profile list).
  std::string ProfileFolder(Browser browser) const;
  StringList TrustedHosts() const;
  void AddTrustedHost(const std::string& host);

  // Stores the controls; a failure is told in one box. True when all was stored.
  bool SaveOptions();
  void Button_Trust_AddClick();
  void Button_Trust_DeleteClick();

 protected:
  void FormCreate() override;

 private:
  struct ProfileBox {
    Browser browser;
    ui::RadioButton* radio;
    ui::ComboBox* box;
    std::vector<BrowserProfile> profiles;
  };
  ProfileBox* BoxOf(Browser browser);
  const ProfileBox* BoxOf(Browser browser) const;

  BrowserEnvironment env_;
  std::vector<ProfileBox> profileBoxes_;
};

}  // namespace qz::ic
