#pragma once
// Owning wrappers that put lab.ini's transport faults in front of a device:
// a command that fails at a given occurrence, and a link that takes requests
// but never answers them.
#include <memory>

#include "lab/config/disk_config.h"
#include "lab/core/device_interfaces.h"
#include "lab/faults/fault_list.h"

namespace lab {

// Fails the chosen ATA commands with ABRT: before the drive sees them
// (FailTransport), or after it carried them out (LoseReply).
class FaultyAtaDevice : public AtaDevice {
 public:
  FaultyAtaDevice(std::unique_ptr<AtaDevice> inner, const FaultSwitches& faults)
      : inner_(std::move(inner)),
        plan_(faults.failTransport, CommandProtocol::kAta),
        lost_(faults.loseReply, CommandProtocol::kAta) {}
  AtaResult ExecuteAta(AtaCommand& command) override;
  // The drive behind the faults (tests read its own records).
  AtaDevice& Inner() { return *inner_; }

 private:
  std::unique_ptr<AtaDevice> inner_;
  FaultCounter plan_;
  FaultCounter lost_;
};

// Fails the chosen NVMe commands with Internal Error.
class FaultyNvmeController : public NvmeController {
 public:
  FaultyNvmeController(std::unique_ptr<NvmeController> inner, const FaultSwitches& faults)
      : inner_(std::move(inner)),
        admin_(faults.failTransport, CommandProtocol::kNvme),
        io_(faults.failTransport, CommandProtocol::kNvmeIo) {}
  NvmeCompletion ExecuteNvme(NvmeSubmission& command) override;
  bool HandleControlRequest(uint32_t code, std::span<uint8_t> data) override {
    return inner_->HandleControlRequest(code, data);
  }
  bool AttachNamespace(std::shared_ptr<Media> media) override {
    return inner_->AttachNamespace(std::move(media));
  }

 private:
  std::unique_ptr<NvmeController> inner_;
  FaultCounter admin_;
  FaultCounter io_;
};

// Fails the chosen SCSI commands with HARDWARE ERROR; when `silent`, nothing
// is ever answered (the host waits out its time-out).
class FaultyScsiTarget : public ScsiTarget {
 public:
  FaultyScsiTarget(std::unique_ptr<ScsiTarget> inner, const FaultSwitches& faults)
      : inner_(std::move(inner)),
        plan_(faults.failTransport, CommandProtocol::kScsi),
        silent_(faults.bridgeSilent) {}
  ScsiResult ExecuteScsi(const ScsiCommand& command) override;

 private:
  std::unique_ptr<ScsiTarget> inner_;
  FaultCounter plan_;
  bool silent_;
};

}  // namespace lab
