// The security erase end to end on a lab machine: the start-up scan fills the
// erase list, the user ticks rows and presses Erase, and afterwards the
// drives' media and security state tell what was really done.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "config/context/run_context.h"
#include "form/device_scan/app_device_scanner.h"
#include "form/update_dispaly.h"
#include "lab/bridges/ata_access.h"
#include "lab/demo/open_lab.h"
#include "pages/maintenance/erase_page.h"
#include "pages/maintenance/notice_boxes.h"
#include "support/lab_builder.h"
#include "support/recording_os.h"
#include "support/temp_dir.h"
#include "support/vk_drive_of.h"
#include "ui/headless_toolkit.h"

namespace {

constexpr int kResult = maintenance::kEraseResultSub;
constexpr uint64_t kMarkLba = 2048;

constexpr const char* kSettings = R"([Option]
ErrorLog=0
PopUpMsgBox=1
ATA-PIFlag=1
SupportInboxDriver=1
ICType_0=VK4620XT
ICType_1=VK4620XT2
ICType_2=VK4630
[VK4620XT]
VKMStrTag=VKM4620XT
SecurityErasePWD=erase-me
[VK4620XT2]
VKMStrTag=VKM4620XT2
[VK4630]
VKMStrTag=VK4630
)";

class EraseOnLab : public ::testing::Test {
 protected:
  // The lab opens in the current folder's sub-folder; diskpart.txt is written
  // to the current folder, so each test runs in its own.
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(work.Path());
  }
  void TearDown() override {
    Close();
    std::filesystem::current_path(previous_);
  }

  void Start(const std::string& labIni, const std::string& settings = kSettings) {
    if (!labDir->Exists("lab.ini")) labDir->Write("lab.ini", labIni);
    std::string error;
    labOs = lab::OpenLab(labDir->Str(), error);
    ASSERT_NE(labOs, nullptr) << error;
    home.Write("Setting.ini", settings);
    // The tool sees the lab through the recorder, which keeps what it asked.
    recorder = std::make_unique<testsupport::RecordingOs>(*labOs);
    ctx = std::make_unique<app::RunContext>(*recorder, home.Str());
    toolkit = std::make_unique<ui::HeadlessToolkit>(*labOs);
    toolkit->SetAnswerPolicy(ui::AnswerPolicy::kYes);
    application = std::make_unique<ui::Application>(*toolkit);
    form = std::make_unique<app::TUpdateDispaly>(*application, *ctx);
    scan = std::make_unique<app::DeviceScanPlugin>(*form, *ctx);
    page = std::make_unique<maintenance::ErasePage>(*form, scan->Drives());
    form->RunCreate();
    form->T_OptionPage.Click();
  }
  void Close() {
    page.reset();
    scan.reset();
    form.reset();
    application.reset();
    toolkit.reset();
    ctx.reset();
    recorder.reset();
    labOs.reset();
  }
  // Restart of the tool: the lab machine powers on again from its state folder.
  void Restart(const std::string& settings = kSettings) {
    Close();
    Start("", settings);
  }

  lab::LabDisk& Disk(const char* section) {
    lab::LabDisk* d = labOs->Machine().DiskBySection(section);
    EXPECT_NE(d, nullptr) << section;
    return *d;
  }
  void Mark(const char* section) {
    std::vector<uint8_t> sector(512, 0xA5);
    ASSERT_TRUE(Disk(section).GetMedia().Write(kMarkLba, 1, sector.data()));
  }
  bool Marked(const char* section) {
    std::vector<uint8_t> sector(512, 0);
    EXPECT_TRUE(Disk(section).GetMedia().Read(kMarkLba, 1, sector.data()));
    return sector[0] == 0xA5 && sector[511] == 0xA5;
  }
  int Row(const std::string& caption) const {
    const ui::ListView& list = form->LV_OptionErase;
    for (int r = 0; r < list.ItemCount(); ++r)
      if (list.Item(r).caption.find(caption) != std::string::npos) return r;
    return -1;
  }
  void Tick(int row) { form->LV_OptionErase.SetChecked(row, true); }
  std::string Result(int row) const { return form->LV_OptionErase.SubItem(row, kResult); }
  int Image(int row) const { return form->LV_OptionErase.Item(row).imageIndex; }
  std::string LogText() const {
    std::string all;
    for (const std::string& l : ctx->runLog.Lines()) all += l + "\n";
    return all;
  }

  testsupport::TempDir work;
  // A new lab machine, factory-fresh.
  void NewLab() { labDir = std::make_unique<testsupport::TempDir>(); }

  std::unique_ptr<testsupport::TempDir> labDir = std::make_unique<testsupport::TempDir>();
  testsupport::TempDir home;
  std::unique_ptr<lab::LabOs> labOs;
  std::unique_ptr<testsupport::RecordingOs> recorder;
  std::unique_ptr<app::RunContext> ctx;
  std::unique_ptr<ui::HeadlessToolkit> toolkit;
  std::unique_ptr<ui::Application> application;
  std::unique_ptr<app::TUpdateDispaly> form;
  std::unique_ptr<app::DeviceScanPlugin> scan;
  std::unique_ptr<maintenance::ErasePage> page;

 private:
  std::filesystem::path previous_;
};

