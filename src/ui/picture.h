#pragma once
// What an image shows: one of the tool's own design pictures (drawn by the
// view), or a bitmap file from the tool folder that replaced it.
#include <string>

namespace ui {

enum class DesignPicture {
  kNone,
  kTitleBar,       // custom title bar background
  kBanner,         // IMG_Title
  kLogo,           // IMG_Logo
  kItemIcon,       // tiles behind the Device Info / SMART / Update FW buttons
  kOptionIcon,     // tile behind the option button
  kSummaryIcon,    // tile behind the summary button
  kStartButton,    // the picture on the update page's Start button
  kOptionItem,     // an option item at rest
  kOptionItemHot,  // the option item under the mouse
  kStateWaiting,   // list row states, in image-list order 0..3
  kStatePassed,
  kStateFailed,
  kStateInProgress,
  kCheck,
  kCross,
};

struct Picture {
  DesignPicture design = DesignPicture::kNone;
  // A native path; when set, the view shows this file instead of the design
  // picture (and keeps the design picture if the file cannot be decoded).
  std::string file;

  static Picture Design(DesignPicture d) { return Picture{d, {}}; }
  bool operator==(const Picture&) const = default;
};

}  // namespace ui
