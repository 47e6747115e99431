// Our request and reply records and codes are the Windows SDK's, byte for
// byte: every size and field offset of the records of src/platform and the
// value of each code are compared at compile time with mingw-w64's headers
// (winioctl.h, ntddscsi.h, ntddstor.h, nvme.h, usbioctl.h, setupapi.h,
// cfgmgr32.h), in the 32-bit and the 64-bit build. A difference does not
// compile.
//
// Our headers come first. windows.h turns many of our names into macros
// (IOCTL_*, ERROR_*, GENERIC_READ, CTL_CODE, ...), which would rewrite our
// declarations; so our values are copied into `ours` before it, and after it
// a bare name is the SDK's. Records keep their names (os::X beside ::X): no
// record or field name of ours is a macro of the SDK.
#include <cstddef>
#include <string_view>

#include "platform/allocated_ranges.h"
#include "platform/ata_pass_through.h"
#include "platform/nvme_command.h"
#include "platform/nvme_pass_through.h"
#include "platform/os.h"
#include "platform/scsi_pass_through.h"
#include "platform/srb_io_control.h"
#include "platform/storage_firmware.h"
#include "platform/storage_property.h"
#include "platform/storage_protocol.h"
#include "platform/usbioctl.h"
#include "platform/volume.h"
#include "platform/zero_data.h"

// Every code of ours that the SDK names, by the SDK's name.
#define SSD_SDK_CODES(X)                                                                           \
  /* ctl_code.h */                                                                                 \
  X(METHOD_BUFFERED)                                                                               \
  X(METHOD_NEITHER) X(FILE_ANY_ACCESS) X(FILE_READ_ACCESS) X(FILE_WRITE_ACCESS)                    \
      X(FILE_DEVICE_CONTROLLER) X(FILE_DEVICE_FILE_SYSTEM) X(FILE_DEVICE_UNKNOWN)                  \
          X(FILE_DEVICE_MASS_STORAGE) X(IOCTL_VOLUME_BASE)                                         \
              X(FILE_DEVICE_DISK) /* scsi_pass_through.h, ata_pass_through.h, srb_io_control.h */  \
      X(IOCTL_SCSI_BASE) X(IOCTL_SCSI_PASS_THROUGH) X(IOCTL_SCSI_PASS_THROUGH_DIRECT)              \
          X(IOCTL_SCSI_GET_ADDRESS) X(IOCTL_SCSI_MINIPORT) X(SCSI_IOCTL_DATA_OUT)                  \
              X(SCSI_IOCTL_DATA_IN) X(SCSI_IOCTL_DATA_UNSPECIFIED) X(IOCTL_ATA_PASS_THROUGH)       \
                  X(IOCTL_ATA_PASS_THROUGH_DIRECT) X(ATA_FLAGS_DRDY_REQUIRED) X(ATA_FLAGS_DATA_IN) \
                      X(ATA_FLAGS_DATA_OUT) X(ATA_FLAGS_48BIT_COMMAND)                             \
                          X(ATA_FLAGS_USE_DMA) /* storage_property.h */                            \
      X(IOCTL_STORAGE_BASE) X(IOCTL_STORAGE_QUERY_PROPERTY) X(IOCTL_STORAGE_GET_DEVICE_NUMBER)     \
          X(StorageDeviceProperty) X(StorageAdapterProperty)                                       \
              X(StorageAdapterProtocolSpecificProperty) X(StorageDeviceProtocolSpecificProperty)   \
                  X(PropertyStandardQuery) X(PropertyExistsQuery) X(BusTypeUnknown) X(BusTypeScsi) \
                      X(BusTypeAtapi) X(BusTypeAta) X(BusType1394) X(BusTypeSsa) X(BusTypeFibre)   \
                          X(BusTypeUsb) X(BusTypeRAID) X(BusTypeiScsi) X(BusTypeSas)               \
                              X(BusTypeSata) X(BusTypeSd) X(BusTypeMmc) X(BusTypeVirtual)          \
                                  X(BusTypeFileBackedVirtual) X(BusTypeSpaces)                     \
                                      X(BusTypeNvme) /* storage_protocol.h, storage_firmware.h */  \
      X(IOCTL_STORAGE_PROTOCOL_COMMAND) X(ProtocolTypeUnknown) X(ProtocolTypeScsi)                 \
          X(ProtocolTypeAta) X(ProtocolTypeNvme) X(NVMeDataTypeUnknown) X(NVMeDataTypeIdentify) X( \
              NVMeDataTypeLogPage) X(IOCTL_STORAGE_FIRMWARE_GET_INFO)                              \
              X(IOCTL_STORAGE_FIRMWARE_DOWNLOAD) X(                                                \
                  IOCTL_STORAGE_FIRMWARE_ACTIVATE) /* volume.h, allocated_ranges.h, zero_data.h */ \
      X(FSCTL_LOCK_VOLUME) X(FSCTL_UNLOCK_VOLUME) X(FSCTL_DISMOUNT_VOLUME)                         \
          X(FSCTL_IS_VOLUME_MOUNTED) X(IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS)                       \
              X(FSCTL_QUERY_ALLOCATED_RANGES) X(FSCTL_SET_ZERO_DATA) /* usbioctl.h */              \
      X(FILE_DEVICE_USB) X(USB_GET_NODE_INFORMATION) X(USB_GET_NODE_CONNECTION_INFORMATION)        \
          X(USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION) X(USB_GET_NODE_CONNECTION_NAME)               \
              X(HCD_GET_ROOT_HUB_NAME) X(HCD_GET_DRIVERKEY_NAME) X(IOCTL_GET_HCD_DRIVERKEY_NAME)   \
                  X(IOCTL_USB_GET_ROOT_HUB_NAME) X(IOCTL_USB_GET_NODE_INFORMATION)                 \
                      X(IOCTL_USB_GET_NODE_CONNECTION_INFORMATION)                                 \
                          X(IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION)                         \
                              X(IOCTL_USB_GET_NODE_CONNECTION_NAME) X(UsbHub) X(UsbMIParent)       \
                                  X(NoDeviceConnected) X(DeviceConnected)                          \
                                      X(USB_DEVICE_DESCRIPTOR_TYPE) X(USB_STRING_DESCRIPTOR_TYPE)  \
                                          X(USB_REQUEST_GET_DESCRIPTOR) /* setupapi.h */           \
      X(DIGCF_DEFAULT) X(DIGCF_PRESENT) X(DIGCF_ALLCLASSES) X(DIGCF_PROFILE) X(                    \
          DIGCF_DEVICEINTERFACE) X(SPDRP_DEVICEDESC) X(SPDRP_HARDWAREID)                           \
          X(SPDRP_LOCATION_INFORMATION) X(SPDRP_ADDRESS) X(CM_DRP_DEVICEDESC) X(CM_DRP_HARDWAREID) \
              X(CM_DRP_LOCATION_INFORMATION) X(CM_DRP_ADDRESS) X(REG_SZ) X(REG_DWORD)              \
                  X(REG_MULTI_SZ) X(CR_SUCCESS) X(CR_INVALID_POINTER) X(CR_INVALID_DEVNODE)        \
                      X(CR_NO_SUCH_DEVNODE) X(CR_FAILURE) X(CR_BUFFER_SMALL)                       \
                          X(CR_NO_SUCH_VALUE) /* security.h, process.h, win_file.h, win_types.h */ \
      X(TOKEN_ADJUST_PRIVILEGES) X(TOKEN_QUERY) X(TOKEN_ALL_ACCESS) X(SE_PRIVILEGE_ENABLED)        \
          X(INFINITE) X(WAIT_OBJECT_0) X(WAIT_TIMEOUT) X(WAIT_FAILED) X(STILL_ACTIVE) X(           \
              GENERIC_READ) X(GENERIC_WRITE) X(FILE_SHARE_READ) X(FILE_SHARE_WRITE) X(CREATE_NEW)  \
              X(CREATE_ALWAYS) X(OPEN_EXISTING) X(OPEN_ALWAYS) X(FILE_ATTRIBUTE_NORMAL) X(         \
                  FILE_FLAG_NO_BUFFERING) X(FILE_FLAG_WRITE_THROUGH) X(FILE_BEGIN) X(FILE_CURRENT) \
                  X(FILE_END) X(INVALID_SET_FILE_POINTER) X(VER_PLATFORM_WIN32_NT) X(SW_HIDE)      \
                      X(SW_SHOWNORMAL) X(ERROR_SUCCESS) X(ERROR_INVALID_FUNCTION) X(               \
                          ERROR_FILE_NOT_FOUND) X(ERROR_PATH_NOT_FOUND) X(ERROR_ACCESS_DENIED)     \
                          X(ERROR_INVALID_HANDLE) X(ERROR_NOT_ENOUGH_MEMORY) X(ERROR_INVALID_DATA) \
                              X(ERROR_NOT_READY) X(ERROR_CRC) X(ERROR_SECTOR_NOT_FOUND)            \
                                  X(ERROR_WRITE_FAULT) X(ERROR_READ_FAULT) X(ERROR_GEN_FAILURE)    \
                                      X(ERROR_NOT_SUPPORTED) X(ERROR_DEV_NOT_EXIST)                \
                                          X(ERROR_INVALID_PARAMETER) X(ERROR_SEM_TIMEOUT)          \
                                              X(ERROR_INSUFFICIENT_BUFFER) X(ERROR_NEGATIVE_SEEK)  \
                                                  X(ERROR_NOT_LOCKED) X(ERROR_MORE_DATA)           \
                                                      X(ERROR_NO_MORE_ITEMS) X(ERROR_IO_DEVICE)    \
                                                          X(ERROR_NOT_ALL_ASSIGNED)                \
                                                              X(ERROR_NO_SUCH_PRIVILEGE)           \
                                                                  X(ERROR_POSSIBLE_DEADLOCK)

