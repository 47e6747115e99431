#pragma once
// Pure translations between the Windows pass-through requests and Linux
// SG_IO: a SCSI_PASS_THROUGH_DIRECT becomes an sg_io_hdr; an ATA task file
// becomes a SAT ATA PASS-THROUGH(16) CDB (asking for the registers back with
// CK_COND where that is safe); ata_reply.h judges what comes back.
#include <array>
#include <cstdint>
#include <span>

#include "platform/ata_pass_through.h"
#include "platform/sat_cdb.h"
#include "platform/scsi_pass_through.h"
#include "platform/win_types.h"

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

// SAT protocol and transfer fields for a task file; CK_COND on every
// command but data-in ones.
sat::Cdb SatCdbFromTaskFile(const ATA_PASS_THROUGH_DIRECT& block);
SgCommand SgFromAtaPassThrough(const ATA_PASS_THROUGH_DIRECT& block);

// The transport outcome of SG_IO beside the SCSI status: host_status is a
// value (DID_*); driver_status holds a value in its low three bits
// (DRIVER_*), the "sense present" flag 0x08 and suggestion bits above.
inline constexpr uint8_t kSgHostOk = 0x00;
inline constexpr uint8_t kSgHostNoConnect = 0x01;
inline constexpr uint8_t kSgHostBusBusy = 0x02;
inline constexpr uint8_t kSgHostTimeOut = 0x03;
inline constexpr uint8_t kSgDriverCodeMask = 0x07;
inline constexpr uint8_t kSgDriverOk = 0x00;
inline constexpr uint8_t kSgDriverTimeout = 0x06;
inline constexpr uint8_t kSgDriverSense = 0x08;

// ERROR_SUCCESS when the command reached the device and came back (its SCSI
// status then tells the rest); a time-out as ERROR_SEM_TIMEOUT, as Windows
// reports a pass-through that timed out.
DWORD ErrorFromSgStatus(uint8_t hostStatus, uint8_t driverStatus);

}  // namespace os::linuxos
