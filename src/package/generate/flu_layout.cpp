#include "package/generate/flu_layout.h"

#include <algorithm>

#include "common/bytes.h"
#include "package/generate/isp_image_layout.h"

namespace firmware {
namespace {

constexpr size_t kFlashBootByteSelector = 0x2400;
constexpr size_t kFlashBootByte = 0x2490;
constexpr uint8_t kUseParameterByte = 0xFF;
constexpr uint8_t kDualBootParam = 0xA2;

}  // namespace

BootParameterRecord MakeBootParameterRecord(const ParameterBlock& param,
                                            const FlashInfoBlock& flash) {
  BootParameterRecord r{};
  const uint8_t p88 = param.Byte(ParameterBlock::kBootParam0);
  r[0] = p88;
  r[1] = flash.Byte(kFlashBootByteSelector) == kUseParameterByte
             ? param.Byte(ParameterBlock::kBootParam1)
             : flash.Byte(kFlashBootByte);
  r[2] = p88 == kDualBootParam ? 0x03 : 0x01;
  const uint8_t p256 = param.Byte(ParameterBlock::kBootParam3);
  const uint8_t p257 = param.Byte(ParameterBlock::kBootParam4);
  r[3] = p256 == 0 ? 1 : p256;
  r[4] = p257 == 0 ? 2 : p257;
  return r;
}

uint32_t ImageByteSum(std::span<const uint8_t> image) {
  uint32_t sum = 0;
  for (size_t i = 0; i < image.size(); ++i) {
    if (i < isp_image::kSumExcludedBegin || i >= isp_image::kSumExcludedEnd) sum += image[i];
  }
  return sum;
}

uint32_t ImageWordSum(std::span<const uint8_t> image) {
  uint32_t sum = 0;
  for (size_t i = 0; i + 4 <= image.size(); i += 4) sum += common::ReadLe32(image, i);
  return sum;
}

std::vector<uint8_t> BuildFlu(std::span<const uint8_t> image, size_t unitBytes) {
  if (unitBytes == 0) return {};
  const size_t padded = (image.size() + unitBytes - 1) / unitBytes * unitBytes;
  std::vector<uint8_t> flu(padded + unitBytes, 0);
  std::copy(image.begin(), image.end(), flu.begin());
  common::WriteLe32(flu, padded, ImageWordSum(image));
  return flu;
}

}  // namespace firmware
