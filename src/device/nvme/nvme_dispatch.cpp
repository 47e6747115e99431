#include "device/nvme/nvme_dispatch.h"

#include "common/text.h"
#include "device/core/open_scope.h"
#include "device/nvme/nvme_paths.h"
#include "platform/nvme_command.h"

namespace device {
namespace {

enum class Route { kProtocol, kProperty, kFwDownload, kFwActivate, kBridge, kMiniport, kNone };

Route PickRoute(uint32_t attribute, uint8_t opcode, bool admin) {
  if (attribute & STORAGE_NVME) {
    if ((admin && opcode >= os::kNvmeFirstVendorAdminOpcode) ||
        (!admin && opcode >= os::kNvmeFirstVendorIoOpcode))
      return Route::kProtocol;
    switch (opcode) {
      case os::kNvmeAdminFirmwareCommit:
        return Route::kFwActivate;
      case os::kNvmeAdminFirmwareDownload:
        return Route::kFwDownload;
      case os::kNvmeAdminGetLogPage:
      case os::kNvmeAdminIdentify:
        return Route::kProperty;
      case os::kNvmeAdminFormatNvm:
        // As the inbox driver takes it where it takes it at all (its
        // pre-installation environment): a protocol command to the handle's
        // namespace. A full Windows refuses it there; the Linux backend
        // carries it.
        return admin ? Route::kProtocol : Route::kNone;
      default:
        return Route::kNone;
    }
  }
  if (attribute & STORAGE_NVME_BRIDGE) return Route::kBridge;
  if (attribute & (STORAGE_ATA | STORAGE_SCSI_ATAPI)) return Route::kNone;
  return Route::kMiniport;
}

bool Send(StorageDevice& dev, NvmeCommandRecord& record, Route route, uint32_t dataLength,
          uint32_t metadataLength, bool admin, bool force) {
  if (route == Route::kNone) return false;
  if (uint64_t{dataLength} + metadataLength > record.Capacity()) {
    dev.Os().SetLastError(os::ERROR_INVALID_PARAMETER);
    return false;
  }
  const OpenScope open(dev, [route, force](StorageDevice& d) {
    if (route == Route::kMiniport)
      d.OpenPort();
    else
      d.Reopen(force);
  });
  if (!open) return false;
  bool ok = false;
  switch (route) {
    case Route::kProtocol:
      ok = nvme_path::ProtocolCommand(dev, record, dataLength, admin);
      break;
    case Route::kProperty:
      ok = nvme_path::PropertyQuery(dev, record, dataLength);
      break;
    case Route::kFwDownload:
      ok = nvme_path::FirmwareDownload(dev, record, dataLength);
      break;
    case Route::kFwActivate:
      ok = nvme_path::FirmwareActivate(dev, record);
      break;
    case Route::kBridge:
      ok = nvme_path::Bridge(dev, record, dataLength, admin);
      break;
    case Route::kMiniport:
      ok = nvme_path::Miniport(dev, record, dataLength, metadataLength, admin);
      break;
    case Route::kNone:
      break;
  }
  return ok;
}

}  // namespace

const char* ProtocolStatusName(uint32_t status) {
  switch (status) {
    case 0x0:
      return "STORAGE_PROTOCOL_STATUS_PENDING";
    case 0x1:
      return "STORAGE_PROTOCOL_STATUS_SUCCESS";
    case 0x2:
      return "STORAGE_PROTOCOL_STATUS_ERROR";
    case 0x3:
      return "STORAGE_PROTOCOL_STATUS_INVALID_REQUEST";
    case 0x4:
      return "STORAGE_PROTOCOL_STATUS_NO_DEVICE";
    case 0x5:
      return "STORAGE_PROTOCOL_STATUS_BUSY";
    case 0x6:
      return "STORAGE_PROTOCOL_STATUS_DATA_OVERRUN";
    case 0x7:
      return "STORAGE_PROTOCOL_STATUS_INSUFFICIENT_RESOURCES";
    case 0xFF:
      return "STORAGE_PROTOCOL_STATUS_NOT_SUPPORTED";
    default:
      return "Undefine";
  }
}

bool ExecuteNvmeCommand(StorageDevice& dev, NvmeCommandRecord& record, uint32_t dataLength,
                        uint32_t metadataLength, bool admin, bool force) {
  os::Os& os = dev.Os();
  const std::string path = dev.Path();
  os.OutputDebugStringA(common::Format(
      "\n[VKM] <%s> DataCount:%d, OPCODE:0x%02X  DW10:%08X   DW11:%08X   DW12:%08X   DW13:%08X   "
      "DW14:%08X   DW15:%08X ",
      path.c_str(), static_cast<int>(dataLength), record.Opcode(), record.Dword(os::kNvmeCdw10),
      record.Dword(os::kNvmeCdw11), record.Dword(os::kNvmeCdw12), record.Dword(os::kNvmeCdw13),
      record.Dword(os::kNvmeCdw14), record.Dword(os::kNvmeCdw15)));
  const Route route = PickRoute(dev.devAttribute, record.Opcode(), admin);
  const bool ok = Send(dev, record, route, dataLength, metadataLength, admin, force);
  os.OutputDebugStringA(common::Format(
      "[VKM] <%s> Status DW0:%08X   DW1:%08X   DW2:%08X   DW3:%08X  @Return:%s, @LastErr:%d",
      path.c_str(), record.Completion(0), record.Completion(1), record.Completion(2),
      record.Completion(3), ok ? "Success" : "Fail", static_cast<int>(os.GetLastError())));
  return ok;
}

}  // namespace device
