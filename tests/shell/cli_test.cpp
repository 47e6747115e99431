// The subcommands on a lab machine: what they print (text and JSON, parsed
// here), their exit codes, and what a destructive one did to the drives.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "lab/demo/open_lab.h"
#include "shell/cli/cli_commands.h"
#include "shell/cli/cli_options.h"
#include "support/json_value.h"
#include "support/lab_builder.h"
#include "support/temp_dir.h"

namespace {

using testsupport::JsonReader;
using testsupport::JsonValue;

constexpr const char* kSettings = R"([Option]
ErrorLog=1
SSDToolLogName=run.log
PopUpMsgBox=1
EnableSummary=1
ATA-PIFlag=1
SupportInboxDriver=1
ICType_0=VK4620XT
ICType_1=VK4630
[VK4620XT]
VKMStrTag=VKM4620XT
ECTableRule_FilePath=IdentifyDevice.ini
SMARTRule_FilePath=SmartAttr.ini
SMARTRule_SectionName=VK4620XT
[VK4630]
VKMStrTag=VK4630
ECTableRule_FilePath=IdentifyController.ini
SMARTRule_FilePath=SmartHealthLog.ini
)";

class CliOnLab : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(work.Path());
    home.Write("Setting.ini", kSettings);
    namespace fs = std::filesystem;
    for (const char* profile : {"VK4620XT", "VK4630"}) {
      fs::copy(fs::path(SSDTOOLS_DEMO_DIR) / profile, home.Path() / profile,
               fs::copy_options::recursive);
    }
    testsupport::LabBuilder b;
    b.Sata("Disk A", "VK4620XT",
           {"Number=1", "Serial=VKA0000000000000001", "Capacity=65536", "PowerOnHours=1234",
            "Model=VKM SATA SSD VK4620XT 32MB"});
    b.Nvme("Disk C", {"Number=3", "Serial=VKC0000000000000001", "Capacity=65536"});
    b.Sata(
        "Disk F", "VK4620XT",
        {"Number=4", "Serial=VKF0000000000000001", "Capacity=65536", "FailTransport=ata:0xB0@1+"});
    lab.Write("lab.ini", b.Text());
  }
  void TearDown() override { std::filesystem::current_path(previous_); }

  int Run(std::vector<std::string> args) {
    args.push_back("--home");
    args.push_back(home.Str());
    args.push_back("--lab");
    args.push_back(lab.Str());
    out.str("");
    err.str("");
    std::string error;
    const auto o = app::cli::ParseCli(args, error);
    if (!o) {
      err << error;
      return app::cli::kExitUsage;
    }
    return app::cli::RunCli(*o, home.Str(), out, err, false);
  }
  JsonValue Json() {
    const auto v = JsonReader::Parse(out.str());
    EXPECT_TRUE(v.has_value()) << out.str();
    return v.value_or(JsonValue{});
  }
  // The first sector of a disk's media, read straight from the lab.
  uint8_t FirstByteOf(const char* section, uint64_t lba) {
    std::string error;
    auto os = lab::OpenLab(lab.Str(), error);
    EXPECT_NE(os, nullptr) << error;
    std::vector<uint8_t> s(512, 0);
    os->Machine().DiskBySection(section)->GetMedia().Read(lba, 1, s.data());
    return s[0];
  }
  void Fill(const char* section, uint64_t lba, uint8_t value) {
    std::string error;
    auto os = lab::OpenLab(lab.Str(), error);
    ASSERT_NE(os, nullptr) << error;
    std::vector<uint8_t> s(512, value);
    os->Machine().DiskBySection(section)->GetMedia().Write(lba, 1, s.data());
  }

  testsupport::TempDir work, home, lab;
  std::ostringstream out, err;

 private:
  std::filesystem::path previous_;
};

