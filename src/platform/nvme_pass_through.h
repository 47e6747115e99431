#pragma once
// The public NVMe miniport pass-through request ("NvmeMini"): a miniport
// control header, the submission entry, the completion entry and the data.
// Vendor control requests ("VkmCtrl ") use the same layout.
#include <cstddef>

#include "platform/nvme_command.h"
#include "platform/srb_io_control.h"

namespace os {

inline constexpr char NVME_SIG_STR[] = "NvmeMini";
inline constexpr DWORD NVME_PASS_THROUGH_SRB_IO_CODE = 0xE0002000u;

// Direction values.
inline constexpr ULONG NVME_NO_DATA_TX = 0;
inline constexpr ULONG NVME_FROM_HOST_TO_DEV = 1;
inline constexpr ULONG NVME_FROM_DEV_TO_HOST = 2;
inline constexpr ULONG NVME_BI_DIRECTION = 3;

struct NVME_PASS_THROUGH_IOCTL {
  SRB_IO_CONTROL SrbIoCtrl;
  ULONG VendorSpecific[6];
  ULONG NVMeCmd[kNvmeEntryDwords];  // submission entry, dword by dword (nvme_command.h)
  ULONG CplEntry[4];                // completion entry
  ULONG Direction;
  ULONG QueueId;        // 0 admin, otherwise I/O
  ULONG DataBufferLen;  // data + metadata bytes
  ULONG MetaDataLen;
  ULONG ReturnBufferLen;
  UCHAR DataBuffer[1];
};
inline constexpr size_t kNvmePassThroughHeaderSize = offsetof(NVME_PASS_THROUGH_IOCTL, DataBuffer);
static_assert(kNvmePassThroughHeaderSize == 152);
static_assert(offsetof(NVME_PASS_THROUGH_IOCTL, NVMeCmd) == 52);
static_assert(offsetof(NVME_PASS_THROUGH_IOCTL, CplEntry) == 116);
static_assert(offsetof(NVME_PASS_THROUGH_IOCTL, Direction) == 132);
static_assert(sizeof(NVME_PASS_THROUGH_IOCTL::NVMeCmd) == kNvmeSubmissionEntrySize);

}  // namespace os
