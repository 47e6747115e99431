// The device layer's scan run on a lab machine: every attachment must be
// classified as on real hardware, which checks the lab's answers end to end.
#include <gtest/gtest.h>

#include <map>

#include "device/core/dev_attribute.h"
#include "device/discovery/aspi_lib.h"
#include "lab/support/test_lab.h"

namespace lab {
namespace {

using namespace device;  // NOLINT: the scan's names

constexpr uint32_t kAllProbes =
    SCAN_ATA_BUS | SCAN_NVME_MINIPORT | SCAN_NVME_BRIDGE | SCAN_ATAPI | SCAN_NVME | SCAN_VKM_UFD;

std::map<std::string, const StorageDevice*> ByName(const AspiLib& aspi) {
  std::map<std::string, const StorageDevice*> m;
  for (int i = 0; i < aspi.Count(); ++i) m[aspi.Device(i).Name()] = &aspi.Device(i);
  return m;
}

TEST(ScanOnLab, EveryAttachmentIsClassifiedAsOnRealHardware) {
  labtest::TestLab lab;
  AspiLib aspi(lab.Os());
  ASSERT_TRUE(aspi.Scan(kAllProbes, 5, ScanSettings{}));
  const auto m = ByName(aspi);
  ASSERT_EQ(m.size(), 7u);
  EXPECT_EQ(aspi.SystemDisk(), 0);
  EXPECT_EQ(aspi.DevQty(), 7);
  EXPECT_EQ(m.at("PHYSICALDRIVE0")->Attribute(), STORAGE_ATA | STORAGE_PHYSICAL);
  EXPECT_EQ(m.at("PHYSICALDRIVE1")->Attribute(), STORAGE_ATA | STORAGE_PHYSICAL);
  EXPECT_EQ(m.at("PHYSICALDRIVE2")->Attribute(), STORAGE_NVME | STORAGE_PHYSICAL);
  EXPECT_EQ(m.at("PHYSICALDRIVE3")->Attribute(), STORAGE_NVME_MINIPORT | STORAGE_PHYSICAL);
  EXPECT_EQ(m.at("PHYSICALDRIVE4")->Attribute(),
            STORAGE_ATA | STORAGE_SCSI_ATAPI | STORAGE_PHYSICAL);
  EXPECT_EQ(m.at("PHYSICALDRIVE5")->Attribute(),
            STORAGE_NVME_BRIDGE | STORAGE_SCSI | STORAGE_PHYSICAL);
  EXPECT_EQ(m.at("PHYSICALDRIVE6")->Attribute(), STORAGE_VKM_UFD | STORAGE_SCSI | STORAGE_PHYSICAL);

  // Identity strings: ATA ones swapped back, NVMe ones as they stand, none
  // for the flash device.
  EXPECT_EQ(m.at("PHYSICALDRIVE1")->Model().substr(0, 16), "VKM VK4610XT SSD");
  EXPECT_EQ(m.at("PHYSICALDRIVE3")->Serial().substr(0, 6), "MP30SN");
  EXPECT_EQ(m.at("PHYSICALDRIVE6")->Model(), "");
  // Where they sit: PCI for the NVMe drive, the recognised hub for the bridge.
  EXPECT_EQ(m.at("PHYSICALDRIVE2")->Location(), 0x030000u);
  const UsbLocationRecord usb = m.at("PHYSICALDRIVE4")->UsbInfo();
  EXPECT_EQ(SerialTokenOf(usb), "0123456789");
  EXPECT_EQ(std::string(usb.vid, 4), "152D");
  EXPECT_EQ(usb.port, 2u);
  EXPECT_EQ(usb.hubPortCount, 4u);
  EXPECT_EQ(usb.recognisedHub, 1);
  // The UAS bridge has no USBSTOR serial: the bridge string stands in.
  EXPECT_EQ(SerialTokenOf(m.at("PHYSICALDRIVE5")->UsbInfo()), "NV0001");
  aspi.ReleaseAll();
  EXPECT_EQ(lab.Os().OpenHandleCount(), 0u);  // the scan closed every handle
}

TEST(ScanOnLab, SettingsAndFlagsChangeWhatIsListed) {
  labtest::TestLab lab;
  AspiLib aspi(lab.Os());
  ScanSettings noSystem;
  noSystem.IncludeSystemDrive = false;
  // Without the inbox NVMe probe the native drive is not listed; without
  // SAT identify the USB-SAT drive is not either.
  ASSERT_TRUE(aspi.Scan(SCAN_ATA_BUS | SCAN_NVME_MINIPORT | SCAN_NVME_BRIDGE, 5, noSystem));
  const auto m = ByName(aspi);
  EXPECT_EQ(m.count("PHYSICALDRIVE0"), 0u);
  EXPECT_EQ(m.count("PHYSICALDRIVE2"), 0u);
  EXPECT_EQ(m.count("PHYSICALDRIVE4"), 0u);
  EXPECT_EQ(m.count("PHYSICALDRIVE6"), 0u);
  EXPECT_EQ(m.at("PHYSICALDRIVE3")->Attribute(), STORAGE_NVME_MINIPORT | STORAGE_PHYSICAL);
  EXPECT_EQ(m.at("PHYSICALDRIVE5")->Attribute(),
            STORAGE_NVME_BRIDGE | STORAGE_SCSI | STORAGE_PHYSICAL);
  aspi.ReleaseAll();
}

TEST(ScanOnLab, ALockedMiniportIsListedThroughThePhysicalPathAfterTheUnlock) {
  std::string ini = labtest::kReferenceLab;
  ini.insert(ini.find("[Disk4]"), "MiniportLocked=1\n\n");
  labtest::TestLab lab(ini);
  AspiLib aspi(lab.Os());
  ASSERT_TRUE(aspi.Scan(kAllProbes, 5, ScanSettings{}));
  const auto m = ByName(aspi);
  ASSERT_EQ(m.count("PHYSICALDRIVE3"), 1u);
  EXPECT_EQ(m.at("PHYSICALDRIVE3")->Attribute(), STORAGE_NVME_MINIPORT | STORAGE_PHYSICAL);
  aspi.ReleaseAll();
}

}  // namespace
}  // namespace lab
