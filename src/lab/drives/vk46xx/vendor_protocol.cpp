#include "lab/drives/vk46xx/vendor_protocol.h"

#include <algorithm>

namespace lab::drives {

VendorProtocol::VendorProtocol(VendorCommandSet& commands, std::vector<uint64_t> commandLbas,
                               bool noEcho)
    : commands_(commands), commandLbas_(std::move(commandLbas)), noEcho_(noEcho) {}

void VendorProtocol::Reset() {
  detectStep_ = 0;
  Leave();
}

void VendorProtocol::Leave() {
  vendorMode_ = false;
  phase_ = Phase::kIdle;
  data_.clear();
  dataFails_ = false;
}

bool VendorProtocol::Reserved(uint64_t lba) {
  return std::find(std::begin(vlba::kDetect), std::end(vlba::kDetect), lba) !=
             std::end(vlba::kDetect) ||
         lba == vlba::kAltCommand || lba == vlba::kLeave;
}

VendorProtocol::Action VendorProtocol::Read(uint64_t lba, uint32_t count, std::span<uint8_t> out) {
  // Detect sequence: five single-sector reads in order; a restart is allowed
  // at any point.
  const int step = detectStep_;
  detectStep_ = 0;
  if (count == 1) {
    if (lba == vlba::kDetect[step]) {
      detectStep_ = step + 1;
    } else if (lba == vlba::kDetect[0]) {
      detectStep_ = 1;
    }
  }
  if (detectStep_ == 5) {
    detectStep_ = 0;
    vendorMode_ = true;
    phase_ = Phase::kIdle;
    data_.clear();
    const Sector mode = commands_.ModeSector();
    std::fill(out.begin(), out.end(), 0);
    std::copy_n(mode.begin(), std::min(mode.size(), out.size()), out.begin());
    return Action::kAnswered;
  }
  if (!vendorMode_) return Action::kUserData;
  if (!Reserved(lba)) {
    Leave();
    return Action::kUserData;
  }
  std::fill(out.begin(), out.end(), 0);
  if (lba == vlba::kLeave) {
    Leave();
    return Action::kAnswered;
  }
  if (phase_ == Phase::kDataIn && lba == vlba::kCommand) {
    phase_ = Phase::kDone;
    if (dataFails_) return Action::kFailed;
    std::copy_n(data_.begin(), std::min(data_.size(), out.size()), out.begin());
    return Action::kAnswered;
  }
  if (phase_ == Phase::kDone && lba == commandLba_ && !noEcho_) {
    std::copy_n(block_.begin(), std::min(block_.size(), out.size()), out.begin());
  }
  return Action::kAnswered;
}

VendorProtocol::Action VendorProtocol::Write(uint64_t lba, uint32_t count,
                                             std::span<const uint8_t> in) {
  detectStep_ = 0;
  if (!vendorMode_) return Action::kUserData;
  if (!Reserved(lba)) {
    Leave();
    return Action::kUserData;
  }
  if (lba != vlba::kCommand && lba != vlba::kAltCommand) return Action::kAnswered;  // dropped

  if (phase_ == Phase::kDataOut && lba == commandLba_) {
    phase_ = Phase::kDone;
    return commands_.FinishDataOut(block_, in) ? Action::kAnswered : Action::kFailed;
  }
  if (phase_ != Phase::kIdle) return Action::kAnswered;  // the saved sector coming back

  // A command block.
  if (count != 1 ||
      std::find(commandLbas_.begin(), commandLbas_.end(), lba) == commandLbas_.end()) {
    return Action::kFailed;
  }
  VendorCommandSet::Start start = commands_.StartCommand(in.first(kSectorSize));
  if (start.kind == VendorCommandSet::Kind::kRejected) return Action::kFailed;
  std::copy_n(in.begin(), kSectorSize, block_.begin());
  commandLba_ = lba;
  switch (start.kind) {
    case VendorCommandSet::Kind::kDataIn:
      phase_ = Phase::kDataIn;
      data_ = std::move(start.data);
      dataFails_ = start.dataFails;
      break;
    case VendorCommandSet::Kind::kDataOut:
      phase_ = Phase::kDataOut;
      break;
    default:
      phase_ = Phase::kDone;
      break;
  }
  return Action::kAnswered;
}

}  // namespace lab::drives
