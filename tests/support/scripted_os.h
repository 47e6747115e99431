#pragma once
// A scripted operating system for exact-bytes tests: an ordered list of the
// calls a test expects, each with a canned reply. A call that does not match
// the next entry, or one past the end, fails the test; so does an entry left
// unused when the double is destroyed, and a held handle (ExpectClosedAtEnd)
// that was never closed. Clock and sleep are virtual; the
// system facts (version, system folder, drive letters) are plain settings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/virtual_os.h"

namespace testsupport {

// One call as the double saw it. Which fields mean something depends on api.
struct OsCall {
  std::string api;
  std::string text;    // CreateFileA path, privilege name
  os::DWORD code = 0;  // control code, access mask, property, member index, move method
  os::HANDLE handle = nullptr;
  os::DWORD share = 0, disposition = 0, flags = 0;  // CreateFileA
  os::DWORD devInst = 0;                            // CM_* calls
  int64_t offset = 0;                               // SetFilePointer distance
  const os::GUID* guid = nullptr;
  // The spans point into the caller's buffers: valid only during the call.
  std::span<uint8_t> in;    // request bytes
  std::span<uint8_t> out;   // buffer the reply goes into
  void* inPtr = nullptr;    // the raw input pointer (DeviceIoControl)
  os::DWORD outLength = 0;  // bytes written into out by the reply
};

class ScriptedOs;

// One expected call and its reply. By default the call succeeds and copies
// `reply` into the output buffer.
struct Step {
  std::string api;
  std::optional<os::DWORD> code;
  std::optional<std::string> text;
  std::optional<os::HANDLE> handle;
  std::function<void(const OsCall&)> check;
  std::function<bool(OsCall&)> respond;  // replaces the default reply
  bool ok = true;
  os::DWORD error = 0;
  std::vector<uint8_t> reply;
  os::HANDLE result = nullptr;  // CreateFileA, SetupDiGetClassDevsA, OpenProcessToken
  os::DWORD value = 0;          // DevInst, parent, file pointer low part
  std::string replyText;        // interface path, instance id

  Step& On(os::HANDLE h) {
    handle = h;
    return *this;
  }
  Step& Check(std::function<void(const OsCall&)> f) {
    check = std::move(f);
    return *this;
  }
  Step& Respond(std::function<bool(OsCall&)> f) {
    respond = std::move(f);
    return *this;
  }
  Step& Reply(std::vector<uint8_t> bytes) {
    reply = std::move(bytes);
    return *this;
  }
  Step& Fail(os::DWORD err) {
    ok = false;
    error = err;
    return *this;
  }
  Step& Returns(os::HANDLE h) {
    result = h;
    return *this;
  }
  Step& Value(os::DWORD v) {
    value = v;
    return *this;
  }
  Step& Text(std::string t) {
    replyText = std::move(t);
    return *this;
  }
};

class ScriptedOs : public os::VirtualOs {
 public:
  ~ScriptedOs() override {
    VerifyDone();
    for (os::HANDLE h : held_)
      ADD_FAILURE() << "held handle never closed: "
                    << Hex(static_cast<os::DWORD>(os::HandleValue(h)));
  }

  // --- Settings for the unscripted system facts ---
  os::DWORD majorVersion = 6;
  os::DWORD logicalDrives = 0;
  std::string systemDirectory = "C:\\Windows\\system32";

  // --- The script ---
  Step& Expect(std::string api) {
    steps_.push_back(Step{});
    steps_.back().api = std::move(api);
    return steps_.back();
  }
  Step& ExpectOpen(std::string path, os::HANDLE result) {
    Step& s = Expect("CreateFileA");
    s.text = std::move(path);
    s.result = result;
    return s;
  }
  Step& ExpectClose(os::HANDLE h) { return Expect("CloseHandle").On(h); }
  // A handle the code under test holds beyond the script (a drive the test
  // starts with open): it must be closed exactly once, by a scripted close or
  // after the whole script has run (by its owner's destructor, say).
  void ExpectClosedAtEnd(os::HANDLE h) {
    if (std::find(held_.begin(), held_.end(), h) == held_.end()) held_.push_back(h);
  }
  Step& ExpectIoctl(os::DWORD code) {
    Step& s = Expect("DeviceIoControl");
    s.code = code;
    return s;
  }

  // Every call seen, in order (also the ones that failed to match).
  const std::vector<OsCall>& Calls() const { return calls_; }
  size_t Remaining() const { return steps_.size(); }
  void VerifyDone() {
    for (const Step& s : steps_)
      ADD_FAILURE() << "scripted call never made: " << s.api
                    << (s.code ? " code " + Hex(*s.code) : std::string())
                    << (s.text ? " " + *s.text : std::string());
    steps_.clear();
  }
  static os::HANDLE H(uintptr_t v) { return os::HandleFromValue(v); }

