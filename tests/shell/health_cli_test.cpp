// The health verdict on the command line, on lab drives that fail as real ones
// do: `summary` and `smart` in text and JSON, the SMART numbers beside the
// page's texts, and the exit-status bits.
#include <gtest/gtest.h>

#include <string>

#include "common/text.h"
#include "shell/cli/cli_health.h"
#include "support/json_value.h"
#include "tool_on_lab.h"

namespace {

using testsupport::JsonReader;
using testsupport::JsonValue;

class HealthCli : public shelltest::ToolOnLab {
 protected:
  void SetUp() override {
    ToolOnLab::SetUp();
    testsupport::LabBuilder b;
    b.Sata("Disk A", "VK4620XT", {"Number=1", "Serial=VKA0000000000000001", "Capacity=65536"});
    // An attribute under its threshold, reallocated and pending sectors.
    b.Sata("Disk B", "VK4620XT",
           {"Number=2", "Serial=VKB0000000000000001", "Capacity=65536", "SmartValue=05:3:10",
            "Reallocated=12", "SmartRaw=C5=2"});
    b.Nvme("Disk C", {"Number=3", "Serial=VKC0000000000000001", "Capacity=65536",
                      "CriticalWarning=0x04", "MediaErrors=7", "Temperature=45"});
    b.Nvme("Disk D",
           {"Number=4", "Serial=VKD0000000000000001", "Capacity=65536", "PercentageUsed=104"});
    lab.Write("lab.ini", b.Text());
  }
  JsonValue Json() {
    const auto v = JsonReader::Parse(out.str());
    EXPECT_TRUE(v.has_value()) << out.str();
    return v.value_or(JsonValue{});
  }
  std::vector<std::string> Reasons(const JsonValue& doc) {
    std::vector<std::string> texts;
    for (const JsonValue& r : doc["health"]["reasons"].items) texts.push_back(r.text);
    return texts;
  }
};

TEST_F(HealthCli, SummaryGivesTheVerdictAsTextJsonAndAnExitBit) {
  EXPECT_EQ(Cli({"summary", "1"}), 0) << err.str();
  EXPECT_NE(out.str().find("\nHealth:         Good\n"), std::string::npos) << out.str();

  EXPECT_EQ(Cli({"summary", "2"}), app::cli::kExitHealthBad) << err.str();
  EXPECT_NE(out.str().find("\nHealth:         Bad: attribute 05 Reallocated sector count is "
                           "failing: value 3, threshold 10; 12 reallocated sectors; 2 pending "
                           "sectors\n"),
            std::string::npos)
      << out.str();
  ASSERT_EQ(Cli({"summary", "2", "--json"}), 8);
  JsonValue doc = Json();
  EXPECT_EQ(doc["health"]["verdict"].text, "Bad");
  EXPECT_EQ(Reasons(doc).size(), 3u);
  EXPECT_EQ(doc["lifePercent"].kind, JsonValue::Kind::kNumber);  // the rest is unchanged

  ASSERT_EQ(Cli({"summary", "3", "--json"}), 8);
  doc = Json();
  EXPECT_EQ(doc["health"]["verdict"].text, "Bad");
  EXPECT_EQ(Reasons(doc), (std::vector<std::string>{
                              "critical warning: reliability degraded by media or internal errors",
                              "7 media and data integrity errors"}));

  ASSERT_EQ(Cli({"summary", "4", "--json"}), app::cli::kExitHealthCaution);
  doc = Json();
  EXPECT_EQ(doc["health"]["verdict"].text, "Caution");
  EXPECT_EQ(Reasons(doc),
            (std::vector<std::string>{"percentage used 104%: the rated endurance is used up"}));
}

TEST_F(HealthCli, SmartRowsCarryTheirNumbersBesideThePageTexts) {
  ASSERT_EQ(Cli({"smart", "2", "--json"}), 8) << err.str();
  JsonValue doc = Json();
  const JsonValue& rows = doc["rows"];
  const JsonValue& attrs = doc["attributes"];
  ASSERT_EQ(attrs.items.size(), rows.items.size());
  ASSERT_GT(rows.items.size(), 2u);
  bool seen = false;
  for (size_t i = 0; i < rows.items.size(); ++i) {
    // Each attribute describes the row at its place.
    const int id = static_cast<int>(attrs[i]["id"].number);
    EXPECT_EQ(rows[i][0].text.substr(0, 2), common::Format("%02X", id));
    if (id != 5) continue;
    seen = true;
    EXPECT_EQ(attrs[i]["current"].number, 3);
    EXPECT_EQ(attrs[i]["worst"].number, 3);
    EXPECT_EQ(attrs[i]["threshold"].number, 10);
    EXPECT_EQ(attrs[i]["raw"].number, 12);
    EXPECT_EQ(rows[i][1].text, "0x03 (3)");
  }
  EXPECT_TRUE(seen);
  EXPECT_EQ(doc["health"]["verdict"].text, "Bad");

  // An NVMe drive: the composite temperature in kelvins and degrees Celsius.
  ASSERT_EQ(Cli({"smart", "3", "--json"}), 8) << err.str();
  doc = Json();
  ASSERT_FALSE(doc["temperatures"].items.empty());
  EXPECT_EQ(doc["temperatures"][0]["name"].text, "Composite temperature");
  EXPECT_EQ(doc["temperatures"][0]["kelvin"].number, 318);
  EXPECT_EQ(doc["temperatures"][0]["celsius"].number, 45);
  EXPECT_EQ(doc["attributes"].kind, JsonValue::Kind::kNull);  // absent

  // Text: the page's rows, its status, then the verdict.
  EXPECT_EQ(Cli({"smart", "4"}), 16);
  EXPECT_NE(out.str().find("Read SMART data successful\nHealth: Caution: percentage used 104%"),
            std::string::npos)
      << out.str();
  EXPECT_EQ(Cli({"smart", "1"}), 0);
}

}  // namespace
