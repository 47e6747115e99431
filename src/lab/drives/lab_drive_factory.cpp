#include "lab/drives/lab_drive_factory.h"

#include <algorithm>

#include "common/text.h"
#include "lab/drives/ata/ata_drive.h"
#include "lab/drives/vk4630/vk4630_controller.h"
#include "lab/drives/vk46xx/vk46xx_drive.h"

namespace lab::drives {

namespace {

// The model's settings take the identity the lab parsed for the disk.
template <typename Settings>
void TakeIdentity(const DiskConfig& d, Settings& s) {
  if (!d.model.empty()) s.model = d.model;
  if (!d.serial.empty()) s.serial = d.serial;
  if (!d.firmware.empty()) s.firmware = d.firmware;
}

void TakeNandFacts(const DiskConfig& d, Vk46xxSettings& s) {
  const NandFacts& n = d.nand;
  if (!n.flashId.empty()) s.nandId = n.flashId;
  s.channels = static_cast<uint8_t>(n.channels);
  s.cePerChannel = static_cast<uint8_t>(n.cePerChannel);
  s.diesPerCe = static_cast<uint8_t>(n.diesPerCe);
  s.pageSize = static_cast<uint16_t>(n.pageSize);
  s.pagesPerBlock = static_cast<uint16_t>(std::min<uint32_t>(n.pagesPerBlock, 0xFFFF));
  const auto* section = &d.raw;
  bool planeCountGiven = false;
  for (const auto& e : section->entries)
    planeCountGiven |= common::EqualsNoCase(e.key, "PlaneCount");
  if (!planeCountGiven) s.planeCount = static_cast<uint8_t>(n.planesPerDie);
  bool badGiven = false;
  for (const auto& [id, raw] : s.ata.smartRaw) badGiven |= id == 0xA3;
  if (!badGiven && n.badBlocks != 0) s.ata.smartRaw.emplace_back(0xA3, n.badBlocks);
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
  if (!ctx.media || ctx.media->SectorSize() != 512) {
    built.error = "the drive models need media of 512-byte sectors";
    return built;
  }
  DriveState state = DriveState::Parse(ctx.savedState).value_or(DriveState{});

  if (nvmeModel) {
    Vk4630Settings s = ReadVk4630Settings(ctx.ini, d.section);
    TakeIdentity(d, s);
    s.pciVendor = d.pciVendor;
    s.pciDevice = d.pciDevice;
    auto drive = std::make_unique<Vk4630Controller>(s, ctx.media, std::move(state));
    Persist(*drive, ctx);
    built.nvme = std::move(drive);
    return built;
  }
  if (IsVk46xx(controller)) {
    Vk46xxSettings s = ReadVk46xxSettings(ctx.ini, d.section);
    TakeIdentity(d, s.ata);
    TakeNandFacts(d, s);
    auto drive = std::make_unique<Vk46xxDrive>(s, ctx.media, std::move(state));
    Persist(*drive, ctx);
    built.ata = std::move(drive);
    return built;
  }
  AtaDriveSettings defaults;
  defaults.model = "SATA SSD";
  AtaDriveSettings s = ReadAtaDriveSettings(ctx.ini, d.section, defaults);
  TakeIdentity(d, s);
  auto drive = std::make_unique<AtaDrive>(s, ctx.media, std::move(state));
  Persist(*drive, ctx);
  built.ata = std::move(drive);
  return built;
}

DriveFactory LabDriveFactory() {
  return [](const DriveContext& c) { return BuildLabDrive(c); };
}

}  // namespace lab::drives
