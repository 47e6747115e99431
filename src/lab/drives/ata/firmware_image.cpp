#include "lab/drives/ata/firmware_image.h"

#include <algorithm>

#include "common/bytes.h"

namespace lab::drives {

namespace {

bool Blank(std::span<const uint8_t> bytes) {
  return std::all_of(bytes.begin(), bytes.end(),
                     [](uint8_t b) { return b == 0x00 || b == 0x20 || b == 0xFF; });
}

// A version is printable text, padded to its 8 bytes with blanks or with zero
// bytes ("S0312A0" and a zero); the drive keeps and reports all 8 as they are.
bool Printable(std::span<const uint8_t> bytes) {
  const auto text = std::find(bytes.begin(), bytes.end(), uint8_t{0});
  return std::all_of(bytes.begin(), text, [](uint8_t b) { return b >= 0x20 && b < 0x7F; }) &&
         std::all_of(text, bytes.end(), [](uint8_t b) { return b == 0; });
}

}  // namespace

std::optional<std::string> ImageVersion(std::span<const uint8_t> image) {
  if (common::Fits(image.size(), image::kVersionWords, image::kVersionSize)) {
    std::vector<uint8_t> v(image.begin() + image::kVersionWords,
                           image.begin() + image::kVersionWords + image::kVersionSize);
    if (!Blank(v)) {
      for (size_t i = 0; i + 1 < v.size(); i += 2) std::swap(v[i], v[i + 1]);
      if (Printable(v)) return std::string(v.begin(), v.end());
      return std::nullopt;
    }
  }
  if (common::Fits(image.size(), image::kIdentityField, image::kVersionSize)) {
    const auto v = image.subspan(image::kIdentityField, image::kVersionSize);
    if (!Blank(v) && Printable(v)) return std::string(v.begin(), v.end());
  }
  return std::nullopt;
}

std::optional<std::vector<uint8_t>> ImageCid(std::span<const uint8_t> image) {
  if (!common::Fits(image.size(), image::kCid, image::kCidSize)) return std::nullopt;
  return std::vector<uint8_t>(image.begin() + image::kCid,
                              image.begin() + image::kCid + image::kCidSize);
}

bool ImageChecksumValid(std::span<const uint8_t> image) {
  if (image.size() < image::kChecksumAreaEnd) return false;
  uint32_t sum = 0;
  for (size_t i = 0; i < image.size(); ++i) {
    if (i < image::kIdentifyTemplate || i >= image::kChecksumAreaEnd) sum += image[i];
  }
  return sum == common::ReadLe32(image, image::kChecksum);
}

uint32_t WordSum(std::span<const uint8_t> bytes) {
  uint32_t sum = 0;
  for (size_t i = 0; i < bytes.size(); i += 4) {
    uint32_t w = 0;
    for (size_t b = 0; b < 4 && i + b < bytes.size(); ++b) w |= uint32_t{bytes[i + b]} << (8 * b);
    sum += w;
  }
  return sum;
}

std::vector<uint8_t> MakeUpdateFile(std::span<const uint8_t> image, uint32_t unitBytes) {
  if (unitBytes == 0) return {};
  std::vector<uint8_t> file(image.begin(), image.end());
  const size_t padded = (file.size() + unitBytes - 1) / unitBytes * unitBytes;
  file.resize(padded, 0);
  const uint32_t sum = WordSum(image);
  file.resize(padded + unitBytes, 0);
  common::WriteLe32(file, padded, sum);
  return file;
}

std::optional<size_t> UpdateFileImageSize(std::span<const uint8_t> file, uint32_t unitBytes) {
  if (unitBytes == 0 || unitBytes % 4 != 0) return std::nullopt;
  if (file.size() < 2 * size_t{unitBytes} || file.size() % unitBytes != 0) return std::nullopt;
  const size_t imageSize = file.size() - unitBytes;
  const auto unit = file.subspan(imageSize);
  if (!std::all_of(unit.begin() + 4, unit.end(), [](uint8_t b) { return b == 0; })) {
    return std::nullopt;
  }
  if (common::ReadLe32(unit, 0) != WordSum(file.first(imageSize))) return std::nullopt;
  return imageSize;
}

}  // namespace lab::drives
