#pragma once
// Sector transfers through disk and volume handles. The replies carry the
// bytes moved (for a seek: the low part of the new position).
#include "lab/edge/edge_request.h"

namespace lab::edge {

class DiskTransfer {
 public:
  explicit DiskTransfer(const EdgeContext& ctx) : ctx_(ctx) {}
  Reply Read(OpenHandle* h, void* buffer, os::DWORD bytesToRead);
  Reply Write(uintptr_t handle, OpenHandle* h, const void* buffer, os::DWORD bytesToWrite);
  Reply Seek(OpenHandle* h, os::LONG distanceLow, os::LONG* distanceHigh, os::DWORD moveMethod);

 private:
  const EdgeContext& ctx_;
};

}  // namespace lab::edge
