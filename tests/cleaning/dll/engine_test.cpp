// The analysis engine over fake Windows trees on the fixture drive D:.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <map>

#include "cleaning/dll/dll_engine.h"
#include "core/globals.h"
#include "core/pump.h"
#include "dll_fixture.h"

using namespace qz;
using namespace qz::dll;
using namespace qz::dll::test;

namespace {

class DllEngineTest : public ::testing::Test {
 protected:
  void SetUp() override { AbortFlag = 0; }
  void TearDown() override {
    AbortFlag = 0;
    SetMessagePump(nullptr);
  }

  // Runs the search over the tree only (not the whole drive).
  void Search(DllEngine& e, const DllTree& t) {
    e.Folders = t.Folders();
    e.BeginSearch();
    e.SearchDllFolder(t.path());
    e.FormGroups();
  }
  // The groups as "NAME" and "rel-path reason" lines (paths below the tree,
  // upper case).
  static std::vector<std::string> Lines(const DllEngine& e, const DllTree& t) {
    std::vector<std::string> out;
    const std::string base = UpperLocale(t.path());
    for (size_t i = 0; i < e.DllGroups.size(); ++i) {
      std::string name;
      int64_t number = 0;
      EXPECT_TRUE(ParseGroupLine(e.DllGroups[i], name, number)) << e.DllGroups[i];
      if (number < 0) {
        out.push_back(name);
        continue;
      }
      std::string p = e.Files.at(static_cast<size_t>(number)).UpperPath;
      if (p.compare(0, base.size(), base) == 0) p = p.substr(base.size());
      out.push_back(p + " " + e.DllReasons[i]);
    }
    return out;
  }
  static bool Collected(const DllEngine& e, const std::string& path) {
    const std::string u = NormalisePath(path);
    return std::any_of(e.Files.begin(), e.Files.end(), [&](const DllFile& f) { return f.UpperPath == u; });
  }
};

}  // namespace

// The references in the system folders are collected, the protected stores
// and everything below the system folders are not entered, the extension is
// checked on the long name, a name without a reference gives no group, and
// members are in path order.
TEST_F(DllEngineTest, GroupsReferencesAndProtectedStores) {
  DllTree t("walk");
  t.Plant("qzfx64_2", "win\\System32\\QZA.DLL");
  t.Plant("qzfx32_2", "win\\SysWOW64\\qza.dll");
  t.Plant("qzfx64_1", "zeta\\QZA.DLL");
  t.Plant("qzfx32_1", "alpha\\Qza.Dll");
  t.Plant("qzfx64_3", "mid\\QZA.DLL");
  for (const char* store : {"win\\WinSxS\\x86_qz\\", "win\\assembly\\GAC\\", "win\\Microsoft.NET\\Framework\\",
                            "win\\System\\", "win\\Driver Cache\\i386\\", "win\\ServicePackFiles\\",
                            "win\\$NtUninstallKB123$\\", "win\\$NtServicePackUninstall$\\", "win\\Installer\\",
                            "win\\servicing\\", "win\\System32\\drivers\\", "win\\SysWOW64\\sub\\"})
    t.Plant("qzfx64_1", std::string(store) + "QZA.DLL");
  t.Plant("qzfx64_1", "b1\\QZB.DLL");
  t.Plant("qzfx64_1", "b2\\QZB.DLL");
  t.Plant("qzfx64_1", "x\\QZA.DLLX");
  t.Plant("qzfx64_1", "x\\QZA.DL");

  DllEngine e;
  Search(e, t);
  const std::vector<std::string> want = {"QZA.DLL",
                                         "ALPHA\\QZA.DLL 4",
                                         "MID\\QZA.DLL 5",
                                         "WIN\\SYSTEM32\\QZA.DLL 6",
                                         "WIN\\SYSWOW64\\QZA.DLL 6",
                                         "ZETA\\QZA.DLL 4"};
  EXPECT_EQ(Lines(e, t), want);
  EXPECT_EQ(e.Files.size(), 7u);  // five QZA.DLL copies and two QZB.DLL
  EXPECT_EQ(e.DllFilesSeen, 7);   // QZA.DLLX and QZA.DL are no DLLs
  EXPECT_TRUE(Collected(e, t / "b1\\QZB.DLL"));
  EXPECT_FALSE(Collected(e, t / "win\\WinSxS\\x86_qz\\QZA.DLL"));
  // The folders entered: the tree, win, System32, SysWOW64 and the six plain folders.
  EXPECT_EQ(e.FoldersEntered, 10);
  // The per-copy details are read for the grouped copies.
  const DllFile& mid = *std::find_if(e.Files.begin(), e.Files.end(),
                                     [](const DllFile& f) { return f.UpperPath.find("\\MID\\") != std::string::npos; });
  EXPECT_EQ(mid.VersionText, "3.0.0.0");
  EXPECT_EQ(mid.Machine, kMachineX64);
  EXPECT_FALSE(mid.Date.empty());
  EXPECT_EQ(mid.Size, static_cast<int64_t>(qz::test::ReadFileText(FixtureDll("qzfx64_3")).size()));
  // The real spelling is kept for acting on the file.
  EXPECT_TRUE(std::any_of(e.Files.begin(), e.Files.end(),
                          [](const DllFile& f) { return EndsWith(f.Path, "\\alpha\\Qza.Dll"); }));
}

