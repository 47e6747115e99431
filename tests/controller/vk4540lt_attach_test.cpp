// Attach of the SATA vendor object on a scripted drive: the SCSI requests it
// sends, the first exchange with its fall-back to LBA 0x789, and readiness.
#include <gtest/gtest.h>

#include "platform/volume.h"
#include "controller/sata/vk4540lt.h"
#include "vendor_script.h"

namespace controller {
namespace {

using namespace vendortest;

Bytes InquiryData(const std::string& vendorText, const std::string& product) {
  Bytes d(56, 0);
  d[0] = 0x00;  // direct-access device
  d[1] = 0x00;  // not removable
  std::copy(vendorText.begin(), vendorText.end(), d.begin() + 8);
  std::copy(product.begin(), product.end(), d.begin() + 16);
  const std::string rev = "R0A1";
  std::copy(rev.begin(), rev.end(), d.begin() + 32);
  return d;
}

const Bytes kInquiryCdb = {0x12, 0x00, 0x00, 0x00, 0x38, 0x00};
const Bytes kTestUnitReadyCdb = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
const Bytes kReadCapacityCdb = {0x25, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

TEST(VK4540LTAttach, ConstructionNamesTheObjectVK4540LT) {
  VK4540LT hba;
  EXPECT_FALSE(hba.Ready());
  EXPECT_EQ(hba.ConfiguredName(), "VK4540LT");
  EXPECT_EQ(hba.ComparisonName(), "VK4540LT");
  EXPECT_EQ(hba.NameOffset(), 46u);
  EXPECT_EQ(hba.NameCopyLength(), 8u);
  EXPECT_EQ(hba.NameCompareLength(), 8u);

  hba.SetControllerName("VKM4620XT2-LONG", 9);
  EXPECT_EQ(hba.ConfiguredName(), "VKM4620XT");
  EXPECT_EQ(hba.ComparisonName(), "VKM4620XT");
  EXPECT_EQ(hba.NameCopyLength(), 9u);
  // Names never outgrow their 50-character fields.
  hba.SetControllerName(std::string(80, 'N'), 80);
  EXPECT_EQ(hba.ConfiguredName(), std::string(50, 'N'));
  EXPECT_EQ(hba.NameCompareLength(), 50u);
}

TEST(VK4540LTAttach, DriveThatFailsTestUnitReadyIsNotReadyAndGetsNoVendorCommand) {
  ScriptedOs sos;
  device::StorageDevice dev(sos);
  OpenDrive(sos, dev, device::STORAGE_PHYSICAL | device::STORAGE_ATA);
  dev.devHaId = 2;
  ExpectScsi(sos, Handle(), kInquiryCdb, 1, 56, Good(InquiryData("VKM", "VK4620XT SSD")));
  ExpectScsi(sos, Handle(), kTestUnitReadyCdb, 0, 0, NotReady());

  VK4540LT hba;
  EXPECT_FALSE(hba.Attach(&dev));
  EXPECT_EQ(hba.AttachResult(), -127);
  EXPECT_EQ(hba.VendorText(), "VKM");
  EXPECT_EQ(hba.ProductText(), "VK4620XT SSD");
  EXPECT_EQ(hba.RevisionText(), "R0A1");
  EXPECT_EQ(hba.DeviceType(), 0);
  EXPECT_EQ(hba.Adapter(), 0u);
  EXPECT_EQ(hba.BlockCount(), 0u);
  EXPECT_TRUE(dev.IsOpen());  // it was open before attach
}

// Attach on a drive whose firmware takes commands only at LBA 0x789: the
// first exchange fails to write its block at 0x55AA and repeats once there.
TEST(VK4540LTAttach, FirstExchangeFallsBackToLba0x789AndTheDriveBecomesReady) {
  ScriptedOs sos;
  device::StorageDevice dev(sos);
  OpenDrive(sos, dev, device::STORAGE_PHYSICAL | device::STORAGE_ATA);
  dev.devHaId = 2;
  dev.devTarget = 1;
  dev.devLun = 0;

  ExpectScsi(sos, Handle(), kInquiryCdb, 1, 56, Good(InquiryData("VKM", "VK551 SSD 256GB")));
  ExpectScsi(sos, Handle(), kTestUnitReadyCdb, 0, 0);
  ExpectScsi(sos, Handle(), kReadCapacityCdb, 1, 8,
             Good({0x00, 0x01, 0xFF, 0xFF, 0x00, 0x00, 0x02, 0x00}));
  // Attempt 1 on 0x55AA: the block is not taken.
  ReadDma(sos, ReadAt0x55AA(), Sector(0));
  ExpectDetect(sos, Vk4620ModeSector());
  WriteDma(sos, WriteAt0x55AA(), nullptr, /*fail=*/true);
  ReadDma(sos, ReadAt0x1234(), Sector(0));
  // Attempt 2 on 0x789, data still from 0x55AA.
  Bytes block(512, 0);
  block[0] = 0xF0;
  block[1] = 0x20;
  const Bytes saved = Sector(0x61);
  Bytes commandWritten, restored;
  ReadDma(sos, ReadAt0x789(), saved);
  ExpectDetect(sos, Vk4620ModeSector());
  WriteDma(sos, WriteAt0x789(), &commandWritten);
  ReadDma(sos, {0x00, 0x02, 0xAA, 0x55, 0x00, 0xE0, 0xC8}, Bytes(1024, 0x12));
  ReadDma(sos, ReadAt0x789(), block);
  WriteDma(sos, WriteAt0x789(), &restored);
  // Detect again, then an ordinary sector.
  ExpectDetect(sos, Vk4620ModeSector());
  ReadDma(sos, {0x00, 0x01, 0x00, 0x00, 0x00, 0xE0, 0xC8}, Sector(0));

  VK4540LT hba;
  EXPECT_TRUE(hba.Attach(&dev));
  EXPECT_EQ(hba.AttachResult(), 0);
  EXPECT_EQ(commandWritten, block);
  EXPECT_EQ(restored, saved);
  EXPECT_EQ(hba.CommandLbaInUse(), 0x789u);
  EXPECT_EQ(hba.BlockCount(), 0x20000u);
  EXPECT_EQ(hba.BlockLength(), 512u);
  EXPECT_TRUE(hba.IsVk551());
  EXPECT_EQ(hba.PathMarker(), 0xA5u);
  EXPECT_EQ(hba.Adapter(), 2u);
  EXPECT_EQ(hba.Target(), 1u);
  EXPECT_EQ(hba.Lun(), 0u);
  EXPECT_EQ(hba.DisplayName(), "PHYSICALDRIVE1");
  EXPECT_EQ(hba.DetectedName(), "VK4620XT");
}

// The first exchange compares the whole echoed sector: a difference beyond
// byte 16 means no echo, so nothing is written back.
TEST(VK4540LTAttach, FirstExchangeComparesTheWholeEchoedSector) {
  ScriptedOs sos;
  device::StorageDevice dev(sos);
  OpenDrive(sos, dev, device::STORAGE_LOGICAL | device::STORAGE_ATA);
  ExpectScsi(sos, Handle(), kInquiryCdb, 1, 56, Good(InquiryData("VKM", "VK4620XT SSD")));
  ExpectScsi(sos, Handle(), kTestUnitReadyCdb, 0, 0);
  ExpectScsi(sos, Handle(), kReadCapacityCdb, 1, 8,
             Good({0x00, 0x00, 0x0F, 0xFF, 0x00, 0x00, 0x02, 0x00}));
  ReadDma(sos, ReadAt0x55AA(), Sector(0));
  ExpectDetect(sos, Vk4620ModeSector());
  WriteDma(sos, WriteAt0x55AA(), nullptr);
  ReadDma(sos, {0x00, 0x02, 0xAA, 0x55, 0x00, 0xE0, 0xC8}, Bytes(1024, 0x12));
  Bytes almost(512, 0);
  almost[0] = 0xF0;
  almost[1] = 0x20;
  almost[300] = 1;
  ReadDma(sos, ReadAt0x55AA(), almost);
  ExpectDetect(sos, Vk4620ModeSector());
  ReadDma(sos, {0x00, 0x01, 0x00, 0x00, 0x00, 0xE0, 0xC8}, Sector(0));

  VK4540LT hba;
  EXPECT_TRUE(hba.Attach(&dev));
  EXPECT_EQ(hba.CommandLbaInUse(), 0x55AAu);
  EXPECT_FALSE(hba.IsVk551());
  EXPECT_EQ(hba.PathMarker(), 0x5Au);  // opened by drive letter
  EXPECT_EQ(hba.BlockCount(), 0x1000u);
  // The drive still owns its volume handle: dropping it unlocks and closes.
  sos.ExpectIoctl(os::FSCTL_UNLOCK_VOLUME).On(Handle());
  sos.ExpectIoctl(os::FSCTL_IS_VOLUME_MOUNTED).On(Handle());
  sos.ExpectClose(Handle());
}

TEST(VK4540LTAttach, UnrecognisedControllerOrNoCapacityIsNotReady) {
  ScriptedOs sos;
  device::StorageDevice dev(sos);
  OpenDrive(sos, dev, device::STORAGE_PHYSICAL | device::STORAGE_ATA);
  dev.devHaId = 3;
  ExpectScsi(sos, Handle(), kInquiryCdb, 1, 56, Good(InquiryData("OTHER", "DISK")));
  ExpectScsi(sos, Handle(), kTestUnitReadyCdb, 0, 0);
  // A reported last LBA of 0 stays a block count of 0.
  ExpectScsi(sos, Handle(), kReadCapacityCdb, 1, 8, Good({0, 0, 0, 0, 0x00, 0x00, 0x02, 0x00}));
  // The first exchange: detect fails to recognise, the vendor mode is left.
  ReadDma(sos, ReadAt0x55AA(), Sector(0));
  ExpectDetect(sos, SectorWith(46, "GENERIC1"));
  ReadDma(sos, ReadAt0x1234(), Sector(0));
  ExpectDetect(sos, SectorWith(46, "GENERIC1"));
  ReadDma(sos, {0x00, 0x01, 0x00, 0x00, 0x00, 0xE0, 0xC8}, Sector(0));

  VK4540LT hba;
  EXPECT_FALSE(hba.Attach(&dev));
  EXPECT_EQ(hba.AttachResult(), -10);
  EXPECT_EQ(hba.CommandLbaInUse(), 0x55AAu);
  EXPECT_EQ(hba.Adapter(), 0u);
  EXPECT_EQ(hba.BlockLength(), 0u);
}

// A closed drive-letter handle is reopened with force: the failed volume
// lock does not stop the attach. A failed INQUIRY leaves the type at -1.
TEST(VK4540LTAttach, ClosedHandleIsReopenedWithForceAndClosedAgain) {
  ScriptedOs sos;
  device::StorageDevice dev(sos);
  NameDrive(dev, device::STORAGE_LOGICAL | device::STORAGE_ATA);
  sos.ExpectOpen("\\\\.\\PHYSICALDRIVE1", Handle());
  sos.ExpectIoctl(os::FSCTL_LOCK_VOLUME).Fail(os::ERROR_ACCESS_DENIED);
  ExpectScsi(sos, Handle(), kInquiryCdb, 1, 56, DriverError());
  ExpectScsi(sos, Handle(), kTestUnitReadyCdb, 0, 0, DriverError());
  sos.ExpectIoctl(os::FSCTL_UNLOCK_VOLUME).Fail(os::ERROR_ACCESS_DENIED);
  sos.ExpectClose(Handle());

  VK4540LT hba;
  EXPECT_FALSE(hba.Attach(&dev));
  EXPECT_EQ(hba.DeviceType(), -1);
  EXPECT_EQ(hba.VendorText(), "");
  EXPECT_FALSE(dev.IsOpen());

  EXPECT_FALSE(hba.Attach(nullptr));
}

}  // namespace
}  // namespace controller
