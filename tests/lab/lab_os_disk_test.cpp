// The edge answering disk and volume requests the way Windows does: opens,
// system facts, the property query, addresses, numbers, extents, volume
// locks, SCSI and ATA pass-through, raw transfers.
#include <gtest/gtest.h>

#include "common/bytes.h"
#include "lab/support/requests.h"
#include "lab/support/test_lab.h"
#include "platform/volume.h"

namespace lab {
namespace {

using Bytes = std::vector<uint8_t>;
using labtest::OpenDevice;

TEST(LabOsOpen, DeviceNamesOpenAndEverythingElseIsNotFound) {
  labtest::TestLab lab;
  os::Os& o = lab.Os();
  for (const char* name : {"\\\\.\\PHYSICALDRIVE0", "\\\\.\\physicaldrive6", "\\\\.\\C:",
                           "\\\\.\\d:", "\\\\.\\Scsi2:", "\\\\.\\SCSI5:", "\\\\.\\HCD0"}) {
    os::HANDLE h = OpenDevice(o, name);
    EXPECT_NE(h, os::INVALID_HANDLE_VALUE) << name;
    EXPECT_TRUE(o.CloseHandle(h));
  }
  for (const char* name :
       {"\\\\.\\PHYSICALDRIVE7", "\\\\.\\PHYSICALDRIVE0x", "\\\\.\\PHYSICALDRIVE", "\\\\.\\Q:",
        "\\\\.\\Scsi9:", "\\\\.\\Scsi:", "\\\\.\\HCD1", "C:\\Windows\\notepad.exe", ""}) {
    o.SetLastError(0);
    EXPECT_EQ(OpenDevice(o, name), os::INVALID_HANDLE_VALUE) << name;
    EXPECT_EQ(o.GetLastError(), os::ERROR_FILE_NOT_FOUND) << name;
  }
  os::HANDLE h = OpenDevice(o, "\\\\.\\PHYSICALDRIVE1");
  ASSERT_TRUE(o.CloseHandle(h));
  EXPECT_FALSE(o.CloseHandle(h));
  EXPECT_EQ(o.GetLastError(), os::ERROR_INVALID_HANDLE);
  EXPECT_EQ(lab.Os().OpenHandleCount(), 0u);
}

TEST(LabOsOpen, WithoutAdministratorRightsDrivesOpenOnlyForQueries) {
  std::string ini = labtest::kReferenceLab;
  ini.insert(ini.find("[Machine]") + 10, "Administrator=0\n");
  labtest::TestLab lab(ini);
  os::Os& o = lab.Os();
  EXPECT_EQ(OpenDevice(o, "\\\\.\\PHYSICALDRIVE1"), os::INVALID_HANDLE_VALUE);
  EXPECT_EQ(o.GetLastError(), os::ERROR_ACCESS_DENIED);
  os::HANDLE q = o.CreateFileA("\\\\.\\PHYSICALDRIVE1", 0, os::FILE_SHARE_READ, nullptr,
                               os::OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(q, os::INVALID_HANDLE_VALUE);
  EXPECT_NE(OpenDevice(o, "\\\\.\\HCD0"), os::INVALID_HANDLE_VALUE);
}

TEST(LabOsFacts, LettersSystemFolderAndVersion) {
  labtest::TestLab lab;
  os::Os& o = lab.Os();
  EXPECT_EQ(o.GetLogicalDrives(), 0x0Cu);  // C: and D:
  char small[5];
  EXPECT_EQ(o.GetSystemDirectoryA(small, sizeof small), 20u);  // 19 characters and the NUL
  char dir[60];
  EXPECT_EQ(o.GetSystemDirectoryA(dir, sizeof dir), 19u);
  EXPECT_STREQ(dir, "C:\\Windows\\system32");
  os::OSVERSIONINFOA v{};
  v.dwOSVersionInfoSize = sizeof v;
  ASSERT_TRUE(o.GetVersionExA(&v));
  EXPECT_EQ(v.dwMajorVersion, 6u);
  EXPECT_EQ(v.dwMinorVersion, 2u);
}

TEST(LabOsDisk, PropertyQueryReportsBusTypeAndStringsPerAttachment) {
  labtest::TestLab lab;
  os::Os& o = lab.Os();
  struct Expect {
    const char* path;
    uint32_t bus;
    const char* vendor;
    const char* product;
  };
  const Expect expect[] = {
      {"\\\\.\\PHYSICALDRIVE1", 11, "", "VKM VK4610XT SSD"},
      {"\\\\.\\PHYSICALDRIVE2", 17, "NVMe", "VKM VK4630 NVMe"},
      {"\\\\.\\PHYSICALDRIVE3", 17, "NVMe", "VKM VK4630 Mini"},
      {"\\\\.\\PHYSICALDRIVE4", 7, "ATA", "VKM VK4620XT2 SS"},
      {"\\\\.\\PHYSICALDRIVE5", 7, "NVMe", "VKM VK4630 USB"},
      {"\\\\.\\PHYSICALDRIVE6", 7, "VKM", "Flash Disk"},
  };
  for (const Expect& e : expect) {
    os::HANDLE h = OpenDevice(o, e.path);
    const Bytes d = labtest::QueryDescriptor(o, h);
    ASSERT_GE(d.size(), 40u) << e.path;
    EXPECT_EQ(common::ReadLe32(d, 28), e.bus) << e.path;  // BusType
    EXPECT_EQ(labtest::StringAt(d, common::ReadLe32(d, 12)), e.vendor) << e.path;
    EXPECT_EQ(labtest::StringAt(d, common::ReadLe32(d, 16)), e.product) << e.path;
    EXPECT_EQ(common::ReadLe32(d, 4), d.size()) << e.path;  // Size
    o.CloseHandle(h);
  }
  os::HANDLE h = OpenDevice(o, "\\\\.\\PHYSICALDRIVE6");
  EXPECT_EQ(labtest::QueryDescriptor(o, h)[10], 1);  // RemovableMedia: a flash device
  // A short buffer gets the head, with the size of the whole.
  const Bytes head = labtest::QueryDescriptor(o, h, 8);
  ASSERT_EQ(head.size(), 8u);
  EXPECT_GT(common::ReadLe32(head, 4), 40u);
  EXPECT_TRUE(labtest::QueryDescriptor(o, h, 4).empty());
  EXPECT_EQ(o.GetLastError(), os::ERROR_INSUFFICIENT_BUFFER);
  os::STORAGE_PROPERTY_QUERY q{};
  q.PropertyId = 99;
  Bytes out(64);
  os::DWORD n = 0;
  EXPECT_FALSE(
      o.DeviceIoControl(h, os::IOCTL_STORAGE_QUERY_PROPERTY, &q, sizeof q, out.data(), 64, &n));
  EXPECT_EQ(o.GetLastError(), os::ERROR_NOT_SUPPORTED);
}

TEST(LabOsDisk, AddressNumberAndExtents) {
  labtest::TestLab lab;
  os::Os& o = lab.Os();
  os::SCSI_ADDRESS a{};
  os::DWORD n = 0;
  os::HANDLE d1 = OpenDevice(o, "\\\\.\\PHYSICALDRIVE1");
  ASSERT_TRUE(o.DeviceIoControl(d1, os::IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &a, sizeof a, &n));
  EXPECT_EQ(n, 8u);
  EXPECT_EQ(a.Length, 8u);
  EXPECT_EQ(a.PortNumber, 0);  // both SATA disks on the AHCI port
  EXPECT_EQ(a.TargetId, 1);
  os::HANDLE d5 = OpenDevice(o, "\\\\.\\PHYSICALDRIVE5");
  ASSERT_TRUE(o.DeviceIoControl(d5, os::IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &a, sizeof a, &n));
  EXPECT_EQ(a.PortNumber, 4);  // one port per USB device
  EXPECT_FALSE(o.DeviceIoControl(d5, os::IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &a, 4, &n));
  EXPECT_EQ(o.GetLastError(), os::ERROR_INSUFFICIENT_BUFFER);

  os::HANDLE vol = OpenDevice(o, "\\\\.\\D:");
  os::STORAGE_DEVICE_NUMBER num{};
  ASSERT_TRUE(o.DeviceIoControl(vol, os::IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &num,
                                sizeof num, &n));
  EXPECT_EQ(num.DeviceType, 7u);
  EXPECT_EQ(num.DeviceNumber, 1u);
  EXPECT_EQ(num.PartitionNumber, 1u);

  Bytes ext(32);
  ASSERT_TRUE(o.DeviceIoControl(vol, os::IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0,
                                ext.data(), 32, &n));
  EXPECT_EQ(n, 32u);
  EXPECT_EQ(common::ReadLe32(ext, 0), 1u);         // one extent
  EXPECT_EQ(common::ReadLe32(ext, 8), 1u);         // on disk 1
  EXPECT_EQ(common::ReadLe64(ext, 16), 1u << 20);  // from 1 MiB
  EXPECT_EQ(common::ReadLe64(ext, 24), (64u << 20) - (1u << 20));
  // A disk handle is no volume.
  EXPECT_FALSE(o.DeviceIoControl(d1, os::IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0,
                                 ext.data(), 32, &n));
  EXPECT_EQ(o.GetLastError(), os::ERROR_INVALID_FUNCTION);
}

TEST(LabOsDisk, AVolumeOnTwoDisksReportsMoreData) {
  labtest::TestLab lab(
      "[Disk0]\nAttachment=sata\nCapacity=4MiB\nLetters=E\n"
      "[Disk1]\nAttachment=sata\nCapacity=4MiB\nLetters=E\n");
  os::Os& o = lab.Os();
  os::HANDLE vol = OpenDevice(o, "\\\\.\\E:");
  Bytes ext(32);
  os::DWORD n = 0;
  EXPECT_FALSE(o.DeviceIoControl(vol, os::IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0,
                                 ext.data(), 32, &n));
  EXPECT_EQ(o.GetLastError(), os::ERROR_MORE_DATA);
  EXPECT_EQ(common::ReadLe32(ext, 0), 2u);
  Bytes both(56);
  ASSERT_TRUE(o.DeviceIoControl(vol, os::IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0,
                                both.data(), 56, &n));
  EXPECT_EQ(common::ReadLe32(both, 32), 1u);  // the second extent's disk
}

TEST(LabOsDisk, VolumeLockingFollowsTheFileSystemsRules) {
  labtest::TestLab lab;
  os::Os& o = lab.Os();
  os::DWORD n = 0;
  os::HANDLE c = OpenDevice(o, "\\\\.\\C:");
  EXPECT_FALSE(o.DeviceIoControl(c, os::FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &n));
  EXPECT_EQ(o.GetLastError(), os::ERROR_ACCESS_DENIED);  // the system volume
  EXPECT_FALSE(o.DeviceIoControl(c, os::FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0, &n));

  os::HANDLE d = OpenDevice(o, "\\\\.\\D:");
  os::HANDLE other = OpenDevice(o, "\\\\.\\D:");
  EXPECT_FALSE(o.DeviceIoControl(d, os::FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &n));
  EXPECT_EQ(o.GetLastError(), os::ERROR_ACCESS_DENIED);  // another handle is open
  o.CloseHandle(other);
  ASSERT_TRUE(o.DeviceIoControl(d, os::FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &n));
  ASSERT_TRUE(o.DeviceIoControl(d, os::FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0, &n));
  other = OpenDevice(o, "\\\\.\\D:");
  EXPECT_FALSE(o.DeviceIoControl(other, os::FSCTL_UNLOCK_VOLUME, nullptr, 0, nullptr, 0, &n));
  EXPECT_EQ(o.GetLastError(), 158u);  // not locked by this handle
  EXPECT_TRUE(o.DeviceIoControl(d, os::FSCTL_UNLOCK_VOLUME, nullptr, 0, nullptr, 0, &n));
  EXPECT_TRUE(o.DeviceIoControl(d, os::FSCTL_IS_VOLUME_MOUNTED, nullptr, 0, nullptr, 0, &n));
  EXPECT_TRUE(lab.Machine().VolumeByLetter('D')->mounted);

  os::HANDLE disk = OpenDevice(o, "\\\\.\\PHYSICALDRIVE1");
  EXPECT_FALSE(o.DeviceIoControl(disk, os::FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &n));
  EXPECT_EQ(o.GetLastError(), os::ERROR_INVALID_FUNCTION);
}

TEST(LabOsScsi, PassThroughReturnsDataStatusAndSenseWhereAsked) {
  labtest::TestLab lab;
  os::Os& o = lab.Os();
  os::HANDLE h = OpenDevice(o, "\\\\.\\PHYSICALDRIVE1");
  Bytes cap(8);
  labtest::ScsiOutcome r = labtest::SendScsi(o, h, {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, cap, true);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.block.sptd.ScsiStatus, 0);
  EXPECT_EQ(r.block.sptd.SenseInfoLength, 0);
  EXPECT_EQ(r.block.sptd.DataTransferLength, 8u);
  EXPECT_EQ(cap, (Bytes{0x00, 0x01, 0xFF, 0xFF, 0x00, 0x00, 0x02, 0x00}));

  // A CHECK CONDITION is a successful request; the sense sits where the
  // request's SenseInfoOffset says.
  Bytes page(64);
  r = labtest::SendScsi(o, h, {0x12, 0x01, 0x80, 0x00, 0x40, 0x00}, page, true);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.block.sptd.ScsiStatus, 2);
  EXPECT_EQ(r.block.sptd.SenseInfoLength, 18);
  EXPECT_EQ(r.bytes, offsetof(os::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER, ucSenseBuf) + 18u);
  EXPECT_EQ(r.block.ucSenseBuf[0], 0x70);
  EXPECT_EQ(r.block.ucSenseBuf[2], 0x05);
  EXPECT_EQ(r.block.ucSenseBuf[12], 0x24);

  // SAT with CK_COND through a USB bridge: descriptor sense, status register.
  os::HANDLE usb = OpenDevice(o, "\\\\.\\PHYSICALDRIVE4");
  Bytes none;
  r = labtest::SendScsi(o, usb,
                        {0x85, 0x06, 0x20, 0, 0xD8, 0, 0, 0, 0, 0, 0x4F, 0, 0xC2, 0xA0, 0xB0, 0},
                        none, false);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.block.sptd.ScsiStatus, 2);
  EXPECT_EQ(r.block.ucSenseBuf[8], 0x09);
  EXPECT_EQ(r.block.ucSenseBuf[21], 0x50);
}

TEST(LabOsScsi, MalformedRequestsAreInvalidParameters) {
  labtest::TestLab lab;
  os::Os& o = lab.Os();
  os::HANDLE h = OpenDevice(o, "\\\\.\\PHYSICALDRIVE1");
  Bytes big((2u << 20) + 512);
  labtest::ScsiOutcome r =
      labtest::SendScsi(o, h, {0x28, 0, 0, 0, 0, 0, 0, 0x10, 0x01, 0}, big, true);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, os::ERROR_INVALID_PARAMETER);  // beyond the port's transfer limit

