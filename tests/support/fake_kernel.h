#pragma once
// A stand-in for the kernel under the Linux backend: SG_IO and the NVMe
// ioctls answer from scripts (an ordered list of replies, each request
// recorded for the test to check), the controller reset and its state in
// sysfs are scripted, and transfers on the device nodes (regular files of
// a FakeSysfs) can be made to fail. Everything not scripted goes to the
// real calls.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/linux/kernel_calls.h"
#include "platform/linux/linux_os.h"

namespace testsupport {

class FakeKernel : public os::linuxos::KernelCalls {
 public:
  struct SgAnswer {
    int error = 0;  // errno of the ioctl itself
    os::linuxos::SgReply reply;
    std::vector<uint8_t> sense;
    std::vector<uint8_t> data;  // copied into a data-in buffer
  };
  struct SgSent {
    std::vector<uint8_t> cdb;
    int direction = 0;
    uint32_t length = 0;
    uint32_t timeoutMs = 0;
    std::vector<uint8_t> data;  // what a data-out command carried
  };
  struct NvmeAnswer {
    int rc = 0;
    uint32_t result = 0;
    std::vector<uint8_t> data;
  };
  struct NvmeSent {
    os::linuxos::NvmePassthru cmd;
    bool admin = true;
  };

  std::deque<SgAnswer> sgAnswers;
  std::vector<SgSent> sgSent;
  std::deque<NvmeAnswer> nvmeAnswers;
  std::vector<NvmeSent> nvmeSent;
  // Controller resets asked for, what they return, and the states the
  // controller's "state" attribute reports one read after another (the
  // last one stays).
  int resets = 0;
  int resetError = 0;
  std::deque<std::string> states;
  // NVM subsystem resets asked for and what they return; the states of
  // other controllers, by controller name ("nvme1"), read the same way.
  int subsystemResets = 0;
  int subsystemResetError = 0;
  std::map<std::string, std::deque<std::string>> statesOf;
  std::vector<std::string> stateReads;  // controller names, in read order
  // Device size for Geometry (0: the real size of the node).
  uint64_t bytes = 0;
  uint32_t blockSize = 512;
  // Transfers on the nodes.
  int writeError = 0;
  int syncError = 0;
  int syncs = 0;
  bool forceDirect = false;
  std::vector<bool> directAsked;
  bool unalignedTransfer = false;

  os::linuxos::OpenedNode Open(const std::string& path, int flags, bool direct) override {
    directAsked.push_back(direct);
    os::linuxos::OpenedNode node = KernelCalls::Open(path, flags, direct);
    if (forceDirect && direct) node.direct = true;
    return node;
  }

  int SgIo(int, const os::linuxos::SgCommand& c, std::span<uint8_t> sense,
           os::linuxos::SgReply* reply) override {
    SgSent s;
    s.cdb.assign(c.cdb.begin(), c.cdb.begin() + c.cdbLength);
    s.direction = c.direction;
    s.length = c.length;
    s.timeoutMs = c.timeoutMs;
    if (c.direction == os::linuxos::kSgDxferToDev && c.data != nullptr)
      s.data.assign(static_cast<uint8_t*>(c.data), static_cast<uint8_t*>(c.data) + c.length);
    sgSent.push_back(s);
    if (sgAnswers.empty()) {
      ADD_FAILURE() << "unexpected SG_IO " << std::hex << int{c.cdb[0]};
      return EIO;
    }
    SgAnswer a = sgAnswers.front();
    sgAnswers.pop_front();
    if (a.error != 0) return a.error;
    *reply = a.reply;
    const size_t n = std::min(sense.size(), a.sense.size());
    if (n > 0) std::memcpy(sense.data(), a.sense.data(), n);
    reply->senseLength = static_cast<uint8_t>(n);
    if (c.direction == os::linuxos::kSgDxferFromDev && c.data != nullptr && !a.data.empty())
      std::memcpy(c.data, a.data.data(), std::min<size_t>(c.length, a.data.size()));
    return 0;
  }

