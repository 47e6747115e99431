// Firmware images as the tool reads them: the version the scan offers (an
// image configured per IC type, with the drive's model name or version in its
// path, or the automatic package's ISP image with its identity field), the
// CSS header of NVMe images, the lab's image revision, and the byte work of
// the ATA download (blocks per command, the SMART check, the CID flag, the
// conversion older bridges need).
//
// Input: a flags byte, an offset (2 bytes), the drive's model name, version,
// parameter block and mode sector (each a length of 2 bytes and the bytes),
// and the rest as the image.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/text.h"
#include "fuzz_check.h"
#include "lab/drives/vk4630/nvme_firmware.h"
#include "package/expected_version.h"
#include "package/package_layout.h"
#include "package/path_text.h"
#include "pages/update/ata_image.h"
#include "pages/update/nvme_update.h"

namespace {

bool HasNul(const std::string& s) { return s.find('\0') != std::string::npos; }

// Whatever the drive says, the image looked at is inside the tool folder.
void CheckInsideToolFolder(const std::string& exeDir, const std::string& path) {
  if (path.empty()) return;
  FUZZ_CHECK(path.size() > exeDir.size() + 1 && path.compare(0, exeDir.size(), exeDir) == 0);
  const std::string inside = path.substr(exeDir.size());
  FUZZ_CHECK(inside[0] == '\\');
  FUZZ_CHECK(!firmware::LeavesFolder(inside));
}

void CheckExpected(const std::string& exeDir, const firmware::ExpectedVersion& ev,
                   size_t maxChars) {
  CheckInsideToolFolder(exeDir, ev.ispPath);
  if (!ev.imageExists) FUZZ_CHECK(ev.version.empty());
  FUZZ_CHECK(ev.version.size() <= maxChars && !HasNul(ev.version));
  FUZZ_CHECK(ev.version == common::Trim(ev.version));
}

void CheckCss(std::span<const uint8_t> image) {
  const update::CssVersions v = update::ReadCssVersions(image);
  FUZZ_CHECK(v.memoLines.size() <= update::css::kEntryCount);
  for (const std::string& line : v.memoLines) FUZZ_CHECK(line.size() <= 40 && !HasNul(line));
  if (v.ispVersion) {
    FUZZ_CHECK(v.ispVersion->size() <= update::css::kIspVersionChars && !HasNul(*v.ispVersion));
    FUZZ_CHECK(!v.memoLines.empty());
  }
}

void CheckAtaImage(std::span<const uint8_t> image, uint8_t flags) {
  (void)update::BlocksPerCommand(image, (flags & 1) != 0);
  (void)update::MinimumBlocks(image);
  (void)update::ReallocatedRaw(image);
  const bool compare = update::ImageAsksCidCompare(image);
  if (image.size() <= update::kCidCompareFlag) FUZZ_CHECK(!compare);
  if (image.size() >= update::kCidBytes) {
    std::span<const uint8_t, update::kCidBytes> cid(image.data(), update::kCidBytes);
    const update::CidRecord masked = update::MaskCid(cid);
    FUZZ_CHECK(update::CidsMatch(cid, cid));
    FUZZ_CHECK(update::CidsMatch(masked, cid) == update::CidsMatch(cid, masked));
  }
}

// The conversion reads up to the end of the body: only images that long are
// converted, to exactly the older layout's size.
void CheckLegacy(std::span<const uint8_t> image, uint8_t flags) {
  if ((flags & 0xC0) != 0xC0) return;
  std::vector<uint8_t> padded(image.begin(), image.end());
  if ((flags & 0x20) != 0) padded.resize(update::legacy::kMinimumSourceBytes + (flags & 0x1F));
  const auto kind = (flags & 1) != 0 ? firmware::LegacyConversion::kBeforeP0925A
                                     : firmware::LegacyConversion::kBeforeQ0427A;
  const auto converted = update::ConvertLegacyImage(padded, kind);
  if (padded.size() < update::legacy::kMinimumSourceBytes) {
    FUZZ_CHECK(!converted);
  } else if (converted) {
    FUZZ_CHECK(converted->size() == (kind == firmware::LegacyConversion::kBeforeP0925A
                                         ? update::legacy::kP0925ASize
                                         : update::legacy::kQ0427ASize));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader in(data, size);
  const uint8_t flags = in.Byte();
  const uint16_t offset = in.Le16();
  const std::string model = fuzz::Text(in.Sized(48));
  const std::string version = fuzz::Text(in.Sized(24));
  const std::span<const uint8_t> param = in.Sized(1040);
  const std::span<const uint8_t> mode = in.Sized(528);
  const std::span<const uint8_t> image = in.Rest();
  const std::string imageText = fuzz::Text(image);

  CheckCss(image);
  CheckAtaImage(image, flags);
  CheckLegacy(image, flags);
  const auto revision = lab::drives::NvmeImageRevision(image, offset);
  if (revision) FUZZ_CHECK(revision->size() <= 8 && !HasNul(*revision) && !revision->empty());

  // A tool folder holding the image where each mode looks for it.
  const std::string& exeDir = fuzz::FreshFolder();
  app::ControllerProfile profile;
  profile.ISP_FilePath = (flags & 2) != 0 ? "VK4620XT\\AP_ModelName\\ISP.bin" : "VK4620XT\\ISP.bin";
  profile.ISPFilePathAdd_MNStr = (flags & 4) != 0;
  profile.ISPFilePathAdd_FWVerStr = (flags & 8) != 0;
  profile.ISPVerOffset = static_cast<int32_t>(offset) - ((flags & 16) != 0 ? 70000 : 0);
  profile.ISPVerChkStrLengh = static_cast<int8_t>(flags) >> 3;
  profile.ISPVerChkStrSwapFlag = (flags & 32) != 0;
  fuzz::WriteFile(exeDir + "/VK4620XT/ISP.bin", imageText);
  if (firmware::IsSafeFolderLevel(model) && !model.empty()) {
    fuzz::TryWriteFile(exeDir + "/VK4620XT/" + model + "/ISP.bin", imageText);
  }

  firmware::ScanDrive drive;
  drive.parameterBlock = param;
  drive.modeSector = mode;
  drive.modelName = model;
  drive.currentFwVer = version;
  CheckExpected(exeDir, firmware::ExpectedVersionAtScan(exeDir, false, profile, drive), 8);

  const firmware::ParameterBlock block(param);
  const std::string automatic =
      firmware::AutomaticIspPath(exeDir, block, firmware::ModeSector(mode));
  CheckInsideToolFolder(exeDir, automatic);
  if (!automatic.empty()) {
    std::string native = automatic.substr(exeDir.size());
    std::replace(native.begin(), native.end(), '\\', '/');
    fuzz::TryWriteFile(exeDir + native, imageText);
  }
  CheckExpected(exeDir, firmware::ExpectedVersionAtScan(exeDir, true, profile, drive), 16);
  return 0;
}
