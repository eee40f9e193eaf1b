// The URL-cache walk protocol, the cookie host and trust rules and the
// classification of a delete, on the scripted fake cache.
#include <gtest/gtest.h>

#include "cleaning/internet/url_cache.h"
#include "core/globals.h"
#include "fake_url_cache.h"
#include "support/globals_guard.h"

namespace qz::ic::test {
namespace {

std::vector<CacheEntry> Walk(FakeUrlCache& cache, CacheContainer c, WalkEnd* end = nullptr,
                             const std::function<void(size_t)>& after = {}) {
  std::vector<CacheEntry> got;
  WalkEnd e = WalkUrlCache(cache, c, [&](const CacheEntry& x) {
    got.push_back(x);
    if (after) after(got.size());
  });
  if (end) *end = e;
  return got;
}

std::vector<std::string> Urls(const std::vector<CacheEntry>& v) {
  std::vector<std::string> out;
  for (const CacheEntry& e : v) out.push_back(e.Url);
  return out;
}

TEST(UrlCacheWalk, ContainersOnThePlainCallsWhenTheExCallsAreStubs) {
  FakeUrlCache cache;
  cache.entries = {Content(L"http://a/1", 10), Cookie(L"a.test/"), Visit(L"http://a/1"), Content(L"http://a/2", 20),
                   // A content entry that carries the cookie bit, and one named like a visit: never content.
                   FakeEntry{L"http://odd/", L"C:\\x", true, kCookieEntry | kNormalEntry, 1},
                   FakeEntry{L"visited: root@http://case/", L"", false, kNormalEntry, 1}};
  WalkEnd end;
  EXPECT_EQ(Urls(Walk(cache, CacheContainer::Content, &end)),
            (std::vector<std::string>{"http://a/1", "http://a/2"}));
  EXPECT_EQ(end, WalkEnd::Done);
  EXPECT_EQ(cache.log.front(), "firstEx <null>");
  EXPECT_EQ(cache.log[1], "first ");  // the content container's own pattern
  cache.log.clear();
  EXPECT_EQ(Urls(Walk(cache, CacheContainer::Cookies)), (std::vector<std::string>{"Cookie:root@a.test/"}));
  EXPECT_EQ(cache.log[1], "first Cookie:");
  cache.log.clear();
  EXPECT_EQ(Urls(Walk(cache, CacheContainer::History)), (std::vector<std::string>{"Visited: root@http://a/1"}));
  EXPECT_EQ(cache.log[0], "firstEx Visited:");
  EXPECT_EQ(cache.log[1], "first Visited:");
}

TEST(UrlCacheWalk, WorkingExCallsAreUsedWithTheFilter) {
  FakeUrlCache cache;
  cache.exWorks = true;
  cache.entries = {Content(L"http://a/1", 10), Cookie(L"a.test/"), Visit(L"http://a/1")};
  // Ex with filter "cookie or normal" lists all three here; the walk keeps the cookie only.
  EXPECT_EQ(Urls(Walk(cache, CacheContainer::Cookies)), (std::vector<std::string>{"Cookie:root@a.test/"}));
  EXPECT_EQ(cache.log.size(), 2u);  // firstEx, close: no plain call
  EXPECT_EQ(Urls(Walk(cache, CacheContainer::Content)), (std::vector<std::string>{"http://a/1"}));
}

TEST(UrlCacheWalk, EntryFieldsNullLocalFileAndSixtyFourBitSizes) {
  FakeUrlCache cache;
  FakeEntry big = Content(L"http://big/", (5ull << 30) + 7, L"C:\\c\\big[1].bin");
  FakeEntry committed = Content(L"http://nofile/", 3);
  committed.hasLocal = false;
  cache.entries = {big, committed};
  auto got = Walk(cache, CacheContainer::Content);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].Size, (5ll << 30) + 7);
  EXPECT_EQ(got[0].LocalFile, "C:\\c\\big[1].bin");
  EXPECT_EQ(got[1].LocalFile, "");
  EXPECT_EQ(got[1].Type, kNormalEntry);
}

TEST(UrlCacheWalk, AnOversizedEntryArrivesOnceAfterTheBufferGrew) {
  FakeUrlCache cache;
  FakeEntry huge = Content(L"http://huge/", 1);
  huge.padding = 5u << 20;  // beyond the content walk's 4 MiB
  cache.entries = {Content(L"http://a/", 1), huge, Content(L"http://z/", 1)};
  WalkEnd end;
  EXPECT_EQ(Urls(Walk(cache, CacheContainer::Content, &end)),
            (std::vector<std::string>{"http://a/", "http://huge/", "http://z/"}));
  EXPECT_EQ(end, WalkEnd::Done);
  // The same as the very first entry.
  cache.entries = {huge, Content(L"http://z/", 1)};
  EXPECT_EQ(Urls(Walk(cache, CacheContainer::Content)), (std::vector<std::string>{"http://huge/", "http://z/"}));
}

TEST(UrlCacheWalk, StaleErrorsAfterSuccessfulCallsLoseNothing) {
  for (DWORD stale : {DWORD(ERROR_INSUFFICIENT_BUFFER), DWORD(ERROR_NO_MORE_ITEMS), DWORD(ERROR_INVALID_PARAMETER)}) {
    FakeUrlCache cache;
    cache.staleError = stale;
    FakeEntry huge = Content(L"http://huge/", 1);
    huge.padding = 5u << 20;
    cache.entries = {Content(L"http://a/", 1), huge, Content(L"http://b/", 1), Content(L"http://c/", 1)};
    WalkEnd end;
    EXPECT_EQ(Walk(cache, CacheContainer::Content, &end).size(), 4u) << stale;
    EXPECT_EQ(end, WalkEnd::Done) << stale;
  }
}

