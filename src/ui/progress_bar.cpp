#include "ui/progress_bar.h"

#include <algorithm>

namespace ui {

void ProgressBar::SetRange(int min, int max) {
  if (max < min) max = min;
  if (min == min_ && max == max_) return;
  min_ = min;
  max_ = max;
  position_ = std::clamp(position_, min_, max_);
  Changed(Property::kContent);
}

void ProgressBar::SetPosition(int position) {
  position = std::clamp(position, min_, max_);
  if (position == position_) return;
  position_ = position;
  Changed(Property::kSelection);
}

void StatusBar::SetPanelWidths(const std::vector<int>& widths) {
  widths_ = widths;
  Changed(Property::kContent);
}

int StatusBar::PanelWidth(int index) const {
  if (index < 0 || index >= PanelCount()) return 0;
  return widths_[static_cast<size_t>(index)];
}

}  // namespace ui
