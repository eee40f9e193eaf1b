// The optimizer's window with fake cleaners: its build, the boxes kept in the
// settings, nothing checked, a run through its pages with the progress
// mirror, Cancel, and a close during the run.
#include <gtest/gtest.h>

#include <memory>

#include "cleaning/frame/wizard_states.h"
#include "cleaning/oco/fake_cleaner.h"
#include "cleaning/oco/oco_form.h"
#include "core/registry.h"
#include "skin/skin_test_util.h"
#include "support/globals_guard.h"
#include "support/sandbox.h"
#include "ui/application.h"
#include "ui/graphics.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"
#include "ui/timer.h"

namespace qz::oco::test {
namespace {

using cleaning::WizardState;
using cleaning::test::ExpectState;
using cleaning::test::StateRow;

const StateRow kStart{WizardState::Start, 0, false, true, true, false};
const StateRow kWorking{WizardState::Searching, 1, false, false, false, true};
const StateRow kResult{WizardState::LastPage, 2, true, false, true, false};

class OcoFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ProductRegKey = key.key();
    SkinDir = qz::test::InstalledSkinDir();
    TranslationFile.clear();
    TranslationList.clear();
    AbortFlag = 0;
    OcoRunning = 0;
  }
  // Made as the main window makes it: created, then OcoRunning for its life.
  std::unique_ptr<TForm_OCO> Make() {
    auto w = std::make_unique<TForm_OCO>(nullptr);
    w->DoCreate();
    OcoRunning = 1;
    fakes.InstallInto(w->Run);
    return w;
  }
  std::string Stored(const char* value) { return RegGetString(HKEY_LOCAL_MACHINE, OptionsKey("OCO"), value); }

  qz::test::GlobalsGuard globals;
  qz::test::ScratchKey key{"oco_form", HKEY_LOCAL_MACHINE};
  qz::test::MessageBoxRecorder boxes;
  FakeCleaners fakes;
};

TEST_F(OcoFormTest, BuildsItsPagesWithTheSkinsIconsAndStartsOnTheStartPage) {
  auto w = Make();
  EXPECT_EQ(w->Caption(), ProductTitle);
  EXPECT_EQ(w->JvPageControl1->PageCount(), 3);
  ExpectState(*w, kStart);
  ASSERT_TRUE(w->ProgressTimer);
  EXPECT_EQ(w->ProgressTimer->Name, "JvThreadTimer_OCO");
  EXPECT_EQ(w->ProgressTimer->Interval(), 500u);
  EXPECT_FALSE(w->ProgressTimer->Enabled());
  EXPECT_EQ(w->Button_Cancel->Left(), w->Button_Close->Left());
  for (ui::Image* i : {w->Image_DC, w->Image_RC, w->Image_IC, w->Image_HeaderIcon}) EXPECT_FALSE(i->Picture().Empty());
  for (ui::CheckBox* b : {w->CheckBox_DC, w->CheckBox_RC, w->CheckBox_IC}) EXPECT_TRUE(b->Checked());
  EXPECT_EQ(w->CheckBox_RC->Caption(), "Registry Cleaner");
  EXPECT_EQ(w->Label_Status1->Caption(), "Laufwerk:");
}

// The boxes are stored when the window closes and read at the next opening;
// only the values 0 and 1 change a box.
TEST_F(OcoFormTest, TheBoxesAreKeptBetweenOpenings) {
  {
    auto w = Make();
    w->CheckBox_RC->SetChecked(false);
    w->Show();
    w->Close();
  }
  EXPECT_EQ(Stored("DC"), "1");
  EXPECT_EQ(Stored("RC"), "0");
  EXPECT_EQ(Stored("IC"), "1");
  EXPECT_EQ(RegGetValueType(HKEY_LOCAL_MACHINE, OptionsKey("OCO"), "RC"), kRegInteger);

  RegSetIntegerChecked(HKEY_LOCAL_MACHINE, OptionsKey("OCO"), "DC", 2);
  RegSetStringChecked(HKEY_LOCAL_MACHINE, OptionsKey("OCO"), "IC", "0");
  OcoRunning = 0;
  auto w = Make();
  EXPECT_TRUE(w->CheckBox_DC->Checked()) << "2 leaves the box as designed";
  EXPECT_FALSE(w->CheckBox_RC->Checked());
  EXPECT_FALSE(w->CheckBox_IC->Checked()) << "not a number: as designed";
}

TEST_F(OcoFormTest, NothingCheckedSaysSoAndStaysOnTheStartPage) {
  auto w = Make();
  for (ui::CheckBox* b : {w->CheckBox_DC, w->CheckBox_RC, w->CheckBox_IC}) b->SetChecked(false);
  w->Button_Weiter->Click();
  ASSERT_EQ(boxes.boxes.size(), 1u) << "shown although OcoRunning is set";
  EXPECT_EQ(boxes.boxes[0].text, "Sie müssen mindestens einen Programmteil auswählen der verwendet werden soll.");
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Information);
  EXPECT_EQ(boxes.boxes[0].owner, w->Handle());
  EXPECT_TRUE(fakes.journal.empty());
  ExpectState(*w, kStart);
}

