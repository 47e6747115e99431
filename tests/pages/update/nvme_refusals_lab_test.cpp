// The refusals and failures of the NVMe update through the page's Start on
// the maker's miniport: the row fails with its text, the status bar and the
// run log say the same, and the drive keeps running its old firmware, after a
// restart too (pieces downloaded but never committed are dropped).
#include <functional>

#include "common/bytes.h"
#include "common/text.h"
#include "pages/update/nvme_update.h"
#include "update_lab_fixture.h"

namespace updatetest {
namespace {

namespace fs = std::filesystem;

class NvmeRefusalOnLab;

struct NvmeRefusal {
  const char* name;
  std::string miniportKeys;  // extra lab.ini keys of the NVMe disk on the miniport
  std::string result;
  std::string status;
  std::function<void(NvmeRefusalOnLab&)> before = nullptr;
  bool downloaded = false;  // image pieces reached the drive before the refusal
};

void PrintTo(const NvmeRefusal& r, std::ostream* os) { *os << r.name; }

class NvmeRefusalOnLab : public UpdateOnLab, public ::testing::WithParamInterface<NvmeRefusal> {
 public:
  void Resize(uintmax_t bytes) { fs::resize_file(home.Path() / "VK4630/ISP_VK4630.bin", bytes); }
  void Remove() { fs::remove(home.Path() / "VK4630/ISP_VK4630.bin"); }
  ui::ComboBox& Active() { return form->CMBB_Microcode_Active; }
};

TEST_P(NvmeRefusalOnLab, FailsTheRowAndTheOldFirmwareRuns) {
  const NvmeRefusal& c = GetParam();
  Start(FiveAttachments("", c.miniportKeys));
  const int d = Drive(4);
  ASSERT_GE(d, 0);
  Tick(d);
  if (c.before) c.before(*this);
  PressStart();
  EXPECT_EQ(Result(d), c.result) << LogText();
  EXPECT_EQ(Image(d), app::kRowFailed);
  EXPECT_EQ(form->StatusMessage(), c.status);
  EXPECT_NE(LogText().find("Dev_" + std::to_string(d) + "          : " + c.result + "\n"),
            std::string::npos)
      << LogText();
  lab::drives::DriveState st = StateOf("Disk D");
  EXPECT_EQ(st.firmwareDownloads > 0, c.downloaded);
  EXPECT_EQ(common::Trim(st.firmware), kNvmeOld);
  EXPECT_EQ(common::Trim(st.slots[st.activeSlot - 1]), kNvmeOld);
  EXPECT_EQ(st.nextSlot, 0);

  Restart();
  EXPECT_EQ(CurrentFw(Drive(4)), kNvmeOld);
  st = StateOf("Disk D");
  EXPECT_EQ(common::Trim(st.firmware), kNvmeOld);
  for (const std::string& slot : st.slots) EXPECT_NE(common::Trim(slot), kNvmeNew);
}

INSTANTIATE_TEST_SUITE_P(
    UpdatePage, NvmeRefusalOnLab,
    ::testing::Values(
        NvmeRefusal{"NoCommitAction", "", "Please select commit action!",
                    "Please select commit action!",
                    [](NvmeRefusalOnLab& t) { t.Active().SetItemIndex(-1); }, true},
        NvmeRefusal{"ImageMissing", "", "Please check <VK4630\\ISP_VK4630.bin> file!",
                    "Please check <VK4630\\ISP_VK4630.bin> file!",
                    [](NvmeRefusalOnLab& t) { t.Remove(); }},
        NvmeRefusal{"ImageTooLargeToHold", "", "Memory allocate fail", "Memory allocate fail",
                    [](NvmeRefusalOnLab& t) { t.Resize(update::kMaxImageBytes + 1); }},
        NvmeRefusal{"DownloadFailsInTransport", "FailTransport=nvme:0x11@1+", "Download CMD fail",
                    "Update device status(SC:0x06, SCT:0x00, DW:0x00)"},
        NvmeRefusal{"CommitFailsInTransport", "FailTransport=nvme:0x10@1+",
                    "Update device status(SC:0x06, SCT:0x00, DW:0x00)",
                    "Update device status(SC:0x06, SCT:0x00, DW:0x00)", nullptr, true}),
    [](const ::testing::TestParamInfo<NvmeRefusal>& info) { return std::string(info.param.name); });

// An image whose ISP record points elsewhere than the configured version
// offset: the tool offers and expects the version at the offset, the
// controller runs the record's. The commit activates it at once (action 3),
// and the version read back afterwards is not the one expected.
TEST_F(UpdateOnLab, AnImmediateActivationRunningAnotherVersionFailsWithWhatRuns) {
  namespace css = update::css;
  constexpr uint32_t kMovedIspData = firmware::demo::kCssIspData + 0x10;
  constexpr size_t kIspEntry = 2;  // the demo image's ISP record
  std::vector<uint8_t> image = NvmeImage();
  const size_t entry = css::kFirstEntry + kIspEntry * css::kEntrySize;
  ASSERT_EQ(common::ReadLe32(image, entry + css::kTypeOffset), css::kTypeIsp);
  common::WriteLe32(image, entry + css::kDataOffset, kMovedIspData);
  const std::string runs = "N0400A0 ";
  std::copy(runs.begin(), runs.end(), image.begin() + kMovedIspData + css::kIspVersion);
  WriteImage("VK4630\\ISP_VK4630.bin", image);
  Start(FiveAttachments());
  const int d = Drive(4);
  ASSERT_GE(d, 0);
  ASSERT_EQ(form->CMBB_Microcode_Active.ItemIndex(), 3);
  Tick(d);
  PressStart();
  EXPECT_EQ(Result(d), "Check FW Version!") << LogText();
  EXPECT_EQ(Image(d), app::kRowFailed);
  EXPECT_EQ(form->StatusMessage(), "Check FW Version!");
  EXPECT_NE(LogText().find("Check FW Version! Expected FW:N0312A0, Drive FW:N0400A0"),
            std::string::npos)
      << LogText();
  // What the log says runs, runs: the record's version, at once.
  EXPECT_EQ(CurrentFw(d), "N0400A0");
  const lab::drives::DriveState st = StateOf("Disk D");
  EXPECT_EQ(common::Trim(st.firmware), "N0400A0");
  EXPECT_EQ(common::Trim(st.slots[st.activeSlot - 1]), "N0400A0");
}

}  // namespace
}  // namespace updatetest
