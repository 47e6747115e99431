// The rule files shipped in the demo tool folder, decoded against realistic
// tables built here: each file must decode cleanly (every item in range, no
// duplicate sections) into rows a technician can read.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "decode_harness.h"
#include "pages/info/decoder/table_decoders.h"
#include "pages/info/smart/ata_smart_table.h"
#include "pages/info/smart/nvme_smart_decimal.h"
#include "platform/virtual_os.h"

namespace info {
namespace {

const char* const kSataProfiles[] = {"VK4610XT", "VK4620XT", "VK4620XT2"};

// The item row with `caption` and the bit-field rows under it.
std::vector<std::string> Group(const std::vector<InfoRow>& rows, const std::string& caption) {
  for (size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].caption != caption) continue;
    std::vector<std::string> out{rows[i].subItems.at(0)};
    for (size_t j = i + 1; j < rows.size() && rows[j].caption.empty(); ++j) {
      out.push_back(rows[j].subItems.at(0));
    }
    return out;
  }
  return {"<no row " + caption + ">"};
}

std::string Value(const std::vector<InfoRow>& rows, const std::string& caption) {
  return Group(rows, caption).front();
}

// Item sections of a rule file whose row is shown.
size_t ShownItems(const std::string& path) {
  const auto ini = common::IniFile::Load(path);
  EXPECT_TRUE(ini.has_value()) << path;
  size_t n = 0;
  for (const std::string& s : ini->SectionNames()) {
    if (s.find("Item_") != std::string::npos && ini->ReadString(s, "ItemDesc", "0") != "0") ++n;
  }
  return n;
}

size_t CaptionedRows(const std::vector<InfoRow>& rows) {
  size_t n = 0;
  for (const InfoRow& r : rows) n += r.caption.empty() ? 0 : 1;
  return n;
}

void PutWord(std::vector<uint8_t>& b, size_t word, uint16_t v) {
  common::WriteLe16(b, word * 2, v);
}

// Text as an ATA string stores it: padded with blanks, byte-swapped words.
void PutAtaText(std::vector<uint8_t>& b, size_t word, size_t words, std::string text) {
  text.resize(words * 2, ' ');
  for (size_t i = 0; i < words; ++i) {
    b[(word + i) * 2] = static_cast<uint8_t>(text[i * 2 + 1]);
    b[(word + i) * 2 + 1] = static_cast<uint8_t>(text[i * 2]);
  }
}

void PutText(std::vector<uint8_t>& b, size_t offset, size_t size, std::string text) {
  text.resize(size, ' ');
  for (size_t i = 0; i < size; ++i) b[offset + i] = static_cast<uint8_t>(text[i]);
}

// A 512 GB SATA SSD with SMART, NCQ, APM and TRIM, in a 1024-byte buffer.
std::vector<uint8_t> SampleIdentify() {
  std::vector<uint8_t> b(1024, 0);
  PutWord(b, 0, 0x0040);
  PutAtaText(b, 10, 10, "VK2301A00042");
  PutAtaText(b, 23, 4, "VKF10230");
  PutAtaText(b, 27, 20, "VK SSD 512GB");
  PutWord(b, 47, 0x8010);
  PutWord(b, 49, 0x2F00);
  PutWord(b, 53, 0x0007);
  PutWord(b, 59, 0x0110);
  PutWord(b, 60, 0xFFFF);
  PutWord(b, 61, 0x0FFF);
  PutWord(b, 63, 0x0407);
  PutWord(b, 64, 0x0003);
  PutWord(b, 69, 0x4020);
  PutWord(b, 75, 0x001F);
  PutWord(b, 76, 0x010E);
  PutWord(b, 77, 0x0006);
  PutWord(b, 78, 0x0048);
  PutWord(b, 79, 0x0040);
  PutWord(b, 80, 0x07E0);
  PutWord(b, 82, 0x706B);
  PutWord(b, 83, 0x7409);
  PutWord(b, 84, 0x4163);
  PutWord(b, 85, 0x7069);
  PutWord(b, 86, 0xB409);
  PutWord(b, 87, 0x4163);
  PutWord(b, 88, 0x407F);
  PutWord(b, 91, 0x00FE);
  PutWord(b, 100, 0x12B0);  // 1000215216 sectors
  PutWord(b, 101, 0x3B9E);
  PutWord(b, 106, 0x4000);
  PutWord(b, 128, 0x0029);
  PutWord(b, 168, 0x0003);
  PutWord(b, 169, 0x0001);
  PutWord(b, 217, 0x0001);
  PutWord(b, 222, 0x10FF);
  uint8_t sum = 0xA5;
  for (size_t i = 0; i < 510; ++i) sum = static_cast<uint8_t>(sum + b[i]);
  PutWord(b, 255, static_cast<uint16_t>(0x00A5 | (static_cast<uint8_t>(0x100 - sum) << 8)));
  return b;
}

