// The zero-chunk test looks at every byte of a chunk, the last ones too.
#include <gtest/gtest.h>

#include <vector>

#include "pages/maintenance/backup_copy.h"

namespace {

using maintenance::AllZero;

TEST(AllZero, FindsOneSetByteAnywhereInAChunk) {
  const size_t chunk = size_t{maintenance::kChunkSectors} * 512;
  std::vector<uint8_t> b(chunk, 0);
  EXPECT_TRUE(AllZero(b.data(), b.size()));
  for (size_t at : {size_t{0}, size_t{255}, size_t{256}, chunk / 2 + 7, chunk - 1}) {
    b[at] = 0x01;
    EXPECT_FALSE(AllZero(b.data(), b.size())) << at;
    b[at] = 0;
  }
  b[chunk - 1] = 0x80;
  EXPECT_TRUE(AllZero(b.data(), chunk - 1));  // the byte past the length is not looked at
}

TEST(AllZero, LengthsThatAreNotWholeBlocks) {
  std::vector<uint8_t> b(1000, 0);
  EXPECT_TRUE(AllZero(b.data(), 0));
  EXPECT_TRUE(AllZero(b.data(), b.size()));
  b[999] = 0x10;  // in the tail after the last whole block
  EXPECT_FALSE(AllZero(b.data(), b.size()));
  EXPECT_TRUE(AllZero(b.data(), 999));
  b[3] = 0x01;
  EXPECT_FALSE(AllZero(b.data() + 1, 5));
}

}  // namespace
