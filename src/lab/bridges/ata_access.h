#pragma once
// What a SCSI-to-ATA translation asks of the drive behind it: IDENTIFY (for
// INQUIRY strings and capacity), 48-bit DMA sector reads and writes, cache
// flush. Each call sends ordinary ATA commands through the device.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "lab/core/device_interfaces.h"

namespace lab {

inline constexpr uint8_t kAtaIdentifyDevice = 0xEC;
inline constexpr uint8_t kAtaReadDmaExt = 0x25;
inline constexpr uint8_t kAtaWriteDmaExt = 0x35;
inline constexpr uint8_t kAtaFlushCacheExt = 0xEA;
inline constexpr uint32_t kAtaSectorBytes = 512;

// The IDENTIFY DEVICE data, or empty when the drive did not answer cleanly.
std::vector<uint8_t> AtaIdentify(AtaDevice& device, bool* delivered = nullptr);

struct AtaIdentityText {
  std::string model;
  std::string serial;
  std::string firmware;
  uint64_t sectors = 0;
};
// Strings (byte pairs swapped back, trailing blanks dropped) and the
// addressable sector count (48-bit when the drive supports it).
AtaIdentityText DecodeAtaIdentify(std::span<const uint8_t> identify);

// Moves `count` sectors between the drive and `data` (count * 512 bytes),
// splitting into commands of at most 65536 sectors.
TransferOutcome AtaTransfer(AtaDevice& device, bool write, uint64_t lba, uint32_t count,
                               std::span<uint8_t> data, uint32_t timeoutSeconds);

}  // namespace lab
