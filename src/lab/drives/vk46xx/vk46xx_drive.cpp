#include "lab/drives/vk46xx/vk46xx_drive.h"

#include <algorithm>

#include "common/bytes.h"
#include "lab/drives/vk46xx/vk46xx_blocks.h"

namespace lab::drives {

namespace {

constexpr size_t kBlockByteOp = 0;
constexpr size_t kBlockSubOp = 1;
constexpr size_t kBlockSwitchValue = 2;
constexpr size_t kLongAddress = 2;
constexpr size_t kLongCount = 6;
constexpr size_t kShortAddress = 4;
constexpr size_t kShortCount = 10;

}  // namespace

Vk46xxDrive::Vk46xxDrive(Vk46xxSettings settings, std::shared_ptr<Media> media, DriveState state,
                         const os::VirtualClock* clock)
    : AtaDrive(settings.ata, std::move(media),
               [&] {
                 if (state.cid.size() != kCidSize) state.cid = settings.cid;
                 return std::move(state);
               }()),
      vk_(std::move(settings)),
      memory_(vk_),
      protocol_(*this, vk_.commandLbas, vk_.noEcho),
      vendorFaults_(vk_.failVendorCommands, std::nullopt),
      clock_(clock) {
  // The base built the drive powered on before this part existed.
  OnPowerOn();
}

VkMode Vk46xxDrive::BootMode() const {
  if (!State().mode.empty()) {
    if (const auto m = VkModeFromName(State().mode)) return *m;
  }
  return vk_.mode;
}

VkMode Vk46xxDrive::RunningMode() const { return switched_.value_or(BootMode()); }

void Vk46xxDrive::OnPowerOn() {
  switched_.reset();
  protocol_.Reset();
  memory_.PowerOn(State().cid);
}

void Vk46xxDrive::OnFirmwareActivated() {
  // The new firmware boots: vendor mode and RAM start afresh with the new CID.
  switched_.reset();
  protocol_.Reset();
  memory_.PowerOn(State().cid);
}

bool Vk46xxDrive::DownloadAllowed() const {
  if (!vk_.downloadNeedsPrep) return true;
  const uint8_t dummy = memory_.ReadByteOr(mem::kCheckDummyReg, 0xFF);
  const uint8_t path = memory_.ReadByteOr(mem::kDownloadReg, 0);
  return (dummy & 0x03) == 0 && (path & 0x01) != 0;
}

Sector Vk46xxDrive::CurrentModeSector() const {
  return BuildModeSector(vk_, RunningMode(), State().firmware);
}

std::vector<uint8_t> Vk46xxDrive::ParameterBlock() const {
  return BuildParameterBlock(vk_, State().firmware, Sectors());
}

std::vector<uint8_t> Vk46xxDrive::FlashInfoBlock() const {
  return BuildFlashInfoBlock(vk_, Identify());
}

AtaDrive::Intercept Vk46xxDrive::Map(VendorProtocol::Action a) {
  switch (a) {
    case VendorProtocol::Action::kAnswered:
      return Intercept::kDone;
    case VendorProtocol::Action::kFailed:
      return Intercept::kAbort;
    case VendorProtocol::Action::kUserData:
      break;
  }
  return Intercept::kPass;
}

AtaDrive::Intercept Vk46xxDrive::InterceptRead(uint64_t lba, uint32_t count,
                                               std::span<uint8_t> out) {
  return Map(protocol_.Read(lba, count, out));
}

AtaDrive::Intercept Vk46xxDrive::InterceptWrite(uint64_t lba, uint32_t count,
                                                std::span<const uint8_t> in) {
  return Map(protocol_.Write(lba, count, in));
}

std::pair<uint32_t, uint32_t> Vk46xxDrive::MemoryArguments(std::span<const uint8_t> block) const {
  if (RunningMode() == VkMode::kNormal) {
    return {common::ReadBe32(block, kLongAddress), common::ReadBe16(block, kLongCount)};
  }
  return {common::ReadBe32(block, kShortAddress), common::ReadBe16(block, kShortCount)};
}

VendorCommandSet::Start Vk46xxDrive::DataIn(std::vector<uint8_t> data, size_t sectors,
                                            size_t defaultSectors) {
  Start s;
  s.kind = Kind::kDataIn;
  data.resize((sectors == 0 ? defaultSectors : sectors) * kSectorSize, 0);
  s.data = std::move(data);
  return s;
}

VendorCommandSet::Start Vk46xxDrive::StartCommand(std::span<const uint8_t> block) {
  VendorCommandSeen& seen = seen_.emplace_back();
  std::copy_n(block.begin(), std::min(block.size(), seen.block.size()), seen.block.begin());
  seen.atMs = clock_ != nullptr ? clock_->ElapsedMs() : 0;
  if (seen_.size() > kSeenCommands) seen_.pop_front();
  const uint8_t op = common::Read8(block, kBlockByteOp);
  const uint8_t sub = common::Read8(block, kBlockSubOp);
  const bool fail = vendorFaults_.Hit(sub);
  const uint64_t sectors = Sectors();
  Start start;

  if (op == vcmd::kWrite) {
    if (sub != vcmd::kWriteMemory) return start;
    const auto [address, count] = MemoryArguments(block);
    if (count == 0 || count > vcmd::kMaxMemorySectors) return start;
    dataOutFails_ = fail;
    start.kind = Kind::kDataOut;
    return start;
  }
  if (op != vcmd::kRead) return start;

  const size_t shortCount = common::ReadBe16(block, kShortCount);
  switch (sub) {
    case vcmd::kIdentify:
      start = DataIn(BuildVendorIdentify(vk_, RunningMode(), State().firmware, sectors), 0, 2);
      break;
    case vcmd::kParameterBlock:
      start = DataIn(ParameterBlock(), shortCount, 2);
      break;
    case vcmd::kFlashInfo:
      start = DataIn(FlashInfoBlock(), shortCount, 32);
      break;
    case vcmd::kReadMemory: {
      const auto [address, count] = MemoryArguments(block);
      if (count == 0) return start;  // nothing to read: the block is refused
      if (count > vcmd::kMaxMemorySectors) {
        start.kind = Kind::kDataIn;
        start.dataFails = true;
        break;
      }
      std::vector<uint8_t> data(size_t{count} * kSectorSize);
      const bool ok = memory_.Read(address, data);
      start = DataIn(std::move(data), count, 0);
      start.dataFails = !ok;
      break;
    }
    case vcmd::kModeSwitch: {
      const uint8_t value = common::Read8(block, kBlockSwitchValue);
      if (value > 1 || fail) return Start{};
      if (value == 1) {
        switched_ = VkMode::kNormal;
      } else {
        switched_.reset();
      }
      start.kind = Kind::kNoData;
      return start;
    }
    case vcmd::kErase3d:
    case vcmd::kErase2d: {
      const bool ok = !fail && ZeroUserData();
      start = DataIn(BuildEraseStatus(sub, ok, sectors), 0, 2);
      start.dataFails = !ok;
      return start;
    }
    default:
      return start;  // unknown: the block is refused
  }
  if (fail) start.dataFails = true;
  return start;
}

bool Vk46xxDrive::FinishDataOut(std::span<const uint8_t> block, std::span<const uint8_t> data) {
  if (dataOutFails_) return false;
  const auto [address, count] = MemoryArguments(block);
  const size_t bytes = size_t{count} * kSectorSize;
  if (data.size() < bytes) return false;
  return memory_.Write(address, data.first(bytes));
}

}  // namespace lab::drives
