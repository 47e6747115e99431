// Runs the lab's fuzz entry over mutated lab.ini files and mutated device
// requests, so every test run (and the sanitizer build) exercises it.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "lab/support/test_lab.h"
#include "platform/ata_pass_through.h"
#include "platform/scsi_pass_through.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

void Mutate(std::vector<uint8_t>& b, std::mt19937& rng, size_t from) {
  if (b.size() <= from) return;
  const int edits = std::uniform_int_distribution<int>(0, 12)(rng);
  for (int e = 0; e < edits; ++e) {
    const size_t at = std::uniform_int_distribution<size_t>(from, b.size() - 1)(rng);
    b[at] = rng() % 3 == 0 ? 0xFF : static_cast<uint8_t>(rng());
  }
}

TEST(LabFuzzEntry, MutatedLabIniFiles) {
  std::mt19937 rng(11);
  const std::string seed = labtest::kReferenceLab;
  for (int round = 0; round < 200; ++round) {
    std::vector<uint8_t> input{0};
    input.insert(input.end(), seed.begin(), seed.end());
    Mutate(input, rng, 1);
    ASSERT_EQ(LLVMFuzzerTestOneInput(input.data(), input.size()), 0);
  }
}

TEST(LabFuzzEntry, MutatedDeviceRequests) {
  // Seeds: a property query, a READ CAPACITY pass-through, an IDENTIFY task
  // file, a miniport identify, a USB connection query and a firmware download.
  std::vector<std::vector<uint8_t>> seeds;
  auto request = [&](uint8_t handle, uint8_t code, uint16_t outSize, std::vector<uint8_t> block) {
    std::vector<uint8_t> s{1, handle, code, static_cast<uint8_t>(outSize),
                           static_cast<uint8_t>(outSize >> 8)};
    s.insert(s.end(), block.begin(), block.end());
    seeds.push_back(s);
  };
  std::vector<uint8_t> query(12, 0);
  request(0, 0, 1060, query);
  auto bytesOf = [](const auto& block) {
    std::vector<uint8_t> b(sizeof block);
    std::memcpy(b.data(), &block, sizeof block);
    return b;
  };
  os::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER sptd{};
  sptd.sptd.Length = sizeof sptd.sptd;
  sptd.sptd.CdbLength = 10;
  sptd.sptd.SenseInfoLength = 32;
  sptd.sptd.DataIn = 1;
  sptd.sptd.DataTransferLength = 8;
  sptd.sptd.SenseInfoOffset = offsetof(os::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER, ucSenseBuf);
  sptd.sptd.Cdb[0] = 0x25;
  request(3, 3, sizeof sptd, bytesOf(sptd));
  os::ATA_PASS_THROUGH_DIRECT apt{};
  apt.Length = sizeof apt;
  apt.AtaFlags = 3;
  apt.DataTransferLength = 512;
  apt.CurrentTaskFile[6] = 0xEC;
  request(0, 4, sizeof apt, bytesOf(apt));
  std::vector<uint8_t> mini(152 + 512, 0);
  common::WriteLe32(mini, 0, 28);
  std::memcpy(mini.data() + 4, "NvmeMini", 8);
  common::WriteLe32(mini, 16, 0xE0002000u);
  common::WriteLe32(mini, 24, 512 + 125);
  mini[52] = 0x06;
  common::WriteLe32(mini, 132, 2);
  common::WriteLe32(mini, 140, 512);
  request(6, 9, 700, mini);
  std::vector<uint8_t> conn(388, 0);
  conn[0] = 1;
  request(8, 16, 388, conn);
  std::vector<uint8_t> fw(40 + 64, 0);
  common::WriteLe32(fw, 0, 40);
  common::WriteLe32(fw, 4, 104);
  common::WriteLe64(fw, 24, 64);
  request(1, 7, 0, fw);

  std::mt19937 rng(5);
  for (int round = 0; round < 1200; ++round) {
    std::vector<uint8_t> input = seeds[static_cast<size_t>(round) % seeds.size()];
    if (rng() % 4 == 0) input[1] = static_cast<uint8_t>(rng());  // another handle
    if (rng() % 4 == 0) input[2] = static_cast<uint8_t>(rng());  // another request
    Mutate(input, rng, 5);
    if (rng() % 8 == 0) input.resize(std::uniform_int_distribution<size_t>(5, input.size())(rng));
    ASSERT_EQ(LLVMFuzzerTestOneInput(input.data(), input.size()), 0) << "round " << round;
  }
}

}  // namespace
