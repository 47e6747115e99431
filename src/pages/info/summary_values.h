#pragma once
// The Summary page's values of one drive: identity, power-on time, remaining
// life, bytes written and the four feature flags, taken from ATA IDENTIFY
// DEVICE and SMART READ DATA, or for an NVMe drive from Identify Controller
// and the SMART / Health log; and the texts the page shows for them.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace info {

// ATA IDENTIFY DEVICE feature words (byte offsets) and bits.
inline constexpr size_t kIdWord76 = 152;  // Serial ATA capabilities
inline constexpr uint16_t kIdNcqBit = 1u << 8;
inline constexpr size_t kIdWord82 = 164;  // commands supported
inline constexpr uint16_t kIdSmartBit = 1u << 0;
inline constexpr size_t kIdWord83 = 166;
inline constexpr uint16_t kIdApmBit = 1u << 3;
inline constexpr size_t kIdWord169 = 338;  // data set management
inline constexpr uint16_t kIdTrimBit = 1u << 0;

// SMART attributes the summary reads.
inline constexpr uint8_t kAttrPowerOnHours = 0x09;
inline constexpr uint8_t kAttrRemainingLife = 0xA9;
inline constexpr uint8_t kAttrTotalWritten = 0xF1;
// Attribute F1h counts units of 32 MiB.
inline constexpr uint32_t kTotalWrittenUnitBytes = 33554432;

// NVMe Identify Controller.
inline constexpr size_t kNvmeIdApsta = 265;  // autonomous power state transitions
inline constexpr uint8_t kNvmeApstaBit = 1u << 0;
inline constexpr size_t kNvmeIdOncs = 520;  // optional NVM command support
inline constexpr uint16_t kNvmeOncsDatasetManagementBit = 1u << 2;

// NVMe SMART / Health Information log.
inline constexpr size_t kNvmeLogPercentageUsed = 5;
inline constexpr size_t kNvmeLogDataUnitsWritten = 48;
inline constexpr size_t kNvmeLogPowerOnHours = 128;
inline constexpr size_t kNvmeLogCounterBytes = 16;
// One data unit is 1000 blocks of 512 bytes.
inline constexpr uint32_t kNvmeDataUnitBytes = 512000;

struct SummaryFeatures {
  bool smart = false;
  bool ncq = false;
  bool apm = false;
  bool trim = false;

  bool operator==(const SummaryFeatures&) const = default;
};

struct SummaryValues {
  std::string model;
  std::string firmware;
  std::string serial;
  std::string powerOnHours = "0";  // decimal digits
  int lifePercent = 0;
  std::string bytesWritten = "0";  // decimal digits, exact
  SummaryFeatures features;
};

// What the page's six value texts read.
struct SummaryTexts {
  std::string modelName;
  std::string fwVersion;
  std::string serialNumber;
  std::string powerOnTime;
  std::string ssdLife;
  std::string bytesWritten;

  bool operator==(const SummaryTexts&) const = default;
};

SummaryFeatures AtaSummaryFeatures(std::span<const uint8_t> identify);

// From the 512-byte IDENTIFY DEVICE data and the SMART READ DATA block (the 30
// attribute entries; the vendor area is not read). A missing attribute gives
// 0; of an ID stored twice the last entry wins. Short blocks read as zero.
SummaryValues AtaSummaryValues(std::span<const uint8_t> identify, std::span<const uint8_t> smart);

// From the 4096-byte Identify Controller data and the 512-byte health log:
// life is 100 minus the percentage used (never below 0), bytes written the
// data units written times 512,000. NVMe drives always report SMART data and
// queue commands natively.
SummaryValues NvmeSummaryValues(std::span<const uint8_t> identifyController,
                                std::span<const uint8_t> healthLog);

SummaryTexts FormatSummary(const SummaryValues& values);

}  // namespace info
