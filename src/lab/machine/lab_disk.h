#pragma once
// One disk of a lab machine: its media, the chain that answers behind its
// attachment (AHCI port, inbox NVMe driver, the maker's miniport, a USB
// bridge) and the facts the operating system reports about it.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "lab/config/disk_config.h"
#include "lab/core/device_interfaces.h"

namespace lab {

struct ScsiPort;

// What IOCTL_STORAGE_QUERY_PROPERTY reports, fixed when the disk is found
// (as Windows keeps it until the disk is enumerated again).
struct DiskDescriptor {
  uint32_t busType = 0;
  bool removable = false;
  std::string vendor;  // empty: no vendor string
  std::string product;
  std::string revision;
  std::string serial;
};

class LabDisk {
 public:
  LabDisk(const DiskConfig& config, std::shared_ptr<Media> media);
  LabDisk(const LabDisk&) = delete;
  LabDisk& operator=(const LabDisk&) = delete;

  const DiskConfig& Config() const { return config_; }
  uint32_t Number() const { return config_.number; }
  Attachment GetAttachment() const { return config_.attachment; }
  Media& GetMedia() { return *media_; }

  // SCSI requests on the disk handle (every attachment answers some).
  ScsiTarget& Scsi() { return *scsi_; }
  // ATA pass-through: only a disk on an AHCI port has it.
  AtaDevice* Ata() { return ata_.get(); }
  // The NVMe controller the inbox driver or the miniport talks to.
  NvmeController* Nvme() { return nvme_.get(); }

  const DiskDescriptor& Descriptor() const { return descriptor_; }
  ScsiPort* Port() const { return port_; }
  uint8_t PathId() const { return pathId_; }
  uint8_t TargetId() const { return targetId_; }
  uint8_t Lun() const { return config_.lun; }
  uint32_t MaxTransferBytes() const;

  // Requests, reads and writes on the disk's handles so far.
  uint64_t Commands() const { return commands_; }
  // Whether its drive was swapped for a spare (ReplacedBy).
  bool Replaced() const { return replaced_; }

  // Device nodes: the disk and the node above it.
  uint32_t DevInst() const { return devInst_; }
  const std::string& InterfacePath() const { return interfacePath_; }

 private:
  friend class LabMachine;

  const DiskConfig& config_;
  std::shared_ptr<Media> media_;
  std::unique_ptr<AtaDevice> ata_;
  std::unique_ptr<NvmeController> nvme_;
  std::unique_ptr<ScsiTarget> scsi_;  // last: it may refer to ata_ or nvme_
  DiskDescriptor descriptor_;
  ScsiPort* port_ = nullptr;
  uint8_t pathId_ = 0;
  uint8_t targetId_ = 0;
  uint32_t devInst_ = 0;
  std::string interfacePath_;
  uint64_t commands_ = 0;
  LabDisk* replacement_ = nullptr;  // the spare that takes its place (ReplacedBy)
  bool replaced_ = false;

  // Counts one command; the one after the first `replacedAfter` finds the
  // spare's drive and media in place of its own.
  void CountCommand();
  // Swaps the drive chain, media and what the system learnt of them with `spare`.
  void SwapDriveWith(LabDisk& spare);
};

}  // namespace lab
