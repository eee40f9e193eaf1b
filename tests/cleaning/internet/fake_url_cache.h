// A URL cache in memory that answers the walk's calls the way WinINet does
// (entries written into the caller's buffer, 122 with the needed size, 259 at
// the end), with scripted faults: Ex calls as stubs, stale last errors after
// successful calls, injected errors, entries whose size is misreported, and
// scripted delete results. Every call is logged.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "cleaning/internet/url_cache.h"
#include "core/text.h"

namespace qz::ic::test {

struct FakeEntry {
  std::wstring url;
  std::wstring local;  // "" with hasLocal false: no local file name at all
  bool hasLocal = true;
  DWORD type = kNormalEntry;
  uint64_t size = 0;
  DWORD padding = 0;    // extra bytes the record needs (a long header)
  bool lieSize = false;  // reports a size that never fits
};

class FakeUrlCache : public UrlCacheSource {
 public:
  std::vector<FakeEntry> entries;
  bool exWorks = false;         // false: the Ex calls are stubs (NULL, error 2)
  DWORD staleError = 0;         // left as the last error after every successful call
  std::map<int, DWORD> failNextCall;  // Next call number (1-based, per walk) -> error
  std::map<std::wstring, std::pair<bool, DWORD>> deleteResults;  // url -> (result, error)
  std::vector<std::string> log;
  int entryInfoCalls = 0;

  static DWORD Needed(const FakeEntry& e) {
    DWORD n = sizeof(INTERNET_CACHE_ENTRY_INFOW) + DWORD((e.url.size() + 1 + e.local.size() + 1) * 2) + e.padding;
    return n;
  }

  HANDLE First(CacheApi api, const wchar_t* pattern, DWORD filter, INTERNET_CACHE_ENTRY_INFOW* entry,
               DWORD* size) override {
    log.push_back(std::string(api == CacheApi::Ex ? "firstEx " : "first ") + (pattern ? Narrow(pattern) : "<null>"));
    if (api == CacheApi::Ex && !exWorks) return Fail(ERROR_FILE_NOT_FOUND), nullptr;
    walk_.clear();
    for (size_t i = 0; i < entries.size(); ++i)
      if (Matches(api, pattern, filter, entries[i])) walk_.push_back(i);
    pos_ = 0;
    nextCalls_ = 0;
    if (!Emit(entry, size)) return nullptr;
    return reinterpret_cast<HANDLE>(this);
  }

  bool Next(CacheApi api, HANDLE, INTERNET_CACHE_ENTRY_INFOW* entry, DWORD* size) override {
    (void)api;
    ++nextCalls_;
    if (auto it = failNextCall.find(nextCalls_); it != failNextCall.end()) return Fail(it->second);
    return Emit(entry, size);
  }

  void Close(HANDLE) override { log.push_back("close"); }

  bool EntryInfo(const wchar_t* url, INTERNET_CACHE_ENTRY_INFOW* entry, DWORD* size) override {
    ++entryInfoCalls;
    for (const FakeEntry& e : entries)
      if (e.url == url) return Write(e, entry, size);
    return Fail(ERROR_FILE_NOT_FOUND);
  }

  bool Delete(const wchar_t* url) override {
    log.push_back("delete " + Narrow(url));
    if (auto it = deleteResults.find(url); it != deleteResults.end()) {
      if (!it->second.first) return Fail(it->second.second);
      Ok();
      return true;
    }
    for (size_t i = 0; i < entries.size(); ++i)
      if (entries[i].url == url) {
        entries.erase(entries.begin() + i);
        Ok();
        return true;
      }
    return Fail(ERROR_FILE_NOT_FOUND);
  }

  DWORD LastError() override { return lastError_; }

  std::vector<std::string> Deletes() const {
    std::vector<std::string> out;
    for (const std::string& l : log)
      if (l.rfind("delete ", 0) == 0) out.push_back(l.substr(7));
    return out;
  }

 private:
  bool Fail(DWORD error) {
    lastError_ = error;
    return false;
  }
  void Ok() {
    if (staleError) lastError_ = staleError;
  }

  static bool StartsWith(const std::wstring& s, const wchar_t* p) { return s.rfind(p, 0) == 0; }

  bool Matches(CacheApi api, const wchar_t* pattern, DWORD filter, const FakeEntry& e) const {
    if (api == CacheApi::Ex) {
      if (pattern && *pattern && !StartsWith(e.url, pattern)) return false;
      return (e.type & filter) != 0;
    }
    // The plain calls: "" is the content container, "Cookie:" and "Visited:" the others.
    const bool cookie = StartsWith(e.url, L"Cookie:"), visit = StartsWith(e.url, L"Visited:");
    if (!pattern) return true;
    if (std::wstring(pattern).empty()) return !cookie && !visit;
    return StartsWith(e.url, pattern);
  }

  bool Emit(INTERNET_CACHE_ENTRY_INFOW* entry, DWORD* size) {
    if (pos_ >= walk_.size()) return Fail(ERROR_NO_MORE_ITEMS);
    if (!Write(entries[walk_[pos_]], entry, size)) return false;
    ++pos_;
    return true;
  }

  bool Write(const FakeEntry& e, INTERNET_CACHE_ENTRY_INFOW* entry, DWORD* size) {
    const DWORD need = Needed(e);
    if (*size < need) {
      *size = e.lieSize ? *size + 1 : need;
      if (e.lieSize && *size >= need) *size = need - 1;
      return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    std::memset(entry, 0, sizeof *entry);
    entry->dwStructSize = sizeof *entry;
    wchar_t* p = reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(entry) + sizeof *entry);
    std::memcpy(p, e.url.c_str(), (e.url.size() + 1) * 2);
    entry->lpszSourceUrlName = p;
    p += e.url.size() + 1;
    if (e.hasLocal) {
      std::memcpy(p, e.local.c_str(), (e.local.size() + 1) * 2);
      entry->lpszLocalFileName = p;
    }
    entry->CacheEntryType = e.type;
    entry->dwSizeLow = static_cast<DWORD>(e.size);
    entry->dwSizeHigh = static_cast<DWORD>(e.size >> 32);
    Ok();
    return true;
  }

  std::vector<size_t> walk_;
  size_t pos_ = 0;
  int nextCalls_ = 0;
  DWORD lastError_ = 0;
};

inline FakeEntry Content(const std::wstring& url, uint64_t size, const std::wstring& local = L"C:\\cache\\x.htm") {
  return FakeEntry{url, local, true, kNormalEntry, size};
}
inline FakeEntry Cookie(const std::wstring& host, uint64_t size = 40) {
  return FakeEntry{L"Cookie:root@" + host, L"C:\\cookies\\" + host.substr(0, 3) + L".txt", true, kCookieEntry, size};
}
inline FakeEntry Visit(const std::wstring& url) {
  return FakeEntry{L"Visited: root@" + url, L"", false, kHistoryEntry | kNormalEntry, 0};
}

}  // namespace qz::ic::test
