// Shared set-up of the Internet Cleaner window tests: the module window tests'
// set-up (support/module_window_test.h), a scripted URL cache, a scratch
// place for the other browsers (registry below a scratch key, application
// data on D:\qzicui\) and a scripted History folder. The windows are made
// hidden.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "cleaning/drive/dc_fixture.h"
#include "cleaning/frame/module_window.h"
#include "cleaning/frame/wizard_states.h"
#include "cleaning/internet/fake_url_cache.h"
#include "cleaning/internet/ic_fixture.h"
#include "cleaning/internet/ic_form.h"
#include "cleaning/internet/ic_options.h"
#include "cleaning/internet/ic_result.h"
#include "core/globals.h"
#include "core/registry.h"
#include "core/text.h"
#include "support/module_window_test.h"
#include "support/sandbox.h"
#include "ui/stdctrls.h"
#include "ui/ui.h"
#include "ui/vtree_view.h"

namespace qz::ic::uitest {

using test::Content;
using test::Cookie;
using test::FakeEntry;
using test::FakeUrlCache;
using test::Visit;

// A History folder that lists what the test gives and records the delete.
class ScriptedHistory : public HistoryNamespace {
 public:
  std::vector<HistoryItem> items;
  HRESULT deleteResult = S_OK;
  int deleteCalls = 0;
  HRESULT Open(HistoryRoot& root) override {
    root = {true, "C:\\qzicui-history"};
    return S_OK;
  }
  HRESULT ListItems(std::vector<HistoryItem>& out) override {
    out = items;
    return S_OK;
  }
  HRESULT IsEmptyFolder(const HistoryItem&, bool& empty) override {
    empty = false;
    return S_OK;
  }
  HRESULT DeleteItems(const std::vector<HistoryItem>&) override {
    ++deleteCalls;
    return deleteResult;
  }
};

class IcUiTest : public qz::test::ModuleWindowTest {
 protected:
  IcUiTest() : ModuleWindowTest("icui") {}
  void SetUp() override {
    ModuleWindowTest::SetUp();
    cache.entries = {Content(L"http://site.test/a.html", 1000, L"C:\\qzicui\\a.htm"),
                     Content(L"http://site.test/b.html", 2000, L"C:\\qzicui\\b.htm"),
                     Cookie(L"ads.test/"),
                     Cookie(L"other.test/"),
                     Visit(L"http://site.test/one")};
  }
  BrowserEnvironment Environment() { return test::ScratchEnvironment(browsers, appData.path()); }

  // The window as the launch table makes it, with the scripted cache and History folder.
  std::unique_ptr<TForm_ZAMO2_IC> MakeWindow() {
    std::unique_ptr<TForm_ZAMO2_IC> w(new TForm_ZAMO2_IC(nullptr, Environment(), &cache));
    w->HistoryFolder = [this] {
      auto h = std::make_unique<ScriptedHistory>();
      h->items = historyItems;
      h->deleteResult = historyResult;
      ++historyOpened;
      return std::unique_ptr<HistoryNamespace>(std::move(h));
    };
    w->Places = {"C:\\qzicui-history", "C:\\users\\u", "C:\\users\\u\\Desktop"};
    w->DoCreate();
    return w;
  }

  // A Firefox the browser discovery finds, with the given profiles.ini.
  void InstallFirefox(const std::string& profilesIni) {
    const std::string bin = browsers / "Software\\Mozilla\\Mozilla Firefox 3.6\\bin";
    const std::string exe = appData.Write("firefox.exe", "MZ");
    RegSetStringChecked(browsers.root(), bin, "PathToExe", exe);
    appData.Write("Mozilla\\Firefox\\profiles.ini", profilesIni);
  }

  std::string IcKey() const { return OptionsKey("IC"); }

  ui::VNode* Find(TForm_ZAMO2_IC& w, const std::string& text) { return test::FindEntry(w.Result()->Model(), text); }

  qz::test::ScratchKey browsers{"icui-browsers"};
  dc::test::DriveDir appData{"qzicui"};
  FakeUrlCache cache;
  std::vector<HistoryItem> historyItems;
  HRESULT historyResult = S_OK;
  int historyOpened = 0;
};

}  // namespace qz::ic::uitest
