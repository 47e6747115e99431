#include "platform/linux/ata_reply.h"

#include "platform/linux/sense_data.h"

namespace os::linuxos {
namespace {

// What a finished command without registers reports: ready, no error.
constexpr uint8_t kStatusReady = 0x50;

void Store(const AtaRegisters& r, ATA_PASS_THROUGH_DIRECT& block) {
  UCHAR* t = block.CurrentTaskFile;
  t[kTaskFileFeatures] = r.error;
  t[kTaskFileCount] = r.count;
  t[kTaskFileLbaLow] = r.lbaLow;
  t[kTaskFileLbaMid] = r.lbaMid;
  t[kTaskFileLbaHigh] = r.lbaHigh;
  t[kTaskFileDevice] = r.device;
  t[kTaskFileCommand] = r.status;
}

DWORD ErrorWithoutRegisters(const SenseInfo& s) {
  if (s.key == kSenseKeyIllegalRequest && (s.asc == kAscInvalidOpcode || s.asc == kAscInvalidField))
    return ERROR_NOT_SUPPORTED;  // no ATA pass-through here, or not this protocol
  if (s.key == kSenseKeyIllegalRequest) return ERROR_INVALID_PARAMETER;
  if (s.key == kSenseKeyNotReady) return ERROR_NOT_READY;
  return ERROR_IO_DEVICE;
}

}  // namespace

bool JudgeAtaReply(uint8_t scsiStatus, std::span<const uint8_t> sense,
                   ATA_PASS_THROUGH_DIRECT& block, DWORD* error) {
  *error = ERROR_SUCCESS;
  if (scsiStatus == kScsiStatusGood) {
    // Done without registers asked for (a data-in command): the data
    // arrived, the drive reported no error.
    block.CurrentTaskFile[kTaskFileFeatures] = 0;
    block.CurrentTaskFile[kTaskFileCommand] = kStatusReady;
    return true;
  }
  if (scsiStatus != kScsiStatusCheckCondition) {
    *error = scsiStatus == kScsiStatusBusy ? ERROR_NOT_READY : ERROR_IO_DEVICE;
    return false;
  }
  const SenseInfo s = ParseSense(sense);
  if (!s.hasRegisters) {
    *error = ErrorWithoutRegisters(s);
    return false;
  }
  AtaRegisters r = s.registers;
  const bool keyClean = s.key == kSenseKeyNoSense || s.key == kSenseKeyRecoveredError;
  const bool failed = !keyClean || (r.status & (kAtaStatusErr | kAtaStatusDf)) != 0;
  if (failed && (r.status & kAtaStatusErr) == 0) {
    // Callers judge the ERR bit: a failure must show there.
    r.status |= kAtaStatusErr;
    if (r.error == 0) r.error = kAtaErrorAbrt;
  }
  Store(r, block);
  return true;
}

}  // namespace os::linuxos