// Codes the SDK names that mingw-w64 10 does not declare yet (see below).
#define SSD_LATER_CODES(X)                                                                        \
  X(STORAGE_PROTOCOL_STRUCTURE_VERSION)                                                           \
  X(STORAGE_PROTOCOL_COMMAND_FLAG_ADAPTER_REQUEST) X(STORAGE_PROTOCOL_COMMAND_LENGTH_NVME) X(     \
      STORAGE_PROTOCOL_SPECIFIC_NVME_ADMIN_COMMAND) X(STORAGE_PROTOCOL_SPECIFIC_NVME_NVM_COMMAND) \
      X(STORAGE_PROTOCOL_STATUS_PENDING) X(STORAGE_PROTOCOL_STATUS_SUCCESS)                       \
          X(STORAGE_PROTOCOL_STATUS_ERROR) X(STORAGE_PROTOCOL_STATUS_INVALID_REQUEST)             \
              X(STORAGE_PROTOCOL_STATUS_NO_DEVICE) X(STORAGE_PROTOCOL_STATUS_BUSY)                \
                  X(STORAGE_PROTOCOL_STATUS_DATA_OVERRUN) X(                                      \
                      STORAGE_PROTOCOL_STATUS_INSUFFICIENT_RESOURCES)                             \
                      X(STORAGE_PROTOCOL_STATUS_NOT_SUPPORTED) X(NVMeDataTypeFeature) X(          \
                          STORAGE_HW_FIRMWARE_REQUEST_FLAG_CONTROLLER)                            \
                          X(STORAGE_HW_FIRMWARE_REQUEST_FLAG_LAST_SEGMENT) X(                     \
                              STORAGE_HW_FIRMWARE_REQUEST_FLAG_SWITCH_TO_FIRMWARE_WITHOUT_RESET)  \
                              X(STORAGE_HW_FIRMWARE_REQUEST_FLAG_REPLACE_AND_SWITCH_UPON_RESET)   \
                                  X(STORAGE_HW_FIRMWARE_REQUEST_FLAG_SWITCH_TO_EXISTING_FIRMWARE)

namespace ours {
#define SSD_COPY_OURS(name) inline constexpr unsigned long long name##_ours = os::name;
SSD_SDK_CODES(SSD_COPY_OURS)
SSD_LATER_CODES(SSD_COPY_OURS)
#undef SSD_COPY_OURS
inline constexpr std::string_view kLoadDriverName = os::SE_LOAD_DRIVER_NAME;
}  // namespace ours

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// After windows.h, which they build on; initguid.h before them, so that the
// interface GUIDs they declare are defined in this file.
#include <initguid.h>
// A blank line keeps the order above.

#include <cfgmgr32.h>
#include <gtest/gtest.h>
#include <ntddscsi.h>
#include <nvme.h>
#include <setupapi.h>
#include <usbioctl.h>
#include <winioctl.h>

