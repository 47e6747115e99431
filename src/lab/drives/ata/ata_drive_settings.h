#pragma once
// How one emulated SATA drive is built: identity, supported features, SMART
// facts and fault switches. AtaSettingsFor fills it from the disk's parsed
// lab.ini section (lab/config/drive_keys.h); keys not given keep the given
// defaults. Keys (one section per disk):
//
//   Model, Serial, Firmware            identity strings (40, 20, 8 characters)
//   Security, Trim, Ncq, Apm, Hipm, Dipm, DevSleep           0 or 1
//   DownloadMicrocode, DownloadMicrocodeDma, DownloadOffsets 0 or 1
//   DmMinBlocks, DmMaxBlocks           IDENTIFY words 234 and 235
//   DmBufferBlocks                     largest download the drive holds (blocks)
//   DmUnitBytes                        unit of the update-file framing
//   DownloadFormat                     auto, plain or update (microcode_receiver.h)
//   EraseMinutes, Wwn                  security erase time, world wide name
//   MasterPassword                     factory master password (text)
//   PowerOnHours, LifeLeft, Temperature, Reallocated, AverageEraseCount,
//   HostWrites32MiB, HostReads32MiB    SMART facts (writes/reads add to these)
//   SmartRaw                           "05=3,09=0x1234": raw values by attribute id
//   SmartValue                         "05:3:10": current value and threshold by id
//   SmartTag, SmartTagOffset           text placed in the SMART data sector
//   FailCommands                       "EC:2,C8:5+": opcodes failing at their n-th use
//   RejectSetPassword                  1: SECURITY SET PASSWORD always aborts
//   SecurityFrozen                     1: security frozen at every power-on
//   RejectDownloadChunk                n: the n-th DOWNLOAD MICROCODE segment fails
//   RejectDownloadError                error register of that failure (default 04h)
//   PowerLossAtDownloadChunk           n: power is lost during the n-th segment
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "lab/config/disk_config.h"
#include "lab/drives/ata/ata_identify.h"
#include "lab/drives/ata/ata_smart.h"
#include "lab/drives/ata/microcode_receiver.h"
#include "lab/drives/drive_state.h"

namespace lab::drives {

struct AtaDriveSettings {
  std::string model = "SATA SSD 256GB";
  std::string serial = "SN0000000000000001";
  std::string firmware = "V1.00";
  AtaFeatures features;
  SmartCounters smart;
  std::vector<std::pair<uint8_t, uint64_t>> smartRaw;
  std::vector<SmartValueKey> smartValues;
  SmartTag smartTag;
  Password factoryMaster{};
  uint32_t dmBufferBlocks = 4096;
  uint32_t dmUnitBytes = 4096;
  DownloadFormat dmFormat = DownloadFormat::kAuto;

  std::vector<FaultRule> failCommands;
  bool rejectSetPassword = false;
  bool securityFrozen = false;
  uint32_t rejectDownloadChunk = 0;
  uint8_t rejectDownloadError = 0x04;
  uint32_t powerLossAtDownloadChunk = 0;
};

AtaDriveSettings AtaSettingsFor(const DiskConfig& disk, const AtaDriveSettings& defaults = {});

}  // namespace lab::drives
