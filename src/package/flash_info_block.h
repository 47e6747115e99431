#pragma once
// Read-only view of the controller's 16 KiB flash information block (vendor
// read F0 3F): the IDENTIFY template, the die text, plane count and retry-table
// number. Bytes beyond a short span read as 0.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace firmware {

class FlashInfoBlock {
 public:
  static constexpr size_t kSize = 16 * 1024;
  static constexpr size_t kIdentifyTemplate = 0;
  static constexpr size_t kIdentifyTemplateLength = 512;
  static constexpr size_t kDieText = 0x20C0;
  static constexpr size_t kFlashConfigA = 0x2400;  // 512 bytes, read by the update file
  static constexpr size_t kFlashConfigB = 0x2600;  // 512 bytes, handed to the ISP builder
  static constexpr size_t kPlaneCount = 0x2638;
  static constexpr size_t kRetryTableNumber = 0x2688;

  static_assert(kDieText == 8384 && kPlaneCount == 9784 && kRetryTableNumber == 9864);
  static_assert(kPlaneCount == kFlashConfigB + 0x38);
  static_assert(kRetryTableNumber < kSize);

  FlashInfoBlock() = default;
  explicit FlashInfoBlock(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  std::span<const uint8_t> Bytes() const { return bytes_; }
  bool Complete() const { return bytes_.size() >= kSize; }
  uint8_t Byte(size_t offset) const { return offset < bytes_.size() ? bytes_[offset] : 0; }

  // The NUL-terminated text at kDieText; it ends at the block's end at the latest.
  std::string DieText() const;
  int PlaneCount() const { return Byte(kPlaneCount); }
  int RetryTableNumber() const { return Byte(kRetryTableNumber); }

 private:
  std::span<const uint8_t> bytes_;
};

}  // namespace firmware
