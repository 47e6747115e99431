#include "lab/faults/faulty_devices.h"

#include "lab/bridges/scsi_reply.h"

namespace lab {

namespace {
constexpr uint8_t kNvmeInternalError = 0x06;
}  // namespace

AtaResult FaultyAtaDevice::ExecuteAta(AtaCommand& command) {
  const uint8_t opcode = command.current.command;
  if (!plan_.Hit(opcode)) {
    AtaResult done = inner_->ExecuteAta(command);
    if (!lost_.Hit(opcode)) return done;
  }
  AtaResult r;
  r.current = command.current;
  r.previous = command.previous;
  r.current.features = kAtaErrorAbrt;
  r.current.command = kAtaStatusDrdy | kAtaStatusErr;
  return r;
}

NvmeCompletion FaultyNvmeController::ExecuteNvme(NvmeSubmission& command) {
  FaultCounter& plan = command.admin ? admin_ : io_;
  if (!plan.Hit(command.opcode)) return inner_->ExecuteNvme(command);
  NvmeCompletion r;
  r.statusCode = kNvmeInternalError;
  r.statusCodeType = 0;
  return r;
}

ScsiResult FaultyScsiTarget::ExecuteScsi(const ScsiCommand& command) {
  if (silent_) return scsi::NotDelivered(true);
  if (!command.cdb.empty() && plan_.Hit(command.cdb[0])) {
    return scsi::CheckCondition(scsi::kKeyHardwareError, scsi::kAscInternalTargetFailure);
  }
  return inner_->ExecuteScsi(command);
}

}  // namespace lab
