// The additional images an NVMe controller type lists (DW_FilePath_k) are
// downloaded after the main image, each from its own index: a gap at index 0
// is no entry, and the entry behind it is sent and committed.
#include "common/text.h"
#include "update_lab_fixture.h"

namespace updatetest {
namespace {

constexpr const char* kSecondImage = "N0312B0";

class AdditionalImagesOnLab : public UpdateOnLab {
 protected:
  void SetUp() override {
    UpdateOnLab::SetUp();
    WriteImage("VK4630\\Extra_VK4630.bin", NvmeImage(std::string(kSecondImage) + " "));
    home.Write("VK4630/FWVerDB.ini",
               "[UPDATE_N0220A0]\nFWSupportVer_1=N0312A0\n"
               "[UPDATE_N0312A0]\nFWSupportVer_1=N0312B0\n");
  }
};

TEST_F(AdditionalImagesOnLab, AnEntryAfterAnEmptyIndexIsDownloadedAndCommitted) {
  // The keys go into the VK4630 section, the last one of the settings.
  Start(FiveAttachments(), Settings("", "DW_FilePath_0=\nDW_FilePath_1=Extra_VK4630.bin\n"));
  ASSERT_EQ(ctx->profiles.Find("VK4630")->DWFileCount, 1);
  const int d = Drive(4);
  ASSERT_GE(d, 0);
  Tick(d);
  PressStart();
  EXPECT_EQ(Result(d), "PASS") << LogText();
  EXPECT_EQ(Image(d), app::kRowPassed);
  EXPECT_EQ(LogText().find("Please check <"), std::string::npos) << LogText();
  // Both images went to the drive in order: the main one, then index 1's.
  EXPECT_NE(LogText().find("Current FW:N0220A0, New FW:N0312A0"), std::string::npos) << LogText();
  EXPECT_NE(LogText().find("Current FW:N0312A0, New FW:N0312B0"), std::string::npos) << LogText();
  EXPECT_EQ(CurrentFw(d), kSecondImage);
  const lab::drives::DriveState st = StateOf("Disk D");
  EXPECT_EQ(common::Trim(st.firmware), kSecondImage);
  EXPECT_EQ(common::Trim(st.slots[st.activeSlot - 1]), kSecondImage);

  Restart();
  EXPECT_EQ(CurrentFw(Drive(4)), kSecondImage);
}

TEST_F(AdditionalImagesOnLab, AMissingAdditionalImageFailsTheRowAfterTheMainOne) {
  Start(FiveAttachments(), Settings("", "DW_FilePath_3=Missing.bin\n"));
  const int d = Drive(4);
  ASSERT_GE(d, 0);
  Tick(d);
  PressStart();
  EXPECT_EQ(Result(d), "Please check <VK4630\\Missing.bin> file!");
  EXPECT_EQ(Image(d), app::kRowFailed);
  // The main image was committed before the missing one was looked for.
  EXPECT_EQ(common::Trim(StateOf("Disk D").firmware), kNvmeNew);
}

}  // namespace
}  // namespace updatetest
