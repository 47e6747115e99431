#include "pages/info/decoder/table_decoders.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode_harness.h"
#include "platform/virtual_os.h"
#include "support/temp_dir.h"

namespace info {
namespace {

using infotest::Row;

constexpr const char* kIdentifyRules =
    "[Setting]\nUnitSize=2\nTotalUnitNum=256\n"
    "[Item_1]\nItemUnitOffset=10\nItemUnitNum=10\nItemStringMode=1\nItemDesc=Serial number\n"
    "[Item_2]\nItemUnitOffset=23\nItemUnitNum=4\nItemStringMode=1\nItemDesc=Firmware revision\n"
    "[Item_3]\nItemUnitOffset=27\nItemUnitNum=20\nItemStringMode=1\nItemDesc=Model number\n"
    "[Item_4]\nItemUnitOffset=300\nItemUnitNum=1\nItemDesc=Word 300\n";

// Writes `text` as an ATA string the way a drive stores it: byte-swapped words.
void PutAtaString(std::vector<uint8_t>& buf, size_t offset, const std::string& text, size_t bytes) {
  std::string padded = text;
  padded.resize(bytes, ' ');
  for (size_t i = 0; i < bytes; i += 2) {
    buf[offset + i] = static_cast<uint8_t>(padded[i + 1]);
    buf[offset + i + 1] = static_cast<uint8_t>(padded[i]);
  }
}

class TableDecodersTest : public ::testing::Test {
 protected:
  TableDecodersTest() {
    profile_.Name = "VK4610XT";
    profile_.ECTableRule_FilePath = "VK4610XT\\Identify.ini";
    profile_.SMARTRule_FilePath = "VK4610XT\\Health.ini";
  }
  RuleSource Source() { return RuleSource{os_, dir_.Str(), profile_}; }

