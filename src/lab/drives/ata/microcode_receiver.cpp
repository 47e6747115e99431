#include "lab/drives/ata/microcode_receiver.h"

#include <algorithm>

#include "common/bytes.h"
#include "lab/drives/ata/firmware_image.h"

namespace lab::drives {

namespace {
constexpr size_t kBlock = 512;
}

void MicrocodeReceiver::Reset() {
  buffer_.clear();
  buffer_.shrink_to_fit();
  wordSums_.clear();
  byteSums_.clear();
  received_ = 0;
  subcommand_ = 0;
  imageSize_ = 0;
}

MicrocodeReceiver::Outcome MicrocodeReceiver::Segment(uint8_t subcommand, uint32_t offset,
                                                      uint32_t blocks,
                                                      std::span<const uint8_t> data) {
  if (blocks == 0 || blocks > limits_.maxBlocks || data.size() < size_t{blocks} * kBlock) {
    Reset();
    return Outcome::kBadSize;
  }
  // Offset 0 always starts a new download; anything else continues the one in
  // progress, in order and with the same subcommand.
  if (offset == 0) {
    Reset();
    subcommand_ = subcommand;
  } else if (received_ == 0 || offset != received_ || subcommand != subcommand_) {
    Reset();
    return Outcome::kBadOffset;
  }
  if (uint64_t{offset} + blocks > limits_.bufferBlocks) {
    Reset();
    return Outcome::kOutOfRange;
  }
  const size_t end = (size_t{offset} + blocks) * kBlock;
  buffer_.resize(end, 0);
  std::copy_n(data.begin(), size_t{blocks} * kBlock,
              buffer_.begin() + static_cast<ptrdiff_t>(size_t{offset} * kBlock));
  wordSums_.resize(offset + blocks, 0);
  byteSums_.resize(offset + blocks, 0);
  for (uint32_t b = offset; b < offset + blocks; ++b) {
    const auto block = std::span<const uint8_t>(buffer_).subspan(size_t{b} * kBlock, kBlock);
    wordSums_[b] = WordSum(block);
    uint32_t bytes = 0;
    for (uint8_t v : block) bytes += v;
    byteSums_[b] = bytes;
  }
  received_ = offset + blocks;

  if (limits_.format != DownloadFormat::kPlain) {
    if (const auto size = UpdateFileImage()) {
      imageSize_ = *size;
      return Outcome::kComplete;
    }
  }
  if (limits_.format != DownloadFormat::kUpdateFile && PlainImage()) {
    imageSize_ = buffer_.size();
    return limits_.format == DownloadFormat::kPlain ? Outcome::kComplete : Outcome::kPlainImage;
  }
  return Outcome::kMore;
}

std::optional<size_t> MicrocodeReceiver::UpdateFileImage() const {
  const size_t unit = limits_.unitBytes;
  if (unit == 0 || unit % kBlock != 0) return std::nullopt;
  const size_t total = buffer_.size();
  if (total < 2 * unit || total % unit != 0) return std::nullopt;
  const size_t imageSize = total - unit;
  const auto tail = std::span<const uint8_t>(buffer_).subspan(imageSize, unit);
  if (!std::all_of(tail.begin() + 4, tail.end(), [](uint8_t b) { return b == 0; })) {
    return std::nullopt;
  }
  uint32_t sum = 0;
  for (size_t b = 0; b < imageSize / kBlock; ++b) sum += wordSums_[b];
  if (sum != common::ReadLe32(tail, 0)) return std::nullopt;
  if (!ImageVersion(std::span<const uint8_t>(buffer_).first(imageSize))) return std::nullopt;
  return imageSize;
}

bool MicrocodeReceiver::PlainImage() const {
  const auto image = std::span<const uint8_t>(buffer_);
  if (image.size() < image::kChecksumAreaEnd) return false;
  uint32_t sum = 0;
  for (uint32_t v : byteSums_) sum += v;
  for (size_t i = image::kIdentifyTemplate; i < image::kChecksumAreaEnd; ++i) sum -= image[i];
  return sum == common::ReadLe32(image, image::kChecksum) && ImageVersion(image).has_value();
}

std::vector<uint8_t> MicrocodeReceiver::Image() const {
  const size_t n = std::min(imageSize_, buffer_.size());
  return std::vector<uint8_t>(buffer_.begin(), buffer_.begin() + static_cast<ptrdiff_t>(n));
}

}  // namespace lab::drives
