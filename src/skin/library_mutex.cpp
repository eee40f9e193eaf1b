#include "skin/library_mutex.h"

#include "core/disk.h"
#include "core/osinfo.h"
#include "core/text.h"

namespace qz {

std::string LibraryMutexName(const std::string& exePath) {
  return ExtractFileName(UpperAscii(exePath));
}

LibraryMutex::LibraryMutex() {
  std::string path = ProgramFilePath();
  if (!path.empty()) handle_ = CreateMutexW(nullptr, FALSE, Widen(LibraryMutexName(path)).c_str());
}

LibraryMutex::~LibraryMutex() {
  if (handle_) CloseHandle(handle_);
}

}  // namespace qz
