// Handles, device requests and raw transfers answered from a recording.
#include <cstring>
#include <vector>

#include "platform/request_buffer.h"
#include "record/buffer_field.h"
#include "record/call_asks.h"
#include "record/direct_data.h"
#include "record/recording_format.h"
#include "record/replay_os.h"

namespace record {

os::HANDLE ReplayOs::CreateFileA(const std::string& fileName, os::DWORD access, os::DWORD share,
                                 os::SECURITY_ATTRIBUTES* sa, os::DWORD disposition,
                                 os::DWORD flags, os::HANDLE templateFile) {
  const Json& a =
      Take("CreateFileA", std::nullopt,
           AskCreateFile(fileName, access, share, sa, disposition, flags, templateFile));
  return os::HandleFromValue(Number(a, "handle", UINTPTR_MAX));
}

bool ReplayOs::CloseHandle(os::HANDLE handle) {
  return Flag(Take("CloseHandle", handle, Json::Object()), "ok");
}

bool ReplayOs::DeviceIoControl(os::HANDLE device, os::DWORD code, void* inBuffer,
                               os::DWORD inSize, void* outBuffer, os::DWORD outSize,
                               os::DWORD* bytesReturned) {
  std::vector<uint8_t> in;
  if (inBuffer && inSize) in.assign(static_cast<uint8_t*>(inBuffer),
                                    static_cast<uint8_t*>(inBuffer) + inSize);
  const auto direct = DirectDataOf(code, inBuffer, inSize);
  std::optional<std::span<const uint8_t>> dataOut;
  size_t dataInLength = 0;
  if (direct) {
    ClearPointer(in, direct->pointerOffset);
    if (direct->toDevice) dataOut = std::span<const uint8_t>(direct->buffer, direct->length);
    if (direct->fromDevice) dataInLength = direct->length;
  }
  const Json& a =
      Take("DeviceIoControl", device, AskIoctl(code, in, outSize, dataOut, dataInLength, true));
  if (outBuffer && outSize && Has(a, "out")) {
    std::span<uint8_t> out(static_cast<uint8_t*>(outBuffer), outSize);
    const size_t length = BufferLength(*a.Find("out"));
    if (length > out.size()) Malformed("has a reply longer than the caller's buffer");
    Fill(a, "out", out);
    std::memset(out.data() + length, 0, out.size() - length);
    // The block the caller gets back still points at its own data.
    if (direct) RestorePointer(out, direct->pointerOffset, direct->buffer);
  }
  if (direct && direct->fromDevice && Has(a, "dataIn"))
    Fill(a, "dataIn", {direct->buffer, direct->length});
  if (bytesReturned && Has(a, "returned"))
    *bytesReturned = static_cast<os::DWORD>(Number(a, "returned", UINT32_MAX));
  return Flag(a, "ok");
}

bool ReplayOs::ReadFile(os::HANDLE file, void* buffer, os::DWORD bytesToRead,
                        os::DWORD* bytesRead) {
  const Json& a = Take("ReadFile", file, AskSize(bytesToRead));
  const auto got = static_cast<os::DWORD>(Number(a, "read", bytesToRead));
  if (buffer && got > 0) Fill(a, "data", {static_cast<uint8_t*>(buffer), got});
  if (bytesRead) *bytesRead = got;
  return Flag(a, "ok");
}

bool ReplayOs::WriteFile(os::HANDLE file, const void* buffer, os::DWORD bytesToWrite,
                         os::DWORD* bytesWritten) {
  const Json& a =
      Take("WriteFile", file, AskWrite(os::BytesOf(buffer, buffer ? bytesToWrite : 0), true));
  const auto put = static_cast<os::DWORD>(Number(a, "written", bytesToWrite));
  if (bytesWritten) *bytesWritten = put;
  return Flag(a, "ok");
}

os::DWORD ReplayOs::SetFilePointer(os::HANDLE file, os::LONG distanceLow, os::LONG* distanceHigh,
                                   os::DWORD moveMethod) {
  const Json& a = Take("SetFilePointer", file, AskSeek(distanceLow, distanceHigh, moveMethod));
  if (distanceHigh && Has(a, "high")) *distanceHigh = static_cast<os::LONG>(Signed(a, "high"));
  return static_cast<os::DWORD>(Number(a, "result", UINT32_MAX));
}

}  // namespace record
