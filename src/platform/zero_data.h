#pragma once
// The zero-range request on a disk handle: the byte range [FileOffset,
// BeyondFinalZero) reads as zeros afterwards. It is the fastest zeroing a
// backend has (a hole punched in a sparse store, the block layer's zero-out,
// a device's own write-zeroes), so a copy need not move buffers of zeros.
// Both offsets are whole sectors on a disk handle.
#include "platform/ctl_code.h"

namespace os {

inline constexpr DWORD FSCTL_SET_ZERO_DATA =
    CTL_CODE(FILE_DEVICE_FILE_SYSTEM, 50, METHOD_BUFFERED, FILE_WRITE_ACCESS);
static_assert(FSCTL_SET_ZERO_DATA == 0x980C8);

struct FILE_ZERO_DATA_INFORMATION {
  LONGLONG FileOffset;
  LONGLONG BeyondFinalZero;
};
static_assert(sizeof(FILE_ZERO_DATA_INFORMATION) == 16);

}  // namespace os
