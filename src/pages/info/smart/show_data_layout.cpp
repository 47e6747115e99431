#include "pages/info/smart/show_data_layout.h"

#include "pages/info/smart/nvme_smart_decimal.h"

namespace info {

std::vector<ShowDataColumn> DeviceInfoColumns() {
  return {{"Device Info", 0.5}, {"Describe", 0.495}};
}

std::vector<ShowDataColumn> NvmeSmartColumns() {
  // Column 0 keeps half the width so the drive selector sits where it does on
  // the other two-part pages.
  return {{"SMART", 0.5}, {"Describe", 0.3}, {kDecimalColumnCaption, 0.195}};
}

std::vector<ShowDataColumn> AtaSmartColumns() {
  return {{"SMART", 0.5}, {"Current", 0.15}, {"Worst", 0.15}, {"Raw data", 0.195}};
}

ShowDataRowColours ShowDataRowColoursFor(int rowIndex) {
  ShowDataRowColours c;
  c.text = kShowDataTextColour;
  if (rowIndex % 2 == 0) c.background = kShowDataStripeColour;
  return c;
}

}  // namespace info
