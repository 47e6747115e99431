// The demo lab with its real drive models, scanned by the device layer: the
// classification the tool shows for each kind of drive and attachment.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <map>

#include "device/core/dev_attribute.h"
#include "device/discovery/aspi_lib.h"
#include "lab/demo/open_lab.h"
#include "support/host_env.h"
#include "support/temp_dir.h"

namespace lab {
namespace {

using namespace device;  // NOLINT: the scan's names

TEST(DemoLabScan, EveryDemoDriveIsListedWithItsAccessPath) {
  testsupport::TempDir dir;
  testsupport::SetEnv("SSDTOOLS_DEMO_LAB", dir.Str() + "/demo");
  std::string error;
  auto os = OpenLab("demo", error);
  testsupport::UnsetEnv("SSDTOOLS_DEMO_LAB");
  ASSERT_TRUE(os) << error;

  AspiLib aspi(*os);
  ASSERT_TRUE(aspi.Scan(
      SCAN_ATA_BUS | SCAN_NVME_MINIPORT | SCAN_NVME_BRIDGE | SCAN_ATAPI | SCAN_NVME | SCAN_VKM_UFD,
      5, ScanSettings{}));
  std::map<std::string, uint32_t> attr;
  std::map<std::string, std::string> model;
  for (int i = 0; i < aspi.Count(); ++i) {
    attr[aspi.Device(i).Name()] = aspi.Device(i).Attribute();
    model[aspi.Device(i).Name()] = aspi.Device(i).Model();
  }
  ASSERT_EQ(attr.size(), 8u);
  // The system folder is on the VK4630 behind the miniport.
  EXPECT_EQ(aspi.SystemDisk(), 5);
  EXPECT_EQ(attr["PHYSICALDRIVE0"], STORAGE_ATA | STORAGE_PHYSICAL);
  EXPECT_EQ(model["PHYSICALDRIVE0"].substr(0, 16), "Other Maker SATA");
  EXPECT_EQ(attr["PHYSICALDRIVE1"], STORAGE_ATA | STORAGE_PHYSICAL);
  EXPECT_EQ(attr["PHYSICALDRIVE2"], STORAGE_ATA | STORAGE_PHYSICAL);
  EXPECT_EQ(attr["PHYSICALDRIVE3"], STORAGE_ATA | STORAGE_SCSI_ATAPI | STORAGE_PHYSICAL);
  EXPECT_EQ(attr["PHYSICALDRIVE4"], STORAGE_NVME | STORAGE_PHYSICAL);
  EXPECT_EQ(attr["PHYSICALDRIVE5"], STORAGE_NVME_MINIPORT | STORAGE_PHYSICAL);
  EXPECT_EQ(attr["PHYSICALDRIVE6"], STORAGE_NVME_BRIDGE | STORAGE_SCSI | STORAGE_PHYSICAL);
  EXPECT_EQ(attr["PHYSICALDRIVE7"], STORAGE_VKM_UFD | STORAGE_SCSI | STORAGE_PHYSICAL);
  EXPECT_EQ(model["PHYSICALDRIVE5"].substr(0, 20), "VKM NVMe SSD VK4630 ");
  aspi.ReleaseAll();
}

}  // namespace
}  // namespace lab
