#pragma once
// The discovery as ScanTarget uses it: run a scan with probe options, list the
// drives found, release them. AspiDiscovery runs the device layer's AspiLib
// with the scan settings of Setting.ini; tests stand in a prepared list.
#include <cstdint>
#include <vector>

#include "config/settings/app_options.h"
#include "device/core/storage_device.h"
#include "device/discovery/aspi_lib.h"

namespace app {

class DriveDiscovery {
 public:
  virtual ~DriveDiscovery() = default;
  virtual void Scan(uint32_t scanFlags, uint32_t probeTimeoutSeconds) = 0;
  virtual int Count() const = 0;
  virtual device::StorageDevice& Device(int index) = 0;
  // Releases every listed drive (before a rescan, at start-up and at close).
  virtual void ReleaseAll() = 0;
  // Physical drive number of the disk holding the system folder, -1 unknown.
  virtual int SystemDisk() const { return -1; }
  // Whether disk n holds a part of the system volume.
  virtual bool IsSystemDisk(int n) const { return n >= 0 && n == SystemDisk(); }
  // The physical drive number of listed drive `index`, -1 when unknown (a
  // drive found only on its SCSI port that no disk matches).
  virtual int DiskNumber(int index);
  // Disks the system reported that the last scan did not list, and why.
  virtual std::vector<device::DroppedDrive> Dropped() const { return {}; }
};

class AspiDiscovery : public DriveDiscovery {
 public:
  // `options` is read at every scan (ShowPhysicalOnly, IncludeSystemDrive,
  // DisCheckSCSIStatus), so settings read after construction count.
  AspiDiscovery(device::AspiLib& aspi, const AppOptions& options)
      : aspi_(aspi), options_(options) {}

  void Scan(uint32_t scanFlags, uint32_t probeTimeoutSeconds) override;
  int Count() const override { return aspi_.Count(); }
  device::StorageDevice& Device(int index) override { return aspi_.Device(index); }
  void ReleaseAll() override { aspi_.ReleaseAll(); }
  int SystemDisk() const override { return aspi_.SystemDisk(); }
  bool IsSystemDisk(int n) const override { return aspi_.IsSystemDisk(n); }
  int DiskNumber(int index) override { return aspi_.DiskNumber(index); }
  std::vector<device::DroppedDrive> Dropped() const override { return aspi_.Dropped(); }

 private:
  device::AspiLib& aspi_;
  const AppOptions& options_;
};

}  // namespace app
