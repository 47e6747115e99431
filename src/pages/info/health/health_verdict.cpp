#include "pages/info/health/health_verdict.h"

#include <algorithm>
#include <array>

#include "common/bytes.h"
#include "common/text.h"
#include "pages/info/format_thousands.h"

namespace info {
namespace {

// Critical warning byte, bit by bit (bits 6 and 7 are reserved).
constexpr std::array<const char*, 8> kCriticalWarnings = {
    "available spare below its threshold",
    "temperature outside its thresholds",
    "reliability degraded by media or internal errors",
    "media placed in read-only mode",
    "volatile memory backup device failed",
    "persistent memory region read-only or unreliable",
    "reserved bit 6 set",
    "reserved bit 7 set",
};

constexpr uint64_t k48Bits = 0xFFFFFFFFFFFFull;

std::string AttributeName(uint8_t id, const SmartAttributeNames& names) {
  const std::string& name = names[id];
  return name.empty() ? common::Format("attribute %02X", id)
                      : common::Format("attribute %02X %s", id, name.c_str());
}

std::string Count(uint64_t n, const char* one, const char* many) {
  return FormatThousands(n) + " " + (n == 1 ? one : many);
}

}  // namespace

void HealthVerdict::Raise(Health at, std::string reason) {
  level = std::max(level, at);
  reasons.push_back(std::move(reason));
}

std::string_view HealthText(Health level) {
  switch (level) {
    case Health::kGood:
      return "Good";
    case Health::kCaution:
      return "Caution";
    case Health::kBad:
      return "Bad";
  }
  return "Good";
}

std::string HealthLine(const HealthVerdict& verdict) {
  std::string line(HealthText(verdict.level));
  for (size_t i = 0; i < verdict.reasons.size(); ++i) {
    line += (i == 0 ? ": " : "; ") + verdict.reasons[i];
  }
  return line;
}

HealthVerdict NvmeHealthVerdict(std::span<const uint8_t> log) {
  HealthVerdict v;
  const uint8_t warning = common::Read8(log, kHealthCriticalWarning);
  for (size_t bit = 0; bit < kCriticalWarnings.size(); ++bit) {
    if ((warning >> bit & 1) != 0) {
      v.Raise(Health::kBad, std::string("critical warning: ") + kCriticalWarnings[bit]);
    }
  }
  const uint8_t spare = common::Read8(log, kHealthAvailableSpare);
  const uint8_t threshold = common::Read8(log, kHealthSpareThreshold);
  if (spare < threshold) {
    v.Raise(Health::kBad, common::Format("available spare %d%% is below its threshold of %d%%",
                                         spare, threshold));
  }
  const uint8_t used = common::Read8(log, kHealthPercentageUsed);
  if (used >= kRatedLifeUsed) {
    v.Raise(Health::kCaution,
            common::Format("percentage used %d%%: the rated endurance is used up", used));
  }
  std::array<uint8_t, kHealthMediaErrorBytes> errors{};
  for (size_t i = 0; i < errors.size(); ++i) errors[i] = common::Read8(log, kHealthMediaErrors + i);
  if (std::any_of(errors.begin(), errors.end(), [](uint8_t b) { return b != 0; })) {
    v.Raise(Health::kCaution,
            GroupThousands(ScaledDecimal(errors)) + " media and data integrity errors");
  }
  return v;
}

HealthVerdict AtaHealthVerdict(std::span<const AtaAttribute> attributes, bool thresholdsRead,
                               const SmartAttributeNames& names) {
  HealthVerdict v;
  for (const AtaAttribute& a : attributes) {
    if (a.threshold && *a.threshold != 0 && a.current <= *a.threshold) {
      v.Raise(Health::kBad,
              common::Format("%s is failing: value %d, threshold %d",
                             AttributeName(a.id, names).c_str(), a.current, *a.threshold));
    }
  }
  for (const AtaAttribute& a : attributes) {
    const uint64_t n = a.raw & k48Bits;
    if (a.vendorArea || n == 0) continue;
    if (a.id == kAttrReallocatedSectors) {
      v.Raise(Health::kCaution, Count(n, "reallocated sector", "reallocated sectors"));
    } else if (a.id == kAttrPendingSectors) {
      v.Raise(Health::kCaution, Count(n, "pending sector", "pending sectors"));
    } else if (a.id == kAttrOfflineUncorrectable) {
      v.Raise(Health::kCaution,
              Count(n, "offline uncorrectable sector", "offline uncorrectable sectors"));
    }
  }
  if (!thresholdsRead) {
    v.Note("the SMART thresholds were not read, so no attribute was checked against its threshold");
  }
  return v;
}

}  // namespace info
