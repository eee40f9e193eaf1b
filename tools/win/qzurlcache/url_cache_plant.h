// Plants and inspects URL-cache entries through WinINet, for the test tool
// qzurlcache, the Internet Cleaner's tests and its benchmark. Header only,
// Win32 only.
//   content: CreateUrlCacheEntryW, the bytes written, CommitUrlCacheEntryW
//            (type normal)
//   cookie:  InternetSetCookieW with an expiry a year ahead (a session cookie
//            would not be stored); the entry is "Cookie:<user>@<host><path>"
//   visit:   CommitUrlCacheEntryW("Visited: <user>@<url>", no file, type
//            history | normal)
#pragma once

#include <windows.h>
#include <wininet.h>

#include <string>
#include <vector>

namespace qz::urlcache {

inline std::wstring UserName() {
  wchar_t buf[256] = {};
  DWORD n = 256;
  return GetUserNameW(buf, &n) ? buf : L"";
}

inline FILETIME NoTime() { return FILETIME{0, 0}; }

// A content entry of `bytes` bytes; *localFile gets its file.
inline bool PlantContent(const std::wstring& url, size_t bytes, std::wstring* localFile = nullptr) {
  wchar_t file[MAX_PATH] = {};
  if (!CreateUrlCacheEntryW(url.c_str(), static_cast<DWORD>(bytes), L"html", file, 0)) return false;
  HANDLE h = CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  std::string data(bytes, 'q');
  DWORD put = 0;
  const bool wrote = WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &put, nullptr) && put == data.size();
  CloseHandle(h);
  if (!wrote) return false;
  wchar_t kHeader[] = L"HTTP/1.1 200 OK\r\n\r\n";
  if (!CommitUrlCacheEntryW(url.c_str(), file, NoTime(), NoTime(), NORMAL_CACHE_ENTRY, kHeader,
                            static_cast<DWORD>(wcslen(kHeader)), L"html", nullptr))
    return false;
  if (localFile) *localFile = file;
  return true;
}

// A persistent cookie for the URL ("http://host/path").
inline bool PlantCookie(const std::wstring& url, const std::wstring& name = L"qz") {
  SYSTEMTIME st;
  GetSystemTime(&st);
  st.wYear = static_cast<WORD>(st.wYear + 1);
  if (st.wMonth == 2 && st.wDay == 29) st.wDay = 28;
  wchar_t date[64] = {};
  InternetTimeFromSystemTimeW(&st, INTERNET_RFC1123_FORMAT, date, sizeof date);
  const std::wstring data = name + L"=1; expires=" + date;
  return InternetSetCookieW(url.c_str(), nullptr, data.c_str()) != FALSE;
}

// The cache URL of a cookie set for "http://host/path": "Cookie:<user>@host/path".
inline std::wstring CookieCacheUrl(const std::wstring& url) {
  size_t start = url.find(L"://");
  std::wstring rest = start == std::wstring::npos ? url : url.substr(start + 3);
  if (rest.find(L'/') == std::wstring::npos) rest += L'/';
  return L"Cookie:" + UserName() + L"@" + rest;
}

inline std::wstring VisitCacheUrl(const std::wstring& url) { return L"Visited: " + UserName() + L"@" + url; }

inline bool PlantVisit(const std::wstring& url) {
  return CommitUrlCacheEntryW(VisitCacheUrl(url).c_str(), nullptr, NoTime(), NoTime(),
                              URLHISTORY_CACHE_ENTRY | NORMAL_CACHE_ENTRY, nullptr, 0, nullptr, nullptr) != FALSE;
}

// The entry's record, or false when there is none.
inline bool EntryInfo(const std::wstring& cacheUrl, std::vector<char>& buf) {
  buf.assign(4096, 0);
  for (int i = 0; i < 2; ++i) {
    DWORD size = static_cast<DWORD>(buf.size());
    if (GetUrlCacheEntryInfoW(cacheUrl.c_str(), reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buf.data()), &size))
      return true;
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
    buf.assign(size, 0);
  }
  return false;
}

inline bool IsPresent(const std::wstring& cacheUrl) {
  std::vector<char> buf;
  return EntryInfo(cacheUrl, buf);
}

// Present in any of its forms: as given, as the cookie of that address, or
// as a visit of it.
inline bool AnyFormPresent(const std::wstring& url) {
  return IsPresent(url) || IsPresent(CookieCacheUrl(url)) || IsPresent(VisitCacheUrl(url));
}

// Every entry of the three containers (their own patterns).
inline std::vector<std::wstring> ListAll() {
  std::vector<std::wstring> out;
  for (const wchar_t* pattern : {L"", L"Cookie:", L"Visited:"}) {
    std::vector<char> buf(64 * 1024);
    DWORD size = static_cast<DWORD>(buf.size());
    auto* e = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buf.data());
    HANDLE h = FindFirstUrlCacheEntryW(pattern, e, &size);
    if (!h && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
      buf.resize(size);
      e = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buf.data());
      h = FindFirstUrlCacheEntryW(pattern, e, &size);
    }
    if (!h) continue;
    auto next = [&] {
      size = static_cast<DWORD>(buf.size());
      if (FindNextUrlCacheEntryW(h, e, &size)) return true;
      if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
      buf.resize(size);
      e = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buf.data());
      return FindNextUrlCacheEntryW(h, e, &size) != FALSE;
    };
    do {
      if (e->lpszSourceUrlName) out.push_back(e->lpszSourceUrlName);
    } while (next());
    FindCloseUrlCache(h);
  }
  return out;
}

// Deletes every entry of the three containers. Returns how many went.
inline int ClearAll() {
  int n = 0;
  for (const std::wstring& u : ListAll())
    if (DeleteUrlCacheEntryW(u.c_str())) ++n;
  return n;
}

}  // namespace qz::urlcache
