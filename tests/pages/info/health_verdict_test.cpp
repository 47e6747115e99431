// The health rules at their edges: a threshold of 0, a value exactly at its
// threshold, a spare exactly at its threshold, wear at exactly the rated life,
// counters wider than 64 bits, and thresholds that could not be read.
#include "pages/info/health/health_verdict.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "pages/info/smart/ata_attributes.h"

namespace {

using info::Health;

std::array<uint8_t, 512> Log(uint8_t warning, uint8_t spare, uint8_t threshold, uint8_t used) {
  std::array<uint8_t, 512> log{};
  log[0] = warning;
  log[3] = spare;
  log[4] = threshold;
  log[5] = used;
  return log;
}

TEST(NvmeHealth, SpareAtItsThresholdAndWearAtTheRatedLife) {
  EXPECT_EQ(info::HealthLine(info::NvmeHealthVerdict(Log(0, 10, 10, 99))), "Good");
  // A threshold of 0 can never be undercut.
  EXPECT_EQ(info::NvmeHealthVerdict(Log(0, 0, 0, 0)).level, Health::kGood);
  EXPECT_EQ(info::HealthLine(info::NvmeHealthVerdict(Log(0, 9, 10, 100))),
            "Bad: available spare 9% is below its threshold of 10%; percentage used 100%: the "
            "rated endurance is used up");
  EXPECT_EQ(info::NvmeHealthVerdict(Log(0, 50, 10, 255)).level, Health::kCaution);
}

TEST(NvmeHealth, EveryCriticalWarningBitIsNamedAndMediaErrorsCountAt128Bits) {
  std::array<uint8_t, 512> log = Log(0x3F, 100, 10, 1);
  const info::HealthVerdict v = info::NvmeHealthVerdict(log);
  EXPECT_EQ(v.level, Health::kBad);
  EXPECT_EQ(v.reasons, (std::vector<std::string>{
                           "critical warning: available spare below its threshold",
                           "critical warning: temperature outside its thresholds",
                           "critical warning: reliability degraded by media or internal errors",
                           "critical warning: media placed in read-only mode",
                           "critical warning: volatile memory backup device failed",
                           "critical warning: persistent memory region read-only or unreliable"}));

  log = Log(0, 100, 10, 1);
  log[160 + 8] = 1;  // 2^64 errors: past what a 64-bit read would see
  EXPECT_EQ(info::HealthLine(info::NvmeHealthVerdict(log)),
            "Caution: 18,446,744,073,709,551,616 media and data integrity errors");
  // A short log reads as zeros.
  EXPECT_EQ(info::NvmeHealthVerdict({}).level, Health::kGood);
}

// A SMART READ DATA block and its thresholds from (id, current, threshold, raw).
struct Entry {
  uint8_t id, current, threshold;
  uint64_t raw;
};
std::vector<info::AtaAttribute> Attributes(const std::vector<Entry>& entries, bool withThresholds,
                                           bool reverseThresholds = false) {
  std::array<uint8_t, 512> data{};
  std::array<uint8_t, 512> limits{};
  for (size_t i = 0; i < entries.size(); ++i) {
    const size_t at = 2 + 12 * i;
    data[at] = entries[i].id;
    data[at + 3] = entries[i].current;
    data[at + 4] = entries[i].current;
    for (size_t b = 0; b < 6; ++b)
      data[at + 5 + b] = static_cast<uint8_t>(entries[i].raw >> (8 * b));
    const size_t t = 2 + 12 * (reverseThresholds ? entries.size() - 1 - i : i);
    limits[t] = entries[i].id;
    limits[t + 1] = entries[i].threshold;
  }
  return info::AtaAttributes(
      data, withThresholds ? std::span<const uint8_t>(limits) : std::span<const uint8_t>(), false);
}

TEST(AtaHealth, AValueAtANonZeroThresholdFailsAndAThresholdOfZeroNeverDoes) {
  info::SmartAttributeNames names;
  names[0xAF] = "Power loss protection failures";
  // Thresholds listed in another order than the values: matched by ID.
  const auto attrs = Attributes(
      {{0x01, 0, 0, 0}, {0xAF, 10, 10, 0}, {0xE8, 11, 10, 0}, {0xB1, 3, 4, 0}}, true, true);
  ASSERT_EQ(attrs.size(), 4u);
  EXPECT_EQ(attrs[1].threshold, 10);
  const info::HealthVerdict v = info::AtaHealthVerdict(attrs, true, names);
  EXPECT_EQ(info::HealthLine(v),
            "Bad: attribute AF Power loss protection failures is failing: value 10, threshold "
            "10; attribute B1 is failing: value 3, threshold 4");
}

TEST(AtaHealth, CountsAboveZeroAreACautionAlsoWithoutThresholds) {
  const info::SmartAttributeNames names;
  const auto attrs = Attributes({{0x05, 1, 10, 1}, {0xC5, 100, 0, 0}, {0xC6, 100, 0, 1234}}, false);
  EXPECT_FALSE(attrs[0].threshold.has_value());
  const info::HealthVerdict v = info::AtaHealthVerdict(attrs, false, names);
  // The 05 value under its threshold goes unseen: there is no threshold.
  EXPECT_EQ(v.level, Health::kCaution);
  EXPECT_EQ(v.reasons,
            (std::vector<std::string>{"1 reallocated sector", "1,234 offline uncorrectable sectors",
                                      "the SMART thresholds were not read, so no attribute was "
                                      "checked against its threshold"}));
  EXPECT_EQ(info::AtaHealthVerdict(Attributes({{0x05, 100, 10, 0}}, false), false, names).level,
            Health::kGood);
}

}  // namespace
