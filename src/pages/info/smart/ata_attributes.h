#pragma once
// The ATA SMART attribute table as numbers: each attribute of a SMART READ
// DATA block with the threshold SMART READ THRESHOLDS gives it. The SMART
// page's rows, the health verdict and the command line's JSON all read the
// table through this one walk, so they name the same attributes.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace info {

// SMART READ THRESHOLDS: 30 entries of 12 bytes from byte 2, as the data
// block's table; each holds the attribute ID and its threshold.
inline constexpr size_t kThresholdId = 0;
inline constexpr size_t kThresholdValue = 1;

struct AtaAttribute {
  uint8_t id = 0;
  uint8_t current = 0;
  uint8_t worst = 0;
  // Unset when the thresholds were not read, or the attribute has none (an
  // entry of the vendor area, an ID the threshold table does not list).
  std::optional<uint8_t> threshold;
  uint64_t raw = 0;  // 48 bits
  bool vendorArea = false;
};

// The attributes of `smartData` in their order, each ID once at its first
// place; with `addVendorSpecific` also up to 10 entries of the vendor area, up
// to the first ID 0. `thresholds` is the 512-byte SMART READ THRESHOLDS block,
// or empty when it was not read; thresholds are matched by ID. Short blocks
// read as zero-filled.
std::vector<AtaAttribute> AtaAttributes(std::span<const uint8_t> smartData,
                                        std::span<const uint8_t> thresholds,
                                        bool addVendorSpecific);

}  // namespace info
