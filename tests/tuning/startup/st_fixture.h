// Shared fixture of the StartUp-Tuner engine tests: every place of the
// autostart table points into the test's own scratch folder, scratch win.ini
// and scratch keys (HKLM and HKCU Software\QZTests\st-<test>, the HKLM one in
// both registry views), and a store whose single steps a test can make fail.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/disk.h"
#include "core/reg_backup.h"
#include "core/registry.h"
#include "core/shortcut.h"
#include "core/text.h"
#include "support/sandbox.h"
#include "tuning/startup/autostart.h"
#include "tuning/startup/st_store.h"

namespace qz::st::test {

// The store of the real system, with a switch per step: a step whose check
// answers true fails without doing anything. Calls are counted per step.
class TestStore : public StartupStore {
 public:
  using Check = std::function<bool(const std::string& where)>;
  std::map<std::string, Check> fail;
  std::map<std::string, int> calls;
  SYSTEMTIME backupTime{2024, 3, 2, 12, 14, 5, 33, 0};  // fixed: undo-file names are known

  bool Fails(const char* step, const std::string& where) {
    ++calls[step];
    auto it = fail.find(step);
    return it != fail.end() && it->second(where);
  }
  static Check Always() {
    return [](const std::string&) { return true; };
  }
  static Check When(const std::string& part) {
    return [part](const std::string& where) { return IContains(where, part); };
  }

  std::vector<RegNamedValue> ListValues(HKEY root, const std::string& key) override {
    if (Fails("ListValues", key)) return {};
    return StartupStore::ListValues(root, key);
  }
  std::optional<RegRawValue> ReadValue(HKEY root, const std::string& key, const std::string& name) override {
    if (Fails("ReadValue", key + "|" + name)) return std::nullopt;
    return StartupStore::ReadValue(root, key, name);
  }
  bool WriteValue(HKEY root, const std::string& key, const std::string& name, const RegRawValue& v) override {
    if (Fails("WriteValue", key + "|" + name)) return false;
    return StartupStore::WriteValue(root, key, name, v);
  }
  bool RemoveValue(HKEY root, const std::string& key, const std::string& name) override {
    if (Fails("RemoveValue", key + "|" + name)) return false;
    return StartupStore::RemoveValue(root, key, name);
  }
  bool WriteString(HKEY root, const std::string& key, const std::string& name, const std::string& text,
                   DWORD type) override {
    if (Fails("WriteString", key + "|" + name)) return false;
    return StartupStore::WriteString(root, key, name, text, type);
  }
  bool RemoveKey(HKEY root, const std::string& key) override {
    if (Fails("RemoveKey", key)) return false;
    return StartupStore::RemoveKey(root, key);
  }
  std::string MakeBackupFileName(const std::string& base) override {
    return qz::MakeBackupFileName(base, backupTime, 1033);
  }
  bool BeginBackup(const std::string& file) override {
    if (Fails("BeginBackup", file)) return false;
    return StartupStore::BeginBackup(file);
  }
  bool BackupValue(HKEY root, const std::string& key, const std::string& name) override {
    if (Fails("BackupValue", key + "|" + name)) return false;
    return StartupStore::BackupValue(root, key, name);
  }
  bool BackupKey(HKEY root, const std::string& key) override {
    if (Fails("BackupKey", key)) return false;
    return StartupStore::BackupKey(root, key);
  }
  bool EndBackup() override {
    if (Fails("EndBackup", "")) {
      StartupStore::EndBackup();
      return false;
    }
    return StartupStore::EndBackup();
  }
  bool WriteIniText(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& text) override {
    if (Fails("WriteIniText", section + "|" + key)) return false;
    return StartupStore::WriteIniText(file, section, key, text);
  }
  bool DeleteIniKey(const std::string& file, const std::string& section, const std::string& key) override {
    if (Fails("DeleteIniKey", section + "|" + key)) return false;
    return StartupStore::DeleteIniKey(file, section, key);
  }
  bool ShellMove(const std::string& source, const std::string& target) override {
    if (Fails("ShellMove", source)) return false;
    return StartupStore::ShellMove(source, target);
  }
  bool ShellCopy(const std::string& source, const std::string& target) override {
    if (Fails("ShellCopy", source)) return false;
    return StartupStore::ShellCopy(source, target);
  }
  bool Recycle(const std::string& file) override {
    if (Fails("Recycle", file)) return false;
    return StartupStore::Recycle(file);
  }
  void SaveLink(TShortcutLink& link) override {
    if (Fails("SaveLink", link.ShortcutFile)) throw EShortcutError("Unable to create .lnk file");
    StartupStore::SaveLink(link);
  }
  HICON ExtractFileIcon(const std::string& file) override {
    ++calls["ExtractFileIcon"];
    extracted.push_back(file);
    return StartupStore::ExtractFileIcon(file);
  }
  std::vector<std::string> extracted;
};

// A unique scratch name for the running test.
inline std::string TestName(const std::string& prefix) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string n = prefix + std::string(info->test_suite_name()) + "-" + info->name();
  for (char& c : n)
    if (c == '/' || c == '\\') c = '-';
  return n;
}

// The key a 32-bit program reaches for a key below HKLM\Software.
inline std::string Wow32Path(const std::string& softwarePath) {
  // "Software\QZTests\x" -> "Software\Wow6432Node\QZTests\x"
  return "Software\\Wow6432Node\\" + softwarePath.substr(std::string("Software\\").size());
}

inline RegRawValue Sz(const std::string& text, DWORD type = REG_SZ) {
  std::wstring w = Widen(text);
  RegRawValue v;
  v.type = type;
  v.data.resize((w.size() + 1) * sizeof(wchar_t));
  memcpy(v.data.data(), w.c_str(), v.data.size());
  return v;
}

