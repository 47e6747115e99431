#pragma once
// What determining the IC version needs from the drive's controller. The SATA
// vendor command object implements it (memory read F0 2A, mode switch F0 2C);
// tests use a fake.
#include <cstdint>
#include <span>

namespace firmware {

class IcVersionProbe {
 public:
  virtual ~IcVersionProbe() = default;
  // Reads data.size() bytes of controller memory at `address`. `normalFirmware`
  // selects the command layout a drive running its normal firmware expects.
  // 0 on success, a negative vendor status otherwise.
  virtual int ReadMemory(uint32_t address, std::span<uint8_t> data, bool normalFirmware) = 0;
  // The vendor mode switch with argument 0 or 1. 0 on success.
  virtual int SwitchMode(uint8_t value) = 0;
};

}  // namespace firmware
