#pragma once
// The narrow interfaces between a backend's edge and what answers it. A drive
// implements the one its protocol speaks; a USB bridge implements one interface
// by tunnelling through another and owns what it wraps.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "lab/core/commands.h"

namespace lab {

// How a data transfer a bridge passed to the device behind it ended.
enum class TransferOutcome { kOk, kDeviceError, kNotDelivered, kTimedOut };

class AtaDevice {
 public:
  virtual ~AtaDevice() = default;
  virtual AtaResult ExecuteAta(AtaCommand& command) = 0;
};

class ScsiTarget {
 public:
  virtual ~ScsiTarget() = default;
  virtual ScsiResult ExecuteScsi(const ScsiCommand& command) = 0;
};

class Media;

class NvmeController {
 public:
  virtual ~NvmeController() = default;
  virtual NvmeCompletion ExecuteNvme(NvmeSubmission& command) = 0;
  // A vendor control request ("VkmCtrl ") the maker's miniport hands on to the
  // controller: `data` is read and rewritten in place. False: not answered.
  virtual bool HandleControlRequest(uint32_t /*controlCode*/, std::span<uint8_t> /*data*/) {
    return false;
  }
  // One more namespace of this controller, with its own media: it gets the
  // next namespace id (2, 3, ...). False: the controller has only one.
  virtual bool AttachNamespace(std::shared_ptr<Media> /*media*/) { return false; }
};

// A stretch of bytes, [begin, end).
struct ByteRange {
  uint64_t begin = 0;
  uint64_t end = 0;
};

// The bytes of one drive. Reads of never-written sectors give zeros.
class Media {
 public:
  virtual ~Media() = default;
  virtual uint64_t SectorCount() const = 0;
  virtual uint32_t SectorSize() const { return 512; }
  // False for a range past the end or an unreadable (fault-injected) sector.
  virtual bool Read(uint64_t lba, uint32_t count, uint8_t* out) = 0;
  virtual bool Write(uint64_t lba, uint32_t count, const uint8_t* in) = 0;
  // The stretches of bytes [from, to) that have to be read to be known, in
  // order; the rest reads as zeros. Media that cannot tell give all of it.
  virtual std::vector<ByteRange> StoredRanges(uint64_t from, uint64_t to) {
    if (from >= to) return {};
    return {ByteRange{from, to}};
  }
  // Makes a range read as zeros (erase, format). The default writes zero
  // sectors in slices; a sparse store should drop the range instead.
  virtual bool Zero(uint64_t lba, uint64_t count) {
    if (lba > SectorCount() || count > SectorCount() - lba) return false;
    constexpr uint32_t kSlice = 2048;
    std::vector<uint8_t> zeros(size_t{kSlice} * SectorSize(), 0);
    while (count > 0) {
      const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(count, kSlice));
      if (!Write(lba, n, zeros.data())) return false;
      lba += n;
      count -= n;
    }
    return true;
  }
};

}  // namespace lab
