#pragma once
// The disks of the Data Backup lists as a copy sees them: every disk the
// scan enumerated, by list index, with the facts the copy and its checks use,
// and the paths the copy opens them by.
#include <cstdint>
#include <optional>
#include <string>

#include "device/discovery/aspi_lib.h"

namespace maintenance {

inline constexpr uint32_t kSectorBytes = 512;

struct BackupDisk {
  int index = -1;      // in the source and destination lists
  std::string name;    // the list text, trimmed ("PHYSICALDRIVE1", "D:")
  uint32_t order = 0;  // devOrder: the physical drive number
  uint32_t attribute = 0;
  uint64_t sectors = 0;                 // devCapacity: logical blocks
  uint32_t blockBytes = kSectorBytes;   // the logical block size (READ CAPACITY)
  std::string serial, model, firmware;  // trimmed

  // The capacity in bytes, and in 512-byte sectors (what the copy counts).
  uint64_t Bytes() const { return sectors * blockBytes; }
  uint64_t Sectors512() const { return Bytes() / kSectorBytes; }
  // The raw disk path: a disk reached through a drive letter is opened by its
  // physical drive number, never through the volume.
  std::string Path() const;
  // The physical drive number behind the name, or -1 when it has none (a
  // disk reached only through its SCSI port).
  int PhysicalNumber() const;
};

// "Serial: %s\nModel: %s\nFW Ver: %s\nCapacity: %.2lf GB\n".
std::string DiskInfoText(const BackupDisk& disk);
// Sectors of 512 bytes in GB of 2^30 bytes (pass Sectors512()).
double CapacityGb(uint64_t sectors);
// The same disk under two names (a drive letter and its drive number), or twice.
bool SamePhysicalDisk(const BackupDisk& a, const BackupDisk& b);

// Right before the copy writes: "" while the disk at disk.Path() still
// reports the model, serial and capacity it was listed with, else why it is
// refused ("PHYSICALDRIVE3 is no longer the drive that was listed: ...").
std::string RecheckDisk(os::Os& os, const BackupDisk& disk);

// The enumerated disks behind the two lists.
class BackupDiskSource {
 public:
  virtual ~BackupDiskSource() = default;
  virtual std::optional<BackupDisk> At(int index) const = 0;
  // The disk's capacity and logical block size read from the disk now, into
  // `disk`; false when it cannot be read or is 0.
  virtual bool ReadCapacityNow(BackupDisk& disk) const = 0;
  // The physical drive number of the disk the running system is on, or -1.
  virtual int SystemDisk() const = 0;
  // Whether disk n holds a part of the running system (a system volume may
  // span disks).
  virtual bool IsSystemDisk(int n) const { return n >= 0 && n == SystemDisk(); }
};

// The scan's discovery list: list index i is enumerated disk i.
class AspiBackupDisks : public BackupDiskSource {
 public:
  explicit AspiBackupDisks(device::AspiLib& aspi) : aspi_(aspi) {}
  std::optional<BackupDisk> At(int index) const override;
  bool ReadCapacityNow(BackupDisk& disk) const override;
  int SystemDisk() const override { return aspi_.SystemDisk(); }
  bool IsSystemDisk(int n) const override { return aspi_.IsSystemDisk(n); }

 private:
  device::AspiLib& aspi_;
};

}  // namespace maintenance
