// Reading the twelve sources into the tree: order, titles, check states,
// both registry views, win.ini sections, links and their icons.
#include "st_fixture.h"

namespace qz::st::test {
namespace {

using ListingTest = StartupTest;

TEST_F(ListingTest, CategoriesInOrderWithTitlesAndEmptyOnesHiddenUnlessAsked) {
  Engine().BuildAutostartTree(tree, false);
  std::vector<std::string> titles;
  for (ui::VNode* n = tree.GetFirst(); n; n = tree.GetNextSibling(n)) {
    titles.push_back(tree.Data<AutostartEntry>(n).DisplayName);
    EXPECT_EQ(tree.GetCheckType(n), ui::CheckType::None);
  }
  const std::vector<std::string> expected = {
      "Startmenü - Alle Benutzer",
      "Startmenü - aktueller Benutzer",
      "Registrierdatenbank - Alle Benutzer, Sektion \"Run\"",
      "Registrierdatenbank - Alle Benutzer, Sektion \"RunOnce\"",
      "Registrierdatenbank - Alle Benutzer, Sektion \"RunServices\"",
      "Registrierdatenbank - Alle Benutzer, Sektion \"RunServicesOnce\"",
      "Registrierdatenbank - Aktueller Benutzer, Sektion \"Run\"",
      "Registrierdatenbank - Aktueller Benutzer, Sektion \"RunOnce\"",
      "Registrierdatenbank - Aktueller Benutzer, Sektion \"RunServices\"",
      "Registrierdatenbank - Aktueller Benutzer, Sektion \"RunServicesOnce\"",
      "Win.ini , Sektion \"RUN\"",
      "Win.ini , Sektion \"LOAD\"",
  };
  EXPECT_EQ(titles, expected);

  // Titles come from the language file by their keys (key 10 as it is spelt).
  std::vector<std::string> keys;
  Engine().BuildAutostartTree(tree, false, [&](const std::string& key, const std::string&) {
    keys.push_back(key);
    return key;
  });
  EXPECT_EQ(keys[10], "MESSAGE_Autorun_Registry_CURRENT_SERVICESONCE");
  EXPECT_EQ(tree.Data<AutostartEntry>(tree.GetFirst()).DisplayName, "MESSAGE_Autorun_Startmenu_ALL");

  // With nothing planted every category is empty: hidden ones go.
  Engine().BuildAutostartTree(tree, true);
  EXPECT_EQ(tree.RootNodeCount(), 0u);
  Plant(HKEY_CURRENT_USER, user / "Run\\not active", "Sleeper", Sz("C:\\x\\sleep.exe"));
  Engine().BuildAutostartTree(tree, true);
  ASSERT_EQ(tree.RootNodeCount(), 1u);
  ui::VNode* cat = tree.GetFirst();
  EXPECT_EQ(tree.Data<AutostartEntry>(cat).Source, 7);
  EXPECT_TRUE(tree.Expanded(cat));
  EXPECT_EQ(Rows(tree), std::vector<std::string>{"7|Sleeper|C:\\x\\sleep.exe|off"});
}

TEST_F(ListingTest, ActivePlacesCheckedThenInactiveOnesUncheckedForEverySource) {
  Plant(HKEY_LOCAL_MACHINE, machine / "RunOnce", "Once", Sz("once.exe"));
  Plant(HKEY_LOCAL_MACHINE, machine / "RunOnce\\not active", "Off", Sz("off.exe"));
  Plant(HKEY_CURRENT_USER, user / "RunServices", "Svc", Sz("svc.exe"));
  WriteWinIni("[windows]\r\nrun=notlisted.exe\r\n[run]\r\nTray=tray.exe\r\n[load-not active]\r\nOld=old.exe\r\n");
  PlantLink(places.CommonStartup, "Common.lnk");
  PlantLink(places.NotActive2, "Parked.lnk");
  PlantLink(places.UserStartup, "My.Tool.lnk");
  PlantLink(places.UserStartup + "\\not active1", "UserOff.lnk");
  dir.Write("user\\readme.txt", "not a link");

  Engine().BuildAutostartTree(tree, true);
  const std::string cmd = "C:\\windows\\notepad.exe /a \"b c\"";
  EXPECT_EQ(Rows(tree), (std::vector<std::string>{
                            "1|Common|" + cmd + "|on",
                            "1|Parked|" + cmd + "|off",
                            "2|My|" + cmd + "|on",  // the link's name up to its first dot
                            "2|UserOff|" + cmd + "|off",
                            "4|Once|once.exe|on",
                            "4|Off|off.exe|off",
                            "9|Svc|svc.exe|on",
                            "11|Tray|tray.exe|on",
                            "12|Old|old.exe|off",
                        }));
  ui::VNode* parked = Find(tree, "Parked");
  EXPECT_EQ(tree.Data<AutostartEntry>(parked).LinkKind, 0);
  EXPECT_EQ(tree.Data<AutostartEntry>(Find(tree, "Common")).LinkKind, 1);
  EXPECT_EQ(tree.Data<AutostartEntry>(Find(tree, "My")).LinkKind, 2);
  EXPECT_EQ(tree.Data<AutostartEntry>(Find(tree, "Off")).KeyPath, machine / "RunOnce\\not active");
  EXPECT_EQ(tree.Data<AutostartEntry>(Find(tree, "Old")).IniSection, "load-not active");
  EXPECT_EQ(KindOf(tree.Data<AutostartEntry>(Find(tree, "Tray"))), EntryKind::WinIni);
}

TEST_F(ListingTest, BothRegistryViewsEachOnceWithTheMarkerAndTheirStoredPath) {
  Plant(HKEY_LOCAL_MACHINE, machine / "Run", "Native", Sz("native.exe"));
  Plant(HKEY_LOCAL_MACHINE, machine32 + "\\Run", "Legacy", Sz("legacy.exe"));
  Plant(HKEY_LOCAL_MACHINE, machine32 + "\\Run\\not active", "Legacy off", Sz("legacy-off.exe"));
  Plant(HKEY_CURRENT_USER, user / "Run", "Mine", Sz("mine.exe"));
  Engine().BuildAutostartTree(tree, true, [](const std::string& key, const std::string& german) {
    return key == "MESSAGE_Autorun_32Bit" ? std::string("(32 bit)") : german;
  });
  EXPECT_EQ(Rows(tree), (std::vector<std::string>{
                            "3|Native|native.exe|on",
                            "3|Legacy (32 bit)|legacy.exe|on",
                            "3|Legacy off (32 bit)|legacy-off.exe|off",
                            "7|Mine|mine.exe|on",  // HKCU is one key for both views: once
                        }));
  const AutostartEntry& legacy = tree.Data<AutostartEntry>(Find(tree, "Legacy (32 bit)"));
  EXPECT_TRUE(legacy.Wow32);
  EXPECT_EQ(legacy.Name, "Legacy");
  EXPECT_EQ(legacy.ValueName, "Legacy");
  EXPECT_TRUE(IEquals(legacy.KeyPath, machine32 + "\\Run")) << legacy.KeyPath;
  EXPECT_FALSE(tree.Data<AutostartEntry>(Find(tree, "Mine")).Wow32);
  // Each key was read with one listing.
  EXPECT_EQ(store.calls["ReadValue"], 0);
}

TEST_F(ListingTest, ValuesOfEveryKindShowAsTextAndWinIniKeysRaw) {
  Plant(HKEY_CURRENT_USER, user / "Run", "Expand", Sz("%windir%\\x.exe", REG_EXPAND_SZ));
  Plant(HKEY_CURRENT_USER, user / "Run", "Number", RegRawValue{REG_DWORD, {42, 0, 0, 0}});
  RegRawValue multi = Sz("a.exe");
  multi.type = REG_MULTI_SZ;
  RegRawValue second = Sz("/b");
  multi.data.insert(multi.data.end(), second.data.begin(), second.data.end());
  multi.data.push_back(0);
  multi.data.push_back(0);
  Plant(HKEY_CURRENT_USER, user / "Run", "Multi", multi);
  WriteWinIni("[run]\r\nQuoted=\"C:\\Program Files\\q.exe\" /min\r\nTool=one.exe\r\ntool=two.exe\r\n");
  Engine().BuildAutostartTree(tree, true);
  EXPECT_EQ(Rows(tree), (std::vector<std::string>{
                            // the registry's order (Wine keeps values sorted by name)
                            "7|Expand|%windir%\\x.exe|on",
                            "7|Multi|a.exe /b|on",
                            "7|Number|42|on",
                            "11|Quoted|\"C:\\Program Files\\q.exe\" /min|on",
                            "11|Tool|one.exe|on",
                            "11|tool|two.exe|on",
                        }));
  // A key twice in one section (case ignored) is marked: it will not be changed.
  EXPECT_TRUE(tree.Data<AutostartEntry>(Find(tree, "Tool")).DuplicateKey);
  EXPECT_TRUE(tree.Data<AutostartEntry>(Find(tree, "tool")).DuplicateKey);
  EXPECT_FALSE(tree.Data<AutostartEntry>(Find(tree, "Quoted")).DuplicateKey);
}

TEST_F(ListingTest, MissingPlacesGiveNoEntriesAndUnknownStartupFoldersAreSkipped) {
  places.WinIni = dir / "no-such.ini";
  places.MachineKey = machine / "absent";
  places.CommonStartup.clear();
  places.UserStartup = dir / "no-such-folder";
  PlantLink(places.NotActive1, "Parked.lnk");  // category 1 is not read without its folder
  Engine().BuildAutostartTree(tree, false);
  EXPECT_EQ(tree.RootNodeCount(), 12u);
  EXPECT_TRUE(Rows(tree).empty());
}

TEST_F(ListingTest, UnreadableLinkAfterAGoodOneHasAnEmptyCommandAndHiddenLinksAreListed) {
  PlantLink(places.UserStartup, "A good.lnk", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
  dir.Write("user\\B broken.lnk", "this is no shell link");
  Engine().BuildAutostartTree(tree, true);
  const std::string cmd = "C:\\windows\\notepad.exe /a \"b c\"";
  EXPECT_EQ(Rows(tree), (std::vector<std::string>{"2|A good|" + cmd + "|on", "2|B broken||on"}));
}

TEST_F(ListingTest, IconsOncePerSourceForQuotedProgramsAndFreedAtEveryRebuild) {
  const std::string notepad = "C:\\windows\\notepad.exe";
  Plant(HKEY_CURRENT_USER, user / "Run", "Quoted", Sz("\"" + notepad + "\""));
  Plant(HKEY_CURRENT_USER, user / "Run", "Plain", Sz(UpperAscii(notepad)));
  Plant(HKEY_CURRENT_USER, user / "Run", "WithArgs", Sz(notepad + " /x"));
  Plant(HKEY_CURRENT_USER, user / "Run", "Missing", Sz("C:\\nothing\\here.exe"));
  PlantLink(places.UserStartup, "Link.lnk");  // target notepad: the same source again

  Engine().BuildAutostartTree(tree, true);
  auto icon = [&](const std::string& d) { return tree.Data<AutostartEntry>(Find(tree, d)).Icon; };
  EXPECT_NE(icon("Quoted"), nullptr);
  EXPECT_EQ(icon("Plain"), icon("Quoted"));
  EXPECT_EQ(icon("Link"), icon("Quoted"));
  EXPECT_EQ(icon("WithArgs"), nullptr);  // the category picture is drawn instead
  EXPECT_EQ(icon("Missing"), nullptr);
  // notepad once, "notepad /x" once, the missing file once.
  EXPECT_EQ(store.calls["ExtractFileIcon"], 3);
  EXPECT_EQ(Engine().LiveIcons(), 1u);

  Engine().BuildAutostartTree(tree, true);
  EXPECT_EQ(store.calls["ExtractFileIcon"], 6);
  EXPECT_EQ(Engine().LiveIcons(), 1u);  // the first build's icon was destroyed
  Engine().FreeIcons();
  EXPECT_EQ(Engine().LiveIcons(), 0u);
}

TEST(StartupHelpers, DisplayNamesIconSourcesAndUndoNames) {
  EXPECT_EQ(LinkDisplayName("C:\\a.b\\My.Tool.lnk"), "My");
  EXPECT_EQ(LinkDisplayName("C:\\x\\Plain"), "Plain");
  EXPECT_EQ(IconSourceOf("\"C:\\a b\\x.exe\""), "C:\\a b\\x.exe");
  EXPECT_EQ(IconSourceOf("\"C:\\a b\\x.exe\" /y"), "C:\\a b\\x.exe\" /y");
  EXPECT_EQ(IconSourceOf("x.exe /y\""), "x.exe /y");
  EXPECT_EQ(CleanUndoName("a:b*c/d\\e?f<g>h|i\"j\tk"), "a_b_c_d_e_f_g_h_i_j_k");
  EXPECT_EQ(CleanUndoName(std::string(150, 'x')).size(), 100u);
  EXPECT_EQ(CleanUndoName(std::string(99, 'x') + "\xC3\xBC\xC3\xBC"), std::string(99, 'x') + "\xC3\xBC");
}

}  // namespace
}  // namespace qz::st::test
