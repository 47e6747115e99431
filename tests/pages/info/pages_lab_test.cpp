// The information pages end to end on a lab machine: the tool folder with the
// shipped rule files, the start-up scan through the device layer and the
// vendor objects, and the pages reading the emulated drives.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "config/context/run_context.h"
#include "form/update_dispaly.h"
#include "form/device_scan/app_device_scanner.h"
#include "pages/info/info_pages_plugin.h"
#include "lab/demo/open_lab.h"
#include "lab/drives/lab_drive_factory.h"
#include "support/lab_builder.h"
#include "support/temp_dir.h"
#include "ui/headless_toolkit.h"

namespace {

const std::string kLabHead = testsupport::LabBuilder().Text();

// A SATA drive, the same family behind a USB-SAT bridge and a native NVMe
// drive, with the extra keys of each test.
std::string LabIni(const std::string& sataExtra, const std::string& bridgeExtra,
                   const std::string& nvmeExtra) {
  return std::string(kLabHead) + R"(
[Disk A]
Attachment=sata
Controller=VK4620XT
Model=VKM SATA SSD VK4620XT 256GB
Serial=VK20000000000000001
Firmware=S0221A0
Capacity=256GB
FwTag=  B27A
RetryTag=02
PowerOnHours=1234
LifeLeft=97
HostWrites32MiB=2
Reallocated=3
Apm=0
)" + sataExtra +
         R"(
[Disk B]
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
PowerOnHours=77
Trim=0
)" + bridgeExtra +
         R"(
[Disk C]
Attachment=nvme
Controller=VK4630
Model=VKM NVMe SSD VK4630 512GB
Serial=VK30000000000000001
Firmware=N0220A0
Capacity=512GB
Pci=3:0.0
PercentageUsed=5
PowerOnHours=321
DataUnitsWritten=1000
)" + nvmeExtra;
}

constexpr const char* kSettings = R"([Option]
ErrorLog=0
PopUpMsgBox=1
EnableSummary=1
ATA-PIFlag=1
SupportInboxDriver=1
ICType_0=VK4620XT
ICType_1=VK4620XT2
ICType_2=VK4630
[VK4620XT]
VKMStrTag=VKM4620XT
ECTableRule_FilePath=IdentifyDevice.ini
SMARTRule_FilePath=SmartAttr.ini
SMARTRule_SectionName=VK4620XT
[VK4620XT2]
VKMStrTag=VKM4620XT2
ECTableRule_FilePath=IdentifyDevice.ini
SMARTRule_FilePath=SmartAttr.ini
SMARTRule_SectionName=VK4620XT2
[VK4630]
VKMStrTag=VK4630
ECTableRule_FilePath=IdentifyController.ini
SMARTRule_FilePath=SmartHealthLog.ini
)";

// Drives (by serial number) whose firmware aborts IDENTIFY DEVICE from the
// moment a test says so: after the scan has identified them.
struct IdentifySwitch {
  std::set<std::string> failing;
};

class SwitchableAtaDrive : public lab::AtaDevice {
 public:
  SwitchableAtaDrive(std::unique_ptr<lab::AtaDevice> inner, std::string serial,
                     const IdentifySwitch& sw)
      : inner_(std::move(inner)), serial_(std::move(serial)), switch_(sw) {}
  lab::AtaResult ExecuteAta(lab::AtaCommand& command) override {
    constexpr uint8_t kIdentifyDevice = 0xEC;
    if (command.current.command == kIdentifyDevice && switch_.failing.count(serial_)) {
      lab::AtaResult r;
      r.current.command = lab::kAtaStatusDrdy | lab::kAtaStatusErr;
      r.current.features = lab::kAtaErrorAbrt;
      return r;
    }
    return inner_->ExecuteAta(command);
  }

 private:
  std::unique_ptr<lab::AtaDevice> inner_;
  std::string serial_;
  const IdentifySwitch& switch_;
};

