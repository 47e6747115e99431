// The device-list fill behind the main form: rows of the update and erase
// lists, the device combo box, the newest version from the package, the
// run-log blocks at start-up and the rescan's warnings.
#include <gtest/gtest.h>

#include <algorithm>

#include "device/core/dev_attribute.h"
#include "form/device_scan/app_device_scanner.h"
#include "form_fixture.h"
#include "scan/result_column_map.h"
#include "scan/scan_fakes.h"

namespace app::testing {
namespace {

using device::STORAGE_ATA;
using device::STORAGE_NVME;
using device::STORAGE_PHYSICAL;

constexpr uint32_t kSata = STORAGE_ATA | STORAGE_PHYSICAL;
constexpr uint32_t kNvme = STORAGE_NVME | STORAGE_PHYSICAL;

std::string SettingsText(const std::string& extraOptions) {
  return "[Option]\n"
         "ErrorLog=0\n"
         "SSDToolLogName=scan_fill_test_no_such_log.txt\n" +
         extraOptions +
         "ICType_0=VK4610XT\n"
         "ICType_1=VK4620XT\n"
         "ICType_2=VK4620XT2\n"
         "ICType_3=VK4630\n"
         "[VK4610XT]\nVKMStrTag=VKM4610XT\n"
         "[VK4620XT]\nVKMStrTag=VKM4620XT\nISP_FilePath=ISP_VK4620XT.bin\n"
         "ISPVerOffset=16\nISPVerChkStrLengh=8\nISPVerChkStrSwapFlag=1\n"
         "[VK4620XT2]\nVKMStrTag=VKM4620XT2\n"
         "[VK4630]\nVKMStrTag=VKM4630\nISP_FilePath=ISP_VK4630.bin\n";
}

// The version "S0300A0" stored with the bytes of each pair swapped at offset 16.
std::string ConfiguredImage() {
  return std::string(16, '\xEE') +
         std::string(
             "0S03A0\0"
             "0",
             8) +
         std::string(32, '\xEE');
}

FakeDrive SataDrive() {
  FakeDrive d;
  d.identify = AtaIdentify("SATA-A", "S0220A0", "VK SSD 256GB");
  d.parameterBlock = ParamBlock("VK4620PARA", "01", " FB27A");
  return d;
}

FakeDrive NvmeDrive() {
  FakeDrive d;
  d.idCtrl = NvmeIdCtrl("NVME-B", "VK NVMe 512GB", "N0100A0");
  d.acceptedNames = {"VKM4630"};
  return d;
}

FakeDrive ForeignDrive() {
  FakeDrive d;
  d.attachFails = true;
  return d;
}

std::vector<std::string> Row(const ui::ListView& list, int row) {
  std::vector<std::string> texts{list.Item(row).caption};
  for (const std::string& s : list.Item(row).subItems) texts.push_back(s);
  return texts;
}

// The log lines from "Number of Device" up to the empty line before "[Tool Info]".
std::vector<std::string> DeviceLines(const RunLog& log) {
  const auto& lines = log.Lines();
  auto begin = std::find_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.starts_with("Number of Device"); });
  auto end = std::find(begin, lines.end(), "[Tool Info]");
  if (end != lines.end() && end != begin) --end;  // the empty line before it
  return std::vector<std::string>(begin, end);
}

class ScanFill : public ::testing::Test {
 protected:
  TUpdateDispaly& Start(const std::string& extraOptions = "ShowFWTag=1\n") {
    f.Settings(SettingsText(extraOptions));
    f.Build().SetDeviceScanner(&scanner);
    return f.Create();
  }

  FormFixture f;
  FakeMachine machine{f.os};
  ListDiscovery discovery{machine};
  DeviceTable table;
  ScriptedControllers controllers{machine};
  AppDeviceScanner scanner{f.ctx, discovery, table, &controllers};
};

TEST(ScanColumns, WithoutTheFirmwareTagItsColumnGoesAndTheResultMoves) {
  ui::ListView list("LV_UpdateDevStatus");
  for (const char* c : {"Disk (Click-Select All)", "Serial Number", "Curr FW Ver.",
                        "Newest FW Ver.", "Model Name", "FW Tag", "Result"}) {
    list.AddColumn(c, 10);
  }
  const ResultColumnMap shown = BuildResultColumnMap(true, list);
  EXPECT_EQ(list.ColumnCount(), 7);
  EXPECT_EQ(shown.fwTag, 4);
  EXPECT_EQ(shown.result, 5);

  const ResultColumnMap hidden = BuildResultColumnMap(false, list);
  ASSERT_EQ(list.ColumnCount(), 6);
  EXPECT_EQ(list.Column(5).caption, "Result");
  EXPECT_EQ(hidden.serialNumber, 0);
  EXPECT_EQ(hidden.currentFw, 1);
  EXPECT_EQ(hidden.newestFw, 2);
  EXPECT_EQ(hidden.modelName, 3);
  EXPECT_EQ(hidden.fwTag, -1);
  EXPECT_FALSE(hidden.HasFwTag());
  EXPECT_EQ(hidden.result, 4);
  // Building again never takes the result column with it.
  BuildResultColumnMap(false, list);
  EXPECT_EQ(list.ColumnCount(), 6);
}

