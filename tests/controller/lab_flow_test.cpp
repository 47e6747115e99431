// The vendor objects against a lab machine of emulated drives, found by the
// discovery scan as the tool finds them: attach, mode query and identity
// blocks of a SATA controller, a microcode download that installs new
// firmware, and the NVMe identify / download / commit flow.
#include <gtest/gtest.h>

#include <string>

#include "common/bytes.h"
#include "common/text.h"
#include "device/ata/ata_commands.h"
#include "controller/nvme/vk4630.h"
#include "controller/sata/vk4540lt.h"
#include "vendor_lab.h"

namespace controller {
namespace {

using namespace vendortest;
using Bytes = std::vector<uint8_t>;

const char kLab[] = R"([Machine]
SystemDirectory=C:\Windows\system32

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
Controller=VK4620XT
Model=VKM VK4620XT SSD
Serial=VK20SN0001
Firmware=S0620A0
Capacity=64MiB
FwTag=" BiCS4"
RetryTag=02

[Disk2]
Attachment=nvme-miniport
Controller=VK4630
Model=VKM VK4630 Mini
Serial=MP30SN
Firmware=N0630A0
Capacity=64MiB
Pci=4:0.0

[Disk3]
Attachment=sata
Controller=VK4610XT
Model=VKM VK4610XT SSD
Serial=VK10SN0789
Firmware=S0610A0
Capacity=64MiB
CommandLbas=789

[Disk4]
Attachment=sata
Controller=VK4620XT2
Model=VKM VK4620XT2 SSD
Serial=VK22SNECHO
Firmware=S0622A0
Capacity=64MiB
NoEcho=1
FailVendorCommands=04:2
)";

std::string Trimmed(const std::string& s) { return common::Trim(s); }

device::StorageDevice& Drive(VendorLab& lab, const std::string& serial) {
  for (int i = 0; i < lab.List().Count(); ++i)
    if (Trimmed(lab.List().Device(i).Serial()) == serial) return lab.List().Device(i);
  ADD_FAILURE() << "no drive " << serial;
  return lab.List().Device(0);
}

// The firmware revision of IDENTIFY DEVICE (words 23-26, pairs swapped).
std::string IdentifyFirmware(std::span<const uint8_t> id) {
  Bytes words(id.begin() + 46, id.begin() + 54);
  common::SwapBytePairs(words);
  return std::string(words.begin(), words.end());
}

// A plain SATA image the drive accepts: version text at 0xEFF0, a CID record
// at 0x800 and the checksum at 0x87C (sum of every byte outside 0x600..0x87F).
Bytes SataImage(const std::string& version, uint8_t cidFill) {
  Bytes image(0x10000, 0);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 13 + 5);
  std::fill(image.begin() + 0x600, image.begin() + 0x800, 0);  // blank IDENTIFY template
  std::fill(image.begin() + 0x800, image.begin() + 0x880, cidFill);
  std::fill(image.begin() + 0xEFF0, image.begin() + 0xF000, ' ');
  std::copy(version.begin(), version.end(), image.begin() + 0xEFF0);
  uint32_t sum = 0;
  for (size_t i = 0; i < image.size(); ++i)
    if (i < 0x600 || i >= 0x880) sum += image[i];
  common::WriteLe32(image, 0x87C, sum);
  return image;
}

