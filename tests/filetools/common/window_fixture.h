// Shared set-up of the file tools' window tests: the module window tests'
// set-up (support/module_window_test.h), the dialogs answered by the test,
// and a pump clock the test moves.
#pragma once

#include <string>

#include "support/module_window_test.h"
#include "support/pump_clock.h"
#include "ui/dialogs.h"

namespace qz::ft::test {

class WindowTest : public qz::test::ModuleWindowTest {
 protected:
  explicit WindowTest(const std::string& keyName) : ModuleWindowTest(keyName) {}
  void TearDown() override {
    ModuleWindowTest::TearDown();
    ui::SetDialogHook(nullptr);
  }
  const MessageBoxRequest* LastBox() const { return boxes.boxes.empty() ? nullptr : &boxes.boxes.back(); }

  qz::test::TestPumpClock clock{true};
};

}  // namespace qz::ft::test
