#include "platform/linux/nvme_translation.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "common/bytes.h"
#include "platform/linux/sg_translation.h"
#include "platform/nvme_command.h"
#include "platform/nvme_pass_through.h"
#include "platform/storage_firmware.h"
#include "platform/storage_protocol.h"

namespace os::linuxos {
namespace {

using common::ReadLe32;
using common::WriteLe32;

// Identify Controller: FRMW, the firmware updates byte; bits 3..1 count the slots.
constexpr size_t kIdentifyFrmw = 260;
constexpr int kFrmwSlotCountShift = 1;
constexpr uint8_t kFrmwSlotCountMask = 0x07;

bool Inside(size_t size, uint64_t offset, uint64_t length) {
  return offset <= size && length <= size - offset;
}

}  // namespace

NvmePassthru PassthruFromEntry(std::span<const uint8_t> e, uint8_t* data, uint32_t length,
                               uint32_t timeoutMs) {
  NvmePassthru c;
  const auto dword = [e](int n) { return ReadLe32(e, NvmeDwordOffset(n)); };
  c.opcode = common::Read8(e, kNvmeOpcodeOffset);
  // CDW0 byte 1 (fused operation, PRP or SGL) belongs to the driver: the
  // kernel refuses any flags with EINVAL, so they are not passed on.
  c.flags = 0;
  c.nsid = dword(kNvmeNsid);
  c.cdw2 = dword(kNvmeCdw2);
  c.cdw3 = dword(kNvmeCdw3);
  c.cdw10 = dword(kNvmeCdw10);
  c.cdw11 = dword(kNvmeCdw11);
  c.cdw12 = dword(kNvmeCdw12);
  c.cdw13 = dword(kNvmeCdw13);
  c.cdw14 = dword(kNvmeCdw14);
  c.cdw15 = dword(kNvmeCdw15);
  c.addr =
      length > 0 && data != nullptr ? static_cast<uint64_t>(reinterpret_cast<uintptr_t>(data)) : 0;
  c.dataLen = c.addr != 0 ? length : 0;
  c.timeoutMs = timeoutMs;
  return c;
}

uint32_t CompletionDw3(int ioctlResult) {
  if (ioctlResult <= 0) return 0;
  return (static_cast<uint32_t>(ioctlResult) & 0x7FFF) << 17;
}

NvmeJob JobFromProtocolCommand(std::span<uint8_t> b) {
  using Command = STORAGE_PROTOCOL_COMMAND;
  NvmeJob job;
  if (b.size() < sizeof(Command)) return job;
  if (ReadLe32(b, offsetof(Command, ProtocolType)) != ProtocolTypeNvme) return job;
  const uint32_t commandLength = ReadLe32(b, offsetof(Command, CommandLength));
  const size_t commandOffset = offsetof(Command, Command);
  if (commandLength < kNvmeSubmissionEntrySize ||
      !Inside(b.size(), commandOffset, kNvmeSubmissionEntrySize))
    return job;
  const uint32_t toLen = ReadLe32(b, offsetof(Command, DataToDeviceTransferLength));
  const uint32_t toOff = ReadLe32(b, offsetof(Command, DataToDeviceBufferOffset));
  const uint32_t fromLen = ReadLe32(b, offsetof(Command, DataFromDeviceTransferLength));
  const uint32_t fromOff = ReadLe32(b, offsetof(Command, DataFromDeviceBufferOffset));
  uint8_t* data = nullptr;
  uint32_t length = 0;
  if (toLen > 0) {
    if (!Inside(b.size(), toOff, toLen)) return job;
    data = b.data() + toOff;
    length = toLen;
  } else if (fromLen > 0) {
    if (!Inside(b.size(), fromOff, fromLen)) return job;
    data = b.data() + fromOff;
    length = fromLen;
  }
  const uint32_t seconds = ReadLe32(b, offsetof(Command, TimeOutValue));
  job.cmd = PassthruFromEntry(b.subspan(commandOffset, kNvmeSubmissionEntrySize), data, length,
                              seconds ? TimeoutMs(seconds) : kNvmeDefaultTimeoutMs);
  job.admin = ReadLe32(b, offsetof(Command, CommandSpecific)) ==
              STORAGE_PROTOCOL_SPECIFIC_NVME_ADMIN_COMMAND;
  job.valid = true;
  return job;
}

void CompleteProtocolCommand(std::span<uint8_t> b, int ioctlResult, uint32_t dw0) {
  using Command = STORAGE_PROTOCOL_COMMAND;
  WriteLe32(b, offsetof(Command, ReturnStatus),
            ioctlResult == 0 ? STORAGE_PROTOCOL_STATUS_SUCCESS : STORAGE_PROTOCOL_STATUS_ERROR);
  WriteLe32(b, offsetof(Command, ErrorCode),
            ioctlResult > 0 ? static_cast<uint32_t>(ioctlResult) : 0);
  WriteLe32(b, offsetof(Command, FixedProtocolReturnData), dw0);
  // This system reads the completion entry back from the error information
  // area: DW0 and the status in DW3.
  const uint32_t errOff = ReadLe32(b, offsetof(Command, ErrorInfoOffset));
  if (Inside(b.size(), errOff, 16)) {
    WriteLe32(b, errOff, dw0);
    WriteLe32(b, errOff + 4, 0);
    WriteLe32(b, errOff + 8, 0);
    WriteLe32(b, errOff + 12, CompletionDw3(ioctlResult));
  }
}

NvmeJob JobFromPropertyQuery(std::span<uint8_t> b) {
  using Specific = STORAGE_PROTOCOL_SPECIFIC_DATA;
  constexpr size_t kSpecific = offsetof(STORAGE_PROPERTY_QUERY, AdditionalParameters);
  NvmeJob job;
  if (b.size() < kProtocolQueryDataOffset) return job;
  const uint32_t propertyId = ReadLe32(b, 0);
  if (propertyId != StorageAdapterProtocolSpecificProperty &&
      propertyId != StorageDeviceProtocolSpecificProperty)
    return job;
  if (ReadLe32(b, kSpecific + offsetof(Specific, ProtocolType)) != ProtocolTypeNvme) return job;
  const uint32_t dataType = ReadLe32(b, kSpecific + offsetof(Specific, DataType));
  const uint32_t value = ReadLe32(b, kSpecific + offsetof(Specific, ProtocolDataRequestValue));
  const uint32_t subValue =
      ReadLe32(b, kSpecific + offsetof(Specific, ProtocolDataRequestSubValue));
  const uint32_t offset = ReadLe32(b, kSpecific + offsetof(Specific, ProtocolDataOffset));
  const uint32_t length = ReadLe32(b, kSpecific + offsetof(Specific, ProtocolDataLength));
  if (!Inside(b.size(), uint64_t{kSpecific} + offset, length) || length == 0) return job;
  uint8_t* data = b.data() + kSpecific + offset;
  NvmePassthru& c = job.cmd;
  if (dataType == NVMeDataTypeIdentify) {
    c.opcode = kNvmeAdminIdentify;
    c.nsid = subValue;
    c.cdw10 = value;
  } else if (dataType == NVMeDataTypeLogPage) {
    c.opcode = kNvmeAdminGetLogPage;
    c.nsid = 0xFFFFFFFFu;
    const uint32_t numd = length / 4 - 1;
    c.cdw10 = (value & 0xFF) | ((numd & 0xFFFF) << 16);
    c.cdw11 = numd >> 16;
    c.cdw12 = subValue;
  } else {
    return job;
  }
  c.addr = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(data));
  c.dataLen = length;
  c.timeoutMs = kNvmeDefaultTimeoutMs;
  job.admin = true;
  job.valid = true;
  return job;
}

