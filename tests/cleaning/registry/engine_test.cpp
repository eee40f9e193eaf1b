// The sixteen checks on a private hive, with real files on C:.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/disk.h"
#include "core/text.h"
#include "rc_fixture.h"

namespace qz::rc::test {
namespace {

using ui::CheckState;
using ui::CheckType;
using ui::VTreeModel;

class EngineTest : public ::testing::Test {
 protected:
  qz::test::GlobalsGuard globals;
  Hive hive{"rc_engine"};
  VTreeModel tree;
  std::string U(const std::string& rel) { return UpperLocale(hive.Path(rel)); }
};

// ---- kind 1 ------------------------------------------------------------------

TEST_F(EngineTest, FileTypesTestTheProgramOfTheDefaultVerb) {
  hive.Write("app\\viewer.exe");
  hive.Write("My.App Files\\x.exe");
  hive.Write("FOO - BAR\\x.exe");
  hive.Write("run\\tool.exe");
  auto type = [&](const std::string& ext, const std::string& cls, const std::string& command,
                  const std::string& verb = {}) {
    hive.Put("Classes\\" + ext, "", cls);
    if (!verb.empty()) hive.Put("Classes\\" + cls + "\\shell", "", verb);
    hive.Put("Classes\\" + cls + "\\shell\\" + (verb.empty() ? "open" : verb) + "\\command", "", command);
  };
  type(".qa", "qa.file", "\"" + hive.Path("gone\\viewer.exe") + "\" \"%1\"");
  type(".qb", "qb.file", "\"" + hive.Path("app\\viewer.exe") + "\" \"%1\"");
  // The verb the class names is tested, not "open".
  type(".qc", "qc.file", hive.Path("app\\viewer.exe") + " %1", "edit");
  hive.Put("Classes\\qc.file\\shell\\open\\command", "", hive.Path("gone\\other.exe"));
  type(".qd", "qd.file", hive.Path("gone\\edit.exe"), "edit");
  hive.Put("Classes\\qd.file\\shell\\open\\command", "", hive.Path("app\\viewer.exe"));
  // Readings that must not make an existing program look missing.
  type(".qe", "qe.file", hive.Path("My.App Files\\x.exe") + " %1");
  type(".qf", "qf.file", hive.Path("FOO - BAR\\x.exe"));
  type(".qg", "qg.file", hive.Path("app\\viewer.exe") + " /CONFIG=D:\\X.INI");
  type(".qh", "qh.file", hive.Path("app\\viewer.exe") + " D:\\data\\file.txt");
  type(".qi", "qi.file", hive.Path("app\\viewer.exe") + ",1");
  // A program with a DLL argument is tested on the program.
  type(".qj", "qj.file", hive.Path("run\\tool.exe") + " " + hive.Path("gone\\lib.dll") + ",Entry");
  type(".qk", "qk.file", hive.Path("gone\\tool.exe") + " " + hive.Path("app\\lib.dll") + ",Entry");
  // Not expanded: a command starting with a variable is never examined.
  type(".ql", "ql.file", "%SystemDrive%\\QzGone\\x.exe");
  // No ".EXE", a "CLSID" class, a skipped extension: never examined.
  type(".qm", "qm.file", hive.Path("gone\\script.cmd"));
  type(".qn", "CLSID\\{1}", hive.Path("gone\\n.exe"));
  type(".dllx", "dllx.file", hive.Path("gone\\d.exe"));
  // The extension's own command when its class is empty.
  hive.Put("Classes\\.qo", "", "");
  hive.Put("Classes\\.qo\\shell\\open\\command", "", hive.Path("gone\\own.exe"));
  // A drive that is not checked.
  type(".qp", "qp.file", "D:\\gone\\x.exe");

  auto e = hive.Engine();
  auto found = RunKinds(*e, tree, {kFileTypes});
  std::vector<std::string> versions;
  for (const auto& n : found) versions.push_back(n.Version);
  EXPECT_EQ(versions, (std::vector<std::string>{".qa", ".qd", ".qk", ".qo"}));
  ASSERT_EQ(found.size(), 4u);
  EXPECT_EQ(found[0].Text, "qa.file");
  EXPECT_EQ(found[0].Target, U("gone\\viewer.exe"));
  EXPECT_EQ(found[0].Root, hive.root());
  EXPECT_EQ(found[0].Key, hive / "Classes\\qa.file");
  EXPECT_EQ(found[0].ExtensionKey, hive / "Classes\\.qa");
  EXPECT_EQ(found[0].ValueName, "");
  EXPECT_EQ(found[1].Target, U("gone\\edit.exe"));
  EXPECT_EQ(found[2].Target, U("gone\\tool.exe"));
  EXPECT_EQ(found[3].Text, "");
  EXPECT_EQ(found[3].Key, "");  // no class: nothing but the extension to act on
  EXPECT_EQ(found[3].Target, U("gone\\own.exe"));
  // Every extension is mapped to its class for the delete step.
  EXPECT_EQ(e->FileTypeClassUsers.at(ClassUsersKey(hive.root(), hive / "Classes\\qb.file")),
            StringList{hive / "Classes\\.qb"});
}

TEST_F(EngineTest, FileTypesSkipAnEmptyClassWhenTheRootHasAShellKey) {
  hive.Put("Classes\\.qo", "", "");
  hive.Put("Classes\\.qo\\shell\\open\\command", "", hive.Path("gone\\own.exe"));
  hive.MakeKey("Classes\\shell");
  auto e = hive.Engine();
  EXPECT_TRUE(RunKinds(*e, tree, {kFileTypes}).empty());
}

// ---- kind 2 ------------------------------------------------------------------

TEST_F(EngineTest, ComServers) {
  hive.Write("srv\\here.dll");
  hive.Write("srv\\local.exe");
  hive.Write("My.App Files\\x.dll");
  auto server = [&](const std::string& id, const std::string& name, const std::string& file) {
    hive.Put("Classes\\CLSID\\" + id, "", name);
    hive.Put("Classes\\CLSID\\" + id + "\\InProcServer32", "", file);
  };
  server("{B}", "Gone", hive.Path("gone\\orphan.dll"));
  server("{A}", "Quoted gone", "\"" + hive.Path("gone\\quoted.dll") + "\"");
  server("{C}", "Here", hive.Path("srv\\here.dll"));
  server("{D}", "", hive.Path("gone\\nameless.dll"));  // no name: skipped
  server("{E}", "Local", hive.Path("gone\\inproc.dll"));
  hive.Put("Classes\\CLSID\\{E}\\LocalServer32", "", "\"" + hive.Path("srv\\local.exe") + "\" /automation");
  server("{F}", "Local gone", hive.Path("gone\\inproc.dll"));
  hive.Put("Classes\\CLSID\\{F}\\LocalServer", "", hive.Path("gone\\local.exe"));
  server("{G}", "Local unknown", hive.Path("gone\\inproc.dll"));
  hive.Put("Classes\\CLSID\\{G}\\LocalServer32", "", "local.exe");
  server("{H}", "Dotted folder", hive.Path("My.App Files\\x.dll"));
  server("{I}", "Installer", hive.Path("Installer\\{1}\\x.dll"));
  server("{J}", "Mail", hive.Path("IncrediMail\\x.dll"));
  server("{K}", "Env", "%QZ_RC_UNSET%\\x.dll");
  hive.MakeKey("Classes\\CLSID\\{L}");  // no server at all

  auto e = hive.Engine();
  auto found = RunKinds(*e, tree, {kComServers});
  EXPECT_EQ(Texts(found), (std::vector<std::string>{"Quoted gone", "Gone", "Local gone"}));
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0].Target, U("gone\\quoted.dll"));
  EXPECT_EQ(found[1].Key, hive / "Classes\\CLSID\\{B}");
  EXPECT_EQ(e->ExaminedCount, 12);
}

