#pragma once
// Pure translations between the Windows pass-through requests and Linux
// SG_IO: a SCSI_PASS_THROUGH_DIRECT becomes an sg_io_hdr; an ATA task file
// becomes a SAT ATA PASS-THROUGH(16) CDB (asking for the registers back with
// CK_COND), and the returned sense gives the task file back.
#include <array>
#include <cstdint>
#include <span>

#include "platform/ata_pass_through.h"
#include "platform/sat_cdb.h"
#include "platform/scsi_pass_through.h"

namespace os::linuxos {

// SG_IO data directions (the values of <scsi/sg.h>).
inline constexpr int kSgDxferNone = -1;
inline constexpr int kSgDxferToDev = -2;
inline constexpr int kSgDxferFromDev = -3;

struct SgCommand {
  std::array<uint8_t, 16> cdb{};
  uint8_t cdbLength = 0;
  int direction = kSgDxferNone;
  void* data = nullptr;
  uint32_t length = 0;
  uint32_t timeoutMs = 0;
};

// Windows counts seconds; SG_IO milliseconds (capped so it cannot overflow).
uint32_t TimeoutMs(uint32_t seconds);

SgCommand SgFromScsiPassThrough(const SCSI_PASS_THROUGH_DIRECT& sptd);

// SAT protocol and transfer fields for a task file, CK_COND set.
sat::Cdb SatCdbFromTaskFile(const ATA_PASS_THROUGH_DIRECT& block);
SgCommand SgFromAtaPassThrough(const ATA_PASS_THROUGH_DIRECT& block);

// Reads the ATA registers out of the sense data of an ATA PASS-THROUGH
// (descriptor format with an ATA Status Return descriptor, or fixed format
// with the registers in its information fields) into CurrentTaskFile. False
// when the sense holds no registers.
bool TaskFileFromSense(std::span<const uint8_t> sense, ATA_PASS_THROUGH_DIRECT& block);

}  // namespace os::linuxos
