#include "package/tools/demo_images.h"

#include <algorithm>
#include <cstring>

#include "common/bytes.h"

namespace firmware::demo {
namespace {

void Put(std::vector<uint8_t>& b, size_t off, const std::string& text) {
  if (off + text.size() <= b.size()) std::memcpy(b.data() + off, text.data(), text.size());
}

std::string Fit(std::string s, size_t n) {
  s.resize(n, ' ');
  return s;
}

void PutCssEntry(std::vector<uint8_t>& img, size_t index, uint32_t type, uint32_t dataOffset) {
  const size_t at = kCssEntries + index * kCssEntrySize;
  std::fill_n(img.begin() + static_cast<std::ptrdiff_t>(at), kCssEntrySize, uint8_t{0});
  common::WriteLe32(img, at, type);
  common::WriteLe32(img, at + 4, dataOffset);
}

}  // namespace

std::vector<uint8_t> Filler(const std::string& seed, size_t size) {
  uint64_t x = 1469598103934665603ULL;  // FNV-1a of the seed, then xorshift
  for (char c : seed) x = (x ^ static_cast<uint8_t>(c)) * 1099511628211ULL;
  std::vector<uint8_t> out(size);
  for (auto& b : out) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    b = static_cast<uint8_t>(x >> 24);
  }
  return out;
}

std::vector<uint8_t> SataIspImage(const std::string& seed, const std::string& version,
                                  const std::string& retryTag, const std::string& rawTag) {
  std::vector<uint8_t> img = Filler("isp:" + seed, kSataImageSize);
  std::fill_n(img.begin() + kIdentifyTemplate, 512, uint8_t{0});
  std::string swapped = Fit(version, 8);
  for (size_t i = 0; i + 1 < swapped.size(); i += 2) std::swap(swapped[i], swapped[i + 1]);
  Put(img, kIdentifyVersion, swapped);
  img[kCidCompareFlag] &= 0xFE;
  std::fill(img.begin() + kChecksumAreaEnd, img.begin() + 0xA80, uint8_t{0});
  Put(img, kIdentityField, Fit(version, 8) + Fit(retryTag, 2) + Fit(rawTag, 6));
  const std::vector<uint8_t> boot = BootIsp(seed, kBootIspArea);
  std::copy(boot.begin(), boot.end(), img.end() - static_cast<std::ptrdiff_t>(kBootIspArea));
  uint32_t sum = 0;
  for (size_t i = 0; i < img.size(); ++i) {
    if (i < kIdentifyTemplate || i >= kChecksumAreaEnd) sum += img[i];
  }
  common::WriteLe32(img, kImageChecksum, sum);
  return img;
}

std::vector<uint8_t> NvmeImage(const std::string& seed, const std::string& version) {
  std::vector<uint8_t> img = Filler("nvme:" + seed, kNvmeImageSize);
  constexpr uint32_t kLightSwitch = 4, kIsp = 5, kOptionRom = 6, kEmpty = 0xFFFFFFFF;
  PutCssEntry(img, 0, kLightSwitch, 0x400);
  PutCssEntry(img, 1, 0, 0);  // an empty entry before the ISP record
  PutCssEntry(img, 2, kIsp, kCssIspData);
  PutCssEntry(img, 3, kOptionRom, 0x800);
  for (size_t i = 4; i < kCssEntryCount; ++i) PutCssEntry(img, i, kEmpty, 0);
  Put(img, 0x400 + 168, "LSW00012");
  Put(img, kCssIspVersion, Fit(version, 8));
  Put(img, 0x800 + 8, "OPROM 1.2.0     ");
  return img;
}

std::vector<uint8_t> BootIsp(const std::string& seed, size_t size) {
  std::vector<uint8_t> b = Filler("boot:" + seed, size);
  Put(b, 0, "BOOTISP");
  return b;
}

std::vector<uint8_t> RetryTable(int number) {
  const bool newLayout = number % 2 == 0;
  std::vector<uint8_t> t = Filler("retry:" + std::to_string(number), newLayout ? 600 : 448);
  if (newLayout) Put(t, 9, "RrTable");
  return t;
}

}  // namespace firmware::demo
