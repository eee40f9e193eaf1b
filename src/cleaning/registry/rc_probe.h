// The Registry Cleaner's file tests. Every reference a check reads from the
// registry is decided by one probe object per search:
//
//  - Present: the path (or one of its alternate forms below) exists, as a
//    file or as a folder.
//  - Missing: every form was tested and each answered "file not found" or
//    "path not found".
//  - Unknown: anything else (access denied, device not ready, bad name, a
//    network error, a short-name part that cannot be resolved). An unknown
//    reference is never reported: a registry entry must not be offered for
//    deletion because a test could not be made.
//
// Alternate forms: a path below the system folder is also tried below the
// 32-bit system folder (SysWOW64), and one below the program-files or
// common-files folder also below its "(x86)" form, whatever registry view it
// came from.
//
// Answers are kept for the whole search, keyed by the upper-cased path, so a
// path is asked once. The test itself uses the text in the case the registry
// holds: a lookup in upper case is many times slower under Wine, whose file
// systems are case-sensitive underneath.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

namespace qz::rc {

enum class PathState { Present, Missing, Unknown };
// What a test accepts as present: anything, or only a file (a folder of that
// name then counts as missing).
enum class Wanted { Any, File };

// The raw file-system calls; tests put a fake in their place.
class FileSystemAccess {
 public:
  virtual ~FileSystemAccess() = default;
  // ERROR_SUCCESS when the path exists (its attributes in *attributes),
  // else the error code.
  virtual DWORD Probe(const std::string& path, DWORD* attributes) = 0;
  // The long name of the path's last part; false when it cannot be found.
  virtual bool LongName(const std::string& path, std::string& name) = 0;
};

// GetFileAttributesW and FindFirstFileW, with the system's error boxes for
// empty drives suppressed.
class RealFileSystem : public FileSystemAccess {
 public:
  DWORD Probe(const std::string& path, DWORD* attributes) override;
  bool LongName(const std::string& path, std::string& name) override;
};

// Folders behind the alternate forms (no trailing backslash; "" = none).
struct ProbeFolders {
  std::string SystemDir, SystemWow64Dir;
  std::string ProgramFiles, ProgramFilesX86;
  std::string CommonFiles, CommonFilesX86;
  static ProbeFolders FromSystem();
};

class PathProbe {
 public:
  PathProbe();  // the real file system and folders
  PathProbe(FileSystemAccess* fs, ProbeFolders folders);

  // Forgets every answer (start of a search).
  void Reset();
  // The path's state. `caseHint` is the registry text the path was read
  // from; the test uses the path's stretch of it (same characters, the
  // registry's case) when it holds one.
  PathState Test(const std::string& path, const std::string& caseHint = {}, Wanted wanted = Wanted::Any);
  // The long form of a path holding "~": every part holding "~" replaced
  // by its long name. nullopt when such a part cannot be resolved.
  std::optional<std::string> LongForm(const std::string& path);
  // A drive root that answers (exists); asked without memo.
  bool DriveAnswers(char letter);

  // Calls made to the file system (for tests and the benchmark).
  int64_t Calls() const { return calls_; }

 private:
  struct Answer {
    PathState state = PathState::Unknown;
    bool folder = false;  // present as a folder
  };
  DWORD Ask(const std::string& path, DWORD* attributes);
  Answer TestForm(const std::string& path);
  Answer TestForms(const std::string& path);

  FileSystemAccess& Fs() { return fs_ ? *fs_ : real_; }

  RealFileSystem real_;
  FileSystemAccess* fs_ = nullptr;  // nullptr: real_
  ProbeFolders folders_;
  std::unordered_map<std::string, Answer> memo_;
  int64_t calls_ = 0;
};

// The stretch of `hint` that equals `upper` without regard to case, in the
// hint's own case; `upper` itself when the hint holds none.
std::string CaseAsIn(const std::string& upper, const std::string& hint);

}  // namespace qz::rc
