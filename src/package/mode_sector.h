#pragma once
// Read-only view of the 512-byte mode sector the detect sequence returns: which
// code the controller runs, and the variant letters of its name.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace firmware {

// The code a drive runs, numbered as the mode query reports it.
enum class DriveMode : int {
  kNormal = 0,
  kMpIsp = 1,
  kIsp = 2,
  kRom = 3,
};

class ModeSector {
 public:
  static constexpr size_t kSize = 512;
  static constexpr size_t kControllerName = 46;  // 8 characters, e.g. "VK4620XA"
  static constexpr size_t kControllerNameLength = 8;
  static constexpr size_t kVariant = 52;  // "XA" marks the XT2 variant
  static constexpr std::string_view kXt2Variant = "XA";

  static_assert(kVariant + kXt2Variant.size() <= kControllerName + kControllerNameLength);
  static_assert(kControllerName + kControllerNameLength <= kSize);

  ModeSector() = default;
  explicit ModeSector(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  std::span<const uint8_t> Bytes() const { return bytes_; }
  DriveMode Mode() const;
  bool IsNormalFirmware() const { return Mode() == DriveMode::kNormal; }
  bool IsXt2() const;

 private:
  bool StartsWith(std::string_view text) const;

  std::span<const uint8_t> bytes_;
};

}  // namespace firmware
