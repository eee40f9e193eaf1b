// The Internet Cleaner's engine against the sandbox's real URL cache
// (WinINet): entries planted with hosts of this run only, scanned, partly
// unchecked and deleted; in-use entries, held files and entries gone since
// the scan. Everything planted is removed again. Resource lock qz_urlcache.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "cleaning/internet/ic_engine.h"
#include "core/text.h"
#include "ic_fixture.h"
#include "support/globals_guard.h"
#include "url_cache_plant.h"

namespace qz::ic::test {
namespace {

using ui::CheckState;
namespace uc = qz::urlcache;

// Hosts unique to this run.
std::string RunTag() {
  static const std::string tag = "qz" + std::to_string(GetCurrentProcessId()) + "x" + std::to_string(GetTickCount() % 100000);
  return tag;
}

class WinInetTest : public ::testing::Test {
 protected:
  WinInetTest() : key("ic_wininet"), engine(ScratchEnvironment(key), &cache) { engine.BindTree(tree); }
  ~WinInetTest() override {
    for (const std::wstring& u : uc::ListAll())
      if (Narrow(u).find(RunTag()) != std::string::npos) DeleteUrlCacheEntryW(u.c_str());
  }
  std::string Site(const std::string& path) { return "http://site-" + RunTag() + ".test" + path; }
  std::string Host(const std::string& prefix) { return prefix + "-" + RunTag() + ".test"; }
  // This run's entries, sorted (the cache lists in its own order).
  std::vector<std::string> Ours(int kind = 0) {
    std::vector<std::string> out;
    for (const std::string& t : EntryTexts(tree, kind))
      if (t.find(RunTag()) != std::string::npos) out.push_back(t);
    std::sort(out.begin(), out.end());
    return out;
  }
  bool Present(const std::string& cacheUrl) { return uc::IsPresent(Widen(cacheUrl)); }
  std::string CookieUrl(const std::string& url) { return Narrow(uc::CookieCacheUrl(Widen(url))); }
  std::string VisitUrl(const std::string& url) { return Narrow(uc::VisitCacheUrl(Widen(url))); }

