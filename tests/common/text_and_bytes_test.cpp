#include <gtest/gtest.h>

#include <array>
#include <string>

#include "common/bytes.h"
#include "common/text.h"
#include "common/trace.h"

namespace common {
namespace {

TEST(Text, FormatTrimAndCase) {
  EXPECT_EQ(Format("[Dev_%d] %s %04X", 3, "x", 0xBEEFu), "[Dev_3] x BEEF");
  EXPECT_EQ(Format("%s", std::string(5000, 'a').c_str()).size(), 5000u);
  EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_TRUE(EqualsNoCase("VK4610xt", "vk4610XT"));
  EXPECT_FALSE(EqualsNoCase("VK4610", "VK46100"));
  EXPECT_EQ(Split("a,,b", ','), (std::vector<std::string>{"a", "", "b"}));
}

TEST(Text, SwapBytePairsKeepsAnOddTail) {
  EXPECT_EQ(SwapBytePairs("KV6420XT"), "VK4602TX");
  EXPECT_EQ(SwapBytePairs("abc"), "bac");
  std::array<uint8_t, 4> b{1, 2, 3, 4};
  SwapBytePairs(b);
  EXPECT_EQ(b, (std::array<uint8_t, 4>{2, 1, 4, 3}));
}

TEST(Bytes, EndianReadersAndWriters) {
  std::array<uint8_t, 8> buf{};
  EXPECT_TRUE(WriteLe32(buf, 0, 0x11223344));
  EXPECT_TRUE(WriteBe16(buf, 4, 0xA1B2));
  EXPECT_EQ(buf[0], 0x44);
  EXPECT_EQ(buf[3], 0x11);
  EXPECT_EQ(buf[4], 0xA1);
  EXPECT_EQ(ReadLe32(buf, 0), 0x11223344u);
  EXPECT_EQ(ReadBe32(buf, 0), 0x44332211u);
  EXPECT_EQ(ReadLe16(buf, 4), 0xB2A1);
  EXPECT_EQ(ReadBe64(buf, 0), 0x44332211A1B20000ull);
}

TEST(Bytes, OutOfRangeAccessIsHarmless) {
  std::array<uint8_t, 4> buf{1, 2, 3, 4};
  EXPECT_EQ(ReadLe32(buf, 1), 0u);
  EXPECT_EQ(ReadLe16(buf, SIZE_MAX), 0u);
  EXPECT_EQ(Read8(buf, 4), 0u);
  EXPECT_FALSE(WriteLe32(buf, 2, 0xFFFFFFFF));
  EXPECT_EQ(buf, (std::array<uint8_t, 4>{1, 2, 3, 4}));
}

TEST(Trace, OffByDefaultAndCapturable) {
  TraceSink sink;
  sink.Write("[VKM_SCAN] not kept");
  EXPECT_TRUE(sink.Captured().empty());
  sink.SetCapture(true);
  sink.Write("[VKM_SCAN] kept");
  EXPECT_TRUE(sink.Contains("kept"));
  EXPECT_FALSE(sink.Contains("not kept"));
}

}  // namespace
}  // namespace common

TEST(Text, ShownTextEscapesEveryByteOutsidePrintableAscii) {
  EXPECT_EQ(common::ShownText("VKM SSD 1.0 [x] ~"), "VKM SSD 1.0 [x] ~");
  EXPECT_EQ(common::ShownText("\r\x1b[2J\n\t"), "\\x0D\\x1B[2J\\x0A\\x09");
  EXPECT_EQ(common::ShownText(std::string("a\0b", 3)), "a\\x00b");
  EXPECT_EQ(common::ShownText("\x7F\x80\xFF"), "\\x7F\\x80\\xFF");
  EXPECT_EQ(common::ShownText(""), "");
}
