// Shared fixture of the Internet Tuner's tests: every TCP/IP place lies below
// a scratch key (HKCU Software\QZTests\it-<test>), the program folder (for
// the undo files) is a scratch folder, and IsNT is put back afterwards.
// Snapshot() lists every key and value below the scratch key, so a test can
// compare the whole registry state of the places before and after.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>

#include "core/disk.h"
#include "core/globals.h"
#include "core/reg_backup.h"
#include "core/registry.h"
#include "core/text.h"
#include "support/globals_guard.h"
#include "support/sandbox.h"
#include "tuning/internet/tcp_tuning.h"

namespace qz::it::test {

// "it-<suite>-<test>" with the characters a key or folder name cannot hold replaced.
inline std::string TestName(const std::string& prefix) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string n = prefix + info->test_suite_name() + "-" + info->name();
  for (char& c : n)
    if (c == '/' || c == '\\') c = '-';
  return n;
}

// Every key ("path\") and value ("path|name" -> "type:bytes") below a key.
using RegSnapshot = std::map<std::string, std::string>;
inline void SnapshotInto(HKEY root, const std::string& key, const std::string& rel, RegSnapshot& out) {
  out[LowerAscii(rel) + "\\"] = "key";
  for (const RegNamedValue& v : RegListValues(root, key)) {
    std::string bytes;
    for (uint8_t b : v.data) bytes += "0123456789ABCDEF"[b >> 4], bytes += "0123456789ABCDEF"[b & 15];
    out[LowerAscii(rel) + "|" + LowerAscii(v.name)] = std::to_string(v.type) + ":" + bytes;
  }
  for (const std::string& sub : RegListSubKeys(root, key)) SnapshotInto(root, key + "\\" + sub, rel + "\\" + sub, out);
}
inline RegSnapshot Snapshot(HKEY root, const std::string& key) {
  RegSnapshot out;
  if (RegHasKey(root, key)) SnapshotInto(root, key, "", out);
  return out;
}
// The entries that differ, for failure messages.
inline std::string SnapshotDiff(const RegSnapshot& a, const RegSnapshot& b) {
  std::string s;
  for (const auto& [k, v] : a)
    if (!b.count(k) || b.at(k) != v) s += "  -" + k + "=" + v + "\n";
  for (const auto& [k, v] : b)
    if (!a.count(k) || a.at(k) != v) s += "  +" + k + "=" + v + "\n";
  return s;
}

class TcpTest : public ::testing::Test {
 protected:
  TcpTest() : scratch(TestName("it-")), dir(TestName("it-")), savedIsNT(IsNT) {
    AppDir = ExcludeTrailingBackslash(dir.path() + "app");
    const std::string k = scratch.key();
    places.internetSettings = {HKEY_CURRENT_USER, k + "\\Internet Settings"};
    places.tcpip = {HKEY_CURRENT_USER, k + "\\Tcpip\\Parameters"};
    places.interfaces = {HKEY_CURRENT_USER, k + "\\Tcpip\\Parameters\\Interfaces"};
    places.mstcp = {HKEY_CURRENT_USER, k + "\\VxD\\MSTCP"};
    places.netTrans = {HKEY_CURRENT_USER, k + "\\Class\\NetTrans"};
    places.cacheSize = {HKEY_CURRENT_USER, k + "\\VxD\\NwLink\\NDI\\Params\\Cachesize\\Default"};
  }
  ~TcpTest() override {
    IsNT = savedIsNT;
    if (RegistryBackupActive()) EndRegistryBackup();
  }

  // A clean system of the family: the keys that are there, without values.
  void CleanSystem(bool nt) {
    IsNT = nt ? 1 : 0;
    RegEnsureKey(HKEY_CURRENT_USER, places.internetSettings.key);
    if (nt) {
      RegEnsureKey(HKEY_CURRENT_USER, places.tcpip.key);
      RegEnsureKey(HKEY_CURRENT_USER, places.interfaces.key + "\\{ADAPTER-1}");
    } else {
      RegEnsureKey(HKEY_CURRENT_USER, places.mstcp.key);
      RegEnsureKey(HKEY_CURRENT_USER, places.netTrans.key + "\\0000");
    }
  }

  // A tuner over the scratch places whose undo files get numbered names.
  TcpTuner Tuner() {
    TcpTuner t(places);
    t.MakeUndoFileName = [this](const std::string& base) {
      return base + "\\" + GetBackupUserFolder() + "\\undo " + std::to_string(++undoFiles) + ".REG";
    };
    return t;
  }

  RegSnapshot State() const { return Snapshot(HKEY_CURRENT_USER, scratch.key()); }
  // The value of a place as "type:bytes" ("" when missing).
  std::string Value(const TcpPlace& p, const std::string& name, const std::string& sub = {}) {
    std::optional<RegRawValue> v = RegReadRaw(p.root, sub.empty() ? p.key : p.key + "\\" + sub, name);
    if (!v) return "";
    if (v->type == REG_DWORD && v->data.size() == 4) {
      uint32_t n;
      memcpy(&n, v->data.data(), 4);
      return "dword " + std::to_string(n);
    }
    return "text " + RegValueText(*v);
  }
  void SetDword(const TcpPlace& p, const std::string& name, uint32_t n, const std::string& sub = {}) {
    ASSERT_TRUE(RegWriteRaw(p.root, sub.empty() ? p.key : p.key + "\\" + sub, name, REG_DWORD, &n, 4));
  }
  void SetText(const TcpPlace& p, const std::string& name, const std::string& text) {
    ASSERT_TRUE(RegSetStringChecked(p.root, p.key, name, text));
  }

  qz::test::GlobalsGuard globals;
  qz::test::ScratchKey scratch;
  qz::test::ScratchDir dir;
  uint8_t savedIsNT;
  TcpPlaces places;
  int undoFiles = 0;
};

}  // namespace qz::it::test