  os::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER b{};
  b.sptd.Length = 40;  // not the size of the block
  b.sptd.CdbLength = 6;
  os::DWORD n = 0;
  EXPECT_FALSE(
      o.DeviceIoControl(h, os::IOCTL_SCSI_PASS_THROUGH_DIRECT, &b, sizeof b, &b, sizeof b, &n));
  EXPECT_EQ(o.GetLastError(), os::ERROR_INVALID_PARAMETER);
  b.sptd.Length = sizeof b.sptd;
  b.sptd.CdbLength = 17;
  EXPECT_FALSE(
      o.DeviceIoControl(h, os::IOCTL_SCSI_PASS_THROUGH_DIRECT, &b, sizeof b, &b, sizeof b, &n));
  b.sptd.CdbLength = 6;
  b.sptd.SenseInfoLength = 32;
  b.sptd.SenseInfoOffset = sizeof b;  // past the output
  EXPECT_FALSE(
      o.DeviceIoControl(h, os::IOCTL_SCSI_PASS_THROUGH_DIRECT, &b, sizeof b, &b, sizeof b, &n));
  b.sptd.SenseInfoOffset = offsetof(os::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER, ucSenseBuf);
  b.sptd.DataTransferLength = 512;  // data without a buffer
  EXPECT_FALSE(
      o.DeviceIoControl(h, os::IOCTL_SCSI_PASS_THROUGH_DIRECT, &b, sizeof b, &b, sizeof b, &n));
  EXPECT_EQ(o.GetLastError(), os::ERROR_INVALID_PARAMETER);
  EXPECT_FALSE(o.DeviceIoControl(os::HandleFromValue(0x12345), os::IOCTL_SCSI_PASS_THROUGH_DIRECT,
                                 &b, sizeof b, &b, sizeof b, &n));
  EXPECT_EQ(o.GetLastError(), os::ERROR_INVALID_HANDLE);
}

