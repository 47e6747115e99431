#pragma once
// The drives a subcommand can name: the update list's rows (the identified
// drives) with their identity, and every enumerated disk of the Data Backup
// list. DRIVE on the command line is a row index, a display name or a serial
// number.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "shell/session.h"

namespace app::cli {

struct CliDrive {
  int index = -1;
  std::string name;  // display name, e.g. PHYSICALDRIVE3
  std::string path;  // the device path the tool opens
  std::string attachment;
  uint32_t devAttribute = 0;
  std::string model;
  std::string serial;
  std::string firmware;
  uint64_t capacitySectors = 0;
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

// The identified drives, in update-list order.
std::vector<CliDrive> IdentifiedDrives(TUpdateDispaly& form, SessionPlugins& plugins);
// Every enumerated disk, in Data Backup list order.
std::vector<CliDrive> EnumeratedDisks(TUpdateDispaly& form, SessionPlugins& plugins);

// The row of `spec` among `drives`, or nullopt.
std::optional<int> FindDrive(const std::vector<CliDrive>& drives, const std::string& spec);

}  // namespace app::cli
