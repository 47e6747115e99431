// Update-file generation on lab drives: every input comes from the drive's
// controller, every output byte is checked against values worked out by hand
// from the drive's lab.ini and the package files written here.
#include <gtest/gtest.h>

#include "common/bytes.h"
#include "gen_flu_support.h"
#include "package/generate/auto_gen_flu.h"

namespace firmware {
namespace {

using fwtest::Bytes;
using fwtest::Fill;
using fwtest::GenFluLab;
using fwtest::HandImage;

// The CID record 00 01 02 .. 7F.
std::string CidHex() {
  std::string s;
  for (int i = 0; i < 128; ++i) s += common::Format("%02X", i);
  return s;
}

std::string LabIni(const std::string& extra) {
  return "[Machine]\nSystemDirectory=C:\\Windows\\system32\n\n"
         "[Disk1]\n" +
         extra +  // the first value of a key wins
         "Attachment=sata\nController=VK4620XT\nModel=VKM VK4620XT SSD\n"
         "Serial=VK20GEN01\nFirmware=S0220A0\nCapacity=64MiB\nFwTag=FBiCS4\nRetryTag=02\n"
         "NandMakerCode=0x98\nDieText=BiCS4 TLC 8die 2CE\nHwId=2\nPlaneCount=4\nRetryTable=1\n"
         "UnitSectors=8\nBootParam=0xA2\nBootParams=000033\nCid=" +
         CidHex() + "\n";
}

constexpr size_t kImageSize = 0x20000;
const char* const kTagDir = "Firmware/4620/BiCS/TSB/8die/BiCS4/";
const char* const kIdentity = "20190220A0FBiCS4";

class AutoGenFluLab : public ::testing::Test {
 protected:
  void Make(const std::string& extra = "", size_t imageSize = kImageSize,
            const std::string& identity = kIdentity) {
    lab_ = std::make_unique<GenFluLab>(LabIni(extra));
    lab_->profile.ISP_FilePath = "VK4620XT\\ISP_VK4620XT.bin";
    lab_->PutText("VK4620XT/IdentifyDevice.ini", "");
    image_ = HandImage(imageSize, identity);
    lab_->Put(std::string(kTagDir) + "02/4P/ISP4620.bin", image_);
    // Not taken: a four-plane drive uses the 4P folder.
    lab_->Put(std::string(kTagDir) + "02/ISP4620.bin", HandImage(kImageSize, "20180101A0FBiCS4"));
    boot_ = Fill(10000, -1, 0x40);
    lab_->Put(std::string(kTagDir) + "AC/BootISP4620.bin", boot_);
    lab_->Put(std::string(kTagDir) + "BootISP4620.bin", Fill(16384, 0xEE));
    lab_->Put("Tables/RR01.bin", Fill(448, 0x5C));
  }
  GenFluResult Run() { return lab_->Generate(lab_->Attach("VK20GEN01"), "S0220A0"); }
  Bytes Flu() const { return lab_->Get(std::string(kTagDir) + "Microcode.flu"); }
  Bytes NewIsp() const { return lab_->Get(std::string(kTagDir) + "New_ISP.bin"); }