TEST_F(CliOnLab, ListShowsTheIdentifiedDrivesAndAllShowsEveryDisk) {
  ASSERT_EQ(Run({"list", "--json"}), 0) << err.str();
  const JsonValue list = Json();
  ASSERT_EQ(list["drives"].items.size(), 3u);
  const JsonValue& a = list["drives"][0];
  EXPECT_EQ(a["index"].number, 1);  // after the system disk, as in `list --all`
  EXPECT_EQ(a["name"].text, "PHYSICALDRIVE1");
  EXPECT_EQ(a["serial"].text, "VKA0000000000000001");
  EXPECT_EQ(a["attachment"].text, "ata");
  EXPECT_EQ(a["capacitySectors"].number, 65536);
  EXPECT_TRUE(a["identified"].boolean);
  EXPECT_EQ(list["drives"][1]["attachment"].text, "nvme");

  ASSERT_EQ(Run({"list", "--all", "--json"}), 0);
  const JsonValue all = Json();
  ASSERT_EQ(all["drives"].items.size(), 4u);  // the system disk of another maker too
  bool sawOther = false;
  for (const JsonValue& d : all["drives"].items)
    sawOther |= d["serial"].text == "OM2561000000000001" && !d["identified"].boolean;
  EXPECT_TRUE(sawOther);

  ASSERT_EQ(Run({"list"}), 0);
  EXPECT_NE(out.str().find("PHYSICALDRIVE3"), std::string::npos);
  // The run log is written as the window writes it.
  EXPECT_TRUE(work.Exists("run.log"));
}

TEST_F(CliOnLab, ListCountsTheCapacityOfADiskOf4096ByteBlocksInThoseBlocks) {
  testsupport::LabBuilder b;
  b.Nvme("Disk K", {"Number=2", "Serial=VKK0000000000000001", "SectorSize=4096", "Capacity=8192"});
  b.Nvme("Disk C", {"Number=3", "Serial=VKC0000000000000001", "Capacity=65536"});
  lab.Write("lab.ini", b.Text());
  ASSERT_EQ(Run({"list", "--all", "--json"}), 0) << err.str();
  const JsonValue all = Json();
  const JsonValue* k = nullptr;
  const JsonValue* c = nullptr;
  for (const JsonValue& d : all["drives"].items) {
    if (d["serial"].text == "VKK0000000000000001") k = &d;
    if (d["serial"].text == "VKC0000000000000001") c = &d;
  }
  ASSERT_NE(k, nullptr);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ((*k)["capacitySectors"].number, 8192);
  EXPECT_EQ((*k)["blockBytes"].number, 4096);
  EXPECT_EQ((*k)["capacityBytes"].number, 8192.0 * 4096);
  EXPECT_EQ((*c)["blockBytes"].number, 512);
  EXPECT_EQ((*c)["capacityBytes"].number, 65536.0 * 512);

  ASSERT_EQ(Run({"list", "--all"}), 0) << err.str();
  std::string line;
  std::istringstream text(out.str());
  while (std::getline(text, line) && line.find("VKK0000000000000001") == std::string::npos) {
  }
  EXPECT_NE(line.find("0.03 GB"), std::string::npos) << line;  // 32 MiB, not 4 MiB
}

TEST_F(CliOnLab, InfoSmartAndSummaryNameTheDriveAnyOfThreeWays) {
  for (const char* spec : {"1", "PHYSICALDRIVE1", "VKA0000000000000001"}) {
    ASSERT_EQ(Run({"info", spec, "--json"}), 0) << spec << err.str();
    const JsonValue info = Json();
    EXPECT_EQ(info["drive"]["serial"].text, "VKA0000000000000001");
    EXPECT_EQ(info["status"].text, "Read configuration table successful");
    bool serialRow = false;
    for (const JsonValue& row : info["rows"].items)
      serialRow |= row[0].text == "Serial number" && row[1].text.find("VKA0") == 0;
    EXPECT_TRUE(serialRow) << out.str().substr(0, 1500);
  }
  ASSERT_EQ(Run({"smart", "1", "--json"}), 0);
  EXPECT_EQ(Json()["status"].text, "Read SMART data successful");

  ASSERT_EQ(Run({"summary", "1", "--json"}), 0);
  const JsonValue sum = Json();
  EXPECT_EQ(sum["powerOnHours"].text, "1234");
  EXPECT_EQ(sum["features"]["smart"].kind, JsonValue::Kind::kBool);
  ASSERT_EQ(Run({"summary", "PHYSICALDRIVE3", "--json"}), 0) << err.str();
  EXPECT_EQ(Json()["serial"].text.find("VKC0"), 0u);
}

