// SMART, the security feature set and DOWNLOAD MICROCODE of AtaDrive.
#include <algorithm>

#include "lab/drives/ata/ata_drive.h"
#include "lab/drives/ata/ata_opcodes.h"
#include "lab/drives/ata/firmware_image.h"

namespace lab::drives {

AtaResult AtaDrive::Smart(const AtaCommand& c, AtaResult r) {
  if (c.current.lbaMid != ata::kSmartLbaMid || c.current.lbaHigh != ata::kSmartLbaHigh) {
    return Fail(r, ata::kErrorAbort);
  }
  const uint8_t feature = c.current.features;
  if (feature == ata::kSmartEnable) {
    if (!state_.smartEnabled) {
      state_.smartEnabled = true;
      NotifyStateChanged();
    }
    return Good(r);
  }
  if (!state_.smartEnabled) return Fail(r, ata::kErrorAbort);
  switch (feature) {
    case ata::kSmartDisable:
      state_.smartEnabled = false;
      NotifyStateChanged();
      return Good(r);
    case ata::kSmartReadData:
    case ata::kSmartReadThresholds: {
      if (c.data.size() < kSectorSize) return Fail(r, ata::kErrorAbort);
      const Sector s =
          feature == ata::kSmartReadData ? SmartData() : BuildSmartThresholds(Attributes());
      std::copy(s.begin(), s.end(), c.data.begin());
      r.bytesTransferred = kSectorSize;
      return Good(r);
    }
    case ata::kSmartReturnStatus: {
      const auto attrs = Attributes();
      const bool exceeded = std::any_of(attrs.begin(), attrs.end(), [](const SmartAttribute& a) {
        return a.threshold != 0 && a.current <= a.threshold;
      });
      r = Good(r);
      r.current.lbaMid = exceeded ? ata::kSmartExceededMid : ata::kSmartLbaMid;
      r.current.lbaHigh = exceeded ? ata::kSmartExceededHigh : ata::kSmartLbaHigh;
      return r;
    }
    case ata::kSmartAutosave:
    case ata::kSmartOfflineImmediate:
      return Good(r);
    default:
      return Fail(r, ata::kErrorAbort);
  }
}

AtaResult AtaDrive::Security(const AtaCommand& c, AtaResult r) {
  if (!settings_.features.security) return Fail(r, ata::kErrorAbort);
  const uint8_t op = c.current.command;
  const bool withData = op == ata::kSecuritySetPassword || op == ata::kSecurityUnlock ||
                        op == ata::kSecurityEraseUnit || op == ata::kSecurityDisablePassword;
  if (withData && c.data.size() < kSectorSize) return Fail(r, ata::kErrorAbort);
  const std::span<const uint8_t> block =
      withData ? std::span<const uint8_t>(c.data.first(kSectorSize)) : std::span<const uint8_t>();
  const SecurityRecord before = state_.security;
  AtaSecurity::Result result = AtaSecurity::Result::kAbort;
  switch (op) {
    case ata::kSecuritySetPassword:
      if (!settings_.rejectSetPassword) result = security_.SetPassword(block);
      break;
    case ata::kSecurityUnlock:
      result = security_.Unlock(block);
      break;
    case ata::kSecurityErasePrepare:
      result = security_.ErasePrepare();
      break;
    case ata::kSecurityEraseUnit:
      result = security_.EraseUnit(block, [this] { return ZeroUserData(); });
      break;
    case ata::kSecurityFreezeLock:
      result = security_.FreezeLock();
      break;
    case ata::kSecurityDisablePassword:
      result = security_.DisablePassword(block);
      break;
    default:
      break;
  }
  if (!(state_.security == before)) NotifyStateChanged();
  if (result != AtaSecurity::Result::kOk) return Fail(r, ata::kErrorAbort);
  r.bytesTransferred = withData ? static_cast<uint32_t>(kSectorSize) : 0;
  return Good(r);
}

AtaResult AtaDrive::DownloadMicrocode(const AtaCommand& c, AtaResult r) {
  const AtaFeatures& f = settings_.features;
  const bool dma = c.current.command == ata::kDownloadMicrocodeDma;
  if (!f.downloadMicrocode || (dma && !f.downloadMicrocodeDma)) return Fail(r, ata::kErrorAbort);
  if (security_.Locked()) return Fail(r, ata::kErrorAbort);
  const uint8_t sub = c.current.features;
  r.current.sectorCount = kDmStateNone;

  if (sub == kDmActivate) {
    if (state_.pendingFirmware.empty()) return Fail(r, ata::kErrorAbort);
    ActivatePending();
    r = Good(r);
    r.current.sectorCount = kDmStateApplied;
    return r;
  }
  if (sub != kDmDownloadOffsets && sub != kDmDownloadSave && sub != kDmDownloadDeferred) {
    return Fail(r, ata::kErrorAbort);
  }
  if (sub == kDmDownloadOffsets && !f.downloadOffsets) return Fail(r, ata::kErrorAbort);

  const uint32_t blocks = uint32_t{c.current.lbaLow} << 8 | c.current.sectorCount;
  const uint32_t offset = uint32_t{c.current.lbaHigh} << 8 | c.current.lbaMid;
  // The controller must be readied before a download starts; once it runs, a
  // restart into new firmware does not stop the rest of it.
  if (offset == 0 && !DownloadAllowed()) return Fail(r, ata::kErrorAbort);
  ++downloadSegments_;
  if (settings_.powerLossAtDownloadChunk != 0 &&
      downloadSegments_ == settings_.powerLossAtDownloadChunk) {
    PowerOff(true);
    r.delivered = false;
    return r;
  }
  if (settings_.rejectDownloadChunk != 0 && downloadSegments_ == settings_.rejectDownloadChunk) {
    receiver_.Reset();
    return Fail(r, settings_.rejectDownloadError);
  }
  if (c.data.size() < size_t{blocks} * kSectorSize) return Fail(r, ata::kErrorAbort);

  const MicrocodeReceiver::Outcome outcome = receiver_.Segment(sub, offset, blocks, c.data);
  switch (outcome) {
    case MicrocodeReceiver::Outcome::kMore:
      r = Good(r);
      r.current.sectorCount = kDmStateMore;
      break;
    case MicrocodeReceiver::Outcome::kComplete:
    case MicrocodeReceiver::Outcome::kPlainImage: {
      const std::vector<uint8_t> image = receiver_.Image();
      const bool final = outcome == MicrocodeReceiver::Outcome::kComplete;
      if (final) receiver_.Reset();
      r = Good(r);
      if (sub == kDmDownloadDeferred) {
        // Saved to flash; runs after 0Fh or the next power-on.
        state_.pendingFirmware = ImageVersion(image).value_or("");
        state_.pendingCid = ImageCid(image).value_or(std::vector<uint8_t>{});
        NotifyStateChanged();
        r.current.sectorCount = kDmStateSaved;
      } else {
        ActivateImage(image);
        r.current.sectorCount = final ? kDmStateApplied : kDmStateNone;
      }
      break;
    }
    case MicrocodeReceiver::Outcome::kBadOffset:
    case MicrocodeReceiver::Outcome::kBadSize:
      return Fail(r, ata::kErrorAbort);
    case MicrocodeReceiver::Outcome::kOutOfRange:
      return Fail(r, ata::kErrorIdNotFound);
  }
  r.bytesTransferred = blocks * static_cast<uint32_t>(kSectorSize);
  return r;
}

void AtaDrive::ActivateImage(std::span<const uint8_t> image) {
  if (const auto version = ImageVersion(image)) state_.firmware = *version;
  if (const auto cid = ImageCid(image)) state_.cid = *cid;
  state_.pendingFirmware.clear();
  state_.pendingCid.clear();
  state_.mode = "Normal";
  OnFirmwareActivated();
  NotifyStateChanged();
}

void AtaDrive::ActivatePending() {
  if (state_.pendingFirmware.empty()) return;
  state_.firmware = state_.pendingFirmware;
  if (state_.pendingCid.size() == kCidSize) state_.cid = state_.pendingCid;
  state_.pendingFirmware.clear();
  state_.pendingCid.clear();
  state_.mode = "Normal";
  OnFirmwareActivated();
  NotifyStateChanged();
}

}  // namespace lab::drives
