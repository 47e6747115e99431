#pragma once
// The disks a subcommand can name: every enumerated disk (the Data Backup
// list) and, among them, the identified drives (the update list's rows) with
// their identity. One numbering for all: a disk's index is its place in the
// enumeration, whichever list shows it, so `erase 2` and `clone --destination 2`
// name the same disk. drive_names.h turns a DRIVE word into one of them.
#include <cstdint>
#include <string>
#include <vector>

#include "shell/session.h"

namespace app::cli {

struct CliDrive {
  int index = -1;    // place in the enumeration (`list --all`), -1 when not enumerated
  int row = -1;      // update-list row of an identified drive, -1 for any other disk
  std::string name;  // display name, e.g. PHYSICALDRIVE3
  std::string path;  // the device path the tool opens
  std::string attachment;
  uint32_t devAttribute = 0;
  std::string model;
  std::string serial;
  std::string firmware;
  uint64_t capacitySectors = 0;  // logical blocks, READ CAPACITY's count
  uint32_t blockBytes = 512;     // the size of one, READ CAPACITY's block length
  uint64_t CapacityBytes() const { return capacitySectors * blockBytes; }
  std::string offered;  // "Newest FW Ver.", empty when none
  bool identified = false;
  // Its physical drive number (-1 unknown), whether it holds the running
  // system, and what uses it now (mounted file systems, swap, ...).
  int diskNumber = -1;
  bool systemDisk = false;
  std::vector<std::string> usedBy;
};

// How a drive is reached, from its access bits: "nvme", "nvme-miniport",
// "usb-nvme", "ata", "sat" (ATA through a SCSI bridge), "scsi".
std::string AttachmentName(uint32_t devAttribute);

// The identified drives, in update-list order, each with its enumeration index.
std::vector<CliDrive> IdentifiedDrives(TUpdateDispaly& form, SessionPlugins& plugins);
// Every enumerated disk, in Data Backup list order; an identified one carries
// its row and what the update list shows of it.
std::vector<CliDrive> EnumeratedDisks(TUpdateDispaly& form, SessionPlugins& plugins);

// The drive of update-list row `row` among `drives`, or null.
const CliDrive* DriveAtRow(const std::vector<CliDrive>& drives, int row);

}  // namespace app::cli
