// A main window built for a test: the installed (or a scratch) skin, a
// scratch settings key, and the language file of the test's choice.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "core/globals.h"
#include "core/stringlist.h"
#include "shell/main_window.h"
#include "shell/module_table.h"
#include "skin/skin_test_util.h"
#include "support/globals_guard.h"
#include "support/sandbox.h"
#include "ui/ui.h"

namespace qz::test {

// Saves the globals the main window reads and puts them back.
class ShellGlobals {
 public:
  explicit ShellGlobals(const std::string& keyName) : key_(keyName, HKEY_LOCAL_MACHINE) {
    AppDir = InstalledProgramDir();
    SkinDir = InstalledSkinDir();
    ProductRegKey = key_.key();
    TranslationFile.clear();
    TranslationList.clear();
    LanguageID = 1033;
  }
  // Loads the installed language file (1033 or 1031).
  static void UseLanguage(int lcid) {
    TranslationFile = InstalledProgramDir() + "\\Translation\\" + std::to_string(lcid) + ".ini";
    LoadLines(TranslationFile, TranslationList);
    LanguageID = lcid;
  }
  const ScratchKey& key() const { return key_; }

 private:
  GlobalsGuard keep_;  // made first, so the key's globals are put back last
  ScratchKey key_;
};

// Creates the main window (its creation handler run, its window made but not
// shown) and builds it from SkinDir.
inline std::unique_ptr<shell::TForm_ZAMO2> BuildMainWindow() {
  auto main = std::make_unique<shell::TForm_ZAMO2>(nullptr);
  main->DoCreate();
  main->HandleNeeded();
  main->BuildMainWindowFromSkin(nullptr);
  return main;
}

// Registers a factory for a code for the object's lifetime.
class ModuleOverride {
 public:
  ModuleOverride(std::string code, shell::ModuleFactory f) : code_(std::move(code)) {
    previous_ = shell::FindModule(code_);
    shell::RegisterModule(code_, std::move(f));
  }
  ~ModuleOverride() { shell::RegisterModule(code_, previous_); }

 private:
  std::string code_;
  shell::ModuleFactory previous_;
};

// A module window that ends its modal showing at once and counts what happens to it.
struct ModuleProbe {
  int created = 0, destroyed = 0, modalShows = 0;
  uint8_t ocoRunningWhenModal = 255;
};
class ProbeWindow : public ui::Form {
 public:
  ProbeWindow(ui::Component* owner, ModuleProbe& probe) : Form(owner, "TForm_Probe"), probe_(probe) {
    ++probe_.created;
    SetClientSize(120, 80);
    OnShow = [this] {
      if (!IsModal()) return;
      ++probe_.modalShows;
      probe_.ocoRunningWhenModal = OcoRunning;
      ui::App().Post([this] { SetModalResult(ui::mrOk); });
    };
  }
  ~ProbeWindow() override { ++probe_.destroyed; }

 private:
  ModuleProbe& probe_;
};

inline shell::ModuleFactory ProbeFactory(ModuleProbe& probe) {
  return [&probe](ui::Component* owner) -> ui::Form* {
    auto* f = new ProbeWindow(owner, probe);
    f->DoCreate();
    return f;
  };
}

// Answers the next modal window of the program (the placeholder) with OK.
inline void CloseNextModalWindow(int tries = 500) {
  ui::App().Post([tries] {
    ui::Form* f = ui::App().ActiveForm();
    if (f && f->IsModal()) {
      f->SetModalResult(ui::mrOk);
    } else if (tries > 0) {
      Sleep(2);
      CloseNextModalWindow(tries - 1);
    }
  });
}

}  // namespace qz::test
