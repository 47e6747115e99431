#include "device/core/identity_reader.h"

#include <algorithm>
#include <vector>

#include "common/bytes.h"
#include "common/text.h"
#include "device/ata/identify_words.h"

namespace device {
namespace {

namespace idw = identify;

constexpr size_t kAtaLba28 = 60;            // 2 words
constexpr size_t kAtaLba48 = 100;           // 4 words
constexpr size_t kAtaLba48SupportBit = 10;  // of word 83
static_assert(idw::ByteOf(kAtaLba48 + 4) <= idw::ByteOf(idw::kWordCount));

// The bytes of [offset, offset + length) that the data holds.
std::vector<uint8_t> Range(std::span<const uint8_t> data, size_t offset, size_t length) {
  if (offset >= data.size()) return {};
  const size_t n = std::min(length, data.size() - offset);
  return std::vector<uint8_t>(data.begin() + static_cast<ptrdiff_t>(offset),
                              data.begin() + static_cast<ptrdiff_t>(offset + n));
}

std::string SwappedText(std::span<const uint8_t> data, size_t word, size_t length) {
  std::vector<uint8_t> bytes = Range(data, idw::ByteOf(word), length);
  common::SwapBytePairs(bytes);
  return common::TextFromBytes(bytes);
}

std::string PlainText(std::span<const uint8_t> data, size_t offset, size_t length) {
  return common::TextFromBytes(Range(data, offset, length));
}

}  // namespace

IdentityTexts AtaIdentityTexts(std::span<const uint8_t> identify) {
  return {SwappedText(identify, idw::kSerialNumber, idw::kSerialNumberChars),
          SwappedText(identify, idw::kFirmwareRevision, idw::kFirmwareRevisionChars),
          SwappedText(identify, idw::kModelNumber, idw::kModelNumberChars)};
}

IdentityTexts NvmeIdentityTexts(std::span<const uint8_t> identifyController) {
  return {PlainText(identifyController, kNvmeIdSerialOffset, kNvmeIdSerialBytes),
          PlainText(identifyController, kNvmeIdFirmwareOffset, kNvmeIdFirmwareBytes),
          PlainText(identifyController, kNvmeIdModelOffset, kNvmeIdModelBytes)};
}

IdentityTexts TrimmedIdentity(const IdentityTexts& t) {
  return {common::Trim(t.serial), common::Trim(t.firmware), common::Trim(t.model)};
}

IdentityTexts ShownIdentity(const IdentityTexts& t) {
  const IdentityTexts trimmed = TrimmedIdentity(t);
  return {common::ShownText(trimmed.serial), common::ShownText(trimmed.firmware),
          common::ShownText(trimmed.model)};
}

bool IdentityUnknown(const IdentityTexts& t) {
  const IdentityTexts trimmed = TrimmedIdentity(t);
  return trimmed.serial.empty() && trimmed.firmware.empty() && trimmed.model.empty();
}

std::string AtaModelField(std::span<const uint8_t> identify) {
  std::vector<uint8_t> bytes =
      Range(identify, idw::ByteOf(idw::kModelNumber), idw::kModelNumberChars);
  bytes.resize(idw::kModelNumberChars, 0);
  common::SwapBytePairs(bytes);
  return std::string(bytes.begin(), bytes.end());
}

uint64_t AtaCapacitySectors(std::span<const uint8_t> identify) {
  if (idw::Bit(identify, idw::kCommandSet2, kAtaLba48SupportBit)) {
    uint64_t sectors = 0;
    for (size_t i = 4; i-- > 0;) sectors = (sectors << 16) | idw::Word(identify, kAtaLba48 + i);
    return sectors;
  }
  return (static_cast<uint64_t>(idw::Word(identify, kAtaLba28 + 1)) << 16) |
         idw::Word(identify, kAtaLba28);
}

uint64_t NvmeNamespaceBlocks(std::span<const uint8_t> identifyNamespace) {
  if (!common::Fits(identifyNamespace.size(), kNvmeNsSizeOffset, sizeof(uint64_t))) return 0;
  return common::ReadLe64(identifyNamespace, kNvmeNsSizeOffset);
}

}  // namespace device
