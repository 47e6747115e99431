// What the command line refuses because of a disk's use, on lab machines:
// the disks of a system volume spanning two disks, a disk whose volume is in
// use, and the miniport system disk found only by its port. Each refusal is
// on stderr and in the JSON, and the media are unchanged afterwards.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "lab/demo/open_lab.h"
#include "pages/maintenance/clone_operation.h"
#include "shell/cli/cli_commands.h"
#include "shell/cli/cli_options.h"
#include "shell/clone_command.h"
#include "shell/session.h"
#include "support/json_value.h"
#include "support/lab_builder.h"
#include "support/temp_dir.h"

namespace {

using testsupport::JsonReader;
using testsupport::JsonValue;

constexpr const char* kSettings = R"([Option]
ErrorLog=0
PopUpMsgBox=1
ATA-PIFlag=1
ICType_0=VK4620XT
ICType_1=VK4630
[VK4620XT]
VKMStrTag=VKM4620XT
[VK4630]
VKMStrTag=VK4630
)";
constexpr uint64_t kMarkLba = 4096;
constexpr const char* kHomeUse = "/dev/sdc1 is mounted on /home";

class DiskUseCli : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(work.Path());
    home.Write("Setting.ini", kSettings);
  }
  void TearDown() override { std::filesystem::current_path(previous_); }

  void Lab(const std::string& ini) { lab.Write("lab.ini", ini); }
  int Run(std::vector<std::string> args) {
    args.insert(args.end(), {"--home", home.Str(), "--lab", lab.Str()});
    out.str("");
    err.str("");
    std::string error;
    const auto o = app::cli::ParseCli(args, error);
    if (!o) return app::cli::kExitUsage;
    return app::cli::RunCli(*o, home.Str(), out, err, false);
  }
  int Clone(std::vector<std::string> args) {
    args.insert(args.end(), {"--yes", "--json", "--home", home.Str(), "--lab", lab.Str()});
    out.str("");
    err.str("");
    std::string error;
    const auto c = app::ParseCloneArgs(args, error);
    if (!c) return app::kCloneExitUsage;
    std::string labError;
    auto os = app::OpenBackend(c->lab, labError);
    if (!os) return app::kCloneExitUsage;
    app::RunContext ctx(*os, home.Str());
    return app::RunClone(ctx, *c, out, err, false);
  }
  JsonValue Json() {
    const auto v = JsonReader::Parse(out.str());
    EXPECT_TRUE(v.has_value()) << out.str();
    return v.value_or(JsonValue{});
  }
  void Mark(const char* section) {
    std::string error;
    auto os = lab::OpenLab(lab.Str(), error);
    ASSERT_NE(os, nullptr) << error;
    std::vector<uint8_t> s(512, 0xA5);
    os->Machine().DiskBySection(section)->GetMedia().Write(kMarkLba, 1, s.data());
  }
  bool Marked(const char* section) {
    std::string error;
    auto os = lab::OpenLab(lab.Str(), error);
    EXPECT_NE(os, nullptr) << error;
    std::vector<uint8_t> s(512, 0);
    os->Machine().DiskBySection(section)->GetMedia().Read(kMarkLba, 1, s.data());
    return s[0] == 0xA5;
  }
  const JsonValue* Named(const JsonValue& list, const std::string& name) {
    for (const JsonValue& d : list["drives"].items)
      if (d["name"].text == name) return &d;
    return nullptr;
  }

  testsupport::TempDir work, home, lab;
  std::ostringstream out, err;

 private:
  std::filesystem::path previous_;
};

// C: on disks 0 and 2; disk 1 free; disk 3 with a volume in use.
std::string Machine() {
  testsupport::LabBuilder b(false);
  b.Sata("Disk Sys A", "VK4620XT",
         {"Number=0", "Serial=VKS0000000000000001", "Capacity=65536", "Letters=C"});
  b.Sata("Disk A", "VK4620XT", {"Number=1", "Serial=VKA0000000000000001", "Capacity=65536"});
  b.Sata("Disk Sys B", "VK4620XT",
         {"Number=2", "Serial=VKS0000000000000002", "Capacity=65536", "Letters=C"});
  b.Sata("Disk Home", "VK4620XT",
         {"Number=3", "Serial=VKH0000000000000001", "Capacity=65536", "Letters=D",
          std::string("InUse=") + kHomeUse});
  return b.Text();
}

TEST_F(DiskUseCli, ListMarksTheSystemDisksAndTheDisksInUse) {
  Lab(Machine());
  ASSERT_EQ(Run({"list", "--json"}), 0) << err.str();
  const JsonValue list = Json();
  for (const char* name : {"PHYSICALDRIVE0", "PHYSICALDRIVE2"}) {
    const JsonValue* d = Named(list, name);
    ASSERT_NE(d, nullptr) << name;
    EXPECT_TRUE((*d)["systemDisk"].boolean) << name;
    EXPECT_FALSE((*d)["inUse"].boolean) << name;
  }
  const JsonValue* free = Named(list, "PHYSICALDRIVE1");
  ASSERT_NE(free, nullptr);
  EXPECT_FALSE((*free)["systemDisk"].boolean);
  EXPECT_FALSE((*free)["inUse"].boolean);
  EXPECT_EQ((*free)["diskNumber"].number, 1);
  const JsonValue* used = Named(list, "PHYSICALDRIVE3");
  ASSERT_NE(used, nullptr);
  EXPECT_TRUE((*used)["inUse"].boolean);
  ASSERT_EQ((*used)["usedBy"].items.size(), 1u);
  EXPECT_EQ((*used)["usedBy"][0].text, kHomeUse);

  ASSERT_EQ(Run({"list"}), 0);
  EXPECT_NE(out.str().find(std::string("in use: ") + kHomeUse), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("system disk"), std::string::npos) << out.str();

  // Left out by the settings, neither disk of the system volume is listed.
  home.Write("Setting.ini",
             "[Option]\nErrorLog=0\nPopUpMsgBox=1\nATA-PIFlag=1\nIncludeSystemDrive=0\n"
             "ICType_0=VK4620XT\n[VK4620XT]\nVKMStrTag=VKM4620XT\n");
  ASSERT_EQ(Run({"list", "--all", "--json"}), 0) << err.str();
  const JsonValue all = Json();
  EXPECT_EQ(Named(all, "PHYSICALDRIVE0"), nullptr);
  EXPECT_EQ(Named(all, "PHYSICALDRIVE2"), nullptr);
  EXPECT_NE(Named(all, "PHYSICALDRIVE1"), nullptr);
}

