#pragma once
// SCSI command builders used by the scan, the vendor command sets and the
// clone. Each fills a request block addressed to the device, runs it through
// the dispatcher and returns true when it completed (SS_COMP). A buffer
// smaller than the transfer the command needs is refused without a request.
#include <cstdint>
#include <span>

#include "device/core/storage_device.h"

namespace device {

inline constexpr uint32_t kInquiryLength = 56;
inline constexpr uint32_t kBridgeInquiryCopyLength = 46;
inline constexpr uint8_t kBufferModeVendor = 0xFF;  // READ/WRITE BUFFER mode of the NVMe tunnel

// INQUIRY (12 00 00 00 38 00): 56 bytes into out.
bool ScsiInquiry(StorageDevice& dev, std::span<uint8_t> out);
// The Genesys tester bridge's inquiry (12 00 00 55 2E 00): the first 46 bytes.
bool ScsiBridgeInquiry(StorageDevice& dev, std::span<uint8_t> out);
// READ CAPACITY(10): last LBA and block length (big-endian on the wire).
bool ScsiReadCapacity(StorageDevice& dev, uint32_t* lastLba, uint32_t* blockLength);
// READ CAPACITY(16): 64-bit last LBA and block length.
bool ScsiReadCapacity16(StorageDevice& dev, uint64_t* lastLba, uint32_t* blockLength);
// READ(10) / WRITE(10) of `count` logical blocks (devBlockFactor × 512 bytes
// each). The CDB carries 16 bits of count.
bool ScsiRead10(StorageDevice& dev, uint32_t lba, uint32_t count, std::span<uint8_t> buffer);
bool ScsiWrite10(StorageDevice& dev, uint32_t lba, uint32_t count, std::span<const uint8_t> buffer);
// READ BUFFER / WRITE BUFFER of `sectors` × 512 bytes, buffer offset 0.
bool ScsiReadBuffer(StorageDevice& dev, uint8_t mode, uint8_t bufferId, uint32_t sectors,
                    std::span<uint8_t> buffer);
bool ScsiWriteBuffer(StorageDevice& dev, uint8_t mode, uint8_t bufferId, uint32_t sectors,
                     std::span<const uint8_t> buffer);
// IDENTIFY DEVICE through a SAT bridge (ATA PASS-THROUGH(16), PIO data in):
// 512 bytes into out.
bool IdentifyDeviceATAPI(StorageDevice& dev, std::span<uint8_t> out);

// Block count and block factor from READ CAPACITY: last LBA + 1 (a reported 0
// stays 0; a failed command gives 0). A drive whose last LBA does not fit
// the 10-byte answer is asked with READ CAPACITY(16).
uint64_t ReadCapacityBlocks(StorageDevice& dev);

}  // namespace device
