// The undo files a backups page lists: display names and the counts beside.
#include <gtest/gtest.h>

#include <map>

#include "cleaning/frame/backup_page.h"
#include "core/disk.h"
#include "support/sandbox.h"

using namespace qz;
using namespace qz::cleaning;

namespace {

TEST(UndoFiles, ListedWithTheirCounts) {
  test::ScratchDir dir("undo_files");
  dir.Write("Dienstag, 08. Dezember - 14_05_33.REG", "REGEDIT4\r\n");
  dir.Write("Dienstag, 08. Dezember - 14_05_33.REG.txt", "12\r\n");
  dir.Write("no count.reg", "REGEDIT4\r\n");
  dir.Write("empty count.reg", "REGEDIT4\r\n");
  dir.Write("empty count.reg.txt", "");
  dir.Write("word.reg", "REGEDIT4\r\n");
  dir.Write("word.reg.txt", "twelve\r\n");
  dir.Write("unfinished.REG.tmp", "REGEDIT4\r\n");
  dir.Write("stray.txt", "1");
  std::map<std::string, std::pair<std::string, int32_t>> rows;
  for (const UndoFileRow& r : ListUndoFiles(dir.path())) rows[ExtractFileName(r.Path)] = {r.DisplayName, r.Count};
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows["Dienstag, 08. Dezember - 14_05_33.REG"],
            std::make_pair(std::string("Dienstag, 08. Dezember - 14:05:33"), 12));
  EXPECT_EQ(rows["no count.reg"].second, 0);
  EXPECT_EQ(rows["empty count.reg"].second, 0);
  EXPECT_EQ(rows["word.reg"].second, 0);
  EXPECT_TRUE(ListUndoFiles(dir.path() + "missing\\").empty());
}

}  // namespace
