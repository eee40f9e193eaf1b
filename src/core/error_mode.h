// Keeps the system's critical-error boxes ("There is no disk in the drive")
// off for the calling thread while an object lives: walks and drive queries
// that meet a drive without a medium then simply fail.
#pragma once

#include <windows.h>

namespace qz {

class QuietErrorMode {
 public:
  QuietErrorMode() { SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &old_); }
  ~QuietErrorMode() { SetThreadErrorMode(old_, nullptr); }
  QuietErrorMode(const QuietErrorMode&) = delete;
  QuietErrorMode& operator=(const QuietErrorMode&) = delete;

 private:
  DWORD old_ = 0;
};

}  // namespace qz
