#pragma once
// The time-out a request goes out with. devTimeout is what callers set (5 s
// while probing, 15 s identifying, 20 s afterwards, 300 s around an erase);
// a drive left at the default of 65536 s would hang the tool for 18 hours
// once it stops answering, so the default stands for 60 s. Commands that
// can legitimately run for minutes (firmware download and commit, format,
// sanitize, security erase) get at least 300 s whatever was set.
#include <cstdint>
#include <span>

#include "device/core/storage_device.h"

namespace device {

inline constexpr uint32_t kOrdinaryRequestSeconds = 60;
inline constexpr uint32_t kLongRequestSeconds = 300;
// No request waits longer than this, whatever a caller set.
inline constexpr uint32_t kMaxRequestSeconds = 3600;

enum class RequestLength { kOrdinary, kLong };

uint32_t RequestTimeoutSeconds(const StorageDevice& dev, RequestLength length);

// The request lengths of the commands the transports send.
RequestLength AtaRequestLength(uint8_t command);
RequestLength ScsiRequestLength(std::span<const uint8_t> cdb);
RequestLength NvmeRequestLength(uint8_t opcode, bool admin);

}  // namespace device
