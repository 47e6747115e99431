#pragma once
// The information list as a row sink: decoded rows go straight into LV_ShowData.
#include "pages/info/decoder/info_row.h"
#include "ui/list_view.h"

namespace info {

class ListViewRows : public RowSink {
 public:
  explicit ListViewRows(ui::ListView& list) : list_(list) {}
  void ClearRows() override { list_.Clear(); }
  void AddRow(InfoRow row) override;

 private:
  ui::ListView& list_;
};

}  // namespace info
