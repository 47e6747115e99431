#include "lab/media/sparse_file_media.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/text.h"

namespace lab {
namespace {

constexpr size_t kPreallocateBytes = size_t{1} << 20;
// How many stored bytes past a new capacity are read to see whether they are
// all zeros; beyond that every stored byte counts as data.
constexpr size_t kZeroCheckBudget = size_t{1} << 20;

}  // namespace

std::unique_ptr<SparseFileMedia> SparseFileMedia::Open(const std::string& path, uint64_t sectors,
                                                       uint32_t sectorSize, std::string& error) {
  if (sectorSize == 0 || sectors == 0 || sectors > (uint64_t{1} << 62) / sectorSize) {
    error = "invalid media size for " + path;
    return nullptr;
  }
  // Never through a link: the file is sized below, and a planted link would
  // size whatever it points to.
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) {
    error = "cannot open media file " + path + ": " +
            (errno == ELOOP ? std::string("it is a symbolic link") : std::strerror(errno));
    return nullptr;
  }
  std::unique_ptr<SparseFileMedia> media(new SparseFileMedia(fd, path, sectors, sectorSize));
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    error = "cannot use media file " + path + ": it is not an ordinary file";
    return nullptr;
  }
  const uint64_t size = sectors * sectorSize;
  const uint64_t have = static_cast<uint64_t>(st.st_size);
  // A smaller capacity in lab.ini cuts only what holds nothing.
  if (have > size) {
    const uint64_t end = StoredDataEnd(fd, size);
    if (end > size) {
      error = "media file " + path + " " + DataBeyondCapacityText(end, sectors, sectorSize);
      return nullptr;
    }
  }
  // Setting the length makes the file sparse.
  if (have != size && ::ftruncate(fd, static_cast<off_t>(size)) != 0) {
    error = "cannot size media file " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  return media;
}

std::string DataBeyondCapacityText(uint64_t dataEnd, uint64_t sectors, uint32_t sectorSize) {
  const uint64_t needed = (dataEnd + sectorSize - 1) / sectorSize;
  return common::Format(
      "holds data in its first %llu sectors, more than the capacity of %llu sectors; it is not cut",
      static_cast<unsigned long long>(needed), static_cast<unsigned long long>(sectors));
}

uint64_t StoredDataEnd(int fd, uint64_t from) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return UINT64_MAX;
  const off_t size = st.st_size;
  off_t end = static_cast<off_t>(from);
  size_t readBudget = kZeroCheckBudget;
  std::vector<uint8_t> buf;
  for (off_t at = end; at < size;) {
    const off_t data = ::lseek(fd, at, SEEK_DATA);
    if (data < 0 && errno == ENXIO) break;  // only holes from here on
    // A file system that cannot tell holes: every byte is data.
    const off_t stop = data < 0 ? size : ::lseek(fd, data, SEEK_HOLE);
    if (data < 0 || stop < 0) return static_cast<uint64_t>(size);
    // Blocks stored only because a sector beside them was written hold
    // zeros; they are looked at while that costs little.
    const size_t len = static_cast<size_t>(stop - data);
    if (len > readBudget) {
      end = stop;
    } else {
      readBudget -= len;
      buf.resize(len);
      if (::pread(fd, buf.data(), len, data) != static_cast<ssize_t>(len))
        return static_cast<uint64_t>(stop);
      for (size_t i = len; i > 0; --i) {
        if (buf[i - 1] != 0) {
          end = data + static_cast<off_t>(i);
          break;
        }
      }
    }
    at = stop;
  }
  return static_cast<uint64_t>(end);
}

SparseFileMedia::~SparseFileMedia() { ::close(fd_); }

bool SparseFileMedia::InRange(uint64_t lba, uint32_t count) const {
  return lba <= sectors_ && count <= sectors_ - lba;
}

