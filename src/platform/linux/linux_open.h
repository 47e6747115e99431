#pragma once
// What a handle of the Linux backend stands for: an open disk or NVMe
// controller node, a token, a device information set, or a USB host
// controller or hub.
#include <unistd.h>

#include <string>

#include "platform/linux/linux_os.h"
#include "platform/linux/linux_usb.h"

namespace os {

// Interface paths of the disk set: the prefix and the drive number.
inline constexpr char kInterfacePrefix[] = "\\\\?\\linuxdisk#";

struct LinuxOs::Open {
  enum Kind { kDisk, kNvmeController, kToken, kDeviceSet, kUsbNode } kind = kDisk;
  int fd = -1;
  int disk = -1;  // index into the disk list
  // Transfers bypass the page cache (O_DIRECT on a block device).
  bool direct = false;
  // An NVMe namespace: SCSI commands are answered from its block device.
  bool nvmeNamespace = false;
  int controller = -1;       // "nvme<N>" of an NVMe node
  uint32_t nsid = 0;         // the namespace of an NVMe namespace node; 0: not known
  uint32_t maxTransfer = 0;  // bytes per SG_IO request; 0 = unknown
  char letter = 0;           // a volume opened by its drive letter
  std::string device;        // its block device ("sda1")
  int lockFd = -1;           // held O_EXCL while the volume is locked
  linuxos::UsbNode usb;      // the controller or hub of a kUsbNode
  ~Open() {
    if (fd >= 0) ::close(fd);
    if (lockFd >= 0) ::close(lockFd);
  }
};

}  // namespace os
