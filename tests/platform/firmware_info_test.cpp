#include <gtest/gtest.h>

#include <vector>

#include "platform/linux/nvme_translation.h"

namespace os::linuxos {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes IdentifyWithFrmw(uint8_t frmw) {
  Bytes identify(kIdentifyControllerSize, 0xEE);
  identify[260] = frmw;
  return identify;
}

// FRMW 0x0F: slot 1 read-only (bit 0) and seven slots (bits 3..1).
TEST(FirmwareInfo, TheHeaderCarriesVersionSizeUpgradeAndSlotCount) {
  Bytes answer(64, 0xAA);
  ASSERT_TRUE(FirmwareInfoFromIdentify(IdentifyWithFrmw(0x0F), answer));
  Bytes expected(64, 0);
  expected[0] = 56;  // Version: the whole structure with one slot entry
  expected[4] = 64;  // Size: the caller's buffer
  expected[8] = 1;   // SupportUpgrade
  expected[9] = 7;   // SlotCount
  EXPECT_EQ(answer, expected);

  // FRMW 0x12: bit 4 belongs to another field, bits 3..1 say one slot.
  Bytes small(24, 0xAA);
  ASSERT_TRUE(FirmwareInfoFromIdentify(IdentifyWithFrmw(0x12), small));
  EXPECT_EQ(small, Bytes({56, 0, 0, 0, 24, 0, 0, 0, 1, 1, 0, 0,  //
                          0,  0, 0, 0, 0,  0, 0, 0, 0, 0, 0, 0}));
}

TEST(FirmwareInfo, AShortAnswerOrIdentifyIsRefusedUntouched) {
  Bytes answer(23, 0xAA);
  EXPECT_FALSE(FirmwareInfoFromIdentify(IdentifyWithFrmw(0x0F), answer));
  EXPECT_EQ(answer, Bytes(23, 0xAA));
  Bytes enough(24, 0xAA);
  EXPECT_FALSE(FirmwareInfoFromIdentify(Bytes(260, 0), enough));
  EXPECT_EQ(enough, Bytes(24, 0xAA));
}

}  // namespace
}  // namespace os::linuxos
