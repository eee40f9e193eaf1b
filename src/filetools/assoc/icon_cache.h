// The icons of the file-type list, extracted when a row is drawn and kept in
// a cache of bounded size (least recently used goes first), so thousands of
// types never hold thousands of icon handles. Every icon is destroyed when it
// leaves the cache, when the cache is cleared and with the cache.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <list>
#include <string>
#include <unordered_map>

namespace qz::fa {

// The icon at the index of a file (negative: a resource id), owned by the
// caller; nullptr when the file holds none there.
HICON ExtractFileIcon(const std::string& file, int index);

class IconCache {
 public:
  explicit IconCache(size_t capacity = 128);
  ~IconCache();
  IconCache(const IconCache&) = delete;
  IconCache& operator=(const IconCache&) = delete;

  // The icon of the file at the index (negative: a resource id); nullptr when
  // the file has none there. The cache keeps ownership.
  HICON Get(const std::string& file, int index);
  void Clear();
  size_t Count() const { return entries_.size(); }
  size_t Capacity() const { return capacity_; }

  // How icons are made and destroyed (tests count them).
  std::function<HICON(const std::string& file, int index)> Extract;
  std::function<void(HICON icon)> Destroy;

 private:
  struct Entry {
    std::string key;
    HICON icon;
  };
  void Release(HICON icon);
  size_t capacity_;
  std::list<Entry> entries_;  // most recently used first
  std::unordered_map<std::string, std::list<Entry>::iterator> index_;
};

}  // namespace qz::fa
