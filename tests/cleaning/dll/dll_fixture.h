// Shared helpers of the DLL Cleaner tests: the fixture libraries (built with
// the tests, copied into C:\qztests\bin\dllfx by fixtures.sh), a tree on the
// fixture drive D: with a fake Windows folder, and values planted in the real
// registry for the length of a test.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "cleaning/dll/dll_places.h"
#include "core/registry.h"
#include "core/stringlist.h"
#include "core/text.h"
#include "support/sandbox.h"

namespace qz::dll::test {

inline const std::string kFixtureDir = "C:\\qztests\\bin\\dllfx\\";

// Path of a fixture library ("qzfx64_2" -> C:\qztests\bin\dllfx\qzfx64_2.dll).
inline std::string FixtureDll(const std::string& name) { return kFixtureDir + name + ".dll"; }

inline void MakeDirs(const std::string& dir) {
  std::wstring w = Widen(dir);
  for (size_t i = 3; i <= w.size(); ++i)
    if (i == w.size() || w[i] == L'\\') CreateDirectoryW(w.substr(0, i).c_str(), nullptr);
}

// Copies a fixture library to a path (folders made as needed). A missing
// fixture fails the test.
inline std::string PlantDll(const std::string& fixture, const std::string& target) {
  MakeDirs(target.substr(0, target.rfind('\\')));
  const bool ok = CopyFileW(Widen(FixtureDll(fixture)).c_str(), Widen(target).c_str(), FALSE) != 0;
  EXPECT_TRUE(ok) << "cannot copy fixture " << fixture << " to " << target << " (tests/cleaning/dll/fixtures.sh)";
  SetFileAttributesW(Widen(target).c_str(), FILE_ATTRIBUTE_NORMAL);
  return target;
}

inline bool Exists(const std::string& p) { return GetFileAttributesW(Widen(p).c_str()) != INVALID_FILE_ATTRIBUTES; }

// D:\qztests\dll-<name>\ made fresh, with a fake Windows folder "win" holding
// "System32", "SysWOW64" and "WinSxS"; removed at destruction.
class DllTree {
 public:
  explicit DllTree(const std::string& name) : base_("D:\\qztests\\dll-" + name + "\\") {
    qz::test::RemoveTree(base_);
    MakeDirs(base_ + "win\\System32");
    MakeDirs(base_ + "win\\SysWOW64");
    MakeDirs(base_ + "win\\WinSxS");
  }
  ~DllTree() { qz::test::RemoveTree(base_); }
  DllTree(const DllTree&) = delete;
  DllTree& operator=(const DllTree&) = delete;

  const std::string& path() const { return base_; }
  std::string operator/(const std::string& rel) const { return base_ + rel; }
  std::string Plant(const std::string& fixture, const std::string& rel) const { return PlantDll(fixture, base_ + rel); }
  std::string Write(const std::string& rel, const std::string& content) const {
    const std::string full = base_ + rel;
    MakeDirs(full.substr(0, full.rfind('\\')));
    qz::WriteFileBytes(full, content);
    return full;
  }
  DllFolders Folders() const { return {base_ + "win", base_ + "win\\System32", base_ + "win\\SysWOW64"}; }

 private:
  std::string base_;
};

// A value planted in the real registry (HKLM) for the life of the object.
// The key is removed afterwards when the plant created it and it is empty.
class PlantedValue {
 public:
  PlantedValue(const std::string& key, const std::string& name, const std::string& data)
      : key_(key), name_(name), keyExisted_(RegHasKey(HKEY_LOCAL_MACHINE, key)) {
    EXPECT_TRUE(RegSetStringChecked(HKEY_LOCAL_MACHINE, key, name, data)) << key << " " << name;
  }
  ~PlantedValue() {
    RegRemoveValue(HKEY_LOCAL_MACHINE, key_, name_);
    if (!keyExisted_ && RegListValueNames(HKEY_LOCAL_MACHINE, key_).empty() &&
        RegListSubKeys(HKEY_LOCAL_MACHINE, key_).empty())
      RegRemoveKey(HKEY_LOCAL_MACHINE, key_);
  }
  PlantedValue(const PlantedValue&) = delete;
  PlantedValue& operator=(const PlantedValue&) = delete;

 private:
  std::string key_, name_;
  bool keyExisted_;
};

// A recycled file the host-side check (fixtures.sh remove) must find in the
// sandbox's trash after the run.
inline void ExpectInTrash(const std::string& windowsPath) {
  CreateDirectoryW(L"C:\\qztests", nullptr);
  std::ofstream out("C:\\qztests\\expect-trash-dll.txt", std::ios::app | std::ios::binary);
  out << windowsPath << "\n";
}

// The 32-bit store of a key below HKLM\Software.
inline std::string Wow32(const std::string& softwareKey) {
  return "Software\\Wow6432Node\\" + softwareKey.substr(std::string("Software\\").size());
}

}  // namespace qz::dll::test
