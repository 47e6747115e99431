#include "common/str_to_int.h"

#include <gtest/gtest.h>

namespace common {
namespace {

TEST(StrToIntDef, AcceptedForms) {
  EXPECT_EQ(StrToIntDef("0", 9), 0);
  EXPECT_EQ(StrToIntDef("+17", 9), 17);
  EXPECT_EQ(StrToIntDef("-2147483648", 9), INT32_MIN);
  EXPECT_EQ(StrToIntDef("2147483647", 9), INT32_MAX);
  EXPECT_EQ(StrToIntDef("0X7fffFFFF", 9), INT32_MAX);
  EXPECT_EQ(StrToIntDef("$FFFFFFFF", 9), -1);
  EXPECT_EQ(StrToIntDef("-$10", 9), -16);
  EXPECT_EQ(StrToIntDef("  12", 9), 12);
}

TEST(StrToIntDef, RejectedFormsGiveTheDefault) {
  for (const char* bad : {"", "-", "$", "0x", "2147483648", "-2147483649", "$100000000", "1.5",
                          "12 ", "0b101", "ff", "1e3", "--1", "0x-1"}) {
    EXPECT_EQ(StrToIntDef(bad, 77), 77) << bad;
  }
}

}  // namespace
}  // namespace common
