#include "pages/maintenance/backup_copy.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "pages/maintenance/known_zeros.h"
#include "platform/zero_data.h"

namespace maintenance {
namespace {

constexpr uint64_t kBlockSectors = 8;  // 4 KiB

}  // namespace

AlignedBuffer::AlignedBuffer(size_t bytes) : size_(bytes) {
  const size_t rounded = (bytes + kBufferAlignment - 1) / kBufferAlignment * kBufferAlignment;
  // The aligned operator new: Windows' C library has no aligned_alloc.
  data_.reset(static_cast<uint8_t*>(::operator new(rounded, std::align_val_t{kBufferAlignment})));
}

void AlignedBuffer::Free::operator()(uint8_t* p) const {
  ::operator delete(p, std::align_val_t{kBufferAlignment});
}

bool AllZero(const uint8_t* data, size_t bytes) {
  // Blocks of words ORed together (vector code after the optimiser) with one
  // test per block: a data chunk usually stops at its first block, and a zero
  // chunk is scanned at memory speed.
  constexpr size_t kBlock = 256;
  size_t i = 0;
  for (; i + kBlock <= bytes; i += kBlock) {
    uint64_t any = 0;
    for (size_t w = 0; w < kBlock; w += sizeof(uint64_t)) {
      uint64_t word;
      std::memcpy(&word, data + i + w, sizeof word);
      any |= word;
    }
    if (any != 0) return false;
  }
  for (; i < bytes; ++i) {
    if (data[i] != 0) return false;
  }
  return true;
}

void DiskCopy::SetSectorUnit(uint32_t sectors) {
  unit_ = sectors == 0 ? 1 : sectors;
  chunk_ = std::max(unit_, kChunkSectors / unit_ * unit_);
}

bool DiskCopy::Seek(os::HANDLE h, uint64_t byteOffset) {
  os::LONG high = static_cast<os::LONG>(byteOffset >> 32);
  const os::DWORD low =
      os_.SetFilePointer(h, static_cast<os::LONG>(byteOffset & 0xFFFFFFFFu), &high, os::FILE_BEGIN);
  return !(low == os::INVALID_SET_FILE_POINTER && os_.GetLastError() != os::ERROR_SUCCESS);
}

bool DiskCopy::ReadChunk(os::HANDLE source, uint64_t position, uint32_t n, bool& zero) {
  const os::DWORD bytes = n * 512;
  os::DWORD got = 0;
  if (!Seek(source, position * 512) || !os_.ReadFile(source, buffer_.data(), bytes, &got) ||
      got != bytes) {
    return false;
  }
  // Only a copy that leaves zero chunks out needs to look.
  zero = ignoreZero_ && AllZero(buffer_.data(), bytes);
  return true;
}

bool DiskCopy::WriteSectors(os::HANDLE destination, uint64_t position, uint64_t from,
                            uint64_t count) {
  const auto bytes = static_cast<os::DWORD>(count * 512);
  os::DWORD put = 0;
  return Seek(destination, (position + from) * 512) &&
         os_.WriteFile(destination, buffer_.data() + from * 512, bytes, &put) && put == bytes;
}

bool DiskCopy::WriteChunk(os::HANDLE destination, uint64_t position, uint32_t n) {
  if (zeroedAhead_.empty()) return WriteSectors(destination, position, 0, n);
  // Blocks of zeros where the destination was zeroed ahead are left as they
  // are: only the data goes down, and a store keeps no pages for the rest.
  size_t range = 0;
  uint64_t run = 0;
  bool inRun = false;
  for (uint64_t s = 0; s < n;) {
    const uint64_t at = position + s;
    const uint64_t end = std::min<uint64_t>(n, (at / kBlockSectors + 1) * kBlockSectors - position);
    while (range < zeroedAhead_.size() && zeroedAhead_[range].second <= at) ++range;
    const bool zeroed = range < zeroedAhead_.size() && zeroedAhead_[range].first <= at &&
                        position + end <= zeroedAhead_[range].second;
    const bool skip = zeroed && AllZero(buffer_.data() + s * 512, (end - s) * 512);
    if (!skip && !inRun) {
      run = s;
      inRun = true;
    } else if (skip && inRun) {
      if (!WriteSectors(destination, position, run, s - run)) return false;
      inRun = false;
    }
    s = end;
  }
  return !inRun || WriteSectors(destination, position, run, n - run);
}

bool DiskCopy::CancelledBetweenRequests() {
  if (cancelled_) return true;
  if (observer_ == nullptr) return false;
  observer_->BeforeChunk(position_);
  cancelled_ = observer_->Cancelled();
  return cancelled_;
}

bool DiskCopy::ZeroByRequest(os::HANDLE destination, uint64_t from, uint64_t count) {
  while (count > 0) {
    if (!zeroRequestWorks_ || cancelled_) return false;
    const uint64_t n = std::min(count, kZeroRequestSectors);
    os::FILE_ZERO_DATA_INFORMATION z{};
    z.FileOffset = static_cast<os::LONGLONG>(from * 512);
    z.BeyondFinalZero = static_cast<os::LONGLONG>((from + n) * 512);
    os::DWORD returned = 0;
    if (!os_.DeviceIoControl(destination, os::FSCTL_SET_ZERO_DATA, &z, sizeof z, nullptr, 0,
                             &returned)) {
      // A backend without the request answers so at once; do not ask again.
      const os::DWORD e = os_.GetLastError();
      if (e == os::ERROR_INVALID_FUNCTION || e == os::ERROR_NOT_SUPPORTED) {
        zeroRequestWorks_ = false;
      }
      return false;
    }
    ++counts_.zeroRequests;
    from += n;
    count -= n;
    if (count > 0 && CancelledBetweenRequests()) return false;
  }
  return true;
}

bool DiskCopy::ZeroByWriting(os::HANDLE destination, uint64_t from, uint64_t count) {
  // The transfer buffer may hold the chunk that ends this run: zeros get a
  // buffer of their own, made only on a backend without the zero request.
  if (!zeros_) {
    zeros_ = std::make_unique<AlignedBuffer>(buffer_.size());
    std::memset(zeros_->data(), 0, zeros_->size());
  }
  while (count > 0) {
    if (cancelled_) return false;
    const auto n = static_cast<uint32_t>(std::min<uint64_t>(count, chunk_));
    os::DWORD put = 0;
    if (!Seek(destination, from * 512) ||
        !os_.WriteFile(destination, zeros_->data(), n * 512, &put) || put != n * 512) {
      return false;
    }
    ++counts_.zeroWrittenChunks;
    from += n;
    count -= n;
    if (count > 0 && CancelledBetweenRequests()) return false;
  }
  return true;
}

std::vector<SectorRange> ZeroAheadRanges(uint64_t from, uint64_t to,
                                         const std::vector<SectorRange>& held,
                                         uint64_t chunkSectors) {
  std::vector<SectorRange> ranges;
  uint64_t at = from;
  for (const auto& [first, stop] : held) {
    if (first > at) ranges.emplace_back(at, first);
    at = std::max(at, stop);
  }
  if (at < to) ranges.emplace_back(at, to);
  // The 4 KiB block around each chunk border inside data, so that neither
  // chunk's write ends inside a block that still holds old bytes.
  for (uint64_t c = from + chunkSectors; c < to; c += chunkSectors) {
    if (c % kBlockSectors == 0) continue;
    const bool inData = std::any_of(held.begin(), held.end(), [c](const SectorRange& h) {
      return h.first < c && c < h.second;
    });
    if (inData) {
      ranges.emplace_back(std::max(from, c / kBlockSectors * kBlockSectors),
                          std::min(to, (c / kBlockSectors + 1) * kBlockSectors));
    }
  }
  std::sort(ranges.begin(), ranges.end());
  std::vector<SectorRange> merged;
  for (const SectorRange& r : ranges) {
    if (!merged.empty() && r.first <= merged.back().second) {
      merged.back().second = std::max(merged.back().second, r.second);
    } else {
      merged.push_back(r);
    }
  }
  return merged;
}

void DiskCopy::ZeroAhead(os::HANDLE destination, KnownZeros& known, uint64_t position,
                         uint64_t sectors) {
  const uint64_t window = std::min(kZeroAheadChunks * chunk_, sectors - position);
  aheadUntil_ = position + window;
  zeroedAhead_.clear();
  // Up to a 4 KiB boundary, a few sectors into the next stretch if need be:
  // they are copied or zeroed later.
  const uint64_t to =
      std::min(sectors, (position + window + kBlockSectors - 1) / kBlockSectors * kBlockSectors);
  std::vector<SectorRange> held;
  if (!zeroRequestWorks_ || !known.Held(position, to - position, held)) return;
  // Whole units of both disks: a stretch the source holds partly is copied.
  for (auto& [first, stop] : held) {
    first = first / unit_ * unit_;
    stop = std::min(to, (stop + unit_ - 1) / unit_ * unit_);
  }
  uint64_t heldSectors = 0;
  for (const auto& [first, stop] : held) heldSectors += stop - first;
  if (heldSectors * 2 >= to - position) return;
  // A zero run pending before this stretch stays pending: it ends where
  // the stretch begins, and the stretch's requests start there.
  for (const SectorRange& r : ZeroAheadRanges(position, to, held, chunk_)) {
    if (!ZeroByRequest(destination, r.first, r.second - r.first)) return;
    zeroedAhead_.push_back(r);
  }
}

bool DiskCopy::ZeroedAhead(uint64_t position, uint64_t n) const {
  return std::any_of(zeroedAhead_.begin(), zeroedAhead_.end(), [&](const SectorRange& r) {
    return r.first <= position && position + n <= r.second;
  });
}

bool DiskCopy::TakeZeroChunk(os::HANDLE destination, uint64_t position, uint32_t n) {
  ++counts_.zeroChunks;
  // Already zero on the destination: nothing left to do for it.
  if (ZeroedAhead(position, n)) {
    ++counts_.zeroedAheadChunks;
    return true;
  }
  // Zero chunks next to each other become one zero-range request; a run
  // that a zeroed-ahead chunk interrupted is zeroed before a new one starts.
  if (zeroCount_ != 0 && zeroFrom_ + zeroCount_ != position && !FlushZeroRun(destination)) {
    return false;
  }
  if (zeroCount_ == 0) zeroFrom_ = position;
  zeroCount_ += n;
  return true;
}

bool DiskCopy::FlushZeroRun(os::HANDLE destination) {
  if (zeroCount_ == 0) return true;
  bool done = false;
  for (int t = 0; t < kTriesPerChunk && !done && !cancelled_; ++t) {
    done = ZeroByRequest(destination, zeroFrom_, zeroCount_) ||
           ZeroByWriting(destination, zeroFrom_, zeroCount_);
    if (!done) ++counts_.failedTries;
  }
  if (!done) counts_.failedAt = zeroFrom_;
  zeroCount_ = 0;
  return done;
}

CopyEnd DiskCopy::Run(os::HANDLE source, os::HANDLE destination, uint64_t sectors,
                      CopyObserver& observer) {
  counts_ = CopyCounts{};
  observer_ = &observer;
  cancelled_ = false;
  zeroCount_ = 0;
  aheadUntil_ = 0;
  zeroedAhead_.clear();
  uint64_t p = 0;
  bool ok = true;
  KnownZeros known(os_, source, sectors);
  while (p < sectors && ok && !observer.Cancelled()) {
    observer.BeforeChunk(p);
    position_ = p;
    const auto n = static_cast<uint32_t>(std::min<uint64_t>(chunk_, sectors - p));
    if (ignoreZero_ && p >= aheadUntil_) ZeroAhead(destination, known, p, sectors);
    if (cancelled_) break;
    bool done = false;
    bool unread = false;
    if (ignoreZero_ && known.AllZero(p, n)) {
      ++counts_.unreadZeroChunks;
      done = TakeZeroChunk(destination, p, n);
      unread = true;
    }
    for (int t = 0; t < kTriesPerChunk && !done && !unread; ++t) {
      bool zero = false;
      if (!ReadChunk(source, p, n, zero)) {
        ++counts_.failedTries;
        continue;
      }
      if (ignoreZero_ && zero) {
        done = TakeZeroChunk(destination, p, n);
        break;
      }
      // Sectors before this chunk must be zero before its data lands.
      if (!FlushZeroRun(destination)) break;
      done = WriteChunk(destination, p, n);
      if (done) {
        ++counts_.writtenChunks;
      } else {
        ++counts_.failedTries;
      }
    }
    ok = done;
    if (!ok && counts_.failedAt == 0) counts_.failedAt = p;
    ++counts_.chunks;
    observer.AfterChunk(p, sectors);
    p += chunk_;
  }
  // The zeros read so far are copied too, also when the copy stops early.
  if (!FlushZeroRun(destination)) ok = false;
  observer_ = nullptr;
  if (cancelled_ || observer.Cancelled()) return CopyEnd::kCancelled;
  return ok ? CopyEnd::kCopied : CopyEnd::kFailed;
}

}  // namespace maintenance
