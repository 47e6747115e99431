#pragma once
// SMART READ DATA and READ THRESHOLDS sectors of an emulated SSD: the attribute
// table, the offline/self-test capability bytes, a vendor tag in the
// vendor-specific area and the checksum byte.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "lab/drives/ata/ata_identify.h"

namespace lab::drives {

namespace smart {
inline constexpr size_t kRevision = 0;
inline constexpr size_t kTable = 2;
inline constexpr size_t kEntrySize = 12;
inline constexpr size_t kEntries = 30;
inline constexpr size_t kOfflineStatus = 362;
inline constexpr size_t kSelfTestStatus = 363;
inline constexpr size_t kOfflineTime = 364;
inline constexpr size_t kOfflineCapability = 367;
inline constexpr size_t kSmartCapability = 368;
inline constexpr size_t kErrorLogCapability = 370;
inline constexpr size_t kShortTestMinutes = 372;
inline constexpr size_t kExtendedTestMinutes = 373;
inline constexpr size_t kVendorArea = 386;
inline constexpr size_t kChecksum = 511;
static_assert(kTable + kEntries * kEntrySize == kOfflineStatus);
}  // namespace smart

struct SmartAttribute {
  uint8_t id = 0;
  uint16_t flags = 0;
  uint8_t current = 100;
  uint8_t worst = 100;
  uint8_t threshold = 0;
  uint64_t raw = 0;  // 48 bits used
};

// The life facts an SSD reports; the drive keeps the counters up to date.
struct SmartCounters {
  uint64_t powerOnHours = 0;
  uint64_t powerCycles = 0;
  uint64_t unsafeShutdowns = 0;
  uint64_t reallocated = 0;
  uint8_t lifeLeft = 100;    // percent
  uint8_t temperature = 35;  // Celsius
  uint64_t hostWrites32MiB = 0;
  uint64_t hostReads32MiB = 0;
  uint64_t averageEraseCount = 0;
};

// The attribute set of a SATA SSD, from the counters.
std::vector<SmartAttribute> SsdAttributes(const SmartCounters& c);
// Replaces the raw value of an attribute, adding it when it is missing.
void SetRaw(std::vector<SmartAttribute>& attrs, uint8_t id, uint64_t raw);
// Sets an attribute's current value (the worst follows it down) and its
// threshold, adding the attribute when it is missing.
void SetValue(std::vector<SmartAttribute>& attrs, uint8_t id, uint8_t current, uint8_t threshold);

// A text placed in the vendor-specific area (or anywhere in the sector).
struct SmartTag {
  std::string text;
  size_t offset = 400;
};

Sector BuildSmartData(std::span<const SmartAttribute> attrs, const SmartTag& tag);
Sector BuildSmartThresholds(std::span<const SmartAttribute> attrs);
// Byte 511: the value that makes the 512 bytes sum to 0.
void SealSmart(std::span<uint8_t> sector);

}  // namespace lab::drives
