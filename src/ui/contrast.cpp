#include "ui/contrast.h"

#include <cmath>

namespace ui {
namespace {

// An 8-bit sRGB channel in linear light.
double Linear(uint8_t channel) {
  const double c = channel / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

}  // namespace

double RelativeLuminance(TColor c) {
  if (c == kColorDefault) c = kColorBlack;
  return 0.2126 * Linear(RedOf(c)) + 0.7152 * Linear(GreenOf(c)) + 0.0722 * Linear(BlueOf(c));
}

double ContrastRatio(TColor a, TColor b) {
  const double la = RelativeLuminance(a);
  const double lb = RelativeLuminance(b);
  return la > lb ? (la + 0.05) / (lb + 0.05) : (lb + 0.05) / (la + 0.05);
}

TColor BetterBackground(TColor text, TColor first, TColor second) {
  return ContrastRatio(text, second) > ContrastRatio(text, first) ? second : first;
}

TColor BackgroundOf(const Component& c, TColor unset) {
  for (const Component* at = &c; at; at = at->Parent()) {
    if (at->Color() != kColorDefault) return at->Color();
  }
  return unset;
}

TColor TextColorOf(const Component& c) {
  for (const Component* at = &c; at; at = at->Parent()) {
    if (at->GetFont().color != kColorDefault) return at->GetFont().color;
  }
  return kColorBlack;
}

bool LiesOnPicture(const Component& c) {
  const Component* parent = c.Parent();
  if (!parent) return false;
  const Rect& r = c.Bounds();
  for (const Component* sibling : parent->Children()) {
    if (sibling == &c) break;
    if (sibling->GetKind() != Kind::kImage || !sibling->Visible()) continue;
    const Rect& s = sibling->Bounds();
    if (s.left < r.Right() && r.left < s.Right() && s.top < r.Bottom() && r.top < s.Bottom()) {
      return true;
    }
  }
  return false;
}

}  // namespace ui
