#pragma once
// Design geometry: a component's rectangle in pixels, relative to its parent.
namespace ui {

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;

  int Right() const { return left + width; }
  int Bottom() const { return top + height; }
  bool Contains(int x, int y) const { return x >= left && x < Right() && y >= top && y < Bottom(); }
  bool operator==(const Rect&) const = default;
};

// How a component follows its parent's size.
enum class Align { kNone, kTop, kBottom, kClient };

}  // namespace ui
