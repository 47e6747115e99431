#pragma once
// How well one colour reads on another: the relative luminance of an sRGB
// colour and the contrast ratio of two (1:1 for equal colours, 21:1 for black
// on white). Text the tool colours itself is held to kReadableContrast.
#include "ui/color.h"
#include "ui/component.h"

namespace ui {

inline constexpr double kReadableContrast = 4.5;

// 0 (black) .. 1 (white). kColorDefault has no luminance: it is taken as black.
double RelativeLuminance(TColor c);
// The lighter colour's luminance plus 0.05 over the darker one's plus 0.05.
double ContrastRatio(TColor a, TColor b);

// Of the two candidate backgrounds, the one `text` reads better on.
TColor BetterBackground(TColor text, TColor first, TColor second);

// What a view paints behind and in a component's text, as the colours pass
// down the tree: the nearest own-or-ancestor colour (else `unset`), and the
// nearest own-or-ancestor font colour (else black).
TColor BackgroundOf(const Component& c, TColor unset);
TColor TextColorOf(const Component& c);
// True when an image lies beneath the component among its earlier siblings, so
// that its text is read on a picture rather than on a colour.
bool LiesOnPicture(const Component& c);

}  // namespace ui
