#include "pages/maintenance/known_zeros.h"

#include <algorithm>
#include <array>

#include "platform/allocated_ranges.h"

namespace maintenance {
namespace {

// One query covers this much of the disk, or fewer ranges than fit below.
constexpr uint64_t kWindowSectors = uint64_t{1} << 21;  // 1 GiB of 512-byte sectors
constexpr size_t kRangesPerQuery = 256;

}  // namespace

bool KnownZeros::Fetch(uint64_t lba) {
  std::array<os::FILE_ALLOCATED_RANGE_BUFFER, kRangesPerQuery> out{};
  const uint64_t end = std::min(sectors_, lba + kWindowSectors);
  os::FILE_ALLOCATED_RANGE_BUFFER asked{static_cast<os::LONGLONG>(lba * 512),
                                        static_cast<os::LONGLONG>((end - lba) * 512)};
  os::DWORD returned = 0;
  const bool ok = os_.DeviceIoControl(disk_, os::FSCTL_QUERY_ALLOCATED_RANGES, &asked,
                                      sizeof asked, out.data(), sizeof out, &returned);
  const bool partial = !ok && os_.GetLastError() == os::ERROR_MORE_DATA;
  const size_t n = std::min<size_t>(returned / sizeof out[0], out.size());
  if ((!ok && !partial) || (partial && n == 0)) {
    works_ = false;
    return false;
  }
  held_.clear();
  next_ = 0;
  for (size_t i = 0; i < n; ++i) {
    if (out[i].FileOffset < 0 || out[i].Length <= 0) continue;
    // Whole sectors, rounded outwards: a sector partly held is read.
    const uint64_t first = static_cast<uint64_t>(out[i].FileOffset) / 512;
    const uint64_t stop =
        (static_cast<uint64_t>(out[i].FileOffset) + static_cast<uint64_t>(out[i].Length) + 511) /
        512;
    if (!held_.empty() && first < held_.back().first) {
      works_ = false;  // out of order: not an answer to rely on
      return false;
    }
    held_.emplace_back(first, stop);
  }
  from_ = lba;
  // A cut-short answer describes the disk up to the end of its last range.
  to_ = partial ? std::max(lba, std::min(end, held_.empty() ? lba : held_.back().second)) : end;
  return to_ > from_;
}

bool KnownZeros::Describes(uint64_t lba, uint64_t count) {
  if (!works_ || count == 0 || lba >= sectors_ || count > sectors_ - lba) return false;
  if (lba >= from_ && lba + count <= to_) return true;
  return Fetch(lba) && lba + count <= to_;
}

bool KnownZeros::AllZero(uint64_t lba, uint64_t count) {
  if (!Describes(lba, count)) return false;
  // The copy asks in ascending order: ranges ending before this chunk are
  // done with, unless it goes back.
  if (lba < lastAsked_) next_ = 0;
  lastAsked_ = lba;
  while (next_ < held_.size() && held_[next_].second <= lba) ++next_;
  for (size_t i = next_; i < held_.size() && held_[i].first < lba + count; ++i) {
    if (held_[i].second > lba) return false;
  }
  return true;
}

bool KnownZeros::Held(uint64_t lba, uint64_t count,
                      std::vector<std::pair<uint64_t, uint64_t>>& held) {
  held.clear();
  if (!Describes(lba, count)) return false;
  for (const auto& [first, stop] : held_) {
    const uint64_t b = std::max(first, lba), e = std::min(stop, lba + count);
    if (b < e) held.emplace_back(b, e);
  }
  return true;
}

}  // namespace maintenance
