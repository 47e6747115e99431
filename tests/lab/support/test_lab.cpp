#include "lab/support/test_lab.h"

namespace labtest {

const char kReferenceLab[] = R"([Machine]
SystemDirectory=C:\Windows\system32

[HostController0]
Pci=0:20.0
Ports=4

[Hub Front]
Parent=HostController0
Port=3
Vid=05E3
Pid=0610
Ports=4

[Disk0]
Attachment=sata
Controller=generic
Model=Other Maker SSD
Serial=OM0001
Firmware=1.0
Capacity=64MiB
Letters=C

[Disk1]
Attachment=sata
Controller=VK4610XT
Model=VKM VK4610XT SSD
Serial=VK10SN
Firmware=S0610A0
Capacity=64MiB
Letters=D

[Disk2]
Attachment=nvme
Model=VKM VK4630 NVMe
Serial=NV30SN
Firmware=N0630A0
Capacity=64MiB
Pci=3:0.0

[Disk3]
Attachment=nvme-miniport
Model=VKM VK4630 Mini
Serial=MP30SN
Firmware=N0630A0
Capacity=64MiB
Pci=4:0.0

[Disk4]
Attachment=usb-sat
Controller=VK4620XT2
Model=VKM VK4620XT2 SSD
Serial=VK20SN
Firmware=S0620B0
Capacity=64MiB
UsbHub=Front
UsbPort=2
UsbSerial=0123456789

[Disk5]
Attachment=usb-nvme
Model=VKM VK4630 USB
Serial=UN30SN
Firmware=N0630A0
Capacity=64MiB
UsbHub=HostController0
UsbPort=1
UsbSerial=NV0001
BridgeSlot=5

[Disk6]
Attachment=usb-storage
Controller=VK4620XT
Inquiry=flash
Capacity=64MiB
UsbHub=Front
UsbPort=4
UsbSerial=UFD42
)";

TestLab::TestLab(const std::string& ini) : ini_(ini) { Restart(); }

void TestLab::Restart() {
  os_.reset();  // the old machine lets go of its files first
  fakes_ = std::make_unique<FakeFactory>();
  std::string error;
  os_ = lab::LabOs::Create(lab::ParseLabConfig(ini_), dir_.Str() + "/state", fakes_->Factory(),
                           error);
  ASSERT_TRUE(os_) << error;
}

}  // namespace labtest
