#include "platform/linux/disk_access.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "common/text.h"

namespace os::linuxos {
namespace {

constexpr int kCapSysRawIo = 17;  // linux/capability.h
constexpr char kCapEffKey[] = "CapEff:";

}  // namespace

bool HasRawIoCapability(const std::string& statusText) {
  for (const std::string& line : common::Split(statusText, '\n')) {
    if (line.compare(0, sizeof kCapEffKey - 1, kCapEffKey) != 0) continue;
    const std::string hex = common::Trim(line.substr(sizeof kCapEffKey - 1));
    if (hex.empty() || hex.size() > 16 ||
        hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
      return false;
    const uint64_t mask = std::stoull(hex, nullptr, 16);
    return (mask >> kCapSysRawIo & 1) != 0;
  }
  return ::geteuid() == 0;
}

std::string FirstRefusedNode(const std::vector<std::string>& nodes) {
  for (const std::string& node : nodes) {
    // O_NONBLOCK: a drive without a medium opens at once.
    const int fd = ::open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
      ::close(fd);
      continue;
    }
    if (errno == EACCES || errno == EPERM) return node;
  }
  return std::string();
}

}  // namespace os::linuxos
