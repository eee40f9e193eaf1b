// Shared set-up of the Registry Cleaner window tests: a scratch settings key
// (ProductRegKey points at it) whose stored choice tests drive C only, a
// scratch program folder (the backups go below it), the installed skin, no
// language file, every message box answered by a recorder, and a private
// hive (tests/cleaning/registry) that the window's engine reads instead of
// the real registry.
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
#include "support/sandbox.h"
#include "ui/ui.h"
#include "ui/listview.h"
#include "ui/stdctrls.h"
#include "ui/vtree_view.h"

namespace qz::rc::uitest {

inline const char* const kInstalledProgram =
    "C:\\Program Files\\Brinvale\\Brinvale Sysvantor Quenzal Suite 2";

class RcUiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AppDir = ExcludeTrailingBackslash(app.path());
    ProductRegKey = key.key();
    SkinDir = std::string(kInstalledProgram) + "\\Skins\\default";
    TranslationFile.clear();
    TranslationList.clear();
    OcoRunning = 0;
    AbortFlag = 0;
    optionsKey = OptionsKey("RC");
    RegSetStringChecked(HKEY_LOCAL_MACHINE, optionsKey, "C", "1");
    RegSetStringChecked(HKEY_LOCAL_MACHINE, optionsKey, "D", "0");
  }

  void TearDown() override { cleaning::SetModalHook(nullptr); }

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

  std::string BoxTexts() const { return boxes.Texts(); }

  qz::test::GlobalsGuard globals;  // every program-wide value back afterwards
  qz::test::ScratchKey key{"rcui", HKEY_LOCAL_MACHINE};
  qz::test::ScratchDir app{"rcui-app"};
  test::Hive hive{"rcui"};
  qz::test::MessageBoxRecorder boxes;
  std::string optionsKey;
};

}  // namespace qz::rc::uitest
