#pragma once
// What the tool asked in each call through os::Os, as the "ask" object of a
// recording line. The recorder and the replay build it with the same
// functions, so a replay compares like with like. Buffers the tool hands in
// are kept whole (`whole`) or, above the bound, as length and digest.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/os.h"
#include "record/json_value.h"

namespace record {

// Bytes of a record the caller passed, or null when the pointer was null.
template <typename T>
Json RecordBytes(const T* value);
Json OptionalText(const char* text);

Json AskSleep(os::DWORD milliseconds);
Json AskCommand(const std::string& commandLine, os::UINT showCommand);
Json AskWait(os::DWORD milliseconds);
Json AskPath(const std::string& path);
Json AskSize(uint64_t size);
Json AskVolumeUse(char letter, int diskNumber);
Json AskCreateFile(const std::string& name, os::DWORD access, os::DWORD share,
                   const os::SECURITY_ATTRIBUTES* sa, os::DWORD disposition, os::DWORD flags,
                   os::HANDLE templateFile);
// `in`: the request block with any data pointer cleared; `dataOut`: the bytes
// a direct request carries to the device.
Json AskIoctl(os::DWORD code, std::span<const uint8_t> in, os::DWORD outSize,
              std::optional<std::span<const uint8_t>> dataOut, size_t dataInLength, bool whole);
Json AskWrite(std::span<const uint8_t> data, bool whole);
Json AskSeek(os::LONG distanceLow, const os::LONG* distanceHigh, os::DWORD moveMethod);
Json AskAccess(os::DWORD access);
Json AskLookupPrivilege(const char* systemName, const char* name);
Json AskAdjustPrivileges(bool disableAll, const os::TOKEN_PRIVILEGES* newState,
                         os::DWORD bufferLength, bool wantsPrevious, bool wantsLength);
Json AskClassDevs(const os::GUID* classGuid, const char* enumerator, os::DWORD flags);
Json AskEnumDeviceInfo(os::DWORD index, const os::SP_DEVINFO_DATA* data);
Json AskEnumInterfaces(const os::SP_DEVINFO_DATA* devInfo, const os::GUID* interfaceClass,
                       os::DWORD index, const os::SP_DEVICE_INTERFACE_DATA* data);
Json AskInterfaceDetail(const os::SP_DEVICE_INTERFACE_DATA* data,
                        const os::SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail, os::DWORD detailSize,
                        bool wantsRequired, const os::SP_DEVINFO_DATA* devInfo);
Json AskInstanceId(const os::SP_DEVINFO_DATA* devInfo, os::DWORD bufferSize, bool hasBuffer,
                   bool wantsRequired);
Json AskRegistryProperty(const os::SP_DEVINFO_DATA* devInfo, os::DWORD property, bool wantsType,
                         os::DWORD bufferSize, bool hasBuffer, bool wantsRequired);
Json AskParent(os::DEVINST devInst, os::ULONG flags, bool hasParent);
Json AskDevNodeProperty(os::DEVINST devInst, os::ULONG property, bool wantsType, bool hasBuffer,
                        const os::ULONG* length, os::ULONG flags);

}  // namespace record
