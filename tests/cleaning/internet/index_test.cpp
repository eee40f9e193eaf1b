// The URL cache's index files in bad shape: missing containers, a damaged
// content index, a content index another handle holds without sharing. The
// scan copes (nothing found, no exception) and a delete that cannot happen is
// an error. WinINet checks an index only when a process first opens it, so
// each case has a CTest entry of its own (tests.cmake): the parent moves the
// containers aside (or holds an index), runs the engine in a child process of
// this program, and puts everything back once the child has ended.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "cleaning/internet/ic_engine.h"
#include "core/text.h"
#include "ic_fixture.h"
#include "support/globals_guard.h"
#include "url_cache_plant.h"

namespace qz::ic::test {
namespace {

std::string Folder(int csidl) {
  wchar_t buf[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf);
  return Narrow(buf);
}

std::string ContentContainer() { return Folder(CSIDL_INTERNET_CACHE) + "\\Content.IE5"; }
std::string CookieContainer() { return Folder(CSIDL_COOKIES); }
std::string HistoryContainer() { return Folder(CSIDL_HISTORY) + "\\History.IE5"; }

bool Exists(const std::string& p) { return GetFileAttributesW(Widen(p).c_str()) != INVALID_FILE_ATTRIBUTES; }

// Moves a container folder aside for its lifetime; whatever WinINet made in
// its place meanwhile is removed when it comes back. A container left aside
// by an interrupted run is put back first.
class AsideContainer {
 public:
  explicit AsideContainer(std::string folder) : folder_(std::move(folder)), aside_(folder_ + ".qzaside") {
    PutBack();
    moved_ = Exists(folder_) && MoveFileExW(Widen(folder_).c_str(), Widen(aside_).c_str(), 0);
  }
  ~AsideContainer() { PutBack(); }
  bool Ready() const { return !Exists(folder_); }