// Group keys compare by character codes ("_" after the letters), groups
// come out in that order and only a group with a copy outside the Windows
// folders is listed.
TEST_F(DllEngineTest, GroupOrderAndQualification) {
  DllTree t("order");
  t.Plant("qzfx64_1", "win\\System32\\QZ_1.DLL");
  t.Plant("qzfx64_1", "a\\QZ_1.DLL");
  t.Plant("qzfx64_1", "win\\System32\\QZA1.DLL");
  t.Plant("qzfx64_1", "a\\QZA1.DLL");
  t.Plant("qzfx64_1", "win\\QZONLY.DLL");  // only in Windows folders: nothing to offer
  t.Plant("qzfx64_1", "win\\System32\\QZONLY.DLL");
  DllEngine e;
  Search(e, t);
  const std::vector<std::string> want = {"QZA1.DLL", "A\\QZA1.DLL 1", "WIN\\SYSTEM32\\QZA1.DLL 6",
                                         "QZ_1.DLL", "A\\QZ_1.DLL 1", "WIN\\SYSTEM32\\QZ_1.DLL 6"};
  EXPECT_EQ(Lines(e, t), want);
}

// Folder exceptions in every form cover their whole sub-trees; file
// exceptions match by bare name and by full path.
TEST_F(DllEngineTest, Exceptions) {
  DllTree t("exc");
  t.Plant("qzfx64_2", "win\\System32\\QZC.DLL");
  for (const char* rel : {"keep\\QZC.DLL", "skip1\\QZC.DLL", "skip1\\deep\\er\\QZC.DLL", "skip2\\QZC.DLL",
                          "skip-three-long-name\\QZC.DLL", "skip4\\QZC.DLL", "files\\qze.dll", "files\\QZF.DLL",
                          "files2\\QZF.DLL"})
    t.Plant("qzfx64_1", rel);
  t.Plant("qzfx64_2", "win\\System32\\QZE.DLL");
  t.Plant("qzfx64_2", "win\\System32\\QZF.DLL");
  wchar_t shortPath[MAX_PATH] = {};
  ASSERT_GT(GetShortPathNameW(Widen(t / "skip-three-long-name").c_str(), shortPath, MAX_PATH), 0u);
  ASSERT_NE(Narrow(shortPath), t / "skip-three-long-name");
  SetEnvironmentVariableW(L"QZDLLTEST", Widen(t.path()).c_str());

  DllEngine e;
  e.ExceptionFolders = {t / "skip1\\", "%QZDLLTEST%skip2", Narrow(shortPath), UpperLocale(t / "skip4")};
  e.ExceptionFiles = {"qze.dll", LowerAscii(t / "files\\QZF.DLL")};
  Search(e, t);
  SetEnvironmentVariableW(L"QZDLLTEST", nullptr);
  EXPECT_TRUE(Collected(e, t / "keep\\QZC.DLL"));
  EXPECT_TRUE(Collected(e, t / "files2\\QZF.DLL"));
  for (const char* rel : {"skip1\\QZC.DLL", "skip1\\deep\\er\\QZC.DLL", "skip2\\QZC.DLL",
                          "skip-three-long-name\\QZC.DLL", "skip4\\QZC.DLL", "files\\qze.dll", "files\\QZF.DLL",
                          "win\\System32\\QZE.DLL"})
    EXPECT_FALSE(Collected(e, t / rel)) << rel;
  // The excepted folders were not entered at all: the tree, win, System32,
  // SysWOW64, keep, files and files2 were.
  EXPECT_EQ(e.FoldersEntered, 7);
}

