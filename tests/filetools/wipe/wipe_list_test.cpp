// The wipe list: what gets listed once, folders as trees, and the files of
// the old-style Recycle Bin folders.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/globals.h"
#include "core/text.h"
#include "filetools/common/faulty_fs.h"
#include "filetools/wipe/wipe_list.h"
#include "support/globals_guard.h"
#include "support/sandbox.h"

namespace qz::fw {
namespace {

using Names = std::vector<std::string>;

class WipeListTest : public ::testing::Test {
 protected:
  test::GlobalsGuard globals;
  test::ScratchDir dir{"fw_list"};
  ui::VTreeModel tree;
  WipeList list{tree};

  Names Listed() {
    Names out;
    for (ui::VNode* n = tree.GetFirst(); n; n = tree.GetNext(n)) {
      const TWipeEntry& e = tree.Data<TWipeEntry>(n);
      const std::string rel = e.Path.substr(dir.path().size());
      out.push_back(std::string(tree.GetNodeLevel(n), ' ') + (e.IsFolder ? "[" + rel + "]" : rel));
    }
    return out;
  }
};

TEST_F(WipeListTest, FoldersBecomeTreesAndAreListedOnce) {
  dir.Write("top\\t1.txt");
  dir.Write("top\\mid\\m1.txt");
  dir.Write("top\\mid\\m2.txt");
  dir.Write("top\\mid\\low\\l1.txt");
  dir.MakeDir("top\\empty");
  ASSERT_NE(list.AddWipeFolder(nullptr, dir / "top\\"), nullptr);
  Names expected = {"[top\\]",          " top\\t1.txt",          " [top\\empty]",           " [top\\mid]",
                    "  top\\mid\\m1.txt", "  top\\mid\\m2.txt", "  [top\\mid\\low]", "   top\\mid\\low\\l1.txt"};
  Names got = Listed();
  // Sub-folders come in the file system's order; compare as sets per level.
  std::sort(expected.begin(), expected.end());
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, expected);
  // The same folder in another spelling, or a file inside it, is listed already.
  EXPECT_EQ(list.AddWipeFolder(nullptr, UpperAscii(dir / "top")), nullptr);
  EXPECT_EQ(list.AddWipeEntry(nullptr, dir / "top\\mid\\M1.txt"), nullptr);
  EXPECT_EQ(list.AddWipeFolder(nullptr, dir / "none"), nullptr);
  EXPECT_EQ(tree.TotalCount(), 8u);
}

TEST(RecycleBin, BookkeepingIsLeftOutAndNothingElse) {
  EXPECT_TRUE(IsRecycleBinBookkeeping("RECYCLED\\INFO"));
  EXPECT_TRUE(IsRecycleBinBookkeeping("Recycled\\info2"));
  EXPECT_TRUE(IsRecycleBinBookkeeping("RECYCLER\\S-1-5-21-1\\INFO2"));
  EXPECT_TRUE(IsRecycleBinBookkeeping("RECYCLER\\S-1-5-21-1\\desktop.ini"));
  EXPECT_TRUE(IsRecycleBinBookkeeping("RECYCLER\\desktop.ini"));
  EXPECT_TRUE(IsRecycleBinBookkeeping("RECYCLED\\NPROTECT\\x.dat"));
  EXPECT_FALSE(IsRecycleBinBookkeeping("RECYCLED\\Dc1.txt"));
  EXPECT_FALSE(IsRecycleBinBookkeeping("RECYCLER\\S-1-5-21-1\\Dc2\\Info\\inner.doc"));
  EXPECT_FALSE(IsRecycleBinBookkeeping("RECYCLER\\S-1-5-21-1\\Dc3\\information.pdf"));
  EXPECT_FALSE(IsRecycleBinBookkeeping("RECYCLER\\S-1-5-21-1\\Dc4\\INFO2"));
  EXPECT_FALSE(IsRecycleBinBookkeeping("data\\INFO2"));
}

TEST(RecycleBin, CollectsTheUsersFilesOfBothFolders) {
  test::GlobalsGuard globals;
  struct Planted {
    Planted() {
      for (const char* f : {"RECYCLER\\S-1-5-21-1\\INFO2", "RECYCLER\\S-1-5-21-1\\desktop.ini",
                            "RECYCLED\\INFO"})
        Write(f);
    }
    ~Planted() {
      test::RemoveTree("C:\\RECYCLER");
      test::RemoveTree("C:\\RECYCLED");
    }
    static void Write(const std::string& rel) {
      std::string full = "C:\\" + rel;
      std::wstring w = Widen(full);
      for (size_t i = 3; i < w.size(); ++i)
        if (w[i] == L'\\') CreateDirectoryW(w.substr(0, i).c_str(), nullptr);
      ft::test::WriteBytes(full, "x");
    }
  } planted;
  // Only bookkeeping: nothing to wipe.
  EXPECT_TRUE(CollectRecycleBinFiles({"C:\\"}).empty());

  for (const char* f : {"RECYCLER\\S-1-5-21-1\\Dc1.txt", "RECYCLER\\S-1-5-21-1\\Dc2\\Info\\inner.doc",
                        "RECYCLER\\S-1-5-21-1\\Dc3\\information.pdf"})
    Planted::Write(f);
  AbortFlag = 1;  // left from an earlier run
  StringList found = CollectRecycleBinFiles({"C:\\"});
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (Names{"C:\\RECYCLER\\S-1-5-21-1\\Dc1.txt", "C:\\RECYCLER\\S-1-5-21-1\\Dc2\\Info\\inner.doc",
                          "C:\\RECYCLER\\S-1-5-21-1\\Dc3\\information.pdf"}));
}

TEST(RecycleBin, DrivesAreFixedRemovableRemoteOrRamAndReady) {
  std::vector<std::string> roots = RecycleBinDrives();
  ASSERT_FALSE(roots.empty());
  EXPECT_EQ(roots.front(), "C:\\");
  for (const std::string& r : roots) {
    UINT type = GetDriveTypeW(Widen(r).c_str());
    EXPECT_TRUE(type == DRIVE_FIXED || type == DRIVE_REMOVABLE || type == DRIVE_REMOTE || type == DRIVE_RAMDISK) << r;
  }
}

}  // namespace
}  // namespace qz::fw
