#pragma once
// Colours as the form stores them: Windows COLORREF values (0x00BBGGRR, red in
// the low byte), plus one value that means "whatever the toolkit uses".
#include <cstdint>

namespace ui {

using TColor = uint32_t;

// Not a COLORREF: the component keeps the toolkit's own colour.
inline constexpr TColor kColorDefault = 0xFF000000u;

inline constexpr TColor RGB(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<TColor>(r) | (static_cast<TColor>(g) << 8) | (static_cast<TColor>(b) << 16);
}
inline constexpr uint8_t RedOf(TColor c) { return static_cast<uint8_t>(c & 0xFF); }
inline constexpr uint8_t GreenOf(TColor c) { return static_cast<uint8_t>((c >> 8) & 0xFF); }
inline constexpr uint8_t BlueOf(TColor c) { return static_cast<uint8_t>((c >> 16) & 0xFF); }

inline constexpr TColor kColorWhite = 0xFFFFFF;
inline constexpr TColor kColorBlack = 0x000000;
inline constexpr TColor kColorGray = 0x808080;
inline constexpr TColor kColorRed = 0x0000FF;
inline constexpr TColor kColorBlue = 0xFF0000;
// The face colour of plain dialogs.
inline constexpr TColor kColorBtnFace = 0xF0F0F0;

static_assert(RGB(16, 24, 32) == 2103312);
static_assert(RGB(51, 53, 52) == 3421491);
static_assert(RGB(0, 95, 134) == 8806144);

}  // namespace ui
