#pragma once
// What an image shows: one of the tool's own design pictures (drawn by the
// view), or a bitmap file from the tool folder that replaced it.
#include <string>

#include "ui/color.h"

namespace ui {

enum class DesignPicture {
  kNone,
  kTitleBar,          // custom title bar background
  kBanner,            // IMG_Title
  kLogo,              // IMG_Logo
  kItemIcon,          // tiles behind the Device Info / SMART / Update FW buttons
  kOptionIcon,        // tile behind the option button
  kSummaryIcon,       // tile behind the summary button
  kStartButton,       // the update page's Start button: a dark face for light captions
  kStartButtonLight,  // the same button with a light face, for dark captions
  kOptionItem,        // an option item at rest
  kOptionItemHot,     // the option item under the mouse
  kStateWaiting,      // list row states, in image-list order 0..3
  kStatePassed,
  kStateFailed,
  kStateInProgress,
  kCheck,
  kCross,
};

// The face colours of the two Start pictures where the caption lies: the view
// paints them flat there, so the form can tell which one its caption colour
// reads on. They are near black and near white, so that any caption colour
// reads on one of them at 4.2:1 at least (most at 4.5:1 and more).
inline constexpr TColor kStartFaceDark = RGB(0x06, 0x18, 0x0E);
inline constexpr TColor kStartFaceLight = RGB(0xF2, 0xFA, 0xF4);

struct Picture {
  DesignPicture design = DesignPicture::kNone;
  // A native path; when set, the view shows this file instead of the design
  // picture (and keeps the design picture if the file cannot be decoded).
  std::string file;

  static Picture Design(DesignPicture d) { return Picture{d, {}}; }
  bool operator==(const Picture&) const = default;
};

}  // namespace ui
