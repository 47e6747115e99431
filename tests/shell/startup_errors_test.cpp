// Start-up errors that used to look like a machine without drives: a tool
// folder that is missing or a file, a --lab that names an ordinary file, and a
// Setting.ini that the reader cannot use. Each is said once, and the headless
// tool and the subcommands exit with 2; an unattended run with a failed drive
// exits with 1.
#include <filesystem>

#include "shell/startup_checks.h"
#include "tool_on_lab.h"

namespace shelltest {
namespace {

class StartupErrors : public ToolOnLab {
 protected:
  void SetUp() override {
    ToolOnLab::SetUp();
    testsupport::LabBuilder b;
    b.Sata("Disk A", "VK4620XT",
           {"Number=1", "Serial=VKA0000000000000001", "Capacity=65536", "Firmware=S0220A0"});
    lab.Write("lab.ini", b.Text());
  }
};

TEST_F(StartupErrors, HomeThatIsMissingOrAFileIsRefusedWithExitTwo) {
  const std::string missing = (work.Path() / "no-such-folder").string();
  EXPECT_EQ(Cli({"list", "--home", missing}), 2);
  EXPECT_NE(err.str().find("the tool folder " + missing + " does not exist"), std::string::npos)
      << err.str();
  EXPECT_EQ(out.str(), "");

  const std::string file = work.Write("notes.txt", "x").string();
  EXPECT_EQ(Cli({"list", "--home", file}), 2);
  EXPECT_NE(err.str().find("--home names a file, not a folder: " + file), std::string::npos)
      << err.str();
  EXPECT_FALSE(app::ToolFolderProblem(home.Str()).has_value());
}

TEST_F(StartupErrors, LabThatNamesAnOrdinaryFileIsRefusedAndNothingIsCreatedBesideIt) {
  const testsupport::TempDir other;
  const std::string file = other.Write("report.csv", "a,b\n").string();
  EXPECT_EQ(Cli({"list", "--lab", file}), 2);
  EXPECT_NE(err.str().find("--lab names a file that is not a lab: " + file), std::string::npos)
      << err.str();
  EXPECT_FALSE(other.Exists("state"));
  EXPECT_EQ(other.Read("report.csv"), "a,b\n");

  // The lab.ini itself still names its lab.
  EXPECT_EQ(Cli({"list", "--lab", (lab.Path() / "lab.ini").string()}), 0) << err.str();
}

TEST_F(StartupErrors, SettingsWithAUtf8MarkAreReadAsIfTheMarkWereNotThere) {
  home.Write("Setting.ini", "\xEF\xBB\xBF" + ToolSettings());
  ASSERT_EQ(Cli({"list", "--json"}), 0) << err.str();
  EXPECT_NE(out.str().find("VKA0000000000000001"), std::string::npos) << out.str();
  EXPECT_EQ(err.str(), "");
}

TEST_F(StartupErrors, Utf16SettingsAreSaidReadNotAtAllAndExitTwo) {
  // UTF-16 little endian with its mark, as a Windows editor saves "Unicode".
  const std::string text = ToolSettings();
  std::string utf16 = "\xFF\xFE";
  for (char c : text) {
    utf16 += c;
    utf16 += '\0';
  }
  home.Write("Setting.ini", utf16);
  work.Write("Log.txt", "the previous run's log");

  EXPECT_EQ(Cli({"list"}), 2);
  EXPECT_NE(err.str().find("Setting.ini is stored as UTF-16 text"), std::string::npos) << err.str();

  std::string printed;
  EXPECT_EQ(Headless(printed), 2);
  EXPECT_NE(printed.find("[Setting.ini] Setting.ini is stored as UTF-16 text"), std::string::npos)
      << printed;
  // Nothing was read from it, so not even the log it names was deleted.
  EXPECT_EQ(work.Read("Log.txt"), "the previous run's log");

  // Without its mark too.
  home.Write("Setting.ini", utf16.substr(2));
  EXPECT_EQ(Cli({"list"}), 2);
}

TEST_F(StartupErrors, SettingsWithoutAProfileAreSaidAndExitTwo) {
  home.Write("Setting.ini", "[Option]\nErrorLog=1\nICType_0=N/A\n");
  EXPECT_EQ(Cli({"list"}), 2);
  EXPECT_NE(err.str().find("Setting.ini names no controller profile"), std::string::npos)
      << err.str();

  std::string printed;
  EXPECT_EQ(Headless(printed), 2);
  EXPECT_NE(printed.find("***Warning*** Setting.ini names no controller profile"),
            std::string::npos)
      << printed;

  // A tool folder without Setting.ini stays the quiet empty start it always was.
  std::filesystem::remove(home.Path() / "Setting.ini");
  EXPECT_EQ(Headless(printed), 0);
  EXPECT_EQ(printed.find("Setting.ini"), std::string::npos) << printed;
}

TEST_F(StartupErrors, UnattendedRunExitsOneWhenADriveFailedAndZeroWhenAllPassed) {
  std::filesystem::remove(home.Path() / "VK4620XT" / "ISP_VK4620XT.bin");
  home.Write("Setting.ini", ToolSettings("AutoRun=1\nAutoClose=1\n"));
  std::string printed;
  EXPECT_EQ(Headless(printed), 1);
  EXPECT_NE(printed.find("Dev_0          : File Not Exist!"), std::string::npos) << printed;

  // The image back; the drive is still on its old firmware.
  WriteBytes("VK4620XT/ISP_VK4620XT.bin",
             firmware::demo::SataIspImage("shell-test", "S0312A0 ", "02", "FBiCS4"));
  EXPECT_EQ(Headless(printed), 0) << printed;
  EXPECT_NE(printed.find("Dev_0          : PASS"), std::string::npos) << printed;
}

}  // namespace
}  // namespace shelltest
