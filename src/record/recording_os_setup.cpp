// Device information sets and device nodes of the recording decorator.
#include <vector>

#include "platform/request_buffer.h"
#include "record/buffer_field.h"
#include "record/call_asks.h"
#include "record/recording_os.h"

namespace record {

os::HDEVINFO RecordingOs::SetupDiGetClassDevsA(const os::GUID* classGuid, const char* enumerator,
                                               os::DWORD flags) {
  const os::HDEVINFO set = inner_->SetupDiGetClassDevsA(classGuid, enumerator, flags);
  Write("SetupDiGetClassDevsA", std::nullopt, AskClassDevs(classGuid, enumerator, flags),
        Json::Object().Set("handle", Json::Number(os::HandleValue(set))));
  return set;
}

bool RecordingOs::SetupDiDestroyDeviceInfoList(os::HDEVINFO set) {
  const bool ok = inner_->SetupDiDestroyDeviceInfoList(set);
  Write("SetupDiDestroyDeviceInfoList", set, Json::Object(),
        Json::Object().Set("ok", Json::Bool(ok)));
  return ok;
}

bool RecordingOs::SetupDiEnumDeviceInfo(os::HDEVINFO set, os::DWORD index,
                                        os::SP_DEVINFO_DATA* data) {
  Json ask = AskEnumDeviceInfo(index, data);
  const bool ok = inner_->SetupDiEnumDeviceInfo(set, index, data);
  Write("SetupDiEnumDeviceInfo", set, std::move(ask),
        Json::Object().Set("ok", Json::Bool(ok)).Set("data", RecordBytes(data)));
  return ok;
}

bool RecordingOs::SetupDiEnumDeviceInterfaces(os::HDEVINFO set, os::SP_DEVINFO_DATA* devInfo,
                                              const os::GUID* interfaceClass, os::DWORD index,
                                              os::SP_DEVICE_INTERFACE_DATA* data) {
  Json ask = AskEnumInterfaces(devInfo, interfaceClass, index, data);
  const bool ok = inner_->SetupDiEnumDeviceInterfaces(set, devInfo, interfaceClass, index, data);
  Write("SetupDiEnumDeviceInterfaces", set, std::move(ask),
        Json::Object().Set("ok", Json::Bool(ok)).Set("data", RecordBytes(data)));
  return ok;
}

bool RecordingOs::SetupDiGetDeviceInterfaceDetailA(os::HDEVINFO set,
                                                   os::SP_DEVICE_INTERFACE_DATA* data,
                                                   os::SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail,
                                                   os::DWORD detailSize, os::DWORD* requiredSize,
                                                   os::SP_DEVINFO_DATA* devInfo) {
  Json ask = AskInterfaceDetail(data, detail, detailSize, requiredSize != nullptr, devInfo);
  const bool ok = inner_->SetupDiGetDeviceInterfaceDetailA(set, data, detail, detailSize,
                                                           requiredSize, devInfo);
  Json answer = Json::Object().Set("ok", Json::Bool(ok));
  if (detail && detailSize) answer.Set("detail", Reply(os::BytesOf(detail, detailSize), false));
  if (requiredSize) answer.Set("required", Json::Number(*requiredSize));
  answer.Set("devInfo", RecordBytes(devInfo));
  Write("SetupDiGetDeviceInterfaceDetailA", set, std::move(ask), std::move(answer));
  return ok;
}

bool RecordingOs::SetupDiGetDeviceInstanceIdA(os::HDEVINFO set, os::SP_DEVINFO_DATA* devInfo,
                                              char* buffer, os::DWORD bufferSize,
                                              os::DWORD* requiredSize) {
  Json ask = AskInstanceId(devInfo, bufferSize, buffer != nullptr, requiredSize != nullptr);
  const bool ok =
      inner_->SetupDiGetDeviceInstanceIdA(set, devInfo, buffer, bufferSize, requiredSize);
  Json answer = Json::Object().Set("ok", Json::Bool(ok));
  if (buffer && bufferSize) answer.Set("buffer", Reply(os::BytesOf(buffer, bufferSize), false));
  if (requiredSize) answer.Set("required", Json::Number(*requiredSize));
  Write("SetupDiGetDeviceInstanceIdA", set, std::move(ask), std::move(answer));
  return ok;
}

bool RecordingOs::SetupDiGetDeviceRegistryPropertyA(os::HDEVINFO set, os::SP_DEVINFO_DATA* devInfo,
                                                    os::DWORD property, os::DWORD* regDataType,
                                                    os::BYTE* buffer, os::DWORD bufferSize,
                                                    os::DWORD* requiredSize) {
  Json ask = AskRegistryProperty(devInfo, property, regDataType != nullptr, bufferSize,
                                 buffer != nullptr, requiredSize != nullptr);
  const bool ok = inner_->SetupDiGetDeviceRegistryPropertyA(set, devInfo, property, regDataType,
                                                            buffer, bufferSize, requiredSize);
  Json answer = Json::Object().Set("ok", Json::Bool(ok));
  if (regDataType) answer.Set("type", Json::Number(*regDataType));
  if (buffer && bufferSize) answer.Set("buffer", Reply(os::BytesOf(buffer, bufferSize), false));
  if (requiredSize) answer.Set("required", Json::Number(*requiredSize));
  Write("SetupDiGetDeviceRegistryPropertyA", set, std::move(ask), std::move(answer));
  return ok;
}

os::CONFIGRET RecordingOs::CM_Get_Parent(os::DEVINST* parent, os::DEVINST devInst,
                                         os::ULONG flags) {
  const os::CONFIGRET r = inner_->CM_Get_Parent(parent, devInst, flags);
  Json answer = Json::Object().Set("result", Json::Number(r));
  if (parent) answer.Set("parent", Json::Number(*parent));
  Write("CM_Get_Parent", std::nullopt, AskParent(devInst, flags, parent != nullptr),
        std::move(answer));
  return r;
}

os::CONFIGRET RecordingOs::CM_Get_DevNode_Registry_PropertyA(os::DEVINST devInst,
                                                             os::ULONG property,
                                                             os::ULONG* regDataType, void* buffer,
                                                             os::ULONG* length, os::ULONG flags) {
  Json ask = AskDevNodeProperty(devInst, property, regDataType != nullptr, buffer != nullptr,
                                length, flags);
  const os::ULONG bufferSize = length ? *length : 0;
  const os::CONFIGRET r =
      inner_->CM_Get_DevNode_Registry_PropertyA(devInst, property, regDataType, buffer, length,
                                                flags);
  Json answer = Json::Object().Set("result", Json::Number(r));
  if (regDataType) answer.Set("type", Json::Number(*regDataType));
  if (length) answer.Set("length", Json::Number(*length));
  if (buffer && bufferSize) answer.Set("buffer", Reply(os::BytesOf(buffer, bufferSize), false));
  Write("CM_Get_DevNode_Registry_PropertyA", std::nullopt, std::move(ask), std::move(answer));
  return r;
}

}  // namespace record
