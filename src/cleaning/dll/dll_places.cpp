#include "cleaning/dll/dll_places.h"

#include "core/disk.h"
#include "core/registry.h"
#include "core/strings.h"
#include "core/text.h"

namespace qz::dll {

namespace {

std::string SystemFolder(UINT(WINAPI* get)(LPWSTR, UINT)) {
  wchar_t buf[MAX_PATH + 1] = {};
  UINT n = get(buf, MAX_PATH + 1);
  if (n == 0 || n > MAX_PATH) return {};
  return Narrow(std::wstring_view(buf, n));
}

bool IsDriveRoot(const std::string& upper) { return upper.size() == 2 && upper[1] == ':'; }

// The program file an App Paths default value names: the text in quotes, or
// up to and including ".EXE", or the whole text.
std::string ProgramPath(const std::string& value) {
  std::string s = Trim(value);
  if (!s.empty() && s.front() == '"') {
    size_t end = s.find('"', 1);
    return end == std::string::npos ? s.substr(1) : s.substr(1, end - 1);
  }
  size_t exe = UpperAscii(s).find(".EXE");
  return exe == std::string::npos ? s : s.substr(0, exe + 4);
}

}  // namespace

std::string NormalisePath(const std::string& path) {
  std::string s = Trim(ExpandEnvVars(Trim(path)));
  if (s.empty()) return {};
  std::wstring w = Widen(s);
  DWORD need = GetLongPathNameW(w.c_str(), nullptr, 0);
  if (need > 0) {
    std::wstring buf(need, L'\0');
    DWORD got = GetLongPathNameW(w.c_str(), buf.data(), need);
    if (got > 0 && got < need) {
      buf.resize(got);
      w = std::move(buf);
    }
  }
  CharUpperBuffW(w.data(), static_cast<DWORD>(w.size()));
  while (w.size() > 1 && w.back() == L'\\') w.pop_back();
  return Narrow(w);
}

DllFolders DllFolders::FromSystem() {
  DllFolders f;
  f.WinDir = ExcludeTrailingBackslash(SystemFolder(GetWindowsDirectoryW));
  f.SysDir = ExcludeTrailingBackslash(SystemFolder(GetSystemDirectoryW));
  f.Wow64Dir = ExcludeTrailingBackslash(SystemFolder(GetSystemWow64DirectoryW));
  return f;
}

DllPlaces::DllPlaces(const DllFolders& folders)
    : win_(NormalisePath(folders.WinDir)), sys_(NormalisePath(folders.SysDir)), wow_(NormalisePath(folders.Wow64Dir)) {}

DllPlace DllPlaces::PlaceOf(const std::string& upperFolder) const {
  if (upperFolder.empty()) return DllPlace::Elsewhere;
  if (upperFolder == sys_) return DllPlace::SysDir;
  if (upperFolder == wow_) return DllPlace::Wow64Dir;
  if (upperFolder == win_) return DllPlace::WinDir;
  return DllPlace::Elsewhere;
}

bool DllPlaces::IsProtectedChild(const std::string& parent, const std::string& name) const {
  if (parent.empty()) return false;
  if (parent == sys_ || parent == wow_) return true;
  if (parent == win_) {
    static const char* const kStores[] = {"WINSXS",           "ASSEMBLY",  "MICROSOFT.NET",
                                          "SYSTEM",           "DRIVER CACHE", "SERVICEPACKFILES",
                                          "INSTALLER",        "SERVICING", "$NTSERVICEPACKUNINSTALL$"};
    for (const char* s : kStores)
      if (name == s) return true;
    // The uninstall folders of hot fixes: $NtUninstallKB123456$.
    if (name.size() > 13 && name.compare(0, 12, "$NTUNINSTALL") == 0 && name.back() == '$') return true;
  }
  if (IsDriveRoot(parent)) return name == "SYSTEM VOLUME INFORMATION" || name == "$RECYCLE.BIN";
  return false;
}

bool DllPlaces::IsInProtectedFolder(const std::string& folder) const {
  for (size_t i = folder.find('\\'); i != std::string::npos;) {
    const size_t next = folder.find('\\', i + 1);
    const std::string name = folder.substr(i + 1, next == std::string::npos ? std::string::npos : next - i - 1);
    if (IsProtectedChild(folder.substr(0, i), name)) return true;
    i = next;
  }
  return false;
}

// ---- references --------------------------------------------------------------

void DllReferences::AddViewPath(std::unordered_set<std::string>& set, const std::string& upper, bool wow32,
                                const DllPlaces& places) {
  if (upper.empty()) return;
  set.insert(upper);
  if (!wow32 || !places.HasWow64Dir()) return;
  const std::string& sys = places.SysDir();
  if (upper == sys)
    set.insert(places.Wow64Dir());
  else if (upper.size() > sys.size() && upper.compare(0, sys.size(), sys) == 0 && upper[sys.size()] == '\\')
    set.insert(places.Wow64Dir() + upper.substr(sys.size()));
}

DllReferences DllReferences::Read(const DllPlaces& places) {
  DllReferences r;
  for (const RegLocation& loc : RegLocationViews(HKEY_LOCAL_MACHINE, kSharedDllsKey))
    for (const std::string& name : RegListValueNames(loc.root, loc.path))
      r.AddViewPath(r.shared_, NormalisePath(name), loc.wow32, places);

  for (const RegLocation& loc : RegLocationViews(HKEY_LOCAL_MACHINE, kAppPathsKey)) {
    for (const std::string& sub : RegListSubKeys(loc.root, loc.path)) {
      const std::string key = loc.path + "\\" + sub;
      const std::string program = ProgramPath(RegGetString(loc.root, key, ""));
      const std::string dir = ExtractFileDir(program);
      if (!dir.empty()) r.AddViewPath(r.folders_, NormalisePath(dir), loc.wow32, places);
      const std::string paths = RegGetString(loc.root, key, "Path");
      size_t start = 0;
      while (start <= paths.size()) {
        size_t end = paths.find(';', start);
        if (end == std::string::npos) end = paths.size();
        r.AddViewPath(r.folders_, NormalisePath(paths.substr(start, end - start)), loc.wow32, places);
        start = end + 1;
      }
    }
  }

  for (const std::string& name : RegListValueNames(HKEY_LOCAL_MACHINE, kKnownDllsKey)) {
    std::string file = UpperLocale(Trim(RegGetString(HKEY_LOCAL_MACHINE, kKnownDllsKey, name)));
    if (!file.empty()) r.known_.insert(std::move(file));
  }
  return r;
}

bool DllReferences::IsReferenced(const std::string& upperFolder, const std::string& upperName) const {
  return IsReferenced(upperFolder, upperName, upperFolder + "\\" + upperName);
}

bool DllReferences::IsReferenced(const std::string& upperFolder, const std::string& upperName,
                                 const std::string& upperPath) const {
  return (!known_.empty() && known_.count(upperName) != 0) ||
         (!folders_.empty() && folders_.count(upperFolder) != 0) ||
         (!shared_.empty() && shared_.count(upperPath) != 0);
}

}  // namespace qz::dll
