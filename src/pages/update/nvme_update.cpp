#include "pages/update/nvme_update.h"

#include <algorithm>

#include "common/bytes.h"
#include "common/str_to_int.h"
#include "common/text.h"
#include "config/run_log/run_log_lines.h"
#include "device/core/dev_attribute.h"
#include "package/package_files.h"
#include "package/package_layout.h"
#include "package/update_rules.h"
#include "package/version_text.h"
#include "pages/update/image_file.h"
#include "pages/update/nvme_slots.h"
#include "pages/update/system_disk.h"
#include "scan/scan_rules.h"
#include "controller/nvme/nvme_ssd_hba.h"

namespace update {
namespace {

// Up to `chars` bytes at `offset`, ending at a NUL or the end of the image.
std::string TextAt(std::span<const uint8_t> image, uint64_t offset, size_t chars) {
  if (offset >= image.size()) return {};
  const size_t n = std::min<uint64_t>(chars, image.size() - offset);
  return common::TextFromBytes(image.subspan(static_cast<size_t>(offset), n));
}

std::string StatusText(const UpdateFlow& flow, int result) {
  if (result == controller::kNvmeStatusError) {
    return common::Format("Update device status(SC:0x%02X, SCT:0x%02X, DW:0x%02X)",
                          flow.drive.access.NvmeStatusCode(),
                          flow.drive.access.NvmeStatusCodeType(),
                          flow.drive.access.NvmeCompletionDw0());
  }
  return common::Format("Update device fail(Nvme:%d)", result);
}

// A commit whose status says the image is stored and runs after a
// conventional (0Bh), NVM subsystem (10h) or controller (11h) reset: done,
// and the firmware read back afterwards tells whether it runs yet.
bool StoredUntilReset(const UpdateFlow& flow, int result) {
  constexpr uint16_t kScRequiresConventionalReset = 0x0B;
  constexpr uint16_t kScRequiresSubsystemReset = 0x10;
  const uint16_t sc = flow.drive.access.NvmeStatusCode();
  return result == controller::kNvmeStatusError &&
         flow.drive.access.NvmeStatusCodeType() == kSctCommandSpecific &&
         (sc == kScActivationRequiresReset || sc == kScRequiresConventionalReset ||
          sc == kScRequiresSubsystemReset);
}

bool NativeNvme(const UpdateFlow& flow) {
  return (flow.drive.access.AccessAttribute() & device::STORAGE_NVME) != 0;
}

std::string CurrentVersion(const UpdateFlow& flow) {
  const auto id = std::span<const uint8_t>(flow.drive.data.nvmeIdentifyController);
  return common::Trim(TextAt(id, kNvmeFirmwareRevision, kNvmeFirmwareRevisionChars));
}

// Memo lines and ExpectedFWVer; false when no ISP version line was produced.
bool ShowVersions(UpdateFlow& flow, std::span<const uint8_t> image) {
  ui::Memo& memo = flow.form.MM_Microcode_ShowVersion;
  if (flow.drive.profile->ISPWithCSSHeader) {
    const CssVersions v = ReadCssVersions(image);
    for (const std::string& line : v.memoLines) memo.Add(line);
    if (v.ispVersion) flow.state.expectedFwVer = *v.ispVersion;
    return v.ispVersion.has_value();
  }
  const std::string newest = flow.Cell(flow.columns.newestFw);
  memo.Add(common::Format("ISP FW Ver:   %s", newest.c_str()));
  flow.state.expectedFwVer = newest;
  return true;
}

}  // namespace

CssVersions ReadCssVersions(std::span<const uint8_t> image) {
  CssVersions out;
  for (size_t i = 0; i < css::kEntryCount; ++i) {
    const size_t at = css::kFirstEntry + i * css::kEntrySize;
    if (!common::Fits(image.size(), at, css::kEntrySize)) break;
    const uint32_t type = common::ReadLe32(image, at + css::kTypeOffset);
    if (type == css::kEmpty || type == css::kEmptyErased) continue;
    const uint64_t data = common::ReadLe32(image, at + css::kDataOffset);
    if (type == css::kTypeLightSwitch) {
      out.memoLines.push_back(common::Format(
          "Light Switch:   %s",
          TextAt(image, data + css::kLightSwitchText, css::kLightSwitchChars).c_str()));
    } else if (type == css::kTypeIsp) {
      const std::string v = TextAt(image, data + css::kIspVersion, css::kIspVersionChars);
      out.memoLines.push_back(common::Format("ISP FW Ver:   %s", v.c_str()));
      out.ispVersion = v;
    } else if (type == css::kTypeOptionRom) {
      out.memoLines.push_back(common::Format(
          "OPRom Ver:   %s",
          TextAt(image, data + css::kOptionRomVersion, css::kOptionRomChars).c_str()));
    }
  }
  return out;
}

std::vector<Piece> PlanPieces(size_t imageBytes, size_t pieceBytes) {
  std::vector<Piece> pieces;
  if (pieceBytes == 0) return pieces;
  for (size_t offset = 0; offset < imageBytes; offset += pieceBytes) {
    pieces.push_back({offset, std::min(pieceBytes, imageBytes - offset)});
  }
  return pieces;
}

void NvmeDownloadClick(UpdateFlow& flow) {
  const app::ControllerProfile* profile = flow.drive.profile;
  if (!profile) {
    flow.Refuse(kOpenFileFail);
    return;
  }
  NvmeDownload(flow, profile->ISP_FilePath);
  for (const std::string& extra : profile->DownloadFiles()) {
    if (!UpdateSucceeded(flow.state.updateResult)) break;
    NvmeDownload(flow, extra);
  }
}

void NvmeDownload(UpdateFlow& flow, const std::string& relativePath) {
  app::TUpdateDispaly& form = flow.form;
  const app::AppOptions& options = flow.Ctx().options;
  if (!flow.AnyTicked()) {
    flow.Status(kSelectDevice);
    return;
  }
  flow.run.ResetProgress();
  if (form.CMBB_Microcode_TranSize.ItemIndex() < 0) {
    flow.Refuse("Please select transfer size!");
    return;
  }
  if (!flow.drive.profile) return;
  const app::ControllerProfile& profile = *flow.drive.profile;
  const std::string path = flow.Ctx().ToolPath(relativePath);
  if (relativePath.empty() || !firmware::FileExists(path)) {
    flow.Refuse(common::Format("Please check <%s> file!", relativePath.c_str()));
    return;
  }
  const ImageFile file = ReadImageFile(path);
  if (file.status != ImageFile::Status::kOk) {
    // Nothing to download is a failure, never a silent end.
    flow.Refuse(file.status == ImageFile::Status::kTooLarge ? kMemoryAllocateFail : kOpenFileFail);
    return;
  }
  const std::span<const uint8_t> image = file.bytes;
  flow.AddProgress(5);

  const std::string current = CurrentVersion(flow);
  const std::string offered = common::Trim(firmware::ReadNvmeOfferedVersion(image, profile));
  // The rules compare the raw versions; texts for people carry them escaped.
  const std::string shownCurrent = common::ShownText(current);
  const std::string shownOffered = common::ShownText(offered);
  form.MM_Microcode_ShowVersion.Clear();
  const bool ispLine = ShowVersions(flow, image);
  form.CHK_Microcode_CheckFWVer.SetChecked(options.EnableChkFWVer && ispLine);
  flow.AddProgress(5);
  flow.run.ProcessMessages();
  flow.TrimMemo();

  const bool check = form.CHK_Microcode_CheckFWVer.Checked();
  if (check) {
    flow.state.expectedFwVer = offered;
    firmware::UpdateRuleContext rules;
    rules.exeDir = flow.Ctx().exeDir;
    rules.autoGenFlu = options.AutoGenFlu;
    rules.versionDatabasePath = firmware::VersionDatabasePath(flow.Ctx().exeDir, profile);
    if (!firmware::IsUpdateAllowed(rules, offered, current, profile.ISPVerChkStrLengh,
                                   profile.ISPVerChkStrMask, std::nullopt)) {
      flow.state.updateResult = common::Format("Cannot support FW update from <%s> to <%s> !",
                                               shownCurrent.c_str(), shownOffered.c_str());
      flow.Status(kDownloadVersionFail);
      return;
    }
  }
  // The image already waits in a slot for the next reset: writing it again
  // would only wear the drive, and a reboot is all that is missing.
  if (AlreadyStaged(flow, offered, current)) return;
  if (check) {
    flow.run.Log(common::Format("### Device <%s> ###  Current FW:%s, New FW:%s",
                                flow.Caption().c_str(), shownCurrent.c_str(),
                                shownOffered.c_str()));
    if (options.PopUpMsgBox && !options.DoNotShowNewFWVer &&
        !flow.AskYes(common::Format(kConfirmWithVersions, flow.Caption().c_str(),
                                    shownCurrent.c_str(), shownOffered.c_str()))) {
      flow.Refuse(kStopUpdate);
      return;
    }
  }

  const int32_t kib = common::StrToIntDef(form.CMBB_Microcode_TranSize.Text(), 0);
  const size_t pieceBytes = static_cast<size_t>(std::max(kib, 0)) * 1024;
  if (!flow.StillListed()) return;
  int result = 0;
  for (const Piece& p : PlanPieces(image.size(), pieceBytes)) {
    result = flow.drive.access.NvmeFirmwareDownload(image.subspan(p.offset, p.size),
                                                    static_cast<uint32_t>(p.offset));
    flow.AddProgress(5);
    if (result != 0 || flow.drive.access.NvmeStatusCode() != 0 ||
        flow.drive.access.NvmeStatusCodeType() != 0) {
      break;
    }
  }
  if (pieceBytes == 0) result = controller::kNvmeBadParameter;
  if (result != 0) {
    flow.Status(StatusText(flow, result));
    flow.state.updateResult = kDownloadCmdFail;
    return;
  }
  flow.AddProgress(10);
  flow.Status(kDownloadComplete);
  NvmeCommitClick(flow);
}

void NvmeCommitClick(UpdateFlow& flow) {
  app::TUpdateDispaly& form = flow.form;
  if (!flow.AnyTicked()) {
    flow.Status(kSelectDevice);
    return;
  }
  const int choice = form.CMBB_Microcode_Active.ItemIndex();
  if (choice < 0) {
    flow.Refuse("Please select commit action!");
    return;
  }
  const int32_t slot = common::StrToIntDef(common::Trim(form.EDT_Slot.Text()), 0);
  const bool native = NativeNvme(flow);
  // The inbox driver activates what it is asked to activate at once; a
  // commit for the next reset is the same request marked so. It runs the
  // image at once wherever that is allowed.
  uint32_t action = native ? kActivateNowAction : static_cast<uint32_t>(choice);
  bool deferredForSystem = false;
  if (action == kActivateNowAction &&
      !MayActivateNow(flow,
                      "Firmware Commit action 1 (activate at the next reset) is sent "
                      "instead of action 3 (activate now)")) {
    action = kActivateAtResetAction;
    deferredForSystem = true;
  }
  // A slot outside 0..7 is refused by the command itself, without being sent.
  const uint32_t slotField = slot < 0 ? 0xFFFFFFFFu : static_cast<uint32_t>(slot);
  if (!flow.StillListed()) return;
  const int result = flow.drive.access.NvmeFirmwareCommit(action, slotField);
  flow.Sleep(kCommitSettleMs);
  const bool requiresReset = StoredUntilReset(flow, result);
  if (result != 0 && !requiresReset) {
    flow.Refuse(StatusText(flow, result));
    return;
  }
  flow.Status(kComplete);
  flow.state.updateResult = kPass;
  if (!native) flow.drive.access.NvmeVendorNoData(false);
  flow.Sleep(kAfterPostCommitMs);
  // Only action 3 runs the image at once; every other action (and a status
  // that asks for a reset) leaves it for the next reset.
  const bool deferred = action != kActivateNowAction || requiresReset;
  std::string reported;
  if (!RereadIdentity(flow, !deferred, reported)) return;
  const bool checkVersion = form.CHK_Microcode_CheckFWVer.Checked();
  if (action == kReplaceOnlyAction || action == kActivateSlotAction) {
    // Neither makes the image just sent the next one to run by itself.
    JudgeSlotAfterReset(flow, reported, checkVersion);
  } else {
    JudgeReportedVersion(flow, reported, deferred, checkVersion);
  }
  if (deferredForSystem) PassWithReboot(flow);
}

bool RereadIdentity(UpdateFlow& flow, bool activatedNow, std::string& reported) {
  app::SlotData& data = flow.drive.data;
  app::DriveAccess& dev = flow.drive.access;
  // A controller that activates new firmware at once restarts: until it is
  // back, commands go unanswered. It gets a bounded time before it is judged.
  const uint64_t start = flow.Ctx().os.GetTickCount64();
  bool answered = dev.NvmeIdentify(data.nvmeIdentifyController, 0, true);
  while (!answered && activatedNow &&
         flow.Ctx().os.GetTickCount64() - start < kActivationWindowMs) {
    flow.Sleep(kActivationRetryMs);
    answered = dev.NvmeIdentify(data.nvmeIdentifyController, 0, true);
  }
  const uint64_t waited = flow.Ctx().os.GetTickCount64() - start;
  if (answered && waited >= kActivationRetryMs) {
    // Said in the run log, so a slow restart is not mistaken for a hang.
    flow.run.Log(app::RowNoteLine(
        flow.Row(),
        common::Format("the controller restarted with the new firmware and answered again "
                       "after %llu s",
                       static_cast<unsigned long long>(waited / 1000))));
  }
  if (answered) {
    const app::IdentityTexts ids = app::NvmeIdentityTexts(data.nvmeIdentifyController);
    reported = common::Trim(ids.firmware);
    flow.SetCell(flow.columns.serialNumber, common::ShownText(common::Trim(ids.serial)));
    flow.SetCell(flow.columns.currentFw, common::ShownText(reported));
    flow.SetCell(flow.columns.modelName, common::ShownText(common::Trim(ids.model)));
    data.SetCurrentFirmware(reported);
  }
  dev.NvmeVendorRead(data.nvmeVendorInfo, 0);
  if (answered || !activatedNow) return true;
  flow.Refuse(kNoAnswerAfterActivation);
  flow.run.Log(app::RowNoteLine(
      flow.Row(),
      common::Format(
          "no answer for %u s after the new firmware %s was activated; which "
          "firmware it runs is unknown until it answers again (rescan, or restart the machine)",
          static_cast<unsigned>(kActivationWindowMs / 1000),
          common::Trim(flow.state.expectedFwVer).c_str())));
  return false;
}

}  // namespace update
