// The paths of drives on the inbox NVMe driver: protocol command, property
// query, firmware download and activation.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "common/bytes.h"
#include "common/text.h"
#include "device/core/request_timeout.h"
#include "device/nvme/nvme_dispatch.h"
#include "device/nvme/nvme_paths.h"
#include "platform/storage_firmware.h"
#include "platform/storage_protocol.h"

namespace device::nvme_path {
namespace {

using Command = os::STORAGE_PROTOCOL_COMMAND;
constexpr uint32_t kCommandOffset = offsetof(Command, Command);           // 80
constexpr uint32_t kErrorInfoOffset = kCommandOffset + 64;                // 144
constexpr uint32_t kDataOffset = kErrorInfoOffset + 64;                   // 208
constexpr uint32_t kProtocolBufferExtra = kDataOffset + 4;                // 212
constexpr uint32_t kQueryBufferExtra = os::kProtocolQueryDataOffset + 4;  // 52
constexpr size_t kSpecificOffset = offsetof(os::STORAGE_PROPERTY_QUERY, AdditionalParameters);
constexpr uint32_t kFirmwareInfoAnswerSize =
    os::kFirmwareInfoHeaderSize + 7 * sizeof(os::STORAGE_HW_FIRMWARE_SLOT_INFO);
static_assert(kErrorInfoOffset == 144 && kDataOffset == 208 && kFirmwareInfoAnswerSize == 248);

constexpr uint8_t kFirmwareSlot = 1;

void Put32(std::vector<uint8_t>& b, size_t offset, uint32_t v) { common::WriteLe32(b, offset, v); }

bool Ioctl(StorageDevice& dev, os::DWORD code, std::vector<uint8_t>& buffer) {
  os::DWORD returned = 0;
  return dev.Os().DeviceIoControl(dev.Handle(), code, buffer.data(),
                                  static_cast<os::DWORD>(buffer.size()), buffer.data(),
                                  static_cast<os::DWORD>(buffer.size()), &returned);
}

}  // namespace

bool ProtocolCommand(StorageDevice& dev, NvmeCommandRecord& record, uint32_t dataLength,
                     bool admin) {
  std::vector<uint8_t> b(size_t{dataLength} + kProtocolBufferExtra, 0);
  const uint8_t opcode = record.Opcode();
  Put32(b, offsetof(Command, Version), os::STORAGE_PROTOCOL_STRUCTURE_VERSION);
  Put32(b, offsetof(Command, Length), sizeof(Command));
  Put32(b, offsetof(Command, ProtocolType), os::ProtocolTypeNvme);
  Put32(b, offsetof(Command, Flags), os::STORAGE_PROTOCOL_COMMAND_FLAG_ADAPTER_REQUEST);
  Put32(b, offsetof(Command, CommandLength), os::STORAGE_PROTOCOL_COMMAND_LENGTH_NVME);
  Put32(b, offsetof(Command, ErrorInfoLength), 64);
  Put32(b, offsetof(Command, TimeOutValue),
        RequestTimeoutSeconds(dev, NvmeRequestLength(opcode, admin)));
  Put32(b, offsetof(Command, ErrorInfoOffset), kErrorInfoOffset);
  Put32(b, offsetof(Command, CommandSpecific),
        admin ? os::STORAGE_PROTOCOL_SPECIFIC_NVME_ADMIN_COMMAND
              : os::STORAGE_PROTOCOL_SPECIFIC_NVME_NVM_COMMAND);
  std::copy_n(record.Command().begin(), 64, b.begin() + kCommandOffset);
  if (NvmeHostToController(opcode)) {
    Put32(b, offsetof(Command, DataToDeviceTransferLength), dataLength);
    Put32(b, offsetof(Command, DataToDeviceBufferOffset), kDataOffset);
    std::copy_n(record.Data().begin(), dataLength, b.begin() + kDataOffset);
  } else if (NvmeControllerToHost(opcode)) {
    Put32(b, offsetof(Command, DataFromDeviceTransferLength), dataLength);
    Put32(b, offsetof(Command, DataFromDeviceBufferOffset), kDataOffset);
  }
  if (!Ioctl(dev, os::IOCTL_STORAGE_PROTOCOL_COMMAND, b)) return false;
  const uint32_t status = common::ReadLe32(b, offsetof(Command, ReturnStatus));
  dev.Os().OutputDebugStringA(
      common::Format("[VKM] @Status: %02X => %s", status, ProtocolStatusName(status)));
  if (!NvmeHostToController(opcode))
    std::copy_n(b.begin() + kDataOffset, dataLength, record.Data().begin());
  for (int i = 0; i < 4; ++i)
    record.SetCompletion(i, common::ReadLe32(b, kErrorInfoOffset + 4 * static_cast<size_t>(i)));
  if (status == os::STORAGE_PROTOCOL_STATUS_SUCCESS) return true;
  if (status != os::STORAGE_PROTOCOL_STATUS_ERROR) return false;
  // The controller completed the command with an error status. The request
  // itself went through, as on the miniport path: the status (also carried
  // in ErrorCode when the completion entry lacks it) is the caller's to judge.
  const uint32_t dw3 = record.Completion(3);
  if (NvmeStatusField(dw3) == 0) {
    const uint32_t code = common::ReadLe32(b, offsetof(Command, ErrorCode));
    record.SetCompletion(3, NvmeDw3WithStatus(dw3, static_cast<uint16_t>(code & 0x7FFF)));
  }
  return NvmeStatusField(record.Completion(3)) != 0;
}

bool PropertyQuery(StorageDevice& dev, NvmeCommandRecord& record, uint32_t dataLength) {
  using Specific = os::STORAGE_PROTOCOL_SPECIFIC_DATA;
  std::vector<uint8_t> b(size_t{dataLength} + kQueryBufferExtra, 0);
  const uint8_t opcode = record.Opcode();
  uint32_t propertyId;
  uint32_t dataType;
  uint32_t value;
  uint32_t subValue;
  if (opcode == os::kNvmeAdminGetLogPage) {
    propertyId = os::StorageAdapterProtocolSpecificProperty;
    dataType = os::NVMeDataTypeLogPage;
    value = record.Dword(os::kNvmeCdw10) & 0xFF;  // log page identifier
    subValue = record.Dword(os::kNvmeCdw12);
  } else {
    propertyId = record.Nsid() != 0 ? os::StorageDeviceProtocolSpecificProperty
                                    : os::StorageAdapterProtocolSpecificProperty;
    dataType = os::NVMeDataTypeIdentify;
    value = record.Dword(os::kNvmeCdw10);  // CNS
    subValue = record.Nsid();
  }
  Put32(b, offsetof(os::STORAGE_PROPERTY_QUERY, PropertyId), propertyId);
  Put32(b, offsetof(os::STORAGE_PROPERTY_QUERY, QueryType), os::PropertyStandardQuery);
  Put32(b, kSpecificOffset + offsetof(Specific, ProtocolType), os::ProtocolTypeNvme);
  Put32(b, kSpecificOffset + offsetof(Specific, DataType), dataType);
  Put32(b, kSpecificOffset + offsetof(Specific, ProtocolDataRequestValue), value);
  Put32(b, kSpecificOffset + offsetof(Specific, ProtocolDataRequestSubValue), subValue);
  Put32(b, kSpecificOffset + offsetof(Specific, ProtocolDataOffset), sizeof(Specific));
  Put32(b, kSpecificOffset + offsetof(Specific, ProtocolDataLength), dataLength);
  if (NvmeHostToController(opcode))
    std::copy_n(record.Data().begin(), dataLength, b.begin() + os::kProtocolQueryDataOffset);
  if (!Ioctl(dev, os::IOCTL_STORAGE_QUERY_PROPERTY, b)) return false;
  if (NvmeControllerToHost(opcode))
    std::copy_n(b.begin() + os::kProtocolQueryDataOffset, dataLength, record.Data().begin());
  return true;
}

bool FirmwareDownload(StorageDevice& dev, NvmeCommandRecord& record, uint32_t dataLength) {
  os::STORAGE_HW_FIRMWARE_INFO_QUERY query{};
  query.Version = sizeof query;
  query.Size = sizeof query;
  query.Flags = os::STORAGE_HW_FIRMWARE_REQUEST_FLAG_CONTROLLER;
  uint8_t info[kFirmwareInfoAnswerSize] = {};
  os::DWORD returned = 0;
  if (!dev.Os().DeviceIoControl(dev.Handle(), os::IOCTL_STORAGE_FIRMWARE_GET_INFO, &query,
                                sizeof query, info, sizeof info, &returned))
    return false;

  using Download = os::STORAGE_HW_FIRMWARE_DOWNLOAD;
  constexpr uint32_t kHeader = sizeof(Download);  // 40
  std::vector<uint8_t> b(size_t{dataLength} + kHeader, 0);
  Put32(b, offsetof(Download, Version), kHeader);
  Put32(b, offsetof(Download, Size), dataLength + kHeader);
  Put32(b, offsetof(Download, Flags), os::STORAGE_HW_FIRMWARE_REQUEST_FLAG_CONTROLLER);
  b[offsetof(Download, Slot)] = kFirmwareSlot;
  // CDW11 counts dwords; the request counts bytes.
  common::WriteLe64(b, offsetof(Download, Offset), uint64_t{record.Dword(os::kNvmeCdw11)} * 4);
  common::WriteLe64(b, offsetof(Download, BufferSize), dataLength);
  std::copy_n(record.Data().begin(), dataLength, b.begin() + offsetof(Download, ImageBuffer));
  return Ioctl(dev, os::IOCTL_STORAGE_FIRMWARE_DOWNLOAD, b);
}

bool FirmwareActivate(StorageDevice& dev, const NvmeCommandRecord& record) {
  os::STORAGE_HW_FIRMWARE_ACTIVATE request{};
  request.Version = sizeof request;
  request.Size = sizeof request;
  request.Flags = os::STORAGE_HW_FIRMWARE_REQUEST_FLAG_CONTROLLER;
  // The driver activates the image at once, restarting the controller under
  // whatever runs from it; only a commit that asks for that (action 3) gets
  // it. Any other action stores the image for the next reset.
  constexpr uint32_t kActionShift = 3, kActionMask = 0x7, kActivateNow = 3;
  if (((record.Dword(os::kNvmeCdw10) >> kActionShift) & kActionMask) != kActivateNow)
    request.Flags |= os::STORAGE_HW_FIRMWARE_REQUEST_FLAG_REPLACE_AND_SWITCH_UPON_RESET;
  request.Slot = kFirmwareSlot;
  os::DWORD returned = 0;
  return dev.Os().DeviceIoControl(dev.Handle(), os::IOCTL_STORAGE_FIRMWARE_ACTIVATE, &request,
                                  sizeof request, &request, sizeof request, &returned);
}

}  // namespace device::nvme_path
