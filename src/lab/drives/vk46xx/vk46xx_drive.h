#pragma once
// A SATA SSD on a VK46xx controller (VK4610XT, VK4620XT, VK4620XT2): the ATA
// drive core plus the controller firmware's vendor protocol, controller memory,
// identity blocks, mode switch and vendor erase.
//
// Vendor commands (block byte 0 F0 reads data, F1 writes data; byte 1 the
// sub-opcode). Memory commands take the long layout (address bytes 2-5,
// sector count 6-7, big-endian) while the normal firmware runs and the short
// layout (address 4-7, count 10-11) in ISP, MPISP and ROM code; the others
// always take the short layout:
//   F0 20  vendor identify, 1024 bytes
//   F0 2A  read controller memory, count sectors
//   F1 2B  write controller memory, count sectors
//   F0 04  parameter block (count sectors, 0 meaning 2)
//   F0 3F  flash information block (count sectors, 0 meaning 32)
//   F0 2C  byte 2 = 1: run the normal firmware's command set; 0: back to the
//          code the drive booted
//   F0 57, F0 54  erase all user data, then 1024 bytes of erase status
#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>

#include "lab/drives/ata/ata_drive.h"
#include "lab/drives/vk46xx/controller_memory.h"
#include "lab/drives/vk46xx/vendor_protocol.h"
#include "lab/drives/vk46xx/vk46xx_settings.h"
#include "platform/virtual_clock.h"

namespace lab::drives {

namespace vcmd {
inline constexpr uint8_t kRead = 0xF0;
inline constexpr uint8_t kWrite = 0xF1;
inline constexpr uint8_t kIdentify = 0x20;
inline constexpr uint8_t kReadMemory = 0x2A;
inline constexpr uint8_t kWriteMemory = 0x2B;
inline constexpr uint8_t kParameterBlock = 0x04;
inline constexpr uint8_t kFlashInfo = 0x3F;
inline constexpr uint8_t kModeSwitch = 0x2C;
inline constexpr uint8_t kErase3d = 0x57;
inline constexpr uint8_t kErase2d = 0x54;
inline constexpr uint32_t kMaxMemorySectors = 256;
inline constexpr size_t kBlockBytes = 512;
}  // namespace vcmd

// A command block the firmware took from its command LBA, and when (on the
// lab's clock; 0 without one). Tests read the wire bytes and the pauses of a
// flow from it.
struct VendorCommandSeen {
  std::array<uint8_t, vcmd::kBlockBytes> block{};
  uint64_t atMs = 0;
};
static_assert(sizeof(VendorCommandSeen::block) == vcmd::kBlockBytes);

class Vk46xxDrive : public AtaDrive, private VendorCommandSet {
 public:
  // `clock` (optional) stamps the record of command blocks.
  Vk46xxDrive(Vk46xxSettings settings, std::shared_ptr<Media> media, DriveState state,
              const os::VirtualClock* clock = nullptr);

  const Vk46xxSettings& VkSettings() const { return vk_; }
  // The mode the firmware answers in now (a mode switch can change it).
  VkMode RunningMode() const;
  bool InVendorMode() const { return protocol_.InVendorMode(); }
  // The blocks as the vendor commands return them now.
  Sector CurrentModeSector() const;
  std::vector<uint8_t> ParameterBlock() const;
  std::vector<uint8_t> FlashInfoBlock() const;
  const ControllerMemory& Memory() const { return memory_; }
  // The last kSeenCommands command blocks, oldest first.
  static constexpr size_t kSeenCommands = 64;
  const std::deque<VendorCommandSeen>& SeenCommands() const { return seen_; }

 protected:
  Intercept InterceptRead(uint64_t lba, uint32_t count, std::span<uint8_t> out) override;
  Intercept InterceptWrite(uint64_t lba, uint32_t count, std::span<const uint8_t> in) override;
  void OnPowerOn() override;
  void OnFirmwareActivated() override;
  bool DownloadAllowed() const override;

 private:
  // VendorCommandSet
  Sector ModeSector() override { return CurrentModeSector(); }
  Start StartCommand(std::span<const uint8_t> block) override;
  bool FinishDataOut(std::span<const uint8_t> block, std::span<const uint8_t> data) override;

  VkMode BootMode() const;
  // Address and sector count of a memory command in the running mode's layout.
  std::pair<uint32_t, uint32_t> MemoryArguments(std::span<const uint8_t> block) const;
  Start DataIn(std::vector<uint8_t> data, size_t sectors, size_t defaultSectors);
  static Intercept Map(VendorProtocol::Action a);

  Vk46xxSettings vk_;
  ControllerMemory memory_;
  VendorProtocol protocol_;
  FaultCounter vendorFaults_;
  bool dataOutFails_ = false;
  std::optional<VkMode> switched_;  // set by F0 2C 1 until F0 2C 0 or power-on
  const os::VirtualClock* clock_ = nullptr;
  std::deque<VendorCommandSeen> seen_;
};

}  // namespace lab::drives
