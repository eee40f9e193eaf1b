// qzurlcache: plants, holds and checks URL-cache entries for the Internet
// Cleaner's end-to-end scenarios, benchmark and tests (built, not installed;
// tests/e2e/run.sh puts it beside the other helper programs).
//
//   qzurlcache COMMAND [ARGS] [COMMAND [ARGS]]...    (run in order)
//     clear                  deletes every entry of the three containers
//     content URL BYTES      a cached page of BYTES bytes
//     cookie URL             a persistent cookie for URL ("http://host/path")
//     visit URL              a visited-page entry
//     lock URL SECONDS       holds the entry (RetrieveUrlCacheEntryFile)
//     hold URL SECONDS       keeps the entry's local file open without sharing
//     expect-present URL     the entry exists (as given, as URL's cookie or visit)
//     expect-absent URL      none of those exists
//     count                  prints the number of entries
//     list                   prints every entry: type, size, URL, local file
// Exit code 0 when every command did what it says, 1 otherwise, 2 on a usage error.
#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <string>
#include <vector>

#include "url_cache_plant.h"

namespace {

using namespace qz::urlcache;

int Usage() {
  std::fputws(L"usage: qzurlcache clear | content URL BYTES | cookie URL | visit URL | lock URL SECONDS |\n"
              L"                  hold URL SECONDS | expect-present URL | expect-absent URL | count | list  (repeatable)\n",
              stderr);
  return 2;
}

bool Fail(const wchar_t* what, const std::wstring& url) {
  std::fwprintf(stderr, L"qzurlcache: %ls %ls\n", what, url.c_str());
  return false;
}

// The entry of URL in any of its forms (cookie URLs and visits included).
std::wstring FindForm(const std::wstring& url) {
  for (const std::wstring& u : {url, CookieCacheUrl(url), VisitCacheUrl(url)})
    if (IsPresent(u)) return u;
  return {};
}

bool Lock(const std::wstring& url, DWORD seconds) {
  const std::wstring form = FindForm(url);
  if (form.empty()) return Fail(L"no entry to lock:", url);
  std::vector<char> buf(64 * 1024);
  DWORD size = static_cast<DWORD>(buf.size());
  if (!RetrieveUrlCacheEntryFileW(form.c_str(), reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buf.data()), &size, 0))
    return Fail(L"cannot lock", url);
  std::fwprintf(stdout, L"locked %ls\n", form.c_str());
  std::fflush(stdout);
  Sleep(seconds * 1000);
  UnlockUrlCacheEntryFileW(form.c_str(), 0);
  return true;
}

bool Hold(const std::wstring& url, DWORD seconds) {
  std::vector<char> buf;
  const std::wstring form = FindForm(url);
  if (form.empty() || !EntryInfo(form, buf)) return Fail(L"no entry to hold:", url);
  const auto* e = reinterpret_cast<const INTERNET_CACHE_ENTRY_INFOW*>(buf.data());
  if (!e->lpszLocalFileName) return Fail(L"no local file:", url);
  HANDLE h = CreateFileW(e->lpszLocalFileName, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return Fail(L"cannot open the file of", url);
  std::fwprintf(stdout, L"holding %ls\n", e->lpszLocalFileName);
  std::fflush(stdout);
  Sleep(seconds * 1000);
  CloseHandle(h);
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return Usage();
  bool ok = true;
  for (int i = 1; i < argc; ++i) {
    const std::wstring cmd = argv[i];
    auto arg = [&](int k) -> const wchar_t* { return i + k < argc ? argv[i + k] : nullptr; };
    if (cmd == L"clear") {
      ClearAll();
      if (!ListAll().empty()) ok = Fail(L"entries left after", L"clear");
    } else if (cmd == L"list") {
      for (const std::wstring& u : ListAll()) {
        std::vector<char> buf;
        if (!EntryInfo(u, buf)) continue;
        const auto* e = reinterpret_cast<const INTERNET_CACHE_ENTRY_INFOW*>(buf.data());
        std::fwprintf(stdout, L"%08lx %lu %ls | %ls\n", static_cast<unsigned long>(e->CacheEntryType),
                      static_cast<unsigned long>(e->dwSizeLow), u.c_str(),
                      e->lpszLocalFileName ? e->lpszLocalFileName : L"<none>");
      }
    } else if (cmd == L"count") {
      std::fwprintf(stdout, L"%u\n", static_cast<unsigned>(ListAll().size()));
    } else if (cmd == L"content" && arg(2)) {
      if (!PlantContent(arg(1), static_cast<size_t>(_wtoi64(arg(2))))) ok = Fail(L"cannot plant content", arg(1));
      i += 2;
    } else if ((cmd == L"cookie" || cmd == L"visit" || cmd == L"expect-present" || cmd == L"expect-absent") &&
               arg(1)) {
      const std::wstring url = arg(1);
      if (cmd == L"cookie" && !PlantCookie(url)) ok = Fail(L"cannot plant a cookie for", url);
      if (cmd == L"visit" && !PlantVisit(url)) ok = Fail(L"cannot plant a visit of", url);
      if (cmd == L"expect-present" && !AnyFormPresent(url)) ok = Fail(L"missing:", url);
      if (cmd == L"expect-absent" && AnyFormPresent(url)) ok = Fail(L"still present:", url);
      i += 1;
    } else if ((cmd == L"lock" || cmd == L"hold") && arg(2)) {
      const DWORD seconds = static_cast<DWORD>(_wtoi(arg(2)));
      if (!(cmd == L"lock" ? Lock(arg(1), seconds) : Hold(arg(1), seconds))) ok = false;
      i += 2;
    } else {
      return Usage();
    }
  }
  return ok ? 0 : 1;
}
