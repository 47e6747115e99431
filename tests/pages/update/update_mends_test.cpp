// Faults the update flows must not have: a missing or empty image reported as
// a success, a drive running other firmware than expected counted as passed,
// a CID compared (and saved) without being read, a conversion past the end of
// the image, and a close underneath a running download.
#include "update_lab_fixture.h"

namespace updatetest {
namespace {

constexpr const char* kReboot = "PASS-Please reboot your device after the update finishes.";

TEST_F(UpdateOnLab, AMissingSataImageIsAFailure) {
  std::filesystem::remove(home.Path() / "VK4620XT" / "ISP_VK4620XT.bin");
  Start(FiveAttachments());
  const int a = Drive(1);
  Tick(a);
  PressStart();
  EXPECT_EQ(Result(a), "File Not Exist!");
  EXPECT_EQ(Image(a), app::kRowFailed);
  EXPECT_EQ(form->StatusMessage(), "File Not Exist!");
}

TEST_F(UpdateOnLab, AnEmptyImageIsAFailureOnBothPathsAndEndsTheSteps) {
  home.Write("VK4620XT/ISP_VK4620XT.bin", "");
  home.Write("VK4630/ISP_VK4630.bin", "");
  Start(FiveAttachments(), Settings("", "[UpdateFW]\nUpdateFile1=second\n"));
  const int a = Drive(1), d = Drive(4);
  Tick(a);
  Tick(d);
  PressStart();
  EXPECT_EQ(Result(a), "Open FW file fail");
  EXPECT_EQ(Image(a), app::kRowFailed);
  EXPECT_EQ(Result(d), "Open FW file fail");
  EXPECT_EQ(Image(d), app::kRowFailed);
  // Step 1 never ran after step 0 failed.
  int steps = 0;
  for (const std::string& l : labOs->Trace().Captured())
    if (l.find("FileString = ") != std::string::npos) ++steps;
  EXPECT_EQ(steps, 1);
}

TEST_F(UpdateOnLab, AnImageThatRunsAnotherVersionThanOfferedFailsWithBothVersions) {
  // The image offers S0312A0 in its identity field, but the IDENTIFY template
  // the drive will report from says S0400A0 (the template lies outside the
  // checksum, so the drive takes the image).
  std::vector<uint8_t> image = SataImage();
  const std::string swapped = "0S04A0 0";  // "S0400A0 " with each pair swapped
  std::copy(swapped.begin(), swapped.end(), image.begin() + 0x62E);
  WriteImage("VK4620XT\\ISP_VK4620XT.bin", image);
  std::string settings = Settings();
  settings.replace(settings.find("ISPVerOffset=1582\nISPVerChkStrLengh=8\nISPVerChkStrSwapFlag=1"),
                   60, "ISPVerOffset=61424\nISPVerChkStrLengh=8\nISPVerChkStrSwapFlag=0");
  Start(FiveAttachments(), settings);
  const int a = Drive(1);
  Tick(a);
  PressStart();
  EXPECT_EQ(Result(a), "Check FW Version!");
  EXPECT_EQ(Image(a), app::kRowFailed);
  EXPECT_NE(LogText().find("Check FW Version! Expected FW:S0312A0, Drive FW:S0400A0"),
            std::string::npos)
      << LogText();
}

// A script reads a row's result from its "Dev_<row>" line: every row of the
// list has exactly one, and the explanation of a failure is a note of its own.
TEST_F(UpdateOnLab, EachRowHasOneResultLineAndTheExplanationIsANote) {
  std::vector<uint8_t> image = SataImage();
  const std::string swapped = "0S04A0 0";
  std::copy(swapped.begin(), swapped.end(), image.begin() + 0x62E);
  WriteImage("VK4620XT\\ISP_VK4620XT.bin", image);
  std::string settings = Settings();
  settings.replace(settings.find("ISPVerOffset=1582\nISPVerChkStrLengh=8\nISPVerChkStrSwapFlag=1"),
                   60, "ISPVerOffset=61424\nISPVerChkStrLengh=8\nISPVerChkStrSwapFlag=0");
  Start(FiveAttachments(), settings);
  const int a = Drive(1);
  Tick(a);
  PressStart();
  ASSERT_EQ(Result(a), "Check FW Version!");
  const int rows = form->LV_UpdateDevStatus.ItemCount();
  ASSERT_GT(rows, 1);
  for (int r = 0; r < rows; ++r) {
    const std::string key = "Dev_" + std::to_string(r) + " ";
    int results = 0;
    for (const std::string& l : ctx->runLog.Lines())
      if (l.rfind(key, 0) == 0) ++results;
    EXPECT_EQ(results, 1) << r << "\n" << LogText();
  }
  EXPECT_NE(LogText().find("Dev_" + std::to_string(a) + "          : Check FW Version!\n"),
            std::string::npos);
  EXPECT_NE(LogText().find("Note_" + std::to_string(a) +
                           "         : Check FW Version! Expected FW:S0312A0, Drive FW:S0400A0"),
            std::string::npos)
      << LogText();
}

TEST_F(UpdateOnLab, AnAtaDownloadWithoutActivationAsksForARebootAndRunsAfterPowerOn) {
  Start(FiveAttachments(), Settings("DownloadCMD=2\n"));
  const int a = Drive(1);
  Tick(a);
  PressStart();
  EXPECT_EQ(Result(a), kReboot);
  EXPECT_EQ(Image(a), app::kRowPassed);
  EXPECT_NE(LogText().find("becomes active at the next reset"), std::string::npos);
  Restart();
  EXPECT_EQ(CurrentFw(Drive(1)), kSataNew);
}

TEST_F(UpdateOnLab, AnNvmeCommitThatActivatesAtTheNextResetAsksForAReboot) {
  Start(FiveAttachments());
  form->CMBB_Microcode_Active.SetItemIndex(1);  // "001b"
  const int d = Drive(4);
  Tick(d);
  PressStart();
  EXPECT_EQ(Result(d), kReboot);
  EXPECT_EQ(Image(d), app::kRowPassed);
  EXPECT_EQ(CurrentFw(d), kNvmeOld);
  EXPECT_NE(LogText().find("N0312A0 becomes active at the next reset"), std::string::npos);
  Restart();
  EXPECT_EQ(CurrentFw(Drive(4)), kNvmeNew);
}

TEST_F(UpdateOnLab, AFailedCidReadIsAFailureAndWritesNoCidFiles) {
  std::vector<uint8_t> image = SataImage();
  image[0x841] |= 0x01;  // outside the checksum area
  WriteImage("VK4620XT\\ISP_VK4620XT.bin", image);
  // Vendor memory reads: 0x10001150, 0x50000060, then the CID at 0x800.
  Start(FiveAttachments("FailVendorCommands=2A:3"));
  const int a = Drive(1);
  Tick(a);
  PressStart();
  EXPECT_EQ(Result(a), "Read FW CID Fail!");
  EXPECT_EQ(Image(a), app::kRowFailed);
  EXPECT_FALSE(home.Exists("OriginalCID.bin"));
  EXPECT_FALSE(home.Exists("NewFluCID.bin"));
  Restart();
  EXPECT_EQ(CurrentFw(Drive(1)), kSataOld);
}

TEST_F(UpdateOnLab, ADifferentCidIsRefusedAndBothRecordsAreSaved) {
  std::vector<uint8_t> image = SataImage();
  image[0x841] |= 0x01;
  image[0x801] ^= 0x5A;  // a byte the comparison does not mask
  WriteImage("VK4620XT\\ISP_VK4620XT.bin", image);
  Start(FiveAttachments());
  const int a = Drive(1);
  Tick(a);
  PressStart();
  EXPECT_EQ(Result(a), "Compare FW CID Fail!");
  ASSERT_TRUE(home.Exists("OriginalCID.bin"));
  ASSERT_TRUE(home.Exists("NewFluCID.bin"));
  const std::string saved = home.Read("NewFluCID.bin");
  EXPECT_EQ(saved, std::string(image.begin() + 0x800, image.begin() + 0x880));
  EXPECT_EQ(home.Read("OriginalCID.bin").size(), 128u);
  Restart();
  EXPECT_EQ(CurrentFw(Drive(1)), kSataOld);
}

TEST_F(UpdateOnLab, ForceUpdateOrAClearCidFlagSkipsTheComparison) {
  std::vector<uint8_t> image = SataImage();
  image[0x801] ^= 0x5A;  // different, but the image does not ask
  WriteImage("VK4620XT\\ISP_VK4620XT.bin", image);
  Start(FiveAttachments());
  Tick(Drive(1));
  PressStart();
  EXPECT_EQ(Result(Drive(1)), "PASS");
  Close();

  NewLab();
  image[0x841] |= 0x01;
  WriteImage("VK4620XT\\ISP_VK4620XT.bin", image);
  Start(FiveAttachments(), Settings("ForceUpdate=1\n"));
  Tick(Drive(1));
  PressStart();
  EXPECT_EQ(Result(Drive(1)), "PASS");
}

TEST_F(UpdateOnLab, AnImageTooShortForTheLegacyConversionIsRefusedBeforeAnythingIsSent) {
  testsupport::LabBuilder b;
  b.Sata("Disk A", "VK4620XT",
         {"Number=1", "Serial=VKA0000000000000001", "Capacity=65536", "Firmware=P0100A0"});
  std::string settings = Settings();
  settings.replace(settings.find("[VK4620XT]\n"), 11,
                   "[VK4620XT]\nISPVerChk_BefQ0427A_Only10JMS_L06B=1\n");
  home.Write("VK4620XT/FWVerDB.ini", "[UPDATE_P0100A0]\nFWSupportVer_1=S0312A0\n");
  Start(b.Text(), settings);
  const int a = Drive(1);
  Tick(a);
  PressStart();
  EXPECT_EQ(Result(a), "FW file is too short for the conversion!");
  EXPECT_EQ(Image(a), app::kRowFailed);
  EXPECT_FALSE(Traced("DMStatus"));
  Restart(settings);
  EXPECT_EQ(CurrentFw(Drive(1)), "P0100A0");
}

TEST_F(UpdateOnLab, ACloseAskedForDuringTheRunWaitsForTheDriveBeingWritten) {
  Start(FiveAttachments());
  const int a = Drive(1);
  Tick(a);
  // The user closes the window while the download runs: the close is a
  // message the run lets through when it processes messages.
  form->T_FormClose.Click();
  PressStart();
  EXPECT_TRUE(form->Closed());
  EXPECT_EQ(Result(a), "PASS");
  Restart();
  EXPECT_EQ(CurrentFw(Drive(1)), kSataNew);
}

}  // namespace
}  // namespace updatetest