class ShippedRulesTest : public ::testing::Test {
 protected:
  RuleSource Source(const std::string& name, const std::string& config, const std::string& smart,
                    const std::string& section = "") {
    profile_.Name = name;
    profile_.ECTableRule_FilePath = name + "\\" + config;
    profile_.SMARTRule_FilePath = name + "\\" + smart;
    profile_.SMARTRule_SectionName = section;
    return RuleSource{os_, SSDTOOLS_DEMO_DIR, profile_};
  }
  static std::string Native(const std::string& name, const std::string& file) {
    return std::string(SSDTOOLS_DEMO_DIR) + "/" + name + "/" + file;
  }
  void ExpectClean(const std::string& file) {
    EXPECT_TRUE(out_.traces.empty()) << file << ": " << out_.traces.front();
    EXPECT_TRUE(out_.runLog.empty()) << file;
    EXPECT_TRUE(out_.boxes.empty()) << file;
  }

  os::VirtualOs os_;
  app::ControllerProfile profile_;
  infotest::DecodeOutcome out_;
  DecodeReporter rep_ = infotest::RecordingReporter(out_);
};

TEST_F(ShippedRulesTest, AtaIdentifyDeviceRulesOfEverySataProfile) {
  for (const char* name : kSataProfiles) {
    SCOPED_TRACE(name);
    out_ = infotest::DecodeOutcome{};
    DecodeConfigTable(ConfigTableKind::kAta, SampleIdentify(),
                      Source(name, "IdentifyDevice.ini", "SmartAttr.ini"), out_.list, rep_);
    ExpectClean("IdentifyDevice.ini");
    const auto& rows = out_.Rows();
    EXPECT_EQ(CaptionedRows(rows), ShownItems(Native(name, "IdentifyDevice.ini")));

    EXPECT_EQ(Value(rows, "Serial number"), "VK2301A00042        ");
    EXPECT_EQ(Value(rows, "Firmware revision"), "VKF10230");
    EXPECT_EQ(Value(rows, "Model number"), "VK SSD 512GB" + std::string(28, ' '));
    EXPECT_EQ(Group(rows, "General configuration (word 0)"),
              (std::vector<std::string>{"0x0040", "Identify data complete", "ATA device"}));
    EXPECT_EQ(Value(rows, "User addressable sectors, 28-bit commands (words 60-61)"), "0x0FFFFFFF");
    EXPECT_EQ(Value(rows, "User addressable sectors, 48-bit commands (words 100-103)"),
              "0x000000003B9E12B0");
    EXPECT_EQ(Group(rows, "Data set management (word 169)"),
              (std::vector<std::string>{"0x0001", "TRIM: supported"}));
    EXPECT_EQ(Group(rows, "Serial ATA capabilities (word 76)"),
              (std::vector<std::string>{
                  "0x010E", "SATA Gen1 1.5 Gb/s: supported", "SATA Gen2 3.0 Gb/s: supported",
                  "SATA Gen3 6.0 Gb/s: supported", "Native command queuing (NCQ): supported",
                  "Host-initiated power management (HIPM): not supported"}));
    EXPECT_EQ(Group(rows, "Serial ATA additional capabilities (word 77)"),
              (std::vector<std::string>{"0x0006", "Current link speed: Gen3 6.0 Gb/s"}));
    EXPECT_EQ(Group(rows, "Command sets supported (word 82)"),
              (std::vector<std::string>{
                  "0x706B", "SMART feature set: supported", "Security feature set: supported",
                  "Power management feature set: supported", "Volatile write cache: supported",
                  "Read look-ahead: supported", "WRITE BUFFER: supported", "READ BUFFER: supported",
                  "NOP: supported"}));
    EXPECT_EQ(
        Group(rows, "Command sets enabled (word 86)"),
        (std::vector<std::string>{
            "0xB409", "DOWNLOAD MICROCODE: supported", "Advanced power management (APM): enabled",
            "Power-up in standby: disabled", "48-bit address feature set: supported",
            "FLUSH CACHE: supported", "FLUSH CACHE EXT: supported", "Words 119-120 are valid"}));
    EXPECT_EQ(Group(rows, "Current APM level (word 91)"),
              (std::vector<std::string>{"0x00FE", "APM level: 0xFE"}));
    EXPECT_EQ(Group(rows, "Security status (word 128)"),
              (std::vector<std::string>{
                  "0x0029", "Security feature set: supported", "Security (user password): disabled",
                  "Security: not locked", "Security: frozen", "Enhanced security erase: supported",
                  "Master password capability: high"}));
    EXPECT_EQ(Group(rows, "Nominal media rotation rate (word 217)"),
              (std::vector<std::string>{"0x0001", "Non-rotating media (solid state drive)"}));
    EXPECT_EQ(Group(rows, "Nominal form factor (word 168)"),
              (std::vector<std::string>{"0x0003", "Form factor: 2.5 inch"}));
    const auto ultra = Group(rows, "Ultra DMA modes (word 88)");
    ASSERT_EQ(ultra.size(), 9u);
    EXPECT_EQ(ultra.back(), "Ultra DMA mode 6: selected");
    const auto integrity = Group(rows, "Integrity word (word 255)");
    ASSERT_EQ(integrity.size(), 3u);
    EXPECT_EQ(integrity[1], "Checksum signature present (A5h)");
  }
}

