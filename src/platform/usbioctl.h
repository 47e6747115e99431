#pragma once
// USB host-controller and hub requests: driver key and root hub names, hub
// information, per-port connection information, connected hub names, and
// descriptors read from the device on a port. The hub layouts are packed, as
// the USB stack declares them.
#include <cstddef>

#include "platform/ctl_code.h"

namespace os {

inline constexpr DWORD FILE_DEVICE_USB = FILE_DEVICE_UNKNOWN;
inline constexpr DWORD USB_GET_NODE_INFORMATION = 258;
inline constexpr DWORD USB_GET_NODE_CONNECTION_INFORMATION = 259;
inline constexpr DWORD USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION = 260;
inline constexpr DWORD USB_GET_NODE_CONNECTION_NAME = 261;
inline constexpr DWORD HCD_GET_ROOT_HUB_NAME = 258;
inline constexpr DWORD HCD_GET_DRIVERKEY_NAME = 265;

inline constexpr DWORD IOCTL_GET_HCD_DRIVERKEY_NAME =
    CTL_CODE(FILE_DEVICE_USB, HCD_GET_DRIVERKEY_NAME, METHOD_BUFFERED, FILE_ANY_ACCESS);
inline constexpr DWORD IOCTL_USB_GET_ROOT_HUB_NAME =
    CTL_CODE(FILE_DEVICE_USB, HCD_GET_ROOT_HUB_NAME, METHOD_BUFFERED, FILE_ANY_ACCESS);
// Same value as IOCTL_USB_GET_ROOT_HUB_NAME: one is sent to a host
// controller, the other to a hub.
inline constexpr DWORD IOCTL_USB_GET_NODE_INFORMATION =
    CTL_CODE(FILE_DEVICE_USB, USB_GET_NODE_INFORMATION, METHOD_BUFFERED, FILE_ANY_ACCESS);
inline constexpr DWORD IOCTL_USB_GET_NODE_CONNECTION_INFORMATION = CTL_CODE(
    FILE_DEVICE_USB, USB_GET_NODE_CONNECTION_INFORMATION, METHOD_BUFFERED, FILE_ANY_ACCESS);
inline constexpr DWORD IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION = CTL_CODE(
    FILE_DEVICE_USB, USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION, METHOD_BUFFERED, FILE_ANY_ACCESS);
inline constexpr DWORD IOCTL_USB_GET_NODE_CONNECTION_NAME =
    CTL_CODE(FILE_DEVICE_USB, USB_GET_NODE_CONNECTION_NAME, METHOD_BUFFERED, FILE_ANY_ACCESS);
static_assert(IOCTL_GET_HCD_DRIVERKEY_NAME == 0x220424);
static_assert(IOCTL_USB_GET_ROOT_HUB_NAME == 0x220408);
static_assert(IOCTL_USB_GET_NODE_INFORMATION == 0x220408);
static_assert(IOCTL_USB_GET_NODE_CONNECTION_INFORMATION == 0x22040C);
static_assert(IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION == 0x220410);
static_assert(IOCTL_USB_GET_NODE_CONNECTION_NAME == 0x220414);

// USB_HUB_NODE
inline constexpr DWORD UsbHub = 0;
inline constexpr DWORD UsbMIParent = 1;

// USB_CONNECTION_STATUS
inline constexpr DWORD NoDeviceConnected = 0;
inline constexpr DWORD DeviceConnected = 1;

inline constexpr UCHAR USB_DEVICE_DESCRIPTOR_TYPE = 0x01;
inline constexpr UCHAR USB_STRING_DESCRIPTOR_TYPE = 0x03;
inline constexpr UCHAR USB_REQUEST_GET_DESCRIPTOR = 0x06;

#pragma pack(push, 1)

// Driver key name of a host controller, and the root hub name: the same
// shape, a length and a wide string.
struct USB_HCD_DRIVERKEY_NAME {
  ULONG ActualLength;
  WCHAR DriverKeyName[1];
};
struct USB_ROOT_HUB_NAME {
  ULONG ActualLength;
  WCHAR RootHubName[1];
};

struct USB_HUB_DESCRIPTOR {
  UCHAR bDescriptorLength;
  UCHAR bDescriptorType;
  UCHAR bNumberOfPorts;
  USHORT wHubCharacteristics;
  UCHAR bPowerOnToPowerGood;
  UCHAR bHubControlCurrent;
  UCHAR bRemoveAndPowerMask[64];
};
static_assert(sizeof(USB_HUB_DESCRIPTOR) == 71);

struct USB_HUB_INFORMATION {
  USB_HUB_DESCRIPTOR HubDescriptor;
  BOOLEAN HubIsBusPowered;
};

struct USB_NODE_INFORMATION {
  DWORD NodeType;
  union {
    USB_HUB_INFORMATION HubInformation;
    ULONG MiParentNumberOfInterfaces;
  } u;
};
static_assert(sizeof(USB_NODE_INFORMATION) == 76);
inline constexpr size_t kNodeInfoNumberOfPortsOffset = 6;

struct USB_DEVICE_DESCRIPTOR {
  UCHAR bLength;
  UCHAR bDescriptorType;
  USHORT bcdUSB;
  UCHAR bDeviceClass;
  UCHAR bDeviceSubClass;
  UCHAR bDeviceProtocol;
  UCHAR bMaxPacketSize0;
  USHORT idVendor;
  USHORT idProduct;
  USHORT bcdDevice;
  UCHAR iManufacturer;
  UCHAR iProduct;
  UCHAR iSerialNumber;
  UCHAR bNumConfigurations;
};
static_assert(sizeof(USB_DEVICE_DESCRIPTOR) == 18);

struct USB_ENDPOINT_DESCRIPTOR {
  UCHAR bLength;
  UCHAR bDescriptorType;
  UCHAR bEndpointAddress;
  UCHAR bmAttributes;
  USHORT wMaxPacketSize;
  UCHAR bInterval;
};
static_assert(sizeof(USB_ENDPOINT_DESCRIPTOR) == 7);

struct USB_PIPE_INFO {
  USB_ENDPOINT_DESCRIPTOR EndpointDescriptor;
  ULONG ScheduleOffset;
};
static_assert(sizeof(USB_PIPE_INFO) == 11);

struct USB_NODE_CONNECTION_INFORMATION {
  ULONG ConnectionIndex;
  USB_DEVICE_DESCRIPTOR DeviceDescriptor;
  UCHAR CurrentConfigurationValue;
  BOOLEAN LowSpeed;
  BOOLEAN DeviceIsHub;
  USHORT DeviceAddress;
  ULONG NumberOfOpenPipes;
  DWORD ConnectionStatus;
  USB_PIPE_INFO PipeList[1];
};
static_assert(offsetof(USB_NODE_CONNECTION_INFORMATION, DeviceDescriptor) == 4);
static_assert(offsetof(USB_NODE_CONNECTION_INFORMATION, DeviceIsHub) == 24);
static_assert(offsetof(USB_NODE_CONNECTION_INFORMATION, ConnectionStatus) == 31);
static_assert(offsetof(USB_NODE_CONNECTION_INFORMATION, PipeList) == 35);

struct USB_NODE_CONNECTION_NAME {
  ULONG ConnectionIndex;
  ULONG ActualLength;
  WCHAR NodeName[1];
};
static_assert(offsetof(USB_NODE_CONNECTION_NAME, NodeName) == 8);

struct USB_SETUP_PACKET {
  UCHAR bmRequest;
  UCHAR bRequest;
  USHORT wValue;
  USHORT wIndex;
  USHORT wLength;
};
static_assert(sizeof(USB_SETUP_PACKET) == 8);

struct USB_DESCRIPTOR_REQUEST {
  ULONG ConnectionIndex;
  USB_SETUP_PACKET SetupPacket;
  UCHAR Data[1];
};
static_assert(offsetof(USB_DESCRIPTOR_REQUEST, Data) == 12);

#pragma pack(pop)

}  // namespace os
