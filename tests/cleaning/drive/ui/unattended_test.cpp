// The Drive Cleaner's engine driven as the One-Click-Optimizer drives it: no
// window at all, the stored settings, every find marked, progress readable
// while it works, the run's counters afterwards, and no box.
#include "dcui_fixture.h"

namespace qz::dc::uitest {
namespace {

using UnattendedTest = DcUiTest;

TEST_F(UnattendedTest, SearchAndDeleteWithTheStoredSettingsAndNoWindow) {
  const std::string a = base.Write("junk\\a.qzui", "1234");
  const std::string b = base.Write("junk\\sub\\b.qzui", "12");
  const std::string t = base.Write("win\\temp\\t.dat", "123");
  const std::string kept = base.Write("junk\\c.txt", "not junk");
  const std::string listed = base.Write("junk\\listed-name.qzui", "on the file list");

  DriveCleaner engine;
  engine.Environment = test::TestEnvironment(base.path());
  cleaning::UnattendedCleaner& cleaner = engine;
  EXPECT_EQ(cleaner.Counters().Deleted, 0);

  // While the drive is scanned the bar runs over the folders counted and
  // the lines name the drive, folder and file in hand.
  std::vector<cleaning::CleanerProgress> seen;
  engine.SearchEvents.OnPass = [&](const PassStart& p) {
    if (p.Kind == PassKind::Counting || p.Kind == PassKind::Scanning) seen.push_back(cleaner.Progress());
  };
  cleaner.Search();
  ASSERT_EQ(engine.LastSearch(), SearchOutcome::Found) << BoxTexts();
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(seen[0].Line1, "Zähle Ordner - bitte warten...");
  EXPECT_EQ(seen[0].Line2, "D:\\");
  EXPECT_EQ(seen[1].Line1, "D:\\");
  EXPECT_GT(seen[1].Max, 0);
  EXPECT_EQ(seen[1].Max, engine.Scan.FoldersCounted);
  EXPECT_EQ(Upper(test::EntryPaths(engine.Tree(), base.path())), Upper({a, b, t}));
  EXPECT_EQ(engine.Scan.Totals.Marked, 3);

  std::vector<cleaning::CleanerProgress> deleting;
  engine.DeleteEvents.OnFile = [&](const std::string&, int64_t) { deleting.push_back(cleaner.Progress()); };
  cleaner.DeleteMarked();
  const cleaning::CleanerCounters c = cleaner.Counters();
  EXPECT_EQ(c.Deleted, 3);
  EXPECT_EQ(c.Bytes, 4 + 2 + 3);
  EXPECT_EQ(c.Errors, 0);
  ASSERT_EQ(deleting.size(), 3u);
  EXPECT_EQ(deleting[2].Position, 3);
  EXPECT_EQ(deleting[2].Max, 3);
  EXPECT_TRUE(IEquals(deleting[0].Line1.substr(0, base.path().size()), base.path())) << deleting[0].Line1;
  for (const std::string& gone : {a, b, t}) {
    EXPECT_FALSE(test::Exists(gone)) << gone;
    ExpectInTrash(gone);
  }
  EXPECT_TRUE(test::Exists(kept));
  EXPECT_TRUE(test::Exists(listed));
  EXPECT_TRUE(boxes.boxes.empty()) << BoxTexts();

  // Nothing marked: nothing happens, the counters say so.
  cleaner.DeleteMarked();
  EXPECT_EQ(cleaner.Counters().Deleted, 0);
  EXPECT_TRUE(boxes.boxes.empty()) << BoxTexts();
}

// A missing exception-list file ends the program after its box, with or
// without a window.
TEST_F(UnattendedTest, AMissingListFileEndsTheProgram) {
  DeleteFileW(Widen(app / "DC-Files.txt").c_str());
  DriveCleaner engine;
  engine.Environment = test::TestEnvironment(base.path());
  EXPECT_THROW(engine.Search(), ui::SilentAbort);
  EXPECT_TRUE(ui::App().Terminated());
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Error);
  EXPECT_EQ(boxes.boxes[0].text, MissingListMessage(app / "DC-Files.txt"));
}

// Under the optimizer the same cleaner cannot start: no box, the program
// goes on, and the search throws for the optimizer to count.
TEST_F(UnattendedTest, UnderTheOptimizerAMissingListFileOnlyStopsTheCleaner) {
  DeleteFileW(Widen(app / "DC-Folders.txt").c_str());
  DriveCleaner engine;
  engine.Environment = test::TestEnvironment(base.path());
  OcoRunning = 1;
  EXPECT_THROW(engine.Search(), std::runtime_error);
  OcoRunning = 0;
  EXPECT_FALSE(ui::App().Terminated());
  EXPECT_TRUE(boxes.boxes.empty()) << BoxTexts();
}

}  // namespace
}  // namespace qz::dc::uitest
