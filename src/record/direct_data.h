#pragma once
// The two requests whose data lives outside the request block
// (SCSI_PASS_THROUGH_DIRECT and ATA_PASS_THROUGH_DIRECT): where the caller's
// data pointer sits in the block, how many bytes it names and which way they
// go. A recording keeps the data, never the pointer.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/win_types.h"

namespace record {

struct DirectData {
  size_t pointerOffset = 0;  // of the DataBuffer field in the block
  uint8_t* buffer = nullptr;
  size_t length = 0;
  bool toDevice = false;
  bool fromDevice = false;
};

// nullopt for any other request, or a block too short to hold the layout.
std::optional<DirectData> DirectDataOf(os::DWORD code, const void* in, size_t inSize);

// Zeroes the pointer field inside `block` (when the block holds it).
void ClearPointer(std::span<uint8_t> block, size_t pointerOffset);
// Copies the pointer field of `from` into `block`.
void RestorePointer(std::span<uint8_t> block, size_t pointerOffset, const void* pointer);

}  // namespace record
