#include "package/generate/new_isp_builder.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "common/text.h"
#include "package/firmware_tag.h"
#include "package/generate/isp_image_layout.h"
#include "common/whole_file.h"
#include "package/isp_selection.h"
#include "package/package_files.h"
#include "package/package_layout.h"
#include "package/path_text.h"

namespace firmware {
namespace {

constexpr const char* kTracePrefix = "[VKM_FFU] GenNewISP_ExRetryTable_BootISP: ";
constexpr size_t kPlaneCountInConfig = 0x38;
constexpr size_t kNewLayoutMark = 9;
constexpr std::string_view kNewLayoutText = "RrTable";

struct RetryParams {
  int table;
  uint8_t a;
  uint8_t b;
};
constexpr RetryParams kOldLayoutParams[] = {{1, 0x22, 0x1B}, {2, 0x23, 0x14}};

class Builder {
 public:
  Builder(const NewIspContext& ctx, const NewIspInput& in) : ctx_(ctx), in_(in) {}

  bool Run() {
    const std::optional<std::string> isp = SelectImage();
    if (!isp || !ReadImage(*isp) || !CheckTag() || !PutBootIsp()) return false;
    PutRetryTable();
    return Save();
  }

 private:
  void Trace(const std::string& text) { ctx_.os.OutputDebugStringA(kTracePrefix + text); }
  bool Fail(const std::string& reason) {
    Trace(reason + "\n");
    return false;
  }

  std::string IcFolder() const { return FamilyFolderForIcVersion(in_.family, in_.icVersionSuffix); }

  std::optional<std::string> SelectImage() {
    // Drive text becomes folder names below: it must stay inside the package.
    if (!IsSafeRelativeFolder(in_.tag) || !IsSafeFolderLevel(in_.retryTag)) {
      Fail("Invalid FW tag " + in_.tag);
      return std::nullopt;
    }
    BuildSelectionInput sel;
    sel.family = in_.family;
    sel.icVersionSuffix = in_.icVersionSuffix;
    sel.tag = in_.tag;
    sel.retryTag = in_.retryTag;
    sel.planeCount =
        kPlaneCountInConfig < in_.flashConfig.size() ? in_.flashConfig[kPlaneCountInConfig] : 0;
    sel.step = in_.step;
    sel.currentFwVer = ctx_.currentFwVer;
    const Selection s = SelectIspImageForBuild(ctx_.exeDir, ctx_.options, ctx_.updateFiles, sel);
    if (!s.ok) {
      Fail(s.reason);
      return std::nullopt;
    }
    return s.path;
  }

  bool ReadImage(const std::string& path) {
    Trace("Read ISP bin\n");
    const std::optional<uint64_t> size = FileSize(path);
    if (!size) return Fail(common::Format("Can't read %s file(1)", path.c_str()));
    if (*size > kMaxIspImageBytes) {
      return Fail(common::Format("Can't allocate memory to read %s file", path.c_str()));
    }
    auto data = ReadWholeFile(path, kMaxIspImageBytes);
    // An image too short for the areas written below is as unusable as one
    // that cannot be read.
    if (!data || data->size() < isp_image::kMinImageSize) {
      return Fail(common::Format("Can't read %s file(2)", path.c_str()));
    }
    image_ = std::move(*data);
    return true;
  }

  bool CheckTag() {
    const std::span<const uint8_t> field(image_.data() + isp_image::kIdentityField,
                                         identity_field::kSize);
    const std::string imageTag = ExtractFirmwareIdentity(field).tag;
    const std::string& shorter = imageTag.size() <= in_.tag.size() ? imageTag : in_.tag;
    const std::string& longer = imageTag.size() <= in_.tag.size() ? in_.tag : imageTag;
    if (longer.find(shorter) == std::string::npos) {
      return Fail("FW Folder put mismatched ISP/RDT file");
    }
    return true;
  }

  bool PutBootIsp() {
    Trace("Read BootISP.bin\n");
    const std::string path =
        SelectBootIspPath(ctx_.exeDir, in_.family, in_.icVersionSuffix, in_.tag);
    const std::optional<uint64_t> size = FileSize(path);
    if (!size) return Fail(common::Format("Can't read %s file(1)", path.c_str()));
    const size_t want = static_cast<size_t>(std::min<uint64_t>(*size, isp_image::kBootIspArea));
    const std::vector<uint8_t> boot = ReadFileRange(path, 0, want);
    if (boot.size() != want) return Fail(common::Format("Can't read %s file(2)", path.c_str()));
    std::vector<uint8_t> area(isp_image::kBootIspArea, 0);
    std::copy(boot.begin(), boot.end(), area.begin());
    std::copy(area.begin(), area.end(), image_.end() - isp_image::kBootIspArea);
    return true;
  }

  // A retry table that is missing or unreadable leaves the image's own.
  void PutRetryTable() {
    const int n = in_.retryTableNumber;
    if (n == 0) return;
    Trace("Read Retry table\n");
    const std::string path = RetryTablePath(ctx_.exeDir, n);
    const std::optional<uint64_t> size = FileSize(path);
    if (!size) return;
    const size_t want =
        static_cast<size_t>(std::min<uint64_t>(*size, isp_image::kRetryTableMaxBytes));
    const std::vector<uint8_t> read = ReadFileRange(path, 0, want);
    if (read.size() != want) return;
    std::vector<uint8_t> table(isp_image::kRetryTableMaxBytes, 0);
    std::copy(read.begin(), read.end(), table.begin());
    const std::string mark(table.begin() + kNewLayoutMark,
                           table.begin() + kNewLayoutMark + kNewLayoutText.size());
    if (mark == kNewLayoutText) {
      std::copy(read.begin(), read.end(), image_.begin() + isp_image::kRetryArea);
      return;
    }
    std::copy_n(table.begin(), isp_image::kOldRetryTableLength,
                image_.begin() + isp_image::kOldRetryTable);
    for (const RetryParams& p : kOldLayoutParams) {
      if (p.table != n) continue;
      image_[isp_image::kRetryParamA] = p.a;
      image_[isp_image::kRetryParamB] = p.b;
    }
  }

  bool Save() {
    if (!common::WriteFileWhole(NewIspPath(ctx_.exeDir, IcFolder(), in_.tag), image_)) {
      Trace("Fail to save New isp file.\n");
      return false;
    }
    return true;
  }

  const NewIspContext& ctx_;
  const NewIspInput& in_;
  std::vector<uint8_t> image_;
};

}  // namespace

bool GenNewISP_ExRetryTable_BootISP(const NewIspContext& ctx, const NewIspInput& in) {
  return Builder(ctx, in).Run();
}

}  // namespace firmware
