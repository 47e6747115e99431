#pragma once
// The SCSI commands the tool sends to a disk, answered from the block
// device of an NVMe namespace, whose node refuses SG_IO: READ CAPACITY (10
// and 16) from the device's size, READ and WRITE (10 and 16) as transfers
// on the node, TEST UNIT READY and SYNCHRONIZE CACHE. Failures come back as
// CHECK CONDITION with fixed-format sense, as a SCSI disk reports them.
#include <array>
#include <cstdint>

#include "platform/linux/direct_io.h"
#include "platform/linux/sg_translation.h"

namespace os::linuxos {

struct BlockScsiReply {
  bool handled = false;  // false: no block-device counterpart to this command
  uint8_t status = 0;
  std::array<uint8_t, 18> sense{};
  uint8_t senseLength = 0;
  uint32_t transferred = 0;
};

BlockScsiReply AnswerFromBlockDevice(const DiskNode& node, const SgCommand& command);

}  // namespace os::linuxos