  testsupport::TempDir dir_;
  os::VirtualOs os_;
  app::ControllerProfile profile_;
  infotest::DecodeOutcome out_;
  DecodeReporter rep_ = infotest::RecordingReporter(out_);
};

TEST_F(TableDecodersTest, AtaIdentifyStringsReadInOrderAndTheCallersRowsStay) {
  dir_.Write("VK4610XT/Identify.ini", kIdentifyRules);
  std::vector<uint8_t> identify(1024, 0);
  PutAtaString(identify, 20, "SN0042", 20);
  PutAtaString(identify, 46, "VKF1.02", 8);
  PutAtaString(identify, 54, "VK SSD 512GB", 40);
  identify[600] = 0x34;  // word 300, beyond the 512 bytes a drive fills
  identify[601] = 0x12;
  const std::vector<uint8_t> before = identify;
  out_.list.AddRow(Row("kept", "x"));

  DecodeConfigTable(ConfigTableKind::kAta, identify, Source(), out_.list, rep_);
  EXPECT_EQ(out_.Rows(),
            (std::vector<InfoRow>{Row("kept", "x"), Row("Serial number", "SN0042              "),
                                  Row("Firmware revision", "VKF1.02 "),
                                  Row("Model number", "VK SSD 512GB" + std::string(28, ' ')),
                                  Row("Word 300", "0x1234")}));
  EXPECT_EQ(identify, before);  // the drive's buffer is not changed
}

TEST_F(TableDecodersTest, OnlyTheThreeStringRangesAreSwapped) {
  dir_.Write("VK4610XT/Identify.ini",
             "[Setting]\nUnitSize=1\nTotalUnitNum=1024\n"
             "[Item_a]\nItemUnitOffset=18\nItemUnitNum=2\nItemDesc=Before serial\n"
             "[Item_b]\nItemUnitOffset=40\nItemUnitNum=6\nItemStringMode=1\nItemDesc=Gap\n"
             "[Item_c]\nItemUnitOffset=94\nItemUnitNum=2\nItemDesc=After model\n");
  std::vector<uint8_t> identify(1024, 0);
  identify[18] = 0x01;
  identify[19] = 0x02;
  for (size_t i = 40; i < 46; ++i) identify[i] = static_cast<uint8_t>('a' + (i - 40));
  identify[94] = 0x03;
  identify[95] = 0x04;
  DecodeConfigTable(ConfigTableKind::kAta, identify, Source(), out_.list, rep_);
  EXPECT_EQ(out_.Rows(), (std::vector<InfoRow>{Row("Before serial", "0x0201"), Row("Gap", "abcdef"),
                                               Row("After model", "0x0403")}));
}

TEST_F(TableDecodersTest, NvmeIdentifyIsDecodedUnchanged) {
  dir_.Write("VK4610XT/Identify.ini",
             "[Setting]\nUnitSize=1\nTotalUnitNum=4096\n"
             "[Item_0]\nItemUnitOffset=4\nItemUnitNum=4\nItemStringMode=1\nItemDesc=SN\n"
             "[Item_1]\nItemUnitOffset=4092\nItemUnitNum=4\nItemDesc=Last dword\n");
  std::vector<uint8_t> id(4096, 0);
  id[4] = 'A';
  id[5] = 'B';
  id[6] = 'C';
  id[7] = 'D';
  id[4095] = 0x9A;
  DecodeConfigTable(ConfigTableKind::kNvme, id, Source(), out_.list, rep_);
  EXPECT_EQ(out_.Rows(),
            (std::vector<InfoRow>{Row("SN", "ABCD"), Row("Last dword", "0x9A000000")}));
}

TEST_F(TableDecodersTest, ShortDataReadsAsZeroFilledTable) {
  dir_.Write("VK4610XT/Identify.ini", kIdentifyRules);
  DecodeConfigTable(ConfigTableKind::kAta, std::vector<uint8_t>(10, 0xFF), Source(), out_.list,
                    rep_);
  ASSERT_EQ(out_.Rows().size(), 4u);
  EXPECT_EQ(out_.Rows()[3], Row("Word 300", "0x0000"));
  EXPECT_TRUE(out_.traces.empty());
}

TEST_F(TableDecodersTest, MissingRuleFilesAddNothingAndSayNothing) {
  out_.list.AddRow(Row("kept", "x"));
  DecodeConfigTable(ConfigTableKind::kNvme, std::vector<uint8_t>(4096), Source(), out_.list, rep_);
  EXPECT_EQ(out_.Rows().size(), 1u);
  // An empty key value names the profile folder itself, which is no rule file.
  dir_.Write("VK4610XT/x.ini", kIdentifyRules);
  profile_.ECTableRule_FilePath = "VK4610XT\\";
  DecodeConfigTable(ConfigTableKind::kAta, std::vector<uint8_t>(1024), Source(), out_.list, rep_);
  EXPECT_EQ(out_.Rows().size(), 1u);
  DecodeNvmeSmartLog(std::vector<uint8_t>(512), Source(), out_.list, rep_);
  EXPECT_TRUE(out_.Rows().empty());
  EXPECT_TRUE(out_.boxes.empty());
  EXPECT_TRUE(out_.runLog.empty());
}

TEST_F(TableDecodersTest, NvmeSmartLogClearsTheListAndUsesTheSmartStyle) {
  dir_.Write("VK4610XT/Health.ini",
             "[Setting]\nUnitSize=1\nTotalUnitNum=512\n"
             "[Item_0]\nItemUnitOffset=1\nItemUnitNum=2\nItemDesc=Temperature\n"
             "[Item_1]\nItemUnitOffset=0\nItemUnitNum=1\nItemDesc=Warning\nItemBitEnable=1\n"
             "BitItemNum=8\nBitItemMethod=2\nBitItem0=bits\n"
             "[Item_2]\nItemUnitOffset=480\nItemUnitNum=32\nItemDesc=Wide\n");
  std::vector<uint8_t> log(512, 0);
  log[1] = 0x41;
  log[2] = 0x01;
  out_.list.AddRow(Row("old", "x"));
  DecodeNvmeSmartLog(log, Source(), out_.list, rep_);
  EXPECT_EQ(out_.Rows(), (std::vector<InfoRow>{Row("Temperature", "0x0141"), Row("Warning", "0x00"),
                                               Row("Wide", "")}));
}

TEST_F(TableDecodersTest, DuplicateSectionErrorNamesTheFullRulePath) {
  dir_.Write("VK4610XT/Identify.ini",
             "[Setting]\nUnitSize=1\nTotalUnitNum=1\n[Item_1]\nItemUnitNum=1\n[Item_1]\n");
  DecodeConfigTable(ConfigTableKind::kNvme, std::vector<uint8_t>(4096), Source(), out_.list, rep_);
  const std::string path = dir_.Str() + "\\VK4610XT\\Identify.ini";
  EXPECT_EQ(out_.runLog,
            (std::vector<std::string>{"Please check " + path + "  **** Section Name: Item_1"}));
  ASSERT_EQ(out_.boxes.size(), 1u);
}

TEST_F(TableDecodersTest, ReporterFromTheRunWritesRunLogAndDebuggerOutput) {
  app::RunLog log;
  os_.Trace().SetCapture(true);
  std::vector<std::string> shown;
  const DecodeReporter r = MakeDecodeReporter(
      os_, log, false, [&shown](const std::string&, const std::string& t) { shown.push_back(t); });
  dir_.Write("VK4610XT/Identify.ini",
             "[Setting]\nUnitSize=1\nTotalUnitNum=1\n[Item_1]\nItemUnitNum=1\nItemPointer=9\n"
             "[Item_2]\n[Item_2]\n");
  DecodeConfigTable(ConfigTableKind::kNvme, std::vector<uint8_t>(4096), Source(), out_.list, r);
  EXPECT_TRUE(shown.empty());  // PopUpMsgBox off
  EXPECT_EQ(log.Lines().size(), 1u);
  EXPECT_TRUE(os_.Trace().Contains("[VKM_RULE]"));
  EXPECT_TRUE(os_.Trace().Contains("ItemPointer 9 is not a slot 1-8"));
}

}  // namespace
}  // namespace info
