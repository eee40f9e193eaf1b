#include "shell/module_table.h"

#include <map>
#include <memory>

#include "cleaning/dll/dll_form.h"
#include "cleaning/drive/dc_form.h"
#include "cleaning/internet/ic_form.h"
#include "cleaning/oco/oco_form.h"
#include "cleaning/registry/rc_form.h"
#include "core/globals.h"
#include "core/text.h"
#include "core/translation.h"
#include "filetools/assoc/fa_form.h"
#include "filetools/crypt/fed_form.h"
#include "filetools/split/fsj_form.h"
#include "filetools/wipe/fw_form.h"
#include "shell/options_window.h"
#include "tuning/internet/it_form.h"
#include "tuning/netquiet/nq_form.h"
#include "tuning/startup/st_form.h"
#include "tuning/wintools/win_progis.h"
#include "ui/form_translation.h"
#include "ui/graphics.h"
#include "ui/stdctrls.h"

namespace qz::shell {

namespace {

std::map<std::string, ModuleFactory>& Factories() {
  static std::map<std::string, ModuleFactory> table;
  return table;
}

struct KnownModule {
  const char* code;
  const char* key;           // key in the main window's section
  const char* germanTitle;   // shown when the language file has none
};
const KnownModule kKnownModules[] = {
    {"DC", "MESSAGE_Button_DC", "Drive Cleaner"},
    {"RC", "MESSAGE_Button_RC", "Registry Cleaner"},
    {"IC", "MESSAGE_Button_IC", "Internet Cleaner"},
    {"DLL", "MESSAGE_Button_DLL", "DLL Cleaner"},
    {"ST", "MESSAGE_Button_ST", "StartUp-Tuner"},
    {"NQ", "MESSAGE_Button_NQ", "Netquiet Blocker"},
    {"WIN", "MESSAGE_Button_WIN", "Windows-Werkzeuge"},
    {"IT", "MESSAGE_Button_IT", "Internet Tuner"},
    {"FW", "MESSAGE_Button_FW", "File Wiper"},
    {"FSJ", "MESSAGE_Button_FSJ", "File Splitter & Joiner"},
    {"FA", "MESSAGE_Button_FA", "Dateitypen"},
    {"FED", "MESSAGE_Button_FED", "File Encrypter & Decrypter"},
    {"OCO", "MorvekMouseImage3State_OCO", "One-Click-Optimizer"},
    {"OPTIONS", "MorvekMouseImage3State_Options", "Einstellungen"},
};

}  // namespace

void RegisterModule(const std::string& code, ModuleFactory factory) {
  const std::string key = UpperAscii(code);
  if (factory)
    Factories()[key] = std::move(factory);
  else
    Factories().erase(key);
}

ModuleFactory FindModule(const std::string& code) {
  auto it = Factories().find(UpperAscii(code));
  return it == Factories().end() ? ModuleFactory{} : it->second;
}

void RegisterBuiltInModules() {
  // Each module adds its registration here when its window exists.
  RegisterModule("DC", dc::CreateDriveCleanerWindow);
  RegisterModule("DLL", dll::CreateDllCleanerWindow);
  RegisterModule("RC", rc::CreateRegistryCleanerWindow);
  RegisterModule("FA", fa::CreateFileAssociatorWindow);
  RegisterModule("ST", st::CreateStartupTunerWindow);
  RegisterModule("OCO", oco::CreateOneClickWindow);
  RegisterModule("OPTIONS", CreateOptionsWindow);
  RegisterModule("IT", it::CreateInternetTunerWindow);
  RegisterModule("NQ", nq::CreateNetquietWindow);
  RegisterModule("WIN", win::CreateWindowsToolsWindow);
  RegisterModule("IC", ic::CreateInternetCleanerWindow);
  // File tools
  RegisterModule("FW", fw::CreateFileWiperWindow);
  RegisterModule("FSJ", fsj::CreateSplitterWindow);
  RegisterModule("FED", fed::CreateCryptorWindow);
}

std::string ModuleTitle(const std::string& code) {
  const std::string upper = UpperAscii(code);
  for (const KnownModule& m : kKnownModules) {
    if (upper != m.code) continue;
    StringList lines;
    GetTranslationLines("TForm_ZAMO2", m.key, 0, lines);
    if (!lines.empty() && !Trim(lines[0]).empty()) return lines[0];
    return m.germanTitle;
  }
  return code;
}

ui::Form* CreateModuleWindow(const std::string& code, ui::Component* owner) {
  if (ModuleFactory factory = FindModule(code)) return factory(owner);
  auto* placeholder = new TForm_ModulePlaceholder(owner, UpperAscii(code));
  placeholder->DoCreate();
  return placeholder;
}

void OpenModule(const std::string& code, ui::Component* owner) {
  std::unique_ptr<ui::Form> window(CreateModuleWindow(code, owner));
  if (!window) return;
  window->ShowModal();
}

// ---- the placeholder window ----------------------------------------------------

TForm_ModulePlaceholder::TForm_ModulePlaceholder(ui::Component* owner, const std::string& code)
    : Form(owner, "TForm_ModulePlaceholder"), code_(code) {
  SetBorderStyle(ui::FormBorder::Dialog);
  SetBorderIcons(ui::IconSystemMenu);
  SetPosition(ui::FormPosition::MainFormCenter);
  SetClientSize(380, 130);
  SetCaption(ProductTitle);

  Label_ModuleName = new ui::Label(this, "Label_ModuleName");
  Label_ModuleName->SetBounds(16, 16, 348, 20);
  ui::FontSpec bold = Font();
  bold.bold = true;
  bold.size = 10;
  Label_ModuleName->SetFont(bold);

  Label_NotAvailable = new ui::Label(this, "Label_NotAvailable");
  Label_NotAvailable->SetCaption("Dieses Modul ist noch nicht verfügbar.");
  Label_NotAvailable->SetBounds(16, 46, 348, 32);
  Label_NotAvailable->SetWordWrap(true);
  Label_NotAvailable->Tag = 1;

  Button_OK = new ui::Button(this, "Button_OK", "OK");
  Button_OK->SetBounds(152, 90, 75, 25);
  Button_OK->ModalResult = ui::mrOk;
  Button_OK->SetDefault(true);
  Button_OK->SetCancel(true);
  Button_OK->Tag = 1;

  const TranslationButtons translationButtons = AddTranslationButtons(*this);
  Button_SaveTranslation = translationButtons.save;
  Button_LoadTranslation = translationButtons.load;
}

void TForm_ModulePlaceholder::FormCreate() {
  Button_LoadTranslation->Click();
  Label_ModuleName->SetCaption(ModuleTitle(code_));
  SetCaption(ProductTitle);
}

}  // namespace qz::shell
