#include "platform/linux/direct_io.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace os::linuxos {
namespace {

// Bounce transfers move at most this much at a time.
constexpr size_t kBounceSize = size_t{1} << 20;

bool Aligned(const void* p) {
  return reinterpret_cast<uintptr_t>(p) % AlignedBuffer::kAlignment == 0;
}

// One pass of pread/pwrite until done, the end of the disk or an error.
template <typename Step>
int Loop(size_t length, size_t* moved, Step step) {
  *moved = 0;
  while (*moved < length) {
    const long n = step(*moved);
    if (n == -EINTR) continue;
    if (n < 0) return static_cast<int>(-n);
    if (n == 0) break;
    *moved += static_cast<size_t>(n);
  }
  return 0;
}

}  // namespace

AlignedBuffer::AlignedBuffer(size_t size) {
  const size_t rounded = (std::max<size_t>(size, 1) + kAlignment - 1) / kAlignment * kAlignment;
  data_.reset(static_cast<uint8_t*>(std::aligned_alloc(kAlignment, rounded)));
  if (data_ != nullptr) size_ = rounded;
}

int ReadAt(const DiskNode& node, void* buffer, size_t length, uint64_t offset, size_t* moved) {
  auto* out = static_cast<uint8_t*>(buffer);
  if (!node.direct || Aligned(buffer)) {
    return Loop(length, moved, [&](size_t done) {
      return node.kernel->PRead(node.fd, out + done, length - done, offset + done);
    });
  }
  AlignedBuffer bounce(std::min(length, kBounceSize));
  if (!bounce.valid()) return ENOMEM;
  *moved = 0;
  while (*moved < length) {
    const size_t n = std::min(length - *moved, bounce.size());
    size_t got = 0;
    const int e = Loop(n, &got, [&](size_t done) {
      return node.kernel->PRead(node.fd, bounce.data() + done, n - done, offset + *moved + done);
    });
    std::memcpy(out + *moved, bounce.data(), got);
    *moved += got;
    if (e != 0) return e;
    if (got < n) break;
  }
  return 0;
}

int WriteAt(const DiskNode& node, const void* buffer, size_t length, uint64_t offset,
            size_t* moved) {
  const auto* in = static_cast<const uint8_t*>(buffer);
  int e = 0;
  if (!node.direct || Aligned(buffer)) {
    e = Loop(length, moved, [&](size_t done) {
      return node.kernel->PWrite(node.fd, in + done, length - done, offset + done);
    });
  } else {
    AlignedBuffer bounce(std::min(length, kBounceSize));
    if (!bounce.valid()) return ENOMEM;
    *moved = 0;
    while (e == 0 && *moved < length) {
      const size_t n = std::min(length - *moved, bounce.size());
      std::memcpy(bounce.data(), in + *moved, n);
      size_t put = 0;
      e = Loop(n, &put, [&](size_t done) {
        return node.kernel->PWrite(node.fd, bounce.data() + done, n - done, offset + *moved + done);
      });
      *moved += put;
      if (put < n && e == 0) e = EIO;
    }
  }
  // A disk does not take a write short; whatever did not land is an error.
  if (e == 0 && *moved < length) e = EIO;
  if (e == 0 && !node.direct) e = node.kernel->Sync(node.fd);
  if (e != 0) *moved = std::min(*moved, length);
  return e;
}

}  // namespace os::linuxos