TEST_F(DiskUseCli, EraseRefusesTheSystemDisksAndADiskInUseWithTheReason) {
  Lab(Machine());
  for (const char* d : {"Disk Sys A", "Disk Sys B", "Disk Home", "Disk A"}) Mark(d);
  for (const char* name : {"PHYSICALDRIVE0", "PHYSICALDRIVE2"}) {
    EXPECT_EQ(Run({"erase", name, "--yes", "--json"}), 1) << name << err.str();
    const JsonValue r = Json();
    ASSERT_EQ(r["drives"].items.size(), 1u);
    EXPECT_EQ(r["drives"][0]["outcome"].text, "failed");
    EXPECT_EQ(r["drives"][0]["result"].text, std::string(name) + " holds the running system");
    EXPECT_NE(err.str().find(std::string(name) + " holds the running system"), std::string::npos)
        << err.str();
  }
  EXPECT_EQ(Run({"erase", "PHYSICALDRIVE3", "--yes", "--json"}), 1) << err.str();
  const JsonValue r = Json();
  const std::string reason = std::string("PHYSICALDRIVE3 is in use: ") + kHomeUse;
  EXPECT_EQ(r["drives"][0]["result"].text, reason);
  EXPECT_NE(err.str().find(reason), std::string::npos) << err.str();
  EXPECT_TRUE(Marked("Disk Sys A"));
  EXPECT_TRUE(Marked("Disk Sys B"));
  EXPECT_TRUE(Marked("Disk Home"));

  // The free disk beside them is erased.
  EXPECT_EQ(Run({"erase", "PHYSICALDRIVE1", "--yes"}), 0) << err.str();
  EXPECT_FALSE(Marked("Disk A"));
}

TEST_F(DiskUseCli, CloneOntoASystemDiskOrADiskInUseIsRefusedWithTheReasonInJson) {
  Lab(Machine());
  for (const char* d : {"Disk Sys B", "Disk Home"}) Mark(d);
  EXPECT_EQ(Clone({"--source", "PHYSICALDRIVE1", "--destination", "PHYSICALDRIVE2"}), 1);
  JsonValue r = Json();
  EXPECT_EQ(r["result"].text, maintenance::kSystemDiskWarning);
  EXPECT_EQ(r["reason"].text, maintenance::kSystemDiskWarning);
  EXPECT_NE(err.str().find("holds the running system"), std::string::npos) << err.str();

  EXPECT_EQ(Clone({"--source", "PHYSICALDRIVE1", "--destination", "PHYSICALDRIVE3"}), 1);
  r = Json();
  const std::string reason = std::string("PHYSICALDRIVE3 is in use: ") + kHomeUse;
  EXPECT_EQ(r["result"].text.rfind(reason, 0), 0u) << r["result"].text;
  EXPECT_EQ(r["reason"].text.rfind(reason, 0), 0u) << r["reason"].text;
  EXPECT_NE(err.str().find(reason), std::string::npos) << err.str();
  EXPECT_TRUE(Marked("Disk Sys B"));
  EXPECT_TRUE(Marked("Disk Home"));
}

// Identify Controller fails three times on the maker's miniport during the
// scan: the system disk is listed by its port, as the system disk.
TEST_F(DiskUseCli, TheMiniportSystemDiskFoundByItsPortIsNotErased) {
  testsupport::LabBuilder b(false);
  b.Disk("Disk Sys", "nvme-miniport", "VK4630",
         {"Number=0", "Serial=VKS0000000000000001", "Capacity=65536", "Letters=C",
          "FailTransport=nvme:0x06*3"});
  b.Sata("Disk A", "VK4620XT", {"Number=1", "Serial=VKA0000000000000001", "Capacity=65536"});
  Lab(b.Text());
  Mark("Disk Sys");
  ASSERT_EQ(Run({"list", "--json"}), 0) << err.str();
  const JsonValue list = Json();
  int index = -1;
  for (const JsonValue& d : list["drives"].items) {
    if (d["name"].text.rfind("SCSI ", 0) != 0) continue;
    index = static_cast<int>(d["index"].number);
    EXPECT_TRUE(d["systemDisk"].boolean);
    EXPECT_EQ(d["diskNumber"].number, 0);
  }
  ASSERT_GE(index, 0) << out.str();
  EXPECT_EQ(Run({"erase", std::to_string(index), "--yes", "--json"}), 1) << err.str();
  const JsonValue r = Json();
  EXPECT_NE(r["drives"][0]["result"].text.find("holds the running system"), std::string::npos)
      << out.str();
  EXPECT_TRUE(Marked("Disk Sys"));
}

}  // namespace
