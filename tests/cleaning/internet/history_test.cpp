// Emptying the History folder: which items go to the shell's delete (on a
// fake namespace), the guard against binding anything but the History
// folder, the error text of a failing context menu; and the real shell's
// History folder with its own confirmation answered Yes or No (each in a
// process of its own, tests.cmake).
#include <gtest/gtest.h>

#include <shlobj.h>

#include <atomic>
#include <thread>

#include "cleaning/internet/history_folder.h"
#include "core/text.h"
#include "support/sandbox.h"

namespace qz::ic::test {
namespace {

class FakeHistory : public HistoryNamespace {
 public:
  HistoryRoot root{true, "C:\\users\\u\\History"};
  HRESULT openResult = S_OK;
  HRESULT deleteResult = S_OK;
  std::vector<HistoryItem> items;
  std::vector<std::string> emptyFolders;
  std::vector<std::vector<std::string>> deleteCalls;
  int listCalls = 0;

  HRESULT Open(HistoryRoot& r) override {
    r = root;
    return openResult;
  }
  HRESULT ListItems(std::vector<HistoryItem>& out) override {
    ++listCalls;
    out = items;
    return S_OK;
  }
  HRESULT IsEmptyFolder(const HistoryItem& item, bool& empty) override {
    empty = item.IsFolder && std::find(emptyFolders.begin(), emptyFolders.end(), item.Name) != emptyFolders.end();
    return S_OK;
  }
  HRESULT DeleteItems(const std::vector<HistoryItem>& list) override {
    std::vector<std::string> names;
    for (const HistoryItem& i : list) names.push_back(i.Name);
    deleteCalls.push_back(names);
    return deleteResult;
  }
  void Add(const std::string& name, bool folder) { items.push_back({items.size(), name, folder}); }
};

HistoryPlaces Places() { return {"C:\\users\\u\\History", "C:\\users\\u", "C:\\users\\u\\Desktop"}; }

TEST(HistoryClearing, WhichItemsGoToTheShell) {
  FakeHistory empty;
  EXPECT_EQ(ClearHistoryFolder(empty, Places()).Outcome, HistoryOutcome::NothingToDelete);
  EXPECT_TRUE(empty.deleteCalls.empty());

  FakeHistory oneEmpty;
  oneEmpty.Add("Monday", true);
  oneEmpty.emptyFolders = {"Monday"};
  EXPECT_EQ(ClearHistoryFolder(oneEmpty, Places()).Outcome, HistoryOutcome::NothingToDelete);
  EXPECT_TRUE(oneEmpty.deleteCalls.empty());

  FakeHistory oneFull;
  oneFull.Add("Today", true);
  HistoryResult r = ClearHistoryFolder(oneFull, Places());
  EXPECT_EQ(r.Outcome, HistoryOutcome::Handed);
  EXPECT_EQ(oneFull.deleteCalls, (std::vector<std::vector<std::string>>{{"Today"}}));
  EXPECT_EQ(oneFull.listCalls, 2);  // the top level is listed again before it goes

  FakeHistory oneFile;
  oneFile.Add("loose", false);
  ClearHistoryFolder(oneFile, Places());
  EXPECT_EQ(oneFile.deleteCalls, (std::vector<std::vector<std::string>>{{"loose"}}));

  FakeHistory several;
  for (const char* n : {"Today", "EmptyDay", "loose"}) several.Add(n, std::string(n) != "loose");
  several.emptyFolders = {"EmptyDay"};
  r = ClearHistoryFolder(several, Places());
  EXPECT_EQ(several.deleteCalls, (std::vector<std::vector<std::string>>{{"Today", "EmptyDay", "loose"}}));
  EXPECT_EQ(r.ItemsHanded, 3u);
}

TEST(HistoryClearing, OnlyTheHistoryFolderItselfIsEverBound) {
  struct Case {
    HistoryRoot root;
    bool acts;
  } cases[] = {
      {{true, "C:\\users\\u\\History"}, true},
      {{true, "c:\\USERS\\u\\history\\"}, true},
      {{true, ""}, true},                              // a namespace folder without a path
      {{false, ""}, false},                            // no ID list, or an empty one (the desktop)
      {{true, "C:\\"}, false},                         // a drive root
      {{true, "C:\\users\\u"}, false},                 // the profile
      {{true, "C:\\users\\u\\Desktop"}, false},        // the desktop
      {{true, "C:\\users\\u\\Documents"}, false},      // anything else
  };
  for (const Case& c : cases) {
    FakeHistory h;
    h.root = c.root;
    h.Add("Today", true);
    HistoryResult r = ClearHistoryFolder(h, Places());
    EXPECT_EQ(r.Outcome, c.acts ? HistoryOutcome::Handed : HistoryOutcome::Refused) << c.root.Path;
    EXPECT_EQ(h.listCalls, c.acts ? 2 : 0) << c.root.Path;
  }
  // The places themselves must not make a drive root acceptable.
  FakeHistory h;
  h.root = {true, "C:\\"};
  h.Add("x", false);
  EXPECT_EQ(ClearHistoryFolder(h, {"C:\\", "C:\\users\\u", "C:\\d"}).Outcome, HistoryOutcome::Refused);
}

TEST(HistoryClearing, AFailingContextMenuIsToldByItsResult) {
  FakeHistory h;
  h.Add("Today", true);
  h.Add("loose", false);
  h.deleteResult = E_INVALIDARG;  // 0x80070057
  SetLastError(18);               // a stale code must not be what is shown
  HistoryResult r = ClearHistoryFolder(h, Places());
  EXPECT_EQ(r.Outcome, HistoryOutcome::Failed);
  EXPECT_EQ(r.Result, E_INVALIDARG);
  EXPECT_EQ(r.Message.rfind("Error:87 ", 0), 0u) << r.Message;
  EXPECT_EQ(r.Message, "Error:87 " + SystemErrorText(static_cast<DWORD>(E_INVALIDARG)));
  EXPECT_GT(r.Message.size(), std::string("Error:87 ").size());

  FakeHistory broken;
  broken.openResult = E_FAIL;
  r = ClearHistoryFolder(broken, Places());
  EXPECT_EQ(r.Outcome, HistoryOutcome::Failed);
  EXPECT_EQ(r.Message, SystemErrorText(static_cast<DWORD>(E_FAIL)));
  EXPECT_EQ(broken.listCalls, 0);
}

// ---- the real History folder ------------------------------------------------------

std::string HistoryFolder() {
  wchar_t buf[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, CSIDL_HISTORY, nullptr, SHGFP_TYPE_CURRENT, buf);
  return Narrow(buf);
}

bool Exists(const std::string& p) { return GetFileAttributesW(Widen(p).c_str()) != INVALID_FILE_ATTRIBUTES; }

// Answers the shell's confirmation (a dialog of this process) with a button.
class ConfirmationWatcher {
 public:
  explicit ConfirmationWatcher(int button) : button_(button), thread_([this] { Run(); }) {}
  ~ConfirmationWatcher() {
    stop_ = true;
    thread_.join();
  }
  std::string Title() const { return title_; }

