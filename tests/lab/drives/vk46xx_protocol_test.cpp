// The VK46xx sector-based vendor protocol: detect sequence and mode sector,
// command blocks, data phases, the echo, leaving vendor mode, the alternative
// command LBA, and user data that vendor mode never touches.
#include <gtest/gtest.h>

#include "lab/drives/vk46xx_test_support.h"

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

TEST(VkProtocolTest, DetectSequenceRevealsTheModeSector) {
  VkRig rig(Vk46xxDefaults(VkController::kVk4620Xt2));
  rig.media->Fill(0xAA, 0x11);
  rig.media->Fill(0x55AA, 0x22);
  std::vector<uint8_t> s;
  // Before the fifth read the reserved LBAs are plain user data.
  ASSERT_EQ(rig.Read(0xAA, 1, s), kGood);
  EXPECT_EQ(s[0], 0x11);
  EXPECT_FALSE(rig.drive->InVendorMode());
  const std::vector<uint8_t> mode = rig.Detect();
  ASSERT_EQ(mode.size(), 512u);
  EXPECT_TRUE(rig.drive->InVendorMode());
  EXPECT_EQ(mode[0], 0x00);  // normal firmware: no mode text
  EXPECT_EQ(Text(mode, 46, 8), "VK4620XA");
  EXPECT_EQ(mode[52], 'X');
  EXPECT_EQ(mode[53], 'A');

  // Commands that move no sectors do not break the sequence (bridges send
  // IDENTIFY between reads); a read elsewhere starts it over.
  VkRig bridged(Vk46xxDefaults(VkController::kVk4620Xt));
  for (uint32_t lba : {0xAAu, 0xAA00u, 0x55u, 0x5500u, 0x55AAu}) {
    std::vector<uint8_t> id(512);
    AtaCommand c = drivetest::Ata28(0, 1, 0, 0, 0, 0xE0, 0xEC, id, DataDirection::kIn);
    ASSERT_EQ(bridged.drive->ExecuteAta(c).current.command, kGood);
    bridged.Read(lba, 1, s);
  }
  EXPECT_TRUE(bridged.drive->InVendorMode());
  EXPECT_EQ(Text(s, 46, 8), "VK4620XT");
  VkRig other(Vk46xxDefaults(VkController::kVk4610Xt));
  for (uint32_t lba : {0xAAu, 0xAA00u, 0x100u, 0x55u, 0x5500u, 0x55AAu}) other.Read(lba, 1, s);
  EXPECT_FALSE(other.drive->InVendorMode());
  EXPECT_EQ(s[0], 0x00);  // user data of 0x55AA
}

TEST(VkProtocolTest, ModeTextsAndNames) {
  Vk46xxSettings isp = Vk46xxDefaults(VkController::kVk4610Xt);
  isp.mode = VkMode::kIsp;
  VkRig a(isp);
  std::vector<uint8_t> m = a.Detect();
  EXPECT_EQ(Text(m, 0, 4), std::string("ISP\0", 4));
  EXPECT_EQ(Text(m, 46, 8), "VK4610XT");
  Vk46xxSettings mp = Vk46xxDefaults(VkController::kVk4620Xt);
  mp.mode = VkMode::kMpIsp;
  VkRig b(mp);
  m = b.Detect();
  EXPECT_EQ(Text(m, 0, 5), "MPISP");
  EXPECT_EQ(Text(m, 46, 8), "VK4620XT");
  mp.mode = VkMode::kRomDe;
  VkRig c(mp);
  EXPECT_EQ(Text(c.Detect(), 0, 5), "ROMDE");
}

TEST(VkProtocolTest, ParameterBlockExchangeRestoresNothingItTouched) {
  VkRig rig(Vk46xxDefaults(VkController::kVk4620Xt2));
  rig.media->Fill(0x55AA, 0x5C);
  const int writesBefore = rig.media->writes;
  std::vector<uint8_t> param(1024, 0);
  ASSERT_EQ(rig.Exchange(Block(0xF0, 0x04, 0, 2), &param, false), 0);
  EXPECT_EQ(Text(param, 0, 10), "VK4620PARA");
  EXPECT_EQ(param[19], 4);
  EXPECT_EQ(param[20], 4);
  EXPECT_EQ(param[21], 1);
  EXPECT_EQ(param[67], 8);
  EXPECT_EQ(param[88], 0xA2);
  EXPECT_EQ(param[124], 0xF0);
  EXPECT_EQ(param[125], 0x2F);
  EXPECT_EQ(param[240], 0x98);
  EXPECT_EQ(Text(param, 512, 16), "S0301A0 03FBiCS5");
  // The block, the echo and the restored backup never reached the medium.
  EXPECT_EQ(rig.media->writes, writesBefore);
  EXPECT_EQ(rig.media->At(0x55AAull * 512), 0x5C);
  // Leaving vendor mode: a read elsewhere, after which 0x55AA is user data.
  std::vector<uint8_t> s;
  rig.Read(0, 1, s);
  EXPECT_FALSE(rig.drive->InVendorMode());
  rig.Read(0x55AA, 1, s);
  EXPECT_EQ(s[0], 0x5C);
}

