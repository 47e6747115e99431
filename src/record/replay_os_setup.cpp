// Device information sets and device nodes answered from a recording.
#include "platform/request_buffer.h"
#include "record/buffer_field.h"
#include "record/call_asks.h"
#include "record/replay_os.h"

namespace record {

os::HDEVINFO ReplayOs::SetupDiGetClassDevsA(const os::GUID* classGuid, const char* enumerator,
                                            os::DWORD flags) {
  const Json& a =
      Take("SetupDiGetClassDevsA", std::nullopt, AskClassDevs(classGuid, enumerator, flags));
  return os::HandleFromValue(Number(a, "handle", UINTPTR_MAX));
}

bool ReplayOs::SetupDiDestroyDeviceInfoList(os::HDEVINFO set) {
  return Flag(Take("SetupDiDestroyDeviceInfoList", set, Json::Object()), "ok");
}

bool ReplayOs::SetupDiEnumDeviceInfo(os::HDEVINFO set, os::DWORD index,
                                     os::SP_DEVINFO_DATA* data) {
  const Json& a = Take("SetupDiEnumDeviceInfo", set, AskEnumDeviceInfo(index, data));
  FillRecord(a, "data", data);
  return Flag(a, "ok");
}

bool ReplayOs::SetupDiEnumDeviceInterfaces(os::HDEVINFO set, os::SP_DEVINFO_DATA* devInfo,
                                           const os::GUID* interfaceClass, os::DWORD index,
                                           os::SP_DEVICE_INTERFACE_DATA* data) {
  const Json& a = Take("SetupDiEnumDeviceInterfaces", set,
                       AskEnumInterfaces(devInfo, interfaceClass, index, data));
  FillRecord(a, "data", data);
  return Flag(a, "ok");
}

bool ReplayOs::SetupDiGetDeviceInterfaceDetailA(os::HDEVINFO set,
                                                os::SP_DEVICE_INTERFACE_DATA* data,
                                                os::SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail,
                                                os::DWORD detailSize, os::DWORD* requiredSize,
                                                os::SP_DEVINFO_DATA* devInfo) {
  const Json& a = Take("SetupDiGetDeviceInterfaceDetailA", set,
                       AskInterfaceDetail(data, detail, detailSize, requiredSize != nullptr,
                                          devInfo));
  if (detail && detailSize && Has(a, "detail")) Fill(a, "detail", os::BytesOf(detail, detailSize));
  if (requiredSize && Has(a, "required"))
    *requiredSize = static_cast<os::DWORD>(Number(a, "required", UINT32_MAX));
  FillRecord(a, "devInfo", devInfo);
  return Flag(a, "ok");
}

bool ReplayOs::SetupDiGetDeviceInstanceIdA(os::HDEVINFO set, os::SP_DEVINFO_DATA* devInfo,
                                           char* buffer, os::DWORD bufferSize,
                                           os::DWORD* requiredSize) {
  const Json& a =
      Take("SetupDiGetDeviceInstanceIdA", set,
           AskInstanceId(devInfo, bufferSize, buffer != nullptr, requiredSize != nullptr));
  if (buffer && bufferSize && Has(a, "buffer")) Fill(a, "buffer", os::BytesOf(buffer, bufferSize));
  if (requiredSize && Has(a, "required"))
    *requiredSize = static_cast<os::DWORD>(Number(a, "required", UINT32_MAX));
  return Flag(a, "ok");
}

bool ReplayOs::SetupDiGetDeviceRegistryPropertyA(os::HDEVINFO set, os::SP_DEVINFO_DATA* devInfo,
                                                 os::DWORD property, os::DWORD* regDataType,
                                                 os::BYTE* buffer, os::DWORD bufferSize,
                                                 os::DWORD* requiredSize) {
  const Json& a = Take("SetupDiGetDeviceRegistryPropertyA", set,
                       AskRegistryProperty(devInfo, property, regDataType != nullptr, bufferSize,
                                           buffer != nullptr, requiredSize != nullptr));
  if (regDataType && Has(a, "type"))
    *regDataType = static_cast<os::DWORD>(Number(a, "type", UINT32_MAX));
  if (buffer && bufferSize && Has(a, "buffer")) Fill(a, "buffer", os::BytesOf(buffer, bufferSize));
  if (requiredSize && Has(a, "required"))
    *requiredSize = static_cast<os::DWORD>(Number(a, "required", UINT32_MAX));
  return Flag(a, "ok");
}

os::CONFIGRET ReplayOs::CM_Get_Parent(os::DEVINST* parent, os::DEVINST devInst, os::ULONG flags) {
  const Json& a = Take("CM_Get_Parent", std::nullopt, AskParent(devInst, flags, parent != nullptr));
  if (parent && Has(a, "parent")) *parent = static_cast<os::DEVINST>(Number(a, "parent", UINT32_MAX));
  return static_cast<os::CONFIGRET>(Number(a, "result", UINT32_MAX));
}

os::CONFIGRET ReplayOs::CM_Get_DevNode_Registry_PropertyA(os::DEVINST devInst, os::ULONG property,
                                                          os::ULONG* regDataType, void* buffer,
                                                          os::ULONG* length, os::ULONG flags) {
  const os::ULONG bufferSize = length ? *length : 0;
  const Json& a = Take("CM_Get_DevNode_Registry_PropertyA", std::nullopt,
                       AskDevNodeProperty(devInst, property, regDataType != nullptr,
                                          buffer != nullptr, length, flags));
  if (regDataType && Has(a, "type"))
    *regDataType = static_cast<os::ULONG>(Number(a, "type", UINT32_MAX));
  if (length && Has(a, "length")) *length = static_cast<os::ULONG>(Number(a, "length", UINT32_MAX));
  if (buffer && bufferSize && Has(a, "buffer")) Fill(a, "buffer", os::BytesOf(buffer, bufferSize));
  return static_cast<os::CONFIGRET>(Number(a, "result", UINT32_MAX));
}

}  // namespace record
