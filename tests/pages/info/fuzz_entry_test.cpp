// Runs the fuzz entry over inputs built from the shipped rule files with random
// byte changes, so every test run (and the sanitizer build) exercises it.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(RuleDecoderFuzzEntryTest, MutatedShippedRuleFilesAndTables) {
  const std::string demo = SSDTOOLS_DEMO_DIR;
  const std::vector<std::string> seeds = {ReadFile(demo + "/VK4610XT/IdentifyDevice.ini"),
                                          ReadFile(demo + "/VK4630/IdentifyController.ini"),
                                          ReadFile(demo + "/VK4630/SmartHealthLog.ini"),
                                          ReadFile(demo + "/VK4620XT/SmartAttr.ini")};
  for (const std::string& s : seeds) ASSERT_FALSE(s.empty());
  std::mt19937 rng(7);
  for (int round = 0; round < 300; ++round) {
    std::string rules = seeds[static_cast<size_t>(round) % seeds.size()];
    const int edits = std::uniform_int_distribution<int>(0, 40)(rng);
    for (int e = 0; e < edits; ++e) {
      const size_t at = std::uniform_int_distribution<size_t>(0, rules.size() - 1)(rng);
      const char digits[] = "0123456789,=[]_\n";
      rules[at] = rng() % 2 ? digits[rng() % (sizeof(digits) - 1)] : static_cast<char>(rng());
    }
    const size_t tableSize = std::uniform_int_distribution<size_t>(0, 4096)(rng);
    std::vector<uint8_t> input = {static_cast<uint8_t>(rng()),
                                  static_cast<uint8_t>(tableSize & 0xFF),
                                  static_cast<uint8_t>(tableSize >> 8)};
    for (size_t i = 0; i < tableSize; ++i) input.push_back(static_cast<uint8_t>(rng()));
    input.insert(input.end(), rules.begin(), rules.end());
    ASSERT_EQ(LLVMFuzzerTestOneInput(input.data(), input.size()), 0);
  }
}

}  // namespace
