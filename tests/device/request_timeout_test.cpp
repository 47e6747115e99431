// Request time-outs by kind, and what they mean on a lab machine whose USB
// bridge stops answering: the host waits out the time-out each request was
// sent with (virtual time), so an ordinary request of a drive at its
// default time-out costs a minute, not 18 hours, and a firmware download
// still gets its five minutes. Also the size of a drive past 2 TiB.
#include "device/core/request_timeout.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "device/ata/ata_commands.h"
#include "device/scsi/scsi_commands.h"
#include "lab/config/lab_config.h"
#include "lab/drives/lab_drive_factory.h"
#include "lab/edge/lab_os.h"
#include "support/lab_builder.h"
#include "support/temp_dir.h"

namespace device {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(RequestTimeout, ByWhatTheCallerSetAndTheKindOfRequest) {
  testsupport::TempDir dir;
  std::string error;
  auto os = lab::LabOs::Create(lab::ParseLabConfig(testsupport::LabBuilder().Text()),
                               dir.Str() + "/state", lab::drives::LabDriveFactory(), error);
  ASSERT_TRUE(os) << error;
  StorageDevice dev(*os);
  const struct {
    uint32_t set;
    uint32_t ordinary;
    uint32_t long_;
  } cases[] = {
      {0, 60, 300},  // the default (65536) stands for a minute
      {5, 5, 300},  {20, 20, 300}, {300, 300, 300}, {1200, 1200, 1200}, {100000, 3600, 3600},
  };
  for (const auto& c : cases) {
    dev.SetTimeout(c.set);
    EXPECT_EQ(RequestTimeoutSeconds(dev, RequestLength::kOrdinary), c.ordinary) << c.set;
    EXPECT_EQ(RequestTimeoutSeconds(dev, RequestLength::kLong), c.long_) << c.set;
  }
  EXPECT_EQ(AtaRequestLength(0x92), RequestLength::kLong);
  EXPECT_EQ(AtaRequestLength(0x93), RequestLength::kLong);
  EXPECT_EQ(AtaRequestLength(0xF4), RequestLength::kLong);
  EXPECT_EQ(AtaRequestLength(0xF3), RequestLength::kOrdinary);  // ERASE PREPARE returns at once
  EXPECT_EQ(AtaRequestLength(0xEC), RequestLength::kOrdinary);
  const Bytes ata16Download = {0x85, 0x0A, 0x26, 0, 0x03, 0, 0x01, 0, 0, 0, 0, 0, 0, 0xE0, 0x92, 0};
  EXPECT_EQ(ScsiRequestLength(ata16Download), RequestLength::kLong);
  const Bytes ata12Erase = {0xA1, 0x0A, 0x26, 0, 0x01, 0, 0, 0, 0xE0, 0xF4, 0, 0};
  EXPECT_EQ(ScsiRequestLength(ata12Erase), RequestLength::kLong);
  EXPECT_EQ(ScsiRequestLength(Bytes{0x3B, 0x07, 0, 0, 0, 0, 0, 0x02, 0, 0}), RequestLength::kLong);
  EXPECT_EQ(ScsiRequestLength(Bytes{0x3B, 0xFF, 0, 0, 0, 0, 0, 0x02, 0, 0}),
            RequestLength::kOrdinary);  // the NVMe bridge's packets
  EXPECT_EQ(ScsiRequestLength(Bytes{0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0}), RequestLength::kOrdinary);
  EXPECT_EQ(NvmeRequestLength(0x10, true), RequestLength::kLong);
  EXPECT_EQ(NvmeRequestLength(0x11, true), RequestLength::kLong);
  EXPECT_EQ(NvmeRequestLength(0x80, true), RequestLength::kLong);
  EXPECT_EQ(NvmeRequestLength(0x80, false), RequestLength::kOrdinary);  // an I/O opcode
  EXPECT_EQ(NvmeRequestLength(0x06, true), RequestLength::kOrdinary);
}

class LabTimeouts : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string ini = testsupport::LabBuilder()
                                .UsbSat("Disk Big", "VK4620XT2", 2, {"Number=1", "Capacity=3TiB"})
                                .UsbSat("Disk Dead", "VK4620XT2", 3, {"Number=2", "BridgeSilent=1"})
                                .Text();
    std::string error;
    os_ = lab::LabOs::Create(lab::ParseLabConfig(ini), dir_.Str() + "/state",
                             lab::drives::LabDriveFactory(), error);
    ASSERT_TRUE(os_) << error;
  }
  StorageDevice Drive(int n) {
    StorageDevice dev(*os_);
    EXPECT_TRUE(dev.OpenPhysicalDrive(n));
    dev.Close();
    dev.devAttribute = STORAGE_PHYSICAL | STORAGE_SCSI | STORAGE_ATA | STORAGE_SCSI_ATAPI;
    return dev;
  }
  testsupport::TempDir dir_;
  std::unique_ptr<lab::LabOs> os_;
};

TEST_F(LabTimeouts, ADeadBridgeCostsAMinutePerRequestAndFiveForADownload) {
  StorageDevice dead = Drive(2);
  ASSERT_EQ(dead.devTimeout, kDefaultTimeoutSeconds);
  uint64_t before = os_->GetTickCount64();
  Bytes inquiry(kInquiryLength, 0);
  EXPECT_FALSE(ScsiInquiry(dead, inquiry));
  EXPECT_EQ(os_->GetTickCount64() - before, 60u * 1000);

  before = os_->GetTickCount64();
  const Bytes image(512, 0x11);
  EXPECT_FALSE(AtaDownloadMicrocode(dead, 0x03, 0, 1, image, false, nullptr));
  EXPECT_EQ(os_->GetTickCount64() - before, 300u * 1000);

  // What the identification sets stays as it is.
  dead.SetTimeout(15);
  before = os_->GetTickCount64();
  EXPECT_FALSE(ScsiInquiry(dead, inquiry));
  EXPECT_EQ(os_->GetTickCount64() - before, 15u * 1000);
}

TEST_F(LabTimeouts, ADriveOfThreeTebibytesIsSizedWithReadCapacity16) {
  StorageDevice big = Drive(1);
  EXPECT_EQ(ReadCapacityBlocks(big), (uint64_t{3} << 40) / 512);
  EXPECT_EQ(big.devBlockFactor, 1u);
  uint32_t last = 0;
  uint32_t length = 0;
  ASSERT_TRUE(ScsiReadCapacity(big, &last, &length));
  EXPECT_EQ(last, 0xFFFFFFFFu);
}

}  // namespace
}  // namespace device