  qz::test::GlobalsGuard guard;
  qz::test::ScratchKey key;
  ui::VTreeModel tree;
  WinInetUrlCache cache;
  InternetCleaner engine;
};

TEST_F(WinInetTest, ScanThenDeleteExactlyTheCheckedEntries) {
  const std::string longUrl = Site("/" + std::string(3000, 'L'));
  std::map<std::string, std::wstring> files;
  for (auto [path, bytes] : std::initializer_list<std::pair<std::string, size_t>>{
           {"/A", 1000}, {"/a", 2000}, {"/lock", 10}, {"/held", 20}, {"/gone", 30}}) {
    std::wstring file;
    ASSERT_TRUE(uc::PlantContent(Widen(Site(path)), bytes, &file)) << path;
    files[path] = file;
  }
  ASSERT_TRUE(uc::PlantContent(Widen(longUrl), 3000));
  for (const std::string& host : {"www." + Host("trusted"), Host("trusted"), Host("keep")})
    ASSERT_TRUE(uc::PlantCookie(Widen("http://" + host + "/")));
  ASSERT_TRUE(uc::PlantCookie(Widen("http://" + Host("ads") + "/sub/")));
  InternetSetCookieW(Widen("http://" + Host("session") + "/").c_str(), nullptr, L"s=1");  // never stored
  ASSERT_TRUE(uc::PlantVisit(Widen(Site("/one"))));
  ASSERT_TRUE(uc::PlantVisit(Widen(Site("/two"))));

  InternetCleanerSettings s = IESettings();
  s.TrustedHosts = {"www." + Host("trusted")};
  ASSERT_EQ(engine.RunScan(s), ScanOutcome::Found);

  // Case twins are two entries; the long URL came through a grown buffer.
  EXPECT_EQ(Ours(1).size(), 6u);
  for (const char* p : {"/A", "/a", "/lock", "/held", "/gone"}) EXPECT_NE(FindEntry(tree, Site(p)), nullptr) << p;
  EXPECT_NE(FindEntry(tree, longUrl), nullptr);
  EXPECT_EQ(Ours(2), (std::vector<std::string>{CookieUrl("http://" + Host("ads") + "/sub/"),
                                               CookieUrl("http://" + Host("keep") + "/")}) );
  EXPECT_EQ(Ours(3), (std::vector<std::string>{VisitUrl(Site("/one")), VisitUrl(Site("/two"))}));

  const InternetItemNode& a = tree.Data<InternetItemNode>(FindEntry(tree, Site("/a")));
  EXPECT_EQ(a.Kind, 1);
  EXPECT_EQ(a.Size, 2000);
  EXPECT_TRUE(IEquals(a.LocalFile(), Narrow(files["/a"])));
  EXPECT_EQ(a.FileName(), a.LocalFile().substr(a.LocalFile().rfind('\\') + 1));
  const InternetItemNode& c = tree.Data<InternetItemNode>(FindEntry(tree, CookieUrl("http://" + Host("keep") + "/")));
  EXPECT_EQ(c.Kind, 2);
  EXPECT_GT(c.Size, 0);
  EXPECT_FALSE(c.LocalFile().empty());
  const InternetItemNode& v = tree.Data<InternetItemNode>(FindEntry(tree, VisitUrl(Site("/one"))));
  EXPECT_EQ(v.Kind, 3);
  EXPECT_EQ(v.FileName(), "");
  EXPECT_EQ(v.LocalFile(), "");

  // Others' entries are not ours to delete; of ours, three stay unchecked.
  for (ui::VNode* n = tree.GetFirst(); n; n = tree.GetNext(n)) {
    const InternetItemNode& d = tree.Data<InternetItemNode>(n);
    if (!d.IsCategory && d.Text.find(RunTag()) == std::string::npos) tree.SetCheckState(n, CheckState::Unchecked);
  }
  for (const std::string& t : {Site("/A"), VisitUrl(Site("/two")), CookieUrl("http://" + Host("keep") + "/")})
    tree.ChangeCheckState(FindEntry(tree, t), CheckState::Unchecked);

  // In use: held by RetrieveUrlCacheEntryFile; its file held open; gone since the scan.
  std::vector<char> info(64 * 1024);
  DWORD size = static_cast<DWORD>(info.size());
  ASSERT_TRUE(RetrieveUrlCacheEntryFileW(Widen(Site("/lock")).c_str(),
                                         reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(info.data()), &size, 0));
  HANDLE held = CreateFileW(files["/held"].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(DeleteUrlCacheEntryW(Widen(Site("/gone")).c_str()));

  const int64_t adsBytes = tree.Data<InternetItemNode>(FindEntry(tree, CookieUrl("http://" + Host("ads") + "/sub/"))).Size;
  EXPECT_EQ(engine.RunDelete(s), DeleteOutcome::Done);
  const InternetCounters& k = engine.Counts;
  EXPECT_EQ(k.DeleteErrors, 2);
  EXPECT_EQ(k.DeletedCount, 4);  // /a, the long one, the ads cookie, one visit
  EXPECT_EQ(k.DeletedBytes, 2000 + 3000 + adsBytes);

  EXPECT_TRUE(Present(Site("/A")));
  EXPECT_FALSE(Present(Site("/a")));
  EXPECT_FALSE(Present(longUrl));
  EXPECT_FALSE(Present(CookieUrl("http://" + Host("ads") + "/sub/")));
  EXPECT_TRUE(Present(CookieUrl("http://" + Host("keep") + "/")));
  EXPECT_TRUE(Present(CookieUrl("http://www." + Host("trusted") + "/")));
  EXPECT_FALSE(Present(VisitUrl(Site("/one"))));
  EXPECT_TRUE(Present(VisitUrl(Site("/two"))));
  EXPECT_TRUE(Present(Site("/lock")));
  // The held file: WinINet dropped the entry but the file stayed, so it is no deletion.
  EXPECT_NE(GetFileAttributesW(files["/held"].c_str()), INVALID_FILE_ATTRIBUTES);
  for (const std::string& t : {Site("/lock"), Site("/held"), Site("/A")}) {
    ui::VNode* n = FindEntry(tree, t);
    ASSERT_NE(n, nullptr) << t;
    EXPECT_EQ(tree.GetCheckState(n), t == Site("/A") ? CheckState::Unchecked : CheckState::Checked) << t;
  }
  EXPECT_EQ(FindEntry(tree, Site("/gone")), nullptr);

  UnlockUrlCacheEntryFileW(Widen(Site("/lock")).c_str(), 0);
  CloseHandle(held);
  DeleteFileW(files["/held"].c_str());
}

}  // namespace
}  // namespace qz::ic::test
