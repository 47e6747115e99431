// The unattended run as the field uses it: AutoRun=1 and AutoClose=1, no
// display, the assembled session on the demo machine's kind of drives. The
// tool ticks every row, updates every drive that is behind, prints the run
// log and closes; the drives run the new firmware from the next start.
#include "update_lab_fixture.h"

namespace updatetest {
namespace {

class HeadlessUpdate : public UpdateOnLab {};

TEST_F(HeadlessUpdate, AutoRunUpdatesEveryDriveThatIsBehindAndCloses) {
  testsupport::LabBuilder b;
  b.Sata("Disk A", "VK4620XT",
         {"Number=1", "Serial=VKA0000000000000001", "Capacity=65536", "Firmware=S0220A0"});
  b.UsbSat("Disk B", "VK4620XT2", 2,
           {"Number=2", "Serial=VKB0000000000000001", "Capacity=65536", "Firmware=S0312A0"});
  b.Disk("Disk D", "nvme-miniport", "VK4630",
         {"Number=4", "Serial=VKD0000000000000001", "Capacity=65536", "Firmware=N0220A0"});
  labDir->Write("lab.ini", b.Text());
  const std::string unattended = Settings("AutoRun=1\nAutoClose=1\n");

  const std::string log = RunProcess(unattended);
  EXPECT_NE(log.find("[Result Info]"), std::string::npos) << log;
  for (int row = 0; row < 3; ++row) {
    EXPECT_NE(log.find("Dev_" + std::to_string(row) + "          : PASS"), std::string::npos)
        << row << "\n"
        << log;
  }

  // The next start of the tool: every drive reports the package's firmware.
  Start("", Settings());
  EXPECT_EQ(CurrentFw(Drive(1)), kSataNew);
  EXPECT_EQ(CurrentFw(Drive(2)), kSataNew);
  EXPECT_EQ(CurrentFw(Drive(4)), kNvmeNew);
}

TEST_F(HeadlessUpdate, AutoCloseClosesEvenWhenEveryDriveFailed) {
  std::filesystem::remove(home.Path() / "VK4620XT" / "ISP_VK4620XT.bin");
  testsupport::LabBuilder b;
  b.Sata("Disk A", "VK4620XT",
         {"Number=1", "Serial=VKA0000000000000001", "Capacity=65536", "Firmware=S0220A0"});
  labDir->Write("lab.ini", b.Text());
  const std::string log = RunProcess(Settings("AutoRun=1\nAutoClose=1\n"));
  EXPECT_NE(log.find("Dev_0          : File Not Exist!"), std::string::npos) << log;
}

}  // namespace
}  // namespace updatetest
