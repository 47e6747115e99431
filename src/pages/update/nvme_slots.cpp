#include "pages/update/nvme_slots.h"

#include <vector>

#include "common/text.h"
#include "config/run_log/run_log_lines.h"

namespace update {

std::optional<FirmwareSlots> ParseFirmwareSlotLog(std::span<const uint8_t> page) {
  if (page.size() < slotlog::kSize) return std::nullopt;
  FirmwareSlots s;
  const uint8_t afi = page[slotlog::kAfi];
  s.active = afi & slotlog::kActiveMask;
  s.next = (afi >> slotlog::kNextShift) & slotlog::kNextMask;
  for (size_t i = 0; i < slotlog::kSlots; ++i) {
    const auto text = page.subspan(slotlog::kFirstRevision + i * slotlog::kRevisionChars,
                                   slotlog::kRevisionChars);
    s.revisions[i] = common::Trim(common::TextFromBytes(text));
  }
  return s;
}

std::optional<uint8_t> StagedSlot(const FirmwareSlots& slots, const std::string& offered,
                                  const std::string& running) {
  const std::string wanted = common::Trim(offered);
  if (wanted.empty() || slots.next == 0) return std::nullopt;
  if (slots.revisions[slots.next - 1u] != wanted) return std::nullopt;
  if (common::Trim(running) == wanted) return std::nullopt;
  return slots.next;
}

bool AlreadyStaged(UpdateFlow& flow, const std::string& offered, const std::string& running) {
  std::vector<uint8_t> page(slotlog::kSize, 0);
  if (flow.drive.access.ReadFirmwareSlotLog(page) != 0) return false;
  const auto slots = ParseFirmwareSlotLog(page);
  if (!slots) return false;
  const auto slot = StagedSlot(*slots, offered, running);
  if (!slot) return false;
  flow.state.updateResult = kRebootResult;
  flow.Status(kStagedStatus);
  flow.run.Log(app::RowNoteLine(
      flow.Row(),
      common::Format("firmware %s is already staged in slot %d and becomes active at the next "
                     "reset or power cycle; nothing was downloaded",
                     common::Trim(offered).c_str(), static_cast<int>(*slot))));
  return true;
}

}  // namespace update
