#pragma once
// The data pages a VK4630 returns: Identify Controller and Namespace (NVMe 1.4
// layout), the SMART / Health Information, Firmware Slot and Error Information
// log pages, and the controller's own 2048-byte vendor information pages.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "lab/drives/drive_state.h"
#include "lab/drives/vk4630/vk4630_settings.h"

namespace lab::drives {

inline constexpr size_t kIdentifySize = 4096;
inline constexpr size_t kLogPageSize = 512;
inline constexpr size_t kErrorEntrySize = 64;
inline constexpr size_t kErrorEntries = 64;
inline constexpr size_t kVendorPageSize = 2048;

namespace nid {  // Identify Controller offsets
inline constexpr size_t kVid = 0;
inline constexpr size_t kSsvid = 2;
inline constexpr size_t kSerial = 4;     // 20
inline constexpr size_t kModel = 24;     // 40
inline constexpr size_t kFirmware = 64;  // 8
inline constexpr size_t kVersion = 80;
inline constexpr size_t kOacs = 256;
inline constexpr size_t kFrmw = 260;
inline constexpr size_t kLpa = 261;
inline constexpr size_t kElpe = 262;
inline constexpr size_t kWctemp = 266;
inline constexpr size_t kCctemp = 268;
inline constexpr size_t kTnvmcap = 280;
inline constexpr size_t kNn = 516;
inline constexpr size_t kOncs = 520;
inline constexpr size_t kFna = 524;
inline constexpr size_t kSubnqn = 768;
inline constexpr size_t kPowerStates = 2048;
inline constexpr size_t kVendorArea = 3072;
}  // namespace nid

namespace nns {  // Identify Namespace offsets
inline constexpr size_t kSize = 0;
inline constexpr size_t kCapacity = 8;
inline constexpr size_t kUtilization = 16;
inline constexpr size_t kNlbaf = 25;
inline constexpr size_t kFlbas = 26;
inline constexpr size_t kNguid = 104;
inline constexpr size_t kEui64 = 120;
inline constexpr size_t kLbaFormat0 = 128;
}  // namespace nns

namespace vpage {                    // vendor information page offsets
inline constexpr size_t kMagic = 0;  // "VKMV"
inline constexpr size_t kMorePages = 4;
inline constexpr size_t kPageIndex = 5;
inline constexpr size_t kFirmware = 8;
inline constexpr size_t kSerial = 16;
inline constexpr size_t kModel = 36;
inline constexpr size_t kCapacity = 96;
inline constexpr size_t kControllerName = 496;
}  // namespace vpage

// The facts that change while the controller runs.
struct NvmeRuntimeFacts {
  std::string firmware;
  uint64_t sectors = 0;       // logical blocks of the namespace asked about
  uint32_t blockBytes = 512;  // its LBA data size
  uint32_t namespaces = 1;    // of the controller
  uint64_t hostReads = 0;
  uint64_t hostWrites = 0;
  uint64_t errorCount = 0;
};

std::vector<uint8_t> BuildIdentifyController(const Vk4630Settings& s, const NvmeRuntimeFacts& f);
std::vector<uint8_t> BuildIdentifyNamespace(const Vk4630Settings& s, const NvmeRuntimeFacts& f);
std::vector<uint8_t> BuildHealthLog(const Vk4630Settings& s, const DriveState& st,
                                    const NvmeRuntimeFacts& f);
std::vector<uint8_t> BuildFirmwareSlotLog(const DriveState& st);
std::vector<uint8_t> BuildVendorPage(const Vk4630Settings& s, const NvmeRuntimeFacts& f,
                                     uint8_t page);

// One entry of the Error Information log.
struct NvmeErrorEntry {
  uint64_t count = 0;
  uint16_t commandId = 0;
  uint16_t status = 0;  // status field: SC in bits 8:1, SCT in bits 11:9
  uint64_t lba = 0;
  uint32_t nsid = 0;
};
std::vector<uint8_t> BuildErrorLog(const std::vector<NvmeErrorEntry>& newestFirst);

}  // namespace lab::drives
