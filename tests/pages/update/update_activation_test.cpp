// Firmware activation in the unattended run: an image already waiting in a
// slot for the next reset is not written again, a controller that restarts
// after an immediate activation gets time to come back, and the disk that
// holds the running system never has new firmware activated under it. The
// drives' slots, running firmware and download counts are checked afterwards;
// a machine that is not restarted stays open between runs of the tool.
#include "common/text.h"
#include "update_lab_fixture.h"

namespace updatetest {
namespace {

constexpr const char* kReboot = "PASS-Please reboot your device after the update finishes.";
const std::string kUnattended = Settings("AutoRun=1\nAutoClose=1\n");

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class ActivationOnLab : public UpdateOnLab {};

TEST_F(ActivationOnLab, AnImageStagedForTheNextResetIsNotDownloadedAgain) {
  testsupport::LabBuilder b;
  b.Disk("Disk D", "nvme-miniport", "VK4630",
         {"Number=4", "Serial=VKD0000000000000001", "Capacity=65536", "Firmware=N0220A0",
          "Slot2=N0312A0", "NextSlot=2"});
  labDir->Write("lab.ini", b.Text());
  auto machine = PowerOn();
  ASSERT_NE(machine, nullptr);

  for (int run = 1; run <= 2; ++run) {
    const std::string log = RunUnattended(*machine, kUnattended);
    EXPECT_TRUE(Has(log, std::string("Dev_0          : ") + kReboot)) << run << "\n" << log;
    EXPECT_TRUE(Has(log, "firmware N0312A0 is already staged in slot 2")) << run << "\n" << log;
    const lab::drives::DriveState st = StateOf("Disk D");
    EXPECT_EQ(st.firmwareDownloads, 0u) << run;
    EXPECT_EQ(st.activeSlot, 1) << run;
    EXPECT_EQ(st.nextSlot, 2) << run;
    EXPECT_EQ(common::Trim(st.firmware), kNvmeOld) << run;
  }

  // The reboot runs the staged image.
  machine.reset();
  Start("", Settings());
  EXPECT_EQ(CurrentFw(Drive(4)), kNvmeNew);
  const lab::drives::DriveState st = StateOf("Disk D");
  EXPECT_EQ(st.activeSlot, 2);
  EXPECT_EQ(st.nextSlot, 0);
  EXPECT_EQ(st.firmwareDownloads, 0u);
}

TEST_F(ActivationOnLab, AnotherVersionInTheWaitingSlotIsReplaced) {
  testsupport::LabBuilder b;
  b.Disk("Disk D", "nvme-miniport", "VK4630",
         {"Number=4", "Serial=VKD0000000000000001", "Capacity=65536", "Firmware=N0220A0",
          "Slot2=N0300A0", "NextSlot=2"});
  labDir->Write("lab.ini", b.Text());
  const std::string log = RunProcess(kUnattended);
  EXPECT_TRUE(Has(log, "Dev_0          : PASS\n")) << log;
  EXPECT_FALSE(Has(log, "already staged")) << log;
  const lab::drives::DriveState st = StateOf("Disk D");
  EXPECT_GT(st.firmwareDownloads, 0u);
  // Committed to slot 1 (the slot edit's default) and running at once.
  EXPECT_EQ(common::Trim(st.firmware), kNvmeNew);
  EXPECT_EQ(common::Trim(st.slots[0]), kNvmeNew);
  EXPECT_EQ(st.activeSlot, 1);
  EXPECT_EQ(st.nextSlot, 0);
}

TEST_F(ActivationOnLab, AControllerRestartingAfterActivationGetsThirtySecondsToAnswer) {
  // 8 s of silence: far longer than the pauses after the commit, so only the
  // retried identify sees the new firmware.
  testsupport::LabBuilder b;
  b.Disk("Disk D", "nvme-miniport", "VK4630",
         {"Number=4", "Serial=VKD0000000000000001", "Capacity=65536", "Firmware=N0220A0",
          "ActivationSilenceMs=8000"});
  labDir->Write("lab.ini", b.Text());
  const std::string log = RunProcess(kUnattended);
  EXPECT_TRUE(Has(log, "Dev_0          : PASS\n")) << log;
  EXPECT_TRUE(Has(log, "the controller restarted with the new firmware and answered again after "))
      << log;
  const lab::drives::DriveState st = StateOf("Disk D");
  EXPECT_EQ(common::Trim(st.firmware), kNvmeNew);
  EXPECT_EQ(st.nextSlot, 0);
}

TEST_F(ActivationOnLab, AControllerThatStaysSilentFailsWithItsOwnText) {
  testsupport::LabBuilder b;
  b.Disk("Disk D", "nvme-miniport", "VK4630",
         {"Number=4", "Serial=VKD0000000000000001", "Capacity=65536", "Firmware=N0220A0",
          "ActivationSilenceMs=120000"});
  labDir->Write("lab.ini", b.Text());
  const std::string log = RunProcess(kUnattended);
  EXPECT_TRUE(Has(log, "Dev_0          : No answer after FW activation!")) << log;
  EXPECT_TRUE(Has(log, "no answer for 30 s after the new firmware N0312A0 was activated")) << log;
  EXPECT_FALSE(Has(log, "Check FW Version!")) << log;
  // The drive did take the image: it runs it once it answers again.
  EXPECT_EQ(common::Trim(StateOf("Disk D").firmware), kNvmeNew);
}

// The machine's system folder is on a VK4630 behind the maker's miniport.
std::string SystemOnMiniport() {
  testsupport::LabBuilder b(false);
  b.Disk("Disk System", "nvme-miniport", "VK4630",
         {"Number=0", "Serial=VKS0000000000000001", "Capacity=65536", "Firmware=N0220A0",
          "Letters=C"});
  return b.Text();
}

TEST_F(ActivationOnLab, TheSystemDiskWaitsForTheNextResetAndIsNotWrittenTwice) {
  labDir->Write("lab.ini", SystemOnMiniport());
  auto machine = PowerOn();
  ASSERT_NE(machine, nullptr);

  const std::string first = RunUnattended(*machine, kUnattended);
  EXPECT_TRUE(Has(first, std::string("Dev_0          : ") + kReboot)) << first;
  EXPECT_TRUE(Has(first,
                  "holds the running system, so the new firmware is not activated under "
                  "it: Firmware Commit action 1"))
      << first;
  lab::drives::DriveState st = StateOf("Disk System");
  const uint64_t downloads = st.firmwareDownloads;
  EXPECT_GT(downloads, 0u);
  // Slot 1's image is replaced; the old firmware runs until the reset.
  EXPECT_EQ(common::Trim(st.firmware), kNvmeOld);
  EXPECT_EQ(st.activeSlot, 1);
  EXPECT_EQ(st.nextSlot, 1);
  EXPECT_EQ(common::Trim(st.slots[0]), kNvmeNew);

  // The tool started again before the reboot: nothing is written.
  const std::string second = RunUnattended(*machine, kUnattended);
  EXPECT_TRUE(Has(second, std::string("Dev_0          : ") + kReboot)) << second;
  EXPECT_TRUE(Has(second, "already staged in slot 1")) << second;
  EXPECT_EQ(StateOf("Disk System").firmwareDownloads, downloads);

  machine.reset();
  machine = PowerOn();  // the reboot
  st = StateOf("Disk System");
  EXPECT_EQ(common::Trim(st.firmware), kNvmeNew);
  EXPECT_EQ(st.nextSlot, 0);
}

TEST_F(ActivationOnLab, LiveActivationOnTheSystemDiskOnlyWhenTheUserInsistsAndSaysYes) {
  for (const bool yes : {false, true}) {
    NewLab();
    Start(SystemOnMiniport());
    const int row = Drive(0);
    ASSERT_GE(row, 0);
    form->GB_AdavnceMode.Show();
    form->CHK_Microcode_SystemActivateNow.SetChecked(true);
    toolkit->SetAnswerPolicy(yes ? ui::AnswerPolicy::kYes : ui::AnswerPolicy::kNo);
    Tick(row);
    PressStart();
    EXPECT_EQ(Image(row), app::kRowPassed) << yes;
    EXPECT_EQ(Result(row), yes ? "PASS" : kReboot) << yes;
    EXPECT_EQ(CurrentFw(row), yes ? kNvmeNew : kNvmeOld) << yes;
    EXPECT_EQ(Has(LogText(), "activated now, as asked for in the advanced group"), yes) << yes;
    const lab::drives::DriveState st = StateOf("Disk System");
    EXPECT_EQ(common::Trim(st.firmware), yes ? kNvmeNew : kNvmeOld) << yes;
    EXPECT_EQ(st.nextSlot, yes ? 0 : 1) << yes;
    Close();
  }
}

// The inbox NVMe driver activates what it is asked to activate at once: on
// the system disk the request is marked for the next reset instead, and the
// row says a reboot is needed; a disk the system does not need is activated
// at once as before.
TEST_F(ActivationOnLab, TheSystemDiskOnTheInboxDriverIsActivatedOnlyAtTheNextReset) {
  for (const bool system : {true, false}) {
    SCOPED_TRACE(system);
    NewLab();
    testsupport::LabBuilder b(!system);
    b.Nvme("Disk Inbox", {"Number=0", "Serial=VKS0000000000000001", "Capacity=65536",
                          "Firmware=N0220A0"});
    if (system) b.Raw("Letters=C\n");
    Start(b.Text());
    const int row = Drive(0);
    ASSERT_GE(row, 0);
    Tick(row);
    PressStart();
    EXPECT_EQ(Image(row), app::kRowPassed);
    EXPECT_EQ(Result(row), system ? kReboot : "PASS");
    EXPECT_EQ(CurrentFw(row), system ? kNvmeOld : kNvmeNew);
    const lab::drives::DriveState st = StateOf("Disk Inbox");
    EXPECT_EQ(common::Trim(st.firmware), system ? kNvmeOld : kNvmeNew);
    EXPECT_EQ(common::Trim(st.slots[0]), kNvmeNew);
    EXPECT_EQ(st.nextSlot, system ? 1 : 0);
    Close();
    if (!system) continue;
    // The reboot runs the new image.
    Start("");
    EXPECT_EQ(common::Trim(StateOf("Disk Inbox").firmware), kNvmeNew);
    Close();
  }
}

TEST_F(ActivationOnLab, EnterOnTheLiveActivationQuestionWaitsForTheNextReset) {
  Start(SystemOnMiniport());
  const int row = Drive(0);
  ASSERT_GE(row, 0);
  form->GB_AdavnceMode.Show();
  form->CHK_Microcode_SystemActivateNow.SetChecked(true);
  toolkit->SetAnswerPolicy(ui::AnswerPolicy::kYes);
  toolkit->ScriptEnter();
  Tick(row);
  PressStart();
  ASSERT_EQ(toolkit->Dialogs().size(), 1u);
  EXPECT_EQ(toolkit->Dialogs()[0].request.defaultButton, ui::ModalResult::kNo);
  EXPECT_EQ(Result(row), kReboot);
  EXPECT_EQ(common::Trim(StateOf("Disk System").firmware), kNvmeOld);
  EXPECT_EQ(StateOf("Disk System").nextSlot, 1);
}

TEST_F(ActivationOnLab, TheSataSystemDiskSavesTheMicrocodeForTheNextPowerOn) {
  testsupport::LabBuilder b(false);
  b.Sata("Disk A", "VK4620XT",
         {"Number=1", "Serial=VKA0000000000000001", "Capacity=65536", "Firmware=S0220A0",
          "Letters=C"});
  labDir->Write("lab.ini", b.Text());
  const std::string log = RunProcess(kUnattended);
  EXPECT_TRUE(Has(log, std::string("Dev_0          : ") + kReboot)) << log;
  EXPECT_TRUE(Has(log, "DOWNLOAD MICROCODE mode 0Eh saves it without the activation")) << log;
  lab::drives::DriveState st = StateOf("Disk A");
  EXPECT_EQ(common::Trim(st.firmware), kSataOld);
  EXPECT_EQ(common::Trim(st.pendingFirmware), kSataNew);

  PowerOn();  // the reboot
  st = StateOf("Disk A");
  EXPECT_EQ(common::Trim(st.firmware), kSataNew);
  EXPECT_EQ(st.pendingFirmware, "");
}

// Identify Controller fails three times during the scan: the system disk is
// found only on its SCSI port, and is still the disk that holds the system.
TEST_F(ActivationOnLab, TheSystemDiskFoundByItsPortWaitsForTheNextReset) {
  testsupport::LabBuilder b(false);
  b.Disk("Disk System", "nvme-miniport", "VK4630",
         {"Number=0", "Serial=VKS0000000000000001", "Capacity=65536", "Firmware=N0220A0",
          "Letters=C", "FailTransport=nvme:0x06*3"});
  labDir->Write("lab.ini", b.Text());
  const std::string log = RunProcess(kUnattended);
  EXPECT_TRUE(Has(log, std::string("Dev_0          : ") + kReboot)) << log;
  EXPECT_TRUE(Has(log, "holds the running system, so the new firmware is not activated under "
                       "it: Firmware Commit action 1"))
      << log;
  const lab::drives::DriveState st = StateOf("Disk System");
  EXPECT_GT(st.firmwareDownloads, 0u);
  EXPECT_EQ(common::Trim(st.firmware), kNvmeOld);
  EXPECT_EQ(st.nextSlot, 1);
}

// A disk with a volume in use is treated as the system disk: its controller
// is not restarted under the mounted file system.
TEST_F(ActivationOnLab, ADiskInUseWaitsForTheNextResetNamingWhatUsesIt) {
  testsupport::LabBuilder b;
  b.Disk("Disk D", "nvme-miniport", "VK4630",
         {"Number=4", "Serial=VKD0000000000000001", "Capacity=65536", "Firmware=N0220A0",
          "Letters=D", "InUse=/dev/nvme0n1p1 is mounted on /home"});
  labDir->Write("lab.ini", b.Text());
  const std::string log = RunProcess(kUnattended);
  EXPECT_TRUE(Has(log, std::string("Dev_0          : ") + kReboot)) << log;
  EXPECT_TRUE(Has(log, "is in use (/dev/nvme0n1p1 is mounted on /home), so the new firmware is "
                       "not activated under it"))
      << log;
  const lab::drives::DriveState st = StateOf("Disk D");
  EXPECT_EQ(common::Trim(st.firmware), kNvmeOld);
  EXPECT_EQ(st.nextSlot, 1);
  EXPECT_EQ(common::Trim(st.slots[0]), kNvmeNew);
}

}  // namespace
}  // namespace updatetest
