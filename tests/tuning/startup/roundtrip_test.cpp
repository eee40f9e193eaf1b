// Disable, then enable, from every place: the entry comes back to the same
// place with the same name, type and bytes, and lies in exactly one place at
// any time.
#include <map>

#include "core/ini.h"
#include "st_fixture.h"

namespace qz::st::test {
namespace {

using RoundTripTest = StartupTest;

std::vector<RegRawValue> Samples() {
  RegRawValue multi = Sz("a.exe");
  multi.type = REG_MULTI_SZ;
  multi.data.insert(multi.data.end(), {'/', 0, 'b', 0, 0, 0, 0, 0});
  return {
      Sz("\"C:\\Program Files\\tool.exe\" /tray"),
      Sz("%ProgramFiles%\\tool.exe", REG_EXPAND_SZ),
      multi,
      RegRawValue{REG_BINARY, {0x43, 0x3A, 0x00, 0xFF, 0x01}},
      RegRawValue{REG_DWORD, {0x0A, 0x00, 0x00, 0x00}},
  };
}

TEST_F(RoundTripTest, RegistryValuesOfEveryKindInEveryKeyAndView) {
  struct Place {
    HKEY root;
    std::string key;
  };
  std::vector<Place> placesToTry;
  for (const char* sub : {"Run", "RunOnce", "RunServices", "RunServicesOnce"}) {
    placesToTry.push_back({HKEY_LOCAL_MACHINE, machine / sub});
    placesToTry.push_back({HKEY_LOCAL_MACHINE, machine32 + "\\" + sub});
    placesToTry.push_back({HKEY_CURRENT_USER, user / sub});
  }
  const std::vector<RegRawValue> samples = Samples();
  for (const Place& p : placesToTry)
    for (size_t i = 0; i < samples.size(); ++i) Plant(p.root, p.key, "Value " + std::to_string(i), samples[i]);

  Engine().BuildAutostartTree(tree, true);
  int moved = 0;
  for (ui::VNode* n = tree.GetFirst(); n; n = tree.GetNext(n)) {
    AutostartEntry& e = tree.Data<AutostartEntry>(n);
    if (e.IsCategoryNode) continue;
    const std::string home = e.KeyPath;
    const RegRawValue before = *RegReadRaw(e.RootKey, home, e.ValueName);
    SCOPED_TRACE(home + " " + e.ValueName);

    ASSERT_EQ(Engine().Disable(e), MoveResult::Moved);
    EXPECT_EQ(e.KeyPath, home + "\\not active");
    EXPECT_FALSE(RegHasValue(e.RootKey, home, e.ValueName));
    std::optional<RegRawValue> parked = RegReadRaw(e.RootKey, e.KeyPath, e.ValueName);
    ASSERT_TRUE(parked);
    EXPECT_EQ(parked->type, before.type);
    EXPECT_EQ(parked->data, before.data);

    ASSERT_EQ(Engine().Enable(e), MoveResult::Moved);
    EXPECT_EQ(e.KeyPath, home);
    EXPECT_FALSE(RegHasValue(e.RootKey, home + "\\not active", e.ValueName));
    std::optional<RegRawValue> back = RegReadRaw(e.RootKey, home, e.ValueName);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->type, before.type);
    EXPECT_EQ(back->data, before.data);
    ++moved;
  }
  EXPECT_EQ(moved, 12 * 5);
}

TEST_F(RoundTripTest, ThirtyTwoBitEntryNeverReachesTheNativeView) {
  Plant(HKEY_LOCAL_MACHINE, machine32 + "\\Run", "Legacy", Sz("legacy.exe"));
  AutostartEntry e = Built("Legacy (32-Bit)");
  ASSERT_EQ(Engine().Disable(e), MoveResult::Moved);
  EXPECT_TRUE(RegHasValue(HKEY_LOCAL_MACHINE, machine32 + "\\Run\\not active", "Legacy"));
  EXPECT_FALSE(RegHasKey(HKEY_LOCAL_MACHINE, machine / "Run\\not active"));
  EXPECT_FALSE(RegHasValue(HKEY_LOCAL_MACHINE, machine / "Run", "Legacy"));
  // Listed again after a rebuild: still the 32-bit entry, unchecked.
  Engine().BuildAutostartTree(tree, true);
  EXPECT_EQ(Rows(tree), std::vector<std::string>{"3|Legacy (32-Bit)|legacy.exe|off"});
  ASSERT_EQ(Engine().Enable(e), MoveResult::Moved);
  EXPECT_TRUE(RegHasValue(HKEY_LOCAL_MACHINE, machine32 + "\\Run", "Legacy"));
  EXPECT_FALSE(RegHasValue(HKEY_LOCAL_MACHINE, machine / "Run", "Legacy"));
}

TEST_F(RoundTripTest, WinIniKeysKeepTheirRawTextInBothSections) {
  const std::string quoted = "\"C:\\Program Files\\q tool\\q.exe\" /min";
  WriteWinIni("[windows]\r\nload=\r\n[run]\r\nQuoted=" + quoted + "\r\nPlain=p.exe\r\n[load]\r\nLoader=l.exe -x\r\n");
  Engine().BuildAutostartTree(tree, true);
  for (const char* name : {"Quoted", "Plain", "Loader"}) {
    SCOPED_TRACE(name);
    AutostartEntry& e = tree.Data<AutostartEntry>(Find(tree, name));
    const std::string section = e.IniSection;
    const std::string raw = e.Command;
    ASSERT_EQ(Engine().Disable(e), MoveResult::Moved);
    EXPECT_EQ(e.IniSection, section + "-not active");
    auto parked = IniReadSection(places.WinIni, e.IniSection);
    ASSERT_EQ(parked.size(), 1u);
    EXPECT_EQ(parked[0].first, name);
    EXPECT_EQ(parked[0].second, raw);
    ASSERT_EQ(Engine().Enable(e), MoveResult::Moved);
    EXPECT_EQ(e.IniSection, section);
    EXPECT_TRUE(IniReadSection(places.WinIni, section + "-not active").empty());
  }
  auto run = IniReadSection(places.WinIni, "run");
  ASSERT_EQ(run.size(), 2u);
  std::map<std::string, std::string> values(run.begin(), run.end());
  EXPECT_EQ(values["Quoted"], quoted);
  EXPECT_EQ(values["Plain"], "p.exe");
  EXPECT_EQ(IniReadSection(places.WinIni, "load")[0].second, "l.exe -x");
}

TEST_F(RoundTripTest, LinksOfBothStartupFoldersKeepBytesAttributesAndKind) {
  const DWORD hiddenReadOnly = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE;
  const std::string common = PlantLink(places.CommonStartup, "Common.lnk", hiddenReadOnly);
  const std::string mine = PlantLink(places.UserStartup, "Mine.lnk");
  const std::string bytes = FileBytes(common);

  Engine().BuildAutostartTree(tree, true);
  AutostartEntry& c = tree.Data<AutostartEntry>(Find(tree, "Common"));
  ASSERT_EQ(Engine().Disable(c), MoveResult::Moved);
  EXPECT_EQ(c.LinkFile, places.NotActive1 + "\\Common.lnk");
  EXPECT_FALSE(PathExists(common));
  EXPECT_EQ(FileBytes(c.LinkFile), bytes);
  const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY;
  EXPECT_EQ(AttributesOf(c.LinkFile) & kept, kept);
  ASSERT_EQ(Engine().Enable(c), MoveResult::Moved);
  EXPECT_EQ(c.LinkFile, common);
  EXPECT_EQ(c.LinkKind, 1);
  EXPECT_EQ(FileBytes(common), bytes);
  EXPECT_EQ(AttributesOf(common) & kept, kept);

  // The current user's link goes to "not active2" and back, and again.
  AutostartEntry& m = tree.Data<AutostartEntry>(Find(tree, "Mine"));
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(Engine().Disable(m), MoveResult::Moved);
    EXPECT_EQ(m.LinkFile, places.NotActive2 + "\\Mine.lnk");
    EXPECT_EQ(m.LinkKind, 2);
    ASSERT_EQ(Engine().Enable(m), MoveResult::Moved);
    EXPECT_EQ(m.LinkFile, mine);
    EXPECT_EQ(m.LinkKind, 2);
  }
  EXPECT_EQ(FileBytes(mine), bytes);
}

