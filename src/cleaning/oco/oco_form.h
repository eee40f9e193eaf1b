// The One-Click-Optimizer window: the cleaner wizard's build and button
// states (cleaning/frame/cleaner_wizard.h) over three pages:
//   0 "Start"      CheckBox_DC, CheckBox_RC, CheckBox_IC beside the skin's
//                  module icons Image_DC, Image_RC, Image_IC
//   1 "Work"       ProgressBar_OCO, Label_Status1..3: the running cleaner's
//                  bar and lines, mirrored every 500 ms (JvThreadTimer_OCO)
//   2 "Ergebniss"  JvLinkLabel_Result: what this run deleted
// "Weiter" on the start page runs the checked cleaners one after the other
// (oco_run.h) with their stored settings; the main window sets OcoRunning
// around the window's whole life, so no cleaner asks anything. The boxes are
// stored under Options\OCO ("DC", "RC", "IC") when the window closes.
//
// States: start (Start), running (Searching: page 1, Cancel shown), result
// (LastPage: page 2, Back returns to the start page). Cancel and a close
// during the run end the whole run; a close waits for the run to return.
#pragma once

#include <array>

#include "cleaning/frame/cleaner_wizard.h"
#include "cleaning/oco/oco_run.h"

namespace qz::ui {
class CheckBox;
class Image;
class Label;
class ProgressBar;
class RichLabel;
class TabSheet;
}  // namespace qz::ui

namespace qz::oco {

class TForm_OCO : public cleaning::CleanerWizard {
 public:
  explicit TForm_OCO(ui::Component* owner);

  // Page 0
  ui::TabSheet* TabSheet_Start;
  ui::Label* Label_Start_Header;
  ui::RichLabel* JvLinkLabel_Start;
  ui::Image* Image_DC;
  ui::Image* Image_RC;
  ui::Image* Image_IC;
  ui::CheckBox* CheckBox_DC;
  ui::CheckBox* CheckBox_RC;
  ui::CheckBox* CheckBox_IC;
  // Page 1
  ui::TabSheet* TabSheet_Work;
  ui::Label* Label_Work_Header;
  ui::RichLabel* JvLinkLabel_Work;
  ui::ProgressBar* ProgressBar_OCO;
  ui::Label* Label_Status1;
  ui::Label* Label_Status2;
  ui::Label* Label_Status3;
  // Page 2
  ui::TabSheet* TabSheet_Result;
  ui::Label* Label_Result_Header;
  ui::RichLabel* JvLinkLabel_Result;
  ui::RichLabel* JvLinkLabel_ResultHint;

  // The run (its engines can be replaced before Weiter).
  OneClickRun Run;
  // The totals of the last run.
  const OneClickTotals& LastTotals() const { return totals_; }
  int Phase() const { return Run.Phase(); }

  // Weiter on the start page.
  void RunOneClick();
  // Stores the three boxes (also done when the window closes).
  void SaveChoice();

 protected:
  void ModuleCreate() override;
  void NextClick() override;
  void ProgressTimerEvent() override;

  // The wizard's search -> results -> delete flow is not the optimizer's:
  // it runs whole cleaners (RunOneClick). These hooks are never reached.
  cleaning::SearchOutcome Search() override { return cleaning::SearchOutcome::Cancelled; }
  void ShowSummary() override {}
  std::string NothingFoundText() override { return {}; }
  int64_t CountMarked() override { return 0; }
  std::string NothingMarkedText() override { return {}; }
  std::string ConfirmDeleteText() override { return {}; }
  cleaning::DeleteOutcome DeleteMarked() override { return cleaning::DeleteOutcome::Stopped; }
  std::string DeletedText() override { return {}; }
  cleaning::ResultWindow* Results() override { return nullptr; }

 private:
  std::array<ui::CheckBox*, kCleanerCount> Boxes() const { return {CheckBox_DC, CheckBox_RC, CheckBox_IC}; }
  OneClickTotals totals_;
};

// The launch table's factory (created, its creation handler run).
ui::Form* CreateOneClickWindow(ui::Component* owner);

}  // namespace qz::oco
