#include "filetools/wipe/wipe_list.h"

#include <windows.h>

#include "core/disk.h"
#include "core/globals.h"
#include "core/text.h"
#include "filetools/common/file_io.h"

namespace qz::fw {

namespace {

// Upper case as the system's rule gives it; names of plain ASCII (nearly all)
// without a round trip through UTF-16.
std::string UpperKey(std::string_view utf8) {
  std::string out(utf8);
  bool ascii = true;
  for (char& c : out) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      ascii = false;
      break;
    }
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  if (ascii) return out;
  std::wstring w = Widen(utf8);
  CharUpperBuffW(w.data(), static_cast<DWORD>(w.size()));
  return Narrow(w);
}

std::string ChildKey(const std::string& folderKey, std::string_view name) {
  std::string key = folderKey;
  if (key.empty() || key.back() != '\\') key.push_back('\\');
  return key + UpperKey(name);
}

}  // namespace

std::string WipeListKey(const std::string& path) {
  std::wstring full = ft::FullLongPath(path);
  if (full.size() > 3 && full.back() == L'\\') full.pop_back();
  CharUpperBuffW(full.data(), static_cast<DWORD>(full.size()));
  return Narrow(full);
}

WipeList::WipeList(ui::VTreeModel& tree) : tree_(tree) {
  tree_.SetRecordType<TWipeEntry>();
  tree_.OnFreeNode = [this](ui::VNode* n) { Forget(n); };
}

WipeList::~WipeList() { tree_.OnFreeNode = nullptr; }

void WipeList::Forget(ui::VNode* n) {
  const TWipeEntry& e = tree_.Data<TWipeEntry>(n);
  if (!e.ListKey.empty()) (e.IsFolder ? folders_ : files_).erase(e.ListKey);
}

void WipeList::PathChanged(ui::VNode* n) {
  Forget(n);
  TWipeEntry& e = tree_.Data<TWipeEntry>(n);
  e.ListKey = WipeListKey(e.Path);
  if (!(e.IsFolder ? folders_ : files_).insert(e.ListKey).second) e.ListKey.clear();
}

ui::VNode* WipeList::AddFile(ui::VNode* parent, std::string path, std::string key) {
  if (files_.count(key)) return nullptr;
  ui::VNode* n = tree_.AddChild(parent, TWipeEntry{std::move(path), 0, std::move(key)});
  files_.insert(tree_.Data<TWipeEntry>(n).ListKey);
  return n;
}

ui::VNode* WipeList::AddWipeEntry(ui::VNode* parent, const std::string& path) {
  if (path.empty() || IsDriveFolder(path)) return nullptr;
  return AddFile(parent, path, WipeListKey(path));
}

ui::VNode* WipeList::AddFolder(ui::VNode* parent, const std::string& folder, std::string key) {
  if (folders_.count(key)) return nullptr;
  ui::VNode* node = tree_.AddChild(parent, TWipeEntry{folder, 1, std::move(key)});
  const std::string& folderKey = tree_.Data<TWipeEntry>(node).ListKey;
  folders_.insert(folderKey);
  // Names from the folder listing are long names already: the children's
  // keys are the folder's key and their names.
  const std::string base = IncludeTrailingBackslash(folder);
  StringList files, subs;
  ListFolder(base, files, subs);
  for (std::string& f : files) {
    std::string key = ChildKey(folderKey, std::string_view(f).substr(base.size()));
    AddFile(node, std::move(f), std::move(key));
  }
  for (const std::string& name : subs) AddFolder(node, base + name, ChildKey(folderKey, name));
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

bool IsRecycleBinBookkeeping(const std::string& pathBelowRoot) {
  std::vector<std::string> parts;
  for (size_t start = 0; start <= pathBelowRoot.size();) {
    size_t end = pathBelowRoot.find('\\', start);
    if (end == std::string::npos) end = pathBelowRoot.size();
    parts.push_back(UpperAscii(pathBelowRoot.substr(start, end - start)));
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
    const std::string base = IncludeTrailingBackslash(root);
    for (const char* bin : {"RECYCLED", "RECYCLER"}) {
      const std::string folder = base + bin;
      if (!DirectoryExists(folder) || IsReparsePoint(folder)) continue;
      StringList files;
      FindFilesRecursive(folder + "\\", "*.*", files);
      for (const std::string& f : files)
        if (!IsRecycleBinBookkeeping(f.substr(base.size()))) found.push_back(f);
    }
  }
  return found;
}

}  // namespace qz::fw
