#include "pages/update/ata_update.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "common/bytes.h"
#include "common/text.h"
#include "common/whole_file.h"
#include "common/winpath.h"
#include "config/run_log/run_log_lines.h"
#include "device/ata/identify_words.h"
#include "package/expected_version.h"
#include "package/firmware_tag.h"
#include "package/generate/auto_gen_flu.h"
#include "package/package_files.h"
#include "package/package_layout.h"
#include "package/parameter_block.h"
#include "package/update_rules.h"
#include "package/version_text.h"
#include "pages/update/ata_image.h"
#include "pages/update/image_file.h"
#include "pages/update/system_disk.h"
#include "scan/scan_rules.h"
#include "controller/sata/dm_status.h"

namespace update {
namespace {

constexpr size_t kSector = 512;
constexpr size_t kRegisterBytes = 512;
constexpr size_t kParameterBlockBytes = 1024;
constexpr uint8_t kCheckDummyBits = 0x03;
constexpr uint8_t kDownloadEnableBit = 0x01;
constexpr int kFailedAttemptStatus = 3;
constexpr const char* kPrepFail = "Clear Check Dummy Fail!(%s Memory 0x%08X)";
constexpr const char* kCidReadFail = "Read FW CID Fail!";
constexpr const char* kNoDownloadCount = "DMCount=%d: nothing to download, set it to 1 or more!";
constexpr uint16_t kIdentifyValidMask = 0xC000;
constexpr uint16_t kIdentifyValidPattern = 0x4000;
constexpr int kDownloadOffsetsBit = 4;

// One controller-memory access, tried up to five times. The pause follows
// every try, a good one too: the controller takes that long to act on a
// register before the next command reaches it.
bool Retried(UpdateFlow& flow, const std::function<int()>& access) {
  for (int i = 0; i < kMemoryTries; ++i) {
    const bool done = access() == 0;
    flow.Sleep(kMemoryRetryMs);
    if (done) return true;
  }
  return false;
}

bool PrepareController(UpdateFlow& flow) {
  app::DriveAccess& dev = flow.drive.access;
  std::vector<uint8_t> reg(kRegisterBytes, 0);
  struct Change {
    uint32_t address;
    std::function<void(uint8_t&)> apply;
  };
  const Change changes[] = {
      {kCheckDummyRegister, [](uint8_t& b) { b &= static_cast<uint8_t>(~kCheckDummyBits); }},
      {kDownloadEnableRegister, [](uint8_t& b) { b |= kDownloadEnableBit; }},
  };
  for (const Change& c : changes) {
    if (!Retried(flow, [&] { return dev.ReadControllerMemory(c.address, reg); })) {
      flow.Refuse(common::Format(kPrepFail, "Read", c.address));
      return false;
    }
    c.apply(reg[0]);
    if (!Retried(flow, [&] { return dev.WriteControllerMemory(c.address, reg); })) {
      flow.Refuse(common::Format(kPrepFail, "Write", c.address));
      return false;
    }
  }
  return true;
}

void RemoveToolFile(UpdateFlow& flow, const char* name) {
  std::error_code ec;
  std::filesystem::remove(common::ToNativePath(flow.Ctx().ToolPath(name)), ec);
}

bool SaveWhole(const std::string& path, std::span<const uint8_t> bytes) {
  return common::WriteFileWhole(path, bytes);
}

// The image's folder (product path, no trailing separator).
std::string ImageFolder(const std::string& imagePath) { return common::ParentFolder(imagePath); }

// Reads LBA 0, keeps a copy beside the image and writes the sector back, as
// the older bridge firmware needs before a download.
bool RewriteLba0(UpdateFlow& flow, const std::string& imagePath) {
  std::vector<uint8_t> sector(kSector, 0);
  if (flow.drive.access.ReadSectors(0, 1, sector) != 0) {
    flow.Refuse("Read LBA 0 Fail!");
    return false;
  }
  const std::string copy =
      common::JoinWinPath(ImageFolder(imagePath), common::Format("LBA0_%d.bin", flow.Row()));
  if (!SaveWhole(copy, sector)) {
    flow.Refuse("Open LBA0.bin Fail!");
    return false;
  }
  if (flow.drive.access.WriteSectors(0, 1, sector) != 0) {
    flow.Refuse("Write LBA 0 Fail!");
    return false;
  }
  return true;
}

// The drive's CID against the image's, when the image asks for it. A record
// that could not be read is never compared, and no file is written from it.
bool CidAccepted(UpdateFlow& flow, std::span<const uint8_t> image) {
  if (!ImageAsksCidCompare(image) || flow.Ctx().options.ForceUpdate) return true;
  // The flag byte lies inside the record: an image can ask for the
  // comparison and end before the record does.
  if (!common::Fits(image.size(), kCidImageOffset, kCidBytes)) {
    flow.Refuse(kOpenFileFail);
    return false;
  }
  std::vector<uint8_t> memory(kRegisterBytes, 0);
  if (flow.drive.access.ReadControllerMemory(kCidMemoryAddress, memory) != 0) {
    flow.Refuse(kCidReadFail);
    return false;
  }
  const auto drive = std::span<const uint8_t>(memory).first<kCidBytes>();
  const auto wanted = image.subspan(kCidImageOffset).first<kCidBytes>();
  if (CidsMatch(drive, wanted)) return true;
  SaveWhole(flow.Ctx().ToolPath(firmware::kOriginalCidFileName), drive);
  SaveWhole(flow.Ctx().ToolPath(firmware::kNewFluCidFileName), wanted);
  flow.Refuse("Compare FW CID Fail!");
  return false;
}

struct Transfer {
  uint8_t subcommand = controller::kDmSubOffsets;
  bool activate = true;
};

Transfer ChosenTransfer(UpdateFlow& flow, bool advanced) {
  if (advanced) {
    const bool deferredSub = flow.form.CMBB_Microcode_SubCMD.ItemIndex() == 1;
    return {deferredSub ? controller::kDmSubOffsetsDeferred : controller::kDmSubOffsets, true};
  }
  switch (flow.Ctx().options.DownloadCMD) {
    case 1:
      return {controller::kDmSubOffsetsDeferred, true};
    case 2:
      return {controller::kDmSubOffsetsDeferred, false};
    default:
      return {controller::kDmSubOffsets, true};
  }
}

// One download attempt; the status of the last transfer tried.
int Attempt(UpdateFlow& flow, std::span<const uint8_t> image, uint32_t blocks, bool advanced,
            const Transfer& t) {
  app::DriveAccess& dev = flow.drive.access;
  const auto identify = std::span<const uint8_t>(flow.drive.data.ataIdentify).first(kSector);
  const uint32_t total = static_cast<uint32_t>(image.size() / kSector);
  auto send = [&](bool dma) {
    return dev.DMicrocode(t.subcommand, total, blocks, image, identify, dma, t.activate);
  };
  if (advanced) {
    const int status = send(flow.form.CMBB_Microcode_DMAMode.ItemIndex() == 1);
    flow.Trace(common::Format(
        "[VKM_DEBUG] BTN_Microcode_DownloadClick (Visible=1): DMStatus = %d\n", status));
    return status;
  }
  int status = 0;
  switch (flow.Ctx().options.DownloadMode) {
    case 1:
      status = send(false);
      break;
    case 2:
      status = send(true);
      break;
    default:
      status = send(true);
      if (status != 0) {
        flow.AddProgress(5);
        status = send(false);
      }
      break;
  }
  flow.Trace(common::Format("[VKM_DEBUG] BTN_Microcode_DownloadClick (Visible=0): DMStatus = %d\n",
                            status));
  return status;
}

// The download repetitions; 0 when every one succeeded.
int DownloadRepeated(UpdateFlow& flow, std::span<const uint8_t> image, int repetitions,
                     const Transfer& t) {
  const bool advanced = flow.form.GB_AdavnceMode.Visible();
  uint32_t blocks =
      BlocksPerCommand(flow.drive.data.ataIdentify, flow.Ctx().options.UseMaxTranSize);
  int status = 0;
  for (int n = 0; n < repetitions && status == 0; ++n) {
    flow.Trace(common::Format("[VKM_DEBUG] BTN_Microcode_DownloadClick: nCount = %d\n", n));
    for (int g = 0; g < kDownloadAttempts; ++g) {
      flow.Trace(common::Format("[VKM_DEBUG] BTN_Microcode_DownloadClick: GLoopIndex = %d\n", g));
      status = Attempt(flow, image, blocks, advanced, t);
      flow.AddProgress(5);
      if (status == 0) break;
      status = kFailedAttemptStatus;
      blocks = MinimumBlocks(flow.drive.data.ataIdentify);
    }
    if (repetitions != 1) {
      const int delay = std::max(flow.Ctx().options.DMDelay, 0);
      flow.Trace(common::Format("[VKM_DEBUG] BTN_Microcode_DownloadClick: Wait %dms\n", delay));
      flow.Sleep(static_cast<uint32_t>(delay));
    }
  }
  return status;
}

bool SameVersionPrefix(const std::string& a, const std::string& b, int length) {
  const size_t n = static_cast<size_t>(std::max(length, 0));
  return common::Trim(a).substr(0, n) == common::Trim(b).substr(0, n);
}

// Mode 0Eh (download with offsets, saved for the next power-on) belongs to
// the offsets feature: IDENTIFY words 119 and 120 bit 4, each word valid only
// with bits 15:14 = 01b.
bool SavesMicrocodeForLater(std::span<const uint8_t> identify) {
  namespace id = device::identify;
  auto valid = [&](size_t word) {
    return (id::Word(identify, word) & kIdentifyValidMask) == kIdentifyValidPattern;
  };
  return valid(id::kCommandSetExt) && valid(id::kCommandSetExtEnabled) &&
         id::Bit(identify, id::kCommandSetExt, kDownloadOffsetsBit) &&
         id::Bit(identify, id::kCommandSetExtEnabled, kDownloadOffsetsBit);
}

// True when the download to this drive is to be saved for the next power-on
// instead of activated: the drive holds the running system and can do so.
bool DeferOnSystemDisk(UpdateFlow& flow) {
  if (!HoldsRunningSystem(flow)) return false;
  if (!SavesMicrocodeForLater(flow.drive.data.ataIdentify)) {
    flow.run.Log(
        app::RowNoteLine(flow.Row(),
                         "holds the running system, but cannot save new microcode for the next "
                         "power-on (no DOWNLOAD MICROCODE mode 0Eh); it is activated at once"));
    return false;
  }
  return !MayActivateNow(flow,
                         "DOWNLOAD MICROCODE mode 0Eh saves it without the activation (no 0Fh)");
}

}  // namespace

void AtaDownloadClick(UpdateFlow& flow) {
  const app::AppOptions& options = flow.Ctx().options;
  for (int step = 0; step < kUpdateSteps; ++step) {
    if (step == 0 && options.DoNotShowNewFWVer &&
        !flow.AskYes(common::Format("Press YES to begin FW Update! \n\nDevice <%s>",
                                    flow.Caption().c_str()))) {
      flow.Refuse(kStopUpdate);
      return;
    }
    const std::string& file = flow.Ctx().updateFiles.UpdateFile[static_cast<size_t>(step)];
    if (step != 0 && file.empty()) continue;
    if (!AtaDownloadStep(flow, step)) return;
  }
}

bool AtaDownloadStep(UpdateFlow& flow, int step) {
  app::TUpdateDispaly& form = flow.form;
  app::RunContext& ctx = flow.Ctx();
  const app::AppOptions& options = ctx.options;
  if (!flow.AnyTicked()) {
    flow.Status(kSelectDevice);
    return false;
  }
  if (form.CMBB_Microcode_SubCMD.ItemIndex() < 0 || form.CMBB_Microcode_DMAMode.ItemIndex() < 0) {
    flow.Refuse("Please select transfer mode!");
    return false;
  }
  if (!flow.drive.profile) {
    flow.Refuse(kOpenFileFail);
    return false;
  }
  const app::ControllerProfile& profile = *flow.drive.profile;
  // The rules and the package are matched against what the drive reported;
  // the row shows the same text escaped.
  const app::IdentityTexts reportedIds = app::AtaIdentityTexts(flow.drive.data.ataIdentify);
  const std::string current = common::Trim(reportedIds.firmware);
  const std::string model = common::Trim(reportedIds.model);
  const std::string shownCurrent = common::ShownText(current);
  if (step == 0) {
    if (auto refusal = firmware::AvailableBeforeRefusal(options, current)) {
      flow.Refuse(*refusal);
      return false;
    }
  }
  // The first write of each step goes to the drive's controller memory.
  if (!flow.StillListed()) return false;
  if (!PrepareController(flow)) return false;
  if (options.CheckNewBad && ReallocatedRaw(flow.drive.data.smartData) != 0) {
    flow.Refuse("New Bad Exists!!!");
    return false;
  }
  RemoveToolFile(flow, firmware::kOriginalCidFileName);
  RemoveToolFile(flow, firmware::kNewFluCidFileName);

  firmware::GenFluResult gen;
  std::string path;
  if (options.AutoGenFlu) {
    controller::VK4540LT* sata = flow.drive.access.SataVendorObject();
    if (!sata) {
      gen.code = firmware::kGenFluIcVersionFailed;
    } else {
      const firmware::GenFluContext g{
          ctx.os,  ctx.exeDir, options, ctx.updateFiles,
          profile, model,      current, form.CMBB_ICVersion.ItemIndex()};
      gen = firmware::DoAutoGenFlu(g, *sata, step);
    }
    if (!gen.Ok()) {
      flow.Refuse(firmware::GenFluErrorResult(options.CustomerType, gen.code));
      return false;
    }
    path = gen.outputFolder + firmware::kMicrocodeFluFileName;
  } else {
    path = firmware::ConfiguredImagePath(ctx.exeDir, profile, model, current);
  }
  if (path.empty()) {
    flow.Status("Please 'Open File' first!");
    flow.state.updateResult = kOpenFileFail;
    return false;
  }
  flow.Trace(
      common::Format("[VKM_DEBUG] BTN_Microcode_DownloadClick: FileString = %s\n", path.c_str()));
  if (!firmware::FileExists(path)) {
    // A missing image is a failure, not a drive that needs nothing.
    flow.Refuse("File Not Exist!");
    return false;
  }
  ImageFile file = ReadImageFile(path);
  if (file.status != ImageFile::Status::kOk) {
    flow.Refuse(file.status == ImageFile::Status::kTooLarge ? kMemoryAllocateFail : kOpenFileFail);
    return false;
  }
  flow.AddProgress(5);
  std::vector<uint8_t> block(kParameterBlockBytes, 0);
  if (flow.drive.access.ReadParameterBlock(block) != 0) std::fill(block.begin(), block.end(), 0);
  std::vector<uint8_t> image = std::move(file.bytes);

  const std::string offered = common::Trim(firmware::ReadOfferedVersion(image, profile));
  const std::string shownOffered = common::ShownText(offered);
  form.MM_Microcode_ShowVersion.Add(common::Format("Device-%d: Org <%s>, Update <%s>", flow.Row(),
                                                   shownCurrent.c_str(), shownOffered.c_str()));
  flow.state.expectedFwVer = offered;
  form.CHK_Microcode_CheckFWVer.SetChecked(options.EnableChkFWVer);
  flow.AddProgress(5);
  flow.run.ProcessMessages();
  flow.TrimMemo();

  auto converted =
      ConvertLegacyImage(std::move(image), firmware::LegacyConversionFor(profile, current));
  if (!converted) {
    flow.Refuse(kImageTooShortForConversion);
    return false;
  }
  image = std::move(*converted);

  if (auto refusal = firmware::CustomerTypeRefusal(options.CustomerType, current)) {
    flow.Refuse(*refusal);
    return false;
  }
  if (auto refusal = firmware::CustomerType2Refusal(options.CustomerType, gen.keyPrefix,
                                                    firmware::ParameterBlock(block))) {
    flow.Refuse(*refusal);
    return false;
  }
  if (profile.RWLBA_BefDWFW_Only10JMS && !RewriteLba0(flow, path)) return false;
  const std::string copyName = common::Format("ISP_ToolBuff_%d.bin", flow.Row());
  SaveWhole(options.AutoGenFlu ? gen.outputFolder + copyName
                               : common::JoinWinPath(ImageFolder(path), copyName),
            image);
  if (!CidAccepted(flow, image)) return false;

  const bool check = form.CHK_Microcode_CheckFWVer.Checked();
  flow.Trace(common::Format(
      "[VKM_DEBUG] BTN_Microcode_DownloadClick: CHK_Microcode_CheckFWVer->Checked = %d\n",
      check ? 1 : 0));
  if (check) {
    firmware::UpdateRuleContext rules;
    rules.exeDir = ctx.exeDir;
    rules.autoGenFlu = options.AutoGenFlu;
    rules.versionDatabasePath = firmware::VersionDatabasePath(ctx.exeDir, profile);
    std::optional<std::string_view> prefix;
    if (options.AutoGenFlu) prefix = gen.keyPrefix;
    if (!firmware::IsUpdateAllowed(rules, offered, current, profile.ISPVerChkStrLengh,
                                   profile.ISPVerChkStrMask, prefix)) {
      flow.Status(kDownloadVersionFail);
      flow.state.updateResult = kNoNeedToUpgradeResult;
      return false;
    }
  }
  int repetitions = options.DMCount;
  if (SameVersionPrefix(offered, current, profile.ISPVerChkStrLengh)) repetitions = 1;
  flow.Trace(
      common::Format("[VKM_DEBUG] BTN_Microcode_DownloadClick: nDMCount = %d\n", repetitions));
  if (repetitions < 1) {
    // No repetition would send anything; the drive keeps its firmware.
    flow.Refuse(common::Format(kNoDownloadCount, repetitions));
    return false;
  }
  if (options.PopUpMsgBox && !options.DoNotShowNewFWVer &&
      !flow.AskYes(common::Format(kConfirmWithVersions, flow.Caption().c_str(),
                                  shownCurrent.c_str(), shownOffered.c_str()))) {
    flow.Refuse(kStopUpdate);
    return false;
  }
  flow.AddProgress(10);
  Transfer transfer = ChosenTransfer(flow, form.GB_AdavnceMode.Visible());
  const bool deferredForSystem = transfer.activate && DeferOnSystemDisk(flow);
  if (deferredForSystem) transfer = {controller::kDmSubOffsetsDeferred, false};
  const int status = DownloadRepeated(flow, image, repetitions, transfer);
  if (status != 0) {
    flow.Status(common::Format("Update device fail(Nvme:%d)", status));
    flow.state.updateResult = kDownloadCmdFail;
    return false;
  }
  flow.AddProgress(10);
  flow.Status(kDownloadComplete);
  AtaCommitClick(flow, !transfer.activate);
  if (deferredForSystem) PassWithReboot(flow);
  return true;
}

void AtaCommitClick(UpdateFlow& flow, bool deferred) {
  if (!flow.AnyTicked()) {
    flow.Status(kSelectDevice);
    return;
  }
  flow.Status(kComplete);
  flow.state.updateResult = kPass;
  flow.Sleep(kBeforeCommitCheckMs);
  app::SlotData& data = flow.drive.data;
  std::string reported;
  if (flow.drive.access.IdentifyDevice(data.ataIdentify)) {
    const app::IdentityTexts ids = app::AtaIdentityTexts(data.ataIdentify);
    reported = common::Trim(ids.firmware);
    flow.SetCell(flow.columns.serialNumber, common::ShownText(common::Trim(ids.serial)));
    flow.SetCell(flow.columns.currentFw, common::ShownText(reported));
    flow.SetCell(flow.columns.modelName, common::ShownText(common::Trim(ids.model)));
    data.SetCurrentFirmware(reported);
  }
  if (flow.drive.access.ReadParameterBlock(data.parameterBlock) == 0) {
    const firmware::ParameterBlock block(data.parameterBlock);
    flow.SetCell(flow.columns.fwTag,
                 common::ShownText(common::Trim(firmware::ExtractFirmwareIdentity(block).tag)));
  }
  JudgeReportedVersion(flow, reported, deferred, flow.form.CHK_Microcode_CheckFWVer.Checked());
}

}  // namespace update