TEST(VkProtocolTest, ReservedLbasNeverTouchUserDataInVendorMode) {
  VkRig rig(Vk46xxDefaults(VkController::kVk4610Xt));
  for (uint32_t lba : {0xAAu, 0xAA00u, 0x55u, 0x5500u, 0x55AAu, 0x789u, 0x1234u}) {
    rig.media->Fill(lba, 0x77);
  }
  ASSERT_FALSE(rig.Detect().empty());
  std::vector<uint8_t> s;
  for (uint32_t lba : {0xAAu, 0xAA00u, 0x55u, 0x5500u}) {
    ASSERT_EQ(rig.Write(lba, std::vector<uint8_t>(512, 0x99)), kGood);
    ASSERT_EQ(rig.Read(lba, 1, s), kGood);
    EXPECT_EQ(s[0], 0x00) << lba;
    EXPECT_TRUE(rig.drive->InVendorMode());
  }
  // A command LBA takes a write as a command block: this one is refused.
  EXPECT_EQ(rig.Write(0x789, std::vector<uint8_t>(512, 0x99)), kErr);
  ASSERT_EQ(rig.Read(0x789, 1, s), kGood);
  EXPECT_EQ(s[0], 0x00);
  // 0x1234 leaves vendor mode and is itself answered without user data.
  ASSERT_EQ(rig.Read(0x1234, 1, s), kGood);
  EXPECT_EQ(s[0], 0x00);
  EXPECT_FALSE(rig.drive->InVendorMode());
  for (uint32_t lba : {0xAAu, 0xAA00u, 0x55u, 0x5500u, 0x789u, 0x1234u}) {
    EXPECT_EQ(rig.media->At(uint64_t{lba} * 512), 0x77) << lba;
  }
}

TEST(VkProtocolTest, UnknownBlocksAndTheAlternativeCommandLba) {
  VkRig rig(Vk46xxDefaults(VkController::kVk4610Xt));
  std::vector<uint8_t> data(512);
  EXPECT_EQ(rig.Exchange(Block(0xF0, 0x99), &data, false), -6);
  EXPECT_EQ(rig.Exchange(Block(0xF1, 0x04), &data, true), -6);
  EXPECT_FALSE(rig.drive->InVendorMode());  // the host read 0x1234 after the refusal

  Vk46xxSettings only789 = Vk46xxDefaults(VkController::kVk4610Xt);
  only789.commandLbas = {0x789};
  VkRig alt(only789);
  std::vector<uint8_t> param(1024);
  EXPECT_EQ(alt.Exchange(Block(0xF0, 0x04, 0, 2), &param, false, 0x55AA), -6);
  ASSERT_EQ(alt.Exchange(Block(0xF0, 0x04, 0, 2), &param, false, 0x789), 0);
  EXPECT_EQ(Text(param, 0, 10), "VK4610PARA");
}

TEST(VkProtocolTest, NoEchoAndAFailedDataPhase) {
  Vk46xxSettings quiet = Vk46xxDefaults(VkController::kVk4620Xt);
  quiet.noEcho = true;
  VkRig rig(quiet);
  std::vector<uint8_t> param(1024);
  EXPECT_EQ(rig.Exchange(Block(0xF0, 0x04, 0, 2), &param, false), -8);
  EXPECT_EQ(Text(param, 0, 10), "VK4620PARA");  // the data itself arrived

  Vk46xxSettings failing = Vk46xxDefaults(VkController::kVk4620Xt);
  failing.failVendorCommands = {FaultRule{std::nullopt, 0x04, 1, 1}};  // "04:1"
  VkRig f(failing);
  // The data phase fails but the block is still echoed.
  EXPECT_EQ(f.Exchange(Block(0xF0, 0x04, 0, 2), &param, false), -7);
  EXPECT_EQ(f.Exchange(Block(0xF0, 0x04, 0, 2), &param, false), 0);
  // A memory read of an address nothing decodes fails the same way.
  std::vector<uint8_t> mem(512);
  EXPECT_EQ(f.Exchange(Block(0xF0, 0x2A, 0x30000000, 1, true), &mem, false), -7);
}

TEST(VkProtocolTest, VendorIdentifyAndErase) {
  VkRig rig(Vk46xxDefaults(VkController::kVk4620Xt));
  rig.media->Fill(5, 0x42);
  rig.media->Fill(0x80000, 0x42);
  std::vector<uint8_t> id(1024);
  ASSERT_EQ(rig.Exchange(Block(0xF0, 0x20), &id, false), 0);
  EXPECT_EQ(Text(id, 0, 6), "VKMVID");
  EXPECT_EQ(Text(id, 8, 8), "VK4620XT");
  EXPECT_EQ(Text(id, 16, 8), "S0220A0 ");
  std::vector<uint8_t> status(1024);
  ASSERT_EQ(rig.Exchange(Block(0xF0, 0x57), &status, false), 0);
  EXPECT_EQ(Text(status, 0, 8), "VKMERASE");
  EXPECT_EQ(status[8], 0x57);
  EXPECT_EQ(status[9], 0x00);
  EXPECT_TRUE(rig.media->AllZero());
  rig.media->Fill(9, 0x42);
  ASSERT_EQ(rig.Exchange(Block(0xF0, 0x54), &status, false), 0);
  EXPECT_EQ(status[8], 0x54);
  EXPECT_TRUE(rig.media->AllZero());
}

}  // namespace
}  // namespace lab::drives
