#include "record/recording_os.h"

#include <cstring>
#include <vector>

#include "record/buffer_field.h"
#include "record/call_asks.h"
#include "record/hex.h"
#include "record/recording_format.h"

namespace record {
namespace {

// Ask members that hold a text a user could be recognised by.
bool IsTextMember(const std::string& key) {
  return key == "path" || key == "command" || key == "name" || key == "enumerator";
}

}  // namespace

RecordingOs::RecordingOs(std::unique_ptr<os::Os> inner, std::unique_ptr<RecordingWriter> writer,
                         RecordOptions options, std::unique_ptr<Anonymizer> anonymizer)
    : inner_(std::move(inner)),
      writer_(std::move(writer)),
      options_(options),
      anonymizer_(std::move(anonymizer)) {
  inner_->Trace().SetCapture(true);
}

RecordingOs::~RecordingOs() = default;

std::string RecordingOs::Text(std::string text) {
  return anonymizer_ ? anonymizer_->ScrubText(std::move(text)) : text;
}

Json RecordingOs::Reply(std::span<const uint8_t> bytes, bool bounded) {
  if (!anonymizer_) return BufferJson(bytes, options_.wholeData || !bounded);
  std::vector<uint8_t> copy(bytes.begin(), bytes.end());
  anonymizer_->ScrubReply(copy);
  return BufferJson(copy, options_.wholeData || !bounded);
}

void RecordingOs::Write(const char* call, std::optional<os::HANDLE> handle, Json ask,
                        Json answer) {
  SetLastError(inner_->GetLastError());
  DrainInnerTrace();
  if (anonymizer_) {
    for (auto& [key, value] : ask.members)
      if (value.kind == Json::Kind::kString && IsTextMember(key))
        value.text = anonymizer_->ScrubText(std::move(value.text));
  }
  answer.Set("error", Json::Number(GetLastError()));
  Json line = Json::Object();
  line.Set("seq", Json::Number(++sequence_)).Set("call", Json::String(call));
  if (handle) line.Set("handle", Json::Number(os::HandleValue(*handle)));
  line.Set("ask", std::move(ask)).Set("answer", std::move(answer));
  writer_->WriteLine(line);
}

void RecordingOs::DrainInnerTrace() {
  auto& sink = inner_->Trace();
  if (sink.Captured().empty()) return;
  const std::vector<std::string> lines = sink.Captured();
  sink.ClearCaptured();
  for (const std::string& l : lines) WriteTrace(l, true);
}

void RecordingOs::OutputDebugStringA(const std::string& text) { WriteTrace(text, false); }

void RecordingOs::WriteTrace(const std::string& text, bool backend) {
  Os::OutputDebugStringA(text);
  Json ask = Json::Object().Set("text", Json::String(Text(text)));
  // The backend's own lines are not the tool's: a replay shows them again.
  if (backend) ask.Set("backend", Json::Bool(true));
  Json line = Json::Object();
  line.Set("seq", Json::Number(++sequence_))
      .Set("call", Json::String(kTraceCall))
      .Set("ask", std::move(ask))
      .Set("answer", Json::Object());
  writer_->WriteLine(line);
}

os::SYSTEMTIME RecordingOs::GetLocalTime() {
  const os::SYSTEMTIME t = inner_->GetLocalTime();
  Write("GetLocalTime", std::nullopt, Json::Object(),
        Json::Object().Set("time", Json::String(ToHex({reinterpret_cast<const uint8_t*>(&t),
                                                        sizeof(t)}))));
  return t;
}

uint64_t RecordingOs::GetTickCount64() {
  const uint64_t t = inner_->GetTickCount64();
  Write("GetTickCount64", std::nullopt, Json::Object(), Json::Object().Set("ms", Json::Number(t)));
  return t;
}

void RecordingOs::Sleep(os::DWORD ms) {
  inner_->Sleep(ms);
  Write("Sleep", std::nullopt, AskSleep(ms), Json::Object());
}

os::UINT RecordingOs::WinExec(const std::string& commandLine, os::UINT showCommand) {
  const os::UINT r = inner_->WinExec(commandLine, showCommand);
  Write("WinExec", std::nullopt, AskCommand(commandLine, showCommand),
        Json::Object().Set("result", Json::Number(r)));
  return r;
}

bool RecordingOs::CreateProcessA(const std::string& commandLine, os::UINT showCommand,
                                 os::PROCESS_INFORMATION* info) {
  const bool ok = inner_->CreateProcessA(commandLine, showCommand, info);
  Json answer = Json::Object().Set("ok", Json::Bool(ok));
  if (ok && info) {
    answer.Set("process", Json::Number(os::HandleValue(info->hProcess)))
        .Set("thread", Json::Number(os::HandleValue(info->hThread)))
        .Set("processId", Json::Number(info->dwProcessId))
        .Set("threadId", Json::Number(info->dwThreadId));
  }
  Write("CreateProcessA", std::nullopt, AskCommand(commandLine, showCommand), std::move(answer));
  return ok;
}

os::DWORD RecordingOs::WaitForSingleObject(os::HANDLE handle, os::DWORD ms) {
  const os::DWORD r = inner_->WaitForSingleObject(handle, ms);
  Write("WaitForSingleObject", handle, AskWait(ms), Json::Object().Set("result", Json::Number(r)));
  return r;
}

bool RecordingOs::GetExitCodeProcess(os::HANDLE process, os::DWORD* exitCode) {
  const bool ok = inner_->GetExitCodeProcess(process, exitCode);
  Json answer = Json::Object().Set("ok", Json::Bool(ok));
  if (exitCode) answer.Set("exitCode", Json::Number(*exitCode));
  Write("GetExitCodeProcess", process, Json::Object(), std::move(answer));
  return ok;
}

bool RecordingOs::FileExists(const std::string& path) {
  const bool ok = inner_->FileExists(path);
  Write("FileExists", std::nullopt, AskPath(path), Json::Object().Set("ok", Json::Bool(ok)));
  return ok;
}

bool RecordingOs::DeleteFileA(const std::string& path) {
  const bool ok = inner_->DeleteFileA(path);
  Write("DeleteFileA", std::nullopt, AskPath(path), Json::Object().Set("ok", Json::Bool(ok)));
  return ok;
}

bool RecordingOs::GetVersionExA(os::OSVERSIONINFOA* info) {
  const os::DWORD size = info ? info->dwOSVersionInfoSize : 0;
  const bool ok = inner_->GetVersionExA(info);
  Json answer = Json::Object().Set("ok", Json::Bool(ok));
  if (info) answer.Set("info", Reply({reinterpret_cast<const uint8_t*>(info), sizeof(*info)}, false));
  Write("GetVersionExA", std::nullopt, AskSize(size), std::move(answer));
  return ok;
}

os::DWORD RecordingOs::GetLogicalDrives() {
  const os::DWORD mask = inner_->GetLogicalDrives();
  Write("GetLogicalDrives", std::nullopt, Json::Object(),
        Json::Object().Set("mask", Json::Number(mask)));
  return mask;
}

os::UINT RecordingOs::GetSystemDirectoryA(char* buffer, os::UINT size) {
  const os::UINT r = inner_->GetSystemDirectoryA(buffer, size);
  Json answer = Json::Object().Set("result", Json::Number(r));
  if (buffer && r > 0 && r < size) answer.Set("text", Json::String(Text(std::string(buffer, r))));
  Write("GetSystemDirectoryA", std::nullopt, AskSize(buffer ? size : 0), std::move(answer));
  return r;
}

std::string RecordingOs::VolumeUseText(char letter, int diskNumber) {
  std::string text = inner_->VolumeUseText(letter, diskNumber);
  Write("VolumeUseText", std::nullopt, AskVolumeUse(letter, diskNumber),
        Json::Object().Set("text", Json::String(Text(text))));
  return text;
}

os::HANDLE RecordingOs::GetCurrentProcess() {
  const os::HANDLE h = inner_->GetCurrentProcess();
  Write("GetCurrentProcess", std::nullopt, Json::Object(),
        Json::Object().Set("handle", Json::Number(os::HandleValue(h))));
  return h;
}

bool RecordingOs::OpenProcessToken(os::HANDLE process, os::DWORD access, os::HANDLE* token) {
  const bool ok = inner_->OpenProcessToken(process, access, token);
  Json answer = Json::Object().Set("ok", Json::Bool(ok));
  if (token) answer.Set("token", Json::Number(os::HandleValue(*token)));
  Write("OpenProcessToken", process, AskAccess(access), std::move(answer));
  return ok;
}

bool RecordingOs::LookupPrivilegeValueA(const char* systemName, const char* name, os::LUID* luid) {
  const bool ok = inner_->LookupPrivilegeValueA(systemName, name, luid);
  Json answer = Json::Object().Set("ok", Json::Bool(ok));
  if (luid) answer.Set("luid", RecordBytes(luid));
  Write("LookupPrivilegeValueA", std::nullopt, AskLookupPrivilege(systemName, name),
        std::move(answer));
  return ok;
}

bool RecordingOs::AdjustTokenPrivileges(os::HANDLE token, bool disableAll,
                                        os::TOKEN_PRIVILEGES* newState, os::DWORD bufferLength,
                                        os::TOKEN_PRIVILEGES* previousState,
                                        os::DWORD* returnLength) {
  Json ask = AskAdjustPrivileges(disableAll, newState, bufferLength, previousState != nullptr,
                                 returnLength != nullptr);
  const bool ok = inner_->AdjustTokenPrivileges(token, disableAll, newState, bufferLength,
                                                previousState, returnLength);
  Json answer = Json::Object().Set("ok", Json::Bool(ok));
  if (previousState) answer.Set("previous", RecordBytes(previousState));
  if (returnLength) answer.Set("returnLength", Json::Number(*returnLength));
  Write("AdjustTokenPrivileges", token, std::move(ask), std::move(answer));
  return ok;
}

}  // namespace record