namespace {

// --- Codes ---------------------------------------------------------------------

// `name` unexpanded names our copy; expanded it is the SDK's macro or
// enumerator.
#define SSD_SAME_CODE(name)                                                 \
  static_assert(ours::name##_ours == static_cast<unsigned long long>(name), \
                #name " is not the SDK's value");
SSD_SDK_CODES(SSD_SAME_CODE)
#undef SSD_SAME_CODE

static_assert(ours::kLoadDriverName == std::string_view(SE_LOAD_DRIVER_NAME));

// NVMe opcodes and identify values of ours, under nvme.h's names.
static_assert(os::kNvmeAdminGetLogPage == NVME_ADMIN_COMMAND_GET_LOG_PAGE);
static_assert(os::kNvmeAdminIdentify == NVME_ADMIN_COMMAND_IDENTIFY);
static_assert(os::kNvmeAdminFirmwareCommit == NVME_ADMIN_COMMAND_FIRMWARE_COMMIT);
static_assert(os::kNvmeAdminFirmwareDownload == NVME_ADMIN_COMMAND_FIRMWARE_IMAGE_DOWNLOAD);
static_assert(os::kNvmeAdminFormatNvm == NVME_ADMIN_COMMAND_FORMAT_NVM);
static_assert(os::kNvmeCnsNamespace == NVME_IDENTIFY_CNS_SPECIFIC_NAMESPACE);
static_assert(os::kNvmeCnsController == NVME_IDENTIFY_CNS_CONTROLLER);
static_assert(os::kNvmeSubmissionEntrySize == sizeof(NVME_COMMAND));
static_assert(sizeof(os::NVME_PASS_THROUGH_IOCTL::CplEntry) == sizeof(NVME_COMPLETION_ENTRY));

// --- Records -------------------------------------------------------------------

#define SSD_SAME_SIZE(T) static_assert(sizeof(os::T) == sizeof(::T), #T ": size differs");
#define SSD_SAME_FIELD(T, F)                                                           \
  static_assert(offsetof(os::T, F) == offsetof(::T, F), #T "." #F ": offset differs"); \
  static_assert(sizeof(os::T::F) == sizeof(::T::F), #T "." #F ": size differs");

SSD_SAME_SIZE(SYSTEMTIME)
SSD_SAME_FIELD(SYSTEMTIME, wYear)
SSD_SAME_FIELD(SYSTEMTIME, wMonth)
SSD_SAME_FIELD(SYSTEMTIME, wDayOfWeek)
SSD_SAME_FIELD(SYSTEMTIME, wDay)
SSD_SAME_FIELD(SYSTEMTIME, wHour)
SSD_SAME_FIELD(SYSTEMTIME, wMinute)
SSD_SAME_FIELD(SYSTEMTIME, wSecond)
SSD_SAME_FIELD(SYSTEMTIME, wMilliseconds)

SSD_SAME_SIZE(GUID)
SSD_SAME_FIELD(GUID, Data1)
SSD_SAME_FIELD(GUID, Data2)
SSD_SAME_FIELD(GUID, Data3)
SSD_SAME_FIELD(GUID, Data4)

SSD_SAME_SIZE(OSVERSIONINFOA)
SSD_SAME_FIELD(OSVERSIONINFOA, dwOSVersionInfoSize)
SSD_SAME_FIELD(OSVERSIONINFOA, dwMajorVersion)
SSD_SAME_FIELD(OSVERSIONINFOA, dwMinorVersion)
SSD_SAME_FIELD(OSVERSIONINFOA, dwBuildNumber)
SSD_SAME_FIELD(OSVERSIONINFOA, dwPlatformId)
SSD_SAME_FIELD(OSVERSIONINFOA, szCSDVersion)

SSD_SAME_SIZE(SECURITY_ATTRIBUTES)
SSD_SAME_FIELD(SECURITY_ATTRIBUTES, nLength)
SSD_SAME_FIELD(SECURITY_ATTRIBUTES, lpSecurityDescriptor)
SSD_SAME_FIELD(SECURITY_ATTRIBUTES, bInheritHandle)

SSD_SAME_SIZE(PROCESS_INFORMATION)
SSD_SAME_FIELD(PROCESS_INFORMATION, hProcess)
SSD_SAME_FIELD(PROCESS_INFORMATION, hThread)
SSD_SAME_FIELD(PROCESS_INFORMATION, dwProcessId)
SSD_SAME_FIELD(PROCESS_INFORMATION, dwThreadId)

SSD_SAME_SIZE(LUID)
SSD_SAME_FIELD(LUID, LowPart)
SSD_SAME_FIELD(LUID, HighPart)
SSD_SAME_SIZE(LUID_AND_ATTRIBUTES)
SSD_SAME_FIELD(LUID_AND_ATTRIBUTES, Luid)
SSD_SAME_FIELD(LUID_AND_ATTRIBUTES, Attributes)
SSD_SAME_SIZE(TOKEN_PRIVILEGES)
SSD_SAME_FIELD(TOKEN_PRIVILEGES, PrivilegeCount)
SSD_SAME_FIELD(TOKEN_PRIVILEGES, Privileges)

// SCSI and ATA pass-through: the pointer-size dependent layouts.
SSD_SAME_SIZE(SCSI_PASS_THROUGH_DIRECT)
SSD_SAME_FIELD(SCSI_PASS_THROUGH_DIRECT, Length)
SSD_SAME_FIELD(SCSI_PASS_THROUGH_DIRECT, ScsiStatus)
SSD_SAME_FIELD(SCSI_PASS_THROUGH_DIRECT, PathId)
SSD_SAME_FIELD(SCSI_PASS_THROUGH_DIRECT, TargetId)
SSD_SAME_FIELD(SCSI_PASS_THROUGH_DIRECT, Lun)
SSD_SAME_FIELD(SCSI_PASS_THROUGH_DIRECT, CdbLength)
SSD_SAME_FIELD(SCSI_PASS_THROUGH_DIRECT, SenseInfoLength)
SSD_SAME_FIELD(SCSI_PASS_THROUGH_DIRECT, DataIn)
SSD_SAME_FIELD(SCSI_PASS_THROUGH_DIRECT, DataTransferLength)
SSD_SAME_FIELD(SCSI_PASS_THROUGH_DIRECT, TimeOutValue)
SSD_SAME_FIELD(SCSI_PASS_THROUGH_DIRECT, DataBuffer)
SSD_SAME_FIELD(SCSI_PASS_THROUGH_DIRECT, SenseInfoOffset)
SSD_SAME_FIELD(SCSI_PASS_THROUGH_DIRECT, Cdb)

SSD_SAME_SIZE(SCSI_ADDRESS)
SSD_SAME_FIELD(SCSI_ADDRESS, Length)
SSD_SAME_FIELD(SCSI_ADDRESS, PortNumber)
SSD_SAME_FIELD(SCSI_ADDRESS, PathId)
SSD_SAME_FIELD(SCSI_ADDRESS, TargetId)
SSD_SAME_FIELD(SCSI_ADDRESS, Lun)

#define SSD_SAME_ATA(T)                 \
  SSD_SAME_SIZE(T)                      \
  SSD_SAME_FIELD(T, Length)             \
  SSD_SAME_FIELD(T, AtaFlags)           \
  SSD_SAME_FIELD(T, PathId)             \
  SSD_SAME_FIELD(T, TargetId)           \
  SSD_SAME_FIELD(T, Lun)                \
  SSD_SAME_FIELD(T, ReservedAsUchar)    \
  SSD_SAME_FIELD(T, DataTransferLength) \
  SSD_SAME_FIELD(T, TimeOutValue)       \
  SSD_SAME_FIELD(T, ReservedAsUlong)    \
  SSD_SAME_FIELD(T, PreviousTaskFile)   \
  SSD_SAME_FIELD(T, CurrentTaskFile)
SSD_SAME_ATA(ATA_PASS_THROUGH_DIRECT)
SSD_SAME_FIELD(ATA_PASS_THROUGH_DIRECT, DataBuffer)
SSD_SAME_ATA(ATA_PASS_THROUGH_EX)
SSD_SAME_FIELD(ATA_PASS_THROUGH_EX, DataBufferOffset)
#undef SSD_SAME_ATA

SSD_SAME_SIZE(SRB_IO_CONTROL)
SSD_SAME_FIELD(SRB_IO_CONTROL, HeaderLength)
SSD_SAME_FIELD(SRB_IO_CONTROL, Signature)
SSD_SAME_FIELD(SRB_IO_CONTROL, Timeout)
SSD_SAME_FIELD(SRB_IO_CONTROL, ControlCode)
SSD_SAME_FIELD(SRB_IO_CONTROL, ReturnCode)
SSD_SAME_FIELD(SRB_IO_CONTROL, Length)

// Storage property queries and their descriptors.
SSD_SAME_SIZE(STORAGE_PROPERTY_QUERY)
SSD_SAME_FIELD(STORAGE_PROPERTY_QUERY, PropertyId)
SSD_SAME_FIELD(STORAGE_PROPERTY_QUERY, QueryType)
SSD_SAME_FIELD(STORAGE_PROPERTY_QUERY, AdditionalParameters)

SSD_SAME_SIZE(STORAGE_DEVICE_DESCRIPTOR)
SSD_SAME_FIELD(STORAGE_DEVICE_DESCRIPTOR, Version)
SSD_SAME_FIELD(STORAGE_DEVICE_DESCRIPTOR, Size)
SSD_SAME_FIELD(STORAGE_DEVICE_DESCRIPTOR, DeviceType)
SSD_SAME_FIELD(STORAGE_DEVICE_DESCRIPTOR, DeviceTypeModifier)
SSD_SAME_FIELD(STORAGE_DEVICE_DESCRIPTOR, RemovableMedia)
SSD_SAME_FIELD(STORAGE_DEVICE_DESCRIPTOR, CommandQueueing)
SSD_SAME_FIELD(STORAGE_DEVICE_DESCRIPTOR, VendorIdOffset)
SSD_SAME_FIELD(STORAGE_DEVICE_DESCRIPTOR, ProductIdOffset)
SSD_SAME_FIELD(STORAGE_DEVICE_DESCRIPTOR, ProductRevisionOffset)
SSD_SAME_FIELD(STORAGE_DEVICE_DESCRIPTOR, SerialNumberOffset)
SSD_SAME_FIELD(STORAGE_DEVICE_DESCRIPTOR, BusType)
SSD_SAME_FIELD(STORAGE_DEVICE_DESCRIPTOR, RawPropertiesLength)
SSD_SAME_FIELD(STORAGE_DEVICE_DESCRIPTOR, RawDeviceProperties)

SSD_SAME_SIZE(STORAGE_DEVICE_NUMBER)
SSD_SAME_FIELD(STORAGE_DEVICE_NUMBER, DeviceType)
SSD_SAME_FIELD(STORAGE_DEVICE_NUMBER, DeviceNumber)
SSD_SAME_FIELD(STORAGE_DEVICE_NUMBER, PartitionNumber)

SSD_SAME_SIZE(STORAGE_PROTOCOL_SPECIFIC_DATA)
SSD_SAME_FIELD(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolType)
SSD_SAME_FIELD(STORAGE_PROTOCOL_SPECIFIC_DATA, DataType)
SSD_SAME_FIELD(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataRequestValue)
SSD_SAME_FIELD(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataRequestSubValue)
SSD_SAME_FIELD(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataOffset)
SSD_SAME_FIELD(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataLength)
SSD_SAME_FIELD(STORAGE_PROTOCOL_SPECIFIC_DATA, FixedProtocolReturnData)
SSD_SAME_FIELD(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataRequestSubValue2)
SSD_SAME_FIELD(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataRequestSubValue3)
SSD_SAME_FIELD(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataRequestSubValue4)

SSD_SAME_SIZE(STORAGE_PROTOCOL_DATA_DESCRIPTOR)
SSD_SAME_FIELD(STORAGE_PROTOCOL_DATA_DESCRIPTOR, Version)
SSD_SAME_FIELD(STORAGE_PROTOCOL_DATA_DESCRIPTOR, Size)
SSD_SAME_FIELD(STORAGE_PROTOCOL_DATA_DESCRIPTOR, ProtocolSpecificData)

// Volumes, allocated ranges, zeroing.
SSD_SAME_SIZE(DISK_EXTENT)
SSD_SAME_FIELD(DISK_EXTENT, DiskNumber)
SSD_SAME_FIELD(DISK_EXTENT, StartingOffset)
SSD_SAME_FIELD(DISK_EXTENT, ExtentLength)
SSD_SAME_SIZE(VOLUME_DISK_EXTENTS)
SSD_SAME_FIELD(VOLUME_DISK_EXTENTS, NumberOfDiskExtents)
SSD_SAME_FIELD(VOLUME_DISK_EXTENTS, Extents)
SSD_SAME_SIZE(FILE_ALLOCATED_RANGE_BUFFER)
SSD_SAME_FIELD(FILE_ALLOCATED_RANGE_BUFFER, FileOffset)
SSD_SAME_FIELD(FILE_ALLOCATED_RANGE_BUFFER, Length)
SSD_SAME_SIZE(FILE_ZERO_DATA_INFORMATION)
SSD_SAME_FIELD(FILE_ZERO_DATA_INFORMATION, FileOffset)
SSD_SAME_FIELD(FILE_ZERO_DATA_INFORMATION, BeyondFinalZero)

// SetupAPI: packed in the 32-bit build, natural in the 64-bit one.
SSD_SAME_SIZE(SP_DEVINFO_DATA)
SSD_SAME_FIELD(SP_DEVINFO_DATA, cbSize)
SSD_SAME_FIELD(SP_DEVINFO_DATA, ClassGuid)
SSD_SAME_FIELD(SP_DEVINFO_DATA, DevInst)
SSD_SAME_FIELD(SP_DEVINFO_DATA, Reserved)
SSD_SAME_SIZE(SP_DEVICE_INTERFACE_DATA)
SSD_SAME_FIELD(SP_DEVICE_INTERFACE_DATA, cbSize)
SSD_SAME_FIELD(SP_DEVICE_INTERFACE_DATA, InterfaceClassGuid)
SSD_SAME_FIELD(SP_DEVICE_INTERFACE_DATA, Flags)
SSD_SAME_FIELD(SP_DEVICE_INTERFACE_DATA, Reserved)
// cbSize must be exactly this: 5 in the 32-bit build, 8 in the 64-bit one.
SSD_SAME_SIZE(SP_DEVICE_INTERFACE_DETAIL_DATA_A)
SSD_SAME_FIELD(SP_DEVICE_INTERFACE_DETAIL_DATA_A, cbSize)
SSD_SAME_FIELD(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath)
static_assert(sizeof(void*) == 8 || sizeof(os::SP_DEVICE_INTERFACE_DETAIL_DATA_A) == 5);

// USB host controllers and hubs (packed).
SSD_SAME_SIZE(USB_HCD_DRIVERKEY_NAME)
SSD_SAME_FIELD(USB_HCD_DRIVERKEY_NAME, ActualLength)
SSD_SAME_FIELD(USB_HCD_DRIVERKEY_NAME, DriverKeyName)
SSD_SAME_SIZE(USB_ROOT_HUB_NAME)
SSD_SAME_FIELD(USB_ROOT_HUB_NAME, ActualLength)
SSD_SAME_FIELD(USB_ROOT_HUB_NAME, RootHubName)

SSD_SAME_SIZE(USB_HUB_DESCRIPTOR)
SSD_SAME_FIELD(USB_HUB_DESCRIPTOR, bDescriptorLength)
SSD_SAME_FIELD(USB_HUB_DESCRIPTOR, bDescriptorType)
SSD_SAME_FIELD(USB_HUB_DESCRIPTOR, bNumberOfPorts)
SSD_SAME_FIELD(USB_HUB_DESCRIPTOR, wHubCharacteristics)
SSD_SAME_FIELD(USB_HUB_DESCRIPTOR, bPowerOnToPowerGood)
SSD_SAME_FIELD(USB_HUB_DESCRIPTOR, bHubControlCurrent)
SSD_SAME_FIELD(USB_HUB_DESCRIPTOR, bRemoveAndPowerMask)
SSD_SAME_SIZE(USB_HUB_INFORMATION)
SSD_SAME_FIELD(USB_HUB_INFORMATION, HubDescriptor)
SSD_SAME_FIELD(USB_HUB_INFORMATION, HubIsBusPowered)
SSD_SAME_SIZE(USB_NODE_INFORMATION)
SSD_SAME_FIELD(USB_NODE_INFORMATION, NodeType)
SSD_SAME_FIELD(USB_NODE_INFORMATION, u)
static_assert(offsetof(::USB_NODE_INFORMATION, u.HubInformation.HubDescriptor.bNumberOfPorts) ==
              os::kNodeInfoNumberOfPortsOffset);

SSD_SAME_SIZE(USB_DEVICE_DESCRIPTOR)
SSD_SAME_FIELD(USB_DEVICE_DESCRIPTOR, bLength)
SSD_SAME_FIELD(USB_DEVICE_DESCRIPTOR, bDescriptorType)
SSD_SAME_FIELD(USB_DEVICE_DESCRIPTOR, bcdUSB)
SSD_SAME_FIELD(USB_DEVICE_DESCRIPTOR, bDeviceClass)
SSD_SAME_FIELD(USB_DEVICE_DESCRIPTOR, bDeviceSubClass)
SSD_SAME_FIELD(USB_DEVICE_DESCRIPTOR, bDeviceProtocol)
SSD_SAME_FIELD(USB_DEVICE_DESCRIPTOR, bMaxPacketSize0)
SSD_SAME_FIELD(USB_DEVICE_DESCRIPTOR, idVendor)
SSD_SAME_FIELD(USB_DEVICE_DESCRIPTOR, idProduct)
SSD_SAME_FIELD(USB_DEVICE_DESCRIPTOR, bcdDevice)
SSD_SAME_FIELD(USB_DEVICE_DESCRIPTOR, iManufacturer)
SSD_SAME_FIELD(USB_DEVICE_DESCRIPTOR, iProduct)
SSD_SAME_FIELD(USB_DEVICE_DESCRIPTOR, iSerialNumber)
SSD_SAME_FIELD(USB_DEVICE_DESCRIPTOR, bNumConfigurations)
SSD_SAME_SIZE(USB_ENDPOINT_DESCRIPTOR)
SSD_SAME_FIELD(USB_ENDPOINT_DESCRIPTOR, bLength)
SSD_SAME_FIELD(USB_ENDPOINT_DESCRIPTOR, bDescriptorType)
SSD_SAME_FIELD(USB_ENDPOINT_DESCRIPTOR, bEndpointAddress)
SSD_SAME_FIELD(USB_ENDPOINT_DESCRIPTOR, bmAttributes)
SSD_SAME_FIELD(USB_ENDPOINT_DESCRIPTOR, wMaxPacketSize)
SSD_SAME_FIELD(USB_ENDPOINT_DESCRIPTOR, bInterval)
SSD_SAME_SIZE(USB_PIPE_INFO)
SSD_SAME_FIELD(USB_PIPE_INFO, EndpointDescriptor)
SSD_SAME_FIELD(USB_PIPE_INFO, ScheduleOffset)

// mingw declares the trailing arrays with no element, we with one: the
// fixed part (up to the array) is what must agree.
#define SSD_SAME_NODE_CONNECTION(T)            \
  SSD_SAME_FIELD(T, ConnectionIndex)           \
  SSD_SAME_FIELD(T, DeviceDescriptor)          \
  SSD_SAME_FIELD(T, CurrentConfigurationValue) \
  SSD_SAME_FIELD(T, DeviceIsHub)               \
  SSD_SAME_FIELD(T, DeviceAddress)             \
  SSD_SAME_FIELD(T, NumberOfOpenPipes)         \
  SSD_SAME_FIELD(T, ConnectionStatus)          \
  static_assert(offsetof(os::T, PipeList) == offsetof(::T, PipeList), #T ".PipeList");
SSD_SAME_NODE_CONNECTION(USB_NODE_CONNECTION_INFORMATION)
SSD_SAME_FIELD(USB_NODE_CONNECTION_INFORMATION, LowSpeed)
#undef SSD_SAME_NODE_CONNECTION
// The _EX reply (speed as a number where LowSpeed was a flag) has the same
// layout, so one record of ours reads both.
static_assert(sizeof(::USB_NODE_CONNECTION_INFORMATION_EX) ==
              sizeof(::USB_NODE_CONNECTION_INFORMATION));
static_assert(offsetof(::USB_NODE_CONNECTION_INFORMATION_EX, Speed) ==
              offsetof(os::USB_NODE_CONNECTION_INFORMATION, LowSpeed));
static_assert(offsetof(::USB_NODE_CONNECTION_INFORMATION_EX, ConnectionStatus) ==
              offsetof(os::USB_NODE_CONNECTION_INFORMATION, ConnectionStatus));

SSD_SAME_FIELD(USB_NODE_CONNECTION_NAME, ConnectionIndex)
SSD_SAME_FIELD(USB_NODE_CONNECTION_NAME, ActualLength)
SSD_SAME_FIELD(USB_NODE_CONNECTION_NAME, NodeName)
SSD_SAME_SIZE(USB_NODE_CONNECTION_NAME)

// The setup packet is a record of its own here, a nameless one in the SDK.
using SdkSetupPacket = decltype(::USB_DESCRIPTOR_REQUEST::SetupPacket);
static_assert(sizeof(os::USB_SETUP_PACKET) == sizeof(SdkSetupPacket));
static_assert(offsetof(os::USB_SETUP_PACKET, bmRequest) == offsetof(SdkSetupPacket, bmRequest));
static_assert(offsetof(os::USB_SETUP_PACKET, bRequest) == offsetof(SdkSetupPacket, bRequest));
static_assert(offsetof(os::USB_SETUP_PACKET, wValue) == offsetof(SdkSetupPacket, wValue));
static_assert(offsetof(os::USB_SETUP_PACKET, wIndex) == offsetof(SdkSetupPacket, wIndex));
static_assert(offsetof(os::USB_SETUP_PACKET, wLength) == offsetof(SdkSetupPacket, wLength));
SSD_SAME_FIELD(USB_DESCRIPTOR_REQUEST, ConnectionIndex)
static_assert(offsetof(os::USB_DESCRIPTOR_REQUEST, SetupPacket) ==
              offsetof(::USB_DESCRIPTOR_REQUEST, SetupPacket));
static_assert(offsetof(os::USB_DESCRIPTOR_REQUEST, Data) ==
              offsetof(::USB_DESCRIPTOR_REQUEST, Data));

// --- Records mingw-w64 10 does not declare yet ------------------------------------
// The firmware requests and the protocol command are in the Windows SDK's
// winioctl.h (Windows 10 and later) but not in the mingw-w64 headers Debian
// ships. Their declarations are copied here as the SDK has them, bit fields
// and all, so that the compiler lays them out; when mingw-w64 declares them
// itself, ours are compared with its records as well.
namespace sdk {

using ::BOOLEAN;
using ::BYTE;
using ::DWORD;
using ::DWORDLONG;

struct STORAGE_HW_FIRMWARE_INFO_QUERY {
  DWORD Version;
  DWORD Size;
  DWORD Flags;
  DWORD Reserved;
};
struct STORAGE_HW_FIRMWARE_SLOT_INFO {
  DWORD Version;
  DWORD Size;
  BYTE SlotNumber;
  BYTE ReadOnly : 1;
  BYTE Reserved0 : 7;
  BYTE Reserved1[6];
  BYTE Revision[16];  // STORAGE_HW_FIRMWARE_REVISION_LENGTH
};
struct STORAGE_HW_FIRMWARE_INFO {
  DWORD Version;
  DWORD Size;
  BYTE SupportUpgrade : 1;
  BYTE Reserved0 : 7;
  BYTE SlotCount;
  BYTE ActiveSlot;
  BYTE PendingActivateSlot;
  BOOLEAN FirmwareShared;
  BYTE Reserved[3];
  DWORD ImagePayloadAlignment;
  DWORD ImagePayloadMaxSize;
  STORAGE_HW_FIRMWARE_SLOT_INFO Slot[1];  // ANYSIZE_ARRAY
};
struct STORAGE_HW_FIRMWARE_DOWNLOAD {
  DWORD Version;
  DWORD Size;
  DWORD Flags;
  BYTE Slot;
  BYTE Reserved[3];
  DWORDLONG Offset;
  DWORDLONG BufferSize;
  BYTE ImageBuffer[1];  // ANYSIZE_ARRAY
};
struct STORAGE_HW_FIRMWARE_ACTIVATE {
  DWORD Version;
  DWORD Size;
  DWORD Flags;
  BYTE Slot;
  BYTE Reserved0[3];
};
struct STORAGE_PROTOCOL_COMMAND {
  DWORD Version;
  DWORD Length;
  ::STORAGE_PROTOCOL_TYPE ProtocolType;
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
  BYTE Command[1];  // ANYSIZE_ARRAY
};

inline constexpr DWORD STORAGE_PROTOCOL_STRUCTURE_VERSION_sdk = 0x1;
inline constexpr DWORD STORAGE_PROTOCOL_COMMAND_FLAG_ADAPTER_REQUEST_sdk = 0x80000000;
inline constexpr DWORD STORAGE_PROTOCOL_COMMAND_LENGTH_NVME_sdk = 0x40;
inline constexpr DWORD STORAGE_PROTOCOL_SPECIFIC_NVME_ADMIN_COMMAND_sdk = 0x01;
inline constexpr DWORD STORAGE_PROTOCOL_SPECIFIC_NVME_NVM_COMMAND_sdk = 0x02;
inline constexpr DWORD STORAGE_PROTOCOL_STATUS_PENDING_sdk = 0x0;
inline constexpr DWORD STORAGE_PROTOCOL_STATUS_SUCCESS_sdk = 0x1;
inline constexpr DWORD STORAGE_PROTOCOL_STATUS_ERROR_sdk = 0x2;
inline constexpr DWORD STORAGE_PROTOCOL_STATUS_INVALID_REQUEST_sdk = 0x3;
inline constexpr DWORD STORAGE_PROTOCOL_STATUS_NO_DEVICE_sdk = 0x4;
inline constexpr DWORD STORAGE_PROTOCOL_STATUS_BUSY_sdk = 0x5;
inline constexpr DWORD STORAGE_PROTOCOL_STATUS_DATA_OVERRUN_sdk = 0x6;
inline constexpr DWORD STORAGE_PROTOCOL_STATUS_INSUFFICIENT_RESOURCES_sdk = 0x7;
inline constexpr DWORD STORAGE_PROTOCOL_STATUS_NOT_SUPPORTED_sdk = 0xFF;
inline constexpr DWORD NVMeDataTypeFeature_sdk = 3;
inline constexpr DWORD STORAGE_HW_FIRMWARE_REQUEST_FLAG_CONTROLLER_sdk = 0x00000001;
inline constexpr DWORD STORAGE_HW_FIRMWARE_REQUEST_FLAG_LAST_SEGMENT_sdk = 0x00000002;
inline constexpr DWORD STORAGE_HW_FIRMWARE_REQUEST_FLAG_SWITCH_TO_FIRMWARE_WITHOUT_RESET_sdk =
    0x10000000;
inline constexpr DWORD STORAGE_HW_FIRMWARE_REQUEST_FLAG_REPLACE_AND_SWITCH_UPON_RESET_sdk =
    0x20000000;
inline constexpr DWORD STORAGE_HW_FIRMWARE_REQUEST_FLAG_SWITCH_TO_EXISTING_FIRMWARE_sdk =
    0x80000000;

}  // namespace sdk

#define SSD_SAME_LATER_CODE(name) \
  static_assert(ours::name##_ours == sdk::name##_sdk, #name " is not the SDK's value");
SSD_LATER_CODES(SSD_SAME_LATER_CODE)
#undef SSD_SAME_LATER_CODE

#define SSD_SAME_SIZE_AS(Ref, T) \
  static_assert(sizeof(os::T) == sizeof(Ref::T), #T ": size differs");
#define SSD_SAME_FIELD_AS(Ref, T, F)                                                      \
  static_assert(offsetof(os::T, F) == offsetof(Ref::T, F), #T "." #F ": offset differs"); \
  static_assert(sizeof(os::T::F) == sizeof(Ref::T::F), #T "." #F ": size differs");
#define SSD_SAME_LATER(Ref)                                                       \
  SSD_SAME_SIZE_AS(Ref, STORAGE_HW_FIRMWARE_INFO_QUERY)                           \
  SSD_SAME_FIELD_AS(Ref, STORAGE_HW_FIRMWARE_INFO_QUERY, Version)                 \
  SSD_SAME_FIELD_AS(Ref, STORAGE_HW_FIRMWARE_INFO_QUERY, Size)                    \
  SSD_SAME_FIELD_AS(Ref, STORAGE_HW_FIRMWARE_INFO_QUERY, Flags)                   \
  SSD_SAME_FIELD_AS(Ref, STORAGE_HW_FIRMWARE_INFO_QUERY, Reserved)                \
  /* ReadOnly and SupportUpgrade are bit 0 of their byte in the SDK: no offset */ \
  /* of their own, so the fields around them pin the byte. */                     \
  SSD_SAME_SIZE_AS(Ref, STORAGE_HW_FIRMWARE_SLOT_INFO)                            \
  SSD_SAME_FIELD_AS(Ref, STORAGE_HW_FIRMWARE_SLOT_INFO, Version)                  \
  SSD_SAME_FIELD_AS(Ref, STORAGE_HW_FIRMWARE_SLOT_INFO, Size)                     \
  SSD_SAME_FIELD_AS(Ref, STORAGE_HW_FIRMWARE_SLOT_INFO, SlotNumber)               \
  static_assert(offsetof(os::STORAGE_HW_FIRMWARE_SLOT_INFO, ReadOnly) ==          \
                offsetof(Ref::STORAGE_HW_FIRMWARE_SLOT_INFO, SlotNumber) + 1);    \
  static_assert(offsetof(os::STORAGE_HW_FIRMWARE_SLOT_INFO, Reserved0) ==         \
                offsetof(Ref::STORAGE_HW_FIRMWARE_SLOT_INFO, Reserved1));         \
  SSD_SAME_FIELD_AS(Ref, STORAGE_HW_FIRMWARE_SLOT_INFO, Revision)                 \
  SSD_SAME_SIZE_AS(Ref, STORAGE_HW_FIRMWARE_INFO)                                 \
  SSD_SAME_FIELD_AS(Ref, STORAGE_HW_FIRMWARE_INFO, Version)                       \
  SSD_SAME_FIELD_AS(Ref, STORAGE_HW_FIRMWARE_INFO, Size)                          \
  static_assert(offsetof(os::STORAGE_HW_FIRMWARE_INFO, SupportUpgrade) ==         \
                offsetof(Ref::STORAGE_HW_FIRMWARE_INFO, SlotCount) - 1);          \
  SSD_SAME_FIELD_AS(Ref, STORAGE_HW_FIRMWARE_INFO, SlotCount)                     \
  SSD_SAME_FIELD_AS(Ref, STORAGE_HW_FIRMWARE_INFO, ActiveSlot)                    \
  SSD_SAME_FIELD_AS(Ref, STORAGE_HW_FIRMWARE_INFO, PendingActivateSlot)           \
  SSD_SAME_FIELD_AS(Ref, STORAGE_HW_FIRMWARE_INFO, FirmwareShared)                \
  SSD_SAME_FIELD_AS(Ref, STORAGE_HW_FIRMWARE_INFO, Reserved)                      \
  SSD_SAME_FIELD_AS(Ref, STORAGE_HW_FIRMWARE_INFO, ImagePayloadAlignment)         \
  SSD_SAME_FIELD_AS(Ref, STORAGE_HW_FIRMWARE_INFO, ImagePayloadMaxSize)           \
  SSD_SAME_FIELD_AS(Ref, STORAGE_HW_FIRMWARE_INFO, Slot)                          \
  SSD_SAME_SIZE_AS(Ref, STORAGE_HW_FIRMWARE_DOWNLOAD)                             \
  SSD_SAME_FIELD_AS(Ref, STORAGE_HW_FIRMWARE_DOWNLOAD, Version)                   \
  SSD_SAME_FIELD_AS(Ref, STORAGE_HW_FIRMWARE_DOWNLOAD, Size)                      \
  SSD_SAME_FIELD_AS(Ref, STORAGE_HW_FIRMWARE_DOWNLOAD, Flags)                     \
  SSD_SAME_FIELD_AS(Ref, STORAGE_HW_FIRMWARE_DOWNLOAD, Slot)                      \
  SSD_SAME_FIELD_AS(Ref, STORAGE_HW_FIRMWARE_DOWNLOAD, Reserved)                  \
  SSD_SAME_FIELD_AS(Ref, STORAGE_HW_FIRMWARE_DOWNLOAD, Offset)                    \
  SSD_SAME_FIELD_AS(Ref, STORAGE_HW_FIRMWARE_DOWNLOAD, BufferSize)                \
  SSD_SAME_FIELD_AS(Ref, STORAGE_HW_FIRMWARE_DOWNLOAD, ImageBuffer)               \
  SSD_SAME_SIZE_AS(Ref, STORAGE_HW_FIRMWARE_ACTIVATE)                             \
  SSD_SAME_FIELD_AS(Ref, STORAGE_HW_FIRMWARE_ACTIVATE, Version)                   \
  SSD_SAME_FIELD_AS(Ref, STORAGE_HW_FIRMWARE_ACTIVATE, Size)                      \
  SSD_SAME_FIELD_AS(Ref, STORAGE_HW_FIRMWARE_ACTIVATE, Flags)                     \
  SSD_SAME_FIELD_AS(Ref, STORAGE_HW_FIRMWARE_ACTIVATE, Slot)                      \
  SSD_SAME_FIELD_AS(Ref, STORAGE_HW_FIRMWARE_ACTIVATE, Reserved0)                 \
  SSD_SAME_SIZE_AS(Ref, STORAGE_PROTOCOL_COMMAND)                                 \
  SSD_SAME_FIELD_AS(Ref, STORAGE_PROTOCOL_COMMAND, Version)                       \
  SSD_SAME_FIELD_AS(Ref, STORAGE_PROTOCOL_COMMAND, Length)                        \
  SSD_SAME_FIELD_AS(Ref, STORAGE_PROTOCOL_COMMAND, ProtocolType)                  \
  SSD_SAME_FIELD_AS(Ref, STORAGE_PROTOCOL_COMMAND, Flags)                         \
  SSD_SAME_FIELD_AS(Ref, STORAGE_PROTOCOL_COMMAND, ReturnStatus)                  \
  SSD_SAME_FIELD_AS(Ref, STORAGE_PROTOCOL_COMMAND, ErrorCode)                     \
  SSD_SAME_FIELD_AS(Ref, STORAGE_PROTOCOL_COMMAND, CommandLength)                 \
  SSD_SAME_FIELD_AS(Ref, STORAGE_PROTOCOL_COMMAND, ErrorInfoLength)               \
  SSD_SAME_FIELD_AS(Ref, STORAGE_PROTOCOL_COMMAND, DataToDeviceTransferLength)    \
  SSD_SAME_FIELD_AS(Ref, STORAGE_PROTOCOL_COMMAND, DataFromDeviceTransferLength)  \
  SSD_SAME_FIELD_AS(Ref, STORAGE_PROTOCOL_COMMAND, TimeOutValue)                  \
  SSD_SAME_FIELD_AS(Ref, STORAGE_PROTOCOL_COMMAND, ErrorInfoOffset)               \
  SSD_SAME_FIELD_AS(Ref, STORAGE_PROTOCOL_COMMAND, DataToDeviceBufferOffset)      \
  SSD_SAME_FIELD_AS(Ref, STORAGE_PROTOCOL_COMMAND, DataFromDeviceBufferOffset)    \
  SSD_SAME_FIELD_AS(Ref, STORAGE_PROTOCOL_COMMAND, CommandSpecific)               \
  SSD_SAME_FIELD_AS(Ref, STORAGE_PROTOCOL_COMMAND, Reserved0)                     \
  SSD_SAME_FIELD_AS(Ref, STORAGE_PROTOCOL_COMMAND, FixedProtocolReturnData)       \
  SSD_SAME_FIELD_AS(Ref, STORAGE_PROTOCOL_COMMAND, Reserved1)                     \
  SSD_SAME_FIELD_AS(Ref, STORAGE_PROTOCOL_COMMAND, Command)
SSD_SAME_LATER(sdk)
// mingw-w64 declares them from version 11 on (with the revision length).
#ifdef STORAGE_HW_FIRMWARE_REVISION_LENGTH
SSD_SAME_LATER()
#endif
#undef SSD_SAME_LATER
#undef SSD_SAME_FIELD_AS
#undef SSD_SAME_SIZE_AS

#undef SSD_SAME_FIELD
#undef SSD_SAME_SIZE

// A GUID is no constant expression in the SDK: compared when the test runs.
TEST(Win32Layout, TheDiskInterfaceClassIsTheSdks) {
  const ::GUID sdk = ::GUID_DEVINTERFACE_DISK;
  const os::GUID& mine = os::GUID_DEVINTERFACE_DISK;
  EXPECT_EQ(mine.Data1, sdk.Data1);
  EXPECT_EQ(mine.Data2, sdk.Data2);
  EXPECT_EQ(mine.Data3, sdk.Data3);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(mine.Data4[i], sdk.Data4[i]) << i;
}

}  // namespace