// SATA direct (1 and 4), SATA behind USB-SAT (2), NVMe behind a USB bridge (3)
// native NVMe on the inbox driver (5) and NVMe behind the maker's miniport (6).
std::string ThreeAttachments(const std::string& sataExtra = "") {
  testsupport::LabBuilder b;
  b.Sata("Disk A", "VK4620XT",
         {"Number=1", "Serial=VKA0000000000000001", "Capacity=65536", "Firmware=S0221A0"});
  if (!sataExtra.empty()) b.Raw(sataExtra + "\n");
  b.UsbSat("Disk B", "VK4620XT2", 2,
           {"Number=2", "Serial=VKB0000000000000001", "Capacity=65536", "Firmware=S0222A0"});
  b.Disk("Disk C", "usb-nvme", "VK4630",
         {"Number=3", "Serial=VKC0000000000000001", "Capacity=65536", "UsbHub=HostController0",
          "UsbPort=3"});
  b.Sata("Disk D", "VK4620XT",
         {"Number=4", "Serial=VKD0000000000000001", "Capacity=65536", "Firmware=S0221A0"});
  b.Nvme("Disk E", {"Number=5", "Serial=VKE0000000000000001", "Capacity=65536"});
  b.Disk("Disk G", "nvme-miniport", "VK4630",
         {"Number=6", "Serial=VKG0000000000000001", "Capacity=65536"});
  return b.Text();
}

TEST_F(EraseOnLab, TickedDrivesOfEachAttachmentAreErasedAndOnlyThey) {
  Start(ThreeAttachments());
  for (const char* d : {"Disk A", "Disk B", "Disk C", "Disk D", "Disk E", "Disk G"}) Mark(d);

  const int a = Row("PHYSICALDRIVE1"), b = Row("PHYSICALDRIVE2"), c = Row("PHYSICALDRIVE3"),
            d = Row("PHYSICALDRIVE4");
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  ASSERT_GE(c, 0);
  ASSERT_GE(d, 0);
  Tick(a);
  Tick(b);
  Tick(c);
  Tick(Row("PHYSICALDRIVE5"));
  const int g = Row("PHYSICALDRIVE6");
  ASSERT_GE(g, 0);
  Tick(g);
  form->T_SendErase.Click();

  for (int row : {a, b, c, g}) {
    EXPECT_EQ(Result(row), "PASS") << row;
    EXPECT_EQ(Image(row), app::kRowPassed) << row;
  }
  EXPECT_EQ(Image(d), app::kRowWaiting);
  // The inbox driver passes on vendor-specific commands only: Format NVM is
  // refused there, and the row says so.
  const int e = Row("PHYSICALDRIVE5");
  ASSERT_GE(e, 0);
  EXPECT_EQ(Result(e), "Send NVMe Format Error...");
  EXPECT_EQ(Image(e), app::kRowFailed);
  EXPECT_TRUE(Marked("Disk E"));
  EXPECT_FALSE(Marked("Disk A"));
  EXPECT_FALSE(Marked("Disk B"));
  EXPECT_FALSE(Marked("Disk C"));
  EXPECT_FALSE(Marked("Disk G"));
  EXPECT_TRUE(Marked("Disk D"));
  EXPECT_TRUE(form->PN_MainObj.Enabled());
  EXPECT_EQ(form->ProgressPosition, 100);
  // The rescan script, and the partitioning tool started on it.
  EXPECT_EQ(work.Read("diskpart.txt"), "RESCAN\r\nEXIT\r\n");
  ASSERT_FALSE(labOs->DiskpartLog().empty());
  EXPECT_EQ(labOs->DiskpartLog().front(), "RESCAN: done");
  EXPECT_NE(LogText().find("[Security Erase]"), std::string::npos);

  // After a restart the erased drives are empty and not locked: their data
  // can be written and read again.
  Restart();
  EXPECT_FALSE(Marked("Disk A"));
  EXPECT_TRUE(Marked("Disk D"));
  form->T_DeviceInfo.Click();
  scan->Drives().At(a).access.IdentifyDevice(scan->Drives().At(a).data.ataIdentify);
  const uint16_t security = static_cast<uint16_t>(scan->Drives().At(a).data.ataIdentify[256] |
                                                  scan->Drives().At(a).data.ataIdentify[257] << 8);
  EXPECT_EQ(security & 0x0002, 0) << "security still enabled";
  EXPECT_EQ(security & 0x0004, 0) << "locked";
}

