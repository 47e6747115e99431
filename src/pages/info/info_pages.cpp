#include "pages/info/info_pages.h"

#include "pages/info/list_view_rows.h"
#include "pages/info/page_status.h"
#include "pages/info/show_data_geometry.h"

namespace info {

InfoPages::InfoPages(app::TUpdateDispaly& form, app::DriveViews& drives)
    : form_(form), drives_(drives) {
  connections_.Connect(form_.Pages.deviceInfo, [this] { T_DeviceInfoClick(); });
  connections_.Connect(form_.Pages.smart, [this] { T_SmartClick(); });
  connections_.Connect(form_.Pages.summary, [this] { T_SummaryPageClick(); });
  connections_.Connect(form_.LV_ShowData.OnCustomDrawItem, [this](int row, ui::DrawState& state) {
    LV_ShowDataCustomDrawItem(row, state);
  });
}

bool InfoPages::SelectCurrentDrive() {
  form_.CMBB_DeviceList.SetItemIndex(form_.SelectedDevice);
  return drives_.Has(form_.SelectedDevice);
}

const app::ControllerProfile& InfoPages::CurrentProfile() const {
  if (!drives_.Has(form_.SelectedDevice)) return noProfile_;
  const app::ControllerProfile* p = drives_.At(form_.SelectedDevice).profile;
  return p ? *p : noProfile_;
}

RuleSource InfoPages::CurrentRules() const {
  app::RunContext& ctx = form_.Context();
  return RuleSource{ctx.os, ctx.exeDir, CurrentProfile()};
}

DecodeReporter InfoPages::Reporter() {
  app::RunContext& ctx = form_.Context();
  ui::Application& app = form_.App();
  return MakeDecodeReporter(ctx.os, ctx.runLog, ctx.options.PopUpMsgBox,
                            [&app](const std::string& caption, const std::string& text) {
                              app.MessageBox(text, caption, ui::MsgButtons::kOK,
                                             ui::MsgIcon::kError);
                            });
}

void InfoPages::SetUpColumns(const std::vector<ShowDataColumn>& columns, bool placeSelector) {
  ui::ListView& list = form_.LV_ShowData;
  const std::vector<int> widths = ColumnWidths(columns, list.Width());
  if (list.ColumnCount() != static_cast<int>(columns.size())) {
    list.ClearColumns();
    for (size_t i = 0; i < columns.size(); ++i) list.AddColumn(columns[i].caption, widths[i]);
  } else {
    for (size_t i = 0; i < columns.size(); ++i) {
      list.SetColumnCaption(static_cast<int>(i), columns[i].caption);
      list.SetColumnWidth(static_cast<int>(i), widths[i]);
    }
  }
  list.SetFontSize(kShowDataFontSize);
  if (!placeSelector || widths.empty()) return;

  const SelectorPlacement p = PlaceSelector(widths[0], list.Left(), form_.ST_DeviceName.Width());
  form_.ST_DeviceName.SetLeft(p.deviceNameLeft);
  form_.CMBB_DeviceList.SetLeft(p.comboLeft);
  form_.CMBB_DeviceList.SetWidth(p.comboWidth);
}

void InfoPages::LV_ShowDataCustomDrawItem(int row, ui::DrawState& state) {
  const ShowDataRowColours c = ShowDataRowColoursFor(row);
  state.textColor = c.text;
  if (c.background) state.brushColor = *c.background;
}

void InfoPages::T_DeviceInfoClick() {
  SetUpColumns(DeviceInfoColumns(), true);
  form_.LV_ShowData.Clear();
  if (!SelectCurrentDrive()) return;

  ListViewRows rows(form_.LV_ShowData);
  app::SlotData& data = CurrentData();
  if (Current().IsNvmeDrive()) {
    // The copy the scan took: Identify Controller is not sent again here.
    const std::string problem = DecodeConfigTable(
        ConfigTableKind::kNvme, data.nvmeIdentifyController, CurrentRules(), rows, Reporter());
    form_.SetStatusMessage(problem.empty() ? kReadConfigOk : problem);
    return;
  }
  if (!Current().IdentifyDevice(data.ataIdentify)) {
    form_.SetStatusMessage(ReadConfigFailText(0));
    return;
  }
  // An empty page is no success: a missing rule file is named instead.
  const std::string problem =
      DecodeConfigTable(ConfigTableKind::kAta, data.ataIdentify, CurrentRules(), rows, Reporter());
  form_.SetStatusMessage(problem.empty() ? kReadConfigOk : problem);
}

}  // namespace info
