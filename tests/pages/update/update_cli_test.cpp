// `ssdtools update` drives the same update run: only the named drives are
// updated, the JSON report says so, and the drives run the new firmware at
// the next start.
#include <sstream>

#include "shell/cli/cli_commands.h"
#include "shell/cli/cli_options.h"
#include "support/json_value.h"
#include "update_lab_fixture.h"

namespace updatetest {
namespace {

class UpdateCommand : public UpdateOnLab {
 protected:
  int Run(std::vector<std::string> args) {
    home.Write("Setting.ini", Settings());
    for (const char* a : {"--home", "", "--lab", ""}) args.emplace_back(a);
    args[args.size() - 3] = home.Str();
    args[args.size() - 1] = labDir->Str();
    out.str("");
    err.str("");
    std::string error;
    const auto o = app::cli::ParseCli(args, error);
    if (!o) return app::cli::kExitUsage;
    return app::cli::RunCli(*o, home.Str(), out, err, false);
  }
  // The firmware column of `list` for each drive, by serial.
  std::map<std::string, std::string> Firmware() {
    EXPECT_EQ(Run({"list", "--json"}), 0) << err.str();
    const auto v = testsupport::JsonReader::Parse(out.str());
    std::map<std::string, std::string> fw;
    if (!v) return fw;
    for (const auto& d : (*v)["drives"].items) fw[d["serial"].text] = d["firmware"].text;
    return fw;
  }
  std::ostringstream out, err;
};

TEST_F(UpdateCommand, UpdatesOnlyTheNamedDrivesAndReportsThemInJson) {
  labDir->Write("lab.ini", FiveAttachments());
  EXPECT_EQ(Run({"update", "PHYSICALDRIVE1"}), app::cli::kExitUsage);  // no --yes
  EXPECT_EQ(Firmware()["VKA0000000000000001"], kSataOld);

  ASSERT_EQ(Run({"update", "PHYSICALDRIVE1", "VKE0000000000000001", "--yes", "--json"}), 0)
      << err.str() << out.str();
  const auto r = testsupport::JsonReader::Parse(out.str());
  ASSERT_TRUE(r.has_value()) << out.str();
  ASSERT_EQ((*r)["drives"].items.size(), 2u);
  for (const auto& d : (*r)["drives"].items) EXPECT_EQ(d["outcome"].text, "passed") << out.str();
  EXPECT_EQ((*r)["passed"].number, 2);

  // Each subcommand is a start of the tool: deferred activations are done now.
  auto fw = Firmware();
  EXPECT_EQ(fw["VKA0000000000000001"], kSataNew);
  EXPECT_EQ(fw["VKE0000000000000001"], kNvmeNew);
  EXPECT_EQ(fw["VKB0000000000000001"], kSataOld);
  EXPECT_EQ(fw["VKC0000000000000001"], kNvmeOld);

  EXPECT_EQ(Run({"update", "PHYSICALDRIVE9", "--yes"}), app::cli::kExitNothingToDo);
}

}  // namespace
}  // namespace updatetest
