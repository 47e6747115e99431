// Media files read holes without reading them and zero ranges in place: the
// bytes that come back are what was written, at any sector boundary, and the
// file takes no more space for it.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "lab/media/sparse_file_media.h"
#include "support/temp_dir.h"

namespace lab {
namespace {

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
  std::vector<uint8_t> v(n);
  std::iota(v.begin(), v.end(), seed);
  return v;
}

long long AllocatedBytes(const std::string& path) {
  const uint64_t bytes = host::AllocatedBytes(path);
  EXPECT_NE(bytes, UINT64_MAX) << path;
  return static_cast<long long>(bytes);
}

TEST(MediaHoles, ReadsMixOfDataAndHolesAtSectorBoundaries) {
  testsupport::TempDir dir;
  std::string error;
  auto m = SparseFileMedia::Open(dir.Str() + "/h.img", 65536, 512, error);
  ASSERT_TRUE(m) << error;
  // Data that starts and ends inside file-system blocks, holes between.
  const auto a = Pattern(3 * 512, 1);
  const auto b = Pattern(5 * 512, 101);
  ASSERT_TRUE(m->Write(3, 3, a.data()));      // bytes 1536..3071
  ASSERT_TRUE(m->Write(37, 5, b.data()));     // bytes 18944..21503
  ASSERT_TRUE(m->Write(65535, 1, a.data()));  // the last sector
  std::vector<uint8_t> expected(64 * 512, 0);
  std::copy(a.begin(), a.end(), expected.begin() + 3 * 512);
  std::copy(b.begin(), b.end(), expected.begin() + 37 * 512);
  std::vector<uint8_t> back(64 * 512, 0xEE);
  ASSERT_TRUE(m->Read(0, 64, back.data()));
  EXPECT_EQ(back, expected);
  // Starting in a hole and ending inside data; starting inside data.
  std::vector<uint8_t> part(6 * 512, 0xEE);
  ASSERT_TRUE(m->Read(34, 6, part.data()));
  EXPECT_TRUE(std::equal(part.begin(), part.end(), expected.begin() + 34 * 512));
  ASSERT_TRUE(m->Read(4, 6, part.data()));
  EXPECT_TRUE(std::equal(part.begin(), part.end(), expected.begin() + 4 * 512));
  // A long stretch of holes up to the written last sector.
  std::vector<uint8_t> tail(2048 * 512, 0xEE);
  ASSERT_TRUE(m->Read(65536 - 2048, 2048, tail.data()));
  EXPECT_TRUE(std::all_of(tail.begin(), tail.end() - 512, [](uint8_t x) { return x == 0; }));
  EXPECT_TRUE(std::equal(tail.end() - 512, tail.end(), a.begin()));
}

TEST(MediaHoles, ZeroInPlaceClearsExactlyItsRangeAndTakesNoSpace) {
  testsupport::TempDir dir;
  std::string error;
  const std::string path = dir.Str() + "/z.img";
  auto m = SparseFileMedia::Open(path, 2097152, 512, error);  // 1 GiB
  ASSERT_TRUE(m) << error;
  const auto data = Pattern(64 * 512, 9);
  ASSERT_TRUE(m->Write(100, 64, data.data()));
  const long long written = AllocatedBytes(path);
  ASSERT_TRUE(m->ZeroInPlace(103, 50));  // from inside one block into another
  std::vector<uint8_t> back(64 * 512, 0xEE);
  ASSERT_TRUE(m->Read(100, 64, back.data()));
  std::vector<uint8_t> expected = data;
  std::fill(expected.begin() + 3 * 512, expected.begin() + 53 * 512, 0);
  EXPECT_EQ(back, expected);
  // The whole disk, holes and all: the holes are not filled in.
  ASSERT_TRUE(m->ZeroInPlace(0, m->SectorCount()));
  ASSERT_TRUE(m->Read(100, 64, back.data()));
  EXPECT_EQ(back, std::vector<uint8_t>(64 * 512, 0));
  EXPECT_LE(AllocatedBytes(path), written);
  // Written again after zeroing, the data is back.
  ASSERT_TRUE(m->Write(120, 64, data.data()));
  ASSERT_TRUE(m->Read(120, 64, back.data()));
  EXPECT_EQ(back, data);
  EXPECT_FALSE(m->ZeroInPlace(2097150, 3));
}

}  // namespace
}  // namespace lab
