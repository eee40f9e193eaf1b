// The cleaner wizard's state table as the tests check it: for each state its
// page and the four buttons (Cancel only when the module has one); and a
// close from code while a run works.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "cleaning/frame/cleaner_wizard.h"
#include "ui/application.h"
#include "ui/stdctrls.h"

namespace qz::cleaning::test {

struct StateRow {
  WizardState state;
  int page;
  bool back, next, close, cancel;
};

inline const StateRow kStartRow{WizardState::Start, 0, false, true, true, false};
inline const StateRow kSearchingRow{WizardState::Searching, 1, false, false, false, true};
inline const StateRow kResultsRow{WizardState::Results, 2, true, true, true, false};
inline const StateRow kDeletingRow{WizardState::Deleting, 3, false, false, false, true};
// The download or backups page of a module with five pages.
inline const StateRow kLastPageRow{WizardState::LastPage, 4, true, false, true, false};

inline void ExpectState(const CleanerWizard& w, const StateRow& r) {
  SCOPED_TRACE("state " + std::to_string(static_cast<int>(r.state)));
  EXPECT_EQ(w.State(), r.state);
  EXPECT_EQ(w.PageIndex(), r.page);
  EXPECT_EQ(w.Button_Zurueck->Enabled(), r.back);
  EXPECT_EQ(w.Button_Weiter->Enabled(), r.next);
  EXPECT_EQ(w.Button_Close->Visible(), r.close);
  if (w.Button_Cancel) {
    EXPECT_EQ(w.Button_Cancel->Visible(), r.cancel);
  }
}

// What a close from code during a run came to: the closes done while the run
// was on, the closes in all, and whether the window still ran at its close.
struct CloseDuringRun {
  int closesDuringRun = -1;
  int closes = 0;
  bool runningAtClose = true;
};

// Closes the window from code while `run` works (posted, so it arrives as the
// run pumps messages).
inline CloseDuringRun CloseWhileRunning(ModuleWindow& w, const std::function<void()>& run) {
  CloseDuringRun c;
  const auto ownOnClose = w.OnClose;
  w.OnClose = [&](ui::CloseAction&) {
    ++c.closes;
    c.runningAtClose = w.Running();
  };
  ui::App().Post([&] {
    w.Close();
    c.closesDuringRun = c.closes;
  });
  run();
  w.OnClose = ownOnClose;
  return c;
}

}  // namespace qz::cleaning::test