 private:
  void Run() {
    const DWORD self = GetCurrentProcessId();
    for (int i = 0; i < 600 && !stop_ && title_.empty(); ++i) {
      HWND found = nullptr;
      EnumWindows(
          [](HWND w, LPARAM p) -> BOOL {
            auto* out = reinterpret_cast<std::pair<DWORD, HWND*>*>(p);
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            wchar_t cls[16] = {};
            GetClassNameW(w, cls, 16);
            if (pid == out->first && IsWindowVisible(w) && wcscmp(cls, L"#32770") == 0) {
              *out->second = w;
              return FALSE;
            }
            return TRUE;
          },
          reinterpret_cast<LPARAM>(new std::pair<DWORD, HWND*>(self, &found)));
      if (found) {
        wchar_t t[256] = {};
        GetWindowTextW(found, t, 256);
        title_ = Narrow(t);
        PostMessageW(found, WM_COMMAND, MAKEWPARAM(button_, BN_CLICKED), 0);
        break;
      }
      Sleep(50);  // waits for the shell's dialog to appear; no timer of ours
    }
  }
  int button_;
  std::atomic<bool> stop_{false};
  std::string title_;
  std::thread thread_;
};

// Plants the History folder's items; the browser's own store (History.IE5)
// waits beside the folder meanwhile.
class PlantedHistory {
 public:
  PlantedHistory() : folder_(HistoryFolder()), store_(folder_ + "\\History.IE5"), aside_(folder_ + ".IE5.qzaside") {
    if (Exists(store_)) moved_ = MoveFileExW(Widen(store_).c_str(), Widen(aside_).c_str(), 0);
    CreateDirectoryW(Widen(folder_ + "\\Today").c_str(), nullptr);
    CreateDirectoryW(Widen(folder_ + "\\EmptyDay").c_str(), nullptr);
    Write(folder_ + "\\Today\\visit.url");
    Write(folder_ + "\\loose.url");
  }
  ~PlantedHistory() {
    for (const char* n : {"\\Today", "\\EmptyDay"}) qz::test::RemoveTree(folder_ + n);
    DeleteFileW(Widen(folder_ + "\\loose.url").c_str());
    if (moved_) MoveFileExW(Widen(aside_).c_str(), Widen(store_).c_str(), 0);
  }
  const std::string& folder() const { return folder_; }
  bool Ready() const { return !Exists(store_); }

