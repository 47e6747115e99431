#include "lab/media/sparse_file_media.h"

#include <algorithm>
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
  std::string why;
  auto file = host::File::Open(path, host::OpenMode::kReadWrite, true, why);
  if (!file) {
    error = "cannot open media file " + path + ": " + why;
    return nullptr;
  }
  if (!file->IsOrdinary()) {
    error = "cannot use media file " + path + ": it is not an ordinary file";
    return nullptr;
  }
  const uint64_t size = sectors * sectorSize;
  const uint64_t have = file->Size();
  // A smaller capacity in lab.ini cuts only what holds nothing.
  if (have > size) {
    const uint64_t end = StoredDataEnd(*file, size);
    if (end > size) {
      error = "media file " + path + " " + DataBeyondCapacityText(end, sectors, sectorSize);
      return nullptr;
    }
  }
  // NTFS keeps holes only in a file marked sparse; where that cannot be
  // done the file is a plain one, and reads the same.
  if (have == 0) (void)file->MakeSparse();
  // Setting the length makes the file sparse.
  if (have != size && !file->SetSize(size)) {
    error = "cannot size media file " + path + ": " + host::LastErrorText();
    return nullptr;
  }
  return std::unique_ptr<SparseFileMedia>(
      new SparseFileMedia(std::move(file), path, sectors, sectorSize));
}

std::string DataBeyondCapacityText(uint64_t dataEnd, uint64_t sectors, uint32_t sectorSize) {
  const uint64_t needed = (dataEnd + sectorSize - 1) / sectorSize;
  return common::Format(
      "holds data in its first %llu sectors, more than the capacity of %llu sectors; it is not cut",
      static_cast<unsigned long long>(needed), static_cast<unsigned long long>(sectors));
}

uint64_t StoredDataEnd(const host::File& file, uint64_t from) {
  const uint64_t size = file.Size();
  if (size == UINT64_MAX) return UINT64_MAX;
  uint64_t end = from;
  size_t readBudget = kZeroCheckBudget;
  std::vector<uint8_t> buf;
  for (uint64_t at = end; at < size;) {
    const int64_t data = file.NextData(at);
    if (data == host::kNoMoreData) break;  // only holes from here on
    // A file system that cannot tell holes: every byte is data.
    const int64_t stop = data < 0 ? host::kNotKnown : file.NextHole(static_cast<uint64_t>(data));
    if (data < 0 || stop < 0) return size;
    // Blocks stored only because a sector beside them was written hold
    // zeros; they are looked at while that costs little.
    const size_t len = static_cast<size_t>(stop - data);
    if (len > readBudget) {
      end = static_cast<uint64_t>(stop);
    } else {
      readBudget -= len;
      buf.resize(len);
      if (file.ReadAt(buf.data(), len, static_cast<uint64_t>(data)) != static_cast<int64_t>(len))
        return static_cast<uint64_t>(stop);
      for (size_t i = len; i > 0; --i) {
        if (buf[i - 1] != 0) {
          end = static_cast<uint64_t>(data) + i;
          break;
        }
      }
    }
    at = static_cast<uint64_t>(stop);
  }
  return end;
}

SparseFileMedia::~SparseFileMedia() = default;

bool SparseFileMedia::InRange(uint64_t lba, uint32_t count) const {
  return lba <= sectors_ && count <= sectors_ - lba;
}

bool SparseFileMedia::ReadBytes(uint8_t* out, size_t left, uint64_t at) const {
  while (left > 0) {
    const int64_t n = file_->ReadAt(out, left, at);
    if (n < 0) return false;
    if (n == 0) {  // a file cut short behind our back reads as zeros
      std::memset(out, 0, left);
      break;
    }
    out += n;
    at += static_cast<uint64_t>(n);
    left -= static_cast<size_t>(n);
  }
  return true;
}

uint64_t SparseFileMedia::NextData(uint64_t at, uint64_t end) const {
  const int64_t data = file_->NextData(at);
  if (data >= 0) return std::min(static_cast<uint64_t>(data), end);
  // No data after `at` (or past the end of a file cut short) reads as zeros;
  // a file system that cannot tell makes every byte data.
  return data == host::kNoMoreData ? end : at;
}

uint64_t SparseFileMedia::NextHole(uint64_t at, uint64_t end) const {
  const int64_t hole = file_->NextHole(at);
  return hole > static_cast<int64_t>(at) ? std::min(static_cast<uint64_t>(hole), end) : end;
}

bool SparseFileMedia::Read(uint64_t lba, uint32_t count, uint8_t* out) {
  if (!InRange(lba, count) || (count != 0 && out == nullptr)) return false;
  for (const LbaRange& r : unreadable_)
    if (r.Overlaps(lba, count)) return false;
  const uint64_t start = lba * sectorSize_;
  const uint64_t end = start + uint64_t{count} * sectorSize_;
  // Never-written stretches are zeros without any reading, as unmapped
  // sectors of a flash drive cost it nothing to return.
  for (uint64_t at = start; at < end;) {
    const uint64_t data = NextData(at, end);
    if (data > at) {
      std::memset(out + (at - start), 0, static_cast<size_t>(data - at));
      at = data;
      continue;
    }
    const uint64_t stop = NextHole(at, end);
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
  const uint64_t end = to;
  for (uint64_t at = from; at < end;) {
    const uint64_t data = NextData(at, end);
    if (data >= end) break;
    const uint64_t stop = NextHole(data, end);
    ranges.push_back({data, stop});
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
  uint64_t at = lba * sectorSize_;
  // A large write into a hole gets its blocks in one request instead of one
  // delayed allocation per page; they are all written next, so the file
  // takes no more space than the write alone would. Where the file system
  // cannot, the write allocates as it goes.
  if (left >= kPreallocateBytes) file_->Preallocate(at, left);
  while (left > 0) {
    const int64_t n = file_->WriteAt(in, left, at);
    if (n <= 0) return false;
    in += n;
    at += static_cast<uint64_t>(n);
    left -= static_cast<size_t>(n);
  }
  return true;
}

bool SparseFileMedia::ZeroStored(uint64_t lba, uint64_t count, bool punch) {
  if (lba > sectors_ || count > sectors_ - lba) return false;
  const uint64_t start = lba * sectorSize_;
  const uint64_t end = start + count * sectorSize_;
  // Holes read as zeros already; only the stretches that hold bytes change,
  // so zeroing never allocates space.
  for (uint64_t at = start; at < end;) {
    const uint64_t data = NextData(at, end);
    if (data >= end) break;
    const uint64_t stop = NextHole(data, end);
    const bool done =
        punch ? file_->PunchHole(data, stop - data)
              : file_->ZeroRange(data, stop - data) || file_->PunchHole(data, stop - data);
    if (!done) {
      // A file system without either: write the zeros, whole sectors from here on.
      const uint64_t from = data / sectorSize_;
      return Media::Zero(from, lba + count - from);
    }
    at = stop;
  }
  return true;
}

bool SparseFileMedia::Zero(uint64_t lba, uint64_t count) { return ZeroStored(lba, count, true); }

bool SparseFileMedia::ZeroInPlace(uint64_t lba, uint64_t count) {
  return ZeroStored(lba, count, false);
}

}  // namespace lab