void CompletePropertyQuery(std::span<uint8_t> b) {
  // The answer is a STORAGE_PROTOCOL_DATA_DESCRIPTOR: version and size in
  // front of the protocol-specific block, which stays as asked.
  WriteLe32(b, 0, sizeof(STORAGE_PROTOCOL_DATA_DESCRIPTOR));
  WriteLe32(b, 4, sizeof(STORAGE_PROTOCOL_DATA_DESCRIPTOR));
}

NvmeJob JobFromMiniportRecord(std::span<uint8_t> r, uint32_t sentLength) {
  using Ioctl = NVME_PASS_THROUGH_IOCTL;
  NvmeJob job;
  if (r.size() < kNvmePassThroughHeaderSize) return job;
  if (std::memcmp(r.data() + offsetof(Ioctl, SrbIoCtrl) + offsetof(SRB_IO_CONTROL, Signature),
                  NVME_SIG_STR, 8) != 0)
    return job;
  const uint32_t direction = ReadLe32(r, offsetof(Ioctl, Direction));
  const uint32_t length = ReadLe32(r, offsetof(Ioctl, DataBufferLen));
  if (!Inside(r.size(), kNvmePassThroughHeaderSize, length)) return job;
  if (direction == NVME_FROM_HOST_TO_DEV &&
      length > sentLength - std::min<uint32_t>(sentLength, kNvmePassThroughHeaderSize))
    return job;
  const uint32_t seconds =
      ReadLe32(r, offsetof(Ioctl, SrbIoCtrl) + offsetof(SRB_IO_CONTROL, Timeout));
  uint8_t* data = direction == NVME_NO_DATA_TX ? nullptr : r.data() + kNvmePassThroughHeaderSize;
  job.cmd = PassthruFromEntry(r.subspan(offsetof(Ioctl, NVMeCmd), kNvmeSubmissionEntrySize), data,
                              length, seconds ? TimeoutMs(seconds) : kNvmeDefaultTimeoutMs);
  job.admin = ReadLe32(r, offsetof(Ioctl, QueueId)) == 0;
  job.valid = true;
  return job;
}

