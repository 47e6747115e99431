#pragma once
// What lab.ini says about one disk of a lab machine: how it is attached, what
// answers behind the attachment, where it sits (SCSI port, PCI, USB) and which
// faults are switched on, and the drive model's own keys.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "lab/config/drive_keys.h"
#include "lab/faults/fault_list.h"

namespace lab {

// The maker's PCI and USB vendor ids as the lab's devices report them.
inline constexpr uint16_t kMakerPciVendorId = 0x1F9F;
inline constexpr uint16_t kMakerUsbVendorId = 0x1F9F;

// The path from the host to the drive.
enum class Attachment {
  kSata,          // AHCI port: ATA pass-through, SCSI translated to ATA
  kNvme,          // inbox NVMe driver: storage protocol requests
  kNvmeMiniport,  // the maker's NVMe miniport: "NvmeMini" and "VkmCtrl " on the SCSI port
  kUsbSat,        // USB bridge with SAT ATA PASS-THROUGH
  kUsbGenesys,    // Genesys tester bridge (a SAT bridge with its own inquiry)
  kUsbNvme,       // USB-to-NVMe bridge tunnelling NVMe in WRITE/READ BUFFER
  kUsbStorage,    // plain USB mass storage: SCSI reads and writes only
};

bool IsUsb(Attachment a);
// True when the drive behind the attachment speaks NVMe (else ATA).
bool NeedsNvmeDrive(Attachment a);
const char* AttachmentName(Attachment a);
std::optional<Attachment> ParseAttachment(std::string_view text);

// How a USB device reports itself in its standard INQUIRY data, which is how
// the maker's testers and flash devices are told apart.
enum class InquiryFlavour {
  kDefault,        // the bridge's own strings (or the drive's, SAT style)
  kFlashDevice,    // "vkm" in bytes 5..7 and vendor "VKM"
  kPcieTester,     // vendor "VKMPCIE", product "TESTER"
  kPowerTester,    // vendor "VKM", product "VKPWR552"
  kVk552,          // vendor "VKM", product "VK552"
  kLeakageTester,  // vendor "VKM", "ASMIC" from byte 35
};
std::optional<InquiryFlavour> ParseInquiryFlavour(std::string_view text);

struct LbaRange {
  uint64_t first = 0;
  uint64_t last = 0;  // inclusive
  bool Contains(uint64_t lba) const { return lba >= first && lba <= last; }
  bool Overlaps(uint64_t lba, uint64_t count) const {
    return count != 0 && lba <= last && lba + count - 1 >= first;
  }
};

// The faults the attachment itself plays; the drive models read their own
// switches (failing commands inside the drive, a controller that never echoes,
// power lost during a download) from the same section.
struct FaultSwitches {
  std::vector<FaultRule> failTransport;
  // Commands the device carries out whose reply is lost on the way back (a
  // bridge error, a time-out): the host sees a failure after the fact.
  std::vector<FaultRule> loseReply;
  std::vector<LbaRange> unreadable;
  // The USB bridge takes requests but never answers them.
  bool bridgeSilent = false;
  // The SCSI port opens but its miniport requests never complete.
  bool portSilent = false;
  // The miniport answers NVMe commands only after control request 0xE0001C14.
  bool miniportLocked = false;
};

struct NandFacts {
  std::string maker;
  std::string partNumber;
  std::vector<uint8_t> flashId;
  uint32_t channels = 4;
  uint32_t cePerChannel = 2;
  uint32_t diesPerCe = 1;
  uint32_t planesPerDie = 2;
  uint32_t blocksPerPlane = 1024;
  uint32_t pagesPerBlock = 256;
  uint32_t pageSize = 16384;
  uint32_t badBlocks = 0;
};

struct UsbFacts {
  std::string hub;  // "HostController0" for its root hub, or a [Hub ...] name
  uint32_t port = 0;
  uint16_t vid = 0;
  uint16_t pid = 0;
  uint16_t bcdDevice = 0x0100;
  uint16_t bcdUsb = 0x0300;
  std::string manufacturer;
  std::string product;
  std::string serial;  // the serial string descriptor; may be empty
  bool uas = false;    // UAS devices are SCSI disks, not USBSTOR ones
};

struct DiskConfig {
  std::string section;  // "Disk0"
  uint32_t number = 0;  // physical drive number
  Attachment attachment = Attachment::kSata;
  std::string controller;  // "VK4610XT", "VK4620XT", "VK4620XT2", "VK4630", "generic"
  std::string model;
  std::string serial;
  std::string firmware;
  uint64_t sectors = 0;
  uint32_t sectorSize = 512;
  std::vector<char> letters;  // upper case
  // What keeps its volumes in use ("/dev/sdc1 is mounted on /home"); such a
  // volume cannot be locked. Empty: only open handles hold them.
  std::string inUse;

  // SCSI address as the port driver reports it; port -1 = assigned by the lab.
  int32_t scsiPort = -1;
  uint8_t pathId = 0;
  int32_t targetId = -1;
  uint8_t lun = 0;
  // Another namespace of the NVMe controller of an earlier disk section
  // (NamespaceOf=): the disk has its own media, the controller is that disk's.
  // Its namespace id follows the owner's (1) in lab.ini order; its LUN is the
  // namespace id - 1, as the inbox driver reports namespaces.
  std::string namespaceOf;
  uint32_t namespaceId = 1;
  uint32_t maxTransferBytes = 0;  // 0: the attachment's usual limit

  // The PCI function of the controller the disk hangs off ("PCI bus 3,
  // device 0, function 0"); empty = the lab's default for the attachment.
  std::string pciLocation;
  // False when lab.ini gives an empty LocationText: the node above the disk
  // then has no location information at all.
  bool parentHasLocation = true;
  uint16_t pciVendor = 0;
  uint16_t pciDevice = 0;

  UsbFacts usb;
  InquiryFlavour inquiryFlavour = InquiryFlavour::kDefault;
  std::string inquiryVendor;
  std::string inquiryProduct;
  std::string inquiryRevision;
  uint8_t inquiryResponseFormat = 2;  // low nibble of INQUIRY byte 3
  char testerRevision = 'P';          // Genesys tester letter, 'N'..'Z' marks a tester
  uint32_t bridgeSlot = 0;            // what the USB-NVMe bridge reports for GPIO 6

  NandFacts nand;
  FaultSwitches faults;
  // A spare drive: built with its media and state, but in no slot of the
  // machine until a disk is replaced by it.
  bool spare = false;
  // After `replacedAfter` requests, reads and writes on this disk's handles,
  // its drive and media are swapped for the spare section `replacedBy`'s (the
  // disk keeps its number, port and address): a disk swapped in under the
  // same name.
  std::string replacedBy;
  uint64_t replacedAfter = 0;
  DriveKeys drive;  // the drive model's own keys, each unset when not given
};

}  // namespace lab
