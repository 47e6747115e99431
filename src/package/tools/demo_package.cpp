#include "package/tools/demo_package.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "common/winpath.h"
#include "package/firmware_tag.h"
#include "package/ic_version.h"
#include "package/package_layout.h"
#include "package/tools/demo_images.h"

namespace firmware::demo {
namespace {
namespace fs = std::filesystem;

constexpr uint8_t kTsb = 0x98;
constexpr uint8_t kSnk = 0x45;
// Automatic mode offers the version an update file is built with: the year
// letter of the images' dated identity field (2019 is "S") and its tail.
constexpr const char* kSataOffered = "S0312A0 ";
constexpr const char* kDatedIdentity = "20190312";
constexpr const char* kDatedIdentityTail = "A0";
constexpr const char* kNvmeOffered = "N0312A0 ";
constexpr size_t kGenericBootIspSize = 10000;
constexpr size_t kOwnBootIspSize = 16 * 1024;

const char* const kSetCid =
    "; Configuration changes applied to every update file built for this tag.\r\n"
    "[IDTable]\r\nEnableDIPM=1\r\nEnableDevSlp=1\r\nEnSMARTSelfTest=1\r\n"
    "[CID]\r\nEnableAdjTemp=1\r\nAdjTemp=-5\r\nEnFlashClock=1\r\nFlashClock=CLK_162p5\r\n"
    "CTRLDRV=5\r\nENABLESMARTC7BE0=0\r\nTX_AMP_GEN3=0x18\r\nSetSATAPhyValue=0x2A\r\n"
    "ThermalThrottlingLV1=72\r\nThermalThrottlingLV2=77\r\nThermalThrottlingLV3=85\r\n";

const char* const kSataVersionDb =
    "; Which versions a drive may be updated to, by its current version.\r\n"
    "[UPDATE_S0130A0]\r\nFWSupportVer_1=S0220A0\r\nFWSupportVer_2=S0312A0\r\n"
    "[UPDATE_S0220A0]\r\nFWSupportVer_1=S0312A0\r\n";

const char* const kNvmeVersionDb =
    "; Which versions a drive may be updated to, by its current version.\r\n"
    "[UPDATE_N0220A0]\r\nFWSupportVer_1=N0312A0\r\n";

class Writer {
 public:
  explicit Writer(std::string home) : home_(std::move(home)) {}

  void File(const std::string& productPath, const std::vector<uint8_t>& data) {
    if (!ok_) return;
    const fs::path p = common::ToNativePath(productPath);
    std::error_code ec;
    fs::create_directories(p.parent_path(), ec);
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
    if (!out) Fail("cannot write " + p.string());
  }
  void Text(const std::string& productPath, const std::string& text) {
    File(productPath, std::vector<uint8_t>(text.begin(), text.end()));
  }
  void Remove(const std::string& folder) {
    std::error_code ec;
    fs::remove_all(common::ToNativePath(home_ + "\\" + folder), ec);
    if (ec) Fail("cannot remove " + folder + ": " + ec.message());
  }
  const std::string& Home() const { return home_; }
  bool Ok() const { return ok_; }
  const std::string& Error() const { return error_; }

 private:
  void Fail(const std::string& message) {
    ok_ = false;
    error_ = message;
  }

