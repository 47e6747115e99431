#include <gtest/gtest.h>

#include "common/bytes.h"
#include "device/discovery/inquiry_kind.h"
#include "device/discovery/probes.h"
#include "device/discovery/scan_flags.h"
#include "platform/nvme_pass_through.h"
#include "platform/storage_property.h"
#include "platform/volume.h"
#include "support/scripted_drive.h"
#include "support/scripted_requests.h"

namespace device {
namespace {

using namespace testsupport;

Bytes Inquiry(const std::string& vendor8, const std::string& product16, uint8_t byte3 = 0x02) {
  Bytes q(56, 0);
  q[3] = byte3;
  std::copy(vendor8.begin(), vendor8.end(), q.begin() + 8);
  std::copy(product16.begin(), product16.end(), q.begin() + 16);
  return q;
}

TEST(InquiryKind, ClassifiesTheVendorsSpecialDevices) {
  EXPECT_EQ(ClassifyInquiry(Inquiry("VKMPCIE ", "TESTER          ")), kKindPcieTester);
  EXPECT_EQ(ClassifyInquiry(Inquiry("VKM     ", "VKPWR552        ")), kKindSinglePowerTester);
  EXPECT_EQ(ClassifyInquiry(Inquiry("VKM     ", "VK552           ")), kKindVk552);
  Bytes lkg = Inquiry("VKM     ", "LEAK            ");
  std::string asmic = "ASMIC";
  std::copy(asmic.begin(), asmic.end(), lkg.begin() + 35);
  EXPECT_EQ(ClassifyInquiry(lkg), kKindLeakageTester);
  Bytes ufd = Inquiry("VKM     ", "Flash Disk      ");
  ufd[5] = 'v';
  ufd[6] = 'k';
  ufd[7] = 'm';
  EXPECT_EQ(ClassifyInquiry(ufd), kKindFlashDevice);
  EXPECT_EQ(ClassifyInquiry(Inquiry("vkm     ", "VK552           ")), kKindOther);  // case matters
  EXPECT_EQ(ClassifyInquiry(Inquiry("JMicron ", "Generic         ")), kKindOther);
  EXPECT_EQ(ClassifyInquiry(Bytes(10, 0)), kKindOther);  // short data: no match, no overrun

  Bytes g = Inquiry("Genesys ", "Tester          ");
  g[32] = 'N';
  EXPECT_TRUE(IsGenesysTester(g));
  g[32] = 'Z';
  EXPECT_TRUE(IsGenesysTester(g));
  g[32] = 'M';
  EXPECT_FALSE(IsGenesysTester(g));
  g[32] = 'n';
  EXPECT_FALSE(IsGenesysTester(g));
}

Bytes DeviceDescriptor(uint32_t busType) {
  Bytes b(40, 0);
  b[28] = static_cast<uint8_t>(busType);
  return b;
}

struct ProbeFixture : ::testing::Test {
  ProbeFixture() : dev(sos) { sos.Trace().SetCapture(true); }

