#include "record/direct_data.h"

#include <cstring>

#include "platform/ata_pass_through.h"
#include "platform/request_buffer.h"
#include "platform/scsi_pass_through.h"

namespace record {

std::optional<DirectData> DirectDataOf(os::DWORD code, const void* in, size_t inSize) {
  DirectData d;
  if (code == os::IOCTL_SCSI_PASS_THROUGH_DIRECT) {
    os::SCSI_PASS_THROUGH_DIRECT b{};
    if (!os::LoadRequest(in, inSize, &b)) return std::nullopt;
    d.pointerOffset = offsetof(os::SCSI_PASS_THROUGH_DIRECT, DataBuffer);
    d.buffer = static_cast<uint8_t*>(b.DataBuffer);
    d.length = b.DataTransferLength;
    d.toDevice = b.DataIn == os::SCSI_IOCTL_DATA_OUT;
    d.fromDevice = b.DataIn == os::SCSI_IOCTL_DATA_IN;
  } else if (code == os::IOCTL_ATA_PASS_THROUGH_DIRECT) {
    os::ATA_PASS_THROUGH_DIRECT b{};
    if (!os::LoadRequest(in, inSize, &b)) return std::nullopt;
    d.pointerOffset = offsetof(os::ATA_PASS_THROUGH_DIRECT, DataBuffer);
    d.buffer = static_cast<uint8_t*>(b.DataBuffer);
    d.length = b.DataTransferLength;
    d.toDevice = (b.AtaFlags & os::ATA_FLAGS_DATA_OUT) != 0;
    d.fromDevice = (b.AtaFlags & os::ATA_FLAGS_DATA_IN) != 0;
  } else {
    return std::nullopt;
  }
  if (d.buffer == nullptr) d.length = 0;
  if (d.length == 0) d.toDevice = d.fromDevice = false;
  return d;
}

void ClearPointer(std::span<uint8_t> block, size_t pointerOffset) {
  if (block.size() < pointerOffset + sizeof(void*)) return;
  std::memset(block.data() + pointerOffset, 0, sizeof(void*));
}

void RestorePointer(std::span<uint8_t> block, size_t pointerOffset, const void* pointer) {
  if (block.size() < pointerOffset + sizeof(void*)) return;
  std::memcpy(block.data() + pointerOffset, &pointer, sizeof(void*));
}

}  // namespace record