TEST_F(EraseOnLab, AFailedPrepareOrUnitLeavesNoPasswordBehindAndNothingErased) {
  for (const char* failing : {"FailTransport=ata:0xF3", "FailTransport=ata:0xF4"}) {
    SCOPED_TRACE(failing);
    NewLab();
    Start(ThreeAttachments(failing));
    Mark("Disk A");
    const int a = Row("PHYSICALDRIVE1");
    ASSERT_GE(a, 0);
    Tick(a);
    form->T_SendErase.Click();
    const bool prepare = std::string(failing).find("F3") != std::string::npos;
    EXPECT_EQ(Result(a), prepare ? "Send Security Erase Prepare Error..."
                                 : "Send Security Erase Unit Error...");
    EXPECT_EQ(Image(a), app::kRowFailed);
    EXPECT_NE(LogText().find("the security password was removed again"), std::string::npos);
    // Power cycle: without the password removed the drive would come up locked
    // and refuse its data.
    Restart();
    EXPECT_TRUE(Marked("Disk A"));
    auto view = scan->Drives().At(Row("PHYSICALDRIVE1"));
    ASSERT_TRUE(view.access.IdentifyDevice(view.data.ataIdentify));
    EXPECT_EQ(view.data.ataIdentify[256] & 0x06, 0) << "enabled or locked after power-on";
    Close();
  }
}

TEST_F(EraseOnLab, ADriveFrozenAtPowerOnRefusesThePasswordAndKeepsItsData) {
  testsupport::LabBuilder b;
  b.Sata("Disk A", "VK4620XT",
         {"Number=1", "Serial=VKA0000000000000001", "Capacity=65536", "SecurityFrozen=1"});
  Start(b.Text());
  Mark("Disk A");
  const int a = Row("PHYSICALDRIVE1");
  ASSERT_GE(a, 0);
  Tick(a);
  form->T_SendErase.Click();
  EXPECT_EQ(Result(a), "Set Password Error...");
  EXPECT_EQ(Image(a), app::kRowFailed);
  EXPECT_TRUE(Marked("Disk A"));
}

TEST_F(EraseOnLab, TheSystemDiskIsRefusedAndTheRunGoesOn) {
  testsupport::LabBuilder b(false);
  b.Sata("Disk Sys", "VK4620XT",
         {"Number=0", "Serial=VKS0000000000000001", "Capacity=65536", "Letters=C"});
  b.Sata("Disk A", "VK4620XT", {"Number=1", "Serial=VKA0000000000000001", "Capacity=65536"});
  Start(b.Text());
  Mark("Disk Sys");
  Mark("Disk A");
  const int sys = Row("PHYSICALDRIVE0"), a = Row("PHYSICALDRIVE1");
  ASSERT_GE(sys, 0);
  ASSERT_GE(a, 0);
  form->LV_OptionErase.UserColumnClick(0);  // ticks all
  form->T_SendErase.Click();
  EXPECT_EQ(Result(sys), "PHYSICALDRIVE0 holds the running system");
  EXPECT_EQ(Image(sys), app::kRowFailed);
  EXPECT_EQ(Result(a), "PASS");
  EXPECT_TRUE(Marked("Disk Sys"));
  EXPECT_FALSE(Marked("Disk A"));
}

TEST_F(EraseOnLab, NoMeansNothingErasedButTheRescanRuns) {
  Start(ThreeAttachments());
  toolkit->SetAnswerPolicy(ui::AnswerPolicy::kNo);
  Mark("Disk A");
  Tick(Row("PHYSICALDRIVE1"));
  form->T_SendErase.Click();
  EXPECT_TRUE(Marked("Disk A"));
  EXPECT_EQ(Result(Row("PHYSICALDRIVE1")), "");
  EXPECT_EQ(work.Read("diskpart.txt"), "RESCAN\r\nEXIT\r\n");
  EXPECT_FALSE(labOs->DiskpartLog().empty());
}

TEST_F(EraseOnLab, EnterOnTheQuestionAnswersNoAndErasesNothing) {
  Start(ThreeAttachments());
  Mark("Disk A");
  Tick(Row("PHYSICALDRIVE1"));
  toolkit->ScriptEnter();
  form->T_SendErase.Click();
  ASSERT_FALSE(toolkit->Dialogs().empty());
  EXPECT_EQ(toolkit->Dialogs()[0].request.defaultButton, ui::ModalResult::kNo);
  EXPECT_EQ(toolkit->Dialogs()[0].answer, ui::ModalResult::kNo);
  EXPECT_TRUE(Marked("Disk A"));
  EXPECT_EQ(Result(Row("PHYSICALDRIVE1")), "");
}

