// ssdtools_vm_probe: sends single commands to every disk the tool's own
// discovery lists, through the same device and vendor objects the tool uses,
// and prints what each one reported as one JSON document. The virtual-machine
// test compares it with smartctl and nvme-cli and checks that the commands
// QEMU's disks refuse come back as failures.
//
// It sends DOWNLOAD MICROCODE, SECURITY ERASE PREPARE and an NVMe firmware
// download and commit, so it runs only inside a QEMU guest and only when told
// so on the command line.
//
// With --format-nvm PHYSICALDRIVEn it sends one Format NVM instead, to that
// disk only: the erase's own command image, for the namespace the device
// layer learns from the disk's SCSI address (or, with --nsid N, for namespace
// N, which the backend must refuse when it is not the disk's). The erase
// itself refuses the test's NVMe disks, as QEMU's controllers are not the
// maker's drives; this is how the guest sees where its Format NVM lands.
#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "common/json_writer.h"
#include "common/text.h"
#include "device/ata/ata_commands.h"
#include "device/core/dev_attribute.h"
#include "device/discovery/aspi_lib.h"
#include "device/discovery/scan_flags.h"
#include "device/enumeration/disk_walk.h"
#include "device/enumeration/hub_port_table.h"
#include "device/usage/namespace_siblings.h"
#include "pages/maintenance/namespace_format.h"
#include "pages/maintenance/security_erase.h"
#include "platform/nvme_command.h"
#include "scan/drive_view.h"
#include "scan/vkm_class.h"
#include "shell/session.h"

