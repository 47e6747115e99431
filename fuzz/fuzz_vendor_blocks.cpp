// The blocks a VK46xx controller hands out through its vendor protocol, read
// the way the scan and the automatic package walk read them: the parameter
// block (with the firmware-identity field at byte 512), the mode sector and
// the flash information block; and the version texts cut from them.
//
// Input: a flags byte, a version-text offset (2 bytes), then the parameter
// block and the mode sector (each a length of 2 bytes and that many bytes), and
// the rest as the flash information block.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "fuzz_check.h"
#include "package/firmware_tag.h"
#include "package/flash_info_block.h"
#include "package/ic_version.h"
#include "package/mode_sector.h"
#include "package/package_identity.h"
#include "package/parameter_block.h"
#include "package/path_text.h"
#include "package/update_rules.h"
#include "package/version_text.h"

namespace {

using namespace firmware;

bool HasNul(const std::string& s) { return s.find('\0') != std::string::npos; }

int Sign(int v) { return (v > 0) - (v < 0); }

// The identity a drive reports must never name a folder outside the package.
void CheckIdentity(const PackageIdentity& id, const ParameterBlock& block,
                   const FlashInfoBlock& flash) {
  FUZZ_CHECK(id.rawTag.size() <= identity_field::kFirmwareTagLength && !HasNul(id.rawTag));
  FUZZ_CHECK(id.rawRetryTag.size() <= identity_field::kRetryTagLength);
  FUZZ_CHECK(id.retryTag.empty() || (id.retryTag[0] >= '0' && id.retryTag[0] <= '9'));
  FUZZ_CHECK(id.retryTag.size() <= id.rawRetryTag.size());
  FUZZ_CHECK(id.dieText.size() <= FlashInfoBlock::kSize - FlashInfoBlock::kDieText);
  FUZZ_CHECK(id.dieText.size() <= flash.Bytes().size() && !HasNul(id.dieText));
  FUZZ_CHECK(id.nandMakerCode == block.NandMakerCode());
  FUZZ_CHECK(id.planeCount >= 0 && id.planeCount <= 255);
  FUZZ_CHECK(id.retryTableNumber >= 0 && id.retryTableNumber <= 255);
  FUZZ_CHECK(static_cast<int>(id.mode) >= 0 && static_cast<int>(id.mode) <= 3);
  if (id.UsableForPackage()) {
    FUZZ_CHECK(id.HasFamily());
    FUZZ_CHECK(!LeavesFolder(id.tag) && !LeavesFolder(id.rawTag) && !LeavesFolder(id.retryTag));
    FUZZ_CHECK(!id.tag.empty() && id.tag.front() != '\\' && id.tag.front() != '/');
    FUZZ_CHECK(id.tag.find(':') == std::string::npos);
    FUZZ_CHECK(id.rawTag.find_first_of("\\/:") == std::string::npos);
  }
}

void CheckVersionTexts(std::span<const uint8_t> image, int64_t offset, int length, bool swap) {
  const std::string v = ReadVersionText(image, offset, length, swap);
  FUZZ_CHECK(v.size() <= static_cast<size_t>(kMaxVersionChars) && !HasNul(v));
  FUZZ_CHECK(v.size() <= static_cast<size_t>(std::max(length, 1)));
  if (offset < 0 || static_cast<uint64_t>(offset) >= image.size()) {
    FUZZ_CHECK(v.empty());
  } else if (!swap) {
    // Unswapped, the text is the image's own bytes from the offset on.
    const std::span<const uint8_t> from = image.subspan(static_cast<size_t>(offset));
    FUZZ_CHECK(v.size() <= from.size());
    for (size_t i = 0; i < v.size(); ++i) FUZZ_CHECK(static_cast<uint8_t>(v[i]) == from[i]);
  }
  // The byte-wise order is a total order: antisymmetric, reflexive.
  const std::string w = ReadVersionText(image, offset + 1, length, !swap);
  FUZZ_CHECK(Sign(CompareVersionBytes(v, w)) == -Sign(CompareVersionBytes(w, v)));
  FUZZ_CHECK(CompareVersionBytes(v, v) == 0);
  FUZZ_CHECK(OrderedBefore(v, w) == (CompareVersionBytes(v, w) < 0));

  const std::string mask(w.begin(), w.end());
  const std::string masked = MaskVersion(v, length, mask);
  FUZZ_CHECK(masked.size() <= 16 && !HasNul(masked));
  FUZZ_CHECK(ReportedVersionMatches(v, v));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader in(data, size);
  const uint8_t flags = in.Byte();
  const uint16_t offset = in.Le16();
  const std::span<const uint8_t> param = in.Sized(ParameterBlock::kSize + 16);
  const std::span<const uint8_t> mode = in.Sized(ModeSector::kSize + 16);
  const std::span<const uint8_t> flashBytes = in.Rest();

  const ParameterBlock block(param);
  const ModeSector modeSector(mode);
  const FlashInfoBlock flash(flashBytes);

  const std::span<const uint8_t> field = block.IdentityField();
  FUZZ_CHECK(field.size() <= identity_field::kSize);
  if (!field.empty()) {
    FUZZ_CHECK(field.data() >= param.data() &&
               field.data() + field.size() <= param.data() + param.size());
  }
  const FirmwareIdentity raw = ExtractFirmwareIdentity(block);
  FUZZ_CHECK(raw.tag.size() <= identity_field::kFirmwareTagLength && !HasNul(raw.tag));
  FUZZ_CHECK(raw.retryTag.size() <= identity_field::kRetryTagLength);
  const std::string retry = NormaliseRetryTag(raw.retryTag);
  FUZZ_CHECK(retry.empty() || (retry[0] >= '0' && retry[0] <= '9'));

  const std::string die = flash.DieText();
  FUZZ_CHECK(die.size() <= FlashInfoBlock::kSize - FlashInfoBlock::kDieText && !HasNul(die));
  const std::optional<std::string> mapped = MapNandType(block.NandMakerCode(), die, raw.tag);
  if (mapped) FUZZ_CHECK(!HasNul(*mapped));

  const PackageIdentity id = ReadPackageIdentity(block, flash, modeSector);
  CheckIdentity(id, block, flash);
  FUZZ_CHECK(id.rawTag == raw.tag && id.retryTag == retry);
  FUZZ_CHECK(id.xt2 == modeSector.IsXt2());

  const std::string suffix =
      IcVersionSuffix(fuzz::Text(mode.first(std::min<size_t>(mode.size(), 16))));
  FUZZ_CHECK(suffix.empty() || suffix == "AB" || suffix == "AC" || suffix == "AD" ||
             suffix == "XT2");
  const std::optional<std::string> refusal =
      CustomerType2Refusal(2, (flags & 1) != 0 ? "IMN38B" : "IMN18A", block);
  if (refusal) FUZZ_CHECK(!refusal->empty());

  CheckVersionTexts(param, static_cast<int64_t>(offset % (param.size() + 2)) - (flags & 2 ? 1 : 0),
                    static_cast<int8_t>(flags) >> 2, (flags & 4) != 0);
  CheckVersionTexts(flashBytes, offset, flags % 11, (flags & 8) != 0);
  return 0;
}
