#pragma once
// The seam between the lab machine and the drive models: for each disk of
// lab.ini the machine asks a factory for the drive that answers behind the
// attachment. The machine owns the media and the state store and outlives the
// drive; the drive owns nothing of them.
#include <functional>
#include <memory>
#include <string>

#include "lab/config/disk_config.h"
#include "lab/core/device_interfaces.h"
#include "lab/core/drive_state.h"
#include "platform/virtual_clock.h"

namespace lab {

struct DriveContext {
  const DiskConfig& config;  // identity, capacity, NAND facts, fault switches, raw keys
  Media& media;
  DriveState& state;
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