TEST(LabFlow, SataControllerAttachesAndShowsItsModeAndParameterBlock) {
  VendorLab lab(kLab);
  device::StorageDevice& dev = Drive(lab, "VK20SN0001");
  VK4540LT hba;
  ASSERT_TRUE(hba.Attach(&dev));
  EXPECT_EQ(hba.DetectedName(), "VK4620XT");
  EXPECT_EQ(hba.CommandLbaInUse(), 0x55AAu);
  EXPECT_EQ(hba.BlockCount(), 64u * 1024 * 1024 / 512);
  EXPECT_EQ(hba.BlockLength(), 512u);
  EXPECT_FALSE(dev.IsOpen());
  EXPECT_EQ(lab.Os().OpenHandleCount(), 0u);

  int mode = -1;
  Bytes modeSector(512);
  EXPECT_EQ(hba.ModeQuery(&mode, modeSector), 0);
  EXPECT_EQ(mode, kModeNormal);
  EXPECT_EQ(std::string(modeSector.begin() + 46, modeSector.begin() + 54), "VK4620XT");

  Bytes param(1024);
  ASSERT_EQ(hba.ReadParameterBlock(param), 0);
  EXPECT_EQ(std::string(param.begin(), param.begin() + 10), "VK4620PARA");
  EXPECT_EQ(std::string(param.begin() + 522, param.begin() + 528), " BiCS4");

  Bytes flash(16384);
  EXPECT_EQ(hba.ReadFlashInfo(flash), 0);

  // The generic drive of another maker is never taken for a controller.
  VK4540LT other;
  EXPECT_FALSE(other.Attach(&Drive(lab, "OM0001")));
  EXPECT_EQ(other.AttachResult(), -10);
}

TEST(LabFlow, ControllerMemoryWriteIsReadBack) {
  VendorLab lab(kLab);
  device::StorageDevice& dev = Drive(lab, "VK20SN0001");
  VK4540LT hba;
  ASSERT_TRUE(hba.Attach(&dev));
  Bytes reg(512);
  ASSERT_EQ(hba.ReadMemory(0x10001150, reg, /*longLayout=*/true), 0);
  reg[0] = static_cast<uint8_t>(reg[0] & ~0x03);
  ASSERT_EQ(hba.WriteMemory(0x10001150, reg, true), 0);
  Bytes again(512, 0xEE);
  ASSERT_EQ(hba.ReadMemory(0x10001150, again, true), 0);
  EXPECT_EQ(again, reg);
}

TEST(LabFlow, CommandsGoToLba0x789WhenTheFirmwareTakesThemOnlyThere) {
  VendorLab lab(kLab);
  device::StorageDevice& dev = Drive(lab, "VK10SN0789");
  VK4540LT hba;
  ASSERT_TRUE(hba.Attach(&dev));
  EXPECT_EQ(hba.CommandLbaInUse(), 0x789u);
  Bytes param(1024);
  ASSERT_EQ(hba.ReadParameterBlock(param), 0);
  EXPECT_EQ(std::string(param.begin(), param.begin() + 10), "VK4610PARA");
}

// A controller that never echoes still answers; the second parameter-block
// read fails in its data phase and says so.
TEST(LabFlow, NoEchoAndAFailedDataPhase) {
  VendorLab lab(kLab);
  device::StorageDevice& dev = Drive(lab, "VK22SNECHO");
  VK4540LT hba;
  ASSERT_TRUE(hba.Attach(&dev));
  int mode = -1;
  Bytes modeSector(512);
  EXPECT_EQ(hba.ModeQuery(&mode, modeSector), 0);
  EXPECT_EQ(std::string(modeSector.begin() + 52, modeSector.begin() + 54), "XA");

  Bytes param(1024);
  EXPECT_EQ(hba.ReadParameterBlock(param), 0);
  EXPECT_EQ(std::string(param.begin(), param.begin() + 10), "VK4620PARA");
  Bytes failed(1024, 0xEE);
  EXPECT_EQ(hba.ReadParameterBlock(failed), -7);
}

TEST(LabFlow, ReservedLbasKeepTheUserDataAroundAnExchange) {
  VendorLab lab(kLab);
  device::StorageDevice& dev = Drive(lab, "VK20SN0001");
  VK4540LT hba;
  ASSERT_TRUE(hba.Attach(&dev));
  const Bytes user(512, 0x6B);
  ASSERT_EQ(hba.WriteSectorsOpening(0x55AA, 1, user), 0);
  Bytes param(1024);
  ASSERT_EQ(hba.ReadParameterBlock(param), 0);
  // Right after the exchange the firmware is still in vendor mode: the
  // command LBA reads back the block. An ordinary sector ends vendor mode.
  Bytes back(512);
  ASSERT_EQ(hba.ReadSectorsOpening(0x55AA, 1, back), 0);
  EXPECT_EQ(back[0], 0xF0);
  ASSERT_EQ(hba.ReadSectorsOpening(0, 1, back), 0);
  ASSERT_EQ(hba.ReadSectorsOpening(0x55AA, 1, back), 0);
  EXPECT_EQ(back, user);
}

