#include "device/scsi/scsi_request.h"

#include <cstddef>
#include <cstring>

#include "common/text.h"
#include "device/core/open_scope.h"
#include "device/core/request_timeout.h"
#include "platform/scsi_pass_through.h"

namespace device {
namespace {

constexpr uint8_t kCheckCondition = 0x02;
constexpr uint8_t kSenseKeyIllegalRequest = 0x05;
constexpr uint8_t kSenseKeyHardwareError = 0x04;
constexpr uint8_t kFixedSenseCurrent = 0x70;

void SynthesiseSense(SRB_ExecSCSICmd& srb, uint8_t key) {
  // The sense area holds kSenseAreaSize bytes; a longer SRB_SenseLen is cut.
  const size_t n = srb.SRB_SenseLen < kSenseAreaSize ? srb.SRB_SenseLen : kSenseAreaSize;
  if (n < 3) return;
  std::memset(srb.SenseArea, 0, n);
  srb.SenseArea[0] = kFixedSenseCurrent;
  srb.SenseArea[2] = key;
}

}  // namespace

SRB_ExecSCSICmd MakeScsiRequest(const StorageDevice& dev, uint8_t flags, uint8_t cdbLength,
                                uint8_t* buffer, uint32_t length) {
  SRB_ExecSCSICmd srb{};
  srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
  srb.SRB_HaId = static_cast<uint8_t>(dev.devHaId);
  srb.SRB_Target = static_cast<uint8_t>(dev.devTarget);
  srb.SRB_Lun = static_cast<uint8_t>(dev.devLun);
  srb.SRB_Flags = flags;
  srb.SRB_SenseLen = kSenseLength;
  srb.SRB_CDBLen = cdbLength;
  srb.SRB_BufPointer = buffer;
  srb.SRB_BufLen = length;
  return srb;
}

uint8_t ExecuteScsiRequest(StorageDevice& dev, SRB_ExecSCSICmd& srb, bool force) {
  const OpenScope open(dev, force);
  uint8_t status = SS_ERR;
  if (open) {
    switch (srb.SRB_Cmd) {
      case SC_HA_INQUIRY:
      case SC_RESET_DEV:
        status = SS_COMP;
        break;
      case SC_EXEC_SCSI_CMD:
        status = ExecuteSCSIIO(dev, srb);
        break;
      default:
        status = SS_ERR;
        break;
    }
  }
  srb.SRB_Status = status;
  return status;
}

uint8_t ExecuteSCSIIO(StorageDevice& dev, SRB_ExecSCSICmd& srb) {
  os::Os& os = dev.Os();
  srb.SRB_Status = SS_PENDING;
  if (!dev.CanCarryScsi()) return SS_NO_DEVICE;

  os::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER request{};
  os::SCSI_PASS_THROUGH_DIRECT& sptd = request.sptd;
  sptd.Length = sizeof(os::SCSI_PASS_THROUGH_DIRECT);
  sptd.ScsiStatus = 0;
  sptd.PathId = 0;
  sptd.TargetId = srb.SRB_Target;
  sptd.Lun = srb.SRB_Lun;
  const uint8_t cdbLength = srb.SRB_CDBLen <= sizeof sptd.Cdb ? srb.SRB_CDBLen : sizeof sptd.Cdb;
  sptd.CdbLength = cdbLength;
  // The driver writes at most this many sense bytes into ucSenseBuf.
  sptd.SenseInfoLength = srb.SRB_SenseLen <= sizeof request.ucSenseBuf
                             ? srb.SRB_SenseLen
                             : static_cast<uint8_t>(sizeof request.ucSenseBuf);
  // Commands without data are sent as data-out, like the data-out ones.
  sptd.DataIn =
      (srb.SRB_Flags & SRB_DIR_IN) != 0 ? os::SCSI_IOCTL_DATA_IN : os::SCSI_IOCTL_DATA_OUT;
  sptd.DataTransferLength = srb.SRB_BufLen;
  sptd.TimeOutValue = RequestTimeoutSeconds(
      dev, ScsiRequestLength(std::span<const uint8_t>(srb.CDBByte, cdbLength)));
  sptd.DataBuffer = srb.SRB_BufPointer;
  sptd.SenseInfoOffset = offsetof(os::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER, ucSenseBuf);
  std::memcpy(sptd.Cdb, srb.CDBByte, cdbLength);

  os::DWORD returned = 0;
  const bool ok = os.DeviceIoControl(dev.Handle(), os::IOCTL_SCSI_PASS_THROUGH_DIRECT, &request,
                                     sizeof request, &request, sizeof request, &returned);
  os.OutputDebugStringA(common::Format("[VKM_SCAN] ExecuteSCSIIO: status = %d", ok ? 1 : 0));
  if (!ok) {
    const os::DWORD error = os.GetLastError();
    os.OutputDebugStringA(common::Format("[VKM_SCAN] ExecuteSCSIIO: lst_err = %X", error));
    if (error == os::ERROR_INVALID_PARAMETER) {
      SynthesiseSense(srb, kSenseKeyIllegalRequest);
      return SS_BUFFER_TO_BIG;
    }
    SynthesiseSense(srb, kSenseKeyHardwareError);
    return SS_ERR;
  }

  srb.SRB_TargStat = sptd.ScsiStatus;
  srb.SRB_HaStat = 0;
  if (sptd.ScsiStatus == 0) return SS_COMP;
  if (sptd.ScsiStatus != kCheckCondition) return SS_ERR;
  if (dev.DisCheckScsiStatus()) return SS_COMP;
  const size_t n =
      srb.SRB_SenseLen < sizeof request.ucSenseBuf ? srb.SRB_SenseLen : sizeof request.ucSenseBuf;
  std::memcpy(srb.SenseArea, request.ucSenseBuf, n);
  // A SAT bridge asked for the ATA registers (CK_COND) answers with CHECK
  // CONDITION and an ATA Status Return descriptor: clean ATA status is success.
  if (srb.SenseArea[kSenseDescriptorCode] == kAtaStatusReturnDescriptor &&
      (srb.SenseArea[kSenseAtaStatus] & 0x01) == 0)
    return SS_COMP;
  return SS_ERR;
}

}  // namespace device
