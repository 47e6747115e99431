#pragma once
// The copy of one disk onto another, sector 0 to the source's last sector, in
// chunks of 6190 sectors through one 4096-byte-aligned buffer, each chunk
// tried up to 5 times. With zero chunks left out (IgnoreWriteZeroPattern) the
// destination is still made a copy: a run of all-zero chunks is zeroed on the
// destination with the backend's zero-range request (a hole punched, a block
// zero-out), or written as zeros where there is none, instead of being left
// holding whatever was there before. Where the source's backend knows a
// stretch holds nothing (a hole in a sparse store), its chunks are not even
// read; where it knows the source holds little, the stretches without data
// and the blocks around chunk borders are zeroed on the destination ahead of
// the copy, so that its zero chunks need nothing more and no chunk's write
// ends inside a block of old bytes (which a store would first read back).
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/os.h"

namespace maintenance {

class KnownZeros;

inline constexpr uint32_t kChunkSectors = 6190;  // 3,169,280 bytes
inline constexpr size_t kBufferAlignment = 4096;
inline constexpr int kTriesPerChunk = 5;
// Where the source is known to hold little, the destination is zeroed this
// many chunks ahead in one request.
inline constexpr uint64_t kZeroAheadChunks = 256;
// One zero-range request covers at most this much (32 MiB): a disk that
// writes its zeros out takes well under a second for it, and Cancel is
// looked at between requests.
inline constexpr uint64_t kZeroRequestSectors = 65536;

// What the copy shows while it goes; the page and the command line each
// implement it.
class CopyObserver {
 public:
  virtual ~CopyObserver() = default;
  // Before each chunk: let the window run and show the position.
  virtual void BeforeChunk(uint64_t position) = 0;
  // After each chunk, with the position it started at.
  virtual void AfterChunk(uint64_t position, uint64_t sectors) = 0;
  // Read once per chunk.
  virtual bool Cancelled() = 0;
};

enum class CopyEnd { kCopied, kFailed, kCancelled };

struct CopyCounts {
  uint64_t chunks = 0;
  uint64_t writtenChunks = 0;
  uint64_t zeroChunks = 0;         // all-zero chunks not written as data
  uint64_t unreadZeroChunks = 0;   // of those, known to be zeros without a read
  uint64_t zeroRequests = 0;       // zero-range requests that succeeded
  uint64_t zeroedAheadChunks = 0;  // zero chunks already zeroed ahead of the copy
  uint64_t zeroWrittenChunks = 0;  // zero chunks written because no request worked
  uint64_t failedTries = 0;
  uint64_t failedAt = 0;  // the chunk position that failed 5 times
};

// An aligned transfer buffer that frees itself.
class AlignedBuffer {
 public:
  explicit AlignedBuffer(size_t bytes);
  uint8_t* data() { return data_.get(); }
  size_t size() const { return size_; }

 private:
  struct Free {
    void operator()(uint8_t* p) const;
  };
  std::unique_ptr<uint8_t, Free> data_;
  size_t size_;
};

// True when every byte is zero.
bool AllZero(const uint8_t* data, size_t bytes);

using SectorRange = std::pair<uint64_t, uint64_t>;  // [first, end)

// What to zero ahead of the copy in sectors [from, to), given where the
// source holds data there (sorted, disjoint): every stretch without data and
// the 4 KiB block around each chunk border that lies inside data, merged.
std::vector<SectorRange> ZeroAheadRanges(uint64_t from, uint64_t to,
                                         const std::vector<SectorRange>& held,
                                         uint64_t chunkSectors = kChunkSectors);

class DiskCopy {
 public:
  DiskCopy(os::Os& os, bool ignoreZeroChunks) : os_(os), ignoreZero_(ignoreZeroChunks) {}

  // Every transfer and zeroed stretch is whole units of `sectors` 512-byte
  // sectors (8: a disk of 4096-byte logical blocks on either side), and the
  // chunk is rounded down to whole units. Positions stay in 512-byte sectors.
  void SetSectorUnit(uint32_t sectors);
  uint32_t ChunkSectors() const { return chunk_; }

  // Copies `sectors` sectors from the open source to the open destination.
  CopyEnd Run(os::HANDLE source, os::HANDLE destination, uint64_t sectors, CopyObserver& observer);
  const CopyCounts& Counts() const { return counts_; }

 private:
  bool Seek(os::HANDLE h, uint64_t byteOffset);
  // One try at a chunk; `zero` tells whether it read as all zeros (looked at
  // only when zero chunks are left out).
  bool ReadChunk(os::HANDLE source, uint64_t position, uint32_t n, bool& zero);
  // A zero chunk: nothing when zeroed ahead, else added to the pending zero
  // run; false when an earlier run had to be zeroed first and could not be.
  bool TakeZeroChunk(os::HANDLE destination, uint64_t position, uint32_t n);
  bool WriteChunk(os::HANDLE destination, uint64_t position, uint32_t n);
  // Sectors [from, from + count) of the chunk in the buffer, at `position`.
  bool WriteSectors(os::HANDLE destination, uint64_t position, uint64_t from, uint64_t count);
  // The pending run of zero chunks made zero on the destination.
  bool FlushZeroRun(os::HANDLE destination);
  bool ZeroByRequest(os::HANDLE destination, uint64_t from, uint64_t count);
  bool ZeroByWriting(os::HANDLE destination, uint64_t from, uint64_t count);
  // Zeroes the destination's stretch from `position` on ahead of the copy
  // when the source is known to hold less than half of it.
  void ZeroAhead(os::HANDLE destination, KnownZeros& known, uint64_t position,
                 uint64_t sectors);
  bool ZeroedAhead(uint64_t position, uint64_t n) const;
  // Between two zeroing requests: the window runs, and true when the user
  // cancelled (no more zeroing is started then).
  bool CancelledBetweenRequests();

  os::Os& os_;
  bool ignoreZero_;
  uint32_t unit_ = 1;
  uint32_t chunk_ = kChunkSectors;
  CopyObserver* observer_ = nullptr;  // during Run
  uint64_t position_ = 0;             // the chunk in progress
  bool cancelled_ = false;
  AlignedBuffer buffer_{size_t{kChunkSectors} * 512};
  std::unique_ptr<AlignedBuffer> zeros_;
  CopyCounts counts_;
  uint64_t zeroFrom_ = 0, zeroCount_ = 0;  // the pending zero run, in sectors
  bool zeroRequestWorks_ = true;
  uint64_t aheadUntil_ = 0;                // where the next stretch to zero ahead starts
  std::vector<SectorRange> zeroedAhead_;   // zeroed ahead in the current stretch
};

}  // namespace maintenance