TEST_F(EraseOnLab, YesWithNothingTickedReturnsEveryRowToIdle) {
  Start(ThreeAttachments());
  ui::ListView& list = form->LV_OptionErase;
  list.SetImageIndex(0, app::kRowFailed);
  list.SetSubItem(0, kResult, "old");
  form->T_SendErase.Click();
  for (int r = 0; r < list.ItemCount(); ++r) {
    EXPECT_EQ(Image(r), app::kRowWaiting);
    EXPECT_EQ(Result(r), "");
  }
}

TEST_F(EraseOnLab, VendorEraseZeroesTheMediaOfSataDrives) {
  std::string settings = kSettings;
  settings.replace(settings.find("ErrorLog=0"), 10, "ErrorLog=0\nVuCmd=1");
  Start(ThreeAttachments(), settings);
  Mark("Disk A");
  Mark("Disk C");
  const int a = Row("PHYSICALDRIVE1"), c = Row("PHYSICALDRIVE3");
  Tick(a);
  Tick(c);
  form->T_SendErase.Click();
  EXPECT_EQ(Result(a), "PASS");
  EXPECT_EQ(Result(c), "PASS");  // NVMe is formatted whatever VuCmd says
  EXPECT_FALSE(Marked("Disk A"));
  EXPECT_FALSE(Marked("Disk C"));
}

// The controller's erase on the wire: a block of zeros but the opcode F0h and
// the sub-opcode, 57h for 3D NAND (the default) and 54h with 3DNand=0.
TEST_F(EraseOnLab, TheVendorEraseBlockIsZeroButOpcodeAndSubOpcode) {
  for (const char* nand : {"", "3DNand=1\n", "3DNand=0\n"}) {
    SCOPED_TRACE(nand);
    NewLab();
    std::string settings = kSettings;
    settings.replace(settings.find("ErrorLog=0"), 10, std::string("ErrorLog=0\nVuCmd=1\n") + nand);
    Start(ThreeAttachments(), settings);
    Mark("Disk A");
    const int a = Row("PHYSICALDRIVE1");
    Tick(a);
    form->T_SendErase.Click();
    EXPECT_EQ(Result(a), "PASS");
    EXPECT_FALSE(Marked("Disk A"));
    auto* drive = testsupport::VkDriveOf(Disk("Disk A"));
    ASSERT_NE(drive, nullptr);
    std::vector<std::array<uint8_t, 512>> erases;
    for (const auto& seen : drive->SeenCommands())
      if (seen.block[1] == 0x57 || seen.block[1] == 0x54) erases.push_back(seen.block);
    ASSERT_EQ(erases.size(), 1u);
    std::array<uint8_t, 512> expected{};
    expected[0] = 0xF0;
    expected[1] = std::string(nand) == "3DNand=0\n" ? 0x54 : 0x57;
    EXPECT_EQ(erases[0], expected);
    Close();
  }
}

// The drive's own security word, asked of the lab drive directly (no tool
// command in between): bit 1 enabled, bit 2 locked.
uint16_t SecurityWord(lab::LabDisk& disk) {
  EXPECT_NE(disk.Ata(), nullptr);
  if (disk.Ata() == nullptr) return 0xFFFF;
  const std::vector<uint8_t> id = lab::AtaIdentify(*disk.Ata());
  EXPECT_EQ(id.size(), 512u);
  if (id.size() < 512) return 0xFFFF;
  return static_cast<uint16_t>(id[256] | id[257] << 8);
}

std::vector<std::string> Warnings(const ui::HeadlessToolkit& toolkit) {
  std::vector<std::string> texts;
  for (const auto& d : toolkit.Dialogs())
    if (d.request.caption == maintenance::kNoticeCaption) texts.push_back(d.request.text);
  return texts;
}

TEST_F(EraseOnLab, ASetPasswordWhoseReplyWasLostIsTakenBackAndTheDriveStaysUnlocked) {
  // The drive takes SET PASSWORD; the bridge loses its reply.
  Start(ThreeAttachments("LoseReply=ata:0xF1"));
  Mark("Disk A");
  const int a = Row("PHYSICALDRIVE1");
  ASSERT_GE(a, 0);
  Tick(a);
  form->T_SendErase.Click();
  EXPECT_EQ(Result(a), "Set Password Error...");
  EXPECT_EQ(Image(a), app::kRowFailed);
  EXPECT_EQ(SecurityWord(Disk("Disk A")) & 0x0006, 0) << "the password is still set";
  EXPECT_NE(LogText().find("the security password was removed again"), std::string::npos);
  EXPECT_TRUE(Warnings(*toolkit).empty());
  // Power cycle: the drive comes up unlocked with its data.
  Restart();
  EXPECT_EQ(SecurityWord(Disk("Disk A")) & 0x0006, 0) << "locked after power-on";
  ASSERT_GE(Row("PHYSICALDRIVE1"), 0) << "the drive vanished from the list";
  EXPECT_TRUE(Marked("Disk A"));
}