// ---- kind 3 ------------------------------------------------------------------

TEST_F(EngineTest, TypeLibsByVersion) {
  hive.Write("tlb\\two.tlb");
  hive.Write("tlb\\x64.tlb");
  hive.Write("tlb\\en.tlb");
  auto lib = [&](const std::string& id, const std::string& ver, const std::string& locale, const std::string& platform,
                 const std::string& file, const std::string& title = "Lib") {
    hive.Put("Classes\\TypeLib\\" + id + "\\" + ver, "", title);
    hive.Put("Classes\\TypeLib\\" + id + "\\" + ver + "\\" + locale + "\\" + platform, "", file);
  };
  // 1.0 missing and 2.0 present: only 1.0 is reported.
  lib("{T1}", "1.0", "0", "win32", hive.Path("gone\\one.tlb"), "Old");
  lib("{T1}", "2.0", "0", "win32", hive.Path("tlb\\two.tlb"), "New");
  // win32 missing, win64 present: the version stays.
  lib("{T2}", "1.0", "0", "win32", hive.Path("gone\\x86.tlb"));
  lib("{T2}", "1.0", "0", "win64", hive.Path("tlb\\x64.tlb"));
  // A locale key "409" is never reported itself, but a file it names keeps the version.
  lib("{T3}", "1.0", "409", "win32", hive.Path("gone\\us.tlb"));
  lib("{T4}", "1.0", "0", "win32", hive.Path("gone\\neutral.tlb"));
  lib("{T4}", "1.0", "409", "win32", hive.Path("tlb\\en.tlb"));
  // A resource suffix is not examined.
  lib("{T5}", "1.0", "0", "win32", hive.Path("gone\\res.dll") + "\\2");
  // Two digits of one version: two entries naming the same key.
  lib("{T6}", "3.1", "0", "win32", hive.Path("gone\\a.tlb"), "Twice");
  lib("{T6}", "3.1", "9", "win32", hive.Path("gone\\b.tlb"), "Twice");

  auto e = hive.Engine();
  auto found = RunKinds(*e, tree, {kTypeLibs});
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0].Text, "Old");
  EXPECT_EQ(found[0].Version, "1.0");
  EXPECT_EQ(found[0].Key, hive / "Classes\\TypeLib\\{T1}");
  EXPECT_EQ(found[0].Target, U("gone\\one.tlb"));
  EXPECT_EQ(found[1].Target, U("gone\\a.tlb"));
  EXPECT_EQ(found[2].Target, U("gone\\b.tlb"));
  EXPECT_EQ(found[1].Key, found[2].Key);
  EXPECT_EQ(e->ExaminedCount, 6);  // the libraries are the items
}