TEST(LabOsScsi, TransportFaultsFailAtTheirStepAndASilentBridgeTimesOut) {
  std::string ini = labtest::kReferenceLab;
  ini.insert(ini.find("[Disk5]"), "FailTransport=scsi:0x25@2\n\n");
  ini.insert(ini.find("[Disk6]"), "BridgeSilent=1\n\n");
  labtest::TestLab lab(ini);
  os::Os& o = lab.Os();
  os::HANDLE h = OpenDevice(o, "\\\\.\\PHYSICALDRIVE4");
  Bytes cap(8);
  const Bytes rc{0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(labtest::SendScsi(o, h, rc, cap, true).block.sptd.ScsiStatus, 0);
  const labtest::ScsiOutcome second = labtest::SendScsi(o, h, rc, cap, true);
  EXPECT_EQ(second.block.sptd.ScsiStatus, 2);
  EXPECT_EQ(second.block.ucSenseBuf[2], 0x04);  // HARDWARE ERROR
  EXPECT_EQ(labtest::SendScsi(o, h, rc, cap, true).block.sptd.ScsiStatus, 0);

  os::HANDLE dead = OpenDevice(o, "\\\\.\\PHYSICALDRIVE5");
  ASSERT_NE(dead, os::INVALID_HANDLE_VALUE);  // it opens
  const uint64_t before = lab.Os().GetTickCount64();
  const labtest::ScsiOutcome r = labtest::SendScsi(o, dead, rc, cap, true, 5);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, os::ERROR_SEM_TIMEOUT);
  EXPECT_EQ(lab.Os().GetTickCount64() - before, 5000u);  // the time-out, in virtual time
}

