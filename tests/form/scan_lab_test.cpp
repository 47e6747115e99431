// The scan end to end on a lab machine: the device layer's discovery, the
// vendor objects and the lab's emulated controllers, seen through the main
// form's lists and run log.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "device/core/dev_attribute.h"
#include "form_on_lab.h"
#include "support/lab_builder.h"

namespace app::testing {
namespace {

// A machine with a system disk of another maker and the maker's drives on
// SATA, a USB-SAT bridge, native NVMe and the NVMe miniport.
const std::string kLabIni = testsupport::LabBuilder().Text() + R"(
[Disk A]
Attachment=sata
Controller=VK4610XT
Model=VKM SATA SSD VK4610XT 128GB
Serial=VK10000000000000001
Firmware=S0220A0
Capacity=128GB
FwTag=FFB17A
RetryTag=01

[Disk B]
Attachment=sata
Controller=VK4620XT
Model=VKM SATA SSD VK4620XT 256GB
Serial=VK20000000000000001
Firmware=S0221A0
Capacity=256GB
FwTag=  B27A
RetryTag=02

[Disk C]
Attachment=usb-sat
Controller=VK4620XT2
Model=VKM SATA SSD VK4620XT2 512GB
Serial=VK2X000000000000001
Firmware=S0222A0
Capacity=512GB
FwTag=FB47B
RetryTag=03
UsbHub=HostController0
UsbPort=2
UsbSerial=VK2X000000000001

[Disk D]
Attachment=nvme
Controller=VK4630
Model=VKM NVMe SSD VK4630 512GB
Serial=VK30000000000000001
Firmware=N0220A0
Capacity=512GB
Pci=3:0.0

[Disk E]
Attachment=nvme-miniport
Controller=VK4630
Model=VKM NVMe SSD VK4630 1TB
Serial=VK30000000000000002
Firmware=N0221A0
Capacity=1TB
Pci=4:0.0
)";

constexpr const char* kSettings = R"([Option]
ErrorLog=0
SSDToolLogName=scan_lab_test_no_such_log.txt
ShowFWTag=1
ATA-PIFlag=1
SupportInboxDriver=1
ICType_0=VK4610XT
ICType_1=VK4620XT
ICType_2=VK4620XT2
ICType_3=VK4630
[VK4610XT]
VKMStrTag=VKM4610XT
ISP_FilePath=ISP_VK4610XT.bin
[VK4620XT]
VKMStrTag=VKM4620XT
ISP_FilePath=ISP_VK4620XT.bin
[VK4620XT2]
VKMStrTag=VKM4620XT2
ISP_FilePath=ISP_VK4620XT2.bin
[VK4630]
VKMStrTag=VK4630
ISP_FilePath=ISP_VK4630.bin
)";

class ScanOnLab : public FormOnLab {
 protected:
  void SetUp() override {
    Build(kLabIni, kSettings);
    home.Write("VK4620XT/ISP_VK4620XT.bin", std::string("S0300A0\0", 8) + std::string(56, '\0'));
  }

  std::vector<std::string> Column(const ui::ListView& list, int sub) {
    std::vector<std::string> v;
    for (int r = 0; r < list.ItemCount(); ++r) {
      v.push_back(sub < 0 ? list.Item(r).caption : list.SubItem(r, sub));
    }
    return v;
  }
};

TEST_F(ScanOnLab, EveryDriveOfTheFamilyIsIdentifiedAndListed) {
  form->RunCreate();
  TUpdateDispaly& w = *form;
  DeviceTable& table = plugin->Table();

  ASSERT_EQ(table.DeviceCount(), 5);
  EXPECT_EQ(w.DeviceCount, 5);
  std::vector<int> profiles;
  for (int s = 0; s < table.DeviceCount(); ++s) profiles.push_back(table.Slot(s).data.profileIndex);
  EXPECT_EQ(profiles, (std::vector<int>{0, 1, 2, 3, 3}));
  EXPECT_TRUE(table.Slot(3).device.IsNvmeDrive());
  EXPECT_FALSE(table.Slot(2).device.IsNvmeDrive());

  const ui::ListView& list = w.LV_UpdateDevStatus;
  EXPECT_EQ(Column(list, 0), (std::vector<std::string>{"VK10000000000000001", "VK20000000000000001",
                                                       "VK2X000000000000001", "VK30000000000000001",
                                                       "VK30000000000000002"}));
  EXPECT_EQ(Column(list, 1),
            (std::vector<std::string>{"S0220A0", "S0221A0", "S0222A0", "N0220A0", "N0221A0"}));
  EXPECT_EQ(Column(list, 2), (std::vector<std::string>{"", "S0300A0", "", "", ""}));
  EXPECT_EQ(Column(list, 3)[2], "VKM SATA SSD VK4620XT2 512GB");
  EXPECT_EQ(Column(list, 3)[4], "VKM NVMe SSD VK4630 1TB");
  EXPECT_EQ(Column(list, 4), (std::vector<std::string>{"B17A", "B27A", "B47B", "", ""}));
  // The erase list and the information pages' list show the same drives.
  EXPECT_EQ(Column(w.LV_OptionErase, -1), Column(list, -1));
  EXPECT_EQ(Column(w.LV_OptionErase, 0), Column(list, 0));
  EXPECT_EQ(w.CMBB_DeviceList.Items(), Column(list, -1));
  EXPECT_EQ(w.CMBB_DeviceList.ItemIndex(), 0);
  // The system disk of the other maker is offered only for the data backup.
  const std::vector<std::string>& backup = w.CMBB_DeviceList_Source.Items();
  EXPECT_EQ(backup.size(), 6u);
  for (const std::string& caption : Column(list, -1)) {
    EXPECT_NE(std::find(backup.begin(), backup.end(), caption), backup.end()) << caption;
  }

  // The run log's device part.
  const auto& lines = ctx->runLog.Lines();
  const auto count = std::find(lines.begin(), lines.end(), "Number of Device:5");
  ASSERT_NE(count, lines.end());
  const std::vector<std::string> block(count + 1, count + 10);
  const std::vector<std::string> expected{"[Dev_0]",
                                          "Controller     : VK4610XT",
                                          "Device         : " + list.Item(0).caption,
                                          "Serial Number  : VK10000000000000001",
                                          "Current FW Ver : S0220A0",
                                          "Expect FW Ver  : ",
                                          "Model Name     : VKM SATA SSD VK4610XT 128GB",
                                          "FW Tag         : B17A",
                                          "***Warning***(Dev_0)"};
  EXPECT_EQ(block, expected);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Expect FW Ver  : S0300A0"), lines.end());
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.starts_with("FW Tag"); }),
            3);

  // Identification leaves no handle open behind it.
  EXPECT_EQ(labOs->OpenHandleCount(), 0u);
}

