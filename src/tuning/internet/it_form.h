// TForm_IT: the Internet Tuner's wizard window (the module frame, code "IT").
//   page 0 "Start"     RadioButton_Auto + ComboBox_Typ (device type or the
//                      Windows defaults), RadioButton_MANUELL (the manual
//                      dialog), RadioButton_Backups, RadioButton_Test,
//                      RadioButton_IEPlugIns
//   page 1 "Finished"  restart notice after a successful change
//   page 2 "Backups"   the frame's undo-file page for "IT"
//   page 3 "Test1"     Button_Start_Test
//   page 4 "Test2"     progress, rate and Button_ITTest_Abort while the test runs
//   page 5 "PlugIns"   ListView_PlugIns and Button_DeletePlugIn
// On Start, Weiter is shown and Zurück hidden; on the other pages the other
// way round, and Zurück returns to Start (not while the test runs).
//
// A change of the TCP/IP values asks first, writes its undo file and goes to
// Finished only when it succeeded; a refused or failed change shows its box
// and stays on Start. The values are read anew after each change and before
// each preset, so unapplied edits in the manual dialog do not carry over.
//
// The speed test runs as the window's work (a close meanwhile aborts it and
// closes the window once the transfer has returned); its timer refreshes the
// progress and the average rate once a second.
#pragma once

#include <optional>
#include <vector>

#include "cleaning/frame/module_window.h"
#include "tuning/internet/plugins.h"
#include "tuning/internet/speed_test.h"
#include "tuning/internet/tcp_tuning.h"

namespace qz::ui {
class Button;
class ComboBox;
class Label;
class ListView;
class ProgressBar;
class RadioButton;
class RichLabel;
class TabSheet;
class ThreadTimer;
}  // namespace qz::ui

namespace qz::cleaning {
class BackupPage;
}

namespace qz::it {

class TForm_IT_Manual;

enum ItPage { kPageStart = 0, kPageFinished, kPageBackups, kPageTest1, kPageTest2, kPagePlugIns };

class TForm_IT : public cleaning::ModuleWindow {
 public:
  // The real places unless given (tests).
  explicit TForm_IT(ui::Component* owner, std::optional<TcpPlaces> places = std::nullopt,
                    PlugInPlaces plugInPlaces = {});

  // Page 0
  ui::RadioButton* RadioButton_Auto;
  ui::ComboBox* ComboBox_Typ;
  ui::RadioButton* RadioButton_MANUELL;
  ui::RadioButton* RadioButton_Backups;
  ui::RadioButton* RadioButton_Test;
  ui::RadioButton* RadioButton_IEPlugIns;
  // Page 1
  ui::TabSheet* TabSheet_Finished;
  ui::Label* Label_Finished_Header;
  ui::RichLabel* JvLinkLabel_Finished;
  // Page 2
  cleaning::BackupPage* Backups;
  // Page 3
  ui::TabSheet* TabSheet_Test1;
  ui::Label* Label_Test1_Header;
  ui::RichLabel* JvLinkLabel_Test1;
  ui::Button* Button_Start_Test;
  // Page 4
  ui::TabSheet* TabSheet_Test2;
  ui::Label* Label_Test2_Header;
  ui::ProgressBar* ProgressBar_ITTest;
  ui::Label* Label_ITTest_Rate_Hint;
  ui::Label* Label_ITTest_Rate;
  ui::Button* Button_ITTest_Abort;
  ui::ThreadTimer* JvThreadTimer_ITTest;
  // Page 5
  ui::TabSheet* TabSheet_PlugIns;
  ui::Label* Label_PlugIns_Header;
  ui::RichLabel* JvLinkLabel_PlugIns;
  ui::ListView* ListView_PlugIns;
  ui::Button* Button_DeletePlugIn;

  TForm_IT_Manual* Manual() const { return manual_; }
  TcpTuner& Tuner() { return tuner_; }
  SpeedTest& Speed() { return *speed_; }
  // The values as last read (what the dialog was given).
  const TcpSettings& Settings() const { return settings_; }
  const StringList& AdapterList() const { return adapters_; }
  const std::vector<BrowserPlugIn>& PlugIns() const { return plugIns_; }
  SpeedTestOutcome LastSpeedTest() const { return lastTest_; }

  void ReadTcpSettings();
  void StartSpeedTest();
  // The timer's event: progress and average rate of the running test.
  void SpeedTestTick();
  void Button_ITTest_AbortClick();
  void ListBrowserPlugIns();
  void Button_DeletePlugInClick();

  // How a plug-in's key is removed (tests make it fail).
  std::function<bool(HKEY root, const std::string& key)> RemovePlugInKey;

 protected:
  void CreateModuleWindows() override;
  void ModuleCreate() override;
  void NextClick() override;
  void BackClick() override;
  void TranslateExtras() override;
  void WorkFailed() override;

 private:
  void FillTypes();
  void ShowStart();
  void ShowOtherPage(int page);
  // Shows the boxes of a change; true when it was made.
  bool ReportChange(const ApplyResult& r);
  void ApplyManual();
  void ApplyType(int index);

  TcpTuner tuner_;
  PlugInPlaces plugInPlaces_;
  TForm_IT_Manual* manual_ = nullptr;
  SpeedTest* speed_ = nullptr;
  TcpSettings settings_;
  StringList adapters_;
  std::vector<BrowserPlugIn> plugIns_;
  SpeedTestOutcome lastTest_ = SpeedTestOutcome::Aborted;
};

// The launch table's factory for "IT": the window made and created (not shown).
ui::Form* CreateInternetTunerWindow(ui::Component* owner);

}  // namespace qz::it
