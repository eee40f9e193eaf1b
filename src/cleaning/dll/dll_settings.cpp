#include "cleaning/dll/dll_settings.h"

#include <algorithm>
#include <unordered_set>

#include "core/disk.h"
#include "core/globals.h"
#include "core/msgbox.h"
#include "core/registry.h"
#include "core/strings.h"
#include "core/text.h"

namespace qz::dll {

SettingsLocation DllSettingsLocation() {
  SettingsLocation l;
  l.key = OptionsKey("DLL");
  return l;
}

std::string DllFolderListPath(const std::string& appDir) { return appDir + "\\DLL-Folders.txt"; }
std::string DllFileListPath(const std::string& appDir) { return appDir + "\\DLL-Files.txt"; }

StringList BuiltInDllFolders(const std::string& winTempDir, const std::string& userTempDir,
                             const std::vector<DriveRow>& fixedDrives) {
  StringList out;
  if (!winTempDir.empty()) out.push_back(winTempDir);
  if (!userTempDir.empty() && !IEquals(userTempDir, winTempDir)) out.push_back(userTempDir);
  for (const DriveRow& d : fixedDrives) {
    if (d.RootPath.empty()) continue;
    out.push_back(d.RootPath + "RECYCLED");
    out.push_back(d.RootPath + "RECYCLER");
  }
  return out;
}

namespace {

// A list that takes each entry once, compared without regard to case, in
// linear time (downloaded lists may hold tens of thousands of lines).
class UniqueList {
 public:
  explicit UniqueList(StringList& list) : list_(list) {
    for (const std::string& s : list_) keys_.insert(UpperLocale(s));
  }
  void Add(const std::string& s) {
    if (!Trim(s).empty() && keys_.insert(UpperLocale(s)).second) list_.push_back(s);
  }
  void Add(const StringList& l) {
    for (const std::string& s : l) Add(s);
  }

 private:
  StringList& list_;
  std::unordered_set<std::string> keys_;
};

// Sorted without regard to case.
void SortI(StringList& l) {
  std::vector<std::pair<std::string, std::string>> keyed;
  for (std::string& s : l) keyed.emplace_back(UpperLocale(s), std::move(s));
  std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  l.clear();
  for (auto& k : keyed) l.push_back(std::move(k.second));
}

// The lines of a list file; false (and the box) when it is missing.
bool ReadListFile(const std::string& path, StringList& lines, HWND owner, StringList* missing) {
  std::string text;
  if (!FileExists(path) || !LoadTextFile(path, text)) {
    if (missing) missing->push_back(path);
    ShowMessageBox(owner, dc::MissingListMessage(path), MsgKind::Error);
    return false;
  }
  for (const std::string& line : SplitLines(text))
    if (!Trim(line).empty()) lines.push_back(TrimRight(line));
  return true;
}

// Writes the names as empty string values under key, then removes the values
// not among them. Nothing is removed when a write failed.
bool SyncNames(HKEY root, const std::string& key, const StringList& names) {
  bool ok = RegEnsureKey(root, key);
  std::unordered_set<std::string> wanted;
  for (const std::string& n : names) {
    wanted.insert(UpperLocale(n));
    if (!RegSetStringChecked(root, key, n, "")) ok = false;
  }
  if (!ok) return false;
  for (const std::string& old : RegListValueNames(root, key))
    if (!wanted.count(UpperLocale(old)) && !RegRemoveValue(root, key, old)) ok = false;
  return ok;
}

}  // namespace

void LoadDllLists(const SettingsLocation& loc, const std::string& appDir, const StringList& builtInFolders,
                  DllOptions& o, HWND owner, StringList* missing) {
  StringList lines = builtInFolders;
  ReadListFile(DllFolderListPath(appDir), lines, owner, missing);
  o.Folders.clear();
  UniqueList folders(o.Folders);
  for (const std::string& f : lines) folders.Add(Trim(ExpandEnvVars(f)));
  folders.Add(RegListValueNames(loc.root, loc.Sub("Folders")));

  o.Files.clear();
  lines.clear();
  ReadListFile(DllFileListPath(appDir), lines, owner, missing);
  UniqueList files(o.Files);
  files.Add(lines);
  files.Add(RegListValueNames(loc.root, loc.Sub("Files")));
  SortI(o.Folders);
  SortI(o.Files);
}

void LoadDllChecks(const SettingsLocation& loc, DllOptions& o) {
  dc::LoadCheckValue(loc.root, loc.key, kOptSameSize, o.SameSize);
  dc::LoadCheckValue(loc.root, loc.key, kOptSameVersion, o.SameVersion);
  dc::LoadCheckValue(loc.root, loc.key, kOptBoth, o.Both);
  dc::LoadCheckValue(loc.root, loc.key, kOptWriteProtected, o.WriteProtected);
}

void LoadDllOptions(const SettingsLocation& loc, const std::string& appDir, DllOptions& o, HWND owner,
                    StringList* missing) {
  o.Drives = cleaning::ListFixedDrives();
  for (DriveRow& d : o.Drives) d.Checked = true;
  cleaning::ApplyDriveChoice(loc.root, loc.key, o.Drives);
  LoadDllLists(loc, appDir, BuiltInDllFolders(WinTempDir, UserTempDir, o.Drives), o, owner, missing);
  LoadDllChecks(loc, o);
}

bool SaveDllOptions(const SettingsLocation& loc, const DllOptions& o) {
  bool ok = RegEnsureKey(loc.root, loc.key);
  ok &= RegSetIntegerChecked(loc.root, loc.key, kOptSameSize, o.SameSize ? 1 : 0);
  ok &= RegSetIntegerChecked(loc.root, loc.key, kOptSameVersion, o.SameVersion ? 1 : 0);
  ok &= RegSetIntegerChecked(loc.root, loc.key, kOptBoth, o.Both ? 1 : 0);
  ok &= RegSetIntegerChecked(loc.root, loc.key, kOptWriteProtected, o.WriteProtected ? 1 : 0);
  ok &= cleaning::SaveDriveChoice(loc.root, loc.key, o.Drives);
  ok &= SyncNames(loc.root, loc.Sub("Folders"), o.Folders);
  ok &= SyncNames(loc.root, loc.Sub("Files"), o.Files);
  return ok;
}

AddDllFile AddDllFileException(StringList& files, const std::string& text) {
  const std::string s = UpperLocale(Trim(text));
  if (s.empty()) return AddDllFile::Empty;
  if (s.size() < 4 || s.compare(s.size() - 4, 4, ".DLL") != 0) return AddDllFile::NotDll;
  if (ContainsI(files, s)) return AddDllFile::Present;
  files.push_back(s);
  return AddDllFile::Added;
}

bool AddDllFolderException(StringList& folders, const std::string& folder) {
  if (Trim(folder).empty() || ContainsI(folders, folder)) return false;
  folders.push_back(folder);
  return true;
}

void RemoveListEntries(StringList& list, const std::vector<size_t>& indices) {
  std::vector<bool> drop(list.size(), false);
  for (size_t i : indices)
    if (i < list.size()) drop[i] = true;
  StringList rest;
  for (size_t i = 0; i < list.size(); ++i)
    if (!drop[i]) rest.push_back(std::move(list[i]));
  list = std::move(rest);
}

std::string PleaseSelectDllMessage(const TranslateFn& tr) {
  return Tr(tr, "MESSAGE_PleaseSelectDLL", "Sie müssen eine DLL-Datei auswählen.");
}

}  // namespace qz::dll
