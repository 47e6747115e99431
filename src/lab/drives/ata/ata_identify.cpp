#include "lab/drives/ata/ata_identify.h"

#include <algorithm>

#include "common/bytes.h"

namespace lab::drives {

uint16_t GetWord(std::span<const uint8_t> data, size_t word) {
  return common::ReadLe16(data, word * 2);
}

void SetWord(std::span<uint8_t> data, size_t word, uint16_t value) {
  common::WriteLe16(data, word * 2, value);
}

void PutAtaString(std::span<uint8_t> data, size_t word, size_t words, std::string_view text) {
  for (size_t i = 0; i < words * 2; ++i) {
    const uint8_t c = i < text.size() ? static_cast<uint8_t>(text[i]) : ' ';
    const size_t at = word * 2 + (i ^ 1);
    if (at < data.size()) data[at] = c;
  }
}

std::string GetAtaString(std::span<const uint8_t> data, size_t word, size_t words) {
  std::string s;
  for (size_t i = 0; i < words * 2; ++i) {
    const size_t at = word * 2 + (i ^ 1);
    s.push_back(at < data.size() ? static_cast<char>(data[at]) : ' ');
  }
  return s;
}

void SealIdentify(std::span<uint8_t> data) {
  if (data.size() < kSectorSize) return;
  data[510] = 0xA5;
  uint8_t sum = 0;
  for (size_t i = 0; i < 511; ++i) sum = static_cast<uint8_t>(sum + data[i]);
  data[511] = static_cast<uint8_t>(0x100 - sum);
}

Sector BuildIdentify(std::string_view model, std::string_view serial, const AtaFeatures& f,
                     const AtaIdentifyDynamic& d) {
  Sector id{};
  auto set = [&id](size_t word, uint16_t v) { SetWord(id, word, v); };
  const uint64_t lba28 = std::min<uint64_t>(d.sectors, 0x0FFFFFFF);

  set(idw::kGeneral, 0x0040);  // fixed device, not removable
  set(1, 16383);               // obsolete CHS geometry, as every SSD still reports it
  set(2, 0xC837);
  set(3, 16);
  set(6, 63);
  PutAtaString(id, idw::kSerial, 10, serial);
  PutAtaString(id, idw::kFirmware, 4, d.firmware);
  PutAtaString(id, idw::kModel, 20, model);
  set(47, 0x8010);  // READ/WRITE MULTIPLE: up to 16 sectors
  set(48, 0x4000);
  set(idw::kCapabilities, 0x2F00);  // LBA, DMA, IORDY, standby timer
  set(50, 0x4001);
  set(53, 0x0007);
  set(54, 16383);
  set(55, 16);
  set(56, 63);
  set(57, static_cast<uint16_t>(std::min<uint64_t>(lba28, 16514064)));
  set(58, static_cast<uint16_t>(std::min<uint64_t>(lba28, 16514064) >> 16));
  set(59, 0x0110);  // multiple sector setting valid, 16 sectors
  set(idw::kLba28, static_cast<uint16_t>(lba28));
  set(idw::kLba28 + 1, static_cast<uint16_t>(lba28 >> 16));
  set(63, 0x0407);  // multiword DMA 0-2, mode 2 selected
  set(64, 0x0003);  // PIO 3 and 4
  for (size_t w = 65; w <= 68; ++w) set(w, 0x0078);
  uint16_t w69 = 0x4020;  // deterministic data after trim, reads zeros after trim
  if (f.downloadMicrocode && f.downloadMicrocodeDma) w69 |= 0x0100;
  set(idw::kAdditionalSupported, w69);
  set(idw::kQueueDepth, f.ncq ? 0x001F : 0);
  uint16_t w76 = 0x000E;  // SATA 1.5, 3.0 and 6.0 Gb/s
  if (f.ncq) w76 |= 0x0100;
  if (f.hipm) w76 |= 0x0200;
  set(idw::kSataCapabilities, w76);
  set(77, 0x0006);        // running at 6.0 Gb/s
  uint16_t w78 = 0x0040;  // software settings preservation
  if (f.dipm) w78 |= 0x0008;
  if (f.devSleep) w78 |= 0x0100;
  set(idw::kSataFeatures, w78);
  set(idw::kSataEnabled, 0x0040);
  set(idw::kMajorVersion, 0x07F0);  // ATA/ATAPI-4 .. ACS-3
  set(81, 0x011B);
  const uint16_t w82 = static_cast<uint16_t>(0x7069 | (f.security ? 0x0002 : 0));  // SMART, PM,
  set(idw::kCommandSet1, w82);  // write cache, look-ahead, buffers, NOP
  uint16_t w83 = 0x7400;        // FLUSH CACHE (EXT), 48-bit
  if (f.apm) w83 |= 0x0008;
  if (f.downloadMicrocode) w83 |= 0x0001;
  set(idw::kCommandSet2, w83);
  set(idw::kCommandSet3, 0x4163);  // WWN, FUA, GPL, self-test, error log
  uint16_t w85 = 0x7068;
  if (d.smartEnabled) w85 |= 0x0001;
  if (d.securityStatus & kSecEnabled) w85 |= 0x0002;
  set(idw::kEnabled1, w85);
  set(idw::kEnabled2, static_cast<uint16_t>(0x8000 | (w83 & 0x3FFF)));
  set(idw::kEnabled3, 0x4163);
  set(idw::kUdma, 0x407F);  // UDMA 0-6, mode 6 selected
  if (f.security) {
    const uint16_t t = static_cast<uint16_t>(std::max<uint16_t>(1, f.eraseMinutes / 2));
    set(idw::kEraseTime, t);
    set(idw::kEnhancedEraseTime, t);
    set(idw::kMasterPasswordId, d.masterPasswordId);
  }
  set(91, f.apm ? 0x4080 : 0);
  for (size_t i = 0; i < 4; ++i) set(idw::kLba48 + i, static_cast<uint16_t>(d.sectors >> (16 * i)));
  set(idw::kSectorSizeInfo, 0x4000);  // 512-byte logical and physical sectors
  for (size_t i = 0; i < 4; ++i) set(idw::kWwn + i, static_cast<uint16_t>(f.wwn >> (48 - 16 * i)));
  set(idw::kCommandSet4, f.downloadOffsets ? 0x4010 : 0x4000);
  set(idw::kEnabled4, f.downloadOffsets ? 0x4010 : 0x4000);
  set(idw::kSecurityStatus, d.securityStatus);
  set(idw::kDataSetManagement, f.trim ? 0x0001 : 0);
  set(idw::kRotationRate, 0x0001);    // non-rotating medium
  set(idw::kTransportMajor, 0x107F);  // serial ATA, revisions up to 3.x
  if (f.downloadMicrocode) {
    set(idw::kDmMinBlocks, f.dmMinBlocks);
    set(idw::kDmMaxBlocks, f.dmMaxBlocks);
  }
  SealIdentify(id);
  return id;
}

}  // namespace lab::drives
