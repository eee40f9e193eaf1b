#include "core/file_itself.h"

#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "core/disk.h"
#include "core/text.h"

namespace qz {

namespace {

constexpr DWORD kNoFollow = FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS;

// ---- the native calls the Win32 layer does not offer -------------------------

struct IoStatus {
  union {
    LONG Status;
    PVOID Pointer;
  };
  ULONG_PTR Information;
};
using NtFileInfoFn = LONG(NTAPI*)(HANDLE, IoStatus*, PVOID, ULONG, ULONG);
constexpr ULONG kFileRenameInformation = 10;
constexpr ULONG kFileInternalInformation = 6;

NtFileInfoFn NtFunction(const char* name) {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll ? reinterpret_cast<NtFileInfoFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, name))) : nullptr;
}

// ---- paths -------------------------------------------------------------------

// "\\?\C:\a" -> "C:\a", "\\?\UNC\srv\share\a" -> "\\srv\share\a"; anything
// else as it is (Wine's "\\?\unix\..." becomes "unix\...", which is no path
// of a drive and so never the same as a listed one).
std::wstring WithoutLongPrefix(const std::wstring& p) {
  if (p.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\\\" + p.substr(8);
  if (p.rfind(L"\\\\?\\", 0) == 0) return p.substr(4);
  return p;
}

bool SamePathW(const std::wstring& finalPath, const std::wstring& path) {
  const std::wstring a = WithoutLongPrefix(finalPath), b = WithoutLongPrefix(path);
  if (a.empty() || a.size() != b.size()) return false;
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

// The final path of what a path opened names that path. A folder part may be
// spelled in short (8.3) form ("C:\DOCUME~1\x.tmp", as some temporary-folder
// settings give it): it names the folder whose long form it has. The last
// part is never expanded: a short name there may stand for another file.
bool ReachesPath(const std::wstring& finalPath, const std::wstring& given) {
  // A relative path names the file below the current folder, when it is one
  // the system takes as written (no "." parts, trailing dots or wildcards).
  std::wstring path = given;
  const bool absolute = (given.size() >= 3 && given[1] == L':' && given[2] == L'\\') || given.rfind(L"\\\\", 0) == 0;
  if (!absolute && IsShellSafePath(Narrow(given))) path = Widen(ExpandFileName(Narrow(given)));
  if (SamePathW(finalPath, path)) return true;
  const size_t slash = path.rfind(L'\\');
  if (slash == std::wstring::npos || path.find(L'~') >= slash) return false;
  const std::wstring folder = path.substr(0, slash);
  DWORD n = GetLongPathNameW(folder.c_str(), nullptr, 0);
  if (n == 0) return false;
  std::wstring longFolder(n, L'\0');
  n = GetLongPathNameW(folder.c_str(), longFolder.data(), n);
  if (n == 0 || n >= longFolder.size()) return false;
  longFolder.resize(n);
  return SamePathW(finalPath, longFolder + path.substr(slash));
}

// The system's name for an open file or folder; "" when it gives none.
std::wstring FinalPathOf(HANDLE h) {
  std::wstring buf(MAX_PATH + 8, L'\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD n = GetFinalPathNameByHandleW(h, buf.data(), static_cast<DWORD>(buf.size()),
                                        FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) return {};
    if (n < buf.size()) {
      buf.resize(n);
      return buf;
    }
    buf.assign(n + 1, L'\0');
  }
  return {};
}

// A folder path as the system names it: no trailing backslash, except at a
// drive root ("C:\").
std::string FolderForCheck(const std::string& folder) {
  if (folder.size() == 2 && folder[1] == ':') return folder + "\\";
  if (folder.size() > 3 && folder.back() == '\\') return folder.substr(0, folder.size() - 1);
  return folder;
}

// The volume root of a final path ("C:\", "\\srv\share\"); "" for none.
std::wstring VolumeRoot(const std::wstring& path) {
  if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') return path.substr(0, 3);
  if (path.rfind(L"\\\\", 0) == 0) {
    size_t server = path.find(L'\\', 2);
    if (server == std::wstring::npos) return {};
    size_t share = path.find(L'\\', server + 1);
    return share == std::wstring::npos ? path + L"\\" : path.substr(0, share + 1);
  }
  return {};
}

// Volume serial numbers, read once per volume root: under Wine each read is
// a round trip to the mount manager (about a millisecond).
uint32_t VolumeSerial(const std::wstring& root) {
  if (root.empty()) return 0;
  static std::mutex lock;
  static std::unordered_map<std::wstring, uint32_t> serials;
  std::wstring key = root;
  CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
  {
    std::lock_guard<std::mutex> guard(lock);
    auto it = serials.find(key);
    if (it != serials.end()) return it->second;
  }
  DWORD serial = 0;
  if (!GetVolumeInformationW(root.c_str(), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) serial = 0;
  std::lock_guard<std::mutex> guard(lock);
  serials[key] = serial;
  return serial;
}

bool IsMissingError(DWORD e) {
  switch (e) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_DIRECTORY:
      return true;
    default:
      return false;
  }
}

HANDLE OpenNoFollow(const std::wstring& path, DWORD access, DWORD share) {
  return CreateFileW(path.c_str(), access | FILE_READ_ATTRIBUTES, share, nullptr, OPEN_EXISTING, kNoFollow, nullptr);
}

// Fills c from an open handle: the rule (ClassifyOpened), and the identity of
// a file or folder that is itself.
void Inspect(HANDLE h, PathCheck& c) {
  const std::wstring fin = FinalPathOf(h);
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (fin.empty() || !GetFileInformationByHandleEx(h, FileAttributeTagInfo, &tag, sizeof tag)) {
    c.state = PathState::Unreadable;
    return;
  }
  c.finalPath = Narrow(WithoutLongPrefix(fin));
  c.state = ClassifyOpened(c.path, c.finalPath, tag.FileAttributes);
  if ((c.state == PathState::File || c.state == PathState::Folder) && !GetFileIdentity(h, c.finalPath, c.identity))
    c.state = PathState::Unreadable;
}

// Marks an open file for deletion at its last close.
bool DeleteThroughHandle(HANDLE h) {
  FILE_DISPOSITION_INFO d{};
  d.DeleteFile = TRUE;
  return SetFileInformationByHandle(h, FileDispositionInfo, &d, sizeof d) != FALSE;
}

// The folder of a file path must be a folder that is itself.
PathState FolderOf(const std::string& path) {
  size_t slash = path.rfind('\\');
  if (slash == std::string::npos || slash == 0) return PathState::Missing;
  PathCheck folder = CheckPathItself(FolderForCheck(path.substr(0, slash)));
  if (folder.state == PathState::Folder) return PathState::Folder;
  return folder.state == PathState::Missing ? PathState::Missing : PathState::Elsewhere;
}

}  // namespace

