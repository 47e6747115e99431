#pragma once
// The NVMe submission queue entry (64 bytes, little-endian dwords) and the
// admin opcodes this system sends. One definition for everything that
// builds or reads an entry: the command record, the vendor commands and the
// Linux backend's translation to the kernel's pass-through command.
#include <cstddef>
#include <cstdint>

namespace os {

inline constexpr size_t kNvmeSubmissionEntrySize = 64;

// Dword numbers inside the entry.
inline constexpr int kNvmeCdw0 = 0;  // opcode (bits 7..0), fused/PSDT flags (15..8), command id
inline constexpr int kNvmeNsid = 1;
inline constexpr int kNvmeCdw2 = 2;
inline constexpr int kNvmeCdw3 = 3;
inline constexpr int kNvmeCdw10 = 10;
inline constexpr int kNvmeCdw11 = 11;
inline constexpr int kNvmeCdw12 = 12;
inline constexpr int kNvmeCdw13 = 13;
inline constexpr int kNvmeCdw14 = 14;
inline constexpr int kNvmeCdw15 = 15;
inline constexpr int kNvmeEntryDwords = 16;

// Byte offset of a dword inside the entry.
constexpr size_t NvmeDwordOffset(int dword) { return 4 * static_cast<size_t>(dword); }
static_assert(NvmeDwordOffset(kNvmeEntryDwords) == kNvmeSubmissionEntrySize);

// Byte fields of CDW0.
inline constexpr size_t kNvmeOpcodeOffset = 0;
inline constexpr size_t kNvmeFlagsOffset = 1;

// Admin opcodes.
inline constexpr uint8_t kNvmeAdminGetLogPage = 0x02;
inline constexpr uint8_t kNvmeAdminIdentify = 0x06;
inline constexpr uint8_t kNvmeAdminFirmwareCommit = 0x10;
inline constexpr uint8_t kNvmeAdminFirmwareDownload = 0x11;
inline constexpr uint8_t kNvmeAdminFormatNvm = 0x80;
// Opcodes from here on are the vendor's own.
inline constexpr uint8_t kNvmeFirstVendorAdminOpcode = 0xC0;
inline constexpr uint8_t kNvmeFirstVendorIoOpcode = 0x80;

// Identify CNS values (CDW10).
inline constexpr uint32_t kNvmeCnsNamespace = 0;
inline constexpr uint32_t kNvmeCnsController = 1;

}  // namespace os
