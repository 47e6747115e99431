#pragma once
// VK4540LT: the concrete SATA vendor command object. On top of the exchange
// of VkmSsdHba it provides attach (INQUIRY, TEST UNIT READY, READ CAPACITY,
// vendor identify and detect), the vendor commands the update, information
// and maintenance flows use, the microcode download engine and forwarding of
// the ATA commands of the device layer to the bound drive.
#include <cstdint>
#include <span>

#include "device/ata/ata_commands.h"
#include "controller/sata/dm_status.h"
#include "controller/sata/vkm_ssd_hba.h"

namespace controller {

inline constexpr uint32_t kVendorIdentifySize = 1024;
inline constexpr uint32_t kParameterBlockSize = 1024;
inline constexpr uint32_t kFlashInfoBlockSize = 16384;
inline constexpr uint32_t kStatusBlockSize = 1024;

class VK4540LT : public VkmSsdHba {
 public:
  VK4540LT();

  // Clears ready, binds `dev` (opening it with force for the attach when
  // closed) and checks it: INQUIRY, TEST UNIT READY, READ CAPACITY(10),
  // vendor identify, detect and a read of LBA 0. Ready when detect
  // recognised the controller, the drive is a direct-access device and it
  // reported a capacity. Returns the ready flag.
  bool Attach(device::StorageDevice* dev) override;
  // Result of the last attach: 0, -127 (not ready for TEST UNIT READY) or the
  // detect result.
  int AttachResult() const { return attachResult_; }

  // --- Vendor commands (0 or an exchange result) ---

  // F0 20: 1024 bytes, through the first exchange (fall-back to LBA 0x789).
  int VendorIdentify(std::span<uint8_t> out);
  // F0 2A / F1 2B: controller memory at `address`, buffer.size() bytes; the
  // block carries size / 512 sectors. `longLayout` is set by callers when the
  // drive runs its normal firmware.
  int ReadMemory(uint32_t address, std::span<uint8_t> out, bool longLayout);
  int WriteMemory(uint32_t address, std::span<const uint8_t> data, bool longLayout);
  // F0 04: the 1024-byte ParameterBlock.
  int ReadParameterBlock(std::span<uint8_t> out);
  // F0 3F: the 16384-byte FlashInfoBlock.
  int ReadFlashInfo(std::span<uint8_t> out);
  // F0 2C with byte 2 = value (0 or 1); no data.
  int SwitchMode(uint8_t value);
  // F0 57 (flag set) or F0 54, the rest of the block zero: the controller's
  // own erase; a 1024-byte status block comes back.
  int ReadStatusBlock(std::span<uint8_t> out, bool flag);

  // Downloads `image` (totalBlocks * 512 bytes) with DOWNLOAD MICROCODE in
  // chunks of chunkBlocks, checking the drive's download state after each,
  // and activates with 0x0F when asked and the drive waits for it. `identify`
  // is the drive's 512-byte IDENTIFY DEVICE data. Returns DMStatus.
  int DMicrocode(uint8_t subcommand, uint32_t totalBlocks, uint32_t chunkBlocks,
                 std::span<const uint8_t> image, std::span<const uint8_t> identify, bool dma,
                 bool activate);

  // --- Forwarding to the device layer on the bound drive ---
  bool IdentifyDevice(std::span<uint8_t> out);
  bool SmartEnableOperations();
  bool SmartReadData(std::span<uint8_t> out);
  bool SmartReadThresholds(std::span<uint8_t> out);
  bool DownloadMicrocode(uint8_t subcommand, uint32_t offset, uint32_t count,
                         std::span<const uint8_t> data, bool dma, device::AtaRegisters* result);
  void SetTimeout(uint32_t seconds);
  // 0 on success, 1 otherwise (also without a bound drive).
  int SecuritySetPassword(std::span<const uint8_t> block);
  int SecurityErasePrepare();
  int SecurityEraseUnit(std::span<const uint8_t> block);
  int SecurityDisablePassword(std::span<const uint8_t> block);
  bool IsOpen() const;
  // Opens the drive unless it is open; true when it is open afterwards.
  bool Open(bool force);
  void Close();

 private:
  // A data-in vendor command of a fixed length, copied into `out`.
  int ReadFixed(const VendorCommandBlock& block, uint32_t length, std::span<uint8_t> out);
  bool AttachScsiRequest(uint8_t* cdb, uint8_t cdbLength, uint8_t flags, uint8_t* data,
                         uint32_t length);

  int attachResult_ = kTransferFailed;
};

}  // namespace controller
