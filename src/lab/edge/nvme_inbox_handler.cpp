// The inbox NVMe driver's requests: identify and log pages as protocol-
// specific properties, vendor commands through STORAGE_PROTOCOL_COMMAND, and
// the firmware slot information, image download and activation requests.
#include "lab/edge/nvme_inbox_handler.h"

#include <algorithm>
#include <cstring>

#include "common/bytes.h"
#include "lab/bridges/nvme_access.h"
#include "platform/request_buffer.h"
#include "platform/storage_firmware.h"
#include "platform/storage_protocol.h"

namespace lab::edge {
namespace {

constexpr uint8_t kNvmeAdminGetFeatures = 0x0A;
constexpr uint32_t kAllNamespaces = 0xFFFFFFFFu;
constexpr uint8_t kLogFirmwareSlot = 0x03;
constexpr size_t kIdOacs = 256;
constexpr uint16_t kOacsFirmware = 1u << 2;
constexpr size_t kIdFrmw = 260;
constexpr size_t kIdFwug = 319;
constexpr uint8_t kCommitReplaceAndActivateAtReset = 1;
constexpr uint8_t kCommitActivateExistingAtReset = 2;
constexpr uint8_t kCommitReplaceAndActivateNow = 3;
constexpr uint8_t kInvalidSlot = 0xFF;
constexpr size_t kCompletionBytes = 16;

bool IsInbox(const LabDisk& d) { return d.GetAttachment() == Attachment::kNvme; }

NvmeCompletion RunAdmin(NvmeController& c, uint8_t opcode, uint32_t nsid,
                        std::array<uint32_t, 6> cdw, std::span<uint8_t> data) {
  NvmeSubmission s;
  s.opcode = opcode;
  s.nsid = nsid;
  s.cdw = cdw;
  s.direction = data.empty() ? DataDirection::kNone : NvmeOpcodeDirection(opcode);
  s.data = data;
  return c.ExecuteNvme(s);
}

}  // namespace

bool NvmeInboxHandler::Handles(os::DWORD code) {
  return code == os::IOCTL_STORAGE_PROTOCOL_COMMAND ||
         code == os::IOCTL_STORAGE_FIRMWARE_GET_INFO ||
         code == os::IOCTL_STORAGE_FIRMWARE_DOWNLOAD || code == os::IOCTL_STORAGE_FIRMWARE_ACTIVATE;
}

Reply NvmeInboxHandler::Control(const Request& r) {
  LabDisk& disk = *r.target.disk;
  switch (r.code) {
    case os::IOCTL_STORAGE_PROTOCOL_COMMAND:
      return ProtocolCommand(r, disk);
    case os::IOCTL_STORAGE_FIRMWARE_GET_INFO:
      return FirmwareInfo(r, disk);
    case os::IOCTL_STORAGE_FIRMWARE_DOWNLOAD:
      return FirmwareDownload(r, disk);
    case os::IOCTL_STORAGE_FIRMWARE_ACTIVATE:
      return FirmwareActivate(r, disk);
    default:
      return Reply::Fail(os::ERROR_INVALID_FUNCTION);
  }
}

Reply NvmeInboxHandler::ProtocolSpecificQuery(const Request& r, LabDisk& disk) {
  if (!IsInbox(disk)) return Reply::Fail(os::ERROR_NOT_SUPPORTED);
  const std::span<const uint8_t> in = os::BytesOf(static_cast<const void*>(r.in), r.inSize);
  constexpr size_t kSpecific = offsetof(os::STORAGE_PROPERTY_QUERY, AdditionalParameters);
  os::STORAGE_PROTOCOL_SPECIFIC_DATA q{};
  if (in.size() < kSpecific + sizeof q) return Reply::Fail(os::ERROR_INVALID_PARAMETER);
  std::memcpy(&q, in.data() + kSpecific, sizeof q);
  if (q.ProtocolType != os::ProtocolTypeNvme || q.ProtocolDataOffset < sizeof q ||
      q.ProtocolDataLength == 0) {
    return Reply::Fail(os::ERROR_INVALID_PARAMETER);
  }
  // The answer is the descriptor header and the data right behind it.
  const size_t dataAt = sizeof(os::STORAGE_PROTOCOL_DATA_DESCRIPTOR);
  if (r.out == nullptr || r.outSize < dataAt + q.ProtocolDataLength) {
    return Reply::Fail(os::ERROR_INSUFFICIENT_BUFFER);
  }
  std::vector<uint8_t> data(q.ProtocolDataLength, 0);
  NvmeCompletion c;
  switch (q.DataType) {
    case os::NVMeDataTypeIdentify:
      if (data.size() < kNvmeIdentifyBytes) return Reply::Fail(os::ERROR_INVALID_PARAMETER);
      c = RunAdmin(*disk.Nvme(), kNvmeAdminIdentify, q.ProtocolDataRequestSubValue,
                   {q.ProtocolDataRequestValue, 0, 0, 0, 0, 0}, data);
      break;
    case os::NVMeDataTypeLogPage: {
      if (data.size() % 4 != 0) return Reply::Fail(os::ERROR_INVALID_PARAMETER);
      const uint32_t numd = static_cast<uint32_t>(data.size() / 4 - 1);
      c = RunAdmin(*disk.Nvme(), kNvmeAdminGetLogPage, kAllNamespaces,
                   {(numd & 0xFFFF) << 16 | (q.ProtocolDataRequestValue & 0xFF), numd >> 16,
                    q.ProtocolDataRequestSubValue, q.ProtocolDataRequestSubValue2, 0, 0},
                   data);
      break;
    }
    case os::NVMeDataTypeFeature:
      c = RunAdmin(*disk.Nvme(), kNvmeAdminGetFeatures, 0,
                   {q.ProtocolDataRequestValue, q.ProtocolDataRequestSubValue, 0, 0, 0, 0}, {});
      break;
    default:
      return Reply::Fail(os::ERROR_INVALID_PARAMETER);
  }
  if (!c.delivered) return ctx_.Unanswered(c.timedOut, 60);
  if (!c.Ok()) return Reply::Fail(os::ERROR_IO_DEVICE);
  os::STORAGE_PROTOCOL_DATA_DESCRIPTOR d{};
  d.Version = sizeof d;
  d.Size = sizeof d;
  d.ProtocolSpecificData = q;
  d.ProtocolSpecificData.ProtocolDataOffset = sizeof q;
  d.ProtocolSpecificData.FixedProtocolReturnData = c.dw0;
  std::vector<uint8_t> reply(dataAt, 0);
  std::memcpy(reply.data(), &d, sizeof d);
  reply.insert(reply.end(), data.begin(), data.end());
  std::memcpy(r.out, reply.data(), reply.size());
  return Reply::Done(static_cast<os::DWORD>(reply.size()));
}

Reply NvmeInboxHandler::ProtocolCommand(const Request& r, LabDisk& disk) {
  if (!IsInbox(disk)) return Reply::Fail(os::ERROR_INVALID_FUNCTION);
  os::STORAGE_PROTOCOL_COMMAND h{};
  constexpr size_t kHeader = offsetof(os::STORAGE_PROTOCOL_COMMAND, Command);
  if (!os::LoadRequest(r.in, r.inSize, &h) || h.Version != os::STORAGE_PROTOCOL_STRUCTURE_VERSION ||
      h.Length != sizeof h || h.ProtocolType != os::ProtocolTypeNvme ||
      h.CommandLength != os::STORAGE_PROTOCOL_COMMAND_LENGTH_NVME ||
      r.inSize < kHeader + h.CommandLength || r.out == nullptr || r.outSize < kHeader) {
    return Reply::Fail(os::ERROR_INVALID_PARAMETER);
  }
  const auto fits = [](uint64_t offset, uint64_t length, uint64_t size) {
    return length == 0 || offset + length <= size;
  };
  if (!fits(h.ErrorInfoOffset, h.ErrorInfoLength, r.outSize) ||
      !fits(h.DataToDeviceBufferOffset, h.DataToDeviceTransferLength, r.inSize) ||
      !fits(h.DataFromDeviceBufferOffset, h.DataFromDeviceTransferLength, r.outSize) ||
      (h.CommandSpecific != os::STORAGE_PROTOCOL_SPECIFIC_NVME_ADMIN_COMMAND &&
       h.CommandSpecific != os::STORAGE_PROTOCOL_SPECIFIC_NVME_NVM_COMMAND)) {
    return Reply::Fail(os::ERROR_INVALID_PARAMETER);
  }
  const std::span<const uint8_t> cmd =
      os::BytesOf(static_cast<const void*>(r.in), r.inSize).subspan(kHeader, h.CommandLength);
  NvmeSubmission s;
  s.opcode = cmd[0];
  s.nsid = common::ReadLe32(cmd, 4);
  for (size_t i = 0; i < s.cdw.size(); ++i) s.cdw[i] = common::ReadLe32(cmd, 40 + 4 * i);
  s.admin = h.CommandSpecific == os::STORAGE_PROTOCOL_SPECIFIC_NVME_ADMIN_COMMAND;
  s.direction = NvmeOpcodeDirection(s.opcode);
  std::vector<uint8_t> toDevice;
  if (s.direction == DataDirection::kOut) {
    const auto src = os::BytesOf(static_cast<const void*>(r.in), r.inSize)
                         .subspan(h.DataToDeviceBufferOffset, h.DataToDeviceTransferLength);
    toDevice.assign(src.begin(), src.end());
    s.data = toDevice;
  } else if (s.direction == DataDirection::kIn) {
    s.data = os::BytesOf(r.out, r.outSize)
                 .subspan(h.DataFromDeviceBufferOffset, h.DataFromDeviceTransferLength);
  }
  // The inbox driver passes on only vendor-specific commands this way.
  const bool vendor = s.admin ? s.opcode >= 0xC0 : s.opcode >= 0x80;
  NvmeCompletion c;
  if (vendor) {
    c = disk.Nvme()->ExecuteNvme(s);
    if (!c.delivered) return ctx_.Unanswered(c.timedOut, h.TimeOutValue);
    h.ReturnStatus =
        c.Ok() ? os::STORAGE_PROTOCOL_STATUS_SUCCESS : os::STORAGE_PROTOCOL_STATUS_ERROR;
    h.ErrorCode = c.Ok() ? 0 : NvmeCompletionDw3(c) >> 17;
    h.FixedProtocolReturnData = c.dw0;
  } else {
    h.ReturnStatus = os::STORAGE_PROTOCOL_STATUS_NOT_SUPPORTED;
  }
  if (s.direction != DataDirection::kIn || !c.Ok()) h.DataFromDeviceTransferLength = 0;
  if (h.ErrorInfoLength > 0) {
    // The completion entry goes to the error information area.
    std::vector<uint8_t> entry(kCompletionBytes, 0);
    common::WriteLe32(entry, 0, c.dw0);
    if (vendor) common::WriteLe32(entry, 12, NvmeCompletionDw3(c));
    std::memcpy(static_cast<uint8_t*>(r.out) + h.ErrorInfoOffset, entry.data(),
                std::min<size_t>(h.ErrorInfoLength, entry.size()));
  }
  std::memcpy(r.out, &h, kHeader);
  return Reply::Done(r.outSize);
}

Reply NvmeInboxHandler::FirmwareInfo(const Request& r, LabDisk& disk) {
  if (!IsInbox(disk)) return Reply::Fail(os::ERROR_INVALID_FUNCTION);
  os::STORAGE_HW_FIRMWARE_INFO_QUERY q{};
  if (!os::LoadRequest(r.in, r.inSize, &q) || q.Version != sizeof q || q.Size < sizeof q) {
    return Reply::Fail(os::ERROR_INVALID_PARAMETER);
  }
  if (r.out == nullptr || r.outSize < os::kFirmwareInfoHeaderSize) {
    return Reply::Fail(os::ERROR_INSUFFICIENT_BUFFER);
  }
  bool delivered = true;
  const std::vector<uint8_t> id = NvmeIdentify(*disk.Nvme(), 1, 0, &delivered);
  if (!delivered) return ctx_.Unanswered(false, 0);
  std::vector<uint8_t> log(512, 0);
  const NvmeCompletion lc =
      RunAdmin(*disk.Nvme(), kNvmeAdminGetLogPage, kAllNamespaces,
               {(uint32_t{512 / 4 - 1} << 16) | kLogFirmwareSlot, 0, 0, 0, 0, 0}, log);
  if (id.empty() || !lc.Ok()) return Reply::Fail(os::ERROR_IO_DEVICE);

  const uint8_t frmw = id[kIdFrmw];
  const uint8_t slots = (frmw >> 1) & 0x07;
  const uint8_t fwug = id[kIdFwug];
  const uint8_t afi = log[0];
  std::vector<uint8_t> b(
      os::kFirmwareInfoHeaderSize + size_t{slots} * sizeof(os::STORAGE_HW_FIRMWARE_SLOT_INFO), 0);
  common::WriteLe32(b, 0, sizeof(os::STORAGE_HW_FIRMWARE_INFO));
  common::WriteLe32(b, 4, static_cast<uint32_t>(b.size()));
  os::STORAGE_HW_FIRMWARE_INFO info{};
  info.Version = sizeof info;
  info.Size = static_cast<uint32_t>(b.size());
  info.SupportUpgrade = (common::ReadLe16(id, kIdOacs) & kOacsFirmware) ? 1 : 0;
  info.SlotCount = slots;
  info.ActiveSlot = afi & 0x07;
  info.PendingActivateSlot = (afi >> 4) & 0x07 ? (afi >> 4) & 0x07 : kInvalidSlot;
  info.FirmwareShared = 1;
  info.ImagePayloadAlignment = fwug == 0 || fwug == 0xFF ? 4 : uint32_t{fwug} * 4096;
  info.ImagePayloadMaxSize = disk.MaxTransferBytes();
  std::memcpy(b.data(), &info, os::kFirmwareInfoHeaderSize);
  for (uint8_t i = 0; i < slots; ++i) {
    os::STORAGE_HW_FIRMWARE_SLOT_INFO s{};
    s.Version = sizeof s;
    s.Size = sizeof s;
    s.SlotNumber = static_cast<uint8_t>(i + 1);
    s.ReadOnly = (i == 0 && (frmw & 0x01)) ? 1 : 0;
    std::memcpy(s.Revision, log.data() + 8 + 8 * i, 8);
    std::memcpy(b.data() + os::kFirmwareInfoHeaderSize + i * sizeof s, &s, sizeof s);
  }
  const size_t n = std::min<size_t>(b.size(), r.outSize);
  std::memcpy(r.out, b.data(), n);
  return Reply::Done(static_cast<os::DWORD>(n));
}

Reply NvmeInboxHandler::FirmwareDownload(const Request& r, LabDisk& disk) {
  if (!IsInbox(disk)) return Reply::Fail(os::ERROR_INVALID_FUNCTION);
  os::STORAGE_HW_FIRMWARE_DOWNLOAD d{};
  constexpr size_t kImage = offsetof(os::STORAGE_HW_FIRMWARE_DOWNLOAD, ImageBuffer);
  if (!os::LoadRequest(r.in, r.inSize, &d) || d.Version != sizeof d || d.Size > r.inSize ||
      d.BufferSize == 0 || d.BufferSize > r.inSize - kImage || d.BufferSize % 4 != 0 ||
      d.Offset % 4 != 0 || d.BufferSize > disk.MaxTransferBytes() || d.Offset / 4 > 0xFFFFFFFFull) {
    return Reply::Fail(os::ERROR_INVALID_PARAMETER);
  }
  std::vector<uint8_t> image(static_cast<const uint8_t*>(r.in) + kImage,
                             static_cast<const uint8_t*>(r.in) + kImage + d.BufferSize);
  const NvmeCompletion c = RunAdmin(*disk.Nvme(), kNvmeAdminFirmwareDownload, 0,
                                    {static_cast<uint32_t>(d.BufferSize / 4 - 1),
                                     static_cast<uint32_t>(d.Offset / 4), 0, 0, 0, 0},
                                    image);
  if (!c.delivered) return ctx_.Unanswered(c.timedOut, 60);
  if (!c.Ok()) return Reply::Fail(os::ERROR_IO_DEVICE);
  return Reply::Done(0);
}

Reply NvmeInboxHandler::FirmwareActivate(const Request& r, LabDisk& disk) {
  if (!IsInbox(disk)) return Reply::Fail(os::ERROR_INVALID_FUNCTION);
  os::STORAGE_HW_FIRMWARE_ACTIVATE a{};
  if (!os::LoadRequest(r.in, r.inSize, &a) || a.Version != sizeof a || a.Slot > 7) {
    return Reply::Fail(os::ERROR_INVALID_PARAMETER);
  }
  const std::vector<uint8_t> id = NvmeIdentify(*disk.Nvme(), 1, 0);
  // A controller that can switch without a reset does so at once; otherwise
  // the new image runs from the next reset (a restart of the lab).
  const bool switchNow = !id.empty() && (id[kIdFrmw] & 0x10);
  uint8_t action = (a.Flags & os::STORAGE_HW_FIRMWARE_REQUEST_FLAG_SWITCH_TO_EXISTING_FIRMWARE)
                       ? kCommitActivateExistingAtReset
                       : kCommitReplaceAndActivateAtReset;
  const bool atReset =
      (a.Flags & os::STORAGE_HW_FIRMWARE_REQUEST_FLAG_REPLACE_AND_SWITCH_UPON_RESET) != 0;
  if (switchNow && !atReset && action == kCommitReplaceAndActivateAtReset)
    action = kCommitReplaceAndActivateNow;
  const NvmeCompletion c = RunAdmin(*disk.Nvme(), kNvmeAdminFirmwareCommit, 0,
                                    {uint32_t{action} << 3 | a.Slot, 0, 0, 0, 0, 0}, {});
  if (!c.delivered) return ctx_.Unanswered(c.timedOut, 60);
  // The statuses that only ask for a reset count as done.
  const bool needsReset = c.statusCodeType == 1 &&
                          (c.statusCode == 0x0B || c.statusCode == 0x10 || c.statusCode == 0x11);
  if (!c.Ok() && !needsReset) return Reply::Fail(os::ERROR_IO_DEVICE);
  os::StoreReply(r.out, r.outSize, a);
  return Reply::Done(r.out != nullptr && r.outSize >= sizeof a ? sizeof a : 0);
}

}  // namespace lab::edge
