#include "cleaning/dll/dll_copy_reader.h"

#include <chrono>

#include "cleaning/dll/pe_version.h"
#include "core/error_mode.h"
#include "core/file_itself.h"

namespace qz::dll {

CopyDetails ReadCopyDetails(const std::string& path, int64_t size, bool reference) {
  PathCheck check;
  FileHandle h = reference ? OpenFileItself(path, GENERIC_READ, kShareAll, &check)
                           : OpenFileItself(path, DELETE | GENERIC_READ, 0, &check);
  CopyDetails d;
  if (!h && !(reference && check.state == PathState::Unreadable)) return d;
  d.Listed = true;
  if (!h) return d;
  const PeVersionInfo info = ReadPeVersion(h.get(), size);
  d.Machine = info.Machine;
  d.VersionText = info.FileVersion;
  d.Number = VersionOf(info);
  return d;
}

CopyReader::~CopyReader() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    stop_ = true;
  }
  changed_.notify_all();
  if (worker_.joinable()) worker_.join();
}

void CopyReader::Add(size_t file, std::string path, int64_t size, bool reference) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    jobs_.push_back({file, std::move(path), size, reference});
  }
  if (!worker_.joinable())
    worker_ = std::thread([this] { Run(); });
  else
    changed_.notify_all();
}

void CopyReader::Run() {
  QuietErrorMode quiet;  // no "no disk in drive" box from this thread either
  std::unique_lock<std::mutex> guard(lock_);
  for (;;) {
    changed_.wait(guard, [this] { return stop_ || !jobs_.empty(); });
    if (stop_) return;
    Job job = std::move(jobs_.front());
    jobs_.pop_front();
    ++busy_;
    guard.unlock();
    CopyDetails details = ReadCopyDetails(job.path, job.size, job.reference);
    guard.lock();
    done_[job.file] = std::move(details);
    --busy_;
    changed_.notify_all();
  }
}

bool CopyReader::Finish(const std::function<bool()>& keepWaiting) {
  std::unique_lock<std::mutex> guard(lock_);
  while (!jobs_.empty() || busy_ > 0) {
    changed_.wait_for(guard, std::chrono::milliseconds(20));
    guard.unlock();
    const bool go = keepWaiting();
    guard.lock();
    if (!go) {
      stop_ = true;
      changed_.notify_all();
      return false;
    }
  }
  return true;
}

const CopyDetails* CopyReader::Find(size_t file) const {
  auto it = done_.find(file);
  return it == done_.end() ? nullptr : &it->second;
}

}  // namespace qz::dll
