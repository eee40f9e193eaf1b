#include "cleaning/internet/url_cache.h"

#include <vector>

#include "core/globals.h"
#include "core/pump.h"
#include "core/text.h"

namespace qz::ic {

// ---- WinINet ------------------------------------------------------------------

// Each call starts with a clear error: some fail without setting one (a
// delete of an entry this process holds), and a stale code must not decide.

HANDLE WinInetUrlCache::First(CacheApi api, const wchar_t* pattern, DWORD filter, INTERNET_CACHE_ENTRY_INFOW* entry,
                              DWORD* size) {
  SetLastError(ERROR_SUCCESS);
  if (api == CacheApi::Ex)
    return FindFirstUrlCacheEntryExW(pattern, 0, filter, 0, entry, size, nullptr, nullptr, nullptr);
  return FindFirstUrlCacheEntryW(pattern, entry, size);
}

bool WinInetUrlCache::Next(CacheApi api, HANDLE find, INTERNET_CACHE_ENTRY_INFOW* entry, DWORD* size) {
  SetLastError(ERROR_SUCCESS);
  if (api == CacheApi::Ex) return FindNextUrlCacheEntryExW(find, entry, size, nullptr, nullptr, nullptr) != FALSE;
  return FindNextUrlCacheEntryW(find, entry, size) != FALSE;
}

void WinInetUrlCache::Close(HANDLE find) { FindCloseUrlCache(find); }

bool WinInetUrlCache::EntryInfo(const wchar_t* url, INTERNET_CACHE_ENTRY_INFOW* entry, DWORD* size) {
  SetLastError(ERROR_SUCCESS);
  return GetUrlCacheEntryInfoExW(url, entry, size, nullptr, nullptr, nullptr, 0) != FALSE;
}

bool WinInetUrlCache::Delete(const wchar_t* url) {
  SetLastError(ERROR_SUCCESS);
  return DeleteUrlCacheEntryW(url) != FALSE;
}

DWORD WinInetUrlCache::LastError() { return GetLastError(); }

// ---- the walk -------------------------------------------------------------------

namespace {

// A buffer for one entry record, aligned for its pointers.
class EntryBuffer {
 public:
  explicit EntryBuffer(DWORD capacity) { Grow(capacity); }
  void Grow(DWORD capacity) {
    words_.reset(new uint64_t[(capacity + 7) / 8]);
    capacity_ = capacity;
  }
  INTERNET_CACHE_ENTRY_INFOW* Entry() const { return reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(words_.get()); }
  DWORD Capacity() const { return capacity_; }

