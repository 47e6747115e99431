#pragma once
// The drive side of ATA DOWNLOAD MICROCODE: collects the segments of a download
// with offsets, tells the drive when the bytes received so far form an image it
// accepts, and keeps what the count register reports (1 more expected, 2
// applied, 3 saved for activation, 0 no indication).
//
// Accepted forms (see firmware_image.h), by the drive's DownloadFormat:
//   kUpdateFile  an update file; complete when its checksum unit holds.
//   kPlain       a plain image; complete when its 0x87C checksum holds.
//   kAuto        either. A plain image and the image part of an update file
//                look alike, so a plain image that checks out is taken but the
//                download may go on: the drive answers "no indication" for
//                subcommands 3 and 7 (the image is applied all the same) and
//                "saved" for 0Eh; a checksum unit that follows completes the
//                update file.
// Every accepted image must carry a version (ImageVersion).
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "lab/config/drive_keys.h"

namespace lab::drives {

inline constexpr uint8_t kDmDownloadOffsets = 0x03;
inline constexpr uint8_t kDmDownloadSave = 0x07;
inline constexpr uint8_t kDmDownloadDeferred = 0x0E;
inline constexpr uint8_t kDmActivate = 0x0F;

inline constexpr uint8_t kDmStateNone = 0;
inline constexpr uint8_t kDmStateMore = 1;
inline constexpr uint8_t kDmStateApplied = 2;
inline constexpr uint8_t kDmStateSaved = 3;

// DownloadFormat (auto, plain, update) is lab.ini's: lab/config/drive_keys.h.

class MicrocodeReceiver {
 public:
  struct Limits {
    uint16_t maxBlocks = 256;
    uint32_t bufferBlocks = 4096;  // the largest download the drive can hold
    uint32_t unitBytes = 4096;     // unit of the update-file framing
    DownloadFormat format = DownloadFormat::kAuto;
  };

  enum class Outcome {
    kMore,        // segment taken, more expected
    kComplete,    // an accepted image is complete; nothing may follow
    kPlainImage,  // a plain image is complete, but an update file may go on
    kBadOffset,   // out of sequence: aborted, download discarded
    kBadSize,     // zero or too many blocks: aborted, download discarded
    kOutOfRange,  // past the drive's buffer: ID not found, download discarded
  };

  explicit MicrocodeReceiver(Limits limits) : limits_(limits) {}

  // One segment of subcommand 3, 7 or 0Eh. Offset and count in 512-byte blocks;
  // `data` holds at least count × 512 bytes.
  Outcome Segment(uint8_t subcommand, uint32_t offset, uint32_t blocks,
                  std::span<const uint8_t> data);
  // The image of the last kComplete or kPlainImage outcome. After kComplete
  // the download is over; after kPlainImage it may continue.
  std::vector<uint8_t> Image() const;
  uint8_t Subcommand() const { return subcommand_; }
  bool InProgress() const { return received_ > 0; }
  // Drops the download (errors, power loss, a finished image taken).
  void Reset();

 private:
  std::optional<size_t> UpdateFileImage() const;
  bool PlainImage() const;

  Limits limits_;
  std::vector<uint8_t> buffer_;
  std::vector<uint32_t> wordSums_;  // per received block
  std::vector<uint32_t> byteSums_;  // per received block
  uint32_t received_ = 0;           // blocks
  uint8_t subcommand_ = 0;
  size_t imageSize_ = 0;
};

}  // namespace lab::drives
