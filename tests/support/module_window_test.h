// What the tests of a module window start from: every program-wide value put
// back afterwards, a scratch settings key (ProductRegKey points at it), the
// installed skin, no language file, no optimizer run and no abort, every box
// answered by a recorder, and the modal windows answered by the test (its
// hook taken away afterwards).
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "cleaning/frame/module_window.h"
#include "core/globals.h"
#include "core/registry.h"
#include "support/globals_guard.h"
#include "support/sandbox.h"
#include "ui/application.h"
#include "ui/stdctrls.h"

namespace qz::test {

// Where the test sandbox installs the program (its skin and language files).
inline const char* const kInstalledProgram = "C:\\Program Files\\Brinvale\\Brinvale Sysvantor Quenzal Suite 2";

// The installed skin, no language file, no optimizer run, no abort.
inline void ResetWindowGlobals() {
  SkinDir = std::string(kInstalledProgram) + "\\Skins\\default";
  TranslationFile.clear();
  TranslationList.clear();
  OcoRunning = 0;
  AbortFlag = 0;
}

class ModuleWindowTest : public ::testing::Test {
 protected:
  // Each test program its own settings key: the programs run side by side.
  explicit ModuleWindowTest(const std::string& keyName) : key(keyName, HKEY_LOCAL_MACHINE) {}
  void SetUp() override {
    ProductRegKey = key.key();
    ResetWindowGlobals();
  }
  void TearDown() override {
    cleaning::SetModalHook(nullptr);
    ui::App().ResetTerminated();
  }
  // The texts of every box so far, for failure messages.
  std::string BoxTexts() const { return boxes.Texts(); }
  // Checks `choice` on the start page and clicks Next: how many times the
  // window `expected` came up modally (each closed with OK).
  static int ShownOnNext(cleaning::ModuleWindow& w, ui::RadioButton* choice, const ui::Form* expected) {
    int shown = 0;
    cleaning::SetModalHook([&](ui::Form& f) {
      EXPECT_EQ(&f, expected);
      ++shown;
      return ui::mrOk;
    });
    choice->SetChecked(true);
    w.Button_Weiter->Click();
    cleaning::SetModalHook(nullptr);
    return shown;
  }
  // The module's options key with its stored choice of drives C: and D:.
  static std::string StoreDriveChoice(const std::string& code, bool c, bool d) {
    const std::string options = OptionsKey(code);
    RegSetStringChecked(HKEY_LOCAL_MACHINE, options, "C", c ? "1" : "0");
    RegSetStringChecked(HKEY_LOCAL_MACHINE, options, "D", d ? "1" : "0");
    return options;
  }

  GlobalsGuard globals;
  ScratchKey key;
  MessageBoxRecorder boxes;
};

}  // namespace qz::test