TEST_F(EraseOnLab, ADisableThatFailsOnceIsSentAgain) {
  Start(ThreeAttachments("FailCommands=F4:1,F6:1"));
  Mark("Disk A");
  const int a = Row("PHYSICALDRIVE1");
  ASSERT_GE(a, 0);
  Tick(a);
  form->T_SendErase.Click();
  EXPECT_EQ(Result(a), "Send Security Erase Unit Error...");
  EXPECT_EQ(SecurityWord(Disk("Disk A")) & 0x0002, 0);
  EXPECT_TRUE(Warnings(*toolkit).empty());
  Restart();
  ASSERT_GE(Row("PHYSICALDRIVE1"), 0);
  EXPECT_TRUE(Marked("Disk A"));
}

TEST_F(EraseOnLab, ADisableThatKeepsFailingNamesThePasswordAtOnceWhateverErrorLogSays) {
  Start(ThreeAttachments("FailCommands=F4:1,F6"));
  Mark("Disk A");
  const int a = Row("PHYSICALDRIVE1"), d = Row("PHYSICALDRIVE4");
  ASSERT_GE(a, 0);
  Tick(a);
  Tick(d);
  form->T_SendErase.Click();
  EXPECT_EQ(Result(a), "Send Security Erase Unit Error...");
  EXPECT_EQ(Image(a), app::kRowFailed);
  // The next drive is still erased.
  EXPECT_EQ(Result(d), "PASS");
  const std::string notice =
      "PHYSICALDRIVE1 keeps the security password 'erase-me': unlock it with SECURITY UNLOCK and "
      "then SECURITY DISABLE PASSWORD, both with this user password; until then it is locked at "
      "every power-on";
  EXPECT_EQ(Warnings(*toolkit), std::vector<std::string>{notice});
  const app::DriveReport& report = page->LastRun().drives[static_cast<size_t>(a)];
  EXPECT_EQ(report.outcome, app::RunOutcome::kFailed);
  EXPECT_EQ(report.notices, std::vector<std::string>{notice});
  // Bounded: the first state read, then three tries with the user password
  // (no master password is known).
  EXPECT_NE(LogText().find("(3 DISABLE PASSWORD tried)"), std::string::npos);
  // The lab drive holds the password, and locks at the next power-on.
  EXPECT_EQ(SecurityWord(Disk("Disk A")) & 0x0002, 0x0002);
  Restart();
  EXPECT_EQ(SecurityWord(Disk("Disk A")) & 0x0004, 0x0004);
}

TEST_F(EraseOnLab, TheMasterPasswordRemovesWhatTheUserPasswordCouldNot) {
  std::string settings = kSettings;
  settings.replace(settings.find("SecurityErasePWD=erase-me"), 25,
                   "SecurityErasePWD=erase-me\nSecurityMasterPWD=maker-master");
  Start(ThreeAttachments("MasterPassword=maker-master\nFailCommands=F4:1,F6:1*3"), settings);
  Mark("Disk A");
  const int a = Row("PHYSICALDRIVE1");
  ASSERT_GE(a, 0);
  Tick(a);
  form->T_SendErase.Click();
  EXPECT_EQ(Result(a), "Send Security Erase Unit Error...");
  EXPECT_NE(LogText().find("removed again with the master password"), std::string::npos);
  EXPECT_TRUE(Warnings(*toolkit).empty());
  EXPECT_EQ(SecurityWord(Disk("Disk A")) & 0x0002, 0);
  Restart(settings);
  EXPECT_TRUE(Marked("Disk A"));
}

// One controller behind the maker's miniport with two namespaces, each its
// own disk (PHYSICALDRIVE2 is namespace 1, PHYSICALDRIVE3 namespace 2).
// `firstExtra`: more lines of namespace 1's section.
std::string TwoNamespaces(const std::string& firstExtra, bool systemOnFirst = false) {
  testsupport::LabBuilder b(!systemOnFirst);
  b.Disk("Disk N1", "nvme-miniport", "VK4630",
         {"Number=2", "Serial=VKN0000000000000001", "Capacity=65536"});
  if (!firstExtra.empty()) b.Raw(firstExtra + "\n");
  b.Disk("Disk N2", "nvme-miniport", "VK4630",
         {"Number=3", "Capacity=32768", "NamespaceOf=Disk N1"});
  return b.Text();
}