TEST_F(RoundTripTest, TheUsersOwnNotActiveFoldersAreEnabledIntoTheirStartupFolders) {
  PlantLink(places.UserStartup + "\\not active1", "One.lnk");
  PlantLink(places.UserStartup + "\\not active2", "Two.lnk");
  Engine().BuildAutostartTree(tree, true);
  AutostartEntry& one = tree.Data<AutostartEntry>(Find(tree, "One"));
  AutostartEntry& two = tree.Data<AutostartEntry>(Find(tree, "Two"));
  ASSERT_EQ(Engine().Enable(one), MoveResult::Moved);
  EXPECT_EQ(one.LinkFile, places.CommonStartup + "\\One.lnk");
  EXPECT_EQ(one.LinkKind, 1);
  ASSERT_EQ(Engine().Enable(two), MoveResult::Moved);
  EXPECT_EQ(two.LinkFile, places.UserStartup + "\\Two.lnk");
  EXPECT_EQ(two.LinkKind, 2);
}

TEST_F(RoundTripTest, EnablingOutsideNotActiveAndDisablingTwiceChangeNothing) {
  Plant(HKEY_CURRENT_USER, user / "Run", "Active", Sz("a.exe"));
  PlantLink(dir / "elsewhere", "Loose.lnk");
  WriteWinIni("[run]\r\nKey=k.exe\r\n");
  Engine().BuildAutostartTree(tree, true);

  AutostartEntry reg = tree.Data<AutostartEntry>(Find(tree, "Active"));
  EXPECT_EQ(Engine().Enable(reg), MoveResult::Unchanged);
  AutostartEntry ini = tree.Data<AutostartEntry>(Find(tree, "Key"));
  EXPECT_EQ(Engine().Enable(ini), MoveResult::Unchanged);
  AutostartEntry link;
  link.LinkFile = link.Name = dir / "elsewhere\\Loose.lnk";
  link.LinkKind = 0;
  EXPECT_EQ(Engine().Enable(link), MoveResult::Unchanged);
  EXPECT_EQ(Engine().Disable(link), MoveResult::Unchanged);

  ASSERT_EQ(Engine().Disable(reg), MoveResult::Moved);
  EXPECT_EQ(Engine().Disable(reg), MoveResult::Unchanged);
  EXPECT_EQ(reg.KeyPath, user / "Run\\not active");
  EXPECT_TRUE(RegHasValue(HKEY_CURRENT_USER, user / "Run\\not active", "Active"));
  EXPECT_FALSE(RegHasKey(HKEY_CURRENT_USER, user / "Run\\not active\\not active"));
}

}  // namespace
}  // namespace qz::st::test
