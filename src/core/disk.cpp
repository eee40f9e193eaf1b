#include "core/disk.h"

#include <shellapi.h>
#include <shlobj.h>

#include <utility>
#include <vector>

#include "core/globals.h"
#include "core/pump.h"
#include "core/text.h"

namespace qz {

namespace {

constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                      FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED |
                                      FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_TEMPORARY;

DWORD Attributes(const std::string& path) { return GetFileAttributesW(Widen(path).c_str()); }

bool IsFolderEntry(const WIN32_FIND_DATAW& fd) { return (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
bool IsLinkEntry(const WIN32_FIND_DATAW& fd) { return (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
// Names that a Windows path cannot address: the file system of the host may
// hold names with wildcards, separators or a trailing dot or blank, which any
// path built from them would turn into another file (a sibling, a file in a
// sub-folder, or a wildcard for several). The walks leave them out.
bool IsAddressableName(const wchar_t* name) {
  const wchar_t* p = name;
  for (; *p; ++p) {
    wchar_t c = *p;
    if (c < 32 || c == L'\\' || c == L'/' || c == L':' || c == L'*' || c == L'?' || c == L'"' || c == L'<' ||
        c == L'>' || c == L'|')
      return false;
  }
  return p != name && p[-1] != L'.' && p[-1] != L' ';
}

// A sub-folder the walks enter: a real folder (no junction or link) whose
// name does not begin with "." (which also leaves out "." and "..").
bool IsWalkableFolder(const WIN32_FIND_DATAW& fd) {
  return IsFolderEntry(fd) && !IsLinkEntry(fd) && fd.cFileName[0] != L'.' && IsAddressableName(fd.cFileName);
}

// ---- file masks -------------------------------------------------------------
//
// Long names are matched the way the file system matches them for
// FindFirstFile: without regard to case, "*" for any run of characters, "?"
// for one character, and the old DOS rules that make "*.*" match every name
// (also one without a dot), "*." match names without an extension and "a??.txt"
// match "a.txt". The mask is rewritten with the DOS wildcards first:
//   "?"                      -> kQm:   one character, or none at a "." or the end
//   "*" followed by "."      -> kStar: any run that does not take the name's last "."
//   "." followed by "?"/"*"
//       or ending the mask   -> kDot:  a "." or the end of the name
class FileMask {
 public:
  explicit FileMask(const std::string& mask) {
    std::wstring m = Widen(mask);
    if (m == L"*" || m == L"*.*") {
      all_ = true;
      return;
    }
    none_ = m.empty();
    CharUpperBuffW(m.data(), static_cast<DWORD>(m.size()));
    for (size_t i = 0; i < m.size(); ++i) {
      wchar_t c = m[i];
      wchar_t next = i + 1 < m.size() ? m[i + 1] : 0;
      if (c == L'?')
        c = kQm;
      else if (c == L'*' && next == L'.')
        c = kDosStar;
      else if (c == L'.' && (next == L'?' || next == L'*' || next == 0))
        c = kDot;
      pattern_.push_back(c);
    }
    // "*.ext" (the commonest mask): the name's last "." starts exactly ".ext".
    if (pattern_.size() >= 2 && pattern_[0] == kDosStar && pattern_[1] == L'.' &&
        pattern_.find_first_of(L"*.\xFFF9\xFFFA\xFFFB", 2) == std::wstring::npos)
      suffix_ = pattern_.substr(1);
  }

  bool MatchesNothing() const { return none_; }

  bool Matches(const wchar_t* name) const {
    if (all_) return true;
    if (none_) return false;
    name_.assign(name);
    CharUpperBuffW(name_.data(), static_cast<DWORD>(name_.size()));
    lastDot_ = name_.rfind(L'.');
    if (!suffix_.empty())
      return lastDot_ != std::wstring::npos && name_.compare(lastDot_, std::wstring::npos, suffix_) == 0;
    memo_.assign((pattern_.size() + 1) * (name_.size() + 1), 0);
    return Match(0, 0);
  }

 private:
  // Stand-ins for the DOS wildcards: code points that no file name holds.
  static constexpr wchar_t kQm = 0xFFF9, kDosStar = 0xFFFA, kDot = 0xFFFB;

  // Memoised: 0 unknown, 1 no, 2 yes.
  bool Match(size_t p, size_t n) const {
    uint8_t& m = memo_[p * (name_.size() + 1) + n];
    if (m) return m == 2;
    bool r = MatchUncached(p, n);
    m = r ? 2 : 1;
    return r;
  }

  bool MatchUncached(size_t p, size_t n) const {
    const size_t plen = pattern_.size(), nlen = name_.size();
    if (p == plen) return n == nlen;
    wchar_t c = pattern_[p];
    switch (c) {
      case L'*':
        for (size_t k = n; k <= nlen; ++k)
          if (Match(p + 1, k)) return true;
        return false;
      case kDosStar:
        for (size_t k = n; k <= nlen; ++k) {
          if (Match(p + 1, k)) return true;
          if (k < nlen && k == lastDot_) return false;  // never takes the last "."
        }
        return false;
      case kQm:
        if (n == nlen || name_[n] == L'.') {
          size_t q = p;
          while (q < plen && pattern_[q] == kQm) ++q;
          return Match(q, n);
        }
        return Match(p + 1, n + 1);
      case kDot:
        if (n == nlen) return Match(p + 1, n);
        return name_[n] == L'.' && Match(p + 1, n + 1);
      default:
        return n < nlen && name_[n] == c && Match(p + 1, n + 1);
    }
  }

  bool all_ = false;
  bool none_ = false;
  std::wstring pattern_;
  std::wstring suffix_;
  mutable std::wstring name_;
  mutable size_t lastDot_ = std::wstring::npos;
  mutable std::vector<uint8_t> memo_;
};

// Lists the files of one folder whose long names match the mask (onFile gets
// the folder and the find data), and (optionally) the sub-folders to walk,
// in the order the file system returns them. The mask is applied to the long
// name here, which also keeps out entries that FindFirstFile returns through
// an 8.3 alias. A walk that needs the sub-folders reads the folder once, with
// "*"; a single folder is read with the mask itself (the file system then
// looks only at matching entries).
template <class OnFile>
void ScanFolder(const std::wstring& wfolder, const std::string& folder, const FileMask& mask, OnFile&& onFile,
                std::vector<std::wstring>* subfolders, const std::wstring& pattern = L"*") {
  ForEachDirEntry(wfolder, pattern, [&](const WIN32_FIND_DATAW& fd) {
    if (IsFolderEntry(fd)) {
      if (subfolders && IsWalkableFolder(fd)) subfolders->emplace_back(fd.cFileName);
    } else if (IsAddressableName(fd.cFileName) && mask.Matches(fd.cFileName)) {
      // A link to a file looks like a file here; only its final path tells.
      if (FileReachesItself(folder + Narrow(fd.cFileName))) onFile(folder, fd);
    }
  });
}

void AddPath(StringList& files, const std::string& folder, const WIN32_FIND_DATAW& fd) {
  files.push_back(folder + Narrow(fd.cFileName));
}

// The recursive walk of FindFilesRecursive: depth first with an explicit
// stack, so a deep tree cannot exhaust the thread's stack; each folder's
// files come before its sub-folders' files.
template <class OnFile>
void WalkFilesRecursive(const std::string& folder, const FileMask& mask, OnFile&& onFile) {
  if (mask.MatchesNothing()) return;  // no tree walk for a mask that takes no file
  struct Pending {
    std::string folder;
    std::wstring wfolder;
  };
  std::vector<Pending> stack;
  stack.push_back({folder, Widen(folder)});
  std::vector<std::wstring> subs;
  while (!stack.empty()) {
    Pending cur = std::move(stack.back());
    stack.pop_back();
    PumpMessagesThrottled();
    if (AbortFlag) return;
    subs.clear();
    ScanFolder(cur.wfolder, cur.folder, mask, onFile, &subs);
    for (auto it = subs.rbegin(); it != subs.rend(); ++it)
      stack.push_back({cur.folder + Narrow(*it) + "\\", cur.wfolder + *it + L"\\"});
  }
}

// Removes one folder if it is empty: its attributes are cleared for the
// removal and put back when the folder stays.
void RemoveOneFolder(const std::wstring& path, DWORD attr) {
  // Looked at again right before: a folder swapped for a link (or reached
  // through one) since the walk is left alone.
  if (!IsFolderItself(Narrow(path))) return;
  bool cleared = (attr & kSettableAttributes) != 0;
  if (cleared) SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!RemoveDirectoryW(path.c_str()) && cleared) SetFileAttributesW(path.c_str(), attr & kSettableAttributes);
}

// The folder (trailing backslash dropped) when it is a real folder, not a link.
bool RealFolder(const std::string& folder, std::wstring& path, DWORD& attr) {
  path = Widen(ExcludeTrailingBackslash(folder));
  attr = GetFileAttributesW(path.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY) &&
         !(attr & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::vector<std::wstring> WalkableSubfolders(const std::wstring& wfolder) {
  std::vector<std::wstring> subs;
  ForEachDirEntry(wfolder, L"*", [&](const WIN32_FIND_DATAW& fd) {
    if (IsWalkableFolder(fd)) subs.emplace_back(fd.cFileName);
  });
  return subs;
}

std::function<int(SHFILEOPSTRUCTW&)>& ShellFileOperationStandIn() {
  static std::function<int(SHFILEOPSTRUCTW&)> standIn;
  return standIn;
}

// Runs one shell file operation; success only when the call returns 0 and
// no part of it was aborted.
bool ShellOperation(UINT func, const std::string& from, const std::string* to, FILEOP_FLAGS flags) {
  // The shell would take "*" and "?" as wildcards and strip a trailing dot or
  // blank: such a name would stand for its siblings.
  if (!IsShellSafePath(from) || (to && !IsShellSafePath(*to))) return false;
  // Double-NUL-terminated lists of exactly the length needed.
  std::wstring wfrom = Widen(from);
  wfrom.push_back(L'\0');
  std::wstring wto;
  if (to) {
    wto = Widen(*to);
    wto.push_back(L'\0');
  }
  SHFILEOPSTRUCTW op{};
  op.wFunc = func;
  op.pFrom = wfrom.c_str();
  op.pTo = to ? wto.c_str() : nullptr;
  op.fFlags = flags;
  int rc = ShellFileOperationStandIn() ? ShellFileOperationStandIn()(op) : SHFileOperationW(&op);
  return rc == 0 && !op.fAnyOperationsAborted;
}

bool RecycleWithFlags(const std::string& file, FILEOP_FLAGS flags) {
  // The name as given is checked too: expanding it strips a trailing dot or
  // blank, and what exists then is a sibling.
  if (!IsShellSafePath(file)) return false;
  const std::string full = ExpandFileName(file);
  // Right before: a link hands the shell its target.
  const PathCheck check = CheckPathItself(full);
  if (!check.IsFile()) return false;
  if (!ShellOperation(FO_DELETE, full, nullptr, flags)) return false;
  // The shell reports success for some failures; only a file that is gone
  // was recycled, and its name may now reach a twin.
  return IsGone(CheckFileGone(full, check.identity));
}

// Where a copy or move would write: the target, or the source's name inside a
// target folder. It must be free, or a file that is itself. A name that
// exists yet cannot be opened (a dangling link) is not free: writing there
// would create the link's target.
bool TargetIsSafe(const std::string& source, const std::string& target) {
  std::string dest = target;
  if (IsFolderItself(target)) dest = IncludeTrailingBackslash(target) + ExtractFileName(source);
  const PathCheck c = CheckPathItself(dest);
  if (c.state == PathState::File) return true;
  if (c.state != PathState::Missing) return false;
  // Free only when a new file of that name can be made (and is removed again).
  FileHandle probe = CreateFileItself(dest, DELETE, 0, CreateMode::New);
  if (!probe) return false;
  FILE_DISPOSITION_INFO gone{};
  gone.DeleteFile = TRUE;
  return SetFileInformationByHandle(probe.get(), FileDispositionInfo, &gone, sizeof gone) != FALSE;
}

bool ShellTransfer(UINT func, const std::string& source, const std::string& target) {
  if (!IsFileItself(source) || !TargetIsSafe(source, target)) return false;
  return ShellOperation(func, source, &target, FOF_NOCONFIRMATION | FOF_ALLOWUNDO);
}

// Removes the empty folders of a tree from the bottom up (each after its own
// sub-folders were handled, so what is left in it decides), and the folder
// itself when removeSelf is set. Files are never touched; links are neither
// entered nor removed.
void RemoveEmptyFolders(const std::string& folder, bool removeSelf) {
  PumpMessagesThrottled();
  if (AbortFlag) return;
  std::wstring path;
  DWORD attr = 0;
  if (!RealFolder(folder, path, attr)) return;
  std::string base = IncludeTrailingBackslash(folder);
  for (const auto& name : WalkableSubfolders(path + L"\\")) RemoveEmptyFolders(base + Narrow(name) + "\\", true);
  if (removeSelf) RemoveOneFolder(path, attr);
}

}  // namespace

// ---- attributes and paths -----------------------------------------------------

bool FileExists(const std::string& path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool PathExists(const std::string& path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }

bool IsReparsePoint(const std::string& path) {
  DWORD a = Attributes(ExcludeTrailingBackslash(path));
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
}

int64_t GetFileSize64(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &d)) return -1;
  if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
  return static_cast<int64_t>((static_cast<uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow);
}

std::string IncludeTrailingBackslash(const std::string& path) {
  if (!path.empty() && path.back() == '\\') return path;
  return path + "\\";
}

std::string ExcludeTrailingBackslash(const std::string& path) {
  if (!path.empty() && path.back() == '\\') return path.substr(0, path.size() - 1);
  return path;
}

std::string ExtractFileDir(const std::string& path) {
  size_t p = path.rfind('\\');
  return p == std::string::npos ? std::string() : path.substr(0, p);
}

std::string ExtractFileName(const std::string& path) {
  size_t p = path.find_last_of("\\:");
  return p == std::string::npos ? path : path.substr(p + 1);
}

std::string ExtractFileExt(const std::string& path) {
  std::string name = ExtractFileName(path);
  size_t p = name.rfind('.');
  return p == std::string::npos ? std::string() : name.substr(p);
}

std::string ExpandFileName(const std::string& path) {
  std::wstring w = Widen(path);
  std::wstring out(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetFullPathNameW(w.c_str(), static_cast<DWORD>(out.size()), out.data(), nullptr);
    if (n == 0) return path;
    if (n < out.size()) {
      out.resize(n);
      return Narrow(out);
    }
    out.assign(n + 1, L'\0');
  }
}

bool IsShellSafePath(const std::string& path) {
  if (path.empty()) return false;
  for (char c : path) {
    unsigned char u = static_cast<unsigned char>(c);
    // Wildcards (also the DOS forms < > "), the pipe and control characters:
    // none belongs in a Windows name, and the shell would expand the first ones.
    if (u < 32 || c == '*' || c == '?' || c == '<' || c == '>' || c == '"' || c == '|') return false;
  }
  // No part may end in "." or a blank (".", ".." included): the shell strips
  // them and would act on a sibling.
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) {
      char last = path[end - 1];
      if (last == '.' || last == ' ') return false;
    }
    start = end + 1;
  }
  return true;
}

// ---- shell operations -------------------------------------------------------

bool ShellCopyFile(const std::string& source, const std::string& target) {
  return ShellTransfer(FO_COPY, source, target);
}

bool ShellMoveFile(const std::string& source, const std::string& target) {
  return ShellTransfer(FO_MOVE, source, target);
}

bool RecycleFile(const std::string& file) { return RecycleWithFlags(file, FOF_NOCONFIRMATION | FOF_ALLOWUNDO); }

bool RecycleFileConfirm(const std::string& file) { return RecycleWithFlags(file, FOF_ALLOWUNDO); }

namespace {
constexpr FILEOP_FLAGS kQuietRecycle =
    FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_NO_CONNECTED_ELEMENTS | FOF_NOERRORUI | FOF_SILENT;
}  // namespace

bool RecycleFileQuiet(const std::string& file) { return RecycleWithFlags(file, kQuietRecycle); }

bool ShellRecycleChecked(const std::string& file, const PathCheck& check) {
  if (check.path != file || !check.IsFile()) return false;
  return ShellOperation(FO_DELETE, file, nullptr, kQuietRecycle);
}

void SetShellFileOperation(std::function<int(SHFILEOPSTRUCTW& op)> operation) {
  ShellFileOperationStandIn() = std::move(operation);
}

bool ShellRecycleQuiet(const std::string& file, PathCheck* check) {
  PathCheck c = CheckPathItself(file);
  const bool done = ShellRecycleChecked(file, c);
  if (check) *check = std::move(c);
  return done;
}

// ---- lock tests -------------------------------------------------------------

bool FileIsLocked(const std::string& file) {
  if (!FileExists(file)) return false;
  HANDLE h = CreateFileW(Widen(file).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return true;
  CloseHandle(h);
  return false;
}

bool FileIsLockedAnyAttr(const std::string& file) {
  if (!FileExists(file)) return false;
  // Attributes are set by name: on a link they would be its target's.
  if (!IsFileItself(file)) return true;
  std::wstring w = Widen(file);
  DWORD attr = GetFileAttributesW(w.c_str());
  bool cleared = (attr & kSettableAttributes) != 0 && SetFileAttributesW(w.c_str(), FILE_ATTRIBUTE_NORMAL);
  bool locked = FileIsLocked(file);
  // Put the attributes back whatever the test found.
  if (cleared) SetFileAttributesW(w.c_str(), attr & kSettableAttributes);
  return locked;
}

bool IsDriveFolder(const std::string& path) {
  return path.size() >= 3 && path[1] == ':' && path[2] == '\\' && DirectoryExists(path);
}

// ---- walks --------------------------------------------------------------------

void ListSubfolders(const std::string& folder, StringList& list) {
  PumpMessagesThrottled();
  if (AbortFlag) return;
  // The names would be those of wherever a linked folder leads.
  if (!IsFolderItself(folder)) return;
  for (const auto& name : WalkableSubfolders(Widen(folder))) list.push_back(Narrow(name));
}

void FindFiles(const std::string& folder, const std::string& mask, StringList& list) {
  PumpMessagesThrottled();
  if (AbortFlag) return;
  FileMask m(mask);
  if (m.MatchesNothing()) return;
  ScanFolder(
      Widen(folder), folder, m, [&](const std::string& f, const WIN32_FIND_DATAW& fd) { AddPath(list, f, fd); },
      nullptr, Widen(mask));
}

void FindFilesRecursive(const std::string& folder, const std::string& mask, StringList& list) {
  WalkFilesRecursive(folder, FileMask(mask),
                     [&](const std::string& f, const WIN32_FIND_DATAW& fd) { AddPath(list, f, fd); });
}

void FindFilesRecursive(const std::string& folder, const std::string& mask, std::vector<FoundFile>& list) {
  WalkFilesRecursive(folder, FileMask(mask), [&](const std::string& f, const WIN32_FIND_DATAW& fd) {
    list.push_back({f + Narrow(fd.cFileName),
                    static_cast<int64_t>((static_cast<uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow)});
  });
}

void ListFolder(const std::string& folder, StringList& files, StringList& subfolders) {
  PumpMessagesThrottled();
  if (AbortFlag) return;
  // The sub-folders would be those of wherever a linked folder leads.
  if (!IsFolderItself(folder)) return;
  std::vector<std::wstring> subs;
  ScanFolder(
      Widen(folder), folder, FileMask("*.*"),
      [&](const std::string& f, const WIN32_FIND_DATAW& fd) { AddPath(files, f, fd); }, &subs);
  for (const auto& name : subs) subfolders.push_back(Narrow(name));
}

void RemoveFolderTree(const std::string& folder) { RemoveEmptyFolders(folder, true); }

void RemoveEmptySubfolders(const std::string& folder, int level) { RemoveEmptyFolders(folder, level > 0); }

// ---- special folders and processes ------------------------------------------

std::string GetSpecialFolderDir(HWND owner, int csidl) {
  PIDLIST_ABSOLUTE pidl = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(owner, csidl, &pidl)) || !pidl) return {};
  std::wstring buf(32768, L'\0');
  std::string out;
  if (SHGetPathFromIDListEx(pidl, buf.data(), static_cast<DWORD>(buf.size()), GPFIDL_DEFAULT))
    out = Narrow(buf.c_str());
  CoTaskMemFree(pidl);
  return out;
}

int64_t RunAndWait(const std::string& commandLine, const std::string& workDir, int showCmd) {
  std::wstring cmd = Widen(commandLine);
  cmd.push_back(L'\0');  // CreateProcessW may write into the command line
  std::wstring dir = Widen(workDir);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = static_cast<WORD>(showCmd);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS,
                      nullptr, dir.empty() ? nullptr : dir.c_str(), &si, &pi))
    return -1;
  CloseHandle(pi.hThread);
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  return static_cast<int64_t>(code);
}

bool MatchesFileMask(const std::string& name, const std::string& mask) {
  FileMask m(mask);
  return m.Matches(Widen(name).c_str());
}

}  // namespace qz
