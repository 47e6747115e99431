#pragma once
// A clock that only moves when told to: Sleep advances it, so tests and lab
// runs take no real time and are repeatable.
#include <cstdint>

#include "platform/win_types.h"

namespace os {

class VirtualClock {
 public:
  explicit VirtualClock(SYSTEMTIME start = DefaultStart());

  static SYSTEMTIME DefaultStart();
  void Advance(uint64_t milliseconds) { elapsedMs_ += milliseconds; }
  uint64_t ElapsedMs() const { return elapsedMs_; }
  SYSTEMTIME Now() const;

 private:
  int64_t startEpochMs_;
  uint64_t elapsedMs_ = 0;
};

}  // namespace os
