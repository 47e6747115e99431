// The refusals of an update, each through the page's Start on a lab machine:
// the row fails with its own text, the status bar and the run log say the
// same, and the drive was sent no firmware (its state file still holds the
// old version, no download reached it).
#include <functional>

#include "common/text.h"
#include "update_lab_fixture.h"

namespace updatetest {
namespace {

namespace fs = std::filesystem;

std::string WithoutSataImagePath(std::string settings) {
  const std::string key = "ISP_FilePath=ISP_VK4620XT.bin\n";
  settings.replace(settings.find(key), key.size(), "ISP_FilePath=\n");
  return settings;
}

// The machine with the SATA disk running `version` instead.
std::string SataRunning(const std::string& version) {
  std::string lab = FiveAttachments();
  const std::string key = std::string("Firmware=") + kSataOld;
  lab.replace(lab.find(key), key.size(), "Firmware=" + version);
  return lab;
}

class SataRefusalOnLab;

struct Refusal {
  const char* name;
  std::string lab;  // the machine: FiveAttachments with the SATA disk's extra keys
  std::string settings;
  std::string result;
  std::string status;
  // What the user did before pressing Start (changed a control, an image).
  std::function<void(SataRefusalOnLab&)> before = nullptr;
  // Refusals after the transfer began: the download was tried, and failed.
  bool downloadTried = false;
  // The question without versions was asked (and answered No).
  bool askedWithoutVersions = false;
  std::string running = kSataOld;  // what the drive ran before, and still runs
};

void PrintTo(const Refusal& r, std::ostream* os) { *os << r.name; }

class SataRefusalOnLab : public UpdateOnLab, public ::testing::WithParamInterface<Refusal> {
 public:
  void Resize(const std::string& native, uintmax_t bytes) {
    fs::resize_file(home.Path() / native, bytes);
  }
  ui::ComboBox& SubCmd() { return form->CMBB_Microcode_SubCMD; }
  ui::HeadlessToolkit& Kit() { return *toolkit; }
};

TEST_P(SataRefusalOnLab, FailsTheRowAndSendsNoFirmware) {
  const Refusal& c = GetParam();
  Start(c.lab, c.settings);
  const int a = Drive(1);
  ASSERT_GE(a, 0);
  Tick(a);
  if (c.before) c.before(*this);
  PressStart();
  EXPECT_EQ(Result(a), c.result) << LogText();
  EXPECT_EQ(Image(a), app::kRowFailed);
  EXPECT_EQ(form->StatusMessage(), c.status);
  EXPECT_NE(LogText().find("Dev_" + std::to_string(a) + "          : " + c.result + "\n"),
            std::string::npos)
      << LogText();
  EXPECT_EQ(Traced("GLoopIndex = 0"), c.downloadTried);
  if (c.askedWithoutVersions) {
    ASSERT_FALSE(toolkit->Dialogs().empty());
    EXPECT_EQ(toolkit->Dialogs().back().request.text, "Press YES to begin FW Update! \n\nDevice <" +
                                                          form->LV_UpdateDevStatus.Item(a).caption +
                                                          ">");
  }
  const lab::drives::DriveState st = StateOf("Disk A");
  EXPECT_EQ(common::Trim(st.firmware), c.running);
  EXPECT_TRUE(st.pendingFirmware.empty());
}

INSTANTIATE_TEST_SUITE_P(
    UpdatePage, SataRefusalOnLab,
    ::testing::Values(
        Refusal{"NewBadBlocks", FiveAttachments("SmartRaw=05=3"), Settings("CheckNewBad=1\n"),
                "New Bad Exists!!!", "New Bad Exists!!!"},
        Refusal{"CurrentNotBeforeAvailableBefore", FiveAttachments(),
                Settings("AvailableBefore=S0200A0\n"), "Current FW Version is not before S0200A0",
                "Current FW Version is not before S0200A0"},
        Refusal{"CustomerOneUpToDate", SataRunning("V0414A0"), Settings("CustomerType=1\n"),
                "Drive FW is Up To Date", "Drive FW is Up To Date", nullptr, false, false,
                "V0414A0"},
        Refusal{"NoImageConfigured", FiveAttachments(), WithoutSataImagePath(Settings()),
                "Open FW file fail", "Please 'Open File' first!"},
        Refusal{"ImageTooLargeToHold", FiveAttachments(), Settings(), "Memory allocate fail",
                "Memory allocate fail",
                [](SataRefusalOnLab& t) {
                  t.Resize("VK4620XT/ISP_VK4620XT.bin", update::kMaxImageBytes + 1);
                }},
        Refusal{"NoTransferMode", FiveAttachments(), Settings(), "Please select transfer mode!",
                "Please select transfer mode!",
                [](SataRefusalOnLab& t) { t.SubCmd().SetItemIndex(-1); }},
        Refusal{"QuestionWithoutVersionsAnsweredNo", FiveAttachments(),
                Settings("DoNotShowNewFWVer=1\n"), "Stop FW update!", "Stop FW update!",
                [](SataRefusalOnLab& t) { t.Kit().SetAnswerPolicy(ui::AnswerPolicy::kNo); }, false,
                true},
        Refusal{"DownloadCommandFailsInTransport",
                FiveAttachments("FailTransport=ata:0x92@1+, ata:0x93@1+"), Settings(),
                "Download CMD fail", "Update device fail(Nvme:3)", nullptr, true}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace updatetest
