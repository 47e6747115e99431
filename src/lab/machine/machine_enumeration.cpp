// How a lab machine's disks appear to the system: SCSI ports and addresses,
// and the device nodes (controllers, USB hubs and devices, disks) with the
// instance ids, descriptions and locations Windows would give them.
#include <algorithm>
#include <map>
#include <set>

#include "common/text.h"
#include "lab/machine/lab_machine.h"
#include "lab/machine/names.h"

namespace lab {
namespace {

constexpr char kDiskInterface[] = "{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";

PortDriver DriverOf(const DiskConfig& d) {
  switch (d.attachment) {
    case Attachment::kSata:
      return PortDriver::kAhci;
    case Attachment::kNvme:
      return PortDriver::kInboxNvme;
    case Attachment::kNvmeMiniport:
      return PortDriver::kMakerMiniport;
    default:
      return d.usb.uas ? PortDriver::kUsbAttachedScsi : PortDriver::kUsbStorage;
  }
}

// The location text of a USB disk's device node: its port and hub, unless
// lab.ini says otherwise.
std::string UsbLocationText(const DiskConfig& c, uint32_t hubNumber) {
  if (!c.parentHasLocation) return {};
  if (!c.pciLocation.empty()) return c.pciLocation;
  return common::Format("Port_#%04u.Hub_#%04u", c.usb.port, hubNumber);
}

std::string InterfacePathOf(const std::string& instanceId) {
  std::string p = "\\\\?\\" + common::ToLower(instanceId);
  for (size_t i = 4; i < p.size(); ++i)
    if (p[i] == '\\') p[i] = '#';
  return p + "#" + kDiskInterface;
}

}  // namespace

bool LabMachine::AssignPorts(std::string& error) {
  std::set<uint32_t> used;
  for (const auto& d : disks_)
    if (d->Config().scsiPort >= 0) used.insert(static_cast<uint32_t>(d->Config().scsiPort));
  uint32_t next = 0;
  auto freePort = [&]() {
    while (used.count(next)) ++next;
    used.insert(next);
    return next;
  };
  ScsiPort* ahci = nullptr;
  for (const auto& d : disks_) {
    const DiskConfig& c = d->Config();
    const PortDriver driver = DriverOf(c);
    ScsiPort* port = nullptr;
    if (!c.namespaceOf.empty()) {
      // A further namespace: a LUN beside its owner, on the owner's port.
      const LabDisk* owner = DiskBySection(c.namespaceOf);
      if (owner == nullptr || owner->port_ == nullptr) {
        error = common::Format("[%s] no port for namespace of [%s]", c.section.c_str(),
                               c.namespaceOf.c_str());
        return false;
      }
      owner->port_->disks.push_back(d.get());
      d->port_ = owner->port_;
      d->pathId_ = owner->pathId_;
      continue;
    }
    if (c.scsiPort >= 0) {
      port = PortByNumber(static_cast<uint32_t>(c.scsiPort));
    } else if (driver == PortDriver::kAhci && ahci != nullptr) {
      port = ahci;
    }
    if (port == nullptr) {
      auto p = std::make_unique<ScsiPort>();
      p->number = c.scsiPort >= 0 ? static_cast<uint32_t>(c.scsiPort) : freePort();
      p->driver = driver;
      ports_.push_back(std::move(p));
      port = ports_.back().get();
      if (driver == PortDriver::kAhci && c.scsiPort < 0) ahci = port;
    } else if (port->driver != driver || driver != PortDriver::kAhci) {
      // One controller per NVMe port and one port per USB device.
      error = common::Format("[%s] SCSI port %u is already taken by another controller",
                             c.section.c_str(), port->number);
      return false;
    }
    port->disks.push_back(d.get());
    d->port_ = port;
    d->pathId_ = c.pathId;
    if (driver == PortDriver::kMakerMiniport) {
      port->silent = c.faults.portSilent;
      port->locked = c.faults.miniportLocked;
    }
  }
  // Target ids: lab.ini's, then the lowest free one on the port.
  for (const auto& p : ports_) {
    std::set<int32_t> taken;
    for (LabDisk* d : p->disks)
      if (d->Config().targetId >= 0) taken.insert(d->Config().targetId);
    int32_t next = 0;
    for (LabDisk* d : p->disks) {
      if (!d->Config().namespaceOf.empty()) continue;  // its owner's target id, below
      if (d->Config().targetId >= 0) {
        d->targetId_ = static_cast<uint8_t>(d->Config().targetId);
        continue;
      }
      while (taken.count(next)) ++next;
      taken.insert(next);
      d->targetId_ = static_cast<uint8_t>(next);
    }
  }
  for (const auto& d : disks_)
    if (!d->Config().namespaceOf.empty())
      d->targetId_ = DiskBySection(d->Config().namespaceOf)->targetId_;
  // Controller locations: the AHCI controller, one PCI function per NVMe
  // controller (bus 1, 2, ... unless lab.ini names one).
  uint32_t nvmeBus = 1;
  for (const auto& p : ports_) {
    const DiskConfig& first = p->disks.front()->Config();
    if (!first.parentHasLocation) {
      p->pciVendor = first.pciVendor;
      p->pciDevice = first.pciDevice;
      continue;
    }
    if (p->driver == PortDriver::kAhci) {
      p->pciLocation = first.pciLocation.empty() ? config_.machine.sataPci : first.pciLocation;
      p->pciVendor = 0x8086;
      p->pciDevice = 0xA102;
    } else if (p->driver == PortDriver::kInboxNvme || p->driver == PortDriver::kMakerMiniport) {
      p->pciLocation = first.pciLocation.empty()
                           ? common::Format("PCI bus %u, device 0, function 0", nvmeBus++)
                           : first.pciLocation;
      p->pciVendor = first.pciVendor;
      p->pciDevice = first.pciDevice;
    }
  }
  return true;
}

void LabMachine::BuildDeviceTree() {
  usb_ = std::make_unique<UsbTree>(config_);
  const uint32_t pciRoot =
      devices_.Add(devices_.Root(), DevNode{0, 0, "ACPI\\PNP0A08\\0", "PCI Express Root Complex",
                                            "ACPI\\PNP0A08", "", std::nullopt});

  // Host controllers, root hubs and external hubs, parents before children.
  for (UsbHostController& hc : usb_->HostControllers()) {
    const uint32_t hcNode = devices_.Add(
        pciRoot,
        DevNode{0, 0,
                common::Format("PCI\\VEN_8086&DEV_A36D&SUBSYS_00000000&REV_10\\3&%08X&0&A0",
                               StableHash(hc.driverKey)),
                "USB xHCI Compliant Host Controller", "PCI\\VEN_8086&DEV_A36D&REV_10",
                hc.pciLocation, std::nullopt});
    hc.devInst = hcNode;
    UsbHub* root = hc.rootHub;
    root->devInst = devices_.Add(
        hcNode, DevNode{0, 0,
                        common::Format("USB\\ROOT_HUB%s\\4&%08X&0&0", root->usb3 ? "30" : "",
                                       StableHash(root->devicePath)),
                        root->usb3 ? "USB Root Hub (USB 3.0)" : "USB Root Hub",
                        root->usb3 ? "USB\\ROOT_HUB30" : "USB\\ROOT_HUB20", "", std::nullopt});
  }
  // External hubs: the tree's constructor created them parents first.
  for (UsbHub* hub : usb_->Hubs()) {
    for (auto& [port, dev] : hub->ports) {
      if (dev.hub == nullptr) continue;
      dev.devInst = devices_.Add(
          hub->devInst,
          DevNode{
              0, 0,
              common::Format(
                  "USB\\VID_%04X&PID_%04X\\%s", dev.vid, dev.pid,
                  dev.serial.empty()
                      ? common::Format("5&%08X&0&%u", StableHash(dev.hub->devicePath), port).c_str()
                      : IdField(dev.serial, 64).c_str()),
              "Generic USB Hub",
              common::Format("USB\\VID_%04X&PID_%04X&REV_%04X", dev.vid, dev.pid, dev.bcdDevice),
              common::Format("Port_#%04u.Hub_#%04u", port, hub->number), port});
      dev.hub->devInst = dev.devInst;
    }
  }

  // Storage controllers.
  std::map<const ScsiPort*, uint32_t> controllerNode;
  for (const auto& p : ports_) {
    if (p->driver == PortDriver::kAhci) {
      controllerNode[p.get()] = devices_.Add(
          pciRoot,
          DevNode{0, 0,
                  common::Format("PCI\\VEN_8086&DEV_A102&SUBSYS_00000000&REV_00\\3&%08X&0&B8",
                                 StableHash(p->pciLocation)),
                  "Standard SATA AHCI Controller", "PCI\\VEN_8086&DEV_A102&CC_010601",
                  p->pciLocation, std::nullopt});
    } else if (p->driver == PortDriver::kInboxNvme || p->driver == PortDriver::kMakerMiniport) {
      controllerNode[p.get()] = devices_.Add(
          pciRoot,
          DevNode{0, 0,
                  common::Format("PCI\\VEN_%04X&DEV_%04X&SUBSYS_00000000&REV_01\\4&%08X&0&00E8",
                                 p->pciVendor, p->pciDevice, StableHash(p->pciLocation)),
                  p->driver == PortDriver::kInboxNvme ? "Standard NVM Express Controller"
                                                      : "VKM NVMe Controller",
                  common::Format("PCI\\VEN_%04X&DEV_%04X&CC_010802", p->pciVendor, p->pciDevice),
                  p->pciLocation, std::nullopt});
    }
  }

  // Disks, and the USB device each USB disk hangs off.
  for (const auto& d : disks_) {
    const DiskConfig& c = d->Config();
    const DiskDescriptor& desc = d->Descriptor();
    uint32_t parent = devices_.Root();
    DevNode disk;
    if (IsUsb(c.attachment)) {
      UsbPortDevice dev;
      dev.vid = c.usb.vid;
      dev.pid = c.usb.pid;
      dev.bcdDevice = c.usb.bcdDevice;
      dev.bcdUsb = c.usb.bcdUsb;
      dev.manufacturer = c.usb.manufacturer;
      dev.product = c.usb.product;
      dev.serial = c.usb.serial;
      dev.disk = d.get();
      UsbHub* hub = usb_->HubByName(c.usb.hub);
      const std::string usbInstance =
          c.usb.serial.empty() ? common::Format("6&%08X&0&%u", StableHash(c.section), c.usb.port)
                               : IdField(c.usb.serial, 64);
      dev.devInst = devices_.Add(hub ? hub->devInst : devices_.Root(),
                                 DevNode{0, 0,
                                         common::Format("USB\\VID_%04X&PID_%04X\\%s", c.usb.vid,
                                                        c.usb.pid, usbInstance.c_str()),
                                         c.usb.uas ? "USB Attached SCSI (UAS) Mass Storage Device"
                                                   : "USB Mass Storage Device",
                                         common::Format("USB\\VID_%04X&PID_%04X&REV_%04X",
                                                        c.usb.vid, c.usb.pid, c.usb.bcdDevice),
                                         UsbLocationText(c, hub ? hub->number : 0), c.usb.port});
      parent = dev.devInst;
      usb_->Place(c.usb.hub, c.usb.port, dev);
      const std::string ven = common::ToUpper(IdField(desc.vendor, 8));
      const std::string prod = common::ToUpper(IdField(desc.product, 16));
      if (c.usb.uas) {
        disk.instanceId = common::Format("SCSI\\DISK&VEN_%s&PROD_%s\\7&%08X&0&000000", ven.c_str(),
                                         prod.c_str(), StableHash(c.section));
        disk.hardwareId = "SCSI\\Disk" + ven + prod;
      } else {
        const std::string rev = common::ToUpper(IdField(desc.revision, 4));
        disk.instanceId = common::Format("USBSTOR\\DISK&VEN_%s&PROD_%s&REV_%s\\%s&0", ven.c_str(),
                                         prod.c_str(), rev.c_str(), usbInstance.c_str());
        disk.hardwareId = "USBSTOR\\Disk" + ven + prod + rev;
      }
      disk.description = desc.product + " USB Device";
      // The host reads the first byte of the disk's address as its USB port.
      disk.address = c.usb.port;
    } else {
      parent = controllerNode[d->Port()];
      const std::string ven = common::ToUpper(IdField(desc.vendor, 8));
      const std::string prod = common::ToUpper(IdField(desc.product, 40));
      disk.instanceId =
          common::Format("SCSI\\DISK&VEN_%s&PROD_%s\\4&%08X&0&%02X%02X%02X", ven.c_str(),
                         prod.c_str(), StableHash(c.section), d->PathId(), d->TargetId(), d->Lun());
      disk.hardwareId = "SCSI\\Disk" + ven + prod;
      disk.description = desc.product + " SCSI Disk Device";
      disk.location = common::Format("Bus Number %u, Target Id %u, LUN %u", d->PathId(),
                                     d->TargetId(), d->Lun());
      disk.address = d->TargetId();
    }
    d->devInst_ = devices_.Add(parent, disk);
    d->interfacePath_ = InterfacePathOf(disk.instanceId);
  }
}

}  // namespace lab