TEST_F(ShippedRulesTest, AtaIdentifyOfADriveWithoutOptionalFeatures) {
  std::vector<uint8_t> id(1024, 0);
  PutAtaText(id, 27, 20, "VK SSD 128GB");
  PutWord(id, 76, 0x0004);
  PutWord(id, 82, 0x4008);
  DecodeConfigTable(ConfigTableKind::kAta, id,
                    Source("VK4610XT", "IdentifyDevice.ini", "SmartAttr.ini"), out_.list, rep_);
  ExpectClean("IdentifyDevice.ini");
  const auto& rows = out_.Rows();
  EXPECT_EQ(Group(rows, "Data set management (word 169)"),
            (std::vector<std::string>{"0x0000", "TRIM: not supported"}));
  EXPECT_EQ(Group(rows, "Serial ATA capabilities (word 76)")[2],
            "Native command queuing (NCQ): not supported");
  EXPECT_EQ(Group(rows, "Command sets supported (word 82)")[1], "SMART feature set: not supported");
  EXPECT_EQ(Group(rows, "Nominal media rotation rate (word 217)"),
            (std::vector<std::string>{"0x0000", "Rotation rate not reported"}));
}

std::vector<uint8_t> SampleIdentifyController() {
  std::vector<uint8_t> b(4096, 0);
  common::WriteLe16(b, 0, 0xC0DE);
  common::WriteLe16(b, 2, 0xC0DE);
  PutText(b, 4, 20, "VK4630S0000123");
  PutText(b, 24, 40, "VK NVMe SSD 1TB");
  PutText(b, 64, 8, "VKN10420");
  b[72] = 6;
  b[73] = 0xB2;  // IEEE OUI 00A1B2h, least significant byte first
  b[74] = 0xA1;
  b[77] = 5;
  common::WriteLe16(b, 78, 1);
  common::WriteLe32(b, 80, 0x00010400);
  common::WriteLe32(b, 92, 0x00000200);
  b[111] = 1;
  common::WriteLe16(b, 256, 0x0017);
  b[258] = 3;
  b[259] = 3;
  b[260] = 0x14;
  b[261] = 0x0E;
  b[262] = 63;
  b[263] = 4;
  b[264] = 1;
  b[265] = 1;
  common::WriteLe16(b, 266, 0x0157);
  common::WriteLe16(b, 268, 0x0161);
  common::WriteLe16(b, 270, 50);
  common::WriteLe64(b, 280, 1000204886016ull);
  common::WriteLe16(b, 316, 10);
  b[319] = 1;
  b[512] = 0x66;
  b[513] = 0x44;
  common::WriteLe16(b, 514, 256);
  common::WriteLe32(b, 516, 1);
  common::WriteLe16(b, 520, 0x005F);
  b[524] = 0x04;
  b[525] = 0x07;
  const std::string nqn = "nqn.2024-01.example.vk:nvme:VK4630:VK4630S0000123";
  for (size_t i = 0; i < nqn.size(); ++i) b[768 + i] = static_cast<uint8_t>(nqn[i]);
  common::WriteLe16(b, 2048, 0x09C4);  // 25 W
  common::WriteLe16(b, 2048 + 3 * 32, 0x0032);
  b[2048 + 3 * 32 + 3] = 0x02;  // power state 3 is non-operational
  return b;
}

