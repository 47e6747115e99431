// What the tool says about the drives themselves: identity strings with
// control bytes are shown escaped everywhere, drives found but not listed are
// named with the reason, a drive of unknown identity is offered nothing and
// is not updated, and a rule file or image that cannot be used is named.
#include <filesystem>

#include "shell/cli/cli_options.h"
#include "tool_on_lab.h"

namespace shelltest {
namespace {

// Clears the terminal and forges a run-log line of its own.
constexpr const char* kEvilModel = "\r\x1b[2J[Result Info]\rPASS";
constexpr const char* kEvilModelShown = "\\x0D\\x1B[2J[Result Info]\\x0DPASS";
// The lists trim blanks, a leading CR among them, before they escape.
constexpr const char* kEvilModelTrimmedShown = "\\x1B[2J[Result Info]\\x0DPASS";

class DriveReports : public ToolOnLab {
 protected:
  void Lab(const testsupport::LabBuilder& b) { lab.Write("lab.ini", b.Text()); }
};

TEST_F(DriveReports, ControlBytesOfIdentityStringsAreEscapedInEveryOutput) {
  testsupport::LabBuilder b;
  b.Sata("Disk A", "VK4620XT",
         {"Number=1", "Serial=VKA0000000000000001", "Capacity=65536", "Firmware=S0220A0",
          std::string("Model=\"") + kEvilModel + "\""});
  b.Nvme("Disk C", {"Number=3", "Serial=VKC\x1b]0;owned\x07", "Capacity=65536", "Firmware=N0220A0",
                    std::string("Model=\"NVMe") + kEvilModel + "\""});
  Lab(b);

  ASSERT_EQ(Cli({"list"}), 0) << err.str();
  EXPECT_FALSE(HasControlBytes(out.str())) << out.str();
  EXPECT_NE(out.str().find(kEvilModelShown), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("VKC\\x1B]0;owned\\x07"), std::string::npos) << out.str();
  ASSERT_EQ(Cli({"list", "--all"}), 0);
  EXPECT_FALSE(HasControlBytes(out.str())) << out.str();

  ASSERT_EQ(Cli({"info", "PHYSICALDRIVE1"}), 0) << err.str();
  EXPECT_FALSE(HasControlBytes(out.str())) << out.str();
  EXPECT_NE(out.str().find(kEvilModelShown), std::string::npos) << out.str();
  ASSERT_EQ(Cli({"summary", "PHYSICALDRIVE3"}), 0) << err.str();
  EXPECT_FALSE(HasControlBytes(out.str())) << out.str();

  // The printed run log and Log.txt carry no line the drive wrote.
  std::string printed;
  ASSERT_EQ(Headless(printed), 0);
  EXPECT_FALSE(HasControlBytes(printed)) << printed;
  EXPECT_EQ(printed.find("\nPASS"), std::string::npos);
  EXPECT_NE(printed.find(std::string("Model Name     : ") + kEvilModelTrimmedShown),
            std::string::npos)
      << printed;
  const std::string file = work.Read("Log.txt");
  EXPECT_FALSE(HasControlBytes(file)) << file;
  EXPECT_EQ(file.find("[Result Info]\r\n"), std::string::npos);

  // The update still matches the package against the raw bytes, and passes.
  ASSERT_EQ(Cli({"update", "PHYSICALDRIVE1", "PHYSICALDRIVE3", "--yes", "--json"}), 0) << err.str() << out.str();
  EXPECT_FALSE(HasControlBytes(out.str()));
  ASSERT_EQ(Cli({"list", "--json"}), 0);
  EXPECT_NE(out.str().find("\"firmware\": \"S0312A0\""), std::string::npos) << out.str();
}

TEST_F(DriveReports, AnUnreadableFirstSectorDoesNotHideAUsbDriveFromItsUser) {
  testsupport::LabBuilder b;
  b.UsbSat("Disk B", "VK4620XT", 2,
           {"Number=2", "Serial=VKB0000000000000001", "Capacity=65536", "Firmware=S0220A0",
            "UnreadableSectors=0"});
  Lab(b);
  ASSERT_EQ(Cli({"list", "--json"}), 0) << err.str();
  EXPECT_NE(out.str().find("\"serial\": \"VKB0000000000000001\""), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("\"offeredFirmware\": \"S0312A0\""), std::string::npos);
  EXPECT_EQ(err.str(), "");
}

TEST_F(DriveReports, DrivesFoundButNotListedAreNamedWithTheirReasons) {
  testsupport::LabBuilder b;
  b.Sata("Disk A", "VK4620XT",
         {"Number=1", "Serial=VKA0000000000000001", "Capacity=65536", "Firmware=S0220A0"});
  b.UsbSat("Disk B", "VK4620XT", 2,
           {"Number=2", "Serial=VKB0000000000000001", "Capacity=65536", "BridgeSilent=1"});
  // The bridge's second IDENTIFY (its own INQUIRY sent the first) aborts.
  b.UsbSat(
      "Disk D", "VK4620XT", 4,
      {"Number=4", "Serial=VKD0000000000000001", "Capacity=65536", "FailTransport=ata:0xEC@2"});
  b.UsbSat(
      "Disk E", "VK4620XT", 3,
      {"Number=5", "Serial=VKE0000000000000001", "Capacity=65536", "FailTransport=ata:0xC8@1"});
  Lab(b);
  const std::string expected =
      "3 drives found but not listed: PHYSICALDRIVE2 (its USB bridge does not answer INQUIRY); "
      "PHYSICALDRIVE4 (IDENTIFY DEVICE through its USB bridge failed); "
      "PHYSICALDRIVE5 (READ DMA of LBA 0 through its USB bridge failed)";

  ASSERT_EQ(Cli({"list"}), 0) << err.str();
  EXPECT_NE(err.str().find(expected), std::string::npos) << err.str();
  // The rules of what is listed are kept.
  EXPECT_EQ(out.str().find("PHYSICALDRIVE2"), std::string::npos);
  EXPECT_EQ(out.str().find("PHYSICALDRIVE5"), std::string::npos);

  // One run-log entry per scan: in the printed log and in Log.txt.
  std::string printed;
  ASSERT_EQ(Headless(printed), 0);
  EXPECT_NE(printed.find(expected), std::string::npos) << printed;
  EXPECT_EQ(printed.find(expected), printed.rfind(expected));
  EXPECT_NE(work.Read("Log.txt").find(expected + "\r\n"), std::string::npos);
}

TEST_F(DriveReports, TheStatusBarAndTheTraceNameDroppedDrivesAtStartAndRescan) {
  testsupport::LabBuilder b;
  b.UsbSat("Disk B", "VK4620XT", 2,
           {"Number=2", "Serial=VKB0000000000000001", "Capacity=65536", "BridgeSilent=1"});
  Lab(b);
  std::string error;
  auto os = app::OpenBackend(lab.Str(), error);
  ASSERT_NE(os, nullptr) << error;
  os->Trace().SetCapture(true);
  app::RunContext ctx(*os, home.Str());
  ui::HeadlessToolkit kit(*os);
  ui::Application application(kit);
  app::TUpdateDispaly form(application, ctx);
  app::SessionPlugins plugins(form, ctx);
  form.RunCreate();
  const std::string dropped =
      "1 drive found but not listed: PHYSICALDRIVE2 (its USB bridge does not answer INQUIRY)";
  EXPECT_EQ(form.StatusMessage(), "Scan device complete - " + dropped);
  EXPECT_TRUE(os->Trace().Contains("[VKM_SCAN] ScanTarget: " + dropped));
  EXPECT_TRUE(os->Trace().Contains("[VKM_SCAN] Initialize: PHYSICALDRIVE2 not listed"));

  form.ST_DeviceNameClick();
  EXPECT_EQ(form.StatusMessage(), "Scan device complete - " + dropped);
  int entries = 0;
  for (const std::string& line : ctx.runLog.Lines()) entries += line == dropped;
  EXPECT_EQ(entries, 2);  // one per scan
  application.RequestClose(form);
}

TEST_F(DriveReports, DrivesPastTheSixteenthAreNamedAsNotLookedAt) {
  testsupport::LabBuilder b;
  for (int i = 1; i <= 17; ++i) {
    const std::string n = std::to_string(i);
    b.Sata("Disk " + n, "VK4620XT",
           {"Number=" + n, "Serial=VK" + std::string(i < 10 ? "0" : "") + n + "0000000000000001",
            "Capacity=65536"});
  }
  Lab(b);
  ASSERT_EQ(Cli({"list", "--json"}), 0) << err.str();
  EXPECT_NE(err.str().find("1 drive found but not listed: PHYSICALDRIVE17 (not looked at, the "
                           "device list holds 16 drives)"),
            std::string::npos)
      << err.str();
}

TEST_F(DriveReports, ADriveOfUnknownIdentityIsOfferedNothingAndNotUpdated) {
  // IDENTIFY answers the bridge's own INQUIRY and the discovery's SAT test,
  // then fails for good.
  const auto withFault = [](const char* fault) {
    testsupport::LabBuilder lb;
    lb.UsbSat(
        "Disk A", "VK4620XT", 2,
        {"Number=1", "Serial=VKA0000000000000001", "Capacity=65536", "Firmware=S0220A0", fault});
    return lb;
  };
  Lab(withFault("FailCommands=EC:4+"));
  ASSERT_EQ(Cli({"list", "--json"}), 0) << err.str();
  EXPECT_NE(out.str().find("\"offeredFirmware\": \"\""), std::string::npos) << out.str();

  std::string printed;
  home.Write("Setting.ini", ToolSettings("AutoRun=1\nAutoClose=1\n"));
  EXPECT_EQ(Headless(printed), 1);
  EXPECT_NE(printed.find("Expect FW Ver  : \n"), std::string::npos) << printed;
  EXPECT_NE(printed.find("No FW Version => the drive did not report its identity"),
            std::string::npos)
      << printed;
  EXPECT_NE(printed.find("Dev_0          : Unknown FW version: the drive did not report its "
                         "identity"),
            std::string::npos)
      << printed;
  // Nothing was sent: without the fault the drive reports its old firmware.
  Lab(withFault("PowerOnHours=1"));
  ASSERT_EQ(Cli({"list", "--json"}), 0) << err.str();
  EXPECT_NE(out.str().find("\"firmware\": \"S0220A0\""), std::string::npos) << out.str();
}

TEST_F(DriveReports, MissingRuleFilesAreNamedInsteadOfASuccess) {
  testsupport::LabBuilder b;
  b.Sata("Disk A", "VK4620XT", {"Number=1", "Serial=VKA0000000000000001", "Capacity=65536"});
  b.Nvme("Disk C", {"Number=3", "Serial=VKC0000000000000001", "Capacity=65536"});
  Lab(b);
  std::filesystem::remove(home.Path() / "VK4620XT" / "IdentifyDevice.ini");
  std::filesystem::remove(home.Path() / "VK4620XT" / "SmartAttr.ini");
  std::filesystem::remove(home.Path() / "VK4630" / "SmartHealthLog.ini");

  EXPECT_EQ(Cli({"info", "PHYSICALDRIVE1"}), 1);
  EXPECT_NE(out.str().find("Rule file not found: "), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("IdentifyDevice.ini"), std::string::npos) << out.str();
  EXPECT_EQ(out.str().find("Read configuration table successful"), std::string::npos);
  EXPECT_EQ(Cli({"smart", "PHYSICALDRIVE1"}), 1);
  EXPECT_NE(out.str().find("SmartAttr.ini"), std::string::npos) << out.str();
  EXPECT_EQ(Cli({"smart", "PHYSICALDRIVE3"}), 1);
  EXPECT_NE(out.str().find("Rule file not found: "), std::string::npos) << out.str();
  // A rule file that is there decodes as before.
  EXPECT_EQ(Cli({"info", "PHYSICALDRIVE3"}), 0) << out.str();
}

TEST_F(DriveReports, AnImageThatGivesNoVersionIsTracedAndLoggedWithTheReason) {
  testsupport::LabBuilder b;
  b.Sata("Disk A", "VK4620XT",
         {"Number=1", "Serial=VKA0000000000000001", "Capacity=65536", "Firmware=S0220A0"});
  b.Nvme("Disk C", {"Number=3", "Serial=VKC0000000000000001", "Capacity=65536"});
  Lab(b);
  home.Write("VK4620XT/ISP_VK4620XT.bin", std::string(100, 'x'));  // ends before offset 1582
  home.Write("VK4630/ISP_VK4630.bin", "");

  std::string printed;
  ASSERT_EQ(Headless(printed), 0);
  EXPECT_NE(printed.find("No FW Version => the image is 100 bytes, too short for the version at "
                         "offset 1582: "),
            std::string::npos)
      << printed;
  EXPECT_NE(printed.find("No FW Version => the image is empty: "), std::string::npos) << printed;
  EXPECT_EQ(printed.find("File Not Exist"), std::string::npos) << printed;

  ASSERT_EQ(Cli({"list", "--json", "--trace"}), 0);
  EXPECT_EQ(out.str().find("\"offeredFirmware\": \"S"), std::string::npos) << out.str();
}

}  // namespace
}  // namespace shelltest
