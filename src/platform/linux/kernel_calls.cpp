#include "platform/linux/kernel_calls.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <linux/nvme_ioctl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

namespace os::linuxos {

static_assert(sizeof(NvmePassthru) == sizeof(nvme_passthru_cmd));
static_assert(offsetof(nvme_passthru_cmd, timeout_ms) == 64);
static_assert(offsetof(nvme_passthru_cmd, result) == 68);
static_assert(kSgDxferNone == SG_DXFER_NONE && kSgDxferToDev == SG_DXFER_TO_DEV &&
              kSgDxferFromDev == SG_DXFER_FROM_DEV);

OpenedNode KernelCalls::Open(const std::string& path, int flags, bool direct) {
  OpenedNode node;
  struct stat st {};
  node.direct = direct && ::stat(path.c_str(), &st) == 0 && S_ISBLK(st.st_mode);
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC | (node.direct ? O_DIRECT : 0));
  node.fd = fd >= 0 ? fd : -errno;
  return node;
}

int KernelCalls::SgIo(int fd, const SgCommand& c, std::span<uint8_t> sense, SgReply* reply) {
  sg_io_hdr_t h{};
  h.interface_id = 'S';
  h.cmd_len = c.cdbLength;
  uint8_t cdb[16];
  std::memcpy(cdb, c.cdb.data(), sizeof cdb);
  h.cmdp = cdb;
  h.dxfer_direction = c.direction;
  h.dxferp = c.data;
  h.dxfer_len = c.length;
  h.sbp = sense.data();
  h.mx_sb_len = static_cast<unsigned char>(std::min<size_t>(sense.size(), 255));
  h.timeout = c.timeoutMs;
  if (::ioctl(fd, SG_IO, &h) < 0) return errno;
  reply->status = h.status;
  reply->hostStatus = static_cast<uint8_t>(h.host_status);
  reply->driverStatus = static_cast<uint8_t>(h.driver_status);
  reply->senseLength = h.sb_len_wr;
  reply->resid = h.resid;
  return 0;
}

int KernelCalls::NvmePassthrough(int fd, bool admin, NvmePassthru& command) {
  nvme_passthru_cmd cmd{};
  std::memcpy(&cmd, &command, sizeof cmd);
  const int rc = ::ioctl(fd, admin ? NVME_IOCTL_ADMIN_CMD : NVME_IOCTL_IO_CMD, &cmd);
  if (rc < 0) return -errno;
  command.result = cmd.result;
  return rc;
}

int KernelCalls::NamespaceId(int fd) {
  const int id = ::ioctl(fd, NVME_IOCTL_ID);
  return id < 0 ? -errno : id;
}

int KernelCalls::ResetController(int fd) { return ::ioctl(fd, NVME_IOCTL_RESET) < 0 ? errno : 0; }

int KernelCalls::ResetSubsystem(int fd) {
  return ::ioctl(fd, NVME_IOCTL_SUBSYS_RESET) < 0 ? errno : 0;
}

int KernelCalls::Geometry(int fd, uint64_t* bytes, uint32_t* blockSize) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return errno;
  if (S_ISREG(st.st_mode)) {
    *bytes = static_cast<uint64_t>(st.st_size);
    *blockSize = 512;
    return 0;
  }
  int logical = 0;
  if (::ioctl(fd, BLKGETSIZE64, bytes) != 0 || ::ioctl(fd, BLKSSZGET, &logical) != 0) return errno;
  *blockSize = logical > 0 ? static_cast<uint32_t>(logical) : 512;
  return 0;
}

long KernelCalls::PRead(int fd, void* buffer, size_t length, uint64_t offset) {
  const ssize_t n = ::pread(fd, buffer, length, static_cast<off_t>(offset));
  return n < 0 ? -errno : static_cast<long>(n);
}

long KernelCalls::PWrite(int fd, const void* buffer, size_t length, uint64_t offset) {
  const ssize_t n = ::pwrite(fd, buffer, length, static_cast<off_t>(offset));
  return n < 0 ? -errno : static_cast<long>(n);
}

int KernelCalls::Sync(int fd) { return ::fdatasync(fd) != 0 ? errno : 0; }

std::string KernelCalls::ReadAttribute(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  if (!in || !std::getline(in, line)) return "";
  while (!line.empty() && (line.back() == '\n' || line.back() == ' ' || line.back() == '\r'))
    line.pop_back();
  return line;
}

uint32_t NamespaceOfNode(KernelCalls& kernel, int fd, const std::string& sysfsNsid) {
  const int id = kernel.NamespaceId(fd);
  if (id > 0) return static_cast<uint32_t>(id);
  if (sysfsNsid.empty() || sysfsNsid.size() > 9 ||
      sysfsNsid.find_first_not_of("0123456789") != std::string::npos)
    return 0;
  return static_cast<uint32_t>(std::stoul(sysfsNsid));
}

}  // namespace os::linuxos
