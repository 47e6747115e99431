#include "device/nvme/nvme_commands.h"

#include <algorithm>

#include "device/nvme/nvme_command_record.h"
#include "device/nvme/nvme_dispatch.h"
#include "platform/nvme_command.h"

namespace device {
namespace {

bool Identify(StorageDevice& dev, uint32_t cns, uint32_t nsid, std::span<uint8_t> out) {
  if (out.size() < kNvmeIdentifySize) return false;
  NvmeCommandRecord record(kNvmeIdentifySize);
  record.SetOpcode(os::kNvmeAdminIdentify);
  record.SetNsid(nsid);
  record.SetDword(os::kNvmeCdw10, cns);
  if (!ExecuteNvmeCommand(dev, record, kNvmeIdentifySize, 0, true, true)) return false;
  // A controller that refused the command returned no identify data.
  if (NvmeStatusField(record.Completion(3)) != 0) return false;
  std::copy_n(record.Data().begin(), kNvmeIdentifySize, out.begin());
  return true;
}

}  // namespace

bool NvmeIdentifyController(StorageDevice& dev, std::span<uint8_t> out) {
  return Identify(dev, os::kNvmeCnsController, 0, out);
}

bool NvmeIdentifyNamespace(StorageDevice& dev, uint32_t nsid, std::span<uint8_t> out) {
  return Identify(dev, os::kNvmeCnsNamespace, nsid, out);
}

bool NvmeVendorControl(StorageDevice& dev, uint32_t controlCode) {
  NvmeCommandRecord record(0);
  record.SetSignature(kVendorControlSignature);
  record.SetControlCode(controlCode);
  return ExecuteNvmeCommand(dev, record, 0, 0, true, true);
}

}  // namespace device
