#include "package/generate/auto_gen_flu.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "common/bytes.h"
#include "common/text.h"
#include "package/expected_version.h"
#include "package/generate/flu_layout.h"
#include "package/generate/flu_version.h"
#include "package/generate/isp_image_layout.h"
#include "package/generate/new_isp_builder.h"
#include "package/generate/retry_data.h"
#include "package/generate/set_cid.h"
#include "package/generate/vendor_ic_version_probe.h"
#include "common/whole_file.h"
#include "package/ic_version.h"
#include "package/package_files.h"
#include "package/package_identity.h"
#include "package/package_layout.h"
#include "package/path_text.h"

namespace firmware {
namespace {

constexpr const char* kTracePrefix = "[VKM_FFU] DoAutoGenFlu: ";
// The CID buffer: the 128-byte record, then the drive's retry data.
constexpr uint32_t kCidBufferAddress = 0x800;
constexpr size_t kCidBufferSize = 1024;
constexpr size_t kSectorBytes = 512;
constexpr size_t kCurrentVersionChars = 8;

static_assert(kCidBufferSize - isp_image::kCidRecordLength >= 536, "longest retry data fits");

class Generation {
 public:
  Generation(const GenFluContext& ctx, controller::VK4540LT& drive, int step)
      : ctx_(ctx), drive_(drive), step_(step) {}

  GenFluResult Run() {
    GenFluResult r;
    r.code = Generate();
    if (r.code == 0) {
      r.outputFolder = TagFolder(ctx_.exeDir, icFolder_, id_.tag);
      r.keyPrefix = KeyPrefix(icFolder_, id_.tag);
    }
    return r;
  }

 private:
  void Trace(const std::string& text) { ctx_.os.OutputDebugStringA(kTracePrefix + text); }

  int Generate() {
    if (int e = ReadIdentity(); e != 0) return e;
    if (int e = ReadIcVersion(); e != 0) return e;
    if (int e = ReadCid(); e != 0) return e;
    if (int e = BuildNewIsp(); e != 0) return e;
    if (int e = LoadNewIsp(); e != 0) return e;
    PutVersion();
    if (const auto setCid = LoadIniFile(SetCidPath(ctx_.exeDir, icFolder_, id_.tag))) {
      ApplySetCid(*setCid, id_.family, id_.tag, cid_, identify_);
    }
    PutRetryData();
    Assemble();
    return WriteOutputs();
  }

  // Step 1 and 2: the identity blocks and the mode sector.
  int ReadIdentity() {
    flash_.assign(FlashInfoBlock::kSize, 0);
    param_.assign(ParameterBlock::kSize, 0);
    const int flashStatus = drive_.ReadFlashInfo(flash_);
    const int status = drive_.ReadParameterBlock(param_);
    int mode = 0;
    drive_.ModeQuery(&mode, modeBytes_);
    id_ =
        ReadPackageIdentity(ParameterBlock(param_), FlashInfoBlock(flash_), ModeSector(modeBytes_));
    Trace(common::Format("status = %d, szFWTag = %s, szRetryTag = %s\n", status, id_.tag.c_str(),
                         id_.retryTag.c_str()));
    // The IDENTIFY template and the boot record come from this block: an
    // update file built from a failed read would carry zeros in their place.
    if (flashStatus != 0) {
      Trace(common::Format("Read flash info fail, status = %d\n", flashStatus));
      return kGenFluCidReadFailed;
    }
    return 0;
  }

  int ReadIcVersion() {
    Trace(common::Format("nICVer = %d\n", IcFamilyCode(id_.family)));
    VendorIcVersionProbe probe(drive_);
    IcVersionInput in;
    in.family = id_.family;
    in.xt2 = id_.xt2;
    in.mode = id_.mode;
    in.romCheckICVer = ctx_.options.ROMCheckICVer;
    in.icVersionComboIndex = ctx_.icVersionComboIndex;
    const IcVersionResult v = DetermineIcVersion(probe, ctx_.os, in);
    if (!v.Found()) return kGenFluIcVersionFailed;
    suffix_ = IcVersionSuffix(v.szICVer);
    icFolder_ = FamilyFolderForIcVersion(id_.family, v.szICVer);
    return 0;
  }

  int ReadCid() {
    cidBuffer_.assign(kCidBufferSize, 0);
    const bool normal = id_.mode == DriveMode::kNormal;
    if (drive_.ReadMemory(kCidBufferAddress, cidBuffer_, normal) != 0) return kGenFluCidReadFailed;
    cid_ = std::span<uint8_t>(cidBuffer_).first(isp_image::kCidRecordLength);
    return 0;
  }

