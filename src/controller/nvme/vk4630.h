#pragma once
// VK4630: the concrete NVMe vendor object. It recognises the controller by
// its vendor read (controller name at byte 496 of the 2048-byte answer) or by
// the PCI identifier the miniport reports, and sends the two vendor admin
// commands the tool uses: the no-data command and the vendor read.
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "controller/nvme/nvme_ssd_hba.h"

namespace controller {

inline constexpr uint32_t kNvmeVendorInfoSize = 2048;
inline constexpr size_t kNvmeVendorNameOffset = 496;
inline constexpr size_t kPciIdTableSize = 11;

class VK4630 : public NVMeSsdHba {
 public:
  VK4630();

  // Slot 0: ready when the vendor read of 2048 bytes (selector 0) answers
  // with the controller name at byte 496, or when it fails on a USB bridge
  // (bridges may not pass vendor commands). Returns 0 for drives that are
  // not NVMe. Returns the ready flag.
  bool Attach(device::StorageDevice* dev) override;
  // Slot 1: ready when the PCI identifier control request answers one of the
  // supported identifiers, or, failing that, when the drive is a bridge.
  virtual bool AttachByControlRequest(device::StorageDevice* dev);

  // Controller name for the attach test: the first n characters (n <= 50).
  void SetControllerName(std::string_view text, uint32_t n);

  // Vendor no-data command (0xC0, CDW12 = 1, CDW13 = 1 when `flag`).
  int VendorNoData(bool flag);
  // Vendor read (0xC2) of out.size() bytes, CDW10 = length / 4, CDW12 =
  // 0x40, CDW13 = selector.
  int VendorRead(std::span<uint8_t> out, uint8_t selector);

  std::string ControllerName() const { return Text(controllerName_); }
  uint32_t ControllerNameLength() const { return controllerNameLength_; }
  std::string ParameterTag() const { return Text(paraTag_); }
  uint32_t ParameterTagLength() const { return paraTagLength_; }
  const std::array<uint32_t, kPciIdTableSize>& PciIds() const { return pciIds_; }

 protected:
  // Vendor opcodes: [3] is the no-data command, [5] the vendor read; the
  // others are kept for layout only and never sent.
  std::array<uint8_t, 8> opcodes_ = {0xC0, 0xC1, 0xC2, 0xC0, 0xC1, 0xC2, 0xD2, 0xD1};
  char controllerName_[50] = {};
  uint32_t controllerNameLength_ = 0;
  char paraTag_[50] = {};
  uint32_t paraTagLength_ = 0;
  std::array<uint32_t, kPciIdTableSize> pciIds_ = {};
};

}  // namespace controller
