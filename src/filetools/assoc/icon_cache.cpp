#include "filetools/assoc/icon_cache.h"

#include <shellapi.h>

#include "core/text.h"

namespace qz::fa {

HICON ExtractFileIcon(const std::string& file, int index) {
  HICON icon = ExtractIconW(GetModuleHandleW(nullptr), Widen(file).c_str(), static_cast<UINT>(index));
  // 1 means "a file, but no icons in it".
  return icon == reinterpret_cast<HICON>(1) ? nullptr : icon;
}

IconCache::IconCache(size_t capacity) : capacity_(capacity ? capacity : 1) {
  Extract = ExtractFileIcon;
  Destroy = [](HICON icon) { DestroyIcon(icon); };
}

IconCache::~IconCache() { Clear(); }

void IconCache::Release(HICON icon) {
  if (icon && Destroy) Destroy(icon);
}

HICON IconCache::Get(const std::string& file, int index) {
  const std::string key = file + "|" + std::to_string(index);
  auto it = index_.find(key);
  if (it != index_.end()) {
    entries_.splice(entries_.begin(), entries_, it->second);
    return it->second->icon;
  }
  // A file without that icon is remembered too: it is not tried again.
  HICON icon = Extract ? Extract(file, index) : nullptr;
  entries_.push_front(Entry{key, icon});
  index_[key] = entries_.begin();
  while (entries_.size() > capacity_) {
    Release(entries_.back().icon);
    index_.erase(entries_.back().key);
    entries_.pop_back();
  }
  return icon;
}

void IconCache::Clear() {
  for (Entry& e : entries_) Release(e.icon);
  entries_.clear();
  index_.clear();
}

}  // namespace qz::fa
