#pragma once
// How an ATA PASS-THROUGH sent with SG_IO ended, in the terms of the
// Windows ATA pass-through: the request succeeds with the registers the
// drive left (an ERR bit in the status register telling a refused command),
// or fails with an error when the command never reached an ATA drive (a
// bridge or disk without ATA pass-through) or came back without registers.
// A sense key other than NO SENSE or RECOVERED ERROR is a failure whatever
// the registers say: a status register read from the wrong place, or a
// drive that reports a fault without ERR, never turns into success.
#include <cstdint>
#include <span>

#include "platform/ata_pass_through.h"
#include "platform/win_types.h"

namespace os::linuxos {

inline constexpr uint8_t kScsiStatusGood = 0x00;
inline constexpr uint8_t kScsiStatusCheckCondition = 0x02;
inline constexpr uint8_t kScsiStatusBusy = 0x08;

// True: CurrentTaskFile holds the registers (error, count, LBA, device,
// status). False: *error says why.
bool JudgeAtaReply(uint8_t scsiStatus, std::span<const uint8_t> sense,
                   ATA_PASS_THROUGH_DIRECT& block, DWORD* error);

}  // namespace os::linuxos
