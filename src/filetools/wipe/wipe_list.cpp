#include "filetools/wipe/wipe_list.h"

#include <windows.h>

#include "core/disk.h"
#include "core/globals.h"
#include "core/text.h"

namespace qz::fw {

namespace {

std::wstring Upper(std::wstring s) {
  if (!s.empty()) CharUpperBuffW(s.data(), static_cast<DWORD>(s.size()));
  return s;
}

std::wstring ChildKey(const std::wstring& folderKey, const std::string& name) {
  std::wstring key = folderKey;
  if (key.empty() || key.back() != L'\\') key.push_back(L'\\');
  return key + Upper(Widen(name));
}

}  // namespace

std::wstring WipeListKey(const std::string& path) {
  std::wstring w = Widen(path);
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetFullPathNameW(w.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0) {
      full = w;
      break;
    }
    if (n < full.size()) {
      full.resize(n);
      break;
    }
    full.assign(n + 1, L'\0');
  }
  std::wstring longer(full.size() + MAX_PATH, L'\0');
  DWORD n = GetLongPathNameW(full.c_str(), longer.data(), static_cast<DWORD>(longer.size()));
  if (n > 0 && n < longer.size()) {
    longer.resize(n);
    full = longer;
  }
  if (full.size() > 3 && full.back() == L'\\') full.pop_back();
  return Upper(full);
}

WipeList::WipeList(ui::VTreeModel& tree) : tree_(tree) {
  tree_.SetRecordType<TWipeEntry>();
  tree_.OnFreeNode = [this](ui::VNode* n) { Forget(n); };
}

WipeList::~WipeList() { tree_.OnFreeNode = nullptr; }

void WipeList::Forget(ui::VNode* n) {
  auto it = keys_.find(n);
  if (it == keys_.end()) return;
  (tree_.Data<TWipeEntry>(n).IsFolder ? folders_ : files_).erase(it->second);
  keys_.erase(it);
}

void WipeList::PathChanged(ui::VNode* n) {
  Forget(n);
  const TWipeEntry& e = tree_.Data<TWipeEntry>(n);
  std::wstring key = WipeListKey(e.Path);
  (e.IsFolder ? folders_ : files_).insert(key);
  keys_[n] = std::move(key);
}

ui::VNode* WipeList::AddFile(ui::VNode* parent, const std::string& path, std::wstring key) {
  if (!files_.insert(key).second) return nullptr;
  ui::VNode* n = tree_.AddChild(parent, TWipeEntry{path, 0});
  keys_[n] = std::move(key);
  return n;
}

ui::VNode* WipeList::AddWipeEntry(ui::VNode* parent, const std::string& path) {
  if (path.empty() || IsDriveFolder(path)) return nullptr;
  return AddFile(parent, path, WipeListKey(path));
}

ui::VNode* WipeList::AddFolder(ui::VNode* parent, const std::string& folder, std::wstring key) {
  if (folders_.count(key)) return nullptr;
  folders_.insert(key);
  ui::VNode* node = tree_.AddChild(parent, TWipeEntry{folder, 1});
  keys_[node] = key;
  // Names from the folder listing are long names already: the children's
  // keys are the folder's key and their names.
  const std::string base = IncludeTrailingBackslash(folder);
  StringList files;
  FindFiles(base, "*.*", files);
  for (const std::string& f : files) AddFile(node, f, ChildKey(key, f.substr(base.size())));
  StringList subs;
  ListSubfolders(base, subs);
  for (const std::string& name : subs) AddFolder(node, base + name, ChildKey(key, name));
  return node;
}

ui::VNode* WipeList::AddWipeFolder(ui::VNode* parent, const std::string& folder) {
  if (!IsDriveFolder(folder) || IsReparsePoint(folder)) return nullptr;
  // A stop left over from an earlier run would make the listing look empty.
  AbortFlag = 0;
  tree_.BeginUpdate();
  ui::VNode* n = AddFolder(parent, folder, WipeListKey(folder));
  tree_.EndUpdate();
  return n;
}

void WipeList::AddDropped(const std::vector<std::string>& paths) {
  tree_.BeginUpdate();
  for (const std::string& p : paths) AddWipeEntry(nullptr, p);
  tree_.EndUpdate();
}

bool WipeList::ContainsFile(const std::string& path) const { return files_.count(WipeListKey(path)) != 0; }

bool WipeList::ContainsFolder(const std::string& path) const { return folders_.count(WipeListKey(path)) != 0; }

// ---- Recycle Bin -------------------------------------------------------------

bool IsRecycleBinBookkeeping(const std::string& path) {
  // Parts after "X:\", upper case.
  if (path.size() < 4 || path[1] != ':' || path[2] != '\\') return false;
  std::vector<std::string> parts;
  for (size_t start = 3; start <= path.size();) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    parts.push_back(UpperAscii(path.substr(start, end - start)));
    start = end + 1;
  }
  auto bookkeeping = [&](size_t at) {
    if (parts.size() <= at) return false;
    const std::string& name = parts[at];
    if (name == "NPROTECT") return parts.size() > at + 1;  // a file inside it
    return parts.size() == at + 1 && (name == "INFO" || name == "INFO2" || name == "DESKTOP.INI");
  };
  if (parts[0] == "RECYCLED") return bookkeeping(1);
  if (parts[0] == "RECYCLER") return bookkeeping(1) || bookkeeping(2);
  return false;
}

std::vector<std::string> RecycleBinDrives() {
  std::vector<std::string> roots;
  UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
  for (char letter = 'C'; letter <= 'Z'; ++letter) {
    const std::string root = std::string(1, letter) + ":\\";
    std::wstring w = Widen(root);
    UINT type = GetDriveTypeW(w.c_str());
    if (type != DRIVE_REMOVABLE && type != DRIVE_FIXED && type != DRIVE_REMOTE && type != DRIVE_RAMDISK) continue;
    ULARGE_INTEGER total;
    if (GetDiskFreeSpaceExW(w.c_str(), nullptr, &total, nullptr)) roots.push_back(root);
  }
  SetErrorMode(oldMode);
  return roots;
}

StringList CollectRecycleBinFiles(const std::vector<std::string>& roots) {
  AbortFlag = 0;
  StringList found;
  for (const std::string& root : roots) {
    for (const char* bin : {"RECYCLED", "RECYCLER"}) {
      const std::string folder = IncludeTrailingBackslash(root) + bin;
      if (!DirectoryExists(folder) || IsReparsePoint(folder)) continue;
      StringList files;
      FindFilesRecursive(folder + "\\", "*.*", files);
      for (const std::string& f : files)
        if (!IsRecycleBinBookkeeping(f)) found.push_back(f);
    }
  }
  return found;
}

}  // namespace qz::fw
