// Shared set-up of the DLL Cleaner window tests: the module window tests'
// set-up (support/module_window_test.h) with settings that choose drive D:
// only, a scratch program folder with small exception lists, and a tree
// D:\qztests\dll-ui whose "win" folder serves as the Windows folders of the
// search.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cleaning/dll/dll_fixture.h"
#include "cleaning/dll/dll_form.h"
#include "cleaning/dll/dll_options.h"
#include "cleaning/dll/dll_result.h"
#include "cleaning/frame/module_window.h"
#include "core/disk.h"
#include "core/globals.h"
#include "core/pump.h"
#include "core/registry.h"
#include "core/text.h"
#include "support/module_window_test.h"
#include "support/sandbox.h"
#include "ui/ui.h"

namespace qz::dll::uitest {

class DllUiTest : public qz::test::ModuleWindowTest {
 protected:
  DllUiTest() : ModuleWindowTest("dllui") {}
  void SetUp() override {
    ModuleWindowTest::SetUp();
    AppDir = ExcludeTrailingBackslash(app.path());
    app.Write("DLL-Folders.txt", "D:\\qzdllui-listed\\\r\n");
    app.Write("DLL-Files.txt", "LISTED.DLL\r\n");
    optionsKey = StoreDriveChoice("DLL", false, true);
  }

  void TearDown() override {
    ModuleWindowTest::TearDown();
    SetMessagePump(nullptr);
  }

  // The window as the launch table makes it, with the tree's Windows folders.
  std::unique_ptr<TForm_DLL> MakeWindow() {
    std::unique_ptr<TForm_DLL> w(static_cast<TForm_DLL*>(CreateDllCleanerWindow(nullptr)));
    w->Engine().Folders = tree.Folders();
    return w;
  }

  // The result rows below the tree as "NAME" (headers) and "rel-folder reason"
  // (copies), in list order.
  std::vector<std::string> Rows(TForm_DLL& w) {
    std::vector<std::string> out;
    const std::string base = UpperLocale(tree.path());
    ui::VTreeModel& t = w.Result()->Model();
    for (ui::VNode* n = t.GetFirst(); n; n = t.GetNextSibling(n)) {
      const DllNode& d = t.Data<DllNode>(n);
      if (d.IsGroup) {
        out.push_back(d.Name);
      } else {
        std::string f = d.Folder + "\\";
        if (f.compare(0, base.size(), base) == 0) f = f.substr(base.size());
        out.push_back(f + " " + std::to_string(d.Reason));
      }
    }
    return out;
  }
  ui::VNode* Row(TForm_DLL& w, const std::string& folderPart) {
    ui::VTreeModel& t = w.Result()->Model();
    for (ui::VNode* n = t.GetFirst(); n; n = t.GetNextSibling(n)) {
      const DllNode& d = t.Data<DllNode>(n);
      if (!d.IsGroup && d.Folder.find(UpperLocale(folderPart)) != std::string::npos) return n;
    }
    return nullptr;
  }

  qz::test::ScratchDir app{"dllui-app"};
  qz::dll::test::DllTree tree{"ui"};
  std::string optionsKey;
};

}  // namespace qz::dll::uitest