// ---- kinds 4-7 ------------------------------------------------------------------

TEST_F(EngineTest, ValueKindsCarryTheirKeyAndRoot) {
  hive.Write("dll\\shared.dll");
  hive.Write("Fonts\\here.ttf");
  hive.Write("fontdir\\full.ttf");
  hive.Write("help\\here.hlp");
  hive.Write("media\\ding.wav");
  // SharedDLLs: the name is the path, as it stands.
  hive.Put("SharedDLLs", hive.Path("dll\\shared.dll"), "1");
  hive.Put("SharedDLLs", hive.Path("gone\\shared.dll"), "2");
  hive.Put("SharedDLLs", "c" + hive.Path("gone\\lower.dll").substr(1), "1");  // "c:\" is not examined
  hive.Put("SharedDLLs", hive.Path("gone\\noext"), "1");
  // Fonts: bare names in the Fonts folder, full paths as they stand.
  hive.Put("Fonts", "Here (TrueType)", "here.ttf");
  hive.Put("Fonts", "Bare (TrueType)", "bare.ttf");
  hive.Put("Fonts", "Full (TrueType)", hive.Path("fontdir\\full.ttf"));
  hive.Put("Fonts", "Gone (TrueType)", hive.Path("fontdir\\gone.ttf"));
  hive.Put("Fonts", "Unix (TrueType)", "\\??\\unix\\usr\\share\\fonts\\x.ttf");
  hive.Put("Fonts", "Rel (TrueType)", "sub\\rel.ttf");
  // Help: the folder exists but lacks the file.
  hive.Put("Help", "here.hlp", hive.Path("help") + "\\");
  hive.Put("Help", "gone.hlp", hive.Path("help"));
  // Sounds.
  hive.Put("AppEvents\\Schemes\\Apps\\App\\Ding\\.Current", "", hive.Path("media\\ding.wav"));
  hive.Put("AppEvents\\Schemes\\Apps\\App\\Gone\\.Current", "", hive.Path("media\\gone.wav"));
  hive.Put("AppEvents\\Schemes\\Apps\\App\\Empty\\.Current", "", "");

  auto e = hive.Engine();
  auto dlls = RunKinds(*e, tree, {kSharedDlls});
  ASSERT_EQ(dlls.size(), 1u);
  EXPECT_EQ(dlls[0].Text, "shared.dll");
  EXPECT_EQ(dlls[0].ValueName, hive.Path("gone\\shared.dll"));
  EXPECT_EQ(dlls[0].Key, hive / "SharedDLLs");
  EXPECT_EQ(dlls[0].Root, hive.root());

  auto fonts = RunKinds(*e, tree, {kFonts});
  EXPECT_EQ(Texts(fonts), (std::vector<std::string>{"Bare (TrueType)", "Gone (TrueType)"}));
  ASSERT_EQ(fonts.size(), 2u);
  EXPECT_EQ(fonts[0].Target, hive.Locations().FontsFolder + "\\BARE.TTF");
  EXPECT_EQ(fonts[1].Key, hive / "Fonts");
  EXPECT_EQ(fonts[1].ValueName, "Gone (TrueType)");
  EXPECT_EQ(fonts[1].Root, hive.root());

  auto help = RunKinds(*e, tree, {kHelpFiles});
  ASSERT_EQ(help.size(), 1u);
  EXPECT_EQ(help[0].Target, U("help") + "\\gone.hlp");
  EXPECT_EQ(help[0].Key, hive / "Help");
  EXPECT_EQ(help[0].Root, hive.root());

  auto sounds = RunKinds(*e, tree, {kSystemSounds});
  ASSERT_EQ(sounds.size(), 1u);
  EXPECT_EQ(sounds[0].Text, "Gone");
  EXPECT_EQ(sounds[0].Key, hive / "AppEvents\\Schemes\\Apps\\App\\Gone\\.current");
  EXPECT_EQ(e->ExaminedCount, 1);  // the applications are the items
}

