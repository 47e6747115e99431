#pragma once
// The seam between the lab machine and the drive models: for each disk of
// lab.ini the machine asks a factory for the drive that answers behind the
// attachment, and wraps it in the attachment's bridges and fault switches.
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "lab/config/disk_config.h"
#include "lab/core/device_interfaces.h"
#include "platform/virtual_clock.h"

namespace lab {

struct DriveContext {
  // The parsed section: identity, capacity, attachment and the model's own keys.
  const DiskConfig& config;
  std::shared_ptr<Media> media;
  // What the drive saved last time (empty on its first start) and how it
  // saves: the text replaces the disk's state file beside lab.ini at once, so
  // it survives a restart of the tool, or a power loss in the middle of work.
  std::string savedState;
  std::function<bool(std::string_view)> saveState;
  os::VirtualClock& clock;  // the lab's time; drives never sleep for real
};

// Exactly one of `ata` and `nvme` is set on success (the one
// NeedsNvmeDrive(config.attachment) asks for); otherwise `error` says why.
struct BuiltDrive {
  std::unique_ptr<AtaDevice> ata;
  std::unique_ptr<NvmeController> nvme;
  std::string error;
};

using DriveFactory = std::function<BuiltDrive(const DriveContext&)>;

}  // namespace lab
