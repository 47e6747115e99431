#pragma once
// The progress bar takes int positions: a sector count of 2^31 or more is
// scaled down by a power of two so that its maximum fits.
#include <climits>
#include <cstdint>

namespace maintenance {

class ProgressScale {
 public:
  explicit ProgressScale(uint64_t sectors) {
    while ((sectors >> shift_) > static_cast<uint64_t>(INT_MAX)) ++shift_;
    max_ = static_cast<int>(sectors >> shift_);
  }
  int Max() const { return max_; }
  int Position(uint64_t sector) const { return static_cast<int>(sector >> shift_); }
  unsigned Shift() const { return shift_; }

 private:
  unsigned shift_ = 0;
  int max_ = 0;
};

}  // namespace maintenance