// ---- kind 8 ------------------------------------------------------------------

TEST_F(EngineTest, AppPaths) {
  hive.Write("app\\here.exe");
  hive.Write("t\\foo.cmd");
  hive.dir().MakeDir("libs");
  hive.dir().MakeDir("empty app");
  auto app = [&](const std::string& name, const std::string& def, const std::string& path = {}) {
    hive.MakeKey("App Paths\\" + name);
    if (!def.empty()) hive.Put("App Paths\\" + name, "", def);
    if (!path.empty()) hive.Put("App Paths\\" + name, "Path", path);
  };
  app("here.exe", hive.Path("app\\here.exe"));
  app("gone.exe", hive.Path("gone\\gone.exe"));
  app("none.exe", "");                                   // "\NONE.EXE": fails the drive rule
  app("infolder.exe", hive.Path("empty app"));           // tests <folder>\INFOLDER.EXE
  app("foo.exe", hive.Path("t\\foo.cmd"));               // the script runs in its place
  app("bypath.exe", "", hive.Path("gone"));              // <Path>\BYPATH.EXE
  app("list.exe", hive.Path("gone\\list.exe"), hive.Path("gone") + ";" + hive.Path("app"));
  app("lib.dll", hive.Path("gone\\lib.dll"));            // no .EXE, no Path: never
  app("libdir.dll", "", hive.Path("gone\\libs"));        // a library's folder
  app("libok.dll", "", hive.Path("libs"));
  app("quoted.exe", "\"" + hive.Path("gone\\q.exe") + "\"");

  auto e = hive.Engine();
  auto found = RunKinds(*e, tree, {kAppPaths});
  EXPECT_EQ(Texts(found), (std::vector<std::string>{"bypath.exe", "gone.exe", "infolder.exe", "libdir.dll",
                                                    "quoted.exe"}));
  ASSERT_EQ(found.size(), 5u);
  EXPECT_EQ(found[0].Target, U("gone"));
  EXPECT_EQ(found[1].Target, U("gone"));  // the program's folder
  EXPECT_EQ(found[2].Target, U("empty app"));
  EXPECT_EQ(found[3].Target, U("gone\\libs"));
  EXPECT_EQ(found[1].Key, hive / "App Paths\\gone.exe");
  EXPECT_EQ(found[1].Root, hive.root());
}

// ---- kind 9 ------------------------------------------------------------------

