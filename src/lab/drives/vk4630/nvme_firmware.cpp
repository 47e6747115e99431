#include "lab/drives/vk4630/nvme_firmware.h"

#include <algorithm>

#include "common/bytes.h"

namespace lab::drives {

namespace {

bool PrintableRevision(std::span<const uint8_t> v) {
  bool any = false;
  for (uint8_t b : v) {
    if (b < 0x20 || b >= 0x7F) return false;
    if (b != ' ') any = true;
  }
  return any;
}

std::string Text(std::span<const uint8_t> v) { return std::string(v.begin(), v.end()); }

}  // namespace

std::optional<std::string> NvmeImageRevision(std::span<const uint8_t> image,
                                             size_t fallbackOffset) {
  for (size_t i = 0; i < css::kEntryCount; ++i) {
    const size_t at = css::kEntries + i * css::kEntrySize;
    if (!common::Fits(image.size(), at, 8)) break;
    const uint32_t type = common::ReadLe32(image, at);
    if (type == 0 || type == 0xFFFFFFFF) continue;
    if (type > 16) break;  // not a CSS header: no entry type is that large
    if (type != css::kTypeIsp) continue;
    const uint64_t versionAt = uint64_t{common::ReadLe32(image, at + 4)} + css::kIspVersion;
    if (versionAt > image.size() || !common::Fits(image.size(), versionAt, 8)) return std::nullopt;
    const auto v = image.subspan(versionAt, 8);
    return PrintableRevision(v) ? std::optional<std::string>(Text(v)) : std::nullopt;
  }
  if (!common::Fits(image.size(), fallbackOffset, 8)) return std::nullopt;
  const auto v = image.subspan(fallbackOffset, 8);
  return PrintableRevision(v) ? std::optional<std::string>(Text(v)) : std::nullopt;
}

NvmeFirmwareSlots::NvmeFirmwareSlots(DriveState& state, Config config)
    : state_(state), config_(config) {
  if (state_.activeSlot < 1 || state_.activeSlot > config_.slots) state_.activeSlot = 1;
  if (state_.nextSlot > config_.slots) state_.nextSlot = 0;
}

void NvmeFirmwareSlots::DropDownload() {
  image_.clear();
  image_.shrink_to_fit();
  received_ = 0;
}

NvmeStatus NvmeFirmwareSlots::Download(uint64_t offset, std::span<const uint8_t> piece) {
  if (piece.empty() || offset > config_.maxImageBytes ||
      piece.size() > config_.maxImageBytes - offset) {
    return kInvalidField;
  }
  // Offset 0 begins a new image (a download started again from its start);
  // otherwise a piece continues the image where the last one ended. Bytes
  // already received are not taken twice, and a piece beyond a gap is out
  // of order: both are refused and leave the pieces received so far.
  if (offset == 0) {
    DropDownload();
  } else if (offset < received_) {
    return kOverlappingRange;
  } else if (offset > received_) {
    return kInvalidField;
  }
  const uint64_t end = offset + piece.size();
  image_.resize(end, 0);
  std::copy(piece.begin(), piece.end(), image_.begin() + static_cast<ptrdiff_t>(offset));
  received_ = end;
  return kNvmeSuccess;
}

std::optional<std::vector<uint8_t>> NvmeFirmwareSlots::CompleteImage() const {
  if (received_ == 0) return std::nullopt;
  return image_;
}

uint8_t NvmeFirmwareSlots::ChooseSlot(uint8_t action) const {
  if (action == 2) return lastReplaced_;
  for (uint8_t s = 1; s <= config_.slots; ++s) {
    if (s != state_.activeSlot && !(s == 1 && config_.slot1ReadOnly)) return s;
  }
  return state_.activeSlot;
}

NvmeStatus NvmeFirmwareSlots::Commit(uint8_t action, uint8_t slot, bool bootPartition) {
  if (action > 3 || bootPartition) return kInvalidField;
  if (slot > config_.slots) return kInvalidFirmwareSlot;
  if (slot == 0) slot = ChooseSlot(action);
  if (slot == 0) return kInvalidFirmwareImage;
  const size_t index = slot - 1u;

  if (action == 2) {
    if (state_.slots[index].empty()) return kInvalidFirmwareImage;
    state_.nextSlot = slot;
    return PendingStatus();
  }
  if (slot == 1 && config_.slot1ReadOnly) return kInvalidFirmwareSlot;
  const auto image = CompleteImage();
  if (!image) return kInvalidFirmwareImage;
  const auto revision = NvmeImageRevision(*image, config_.versionOffset);
  if (!revision) {
    DropDownload();
    return kInvalidFirmwareImage;
  }
  DropDownload();
  state_.slots[index] = *revision;
  lastReplaced_ = slot;
  switch (action) {
    case 0:
      // The running slot's image was replaced: it takes over at the next reset.
      return slot == state_.activeSlot ? PendingStatus() : kNvmeSuccess;
    case 1:
      state_.nextSlot = slot;
      return PendingStatus();
    default:  // 3
      state_.activeSlot = slot;
      state_.nextSlot = 0;
      state_.firmware = *revision;
      return kNvmeSuccess;
  }
}

NvmeStatus NvmeFirmwareSlots::PendingStatus() const {
  switch (config_.activationReset) {
    case ActivationReset::kNone:
      return kNvmeSuccess;
    case ActivationReset::kConventional:
      return kActivationRequiresConventionalReset;
    case ActivationReset::kSubsystem:
      return kActivationRequiresSubsystemReset;
    case ActivationReset::kController:
      break;
  }
  return kActivationRequiresReset;
}

void NvmeFirmwareSlots::Reset(ResetKind kind) {
  DropDownload();
  // A controller that asked for a conventional or NVM subsystem reset goes on
  // running its image through a controller reset; the lab has neither reset
  // but the power-on (the next start of the tool).
  const bool powerOnOnly = config_.activationReset == ActivationReset::kConventional ||
                           config_.activationReset == ActivationReset::kSubsystem;
  if (powerOnOnly && kind != ResetKind::kPowerOn) return;
  if (state_.nextSlot != 0 && !state_.slots[state_.nextSlot - 1u].empty()) {
    state_.activeSlot = state_.nextSlot;
  }
  state_.nextSlot = 0;
  const std::string& running = state_.slots[state_.activeSlot - 1u];
  if (!running.empty()) state_.firmware = running;
}

}  // namespace lab::drives
