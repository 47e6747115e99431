#include "lab/drives/ata/ata_drive.h"

#include <algorithm>

#include "lab/drives/ata/ata_opcodes.h"

namespace lab::drives {

namespace {

constexpr uint32_t kSectorsPer32MiB = 65536;
constexpr uint32_t kVerifySlice = 256;

bool IsExtended(uint8_t op) {
  switch (op) {
    case ata::kReadSectorsExt:
    case ata::kReadDmaExt:
    case ata::kReadMultipleExt:
    case ata::kWriteSectorsExt:
    case ata::kWriteDmaExt:
    case ata::kWriteDmaFuaExt:
    case ata::kWriteMultipleExt:
    case ata::kReadVerifyExt:
    case ata::kReadNativeMaxExt:
      return true;
    default:
      return false;
  }
}

MicrocodeReceiver::Limits LimitsOf(const AtaDriveSettings& s) {
  MicrocodeReceiver::Limits l;
  l.maxBlocks = s.features.dmMaxBlocks;
  l.bufferBlocks = s.dmBufferBlocks;
  l.unitBytes = s.dmUnitBytes;
  l.format = s.dmFormat;
  return l;
}

}  // namespace

AtaDrive::AtaDrive(AtaDriveSettings settings, std::shared_ptr<Media> media, DriveState state)
    : settings_(std::move(settings)),
      media_(std::move(media)),
      state_(std::move(state)),
      security_(state_.security, settings_.factoryMaster, true, settings_.securityFrozen),
      receiver_(LimitsOf(settings_)),
      faults_(settings_.failCommands, std::nullopt) {
  if (state_.firmware.empty()) state_.firmware = settings_.firmware;
  PowerOn();
}

void AtaDrive::SetStateListener(std::function<void(const DriveState&)> listener) {
  listener_ = std::move(listener);
}

void AtaDrive::NotifyStateChanged() {
  if (listener_) listener_(state_);
}

void AtaDrive::PowerOff(bool unsafe) {
  if (!powered_) return;
  powered_ = false;
  receiver_.Reset();
  if (unsafe) ++state_.unsafeShutdowns;
}

void AtaDrive::PowerOn() {
  powered_ = true;
  ++state_.powerCycles;
  receiver_.Reset();
  ActivatePending();
  security_.PowerOn();
  OnPowerOn();
}

bool AtaDrive::ZeroUserData() { return media_->Zero(0, media_->SectorCount()); }

AtaDrive::Intercept AtaDrive::InterceptRead(uint64_t, uint32_t, std::span<uint8_t>) {
  return Intercept::kPass;
}

AtaDrive::Intercept AtaDrive::InterceptWrite(uint64_t, uint32_t, std::span<const uint8_t>) {
  return Intercept::kPass;
}

AtaResult AtaDrive::Good(AtaResult r) {
  r.current.command = ata::kStatusGood;
  r.current.features = 0;
  return r;
}

AtaResult AtaDrive::Fail(AtaResult r, uint8_t error) {
  r.current.command = ata::kStatusError;
  r.current.features = error;
  r.bytesTransferred = 0;
  return r;
}

void AtaDrive::SetLba(AtaResult& r, bool extended, uint64_t lba) {
  r.current.lbaLow = static_cast<uint8_t>(lba);
  r.current.lbaMid = static_cast<uint8_t>(lba >> 8);
  r.current.lbaHigh = static_cast<uint8_t>(lba >> 16);
  if (extended) {
    r.previous.lbaLow = static_cast<uint8_t>(lba >> 24);
    r.previous.lbaMid = static_cast<uint8_t>(lba >> 32);
    r.previous.lbaHigh = static_cast<uint8_t>(lba >> 40);
  } else {
    r.current.device = static_cast<uint8_t>((r.current.device & 0xF0) | ((lba >> 24) & 0x0F));
  }
}

AtaDrive::Transfer AtaDrive::Decode(const AtaCommand& c) {
  Transfer t;
  const AtaRegisters& cur = c.current;
  const AtaRegisters& prev = c.previous;
  if (IsExtended(cur.command)) {
    t.lba = uint64_t{prev.lbaHigh} << 40 | uint64_t{prev.lbaMid} << 32 |
            uint64_t{prev.lbaLow} << 24 | uint64_t{cur.lbaHigh} << 16 | uint64_t{cur.lbaMid} << 8 |
            cur.lbaLow;
    t.count = uint32_t{prev.sectorCount} << 8 | cur.sectorCount;
    if (t.count == 0) t.count = 65536;
  } else {
    t.lba = uint64_t{cur.device & 0x0Fu} << 24 | uint64_t{cur.lbaHigh} << 16 |
            uint64_t{cur.lbaMid} << 8 | cur.lbaLow;
    t.count = cur.sectorCount == 0 ? 256 : cur.sectorCount;
  }
  return t;
}

bool AtaDrive::InRange(const Transfer& t) const {
  const uint64_t sectors = media_->SectorCount();
  return t.lba <= sectors && t.count <= sectors - t.lba;
}

std::optional<uint64_t> AtaDrive::FirstBadSector(uint64_t lba, uint32_t count) {
  std::vector<uint8_t> one(kSectorSize);
  for (uint32_t i = 0; i < count; ++i) {
    if (!media_->Read(lba + i, 1, one.data())) return lba + i;
  }
  return std::nullopt;
}

AtaResult AtaDrive::ExecuteAta(AtaCommand& c) {
  AtaResult r;
  r.current = c.current;
  r.previous = c.previous;
  if (!powered_) {
    r.delivered = false;
    return r;
  }
  const uint8_t op = c.current.command;
  security_.NoteCommand(op);
  if (faults_.Hit(op)) return Fail(r, ata::kErrorAbort);
  return Execute(c, r);
}

AtaResult AtaDrive::Execute(AtaCommand& c, AtaResult r) {
  const uint8_t op = c.current.command;
  switch (op) {
    case ata::kReadSectors:
    case ata::kReadSectorsNoRetry:
    case ata::kReadSectorsExt:
    case ata::kReadDma:
    case ata::kReadDmaExt:
    case ata::kReadMultiple:
    case ata::kReadMultipleExt:
      return ReadSectors(c, r);
    case ata::kWriteSectors:
    case ata::kWriteSectorsNoRetry:
    case ata::kWriteSectorsExt:
    case ata::kWriteDma:
    case ata::kWriteDmaExt:
    case ata::kWriteDmaFuaExt:
    case ata::kWriteMultiple:
    case ata::kWriteMultipleExt:
      return WriteSectors(c, r);
    case ata::kReadVerify:
    case ata::kReadVerifyNoRetry:
    case ata::kReadVerifyExt:
      return ReadVerify(c, r);
    case ata::kDataSetManagement:
      return DataSetManagement(c, r);
    case ata::kReadNativeMax:
    case ata::kReadNativeMaxExt:
      return ReadNativeMax(c, r);
    case ata::kIdentifyDevice:
      return IdentifyDevice(c, r);
    case ata::kSmart:
      return Smart(c, r);
    case ata::kSecuritySetPassword:
    case ata::kSecurityUnlock:
    case ata::kSecurityErasePrepare:
    case ata::kSecurityEraseUnit:
    case ata::kSecurityFreezeLock:
    case ata::kSecurityDisablePassword:
      return Security(c, r);
    case ata::kDownloadMicrocode:
    case ata::kDownloadMicrocodeDma:
      return DownloadMicrocode(c, r);
    case ata::kSetFeatures:
      return SetFeatures(c, r);
    case ata::kSetMultiple: {
      const uint8_t n = c.current.sectorCount;
      if (n > 16 || (n & (n - 1)) != 0) return Fail(r, ata::kErrorAbort);
      return Good(r);
    }
    case ata::kCheckPowerMode:
      r = Good(r);
      r.current.sectorCount = 0xFF;  // active or idle
      return r;
    case ata::kExecuteDiagnostic:
      r = Good(r);
      r.current.features = 0x01;  // device 0 passed
      r.current.sectorCount = 0x01;
      r.current.lbaLow = 0x01;
      r.current.lbaMid = 0x00;
      r.current.lbaHigh = 0x00;
      return r;
    case ata::kFlushCache:
    case ata::kFlushCacheExt:
    case ata::kStandbyImmediate:
    case ata::kIdleImmediate:
    case ata::kStandby:
    case ata::kIdle:
      return Good(r);
    default:  // NOP included: it always aborts
      return Fail(r, ata::kErrorAbort);
  }
}

AtaResult AtaDrive::ReadSectors(const AtaCommand& c, AtaResult r) {
  const bool ext = IsExtended(c.current.command);
  if (security_.Locked()) return Fail(r, ata::kErrorAbort);
  const Transfer t = Decode(c);
  const size_t bytes = size_t{t.count} * kSectorSize;
  if (c.data.size() < bytes) return Fail(r, ata::kErrorAbort);
  const auto out = c.data.first(bytes);
  switch (InterceptRead(t.lba, t.count, out)) {
    case Intercept::kDone:
      r.bytesTransferred = static_cast<uint32_t>(bytes);
      return Good(r);
    case Intercept::kAbort:
      return Fail(r, ata::kErrorAbort);
    case Intercept::kPass:
      break;
  }
  if (!InRange(t)) {
    r = Fail(r, ata::kErrorIdNotFound);
    SetLba(r, ext, t.lba);
    return r;
  }
  if (!media_->Read(t.lba, t.count, out.data())) {
    const uint64_t bad = FirstBadSector(t.lba, t.count).value_or(t.lba);
    r = Fail(r, ata::kErrorUncorrectable);
    SetLba(r, ext, bad);
    return r;
  }
  state_.sectorsRead += t.count;
  r.bytesTransferred = static_cast<uint32_t>(bytes);
  return Good(r);
}

AtaResult AtaDrive::WriteSectors(const AtaCommand& c, AtaResult r) {
  const bool ext = IsExtended(c.current.command);
  if (security_.Locked()) return Fail(r, ata::kErrorAbort);
  const Transfer t = Decode(c);
  const size_t bytes = size_t{t.count} * kSectorSize;
  if (c.data.size() < bytes) return Fail(r, ata::kErrorAbort);
  const auto in = std::span<const uint8_t>(c.data.first(bytes));
  switch (InterceptWrite(t.lba, t.count, in)) {
    case Intercept::kDone:
      r.bytesTransferred = static_cast<uint32_t>(bytes);
      return Good(r);
    case Intercept::kAbort:
      return Fail(r, ata::kErrorAbort);
    case Intercept::kPass:
      break;
  }
  if (!InRange(t)) {
    r = Fail(r, ata::kErrorIdNotFound);
    SetLba(r, ext, t.lba);
    return r;
  }
  if (!media_->Write(t.lba, t.count, in.data())) {
    r = Fail(r, ata::kErrorIdNotFound);
    SetLba(r, ext, t.lba);
    return r;
  }
  state_.sectorsWritten += t.count;
  r.bytesTransferred = static_cast<uint32_t>(bytes);
  return Good(r);
}

AtaResult AtaDrive::ReadVerify(const AtaCommand& c, AtaResult r) {
  const bool ext = IsExtended(c.current.command);
  if (security_.Locked()) return Fail(r, ata::kErrorAbort);
  const Transfer t = Decode(c);
  if (!InRange(t)) {
    r = Fail(r, ata::kErrorIdNotFound);
    SetLba(r, ext, t.lba);
    return r;
  }
  std::vector<uint8_t> scratch(size_t{kVerifySlice} * kSectorSize);
  for (uint32_t done = 0; done < t.count;) {
    const uint32_t n = std::min(kVerifySlice, t.count - done);
    if (!media_->Read(t.lba + done, n, scratch.data())) {
      r = Fail(r, ata::kErrorUncorrectable);
      SetLba(r, ext, FirstBadSector(t.lba + done, n).value_or(t.lba + done));
      return r;
    }
    done += n;
  }
  return Good(r);
}

AtaResult AtaDrive::DataSetManagement(const AtaCommand& c, AtaResult r) {
  // TRIM: 8-byte ranges (48-bit LBA, 16-bit length) in count × 512 bytes.
  if (!settings_.features.trim || !(c.current.features & 0x01)) return Fail(r, ata::kErrorAbort);
  if (security_.Locked()) return Fail(r, ata::kErrorAbort);
  const uint32_t blocks = uint32_t{c.previous.sectorCount} << 8 | c.current.sectorCount;
  const size_t bytes = size_t{blocks == 0 ? 65536u : blocks} * kSectorSize;
  if (c.data.size() < bytes) return Fail(r, ata::kErrorAbort);
  for (size_t at = 0; at + 8 <= bytes; at += 8) {
    uint64_t entry = 0;
    for (size_t b = 0; b < 8; ++b) entry |= uint64_t{c.data[at + b]} << (8 * b);
    const uint64_t lba = entry & 0xFFFFFFFFFFFFull;
    const uint32_t length = static_cast<uint32_t>(entry >> 48);
    if (length == 0) continue;
    if (!InRange({lba, length})) return Fail(r, ata::kErrorAbort);
    if (!media_->Zero(lba, length)) return Fail(r, ata::kErrorAbort);
  }
  return Good(r);
}

AtaResult AtaDrive::ReadNativeMax(const AtaCommand& c, AtaResult r) {
  const uint64_t sectors = media_->SectorCount();
  const bool ext = c.current.command == ata::kReadNativeMaxExt;
  const uint64_t max =
      sectors == 0 ? 0 : (ext ? sectors : std::min<uint64_t>(sectors, 0x10000000)) - 1;
  r = Good(r);
  SetLba(r, ext, max);
  return r;
}

AtaResult AtaDrive::IdentifyDevice(const AtaCommand& c, AtaResult r) {
  if (c.data.size() < kSectorSize) return Fail(r, ata::kErrorAbort);
  const Sector id = Identify();
  std::copy(id.begin(), id.end(), c.data.begin());
  r.bytesTransferred = kSectorSize;
  return Good(r);
}

AtaResult AtaDrive::SetFeatures(const AtaCommand& c, AtaResult r) {
  switch (c.current.features) {
    case 0x02:  // write cache on / off
    case 0x82:
    case 0x03:  // transfer mode
    case 0x05:  // APM on / off
    case 0x85:
    case 0x10:  // SATA features on / off
    case 0x90:
    case 0x55:  // read look-ahead off / on
    case 0xAA:
    case 0x66:  // keep / revert to power-on defaults
    case 0xCC:
      if ((c.current.features & 0x7F) == 0x05 && !settings_.features.apm) {
        return Fail(r, ata::kErrorAbort);
      }
      return Good(r);
    default:
      return Fail(r, ata::kErrorAbort);
  }
}

Sector AtaDrive::Identify() const {
  AtaIdentifyDynamic d;
  d.firmware = state_.firmware;
  d.sectors = media_->SectorCount();
  d.smartEnabled = state_.smartEnabled;
  d.securityStatus = settings_.features.security ? security_.StatusWord() : 0;
  d.masterPasswordId = state_.security.masterPasswordId;
  Sector id = BuildIdentify(settings_.model, settings_.serial, settings_.features, d);
  AdjustIdentify(id);
  SealIdentify(id);
  return id;
}

std::vector<SmartAttribute> AtaDrive::Attributes() const {
  SmartCounters c = settings_.smart;
  c.powerCycles = state_.powerCycles;
  c.unsafeShutdowns = state_.unsafeShutdowns;
  c.hostWrites32MiB += state_.sectorsWritten / kSectorsPer32MiB;
  c.hostReads32MiB += state_.sectorsRead / kSectorsPer32MiB;
  std::vector<SmartAttribute> attrs = SsdAttributes(c);
  for (const auto& [id, raw] : settings_.smartRaw) SetRaw(attrs, id, raw);
  for (const SmartValueKey& v : settings_.smartValues) {
    SetValue(attrs, v.id, v.current, v.threshold);
  }
  return attrs;
}

Sector AtaDrive::SmartData() const { return BuildSmartData(Attributes(), settings_.smartTag); }

}  // namespace lab::drives
