// The microcode download engine of VK4540LT: ATA DOWNLOAD MICROCODE in
// chunks, with the drive's download state checked after every chunk.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "common/bytes.h"
#include "common/text.h"
#include "device/ata/identify_words.h"
#include "controller/sata/vk4540lt.h"

namespace controller {
namespace {

using device::identify::Bit;
using device::identify::Word;
constexpr uint32_t kChunkSizeLimit = 0xFFFF;  // and above: not a valid chunk size

// Whether the count register after a chunk fits the position in the image.
bool StateFits(uint8_t subcommand, uint32_t state, uint32_t remaining) {
  switch (state) {
    case kDmStateNone:
      return subcommand != kDmSubOffsetsDeferred;
    case kDmStateMoreExpected:
      return remaining != 0;
    case kDmStateApplied:
      return remaining == 0 && subcommand == kDmSubOffsets;
    case kDmStateSavedPending:
      return remaining == 0 && subcommand == kDmSubOffsetsDeferred;
    default:
      return false;
  }
}

}  // namespace

int VK4540LT::DMicrocode(uint8_t subcommand, uint32_t totalBlocks, uint32_t chunkBlocks,
                         std::span<const uint8_t> image, std::span<const uint8_t> identify,
                         bool dma, bool activate) {
  if (!Bit(identify, device::identify::kCommandSet2, 0) ||
      (dma && !Bit(identify, device::identify::kDmaMicrocodeSupport, 8)))
    return kDmNotSupported;
  const uint32_t minBlocks = Word(identify, device::identify::kMicrocodeMinBlocks);
  const uint32_t maxBlocks = Word(identify, device::identify::kMicrocodeMaxBlocks);
  if (subcommand == kDmSubOffsets || subcommand == kDmSubOffsetsDeferred) {
    if (chunkBlocks == 0 || chunkBlocks >= kChunkSizeLimit) return kDmBadChunkSize;
    if (subcommand == kDmSubOffsets && !Bit(identify, device::identify::kCommandSetExt, 4))
      return kDmNotSupported;
    if (chunkBlocks < minBlocks || chunkBlocks > maxBlocks) return kDmBadChunkSize;
  } else if (subcommand != kDmSubWhole) {
    return kDmBadSubcommand;
  } else if (chunkBlocks == 0 || chunkBlocks > kChunkSizeLimit) {
    // A zero chunk would never finish and a larger one cannot be put in the
    // 16-bit block count.
    return kDmBadChunkSize;
  }
  if (uint64_t{totalBlocks} * kSectorSize > image.size()) return kDmImageTooShort;

  std::vector<uint8_t> chunk;
  try {
    chunk.assign(size_t{chunkBlocks} * kSectorSize, 0);
  } catch (const std::bad_alloc&) {
    return kDmNoBuffer;
  }

  os::Os* os = device_ != nullptr ? &device_->Os() : nullptr;
  auto trace = [os](const std::string& line) {
    if (os != nullptr) os->OutputDebugStringA(line);
  };

  int status = kDmDone;
  uint32_t remaining = totalBlocks;
  uint32_t offset = 0;
  uint32_t state = 0;
  while (remaining > 0) {
    std::fill(chunk.begin(), chunk.end(), 0);
    if (remaining < chunkBlocks) {
      chunkBlocks = remaining;
      if (chunkBlocks < minBlocks) {
        status = kDmLastChunkTooSmall;
        break;
      }
    }
    const size_t bytes = size_t{chunkBlocks} * kSectorSize;
    std::memcpy(chunk.data(), image.data() + size_t{offset} * kSectorSize, bytes);
    device::AtaRegisters regs;
    const bool sent = DownloadMicrocode(subcommand, offset, chunkBlocks,
                                        std::span<const uint8_t>(chunk).first(bytes), dma, &regs);
    // Status 0x51 carries ERR, so the transport reports the command as failed;
    // it is the drive's own refusal and is judged by its error register.
    const bool driveError = (regs.command & 0xFF) == kAtaStatusError51;
    if (!sent && !driveError) {
      status = kDmCommandFailed;
      break;
    }
    remaining -= chunkBlocks;
    offset += chunkBlocks;
    state = regs.count & 0xFF;
    if (driveError)
      status = (regs.features & kAtaErrorAbort) ? kDmAborted : kDmStatusError;
    else if (subcommand != kDmSubWhole && !StateFits(subcommand, state, remaining))
      status = kDmStateMismatch;
    trace(
        common::Format("[VKM_DEBUG] DMicrocode: Step1 TotalSize = %d, DMStatus = %d, SubCMD = %d, "
                       "StatusRegister[1] = %d\n",
                       static_cast<int>(remaining), status, subcommand, static_cast<int>(state)));
    if (status != kDmDone) break;
  }
  chunk.clear();
  chunk.shrink_to_fit();
  trace(common::Format(
      "[VKM_DEBUG] DMicrocode: Step1 Done TotalSize = %d, DMStatus = %d, SubCMD = %d, "
      "StatusRegister[1] = %d\n",
      static_cast<int>(remaining), status, subcommand, static_cast<int>(state)));

  if (status == kDmDone && state == kDmStateSavedPending && activate) {
    device::AtaRegisters regs;
    // The image is handed over only because the transport wants a buffer;
    // activation moves no data.
    if (!DownloadMicrocode(kDmSubActivate, 0, 0, image, dma, &regs)) {
      status = kDmCommandFailed;
    } else {
      state = regs.count & 0xFF;
      if (state != kDmStateApplied) status = kDmStateMismatch;
    }
    trace(
        common::Format("[VKM_DEBUG] DMicrocode: Step2 Done DMStatus = %d, StatusRegister[1] = %d\n",
                       status, static_cast<int>(state)));
  }
  return status;
}

}  // namespace controller
