#pragma once
// The system calls the Linux backend makes on device nodes, behind one
// interface so that tests can stand in for the kernel: SG_IO, the NVMe
// pass-through and reset ioctls, the size of a block device, positioned
// reads and writes, syncing and sysfs attributes. The base class makes the
// real calls; a test overrides what it fakes.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/linux/nvme_translation.h"
#include "platform/linux/sg_translation.h"

namespace os::linuxos {

// What SG_IO reports beside the data.
struct SgReply {
  uint8_t status = 0;        // SCSI status byte
  uint8_t hostStatus = 0;    // DID_*
  uint8_t driverStatus = 0;  // DRIVER_* and the sense flag
  uint8_t senseLength = 0;   // sense bytes written
  int32_t resid = 0;         // bytes not transferred
};

struct OpenedNode {
  int fd = -1;          // or -errno
  bool direct = false;  // opened with O_DIRECT: transfers bypass the page cache
};

class KernelCalls {
 public:
  virtual ~KernelCalls() = default;

  // Opens a node with `flags`; with `direct` a block device is opened with
  // O_DIRECT (a regular file standing in for a disk is not).
  virtual OpenedNode Open(const std::string& path, int flags, bool direct);
  // 0, or the errno of a failed ioctl.
  virtual int SgIo(int fd, const SgCommand& command, std::span<uint8_t> sense, SgReply* reply);
  // The ioctl's own return: -errno, 0 for success, or the NVMe status
  // (SC in bits 7..0, SCT in 10..8, CRD, More, DNR above); DW0 of the
  // completion lands in command.result.
  virtual int NvmePassthrough(int fd, bool admin, NvmePassthru& command);
  // NVME_IOCTL_ID on a namespace node: its namespace id, or -errno.
  virtual int NamespaceId(int fd);
  // NVME_IOCTL_RESET on a controller node: 0 or errno.
  virtual int ResetController(int fd);
  // NVME_IOCTL_SUBSYS_RESET on a controller node (an NVM subsystem reset of
  // every controller of its subsystem): 0 or errno; ENOTTY when the kernel
  // knows no subsystem for it.
  virtual int ResetSubsystem(int fd);
  // Size in bytes and logical block size of a block device (a regular
  // file: its length and 512): 0 or errno.
  virtual int Geometry(int fd, uint64_t* bytes, uint32_t* blockSize);
  // Bytes moved, or -errno.
  virtual long PRead(int fd, void* buffer, size_t length, uint64_t offset);
  virtual long PWrite(int fd, const void* buffer, size_t length, uint64_t offset);
  // fdatasync: 0 or errno.
  virtual int Sync(int fd);
  // The first line of a sysfs attribute, "" when it cannot be read.
  virtual std::string ReadAttribute(const std::string& path);
};

// The namespace id of an open NVMe namespace node: what NVME_IOCTL_ID
// answers, else the sysfs "nsid" attribute's text; 0 when neither does.
uint32_t NamespaceOfNode(KernelCalls& kernel, int fd, const std::string& sysfsNsid);

}  // namespace os::linuxos
