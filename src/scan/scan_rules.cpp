#include "scan/scan_rules.h"

#include <algorithm>
#include <vector>

#include "common/text.h"
#include "device/discovery/scan_flags.h"

namespace app {
namespace {

// Byte ranges of the identity texts.
constexpr size_t kAtaSerial = 10 * 2;
constexpr size_t kAtaSerialLength = 20;
constexpr size_t kAtaFirmware = 23 * 2;
constexpr size_t kAtaFirmwareLength = 8;
constexpr size_t kAtaModel = 27 * 2;
constexpr size_t kAtaModelLength = 40;
static_assert(kAtaModel + kAtaModelLength == 47 * 2);
static_assert(kAtaFirmware + kAtaFirmwareLength == kAtaModel);

constexpr size_t kNvmeSerial = 4;
constexpr size_t kNvmeSerialLength = 20;
constexpr size_t kNvmeModel = 24;
constexpr size_t kNvmeModelLength = 40;
constexpr size_t kNvmeFirmware = 64;
constexpr size_t kNvmeFirmwareLength = 8;
static_assert(kNvmeSerial + kNvmeSerialLength == kNvmeModel);
static_assert(kNvmeModel + kNvmeModelLength == kNvmeFirmware);

// The bytes of [offset, offset + length) that the data holds.
std::vector<uint8_t> Range(std::span<const uint8_t> data, size_t offset, size_t length) {
  if (offset >= data.size()) return {};
  const size_t n = std::min(length, data.size() - offset);
  return std::vector<uint8_t>(data.begin() + static_cast<ptrdiff_t>(offset),
                              data.begin() + static_cast<ptrdiff_t>(offset + n));
}

std::string SwappedText(std::span<const uint8_t> data, size_t offset, size_t length) {
  std::vector<uint8_t> bytes = Range(data, offset, length);
  common::SwapBytePairs(bytes);
  return common::TextFromBytes(bytes);
}

std::string PlainText(std::span<const uint8_t> data, size_t offset, size_t length) {
  return common::TextFromBytes(Range(data, offset, length));
}

}  // namespace

uint32_t BuildScanFlags(const AppOptions& options) {
  uint32_t flags = device::SCAN_ATA_BUS | device::SCAN_NVME_MINIPORT | device::SCAN_NVME_BRIDGE;
  if (options.ATA_PIFlag) flags |= device::SCAN_ATAPI;
  if (options.SupportInboxDriver) flags |= device::SCAN_NVME;
  if (options.EnableUFD) flags |= device::SCAN_VKM_UFD;
  return flags;
}

bool MaskedCompare(std::string_view tag, std::string_view text, size_t length,
                   std::string_view mask) {
  auto at = [](std::string_view s, size_t i) { return i < s.size() ? s[i] : '\0'; };
  for (size_t i = 0; i < length; ++i) {
    if (!mask.empty() && at(mask, i) != '1') continue;
    if (at(tag, i) != at(text, i)) return false;
  }
  return true;
}

bool BytesEqualAt(std::span<const uint8_t> data, int64_t offset, std::string_view expected) {
  if (expected.empty()) return true;
  if (offset < 0 || static_cast<uint64_t>(offset) > data.size() ||
      expected.size() > data.size() - static_cast<size_t>(offset)) {
    return false;
  }
  return std::equal(expected.begin(), expected.end(), data.begin() + static_cast<ptrdiff_t>(offset),
                    [](char e, uint8_t d) { return static_cast<uint8_t>(e) == d; });
}

IdentityTexts AtaIdentityTexts(std::span<const uint8_t> identify) {
  return {SwappedText(identify, kAtaSerial, kAtaSerialLength),
          SwappedText(identify, kAtaFirmware, kAtaFirmwareLength),
          SwappedText(identify, kAtaModel, kAtaModelLength)};
}

IdentityTexts NvmeIdentityTexts(std::span<const uint8_t> identifyController) {
  return {PlainText(identifyController, kNvmeSerial, kNvmeSerialLength),
          PlainText(identifyController, kNvmeFirmware, kNvmeFirmwareLength),
          PlainText(identifyController, kNvmeModel, kNvmeModelLength)};
}

IdentityTexts TrimmedIdentity(const IdentityTexts& t) {
  return {common::Trim(t.serial), common::Trim(t.firmware), common::Trim(t.model)};
}

bool IdentityUnknown(const IdentityTexts& t) {
  const IdentityTexts trimmed = TrimmedIdentity(t);
  return trimmed.serial.empty() && trimmed.firmware.empty() && trimmed.model.empty();
}

std::string AtaModelField(std::span<const uint8_t> identify) {
  std::vector<uint8_t> bytes = Range(identify, kAtaModel, kAtaModelLength);
  bytes.resize(kAtaModelLength, 0);
  common::SwapBytePairs(bytes);
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace app
