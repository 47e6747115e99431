#pragma once
// Read-only view of the controller's 1024-byte parameter block (vendor read
// F0 04). A short or empty span is fine: bytes that are not there read as 0.
#include <cstddef>
#include <cstdint>
#include <span>

#include "package/ic_family.h"
#include "package/identity_field.h"

namespace firmware {

class ParameterBlock {
 public:
  static constexpr size_t kSize = 1024;
  static constexpr size_t kSignature = 0;
  static constexpr size_t kSignatureLength = 10;
  static constexpr size_t kPlaneMode = 19;
  static constexpr size_t kCapacityCode = 20;  // bytes 20, 21
  static constexpr size_t kSectorsPerUnit = 67;
  static constexpr size_t kBootParam0 = 88;
  static constexpr size_t kValidTlcPagesPerCe = 124;  // 16-bit little-endian
  static constexpr size_t kNandMaker = 240;
  static constexpr size_t kBootParam3 = 256;
  static constexpr size_t kBootParam4 = 257;
  static constexpr size_t kBootParam1 = 258;
  static constexpr size_t kIdentityField = 512;
  static constexpr size_t kRetryTag = kIdentityField + identity_field::kRetryTag;
  static constexpr size_t kFirmwareTag = kIdentityField + identity_field::kFirmwareTag;

  static constexpr const char* k4610Signature = "VK4610PARA";
  static constexpr const char* k4620Signature = "VK4620PARA";
  static constexpr uint8_t kMakerSnk = 0x45;
  static constexpr uint8_t kMakerTsb = 0x98;

  static_assert(kIdentityField + identity_field::kSize <= kSize);
  static_assert(kRetryTag == 520 && kFirmwareTag == 522);
  static_assert(kNandMaker < kSize && kBootParam1 < kIdentityField);

  ParameterBlock() = default;
  explicit ParameterBlock(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  std::span<const uint8_t> Bytes() const { return bytes_; }
  bool Complete() const { return bytes_.size() >= kSize; }
  uint8_t Byte(size_t offset) const { return offset < bytes_.size() ? bytes_[offset] : 0; }

  // The family signature may be anywhere in the text before the first NUL.
  IcFamily Family() const;
  uint8_t SectorsPerUnit() const { return Byte(kSectorsPerUnit); }
  uint8_t NandMakerCode() const { return Byte(kNandMaker); }
  // The identity field, cut short when the block is.
  std::span<const uint8_t> IdentityField() const;

 private:
  std::span<const uint8_t> bytes_;
};

}  // namespace firmware
