// Both registry views on the real registry of the sandbox: findings of the
// 32-bit stores carry their stored paths, are listed once, are backed up
// and removed there, and come back there through the registry editor.
// Every planted name is unique and removed afterwards; the program runs
// under a lock shared with the end-to-end scenario.
#include <gtest/gtest.h>
#include <objbase.h>

#include <string>

#include "cleaning/registry/rc_delete.h"
#include "cleaning/registry/rc_search.h"
#include "core/disk.h"
#include "core/globals.h"
#include "core/reg_backup.h"
#include "core/registry.h"
#include "core/text.h"
#include "support/globals_guard.h"
#include "support/sandbox.h"

namespace qz::rc {
namespace {

using ui::VNode;
using ui::VTreeModel;

std::string NewGuid() {
  GUID g;
  CoCreateGuid(&g);
  wchar_t buf[64];
  StringFromGUID2(g, buf, 64);
  return Narrow(buf);
}

// Creates a key in the given view and writes its default value.
void Plant(HKEY root, const std::string& path, REGSAM view, const std::string& value,
           const std::string& name = {}) {
  HKEY h = nullptr;
  ASSERT_EQ(RegCreateKeyExW(root, Widen(path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &h, nullptr),
            ERROR_SUCCESS);
  std::wstring v = Widen(value);
  RegSetValueExW(h, Widen(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(v.c_str()),
                 static_cast<DWORD>((v.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(h);
}

bool Exists(HKEY root, const std::string& path, REGSAM view) {
  HKEY h = nullptr;
  if (RegOpenKeyExW(root, Widen(path).c_str(), 0, KEY_READ | view, &h) != ERROR_SUCCESS) return false;
  RegCloseKey(h);
  return true;
}

class ViewsTest : public ::testing::Test {
 protected:
  qz::test::GlobalsGuard globals;
  qz::test::ScratchDir dir{"rc_views"};
  VTreeModel tree;
  RegistryScanEngine e;
  std::string clsid32 = NewGuid(), clsid64 = NewGuid(), typelib = NewGuid();
  std::string sharedName = dir.path() + "gone\\shared32.dll";
  std::string wowFile;

  ViewsTest() {
    WinTempDir = ExcludeTrailingBackslash(dir.path()) + "\\wintemp";
    CreateDirectoryW(Widen(WinTempDir).c_str(), nullptr);
  }
  ~ViewsTest() override {
    for (REGSAM v : {REGSAM(KEY_WOW64_32KEY), REGSAM(KEY_WOW64_64KEY)}) {
      RegDeleteTreeW(HKEY_CLASSES_ROOT, Widen("CLSID\\" + clsid64).c_str());
      HKEY h = nullptr;
      if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID", 0, KEY_ALL_ACCESS | v, &h) == ERROR_SUCCESS) {
        RegDeleteTreeW(h, Widen(clsid32).c_str());
        RegCloseKey(h);
      }
      if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\TypeLib", 0, KEY_ALL_ACCESS | v, &h) ==
          ERROR_SUCCESS) {
        RegDeleteTreeW(h, Widen(typelib).c_str());
        RegCloseKey(h);
      }
      if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", 0,
                        KEY_ALL_ACCESS | v, &h) == ERROR_SUCCESS) {
        RegDeleteValueW(h, Widen(sharedName).c_str());
        RegCloseKey(h);
      }
    }
    if (!wowFile.empty()) DeleteFileW(Widen(wowFile).c_str());
  }

  std::vector<RegScanNode> Search(std::vector<int32_t> kinds) {
    SearchRequest r;
    r.Drives = "C";
    r.HideEmpty = false;
    for (int32_t k : kinds) r.Kinds.push_back({k, KindOf(k).Name, KindOf(k).ImageIndex});
    RunRegistrySearchCore(e, tree, r);
    std::vector<RegScanNode> out;
    for (VNode* n = tree.GetFirst(); n; n = tree.GetNext(n)) {
      const RegScanNode& d = tree.Data<RegScanNode>(n);
      if (!d.IsCategory && (IContains(d.Key, clsid32) || IContains(d.Key, clsid64) || IContains(d.Key, typelib) ||
                            IEquals(d.ValueName, sharedName)))
        out.push_back(d);
    }
    return out;
  }
};

TEST_F(ViewsTest, ThirtyTwoBitStoresAreSearchedWithTheirStoredPaths) {
  // A server registered by a 32-bit program, whose file is gone.
  Plant(HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID\\" + clsid32, KEY_WOW64_32KEY, "Qz 32-bit server");
  Plant(HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID\\" + clsid32 + "\\InProcServer32", KEY_WOW64_32KEY,
        dir.path() + "gone\\orphan32.dll");
  ASSERT_FALSE(Exists(HKEY_CLASSES_ROOT, "CLSID\\" + clsid32, 0));
  // A 64-bit server naming the system folder, with its file only in SysWOW64.
  wchar_t wow[MAX_PATH];
  ASSERT_GT(GetSystemWow64DirectoryW(wow, MAX_PATH), 0u);
  wowFile = Narrow(wow) + "\\QZRCVIEW.DLL";
  HANDLE f = CreateFileW(Widen(wowFile).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  CloseHandle(f);
  Plant(HKEY_CLASSES_ROOT, "CLSID\\" + clsid64, 0, "Qz system-folder server");
  Plant(HKEY_CLASSES_ROOT, "CLSID\\" + clsid64 + "\\InProcServer32", 0, "C:\\WINDOWS\\SYSTEM32\\QZRCVIEW.DLL");
  // A type library planted through the 32-bit view, and a 32-bit SharedDLLs value.
  Plant(HKEY_LOCAL_MACHINE, "Software\\Classes\\TypeLib\\" + typelib + "\\1.0", KEY_WOW64_32KEY, "Qz library");
  Plant(HKEY_LOCAL_MACHINE, "Software\\Classes\\TypeLib\\" + typelib + "\\1.0\\0\\win32", KEY_WOW64_32KEY,
        dir.path() + "gone\\lib.tlb");
  Plant(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", KEY_WOW64_32KEY, "1",
        sharedName);

  std::vector<RegScanNode> found = Search({kComServers, kTypeLibs, kSharedDlls});
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0].Text, "Qz 32-bit server");
  EXPECT_EQ(found[0].Root, HKEY_LOCAL_MACHINE);
  EXPECT_TRUE(IEquals(found[0].Key, "Software\\Classes\\Wow6432Node\\CLSID\\" + clsid32)) << found[0].Key;
  EXPECT_EQ(found[1].Text, "Qz library");  // listed once, whichever view it was planted through
  EXPECT_EQ(found[2].Root, HKEY_LOCAL_MACHINE);
  EXPECT_TRUE(IStartsWith(found[2].Key, "Software\\Wow6432Node\\")) << found[2].Key;
}

TEST_F(ViewsTest, UndoRecordAndRestoreStayInTheThirtyTwoBitView) {
  Plant(HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID\\" + clsid32, KEY_WOW64_32KEY, "Qz 32-bit server");
  Plant(HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID\\" + clsid32 + "\\InProcServer32", KEY_WOW64_32KEY,
        dir.path() + "gone\\orphan32.dll");
  Plant(HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID\\" + clsid32 + "\\InProcServer32", KEY_WOW64_32KEY, "Both",
        "ThreadingModel");
  ASSERT_EQ(Search({kComServers}).size(), 1u);
  // Only this finding stays checked.
  for (VNode* n = tree.GetFirst(); n; n = tree.GetNext(n)) {
    const RegScanNode& d = tree.Data<RegScanNode>(n);
    if (!d.IsCategory && !IContains(d.Key, clsid32)) tree.SetCheckState(n, ui::CheckState::Unchecked);
  }
  const std::string undo = dir.path() + "undo\\views.REG";
  DeleteHooks hooks;
  hooks.BackupName = [&] { return undo; };
  DeleteResult r = DeleteMarkedEntriesCore(e, tree, hooks);
  ASSERT_EQ(r.Outcome, DeleteOutcome::Done);
  EXPECT_EQ(e.DeletedCount, 1);
  EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID\\" + clsid32, KEY_WOW64_32KEY));
  const std::string text = qz::test::ReadFileText(undo);
  EXPECT_TRUE(IContains(text, "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Wow6432Node\\CLSID\\" + clsid32 + "]"));

  ASSERT_TRUE(RestoreRegistryBackup(undo));
  EXPECT_TRUE(Exists(HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID\\" + clsid32 + "\\InProcServer32",
                     KEY_WOW64_32KEY));
  EXPECT_FALSE(Exists(HKEY_CLASSES_ROOT, "CLSID\\" + clsid32, 0));
  HKEY h = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, Widen("Software\\Classes\\CLSID\\" + clsid32 + "\\InProcServer32").c_str(),
                          0, KEY_READ | KEY_WOW64_32KEY, &h),
            ERROR_SUCCESS);
  wchar_t buf[64] = {};
  DWORD size = sizeof buf;
  EXPECT_EQ(RegQueryValueExW(h, L"ThreadingModel", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size),
            ERROR_SUCCESS);
  RegCloseKey(h);
  EXPECT_EQ(Narrow(buf), "Both");
}

}  // namespace
}  // namespace qz::rc
