#pragma once
// SCSI transfers larger than the host adapter takes (the device's
// max_hw_sectors_kb; usb-storage takes 120 KiB): a READ or WRITE is sent in
// pieces that fit, anything else is refused, since the kernel would fail
// it with a bare EIO.
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "platform/linux/kernel_calls.h"
#include "platform/win_types.h"

namespace os::linuxos {

// Runs one command: ERROR_SUCCESS with the reply (the SCSI status and the
// sense in `sense`), or the error of a command that did not come back.
using SgRunner = std::function<DWORD(const SgCommand&, std::span<uint8_t> sense, SgReply*)>;

struct SplitOutcome {
  DWORD error = ERROR_SUCCESS;  // ERROR_INVALID_PARAMETER: not a READ/WRITE, cannot split
  SgReply reply;                // of the last piece sent
  uint32_t transferred = 0;     // bytes of the pieces that completed GOOD
};

// Sends `command` (longer than `limit` bytes) in pieces of at most `limit`
// bytes, stopping at the first piece that does not come back GOOD.
SplitOutcome RunSplit(const SgCommand& command, uint32_t limit, std::span<uint8_t> sense,
                      const SgRunner& run);

// The transfer limit of a disk from sysfs ("<sysRoot>/block/<name>/queue/
// max_hw_sectors_kb") in bytes; 0 when unknown.
uint32_t MaxTransferBytes(KernelCalls& kernel, const std::string& sysRoot, const std::string& disk);

}  // namespace os::linuxos
