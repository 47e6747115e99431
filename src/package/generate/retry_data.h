#pragma once
// How much of the drive's own retry data (the CID buffer from byte 128 on) an
// update file carries: it depends on the NAND the firmware tag names.
#include <cstddef>
#include <string_view>

namespace firmware {

// By the tag after the NAND-type mapping: BiCS 536, SSV3 256, SSV3M 536, SSV4
// 371, SSV4M 264, HYNV2/4/5 512; any other tag carries none.
size_t RetryDataLength(std::string_view mappedTag);

}  // namespace firmware
