#include "record/call_asks.h"

#include "record/buffer_field.h"
#include "record/hex.h"

namespace record {

template <typename T>
Json RecordBytes(const T* value) {
  if (value == nullptr) return Json::Null();
  return Json::String(ToHex({reinterpret_cast<const uint8_t*>(value), sizeof(T)}));
}
template Json RecordBytes(const os::GUID*);
template Json RecordBytes(const os::SP_DEVINFO_DATA*);
template Json RecordBytes(const os::SP_DEVICE_INTERFACE_DATA*);
template Json RecordBytes(const os::TOKEN_PRIVILEGES*);
template Json RecordBytes(const os::LUID*);

Json OptionalText(const char* text) { return text ? Json::String(text) : Json::Null(); }

Json AskSleep(os::DWORD ms) { return Json::Object().Set("ms", Json::Number(ms)); }

Json AskCommand(const std::string& commandLine, os::UINT show) {
  return Json::Object().Set("command", Json::String(commandLine)).Set("show", Json::Number(show));
}

Json AskWait(os::DWORD ms) { return Json::Object().Set("ms", Json::Number(ms)); }

Json AskPath(const std::string& path) { return Json::Object().Set("path", Json::String(path)); }

Json AskSize(uint64_t size) { return Json::Object().Set("size", Json::Number(size)); }

Json AskVolumeUse(char letter, int diskNumber) {
  return Json::Object()
      .Set("letter", Json::String(std::string(1, letter)))
      .Set("disk", Json::Signed(diskNumber));
}

Json AskCreateFile(const std::string& name, os::DWORD access, os::DWORD share,
                   const os::SECURITY_ATTRIBUTES* sa, os::DWORD disposition, os::DWORD flags,
                   os::HANDLE templateFile) {
  return Json::Object()
      .Set("name", Json::String(name))
      .Set("access", Json::Number(access))
      .Set("share", Json::Number(share))
      .Set("security", Json::Bool(sa != nullptr))
      .Set("disposition", Json::Number(disposition))
      .Set("flags", Json::Number(flags))
      .Set("template", Json::Number(os::HandleValue(templateFile)));
}

Json AskIoctl(os::DWORD code, std::span<const uint8_t> in, os::DWORD outSize,
              std::optional<std::span<const uint8_t>> dataOut, size_t dataInLength, bool whole) {
  Json j = Json::Object();
  j.Set("code", Json::Number(code))
      .Set("in", BufferJson(in, whole))
      .Set("outSize", Json::Number(outSize));
  if (dataOut) j.Set("dataOut", BufferJson(*dataOut, whole));
  if (dataInLength) j.Set("dataInLength", Json::Number(dataInLength));
  return j;
}

Json AskWrite(std::span<const uint8_t> data, bool whole) {
  return Json::Object().Set("data", BufferJson(data, whole));
}

Json AskSeek(os::LONG distanceLow, const os::LONG* distanceHigh, os::DWORD moveMethod) {
  return Json::Object()
      .Set("low", Json::Signed(distanceLow))
      .Set("high", distanceHigh ? Json::Signed(*distanceHigh) : Json::Null())
      .Set("method", Json::Number(moveMethod));
}

Json AskAccess(os::DWORD access) { return Json::Object().Set("access", Json::Number(access)); }

Json AskLookupPrivilege(const char* systemName, const char* name) {
  return Json::Object().Set("system", OptionalText(systemName)).Set("name", OptionalText(name));
}

Json AskAdjustPrivileges(bool disableAll, const os::TOKEN_PRIVILEGES* newState,
                         os::DWORD bufferLength, bool wantsPrevious, bool wantsLength) {
  return Json::Object()
      .Set("disableAll", Json::Bool(disableAll))
      .Set("newState", RecordBytes(newState))
      .Set("bufferLength", Json::Number(bufferLength))
      .Set("previous", Json::Bool(wantsPrevious))
      .Set("returnLength", Json::Bool(wantsLength));
}

Json AskClassDevs(const os::GUID* classGuid, const char* enumerator, os::DWORD flags) {
  return Json::Object()
      .Set("class", RecordBytes(classGuid))
      .Set("enumerator", OptionalText(enumerator))
      .Set("flags", Json::Number(flags));
}

Json AskEnumDeviceInfo(os::DWORD index, const os::SP_DEVINFO_DATA* data) {
  return Json::Object().Set("index", Json::Number(index)).Set("data", RecordBytes(data));
}

Json AskEnumInterfaces(const os::SP_DEVINFO_DATA* devInfo, const os::GUID* interfaceClass,
                       os::DWORD index, const os::SP_DEVICE_INTERFACE_DATA* data) {
  return Json::Object()
      .Set("devInfo", RecordBytes(devInfo))
      .Set("class", RecordBytes(interfaceClass))
      .Set("index", Json::Number(index))
      .Set("data", RecordBytes(data));
}

Json AskInterfaceDetail(const os::SP_DEVICE_INTERFACE_DATA* data,
                        const os::SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail, os::DWORD detailSize,
                        bool wantsRequired, const os::SP_DEVINFO_DATA* devInfo) {
  return Json::Object()
      .Set("data", RecordBytes(data))
      .Set("detailCbSize", detail ? Json::Number(detail->cbSize) : Json::Null())
      .Set("detailSize", Json::Number(detailSize))
      .Set("required", Json::Bool(wantsRequired))
      .Set("devInfo", RecordBytes(devInfo));
}

Json AskInstanceId(const os::SP_DEVINFO_DATA* devInfo, os::DWORD bufferSize, bool hasBuffer,
                   bool wantsRequired) {
  return Json::Object()
      .Set("devInfo", RecordBytes(devInfo))
      .Set("bufferSize", Json::Number(bufferSize))
      .Set("buffer", Json::Bool(hasBuffer))
      .Set("required", Json::Bool(wantsRequired));
}

Json AskRegistryProperty(const os::SP_DEVINFO_DATA* devInfo, os::DWORD property, bool wantsType,
                         os::DWORD bufferSize, bool hasBuffer, bool wantsRequired) {
  return Json::Object()
      .Set("devInfo", RecordBytes(devInfo))
      .Set("property", Json::Number(property))
      .Set("type", Json::Bool(wantsType))
      .Set("bufferSize", Json::Number(bufferSize))
      .Set("buffer", Json::Bool(hasBuffer))
      .Set("required", Json::Bool(wantsRequired));
}

Json AskParent(os::DEVINST devInst, os::ULONG flags, bool hasParent) {
  return Json::Object()
      .Set("devInst", Json::Number(devInst))
      .Set("flags", Json::Number(flags))
      .Set("parent", Json::Bool(hasParent));
}

Json AskDevNodeProperty(os::DEVINST devInst, os::ULONG property, bool wantsType, bool hasBuffer,
                        const os::ULONG* length, os::ULONG flags) {
  return Json::Object()
      .Set("devInst", Json::Number(devInst))
      .Set("property", Json::Number(property))
      .Set("type", Json::Bool(wantsType))
      .Set("buffer", Json::Bool(hasBuffer))
      .Set("length", length ? Json::Number(*length) : Json::Null())
      .Set("flags", Json::Number(flags));
}

}  // namespace record
