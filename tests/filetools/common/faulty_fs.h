// Test helpers of the file tools: a file system that fails one kind of step
// on purpose, and small file helpers.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/text.h"
#include "filetools/common/file_io.h"

namespace qz::ft::test {

// Each fault is off (nullopt) or names the files it hits by a piece of their
// path (case-insensitive; "" hits every file).
class FaultyFileSystem : public FileSystem {
 public:
  std::optional<std::string> shortWrite;  // writes stop short once writeLimit bytes went to such files
  int64_t writeLimit = 0;
  std::optional<std::string> readError;   // a read fails once readLimit bytes came from such files
  int64_t readLimit = 0;
  std::optional<std::string> flushError;
  std::optional<std::string> renameError;  // by the source path
  std::optional<std::string> deleteError;
  std::optional<std::string> attributesError;  // setting attributes fails
  // Told of every file created (before anything is written to it).
  std::function<void(const std::string& path)> onCreate;
  // Sees (and may change) every buffer read from a file.
  std::function<void(const std::string& path, uint8_t* data, DWORD count)> afterRead;

  int renames = 0;
  int deletes = 0;
  int flushes = 0;

  HANDLE OpenExisting(const std::string& path, DWORD access, DWORD share) override {
    return Track(FileSystem::OpenExisting(path, access, share), path);
  }
  HANDLE CreateNew(const std::string& path, DWORD access, DWORD share) override {
    HANDLE h = Track(FileSystem::CreateNew(path, access, share), path);
    if (h != INVALID_HANDLE_VALUE && onCreate) onCreate(path);
    return h;
  }
  void Close(HANDLE h) override {
    paths_.erase(h);
    FileSystem::Close(h);
  }
  bool Write(HANDLE h, const void* buffer, DWORD count, DWORD* done) override {
    if (Hits(shortWrite, PathOf(h))) {
      int64_t room = std::max<int64_t>(0, writeLimit - written_);
      if (room < count) {
        DWORD part = static_cast<DWORD>(room);
        bool ok = FileSystem::Write(h, buffer, part, done);
        written_ += *done;
        return ok;  // a short count, reported as success
      }
    }
    bool ok = FileSystem::Write(h, buffer, count, done);
    if (Hits(shortWrite, PathOf(h))) written_ += *done;
    return ok;
  }
  bool Read(HANDLE h, void* buffer, DWORD count, DWORD* done) override {
    const std::string& path = PathOf(h);
    if (Hits(readError, path) && read_ + count > readLimit) {
      *done = 0;
      SetLastError(ERROR_READ_FAULT);
      return false;
    }
    bool ok = FileSystem::Read(h, buffer, count, done);
    if (Hits(readError, path)) read_ += *done;
    if (ok && afterRead) afterRead(path, static_cast<uint8_t*>(buffer), *done);
    return ok;
  }
  bool Flush(HANDLE h) override {
    ++flushes;
    if (Hits(flushError, PathOf(h))) return false;
    return FileSystem::Flush(h);
  }
  bool Rename(const std::string& from, const std::string& to, DWORD flags) override {
    ++renames;
    if (Hits(renameError, from)) return false;
    return FileSystem::Rename(from, to, flags);
  }
  bool Delete(const std::string& path) override {
    ++deletes;
    if (Hits(deleteError, path)) return false;
    return FileSystem::Delete(path);
  }

  bool SetAttributes(const std::string& path, DWORD attributes) override {
    if (Hits(attributesError, path)) return false;
    return FileSystem::SetAttributes(path, attributes);
  }

  static bool Hits(const std::optional<std::string>& fault, const std::string& path) {
    return fault && (fault->empty() || IContains(path, *fault));
  }

 private:
  HANDLE Track(HANDLE h, const std::string& path) {
    if (h != INVALID_HANDLE_VALUE) paths_[h] = path;
    return h;
  }
  const std::string& PathOf(HANDLE h) const {
    static const std::string none;
    auto it = paths_.find(h);
    return it == paths_.end() ? none : it->second;
  }

  std::map<HANDLE, std::string> paths_;
  int64_t written_ = 0;
  int64_t read_ = 0;
};

// ---- files -------------------------------------------------------------------

inline bool WriteBytes(const std::string& path, const std::string& bytes) {
  HANDLE h = CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD put = 0;
  bool ok = bytes.empty() || (WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) &&
                              put == bytes.size());
  CloseHandle(h);
  return ok;
}

inline std::string ReadBytes(const std::string& path) {
  HANDLE h = CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  std::string out;
  std::vector<char> buf(1 << 20);
  DWORD got = 0;
  while (ReadFile(h, buf.data(), static_cast<DWORD>(buf.size()), &got, nullptr) && got > 0) out.append(buf.data(), got);
  CloseHandle(h);
  return out;
}

inline bool Exists(const std::string& path) {
  return GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Byte i = (7i + 3) mod 256.
inline std::string Pattern(size_t size) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((7 * i + 3) % 256);
  return s;
}

// The names in a folder (files and folders, without "." and ".."), sorted.
inline std::vector<std::string> Listing(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW fd;
  const std::string base = !folder.empty() && folder.back() == '\\' ? folder : folder + "\\";
  HANDLE h = FindFirstFileW(Widen(base + "*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring n = fd.cFileName;
    if (n != L"." && n != L"..") names.push_back(Narrow(n));
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace qz::ft::test