 private:
  std::unique_ptr<uint64_t[]> words_;
  DWORD capacity_ = 0;
};

struct ContainerSpec {
  const wchar_t* exPattern;     // the Ex call's pattern (nullptr: none)
  const wchar_t* plainPattern;  // the container's own pattern for the plain calls
  DWORD filter;
  DWORD initialBuffer;
};

ContainerSpec SpecOf(CacheContainer c) {
  switch (c) {
    case CacheContainer::Content:
      return {nullptr, L"", kNormalEntry, 4u << 20};
    case CacheContainer::Cookies:
      return {nullptr, L"Cookie:", kCookieEntry | kNormalEntry, 1u << 20};
    case CacheContainer::History:
    default:
      return {L"Visited:", L"Visited:", kHistoryEntry | kNormalEntry, 1u << 20};
  }
}

bool HasPrefixI(const wchar_t* s, const wchar_t* prefix) {
  if (!s) return false;
  const size_t n = wcslen(prefix);
  return wcslen(s) >= n && CompareStringOrdinal(s, static_cast<int>(n), prefix, static_cast<int>(n), TRUE) == CSTR_EQUAL;
}

// The entry is still in the cache: the normal bit is set and its own info
// can be read. The query goes into a buffer of its own (the entry record and
// the URL it holds must not be overwritten by the answer); an answer that
// does not fit still says the entry exists.
bool IsEntryPresent(UrlCacheSource& source, const INTERNET_CACHE_ENTRY_INFOW& e, EntryBuffer& scratch) {
  if (!(e.CacheEntryType & kNormalEntry) || !e.lpszSourceUrlName) return false;
  DWORD size = scratch.Capacity();
  if (source.EntryInfo(e.lpszSourceUrlName, scratch.Entry(), &size)) return true;
  return source.LastError() == ERROR_INSUFFICIENT_BUFFER;
}

bool Belongs(UrlCacheSource& source, CacheContainer c, CacheApi api, DWORD filter,
             const INTERNET_CACHE_ENTRY_INFOW& e, EntryBuffer& scratch) {
  const DWORD type = e.CacheEntryType;
  // The plain calls know no filter: it is applied here.
  if (api == CacheApi::Plain && !(type & filter)) return false;
  switch (c) {
    case CacheContainer::Content:
      return !(type & (kCookieEntry | kHistoryEntry)) && !HasPrefixI(e.lpszSourceUrlName, L"Cookie:") &&
             !HasPrefixI(e.lpszSourceUrlName, L"Visited:");
    case CacheContainer::Cookies:
      return (type & kCookieEntry) != 0;
    case CacheContainer::History:
    default:
      return (type & kHistoryEntry) != 0 && IsEntryPresent(source, e, scratch);
  }
}

CacheEntry ToEntry(const INTERNET_CACHE_ENTRY_INFOW& e) {
  CacheEntry out;
  if (e.lpszSourceUrlName) out.Url = Narrow(e.lpszSourceUrlName);
  if (e.lpszLocalFileName) out.LocalFile = Narrow(e.lpszLocalFileName);
  out.Type = e.CacheEntryType;
  out.Size = static_cast<int64_t>((static_cast<uint64_t>(e.dwSizeHigh) << 32) | e.dwSizeLow);
  return out;
}

}  // namespace

WalkEnd WalkUrlCache(UrlCacheSource& source, CacheContainer container,
                     const std::function<void(const CacheEntry&)>& onEntry) {
  const ContainerSpec spec = SpecOf(container);
  EntryBuffer buffer(spec.initialBuffer);
  EntryBuffer scratch(container == CacheContainer::History ? spec.initialBuffer : 8);
  DWORD error = 0;

  // One call with at most one regrowing of the buffer on 122.
  auto call = [&](auto&& fn) -> bool {
    for (int attempt = 0;; ++attempt) {
      DWORD size = buffer.Capacity();
      if (fn(&size)) return true;
      error = source.LastError();
      if (error != ERROR_INSUFFICIENT_BUFFER || attempt > 0 || size <= buffer.Capacity()) return false;
      buffer.Grow(size);
    }
  };

  CacheApi api = CacheApi::Ex;
  HANDLE find = nullptr;
  auto open = [&](CacheApi a, const wchar_t* pattern) {
    return call([&](DWORD* size) {
      find = source.First(a, pattern, spec.filter, buffer.Entry(), size);
      return find != nullptr;
    });
  };
  if (!open(CacheApi::Ex, spec.exPattern)) {
    if (error == ERROR_NO_MORE_ITEMS) return WalkEnd::Done;
    api = CacheApi::Plain;
    if (!open(CacheApi::Plain, spec.plainPattern)) return error == ERROR_NO_MORE_ITEMS ? WalkEnd::Done : WalkEnd::Failed;
  }

  WalkEnd end = WalkEnd::Done;
  for (;;) {
    const INTERNET_CACHE_ENTRY_INFOW& e = *buffer.Entry();
    if (Belongs(source, container, api, spec.filter, e, scratch)) onEntry(ToEntry(e));
    if (AbortFlag == 1) {
      end = WalkEnd::Aborted;
      break;
    }
    PumpMessagesThrottled();
    if (AbortFlag == 1) {
      end = WalkEnd::Aborted;
      break;
    }
    if (!call([&](DWORD* size) { return source.Next(api, find, buffer.Entry(), size); })) {
      end = error == ERROR_NO_MORE_ITEMS ? WalkEnd::Done : WalkEnd::Failed;
      break;
    }
  }
  source.Close(find);
  return end;
}

// ---- cookies and trust ----------------------------------------------------------

std::string CookieHost(const std::string& url) {
  const size_t at = url.rfind('@');
  std::string host = at == std::string::npos ? url : url.substr(at + 1);
  if (!host.empty() && host.back() == '/') host.pop_back();
  return Trim(host);
}

bool IsTrustedHost(const std::string& host, const StringList& trustedHosts) {
  if (host.empty()) return false;
  for (const std::string& t : trustedHosts) {
    const std::string h = Trim(t);
    if (IEquals(h, host)) return true;
    if (h.size() == host.size() + 4 && IStartsWith(h, "www.") && IEquals(std::string_view(h).substr(4), host))
      return true;
  }
  return false;
}

// ---- delete ---------------------------------------------------------------------

DeleteVerdict ClassifyDelete(bool deleted, DWORD error, bool fileLeft) {
  if (deleted) return fileLeft ? DeleteVerdict::Failed : DeleteVerdict::Deleted;
  return error == ERROR_FILE_NOT_FOUND ? DeleteVerdict::AlreadyGone : DeleteVerdict::Failed;
}

}  // namespace qz::ic
