#include "lab/drives/vk4630/vk4630_controller.h"

#include <algorithm>

#include "common/bytes.h"

namespace lab::drives {

namespace {

constexpr uint32_t kAllNamespaces = 0xFFFFFFFF;

NvmeFirmwareSlots::Config SlotConfig(const Vk4630Settings& s) {
  NvmeFirmwareSlots::Config c;
  c.slots = s.firmwareSlots;
  c.slot1ReadOnly = s.slot1ReadOnly;
  c.activationReset = s.activationReset;
  c.maxImageBytes = s.maxImageBytes;
  c.versionOffset = s.imageVersionOffset;
  return c;
}

bool NoSlotsKept(const DriveState& st) {
  return std::all_of(st.slots.begin(), st.slots.end(),
                     [](const std::string& slot) { return slot.empty(); });
}

// A drive on its first start: the slots lab.ini describes; the running slot
// gets the factory firmware in Prepared.
DriveState WithFactorySlots(DriveState st, const Vk4630Settings& s) {
  if (!NoSlotsKept(st)) return st;
  const size_t n = std::min<size_t>(s.firmwareSlots, st.slots.size());
  for (size_t i = 0; i < n; ++i) st.slots[i] = s.factorySlots[i];
  if (s.factoryActiveSlot >= 1 && s.factoryActiveSlot <= s.firmwareSlots) {
    st.activeSlot = s.factoryActiveSlot;
    st.slots[st.activeSlot - 1u].clear();
  }
  return st;
}

DriveState Prepared(DriveState st, const Vk4630Settings& s) {
  if (st.activeSlot < 1 || st.activeSlot > s.firmwareSlots) st.activeSlot = 1;
  std::string& running = st.slots[st.activeSlot - 1u];
  if (running.empty()) running = st.firmware.empty() ? s.firmware : st.firmware;
  if (st.firmware.empty()) st.firmware = running;
  return st;
}

// Copies a page into the host buffer from a byte offset; the rest stays zero.
void CopyOut(std::span<uint8_t> out, const std::vector<uint8_t>& page, uint64_t offset,
             size_t length) {
  const size_t n = std::min(out.size(), length);
  std::fill(out.begin(), out.begin() + static_cast<ptrdiff_t>(n), 0);
  if (offset >= page.size()) return;
  const size_t avail = std::min<size_t>(n, page.size() - static_cast<size_t>(offset));
  std::copy_n(page.begin() + static_cast<ptrdiff_t>(offset), avail, out.begin());
}

}  // namespace

Vk4630Controller::Vk4630Controller(Vk4630Settings settings, std::shared_ptr<Media> media,
                                   DriveState state, const os::VirtualClock* clock)
    : settings_(std::move(settings)),
      media_(std::move(media)),
      factoryFresh_(NoSlotsKept(state)),
      state_(Prepared(WithFactorySlots(std::move(state), settings_), settings_)),
      slots_(state_, SlotConfig(settings_)),
      faults_(settings_.failCommands, std::nullopt),
      clock_(clock) {
  PowerOn();
  // Staged before the tool first met the drive: still waiting for a reset.
  const uint8_t next = settings_.factoryNextSlot;
  if (factoryFresh_ && next != 0 && next <= settings_.firmwareSlots && next != state_.activeSlot &&
      !state_.slots[next - 1u].empty()) {
    state_.nextSlot = next;
    Notify();
  }
}

bool Vk4630Controller::Silent() const {
  return clock_ != nullptr && clock_->ElapsedMs() < silentUntilMs_;
}

void Vk4630Controller::SetStateListener(std::function<void(const DriveState&)> listener) {
  listener_ = std::move(listener);
}

void Vk4630Controller::Notify() {
  if (listener_) listener_(state_);
}

void Vk4630Controller::PowerOff(bool unsafe) {
  if (!powered_) return;
  powered_ = false;
  slots_.DropDownload();
  if (unsafe) {
    ++state_.unsafeShutdowns;
    Notify();
  }
}

void Vk4630Controller::PowerOn() {
  powered_ = true;
  ++state_.powerCycles;
  slots_.Reset(NvmeFirmwareSlots::ResetKind::kPowerOn);
  Notify();
}

void Vk4630Controller::ControllerReset() {
  if (!powered_) return;
  slots_.Reset(NvmeFirmwareSlots::ResetKind::kController);
  Notify();
}

bool Vk4630Controller::AttachNamespace(std::shared_ptr<Media> media) {
  if (!media) return false;
  moreNamespaces_.push_back(std::move(media));
  return true;
}

Media* Vk4630Controller::NamespaceMedia(uint32_t nsid) const {
  if (nsid == 1) return media_.get();
  if (nsid < 2 || nsid - 2 >= moreNamespaces_.size()) return nullptr;
  return moreNamespaces_[nsid - 2].get();
}

NvmeRuntimeFacts Vk4630Controller::Facts(uint32_t nsid) const {
  NvmeRuntimeFacts f;
  f.firmware = state_.firmware;
  const Media* media = NamespaceMedia(nsid);
  if (media == nullptr) media = media_.get();
  f.sectors = media->SectorCount();
  f.blockBytes = media->SectorSize();
  f.namespaces = static_cast<uint32_t>(1 + moreNamespaces_.size());
  f.hostReads = hostReads_;
  f.hostWrites = hostWrites_;
  f.errorCount = errorCount_;
  return f;
}

std::vector<uint8_t> Vk4630Controller::IdentifyController() const {
  return BuildIdentifyController(settings_, Facts());
}

void Vk4630Controller::RecordError(const NvmeSubmission& c, NvmeStatus status) {
  ++errorCount_;
  NvmeErrorEntry e;
  e.count = errorCount_;
  e.status = static_cast<uint16_t>(status.sc << 1 | (status.sct & 0x07) << 9);
  e.nsid = c.nsid;
  if (!c.admin) e.lba = c.cdw[0] | uint64_t{c.cdw[1]} << 32;
  errors_.insert(errors_.begin(), e);
  if (errors_.size() > kErrorEntries) errors_.pop_back();
}

NvmeCompletion Vk4630Controller::ExecuteNvme(NvmeSubmission& c) {
  NvmeCompletion r;
  if (!powered_ || Silent()) {
    r.delivered = false;
    return r;
  }
  uint32_t dw0 = 0;
  NvmeStatus status;
  if (c.admin && faults_.Hit(c.opcode)) {
    status = kInternalError;
  } else if (c.admin) {
    status = Admin(c, dw0);
    if (!powered_) {  // power was lost in the middle of the command
      r.delivered = false;
      return r;
    }
  } else {
    status = Io(c);
  }
  if (!status.Ok()) RecordError(c, status);
  r.dw0 = dw0;
  r.statusCode = status.sc;
  r.statusCodeType = status.sct;
  return r;
}

NvmeStatus Vk4630Controller::Admin(NvmeSubmission& c, uint32_t& dw0) {
  switch (c.opcode) {
    case nvme::kIdentify:
      return Identify(c);
    case nvme::kGetLogPage:
      return GetLogPage(c);
    case nvme::kSetFeatures:
    case nvme::kGetFeatures:
      return Features(c, dw0);
    case nvme::kFirmwareDownload: {
      bool lost = false;
      const NvmeStatus s = FirmwareDownload(c, lost);
      if (lost) PowerOff(true);
      return s;
    }
    case nvme::kFirmwareCommit:
      return FirmwareCommit(c);
    case nvme::kFormatNvm:
      return FormatNvm(c);
    case nvme::kVendorRead:
      return VendorRead(c);
    case nvme::kVendorNoData:
      return VendorNoData(c);
    default:
      return kInvalidOpcode;
  }
}

NvmeStatus Vk4630Controller::Identify(NvmeSubmission& c) {
  const uint8_t cns = static_cast<uint8_t>(c.cdw[0]);
  std::vector<uint8_t> page;
  switch (cns) {
    case 0x00:
      if (c.nsid != kAllNamespaces && NamespaceMedia(c.nsid) == nullptr) return kInvalidNamespace;
      page = BuildIdentifyNamespace(settings_, Facts(c.nsid == kAllNamespaces ? 1 : c.nsid));
      break;
    case 0x01:
      page = BuildIdentifyController(settings_, Facts());
      break;
    case 0x02:  // active namespace list: namespaces above NSID
      page.assign(kIdentifySize, 0);
      for (uint32_t id = std::max<uint32_t>(c.nsid + 1, 1), at = 0;
           NamespaceMedia(id) != nullptr && at < kIdentifySize; ++id, at += 4)
        common::WriteLe32(page, at, id);
      break;
    case 0x03: {  // namespace identification descriptors
      if (NamespaceMedia(c.nsid) == nullptr) return kInvalidNamespace;
      page.assign(kIdentifySize, 0);
      const std::vector<uint8_t> ns = BuildIdentifyNamespace(settings_, Facts(c.nsid));
      page[0] = 1;  // EUI-64
      page[1] = 8;
      std::copy_n(ns.begin() + nns::kEui64, 8, page.begin() + 4);
      page[12] = 2;  // NGUID
      page[13] = 16;
      std::copy_n(ns.begin() + nns::kNguid, 16, page.begin() + 16);
      break;
    }
    default:
      return kInvalidField;
  }
  CopyOut(c.data, page, 0, kIdentifySize);
  return kNvmeSuccess;
}

NvmeStatus Vk4630Controller::GetLogPage(NvmeSubmission& c) {
  const uint8_t lid = static_cast<uint8_t>(c.cdw[0]);
  const uint64_t dwords = (uint64_t{c.cdw[1] & 0xFFFF} << 16 | (c.cdw[0] >> 16)) + 1;
  const uint64_t offset = c.cdw[2] | uint64_t{c.cdw[3]} << 32;
  if (offset % 4 != 0) return kInvalidField;
  std::vector<uint8_t> page;
  switch (lid) {
    case nvme::kLogError:
      page = BuildErrorLog(errors_);
      break;
    case nvme::kLogHealth:
      if (c.nsid != 0 && c.nsid != 1 && c.nsid != kAllNamespaces) return kInvalidField;
      page = BuildHealthLog(settings_, state_, Facts());
      break;
    case nvme::kLogFirmwareSlot:
      page = BuildFirmwareSlotLog(state_);
      break;
    default:
      return kInvalidLogPage;
  }
  if (offset >= page.size()) return kInvalidField;
  CopyOut(c.data, page, offset, static_cast<size_t>(std::min<uint64_t>(dwords * 4, SIZE_MAX)));
  return kNvmeSuccess;
}

NvmeStatus Vk4630Controller::Features(NvmeSubmission& c, uint32_t& dw0) {
  const uint8_t fid = static_cast<uint8_t>(c.cdw[0]);
  switch (fid) {
    case 0x01:  // arbitration
    case 0x02:  // power management
    case 0x08:  // interrupt coalescing
      dw0 = 0;
      return kNvmeSuccess;
    case 0x04:  // temperature threshold: 70 C
      dw0 = 273 + 70;
      return kNvmeSuccess;
    case 0x06:  // volatile write cache on
      dw0 = 1;
      return kNvmeSuccess;
    case 0x07:  // 64 submission and completion queues
      dw0 = 0x003F003F;
      return kNvmeSuccess;
    case 0x0B:  // asynchronous events: firmware activation notices
      dw0 = 0x200;
      return kNvmeSuccess;
    default:
      return kInvalidField;
  }
}

NvmeStatus Vk4630Controller::FirmwareDownload(NvmeSubmission& c, bool& powerLost) {
  const uint64_t bytes = (uint64_t{c.cdw[0]} + 1) * 4;
  const uint64_t offset = uint64_t{c.cdw[1]} * 4;
  ++downloads_;
  ++state_.firmwareDownloads;
  Notify();
  if (settings_.powerLossAtDownloadChunk != 0 && downloads_ == settings_.powerLossAtDownloadChunk) {
    powerLost = true;
    return kInternalError;
  }
  if (settings_.rejectDownloadChunk != 0 && downloads_ == settings_.rejectDownloadChunk) {
    return kInvalidField;
  }
  if (c.data.size() < bytes) return kInvalidField;
  return slots_.Download(offset, c.data.first(static_cast<size_t>(bytes)));
}

NvmeStatus Vk4630Controller::FirmwareCommit(NvmeSubmission& c) {
  const uint32_t cdw10 = c.cdw[0];
  const uint8_t slot = cdw10 & 0x07;
  const uint8_t action = (cdw10 >> 3) & 0x07;
  const bool bootPartition = (cdw10 >> 31) != 0;
  const DriveState before = state_;
  const NvmeStatus s = slots_.Commit(action, slot, bootPartition);
  if (!(state_ == before)) Notify();
  constexpr uint8_t kActivateNow = 3;
  if (action == kActivateNow && s.Ok() && clock_ != nullptr) {
    silentUntilMs_ = clock_->ElapsedMs() + settings_.activationSilenceMs;
  }
  return s;
}

NvmeStatus Vk4630Controller::FormatNvm(NvmeSubmission& c) {
  if (c.nsid != kAllNamespaces && NamespaceMedia(c.nsid) == nullptr) return kInvalidNamespace;
  const uint32_t cdw10 = c.cdw[0];
  const uint8_t lbaf = cdw10 & 0x0F;
  const bool mset = (cdw10 >> 4) & 1;
  const uint8_t pi = (cdw10 >> 5) & 0x07;
  const uint8_t ses = (cdw10 >> 9) & 0x07;
  if (lbaf != 0 || mset || pi != 0) return kInvalidFormat;
  if (ses > 2) return kInvalidField;
  // Every erase setting ends the same way here: deallocated blocks read as zeros.
  // A controller that formats all namespaces as one (FNA bit 0, or bit 1 for
  // a secure erase) does so whatever namespace the command names.
  const bool all = c.nsid == kAllNamespaces || (settings_.fna & Vk4630Settings::kFnaFormatAll) ||
                   (ses != 0 && (settings_.fna & Vk4630Settings::kFnaEraseAll));
  for (uint32_t id = 1; Media* m = NamespaceMedia(id); ++id) {
    if (!all && id != c.nsid) continue;
    if (!m->Zero(0, m->SectorCount())) return kInternalError;
  }
  return kNvmeSuccess;
}

NvmeStatus Vk4630Controller::VendorRead(NvmeSubmission& c) {
  if (c.cdw[2] != nvme::kVendorReadTag) return kInvalidField;
  const uint32_t page = c.cdw[3] & 0xFF;
  if (page >= settings_.vendorPages) return kInvalidField;
  const uint64_t length = c.cdw[0] == 0 ? kVendorPageSize : uint64_t{c.cdw[0]} * 4;
  CopyOut(c.data, BuildVendorPage(settings_, Facts(), static_cast<uint8_t>(page)), 0,
          static_cast<size_t>(std::min<uint64_t>(length, kVendorPageSize)));
  return kNvmeSuccess;
}

NvmeStatus Vk4630Controller::VendorNoData(NvmeSubmission& c) {
  if (c.cdw[2] != 1) return kInvalidField;
  return (c.cdw[3] & 1) ? kVendorAccepted : kNvmeSuccess;
}

NvmeStatus Vk4630Controller::Io(NvmeSubmission& c) {
  if (c.opcode == nvme::kFlush) {
    return NamespaceMedia(c.nsid) != nullptr || c.nsid == kAllNamespaces ? kNvmeSuccess
                                                                           : kInvalidNamespace;
  }
  Media* const media = NamespaceMedia(c.nsid);
  if (media == nullptr) return kInvalidNamespace;
  const uint64_t sectors = media->SectorCount();
  auto inRange = [sectors](uint64_t lba, uint64_t count) {
    return lba <= sectors && count <= sectors - lba;
  };
  if (c.opcode == nvme::kDatasetManagement) {
    if (!(c.cdw[1] & 0x04)) return kNvmeSuccess;  // hints only: nothing to do
    const uint32_t ranges = (c.cdw[0] & 0xFF) + 1;
    if (c.data.size() < size_t{ranges} * 16) return kInvalidField;
    for (uint32_t i = 0; i < ranges; ++i) {
      const uint32_t length = common::ReadLe32(c.data, i * 16 + 4);
      const uint64_t lba = common::ReadLe64(c.data, i * 16 + 8);
      if (length == 0) continue;
      if (!inRange(lba, length)) return kLbaOutOfRange;
      if (!media->Zero(lba, length)) return kInternalError;
    }
    return kNvmeSuccess;
  }
  const uint64_t lba = c.cdw[0] | uint64_t{c.cdw[1]} << 32;
  const uint32_t count = (c.cdw[2] & 0xFFFF) + 1;
  if (!inRange(lba, count)) return kLbaOutOfRange;
  const size_t bytes = size_t{count} * media_->SectorSize();
  switch (c.opcode) {
    case nvme::kRead:
      if (c.data.size() < bytes) return kInvalidField;
      ++hostReads_;
      if (!media->Read(lba, count, c.data.data())) return kUnrecoveredReadError;
      state_.sectorsRead += count;
      return kNvmeSuccess;
    case nvme::kWrite:
      if (c.data.size() < bytes) return kInvalidField;
      ++hostWrites_;
      if (!media->Write(lba, count, c.data.data())) return kInternalError;
      state_.sectorsWritten += count;
      return kNvmeSuccess;
    case nvme::kWriteZeroes:
      return media->Zero(lba, count) ? kNvmeSuccess : kInternalError;
    default:
      return kInvalidOpcode;
  }
}

bool Vk4630Controller::HandleControlRequest(uint32_t code, std::span<uint8_t> data) {
  if (!powered_ || Silent()) return false;
  switch (code) {
    case nvme::kCtrlWakeUp:
      return true;
    case nvme::kCtrlPciId:
      if (data.size() < 4) return false;
      common::WriteLe32(data, 0, uint32_t{settings_.pciDevice} << 16 | settings_.pciVendor);
      common::WriteLe32(data, 4, uint32_t{settings_.pciSubDevice} << 16 | settings_.pciSubVendor);
      return true;
    case nvme::kCtrlLocation:
      if (data.size() < 4) return false;
      common::WriteLe32(data, 0, settings_.miniportLocation);
      return true;
    default:
      return false;
  }
}

}  // namespace lab::drives
