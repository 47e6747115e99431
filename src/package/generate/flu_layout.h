#pragma once
// The last assembly steps of an update file: the boot parameter record, the
// image byte sum, and the Microcode.flu layout (image, zero padding to the
// unit, one checksum unit).
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "package/flash_info_block.h"
#include "package/parameter_block.h"

namespace firmware {

using BootParameterRecord = std::array<uint8_t, 16>;

// Byte 0 parameter byte 88; byte 1 parameter byte 258 when flash byte 0x2400
// is 0xFF, else flash byte 0x2490; byte 2 0x03 for parameter byte 88 = 0xA2,
// else 0x01; byte 3 parameter byte 256 (1 when 0); byte 4 parameter byte 257
// (2 when 0).
BootParameterRecord MakeBootParameterRecord(const ParameterBlock& param,
                                            const FlashInfoBlock& flash);

// 32-bit sum of every image byte outside the IDENTIFY template and CID record.
uint32_t ImageByteSum(std::span<const uint8_t> image);

// 32-bit sum of the image's little-endian 32-bit words (a short tail is left out).
uint32_t ImageWordSum(std::span<const uint8_t> image);

// The image, zeroes up to the next multiple of `unitBytes`, then one unit whose
// first four bytes are the word sum. Empty for a unit of 0.
std::vector<uint8_t> BuildFlu(std::span<const uint8_t> image, size_t unitBytes);

}  // namespace firmware