class PagesOnLab : public ::testing::Test {
 protected:
  void Start(const std::string& labIni) {
    labDir.Write("lab.ini", labIni);
    std::string error;
    const lab::DriveFactory factory = [this](const lab::DriveContext& c) {
      lab::BuiltDrive built = lab::drives::BuildLabDrive(c);
      if (built.ata) {
        built.ata = std::make_unique<SwitchableAtaDrive>(std::move(built.ata), c.config.serial,
                                                         identifySwitch);
      }
      return built;
    };
    labOs = lab::OpenLab(labDir.Str(), factory, error);
    ASSERT_NE(labOs, nullptr) << error;
    home.Write("Setting.ini", kSettings);
    // The rule files as the tool ships them.
    namespace fs = std::filesystem;
    for (const char* profile : {"VK4620XT", "VK4620XT2", "VK4630"}) {
      fs::copy(fs::path(SSDTOOLS_DEMO_DIR) / profile, home.Path() / profile,
               fs::copy_options::recursive);
    }
    ctx = std::make_unique<app::RunContext>(*labOs, home.Str());
    toolkit = std::make_unique<ui::HeadlessToolkit>(*labOs);
    application = std::make_unique<ui::Application>(*toolkit);
    form = std::make_unique<app::TUpdateDispaly>(*application, *ctx);
    scan = std::make_unique<app::DeviceScanPlugin>(*form, *ctx);
    pages = std::make_unique<info::InfoPagesPlugin>(*form, scan->Drives());
    form->RunCreate();
  }
  void TearDown() override {
    pages.reset();
    scan.reset();
    form.reset();
  }

  // The sub-items of the first row with this caption.
  std::optional<std::vector<std::string>> Row(const std::string& caption) const {
    const ui::ListView& list = form->LV_ShowData;
    for (int r = 0; r < list.ItemCount(); ++r) {
      if (list.Item(r).caption == caption) return list.Item(r).subItems;
    }
    return std::nullopt;
  }
  std::string Value(const std::string& caption) const {
    const auto row = Row(caption);
    return row && !row->empty() ? row->front() : "<no row " + caption + ">";
  }
  std::string Padded(const std::string& text, size_t width) const {
    return text + std::string(width - text.size(), ' ');
  }
  std::vector<bool> Checks() const {
    return {form->IMG_Check_SMART.Visible(), form->IMG_Check_NCQ.Visible(),
            form->IMG_Check_APM.Visible(), form->IMG_Check_TRIM.Visible()};
  }
  std::vector<bool> Crosses() const {
    return {form->IMG_Cross_SMART.Visible(), form->IMG_Cross_NCQ.Visible(),
            form->IMG_Cross_APM.Visible(), form->IMG_Cross_TRIM.Visible()};
  }
  void Choose(int drive) { form->CMBB_DeviceList.UserSelect(drive); }

  IdentifySwitch identifySwitch;
  testsupport::TempDir labDir;
  testsupport::TempDir home;
  std::unique_ptr<lab::LabOs> labOs;
  std::unique_ptr<app::RunContext> ctx;
  std::unique_ptr<ui::HeadlessToolkit> toolkit;
  std::unique_ptr<ui::Application> application;
  std::unique_ptr<app::TUpdateDispaly> form;
  std::unique_ptr<app::DeviceScanPlugin> scan;
  std::unique_ptr<info::InfoPagesPlugin> pages;
};

