#pragma once
// Protocol-specific requests of the inbox storage stack: NVMe commands sent
// whole (STORAGE_PROTOCOL_COMMAND) and identify / log page data fetched as a
// protocol-specific property.
#include <cstddef>

#include "platform/storage_property.h"

namespace os {

inline constexpr DWORD IOCTL_STORAGE_PROTOCOL_COMMAND =
    CTL_CODE(IOCTL_STORAGE_BASE, 0x04F0, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
static_assert(IOCTL_STORAGE_PROTOCOL_COMMAND == 0x2DD3C0);

// STORAGE_PROTOCOL_TYPE
inline constexpr DWORD ProtocolTypeUnknown = 0;
inline constexpr DWORD ProtocolTypeScsi = 1;
inline constexpr DWORD ProtocolTypeAta = 2;
inline constexpr DWORD ProtocolTypeNvme = 3;

// STORAGE_PROTOCOL_NVME_DATA_TYPE
inline constexpr DWORD NVMeDataTypeUnknown = 0;
inline constexpr DWORD NVMeDataTypeIdentify = 1;
inline constexpr DWORD NVMeDataTypeLogPage = 2;
inline constexpr DWORD NVMeDataTypeFeature = 3;

inline constexpr DWORD STORAGE_PROTOCOL_STRUCTURE_VERSION = 1;
inline constexpr DWORD STORAGE_PROTOCOL_COMMAND_FLAG_ADAPTER_REQUEST = 0x80000000u;
inline constexpr DWORD STORAGE_PROTOCOL_COMMAND_LENGTH_NVME = 0x40;
inline constexpr DWORD STORAGE_PROTOCOL_SPECIFIC_NVME_ADMIN_COMMAND = 0x01;
inline constexpr DWORD STORAGE_PROTOCOL_SPECIFIC_NVME_NVM_COMMAND = 0x02;

// ReturnStatus values.
inline constexpr DWORD STORAGE_PROTOCOL_STATUS_PENDING = 0x0;
inline constexpr DWORD STORAGE_PROTOCOL_STATUS_SUCCESS = 0x1;
inline constexpr DWORD STORAGE_PROTOCOL_STATUS_ERROR = 0x2;
inline constexpr DWORD STORAGE_PROTOCOL_STATUS_INVALID_REQUEST = 0x3;
inline constexpr DWORD STORAGE_PROTOCOL_STATUS_NO_DEVICE = 0x4;
inline constexpr DWORD STORAGE_PROTOCOL_STATUS_BUSY = 0x5;
inline constexpr DWORD STORAGE_PROTOCOL_STATUS_DATA_OVERRUN = 0x6;
inline constexpr DWORD STORAGE_PROTOCOL_STATUS_INSUFFICIENT_RESOURCES = 0x7;
inline constexpr DWORD STORAGE_PROTOCOL_STATUS_NOT_SUPPORTED = 0xFF;

// One protocol command; the command, error information and data areas follow
// in the same buffer at the offsets the request names.
struct STORAGE_PROTOCOL_COMMAND {
  DWORD Version;
  DWORD Length;  // of this structure
  DWORD ProtocolType;
  DWORD Flags;
  DWORD ReturnStatus;
  DWORD ErrorCode;
  DWORD CommandLength;
  DWORD ErrorInfoLength;
  DWORD DataToDeviceTransferLength;
  DWORD DataFromDeviceTransferLength;
  DWORD TimeOutValue;
  DWORD ErrorInfoOffset;
  DWORD DataToDeviceBufferOffset;
  DWORD DataFromDeviceBufferOffset;
  DWORD CommandSpecific;
  DWORD Reserved0;
  DWORD FixedProtocolReturnData;
  DWORD Reserved1[3];
  UCHAR Command[1];
};
static_assert(sizeof(STORAGE_PROTOCOL_COMMAND) == 84);
static_assert(offsetof(STORAGE_PROTOCOL_COMMAND, Command) == 80);

// The additional parameters of a protocol-specific property query, and the
// head of its answer; ProtocolDataOffset counts from the start of this block.
struct STORAGE_PROTOCOL_SPECIFIC_DATA {
  DWORD ProtocolType;
  DWORD DataType;
  DWORD ProtocolDataRequestValue;
  DWORD ProtocolDataRequestSubValue;
  DWORD ProtocolDataOffset;
  DWORD ProtocolDataLength;
  DWORD FixedProtocolReturnData;
  DWORD ProtocolDataRequestSubValue2;
  DWORD ProtocolDataRequestSubValue3;
  DWORD ProtocolDataRequestSubValue4;
};
static_assert(sizeof(STORAGE_PROTOCOL_SPECIFIC_DATA) == 40);

struct STORAGE_PROTOCOL_DATA_DESCRIPTOR {
  DWORD Version;
  DWORD Size;
  STORAGE_PROTOCOL_SPECIFIC_DATA ProtocolSpecificData;
};
static_assert(sizeof(STORAGE_PROTOCOL_DATA_DESCRIPTOR) == 48);

// Where the protocol data starts in a query buffer (property query header,
// then the protocol-specific block).
inline constexpr size_t kProtocolQueryDataOffset =
    offsetof(STORAGE_PROPERTY_QUERY, AdditionalParameters) + sizeof(STORAGE_PROTOCOL_SPECIFIC_DATA);
static_assert(kProtocolQueryDataOffset == 48);

}  // namespace os
