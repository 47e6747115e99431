// Handles, device requests and raw transfers of the recording decorator.
#include <cstring>
#include <vector>

#include "platform/request_buffer.h"
#include "record/buffer_field.h"
#include "record/call_asks.h"
#include "record/direct_data.h"
#include "record/recording_os.h"

namespace record {

os::HANDLE RecordingOs::CreateFileA(const std::string& fileName, os::DWORD access,
                                    os::DWORD share, os::SECURITY_ATTRIBUTES* sa,
                                    os::DWORD disposition, os::DWORD flags,
                                    os::HANDLE templateFile) {
  const os::HANDLE h =
      inner_->CreateFileA(fileName, access, share, sa, disposition, flags, templateFile);
  Write("CreateFileA", std::nullopt,
        AskCreateFile(fileName, access, share, sa, disposition, flags, templateFile),
        Json::Object().Set("handle", Json::Number(os::HandleValue(h))));
  return h;
}

bool RecordingOs::CloseHandle(os::HANDLE handle) {
  const bool ok = inner_->CloseHandle(handle);
  Write("CloseHandle", handle, Json::Object(), Json::Object().Set("ok", Json::Bool(ok)));
  return ok;
}

bool RecordingOs::DeviceIoControl(os::HANDLE device, os::DWORD code, void* inBuffer,
                                  os::DWORD inSize, void* outBuffer, os::DWORD outSize,
                                  os::DWORD* bytesReturned) {
  // The request as it goes in: the block without the caller's pointer, and
  // the data a direct request carries to the device.
  std::vector<uint8_t> in;
  if (inBuffer && inSize) in.assign(static_cast<uint8_t*>(inBuffer),
                                    static_cast<uint8_t*>(inBuffer) + inSize);
  const auto direct = DirectDataOf(code, inBuffer, inSize);
  std::optional<std::vector<uint8_t>> dataOut;
  size_t dataInLength = 0;
  if (direct) {
    ClearPointer(in, direct->pointerOffset);
    if (direct->toDevice) dataOut.emplace(direct->buffer, direct->buffer + direct->length);
    if (direct->fromDevice) dataInLength = direct->length;
  }
  Json ask = AskIoctl(code, in, outSize,
                      dataOut ? std::optional<std::span<const uint8_t>>(*dataOut) : std::nullopt,
                      dataInLength, options_.wholeData);

  const bool ok =
      inner_->DeviceIoControl(device, code, inBuffer, inSize, outBuffer, outSize, bytesReturned);

  Json answer = Json::Object().Set("ok", Json::Bool(ok));
  if (bytesReturned) answer.Set("returned", Json::Number(*bytesReturned));
  if (outBuffer && outSize) {
    std::vector<uint8_t> out(static_cast<uint8_t*>(outBuffer),
                             static_cast<uint8_t*>(outBuffer) + outSize);
    if (direct) ClearPointer(out, direct->pointerOffset);
    if (anonymizer_) anonymizer_->ScrubReply(out);
    answer.Set("out", BufferJson(WithoutZeroTail(out), true));
  }
  if (direct && direct->fromDevice)
    answer.Set("dataIn", Reply({direct->buffer, direct->length}, true));
  Write("DeviceIoControl", device, std::move(ask), std::move(answer));
  return ok;
}

bool RecordingOs::ReadFile(os::HANDLE file, void* buffer, os::DWORD bytesToRead,
                           os::DWORD* bytesRead) {
  os::DWORD got = 0;
  const bool ok = inner_->ReadFile(file, buffer, bytesToRead, &got);
  if (bytesRead) *bytesRead = got;
  Json answer = Json::Object().Set("ok", Json::Bool(ok)).Set("read", Json::Number(got));
  if (buffer && got > 0 && got <= bytesToRead)
    answer.Set("data", Reply({static_cast<const uint8_t*>(buffer), got}, true));
  Write("ReadFile", file, AskSize(bytesToRead), std::move(answer));
  return ok;
}

bool RecordingOs::WriteFile(os::HANDLE file, const void* buffer, os::DWORD bytesToWrite,
                            os::DWORD* bytesWritten) {
  Json ask = AskWrite(os::BytesOf(buffer, buffer ? bytesToWrite : 0), options_.wholeData);
  os::DWORD put = 0;
  const bool ok = inner_->WriteFile(file, buffer, bytesToWrite, &put);
  if (bytesWritten) *bytesWritten = put;
  Write("WriteFile", file, std::move(ask),
        Json::Object().Set("ok", Json::Bool(ok)).Set("written", Json::Number(put)));
  return ok;
}

os::DWORD RecordingOs::SetFilePointer(os::HANDLE file, os::LONG distanceLow,
                                      os::LONG* distanceHigh, os::DWORD moveMethod) {
  Json ask = AskSeek(distanceLow, distanceHigh, moveMethod);
  const os::DWORD r = inner_->SetFilePointer(file, distanceLow, distanceHigh, moveMethod);
  Json answer = Json::Object().Set("result", Json::Number(r));
  if (distanceHigh) answer.Set("high", Json::Signed(*distanceHigh));
  Write("SetFilePointer", file, std::move(ask), std::move(answer));
  return r;
}

}  // namespace record