// DOWNLOAD MICROCODE of an image followed by a fresh IDENTIFY reports the
// image's version; the drive's CID is now the image's.
TEST(LabFlow, MicrocodeDownloadInstallsTheImage) {
  VendorLab lab(kLab);
  device::StorageDevice& dev = Drive(lab, "VK20SN0001");
  VK4540LT hba;
  ASSERT_TRUE(hba.Attach(&dev));
  Bytes id(512);
  ASSERT_TRUE(hba.IdentifyDevice(id));
  EXPECT_EQ(IdentifyFirmware(id), "S0620A0 ");

  const Bytes image = SataImage("S0620B1", 0x4D);
  ASSERT_EQ(hba.DMicrocode(0x03, image.size() / 512, 32, image, id, /*dma=*/false, true), 0);

  Bytes after(512);
  ASSERT_TRUE(hba.IdentifyDevice(after));
  EXPECT_EQ(IdentifyFirmware(after), "S0620B1 ");
  Bytes cid(512);
  ASSERT_EQ(hba.ReadMemory(0x800, cid, true), 0);
  EXPECT_EQ(Bytes(cid.begin(), cid.begin() + 124), Bytes(124, 0x4D));

  // The new firmware survives a restart of the tool.
  lab.Restart();
  VK4540LT again;
  ASSERT_TRUE(again.Attach(&Drive(lab, "VK20SN0001")));
  ASSERT_TRUE(again.IdentifyDevice(after));
  EXPECT_EQ(IdentifyFirmware(after), "S0620B1 ");
}

TEST(LabFlow, DeferredDownloadIsActivatedByTheEngine) {
  VendorLab lab(kLab);
  device::StorageDevice& dev = Drive(lab, "VK10SN0789");
  VK4540LT hba;
  ASSERT_TRUE(hba.Attach(&dev));
  Bytes id(512);
  ASSERT_TRUE(hba.IdentifyDevice(id));
  const Bytes image = SataImage("S0610C3", 0x21);
  EXPECT_EQ(hba.DMicrocode(0x0E, image.size() / 512, 64, image, id, /*dma=*/true, true), 0);
  ASSERT_TRUE(hba.IdentifyDevice(id));
  EXPECT_EQ(IdentifyFirmware(id), "S0610C3 ");
}

TEST(LabFlow, NvmeMiniportIdentifyDownloadAndCommitWithAction3) {
  VendorLab lab(kLab);
  device::StorageDevice& dev = Drive(lab, "MP30SN");
  VK4630 hba;
  ASSERT_TRUE(hba.Attach(&dev));
  EXPECT_FALSE(dev.IsOpen());
  EXPECT_TRUE(hba.AttachByControlRequest(&dev));

  Bytes id(4096);
  ASSERT_TRUE(hba.Identify(id, 0, true));
  EXPECT_EQ(Trimmed(hba.FirmwareRevision()), "N0630A0");
  EXPECT_EQ(Trimmed(hba.Serial()), "MP30SN");
  Bytes ns(4096);
  ASSERT_TRUE(hba.Identify(ns, 1, false));
  EXPECT_EQ(hba.NamespaceSize(), 64u * 1024 * 1024 / 512);

  Bytes health(512);
  EXPECT_EQ(hba.GetLogPage(health, 0x02, 0, 0xFFFFFFFF, 0, 0), 0);

  Bytes image(0x10000, 0x3A);
  const std::string version = "N0630B2 ";
  std::copy(version.begin(), version.end(), image.begin() + 0xEFF0);
  const std::span<const uint8_t> all(image);
  ASSERT_EQ(hba.FirmwareImageDownload(all.first(0x8000), 0), 0);
  ASSERT_EQ(hba.FirmwareImageDownload(all.subspan(0x8000), 0x8000), 0);
  ASSERT_EQ(hba.FirmwareCommit(3, 2, false), 0);
  ASSERT_TRUE(hba.Identify(id, 0, true));
  EXPECT_EQ(hba.FirmwareRevision(), "N0630B2 ");
  EXPECT_EQ(lab.Os().OpenHandleCount(), 0u);
}

