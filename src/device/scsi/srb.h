#pragma once
// The ASPI-style request block in which every SCSI command of the tool (and
// every ATA command to a USB bridge) is described before ExecuteSCSIIO turns
// it into a pass-through request. It never leaves the process, so its layout
// only mirrors the classic field order.
#include <cstdint>

#include "platform/sat_cdb.h"

namespace device {

// SRB_Cmd
inline constexpr uint8_t SC_HA_INQUIRY = 0x00;
inline constexpr uint8_t SC_EXEC_SCSI_CMD = 0x02;
inline constexpr uint8_t SC_RESET_DEV = 0x03;

// SRB_Flags
inline constexpr uint8_t SRB_DIR_IN = 0x08;
inline constexpr uint8_t SRB_DIR_OUT = 0x10;

// SRB_Status
inline constexpr uint8_t SS_PENDING = 0x00;
inline constexpr uint8_t SS_COMP = 0x01;
inline constexpr uint8_t SS_ERR = 0x04;
inline constexpr uint8_t SS_NO_DEVICE = 0x82;
inline constexpr uint8_t SS_BUFFER_TO_BIG = 0xE6;

inline constexpr uint8_t kSenseLength = 32;
inline constexpr int kSenseAreaSize = 34;

struct SRB_ExecSCSICmd {
  uint8_t SRB_Cmd;
  uint8_t SRB_Status;
  uint8_t SRB_HaId;
  uint8_t SRB_Flags;
  uint32_t SRB_Hdr_Rsvd;
  uint8_t SRB_Target;
  uint8_t SRB_Lun;
  uint16_t SRB_Rsvd1;
  uint32_t SRB_BufLen;
  uint8_t* SRB_BufPointer;
  uint8_t SRB_SenseLen;
  uint8_t SRB_CDBLen;
  uint8_t SRB_HaStat;
  uint8_t SRB_TargStat;
  void* SRB_PostProc;
  uint8_t SRB_Rsvd2[20];
  uint8_t CDBByte[16];
  uint8_t SenseArea[kSenseAreaSize];
};

// Descriptor-format sense as a SAT bridge returns the ATA registers: the ATA
// Status Return descriptor starts at byte 8.
inline constexpr int kSenseDescriptorCode = 8;
inline constexpr uint8_t kAtaStatusReturnDescriptor = os::sat::kStatusReturnType;
inline constexpr int kSenseAtaError = kSenseDescriptorCode + os::sat::kStatusReturnError;
inline constexpr int kSenseAtaCount = kSenseDescriptorCode + os::sat::kStatusReturnCount;
inline constexpr int kSenseAtaDevice = kSenseDescriptorCode + os::sat::kStatusReturnDevice;
inline constexpr int kSenseAtaStatus = kSenseDescriptorCode + os::sat::kStatusReturnStatus;
static_assert(kSenseAtaError == 11 && kSenseAtaCount == 13 && kSenseAtaDevice == 20 &&
              kSenseAtaStatus == 21);

}  // namespace device
