#pragma once
// Miniport control requests: a signed header in front of a driver-defined
// body, sent on a SCSI port handle ("\\.\ScsiN:").
#include "platform/ctl_code.h"

namespace os {

inline constexpr DWORD IOCTL_SCSI_MINIPORT =
    CTL_CODE(FILE_DEVICE_CONTROLLER, 0x0402, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
static_assert(IOCTL_SCSI_MINIPORT == 0x4D008);

struct SRB_IO_CONTROL {
  ULONG HeaderLength;
  UCHAR Signature[8];
  ULONG Timeout;
  ULONG ControlCode;
  ULONG ReturnCode;
  ULONG Length;  // bytes after this header
};
static_assert(sizeof(SRB_IO_CONTROL) == 28);

}  // namespace os