 private:
  void PutBack() {
    if (!Exists(aside_)) return;
    qz::test::RemoveTree(folder_);
    MoveFileExW(Widen(aside_).c_str(), Widen(folder_).c_str(), 0);
  }
  std::string folder_, aside_;
  bool moved_ = false;
};

// Runs one IndexChild case in a new process of this program (WinINet there
// sees the containers as the parent left them) and returns its exit code.
DWORD RunChild(const std::string& caseName) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring cmd = L"\"" + std::wstring(self) + L"\" --gtest_also_run_disabled_tests --gtest_filter=IndexChild.DISABLED_" +
                     Widen(caseName);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return 1000;
  CloseHandle(pi.hThread);
  WaitForSingleObject(pi.hProcess, 120000);
  DWORD code = 1001;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  return code;
}

std::string Tag() { return "qzidx" + std::to_string(GetCurrentProcessId()); }
std::string SiblingFolder() { return Folder(CSIDL_INTERNET_CACHE) + "\\QzSibling"; }

// ---- the parents: the containers' state, then the child ------------------------

TEST(IndexRobustness, DISABLED_NoContainers) {
  AsideContainer content(ContentContainer()), cookies(CookieContainer()), history(HistoryContainer());
  ASSERT_TRUE(content.Ready() && cookies.Ready() && history.Ready());
  EXPECT_EQ(RunChild("NoContainers"), 0u);
}

TEST(IndexRobustness, DISABLED_DamagedContentIndex) {
  AsideContainer content(ContentContainer());
  ASSERT_TRUE(content.Ready());
  qz::test::RemoveTree(SiblingFolder());
  CreateDirectoryW(Widen(SiblingFolder()).c_str(), nullptr);
  CreateDirectoryW(Widen(ContentContainer()).c_str(), nullptr);
  std::string noise;
  for (int i = 0; i < 8192; ++i) noise += "QZ damaged index ";
  HANDLE h = CreateFileW(Widen(ContentContainer() + "\\index.dat").c_str(), GENERIC_WRITE, 0, nullptr,
                         CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD put = 0;
  WriteFile(h, noise.data(), static_cast<DWORD>(noise.size()), &put, nullptr);
  CloseHandle(h);
  CloseHandle(CreateFileW(Widen(SiblingFolder() + "\\keep.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                          nullptr));
  EXPECT_EQ(RunChild("DamagedContentIndex"), 0u);
  // Only the damaged container was WinINet's to replace.
  EXPECT_TRUE(Exists(SiblingFolder() + "\\keep.txt"));
  qz::test::RemoveTree(SiblingFolder());
}

TEST(IndexRobustness, DISABLED_ContentIndexHeldExclusively) {
  const std::string index = ContentContainer() + "\\index.dat";
  CreateDirectoryW(Widen(ContentContainer()).c_str(), nullptr);
  const bool existed = Exists(index);
  HANDLE hold = CreateFileW(Widen(index).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
  ASSERT_NE(hold, INVALID_HANDLE_VALUE);
  EXPECT_EQ(RunChild("ContentIndexHeldExclusively"), 0u);
  CloseHandle(hold);
  if (!existed) DeleteFileW(Widen(index).c_str());
}

// ---- the children: the engine on the cache as the parent left it ---------------

class IndexChild : public ::testing::Test {
 protected:
  IndexChild() : key("ic_index" + std::to_string(GetCurrentProcessId())), engine(ScratchEnvironment(key), &cache) { engine.BindTree(tree); }

  qz::test::GlobalsGuard guard;
  qz::test::ScratchKey key;
  ui::VTreeModel tree;
  WinInetUrlCache cache;
  InternetCleaner engine;
};

TEST_F(IndexChild, DISABLED_NoContainers) {
  EXPECT_EQ(engine.RunScan(IESettings()), ScanOutcome::NothingFound);
  EXPECT_EQ(engine.Counts.Totals.Found, 0);
}

TEST_F(IndexChild, DISABLED_DamagedContentIndex) {
  InternetCleanerSettings s = IESettings(true, false, false);
  s.HideEmptyCategories = false;
  const ScanOutcome outcome = engine.RunScan(s);
  EXPECT_EQ(outcome, ScanOutcome::NothingFound);
  EXPECT_EQ(engine.Counts.Totals.Found, 0);
}

TEST_F(IndexChild, DISABLED_ContentIndexHeldExclusively) {
  const std::wstring cookieSite = Widen("http://cookie-" + Tag() + ".test/");
  const std::wstring visited = Widen("http://visit-" + Tag() + ".test/page");
  ASSERT_TRUE(qz::urlcache::PlantCookie(cookieSite));
  ASSERT_TRUE(qz::urlcache::PlantVisit(visited));

  InternetCleanerSettings s = IESettings();
  s.HideEmptyCategories = false;
  EXPECT_EQ(engine.RunScan(s), ScanOutcome::Found);
  const std::string cookieUrl = Narrow(qz::urlcache::CookieCacheUrl(cookieSite));
  const std::string visitUrl = Narrow(qz::urlcache::VisitCacheUrl(visited));
  EXPECT_NE(FindEntry(tree, cookieUrl), nullptr);
  EXPECT_NE(FindEntry(tree, visitUrl), nullptr);
  EXPECT_EQ(EntryTexts(tree, 1).size(), 0u);  // the held container is passed over

  // This run's entries stay checked, and one content entry of the held container.
  for (ui::VNode* n = tree.GetFirst(); n; n = tree.GetNext(n)) {
    const InternetItemNode& d = tree.Data<InternetItemNode>(n);
    if (!d.IsCategory && d.Text.find(Tag()) == std::string::npos) tree.SetCheckState(n, ui::CheckState::Unchecked);
  }
  InternetItemNode content;
  content.Kind = 1;
  content.Text = "http://content-" + Tag() + ".test/x.html";
  ui::VNode* n = tree.AddChild(engine.CategoryNode(ItemKind::Cache), std::move(content));
  tree.SetCheckType(n, ui::CheckType::CheckBox);
  tree.SetCheckState(n, ui::CheckState::Checked);

  EXPECT_EQ(engine.RunDelete(s), DeleteOutcome::Done);
  EXPECT_EQ(engine.Counts.DeleteErrors, 1);
  EXPECT_EQ(engine.Counts.DeletedCount, 2);
  EXPECT_FALSE(qz::urlcache::IsPresent(Widen(cookieUrl)));
  EXPECT_FALSE(qz::urlcache::IsPresent(Widen(visitUrl)));
}

}  // namespace
}  // namespace qz::ic::test
