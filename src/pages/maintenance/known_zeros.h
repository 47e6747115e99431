#pragma once
// Which stretches of the source disk read as zeros without being read, from
// the backend's allocated-ranges query: a sparse store knows its holes, so a
// copy that leaves zero chunks out skips reading them as well. A backend that
// cannot tell (a real disk) makes every chunk one to read, as before.
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/os.h"

namespace maintenance {

class KnownZeros {
 public:
  KnownZeros(os::Os& os, os::HANDLE disk, uint64_t sectors)
      : os_(os), disk_(disk), sectors_(sectors) {}

  // True only when sectors [lba, lba + count) are known to hold nothing.
  bool AllZero(uint64_t lba, uint64_t count);
  // The stretches of sectors [lba, lba + count) that may hold data, in order
  // and cut to that range; false when the backend cannot say for all of it.
  bool Held(uint64_t lba, uint64_t count, std::vector<std::pair<uint64_t, uint64_t>>& held);

 private:
  // Asks about a window of the disk starting at `lba`; false when the
  // backend cannot tell, and it is not asked again.
  bool Fetch(uint64_t lba);
  // The window describes [lba, lba + count), fetched if need be.
  bool Describes(uint64_t lba, uint64_t count);

  os::Os& os_;
  os::HANDLE disk_;
  uint64_t sectors_;
  bool works_ = true;
  uint64_t from_ = 0, to_ = 0;                        // the window described, in sectors
  std::vector<std::pair<uint64_t, uint64_t>> held_;  // [first, end) sectors that hold data
  size_t next_ = 0;       // the first range that may end after the last chunk asked about
  uint64_t lastAsked_ = 0;
};

}  // namespace maintenance