inline void Plant(HKEY root, const std::string& key, const std::string& name, const RegRawValue& v) {
  ASSERT_TRUE(RegWriteRaw(root, key, name, v.type, v.data.data(), static_cast<DWORD>(v.data.size())))
      << key << " " << name;
}

// A link saved once per test program (a save costs about 100 ms), copied
// wherever a test needs one: target notepad with arguments, a working folder,
// description, icon, hot key and show state.
inline const std::string& TemplateLink() {
  static qz::test::ScratchDir dir("st-template-" + std::to_string(GetCurrentProcessId()));
  static std::string path = [] {
    std::string p = dir / "template.lnk";
    TShortcutLink link;
    link.ShortcutFile = p;
    link.Target = "C:\\windows\\notepad.exe";
    link.Arguments = "/a \"b c\"";
    link.WorkingDir = "C:\\windows";
    link.Description = "A tool";
    link.IconLocation = "C:\\windows\\system32\\shell32.dll";
    link.IconNumber = 3;
    link.SetHotKey("k");
    link.SetShowCmd(TShowCmd::scShowMinimized);
    link.SaveShortcut();
    return p;
  }();
  return path;
}

inline bool MakeDirs(const std::string& dir) {
  std::wstring w = Widen(ExcludeTrailingBackslash(dir));
  for (size_t i = 3; i <= w.size(); ++i)
    if (i == w.size() || w[i] == L'\\') CreateDirectoryW(w.substr(0, i).c_str(), nullptr);
  return DirectoryExists(dir);
}

inline std::string PlantLink(const std::string& folder, const std::string& fileName, DWORD attributes = 0) {
  MakeDirs(folder);
  std::string p = ExcludeTrailingBackslash(folder) + "\\" + fileName;
  CopyFileW(Widen(TemplateLink()).c_str(), Widen(p).c_str(), FALSE);
  if (attributes) SetFileAttributesW(Widen(p).c_str(), attributes);
  return p;
}

inline std::string FileBytes(const std::string& path) {
  std::ifstream in(Widen(path).c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline DWORD AttributesOf(const std::string& path) { return GetFileAttributesW(Widen(path).c_str()); }

// Names the host-side check must find in the sandbox's trash after the run.
inline void ExpectInTrash(const std::string& windowsPath) {
  CreateDirectoryW(L"C:\\qztests", nullptr);
  std::ofstream out("C:\\qztests\\expect-trash-st.txt", std::ios::app | std::ios::binary);
  out << windowsPath << "\n";
}

class StartupTest : public ::testing::Test {
 protected:
  StartupTest()
      : name(TestName("st-")),
        dir(name),
        machine(name, HKEY_LOCAL_MACHINE),
        user(name, HKEY_CURRENT_USER),
        machine32(Wow32Path(machine.key())) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, Widen(machine32).c_str());
    places.CommonStartup = dir / "common";
    places.UserStartup = dir / "user";
    places.NotActive1 = dir / "app\\Backups\\StartUp-Tuner\\not active1";
    places.NotActive2 = dir / "app\\Backups\\StartUp-Tuner\\not active2";
    places.WinIni = dir / "win.ini";
    places.MachineKey = machine.key();
    places.UserKey = user.key();
    places.BackupDir = dir / "app\\Backups\\ST";
    MakeDirs(places.CommonStartup);
    MakeDirs(places.UserStartup);
  }
  ~StartupTest() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, Widen(machine32).c_str()); }

  AutostartEngine& Engine() {
    if (!engine) engine = std::make_unique<AutostartEngine>(store, places);
    return *engine;
  }
  void WriteWinIni(const std::string& text) {
    HANDLE h = CreateFileW(Widen(places.WinIni).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD put = 0;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &put, nullptr);
    CloseHandle(h);
  }
  // The entries of the tree as "category|display|command|checked" lines.
  std::vector<std::string> Rows(ui::VTreeModel& tree) {
    std::vector<std::string> out;
    for (ui::VNode* n = tree.GetFirst(); n; n = tree.GetNext(n)) {
      const AutostartEntry& e = tree.Data<AutostartEntry>(n);
      if (e.IsCategoryNode) continue;
      out.push_back(std::to_string(e.Source) + "|" + e.DisplayName + "|" + e.Command + "|" +
                    (tree.GetCheckState(n) == ui::CheckState::Checked ? "on" : "off"));
    }
    return out;
  }
  // The entry shown with that display name (nullptr when none).
  ui::VNode* Find(ui::VTreeModel& tree, const std::string& display) {
    for (ui::VNode* n = tree.GetFirst(); n; n = tree.GetNext(n))
      if (!tree.Data<AutostartEntry>(n).IsCategoryNode && tree.Data<AutostartEntry>(n).DisplayName == display)
        return n;
    return nullptr;
  }
  AutostartEntry Built(const std::string& display) {
    Engine().BuildAutostartTree(tree, true);
    ui::VNode* n = Find(tree, display);
    EXPECT_NE(n, nullptr) << display;
    return n ? tree.Data<AutostartEntry>(n) : AutostartEntry{};
  }
  std::string Run(bool userRoot) const { return (userRoot ? user.key() : machine.key()) + "\\Run"; }

  std::string name;
  qz::test::ScratchDir dir;
  qz::test::ScratchKey machine, user;
  std::string machine32;
  StartupPlaces places;
  TestStore store;
  std::unique_ptr<AutostartEngine> engine;
  ui::VTreeModel tree;
};

}  // namespace qz::st::test
