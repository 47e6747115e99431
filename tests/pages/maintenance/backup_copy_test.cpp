// The copy engine on two in-memory disks whose handles remember how they were
// opened: the source is only ever read, and where a backend has no zero-range
// request a zero run is written as zeros. And the progress bar's scale.
#include "pages/maintenance/backup_copy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "pages/maintenance/clone_operation.h"
#include "pages/maintenance/progress_scale.h"
#include "platform/allocated_ranges.h"
#include "platform/virtual_os.h"

namespace {

// Two disks in memory, no zero-range request, writes refused on a handle
// opened without GENERIC_WRITE.
class MemoryDisksOs : public os::VirtualOs {
 public:
  std::map<std::string, std::vector<uint8_t>> disks;
  std::vector<std::pair<std::string, os::DWORD>> opens;
  int writesRefused = 0;
  int reads = 0;
  // Answers the allocated-ranges query from the bytes themselves, at most
  // this many ranges per answer (0: the query is not known).
  size_t rangesPerAnswer = 0;

  bool DeviceIoControl(os::HANDLE h, os::DWORD code, void* in, os::DWORD inSize, void* out,
                       os::DWORD outSize, os::DWORD* returned) override {
    *returned = 0;
    if (code != os::FSCTL_QUERY_ALLOCATED_RANGES || rangesPerAnswer == 0) {
      SetLastError(os::ERROR_INVALID_FUNCTION);
      return false;
    }
    os::FILE_ALLOCATED_RANGE_BUFFER asked{};
    EXPECT_EQ(inSize, sizeof asked);
    std::memcpy(&asked, in, sizeof asked);
    const auto& d = disks[handles_.at(os::HandleValue(h)).name];
    const uint64_t end = std::min<uint64_t>(d.size(), asked.FileOffset + asked.Length);
    std::vector<os::FILE_ALLOCATED_RANGE_BUFFER> held;
    for (uint64_t s = asked.FileOffset; s < end; s += 512) {
      const bool data = std::any_of(d.begin() + s, d.begin() + s + 512, [](uint8_t b) { return b; });
      if (!data) continue;
      if (!held.empty() && held.back().FileOffset + held.back().Length == static_cast<int64_t>(s)) {
        held.back().Length += 512;
      } else {
        held.push_back({static_cast<int64_t>(s), 512});
      }
    }
    const size_t n = std::min({held.size(), rangesPerAnswer, size_t{outSize} / sizeof held[0]});
    std::memcpy(out, held.data(), n * sizeof held[0]);
    *returned = static_cast<os::DWORD>(n * sizeof held[0]);
    if (n < held.size()) {
      SetLastError(os::ERROR_MORE_DATA);
      return false;
    }
    return true;
  }

  os::HANDLE CreateFileA(const std::string& name, os::DWORD access, os::DWORD,
                         os::SECURITY_ATTRIBUTES*, os::DWORD, os::DWORD, os::HANDLE) override {
    opens.emplace_back(name, access);
    if (!disks.count(name)) return os::INVALID_HANDLE_VALUE;
    handles_[next_] = {name, access, 0};
    return os::HandleFromValue(next_++);
  }
  bool CloseHandle(os::HANDLE h) override { return handles_.erase(os::HandleValue(h)) > 0; }
  os::DWORD SetFilePointer(os::HANDLE h, os::LONG low, os::LONG* high, os::DWORD) override {
    Open& o = handles_.at(os::HandleValue(h));
    o.at = (uint64_t{static_cast<uint32_t>(high ? *high : 0)} << 32) | static_cast<uint32_t>(low);
    SetLastError(os::ERROR_SUCCESS);
    return static_cast<os::DWORD>(o.at);
  }
  bool ReadFile(os::HANDLE h, void* b, os::DWORD n, os::DWORD* got) override {
    Open& o = handles_.at(os::HandleValue(h));
    ++reads;
    std::memcpy(b, disks[o.name].data() + o.at, n);
    *got = n;
    return true;
  }
  bool WriteFile(os::HANDLE h, const void* b, os::DWORD n, os::DWORD* put) override {
    Open& o = handles_.at(os::HandleValue(h));
    if (!(o.access & os::GENERIC_WRITE)) {
      ++writesRefused;
      SetLastError(os::ERROR_ACCESS_DENIED);
      return false;
    }
    std::memcpy(disks[o.name].data() + o.at, b, n);
    *put = n;
    return true;
  }