TEST_F(ShippedRulesTest, NvmeIdentifyControllerRules) {
  DecodeConfigTable(ConfigTableKind::kNvme, SampleIdentifyController(),
                    Source("VK4630", "IdentifyController.ini", "SmartHealthLog.ini"), out_.list,
                    rep_);
  ExpectClean("IdentifyController.ini");
  const auto& rows = out_.Rows();
  EXPECT_EQ(CaptionedRows(rows), ShownItems(Native("VK4630", "IdentifyController.ini")));
  EXPECT_EQ(Value(rows, "Serial number (SN)"), "VK4630S0000123      ");
  EXPECT_EQ(Value(rows, "Model number (MN)"), "VK NVMe SSD 1TB" + std::string(25, ' '));
  EXPECT_EQ(Value(rows, "Firmware revision (FR)"), "VKN10420");
  EXPECT_EQ(Value(rows, "PCI vendor ID (VID)"), "0xC0DE");
  EXPECT_EQ(Group(rows, "Arbitration burst and IEEE OUI (RAB, IEEE)"),
            (std::vector<std::string>{"0x00A1B206",
                                      "Recommended arbitration burst, as a power of two: 0x6",
                                      "IEEE OUI identifier: 0xA1B2"}));
  EXPECT_EQ(Group(rows, "Version (VER)"),
            (std::vector<std::string>{"0x00010400", "Tertiary version: 0x0", "Minor version: 0x4",
                                      "Major version: 0x1"}));
  EXPECT_EQ(Group(rows, "Firmware updates (FRMW)"),
            (std::vector<std::string>{"0x14", "Firmware slot 1 is writable", "Firmware slots: 2",
                                      "Firmware activation without reset: supported"}));
  const auto oacs = Group(rows, "Optional admin command support (OACS)");
  ASSERT_EQ(oacs.size(), 11u);
  EXPECT_EQ(oacs[3], "Firmware Download / Firmware Commit: supported");
  EXPECT_EQ(oacs[4], "Namespace Management: not supported");
  const auto oncs = Group(rows, "Optional NVM command support (ONCS)");
  ASSERT_EQ(oncs.size(), 10u);
  EXPECT_EQ(oncs[3], "Dataset Management (deallocate / TRIM): supported");
  EXPECT_EQ(oncs[6], "Reservations: not supported");
  EXPECT_EQ(Group(rows, "Autonomous power state transition attributes (APSTA)"),
            (std::vector<std::string>{"0x01", "Autonomous power state transitions: supported"}));
  EXPECT_EQ(Value(rows, "Warning composite temperature threshold, kelvins (WCTEMP)"), "0x0157");
  EXPECT_EQ(Value(rows, "Critical composite temperature threshold, kelvins (CCTEMP)"), "0x0161");
  EXPECT_EQ(Value(rows, "Total NVM capacity, bytes (TNVMCAP)"),
            "0x00000000000000000000"
            "00E8E0DB6000");
  EXPECT_EQ(Group(rows, "Submission queue entry size (SQES)"),
            (std::vector<std::string>{"0x66", "Required entry size, as a power of two: 0x6",
                                      "Maximum entry size, as a power of two: 0x6"}));
  EXPECT_EQ(Group(rows, "Volatile write cache (VWC)"),
            (std::vector<std::string>{"0x07", "Volatile write cache: present",
                                      "Flush with broadcast namespace ID: supported"}));
  EXPECT_EQ(Value(rows, "NVM subsystem NVMe qualified name (SUBNQN)"),
            "nqn.2024-01.example.vk:nvme:VK4630:VK4630S0000123");
  EXPECT_EQ(Value(rows, "NVM subsystem NVMe qualified name, continued"), "");
  EXPECT_EQ(Value(rows, "Power state 0: maximum power, 0.01 W units (MP)"), "0x09C4");
  EXPECT_EQ(Group(rows, "Power state 0: flags")[2], "Operational state");
}