TEST_F(ScanFill, StartUpFillsTheThreeListsAndWritesABlockPerDrive) {
  f.dir.Write("VK4620XT/ISP_VK4620XT.bin", ConfiguredImage());
  machine.Add("PhysicalDrive1", kSata, SataDrive());
  machine.Add("PhysicalDrive2", kNvme, NvmeDrive());
  machine.Add("PhysicalDrive3", kSata, ForeignDrive());
  TUpdateDispaly& w = Start();

  EXPECT_EQ(w.DeviceCount, 2);
  EXPECT_EQ(w.SelectedDevice, 0);
  ASSERT_EQ(w.LV_UpdateDevStatus.ItemCount(), 2);
  EXPECT_EQ(Row(w.LV_UpdateDevStatus, 0),
            (std::vector<std::string>{"PHYSICALDRIVE1", "SATA-A", "S0220A0", "S0300A0",
                                      "VK SSD 256GB", "B27A", ""}));
  EXPECT_EQ(Row(w.LV_UpdateDevStatus, 1),
            (std::vector<std::string>{"PHYSICALDRIVE2", "NVME-B", "N0100A0", "", "VK NVMe 512GB",
                                      "", ""}));
  ASSERT_EQ(w.LV_OptionErase.ItemCount(), 2);
  EXPECT_EQ(Row(w.LV_OptionErase, 0),
            (std::vector<std::string>{"PHYSICALDRIVE1", "SATA-A", "S0220A0", "VK SSD 256GB", ""}));
  EXPECT_EQ(Row(w.LV_OptionErase, 1),
            (std::vector<std::string>{"PHYSICALDRIVE2", "NVME-B", "N0100A0", "VK NVMe 512GB", ""}));
  EXPECT_EQ(w.CMBB_DeviceList.Items(),
            (std::vector<std::string>{"PHYSICALDRIVE1", "PHYSICALDRIVE2"}));
  EXPECT_EQ(w.CMBB_DeviceList.ItemIndex(), 0);
  // The drive of another maker is offered only for the data backup.
  EXPECT_EQ(w.CMBB_DeviceList_Source.Items(),
            (std::vector<std::string>{"PHYSICALDRIVE1", "PHYSICALDRIVE2", "PHYSICALDRIVE3"}));
  EXPECT_EQ(w.CMBB_DeviceList_Destination.Items(), w.CMBB_DeviceList_Source.Items());
  // The shown current versions are kept per slot for the update flows.
  EXPECT_EQ(table.Slot(0).data.CurrentFirmware(), "S0220A0");
  EXPECT_EQ(table.Slot(1).data.CurrentFirmware(), "N0100A0");

  const std::string missing = f.dir.Str() + "\\VK4630\\ISP_VK4630.bin";
  const std::vector<std::string> expected{
      "Number of Device:2",        "[Dev_0]",
      "Controller     : VK4620XT", "Device         : PHYSICALDRIVE1",
      "Serial Number  : SATA-A",   "Current FW Ver : S0220A0",
      "Expect FW Ver  : S0300A0",  "Model Name     : VK SSD 256GB",
      "FW Tag         : B27A",     "[Dev_1]",
      "Controller     : VK4630",   "Device         : PHYSICALDRIVE2",
      "Serial Number  : NVME-B",   "Current FW Ver : N0100A0",
      "Expect FW Ver  : ",         "Model Name     : VK NVMe 512GB",
      "***Warning***(Dev_1)",      "File Not Exist => " + missing};
  EXPECT_EQ(DeviceLines(f.ctx.runLog), expected);
  // Every drive was closed after its row.
  EXPECT_FALSE(machine.Devices()[0]->IsOpen());
  EXPECT_TRUE(std::count(controllers.calls.begin(), controllers.calls.end(), "1:close") > 0);
}

TEST_F(ScanFill, WithoutTheTagColumnRowsKeepSixSubItemsAndBlocksHaveNoTagLine) {
  f.dir.Write("VK4620XT/ISP_VK4620XT.bin", ConfiguredImage());
  machine.Add("PhysicalDrive1", kSata, SataDrive());
  TUpdateDispaly& w = Start("ShowFWTag=0\n");

  EXPECT_EQ(w.LV_UpdateDevStatus.ColumnCount(), 6);
  EXPECT_EQ(scanner.Columns().result, 4);
  EXPECT_EQ(Row(w.LV_UpdateDevStatus, 0),
            (std::vector<std::string>{"PHYSICALDRIVE1", "SATA-A", "S0220A0", "S0300A0",
                                      "VK SSD 256GB", "", ""}));
  const std::vector<std::string> lines = DeviceLines(f.ctx.runLog);
  EXPECT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines.back(), "Model Name     : VK SSD 256GB");
}

