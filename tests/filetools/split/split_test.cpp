// The splitter and joiner: names and sizes, earlier parts, failures that
// must leave no set and no damaged target, and round trips.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "core/globals.h"
#include "core/translation.h"
#include "filetools/common/faulty_fs.h"
#include "filetools/split/split_engine.h"
#include "support/globals_guard.h"
#include "support/sandbox.h"

namespace qz::fsj {
namespace {

using ft::test::Exists;
using ft::test::FaultyFileSystem;
using ft::test::Listing;
using ft::test::Pattern;
using ft::test::ReadBytes;
using ft::test::WriteBytes;
using Names = std::vector<std::string>;

// Recycled files are checked on the host (fixtures.sh): they must be in the
// sandbox's trash.
void ExpectInTrash(const std::string& windowsPath) {
  std::ofstream out("C:\\qztests\\expect-trash-split.txt", std::ios::app | std::ios::binary);
  out << windowsPath << "\n";
}

TEST(SplitNames, NumbersSizesAndPresets) {
  EXPECT_EQ(SplitPartName("D:\\x\\film.avi", 0), "D:\\x\\film.avi.part00000");
  EXPECT_EQ(SplitPartName("D:\\x\\film.avi", 10), "D:\\x\\film.avi.part0000A");
  EXPECT_EQ(SplitPartName("f", 0xFFFFF), "f.partFFFFF");
  EXPECT_EQ(PresetPartSize(SplitPreset::Disk), 1433600);
  EXPECT_EQ(PresetPartSize(SplitPreset::Size10), 10485760);
  EXPECT_EQ(PresetPartSize(SplitPreset::Size100), 104857600);
  EXPECT_EQ(PresetPartSize(SplitPreset::Size650), 680525824);
  EXPECT_EQ(PresetPartSize(SplitPreset::Size700), 732954624);
  EXPECT_EQ(PresetPartSize(SplitPreset::User, 1), 1048576);
  EXPECT_EQ(UserPartSize(2.4), 2 * 1048576);
  EXPECT_EQ(UserPartSize(0), 1048576);
  EXPECT_EQ(UserPartSize(9999999), 9999999LL * 1048576);
  EXPECT_EQ(UserPartSize(5e12), 9999999LL * 1048576);
  EXPECT_EQ(SplitProgressMax(2 * 1000 + 3, 1000), 3);
}

class SplitTest : public ::testing::Test {
 protected:
  test::GlobalsGuard globals;
  test::ScratchDir dir{"fsj_split"};
  std::string source = dir / "film.avi";
  SplitJoinEngine engine;

