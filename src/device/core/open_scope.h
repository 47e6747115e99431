#pragma once
// A drive opened for one scope: a closed StorageDevice is opened on
// construction and closed again on scope exit; a drive that was open already
// stays open, so nested commands inside a longer sequence share one handle.
#include <concepts>
#include <utility>

#include "device/core/storage_device.h"

namespace device {

class OpenScope {
 public:
  // Reopens devPath (locking a drive-letter volume, see Reopen) when closed.
  OpenScope(StorageDevice& dev, bool force)
      : OpenScope(dev, [force](StorageDevice& d) { d.Reopen(force); }) {}
  // Runs `open(dev)` when the drive is closed; `open` leaves the drive open
  // or closed, and only a handle it left open is closed by this scope.
  template <typename Open>
  requires std::invocable<Open&, StorageDevice&> OpenScope(StorageDevice& dev, Open open)
      : dev_(dev) {
    if (dev_.IsOpen()) return;
    open(dev_);
    openedHere_ = dev_.IsOpen();
  }
  OpenScope(const OpenScope&) = delete;
  OpenScope& operator=(const OpenScope&) = delete;
  ~OpenScope() { Close(); }

  // Whether the drive is open, by this scope or before it.
  bool Ok() const { return dev_.IsOpen(); }
  explicit operator bool() const { return Ok(); }
  bool OpenedHere() const { return openedHere_; }
  // Closes early what this scope opened.
  void Close() {
    if (std::exchange(openedHere_, false)) dev_.Close();
  }

 private:
  StorageDevice& dev_;
  bool openedHere_ = false;
};

// Runs `body` (returning a status) with `*dev` open for it, opened with
// `force` when closed; `failed` without a drive or when it cannot be opened.
template <typename Body>
int WithOpenDevice(StorageDevice* dev, bool force, int failed, Body body) {
  if (dev == nullptr) return failed;
  const OpenScope open(*dev, force);
  if (!open) return failed;
  return body();
}

}  // namespace device