TEST_F(EngineTest, IconsNameTheirSourceFile) {
  hive.Write("ico\\here.dll");
  hive.Put("Classes\\a.file\\DefaultIcon", "", hive.Path("ico\\here.dll") + ",-3");
  hive.Put("Classes\\b.file\\DefaultIcon", "", hive.Path("ico\\gone.dll") + ",2");
  hive.Put("Classes\\c.file\\DefaultIcon", "", hive.Path("ico\\gone.ico"));  // no index: never
  hive.Put("Classes\\d.file\\DefaultIcon", "", "%QZ_RC_ICONS%\\x.dll,1", REG_EXPAND_SZ);
  hive.Put("Classes\\e.file\\DefaultIcon", "", "");
  hive.Put("Classes\\CLSID\\{I}\\DefaultIcon", "", hive.Path("ico\\clsid.exe") + ",0");
  hive.Put("Classes\\CLSID\\{I}\\ToolboxBitmap32", "", hive.Path("ico\\tool.ocx") + ", 1");
  SetEnvironmentVariableW(L"QZ_RC_ICONS", Widen(hive.Path("gone")).c_str());

  auto e = hive.Engine();
  auto found = RunKinds(*e, tree, {kIcons});
  SetEnvironmentVariableW(L"QZ_RC_ICONS", nullptr);
  ASSERT_EQ(found.size(), 4u);
  EXPECT_EQ(found[0].Target, U("ico\\gone.dll"));
  EXPECT_EQ(found[0].Key, hive / "Classes\\b.file\\DefaultIcon");
  EXPECT_EQ(found[0].Text, "DefaultIcon");
  EXPECT_EQ(found[1].Target, U("gone\\x.dll"));
  EXPECT_EQ(found[2].Key, hive / "Classes\\CLSID\\{I}\\DefaultIcon");
  EXPECT_EQ(found[3].Text, "ToolboxBitmap32");
  EXPECT_EQ(found[3].Target, U("ico\\tool.ocx"));
}

TEST(IconSourceFile, CutsAfterTheExtension) {
  std::string s = "c:\\x\\y.dll,-3";
  IconSourceFile(s);
  EXPECT_EQ(s, "C:\\X\\Y.DLL");
  s = "C:\\A.EXE,1,C:\\B.DLL,2";
  IconSourceFile(s);
  EXPECT_EQ(s, "C:\\A.EXE");
  s = "C:\\A.ICO";
  IconSourceFile(s);
  EXPECT_EQ(s, "");
  EXPECT_EQ(StripTrailingBackslash("C:\\X\\\\"), "C:\\X");
  EXPECT_EQ(StripTrailingBackslash("C:\\"), "C:");
}

// ---- kinds 10-16 ------------------------------------------------------------------

TEST_F(EngineTest, RecentlyUsedListsInTheRegistrysOrder) {
  const std::string mru = "MRU11";
  hive.Put(mru, "b", "second");
  hive.Put(mru, "a", "first");
  hive.Put(mru, "MRUList", "ba");
  RegSetIntegerChecked(hive.root(), hive / mru, "n", 42);
  auto e = hive.Engine();
  SearchRequest r;
  r.Drives = "C";
  r.HideEmpty = false;
  r.Kinds = {{11, "MRU - Run", 1}};
  RunRegistrySearchCore(*e, tree, r);
  ui::VNode* cat = tree.GetFirst();
  ASSERT_NE(cat, nullptr);
  const RegScanNode& c = tree.Data<RegScanNode>(cat);
  EXPECT_EQ(c.Root, hive.root());
  EXPECT_EQ(c.Key, hive / mru);
  EXPECT_EQ(tree.GetCheckType(cat), CheckType::CheckBox);
  std::vector<std::string> names, texts;
  for (ui::VNode* n = tree.GetFirstChild(cat); n; n = tree.GetNextSibling(n)) {
    names.push_back(tree.Data<RegScanNode>(n).ValueName);
    texts.push_back(tree.Data<RegScanNode>(n).Text);
    EXPECT_EQ(tree.GetCheckType(n), CheckType::None);
    EXPECT_EQ(tree.NodeHeight(n), kMruEntryHeight);
  }
  EXPECT_EQ(names, RegListValueNames(hive.root(), hive / mru));
  EXPECT_EQ(texts.size(), 4u);
  EXPECT_NE(std::find(texts.begin(), texts.end(), "42"), texts.end());
  EXPECT_EQ(e->FoundCount, 4);
  EXPECT_EQ(e->MarkedCount, 4);
}