TEST_F(EraseOnLab, ErasingTheSecondNamespaceFormatsItAndLeavesTheFirstAlone) {
  Start(TwoNamespaces(""));
  Mark("Disk N1");
  Mark("Disk N2");
  const int n1 = Row("PHYSICALDRIVE2"), n2 = Row("PHYSICALDRIVE3");
  ASSERT_GE(n1, 0);
  ASSERT_GE(n2, 0);
  // Each namespace is a LUN of the controller's SCSI address.
  EXPECT_EQ(scan->Drives().At(n2).access.ScsiAddress().lun, 1u);
  EXPECT_EQ(scan->Drives().At(n1).access.ScsiAddress().lun, 0u);
  Tick(n2);
  form->T_SendErase.Click();
  EXPECT_EQ(Result(n2), "PASS");
  EXPECT_FALSE(Marked("Disk N2"));
  EXPECT_TRUE(Marked("Disk N1"));
  EXPECT_EQ(Image(n1), app::kRowWaiting);
}

TEST_F(EraseOnLab, AControllerThatFormatsAllNamespacesIsNotFormattedUnderTheSystem) {
  // FNA bit 0: a format of either namespace formats both; namespace 1 holds C:.
  Start(TwoNamespaces("Fna=1\nLetters=C", true));
  Mark("Disk N1");
  Mark("Disk N2");
  const int n2 = Row("PHYSICALDRIVE3");
  ASSERT_GE(n2, 0);
  Tick(n2);
  form->T_SendErase.Click();
  EXPECT_EQ(Result(n2),
            "PHYSICALDRIVE3 cannot be formatted alone: its controller formats all namespaces "
            "together and PHYSICALDRIVE2 (namespace 1) holds the running system");
  EXPECT_EQ(Image(n2), app::kRowFailed);
  EXPECT_TRUE(Marked("Disk N1"));
  EXPECT_TRUE(Marked("Disk N2"));

  // Without the system on it, the same controller formats both as one.
  NewLab();
  Close();
  Start(TwoNamespaces("Fna=1"));
  Mark("Disk N1");
  Mark("Disk N2");
  Tick(Row("PHYSICALDRIVE3"));
  form->T_SendErase.Click();
  EXPECT_EQ(Result(Row("PHYSICALDRIVE3")), "PASS");
  EXPECT_FALSE(Marked("Disk N1"));
  EXPECT_FALSE(Marked("Disk N2"));
}

// C: spans disks 0 and 2: neither is erased, the disk beside them is.
TEST_F(EraseOnLab, EitherDiskOfASpannedSystemVolumeIsRefused) {
  testsupport::LabBuilder b(false);
  b.Sata("Disk Sys A", "VK4620XT",
         {"Number=0", "Serial=VKS0000000000000001", "Capacity=65536", "Letters=C"});
  b.Sata("Disk A", "VK4620XT", {"Number=1", "Serial=VKA0000000000000001", "Capacity=65536"});
  b.Sata("Disk Sys B", "VK4620XT",
         {"Number=2", "Serial=VKS0000000000000002", "Capacity=65536", "Letters=C"});
  Start(b.Text());
  for (const char* d : {"Disk Sys A", "Disk A", "Disk Sys B"}) Mark(d);
  const int sysA = Row("PHYSICALDRIVE0"), a = Row("PHYSICALDRIVE1"), sysB = Row("PHYSICALDRIVE2");
  ASSERT_GE(sysA, 0);
  ASSERT_GE(a, 0);
  ASSERT_GE(sysB, 0);
  form->LV_OptionErase.UserColumnClick(0);  // ticks all
  form->T_SendErase.Click();
  EXPECT_EQ(Result(sysA), "PHYSICALDRIVE0 holds the running system");
  EXPECT_EQ(Result(sysB), "PHYSICALDRIVE2 holds the running system");
  EXPECT_EQ(Image(sysB), app::kRowFailed);
  EXPECT_EQ(Result(a), "PASS");
  EXPECT_NE(LogText().find("Note_" + std::to_string(sysB) +
                           "         : PHYSICALDRIVE2 holds the running system; nothing was "
                           "sent to it"),
            std::string::npos)
      << LogText();
  // One result line per row, whatever was explained about it.
  for (int r : {sysA, a, sysB}) {
    const std::string key = "Dev_" + std::to_string(r) + " ";
    int results = 0;
    for (const std::string& l : ctx->runLog.Lines())
      if (l.rfind(key, 0) == 0) ++results;
    EXPECT_EQ(results, 1) << r << "\n" << LogText();
  }
  EXPECT_TRUE(Marked("Disk Sys A"));
  EXPECT_TRUE(Marked("Disk Sys B"));
  EXPECT_FALSE(Marked("Disk A"));
}

