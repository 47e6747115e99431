#pragma once
// Column sets and row colours of the information list (LV_ShowData) for the
// Device Info and SMART pages, as plain data the page applies to its list.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace info {

struct ShowDataColumn {
  std::string caption;
  // Width as a share of the list's width, rounded to whole pixels by the page.
  double widthShare = 0;
};

std::vector<ShowDataColumn> DeviceInfoColumns();
// NVMe SMART: value and its decimal form.
std::vector<ShowDataColumn> NvmeSmartColumns();
std::vector<ShowDataColumn> AtaSmartColumns();

// Colours as 0x00BBGGRR values. A row without a background keeps the list's white.
struct ShowDataRowColours {
  uint32_t text = 0;
  std::optional<uint32_t> background;
};
inline constexpr uint32_t kShowDataTextColour = 0x272727;
inline constexpr uint32_t kShowDataStripeColour = 0xF0F0F0;

// Every row dark grey text; even rows (0, 2, 4, ...) on a light grey stripe.
ShowDataRowColours ShowDataRowColoursFor(int rowIndex);

}  // namespace info
