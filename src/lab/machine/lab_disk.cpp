#include "lab/machine/lab_disk.h"

namespace lab {
namespace {
// What the port drivers let one pass-through request move unless lab.ini says
// otherwise.
constexpr uint32_t kDefaultMaxTransferBytes = 2u << 20;
}  // namespace

LabDisk::LabDisk(const DiskConfig& config, std::shared_ptr<Media> media)
    : config_(config), media_(std::move(media)) {}

uint32_t LabDisk::MaxTransferBytes() const {
  return config_.maxTransferBytes != 0 ? config_.maxTransferBytes : kDefaultMaxTransferBytes;
}

void LabDisk::CountCommand() {
  if (replacement_ != nullptr && !replaced_ && commands_ >= config_.replacedAfter) {
    SwapDriveWith(*replacement_);
    replaced_ = true;
  }
  ++commands_;
}

void LabDisk::SwapDriveWith(LabDisk& spare) {
  // The objects keep their addresses: a bridge still reaches the drive it wraps.
  std::swap(media_, spare.media_);
  std::swap(ata_, spare.ata_);
  std::swap(nvme_, spare.nvme_);
  std::swap(scsi_, spare.scsi_);
  std::swap(descriptor_, spare.descriptor_);
}

}  // namespace lab
