#pragma once
// The USB-to-NVMe bridge tunnel: a 1024-byte command packet written with
// WRITE BUFFER (mode 0xFF, buffer 0), the data phase on buffer 1 and a status
// block read from buffer 2; the bridge's GPIO queries use the same packet
// with the query index in byte 68.
#include <cstdint>
#include <span>

#include "device/core/storage_device.h"

namespace device {

inline constexpr uint32_t kBridgePacketSize = 1024;
inline constexpr int kBridgePacketTimeoutOffset = 64;
inline constexpr int kBridgePacketQueueOffset = 68;  // also the GPIO index
inline constexpr uint8_t kBridgeBufferCommand = 0;
inline constexpr uint8_t kBridgeBufferData = 1;
inline constexpr uint8_t kBridgeBufferStatus = 2;

// GPIO query indexes.
inline constexpr uint8_t kGpioProbe = 4;
inline constexpr uint8_t kGpioLocation = 6;
inline constexpr uint8_t kGpioString = 7;
inline constexpr int kGpioStringOffset = 13;
inline constexpr int kGpioStringLength = 30;

// Sends GPIO query `index` and reads the 1024-byte answer into `answer`.
// Reopens a closed handle without force, up to 5 tries, and closes it again.
// True when the answer begins with "GPIO".
bool BridgeGpioQuery(StorageDevice& dev, uint8_t index, std::span<uint8_t> answer);
// The location query (index 6): one reopen, one 512-byte sector read back
// into `answer`; an answer beginning with "GPIO" sets devLocation from its
// bytes 4..7. Returns whether the read-back succeeded.
bool BridgeGpioLocation(StorageDevice& dev, std::span<uint8_t> answer);

}  // namespace device
