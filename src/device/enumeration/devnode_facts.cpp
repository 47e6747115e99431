#include "device/enumeration/devnode_facts.h"

#include <string>
#include <vector>

#include "device/core/fixed_text.h"
#include "device/enumeration/location_text.h"
#include "platform/setupapi.h"

namespace device {
namespace {

constexpr os::ULONG kPropertyBufferSize = 512;

// A text property of a device node; false when the look-up failed.
bool TextProperty(os::Os& os, os::DEVINST devInst, os::ULONG property, std::string* text) {
  std::vector<char> buffer(kPropertyBufferSize, '\0');
  os::ULONG length = kPropertyBufferSize;
  os::ULONG type = 0;
  if (os.CM_Get_DevNode_Registry_PropertyA(devInst, property, &type, buffer.data(), &length, 0) !=
      os::CR_SUCCESS)
    return false;
  buffer.back() = '\0';  // whatever came back, the text ends inside the buffer
  *text = std::string(buffer.data());
  return true;
}

}  // namespace

uint32_t LocationCodeOf(os::Os& os, os::DEVINST devInst) {
  os::DEVINST parent = 0;
  if (os.CM_Get_Parent(&parent, devInst, 0) != os::CR_SUCCESS) return kLocationUnknown;
  std::string text;
  if (!TextProperty(os, parent, os::CM_DRP_DEVICEDESC, &text)) return kLocationUnknown;
  if (!TextProperty(os, parent, os::CM_DRP_LOCATION_INFORMATION, &text)) return kLocationUnknown;
  return PciLocationCode(text);
}

void UsbIdentityOf(os::Os& os, os::DEVINST devInst, UsbLocationRecord& record) {
  os::DEVINST parent = 0;
  if (os.CM_Get_Parent(&parent, devInst, 0) != os::CR_SUCCESS) return;
  std::string text;
  std::string vid;
  std::string pid;
  if (TextProperty(os, parent, os::CM_DRP_HARDWAREID, &text) &&
      ParseUsbHardwareId(text, &vid, &pid)) {
    SetFixedText(record.vid, vid);
    SetFixedText(record.pid, pid);
  }
  uint32_t port = 0;
  uint32_t hub = 0;
  if (TextProperty(os, parent, os::CM_DRP_LOCATION_INFORMATION, &text) &&
      ParseUsbPortLocation(text, &port, &hub)) {
    record.port = port;
    record.hubNumber = hub;
  }
}

}  // namespace device