// ---- looking -----------------------------------------------------------------

PathState ClassifyOpened(const std::string& path, const std::string& finalPath, DWORD attributes) {
  if (finalPath.empty() || !ReachesPath(Widen(finalPath), Widen(path))) return PathState::Elsewhere;
  // A Windows link opened without following keeps its own final path: only
  // its attributes tell.
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return PathState::ReparsePoint;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathState::Folder : PathState::File;
}

bool GetFileIdentity(HANDLE h, const std::string& finalPath, FileIdentity& out) {
  static const NtFileInfoFn query = NtFunction("NtQueryInformationFile");
  out = FileIdentity{};
  uint64_t index = 0;
  IoStatus io{};
  // The file index alone is a cheap query (the volume serial is not, under
  // Wine); the volume comes from the final path's root.
  if (query && query(h, &io, &index, sizeof index, kFileInternalInformation) >= 0) {
    out.index = index;
    out.volume = VolumeSerial(VolumeRoot(Widen(finalPath)));
    return true;
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(h, &info)) return false;
  out.volume = info.dwVolumeSerialNumber;
  out.index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return true;
}

PathCheck CheckPathItself(const std::string& path) {
  PathCheck c;
  c.path = path;
  if (path.empty()) return c;
  FileHandle h(OpenNoFollow(Widen(path), 0, kShareAll));
  if (!h) {
    c.state = IsMissingError(GetLastError()) ? PathState::Missing : PathState::Unreadable;
    return c;
  }
  Inspect(h.get(), c);
  return c;
}

bool IsFileItself(const std::string& path) { return CheckPathItself(path).state == PathState::File; }

bool IsFolderItself(const std::string& path) {
  return CheckPathItself(FolderForCheck(path)).state == PathState::Folder;
}

bool FileReachesItself(const std::string& path) {
  const std::wstring w = Widen(path);
  FileHandle h(OpenNoFollow(w, 0, kShareAll));
  if (!h) return false;
  const std::wstring fin = FinalPathOf(h.get());
  return !fin.empty() && ReachesPath(fin, w);
}

// ---- acting ------------------------------------------------------------------

