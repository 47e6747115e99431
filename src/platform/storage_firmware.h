#pragma once
// Firmware requests of the inbox storage stack: slot information, image
// download in pieces, activation of a slot.
#include <cstddef>

#include "platform/storage_property.h"

namespace os {

inline constexpr DWORD IOCTL_STORAGE_FIRMWARE_GET_INFO =
    CTL_CODE(IOCTL_STORAGE_BASE, 0x0700, METHOD_BUFFERED, FILE_ANY_ACCESS);
inline constexpr DWORD IOCTL_STORAGE_FIRMWARE_DOWNLOAD =
    CTL_CODE(IOCTL_STORAGE_BASE, 0x0701, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
inline constexpr DWORD IOCTL_STORAGE_FIRMWARE_ACTIVATE =
    CTL_CODE(IOCTL_STORAGE_BASE, 0x0702, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
static_assert(IOCTL_STORAGE_FIRMWARE_GET_INFO == 0x2D1C00);
static_assert(IOCTL_STORAGE_FIRMWARE_DOWNLOAD == 0x2DDC04);
static_assert(IOCTL_STORAGE_FIRMWARE_ACTIVATE == 0x2DDC08);

inline constexpr DWORD STORAGE_HW_FIRMWARE_REQUEST_FLAG_CONTROLLER = 0x00000001;
inline constexpr DWORD STORAGE_HW_FIRMWARE_REQUEST_FLAG_LAST_SEGMENT = 0x00000002;
inline constexpr DWORD STORAGE_HW_FIRMWARE_REQUEST_FLAG_SWITCH_TO_EXISTING_FIRMWARE = 0x80000000u;
// Activation request flags of newer drivers: switch at once without a reset
// (commit action 3), or replace the slot's image and switch to it at the
// next reset (commit action 1). Without either the driver activates at once.
inline constexpr DWORD STORAGE_HW_FIRMWARE_REQUEST_FLAG_SWITCH_TO_FIRMWARE_WITHOUT_RESET =
    0x10000000u;
inline constexpr DWORD STORAGE_HW_FIRMWARE_REQUEST_FLAG_REPLACE_AND_SWITCH_UPON_RESET = 0x20000000u;

struct STORAGE_HW_FIRMWARE_INFO_QUERY {
  DWORD Version;  // sizeof this structure
  DWORD Size;
  DWORD Flags;
  DWORD Reserved;
};
static_assert(sizeof(STORAGE_HW_FIRMWARE_INFO_QUERY) == 16);

struct STORAGE_HW_FIRMWARE_SLOT_INFO {
  DWORD Version;
  DWORD Size;
  UCHAR SlotNumber;
  UCHAR ReadOnly;  // bit 0
  UCHAR Reserved0[6];
  UCHAR Revision[16];
};
static_assert(sizeof(STORAGE_HW_FIRMWARE_SLOT_INFO) == 32);

struct STORAGE_HW_FIRMWARE_INFO {
  DWORD Version;
  DWORD Size;
  UCHAR SupportUpgrade;  // bit 0
  UCHAR SlotCount;
  UCHAR ActiveSlot;
  UCHAR PendingActivateSlot;
  BOOLEAN FirmwareShared;
  UCHAR Reserved[3];
  DWORD ImagePayloadAlignment;
  DWORD ImagePayloadMaxSize;
  STORAGE_HW_FIRMWARE_SLOT_INFO Slot[1];
};
inline constexpr size_t kFirmwareInfoHeaderSize = offsetof(STORAGE_HW_FIRMWARE_INFO, Slot);
static_assert(kFirmwareInfoHeaderSize == 24);
static_assert(sizeof(STORAGE_HW_FIRMWARE_INFO) == 56);
static_assert(offsetof(STORAGE_HW_FIRMWARE_INFO, Size) == 4);
static_assert(offsetof(STORAGE_HW_FIRMWARE_INFO, SupportUpgrade) == 8);
static_assert(offsetof(STORAGE_HW_FIRMWARE_INFO, SlotCount) == 9);
static_assert(offsetof(STORAGE_HW_FIRMWARE_INFO, ActiveSlot) == 10);
static_assert(offsetof(STORAGE_HW_FIRMWARE_INFO, PendingActivateSlot) == 11);
static_assert(offsetof(STORAGE_HW_FIRMWARE_INFO, FirmwareShared) == 12);
static_assert(offsetof(STORAGE_HW_FIRMWARE_INFO, ImagePayloadAlignment) == 16);
static_assert(offsetof(STORAGE_HW_FIRMWARE_INFO, ImagePayloadMaxSize) == 20);

struct STORAGE_HW_FIRMWARE_DOWNLOAD {
  DWORD Version;
  DWORD Size;
  DWORD Flags;
  UCHAR Slot;
  UCHAR Reserved[3];
  ULONGLONG Offset;
  ULONGLONG BufferSize;
  UCHAR ImageBuffer[1];
};
static_assert(offsetof(STORAGE_HW_FIRMWARE_DOWNLOAD, ImageBuffer) == 32);
static_assert(sizeof(STORAGE_HW_FIRMWARE_DOWNLOAD) == 40);

struct STORAGE_HW_FIRMWARE_ACTIVATE {
  DWORD Version;
  DWORD Size;
  DWORD Flags;
  UCHAR Slot;
  UCHAR Reserved0[3];
};
static_assert(sizeof(STORAGE_HW_FIRMWARE_ACTIVATE) == 16);

}  // namespace os