// Sample NVMe SMART / Health log: 37 C, 3 % used, 639400 data units written.
std::vector<uint8_t> SampleHealthLog() {
  std::vector<uint8_t> b(512, 0);
  common::WriteLe16(b, 1, 0x0136);
  b[3] = 100;
  b[4] = 10;
  b[5] = 3;
  common::WriteLe64(b, 32, 1234567);
  common::WriteLe64(b, 48, 639400);
  common::WriteLe64(b, 64, 98765432);
  common::WriteLe64(b, 72, 1);  // host read commands beyond 64 bits
  common::WriteLe64(b, 80, 45678901);
  common::WriteLe64(b, 96, 321);
  common::WriteLe64(b, 112, 42);
  common::WriteLe64(b, 128, 1000);
  common::WriteLe64(b, 144, 7);
  common::WriteLe16(b, 200, 0x0136);
  common::WriteLe16(b, 202, 0x013B);
  common::WriteLe32(b, 216, 2);
  return b;
}

TEST_F(ShippedRulesTest, NvmeSmartHealthLogRulesWithTheDecimalColumn) {
  DecodeNvmeSmartLog(SampleHealthLog(),
                     Source("VK4630", "IdentifyController.ini", "SmartHealthLog.ini"), out_.list,
                     rep_);
  ExpectClean("SmartHealthLog.ini");
  std::vector<InfoRow> rows = out_.Rows();
  EXPECT_EQ(rows.size(), ShownItems(Native("VK4630", "SmartHealthLog.ini")));
  AppendDecimalColumn(rows);
  auto cells = [&rows](const std::string& caption) {
    for (const InfoRow& r : rows) {
      if (r.caption == caption) return r.subItems;
    }
    return std::vector<std::string>{"<no row " + caption + ">"};
  };
  using V = std::vector<std::string>;
  EXPECT_EQ(cells("Composite temperature, kelvins"), (V{"0x0136", "310"}));
  EXPECT_EQ(cells("Available spare, %"), (V{"0x64", "100"}));
  EXPECT_EQ(cells("Percentage used, %"), (V{"0x03", "3"}));
  EXPECT_EQ(cells("Data units written, 512000-byte units"),
            (V{"0x0000000000000000000000000009C1A8", "639400"}));
  EXPECT_EQ(cells("Host read commands"),
            (V{"0x00000000000000010000000005E30A78", "18446744073808317048"}));
  EXPECT_EQ(cells("Power-on hours"), (V{"0x000000000000000000000000000003E8", "1000"}));
  EXPECT_EQ(cells("Unsafe shutdowns"), (V{"0x00000000000000000000000000000007", "7"}));
  EXPECT_EQ(cells("Temperature sensor 2, kelvins"), (V{"0x013B", "315"}));
  EXPECT_EQ(cells("Temperature sensor 8, kelvins"), (V{"0x0000", "0"}));
  EXPECT_EQ(cells("Thermal management temperature 1 transition count"), (V{"0x00000002", "2"}));
  EXPECT_EQ(rows.front().caption.rfind("Critical warning", 0), 0u);
  EXPECT_EQ(rows.back().caption, "Total time for thermal management temperature 2, seconds");
}

TEST_F(ShippedRulesTest, AtaSmartAttributeNamesOfEverySataProfile) {
  std::vector<uint8_t> smart(512, 0);
  const uint8_t ids[] = {0x05, 0x09, 0x0C, 0xA9, 0xAE, 0xC2, 0xF1, 0xF2};
  for (size_t i = 0; i < sizeof(ids); ++i) {
    smart[2 + i * 12] = ids[i];
    smart[2 + i * 12 + 3] = 100;
    smart[2 + i * 12 + 4] = 100;
  }
  for (const char* name : kSataProfiles) {
    SCOPED_TRACE(name);
    RowList list;
    ShowAtaSmartTable(smart, Source(name, "IdentifyDevice.ini", "SmartAttr.ini", name), list);
    std::vector<std::string> captions;
    for (const InfoRow& r : list.Rows()) captions.push_back(r.caption);
    EXPECT_EQ(captions, (std::vector<std::string>{
                            "05 Reallocated sector count", "09 Power-on hours",
                            "0C Power cycle count", "A9 Remaining life, %",
                            "AE Unexpected power loss count", "C2 Temperature, degrees Celsius",
                            "F1 Total host LBAs written", "F2 Total host LBAs read"}));
  }
}

}  // namespace
}  // namespace info
