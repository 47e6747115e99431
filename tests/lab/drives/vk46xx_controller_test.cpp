// The VK46xx controller behind the protocol: memory map and layouts, ROM
// strings, registers, CID window, mode switch, flash information, the
// download preparation and what a new image changes; settings from lab.ini.
#include <gtest/gtest.h>

#include "lab/config/lab_config.h"
#include "lab/drives/vk46xx_test_support.h"
#include "support/lab_builder.h"

namespace lab::drives {
namespace {

using drivetest::Block;
using drivetest::kErr;
using drivetest::kGood;
using drivetest::VkRig;

std::string Text(const std::vector<uint8_t>& b, size_t at, size_t n) {
  return std::string(b.begin() + static_cast<ptrdiff_t>(at),
                     b.begin() + static_cast<ptrdiff_t>(at + n));
}

// Memory read through the protocol: long layout for normal firmware.
int ReadMemory(VkRig& rig, uint32_t address, std::vector<uint8_t>& out, bool longLayout = true) {
  const uint16_t sectors = static_cast<uint16_t>(out.size() / 512);
  return rig.Exchange(Block(0xF0, 0x2A, address, sectors, longLayout), &out, false);
}

int WriteMemory(VkRig& rig, uint32_t address, std::vector<uint8_t>& data, bool longLayout = true) {
  const uint16_t sectors = static_cast<uint16_t>(data.size() / 512);
  return rig.Exchange(Block(0xF1, 0x2B, address, sectors, longLayout), &data, true);
}

TEST(VkMemoryTest, HardwareIdRomStringsAndCid) {
  VkRig rig(Vk46xxDefaults(VkController::kVk4620Xt2));
  std::vector<uint8_t> m(512);
  // Block bytes for the long layout: F0 2A 50 00 00 0B 00 01.
  std::vector<uint8_t> b = Block(0xF0, 0x2A, 0x5000000B, 1, true);
  EXPECT_EQ((std::vector<uint8_t>(b.begin(), b.begin() + 8)),
            (std::vector<uint8_t>{0xF0, 0x2A, 0x50, 0x00, 0x00, 0x0B, 0x00, 0x01}));
  ASSERT_EQ(ReadMemory(rig, 0x5000000B, m), 0);
  EXPECT_EQ(m[0] & 0x07, 2);  // hardware ID of the XT2 default: "AC"

  ASSERT_EQ(ReadMemory(rig, 0x60FE, m), 0);
  EXPECT_EQ(Text(m, 0, 16), "KV6402CAB OORTMO");  // "VK4620AC BOOTROM", pairs swapped

  VkRig ab(Vk46xxDefaults(VkController::kVk4620Xt));
  ASSERT_EQ(ReadMemory(ab, 0x5C5A, m), 0);
  EXPECT_EQ(Text(m, 0, 16), "KV6402BAB OORTMO");

  Vk46xxSettings ad = Vk46xxDefaults(VkController::kVk4610Xt);
  ad.romId = "4610AD";
  VkRig d(ad);
  ASSERT_EQ(ReadMemory(d, 0x4FE2, m), 0);
  EXPECT_EQ(Text(m, 0, 16), "KV6401DAB OORTMO");  // "VK4610AD BOOTROM": no "4610AB"
  ASSERT_EQ(ReadMemory(d, 0x50AA, m), 0);
  EXPECT_EQ(Text(m, 0, 16), "KV6401BAR MOR D.");  // "VK4610AB ROM R.D"

  std::vector<uint8_t> cid(1024);
  ASSERT_EQ(ReadMemory(rig, 0x800, cid), 0);
  EXPECT_EQ(cid[18], 0x20);
  EXPECT_EQ(cid[57], 0x12);
  EXPECT_EQ(cid[75], 0x28);
  EXPECT_EQ(Text(cid, 0, 128), Text(rig.drive->VkSettings().cid, 0, 128));
  EXPECT_TRUE(std::any_of(cid.begin() + 128, cid.end(), [](uint8_t v) { return v != 0; }));
}

TEST(VkMemoryTest, RegistersKeepWritesUntilPowerOn) {
  VkRig rig(Vk46xxDefaults(VkController::kVk4610Xt));
  std::vector<uint8_t> r(512);
  ASSERT_EQ(ReadMemory(rig, 0x10001150, r), 0);
  EXPECT_EQ(r[0], 0x03);  // both check-dummy bits set
  r[0] &= 0xFC;
  ASSERT_EQ(WriteMemory(rig, 0x10001150, r), 0);
  std::vector<uint8_t> back(512);
  ASSERT_EQ(ReadMemory(rig, 0x10001150, back), 0);
  EXPECT_EQ(back[0], 0x00);
  rig.drive->PowerOff(false);
  rig.drive->PowerOn();
  ASSERT_EQ(ReadMemory(rig, 0x10001150, back), 0);
  EXPECT_EQ(back[0], 0x03);
  // ROM does not take writes: the data phase fails.
  EXPECT_EQ(WriteMemory(rig, 0x4000, r), -7);
}

TEST(VkMemoryTest, LayoutFollowsTheRunningCodeAndTheModeSwitch) {
  Vk46xxSettings s = Vk46xxDefaults(VkController::kVk4610Xt);
  s.mode = VkMode::kIsp;
  VkRig rig(s);
  std::vector<uint8_t> m(512);
  // ISP code reads the short layout; in a long-layout block it finds a sector
  // count of 0 and refuses the block.
  EXPECT_EQ(ReadMemory(rig, 0x5000000B, m, true), -6);
  ASSERT_EQ(ReadMemory(rig, 0x5000000B, m, false), 0);
  EXPECT_EQ(m[0] & 0x07, 1);

  std::vector<uint8_t> sw = Block(0xF0, 0x2C);
  sw[2] = 1;
  ASSERT_EQ(rig.Exchange(sw, nullptr, false), 0);
  EXPECT_EQ(rig.drive->RunningMode(), VkMode::kNormal);
  EXPECT_EQ(rig.Detect()[0], 0x00);
  ASSERT_EQ(ReadMemory(rig, 0x4FE2, m, true), 0);
  EXPECT_EQ(Text(m, 0, 16), "KV6401BAB OORTMO");
  sw[2] = 0;
  ASSERT_EQ(rig.Exchange(sw, nullptr, false), 0);
  EXPECT_EQ(Text(rig.Detect(), 0, 3), "ISP");
  sw[2] = 2;
  EXPECT_EQ(rig.Exchange(sw, nullptr, false), -6);
}

TEST(VkMemoryTest, FlashInformationBlock) {
  Vk46xxSettings s = Vk46xxDefaults(VkController::kVk4620Xt);
  s.dieText = "TSB BiCS4 8die";
  s.planeCount = 4;
  s.retryTable = 2;
  s.flashByte2400 = 0x00;
  s.flashByte2490 = 0x5A;
  s.flashPatches = {BytePatch{0x3000, {0xC0, 0xFF, 0xEE}}};
  VkRig rig(s);
  std::vector<uint8_t> f(16384);
  ASSERT_EQ(rig.Exchange(Block(0xF0, 0x3F, 0, 32), &f, false), 0);
  const Sector id = rig.drive->Identify();
  EXPECT_TRUE(std::equal(id.begin(), id.end(), f.begin()));
  EXPECT_EQ(Text(f, 0x20C0, 15), std::string("TSB BiCS4 8die\0", 15));
  EXPECT_EQ(f[0x2400], 0x00);
  EXPECT_EQ(f[0x2490], 0x5A);
  EXPECT_EQ(f[0x2638], 4);
  EXPECT_EQ(f[0x2688], 2);
  EXPECT_EQ(f[0x3001], 0xFF);
}

// A 64 KiB plain image with a version, a CID and a valid checksum.
std::vector<uint8_t> PlainImage(const char* version, uint8_t cidFill) {
  std::vector<uint8_t> img(0x10000);
  for (size_t i = 0; i < img.size(); ++i) img[i] = static_cast<uint8_t>(i * 29 + 5);
  for (size_t i = 0x600; i < 0x880; ++i) img[i] = 0;
  for (size_t i = 0; i < 8; ++i) img[0x62E + (i ^ 1)] = static_cast<uint8_t>(version[i]);
  for (size_t i = 0; i < 124; ++i) img[0x800 + i] = cidFill;
  uint32_t sum = 0;
  for (size_t i = 0; i < img.size(); ++i) {
    if (i < 0x600 || i >= 0x880) sum += img[i];
  }
  for (size_t i = 0; i < 4; ++i) img[0x87C + i] = static_cast<uint8_t>(sum >> (8 * i));
  return img;
}

TEST(VkDownloadTest, PreparationGateAndWhatANewImageChanges) {
  Vk46xxSettings s = Vk46xxDefaults(VkController::kVk4610Xt);
  s.mode = VkMode::kIsp;
  s.downloadNeedsPrep = true;
  VkRig rig(s);
  std::vector<uint8_t> img = PlainImage("S0999Z0 ", 0x3C);
  auto chunk = [&](uint16_t off, uint16_t n) {
    AtaCommand c = drivetest::Download(0x03, off, n,
                                       std::span<uint8_t>(img.data() + off * 512ull, n * 512ull));
    return rig.drive->ExecuteAta(c);
  };
  EXPECT_EQ(chunk(0, 64).current.command, kErr);  // not prepared

  // The update flow's preparation, in ISP code (short layout).
  std::vector<uint8_t> r(512);
  ASSERT_EQ(ReadMemory(rig, 0x10001150, r, false), 0);
  r[0] &= 0xFC;
  ASSERT_EQ(WriteMemory(rig, 0x10001150, r, false), 0);
  ASSERT_EQ(ReadMemory(rig, 0x50000060, r, false), 0);
  r[0] |= 0x01;
  ASSERT_EQ(WriteMemory(rig, 0x50000060, r, false), 0);

  EXPECT_EQ(chunk(0, 64).current.sectorCount, 1);
  EXPECT_EQ(chunk(64, 64).current.sectorCount, 0);  // plain image taken
  EXPECT_EQ(GetAtaString(rig.drive->Identify(), 23, 4), "S0999Z0 ");
  EXPECT_EQ(rig.drive->RunningMode(), VkMode::kNormal);
  EXPECT_EQ(rig.drive->State().mode, "Normal");
  std::vector<uint8_t> cid(512);
  ASSERT_EQ(ReadMemory(rig, 0x800, cid, true), 0);
  EXPECT_EQ(cid[0], 0x3C);
  EXPECT_EQ(cid[123], 0x3C);
  std::vector<uint8_t> param(1024);
  ASSERT_EQ(rig.Exchange(Block(0xF0, 0x04, 0, 2), &param, false), 0);
  EXPECT_EQ(Text(param, 512, 8), "S0999Z0 ");
  // The new firmware booted: the registers are back at reset values.
  ASSERT_EQ(ReadMemory(rig, 0x10001150, r, true), 0);
  EXPECT_EQ(r[0], 0x03);
}

TEST(VkMemoryTest, RetryDataFromLabIniFollowsTheCid) {
  const LabConfig config =
      ParseLabConfig(testsupport::LabBuilder()
                         .Sata("Disk Retry", "VK4620XT", {"Capacity=1GB", "RetryData=A1 B2 C3 D4"})
                         .Sata("Disk Tag", "VK4620XT", {"Capacity=1GB"})
                         .Sata("Disk Bad", "VK4620XT", {"Capacity=1GB", "RetryData=A1B"})
                         .Text());
  EXPECT_EQ(
      config.problems,
      (std::vector<std::string>{"[Disk Bad] RetryData: expected 1 to 896 hexadecimal bytes"}));
  ASSERT_EQ(config.disks.size(), 4u);

  VkRig given(Vk46xxSettingsFor(config.disks[1]));
  std::vector<uint8_t> m(1024);
  ASSERT_EQ(ReadMemory(given, 0x800, m), 0);
  // Bytes 128.. of the CID window: the four given, then zeros.
  EXPECT_EQ(std::vector<uint8_t>(m.begin() + 128, m.begin() + 133),
            (std::vector<uint8_t>{0xA1, 0xB2, 0xC3, 0xD4, 0x00}));
  EXPECT_EQ(std::count(m.begin() + 132, m.end(), 0), 1024 - 132);

  // Without the key the drive derives them from its firmware tag "FBiCS4":
  // seed 0x31, then seed = seed * 31 + c for each character gives E8h; byte i
  // of the retry data is seed + 3i for i % 16 < 8, else 0x100 - (i & 0x3F).
  VkRig derived(Vk46xxSettingsFor(config.disks[2]));
  ASSERT_EQ(ReadMemory(derived, 0x800, m), 0);
  EXPECT_EQ(m[128], 0xE8);
  EXPECT_EQ(m[129], 0xEB);
  EXPECT_EQ(m[128 + 8], 0xF8);
}

TEST(VkSettingsTest, ReadsTheDiskSectionAndReportsBadValues) {
  const LabConfig config = ParseLabConfig(testsupport::LabBuilder()
                                              .Sata("Disk2", "VK4620XT2",
                                                    {"Mode=isp",
                                                     "Model=LAB XT2 DRIVE",
                                                     "FwTag=\" F1Z4T\"",
                                                     "RetryTag=07",
                                                     "NandMakerCode=0x45",
                                                     "PlaneMode=2",
                                                     "CapacityCode=0201",
                                                     "UnitSectors=16",
                                                     "ParamBytes=300=ABCD",
                                                     "DieText=SNK 8die",
                                                     "PlaneCount=4",
                                                     "RetryTable=2",
                                                     "RomId=4620AC",
                                                     "HwId=9",
                                                     "Reg10001150=0x01",
                                                     "Cid=zz",
                                                     "CommandLbas=789, 1234",
                                                     "NoEcho=1",
                                                     "FailVendorCommands=2A:2",
                                                     "DmMaxBlocks=128",
                                                     "SmartTagOffset=9999",
                                                     "DownloadFormat=update"})
                                              .Text());
  // Each bad value is reported with its section and key, and keeps the default.
  EXPECT_EQ(config.problems, (std::vector<std::string>{
                                 "[Disk2] SmartTagOffset: '9999' is not a number from 2 to 510",
                                 "[Disk2] HwId: '9' is not a number from 0 to 7",
                                 "[Disk2] Cid: expected 128 hexadecimal bytes",
                                 "[Disk2] CommandLbas: '1234': the command LBAs are 55AA and 789",
                             }));
  ASSERT_EQ(config.disks.size(), 2u);
  const Vk46xxSettings s = Vk46xxSettingsFor(config.disks[1]);
  const Vk46xxSettings d = Vk46xxDefaults(VkController::kVk4620Xt2);
  EXPECT_EQ(s.controller, VkController::kVk4620Xt2);
  EXPECT_EQ(s.mode, VkMode::kIsp);
  EXPECT_EQ(s.ata.model, "LAB XT2 DRIVE");
  EXPECT_EQ(s.fwTag, " F1Z4T");
  EXPECT_EQ(s.retryTag, "07");
  EXPECT_EQ(s.nandMaker, 0x45);
  EXPECT_EQ(s.planeMode, 2);
  EXPECT_EQ(s.capacityCode, (std::vector<uint8_t>{2, 1}));
  EXPECT_EQ(s.unitSectors, 16);
  EXPECT_EQ(s.ata.dmUnitBytes, 16u * 512);
  EXPECT_EQ(s.dieText, "SNK 8die");
  EXPECT_EQ(s.planeCount, 4);
  EXPECT_EQ(s.retryTable, 2);
  EXPECT_EQ(s.hwId, d.hwId);
  EXPECT_EQ(s.reg10001150, 0x01);
  EXPECT_EQ(s.cid, d.cid);
  EXPECT_EQ(s.commandLbas, d.commandLbas);
  EXPECT_TRUE(s.noEcho);
  EXPECT_EQ(s.failVendorCommands, (std::vector<FaultRule>{{std::nullopt, 0x2A, 2, 1}}));
  EXPECT_EQ(s.ata.features.dmMaxBlocks, 128);
  EXPECT_EQ(s.ata.smartTag.offset, d.ata.smartTag.offset);
  EXPECT_EQ(s.ata.smartTag.text, "VKM4620XT2");
  EXPECT_EQ(s.ata.dmFormat, DownloadFormat::kUpdateFile);
  EXPECT_FALSE(s.retryData.has_value());

  VkRig rig(s);
  std::vector<uint8_t> param(1024);
  ASSERT_EQ(rig.Exchange(Block(0xF0, 0x04, 0, 2), &param, false, 0x789), -8);  // no echo
  EXPECT_EQ(Text(param, 520, 8), "07 F1Z4T");
  EXPECT_EQ(param[300], 0xAB);
  EXPECT_EQ(param[301], 0xCD);

  // An unknown controller name falls back to the first family member.
  DiskConfig unknown;
  unknown.controller = "VK9999";
  EXPECT_EQ(Vk46xxSettingsFor(unknown).controller, VkController::kVk4610Xt);
}

}  // namespace
}  // namespace lab::drives
