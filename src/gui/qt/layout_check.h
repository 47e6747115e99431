#pragma once
// Looks at a shown window the way a person would: no control lies over a bar
// (the status bar, the custom title bar) unless it belongs to it, and every
// list shows its texts, whole or in the row's tooltip. The window tests use it
// on the offscreen platform; scripts/screenshot.sh reads its report from the
// real window.
#include <string>
#include <vector>

namespace guiqt {

class FormView;

struct LayoutBar {
  std::string name;                  // the bar's component
  std::vector<std::string> members;  // components laid over it by design
};

struct LayoutReport {
  std::vector<std::string> problems;  // empty when the window reads well
  std::string dump;                   // geometry and column widths, one item a line
};

// The main form's bars: the status bar with the three controls laid over its
// panels, and the custom title bar.
std::vector<LayoutBar> MainFormBars();

LayoutReport CheckLayout(const FormView& view, const std::vector<LayoutBar>& bars);

}  // namespace guiqt
