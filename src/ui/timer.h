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

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "ui/component.h"

namespace qz::ui {

class ThreadTimer;
namespace detail {
// Called by the application's hidden window.
void DispatchTimer(UINT_PTR id);
void DispatchThreadTimer(uint64_t key, uint64_t generation);
}  // namespace detail

class Timer : public Component {
 public:
  explicit Timer(Component* owner = nullptr, std::string name = {});
  ~Timer() override;

  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned ms);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);

  std::function<void()> OnTimer;

 private:
  void Start();
  void Stop();
  unsigned interval_ = 1000;
  bool enabled_ = false;
  UINT_PTR id_ = 0;
};

class ThreadTimer : public Component {
 public:
  explicit ThreadTimer(Component* owner = nullptr, std::string name = {});
  ~ThreadTimer() override;

  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned ms);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);

  std::function<void()> OnTimer;

 private:
  friend void detail::DispatchThreadTimer(uint64_t, uint64_t);
  void Start();
  void Stop();
  void ThreadMain(uint64_t generation);
  void Fire(uint64_t generation);

  unsigned interval_ = 1000;
  bool enabled_ = false;
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
