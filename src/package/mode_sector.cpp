#include "package/mode_sector.h"

namespace firmware {

bool ModeSector::StartsWith(std::string_view text) const {
  if (bytes_.size() < text.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (bytes_[i] != static_cast<uint8_t>(text[i])) return false;
  }
  return true;
}

DriveMode ModeSector::Mode() const {
  if (StartsWith("ISP")) return DriveMode::kIsp;
  if (StartsWith("MPISP")) return DriveMode::kMpIsp;
  if (StartsWith("ROMDE")) return DriveMode::kRom;
  return DriveMode::kNormal;
}

bool ModeSector::IsXt2() const {
  return bytes_.size() >= kVariant + kXt2Variant.size() &&
         bytes_[kVariant] == static_cast<uint8_t>(kXt2Variant[0]) &&
         bytes_[kVariant + 1] == static_cast<uint8_t>(kXt2Variant[1]);
}

}  // namespace firmware
