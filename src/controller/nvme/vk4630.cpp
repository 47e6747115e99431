#include "controller/nvme/vk4630.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/bytes.h"
#include "platform/nvme_command.h"
#include "controller/nvme/pci_ids.h"

namespace controller {
namespace {

constexpr std::string_view kDefaultName = "VK4630AA";
constexpr uint32_t kDefaultNameLength = 6;
constexpr std::string_view kParameterTag = "VK4630PARA";

constexpr size_t kOpNoData = 3;
constexpr size_t kOpRead = 5;
constexpr uint32_t kVendorReadCdw12 = 0x40;
constexpr uint32_t kPciIdAnswerSize = 8;

template <size_t N>
void SetText(char (&field)[N], std::string_view text) {
  std::memset(field, 0, N);
  std::memcpy(field, text.data(), std::min(text.size(), N));
}

}  // namespace

VK4630::VK4630() {
  SetText(controllerName_, kDefaultName.substr(0, kDefaultNameLength));
  controllerNameLength_ = kDefaultNameLength;
  SetText(paraTag_, kParameterTag);
  paraTagLength_ = static_cast<uint32_t>(kParameterTag.size());
  std::copy(std::begin(kSupportedPciIds), std::end(kSupportedPciIds), pciIds_.begin());
}

void VK4630::SetControllerName(std::string_view text, uint32_t n) {
  n = std::min<uint32_t>(n, sizeof controllerName_);
  controllerNameLength_ = n;
  SetText(controllerName_, text.substr(0, std::min<size_t>(n, text.size())));
}

int VK4630::VendorNoData(bool flag) {
  NvmeCommandImage command{};
  command[os::kNvmeOpcodeOffset] = opcodes_[kOpNoData];
  common::WriteLe32(command, os::NvmeDwordOffset(os::kNvmeCdw12), 1);
  common::WriteLe32(command, os::NvmeDwordOffset(os::kNvmeCdw13), flag ? 1 : 0);
  return VendorCommand(command, {});
}

int VK4630::VendorRead(std::span<uint8_t> out, uint8_t selector) {
  NvmeCommandImage command{};
  command[os::kNvmeOpcodeOffset] = opcodes_[kOpRead];
  common::WriteLe32(command, os::NvmeDwordOffset(os::kNvmeCdw10),
                    static_cast<uint32_t>(out.size() / 4));
  common::WriteLe32(command, os::NvmeDwordOffset(os::kNvmeCdw12), kVendorReadCdw12);
  common::WriteLe32(command, os::NvmeDwordOffset(os::kNvmeCdw13), selector);
  return VendorCommand(command, out);
}

bool VK4630::Attach(device::StorageDevice* dev) {
  if (dev == nullptr || !device::IsNvme(dev->devAttribute)) return false;
  ready_ = 0;
  device_ = dev;
  std::vector<uint8_t> answer(kNvmeVendorInfoSize, 0);
  const int read = [&] {
    const device::OpenScope open = OpenForAttach();
    return VendorRead(answer, 0);
  }();

  const bool bridge = (dev->devAttribute & device::STORAGE_NVME_BRIDGE) != 0;
  const uint32_t length = std::min<uint32_t>(controllerNameLength_, sizeof controllerName_);
  const bool named = read == kNvmeOk && std::memcmp(answer.data() + kNvmeVendorNameOffset,
                                                    controllerName_, length) == 0;
  FinishAttach((read != kNvmeOk && bridge) || named);
  return ready_ != 0;
}

bool VK4630::AttachByControlRequest(device::StorageDevice* dev) {
  if (dev == nullptr || !device::IsNvme(dev->devAttribute)) return false;
  ready_ = 0;
  device_ = dev;
  std::array<uint8_t, kPciIdAnswerSize> answer{};
  const int result = [&] {
    const device::OpenScope open = OpenForAttach();
    return ControlRequest(answer, kCtrlPciIdentifier);
  }();

  bool known = false;
  if (result == kNvmeOk) {
    const uint32_t id = common::ReadLe32(answer, 0);
    // The table ends at its first zero; a zero answer is no identifier.
    for (uint32_t entry : pciIds_) {
      if (entry == 0) break;
      if (entry == id) known = true;
    }
  }
  const bool bridge = (dev->devAttribute & device::STORAGE_NVME_BRIDGE) != 0;
  FinishAttach(known || bridge);
  return ready_ != 0;
}

}  // namespace controller
