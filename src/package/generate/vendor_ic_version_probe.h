#pragma once
// The IC version rules' view of a SATA drive: controller memory reads and the
// mode switch through the drive's vendor command object.
#include "package/ic_version_probe.h"
#include "controller/sata/vk4540lt.h"

namespace firmware {

class VendorIcVersionProbe : public IcVersionProbe {
 public:
  explicit VendorIcVersionProbe(controller::VK4540LT& drive) : drive_(drive) {}

  int ReadMemory(uint32_t address, std::span<uint8_t> data, bool normalFirmware) override {
    return drive_.ReadMemory(address, data, normalFirmware);
  }
  int SwitchMode(uint8_t value) override { return drive_.SwitchMode(value); }

 private:
  controller::VK4540LT& drive_;
};

}  // namespace firmware
