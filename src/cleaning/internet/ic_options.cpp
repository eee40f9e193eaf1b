#include "cleaning/internet/ic_options.h"

#include "cleaning/frame/module_window.h"
#include "cleaning/frame/result_rules.h"
#include "core/globals.h"
#include "core/text.h"
#include "ui/form_translation.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"

namespace qz::ic {

TForm_ZAMO2_IC_Options::TForm_ZAMO2_IC_Options(ui::Component* owner, BrowserEnvironment env)
    : Form(owner, "TForm_ZAMO2_IC_Options"), env_(std::move(env)) {
  PageControl1 = cleaning::BuildOptionsWindow(*this, "Einstellungen zum Internet Cleaner", 480, 360);
  TabSheet_Browser = cleaning::AddOptionsTab(PageControl1, "TabSheet_Browser", "Browser");
  TabSheet_Elemente = cleaning::AddOptionsTab(PageControl1, "TabSheet_Elemente", "Elemente");
  TabSheet_Cookies = cleaning::AddOptionsTab(PageControl1, "TabSheet_Cookies", "Cookies");

  // Tab "Browser": a radio button per browser, a profile box beside the Mozilla family.
  auto radio = [this](const char* name, const char* caption, int top) {
    auto* r = new ui::RadioButton(TabSheet_Browser, name, caption);
    r->SetBounds(12, top, 200, 20);
    r->SetTabStop(true);
    r->Tag = 1;
    return r;
  };
  auto profiles = [this](const char* name, int top) {
    auto* c = new ui::ComboBox(TabSheet_Browser, name);
    c->SetBounds(220, top - 2, 224, 21);
    c->SetTabStop(true);
    return c;
  };
  RadioButton_IE = radio("RadioButton_IE", "Microsoft Internet Explorer", 16);
  RadioButton_IE->SetChecked(true);
  RadioButton_Opera = radio("RadioButton_Opera", "Opera 7", 46);
  RadioButton_Firefox = radio("RadioButton_Firefox", "Firefox", 76);
  ComboBox_Firefox_Profiles = profiles("ComboBox_Firefox_Profiles", 76);
  RadioButton_Mozilla = radio("RadioButton_Mozilla", "Mozilla", 106);
  ComboBox_Mozilla_Profiles = profiles("ComboBox_Mozilla_Profiles", 106);
  RadioButton_Netscape = radio("RadioButton_Netscape", "Netscape", 136);
  ComboBox_Netscape_Profiles = profiles("ComboBox_Netscape_Profiles", 136);

  // Tab "Elemente"
  auto check = [](ui::TabSheet* page, const char* name, const char* caption, int top) {
    auto* c = new ui::CheckBox(page, name, caption);
    c->SetBounds(12, top, 432, 20);
    c->SetChecked(true);
    c->SetTabStop(true);
    c->Tag = 1;
    return c;
  };
  CheckBox_Cache = check(TabSheet_Elemente, "CheckBox_Cache", "Browser-Cache leeren", 16);
  CheckBox_Cookies = check(TabSheet_Elemente, "CheckBox_Cookies", "Cookies (außer von vertrauenswürdigen Seiten)", 46);
  CheckBox_History = check(TabSheet_Elemente, "CheckBox_History", "Browser-History (besuchte Seiten) leeren", 76);

  // Tab "Cookies"
  CheckBox_TrustCookies = check(TabSheet_Cookies, "CheckBox_TrustCookies",
                                "Cookies von folgenden Seiten nicht löschen (nur für Internet Explorer)", 12);
  ListBox_Trusted = new ui::ListBox(TabSheet_Cookies, "ListBox_Trusted");
  ListBox_Trusted->Sorted = true;
  ListBox_Trusted->MultiSelect = true;
  ListBox_Trusted->SetBounds(12, 40, 432, 172);
  ListBox_Trusted->SetTabStop(true);
  ListBox_Trusted->SetItems(DefaultTrustedHosts());
  Edit_Trusted = new ui::Edit(TabSheet_Cookies, "Edit_Trusted");
  Edit_Trusted->SetBounds(12, 222, 270, 21);
  Edit_Trusted->SetText("www.");
  Button_Trust_Add = new ui::Button(TabSheet_Cookies, "Button_Trust_Add", "&Hinzufügen");
  Button_Trust_Add->SetBounds(290, 220, 75, 25);
  Button_Trust_Add->Tag = 1;
  Button_Trust_Delete = new ui::Button(TabSheet_Cookies, "Button_Trust_Delete", "&Entfernen");
  Button_Trust_Delete->SetBounds(369, 220, 75, 25);
  Button_Trust_Delete->Tag = 1;

  const cleaning::OkHelpButtons buttons = cleaning::AddOkHelpButtons(*this, 326, "IC");
  Button_Help = buttons.Help;
  Button_Ok = buttons.Ok;

  const TranslationButtons tb = AddTranslationButtons(*this);
  Button_SaveTranslation = tb.save;
  Button_LoadTranslation = tb.load;

  profileBoxes_ = {{Browser::Mozilla, RadioButton_Mozilla, ComboBox_Mozilla_Profiles, {}},
                   {Browser::Firefox, RadioButton_Firefox, ComboBox_Firefox_Profiles, {}},
                   {Browser::Netscape, RadioButton_Netscape, ComboBox_Netscape_Profiles, {}}};

  Button_Trust_Add->OnClick = [this] { Button_Trust_AddClick(); };
  Button_Trust_Delete->OnClick = [this] { Button_Trust_DeleteClick(); };
  Edit_Trusted->OnKeyDown = [this](WPARAM key, bool& handled) {
    if (key != VK_RETURN) return;
    handled = true;
    Button_Trust_AddClick();
  };
  Button_Ok->OnClick = [this] { SaveOptions(); };  // the button's modal result closes the window
}

TForm_ZAMO2_IC_Options::ProfileBox* TForm_ZAMO2_IC_Options::BoxOf(Browser browser) {
  for (ProfileBox& p : profileBoxes_)
    if (p.browser == browser) return &p;
  return nullptr;
}

const TForm_ZAMO2_IC_Options::ProfileBox* TForm_ZAMO2_IC_Options::BoxOf(Browser browser) const {
  return const_cast<TForm_ZAMO2_IC_Options*>(this)->BoxOf(browser);
}

void TForm_ZAMO2_IC_Options::FormCreate() {
  if (OptionsKeyPath.empty()) OptionsKeyPath = InternetCleanerKey();
  const InternetCleanerOptions o = LoadInternetCleanerOptions(OptionsRoot, OptionsKeyPath);
  CheckBox_Cache->SetChecked(o.Cache);
  CheckBox_Cookies->SetChecked(o.Cookies);
  CheckBox_History->SetChecked(o.History);
  CheckBox_TrustCookies->SetChecked(o.TrustCookies);
  ListBox_Trusted->Clear();
  for (const std::string& h : o.TrustedHosts) ListBox_Trusted->AddItem(h);

  // Only installed browsers are offered; the Mozilla family with its profiles.
  RadioButton_IE->SetChecked(true);
  RadioButton_Opera->SetEnabled(IsBrowserInstalled(Browser::Opera, env_));
  for (ProfileBox& p : profileBoxes_) {
    const bool installed = IsBrowserInstalled(p.browser, env_);
    p.profiles = installed ? LoadBrowserProfiles(p.browser, env_) : std::vector<BrowserProfile>{};
    std::vector<std::string> names;
    for (const BrowserProfile& b : p.profiles) names.push_back(b.Name);
    p.box->SetItems(names);
    if (!names.empty()) p.box->SetItemIndex(0);
    p.radio->SetEnabled(!names.empty());
    p.box->SetEnabled(!names.empty());
  }
  switch (o.SelectedBrowser) {
    case Browser::Mozilla: if (RadioButton_Mozilla->Enabled()) RadioButton_Mozilla->SetChecked(true); break;
    case Browser::Firefox: if (RadioButton_Firefox->Enabled()) RadioButton_Firefox->SetChecked(true); break;
    case Browser::Opera: if (RadioButton_Opera->Enabled()) RadioButton_Opera->SetChecked(true); break;
    case Browser::Netscape: if (RadioButton_Netscape->Enabled()) RadioButton_Netscape->SetChecked(true); break;
    default: break;
  }
  Button_LoadTranslation->Click();
  PageControl1->SetActivePageIndex(0);
}

Browser TForm_ZAMO2_IC_Options::SelectedBrowser() const {
  if (RadioButton_IE->Checked()) return Browser::InternetExplorer;
  if (RadioButton_Mozilla->Checked()) return Browser::Mozilla;
  if (RadioButton_Firefox->Checked()) return Browser::Firefox;
  if (RadioButton_Opera->Checked()) return Browser::Opera;
  if (RadioButton_Netscape->Checked()) return Browser::Netscape;
  return Browser::InternetExplorer;
}

std::string TForm_ZAMO2_IC_Options::ProfileFolder(Browser browser) const {
  const ProfileBox* p = BoxOf(browser);
  if (!p) return {};
  const int i = p->box->ItemIndex();
  // No selection, or one beyond the list: no profile.
  if (i < 0 || i >= static_cast<int>(p->profiles.size())) return {};
  return p->profiles[i].Path;
}

StringList TForm_ZAMO2_IC_Options::TrustedHosts() const { return ListBox_Trusted->Items(); }

void TForm_ZAMO2_IC_Options::AddTrustedHost(const std::string& host) { ListBox_Trusted->AddItem(host); }

InternetCleanerSettings TForm_ZAMO2_IC_Options::CurrentSettings() const {
  InternetCleanerSettings s;
  s.SelectedBrowser = SelectedBrowser();
  s.ProfileFolder = ProfileFolder(s.SelectedBrowser);
  s.Cache = CheckBox_Cache->Checked();
  s.Cookies = CheckBox_Cookies->Checked();
  s.History = CheckBox_History->Checked();
  s.TrustCookies = CheckBox_TrustCookies->Checked();
  s.TrustedHosts = TrustedHosts();
  s.HideEmptyCategories = cleaning::ReadHideEmptyCategories();
  return s;
}

void TForm_ZAMO2_IC_Options::Button_Trust_AddClick() {
  const std::string host = Trim(Edit_Trusted->Text());
  if (host.empty() || UpperAscii(host) == "WWW.") return;
  if (ContainsI(ListBox_Trusted->Items(), host)) return;
  ListBox_Trusted->AddItem(host);  // the list keeps itself sorted; the edit keeps its text
}

void TForm_ZAMO2_IC_Options::Button_Trust_DeleteClick() {
  for (int i = ListBox_Trusted->ItemCount() - 1; i >= 0; --i)
    if (ListBox_Trusted->Selected(i)) ListBox_Trusted->DeleteItem(i);
}

bool TForm_ZAMO2_IC_Options::SaveOptions() {
  InternetCleanerOptions o;
  o.Cache = CheckBox_Cache->Checked();
  o.Cookies = CheckBox_Cookies->Checked();
  o.History = CheckBox_History->Checked();
  o.TrustCookies = CheckBox_TrustCookies->Checked();
  o.SelectedBrowser = SelectedBrowser();
  o.TrustedHosts = TrustedHosts();
  if (SaveInternetCleanerOptions(OptionsRoot, OptionsKeyPath, o)) return true;
  ModuleMessage(*this,
                Tr(*this, "MESSAGE_SaveFailed", "Die Einstellungen des Internet Cleaners konnten nicht vollständig "
                                                "gespeichert werden."),
                MsgKind::Error);
  return false;
}

}  // namespace qz::ic
