#pragma once
// Whole transfers on a disk node, opened with O_DIRECT where it is a block
// device: the caller's memory is used when it is aligned, an aligned bounce
// buffer otherwise. Without O_DIRECT (a regular file standing in for a
// disk) a write is synced before it counts as done, so that a write error
// is never reported as success.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "platform/linux/kernel_calls.h"

namespace os::linuxos {

// Memory aligned for O_DIRECT, freed with it.
class AlignedBuffer {
 public:
  static constexpr size_t kAlignment = 4096;
  explicit AlignedBuffer(size_t size);
  uint8_t* data() const { return data_.get(); }
  size_t size() const { return size_; }
  bool valid() const { return data_ != nullptr; }

 private:
  struct Free {
    void operator()(uint8_t* p) const { std::free(p); }
  };
  std::unique_ptr<uint8_t, Free> data_;
  size_t size_ = 0;
};

struct DiskNode {
  KernelCalls* kernel = nullptr;
  int fd = -1;
  bool direct = false;
};

// Reads or writes `length` bytes at `offset`; *moved counts what was moved
// (a read may stop early at the end of the disk). 0 or errno.
int ReadAt(const DiskNode& node, void* buffer, size_t length, uint64_t offset, size_t* moved);
int WriteAt(const DiskNode& node, const void* buffer, size_t length, uint64_t offset,
            size_t* moved);

}  // namespace os::linuxos
