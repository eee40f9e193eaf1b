#include "filetools/wipe/fw_options.h"

#include "cleaning/frame/module_window.h"
#include "core/registry.h"
#include "core/text.h"
#include "ui/check_state.h"
#include "ui/form_translation.h"
#include "ui/graphics.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"

namespace qz::fw {

TForm_FW_Options::TForm_FW_Options(ui::Component* owner) : Form(owner, "TForm_FW_Options") {
  PageControl1 = cleaning::BuildOptionsWindow(*this, "Einstellungen zum File Wiper", 520, 340);
  TabSheet_Method = cleaning::AddOptionsTab(PageControl1, "TabSheet_Method", "Löschmethode");
  TabSheet_Options = cleaning::AddOptionsTab(PageControl1, "TabSheet_Options", "Optionen");

  auto label = [](ui::TabSheet* page, ui::Label*& l, const char* name, const char* caption, int left, int top,
                  int height) {
    l = new ui::Label(page, name, caption);
    l->SetWordWrap(true);
    l->SetBounds(left, top, 480 - left, height);
    l->Tag = 1;
  };
  label(TabSheet_Method, Label_Method, "Label_Method",
        "Wählen Sie, wie oft jede Datei überschrieben wird, bevor sie gelöscht wird. Mehr Schreibdurchgänge sind "
        "sicherer, dauern aber länger.",
        12, 12, 32);
  const char* const captions[5] = {
      "Schnell (1 Schreibdurchgang ; relativ unsicher aber schnell)",
      "Standard (3 Schreibdurchgänge ; relativ sicher, recht schnell)",
      "Sicher (3 Schreibdurchgänge ; sicher - aber langsam)",
      "Militärischer Standard \"DoD 5220.22-M\" (7 Schreibdurchgänge ; sehr sicher - aber sehr langsam)",
      "Gutmann-Methode (35 Schreibdurchgänge ; extrem langsam, aber extrem sicher)",
  };
  ui::RadioButton** radios[5] = {&RadioButton_Method1, &RadioButton_Method2, &RadioButton_Method3,
                                 &RadioButton_Method4, &RadioButton_Method5};
  for (int i = 0; i < 5; ++i) {
    auto* r = new ui::RadioButton(TabSheet_Method, "RadioButton_Method" + std::to_string(i + 1), captions[i]);
    r->SetBounds(12, 56 + 36 * i, 470, 28);
    r->WordWrap = true;
    r->SetTabStop(true);
    r->Tag = 1;
    *radios[i] = r;
  }
  RadioButton_Method1->SetChecked(true);

  auto option = [&](ui::CheckBox*& c, const char* name, const char* caption, bool checked, ui::Label*& l,
                    const char* labelName, const char* text, int top) {
    c = new ui::CheckBox(TabSheet_Options, name, caption);
    c->WordWrap = true;
    c->SetBounds(12, top, 470, 28);
    c->SetChecked(checked);
    c->SetTabStop(true);
    c->Tag = 1;
    label(TabSheet_Options, l, labelName, text, 30, top + 30, 44);
  };
  option(CheckBox_FW_Rename, "CheckBox_FW_Rename",
         "Dateien und Ordner in Zufalls-Buchstabenfolge umbennen vor dem Löschen", true, Label_FW_Rename,
         "Label_FW_Rename",
         "Vor dem Löschen erhält jede Datei einen Namen aus 12 zufälligen Buchstaben, so verrät auch der "
         "Dateiname nichts mehr.",
         12);
  option(CheckBox_FW_RemoveFolder, "CheckBox_FW_RemoveFolder", "Leere Ordner nach der Aktion entfernen", true,
         Label_FW_RemoveFolder, "Label_FW_RemoveFolder",
         "Aufgelistete Ordner, die nach dem Vernichten ihrer Dateien leer sind, werden entfernt.", 92);
  option(CheckBox_FW_Testmode, "CheckBox_FW_Testmode", "Testmodus", false, Label_FW_Testmode, "Label_FW_Testmode",
         "Im Testmodus werden die Dateien nur überschrieben (und umbenannt), aber nicht gelöscht. Ordner bleiben "
         "stehen, der Papierkorb wird nicht geleert.",
         172);

  const cleaning::OkHelpButtons buttons = cleaning::AddOkHelpButtons(*this, 306, "FW");
  Button_Help = buttons.Help;
  Button_Ok = buttons.Ok;

  const TranslationButtons tb = AddTranslationButtons(*this);
  Button_SaveTranslation = tb.save;
  Button_LoadTranslation = tb.load;
}

void TForm_FW_Options::FormCreate() {
  Button_LoadTranslation->Click();
  PageControl1->SetActivePageIndex(0);
}

std::array<ui::RadioButton*, 5> TForm_FW_Options::Methods() const {
  return {RadioButton_Method1, RadioButton_Method2, RadioButton_Method3, RadioButton_Method4, RadioButton_Method5};
}

int TForm_FW_Options::CheckedMethod() const {
  const auto methods = Methods();
  for (int i = 1; i < 5; ++i)
    if (methods[static_cast<size_t>(i)]->Checked()) return i + 1;
  return 1;
}

WipeOptions TForm_FW_Options::CurrentOptions() const {
  WipeOptions o;
  o.Method = CheckedMethod();
  o.Rename = CheckBox_FW_Rename->Checked();
  o.RemoveFolder = CheckBox_FW_RemoveFolder->Checked();
  o.Testmode = CheckBox_FW_Testmode->Checked();
  return o;
}

void TForm_FW_Options::LoadWiperOptions(HKEY root, const std::string& key) {
  if (!RegHasKey(root, key)) return;
  uint32_t method = static_cast<uint32_t>(RegGetInteger(root, key, "Methode"));
  if (method == 0 || method > 5) method = 1;
  Methods()[method - 1]->SetChecked(true);
  ui::LoadCheckBoxFromRegistry(root, key, "FW_Rename", CheckBox_FW_Rename);
  ui::LoadCheckBoxFromRegistry(root, key, "FW_RemoveFolder", CheckBox_FW_RemoveFolder);
  ui::LoadCheckBoxFromRegistry(root, key, "FW_Testmode", CheckBox_FW_Testmode);
}

bool TForm_FW_Options::SaveWiperOptions(HKEY root, const std::string& key) {
  bool ok = RegSetIntegerChecked(root, key, "Methode", CheckedMethod());
  ok = ui::SaveCheckBoxToRegistry(root, key, "FW_Rename", CheckBox_FW_Rename) && ok;
  ok = ui::SaveCheckBoxToRegistry(root, key, "FW_RemoveFolder", CheckBox_FW_RemoveFolder) && ok;
  ok = ui::SaveCheckBoxToRegistry(root, key, "FW_Testmode", CheckBox_FW_Testmode) && ok;
  static const char* const kOwn[] = {"Methode", "FW_Rename", "FW_RemoveFolder", "FW_Testmode"};
  for (const std::string& name : RegListValueNames(root, key)) {
    bool own = false;
    for (const char* k : kOwn) own = own || IEquals(name, k);
    if (!own) RegRemoveValue(root, key, name);
  }
  return ok;
}

}  // namespace qz::fw
