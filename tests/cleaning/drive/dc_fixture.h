// Shared helpers of the Drive Cleaner tests: folders on the fixture drive D:
// (a folder inside the sandbox in test mode), files of a given size, and a
// fixed scan environment whose Windows and temporary folders lie on D:.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "cleaning/drive/scan_engine.h"
#include "core/text.h"
#include "support/sandbox.h"

namespace qz::dc::test {

// D:\<name>\ made fresh, removed with everything in it at destruction.
class DriveDir {
 public:
  explicit DriveDir(const std::string& name, const std::string& drive = "D:\\") : path_(drive + name + "\\") {
    qz::test::RemoveTree(path_);
    MakeDirs(path_);
  }
  ~DriveDir() { qz::test::RemoveTree(path_); }
  DriveDir(const DriveDir&) = delete;
  DriveDir& operator=(const DriveDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& rel) const { return path_ + rel; }

  std::string Write(const std::string& rel, const std::string& content = "x") const {
    return WriteFileAt(path_ + rel, content);
  }
  std::string MakeDir(const std::string& rel) const {
    MakeDirs(path_ + rel);
    return path_ + rel;
  }

  static std::string WriteFileAt(const std::string& full, const std::string& content = "x") {
    size_t slash = full.rfind('\\');
    MakeDirs(full.substr(0, slash + 1));
    HANDLE h = CreateFileW(Widen(full).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      DWORD put = 0;
      WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &put, nullptr);
      CloseHandle(h);
    }
    return full;
  }
  // A file of the given length without writing its bytes (sparse on the host).
  static bool SizedFile(const std::string& full, long long size) {
    size_t slash = full.rfind('\\');
    MakeDirs(full.substr(0, slash + 1));
    HANDLE h = CreateFileW(Widen(full).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER li;
    li.QuadPart = size;
    bool ok = SetFilePointerEx(h, li, nullptr, FILE_BEGIN) && SetEndOfFile(h);
    CloseHandle(h);
    return ok;
  }
  static void MakeDirs(const std::string& dir) {
    std::wstring w = Widen(dir);
    for (size_t i = 3; i <= w.size(); ++i)
      if (i == w.size() || w[i] == L'\\') CreateDirectoryW(w.substr(0, i).c_str(), nullptr);
  }

 private:
  std::string path_;
};

inline bool Exists(const std::string& p) { return GetFileAttributesW(Widen(p).c_str()) != INVALID_FILE_ATTRIBUTES; }

// Windows folder D:\<base>\win, user temporary folder D:\<base>\users\u\Temp;
// the protected folders are the real ones plus the fake Windows and profile.
inline ScanEnvironment TestEnvironment(const std::string& base) {
  ScanEnvironment env = ScanEnvironment::FromSystem();
  env.WinDir = base + "win";
  env.UserTempDir = base + "users\\u\\Temp";
  env.ProtectedFolders.push_back(base + "win");
  env.ProtectedFolders.push_back(base + "win\\system32");
  env.ProtectedFolders.push_back(base + "users\\u");
  return env;
}

// Entries of a tree as "Folder\FileName" texts (in tree order), optionally
// only those below a folder.
inline std::vector<std::string> EntryPaths(ui::VTreeModel& tree, const std::string& below = {}) {
  std::vector<std::string> out;
  for (ui::VNode* n = tree.GetFirst(); n; n = tree.GetNext(n)) {
    const DriveScanNode& d = tree.Data<DriveScanNode>(n);
    if (d.IsCategory) continue;
    std::string p = d.Folder + "\\" + d.FileName;
    if (below.empty() || IStartsWith(p, below)) out.push_back(p);
  }
  return out;
}

}  // namespace qz::dc::test
