#pragma once
// The Device Info, SMART and Summary pages of the main form. Each click reads
// the selected drive afresh and rebuilds its page; the form has already shown
// the page's panels. The pages connect to the form's page hooks and the list's
// row painting for as long as they live; dropping them gives both back.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "form/update_dispaly.h"
#include "pages/info/decoder/decode_reporter.h"
#include "pages/info/decoder/rule_source.h"
#include "pages/info/decoder/table_decoders.h"
#include "pages/info/health/health_verdict.h"
#include "pages/info/smart/ata_attributes.h"
#include "pages/info/smart/show_data_layout.h"
#include "pages/info/summary_values.h"
#include "scan/drive_view.h"
#include "ui/scoped_handler.h"

namespace info {

// The information list's font size on these pages.
inline constexpr int kShowDataFontSize = 10;

class InfoPages {
 public:
  InfoPages(app::TUpdateDispaly& form, app::DriveViews& drives);
  InfoPages(const InfoPages&) = delete;
  InfoPages& operator=(const InfoPages&) = delete;

  void T_DeviceInfoClick();
  void T_SmartClick();
  void T_SummaryPageClick();
  void LV_ShowDataCustomDrawItem(int row, ui::DrawState& state);
  // Fills the list from a SMART READ DATA block with the attribute names of
  // the selected drive's profile.
  // Empty, or the page's text for a rule file it could not use.
  std::string ShowAtaSmartTable(std::span<const uint8_t> smartData);
  // What the last Summary click read, or nothing when its reads failed.
  const std::optional<SummaryValues>& LastSummary() const { return lastSummary_; }
  // The health verdict of the last Summary or SMART click, or nothing when
  // the drive's SMART data could not be read.
  const std::optional<HealthVerdict>& LastHealth() const { return lastHealth_; }
  // The numbers behind the last SMART click's rows: an ATA drive's attributes
  // (one per row, in row order), or an NVMe drive's health log.
  const std::vector<AtaAttribute>& LastAtaAttributes() const { return lastAttributes_; }
  std::span<const uint8_t> LastHealthLog() const { return smartLog_; }
  bool LastHealthFromNvme() const { return lastHealthNvme_; }

 private:
  // Selects the current drive in CMBB_DeviceList; false when there is none.
  bool SelectCurrentDrive();
  app::DriveAccess& Current() { return drives_.At(form_.SelectedDevice).access; }
  app::SlotData& CurrentData() { return drives_.At(form_.SelectedDevice).data; }
  // The current drive's profile, or an empty one (whose rule paths name no file).
  const app::ControllerProfile& CurrentProfile() const;
  RuleSource CurrentRules() const;
  DecodeReporter Reporter();

  // Gives LV_ShowData exactly these columns; with `placeSelector` the drive
  // selector moves over the second column.
  void SetUpColumns(const std::vector<ShowDataColumn>& columns, bool placeSelector);

  void ShowNvmeSmart();
  void ShowAtaSmart();

  void ResetSummary();
  // Reads the drive for the Summary page; false (with the status text set)
  // when a read failed.
  bool ReadAtaSummary(SummaryValues& values);
  bool ReadNvmeSummary(SummaryValues& values);
  void FillSummary(const SummaryValues& values);

  // Judge the current drive's health from what was just read: the ATA SMART
  // data (reading its thresholds here) or the NVMe health log in smartLog_.
  void JudgeAtaHealth(std::span<const uint8_t> smartData);
  void JudgeNvmeHealth();

  app::TUpdateDispaly& form_;
  app::DriveViews& drives_;
  // The one buffer all drives share for the NVMe SMART / Health log.
  std::array<uint8_t, kNvmeSmartLogBytes> smartLog_{};
  app::ControllerProfile noProfile_;
  std::optional<SummaryValues> lastSummary_;
  std::optional<HealthVerdict> lastHealth_;
  std::vector<AtaAttribute> lastAttributes_;
  bool lastHealthNvme_ = false;
  ui::Connections connections_;
};

}  // namespace info
