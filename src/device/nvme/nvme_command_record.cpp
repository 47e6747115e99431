#include "device/nvme/nvme_command_record.h"

#include <algorithm>
#include <cstddef>

#include "common/bytes.h"

namespace device {
namespace {

using Ioctl = os::NVME_PASS_THROUGH_IOCTL;
constexpr size_t kSignatureOffset =
    offsetof(Ioctl, SrbIoCtrl) + offsetof(os::SRB_IO_CONTROL, Signature);
constexpr size_t kControlCodeOffset =
    offsetof(Ioctl, SrbIoCtrl) + offsetof(os::SRB_IO_CONTROL, ControlCode);
constexpr size_t kCommandOffset = offsetof(Ioctl, NVMeCmd);
constexpr size_t kCompletionOffset = offsetof(Ioctl, CplEntry);

}  // namespace

NvmeCommandRecord::NvmeCommandRecord(uint32_t capacity)
    : bytes_(size_t{kNvmeRecordHeaderSize} + capacity + 1, 0) {}

void NvmeCommandRecord::SetSignature(std::string_view eightChars) {
  for (size_t i = 0; i < 8; ++i)
    bytes_[kSignatureOffset + i] = i < eightChars.size() ? static_cast<uint8_t>(eightChars[i]) : 0;
}

std::string_view NvmeCommandRecord::Signature() const {
  return std::string_view(reinterpret_cast<const char*>(bytes_.data() + kSignatureOffset), 8);
}

uint32_t NvmeCommandRecord::ControlCode() const { return HeaderField(kControlCodeOffset); }
void NvmeCommandRecord::SetControlCode(uint32_t code) { SetHeaderField(kControlCodeOffset, code); }

uint32_t NvmeCommandRecord::HeaderField(size_t offset) const {
  if (offset + 4 > kNvmeRecordHeaderSize) return 0;
  return common::ReadLe32(bytes_, offset);
}

void NvmeCommandRecord::SetHeaderField(size_t offset, uint32_t value) {
  if (offset + 4 > kNvmeRecordHeaderSize) return;
  common::WriteLe32(bytes_, offset, value);
}

uint32_t NvmeCommandRecord::Dword(int index) const {
  if (index < 0 || index >= os::kNvmeEntryDwords) return 0;
  return common::ReadLe32(bytes_, kCommandOffset + os::NvmeDwordOffset(index));
}

void NvmeCommandRecord::SetDword(int index, uint32_t value) {
  if (index < 0 || index >= os::kNvmeEntryDwords) return;
  common::WriteLe32(bytes_, kCommandOffset + os::NvmeDwordOffset(index), value);
}

void NvmeCommandRecord::SetOpcode(uint8_t opcode) {
  SetDword(os::kNvmeCdw0, (Dword(os::kNvmeCdw0) & 0xFFFFFF00u) | opcode);
}

std::span<uint8_t> NvmeCommandRecord::Command() {
  return std::span<uint8_t>(bytes_).subspan(kCommandOffset, 64);
}

uint32_t NvmeCommandRecord::Completion(int index) const {
  if (index < 0 || index >= 4) return 0;
  return common::ReadLe32(bytes_, kCompletionOffset + 4 * static_cast<size_t>(index));
}

void NvmeCommandRecord::SetCompletion(int index, uint32_t value) {
  if (index < 0 || index >= 4) return;
  common::WriteLe32(bytes_, kCompletionOffset + 4 * static_cast<size_t>(index), value);
}

}  // namespace device
