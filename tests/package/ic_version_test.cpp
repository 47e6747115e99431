#include "package/ic_version.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/virtual_os.h"

namespace firmware {
namespace {

// A controller whose memory holds given bytes at given addresses; reads can be
// made to fail a number of times, and every call is recorded in order.
class FakeProbe : public IcVersionProbe {
 public:
  int ReadMemory(uint32_t address, std::span<uint8_t> data, bool normalFirmware) override {
    calls.push_back("read " + std::to_string(address) + (normalFirmware ? " n" : " v"));
    if (failuresLeft[address] > 0) {
      --failuresLeft[address];
      return -7;
    }
    const auto it = memory.find(address);
    if (it == memory.end()) return -7;
    std::fill(data.begin(), data.end(), uint8_t{0});
    std::copy_n(it->second.begin(), std::min(it->second.size(), data.size()), data.begin());
    return 0;
  }
  int SwitchMode(uint8_t value) override {
    calls.push_back("switch " + std::to_string(value));
    return switchFails[value] ? -6 : 0;
  }

  // A ROM string as the controller stores it: the bytes of each pair swapped.
  void Rom(uint32_t address, const std::string& text) {
    std::vector<uint8_t> b(text.begin(), text.end());
    b.resize(16, 0);
    for (size_t i = 0; i + 1 < b.size(); i += 2) std::swap(b[i], b[i + 1]);
    memory[address] = b;
  }

