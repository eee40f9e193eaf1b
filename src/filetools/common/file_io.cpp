#include "filetools/common/file_io.h"

#include <atomic>
#include <cstdio>

#include "core/disk.h"
#include "core/text.h"

namespace qz::ft {

std::wstring FullLongPath(const std::string& path) {
  const std::wstring full = Widen(ExpandFileName(path));
  std::wstring longer(full.size() + MAX_PATH, L'\0');
  DWORD n = GetLongPathNameW(full.c_str(), longer.data(), static_cast<DWORD>(longer.size()));
  if (n == 0 || n >= longer.size()) return full;
  longer.resize(n);
  return longer;
}

// ---- the real file system ----------------------------------------------------

// The identity rule is the core's (core/file_itself.h): open without
// following, the final path is the path, and renames, deletes and attribute
// changes go through the checked handle.
HANDLE FileSystem::OpenExisting(const std::string& path, DWORD access, DWORD share) {
  PathCheck check;
  FileHandle h = OpenFileItself(path, access, share, &check);
  if (!h) {
    if (check.state == PathState::Missing)
      SetLastError(ERROR_FILE_NOT_FOUND);
    else if (check.state != PathState::Unreadable)
      SetLastError(ERROR_CANT_ACCESS_FILE);
    return INVALID_HANDLE_VALUE;
  }
  return h.Release();
}

bool FileSystem::IsItself(const std::string& path) { return IsFileItself(path); }

HANDLE FileSystem::CreateNew(const std::string& path, DWORD access, DWORD share) {
  return CreateFileW(Widen(path).c_str(), access, share, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool FileSystem::Size(HANDLE h, int64_t* size) {
  LARGE_INTEGER li;
  if (!GetFileSizeEx(h, &li)) return false;
  *size = li.QuadPart;
  return true;
}

bool FileSystem::Read(HANDLE h, void* buffer, DWORD count, DWORD* done) {
  *done = 0;
  return ReadFile(h, buffer, count, done, nullptr) != 0;
}

bool FileSystem::Write(HANDLE h, const void* buffer, DWORD count, DWORD* done) {
  *done = 0;
  return WriteFile(h, buffer, count, done, nullptr) != 0;
}

bool FileSystem::Seek(HANDLE h, int64_t position) {
  LARGE_INTEGER li;
  li.QuadPart = position;
  return SetFilePointerEx(h, li, nullptr, FILE_BEGIN) != 0;
}

bool FileSystem::Flush(HANDLE h) { return FlushFileBuffers(h) != 0; }

void FileSystem::Close(HANDLE h) { CloseHandle(h); }

bool FileSystem::Rename(const std::string& from, const std::string& to, DWORD flags) {
  if (flags == 0) return RenameFileItself(from, to);
  // Replacing a target: only a source that is itself is moved (by name, a
  // link would carry its target off); the move replaces the target's entry,
  // never what a link there leads to.
  return IsFileItself(from) && MoveFileExW(Widen(from).c_str(), Widen(to).c_str(), flags) != 0;
}

bool FileSystem::Delete(const std::string& path) { return DeleteFileItself(path); }

DWORD FileSystem::Attributes(const std::string& path) { return GetFileAttributesW(Widen(path).c_str()); }

bool FileSystem::SetAttributes(const std::string& path, DWORD attributes) {
  return SetFileAttributesItself(path, attributes);
}

FileSystem& RealFileSystem() {
  static FileSystem fs;
  return fs;
}

// ---- File --------------------------------------------------------------------

bool File::OpenExisting(const std::string& path, DWORD access, DWORD share) {
  Close();
  h_ = fs_->OpenExisting(path, access, share);
  path_ = path;
  return IsOpen();
}

bool File::CreateNew(const std::string& path, DWORD access, DWORD share) {
  Close();
  h_ = fs_->CreateNew(path, access, share);
  path_ = path;
  return IsOpen();
}

bool File::ReadExact(void* buffer, DWORD count) {
  auto* p = static_cast<uint8_t*>(buffer);
  while (count > 0) {
    DWORD done = 0;
    if (!IsOpen() || !fs_->Read(h_, p, count, &done) || done == 0 || done > count) return false;
    p += done;
    count -= done;
  }
  return true;
}

bool File::ReadSome(void* buffer, DWORD count, DWORD* done) {
  *done = 0;
  return IsOpen() && fs_->Read(h_, buffer, count, done) && *done <= count;
}

bool File::WriteAll(const void* buffer, DWORD count) {
  DWORD done = 0;
  return IsOpen() && fs_->Write(h_, buffer, count, &done) && done == count;
}

bool File::Seek(int64_t position) { return IsOpen() && fs_->Seek(h_, position); }

bool File::Size(int64_t* size) { return IsOpen() && fs_->Size(h_, size); }

bool File::Flush() { return IsOpen() && fs_->Flush(h_); }

void File::Close() {
  if (IsOpen()) fs_->Close(h_);
  h_ = INVALID_HANDLE_VALUE;
}

// ---- TempOutput --------------------------------------------------------------

bool TempOutput::Create() {
  static std::atomic<uint32_t> counter{0};
  size_t slash = target_.rfind('\\');
  const std::string folder = slash == std::string::npos ? std::string() : target_.substr(0, slash + 1);
  for (int attempt = 0; attempt < 64; ++attempt) {
    uint32_t tag = GetTickCount() * 2654435761u ^ GetCurrentProcessId() << 16 ^ counter.fetch_add(1) * 40503u;
    char name[32];
    std::snprintf(name, sizeof name, "~qz%08X.tmp", static_cast<unsigned>(tag));
    if (file_.CreateNew(folder + name)) {
      path_ = folder + name;
      return true;
    }
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

bool TempOutput::Commit(bool flush) {
  if (committed_ || path_.empty()) return false;
  bool ok = file_.IsOpen() && (!flush || file_.Flush());
  file_.Close();
  ok = ok && fs_->Rename(path_, target_, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) {
    Discard();
    return false;
  }
  committed_ = true;
  return true;
}

void TempOutput::Discard() {
  file_.Close();
  if (committed_ || path_.empty()) return;
  fs_->Delete(path_);
  path_.clear();
}

}  // namespace qz::ft
