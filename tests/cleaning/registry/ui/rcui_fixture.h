// Shared set-up of the Registry Cleaner window tests: the module window tests'
// set-up (support/module_window_test.h) with settings whose stored choice
// tests drive C only, a scratch program folder (the backups go below it), and
// a private hive (tests/cleaning/registry) that the window's engine reads
// instead of the real registry.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "cleaning/frame/module_window.h"
#include "cleaning/registry/rc_fixture.h"
#include "cleaning/registry/rc_form.h"
#include "cleaning/registry/rc_options.h"
#include "cleaning/registry/rc_result.h"
#include "core/disk.h"
#include "core/globals.h"
#include "core/registry.h"
#include "core/text.h"
#include "support/module_window_test.h"
#include "support/sandbox.h"
#include "ui/ui.h"
#include "ui/listview.h"
#include "ui/stdctrls.h"
#include "ui/vtree_view.h"

namespace qz::rc::uitest {

using qz::test::kInstalledProgram;

class RcUiTest : public qz::test::ModuleWindowTest {
 protected:
  RcUiTest() : ModuleWindowTest("rcui") {}
  void SetUp() override {
    ModuleWindowTest::SetUp();
    AppDir = ExcludeTrailingBackslash(app.path());
    optionsKey = StoreDriveChoice("RC", true, false);
  }

  // Two help files, a shared DLL and a list of two entries: 5 found.
  void PlantOrphans() {
    hive.Put("Help", "a.hlp", hive.Path("gone"));
    hive.Put("Help", "b.hlp", hive.Path("gone"));
    hive.Put("SharedDLLs", hive.Path("gone\\s.dll"), "1");
    hive.Put("MRU11", "a", "cmd");
    hive.Put("MRU11", "MRUList", "a");
  }

  // The window as the launch table makes it, reading the private hive.
  std::unique_ptr<TForm_RC> MakeWindow() {
    std::unique_ptr<TForm_RC> w(static_cast<TForm_RC*>(CreateRegistryCleanerWindow(nullptr)));
    w->Engine().Scan.UseLocations(hive.Locations());
    return w;
  }

  qz::test::ScratchDir app{"rcui-app"};
  test::Hive hive{"rcui"};
  std::string optionsKey;
};

}  // namespace qz::rc::uitest