  std::unique_ptr<GenFluLab> lab_;
  Bytes image_, boot_;
};

TEST_F(AutoGenFluLab, BuildsNewIspAndMicrocodeFromTheDrivesOwnData) {
  Make();
  const GenFluResult r = Run();
  ASSERT_EQ(r.code, 0);
  EXPECT_EQ(r.outputFolder, lab_->Home() + "\\Firmware\\4620\\BiCS\\TSB\\8die\\BiCS4\\");
  EXPECT_EQ(r.keyPrefix, "4620BiCS\\TSB\\8die\\BiCS4");
  EXPECT_TRUE(lab_->Traced(
      "[VKM_FFU] DoAutoGenFlu: status = 0, szFWTag = BiCS\\TSB\\8die\\BiCS4, szRetryTag = 02\n"));
  EXPECT_TRUE(lab_->Traced("[VKM_FFU] DoAutoGenFlu: nICVer = 2427\n"));
  EXPECT_TRUE(lab_->Traced("[VKM_FFU] DoAutoGenFlu: szICVer = 4620AC\n"));
  EXPECT_TRUE(lab_->Traced("[VKM_FFU] GenNewISP_ExRetryTable_BootISP: Read ISP bin\n"));
  EXPECT_TRUE(lab_->Traced("[VKM_FFU] GenNewISP_ExRetryTable_BootISP: Read BootISP.bin\n"));
  EXPECT_TRUE(lab_->Traced("[VKM_FFU] GenNewISP_ExRetryTable_BootISP: Read Retry table\n"));

  // New_ISP.bin: the 4P image, the AC boot ISP padded to 16 KiB, retry table 1
  // in the older layout with its two parameters.
  Bytes want = image_;
  std::fill(want.end() - 0x4000, want.end(), 0);
  std::copy(boot_.begin(), boot_.end(), want.end() - 0x4000);
  std::fill(want.begin() + 0x8C0, want.begin() + 0xA80, 0x5C);
  want[0x891] = 0x22;
  want[0x894] = 0x1B;
  EXPECT_EQ(NewIsp(), want);

  controller::VK4540LT& hba = lab_->Attach("VK20GEN01");
  Bytes flash(16384), cidWindow(1024);
  ASSERT_EQ(hba.ReadFlashInfo(flash), 0);
  ASSERT_EQ(hba.ReadMemory(0x800, cidWindow, true), 0);

  const Bytes flu = Flu();
  ASSERT_EQ(flu.size(), 0x20000u + 4096u);
  // IDENTIFY template with "S0220A0" and a zero byte, pairs swapped.
  Bytes identify(flash.begin(), flash.begin() + 512);
  const Bytes version = {0x30, 0x53, 0x32, 0x32, 0x41, 0x30, 0x00, 0x30};
  std::copy(version.begin(), version.end(), identify.begin() + 46);
  EXPECT_EQ(Bytes(flu.begin() + 0x600, flu.begin() + 0x800), identify);
  // No SetCID.ini: the CID record is the drive's (bytes 57, 65, 75 too).
  for (size_t i = 0; i < 124; ++i) ASSERT_EQ(flu[0x800 + i], i) << i;
  // BiCS: 536 bytes of the drive's retry data, then the image again.
  EXPECT_EQ(Bytes(flu.begin() + 0x880, flu.begin() + 0x880 + 536),
            Bytes(cidWindow.begin() + 128, cidWindow.begin() + 128 + 536));
  EXPECT_EQ(flu[0xA98], want[0xA98]);
  // Boot parameter record: A2, byte 258 (flash 0x2400 is FF), 03, 1, 2.
  const Bytes record = {0xA2, 0x33, 0x03, 0x01, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(Bytes(flu.begin() + 0x1DB80, flu.begin() + 0x1DB90), record);
  EXPECT_EQ(flu[0x1DB90], boot_[0x1B90]);

  uint32_t byteSum = 0, wordSum = 0;
  for (size_t i = 0; i < 0x20000; ++i) {
    if (i < 0x600 || i >= 0x880) byteSum += flu[i];
  }
  EXPECT_EQ(common::ReadLe32(flu, 0x87C), byteSum);
  for (size_t i = 0; i < 0x20000; i += 4) wordSum += common::ReadLe32(flu, i);
  EXPECT_EQ(common::ReadLe32(flu, 0x20000), wordSum);
  EXPECT_EQ(Bytes(flu.begin() + 0x20004, flu.end()), Bytes(4092, 0));
  // The same bytes over the configured image.
  EXPECT_EQ(lab_->Get("VK4620XT/ISP_VK4620XT.bin"), flu);
}

TEST_F(AutoGenFluLab, SetCidChangesTheRecordAndTheTemplateInItsKeyOrder) {
  // Identity byte 0xEFF7 "R": the image keeps its own boot parameter area.
  Make("", kImageSize, "S0220B0R02FBiCS4");
  lab_->PutText(std::string(kTagDir) + "SetCID.ini",
                "[IDTable]\nSetFWVer_S0220A0=T0101B1\nEnableHIPM=1\nEnableDIPM=0\n"
                "[CID]\nEnableAdjTemp=1\nAdjTemp=-5\nFlashClock=26\nDQSDRV=0x107\n"
                "EnGcProgSuspend=1\nForceZeroToFlashODT=1\nENABLESMARTC3BE0=0\n"
                "TX_PREEPS_GEN2=0x0B\nDisHynixFailurePreventionWA=1\nOffset_0x31=0x99\n"
                "Offset_0x45=0x77\nTSBPowerConsumption=0\n"
                "ThermalThrottlingLV1=70\nThermalThrottlingLV2=75\n");
  ASSERT_EQ(Run().code, 0);
  controller::VK4540LT& hba = lab_->Attach("VK20GEN01");
  Bytes flash(16384);
  ASSERT_EQ(hba.ReadFlashInfo(flash), 0);
  const Bytes flu = Flu();
  ASSERT_EQ(flu.size(), 0x21000u);

  Bytes cid(128);
  for (size_t i = 0; i < 128; ++i) cid[i] = static_cast<uint8_t>(i);
  cid[0] = 0x85;   // -5, sign and magnitude
  cid[18] = 0x1A;  // FlashClock 26
  cid[19] = 0x00;
  for (size_t at : {22, 26, 30, 34}) cid[at] = 0x07;  // low byte of 0x107
  cid[62] = 0xBE;                                     // 0x3E | bit 7
  cid[49] = 0x99;                                     // zeroed, then Offset_0x31
  cid[50] = 0x00;
  cid[63] = 0x7F;  // inverted switch: 0 sets bit 6
  cid[69] = 0x77;  // TX_PREEPS_GEN2, then Offset_0x45
  cid[57] = 0x12;  // the PHY defaults
  cid[75] = 0x28;
  cid[82] = 0x62;  // 0x52 | bit 5, then bit 4 cleared
  // 92..95 stay: LV3 is missing.
  EXPECT_EQ(Bytes(flu.begin() + 0x800, flu.begin() + 0x87C), Bytes(cid.begin(), cid.begin() + 124));

  Bytes identify(flash.begin(), flash.begin() + 512);
  identify[153] |= 0x02;
  identify[156] &= static_cast<uint8_t>(~0x08);
  const Bytes version = {0x30, 0x54, 0x30, 0x31, 0x42, 0x31, 0x00, 0x31};  // T0101B1
  std::copy(version.begin(), version.end(), identify.begin() + 46);
  EXPECT_EQ(Bytes(flu.begin() + 0x600, flu.begin() + 0x800), identify);
  EXPECT_EQ(Bytes(flu.begin() + 0x1DB80, flu.begin() + 0x1DB90),
            Bytes(boot_.begin() + 0x1B80, boot_.begin() + 0x1B90));
}

TEST_F(AutoGenFluLab, EachFailureGivesItsCode) {
  {
    SCOPED_TRACE("hardware ID 5 names no IC version");
    Make("HwId=5\n");
    EXPECT_EQ(Run().code, 258);
    EXPECT_TRUE(lab_->Traced("[VKM_DEBUG] CheckICVer: nHWID = 5\n"));
    EXPECT_FALSE(lab_->Exists(std::string(kTagDir) + "New_ISP.bin"));
  }
  {
    SCOPED_TRACE("the CID read fails");
    Make("FailVendorCommands=2A:2+\n");
    EXPECT_EQ(Run().code, 18);
    EXPECT_FALSE(lab_->Exists(std::string(kTagDir) + "New_ISP.bin"));
  }
  {
    SCOPED_TRACE("no ISP image for the tag");
    Make("RetryTag=07\n");
    EXPECT_EQ(Run().code, 17);
    EXPECT_TRUE(
        lab_->Traced("[VKM_FFU] GenNewISP_ExRetryTable_BootISP: Can't read " + lab_->Home() +
                     "\\Firmware\\4620\\BiCS\\TSB\\8die\\BiCS4\\07\\ISP4620.bin file(1)\n"));
  }
  {
    SCOPED_TRACE("an image whose tag is another NAND's");
    Make("", kImageSize, "20190220A0FBiCS5");
    EXPECT_EQ(Run().code, 17);
    EXPECT_TRUE(lab_->Traced(
        "[VKM_FFU] GenNewISP_ExRetryTable_BootISP: FW Folder put mismatched ISP/RDT file\n"));
    EXPECT_FALSE(lab_->Exists(std::string(kTagDir) + "New_ISP.bin"));
  }
}

TEST_F(AutoGenFluLab, AZeroUnitOrAShortImageWritesNothing) {
  Make("ParamBytes=67=00\n");
  EXPECT_EQ(Run().code, 16);
  EXPECT_TRUE(lab_->Traced("[VKM_FFU] DoAutoGenFlu: unit size is 0 sectors, no update file\n"));
  EXPECT_FALSE(lab_->Exists(std::string(kTagDir) + "New_ISP.bin"));
  EXPECT_FALSE(lab_->Exists(std::string(kTagDir) + "Microcode.flu"));
  EXPECT_FALSE(lab_->Exists("VK4620XT/ISP_VK4620XT.bin"));

  // One byte short of the identity field plus the 16 KiB boot area.
  Make("", 0x12FFF);
  const auto before = lab_->Files();
  EXPECT_EQ(Run().code, 17);
  EXPECT_TRUE(
      lab_->Traced("[VKM_FFU] GenNewISP_ExRetryTable_BootISP: Can't read " + lab_->Home() +
                   "\\Firmware\\4620\\BiCS\\TSB\\8die\\BiCS4\\02\\4P\\ISP4620.bin file(2)\n"));
  EXPECT_EQ(lab_->Files(), before);

  Make("", 0x13000);
  EXPECT_EQ(Run().code, 0);
  EXPECT_EQ(Flu().size(), 0x13000u + 4096u);
}

TEST_F(AutoGenFluLab, AFailedOutputLeavesThePreviousFilesWhole) {
  Make();
  lab_->PutText(std::string(kTagDir) + "Microcode.flu", "previous");
  // The configured image cannot be written: its name is taken by a folder.
  std::filesystem::create_directories(lab_->HomePath() / "VK4620XT/ISP_VK4620XT.bin");
  EXPECT_EQ(Run().code, 257);
  EXPECT_EQ(fwtest::Str(Flu()), "previous");
  for (const std::string& f : lab_->Files()) EXPECT_EQ(f.find(".tmp"), std::string::npos) << f;
}

TEST_F(AutoGenFluLab, DriveTextNeverLeadsOutOfThePackage) {
  for (const char* tag : {"..\\a", "C:\\x", "/etc"}) {
    SCOPED_TRACE(tag);
    Make(std::string("FwTag=") + tag + "\n");
#ifdef _WIN32
    // A drive letter is no folder name there: nothing is planted, and the tag
    // is refused all the same.
    if (std::string(tag).find(':') == std::string::npos)
#endif
      lab_->Put(std::string("Firmware/4620/") + tag + "/02/ISP4620.bin", image_);
    const auto before = lab_->Files();
    EXPECT_EQ(Run().code, 17);
    EXPECT_EQ(lab_->Files(), before);
  }
}

}  // namespace
}  // namespace firmware

namespace firmware {
namespace {

// The drive's retry data set in lab.ini: 536 bytes of a BiCS drive's CID
// window from byte 128, the bytes the lab was not given are zero.
TEST_F(AutoGenFluLab, RetryDataComesFromTheDrive) {
  Make("RetryData=DEADBEEF01020304\n");
  ASSERT_EQ(Run().code, 0);
  const Bytes flu = Flu();
  ASSERT_GE(flu.size(), 0xA98u + 1);
  Bytes want(536, 0);
  const Bytes given = {0xDE, 0xAD, 0xBE, 0xEF, 0x01, 0x02, 0x03, 0x04};
  std::copy(given.begin(), given.end(), want.begin());
  EXPECT_EQ(Bytes(flu.begin() + 0x880, flu.begin() + 0xA98), want);
  EXPECT_EQ(flu[0xA98], image_[0xA98]);
}

}  // namespace
}  // namespace firmware
