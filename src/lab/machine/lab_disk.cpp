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

}  // namespace lab
