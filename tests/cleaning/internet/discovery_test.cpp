// Which browsers are installed and which profiles they have: the product
// rules, Opera's value prefix, the readers of registry.dat and profiles.ini,
// refused profile folders, and the stored options of the cleaner.
#include <gtest/gtest.h>

#include "cleaning/drive/dc_fixture.h"
#include "cleaning/internet/browser_profiles.h"
#include "cleaning/internet/ic_settings.h"
#include "core/registry.h"
#include "core/text.h"
#include "ic_fixture.h"

namespace qz::ic::test {
namespace {

using dc::test::DriveDir;

class DiscoveryTest : public ::testing::Test {
 protected:
  DiscoveryTest() : key("ic_discovery"), dir("qzicdisc"), env(ScratchEnvironment(key, dir / "AppData\\")) {}
  // A product key with a \bin key naming a program (that exists when `exe`).
  void Product(const std::string& name, bool bin = true, bool exe = true) {
    const std::string k = key / ("Software\\Mozilla\\" + name);
    RegEnsureKey(key.root(), k);
    if (!bin) return;
    const std::string path = dir / (name + ".exe");
    if (exe) DriveDir::WriteFileAt(path, "MZ");
    RegSetStringChecked(key.root(), k + "\\bin", "PathToExe", path);
  }

  qz::test::ScratchKey key;
  DriveDir dir;
  BrowserEnvironment env;
};

TEST(MozillaProducts, KindsByName) {
  MozillaBrowsers b = ClassifyMozillaProducts({"Mozilla Firefox 3.6", "Netscape 7.1", "SeaMonkey", "Firefox Beta"});
  EXPECT_EQ(b.Firefox, "Firefox Beta");  // two Firefox names: the later one
  EXPECT_EQ(b.Netscape, "Netscape 7.1");
  EXPECT_EQ(b.Mozilla, "SeaMonkey");      // any other name is Mozilla
  EXPECT_EQ(ClassifyMozillaProducts({}).Firefox, "");
}

TEST_F(DiscoveryTest, InstalledProductsNeedABinKeyAndTheirProgram) {
  Product("Mozilla Firefox 3.6");
  Product("Mozilla 1.7", false);          // no \bin
  Product("Netscape 7.1", true, false);   // its program is missing
  EXPECT_EQ(ListMozillaProducts(env), (StringList{"Mozilla Firefox 3.6"}));
  EXPECT_TRUE(IsBrowserInstalled(Browser::Firefox, env));
  EXPECT_FALSE(IsBrowserInstalled(Browser::Mozilla, env));
  EXPECT_FALSE(IsBrowserInstalled(Browser::Netscape, env));
  EXPECT_TRUE(IsBrowserInstalled(Browser::InternetExplorer, env));
}

TEST_F(DiscoveryTest, OperaByTheValuePrefix) {
  const std::string k = key / "Software\\Opera Software";
  RegSetStringChecked(key.root(), k, "Last CommandLine", "x");  // a near miss
  RegSetStringChecked(key.root(), k, "Last CommandLine v1", "x");
  EXPECT_FALSE(IsBrowserInstalled(Browser::Opera, env));
  RegSetStringChecked(key.root(), k, "LAST COMMANDLINE V2 (8.0)", "x");
  EXPECT_TRUE(IsBrowserInstalled(Browser::Opera, env));
}

TEST(RegistryDat, DirectoryEntries) {
  using namespace std::string_literals;
  const std::string two = "junk\0directory\x01" "C:\\App\\Mozilla\\Profiles\\default\\ab12.slt\0more"
                          "directory\x02" "D:\\x\\Profiles\\work\\cd34.slt\0tail"s;
  auto p = ParseRegistryDat(two);
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0].Name, "default");
  EXPECT_EQ(p[0].Path, "C:\\App\\Mozilla\\Profiles\\default\\ab12.slt");
  EXPECT_EQ(p[1].Name, "work");
  EXPECT_TRUE(ParseRegistryDat("no entries here\0\0"s).empty());
  // Without a final NUL: a record with an empty folder.
  p = ParseRegistryDat("directory\x01" "C:\\cut\\off"s);
  ASSERT_EQ(p.size(), 1u);
  EXPECT_EQ(p[0].Path, "");
  // UTF-8 folder bytes, else the ANSI code page.
  p = ParseRegistryDat("directory\x01" "C:\\J\xC3\xBCrgen\\P\\x.slt\0"
                       "directory\x01" "C:\\J\xFCrgen\\P\\y.slt\0"s);
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0].Path, "C:\\J\xC3\xBCrgen\\P\\x.slt");
  EXPECT_EQ(p[1].Path, "C:\\J\xC3\xBCrgen\\P\\y.slt");
  // Megabytes of noise end quickly (one pass over the text).
  std::string noise(5u << 20, 'd');
  EXPECT_TRUE(ParseRegistryDat(noise).empty());
}

