// Attach rules of the NVMe vendor object: by vendor read (controller name at
// byte 496) and by the PCI identifier control request, on scripted drives.
#include <gtest/gtest.h>

#include "controller/nvme/pci_ids.h"
#include "controller/nvme/vk4630.h"
#include "vendor_script.h"

namespace controller {
namespace {

using namespace vendortest;

Bytes VendorInfo(const std::string& name) {
  Bytes info(2048, 0);
  std::copy(name.begin(), name.end(), info.begin() + 496);
  return info;
}

TEST(VK4630Attach, ConstructionFillsTheNamesOpcodesAndIdentifierTable) {
  VK4630 hba;
  EXPECT_EQ(hba.ControllerName(), "VK4630");
  EXPECT_EQ(hba.ControllerNameLength(), 6u);
  EXPECT_EQ(hba.ParameterTag(), "VK4630PARA");
  EXPECT_EQ(hba.ParameterTagLength(), 10u);
  const auto& ids = hba.PciIds();
  EXPECT_EQ(ids[0], 0x46301F9Fu);
  EXPECT_EQ(ids[9], 0x46391F9Fu);
  EXPECT_EQ(ids[10], 0u);
  EXPECT_FALSE(hba.Ready());
}

TEST(VK4630Attach, MiniportDriveIsOpenedThroughItsPortAndRecognisedByName) {
  ScriptedOs sos;
  device::StorageDevice dev(sos);
  NameDrive(dev, device::STORAGE_NVME_MINIPORT);
  device::SetFixedText(dev.devName, "SCSI 2:");
  dev.devHaId = 2;
  dev.devTarget = 0;
  dev.devLun = 1;
  MiniportSeen seen;
  sos.ExpectOpen("\\\\.\\Scsi2:", Handle());
  ExpectMiniport(sos, Handle(), &seen, MiniportReply{false, 0, 0, VendorInfo("VK4630AA")});
  sos.ExpectClose(Handle());

  VK4630 hba;
  EXPECT_TRUE(hba.Attach(&dev));
  EXPECT_EQ(seen.dw[0], 0xC2u);
  EXPECT_EQ(seen.dw[10], 512u);
  EXPECT_EQ(seen.dw[13], 0u);
  EXPECT_EQ(hba.Adapter(), 2u);
  EXPECT_EQ(hba.Target(), 0u);
  EXPECT_EQ(hba.Lun(), 1u);
  EXPECT_EQ(hba.PathMarker(), 0xA5u);
  EXPECT_EQ(hba.DisplayName(), "SCSI 2:");
  EXPECT_FALSE(dev.IsOpen());

  // A longer configured name no longer matches "VK4630AA".
  hba.SetControllerName("VK4630XT", 8);
  sos.ExpectOpen("\\\\.\\Scsi2:", Handle());
  ExpectMiniport(sos, Handle(), &seen, MiniportReply{false, 0, 0, VendorInfo("VK4630AA")});
  sos.ExpectClose(Handle());
  EXPECT_FALSE(hba.Attach(&dev));
  EXPECT_EQ(hba.Adapter(), 0u);
  EXPECT_EQ(hba.Lun(), 0u);
}

TEST(VK4630Attach, AFailedVendorReadIsAcceptedOnlyFromABridge) {
  ScriptedOs sos;
  device::StorageDevice dev(sos);
  MiniportSeen seen;
  OpenDrive(sos, dev, device::STORAGE_NVME_MINIPORT);
  ExpectMiniport(sos, Handle(), &seen, MiniportReply{true, 0, 0, {}});
  VK4630 hba;
  EXPECT_FALSE(hba.Attach(&dev));

  // A bridge that does not pass the vendor command through.
  OpenDrive(sos, dev, device::STORAGE_PHYSICAL | device::STORAGE_NVME_BRIDGE);
  ExpectScsi(sos, Handle(), {0x3B, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00}, 0, 1024,
             DriverError());
  EXPECT_TRUE(hba.Attach(&dev));
  EXPECT_TRUE(dev.IsOpen());  // it was open before

  // ATA drives are not this object's.
  OpenDrive(sos, dev, device::STORAGE_PHYSICAL | device::STORAGE_ATA);
  EXPECT_FALSE(hba.Attach(&dev));
  EXPECT_FALSE(hba.Attach(nullptr));
}

TEST(VK4630Attach, ByControlRequestTheIdentifierMustBeInTheTable) {
  ScriptedOs sos;
  device::StorageDevice dev(sos);
  OpenDrive(sos, dev, device::STORAGE_NVME_MINIPORT);
  dev.devHaId = 4;
  MiniportSeen seen;
  VK4630 hba;

  ExpectMiniport(sos, Handle(), &seen,
                 MiniportReply{false, 0, 0, {0x9F, 0x1F, 0x34, 0x46, 0, 0, 0, 0}});
  EXPECT_TRUE(hba.AttachByControlRequest(&dev));
  EXPECT_EQ(seen.controlCode, 0xE0001C28u);
  EXPECT_EQ(seen.signature, "VkmCtrl ");
  EXPECT_EQ(seen.data.size(), 8u + 1u);  // 8 bytes of data and the record's spare byte
  EXPECT_EQ(hba.Adapter(), 4u);

  ExpectMiniport(sos, Handle(), &seen,
                 MiniportReply{false, 0, 0, {0x86, 0x80, 0x53, 0x09, 0, 0, 0, 0}});
  EXPECT_FALSE(hba.AttachByControlRequest(&dev));
  // The table's terminating zero is no identifier.
  ExpectMiniport(sos, Handle(), &seen, MiniportReply{false, 0, 0, Bytes(8, 0)});
  EXPECT_FALSE(hba.AttachByControlRequest(&dev));
  ExpectMiniport(sos, Handle(), &seen, MiniportReply{true, 0, 0, {}});
  EXPECT_FALSE(hba.AttachByControlRequest(&dev));

  // Native drives are never asked; bridges are taken on trust.
  OpenDrive(sos, dev, device::STORAGE_PHYSICAL | device::STORAGE_NVME);
  EXPECT_FALSE(hba.AttachByControlRequest(&dev));
  OpenDrive(sos, dev, device::STORAGE_PHYSICAL | device::STORAGE_NVME_BRIDGE);
  EXPECT_TRUE(hba.AttachByControlRequest(&dev));
}

}  // namespace
}  // namespace controller
