#include "lab/config/disk_section.h"

#include <cctype>

#include "common/text.h"
#include "lab/config/drive_keys_reader.h"
#include "lab/config/value_parsers.h"

namespace lab {
namespace {

// USB ids a bridge of each kind reports unless lab.ini says otherwise.
struct UsbDefaults {
  uint16_t vid;
  uint16_t pid;
  const char* manufacturer;
  const char* product;
  bool uas;
};

UsbDefaults DefaultUsbIds(Attachment a, InquiryFlavour flavour) {
  switch (a) {
    case Attachment::kUsbGenesys:
      return {0x05E3, 0x0749, "Genesys Logic", "USB3.0 SATA Tester", false};
    case Attachment::kUsbNvme:
      return {0x174C, 0x2362, "ASMedia", "USB to NVMe Bridge", true};
    case Attachment::kUsbStorage:
      if (flavour == InquiryFlavour::kFlashDevice) {
        return {kMakerUsbVendorId, 0x4610, "VKM", "VKM Flash Disk", false};
      }
      return {0x090C, 0x1000, "Generic", "USB Flash Disk", false};
    default:
      return {0x152D, 0x0578, "JMicron", "USB to ATA/ATAPI Bridge", false};
  }
}

void CheckUsbPlacement(SectionReader& r, const DiskConfig& d) {
  if (d.usb.hub.empty()) r.Problem("UsbHub", "a USB disk needs the hub it is plugged into");
  if (d.usb.port == 0) r.Problem("UsbPort", "a USB disk needs its port number (from 1)");
}

void ReadUsb(SectionReader& r, DiskConfig& d) {
  const UsbDefaults def = DefaultUsbIds(d.attachment, d.inquiryFlavour);
  d.usb.hub = common::Trim(r.Str("UsbHub"));
  d.usb.port = r.U32("UsbPort", 0, 0, 255);
  d.usb.vid = r.Hex16("UsbVid", def.vid);
  d.usb.pid = r.Hex16("UsbPid", def.pid);
  d.usb.bcdDevice = r.Hex16("UsbBcdDevice", 0x0100);
  d.usb.bcdUsb = r.U32("UsbVersion", 3, 2, 3) == 2 ? 0x0210 : 0x0300;
  d.usb.manufacturer = r.Str("UsbManufacturer", def.manufacturer);
  d.usb.product = r.Str("UsbProduct", def.product);
  d.usb.uas = r.Flag("Uas", def.uas);
  if (!r.Has("UsbSerial")) {
    // The drive's serial, without what a device instance id cannot hold.
    for (char c : d.serial)
      if (std::isalnum(static_cast<unsigned char>(c))) d.usb.serial.push_back(c);
    return CheckUsbPlacement(r, d);
  }
  d.usb.serial = r.Str("UsbSerial");
  CheckUsbPlacement(r, d);
  for (char c : d.usb.serial) {
    if (c == '\\' || c == '/' || c == '&' || static_cast<unsigned char>(c) < 0x20) {
      r.Problem("UsbSerial", "may not contain '\\', '/', '&' or control characters");
      d.usb.serial.clear();
      break;
    }
  }
}

void ReadNand(SectionReader& r, NandFacts& n) {
  n.maker = r.Str("NandMaker", "Lab Flash");
  n.partNumber = r.Str("NandPart", "LF3D512");
  if (r.Has("FlashId")) {
    if (auto id = ParseHexBytes(r.Str("FlashId")); id && id->size() <= 16) {
      n.flashId = *id;
    } else {
      r.Problem("FlashId", "expected up to 16 hexadecimal bytes, for example 9B C3 48 25 10");
    }
  } else {
    n.flashId = {0x9B, 0xC3, 0x48, 0x25, 0x10, 0x00};
  }
  n.channels = r.U32("Channels", n.channels, 1, 16);
  n.cePerChannel = r.U32("CePerChannel", n.cePerChannel, 1, 16);
  n.diesPerCe = r.U32("DiesPerCe", n.diesPerCe, 1, 8);
  n.planesPerDie = r.U32("PlanesPerDie", n.planesPerDie, 1, 8);
  n.blocksPerPlane = r.U32("BlocksPerPlane", n.blocksPerPlane, 1, 65535);
  n.pagesPerBlock = r.U32("PagesPerBlock", n.pagesPerBlock, 1, 4096);
  n.pageSize = r.U32("PageSize", n.pageSize, 512, 65536);
  n.badBlocks = r.U32("BadBlocks", n.badBlocks, 0, 1000000);
}

void ReadFaults(SectionReader& r, FaultSwitches& f) {
  std::string why;
  if (r.Has("FailTransport")) {
    if (auto list = ParseFaultList(r.Str("FailTransport"), FaultListKind::kTransport, why)) {
      f.failTransport = *list;
    } else {
      r.Problem("FailTransport", why);
    }
  }
  if (r.Has("LoseReply")) {
    if (auto list = ParseFaultList(r.Str("LoseReply"), FaultListKind::kTransport, why)) {
      f.loseReply = *list;
    } else {
      r.Problem("LoseReply", why);
    }
  }
  if (r.Has("UnreadableSectors")) {
    if (auto ranges = ParseLbaRanges(r.Str("UnreadableSectors"), why)) {
      f.unreadable = *ranges;
    } else {
      r.Problem("UnreadableSectors", why);
    }
  }
  f.bridgeSilent = r.Flag("BridgeSilent", false);
  f.portSilent = r.Flag("PortSilent", false);
  f.miniportLocked = r.Flag("MiniportLocked", false);
}

void ReadInquiry(SectionReader& r, DiskConfig& d) {
  if (r.Has("Inquiry")) {
    if (auto flavour = ParseInquiryFlavour(r.Str("Inquiry"))) {
      d.inquiryFlavour = *flavour;
    } else {
      r.Problem("Inquiry",
                "expected default, flash, pcie-tester, power-tester, vk552 or leakage-tester");
    }
    if (!IsUsb(d.attachment)) r.Problem("Inquiry", "only a USB disk has its own inquiry strings");
  }
  d.inquiryVendor = r.Str("InquiryVendor");
  d.inquiryProduct = r.Str("InquiryProduct");
  d.inquiryRevision = r.Str("InquiryRevision");
  d.inquiryResponseFormat = static_cast<uint8_t>(r.U32("InquiryResponseFormat", 2, 0, 15));
  if (d.inquiryVendor.size() > 8) r.Problem("InquiryVendor", "at most 8 characters");
  if (d.inquiryProduct.size() > 16) r.Problem("InquiryProduct", "at most 16 characters");
  if (d.inquiryRevision.size() > 4) r.Problem("InquiryRevision", "at most 4 characters");
  const std::string letter = common::Trim(r.Str("TesterRevision", "P"));
  if (letter.size() == 1 && letter[0] > ' ' && static_cast<unsigned char>(letter[0]) < 0x7F) {
    d.testerRevision = letter[0];
  } else {
    r.Problem("TesterRevision", "expected one printable character");
  }
  d.bridgeSlot = r.U32("BridgeSlot", 0, 0, 127);
}

void ReadIdentity(SectionReader& r, DiskConfig& d) {
  d.controller =
      common::Trim(r.Str("Controller", NeedsNvmeDrive(d.attachment) ? "VK4630" : "generic"));
  d.model = r.Str("Model");
  d.serial = r.Str("Serial", common::Format("LAB%05u%s", d.number, d.controller.c_str()));
  d.firmware = r.Str("Firmware");
  // The widths of the identify strings, ATA and NVMe alike.
  if (d.model.size() > 40) r.Problem("Model", "at most 40 characters");
  if (d.serial.size() > 20) r.Problem("Serial", "at most 20 characters");
  if (d.firmware.size() > 8) r.Problem("Firmware", "at most 8 characters");
}

}  // namespace

void ReadDiskSection(SectionReader& r, uint32_t defaultNumber, DiskConfig& d) {
  d.section = r.Section();
  if (const auto a = ParseAttachment(r.Str("Attachment"))) {
    d.attachment = *a;
  } else {
    r.Problem("Attachment", common::Format("'%s': expected sata, nvme, nvme-miniport, usb-sat, "
                                           "usb-genesys, usb-nvme or usb-storage",
                                           r.Str("Attachment").c_str()));
  }
  d.number = r.U32("Number", defaultNumber, 0, 999);
  ReadIdentity(r, d);

  d.sectorSize = r.U32("SectorSize", 512, 512, 4096);
  if (d.sectorSize != 512 && d.sectorSize != 4096) {
    r.Problem("SectorSize", "512 or 4096");
    d.sectorSize = 512;
  }
  d.sectors = 64ull * 1000 * 1000 * 1000 / d.sectorSize;
  if (r.Has("Capacity")) {
    const auto c = ParseCapacity(r.Str("Capacity"), d.sectorSize);
    // Below 1 MiB there is no room for the controller's reserved sectors.
    if (!c || *c < (1u << 20) / d.sectorSize) {
      r.Problem("Capacity",
                common::Format("'%s': a sector count or a size such as 256GB, at least 1MiB",
                               r.Str("Capacity").c_str()));
    } else {
      d.sectors = *c;
    }
  }
  if (r.Has("Letters")) {
    std::string why;
    if (auto letters = ParseLetters(r.Str("Letters"), why)) {
      d.letters = *letters;
    } else {
      r.Problem("Letters", why);
    }
  }

  d.inUse = common::Trim(r.Str("InUse"));

  d.scsiPort = r.Has("Port") ? static_cast<int32_t>(r.U32("Port", 0, 0, 254)) : -1;
  d.pathId = static_cast<uint8_t>(r.U32("PathId", 0, 0, 7));
  d.targetId = r.Has("Target") ? static_cast<int32_t>(r.U32("Target", 0, 0, 254)) : -1;
  d.lun = static_cast<uint8_t>(r.U32("Lun", 0, 0, 7));
  d.namespaceOf = common::Trim(r.Str("NamespaceOf"));
  d.maxTransferBytes = r.U32("MaxTransferKB", 0, 4, 16384) * 1024u;

  if (r.Has("Pci")) {
    std::string why;
    if (auto loc = ParsePciLocation(r.Str("Pci"), why)) {
      d.pciLocation = *loc;
    } else {
      r.Problem("Pci", why);
    }
  }
  // A location text taken as it stands, for machines whose parent reports
  // something other than a PCI location.
  if (r.Has("LocationText")) {
    d.pciLocation = r.Str("LocationText");
    d.parentHasLocation = !d.pciLocation.empty();
  }
  d.pciVendor = r.Hex16("PciVendor", kMakerPciVendorId);
  d.pciDevice = r.Hex16("PciDevice", 0x4630);

  ReadInquiry(r, d);
  if (IsUsb(d.attachment)) ReadUsb(r, d);
  ReadNand(r, d.nand);
  ReadFaults(r, d.faults);
  if (d.faults.bridgeSilent && !IsUsb(d.attachment)) {
    r.Problem("BridgeSilent", "only a USB disk has a bridge");
  }
  if ((d.faults.portSilent || d.faults.miniportLocked) &&
      d.attachment != Attachment::kNvmeMiniport) {
    r.Problem(d.faults.portSilent ? "PortSilent" : "MiniportLocked",
              "only a disk behind the maker's miniport (nvme-miniport) has one");
  }
  ReadDriveKeys(r, NeedsNvmeDrive(d.attachment), d.drive);
  d.spare = r.Flag("Spare", false);
  d.replacedBy = common::Trim(r.Str("ReplacedBy"));
  d.replacedAfter = r.Number("ReplacedAfter", 0, UINT32_MAX).value_or(0);
  if (d.replacedBy.empty() && r.Has("ReplacedAfter")) {
    r.Problem("ReplacedAfter", "names no replacement (ReplacedBy)");
  }
}

}  // namespace lab
