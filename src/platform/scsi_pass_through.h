#pragma once
// SCSI pass-through on a disk handle and the SCSI address query: the request
// layouts and codes of the storage port driver.
#include <cstddef>

#include "platform/ctl_code.h"

namespace os {

inline constexpr DWORD IOCTL_SCSI_BASE = FILE_DEVICE_CONTROLLER;
inline constexpr DWORD IOCTL_SCSI_PASS_THROUGH =
    CTL_CODE(IOCTL_SCSI_BASE, 0x0401, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
inline constexpr DWORD IOCTL_SCSI_PASS_THROUGH_DIRECT =
    CTL_CODE(IOCTL_SCSI_BASE, 0x0405, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
inline constexpr DWORD IOCTL_SCSI_GET_ADDRESS =
    CTL_CODE(IOCTL_SCSI_BASE, 0x0406, METHOD_BUFFERED, FILE_ANY_ACCESS);
static_assert(IOCTL_SCSI_PASS_THROUGH_DIRECT == 0x4D014);
static_assert(IOCTL_SCSI_GET_ADDRESS == 0x41018);

// DataIn values.
inline constexpr UCHAR SCSI_IOCTL_DATA_OUT = 0;
inline constexpr UCHAR SCSI_IOCTL_DATA_IN = 1;
inline constexpr UCHAR SCSI_IOCTL_DATA_UNSPECIFIED = 2;

// The data buffer is the caller's own memory, so the layout follows the
// build's pointer size.
struct SCSI_PASS_THROUGH_DIRECT {
  USHORT Length;
  UCHAR ScsiStatus;
  UCHAR PathId;
  UCHAR TargetId;
  UCHAR Lun;
  UCHAR CdbLength;
  UCHAR SenseInfoLength;
  UCHAR DataIn;
  ULONG DataTransferLength;
  ULONG TimeOutValue;
  void* DataBuffer;
  ULONG SenseInfoOffset;
  UCHAR Cdb[16];
};
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, DataTransferLength) == 12);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, Cdb) ==
              offsetof(SCSI_PASS_THROUGH_DIRECT, SenseInfoOffset) + 4);

// The request as the tool sends it: the block, a filler and the sense area the
// driver writes at SenseInfoOffset.
struct SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER {
  SCSI_PASS_THROUGH_DIRECT sptd;
  ULONG Filler;
  UCHAR ucSenseBuf[32];
};

struct SCSI_ADDRESS {
  ULONG Length;
  UCHAR PortNumber;
  UCHAR PathId;
  UCHAR TargetId;
  UCHAR Lun;
};
static_assert(sizeof(SCSI_ADDRESS) == 8);

}  // namespace os
