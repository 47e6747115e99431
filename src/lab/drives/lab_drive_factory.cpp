#include "lab/drives/lab_drive_factory.h"

#include <algorithm>

#include "common/text.h"
#include "lab/drives/ata/ata_drive.h"
#include "lab/drives/vk4630/vk4630_controller.h"
#include "lab/drives/vk46xx/vk46xx_drive.h"

namespace lab::drives {

namespace {

constexpr uint8_t kSmartBadBlocks = 0xA3;  // the controller's bad block count

void TakeNandFacts(const DiskConfig& d, Vk46xxSettings& s) {
  const NandFacts& n = d.nand;
  if (!n.flashId.empty()) s.nandId = n.flashId;
  s.channels = static_cast<uint8_t>(n.channels);
  s.cePerChannel = static_cast<uint8_t>(n.cePerChannel);
  s.diesPerCe = static_cast<uint8_t>(n.diesPerCe);
  s.pageSize = static_cast<uint16_t>(n.pageSize);
  s.pagesPerBlock = static_cast<uint16_t>(std::min<uint32_t>(n.pagesPerBlock, 0xFFFF));
  // PlaneCount, where given, says more precisely what the flash information
  // block holds than the NAND geometry does.
  if (!d.drive.vk46xx.planeCount) s.planeCount = static_cast<uint8_t>(n.planesPerDie);
  // Bad blocks show as SMART attribute A3h unless SmartRaw sets it itself.
  const auto& given = d.drive.ata.smartRaw;
  const bool badGiven =
      given && std::any_of(given->begin(), given->end(), [](const auto& attribute) {
        return attribute.first == kSmartBadBlocks;
      });
  if (!badGiven && n.badBlocks != 0) s.ata.smartRaw.emplace_back(kSmartBadBlocks, n.badBlocks);
}

template <typename Drive>
void Persist(Drive& drive, const DriveContext& ctx) {
  if (!ctx.saveState) return;
  auto save = ctx.saveState;
  drive.SetStateListener([save](const DriveState& st) { save(st.Serialise()); });
  save(drive.State().Serialise());
}

bool IsVk46xx(std::string_view controller) { return VkControllerFromName(controller).has_value(); }

}  // namespace

BuiltDrive BuildLabDrive(const DriveContext& ctx) {
  BuiltDrive built;
  const DiskConfig& d = ctx.config;
  const std::string controller = common::Trim(d.controller);
  const bool nvmeModel = common::EqualsNoCase(controller, "VK4630");
  if (NeedsNvmeDrive(d.attachment) != nvmeModel) {
    built.error = "controller '" + controller + "' cannot sit behind attachment " +
                  AttachmentName(d.attachment);
    return built;
  }
  // The VK4630 formats its namespace with 512- or 4096-byte blocks; the ATA
  // drive models speak 512-byte sectors only.
  if (!ctx.media || (ctx.media->SectorSize() != 512 && !nvmeModel)) {
    built.error = "the ATA drive models need media of 512-byte sectors";
    return built;
  }
  DriveState state = DriveState::Parse(ctx.savedState).value_or(DriveState{});

  if (nvmeModel) {
    const Vk4630Settings s = Vk4630SettingsFor(d);
    auto drive = std::make_unique<Vk4630Controller>(s, ctx.media, std::move(state), &ctx.clock);
    Persist(*drive, ctx);
    built.nvme = std::move(drive);
    return built;
  }
  if (IsVk46xx(controller)) {
    Vk46xxSettings s = Vk46xxSettingsFor(d);
    TakeNandFacts(d, s);
    auto drive = std::make_unique<Vk46xxDrive>(s, ctx.media, std::move(state), &ctx.clock);
    Persist(*drive, ctx);
    built.ata = std::move(drive);
    return built;
  }
  AtaDriveSettings defaults;
  defaults.model = "SATA SSD";
  const AtaDriveSettings s = AtaSettingsFor(d, defaults);
  auto drive = std::make_unique<AtaDrive>(s, ctx.media, std::move(state));
  Persist(*drive, ctx);
  built.ata = std::move(drive);
  return built;
}

DriveFactory LabDriveFactory() {
  return [](const DriveContext& c) { return BuildLabDrive(c); };
}

}  // namespace lab::drives
