#pragma once
// The VK46xx drive model behind a lab disk's ATA port, past the fault
// switches, for the tests that read what the firmware was sent.
#include "lab/drives/vk46xx/vk46xx_drive.h"
#include "lab/faults/faulty_devices.h"
#include "lab/machine/lab_disk.h"

namespace testsupport {

// Null when the disk has no ATA port or another drive model behind it.
inline lab::drives::Vk46xxDrive* VkDriveOf(lab::LabDisk& disk) {
  lab::AtaDevice* ata = disk.Ata();
  if (auto* faulty = dynamic_cast<lab::FaultyAtaDevice*>(ata)) ata = &faulty->Inner();
  return dynamic_cast<lab::drives::Vk46xxDrive*>(ata);
}

}  // namespace testsupport
