#pragma once
// A SCSI/ATA translation layer (SAT) in front of an ATA drive: a USB-SAT
// bridge, and also what an AHCI port driver does with SCSI requests to a SATA
// disk. SCSI reads, writes and capacity become ATA commands; ATA PASS-THROUGH
// (12/16) carries a task file to the drive, and with CK_COND (or on an error)
// the registers come back in descriptor-format sense.
#include <memory>
#include <optional>

#include "lab/bridges/ata_access.h"
#include "lab/bridges/inquiry_identity.h"
#include "lab/core/device_interfaces.h"

namespace lab {

class SatBridge : public ScsiTarget {
 public:
  struct Options {
    InquiryIdentity inquiry;
    bool passThrough = true;  // false: a plain USB storage bridge
  };

  SatBridge(std::unique_ptr<AtaDevice> drive, Options options)
      : drive_(std::move(drive)), options_(std::move(options)) {}

  ScsiResult ExecuteScsi(const ScsiCommand& command) override;
  AtaDevice& Drive() { return *drive_; }

 protected:
  virtual ScsiResult Inquiry(const ScsiCommand& command);

 private:
  ScsiResult ReadCapacity(const ScsiCommand& command, bool sixteen);
  ScsiResult ReadWrite(const ScsiCommand& command, bool write, uint64_t lba, uint32_t count);
  ScsiResult PassThrough(const ScsiCommand& command);
  ScsiResult ModeSense(const ScsiCommand& command, bool ten);
  // What the bridge learnt from IDENTIFY the first time the drive answered
  // (as a bridge does when it is plugged in); null while it has not.
  const AtaIdentityText* Identity(bool& delivered);

  std::unique_ptr<AtaDevice> drive_;
  Options options_;
  std::optional<AtaIdentityText> identity_;
};

// Forwards to a device owned elsewhere; lets the AHCI port's translation and
// its ATA pass-through reach the same drive.
class AtaDeviceRef : public AtaDevice {
 public:
  explicit AtaDeviceRef(AtaDevice& target) : target_(target) {}
  AtaResult ExecuteAta(AtaCommand& command) override { return target_.ExecuteAta(command); }

 private:
  AtaDevice& target_;
};

}  // namespace lab
