#pragma once
// A small machine described the way Linux sysfs describes it, built in a
// temporary folder: a SATA disk, a USB disk behind a bridge on an external
// hub, an NVMe namespace, and the noise a real /sys/block holds (a loop
// device). The "dev" folder beside it holds regular files named like the
// disks, so raw reads and writes have something to work on, and "proc" an
// empty mount table and swap list that tests fill in.
#include <cstdint>
#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace testsupport {

class FakeSysfs {
 public:
  FakeSysfs() {
    namespace fs = std::filesystem;
    const std::string sata = "devices/pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0";
    dir_.Write("sys/" + sata + "/vendor", "ATA     \n");
    dir_.Write("sys/" + sata + "/model", "VK4620XT SSD    \n");
    dir_.Write("sys/" + sata + "/rev", "V1.0\n");
    Disk(sata, "sda");
    dir_.Write("sys/block/sda/dev", "8:0\n");
    dir_.Write("sys/block/sda/size", "128\n");

    const std::string usbRoot = "devices/pci0000:00/0000:00:14.0/usb1";
    dir_.Write("sys/" + usbRoot + "/idVendor", "1d6b\n");
    dir_.Write("sys/" + usbRoot + "/devnum", "1\n");
    const std::string hub = usbRoot + "/1-3";
    dir_.Write("sys/" + hub + "/idVendor", "05e3\n");
    dir_.Write("sys/" + hub + "/idProduct", "0618\n");
    dir_.Write("sys/" + hub + "/devnum", "4\n");
    const std::string bridge = hub + "/1-3.2";
    dir_.Write("sys/" + bridge + "/idVendor", "152d\n");
    dir_.Write("sys/" + bridge + "/idProduct", "0578\n");
    dir_.Write("sys/" + bridge + "/serial", "0123456789AB\n");
    dir_.Write("sys/" + bridge + "/devnum", "7\n");
    dir_.Write("sys/" + usbRoot + "/maxchild", "4\n");
    dir_.Write("sys/" + hub + "/maxchild", "4\n");
    dir_.Write("sys/" + bridge + "/maxchild", "0\n");
    UsbBusLink(usbRoot);
    UsbBusLink(hub);
    UsbBusLink(bridge);
    const std::string usbDisk = bridge + "/1-3.2:1.0/host6/target6:0:0/6:0:0:0";
    dir_.Write("sys/" + usbDisk + "/vendor", "VKM     \n");
    dir_.Write("sys/" + usbDisk + "/model", "VK4620XT2       \n");
    dir_.Write("sys/" + usbDisk + "/rev", "0100\n");
    Disk(usbDisk, "sdb");
    dir_.Write("sys/block/sdb/dev", "8:16\n");
    dir_.Write("sys/block/sdb/size", "128\n");

    const std::string nvme = "devices/pci0000:00/0000:00:1d.0/0000:3d:00.1/nvme/nvme0";
    dir_.Write("sys/" + nvme + "/model", "VK4630 NVMe SSD\n");
    dir_.Write("sys/" + nvme + "/serial", "NV0001\n");
    dir_.Write("sys/" + nvme + "/firmware_rev", "FW4630\n");
    fs::create_directories(dir_.Path() / "sys" / nvme / "nvme0n1");
    fs::create_directory_symlink("../../nvme0", dir_.Path() / "sys" / nvme / "nvme0n1" / "device");
    fs::create_directories(dir_.Path() / "sys/block");
    fs::create_directory_symlink("../" + nvme + "/nvme0n1", dir_.Path() / "sys/block/nvme0n1");
    dir_.Write("dev/nvme0n1", std::string(4096, '\0'));
    dir_.Write("sys/block/nvme0n1/dev", "259:0\n");
    dir_.Write("proc/self/mountinfo", "");
    dir_.Write("proc/swaps", "Filename\tType\tSize\tUsed\tPriority\n");

    fs::create_directories(dir_.Path() / "sys/devices/virtual/block/loop0");
    fs::create_directory_symlink("../devices/virtual/block/loop0", dir_.Path() / "sys/block/loop0");
  }

  std::string SysRoot() const { return (dir_.Path() / "sys").string(); }
  std::string DevRoot() const { return (dir_.Path() / "dev").string(); }
  std::string ProcRoot() const { return (dir_.Path() / "proc").string(); }
  // The /sys/bus/usb/devices entry of a USB device folder.
  void UsbBusLink(const std::string& device) const {
    namespace fs = std::filesystem;
    fs::create_directories(dir_.Path() / "sys/bus/usb/devices");
    fs::create_directory_symlink("../../../" + device,
                                 dir_.Path() / "sys/bus/usb/devices" / fs::path(device).filename());
  }
  // A SCSI disk below `scsiDevice` with its block node, the /sys/block link
  // and a 64 KiB file standing in for the device node.
  void Disk(const std::string& scsiDevice, const std::string& name) const {
    namespace fs = std::filesystem;
    const fs::path node = dir_.Path() / "sys" / scsiDevice / "block" / name;
    fs::create_directories(node);
    fs::create_directory_symlink("../..", node / "device");
    fs::create_directories(dir_.Path() / "sys/block");
    fs::create_directory_symlink("../" + scsiDevice + "/block/" + name,
                                 dir_.Path() / "sys/block" / name);
    dir_.Write("dev/" + name, std::string(65536, '\0'));
  }
  // A partition of a fake disk, in 512-byte sectors as sysfs counts them.
  void Partition(const std::string& disk, const std::string& name, const std::string& number,
                 uint64_t start, uint64_t size) const {
    const std::string at = "sys/block/" + disk + "/" + name;
    dir_.Write(at + "/partition", "1\n");
    dir_.Write(at + "/dev", number + "\n");
    dir_.Write(at + "/start", std::to_string(start) + "\n");
    dir_.Write(at + "/size", std::to_string(size) + "\n");
    // Its own node, not a window onto the disk's file.
    dir_.Write("dev/" + name, std::string(size * 512, '\0'));
  }
  const TempDir& Dir() const { return dir_; }

 private:
  TempDir dir_;
};

}  // namespace testsupport
