#pragma once
// The firmware update of a drive reached as NVMe: the image goes down in
// pieces of the chosen transfer size with Firmware Image Download, then
// Firmware Commit activates it. An IC type may list further images, each
// downloaded and committed after the main one.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "pages/update/update_flow.h"

namespace update {

// The CSS header some images start with: seven entries of 48 bytes, each a
// type and the offset of its record (32-bit little-endian).
namespace css {
inline constexpr size_t kFirstEntry = 656;
inline constexpr size_t kEntrySize = 48;
inline constexpr size_t kEntryCount = 7;
inline constexpr size_t kTypeOffset = 0;
inline constexpr size_t kDataOffset = 4;
inline constexpr uint32_t kTypeLightSwitch = 4;
inline constexpr uint32_t kTypeIsp = 5;
inline constexpr uint32_t kTypeOptionRom = 6;
inline constexpr uint32_t kEmpty = 0;
inline constexpr uint32_t kEmptyErased = 0xFFFFFFFFu;
inline constexpr size_t kLightSwitchText = 168;
inline constexpr size_t kLightSwitchChars = 8;
inline constexpr size_t kIspVersion = 0x7FFC8;
inline constexpr size_t kIspVersionChars = 8;
inline constexpr size_t kOptionRomVersion = 8;
inline constexpr size_t kOptionRomChars = 16;
static_assert(kFirstEntry + kEntryCount * kEntrySize == 992);
}  // namespace css

inline constexpr size_t kNvmeFirmwareRevision = 64;  // identify controller bytes 64..71
inline constexpr size_t kNvmeFirmwareRevisionChars = 8;
inline constexpr uint32_t kReplaceOnlyAction = 0;
inline constexpr uint32_t kActivateAtResetAction = 1;
inline constexpr uint32_t kActivateSlotAction = 2;
inline constexpr uint32_t kActivateNowAction = 3;
inline constexpr uint16_t kScActivationRequiresReset = 0x11;
inline constexpr uint16_t kSctCommandSpecific = 1;
inline constexpr uint32_t kCommitSettleMs = 1000;
inline constexpr uint32_t kAfterPostCommitMs = 500;
// After an immediate activation the identity is asked for again every second
// for up to 30 seconds while the controller restarts.
inline constexpr uint64_t kActivationWindowMs = 30000;
inline constexpr uint32_t kActivationRetryMs = 1000;
inline constexpr const char* kNoAnswerAfterActivation = "No answer after FW activation!";

// What the CSS header tells: the memo lines in entry order and the ISP
// version, when an ISP record was found.
struct CssVersions {
  std::vector<std::string> memoLines;
  std::optional<std::string> ispVersion;
};
CssVersions ReadCssVersions(std::span<const uint8_t> image);

// The pieces of a download: [offset, offset + size) for each.
struct Piece {
  size_t offset = 0;
  size_t size = 0;
};
std::vector<Piece> PlanPieces(size_t imageBytes, size_t pieceBytes);

// BTN_Microcode_NVMeDownloadClick: the main image, then each further image
// while the previous one succeeded.
void NvmeDownloadClick(UpdateFlow& flow);
// One image: checks, version rule, confirmation, download, and the commit.
void NvmeDownload(UpdateFlow& flow, const std::string& relativePath);
// BTN_Microcode_NVMeCommitClick.
void NvmeCommitClick(UpdateFlow& flow);
// After a commit: Identify Controller and the vendor page read again, the row
// refreshed, `reported` the running revision. After an immediate activation
// the identify is retried while the controller restarts; false (and the row
// failed with its own text) when it never answers.
bool RereadIdentity(UpdateFlow& flow, bool activatedNow, std::string& reported);

}  // namespace update
