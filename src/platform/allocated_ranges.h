#pragma once
// The allocated-ranges query on a disk handle: of the byte range asked about,
// the stretches that may hold data. Whatever lies outside them reads as zeros,
// so a copy that leaves zero stretches out need not read them at all. A
// sparse store knows its holes; a backend that cannot tell answers
// ERROR_INVALID_FUNCTION and the caller reads everything. Ranges come back in
// order; when the caller's buffer is too small the call fails with
// ERROR_MORE_DATA and returns the ranges that fit, which describe the asked
// range up to the end of the last of them.
#include "platform/ctl_code.h"

namespace os {

inline constexpr DWORD METHOD_NEITHER = 3;

inline constexpr DWORD FSCTL_QUERY_ALLOCATED_RANGES =
    CTL_CODE(FILE_DEVICE_FILE_SYSTEM, 51, METHOD_NEITHER, FILE_READ_ACCESS);
static_assert(FSCTL_QUERY_ALLOCATED_RANGES == 0x940CF);

struct FILE_ALLOCATED_RANGE_BUFFER {
  LONGLONG FileOffset;
  LONGLONG Length;
};
static_assert(sizeof(FILE_ALLOCATED_RANGE_BUFFER) == 16);

}  // namespace os
