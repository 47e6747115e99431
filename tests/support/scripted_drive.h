#pragma once
// A StorageDevice on the scripted OS in the states a test starts from: open
// already (its handle is then expected closed once by the end), or closed
// again through a scripted close.
#include <string>

#include "device/core/fixed_text.h"
#include "device/core/storage_device.h"
#include "support/scripted_os.h"

namespace testsupport {

// The drive holds `h` as if opened before the test.
inline void HoldOpen(ScriptedOs& sos, device::StorageDevice& dev, os::HANDLE h) {
  dev.Adopt(h);
  sos.ExpectClosedAtEnd(h);
}

// Closes the drive now, as a scripted call (a drive that is not a locked
// volume: no unlock is expected).
inline void CloseScripted(ScriptedOs& sos, device::StorageDevice& dev) {
  sos.ExpectClose(dev.Handle());
  dev.Close();
}

// A closed drive that reopens at `path`.
inline void SetPath(device::StorageDevice& dev, const std::string& path) {
  device::SetFixedText(dev.devPath, path);
}

}  // namespace testsupport