TEST_F(CliOnLab, ExitCodesTellUsageNothingToDoAndAFailedDrive) {
  EXPECT_EQ(Run({"info"}), 2);
  EXPECT_EQ(Run({"list", "--bogus"}), 2);
  EXPECT_EQ(Run({"info", "PHYSICALDRIVE9"}), 3);
  EXPECT_EQ(Run({"info", "7"}), 3);
  // Index 0 is the other maker's system disk: enumerated, never identified.
  EXPECT_EQ(Run({"info", "0"}), 3);
  EXPECT_NE(err.str().find("PHYSICALDRIVE0 (index 0) is not a drive this tool can read"),
            std::string::npos)
      << err.str();
  // SMART READ DATA fails on this drive.
  EXPECT_EQ(Run({"smart", "PHYSICALDRIVE4"}), 1);
}

TEST_F(CliOnLab, EraseRunsOnlyWithYesAndErasesOnlyTheNamedDrive) {
  Fill("Disk A", 4096, 0xA5);
  Fill("Disk F", 4096, 0xA5);
  EXPECT_EQ(Run({"erase", "PHYSICALDRIVE1"}), 2);
  EXPECT_NE(err.str().find("--yes"), std::string::npos);
  EXPECT_EQ(FirstByteOf("Disk A", 4096), 0xA5);

  ASSERT_EQ(Run({"erase", "VKA0000000000000001", "--yes", "--json", "--progress"}), 0) << err.str();
  const JsonValue r = Json();
  ASSERT_EQ(r["drives"].items.size(), 1u);
  EXPECT_EQ(r["drives"][0]["outcome"].text, "passed");
  EXPECT_EQ(r["drives"][0]["result"].text, "PASS");
  EXPECT_NE(err.str().find("PHYSICALDRIVE1: Set Password"), std::string::npos);
  EXPECT_EQ(FirstByteOf("Disk A", 4096), 0);
  EXPECT_EQ(FirstByteOf("Disk F", 4096), 0xA5);
}

TEST_F(CliOnLab, AnEraseThatLeavesThePasswordSaysSoOnStderrAndInTheJson) {
  std::string settings = kSettings;
  settings.replace(settings.find("ErrorLog=1"), 10, "ErrorLog=0");
  home.Write("Setting.ini", settings);
  testsupport::LabBuilder b;
  b.Sata("Disk A", "VK4620XT",
         {"Number=1", "Serial=VKA0000000000000001", "Capacity=65536", "FailCommands=F4:1,F6"});
  lab.Write("lab.ini", b.Text());
  Fill("Disk A", 4096, 0xA5);

  EXPECT_EQ(Run({"erase", "PHYSICALDRIVE1", "--yes", "--json"}), 1) << err.str();
  const std::string notice =
      "PHYSICALDRIVE1 keeps the security password '7E3A91C05BD2486F7E3A91C05BD2486F': unlock it "
      "with SECURITY UNLOCK and then SECURITY DISABLE PASSWORD, both with this user password; "
      "until then it is locked at every power-on";
  const JsonValue r = Json();
  ASSERT_EQ(r["drives"].items.size(), 1u);
  EXPECT_EQ(r["drives"][0]["outcome"].text, "failed");
  EXPECT_EQ(r["drives"][0]["result"].text, "Send Security Erase Unit Error...");
  ASSERT_EQ(r["drives"][0]["notices"].items.size(), 1u);
  EXPECT_EQ(r["drives"][0]["notices"][0].text, notice);
  EXPECT_NE(err.str().find(notice), std::string::npos) << err.str();
  EXPECT_EQ(FirstByteOf("Disk A", 4096), 0xA5);
}

}  // namespace
