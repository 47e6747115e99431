#pragma once
// A drive's health in one word, with the reasons: "Good", "Caution" (the
// drive works but shows wear or errors worth a backup) or "Bad" (the drive
// itself says it is failing). From the NVMe SMART / Health log, or from the
// ATA SMART attributes and their thresholds.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "pages/info/smart/ata_attributes.h"
#include "pages/info/smart/ata_smart_table.h"

namespace info {

enum class Health { kGood, kCaution, kBad };

struct HealthVerdict {
  Health level = Health::kGood;
  // Why, in the order found; also notes that leave the level as it is (the
  // thresholds that could not be read).
  std::vector<std::string> reasons;

  // Adds a reason and raises the level to at least `at`.
  void Raise(Health at, std::string reason);
  void Note(std::string reason) { reasons.push_back(std::move(reason)); }
};

// "Good", "Caution" or "Bad".
std::string_view HealthText(Health level);
// The one line the Summary page shows: the word, then the reasons after a
// colon, separated by "; ".
std::string HealthLine(const HealthVerdict& verdict);

// NVMe SMART / Health Information log (log page 02h).
inline constexpr size_t kHealthCriticalWarning = 0;
inline constexpr size_t kHealthAvailableSpare = 3;
inline constexpr size_t kHealthSpareThreshold = 4;
inline constexpr size_t kHealthPercentageUsed = 5;
inline constexpr size_t kHealthMediaErrors = 160;  // 16 bytes
inline constexpr size_t kHealthMediaErrorBytes = 16;
// Percentage used reaches 100 when the rated endurance is used up.
inline constexpr uint8_t kRatedLifeUsed = 100;

// Any critical warning bit or the spare under its threshold is Bad; wear at or
// past the rated life and media errors are a Caution. A short log reads as
// zero-filled.
HealthVerdict NvmeHealthVerdict(std::span<const uint8_t> healthLog);

// The ATA attributes whose raw counts are a Caution above zero.
inline constexpr uint8_t kAttrReallocatedSectors = 0x05;
inline constexpr uint8_t kAttrPendingSectors = 0xC5;
inline constexpr uint8_t kAttrOfflineUncorrectable = 0xC6;

// An attribute at or under its threshold is Bad (a threshold of 0 never
// fails); reallocated, pending and offline uncorrectable counts above zero
// are a Caution. Without thresholds (`thresholdsRead` false) only the counts
// decide, and a reason says so. Attributes are named as `names` names them,
// else by ID.
HealthVerdict AtaHealthVerdict(std::span<const AtaAttribute> attributes, bool thresholdsRead,
                               const SmartAttributeNames& names);

}  // namespace info
