#pragma once
// Byte values the drives print into their state files and apply to their
// blocks. Reading lab.ini values is lab/config's (value_parsers.h), and the
// state files read theirs with the same parsers.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "lab/config/drive_keys.h"
#include "lab/config/value_parsers.h"

namespace lab::drives {

// "0AFF..." for the bytes, upper case, no blanks.
std::string HexBytes(std::span<const uint8_t> bytes);

// Applies the patches that fit inside the block; others are ignored.
void ApplyBytePatches(std::span<uint8_t> block, const std::vector<BytePatch>& patches);

// A 32-byte ATA password field from text (zero padded, at most 32 characters).
std::vector<uint8_t> PasswordField(std::string_view text);

}  // namespace lab::drives
