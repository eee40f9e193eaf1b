// What the DLL Cleaner reads of each copy it lists, and a reader that does it
// on a worker thread while the walk goes on.
//
// Each copy costs a few round trips to the Wine server (open, first read,
// name, close), about as many as the walk spends on a folder; read after the
// walk, they add their whole time to it. The walk knows early which copies
// will be listed (a name that also lies directly in a Windows folder), so a
// worker reads them meanwhile. One thread does every open: two opens of hard
// links of one file at once would see each other as "in use".
#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

#include "cleaning/dll/dll_version.h"

namespace qz::dll {

struct CopyDetails {
  bool Listed = false;  // the copy may be listed (see ReadCopyDetails)
  uint16_t Machine = 0;
  std::string VersionText;
  DllVersion Number;
};

// One open of the copy serves everything: the rule that a listed file is
// itself (opened without following links, its final path the listed one),
// the in-use test for a copy outside the Windows folders (delete access, no
// sharing: it fails while anyone else has the file open) and the version,
// read through that handle (`size` as the walk listed it). Not listed: a
// copy that is not itself, is in use or gone; a reference (in a Windows
// folder, opened sharing everything) only when it is not itself or gone; one
// that cannot be read stays, of unknown version. Nothing is written.
CopyDetails ReadCopyDetails(const std::string& path, int64_t size, bool reference);

class CopyReader {
 public:
  CopyReader() = default;
  ~CopyReader();  // stops and waits for the worker
  CopyReader(const CopyReader&) = delete;
  CopyReader& operator=(const CopyReader&) = delete;

  // Queues copy number `file` (the worker starts with the first).
  void Add(size_t file, std::string path, int64_t size, bool reference);
  // Waits until every queued copy is read, calling keepWaiting between short
  // waits (the caller pumps its messages there); false when that said stop.
  bool Finish(const std::function<bool()>& keepWaiting);
  // After Finish: the details of copy number `file`; nullptr when not queued.
  const CopyDetails* Find(size_t file) const;

 private:
  struct Job {
    size_t file;
    std::string path;
    int64_t size;
    bool reference;
  };
  void Run();

  std::mutex lock_;
  std::condition_variable changed_;
  std::deque<Job> jobs_;
  size_t busy_ = 0;  // jobs taken but not yet done
  bool stop_ = false;
  std::unordered_map<size_t, CopyDetails> done_;
  std::thread worker_;
};

}  // namespace qz::dll
