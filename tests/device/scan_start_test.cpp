#include <gtest/gtest.h>

#include "device/discovery/aspi_lib.h"
#include "platform/setupapi.h"
#include "support/scripted_drive.h"
#include "support/scripted_requests.h"

namespace device {
namespace {

using namespace testsupport;

TEST(AspiLibScan, WithoutTheDiskDeviceSetTheScanFailsWithAnEmptyList) {
  ScriptedOs sos;
  AspiLib lib(sos);
  sos.Expect("OpenProcessToken").Returns(H(0x70));
  sos.Expect("LookupPrivilegeValueA").Check([](const OsCall& c) {
    EXPECT_EQ(c.text, "SeLoadDriverPrivilege");
  });
  sos.Expect("AdjustTokenPrivileges");
  sos.ExpectClose(H(0x70));
  sos.Expect("SetupDiGetClassDevsA")
      .Check([](const OsCall& c) {
        EXPECT_TRUE(*c.guid == os::GUID_DEVINTERFACE_DISK);
        EXPECT_EQ(c.code, os::DIGCF_PRESENT | os::DIGCF_DEVICEINTERFACE);
      })
      .Fail(os::ERROR_ACCESS_DENIED);
  EXPECT_FALSE(lib.Scan(SCAN_ATA_BUS | SCAN_NVME_MINIPORT, 5, ScanSettings{}));
  EXPECT_EQ(lib.Count(), 0);
}

TEST(AspiLibScan, AnEmptyMachineListsNothingAndProbesEveryPortOnce) {
  ScriptedOs sos;
  sos.Trace().SetCapture(true);
  AspiLib lib(sos);
  sos.Expect("OpenProcessToken").Fail(os::ERROR_ACCESS_DENIED);  // not elevated: go on
  sos.Expect("SetupDiGetClassDevsA").Returns(H(0x30));
  for (int k = 0; k < 10; ++k)
    sos.ExpectOpen("\\\\.\\HCD" + std::to_string(k), os::INVALID_HANDLE_VALUE)
        .Fail(os::ERROR_FILE_NOT_FOUND);
  sos.Expect("SetupDiEnumDeviceInfo").Fail(os::ERROR_NO_MORE_ITEMS);
  for (int p = 0; p < 255; ++p)
    ExpectDriveOpen(sos, "\\\\.\\Scsi" + std::to_string(p) + ":", os::INVALID_HANDLE_VALUE)
        .Fail(os::ERROR_FILE_NOT_FOUND);
  sos.Expect("SetupDiDestroyDeviceInfoList").On(H(0x30));
  EXPECT_TRUE(lib.Scan(SCAN_ATA_BUS | SCAN_NVME_MINIPORT, 5, ScanSettings{}));
  EXPECT_EQ(lib.Count(), 0);
  EXPECT_TRUE(sos.Trace().Contains("[VKM_SCAN] Initialize: devQty = 0"));
}

}  // namespace
}  // namespace device
