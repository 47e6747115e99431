// The update run end to end on a lab machine: the start-up scan fills the
// update list, rows are ticked, Start runs every ticked drive, and the
// firmware the drives report afterwards (and after a restart) tells what was
// really done.
#include "lab/bridges/ata_access.h"
#include "update_lab_fixture.h"

namespace updatetest {
namespace {

TEST_F(UpdateOnLab, EveryAttachmentIsUpdatedAndKeepsItsFirmwareAfterARestart) {
  Start(FiveAttachments());
  for (int n = 1; n <= 5; ++n) {
    ASSERT_GE(Drive(n), 0) << n;
    Tick(Drive(n));
  }
  PressStart();

  // Directly attached and bridged SATA, miniport and bridged NVMe run the
  // new firmware at once.
  for (int n : {1, 2, 4, 5}) {
    const int r = Drive(n);
    EXPECT_EQ(Result(r), "PASS") << n;
    EXPECT_EQ(Image(r), app::kRowPassed) << n;
  }
  EXPECT_EQ(CurrentFw(Drive(1)), kSataNew);
  EXPECT_EQ(CurrentFw(Drive(2)), kSataNew);
  EXPECT_EQ(CurrentFw(Drive(4)), kNvmeNew);
  EXPECT_EQ(CurrentFw(Drive(5)), kNvmeNew);
  // The inbox driver commits with "activate at the next reset": the row
  // passes and asks for a reboot.
  EXPECT_EQ(Image(Drive(3)), app::kRowPassed);
  EXPECT_TRUE(Result(Drive(3)) == "PASS" ||
              Result(Drive(3)) == "PASS-Please reboot your device after the update finishes.")
      << Result(Drive(3));

  const std::string log = LogText();
  EXPECT_NE(log.find("[Result Info]"), std::string::npos);
  for (int n = 1; n <= 5; ++n) {
    EXPECT_NE(log.find("Dev_" + std::to_string(Drive(n)) + "          : PASS"), std::string::npos)
        << n;
  }
  EXPECT_NE(log.find("### Device <"), std::string::npos);
  EXPECT_EQ(form->ProgressPosition, 100);
  EXPECT_TRUE(form->T_Start.Enabled());
  EXPECT_TRUE(form->T_UpdateFW.Enabled());

  Restart();
  EXPECT_EQ(CurrentFw(Drive(1)), kSataNew);
  EXPECT_EQ(CurrentFw(Drive(2)), kSataNew);
  EXPECT_EQ(CurrentFw(Drive(3)), kNvmeNew);
  EXPECT_EQ(CurrentFw(Drive(4)), kNvmeNew);
  EXPECT_EQ(CurrentFw(Drive(5)), kNvmeNew);
}

TEST_F(UpdateOnLab, UntickedRowsAreLeftAloneAndLoggedWithTheirEarlierResult) {
  Start(FiveAttachments());
  const int a = Drive(1), b = Drive(2);
  form->LV_UpdateDevStatus.SetSubItem(b, scan->Columns().result, "earlier");
  Tick(a);
  PressStart();
  EXPECT_EQ(Result(a), "PASS");
  EXPECT_EQ(Image(b), app::kRowWaiting);
  EXPECT_EQ(Result(b), "earlier");
  EXPECT_NE(LogText().find("Dev_" + std::to_string(b) + "          : earlier"), std::string::npos);
  Restart();
  EXPECT_EQ(CurrentFw(Drive(2)), kSataOld);
}

TEST_F(UpdateOnLab, NothingTickedWarnsAndUpdatesNothing) {
  std::string settings = Settings("AutoClose=0\n");
  settings.replace(settings.find("PopUpMsgBox=0"), 13, "PopUpMsgBox=1");
  Start(FiveAttachments(), settings);
  PressStart();
  ASSERT_EQ(toolkit->Dialogs().size(), 2u);
  EXPECT_EQ(toolkit->Dialogs()[0].request.text,
            "Application will update firmware!! Please do not turn off your computer");
  EXPECT_EQ(toolkit->Dialogs()[0].request.caption, "Message");
  EXPECT_EQ(toolkit->Dialogs()[1].request.text,
            "Please select the device in which you would like to update FW...");
  EXPECT_EQ(toolkit->Dialogs()[1].request.caption, "Warning...");
  EXPECT_EQ(CurrentFw(Drive(1)), kSataOld);
}

TEST_F(UpdateOnLab, AConfirmationAnsweredNoStopsThatDriveOnly) {
  std::string settings = Settings();
  settings.replace(settings.find("PopUpMsgBox=0"), 13, "PopUpMsgBox=1");
  Start(FiveAttachments(), settings);
  Tick(Drive(1));
  Tick(Drive(4));
  toolkit->ScriptAnswer(ui::ModalResult::kOK);   // the start warning
  toolkit->ScriptAnswer(ui::ModalResult::kNo);   // drive 1
  toolkit->ScriptAnswer(ui::ModalResult::kYes);  // drive 4
  PressStart();
  EXPECT_EQ(Result(Drive(1)), "Stop FW update!");
  EXPECT_EQ(Image(Drive(1)), app::kRowFailed);
  EXPECT_EQ(Result(Drive(4)), "PASS");
  const auto& d = toolkit->Dialogs();
  ASSERT_GE(d.size(), 3u);
  EXPECT_EQ(d[1].request.text, "Press YES to begin FW Update! \n\nDevice <" +
                                   form->LV_UpdateDevStatus.Item(Drive(1)).caption +
                                   ">  \nCurrent FW:S0220A0, New FW:S0312A0");
  EXPECT_EQ(d[1].request.caption, "");
  Restart();
  EXPECT_EQ(CurrentFw(Drive(1)), kSataOld);
}

TEST_F(UpdateOnLab, EnterOnTheConfirmationAnswersNo) {
  std::string settings = Settings();
  settings.replace(settings.find("PopUpMsgBox=0"), 13, "PopUpMsgBox=1");
  Start(FiveAttachments(), settings);
  Tick(Drive(1));
  toolkit->ScriptEnter();  // the start warning: OK, its only button
  toolkit->ScriptEnter();  // drive 1
  PressStart();
  const auto& d = toolkit->Dialogs();
  ASSERT_GE(d.size(), 2u);
  EXPECT_EQ(d[0].answer, ui::ModalResult::kOK);
  EXPECT_EQ(d[1].request.buttons, ui::MsgButtons::kYesNo);
  EXPECT_EQ(d[1].request.defaultButton, ui::ModalResult::kNo);
  EXPECT_EQ(Result(Drive(1)), "Stop FW update!");
  Restart();
  EXPECT_EQ(CurrentFw(Drive(1)), kSataOld);
}

TEST_F(UpdateOnLab, PowerLossDuringTheSataDownloadFailsAndTheNextRunRecovers) {
  Start(FiveAttachments("PowerLossAtDownloadChunk=2"));
  const int a = Drive(1);
  Tick(a);
  PressStart();
  EXPECT_EQ(Result(a), "Download CMD fail");
  EXPECT_EQ(Image(a), app::kRowFailed);
  Restart();
  EXPECT_EQ(CurrentFw(Drive(1)), kSataOld);
  // Power is back and stays on: the same update goes through.
  Close();
  labDir->Write("lab.ini", FiveAttachments());
  Start("");
  Tick(Drive(1));
  PressStart();
  EXPECT_EQ(Result(Drive(1)), "PASS");
  Restart();
  EXPECT_EQ(CurrentFw(Drive(1)), kSataNew);
}

TEST_F(UpdateOnLab, ARejectedNvmeChunkFailsWithTheCompletionStatus) {
  Start(FiveAttachments("", "RejectDownloadChunk=1"));
  const int d = Drive(4);
  Tick(d);
  PressStart();
  EXPECT_EQ(Result(d), "Download CMD fail");
  EXPECT_EQ(Image(d), app::kRowFailed);
  Restart();
  EXPECT_EQ(CurrentFw(Drive(4)), kNvmeOld);
  // The drive takes its chunks again: the next run recovers.
  Close();
  labDir->Write("lab.ini", FiveAttachments());
  Start("");
  Tick(Drive(4));
  PressStart();
  EXPECT_EQ(Result(Drive(4)), "PASS");
}

TEST_F(UpdateOnLab, AFailingMemoryReadStopsBeforeAnythingIsDownloaded) {
  Start(FiveAttachments("FailVendorCommands=2A"));
  const int a = Drive(1);
  Tick(a);
  PressStart();
  EXPECT_EQ(Result(a), "Clear Check Dummy Fail!(Read Memory 0x10001150)");
  EXPECT_EQ(Image(a), app::kRowFailed);
  Restart();
  EXPECT_EQ(CurrentFw(Drive(1)), kSataOld);
}

TEST_F(UpdateOnLab, DmaFailureThenPioSucceeds) {
  Start(FiveAttachments("DownloadMicrocodeDma=1\nFailCommands=93"));
  const int a = Drive(1);
  Tick(a);
  PressStart();
  EXPECT_EQ(Result(a), "PASS");
  // The same attempt went on by PIO: no second attempt was needed.
  EXPECT_TRUE(Traced("(Visible=0): DMStatus = 0"));
  EXPECT_FALSE(Traced("GLoopIndex = 1"));
  Restart();
  EXPECT_EQ(CurrentFw(Drive(1)), kSataNew);

  // DMA only on the same kind of drive fails: the pass above came from PIO.
  Close();
  NewLab();
  Start(FiveAttachments("DownloadMicrocodeDma=1\nFailCommands=93"), Settings("DownloadMode=2\n"));
  Tick(Drive(1));
  PressStart();
  EXPECT_EQ(Result(Drive(1)), "Download CMD fail");
}

TEST_F(UpdateOnLab, TheSameVersionIsWrittenOnceWhateverDmCount) {
  WriteImage("VK4620XT\\ISP_VK4620XT.bin", SataImage("S0220A0 "));
  Start(FiveAttachments(), Settings("DMCount=3\n"));
  const int a = Drive(1);
  Tick(a);
  PressStart();
  EXPECT_EQ(Result(a), "PASS");
  EXPECT_TRUE(Traced("nDMCount = 1"));
  EXPECT_FALSE(Traced("nCount = 1"));
}

TEST_F(UpdateOnLab, DmCountTwoWritesTheImageTwiceWithAPauseAfterEach) {
  Start(FiveAttachments(), Settings("DMCount=2\nDMDelay=700\n"));
  const int a = Drive(1);
  Tick(a);
  PressStart();
  EXPECT_EQ(Result(a), "PASS");
  EXPECT_TRUE(Traced("nDMCount = 2"));
  EXPECT_TRUE(Traced("nCount = 1"));
  EXPECT_TRUE(Traced("Wait 700ms"));
}

TEST_F(UpdateOnLab, AVersionTheDatabaseDoesNotAllowCountsAsNothingToDo) {
  home.Write("VK4620XT/FWVerDB.ini", "[UPDATE_S0220A0]\nFWSupportVer_1=S0400A0\n");
  Start(FiveAttachments());
  const int a = Drive(1);
  Tick(a);
  PressStart();
  EXPECT_EQ(Result(a), "This Firmware version does not need to be upgraded.");
  EXPECT_EQ(Image(a), app::kRowPassed);
  EXPECT_EQ(form->StatusMessage(), "Download FW Version fail!");
  Restart();
  EXPECT_EQ(CurrentFw(Drive(1)), kSataOld);
}

TEST_F(UpdateOnLab, NvmeRefusedByTheDatabaseNamesBothVersions) {
  home.Write("VK4630/FWVerDB.ini", "[UPDATE_N0220A0]\nFWSupportVer_1=N0400A0\n");
  Start(FiveAttachments());
  const int d = Drive(4);
  Tick(d);
  PressStart();
  EXPECT_EQ(Result(d), "Cannot support FW update from <N0220A0> to <N0312A0> !");
  EXPECT_EQ(Image(d), app::kRowFailed);
}

TEST_F(UpdateOnLab, WithTheCheckClearedTheNvmeImageGoesDownAnyway) {
  home.Write("VK4630/FWVerDB.ini", "[UPDATE_N0220A0]\nFWSupportVer_1=N0400A0\n");
  std::string settings = Settings();
  settings.replace(settings.find("EnableChkFWVer=1"), 16, "EnableChkFWVer=0");
  Start(FiveAttachments(), settings);
  const int d = Drive(4);
  Tick(d);
  PressStart();
  EXPECT_EQ(Result(d), "PASS");
  EXPECT_EQ(CurrentFw(d), kNvmeNew);
}

TEST_F(UpdateOnLab, WithoutTheTagColumnTheResultIsTheSixthColumn) {
  std::string settings = Settings();
  settings.replace(settings.find("ShowFWTag=1"), 11, "ShowFWTag=0");
  Start(FiveAttachments(), settings);
  ui::ListView& list = form->LV_UpdateDevStatus;
  EXPECT_EQ(list.ColumnCount(), 6);
  EXPECT_EQ(list.Column(5).caption, "Result");
  EXPECT_EQ(scan->Columns().result, 4);
  const int a = Drive(1);
  Tick(a);
  PressStart();
  EXPECT_EQ(list.SubItem(a, 4), "PASS");
  // Nothing is written into the column that is not shown.
  EXPECT_EQ(list.SubItem(a, 5), "");
}

TEST_F(UpdateOnLab, ShowRebootMsgWhenSuccessShowsTheRebootTextOnPassedRows) {
  std::string settings = Settings();
  settings.replace(settings.find("[VK4620XT]\n"), 11, "[VK4620XT]\nShowRebootMsgWhenSuccess=1\n");
  Start(FiveAttachments(), settings);
  const int a = Drive(1);
  Tick(a);
  PressStart();
  EXPECT_EQ(Result(a), "PASS-Please reboot your device after the update finishes.");
  EXPECT_EQ(Image(a), app::kRowPassed);
  // The offered version shows only on such a row.
  ui::DrawState s = form->LV_UpdateDevStatus.CellColors(a, scan->Columns().newestFw + 1);
  EXPECT_EQ(s.textColor, 0xB97373u);
  s = form->LV_UpdateDevStatus.CellColors(Drive(2), scan->Columns().newestFw + 1);
  EXPECT_EQ(s.textColor, 0xF0F0F0u);
  s = form->LV_UpdateDevStatus.CellColors(a, scan->Columns().result + 1);
  EXPECT_EQ(s.textColor, 0xFF0000u);
}

TEST_F(UpdateOnLab, TheSecondUpdateStepRunsAfterTheFirst) {
  Start(FiveAttachments(), Settings("", "[UpdateFW]\nUpdateFile0=\nUpdateFile1=second\n"));
  const int a = Drive(1);
  Tick(a);
  PressStart();
  EXPECT_EQ(Result(a), "PASS");
  // Configured mode downloads the same image in both steps: the second is the
  // same version again.
  int downloads = 0;
  for (const std::string& l : labOs->Trace().Captured())
    if (l.find("FileString = ") != std::string::npos) ++downloads;
  EXPECT_EQ(downloads, 2);
}

}  // namespace
}  // namespace updatetest

