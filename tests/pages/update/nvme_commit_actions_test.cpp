// Firmware Commit actions 0 (replace the slot's image only) and 2 (activate
// what a slot already holds) chosen in the advanced group for a drive behind
// the maker's miniport: the row passes with the reboot text only when the
// slot that runs after the next reset holds the new firmware. The drive's
// slots and the firmware it runs after a restart of the machine are checked.
#include "common/text.h"
#include "update_lab_fixture.h"

namespace updatetest {
namespace {

constexpr const char* kReboot = "PASS-Please reboot your device after the update finishes.";
constexpr int kReplaceOnly = 0;   // "000b"
constexpr int kActivateSlot = 2;  // "010b"

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class CommitActionsOnLab : public UpdateOnLab {
 protected:
  // Disk D runs N0220A0 from slot 1; `slot2` is what its slot 2 holds.
  int Run(int action, int slot, const std::string& slot2 = "") {
    testsupport::LabBuilder b;
    b.Disk("Disk D", "nvme-miniport", "VK4630",
           {"Number=4", "Serial=VKD0000000000000001", "Capacity=65536", "Firmware=N0220A0"});
    if (!slot2.empty()) b.Raw("Slot2=" + slot2 + "\n");
    Start(b.Text());
    form->CMBB_Microcode_Active.SetItemIndex(action);
    form->EDT_Slot.SetText(std::to_string(slot));
    const int d = Drive(4);
    EXPECT_GE(d, 0);
    Tick(d);
    PressStart();
    return d;
  }
  std::string SlotText(int slot) { return common::Trim(StateOf("Disk D").slots[slot - 1]); }
  std::string RunningAfterRestart() {
    Restart();
    return CurrentFw(Drive(4));
  }
};

TEST_F(CommitActionsOnLab, ReplacingTheRunningSlotsImagePassesAndRunsAfterTheReset) {
  const int d = Run(kReplaceOnly, 1);
  EXPECT_EQ(Result(d), kReboot) << LogText();
  EXPECT_EQ(Image(d), app::kRowPassed);
  EXPECT_EQ(CurrentFw(d), kNvmeOld);
  EXPECT_TRUE(Has(LogText(), "the new firmware N0312A0 becomes active at the next reset"))
      << LogText();
  EXPECT_EQ(SlotText(1), kNvmeNew);
  EXPECT_EQ(RunningAfterRestart(), kNvmeNew);
}

TEST_F(CommitActionsOnLab, ReplacingAnotherSlotsImageFailsAndTheOldFirmwareGoesOnRunning) {
  const int d = Run(kReplaceOnly, 2);
  EXPECT_EQ(Result(d), "Check FW Version!") << LogText();
  EXPECT_EQ(Image(d), app::kRowFailed);
  EXPECT_TRUE(Has(LogText(),
                  "Check FW Version! Expected FW:N0312A0 after the next reset, but slot 1 holds "
                  "N0220A0 and runs now, slot 2 holds N0312A0; after the next reset slot 1 runs "
                  "N0220A0"))
      << LogText();
  EXPECT_EQ(SlotText(2), kNvmeNew);
  EXPECT_EQ(RunningAfterRestart(), kNvmeOld);
}

TEST_F(CommitActionsOnLab, ActivatingASlotThatHoldsTheNewFirmwarePassesAndRunsAfterTheReset) {
  const int d = Run(kActivateSlot, 2, kNvmeNew);
  EXPECT_EQ(Result(d), kReboot) << LogText();
  EXPECT_EQ(Image(d), app::kRowPassed);
  EXPECT_EQ(StateOf("Disk D").nextSlot, 2);
  EXPECT_EQ(RunningAfterRestart(), kNvmeNew);
}

TEST_F(CommitActionsOnLab, ActivatingASlotThatHoldsOtherFirmwareFailsWithWhatRunsInstead) {
  // Another slot holding another version, and the running slot itself: the
  // image just sent is in neither, so neither activation runs it.
  for (const int slot : {2, 1}) {
    SCOPED_TRACE(slot);
    Close();
    NewLab();
    const int d = Run(kActivateSlot, slot, "N0300A0");
    EXPECT_EQ(Result(d), "Check FW Version!") << LogText();
    EXPECT_EQ(Image(d), app::kRowFailed);
    const std::string after = slot == 2 ? "N0300A0" : "N0220A0";
    EXPECT_TRUE(
        Has(LogText(), "after the next reset slot " + std::to_string(slot) + " runs " + after))
        << LogText();
    EXPECT_EQ(RunningAfterRestart(), after);
  }
}

}  // namespace
}  // namespace updatetest