TEST(LabOsAta, DirectPassThroughOnlyOnTheAhciPort) {
  labtest::TestLab lab;
  os::Os& o = lab.Os();
  os::HANDLE h = OpenDevice(o, "\\\\.\\PHYSICALDRIVE1");
  alignas(16) uint8_t buf[512 + 16] = {};
  os::ATA_PASS_THROUGH_DIRECT apt{};
  apt.Length = sizeof apt;
  apt.AtaFlags = os::ATA_FLAGS_DRDY_REQUIRED | os::ATA_FLAGS_DATA_IN;
  apt.DataTransferLength = 512;
  apt.TimeOutValue = 5;
  apt.DataBuffer = buf;
  const uint8_t identify[8] = {0x00, 0x01, 0x00, 0x00, 0x00, 0xE0, 0xEC, 0x00};
  std::memcpy(apt.CurrentTaskFile, identify, 8);
  os::DWORD n = 0;
  ASSERT_TRUE(o.DeviceIoControl(h, os::IOCTL_ATA_PASS_THROUGH_DIRECT, &apt, sizeof apt, &apt,
                                sizeof apt, &n));
  EXPECT_EQ(apt.CurrentTaskFile[6], 0x50);               // status
  EXPECT_EQ(std::string(buf + 20, buf + 26), "KV01NS");  // "VK10SN" in swapped pairs
  const AtaCommand& sent = lab.Fakes().Ata("Disk1")->commands.back();
  EXPECT_EQ(sent.current.command, 0xEC);
  EXPECT_EQ(sent.current.device, 0xE0);
  EXPECT_EQ(sent.data.size(), 512u);

  // An error status still completes the request; the registers tell.
  AtaResult fail;
  fail.current = {0x04, 0, 0, 0, 0, 0xE0, 0x51};
  lab.Fakes().Ata("Disk1")->scripted[0xEC] = fail;
  ASSERT_TRUE(o.DeviceIoControl(h, os::IOCTL_ATA_PASS_THROUGH_DIRECT, &apt, sizeof apt, &apt,
                                sizeof apt, &n));
  EXPECT_EQ(apt.CurrentTaskFile[6], 0x51);
  EXPECT_EQ(apt.CurrentTaskFile[0], 0x04);

  // Misaligned data and data without a direction are refused.
  apt.DataBuffer = buf + 1;
  EXPECT_FALSE(o.DeviceIoControl(h, os::IOCTL_ATA_PASS_THROUGH_DIRECT, &apt, sizeof apt, &apt,
                                 sizeof apt, &n));
  EXPECT_EQ(o.GetLastError(), os::ERROR_INVALID_PARAMETER);
  apt.DataBuffer = buf;
  apt.AtaFlags = os::ATA_FLAGS_DRDY_REQUIRED;
  EXPECT_FALSE(o.DeviceIoControl(h, os::IOCTL_ATA_PASS_THROUGH_DIRECT, &apt, sizeof apt, &apt,
                                 sizeof apt, &n));

  apt.AtaFlags = os::ATA_FLAGS_DRDY_REQUIRED | os::ATA_FLAGS_DATA_IN;
  os::HANDLE usb = OpenDevice(o, "\\\\.\\PHYSICALDRIVE4");
  EXPECT_FALSE(o.DeviceIoControl(usb, os::IOCTL_ATA_PASS_THROUGH_DIRECT, &apt, sizeof apt, &apt,
                                 sizeof apt, &n));
  EXPECT_EQ(o.GetLastError(), os::ERROR_INVALID_FUNCTION);
  os::HANDLE nvme = OpenDevice(o, "\\\\.\\PHYSICALDRIVE2");
  EXPECT_FALSE(o.DeviceIoControl(nvme, os::IOCTL_ATA_PASS_THROUGH_DIRECT, &apt, sizeof apt, &apt,
                                 sizeof apt, &n));
  EXPECT_EQ(o.GetLastError(), os::ERROR_NOT_SUPPORTED);
}

