// Drive state persistence and the small value parsers lab.ini keys go through.
#include <gtest/gtest.h>

#include <algorithm>

#include "lab/drives/drive_state.h"
#include "lab/drives/value_text.h"

namespace lab::drives {
namespace {

TEST(DriveStateTest, RoundTripKeepsEveryField) {
  DriveState st;
  st.firmware = "S0220A0 ";  // the trailing blank is part of the revision
  st.pendingFirmware = "S0312A0 ";
  st.cid.assign(kCidSize, 0);
  for (size_t i = 0; i < kCidSize; ++i) st.cid[i] = static_cast<uint8_t>(i * 3);
  st.pendingCid.assign(kCidSize, 0xA5);
  st.mode = "ISP";
  st.smartEnabled = false;
  st.security.enabled = true;
  st.security.maximumLevel = true;
  st.security.userPassword[0] = 'p';
  st.security.userPassword[31] = 0xFF;
  st.security.masterChanged = true;
  st.security.masterPassword[5] = 'm';
  st.security.masterPasswordId = 0x1234;
  st.powerCycles = 17;
  st.unsafeShutdowns = 2;
  st.sectorsRead = 1ull << 40;
  st.sectorsWritten = 123456789012ull;
  st.slots[0] = "N0220A0 ";
  st.slots[1] = "N0312A0 ";
  st.activeSlot = 2;
  st.nextSlot = 1;

  const auto back = DriveState::Parse(st.Serialise());
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(*back, st);
}

TEST(DriveStateTest, ADamagedModeReadsTheSameAfterTheNextSave) {
  // An unprintable byte at the end of the mode is read as a blank; saving and
  // reading again must give the same state, not one with the blank trimmed.
  const auto first = DriveState::Parse("[DriveState]\nMode=IS\xD2\nSlot1=\x01N0220A0\n");
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(first->mode, "IS ");
  EXPECT_EQ(first->slots[0], " N0220A0");
  const std::string saved = first->Serialise();
  EXPECT_NE(saved.find("\nMode=\"IS \"\n"), std::string::npos) << saved;
  const auto second = DriveState::Parse(saved);
  ASSERT_TRUE(second.has_value());
  EXPECT_EQ(*second, *first);
  // Files saved before the mode was quoted read as they always did.
  EXPECT_EQ(DriveState::Parse("[DriveState]\nMode=ISP\n")->mode, "ISP");
}

TEST(DriveStateTest, DamagedValuesFallBackOneByOne) {
  const std::string text =
      "[DriveState]\n"
      "Firmware=V1.0\n"
      "Cid=00112233\n"            // wrong length: dropped
      "UserPassword=zz\n"         // not hex: dropped
      "MasterPasswordId=70000\n"  // out of range
      "PowerCycles=-3\n"
      "ActiveSlot=9\n"
      "NextSlot=2\n"
      "SmartEnabled=0\n";
  const auto st = DriveState::Parse(text);
  ASSERT_TRUE(st.has_value());
  EXPECT_EQ(st->firmware, "V1.0");
  EXPECT_TRUE(st->cid.empty());
  EXPECT_EQ(st->security.userPassword, Password{});
  EXPECT_EQ(st->security.masterPasswordId, kFactoryMasterPasswordId);
  EXPECT_FALSE(st->security.masterChanged);
  EXPECT_EQ(st->powerCycles, 0u);
  EXPECT_EQ(st->activeSlot, 1);
  EXPECT_EQ(st->nextSlot, 2);
  EXPECT_FALSE(st->smartEnabled);
}

TEST(DriveStateTest, TextWithoutTheSectionIsNoState) {
  EXPECT_FALSE(DriveState::Parse("").has_value());
  EXPECT_FALSE(DriveState::Parse("[Other]\nFirmware=X\n").has_value());
  // Control characters in a revision never reach the drive's strings.
  const auto st = DriveState::Parse(
      "[DriveState]\nFirmware=\"A\x01"
      "B\"\n");
  ASSERT_TRUE(st.has_value());
  EXPECT_EQ(st->firmware, "A B");
}

TEST(ValueTextTest, BytesAndPatches) {
  EXPECT_EQ(HexBytes(std::vector<uint8_t>{0x00, 0xAB}), "00AB");
  std::vector<uint8_t> block(100, 0);
  // The patch at 1000 does not fit: ignored.
  ApplyBytePatches(block,
                   {BytePatch{19, {0x04}}, BytePatch{0x58, {0xA2, 0xB3}}, BytePatch{1000, {0x01}}});
  EXPECT_EQ(block[19], 0x04);
  EXPECT_EQ(block[0x58], 0xA2);
  EXPECT_EQ(block[0x59], 0xB3);
  EXPECT_EQ(std::count(block.begin(), block.end(), 0), 97);
}

TEST(DriveStateTest, RevisionPaddedWithZeroSurvivesARestart) {
  DriveState st;
  st.firmware = std::string("S0312A0\0", 8);
  st.pendingFirmware = "S0313A0 ";
  const auto back = DriveState::Parse(st.Serialise());
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->firmware, std::string("S0312A0\0", 8));
  EXPECT_EQ(back->pendingFirmware, "S0313A0 ");
  // Bytes that are not text and zero padding are no revision: the text line stands.
  const auto odd =
      DriveState::Parse("[DriveState]\nFirmware=\"S0312A0\"\nFirmwareBytes=5330000041\n");
  ASSERT_TRUE(odd.has_value());
  EXPECT_EQ(odd->firmware, "S0312A0");
}

}  // namespace
}  // namespace lab::drives