TEST_F(PagesOnLab, SataDriveOnAllThreePages) {
  Start(LabIni("", "", ""));
  ASSERT_EQ(form->DeviceCount, 3);
  // Start-up opened the Device Info page of the first drive.
  EXPECT_EQ(Value("Model number"), Padded("VKM SATA SSD VK4620XT 256GB", 40));
  EXPECT_EQ(Value("Serial number"), Padded("VK20000000000000001", 20));
  EXPECT_EQ(Value("Firmware revision"), Padded("S0221A0", 8));

  form->T_Smart.Click();
  EXPECT_EQ(form->StatusMessage(), "Read SMART data successful");
  EXPECT_EQ(Row("09 Power-on hours"),
            (std::vector<std::string>{"0x64 (100)", "0x64 (100)", "00 00 00 00 04 D2"}));
  ASSERT_TRUE(Row("05 Reallocated sector count"));
  EXPECT_EQ(Row("05 Reallocated sector count")->at(2), "00 00 00 00 00 03");

  form->T_SummaryPage.Click();
  EXPECT_EQ(form->StatusMessage(), "Read SMART data successful");
  EXPECT_EQ(form->ST_ModelName_Edit.Caption(), Padded("VKM SATA SSD VK4620XT 256GB", 40));
  EXPECT_EQ(form->ST_FWVersion_Edit.Caption(), Padded("S0221A0", 8));
  EXPECT_EQ(form->ST_SerialNumber_Edit.Caption(), Padded("VK20000000000000001", 20));
  EXPECT_EQ(form->ST_PowerOnTime_Edit.Caption(), "1234 Hours");
  EXPECT_EQ(form->ST_SSDLife_Edit.Caption(), "97.00%");
  EXPECT_EQ(form->ST_BytesWritten_Edit.Caption(), "67,108,864");
  EXPECT_EQ(Checks(), (std::vector<bool>{true, true, false, true}));
  EXPECT_EQ(Crosses(), (std::vector<bool>{false, false, true, false}));
  // Reallocated=3: the drive works, its remapped sectors are worth a look.
  EXPECT_EQ(form->ST_Health.Caption(), "Health:");
  EXPECT_EQ(form->ST_Health_Edit.Caption(), "Caution: 3 reallocated sectors");
}

TEST_F(PagesOnLab, TheSummaryLineNamesWhatFailsAndTheNextDriveClearsIt) {
  // An attribute under its threshold, pending sectors; an NVMe drive in
  // read-only mode with its spare used up.
  Start(LabIni("SmartValue=AF:5:10\nSmartRaw=C5=2\n", "",
               "CriticalWarning=0x08\nAvailableSpare=4\nSpareThreshold=10\n"));
  ASSERT_EQ(form->DeviceCount, 3);
  form->T_SummaryPage.Click();
  EXPECT_EQ(form->ST_Health_Edit.Caption(),
            "Bad: attribute AF Power loss protection failures is failing: value 5, threshold 10; "
            "3 reallocated sectors; 2 pending sectors");
  EXPECT_EQ(form->ST_Health_Edit.Hint(),
            "attribute AF Power loss protection failures is failing: value 5, threshold 10\n"
            "3 reallocated sectors\n2 pending sectors");

  // The bridged drive passes SMART READ THRESHOLDS on and is healthy.
  Choose(1);
  EXPECT_EQ(form->ST_Health_Edit.Caption(), "Good");
  EXPECT_EQ(form->ST_Health_Edit.Hint(), "");

  Choose(2);
  EXPECT_EQ(form->ST_Health_Edit.Caption(),
            "Bad: critical warning: available spare below its threshold; critical warning: media "
            "placed in read-only mode; available spare 4% is below its threshold of 10%");
  // Threshold and current value are what the SMART page's drive reports.
  form->T_Smart.Click();
  EXPECT_EQ(Row("Critical warning (bit 0 spare, 1 temperature, 2 reliability, 3 read only, 4 "
                "backup device, 5 persistent memory)"),
            (std::vector<std::string>{"0x09", "9"}));
}

TEST_F(PagesOnLab, SataDriveBehindAUsbBridge) {
  Start(LabIni("", "", ""));
  ASSERT_EQ(form->DeviceCount, 3);
  Choose(1);
  EXPECT_EQ(form->StatusMessage(), "Read configuration table successful");
  EXPECT_EQ(Value("Model number"), Padded("VKM SATA SSD VK4620XT2 512GB", 40));

  form->T_Smart.Click();
  ASSERT_TRUE(Row("09 Power-on hours"));
  EXPECT_EQ(Row("09 Power-on hours")->at(2), "00 00 00 00 00 4D");

  form->T_SummaryPage.Click();
  EXPECT_EQ(form->ST_PowerOnTime_Edit.Caption(), "77 Hours");
  EXPECT_EQ(form->ST_SerialNumber_Edit.Caption(), Padded("VK2X000000000000001", 20));
  EXPECT_EQ(Checks(), (std::vector<bool>{true, true, true, false}));
}