TEST_F(ScanOnLab, AutomaticModeFindsTheXt2ImageThroughTheModeSector) {
  // Only the XT2 drive behind the USB bridge has an image, in its variant's folder.
  std::string image(0xF000, '\xFF');
  image.replace(0xEFF0, 8, std::string("S0400A0\0", 8));
  home.Write("Firmware/4620XT2/B47B/03/ISP4620.bin", image);
  std::string settings = kSettings;
  settings.insert(settings.find("ShowFWTag=1"), "AutoGenFlu=1\n");
  home.Write("Setting.ini", settings);
  form->RunCreate();
  ASSERT_EQ(plugin->Table().DeviceCount(), 5);
  EXPECT_EQ(Column(form->LV_UpdateDevStatus, 2),
            (std::vector<std::string>{"", "", "S0400A0", "", ""}));
  const auto& lines = ctx->runLog.Lines();
  EXPECT_NE(
      std::find(lines.begin(), lines.end(),
                "File Not Exist => " + home.Str() + "\\Firmware\\4620\\B27A\\02\\ISP4620.bin"),
      lines.end());
  EXPECT_EQ(labOs->OpenHandleCount(), 0u);
}

TEST_F(ScanOnLab, ARescanFindsTheSameDrivesAgain) {
  form->RunCreate();
  const std::vector<std::string> before = Column(form->LV_UpdateDevStatus, 0);
  form->ST_DeviceName.Click();
  EXPECT_EQ(plugin->Table().DeviceCount(), 5);
  EXPECT_EQ(Column(form->LV_UpdateDevStatus, 0), before);
  EXPECT_EQ(labOs->OpenHandleCount(), 0u);
}

TEST_F(ScanOnLab, TheSlotObjectRoutesByAccessPath) {
  form->RunCreate();
  DeviceTable& table = plugin->Table();
  ASSERT_EQ(table.DeviceCount(), 5);
  // SATA: the parameter block comes through the vendor protocol; no NVMe command.
  VKMClass& sata = table.Slot(1).device;
  std::array<uint8_t, 1024> pb{};
  EXPECT_EQ(sata.ReadParameterBlock(pb), 0);
  EXPECT_EQ(std::string(pb.begin(), pb.begin() + 10), "VK4620PARA");
  std::array<uint8_t, 2048> vendor{};
  EXPECT_EQ(sata.NvmeVendorRead(vendor, 0), kWrongAccessPath);
  std::array<uint8_t, 512> smart{};
  EXPECT_TRUE(sata.SmartReadData(smart));
  // NVMe: no parameter block, the vendor read and Identify answer.
  VKMClass& nvme = table.Slot(3).device;
  EXPECT_EQ(nvme.ReadParameterBlock(pb), kWrongAccessPath);
  EXPECT_EQ(nvme.NvmeVendorRead(vendor, 0), 0);
  EXPECT_EQ(std::string(vendor.begin() + 496, vendor.begin() + 502), "VK4630");
  std::array<uint8_t, 4096> id{};
  EXPECT_TRUE(nvme.NvmeIdentify(id, 0, true));
  EXPECT_EQ(std::string(id.begin() + 4, id.begin() + 23), "VK30000000000000001");
  EXPECT_EQ(nvme.DevName(), table.Slot(3).device.Drive()->Name());
  nvme.Close();
  sata.Close();
  EXPECT_EQ(labOs->OpenHandleCount(), 0u);
}

}  // namespace
}  // namespace app::testing