TEST_F(ScanFill, AutomaticModeReadsThePackageImageOfTheDrivesFamilyFolder) {
  // The XT2 variant's image, the version in the identity field at 0xEFF0.
  std::string image(0xF000, '\xFF');
  image.replace(0xEFF0, 8, std::string("S0400A0\0", 8));
  f.dir.Write("Firmware/4620XT2/B27A/01/ISP4620.bin", image);
  FakeDrive xt2 = SataDrive();
  xt2.modeSector[52] = 'X';
  xt2.modeSector[53] = 'A';
  machine.Add("PhysicalDrive1", kSata, xt2);
  machine.Add("PhysicalDrive2", kNvme, NvmeDrive());
  TUpdateDispaly& w = Start("ShowFWTag=1\nAutoGenFlu=1\n");

  ASSERT_EQ(w.LV_UpdateDevStatus.ItemCount(), 2);
  EXPECT_EQ(w.LV_UpdateDevStatus.SubItem(0, 2), "S0400A0");
  const std::vector<std::string> lines = DeviceLines(f.ctx.runLog);
  EXPECT_EQ(lines[2], "Controller     : VK4620XT2");
  // The NVMe drive has no package image in this mode.
  EXPECT_EQ(lines.end()[-2], "***Warning***(Dev_1)");
  EXPECT_EQ(lines.back(), "File Not Exist => ");
}

TEST_F(ScanFill, AutomaticModeLetsSetCidOverrideTheImageVersion) {
  std::string image(0xF000, '\xFF');
  image.replace(0xEFF0, 8, std::string("S0400A0\0", 8));
  f.dir.Write("Firmware/4620/B27A/01/ISP4620.bin", image);
  f.dir.Write("Firmware/4620/B27A/SetCID.ini", "[IDTable]\nSetFWVer_S0220A0=S0500B0-LONG\n");
  machine.Add("PhysicalDrive1", kSata, SataDrive());
  TUpdateDispaly& w = Start("ShowFWTag=1\nAutoGenFlu=1\n");
  EXPECT_EQ(w.LV_UpdateDevStatus.SubItem(0, 2), "S0500B0-");
}

TEST_F(ScanFill, RescanRebuildsTheListsAndOnlyWarnsAboutMissingImages) {
  f.dir.Write("VK4620XT/ISP_VK4620XT.bin", ConfiguredImage());
  machine.Add("PhysicalDrive1", kSata, SataDrive());
  machine.Add("PhysicalDrive2", kNvme, NvmeDrive());
  TUpdateDispaly& w = Start("ShowFWTag=0\n");
  const size_t before = f.ctx.runLog.Lines().size();
  const int releasesBefore = discovery.releases;

  w.ST_DeviceName.Click();

  EXPECT_EQ(discovery.scans, 2);
  EXPECT_EQ(discovery.releases, releasesBefore + 1);
  EXPECT_EQ(w.LV_UpdateDevStatus.ItemCount(), 2);
  EXPECT_EQ(w.LV_OptionErase.ItemCount(), 2);
  EXPECT_EQ(w.CMBB_DeviceList.ItemCount(), 2);
  EXPECT_EQ(w.CMBB_DeviceList_Source.ItemCount(), 2);
  EXPECT_EQ(w.LV_UpdateDevStatus.Item(0).subItems.size(), 6u);
  // The columns stay as start-up made them.
  EXPECT_EQ(w.LV_UpdateDevStatus.ColumnCount(), 6);
  EXPECT_EQ(w.StatusMessage(), "Scan device complete");
  EXPECT_TRUE(w.PN_DeviceInfo.Enabled());

  const std::vector<std::string> added(f.ctx.runLog.Lines().begin() + static_cast<long>(before),
                                       f.ctx.runLog.Lines().end());
  const std::vector<std::string> expected{"[Warning]Please check FW file(1)...\n " + f.dir.Str() +
                                          "\\VK4630\\ISP_VK4630.bin"};
  EXPECT_EQ(added, expected);
}

TEST_F(ScanFill, StartUpForgetsTheCurrentVersionsOfTheLastScan) {
  table.Slot(5).data.SetCurrentFirmware("OLD-VERSION-TEXT-TOO-LONG");
  EXPECT_EQ(table.Slot(5).data.CurrentFirmware(), "OLD-VERSION-TEX");
  Start();
  EXPECT_EQ(table.Slot(5).data.CurrentFirmware(), "");
  EXPECT_EQ(DeviceLines(f.ctx.runLog), std::vector<std::string>{"Number of Device:0"});
}

}  // namespace
}  // namespace app::testing
