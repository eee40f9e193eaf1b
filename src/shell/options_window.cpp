#include "shell/options_window.h"

#include "core/globals.h"
#include "core/language.h"
#include "core/registry.h"
#include "core/text.h"
#include "shell/news_bridge.h"
#include "ui/application.h"
#include "ui/check_state.h"
#include "ui/form_translation.h"
#include "ui/graphics.h"
#include "ui/help_router.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"

namespace qz::shell {

namespace {

const char* const kGermanSaveFailed =
    "Die Einstellungen konnten nicht gespeichert werden. Bitte prüfen Sie Ihre Berechtigungen.";

ui::Label* TextLabel(ui::TabSheet* page, const char* name, const char* caption, int top, int height) {
  auto* l = new ui::Label(page, name, caption);
  l->SetAutoSize(false);
  l->SetWordWrap(true);
  l->SetBounds(16, top, 504, height);
  l->Tag = 1;
  return l;
}

// The folder name of a skin folder path.
std::string LastComponent(const std::string& path) {
  std::string p = path;
  while (!p.empty() && p.back() == '\\') p.pop_back();
  const size_t slash = p.rfind('\\');
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

}  // namespace

TForm_ZAMO2_Options::TForm_ZAMO2_Options(ui::Component* owner) : Form(owner, "TForm_ZAMO2_Options") {
  SetBorderStyle(ui::FormBorder::Single);
  SetBorderIcons(ui::IconSystemMenu);
  SetPosition(ui::FormPosition::ScreenCenter);
  SetStayOnTop(true);
  SetClientSize(560, 480);
  SetCaption("Einstellungen zur Software");
  Tag = 1;

  PageControl1 = new ui::PageControl(this, "PageControl1");
  PageControl1->SetBounds(8, 8, 544, 424);
  TabSheet_LanguageSkin = new ui::TabSheet(PageControl1, "TabSheet_LanguageSkin", "Sprache und Skin");
  TabSheet_ResultWindows = new ui::TabSheet(PageControl1, "TabSheet_ResultWindows", "Ergebnissfenster");
  TabSheet_Misc = new ui::TabSheet(PageControl1, "TabSheet_Misc", "Sonstiges");
  for (ui::TabSheet* t : {TabSheet_LanguageSkin, TabSheet_ResultWindows, TabSheet_Misc}) t->Tag = 1;

  // Tab 1: language and skin
  Label_Language = TextLabel(TabSheet_LanguageSkin, "Label_Language", "Sprache der Benutzeroberfläche:", 16, 16);
  ComboBox_Languages = new ui::ComboBox(TabSheet_LanguageSkin, "ComboBox_Languages");
  ComboBox_Languages->SetBounds(16, 36, 300, 24);
  Label_Skin = TextLabel(TabSheet_LanguageSkin, "Label_Skin", "Skin (Aussehen der Software):", 76, 16);
  ComboBox_Skins = new ui::ComboBox(TabSheet_LanguageSkin, "ComboBox_Skins");
  ComboBox_Skins->SetBounds(16, 96, 300, 24);
  Label_NextStart = TextLabel(TabSheet_LanguageSkin, "Label_NextStart",
                              "Sprache und Skin werden beim nächsten Start der Software wirksam.", 136, 32);
  for (ui::ComboBox* c : {ComboBox_Languages, ComboBox_Skins}) c->SetTabStop(true);

  // Tab 2: result windows
  CheckBox_HideEmpty = new ui::CheckBox(TabSheet_ResultWindows, "CheckBox_HideEmpty",
                                        "Leere Kategorien in den Ergebnissfenstern ausblenden");
  CheckBox_HideEmpty->SetBounds(16, 16, 504, 20);
  CheckBox_OpenMaximized = new ui::CheckBox(TabSheet_ResultWindows, "CheckBox_OpenMaximized",
                                            "Ergebnissfenster stets maximiert öffnen");
  CheckBox_OpenMaximized->SetBounds(16, 44, 504, 20);
  for (ui::CheckBox* c : {CheckBox_HideEmpty, CheckBox_OpenMaximized}) {
    c->SetChecked(true);
    c->SetTabStop(true);
    c->Tag = 1;
  }

  // Tab 3: other settings
  Label_Reset = TextLabel(TabSheet_Misc, "Label_Reset",
                          "Alle Einstellungen der Software auf die Vorgaben zurücksetzen:", 16, 32);
  Button_Reset = new ui::Button(TabSheet_Misc, "Button_Reset", "Zurücksetzen");
  Button_Reset->SetBounds(16, 52, 120, 25);
  Label_Channels = TextLabel(TabSheet_Misc, "Label_Channels", "Nachrichten- und Info-Kanäle einrichten:", 100, 32);
  Button_Config_Channels = new ui::Button(TabSheet_Misc, "Button_Config_Channels", "Konfigurieren");
  Button_Config_Channels->SetBounds(16, 136, 120, 25);
  for (ui::Button* b : {Button_Reset, Button_Config_Channels}) {
    b->SetTabStop(true);
    b->Tag = 1;
  }

  Button_Help = new ui::Button(this, "Button_Help", "&Hilfe");
  Button_Help->SetBounds(396, 444, 75, 25);
  Button_Help->Tag = 1;
  Button_Ok = new ui::Button(this, "Button_Ok", "&Ok");
  Button_Ok->SetBounds(477, 444, 75, 25);
  Button_Ok->SetDefault(true);
  Button_Ok->Tag = 1;

  const TranslationButtons tb = AddTranslationButtons(*this);
  Button_SaveTranslation = tb.save;
  Button_LoadTranslation = tb.load;

  // ---- handlers
  Button_Ok->OnClick = [this] { Button_OkClick(); };
  Button_Reset->OnClick = [this] { Button_ResetClick(); };
  Button_Config_Channels->OnClick = [this] { Button_Config_ChannelsClick(); };
  Button_Help->OnClick = [] { ShowHelpTopic("OPTIONS"); };
}

void TForm_ZAMO2_Options::FormCreate() {
  Button_LoadTranslation->Click();
  PageControl1->SetActivePageIndex(0);
  const std::string options = OptionsKey();
  ui::LoadCheckBoxFromRegistry(HKEY_LOCAL_MACHINE, options, "HideEmptyCategories", CheckBox_HideEmpty);
  ui::LoadCheckBoxFromRegistry(HKEY_LOCAL_MACHINE, options, "OpenMaximized", CheckBox_OpenMaximized);

  // Languages: the files named by a number, each entry keeping its id; the
  // entry of the running language is found by that id.
  ComboBox_Languages->Clear();
  for (const std::string& entry : LanguageList) {
    const int32_t id = TryParseInt(entry).value_or(0);
    if (id <= 0) continue;
    std::string name = GetLanguageName(id);
    if (name.empty()) name = IntToStr(id);
    const int index = ComboBox_Languages->AddItem(name, id);
    if (id == LanguageID) ComboBox_Languages->SetItemIndex(index);
  }

  ComboBox_Skins->Clear();
  const std::string skin = LastComponent(SkinDir);
  for (const std::string& s : SkinList) {
    const int index = ComboBox_Skins->AddItem(s);
    if (IEquals(s, skin)) ComboBox_Skins->SetItemIndex(index);
  }

  languageShown_ = ComboBox_Languages->ItemIndex();
  skinShown_ = ComboBox_Skins->ItemIndex();
}

int TForm_ZAMO2_Options::Box(const std::string& key, const std::string& german, MsgKind kind, MsgButtons buttons) {
  return ui::App().ShowBox(this, Tr(*this, key, german), kind, buttons);
}

void TForm_ZAMO2_Options::Button_OkClick() {
  const std::string options = OptionsKey();
  bool saved = ui::SaveCheckBoxToRegistry(HKEY_LOCAL_MACHINE, options, "HideEmptyCategories", CheckBox_HideEmpty);
  saved &= ui::SaveCheckBoxToRegistry(HKEY_LOCAL_MACHINE, options, "OpenMaximized", CheckBox_OpenMaximized);

  const int language = ComboBox_Languages->ItemIndex();
  if (language >= 0) {  // no entry chosen: the language stays as stored
    RegRemoveValue(HKEY_LOCAL_MACHINE, ProductRegKey, "ForceLanguageID");
    saved &= RegSetStringChecked(HKEY_LOCAL_MACHINE, ProductRegKey, "ForceLanguageID",
                                 IntToStr(ComboBox_Languages->ItemData(language)));
  }
  const int skin = ComboBox_Skins->ItemIndex();
  if (skin >= 0) {
    RegRemoveValue(HKEY_LOCAL_MACHINE, ProductRegKey, "UseSkin");
    saved &= RegSetStringChecked(HKEY_LOCAL_MACHINE, ProductRegKey, "UseSkin", ComboBox_Skins->ItemText(skin));
  }

  if (!saved) {
    Box("MESSAGE_SaveFailed", kGermanSaveFailed, MsgKind::Error);
  } else if (language != languageShown_ || skin != skinShown_) {
    // The Drive Cleaner's groups are stored with the captions of the old choice.
    RegRemoveKey(HKEY_LOCAL_MACHINE, OptionsKey("DC") + "\\Mask");
    Box("MESSAGE_PleaseRestart", "Sie müssen die Anwendung neu starten damit die Änderungen wirksam werden.",
        MsgKind::Information);
  }
  SetModalResult(ui::mrOk);
  Close();
}

void TForm_ZAMO2_Options::Button_ResetClick() {
  if (Box("MESSAGE_SureToReset", "Sind Sie sicher, dass Sie alle Einstellungen zurücksetzen wollen?",
          MsgKind::Question, MsgButtons::YesNo) != IDYES)
    return;
  bool reset = RegRemoveValue(HKEY_LOCAL_MACHINE, ProductRegKey, "ForceLanguageID");
  reset &= RegRemoveValue(HKEY_LOCAL_MACHINE, ProductRegKey, "UseSkin");
  reset &= RegRemoveKey(HKEY_LOCAL_MACHINE, OptionsKey());
  if (reset)
    Box("MESSAGE_ResetDone",
        "Einstellungen wurden zurückgesetzt. Sie müssen die Anwendung neu starten damit die Änderungen wirksam "
        "werden.",
        MsgKind::Information);
  else
    Box("MESSAGE_SaveFailed", kGermanSaveFailed, MsgKind::Error);
  SetModalResult(ui::mrOk);
  Close();
}

void TForm_ZAMO2_Options::Button_Config_ChannelsClick() {
  ConfigureInfoChannels(News ? *News : ProgramNewsLibrary(), Handle());
}

ui::Form* CreateOptionsWindow(ui::Component* owner) {
  auto* w = new TForm_ZAMO2_Options(owner);
  w->DoCreate();
  return w;
}

}  // namespace qz::shell
