// How a drive is named on the command line: one index for every subcommand
// (the disk's place in the enumeration), a serial that is all digits, and the
// words that could name two disks, which are refused before any drive is
// touched. Each case checks the media of every disk afterwards.
#include "shell/cli/drive_names.h"

#include <map>
#include <string>
#include <vector>

#include "lab/demo/open_lab.h"
#include "shell/clone_command.h"
#include "support/json_value.h"
#include "tool_on_lab.h"

namespace shelltest {
namespace {

using testsupport::JsonReader;
using testsupport::JsonValue;

constexpr uint64_t kMarkLba = 2048;
constexpr uint8_t kMark = 0xA5;
constexpr const char* kSmall = "Capacity=65536";

class DriveNames : public ToolOnLab {
 protected:
  void Lab(const testsupport::LabBuilder& b) { lab.Write("lab.ini", b.Text()); }

  // ssdtools clone <args> --home <home> --lab <lab>
  int Clone(std::vector<std::string> args) {
    args.insert(args.end(), {"--home", home.Str(), "--lab", lab.Str(), "--yes"});
    out.str("");
    err.str("");
    std::string error;
    const auto c = app::ParseCloneArgs(args, error);
    if (!c) return app::kCloneExitUsage;
    auto os = app::OpenBackend(c->lab, error);
    if (!os) return app::kCloneExitUsage;
    app::RunContext ctx(*os, home.Str());
    return app::RunClone(ctx, *c, out, err, false);
  }

