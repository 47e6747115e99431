// The one identity reader and the comparison destructive work makes with it.
#include "device/core/identity_reader.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "device/core/identity_match.h"

namespace device {
namespace {

// IDENTIFY DEVICE text as a drive stores it: two characters per word, the
// first in the high byte.
void PutAtaText(std::array<uint8_t, 512>& id, size_t word, const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) id[2 * word + (i ^ 1)] = static_cast<uint8_t>(text[i]);
}

TEST(IdentityReader, AtaTextsArePairSwappedTrimmedOnlyWhenAskedAndEscapedForShowing) {
  std::array<uint8_t, 512> id{};
  PutAtaText(id, 10, std::string("  VK\x01") + "123            ");
  PutAtaText(id, 23, "S0220A0 ");
  PutAtaText(id, 27, "VKM SATA SSD                            ");
  const IdentityTexts raw = AtaIdentityTexts(id);
  EXPECT_EQ(raw.serial, std::string("  VK\x01") + "123            ");
  EXPECT_EQ(raw.firmware, "S0220A0 ");
  const IdentityTexts shown = ShownIdentity(raw);
  EXPECT_EQ(shown.serial, "VK\\x01123");
  EXPECT_EQ(shown.model, "VKM SATA SSD");
  EXPECT_FALSE(IdentityUnknown(raw));
  EXPECT_TRUE(IdentityUnknown(AtaIdentityTexts(std::array<uint8_t, 8>{})));
}

TEST(IdentityReader, AtaCapacityTakes48BitWordsOnlyWhenTheFeatureSetIsThere) {
  std::array<uint8_t, 512> id{};
  id[120] = 0x34;  // words 60..61: 0x00010034
  id[122] = 0x01;
  id[200] = 0x00;  // words 100..103: 0x0000000200000000
  id[204] = 0x02;
  EXPECT_EQ(AtaCapacitySectors(id), 0x10034u);
  id[167] = 0x04;  // word 83 bit 10
  EXPECT_EQ(AtaCapacitySectors(id), 0x200000000u);
  EXPECT_EQ(AtaCapacitySectors(std::array<uint8_t, 100>{}), 0u);
}

TEST(IdentityReader, NvmeTextsAndNamespaceSize) {
  std::array<uint8_t, 4096> ctrl{};
  std::memcpy(&ctrl[4], "NV0001              ", 20);
  std::memcpy(&ctrl[24], "VK4630 NVMe SSD", 15);
  std::memcpy(&ctrl[64], "N0220A0 ", 8);
  const IdentityTexts t = TrimmedIdentity(NvmeIdentityTexts(ctrl));
  EXPECT_EQ(t.serial, "NV0001");
  EXPECT_EQ(t.model, "VK4630 NVMe SSD");
  EXPECT_EQ(t.firmware, "N0220A0");
  std::array<uint8_t, 4096> ns{};
  ns[0] = 0x00;
  ns[1] = 0x01;
  EXPECT_EQ(NvmeNamespaceBlocks(ns), 256u);
}

TEST(IdentityMatch, EachDifferenceIsNamedAndTheFirmwareIsNotOne) {
  const DriveIdentity listed{"VKM SATA SSD", "VK1", 65536};
  EXPECT_EQ(IdentityChangeRefusal("PHYSICALDRIVE3", listed, listed), "");
  EXPECT_EQ(
      IdentityChangeRefusal("PHYSICALDRIVE3", listed, DriveIdentity{"VKM SATA SSD", "VK2", 65536}),
      "PHYSICALDRIVE3 is no longer the drive that was listed: serial VK1 is now VK2");
  EXPECT_EQ(IdentityChangeRefusal("PHYSICALDRIVE3", listed, DriveIdentity{"Other", "", 1024}),
            "PHYSICALDRIVE3 is no longer the drive that was listed: serial VK1 is now (none), "
            "model VKM SATA SSD is now Other, capacity 65536 sectors is now 1024");
  EXPECT_EQ(IdentityChangeRefusal("PHYSICALDRIVE3", listed, std::nullopt),
            "PHYSICALDRIVE3 is no longer the drive that was listed: it cannot be identified");
}

}  // namespace
}  // namespace device