namespace {

constexpr size_t kIdentifyBytes = 4096;
constexpr size_t kSmartLogBytes = 512;
constexpr size_t kAtaBlock = 512;
constexpr uint32_t kProbeTimeoutSeconds = 20;
constexpr int kPhysicalDrives = 32;
// The scan flags of a tool folder with ATA-PIFlag and SupportInboxDriver set.
constexpr uint32_t kScanFlags = device::SCAN_ATA_BUS | device::SCAN_NVME_MINIPORT |
                                device::SCAN_NVME_BRIDGE | device::SCAN_ATAPI | device::SCAN_NVME;

// ATA IDENTIFY DEVICE words.
constexpr size_t kWordSerial = 10, kSerialWords = 10;
constexpr size_t kWordFirmware = 23, kFirmwareWords = 4;
constexpr size_t kWordModel = 27, kModelWords = 20;
constexpr size_t kWordLba48 = 100;
constexpr size_t kWordRotation = 217;
// SMART READ DATA: 30 attribute entries of 12 bytes from byte 2.
constexpr size_t kSmartFirstEntry = 2, kSmartEntryBytes = 12, kSmartEntries = 30;
// NVMe Identify Controller and Namespace, SMART / Health log.
constexpr size_t kIdSerial = 4, kIdSerialLen = 20;
constexpr size_t kIdModel = 24, kIdModelLen = 40;
constexpr size_t kIdFirmware = 64, kIdFirmwareLen = 8;
constexpr size_t kNsSize = 0, kNsFlbas = 26, kNsLbaFormats = 128;
constexpr uint8_t kAtaReadLogExt = 0x2F;
constexpr uint8_t kDownloadWithOffsets = 0x03;
// The first vendor admin opcode, without data (direction bits 00).
constexpr uint8_t kNvmeOpVendorNoData = 0xC0;

bool InsideQemu() {
  std::ifstream in("/sys/class/dmi/id/sys_vendor");
  std::string vendor;
  std::getline(in, vendor);
  return vendor.find("QEMU") != std::string::npos;
}

std::string AtaText(std::span<const uint8_t> id, size_t word, size_t words) {
  std::string s;
  for (size_t w = word; w < word + words; ++w) {
    s.push_back(static_cast<char>(id[2 * w + 1]));
    s.push_back(static_cast<char>(id[2 * w]));
  }
  return common::Trim(s);
}

std::string PlainText(std::span<const uint8_t> b, size_t offset, size_t n) {
  std::string s(reinterpret_cast<const char*>(b.data() + offset), n);
  if (const size_t nul = s.find('\0'); nul != std::string::npos) s.resize(nul);
  return common::Trim(s);
}

uint16_t Word(std::span<const uint8_t> id, size_t word) {
  return static_cast<uint16_t>(id[2 * word] | (id[2 * word + 1] << 8));
}

// One command's outcome: whether the tool's object reported success, and its code.
void Outcome(common::JsonWriter& j, std::string_view name, bool ok, int64_t code) {
  j.Key(name).BeginObject().Key("ok").Bool(ok).Key("code").Int(code).EndObject();
}

void ProbeAta(common::JsonWriter& j, device::StorageDevice& dev) {
  std::vector<uint8_t> id(kAtaBlock, 0);
  const bool identified = device::AtaIdentifyDevice(dev, id);
  Outcome(j, "identify", identified, 0);
  if (identified) {
    j.Key("ataModel").String(AtaText(id, kWordModel, kModelWords));
    j.Key("ataSerial").String(AtaText(id, kWordSerial, kSerialWords));
    j.Key("ataFirmware").String(AtaText(id, kWordFirmware, kFirmwareWords));
    uint64_t sectors = 0;
    for (size_t w = 0; w < 4; ++w) sectors |= uint64_t{Word(id, kWordLba48 + w)} << (16 * w);
    j.Key("ataSectors").Uint(sectors);
    j.Key("ataRotation").Int(Word(id, kWordRotation));
  }
  std::vector<uint8_t> smart(kAtaBlock, 0);
  const bool smartOk = device::AtaSmartReadData(dev, smart);
  Outcome(j, "smartReadData", smartOk, 0);
  if (smartOk) {
    j.Key("attributes").BeginArray();
    for (size_t e = 0; e < kSmartEntries; ++e) {
      const size_t at = kSmartFirstEntry + e * kSmartEntryBytes;
      if (smart[at] == 0) continue;
      uint64_t raw = 0;
      for (size_t b = 0; b < 6; ++b) raw |= uint64_t{smart[at + 5 + b]} << (8 * b);
      j.BeginObject().Key("id").Int(smart[at]).Key("value").Int(smart[at + 3]);
      j.Key("worst").Int(smart[at + 4]).Key("raw").Uint(raw).EndObject();
    }
    j.EndArray();
  }
  // Commands QEMU's disk aborts: each must come back as a failure.
  std::vector<uint8_t> chunk(kAtaBlock, 0);
  device::AtaRegisters regs;
  const bool dm =
      device::AtaDownloadMicrocode(dev, kDownloadWithOffsets, 0, 1, chunk, false, &regs);
  Outcome(j, "downloadMicrocode", dm, regs.command);
  const int prepare = device::AtaSecurityErasePrepare(dev);
  Outcome(j, "securityErasePrepare", prepare == 0, prepare);
  device::AtaRegisters log{0, 1, 0, 0, 0, 0x40, kAtaReadLogExt};
  std::vector<uint8_t> logData(kAtaBlock, 0);
  const bool logOk = device::AtaGenericDataIn(dev, log, {}, 1, logData, false, true);
  Outcome(j, "readLogExt", logOk, log.command);
}

void ProbeNvme(common::JsonWriter& j, device::StorageDevice& dev) {
  app::VKMClass nvme;
  nvme.Attach(&dev);  // a QEMU controller answers no vendor read; the object is bound anyway
  std::vector<uint8_t> id(kIdentifyBytes, 0);
  const bool ctrl = nvme.NvmeIdentify(id, 0, true);
  Outcome(j, "identifyController", ctrl, 0);
  if (ctrl) {
    j.Key("nvmeModel").String(PlainText(id, kIdModel, kIdModelLen));
    j.Key("nvmeSerial").String(PlainText(id, kIdSerial, kIdSerialLen));
    j.Key("nvmeFirmware").String(PlainText(id, kIdFirmware, kIdFirmwareLen));
  }
  std::vector<uint8_t> ns(kIdentifyBytes, 0);
  const bool nsOk = nvme.NvmeIdentify(ns, 1, false);
  Outcome(j, "identifyNamespace", nsOk, 0);
  if (nsOk) {
    const uint8_t format = ns[kNsFlbas] & 0x0F;
    j.Key("nsze").Uint(common::ReadLe64(ns, kNsSize));
    j.Key("lbaBytes").Uint(uint64_t{1} << ns[kNsLbaFormats + 4 * format + 2]);
  }
  std::vector<uint8_t> log(kSmartLogBytes, 0);
  const int logRc = nvme.ReadSmartHealthLog(log);
  Outcome(j, "smartLog", logRc == 0, logRc);
  if (logRc == 0) {
    j.Key("smart").BeginObject();
    j.Key("critical_warning").Int(log[0]);
    j.Key("temperature").Int(common::ReadLe16(log, 1));
    j.Key("avail_spare").Int(log[3]);
    j.Key("spare_thresh").Int(log[4]);
    j.Key("percent_used").Int(log[5]);
    const std::array<std::pair<const char*, size_t>, 11> counters{{{"data_units_read", 32},
                                                                   {"data_units_written", 48},
                                                                   {"host_read_commands", 64},
                                                                   {"host_write_commands", 80},
                                                                   {"controller_busy_time", 96},
                                                                   {"power_cycles", 112},
                                                                   {"power_on_hours", 128},
                                                                   {"unsafe_shutdowns", 144},
                                                                   {"media_errors", 160},
                                                                   {"num_err_log_entries", 176},
                                                                   {"warning_temp_time", 192}}};
    for (const auto& [name, at] : counters) {
      // 128-bit counters; QEMU's fit in the low half.
      j.Key(name).Uint(name == std::string_view("warning_temp_time") ? common::ReadLe32(log, at)
                                                                     : common::ReadLe64(log, at));
    }
    j.EndObject();
  }
  // QEMU implements neither firmware command: both must come back as failures
  // with the controller's status.
  std::vector<uint8_t> piece(kIdentifyBytes, 0);
  const int download = nvme.NvmeFirmwareDownload(piece, 0);
  Outcome(j, "firmwareDownload", download == 0, download);
  j.Key("firmwareDownloadStatus").Int((nvme.NvmeStatusCodeType() << 8) | nvme.NvmeStatusCode());
  const int commit = nvme.NvmeFirmwareCommit(1, 1);
  Outcome(j, "firmwareCommit", commit == 0, commit);
  j.Key("firmwareCommitStatus").Int((nvme.NvmeStatusCodeType() << 8) | nvme.NvmeStatusCode());
  // A vendor admin command, which the inbox path sends as a protocol command
  // carrying the completion: QEMU's controller does not know the opcode, and
  // its status must come back with the failure.
  std::array<uint8_t, os::kNvmeSubmissionEntrySize> image{};
  image[0] = kNvmeOpVendorNoData;
  const int admin = nvme.NvmeAdminCommand(image, {});
  Outcome(j, "vendorAdmin", admin == 0, admin);
  j.Key("vendorAdminStatus").Int((nvme.NvmeStatusCodeType() << 8) | nvme.NvmeStatusCode());
  // The whole status field as the kernel returned it, Do Not Retry and More
  // included.
  j.Key("vendorAdminStatusField").Int((nvme.controller::VK4630::CompletionDw3() >> 17) & 0x7FFF);
  nvme.Close();
}

// One Format NVM to listed disk `diskNumber`, as the erase sends it: the
// erase's command image for the namespace its drive object reports (or
// `nsidOverride` when not 0), through the drive object's admin command.
// Prints what was learned and sent, and the outcome. Exit 0 when the command
// was sent and answered, 1 when it failed or was refused, 2 when the disk is
// not a listed NVMe disk.
int FormatOne(device::AspiLib& aspi, int diskNumber, uint32_t nsidOverride) {
  device::StorageDevice* dev = nullptr;
  for (int i = 0; i < aspi.Count(); ++i) {
    if (aspi.Device(i).devOrder == static_cast<uint32_t>(diskNumber)) dev = &aspi.Device(i);
  }
  common::JsonWriter j;
  j.BeginObject().Key("disk").Int(diskNumber);
  if (dev == nullptr || !device::IsNvme(dev->devAttribute)) {
    j.Key("listedNvme").Bool(false).EndObject();
    std::cout << j.Text() << "\n";
    return 2;
  }
  dev->SetTimeout(kProbeTimeoutSeconds);
  app::VKMClass nvme;
  nvme.Attach(dev);
  app::SlotData slot;
  const app::DriveView view{-1, nvme, slot};
  const app::DriveAccess::Address address = nvme.ScsiAddress();
  const uint32_t learned = maintenance::NamespaceIdOf(view);
  const uint32_t sent = nsidOverride != 0 ? nsidOverride : learned;
  const auto image = maintenance::FormatNvmImage(sent);
  const int rc = nvme.NvmeAdminCommand(image, {});
  j.Key("listedNvme").Bool(true).Key("name").String(dev->Name());
  j.Key("addressKnown").Bool(address.Known()).Key("lun").Uint(address.lun);
  j.Key("learnedNsid").Uint(learned).Key("sentNsid").Uint(sent);
  Outcome(j, "formatNvm", rc == 0, rc);
  j.Key("status").Int((nvme.NvmeStatusCodeType() << 8) | nvme.NvmeStatusCode());
  j.EndObject();
  nvme.Close();
  std::cout << j.Text() << "\n";
  return rc == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::string(argv[1]) != "--in-vm" || !InsideQemu()) {
    std::cerr << "ssdtools_vm_probe: sends refused and firmware commands to every disk; it runs "
                 "only inside the test's QEMU guest (--in-vm)\n";
    return 2;
  }
  int formatDisk = -1;
  uint32_t formatNsid = 0;
  for (int a = 2; a < argc; ++a) {
    const std::string arg = argv[a];
    if (arg == "--format-nvm" && a + 1 < argc) {
      formatDisk = device::DiskNumberOfName(argv[++a]);
      if (formatDisk < 0) {
        std::cerr << "ssdtools_vm_probe: --format-nvm takes PHYSICALDRIVEn\n";
        return 2;
      }
    } else if (arg == "--nsid" && a + 1 < argc) {
      formatNsid = static_cast<uint32_t>(std::stoul(argv[++a]));
    } else {
      std::cerr << "ssdtools_vm_probe: unknown argument " << arg << "\n";
      return 2;
    }
  }
  std::string error;
  std::unique_ptr<os::Os> backend = app::OpenBackend("", error);
  if (!backend) {
    std::cerr << "ssdtools_vm_probe: " << error << "\n";
    return 2;
  }
  device::AspiLib aspi(*backend);
  aspi.Scan(kScanFlags, kProbeTimeoutSeconds, device::ScanSettings{});
  if (formatDisk >= 0) {
    const int rc = FormatOne(aspi, formatDisk, formatNsid);
    aspi.ReleaseAll();
    return rc;
  }
  common::JsonWriter j;
  std::set<uint32_t> listed;
  j.BeginObject().Key("disks").BeginArray();
  for (int i = 0; i < aspi.Count(); ++i) {
    device::StorageDevice& dev = aspi.Device(i);
    dev.SetTimeout(kProbeTimeoutSeconds);
    j.BeginObject();
    j.Key("index").Int(i).Key("name").String(dev.Name()).Key("path").String(dev.Path());
    j.Key("listed").Bool(true).Key("devOrder").Uint(dev.devOrder);
    j.Key("busType").Uint(dev.devUseBusType);
    j.Key("devAttribute").Uint(dev.devAttribute);
    j.Key("serial").String(common::Trim(dev.Serial()));
    if (device::IsNvme(dev.devAttribute)) {
      ProbeNvme(j, dev);
    } else if (dev.devAttribute & device::STORAGE_ATA) {
      ProbeAta(j, dev);
    }
    dev.Close();
    j.EndObject();
    listed.insert(dev.devOrder);
  }
  // Physical drives the discovery did not list (USB disks without SAT or a
  // bridge): ask them through SAT anyway, as a bridge would be asked; the
  // requests must fail.
  for (int n = 0; n < kPhysicalDrives; ++n) {
    if (listed.count(static_cast<uint32_t>(n))) continue;
    device::StorageDevice dev(*backend);
    if (!dev.OpenPhysicalDrive(n)) continue;
    dev.QueryBusTypeAndAddress();
    dev.SetTimeout(kProbeTimeoutSeconds);
    j.BeginObject();
    j.Key("name").String(dev.Name()).Key("listed").Bool(false);
    j.Key("devOrder").Int(n).Key("busType").Uint(dev.devUseBusType);
    if (n < device::PerScanTables::kDriveNumbers) {
      // Where the enumeration placed the disk on the USB tree.
      // Matched against the hub walk's table as the scan matches a disk it lists.
      device::UsbLocationRecord usb = aspi.ScanTables().usb[static_cast<size_t>(n)];
      j.Key("hubMatched").Bool(aspi.HubPorts().Match(usb));
      j.Key("usb").BeginObject();
      j.Key("serialToken").String(device::SerialTokenOf(usb));
      j.Key("vid").String(PlainText(
          std::span(reinterpret_cast<const uint8_t*>(usb.vid), sizeof usb.vid), 0, sizeof usb.vid));
      j.Key("pid").String(PlainText(
          std::span(reinterpret_cast<const uint8_t*>(usb.pid), sizeof usb.pid), 0, sizeof usb.pid));
      j.Key("port").Uint(usb.port).Key("hubPortCount").Uint(usb.hubPortCount);
      j.Key("hubNumber").Uint(usb.hubNumber).EndObject();
    }
    dev.devAttribute |= device::STORAGE_PHYSICAL | device::STORAGE_ATA | device::STORAGE_SCSI_ATAPI;
    std::vector<uint8_t> id(kAtaBlock, 0);
    Outcome(j, "satIdentify", device::AtaIdentifyDevice(dev, id), 0);
    std::vector<uint8_t> smart(kAtaBlock, 0);
    Outcome(j, "satSmartReadData", device::AtaSmartReadData(dev, smart), 0);
    dev.Close();
    j.EndObject();
  }
  j.EndArray().EndObject();
  std::cout << j.Text() << "\n";
  aspi.ReleaseAll();
  return 0;
}
