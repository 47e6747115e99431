#include "pages/update/nvme_slots.h"

#include <vector>

#include "common/text.h"
#include "config/run_log/run_log_lines.h"
#include "package/update_rules.h"

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

uint8_t SlotAfterReset(const FirmwareSlots& slots) {
  const uint8_t slot = slots.next != 0 ? slots.next : slots.active;
  return slot <= slotlog::kSlots ? slot : 0;
}

std::string DescribeSlots(const FirmwareSlots& slots) {
  std::string text;
  for (size_t i = 0; i < slotlog::kSlots; ++i) {
    const int slot = static_cast<int>(i) + 1;
    if (slots.revisions[i].empty() && slot != slots.active) continue;
    if (!text.empty()) text += ", ";
    const std::string held =
        slots.revisions[i].empty() ? std::string("nothing") : common::ShownText(slots.revisions[i]);
    text += common::Format("slot %d holds %s", slot, held.c_str());
    if (slot == slots.active) text += " and runs now";
  }
  const uint8_t after = SlotAfterReset(slots);
  if (after == 0) return text + "; the slot that runs after the next reset is not named";
  const std::string runs = common::ShownText(slots.revisions[after - 1u]);
  return text + common::Format("; after the next reset slot %d runs %s", static_cast<int>(after),
                               runs.empty() ? "nothing" : runs.c_str());
}

void JudgeSlotAfterReset(UpdateFlow& flow, const std::string& reported, bool checkVersion) {
  const std::string expected = common::Trim(flow.state.expectedFwVer);
  const std::string wanted = common::ShownText(expected);
  std::vector<uint8_t> page(slotlog::kSize, 0);
  std::optional<FirmwareSlots> slots;
  if (flow.drive.access.ReadFirmwareSlotLog(page) == 0) slots = ParseFirmwareSlotLog(page);
  const uint8_t after = slots ? SlotAfterReset(*slots) : 0;
  const std::string where =
      slots ? DescribeSlots(*slots)
            : std::string(
                  "the firmware slot log cannot be read, so which firmware runs after "
                  "the next reset is unknown");
  if (after != 0 && firmware::ReportedVersionMatches(slots->revisions[after - 1u], expected)) {
    if (firmware::ReportedVersionMatches(reported, expected)) return;
    flow.state.updateResult = kRebootResult;
    flow.run.Log(app::RowNoteLine(
        flow.Row(), common::Format("the new firmware %s becomes active at the next reset or power "
                                   "cycle of the drive; it reports %s until then (%s)",
                                   wanted.c_str(),
                                   common::ShownText(common::Trim(reported)).c_str(),
                                   where.c_str())));
    return;
  }
  if (checkVersion) {
    flow.Refuse(kCheckFwVersion);
    flow.run.Log(app::RowNoteLine(
        flow.Row(), common::Format("%s Expected FW:%s after the next reset, but %s",
                                   kCheckFwVersion, wanted.c_str(), where.c_str())));
    return;
  }
  // Unchecked, the user chose what the slot holds: it runs after the reset.
  flow.state.updateResult = kRebootResult;
  flow.run.Log(app::RowNoteLine(
      flow.Row(), common::Format("the firmware commit takes effect at the next reset or power "
                                 "cycle of the drive: %s",
                                 where.c_str())));
}

}  // namespace update
