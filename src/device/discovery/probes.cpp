#include "device/discovery/probes.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/text.h"
#include "device/ata/ata_commands.h"
#include "device/ata/identify_words.h"
#include "device/core/device_identity.h"
#include "device/core/open_scope.h"
#include "device/discovery/inquiry_kind.h"
#include "device/discovery/scan_flags.h"
#include "device/nvme/nvme_bridge_path.h"
#include "device/nvme/nvme_command_record.h"
#include "device/nvme/nvme_commands.h"
#include "device/scsi/scsi_commands.h"
#include "device/usage/volume_extents.h"
#include "platform/storage_property.h"
#include "platform/volume.h"

namespace device {
namespace {

constexpr uint32_t kScsiProbeBufferSize = 4096;
constexpr uint32_t kSatIdentifyBufferSize = 16384;
constexpr size_t kPageSize = 4096;
// Bits that keep STORAGE_SCSI after the USB probes.
constexpr uint32_t kKeepsScsiMask = STORAGE_VKM_SINGLE_PWR | STORAGE_VKM_PWR | STORAGE_VKM_TESTER |
                                    STORAGE_VKM_UFD | STORAGE_NVME_BRIDGE;
static_assert(kKeepsScsiMask == 0x0B000090);
// Drives with any of these skip the generic INQUIRY probe.
constexpr uint32_t kSkipsInquiryMask = 0xF3000080;

// What a probe learnt on the way about why a drive gives no usable answer;
// the last note taken is the one reported when the drive is not listed.
struct ProbeNotes {
  std::string why;
  void Take(std::string text) { why = std::move(text); }
};

void Log(StorageDevice& dev, const std::string& line) { dev.Os().OutputDebugStringA(line); }

// ATA error register bits of a drive that got the command and could not read
// the medium: uncorrectable data, ID not found, address mark not found.
constexpr uint32_t kAtaStatusErr = 0x01;
constexpr uint32_t kMediaErrorBits = 0x40 | 0x10 | 0x01;

void LogBits(StorageDevice& dev, bool on, const char* what) {
  if (!on) return;
  Log(dev, common::Format("[VKM_SCAN] Initialize: devOrder = %d, devAttribute = %X (%s)",
                          static_cast<int>(dev.devOrder), dev.devAttribute, what));
}

// Steps on the freshly opened handle: ATA bus types and native NVMe.
void ClassifyBus(StorageDevice& dev, uint32_t flags, ProbeNotes& notes) {
  const uint32_t bus = dev.devUseBusType;
  if ((flags & SCAN_ATA_BUS) &&
      (bus == os::BusTypeAta || bus == os::BusTypeSata || bus == os::BusTypeRAID))
    dev.devAttribute |= STORAGE_ATA;
  if ((flags & SCAN_NVME) && bus == os::BusTypeNvme) {
    dev.devAttribute |= STORAGE_NVME;
    std::vector<uint8_t> identify(kNvmeIdentifySize, 0);
    if (!NvmeIdentifyController(dev, identify)) {
      dev.devAttribute &= ~STORAGE_NVME;
      notes.Take("the NVMe drive does not answer Identify Controller");
    }
  }
  if (bus == os::BusTypeNvme && !(flags & (SCAN_NVME | SCAN_NVME_MINIPORT)))
    notes.Take("NVMe drives are not probed with these settings");
  if (bus != os::BusTypeNvme && bus != os::BusTypeUsb && !(dev.devAttribute & STORAGE_ATA))
    notes.Take(common::Format("bus type %d is not probed", static_cast<int>(bus)));
}

// An NVMe drive whose driver is a miniport answers on its SCSI port.
void ProbeMiniport(StorageDevice& dev, uint32_t flags, bool wakeAndRetry, ProbeNotes& notes) {
  if (!(flags & SCAN_NVME_MINIPORT) || dev.devUseBusType != os::BusTypeNvme ||
      (dev.devAttribute & STORAGE_NVME))
    return;
  const OpenScope port(dev, [](StorageDevice& d) { d.OpenPort(); });
  if (!port) {
    notes.Take("its SCSI port cannot be opened");
    return;
  }
  std::vector<uint8_t> identify(kNvmeIdentifySize, 0);
  bool ok = NvmeIdentifyController(dev, identify);
  if (!ok && wakeAndRetry && NvmeVendorControl(dev, kMiniportWakeControlCode)) {
    dev.Os().Sleep(kMiniportWakeDelayMs);
    ok = NvmeIdentifyController(dev, identify);
  }
  if (ok) {
    dev.devAttribute |= STORAGE_NVME_MINIPORT;
  } else {
    notes.Take("its miniport does not answer Identify Controller");
  }
}

// A SAT bridge answers IDENTIFY DEVICE wrapped in ATA PASS-THROUGH(16); one
// sector read through the same path confirms it.
void SatIdentifyTest(StorageDevice& dev, std::span<const uint8_t> inquiry,
                     std::span<uint8_t> identify, bool log, ProbeNotes& notes) {
  if (log)
    Log(dev, common::Format("[VKM_SCAN] Initialize: tempBuf[3] = %X",
                            inquiry.size() > 3 ? inquiry[3] : 0));
  if (inquiry.size() <= 3 || (inquiry[3] & 0x0F) < 2) {
    notes.Take("its USB bridge reports no SAT support in INQUIRY");
    return;
  }
  std::fill(identify.begin(), identify.end(), 0);
  if (!IdentifyDeviceATAPI(dev, identify)) {
    notes.Take("IDENTIFY DEVICE through its USB bridge failed");
    return;
  }
  // Word 2 of a real IDENTIFY answer: its two bytes are complements of each
  // other (37C8h, 738Ch, 8C73h, C837h).
  const size_t word2 = device::identify::ByteOf(device::identify::kSpecificConfiguration);
  if (log)
    Log(dev, common::Format("[VKM_SCAN] Initialize: tempBuf2[4] = %X, tempBuf2[5] = %X",
                            identify[word2], identify[word2 + 1]));
  if (identify[word2] != static_cast<uint8_t>(~identify[word2 + 1])) {
    notes.Take("its USB bridge returned no valid IDENTIFY DEVICE data");
    return;
  }
  dev.devAttribute |= STORAGE_ATA | STORAGE_SCSI_ATAPI;
  // READ DMA of LBA 0 confirms that the bridge carries ATA data commands. A
  // drive that got the command and reports a media error has confirmed just
  // that: an unreadable first sector must not hide the very drive a user
  // came to check.
  std::vector<uint8_t> sector(kAtaSector, 0);
  AtaRegisters regs;
  if (AtaReadSectors(dev, 0, 1, sector, true, &regs)) return;
  const bool mediaError = (regs.command & kAtaStatusErr) && (regs.features & kMediaErrorBits);
  if (log) Log(dev, "[VKM_SCAN] Initialize: ReadDiskSectorATA = false");
  if (mediaError) {
    if (log)
      Log(dev, common::Format("[VKM_SCAN] Initialize: LBA 0 unreadable (status %02X, error %02X), "
                              "ATA access kept",
                              regs.command & 0xFF, regs.features & 0xFF));
    return;
  }
  notes.Take("READ DMA of LBA 0 through its USB bridge failed");
  dev.devAttribute &= ~(STORAGE_ATA | STORAGE_SCSI_ATAPI);
}

// A page-aligned buffer of `size` bytes inside `storage`.
std::span<uint8_t> PageAligned(std::vector<uint8_t>& storage, size_t size) {
  storage.assign(size + kPageSize, 0);
  void* p = storage.data();
  size_t space = storage.size();
  return {static_cast<uint8_t*>(std::align(kPageSize, size, p, space)), size};
}

void ProbeUsb(StorageDevice& dev, uint32_t flags, bool log, ProbeNotes& notes) {
  if (dev.devUseBusType != os::BusTypeUsb) return;
  if (!(flags & kScanUsbProbeMask)) {
    notes.Take("USB drives are not probed with these settings");
    return;
  }
  notes.Take("its USB bridge carries no ATA or NVMe command");
  std::vector<uint8_t> inquiry(kScsiProbeBufferSize, 0);
  if (!ScsiInquiry(dev, inquiry)) {
    notes.Take("its USB bridge does not answer INQUIRY");
    return;
  }
  dev.devAttribute |= STORAGE_SCSI;
  LogBits(dev, log, "STORAGE_SCSI");

  const InquiryKind kind = ClassifyInquiry(inquiry);
  if ((flags & SCAN_VKM_UFD) && kind == kKindFlashDevice) dev.devAttribute |= STORAGE_VKM_UFD;
  LogBits(dev, log, "STORAGE_VKM_UFD");
  if ((flags & SCAN_VKM_PWR) && kind == kKindPcieTester) dev.devAttribute |= STORAGE_VKM_PWR;
  LogBits(dev, log, "STORAGE_VKM_PWR");
  if ((flags & SCAN_VKM_SINGLE_PWR) && kind == kKindSinglePowerTester)
    dev.devAttribute |= STORAGE_VKM_SINGLE_PWR;
  LogBits(dev, log, "STORAGE_VKM_SINGLE_PWR");
  if ((flags & SCAN_VKM_SINGLE_LKG) && kind == kKindLeakageTester)
    dev.devAttribute |= STORAGE_VKM_SINGLE_LKG;
  LogBits(dev, log, "STORAGE_VKM_SINGLE_LKG");

  if (flags & SCAN_ATAPI) {
    std::vector<uint8_t> identify(kSatIdentifyBufferSize, 0);
    SatIdentifyTest(dev, inquiry, identify, log, notes);
    LogBits(dev, log, "STORAGE_ATA|STORAGE_SCSI_ATAPI");
  }
  if (flags & SCAN_GENESYS) {
    std::vector<uint8_t> bridge(kInquiryLength, 0);
    if (ScsiBridgeInquiry(dev, bridge) && IsGenesysTester(bridge))
      dev.devAttribute |= STORAGE_ATA | STORAGE_SCSI_ATAPI | STORAGE_VKM_TESTER;
    LogBits(dev, log, "STORAGE_VKM_TESTER|STORAGE_SCSI_ATAPI|STORAGE_ATA");
  }
  if ((flags & SCAN_NVME_BRIDGE) && kind == kKindOther) {
    uint32_t lastLba = 0;
    uint32_t blockLength = 0;
    ScsiReadCapacity(dev, &lastLba, &blockLength);
    std::vector<uint8_t> storage;
    ScsiRead10(dev, 0, 1, PageAligned(storage, size_t{dev.devBlockFactor} * 512));
    dev.devAttribute |= STORAGE_NVME_BRIDGE;
    std::vector<uint8_t> answer(kBridgePacketSize, 0);
    if (!BridgeGpioQuery(dev, kGpioProbe, answer)) {
      dev.devAttribute &= ~STORAGE_NVME_BRIDGE;
      // With ATA-PIFlag the SAT test has said why already.
      if (!(flags & SCAN_ATAPI))
        notes.Take(
            "its USB bridge answers no NVMe bridge query and ATA pass-through is not tried "
            "(ATA-PIFlag=0)");
    }
    LogBits(dev, log, "STORAGE_NVME_BRIDGE");
  }
  if (!(dev.devAttribute & kKeepsScsiMask)) dev.devAttribute &= ~STORAGE_SCSI;
}

void ProbeGenericScsi(StorageDevice& dev, uint32_t flags, ProbeNotes& notes) {
  if (!(flags & SCAN_SCSI_INQUIRY) || (dev.devAttribute & kSkipsInquiryMask)) return;
  std::vector<uint8_t> buffer(kScsiProbeBufferSize, 0);
  if (!ScsiInquiry(dev, buffer)) return;
  dev.devAttribute |= STORAGE_SCSI;
  if (flags & SCAN_ATAPI) {
    const std::vector<uint8_t> inquiry = buffer;
    SatIdentifyTest(dev, inquiry, buffer, false, notes);
  }
}

void FinishListedProbe(StorageDevice& dev) {
  FillIdentityStrings(dev);
  ReadDeviceCapacity(dev);
}

}  // namespace

bool Initialize(StorageDevice& dev, int n, uint32_t flags, std::string* whyNot) {
  ProbeNotes notes;
  if (whyNot != nullptr) whyNot->clear();
  {
    const OpenScope disk(dev, [n](StorageDevice& d) { d.OpenPhysicalDrive(n); });
    if (!disk) return false;
    dev.QueryBusTypeAndAddress();
    ClassifyBus(dev, flags, notes);
  }
  ProbeMiniport(dev, flags, true, notes);
  dev.devAttribute |= STORAGE_PHYSICAL;
  dev.devOrder = static_cast<uint32_t>(n);
  Log(dev, common::Format("[VKM_SCAN] Initialize: devOrder = %d, devUseBusType = %d", n,
                          static_cast<int>(dev.devUseBusType)));
  ProbeUsb(dev, flags, true, notes);
  ProbeGenericScsi(dev, flags, notes);
  Log(dev, common::Format("[VKM_SCAN] Initialize: devAttribute = %X", dev.devAttribute));
  if (dev.devAttribute == STORAGE_PHYSICAL) {
    dev.devAttribute = 0;
    if (whyNot != nullptr)
      *whyNot = notes.why.empty() ? std::string("no probe got an answer") : notes.why;
    return false;
  }
  FinishListedProbe(dev);
  return true;
}

bool InitDevice(StorageDevice& dev, char letter, int* driveNumber, uint32_t flags,
                std::vector<int>* volumeDisks) {
  ProbeNotes notes;  // a letter only stands for a disk the physical walk reports
  if (driveNumber != nullptr) *driveNumber = kNoDriveNumber;
  if (volumeDisks != nullptr) volumeDisks->clear();
  Log(dev, common::Format("[VKM_SCAN] InitDevice: devSymbol = %c, devAttribute = %X", letter,
                          dev.devAttribute));
  if (dev.devAttribute != 0) return false;
  {
    const OpenScope volume(dev, [letter](StorageDevice& d) { d.OpenDriveLetter(letter); });
    if (!volume) return false;
    Log(dev, common::Format("[VKM_SCAN] InitDevice: devHandle = %0*llX",
                            static_cast<int>(2 * sizeof(void*)),
                            static_cast<unsigned long long>(os::HandleValue(dev.Handle()))));
    // A volume that spans disks names each of them; the first is the one
    // the volume stands for in the list.
    const std::optional<std::vector<int>> disks = ReadVolumeDiskNumbers(dev.Os(), dev.Handle());
    if (!disks) return false;
    const int disk = disks->front();
    dev.devOrder = static_cast<uint32_t>(disk);
    if (driveNumber != nullptr) *driveNumber = disk;
    if (volumeDisks != nullptr) *volumeDisks = *disks;
    Log(dev, common::Format("[VKM_SCAN] InitDevice: devicePhyId = %d", disk));
    dev.QueryBusTypeAndAddress();
    ClassifyBus(dev, flags, notes);
  }
  ProbeMiniport(dev, flags, false, notes);
  dev.devAttribute |= STORAGE_LOGICAL;
  ProbeUsb(dev, flags, false, notes);
  ProbeGenericScsi(dev, flags, notes);
  if (dev.devAttribute == STORAGE_LOGICAL) {
    dev.devAttribute = 0;
    return false;
  }
  FinishListedProbe(dev);
  return true;
}

bool ProbeScsiPort(StorageDevice& dev, int port, uint32_t flags) {
  if (dev.devAttribute != 0 || !(flags & SCAN_NVME_MINIPORT)) return false;
  {
    const OpenScope scsiPort(dev, [port](StorageDevice& d) { d.OpenScsiPort(port); });
    std::vector<uint8_t> identify(kNvmeIdentifySize, 0);
    if (scsiPort && NvmeIdentifyController(dev, identify)) {
      dev.devAttribute |= STORAGE_NVME_MINIPORT | STORAGE_SCSI_PORT;
      std::snprintf(dev.devName, sizeof dev.devName, "SCSI %d:", port);
    }
  }
  dev.devOrder = static_cast<uint32_t>(port);
  ReadDeviceCapacity(dev);
  if (dev.devAttribute & STORAGE_NVME_MINIPORT) return true;
  dev.devAttribute = 0;
  return false;
}

}  // namespace device
