// The drive owns its handle: closed once by whoever holds it last, never
// dropped by a move, and opened for a scope only when it was closed.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "device/core/open_scope.h"
#include "device/core/storage_device.h"
#include "platform/volume.h"
#include "support/scripted_drive.h"
#include "support/scripted_requests.h"

namespace device {
namespace {

using namespace testsupport;

size_t Closes(const ScriptedOs& sos) {
  size_t n = 0;
  for (const OsCall& c : sos.Calls()) n += c.api == "CloseHandle" ? 1 : 0;
  return n;
}

TEST(OwnedHandle, DestroyingALockedVolumeUnlocksAndClosesIt) {
  ScriptedOs sos;
  {
    StorageDevice dev(sos);
    dev.devAttribute = STORAGE_LOGICAL;
    SetPath(dev, "\\\\.\\f:");
    ExpectDriveOpen(sos, "\\\\.\\f:", H(4));
    sos.ExpectIoctl(os::FSCTL_LOCK_VOLUME).On(H(4));
    sos.ExpectIoctl(os::FSCTL_DISMOUNT_VOLUME).On(H(4));
    ASSERT_TRUE(dev.Reopen(false));
    sos.ExpectIoctl(os::FSCTL_UNLOCK_VOLUME).On(H(4));
    sos.ExpectIoctl(os::FSCTL_IS_VOLUME_MOUNTED).On(H(4));
    sos.ExpectClose(H(4));
  }
  EXPECT_EQ(sos.Remaining(), 0u);
}

TEST(OwnedHandle, AMoveTakesTheHandleAndLeavesTheSourceClosed) {
  ScriptedOs sos;
  StorageDevice source(sos);
  SetPath(source, "\\\\.\\PHYSICALDRIVE2");
  source.devAttribute = STORAGE_PHYSICAL;
  HoldOpen(sos, source, H(3));

  StorageDevice moved(std::move(source));
  EXPECT_FALSE(source.IsOpen());
  EXPECT_EQ(moved.Handle(), H(3));
  EXPECT_EQ(moved.Path(), "\\\\.\\PHYSICALDRIVE2");
  EXPECT_EQ(moved.devAttribute, STORAGE_PHYSICAL);
  source.Close();  // nothing left to close
  EXPECT_EQ(Closes(sos), 0u);
}

TEST(OwnedHandle, MoveAssignmentClosesTheTargetsOwnHandleFirst) {
  ScriptedOs sos;
  StorageDevice a(sos);
  StorageDevice b(sos);
  HoldOpen(sos, a, H(1));
  HoldOpen(sos, b, H(2));
  sos.ExpectClose(H(2));
  b = std::move(a);
  EXPECT_EQ(sos.Remaining(), 0u);
  EXPECT_EQ(b.Handle(), H(1));
  EXPECT_FALSE(a.IsOpen());
}

TEST(OwnedHandle, ACollectionOfDrivesKeepsEveryHandleThroughGrowth) {
  ScriptedOs sos;
  std::vector<StorageDevice> drives;
  for (uintptr_t i = 1; i <= 5; ++i) {
    drives.emplace_back(sos);  // grows the vector: the drives move
    HoldOpen(sos, drives.back(), H(i));
  }
  EXPECT_EQ(Closes(sos), 0u);
  for (uintptr_t i = 1; i <= 5; ++i) EXPECT_EQ(drives[i - 1].Handle(), H(i));
  drives.erase(drives.begin());  // the first drive's handle is closed once
  EXPECT_EQ(Closes(sos), 1u);
  EXPECT_EQ(sos.Calls().back().handle, H(1));
}

TEST(OpenScope, OpensAClosedDriveForTheScopeAndLeavesAnOpenOneOpen) {
  ScriptedOs sos;
  StorageDevice dev(sos);
  dev.devAttribute = STORAGE_PHYSICAL;
  SetPath(dev, "\\\\.\\PHYSICALDRIVE1");
  ExpectDriveOpen(sos, "\\\\.\\PHYSICALDRIVE1", H(6));
  {
    const OpenScope outer(dev, false);
    EXPECT_TRUE(outer.Ok());
    EXPECT_TRUE(outer.OpenedHere());
    {
      const OpenScope inner(dev, true);  // shares the open handle
      EXPECT_TRUE(inner.Ok());
      EXPECT_FALSE(inner.OpenedHere());
    }
    EXPECT_TRUE(dev.IsOpen());
    sos.ExpectClose(H(6));
  }
  EXPECT_FALSE(dev.IsOpen());
  EXPECT_EQ(sos.Remaining(), 0u);
}

TEST(OpenScope, AFailedOpenIsReportedAndNothingIsClosed) {
  ScriptedOs sos;
  StorageDevice dev(sos);
  dev.devHaId = 9;
  ExpectDriveOpen(sos, "\\\\.\\Scsi9:", os::INVALID_HANDLE_VALUE).Fail(os::ERROR_FILE_NOT_FOUND);
  {
    const OpenScope port(dev, [](StorageDevice& d) { d.OpenPort(); });
    EXPECT_FALSE(port);
    EXPECT_FALSE(port.OpenedHere());
  }
  EXPECT_EQ(Closes(sos), 0u);

  // A status helper built on the scope: the failure value without a drive.
  EXPECT_EQ(WithOpenDevice(nullptr, true, -12, [] { return 0; }), -12);
}

}  // namespace
}  // namespace device
