#include "lab/drives/vk4630/nvme_pages.h"

#include <algorithm>

#include "common/bytes.h"

namespace lab::drives {

namespace {

constexpr uint16_t kKelvin = 273;
constexpr uint64_t kSectorsPerDataUnit = 1000;  // data units are 1000 × 512 bytes
constexpr uint32_t kLbadsShift = 16;            // LBADS: bits 23:16 of an LBA format

uint8_t LbaDataShift(uint32_t blockBytes) {
  uint8_t shift = 9;
  while (shift < 16 && (1u << shift) < blockBytes) ++shift;
  return shift;
}

void PutPadded(std::vector<uint8_t>& page, size_t offset, std::string_view text, size_t width) {
  for (size_t i = 0; i < width && offset + i < page.size(); ++i) {
    page[offset + i] = i < text.size() ? static_cast<uint8_t>(text[i]) : ' ';
  }
}

void PutText(std::vector<uint8_t>& page, size_t offset, std::string_view text) {
  for (size_t i = 0; i < text.size() && offset + i < page.size(); ++i) {
    page[offset + i] = static_cast<uint8_t>(text[i]);
  }
}

// A 128-bit little-endian counter from a 64-bit value.
void Put128(std::vector<uint8_t>& page, size_t offset, uint64_t v) {
  common::WriteLe64(page, offset, v);
  common::WriteLe64(page, offset + 8, 0);
}

}  // namespace

std::vector<uint8_t> BuildIdentifyController(const Vk4630Settings& s, const NvmeRuntimeFacts& f) {
  std::vector<uint8_t> p(kIdentifySize, 0);
  common::WriteLe16(p, nid::kVid, s.pciVendor);
  common::WriteLe16(p, nid::kSsvid, s.pciSubVendor);
  PutPadded(p, nid::kSerial, s.serial, 20);
  PutPadded(p, nid::kModel, s.model, 40);
  PutPadded(p, nid::kFirmware, f.firmware, 8);
  p[72] = 2;     // recommended arbitration burst
  p[73] = 0x9F;  // IEEE OUI of the maker, least significant byte first
  p[74] = 0x1F;
  p[75] = 0x00;
  p[77] = 5;                    // maximum data transfer: 2^5 minimum pages (128 KiB)
  common::WriteLe16(p, 78, 1);  // controller id
  common::WriteLe32(p, nid::kVersion, 0x00010400);  // NVMe 1.4
  common::WriteLe32(p, 84, 500000);                 // RTD3 resume latency, microseconds
  common::WriteLe32(p, 88, 2000000);                // RTD3 entry latency
  common::WriteLe32(p, 92, 0x00000200);             // firmware activation notices
  p[111] = 1;                                       // I/O controller
  common::WriteLe16(p, nid::kOacs, 0x0006);         // Format NVM; firmware download and commit
  p[258] = 3;                                       // abort command limit
  p[259] = 3;                                       // asynchronous event request limit
  // Slot count in bits 3:1, bit 4: activation without reset.
  p[nid::kFrmw] = static_cast<uint8_t>((s.firmwareSlots << 1) | 0x10 | (s.slot1ReadOnly ? 1 : 0));
  p[nid::kLpa] = 0x04;  // extended data for Get Log Page
  p[nid::kElpe] = kErrorEntries - 1;
  p[263] = 2;  // three power states
  p[264] = 1;  // admin vendor commands use the standard format
  p[265] = 1;  // autonomous power state transitions
  common::WriteLe16(p, nid::kWctemp, kKelvin + 70);
  common::WriteLe16(p, nid::kCctemp, kKelvin + 82);
  common::WriteLe64(p, nid::kTnvmcap, f.sectors * f.blockBytes);
  p[319] = 0;     // firmware update granularity: no restriction given
  p[512] = 0x66;  // submission queue entry size 64
  p[513] = 0x44;  // completion queue entry size 16
  common::WriteLe32(p, nid::kNn, f.namespaces);
  common::WriteLe16(p, nid::kOncs, 0x000C);  // Dataset Management, Write Zeroes
  p[nid::kFna] = s.fna;
  p[525] = 1;  // volatile write cache present
  PutText(p, nid::kSubnqn, "nqn.2019-04.com.vkm:nvme:" + s.model + ":" + s.serial);
  // Power states: maximum power in centiwatts, entry and exit latencies.
  const uint16_t power[3] = {650, 420, 300};
  for (size_t i = 0; i < 3; ++i) {
    const size_t at = nid::kPowerStates + 32 * i;
    common::WriteLe16(p, at, power[i]);
    common::WriteLe32(p, at + 4, static_cast<uint32_t>(i * 2000));
    common::WriteLe32(p, at + 8, static_cast<uint32_t>(i * 2000));
    p[at + 12] = static_cast<uint8_t>(i);
    p[at + 13] = static_cast<uint8_t>(i);
    p[at + 14] = static_cast<uint8_t>(i);
    p[at + 15] = static_cast<uint8_t>(i);
  }
  PutText(p, nid::kVendorArea, s.controllerName);
  return p;
}

std::vector<uint8_t> BuildIdentifyNamespace(const Vk4630Settings& s, const NvmeRuntimeFacts& f) {
  std::vector<uint8_t> p(kIdentifySize, 0);
  common::WriteLe64(p, nns::kSize, f.sectors);
  common::WriteLe64(p, nns::kCapacity, f.sectors);
  common::WriteLe64(p, nns::kUtilization, f.sectors);
  p[24] = 0x04;  // deallocated blocks read as zeros
  p[nns::kNlbaf] = 0;
  p[nns::kFlbas] = 0;
  p[33] = 0x00;
  for (size_t i = 0; i < 8; ++i) {
    p[nns::kEui64 + i] = static_cast<uint8_t>(s.eui64 >> (56 - 8 * i));
    p[nns::kNguid + i] = static_cast<uint8_t>(s.eui64 >> (56 - 8 * i));
    p[nns::kNguid + 8 + i] = static_cast<uint8_t>(i + 1);
  }
  // LBA format 0: the media's block size as a power of two (LBADS), no metadata.
  common::WriteLe32(p, nns::kLbaFormat0, uint32_t{LbaDataShift(f.blockBytes)} << kLbadsShift);
  return p;
}

std::vector<uint8_t> BuildHealthLog(const Vk4630Settings& s, const DriveState& st,
                                    const NvmeRuntimeFacts& f) {
  std::vector<uint8_t> p(kLogPageSize, 0);
  uint8_t warning = s.criticalWarning;
  if (s.availableSpare < s.spareThreshold) warning |= 0x01;
  if (s.temperature >= 70) warning |= 0x02;
  p[0] = warning;
  common::WriteLe16(p, 1, static_cast<uint16_t>(kKelvin + s.temperature));
  p[3] = s.availableSpare;
  p[4] = s.spareThreshold;
  p[5] = s.percentageUsed;
  Put128(p, 32, s.dataUnitsRead + st.sectorsRead / kSectorsPerDataUnit);
  Put128(p, 48, s.dataUnitsWritten + st.sectorsWritten / kSectorsPerDataUnit);
  Put128(p, 64, f.hostReads);
  Put128(p, 80, f.hostWrites);
  Put128(p, 96, s.powerOnHours / 60);  // controller busy time, minutes
  Put128(p, 112, st.powerCycles);
  Put128(p, 128, s.powerOnHours);
  Put128(p, 144, st.unsafeShutdowns);
  Put128(p, 160, s.mediaErrors);
  Put128(p, 176, f.errorCount);
  common::WriteLe16(p, 200, static_cast<uint16_t>(kKelvin + s.temperature));
  common::WriteLe16(p, 202, static_cast<uint16_t>(kKelvin + s.temperature + 4));
  return p;
}

std::vector<uint8_t> BuildFirmwareSlotLog(const DriveState& st) {
  std::vector<uint8_t> p(kLogPageSize, 0);
  p[0] = static_cast<uint8_t>((st.activeSlot & 0x07) | (st.nextSlot & 0x07) << 4);
  for (size_t i = 0; i < kFirmwareSlots; ++i) {
    if (!st.slots[i].empty()) PutPadded(p, 8 + 8 * i, st.slots[i], 8);
  }
  return p;
}

std::vector<uint8_t> BuildVendorPage(const Vk4630Settings& s, const NvmeRuntimeFacts& f,
                                     uint8_t page) {
  std::vector<uint8_t> p(kVendorPageSize, 0);
  PutText(p, vpage::kMagic, "VKMV");
  p[vpage::kMorePages] = page + 1 < s.vendorPages ? 1 : 0;
  p[vpage::kPageIndex] = page;
  PutPadded(p, vpage::kFirmware, f.firmware, 8);
  PutPadded(p, vpage::kSerial, s.serial, 20);
  PutPadded(p, vpage::kModel, s.model, 40);
  common::WriteLe64(p, vpage::kCapacity, f.sectors);
  if (page == 0) {
    // Flash facts: maker ID and geometry.
    const uint8_t id[8] = {0x98, 0x3C, 0x98, 0xB3, 0x76, 0xF2, 0x08, 0x1C};
    std::copy(std::begin(id), std::end(id), p.begin() + 80);
    p[88] = 4;  // channels
    p[89] = 4;  // CE per channel
    p[90] = 2;  // dies per CE
    p[91] = 4;  // planes per die
  } else {
    common::WriteLe64(p, 128, s.powerOnHours);
    p[136] = s.temperature;
    p[137] = s.percentageUsed;
  }
  PutText(p, vpage::kControllerName, s.controllerName);
  if (page + 1 == s.vendorPages) PutText(p, s.vendorTagOffset, s.vendorTag);
  return p;
}

std::vector<uint8_t> BuildErrorLog(const std::vector<NvmeErrorEntry>& newestFirst) {
  std::vector<uint8_t> p(kErrorEntrySize * kErrorEntries, 0);
  for (size_t i = 0; i < newestFirst.size() && i < kErrorEntries; ++i) {
    const NvmeErrorEntry& e = newestFirst[i];
    const size_t at = i * kErrorEntrySize;
    common::WriteLe64(p, at, e.count);
    common::WriteLe16(p, at + 8, 0);  // admin submission queue
    common::WriteLe16(p, at + 10, e.commandId);
    common::WriteLe16(p, at + 12, e.status);
    common::WriteLe16(p, at + 14, 0xFFFF);  // no parameter location
    common::WriteLe64(p, at + 16, e.lba);
    common::WriteLe32(p, at + 24, e.nsid);
  }
  return p;
}

}  // namespace lab::drives