TEST(LabOsAta, FortyEightBitCommandsCarryThePreviousTaskFile) {
  labtest::TestLab lab;
  os::Os& o = lab.Os();
  os::HANDLE h = OpenDevice(o, "\\\\.\\PHYSICALDRIVE1");
  alignas(16) uint8_t buf[512] = {};
  os::ATA_PASS_THROUGH_DIRECT apt{};
  apt.Length = sizeof apt;
  apt.AtaFlags = os::ATA_FLAGS_DRDY_REQUIRED | os::ATA_FLAGS_DATA_IN | os::ATA_FLAGS_48BIT_COMMAND |
                 os::ATA_FLAGS_USE_DMA;
  apt.DataTransferLength = 512;
  apt.DataBuffer = buf;
  const uint8_t prev[8] = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  const uint8_t cur[8] = {0x00, 0x01, 0x10, 0x00, 0x00, 0x40, 0x25, 0x00};
  std::memcpy(apt.PreviousTaskFile, prev, 8);
  std::memcpy(apt.CurrentTaskFile, cur, 8);
  os::DWORD n = 0;
  ASSERT_TRUE(o.DeviceIoControl(h, os::IOCTL_ATA_PASS_THROUGH_DIRECT, &apt, sizeof apt, &apt,
                                sizeof apt, &n));
  const AtaCommand& sent = lab.Fakes().Ata("Disk1")->commands.back();
  EXPECT_TRUE(sent.extended);
  EXPECT_TRUE(sent.dma);
  EXPECT_EQ(sent.current.lbaLow, 0x10);
  EXPECT_EQ(apt.CurrentTaskFile[6], 0x50);
}

