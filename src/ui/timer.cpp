#include "ui/timer.h"

#include <map>

#include "ui/application.h"
#include "ui/control.h"

namespace qz::ui {

namespace {
std::map<UINT_PTR, Timer*>& Timers() {
  static std::map<UINT_PTR, Timer*> m;
  return m;
}
std::map<uint64_t, ThreadTimer*>& ThreadTimers() {
  static std::map<uint64_t, ThreadTimer*> m;
  return m;
}
UINT_PTR NextTimerId() {
  static UINT_PTR next = 1;
  return next++;
}
uint64_t NextThreadTimerKey() {
  static uint64_t next = 1;
  return next++;
}
}  // namespace

// ---- TimerBase ---------------------------------------------------------------

void TimerBase::SetInterval(unsigned ms) {
  if (ms == interval_) return;
  interval_ = ms;
  if (enabled_) {
    Stop();
    Start();
  }
}

void TimerBase::SetEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  if (on) Start();
  else Stop();
}

// ---- Timer -------------------------------------------------------------------

Timer::Timer(Component* owner, std::string name) : TimerBase(owner, std::move(name)) {}

Timer::~Timer() { Stop(); }

void Timer::Start() {
  if (id_ || interval_ == 0) return;
  id_ = NextTimerId();
  Timers()[id_] = this;
  SetTimer(App().UtilityWindow(), id_, interval_, nullptr);
}

void Timer::Stop() {
  if (!id_) return;
  KillTimer(App().UtilityWindow(), id_);
  Timers().erase(id_);
  id_ = 0;
}

void detail::DispatchTimer(UINT_PTR id) {
  auto it = Timers().find(id);
  if (it == Timers().end()) return;
  Timer* t = it->second;
  if (t->Enabled() && t->OnTimer) t->OnTimer();  // may free the timer: nothing after this
}

// ---- ThreadTimer ---------------------------------------------------------------

ThreadTimer::ThreadTimer(Component* owner, std::string name) : TimerBase(owner, std::move(name)) {
  key_ = NextThreadTimerKey();
  ThreadTimers()[key_] = this;
}

ThreadTimer::~ThreadTimer() {
  *alive_ = false;
  Stop();
  ThreadTimers().erase(key_);
}

void ThreadTimer::Start() {
  if (thread_.joinable() || interval_ == 0) return;
  uint64_t gen;
  {
    std::lock_guard<std::mutex> lock(mu_);
    stop_ = false;
    pending_ = false;
    gen = ++generation_;
  }
  App().UtilityWindow();  // the window must exist before the thread posts to it
  // The thread gets its own copy of the interval: SetInterval changes
  // interval_ on the GUI thread before it stops the running thread.
  const unsigned ms = interval_;
  thread_ = std::thread([this, gen, ms] { ThreadMain(gen, ms); });
}

void ThreadTimer::Stop() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mu_);
    stop_ = true;
    ++generation_;  // an event already posted is dropped
  }
  cv_.notify_all();
  thread_.join();
}

void ThreadTimer::ThreadMain(uint64_t generation, unsigned intervalMs) {
  HWND target = App().UtilityWindow();
  std::unique_lock<std::mutex> lock(mu_);
  while (!stop_) {
    if (cv_.wait_for(lock, std::chrono::milliseconds(intervalMs), [this] { return stop_; })) break;
    pending_ = true;
    PostMessageW(target, WM_QZ_THREADTIMER, static_cast<WPARAM>(key_), static_cast<LPARAM>(generation));
    // The next interval counts from when the event has run.
    cv_.wait(lock, [this] { return stop_ || !pending_; });
  }
}

void ThreadTimer::Fire(uint64_t generation) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (generation != generation_ || !enabled_) return;
  }
  std::shared_ptr<bool> alive = alive_;
  struct Done {
    ThreadTimer* t;
    uint64_t gen;
    std::shared_ptr<bool> alive;
    ~Done() {
      if (!*alive) return;
      {
        std::lock_guard<std::mutex> lock(t->mu_);
        if (gen == t->generation_) t->pending_ = false;
      }
      t->cv_.notify_all();
    }
  } done{this, generation, alive};
  if (OnTimer) OnTimer();
}

void detail::DispatchThreadTimer(uint64_t key, uint64_t generation) {
  auto it = ThreadTimers().find(key);
  if (it == ThreadTimers().end()) return;
  it->second->Fire(generation);
}

}  // namespace qz::ui
