#pragma once
// ATA command builders on top of AtaPassThru: IDENTIFY DEVICE, SMART, sector
// reads and writes, DOWNLOAD MICROCODE, generic 28/48-bit commands and the
// ATA security commands. Registers are given as seven values in the order
// features, count, LBA low, LBA mid, LBA high, device, command (the low byte
// of each is sent); where a builder returns registers they come back as
// error, count, LBA low, LBA mid, LBA high, device, status.
#include <cstdint>
#include <span>

#include "device/core/storage_device.h"

namespace device {

struct AtaRegisters {
  uint32_t features = 0;  // error on return
  uint32_t count = 0;
  uint32_t lbaLow = 0;
  uint32_t lbaMid = 0;
  uint32_t lbaHigh = 0;
  uint32_t device = 0;
  uint32_t command = 0;  // status on return
};

inline constexpr uint32_t kAtaSector = 512;

// IDENTIFY DEVICE (EC): 512 bytes into out.
bool AtaIdentifyDevice(StorageDevice& dev, std::span<uint8_t> out);
// SMART ENABLE OPERATIONS (B0/D8).
bool AtaSmartEnableOperations(StorageDevice& dev);
// SMART READ DATA (B0/D0): 512 bytes into out.
bool AtaSmartReadData(StorageDevice& dev, std::span<uint8_t> out);
// SMART READ THRESHOLDS (B0/D1): 512 bytes into out, the threshold of each
// attribute at the same place in the table as SMART READ DATA has its values.
bool AtaSmartReadThresholds(StorageDevice& dev, std::span<uint8_t> out);
// READ DMA (C8) or READ SECTORS (20) of count (24 bits) sectors at a 28-bit LBA.
// `result` (optional) receives the seven returned registers, also of a failed
// read (then the error register says what the drive found).
bool AtaReadSectors(StorageDevice& dev, uint32_t lba, uint32_t count, std::span<uint8_t> buffer,
                    bool dma, AtaRegisters* result = nullptr);
// WRITE DMA (CA) or WRITE SECTORS (30).
bool AtaWriteSectors(StorageDevice& dev, uint32_t lba, uint32_t count,
                     std::span<const uint8_t> buffer, bool dma);
// DOWNLOAD MICROCODE (93 DMA, 92 PIO). Count and offset go to the registers
// for subcommands 03, 07 and 0E; subcommand 0F is sent without data. Fails
// without a command when `data` is empty, also for 0F. `result` (optional)
// receives the seven returned registers.
bool AtaDownloadMicrocode(StorageDevice& dev, uint8_t subcommand, uint32_t offset, uint32_t count,
                          std::span<const uint8_t> data, bool dma, AtaRegisters* result);
// Generic commands with `sectors` × 512 bytes of data (none for 0). `regs`
// are sent and replaced by the returned registers; `previous` (48-bit only)
// are the high-order registers.
bool AtaGenericDataIn(StorageDevice& dev, AtaRegisters& regs, const AtaRegisters& previous,
                      uint32_t sectors, std::span<uint8_t> buffer, bool dma, bool ext48);
bool AtaGenericDataOut(StorageDevice& dev, AtaRegisters& regs, const AtaRegisters& previous,
                       uint32_t sectors, std::span<const uint8_t> buffer, bool dma, bool ext48);

// ATA security commands, sent only to a drive with STORAGE_ATA: 0 on
// success, 1 otherwise. The 512-byte blocks are built by the caller.
int AtaSecuritySetPassword(StorageDevice& dev, std::span<const uint8_t> block);
int AtaSecurityErasePrepare(StorageDevice& dev);
int AtaSecurityEraseUnit(StorageDevice& dev, std::span<const uint8_t> block);
// SECURITY DISABLE PASSWORD (F6h) with the same 512-byte block layout as SET
// PASSWORD: removes the user password so the drive does not lock at power-on.
int AtaSecurityDisablePassword(StorageDevice& dev, std::span<const uint8_t> block);

}  // namespace device
