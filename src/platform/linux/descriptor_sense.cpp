#include "platform/linux/descriptor_sense.h"

#include <algorithm>

#include "common/bytes.h"
#include "platform/linux/ata_reply.h"

namespace os::linuxos {
namespace {

constexpr uint8_t kDisableBlockDescriptors = 0x08;  // MODE SENSE byte 1
constexpr uint8_t kPageFormat = 0x10;               // MODE SELECT byte 1
constexpr size_t kAllocationLength = 7;             // both CDBs, big-endian
constexpr size_t kBlockDescriptorLength = 6;        // header, big-endian
constexpr uint8_t kPageCodeMask = 0x3F;             // clears PS and SPF
constexpr size_t kPageControlByte = 2;

bool Run(KernelCalls& kernel, int fd, std::span<const uint8_t> cdb, int direction,
         std::span<uint8_t> data) {
  SgCommand c;
  std::copy(cdb.begin(), cdb.end(), c.cdb.begin());
  c.cdbLength = static_cast<uint8_t>(cdb.size());
  c.direction = direction;
  c.data = data.data();
  c.length = static_cast<uint32_t>(data.size());
  c.timeoutMs = kModePageTimeoutMs;
  std::array<uint8_t, 32> sense{};
  SgReply reply;
  return kernel.SgIo(fd, c, sense, &reply) == 0 &&
         ErrorFromSgStatus(reply.hostStatus, reply.driverStatus) == ERROR_SUCCESS &&
         reply.status == kScsiStatusGood;
}

}  // namespace

std::array<uint8_t, 10> ModeSenseControlCdb() {
  std::array<uint8_t, 10> cdb{kOpModeSense10, kDisableBlockDescriptors, kControlModePage};
  common::WriteBe16(cdb, kAllocationLength, kModeSenseAllocation);
  return cdb;
}

std::array<uint8_t, 10> ModeSelectCdb(uint16_t length) {
  std::array<uint8_t, 10> cdb{kOpModeSelect10, kPageFormat};
  common::WriteBe16(cdb, kAllocationLength, length);
  return cdb;
}

std::vector<uint8_t> DescriptorSenseParameters(std::span<const uint8_t> reply) {
  if (reply.size() < kModeHeader10Size) return {};
  const size_t page = kModeHeader10Size + common::ReadBe16(reply, kBlockDescriptorLength);
  if (page + kControlPageSize > reply.size()) return {};
  const std::span<const uint8_t> p = reply.subspan(page, kControlPageSize);
  if ((p[0] & kPageCodeMask) != kControlModePage || p[1] != kControlModePageLength) return {};
  if (p[kPageControlByte] & kDSense) return {};
  std::vector<uint8_t> list(kModeHeader10Size + kControlPageSize, 0);
  std::copy(p.begin(), p.end(), list.begin() + kModeHeader10Size);
  list[kModeHeader10Size] &= kPageCodeMask;
  list[kModeHeader10Size + kPageControlByte] |= kDSense;
  return list;
}

std::vector<uint8_t> FoundPageParameters(std::span<const uint8_t> descriptorSenseParameters) {
  std::vector<uint8_t> list(descriptorSenseParameters.begin(), descriptorSenseParameters.end());
  if (list.size() < kModeHeader10Size + kControlPageSize) return {};
  list[kModeHeader10Size + kPageControlByte] &= static_cast<uint8_t>(~kDSense);
  return list;
}

DescriptorSenseAsked AskForDescriptorSense(KernelCalls& kernel, int fd) {
  DescriptorSenseAsked asked;
  std::vector<uint8_t> reply(kModeSenseAllocation, 0);
  if (!Run(kernel, fd, ModeSenseControlCdb(), kSgDxferFromDev, reply)) return asked;
  const size_t page = kModeHeader10Size + common::ReadBe16(reply, kBlockDescriptorLength);
  if (page + kControlPageSize <= reply.size() &&
      (reply[page] & kPageCodeMask) == kControlModePage &&
      (reply[page + kPageControlByte] & kDSense)) {
    // On before the tool came: nothing to put back.
    asked.on = true;
    return asked;
  }
  std::vector<uint8_t> list = DescriptorSenseParameters(reply);
  if (list.empty()) return asked;
  asked.on =
      Run(kernel, fd, ModeSelectCdb(static_cast<uint16_t>(list.size())), kSgDxferToDev, list);
  if (asked.on) asked.restore = FoundPageParameters(list);
  return asked;
}

bool PutBackControlPage(KernelCalls& kernel, int fd, std::span<const uint8_t> restore) {
  std::vector<uint8_t> list(restore.begin(), restore.end());
  return !list.empty() &&
         Run(kernel, fd, ModeSelectCdb(static_cast<uint16_t>(list.size())), kSgDxferToDev, list);
}

}  // namespace os::linuxos