void CompleteMiniportRecord(std::span<uint8_t> r, int ioctlResult, uint32_t dw0) {
  using Ioctl = NVME_PASS_THROUGH_IOCTL;
  WriteLe32(r, offsetof(Ioctl, CplEntry), dw0);
  WriteLe32(r, offsetof(Ioctl, CplEntry) + 4, 0);
  WriteLe32(r, offsetof(Ioctl, CplEntry) + 8, 0);
  WriteLe32(r, offsetof(Ioctl, CplEntry) + 12, CompletionDw3(ioctlResult));
  WriteLe32(r, offsetof(Ioctl, SrbIoCtrl) + offsetof(SRB_IO_CONTROL, ReturnCode),
            ioctlResult == 0 ? 0 : 1);
}

NvmeJob JobFromFirmwareDownload(std::span<uint8_t> b) {
  using Download = STORAGE_HW_FIRMWARE_DOWNLOAD;
  NvmeJob job;
  if (b.size() < offsetof(Download, ImageBuffer)) return job;
  const uint64_t offset = common::ReadLe64(b, offsetof(Download, Offset));
  const uint64_t size = common::ReadLe64(b, offsetof(Download, BufferSize));
  if (size == 0 || size % 4 != 0 || offset % 4 != 0 ||
      !Inside(b.size(), offsetof(Download, ImageBuffer), size) || size > 0xFFFFFFFFu)
    return job;
  NvmePassthru& c = job.cmd;
  c.opcode = kNvmeAdminFirmwareDownload;
  c.cdw10 = static_cast<uint32_t>(size / 4 - 1);
  c.cdw11 = static_cast<uint32_t>(offset / 4);
  c.addr = static_cast<uint64_t>(
      reinterpret_cast<uintptr_t>(b.data() + offsetof(Download, ImageBuffer)));
  c.dataLen = static_cast<uint32_t>(size);
  c.timeoutMs = kNvmeLongTimeoutMs;
  job.valid = true;
  return job;
}

bool FormatAimedAtNode(const NvmePassthru& command, uint32_t nodeNsid) {
  return nodeNsid != 0 && command.nsid == nodeNsid;
}

NvmeJob JobForFirmwareActivate(std::span<const uint8_t> request) {
  using Activate = STORAGE_HW_FIRMWARE_ACTIVATE;
  NvmeJob job;
  if (request.size() < sizeof(Activate)) return job;
  const uint8_t slot = request[offsetof(Activate, Slot)];
  const uint32_t flags = ReadLe32(request, offsetof(Activate, Flags));
  // Commit action 1: the downloaded image goes into the slot and runs after
  // the next controller reset.
  constexpr uint32_t kCommitReplaceAndActivate = 1;
  job.cmd.opcode = kNvmeAdminFirmwareCommit;
  job.cmd.cdw10 = (kCommitReplaceAndActivate << 3) | (slot & 7);
  job.cmd.timeoutMs = kNvmeLongTimeoutMs;
  job.valid = true;
  job.activateNow = (flags & STORAGE_HW_FIRMWARE_REQUEST_FLAG_REPLACE_AND_SWITCH_UPON_RESET) == 0;
  return job;
}

bool FirmwareInfoFromIdentify(std::span<const uint8_t> identify, std::span<uint8_t> answer) {
  if (answer.size() < kFirmwareInfoHeaderSize || identify.size() <= kIdentifyFrmw) return false;
  STORAGE_HW_FIRMWARE_INFO info{};
  info.Version = sizeof(STORAGE_HW_FIRMWARE_INFO);
  info.Size = static_cast<DWORD>(std::min<size_t>(answer.size(), 0xFFFFFFFFu));
  info.SupportUpgrade = 1;
  info.SlotCount =
      static_cast<UCHAR>((identify[kIdentifyFrmw] >> kFrmwSlotCountShift) & kFrmwSlotCountMask);
  std::fill(answer.begin(), answer.end(), 0);
  // Only the header: the caller's answer may be shorter than the whole struct.
  std::memcpy(answer.data(), &info, kFirmwareInfoHeaderSize);
  return true;
}

}  // namespace os::linuxos
