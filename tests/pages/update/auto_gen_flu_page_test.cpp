// The automatic mode (AutoGenFlu=1) through the update page's Start on the
// demo machine with the demo tool folder and package: the update file is built
// for the drive in its package folder, the image sent is copied beside it, and
// the drive runs the package's firmware; a file the build cannot write fails
// the row with the code, and nothing reaches the drive.
#include "common/text.h"
#include "package/tools/demo_package.h"
#include "update_lab_fixture.h"

namespace updatetest {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSection = "Disk VK4620XT";
// The build's output folder: the package folder of the drive's mapped tag.
constexpr const char* kOutput = "Firmware/4620/BiCS/TSB/4die/BiCS4/";

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

class AutoGenFluPage : public UpdateOnLab {
 protected:
  void SetUp() override {
    UpdateOnLab::SetUp();
    fs::copy(SSDTOOLS_DEMO_DIR, home.Path(),
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    std::string error;
    ASSERT_TRUE(firmware::demo::WriteDemoPackage(home.Str(), error)) << error;
    settings_ = Replaced(home.Read("Setting.ini"), "AutoGenFlu=0", "AutoGenFlu=1");
    settings_ = Replaced(settings_, "PopUpMsgBox=1", "PopUpMsgBox=0");
  }
  void StartDemo(const std::string& extraOptions = "") {
    Start(lab::DemoLabIni(), Replaced(settings_, "[Option]\n", "[Option]\n" + extraOptions));
  }
  int SataRow() {
    return Drive(static_cast<int>(labOs->Machine().DiskBySection(kSection)->Number()));
  }
  // The build's output folder: the package folder of the drive's mapped tag.
  // The revision the drive's state file says it runs. The build writes a
  // version taken from a dated identity field as 7 characters and a zero.
  std::string Running() const { return common::Trim(StateOf(kSection).firmware.c_str()); }
  fs::path OutputFolder() const { return home.Path() / kOutput; }

  std::string settings_;
};

TEST_F(AutoGenFluPage, TheUpdateFileIsBuiltForTheDriveAndItsFirmwareRuns) {
  StartDemo();
  const int a = SataRow();
  ASSERT_GE(a, 0);
  Tick(a);
  PressStart();
  EXPECT_EQ(Result(a), "PASS") << LogText();
  EXPECT_EQ(Image(a), app::kRowPassed);
  EXPECT_EQ(CurrentFw(a), kSataNew);
  EXPECT_TRUE(Traced("[VKM_FFU] DoAutoGenFlu: szICVer = "));
  // Microcode.flu is what went to the drive, and its copy lies beside it.
  const std::string n = std::to_string(a);
  ASSERT_TRUE(fs::exists(OutputFolder() / "Microcode.flu"));
  ASSERT_TRUE(fs::exists(OutputFolder() / ("ISP_ToolBuff_" + n + ".bin")));
  EXPECT_EQ(home.Read(kOutput + std::string("ISP_ToolBuff_") + n + ".bin"),
            home.Read(kOutput + std::string("Microcode.flu")));
  EXPECT_NE(LogText().find("Dev_" + n + "          : PASS\n"), std::string::npos) << LogText();
  EXPECT_EQ(Running(), kSataNew);
  Restart(settings_);
  EXPECT_EQ(CurrentFw(SataRow()), kSataNew);
}

TEST_F(AutoGenFluPage, AnUnwritableBuildFileFailsTheRowWithItsCode) {
  struct Case {
    const char* blocked;  // a folder in that file's place
    std::string extraOptions;
    std::string result;
  };
  for (const Case& c : {Case{"Microcode.flu", "", "Gen flu file error:(0x101)"},
                        Case{"New_ISP.bin", "", "Gen flu file error:(0x11)"},
                        Case{"New_ISP.bin", "CustomerType=1\n", "No Update Available"}}) {
    SCOPED_TRACE(c.result);
    Close();
    NewLab();
    fs::remove(OutputFolder() / c.blocked);  // built by an earlier case
    fs::create_directories(OutputFolder() / c.blocked);
    StartDemo(c.extraOptions);
    const int a = SataRow();
    ASSERT_GE(a, 0);
    Tick(a);
    PressStart();
    EXPECT_EQ(Result(a), c.result) << LogText();
    EXPECT_EQ(Image(a), app::kRowFailed);
    EXPECT_EQ(form->StatusMessage(), c.result);
    EXPECT_FALSE(Traced("GLoopIndex = 0"));
    EXPECT_EQ(Running(), kSataOld);
    fs::remove(OutputFolder() / c.blocked);
  }
}

}  // namespace
}  // namespace updatetest