// ---- across kinds ------------------------------------------------------------------

TEST_F(EngineTest, SortedWithoutRegardToCase) {
  for (const char* id : {"{b}", "{C}", "{a}"}) {
    hive.Put(std::string("Classes\\CLSID\\") + id, "", id);
    hive.Put(std::string("Classes\\CLSID\\") + id + "\\InProcServer32", "", hive.Path("gone\\x.dll"));
  }
  auto e = hive.Engine();
  EXPECT_EQ(Texts(RunKinds(*e, tree, {kComServers})), (std::vector<std::string>{"{a}", "{b}", "{C}"}));
  StringList names{"b", "C", "a", "B"};
  SortNames(names);
  EXPECT_EQ(names, (StringList{"a", "b", "B", "C"}));
}

TEST_F(EngineTest, OnlyCheckedDrivesThatAnswer) {
  FakeFiles fs;  // C: answers, D: does not; nothing else exists
  fs.Folder("C:\\");
  hive.Put("SharedDLLs", "C:\\QZ\\GONE.DLL", "1");
  hive.Put("SharedDLLs", "D:\\QZ\\GONE.DLL", "1");
  hive.Put("SharedDLLs", "E:\\QZ\\GONE.DLL", "1");
  auto e = hive.Engine(&fs);
  auto found = RunKinds(*e, tree, {kSharedDlls}, "CD");
  EXPECT_EQ(e->CheckedDrives, "C");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].Target, "C:\\QZ\\GONE.DLL");
  for (const std::string& c : fs.calls) EXPECT_NE(c.substr(0, 3), "E:\\") << c;
}

TEST_F(EngineTest, UntestableReferencesAreNeverReported) {
  FakeFiles fs;
  fs.Folder("C:\\");
  fs.errors["C:\\QZ\\DENIED.DLL"] = ERROR_ACCESS_DENIED;
  fs.errors["C:\\QZ\\NOTREADY.DLL"] = ERROR_NOT_READY;
  fs.errors["C:\\QZ\\BADNAME.DLL"] = ERROR_INVALID_NAME;
  for (const char* p : {"C:\\QZ\\DENIED.DLL", "C:\\QZ\\NOTREADY.DLL", "C:\\QZ\\BADNAME.DLL", "C:\\QZ\\SHORT~1\\X.DLL",
                        "C:\\QZ\\GONE.DLL"})
    hive.Put("SharedDLLs", p, "1");
  auto e = hive.Engine(&fs);
  auto found = RunKinds(*e, tree, {kSharedDlls});
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].ValueName, "C:\\QZ\\GONE.DLL");
}

TEST_F(EngineTest, ThirtyTwoBitSystemFolder) {
  FakeFiles fs;
  fs.Folder("C:\\");
  fs.File("C:\\windows\\syswow64\\only32.dll");
  ProbeFolders folders;
  folders.SystemDir = "C:\\windows\\system32";
  folders.SystemWow64Dir = "C:\\windows\\syswow64";
  hive.Put("Classes\\CLSID\\{W}", "", "W");
  hive.Put("Classes\\CLSID\\{W}\\InProcServer32", "", "C:\\WINDOWS\\SYSTEM32\\ONLY32.DLL");
  auto e = hive.Engine(&fs, folders);
  EXPECT_TRUE(RunKinds(*e, tree, {kComServers}).empty());
}

