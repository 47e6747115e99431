#pragma once
// A window timer: an interval, an enabled flag and a handler. Whoever drives
// time (the headless scheduler, or the toolkit's own timers) listens for
// changes and calls Tick() when the interval has passed.
#include <cstdint>
#include <functional>
#include <string>

namespace ui {

class Timer;

class TimerListener {
 public:
  virtual ~TimerListener() = default;
  virtual void TimerChanged(Timer& timer) = 0;
  virtual void TimerDestroyed(Timer& timer) = 0;
};

class Timer {
 public:
  Timer(std::string name, uint32_t intervalMs, bool enabled)
      : name_(std::move(name)), interval_(intervalMs), enabled_(enabled) {}
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  const std::string& Name() const { return name_; }
  // Enabling a running timer changes nothing: its interval is not restarted.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);
  // A new interval restarts a running timer. Interval 0 never fires.
  uint32_t Interval() const { return interval_; }
  void SetInterval(uint32_t ms);
  // Enabled with a non-zero interval.
  bool Armed() const { return enabled_ && interval_ > 0; }

  std::function<void()> OnTimer;
  // Runs OnTimer, unless a tick of this timer is still running further up the
  // stack (a handler that lets pending messages run must not re-enter itself).
  void Tick();
  bool Ticking() const { return ticking_; }

  void SetListener(TimerListener* listener) { listener_ = listener; }

 private:
  std::string name_;
  uint32_t interval_;
  bool enabled_;
  bool ticking_ = false;
  TimerListener* listener_ = nullptr;
};

}  // namespace ui
