// The modules the main window launches: a table of factories by module code.
// A module registers its factory; the main window creates the module's window
// with an owner, shows it modally and frees it. Until a module registers,
// a placeholder window stands in for it.
//
// Codes: the twelve module codes of the main menu ("DC", "RC", "IC", "DLL",
// "ST", "NQ", "WIN", "IT", "FW", "FSJ", "FA", "FED"), "OCO" for the
// One-Click-Optimizer and "OPTIONS" for the Options window.
#pragma once

#include <functional>
#include <string>

#include "ui/form.h"

namespace qz::ui {
class Label;
class Button;
}  // namespace qz::ui

namespace qz::shell {

// Creates the module's window (not shown) owned by `owner`, its creation
// handler run (Application::CreateForm or Form::DoCreate).
using ModuleFactory = std::function<ui::Form*(ui::Component* owner)>;

// Registers the window of a module code ("DC", "RC", ...). A later
// registration of the same code replaces the earlier one; an empty factory
// removes the code (its placeholder stands in again).
void RegisterModule(const std::string& code, ModuleFactory factory);
// The factory of a code; an empty function when none is registered.
ModuleFactory FindModule(const std::string& code);

// Registers every module that exists (called once by the start-up). Each
// module's own registration routine is listed there; static libraries drop
// objects nobody references, so modules do not register themselves.
void RegisterBuiltInModules();

// Creates the window of a code: the registered factory's, else the
// placeholder. The caller owns the window.
ui::Form* CreateModuleWindow(const std::string& code, ui::Component* owner);

// Opens a module: create, show modally, free. A module without a factory
// opens the "not yet available" placeholder. An error of the module's
// window propagates; the window is freed all the same.
void OpenModule(const std::string& code, ui::Component* owner);

// The module's name as the main menu shows it (first line of its button
// text in the language file, German by default).
std::string ModuleTitle(const std::string& code);

// The window that stands in for a module that is not built yet: the
// module's name, the notice that it is not yet available, and an OK button.
class TForm_ModulePlaceholder : public ui::Form {
 public:
  explicit TForm_ModulePlaceholder(ui::Component* owner, const std::string& code = {});
  const std::string& Code() const { return code_; }

  ui::Label* Label_ModuleName;
  ui::Label* Label_NotAvailable;
  ui::Button* Button_OK;
  ui::Button* Button_SaveTranslation;
  ui::Button* Button_LoadTranslation;

 protected:
  void FormCreate() override;

 private:
  std::string code_;
};

}  // namespace qz::shell
