#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "config/settings/settings_reader.h"
#include "common/ini_file.h"
#include "package/expected_version.h"
#include "package/firmware_tag.h"
#include "package/isp_selection.h"
#include "package/package_identity.h"
#include "package/package_layout.h"
#include "package/update_rules.h"
#include "package/version_text.h"
#include "package_fixtures.h"
#include "support/temp_dir.h"

namespace firmware {
namespace {

std::vector<uint8_t> RandomBytes(std::mt19937& rng, size_t n) {
  std::vector<uint8_t> b(n);
  // Mostly printable with separators, dots and NULs, so paths get built too.
  const char alphabet[] = "BiCS1Z24IM27AYMTCF .\\/\0XAISPROMDE8die";
  std::uniform_int_distribution<size_t> pick(0, sizeof(alphabet) - 1);
  std::uniform_int_distribution<int> any(0, 255);
  for (auto& c : b)
    c = (rng() & 1) ? static_cast<uint8_t>(alphabet[pick(rng)]) : static_cast<uint8_t>(any(rng));
  return b;
}

// Random blocks of random sizes never make the readers read out of bounds, and
// whatever tag they yield never leads a path out of the package folder.
TEST(HostileInput, RandomControllerBlocks) {
  testsupport::TempDir tmp;
  std::mt19937 rng(1234);
  std::uniform_int_distribution<size_t> len(0, 1100);
  for (int i = 0; i < 1500; ++i) {
    auto pb = RandomBytes(rng, len(rng));
    if (i % 3 == 0 && pb.size() >= 10)
      std::memcpy(pb.data(), i % 2 ? "VK4620PARA" : "VK4610PARA", 10);
    const auto fi = RandomBytes(rng, (i % 5 == 0) ? 16384 : len(rng));
    const auto ms = RandomBytes(rng, len(rng) % 600);
    const ParameterBlock block(pb);
    const PackageIdentity id = ReadPackageIdentity(block, FlashInfoBlock(fi), ModeSector(ms));
    EXPECT_LE(id.rawTag.size(), 6U);
    EXPECT_LE(id.rawRetryTag.size(), 2U);
    const std::string path = AutomaticIspPath(tmp.Str(), block, ModeSector(ms));
    if (!path.empty()) {
      EXPECT_EQ(path.rfind(tmp.Str() + "\\Firmware\\", 0), 0U);
      EXPECT_FALSE(path.find("\\..\\") != std::string::npos) << path;
    }
    if (id.UsableForPackage()) {
      BuildSelectionInput in{id.family, "", id.tag, id.retryTag, id.planeCount, 0, "S0220A0"};
      const Selection s =
          SelectIspImageForBuild(tmp.Str(), app::AppOptions{}, app::UpdateFileTable{}, in);
      EXPECT_TRUE(s.ok);
    }
  }
}

TEST(HostileInput, RandomVersionReads) {
  std::mt19937 rng(99);
  for (int i = 0; i < 2000; ++i) {
    const auto img = RandomBytes(rng, rng() % 64);
    const int64_t off = static_cast<int64_t>(rng() % 80) - 8;
    const int length = static_cast<int>(rng() % 20) - 4;
    const std::string v = ReadVersionText(img, off, length, rng() & 1);
    EXPECT_LE(v.size(), 8U);
    const std::string masked = MaskVersion(v, length * 3, std::string(rng() % 30, '1'));
    EXPECT_LE(masked.size(), 16U);
  }
}

TEST(HostileInput, GarbageAndHugeIniFilesAreSafe) {
  testsupport::TempDir tmp;
  std::mt19937 rng(7);
  const auto garbage = RandomBytes(rng, 200000);
  tmp.Write("Setting.ini", std::string(garbage.begin(), garbage.end()));
  tmp.Write("VK/db.ini", std::string(garbage.begin(), garbage.end()));
  const UpdateRuleContext ctx{tmp.Str(), true, tmp.Str() + "\\VK\\db.ini"};
  EXPECT_FALSE(IsUpdateAllowed(ctx, "S0312A0", "S0220A0", 8, "", "4620X"));
  EXPECT_FALSE(IsUpdateAllowed(ctx, "S0312A0", "S0220A0", 8, "", std::nullopt));
  EXPECT_EQ(SelectMultiFWBin(tmp.Str(), "K", "ISP4620_S.bin"), std::nullopt);

  // A database with a very long chain of entries that never match ends, not allowed.
  std::string db = "[UPDATE_S0220A0]\n";
  for (int n = 1; n <= 50000; ++n) db += "FWSupportVer_" + std::to_string(n) + "=X" + "\n";
  tmp.Write("VK/db.ini", db);
  const UpdateRuleContext cfg{tmp.Str(), false, tmp.Str() + "\\VK\\db.ini"};
  EXPECT_FALSE(IsUpdateAllowed(cfg, "S0312A0", "S0220A0", 8, "", std::nullopt));

  // A file far larger than any INI file is not read.
  std::filesystem::resize_file(tmp.Path() / "VK" / "db.ini", 17u * 1024 * 1024);
  EXPECT_FALSE(IsUpdateAllowed(cfg, "S0312A0", "S0220A0", 8, "", std::nullopt));
}

TEST(HostileInput, HostileSetCidAndTruncatedImages) {
  testsupport::TempDir tmp;
  const auto pb = fwtest::ParameterBlockBytes({.retryTag = "02", .tag = " BiCS4"});
  ScanDrive d;
  d.parameterBlock = pb;
  d.currentFwVer = "S0220A0";
  const app::ControllerProfile profile;
  for (size_t size : {0u, 1u, 0xEFF0u, 0xEFF3u}) {
    tmp.Write("Firmware/4620/BiCS4/02/ISP4620.bin", std::string(size, 'S'));
    tmp.Write("Firmware/4620/BiCS4/SetCID.ini",
              std::string("[IDTable\nSetFWVer=\x01\x02\n[\n=\n", 26));
    const ExpectedVersion ev = ExpectedVersionAtScan(tmp.Str(), true, profile, d);
    EXPECT_TRUE(ev.imageExists);
    EXPECT_LE(ev.version.size(), 8U);
  }
  // A folder where the image should be is no image.
  std::filesystem::remove(tmp.Path() / "Firmware/4620/BiCS4/02/ISP4620.bin");
  std::filesystem::create_directories(tmp.Path() / "Firmware/4620/BiCS4/02/ISP4620.bin");
  EXPECT_FALSE(ExpectedVersionAtScan(tmp.Str(), true, profile, d).imageExists);
}

}  // namespace
}  // namespace firmware
