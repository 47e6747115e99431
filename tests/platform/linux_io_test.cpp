// Raw reads and writes on the Linux backend's disk handles: disks are
// opened to bypass the page cache, unaligned caller memory goes through an
// aligned buffer, and a write counts as done only when the disk took it.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/linux/direct_io.h"
#include "platform/linux/linux_os.h"
#include "platform/zero_data.h"
#include "support/fake_kernel.h"
#include "support/fake_sysfs.h"

namespace os {
namespace {

using testsupport::FakeKernel;

struct Disk {
  testsupport::FakeSysfs sys;
  std::shared_ptr<FakeKernel> kernel = std::make_shared<FakeKernel>();
  testsupport::FakeLinuxOs os{sys.SysRoot(), sys.DevRoot(), kernel};
  HANDLE Open(const char* path = "\\\\.\\PHYSICALDRIVE0") {
    return os.CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          nullptr, OPEN_EXISTING, 0, nullptr);
  }
};

TEST(LinuxIo, WritesAreDoneOnlyWhenTheDiskHasThem) {
  Disk d;
  const HANDLE h = d.Open();
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  ASSERT_EQ(d.kernel->directAsked.size(), 1u);
  EXPECT_TRUE(d.kernel->directAsked[0]);  // a disk bypasses the page cache
  std::vector<uint8_t> sector(512, 0x3C);
  DWORD moved = 0;
  // A regular file has no O_DIRECT: the write is synced before it counts.
  EXPECT_EQ(d.os.SetFilePointer(h, 1024, nullptr, FILE_BEGIN), 1024u);
  ASSERT_TRUE(d.os.WriteFile(h, sector.data(), 512, &moved));
  EXPECT_EQ(moved, 512u);
  EXPECT_EQ(d.kernel->syncs, 1);
  EXPECT_EQ(d.sys.Dir().Read("dev/sda").substr(1024, 512), std::string(512, '\x3C'));

  // The disk refuses the write, or the flush fails: never success.
  d.kernel->writeError = EIO;
  EXPECT_FALSE(d.os.WriteFile(h, sector.data(), 512, &moved));
  EXPECT_EQ(moved, 0u);
  EXPECT_EQ(d.os.GetLastError(), ERROR_IO_DEVICE);
  d.kernel->writeError = 0;
  d.kernel->syncError = EIO;
  EXPECT_FALSE(d.os.WriteFile(h, sector.data(), 512, &moved));
  EXPECT_EQ(d.os.GetLastError(), ERROR_IO_DEVICE);
  d.kernel->syncError = 0;
  // The zeroing request on a file standing in for a disk punches a hole.
  FILE_ZERO_DATA_INFORMATION z{1024, 1536};
  EXPECT_TRUE(d.os.DeviceIoControl(h, FSCTL_SET_ZERO_DATA, &z, sizeof z, nullptr, 0, &moved));
  EXPECT_EQ(d.sys.Dir().Read("dev/sda").substr(1024, 512), std::string(512, '\0'));
  EXPECT_TRUE(d.os.CloseHandle(h));
}

TEST(LinuxIo, UnalignedMemoryGoesThroughAnAlignedBuffer) {
  Disk d;
  d.kernel->forceDirect = true;  // as on a block device
  const HANDLE h = d.Open();
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  std::vector<uint8_t> storage(4096 + 1, 0);
  uint8_t* odd = storage.data() + 1;
  for (int i = 0; i < 4096; ++i) odd[i] = static_cast<uint8_t>(i * 7);
  DWORD moved = 0;
  ASSERT_TRUE(d.os.WriteFile(h, odd, 4096, &moved));
  EXPECT_EQ(moved, 4096u);
  EXPECT_EQ(d.kernel->syncs, 0);  // O_DIRECT: the disk has it when the write returns
  EXPECT_EQ(d.os.SetFilePointer(h, 0, nullptr, FILE_CURRENT), 4096u);
  std::vector<uint8_t> back(4096 + 3, 0);
  EXPECT_EQ(d.os.SetFilePointer(h, 0, nullptr, FILE_BEGIN), 0u);
  ASSERT_TRUE(d.os.ReadFile(h, back.data() + 3, 4096, &moved));
  EXPECT_EQ(moved, 4096u);
  EXPECT_TRUE(std::equal(odd, odd + 4096, back.data() + 3));
  EXPECT_FALSE(d.kernel->unalignedTransfer);
  EXPECT_TRUE(d.os.CloseHandle(h));

  linuxos::AlignedBuffer buffer(100);
  EXPECT_EQ(buffer.size(), 4096u);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(buffer.data()) % 4096, 0u);
}

}  // namespace
}  // namespace os
