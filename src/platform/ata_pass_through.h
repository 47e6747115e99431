#pragma once
// ATA pass-through on a disk handle: the task-file request and its flags.
#include <cstddef>

#include "platform/ctl_code.h"

namespace os {

inline constexpr DWORD IOCTL_ATA_PASS_THROUGH =
    CTL_CODE(FILE_DEVICE_CONTROLLER, 0x040B, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
inline constexpr DWORD IOCTL_ATA_PASS_THROUGH_DIRECT =
    CTL_CODE(FILE_DEVICE_CONTROLLER, 0x040C, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
static_assert(IOCTL_ATA_PASS_THROUGH_DIRECT == 0x4D030);

inline constexpr USHORT ATA_FLAGS_DRDY_REQUIRED = 0x01;
inline constexpr USHORT ATA_FLAGS_DATA_IN = 0x02;
inline constexpr USHORT ATA_FLAGS_DATA_OUT = 0x04;
inline constexpr USHORT ATA_FLAGS_48BIT_COMMAND = 0x08;
inline constexpr USHORT ATA_FLAGS_USE_DMA = 0x10;
inline constexpr USHORT ATA_FLAGS_NO_MULTIPLE = 0x20;

// Byte positions inside PreviousTaskFile and CurrentTaskFile.
inline constexpr int kTaskFileFeatures = 0;  // error on return
inline constexpr int kTaskFileCount = 1;
inline constexpr int kTaskFileLbaLow = 2;
inline constexpr int kTaskFileLbaMid = 3;
inline constexpr int kTaskFileLbaHigh = 4;
inline constexpr int kTaskFileDevice = 5;
inline constexpr int kTaskFileCommand = 6;  // status on return

// The direct form: DataBuffer is the caller's memory, so the layout follows
// the build's pointer size.
struct ATA_PASS_THROUGH_DIRECT {
  USHORT Length;
  USHORT AtaFlags;
  UCHAR PathId;
  UCHAR TargetId;
  UCHAR Lun;
  UCHAR ReservedAsUchar;
  ULONG DataTransferLength;
  ULONG TimeOutValue;
  ULONG ReservedAsUlong;
  void* DataBuffer;
  UCHAR PreviousTaskFile[8];
  UCHAR CurrentTaskFile[8];
};
static_assert(offsetof(ATA_PASS_THROUGH_DIRECT, DataTransferLength) == 8);
static_assert(offsetof(ATA_PASS_THROUGH_DIRECT, CurrentTaskFile) ==
              offsetof(ATA_PASS_THROUGH_DIRECT, PreviousTaskFile) + 8);

// The buffered form names the same block ATA_PASS_THROUGH_EX; the data then
// sits at an offset inside the request.
struct ATA_PASS_THROUGH_EX {
  USHORT Length;
  USHORT AtaFlags;
  UCHAR PathId;
  UCHAR TargetId;
  UCHAR Lun;
  UCHAR ReservedAsUchar;
  ULONG DataTransferLength;
  ULONG TimeOutValue;
  ULONG ReservedAsUlong;
  ULONG_PTR DataBufferOffset;
  UCHAR PreviousTaskFile[8];
  UCHAR CurrentTaskFile[8];
};
static_assert(sizeof(ATA_PASS_THROUGH_EX) == sizeof(ATA_PASS_THROUGH_DIRECT));

}  // namespace os
