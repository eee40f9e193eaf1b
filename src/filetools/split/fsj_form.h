// The File Splitter & Joiner window: the module frame (cleaning/frame/
// module_window.h) with five pages:
//   0 "Start"  RadioButton_Split / RadioButton_Join
//   1 "Split1" JvFilenameEdit_SPLIT and the part size (RadioButton_SplitDISK
//              .. RadioButton_SplitUSER with JvSpinEdit_SplitMB)
//   2 "Split2" ProgressBar_Split
//   3 "Join1"  JvFilenameEdit_JOIN and what it names (JvLinkLabel_Join_INFO)
//   4 "Join2"  ProgressBar_Join
// A split or join runs in the Next handler with Back, Next and Close off;
// it ends on the start page with its box, or back on its first page after a
// failure. Closing the window meanwhile stops the run at its next step,
// removes what it wrote, shows nothing and then closes.
#pragma once

#include <cstdint>
#include <string>

#include "cleaning/frame/module_window.h"
#include "filetools/split/split_engine.h"

namespace qz::ui {
class FilenameEdit;
class GroupBox;
class Label;
class ProgressBar;
class RadioButton;
class RichLabel;
class SpinEdit;
class TabSheet;
}  // namespace qz::ui

namespace qz::fsj {

class TForm_Splitter : public cleaning::ModuleWindow {
 public:
  explicit TForm_Splitter(ui::Component* owner);

  // Page 0
  ui::RadioButton* RadioButton_Split;
  ui::RadioButton* RadioButton_Join;
  // Page 1
  ui::TabSheet* TabSheet_Split1;
  ui::Label* Label_Split1_Header;
  ui::RichLabel* JvLinkLabel_Split1;
  ui::FilenameEdit* JvFilenameEdit_SPLIT;
  ui::GroupBox* GroupBox_SplitSize;
  ui::RadioButton* RadioButton_SplitDISK;
  ui::RadioButton* RadioButton_Split10;
  ui::RadioButton* RadioButton_Split100;
  ui::RadioButton* RadioButton_Split650;
  ui::RadioButton* RadioButton_Split700;
  ui::RadioButton* RadioButton_SplitUSER;
  ui::SpinEdit* JvSpinEdit_SplitMB;
  ui::Label* Label_SplitMB;
  // Page 2
  ui::TabSheet* TabSheet_Split2;
  ui::Label* Label_Split2_Header;
  ui::ProgressBar* ProgressBar_Split;
  // Page 3
  ui::TabSheet* TabSheet_Join1;
  ui::Label* Label_Join1_Header;
  ui::RichLabel* JvLinkLabel_Join1;
  ui::FilenameEdit* JvFilenameEdit_JOIN;
  ui::GroupBox* GroupBox_JoinInfo;
  ui::RichLabel* JvLinkLabel_Join_INFO;
  // Page 4
  ui::TabSheet* TabSheet_Join2;
  ui::Label* Label_Join2_Header;
  ui::ProgressBar* ProgressBar_Join;

  SplitJoinEngine& Engine() { return engine_; }
  // The set the join page shows (from the last change of the join edit).
  const PartSetInfo& JoinSet() const { return joinSet_; }
  // The part size of the checked choice.
  int64_t PartSize() const;

  void SplitFile();
  void JoinFiles();
  void JvFilenameEdit_JOINChange();

 protected:
  void NextClick() override;
  void BackClick() override;
  void WorkFailed() override;

 private:
  void ShowStart();
  void Working(int page);
  void BackToPage(int page);
  void EnableButtons(bool on);

  SplitJoinEngine engine_;
  PartSetInfo joinSet_;
};

// The launch table's factory for "FSJ".
ui::Form* CreateSplitterWindow(ui::Component* owner);

}  // namespace qz::fsj
