#pragma once
// The drive models behind the lab's disks. For a disk of lab.ini the factory
// builds, by its Controller key:
//   VK4610XT, VK4620XT, VK4620XT2  a Vk46xxDrive (ATA attachments)
//   VK4630                         a Vk4630Controller (NVMe attachments)
//   anything else ("generic")      an AtaDrive of another maker, which knows
//                                  nothing of the vendor protocol
// Identity (Model, Serial, Firmware), PCI ids and NAND facts come from the
// parsed disk; the models' own keys (see ata_drive_settings.h,
// vk46xx_settings.h, vk4630_settings.h) from the disk's section. The drive's
// state starts from the saved text and is saved again whenever a lasting part
// of it changes, and once at start (its power-on count).
#include "lab/core/drive_factory.h"

namespace lab::drives {

BuiltDrive BuildLabDrive(const DriveContext& context);

// BuildLabDrive as the lab machine takes it.
DriveFactory LabDriveFactory();

}  // namespace lab::drives
