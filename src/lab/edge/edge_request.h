#pragma once
// What every handler of the lab's edge shares: the open handle a request came
// through, the request as DeviceIoControl got it, the reply it gives back and
// the few services of the operating system around it (the clock and the table
// of open handles).
#include <cstdint>
#include <map>

#include "lab/machine/lab_machine.h"
#include "platform/virtual_clock.h"
#include "platform/win_types.h"

namespace lab::edge {

enum class HandleKind { kDisk, kVolume, kPort, kHostController, kHub, kToken, kDeviceSet };

struct OpenHandle {
  HandleKind kind = HandleKind::kDisk;
  LabDisk* disk = nullptr;  // a disk, or the first disk of a volume
  Volume* volume = nullptr;
  ScsiPort* port = nullptr;
  const UsbHostController* controller = nullptr;
  UsbHub* hub = nullptr;
  bool diskInterfaceSet = false;  // a device set that lists the disks
  uint64_t filePointer = 0;
};

using HandleTable = std::map<uintptr_t, OpenHandle>;

// The outcome of one request: true, or false with the Windows error.
struct Reply {
  bool ok = true;
  os::DWORD error = os::ERROR_SUCCESS;
  os::DWORD bytes = 0;
  static Reply Done(os::DWORD bytes) { return Reply{true, os::ERROR_SUCCESS, bytes}; }
  static Reply Fail(os::DWORD error) { return Reply{false, error, 0}; }
};

struct Request {
  uintptr_t handle;
  OpenHandle& target;
  os::DWORD code;
  void* in;
  os::DWORD inSize;
  void* out;
  os::DWORD outSize;
};

// The operating system around the handlers.
struct EdgeContext {
  LabMachine& machine;
  os::VirtualClock& clock;
  const HandleTable& handles;

  // Waits out a request that was never answered and gives its error: a drive
  // without power is gone at once, a silent one costs its whole time-out.
  Reply Unanswered(bool timedOut, os::DWORD timeoutSeconds) const;
};

// One kind of handle's DeviceIoControl requests.
class HandleHandler {
 public:
  virtual ~HandleHandler() = default;
  virtual Reply Control(const Request& r) = 0;
};

}  // namespace lab::edge
