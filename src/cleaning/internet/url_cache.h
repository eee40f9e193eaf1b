// The URL cache of the system's web browser (WinINet): its three containers
// (cached content, cookies, visited pages) walked entry by entry, and single
// entries deleted by URL. No window code.
//
// The walk protocol (the calls' return values decide; the last error is read
// only after a failed call, because WinINet may leave a stale code behind
// after a successful one):
//  - The first call is FindFirstUrlCacheEntryEx with the container's filter.
//    When it fails with anything but "no more items" (some systems have the
//    Ex calls only as stubs), the walk uses FindFirstUrlCacheEntry with the
//    container's own search pattern and applies the filter in code.
//  - "Buffer too small" (122) grows the buffer once to the reported size and
//    repeats the call: the same entry comes again and is handed on once. A
//    second 122 for that entry, or any error but "no more items" (259), ends
//    the walk.
//  - AbortFlag is tested before each next entry; messages are pumped by time.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/stringlist.h"

namespace qz::ic {

// Entry type bits.
inline constexpr DWORD kNormalEntry = 0x00000001;
inline constexpr DWORD kCookieEntry = 0x00100000;
inline constexpr DWORD kHistoryEntry = 0x00200000;

// URL prefixes of the cookie and history containers (WinINet matches the
// patterns with regard to case on some systems: always written so).
inline constexpr const char* kCookiePrefix = "Cookie:";
inline constexpr const char* kHistoryPrefix = "Visited:";

enum class CacheApi { Ex, Plain };

// The calls of the URL cache. Entries are written into the caller's buffer
// (an INTERNET_CACHE_ENTRY_INFOW followed by its strings) of *size bytes; a
// call that needs more fails with 122 and writes the size it needs.
class UrlCacheSource {
 public:
  virtual ~UrlCacheSource() = default;
  // Ex: FindFirstUrlCacheEntryExW(pattern, 0, filter, 0, ...); Plain:
  // FindFirstUrlCacheEntryW(pattern) (filter unused). nullptr on failure.
  virtual HANDLE First(CacheApi api, const wchar_t* pattern, DWORD filter, INTERNET_CACHE_ENTRY_INFOW* entry,
                       DWORD* size) = 0;
  virtual bool Next(CacheApi api, HANDLE find, INTERNET_CACHE_ENTRY_INFOW* entry, DWORD* size) = 0;
  virtual void Close(HANDLE find) = 0;
  // GetUrlCacheEntryInfoExW.
  virtual bool EntryInfo(const wchar_t* url, INTERNET_CACHE_ENTRY_INFOW* entry, DWORD* size) = 0;
  // DeleteUrlCacheEntryW.
  virtual bool Delete(const wchar_t* url) = 0;
  // The error of the call that just failed.
  virtual DWORD LastError() = 0;
};

// The real URL cache through WinINet's wide-character calls.
class WinInetUrlCache : public UrlCacheSource {
 public:
  HANDLE First(CacheApi api, const wchar_t* pattern, DWORD filter, INTERNET_CACHE_ENTRY_INFOW* entry,
               DWORD* size) override;
  bool Next(CacheApi api, HANDLE find, INTERNET_CACHE_ENTRY_INFOW* entry, DWORD* size) override;
  void Close(HANDLE find) override;
  bool EntryInfo(const wchar_t* url, INTERNET_CACHE_ENTRY_INFOW* entry, DWORD* size) override;
  bool Delete(const wchar_t* url) override;
  DWORD LastError() override;
};

// The three containers.
enum class CacheContainer { Content, Cookies, History };

// One entry as the walk hands it on. LocalFile is empty when the entry has
// none (history entries, content committed without a file).
struct CacheEntry {
  std::string Url;
  std::string LocalFile;
  DWORD Type = 0;
  int64_t Size = 0;  // both halves of the entry's size
};

enum class WalkEnd { Done, Aborted, Failed };

// Walks one container and hands on the entries that belong to it:
//  Content  every entry without the cookie or history bit whose URL starts
//           neither "Cookie:" nor "Visited:";
//  Cookies  entries with the cookie bit;
//  History  entries with the history bit that are present (normal bit set
//           and the entry's own info can be read).
WalkEnd WalkUrlCache(UrlCacheSource& source, CacheContainer container,
                     const std::function<void(const CacheEntry&)>& onEntry);

// The host a cookie entry is kept for: its URL after the last "@" (all of it
// without one), one trailing "/" dropped, trimmed of blanks and control
// characters. "Cookie:user@www.example.com/" gives "www.example.com"; a
// cookie of a path below the root keeps its path ("ads.example.com/sub").
std::string CookieHost(const std::string& url);
// A cookie of host H is kept when the list holds H or "www." + H (letter
// case ignored). So "www.example.com" keeps the cookies of both forms, a bare
// "example.com" only its own.
bool IsTrustedHost(const std::string& host, const StringList& trustedHosts);

// What a delete of one entry by its exact URL came to.
enum class DeleteVerdict {
  Deleted,      // the entry is gone, and its local file with it
  AlreadyGone,  // there was no such entry any more: counted neither way
  Failed,       // the entry is in use, or its file was left behind
};
// deleted/error: the delete call's result and, on failure, its error;
// fileLeft: the entry's local file still exists afterwards.
DeleteVerdict ClassifyDelete(bool deleted, DWORD error, bool fileLeft);

}  // namespace qz::ic
