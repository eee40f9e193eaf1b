// The backups page's list and the recycling of undo files.
#include <gtest/gtest.h>

#include <map>

#include "cleaning/registry/rc_backups.h"
#include "core/disk.h"
#include "core/text.h"
#include "support/sandbox.h"

namespace qz::rc {
namespace {

TEST(RegistryBackups, ListedWithTheirCounts) {
  qz::test::ScratchDir dir("rc_backups");
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
  for (const RcBackupNode& r : ListRegistryBackupFiles(dir.path())) rows[ExtractFileName(r.Path)] = {r.Name, r.Count};
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows["Dienstag, 08. Dezember - 14_05_33.REG"],
            std::make_pair(std::string("Dienstag, 08. Dezember - 14:05:33"), 12));
  EXPECT_EQ(rows["no count.reg"].second, 0);
  EXPECT_EQ(rows["empty count.reg"].second, 0);
  EXPECT_EQ(rows["word.reg"].second, 0);
  EXPECT_TRUE(ListRegistryBackupFiles(dir.path() + "missing\\").empty());
}

TEST(RegistryBackups, RecycledRowByRow) {
  qz::test::ScratchDir dir("rc_backups_bin");
  const std::string a = dir.Write("a.REG"), b = dir.Write("b.REG"), c = dir.Write("c.REG");
  dir.Write("a.REG.txt", "1");
  dir.Write("b.REG.txt", "2");
  std::vector<std::string> handed;
  // A recycler that refuses b.REG (and so also keeps its count file).
  auto bin = [&](const std::string& f) {
    handed.push_back(ExtractFileName(f));
    if (f == b) return false;
    DeleteFileW(Widen(f).c_str());
    return true;
  };
  std::vector<bool> gone = RecycleBackupFiles({a, b, c}, bin);
  EXPECT_EQ(gone, (std::vector<bool>{true, false, true}));
  EXPECT_EQ(handed, (std::vector<std::string>{"a.REG", "a.REG.txt", "b.REG", "c.REG"}));
  EXPECT_TRUE(FileExists(b + ".txt"));
  EXPECT_FALSE(FileExists(a + ".txt"));
}

}  // namespace
}  // namespace qz::rc
