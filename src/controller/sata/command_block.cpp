#include "controller/sata/command_block.h"

#include "common/bytes.h"

namespace controller {

VendorCommandBlock MakeCommandBlock(uint8_t opcode, uint8_t subOpcode, uint32_t address,
                                    uint16_t sectors, bool longLayout) {
  VendorCommandBlock block;
  std::span<uint8_t> b = block.bytes;
  b[0] = opcode;
  b[1] = subOpcode;
  if (longLayout) {
    common::WriteBe32(b, kLongAddressOffset, address);
    common::WriteBe16(b, kLongCountOffset, sectors);
  } else {
    common::WriteBe32(b, kShortAddressOffset, address);
    common::WriteBe16(b, kShortCountOffset, sectors);
  }
  return block;
}

}  // namespace controller
