#include "lab/demo/open_lab.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "lab/support/fake_drives.h"
#include "support/host_env.h"
#include "support/temp_dir.h"

namespace lab {
namespace {

class DemoFolder {
 public:
  explicit DemoFolder(const std::string& path) { testsupport::SetEnv("SSDTOOLS_DEMO_LAB", path); }
  ~DemoFolder() { testsupport::UnsetEnv("SSDTOOLS_DEMO_LAB"); }
};

TEST(OpenLab, TheDemoIsCreatedOnFirstUseAndKeptAfterwards) {
  testsupport::TempDir dir;
  DemoFolder folder(dir.Str() + "/demo");
  EXPECT_EQ(DemoLabFolder(), dir.Str() + "/demo");
  labtest::FakeFactory fakes;
  std::string error;
  std::vector<uint8_t> mark(512, 0xA5);
  {
    auto os = OpenLab("demo", fakes.Factory(), error);
    ASSERT_TRUE(os) << error;
    EXPECT_EQ(os->Machine().Disks().size(), 8u);
    EXPECT_TRUE(dir.Exists("demo/lab.ini"));
    LabDisk* usb = os->Machine().DiskBySection("Disk VK4630 USB");
    ASSERT_NE(usb, nullptr);
    ASSERT_TRUE(usb->GetMedia().Write(5, 1, mark.data()));
  }
  auto again = OpenLab("Demo", fakes.Factory(), error);
  ASSERT_TRUE(again) << error;
  std::vector<uint8_t> back(512);
  ASSERT_NE(again->Machine().DiskBySection("Disk VK4630 USB"), nullptr);
  ASSERT_TRUE(
      again->Machine().DiskBySection("Disk VK4630 USB")->GetMedia().Read(5, 1, back.data()));
  EXPECT_EQ(back, mark);
  again.reset();

  // A demo of another version is replaced, its drive state with it.
  dir.Write("demo/lab.ini", "; SSD Tools demo lab, version 0\n[Disk0]\nAttachment=sata\n");
  auto renewed = OpenLab("demo", fakes.Factory(), error);
  ASSERT_TRUE(renewed) << error;
  ASSERT_NE(renewed->Machine().DiskBySection("Disk VK4630 USB"), nullptr);
  ASSERT_TRUE(
      renewed->Machine().DiskBySection("Disk VK4630 USB")->GetMedia().Read(5, 1, back.data()));
  EXPECT_EQ(back, std::vector<uint8_t>(512, 0));
}

TEST(OpenLab, TheDemoHasEveryAttachmentAndTheSystemDisk) {
  const LabConfig c = ParseLabConfig(DemoLabIni());
  ASSERT_TRUE(c.problems.empty()) << c.problems.front();
  std::map<Attachment, int> kinds;
  for (const DiskConfig& d : c.disks) ++kinds[d.attachment];
  EXPECT_EQ(kinds[Attachment::kSata], 3);
  EXPECT_EQ(kinds[Attachment::kNvme], 1);
  EXPECT_EQ(kinds[Attachment::kNvmeMiniport], 1);
  EXPECT_EQ(kinds[Attachment::kUsbSat], 1);
  EXPECT_EQ(kinds[Attachment::kUsbNvme], 1);
  EXPECT_EQ(kinds[Attachment::kUsbStorage], 1);
  // The system folder's letter is on the VK4630 behind the maker's miniport
  // alone; the other maker's disk is a data disk.
  EXPECT_EQ(c.SystemLetter(), 'C');
  std::vector<const DiskConfig*> onSystemLetter;
  for (const DiskConfig& d : c.disks) {
    for (char l : d.letters)
      if (l == c.SystemLetter()) onSystemLetter.push_back(&d);
  }
  ASSERT_EQ(onSystemLetter.size(), 1u);
  EXPECT_EQ(onSystemLetter[0]->section, "Disk VK4630 Miniport");
  EXPECT_EQ(onSystemLetter[0]->attachment, Attachment::kNvmeMiniport);
  EXPECT_EQ(onSystemLetter[0]->controller, "VK4630");
  EXPECT_EQ(c.disks[0].controller, "generic");
  EXPECT_EQ(c.disks[0].letters, std::vector<char>{'F'});
}

TEST(OpenLab, AFolderWithoutLabIniOrWithABadOneSaysWhy) {
  testsupport::TempDir dir;
  labtest::FakeFactory fakes;
  std::string error;
  EXPECT_FALSE(OpenLab(dir.Str() + "/nothing", fakes.Factory(), error));
  EXPECT_NE(error.find("no readable lab.ini"), std::string::npos);
  dir.Write("bad/lab.ini", "[Disk0]\nAttachment=floppy\n[Disk1]\nAttachment=sata\nCapacity=x\n");
  EXPECT_FALSE(OpenLab(dir.Str() + "/bad", fakes.Factory(), error));
  EXPECT_NE(error.find("[Disk0] Attachment: 'floppy'"), std::string::npos) << error;
  EXPECT_NE(error.find("[Disk1] Capacity"), std::string::npos) << error;
  dir.Write("broken/lab.ini", "[Disk0]\nAttachment=sata\nController=broken\n");
  EXPECT_FALSE(OpenLab(dir.Str() + "/broken", fakes.Factory(), error));
  EXPECT_NE(error.find("[Disk0] this controller cannot be built"), std::string::npos) << error;
  // The path of the lab.ini itself works as well as its folder.
  dir.Write("good/lab.ini", "[Disk0]\nAttachment=nvme\nCapacity=4MiB\n");
  EXPECT_TRUE(OpenLab(dir.Str() + "/good/lab.ini", fakes.Factory(), error)) << error;
  EXPECT_TRUE(dir.Exists("good/state/Disk0.img"));
}

}  // namespace
}  // namespace lab