  void SetUp() override {
    AbortFlag = 0;
    TranslationList.clear();
  }
  std::string Part(uint32_t k) const { return SplitPartName(source, k); }
};

TEST_F(SplitTest, CheckedBeforeAnythingIsTouched) {
  EXPECT_EQ(engine.Split("", 10).Status, SplitStatus::NoFile);
  EXPECT_EQ(engine.Split("film.avi", 10).Status, SplitStatus::NoFile);
  EXPECT_EQ(engine.Split(source, 10).Status, SplitStatus::FileMissing);
  WriteBytes(source, "");
  EXPECT_EQ(engine.Split(source, 10).Status, SplitStatus::FileZero);
  WriteBytes(source, Pattern(1000));
  EXPECT_EQ(engine.Split(source, 1000).Status, SplitStatus::FileTooSmall);
  HANDLE h = CreateFileW(Widen(source).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(engine.Split(source, 10).Status, SplitStatus::FileError);
  CloseHandle(h);
  EXPECT_EQ(Listing(dir.path()), Names{"film.avi"});
}

TEST_F(SplitTest, PartsAndProgress) {
  WriteBytes(source, Pattern(1001));
  ASSERT_EQ(engine.Split(" " + source + "\t", 1000).Status, SplitStatus::Success);
  EXPECT_EQ(ReadBytes(Part(0)), Pattern(1001).substr(0, 1000));
  EXPECT_EQ(ReadBytes(Part(1)), Pattern(1001).substr(1000));

  WriteBytes(source, Pattern(2003));
  int64_t maximum = 0;
  std::vector<int64_t> positions;
  ASSERT_EQ(engine.Split(source, 1000, {[&](int64_t m) { maximum = m; }, [&](int64_t p) { positions.push_back(p); }})
                .Status,
            SplitStatus::Success);
  EXPECT_EQ(maximum, 3);
  EXPECT_EQ(positions, (std::vector<int64_t>{0, 1, 2}));
  EXPECT_EQ(Listing(dir.path()), (Names{"film.avi", "film.avi.part00000", "film.avi.part00001", "film.avi.part00002"}));
  EXPECT_EQ(ReadBytes(Part(2)), Pattern(2003).substr(2000));
  EXPECT_EQ(ReadBytes(source), Pattern(2003));
}

TEST_F(SplitTest, MoreThanFiveHexDigitsOfPartsIsRefused) {
  WriteBytes(source, Pattern(0x100001));
  SplitOutcome o = engine.Split(source, 1);
  EXPECT_EQ(o.Status, SplitStatus::NewFileError);
  EXPECT_EQ(o.Part, source + ".part100000");
  EXPECT_EQ(Listing(dir.path()), Names{"film.avi"});
}

TEST_F(SplitTest, EveryEarlierPartGoesToTheRecycleBin) {
  Names old;
  for (uint32_t k : {0u, 1u, 2u, 3u, 4u, 7u}) old.push_back(Part(k));
  old.push_back(source + ".part0000a");
  for (const std::string& p : old) WriteBytes(p, "old part " + p);
  WriteBytes(source + ".part0007", "not a part: four digits");
  WriteBytes(source + ".partXYZ12", "not a part: not hex");
  WriteBytes(source, Pattern(2500));
  ASSERT_EQ(engine.Split(source, 1000).Status, SplitStatus::Success);
  for (const std::string& p : old) ExpectInTrash(p);
  EXPECT_EQ(Listing(dir.path()), (Names{"film.avi", "film.avi.part00000", "film.avi.part00001", "film.avi.part00002",
                                        "film.avi.part0007", "film.avi.partXYZ12"}));
  DeleteFileW(Widen(source).c_str());
  ASSERT_EQ(engine.Join(source).Status, JoinStatus::Success);
  EXPECT_EQ(ReadBytes(source), Pattern(2500));
}

TEST_F(SplitTest, AnEarlierPartThatCannotGoStopsTheSplit) {
  WriteBytes(Part(0), "old 0");
  WriteBytes(Part(1), "old 1");
  WriteBytes(source, Pattern(2500));
  HANDLE h = CreateFileW(Widen(Part(1)).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  SplitOutcome o = engine.Split(source, 1000);
  CloseHandle(h);
  EXPECT_EQ(o.Status, SplitStatus::NewFileError);
  EXPECT_EQ(o.Part, Part(1));
  ExpectInTrash(Part(0));
  EXPECT_EQ(Listing(dir.path()), (Names{"film.avi", "film.avi.part00001"}));
  EXPECT_EQ(ReadBytes(Part(1)), "old 1");
  EXPECT_NE(SplitMessage(o).Text.find(Part(1)), std::string::npos);
}

TEST_F(SplitTest, AFailedOrStoppedSplitLeavesNoParts) {
  WriteBytes(source, Pattern(5000));
  {
    FaultyFileSystem fs;
    fs.shortWrite = ".part00002";
    fs.writeLimit = 10;
    SplitJoinEngine e(fs);
    SplitOutcome o = e.Split(source, 1000);
    EXPECT_EQ(o.Status, SplitStatus::NewFileError);
    EXPECT_EQ(o.Part, Part(2));
    EXPECT_EQ(Listing(dir.path()), Names{"film.avi"});
  }
  {
    FaultyFileSystem fs;
    fs.readError = "film.avi";
    fs.readLimit = 3500;
    SplitJoinEngine e(fs);
    SplitOutcome o = e.Split(source, 1000);
    EXPECT_EQ(o.Status, SplitStatus::NewFileError);
    EXPECT_EQ(o.Part, Part(3));
    EXPECT_EQ(Listing(dir.path()), Names{"film.avi"});
  }
  SplitOutcome o = engine.Split(source, 1000, {{}, [](int64_t k) {
                                                 if (k == 3) AbortFlag = 1;
                                               }});
  EXPECT_EQ(o.Status, SplitStatus::Stopped);
  EXPECT_TRUE(SplitMessage(o).Text.empty());
  EXPECT_EQ(Listing(dir.path()), Names{"film.avi"});
  EXPECT_EQ(ReadBytes(source), Pattern(5000));
}

TEST_F(SplitTest, RoundTripsForEveryPresetScaledDown) {
  for (SplitPreset preset : {SplitPreset::Disk, SplitPreset::Size10, SplitPreset::Size100, SplitPreset::Size650,
                             SplitPreset::Size700, SplitPreset::User}) {
    const int64_t partSize = PresetPartSize(preset, 3) / 1024;
    const std::string data = Pattern(static_cast<size_t>(partSize * 5 / 2 + 7));
    WriteBytes(source, data);
    ASSERT_EQ(engine.Split(source, partSize).Status, SplitStatus::Success);
    for (uint32_t chosen = 0; chosen < 3; ++chosen) {
      PartSetInfo info = ScanPartSet(Part(chosen));
      EXPECT_TRUE(info.IsPart);
      EXPECT_EQ(info.Base, source);
      EXPECT_EQ(info.Count, 3u);
      EXPECT_EQ(info.Total, static_cast<int64_t>(data.size()));
    }
    // Joined over the source (an existing target, replaced).
    WriteBytes(source, "something else");
    ASSERT_EQ(engine.Join(source).Status, JoinStatus::Success);
    EXPECT_TRUE(ReadBytes(source) == data);
    for (uint32_t k = 0; k < 3; ++k) DeleteFileW(Widen(Part(k)).c_str());
  }
  EXPECT_EQ(Listing(dir.path()), Names{"film.avi"});
}

// ---- join --------------------------------------------------------------------

class JoinTest : public SplitTest {
 protected:
  void SetUp() override {
    SplitTest::SetUp();
    WriteBytes(source, Pattern(4500));
    ASSERT_EQ(engine.Split(source, 1000).Status, SplitStatus::Success);
    ASSERT_TRUE(WriteBytes(source, kept));
  }
  // The join fails, names the part, and leaves the target and the folder.
  void ExpectRefused(JoinStatus status, const std::string& part, SplitJoinEngine& e) {
    Names before = Listing(dir.path());
    JoinOutcome o = e.Join(source);
    EXPECT_EQ(o.Status, status);
    EXPECT_EQ(o.Part, part);
    EXPECT_EQ(ReadBytes(source), kept);
    EXPECT_EQ(Listing(dir.path()), before);
  }
  void ExpectRefused(JoinStatus status, const std::string& part) { ExpectRefused(status, part, engine); }
  const std::string kept = "the target as it was";
};

TEST_F(JoinTest, InfoForAnyPart) {
  PartSetInfo info = ScanPartSet(Part(3));
  EXPECT_EQ(info.Count, 5u);
  EXPECT_EQ(info.Total, 4500);
  EXPECT_EQ(JoinInfoText(info),
            "<b>Informationen zur Orginaldatei:</b><br>Dateiname: film.avi<br>Geteilt in 5 Dateien<br>"
            "Orginalgrösse: 4500");
  EXPECT_EQ(JoinInfoText(ScanPartSet(source)), "<b>Ausgewählte Datei ist keine zuvor geteilte Datei!</b>");
  WriteBytes(dir / "x.part1", "short suffix");
  EXPECT_FALSE(ScanPartSet(dir / "x.part1").IsPart);
  EXPECT_EQ(JoinInfoText(ScanPartSet(dir / "none.part00000")), "");
  DeleteFileW(Widen(Part(0)).c_str());
  info = ScanPartSet(Part(3));
  EXPECT_EQ(info.Count, 0u);
  EXPECT_EQ(info.Total, 0);
}

TEST_F(JoinTest, IncompleteOrMixedSetsAreRefused) {
  // A gap with a part beyond it names the first missing part.
  std::string p2 = ReadBytes(Part(2));
  DeleteFileW(Widen(Part(2)).c_str());
  ExpectRefused(JoinStatus::SetIncomplete, Part(2));
  EXPECT_NE(JoinMessage({JoinStatus::SetIncomplete, Part(2)}).Text.find("film.avi.part00002"), std::string::npos);
  WriteBytes(Part(2), p2);

  std::string p0 = ReadBytes(Part(0));
  DeleteFileW(Widen(Part(0)).c_str());
  ExpectRefused(JoinStatus::SetIncomplete, Part(0));
  WriteBytes(Part(0), p0);

  std::string p1 = ReadBytes(Part(1));
  WriteBytes(Part(1), p1.substr(0, 999));
  ExpectRefused(JoinStatus::SetIncomplete, Part(1));
  WriteBytes(Part(1), p1);

  std::string p4 = ReadBytes(Part(4));
  WriteBytes(Part(4), std::string(1001, 'x'));
  ExpectRefused(JoinStatus::SetIncomplete, Part(4));
  WriteBytes(Part(4), "");
  ExpectRefused(JoinStatus::SetIncomplete, Part(4));
  WriteBytes(Part(4), p4);

  EXPECT_EQ(engine.Join("").Status, JoinStatus::NoFile);
  ASSERT_EQ(engine.Join(source).Status, JoinStatus::Success);
  EXPECT_EQ(ReadBytes(source), Pattern(4500));
}

TEST_F(JoinTest, FailuresLeaveTheTargetByteIdentical) {
  {
    FaultyFileSystem fs;
    fs.readError = ".part00003";
    fs.readLimit = 500;
    SplitJoinEngine e(fs);
    ExpectRefused(JoinStatus::PartError, Part(3), e);
    EXPECT_NE(JoinMessage({JoinStatus::PartError, Part(3)}).Text.find(Part(3)), std::string::npos);
  }
  for (auto fault : {+[](FaultyFileSystem& fs) { fs.shortWrite = "~qz"; fs.writeLimit = 2500; },
                     +[](FaultyFileSystem& fs) { fs.flushError = "~qz"; },
                     +[](FaultyFileSystem& fs) { fs.renameError = "~qz"; }}) {
    FaultyFileSystem fs;
    fault(fs);
    SplitJoinEngine e(fs);
    ExpectRefused(JoinStatus::FileError, "", e);
  }
  // A part that vanishes after the check: nothing joined.
  FaultyFileSystem fs;
  fs.afterRead = [&](const std::string& path, uint8_t*, DWORD) {
    if (IContains(path, ".part00001")) DeleteFileW(Widen(Part(3)).c_str());
  };
  SplitJoinEngine e(fs);
  JoinOutcome vanished = e.Join(source);
  EXPECT_EQ(vanished.Status, JoinStatus::PartError);
  EXPECT_EQ(vanished.Part, Part(3));
  EXPECT_EQ(ReadBytes(source), kept);
  EXPECT_EQ(Listing(dir.path()), (Names{"film.avi", "film.avi.part00000", "film.avi.part00001", "film.avi.part00002",
                                        "film.avi.part00004"}));
  // Stopped: nothing shown, nothing changed.
  std::string p3 = Pattern(4500).substr(3000, 1000);
  WriteBytes(Part(3), p3);
  JoinOutcome o = engine.Join(source, {{}, [](int64_t k) {
                                         if (k == 2) AbortFlag = 1;
                                       }});
  EXPECT_EQ(o.Status, JoinStatus::Stopped);
  EXPECT_TRUE(JoinMessage(o).Text.empty());
  EXPECT_EQ(ReadBytes(source), kept);
}

TEST_F(JoinTest, ANewTargetAndProgress) {
  DeleteFileW(Widen(source).c_str());
  int64_t maximum = 0;
  std::vector<int64_t> positions;
  ASSERT_EQ(engine.Join(source, {[&](int64_t m) { maximum = m; }, [&](int64_t p) { positions.push_back(p); }}).Status,
            JoinStatus::Success);
  EXPECT_EQ(maximum, 5);
  EXPECT_EQ(positions, (std::vector<int64_t>{0, 1, 2, 3, 4}));
  EXPECT_EQ(ReadBytes(source), Pattern(4500));
  EXPECT_EQ(Listing(dir.path()).size(), 6u);
}

}  // namespace
}  // namespace qz::fsj
