// The Windows tools window: the command each button hands the shell for
// each family, System Restore by edition, the failure box for a result of 32
// or less (31 included, which Wine gives for a file without association),
// and real starts of a program that exists (the fake tool, which leaves a
// marker) and of one that does not.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/disk.h"
#include "core/globals.h"
#include "core/strings.h"
#include "core/text.h"
#include "support/globals_guard.h"
#include "support/module_window_test.h"
#include "support/sandbox.h"
#include "tuning/wintools/win_progis.h"
#include "ui/stdctrls.h"

namespace qz::win::test {
namespace {

TOS Os(uint32_t platform, uint32_t major, uint32_t minor, uint32_t build = 0) {
  VersionData v;
  v.platformId = platform;
  v.major = major;
  v.minor = minor;
  v.build = build;
  return ComputeOSInfo(v);
}
const TOS kXP = Os(2, 5, 1), kWin2000 = Os(2, 5, 0), kWin2003 = Os(2, 5, 2), kNewNT = Os(2, 6, 1),
          kME = Os(1, 4, 90, 3000), kWin98 = Os(1, 4, 10, 1998);

struct Call {
  std::string verb, file;
  int show;
};

class WinTools : public ::testing::Test {
 protected:
  WinTools() : savedIsNT(IsNT) {
    qz::test::ResetWindowGlobals();
  }
  ~WinTools() override { IsNT = savedIsNT; }
  std::unique_ptr<TForm_WinProgis> MakeWindow(const TOS& os, INT_PTR result = 42) {
    auto w = std::make_unique<TForm_WinProgis>(nullptr, os);
    w->DoCreate();
    w->Launch = [this, result](HWND, const std::string& verb, const std::string& file, int show) {
      calls.push_back({verb, file, show});
      return result;
    };
    return w;
  }

  qz::test::GlobalsGuard globals;
  qz::test::MessageBoxRecorder boxes;
  uint8_t savedIsNT;
  std::vector<Call> calls;
};

TEST_F(WinTools, CommandsByFamily) {
  const std::string root = ExpandEnvVars("%SystemRoot%");
  ASSERT_FALSE(root.empty());
  const struct {
    TOS os;
    uint8_t isNT;
    const char* scandisk;
    const char* defrag;
    std::string recovery;
  } rows[] = {
      {kXP, 1, "chkdsk.exe", "dfrg.msc", root + "\\System32\\restore\\rstrui.exe"},
      {kME, 0, "scandisk.exe", "defrag.exe", root + "\\System\\restore\\rstrui.exe"},
      // Buttons 1 and 2 follow the version record, button 3 the IsNT flag.
      {kWin98, 1, "scandisk.exe", "defrag.exe", root + "\\System32\\restore\\rstrui.exe"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.os.Description);
    IsNT = r.isNT;
    calls.clear();
    auto w = MakeWindow(r.os);
    w->Button_Scandisk->Click();
    w->Button_Defrag->Click();
    w->RunTool(2);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].file, r.scandisk);
    EXPECT_EQ(calls[1].file, r.defrag);
    EXPECT_EQ(calls[2].file, r.recovery);
    for (const Call& c : calls) {
      EXPECT_EQ(c.verb, "open");
      EXPECT_EQ(c.show, SW_SHOWNORMAL);
    }
    EXPECT_TRUE(boxes.boxes.empty());
  }
}

TEST_F(WinTools, SystemRestoreOnlyOnXpAndMe) {
  const struct {
    TOS os;
    bool offered;
  } rows[] = {{kXP, true}, {kME, true}, {kWin2000, false}, {kWin2003, false}, {kNewNT, false}, {kWin98, false}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.os.Description);
    EXPECT_EQ(MakeWindow(r.os)->Button_Recovery->Enabled(), r.offered);
  }
  auto w = MakeWindow(kNewNT);
  EXPECT_FALSE(w->Button_Weiter->Visible());
  EXPECT_FALSE(w->Button_Zurueck->Visible());
}

TEST_F(WinTools, ResultsOf32OrLessFail) {
  for (INT_PTR result : {0, 2, 31, 32, 33}) {
    SCOPED_TRACE(result);
    boxes.boxes.clear();
    auto w = MakeWindow(kXP, result);
    EXPECT_EQ(w->RunTool(0), result > 32);
    if (result > 32) {
      EXPECT_TRUE(boxes.boxes.empty());
    } else {
      ASSERT_EQ(boxes.boxes.size(), 1u);
      EXPECT_EQ(boxes.boxes[0].text, "Error running command!");
      EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Error);
    }
  }
}

// Through the shell for real: the fake tool (C:\qztests\fake_tool) runs
// and leaves its marker; a missing program gives the box.
TEST_F(WinTools, RealStarts) {
  const std::string tool = "C:\\qztests\\fake_tool\\fake_tool.exe";
  ASSERT_TRUE(FileExists(tool)) << tool << " is missing (tests/tuning/wintools/fixtures.sh copies it)";
  qz::test::ScratchDir dir("win-tools");
  const std::string copy = dir / "qz_fake_chkdsk.exe";
  ASSERT_TRUE(CopyFileW(Widen(tool).c_str(), Widen(copy).c_str(), FALSE));
  SetEnvironmentVariableW(L"QZ_MARKER_DIR", Widen(ExcludeTrailingBackslash(dir.path())).c_str());
  SetEnvironmentVariableW(L"QZ_FAKE_ROOT", Widen(ExcludeTrailingBackslash(dir.path())).c_str());

  auto w = std::make_unique<TForm_WinProgis>(nullptr, kXP);
  w->DoCreate();
  const std::string marker = dir / "qz_fake_chkdsk.marker";
  // The command's variables are expanded before the shell sees it.
  EXPECT_TRUE(ShellOpen(nullptr, "open", ExpandEnvVars("%QZ_FAKE_ROOT%\\qz_fake_chkdsk.exe"), SW_SHOWNORMAL) > 32);
  for (int i = 0; i < 500 && !FileExists(marker); ++i) Sleep(20);
  EXPECT_TRUE(FileExists(marker));

  // A file the shell has no program for counts as not started (Wine gives 31).
  EXPECT_LE(ShellOpen(nullptr, "open", dir.Write("notes.qzunknown"), SW_SHOWNORMAL), 32);

  // chkdsk.exe and dfrg.msc do not exist here.
  EXPECT_FALSE(w->RunTool(0));
  EXPECT_FALSE(w->RunTool(1));
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[1].text, "Error running command!");
  SetEnvironmentVariableW(L"QZ_MARKER_DIR", nullptr);
  SetEnvironmentVariableW(L"QZ_FAKE_ROOT", nullptr);
}

}  // namespace
}  // namespace qz::win::test
