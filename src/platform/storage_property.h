#pragma once
// Storage property queries (device descriptor with the bus type) and the
// device number query of a disk.
#include <cstddef>

#include "platform/ctl_code.h"

namespace os {

inline constexpr DWORD IOCTL_STORAGE_BASE = FILE_DEVICE_MASS_STORAGE;
inline constexpr DWORD IOCTL_STORAGE_QUERY_PROPERTY =
    CTL_CODE(IOCTL_STORAGE_BASE, 0x0500, METHOD_BUFFERED, FILE_ANY_ACCESS);
inline constexpr DWORD IOCTL_STORAGE_GET_DEVICE_NUMBER =
    CTL_CODE(IOCTL_STORAGE_BASE, 0x0420, METHOD_BUFFERED, FILE_ANY_ACCESS);
static_assert(IOCTL_STORAGE_QUERY_PROPERTY == 0x2D1400);
static_assert(IOCTL_STORAGE_GET_DEVICE_NUMBER == 0x2D1080);

// STORAGE_PROPERTY_ID
inline constexpr DWORD StorageDeviceProperty = 0;
inline constexpr DWORD StorageAdapterProperty = 1;
inline constexpr DWORD StorageAdapterProtocolSpecificProperty = 49;
inline constexpr DWORD StorageDeviceProtocolSpecificProperty = 50;

// STORAGE_QUERY_TYPE
inline constexpr DWORD PropertyStandardQuery = 0;
inline constexpr DWORD PropertyExistsQuery = 1;

// STORAGE_BUS_TYPE
inline constexpr DWORD BusTypeUnknown = 0;
inline constexpr DWORD BusTypeScsi = 1;
inline constexpr DWORD BusTypeAtapi = 2;
inline constexpr DWORD BusTypeAta = 3;
inline constexpr DWORD BusType1394 = 4;
inline constexpr DWORD BusTypeSsa = 5;
inline constexpr DWORD BusTypeFibre = 6;
inline constexpr DWORD BusTypeUsb = 7;
inline constexpr DWORD BusTypeRAID = 8;
inline constexpr DWORD BusTypeiScsi = 9;
inline constexpr DWORD BusTypeSas = 10;
inline constexpr DWORD BusTypeSata = 11;
inline constexpr DWORD BusTypeSd = 12;
inline constexpr DWORD BusTypeMmc = 13;
inline constexpr DWORD BusTypeVirtual = 14;
inline constexpr DWORD BusTypeFileBackedVirtual = 15;
inline constexpr DWORD BusTypeSpaces = 16;
inline constexpr DWORD BusTypeNvme = 17;

struct STORAGE_PROPERTY_QUERY {
  DWORD PropertyId;
  DWORD QueryType;
  UCHAR AdditionalParameters[1];
};
static_assert(sizeof(STORAGE_PROPERTY_QUERY) == 12);
static_assert(offsetof(STORAGE_PROPERTY_QUERY, AdditionalParameters) == 8);

// The answer to StorageDeviceProperty; the strings it points at follow it at
// the given offsets (0 = absent).
struct STORAGE_DEVICE_DESCRIPTOR {
  ULONG Version;
  ULONG Size;
  UCHAR DeviceType;
  UCHAR DeviceTypeModifier;
  BOOLEAN RemovableMedia;
  BOOLEAN CommandQueueing;
  ULONG VendorIdOffset;
  ULONG ProductIdOffset;
  ULONG ProductRevisionOffset;
  ULONG SerialNumberOffset;
  DWORD BusType;
  ULONG RawPropertiesLength;
  UCHAR RawDeviceProperties[1];
};
static_assert(sizeof(STORAGE_DEVICE_DESCRIPTOR) == 40);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType) == 28);

struct STORAGE_DEVICE_NUMBER {
  DWORD DeviceType;
  ULONG DeviceNumber;
  ULONG PartitionNumber;
};
static_assert(sizeof(STORAGE_DEVICE_NUMBER) == 12);
inline constexpr DWORD FILE_DEVICE_DISK = 0x07;

}  // namespace os
