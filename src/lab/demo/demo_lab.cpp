// The built-in demo lab: a machine with the system disk of another maker and
// the maker's drives on every attachment the tool supports.
#include "lab/demo/open_lab.h"

namespace lab {

// The first line names the demo's version: a demo folder written by another
// version is replaced.
const char* DemoLabIni() {
  return R"(; SSD Tools demo lab, version 2
; A machine of emulated drives. The format is described in src/lab/README.md.

[Machine]
SystemDirectory=C:\Windows\system32

[HostController0]
Pci=0:20.0
Ports=10

[HostController1]
Pci=0:13.0
Ports=4
UsbVersion=2

; A Genesys Logic hub of the recognised kind (PID 061x).
[Hub Front]
Parent=HostController0
Port=3
Vid=05E3
Pid=0610
Ports=4
Manufacturer=GenesysLogic
Product=USB3.1 Hub

; A VIA Labs hub of the recognised kind (PID x817).
[Hub Dock]
Parent=HostController0
Port=4
Vid=2109
Pid=0817
Ports=4
Manufacturer=VIA Labs, Inc.
Product=USB3.0 Hub

; The system disk: a drive of another maker, never identified, listed for cloning.
[Disk System]
Attachment=sata
Controller=generic
Model=Other Maker SATA SSD 256GB
Serial=OM2561000000000001
Firmware=3B2QGXA7
Capacity=256GB
Letters=C

[Disk VK4610XT]
Attachment=sata
Controller=VK4610XT
Model=VKM SATA SSD VK4610XT 128GB
Serial=VK10000000000000001
Firmware=S0220A0
Capacity=128GB
Letters=D
Trim=1
Ncq=1
Apm=0
PowerOnHours=1843
LifeLeft=97
Temperature=36
Reallocated=0
HostWrites32MiB=61250

[Disk VK4620XT]
Attachment=sata
Controller=VK4620XT
Model=VKM SATA SSD VK4620XT 256GB
Serial=VK20000000000000001
Firmware=S0220A0
Capacity=256GB
Trim=1
Ncq=1
Apm=1
PowerOnHours=9120
LifeLeft=84
Temperature=41
Reallocated=12
HostWrites32MiB=402113

; Behind a USB-SAT bridge on the Genesys hub.
[Disk VK4620XT2 USB]
Attachment=usb-sat
Controller=VK4620XT2
Model=VKM SATA SSD VK4620XT2 512GB
Serial=VK2X000000000000001
Firmware=S0312A0
Capacity=512GB
UsbHub=Front
UsbPort=2
UsbSerial=VK2X000000000001
Trim=0
Ncq=1
Apm=1
PowerOnHours=312
LifeLeft=100
Temperature=33

[Disk VK4630]
Attachment=nvme
Controller=VK4630
Model=VKM NVMe SSD VK4630 512GB
Serial=VK30000000000000001
Firmware=N0220A0
Capacity=512GB
Pci=3:0.0
Letters=E
Temperature=38
PercentageUsed=3
PowerOnHours=2210
DataUnitsWritten=9634120
DataUnitsRead=12503311

[Disk VK4630 Miniport]
Attachment=nvme-miniport
Controller=VK4630
Model=VKM NVMe SSD VK4630 1TB
Serial=VK30000000000000002
Firmware=N0220A0
Capacity=1TB
Pci=4:0.0
Temperature=45
PercentageUsed=11
PowerOnHours=7788
DataUnitsWritten=45210007
DataUnitsRead=50112030

; Behind a USB-to-NVMe bridge on the VIA Labs hub.
[Disk VK4630 USB]
Attachment=usb-nvme
Controller=VK4630
Model=VKM NVMe SSD VK4630 256GB
Serial=VK30000000000000003
Firmware=N0220A0
Capacity=256GB
UsbHub=Dock
UsbPort=1
UsbSerial=VKNV000000000001
BridgeSlot=1

; One of the maker's USB flash devices.
[Disk Flash]
Attachment=usb-storage
Controller=VK4620XT
Inquiry=flash
Model=VKM Flash Disk 32GB
Serial=VKUF000000000000001
Firmware=S0220A0
Capacity=32GB
UsbHub=HostController0
UsbPort=1
UsbSerial=VKUF000000000001
)";
}

}  // namespace lab