  void Mark(const char* section, uint8_t value = kMark) {
    std::string error;
    auto os = lab::OpenLab(lab.Str(), error);
    ASSERT_NE(os, nullptr) << error;
    std::vector<uint8_t> s(512, value);
    os->Machine().DiskBySection(section)->GetMedia().Write(kMarkLba, 1, s.data());
  }
  uint8_t Marked(const char* section) {
    std::string error;
    auto os = lab::OpenLab(lab.Str(), error);
    EXPECT_NE(os, nullptr) << error;
    if (!os) return 0;
    std::vector<uint8_t> s(512, 0);
    os->Machine().DiskBySection(section)->GetMedia().Read(kMarkLba, 1, s.data());
    return s[0];
  }
  JsonValue Json() {
    const auto v = JsonReader::Parse(out.str());
    EXPECT_TRUE(v.has_value()) << out.str();
    return v.value_or(JsonValue{});
  }
  // name -> index as `list` (or `list --all`) prints them.
  std::map<std::string, int> Indexes(bool all) {
    std::vector<std::string> args{"list", "--json"};
    if (all) args.push_back("--all");
    EXPECT_EQ(Cli(args), 0) << err.str();
    std::map<std::string, int> m;
    const JsonValue list = Json();
    for (const JsonValue& d : list["drives"].items)
      m[d["name"].text] = static_cast<int>(d["index"].number);
    return m;
  }
};

TEST_F(DriveNames, EveryCommandCountsTheSameIndexForTheSameDisk) {
  testsupport::LabBuilder b;
  b.Sata("Disk A", "VK4620XT", {"Number=1", "Serial=VKA0000000000000001", kSmall});
  b.Sata("Disk G", "generic", {"Number=2", "Serial=GEN0000000000000001", kSmall});
  b.Nvme("Disk C", {"Number=3", "Serial=VKC0000000000000001", kSmall});
  Lab(b);
  Mark("Disk A");
  Mark("Disk G", 0x11);
  Mark("Disk C", 0x33);

  const std::map<std::string, int> listed = Indexes(false);
  const std::map<std::string, int> all = Indexes(true);
  ASSERT_EQ(listed.size(), 2u);
  ASSERT_EQ(all.size(), 4u);
  for (const auto& [name, index] : listed) EXPECT_EQ(all.at(name), index) << name;
  EXPECT_EQ(all.at("PHYSICALDRIVE0"), 0);
  EXPECT_EQ(listed.at("PHYSICALDRIVE1"), 1);
  EXPECT_EQ(all.at("PHYSICALDRIVE2"), 2);
  EXPECT_EQ(listed.at("PHYSICALDRIVE3"), 3);

  // The clone's destination 2 is the disk `list --all` shows at 2.
  ASSERT_EQ(Clone({"--source", "3", "--destination", "2", "--json"}), 0) << err.str();
  EXPECT_EQ(Json()["destination"].text, "PHYSICALDRIVE2");
  EXPECT_EQ(Marked("Disk G"), 0x33);

  // The erase of 1 is the disk `list` shows at 1, and only it.
  ASSERT_EQ(Cli({"erase", "1", "--yes", "--json"}), 0) << err.str();
  EXPECT_EQ(Json()["drives"][0]["index"].number, 1);
  EXPECT_EQ(Json()["drives"][0]["name"].text, "PHYSICALDRIVE1");
  EXPECT_EQ(Marked("Disk A"), 0);
  EXPECT_EQ(Marked("Disk C"), 0x33);

  // Index 2 is a disk, but not one the erase can work on: refused, untouched.
  EXPECT_EQ(Cli({"erase", "2", "--yes"}), 3);
  EXPECT_NE(err.str().find("PHYSICALDRIVE2 (index 2) is not a drive this tool can erase"),
            std::string::npos)
      << err.str();
  EXPECT_EQ(Cli({"update", "PHYSICALDRIVE2", "--yes"}), 3);
  EXPECT_NE(err.str().find("is not a drive this tool can update"), std::string::npos);
  EXPECT_EQ(Marked("Disk G"), 0x33);
}

TEST_F(DriveNames, AnAllDigitSerialNamesItsDriveAndAnIndexTheIndexedOne) {
  testsupport::LabBuilder b;
  b.Sata("Disk A", "VK4620XT", {"Number=1", "Serial=VKA0000000000000001", kSmall});
  b.Sata("Disk D", "VK4620XT", {"Number=2", "Serial=000000000001", kSmall});
  Lab(b);
  Mark("Disk A");
  Mark("Disk D");

  ASSERT_EQ(Cli({"erase", "000000000001", "--yes", "--json"}), 0) << err.str();
  EXPECT_EQ(Json()["drives"][0]["name"].text, "PHYSICALDRIVE2");
  EXPECT_EQ(Json()["drives"][0]["serial"].text, "000000000001");
  EXPECT_EQ(Marked("Disk D"), 0);
  EXPECT_EQ(Marked("Disk A"), kMark);

  Mark("Disk D");
  ASSERT_EQ(Cli({"erase", "1", "--yes", "--json"}), 0) << err.str();
  EXPECT_EQ(Json()["drives"][0]["name"].text, "PHYSICALDRIVE1");
  EXPECT_EQ(Marked("Disk A"), 0);
  EXPECT_EQ(Marked("Disk D"), kMark);
}

TEST_F(DriveNames, AWordThatNamesTwoDisksIsRefusedWithBothNamedAndNothingTouched) {
  testsupport::LabBuilder b;
  b.Sata("Disk A", "VK4620XT", {"Number=1", "Serial=VKA0000000000000001", kSmall});
  b.Sata("Disk One", "VK4620XT", {"Number=3", "Serial=1", kSmall});
  b.Sata("Disk S1", "VK4620XT", {"Number=4", "Serial=VKSHARED01", kSmall});
  b.Sata("Disk S2", "VK4620XT", {"Number=5", "Serial=VKSHARED01", kSmall});
  Lab(b);
  const std::vector<const char*> disks{"Disk A", "Disk One", "Disk S1", "Disk S2"};
  for (const char* d : disks) Mark(d);

  EXPECT_EQ(Cli({"erase", "1", "--yes"}), 2);
  EXPECT_NE(err.str().find("ssdtools: drive '1' is ambiguous: index 1 (PHYSICALDRIVE1, serial "
                           "VKA0000000000000001) or serial 1 (PHYSICALDRIVE3); use "
                           "PHYSICALDRIVE1 or serial:1"),
            std::string::npos)
      << err.str();
  // One ambiguous word stops the whole run, the named drive before it too.
  EXPECT_EQ(Cli({"erase", "PHYSICALDRIVE1", "VKSHARED01", "--yes"}), 2);
  EXPECT_NE(err.str().find("drive 'VKSHARED01' is ambiguous: serial VKSHARED01 (PHYSICALDRIVE4) "
                           "or serial VKSHARED01 (PHYSICALDRIVE5); use PHYSICALDRIVE4 or "
                           "PHYSICALDRIVE5"),
            std::string::npos)
      << err.str();
  EXPECT_EQ(Cli({"info", "serial:VKSHARED01"}), 2);
  EXPECT_EQ(Clone({"--source", "PHYSICALDRIVE1", "--destination", "VKSHARED01"}), 2);
  EXPECT_NE(err.str().find("is ambiguous"), std::string::npos) << err.str();
  EXPECT_EQ(Clone({"--source", "1", "--destination", "PHYSICALDRIVE4"}), 2);
  for (const char* d : disks) EXPECT_EQ(Marked(d), kMark) << d;

  // The forms the refusal offered name one disk each.
  ASSERT_EQ(Cli({"erase", "serial:1", "--yes"}), 0) << err.str();
  ASSERT_EQ(Cli({"erase", "\\\\.\\physicaldrive5", "--yes"}), 0) << err.str();
  EXPECT_EQ(Marked("Disk One"), 0);
  EXPECT_EQ(Marked("Disk S2"), 0);
  EXPECT_EQ(Marked("Disk A"), kMark);
  EXPECT_EQ(Marked("Disk S1"), kMark);
}

// The lookup alone, over disks made up here: the forms a user may type.
TEST(DriveNameLookup, FormsOfTheSameDiskAndWordsThatNameNone) {
  std::vector<app::cli::CliDrive> disks(3);
  const char* names[] = {"PHYSICALDRIVE0", "PHYSICALDRIVE2", "SCSI1:"};
  const char* serials[] = {"OM1", "0042", ""};
  for (int i = 0; i < 3; ++i) {
    disks[static_cast<size_t>(i)].index = i;
    disks[static_cast<size_t>(i)].name = names[i];
    disks[static_cast<size_t>(i)].serial = serials[i];
  }
  using app::cli::FindDrive;
  for (const char* word : {"1", "PHYSICALDRIVE2", "physicaldrive2", "\\\\.\\PhysicalDrive2", "0042",
                           "serial:0042", " 1 "}) {
    EXPECT_EQ(FindDrive(disks, word).at, 1) << word;
  }
  EXPECT_EQ(FindDrive(disks, "scsi1:").at, 2);
  // A leading zero makes no index; an empty serial matches nothing.
  EXPECT_EQ(FindDrive(disks, "01").exitCode, app::cli::kExitNothingToDo);
  EXPECT_EQ(FindDrive(disks, "serial:").exitCode, app::cli::kExitUsage);
  EXPECT_EQ(FindDrive(disks, "3").at, -1);
  EXPECT_EQ(FindDrive(disks, "serial:om1").at, -1);   // serials are compared exactly
  EXPECT_EQ(FindDrive(disks, "\\\\.\\0042").at, -1);  // the device form is a name only
}

}  // namespace
}  // namespace shelltest
