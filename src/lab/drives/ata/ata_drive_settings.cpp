#include "lab/drives/ata/ata_drive_settings.h"

#include <algorithm>

#include "lab/drives/value_text.h"

namespace lab::drives {

namespace {

template <typename T, typename U>
void Take(const std::optional<U>& given, T& field) {
  if (given) field = static_cast<T>(*given);
}

}  // namespace

AtaDriveSettings AtaSettingsFor(const DiskConfig& disk, const AtaDriveSettings& defaults) {
  AtaDriveSettings s = defaults;
  if (!disk.model.empty()) s.model = disk.model;
  if (!disk.serial.empty()) s.serial = disk.serial;
  if (!disk.firmware.empty()) s.firmware = disk.firmware;

  const DriveKeys& k = disk.drive;
  const AtaKeys& a = k.ata;
  AtaFeatures& f = s.features;
  Take(a.security, f.security);
  Take(a.trim, f.trim);
  Take(a.ncq, f.ncq);
  Take(a.apm, f.apm);
  Take(a.hipm, f.hipm);
  Take(a.dipm, f.dipm);
  Take(a.devSleep, f.devSleep);
  Take(a.downloadMicrocode, f.downloadMicrocode);
  Take(a.downloadMicrocodeDma, f.downloadMicrocodeDma);
  Take(a.downloadOffsets, f.downloadOffsets);
  Take(a.dmMinBlocks, f.dmMinBlocks);
  Take(a.dmMaxBlocks, f.dmMaxBlocks);
  Take(a.eraseMinutes, f.eraseMinutes);
  Take(a.wwn, f.wwn);
  Take(a.dmBufferBlocks, s.dmBufferBlocks);
  Take(a.dmUnitBytes, s.dmUnitBytes);
  s.dmUnitBytes -= s.dmUnitBytes % 512;
  Take(a.downloadFormat, s.dmFormat);
  if (a.masterPassword) {
    const auto field = PasswordField(*a.masterPassword);
    std::copy(field.begin(), field.end(), s.factoryMaster.begin());
  }

  SmartCounters& c = s.smart;
  Take(k.powerOnHours, c.powerOnHours);
  Take(a.lifeLeft, c.lifeLeft);
  Take(k.temperature, c.temperature);
  Take(a.reallocated, c.reallocated);
  Take(a.averageEraseCount, c.averageEraseCount);
  Take(a.hostWrites32MiB, c.hostWrites32MiB);
  Take(a.hostReads32MiB, c.hostReads32MiB);
  if (a.smartRaw) s.smartRaw = *a.smartRaw;
  if (a.smartValues) s.smartValues = *a.smartValues;
  Take(a.smartTag, s.smartTag.text);
  Take(a.smartTagOffset, s.smartTag.offset);

  Take(k.failCommands, s.failCommands);
  Take(a.rejectSetPassword, s.rejectSetPassword);
  Take(a.securityFrozen, s.securityFrozen);
  Take(k.rejectDownloadChunk, s.rejectDownloadChunk);
  Take(a.rejectDownloadError, s.rejectDownloadError);
  Take(k.powerLossAtDownloadChunk, s.powerLossAtDownloadChunk);
  return s;
}

}  // namespace lab::drives
