#include <gtest/gtest.h>

#include <cstring>

#include "common/bytes.h"
#include "device/core/fixed_text.h"
#include "device/enumeration/devnode_facts.h"
#include "device/enumeration/disk_walk.h"
#include "device/enumeration/hub_port_table.h"
#include "device/enumeration/location_text.h"
#include "device/enumeration/privilege.h"
#include "device/enumeration/usb_hub_walk.h"
#include "platform/setupapi.h"
#include "platform/storage_property.h"
#include "platform/usbioctl.h"
#include "support/scripted_drive.h"
#include "support/scripted_requests.h"

namespace device {
namespace {

using namespace testsupport;

TEST(LocationText, PciLocationCodes) {
  EXPECT_EQ(PciLocationCode("PCI bus 12, device 28, function 4"), 0x0C00E4u);
  EXPECT_EQ(PciLocationCode("PCI bus 3, device 0, function 1"), 0x030001u);
  EXPECT_EQ(PciLocationCode("PCI bus 300, device 33, function 9"),
            0x2C0008u);                                                       // bytes kept, 9 -> 0
  EXPECT_EQ(PciLocationCode("PCI bus 1, device 2, function 57"), 0x010015u);  // first digit only
  EXPECT_EQ(PciLocationCode("PCI bus 7"), 0x070000u);
  EXPECT_EQ(PciLocationCode("Port_#0001.Hub_#0002"), 0u);
  EXPECT_EQ(PciLocationCode(""), 0u);
  // An absurdly long number wraps instead of overflowing: 2^32 + 1 reads as 1.
  EXPECT_EQ(PciLocationCode("PCI bus 4294967297, device 1, function 0"), 0x010008u);
}

TEST(LocationText, UsbHardwareIdAndPortLocation) {
  std::string vid, pid;
  EXPECT_TRUE(ParseUsbHardwareId("USB\\VID_152D&PID_0578&REV_0100", &vid, &pid));
  EXPECT_EQ(vid, "152D");
  EXPECT_EQ(pid, "0578");
  EXPECT_FALSE(ParseUsbHardwareId("PCI\\VEN_8086&DEV_A102", &vid, &pid));
  EXPECT_TRUE(ParseUsbHardwareId("USB\\VID_12", &vid, &pid));  // short: no crash
  EXPECT_EQ(vid, "12");
  EXPECT_EQ(pid, "");

  uint32_t port = 0, hub = 0;
  EXPECT_TRUE(ParseUsbPortLocation("Port_#0004.Hub_#0012", &port, &hub));
  EXPECT_EQ(port, 4u);
  EXPECT_EQ(hub, 12u);
  EXPECT_FALSE(ParseUsbPortLocation("PCI bus 0", &port, &hub));
}

TEST(LocationText, UsbstorSerialToken) {
  EXPECT_EQ(UsbstorSerialToken("USBSTOR\\DISK&VEN_VKM&PROD_X&REV_1.00\\0123456789&0"),
            "0123456789");
  // No '&' after the last backslash: nothing.
  EXPECT_EQ(UsbstorSerialToken("USBSTOR\\DISK&VEN_VKM&PROD_X\\0123456789"), "");
  EXPECT_EQ(UsbstorSerialToken("USBSTOR\\DISK\\&0"), "");
  EXPECT_EQ(UsbstorSerialToken(""), "");
}

TEST(LocationText, RecognisedHubs) {
  EXPECT_TRUE(IsRecognisedHub(0x05E3, 0x0618));
  EXPECT_TRUE(IsRecognisedHub(0x05E3, 0x0610));
  EXPECT_FALSE(IsRecognisedHub(0x05E3, 0x0620));
  EXPECT_TRUE(IsRecognisedHub(0x2109, 0x2817));
  EXPECT_TRUE(IsRecognisedHub(0x2109, 0x0817));
  EXPECT_FALSE(IsRecognisedHub(0x2109, 0x2813));
  EXPECT_TRUE(IsRecognisedHub(0x174C, 0x2074));
  EXPECT_TRUE(IsRecognisedHub(0x174C, 0x3074));
  EXPECT_FALSE(IsRecognisedHub(0x174C, 0x2075));
  EXPECT_FALSE(IsRecognisedHub(0x0BDA, 0x0618));
}

HubPortEntry Entry(uint32_t port, const char* vid, const char* pid, const char* serial,
                   uint32_t recognised, uint32_t ordinal, uint32_t portCount) {
  HubPortEntry e{};
  e.port = port;
  e.recognisedHub = recognised;
  e.recognisedOrdinal = ordinal;
  e.hubPortCount = portCount;
  SetFixedText(e.vid, vid);
  SetFixedText(e.pid, pid);
  SetFixedText(e.serial, serial);
  return e;
}

UsbLocationRecord Record(uint32_t port, const char* vid, const char* pid, const char* token) {
  UsbLocationRecord r{};
  r.port = port;
  SetFixedText(r.vid, vid);
  SetFixedText(r.pid, pid);
  SetFixedText(r.serialToken, token);
  return r;
}

TEST(HubPortTable, MatchesByPrefixesAndPortFirstMatchWins) {
  HubPortTable t;
  t.Add(Entry(2, "152D", "0578", "ABC", 0, 0, 4));
  t.Add(Entry(3, "152D", "0578", "", 1, 2, 7));
  t.Add(Entry(3, "152D", "0578", "XYZ", 1, 5, 9));
  UsbLocationRecord r = Record(3, "152D", "0578", "XYZ123");
  EXPECT_TRUE(t.Match(r));  // the empty serial text matches any token
  EXPECT_EQ(r.hubPortCount, 7u);
  EXPECT_EQ(r.recognisedOrdinal, 2u);
  EXPECT_EQ(r.recognisedHub, 1);
  UsbLocationRecord other = Record(2, "152D", "0578", "ABD");
  EXPECT_FALSE(t.Match(other));
  EXPECT_EQ(other.hubPortCount, 0u);
  UsbLocationRecord wrongPort = Record(5, "152D", "0578", "ABC");
  EXPECT_FALSE(t.Match(wrongPort));
}

TEST(HubPortTable, AFullTableDropsFurtherPorts) {
  HubPortTable t;
  for (int i = 0; i < HubPortTable::kMaxEntries; ++i)
    EXPECT_TRUE(t.Add(Entry(1, "1", "2", "", 0, 0, 1)));
  EXPECT_FALSE(t.Add(Entry(2, "1", "2", "", 0, 0, 1)));
  EXPECT_EQ(t.Count(), HubPortTable::kMaxEntries);
}

TEST(Enumeration, PrivilegeIsEnabledThroughTheProcessToken) {
  ScriptedOs sos;
  sos.Expect("OpenProcessToken").Returns(H(0x70)).Check([](const OsCall& c) {
    EXPECT_EQ(c.handle, os::INVALID_HANDLE_VALUE);  // the current process
    EXPECT_EQ(c.code, 0xF01FFu);
  });
  sos.Expect("LookupPrivilegeValueA").Value(10).Check([](const OsCall& c) {
    EXPECT_EQ(c.text, "SeLoadDriverPrivilege");
  });
  sos.Expect("AdjustTokenPrivileges").On(H(0x70)).Check([](const OsCall& c) {
    os::TOKEN_PRIVILEGES tp{};
    std::memcpy(&tp, c.in.data(), sizeof tp);
    EXPECT_EQ(tp.PrivilegeCount, 1u);
    EXPECT_EQ(tp.Privileges[0].Luid.LowPart, 10u);
    EXPECT_EQ(tp.Privileges[0].Attributes, 2u);
  });
  sos.ExpectClose(H(0x70));
  EXPECT_TRUE(EnablePrivilege(sos, "SeLoadDriverPrivilege"));

  // Succeeding only in part (not held by the process) is a failure.
  sos.Expect("OpenProcessToken").Returns(H(0x71));
  sos.Expect("LookupPrivilegeValueA").Value(10);
  sos.Expect("AdjustTokenPrivileges").error = os::ERROR_NOT_ALL_ASSIGNED;
  sos.ExpectClose(H(0x71));
  EXPECT_FALSE(EnablePrivilege(sos, "SeLoadDriverPrivilege"));
}

TEST(Enumeration, LocationCodeNeedsTheParentsDescriptionAndPciLocation) {
  ScriptedOs sos;
  sos.Expect("CM_Get_Parent").Value(0x200).Check([](const OsCall& c) {
    EXPECT_EQ(c.devInst, 0x100u);
  });
  sos.Expect("CM_Get_DevNode_Registry_PropertyA")
      .Reply(ScriptedOs::Sz("Standard NVM Express Controller"))
      .Check([](const OsCall& c) {
        EXPECT_EQ(c.devInst, 0x200u);
        EXPECT_EQ(c.code, os::CM_DRP_DEVICEDESC);
      });
  sos.Expect("CM_Get_DevNode_Registry_PropertyA")
      .Reply(ScriptedOs::Sz("PCI bus 12, device 28, function 4"))
      .Check([](const OsCall& c) {
        EXPECT_EQ(c.code, os::CM_DRP_LOCATION_INFORMATION);
        EXPECT_EQ(c.out.size(), 512u);
      });
  EXPECT_EQ(LocationCodeOf(sos, 0x100), 0x0C00E4u);

  sos.Expect("CM_Get_Parent").Value(0x200);
  sos.Expect("CM_Get_DevNode_Registry_PropertyA").Fail(os::CR_NO_SUCH_VALUE);
  EXPECT_EQ(LocationCodeOf(sos, 0x100), kLocationUnknown);

  sos.Expect("CM_Get_Parent").Value(0x200);
  sos.Expect("CM_Get_DevNode_Registry_PropertyA").Reply(ScriptedOs::Sz("Generic USB Hub"));
  sos.Expect("CM_Get_DevNode_Registry_PropertyA").Reply(ScriptedOs::Sz("Port_#0002.Hub_#0003"));
  EXPECT_EQ(LocationCodeOf(sos, 0x100), 0u);
}

TEST(Enumeration, UsbIdentityFromTheParentsHardwareIdAndLocation) {
  ScriptedOs sos;
  sos.Expect("CM_Get_Parent").Value(0x300);
  sos.Expect("CM_Get_DevNode_Registry_PropertyA")
      .Reply(ScriptedOs::Sz("USB\\VID_174C&PID_55AA&REV_0100"))
      .Check([](const OsCall& c) { EXPECT_EQ(c.code, os::CM_DRP_HARDWAREID); });
  sos.Expect("CM_Get_DevNode_Registry_PropertyA").Reply(ScriptedOs::Sz("Port_#0003.Hub_#0005"));
  UsbLocationRecord r{};
  UsbIdentityOf(sos, 0x301, r);
  EXPECT_EQ(FixedText(r.vid), "174C");
  EXPECT_EQ(FixedText(r.pid), "55AA");
  EXPECT_EQ(r.port, 3u);
  EXPECT_EQ(r.hubNumber, 5u);
}

// --- The host-controller and hub walk -------------------------------------

// A wide name reply ("ActualLength" then UTF-16 text) at the given offset.
std::function<bool(OsCall&)> WideName(size_t offset, const std::string& name) {
  return [offset, name](OsCall& c) {
    for (size_t i = 0; i < name.size(); ++i)
      common::WriteLe16(c.out, offset + 2 * i, static_cast<uint8_t>(name[i]));
    common::WriteLe16(c.out, offset + 2 * name.size(), 0);
    c.outLength = static_cast<os::DWORD>(c.out.size());
    return true;
  };
}

Bytes NodeInfo(uint8_t ports) {
  Bytes b(76, 0);
  b[6] = ports;
  return b;
}

std::function<bool(OsCall&)> Connection(uint32_t expectedPort, bool connected, bool hub,
                                        uint16_t vid, uint16_t pid, uint8_t iSerial) {
  return [=](OsCall& c) {
    EXPECT_EQ(c.out.size(), 388u);
    EXPECT_EQ(common::ReadLe32(c.out, 0), expectedPort);
    common::WriteLe16(c.out, 12, vid);
    common::WriteLe16(c.out, 14, pid);
    c.out[20] = iSerial;
    c.out[24] = hub ? 1 : 0;
    common::WriteLe32(c.out, 31, connected ? 1 : 0);
    return true;
  };
}

std::function<bool(OsCall&)> StringDescriptor(uint32_t port, uint8_t index, uint16_t language,
                                              uint16_t length, const std::u16string& text) {
  return [=](OsCall& c) {
    EXPECT_EQ(c.in.size(), 2060u);
    EXPECT_EQ(common::ReadLe32(c.in, 0), port);
    EXPECT_EQ(c.in[4], 0x80);
    EXPECT_EQ(c.in[5], 0x06);
    EXPECT_EQ(common::ReadLe16(c.in, 6), 0x0300 | index);
    EXPECT_EQ(common::ReadLe16(c.in, 8), language);
    EXPECT_EQ(common::ReadLe16(c.in, 10), length);
    c.out[12] = static_cast<uint8_t>(2 + 2 * text.size());
    c.out[13] = 3;
    for (size_t i = 0; i < text.size(); ++i) common::WriteLe16(c.out, 14 + 2 * i, text[i]);
    return true;
  };
}

TEST(Enumeration, HubWalkRecordsPortsAndRecognisedExternalHubs) {
  ScriptedOs sos;
  // Controller 0 answers; 1..9 do not exist.
  sos.ExpectOpen("\\\\.\\HCD0", H(0x10)).Check([](const OsCall& c) {
    EXPECT_EQ(c.code, os::GENERIC_WRITE);
    EXPECT_EQ(c.share, os::FILE_SHARE_WRITE);
  });
  sos.ExpectIoctl(os::IOCTL_GET_HCD_DRIVERKEY_NAME).On(H(0x10)).Respond(WideName(4, "{key}\\0001"));
  sos.ExpectIoctl(os::IOCTL_USB_GET_ROOT_HUB_NAME)
      .On(H(0x10))
      .Respond(WideName(4, "USB#ROOT_HUB30#4&1"));
  sos.ExpectOpen("\\\\.\\USB#ROOT_HUB30#4&1", H(0x11));
  sos.ExpectIoctl(os::IOCTL_USB_GET_NODE_INFORMATION).On(H(0x11)).Reply(NodeInfo(2));
  // Root port 1: a Genesys Logic hub (05E3:0618) with one port.
  sos.ExpectIoctl(os::IOCTL_USB_GET_NODE_CONNECTION_INFORMATION)
      .On(H(0x11))
      .Respond(Connection(1, true, true, 0x05E3, 0x0618, 0));
  sos.ExpectIoctl(os::IOCTL_USB_GET_NODE_CONNECTION_NAME)
      .On(H(0x11))
      .Respond(WideName(8, "USB#HUB#5&2"));
  sos.ExpectOpen("\\\\.\\USB#HUB#5&2", H(0x12));
  sos.ExpectIoctl(os::IOCTL_USB_GET_NODE_INFORMATION).On(H(0x12)).Reply(NodeInfo(1));
  //   Its port 1: a bridge 152D:0578 with serial string 3.
  sos.ExpectIoctl(os::IOCTL_USB_GET_NODE_CONNECTION_INFORMATION)
      .On(H(0x12))
      .Respond(Connection(1, true, false, 0x152D, 0x0578, 3));
  sos.ExpectIoctl(os::IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION)
      .On(H(0x12))
      .Respond(StringDescriptor(1, 0, 0, 4, u"\u0409"));
  sos.ExpectIoctl(os::IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION)
      .On(H(0x12))
      .Respond(StringDescriptor(1, 3, 0x0409, 255, u"0123456789AB"));
  sos.ExpectClose(H(0x12));
  // Root port 2: nothing connected.
  sos.ExpectIoctl(os::IOCTL_USB_GET_NODE_CONNECTION_INFORMATION)
      .On(H(0x11))
      .Respond(Connection(2, false, false, 0, 0, 0));
  sos.ExpectClose(H(0x11));
  sos.ExpectClose(H(0x10));
  for (int k = 1; k < 10; ++k)
    sos.ExpectOpen("\\\\.\\HCD" + std::to_string(k), os::INVALID_HANDLE_VALUE)
        .Fail(os::ERROR_FILE_NOT_FOUND);

  HubPortTable table;
  EXPECT_TRUE(BuildHubPortTable(sos, table));
  ASSERT_EQ(table.Count(), 2);
  const HubPortEntry& hub = table.Entry(0);  // the hub itself, on the root hub
  EXPECT_EQ(hub.recognisedHub, 0u);
  EXPECT_EQ(hub.port, 1u);
  EXPECT_EQ(hub.hubPortCount, 2u);
  EXPECT_EQ(hub.hubOrdinal, 0u);
  EXPECT_EQ(FixedText(hub.vid), "05E3");
  EXPECT_EQ(FixedText(hub.pid), "0618");
  const HubPortEntry& drive = table.Entry(1);
  EXPECT_EQ(drive.recognisedHub, 1u);
  EXPECT_EQ(drive.recognisedOrdinal, 1u);
  EXPECT_EQ(drive.hubOrdinal, 1u);
  EXPECT_EQ(drive.hubPortCount, 1u);
  EXPECT_EQ(drive.port, 1u);
  EXPECT_EQ(FixedText(drive.vid), "152D");
  EXPECT_EQ(FixedText(drive.serial), "0123456789AB");
  EXPECT_EQ(table.HubCount(), 1u);
  EXPECT_EQ(table.RecognisedCount(), 1u);
}

TEST(Enumeration, AFailedControllerStopsTheWalksOfLaterControllers) {
  ScriptedOs sos;
  sos.ExpectOpen("\\\\.\\HCD0", H(0x10));
  sos.ExpectIoctl(os::IOCTL_GET_HCD_DRIVERKEY_NAME).Fail(os::ERROR_INVALID_FUNCTION);
  sos.ExpectClose(H(0x10));
  sos.ExpectOpen("\\\\.\\HCD1", H(0x20));  // opened, but not walked
  sos.ExpectClose(H(0x20));
  for (int k = 2; k < 10; ++k)
    sos.ExpectOpen("\\\\.\\HCD" + std::to_string(k), os::INVALID_HANDLE_VALUE)
        .Fail(os::ERROR_FILE_NOT_FOUND);
  HubPortTable table;
  EXPECT_FALSE(BuildHubPortTable(sos, table));
  EXPECT_EQ(table.Count(), 0);
}

// --- The disk-interface walk ----------------------------------------------

// Scripts member `index` of the set as physical drive `number` (-1: no number).
void ExpectMemberNumber(ScriptedOs& sos, os::DWORD index, int number, const std::string& path) {
  sos.Expect("SetupDiEnumDeviceInterfaces").Check([index](const OsCall& c) {
    EXPECT_EQ(c.code, index);
    EXPECT_TRUE(*c.guid == os::GUID_DEVINTERFACE_DISK);
  });
  sos.Expect("SetupDiGetDeviceInterfaceDetailA").Text(path);  // size
  sos.Expect("SetupDiGetDeviceInterfaceDetailA").Text(path);  // data
  sos.ExpectOpen(path, H(0x40)).Check([](const OsCall& c) {
    EXPECT_EQ(c.code, os::GENERIC_READ);
    EXPECT_EQ(c.share, os::FILE_SHARE_READ | os::FILE_SHARE_WRITE);
    EXPECT_EQ(c.flags, os::FILE_ATTRIBUTE_NORMAL);
  });
  Step& s = sos.ExpectIoctl(os::IOCTL_STORAGE_GET_DEVICE_NUMBER).On(H(0x40));
  if (number < 0)
    s.Fail(os::ERROR_INVALID_FUNCTION);
  else
    s.Reply({7, 0, 0, 0, static_cast<uint8_t>(number), 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF});
  sos.ExpectClose(H(0x40));
}

TEST(Enumeration, DiskWalkFillsTheTablesAndTheUsbstorToken) {
  ScriptedOs sos;
  const os::HANDLE set = H(0x30);
  HubPortTable hubs;
  hubs.Add(Entry(2, "152D", "0578", "", 1, 1, 4));

  // Member 0: a SATA disk, number 0, under PCI.
  sos.Expect("SetupDiEnumDeviceInfo").Value(0x100);
  ExpectMemberNumber(sos, 0, 0, "\\\\?\\scsi#disk&ven_vkm#1#{53f56307}");
  sos.Expect("CM_Get_Parent").Value(0x101);
  sos.Expect("CM_Get_DevNode_Registry_PropertyA")
      .Reply(ScriptedOs::Sz("Standard SATA AHCI Controller"));
  sos.Expect("CM_Get_DevNode_Registry_PropertyA")
      .Reply(ScriptedOs::Sz("PCI bus 0, device 23, function 0"));
  sos.Expect("CM_Get_Parent").Value(0x101);
  sos.Expect("CM_Get_DevNode_Registry_PropertyA").Reply(ScriptedOs::Sz("PCI\\VEN_8086&DEV_A102"));
  sos.Expect("CM_Get_DevNode_Registry_PropertyA")
      .Reply(ScriptedOs::Sz("PCI bus 0, device 23, function 0"));
  sos.Expect("SetupDiGetDeviceInstanceIdA").Text("SCSI\\DISK&VEN_VKM\\4&1&0&000000");
  // Member 1: a USB drive, number 2.
  sos.Expect("SetupDiEnumDeviceInfo").Value(0x200);
  ExpectMemberNumber(sos, 1, 2, "\\\\?\\usbstor#disk#2#{53f56307}");
  sos.Expect("CM_Get_Parent").Value(0x201);
  sos.Expect("CM_Get_DevNode_Registry_PropertyA").Reply(ScriptedOs::Sz("USB Mass Storage Device"));
  sos.Expect("CM_Get_DevNode_Registry_PropertyA").Reply(ScriptedOs::Sz("Port_#0002.Hub_#0004"));
  sos.Expect("CM_Get_Parent").Value(0x201);
  sos.Expect("CM_Get_DevNode_Registry_PropertyA")
      .Reply(ScriptedOs::Sz("USB\\VID_152D&PID_0578&REV_0100"));
  sos.Expect("CM_Get_DevNode_Registry_PropertyA").Reply(ScriptedOs::Sz("Port_#0009.Hub_#0004"));
  sos.Expect("SetupDiGetDeviceInstanceIdA")
      .Text("USBSTOR\\DISK&VEN_VKM&PROD_VK4620XT2&REV_1.00\\0123456789AB&0");
  sos.Expect("SetupDiGetDeviceRegistryPropertyA").Reply({2, 0, 0, 0}).Check([](const OsCall& c) {
    EXPECT_EQ(c.code, os::SPDRP_ADDRESS);
  });
  // Member 2: no drive number; its instance id is still read.
  sos.Expect("SetupDiEnumDeviceInfo").Value(0x300);
  ExpectMemberNumber(sos, 2, -1, "\\\\?\\x");
  sos.Expect("SetupDiGetDeviceInstanceIdA").Text("USBSTOR\\CDROM\\1&0");
  sos.Expect("SetupDiEnumDeviceInfo").Fail(os::ERROR_NO_MORE_ITEMS);

  PerScanTables tables;
  tables.Clear();
  EXPECT_EQ(WalkDiskSet(sos, set, tables, hubs), 2);
  EXPECT_EQ(tables.listIndex[0], 1u);
  EXPECT_EQ(tables.location[0], 0x0000B8u);  // device 23 << 3
  EXPECT_EQ(tables.listIndex[2], 2u);
  EXPECT_EQ(tables.location[2], 0u);  // not under PCI
  const UsbLocationRecord& r = tables.usb[2];
  EXPECT_EQ(SerialTokenOf(r), "0123456789AB");
  EXPECT_EQ(r.port, 2u);  // the address replaced the location's port 9
  EXPECT_EQ(r.hubNumber, 4u);
  EXPECT_EQ(r.recognisedHub, 1);  // matched the hub table on port 2
  EXPECT_EQ(r.hubPortCount, 4u);
  EXPECT_EQ(tables.listIndex[1], 0u);
  EXPECT_EQ(tables.location[1], kLocationUnknown);
}

}  // namespace
}  // namespace device
