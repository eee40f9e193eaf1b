#include "skin/library_mutex.h"

#include "core/osinfo.h"
#include "core/text.h"

namespace qz {

std::string LibraryMutexName(const std::string& exePath) {
  std::string upper = UpperAscii(exePath);
  size_t p = upper.find_last_of("\\:");
  return p == std::string::npos ? upper : upper.substr(p + 1);
}

LibraryMutex::LibraryMutex() {
  std::string path = ProgramFilePath();
  if (!path.empty()) handle_ = CreateMutexW(nullptr, FALSE, Widen(LibraryMutexName(path)).c_str());
}

LibraryMutex::~LibraryMutex() {
  if (handle_) CloseHandle(handle_);
}

}  // namespace qz
