#include "cleaning/common/recycle.h"


#include "core/disk.h"
#include "core/text.h"

namespace qz::cleaning {

bool IsListableName(const std::string& name, const std::string& fullPath) {
  if (name.empty()) return false;
  for (unsigned char c : name) {
    if (c < 32) return false;
    switch (c) {
      case '<': case '>': case ':': case '"': case '/': case '\\': case '|': case '?': case '*':
        return false;
      default:
        break;
    }
  }
  if (name.back() == '.' || name.back() == ' ') return false;
  // The shell's file operation takes paths up to MAX_PATH - 1 characters.
  if (Widen(fullPath).size() >= MAX_PATH) return false;
  return IsShellSafePath(fullPath);
}

namespace {

// The attributes of the entry a path names by its own name. A name holding
// "~" can also be the short (8.3) alias of another entry ("LONG~4IB.TMP"
// opens "longnamexyz.tmp"): once the entry of that very name is gone, the
// name leads to one nobody saw, so it counts as missing. On failure
// INVALID_FILE_ATTRIBUTES with the reason as the last error.
DWORD OwnNameAttributes(const std::string& path) {
  const std::wstring w = Widen(path);
  const std::wstring name = w.substr(w.rfind(L'\\') + 1);
  if (name.find(L'~') == std::wstring::npos) return GetFileAttributesW(w.c_str());
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileExW(w.c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch, nullptr, 0);
  if (h == INVALID_HANDLE_VALUE) return INVALID_FILE_ATTRIBUTES;
  FindClose(h);
  if (CompareStringOrdinal(fd.cFileName, -1, name.c_str(), static_cast<int>(name.size()), TRUE) != CSTR_EQUAL) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
  }
  return fd.dwFileAttributes;
}

RecycleCheck CheckOwnEntry(const std::string& path) {
  const std::string name = path.substr(path.rfind('\\') + 1);
  if (!IsListableName(name, path)) return RecycleCheck::UnsafeName;
  DWORD a = OwnNameAttributes(path);
  if (a == INVALID_FILE_ATTRIBUTES) {
    DWORD err = GetLastError();
    if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) return RecycleCheck::Vanished;
    return RecycleCheck::Unreadable;
  }
  if (a & FILE_ATTRIBUTE_REPARSE_POINT) return RecycleCheck::ReparsePoint;
  if (a & FILE_ATTRIBUTE_DIRECTORY) return RecycleCheck::NotAFile;
  // A file held open by someone is refused by the shell's operation itself.
  return RecycleCheck::Ready;
}

RecycleCheck FromChain(FolderChain c) {
  return c == FolderChain::Missing ? RecycleCheck::Vanished : RecycleCheck::LinkedFolder;
}

// The core's look right before the recycle (one open): only a file that is
// itself, and whose name on disk is exactly the listed name. A name that now
// reaches a file differing only in case (a twin, on a file system that holds
// both) stands for a file nobody listed: the listed one is gone.
RecycleCheck CheckItself(const std::string& path, PathCheck& c) {
  c = CheckPathItself(path);
  switch (c.state) {
    case PathState::File:
      return ExtractFileName(c.finalPath) == ExtractFileName(path) ? RecycleCheck::Ready : RecycleCheck::Vanished;
    case PathState::Missing:
      return RecycleCheck::Vanished;
    case PathState::Folder:
      return RecycleCheck::NotAFile;
    case PathState::ReparsePoint:
      return RecycleCheck::ReparsePoint;
    case PathState::Elsewhere:
      return RecycleCheck::NotItself;
    case PathState::Unreadable:
      break;
  }
  return RecycleCheck::Unreadable;
}

// The entry's own name first (cheap, no handle), then the core's look.
RecycleCheck CheckEntry(const std::string& path, PathCheck* check) {
  PathCheck local;
  PathCheck& itself = check ? *check : local;
  itself = PathCheck{};
  itself.path = path;
  const RecycleCheck own = CheckOwnEntry(path);
  return own == RecycleCheck::Ready ? CheckItself(path, itself) : own;
}

}  // namespace

// Every folder on the way from the drive root to the file must still be a
// plain folder: a folder replaced by a link since the search would lead the
// shell to files nobody saw.
FolderChain CheckFolderChain(const std::string& folder) {
  for (size_t i = folder.find('\\', 3); i != std::string::npos; i = folder.find('\\', i + 1)) {
    DWORD a = OwnNameAttributes(folder.substr(0, i));
    if (a == INVALID_FILE_ATTRIBUTES) {
      DWORD err = GetLastError();
      return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND ? FolderChain::Missing
                                                                         : FolderChain::Linked;
    }
    if (!(a & FILE_ATTRIBUTE_DIRECTORY) || (a & FILE_ATTRIBUTE_REPARSE_POINT)) return FolderChain::Linked;
  }
  return FolderChain::Plain;
}

bool ListNamesUpper(const std::string& folder, std::unordered_set<std::string>& out) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileExW(Widen(folder + "\\*").c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch,
                              nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD err = GetLastError();
    return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND;
  }
  do {
    std::wstring n = fd.cFileName;
    CharUpperBuffW(n.data(), static_cast<DWORD>(n.size()));
    out.insert(Narrow(n));
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  return true;
}

RecycleCheck CheckBeforeRecycle(const std::string& path, PathCheck* check) {
  if (check) *check = PathCheck{path};
  size_t slash = path.rfind('\\');
  if (slash == std::string::npos || slash < 2) return RecycleCheck::UnsafeName;
  FolderChain c = CheckFolderChain(path.substr(0, slash + 1));
  if (c != FolderChain::Plain) return FromChain(c);
  return CheckEntry(path, check);
}

RecycleCheck RecycleChecker::Check(const std::string& folder, const std::string& path, PathCheck* check) {
  if (check) *check = PathCheck{path};
  if (folder != chainFolder_ || GetTickCount64() - chainTime_ > 50) {
    chainFolder_ = folder;
    chain_ = CheckFolderChain(folder + "\\");
    chainTime_ = GetTickCount64();
  }
  return chain_ == FolderChain::Plain ? CheckEntry(path, check) : FromChain(chain_);
}

void RecycleConfirmation::StartEntry(const std::string& folder) {
  constexpr size_t kGroup = 1024;
  constexpr ULONGLONG kGroupMs = 1000;  // the tree follows within a second
  if (folder != folder_ || taken_.size() >= kGroup || GetTickCount64() - since_ > kGroupMs) {
    Flush();
    folder_ = folder;
    since_ = GetTickCount64();
  }
}

void RecycleConfirmation::Flush() {
  if (taken_.empty()) return;
  constexpr size_t kReadFolderFrom = 32;
  std::unordered_set<std::string> present;
  const bool listed = taken_.size() >= kReadFolderFrom && ListNamesUpper(folder_, present);
  // The verdicts may delete nodes and start nothing new: take the list first.
  std::vector<Item> items;
  items.swap(taken_);
  for (const Item& t : items) {
    // Confirmed by what the file is, not by its name: the name may now
    // reach a twin or a new file (Replaced), which means the recycled file
    // is gone too.
    const bool gone = (listed && present.count(UpperLocale(t.name)) == 0) ||
                      IsGone(CheckFileGone(folder_ + "\\" + t.name, t.identity));
    verdict_(t, gone);
  }
}

}  // namespace qz::cleaning
