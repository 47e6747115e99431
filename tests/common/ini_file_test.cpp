#include "common/ini_file.h"

#include <gtest/gtest.h>

#include <string>

namespace common {
namespace {

TEST(IniFile, LookupsIgnoreCaseAndFirstMatchWins) {
  const IniFile ini = IniFile::FromText(
      "[Option]\r\nAutoRun = 1 \r\nautorun=0\r\n[OPTION]\r\nErrorLog=1\r\n[other]\nKey=  spaced "
      "value  \n");
  EXPECT_EQ(ini.ReadString("option", "AUTORUN", "x"), "1");
  // The second [OPTION] is never consulted.
  EXPECT_FALSE(ini.ValueExists("Option", "ErrorLog"));
  EXPECT_EQ(ini.ReadString("Other", "key", ""), "spaced value");
  EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"Option", "OPTION", "other"}));
  EXPECT_EQ(ini.SectionKeys("option"), (std::vector<std::string>{"AutoRun"}));
}

TEST(IniFile, MissingKeysCommentsAndLinesWithoutEquals) {
  const IniFile ini = IniFile::FromText(
      "orphan=before any section\n[S]\n; Hidden=1\n  ;Indented=2\nno equals sign\nEmpty=\n"
      "Quoted=\"  a b \"\nHalfQuote=\"x\n");
  EXPECT_EQ(ini.ReadString("S", "Hidden", "def"), "def");
  EXPECT_EQ(ini.ReadString("S", "Indented", "def"), "def");
  EXPECT_EQ(ini.ReadString("S", "no equals sign", "def"), "def");
  EXPECT_EQ(ini.ReadString("", "orphan", "def"), "def");
  // A present but empty value is not the default.
  EXPECT_EQ(ini.ReadString("S", "Empty", "def"), "");
  EXPECT_EQ(ini.ReadInteger("S", "Empty", 7), 7);
  EXPECT_EQ(ini.ReadString("S", "Quoted", ""), "  a b ");
  EXPECT_EQ(ini.ReadString("S", "HalfQuote", ""), "\"x");
  EXPECT_EQ(ini.ReadString("Missing", "Key", "d"), "d");
}

TEST(IniFile, IntegersAndFlags) {
  const IniFile ini = IniFile::FromText(
      "[S]\nDec=-42\nHex=0x1F\nDollar=$ff\nBad=12abc\nFlag=2\nZero=0\nBig=4294967296\n");
  EXPECT_EQ(ini.ReadInteger("S", "Dec", 0), -42);
  EXPECT_EQ(ini.ReadInteger("S", "Hex", 0), 31);
  EXPECT_EQ(ini.ReadInteger("S", "Dollar", 0), 255);
  EXPECT_EQ(ini.ReadInteger("S", "Bad", 5), 5);
  EXPECT_EQ(ini.ReadInteger("S", "Big", 5), 5);
  EXPECT_EQ(ini.ReadInteger("S", "Nope", -1), -1);
  EXPECT_TRUE(ini.ReadBool("S", "Flag", false));
  EXPECT_FALSE(ini.ReadBool("S", "Zero", true));
  EXPECT_TRUE(ini.ReadBool("S", "Nope", true));
}

TEST(IniFile, HostileBytesLoadWithoutHarm) {
  std::string text = "[S]\nKey=";
  text.append(200000, 'v');
  text += "\n";
  for (int i = 0; i < 256; ++i) text.push_back(static_cast<char>(i));
  text += "\n[\n[]\n]]]=[[[\n[Unclosed\nA=1";
  const IniFile ini = IniFile::FromText(text);
  EXPECT_EQ(ini.ReadString("S", "Key", "").size(), 200000u);
  EXPECT_EQ(ini.ReadString("Unclosed", "A", ""), "1");
  EXPECT_TRUE(ini.SectionExists(""));
}

TEST(IniFile, LoadReportsUnreadableFile) {
  EXPECT_FALSE(IniFile::Load("/nonexistent/dir/Setting.ini").has_value());
}

}  // namespace
}  // namespace common

TEST(IniFile, AUtf8ByteOrderMarkIsNoPartOfTheFirstSection) {
  const auto ini = common::IniFile::FromText("\xEF\xBB\xBF[Option]\nICType_0=VK4630\n");
  EXPECT_EQ(ini.ReadString("Option", "ICType_0", "N/A"), "VK4630");
  // Only a leading mark is dropped.
  const auto inner = common::IniFile::FromText("[A]\nk=\xEF\xBB\xBFv\n");
  EXPECT_EQ(inner.ReadString("A", "k", ""), "\xEF\xBB\xBFv");
}
