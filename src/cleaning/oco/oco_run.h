// The One-Click-Optimizer's run without its window: up to three cleaners'
// engines (Drive, Registry, Internet, in this order), each created, searched,
// cleaned of everything it marked and freed in turn, with their stored
// settings and no question. The window (oco_form.h) shows the run.
//
//   OneClickRun run;                         // the real engines by default
//   run.OnStep = [&](bool on) { timer->SetEnabled(on); };
//   OneClickTotals t = run.Run({true, false, true});
//   std::string text = ResultText(german, t);
//
// Rules of a run:
//  - The phase (0 idle, 1/2 Drive search/delete, 3/4 Registry, 5/6 Internet)
//    names the step in hand; Progress() reads the running engine.
//  - The counters are this run's, copied from each engine right after its
//    delete and before it is freed; a cleaner not run counts 0.
//  - Cancel (Cancel() or AbortFlag left at 1 by a step) ends the whole run:
//    the step in hand stops, no later step runs (no delete after a cancelled
//    search), and the totals say what was done.
//  - A cleaner that cannot start (its engine cannot be made, or throws from
//    its search) is skipped and counts one error; an engine that throws from
//    its delete keeps what it counted and one error more. Nothing of this
//    reaches the caller.
//  - What a cleaner would tell in a box (the Registry Cleaner's undo-file
//    dialogs) waits for nobody: it counts one error of that cleaner and its
//    text is kept for the result page (AddNotice).
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cleaning/common/mb_format.h"
#include "cleaning/frame/unattended_cleaner.h"

namespace qz::oco {

enum CleanerIndex { kDrive = 0, kRegistry = 1, kInternet = 2, kCleanerCount = 3 };

// The search phase of a cleaner (its delete phase is one more).
constexpr int SearchPhase(int cleaner) { return 1 + 2 * cleaner; }

using CleanerFactory = std::function<std::unique_ptr<cleaning::UnattendedCleaner>()>;

struct OneClickTotals {
  std::array<cleaning::CleanerCounters, kCleanerCount> Counts{};
  bool Cancelled = false;
  // Texts the cleaners would have shown in a box (plain text, "\r" between lines).
  std::vector<std::string> Notices;
};

class OneClickRun {
 public:
  OneClickRun();
  OneClickRun(const OneClickRun&) = delete;
  OneClickRun& operator=(const OneClickRun&) = delete;

  // The engines, one per cleaner (the real ones unless replaced).
  std::array<CleanerFactory, kCleanerCount> Factories;
  // Called with true before each search and delete and with false after it
  // (the window's progress timer).
  std::function<void(bool on)> OnStep;

  OneClickTotals Run(const std::array<bool, kCleanerCount>& checked);
  // Ends the run after the step in hand (which AbortFlag stops).
  void Cancel() { cancelRequested_ = true; }
  // A cleaner's message during the run: one error of that cleaner, and the
  // text for the result page.
  void AddNotice(int cleaner, const std::string& text);

  int Phase() const { return phase_; }
  // The running engine's progress; empty between steps.
  cleaning::CleanerProgress Progress() const;

 private:
  bool Step(int phase, const std::function<void()>& work);
  bool StopRequested() const;

  int phase_ = 0;
  bool cancelRequested_ = false;
  std::array<int64_t, kCleanerCount> noticeErrors_{};
  std::vector<std::string> notices_;
  cleaning::UnattendedCleaner* current_ = nullptr;
};

// What the Work page shows of a phase: the running cleaner's bar, and the
// lines the phase shows (all three while the Drive and Registry Cleaners
// search, the first while the Drive Cleaner deletes, none otherwise).
cleaning::CleanerProgress MirrorOf(int phase, const cleaning::CleanerProgress& progress);

// The German default of the result text ("MESSAGE_Result").
extern const char* const kGermanResultText;

// The result text: every occurrence of %1..%8 (in that order, without regard
// to case) replaced by the files deleted, their MB, the errors, the registry
// entries deleted, their errors, the internet items deleted, their MB and
// their errors. MB: the cleaners' summary formatter (bytes / 1048576, two
// decimals, exponent form from 10000 MB), in the given number format.
std::string ResultText(const std::string& text, const OneClickTotals& totals,
                       const cleaning::NumberFormat& nf = cleaning::NumberFormat::User());
// The result page's text: the result text, then each notice in a paragraph
// of its own.
std::string ResultPageText(const std::string& resultText, const OneClickTotals& totals);

}  // namespace qz::oco
