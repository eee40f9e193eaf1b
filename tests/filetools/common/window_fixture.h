// Shared set-up of the file tools' window tests: the program-wide state put
// back afterwards, a scratch settings key (ProductRegKey points at it), the
// installed skin, no language file, every box answered by a recorder, the
// dialogs and modal windows answered by the test, and a pump clock the test
// moves.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "cleaning/frame/module_window.h"
#include "core/globals.h"
#include "support/globals_guard.h"
#include "support/pump_clock.h"
#include "support/sandbox.h"
#include "ui/application.h"
#include "ui/dialogs.h"

namespace qz::ft::test {

class WindowTest : public ::testing::Test {
 protected:
  // Each test program its own settings key: the programs run side by side.
  explicit WindowTest(const std::string& keyName) : key(keyName, HKEY_LOCAL_MACHINE) {}
  void SetUp() override {
    ProductRegKey = key.key();
    SkinDir = "C:\\Program Files\\Brinvale\\Brinvale Sysvantor Quenzal Suite 2\\Skins\\default";
    TranslationFile.clear();
    TranslationList.clear();
    OcoRunning = 0;
    AbortFlag = 0;
  }
  void TearDown() override {
    cleaning::SetModalHook(nullptr);
    ui::SetDialogHook(nullptr);
  }
  // The texts of every box so far, for failure messages.
  std::string BoxTexts() const {
    std::string s;
    for (const MessageBoxRequest& r : boxes.boxes) s += "[" + r.text + "] ";
    return s;
  }
  const MessageBoxRequest* LastBox() const { return boxes.boxes.empty() ? nullptr : &boxes.boxes.back(); }

  qz::test::GlobalsGuard globals;
  qz::test::ScratchKey key;
  qz::test::MessageBoxRecorder boxes;
  qz::test::TestPumpClock clock{true};
};

}  // namespace qz::ft::test
