#pragma once
// Progress bar (minimum, maximum, position) and the status bar's panel frame.
#include <string>
#include <vector>

#include "ui/component.h"

namespace ui {

class ProgressBar : public Component {
 public:
  explicit ProgressBar(std::string name) : Component(Kind::kProgressBar, std::move(name)) {}
  int Min() const { return min_; }
  int Max() const { return max_; }
  int Position() const { return position_; }
  // A range whose maximum lies below its minimum is stored as an empty range
  // at the minimum; the position is kept inside the range.
  void SetRange(int min, int max);
  void SetMax(int max) { SetRange(min_, max); }
  void SetPosition(int position);

 private:
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
};

// A bar of panels of fixed widths along the bottom of the window.
class StatusBar : public Component {
 public:
  explicit StatusBar(std::string name) : Component(Kind::kStatusBar, std::move(name)) {}
  void SetPanelWidths(const std::vector<int>& widths);
  int PanelCount() const { return static_cast<int>(widths_.size()); }
  // 0 for a panel that does not exist.
  int PanelWidth(int index) const;
  const std::vector<int>& PanelWidths() const { return widths_; }

 private:
  std::vector<int> widths_;
};

}  // namespace ui