 private:
  struct Open {
    std::string name;
    os::DWORD access;
    uint64_t at;
  };
  std::map<uintptr_t, Open> handles_;
  uintptr_t next_ = 0x100;
};

// The source read-only, the destination writable, as the page opens them.
std::pair<os::HANDLE, os::HANDLE> OpenPair(MemoryDisksOs& mos) {
  return {mos.CreateFileA("\\\\.\\PHYSICALDRIVE1", os::GENERIC_READ, 3, nullptr, 3, 0, nullptr),
          mos.CreateFileA("\\\\.\\PHYSICALDRIVE2", os::GENERIC_READ | os::GENERIC_WRITE, 3,
                          nullptr, 3, 0, nullptr)};
}

class Quiet : public maintenance::CopyObserver {
 public:
  void BeforeChunk(uint64_t) override {}
  void AfterChunk(uint64_t, uint64_t) override {}
  bool Cancelled() override { return false; }
};

TEST(DiskCopy, ReadsTheSourceOnlyAndWritesZeroRunsWhereNoZeroRequestExists) {
  MemoryDisksOs mos;
  const size_t bytes = (6190 * 3 + 5) * 512;
  auto& src = mos.disks["\\\\.\\PHYSICALDRIVE1"];
  auto& dst = mos.disks["\\\\.\\PHYSICALDRIVE2"];
  src.assign(bytes, 0);
  dst.assign(bytes, 0xEE);
  std::memset(src.data() + 6190 * 2 * 512, 0x5A, 512 * 7);  // chunk 2 holds data
  const auto [in, out] = OpenPair(mos);
  maintenance::DiskCopy copy(mos, true);
  Quiet quiet;
  EXPECT_EQ(copy.Run(in, out, bytes / 512, quiet), maintenance::CopyEnd::kCopied);
  EXPECT_TRUE(src == dst);
  EXPECT_EQ(copy.Counts().zeroChunks, 3u);
  EXPECT_EQ(copy.Counts().zeroRequests, 0u);
  EXPECT_EQ(copy.Counts().zeroWrittenChunks, 3u);
  EXPECT_EQ(mos.writesRefused, 0);
}

// A source whose backend tells where data lies, two ranges per answer: chunks
// in the stretches between are not read, every other chunk is, and the copy
// is whole.
TEST(DiskCopy, ChunksKnownToHoldNothingAreNotReadAcrossCutShortAnswers) {
  MemoryDisksOs mos;
  mos.rangesPerAnswer = 2;
  const uint64_t sectors = 6190 * 20 + 5;
  auto& src = mos.disks["\\\\.\\PHYSICALDRIVE1"];
  auto& dst = mos.disks["\\\\.\\PHYSICALDRIVE2"];
  src.assign(sectors * 512, 0);
  dst.assign(sectors * 512, 0xEE);
  // Data in chunks 0, 3, 4 and 5 (a sector each side of their border), 12
  // and the last, short one.
  const std::vector<uint64_t> dataSectors = {5, 6190 * 3 + 1, 6190 * 5 - 1, 6190 * 5,
                                             6190 * 12 + 77, sectors - 1};
  for (uint64_t s : dataSectors) std::memset(src.data() + s * 512, static_cast<int>(s % 251 + 1), 512);
  const auto [in, out] = OpenPair(mos);
  maintenance::DiskCopy copy(mos, true);
  Quiet quiet;
  EXPECT_EQ(copy.Run(in, out, sectors, quiet), maintenance::CopyEnd::kCopied);
  EXPECT_TRUE(src == dst);
  const uint64_t chunks = (sectors + 6189) / 6190;
  EXPECT_EQ(copy.Counts().chunks, chunks);
  EXPECT_EQ(copy.Counts().writtenChunks, 6u);
  EXPECT_EQ(copy.Counts().unreadZeroChunks, chunks - 6);
  EXPECT_EQ(mos.reads, 6);

  // A source whose backend cannot tell is read whole, and copied the same.
  mos.rangesPerAnswer = 0;
  mos.reads = 0;
  std::fill(dst.begin(), dst.end(), 0xEE);
  maintenance::DiskCopy plain(mos, true);
  EXPECT_EQ(plain.Run(in, out, sectors, quiet), maintenance::CopyEnd::kCopied);
  EXPECT_TRUE(src == dst);
  EXPECT_EQ(plain.Counts().unreadZeroChunks, 0u);
  EXPECT_EQ(mos.reads, static_cast<int>(chunks));
}

// What is zeroed ahead: the stretches without data, and the 4 KiB block
// around a chunk border inside data (6190 is not a multiple of 8 sectors),
// never reaching before the stretch's start.
TEST(DiskCopy, ZeroingAheadCoversTheGapsAndTheBlocksAroundBordersInData) {
  using R = maintenance::SectorRange;
  EXPECT_EQ(maintenance::ZeroAheadRanges(0, 6190 * 4, {{100, 6200}, {18570, 18578}}),
            (std::vector<R>{{0, 100}, {6184, 6192}, {6200, 18570}, {18578, 24760}}));
  EXPECT_EQ(maintenance::ZeroAheadRanges(6190, 6190 * 3, {{6190, 6300}, {12300, 12400}}),
            (std::vector<R>{{6300, 12300}, {12376, 12384}, {12400, 18570}}));
  // A border block next to a gap joins it; no data: one range.
  EXPECT_EQ(maintenance::ZeroAheadRanges(0, 6190 * 2, {{6000, 6190 + 2}}),
            (std::vector<R>{{0, 6000}, {6184, 12380}}));
  EXPECT_EQ(maintenance::ZeroAheadRanges(0, 6190 * 2, {}), (std::vector<R>{{0, 12380}}));
}

TEST(ProgressScale, SourcesOf2To31SectorsAndMoreAreScaledIntoTheBar) {
  const maintenance::ProgressScale small(uint64_t{1} << 31 >> 1);
  EXPECT_EQ(small.Shift(), 0u);
  EXPECT_EQ(small.Max(), 1 << 30);
  const maintenance::ProgressScale edge((uint64_t{1} << 31) - 1);
  EXPECT_EQ(edge.Max(), 0x7FFFFFFF);
  const maintenance::ProgressScale big(uint64_t{1} << 31);
  EXPECT_EQ(big.Shift(), 1u);
  EXPECT_EQ(big.Max(), 1 << 30);
  EXPECT_EQ(big.Position(uint64_t{1} << 30), 1 << 29);
  const maintenance::ProgressScale huge((uint64_t{1} << 40) + 12345);
  EXPECT_GT(huge.Max(), 0);
  EXPECT_EQ(huge.Position((uint64_t{1} << 40) + 12345), huge.Max());
}

}  // namespace
