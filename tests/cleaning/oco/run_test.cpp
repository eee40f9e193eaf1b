// The optimizer's run without its window: the order of the steps and what
// each phase shows, this run's counters copied before an engine is freed,
// Cancel ending the whole run, cleaners that cannot start, and the result
// text.
#include <gtest/gtest.h>

#include "cleaning/oco/fake_cleaner.h"
#include "cleaning/oco/oco_run.h"
#include "cleaning/drive/drive_cleaner.h"
#include "cleaning/internet/ic_engine.h"
#include "cleaning/registry/rc_cleaner.h"
#include "support/globals_guard.h"
#include "support/sandbox.h"

namespace qz::oco::test {
namespace {

using cleaning::CleanerCounters;
using cleaning::CleanerProgress;

class RunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AbortFlag = 0;
    fakes.InstallInto(run);
    run.OnStep = [this](bool on) { steps.push_back((on ? "on " : "off ") + std::to_string(run.Phase())); };
  }
  qz::test::GlobalsGuard globals;
  OneClickRun run;
  FakeCleaners fakes;
  std::vector<std::string> steps;
};

TEST_F(RunTest, RunsEachCheckedCleanerInTurnAndCopiesItsCountersBeforeFreeingIt) {
  fakes.specs[kDrive].deletes = {3, 1572864, 1};
  fakes.specs[kRegistry].deletes = {7, 0, 2};
  fakes.specs[kInternet].deletes = {5, int64_t{6} << 32, 0};  // 24 GiB: 64-bit bytes
  std::vector<int> phasesSeen;
  for (FakeSpec& s : fakes.specs) {
    s.duringSearch = [&] { phasesSeen.push_back(run.Phase()); };
    s.duringDelete = [&] { phasesSeen.push_back(run.Phase()); };
  }

  const OneClickTotals t = run.Run({true, true, true});
  EXPECT_EQ(phasesSeen, (std::vector<int>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(run.Phase(), 0);
  EXPECT_EQ(fakes.journal, (Journal{"DC made", "DC search", "DC delete", "DC counters", "DC freed",  //
                                    "RC made", "RC search", "RC delete", "RC counters", "RC freed",  //
                                    "IC made", "IC search", "IC delete", "IC counters", "IC freed"}));
  // The timer runs around every step and only then.
  EXPECT_EQ(steps, (std::vector<std::string>{"on 1", "off 1", "on 2", "off 2", "on 3", "off 3", "on 4", "off 4",
                                             "on 5", "off 5", "on 6", "off 6"}));
  EXPECT_FALSE(t.Cancelled);
  EXPECT_EQ(t.Counts[kDrive].Deleted, 3);
  EXPECT_EQ(t.Counts[kDrive].Bytes, 1572864);
  EXPECT_EQ(t.Counts[kRegistry].Errors, 2);
  EXPECT_EQ(t.Counts[kInternet].Bytes, int64_t{6} << 32);
}

// A cleaner left out of this run counts 0, whatever an earlier run found.
TEST_F(RunTest, CountersAreThisRunsOnly) {
  for (FakeSpec& s : fakes.specs) s.deletes = {9, 9 << 20, 9};
  run.Run({true, true, true});
  fakes.journal.clear();
  const OneClickTotals t = run.Run({false, false, true});
  EXPECT_EQ(fakes.journal, (Journal{"IC made", "IC search", "IC delete", "IC counters", "IC freed"}));
  for (int i : {kDrive, kRegistry}) {
    EXPECT_EQ(t.Counts[i].Deleted, 0);
    EXPECT_EQ(t.Counts[i].Bytes, 0);
    EXPECT_EQ(t.Counts[i].Errors, 0);
  }
  EXPECT_EQ(t.Counts[kInternet].Deleted, 9);
}

// Cancel while the Drive Cleaner searches: the search stops, and neither its
// delete nor any later cleaner runs. The same by Cancel() during a delete.
TEST_F(RunTest, CancelEndsTheWholeRun) {
  fakes.specs[kDrive].duringSearch = [] { AbortFlag = 1; };
  OneClickTotals t = run.Run({true, true, true});
  EXPECT_TRUE(t.Cancelled);
  EXPECT_EQ(fakes.journal, (Journal{"DC made", "DC search", "DC freed"}));
  EXPECT_EQ(t.Counts[kDrive].Deleted, 0);

  // A cancel that comes while the engine has just cleared AbortFlag for its
  // own step still ends the run after that step.
  fakes.journal.clear();
  fakes.specs[kDrive].duringSearch = nullptr;
  fakes.specs[kDrive].deletes = {2, 10, 0};
  fakes.specs[kDrive].duringDelete = [this] { run.Cancel(); };
  t = run.Run({true, true, true});
  EXPECT_TRUE(t.Cancelled);
  EXPECT_EQ(fakes.journal, (Journal{"DC made", "DC search", "DC delete", "DC counters", "DC freed"}));
  EXPECT_EQ(t.Counts[kDrive].Deleted, 2) << "what was done is reported";

  // The next run starts afresh.
  fakes.journal.clear();
  fakes.specs[kDrive].duringDelete = nullptr;
  t = run.Run({false, true, false});
  EXPECT_FALSE(t.Cancelled);
  EXPECT_EQ(fakes.journal.size(), 5u);
}

// A cleaner that cannot start is skipped with one error; the run goes on and
// nothing escapes. A delete that throws keeps its counts and one error more.
TEST_F(RunTest, CleanersThatFailAreCountedAndSkipped) {
  run.Factories[kDrive] = [] { return std::unique_ptr<cleaning::UnattendedCleaner>(); };
  fakes.specs[kRegistry].searchThrows = true;
  fakes.specs[kInternet].deleteThrows = true;
  fakes.specs[kInternet].deletes = {4, 400, 1};
  OneClickTotals t;
  ASSERT_NO_THROW(t = run.Run({true, true, true}));
  EXPECT_EQ(fakes.journal, (Journal{"RC made", "RC search", "RC freed", "IC made", "IC search", "IC delete",
                                    "IC counters", "IC freed"}));
  EXPECT_EQ(t.Counts[kDrive].Errors, 1);
  EXPECT_EQ(t.Counts[kRegistry].Errors, 1);
  EXPECT_EQ(t.Counts[kRegistry].Deleted, 0);
  EXPECT_EQ(t.Counts[kInternet].Deleted, 4);
  EXPECT_EQ(t.Counts[kInternet].Errors, 2);
  EXPECT_FALSE(t.Cancelled);

  run.Factories[kDrive] = []() -> std::unique_ptr<cleaning::UnattendedCleaner> { throw std::runtime_error("no"); };
  ASSERT_NO_THROW(t = run.Run({true, false, false}));
  EXPECT_EQ(t.Counts[kDrive].Errors, 1);
}

// The Registry Cleaner's undo-file dialog under the optimizer: no box, one
// error of the cleaner, and its text on the result page.
TEST_F(RunTest, TheRegistryCleanersUndoFileDialogBecomesANoticeOfTheResult) {
  qz::test::MessageBoxRecorder boxes;
  OneClickRun real;
  std::unique_ptr<cleaning::UnattendedCleaner> made = real.Factories[kRegistry]();  // never run here
  auto* registry = dynamic_cast<rc::RegistryCleaner*>(made.get());
  ASSERT_NE(registry, nullptr);
  fakes.InstallInto(real);
  fakes.specs[kRegistry].deletes = {5, 0, 1};
  fakes.specs[kRegistry].duringDelete = [&] { registry->UndoFileError(rc::kBackupCreateError); };
  const OneClickTotals t = real.Run({true, true, true});
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_EQ(t.Counts[kRegistry].Deleted, 5);
  EXPECT_EQ(t.Counts[kRegistry].Errors, 2);
  EXPECT_EQ(t.Counts[kDrive].Errors, 0);
  ASSERT_EQ(t.Notices, (std::vector<std::string>{rc::kBackupCreateError}));
  EXPECT_EQ(ResultPageText("Result.", t),
            "Result.<br><br>Error creating Backup-File!<br>Disk full,corrupt or write-protected?");
  // The next run starts without them.
  fakes.specs[kRegistry].duringDelete = nullptr;
  EXPECT_TRUE(real.Run({false, true, false}).Notices.empty());
}

// The run drives each cleaner's engine (no window): made here, never run.
TEST(RunEngines, TheRunMakesTheThreeCleanersEngines) {
  qz::test::GlobalsGuard globals;
  OneClickRun run;
  const std::unique_ptr<cleaning::UnattendedCleaner> drive = run.Factories[kDrive]();
  const std::unique_ptr<cleaning::UnattendedCleaner> registry = run.Factories[kRegistry]();
  const std::unique_ptr<cleaning::UnattendedCleaner> internet = run.Factories[kInternet]();
  EXPECT_NE(dynamic_cast<dc::DriveCleaner*>(drive.get()), nullptr);
  EXPECT_NE(dynamic_cast<rc::RegistryCleaner*>(registry.get()), nullptr);
  EXPECT_NE(dynamic_cast<ic::InternetCleaner*>(internet.get()), nullptr);
  for (const auto* c : {drive.get(), registry.get(), internet.get()}) EXPECT_EQ(c->Counters().Deleted, 0);
}

TEST(MirrorTable, EachPhaseShowsItsBarAndItsLines) {
  const CleanerProgress p{40, 10, "one", "two", "three"};
  struct Row {
    int phase;
    bool line1, lines23;
  };
  for (const Row& r : {Row{1, true, true}, Row{2, true, false}, Row{3, true, true}, Row{4, false, false},
                       Row{5, false, false}, Row{6, false, false}}) {
    SCOPED_TRACE(r.phase);
    const CleanerProgress m = MirrorOf(r.phase, p);
    EXPECT_EQ(m.Max, 40);
    EXPECT_EQ(m.Position, 10);
    EXPECT_EQ(m.Line1, r.line1 ? "one" : "");
    EXPECT_EQ(m.Line2, r.lines23 ? "two" : "");
    EXPECT_EQ(m.Line3, r.lines23 ? "three" : "");
  }
  const CleanerProgress idle = MirrorOf(0, p);
  EXPECT_EQ(idle.Max, 0);
  EXPECT_EQ(idle.Line1, "");
}

TEST(ResultText, EveryPlaceholderEveryTimeInOrder) {
  OneClickTotals t;
  t.Counts[kDrive] = {12, 1572864, 1};
  t.Counts[kRegistry] = {34, 0, 2};
  t.Counts[kInternet] = {56, int64_t{15000} << 20, 3};  // 15000 MB: exponent form
  const cleaning::NumberFormat dot{".", ","};
  EXPECT_EQ(ResultText("%1/%2/%3/%4/%5/%6/%7/%8 and again %1 %8%8", t, dot),
            "12/1.50/1/34/2/56/1.5E4/3 and again 12 33");
  // The German default with this run's numbers.
  const std::string german = ResultText(kGermanResultText, t, dot);
  EXPECT_EQ(german.rfind("Es wurden insgesammt 12 Dateien gelöscht welche 1.50 MB belegten. Beim Löschen der "
                         "Dateien kam es zu 1 Fehlern.<br>Es wurden 34 Einträge",
                         0),
            0u)
      << german;
  EXPECT_NE(german.find("<br>Es wurden 56 Internet-Elemente gelöscht welche 1.5E4 MB belegten. Dabei kam es zu 3 "
                        "Fehlern."),
            std::string::npos)
      << german;
  // The locale's decimal separator.
  EXPECT_EQ(ResultText("%2", t, cleaning::NumberFormat{",", "."}), "1,50");
  // Nothing run: zeros.
  EXPECT_EQ(ResultText("%1 %2 %3 %4 %5 %6 %7 %8", OneClickTotals{}, dot), "0 0.00 0 0 0 0 0.00 0");
}

}  // namespace
}  // namespace qz::oco::test
