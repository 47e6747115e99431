#pragma once
// DMStatus: the result of a microcode download (VK4540LT::DMicrocode), and
// the download states the drive reports in the count register.
#include <cstdint>

namespace controller {

enum DMStatus : int {
  kDmDone = 0,
  kDmBadSubcommand = 1,      // not 3, 7 or 0x0E; nothing sent
  kDmNotSupported = 2,       // IDENTIFY says the drive cannot take this download
  kDmBadChunkSize = 3,       // 0, 0xFFFF or more, or outside IDENTIFY words 234..235
  kDmCommandFailed = 4,      // a DOWNLOAD MICROCODE request failed
  kDmStatusError = 5,        // the drive returned status 0x51 without ABRT
  kDmAborted = 6,            // the drive returned status 0x51 with ABRT
  kDmStateMismatch = 7,      // the download state does not fit the position in the image
  kDmLastChunkTooSmall = 8,  // the last chunk is below IDENTIFY word 234
  // The image holds fewer bytes than the total size asks for; nothing sent.
  kDmImageTooShort = 9,
  kDmNoBuffer = 255,  // the chunk buffer could not be allocated
};

// DOWNLOAD MICROCODE subcommands.
inline constexpr uint8_t kDmSubOffsets = 0x03;          // with offsets, save
inline constexpr uint8_t kDmSubWhole = 0x07;            // download and save in one command
inline constexpr uint8_t kDmSubOffsetsDeferred = 0x0E;  // with offsets, save, activate later
inline constexpr uint8_t kDmSubActivate = 0x0F;         // activate the saved microcode

// Download state in the count register after each command.
inline constexpr uint32_t kDmStateNone = 0;
inline constexpr uint32_t kDmStateMoreExpected = 1;
inline constexpr uint32_t kDmStateApplied = 2;
inline constexpr uint32_t kDmStateSavedPending = 3;

// Status 0x51 (DRDY, DSC, ERR) and the ABRT bit of the error register.
inline constexpr uint8_t kAtaStatusError51 = 0x51;
inline constexpr uint8_t kAtaErrorAbort = 0x04;

}  // namespace controller