  // The next handle of a reopen of `path` and its close, around `body`.
  template <typename F>
  void Reopened(const std::string& path, F body) {
    const os::HANDLE h = H(next++);
    ExpectDriveOpen(sos, path, h);
    body(h);
    sos.ExpectClose(h);
  }
  void ExpectBus(os::HANDLE h, uint32_t bus, uint8_t port = 0, uint8_t target = 0) {
    sos.ExpectIoctl(os::IOCTL_STORAGE_QUERY_PROPERTY).On(h).Reply(DeviceDescriptor(bus));
    if (bus != os::BusTypeUsb)
      sos.ExpectIoctl(os::IOCTL_SCSI_GET_ADDRESS).On(h).Reply({8, 0, 0, 0, port, 0, target, 0});
  }
  void ExpectCapacity(const std::string& path, uint32_t lastLba) {
    Reopened(path, [&](os::HANDLE h) {
      Bytes cap(8, 0);
      common::WriteBe32(cap, 0, lastLba);
      common::WriteBe32(cap, 4, 512);
      ExpectScsi(sos, h, {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 1, 8, Good(cap));
    });
  }
  std::vector<std::string> Lines() { return sos.Trace().Captured(); }

  ScriptedOs sos;
  StorageDevice dev;
  uintptr_t next = 0x100;
};

const uint32_t kAppFlags = SCAN_ATA_BUS | SCAN_NVME_MINIPORT | SCAN_NVME_BRIDGE;  // 0x510

TEST_F(ProbeFixture, ADirectSataDriveIsAtaAndPhysical) {
  const std::string path = "\\\\.\\PHYSICALDRIVE1";
  ExpectDriveOpen(sos, path, H(1));
  ExpectBus(H(1), os::BusTypeSata, 0, 1);
  sos.ExpectClose(H(1));
  Bytes identify(512, 0);
  identify[54] = 'K';
  identify[55] = 'V';
  Reopened(path, [&](os::HANDLE h) {
    ExpectAta(sos, h, 0x03, {0, 1, 0, 0, 0, 0xE0, 0xEC}, 512, AtaGood(identify));
  });
  ExpectCapacity(path, 0x0FFFFFFF);

  EXPECT_TRUE(Initialize(dev, 1, kAppFlags));
  EXPECT_EQ(dev.devAttribute, STORAGE_ATA | STORAGE_PHYSICAL);
  EXPECT_EQ(dev.devOrder, 1u);
  EXPECT_EQ(dev.devHaId, 0u);
  EXPECT_EQ(dev.devTarget, 1u);
  EXPECT_EQ(dev.Model().substr(0, 2), "VK");
  EXPECT_EQ(dev.Capacity(), 0x10000000u);
  EXPECT_FALSE(dev.IsOpen());
  EXPECT_EQ(Lines(),
            (std::vector<std::string>{"[VKM_SCAN] Initialize: devOrder = 1, devUseBusType = 11",
                                      "[VKM_SCAN] Initialize: devAttribute = 80000001",
                                      "[VKM_SCAN] ExecuteSCSIIO: status = 1"}));
}

TEST_F(ProbeFixture, WithoutAtaBusScanningASataDriveIsNotListed) {
  ExpectDriveOpen(sos, "\\\\.\\PHYSICALDRIVE0", H(1));
  ExpectBus(H(1), os::BusTypeSata);
  sos.ExpectClose(H(1));
  EXPECT_FALSE(Initialize(dev, 0, SCAN_NVME_MINIPORT));
  EXPECT_EQ(dev.devAttribute, 0u);
}

TEST_F(ProbeFixture, NativeNvmeNeedsScanNvmeAndAnIdentifyOnTheOpenHandle) {
  const std::string path = "\\\\.\\PHYSICALDRIVE2";
  ExpectDriveOpen(sos, path, H(1));
  ExpectBus(H(1), os::BusTypeNvme, 3);
  sos.ExpectIoctl(os::IOCTL_STORAGE_QUERY_PROPERTY).On(H(1));  // Identify Controller
  sos.ExpectClose(H(1));
  Reopened(path, [&](os::HANDLE h) { sos.ExpectIoctl(os::IOCTL_STORAGE_QUERY_PROPERTY).On(h); });
  ExpectCapacity(path, 999);
  EXPECT_TRUE(Initialize(dev, 2, kAppFlags | SCAN_NVME));
  EXPECT_EQ(dev.devAttribute, STORAGE_NVME | STORAGE_PHYSICAL);
  EXPECT_EQ(dev.Capacity(), 1000u);
}

TEST_F(ProbeFixture, AMiniportDriveAnsweringOnlyAfterTheWakeRequestIsListedThroughThePhysicalPath) {
  const std::string path = "\\\\.\\PHYSICALDRIVE3";
  ExpectDriveOpen(sos, path, H(1));
  ExpectBus(H(1), os::BusTypeNvme, 2);
  sos.ExpectClose(H(1));
  ExpectDriveOpen(sos, "\\\\.\\Scsi2:", H(2));
  sos.ExpectIoctl(os::IOCTL_SCSI_MINIPORT).On(H(2)).Fail(os::ERROR_IO_DEVICE);
  sos.ExpectIoctl(os::IOCTL_SCSI_MINIPORT).On(H(2)).Check([](const OsCall& c) {
    EXPECT_EQ(common::ReadLe32(c.in, 16), 0xE0001C14u);
    EXPECT_EQ(std::string(c.in.begin() + 4, c.in.begin() + 12), "VkmCtrl ");
  });
  sos.ExpectIoctl(os::IOCTL_SCSI_MINIPORT).On(H(2)).Check([&](const OsCall&) {
    EXPECT_EQ(sos.Clock().ElapsedMs(), 1000u);  // waited before asking again
  });
  sos.ExpectClose(H(2));
  // Identity: Identify through the port again; capacity through the disk.
  ExpectDriveOpen(sos, "\\\\.\\Scsi2:", H(3));
  sos.ExpectIoctl(os::IOCTL_SCSI_MINIPORT).On(H(3));
  sos.ExpectClose(H(3));
  ExpectCapacity(path, 0);
  EXPECT_TRUE(Initialize(dev, 3, kAppFlags));
  EXPECT_EQ(dev.devAttribute, STORAGE_NVME_MINIPORT | STORAGE_PHYSICAL);
}

TEST_F(ProbeFixture, TheDriveLetterProbeDoesNotSendTheWakeRequest) {
  ExpectDriveOpen(sos, "\\\\.\\f:", H(1));
  sos.ExpectIoctl(os::IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS)
      .On(H(1))
      .Check([](const OsCall& c) { EXPECT_EQ(c.out.size(), 32u); })
      .Reply({1, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0});
  ExpectBus(H(1), os::BusTypeNvme, 2);
  sos.ExpectClose(H(1));
  ExpectDriveOpen(sos, "\\\\.\\Scsi2:", H(2));
  sos.ExpectIoctl(os::IOCTL_SCSI_MINIPORT).On(H(2)).Fail(os::ERROR_IO_DEVICE);
  sos.ExpectClose(H(2));
  int n = -5;
  EXPECT_FALSE(InitDevice(dev, 'f', &n, kAppFlags));
  EXPECT_EQ(n, 3);  // the disk number is known even though the probe failed
  EXPECT_EQ(dev.devAttribute, 0u);
  EXPECT_EQ(Lines()[0], "[VKM_SCAN] InitDevice: devSymbol = f, devAttribute = 0");
  EXPECT_EQ(Lines()[1], sizeof(void*) == 8 ? "[VKM_SCAN] InitDevice: devHandle = 0000000000000001"
                                           : "[VKM_SCAN] InitDevice: devHandle = 00000001");
  EXPECT_EQ(Lines()[2], "[VKM_SCAN] InitDevice: devicePhyId = 3");
}

TEST_F(ProbeFixture, ADriveLetterOfASataDriveIsLogicalAndItsCommandsLockTheVolume) {
  ExpectDriveOpen(sos, "\\\\.\\d:", H(1));
  sos.ExpectIoctl(os::IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS)
      .Reply({1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0});
  ExpectBus(H(1), os::BusTypeSata);
  sos.ExpectClose(H(1));
  auto locked = [&](os::HANDLE h, auto body) {
    sos.ExpectIoctl(os::FSCTL_LOCK_VOLUME).On(h);
    sos.ExpectIoctl(os::FSCTL_DISMOUNT_VOLUME).On(h);
    body(h);
    sos.ExpectIoctl(os::FSCTL_UNLOCK_VOLUME).On(h);
    sos.ExpectIoctl(os::FSCTL_IS_VOLUME_MOUNTED).On(h);
  };
  Reopened("\\\\.\\d:", [&](os::HANDLE h) {
    locked(h, [&](os::HANDLE hh) { ExpectAta(sos, hh, 0x03, {0, 1, 0, 0, 0, 0xE0, 0xEC}, 512); });
  });
  Reopened("\\\\.\\d:", [&](os::HANDLE h) {
    locked(h, [&](os::HANDLE hh) {
      ExpectScsi(sos, hh, {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 1, 8, Good({0, 0, 0, 9, 0, 0, 2, 0}));
    });
  });
  int n = -1;
  EXPECT_TRUE(InitDevice(dev, 'd', &n, kAppFlags));
  EXPECT_EQ(n, 1);
  EXPECT_EQ(dev.devAttribute, STORAGE_ATA | STORAGE_LOGICAL);
  EXPECT_EQ(dev.Name(), "d:");
  EXPECT_EQ(dev.Capacity(), 10u);

  // A slot that still carries bits is refused before anything is opened.
  const size_t calls = sos.Calls().size();
  EXPECT_FALSE(InitDevice(dev, 'e', &n, kAppFlags));
  EXPECT_EQ(sos.Calls().size(), calls);
}

// The USB probes of a drive behind a SAT bridge, up to and including the
// NVMe bridge probe, which fails here.
struct UsbProbe : ProbeFixture {
  const std::string path = "\\\\.\\PHYSICALDRIVE2";
  void ExpectOpenAndBus() {
    ExpectDriveOpen(sos, path, H(1));
    ExpectBus(H(1), os::BusTypeUsb);
    sos.ExpectClose(H(1));
  }
  void ExpectInquiry(const Bytes& inquiry) {
    Reopened(path, [&](os::HANDLE h) {
      ExpectScsi(sos, h, {0x12, 0, 0, 0, 0x38, 0}, 1, 56, Good(inquiry));
    });
  }
  void ExpectSatIdentify(uint8_t b4, uint8_t b5) {
    Bytes identify(512, 0);
    identify[4] = b4;
    identify[5] = b5;
    Reopened(path, [&](os::HANDLE h) {
      ExpectScsi(sos, h, {0x85, 0x08, 0x0E, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0xE0, 0xEC, 0}, 1, 512,
                 CheckCondition(AtaReturnSense(0, 0, 0xE0, 0x50), identify));
    });
  }
  // A failed read returns `error` (ABRT: the command did not get through to
  // the medium) with ERR in the status.
  void ExpectSatReadDma(bool ok, uint8_t error = 0x04) {
    Reopened(path, [&](os::HANDLE h) {
      ExpectScsi(sos, h, {0x85, 0x15, 0x0E, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0xE0, 0xC8, 0}, 1, 512,
                 ok ? CheckCondition(AtaReturnSense(0, 0, 0xE0, 0x50))
                    : CheckCondition(AtaReturnSense(error, 0, 0xE0, 0x51)));
    });
  }
  void ExpectBridgeProbe(bool answers) {
    ExpectCapacity(path, 0x1000);
    Reopened(path, [&](os::HANDLE h) {
      ExpectScsi(sos, h, {0x28, 0x04, 0, 0, 0, 0, 0, 0, 1, 0}, 1, 512, Good(),
                 [](const os::SCSI_PASS_THROUGH_DIRECT& s) {
                   EXPECT_EQ(os::HandleValue(s.DataBuffer) % 4096, 0u) << "not page-aligned";
                 });
    });
    Reopened(path, [&](os::HANDLE h) {
      ExpectScsi(sos, h, {0x3B, 0xFF, 0, 0, 0, 0, 0, 4, 0, 0}, 0, 1024);
      Bytes answer(1024, 0);
      if (answers) {
        answer[0] = 'G';
        answer[1] = 'P';
        answer[2] = 'I';
        answer[3] = 'O';
      }
      ExpectScsi(sos, h, {0x3C, 0xFF, 1, 0, 0, 0, 0, 4, 0, 0}, 1, 1024, Good(answer));
    });
  }
};

TEST_F(UsbProbe, ASataDriveBehindASatBridgeWithAtaPiFlag) {
  ExpectOpenAndBus();
  ExpectInquiry(Inquiry("JMicron ", "Generic         "));
  ExpectSatIdentify(0xC8, 0x37);
  ExpectSatReadDma(true);
  ExpectBridgeProbe(false);
  // Identity strings through SAT, then the capacity.
  Reopened(path, [&](os::HANDLE h) {
    ExpectScsi(sos, h, {0x85, 0x08, 0x0E, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0xE0, 0xEC, 0}, 1, 512,
               CheckCondition(AtaReturnSense(0, 0, 0xE0, 0x50)));
  });
  ExpectCapacity(path, 0x1000);

  EXPECT_TRUE(Initialize(dev, 2, kAppFlags | SCAN_ATAPI));
  EXPECT_EQ(dev.devAttribute, STORAGE_ATA | STORAGE_SCSI_ATAPI | STORAGE_PHYSICAL);
  EXPECT_EQ(dev.devHaId, 255u);
  std::vector<std::string> scan;
  for (const std::string& l : Lines())
    if (l.find("Initialize") != std::string::npos) scan.push_back(l);
  EXPECT_EQ(scan,
            (std::vector<std::string>{
                "[VKM_SCAN] Initialize: devOrder = 2, devUseBusType = 7",
                "[VKM_SCAN] Initialize: devOrder = 2, devAttribute = 5 (STORAGE_SCSI)",
                "[VKM_SCAN] Initialize: devOrder = 2, devAttribute = 5 (STORAGE_VKM_UFD)",
                "[VKM_SCAN] Initialize: devOrder = 2, devAttribute = 5 (STORAGE_VKM_PWR)",
                "[VKM_SCAN] Initialize: devOrder = 2, devAttribute = 5 (STORAGE_VKM_SINGLE_PWR)",
                "[VKM_SCAN] Initialize: devOrder = 2, devAttribute = 5 (STORAGE_VKM_SINGLE_LKG)",
                "[VKM_SCAN] Initialize: tempBuf[3] = 2",
                "[VKM_SCAN] Initialize: tempBuf2[4] = C8, tempBuf2[5] = 37",
                "[VKM_SCAN] Initialize: devOrder = 2, devAttribute = 90000005 "
                "(STORAGE_ATA|STORAGE_SCSI_ATAPI)",
                "[VKM_SCAN] Initialize: devOrder = 2, devAttribute = 90000005 "
                "(STORAGE_NVME_BRIDGE)",
                "[VKM_SCAN] Initialize: devAttribute = 90000001"}));
}

TEST_F(UsbProbe, ASatIdentifyWithoutComplementBytesLeavesTheDriveWithoutAta) {
  ExpectOpenAndBus();
  ExpectInquiry(Inquiry("JMicron ", "Generic         "));
  ExpectSatIdentify(0xC8, 0x36);
  ExpectBridgeProbe(false);
  EXPECT_FALSE(Initialize(dev, 2, kAppFlags | SCAN_ATAPI));
  EXPECT_EQ(dev.devAttribute, 0u);
}

TEST_F(UsbProbe, AFailedSectorReadTakesTheAtaBitsBackAgain) {
  ExpectOpenAndBus();
  ExpectInquiry(Inquiry("JMicron ", "Generic         "));
  ExpectSatIdentify(0x00, 0xFF);
  ExpectSatReadDma(false);
  ExpectBridgeProbe(false);
  std::string whyNot;
  EXPECT_FALSE(Initialize(dev, 2, kAppFlags | SCAN_ATAPI, &whyNot));
  EXPECT_TRUE(sos.Trace().Contains("[VKM_SCAN] Initialize: ReadDiskSectorATA = false"));
  EXPECT_EQ(whyNot, "READ DMA of LBA 0 through its USB bridge failed");
}

TEST_F(UsbProbe, AUsbToNvmeBridgeAnswersTheGpioQuery) {
  ExpectOpenAndBus();
  ExpectInquiry(Inquiry("Realtek ", "RTL9210         "));
  ExpectBridgeProbe(true);
  // Identity: Identify Controller through the tunnel; then capacity.
  Reopened(path, [&](os::HANDLE h) {
    ExpectScsi(sos, h, {0x3B, 0xFF, 0, 0, 0, 0, 0, 4, 0, 0}, 0, 1024);
    ExpectScsi(sos, h, {0x3C, 0xFF, 1, 0, 0, 0, 0, 0x10, 0, 0}, 1, 4096);
    Bytes status(1024, 0);
    status[0] = 'N';
    status[1] = 'V';
    status[2] = 'M';
    status[3] = 'e';
    status[4] = 1;
    ExpectScsi(sos, h, {0x3C, 0xFF, 2, 0, 0, 0, 0, 4, 0, 0}, 1, 1024, Good(status));
  });
  ExpectCapacity(path, 0x1000);
  EXPECT_TRUE(Initialize(dev, 2, kAppFlags));  // no ATA-PIFlag: no SAT identify
  EXPECT_EQ(dev.devAttribute, STORAGE_NVME_BRIDGE | STORAGE_SCSI | STORAGE_PHYSICAL);
  EXPECT_TRUE(sos.Trace().Contains(
      "[VKM_SCAN] Initialize: devOrder = 2, devAttribute = 15 (STORAGE_NVME_BRIDGE)"));
}

TEST_F(UsbProbe, AVk552GetsNoBitNoBridgeProbeAndIsNotListed) {
  ExpectOpenAndBus();
  ExpectInquiry(Inquiry("VKM     ", "VK552           "));
  EXPECT_FALSE(Initialize(dev, 2, kAppFlags | SCAN_VKM_UFD | SCAN_VKM_PWR));
  EXPECT_EQ(dev.devAttribute, 0u);
  EXPECT_TRUE(sos.Trace().Contains("[VKM_SCAN] Initialize: devAttribute = 1"));
}

TEST_F(UsbProbe, AVendorFlashDeviceIsListedWithoutIdentity) {
  ExpectOpenAndBus();
  Bytes ufd = Inquiry("VKM     ", "Flash Disk      ");
  ufd[5] = 'v';
  ufd[6] = 'k';
  ufd[7] = 'm';
  ExpectInquiry(ufd);
  ExpectCapacity(path, 0x3FFF);
  EXPECT_TRUE(Initialize(dev, 2, kAppFlags | SCAN_VKM_UFD));
  EXPECT_EQ(dev.devAttribute, STORAGE_VKM_UFD | STORAGE_SCSI | STORAGE_PHYSICAL);
  EXPECT_EQ(dev.Serial(), "");
}

TEST_F(UsbProbe, TheGenesysTesterBridgeIsAnAtaTester) {
  ExpectOpenAndBus();
  ExpectInquiry(Inquiry("Genesys ", "Tester          "));
  Bytes bridge = Inquiry("Genesys ", "Tester          ");
  bridge[32] = 'P';
  Reopened(path, [&](os::HANDLE h) {
    ExpectScsi(sos, h, {0x12, 0, 0, 0x55, 0x2E, 0}, 1, 56, Good(bridge));
  });
  ExpectBridgeProbe(false);
  Reopened(path, [&](os::HANDLE h) {
    ExpectScsi(sos, h, {0x85, 0x08, 0x0E, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0xE0, 0xEC, 0}, 1, 512);
  });
  ExpectCapacity(path, 0x1000);
  EXPECT_TRUE(Initialize(dev, 2, kAppFlags | SCAN_GENESYS));
  EXPECT_EQ(dev.devAttribute, STORAGE_ATA | STORAGE_SCSI_ATAPI | STORAGE_VKM_TESTER | STORAGE_SCSI |
                                  STORAGE_PHYSICAL);
}

TEST_F(ProbeFixture, TheScsiPortProbeFindsAMiniportDriveWithoutCapacity) {
  ExpectDriveOpen(sos, "\\\\.\\Scsi4:", H(1));
  sos.ExpectIoctl(os::IOCTL_SCSI_MINIPORT).On(H(1));
  sos.ExpectClose(H(1));
  EXPECT_TRUE(ProbeScsiPort(dev, 4, kAppFlags));
  EXPECT_EQ(dev.devAttribute, STORAGE_NVME_MINIPORT | STORAGE_SCSI_PORT);
  EXPECT_EQ(dev.Name(), "SCSI 4:");
  EXPECT_EQ(dev.devOrder, 4u);
  EXPECT_EQ(dev.Capacity(), 0u);

  StorageDevice other(sos);
  EXPECT_FALSE(ProbeScsiPort(other, 5, SCAN_ATA_BUS));  // not asked for: nothing opened
  ExpectDriveOpen(sos, "\\\\.\\Scsi5:", os::INVALID_HANDLE_VALUE).Fail(os::ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(ProbeScsiPort(other, 5, kAppFlags));
  EXPECT_EQ(other.devAttribute, 0u);
}

}  // namespace
}  // namespace device
