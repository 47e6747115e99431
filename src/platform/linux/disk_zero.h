#pragma once
// Zeroing a byte range of an open disk (or of a regular file standing in for
// one) the fastest way the kernel offers: BLKZEROOUT on a block device, a
// punched hole in a file, written zeros where neither works.
#include <cstdint>

namespace os::linuxos {

// 0, or the errno of the failure.
int ZeroRange(int fd, uint64_t offset, uint64_t length);

// Writes zeros over the range with pwrite.
int WriteZeros(int fd, uint64_t offset, uint64_t length);

}  // namespace os::linuxos
