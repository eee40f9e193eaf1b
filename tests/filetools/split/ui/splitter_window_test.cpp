// The File Splitter & Joiner window: its pages, the buttons while a run
// works, the join page's information, the question before a target is
// replaced, and a close during a run.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "filetools/common/faulty_fs.h"
#include "filetools/common/window_fixture.h"
#include "filetools/split/fsj_form.h"
#include "ui/graphics.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"

namespace qz::fsj {
namespace {

using ft::test::Listing;
using ft::test::Pattern;
using ft::test::ReadBytes;
using ft::test::WriteBytes;
using Names = std::vector<std::string>;

class SplitterWindowTest : public ft::test::WindowTest {
 protected:
  SplitterWindowTest() : WindowTest("fsj-ui") {}
  std::unique_ptr<TForm_Splitter> MakeWindow() {
    return std::unique_ptr<TForm_Splitter>(static_cast<TForm_Splitter*>(CreateSplitterWindow(nullptr)));
  }
  // Split page with the source and a part size of 1 MB.
  void ToSplitPage(TForm_Splitter& w) {
    w.Button_Weiter->Click();
    w.JvFilenameEdit_SPLIT->SetFileName(source);
    w.RadioButton_SplitUSER->SetChecked(true);
    w.JvSpinEdit_SplitMB->SetValue(1);
  }
  bool ButtonsEnabled(TForm_Splitter& w) {
    return w.Button_Zurueck->Enabled() && w.Button_Weiter->Enabled() && w.Button_Close->Enabled();
  }

