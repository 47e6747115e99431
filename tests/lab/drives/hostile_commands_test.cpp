// Commands with arbitrary registers and buffer sizes: the drives must answer
// every one without reading or writing outside the buffers, and stay usable.
#include <gtest/gtest.h>

#include <random>

#include "lab/drives/vk4630/vk4630_controller.h"
#include "lab/drives/vk46xx_test_support.h"

namespace lab::drives {
namespace {

TEST(HostileCommandsTest, Vk46xxSurvivesRandomTaskFiles) {
  drivetest::VkRig rig(Vk46xxDefaults(VkController::kVk4620Xt), 0x10000);
  std::mt19937 rng(4620);
  const uint8_t ops[] = {0x20, 0x24, 0x25, 0x30, 0x35, 0xC8, 0xCA, 0x92, 0x93, 0xB0,
                         0xEC, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0x06, 0x40, 0x42,
                         0x27, 0xF8, 0xEF, 0xC6, 0x90, 0xE5, 0x00, 0x77};
  std::vector<uint8_t> buffer;
  for (int i = 0; i < 4000; ++i) {
    AtaCommand c;
    c.current = {static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng() % 4),
                 static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()),
                 static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()),
                 ops[rng() % sizeof(ops)]};
    c.previous = {static_cast<uint8_t>(rng()),
                  static_cast<uint8_t>(rng() % 2),
                  static_cast<uint8_t>(rng() % 2),
                  0,
                  0,
                  0,
                  0};
    // Now and then aim at the reserved sectors with a vendor-looking block.
    if (rng() % 4 == 0) {
      static const uint32_t lbas[] = {0xAA, 0xAA00, 0x55, 0x5500, 0x55AA, 0x789, 0x1234};
      const uint32_t lba = lbas[rng() % 7];
      c.current.lbaLow = static_cast<uint8_t>(lba);
      c.current.lbaMid = static_cast<uint8_t>(lba >> 8);
      c.current.lbaHigh = 0;
      c.current.device = 0xE0;
    }
    buffer.assign(rng() % 5 * 512 + (rng() % 2) * 100, 0);
    for (auto& b : buffer) b = static_cast<uint8_t>(rng());
    if (!buffer.empty() && rng() % 2) {
      buffer[0] = 0xF0 | (rng() % 2);
      buffer[1] = static_cast<uint8_t>(rng());
    }
    c.data = buffer;
    const AtaResult r = rig.drive->ExecuteAta(c);
    EXPECT_LE(r.bytesTransferred, buffer.size());
  }
  // Still a drive: it identifies itself (unlocking first if the storm set a password).
  rig.drive->PowerOff(false);
  rig.drive->PowerOn();
  const Sector id = rig.drive->Identify();
  EXPECT_EQ(id[510], 0xA5);
  std::vector<uint8_t> s(512);
  AtaCommand ident = drivetest::Ata28(0, 1, 0, 0, 0, 0xE0, 0xEC, s, DataDirection::kIn);
  EXPECT_EQ(rig.drive->ExecuteAta(ident).current.command, drivetest::kGood);
}

TEST(HostileCommandsTest, Vk4630SurvivesRandomSubmissions) {
  auto media = std::make_shared<drivetest::MemoryMedia>(0x10000);
  Vk4630Controller ctrl(Vk4630Settings{}, media, DriveState{});
  std::mt19937 rng(4630);
  const uint8_t ops[] = {0x02, 0x06, 0x09, 0x0A, 0x10, 0x11, 0x80, 0xC0, 0xC2, 0x01, 0x08, 0x7F};
  std::vector<uint8_t> buffer;
  for (int i = 0; i < 4000; ++i) {
    NvmeSubmission s;
    s.opcode = ops[rng() % sizeof(ops)];
    s.admin = rng() % 4 != 0;
    s.nsid = rng() % 3 == 0 ? 0xFFFFFFFF : rng() % 3;
    for (auto& d : s.cdw) d = rng() % 2 ? static_cast<uint32_t>(rng()) : rng() % 64;
    buffer.assign(rng() % 3 == 0 ? 0 : (rng() % 9) * 512, 0);
    s.data = buffer;
    (void)ctrl.ExecuteNvme(s);
    std::vector<uint8_t> control(rng() % 12);
    (void)ctrl.HandleControlRequest(0xE0001C00 | (rng() % 64), control);
  }
  EXPECT_TRUE(ctrl.Powered());
  EXPECT_EQ(ctrl.IdentifyController()[0], 0x9F);
}

}  // namespace
}  // namespace lab::drives
