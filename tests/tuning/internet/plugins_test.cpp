// The browser plug-in list over scratch keys: both registry views, each class
// id looked up in its own view, unregistered classes, a missing list key, and
// the removal of exactly one sub-key of one view.
#include <gtest/gtest.h>

#include "core/registry.h"
#include "support/sandbox.h"
#include "tuning/internet/it_fixture.h"
#include "tuning/internet/plugins.h"

namespace qz::it::test {
namespace {

constexpr const char* kA = "{11111111-AAAA-4000-8000-000000000001}";
constexpr const char* kB = "{22222222-BBBB-4000-8000-000000000002}";

class PlugInList : public ::testing::Test {
 protected:
  PlugInList() : name(TestName("it-plug-")), classes(name) {
    places.listRoot = HKEY_LOCAL_MACHINE;
    places.listKey = "Software\\QZTests\\" + name + "\\BHO";
    places.classesRoot = HKEY_CURRENT_USER;
    places.classesKey = classes.key();
    RegRemoveKey(HKEY_LOCAL_MACHINE, "Software\\QZTests\\" + name);
    RegRemoveKey(HKEY_LOCAL_MACHINE, Wow32("Software\\QZTests\\" + name));
  }
  ~PlugInList() override {
    RegRemoveKey(HKEY_LOCAL_MACHINE, "Software\\QZTests\\" + name);
    RegRemoveKey(HKEY_LOCAL_MACHINE, Wow32("Software\\QZTests\\" + name));
  }
  static std::string Wow32(const std::string& softwarePath) {
    return "Software\\Wow6432Node\\" + softwarePath.substr(std::string("Software\\").size());
  }
  void Plant(bool wow32, const std::string& clsid) {
    const std::string list = wow32 ? Wow32(places.listKey) : places.listKey;
    ASSERT_TRUE(RegSetIntegerChecked(HKEY_LOCAL_MACHINE, list + "\\" + clsid, "NoExplorer", 1));
  }
  void Register(bool wow32, const std::string& clsid, const std::string& title, const std::string& dll) {
    const std::string key = classes.key() + (wow32 ? "\\Wow6432Node\\CLSID\\" : "\\CLSID\\") + clsid;
    ASSERT_TRUE(RegSetStringChecked(HKEY_CURRENT_USER, key, "", title));
    ASSERT_TRUE(RegSetStringChecked(HKEY_CURRENT_USER, key + "\\InProcServer32", "", dll));
  }

  std::string name;
  qz::test::ScratchKey classes;
  PlugInPlaces places;
};

TEST_F(PlugInList, BothViewsEachWithItsOwnClasses) {
  EXPECT_TRUE(ListBrowserPlugIns(places).empty());  // no list key at all

  Plant(false, kA);
  Plant(true, kA);
  Plant(true, kB);
  Register(false, kA, "Native Bar", "C:\\native\\bar.dll");
  Register(true, kA, "Old Bar (x86)", "C:\\x86\\bar.dll");
  // kB has no class registration.
  const std::vector<BrowserPlugIn> list = ListBrowserPlugIns(places);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].Clsid, kA);
  EXPECT_EQ(list[0].Name, "Native Bar");
  EXPECT_EQ(list[0].Dll, "C:\\native\\bar.dll");
  EXPECT_FALSE(list[0].List.wow32);
  for (int i : {1, 2}) EXPECT_TRUE(list[i].List.wow32);
  const BrowserPlugIn& x86 = list[1].Clsid == kA ? list[1] : list[2];
  const BrowserPlugIn& unregistered = list[1].Clsid == kA ? list[2] : list[1];
  EXPECT_EQ(x86.Name, "Old Bar (x86)");
  EXPECT_EQ(x86.Dll, "C:\\x86\\bar.dll");
  EXPECT_EQ(unregistered.Clsid, kB);
  EXPECT_EQ(unregistered.Name, "");
  EXPECT_EQ(unregistered.Dll, "");
  EXPECT_EQ(PlugInClassKey(PlugInPlaces{}, x86.List, kA), std::string("Wow6432Node\\CLSID\\") + kA);
  EXPECT_EQ(PlugInClassKey(PlugInPlaces{}, list[0].List, kA), std::string("CLSID\\") + kA);
}

TEST_F(PlugInList, RemovalTakesOnlyThatSubKeyOfThatView) {
  Plant(false, kA);
  Plant(true, kA);
  Register(true, kA, "Old Bar (x86)", "C:\\x86\\bar.dll");
  std::vector<BrowserPlugIn> list = ListBrowserPlugIns(places);
  ASSERT_EQ(list.size(), 2u);
  ASSERT_TRUE(list[1].List.wow32);

  // A removal that does not happen is no success.
  EXPECT_FALSE(RemoveBrowserPlugIn(list[1], [](HKEY, const std::string&) { return false; }));
  EXPECT_TRUE(RegHasKey(HKEY_LOCAL_MACHINE, Wow32(places.listKey) + "\\" + kA));

  EXPECT_TRUE(RemoveBrowserPlugIn(list[1]));
  EXPECT_FALSE(RegHasKey(HKEY_LOCAL_MACHINE, Wow32(places.listKey) + "\\" + kA));
  EXPECT_TRUE(RegHasKey(HKEY_LOCAL_MACHINE, Wow32(places.listKey)));
  EXPECT_TRUE(RegHasKey(HKEY_LOCAL_MACHINE, places.listKey + "\\" + kA));
  EXPECT_TRUE(RegHasKey(HKEY_CURRENT_USER, classes.key() + "\\Wow6432Node\\CLSID\\" + kA));  // class stays

  // A name that would name the list key itself, or a key below another, is refused.
  for (const char* bad : {"", "\\", "x\\..", "{A}\\sub"}) {
    SCOPED_TRACE(bad);
    BrowserPlugIn p = list[0];
    p.Clsid = bad;
    bool called = false;
    EXPECT_FALSE(RemoveBrowserPlugIn(p, [&](HKEY, const std::string&) { return called = true; }));
    EXPECT_FALSE(called);
  }
  EXPECT_TRUE(RegHasKey(HKEY_LOCAL_MACHINE, places.listKey + "\\" + kA));
}

}  // namespace
}  // namespace qz::it::test
