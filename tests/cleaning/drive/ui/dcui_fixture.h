// Shared set-up of the Drive Cleaner window tests: the module window tests'
// set-up (support/module_window_test.h), a scratch program folder with small
// exception lists, and a folder D:\qzdcui\ whose "win" and "users\u\Temp"
// serve as the Windows and user temporary folders of the search. The stored
// options search drive D: only, with one file-type group "*.QZUI", so a
// search finds this program's files and nothing of the tests running beside
// it.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cleaning/drive/dc_fixture.h"
#include "cleaning/drive/dc_form.h"
#include "cleaning/drive/dc_options.h"
#include "cleaning/drive/dc_result.h"
#include "cleaning/frame/module_window.h"
#include "core/disk.h"
#include "core/globals.h"
#include "core/registry.h"
#include "core/text.h"
#include "support/module_window_test.h"
#include "support/sandbox.h"
#include "ui/ui.h"
#include "ui/stdctrls.h"
#include "ui/vtree_view.h"

namespace qz::dc::uitest {

using qz::test::kInstalledProgram;

// Pumps until `done` holds or the time is up; returns done().
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return false;
    ui::App().ProcessMessages();
    Sleep(5);
  }
  return true;
}

// Paths the host-side check (fixtures.sh) must find in the sandbox's trash.
inline void ExpectInTrash(const std::string& windowsPath) {
  CreateDirectoryW(L"C:\\qztests", nullptr);
  std::ofstream out("C:\\qztests\\expect-trash-dcui.txt", std::ios::app | std::ios::binary);
  out << windowsPath << "\n";
}

class DcUiTest : public qz::test::ModuleWindowTest {
 protected:
  DcUiTest() : ModuleWindowTest("dcui") {}
  void SetUp() override {
    ModuleWindowTest::SetUp();
    AppDir = ExcludeTrailingBackslash(app.path());
    app.Write("DC-Folders.txt", "D:\\qzdcui-listed\\\r\n");
    app.Write("DC-Files.txt", "listed-name.qzui\r\n");
    optionsKey = StoreDriveChoice("DC", false, true);
    const std::string g = optionsKey + "\\Mask\\FileTyp0";
    RegSetIntegerChecked(HKEY_LOCAL_MACHINE, g, "Checked", 1);
    RegSetStringChecked(HKEY_LOCAL_MACHINE, g, "Name", "UI test files");
    RegSetIntegerChecked(HKEY_LOCAL_MACHINE, g, "ImageIndex", 0);
    RegSetStringChecked(HKEY_LOCAL_MACHINE, g, "Wildcards", "*.QZUI;");
  }

  // The window as the launch table makes it, searching the test folders.
  std::unique_ptr<TForm_DC> MakeWindow() {
    std::unique_ptr<TForm_DC> w(static_cast<TForm_DC*>(CreateDriveCleanerWindow(nullptr)));
    w->Engine().Environment = qz::dc::test::TestEnvironment(base.path());
    return w;
  }

  // Paths upper-cased and sorted (the temporary-folder pass reports its
  // folders in upper case).
  static std::vector<std::string> Upper(std::vector<std::string> v) {
    for (std::string& s : v) s = UpperLocale(s);
    std::sort(v.begin(), v.end());
    return v;
  }
  // Entries of the result tree below the test folder ("Folder\Name", upper
  // case, sorted).
  std::vector<std::string> Entries(TForm_DC& w) {
    return Upper(qz::dc::test::EntryPaths(w.Result()->Model(), base.path()));
  }
  ui::VNode* FindEntry(TForm_DC& w, const std::string& name) {
    ui::VTreeModel& t = w.Result()->Model();
    for (ui::VNode* n = t.GetFirst(); n; n = t.GetNext(n)) {
      const DriveScanNode& d = t.Data<DriveScanNode>(n);
      if (!d.IsCategory && IEquals(d.FileName, name)) return n;
    }
    return nullptr;
  }
  qz::test::ScratchDir app{"dcui-app"};
  qz::dc::test::DriveDir base{"qzdcui"};
  std::string optionsKey;
};

}  // namespace qz::dc::uitest