// A run: the Work page while the cleaners work, the bar and the lines
// mirrored from the running cleaner at each timer event, then the result
// page with this run's numbers; Back leads to the start page again.
TEST_F(OcoFormTest, ARunShowsTheWorkPageTheMirrorAndTheResult) {
  auto w = Make();
  fakes.specs[kDrive].searching = {200, 50, "C:\\", "C:\\Temp\\", "a.tmp"};
  fakes.specs[kDrive].deleting = {3, 2, "C:\\Temp\\a.tmp", "x", "y"};
  fakes.specs[kDrive].deletes = {3, 1572864, 0};
  fakes.specs[kInternet].deletes = {4, 2097152, 1};
  std::vector<std::string> seen;
  auto look = [&] {
    ExpectState(*w, kWorking);
    EXPECT_TRUE(w->ProgressTimer->Enabled());
    w->ProgressTimer->OnTimer();  // the event as the timer runs it
    seen.push_back(std::to_string(w->Phase()) + ": " + std::to_string(w->ProgressBar_OCO->Max()) + " " +
                   std::to_string(w->ProgressBar_OCO->Position()) + " [" + w->Label_Status1->Caption() + "|" +
                   w->Label_Status2->Caption() + "|" + w->Label_Status3->Caption() + "]");
  };
  fakes.specs[kDrive].duringSearch = look;
  fakes.specs[kDrive].duringDelete = look;
  w->CheckBox_RC->SetChecked(false);

  w->Button_Weiter->Click();
  EXPECT_EQ(seen, (std::vector<std::string>{"1: 200 50 [C:\\|C:\\Temp\\|a.tmp]", "2: 3 2 [C:\\Temp\\a.tmp||]"}));
  ExpectState(*w, kResult);
  EXPECT_FALSE(w->ProgressTimer->Enabled());
  EXPECT_TRUE(boxes.boxes.empty());
  const std::string& text = w->JvLinkLabel_Result->Caption();
  EXPECT_NE(text.find("insgesammt 3 Dateien gelöscht welche 1.50 MB"), std::string::npos) << text;
  EXPECT_NE(text.find("Es wurden 0 Einträge in der Registrierdatenbank gelöscht. Dabei kam es zu 0 Fehlern"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("Es wurden 4 Internet-Elemente gelöscht welche 2.00 MB belegten. Dabei kam es zu 1 Fehlern"),
            std::string::npos)
      << text;

  w->Button_Weiter->Click();  // nothing on the result page
  EXPECT_EQ(fakes.journal.size(), 10u);
  w->Button_Zurueck->Click();
  ExpectState(*w, kStart);
  EXPECT_EQ(w->Label_Status1->Caption(), "C:\\Temp\\a.tmp") << "kept until the next run starts";
}

// Cancel during the Drive Cleaner's search: no delete of any cleaner, the
// result page shows what was done (nothing).
TEST_F(OcoFormTest, CancelDuringTheFirstSearchEndsTheRunOnTheResultPage) {
  auto w = Make();
  fakes.specs[kDrive].duringSearch = [&] {
    ASSERT_TRUE(w->Button_Cancel->Visible());
    w->Button_Cancel->Click();
    EXPECT_EQ(AbortFlag, 1);
  };
  w->Button_Weiter->Click();
  EXPECT_EQ(fakes.journal, (Journal{"DC made", "DC search", "DC freed"}));
  ExpectState(*w, kResult);
  EXPECT_TRUE(w->LastTotals().Cancelled);
  EXPECT_NE(w->JvLinkLabel_Result->Caption().find("insgesammt 0 Dateien"), std::string::npos);
}

// A close during the run (title bar, Alt+F4) asks the run to stop; the window
// goes once the run has returned, and nothing after the step in hand runs.
TEST_F(OcoFormTest, ACloseDuringTheRunStopsItAndClosesAfterwards) {
  auto w = Make();
  w->Show();
  fakes.specs[kRegistry].duringSearch = [&] {
    w->Close();
    EXPECT_TRUE(w->Visible()) << "not under the running step";
  };
  w->Button_Weiter->Click();
  EXPECT_EQ(fakes.journal, (Journal{"DC made", "DC search", "DC delete", "DC counters", "DC freed", "RC made",
                                    "RC search", "RC freed"}));
  EXPECT_FALSE(w->Visible());
  EXPECT_EQ(Stored("DC"), "1") << "closed the ordinary way: the boxes were stored";
}

}  // namespace
}  // namespace qz::oco::test