TEST_F(PagesOnLab, NvmeDriveOnAllThreePages) {
  Start(LabIni("", "", ""));
  ASSERT_EQ(form->DeviceCount, 3);
  Choose(2);
  EXPECT_EQ(Value("Model number (MN)"), Padded("VKM NVMe SSD VK4630 512GB", 40));

  form->T_Smart.Click();
  EXPECT_EQ(form->StatusMessage(), "Read SMART data successful");
  EXPECT_EQ(Row("Percentage used, %"), (std::vector<std::string>{"0x05", "5"}));
  ASSERT_TRUE(Row("Power-on hours"));
  EXPECT_EQ(Row("Power-on hours")->at(1), "321");
  ASSERT_TRUE(Row("Data units written, 512000-byte units"));
  EXPECT_EQ(Row("Data units written, 512000-byte units")->at(1), "1000");

  form->T_SummaryPage.Click();
  EXPECT_EQ(form->ST_ModelName_Edit.Caption(), Padded("VKM NVMe SSD VK4630 512GB", 40));
  EXPECT_EQ(form->ST_FWVersion_Edit.Caption(), Padded("N0220A0", 8));
  EXPECT_EQ(form->ST_PowerOnTime_Edit.Caption(), "321 Hours");
  EXPECT_EQ(form->ST_SSDLife_Edit.Caption(), "95.00%");
  EXPECT_EQ(form->ST_BytesWritten_Edit.Caption(), "512,000,000");
  EXPECT_EQ(Checks(), (std::vector<bool>{true, true, true, true}));
  EXPECT_EQ(form->ST_Health_Edit.Caption(), "Good");
}

TEST_F(PagesOnLab, FailingDriveCommandsShowTheirStatusTexts) {
  // SMART commands (B0h) always fail on the bridged drive and Get Log Page on
  // both NVMe drives; a fourth drive sits behind the maker's miniport, which
  // passes the completion status on.
  Start(LabIni("", "FailCommands=B0:1+\n", "FailCommands=02:1+\n") + R"(
[Disk D]
Attachment=nvme-miniport
Controller=VK4630
Model=VKM NVMe SSD VK4630 1TB
Serial=VK30000000000000002
Firmware=N0221A0
Capacity=1TB
Pci=4:0.0
FailCommands=02:1+
)");
  ASSERT_EQ(form->DeviceCount, 4);
  identifySwitch.failing.insert("VK20000000000000001");

  form->T_DeviceInfo.Click();
  EXPECT_EQ(form->StatusMessage(), "Read configuration table fail(0)");
  EXPECT_EQ(form->LV_ShowData.ItemCount(), 0);
  form->T_SummaryPage.Click();
  EXPECT_EQ(form->StatusMessage(), "Read configuration table fail(0)");
  EXPECT_EQ(form->ST_ModelName_Edit.Caption(), "");
  EXPECT_EQ(Checks(), (std::vector<bool>{false, false, false, false}));
  EXPECT_EQ(Crosses(), (std::vector<bool>{false, false, false, false}));

  // The bridged drive: IDENTIFY answers, SMART READ DATA does not.
  Choose(1);
  EXPECT_EQ(form->StatusMessage(), "Read SMART data fail(0)");
  EXPECT_EQ(form->ST_ModelName_Edit.Caption(), "");
  EXPECT_EQ(form->ST_Health_Edit.Caption(), "");
  EXPECT_EQ(Crosses(), (std::vector<bool>{false, false, false, false}));
  form->T_Smart.Click();
  EXPECT_EQ(form->StatusMessage(), "Read SMART data fail(0)");
  EXPECT_EQ(form->LV_ShowData.ItemCount(), 0);

  // The inbox driver reports only that the request failed.
  Choose(2);
  EXPECT_EQ(form->StatusMessage(), "Read SMART data fail(-3)");
  EXPECT_EQ(form->LV_ShowData.ItemCount(), 0);
  // The miniport hands back the drive's status: Internal Error.
  Choose(3);
  EXPECT_EQ(form->StatusMessage(), "Read SMART data fail(SC:0x06, SCT:0x00)");
  EXPECT_EQ(form->LV_ShowData.ItemCount(), 0);
  // The Device Info page of an NVMe drive shows the scan's copy and sends nothing.
  form->T_DeviceInfo.Click();
  EXPECT_EQ(form->StatusMessage(), "Read configuration table successful");
  EXPECT_EQ(Value("Serial number (SN)"), Padded("VK30000000000000002", 20));
}

}  // namespace
