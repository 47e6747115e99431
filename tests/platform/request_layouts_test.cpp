#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstddef>

#include "platform/ata_pass_through.h"
#include "platform/nvme_pass_through.h"
#include "platform/request_buffer.h"
#include "platform/scsi_pass_through.h"
#include "platform/security.h"
#include "platform/setupapi.h"
#include "platform/storage_firmware.h"
#include "platform/storage_protocol.h"
#include "platform/usbioctl.h"
#include "platform/volume.h"
#include "support/scripted_os.h"

namespace os {
namespace {

// The pointer-carrying layouts: on a 32-bit build they are the sizes the
// storage stack documents (44 and 40 bytes); on a 64-bit build the pointer
// moves to an 8-byte boundary.
TEST(RequestLayouts, PointerCarryingLayoutsFollowThePointerSize) {
  if (sizeof(void*) == 4) {
    EXPECT_EQ(sizeof(SCSI_PASS_THROUGH_DIRECT), 44u);
    EXPECT_EQ(offsetof(SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER, ucSenseBuf), 48u);
    EXPECT_EQ(sizeof(SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER), 80u);
    EXPECT_EQ(sizeof(ATA_PASS_THROUGH_DIRECT), 40u);
    EXPECT_EQ(offsetof(ATA_PASS_THROUGH_DIRECT, PreviousTaskFile), 24u);
    EXPECT_EQ(sizeof(SP_DEVICE_INTERFACE_DATA), 28u);
    EXPECT_EQ(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A), 5u);
  } else {
    EXPECT_EQ(offsetof(SCSI_PASS_THROUGH_DIRECT, DataBuffer), 24u);
    EXPECT_EQ(offsetof(SCSI_PASS_THROUGH_DIRECT, SenseInfoOffset), 32u);
    EXPECT_EQ(offsetof(SCSI_PASS_THROUGH_DIRECT, Cdb), 36u);
    EXPECT_EQ(sizeof(SCSI_PASS_THROUGH_DIRECT), 56u);
    EXPECT_EQ(offsetof(SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER, ucSenseBuf), 60u);
    EXPECT_EQ(offsetof(ATA_PASS_THROUGH_DIRECT, DataBuffer), 24u);
    EXPECT_EQ(offsetof(ATA_PASS_THROUGH_DIRECT, PreviousTaskFile), 32u);
    EXPECT_EQ(sizeof(ATA_PASS_THROUGH_DIRECT), 48u);
    EXPECT_EQ(sizeof(SP_DEVICE_INTERFACE_DATA), 32u);
    EXPECT_EQ(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A), 8u);
  }
}

TEST(RequestLayouts, UsbConnectionInformationFieldsSitWhereTheHubDriverPutsThem) {
  EXPECT_EQ(offsetof(USB_NODE_CONNECTION_INFORMATION, DeviceDescriptor) +
                offsetof(USB_DEVICE_DESCRIPTOR, idVendor),
            12u);
  EXPECT_EQ(offsetof(USB_NODE_CONNECTION_INFORMATION, DeviceDescriptor) +
                offsetof(USB_DEVICE_DESCRIPTOR, iSerialNumber),
            20u);
  EXPECT_EQ(offsetof(USB_NODE_INFORMATION, u) + offsetof(USB_HUB_INFORMATION, HubDescriptor) +
                offsetof(USB_HUB_DESCRIPTOR, bNumberOfPorts),
            kNodeInfoNumberOfPortsOffset);
  EXPECT_EQ(offsetof(USB_DESCRIPTOR_REQUEST, SetupPacket) + offsetof(USB_SETUP_PACKET, wValue), 6u);
}

TEST(RequestBuffer, CopiesOnlyWhenTheBufferHoldsTheWholeLayout) {
  uint8_t raw[8] = {8, 0, 0, 0, 3, 0, 1, 2};
  SCSI_ADDRESS a{};
  EXPECT_FALSE(LoadRequest(raw, 7, &a));
  ASSERT_TRUE(LoadRequest(raw, sizeof raw, &a));
  EXPECT_EQ(a.Length, 8u);
  EXPECT_EQ(a.PortNumber, 3);
  EXPECT_EQ(a.Lun, 2);
  EXPECT_FALSE(StoreReply(raw, 4, a));
  EXPECT_FALSE(LoadRequest(nullptr, 100, &a));
}