  int NvmePassthrough(int, bool admin, os::linuxos::NvmePassthru& cmd) override {
    nvmeSent.push_back({cmd, admin});
    if (nvmeAnswers.empty()) {
      ADD_FAILURE() << "unexpected NVMe command " << std::hex << int{cmd.opcode};
      return -EIO;
    }
    const NvmeAnswer a = nvmeAnswers.front();
    nvmeAnswers.pop_front();
    cmd.result = a.result;
    if (cmd.addr != 0 && !a.data.empty())
      std::memcpy(reinterpret_cast<void*>(static_cast<uintptr_t>(cmd.addr)), a.data.data(),
                  std::min<size_t>(cmd.dataLen, a.data.size()));
    return a.rc;
  }

  // What NVME_IOCTL_ID answers on a namespace node (0: the real ioctl).
  int namespaceId = 0;
  int NamespaceId(int fd) override {
    return namespaceId != 0 ? namespaceId : KernelCalls::NamespaceId(fd);
  }

  int ResetController(int) override {
    ++resets;
    return resetError;
  }

  int ResetSubsystem(int) override {
    ++subsystemResets;
    return subsystemResetError;
  }

  std::string ReadAttribute(const std::string& path) override {
    if (path.size() >= 6 && path.compare(path.size() - 6, 6, "/state") == 0) {
      const std::string dir = path.substr(0, path.size() - 6);
      const std::string controller = dir.substr(dir.find_last_of('/') + 1);
      stateReads.push_back(controller);
      auto own = statesOf.find(controller);
      std::deque<std::string>* script = own != statesOf.end() ? &own->second : &states;
      if (!script->empty()) {
        const std::string s = script->front();
        if (script->size() > 1) script->pop_front();
        return s;
      }
    }
    return KernelCalls::ReadAttribute(path);
  }

  int Geometry(int fd, uint64_t* size, uint32_t* block) override {
    if (bytes == 0) return KernelCalls::Geometry(fd, size, block);
    *size = bytes;
    *block = blockSize;
    return 0;
  }

  long PRead(int fd, void* buffer, size_t length, uint64_t offset) override {
    if (reinterpret_cast<uintptr_t>(buffer) % 4096 != 0) unalignedTransfer = true;
    return KernelCalls::PRead(fd, buffer, length, offset);
  }

  long PWrite(int fd, const void* buffer, size_t length, uint64_t offset) override {
    if (reinterpret_cast<uintptr_t>(buffer) % 4096 != 0) unalignedTransfer = true;
    if (writeError != 0) return -writeError;
    return KernelCalls::PWrite(fd, buffer, length, offset);
  }

  int Sync(int fd) override {
    ++syncs;
    return syncError != 0 ? syncError : KernelCalls::Sync(fd);
  }

  // A reply of GOOD status with data, or CHECK CONDITION with sense.
  static SgAnswer Good(std::vector<uint8_t> data = {}) {
    SgAnswer a;
    a.data = std::move(data);
    return a;
  }
  static SgAnswer Check(std::vector<uint8_t> sense) {
    SgAnswer a;
    a.reply.status = 0x02;
    a.reply.driverStatus = 0x08;
    a.sense = std::move(sense);
    return a;
  }
};

// The backend on a fake kernel, on virtual time.
class FakeLinuxOs : public os::LinuxOs {
 public:
  FakeLinuxOs(const std::string& sysRoot, const std::string& devRoot,
              std::shared_ptr<FakeKernel> kernel, const std::string& procRoot = "/proc")
      : LinuxOs(sysRoot, devRoot, kernel, procRoot), kernel_(std::move(kernel)) {}
  void Sleep(os::DWORD ms) override { sleptMs += ms; }
  FakeKernel& Kernel() { return *kernel_; }
  uint64_t sleptMs = 0;

 private:
  std::shared_ptr<FakeKernel> kernel_;
};

}  // namespace testsupport
