#pragma once
// The discovery list: up to 32 StorageDevice slots and the scan that fills
// them. The scan walks drive letters, physical drive numbers and SCSI ports,
// probes each candidate and keeps the drives that answer, each classified by
// its devAttribute bits. One instance lives for the whole program.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/core/storage_device.h"
#include "device/discovery/scan_flags.h"
#include "device/enumeration/disk_walk.h"
#include "device/enumeration/hub_port_table.h"
#include "platform/os.h"

namespace device {

// A disk the system reports that the last scan did not list, and why.
struct DroppedDrive {
  std::string name;  // "PHYSICALDRIVE<n>"
  std::string reason;
  int port = -1;  // its SCSI adapter, where known: the port walk may list it
};

class AspiLib {
 public:
  static constexpr int kMaxDevices = 32;
  static constexpr int kMaxDriveLetters = 24;     // 'c' to 'z'
  static constexpr int kMaxPhysicalDrives = 128;  // drive numbers probed
  static constexpr int kMaxScsiPorts = 255;       // ports 0..254
  static constexpr uint32_t kSystemDirectoryBuffer = 60;

  explicit AspiLib(os::Os& os);
  AspiLib(const AspiLib&) = delete;
  AspiLib& operator=(const AspiLib&) = delete;

  // Releases what was listed, then scans. `probeTimeoutSeconds` is the
  // command time-out during the probes (afterwards every device is back at
  // the default). False, with an empty list, only when the disk device set
  // cannot be opened. When all 32 slots are taken the walks stop.
  bool Scan(uint32_t scanFlags, uint32_t probeTimeoutSeconds, const ScanSettings& settings);
  // Releases every listed device (before a rescan and at exit).
  void ReleaseAll();

  int Count() const { return count_; }
  StorageDevice& Device(int index) { return *slots_[static_cast<size_t>(index)]; }
  const StorageDevice& Device(int index) const { return *slots_[static_cast<size_t>(index)]; }

  const HubPortTable& HubPorts() const { return hubPorts_; }
  const PerScanTables& ScanTables() const { return tables_; }
  // Physical drive number of the disk holding the system folder, -1 unknown;
  // with a system volume spanning disks, the lowest of them.
  int SystemDisk() const { return systemDisks_.empty() ? -1 : systemDisks_.front(); }
  // Every disk that holds a part of the system volume, ascending.
  const std::vector<int>& SystemDisks() const { return systemDisks_; }
  bool IsSystemDisk(int n) const;
  // The physical drive number of listed device `index`, -1 when unknown. A
  // drive listed by its SCSI port is the disk the physical walk found on that
  // port, so it keeps what that disk is (a system disk stays one).
  int DiskNumber(int index) const;
  // Physical drives the SetupAPI walk found in the last scan.
  int DevQty() const { return devQty_; }
  // Disks the system reported in the last scan that were not listed, in
  // drive-number order (a system disk left out by IncludeSystemDrive=0 is not
  // among them: that is the user's choice).
  const std::vector<DroppedDrive>& Dropped() const { return dropped_; }
  // Whether the last scan could enable the driver privilege, which the
  // drives' pass-through requests need.
  bool PrivilegeHeld() const { return privilegeHeld_; }

 private:
  StorageDevice& Candidate();
  void AddDevice(StorageDevice& dev, int driveNumber);
  void WalkDriveLetters(uint32_t flags, uint32_t timeout, char systemLetter);
  void WalkPhysicalDrives(uint32_t flags, uint32_t timeout);
  void WalkScsiPorts(uint32_t flags, uint32_t timeout);
  void DropListedSystemDisk();
  bool PortCovered(int port) const;
  // The SetupAPI walk reported a disk under drive number n.
  bool Reported(int n) const;
  void Drop(int n, std::string reason, int port = -1);
  // The port of a system disk left out by IncludeSystemDrive=0: the port
  // walk must not list it under its port instead.
  bool PortOfExcludedDisk(int port) const;
  bool ExcludedSystemDisk(int n) const { return !settings_.IncludeSystemDrive && IsSystemDisk(n); }

  os::Os& os_;
  std::array<std::unique_ptr<StorageDevice>, kMaxDevices> slots_;
  int count_ = 0;
  HubPortTable hubPorts_;
  PerScanTables tables_;
  ScanSettings settings_;
  std::vector<int> systemDisks_;
  // The SCSI adapter of each disk the physical walk opened, -1 unknown.
  std::array<int, kMaxPhysicalDrives> diskPort_{};
  int devQty_ = 0;
  std::vector<DroppedDrive> dropped_;
  bool privilegeHeld_ = true;
};

}  // namespace device
