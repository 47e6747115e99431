#include "lab/machine/lab_machine.h"

#include <filesystem>

#include "common/text.h"
#include "lab/bridges/ata_access.h"
#include "lab/bridges/genesys_tester_bridge.h"
#include "lab/bridges/nvme_access.h"
#include "lab/bridges/nvme_scsi_translation.h"
#include "lab/bridges/sat_bridge.h"
#include "lab/bridges/usb_nvme_bridge.h"
#include "lab/faults/faulty_devices.h"
#include "lab/machine/state_check.h"
#include "lab/machine/state_files.h"
#include "lab/media/sparse_file_media.h"

namespace lab {
namespace {

constexpr size_t kMaxStateBytes = 1u << 20;

// The strings of the standard INQUIRY data a USB bridge answers with.
void DescribeUsb(const DiskConfig& d, const std::string& model, const std::string& firmware,
                 DiskDescriptor& out) {
  const InquiryIdentity id = InquiryIdentity::FromConfig(d);
  const std::string fallbackVendor = d.attachment == Attachment::kUsbNvme ? "NVMe" : "ATA";
  const std::vector<uint8_t> inq =
      BuildInquiry(id, fallbackVendor, model.substr(0, 16), firmware.substr(0, 4));
  auto field = [&](size_t off, size_t len) {
    return common::Trim(std::string(inq.begin() + static_cast<ptrdiff_t>(off),
                                    inq.begin() + static_cast<ptrdiff_t>(off + len)));
  };
  out.busType = 7;  // USB
  out.removable = id.removable;
  out.vendor = field(8, 8);
  out.product = field(16, 16);
  out.revision = field(32, 4);
  out.serial = d.usb.serial;
}

}  // namespace

std::unique_ptr<LabMachine> LabMachine::Build(LabConfig config, const std::string& stateDir,
                                              const DriveFactory& factory, os::VirtualClock& clock,
                                              std::string& error) {
  std::vector<std::string> problems = config.problems;
  CheckStateFiles(config, stateDir, problems);
  if (!problems.empty()) {
    error = "lab.ini has problems:";
    for (const std::string& p : problems) error += "\n  " + p;
    return nullptr;
  }
  std::error_code ec;
  std::filesystem::create_directories(stateDir, ec);
  if (ec) {
    error = "cannot create the lab state folder " + stateDir + ": " + ec.message();
    return nullptr;
  }
  std::unique_ptr<LabMachine> m(new LabMachine(std::move(config)));
  m->stateDir_ = stateDir;
  for (const DiskConfig& d : m->config_.disks) {
    if (!m->BuildDisk(d, factory, clock, m->disks_, error)) return nullptr;
  }
  for (const DiskConfig& d : m->config_.spares) {
    if (!m->BuildDisk(d, factory, clock, m->spares_, error)) return nullptr;
  }
  for (const auto& disk : m->disks_) {
    if (!disk->Config().replacedBy.empty()) {
      disk->replacement_ = m->SpareBySection(disk->Config().replacedBy);
    }
  }
  if (!m->AssignPorts(error)) return nullptr;
  m->BuildVolumes();
  m->BuildDeviceTree();
  return m;
}

bool LabMachine::BuildDisk(const DiskConfig& d, const DriveFactory& factory,
                           os::VirtualClock& clock, std::vector<std::unique_ptr<LabDisk>>& into,
                           std::string& error) {
  const std::string stem = (std::filesystem::path(stateDir_) / StateFileStem(d.section)).string();
  std::unique_ptr<SparseFileMedia> file =
      SparseFileMedia::Open(stem + ".img", d.sectors, d.sectorSize, error);
  if (!file) return false;
  file->SetUnreadable(d.faults.unreadable);
  std::shared_ptr<Media> media(std::move(file));
  if (!d.namespaceOf.empty()) return BuildNamespaceDisk(d, media, error);

  const std::string statePath = stem + ".state";
  DriveContext ctx{
      d, media, ReadSmallFile(statePath, kMaxStateBytes, Links::kRefuse).value_or(std::string()),
      [statePath](std::string_view text) { return WriteFileAtomically(statePath, text); }, clock};
  if (!factory) {
    error = "[" + d.section + "] the lab has no drive models";
    return false;
  }
  BuiltDrive built = factory(ctx);
  const bool nvme = NeedsNvmeDrive(d.attachment);
  if (!built.error.empty() || (nvme ? !built.nvme : !built.ata)) {
    error = "[" + d.section + "] " +
            (built.error.empty() ? std::string("the drive model gave no ") +
                                       (nvme ? "NVMe controller" : "ATA device") + " for " +
                                       AttachmentName(d.attachment)
                                 : built.error);
    return false;
  }

  auto disk = std::make_unique<LabDisk>(d, media);
  // What the system learns when it finds the disk (INQUIRY / IDENTIFY), asked
  // of the drive itself so the fault switches of the link are not spent on it.
  std::string model, firmware, serial;
  if (nvme) {
    const NvmeControllerText t = DecodeNvmeIdentify(NvmeIdentify(*built.nvme, 1, 0));
    model = t.model;
    firmware = t.firmware;
    serial = t.serial;
  } else {
    const AtaIdentityText t = DecodeAtaIdentify(AtaIdentify(*built.ata));
    model = t.model;
    firmware = t.firmware;
    serial = t.serial;
  }
  DiskDescriptor& desc = disk->descriptor_;
  desc.product = model;
  desc.revision = firmware;
  desc.serial = serial;

  const FaultSwitches& f = d.faults;
  switch (d.attachment) {
    case Attachment::kSata: {
      disk->ata_ = std::make_unique<FaultyAtaDevice>(std::move(built.ata), f);
      SatBridge::Options o;
      disk->scsi_ = std::make_unique<FaultyScsiTarget>(
          std::make_unique<SatBridge>(std::make_unique<AtaDeviceRef>(*disk->ata_), o), f);
      desc.busType = 11;  // SATA
      break;
    }
    case Attachment::kNvme:
    case Attachment::kNvmeMiniport:
      disk->nvme_ = std::make_unique<FaultyNvmeController>(std::move(built.nvme), f);
      disk->scsi_ = std::make_unique<FaultyScsiTarget>(
          std::make_unique<NvmeScsiDisk>(*disk->nvme_, "NVMe"), f);
      desc.busType = 17;  // NVMe
      desc.vendor = "NVMe";
      break;
    case Attachment::kUsbSat:
    case Attachment::kUsbGenesys:
    case Attachment::kUsbStorage: {
      SatBridge::Options o;
      o.inquiry = InquiryIdentity::FromConfig(d);
      o.passThrough = d.attachment != Attachment::kUsbStorage;
      auto drive = std::make_unique<FaultyAtaDevice>(std::move(built.ata), f);
      std::unique_ptr<ScsiTarget> bridge;
      if (d.attachment == Attachment::kUsbGenesys) {
        bridge = std::make_unique<GenesysTesterBridge>(std::move(drive), o, d.testerRevision);
      } else {
        bridge = std::make_unique<SatBridge>(std::move(drive), o);
      }
      disk->scsi_ = std::make_unique<FaultyScsiTarget>(std::move(bridge), f);
      DescribeUsb(d, model, firmware, desc);
      break;
    }
    case Attachment::kUsbNvme: {
      UsbNvmeBridge::Options o;
      o.inquiry = InquiryIdentity::FromConfig(d);
      o.bridgeString = d.usb.serial;
      o.slot = d.bridgeSlot;
      auto controller = std::make_unique<FaultyNvmeController>(std::move(built.nvme), f);
      disk->scsi_ = std::make_unique<FaultyScsiTarget>(
          std::make_unique<UsbNvmeBridge>(std::move(controller), o), f);
      DescribeUsb(d, model, firmware, desc);
      break;
    }
  }
  into.push_back(std::move(disk));
  return true;
}

LabDisk* LabMachine::SpareBySection(std::string_view section) const {
  for (const auto& d : spares_)
    if (common::EqualsNoCase(d->Config().section, section)) return d.get();
  return nullptr;
}

void LabMachine::CountCommand(LabDisk* disk) const {
  if (disk != nullptr) disk->CountCommand();
}

// A further namespace of an earlier disk's controller: the same controller
// (its firmware, identity and faults), its own media and namespace id.
bool LabMachine::BuildNamespaceDisk(const DiskConfig& d, std::shared_ptr<Media> media,
                                    std::string& error) {
  LabDisk* owner = DiskBySection(d.namespaceOf);
  if (owner == nullptr || owner->Nvme() == nullptr ||
      !owner->Nvme()->AttachNamespace(media)) {
    error = "[" + d.section + "] the controller of [" + d.namespaceOf +
            "] cannot have another namespace";
    return false;
  }
  auto disk = std::make_unique<LabDisk>(d, media);
  disk->nvme_ = std::make_unique<NvmeControllerRef>(*owner->Nvme());
  disk->scsi_ = std::make_unique<FaultyScsiTarget>(
      std::make_unique<NvmeScsiDisk>(*disk->nvme_, "NVMe", d.namespaceId), d.faults);
  disk->descriptor_ = owner->Descriptor();
  disks_.push_back(std::move(disk));
  return true;
}

LabDisk* LabMachine::DiskByNumber(uint32_t number) const {
  for (const auto& d : disks_)
    if (d->Number() == number) return d.get();
  return nullptr;
}

LabDisk* LabMachine::DiskBySection(std::string_view section) const {
  for (const auto& d : disks_)
    if (common::EqualsNoCase(d->Config().section, section)) return d.get();
  return nullptr;
}

LabDisk* LabMachine::DiskByInterfacePath(std::string_view path) const {
  for (const auto& d : disks_)
    if (common::EqualsNoCase(d->InterfacePath(), path)) return d.get();
  return nullptr;
}

Volume* LabMachine::VolumeByLetter(char letter) {
  const char up = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  for (Volume& v : volumes_)
    if (v.letter == up && v.present) return &v;
  return nullptr;
}

std::string LabMachine::MachineStatePath() const {
  return (std::filesystem::path(stateDir_) / "machine.state").string();
}

void LabMachine::RemoveVolumesOf(const LabDisk& disk) {
  std::string removed;
  for (Volume& v : volumes_) {
    for (const LabDisk* d : v.disks)
      if (d == &disk) v.present = false;
    if (!v.present) removed.push_back(v.letter);
  }
  WriteFileAtomically(MachineStatePath(), "RemovedLetters=" + removed + "\n");
}

ScsiPort* LabMachine::PortByNumber(uint32_t number) {
  for (const auto& p : ports_)
    if (p->number == number) return p.get();
  return nullptr;
}

void LabMachine::BuildVolumes() {
  const char system = SystemLetter();
  for (const auto& d : disks_) {
    for (char letter : d->Config().letters) {
      Volume* v = nullptr;
      for (Volume& existing : volumes_)
        if (existing.letter == letter) v = &existing;
      if (v == nullptr) {
        volumes_.push_back(Volume{letter, {}, letter == system, true, 0, true, ""});
        v = &volumes_.back();
      }
      v->disks.push_back(d.get());
      if (v->inUse.empty()) v->inUse = d->Config().inUse;
    }
  }
  // Volumes whose disk was cleaned in an earlier run stay gone.
  const std::string state =
      ReadSmallFile(MachineStatePath(), kMaxStateBytes, Links::kRefuse).value_or("");
  const size_t at = state.find("RemovedLetters=");
  if (at == std::string::npos) return;
  for (size_t i = at + 15; i < state.size() && state[i] != '\n' && state[i] != '\r'; ++i)
    for (Volume& v : volumes_)
      if (v.letter == state[i]) v.present = false;
}

}  // namespace lab
