#include "lab/drives/ata/ata_drive_settings.h"

#include <algorithm>

#include "common/text.h"
#include "lab/drives/value_text.h"

namespace lab::drives {

namespace {

bool Flag(const common::IniFile& ini, std::string_view section, std::string_view key, bool def) {
  return ReadRanged(ini, section, key, def ? 1 : 0, 0, 1) != 0;
}

template <typename T>
T Ranged(const common::IniFile& ini, std::string_view section, std::string_view key, T def,
         uint64_t min, uint64_t max) {
  return static_cast<T>(ReadRanged(ini, section, key, def, min, max));
}

}  // namespace

AtaDriveSettings ReadAtaDriveSettings(const common::IniFile& ini, std::string_view section,
                                      const AtaDriveSettings& d) {
  AtaDriveSettings s = d;
  s.model = ReadText(ini, section, "Model", d.model, 40);
  s.serial = ReadText(ini, section, "Serial", d.serial, 20);
  s.firmware = ReadText(ini, section, "Firmware", d.firmware, 8);

  AtaFeatures& f = s.features;
  f.security = Flag(ini, section, "Security", d.features.security);
  f.trim = Flag(ini, section, "Trim", d.features.trim);
  f.ncq = Flag(ini, section, "Ncq", d.features.ncq);
  f.apm = Flag(ini, section, "Apm", d.features.apm);
  f.hipm = Flag(ini, section, "Hipm", d.features.hipm);
  f.dipm = Flag(ini, section, "Dipm", d.features.dipm);
  f.devSleep = Flag(ini, section, "DevSleep", d.features.devSleep);
  f.downloadMicrocode = Flag(ini, section, "DownloadMicrocode", d.features.downloadMicrocode);
  f.downloadMicrocodeDma =
      Flag(ini, section, "DownloadMicrocodeDma", d.features.downloadMicrocodeDma);
  f.downloadOffsets = Flag(ini, section, "DownloadOffsets", d.features.downloadOffsets);
  f.dmMinBlocks = Ranged<uint16_t>(ini, section, "DmMinBlocks", d.features.dmMinBlocks, 0, 0xFFFF);
  f.dmMaxBlocks = Ranged<uint16_t>(ini, section, "DmMaxBlocks", d.features.dmMaxBlocks, 0, 0xFFFF);
  f.eraseMinutes =
      Ranged<uint16_t>(ini, section, "EraseMinutes", d.features.eraseMinutes, 0, 0xFFFF);
  f.wwn = ReadRanged(ini, section, "Wwn", d.features.wwn, 0, UINT64_MAX);
  s.dmBufferBlocks = Ranged<uint32_t>(ini, section, "DmBufferBlocks", d.dmBufferBlocks, 1, 65536);
  s.dmUnitBytes = Ranged<uint32_t>(ini, section, "DmUnitBytes", d.dmUnitBytes, 512, 1u << 20);
  s.dmUnitBytes -= s.dmUnitBytes % 512;
  if (ini.ValueExists(section, "DownloadFormat")) {
    const std::string v = common::Trim(ini.ReadString(section, "DownloadFormat", ""));
    if (common::EqualsNoCase(v, "auto")) s.dmFormat = DownloadFormat::kAuto;
    if (common::EqualsNoCase(v, "plain")) s.dmFormat = DownloadFormat::kPlain;
    if (common::EqualsNoCase(v, "update")) s.dmFormat = DownloadFormat::kUpdateFile;
  }

  if (ini.ValueExists(section, "MasterPassword")) {
    const auto field = PasswordField(ini.ReadString(section, "MasterPassword", ""));
    std::copy(field.begin(), field.end(), s.factoryMaster.begin());
  }

  SmartCounters& c = s.smart;
  c.powerOnHours =
      ReadRanged(ini, section, "PowerOnHours", d.smart.powerOnHours, 0, 0xFFFFFFFFFFFF);
  c.lifeLeft = Ranged<uint8_t>(ini, section, "LifeLeft", d.smart.lifeLeft, 0, 100);
  c.temperature = Ranged<uint8_t>(ini, section, "Temperature", d.smart.temperature, 0, 99);
  c.reallocated = ReadRanged(ini, section, "Reallocated", d.smart.reallocated, 0, 0xFFFFFFFFFFFF);
  c.averageEraseCount =
      ReadRanged(ini, section, "AverageEraseCount", d.smart.averageEraseCount, 0, 0xFFFFFFFF);
  c.hostWrites32MiB =
      ReadRanged(ini, section, "HostWrites32MiB", d.smart.hostWrites32MiB, 0, 0xFFFFFFFFFFFF);
  c.hostReads32MiB =
      ReadRanged(ini, section, "HostReads32MiB", d.smart.hostReads32MiB, 0, 0xFFFFFFFFFFFF);
  if (ini.ValueExists(section, "SmartRaw")) {
    s.smartRaw.clear();
    for (const std::string& entry : common::Split(ini.ReadString(section, "SmartRaw", ""), ',')) {
      const size_t eq = entry.find('=');
      if (eq == std::string::npos) continue;
      const auto id = ParseHex32(entry.substr(0, eq));
      const auto raw = ParseU64(entry.substr(eq + 1));
      if (!id || *id == 0 || *id > 0xFF || !raw || *raw > 0xFFFFFFFFFFFF) continue;
      s.smartRaw.emplace_back(static_cast<uint8_t>(*id), *raw);
    }
  }
  s.smartTag.text = ReadText(ini, section, "SmartTag", d.smartTag.text, 64);
  s.smartTag.offset = Ranged<size_t>(ini, section, "SmartTagOffset", d.smartTag.offset, 2, 510);

  s.failCommands = ReadText(ini, section, "FailCommands", d.failCommands, 256);
  s.rejectSetPassword = Flag(ini, section, "RejectSetPassword", d.rejectSetPassword);
  s.rejectDownloadChunk =
      Ranged<uint32_t>(ini, section, "RejectDownloadChunk", d.rejectDownloadChunk, 0, UINT32_MAX);
  s.rejectDownloadError =
      Ranged<uint8_t>(ini, section, "RejectDownloadError", d.rejectDownloadError, 1, 0xFF);
  s.powerLossAtDownloadChunk = Ranged<uint32_t>(ini, section, "PowerLossAtDownloadChunk",
                                                d.powerLossAtDownloadChunk, 0, UINT32_MAX);
  return s;
}

}  // namespace lab::drives