TEST(OsDefaults, StorageCallsFailLikeWindowsWithoutABackend) {
  VirtualOs vos;
  EXPECT_EQ(
      vos.CreateFileA("\\\\.\\PHYSICALDRIVE0", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
      INVALID_HANDLE_VALUE);
  EXPECT_EQ(vos.GetLastError(), ERROR_FILE_NOT_FOUND);
  DWORD returned = 99;
  EXPECT_FALSE(vos.DeviceIoControl(INVALID_HANDLE_VALUE, IOCTL_SCSI_GET_ADDRESS, nullptr, 0,
                                   nullptr, 0, &returned));
  EXPECT_EQ(returned, 0u);
  EXPECT_EQ(vos.GetLogicalDrives(), 0u);
  char dir[60] = "x";
  EXPECT_EQ(vos.GetSystemDirectoryA(dir, sizeof dir), 0u);
  EXPECT_EQ(dir[0], '\0');
  OSVERSIONINFOA v{};
  EXPECT_FALSE(vos.GetVersionExA(&v));  // size field not set
  v.dwOSVersionInfoSize = sizeof v;
  ASSERT_TRUE(vos.GetVersionExA(&v));
  EXPECT_EQ(v.dwMajorVersion, 6u);
  EXPECT_EQ(vos.SetupDiGetClassDevsA(&GUID_DEVINTERFACE_DISK, nullptr, DIGCF_PRESENT),
            INVALID_HANDLE_VALUE);
}

TEST(ScriptedOs, AnswersTheScriptInOrder) {
  testsupport::ScriptedOs sos;
  const HANDLE h = testsupport::ScriptedOs::H(7);
  sos.ExpectOpen("\\\\.\\Scsi1:", h);
  sos.ExpectIoctl(IOCTL_SCSI_GET_ADDRESS).On(h).Reply({8, 0, 0, 0, 1, 0, 2, 0});
  sos.ExpectIoctl(FSCTL_LOCK_VOLUME).Fail(ERROR_ACCESS_DENIED);
  sos.ExpectClose(h);
  EXPECT_EQ(sos.CreateFileA("\\\\.\\Scsi1:", 0, 0, nullptr, OPEN_EXISTING, 0, nullptr), h);
  SCSI_ADDRESS a{};
  DWORD n = 0;
  EXPECT_TRUE(sos.DeviceIoControl(h, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &a, sizeof a, &n));
  EXPECT_EQ(n, 8u);
  EXPECT_EQ(a.PortNumber, 1);
  EXPECT_EQ(a.TargetId, 2);
  EXPECT_FALSE(sos.DeviceIoControl(h, FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &n));
  EXPECT_EQ(sos.GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(sos.CloseHandle(h));
  EXPECT_EQ(sos.Remaining(), 0u);
}

TEST(ScriptedOs, ReportsAMismatchAndAnUnusedEntry) {
  auto mismatch = [] {
    testsupport::ScriptedOs sos;
    sos.ExpectIoctl(FSCTL_LOCK_VOLUME);
    DWORD n = 0;
    EXPECT_FALSE(sos.DeviceIoControl(nullptr, FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0, &n));
    EXPECT_TRUE(sos.DeviceIoControl(nullptr, FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &n));
  };
  EXPECT_NONFATAL_FAILURE(mismatch(), "does not match");
  auto unused = [] {
    testsupport::ScriptedOs sos;
    sos.ExpectClose(nullptr);
  };
  EXPECT_NONFATAL_FAILURE(unused(), "never made");
  auto extra = [] {
    testsupport::ScriptedOs sos;
    sos.CloseHandle(nullptr);
  };
  EXPECT_NONFATAL_FAILURE(extra(), "unexpected call");
}

}  // namespace
}  // namespace os
