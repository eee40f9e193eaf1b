// The fixed drives a cleaner may search, and the stored choice of them.
#include <gtest/gtest.h>

#include "cleaning/frame/fixed_drives.h"
#include "core/registry.h"
#include "support/sandbox.h"

using namespace qz;
using namespace qz::cleaning;

namespace {

TEST(FixedDrives, ChoiceNeedsTheExactValueNameAndRoundTrips) {
  test::ScratchKey k("fixed_drives");
  // Other settings of a module begin with L, M, P, T and W; they must not
  // count as drives.
  RegSetIntegerChecked(k.root(), k.key(), "LNK", 1);
  RegSetIntegerChecked(k.root(), k.key(), "Minidump", 0);
  RegSetIntegerChecked(k.root(), k.key(), "PIF", 0);
  RegSetIntegerChecked(k.root(), k.key(), "TMPDir_ALL", 0);
  RegSetIntegerChecked(k.root(), k.key(), "WriteProtected", 0);
  RegSetStringChecked(k.root(), k.key(), "D", "0");
  RegSetStringChecked(k.root(), k.key(), "E", "1");
  RegSetStringChecked(k.root(), k.key(), "Z", "yes");  // only "1" checks
  std::vector<DriveRow> rows = {{"C", "C:\\", true},  {"D", "D:\\", true},  {"E", "E:\\", false},
                                {"L", "L:\\", true},  {"M", "M:\\", false}, {"P", "P:\\", true},
                                {"T", "T:\\", true},  {"W", "W:\\", false}, {"Z", "Z:\\", true}};
  ApplyDriveChoice(k.root(), k.key(), rows);
  EXPECT_EQ(CheckedDriveLetters(rows), "CELPT");

  rows[0].Checked = false;
  ASSERT_TRUE(SaveDriveChoice(k.root(), k.key(), rows));
  EXPECT_EQ(RegGetString(k.root(), k.key(), "C"), "0");
  std::vector<DriveRow> again = rows;
  for (DriveRow& r : again) r.Checked = true;
  ApplyDriveChoice(k.root(), k.key(), again);
  EXPECT_EQ(CheckedDriveLetters(again), CheckedDriveLetters(rows));
}

TEST(FixedDrives, OnlyHardDisksCheckedByDefault) {
  std::vector<DriveRow> rows = ListFixedDrives();
  std::string letters;
  for (const DriveRow& r : rows) letters += r.RootPath.substr(0, 1);
  // Test mode: C: and D: are hard disks, E: a CD drive, F: a network drive.
  EXPECT_EQ(letters, "CD");
  for (const DriveRow& r : rows) {
    EXPECT_TRUE(r.Checked) << r.RootPath;
    EXPECT_FALSE(r.Caption.empty());
  }
}

}  // namespace
