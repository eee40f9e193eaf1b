// The places the DLL Cleaner judges copies by: the three Windows folders that
// hold reference copies, the system stores it never enters, and the copies
// that Windows or a program still names in the registry. Paths are compared
// in one normal form: variables expanded, the long form when the path exists,
// upper case, no trailing backslash ("C:" for a drive root).
#pragma once

#include <windows.h>

#include <string>
#include <unordered_set>

#include "cleaning/dll/dll_classify.h"

namespace qz::dll {

std::string NormalisePath(const std::string& path);

// The Windows folders, as the system names them (no trailing backslash).
struct DllFolders {
  std::string WinDir;
  std::string SysDir;
  std::string Wow64Dir;  // "" on a 32-bit system
  static DllFolders FromSystem();
};

// The folders in normal form, and what lies where.
class DllPlaces {
 public:
  DllPlaces() = default;
  explicit DllPlaces(const DllFolders& folders);

  const std::string& WinDir() const { return win_; }
  const std::string& SysDir() const { return sys_; }
  const std::string& Wow64Dir() const { return wow_; }
  bool HasWow64Dir() const { return !wow_.empty(); }

  // The place of a copy whose folder (normal form) is given.
  DllPlace PlaceOf(const std::string& upperFolder) const;
  // A folder the walk never enters (nor anything below it), by its parent
  // (normal form) and its upper-case name: the side-by-side, assembly, .NET,
  // driver, service-pack, installer and servicing stores of the Windows
  // folder, every sub-folder of the system folders, and the volume
  // information and recycle-bin folders of a drive root.
  bool IsProtectedChild(const std::string& upperParent, const std::string& upperName) const;
  // The folder (normal form) is such a folder or lies below one.
  bool IsInProtectedFolder(const std::string& upperFolder) const;

 private:
  std::string win_, sys_, wow_;
};

// The copies that Windows or a program still names, read from the registry:
// full paths named in SharedDLLs, the folders of App Paths programs (the
// program's own folder and those of its Path value), both read in both
// registry views, and the file names of the KnownDLLs.
class DllReferences {
 public:
  static DllReferences Read(const DllPlaces& places);

  // Paths and folders in normal form; names in upper case.
  void AddSharedPath(const std::string& upperPath) { shared_.insert(upperPath); }
  void AddProgramFolder(const std::string& upperFolder) { folders_.insert(upperFolder); }
  void AddKnownName(const std::string& upperName) { known_.insert(upperName); }

  // Folder and path in normal form, the name in upper case.
  bool IsReferenced(const std::string& upperFolder, const std::string& upperName) const;
  bool IsReferenced(const std::string& upperFolder, const std::string& upperName,
                    const std::string& upperPath) const;
  size_t Count() const { return shared_.size() + folders_.size() + known_.size(); }

 private:
  // A path from the 32-bit view below the system folder names the file in
  // the 32-bit system folder too.
  void AddViewPath(std::unordered_set<std::string>& set, const std::string& upper, bool wow32,
                   const DllPlaces& places);
  std::unordered_set<std::string> shared_, folders_, known_;
};

inline constexpr const char* kSharedDllsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
inline constexpr const char* kAppPathsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
inline constexpr const char* kKnownDllsKey = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\KnownDLLs";

}  // namespace qz::dll
