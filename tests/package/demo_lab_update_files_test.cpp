// End to end on the demo: the demo lab's machine, the generated demo package
// and the demo Setting.ini in automatic mode. Every SATA drive of the demo
// gets its New_ISP.bin and Microcode.flu, and the list would offer exactly the
// version those files carry.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "common/ini_file.h"
#include "common/text.h"
#include "common/winpath.h"
#include "config/settings/settings_reader.h"
#include "device/discovery/aspi_lib.h"
#include "device/discovery/scan_flags.h"
#include "lab/demo/open_lab.h"
#include "package/expected_version.h"
#include "package/generate/auto_gen_flu.h"
#include "package/tools/demo_package.h"
#include "package/update_rules.h"
#include "support/host_env.h"
#include "support/temp_dir.h"
#include "controller/sata/vk4540lt.h"

namespace firmware {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

Bytes ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

class DemoLabFolder {
 public:
  explicit DemoLabFolder(const std::string& path) {
    testsupport::SetEnv("SSDTOOLS_DEMO_LAB", path);
  }
  ~DemoLabFolder() { testsupport::UnsetEnv("SSDTOOLS_DEMO_LAB"); }
};

// The Setting.ini profile of a controller, by the name in its mode sector.
std::string ProfileOf(const Bytes& mode) {
  const std::string name(mode.begin() + 46, mode.begin() + 54);
  return name == "VK4620XA" ? "VK4620XT2" : name;
}

TEST(DemoLabUpdateFiles, EverySataDriveOfTheDemoGetsItsUpdateFile) {
  testsupport::TempDir dir;
  DemoLabFolder labFolder(dir.Str() + "/lab");
  std::string error;
  auto os = lab::OpenLab("demo", error);
  ASSERT_TRUE(os) << error;
  os->Trace().SetCapture(true);

  const std::string home = dir.Str() + "/tool";
  ASSERT_TRUE(demo::WriteDemoPackage(home, error)) << error;
  fs::copy_file(fs::path(SSDTOOLS_DEMO_DIR) / "Setting.ini", fs::path(home) / "Setting.ini");
  const auto ini = common::IniFile::Load(home + "/Setting.ini");
  ASSERT_TRUE(ini);
  app::AppOptions options;
  options.AutoGenFlu = true;
  options.ROMCheckICVer = ini->ReadBool("Option", "ROMCheckICVer", false);
  EXPECT_TRUE(options.ROMCheckICVer);
  const app::UpdateFileTable updateFiles;

  device::AspiLib list(*os);
  ASSERT_TRUE(list.Scan(device::SCAN_ATA_BUS | device::SCAN_NVME_MINIPORT |
                            device::SCAN_NVME_BRIDGE | device::SCAN_NVME | device::SCAN_ATAPI,
                        5, device::ScanSettings{}));
  std::set<std::string> built;
  std::vector<std::string> serials;
  for (int i = 0; i < list.Count(); ++i) {
    controller::VK4540LT hba;
    if (!hba.Attach(&list.Device(i))) continue;  // the other maker's disk, NVMe drives
    const std::string serial = common::Trim(list.Device(i).Serial());
    SCOPED_TRACE(serial);
    Bytes param(1024), mode(512);
    int modeValue = -1;
    ASSERT_EQ(hba.ReadParameterBlock(param), 0);
    ASSERT_EQ(hba.ModeQuery(&modeValue, mode), 0);
    const std::string current = common::Trim(std::string(param.begin() + 512, param.begin() + 520));
    const app::ControllerProfile profile = app::ReadProfile(*ini, ProfileOf(mode), true);

    const GenFluContext ctx{*os, home, options, updateFiles, profile, "Model", current, -1};
    const GenFluResult r = DoAutoGenFlu(ctx, hba, 0);
    ASSERT_EQ(r.code, 0);
    built.insert(ProfileOf(mode) + " " + r.keyPrefix);
    serials.push_back(serial);

    const fs::path out = fs::path(common::ToNativePath(r.outputFolder));
    const Bytes flu = ReadAll(out / "Microcode.flu");
    const Bytes isp = ReadAll(out / "New_ISP.bin");
    ASSERT_EQ(isp.size(), 262144u);
    // Unit 8 sectors: the image is a whole number of units, one checksum unit follows.
    ASSERT_EQ(flu.size(), 266240u);
    uint32_t words = 0;
    for (size_t at = 0; at < 262144; at += 4) {
      words += uint32_t{flu[at]} | uint32_t{flu[at + 1]} << 8 | uint32_t{flu[at + 2]} << 16 |
               uint32_t{flu[at + 3]} << 24;
    }
    EXPECT_EQ(Bytes(flu.begin() + 262144, flu.begin() + 262148),
              Bytes({static_cast<uint8_t>(words), static_cast<uint8_t>(words >> 8),
                     static_cast<uint8_t>(words >> 16), static_cast<uint8_t>(words >> 24)}));
    // The dated identity field 20190312A0 gives S0312A0, pairs swapped.
    EXPECT_EQ(Bytes(flu.begin() + 0x62E, flu.begin() + 0x636),
              Bytes({0x30, 0x53, 0x31, 0x33, 0x41, 0x32, 0x00, 0x30}));
    // The demo SetCID.ini on the lab's factory CID record.
    const uint8_t* cid = flu.data() + 0x800;
    EXPECT_EQ(cid[0], 0x85);
    EXPECT_EQ(cid[18], 0x1A);
    EXPECT_EQ(cid[19], 0x00);
    for (size_t at : {20, 24, 28, 32}) EXPECT_EQ(cid[at], 0x05) << at;
    EXPECT_EQ(cid[57], 0x12);
    EXPECT_EQ(cid[63] & 0x08, 0);
    EXPECT_EQ(cid[73], 0x18);
    EXPECT_EQ(cid[75], 0x2A);
    EXPECT_EQ(Bytes(cid + 92, cid + 96), Bytes({0x4D, 0x48, 0x55, 0x54}));
    const uint8_t* id = flu.data() + 0x600;
    EXPECT_EQ(id[156] & 0x08, 0x08);
    EXPECT_EQ(id[157] & 0x01, 0x01);
    EXPECT_EQ(id[168] & 0x02, 0x02);
    EXPECT_EQ(id[174] & 0x02, 0x02);
    // The IC version's own boot ISP fills the last 16 KiB.
    const std::string suffix = r.keyPrefix.rfind("4620XT2", 0) == 0 ? "XT2" : "AB";
    const std::string boot =
        r.keyPrefix.rfind("4610", 0) == 0 ? "BootISP4610.bin" : "BootISP4620.bin";
    EXPECT_EQ(Bytes(isp.end() - 0x4000, isp.end()), ReadAll(out / suffix / boot));
    // The configured image of the IC type holds the same bytes.
    EXPECT_EQ(ReadAll(fs::path(home) / ProfileOf(mode) / ("ISP_" + ProfileOf(mode) + ".bin")), flu);

    // The list offers that version, and the demo's permissions allow the
    // drives that are behind.
    ScanDrive drive;
    drive.parameterBlock = param;
    drive.modeSector = mode;
    drive.currentFwVer = current;
    EXPECT_EQ(ExpectedVersionAtScan(home, true, profile, drive).version, "S0312A0");
    const UpdateRuleContext rules{home, true, ""};
    EXPECT_EQ(IsUpdateAllowed(rules, "S0312A0", current, 8, "", r.keyPrefix), current != "S0312A0");
  }
  EXPECT_EQ(built, (std::set<std::string>{"VK4610XT 46101ZMLC\\SNK\\4die\\1Z2",
                                          "VK4620XT 4620BiCS\\TSB\\4die\\BiCS4",
                                          "VK4620XT2 4620XT2BiCS\\TSB\\8die\\BiCS5"}));
  // The three SATA drives (one behind a USB-SAT bridge); the USB flash device
  // is no SATA drive.
  EXPECT_EQ(serials, (std::vector<std::string>{"VK10000000000000001", "VK20000000000000001",
                                               "VK2X000000000000001"}));
  EXPECT_TRUE(os->Trace().Contains("[VKM_FFU] DoAutoGenFlu: szICVer = 4610AB\n"));
  list.ReleaseAll();
}

}  // namespace
}  // namespace firmware
