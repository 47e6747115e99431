#pragma once
// DRIVE on the command line: an index (as `list` prints it), a display name
// (PHYSICALDRIVE3, \\.\PHYSICALDRIVE3, any case), `serial:TEXT` or a plain
// serial number. A word that could name two disks names none: the user is
// told both readings and the forms that tell them apart, because a guess here
// can erase the wrong disk.
#include <string>
#include <vector>

#include "shell/cli/cli_drives.h"

namespace app::cli {

inline constexpr const char* kSerialPrefix = "serial:";
inline constexpr const char* kDevicePrefix = "\\\\.\\";

// What a DRIVE word names among a list of disks.
struct DriveChoice {
  int at = -1;        // position in the list, -1 when the word names no one disk
  int exitCode = 0;   // kExitUsage when ambiguous or malformed, kExitNothingToDo when unknown
  std::string error;  // why nothing was chosen (no "ssdtools: " in front)
};

// Looks `word` up among `disks` (normally EnumeratedDisks(), so an index is a
// place in the enumeration).
DriveChoice FindDrive(const std::vector<CliDrive>& disks, const std::string& word);

}  // namespace app::cli