 private:
  static void Write(const std::string& path) {
    HANDLE h = CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    const char text[] = "[InternetShortcut]\r\nURL=http://qz-history.test/\r\n";
    DWORD put = 0;
    WriteFile(h, text, sizeof text - 1, &put, nullptr);
    CloseHandle(h);
  }
  std::string folder_, store_, aside_;
  bool moved_ = false;
};

size_t CountItems(const std::string& folder) {
  size_t n = 0;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(Widen(folder + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return 0;
  do {
    if (wcscmp(fd.cFileName, L".") && wcscmp(fd.cFileName, L"..")) ++n;
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  return n;
}

TEST(HistoryShell, DISABLED_AnswerYes) {
  PlantedHistory planted;
  ASSERT_TRUE(planted.Ready());
  qz::test::MessageBoxRecorder boxes;
  ShellHistoryNamespace ns(nullptr);
  HistoryResult r;
  {
    ConfirmationWatcher yes(IDYES);
    r = ClearHistoryFolder(ns, HistoryPlaces::FromSystem());
  }
  EXPECT_EQ(r.Outcome, HistoryOutcome::Handed) << r.Message;
  EXPECT_EQ(r.ItemsHanded, 3u);
  EXPECT_EQ(CountItems(planted.folder()), 0u);
  EXPECT_TRUE(boxes.boxes.empty());
  // The host's check after the run finds them in the sandbox's trash.
  HANDLE f = CreateFileW(L"C:\\qztests\\expect-trash-ic.txt", FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
  for (const char* n : {"\\Today", "\\EmptyDay", "\\loose.url"}) {
    const std::string line = planted.folder() + n + "\r\n";
    DWORD put = 0;
    WriteFile(f, line.data(), static_cast<DWORD>(line.size()), &put, nullptr);
  }
  CloseHandle(f);
}

TEST(HistoryShell, DISABLED_AnswerNo) {
  PlantedHistory planted;
  ASSERT_TRUE(planted.Ready());
  qz::test::MessageBoxRecorder boxes;
  ShellHistoryNamespace ns(nullptr);
  HistoryResult r;
  std::string title;
  {
    ConfirmationWatcher no(IDNO);
    r = ClearHistoryFolder(ns, HistoryPlaces::FromSystem());
    // (the watcher has answered once ClearHistoryFolder returns)
  }
  EXPECT_EQ(r.Outcome, HistoryOutcome::Handed);
  EXPECT_EQ(CountItems(planted.folder()), 3u);
  EXPECT_TRUE(Exists(planted.folder() + "\\Today\\visit.url"));
  EXPECT_TRUE(boxes.boxes.empty());
}

}  // namespace
}  // namespace qz::ic::test
