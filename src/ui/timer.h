// Timers. Both kinds run their event on the GUI thread, and only when the
// message loop pumps (Run, ShowModal, ProcessMessages): a loop that never
// pumps sees no timer events.
//
//   Timer        the system's SetTimer on the application's hidden window.
//   ThreadTimer  counts the interval on a thread of its own and then asks the
//                GUI thread to run the event; the next interval starts after
//                the event ran (or was dropped because the timer stopped),
//                so events never pile up behind a busy loop.
//
// Both start disabled: set OnTimer and Interval, then SetEnabled(true).
#pragma once

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include "ui/component.h"

namespace qz::ui {

class ThreadTimer;
namespace detail {
// Called by the application's hidden window.
void DispatchTimer(UINT_PTR id);
void DispatchThreadTimer(uint64_t key, uint64_t generation);
}  // namespace detail

// What both kinds share: the interval, the enabled switch and the event.
class TimerBase : public Component {
 public:
  unsigned Interval() const { return interval_; }
  // A new interval restarts a running timer; 0 stops it (Enabled stays on).
  void SetInterval(unsigned ms);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);

  std::function<void()> OnTimer;

 protected:
  TimerBase(Component* owner, std::string name) : Component(owner, std::move(name)) {}
  virtual void Start() = 0;
  virtual void Stop() = 0;

  unsigned interval_ = 1000;
  bool enabled_ = false;
};

class Timer : public TimerBase {
 public:
  explicit Timer(Component* owner = nullptr, std::string name = {});
  ~Timer() override;

 private:
  void Start() override;
  void Stop() override;
  UINT_PTR id_ = 0;
};

class ThreadTimer : public TimerBase {
 public:
  explicit ThreadTimer(Component* owner = nullptr, std::string name = {});
  ~ThreadTimer() override;

 private:
  friend void detail::DispatchThreadTimer(uint64_t, uint64_t);
  void Start() override;
  void Stop() override;
  void ThreadMain(uint64_t generation, unsigned intervalMs);
  void Fire(uint64_t generation);

  uint64_t key_ = 0;  // identifies this timer in posted messages
  std::thread thread_;
  std::mutex mu_;
  std::condition_variable cv_;
  bool stop_ = false;
  bool pending_ = false;  // an event was posted and has not run yet
  uint64_t generation_ = 0;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace qz::ui