TEST(LabFlow, NvmeCommitWithAction1RunsTheNewFirmwareOnlyAfterARestart) {
  VendorLab lab(kLab);
  VK4630 hba;
  ASSERT_TRUE(hba.Attach(&Drive(lab, "MP30SN")));
  Bytes image(0x10000, 0x5C);
  const std::string version = "N0630C4 ";
  std::copy(version.begin(), version.end(), image.begin() + 0xEFF0);
  ASSERT_EQ(hba.FirmwareImageDownload(image, 0), 0);
  EXPECT_EQ(hba.FirmwareCommit(1, 2, false), -127);
  EXPECT_EQ(hba.StatusCode(), 0x11);
  EXPECT_EQ(hba.StatusCodeType(), 1);
  Bytes id(4096);
  ASSERT_TRUE(hba.Identify(id, 0, true));
  EXPECT_EQ(hba.FirmwareRevision(), "N0630A0 ");

  lab.Restart();
  VK4630 after;
  ASSERT_TRUE(after.Attach(&Drive(lab, "MP30SN")));
  ASSERT_TRUE(after.Identify(id, 0, true));
  EXPECT_EQ(after.FirmwareRevision(), "N0630C4 ");
}

TEST(LabFlow, NvmeVendorReadCarriesTheControllerName) {
  VendorLab lab(kLab);
  VK4630 hba;
  ASSERT_TRUE(hba.Attach(&Drive(lab, "MP30SN")));
  Bytes info(2048);
  ASSERT_EQ(hba.VendorRead(info, 0), 0);
  EXPECT_EQ(std::string(info.begin() + 496, info.begin() + 504), "VK4630AA");
  EXPECT_EQ(hba.VendorNoData(false), 0);

  // A SATA drive is not the NVMe object's, and a renamed controller is not
  // recognised.
  EXPECT_FALSE(hba.Attach(&Drive(lab, "VK20SN0001")));
  hba.SetControllerName("VK4640", 6);
  EXPECT_FALSE(hba.Attach(&Drive(lab, "MP30SN")));
}

}  // namespace
}  // namespace controller

