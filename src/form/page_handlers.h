#pragma once
// How the pages plug into the form. Each navigation handler of the form first
// does the form's own part (which panels, progress bar and timer label are
// shown), then calls the page's handler when one is plugged in. Pages wire the
// events of their own components (lists, buttons, combo boxes) directly.
#include <functional>

namespace app {

struct PageHandlers {
  std::function<void()> deviceInfo;  // T_DeviceInfoClick: fill the Device Info page
  std::function<void()> smart;       // T_SmartClick: fill the SMART page
  std::function<void()> summary;     // T_SummaryPageClick: fill the Summary page
  std::function<void()> updateFW;    // T_UpdateFWClick: prepare the update page
  std::function<void()> optionPage;  // T_OptionPageClick, after the erase view was selected
  std::function<void()> start;       // T_StartClick: the update run over the ticked rows
};

}  // namespace app
