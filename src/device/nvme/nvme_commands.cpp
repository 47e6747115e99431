#include "device/nvme/nvme_commands.h"

#include <algorithm>

#include "device/nvme/nvme_command_record.h"
#include "device/nvme/nvme_dispatch.h"

namespace device {
namespace {

constexpr uint8_t kOpIdentify = 0x06;

bool Identify(StorageDevice& dev, uint32_t cns, uint32_t nsid, std::span<uint8_t> out) {
  if (out.size() < kNvmeIdentifySize) return false;
  NvmeCommandRecord record(kNvmeIdentifySize);
  record.SetOpcode(kOpIdentify);
  record.SetNsid(nsid);
  record.SetDword(10, cns);
  if (!ExecuteNvmeCommand(dev, record, kNvmeIdentifySize, 0, true, true)) return false;
  std::copy_n(record.Data().begin(), kNvmeIdentifySize, out.begin());
  return true;
}

}  // namespace

bool NvmeIdentifyController(StorageDevice& dev, std::span<uint8_t> out) {
  return Identify(dev, 1, 0, out);
}

bool NvmeIdentifyNamespace(StorageDevice& dev, uint32_t nsid, std::span<uint8_t> out) {
  return Identify(dev, 0, nsid, out);
}

bool NvmeVendorControl(StorageDevice& dev, uint32_t controlCode) {
  NvmeCommandRecord record(0);
  record.SetSignature(kVendorControlSignature);
  record.SetControlCode(controlCode);
  return ExecuteNvmeCommand(dev, record, 0, 0, true, true);
}

}  // namespace device
