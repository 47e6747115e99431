#pragma once
// A drive's bytes kept in one sparse file: never-written sectors take no disk
// space and read as zeros; reads and writes move real bytes, so erase and clone
// can be checked byte for byte. Reading a hole costs no I/O. Unreadable
// sectors can be switched on.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "lab/config/disk_config.h"
#include "lab/core/device_interfaces.h"
#include "platform/host/host_file.h"

namespace lab {

// Where the bytes a media file holds from byte `from` on end, in bytes:
// `from` when it holds none there. Stored stretches that read as zeros do not
// count as long as checking them stays cheap.
uint64_t StoredDataEnd(const host::File& file, uint64_t from);
// "holds data in its first N sectors, more than the capacity of M sectors ...".
std::string DataBeyondCapacityText(uint64_t dataEnd, uint64_t sectors, uint32_t sectorSize);

class SparseFileMedia : public Media {
 public:
  // Opens (creating when missing) the file and sizes it to the capacity. A
  // link in the file's place is not followed, and a file holding data beyond
  // the capacity is not cut: both return null with `error` set, as does any
  // other file that cannot be used.
  static std::unique_ptr<SparseFileMedia> Open(const std::string& path, uint64_t sectors,
                                               uint32_t sectorSize, std::string& error);
  ~SparseFileMedia() override;
  SparseFileMedia(const SparseFileMedia&) = delete;
  SparseFileMedia& operator=(const SparseFileMedia&) = delete;

  uint64_t SectorCount() const override { return sectors_; }
  uint32_t SectorSize() const override { return sectorSize_; }
  bool Read(uint64_t lba, uint32_t count, uint8_t* out) override;
  bool Write(uint64_t lba, uint32_t count, const uint8_t* in) override;
  // The file's stored stretches, and every unreadable sector: a read of it
  // fails, so it is never taken for zeros.
  std::vector<ByteRange> StoredRanges(uint64_t from, uint64_t to) override;
  // Punches a hole, so erasing or formatting a large disk neither writes nor
  // stores gigabytes of zeros; falls back to writing zeros where holes are not supported.
  bool Zero(uint64_t lba, uint64_t count) override;
  // Makes a range read as zeros while the file keeps the blocks it holds
  // there (unwritten extents): nothing is written and nothing is freed, so
  // no discard reaches the disk under the file. Holes stay holes. This is
  // the write-zeroes request, where Zero is erase and deallocate.
  bool ZeroInPlace(uint64_t lba, uint64_t count);

  void SetUnreadable(std::vector<LbaRange> ranges) { unreadable_ = std::move(ranges); }
  const std::string& Path() const { return path_; }

 private:
  SparseFileMedia(std::unique_ptr<host::File> file, std::string path, uint64_t sectors,
                  uint32_t sectorSize)
      : file_(std::move(file)),
        path_(std::move(path)),
        sectors_(sectors),
        sectorSize_(sectorSize) {}
  bool InRange(uint64_t lba, uint32_t count) const;
  // Reads until `left` bytes are in; bytes past the end of the file are zeros.
  bool ReadBytes(uint8_t* out, size_t left, uint64_t at) const;
  // Where the next stored byte at or after `at` is, and where the stored
  // bytes from `at` end; both capped at `end`.
  uint64_t NextData(uint64_t at, uint64_t end) const;
  uint64_t NextHole(uint64_t at, uint64_t end) const;
  // Zero or ZeroInPlace: `punch` frees the stored stretches' space, else
  // they keep it.
  bool ZeroStored(uint64_t lba, uint64_t count, bool punch);

  std::unique_ptr<host::File> file_;
  std::string path_;
  uint64_t sectors_;
  uint32_t sectorSize_;
  std::vector<LbaRange> unreadable_;
};

}  // namespace lab