// With WriteProtected off a read-only copy is left out, with it on it is
// collected; a copy held open by someone is left out; the search writes no
// attribute.
TEST_F(DllEngineTest, ReadOnlyAndInUseCopies) {
  DllTree t("lock");
  t.Plant("qzfx64_2", "win\\System32\\QZG.DLL");
  const std::string ro = t.Plant("qzfx64_1", "ro\\QZG.DLL");
  const std::string held = t.Plant("qzfx64_1", "held\\QZG.DLL");
  const std::string free = t.Plant("qzfx64_1", "free\\QZG.DLL");
  t.Plant("qzfx64_2", "win\\System32\\QZH.DLL");
  const std::string heldOnly = t.Plant("qzfx64_1", "held\\QZH.DLL");
  const std::string hiddenRef = t / "win\\System32\\QZG.DLL";
  SetFileAttributesW(Widen(ro).c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  SetFileAttributesW(Widen(hiddenRef).c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM);
  auto attributes = [&] {
    std::vector<DWORD> a;
    for (const std::string& p : {ro, held, free, heldOnly, hiddenRef}) a.push_back(GetFileAttributesW(Widen(p).c_str()));
    return a;
  };
  const std::vector<DWORD> before = attributes();
  HANDLE h1 = CreateFileW(Widen(held).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  HANDLE h2 = CreateFileW(Widen(heldOnly).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h1, INVALID_HANDLE_VALUE);
  ASSERT_NE(h2, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(IsFileInUse(held));
  EXPECT_FALSE(IsFileInUse(free));
  EXPECT_FALSE(IsFileInUse(ro));
  EXPECT_FALSE(IsFileInUse(t / "gone.dll"));

  DllEngine off;
  Search(off, t);
  EXPECT_EQ(Lines(off, t), (std::vector<std::string>{"QZG.DLL", "FREE\\QZG.DLL 4", "WIN\\SYSTEM32\\QZG.DLL 6"}));
  DllEngine on;
  on.Options.WriteProtected = true;
  Search(on, t);
  EXPECT_EQ(Lines(on, t), (std::vector<std::string>{"QZG.DLL", "FREE\\QZG.DLL 4", "RO\\QZG.DLL 4",
                                                     "WIN\\SYSTEM32\\QZG.DLL 6"}));
  CloseHandle(h1);
  CloseHandle(h2);
  EXPECT_EQ(attributes(), before);
  SetFileAttributesW(Widen(ro).c_str(), FILE_ATTRIBUTE_NORMAL);
  SetFileAttributesW(Widen(hiddenRef).c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Copies that SharedDLLs (either view), an App Paths program (its folder or
// its Path) or the KnownDLLs name are not collected; the reference copies in
// the system folder are, whatever the registry says.
TEST_F(DllEngineTest, ReferencedCopiesAreNotCollected) {
  DllTree t("refs");
  t.Plant("qzfx64_2", "win\\System32\\QZR.DLL");
  t.Plant("qzfx64_2", "win\\System32\\QZK15.DLL");
  for (const char* rel : {"free\\QZR.DLL", "shared64\\QZR.DLL", "shared32\\QZR.DLL", "prog\\QZR.DLL",
                          "path1\\QZR.DLL", "path2\\QZR.DLL", "known\\QZK15.DLL"})
    t.Plant("qzfx64_1", rel);
  const std::string appKey = std::string(kAppPathsKey) + "\\qzdll15-test.exe";
  PlantedValue shared64(kSharedDllsKey, t / "shared64\\qzr.dll", "");
  PlantedValue shared32(Wow32(kSharedDllsKey), t / "shared32\\QZR.DLL", "");
  PlantedValue sysShared(kSharedDllsKey, t / "win\\System32\\QZR.DLL", "");
  PlantedValue app(appKey, "", "\"" + (t / "prog\\qzdll15-test.exe") + "\"");
  PlantedValue appPath(appKey, "Path", (t / "path1") + ";" + (t / "path2\\") + ";");
  PlantedValue known(kKnownDllsKey, "qzk15", "qzk15.dll");

  DllEngine e;
  Search(e, t);
  EXPECT_EQ(Lines(e, t), (std::vector<std::string>{"QZR.DLL", "FREE\\QZR.DLL 4", "WIN\\SYSTEM32\\QZR.DLL 6"}));
  EXPECT_TRUE(Collected(e, t / "win\\System32\\QZK15.DLL"));
  EXPECT_FALSE(Collected(e, t / "known\\QZK15.DLL"));

  // A path of the 32-bit view below the system folder also names the copy
  // in the 32-bit system folder; one of the 64-bit view does not.
  PlantedValue wow(Wow32(kSharedDllsKey), t / "win\\System32\\QZW32.DLL", "");
  PlantedValue native(kSharedDllsKey, t / "win\\System32\\QZW64.DLL", "");
  const DllPlaces places(t.Folders());
  const DllReferences refs = DllReferences::Read(places);
  EXPECT_TRUE(refs.IsReferenced(places.Wow64Dir(), "QZW32.DLL"));
  EXPECT_TRUE(refs.IsReferenced(places.SysDir(), "QZW32.DLL"));
  EXPECT_FALSE(refs.IsReferenced(places.Wow64Dir(), "QZW64.DLL"));
  EXPECT_TRUE(refs.IsReferenced(NormalisePath(t / "path2"), "ANY.DLL"));
}

// Paths in normal form and the protected places.
TEST(DllPlaces, NormalFormAndProtectedFolders) {
  DllTree t("places");
  t.Plant("qzfx64_1", "long folder name\\x.dll");
  wchar_t shortPath[MAX_PATH] = {};
  ASSERT_GT(GetShortPathNameW(Widen(t / "long folder name\\").c_str(), shortPath, MAX_PATH), 0u);
  EXPECT_EQ(NormalisePath(Narrow(shortPath)), UpperLocale(t / "long folder name"));
  EXPECT_EQ(NormalisePath("d:\\"), "D:");
  EXPECT_EQ(NormalisePath("  "), "");

  const DllPlaces p({"C:\\Windows", "C:\\Windows\\System32", "C:\\Windows\\SysWOW64"});
  EXPECT_EQ(p.PlaceOf("C:\\WINDOWS"), DllPlace::WinDir);
  EXPECT_EQ(p.PlaceOf("C:\\WINDOWS\\SYSTEM32"), DllPlace::SysDir);
  EXPECT_EQ(p.PlaceOf("C:\\WINDOWS\\SYSWOW64"), DllPlace::Wow64Dir);
  EXPECT_EQ(p.PlaceOf("C:\\WINDOWS\\SYSTEM32\\DRIVERS"), DllPlace::Elsewhere);
  EXPECT_TRUE(p.IsProtectedChild("D:", "SYSTEM VOLUME INFORMATION"));
  EXPECT_TRUE(p.IsProtectedChild("C:", "$RECYCLE.BIN"));
  EXPECT_FALSE(p.IsProtectedChild("C:\\DATA", "$RECYCLE.BIN"));
  EXPECT_TRUE(p.IsProtectedChild("C:\\WINDOWS", "$NTUNINSTALLKB99$"));
  EXPECT_FALSE(p.IsProtectedChild("C:\\WINDOWS", "$NTUNINSTALL"));
  EXPECT_FALSE(p.IsProtectedChild("C:\\WINDOWS", "TEMP"));
  EXPECT_TRUE(p.IsInProtectedFolder("C:\\WINDOWS\\WINSXS\\X86_A\\B"));
  EXPECT_TRUE(p.IsInProtectedFolder("C:\\WINDOWS\\SYSTEM32\\DRIVERS"));
  EXPECT_FALSE(p.IsInProtectedFolder("C:\\WINDOWS\\SYSTEM32"));
  EXPECT_FALSE(p.IsInProtectedFolder("C:\\PROGRAM FILES\\WINSXS"));
}

// Links made on the host by fixtures.sh: a loop back to its own folder, a
// link into the canary and one to a folder outside the drive with a DLL of
// a grouped name. None is entered.
TEST_F(DllEngineTest, LinksAreNotFollowed) {
  const std::string fx = "D:\\qzdlllink\\";
  ASSERT_TRUE(Exists(fx + "tree\\loop")) << "host fixture missing (tests/cleaning/dll/fixtures.sh)";
  for (const char* l : {"tree\\loop", "tree\\canary-link", "tree\\outside-link"}) {
    const DWORD a = GetFileAttributesW(Widen(fx + l).c_str());
    ASSERT_NE(a, INVALID_FILE_ATTRIBUTES) << l;
    EXPECT_TRUE(a & FILE_ATTRIBUTE_REPARSE_POINT) << l;
  }
  DllEngine e;
  e.Folders = {fx + "win", fx + "win\\System32", fx + "win\\SysWOW64"};
  e.BeginSearch();
  e.SearchDllFolder(fx);
  e.FormGroups();
  EXPECT_EQ(e.FoldersEntered, 5);  // qzdlllink, tree, tree\real, win, System32
  ASSERT_EQ(e.DllGroups.size(), 3u);
  for (const DllFile& f : e.Files) {
    EXPECT_EQ(f.UpperPath.find("-LINK"), std::string::npos) << f.UpperPath;
    EXPECT_EQ(f.UpperPath.find("\\LOOP"), std::string::npos) << f.UpperPath;
  }
}

// Sizes beyond 4 GiB come from both halves of the find data (a sparse file).
TEST_F(DllEngineTest, SizesAreSixtyFourBit) {
  DllTree t("big");
  t.Plant("qzfx64_2", "win\\System32\\QZBIG.DLL");
  const std::string big = t / "app\\QZBIG.DLL";
  qz::dll::test::MakeDirs(t / "app");
  HANDLE h = CreateFileW(Widen(big).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  LARGE_INTEGER size;
  size.QuadPart = int64_t{5} << 30;
  ASSERT_TRUE(SetFilePointerEx(h, size, nullptr, FILE_BEGIN) && SetEndOfFile(h));
  CloseHandle(h);
  DllEngine e;
  Search(e, t);
  ASSERT_EQ(Lines(e, t), (std::vector<std::string>{"QZBIG.DLL", "APP\\QZBIG.DLL 2", "WIN\\SYSTEM32\\QZBIG.DLL 6"}));
  int64_t n = 0;
  std::string name;
  ASSERT_TRUE(ParseGroupLine(e.DllGroups[1], name, n));
  EXPECT_EQ(e.Files[static_cast<size_t>(n)].Size, int64_t{5} << 30);
}

// Cancel after three DLL hits: the engine stops at once and says so.
TEST_F(DllEngineTest, AbortLeavesAnIncompleteResult) {
  DllTree t("abort");
  t.Plant("qzfx64_2", "win\\System32\\QZAB.DLL");
  for (int i = 0; i < 8; ++i) t.Plant("qzfx64_1", "d" + std::to_string(i) + "\\QZAB.DLL");
  DllEngine e;
  e.PumpIntervalMs = 0;
  SetMessagePump([&] {
    if (e.DllFilesSeen >= 3) AbortFlag = 1;
  });
  Search(e, t);
  EXPECT_EQ(AbortFlag, 1);
  EXPECT_EQ(e.DllFilesSeen, 3);
  EXPECT_LT(e.Files.size(), 3u);
  EXPECT_TRUE(e.DllGroups.empty());
}

// The whole search through the drive letters: only the chosen drives, the
// groups of the tree among whatever else the drive holds.
TEST_F(DllEngineTest, DriveLetters) {
  DllTree t("drives");
  t.Plant("qzfx64_2", "win\\System32\\QZDRV15.DLL");
  t.Plant("qzfx64_1", "app\\QZDRV15.DLL");
  DllEngine e;
  e.Folders = t.Folders();
  e.DriveLetters = "";
  e.AnalyzeDlls();
  EXPECT_EQ(e.FoldersEntered, 0);
  EXPECT_TRUE(e.DllGroups.empty());
  e.DriveLetters = "D";
  e.AnalyzeDlls();
  EXPECT_EQ(e.CurrentDrive, "D:\\");
  auto it = std::find(e.DllGroups.begin(), e.DllGroups.end(), GroupHeader("QZDRV15.DLL"));
  ASSERT_NE(it, e.DllGroups.end());
  ASSERT_LE(it + 3, e.DllGroups.end());
  EXPECT_EQ(e.DllReasons[static_cast<size_t>(it - e.DllGroups.begin()) + 1], "4");
  e.ClearFileLists();
  EXPECT_TRUE(e.Files.empty());
  EXPECT_TRUE(e.DllGroups.empty());
}

TEST(DllGroupLines, Form) {
  std::string name;
  int64_t n = 0;
  EXPECT_EQ(GroupKey("MFC42.DLL", 17), "MFC42.DLL:\\17");
  ASSERT_TRUE(ParseGroupLine("MFC42.DLL:\\17", name, n));
  EXPECT_EQ(name, "MFC42.DLL");
  EXPECT_EQ(n, 17);
  ASSERT_TRUE(ParseGroupLine(GroupHeader("A.DLL"), name, n));
  EXPECT_EQ(n, -1);
  EXPECT_FALSE(ParseGroupLine("A.DLL", name, n));
  EXPECT_FALSE(ParseGroupLine("A.DLL:\\1x", name, n));
  EXPECT_FALSE(ParseGroupLine(":\\1", name, n));
}