TEST(LabOsFiles, RawTransfersMoveWholeSectorsAtTheFilePointer) {
  labtest::TestLab lab;
  os::Os& o = lab.Os();
  os::HANDLE h = OpenDevice(o, "\\\\.\\PHYSICALDRIVE1");
  Bytes data(1024);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i % 251);
  os::LONG high = 0;
  EXPECT_EQ(o.SetFilePointer(h, 1 << 20, &high, os::FILE_BEGIN), 1u << 20);
  os::DWORD n = 0;
  // D: is mounted on this disk: its sectors are out of bounds for the disk
  // handle until the volume is dismounted; the partition table is not.
  EXPECT_FALSE(o.WriteFile(h, data.data(), 1024, &n));
  EXPECT_EQ(o.GetLastError(), os::ERROR_ACCESS_DENIED);
  o.SetFilePointer(h, 0, nullptr, os::FILE_BEGIN);
  EXPECT_TRUE(o.WriteFile(h, data.data(), 512, &n));
  os::HANDLE d = OpenDevice(o, "\\\\.\\D:");
  ASSERT_TRUE(o.DeviceIoControl(d, os::FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0, &n));
  o.CloseHandle(d);
  o.SetFilePointer(h, 1 << 20, nullptr, os::FILE_BEGIN);
  ASSERT_TRUE(o.WriteFile(h, data.data(), 1024, &n));
  EXPECT_EQ(n, 1024u);
  Bytes onMedia(1024);
  ASSERT_TRUE(lab.Machine().DiskByNumber(1)->GetMedia().Read(2048, 2, onMedia.data()));
  EXPECT_EQ(onMedia, data);

  // Through the volume the same bytes sit at its start (the partition is at 1 MiB).
  os::HANDLE v = OpenDevice(o, "\\\\.\\D:");
  Bytes back(1024);
  ASSERT_TRUE(o.ReadFile(v, back.data(), 1024, &n));
  EXPECT_EQ(back, data);
  EXPECT_FALSE(o.WriteFile(v, data.data(), 512, &n));  // mounted: refused
  EXPECT_EQ(o.GetLastError(), os::ERROR_ACCESS_DENIED);
  ASSERT_TRUE(o.DeviceIoControl(v, os::FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &n));
  EXPECT_TRUE(o.WriteFile(v, data.data(), 512, &n));

  EXPECT_FALSE(o.ReadFile(h, back.data(), 100, &n));
  EXPECT_EQ(o.GetLastError(), os::ERROR_INVALID_PARAMETER);  // not whole sectors
  EXPECT_EQ(o.SetFilePointer(h, -1, nullptr, os::FILE_BEGIN), os::INVALID_SET_FILE_POINTER);
  EXPECT_EQ(o.GetLastError(), os::ERROR_NEGATIVE_SEEK);
  high = 0;
  EXPECT_EQ(o.SetFilePointer(h, 0, &high, os::FILE_END), 64u << 20);
  ASSERT_TRUE(o.ReadFile(h, back.data(), 512, &n));
  EXPECT_EQ(n, 0u);  // at the end
  EXPECT_FALSE(o.WriteFile(h, data.data(), 512, &n));
  EXPECT_EQ(o.GetLastError(), os::ERROR_SECTOR_NOT_FOUND);
}

TEST(LabOsFiles, AnUnreadableSectorFailsTheReadWithADataError) {
  std::string ini = labtest::kReferenceLab;
  ini.insert(ini.find("[Disk2]"), "UnreadableSectors=10\n\n");
  labtest::TestLab lab(ini);
  os::Os& o = lab.Os();
  os::HANDLE h = OpenDevice(o, "\\\\.\\PHYSICALDRIVE1");
  Bytes buf(8 * 512);
  os::DWORD n = 0;
  o.SetFilePointer(h, 8 * 512, nullptr, os::FILE_BEGIN);
  EXPECT_FALSE(o.ReadFile(h, buf.data(), static_cast<os::DWORD>(buf.size()), &n));
  EXPECT_EQ(o.GetLastError(), os::ERROR_CRC);
  EXPECT_EQ(n, 0u);
}

}  // namespace
}  // namespace lab
