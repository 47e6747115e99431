#pragma once
// What the NVMe Firmware Slot Information log (log page 03h) tells the update:
// which slot runs, which one runs after the next reset, and the revision each
// slot holds. An image already waiting in the slot for the next reset is not
// downloaded again.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "pages/update/update_flow.h"

namespace update {

namespace slotlog {
inline constexpr size_t kSize = 512;
inline constexpr size_t kAfi = 0;  // bits 2:0 running slot, bits 6:4 slot for the next reset
inline constexpr uint8_t kActiveMask = 0x07;
inline constexpr int kNextShift = 4;
inline constexpr uint8_t kNextMask = 0x07;
inline constexpr size_t kFirstRevision = 8;  // FRS1; FRSn at 8 * n
inline constexpr size_t kRevisionChars = 8;
inline constexpr size_t kSlots = 7;
static_assert(kFirstRevision + kSlots * kRevisionChars == 64);
}  // namespace slotlog

inline constexpr const char* kStagedStatus = "FW already staged, please reboot";

struct FirmwareSlots {
  uint8_t active = 0;                                  // 1..7; 0 when the drive names none
  uint8_t next = 0;                                    // 0: nothing waits for a reset
  std::array<std::string, slotlog::kSlots> revisions;  // trimmed; index 0 is slot 1
};

// Decodes the log page; nothing when it is shorter than the page.
std::optional<FirmwareSlots> ParseFirmwareSlotLog(std::span<const uint8_t> page);
// The slot that holds `offered` and runs after the next reset while the drive
// still runs other firmware (`running`, the identify revision); nothing
// otherwise. The slot may be the running one: its image was replaced, but the
// controller goes on running the old firmware until it is reset.
std::optional<uint8_t> StagedSlot(const FirmwareSlots& slots, const std::string& offered,
                                  const std::string& running);

// Before a download: when the drive already holds `offered` for its next
// reset, the row passes asking for a reboot, the run log says where the image
// waits, and true is returned (nothing is to be downloaded). A drive whose log
// cannot be read is downloaded to as before.
bool AlreadyStaged(UpdateFlow& flow, const std::string& offered, const std::string& running);

// The slot the controller runs after its next reset: the one waiting for it,
// else the running one; 0 when the log names neither.
uint8_t SlotAfterReset(const FirmwareSlots& slots);
// "slot 1 holds N0220A0 and runs now, slot 2 holds N0312A0; after the next
// reset slot 1 runs N0220A0": what the run log says of a drive's slots.
std::string DescribeSlots(const FirmwareSlots& slots);

// After a commit that only replaces a slot's image (action 0: it runs after a
// reset only in the running slot) or activates what a slot already holds
// (action 2: not necessarily the image just sent), the slot log decides. The
// expected firmware running after the next reset passes (with the reboot text
// while the drive still runs other firmware); anything else, or a log that
// cannot be read, fails with "Check FW Version!" when the version is checked
// and passes with the reboot text otherwise, the run log saying which slot
// runs what.
void JudgeSlotAfterReset(UpdateFlow& flow, const std::string& reported, bool checkVersion);

}  // namespace update