TEST_F(DiscoveryTest, RegistryDatThatCannotBeReadGivesNoProfiles) {
  using namespace std::string_literals;
  const std::string file = dir / "AppData\\Mozilla\\registry.dat";
  DriveDir::WriteFileAt(file, "directory\x01" "C:\\P\\default\\a.slt\0"s);
  SetFileAttributesW(Widen(file).c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(ReadMozillaRegistryDat(env).size(), 1u);  // read-only: read all the same
  SetFileAttributesW(Widen(file).c_str(), FILE_ATTRIBUTE_NORMAL);
  HANDLE h = CreateFileW(Widen(file).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(ReadMozillaRegistryDat(env).empty());  // held by the browser: none, and no error
  CloseHandle(h);
  EXPECT_EQ(LoadBrowserProfiles(Browser::Netscape, env).size(), 1u);
}

TEST(ProfilesIni, TolerantReading) {
  const std::string ff = "C:\\A\\Mozilla\\FireFox\\";
  const std::string text =
      "\xEF\xBB\xBF"
      "[General]\nStartWithLastProfile=1\n"
      "[Install4F96D1932A9F858E]\nDefault=x\n"
      "[Profile0]\r\nName=J\xC3\xBCrgen\r\nIsRelative=1\r\nPath=Profiles/j.default\r\n"
      "[Profile1]\n name = \"Work\" \nisrelative=0\nPATH=\"D:/FF/work\"\npath=D:/ignored\n"
      "; a comment\n# another\n[Broken\nno equals sign\n"
      "[Profile2]\nIsRelative=abc\nPath=E:\\p2\n"
      "[Profile3]\nPath=rel/p3\n";
  auto p = ParseProfilesIni(text, ff);
  ASSERT_EQ(p.size(), 4u);
  EXPECT_EQ(p[0].Name, "J\xC3\xBCrgen");
  EXPECT_EQ(p[0].Path, ff + "Profiles\\j.default");
  EXPECT_EQ(p[1].Name, "Work");
  EXPECT_EQ(p[1].Path, "D:\\FF\\work");  // the first Path of the section wins
  EXPECT_EQ(p[2].Path, "E:\\p2");
  EXPECT_EQ(p[2].Name, "");
  EXPECT_EQ(p[3].Path, "rel\\p3");  // not relative unless IsRelative is 1: refused later
  // ANSI when the bytes are no UTF-8.
  p = ParseProfilesIni("[Profile0]\nName=J\xFCrgen\nPath=C:\\x\n", ff);
  ASSERT_EQ(p.size(), 1u);
  EXPECT_EQ(p[0].Name, "J\xC3\xBCrgen");
}

TEST_F(DiscoveryTest, FirefoxProfilesFromItsFolder) {
  EXPECT_TRUE(ReadFirefoxProfilesIni(env).empty());  // no folder
  DriveDir::WriteFileAt(dir / "AppData\\Mozilla\\Firefox\\profiles.ini",
                        "[Profile0]\nName=e2e\nIsRelative=1\nPath=Profiles/qz.default\n");
  auto p = LoadBrowserProfiles(Browser::Firefox, env);
  ASSERT_EQ(p.size(), 1u);
  EXPECT_EQ(p[0].Path, env.FirefoxFolder() + "Profiles\\qz.default");
  EXPECT_TRUE(LoadBrowserProfiles(Browser::InternetExplorer, env).empty());
}

TEST_F(DiscoveryTest, RefusedProfileFolders) {
  env.ProtectedFolders = {"C:\\windows", "C:\\windows\\system32", "C:\\Program Files", "C:\\users\\u"};
  env.AppDataFolder = "C:\\users\\u\\AppData\\Roaming\\";
  for (const char* ok : {"C:\\users\\u\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\x.default",
                         "D:\\profiles\\p", "\\\\server\\share\\p"})
    EXPECT_TRUE(IsAcceptableProfileFolder(ok, env)) << ok;
  for (const char* bad : {"C:\\", "C:", "D:\\", "\\\\server\\share", "C:\\windows", "C:\\WINDOWS\\", "C:\\users",
                          "C:\\users\\u", "C:\\users\\u\\AppData\\Roaming", "C:\\users\\u\\AppData\\Roaming\\",
                          "C:\\users\\u\\AppData\\Roaming\\Mozilla\\..\\..", "D:\\p\\..\\q", "Profiles\\x", "", "  "})
    EXPECT_FALSE(IsAcceptableProfileFolder(bad, env)) << bad;
}

TEST_F(DiscoveryTest, StoredOptionsAndTheirDefaults) {
  const std::string k = key / "IC";
  InternetCleanerOptions o = LoadInternetCleanerOptions(key.root(), k);
  EXPECT_EQ(o.TrustedHosts.size(), 6u);  // first start: the default hosts
  for (const std::string& h : o.TrustedHosts) EXPECT_TRUE(StartsWith(h, "www.")) << h;
  EXPECT_TRUE(o.Cache && o.Cookies && o.History && o.TrustCookies);

  RegSetIntegerChecked(key.root(), k, "Cookies", 0);
  RegSetIntegerChecked(key.root(), k, "History", 2);  // neither 0 nor 1: the default stays
  RegSetIntegerChecked(key.root(), k, "Browser", 2);
  RegEnsureKey(key.root(), k + "\\Trusted");  // stored, but empty
  o = LoadInternetCleanerOptions(key.root(), k);
  EXPECT_FALSE(o.Cookies);
  EXPECT_TRUE(o.History);
  EXPECT_EQ(o.SelectedBrowser, Browser::Firefox);
  EXPECT_TRUE(o.TrustedHosts.empty());

  // Firefox is not installed: Internet Explorer.
  EXPECT_EQ(StoredSettings(o, env, true).SelectedBrowser, Browser::InternetExplorer);
  Product("Mozilla Firefox 3.6");
  EXPECT_EQ(StoredSettings(o, env, true).SelectedBrowser, Browser::InternetExplorer);  // and no profile yet
  DriveDir::WriteFileAt(dir / "AppData\\Mozilla\\Firefox\\profiles.ini",
                        "[Profile0]\nName=a\nPath=D:\\first\n[Profile1]\nName=b\nPath=D:\\second\n");
  const InternetCleanerSettings s = StoredSettings(o, env, false);
  EXPECT_EQ(s.SelectedBrowser, Browser::Firefox);
  EXPECT_EQ(s.ProfileFolder, "D:\\first");
  EXPECT_FALSE(s.HideEmptyCategories);
  EXPECT_FALSE(s.Cookies);
}

TEST_F(DiscoveryTest, SavingTheOptionsWritesNewHostsBeforeRemovingStaleOnes) {
  const std::string k = key / "IC";
  InternetCleanerOptions o;
  o.TrustedHosts = {"www.a.test", "b.test"};
  o.SelectedBrowser = Browser::Opera;
  ASSERT_TRUE(SaveInternetCleanerOptions(key.root(), k, o));
  EXPECT_EQ(RegGetValueType(key.root(), k, "Browser"), kRegInteger);
  EXPECT_EQ(RegGetInteger(key.root(), k, "Browser"), 3);
  EXPECT_EQ(RegGetValueType(key.root(), k, "Cache"), kRegInteger);
  EXPECT_EQ(RegGetValueType(key.root(), k + "\\Trusted", "b.test"), kRegString);
  EXPECT_EQ(RegGetString(key.root(), k + "\\Trusted", "b.test"), "");

  o.TrustedHosts = {"c.test"};
  ASSERT_TRUE(SaveTrustedHosts(key.root(), k, o.TrustedHosts));
  EXPECT_EQ(RegListValueNames(key.root(), k + "\\Trusted"), (StringList{"c.test"}));

  // A host that cannot be stored: the stored list stays whole, and the save reports it.
  o.TrustedHosts = {"d.test", std::string(20000, 'x')};
  EXPECT_FALSE(SaveInternetCleanerOptions(key.root(), k, o));
  StringList left = RegListValueNames(key.root(), k + "\\Trusted");
  EXPECT_TRUE(ContainsI(left, "c.test"));
  EXPECT_TRUE(ContainsI(left, "d.test"));
}

}  // namespace
}  // namespace qz::ic::test