// Odd registry data and names at their limits are read whole.
TEST_F(EngineTest, LongNamesAndUnterminatedStrings) {
  // A SharedDLLs name of 16,000 characters (a path, as they all are).
  const std::string folder = hive.Path("gone\\");
  const std::string longName = folder + std::string(16000 - folder.size() - 4, 'd') + ".dll";
  hive.Put("SharedDLLs", longName, "1");
  // A server path without its NUL, and one of an odd number of bytes.
  const std::wstring noNul = Widen(hive.Path("gone\\nonul.dll"));
  hive.Put("Classes\\CLSID\\{N}", "", "No NUL");
  RegWriteRaw(hive.root(), hive / "Classes\\CLSID\\{N}\\InProcServer32", "", REG_SZ, noNul.data(),
              static_cast<DWORD>(noNul.size() * sizeof(wchar_t)));
  std::vector<uint8_t> odd(reinterpret_cast<const uint8_t*>(noNul.data()),
                           reinterpret_cast<const uint8_t*>(noNul.data()) + noNul.size() * 2);
  odd.push_back('x');
  hive.Put("Classes\\CLSID\\{O}", "", "Odd");
  RegWriteRaw(hive.root(), hive / "Classes\\CLSID\\{O}\\InProcServer32", "", REG_SZ, odd.data(),
              static_cast<DWORD>(odd.size()));
  // Short texts where the checks look at fixed positions.
  hive.Put("Classes\\.", "", "C");
  hive.Put("Classes\\C\\shell\\open\\command", "", "X.EXE");
  hive.Put("Classes\\CLSID\\{S}", "", "Short");
  hive.Put("Classes\\CLSID\\{S}\\InProcServer32", "", "C:");
  hive.Put("Fonts", "F", "\\");
  auto e = hive.Engine();
  auto dlls = RunKinds(*e, tree, {kSharedDlls});
  ASSERT_EQ(dlls.size(), 1u);
  EXPECT_EQ(dlls[0].ValueName, longName);
  EXPECT_EQ(Texts(RunKinds(*e, tree, {kComServers})), (std::vector<std::string>{"No NUL", "Odd"}));
  EXPECT_TRUE(RunKinds(*e, tree, {kFileTypes, kFonts}).empty());
}

// Cancel after a number of items: no entry for what came after, and the
// search says so.
TEST_F(EngineTest, CancelStopsEveryKind) {
  hive.Write("x\\here.dll");
  for (int i = 1; i <= 5; ++i) {
    const std::string n = std::to_string(i);
    const std::string gone = hive.Path("gone\\f" + n + ".exe");
    hive.Put("Classes\\.e" + n, "", "c" + n);
    hive.Put("Classes\\c" + n + "\\shell\\open\\command", "", gone);
    hive.Put("Classes\\CLSID\\{" + n + "}", "", "s" + n);
    hive.Put("Classes\\CLSID\\{" + n + "}\\InProcServer32", "", gone);
    hive.Put("Classes\\TypeLib\\{" + n + "}\\1.0", "", "t" + n);
    hive.Put("Classes\\TypeLib\\{" + n + "}\\1.0\\0\\win32", "", gone);
    hive.Put("SharedDLLs", gone, "1");
    hive.Put("Fonts", "f" + n, gone);
    hive.Put("AppEvents\\Schemes\\Apps\\a" + n + "\\e\\.current", "", gone);
    hive.Put("Help", "h" + n + ".hlp", hive.Path("gone"));
    hive.Put("App Paths\\p" + n + ".exe", "", gone);
    hive.Put("MRU12", "v" + n, gone);
    hive.Put("Classes\\i" + n + "\\DefaultIcon", "", hive.Path("gone\\i" + n + ".dll") + ",1");
  }
  // kind -> entries when Cancel is pressed during the third pump.
  const std::pair<int32_t, size_t> expected[] = {{kFileTypes, 2}, {kComServers, 2}, {kTypeLibs, 2},
                                                 {kSharedDlls, 2}, {kFonts, 2},      {kSystemSounds, 1},
                                                 {kHelpFiles, 2},  {kAppPaths, 2},   {kIcons, 0},
                                                 {12, 2}};
  for (const auto& [kind, entries] : expected) {
    SCOPED_TRACE(kind);
    auto e = hive.Engine();
    EXPECT_EQ(RunKinds(*e, tree, {kind}).size(), 5u);
    int pumps = 0;
    e->OnPump = [&pumps] {
      if (++pumps == 3) AbortFlag = 1;
    };
    SearchRequest r;
    r.Drives = "C";
    r.Kinds = {{kind, "k", 0}, {kSharedDlls, "never", 0}};
    EXPECT_EQ(RunRegistrySearchCore(*e, tree, r), SearchOutcome::Cancelled);
    EXPECT_EQ(tree.RootNodeCount(), 1u);  // the next kind never started
    EXPECT_EQ(tree.ChildCount(tree.GetFirst()), entries);
    EXPECT_FALSE(e->SearchComplete);
    EXPECT_EQ(e->MarkedCount, 0);
  }
}

}  // namespace
}  // namespace qz::rc::test
