#pragma once
// What the download procedures of one drive share: the form's advanced
// controls and status bar, the drive, its row in the update list (through the
// column map), the run it reports through, and the two texts the run reads
// afterwards: the result and the version the drive must report.
#include <string>
#include <string_view>

#include "run/drive_run.h"
#include "form/update_dispaly.h"
#include "scan/drive_view.h"
#include "scan/result_column_map.h"

namespace update {

// Result texts the run and both procedures share.
inline constexpr const char* kPass = "PASS";
inline constexpr const char* kRebootResult =
    "PASS-Please reboot your device after the update finishes.";
inline constexpr const char* kNoNeedToUpgrade =
    "This Firmware version does not need to be upgraded";
inline constexpr const char* kNoNeedToUpgradeResult =
    "This Firmware version does not need to be upgraded.";
inline constexpr const char* kStopUpdate = "Stop FW update!";
inline constexpr const char* kSelectDevice = "Please select the device!";
inline constexpr const char* kOpenFileFail = "Open FW file fail";
inline constexpr const char* kMemoryAllocateFail = "Memory allocate fail";
inline constexpr const char* kCheckFwVersion = "Check FW Version!";
inline constexpr const char* kDownloadVersionFail = "Download FW Version fail!";
inline constexpr const char* kDownloadCmdFail = "Download CMD fail";
inline constexpr const char* kDownloadComplete = "Download Complete";
inline constexpr const char* kComplete = "Complete";
inline constexpr const char* kUnknownIdentityResult =
    "Unknown FW version: the drive did not report its identity";
inline constexpr const char* kConfirmWithVersions =
    "Press YES to begin FW Update! \n\nDevice <%s>  \nCurrent FW:%s, New FW:%s";

// The largest image the tool reads into memory; anything larger is refused as
// an allocation failure would be.
inline constexpr size_t kMaxImageBytes = 64u << 20;

// UpdateResult and ExpectedFWVer of the drive being updated.
struct UpdateState {
  std::string updateResult;
  std::string expectedFwVer;
};

// The run's success rule: the result names a pass or a version that needs no
// upgrade (substring tests, so the reboot text and the text with a full stop
// pass too).
bool UpdateSucceeded(std::string_view updateResult);

class UpdateFlow {
 public:
  UpdateFlow(app::TUpdateDispaly& form, app::DriveView drive, const app::ResultColumnMap& columns,
             UpdateState& state, app::DriveRun& run)
      : form(form), drive(drive), columns(columns), state(state), run(run) {}

  app::TUpdateDispaly& form;
  app::DriveView drive;
  const app::ResultColumnMap& columns;
  UpdateState& state;
  app::DriveRun& run;

  app::RunContext& Ctx() { return form.Context(); }
  int Row() const { return drive.row; }
  std::string Caption() const;
  // A logical cell of the drive's row; a column that is not shown reads empty
  // and is never written.
  std::string Cell(int sub) const;
  void SetCell(int sub, const std::string& text);
  bool AnyTicked() const;

  // Each status text is also a step of the drive's run: a command line prints it.
  void Status(const std::string& text) {
    form.SetStatusMessage(text);
    run.Step(text);
  }
  // UpdateResult and the status bar get the same text.
  void Refuse(const std::string& text) {
    state.updateResult = text;
    Status(text);
  }
  void AddProgress(int n) { run.Progress(run.Report().progress + n); }
  void Sleep(uint32_t ms) { Ctx().os.Sleep(ms); }
  void Trace(const std::string& line) { run.Trace(line); }
  // Yes/No with the question icon and an empty caption, No the default
  // button: true only for Yes.
  bool AskYes(const std::string& text);
  // The memo of the advanced group, trimmed as a whole.
  void TrimMemo();
  // Right before a download or a commit: whether the drive still reports the
  // model, serial and capacity it was listed with. When it does not, the row
  // is refused with the reason and nothing more is sent to it.
  bool StillListed();
};

// After a commit: the version the drive reports against the one expected. A
// difference is a deferred activation (the row passes, asking for a reboot, and
// the log says when the image takes over) or, when the image was to run now, a
// failure with both versions logged.
void JudgeReportedVersion(UpdateFlow& flow, const std::string& reported, bool deferred,
                          bool checkVersion);

}  // namespace update
