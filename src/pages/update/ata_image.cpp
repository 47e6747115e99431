#include "pages/update/ata_image.h"

#include <algorithm>

#include "common/bytes.h"

namespace update {
namespace {

constexpr size_t kCidZeroBytes[] = {0,  18, 19, 20, 22, 24, 26,  28,  30,  32, 34, 41,
                                    43, 49, 50, 57, 68, 69, 70,  71,  72,  73, 75, 82,
                                    87, 88, 92, 93, 94, 95, 124, 125, 126, 127};
struct BitMask {
  size_t byte;
  uint8_t bits;
};
constexpr BitMask kCidClearedBits[] = {{62, 0x81}, {63, 0x48}, {65, 0x01}};

}  // namespace

uint32_t BlocksPerCommand(std::span<const uint8_t> identify, bool useMaxTranSize) {
  uint32_t blocks = common::ReadLe16(identify, kIdentifyMaxBlocksWord * 2);
  if (!useMaxTranSize && blocks > kMaxBlocksWithoutMaxTranSize) blocks = kReducedBlocks;
  return blocks;
}

uint32_t MinimumBlocks(std::span<const uint8_t> identify) {
  return common::ReadLe16(identify, kIdentifyMinBlocksWord * 2);
}

uint32_t ReallocatedRaw(std::span<const uint8_t> smartData) {
  for (size_t i = 0; i < smart::kEntryCount; ++i) {
    const size_t at = smart::kFirstEntry + i * smart::kEntrySize;
    if (!common::Fits(smartData.size(), at, smart::kEntrySize)) break;
    if (smartData[at] == smart::kReallocatedSectors) {
      return common::ReadLe32(smartData, at + smart::kRawOffset);
    }
  }
  return 0;
}

bool ImageAsksCidCompare(std::span<const uint8_t> image) {
  return (common::Read8(image, kCidCompareFlag) & kCidCompareBit) != 0;
}

CidRecord MaskCid(std::span<const uint8_t, kCidBytes> cid) {
  CidRecord out{};
  std::copy(cid.begin(), cid.end(), out.begin());
  for (size_t b : kCidZeroBytes) out[b] = 0;
  for (const BitMask& m : kCidClearedBits) out[m.byte] &= static_cast<uint8_t>(~m.bits);
  return out;
}

bool CidsMatch(std::span<const uint8_t, kCidBytes> drive,
               std::span<const uint8_t, kCidBytes> image) {
  return MaskCid(drive) == MaskCid(image);
}

std::optional<std::vector<uint8_t>> ConvertLegacyImage(std::vector<uint8_t> image,
                                                       firmware::LegacyConversion kind) {
  using firmware::LegacyConversion;
  if (kind == LegacyConversion::kNone) return image;
  if (image.size() < legacy::kMinimumSourceBytes) return std::nullopt;
  const size_t fileSize = image.size();
  const size_t size = kind == LegacyConversion::kBeforeP0925A ? legacy::kP0925ASize : fileSize;
  // Both buffers cover the larger of the two layouts, zero beyond the file.
  const size_t room = std::max({fileSize, legacy::kP0925ASize, legacy::kQ0427ASize});
  std::vector<uint8_t> work(room, 0);
  image.resize(room, 0);
  std::copy_n(image.begin(), size, work.begin());
  std::fill_n(image.begin(), size, 0);
  std::copy_n(work.begin() + legacy::kHeaderFrom, legacy::kHeaderBytes, image.begin());
  std::copy_n(work.begin() + legacy::kBodyFrom, legacy::kBodyBytes,
              image.begin() + legacy::kBodyTo);
  size_t finalSize = size;
  size_t trailerTo = size - legacy::kTrailerBytes;
  if (kind == LegacyConversion::kBeforeQ0427A) {
    finalSize = legacy::kQ0427ASize;
    trailerTo = legacy::kQ0427ATrailerTo;
  }
  std::copy_n(work.begin() + legacy::kTrailerFrom, legacy::kTrailerBytes,
              image.begin() + static_cast<ptrdiff_t>(trailerTo));
  image.resize(finalSize);
  return image;
}

}  // namespace update
