// A commit through the maker's miniport whose status says the image is
// stored and runs after a conventional or NVM subsystem reset: the update is
// done, and since the drive still runs the old firmware the row asks for a
// reboot; the image runs after the next power-on.
#include "update_lab_fixture.h"

namespace updatetest {
namespace {

constexpr const char* kReboot = "PASS-Please reboot your device after the update finishes.";

TEST_F(UpdateOnLab, ACommitAskingForAConventionalOrSubsystemResetAsksForAReboot) {
  for (const char* reset : {"conventional", "subsystem"}) {
    SCOPED_TRACE(reset);
    Close();
    NewLab();
    Start(FiveAttachments("", std::string("ActivationReset=") + reset));
    form->CMBB_Microcode_Active.SetItemIndex(1);  // "001b": replace, activate at reset
    const int d = Drive(4);
    ASSERT_GE(d, 0);
    Tick(d);
    PressStart();
    EXPECT_EQ(Result(d), kReboot);
    EXPECT_EQ(Image(d), app::kRowPassed);
    EXPECT_EQ(CurrentFw(d), kNvmeOld);
    EXPECT_NE(LogText().find("N0312A0 becomes active at the next reset"), std::string::npos);
    Restart();
    EXPECT_EQ(CurrentFw(Drive(4)), kNvmeNew);
  }
}

// A commit the drive refuses is still a failure with its status.
TEST_F(UpdateOnLab, ACommitWithAnInvalidSlotFailsWithItsStatus) {
  Start(FiveAttachments());
  form->CMBB_Microcode_Active.SetItemIndex(1);
  form->EDT_Slot.SetText("7");
  const int d = Drive(4);
  Tick(d);
  PressStart();
  EXPECT_EQ(Result(d), "Update device status(SC:0x06, SCT:0x01, DW:0x00)");
  EXPECT_EQ(Image(d), app::kRowFailed);
}

}  // namespace
}  // namespace updatetest