  qz::test::ScratchDir dir{"fsj_ui"};
  std::string source = dir / "data.bin";
  std::string data = Pattern(3 * 1048576 + 5);
};

TEST_F(SplitterWindowTest, PagesAndPartSizes) {
  auto w = MakeWindow();
  EXPECT_EQ(w->JvPageControl1->PageCount(), 5);
  EXPECT_EQ(w->Button_Cancel, nullptr);
  EXPECT_EQ(w->PartSize(), 1433600);
  w->Button_Weiter->Click();
  EXPECT_EQ(w->PageIndex(), 1);
  EXPECT_TRUE(w->Button_Zurueck->Enabled());
  w->RadioButton_Split700->SetChecked(true);
  EXPECT_EQ(w->PartSize(), 699LL * 1048576);
  w->RadioButton_SplitUSER->SetChecked(true);
  w->JvSpinEdit_SplitMB->SetValue(12);
  EXPECT_EQ(w->PartSize(), 12LL * 1048576);
  w->Button_Zurueck->Click();
  EXPECT_EQ(w->PageIndex(), 0);
  EXPECT_FALSE(w->Button_Zurueck->Enabled());
  w->RadioButton_Join->SetChecked(true);
  w->Button_Weiter->Click();
  EXPECT_EQ(w->PageIndex(), 3);
}

TEST_F(SplitterWindowTest, SplitThenJoinFromAnyPart) {
  WriteBytes(source, data);
  auto w = MakeWindow();
  ToSplitPage(*w);
  // While the parts are written: page 2, Back, Next and Close off.
  ft::test::FaultyFileSystem fs;
  int checks = 0;
  fs.onCreate = [&](const std::string&) {
    ++checks;
    EXPECT_EQ(w->PageIndex(), 2);
    EXPECT_EQ(w->ProgressBar_Split->Max(), 4);
    EXPECT_EQ(w->ProgressBar_Split->Position(), checks - 1);
    EXPECT_FALSE(w->Button_Zurueck->Enabled());
    EXPECT_FALSE(w->Button_Weiter->Enabled());
    EXPECT_FALSE(w->Button_Close->Enabled());
  };
  w->Engine() = SplitJoinEngine(fs);
  w->Button_Weiter->Click();
  EXPECT_EQ(checks, 4);
  fs.onCreate = nullptr;
  ASSERT_NE(LastBox(), nullptr);
  EXPECT_EQ(LastBox()->kind, MsgKind::Information) << BoxTexts();
  EXPECT_EQ(w->PageIndex(), 0);
  EXPECT_TRUE(w->Button_Weiter->Enabled());
  EXPECT_TRUE(w->Button_Close->Enabled());
  EXPECT_EQ(Listing(dir.path()), (Names{"data.bin", "data.bin.part00000", "data.bin.part00001",
                                        "data.bin.part00002", "data.bin.part00003"}));

  DeleteFileW(Widen(source).c_str());
  w->RadioButton_Join->SetChecked(true);
  w->Button_Weiter->Click();
  w->JvFilenameEdit_JOIN->SetFileName(SplitPartName(source, 2));
  EXPECT_EQ(w->JoinSet().Count, 4u);
  EXPECT_EQ(w->JvLinkLabel_Join_INFO->PlainText(),
            "Informationen zur Orginaldatei:\nDateiname: data.bin\nGeteilt in 4 Dateien\nOrginalgrösse: 3145733");
  w->Button_Weiter->Click();
  EXPECT_EQ(LastBox()->text, "Die Datei wurde erfolgreich zusammengesetzt.");
  EXPECT_TRUE(ReadBytes(source) == data);
  EXPECT_EQ(w->PageIndex(), 0);
}

TEST_F(SplitterWindowTest, RefusalsKeepThePage) {
  WriteBytes(source, "small");
  auto w = MakeWindow();
  ToSplitPage(*w);
  w->Button_Weiter->Click();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Warning);
  EXPECT_EQ(w->PageIndex(), 1);
  EXPECT_TRUE(ButtonsEnabled(*w));
  w->JvFilenameEdit_SPLIT->SetFileName("");
  w->Button_Weiter->Click();
  EXPECT_EQ(boxes.boxes.back().text,
            "Bitte wählen Sie eine Datei aus die aufgeteilt werden soll. Geben Sie einen vollständigen Pfad an.");
}

TEST_F(SplitterWindowTest, AnExistingTargetIsAskedForAndKeptOnNoOrFailure) {
  WriteBytes(source, data);
  SplitJoinEngine().Split(source, 1048576);
  WriteBytes(source, "kept");
  auto w = MakeWindow();
  w->RadioButton_Join->SetChecked(true);
  w->Button_Weiter->Click();
  w->JvFilenameEdit_JOIN->SetFileName(SplitPartName(source, 0));
  boxes.answers = {IDNO};
  w->Button_Weiter->Click();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(ReadBytes(source), "kept");
  EXPECT_EQ(w->PageIndex(), 3);

  // Yes, but a part went missing after the page was filled.
  DeleteFileW(Widen(SplitPartName(source, 1)).c_str());
  boxes.answers = {IDYES};
  w->Button_Weiter->Click();
  EXPECT_EQ(LastBox()->text, "Die Teilstücke sind unvollständig oder gehören nicht zusammen (" +
                                 SplitPartName(source, 1) + "). Es wurde nichts zusammengefügt.");
  EXPECT_EQ(ReadBytes(source), "kept");
  EXPECT_EQ(w->PageIndex(), 3);
  EXPECT_TRUE(ButtonsEnabled(*w));
  EXPECT_EQ(Listing(dir.path()), (Names{"data.bin", "data.bin.part00000", "data.bin.part00002", "data.bin.part00003"}));
}

TEST_F(SplitterWindowTest, CloseDuringASplitRemovesItsPartsAndShowsNothing) {
  WriteBytes(source, data);
  auto w = MakeWindow();
  ToSplitPage(*w);
  int closed = 0;
  w->OnClose = [&](ui::CloseAction&) { ++closed; };
  // Closed once two parts are on the disk.
  ft::test::FaultyFileSystem fs;
  fs.onCreate = [&](const std::string& path) {
    if (path != SplitPartName(source, 1)) return;
    ui::App().Post([&] {
      w->Close();
      EXPECT_EQ(closed, 0);  // not while the split runs
    });
  };
  w->Engine() = SplitJoinEngine(fs);
  w->Button_Weiter->Click();
  EXPECT_EQ(closed, 1);
  EXPECT_TRUE(boxes.boxes.empty()) << BoxTexts();
  EXPECT_EQ(Listing(dir.path()), Names{"data.bin"});
}

}  // namespace
}  // namespace qz::fsj
