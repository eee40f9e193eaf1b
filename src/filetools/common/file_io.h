// File access of the file tools (wiper, splitter and joiner, encrypter).
//
// Every open, read, write, flush, rename and delete these tools make goes
// through one FileSystem object. The program uses RealFileSystem(); tests hand
// in a subclass that fails one step on purpose (a short write at byte N, a
// failed flush, a read error, a failed rename or delete).
//
// Rules the callers keep:
// - An existing file is opened, renamed, deleted or given attributes only when
//   it is itself (core/file_itself.h): not a folder, not a reparse point, and
//   its final path is the path asked for. Under Wine a symbolic link to a file
//   looks like a plain file; writing through one would destroy its target,
//   reading through one would leak it.
// - Every read and write count is checked (File::ReadExact, File::WriteAll).
// - Output that replaces a file, or that precedes deleting an original, is
//   written to a TempOutput beside the target and only moved over the target
//   once complete.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace qz::ft {

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // An existing file, opened without following a link; INVALID_HANDLE_VALUE
  // (last error set) when it is missing, locked, a folder, or not itself.
  virtual HANDLE OpenExisting(const std::string& path, DWORD access, DWORD share);
  // True when the path names an existing file that is itself (as
  // OpenExisting decides), whoever holds it open.
  virtual bool IsItself(const std::string& path);
  // A new file (CREATE_NEW: never replaces or follows anything).
  virtual HANDLE CreateNew(const std::string& path, DWORD access, DWORD share);
  virtual bool Size(HANDLE h, int64_t* size);
  virtual bool Read(HANDLE h, void* buffer, DWORD count, DWORD* done);
  virtual bool Write(HANDLE h, const void* buffer, DWORD count, DWORD* done);
  virtual bool Seek(HANDLE h, int64_t position);
  virtual bool Flush(HANDLE h);
  virtual void Close(HANDLE h);
  // MoveFileExW with the flags (0: a plain rename that never replaces).
  virtual bool Rename(const std::string& from, const std::string& to, DWORD flags);
  virtual bool Delete(const std::string& path);
  virtual DWORD Attributes(const std::string& path);
  virtual bool SetAttributes(const std::string& path, DWORD attributes);
};

// The real one (Win32).
FileSystem& RealFileSystem();

// The full path (GetFullPathNameW) with its long names (GetLongPathNameW)
// as far as they exist.
std::wstring FullLongPath(const std::string& path);

// One open file. Closed at destruction.
class File {
 public:
  explicit File(FileSystem& fs) : fs_(&fs) {}
  ~File() { Close(); }
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  bool OpenExisting(const std::string& path, DWORD access, DWORD share);
  bool CreateNew(const std::string& path, DWORD access = GENERIC_READ | GENERIC_WRITE, DWORD share = 0);
  bool IsOpen() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE Handle() const { return h_; }
  const std::string& Path() const { return path_; }

  // Exactly `count` bytes, or false (a read error or the end came first).
  bool ReadExact(void* buffer, DWORD count);
  // Up to `count` bytes; *done = 0 at the end of the file.
  bool ReadSome(void* buffer, DWORD count, DWORD* done);
  // All `count` bytes, or false (a failed or short write).
  bool WriteAll(const void* buffer, DWORD count);
  bool Seek(int64_t position);
  bool Size(int64_t* size);
  bool Flush();
  void Close();

 private:
  FileSystem* fs_;
  HANDLE h_ = INVALID_HANDLE_VALUE;
  std::string path_;
};

// A temporary output file beside its target: a unique name in the target's
// folder, created empty. Unless committed, it is removed on Discard() and at
// destruction, so no failure leaves it behind.
class TempOutput {
 public:
  TempOutput(FileSystem& fs, std::string target) : fs_(&fs), file_(fs), target_(std::move(target)) {}
  ~TempOutput() { Discard(); }
  TempOutput(const TempOutput&) = delete;
  TempOutput& operator=(const TempOutput&) = delete;

  bool Create();
  File& Out() { return file_; }
  const std::string& Path() const { return path_; }
  const std::string& Target() const { return target_; }
  // Flushes (when asked: the result replaces a file or an original is
  // deleted after it), closes and moves the file onto the target, replacing
  // it. False when any step failed; the temporary file is then removed and
  // the target left as it was.
  bool Commit(bool flush);
  // Closes and removes the temporary file (nothing once committed).
  void Discard();

 private:
  FileSystem* fs_;
  File file_;
  std::string target_;
  std::string path_;
  bool committed_ = false;
};

}  // namespace qz::ft
