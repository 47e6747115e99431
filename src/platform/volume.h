#pragma once
// Volume requests on a drive-letter handle: lock, dismount, unlock, the
// mounted test, and the disk extents that name the physical drive behind it.
#include "platform/ctl_code.h"

namespace os {

inline constexpr DWORD FSCTL_LOCK_VOLUME =
    CTL_CODE(FILE_DEVICE_FILE_SYSTEM, 6, METHOD_BUFFERED, FILE_ANY_ACCESS);
inline constexpr DWORD FSCTL_UNLOCK_VOLUME =
    CTL_CODE(FILE_DEVICE_FILE_SYSTEM, 7, METHOD_BUFFERED, FILE_ANY_ACCESS);
inline constexpr DWORD FSCTL_DISMOUNT_VOLUME =
    CTL_CODE(FILE_DEVICE_FILE_SYSTEM, 8, METHOD_BUFFERED, FILE_ANY_ACCESS);
inline constexpr DWORD FSCTL_IS_VOLUME_MOUNTED =
    CTL_CODE(FILE_DEVICE_FILE_SYSTEM, 10, METHOD_BUFFERED, FILE_ANY_ACCESS);
inline constexpr DWORD IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS =
    CTL_CODE(IOCTL_VOLUME_BASE, 0, METHOD_BUFFERED, FILE_ANY_ACCESS);
static_assert(FSCTL_LOCK_VOLUME == 0x90018);
static_assert(FSCTL_UNLOCK_VOLUME == 0x9001C);
static_assert(FSCTL_DISMOUNT_VOLUME == 0x90020);
static_assert(FSCTL_IS_VOLUME_MOUNTED == 0x90028);
static_assert(IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS == 0x560000);

struct DISK_EXTENT {
  DWORD DiskNumber;
  LONGLONG StartingOffset;
  LONGLONG ExtentLength;
};
static_assert(sizeof(DISK_EXTENT) == 24);

struct VOLUME_DISK_EXTENTS {
  DWORD NumberOfDiskExtents;
  DISK_EXTENT Extents[1];
};
static_assert(sizeof(VOLUME_DISK_EXTENTS) == 32);

}  // namespace os
