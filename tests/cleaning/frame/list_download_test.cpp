// The exception-list download's rules, for both cleaners' lists: only a valid
// reply replaces a list (through a temporary file), and the two lists are
// fetched in turn with the addresses of project.ini. The window side (the
// HTTP fetch, its time limit and the boxes) is tested on the Drive Cleaner's
// download page.
#include <gtest/gtest.h>

#include "cleaning/frame/list_download.h"
#include "core/disk.h"
#include "core/stringlist.h"
#include "core/text.h"
#include "support/sandbox.h"

using namespace qz;
using namespace qz::cleaning;
using qz::test::ReadFileText;
using qz::test::ScratchDir;

namespace {

const ExceptionLists kDrive{"DC_Folders", "DC_Files", "DC-Folders.txt", "DC-Files.txt"};
const ExceptionLists kDll{"DLL_Folders", "DLL_Files", "DLL-Folders.txt", "DLL-Files.txt"};

bool Exists(const std::string& p) { return GetFileAttributesW(Widen(p).c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

TEST(ListDownload, AReplyReplacesTheListOnlyWhenValid) {
  ScratchDir dir("list_store");
  const std::string list = dir.path() + "DC-Folders.txt";
  const std::string old = "C:\\Old\\\r\n";
  struct Case {
    int status;
    std::string body;
    ListStore expect;
  } cases[] = {
      {404, "C:\\New\\", ListStore::BadStatus},
      {500, "C:\\New\\", ListStore::BadStatus},
      {0, "", ListStore::BadStatus},  // connection failed or timed out
      {200, "", ListStore::EmptyBody},
      {200, "<html>404 Not Found</html>", ListStore::ErrorPage},
      {200, std::string(kMaxListBytes + 1, 'a'), ListStore::TooLarge},
  };
  for (const Case& c : cases) {
    WriteFileBytes(list, old);
    EXPECT_EQ(StoreDownloadedList(list, c.status, c.body), c.expect) << c.status;
    EXPECT_EQ(ReadFileText(list), old) << "old list kept for status " << c.status;
    EXPECT_FALSE(Exists(list + ".tmp"));
  }
  WriteFileBytes(list, old);
  EXPECT_EQ(StoreDownloadedList(list, 200, std::string(kMaxListBytes - 8, 'a') + "\nC:\\N\\"), ListStore::Stored);
  EXPECT_EQ(StoreDownloadedList(list, 200, "C:\\New\nC:\\Newer\\"), ListStore::Stored);
  EXPECT_EQ(ReadFileText(list), "C:\\New\r\nC:\\Newer\\\r\n");
  EXPECT_FALSE(Exists(list + ".tmp"));
}

// A list that cannot be replaced (a folder holds its name) is reported, and
// nothing is left behind.
TEST(ListDownload, AListThatCannotBeWrittenIsReported) {
  ScratchDir dir("list_store_blocked");
  const std::string list = dir.MakeDir("DC-Files.txt");
  EXPECT_EQ(StoreDownloadedList(list, 200, "new.tmp"), ListStore::WriteFailed);
  EXPECT_TRUE(DirectoryExists(list));
  EXPECT_FALSE(Exists(list + ".tmp"));
}

// Both cleaners' lists: the folder list first, then the file list; a failure
// stops the sequence where it is.
TEST(ListDownload, RefreshFetchesBothListsInTurn) {
  for (const ExceptionLists& lists : {kDrive, kDll}) {
    SCOPED_TRACE(lists.FolderKey);
    ScratchDir dir("list_refresh");
    const std::string app = ExcludeTrailingBackslash(dir.path());
    const std::string ini = app + "\\project.ini";
    const std::string folderList = app + "\\" + lists.FolderFile;
    const std::string fileList = app + "\\" + lists.FileFile;
    auto reset = [&](const std::string& iniText) {
      WriteFileBytes(ini, iniText);
      WriteFileBytes(folderList, "C:\\OldFolder\\\r\n");
      WriteFileBytes(fileList, "old.tmp\r\n");
    };
    // The other cleaner's keys stand first: only this cleaner's count.
    const std::string both = "[NewLists]\r\nDC_Folders=http://127.0.0.1/dc-f.txt\r\n"
                             "DLL_Folders=http://127.0.0.1/dll-f.txt\r\nDC_Files=http://127.0.0.1/dc-g.txt\r\n"
                             "DLL_Files=http://127.0.0.1/dll-g.txt\r\n";
    const std::string prefix = lists.FolderKey == "DC_Folders" ? "dc" : "dll";
    using Step = ExceptionListRefresh::Step;

    reset(both);
    ExceptionListRefresh ok(lists, ini, app);
    ASSERT_EQ(ok.State(), Step::NeedFetch);
    EXPECT_EQ(ok.Url(), "http://127.0.0.1/" + prefix + "-f.txt");
    EXPECT_EQ(ok.ListPath(), folderList);
    EXPECT_EQ(ok.Take(200, "C:\\NewFolder\\\n"), Step::NeedFetch);
    EXPECT_EQ(ok.Url(), "http://127.0.0.1/" + prefix + "-g.txt");
    EXPECT_EQ(ok.ListPath(), fileList);
    EXPECT_EQ(ok.Take(200, "new.tmp"), Step::Done);
    EXPECT_EQ(ReadFileText(folderList), "C:\\NewFolder\\\r\n");
    EXPECT_EQ(ReadFileText(fileList), "new.tmp\r\n");

    reset(both);
    ExceptionListRefresh first(lists, ini, app);
    EXPECT_EQ(first.Take(0, ""), Step::Failed);     // no connection, or the time ran out
    EXPECT_EQ(first.Take(200, "x"), Step::Failed);  // stays failed
    EXPECT_EQ(ReadFileText(folderList), "C:\\OldFolder\\\r\n");
    EXPECT_EQ(ReadFileText(fileList), "old.tmp\r\n");

    reset(both);
    ExceptionListRefresh second(lists, ini, app);
    second.Take(200, "C:\\NewFolder\\");
    EXPECT_EQ(second.Take(500, "oops"), Step::Failed);
    EXPECT_EQ(second.LastResult(), ListStore::BadStatus);
    EXPECT_EQ(ReadFileText(folderList), "C:\\NewFolder\\\r\n");
    EXPECT_EQ(ReadFileText(fileList), "old.tmp\r\n");

    reset("[NewLists]\r\n" + lists.FolderKey + "=http://127.0.0.1/f.txt\r\n");
    ExceptionListRefresh noFiles(lists, ini, app);
    EXPECT_EQ(noFiles.Take(200, "C:\\NewFolder\\"), Step::ProjectIniError);
    reset("[Update]\r\nfile=x\r\n");
    EXPECT_EQ(ExceptionListRefresh(lists, ini, app).State(), Step::ProjectIniError);
  }
}