  // --- Unscripted facts ---
  bool GetVersionExA(os::OSVERSIONINFOA* info) override {
    if (!os::Os::GetVersionExA(info)) return false;
    info->dwMajorVersion = majorVersion;
    return true;
  }
  os::DWORD GetLogicalDrives() override { return logicalDrives; }
  os::UINT GetSystemDirectoryA(char* buffer, os::UINT size) override {
    if (buffer == nullptr || size <= systemDirectory.size())
      return static_cast<os::UINT>(systemDirectory.size() + 1);
    std::memcpy(buffer, systemDirectory.c_str(), systemDirectory.size() + 1);
    return static_cast<os::UINT>(systemDirectory.size());
  }

  // --- Scripted calls ---
  os::HANDLE CreateFileA(const std::string& fileName, os::DWORD access, os::DWORD share,
                         os::SECURITY_ATTRIBUTES*, os::DWORD disposition, os::DWORD flags,
                         os::HANDLE) override {
    OsCall c;
    c.api = "CreateFileA";
    c.text = fileName;
    c.code = access;
    c.share = share;
    c.disposition = disposition;
    c.flags = flags;
    Step* s = Next(c);
    if (s == nullptr) return os::INVALID_HANDLE_VALUE;
    if (!Finish(*s, c)) return os::INVALID_HANDLE_VALUE;
    return s->result;
  }
  bool CloseHandle(os::HANDLE h) override {
    OsCall c;
    c.api = "CloseHandle";
    c.handle = h;
    const auto held = std::find(held_.begin(), held_.end(), h);
    if (steps_.empty() && held != held_.end()) {
      calls_.push_back(c);
      held_.erase(held);
      SetLastError(os::ERROR_SUCCESS);
      return true;
    }
    Step* s = Next(c);
    const bool ok = s != nullptr && Finish(*s, c);
    if (ok && held != held_.end()) held_.erase(held);
    return ok;
  }
  bool DeviceIoControl(os::HANDLE h, os::DWORD code, void* in, os::DWORD inSize, void* out,
                       os::DWORD outSize, os::DWORD* bytesReturned) override {
    if (bytesReturned != nullptr) *bytesReturned = 0;
    OsCall c;
    c.api = "DeviceIoControl";
    c.handle = h;
    c.code = code;
    c.inPtr = in;
    if (in != nullptr) c.in = {static_cast<uint8_t*>(in), inSize};
    if (out != nullptr) c.out = {static_cast<uint8_t*>(out), outSize};
    Step* s = Next(c);
    if (s == nullptr) return false;
    const bool ok = Finish(*s, c);
    if (bytesReturned != nullptr) *bytesReturned = c.outLength;
    return ok;
  }
  bool ReadFile(os::HANDLE h, void* buffer, os::DWORD size, os::DWORD* read) override {
    if (read != nullptr) *read = 0;
    OsCall c;
    c.api = "ReadFile";
    c.handle = h;
    c.code = size;
    if (buffer != nullptr) c.out = {static_cast<uint8_t*>(buffer), size};
    Step* s = Next(c);
    if (s == nullptr) return false;
    const bool ok = Finish(*s, c);
    if (read != nullptr) *read = c.outLength;
    return ok;
  }
  bool WriteFile(os::HANDLE h, const void* buffer, os::DWORD size, os::DWORD* written) override {
    if (written != nullptr) *written = 0;
    OsCall c;
    c.api = "WriteFile";
    c.handle = h;
    c.code = size;
    copy_.clear();
    if (buffer != nullptr && size > 0)
      copy_.assign(static_cast<const uint8_t*>(buffer), static_cast<const uint8_t*>(buffer) + size);
    c.in = copy_;
    Step* s = Next(c);
    if (s == nullptr) return false;
    const bool ok = Finish(*s, c);
    if (written != nullptr && ok) *written = size;
    return ok;
  }
  os::DWORD SetFilePointer(os::HANDLE h, os::LONG low, os::LONG* high, os::DWORD method) override {
    OsCall c;
    c.api = "SetFilePointer";
    c.handle = h;
    c.code = method;
    c.offset = static_cast<int64_t>(
        (high ? static_cast<uint64_t>(static_cast<uint32_t>(*high)) << 32 : 0) |
        static_cast<uint32_t>(low));
    Step* s = Next(c);
    if (s == nullptr || !Finish(*s, c)) return os::INVALID_SET_FILE_POINTER;
    return s->value;
  }
  bool OpenProcessToken(os::HANDLE process, os::DWORD access, os::HANDLE* token) override {
    OsCall c;
    c.api = "OpenProcessToken";
    c.handle = process;
    c.code = access;
    Step* s = Next(c);
    if (s == nullptr || !Finish(*s, c)) return false;
    if (token != nullptr) *token = s->result;
    return true;
  }
  bool LookupPrivilegeValueA(const char*, const char* name, os::LUID* luid) override {
    OsCall c;
    c.api = "LookupPrivilegeValueA";
    c.text = name ? name : "";
    Step* s = Next(c);
    if (s == nullptr || !Finish(*s, c)) return false;
    if (luid != nullptr) *luid = os::LUID{s->value, 0};
    return true;
  }
  bool AdjustTokenPrivileges(os::HANDLE token, bool, os::TOKEN_PRIVILEGES* state, os::DWORD len,
                             os::TOKEN_PRIVILEGES*, os::DWORD*) override {
    OsCall c;
    c.api = "AdjustTokenPrivileges";
    c.handle = token;
    if (state != nullptr) {
      copy_.resize(sizeof(*state));
      std::memcpy(copy_.data(), state, sizeof(*state));
      c.in = copy_;
    }
    c.code = len;
    Step* s = Next(c);
    if (s == nullptr) return false;
    // Windows reports a partial success as success with an error code set.
    const bool ok = Finish(*s, c);
    if (ok) SetLastError(s->error);
    return ok;
  }
  os::HDEVINFO SetupDiGetClassDevsA(const os::GUID* guid, const char*, os::DWORD flags) override {
    OsCall c;
    c.api = "SetupDiGetClassDevsA";
    c.guid = guid;
    c.code = flags;
    Step* s = Next(c);
    if (s == nullptr || !Finish(*s, c)) return os::INVALID_HANDLE_VALUE;
    return s->result;
  }
  bool SetupDiDestroyDeviceInfoList(os::HDEVINFO set) override {
    OsCall c;
    c.api = "SetupDiDestroyDeviceInfoList";
    c.handle = set;
    Step* s = Next(c);
    return s != nullptr && Finish(*s, c);
  }
  bool SetupDiEnumDeviceInfo(os::HDEVINFO set, os::DWORD index, os::SP_DEVINFO_DATA* d) override {
    OsCall c;
    c.api = "SetupDiEnumDeviceInfo";
    c.handle = set;
    c.code = index;
    Step* s = Next(c);
    if (s == nullptr || !Finish(*s, c)) return false;
    if (d != nullptr) d->DevInst = s->value;
    return true;
  }
  bool SetupDiEnumDeviceInterfaces(os::HDEVINFO set, os::SP_DEVINFO_DATA*, const os::GUID* guid,
                                   os::DWORD index, os::SP_DEVICE_INTERFACE_DATA*) override {
    OsCall c;
    c.api = "SetupDiEnumDeviceInterfaces";
    c.handle = set;
    c.guid = guid;
    c.code = index;
    Step* s = Next(c);
    return s != nullptr && Finish(*s, c);
  }
  // The step's replyText is the interface path; the two-call size protocol is
  // answered here, each call being its own step.
  bool SetupDiGetDeviceInterfaceDetailA(os::HDEVINFO set, os::SP_DEVICE_INTERFACE_DATA*,
                                        os::SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail,
                                        os::DWORD size, os::DWORD* required,
                                        os::SP_DEVINFO_DATA*) override {
    OsCall c;
    c.api = "SetupDiGetDeviceInterfaceDetailA";
    c.handle = set;
    c.code = size;
    Step* s = Next(c);
    if (s == nullptr || !Finish(*s, c)) return false;
    const os::DWORD need = static_cast<os::DWORD>(
        offsetof(os::SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + s->replyText.size() + 1);
    if (required != nullptr) *required = need;
    if (detail == nullptr || size < need) {
      SetLastError(os::ERROR_INSUFFICIENT_BUFFER);
      return false;
    }
    if (detail->cbSize != sizeof(os::SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
      SetLastError(os::ERROR_INVALID_PARAMETER);
      return false;
    }
    std::memcpy(detail->DevicePath, s->replyText.c_str(), s->replyText.size() + 1);
    return true;
  }
  bool SetupDiGetDeviceInstanceIdA(os::HDEVINFO set, os::SP_DEVINFO_DATA* d, char* buffer,
                                   os::DWORD size, os::DWORD* required) override {
    OsCall c;
    c.api = "SetupDiGetDeviceInstanceIdA";
    c.handle = set;
    c.devInst = d ? d->DevInst : 0;
    c.code = size;
    Step* s = Next(c);
    if (s == nullptr || !Finish(*s, c)) return false;
    if (required != nullptr) *required = static_cast<os::DWORD>(s->replyText.size() + 1);
    if (buffer == nullptr || size <= s->replyText.size()) {
      SetLastError(os::ERROR_INSUFFICIENT_BUFFER);
      return false;
    }
    std::memcpy(buffer, s->replyText.c_str(), s->replyText.size() + 1);
    return true;
  }
  bool SetupDiGetDeviceRegistryPropertyA(os::HDEVINFO set, os::SP_DEVINFO_DATA* d,
                                         os::DWORD property, os::DWORD* type, os::BYTE* buffer,
                                         os::DWORD size, os::DWORD* required) override {
    OsCall c;
    c.api = "SetupDiGetDeviceRegistryPropertyA";
    c.handle = set;
    c.devInst = d ? d->DevInst : 0;
    c.code = property;
    if (buffer != nullptr) c.out = {buffer, size};
    Step* s = Next(c);
    if (s == nullptr || !Finish(*s, c)) return false;
    if (type != nullptr) *type = os::REG_DWORD;
    if (required != nullptr) *required = c.outLength;
    return true;
  }
  os::CONFIGRET CM_Get_Parent(os::DEVINST* parent, os::DEVINST dev, os::ULONG) override {
    OsCall c;
    c.api = "CM_Get_Parent";
    c.devInst = dev;
    Step* s = Next(c);
    if (s == nullptr) return os::CR_FAILURE;
    if (!Finish(*s, c)) return s->error ? s->error : os::CR_FAILURE;
    if (parent != nullptr) *parent = s->value;
    return os::CR_SUCCESS;
  }
  // The reply is the property's bytes (text properties: with their NUL).
  os::CONFIGRET CM_Get_DevNode_Registry_PropertyA(os::DEVINST dev, os::ULONG property,
                                                  os::ULONG* type, void* buffer, os::ULONG* length,
                                                  os::ULONG) override {
    OsCall c;
    c.api = "CM_Get_DevNode_Registry_PropertyA";
    c.devInst = dev;
    c.code = property;
    if (buffer != nullptr && length != nullptr) c.out = {static_cast<uint8_t*>(buffer), *length};
    Step* s = Next(c);
    if (s == nullptr) return os::CR_FAILURE;
    if (!Finish(*s, c)) return s->error ? s->error : os::CR_FAILURE;
    if (type != nullptr) *type = os::REG_SZ;
    if (length != nullptr) *length = c.outLength;
    return os::CR_SUCCESS;
  }

  // Builds a reply of text bytes with the terminating NUL.
  static std::vector<uint8_t> Sz(const std::string& text) {
    std::vector<uint8_t> v(text.begin(), text.end());
    v.push_back(0);
    return v;
  }

 private:
  static std::string Hex(os::DWORD v) {
    char b[16];
    std::snprintf(b, sizeof b, "0x%X", v);
    return b;
  }

  // The next step when it matches the call; otherwise records a failure,
  // leaves the script as it is and fails the call.
  Step* Next(const OsCall& c) {
    calls_.push_back(c);
    if (steps_.empty()) {
      ADD_FAILURE() << "unexpected call " << c.api << " code " << Hex(c.code) << " " << c.text;
      SetLastError(os::ERROR_GEN_FAILURE);
      return nullptr;
    }
    Step& s = steps_.front();
    const bool match = s.api == c.api && (!s.code || *s.code == c.code) &&
                       (!s.text || *s.text == c.text) && (!s.handle || *s.handle == c.handle);
    if (!match) {
      ADD_FAILURE() << "call " << c.api << " code " << Hex(c.code) << " " << c.text
                    << " does not match the next scripted call " << s.api
                    << (s.code ? " code " + Hex(*s.code) : std::string())
                    << (s.text ? " " + *s.text : std::string());
      SetLastError(os::ERROR_GEN_FAILURE);
      return nullptr;
    }
    current_ = std::move(s);
    steps_.pop_front();
    return &current_;
  }

  bool Finish(Step& s, OsCall& c) {
    if (s.check) s.check(c);
    if (s.respond) {
      const bool ok = s.respond(c);
      SetLastError(ok ? os::ERROR_SUCCESS : s.error);
      return ok;
    }
    if (!s.ok) {
      SetLastError(s.error);
      return false;
    }
    const size_t n = std::min(s.reply.size(), c.out.size());
    if (n > 0) std::memcpy(c.out.data(), s.reply.data(), n);
    c.outLength = static_cast<os::DWORD>(n);
    SetLastError(os::ERROR_SUCCESS);
    return true;
  }

  std::deque<Step> steps_;
  std::vector<os::HANDLE> held_;
  Step current_;
  std::vector<OsCall> calls_;
  std::vector<uint8_t> copy_;
};

}  // namespace testsupport