// A volume mounted after the scan listed the drive still stops the erase:
// the question is asked right before anything is sent.
TEST_F(EraseOnLab, ADiskInUseIsRefusedWithWhatUsesIt) {
  testsupport::LabBuilder b;
  b.Sata("Disk A", "VK4620XT",
         {"Number=1", "Serial=VKA0000000000000001", "Capacity=65536", "Letters=D"});
  b.Sata("Disk D", "VK4620XT",
         {"Number=2", "Serial=VKD0000000000000001", "Capacity=65536", "Letters=E",
          "InUse=/dev/sdc1 is mounted on /home"});
  Start(b.Text());
  Mark("Disk A");
  Mark("Disk D");
  labOs->Machine().VolumeByLetter('D')->inUse = "/dev/sdb1 is mounted on /srv";
  const int a = Row("PHYSICALDRIVE1"), d = Row("PHYSICALDRIVE2");
  ASSERT_GE(a, 0);
  ASSERT_GE(d, 0);
  Tick(a);
  Tick(d);
  form->T_SendErase.Click();
  EXPECT_EQ(Result(a), "PHYSICALDRIVE1 is in use: /dev/sdb1 is mounted on /srv");
  EXPECT_EQ(Result(d), "PHYSICALDRIVE2 is in use: /dev/sdc1 is mounted on /home");
  EXPECT_EQ(Image(d), app::kRowFailed);
  EXPECT_NE(LogText().find("PHYSICALDRIVE2 is in use: /dev/sdc1 is mounted on /home; nothing "
                           "was sent to it"),
            std::string::npos)
      << LogText();
  EXPECT_TRUE(Marked("Disk A"));
  EXPECT_TRUE(Marked("Disk D"));
}

// Identify Controller fails three times during the scan on the maker's
// miniport: the system disk is found only by its SCSI port, and is still the
// system disk.
TEST_F(EraseOnLab, TheMiniportSystemDiskFoundByItsPortIsRefused) {
  testsupport::LabBuilder b(false);
  b.Disk("Disk Sys", "nvme-miniport", "VK4630",
         {"Number=0", "Serial=VKS0000000000000001", "Capacity=65536", "Letters=C",
          "FailTransport=nvme:0x06*3"});
  b.Sata("Disk A", "VK4620XT", {"Number=1", "Serial=VKA0000000000000001", "Capacity=65536"});
  Start(b.Text());
  Mark("Disk Sys");
  const int sys = Row("SCSI ");
  ASSERT_GE(sys, 0) << "the system disk was not listed by its port";
  Tick(sys);
  form->T_SendErase.Click();
  EXPECT_NE(Result(sys).find("(PHYSICALDRIVE0) holds the running system"), std::string::npos)
      << Result(sys);
  EXPECT_EQ(Image(sys), app::kRowFailed);
  EXPECT_TRUE(Marked("Disk Sys"));
}

}  // namespace

// Disk A's drive is taken out after `after` commands and the spare VKZ drive
// answers under its number; Disk D is an ordinary second drive.
std::string SwappedDiskLab(const std::string& after) {
  testsupport::LabBuilder b;
  b.Sata("Disk A", "VK4620XT", {"Number=1", "Serial=VKA0000000000000001", "Capacity=65536"});
  if (!after.empty()) b.Raw("ReplacedBy=Disk Spare Z\nReplacedAfter=" + after + "\n");
  b.Sata("Disk D", "VK4620XT", {"Number=4", "Serial=VKD0000000000000001", "Capacity=65536"});
  b.Sata("Disk Spare Z", "VK4620XT", {"Spare=1", "Serial=VKZ0000000000000001", "Capacity=65536"});
  return b.Text();
}

