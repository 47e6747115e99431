#pragma once
// lab.ini text shared by the end-to-end tests: a machine with one host
// controller and the system disk of another maker (never identified, letter C).
// Tests append the disks they are about.
namespace testsupport {

inline constexpr const char* kLabMachineWithSystemDisk = R"([Machine]
SystemDirectory=C:\Windows\system32

[HostController0]
Pci=0:20.0
Ports=10

[Disk System]
Attachment=sata
Controller=generic
Model=Other Maker SATA SSD 256GB
Serial=OM2561000000000001
Firmware=3B2QGXA7
Capacity=256GB
Letters=C
)";

}  // namespace testsupport