  std::map<uint32_t, std::vector<uint8_t>> memory;
  std::map<uint32_t, int> failuresLeft;
  std::map<uint8_t, bool> switchFails;
  std::vector<std::string> calls;
};

class IcVersionTest : public ::testing::Test {
 protected:
  void SetUp() override { os_.Trace().SetCapture(true); }
  FakeProbe probe_;
  os::VirtualOs os_;
};

TEST_F(IcVersionTest, HardwareIdSelectsTheSuffix) {
  const std::pair<uint8_t, const char*> cases[] = {
      {0x00, "4620AA"}, {0x01, "4620AB"}, {0x0A, "4620AC"}, {0xFB, "4620AD"}};
  for (const auto& [hwid, expected] : cases) {
    probe_.memory[kHardwareIdRegister] = {hwid};
    std::string name = "4620";
    EXPECT_TRUE(CheckICVer(probe_, os_, name, kHardwareIdRegister, true));
    EXPECT_EQ(name, expected);
  }
  EXPECT_TRUE(os_.Trace().Contains("[VKM_DEBUG] CheckICVer: nHWID = 2\n"));
  EXPECT_TRUE(
      os_.Trace().Contains("[VKM_DEBUG] CheckICVer: nStartAddr = 0x5000000B, ReadMemory = 0\n"));
}

TEST_F(IcVersionTest, HardwareIdValuesFourToSevenAreNotFound) {
  for (uint8_t hwid = 4; hwid < 8; ++hwid) {
    probe_.memory[kHardwareIdRegister] = {hwid};
    std::string name = "4620";
    EXPECT_FALSE(CheckICVer(probe_, os_, name, kHardwareIdRegister, true));
    EXPECT_EQ(name, "4620");
  }
}

TEST_F(IcVersionTest, ReadIsTriedFiveTimesWithAPauseAfterEach) {
  probe_.memory[kHardwareIdRegister] = {1};
  probe_.failuresLeft[kHardwareIdRegister] = 2;
  std::string name = "4620";
  EXPECT_TRUE(CheckICVer(probe_, os_, name, kHardwareIdRegister, false));
  EXPECT_EQ(probe_.calls.size(), 3U);
  EXPECT_EQ(probe_.calls[0], "read 1342177291 v");
  EXPECT_EQ(os_.Clock().ElapsedMs(), 300U);

  probe_.calls.clear();
  probe_.failuresLeft[kHardwareIdRegister] = 5;
  name = "4620";
  EXPECT_FALSE(CheckICVer(probe_, os_, name, kHardwareIdRegister, true));
  EXPECT_EQ(probe_.calls.size(), 5U);
  EXPECT_EQ(name, "4620");
  EXPECT_TRUE(os_.Trace().Contains("ReadMemory = -7\n"));
}

TEST_F(IcVersionTest, RomStringIsReadPairSwapped) {
  probe_.Rom(0x4FE2, "VK4610AB ROM");
  std::string name = "4610AB";
  EXPECT_TRUE(CheckICVer(probe_, os_, name, 0x4FE2, true));
  name = "4610AD";
  EXPECT_FALSE(CheckICVer(probe_, os_, name, 0x4FE2, true));
  // Only the first 16 bytes count.
  probe_.memory[0x100] = std::vector<uint8_t>(40, 'x');
  name = "xxxxxxxxxxxxxxxxx";  // 17 characters
  EXPECT_FALSE(CheckICVer(probe_, os_, name, 0x100, true));
  name = "xxxxxxxxxxxxxxxx";
  EXPECT_TRUE(CheckICVer(probe_, os_, name, 0x100, true));
}

TEST_F(IcVersionTest, Family4620Xt2NeedsNoRead) {
  const IcVersionResult r = DetermineIcVersion(
      probe_, os_, {.family = IcFamily::k4620, .xt2 = true, .mode = DriveMode::kNormal});
  EXPECT_TRUE(r.Found());
  EXPECT_EQ(r.szICVer, "4620XT2");
  EXPECT_TRUE(probe_.calls.empty());
  EXPECT_TRUE(os_.Trace().Contains("[VKM_FFU] DoAutoGenFlu: szICVer = 4620XT2\n"));
}

TEST_F(IcVersionTest, Family4620ReadsTheHardwareId) {
  probe_.memory[kHardwareIdRegister] = {0x0A};
  IcVersionResult r =
      DetermineIcVersion(probe_, os_, {.family = IcFamily::k4620, .mode = DriveMode::kIsp});
  EXPECT_TRUE(r.Found());
  EXPECT_EQ(r.szICVer, "4620AC");
  EXPECT_EQ(probe_.calls.front(), "read 1342177291 v");  // not normal firmware
  probe_.memory[kHardwareIdRegister] = {0x06};
  r = DetermineIcVersion(probe_, os_, {.family = IcFamily::k4620});
  EXPECT_EQ(r.status, IcVersionStatus::kNotFound);
}

TEST_F(IcVersionTest, Family4610RomCheckSwitchesModesAroundIt) {
  probe_.Rom(0x50AA, "4610AB");
  const IcVersionResult r = DetermineIcVersion(
      probe_, os_, {.family = IcFamily::k4610, .mode = DriveMode::kRom, .romCheckICVer = true});
  EXPECT_TRUE(r.Found());
  EXPECT_EQ(r.szICVer, "4610AD");
  ASSERT_GE(probe_.calls.size(), 3U);
  EXPECT_EQ(probe_.calls.front(), "switch 1");
  EXPECT_EQ(probe_.calls[1], "read 20450 n");  // 0x4FE2 first, as normal firmware
  EXPECT_EQ(probe_.calls.back(), "switch 0");
}

TEST_F(IcVersionTest, Family4610RomCheckOrder) {
  probe_.Rom(0x5C5A, "4620AB");
  probe_.Rom(0x60FE, "4620AC");
  IcVersionResult r = DetermineIcVersion(
      probe_, os_, {.family = IcFamily::k4610, .mode = DriveMode::kNormal, .romCheckICVer = true});
  EXPECT_EQ(r.szICVer, "4620AB");
  for (const auto& c : probe_.calls) EXPECT_NE(c.rfind("switch", 0), 0U) << c;

  probe_.memory.clear();
  r = DetermineIcVersion(probe_, os_, {.family = IcFamily::k4610, .romCheckICVer = true});
  EXPECT_EQ(r.status, IcVersionStatus::kNotFound);
}

TEST_F(IcVersionTest, Family4610ModeSwitchFailuresGive258) {
  probe_.Rom(0x4FE2, "4610AB");
  probe_.switchFails[1] = true;
  IcVersionResult r = DetermineIcVersion(
      probe_, os_, {.family = IcFamily::k4610, .mode = DriveMode::kIsp, .romCheckICVer = true});
  EXPECT_EQ(r.status, IcVersionStatus::kModeSwitchFailed);
  EXPECT_EQ(probe_.calls.size(), 1U);

  probe_.calls.clear();
  probe_.switchFails = {{0, true}};
  r = DetermineIcVersion(
      probe_, os_, {.family = IcFamily::k4610, .mode = DriveMode::kIsp, .romCheckICVer = true});
  EXPECT_EQ(r.status, IcVersionStatus::kModeSwitchFailed);
  EXPECT_EQ(probe_.calls.back(), "switch 0");
  EXPECT_EQ(kIcVersionError, 258);
}

TEST_F(IcVersionTest, Family4610WithoutRomCheckUsesTheComboBox) {
  EXPECT_EQ(DetermineIcVersion(probe_, os_, {.family = IcFamily::k4610, .icVersionComboIndex = 0})
                .szICVer,
            "4610AB");
  EXPECT_EQ(DetermineIcVersion(probe_, os_, {.family = IcFamily::k4610, .icVersionComboIndex = 1})
                .szICVer,
            "4610AD");
  EXPECT_EQ(DetermineIcVersion(probe_, os_, {.family = IcFamily::k4610, .icVersionComboIndex = -1})
                .status,
            IcVersionStatus::kNotFound);
  EXPECT_EQ(DetermineIcVersion(probe_, os_, {.family = IcFamily::kNone}).status,
            IcVersionStatus::kNotFound);
  EXPECT_TRUE(probe_.calls.empty());
}

TEST(IcVersionText, SuffixAndComboPreset) {
  EXPECT_EQ(IcVersionSuffix("4620AB"), "AB");
  EXPECT_EQ(IcVersionSuffix("4610AD"), "AD");
  EXPECT_EQ(IcVersionSuffix("4620XT2"), "XT2");
  EXPECT_EQ(IcVersionSuffix("4620AA"), "");
  EXPECT_EQ(IcVersionSuffix(""), "");
  EXPECT_EQ(IcVersionComboPresetFor(-1).enabled, true);
  EXPECT_EQ(IcVersionComboPresetFor(-1).itemIndex, 0);
  EXPECT_EQ(IcVersionComboPresetFor(1).itemIndex, 1);
  EXPECT_FALSE(IcVersionComboPresetFor(1).enabled);
  EXPECT_EQ(IcVersionComboPresetFor(7).itemIndex, -1);
}

}  // namespace
}  // namespace firmware