  std::string home_;
  bool ok_ = true;
  std::string error_;
};

// The IC version DoAutoGenFlu determines for the drive, as its suffix.
std::string IcSuffix(const DemoDrive& d) {
  if (d.family == IcFamily::k4610) return IcVersionSuffix(IcVersionFromComboItem(0));
  if (d.xt2) return IcVersionSuffix("4620XT2");
  static const char* const kHwId[] = {"AA", "AB", "AC", "AD"};
  const int hwid = d.hardwareId & 7;
  return hwid < 4 ? IcVersionSuffix(std::string("4620") + kHwId[hwid]) : std::string();
}

FirmwareIdentity IdentityOf(const DemoDrive& d) {
  const std::string field = std::string(8, ' ') + d.rawRetryTag + d.rawTag;
  return ExtractFirmwareIdentity(std::vector<uint8_t>(field.begin(), field.end()));
}

std::string MappedTag(const DemoDrive& d) {
  const std::string tag = IdentityOf(d).tag;
  return MapNandType(d.nandMaker, d.dieText, tag).value_or(tag);
}

// The automatic-mode files of one SATA drive kind: the raw-tag folder the scan
// reads the offered version from, and the mapped-tag folder the build uses.
void WriteAutomatic(Writer& w, const DemoDrive& d) {
  const FirmwareIdentity id = IdentityOf(d);
  const std::string& tag = id.tag;
  const std::string& retry = id.retryTag;
  const std::string mapped = MappedTag(d);
  const std::string seed = d.profile + ":" + tag;
  const std::vector<uint8_t> image =
      SataIspImage(seed, kDatedIdentity, kDatedIdentityTail, d.rawTag);
  const std::string isp = IspFileName(d.family);

  const std::string scanFolder = FamilyFolder(d.family, d.xt2);
  w.File(TagFolder(w.Home(), scanFolder, tag) + retry + "\\" + isp, image);
  w.Text(SetCidPath(w.Home(), scanFolder, tag), kSetCid);

  const std::string suffix = IcSuffix(d);
  const std::string buildFolder = FamilyFolderForIcVersion(d.family, suffix);
  const std::string tagFolder = TagFolder(w.Home(), buildFolder, mapped);
  const std::string retryFolder = tagFolder + NormaliseRetryTag(retry) + "\\";
  w.File(retryFolder + isp, image);
  // Four-plane drives get their own image; two-plane drives use the tag's.
  if (d.planeCount == 4) w.File(retryFolder + "4P\\" + isp, image);
  w.Text(tagFolder + kSetCidFileName, kSetCid);
  const std::string boot = BootIspFileName(d.family);
  w.File(tagFolder + boot, BootIsp(seed, kGenericBootIspSize));
  if (!suffix.empty()) {
    w.File(tagFolder + suffix + "\\" + boot, BootIsp(seed + ":" + suffix, kOwnBootIspSize));
  }
}

}  // namespace

// The demo lab's VK46xx drives keep their controllers' factory identity (tags,
// NAND, hardware ID); the package is made for exactly those.
const std::vector<DemoDrive>& DemoDrives() {
  static const std::vector<DemoDrive> drives = {
      {"VK4610XT, 1Z MLC 4-die NAND, behind", "VK4610XT", false, IcFamily::k4610, false, kSnk,
       "1Z2 MLC 4die 2CE", 2, 0, " F1Z2 ", "01", 0x01, "S0220A0 ", kSataOffered},
      {"VK4620XT, BiCS4 4-die NAND, behind", "VK4620XT", false, IcFamily::k4620, false, kTsb,
       "BiCS4 TLC 4die 2CE", 2, 0, "FBiCS4", "02", 0x01, "S0220A0 ", kSataOffered},
      {"VK4620XT2 behind USB, BiCS5 8-die NAND, up to date", "VK4620XT2", false, IcFamily::k4620,
       true, kTsb, "BiCS5 TLC 8die 4CE", 2, 0, "FBiCS5", "03", 0x02, "S0312A0 ", kSataOffered},
      {"VK4620XT USB flash device, BiCS4 4-die NAND, behind", "VK4620XT", false, IcFamily::k4620,
       false, kTsb, "BiCS4 TLC 4die 2CE", 2, 0, "FBiCS4", "02", 0x01, "S0220A0 ", kSataOffered},
      {"VK4630 NVMe, behind", "VK4630", true, IcFamily::kNone, false, 0, "", 0, 0, "", "", 0,
       "N0220A0 ", kNvmeOffered},
  };
  return drives;
}

const std::vector<ConfiguredImage>& ConfiguredImages() {
  static const std::vector<ConfiguredImage> images = {
      {"VK4610XT", "ISP_VK4610XT.bin", "FWVerDB.ini", kSataOffered},
      {"VK4620XT", "ISP_VK4620XT.bin", "FWVerDB.ini", kSataOffered},
      {"VK4620XT2", "ISP_VK4620XT2.bin", "FWVerDB.ini", kSataOffered},
      {"VK4630", "ISP_VK4630.bin", "FWVerDB.ini", kNvmeOffered},
  };
  return images;
}

std::vector<std::string> AutomaticPermissionLines() {
  std::vector<std::string> lines;
  for (const DemoDrive& d : DemoDrives()) {
    if (d.nvme || d.currentVersion == d.offeredVersion) continue;
    const std::string prefix =
        KeyPrefix(FamilyFolderForIcVersion(d.family, IcSuffix(d)), MappedTag(d));
    std::string offered = d.offeredVersion;
    while (!offered.empty() && offered.back() == ' ') offered.pop_back();
    const std::string line =
        prefix + d.currentVersion.substr(0, d.currentVersion.find(' ')) + "=" + offered;
    // Drives of one kind share their key.
    if (std::find(lines.begin(), lines.end(), line) == lines.end()) lines.push_back(line);
  }
  return lines;
}

bool WriteDemoPackage(const std::string& home, std::string& error) {
  Writer w(home);
  w.Remove(kFirmwareFolder);
  w.Remove(kTablesFolder);
  for (const DemoDrive& d : DemoDrives()) {
    if (!d.nvme) WriteAutomatic(w, d);
  }
  for (int n : {1, 2}) w.File(RetryTablePath(home, n), RetryTable(n));

  for (const ConfiguredImage& c : ConfiguredImages()) {
    const std::string folder = home + "\\" + c.profile + "\\";
    if (c.profile == "VK4630") {
      w.File(folder + c.fileName, NvmeImage(c.profile, c.version));
      w.Text(folder + c.versionDbName, kNvmeVersionDb);
      continue;
    }
    // The configured image carries the tag of the profile's first demo drive.
    for (const DemoDrive& d : DemoDrives()) {
      if (d.profile != c.profile) continue;
      w.File(folder + c.fileName, SataIspImage(c.profile, c.version, d.rawRetryTag, d.rawTag));
      break;
    }
    w.Text(folder + c.versionDbName, kSataVersionDb);
  }
  error = w.Error();
  return w.Ok();
}

}  // namespace firmware::demo
