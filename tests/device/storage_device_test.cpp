#include "device/core/storage_device.h"

#include <gtest/gtest.h>

#include "device/core/device_identity.h"
#include "platform/storage_property.h"
#include "platform/volume.h"
#include "support/scripted_drive.h"
#include "support/scripted_requests.h"

namespace device {
namespace {

using namespace testsupport;

TEST(StorageDevice, ConstructionSetsTheDocumentedDefaults) {
  ScriptedOs sos;
  sos.majorVersion = 10;
  StorageDevice dev(sos);
  EXPECT_EQ(dev.devHaId, 255u);
  EXPECT_EQ(dev.devTarget, 0u);
  EXPECT_EQ(dev.devLun, 0u);
  EXPECT_EQ(dev.devBlockFactor, 1u);
  EXPECT_EQ(dev.devAttribute, 0u);
  EXPECT_EQ(dev.devOptions, 0u);
  EXPECT_FALSE(dev.IsOpen());
  EXPECT_EQ(dev.devTimeout, 65536u);
  EXPECT_EQ(dev.devUseBusType, 0u);
  EXPECT_EQ(dev.devOsVersion.dwOSVersionInfoSize, 148u);
  EXPECT_EQ(dev.devOsVersion.dwMajorVersion, 10u);
  EXPECT_EQ(dev.Serial(), "");
  EXPECT_EQ(dev.Model(), "");
  EXPECT_EQ(dev.Firmware(), "");
}

TEST(StorageDevice, OpensWriteThePathsAndNames) {
  ScriptedOs sos;
  StorageDevice dev(sos);
  ExpectDriveOpen(sos, "\\\\.\\PHYSICALDRIVE3", H(1));
  EXPECT_TRUE(dev.OpenPhysicalDrive(3));
  EXPECT_EQ(dev.Handle(), H(1));
  EXPECT_EQ(dev.Path(), "\\\\.\\PHYSICALDRIVE3");
  EXPECT_EQ(dev.Name(), "PHYSICALDRIVE3");

  // Opening again first closes the handle held: none is ever dropped.
  sos.ExpectClose(H(1));
  ExpectDriveOpen(sos, "\\\\.\\e:", os::INVALID_HANDLE_VALUE).Fail(os::ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(dev.OpenDriveLetter('e'));
  EXPECT_FALSE(dev.IsOpen());
  EXPECT_EQ(dev.Path(), "\\\\.\\e:");
  EXPECT_EQ(dev.Name(), "e:");

  // The SCSI port path leaves devPath alone.
  ExpectDriveOpen(sos, "\\\\.\\Scsi12:", H(2));
  EXPECT_TRUE(dev.OpenScsiPort(12));
  EXPECT_EQ(dev.Path(), "\\\\.\\e:");

  dev.devHaId = 4;
  sos.ExpectClose(H(2));
  ExpectDriveOpen(sos, "\\\\.\\Scsi4:", H(3));
  EXPECT_TRUE(dev.OpenPort());
  EXPECT_EQ(dev.Handle(), H(3));
  sos.ExpectClosedAtEnd(H(3));  // by the destructor
}

TEST(StorageDevice, TimeoutZeroMeans65536AndAddressIsSetOnlyWhileUnknown) {
  ScriptedOs sos;
  StorageDevice dev(sos);
  dev.SetTimeout(0);
  EXPECT_EQ(dev.devTimeout, 65536u);
  dev.SetTimeout(15);
  EXPECT_EQ(dev.devTimeout, 15u);
  dev.SetAddressIfUnknown(0x102, 0x203, 0x304);
  EXPECT_EQ(dev.AddressKey(), 0x020304u);  // one byte each
  dev.SetAddressIfUnknown(9, 9, 9);
  EXPECT_EQ(dev.HaId(), 0x102u);
  dev.SetNoVolumeLock(true);
  EXPECT_EQ(dev.devOptions, 1u);
  dev.SetNoVolumeLock(false);
  EXPECT_EQ(dev.devOptions, 0u);
  EXPECT_FALSE(dev.CanCarryScsi());
  dev.devAttribute = STORAGE_LOGICAL;
  EXPECT_TRUE(dev.CanCarryScsi());
}

// A drive-letter device at the given OS major version, opened by letter.
StorageDevice& LetterDevice(ScriptedOs& sos, StorageDevice& dev) {
  ExpectDriveOpen(sos, "\\\\.\\d:", H(5));
  dev.OpenDriveLetter('d');
  CloseScripted(sos, dev);
  dev.devAttribute = STORAGE_LOGICAL;
  return dev;
}

TEST(StorageDevice, ReopenOfALetterLocksAndDismountsThenCloseUnlocksAndRemounts) {
  ScriptedOs sos;
  sos.majorVersion = 6;
  StorageDevice dev(sos);
  LetterDevice(sos, dev);
  ExpectDriveOpen(sos, "\\\\.\\d:", H(6));
  sos.ExpectIoctl(os::FSCTL_LOCK_VOLUME).On(H(6));
  sos.ExpectIoctl(os::FSCTL_DISMOUNT_VOLUME).On(H(6));
  EXPECT_TRUE(dev.Reopen(false));
  EXPECT_EQ(dev.devAttribute, STORAGE_LOGICAL | STORAGE_VOLUME_LOCKED);
  sos.ExpectIoctl(os::FSCTL_UNLOCK_VOLUME).On(H(6));
  sos.ExpectIoctl(os::FSCTL_IS_VOLUME_MOUNTED).On(H(6));
  sos.ExpectClose(H(6));
  dev.Close();
  EXPECT_EQ(dev.devAttribute, STORAGE_LOGICAL);
  EXPECT_FALSE(dev.IsOpen());
  dev.Close();  // closed: no request at all
}

TEST(StorageDevice, AFailedLockClosesWithoutForceAndIsIgnoredWithForce) {
  ScriptedOs sos;
  StorageDevice dev(sos);
  LetterDevice(sos, dev);
  ExpectDriveOpen(sos, "\\\\.\\d:", H(6));
  sos.ExpectIoctl(os::FSCTL_LOCK_VOLUME).Fail(os::ERROR_ACCESS_DENIED);
  sos.ExpectClose(H(6));
  EXPECT_FALSE(dev.Reopen(false));
  EXPECT_FALSE(dev.IsOpen());

  // Dismount fails: the lock is given back.
  ExpectDriveOpen(sos, "\\\\.\\d:", H(7));
  sos.ExpectIoctl(os::FSCTL_LOCK_VOLUME);
  sos.ExpectIoctl(os::FSCTL_DISMOUNT_VOLUME).Fail(os::ERROR_ACCESS_DENIED);
  sos.ExpectIoctl(os::FSCTL_UNLOCK_VOLUME);
  EXPECT_TRUE(dev.Reopen(true));
  EXPECT_EQ(dev.devAttribute & STORAGE_VOLUME_LOCKED, 0u);
  // Close unlocks even though the lock had failed; a failed unlock sends no
  // mounted test.
  sos.ExpectIoctl(os::FSCTL_UNLOCK_VOLUME).Fail(os::ERROR_NOT_SUPPORTED);
  sos.ExpectClose(H(7));
  dev.Close();
}

TEST(StorageDevice, OnNt5TheLockDoesNotDismountAndTheUnlockDoesNotRemount) {
  ScriptedOs sos;
  sos.majorVersion = 5;
  StorageDevice dev(sos);
  LetterDevice(sos, dev);
  ExpectDriveOpen(sos, "\\\\.\\d:", H(6));
  sos.ExpectIoctl(os::FSCTL_LOCK_VOLUME);
  EXPECT_TRUE(dev.Reopen(false));
  EXPECT_NE(dev.devAttribute & STORAGE_VOLUME_LOCKED, 0u);
  sos.ExpectIoctl(os::FSCTL_UNLOCK_VOLUME);
  sos.ExpectClose(H(6));
  dev.Close();
}

TEST(StorageDevice, NoLockOptionAndPhysicalDrivesOpenWithoutLocking) {
  ScriptedOs sos;
  StorageDevice dev(sos);
  LetterDevice(sos, dev);
  dev.SetNoVolumeLock(true);
  ExpectDriveOpen(sos, "\\\\.\\d:", H(6));
  EXPECT_TRUE(dev.Reopen(false));
  // Release closes (unlocking, as a letter device), clears the path bits.
  sos.ExpectIoctl(os::FSCTL_UNLOCK_VOLUME);
  sos.ExpectIoctl(os::FSCTL_IS_VOLUME_MOUNTED);
  sos.ExpectClose(H(6));
  dev.devHaId = 3;
  dev.Release();
  EXPECT_EQ(dev.devAttribute, 0u);
  EXPECT_EQ(dev.devHaId, 255u);

  ExpectDriveOpen(sos, "\\\\.\\PHYSICALDRIVE1", H(8));
  dev.OpenPhysicalDrive(1);
  dev.devAttribute = STORAGE_PHYSICAL;
  // Reopening an open drive closes its handle before the new open.
  sos.ExpectClose(H(8));
  ExpectDriveOpen(sos, "\\\\.\\PHYSICALDRIVE1", os::INVALID_HANDLE_VALUE)
      .Fail(os::ERROR_ACCESS_DENIED);
  EXPECT_FALSE(dev.Reopen(true));
}

Bytes DeviceDescriptor(uint32_t busType) {
  Bytes b(40, 0);
  b[28] = static_cast<uint8_t>(busType);
  return b;
}

TEST(StorageDevice, BusTypeAndAddressQuery) {
  ScriptedOs sos;
  StorageDevice dev(sos);
  HoldOpen(sos, dev, H(9));
  sos.ExpectIoctl(os::IOCTL_STORAGE_QUERY_PROPERTY)
      .On(H(9))
      .Check([](const OsCall& c) {
        // StorageDeviceProperty, PropertyStandardQuery, 12-byte query, 1060-byte answer.
        EXPECT_EQ(Bytes(c.in.begin(), c.in.end()), Bytes(12, 0));
        EXPECT_EQ(c.out.size(), 1060u);
      })
      .Reply(DeviceDescriptor(11));
  sos.ExpectIoctl(os::IOCTL_SCSI_GET_ADDRESS)
      .On(H(9))
      .Check([](const OsCall& c) { EXPECT_EQ(c.out.size(), 8u); })
      .Reply({8, 0, 0, 0, 2, 1, 3, 4});
  dev.QueryBusTypeAndAddress();
  EXPECT_EQ(dev.devUseBusType, 11u);
  EXPECT_EQ(dev.devHaId, 2u);
  EXPECT_EQ(dev.devTarget, 3u);
  EXPECT_EQ(dev.devLun, 4u);
}

TEST(StorageDevice, AUsbDriveKeepsAdapter255AndAFailedQueryKeepsTheBusType) {
  ScriptedOs sos;
  StorageDevice dev(sos);
  HoldOpen(sos, dev, H(9));
  sos.ExpectIoctl(os::IOCTL_STORAGE_QUERY_PROPERTY).Reply(DeviceDescriptor(7));
  dev.QueryBusTypeAndAddress();
  EXPECT_EQ(dev.devUseBusType, 7u);
  EXPECT_EQ(dev.devHaId, 255u);

  dev.devHaId = 1;
  sos.ExpectIoctl(os::IOCTL_STORAGE_QUERY_PROPERTY).Fail(os::ERROR_INVALID_FUNCTION);
  dev.QueryBusTypeAndAddress();
  EXPECT_EQ(dev.devUseBusType, 7u);
  EXPECT_EQ(dev.devHaId, 255u);

  dev.devHaId = 1;
  sos.ExpectIoctl(os::IOCTL_STORAGE_QUERY_PROPERTY).Reply(DeviceDescriptor(17));
  sos.ExpectIoctl(os::IOCTL_SCSI_GET_ADDRESS).Fail(os::ERROR_INVALID_FUNCTION);
  dev.QueryBusTypeAndAddress();
  EXPECT_EQ(dev.devUseBusType, 17u);
  EXPECT_EQ(dev.devHaId, 255u);
}

TEST(DeviceIdentity, AtaStringsAreByteSwappedPerWord) {
  ScriptedOs sos;
  StorageDevice dev(sos);
  dev.devAttribute = STORAGE_ATA | STORAGE_PHYSICAL;
  HoldOpen(sos, dev, H(1));
  Bytes identify(512, 0);
  // Serial "S123456789ABCDEFGHIJ" as stored by the drive: each pair swapped.
  const std::string serial = "1S32547698BADCFEHGJI";
  const std::string model = "KV6402TX 2";
  const std::string fw = "3V0.1V00";
  std::copy(serial.begin(), serial.end(), identify.begin() + 20);
  std::copy(fw.begin(), fw.end(), identify.begin() + 46);
  std::fill(identify.begin() + 54, identify.begin() + 94, ' ');
  std::copy(model.begin(), model.end(), identify.begin() + 54);
  ExpectAta(sos, H(1), 0x03, {0, 1, 0, 0, 0, 0xE0, 0xEC}, 512, AtaGood(identify));
  FillIdentityStrings(dev);
  EXPECT_EQ(dev.Serial(), "S123456789ABCDEFGHIJ");
  EXPECT_EQ(dev.Firmware(), "V3.0V100");
  EXPECT_EQ(dev.Model(), "VK4620XT2                               ");
}

TEST(DeviceIdentity, NvmeStringsAreTakenAsTheyStandAndAFailedIdentifyLeavesThemEmpty) {
  ScriptedOs sos;
  StorageDevice dev(sos);
  dev.devAttribute = STORAGE_NVME | STORAGE_PHYSICAL;
  HoldOpen(sos, dev, H(1));
  Bytes identify(4096, ' ');
  const std::string serial = "NV0001";
  const std::string model = "VK4630 NVMe SSD";
  const std::string fw = "FW463001";
  std::copy(serial.begin(), serial.end(), identify.begin() + 4);
  std::copy(model.begin(), model.end(), identify.begin() + 24);
  std::copy(fw.begin(), fw.end(), identify.begin() + 64);
  sos.ExpectIoctl(os::IOCTL_STORAGE_QUERY_PROPERTY).Respond([identify](OsCall& c) {
    std::copy(identify.begin(), identify.end(), c.out.begin() + 48);
    return true;
  });
  FillIdentityStrings(dev);
  EXPECT_EQ(dev.Serial(), "NV0001              ");
  EXPECT_EQ(dev.Model(), "VK4630 NVMe SSD                         ");
  EXPECT_EQ(dev.Firmware(), "FW463001");

  sos.ExpectIoctl(os::IOCTL_STORAGE_QUERY_PROPERTY).Fail(os::ERROR_IO_DEVICE);
  FillIdentityStrings(dev);
  EXPECT_EQ(dev.Serial(), "");
  EXPECT_EQ(dev.Firmware(), "");

  // A vendor flash device is not asked at all.
  dev.devAttribute = STORAGE_VKM_UFD | STORAGE_PHYSICAL;
  FillIdentityStrings(dev);
  EXPECT_EQ(dev.Model(), "");
}

TEST(DeviceIdentity, CapacityIsLastLbaPlusOneWithTheBlockFactor) {
  ScriptedOs sos;
  StorageDevice dev(sos);
  dev.devAttribute = STORAGE_PHYSICAL;
  HoldOpen(sos, dev, H(1));
  ExpectScsi(sos, H(1), {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 1, 8,
             Good({0x00, 0x3F, 0xFF, 0xFF, 0x00, 0x00, 0x10, 0x00}));
  ReadDeviceCapacity(dev);
  EXPECT_EQ(dev.Capacity(), 0x400000u);
  EXPECT_EQ(dev.devBlockFactor, 8u);

  ExpectScsi(sos, H(1), {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 1, 8, Good({0, 0, 0, 0, 0, 0, 0, 0}));
  ReadDeviceCapacity(dev);
  EXPECT_EQ(dev.Capacity(), 0u);  // a reported 0 stays 0
  EXPECT_EQ(dev.devBlockFactor, 1u);

  // Opened only through its port: no request, capacity 0.
  dev.devAttribute = STORAGE_NVME_MINIPORT | STORAGE_SCSI_PORT;
  ReadDeviceCapacity(dev);
  EXPECT_EQ(dev.Capacity(), 0u);
}

}  // namespace
}  // namespace device