namespace controller {
namespace {

const char kFaultLab[] = R"([Machine]
SystemDirectory=C:\Windows\system32

[HostController0]
Pci=0:20.0
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
Controller=VK4620XT
Model=VKM VK4620XT SSD
Serial=VKREJECT04
Firmware=S0620A0
Capacity=64MiB
RejectDownloadChunk=2

[Disk2]
Attachment=sata
Controller=VK4620XT
Model=VKM VK4620XT SSD
Serial=VKREJECT10
Firmware=S0620A0
Capacity=64MiB
RejectDownloadChunk=1
RejectDownloadError=10

[Disk3]
Attachment=sata
Controller=VK4620XT
Model=VKM VK4620XT SSD
Serial=VKPOWERLOSS
Firmware=S0620A0
Capacity=64MiB
PowerLossAtDownloadChunk=2

[Disk4]
Attachment=usb-sat
Controller=VK4620XT2
Model=VKM VK4620XT2 SSD
Serial=VKUSBSAT
Firmware=S0622A0
Capacity=64MiB
UsbHub=HostController0
UsbPort=1
UsbSerial=SAT0001

[Disk5]
Attachment=usb-storage
Controller=VK4620XT
Capacity=64MiB
UsbHub=HostController0
UsbPort=2
UsbSerial=UMS0001
)";

TEST(LabFlowFaults, RejectedChunkIsJudgedByTheErrorRegister) {
  VendorLab lab(kFaultLab);
  const Bytes image = SataImage("S0620B1", 0x4D);
  for (const auto& [serial, expected] :
       std::vector<std::pair<std::string, int>>{{"VKREJECT04", 6}, {"VKREJECT10", 5}}) {
    VK4540LT hba;
    ASSERT_TRUE(hba.Attach(&Drive(lab, serial))) << serial;
    Bytes id(512);
    ASSERT_TRUE(hba.IdentifyDevice(id));
    EXPECT_EQ(hba.DMicrocode(0x03, image.size() / 512, 32, image, id, false, true), expected)
        << serial;
    ASSERT_TRUE(hba.IdentifyDevice(id));
    EXPECT_EQ(IdentifyFirmware(id), "S0620A0 ") << serial;
  }
}

TEST(LabFlowFaults, PowerLostInTheMiddleOfADownloadKeepsTheOldFirmware) {
  VendorLab lab(kFaultLab);
  VK4540LT hba;
  ASSERT_TRUE(hba.Attach(&Drive(lab, "VKPOWERLOSS")));
  Bytes id(512);
  ASSERT_TRUE(hba.IdentifyDevice(id));
  const Bytes image = SataImage("S0620B1", 0x4D);
  EXPECT_EQ(hba.DMicrocode(0x03, image.size() / 512, 32, image, id, false, true), 4);
  lab.Restart();
  VK4540LT after;
  ASSERT_TRUE(after.Attach(&Drive(lab, "VKPOWERLOSS")));
  ASSERT_TRUE(after.IdentifyDevice(id));
  EXPECT_EQ(IdentifyFirmware(id), "S0620A0 ");
}

// Behind a USB-SAT bridge the sector primitives and DOWNLOAD MICROCODE travel
// in ATA PASS-THROUGH(16).
TEST(LabFlowFaults, UsbSatBridgeCarriesTheProtocolAndTheDownload) {
  VendorLab lab(kFaultLab);
  device::StorageDevice& dev = Drive(lab, "VKUSBSAT");
  ASSERT_NE(dev.devAttribute & device::STORAGE_SCSI_ATAPI, 0u);
  VK4540LT hba;
  ASSERT_TRUE(hba.Attach(&dev));
  int mode = -1;
  Bytes modeSector(512);
  EXPECT_EQ(hba.ModeQuery(&mode, modeSector), 0);
  EXPECT_EQ(std::string(modeSector.begin() + 46, modeSector.begin() + 54), "VK4620XA");
  Bytes id(512);
  ASSERT_TRUE(hba.IdentifyDevice(id));
  const Bytes image = SataImage("S0622B5", 0x33);
  ASSERT_EQ(hba.DMicrocode(0x03, image.size() / 512, 16, image, id, false, true), 0);
  ASSERT_TRUE(hba.IdentifyDevice(id));
  EXPECT_EQ(IdentifyFirmware(id), "S0622B5 ");
}

// A USB drive that offers only SCSI: READ(10) / WRITE(10) carry the protocol.
TEST(LabFlowFaults, PlainUsbStorageCarriesTheProtocolInRead10AndWrite10) {
  VendorLab lab(kFaultLab);
  // The scan lists such a drive only as the maker's flash device; address it
  // as the device layer would: physical drive 5, SCSI only.
  device::StorageDevice dev(lab.Os());
  ASSERT_TRUE(dev.OpenPhysicalDrive(5));
  dev.devAttribute = device::STORAGE_PHYSICAL | device::STORAGE_SCSI;
  dev.Close();
  VK4540LT hba;
  ASSERT_TRUE(hba.Attach(&dev));
  Bytes param(1024);
  ASSERT_EQ(hba.ReadParameterBlock(param), 0);
  EXPECT_EQ(std::string(param.begin(), param.begin() + 10), "VK4620PARA");
}

}  // namespace
}  // namespace controller
