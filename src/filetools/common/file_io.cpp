#include "filetools/common/file_io.h"

#include <atomic>
#include <cstdio>

#include "core/disk.h"
#include "core/text.h"

namespace qz::ft {

namespace {

// The final path of an open handle in its plain form: "\\?\C:\x" -> "C:\x",
// "\\?\UNC\srv\share" -> "\\srv\share". Empty when it cannot be asked.
std::wstring FinalPath(HANDLE h) {
  std::wstring buf(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetFinalPathNameByHandleW(h, buf.data(), static_cast<DWORD>(buf.size()), VOLUME_NAME_DOS);
    if (n == 0) return {};
    if (n < buf.size()) {
      buf.resize(n);
      break;
    }
    buf.assign(n + 1, L'\0');
  }
  if (buf.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\\\" + buf.substr(8);
  if (buf.rfind(L"\\\\?\\", 0) == 0) return buf.substr(4);
  return buf;
}

}  // namespace

std::wstring FullLongPath(const std::string& path) {
  const std::wstring full = Widen(ExpandFileName(path));
  std::wstring longer(full.size() + MAX_PATH, L'\0');
  DWORD n = GetLongPathNameW(full.c_str(), longer.data(), static_cast<DWORD>(longer.size()));
  if (n == 0 || n >= longer.size()) return full;
  longer.resize(n);
  return longer;
}

bool HandleIsPath(HANDLE h, const std::string& path) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(h, &info)) return false;
  if (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) return false;
  std::wstring final = FinalPath(h);
  std::wstring expected = FullLongPath(path);
  return !final.empty() &&
         CompareStringOrdinal(final.c_str(), static_cast<int>(final.size()), expected.c_str(),
                              static_cast<int>(expected.size()), TRUE) == CSTR_EQUAL;
}

// ---- the real file system ----------------------------------------------------

// The identity rule of the file tools: open without following, then compare
// the final path. A core open-without-following can take this over in one
// place.
HANDLE FileSystem::OpenExisting(const std::string& path, DWORD access, DWORD share) {
  HANDLE h = CreateFileW(Widen(path).c_str(), access, share, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return h;
  if (!HandleIsPath(h, path)) {
    CloseHandle(h);
    SetLastError(ERROR_CANT_ACCESS_FILE);
    return INVALID_HANDLE_VALUE;
  }
  return h;
}

bool FileSystem::IsItself(const std::string& path) {
  HANDLE h = OpenExisting(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  if (h == INVALID_HANDLE_VALUE) return false;
  Close(h);
  return true;
}

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
  return MoveFileExW(Widen(from).c_str(), Widen(to).c_str(), flags) != 0;
}

bool FileSystem::Delete(const std::string& path) { return DeleteFileW(Widen(path).c_str()) != 0; }

DWORD FileSystem::Attributes(const std::string& path) { return GetFileAttributesW(Widen(path).c_str()); }

bool FileSystem::SetAttributes(const std::string& path, DWORD attributes) {
  return SetFileAttributesW(Widen(path).c_str(), attributes) != 0;
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