bool SparseFileMedia::ReadBytes(uint8_t* out, size_t left, off_t at) const {
  while (left > 0) {
    const ssize_t n = ::pread(fd_, out, left, at);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) {  // a file cut short behind our back reads as zeros
      std::memset(out, 0, left);
      break;
    }
    out += n;
    at += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

off_t SparseFileMedia::NextData(off_t at, off_t end) const {
  const off_t data = ::lseek(fd_, at, SEEK_DATA);
  if (data >= 0) return std::min(data, end);
  // No data after `at` (or past the end of a file cut short) reads as zeros;
  // a file system that cannot tell makes every byte data.
  return errno == ENXIO ? end : at;
}

off_t SparseFileMedia::NextHole(off_t at, off_t end) const {
  const off_t hole = ::lseek(fd_, at, SEEK_HOLE);
  return hole > at ? std::min(hole, end) : end;
}

bool SparseFileMedia::Read(uint64_t lba, uint32_t count, uint8_t* out) {
  if (!InRange(lba, count) || (count != 0 && out == nullptr)) return false;
  for (const LbaRange& r : unreadable_)
    if (r.Overlaps(lba, count)) return false;
  const off_t start = static_cast<off_t>(lba * sectorSize_);
  const off_t end = start + static_cast<off_t>(size_t{count} * sectorSize_);
  // Never-written stretches are zeros without any reading, as unmapped
  // sectors of a flash drive cost it nothing to return.
  for (off_t at = start; at < end;) {
    const off_t data = NextData(at, end);
    if (data > at) {
      std::memset(out + (at - start), 0, static_cast<size_t>(data - at));
      at = data;
      continue;
    }
    const off_t stop = NextHole(at, end);
    if (!ReadBytes(out + (at - start), static_cast<size_t>(stop - at), at)) return false;
    at = stop;
  }
  return true;
}

std::vector<ByteRange> SparseFileMedia::StoredRanges(uint64_t from, uint64_t to) {
  const uint64_t size = sectors_ * sectorSize_;
  to = std::min(to, size);
  std::vector<ByteRange> ranges;
  if (from >= to) return ranges;
  const auto end = static_cast<off_t>(to);
  for (off_t at = static_cast<off_t>(from); at < end;) {
    const off_t data = NextData(at, end);
    if (data >= end) break;
    const off_t stop = NextHole(data, end);
    ranges.push_back({static_cast<uint64_t>(data), static_cast<uint64_t>(stop)});
    at = stop;
  }
  for (const LbaRange& r : unreadable_) {
    if (r.first >= sectors_) continue;
    const uint64_t b = std::max(from, r.first * sectorSize_);
    const uint64_t e = std::min(to, (std::min(r.last, sectors_ - 1) + 1) * sectorSize_);
    if (b < e) ranges.push_back({b, e});
  }
  // Sorted and merged, so that callers can walk them once.
  std::sort(ranges.begin(), ranges.end(),
            [](const ByteRange& a, const ByteRange& b) { return a.begin < b.begin; });
  std::vector<ByteRange> merged;
  for (const ByteRange& r : ranges) {
    if (!merged.empty() && r.begin <= merged.back().end) {
      merged.back().end = std::max(merged.back().end, r.end);
    } else {
      merged.push_back(r);
    }
  }
  return merged;
}

bool SparseFileMedia::Write(uint64_t lba, uint32_t count, const uint8_t* in) {
  if (!InRange(lba, count) || (count != 0 && in == nullptr)) return false;
  size_t left = static_cast<size_t>(count) * sectorSize_;
  off_t at = static_cast<off_t>(lba * sectorSize_);
  // A large write into a hole gets its blocks in one request instead of one
  // delayed allocation per page; they are all written next, so the file
  // takes no more space than the write alone would. Where the file system
  // cannot, the write allocates as it goes.
  if (left >= kPreallocateBytes) {
    (void)::fallocate(fd_, FALLOC_FL_KEEP_SIZE, at, static_cast<off_t>(left));
  }
  while (left > 0) {
    const ssize_t n = ::pwrite(fd_, in, left, at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    in += n;
    at += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

bool SparseFileMedia::ZeroStored(uint64_t lba, uint64_t count, int mode) {
  if (lba > sectors_ || count > sectors_ - lba) return false;
  const off_t start = static_cast<off_t>(lba * sectorSize_);
  const off_t end = start + static_cast<off_t>(count * sectorSize_);
  // Holes read as zeros already; only the stretches that hold bytes change,
  // so zeroing never allocates space.
  for (off_t at = start; at < end;) {
    const off_t data = NextData(at, end);
    if (data >= end) break;
    const off_t stop = NextHole(data, end);
    if (::fallocate(fd_, mode | FALLOC_FL_KEEP_SIZE, data, stop - data) != 0 &&
        (mode == FALLOC_FL_PUNCH_HOLE ||
         ::fallocate(fd_, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, data, stop - data) != 0)) {
      // A file system without either: write the zeros, whole sectors from here on.
      const uint64_t from = static_cast<uint64_t>(data) / sectorSize_;
      return Media::Zero(from, lba + count - from);
    }
    at = stop;
  }
  return true;
}

bool SparseFileMedia::Zero(uint64_t lba, uint64_t count) {
  return ZeroStored(lba, count, FALLOC_FL_PUNCH_HOLE);
}

bool SparseFileMedia::ZeroInPlace(uint64_t lba, uint64_t count) {
  return ZeroStored(lba, count, FALLOC_FL_ZERO_RANGE);
}

}  // namespace lab
