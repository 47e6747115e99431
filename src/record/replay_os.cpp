#include "record/replay_os.h"

#include <cstdlib>
#include <cstring>
#include <iostream>

#include "record/buffer_field.h"
#include "record/call_asks.h"
#include "record/recording_format.h"

namespace record {
namespace {

std::string Describe(const std::string& call, std::optional<uint64_t> handle, const Json& ask) {
  std::string s = call;
  if (handle) s += " on handle " + std::to_string(*handle);
  const std::string text = WriteJson(ask);
  // A report line stays readable: a long buffer is cut.
  constexpr size_t kShown = 600;
  s += " " + (text.size() > kShown ? text.substr(0, kShown) + "..." : text);
  return s;
}

void DefaultDivergence(const std::string& report) {
  std::cout.flush();
  std::cerr << report;
  std::cerr.flush();
}

}  // namespace

ReplayOs::ReplayOs(Recording recording, std::string file, DivergenceHandler onDivergence)
    : recording_(std::move(recording)),
      file_(std::move(file)),
      onDivergence_(onDivergence ? std::move(onDivergence) : DefaultDivergence) {
  paths_.recordedHome = recording_.home;
  paths_.anonymized = recording_.anonymized;
  for (size_t i = 0; i < recording_.calls.size(); ++i) {
    const RecordedCall& c = recording_.calls[i];
    if (c.handle) byHandle_[*c.handle].push_back(i);
    else global_.push_back(i);
  }
}

void ReplayOs::Diverge(const std::string& report) {
  onDivergence_(report);
  std::_Exit(kExitReplayDiverged);
}

void ReplayOs::Malformed(const std::string& what) {
  const size_t line = current_ ? current_->line : 0;
  Diverge("ssdtools: the replay cannot go on: line " + std::to_string(line) + " of " + file_ +
          " " + what + "\n");
}

const Json& ReplayOs::Take(const char* call, std::optional<os::HANDLE> handle, const Json& ask) {
  std::optional<uint64_t> key;
  if (handle) key = os::HandleValue(*handle);
  std::deque<size_t>* queue = &global_;
  if (key) {
    auto it = byHandle_.find(*key);
    queue = it != byHandle_.end() ? &it->second : &noCalls_;
  }
  const std::string asked = "  the tool asked:     " + Describe(call, key, ask) + "\n";
  if (queue->empty()) {
    Diverge("ssdtools: the replay left the recording " + file_ + " after its last line (" +
            std::to_string(recording_.lines) + "):\n" + asked + "  the recording holds no " +
            (key ? "further call on this handle" : "further call") + "\n");
  }
  const RecordedCall& c = recording_.calls[queue->front()];
  if (c.call != call || c.handle != key || !AskMatches(c.ask, ask, paths_)) {
    std::string report = "ssdtools: the replay left the recording " + file_ + " at line " +
                         std::to_string(c.line) + ":\n" + asked +
                         "  the recording has:  " + Describe(c.call, c.handle, c.ask) + "\n";
    if (IsDestructive(call, ask))
      report += "  a request that changes the drive or the machine is answered only when it "
                "matches the recording exactly; it was not carried out\n";
    Diverge(report);
  }
  queue->pop_front();
  for (const std::string& line : c.backendTrace) Os::OutputDebugStringA(line);
  current_ = &c;
  ++answered_;
  SetLastError(static_cast<os::DWORD>(Number(c.answer, "error", UINT32_MAX)));
  return c.answer;
}

std::optional<std::string> ReplayOs::Unasked() const {
  size_t first = SIZE_MAX;
  size_t count = global_.size();
  if (!global_.empty()) first = global_.front();
  for (const auto& [h, q] : byHandle_) {
    count += q.size();
    if (!q.empty() && q.front() < first) first = q.front();
  }
  if (count == 0) return std::nullopt;
  const RecordedCall& c = recording_.calls[first];
  return "the run ended with " + std::to_string(count) + " recorded call" +
         (count == 1 ? "" : "s") + " not asked, the first at line " + std::to_string(c.line) +
         ": " + Describe(c.call, c.handle, c.ask);
}

bool ReplayOs::Has(const Json& answer, const char* key) const {
  const Json* v = answer.Find(key);
  return v != nullptr && v->kind != Json::Kind::kNull;
}

uint64_t ReplayOs::Number(const Json& answer, const char* key, uint64_t max) {
  const Json* v = answer.Find(key);
  if (!v || v->kind != Json::Kind::kNumber || v->negative || v->number > max)
    Malformed(std::string("has no valid \"") + key + "\" in its answer");
  return v->number;
}

int64_t ReplayOs::Signed(const Json& answer, const char* key) {
  const Json* v = answer.Find(key);
  if (!v || v->kind != Json::Kind::kNumber || v->number > uint64_t{INT32_MAX} + 1)
    Malformed(std::string("has no valid \"") + key + "\" in its answer");
  return v->negative ? -static_cast<int64_t>(v->number) : static_cast<int64_t>(v->number);
}

bool ReplayOs::Flag(const Json& answer, const char* key) {
  const Json* v = answer.Find(key);
  if (!v || v->kind != Json::Kind::kBool)
    Malformed(std::string("has no valid \"") + key + "\" in its answer");
  return v->flag;
}

std::string ReplayOs::Text(const Json& answer, const char* key) {
  const Json* v = answer.Find(key);
  if (!v || v->kind != Json::Kind::kString)
    Malformed(std::string("has no valid \"") + key + "\" in its answer");
  return v->text;
}

void ReplayOs::Fill(const Json& answer, const char* key, std::span<uint8_t> out) {
  const Json* v = answer.Find(key);
  if (!v || !FillBuffer(*v, out))
    Malformed(std::string("has no valid \"") + key + "\" buffer that fits the caller's");
}

template <typename T>
void ReplayOs::FillRecord(const Json& answer, const char* key, T* record) {
  if (record == nullptr || !Has(answer, key)) return;
  const Json* v = answer.Find(key);
  if (BufferLength(*v) != sizeof(T)) Malformed(std::string("has a \"") + key + "\" of bad size");
  Fill(answer, key, {reinterpret_cast<uint8_t*>(record), sizeof(T)});
}
template void ReplayOs::FillRecord(const Json&, const char*, os::SP_DEVINFO_DATA*);
template void ReplayOs::FillRecord(const Json&, const char*, os::SP_DEVICE_INTERFACE_DATA*);
template void ReplayOs::FillRecord(const Json&, const char*, os::TOKEN_PRIVILEGES*);
template void ReplayOs::FillRecord(const Json&, const char*, os::LUID*);
template void ReplayOs::FillRecord(const Json&, const char*, os::OSVERSIONINFOA*);

os::SYSTEMTIME ReplayOs::GetLocalTime() {
  const Json& a = Take("GetLocalTime", std::nullopt, Json::Object());
  os::SYSTEMTIME t{};
  const Json* v = a.Find("time");
  if (!v || BufferLength(*v) != sizeof(t)) Malformed("has no valid \"time\" in its answer");
  Fill(a, "time", {reinterpret_cast<uint8_t*>(&t), sizeof(t)});
  return t;
}

uint64_t ReplayOs::GetTickCount64() {
  return Number(Take("GetTickCount64", std::nullopt, Json::Object()), "ms", UINT64_MAX);
}

void ReplayOs::Sleep(os::DWORD ms) { Take("Sleep", std::nullopt, AskSleep(ms)); }

os::UINT ReplayOs::WinExec(const std::string& commandLine, os::UINT show) {
  return static_cast<os::UINT>(
      Number(Take("WinExec", std::nullopt, AskCommand(commandLine, show)), "result", UINT32_MAX));
}

bool ReplayOs::CreateProcessA(const std::string& commandLine, os::UINT show,
                              os::PROCESS_INFORMATION* info) {
  const Json& a = Take("CreateProcessA", std::nullopt, AskCommand(commandLine, show));
  const bool ok = Flag(a, "ok");
  if (ok && info && Has(a, "process")) {
    info->hProcess = os::HandleFromValue(Number(a, "process", UINTPTR_MAX));
    info->hThread = os::HandleFromValue(Number(a, "thread", UINTPTR_MAX));
    info->dwProcessId = static_cast<os::DWORD>(Number(a, "processId", UINT32_MAX));
    info->dwThreadId = static_cast<os::DWORD>(Number(a, "threadId", UINT32_MAX));
  }
  return ok;
}

os::DWORD ReplayOs::WaitForSingleObject(os::HANDLE handle, os::DWORD ms) {
  return static_cast<os::DWORD>(
      Number(Take("WaitForSingleObject", handle, AskWait(ms)), "result", UINT32_MAX));
}

bool ReplayOs::GetExitCodeProcess(os::HANDLE process, os::DWORD* exitCode) {
  const Json& a = Take("GetExitCodeProcess", process, Json::Object());
  if (exitCode && Has(a, "exitCode"))
    *exitCode = static_cast<os::DWORD>(Number(a, "exitCode", UINT32_MAX));
  return Flag(a, "ok");
}

bool ReplayOs::FileExists(const std::string& path) {
  return Flag(Take("FileExists", std::nullopt, AskPath(path)), "ok");
}

bool ReplayOs::DeleteFileA(const std::string& path) {
  return Flag(Take("DeleteFileA", std::nullopt, AskPath(path)), "ok");
}

bool ReplayOs::GetVersionExA(os::OSVERSIONINFOA* info) {
  const Json& a =
      Take("GetVersionExA", std::nullopt, AskSize(info ? info->dwOSVersionInfoSize : 0));
  FillRecord(a, "info", info);
  return Flag(a, "ok");
}

os::DWORD ReplayOs::GetLogicalDrives() {
  return static_cast<os::DWORD>(
      Number(Take("GetLogicalDrives", std::nullopt, Json::Object()), "mask", UINT32_MAX));
}

os::UINT ReplayOs::GetSystemDirectoryA(char* buffer, os::UINT size) {
  const Json& a = Take("GetSystemDirectoryA", std::nullopt, AskSize(buffer ? size : 0));
  const auto r = static_cast<os::UINT>(Number(a, "result", UINT32_MAX));
  if (buffer && r > 0 && r < size) {
    const std::string text = Text(a, "text");
    if (text.size() != r) Malformed("has a system folder of another length than its result");
    std::memcpy(buffer, text.data(), r);
    buffer[r] = '\0';
  }
  return r;
}

std::string ReplayOs::VolumeUseText(char letter, int diskNumber) {
  return Text(Take("VolumeUseText", std::nullopt, AskVolumeUse(letter, diskNumber)), "text");
}

os::HANDLE ReplayOs::GetCurrentProcess() {
  return os::HandleFromValue(
      Number(Take("GetCurrentProcess", std::nullopt, Json::Object()), "handle", UINTPTR_MAX));
}

bool ReplayOs::OpenProcessToken(os::HANDLE process, os::DWORD access, os::HANDLE* token) {
  const Json& a = Take("OpenProcessToken", process, AskAccess(access));
  if (token && Has(a, "token")) *token = os::HandleFromValue(Number(a, "token", UINTPTR_MAX));
  return Flag(a, "ok");
}

bool ReplayOs::LookupPrivilegeValueA(const char* systemName, const char* name, os::LUID* luid) {
  const Json& a =
      Take("LookupPrivilegeValueA", std::nullopt, AskLookupPrivilege(systemName, name));
  FillRecord(a, "luid", luid);
  return Flag(a, "ok");
}

bool ReplayOs::AdjustTokenPrivileges(os::HANDLE token, bool disableAll,
                                     os::TOKEN_PRIVILEGES* newState, os::DWORD bufferLength,
                                     os::TOKEN_PRIVILEGES* previousState,
                                     os::DWORD* returnLength) {
  const Json& a = Take("AdjustTokenPrivileges", token,
                       AskAdjustPrivileges(disableAll, newState, bufferLength,
                                           previousState != nullptr, returnLength != nullptr));
  FillRecord(a, "previous", previousState);
  if (returnLength && Has(a, "returnLength"))
    *returnLength = static_cast<os::DWORD>(Number(a, "returnLength", UINT32_MAX));
  return Flag(a, "ok");
}

}  // namespace record