TEST(UrlCacheWalk, ASecondTooSmallOrAnUnknownErrorEndsTheWalk) {
  FakeUrlCache cache;
  FakeEntry liar = Content(L"http://liar/", 1);
  liar.padding = 5u << 20;
  liar.lieSize = true;
  cache.entries = {Content(L"http://a/", 1), liar, Content(L"http://b/", 1)};
  WalkEnd end;
  EXPECT_EQ(Urls(Walk(cache, CacheContainer::Content, &end)), (std::vector<std::string>{"http://a/"}));
  EXPECT_EQ(end, WalkEnd::Failed);
  EXPECT_EQ(cache.log.back(), "close");

  FakeUrlCache other;
  other.entries = {Content(L"http://a/", 1), Content(L"http://b/", 1), Content(L"http://c/", 1)};
  other.failNextCall[2] = ERROR_INVALID_PARAMETER;
  EXPECT_EQ(Urls(Walk(other, CacheContainer::Content, &end)), (std::vector<std::string>{"http://a/", "http://b/"}));
  EXPECT_EQ(end, WalkEnd::Failed);
}

TEST(UrlCacheWalk, AnEmptyContainerEndsAfterTheFirstCall) {
  FakeUrlCache cache;
  WalkEnd end;
  EXPECT_TRUE(Walk(cache, CacheContainer::Cookies, &end).empty());
  EXPECT_EQ(end, WalkEnd::Done);
  EXPECT_EQ(cache.log, (std::vector<std::string>{"firstEx <null>", "first Cookie:"}));
}

TEST(UrlCacheWalk, AbortAfterKEntriesKeepsThoseK) {
  qz::test::GlobalsGuard guard;
  FakeUrlCache cache;
  for (int i = 0; i < 10; ++i) cache.entries.push_back(Content(L"http://a/" + std::to_wstring(i), 1));
  AbortFlag = 0;
  WalkEnd end;
  auto got = Walk(cache, CacheContainer::Content, &end, [](size_t n) {
    if (n == 4) AbortFlag = 1;
  });
  EXPECT_EQ(got.size(), 4u);
  EXPECT_EQ(end, WalkEnd::Aborted);
}

TEST(UrlCacheWalk, HistoryEntriesMustBePresentAndAskedInABufferOfTheirOwn) {
  FakeUrlCache cache;
  FakeEntry noNormal = Visit(L"http://gone/");
  noNormal.type = kHistoryEntry;  // without the normal bit: not present
  cache.entries = {Visit(L"http://one/"), noNormal, Visit(L"http://two/")};
  auto got = Walk(cache, CacheContainer::History);
  EXPECT_EQ(Urls(got), (std::vector<std::string>{"Visited: root@http://one/", "Visited: root@http://two/"}));
  EXPECT_EQ(got[0].LocalFile, "");
  EXPECT_EQ(cache.entryInfoCalls, 2);
}

TEST(CookieTrust, HostOfACookieUrl) {
  struct Case {
    const char* url;
    const char* host;
  } cases[] = {
      {"Cookie:root@www.example.com/", "www.example.com"},
      {"Cookie:root@example.com", "example.com"},
      {"Cookie:user@name@ads.example.com/", "ads.example.com"},  // the last "@"
      {"Cookie:root@ads.example.com/sub/", "ads.example.com/sub"},
      {"Cookie:root@ example.com / ", "example.com /"},  // blanks trimmed, then only one "/" was dropped
      {"Cookie:root@example.com//", "example.com/"},
      {"no-at-sign/", "no-at-sign"},
  };
  for (const Case& c : cases) EXPECT_EQ(CookieHost(c.url), c.host) << c.url;
}

TEST(CookieTrust, WwwEntriesKeepBothFormsABareHostOnlyItself) {
  const StringList trusted = {"www.Example.com", "plain.test", " spaced.test "};
  EXPECT_TRUE(IsTrustedHost("www.example.com", trusted));
  EXPECT_TRUE(IsTrustedHost("EXAMPLE.COM", trusted));
  EXPECT_TRUE(IsTrustedHost("plain.test", trusted));
  EXPECT_FALSE(IsTrustedHost("www.plain.test", trusted));
  EXPECT_TRUE(IsTrustedHost("spaced.test", trusted));
  EXPECT_FALSE(IsTrustedHost("ads.example.com", trusted));
  EXPECT_FALSE(IsTrustedHost("example.com/sub", trusted));  // a sub-path cookie is never trusted
  EXPECT_FALSE(IsTrustedHost("", {""}));
}

TEST(CacheDelete, WhatADeleteCountsAs) {
  EXPECT_EQ(ClassifyDelete(true, 0, false), DeleteVerdict::Deleted);
  EXPECT_EQ(ClassifyDelete(true, 0, true), DeleteVerdict::Failed);  // dropped, but a held file stayed
  EXPECT_EQ(ClassifyDelete(false, ERROR_FILE_NOT_FOUND, false), DeleteVerdict::AlreadyGone);
  EXPECT_EQ(ClassifyDelete(false, ERROR_SHARING_VIOLATION, false), DeleteVerdict::Failed);
  EXPECT_EQ(ClassifyDelete(false, 0, false), DeleteVerdict::Failed);  // locked in this process: no code
  EXPECT_EQ(ClassifyDelete(false, ERROR_ALREADY_EXISTS, false), DeleteVerdict::Failed);
}

}  // namespace
}  // namespace qz::ic::test
