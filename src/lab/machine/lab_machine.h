#pragma once
// A whole lab machine built from lab.ini: its disks (each with media, drive
// and attachment chain), volumes with letters, SCSI ports, the USB tree and
// the device nodes. It answers questions about itself; the Windows-shaped
// requests are decoded by LabOs.
#include <memory>
#include <string>
#include <vector>

#include "lab/config/lab_config.h"
#include "lab/core/drive_factory.h"
#include "lab/machine/device_tree.h"
#include "lab/machine/lab_disk.h"
#include "lab/machine/scsi_port.h"
#include "lab/machine/usb_tree.h"
#include "platform/virtual_clock.h"

namespace lab {

struct Volume {
  char letter = 0;              // upper case
  std::vector<LabDisk*> disks;  // more than one: the volume spans disks
  bool system = false;          // holds the system folder
  bool mounted = true;
  uintptr_t lockedBy = 0;  // handle value of the locker, 0 = unlocked
  bool present = true;     // false once its partition is gone (a disk was cleaned)
  std::string inUse;       // what keeps it in use (lab.ini InUse), "" for nothing
};

class LabMachine {
 public:
  // Builds every disk through `factory`; its media and state files live in
  // `stateDir` (created when missing). Null with `error` set when lab.ini has
  // problems or a disk cannot be built.
  static std::unique_ptr<LabMachine> Build(LabConfig config, const std::string& stateDir,
                                           const DriveFactory& factory, os::VirtualClock& clock,
                                           std::string& error);

  const LabConfig& Config() const { return config_; }
  const std::string& StateDir() const { return stateDir_; }

  // Disks in lab.ini order (the order the disk interface set lists them).
  const std::vector<std::unique_ptr<LabDisk>>& Disks() const { return disks_; }
  LabDisk* DiskByNumber(uint32_t number) const;
  LabDisk* DiskBySection(std::string_view section) const;
  LabDisk* DiskByInterfacePath(std::string_view path) const;

  // Spare drives (Spare=1), in no slot until a disk is replaced by one. After
  // the swap the spare's object holds the drive that was taken out.
  LabDisk* SpareBySection(std::string_view section) const;
  // Counts a request, read or write on a handle of `disk`; past its
  // ReplacedAfter, the disk's drive is swapped for its spare first.
  void CountCommand(LabDisk* disk) const;

  // Every volume lab.ini names, present or not (handles keep pointing at them).
  std::vector<Volume>& Volumes() { return volumes_; }
  // A present volume by its letter.
  Volume* VolumeByLetter(char letter);
  // The partitions of a disk are gone: its volumes disappear, now and after a
  // restart of the lab (until its state folder is deleted).
  void RemoveVolumesOf(const LabDisk& disk);
  char SystemLetter() const { return config_.SystemLetter(); }

  ScsiPort* PortByNumber(uint32_t number);
  const std::vector<std::unique_ptr<ScsiPort>>& Ports() const { return ports_; }
  UsbTree& Usb() { return *usb_; }
  const DeviceTree& Devices() const { return devices_; }

 private:
  explicit LabMachine(LabConfig config) : config_(std::move(config)) {}
  bool BuildDisk(const DiskConfig& disk, const DriveFactory& factory, os::VirtualClock& clock,
                 std::vector<std::unique_ptr<LabDisk>>& into, std::string& error);
  // Always one of the machine's disks, never a spare.
  bool BuildNamespaceDisk(const DiskConfig& disk, std::shared_ptr<Media> media,
                          std::string& error);
  bool AssignPorts(std::string& error);
  void BuildVolumes();
  std::string MachineStatePath() const;
  void BuildDeviceTree();

  LabConfig config_;
  std::string stateDir_;
  std::vector<std::unique_ptr<LabDisk>> disks_;
  std::vector<std::unique_ptr<LabDisk>> spares_;
  std::vector<std::unique_ptr<ScsiPort>> ports_;
  std::vector<Volume> volumes_;
  std::unique_ptr<UsbTree> usb_;
  DeviceTree devices_;
};

}  // namespace lab
