// The scan on the Linux backend over a machine described in a fake sysfs.
// The device nodes are regular files, so every pass-through request fails
// the way it fails on a node that is not a disk: the scan must take that
// calmly and list what answered.
#include <gtest/gtest.h>

#include "device/discovery/aspi_lib.h"
#include "platform/linux/linux_os.h"
#include "support/fake_sysfs.h"

namespace device {
namespace {

TEST(LinuxScan, ListsTheSataDiskByBusTypeAndSkipsWhatDoesNotAnswer) {
  testsupport::FakeSysfs sys;
  os::LinuxOs los(sys.SysRoot(), sys.DevRoot(), sys.ProcRoot());
  los.Trace().SetCapture(true);
  AspiLib lib(los);
  ASSERT_TRUE(
      lib.Scan(SCAN_ATA_BUS | SCAN_NVME_MINIPORT | SCAN_NVME_BRIDGE | SCAN_NVME | SCAN_ATAPI, 5,
               ScanSettings{}));
  EXPECT_EQ(lib.DevQty(), 3);
  ASSERT_EQ(lib.Count(), 1);
  const StorageDevice& sda = lib.Device(0);
  EXPECT_EQ(sda.Name(), "PHYSICALDRIVE0");
  EXPECT_EQ(sda.Attribute(), STORAGE_ATA | STORAGE_PHYSICAL);
  EXPECT_EQ(sda.devUseBusType, 11u);
  EXPECT_EQ(sda.Location(), 0x0000B8u);  // PCI bus 0, device 23, function 0
  EXPECT_EQ(sda.devListIndex, 1u);
  EXPECT_EQ(sda.Serial(), "");  // IDENTIFY could not be sent to a plain file
  EXPECT_EQ(sda.Capacity(), 0u);
  EXPECT_FALSE(sda.IsOpen());
  // The USB disk's place was learned even though it did not answer.
  const UsbLocationRecord& usb = lib.ScanTables().usb[1];
  EXPECT_EQ(SerialTokenOf(usb), "0123456789AB");
  EXPECT_EQ(usb.port, 2u);
  EXPECT_EQ(usb.hubNumber, 2u);  // usb1 is hub 1, the hub on its port 3 hub 2
  EXPECT_TRUE(los.Trace().Contains("[VKM_SCAN] Initialize: devOrder = 1, devUseBusType = 7"));
  EXPECT_TRUE(los.Trace().Contains("[VKM_SCAN] Initialize: devOrder = 2, devUseBusType = 17"));
}

}  // namespace
}  // namespace device
