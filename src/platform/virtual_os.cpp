#include "platform/virtual_os.h"

#include <algorithm>

#include "common/text.h"

namespace os {
namespace {

// "C:\Tools\DiskPart.exe /s x" -> "DISKPART".
std::string ProgramName(const std::string& commandLine) {
  std::string program = common::Trim(commandLine);
  program = program.substr(0, program.find(' '));
  const size_t slash = program.find_last_of("\\/");
  if (slash != std::string::npos) program = program.substr(slash + 1);
  program = common::ToUpper(program);
  if (program.size() > 4 && program.compare(program.size() - 4, 4, ".EXE") == 0) {
    program.resize(program.size() - 4);
  }
  return program;
}

}  // namespace

UINT VirtualOs::WinExec(const std::string& commandLine, UINT /*showCommand*/) {
  const std::string program = commandLine.substr(0, commandLine.find(' '));
  if (!FileExists(program)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return ERROR_FILE_NOT_FOUND;
  }
  started_.push_back(commandLine);
  return 33;
}

bool VirtualOs::CreateProcessA(const std::string& commandLine, UINT showCommand,
                               PROCESS_INFORMATION* info) {
  if (info == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  *info = PROCESS_INFORMATION{};
  if (WinExec(commandLine, showCommand) <= 31) return false;  // the error is set
  if (nextProcess_ >= kProcessHandleEnd) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  const uintptr_t value = nextProcess_;
  nextProcess_ += 4;
  Process p;
  p.program = ProgramName(commandLine);
  p.startedAt = clock_.ElapsedMs();
  processes_[value] = p;
  info->hProcess = HandleFromValue(value);
  info->hThread = nullptr;
  info->dwProcessId = static_cast<DWORD>((value - kProcessHandleBase) / 4 + 1000);
  SetProcessOutcome(info->hProcess, 0, 0);
  return true;
}

void VirtualOs::SetProcessOutcome(HANDLE process, uint64_t runMs, DWORD exitCode) {
  Process* p = FindProcess(process);
  if (p == nullptr) return;
  const auto it = behaviours_.find(p->program);
  p->runMs = it != behaviours_.end() ? it->second.runMs : runMs;
  p->exitCode = it != behaviours_.end() ? it->second.exitCode : exitCode;
}

void VirtualOs::SetProcessBehaviour(const std::string& program, uint64_t runMs, DWORD exitCode) {
  behaviours_[ProgramName(program)] = Behaviour{runMs, exitCode};
}

VirtualOs::Process* VirtualOs::FindProcess(HANDLE handle) {
  const auto it = processes_.find(HandleValue(handle));
  return it == processes_.end() ? nullptr : &it->second;
}

DWORD VirtualOs::WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  Process* p = FindProcess(handle);
  if (p == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  const uint64_t now = clock_.ElapsedMs();
  if (p->Ended(now)) return WAIT_OBJECT_0;
  if (p->runMs == kNeverEnds && milliseconds == INFINITE) {
    // Nothing could ever wake this wait on a virtual clock.
    SetLastError(ERROR_POSSIBLE_DEADLOCK);
    return WAIT_FAILED;
  }
  const uint64_t left = p->runMs == kNeverEnds ? UINT64_MAX : p->startedAt + p->runMs - now;
  const uint64_t wait = milliseconds == INFINITE ? left : std::min<uint64_t>(left, milliseconds);
  clock_.Advance(wait);
  return p->Ended(clock_.ElapsedMs()) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

bool VirtualOs::GetExitCodeProcess(HANDLE process, DWORD* exitCode) {
  Process* p = FindProcess(process);
  if (p == nullptr || exitCode == nullptr) {
    SetLastError(p == nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
    return false;
  }
  *exitCode = p->Ended(clock_.ElapsedMs()) ? p->exitCode : STILL_ACTIVE;
  return true;
}

bool VirtualOs::CloseHandle(HANDLE handle) {
  if (processes_.erase(HandleValue(handle)) > 0) return true;
  return HostOs::CloseHandle(handle);
}

}  // namespace os
