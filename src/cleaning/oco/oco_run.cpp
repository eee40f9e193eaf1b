#include "cleaning/oco/oco_run.h"

#include "cleaning/drive/drive_cleaner.h"
#include "cleaning/internet/ic_engine.h"
#include "cleaning/registry/rc_cleaner.h"
#include "core/globals.h"
#include "core/text.h"

namespace qz::oco {

const char* const kGermanResultText =
    "Es wurden insgesammt %1 Dateien gelöscht welche %2 MB belegten. Beim Löschen der Dateien kam es zu %3 "
    "Fehlern.<br>Es wurden %4 Einträge in der Registrierdatenbank gelöscht. Dabei kam es zu %5 Fehlern. Ein "
    "Backup wurde angelegt.<br>Es wurden %6 Internet-Elemente gelöscht welche %7 MB belegten. Dabei kam es zu "
    "%8 Fehlern.";

OneClickRun::OneClickRun() {
  Factories[kDrive] = [] { return std::make_unique<dc::DriveCleaner>(); };
  Factories[kRegistry] = [this] {
    auto engine = std::make_unique<rc::RegistryCleaner>();
    engine->UndoFileError = [this](const std::string& text) { AddNotice(kRegistry, text); };
    return engine;
  };
  Factories[kInternet] = [] { return std::make_unique<ic::InternetCleaner>(); };
}

void OneClickRun::AddNotice(int cleaner, const std::string& text) {
  if (cleaner < 0 || cleaner >= kCleanerCount) return;
  ++noticeErrors_[cleaner];
  notices_.push_back(text);
}

bool OneClickRun::StopRequested() const { return cancelRequested_ || AbortFlag == 1; }

cleaning::CleanerProgress OneClickRun::Progress() const {
  return current_ ? current_->Progress() : cleaning::CleanerProgress{};
}

// One search or delete with the timer around it. False when it threw.
bool OneClickRun::Step(int phase, const std::function<void()>& work) {
  phase_ = phase;
  if (OnStep) OnStep(true);
  bool ok = true;
  try {
    work();
  } catch (...) {
    // Whatever a cleaner throws (a silent abort included) stays here: the
    // optimizer runs unattended and must come back with its totals.
    ok = false;
  }
  if (OnStep) OnStep(false);
  return ok;
}

OneClickTotals OneClickRun::Run(const std::array<bool, kCleanerCount>& checked) {
  OneClickTotals totals;
  cancelRequested_ = false;
  noticeErrors_.fill(0);
  notices_.clear();
  AbortFlag = 0;
  phase_ = 0;
  for (int i = 0; i < kCleanerCount && !totals.Cancelled; ++i) {
    if (!checked[i]) continue;
    cleaning::CleanerCounters& counts = totals.Counts[i];
    std::unique_ptr<cleaning::UnattendedCleaner> cleaner;
    try {
      if (Factories[i]) cleaner = Factories[i]();
    } catch (...) {
    }
    if (!cleaner) {
      ++counts.Errors;
      continue;
    }
    current_ = cleaner.get();
    const bool searched = Step(SearchPhase(i), [&] { cleaner->Search(); });
    if (!searched) {
      ++counts.Errors;
    } else if (StopRequested()) {
      totals.Cancelled = true;
    } else {
      const bool deleted = Step(SearchPhase(i) + 1, [&] { cleaner->DeleteMarked(); });
      // Copied now: the engine is freed right below.
      counts = cleaner->Counters();
      if (!deleted) ++counts.Errors;
      if (StopRequested()) totals.Cancelled = true;
    }
    current_ = nullptr;
    cleaner.reset();
    phase_ = 0;
    counts.Errors += noticeErrors_[i];
  }
  phase_ = 0;
  totals.Notices = notices_;
  return totals;
}

cleaning::CleanerProgress MirrorOf(int phase, const cleaning::CleanerProgress& progress) {
  cleaning::CleanerProgress shown;
  if (phase < 1 || phase > 6) return shown;
  shown.Max = progress.Max;
  shown.Position = progress.Position;
  const bool allLines = phase == SearchPhase(kDrive) || phase == SearchPhase(kRegistry);
  if (allLines || phase == SearchPhase(kDrive) + 1) shown.Line1 = progress.Line1;
  if (allLines) {
    shown.Line2 = progress.Line2;
    shown.Line3 = progress.Line3;
  }
  return shown;
}

std::string ResultText(const std::string& text, const OneClickTotals& totals, const cleaning::NumberFormat& nf) {
  const cleaning::CleanerCounters& d = totals.Counts[kDrive];
  const cleaning::CleanerCounters& r = totals.Counts[kRegistry];
  const cleaning::CleanerCounters& n = totals.Counts[kInternet];
  const std::string values[8] = {
      IntToStr(d.Deleted),  cleaning::FormatMBSummary(d.Bytes, nf), IntToStr(d.Errors),
      IntToStr(r.Deleted),  IntToStr(r.Errors),              IntToStr(n.Deleted),
      cleaning::FormatMBSummary(n.Bytes, nf), IntToStr(n.Errors)};
  std::string out = text;
  for (int i = 0; i < 8; ++i) out = ReplaceAllI(out, "%" + std::to_string(i + 1), values[i]);
  return out;
}

std::string ResultPageText(const std::string& resultText, const OneClickTotals& totals) {
  std::string out = resultText;
  for (const std::string& n : totals.Notices) out += "<br><br>" + ReplaceAll(n, "\r", "<br>");
  return out;
}

}  // namespace qz::oco
