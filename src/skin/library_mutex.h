// The component library's start-up mutex: one named mutex per running copy,
// named after the program's file name (upper-cased by the ASCII rule, without
// its folder). It is created before the program's own start-up and closed
// after it; nothing in the program reads it, and it plays no part in the
// single-instance rule.
#pragma once

#include <windows.h>

#include <string>

namespace qz {

// The mutex name for a program path: ASCII letters upper-cased (other bytes
// unchanged), then only what follows the last "\" or ":".
std::string LibraryMutexName(const std::string& exePath);

class LibraryMutex {
 public:
  // Creates the mutex for the running program (not initially owned). A
  // failure, or a mutex that exists already, changes nothing.
  LibraryMutex();
  ~LibraryMutex();
  LibraryMutex(const LibraryMutex&) = delete;
  LibraryMutex& operator=(const LibraryMutex&) = delete;
  HANDLE handle() const { return handle_; }

 private:
  HANDLE handle_ = nullptr;
};

}  // namespace qz