TEST_F(EraseOnLab, ADiskSwappedUnderTheSameNumberIsRefusedAndTheOthersAreErased) {
  // The same lab without the swap tells how many commands reach Disk A until
  // the user can press Erase; the swap is set to meet the next one.
  Start(SwappedDiskLab(""));
  const uint64_t untilReady = Disk("Disk A").Commands();
  ASSERT_GT(untilReady, 0u);
  Close();
  NewLab();
  Start(SwappedDiskLab(std::to_string(untilReady)));
  lab::LabDisk* spare = labOs->Machine().SpareBySection("Disk Spare Z");
  ASSERT_NE(spare, nullptr);
  std::vector<uint8_t> sector(512, 0xA5);
  ASSERT_TRUE(spare->GetMedia().Write(kMarkLba, 1, sector.data()));
  Mark("Disk D");

  const int a = Row("PHYSICALDRIVE1"), d = Row("PHYSICALDRIVE4");
  ASSERT_GE(a, 0);
  ASSERT_GE(d, 0);
  EXPECT_EQ(form->LV_OptionErase.SubItem(a, 0), "VKA0000000000000001");
  Tick(a);
  Tick(d);
  form->T_SendErase.Click();

  EXPECT_TRUE(Disk("Disk A").Replaced());
  EXPECT_EQ(Result(a),
            "PHYSICALDRIVE1 is no longer the drive that was listed: serial VKA0000000000000001 "
            "is now VKZ0000000000000001");
  EXPECT_EQ(Image(a), app::kRowFailed);
  EXPECT_NE(LogText().find("is no longer the drive that was listed"), std::string::npos);
  EXPECT_EQ(Result(d), "PASS");
  EXPECT_FALSE(Marked("Disk D"));
  // The drive now under PHYSICALDRIVE1 is the spare: its data is there and no
  // password was ever set on it.
  EXPECT_TRUE(Marked("Disk A"));
  lab::AtaDevice* now = Disk("Disk A").Ata();
  ASSERT_NE(now, nullptr);
  const std::vector<uint8_t> identify = lab::AtaIdentify(*now);
  ASSERT_EQ(identify.size(), 512u);
  EXPECT_EQ(lab::DecodeAtaIdentify(identify).serial, "VKZ0000000000000001");
  EXPECT_EQ(identify[256] & 0x06, 0) << "security enabled or locked";
}

namespace {

constexpr uint8_t kAtaSetPassword = 0xF1;
constexpr uint8_t kAtaErasePrepare = 0xF3;
constexpr uint8_t kAtaEraseUnit = 0xF4;
constexpr uint8_t kAtaIdentify = 0xEC;

}  // namespace

// The ATA sequence as the machine received it: each command with the erase's
// time-out, SET PASSWORD carrying the profile's password (the built-in one
// where the profile gives none), and the drive's later commands with the
// shorter time-out.
TEST_F(EraseOnLab, TheSecuritySequenceCarriesTheProfilePasswordAndTheEraseTimeOuts) {
  testsupport::LabBuilder b;
  b.Sata("Disk A", "VK4620XT", {"Number=1", "Serial=VKA0000000000000001", "Capacity=65536"});
  b.Sata("Disk B", "VK4620XT2", {"Number=2", "Serial=VKB0000000000000001", "Capacity=65536"});
  Start(b.Text());
  for (const char* d : {"Disk A", "Disk B"}) Mark(d);
  const int a = Row("PHYSICALDRIVE1"), bRow = Row("PHYSICALDRIVE2");
  ASSERT_GE(a, 0);
  ASSERT_GE(bRow, 0);
  for (int r : {a, bRow}) Tick(r);
  const size_t before = recorder->Events().size();
  form->T_SendErase.Click();

  EXPECT_EQ(Result(a), "PASS");
  EXPECT_EQ(Result(bRow), "PASS");
  EXPECT_FALSE(Marked("Disk A"));
  EXPECT_FALSE(Marked("Disk B"));

  std::map<std::string, std::vector<testsupport::RecordingOs::Event>> sent;
  const auto& events = recorder->Events();
  for (size_t i = before; i < events.size(); ++i)
    if (events[i].kind == testsupport::RecordingOs::Kind::kAta)
      sent[events[i].path].push_back(events[i]);
  const auto block = [](const std::string& password) {
    std::vector<uint8_t> expected(512, 0);
    std::copy(password.begin(), password.end(), expected.begin() + 2);
    return expected;
  };
  const std::map<std::string, std::string> passwords{
      {"\\\\.\\PHYSICALDRIVE1", "erase-me"},
      {"\\\\.\\PHYSICALDRIVE2", "7E3A91C05BD2486F7E3A91C05BD2486F"}};
  for (const auto& [path, password] : passwords) {
    SCOPED_TRACE(path);
    std::vector<uint8_t> commands;
    for (const auto& e : sent[path]) {
      if (e.command != kAtaSetPassword && e.command != kAtaErasePrepare &&
          e.command != kAtaEraseUnit)
        continue;
      commands.push_back(e.command);
      EXPECT_EQ(e.timeout, 300u) << std::hex << int{e.command};
      if (e.command != kAtaErasePrepare) {
        EXPECT_EQ(e.data, block(password));
      }
    }
    EXPECT_EQ(commands, (std::vector<uint8_t>{kAtaSetPassword, kAtaErasePrepare, kAtaEraseUnit}));
  }
  // Through the same drive, after the erase: the shorter time-out.
  app::DriveView view = scan->Drives().At(a);
  const size_t afterErase = recorder->Events().size();
  ASSERT_TRUE(view.access.IdentifyDevice(view.data.ataIdentify));
  ASSERT_GT(recorder->Events().size(), afterErase);
  const auto& identify = recorder->Events().back();
  EXPECT_EQ(identify.command, kAtaIdentify);
  EXPECT_EQ(identify.timeout, 20u);
}
