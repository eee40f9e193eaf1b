// Shared helpers of the Registry Cleaner tests: a private hive (every
// location of the engine pointed at keys below one scratch key), files in a
// scratch folder on C:, a fake file system, and short ways to plant values
// and run one kind.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cleaning/registry/rc_engine.h"
#include "cleaning/registry/rc_search.h"
#include "core/globals.h"
#include "core/registry.h"
#include "core/text.h"
#include "support/globals_guard.h"
#include "support/sandbox.h"

namespace qz::rc::test {

// Plants REG_SZ (or another string type) values, creating keys.
inline void Put(HKEY root, const std::string& key, const std::string& name, const std::string& value,
                DWORD type = REG_SZ) {
  RegSetStringChecked(root, key, name, value, type);
}

// A fake file system: paths (upper case) that exist, errors for others, and
// every call recorded.
class FakeFiles : public FileSystemAccess {
 public:
  std::map<std::string, DWORD> attributes;  // upper path -> attributes
  std::map<std::string, DWORD> errors;      // upper path -> error
  std::map<std::string, std::string> longNames;  // upper path -> long name of the last part
  std::vector<std::string> calls;           // paths as asked
  DWORD Probe(const std::string& path, DWORD* attr) override {
    calls.push_back(path);
    const std::string u = UpperLocale(path);
    if (auto it = attributes.find(u); it != attributes.end()) {
      *attr = it->second;
      return ERROR_SUCCESS;
    }
    if (auto it = errors.find(u); it != errors.end()) return it->second;
    return ERROR_FILE_NOT_FOUND;
  }
  bool LongName(const std::string& path, std::string& name) override {
    calls.push_back("long:" + path);
    auto it = longNames.find(UpperLocale(path));
    if (it == longNames.end()) return false;
    name = it->second;
    return true;
  }
  void File(const std::string& p) { attributes[UpperLocale(p)] = FILE_ATTRIBUTE_ARCHIVE; }
  void Folder(const std::string& p) { attributes[UpperLocale(p)] = FILE_ATTRIBUTE_DIRECTORY; }
};

// Every location below HKCU\Software\QZTests\<name>; the class root is its
// "Classes" key. Files go to C:\qztests\scratch\<name>\.
class Hive {
 public:
  explicit Hive(const std::string& name) : key_(name), dir_(name) {
    const std::string k = key_.key();
    HKEY r = key_.root();
    loc_.Classes = {{r, k + "\\Classes", false}};
    loc_.Clsid = {{r, k + "\\Classes\\CLSID", false}};
    loc_.TypeLib = {{r, k + "\\Classes\\TypeLib", false}};
    loc_.SharedDlls = {{r, k + "\\SharedDLLs", false}};
    loc_.Fonts = {{r, k + "\\Fonts", false}};
    loc_.AppEvents = {{r, k + "\\AppEvents\\Schemes\\Apps", false}};
    loc_.Help = {{r, k + "\\Help", false}};
    loc_.AppPaths = {{r, k + "\\App Paths", false}};
    for (int i = kFirstMru; i <= kLastMru; ++i) loc_.Mru[i - kFirstMru] = {{r, k + "\\MRU" + std::to_string(i), false}};
    loc_.FontsFolder = dir_.MakeDir("Fonts");
    if (loc_.FontsFolder.back() == '\\') loc_.FontsFolder.pop_back();
    RegEnsureKey(r, k + "\\Classes\\CLSID");  // the guard of kinds 2, 3 and 9
  }

  HKEY root() const { return key_.root(); }
  // Key path below the root of a location-relative path ("Classes\\.txt").
  std::string operator/(const std::string& rel) const { return key_.key() + "\\" + rel; }
  qz::test::ScratchDir& dir() { return dir_; }
  // A file's path (not created).
  std::string Path(const std::string& rel) const { return dir_.path() + rel; }
  std::string Write(const std::string& rel) { return dir_.Write(rel); }
  ScanLocations& Locations() { return loc_; }
  void Put(const std::string& rel, const std::string& name, const std::string& value, DWORD type = REG_SZ) {
    test::Put(root(), *this / rel, name, value, type);
  }
  void MakeKey(const std::string& rel) { RegEnsureKey(root(), *this / rel); }
  // A file anywhere on C: (its folders made).
  static void WriteFileAt(const std::string& full, const std::string& content) {
    std::wstring w = Widen(full);
    for (size_t i = 3; i < w.size(); ++i)
      if (w[i] == L'\\') CreateDirectoryW(w.substr(0, i).c_str(), nullptr);
    HANDLE h = CreateFileW(w.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD put = 0;
    WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &put, nullptr);
    CloseHandle(h);
  }

  // An engine on this hive: the real file system unless `fs` is given.
  std::unique_ptr<RegistryScanEngine> Engine(FileSystemAccess* fs = nullptr, ProbeFolders folders = {}) {
    return std::make_unique<RegistryScanEngine>(loc_, fs, folders);
  }

 private:
  qz::test::ScratchKey key_;
  qz::test::ScratchDir dir_;
  ScanLocations loc_;
};

// Runs kinds through the search driver (drive C, empty categories kept) and
// gives the records of the entries of the first category.
inline std::vector<RegScanNode> RunKinds(RegistryScanEngine& e, ui::VTreeModel& tree, std::vector<int32_t> kinds,
                                    const std::string& drives = "C") {
  SearchRequest r;
  r.Drives = drives;
  r.HideEmpty = false;
  for (int32_t k : kinds) r.Kinds.push_back({k, KindOf(k).Name, KindOf(k).ImageIndex});
  RunRegistrySearchCore(e, tree, r);
  std::vector<RegScanNode> out;
  for (ui::VNode* c = tree.GetFirst(); c; c = tree.GetNextSibling(c))
    for (ui::VNode* n = tree.GetFirstChild(c); n; n = tree.GetNextSibling(n)) out.push_back(tree.Data<RegScanNode>(n));
  return out;
}

inline std::vector<std::string> Texts(const std::vector<RegScanNode>& v) {
  std::vector<std::string> out;
  for (const auto& n : v) out.push_back(n.Text);
  return out;
}

}  // namespace qz::rc::test