FileHandle OpenFileItself(const std::string& path, DWORD access, DWORD share, PathCheck* check) {
  PathCheck local;
  PathCheck& c = check ? *check : local;
  c = PathCheck{};
  c.path = path;
  if (path.empty()) return {};
  FileHandle h(OpenNoFollow(Widen(path), access, share));
  if (!h) {
    c.state = IsMissingError(GetLastError()) ? PathState::Missing : PathState::Unreadable;
    return {};
  }
  Inspect(h.get(), c);
  if (c.state != PathState::File) return {};
  return h;
}

FileHandle CreateFileItself(const std::string& path, DWORD access, DWORD share, CreateMode mode, PathCheck* check) {
  PathCheck local;
  PathCheck& c = check ? *check : local;
  c = PathCheck{};
  c.path = path;
  if (path.empty()) return {};
  // A folder that leads elsewhere would take the new file there.
  const PathState folder = FolderOf(path);
  if (folder != PathState::Folder) {
    c.state = folder;
    return {};
  }
  // CREATE_NEW is the only creation that does not follow a link: it fails on
  // any entry of that name, a dangling link included.
  FileHandle h(CreateFileW(Widen(path).c_str(), access | FILE_READ_ATTRIBUTES | DELETE, share, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (h) {
    Inspect(h.get(), c);
    if (c.state == PathState::File) return h;
    // Made somewhere else after all (a folder swapped for a link meanwhile):
    // take back what was made, through its own handle.
    DeleteThroughHandle(h.get());
    if (c.state == PathState::Missing) c.state = PathState::Elsewhere;
    return {};
  }
  const DWORD err = GetLastError();
  if (err != ERROR_FILE_EXISTS && err != ERROR_ALREADY_EXISTS) {
    c.state = IsMissingError(err) ? PathState::Missing : PathState::Unreadable;
    return {};
  }
  if (mode == CreateMode::New) {
    c = CheckPathItself(path);
    if (c.state == PathState::Missing) c.state = PathState::Elsewhere;  // an entry no call can open
    return {};
  }
  FileHandle existing = OpenFileItself(path, access, share, &c);
  if (!existing) {
    if (c.state == PathState::Missing) c.state = PathState::Elsewhere;  // a dangling link
    return {};
  }
  LARGE_INTEGER zero{};
  if (!SetFilePointerEx(existing.get(), zero, nullptr, FILE_BEGIN) || !SetEndOfFile(existing.get())) {
    c.state = PathState::Unreadable;
    return {};
  }
  return existing;
}

bool RenameFileItself(const std::string& path, const std::string& newPath) {
  static const NtFileInfoFn setInfo = NtFunction("NtSetInformationFile");
  if (!setInfo || newPath.empty() || FolderOf(newPath) != PathState::Folder) return false;
  FileHandle h = OpenFileItself(path, DELETE, kShareAll);
  if (!h) return false;
  // The native rename information (laid out as FILE_RENAME_INFO) with the
  // target as an NT path; no replacing.
  const std::wstring target = L"\\?" L"?\\" + Widen(newPath);  // "\??\"
  std::vector<uint8_t> buf(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(WCHAR), 0);
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buf.data());
  info->ReplaceIfExists = FALSE;
  info->RootDirectory = nullptr;
  info->FileNameLength = static_cast<DWORD>(target.size() * sizeof(WCHAR));
  memcpy(info->FileName, target.data(), target.size() * sizeof(WCHAR));
  IoStatus io{};
  return setInfo(h.get(), &io, buf.data(), static_cast<ULONG>(buf.size()), kFileRenameInformation) >= 0;
}

bool DeleteFileItself(const std::string& path) {
  FileHandle h = OpenFileItself(path, DELETE, kShareAll);
  return h && DeleteThroughHandle(h.get());
}

bool SetFileAttributesItself(const std::string& path, DWORD attributes) {
  FileHandle h = OpenFileItself(path, FILE_WRITE_ATTRIBUTES, kShareAll);
  if (!h) return false;
  FILE_BASIC_INFO info{};  // times 0: left as they are
  info.FileAttributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
  return SetFileInformationByHandle(h.get(), FileBasicInfo, &info, sizeof info) != FALSE;
}

GoneState CheckFileGone(const std::string& path, const FileIdentity& before) {
  PathCheck now = CheckPathItself(path);
  switch (now.state) {
    case PathState::Missing:
      return GoneState::Gone;
    case PathState::Unreadable:
      return GoneState::Unknown;
    case PathState::Elsewhere:
    case PathState::ReparsePoint:
      return GoneState::Replaced;
    case PathState::File:
    case PathState::Folder:
      if (!before.Known()) return GoneState::Still;
      return now.identity == before ? GoneState::Still : GoneState::Replaced;
  }
  return GoneState::Unknown;
}

}  // namespace qz
