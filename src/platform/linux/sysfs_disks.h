#pragma once
// The machine's disks as sysfs describes them, in the terms the scan asks
// for: a physical drive number per disk, its bus type and SCSI address, the
// PCI location of its controller, and for a USB disk the port, hub and
// identity of the USB device. The sysfs root is a parameter so that tests
// can describe a machine in a folder.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace os::linuxos {

struct SysfsDisk {
  std::string name;        // "sda", "nvme0n1"
  std::string devicePath;  // "/dev/sda"
  uint32_t busType = 0;    // STORAGE_BUS_TYPE
  // SCSI address: host, channel, target, lun ("H:C:T:L"); NVMe disks get
  // the port number of their controller.
  uint32_t host = 0, channel = 0, target = 0, lun = 0;
  // "nvme<N>": for a namespace shared by several controllers (one NVMe
  // subsystem), a live one of them, the others in nvmeOtherControllers.
  int nvmeController = -1;
  std::vector<int> nvmeOtherControllers;
  std::string subsystem, nsid;  // "nvme-subsys0", "1" ("" when unknown)
  std::string vendor, model, revision, serial;
  // The world-wide name the kernel reads from the device ("t10.ATA ...",
  // "eui.00..."), "" when it reports none.
  std::string wwid;
  // "PCI bus B, device D, function F" of the nearest PCI function, or "".
  std::string pciLocation;
  // USB device the disk hangs off (empty vid: not USB), its port on its hub,
  // the hub's number (unique over all buses) and identity.
  std::string usbVid, usbPid, usbSerial;
  uint32_t usbPort = 0, usbHub = 0;
  std::string usbHubVid, usbHubPid;
};

// SCSI port numbers under which NVMe controllers answer: kNvmePortBase + N
// for /dev/nvmeN.
inline constexpr uint32_t kNvmePortBase = 128;

// Disks in drive-number order: SCSI disks (sda, sdb, ... sdaa) then NVMe
// namespaces, each kind sorted by name. Partitions, loop, RAM and optical
// devices are left out, and so are the hidden per-controller paths of a
// shared namespace (nvme0c1n1): a namespace is listed once.
std::vector<SysfsDisk> ListSysfsDisks(const std::string& sysRoot);

// Every USB hub of the machine (root hubs too) by its sysfs name ("usb1",
// "1-3") with its number: 1, 2, ... in bus order, depth first by port, so
// that no two hubs share a number even on different buses.
std::map<std::string, uint32_t> UsbHubNumbers(const std::string& sysRoot);

// True for the SCSI port of a controller that only repeats a namespace
// listed through another controller of its subsystem.
bool IsSecondaryNvmePort(const std::vector<SysfsDisk>& disks, uint32_t port);

// What stays the same while a disk moves between nodes (sdb today, sdd after a
// replug): its world-wide name, else its model and serial, else (a disk that
// reports neither) its node name.
std::string StableIdentity(const SysfsDisk& disk);

// The instance id SetupAPI would show: "USBSTOR\DISK&VEN_..&PROD_..&REV_..\<serial>&0"
// for a USB disk, "SCSI\DISK&VEN_..." or "NVME\DISK&VEN_...".
std::string InstanceIdOf(const SysfsDisk& disk);

// "PCI bus B, device D, function F" from a path component "dddd:bb:dd.f"; "".
std::string PciLocationFromComponent(const std::string& component);

}  // namespace os::linuxos