  int BuildNewIsp() {
    unitBytes_ = size_t{ParameterBlock(param_).SectorsPerUnit()} * kSectorBytes;
    if (unitBytes_ == 0) {
      Trace("unit size is 0 sectors, no update file\n");
      return kGenFluAssemblyFailed;
    }
    // The raw tags become folder names; the builder checks the mapped ones.
    if (!id_.nandMakerKnown || !IsSafeFolderLevel(id_.rawTag) ||
        !IsSafeFolderLevel(id_.rawRetryTag)) {
      Trace(common::Format("FW tag %s cannot name a package folder\n", id_.rawTag.c_str()));
      return kGenFluNewIspNotBuilt;
    }
    const NewIspContext nctx{ctx_.os, ctx_.exeDir, ctx_.options, ctx_.updateFiles,
                             ctx_.currentFwVer};
    NewIspInput in;
    in.retryTableNumber = id_.retryTableNumber;
    in.family = id_.family;
    in.tag = id_.tag;
    in.retryTag = id_.retryTag;
    in.icVersionSuffix = suffix_;
    in.step = step_;
    in.flashConfig =
        std::span<const uint8_t>(flash_).subspan(FlashInfoBlock::kFlashConfigB, kSectorBytes);
    return GenNewISP_ExRetryTable_BootISP(nctx, in) ? 0 : kGenFluNewIspNotBuilt;
  }

  int LoadNewIsp() {
    auto image = ReadWholeFile(NewIspPath(ctx_.exeDir, icFolder_, id_.tag), kMaxIspImageBytes);
    if (!image) return kGenFluFileFailed;
    // Replaced behind our back by something that cannot hold the areas.
    if (image->size() < isp_image::kMinImageSize) return kGenFluAssemblyFailed;
    image_ = std::move(*image);
    return 0;
  }

  // Steps 7 and 8: the version text, pair-swapped into IDENTIFY words 23..26.
  void PutVersion() {
    std::copy_n(flash_.begin(), isp_image::kIdentifyTemplateLength, identify_.begin());
    const std::string current = ctx_.currentFwVer.substr(0, kCurrentVersionChars);
    const std::string over =
        SetCidVersionOverride(SetCidPath(ctx_.exeDir, icFolder_, id_.tag), current);
    const std::span<const uint8_t> field(image_.data() + isp_image::kIdentityField,
                                         identity_field::kSize);
    BuildVersion v = BuildVersionText(over, field);
    common::SwapBytePairs(v);
    std::copy(v.begin(), v.end(), identify_.begin() + isp_image::kIdentifyVersion);
    std::copy(v.begin(), v.end(), image_.begin() + isp_image::kImageVersion);
  }

  void PutRetryData() {
    const size_t length = RetryDataLength(id_.tag);
    const auto from = cidBuffer_.begin() + isp_image::kCidRecordLength;
    std::copy(from, from + static_cast<std::ptrdiff_t>(length),
              image_.begin() + isp_image::kRetryArea);
  }

  void Assemble() {
    if (image_[isp_image::kBootRecordSkipMark] != isp_image::kBootRecordSkipValue) {
      const BootParameterRecord rec =
          MakeBootParameterRecord(ParameterBlock(param_), FlashInfoBlock(flash_));
      const size_t at = image_.size() - isp_image::kBootIspArea + isp_image::kBootParameterRecord;
      std::copy(rec.begin(), rec.end(), image_.begin() + static_cast<std::ptrdiff_t>(at));
    }
    std::copy(identify_.begin(), identify_.end(), image_.begin() + isp_image::kIdentifyTemplate);
    std::copy(cid_.begin(), cid_.end(), image_.begin() + isp_image::kCidRecord);
    common::WriteLe32(image_, isp_image::kImageChecksum, ImageByteSum(image_));
  }

  int WriteOutputs() {
    const std::vector<uint8_t> flu = BuildFlu(image_, unitBytes_);
    const std::string configured =
        ConfiguredImagePath(ctx_.exeDir, ctx_.profile, ctx_.modelName, ctx_.currentFwVer);
    if (!configured.empty() && !common::WriteFileWhole(configured, flu)) return kGenFluFileFailed;
    if (!common::WriteFileWhole(MicrocodeFluPath(ctx_.exeDir, icFolder_, id_.tag), flu)) {
      return kGenFluFileFailed;
    }
    return 0;
  }

  const GenFluContext& ctx_;
  controller::VK4540LT& drive_;
  const int step_;
  std::vector<uint8_t> flash_, param_, cidBuffer_, image_;
  std::array<uint8_t, ModeSector::kSize> modeBytes_{};
  std::array<uint8_t, isp_image::kIdentifyTemplateLength> identify_{};
  std::span<uint8_t> cid_;
  PackageIdentity id_;
  std::string suffix_, icFolder_;
  size_t unitBytes_ = 0;
};

}  // namespace

GenFluResult DoAutoGenFlu(const GenFluContext& ctx, controller::VK4540LT& drive, int step) {
  return Generation(ctx, drive, step).Run();
}

}  // namespace firmware