namespace updatetest {
namespace {

// Disk A and a spare of the same kind that may take its place after `after`
// commands.
std::string SwappedSataLab(const std::string& after) {
  std::string extra;
  if (!after.empty()) extra = "ReplacedBy=Disk Spare\nReplacedAfter=" + after + "\n";
  extra +=
      "\n[Disk Spare]\nAttachment=sata\nController=VK4620XT\nSpare=1\n"
      "Serial=VKZ0000000000000009\nCapacity=65536\nFirmware=S0220A0";
  return FiveAttachments(extra);
}

TEST_F(UpdateOnLab, ADiskSwappedUnderTheSameNumberIsRefusedBeforeAnyDownload) {
  // The same machine without the swap: the commands Disk A gets until Start.
  Start(SwappedSataLab(""));
  const uint64_t untilReady = labOs->Machine().DiskBySection("Disk A")->Commands();
  Close();
  NewLab();
  Start(SwappedSataLab(std::to_string(untilReady)));
  const int a = Drive(1), c = Drive(3);
  ASSERT_GE(a, 0);
  ASSERT_GE(c, 0);
  Tick(a);
  Tick(c);
  PressStart();

  lab::LabDisk& disk = *labOs->Machine().DiskBySection("Disk A");
  EXPECT_TRUE(disk.Replaced());
  EXPECT_EQ(Result(a),
            "PHYSICALDRIVE1 is no longer the drive that was listed: serial VKA0000000000000001 "
            "is now VKZ0000000000000009");
  EXPECT_EQ(Image(a), app::kRowFailed);
  EXPECT_NE(LogText().find("no firmware was sent to it"), std::string::npos);
  // The other ticked drive is updated.
  EXPECT_EQ(Image(c), app::kRowPassed);
  // The drive now under PHYSICALDRIVE1 still runs its own firmware and got
  // no microcode.
  ASSERT_NE(disk.Ata(), nullptr);
  const lab::AtaIdentityText now = lab::DecodeAtaIdentify(lab::AtaIdentify(*disk.Ata()));
  EXPECT_EQ(now.serial, "VKZ0000000000000009");
  EXPECT_EQ(now.firmware, "S0220A0");
  EXPECT_FALSE(Traced("DMStatus"));
}

}  // namespace
}  // namespace updatetest
