#include "ui/timer.h"

namespace ui {

Timer::~Timer() {
  if (listener_) listener_->TimerDestroyed(*this);
}

void Timer::SetEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  if (listener_) listener_->TimerChanged(*this);
}

void Timer::SetInterval(uint32_t ms) {
  if (ms == interval_) return;
  interval_ = ms;
  if (listener_) listener_->TimerChanged(*this);
}

void Timer::Tick() {
  if (ticking_ || !OnTimer) return;
  ticking_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{ticking_};
  OnTimer();
}

}  // namespace ui
