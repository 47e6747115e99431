#pragma once
// SHA-256 of a buffer: the digest a recording keeps of a large transfer, so a
// replay can still tell whether the same bytes were written.
#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace record {

std::array<uint8_t, 32> Sha256(std::span<const uint8_t> data);
std::string Sha256Hex(std::span<const uint8_t> data);

}  // namespace record
